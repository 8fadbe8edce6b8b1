// Entry rules in the database: their own table beside the five value-list tables, which an
// older database gains without any of its rows changing.
#include "SqliteProbe.h"
#include "TreeDump.h"

#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

const char* const kOlderSchema[] = {
    "CREATE TABLE PROJECT ( PID INTEGER PRIMARY KEY, NAME TEXT, UPDATETIME TEXT)",
    "CREATE TABLE SECTION ( PID INTEGER, SCODE TEXT COLLATE NOCASE, NAME TEXT, UPDATETIME TEXT, "
    "PRIMARY KEY(PID, SCODE))",
    "CREATE TABLE ENTRY ( PID INTEGER, SCODE TEXT COLLATE NOCASE, ECODE TEXT COLLATE NOCASE, "
    "NAME TEXT, UPDATETIME TEXT, PRIMARY KEY(PID, SCODE, ECODE))",
    "CREATE TABLE VALUE ( PID INTEGER, SCODE TEXT COLLATE NOCASE, ECODE TEXT COLLATE NOCASE, "
    "VALUE TEXT, NAME TEXT, DISP INTEGER, UPDATETIME TEXT, PRIMARY KEY(PID, SCODE, ECODE, VALUE))",
    "CREATE TABLE HISTORY ( FILEPATH TEXT PRIMARY KEY COLLATE NOCASE, PID INTEGER, UPDATETIME "
    "TEXT)",
    // Rows as an older version leaves them, odd ones included: an entry whose section row is
    // gone, a NULL name, a history row of a deleted list.
    "INSERT INTO PROJECT VALUES (1, 'ゲーム', '2026-01-02 03:04:05')",
    "INSERT INTO SECTION VALUES (1, 'Video', '画面', '2026-01-02 03:04:05')",
    "INSERT INTO ENTRY VALUES (1, 'Video', 'Quality', NULL, '2026-01-02 03:04:05')",
    "INSERT INTO ENTRY VALUES (1, 'Gone', 'Orphan', 'x', '2026-01-02 03:04:05')",
    "INSERT INTO VALUE VALUES (1, 'Video', 'Quality', 'high', '高', 1, '2026-01-02 03:04:05')",
    "INSERT INTO HISTORY VALUES ('game.ini', 1, '2026-01-02 03:04:05')",
    "INSERT INTO HISTORY VALUES ('old.ini', 0, '2026-01-02 03:04:05')",
};

const char* const kFiveTables[] = {"PROJECT", "SECTION", "ENTRY", "VALUE", "HISTORY"};

// Every row of a table, each column as its type and its stored bytes.
QStringList StoredRows(SqliteProbe& probe, const QString& table) {
    QStringList columns;
    for (const QString& column :
         probe.Column("SELECT name FROM pragma_table_info('" + table + "')"))
        columns << "typeof(" + column + ") || ':' || hex(CAST(" + column + " AS BLOB))";
    return probe.Column("SELECT " + columns.join(" || '|' || ") + " FROM " + table +
                        " ORDER BY rowid");
}

class RuleStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath("Quillet.db");
    }

    // A game list whose entries carry every kind of rule.
    static std::unique_ptr<CProjectData> RuledList() {
        auto project = std::make_unique<CProjectData>(-1, QStringLiteral("ゲーム"));
        project->m_bReportUnknownKeys = true;
        CSectionData* video = project->AppendSection("Video", QString());
        CEntryData* fov = video->AppendEntry("FOV", QString());
        fov->m_rule.m_type = EValueType::Integer;
        fov->m_rule.m_min = 60;
        fov->m_rule.m_max = 120;
        fov->m_rule.m_default = QStringLiteral("90");
        fov->m_rule.m_bRequired = true;
        fov->m_rule.m_strDescription = QStringLiteral("視野角 (度)");
        CEntryData* vsync = video->AppendEntry("VSync", QString());
        vsync->m_rule.m_type = EValueType::Boolean;
        vsync->m_rule.m_default = QString(); // an empty default is a default
        CEntryData* mode = video->AppendEntry("Mode", QString());
        mode->AppendValue("window", QStringLiteral("ウィンドウ"));
        mode->m_rule.m_strDescription = QStringLiteral("表示の仕方");
        video->AppendEntry("Plain", QString());
        return project;
    }

    QTemporaryDir m_dir;
    QString m_path;
};

TEST_F(RuleStoreTest, OlderDatabaseGainsTheRuleTableAndKeepsEveryRowOfTheFiveTables) {
    sqlite3* older = nullptr;
    ASSERT_EQ(sqlite3_open16(m_path.utf16(), &older), SQLITE_OK);
    for (const char* sql : kOlderSchema)
        ASSERT_EQ(sqlite3_exec(older, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close_v2(older);
    std::map<QString, QStringList> before;
    {
        SqliteProbe probe(m_path);
        for (const char* table : kFiveTables)
            before[table] = StoredRows(probe, table);
    }

    {
        CProjectDataBase db(m_path);
        ASSERT_TRUE(db.Open() && db.CreateTables());
        const auto project = db.LoadProjectByFilePath("/games/game.ini");
        ASSERT_TRUE(project);
        EXPECT_EQ(DumpTree(*project), QStringList({"P[ゲーム]", " S[Video][画面]", "  E[Quality][]",
                                                   "   V[high][高]"}));
        EXPECT_EQ(db.LoadNotice(), QString());
    }
    SqliteProbe probe(m_path);
    for (const char* table : kFiveTables)
        EXPECT_EQ(StoredRows(probe, table), before[table]) << table;
    EXPECT_EQ(probe.Int("SELECT COUNT(*) FROM VALUERULE"), 0);
}

TEST_F(RuleStoreTest, RulesRoundTripAndGoWithTheirListOrTheirEntry) {
    CProjectDataBase db(m_path);
    ASSERT_TRUE(db.Open() && db.CreateTables());
    auto project = RuledList();
    ASSERT_TRUE(db.SaveProject(project.get()));
    const QStringList saved = DumpTree(*project);
    EXPECT_EQ(DumpTree(*db.LoadProject(project->m_nPid)), saved);
    SqliteProbe probe(m_path);
    // One row per ruled entry and one for the list's switch; the plain entry has none.
    EXPECT_EQ(probe.Int("SELECT COUNT(*) FROM VALUERULE"), 4);

    // A saved list without rules leaves no rule rows behind, and reads back without rules.
    for (CEntryData* e = project->FirstSection()->FirstEntry(); e; e = e->NextEntry())
        e->m_rule = CEntryRule();
    project->m_bReportUnknownKeys = false;
    ASSERT_TRUE(db.SaveProject(project.get()));
    EXPECT_EQ(probe.Int("SELECT COUNT(*) FROM VALUERULE"), 0);
    EXPECT_FALSE(db.LoadProject(project->m_nPid)->HasRules());

    auto again = RuledList();
    ASSERT_TRUE(db.SaveProject(again.get()));
    ASSERT_TRUE(db.DeleteProject(again->m_nPid));
    EXPECT_EQ(probe.Int("SELECT COUNT(*) FROM VALUERULE"), 0);
}

TEST_F(RuleStoreTest, RuleOfAnUnknownTypeIsLeftOutAndSaidOnceTheListStillLoads) {
    CProjectDataBase db(m_path);
    ASSERT_TRUE(db.Open() && db.CreateTables());
    auto project = RuledList();
    ASSERT_TRUE(db.SaveProject(project.get()));
    {
        SqliteProbe probe(m_path);
        ASSERT_TRUE(probe.Exec("UPDATE VALUERULE SET TYPE = 'colour' WHERE ECODE IN ('FOV', "
                               "'VSync')"));
    }
    const auto loaded = db.LoadProject(project->m_nPid);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(
        db.LoadNotice(),
        QStringLiteral(
            "値リスト「ゲーム」の規則 2 件は、この版の知らない型「colour」のため無視しました"));
    const CEntryData* fov = loaded->FindEntry("Video", "FOV");
    ASSERT_TRUE(fov);
    EXPECT_TRUE(fov->m_rule.IsEmpty());
    EXPECT_EQ(loaded->FindEntry("Video", "Mode")->m_rule.m_strDescription,
              QStringLiteral("表示の仕方"));
    EXPECT_TRUE(loaded->m_bReportUnknownKeys);
    // The next load of a list with nothing unknown says nothing.
    ASSERT_TRUE(db.SaveProject(RuledList().get()));
    ASSERT_TRUE(db.LoadProject(2));
    EXPECT_EQ(db.LoadNotice(), QString());
}

TEST_F(RuleStoreTest, ARuleTableOfAnotherShapeIsRefusedAndNothingIsWritten) {
    {
        sqlite3* foreign = nullptr;
        ASSERT_EQ(sqlite3_open16(m_path.utf16(), &foreign), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(foreign, "CREATE TABLE VALUERULE (ID INTEGER, RULE TEXT)", nullptr,
                               nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close_v2(foreign);
    }
    CProjectDataBase db(m_path);
    ASSERT_TRUE(db.Open());
    EXPECT_FALSE(db.CreateTables());
    EXPECT_TRUE(db.ErrorMessage().contains("VALUERULE"));
    SqliteProbe probe(m_path);
    EXPECT_EQ(probe.Column("SELECT name FROM sqlite_master WHERE type = 'table'"),
              QStringList{"VALUERULE"});
}

} // namespace
