#include "SqliteProbe.h"
#include "TreeDump.h"
#include "tests/common/ChildLock.h"

#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/RecordIdName.h"

#include <QElapsedTimer>
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

    // bImpatient: a lock held for good is given up on quickly, so that the failures it
    // causes can be tested without the real wait.
    std::unique_ptr<CProjectDataBase> OpenDatabase(bool bImpatient = true) {
        auto pDb = std::make_unique<CProjectDataBase>(m_path);
        EXPECT_TRUE(pDb->Open());
        EXPECT_TRUE(pDb->CreateTables());
        if (bImpatient)
            pDb->SetBusyTimeout(50);
        return pDb;
    }

    // Saves and deletes a large list: the file keeps the pages, free, until it is compacted.
    static void LeaveFreePages(CProjectDataBase& db) {
        auto pBig = std::make_unique<CProjectData>(-1, "big");
        CEntryData* pEntry = pBig->AppendSection("S", "")->AppendEntry("K", "");
        for (int i = 0; i < 2000; ++i)
            pEntry->AppendValue(QString::number(i), QString(100, u'x'));
        ASSERT_TRUE(db.SaveProject(pBig.get()));
        ASSERT_TRUE(db.DeleteProject(pBig->m_nPid));
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

// Another window (or quillet-cli) holding the file for a moment is waited for: every
// operation started meanwhile goes through once the lock is gone.
TEST_F(DataBaseFaultTest, EveryOperationWaitsForAnotherProgramsLock) {
    MakeDatabase();
    auto pDb = OpenDatabase(false);
    std::vector<std::unique_ptr<CRecordIdName>> names;
    std::vector<std::unique_ptr<CRecordIdFilePath>> history;
    auto pNew = SmallList("new");
    const struct {
        const char* name;
        std::function<bool()> run;
    } operations[] = {
        {"load names", [&] { return pDb->LoadProjectList(names, history); }},
        {"load", [&] { return pDb->LoadProject(1) != nullptr; }},
        {"load by path", [&] { return pDb->LoadProjectByFilePath("C:\\stored.ini") != nullptr; }},
        {"save", [&] { return pDb->SaveProject(pNew.get()); }},
        {"set history", [&] { return pDb->SetHistory(CRecordIdFilePath(2, "C:\\stored.ini")); }},
        {"insert history",
         [&] { return pDb->InsertHistory(CRecordIdFilePath(2, "D:\\new.ini"), false); }},
        {"delete history", [&] { return pDb->DeleteHistory(CRecordIdFilePath(0, "D:\\new.ini")); }},
        {"delete", [&] { return pDb->DeleteProject(2); }},
    };
    for (const auto& operation : operations) {
        SCOPED_TRACE(operation.name);
        ChildLock lock(m_path, "BEGIN EXCLUSIVE", 0.3);
        if (!lock.Started())
            GTEST_SKIP() << "no sqlite3 shell to hold the lock";
        EXPECT_TRUE(operation.run());
    }
    EXPECT_EQ(StoredDump(*pDb), kStored);
}

// A window waits only a moment for another program's lock before it asks the user: each
// "retry" waits once more, and a "cancel" fails the operation as the long wait would.
TEST_F(DataBaseFaultTest, TheWindowsThreadAsksInsteadOfWaitingLong) {
    MakeDatabase();
    auto pDb = OpenDatabase(false);
    SqliteProbe other(m_path);
    struct Case {
        const char* name;
        int retries; // answered "retry" this often, then "cancel"
        bool letGo;  // the other program lets go at the last retry
        int questions;
        bool loaded;
    };
    for (const Case& c : {Case{"cancelled", 1, false, 2, false},
                          Case{"the lock goes while retrying", 2, true, 2, true}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(other.Exec("BEGIN EXCLUSIVE"));
        int asked = 0;
        CDataBase::SetBusyQuestion([&] {
            ++asked;
            if (c.letGo && asked == c.retries) {
                EXPECT_TRUE(other.Exec("COMMIT"));
            }
            return asked <= c.retries;
        });
        const bool loaded = pDb->LoadProject(1) != nullptr;
        CDataBase::SetBusyQuestion({});
        if (!c.letGo) {
            ASSERT_TRUE(other.Exec("COMMIT"));
        }
        EXPECT_EQ(asked, c.questions);
        EXPECT_EQ(loaded, c.loaded);
    }
}

// Compacting on exit locks the whole file: while another program uses it, the exit leaves
// it alone at once instead of waiting for it (or making it wait).
TEST_F(DataBaseFaultTest, ExitCompactsOnlyWhenNobodyElseHoldsTheFile) {
    MakeDatabase();
    {
        auto pDb = OpenDatabase(false);
        LeaveFreePages(*pDb);
        ChildLock lock(m_path, "BEGIN; SELECT COUNT(*) FROM PROJECT", 2);
        if (!lock.Started())
            GTEST_SKIP() << "no sqlite3 shell to hold the lock";
        QElapsedTimer timer;
        timer.start();
        pDb.reset();
        EXPECT_LT(timer.elapsed(), 1500) << "the exit waited for the other program";
    }
    SqliteProbe probe(m_path);
    EXPECT_GT(probe.Int("PRAGMA freelist_count"), 0);
    EXPECT_EQ(StoredDump(*OpenDatabase()), kStored);
}

// A file of somebody else's whose tables bear our names: refused, said why, not extended.
TEST_F(DataBaseFaultTest, ForeignTablesOfOurNamesAreRefusedAndLeftAsTheyAre) {
    {
        QFile empty(m_path); // an empty file is an empty database
        ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    }
    {
        SqliteProbe other(m_path);
        ASSERT_TRUE(other.Exec("CREATE TABLE HISTORY (ID INTEGER PRIMARY KEY, URL TEXT)"));
        ASSERT_TRUE(other.Exec("INSERT INTO HISTORY (URL) VALUES ('https://example.org/')"));
    }
    QFile file(m_path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    CProjectDataBase db(m_path);
    ASSERT_TRUE(db.Open());
    EXPECT_FALSE(db.CreateTables());
    EXPECT_TRUE(db.ErrorMessage().contains("HISTORY")) << db.ErrorMessage().toStdString();
    db.Close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}
