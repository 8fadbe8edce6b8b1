// The value-list management dialog driven by hand over a real database.
#include "dialogs/ProjectDlg.h"
#include "dialogs/ProjectEditDlg.h"
#include "res/Resource.h"
#include "tests/dialogs/ValueListDlgFixture.h"
#include "tests/valuelist/QStringPrinter.h"
#include "tests/valuelist/SqliteProbe.h"

#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>

namespace {

class ProjectDlgTest : public ValueListDlgTest {
protected:
    void Open(CIniData* pIni = nullptr, int nShownPid = 0) {
        dlg = std::make_unique<CProjectDlg>(db.get(), pIni, nShownPid);
        ShowActive(dlg.get());
        combo = Control<QComboBox>(dlg.get(), Res::IDC_PROJECT_LIST);
        list = Control<CListCtrl>(dlg.get(), Res::IDC_FILE_LIST);
        ASSERT_TRUE(combo && list);
    }
    QPushButton* Button(int id) { return Control<QPushButton>(dlg.get(), id); }
    void Press(int id) {
        Button(id)->click();
        QApplication::processEvents();
    }
    // The rows as "path" with a leading "x " when checked.
    QStringList Rows() const {
        QStringList rows;
        for (int i = 0; i < list->GetItemCount(); ++i)
            rows << (list->GetCheck(i) ? "x " : "  ") + list->GetItemText(i, 0);
        return rows;
    }
    QStringList StoredHistory() {
        QStringList rows;
        for (const CRecordIdFilePath& r : History())
            rows << QString::number(r.m_nPid) + " " + r.m_strFilePath;
        return rows;
    }
    void ToggleCheck(int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->CheckBoxRect(row).center());
        QApplication::processEvents();
    }
    void AddHistory(int nPid, const QString& path) {
        ASSERT_TRUE(db->InsertHistory(CRecordIdFilePath(nPid, path), false));
    }

    std::unique_ptr<CProjectDlg> dlg;
    QComboBox* combo = nullptr;
    CListCtrl* list = nullptr;
};

TEST_F(ProjectDlgTest, CheckMarksFollowTheChosenValueListWithoutWriting) {
    const int beta = Store("beta", {});
    const int alpha = Store("alpha", {});
    AddHistory(alpha, "C:\\a\\one.ini");
    AddHistory(beta, "C:\\b\\two.ini");
    AddHistory(0, "three.ini");
    const QStringList stored = StoredHistory();
    Open();
    EXPECT_EQ(combo->currentText(), "alpha") << "names in order, the first chosen";
    EXPECT_EQ(Rows(), (QStringList{"x C:\\a\\one.ini", "  C:\\b\\two.ini", "  three.ini"}));
    EXPECT_EQ(list->GetColumnHeading(0), QString::fromUtf8("INIファイルパス"));
    EXPECT_EQ(list->GetColumnWidth(0) + list->GetColumnWidth(1), list->viewport()->width())
        << "the list names show at the right edge";

    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_EQ(combo->currentText(), "beta");
    EXPECT_EQ(Rows(), (QStringList{"  C:\\a\\one.ini", "x C:\\b\\two.ini", "  three.ini"}));
    EXPECT_EQ(StoredHistory(), stored);
}

TEST_F(ProjectDlgTest, CheckingAndUncheckingARowStoresItsValueList) {
    const int pid = Store("alpha", {});
    AddHistory(0, "one.ini");
    Open();
    ToggleCheck(0);
    EXPECT_EQ(StoredHistory(), (QStringList{QString::number(pid) + " one.ini"}));
    ToggleCheck(0);
    EXPECT_EQ(StoredHistory(), (QStringList{"0 one.ini"}));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(ProjectDlgTest, WithoutValueListsACheckIsTakenBackAtOnce) {
    AddHistory(0, "one.ini");
    Open();
    EXPECT_EQ(combo->count(), 0);
    EXPECT_FALSE(Button(Res::IDC_PROJECT_EDIT)->isEnabled());
    EXPECT_FALSE(Button(Res::IDC_PROJECT_DELETE)->isEnabled());
    ToggleCheck(0);
    EXPECT_EQ(Rows(), (QStringList{"  one.ini"}));
    EXPECT_EQ(StoredHistory(), (QStringList{"0 one.ini"}));
}

TEST_F(ProjectDlgTest, AFileIsAddedByPathOrByBareNameAndOnlyOnce) {
    const int pid = Store("alpha", {});
    Open();
    EXPECT_FALSE(Button(Res::IDC_FILE_REMOVE)->isEnabled());
    boxes.ChooseFile("C:\\data\\App.ini", true);
    Press(Res::IDC_FILE_ADD);
    ASSERT_EQ(boxes.FileRequests().size(), 1u);
    const Ui::FileOpenRequest& request = boxes.FileRequests()[0];
    EXPECT_EQ(request.title, QString::fromUtf8("関連ファイルの追加"));
    EXPECT_EQ(request.acceptText, QString::fromUtf8("追加"));
    EXPECT_EQ(request.checkBoxText, QString::fromUtf8("ファイル名で登録"));
    EXPECT_FALSE(request.checkBoxChecked);
    EXPECT_EQ(request.filter, QString::fromUtf8("INIファイル (*.ini)|*.ini||"));
    EXPECT_EQ(request.defaultSuffix, "ini");
    EXPECT_EQ(request.directory, QDir::currentPath()) << "no file is open";
    EXPECT_EQ(Rows(), (QStringList{"x App.ini"}));

    boxes.ChooseFile("D:\\other\\App.ini", true); // the same name again
    Press(Res::IDC_FILE_ADD);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.LastText(), QString::fromUtf8("「App.ini」はすでに登録されています"));
    boxes.Clear();
    boxes.CancelFile();
    Press(Res::IDC_FILE_ADD);
    boxes.ChooseFile("D:\\other\\app.ini", false);
    Press(Res::IDC_FILE_ADD);
    EXPECT_EQ(Rows(), (QStringList{"x App.ini", "x D:\\other\\app.ini"}));
    EXPECT_EQ(StoredHistory(), (QStringList{QString::number(pid) + " App.ini",
                                            QString::number(pid) + " D:\\other\\app.ini"}));
    EXPECT_TRUE(boxes.Boxes().empty());

    // Another case is another file, which the history's key cannot hold beside this one.
    boxes.ChooseFile("D:\\other\\APP.INI", true);
    Press(Res::IDC_FILE_ADD);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_TRUE(boxes.LastText().contains("大文字と小文字")) << boxes.LastText().toStdString();
    EXPECT_TRUE(boxes.LastText().contains("App.ini"));
    EXPECT_EQ(Rows(), (QStringList{"x App.ini", "x D:\\other\\app.ini"}));
}

TEST_F(ProjectDlgTest, OpensOnTheOpenFilesValueListAndAddsFromItsFolder) {
    Store("alpha", {});
    const int beta = Store("beta", {});
    AddHistory(beta, "C:\\b\\two.ini");
    const QString path = WriteIni("b/two.ini", "[S]\r\n");
    auto ini = LoadIni(path);
    Open(ini.get(), beta);
    EXPECT_EQ(combo->currentText(), "beta");
    EXPECT_EQ(Rows(), (QStringList{"x C:\\b\\two.ini"}));
    WhenModalOpens<CProjectEditDlg>([](CProjectEditDlg* editor) {
        EXPECT_EQ(Control<QLineEdit>(editor, Res::IDC_PROJECT_NAME)->text(), "beta");
        editor->reject();
    });
    Press(Res::IDC_PROJECT_EDIT);

    boxes.CancelFile();
    Press(Res::IDC_FILE_ADD);
    ASSERT_EQ(boxes.FileRequests().size(), 1u);
    EXPECT_EQ(QDir(boxes.FileRequests()[0].directory), QFileInfo(path).dir());
}

TEST_F(ProjectDlgTest, ALongPathWidensTheColumnAndShowsWholeInATooltip) {
    const QString longPath = "C:\\" + QString(40, u'x') + "\\" + QString(120, u'y') + ".ini";
    AddHistory(0, "C:\\short.ini");
    AddHistory(0, longPath);
    Open();
    EXPECT_GT(list->GetColumnWidth(0), list->fontMetrics().horizontalAdvance(longPath));
    const QPoint at = CellCenter(list, 1, 0);
    QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), longPath);
}

TEST_F(ProjectDlgTest, DeleteAsksFirstAndSelectsTheValueListBefore) {
    const int alpha = Store("alpha", {{"S", {{"k", {{"1", "one"}}}}}});
    const int beta = Store("beta", {});
    AddHistory(beta, "two.ini");
    Open();
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    ASSERT_EQ(combo->currentText(), "beta");

    boxes.Answer(Ui::IDNO);
    Press(Res::IDC_PROJECT_DELETE);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    const Ui::MessageBoxCall& ask = boxes.Boxes()[0];
    EXPECT_EQ(ask.text, QString::fromUtf8("値リスト「beta」を削除しますか？"));
    EXPECT_EQ(ask.caption, "Quillet");
    EXPECT_EQ(ask.type, Ui::MB_YESNO | Ui::MB_ICONQUESTION | Ui::MB_DEFBUTTON2);
    EXPECT_EQ(combo->count(), 2);
    EXPECT_NE(db->LoadProject(beta), nullptr) << "No keeps the value list";

    boxes.Answer(Ui::IDYES);
    Press(Res::IDC_PROJECT_DELETE);
    EXPECT_EQ(db->LoadProject(beta), nullptr);
    EXPECT_EQ(combo->currentText(), "alpha") << "the last one gone, the one before it is chosen";
    EXPECT_EQ(Rows(), (QStringList{"  two.ini"}));
    EXPECT_EQ(StoredHistory(), (QStringList{"0 two.ini"}));

    boxes.Answer(Ui::IDYES);
    Press(Res::IDC_PROJECT_DELETE);
    EXPECT_EQ(db->LoadProject(alpha), nullptr);
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_FALSE(Button(Res::IDC_PROJECT_DELETE)->isEnabled());
    EXPECT_EQ(boxes.Boxes().size(), 3u) << "no failure was reported";
}

// Another program holding the write lock makes every history change fail, while reading
// still works: the dialog says so and shows what is stored.
TEST_F(ProjectDlgTest, ARefusedRegistrationIsReportedAndTheListShowsWhatIsStored) {
    Store("alpha", {});
    AddHistory(0, "one.ini");
    Open();
    db->SetBusyTimeout(50);
    SqliteProbe other(dir.filePath("Quillet.db"));
    ASSERT_TRUE(other.Exec("BEGIN IMMEDIATE"));

    ToggleCheck(0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.LastText(),
              QString::fromUtf8(
                  "登録に失敗しました\nデータベースを他のプログラムが使用中です (SQLite 5)"));
    EXPECT_EQ(boxes.Boxes()[0].type, Ui::MB_OK);
    EXPECT_EQ(Rows(), (QStringList{"  one.ini"}));

    boxes.ChooseFile("C:\\new.ini");
    Press(Res::IDC_FILE_ADD);
    EXPECT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(Rows(), (QStringList{"  one.ini"}));
    EXPECT_EQ(combo->currentText(), "alpha");
    other.Exec("ROLLBACK");
    EXPECT_EQ(StoredHistory(), (QStringList{"0 one.ini"}));
}

TEST_F(ProjectDlgTest, SelectedRowsAreRemovedTogether) {
    for (const char* path : {"a.ini", "b.ini", "c.ini", "d.ini"})
        AddHistory(0, path);
    Open();
    QRect rect;
    list->GetSubItemRect(0, 0, LVIR_LABEL, &rect);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    list->GetSubItemRect(1, 0, LVIR_LABEL, &rect);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, rect.center());
    list->GetSubItemRect(3, 0, LVIR_LABEL, &rect);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, rect.center());
    EXPECT_TRUE(Button(Res::IDC_FILE_REMOVE)->isEnabled());
    Press(Res::IDC_FILE_REMOVE);
    EXPECT_EQ(Rows(), (QStringList{"  c.ini"}));
    EXPECT_EQ(StoredHistory(), (QStringList{"0 c.ini"}));
    EXPECT_FALSE(Button(Res::IDC_FILE_REMOVE)->isEnabled());
}

TEST_F(ProjectDlgTest, NewAndEditOpenTheEditorAndChooseTheSavedList) {
    Store("zeta", {});
    Open();
    WhenModalOpens<CProjectEditDlg>([](CProjectEditDlg* editor) {
        editor->findChild<QLineEdit*>(QString::number(Res::IDC_PROJECT_NAME))->setText("beta");
        editor->findChild<QPushButton*>(QString::number(Res::IDOK))->click();
    });
    Press(Res::IDC_PROJECT_NEW);
    EXPECT_EQ(combo->currentText(), "beta");

    WhenModalOpens<CProjectEditDlg>([](CProjectEditDlg* editor) {
        auto* name = editor->findChild<QLineEdit*>(QString::number(Res::IDC_PROJECT_NAME));
        EXPECT_EQ(name->text(), "beta");
        name->setText("alpha");
        editor->findChild<QPushButton*>(QString::number(Res::IDOK))->click();
    });
    Press(Res::IDC_PROJECT_EDIT);
    EXPECT_EQ(combo->currentText(), "alpha") << "renamed, reordered and still chosen";
    EXPECT_EQ(combo->count(), 2);

    WhenModalOpens<CProjectEditDlg>([](CProjectEditDlg* editor) { editor->reject(); });
    Press(Res::IDC_PROJECT_EDIT);
    EXPECT_EQ(combo->currentText(), "alpha");
}

TEST_F(ProjectDlgTest, TheSizeAtClosingIsTheNextOpeningsAndTheListGrowsWithIt) {
    Open();
    const QSize first = dlg->size();
    EXPECT_EQ(dlg->minimumSize(), first);
    const QRect listBefore = list->geometry();
    const QRect closeBefore = Button(Res::IDCANCEL)->geometry();
    dlg->resize(first + QSize(90, 60));
    QApplication::processEvents();
    EXPECT_EQ(list->geometry(), listBefore.adjusted(0, 0, 90, 60));
    EXPECT_EQ(Button(Res::IDCANCEL)->geometry(), closeBefore.translated(90, 60));
    Press(Res::IDCANCEL);
    EXPECT_FALSE(dlg->isVisible());
    Open();
    EXPECT_EQ(dlg->size(), first + QSize(90, 60));
    EXPECT_EQ(dlg->minimumSize(), first);
}

// A file of another list showed unchecked and a click moved it silently; a second click left it
// with no list at all.
TEST_F(ProjectDlgTest, AFileOfAnotherListShowsItAndMovesOnlyWhenTheUserAgrees) {
    const int alpha = Store("alpha", {});
    const int beta = Store("beta", {});
    AddHistory(alpha, "one.ini");
    Open(nullptr, beta);
    EXPECT_EQ(list->GetColumnHeading(1), QString::fromUtf8("値リスト"));
    EXPECT_EQ(list->GetItemText(0, 1), "alpha");
    boxes.Answer(Ui::IDNO);
    ToggleCheck(0);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(
        boxes.LastText(),
        QString::fromUtf8("このファイルは「alpha」に登録されています。「beta」に移しますか？"));
    EXPECT_EQ(Rows(), (QStringList{"  one.ini"}));
    EXPECT_EQ(StoredHistory(), (QStringList{QString::number(alpha) + " one.ini"}));

    boxes.Answer(Ui::IDYES);
    ToggleCheck(0);
    EXPECT_EQ(Rows(), (QStringList{"x one.ini"}));
    EXPECT_EQ(list->GetItemText(0, 1), "beta");
    EXPECT_EQ(StoredHistory(), (QStringList{QString::number(beta) + " one.ini"}));
    ToggleCheck(0);
    EXPECT_EQ(list->GetItemText(0, 1), "alpha") << "back where it was, not without a list";
    EXPECT_EQ(StoredHistory(), (QStringList{QString::number(alpha) + " one.ini"}));
}

TEST_F(ProjectDlgTest, ALongPathAddedWidensTheColumnAtOnce) {
    Store("alpha", {});
    Open();
    const QString longPath = "C:\\" + QString(200, u'y') + ".ini";
    boxes.ChooseFile(longPath);
    Press(Res::IDC_FILE_ADD);
    EXPECT_GT(list->GetColumnWidth(0), list->fontMetrics().horizontalAdvance(longPath));
}

TEST_F(ProjectDlgTest, TheOpenFileIsRegisteredWithTheChosenListOnce) {
    Open();
    EXPECT_FALSE(Button(Res::IDC_FILE_REGISTER_OPEN)->isEnabled()) << "no file is open";
    const int pid = Store("alpha", {});
    const QString path = WriteIni("open.ini", "[S]\r\n");
    auto ini = LoadIni(path);
    Open(ini.get());
    QPushButton* registerOpen = Button(Res::IDC_FILE_REGISTER_OPEN);
    EXPECT_EQ(registerOpen->text(), QString::fromUtf8("開いているファイルを登録"));
    ASSERT_TRUE(registerOpen->isEnabled());
    Press(Res::IDC_FILE_REGISTER_OPEN);
    EXPECT_EQ(Rows(), (QStringList{"x " + path}));
    EXPECT_EQ(StoredHistory(), (QStringList{QString::number(pid) + " " + path}));
    Press(Res::IDC_FILE_REGISTER_OPEN);
    EXPECT_EQ(boxes.LastText(), QString::fromUtf8("「%1」はすでに登録されています").arg(path));
    EXPECT_EQ(Rows(), (QStringList{"x " + path}));
}

} // namespace

// Whatever the database refuses is said, with SQLite's reason in Japanese: lists that cannot be
// read (and the dialog then counts as having changed nothing), a list that cannot be opened for
// editing, a related file that cannot be removed.
TEST_F(ProjectDlgTest, EveryFailureOfTheDatabaseIsReported) {
    Store("alpha", {{"S", {{"k", {{"1", "one"}}}}}});
    AddHistory(0, "one.ini");
    db->SetBusyTimeout(50);
    const QString locked = "\nデータベースを他のプログラムが使用中です (SQLite 5)";
    {
        SqliteProbe other(dir.filePath("Quillet.db"));
        ASSERT_TRUE(other.Exec("BEGIN EXCLUSIVE"));
        Open();
        EXPECT_EQ(boxes.LastText(), "値リストを読み込めません" + locked);
        EXPECT_FALSE(dlg->ListsRead());
        EXPECT_EQ(combo->count(), 0);
        dlg.reset();
        boxes.Clear();

        ASSERT_TRUE(other.Exec("COMMIT"));
        Open();
        EXPECT_TRUE(dlg->ListsRead());
        ASSERT_TRUE(other.Exec("BEGIN EXCLUSIVE"));
        Press(Res::IDC_PROJECT_EDIT);
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.LastText(), "値リストを読み込めません" + locked);
        ASSERT_TRUE(other.Exec("COMMIT"));
    }
    SqliteProbe other(dir.filePath("Quillet.db"));
    ASSERT_TRUE(other.Exec("BEGIN IMMEDIATE"));
    list->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    Press(Res::IDC_FILE_REMOVE);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.LastText(), "削除に失敗しました" + locked);
    EXPECT_EQ(Rows(), (QStringList{"  one.ini"}));
}
