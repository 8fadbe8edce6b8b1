// The index's in-order cursor must give, for every order of keys, the record a lookup gives:
// the first of a repeated name, matched without regard to case.
#include "valuelist/ProjectIndex.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/SectionData.h"

#include <gtest/gtest.h>

namespace {

struct CursorRow {
    const char* name;
    std::vector<const char*> keys; // in the order a file would hold them
};

class ProjectIndexCursor : public ::testing::TestWithParam<CursorRow> {};

TEST_P(ProjectIndexCursor, GivesWhatALookupGives) {
    CProjectData project(1, QStringLiteral("list"));
    CSectionData* section = project.AppendSection(QStringLiteral("S"), QString());
    for (const char* key : {"alpha", "Beta", "alpha", "gamma", "ALPHA", "delta"})
        section->AppendEntry(QString::fromLatin1(key), QString());
    const CProjectIndex index(project);
    CProjectIndex::Cursor cursor(index.EntriesOf(u"s"));
    for (const char* key : GetParam().keys) {
        const QString k = QString::fromLatin1(key);
        EXPECT_EQ(cursor.Find(k), index.Find(u"S", k)) << key;
    }
}

const CursorRow kCursorRows[] = {
    {"InTheListsOrder", {"alpha", "Beta", "gamma", "delta"}},
    {"ARepeatedNameAfterItsFirst", {"alpha", "Beta", "alpha", "ALPHA", "gamma"}},
    {"BackwardsAndSkipping", {"delta", "gamma", "alpha", "delta"}},
    {"OtherCase", {"ALPHA", "beta", "GAMMA", "Delta"}},
    {"UnknownKeysBetween", {"alpha", "zeta", "Beta", "", "gamma"}},
};

INSTANTIATE_TEST_SUITE_P(Rows, ProjectIndexCursor, ::testing::ValuesIn(kCursorRows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
