#include "AppFixture.h"

#include "app/PreviewText.h"
#include "grid/ListCtrlEx.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/SectionData.h"
#include "view/QuilletView.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QTimer>

TEST_F(AppTest, OpenShowsTheChosenFileInTheTitlePreviewAndSelectorBar) {
    StartOrFail();
    const QString path = WriteText("設定.ini", "[全般]\n名前=値\n");
    m_boxes.ChooseFile(path);
    Click(Res::ID_FILE_OPEN);
    ASSERT_EQ(m_boxes.FileRequests().size(), 1u);
    EXPECT_EQ(m_boxes.FileRequests()[0].filter, "INIファイル (*.ini)|*.ini||");
    EXPECT_EQ(m_boxes.FileRequests()[0].defaultSuffix, "ini");
    ASSERT_NE(Doc()->m_pIniData, nullptr);
    EXPECT_EQ(Doc()->m_pIniData->m_filePath, path);
    EXPECT_EQ(Frame()->windowTitle(), "Quillet - " + path);
    EXPECT_TRUE(Frame()->ProjectBar()->isVisible());
    CPreviewText* preview = Frame()->PreviewBar()->Edit(Res::IDC_PREVIEW);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(preview->toPlainText(), "[全般]\n名前=値\n");
}

// Each failing load names its file in comparison mode and leaves the document as it was.
TEST_F(AppTest, AFailingLoadShowsItsMessageAndChangesNothing) {
    StartOrFail();
    const QString good = WriteText("good.ini", "[s]\nk=v\n");
    const QString bad = WriteText("bad.ini", "[dup]\na=1\n[DUP]\nb=2\n");
    struct Case {
        const char* name;
        QString path1;
        QString path2; // empty: single-file open
        QString text;
    };
    const Case cases[] = {
        {"single file", bad, {}, "同一セクションが複数存在します[DUP]"},
        {"first of two", bad, good, "1:同一セクションが複数存在します[DUP]"},
        {"second of two", good, bad, "2:同一セクションが複数存在します[DUP]"},
    };
    ASSERT_TRUE(Frame()->OpenFile(good, false));
    CIniData* shown = Doc()->m_pIniData.get();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_boxes.Clear();
        const bool opened = c.path2.isEmpty() ? Frame()->OpenFile(c.path1, false)
                                              : Frame()->OpenCompare(c.path1, c.path2);
        EXPECT_FALSE(opened);
        ASSERT_EQ(m_boxes.Boxes().size(), 1u);
        EXPECT_EQ(m_boxes.Boxes()[0].text, c.text);
        EXPECT_EQ(m_boxes.Boxes()[0].caption, "Quillet");
        EXPECT_EQ(m_boxes.Boxes()[0].type, unsigned(Ui::MB_OK | Ui::MB_ICONERROR));
        EXPECT_EQ(Doc()->m_pIniData.get(), shown);
        EXPECT_EQ(Doc()->m_pCompare, nullptr);
        EXPECT_EQ(Frame()->windowTitle(), "Quillet - " + good);
    }
}

// A save cut off left a damaged file and the copy of its old text beside it: the window names
// the copy and, asked, puts it back, keeping the damaged text beside the file.
TEST_F(AppTest, AnInterruptedSavesBackupIsOfferedAndRestored) {
    StartOrFail();
    const QByteArray damaged = "[T]\r\nx=y\r\n1111\r\n[T]\r\nx=y\r\n";
    const QString file = Write("f.ini", damaged);
    const QString copy = Write(".f.ini.quillet-backup-Ab12Cd", "[T]\r\nx=y\r\n");
    // Declined: the load fails as before, and the message names the copy.
    m_boxes.Answer(Ui::IDNO);
    EXPECT_FALSE(Frame()->OpenFile(file, false));
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_TRUE(m_boxes.LastText().startsWith("同一セクションが複数存在します[T]"));
    EXPECT_TRUE(m_boxes.LastText().contains(copy));
    EXPECT_EQ(Read(file), damaged);

    m_boxes.Clear();
    m_boxes.Answer(Ui::IDYES);
    ASSERT_TRUE(Frame()->OpenFile(file, false));
    ASSERT_EQ(m_boxes.Boxes().size(), 2u); // the question, then where the damaged text went
    EXPECT_EQ(Read(file), "[T]\r\nx=y\r\n");
    EXPECT_FALSE(QFileInfo::exists(copy));
    const QStringList kept = QDir(m_dir.path()).entryList({"f.ini.damaged-*"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(Read(Path(kept[0])), damaged);
    EXPECT_TRUE(m_boxes.LastText().contains(kept[0]));
    EXPECT_NE(Entry(Doc()->m_pIniData.get(), "T", "x"), nullptr);
}

TEST_F(AppTest, CompareThroughTwoDialogsAndReloadKeepTheOrderOfTheFiles) {
    StartOrFail();
    const QString a = WriteText("a.ini", "[s]\nk=1\n");
    const QString b = WriteText("b.ini", "[s]\nk=2\n");
    ASSERT_TRUE(Frame()->OpenFile(a, false));
    m_boxes.ChooseFile(b);
    m_boxes.ChooseFile(a);
    Click(Res::ID_COMPARE);
    ASSERT_NE(Doc()->m_pCompare, nullptr);
    EXPECT_EQ(Doc()->m_pIniData, nullptr);
    EXPECT_FALSE(Frame()->ProjectBar()->isVisible());
    EXPECT_EQ(Frame()->windowTitle(), "Quillet - " + b + " - " + a);

    WriteText("b.ini", "[s]\nk=3\n");
    Click(Res::ID_RELOAD);
    ASSERT_NE(Doc()->m_pCompare, nullptr);
    EXPECT_EQ(Doc()->m_pCompare->GetTitle(0), b);
    EXPECT_EQ(Doc()->m_pCompare->GetTitle(1), a);
    EXPECT_EQ(Entry(Doc()->m_pCompare->m_pIni1.get(), "s", "k")->Value(), "3");
    EXPECT_EQ(Frame()->windowTitle(), "Quillet - " + b + " - " + a);
    const auto* preview = Frame()->PreviewBar();
    EXPECT_EQ(preview->Edit(Res::IDC_PREVIEW1)->toPlainText(), "[s]\nk=3\n");
    EXPECT_EQ(preview->Edit(Res::IDC_PREVIEW2)->toPlainText(), "[s]\nk=1\n");
}

// The reloaded file carries the list chosen in the selector as the user's choice, and "none"
// (PID 0) is a choice too: the view must not look the file up again.
TEST_F(AppTest, ReloadCarriesTheSelectedValueList) {
    StartOrFail();
    CProjectData project(-1, QStringLiteral("一覧"));
    ASSERT_TRUE(m_app->DataBase()->SaveProject(&project));
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    // The history names the list, so a reload that looked the file up would bring it back.
    ASSERT_TRUE(m_app->DataBase()->SetHistory(CRecordIdFilePath(project.m_nPid, path)));
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    ASSERT_NE(Doc()->m_pIniData->m_pProject, nullptr);
    struct Case {
        const char* name;
        int selectedPid;
    };
    for (const Case& c : {Case{"none", 0}, Case{"a list", project.m_nPid}}) {
        SCOPED_TRACE(c.name);
        Frame()->SendMessage(Res::WM_REFRESH_VALUE_LISTS, quintptr(c.selectedPid), 0);
        QTest::keyClick(Frame(), Qt::Key_F5);
        ASSERT_NE(Doc()->m_pIniData, nullptr);
        const CProjectData* shown = Doc()->m_pIniData->m_pProject.get();
        EXPECT_EQ(shown ? shown->m_nPid : 0, c.selectedPid);
        EXPECT_EQ(Frame()->ProjectBar()->SelectedPid(), c.selectedPid);
    }
}

// The value-list management dialog may have changed the lists; the user's "none" still holds.
TEST_F(AppTest, NoneChosenInTheSelectorOutlastsTheValueListDialog) {
    StartOrFail();
    CProjectData project(-1, QStringLiteral("一覧"));
    ASSERT_TRUE(m_app->DataBase()->SaveProject(&project));
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    ASSERT_TRUE(m_app->DataBase()->SetHistory(CRecordIdFilePath(project.m_nPid, path)));
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    Frame()->GetView()->GetGrid()->SetCurrentCell(0, 2, true, false);
    auto* combo = Frame()->ProjectBar()->findChild<QComboBox*>();
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(0);
    emit combo->activated(0);
    ASSERT_EQ(Doc()->m_pIniData->m_pProject, nullptr);
    QTimer::singleShot(0, Frame(), [] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    Click(Res::ID_VALUE_LISTS);
    EXPECT_EQ(Doc()->m_pIniData->m_pProject, nullptr);
    EXPECT_EQ(Frame()->ProjectBar()->SelectedPid(), 0);
    int row = -1;
    int col = -1;
    Frame()->GetView()->GetGrid()->GetCurrentCell(&row, &col, false);
    EXPECT_EQ(std::make_pair(row, col), std::make_pair(0, 2));
}

// Comparison's two file dialogs say which file each one picks.
TEST_F(AppTest, CompareAsksForTheFirstAndThenTheSecondFile) {
    StartOrFail();
    m_boxes.ChooseFile(WriteText("a.ini", "[s]\nk=1\n"));
    m_boxes.ChooseFile(WriteText("b.ini", "[s]\nk=2\n"));
    Click(Res::ID_COMPARE);
    ASSERT_EQ(m_boxes.FileRequests().size(), 2u);
    EXPECT_EQ(m_boxes.FileRequests()[0].title, "開く - 1つ目のファイル");
    EXPECT_EQ(m_boxes.FileRequests()[1].title, "開く - 2つ目のファイル");
    EXPECT_NE(Doc()->m_pCompare, nullptr);
}

TEST_F(AppTest, KeysReachTheirCommandsAndTheButtonsNameThem) {
    StartOrFail();
    EXPECT_EQ(Button(Res::ID_FILE_OPEN)->toolTip(), "開く (Ctrl+O)");
    EXPECT_EQ(Button(Res::ID_FILE_SAVE)->toolTip(), "保存 (Ctrl+S)");
    EXPECT_EQ(Button(Res::ID_RELOAD)->toolTip(), "再読み込み (F5)");
    EXPECT_EQ(Button(Res::ID_COMPARE)->toolTip(), "比較 (Ctrl+Shift+O)");
    EXPECT_EQ(Button(Res::ID_ADD)->toolTip(), "追加 (Ctrl+N)");
    EXPECT_EQ(Button(Res::ID_VALUE_LISTS)->toolTip(), "値リスト管理 (Ctrl+L)");
    EXPECT_EQ(Button(Res::ID_COMPARE_FOLDERS)->toolTip(), "フォルダ比較 (Ctrl+Shift+F)");
    // Find with nothing open does nothing.
    QTest::keyClick(Frame(), Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(Frame(), Qt::Key_F3);
    QTest::keyClick(Frame(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_TRUE(m_boxes.Boxes().empty());
    EXPECT_TRUE(m_boxes.FileRequests().empty());

    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    m_boxes.ChooseFile(path);
    QTest::keyClick(Frame(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_NE(Doc()->m_pIniData, nullptr);
    Entry(Doc()->m_pIniData.get(), "s", "k")->SetValue("saved");
    QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(Read(path), "[s]\r\nk=saved\r\n");
    EXPECT_EQ(Entry(Doc()->m_pIniData.get(), "s", "k")->SavedValue(), "saved");
}

TEST_F(AppTest, SectionsTooLargeToShowAreNamedOnceAndTheFileStillOpens) {
    StartOrFail();
    const QByteArray big = "[Big]\n" + QByteArray(40000, 'x') + "=1\n";
    const QString path = WriteText("big.ini", QString::fromLatin1("[s]\nk=v\n" + big));
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Boxes()[0].text, "次のセクションは大きすぎるため表示されません:\nBig");
    EXPECT_EQ(m_boxes.Boxes()[0].type, unsigned(Ui::MB_OK | Ui::MB_ICONWARNING));
    EXPECT_EQ(Doc()->m_pIniData->m_sections.size(), 1u);

    m_boxes.Clear();
    const QString small = WriteText("small.ini", "[s]\nk=v\n");
    ASSERT_TRUE(Frame()->OpenCompare(small, path));
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Boxes()[0].text, "2:次のセクションは大きすぎるため表示されません:\nBig");
}

// A file of many huge sections names the first twenty and counts the rest, so that the box
// and its button stay on the screen.
TEST_F(AppTest, ManySectionsTooLargeToShowAreCountedBeyondTwenty) {
    StartOrFail();
    QByteArray text;
    QString expected = "次のセクションは大きすぎるため表示されません:";
    for (int s = 1; s <= 25; ++s) {
        text += "[Big" + QByteArray::number(s) + "]\n" + QByteArray(40000, 'x') + "=1\n";
        if (s <= 20)
            expected += "\nBig" + QString::number(s);
    }
    ASSERT_TRUE(Frame()->OpenFile(Write("many.ini", text), false));
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Boxes()[0].text, expected + "\nほか 5 件");
}

// The number of a list deleted in the management dialog goes to the next new one; the shown
// file, reloaded by number, must not take that new list for its own.
TEST_F(AppTest, AListDeletedInTheDialogIsNotReplacedByTheNextOneOfItsNumber) {
    StartOrFail();
    CProjectDataBase* db = m_app->DataBase();
    CProjectData alpha(-1, "Alpha");
    alpha.AppendSection("s", "")->AppendEntry("k", "")->AppendValue("v", "alpha's v");
    ASSERT_TRUE(db->SaveProject(&alpha));
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    ASSERT_TRUE(db->SetHistory(CRecordIdFilePath(alpha.m_nPid, path)));
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    ASSERT_EQ(Doc()->m_pIniData->m_pProject->GetPid(), alpha.m_nPid);

    bool opened = false;
    QTimer::singleShot(0, Frame(), [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg)
            return;
        opened = true;
        m_boxes.Answer(Ui::IDYES);
        dlg->findChild<QPushButton*>(QString::number(Res::IDC_PROJECT_DELETE))->click();
        CProjectData gamma(-1, "Gamma");
        gamma.AppendSection("s", "")->AppendEntry("k", "")->AppendValue("v", "gamma's v");
        EXPECT_TRUE(db->SaveProject(&gamma));
        EXPECT_EQ(gamma.m_nPid, alpha.m_nPid);
        dlg->reject();
    });
    Click(Res::ID_VALUE_LISTS);
    ASSERT_TRUE(opened);
    EXPECT_EQ(Doc()->m_pIniData->m_pProject, nullptr);
    EXPECT_EQ(Frame()->ProjectBar()->SelectedPid(), 0);
}
