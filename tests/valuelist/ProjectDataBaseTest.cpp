#include "SqliteProbe.h"
#include "TreeDump.h"

#include "platform/TextUtil.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/RecordIdName.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ProjectDataBaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_path = m_dir.filePath("Quillet.db");
        m_pDb = std::make_unique<CProjectDataBase>(m_path);
        ASSERT_TRUE(m_pDb->Open());
        ASSERT_TRUE(m_pDb->CreateTables());
    }

    // Sections, entries and values deliberately out of code order: the load gives them back in
    // the order they were stored.
    static std::unique_ptr<CProjectData> Sample(const QString& name = "Sample") {
        auto pProject = std::make_unique<CProjectData>(-1, name);
        CSectionData* pB = pProject->AppendSection("Beta", "ベータ");
        CEntryData* pMode = pB->AppendEntry("Mode", "モード");
        pMode->AppendValue("z", "last letter");
        pMode->AppendValue("a", "first letter");
        pMode->AppendValue("A", "capital");
        pB->AppendEntry("Bare", "値なし");
        pProject->AppendSection("alpha", "アルファ")
            ->AppendEntry("Key", "キー")
            ->AppendValue("1", "one");
        pProject->AppendSection("Empty", "空セクション");
        return pProject;
    }

    static QStringList SampleDump(const QString& name = "Sample") {
        return {"P[" + name + "]",      " S[Beta][ベータ]",       "  E[Mode][モード]",
                "   V[z][last letter]", "   V[a][first letter]",  "   V[A][capital]",
                "  E[Bare][値なし]",    " S[alpha][アルファ]",    "  E[Key][キー]",
                "   V[1][one]",         " S[Empty][空セクション]"};
    }

    int SavedPid(std::unique_ptr<CProjectData> pProject) {
        EXPECT_TRUE(m_pDb->SaveProject(pProject.get()));
        return pProject->m_nPid;
    }

    QTemporaryDir m_dir;
    QString m_path;
    std::unique_ptr<CProjectDataBase> m_pDb;
};

const QStringList kSchema = {
    "CREATE TABLE PROJECT ( PID INTEGER PRIMARY KEY, NAME TEXT, UPDATETIME TEXT)",
    "CREATE TABLE SECTION ( PID INTEGER, SCODE TEXT COLLATE NOCASE, NAME TEXT, UPDATETIME TEXT, "
    "PRIMARY KEY(PID, SCODE))",
    "CREATE TABLE ENTRY ( PID INTEGER, SCODE TEXT COLLATE NOCASE, ECODE TEXT COLLATE NOCASE, "
    "NAME TEXT, UPDATETIME TEXT, PRIMARY KEY(PID, SCODE, ECODE))",
    "CREATE TABLE VALUE ( PID INTEGER, SCODE TEXT COLLATE NOCASE, ECODE TEXT COLLATE NOCASE, "
    "VALUE TEXT, NAME TEXT, DISP INTEGER, UPDATETIME TEXT, PRIMARY KEY(PID, SCODE, ECODE, VALUE))",
    "CREATE TABLE HISTORY ( FILEPATH TEXT PRIMARY KEY COLLATE NOCASE, PID INTEGER, UPDATETIME "
    "TEXT)",
    "CREATE TABLE VALUERULE ( PID INTEGER, SCODE TEXT COLLATE NOCASE, ECODE TEXT COLLATE NOCASE, "
    "TYPE TEXT, MINVALUE REAL, MAXVALUE REAL, DEFAULTVALUE TEXT, REQUIRED INTEGER, DESCRIPTION "
    "TEXT, REPORTUNKNOWN INTEGER, UPDATETIME TEXT, PRIMARY KEY(PID, SCODE, ECODE))",
};

} // namespace

TEST_F(ProjectDataBaseTest, FileIsPlainUtf16SqliteWithTheFiveTablesAndTheRuleTable) {
    // SQLite keeps a CREATE statement as written, minus "IF NOT EXISTS".
    ASSERT_TRUE(m_pDb->CreateTables()); // a second run over existing tables is harmless
    SqliteProbe probe(m_path);
    EXPECT_EQ(probe.Column("SELECT sql FROM sqlite_master WHERE type = 'table' ORDER BY rowid"),
              kSchema);
    EXPECT_EQ(probe.Column("PRAGMA encoding"), QStringList{"UTF-16le"});

    const QString shell = QStandardPaths::findExecutable("sqlite3");
    if (shell.isEmpty())
        GTEST_SKIP() << "no sqlite3 shell installed";
    ASSERT_TRUE(m_pDb->SaveProject(Sample("日本語の名前").get()));
    QProcess process;
    process.start(shell, {m_path, "SELECT NAME FROM PROJECT; PRAGMA encoding;"});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()), "日本語の名前\nUTF-16le\n");
    process.start(shell, {m_path, ".schema"});
    ASSERT_TRUE(process.waitForFinished(10000));
    const QString schema = QString::fromUtf8(process.readAllStandardOutput());
    for (const QString& create : kSchema)
        EXPECT_TRUE(schema.contains(create + ";")) << create.toStdString();
}

TEST_F(ProjectDataBaseTest, SaveAndLoadRoundTripInStoredOrder) {
    const int nPid = SavedPid(Sample());
    EXPECT_EQ(nPid, 1);
    std::unique_ptr<CProjectData> pLoaded = m_pDb->LoadProject(nPid);
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_EQ(pLoaded->m_nPid, 1);
    EXPECT_EQ(DumpTree(*pLoaded), SampleDump());
    EXPECT_EQ(pLoaded->FindEntry("beta", "mode")->FirstValue()->GetPid(), 1);

    SqliteProbe probe(m_path);
    EXPECT_EQ(probe.Column("SELECT VALUE || ':' || DISP FROM VALUE WHERE ECODE = 'Mode' "
                           "ORDER BY DISP"),
              (QStringList{"z:1", "a:2", "A:3"}));
    // Every row carries the time of its save as local "YYYY-MM-DD HH:MM:SS".
    const QRegularExpression stamp("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$");
    for (const char* table : {"PROJECT", "SECTION", "ENTRY", "VALUE"})
        for (const QString& time : probe.Column(QString("SELECT UPDATETIME FROM ") + table))
            EXPECT_TRUE(stamp.match(time).hasMatch()) << table << " " << time.toStdString();
}

TEST_F(ProjectDataBaseTest, ResavingReplacesNameAndWholeContent) {
    const int nPid = SavedPid(Sample());
    const int nOther = SavedPid(Sample("Other"));
    ASSERT_EQ(nOther, 2);

    CProjectData changed(nPid, "Renamed");
    CEntryData* pEntry = changed.AppendSection("New", "")->AppendEntry("K", "");
    pEntry->AppendValue("2", "two");
    pEntry->AppendValue("1", "one");
    ASSERT_TRUE(m_pDb->SaveProject(&changed));
    EXPECT_EQ(changed.m_nPid, nPid);

    EXPECT_EQ(DumpTree(*m_pDb->LoadProject(nPid)),
              (QStringList{"P[Renamed]", " S[New][]", "  E[K][]", "   V[2][two]", "   V[1][one]"}));
    EXPECT_EQ(DumpTree(*m_pDb->LoadProject(nOther)), SampleDump("Other"));

    // A list emptied of everything keeps its name.
    changed.RemoveAllChildren();
    ASSERT_TRUE(m_pDb->SaveProject(&changed));
    EXPECT_EQ(DumpTree(*m_pDb->LoadProject(nPid)), QStringList{"P[Renamed]"});
    SqliteProbe probe(m_path);
    EXPECT_EQ(probe.Int("SELECT COUNT(*) FROM VALUE WHERE PID = 1"), 0);
}

TEST_F(ProjectDataBaseTest, PidIsTheSmallestFreeNumber) {
    SqliteProbe probe(m_path);
    EXPECT_EQ(SavedPid(Sample()), 1);
    ASSERT_TRUE(probe.Exec("DELETE FROM PROJECT; INSERT INTO PROJECT (PID) VALUES (1), (2), (4)"));
    EXPECT_EQ(SavedPid(Sample()), 3);
    ASSERT_TRUE(probe.Exec("DELETE FROM PROJECT; INSERT INTO PROJECT (PID) VALUES (2), (3)"));
    EXPECT_EQ(SavedPid(Sample()), 1);
    EXPECT_EQ(SavedPid(Sample()), 4);
    // Rows at 0 or below, which only another program could have stored, are no reason to
    // hand out a number below 1.
    ASSERT_TRUE(probe.Exec("DELETE FROM PROJECT; INSERT INTO PROJECT (PID) VALUES (-5), (0), (2)"));
    EXPECT_EQ(SavedPid(Sample()), 1);
    EXPECT_EQ(SavedPid(Sample()), 3);
}

TEST_F(ProjectDataBaseTest, TextRoundTripsExactly) {
    const QString longName(10000, QChar(u'名'));
    const QString emoji = "😀🎌👨‍👩‍👧"; // surrogate pairs and joiners
    const QString bom = "bom" + QString(QChar(0xFEFF)) + QChar(0xFFFE); // harmless inside
    auto pProject = std::make_unique<CProjectData>(-1, longName);
    CSectionData* pSection = pProject->AppendSection(emoji, "");
    CEntryData* pEntry = pSection->AppendEntry("", longName);
    pEntry->AppendValue("", "");
    pEntry->AppendValue(bom, emoji + "日本語");
    pEntry->AppendValue(longName, " 空白 ");
    pProject->AppendSection(QString(), "名前なし")->AppendEntry("キー", emoji);
    const QStringList expected = DumpTree(*pProject);

    const int nPid = SavedPid(std::move(pProject));
    std::unique_ptr<CProjectData> pLoaded = m_pDb->LoadProject(nPid);
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_EQ(DumpTree(*pLoaded), expected);
    EXPECT_EQ(pLoaded->m_strName, longName);

    std::vector<std::unique_ptr<CRecordIdName>> names;
    ASSERT_TRUE(m_pDb->LoadProjectNames(names));
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0]->m_strName, longName);

    ASSERT_TRUE(m_pDb->SetHistory(CRecordIdFilePath(nPid, "C:\\データ\\" + emoji + ".ini")));
    EXPECT_NE(m_pDb->LoadProjectByFilePath("C:\\データ\\" + emoji + ".ini"), nullptr);
}

TEST_F(ProjectDataBaseTest, TextsSqliteWouldTakeForByteOrderMarksAreRefused) {
    // SQLite drops a leading U+FEFF from UTF-16 input and byte-swaps a text that begins with
    // U+FFFE: storing either would silently change it.
    const int nPid = SavedPid(Sample());
    for (char16_t mark : {char16_t(0xFEFF), char16_t(0xFFFE)}) {
        const QString text = QString(QChar(mark)) + "Aあ";
        CProjectData changed(nPid, "changed");
        changed.AppendSection("S", "")->AppendEntry("E", "")->AppendValue("v", text);
        EXPECT_FALSE(m_pDb->SaveProject(&changed));
        CProjectData named(-1, text);
        EXPECT_FALSE(m_pDb->SaveProject(&named));
        EXPECT_EQ(named.m_nPid, -1);
        EXPECT_FALSE(m_pDb->SetHistory(CRecordIdFilePath(nPid, text)));
        EXPECT_EQ(m_pDb->LoadProjectByFilePath(text), nullptr);
    }
    EXPECT_EQ(DumpTree(*m_pDb->LoadProject(nPid)), SampleDump());
    std::vector<std::unique_ptr<CRecordIdName>> names;
    std::vector<std::unique_ptr<CRecordIdFilePath>> history;
    ASSERT_TRUE(m_pDb->LoadProjectList(names, history));
    EXPECT_EQ(names.size(), 1u);
    EXPECT_TRUE(history.empty());
}

TEST_F(ProjectDataBaseTest, KeysTheDatabaseKeepsApartStayApart) {
    // SQLite's NOCASE folds ASCII only, so fullwidth Ａ and ａ are two sections to it. With
    // the Japanese locale on they are one name to the editor, but loading must not merge them.
    Text::SetJapaneseLocale(true);
    auto pProject = std::make_unique<CProjectData>(-1, "wide");
    pProject->AppendSection("Ａ", "upper")->AppendEntry("E", "")->AppendValue("1", "");
    pProject->AppendSection("ａ", "lower")->AppendEntry("E", "")->AppendValue("2", "");
    const int nPid = SavedPid(std::move(pProject));
    EXPECT_EQ(DumpTree(*m_pDb->LoadProject(nPid)),
              (QStringList{"P[wide]", " S[Ａ][upper]", "  E[E][]", "   V[1][]", " S[ａ][lower]",
                           "  E[E][]", "   V[2][]"}));
}

TEST_F(ProjectDataBaseTest, DuplicateKeysFailAndKeepThePreviousContent) {
    const int nPid = SavedPid(Sample());
    const auto expectIntact = [&] {
        std::unique_ptr<CProjectData> pLoaded = m_pDb->LoadProject(nPid);
        ASSERT_NE(pLoaded, nullptr);
        EXPECT_EQ(DumpTree(*pLoaded), SampleDump());
    };

    CProjectData sections(nPid, "changed");
    sections.AppendSection("Dup", "");
    sections.AppendSection("dUP", "");
    EXPECT_FALSE(m_pDb->SaveProject(&sections));
    expectIntact();

    CProjectData entries(nPid, "changed");
    CSectionData* pSection = entries.AppendSection("S", "");
    pSection->AppendEntry("Key", "");
    pSection->AppendEntry("KEY", "");
    EXPECT_FALSE(m_pDb->SaveProject(&entries));
    expectIntact();

    CProjectData values(nPid, "changed");
    CEntryData* pEntry = values.AppendSection("S", "")->AppendEntry("E", "");
    pEntry->AppendValue("on", "");
    pEntry->AppendValue("ON", ""); // a different value: allowed
    pEntry->AppendValue("on", "again");
    EXPECT_FALSE(m_pDb->SaveProject(&values));
    expectIntact();

    // A new list that fails gets no PID, and the next save still finds the number free.
    CProjectData fresh(-1, "fresh");
    fresh.AppendSection("x", "");
    fresh.AppendSection("X", "");
    EXPECT_FALSE(m_pDb->SaveProject(&fresh));
    EXPECT_EQ(fresh.m_nPid, -1);
    fresh.RemoveChild(fresh.LastChild());
    EXPECT_TRUE(m_pDb->SaveProject(&fresh));
    EXPECT_EQ(fresh.m_nPid, 2);
}

TEST_F(ProjectDataBaseTest, MalformedRecordsAreRefused) {
    EXPECT_FALSE(m_pDb->SaveProject(nullptr));
    // PID 0 means "none" in the history: a list stored under it would attach itself to every
    // file without a list.
    CProjectData zero(0, "zero");
    EXPECT_FALSE(m_pDb->SaveProject(&zero));
    CProjectData negative(-5, "negative");
    EXPECT_FALSE(m_pDb->SaveProject(&negative));

    CProjectData misplaced(-1, "misplaced");
    misplaced.AppendSection("S", "");
    misplaced.AppendChild(std::make_unique<CValueData>("v", "")); // a value where a section goes
    EXPECT_FALSE(m_pDb->SaveProject(&misplaced));
    EXPECT_EQ(misplaced.m_nPid, -1);

    std::vector<std::unique_ptr<CRecordIdName>> names;
    ASSERT_TRUE(m_pDb->LoadProjectNames(names));
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(m_pDb->LoadProject(0), nullptr);
    EXPECT_EQ(m_pDb->LoadProject(99), nullptr);
}

TEST_F(ProjectDataBaseTest, BareFileNameMatchesAnyDirectoryInItsOwnCase) {
    const int nByName = SavedPid(Sample("by name"));
    const int nByPath = SavedPid(Sample("by path"));
    ASSERT_TRUE(m_pDb->InsertHistory(CRecordIdFilePath(nByName, "App.INI"), false));
    ASSERT_TRUE(m_pDb->InsertHistory(CRecordIdFilePath(nByPath, "D:\\Work\\Other.ini"), false));

    for (const char* path : {"C:\\Program Files\\Tool\\App.INI", "/home/user/App.INI", "App.INI",
                             "C:App.INI", "\\\\server\\share\\App.INI", "C:/mixed\\dir/App.INI"}) {
        std::unique_ptr<CProjectData> pLoaded = m_pDb->LoadProjectByFilePath(path);
        ASSERT_NE(pLoaded, nullptr) << path;
        EXPECT_EQ(pLoaded->m_strName, "by name") << path;
        EXPECT_EQ(pLoaded->m_nPid, nByName);
        EXPECT_EQ(DumpTree(*pLoaded), SampleDump("by name"));
    }
    // Another case is another file here, for bare names and full paths alike.
    for (const char* path :
         {"C:\\dir\\App.INI.bak", "C:\\dir\\myApp.INI", "C:\\App.INI\\", "C:\\Work\\Other.ini", "",
          "/home/user/app.ini", "d:\\work\\OTHER.INI"})
        EXPECT_EQ(m_pDb->LoadProjectByFilePath(path), nullptr) << path;
    ASSERT_NE(m_pDb->LoadProjectByFilePath("D:\\Work\\Other.ini"), nullptr);
    EXPECT_EQ(m_pDb->LoadProjectByFilePath("D:\\Work\\Other.ini")->m_strName, "by path");
}

TEST_F(ProjectDataBaseTest, DeletingAListKeepsItsHistoryWithPidZero) {
    const int nGone = SavedPid(Sample("gone"));
    const int nKept = SavedPid(Sample("kept"));
    ASSERT_TRUE(m_pDb->SetHistory(CRecordIdFilePath(nGone, "C:\\a.ini")));
    ASSERT_TRUE(m_pDb->SetHistory(CRecordIdFilePath(nKept, "C:\\b.ini")));

    ASSERT_TRUE(m_pDb->DeleteProject(nGone));
    EXPECT_EQ(m_pDb->LoadProject(nGone), nullptr);
    EXPECT_EQ(m_pDb->LoadProjectByFilePath("C:\\a.ini"), nullptr);
    EXPECT_EQ(DumpTree(*m_pDb->LoadProject(nKept)), SampleDump("kept"));

    SqliteProbe probe(m_path);
    for (const char* table : {"PROJECT", "SECTION", "ENTRY", "VALUE"})
        EXPECT_EQ(
            probe.Int(QString("SELECT COUNT(*) FROM %1 WHERE PID = %2").arg(table).arg(nGone)), 0)
            << table;
    EXPECT_EQ(probe.Column("SELECT FILEPATH || '=' || PID FROM HISTORY ORDER BY FILEPATH"),
              (QStringList{"C:\\a.ini=0", "C:\\b.ini=2"}));

    // The freed number is the next one handed out, and a PID 0 history row stays unmatched.
    EXPECT_EQ(SavedPid(Sample("new")), nGone);
    EXPECT_EQ(m_pDb->LoadProjectByFilePath("C:\\a.ini"), nullptr);
    EXPECT_TRUE(m_pDb->DeleteProject(77)); // nothing to delete is no failure
}

TEST_F(ProjectDataBaseTest, NameAndHistoryListsAppendInOrder) {
    std::vector<std::unique_ptr<CRecordIdName>> names;
    std::vector<std::unique_ptr<CRecordIdFilePath>> history;
    EXPECT_TRUE(m_pDb->LoadProjectNames(names));
    EXPECT_TRUE(m_pDb->LoadProjectList(names, history));
    EXPECT_TRUE(names.empty());
    EXPECT_TRUE(history.empty());

    SavedPid(Sample("Zeta"));
    SavedPid(Sample("Alpha"));
    SavedPid(Sample("Mu"));
    ASSERT_TRUE(m_pDb->InsertHistory(CRecordIdFilePath(3, "b.ini"), false));
    ASSERT_TRUE(m_pDb->InsertHistory(CRecordIdFilePath(0, "a.ini"), false));

    names.push_back(std::make_unique<CRecordIdName>(42, "already there"));
    ASSERT_TRUE(m_pDb->LoadProjectList(names, history));
    QStringList got;
    for (const auto& p : names)
        got << QString("%1:%2").arg(p->m_nPid).arg(p->m_strName);
    EXPECT_EQ(got, (QStringList{"42:already there", "2:Alpha", "3:Mu", "1:Zeta"}));
    got.clear();
    for (const auto& p : history)
        got << QString("%1:%2").arg(p->m_nPid).arg(p->m_strFilePath);
    EXPECT_EQ(got, (QStringList{"0:a.ini", "3:b.ini"}));
}

TEST_F(ProjectDataBaseTest, HistoryInsertSetAndDelete) {
    const int nFirst = SavedPid(Sample("first"));
    const int nSecond = SavedPid(Sample("second"));
    SqliteProbe probe(m_path);
    const auto rows = [&] {
        return probe.Column("SELECT FILEPATH || '=' || PID FROM HISTORY ORDER BY FILEPATH");
    };

    EXPECT_TRUE(m_pDb->InsertHistory(CRecordIdFilePath(nFirst, "C:\\x\\File.ini"), false));
    // Another case is another file, but the table's key cannot hold both: never silently
    // taken for the stored one, by none of the three.
    EXPECT_FALSE(m_pDb->InsertHistory(CRecordIdFilePath(nSecond, "c:\\X\\FILE.INI"), false));
    EXPECT_FALSE(m_pDb->SetHistory(CRecordIdFilePath(nSecond, "c:\\X\\FILE.INI")));
    EXPECT_TRUE(m_pDb->DeleteHistory(CRecordIdFilePath(0, "c:\\X\\FILE.INI")));
    EXPECT_EQ(rows(), QStringList{"C:\\x\\File.ini=1"});

    // SetHistory updates the row of the path, and adds a missing one.
    EXPECT_TRUE(m_pDb->SetHistory(CRecordIdFilePath(nSecond, "C:\\x\\File.ini")));
    EXPECT_TRUE(m_pDb->SetHistory(CRecordIdFilePath(0, "new.ini")));
    EXPECT_EQ(rows(), (QStringList{"C:\\x\\File.ini=2", "new.ini=0"}));
    EXPECT_EQ(m_pDb->LoadProjectByFilePath("C:\\x\\File.ini")->m_strName, "second");
    EXPECT_EQ(m_pDb->LoadProjectByFilePath("D:\\new.ini"), nullptr);

    EXPECT_TRUE(m_pDb->DeleteHistory(CRecordIdFilePath(99, "C:\\x\\File.ini")));
    EXPECT_TRUE(m_pDb->DeleteHistory(CRecordIdFilePath(0, "absent.ini")));
    EXPECT_EQ(rows(), QStringList{"new.ini=0"});
}

TEST_F(ProjectDataBaseTest, CloseCompactsTheFile) {
    auto pBig = std::make_unique<CProjectData>(-1, "big");
    for (int s = 0; s < 50; ++s) {
        CEntryData* pEntry = pBig->AppendSection(QString("S%1").arg(s), "")->AppendEntry("E", "");
        for (int v = 0; v < 40; ++v)
            pEntry->AppendValue(QString("value %1").arg(v), QString(50, u'x'));
    }
    const int nPid = SavedPid(std::move(pBig));
    ASSERT_TRUE(m_pDb->DeleteProject(nPid));
    {
        SqliteProbe probe(m_path);
        ASSERT_GT(probe.Int("PRAGMA freelist_count"), 0);
    }
    m_pDb.reset();
    SqliteProbe probe(m_path);
    EXPECT_EQ(probe.Int("PRAGMA freelist_count"), 0);
}

// Rows another program wrote, read back as they are: a 64-bit PID is never cut to another
// list's number, and a NUL inside a text does not end it.
TEST_F(ProjectDataBaseTest, RowsWrittenByHandComeBackAsStored) {
    {
        SqliteProbe writer(m_path);
        ASSERT_TRUE(writer.Exec(
            "INSERT INTO PROJECT (PID, NAME) VALUES (1, 'Alpha'), (4294967297, 'Beta');"
            "INSERT INTO SECTION (PID, SCODE, NAME) VALUES (1, 'S', ''), (4294967297, 'S', '');"
            "INSERT INTO ENTRY (PID, SCODE, ECODE, NAME) VALUES (1, 'S', 'E', '');"
            "INSERT INTO VALUE (PID, SCODE, ECODE, VALUE, NAME, DISP) VALUES"
            " (1, 'S', 'E', 'a', 'plain', 1), (1, 'S', 'E', 'a' || char(0) || 'b', 'nul', 2);"
            "INSERT INTO HISTORY (FILEPATH, PID) VALUES ('/y/beta.ini', 4294967297),"
            " ('/y/alpha.ini', 1);"));
    }
    const QString withNul = QString("a") + QChar(0) + "b";
    std::unique_ptr<CProjectData> pAlpha = m_pDb->LoadProject(1);
    ASSERT_NE(pAlpha, nullptr);
    EXPECT_EQ(DumpTree(*pAlpha), (QStringList{"P[Alpha]", " S[S][]", "  E[E][]", "   V[a][plain]",
                                              "   V[" + withNul + "][nul]"}));
    // Saved back unchanged, the NUL stays in its value.
    ASSERT_TRUE(m_pDb->SaveProject(pAlpha.get()));
    SqliteProbe probe(m_path);
    EXPECT_EQ(probe.Column("SELECT length(CAST(VALUE AS BLOB)) FROM VALUE ORDER BY DISP"),
              (QStringList{"2", "6"}));

    // The list whose PID the program cannot hold is unreadable, not "Alpha".
    EXPECT_EQ(m_pDb->LoadProjectByFilePath("/y/beta.ini"), nullptr);
    EXPECT_FALSE(m_pDb->ErrorMessage().isEmpty());
    std::vector<std::unique_ptr<CRecordIdName>> names;
    std::vector<std::unique_ptr<CRecordIdFilePath>> history;
    ASSERT_TRUE(m_pDb->LoadProjectList(names, history));
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0]->m_strName, "Alpha");
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[1]->m_strFilePath, "/y/beta.ini");
    EXPECT_EQ(history[1]->m_nPid, -1);
    // Deleting Alpha leaves Beta and its file as they were.
    ASSERT_TRUE(m_pDb->DeleteProject(1));
    EXPECT_EQ(probe.Column("SELECT PID || NAME FROM PROJECT"), QStringList{"4294967297Beta"});
    EXPECT_EQ(probe.Int("SELECT COUNT(*) FROM HISTORY WHERE PID = 4294967297"), 1);
}

// Which list a file gets does not depend on the order SQLite happens to return rows in: each
// case loses under one of the two orders it might use (by PID, or as the rows were written).
TEST_F(ProjectDataBaseTest, FullPathRegistrationWinsOverBareNameInEitherOrder) {
    const int nLow = SavedPid(Sample("low"));
    const int nHigh = SavedPid(Sample("high"));
    const struct {
        const char* name;
        QString firstPath;
        int nFirstPid;
        QString secondPath;
        int nSecondPid;
        QString fullPath;
        int nFullPathPid;
    } cases[] = {
        {"full path written first, bare name lower PID", "/y/conf.ini", nHigh, "conf.ini", nLow,
         "/y/conf.ini", nHigh},
        {"bare name written first, full path lower PID", "app.ini", nHigh, "/y/app.ini", nLow,
         "/y/app.ini", nLow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(m_pDb->SetHistory(CRecordIdFilePath(c.nFirstPid, c.firstPath)));
        ASSERT_TRUE(m_pDb->SetHistory(CRecordIdFilePath(c.nSecondPid, c.secondPath)));
        EXPECT_EQ(m_pDb->LoadProjectByFilePath(c.fullPath)->m_nPid, c.nFullPathPid);
        EXPECT_EQ(
            m_pDb->LoadProjectByFilePath("/z/" + CProjectDataBase::FileNameOf(c.fullPath))->m_nPid,
            c.nFullPathPid == nLow ? nHigh : nLow);
        EXPECT_EQ(m_pDb->LoadProjectByFilePath(c.fullPath.toUpper()), nullptr);
    }
}
