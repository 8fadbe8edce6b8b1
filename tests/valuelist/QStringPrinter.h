#pragma once

#include <QString>
#include <ostream>

// Readable QString values in assertion messages (long texts cut short). Every test source
// of this binary includes it, so that all of them print a QString the same way.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << (text.size() > 80 ? text.left(80) + "..." : text).toStdString() << '"';
}
