#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

// The bytes of a file's values that do not read back as their text. Decoding never fails, so
// different broken bytes can read alike: a CP932 lead byte alone is U+001A whichever it is, two
// codes that name no character both read as U+30FB, and invalid UTF-8 behind a BOM is U+FFFD.
// A comparison that stopped at the text would call such values equal while their bytes are not.
class CUndecodedValues {
public:
    // Reads the file as the loader does (the first section of a name, the first line of a key)
    // and keeps, for every such value, the bytes between the '=' and the line end, trimmed of
    // blanks. A file that cannot be read holds none.
    static CUndecodedValues Read(const QString& path);

    // Whether text holds a character that broken bytes decode to; only then can its bytes
    // differ from what the text encodes back to.
    static bool MayHideBytes(QStringView text);

    // The value's bytes when they do not read back as its text, else null.
    const QByteArray* Find(QStringView section, QStringView key) const;

private:
    static QString KeyOf(QStringView section, QStringView key);
    // folded section NUL folded key -> the value's bytes, null where they read back exactly
    QHash<QString, QByteArray> m_bytes;
};
