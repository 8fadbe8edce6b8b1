// Pairing of two models into rows, and the row list's bookkeeping.
#include "compare/IniCompare.h"
#include "ini/IniData.h"
#include "tests/ini/FakeProfile.h"

#include <gtest/gtest.h>

namespace {

using Sections = QList<QPair<QString, QStringList>>;

class IniCompareTest : public ::testing::Test {
protected:
    // A model loaded, as the program would, from a file with these sections and lines.
    std::unique_ptr<CIniData> Model(FakeProfile& profile, const Sections& sections,
                                    const QString& path) {
        profile.names.clear();
        profile.sections.clear();
        for (const auto& [name, lines] : sections) {
            profile.names.append(name);
            profile.sections[name] = lines;
        }
        auto ini = std::make_unique<CIniData>(&profile);
        QString error;
        EXPECT_TRUE(ini->Load(path, error)) << error.toStdString();
        return ini;
    }

    // Builds the comparison; each row reads "s1/k1 | s2/k2" with "-" for what is missing.
    QStringList Compare(const Sections& file1, const Sections& file2) {
        compare = std::make_unique<CIniCompare>(Model(profile1, file1, u"/one.ini"_qs),
                                                Model(profile2, file2, u"/two.ini"_qs));
        compare->Compare();
        return Rows();
    }

    QStringList Rows() const {
        const auto side = [](const CIniSectionData* s, const CIniEntryData* e) {
            return (s ? s->m_name : u"-"_qs) + u'/' + (e ? e->Key() : u"-"_qs);
        };
        QStringList rows;
        for (const auto& r : compare->m_results) {
            rows.append(side(r->pSection1, r->pEntry1) + u" | "_qs +
                        side(r->pSection2, r->pEntry2));
            // An entry always belongs to the section its row names.
            if (r->pEntry1) {
                EXPECT_EQ(r->pEntry1->m_pSection, r->pSection1);
            }
            if (r->pEntry2) {
                EXPECT_EQ(r->pEntry2->m_pSection, r->pSection2);
            }
        }
        return rows;
    }

    FakeProfile profile1, profile2;
    std::unique_ptr<CIniCompare> compare;
};

TEST_F(IniCompareTest, EntriesPairByKeyAndExtrasFollowTheirSection) {
    const Sections file2 = {{u"S"_qs, {u"x=1"_qs, u"z=3"_qs}}};
    EXPECT_EQ(Compare({{u"S"_qs, {u"x=1"_qs, u"y=2"_qs}}}, file2),
              (QStringList{u"S/x | S/x"_qs, u"S/y | S/-"_qs, u"S/- | S/z"_qs}));
    EXPECT_EQ(Compare({{u"S"_qs, {u"x=1"_qs, u"y=2"_qs}}, {u"T"_qs, {u"t=1"_qs}}}, file2),
              (QStringList{u"S/x | S/x"_qs, u"S/y | S/-"_qs, u"S/- | S/z"_qs, u"T/t | -/-"_qs}));
}

TEST_F(IniCompareTest, RowOrderFollowsFileOneThenFileTwosOwnSections) {
    LocaleMode mode(false);
    const Sections file1 = {{u"A"_qs, {u"a=1"_qs, u"b=1"_qs, u"c=1"_qs}},
                            {u"B"_qs, {}},
                            {u"C"_qs, {u"x=1"_qs}},
                            {u"E"_qs, {u"e=1"_qs}}};
    const Sections file2 = {{u"D"_qs, {u"d=1"_qs}},
                            {u"c"_qs, {u"X=2"_qs, u"y=2"_qs}},
                            {u"a"_qs, {u"z=2"_qs, u"C=2"_qs, u"w=2"_qs, u"A=2"_qs}},
                            {u"B"_qs, {u"p=2"_qs, u"q=2"_qs, u"r=2"_qs}},
                            {u"F"_qs, {}},
                            {u"e"_qs, {}}};
    EXPECT_EQ(Compare(file1, file2), (QStringList{
                                         u"A/a | a/A"_qs,
                                         u"A/b | a/-"_qs,
                                         u"A/c | a/C"_qs,
                                         u"A/- | a/z"_qs,
                                         u"A/- | a/w"_qs,
                                         u"B/- | B/p"_qs,
                                         u"B/- | B/q"_qs,
                                         u"B/- | B/r"_qs,
                                         u"C/x | c/X"_qs,
                                         u"C/- | c/y"_qs,
                                         u"E/e | e/-"_qs,
                                         u"-/- | D/d"_qs,
                                         u"-/- | F/-"_qs,
                                     }));
}

TEST_F(IniCompareTest, EmptySectionsPairWithoutEntries) {
    EXPECT_EQ(Compare({{u"S"_qs, {}}}, {{u"S"_qs, {}}}), QStringList{u"S/- | S/-"_qs});
    EXPECT_EQ(Compare({{u"S"_qs, {}}}, {{u"s"_qs, {u"a=1"_qs, u"b=1"_qs}}}),
              (QStringList{u"S/- | s/a"_qs, u"S/- | s/b"_qs}));
    EXPECT_EQ(Compare({{u"S"_qs, {u"a=1"_qs, u"b=1"_qs}}}, {{u"S"_qs, {}}}),
              (QStringList{u"S/a | S/-"_qs, u"S/b | S/-"_qs}));
    EXPECT_EQ(Compare({{u"S"_qs, {}}}, {}), QStringList{u"S/- | -/-"_qs});
}

TEST_F(IniCompareTest, NamesPairByTheLocaleModeInForce) {
    const Sections file1 = {{u"Ｓ"_qs, {u"Ｋ=1"_qs}}};
    const Sections file2 = {{u"ｓ"_qs, {u"ｋ=1"_qs}}};
    {
        LocaleMode mode(false);
        EXPECT_EQ(Compare(file1, file2), (QStringList{u"Ｓ/Ｋ | -/-"_qs, u"-/- | ｓ/ｋ"_qs}));
    }
    LocaleMode mode(true);
    EXPECT_EQ(Compare(file1, file2), QStringList{u"Ｓ/Ｋ | ｓ/ｋ"_qs});
}

TEST_F(IniCompareTest, TwoEmptyFilesGiveNoRowsAndTitlesStillJoin) {
    EXPECT_TRUE(Compare({}, {}).isEmpty());
    EXPECT_EQ(compare->GetTitle(0), u"/one.ini"_qs);
    EXPECT_EQ(compare->GetTitle(1), u"/two.ini"_qs);
    EXPECT_EQ(compare->GetTitle(2), u"/one.ini - /two.ini"_qs);
    EXPECT_EQ(compare->GetTitle(-1), u"/one.ini - /two.ini"_qs);
    CIniCompare halfEmpty(nullptr, nullptr);
    halfEmpty.Compare();
    EXPECT_TRUE(halfEmpty.m_results.empty());
    EXPECT_EQ(halfEmpty.GetTitle(2), u" - "_qs);
}

TEST_F(IniCompareTest, CompareRebuildsFromTheModelsAsTheyAreNow) {
    Compare({{u"S"_qs, {u"a=1"_qs}}}, {{u"S"_qs, {u"a=2"_qs}}});
    compare->m_pIni2->AddEntry(u"S"_qs, u"b"_qs, u"3"_qs);
    compare->m_pIni2->AddEntry(u"New"_qs, u"n"_qs, u"4"_qs);
    compare->Compare();
    EXPECT_EQ(Rows(), (QStringList{u"S/a | S/a"_qs, u"S/- | S/b"_qs, u"-/- | New/n"_qs}));
}

TEST_F(IniCompareTest, SectionsRepeatedInAHandBuiltModelDoNotBreakPairing) {
    // Files never load with repeated section names, but a model built by hand can have them.
    Compare({{u"S"_qs, {u"a=1"_qs}}}, {{u"S"_qs, {u"b=1"_qs}}});
    CIniSectionData* again = compare->m_pIni2->AddSection(u"s"_qs);
    again->AddEntry(u"a"_qs, u"2"_qs);
    compare->Compare();
    // The second section of that name pairs its key with the first row; the row that holds
    // the first section's extra entry has no key to pair by and keeps it.
    EXPECT_EQ(Rows(), (QStringList{u"S/a | s/a"_qs, u"S/- | S/b"_qs}));
}

TEST_F(IniCompareTest, FileOnesFirstSectionOfANameAnchorsItsBlock) {
    // A hand-built file 1 with two sections of one name: file 2's section pairs from the
    // first of them, and the block runs on through the second.
    FakeProfile profile;
    auto ini1 = Model(profile, {{u"S"_qs, {u"a=1"_qs}}}, u"/one.ini"_qs);
    ini1->AddSection(u"s"_qs)->AddEntry(u"b"_qs, u"1"_qs);
    compare = std::make_unique<CIniCompare>(
        std::move(ini1), Model(profile2, {{u"S"_qs, {u"a=2"_qs, u"c=3"_qs}}}, u"/two.ini"_qs));
    compare->Compare();
    EXPECT_EQ(Rows(), (QStringList{u"S/a | S/a"_qs, u"s/b | S/-"_qs, u"S/- | S/c"_qs}));
}

TEST_F(IniCompareTest, ResultsAreAddedAndRemovedOneByOne) {
    Compare({{u"S"_qs, {u"a=1"_qs, u"b=1"_qs}}}, {});
    COMPARE_REULT* first = compare->m_results[0].get();
    COMPARE_REULT stranger;
    EXPECT_TRUE(compare->RemoveResult(&stranger));
    EXPECT_EQ(compare->m_results.size(), 2u);
    EXPECT_TRUE(compare->RemoveResult(first));
    ASSERT_EQ(compare->m_results.size(), 1u);
    EXPECT_EQ(compare->m_results[0]->pEntry1->Key(), u"b"_qs);
    auto row = std::make_unique<COMPARE_REULT>();
    COMPARE_REULT* added = row.get();
    compare->AddResult(std::move(row));
    EXPECT_EQ(compare->m_results.back().get(), added);
}

TEST_F(IniCompareTest, ComboNamesListFileOneThenFileTwosNewNamesOnce) {
    struct Combo {
        QStringList items{u"stale"_qs};
        void clear() { items.clear(); }
        void addItem(const QString& text) { items.append(text); }
    } combo;
    LocaleMode mode(true);
    Compare({{u"A"_qs, {}}, {u"ｂ"_qs, {}}}, {{u"Ｂ"_qs, {}}, {u"c"_qs, {}}, {u"a"_qs, {}}});
    compare->m_pIni2->AddSection(u"C"_qs);
    compare->FillSectionCombo(combo);
    EXPECT_EQ(combo.items, (QStringList{u"A"_qs, u"ｂ"_qs, u"c"_qs}));
}

} // namespace
