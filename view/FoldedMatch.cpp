#include "view/FoldedMatch.h"

#include "platform/TextUtil.h"

namespace {

// ASCII folds alike under either locale switch, and most cells hold nothing else.
char16_t AsciiUpper(char16_t c) {
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

// The UTF-16 units of the upper case of the code point at i (a lone surrogate stands for
// itself), as Text::ToUpper writes them; advances i past the code point.
int UpperUnits(QStringView s, qsizetype& i, char16_t (&units)[2]) {
    char32_t c = s[i++].unicode();
    if (QChar::isHighSurrogate(c) && i < s.size() && s[i].isLowSurrogate())
        c = QChar::surrogateToUcs4(char16_t(c), s[i++].unicode());
    c = Text::ToUpper(c);
    if (QChar::requiresSurrogates(c)) {
        units[0] = QChar::highSurrogate(c);
        units[1] = QChar::lowSurrogate(c);
        return 2;
    }
    units[0] = char16_t(c);
    return 1;
}

} // namespace

CFoldedMatch::CFoldedMatch(const QString& text) : m_text(text) {
    if (m_text.isEmpty())
        return;
    for (char16_t c = 0; c < 128; ++c)
        m_startsWith[c] = AsciiUpper(c) == m_text[0].unicode();
}

bool CFoldedMatch::InFrom(QStringView cell) const {
    if (m_text.isEmpty())
        return true;
    const char16_t first = m_text[0].unicode();
    for (qsizetype i = 0; i < cell.size();) {
        const char16_t c = cell[i].unicode();
        if (c < 128) {
            if (m_startsWith[c] && MatchesAt(cell, i, 0))
                return true;
            ++i;
            continue;
        }
        const qsizetype start = i;
        char16_t units[2];
        const int count = UpperUnits(cell, i, units);
        for (int j = 0; j < count; ++j) {
            if (units[j] == first && MatchesAt(cell, start, j))
                return true;
        }
    }
    return false;
}

bool CFoldedMatch::MatchesAt(QStringView cell, qsizetype at, int skip) const {
    const qsizetype length = m_text.size();
    for (qsizetype k = 0; k < length;) {
        if (at >= cell.size())
            return false;
        const char16_t c = cell[at].unicode();
        if (c < 128) {
            if (AsciiUpper(c) != m_text[k].unicode())
                return false;
            ++at;
            ++k;
            continue;
        }
        char16_t units[2];
        const int count = UpperUnits(cell, at, units);
        for (int j = skip; j < count && k < length; ++j, ++k) {
            if (units[j] != m_text[k].unicode())
                return false;
        }
        skip = 0;
    }
    return true;
}
