#include "TextUtil.h"

#include "InputText.h"

#include <atomic>

namespace Text {
namespace {

std::atomic<bool> g_japaneseLocale{false};

char32_t FoldLower(char32_t c, bool japanese) {
    if (c < 0x80)
        return (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c;
    return japanese ? QChar::toLower(c) : c;
}

char32_t FoldUpper(char32_t c, bool japanese) {
    if (c < 0x80)
        return (c >= U'a' && c <= U'z') ? c - (U'a' - U'A') : c;
    return japanese ? QChar::toUpper(c) : c;
}

// Reads one code point at i (a lone surrogate stands for itself) and advances i.
char32_t NextCodePoint(QStringView s, qsizetype& i) {
    const QChar c = s[i++];
    if (c.isHighSurrogate() && i < s.size() && s[i].isLowSurrogate())
        return QChar::surrogateToUcs4(c, s[i++]);
    return c.unicode();
}

void AppendCodePoint(QString& out, char32_t c) {
    if (QChar::requiresSurrogates(c)) {
        out.append(QChar(QChar::highSurrogate(c)));
        out.append(QChar(QChar::lowSurrogate(c)));
    } else {
        out.append(QChar(char16_t(c)));
    }
}

template <typename Map> QString MapCodePoints(QStringView s, Map map) {
    QString out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size();)
        AppendCodePoint(out, map(NextCodePoint(s, i)));
    return out;
}

} // namespace

void SetJapaneseLocale(bool on) {
    g_japaneseLocale.store(on, std::memory_order_relaxed);
}

bool IsJapaneseLocale() {
    return g_japaneseLocale.load(std::memory_order_relaxed);
}

int CompareNoCase(QStringView a, QStringView b) {
    const bool japanese = IsJapaneseLocale();
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const char32_t ca = FoldLower(NextCodePoint(a, i), japanese);
        const char32_t cb = FoldLower(NextCodePoint(b, j), japanese);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

QString FoldCase(QStringView s) {
    const bool japanese = IsJapaneseLocale();
    return MapCodePoints(s, [japanese](char32_t c) { return FoldLower(c, japanese); });
}

char32_t ToUpper(char32_t c) {
    return FoldUpper(c, IsJapaneseLocale());
}

QString ToUpper(QStringView s) {
    const bool japanese = IsJapaneseLocale();
    return MapCodePoints(s, [japanese](char32_t c) { return FoldUpper(c, japanese); });
}

bool IsWhiteSpace(QChar c) {
    return c.isSpace();
}

// `s` without the characters at either end for which `blank` holds.
template <typename Blank> static QStringView TrimWhere(QStringView s, Blank blank) {
    qsizetype end = s.size();
    while (end > 0 && blank(s[end - 1]))
        --end;
    qsizetype begin = 0;
    while (begin < end && blank(s[begin]))
        ++begin;
    return s.sliced(begin, end - begin);
}

QString Trim(QStringView s) {
    return TrimWhere(s, IsWhiteSpace).toString();
}

QStringView TrimmedView(QStringView s) {
    return TrimWhere(s, IsWhiteSpace);
}

QString TrimInput(QStringView s) {
    return TrimWhere(s, [](QChar c) { return IsWhiteSpace(c) || c == QChar(0xFEFF); }).toString();
}

} // namespace Text
