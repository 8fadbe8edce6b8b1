#include "AppFixture.h"
#include "tests/common/ChildLock.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <functional>
#include <sqlite3.h>
#include <unistd.h>

TEST_F(AppTest, StartUpCreatesTheUsersDatabaseAndShowsAnEmptyWindow) {
    ASSERT_FALSE(QFileInfo::exists(Path("data")));
    StartOrFail();
    EXPECT_TRUE(QFileInfo(Path("data/quillet/Quillet.db")).isFile());
    EXPECT_FALSE(QFileInfo::exists(Path("Quillet.db")));
    EXPECT_TRUE(m_boxes.Boxes().empty());
    EXPECT_EQ(Frame()->windowTitle(), "Quillet");
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_TRUE(Frame()->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(QCoreApplication::organizationName(), "Pelmo System");
    // The selector bar exists hidden, its list empty, unselected and disabled.
    CProjectDlgBar* bar = Frame()->ProjectBar();
    EXPECT_FALSE(bar->isVisible());
    EXPECT_EQ(bar->Combo()->count(), 0);
    EXPECT_EQ(bar->Combo()->currentIndex(), -1);
    EXPECT_FALSE(bar->Combo()->isEnabled());
    auto* version = Frame()->MenuBar()->findChild<QLabel*>(QString::number(Res::IDC_VERSION));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), "Version 1.02");
}

// A database that cannot be used is reported with its path and the reason, and the program
// runs on without value lists: the given file opens, is edited and saved, and the database
// file is left exactly as it was, through the exit too.
TEST_F(AppTest, AnUnusableDatabaseIsReportedAndTheProgramWorksWithoutValueLists) {
    // Each case puts something named Quillet.db in the current folder, which is then the one used.
    const QString dbPath = Path("Quillet.db");
    const auto writeDatabase = [&](const char* sql) {
        sqlite3* pDb = nullptr;
        sqlite3_open(dbPath.toUtf8().constData(), &pDb);
        EXPECT_EQ(sqlite3_exec(pDb, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(pDb);
    };
    const struct {
        const char* name;
        std::function<void()> make;
        bool bCannotBeMade = false;
    } cases[] = {
        {"random bytes",
         [&] {
             QByteArray junk(8192, '\0');
             for (int i = 0; i < junk.size(); ++i)
                 junk[i] = char((i * 7919 + 13) % 251);
             Write("Quillet.db", junk);
         }},
        {"truncated",
         [&] {
             writeDatabase("CREATE TABLE PROJECT ( PID INTEGER PRIMARY KEY, NAME TEXT, "
                           "UPDATETIME TEXT); CREATE TABLE BIG (X); INSERT INTO BIG VALUES "
                           "(randomblob(20000));");
             QFile::resize(dbPath, QFileInfo(dbPath).size() / 2);
         }},
        {"folder", [&] { QDir(m_dir.path()).mkdir("Quillet.db"); }},
        // Permissions do not hold root back: there the case cannot be made.
        {"file in a read-only folder",
         [&] {
             writeDatabase("PRAGMA user_version = 1");
             QFile::setPermissions(dbPath, QFile::ReadOwner);
         },
         ::geteuid() == 0},
        {"foreign tables", [&] { writeDatabase("CREATE TABLE PROJECT (ID INTEGER, TITLE TEXT)"); }},
    };
    QDir(m_dir.path()).mkdir("files");
    const QString ini = WriteText("files/a.ini", "[s]\nk=v\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.bCannotBeMade)
            continue;
        c.make();
        const QByteArray before = Read(dbPath);
        m_boxes.Clear();
        ASSERT_TRUE(Start({ini}));
        ASSERT_EQ(m_boxes.Boxes().size(), 1u);
        const QStringList lines = m_boxes.Boxes()[0].text.split(u'\n');
        ASSERT_EQ(lines.size(), 3) << m_boxes.Boxes()[0].text.toStdString();
        EXPECT_EQ(lines[0], "DB 接続失敗");
        EXPECT_EQ(lines[1], QDir::toNativeSeparators(dbPath));
        // The reason in the window's language, not SQLite's English.
        EXPECT_TRUE(
            lines[2].contains(QRegularExpression(QStringLiteral(u"[\u3040-\u30ff\u4e00-\u9fff]"))))
            << lines[2].toStdString();
        EXPECT_FALSE(Button(Res::ID_VALUE_LISTS)->isEnabled());
        EXPECT_TRUE(Button(Res::ID_VALUE_LISTS)->toolTip().contains(lines[2]));
        EXPECT_FALSE(Frame()->ProjectBar()->Combo()->isEnabled());
        EXPECT_EQ(Frame()->ProjectBar()->Combo()->count(), 0);

        ASSERT_NE(Doc()->m_pIniData, nullptr);
        Entry(Doc()->m_pIniData.get(), "s", "k")->SetValue("edited");
        Frame()->OnCommand(Res::ID_FILE_SAVE);
        EXPECT_EQ(Read(ini), "[s]\r\nk=edited\r\n");
        WriteText("files/a.ini", "[s]\nk=v\n");
        m_app.reset();
        EXPECT_EQ(Read(dbPath), before);

        QFile::setPermissions(dbPath, QFile::ReadOwner | QFile::WriteOwner);
        QDir(m_dir.path()).rmdir("Quillet.db");
        QFile::remove(dbPath);
    }
}

// Another window holding the database for a moment does not stop this one from starting.
TEST_F(AppTest, StartUpWaitsForAnotherProgramsLock) {
    ASSERT_TRUE(Start());
    m_app.reset();
    ChildLock lock(Path("Quillet.db"), "BEGIN EXCLUSIVE", 1);
    if (!lock.Started())
        GTEST_SKIP() << "no sqlite3 shell to hold the lock";
    ASSERT_TRUE(Start());
    EXPECT_TRUE(m_boxes.Boxes().empty());
    EXPECT_TRUE(Button(Res::ID_VALUE_LISTS)->isEnabled());
}

TEST_F(AppTest, CommandsNeedingAFileAreEnabledOnlyOnceOneIsOpen) {
    StartOrFail();
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    struct Row {
        int id;
        bool enabledEmpty;
    };
    const Row rows[] = {{Res::ID_FILE_OPEN, true},   {Res::ID_COMPARE, true},
                        {Res::ID_VALUE_LISTS, true}, {Res::ID_FILE_SAVE, false},
                        {Res::ID_ADD, false},        {Res::ID_RELOAD, false}};
    for (const Row& row : rows)
        EXPECT_EQ(Button(row.id)->isEnabled(), row.enabledEmpty) << row.id;
    // A disabled command does nothing even when it arrives by key.
    QTest::keyClick(Frame(), Qt::Key_F5);
    EXPECT_TRUE(m_boxes.Boxes().empty());
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    for (const Row& row : rows)
        EXPECT_TRUE(Button(row.id)->isEnabled()) << row.id;
}

TEST_F(AppTest, QtsOwnButtonsSpeakJapanese) {
    StartOrFail();
    QMessageBox box;
    EXPECT_TRUE(box.addButton(QMessageBox::Yes)->text().startsWith("はい"));
    EXPECT_TRUE(box.addButton(QMessageBox::Cancel)->text().startsWith("キャンセル"));
}

TEST_F(AppTest, ClosingAsksNothingWithoutChangesAndStaysOpenWhenCancelled) {
    StartOrFail();
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    EXPECT_TRUE(Frame()->close());
    EXPECT_TRUE(m_boxes.Boxes().empty());

    Frame()->show();
    Entry(Doc()->m_pIniData.get(), "s", "k")->SetValue("changed");
    m_boxes.Answer(Ui::IDCANCEL);
    EXPECT_FALSE(Frame()->close());
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_EQ(Entry(Doc()->m_pIniData.get(), "s", "k")->Value(), "changed");
}

// Where the value lists are: a Quillet.db already in the current folder, else the user's own
// in the data folder, made with its folders as needed, even where the current folder cannot
// be written; --db names another file and makes its missing folders.
TEST_F(AppTest, TheDatabaseIsTheCurrentFoldersElseTheUsersOwnOrTheGivenOne) {
    const QString users = "data/quillet/Quillet.db";
    const struct {
        const char* name;
        std::function<void()> prepare;
        QString given;    // --db, relative to the folder
        QString expected; // the file used, relative to the folder
        QStringList absent;
        bool bCannotBeMade = false;
    } cases[] = {
        {"one in the current folder", [&] { Write("Quillet.db", {}); }, {}, "Quillet.db", {users}},
        {"none in the current folder", [] {}, {}, users, {"Quillet.db"}},
        {"read-only current folder",
         [&] { QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner); },
         {},
         users,
         {"Quillet.db"},
         ::geteuid() == 0},
        {"given, its folders missing",
         [] {},
         "lists/a/mine.db",
         "lists/a/mine.db",
         {"Quillet.db", users}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.bCannotBeMade)
            continue;
        QDir(Path("data")).removeRecursively();
        c.prepare();
        m_boxes.Clear();
        m_app = std::make_unique<CQuilletApp>();
        if (!c.given.isEmpty())
            m_app->SetDataBasePath(Path(c.given));
        ASSERT_TRUE(m_app->InitInstance());
        EXPECT_TRUE(m_boxes.Boxes().empty());
        ASSERT_NE(m_app->DataBase(), nullptr);
        EXPECT_TRUE(QFileInfo(Path(c.expected)).isFile());
        for (const QString& other : c.absent)
            EXPECT_FALSE(QFileInfo::exists(Path(other))) << other.toStdString();
        m_app.reset();
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::remove(Path("Quillet.db"));
    }
}
