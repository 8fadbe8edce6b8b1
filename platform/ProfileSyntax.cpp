#include "ProfileSyntax.h"

namespace ProfileSyntax {

QStringView TrimSpaces(QStringView s) {
    qsizetype begin = 0, end = s.size();
    while (begin < end && s[begin] == u' ')
        ++begin;
    while (end > begin && s[end - 1] == u' ')
        --end;
    return s.sliced(begin, end - begin);
}

QStringView CutAtNul(QStringView s) {
    const qsizetype nul = s.indexOf(QChar(u'\0'));
    return nul < 0 ? s : s.first(nul);
}

Line Parse(QStringView raw) {
    // One pass for the NUL that ends the text and the first '=': this runs for every line of
    // every file read, and lines are short, so a plain loop beats two library searches.
    const char16_t* p = raw.utf16();
    const qsizetype n = raw.size();
    qsizetype size = 0, eq = -1;
    while (size < n && p[size] != u'=' && p[size] != u'\0')
        ++size;
    if (size < n && p[size] == u'=') {
        eq = size++;
        while (size < n && p[size] != u'\0')
            ++size;
    }
    qsizetype begin = 0;
    while (begin < size && IsBlank(raw[begin]))
        ++begin;
    while (size > begin && IsBlank(raw[size - 1]))
        --size;

    Line line;
    if (begin == size)
        return line;
    const QStringView text = raw.sliced(begin, size - begin);
    if (text.front() == u';') {
        line.kind = Kind::Comment;
        return line;
    }
    if (text.front() == u'[') {
        line.kind = Kind::Header;
        const QStringView rest = text.sliced(1);
        const qsizetype close = rest.indexOf(u']');
        line.name = TrimBlanks(close < 0 ? rest : rest.first(close));
        return line;
    }
    if (eq < 0) {
        line.kind = Kind::Text;
        line.name = text;
        return line;
    }
    line.kind = Kind::Entry;
    line.name = TrimBlanks(raw.sliced(begin, eq - begin));
    line.value = TrimBlanks(raw.sliced(eq + 1, size - eq - 1));
    return line;
}

} // namespace ProfileSyntax
