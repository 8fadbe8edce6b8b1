// The loader's own rules, fed through a stand-in for the profile functions so that it sees
// lines the platform never returns.
#include "ini/IniData.h"
#include "tests/ini/FakeProfile.h"

#include <gtest/gtest.h>

namespace {

const QString kPath = QStringLiteral("/data/test.ini");

class IniLoad : public ::testing::Test {
protected:
    // Loads the fake's file; returns the result and keeps the error text.
    bool Load() {
        ini = std::make_unique<CIniData>(&profile);
        return ini->Load(kPath, errorText);
    }

    QStringList Keys(int section) const {
        QStringList keys;
        for (const auto& e : ini->m_sections[section]->m_entries)
            keys.append(e->Key());
        return keys;
    }

    FakeProfile profile;
    std::unique_ptr<CIniData> ini;
    QString errorText;
};

TEST_F(IniLoad, AsksWithTheExactBufferSizesAndKeepsTheListedOrder) {
    profile.names = {u"Zeta"_qs, u"alpha"_qs, u"Mid"_qs};
    ASSERT_TRUE(Load());
    EXPECT_EQ(profile.namesSizes, QList<unsigned>{2048});
    ASSERT_EQ(profile.sectionCalls.size(), 3);
    EXPECT_EQ(profile.sectionCalls[0].first, u"Zeta"_qs);
    EXPECT_EQ(profile.sectionCalls[1].first, u"alpha"_qs);
    EXPECT_EQ(profile.sectionCalls[0].second, 32767u);
    ASSERT_EQ(ini->m_sections.size(), 3u);
    EXPECT_EQ(ini->m_sections[0]->m_name, u"Zeta"_qs);
    EXPECT_EQ(ini->m_sections[2]->m_name, u"Mid"_qs);
    EXPECT_FALSE(ini->m_sections[0]->m_isNew);
    EXPECT_EQ(ini->m_sections[0]->m_pIni, ini.get());
    EXPECT_EQ(ini->m_filePath, kPath);
}

TEST_F(IniLoad, NamesThatFillTheBufferFailWithTheBufferMessage) {
    // 2045 characters fit; 2046 make the call return size - 2, which counts as too small.
    profile.names = {QString(2044, u'n')};
    ASSERT_TRUE(Load());
    EXPECT_EQ(ini->m_sections.size(), 1u);

    profile.names = {QString(2045, u'n')};
    errorText.clear();
    EXPECT_FALSE(Load());
    EXPECT_EQ(errorText, u"バッファ不足です"_qs);
    EXPECT_TRUE(ini->m_sections.empty());
    EXPECT_TRUE(ini->m_filePath.isEmpty());
    EXPECT_TRUE(profile.sectionCalls.size() == 1); // only the first, successful load read one

    QStringList many;
    for (int i = 0; i < 400; ++i)
        many.append(QStringLiteral("Section%1").arg(i));
    profile.names = many;
    EXPECT_FALSE(Load());
    EXPECT_EQ(errorText, u"バッファ不足です"_qs);
}

TEST_F(IniLoad, DuplicateSectionNamesFailNamingTheSecondAndKeepWhatWasRead) {
    LocaleMode mode(false);
    profile.names = {u"Main"_qs, u"Other"_qs, u"MAIN"_qs, u"Last"_qs};
    errorText = u"stale"_qs;
    EXPECT_FALSE(Load());
    EXPECT_EQ(errorText, u"同一セクションが複数存在します[MAIN]"_qs);
    EXPECT_EQ(ini->m_sections.size(), 2u);
    EXPECT_TRUE(ini->m_filePath.isEmpty());

    // Names are compared exactly apart from case: a trailing blank makes another name.
    profile.names = {u"Main"_qs, u"Main "_qs};
    EXPECT_TRUE(Load());
}

TEST_F(IniLoad, DuplicateTestFollowsTheLocaleMode) {
    profile.names = {u"Ｓｅｃ"_qs, u"ｓｅｃ"_qs};
    {
        LocaleMode mode(false);
        EXPECT_TRUE(Load()); // only ASCII letters fold
        EXPECT_EQ(ini->m_sections.size(), 2u);
    }
    {
        LocaleMode mode(true);
        EXPECT_FALSE(Load());
        EXPECT_EQ(errorText, u"同一セクションが複数存在します[ｓｅｃ]"_qs);
    }
}

TEST_F(IniLoad, OversizedSectionIsLeftOutAndTheRestLoads) {
    profile.names = {u"A"_qs, u"Big"_qs, u"C"_qs};
    profile.sections[u"A"_qs] = {u"x=1"_qs};
    // 32765 characters of lines with their NULs: the call returns size - 2.
    profile.sections[u"Big"_qs] = {u"k="_qs + QString(32762, u'v')};
    profile.sections[u"C"_qs] = {u"y=2"_qs};
    errorText = u"untouched"_qs;
    ASSERT_TRUE(Load());
    EXPECT_EQ(errorText, u"untouched"_qs);
    ASSERT_EQ(ini->m_sections.size(), 2u);
    EXPECT_EQ(ini->m_sections[0]->m_name, u"A"_qs);
    EXPECT_EQ(ini->m_sections[1]->m_name, u"C"_qs);
    EXPECT_EQ(ini->FindSection(u"Big"_qs, false), nullptr);

    // One character less fits.
    profile.sections[u"Big"_qs] = {u"k="_qs + QString(32761, u'v')};
    ASSERT_TRUE(Load());
    EXPECT_EQ(ini->m_sections.size(), 3u);
}

TEST_F(IniLoad, NoSectionsGivesAnEmptyModelWithItsPath) {
    ASSERT_TRUE(Load());
    EXPECT_TRUE(ini->m_sections.empty());
    EXPECT_EQ(ini->m_filePath, kPath);
    EXPECT_TRUE(errorText.isEmpty());
}

TEST_F(IniLoad, LinesAreSplitAtTheFirstEqualsAndNeverTrimmed) {
    profile.names = {u"S"_qs};
    profile.sections[u"S"_qs] = {u"a=b=c"_qs, u" k = 1 "_qs, u";c=1"_qs, u"e="_qs, u"#h=2"_qs};
    ASSERT_TRUE(Load());
    const auto& entries = ini->m_sections[0]->m_entries;
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0]->Key(), u"a"_qs);
    EXPECT_EQ(entries[0]->Value(), u"b=c"_qs);
    EXPECT_EQ(entries[1]->Key(), u" k "_qs);
    EXPECT_EQ(entries[1]->SavedValue(), u" 1 "_qs);
    EXPECT_EQ(entries[2]->Key(), u";c"_qs); // a leading semicolon is just part of the key
    EXPECT_EQ(entries[3]->Key(), u"e"_qs);
    EXPECT_TRUE(entries[3]->Value().isEmpty());
    for (const auto& e : entries) {
        EXPECT_FALSE(e->m_isNew);
        EXPECT_FALSE(e->m_isAdded);
        EXPECT_FALSE(e->NeedsWrite());
        EXPECT_EQ(e->m_pSection, ini->m_sections[0].get());
    }
}

TEST_F(IniLoad, NamesAndLinesStartingWithByteOrderMarkCharactersStayAsListed) {
    // U+FEFF and U+FFFE are ordinary characters inside the lists the profile functions hand
    // over; a name or line that starts with one must not lose it or be byte-swapped.
    const QString name = QString(QChar(0xFEFF)) + u"S"_qs;
    const QString other = QString(QChar(0xFFFE)) + u"T"_qs;
    profile.names = {name, other};
    profile.sections[name] = {QString(QChar(0xFEFF)) + u"k=1"_qs};
    profile.sections[other] = {QString(QChar(0xFFFE)) + u"x=2"_qs};
    ASSERT_TRUE(Load());
    ASSERT_EQ(ini->m_sections.size(), 2u);
    EXPECT_EQ(ini->m_sections[0]->m_name, name);
    EXPECT_EQ(ini->m_sections[1]->m_name, other);
    EXPECT_EQ(Keys(0), QStringList{QString(QChar(0xFEFF)) + u"k"_qs});
    EXPECT_EQ(Keys(1), QStringList{QString(QChar(0xFFFE)) + u"x"_qs});
}

TEST_F(IniLoad, LinesWithoutAKeyAreSkipped) {
    profile.names = {u"S"_qs};
    profile.sections[u"S"_qs] = {u"=x"_qs,   u"  =y"_qs,     u"no equals"_qs,
                                 u" \t "_qs, u"\u3000=z"_qs, u"ok=1"_qs};
    ASSERT_TRUE(Load());
    EXPECT_EQ(Keys(0), QStringList{u"ok"_qs});
}

TEST_F(IniLoad, TheFirstLineWithAKeyWins) {
    LocaleMode mode(false);
    profile.names = {u"S"_qs};
    profile.sections[u"S"_qs] = {u"a=1"_qs, u"A=2"_qs, u" a =3"_qs};
    ASSERT_TRUE(Load());
    ASSERT_EQ(Keys(0), QStringList{u"a"_qs});
    EXPECT_EQ(ini->m_sections[0]->m_entries[0]->Value(), u"1"_qs);

    // The lookup key is trimmed but the stored one is not: after " a " a bare "a" is new.
    profile.sections[u"S"_qs] = {u" a = 1 "_qs, u"a=2"_qs, u"A =3"_qs};
    ASSERT_TRUE(Load());
    EXPECT_EQ(Keys(0), (QStringList{u" a "_qs, u"a"_qs}));
    EXPECT_EQ(ini->m_sections[0]->m_entries[1]->Value(), u"2"_qs);
}

TEST_F(IniLoad, DuplicateKeysFollowTheLocaleMode) {
    profile.names = {u"S"_qs};
    profile.sections[u"S"_qs] = {u"Ｋｅｙ=1"_qs, u"ｋｅｙ=2"_qs};
    {
        LocaleMode mode(false);
        ASSERT_TRUE(Load());
        EXPECT_EQ(Keys(0).size(), 2);
    }
    {
        LocaleMode mode(true);
        ASSERT_TRUE(Load());
        EXPECT_EQ(Keys(0), QStringList{u"Ｋｅｙ"_qs});
    }
}

TEST_F(IniLoad, ASectionThatReportsNoLinesHasNoEntries) {
    profile.names = {u"Empty"_qs, u"Zero"_qs};
    profile.sections[u"Zero"_qs] = {u"k=v"_qs};
    profile.sectionResult[u"Zero"_qs] = 0; // the count decides, whatever the buffer holds
    ASSERT_TRUE(Load());
    ASSERT_EQ(ini->m_sections.size(), 2u);
    EXPECT_TRUE(ini->m_sections[0]->m_entries.empty());
    EXPECT_TRUE(ini->m_sections[1]->m_entries.empty());
}

TEST_F(IniLoad, LargeSectionsLoadEveryDistinctKey) {
    // Enough keys that a lookup structure going stale would show.
    QStringList lines;
    for (int i = 0; i < 3000; ++i)
        lines.append(QStringLiteral("k%1=%2").arg(i % 2000).arg(i));
    profile.names = {u"S"_qs};
    profile.sections[u"S"_qs] = lines;
    ASSERT_TRUE(Load());
    const auto& entries = ini->m_sections[0]->m_entries;
    ASSERT_EQ(entries.size(), 2000u);
    EXPECT_EQ(entries[1999]->Key(), u"k1999"_qs);
    EXPECT_EQ(entries[1999]->Value(), u"1999"_qs);
    EXPECT_EQ(ini->m_sections[0]->FindEntry(u"K1500"_qs, false), entries[1500].get());
}

} // namespace
