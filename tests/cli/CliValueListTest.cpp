// quillet-cli valuelist and check --list: value lists carried between databases as files.
#include "tests/cli/CliRun.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/SectionData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A database "source.db" holding "アプリ" ([Main] Mode on/off, Level 1..3, Free without values,
// [空] without entries), attached to every app.ini, and two lists both named "dup".
class CliValueList : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        source = dir.filePath("source.db");
        CProjectDataBase db(source);
        ASSERT_TRUE(db.Open() && db.CreateTables());
        CProjectData app(-1, QStringLiteral("アプリ"));
        CSectionData* main = app.AppendSection("Main", QString());
        CEntryData* mode = main->AppendEntry("Mode", QString());
        mode->AppendValue("on", QStringLiteral("有効"));
        mode->AppendValue("off", QString());
        CEntryData* level = main->AppendEntry("Level", QString());
        for (const char* v : {"1", "2", "3"})
            level->AppendValue(v, QString());
        main->AppendEntry("Free", QString());
        app.AppendSection(QStringLiteral("空"), QString());
        ASSERT_TRUE(db.SaveProject(&app));
        appPid = app.m_nPid;
        ASSERT_TRUE(db.SetHistory(CRecordIdFilePath(appPid, "app.ini")));
        for (int i = 0; i < 2; ++i) {
            CProjectData dup(-1, "dup");
            ASSERT_TRUE(db.SaveProject(&dup));
        }
    }

    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        return path;
    }

    QTemporaryDir dir;
    QString source;
    int appPid = 0;
};

TEST_F(CliValueList, ExportImportExportComesBackWholeWithItsFiles) {
    const QString file = dir.filePath("app.qvl.json");
    const CliResult exported =
        RunCli({"valuelist", "export", "--db", source, QStringLiteral("アプリ"), "-o", file});
    ASSERT_EQ(exported.status, 0) << exported.err.toStdString();

    const QString ini = Write("sub.ini", "[Main]\n");
    const QString target = dir.filePath("new/target.db"); // created, folder apart
    ASSERT_TRUE(QDir(dir.path()).mkdir("new"));
    const CliResult imported = RunCli(
        {"valuelist", "import", "--db", target, file, "--attach", ini, "--attach-name", "app.ini"});
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_EQ(imported.out, "1\n");

    const CliResult again = RunCli({"valuelist", "export", "--db", target, "--pid", "1"});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out.toUtf8(), ReadAll(file));
    const CliResult listed = RunCli({"valuelist", "list", "--db", target});
    EXPECT_EQ(listed.out,
              QStringLiteral("1\tアプリ\t%1\tapp.ini\n").arg(QDir::toNativeSeparators(ini)));
    const CliResult json = RunCli({"valuelist", "list", "--json", "--db", target});
    EXPECT_EQ(json.out,
              QStringLiteral(
                  "[\n  {\"pid\": 1, \"name\": \"アプリ\", \"files\": [\"%1\", \"app.ini\"]}\n]\n")
                  .arg(ini));
}

TEST_F(CliValueList, ReplaceKeepsThePidAndTheAttachedFiles) {
    const QString file =
        Write("app.qvl.json", "{\"format\": \"quillet-value-list\", \"version\": 1, "
                              "\"name\": \"アプリ\", \"sections\": [{\"name\": "
                              "\"New\", \"entries\": []}]}");
    const CliResult replaced = RunCli({"valuelist", "import", "--db", source, file, "--replace"});
    ASSERT_EQ(replaced.status, 0) << replaced.err.toStdString();
    EXPECT_EQ(replaced.out, QStringLiteral("%1\n").arg(appPid));
    const CliResult listed = RunCli({"valuelist", "list", "--db", source});
    EXPECT_TRUE(listed.out.contains(QStringLiteral("%1\tアプリ\tapp.ini\n").arg(appPid)));
    CProjectDataBase db(source);
    ASSERT_TRUE(db.OpenReadOnly());
    const auto project = db.LoadProject(appPid);
    ASSERT_TRUE(project && project->FirstSection());
    EXPECT_EQ(project->FirstSection()->m_strCode, "New");
    EXPECT_EQ(project->FirstSection()->NextSection(), nullptr);
}

struct Refused {
    const char* name;
    QStringList extra; // after "valuelist import --db DB"
    const char* err;
};

// A failing case is named by its row, not by its bytes.
void PrintTo(const Refused& c, std::ostream* os) {
    *os << c.name;
}

class CliValueListRefusal : public CliValueList, public ::testing::WithParamInterface<Refused> {};

// Every refusal exits 2 with its message and leaves the database's bytes as they were.
TEST_P(CliValueListRefusal, LeavesTheDatabaseUntouched) {
    Write("good.qvl.json", "{\"format\": \"quillet-value-list\", \"version\": 1, \"name\": "
                           "\"dup\", \"sections\": []}");
    Write("solo.qvl.json", "{\"format\": \"quillet-value-list\", \"version\": 1, \"name\": "
                           "\"solo\", \"sections\": []}");
    Write("broken.qvl.json", "{\"format\": \"quillet-value-list\",\n\"version\": 1,,}");
    const QByteArray before = ReadAll(source);
    QStringList args{"valuelist", "import", "--db", source};
    for (const QString& arg : GetParam().extra)
        args << (arg.endsWith(".json") ? dir.filePath(arg) : arg);
    const CliResult result = RunCli(args);
    EXPECT_EQ(result.status, 2);
    EXPECT_TRUE(result.err.contains(QString::fromUtf8(GetParam().err))) << result.err.toStdString();
    EXPECT_EQ(result.out, QString());
    EXPECT_EQ(ReadAll(source), before);
}

INSTANTIATE_TEST_SUITE_P(
    , CliValueListRefusal,
    ::testing::Values(
        Refused{"BrokenFile", {"broken.qvl.json"}, "JSON として読めません: 2 行 14 列"},
        Refused{"MissingFile", {"none.qvl.json"}, "ファイルがありません: "},
        Refused{"ReplaceWithoutSuchList",
                {"solo.qvl.json", "--replace"},
                "no value list named solo in "},
        Refused{"ReplaceOfSharedName", {"good.qvl.json", "--replace"}, "PIDs 2, 3"},
        Refused{"NameTakenWithoutReplace",
                {"good.qvl.json"},
                "quillet-cli: a value list named dup is already in "},
        Refused{"NewNameTakenInAnotherCase",
                {"solo.qvl.json", "--name", "DUP"},
                "--replace replaces it, --name NEW imports this one under another name"},
        Refused{"EmptyNewName", {"solo.qvl.json", "--name", " "}, "--name takes a name"},
        Refused{"AttachMissingFile",
                {"good.qvl.json", "--attach", "nowhere.ini"},
                "no such file: nowhere.ini"},
        Refused{"AttachNameWithFolder",
                {"good.qvl.json", "--attach-name", "a/app.ini"},
                "--attach-name takes a bare file name: a/app.ini"}),
    [](const ::testing::TestParamInfo<Refused>& info) { return std::string(info.param.name); });

TEST_F(CliValueList, ImportUnderANewNameStoresASecondListBesideTheFirst) {
    const QString file = dir.filePath("app.qvl.json");
    ASSERT_EQ(RunCli({"valuelist", "export", "--db", source, "--pid", QString::number(appPid), "-o",
                      file})
                  .status,
              0);
    const CliResult imported =
        RunCli({"valuelist", "import", "--db", source, file, "--name", QStringLiteral(" 複製 ")});
    ASSERT_EQ(imported.status, 0) << imported.err.toStdString();
    CProjectDataBase db(source);
    ASSERT_TRUE(db.OpenReadOnly());
    const auto copy = db.LoadProject(imported.out.trimmed().toInt());
    ASSERT_TRUE(copy && copy->FirstSection());
    EXPECT_EQ(copy->m_strName, QStringLiteral("複製"));
    EXPECT_EQ(copy->FirstSection()->m_strCode, "Main");
}

TEST_F(CliValueList, ExportOfASharedNameListsThePids) {
    const CliResult result = RunCli({"valuelist", "export", "--db", source, "dup"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "quillet-cli: several value lists are named dup: PIDs 2, 3\n");
    EXPECT_EQ(result.out, QString());
}

// check --list against the exported file says what check says through the database.
TEST_F(CliValueList, CheckWithListFileAgreesWithCheckThroughTheDatabase) {
    const QString list = dir.filePath("app.qvl.json");
    ASSERT_EQ(RunCli({"valuelist", "export", "--db", source, "--pid", QString::number(appPid), "-o",
                      list})
                  .status,
              0);
    QDir(dir.path()).mkdir("a");
    QDir(dir.path()).mkdir("b");
    const QString bad = Write("a/app.ini", "[main]\nmode=ON\nlevel=4\nFree=x\nOther=1\n");
    const QString good = Write("b/app.ini", "[Main]\nMode=off\nLevel=2\n");
    for (const QString& ini : {bad, good}) {
        for (const bool json : {false, true}) {
            QStringList options = json ? QStringList{"--json"} : QStringList{};
            const CliResult viaDb =
                RunCli(QStringList{"check"} + options + QStringList{"--db", source, ini});
            const CliResult viaFile =
                RunCli(QStringList{"check"} + options + QStringList{"--list", list, ini});
            EXPECT_EQ(viaFile.status, viaDb.status) << ini.toStdString();
            EXPECT_EQ(viaFile.out, viaDb.out);
        }
    }
    const CliResult both = RunCli({"check", "--list", list, bad, good, dir.filePath("gone.ini")});
    EXPECT_EQ(both.status, 2);
    EXPECT_EQ(both.out, bad + "\tmain\tmode\tON\ton\toff\n" + bad + "\tmain\tlevel\t4\t1\t2\t3\n");
}

// The manual page's own example: a database in a folder that does not exist yet.
TEST_F(CliValueList, ImportMakesTheFoldersOfItsDatabase) {
    const QString file = dir.filePath("app.qvl.json");
    ASSERT_EQ(RunCli({"valuelist", "export", "--db=" + source, "--pid", QString::number(appPid),
                      "-o", file})
                  .status,
              0);
    const QString target = dir.filePath("share/quillet/lists.db");
    const CliResult imported = RunCli({"valuelist", "import", "--db=" + target, file});
    EXPECT_EQ(imported.status, 0) << imported.err.toStdString();
    EXPECT_TRUE(
        RunCli({"valuelist", "list", "--db", target}).out.contains(QStringLiteral("アプリ")));
}

TEST_F(CliValueList, EveryCommandDescribesItself) {
    for (const QStringList& args :
         {QStringList{"valuelist", "--help"}, QStringList{"valuelist", "list", "--help"},
          QStringList{"valuelist", "export", "--help"},
          QStringList{"valuelist", "import", "--help"}}) {
        const CliResult result = RunCli(args);
        EXPECT_EQ(result.status, 0);
        EXPECT_TRUE(result.out.startsWith("usage: quillet-cli valuelist " +
                                          (args[1] == "--help" ? QString("list") : args[1])))
            << result.out.toStdString();
    }
    EXPECT_TRUE(RunCli({"check", "--help"}).out.contains("--list LIST.qvl.json FILE..."));
}

} // namespace

// A file that is no database, or no longer a whole one, is reported as such, not taken for a
// database without the list asked for.
TEST_F(CliValueList, BrokenDatabasesSayWhyTheyCannotBeRead) {
    QByteArray truncated = ReadAll(source);
    truncated.truncate(1000);
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* reason; // SQLite's
    };
    for (const Case& c : {Case{"random bytes", QByteArray(8192, '\x5A'), "not a database"},
                          Case{"truncated", truncated, "malformed"}}) {
        const char* name = c.name;
        const QByteArray& bytes = c.bytes;
        const QString db = Write("broken.db", bytes);
        for (const QStringList& args :
             {QStringList{"valuelist", "list", "--db", db},
              QStringList{"valuelist", "export", "--db", db, "--pid", "1"},
              QStringList{"valuelist", "export", "--db", db, "dup"}}) {
            const CliResult r = RunCli(args);
            EXPECT_EQ(r.status, 2) << name;
            EXPECT_TRUE(r.err.contains(c.reason)) << name << ": " << r.err.toStdString();
        }
    }
}
