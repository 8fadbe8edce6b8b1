#include "SqliteProbe.h"
#include "TreeDump.h"

#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/RecordIdName.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<CProjectData> SmallList(const QString& name) {
    auto pProject = std::make_unique<CProjectData>(-1, name);
    CEntryData* pEntry = pProject->AppendSection("Section", "")->AppendEntry("Key", "");
    pEntry->AppendValue("1", "one");
    pEntry->AppendValue("2", "two");
    return pProject;
}

// Every operation of a database that cannot work reports failure and hands out nothing.
void ExpectEveryOperationFails(CProjectDataBase& db) {
    EXPECT_FALSE(db.CreateTables());
    EXPECT_EQ(db.LoadProject(1), nullptr);
    EXPECT_EQ(db.LoadProjectByFilePath("C:\\a.ini"), nullptr);
    auto pProject = SmallList("x");
    EXPECT_FALSE(db.SaveProject(pProject.get()));
    EXPECT_EQ(pProject->m_nPid, -1);
    EXPECT_FALSE(db.DeleteProject(1));
    std::vector<std::unique_ptr<CRecordIdName>> names;
    std::vector<std::unique_ptr<CRecordIdFilePath>> history;
    EXPECT_FALSE(db.LoadProjectNames(names));
    EXPECT_FALSE(db.LoadProjectList(names, history));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(history.empty());
    const CRecordIdFilePath record(1, "a.ini");
    EXPECT_FALSE(db.InsertHistory(record, false));
    EXPECT_FALSE(db.InsertHistory(record, true));
    EXPECT_FALSE(db.SetHistory(record));
    EXPECT_FALSE(db.DeleteHistory(record));
}

class DataBaseFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath("Quillet.db");
    }

    // A database with one stored list (PID 1) and one history row, closed again.
    void MakeDatabase() {
        CProjectDataBase db(m_path);
        ASSERT_TRUE(db.Open());
        ASSERT_TRUE(db.CreateTables());
        ASSERT_TRUE(db.SaveProject(SmallList("stored").get()));
        ASSERT_TRUE(db.SetHistory(CRecordIdFilePath(1, "C:\\stored.ini")));
    }

    std::unique_ptr<CProjectDataBase> OpenDatabase() {
        auto pDb = std::make_unique<CProjectDataBase>(m_path);
        EXPECT_TRUE(pDb->Open());
        EXPECT_TRUE(pDb->CreateTables());
        return pDb;
    }

    QStringList StoredDump(CProjectDataBase& db) {
        std::unique_ptr<CProjectData> pLoaded = db.LoadProject(1);
        return pLoaded ? DumpTree(*pLoaded) : QStringList{"<none>"};
    }

    const QStringList kStored = {"P[stored]", " S[Section][]", "  E[Key][]", "   V[1][one]",
                                 "   V[2][two]"};

    QTemporaryDir m_dir;
    QString m_path;
};

} // namespace

TEST_F(DataBaseFaultTest, RandomBytesAreNoDatabase) {
    QFile file(m_path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray junk(64 * 1024, '\0');
    QRandomGenerator rng(12345);
    for (char& c : junk)
        c = char(rng.bounded(256));
    file.write(junk);
    file.close();

    CProjectDataBase db(m_path);
    db.Open(); // SQLite reads the header only when the first statement needs it
    ExpectEveryOperationFails(db);
    // The junk is left alone: nothing was written over it.
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), junk);
}

TEST_F(DataBaseFaultTest, TruncatedDatabaseIsRefused) {
    MakeDatabase();
    const qint64 nFull = QFileInfo(m_path).size();
    ASSERT_GT(nFull, 4096);
    for (qint64 nSize : {qint64(50), qint64(100), qint64(2048), nFull - 4096}) {
        QTemporaryDir dir;
        const QString copy = dir.filePath("cut.db");
        ASSERT_TRUE(QFile::copy(m_path, copy));
        ASSERT_TRUE(QFile::resize(copy, nSize));
        CProjectDataBase db(copy);
        db.Open();
        SCOPED_TRACE(nSize);
        ExpectEveryOperationFails(db);
    }
}

TEST_F(DataBaseFaultTest, UnopenableOrUnopenedDatabase) {
    CProjectDataBase missingDir(m_dir.filePath("no/such/dir/Quillet.db"));
    EXPECT_FALSE(missingDir.Open());
    EXPECT_FALSE(missingDir.IsOpen());
    ExpectEveryOperationFails(missingDir);

    CProjectDataBase neverOpened(m_path);
    ExpectEveryOperationFails(neverOpened);
    EXPECT_FALSE(QFile::exists(m_path));
}

TEST_F(DataBaseFaultTest, OpenTwiceReopensTheSameFile) {
    MakeDatabase();
    auto pDb = OpenDatabase();
    ASSERT_TRUE(pDb->Open());
    EXPECT_EQ(StoredDump(*pDb), kStored);
}

TEST_F(DataBaseFaultTest, WriteLockMakesChangesFailUntilItGoes) {
    MakeDatabase();
    auto pDb = OpenDatabase();
    SqliteProbe other(m_path);
    ASSERT_TRUE(other.Exec("BEGIN IMMEDIATE"));

    CProjectData changed(1, "changed");
    changed.AppendSection("Other", "");
    EXPECT_FALSE(pDb->SaveProject(&changed));
    EXPECT_EQ(changed.m_nPid, 1);
    auto pNew = SmallList("new");
    EXPECT_FALSE(pDb->SaveProject(pNew.get()));
    EXPECT_EQ(pNew->m_nPid, -1);
    EXPECT_FALSE(pDb->DeleteProject(1));
    EXPECT_FALSE(pDb->InsertHistory(CRecordIdFilePath(1, "x.ini"), false));
    EXPECT_FALSE(pDb->SetHistory(CRecordIdFilePath(0, "C:\\stored.ini")));
    EXPECT_FALSE(pDb->DeleteHistory(CRecordIdFilePath(0, "C:\\stored.ini")));
    // Reading still works under another writer's reserved lock.
    EXPECT_EQ(StoredDump(*pDb), kStored);

    ASSERT_TRUE(other.Exec("ROLLBACK"));
    EXPECT_EQ(other.Column("SELECT FILEPATH || '=' || PID FROM HISTORY"),
              QStringList{"C:\\stored.ini=1"});
    EXPECT_EQ(other.Int("SELECT COUNT(*) FROM PROJECT"), 1);

    // No transaction was left open: the next changes go through.
    EXPECT_TRUE(pDb->SaveProject(&changed));
    EXPECT_TRUE(pDb->SaveProject(pNew.get()));
    EXPECT_EQ(pNew->m_nPid, 2);
    EXPECT_EQ(DumpTree(*pDb->LoadProject(1)), (QStringList{"P[changed]", " S[Other][]"}));
    EXPECT_TRUE(pDb->DeleteProject(2));
}

TEST_F(DataBaseFaultTest, ExclusiveLockFailsReadsWithoutPartialResults) {
    MakeDatabase();
    auto pDb = OpenDatabase();
    SqliteProbe other(m_path);
    ASSERT_TRUE(other.Exec("BEGIN EXCLUSIVE"));

    EXPECT_EQ(pDb->LoadProject(1), nullptr);
    EXPECT_EQ(pDb->LoadProjectByFilePath("C:\\stored.ini"), nullptr);
    std::vector<std::unique_ptr<CRecordIdName>> names;
    std::vector<std::unique_ptr<CRecordIdFilePath>> history;
    // An unreadable table is a failure, not an empty list.
    EXPECT_FALSE(pDb->LoadProjectNames(names));
    EXPECT_FALSE(pDb->LoadProjectList(names, history));
    EXPECT_TRUE(names.empty());
    // A new list cannot be numbered without reading the taken numbers.
    auto pNew = SmallList("new");
    EXPECT_FALSE(pDb->SaveProject(pNew.get()));
    EXPECT_EQ(pNew->m_nPid, -1);

    ASSERT_TRUE(other.Exec("COMMIT"));
    EXPECT_TRUE(pDb->LoadProjectNames(names));
    EXPECT_EQ(names.size(), 1u);
    EXPECT_EQ(StoredDump(*pDb), kStored);
}

TEST_F(DataBaseFaultTest, CommitBlockedByReaderIsReportedAndRolledBack) {
    // A reader's shared lock lets our statements run but makes COMMIT fail: the operation
    // must say so, and must not leave its transaction open behind it.
    MakeDatabase();
    auto pDb = OpenDatabase();
    SqliteProbe reader(m_path);
    ASSERT_TRUE(reader.BeginRead("SELECT * FROM PROJECT"));

    CProjectData changed(1, "changed");
    changed.AppendSection("Other", "");
    EXPECT_FALSE(pDb->SaveProject(&changed));
    EXPECT_FALSE(pDb->DeleteProject(1));
    EXPECT_FALSE(pDb->SetHistory(CRecordIdFilePath(0, "C:\\stored.ini")));
    EXPECT_FALSE(pDb->InsertHistory(CRecordIdFilePath(0, "y.ini"), false));
    EXPECT_FALSE(pDb->DeleteHistory(CRecordIdFilePath(0, "C:\\stored.ini")));
    reader.EndRead();

    EXPECT_EQ(StoredDump(*pDb), kStored);
    EXPECT_EQ(reader.Column("SELECT FILEPATH || '=' || PID FROM HISTORY"),
              QStringList{"C:\\stored.ini=1"});
    EXPECT_TRUE(pDb->SaveProject(&changed));
    EXPECT_EQ(reader.Column("SELECT NAME FROM PROJECT"), QStringList{"changed"});
}
