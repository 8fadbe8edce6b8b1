// Lookups, additions, removals and marks of the in-memory model.
#include "ini/IniData.h"
#include "tests/ini/FakeProfile.h"

#include <gtest/gtest.h>

// The model only forward-declares the value-list record it owns; this stand-in lets the test
// see that the model destroys it.
class CProjectData : public CObject {
public:
    explicit CProjectData(bool* destroyed) : m_destroyed(destroyed) {}
    ~CProjectData() override { *m_destroyed = true; }

private:
    bool* m_destroyed;
};

namespace {

class IniModel : public ::testing::Test {
protected:
    void SetUp() override {
        profile.names = {u"General"_qs, u"Ｄｉｓｐｌａｙ"_qs, u"key "_qs};
        profile.sections[u"General"_qs] = {u"Name=x"_qs, u"Size=1"_qs, u"trail =t"_qs};
        QString error;
        ASSERT_TRUE(ini.Load(u"/x.ini"_qs, error));
    }

    CIniSectionData* General() { return ini.m_sections[0].get(); }

    FakeProfile profile;
    CIniData ini{&profile};
};

TEST_F(IniModel, FindSectionTrimsAndIgnoresCase) {
    LocaleMode mode(false);
    EXPECT_EQ(ini.FindSection(u"  general\t"_qs, false), General());
    EXPECT_EQ(ini.FindSection(u" [ GENERAL ] "_qs, true), General());
    // Whatever the outer characters are, they go: a header line with a comment tail does not
    // match, but any two outer characters around the name do.
    EXPECT_EQ(ini.FindSection(u"xGeneraly"_qs, true), General());
    EXPECT_EQ(ini.FindSection(u"[General] ;c"_qs, true), nullptr);
    EXPECT_EQ(ini.FindSection(u"Gen"_qs, false), nullptr);
    // The stored name is compared as it is: "key " is found only with its blank, which the
    // lookup trims away.
    EXPECT_EQ(ini.FindSection(u"key "_qs, false), nullptr);
}

TEST_F(IniModel, FindSectionWithBracketsNeedsThreeCharacters) {
    ini.AddSection(QString());
    ini.AddSection(u"a"_qs);
    EXPECT_EQ(ini.FindSection(u" [] "_qs, true), nullptr);
    EXPECT_EQ(ini.FindSection(u"[a"_qs, true), nullptr);
    EXPECT_EQ(ini.FindSection(u"[a]"_qs, true), ini.m_sections.back().get());
    EXPECT_EQ(ini.FindSection(u"[ ]"_qs, true), ini.m_sections[3].get()); // the empty name
}

TEST_F(IniModel, LookupsFollowTheLocaleModeInForce) {
    {
        LocaleMode mode(false);
        EXPECT_EQ(ini.FindSection(u"ｄｉｓｐｌａｙ"_qs, false), nullptr);
        EXPECT_EQ(ini.FindSection(u"Ｄｉｓｐｌａｙ"_qs, false), ini.m_sections[1].get());
    }
    {
        LocaleMode mode(true);
        EXPECT_EQ(ini.FindSection(u"ｄｉｓｐｌａｙ"_qs, false), ini.m_sections[1].get());
    }
    LocaleMode mode(false);
    EXPECT_EQ(ini.FindSection(u"ｄｉｓｐｌａｙ"_qs, false), nullptr);
}

TEST_F(IniModel, FindEntryFromALineTrimsOnlyTheLookupKey) {
    CIniSectionData* s = General();
    EXPECT_EQ(s->FindEntry(u"  SIZE  = 99"_qs, true), s->m_entries[1].get());
    EXPECT_EQ(s->FindEntry(u"name"_qs, true), nullptr); // no "="
    EXPECT_EQ(s->FindEntry(u"=Name"_qs, true), nullptr);
    EXPECT_EQ(s->FindEntry(u"   =Name"_qs, true), nullptr);
    EXPECT_EQ(s->FindEntry(u"trail=x"_qs, true), nullptr);
    // Without fromLine the text is the key itself, blanks included.
    EXPECT_EQ(s->FindEntry(u"trail"_qs, false), nullptr);
    EXPECT_EQ(s->FindEntry(u"TRAIL "_qs, false), s->m_entries[2].get());
    EXPECT_EQ(s->FindEntry(u"Name=x"_qs, false), nullptr);
}

TEST_F(IniModel, AddEntryMakesAMarkedSectionOnlyWhenThereIsNone) {
    CIniEntryData* added = ini.AddEntry(u"New"_qs, u"k"_qs, u"v"_qs);
    CIniSectionData* section = ini.m_sections.back().get();
    EXPECT_EQ(section->m_name, u"New"_qs);
    EXPECT_TRUE(section->m_isNew);
    EXPECT_TRUE(section->m_isAdded);
    ASSERT_EQ(section->m_entries.size(), 1u);
    EXPECT_EQ(section->m_entries[0].get(), added);
    EXPECT_TRUE(added->m_isNew);
    EXPECT_TRUE(added->m_isAdded);
    EXPECT_FALSE(added->IsChanged());
    EXPECT_TRUE(added->NeedsWrite());

    // An existing section in other letter case takes the entry and stays unmarked.
    CIniEntryData* second = ini.AddEntry(u"GENERAL"_qs, u"Extra"_qs, QString());
    EXPECT_EQ(second->m_pSection, General());
    EXPECT_FALSE(General()->m_isAdded);
    EXPECT_FALSE(General()->m_isNew);
    EXPECT_EQ(ini.m_sections.size(), 4u);

    // AddSection makes an unmarked new section.
    CIniSectionData* plain = ini.AddSection(u"Plain"_qs);
    EXPECT_TRUE(plain->m_isNew);
    EXPECT_FALSE(plain->m_isAdded);

    std::vector<CIniEntryData*> collected;
    ini.CollectAddedEntries(collected);
    EXPECT_EQ(collected, (std::vector<CIniEntryData*>{second, added})); // model order
    ini.ClearAddedMarks();
    collected.clear();
    ini.CollectAddedEntries(collected);
    EXPECT_TRUE(collected.empty());
    EXPECT_FALSE(section->m_isAdded);
    EXPECT_TRUE(section->m_isNew); // only the marks go
}

TEST_F(IniModel, EditingBackToTheSavedTextMakesTheEntryClean) {
    CIniEntryData* e = General()->m_entries[0].get();
    e->SetValue(u"X"_qs);
    EXPECT_TRUE(e->NeedsWrite()); // values compare with case
    e->SetValue(u"x"_qs);
    EXPECT_FALSE(e->NeedsWrite());
}

TEST_F(IniModel, RemovalKeepsLookupsOnTheFirstRemainingMatch) {
    LocaleMode mode(false);
    CIniSectionData* s = General();
    CIniEntryData* dup1 = s->AddEntry(u"size"_qs, u"2"_qs);
    CIniEntryData* dup2 = s->AddEntry(u"SIZE"_qs, u"3"_qs);
    CIniEntryData* original = s->m_entries[1].get();
    EXPECT_EQ(s->FindEntry(u"Size"_qs, false), original);
    original->Remove();
    EXPECT_EQ(s->m_entries.size(), 4u);
    EXPECT_EQ(s->FindEntry(u"Size"_qs, false), dup1);
    dup1->Remove();
    EXPECT_EQ(s->FindEntry(u"Size"_qs, false), dup2);
    dup2->Remove();
    EXPECT_EQ(s->FindEntry(u"Size"_qs, false), nullptr);
    EXPECT_EQ(s->m_entries.size(), 2u);
    EXPECT_EQ(s->m_entries[1]->Key(), u"trail "_qs);

    CIniSectionData* twin = ini.AddSection(u"general"_qs);
    General()->Remove();
    EXPECT_EQ(ini.FindSection(u"GENERAL"_qs, false), twin);
    EXPECT_EQ(ini.m_sections.front()->m_name, u"Ｄｉｓｐｌａｙ"_qs);
    twin->Remove();
    EXPECT_EQ(ini.FindSection(u"general"_qs, false), nullptr);
    EXPECT_EQ(ini.m_sections.size(), 2u);
}

TEST_F(IniModel, ListsChangedDirectlyAreStillSearchedCorrectly) {
    EXPECT_EQ(ini.FindSection(u"Direct"_qs, false), nullptr);
    ini.m_sections.push_back(std::make_unique<CIniSectionData>(&ini, u"Direct"_qs, true));
    EXPECT_EQ(ini.FindSection(u"direct"_qs, false), ini.m_sections.back().get());
    ini.m_sections.erase(ini.m_sections.begin());
    EXPECT_EQ(ini.FindSection(u"General"_qs, false), nullptr);
}

TEST_F(IniModel, DestroyingTheModelDestroysItsValueList) {
    bool destroyed = false;
    {
        CIniData owner;
        owner.SetProject(std::make_unique<CProjectData>(&destroyed));
        EXPECT_NE(owner.m_pProject, nullptr);
    }
    EXPECT_TRUE(destroyed);

    destroyed = false;
    CIniData owner;
    owner.SetProject(std::make_unique<CProjectData>(&destroyed));
    owner.m_pProject.reset(); // what the view does once it has read the list's id
    EXPECT_TRUE(destroyed);
}

} // namespace
