#include "view/FoldedMatch.h"
#include "tests/common/LocaleMode.h"

#include <gtest/gtest.h>

namespace {

// Find must keep finding what the upper-cased copies of the cells found: every row's answer is
// also checked against Text::ToUpper(cell).contains(text). The text comes upper-cased, as the
// find box passes it.
TEST(FoldedMatchTest, FindsWhatTheUpperCasedCellHolds) {
    struct Row {
        const char* name;
        QString cell, text;
        bool japanese, found;
    } rows[] = {
        {"ascii lower", u"banana"_qs, u"ANA"_qs, false, true},
        {"short text not there", u"v00042"_qs, u"Z"_qs, true, false},
        {"text longer than the cell", u"k0001"_qs, u"NO SUCH TEXT"_qs, true, false},
        {"a partial match then the whole", u"aab"_qs, u"AB"_qs, false, true},
        {"lower case text never matches", u"abc"_qs, u"abc"_qs, true, false},
        {"japanese as it is", u"値00042"_qs, u"値0004"_qs, true, true},
        {"fullwidth latin, japanese locale", u"ａｂｃ"_qs, u"ＡＢ"_qs, true, true},
        {"fullwidth latin, C locale", u"ａｂｃ"_qs, u"ＡＢ"_qs, false, false},
        {"long s upper-cases to S", u"ſ"_qs, u"S"_qs, true, true},
        {"long s kept in the C locale", u"ſ"_qs, u"S"_qs, false, false},
        {"dotless i upper-cases to I", u"ı"_qs, u"I"_qs, true, true},
        {"sharp s stays one letter", u"straße"_qs, u"STRASSE"_qs, true, false},
        {"sharp s found as itself", u"straße"_qs, u"STRAß"_qs, true, true},
        {"dotted capital I is no I", u"İ"_qs, u"I"_qs, true, false},
        {"a pair upper-cases to a pair", u"x\U00010428y"_qs, u"X\U00010400Y"_qs, true, true},
        {"text from a pair's second half", u"x\U00010428y"_qs, u"\xDC00Y"_qs, true, true},
        {"a lone surrogate stands for itself",
         u"a\xD800"
         "b"_qs,
         u"A\xD800"
         "B"_qs,
         true, true},
    };
    for (const Row& row : rows) {
        LocaleMode locale(row.japanese);
        EXPECT_EQ(Text::ToUpper(row.cell).contains(row.text), row.found) << row.name;
        EXPECT_EQ(CFoldedMatch(row.text).In(row.cell), row.found) << row.name;
    }
}

} // namespace
