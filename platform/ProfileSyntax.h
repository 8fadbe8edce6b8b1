#pragma once

#include <QStringView>

// How one line of an INI file reads, the way Windows' private-profile functions read it.
// Shared by the readers and the writer so that both always see the same sections and keys.
namespace ProfileSyntax {

enum class Kind {
    Blank,   // nothing but blanks
    Comment, // first non-blank character ';'
    Header,  // first non-blank character '['
    Entry,   // holds '=': key and value
    Text,    // anything else; returned by the section reader as it stands, trimmed
};

struct Line {
    Kind kind = Kind::Blank;
    // Header: the section name. Entry: the key. Text: the trimmed line. All trimmed of blanks.
    QStringView name;
    QStringView value; // Entry: the value, trimmed of blanks
};

// Blanks are space, tab and vertical tab: what Windows trims around lines, names and '='.
inline bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\v';
}
inline QStringView TrimBlanks(QStringView s) {
    qsizetype begin = 0, end = s.size();
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    while (end > begin && IsBlank(s[end - 1]))
        --end;
    return s.sliced(begin, end - begin);
}
// Names passed by a caller lose only U+0020 at both ends; a tab in them is significant.
QStringView TrimSpaces(QStringView s);
// A NUL ends the text, as in the C strings Windows works with.
QStringView CutAtNul(QStringView s);

// Reads one line (without its line break). A header's name runs from '[' to the first ']',
// or to the end of the line when there is none; text after that ']' is ignored. An entry
// splits at the first '='.
Line Parse(QStringView line);

} // namespace ProfileSyntax
