#include "AppFixture.h"

#include "app/CommandLine.h"
#include "platform/RegularFile.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

// Which dropped paths open what: the first two existing regular .ini files in drop order.
TEST_F(AppTest, DropsOpenTheFirstOneOrTwoIniFiles) {
    StartOrFail();
    const QString a = WriteText("a.ini", "[s]\nk=1\n");
    const QString b = WriteText("b.ini", "[s]\nk=2\n");
    const QString c = WriteText("c.ini", "[s]\nk=3\n");
    const QString upper = WriteText("UPPER.INI", "[s]\nk=4\n");
    const QString text = WriteText("notes.txt", "[s]\nk=5\n");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.ini"));
    const QString folder = Path("folder.ini");
    const QString missing = Path("missing.ini");
    struct Case {
        const char* name;
        QStringList dropped;
        QStringList opened; // one path: single file; two: comparison; none: nothing happens
    };
    const Case cases[] = {
        {"one ini and one txt", {text, a}, {a}},    {"three ini files", {c, a, b}, {c, a}},
        {"upper-case extension", {upper}, {upper}}, {"a folder named .ini", {folder}, {}},
        {"missing file", {missing, b}, {b}},        {"short names", {"ini", ".in", ""}, {}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        Doc()->OnNewDocument();
        Frame()->DropFiles(row.dropped);
        if (row.opened.size() == 1) {
            ASSERT_NE(Doc()->m_pIniData, nullptr);
            EXPECT_EQ(Doc()->m_pIniData->m_filePath, row.opened[0]);
            EXPECT_TRUE(Frame()->ProjectBar()->isVisible());
        } else if (row.opened.size() == 2) {
            ASSERT_NE(Doc()->m_pCompare, nullptr);
            EXPECT_EQ(Doc()->m_pCompare->GetTitle(0), row.opened[0]);
            EXPECT_EQ(Doc()->m_pCompare->GetTitle(1), row.opened[1]);
            EXPECT_FALSE(Frame()->ProjectBar()->isVisible());
        } else {
            EXPECT_FALSE(Doc()->HasContent());
        }
        EXPECT_TRUE(m_boxes.Boxes().empty());
    }
}

TEST_F(AppTest, ARealDropOfTwoFilesComparesThemOnceTheDropIsOver) {
    StartOrFail();
    const QString a = WriteText("a.ini", "[s]\nk=1\n");
    const QString b = WriteText("b.ini", "[s]\nk=2\n");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(b), QUrl::fromLocalFile(a)});
    const QPoint at = Frame()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Frame(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Frame(), &drop);
    EXPECT_FALSE(Doc()->HasContent());
    QCoreApplication::processEvents();
    ASSERT_NE(Doc()->m_pCompare, nullptr);
    EXPECT_EQ(Doc()->m_pCompare->GetTitle(0), b);
    EXPECT_EQ(Doc()->m_pCompare->GetTitle(1), a);
}

TEST_F(AppTest, CommandLineFilesAreCheckedLikeADropAndEachRefusalIsReported) {
    const QString a = WriteText("a.ini", "[s]\nk=1\n");
    WriteText("notes.txt", "x");
    ASSERT_TRUE(Start({"a.ini", "notes.txt"}));
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Boxes()[0].text,
              "INI ファイル (*.ini) ではありません。\n" + Path("notes.txt"));
    EXPECT_EQ(m_boxes.Boxes()[0].type, unsigned(Ui::MB_OK | Ui::MB_ICONERROR));
    // The file given as a relative name is opened by its full path; the program stays open.
    ASSERT_NE(Doc()->m_pIniData, nullptr);
    EXPECT_EQ(Doc()->m_pIniData->m_filePath, a);
    EXPECT_TRUE(Frame()->isVisible());
}

// What 開く would say of the same file, never that a file that is there is missing.
TEST_F(AppTest, CommandLineAndDroppedFilesThatCannotBeOpenedAreNamedAsOpenNamesThem) {
    WriteText("a.ini", "[s]\nk=1\n");
    QFile huge(Path("huge.ini"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(CRegularFile::kMaxSize + 1));
    huge.close();
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.ini"));
    struct Case {
        const char* name;
        QStringList given;
        QString message;
    };
    const Case cases[] = {
        {"missing", {"missing.ini"}, "ファイルが見つかりません。\n" + Path("missing.ini")},
        {"too large", {"huge.ini"}, "ファイルが大きすぎます: " + Path("huge.ini")},
        {"a folder", {"folder.ini"}, "ファイルを読み込めません: " + Path("folder.ini")},
        {"three files",
         {"a.ini", "a.ini", "a.ini"},
         "指定できるファイルは2つまでです。\nusage: quillet [--db PATH] [QT-OPTION...] [FILE "
         "[FILE2] | DIR1 DIR2]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_app.reset();
        m_boxes.Clear();
        ASSERT_TRUE(Start(c.given));
        ASSERT_EQ(m_boxes.Boxes().size(), 1u);
        EXPECT_EQ(m_boxes.Boxes()[0].text, c.message);
        EXPECT_FALSE(Doc()->HasContent());
        EXPECT_TRUE(Frame()->isVisible());
    }
    // Dropped beside a good file, the large one is named and nothing is compared.
    m_boxes.Clear();
    Frame()->DropFiles({Path("huge.ini"), Path("a.ini")});
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Boxes()[0].text, "1:ファイルが大きすぎます: " + Path("huge.ini"));
    EXPECT_FALSE(Doc()->HasContent());
}

TEST(CommandLineTest, ParsesFilesHelpVersionAndRefusesTheRest) {
    using Action = CCommandLine::Action;
    struct Case {
        const char* name;
        QStringList args;
        Action action;
        QStringList files;
    };
    const Case cases[] = {
        {"nothing", {}, Action::Run, {}},
        {"one file", {"a.ini"}, Action::Run, {"a.ini"}},
        {"two files", {"a.ini", "b.ini"}, Action::Run, {"a.ini", "b.ini"}},
        {"three files: the window says so",
         {"a.ini", "b.ini", "c.ini"},
         Action::Run,
         {"a.ini", "b.ini", "c.ini"}},
        {"help", {"--help"}, Action::Help, {}},
        {"short help", {"-h", "a.ini"}, Action::Help, {"a.ini"}},
        {"version", {"--version"}, Action::Version, {}},
        {"unknown option", {"a.ini", "--bogus"}, Action::UsageError, {}},
        {"file after --", {"--", "-x.ini"}, Action::Run, {"-x.ini"}},
        {"lone dash is a name", {"-"}, Action::Run, {"-"}},
        {"Qt's style and its value", {"-style", "Fusion", "a.ini"}, Action::Run, {"a.ini"}},
        {"Qt's style, joined", {"-style=Fusion", "a.ini"}, Action::Run, {"a.ini"}},
        {"Qt's flag", {"a.ini", "-reverse", "b.ini"}, Action::Run, {"a.ini", "b.ini"}},
        {"Qt's option without its value", {"a.ini", "-style"}, Action::UsageError, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CCommandLine parsed = CCommandLine::Parse(c.args);
        EXPECT_EQ(parsed.m_action, c.action);
        EXPECT_EQ(parsed.m_complaint.isEmpty(),
                  c.action != Action::UsageError && c.files.size() <= 2);
        if (c.action != Action::UsageError) {
            EXPECT_EQ(parsed.m_files, c.files);
        }
    }
}

TEST(CommandLineTest, MergeTakesExactlyThreeFilesAndOutOnlyWithIt) {
    const CCommandLine merge =
        CCommandLine::Parse({"--merge", "base.ini", "mine.ini", "-o", "out.ini", "new.ini"});
    EXPECT_EQ(merge.m_action, CCommandLine::Action::Run);
    EXPECT_TRUE(merge.m_merge);
    EXPECT_EQ(merge.m_files, QStringList({"base.ini", "mine.ini", "new.ini"}));
    EXPECT_EQ(merge.m_output, "out.ini");
    EXPECT_EQ(CCommandLine::Parse({"--merge", "a", "b", "c", "--output=o"}).m_output, "o");
    for (const QStringList& args :
         {QStringList{"--merge", "a.ini", "b.ini"}, QStringList{"--merge", "a", "b", "c", "d"},
          QStringList{"a.ini", "-o", "out.ini"}, QStringList{"--merge", "a", "b", "c", "-o"}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        EXPECT_EQ(CCommandLine::Parse(args).m_action, CCommandLine::Action::UsageError);
    }
}

TEST(CommandLineTest, DbTakesTheNextArgumentAsTheDatabaseAndNeedsOne) {
    const CCommandLine given = CCommandLine::Parse({"--db", "/srv/lists.db", "a.ini"});
    EXPECT_EQ(given.m_action, CCommandLine::Action::Run);
    EXPECT_EQ(given.m_dataBase, "/srv/lists.db");
    EXPECT_EQ(given.m_files, QStringList{"a.ini"});
    EXPECT_EQ(CCommandLine::Parse({"--db=/srv/lists.db"}).m_dataBase, "/srv/lists.db");
    EXPECT_TRUE(CCommandLine::Parse({"a.ini"}).m_dataBase.isEmpty());
    for (const QStringList& args :
         {QStringList{"a.ini", "--db"}, QStringList{"--db", ""}, QStringList{"--db="}}) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        EXPECT_EQ(CCommandLine::Parse(args).m_action, CCommandLine::Action::UsageError);
    }
}
