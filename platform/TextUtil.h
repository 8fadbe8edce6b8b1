#pragma once

#include <QString>
#include <QStringView>

// The string rules the whole program shares: case-insensitive name comparison with the
// sign of the C run time's _wcsicmp, upper-casing as towupper does, and white-space trimming.
//
// Case folding depends on one process-wide switch, the "Japanese locale". Off (the C run
// time's default locale) only the ASCII letters fold; on, every cased letter folds by Qt's
// simple case mapping (fullwidth Latin, Greek, Cyrillic, ...). Both programs turn it on at
// start-up; tests turn it either way.
namespace Text {

void SetJapaneseLocale(bool on);
bool IsJapaneseLocale();

// Ordinal comparison after folding both sides to lower case: <0, 0 or >0 like _wcsicmp.
int CompareNoCase(QStringView a, QStringView b);
inline bool EqualNoCase(QStringView a, QStringView b) {
    return CompareNoCase(a, b) == 0;
}

// Lower-case fold of a whole string under the current switch, for hash keys that must
// agree with CompareNoCase: EqualNoCase(a, b) exactly when FoldCase(a) == FoldCase(b).
QString FoldCase(QStringView s);

char32_t ToUpper(char32_t c);
QString ToUpper(QStringView s);

// White space is every character QChar::isSpace accepts (so U+3000 and U+00A0 too).
bool IsWhiteSpace(QChar c);
// Removes white space at both ends, the end first.
QString Trim(QStringView s);
// The same without a copy: the part of s that Trim would return.
QStringView TrimmedView(QStringView s);

} // namespace Text
