#include "ini/FoldedName.h"

#include "platform/TextUtil.h"

#include <QChar>

bool operator==(const CFoldedName& a, const CFoldedName& b) {
    // Most probes find the very same spelling; that needs no folding.
    return a.text == b.text || Text::EqualNoCase(a.text, b.text);
}

size_t qHash(const CFoldedName& name, size_t seed) noexcept {
    return FoldedHash(name.text, seed);
}

size_t FoldedHash(QStringView s, size_t seed) noexcept {
    quint64 h = 0xcbf29ce484222325ULL ^ seed;
    for (qsizetype i = 0; i < s.size();) {
        char32_t c = s[i++].unicode();
        if (QChar::isHighSurrogate(c) && i < s.size() && s[i].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), s[i++].unicode());
        if (c < 0x80)
            c = (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c;
        else
            c = QChar::toLower(c);
        h = (h ^ c) * 0x100000001b3ULL;
    }
    // Final mix so that names differing only in their last characters spread over the table.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return size_t(h);
}
