#include "QStringPrinter.h"

#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectRowFolder.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueData.h"

#include <gtest/gtest.h>

namespace {

// Codes of a record's children, in list order, checking the back links on the way.
QStringList ChildCodes(const CBaseData* pParent) {
    QStringList codes;
    const CBaseData* pPrev = nullptr;
    for (const CBaseData* p = pParent->FirstChild(); p; p = p->Next()) {
        EXPECT_EQ(p->m_pPrev, pPrev);
        EXPECT_EQ(p->m_pParent, pParent);
        if (auto* s = dynamic_cast<const CSectionData*>(p))
            codes << s->m_strCode;
        else if (auto* e = dynamic_cast<const CEntryData*>(p))
            codes << e->m_strCode;
        else if (auto* v = dynamic_cast<const CValueData*>(p))
            codes << v->m_strCode;
        pPrev = p;
    }
    return codes;
}

// Counts live records so that a test can see what a removal frees.
int g_nLive = 0;
class CountedValue : public CValueData {
public:
    explicit CountedValue(const QString& code) : CValueData(code, QString()) { ++g_nLive; }
    ~CountedValue() override { --g_nLive; }
};

CEntryData* EntryWithValues(CProjectData& project, const QStringList& values) {
    CEntryData* pEntry = project.AppendSection("S", "")->AppendEntry("E", "");
    for (const QString& v : values)
        pEntry->AppendValue(v, v + "-name");
    return pEntry;
}

} // namespace

TEST(RecordTree, AppendLinksAndGetPidReachesTheRoot) {
    CProjectData project(7, "list");
    CSectionData* pSection = project.AppendSection("S1", "one");
    project.AppendSection("S2", "two");
    CEntryData* pEntry = pSection->AppendEntry("E", "entry");
    CValueData* pValue = pEntry->AppendValue("1", "on");
    EXPECT_EQ(ChildCodes(&project), (QStringList{"S1", "S2"}));
    EXPECT_EQ(pValue->GetPid(), 7);
    EXPECT_EQ(pEntry->GetPid(), 7);
    // A hint that is not the last child must not cut the list.
    project.AppendSection("S3", "", pSection);
    EXPECT_EQ(ChildCodes(&project), (QStringList{"S1", "S2", "S3"}));
}

TEST(RecordTree, InsertBeforeFirstMiddleAndForeignRecord) {
    CProjectData project;
    CEntryData* pEntry = EntryWithValues(project, {"b", "d"});
    CValueData* pB = pEntry->FirstValue();
    pEntry->InsertChildBefore(std::make_unique<CValueData>("a", ""), pB);
    pEntry->InsertChildBefore(std::make_unique<CValueData>("c", ""), pB->NextValue());
    pEntry->InsertChildBefore(std::make_unique<CValueData>("e", ""), nullptr);
    EXPECT_EQ(ChildCodes(pEntry), (QStringList{"a", "b", "c", "d", "e"}));

    CValueData stranger;
    EXPECT_EQ(pEntry->InsertChildBefore(std::make_unique<CValueData>("x", ""), &stranger), nullptr);
    EXPECT_EQ(pEntry->ChildCount(), 5);
}

TEST(RecordTree, RemovingFirstMiddleAndLastRelinksAndFreesOnlyThatRecord) {
    CProjectData project;
    CEntryData* pEntry = project.AppendSection("S", "")->AppendEntry("E", "");
    for (const char* code : {"1", "2", "3", "4", "5"})
        pEntry->AppendChild(std::make_unique<CountedValue>(code));
    ASSERT_EQ(g_nLive, 5);

    CBaseData* pMiddle = pEntry->FirstChild()->Next()->Next();
    EXPECT_TRUE(pEntry->RemoveChild(pMiddle));
    EXPECT_EQ(g_nLive, 4);
    EXPECT_EQ(ChildCodes(pEntry), (QStringList{"1", "2", "4", "5"}));

    EXPECT_TRUE(pEntry->RemoveChild(pEntry->FirstChild()));
    EXPECT_TRUE(pEntry->RemoveChild(pEntry->LastChild()));
    EXPECT_EQ(g_nLive, 2);
    EXPECT_EQ(ChildCodes(pEntry), (QStringList{"2", "4"}));

    CValueData stranger;
    EXPECT_FALSE(pEntry->RemoveChild(&stranger));
    EXPECT_FALSE(pEntry->RemoveChild(nullptr));

    // Deleting the tree frees the rest.
    project.RemoveAllChildren();
    EXPECT_EQ(g_nLive, 0);
    EXPECT_EQ(project.FirstChild(), nullptr);
}

TEST(RecordTree, DetachedRecordKeepsItsSubtreeButNotItsSiblings) {
    CProjectData project(3);
    CSectionData* pA = project.AppendSection("A", "");
    project.AppendSection("B", "");
    pA->AppendEntry("E", "")->AppendValue("v", "");
    std::unique_ptr<CBaseData> pDetached = project.DetachChild(pA);
    ASSERT_EQ(pDetached.get(), pA);
    EXPECT_EQ(pA->m_pNext, nullptr);
    EXPECT_EQ(pA->GetPid(), -1);
    EXPECT_EQ(ChildCodes(pA), QStringList{"E"});
    EXPECT_EQ(ChildCodes(&project), QStringList{"B"});
    EXPECT_EQ(project.FirstChild()->m_pPrev, nullptr);
}

TEST(RecordTree, VeryLongSiblingListIsFreedWithoutDeepRecursion) {
    // One recursive destructor call per sibling would overflow the stack here.
    auto pProject = std::make_unique<CProjectData>();
    CEntryData* pEntry = pProject->AppendSection("S", "")->AppendEntry("E", "");
    CValueData* pLast = nullptr;
    for (int i = 0; i < 1000000; ++i)
        pLast = pEntry->AppendValue(QString(), QString(), pLast);
    EXPECT_EQ(pEntry->ChildCount(), 1000000);
    pProject.reset();
}

TEST(ValueLookups, ChoicesMarkTheInitialValue) {
    CProjectData project;
    CEntryData* pEntry = project.AppendSection("Sec", "")->AppendEntry("Key", "");
    pEntry->AppendValue("1", "オン");
    pEntry->AppendValue("2", "オフ");

    QStringList list{"kept"};
    EXPECT_TRUE(project.GetValueChoices("SEC", "key", "1", list));
    EXPECT_EQ(list, (QStringList{"kept", "1\nオン(初期値)", "2\nオフ"}));

    list.clear();
    EXPECT_FALSE(project.GetValueChoices("sec", "KEY", "3", list));
    EXPECT_EQ(list, (QStringList{"1\nオン", "2\nオフ"}));

    list.clear();
    EXPECT_FALSE(project.GetValueChoices("sec", "missing", "1", list));
    EXPECT_FALSE(project.GetValueChoices("missing", "key", "1", list));
    EXPECT_TRUE(list.isEmpty());

    // An entry without values gives nothing and no initial value.
    project.FirstSection()->AppendEntry("Empty", "");
    EXPECT_FALSE(project.GetValueChoices("sec", "empty", "", list));
    EXPECT_TRUE(list.isEmpty());
}

TEST(ValueLookups, ValueNamesAreCaseSensitiveButCodesAreNot) {
    CProjectData project;
    CEntryData* pEntry = project.AppendSection("Sec", "")->AppendEntry("Key", "");
    pEntry->AppendValue("on", "有効");
    pEntry->AppendValue("", "空");

    QString name = "unchanged";
    EXPECT_FALSE(project.GetValueName("sec", "key", "ON", name));
    EXPECT_EQ(name, "unchanged");
    EXPECT_TRUE(project.GetValueName("SEC", "KEY", "on", name));
    EXPECT_EQ(name, "有効");
    EXPECT_TRUE(project.GetValueName("Sec", "Key", "", name));
    EXPECT_EQ(name, "空");
}

TEST(RowFolding, RowsGroupBySectionAndEntryWithoutCase) {
    CProjectData project(1);
    CProjectRowFolder folder(&project);
    using Row = CProjectRowFolder::Row;
    folder.AddRow(Row{u"S1", u"first", true, u"E1", u"e", true, u"V1", u"one"});
    folder.AddRow(Row{u"s1", u"ignored", true, u"e1", u"ignored", true, u"V2", u"two"});
    folder.AddRow(Row{u"s1", u"", true, u"E2", u"e2", true, u"V2", u"dup"});
    folder.AddRow(Row{u"s1", u"", true, u"E2", u"e2", true, u"V2", u"dup"});
    folder.AddRow(Row{u"S1", u"", true, u"E2", u"e2", true, u"v2", u"other case"});
    folder.AddRow(Row{u"S2", u"bare", false, {}, {}, false, {}, {}});
    folder.AddRow(Row{u"S3", u"", true, u"NoValues", u"", false, {}, {}});

    ASSERT_EQ(ChildCodes(&project), (QStringList{"S1", "S2", "S3"}));
    CSectionData* pS1 = project.FirstSection();
    EXPECT_EQ(pS1->m_strName, "first");
    EXPECT_EQ(ChildCodes(pS1), (QStringList{"E1", "E2"}));
    EXPECT_EQ(ChildCodes(pS1->FirstEntry()), (QStringList{"V1", "V2"}));
    EXPECT_EQ(ChildCodes(pS1->LastEntry()), (QStringList{"V2", "v2"}));
    EXPECT_EQ(pS1->NextSection()->FirstChild(), nullptr);
    EXPECT_EQ(ChildCodes(project.LastSection()), QStringList{"NoValues"});
    EXPECT_EQ(project.LastSection()->FirstEntry()->FirstChild(), nullptr);
}
