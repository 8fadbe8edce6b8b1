#pragma once

#include "platform/TextUtil.h"

#include <QString>
#include <QStringView>

namespace Text {

// Trim for what the user types or pastes: U+FEFF goes as white space does. A paste can carry
// it (a byte order mark), nobody sees it, and a stored value-list text cannot begin with it.
inline QString TrimInput(QStringView s) {
    const auto isBlank = [](QChar c) { return IsWhiteSpace(c) || c == QChar(0xFEFF); };
    qsizetype end = s.size();
    while (end > 0 && isBlank(s[end - 1]))
        --end;
    qsizetype begin = 0;
    while (begin < end && isBlank(s[begin]))
        ++begin;
    return s.sliced(begin, end - begin).toString();
}

} // namespace Text
