#include "AppFixture.h"

#include "app/FileWatch.h"

#include <QWidget>
#include <cstdio>
#include <functional>

namespace {

const QString kQuestion =
    QStringLiteral("ファイルが他のプログラムによって変更されました。再読み込みしますか？");
const QString kLossLine = QStringLiteral("保存されていない変更は失われます。");
const QString kMergeLine =
    QStringLiteral("\n\n「変更を取り込む」: ファイルの新しい内容を編集中の内容に"
                   "取り込みます。保存するまで何も書き込みません。");
constexpr int kWaitMs = 5000;
// How long a change that must not ask is given to arrive.
constexpr int kQuietMs = 400;

// What other programs do to a file: write it in place, swap in a new one, take it away.
void WriteInPlace(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

void ReplaceByRename(const QString& path, const QByteArray& bytes) {
    const QString temporary = path + QStringLiteral(".new");
    WriteInPlace(temporary, bytes);
    ASSERT_EQ(
        std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()),
        0);
}

void Remove(const QString& path, const QByteArray&) {
    ASSERT_TRUE(QFile::remove(path));
}

} // namespace

class FileWatchTest : public AppTest {
protected:
    bool WaitForBoxes(size_t count) {
        return QTest::qWaitFor([&] { return m_boxes.Boxes().size() >= count; }, kWaitMs);
    }
    // Gives a notification time to arrive and be handled; nothing is expected from it.
    static void LetNotificationsArrive() { QTest::qWait(kQuietMs); }
    QString Expected(bool unsaved, const QStringList& paths, bool merge = false) const {
        QString text = kQuestion;
        if (unsaved)
            text += u'\n' + kLossLine;
        for (const QString& path : paths)
            text += u'\n' + path;
        return merge ? text + kMergeLine : text;
    }
};

TEST_F(FileWatchTest, EachKindOfOutsideChangeAsksOnceAndYesReadsTheFileAgain) {
    StartOrFail();
    struct Case {
        const char* name;
        std::function<void(const QString&, const QByteArray&)> change;
        QString valueAfter; // empty: the entry is gone
    };
    const Case cases[] = {
        {"written in place", WriteInPlace, "outside"},
        {"replaced by rename", ReplaceByRename, "outside"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = WriteText("a.ini", "[s]\nk=v\n");
        ASSERT_TRUE(Frame()->OpenFile(path, false));
        LetNotificationsArrive();
        m_boxes.Clear();
        m_boxes.Answer(Ui::IDYES);
        c.change(path, "[s]\r\nk=outside\r\n");
        ASSERT_TRUE(WaitForBoxes(1));
        LetNotificationsArrive();
        ASSERT_EQ(m_boxes.Boxes().size(), 1u);
        EXPECT_EQ(m_boxes.Boxes()[0].text, Expected(false, {path}));
        EXPECT_EQ(m_boxes.Boxes()[0].caption, "Quillet");
        EXPECT_EQ(m_boxes.Boxes()[0].type, unsigned(Ui::MB_YESNO | Ui::MB_ICONQUESTION));
        ASSERT_NE(Doc()->m_pIniData, nullptr);
        CIniEntryData* entry = Entry(Doc()->m_pIniData.get(), "s", "k");
        EXPECT_EQ(entry ? entry->Value() : QString(), c.valueAfter);

        // The watch holds on after the reload: the file written (back) once more asks again.
        m_boxes.Clear();
        m_boxes.Answer(Ui::IDNO);
        WriteInPlace(path, "[s]\r\nk=again\r\n");
        ASSERT_TRUE(WaitForBoxes(1));
        EXPECT_EQ(m_boxes.Boxes()[0].text, Expected(false, {path}));
    }
}

// A removed file is not read again as an empty one: the question names it as removed, yes
// closes it and no keeps it for a save to write again.
TEST_F(FileWatchTest, ARemovedFileIsNamedAsRemovedAndYesClosesIt) {
    StartOrFail();
    struct Case {
        const char* name;
        int answer;
        bool shown;
    };
    for (const Case& c : {Case{"yes closes", Ui::IDYES, false}, Case{"no keeps", Ui::IDNO, true}}) {
        SCOPED_TRACE(c.name);
        const QString path = WriteText("a.ini", "[s]\nk=v\n");
        ASSERT_TRUE(Frame()->OpenFile(path, false));
        LetNotificationsArrive();
        m_boxes.Clear();
        m_boxes.Answer(c.answer);
        Remove(path, {});
        ASSERT_TRUE(WaitForBoxes(1));
        EXPECT_EQ(m_boxes.Boxes()[0].text, "ファイルが削除されました。\n" + path);
        EXPECT_EQ(Doc()->HasContent(), c.shown);
        EXPECT_EQ(Frame()->windowTitle(), c.shown ? "Quillet - " + path : "Quillet");
        if (c.shown) {
            Entry(Doc()->m_pIniData.get(), "s", "k")->SetValue("again");
            QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier);
            EXPECT_EQ(Read(path), "[s]\r\nk=again\r\n");
        }
    }
}

// The window reads a file for a while before it shows it: a removal or a change in that
// time is news about what is shown, asked about as soon as it is shown.
TEST_F(FileWatchTest, AChangeDuringTheLoadIsAskedAboutOnceShown) {
    StartOrFail();
    struct Case {
        const char* name;
        std::function<void(const QString&, const QByteArray&)> change;
        QString question;
    };
    const Case cases[] = {
        {"removed", Remove, QStringLiteral("ファイルが削除されました。")},
        {"replaced", ReplaceByRename, kQuestion},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = WriteText("loading.ini", "[s]\nk=v\n");
        int reloads = 0;
        int closes = 0;
        CFileWatch watch(Frame(), {[] { return false; }, [&] { ++reloads; }, [&] { ++closes; }});
        m_boxes.Clear();
        m_boxes.Answer(Ui::IDYES);
        watch.LoadStarts(path);
        c.change(path, "[s]\r\nk=outside\r\n");
        watch.Watch({path});
        ASSERT_TRUE(WaitForBoxes(1));
        EXPECT_TRUE(m_boxes.Boxes()[0].text.startsWith(c.question))
            << m_boxes.LastText().toStdString();
        EXPECT_EQ(closes + reloads, 1);
        QFile::remove(path);
    }
}

TEST_F(FileWatchTest, NoKeepsTheModelAndOnlyALaterChangeAsksAgain) {
    StartOrFail();
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    CIniData* shown = Doc()->m_pIniData.get();
    Entry(shown, "s", "k")->SetValue("edited");
    m_boxes.Answer(Ui::IDNO);
    ReplaceByRename(path, "[s]\r\nk=outside\r\n");
    ASSERT_TRUE(WaitForBoxes(1));
    EXPECT_EQ(m_boxes.Boxes()[0].text, Expected(true, {path}, true));
    EXPECT_EQ(m_boxes.Boxes()[0].type,
              unsigned(Ui::MB_YESNOTHIRD | Ui::MB_ICONQUESTION | Ui::MB_DEFBUTTON2))
        << "with unsaved edits Enter keeps them";
    EXPECT_EQ(m_boxes.Boxes()[0].thirdButton, "変更を取り込む");
    EXPECT_EQ(Doc()->m_pIniData.get(), shown);
    EXPECT_EQ(Entry(shown, "s", "k")->Value(), "edited");

    // Activating the window again is no new change.
    auto* other = new QWidget;
    other->show();
    other->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(other));
    Frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    delete other;
    LetNotificationsArrive();
    EXPECT_EQ(m_boxes.Boxes().size(), 1u);

    m_boxes.Answer(Ui::IDNO);
    WriteInPlace(path, "[s]\r\nk=later\r\n");
    ASSERT_TRUE(WaitForBoxes(2));
    EXPECT_EQ(Doc()->m_pIniData.get(), shown);
}

TEST_F(FileWatchTest, AChangeWhileTheWindowIsInactiveAsksOnceOnActivation) {
    StartOrFail();
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    auto other = std::make_unique<QWidget>();
    other->show();
    other->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(other.get()));
    WriteInPlace(path, "[s]\r\nk=one\r\n");
    LetNotificationsArrive();
    ReplaceByRename(path, "[s]\r\nk=two\r\n");
    LetNotificationsArrive();
    EXPECT_TRUE(m_boxes.Boxes().empty());

    m_boxes.Answer(Ui::IDYES);
    Frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    ASSERT_TRUE(WaitForBoxes(1));
    LetNotificationsArrive();
    EXPECT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(Entry(Doc()->m_pIniData.get(), "s", "k")->Value(), "two");
}

// A save replaces the file by rename; the watch follows it and knows the result as its own.
TEST_F(FileWatchTest, OurOwnSavesAskNothingAndTheWatchGoesOn) {
    StartOrFail();
    const QString a = WriteText("a.ini", "[s]\nk=1\n");
    const QString b = WriteText("b.ini", "[s]\nk=2\n");
    struct Case {
        const char* name;
        std::function<bool()> open;
        std::function<CIniData*()> edited;
    };
    const Case cases[] = {
        {"one file", [&] { return Frame()->OpenFile(a, false); },
         [&] { return Doc()->m_pIniData.get(); }},
        {"comparison", [&] { return Frame()->OpenCompare(a, b); },
         [&] { return Doc()->m_pCompare->m_pIni2.get(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(c.open());
        LetNotificationsArrive();
        m_boxes.Clear();
        Entry(c.edited(), "s", "k")->SetValue(QString::fromLatin1(c.name));
        QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier);
        Entry(c.edited(), "s", "k")->SetValue(QStringLiteral("saved twice"));
        Click(Res::ID_FILE_SAVE);
        LetNotificationsArrive();
        EXPECT_TRUE(m_boxes.Boxes().empty());
        EXPECT_EQ(Entry(c.edited(), "s", "k")->SavedValue(), "saved twice");

        m_boxes.Answer(Ui::IDNO);
        const QString path = c.edited()->m_filePath;
        WriteInPlace(path, "[s]\r\nk=outside\r\n");
        ASSERT_TRUE(WaitForBoxes(1));
        EXPECT_EQ(m_boxes.Boxes()[0].text, Expected(false, {path}));
    }
}

// A save that fails halfway has still written some entries itself.
TEST_F(FileWatchTest, APartlyFailedSaveAsksNothing) {
    StartOrFail();
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    Entry(Doc()->m_pIniData.get(), "s", "k")->SetValue("written");
    // A key with "=" cannot be written; the value before it can.
    Doc()->m_pIniData->AddEntry("s", "a=b", "x");
    Click(Res::ID_FILE_SAVE);
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_TRUE(m_boxes.Boxes()[0].text.startsWith("ファイルへの書き込みに失敗しました。"));
    EXPECT_EQ(Read(path), "[s]\r\nk=written\r\n");
    LetNotificationsArrive();
    EXPECT_EQ(m_boxes.Boxes().size(), 1u);
}

TEST_F(FileWatchTest, InComparisonTheQuestionNamesTheChangedFilesAndYesReadsBothAgain) {
    StartOrFail();
    const QString a = WriteText("a.ini", "[s]\nk=1\n");
    const QString b = WriteText("b.ini", "[s]\nk=2\n");
    ASSERT_TRUE(Frame()->OpenCompare(a, b));
    Entry(Doc()->m_pCompare->m_pIni1.get(), "s", "k")->SetValue("unsaved");
    auto other = std::make_unique<QWidget>();
    other->show();
    other->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(other.get()));
    WriteInPlace(b, "[s]\r\nk=two\r\n");
    WriteInPlace(a, "[s]\r\nk=one\r\n");
    LetNotificationsArrive();

    m_boxes.Answer(Ui::IDYES);
    Frame()->activateWindow();
    ASSERT_TRUE(WaitForBoxes(1));
    EXPECT_EQ(m_boxes.Boxes()[0].text, Expected(true, {a, b}));
    ASSERT_NE(Doc()->m_pCompare, nullptr);
    EXPECT_EQ(Entry(Doc()->m_pCompare->m_pIni1.get(), "s", "k")->Value(), "one");
    EXPECT_EQ(Entry(Doc()->m_pCompare->m_pIni2.get(), "s", "k")->Value(), "two");
    EXPECT_EQ(Frame()->FileWatch()->WatchedPaths(), QStringList({a, b}));
}

// The third answer merges: base is the file as loaded, ours the edits, theirs the file now.
// Nothing is written until the save, which then writes the edit over the new file.
TEST_F(FileWatchTest, TakingTheChangeInMergesItWithTheEditsAndWritesNothingYet) {
    StartOrFail();
    const QString path = WriteText("a.ini", "[s]\nk=v\nm=1\nc=1\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    Entry(Doc()->m_pIniData.get(), "s", "k")->SetValue("edited");
    Entry(Doc()->m_pIniData.get(), "s", "c")->SetValue("mine");
    m_boxes.Answer(Ui::IDTHIRD);
    const QByteArray outside = "[s]\r\nk=v\r\nm=2\r\nc=theirs\r\n";
    ReplaceByRename(path, outside);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Doc()->m_pMerge != nullptr; }, kWaitMs));
    CIniData* ours = Doc()->m_pCompare->m_pIni1.get();
    EXPECT_EQ(Entry(ours, "s", "k")->Value(), "edited");
    EXPECT_EQ(Entry(ours, "s", "m")->Value(), "2");
    EXPECT_EQ(Entry(ours, "s", "c")->Value(), "mine");
    EXPECT_EQ(Read(path), outside);
    m_boxes.Answer(Ui::IDYES); // the conflict of c is left: save anyway
    Frame()->OnCommand(Res::ID_FILE_SAVE);
    EXPECT_EQ(Read(path), "[s]\r\nk=edited\r\nm=2\r\nc=mine\r\n");
}
