// quillet-cli check: the value list of the desktop program's history against a file's values.
#include "tests/cli/CliRun.h"
#include "tests/common/ChildLock.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/SectionData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using Result = CliResult;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A database with one value list for every file named app.ini: [Main] Mode takes on/off,
// [Main] Level takes 1/2/3, [Main] Free is described without values, [Main] Sound takes ""
// (named なし) and on.
class CliCheck : public ::testing::Test {
protected:
    void SetUp() override {
        dbPath = dir.filePath(QStringLiteral("values.db"));
        CProjectDataBase db(dbPath);
        ASSERT_TRUE(db.Open() && db.CreateTables());
        CProjectData project(-1, QStringLiteral("アプリ"));
        CSectionData* main = project.AppendSection(QStringLiteral("Main"), QStringLiteral("主"));
        CEntryData* mode = main->AppendEntry(QStringLiteral("Mode"), QStringLiteral("モード"));
        mode->AppendValue(QStringLiteral("on"), QStringLiteral("有効"));
        mode->AppendValue(QStringLiteral("off"), QStringLiteral("無効"));
        CEntryData* level = main->AppendEntry(QStringLiteral("Level"), QString());
        for (const char* v : {"1", "2", "3"})
            level->AppendValue(QString::fromLatin1(v), QString());
        main->AppendEntry(QStringLiteral("Free"), QString());
        CEntryData* sound = main->AppendEntry(QStringLiteral("Sound"), QString());
        sound->AppendValue(QString(), QStringLiteral("なし"));
        sound->AppendValue(QStringLiteral("on"), QString());
        ASSERT_TRUE(db.SaveProject(&project));
        ASSERT_TRUE(db.SetHistory(CRecordIdFilePath(project.m_nPid, QStringLiteral("app.ini"))));
    }

    QString WriteIni(const QByteArray& text) {
        const QString path = dir.filePath(QStringLiteral("app.ini"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    QTemporaryDir dir;
    QString dbPath;
};

TEST_F(CliCheck, ListsOnlyDescribedEntriesWithInadmissibleValues) {
    // "ON" differs from "on" by case; Free has no values; Other is not described.
    const QString ini = WriteIni("[main]\r\nmode=ON\r\nlevel=2\r\nFree=x\r\nOther=y\r\n"
                                 "[Main2]\r\nMode=z\r\n");
    const Result r = RunCli({QStringLiteral("check"), QStringLiteral("--db"), dbPath, ini});
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("main\tmode\tON\ton\toff\n"));
}

TEST_F(CliCheck, AllAdmissibleExitsZeroAndJsonListsAllowedValues) {
    const QString good = WriteIni("[Main]\nMode=off\nLevel=3\n");
    EXPECT_EQ(RunCli({QStringLiteral("check"), QStringLiteral("--db"), dbPath, good}).status, 0);

    const QString bad = WriteIni("[Main]\nLevel=\"4\"\n");
    const Result r = RunCli(
        {QStringLiteral("check"), QStringLiteral("--json"), QStringLiteral("--db"), dbPath, bad});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, QStringLiteral("[\n  {\"section\": \"Main\", \"key\": \"Level\", \"value\": "
                                    "\"\\\"4\\\"\", \"allowed\": [\"1\", \"2\", \"3\"], "
                                    "\"labels\": [\"\", \"\", \"\"]}\n]\n"));
}

// An empty admissible value vanished between two tabs, and --json left the names out.
TEST_F(CliCheck, AnEmptyAdmissibleValueShowsAsQuotesAndJsonNamesEachValue) {
    const QString ini = WriteIni("[Main]\nSound=loud\n");
    const Result text = RunCli({QStringLiteral("check"), QStringLiteral("--db"), dbPath, ini});
    EXPECT_EQ(text.out, QStringLiteral("Main\tSound\tloud\t\"\"\ton\n"));
    const Result json = RunCli(
        {QStringLiteral("check"), QStringLiteral("--json"), QStringLiteral("--db"), dbPath, ini});
    EXPECT_TRUE(json.out.contains(
        QStringLiteral("\"allowed\": [\"\", \"on\"], \"labels\": [\"なし\", \"\"]")))
        << json.out.toStdString();
}

TEST_F(CliCheck, TheDatabaseIsNeverCreatedOrChanged) {
    const QString ini = WriteIni("[Main]\nMode=bad\n");
    const QByteArray before = ReadAll(dbPath);
    const QDateTime stamp = QFileInfo(dbPath).lastModified();
    ASSERT_EQ(RunCli({QStringLiteral("check"), QStringLiteral("--db"), dbPath, ini}).status, 1);
    EXPECT_EQ(ReadAll(dbPath), before);
    EXPECT_EQ(QFileInfo(dbPath).lastModified(), stamp);

    // A read-only database file is enough.
    ASSERT_TRUE(QFile::setPermissions(dbPath, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    EXPECT_EQ(RunCli({QStringLiteral("check"), QStringLiteral("--db"), dbPath, ini}).status, 1);

    const QString missing = dir.filePath(QStringLiteral("none.db"));
    const Result r = RunCli({QStringLiteral("check"), QStringLiteral("--db"), missing, ini});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(missing));
    EXPECT_FALSE(QFileInfo::exists(missing));
}

// Without --db, check reads the desktop program's database: Quillet.db of the current folder
// when there is one, else the one in the user's data folder; it never makes either.
TEST_F(CliCheck, DefaultDatabaseIsTheCurrentFoldersElseTheUsersOwn) {
    const QString ini = WriteIni("[Main]\nMode=bad\n");
    const QString cwd = QDir::currentPath();
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    const QString home = dir.filePath(QStringLiteral("data"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home));
    ASSERT_TRUE(QDir().mkpath(home + "/quillet"));
    ASSERT_TRUE(QDir::setCurrent(dir.path()));

    ASSERT_TRUE(QFile::copy(dbPath, dir.filePath(QStringLiteral("Quillet.db"))));
    const Result here = RunCli({QStringLiteral("check"), ini});
    ASSERT_TRUE(
        QFile::rename(dir.filePath(QStringLiteral("Quillet.db")), home + "/quillet/Quillet.db"));
    const Result users = RunCli({QStringLiteral("check"), ini});
    ASSERT_TRUE(QFile::remove(home + "/quillet/Quillet.db"));
    const Result none = RunCli({QStringLiteral("check"), ini});
    QDir::setCurrent(cwd);
    qputenv("XDG_DATA_HOME", dataHome);

    EXPECT_EQ(here.status, 1) << here.err.toStdString();
    EXPECT_EQ(users.status, 1) << users.err.toStdString();
    EXPECT_EQ(none.status, 2);
    EXPECT_TRUE(none.err.contains(home + "/quillet/Quillet.db")) << none.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home + "/quillet/Quillet.db"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Quillet.db"))));
}

// GNU's joined spelling means what the separate one does; an empty one is refused rather than
// quietly meaning the default database.
TEST_F(CliCheck, DbTakesItsPathJoinedOrSeparate) {
    const QString ini = WriteIni("[Main]\nMode=bad\n");
    EXPECT_EQ(RunCli({QStringLiteral("check"), "--db=" + dbPath, ini}).status, 1);
    const Result empty = RunCli({QStringLiteral("check"), QStringLiteral("--db="), ini});
    EXPECT_EQ(empty.status, 2);
    EXPECT_TRUE(empty.err.contains(QStringLiteral("'--db='"))) << empty.err.toStdString();
}

TEST_F(CliCheck, AFileWithoutValueListIsAnError) {
    const QString other = dir.filePath(QStringLiteral("other.ini"));
    QFile file(other);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Main]\nMode=bad\n");
    file.close();
    const Result r = RunCli({QStringLiteral("check"), QStringLiteral("--db"), dbPath, other});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("no value list"))) << r.err.toStdString();
}

// check attaches what the desktop program attaches: the full path's own list beats the one of
// every app.ini, and another program holding the database for a moment is waited for.
TEST_F(CliCheck, TheFullPathsListWinsAndALockIsWaitedFor) {
    const QString ini = WriteIni("[Main]\nMode=special\n");
    {
        CProjectDataBase db(dbPath);
        ASSERT_TRUE(db.Open());
        CProjectData project(-1, QStringLiteral("この一つ"));
        project.AppendSection(QStringLiteral("Main"), QString())
            ->AppendEntry(QStringLiteral("Mode"), QString())
            ->AppendValue(QStringLiteral("special"), QString());
        ASSERT_TRUE(db.SaveProject(&project));
        ASSERT_TRUE(db.SetHistory(CRecordIdFilePath(project.m_nPid, ini)));
    }
    ChildLock lock(dbPath, QStringLiteral("BEGIN EXCLUSIVE"), 0.5);
    if (!lock.Started())
        GTEST_SKIP() << "no sqlite3 shell to hold the lock";
    const Result r = RunCli({QStringLiteral("check"), QStringLiteral("--db"), dbPath, ini});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
}

} // namespace
