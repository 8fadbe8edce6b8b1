// quillet-cli check against lists with rules: every kind of breach, told apart in text and
// JSON, from a value-list file and from the database.
#include "tests/cli/CliRun.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/SectionData.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

const char kRuledList[] = R"({"format": "quillet-value-list", "version": 2, "name": "game",
  "reportUnknownKeys": true,
  "sections": [{"name": "Video", "entries": [
    {"name": "FOV", "type": "integer", "min": 60, "max": 120, "default": "90", "values": []},
    {"name": "VSync", "type": "boolean", "values": []},
    {"name": "Mode", "values": [{"value": "window"}, {"value": "full"}]},
    {"name": "Scale", "type": "number", "max": 2, "values": []},
    {"name": "Gamma", "required": true, "default": "1.0", "values": []},
    {"name": "Lang", "required": true, "values": []}]}]})";

class CliRuleCheck : public ::testing::Test {
protected:
    QString Write(const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QTemporaryDir dir;
};

TEST_F(CliRuleCheck, EveryKindIsReportedAndToldApart) {
    const QString list = Write("game.qvl.json", kRuledList);
    const QString ini = Write("game.ini", "[Video]\nFOV=130\nVSync=maybe\nMode=tiny\nScale=1e0\n"
                                          "FOV2=1\nlang=ja\n[Audio]\nVolume=3\n");
    const CliResult text = RunCli({"check", "--list", list, ini});
    EXPECT_EQ(text.status, 1) << text.err.toStdString();
    EXPECT_EQ(text.out, QStringLiteral("Video\tFOV\t130\t#range\t60..120\n"
                                       "Video\tVSync\tmaybe\t#type\tboolean\n"
                                       "Video\tMode\ttiny\twindow\tfull\n"
                                       "Video\tFOV2\t1\t#unknown\n"
                                       "Audio\tVolume\t3\t#unknown\n"
                                       "Video\tGamma\t\t#missing\t1.0\n"));

    const CliResult json = RunCli({"check", "--json", "--list", list, ini});
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(json.out,
              QStringLiteral(
                  "[\n"
                  "  {\"section\": \"Video\", \"key\": \"FOV\", \"value\": \"130\", \"problem\": "
                  "\"range\", \"min\": 60, \"max\": 120},\n"
                  "  {\"section\": \"Video\", \"key\": \"VSync\", \"value\": \"maybe\", "
                  "\"problem\": \"type\", \"type\": \"boolean\"},\n"
                  "  {\"section\": \"Video\", \"key\": \"Mode\", \"value\": \"tiny\", \"allowed\": "
                  "[\"window\", \"full\"], \"labels\": [\"\", \"\"]},\n"
                  "  {\"section\": \"Video\", \"key\": \"FOV2\", \"value\": \"1\", \"problem\": "
                  "\"unknown\"},\n"
                  "  {\"section\": \"Audio\", \"key\": \"Volume\", \"value\": \"3\", \"problem\": "
                  "\"unknown\"},\n"
                  "  {\"section\": \"Video\", \"key\": \"Gamma\", \"value\": null, \"problem\": "
                  "\"missing\", \"default\": \"1.0\"}\n"
                  "]\n"));

    const QString good = Write("good.ini", "[Video]\nFOV=60\nVSync=Off\nGamma=2\nLang=en\n");
    EXPECT_EQ(RunCli({"check", "--list", list, good}).status, 0);
}

// The same list through the database: the rules are stored and used by check --db, and a
// rule the database holds under a type this version does not know is named on standard error
// while the rest of the list still checks.
TEST_F(CliRuleCheck, RulesFromTheDatabaseAndAnUnknownTypeIsSaid) {
    const QString dbPath = dir.filePath("values.db");
    const QString ini = Write("app.ini", "[Main]\nLevel=7\nMode=bad\n");
    {
        CProjectDataBase db(dbPath);
        ASSERT_TRUE(db.Open() && db.CreateTables());
        CProjectData project(-1, QStringLiteral("アプリ"));
        CSectionData* main = project.AppendSection("Main", QString());
        CEntryData* level = main->AppendEntry("Level", QString());
        level->m_rule.m_type = EValueType::Integer;
        level->m_rule.m_max = 5;
        CEntryData* mode = main->AppendEntry("Mode", QString());
        mode->m_rule.m_type = EValueType::Integer;
        ASSERT_TRUE(db.SaveProject(&project));
        ASSERT_TRUE(db.SetHistory(CRecordIdFilePath(project.m_nPid, "app.ini")));
    }
    const CliResult r = RunCli({"check", "--db", dbPath, ini});
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    EXPECT_EQ(r.out,
              QStringLiteral("Main\tLevel\t7\t#range\t..5\nMain\tMode\tbad\t#type\tinteger\n"));

    // A newer program stores a type this version does not know on one rule.
    sqlite3* newer = nullptr;
    ASSERT_EQ(sqlite3_open16(dbPath.utf16(), &newer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(newer, "UPDATE VALUERULE SET TYPE = 'date' WHERE ECODE = 'Mode'",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close_v2(newer);
    const CliResult after = RunCli({"check", "--db", dbPath, ini});
    EXPECT_EQ(after.status, 1);
    EXPECT_EQ(after.out, QStringLiteral("Main\tLevel\t7\t#range\t..5\n"));
    EXPECT_EQ(after.err.count(QStringLiteral("この版の知らない型「date」")), 1)
        << after.err.toStdString();
}

} // namespace
