// What the writer asks the profile layer for, and what a failed write leaves behind.
#include "ini/IniData.h"
#include "tests/ini/FakeProfile.h"

#include <gtest/gtest.h>

namespace {

class IniSave : public ::testing::Test {
protected:
    void SetUp() override {
        profile.names = {u"A"_qs, u"B"_qs};
        profile.sections[u"A"_qs] = {u"a1=1"_qs, u"a2=2"_qs};
        profile.sections[u"B"_qs] = {u"b1=1"_qs, u"b2=2"_qs};
        QString error;
        ASSERT_TRUE(ini.Load(u"/dir/file.ini"_qs, error));
    }

    CIniEntryData* Entry(int section, int entry) {
        return ini.m_sections[section]->m_entries[entry].get();
    }

    QStringList Written() const {
        QStringList calls;
        for (const auto& w : profile.writes)
            calls.append(w.section + u'|' + w.key + u'|' + w.value);
        return calls;
    }

    FakeProfile profile;
    CIniData ini{&profile};
};

TEST_F(IniSave, NothingEditedWritesNothing) {
    Entry(0, 1)->SetValue(u"changed"_qs);
    Entry(0, 1)->SetValue(u"2"_qs);
    ini.AddSection(u"Empty"_qs); // a new section without entries is never written
    ini.Save();
    EXPECT_TRUE(profile.writes.isEmpty());
    EXPECT_TRUE(ini.m_sections.back()->m_isNew);
}

TEST_F(IniSave, DirtyEntriesAreWrittenInModelOrderWithTheirTextUnchanged) {
    ini.AddEntry(u"New"_qs, u"n1"_qs, QString());
    ini.AddEntry(u"a"_qs, u"a3"_qs, u" x = y "_qs);
    Entry(1, 1)->SetValue(u"  two=2  "_qs);
    Entry(0, 0)->SetValue(u"one"_qs);
    ini.Save();
    EXPECT_EQ(Written(), (QStringList{u"A|a1|one"_qs, u"A|a3| x = y "_qs, u"B|b2|  two=2  "_qs,
                                      u"New|n1|"_qs}));
    for (const auto& w : profile.writes)
        EXPECT_EQ(w.path, u"/dir/file.ini"_qs);
    EXPECT_FALSE(profile.writes.back().value.isNull()); // an empty value, never a null one

    for (const auto& section : ini.m_sections) {
        EXPECT_FALSE(section->m_isNew);
        for (const auto& e : section->m_entries) {
            EXPECT_FALSE(e->NeedsWrite());
            EXPECT_EQ(e->SavedValue(), e->Value());
        }
    }
    profile.writes.clear();
    ini.Save();
    EXPECT_TRUE(profile.writes.isEmpty());
}

TEST_F(IniSave, AFailedWriteLeavesTheEntryDirtyAndTheWalkGoesOn) {
    CIniEntryData* added = ini.AddEntry(u"New"_qs, u"k"_qs, u"v"_qs);
    Entry(0, 0)->SetValue(u"edited"_qs);
    profile.writeResult = 0;
    EXPECT_FALSE(Entry(0, 0)->Write());
    ini.Save();
    EXPECT_EQ(Written(), (QStringList{u"A|a1|edited"_qs, u"A|a1|edited"_qs, u"New|k|v"_qs}));
    EXPECT_EQ(Entry(0, 0)->Value(), u"edited"_qs);
    EXPECT_EQ(Entry(0, 0)->SavedValue(), u"1"_qs);
    EXPECT_TRUE(added->m_isNew);
    EXPECT_TRUE(added->m_pSection->m_isNew);
    EXPECT_TRUE(added->m_isAdded);

    profile.writeResult = 1;
    EXPECT_TRUE(added->Write());
    EXPECT_FALSE(added->m_isNew);
    EXPECT_FALSE(added->Write()); // now clean
}

} // namespace
