#include "AppFixture.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>

TEST_F(AppTest, StartUpCreatesTheDatabaseInTheCurrentFolderAndShowsAnEmptyWindow) {
    ASSERT_FALSE(QFileInfo::exists(Path("Quillet.db")));
    StartOrFail();
    EXPECT_TRUE(QFileInfo(Path("Quillet.db")).isFile());
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

// The database cannot be used: it does not open (a folder stands where the file would be), or
// it opens but its tables cannot be made (the file is no database).
TEST_F(AppTest, AnUnusableDatabaseEndsStartUpWithTheConnectionMessage) {
    struct Case {
        const char* name;
        bool asFolder;
    };
    for (const Case& c : {Case{"folder", true}, Case{"not a database", false}}) {
        SCOPED_TRACE(c.name);
        QDir(m_dir.path()).rmdir("Quillet.db");
        QFile::remove(Path("Quillet.db"));
        if (c.asFolder)
            ASSERT_TRUE(QDir(m_dir.path()).mkdir("Quillet.db"));
        else
            Write("Quillet.db", QByteArray(4096, 'x'));
        m_boxes.Clear();
        EXPECT_FALSE(Start());
        ASSERT_EQ(m_boxes.Boxes().size(), 1u);
        EXPECT_EQ(m_boxes.Boxes()[0].text, "DB 接続失敗");
        EXPECT_EQ(m_boxes.Boxes()[0].caption, "Quillet");
        EXPECT_EQ(m_app->MainFrame(), nullptr);
    }
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
    EXPECT_EQ(Entry(Doc()->m_pIniData.get(), "s", "k")->m_value, "changed");
}

// quillet --db: the value lists live in the named database, wherever the program starts.
TEST_F(AppTest, AGivenDatabasePathIsOpenedInsteadOfTheCurrentFoldersDatabase) {
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("lists"));
    m_app = std::make_unique<CQuilletApp>();
    m_app->SetDataBasePath(Path("lists/mine.db"));
    ASSERT_TRUE(m_app->InitInstance());
    EXPECT_TRUE(QFileInfo(Path("lists/mine.db")).isFile());
    EXPECT_FALSE(QFileInfo::exists(Path("Quillet.db")));
    EXPECT_TRUE(m_boxes.Boxes().empty());
}
