#include "platform/TextUtil.h"
#include "tests/common/LocaleMode.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

} // namespace

TEST(CompareNoCase, DefaultLocaleFoldsOnlyAscii) {
    LocaleMode mode(false);
    EXPECT_EQ(Text::CompareNoCase(u"Section", u"SECTION"), 0);
    EXPECT_EQ(Text::CompareNoCase(u"", u""), 0);
    EXPECT_NE(Text::CompareNoCase(u"Ａ", u"ａ"), 0); // fullwidth letters stay apart
    EXPECT_NE(Text::CompareNoCase(u"Ω", u"ω"), 0);
    EXPECT_NE(Text::CompareNoCase(u"Д", u"д"), 0);
    EXPECT_NE(Text::CompareNoCase(u"key ", u"key"), 0); // nothing is trimmed
}

TEST(CompareNoCase, JapaneseLocaleFoldsEveryCasedLetter) {
    LocaleMode mode(true);
    EXPECT_EQ(Text::CompareNoCase(u"Ａｂｃ", u"ａＢＣ"), 0);
    EXPECT_EQ(Text::CompareNoCase(u"ΑΒΓ", u"αβγ"), 0);
    EXPECT_EQ(Text::CompareNoCase(u"Дом", u"дОМ"), 0);
    EXPECT_EQ(Text::CompareNoCase(u"設定A", u"設定a"), 0);
    EXPECT_NE(Text::CompareNoCase(u"設定", u"設置"), 0);
}

TEST(CompareNoCase, SignIsOrdinalAfterFoldingToLowerCase) {
    for (bool japanese : {false, true}) {
        LocaleMode mode(japanese);
        // '_' (0x5F) sorts before 'a' once 'A' is folded down, as _wcsicmp does.
        EXPECT_LT(Text::CompareNoCase(u"_", u"A"), 0);
        EXPECT_GT(Text::CompareNoCase(u"b", u"A"), 0);
        EXPECT_LT(Text::CompareNoCase(u"ab", u"ABC"), 0); // a prefix sorts first
        EXPECT_GT(Text::CompareNoCase(u"ABC", u"ab"), 0);
        EXPECT_EQ(Sign(Text::CompareNoCase(u"x", u"Y")), -Sign(Text::CompareNoCase(u"Y", u"x")));
    }
}

TEST(CompareNoCase, SurrogatePairsCompareAsCodePoints) {
    LocaleMode mode(true);
    // U+10400 DESERET CAPITAL LONG I folds to U+10428.
    const QString upper = QString::fromUcs4(U"\U00010400");
    const QString lower = QString::fromUcs4(U"\U00010428");
    EXPECT_EQ(Text::CompareNoCase(upper, lower), 0);
    // A supplementary character sorts after every BMP character.
    EXPECT_GT(Text::CompareNoCase(QString::fromUcs4(U"\U0001F600"), u"\uFFFD"), 0);
    // A lone surrogate neither crashes nor matches a pair.
    EXPECT_NE(Text::CompareNoCase(QString(QChar(0xD801)), upper), 0);
}

TEST(FoldCase, AgreesWithCompareNoCaseInBothModes) {
    const QStringList samples = {u"Key"_qs,   u"KEY"_qs,  u"Ａｂ"_qs, u"ａＢ"_qs, u"Ωmega"_qs,
                                 u"ωMEGA"_qs, u"名前"_qs, u""_qs,     u"k "_qs};
    for (bool japanese : {false, true}) {
        LocaleMode mode(japanese);
        for (const QString& a : samples)
            for (const QString& b : samples)
                EXPECT_EQ(Text::FoldCase(a) == Text::FoldCase(b), Text::EqualNoCase(a, b))
                    << a.toStdString() << " / " << b.toStdString() << " japanese=" << japanese;
    }
}

TEST(ToUpper, FollowsTheLocaleSwitch) {
    {
        LocaleMode mode(false);
        EXPECT_EQ(Text::ToUpper(u"abc-xyz ａω"), u"ABC-XYZ ａω");
        EXPECT_EQ(Text::ToUpper(U'é'), U'é');
    }
    {
        LocaleMode mode(true);
        EXPECT_EQ(Text::ToUpper(u"abc ａω д"), u"ABC ＡΩ Д");
        EXPECT_EQ(Text::ToUpper(U'é'), U'É');
        EXPECT_EQ(Text::ToUpper(u"あ1_"), u"あ1_");
    }
}

TEST(Trim, RemovesEveryKindOfWhiteSpaceAtBothEnds) {
    EXPECT_EQ(Text::Trim(u" \t\r\n\v\f key = v \t"), u"key = v");
    EXPECT_EQ(Text::Trim(u"\u3000全角\u3000"), u"全角");
    EXPECT_EQ(Text::Trim(u"\u00A0nbsp\u00A0"), u"nbsp");
    EXPECT_EQ(Text::Trim(u"   "), u"");
    EXPECT_EQ(Text::Trim(u""), u"");
    EXPECT_EQ(Text::Trim(u"a  b"), u"a  b");
    EXPECT_TRUE(Text::IsWhiteSpace(QChar(0x3000)));
    EXPECT_FALSE(Text::IsWhiteSpace(QChar(u'=')));
}
