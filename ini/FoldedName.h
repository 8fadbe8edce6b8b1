#pragma once

#include <QHashFunctions>
#include <QString>
#include <QStringView>

// A name used as a hash key that compares the way section names and keys compare everywhere
// in the program: Text::EqualNoCase under the locale mode in force. The text is a shared copy
// of the stored name, so keeping it costs no allocation and stays valid whatever happens to the
// record later.
//
// The hash folds every letter the Japanese mode would fold, in both modes. Names that are equal
// in either mode therefore always hash alike; in the ASCII-only mode a few names merely share a
// bucket without comparing equal.
struct CFoldedName {
    QString text;
};

bool operator==(const CFoldedName& a, const CFoldedName& b);
size_t qHash(const CFoldedName& name, size_t seed = 0) noexcept;
// The same hash of any text, for a name not yet kept in a string.
size_t FoldedHash(QStringView text, size_t seed = 0) noexcept;
