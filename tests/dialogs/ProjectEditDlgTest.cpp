// The value-list editing dialog driven by hand over a real database.
#include "dialogs/ProjectEditDlg.h"
#include "grid/GridAccessible.h"
#include "res/Resource.h"
#include "tests/dialogs/ValueListDlgFixture.h"
#include "tests/valuelist/QStringPrinter.h"
#include "tests/valuelist/SqliteProbe.h"
#include "valuelist/RecordIdName.h"

#include <functional>

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

class ProjectEditDlgTest : public ValueListDlgTest {
public:
    // Opens the dialog for the stored value list pid (or a new one with pid 0).
    void Open(int nPid, const QString& name = "List", CIniData* pIni = nullptr) {
        idName = CRecordIdName(nPid, name);
        dlg = std::make_unique<CProjectEditDlg>(db.get(), pIni, nPid ? &idName : nullptr);
        ShowActive(dlg.get());
        sections = Grid(dlg.get(), Res::IDC_SECTION_GRID);
        entries = Grid(dlg.get(), Res::IDC_ENTRY_GRID);
        values = Grid(dlg.get(), Res::IDC_VALUE_GRID);
        ASSERT_TRUE(sections && entries && values);
    }
    void PressOK() {
        Control<QPushButton>(dlg.get(), Res::IDOK)->click();
        QApplication::processEvents();
    }
    QLineEdit* NameEdit() { return Control<QLineEdit>(dlg.get(), Res::IDC_PROJECT_NAME); }
    // The current cell as (row, column), (-1, -1) without one.
    static std::pair<int, int> Cell(const Pelmo::CListCtrlEx* grid) {
        int row = -1;
        int col = -1;
        grid->GetCurrentCell(&row, &col, false);
        return {row, col};
    }

    CRecordIdName idName;
    std::unique_ptr<CProjectEditDlg> dlg;
    Pelmo::CListCtrlEx* sections = nullptr;
    Pelmo::CListCtrlEx* entries = nullptr;
    Pelmo::CListCtrlEx* values = nullptr;
};

TEST_F(ProjectEditDlgTest, ATreeTypedIntoTheThreeGridsIsSavedOnOK) {
    Open(0);
    EXPECT_FALSE(Control<QPushButton>(dlg.get(), Res::IDC_IMPORT)->isEnabled())
        << "import needs an open file";
    EXPECT_TRUE(sections->GetAppendRow());
    EXPECT_FALSE(entries->GetAppendRow());
    EXPECT_FALSE(values->GetAppendRow());

    // A click into the next grid commits the code and keeps its section current (Enter would
    // move on to the append row below).
    Click(sections, 0, 1);
    Type(sections, "Main");
    Click(entries, 0, 1);
    EXPECT_EQ(Column(sections, 1), (QStringList{"Main", ""}));
    EXPECT_EQ(Column(sections, 0), (QStringList{"-", "-"})) << "the new append row has its button";
    EXPECT_TRUE(entries->GetAppendRow()) << "the new section's entries open";
    EXPECT_EQ(entries->GetItemCount(), 1);
    EXPECT_EQ(CurrentRow(sections), 0);

    Type(entries, "Mode");
    Click(values, 0, 2);
    EXPECT_TRUE(values->GetAppendRow());
    // Enter walks value -> name -> next row's value, so a list is typed without the mouse.
    Type(values, "1");
    Key(values, Qt::Key_Return);
    Type(values, QString::fromUtf8("一"));
    Key(values, Qt::Key_Return);
    Type(values, "2");
    Key(values, Qt::Key_Return);
    Type(values, QString::fromUtf8("二"));
    Key(values, Qt::Key_Return);
    EXPECT_EQ(Column(values, 2), (QStringList{"1", "2", ""}));
    EXPECT_EQ(Column(values, 3),
              (QStringList{QString::fromUtf8("一"), QString::fromUtf8("二"), ""}));

    // An empty section code is refused: the cell keeps its text.
    Enter(sections, 0, 1, "   ");
    EXPECT_EQ(sections->GetItemText(0, 1), "Main");

    QTest::keyClicks(NameEdit(), "  Road  ");
    PressOK();
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.LastText().toStdString();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    const int pid = dlg->GetProject()->m_nPid;
    ASSERT_GT(pid, 0);
    EXPECT_EQ(Dump(pid), (QStringList{"S Main", " E Mode", QString::fromUtf8("  V 1=一"),
                                      QString::fromUtf8("  V 2=二")}));
    EXPECT_EQ(db->LoadProject(pid)->m_strName, "Road") << "the name is trimmed";
}

// The database holds no duplicates, so each case stores a sound tree and makes the fault
// the way a user would, in the grids.
struct ValidationCase {
    const char* name;
    std::vector<ValueListDlgTest::SectionSpec> tree;
    std::function<void(ProjectEditDlgTest&)> edit;
    QString listName;
    QString message; // empty: saved
    int gridId;      // where the faulty row is selected
    int row;
};

// A failing case is named by its row, not by its bytes.
void PrintTo(const ValidationCase& c, std::ostream* os) {
    *os << c.name;
}

class ProjectEditValidation : public ProjectEditDlgTest,
                              public ::testing::WithParamInterface<ValidationCase> {};

TEST_P(ProjectEditValidation, OKStopsAtTheFirstFaultWithItsMessageAndRow) {
    const ValidationCase& c = GetParam();
    const int pid = Store("Stored", c.tree);
    Open(pid, "Stored");
    if (c.edit)
        c.edit(*this);
    NameEdit()->setText(c.listName);
    PressOK();
    if (c.message.isEmpty()) {
        EXPECT_TRUE(boxes.Boxes().empty()) << boxes.LastText().toStdString();
        EXPECT_EQ(dlg->result(), QDialog::Accepted);
        return;
    }
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.LastText(), c.message);
    EXPECT_EQ(boxes.Boxes()[0].caption, "Quillet");
    EXPECT_TRUE(dlg->isVisible()) << "the dialog stays open";
    if (c.gridId == Res::IDC_PROJECT_NAME) {
        EXPECT_EQ(QApplication::focusWidget(), NameEdit());
        return;
    }
    Pelmo::CListCtrlEx* grid = Grid(dlg.get(), c.gridId);
    EXPECT_EQ(CurrentRow(grid), c.row);
    EXPECT_EQ(QApplication::focusWidget(), grid);
}

const QString kSectionDup = QString::fromUtf8("セクションが重複しています: ");
const QString kEntryDup = QString::fromUtf8("エントリが重複しています: ");
const QString kValueDup = QString::fromUtf8("値が重複しています: ");
const QString kNoName = QString::fromUtf8("値リスト名を入力してください");

INSTANTIATE_TEST_SUITE_P(
    Cases, ProjectEditValidation,
    ::testing::Values(
        ValidationCase{"SectionsDifferingInCase",
                       {{"A", {}}, {"B", {}}, {"c", {}}},
                       [](ProjectEditDlgTest& t) { t.Enter(t.sections, 2, 1, "a"); },
                       "L",
                       kSectionDup + QString::fromUtf8("セクション「a」"),
                       Res::IDC_SECTION_GRID,
                       2},
        ValidationCase{"EntriesDifferingInCase",
                       {{"S", {{"k", {}}, {"x", {}}, {"y", {}}}}},
                       [](ProjectEditDlgTest& t) {
                           t.Click(t.sections, 0, 1);
                           t.Enter(t.entries, 2, 1, "K");
                       },
                       "L",
                       kEntryDup + QString::fromUtf8("セクション「S」のエントリ「K」"),
                       Res::IDC_ENTRY_GRID,
                       2},
        ValidationCase{"SameEntryInTwoSections",
                       {{"S", {{"k", {}}}}, {"T", {{"j", {}}}}},
                       [](ProjectEditDlgTest& t) {
                           t.Click(t.sections, 1, 1);
                           t.Enter(t.entries, 0, 1, "k");
                       },
                       "L",
                       {},
                       0,
                       0},
        ValidationCase{"ValuesDifferingInCase",
                       {{"S", {{"k", {{"on", ""}}}}}},
                       [](ProjectEditDlgTest& t) {
                           t.Click(t.sections, 0, 1);
                           t.Enter(t.values, 1, 2, "ON");
                       },
                       "L",
                       {},
                       0,
                       0},
        ValidationCase{"TwoEmptyValues",
                       {{"S", {{"a", {}}, {"k", {{"1", ""}}}}}},
                       [](ProjectEditDlgTest& t) {
                           t.Click(t.sections, 0, 1);
                           t.Click(t.entries, 1, 1);
                           t.Click(t.values, 0, 0);
                           t.Click(t.values, 0, 0);
                       },
                       "L",
                       kValueDup + QString::fromUtf8("セクション「S」のエントリ「k」の値 2"),
                       Res::IDC_VALUE_GRID,
                       1},
        ValidationCase{"EmptyName", {{"S", {}}}, {}, "  ", kNoName, Res::IDC_PROJECT_NAME, 0},
        ValidationCase{"DuplicateBeforeEmptyName",
                       {{"S", {}}, {"T", {}}},
                       [](ProjectEditDlgTest& t) { t.Enter(t.sections, 1, 1, "s"); },
                       "",
                       kSectionDup + QString::fromUtf8("セクション「s」"),
                       Res::IDC_SECTION_GRID,
                       1}),
    [](const ::testing::TestParamInfo<ValidationCase>& info) { return info.param.name; });

TEST_F(ProjectEditDlgTest, ANameAnotherListHasIsRefusedAndAnUnchangedNameSaves) {
    Store("Alpha", {});
    const int twin = Store("twin", {{"S", {}}});
    Store("Twin", {}); // two of one name, as a database from elsewhere may hold
    const QString taken = QString::fromUtf8("同じ名前の値リスト「Alpha」があります");
    Open(twin, "twin");
    NameEdit()->setText("ALPHA");
    PressOK();
    EXPECT_EQ(boxes.LastText(), taken);
    EXPECT_EQ(QApplication::focusWidget(), NameEdit());
    EXPECT_TRUE(dlg->isVisible());
    NameEdit()->setText("twin");
    PressOK();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(boxes.Boxes().size(), 1u);

    Open(0);
    NameEdit()->setText("alpha");
    PressOK();
    EXPECT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.LastText(), taken) << "a new list may not take it either";
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(ProjectEditDlgTest, DeletingTheCurrentSectionShowsTheNextOrNothing) {
    const int pid = Store("L", {{"A", {{"a1", {{"1", ""}}}}}, {"B", {{"b1", {}}}}, {"C", {}}});
    const QStringList stored = Dump(pid);
    Open(pid);
    Click(sections, 0, 1);
    EXPECT_EQ(Column(entries, 1), (QStringList{"a1", ""}));
    EXPECT_EQ(Column(values, 2), (QStringList{"1", ""}));
    Click(sections, 2, 1);
    EXPECT_EQ(Column(entries, 1), (QStringList{""}));
    EXPECT_EQ(values->GetItemCount(), 0) << "a section without entries shows no values";
    EXPECT_FALSE(values->GetAppendRow());

    Click(sections, 0, 1);
    Click(sections, 0, 0); // "-" of A
    EXPECT_EQ(Column(sections, 1), (QStringList{"B", "C", ""}));
    EXPECT_EQ(CurrentRow(sections), 0);
    EXPECT_EQ(Column(entries, 1), (QStringList{"b1", ""})) << "B became current";
    EXPECT_EQ(values->GetItemCount(), 1) << "b1's values: only the append row";

    Click(sections, 1, 0); // "-" of C, while B is current
    EXPECT_EQ(Column(sections, 1), (QStringList{"B", ""}));
    Click(sections, 0, 0); // "-" of B, the append row takes its place
    EXPECT_EQ(sections->GetItemCount(), 1);
    EXPECT_EQ(entries->GetItemCount(), 0);
    EXPECT_FALSE(entries->GetAppendRow());
    EXPECT_EQ(values->GetItemCount(), 0);
    EXPECT_FALSE(values->GetAppendRow());

    Control<QPushButton>(dlg.get(), Res::IDCANCEL)->click();
    EXPECT_EQ(Dump(pid), stored) << "Cancel stores nothing";
}

TEST_F(ProjectEditDlgTest, DeletingTheCurrentEntryShowsTheNextEntrysValues) {
    const int pid = Store("L", {{"S", {{"e1", {{"1", ""}}}, {"e2", {{"2", ""}, {"3", ""}}}}}});
    Open(pid);
    Click(sections, 0, 1);
    Click(entries, 0, 0); // "-" of e1
    EXPECT_EQ(Column(entries, 1), (QStringList{"e2", ""}));
    EXPECT_EQ(Column(values, 2), (QStringList{"2", "3", ""}));
    Click(entries, 0, 0); // "-" of e2
    EXPECT_EQ(entries->GetItemCount(), 1);
    EXPECT_EQ(values->GetItemCount(), 0);
    NameEdit()->setText("L");
    PressOK();
    EXPECT_EQ(Dump(pid), (QStringList{"S S"}));
}

TEST_F(ProjectEditDlgTest, PlusOnTheFirstValueSavesTheNewValueFirst) {
    const int pid = Store("L", {{"S", {{"k", {{"1", "one"}, {"2", "two"}}}}}});
    Open(pid);
    Click(sections, 0, 1);
    Click(values, 0, 0); // "+" of the first value
    EXPECT_EQ(Column(values, 2), (QStringList{"", "1", "2", ""}));
    EXPECT_EQ(Column(values, 0), (QStringList{"+", "+", "+", "+"}));
    Enter(values, 0, 2, "0");
    Click(values, 1, 1); // "-" of "1"
    EXPECT_EQ(Column(values, 2), (QStringList{"0", "2", ""}));
    PressOK();
    EXPECT_EQ(Dump(pid), (QStringList{"S S", " E k", "  V 0=", "  V 2=two"}));
}

// The button columns have empty headings and signs for captions.
TEST_F(ProjectEditDlgTest, ButtonCellsAndTheirHeadersSayWhatTheButtonsDo) {
    Pelmo::CGridAccessible::InstallFactory(); // before the grids exist, as the application does
    const int pid = Store("L", {{"S", {{"k", {{"1", "one"}}}}}});
    Open(pid);
    Click(sections, 0, 1);
    struct Case {
        const char* name;
        Pelmo::CListCtrlEx* grid;
        int row, col;
        QString header, cell;
    };
    const Case cases[] = {
        {"value's +", values, 0, 0, u"挿入"_qs, u"挿入"_qs},
        {"value's -", values, 0, 1, u"削除"_qs, u"削除"_qs},
        {"section's -", sections, 0, 0, u"削除"_qs, u"削除"_qs},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QAccessibleTableInterface* table =
            QAccessible::queryAccessibleInterface(c.grid)->tableInterface();
        ASSERT_TRUE(table);
        QAccessibleInterface* cell = table->cellAt(c.row, c.col);
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->text(QAccessible::Name), c.cell);
        EXPECT_EQ(table->columnDescription(c.col), c.header);
    }
}

TEST_F(ProjectEditDlgTest, EnterOnAnAppendRowKeepsTheNewSectionAndEntryCurrent) {
    Open(0);
    Click(sections, 0, 1);
    Type(sections, "Main");
    Key(sections, Qt::Key_Return);
    EXPECT_EQ(Column(sections, 1), (QStringList{"Main", ""}));
    EXPECT_EQ(Cell(sections), std::make_pair(0, 1));
    EXPECT_EQ(Column(entries, 1), (QStringList{""})) << "its entries are open for typing";

    Key(sections, Qt::Key_Tab); // on to the entries grid
    Type(entries, "Mode");
    Key(entries, Qt::Key_Return);
    EXPECT_EQ(Column(entries, 1), (QStringList{"Mode", ""}));
    EXPECT_EQ(Cell(entries), std::make_pair(0, 1));
    EXPECT_EQ(Column(values, 2), (QStringList{""})) << "its values are open for typing";

    // Enter on a row that was there already moves down as always.
    Click(sections, 0, 1);
    Type(sections, "Top");
    Key(sections, Qt::Key_Return);
    EXPECT_EQ(Cell(sections), std::make_pair(1, 1));
}

TEST_F(ProjectEditDlgTest, TabAndShiftTabStepOverTheButtonCells) {
    const int pid = Store("L", {{"S", {{"k", {{"1", "one"}}}}}});
    Open(pid);
    Click(sections, 0, 1);
    Click(values, 0, 2);
    Key(values, Qt::Key_Tab);
    EXPECT_EQ(Cell(values), std::make_pair(0, 3));
    Key(values, Qt::Key_Tab);
    EXPECT_EQ(Cell(values), std::make_pair(1, 2)) << "the append row, past its buttons";
    Type(values, "2");
    Key(values, Qt::Key_Tab);
    EXPECT_EQ(Cell(values), std::make_pair(1, 3));
    Type(values, "two");
    Key(values, Qt::Key_Tab);
    EXPECT_EQ(Cell(values), std::make_pair(2, 2));
    Type(values, "3");
    Key(values, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(Cell(values), std::make_pair(1, 3));
    EXPECT_EQ(Column(values, 2), (QStringList{"1", "2", "3", ""})) << "nothing typed is lost";
    EXPECT_EQ(Column(values, 3), (QStringList{"one", "two", "", ""}));

    Key(values, Qt::Key_Left);
    Key(values, Qt::Key_Left);
    EXPECT_EQ(Cell(values), std::make_pair(1, 1)) << "a button cell, reached otherwise";
    Key(values, Qt::Key_Tab);
    EXPECT_EQ(Cell(values), std::make_pair(1, 2));
    Click(values, 0, 2);
    Key(values, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_NE(QApplication::focusWidget(), values) << "before the first text cell Tab leaves";
    EXPECT_EQ(Cell(values), std::make_pair(0, 2));
    PressOK();
    EXPECT_EQ(Dump(pid), (QStringList{"S S", " E k", "  V 1=one", "  V 2=two", "  V 3="}));
}

TEST_F(ProjectEditDlgTest, PlusPutsTheCurrentCellOnTheNewValue) {
    const int pid = Store("L", {{"S", {{"k", {{"1", ""}, {"2", ""}}}}}});
    Open(pid);
    Click(sections, 0, 1);
    Click(values, 1, 0);
    EXPECT_EQ(Cell(values), std::make_pair(1, 2));
    EXPECT_EQ(QApplication::focusWidget(), values);
    Type(values, "1.5");
    Key(values, Qt::Key_Return);
    EXPECT_EQ(Column(values, 2), (QStringList{"1", "1.5", "2", ""}));
}

TEST_F(ProjectEditDlgTest, PasteOnTheAppendRowMakesOneSectionFromTheFirstLineAndCopyTakesItBack) {
    Open(0);
    Click(sections, 0, 1);
    QGuiApplication::clipboard()->setText("  First \r\nSecond\n");
    Key(sections, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Column(sections, 1), (QStringList{"First", ""}));
    EXPECT_EQ(CurrentRow(sections), 0);
    EXPECT_TRUE(entries->GetAppendRow()) << "the pasted section is current";
    Click(entries, 0, 1);
    QGuiApplication::clipboard()->setText("key");
    Key(entries, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Column(entries, 1), (QStringList{"key", ""}));

    QGuiApplication::clipboard()->clear();
    Click(sections, 0, 1);
    Key(sections, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "First");
    NameEdit()->setText("P");
    PressOK();
    EXPECT_EQ(Dump(dlg->GetProject()->m_nPid), (QStringList{"S First", " E key"}));
}

TEST_F(ProjectEditDlgTest, ImportAsksThenAddsWhatTheFileHasAndKeepsWhatTheUserWrote) {
    const int pid = Store("L", {{"Main", {{"Mode", {{"1", "one"}}}, {"Own", {}}}}, {"Mine", {}}});
    const QStringList stored = Dump(pid);
    const QString path =
        WriteIni("a/app.ini", "[Extra]\r\nX=y\r\n[main]\r\nMode=1\r\nSize=2\r\n[Last]\r\n");
    auto ini = LoadIni(path);
    Open(pid, "L", ini.get());
    Click(sections, 0, 1);
    auto* import = Control<QPushButton>(dlg.get(), Res::IDC_IMPORT);
    ASSERT_TRUE(import->isEnabled());
    boxes.Answer(Ui::IDNO);
    import->click();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.LastText(),
              QString::fromUtf8("現在の値リストに、開いているファイルのセクションと"
                                "エントリを追加します。よろしいですか？"));
    EXPECT_EQ(boxes.Boxes()[0].caption, QString::fromUtf8("値リスト"));
    EXPECT_EQ(boxes.Boxes()[0].type & 0xF, unsigned(Ui::MB_YESNO));
    EXPECT_EQ(Column(sections, 1), (QStringList{"Main", "Mine", ""})) << "No changes nothing";

    boxes.Answer(Ui::IDYES);
    import->click();
    EXPECT_EQ(Column(sections, 1), (QStringList{"Extra", "Main", "Last", "Mine", ""}));
    EXPECT_EQ(Cell(sections).first, 1) << "the section shown stays shown";
    EXPECT_EQ(Column(entries, 1), (QStringList{"Mode", "Size", "Own", ""}));
    EXPECT_EQ(Column(values, 2), (QStringList{"1", ""}));
    PressOK();
    EXPECT_EQ(Dump(pid), (QStringList{"S Extra", " E X", "S Main", " E Mode", "  V 1=one",
                                      " E Size", " E Own", "S Last", "S Mine"}));
}

TEST_F(ProjectEditDlgTest, AValueListThatCannotBeLoadedIsReportedAndCancels) {
    CRecordIdName missing(42, "gone");
    CProjectEditDlg gone(db.get(), nullptr, &missing);
    EXPECT_FALSE(gone.IsLoaded());
    EXPECT_EQ(gone.DoModal(), Ui::IDCANCEL);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.LastText(), "値リストを読み込めません");
}

TEST_F(ProjectEditDlgTest, TheSizeAtClosingIsTheNextOpeningsAndTheFirstIsTheSmallest) {
    Open(0);
    const QSize first = dlg->size();
    EXPECT_EQ(dlg->minimumSize(), first);
    const QRect valuesBefore = values->geometry();
    dlg->resize(first + QSize(100, 80));
    QApplication::processEvents();
    // The values grid takes the last 40 % of the width gained and all the height.
    EXPECT_EQ(values->geometry(), valuesBefore.adjusted(60, 0, 100, 80));
    Control<QPushButton>(dlg.get(), Res::IDCANCEL)->click();
    Open(0);
    EXPECT_EQ(dlg->size(), first + QSize(100, 80));
    EXPECT_EQ(dlg->minimumSize(), first);
}

} // namespace

// A paste can carry an invisible U+FEFF: it goes as white space goes, and the list saves. A
// text that still cannot be stored (another program wrote it) fails the save by name.
TEST_F(ProjectEditDlgTest, APastedByteOrderMarkIsTrimmedAndARefusedRowIsNamed) {
    const int pid = Store("L", {{"S", {{"k", {{"1", "one"}}}}}});
    Open(pid);
    QGuiApplication::clipboard()->setText(QString(QChar(0xFEFF)) + "A");
    Click(sections, 0, 1);
    Key(sections, Qt::Key_V, Qt::ControlModifier);
    Click(values, 1, 2);
    Type(values, "x");
    Key(values, Qt::Key_A, Qt::ControlModifier);
    Key(values, Qt::Key_V, Qt::ControlModifier);
    Key(values, Qt::Key_Return);
    PressOK();
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.LastText().toStdString();
    EXPECT_EQ(Dump(pid), (QStringList{"S A", " E k", "  V 1=one", "  V A="}));

    // The file's text is UTF-16LE, so these bytes are U+FFFE and "B".
    SqliteProbe other(dir.filePath("Quillet.db"));
    ASSERT_TRUE(other.Exec(QString("INSERT INTO VALUE (PID, SCODE, ECODE, VALUE, NAME, DISP) "
                                   "VALUES (%1, 'A', 'k', CAST(X'FEFF4200' AS TEXT), '', 3)")
                               .arg(pid)));
    Open(pid);
    PressOK();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.LastText(), "保存に失敗しました\nセクション: A\nエントリ: k\n値: " +
                                    QString(QChar(0xFFFE)) + "B");
    EXPECT_EQ(dlg->result(), 0) << "the dialog stays open";
}

namespace {

// A second Escape used to drop every change: now closing with changes asks, and No (the
// default, what Escape on the question gives) keeps the dialog open with the changes.
TEST_F(ProjectEditDlgTest, ClosingWithChangesAsksAndOnlyYesDiscards) {
    const int pid = Store("L", {{"S", {}}});
    const QStringList stored = Dump(pid);
    Open(pid, "L");
    Key(dlg.get(), Qt::Key_Escape);
    EXPECT_TRUE(boxes.Boxes().empty()) << "nothing changed: no question";
    EXPECT_FALSE(dlg->isVisible());

    Open(pid, "L");
    Enter(sections, 1, 1, "T");
    Key(dlg.get(), Qt::Key_Escape);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.LastText(), QStringLiteral("変更を破棄しますか？"));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(Column(sections, 1), (QStringList{"S", "T", ""}));
    boxes.Answer(Ui::IDYES);
    Control<QPushButton>(dlg.get(), Res::IDCANCEL)->click();
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(Dump(pid), stored);
}

struct DeleteCase {
    const char* name;
    int gridId;
    QString question; // empty: deleted without asking
};

class ProjectEditDelete : public ProjectEditDlgTest,
                          public ::testing::WithParamInterface<DeleteCase> {};

// "-" on a row that holds more asks first, and No keeps it; an empty row goes at once.
TEST_P(ProjectEditDelete, AsksOnlyWhenTheRowHoldsMore) {
    const DeleteCase& c = GetParam();
    const int pid = Store("L", {{"S", {{"k", {{"1", ""}, {"2", ""}}}, {"e", {}}}}, {"E", {}}});
    Open(pid, "L");
    Click(sections, 0, 1);
    Pelmo::CListCtrlEx* grid = Grid(dlg.get(), c.gridId);
    const int row = c.question.isEmpty() ? 1 : 0;
    const QString code = grid->GetItemText(row, 1);
    boxes.Answer(Ui::IDNO);
    Click(grid, row, 0);
    if (!c.question.isEmpty()) {
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.LastText(), c.question);
        EXPECT_EQ(grid->GetItemText(row, 1), code) << "No keeps the row";
        boxes.Answer(Ui::IDYES);
        Click(grid, row, 0);
    } else {
        EXPECT_TRUE(boxes.Boxes().empty());
    }
    EXPECT_NE(grid->GetItemText(row, 1), code);
}

INSTANTIATE_TEST_SUITE_P(
    , ProjectEditDelete,
    ::testing::Values(
        DeleteCase{
            "SectionWithEntries", Res::IDC_SECTION_GRID,
            QStringLiteral("セクション「S」を、エントリ 2 個とその値も含めて削除しますか？")},
        DeleteCase{"EntryWithValues", Res::IDC_ENTRY_GRID,
                   QStringLiteral("エントリ「k」を、値 2 個も含めて削除しますか？")},
        DeleteCase{"EmptySection", Res::IDC_SECTION_GRID, {}},
        DeleteCase{"EmptyEntry", Res::IDC_ENTRY_GRID, {}}),
    [](const ::testing::TestParamInfo<DeleteCase>& info) { return std::string(info.param.name); });

// Space on "-" presses it whatever the input method: off, the key; on, the blank it commits.
// A press from the keyboard asks even for an empty row, as a stray Space would delete it.
TEST_F(ProjectEditDlgTest, SpaceOnMinusAsksBeforeDeletingWithOrWithoutAnInputMethod) {
    const int pid = Store("L", {{"S", {{"k", {{"1", ""}}}}}, {"E", {}}});
    Open(pid, "L");
    Click(sections, 1, 1);
    sections->SetCurrentCell(1, 0, true, false);
    boxes.Answer(Ui::IDNO);
    Key(sections, Qt::Key_Space);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.LastText(), QStringLiteral("セクション「E」を削除しますか？"));
    EXPECT_EQ(Column(sections, 1), (QStringList{"S", "E", ""})) << "No keeps it";

    Click(sections, 0, 1);
    Click(entries, 0, 1);
    values->SetCurrentCell(0, 1, true, false);
    values->setFocus();
    boxes.Answer(Ui::IDYES);
    QInputMethodEvent blank;
    blank.setCommitString(QString(QChar(0x3000)));
    QApplication::sendEvent(values, &blank);
    QApplication::processEvents();
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.LastText(), QStringLiteral("値「1」を削除しますか？"));
    EXPECT_EQ(Column(values, 2), (QStringList{""}));
    EXPECT_FALSE(values->IsEditing()) << "the blank is no text for a cell";
}

// Enter without typing went down the name column, so the next value typed became a name.
TEST_F(ProjectEditDlgTest, EnterWithoutTypingMovesAsEnterAfterTyping) {
    const int pid = Store("L", {{"S", {{"k", {{"1", "one"}}}}}});
    Open(pid);
    Click(sections, 0, 1);
    Click(values, 0, 2);
    Key(values, Qt::Key_Return);
    EXPECT_EQ(Cell(values), std::make_pair(0, 3));
    Key(values, Qt::Key_Return);
    EXPECT_EQ(Cell(values), std::make_pair(1, 2)) << "the append row's value";
    Type(values, "2");
    Key(values, Qt::Key_Return);
    EXPECT_EQ(Cell(values), std::make_pair(1, 3));
    Type(values, "two");
    Key(values, Qt::Key_Return);
    PressOK();
    EXPECT_EQ(Dump(pid), (QStringList{"S S", " E k", "  V 1=one", "  V 2=two"}));
}

// Enter in the name box used to press OK and save a half-made list.
TEST_F(ProjectEditDlgTest, EnterInTheNameBoxGoesOnToTheSections) {
    Open(0);
    NameEdit()->setFocus();
    Type(NameEdit(), "New");
    Key(NameEdit(), Qt::Key_Return);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(QApplication::focusWidget(), sections);
    Type(sections, "Main");
    Key(sections, Qt::Key_Return);
    EXPECT_EQ(Column(sections, 1), (QStringList{"Main", ""})) << "what is typed next is a section";
    std::vector<std::unique_ptr<CRecordIdName>> names;
    ASSERT_TRUE(db->LoadProjectNames(names));
    EXPECT_TRUE(names.empty());
}

// Ctrl+Z did nothing: a section deleted with its entries was gone for good.
TEST_F(ProjectEditDlgTest, CtrlZTakesEditsBackInTurnAndCtrlYDoesThemAgain) {
    const int pid = Store("L", {{"S", {{"k", {{"1", "one"}}}}}, {"T", {}}});
    Open(pid, "L");
    Click(sections, 0, 1);
    Enter(values, 0, 3, "uno");
    boxes.Answer(Ui::IDYES);
    Click(sections, 0, 0);
    EXPECT_EQ(Column(sections, 1), (QStringList{"T", ""}));

    Key(sections, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Column(sections, 1), (QStringList{"S", "T", ""})) << "back where it was";
    EXPECT_EQ(Cell(sections).first, 0);
    EXPECT_EQ(Column(entries, 1), (QStringList{"k", ""})) << "with its entries";
    EXPECT_EQ(Column(values, 3), (QStringList{"uno", ""}));
    Key(sections, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Column(values, 3), (QStringList{"one", ""}));
    EXPECT_EQ(QApplication::focusWidget(), values) << "where the change was";

    Key(values, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Column(values, 3), (QStringList{"uno", ""}));
    PressOK();
    EXPECT_EQ(Dump(pid), (QStringList{"S S", " E k", "  V 1=uno", "S T"}));
}

// The import adds many records at once: one Ctrl+Z takes all of them back, and a tree undone
// to what was opened closes without the question.
TEST_F(ProjectEditDlgTest, CtrlZTakesAWholeImportBack) {
    const int pid = Store("L", {{"Main", {}}});
    auto ini = LoadIni(WriteIni("app.ini", "[A]\r\nx=1\r\n[Main]\r\ny=2\r\n"));
    Open(pid, "L", ini.get());
    Click(sections, 0, 1);
    boxes.Answer(Ui::IDYES);
    Control<QPushButton>(dlg.get(), Res::IDC_IMPORT)->click();
    EXPECT_EQ(Column(sections, 1), (QStringList{"A", "Main", ""}));
    Key(sections, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Column(sections, 1), (QStringList{"Main", ""}));
    Click(sections, 0, 1);
    EXPECT_EQ(Column(entries, 1), (QStringList{""}));
    boxes.Clear();
    Key(dlg.get(), Qt::Key_Escape);
    EXPECT_TRUE(boxes.Boxes().empty()) << boxes.LastText().toStdString();
    EXPECT_FALSE(dlg->isVisible());
}

struct RefusedCodeCase {
    const char* name;
    int gridId;
    QString code;
    QString message;
    QString kept; // the grid's one row
};

class ProjectEditRefusedCode : public ProjectEditDlgTest,
                               public ::testing::WithParamInterface<RefusedCodeCase> {};

// A code no INI file can hold is refused as it is typed, with the reason, as the value-list
// file's reader refuses it.
TEST_P(ProjectEditRefusedCode, IsRefusedWithTheReason) {
    const RefusedCodeCase& c = GetParam();
    const int pid = Store("L", {{"S", {{"k", {}}}}});
    Open(pid, "L");
    Click(sections, 0, 1);
    Pelmo::CListCtrlEx* grid = Grid(dlg.get(), c.gridId);
    Enter(grid, 0, 1, c.code);
    Enter(grid, 1, 1, c.code);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.LastText(), c.message);
    EXPECT_EQ(Column(grid, 1), (QStringList{c.kept, ""})) << "neither renamed nor added";
    PressOK();
    EXPECT_EQ(Dump(pid), (QStringList{"S S", " E k"}));
}

INSTANTIATE_TEST_SUITE_P(
    , ProjectEditRefusedCode,
    ::testing::Values(
        RefusedCodeCase{"SectionWithBracket", Res::IDC_SECTION_GRID, "a]b",
                        QStringLiteral("INI ファイルのセクション名には「]」を書けません"), "S"},
        RefusedCodeCase{"KeyWithEquals", Res::IDC_ENTRY_GRID, "a=b",
                        QStringLiteral("INI ファイルのキーには「=」を書けません"), "k"}),
    [](const ::testing::TestParamInfo<RefusedCodeCase>& info) {
        return std::string(info.param.name);
    });

// Display names of sections and entries were stored and exported but never shown.
TEST_F(ProjectEditDlgTest, SectionAndEntryDisplayNamesAreShownAndEdited) {
    const int pid = Store("L", {{"S", {{"k", {}}}}});
    {
        std::unique_ptr<CProjectData> project = db->LoadProject(pid);
        project->FirstSection()->m_strName = QString::fromUtf8("全般");
        ASSERT_TRUE(db->SaveProject(project.get()));
    }
    Open(pid, "L");
    EXPECT_EQ(sections->GetItemText(0, 2), QString::fromUtf8("全般"));
    Click(sections, 0, 1);
    Enter(entries, 0, 2, QString::fromUtf8("キー"));
    Enter(entries, 1, 2, "alone");
    EXPECT_EQ(Column(entries, 1), (QStringList{"k", ""})) << "a name alone makes no entry";
    Enter(sections, 0, 2, "Gen");
    PressOK();
    std::unique_ptr<CProjectData> project = db->LoadProject(pid);
    EXPECT_EQ(project->FirstSection()->FirstEntry()->m_strName, QString::fromUtf8("キー"));
    EXPECT_EQ(project->FirstSection()->m_strName, "Gen");
}

} // namespace

class ProjectEditRules : public ProjectEditDlgTest {
public:
    // A list with S/level (integer 0..10, default 5) and S/mode (values a, b; no rule).
    int StoreRuled() {
        const int pid = Store("L", {{"S", {{"level", {}}, {"mode", {{"a", ""}, {"b", ""}}}}}});
        std::unique_ptr<CProjectData> project = db->LoadProject(pid);
        CEntryRule& rule = project->FindEntry("S", "level")->m_rule;
        rule.m_type = EValueType::Integer;
        rule.m_min = 0;
        rule.m_max = 10;
        rule.m_default = "5";
        EXPECT_TRUE(db->SaveProject(project.get()));
        return pid;
    }
    QLineEdit* Field(int nId) { return Control<QLineEdit>(dlg.get(), nId); }
    QComboBox* TypeBox() { return Control<QComboBox>(dlg.get(), Res::IDC_RULE_TYPE); }
    // Replaces a field's text as typed, taken in with Enter.
    void TypeInto(int nId, const QString& text) {
        QLineEdit* pField = Field(nId);
        pField->setFocus();
        pField->selectAll();
        Type(pField, text);
        Key(pField, Qt::Key_Return);
    }
    QStringList RuleRows(int nPid) {
        SqliteProbe probe(dir.filePath("Quillet.db"));
        return probe.Column(
            QStringLiteral("SELECT ECODE || '|' || IFNULL(TYPE, '') || '|' || "
                           "IFNULL(MINVALUE, '') || '|' || IFNULL(MAXVALUE, '') "
                           "|| '|' || IFNULL(DEFAULTVALUE, '') || '|' || REQUIRED "
                           "|| '|' || DESCRIPTION FROM VALUERULE WHERE PID = %1 AND ECODE <> '' "
                           "ORDER BY ECODE")
                .arg(nPid));
    }
};

TEST_F(ProjectEditRules, TheFieldsFollowTheEntryAndAnEditIsStoredOnOKAndUndone) {
    const int pid = StoreRuled();
    Open(pid, "L");
    Click(sections, 0, 1);
    EXPECT_EQ(TypeBox()->currentText(), QString::fromUtf8("整数"));
    EXPECT_EQ(Field(Res::IDC_RULE_MAX)->text(), "10");
    EXPECT_EQ(Field(Res::IDC_RULE_DEFAULT)->text(), "5");
    Click(entries, 1, 1);
    EXPECT_EQ(TypeBox()->currentText(), QString::fromUtf8("指定なし"));
    EXPECT_EQ(Field(Res::IDC_RULE_DEFAULT)->text(), "");
    EXPECT_FALSE(Field(Res::IDC_RULE_MIN)->isEnabled()) << "no range without a numeric type";

    Click(entries, 0, 1);
    TypeInto(Res::IDC_RULE_MAX, "20");
    Click(entries, 0, 1);
    Key(entries, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Field(Res::IDC_RULE_MAX)->text(), "10") << "undone";
    Key(entries, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Field(Res::IDC_RULE_MAX)->text(), "20") << "done again";
    TypeInto(Res::IDC_RULE_DESCRIPTION, QString::fromUtf8("難易度"));
    Control<QCheckBox>(dlg.get(), Res::IDC_RULE_REQUIRED)->click();
    Control<QCheckBox>(dlg.get(), Res::IDC_REPORT_UNKNOWN_KEYS)->click();
    Click(entries, 1, 1);
    TypeBox()->setFocus();
    Key(TypeBox(), Qt::Key_End); // the last type: a choice
    TypeInto(Res::IDC_RULE_DEFAULT, "b");
    PressOK();
    ASSERT_EQ(dlg->result(), QDialog::Accepted) << boxes.LastText().toStdString();
    EXPECT_EQ(RuleRows(pid), (QStringList{QString::fromUtf8("level|integer|0.0|20.0|5|1|難易度"),
                                          "mode|choice|||b|0|"}));
    SqliteProbe probe(dir.filePath("Quillet.db"));
    EXPECT_EQ(probe.Int(QStringLiteral("SELECT REPORTUNKNOWN FROM VALUERULE WHERE PID = %1 AND "
                                       "ECODE = ''")
                            .arg(pid)),
              1);
}

struct RuleRefusal {
    const char* name;
    int entryRow;
    int fieldId;
    QString text;
    QString message;
};

class ProjectEditRuleRefusal : public ProjectEditRules,
                               public ::testing::WithParamInterface<RuleRefusal> {};

TEST_P(ProjectEditRuleRefusal, SaysWhyKeepsTheFocusAndStoresNothing) {
    const RuleRefusal& c = GetParam();
    const int pid = StoreRuled();
    const QStringList stored = RuleRows(pid);
    Open(pid, "L");
    Click(sections, 0, 1);
    Click(entries, c.entryRow, 1);
    if (c.entryRow == 1) {
        TypeBox()->setFocus();
        Key(TypeBox(), Qt::Key_End);
    }
    const QString before = Field(c.fieldId)->text();
    TypeInto(c.fieldId, c.text);
    ASSERT_FALSE(boxes.Boxes().empty());
    EXPECT_EQ(boxes.LastText(), c.message);
    EXPECT_EQ(QApplication::focusWidget(), Field(c.fieldId));
    EXPECT_EQ(Field(c.fieldId)->text(), before) << "the field shows the stored rule again";
    Click(entries, 0, 1);
    Control<QPushButton>(dlg.get(), Res::IDCANCEL)->click();
    boxes.Answer(Ui::IDYES);
    Control<QPushButton>(dlg.get(), Res::IDCANCEL)->click();
    EXPECT_EQ(RuleRows(pid), stored);
    EXPECT_EQ(dlg->GetProject()->FindEntry("S", "level")->m_rule.m_max, 10.0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProjectEditRuleRefusal,
    ::testing::Values(RuleRefusal{"MinAboveMax", 0, Res::IDC_RULE_MIN, "11",
                                  QString::fromUtf8("最小値が最大値より大きくなっています")},
                      RuleRefusal{"DefaultOutOfRange", 0, Res::IDC_RULE_DEFAULT, "11",
                                  QString::fromUtf8("既定値が範囲外です")},
                      RuleRefusal{"DefaultNotAmongTheValues", 1, Res::IDC_RULE_DEFAULT, "c",
                                  QString::fromUtf8("既定値が値の一覧にありません")}),
    [](const ::testing::TestParamInfo<RuleRefusal>& info) { return info.param.name; });

// Deleting a value in the grid passes no field of the rules, so only OK can see that a choice's
// default went with it.
TEST_F(ProjectEditRules, OKRefusesAChoiceWhoseDefaultValueWasDeleted) {
    const int pid = StoreRuled();
    Open(pid, "L");
    Click(sections, 0, 1);
    Click(entries, 1, 1);
    TypeBox()->setFocus();
    Key(TypeBox(), Qt::Key_End);
    TypeInto(Res::IDC_RULE_DEFAULT, "b");
    ASSERT_TRUE(boxes.Boxes().empty()) << boxes.LastText().toStdString();
    Click(values, 1, 1); // "-" of "b"
    ASSERT_EQ(Column(values, 2), (QStringList{"a", ""}));
    Click(entries, 0, 1);
    PressOK();
    EXPECT_NE(dlg->result(), QDialog::Accepted);
    ASSERT_FALSE(boxes.Boxes().empty());
    EXPECT_EQ(boxes.LastText(), QString::fromUtf8("既定値が値の一覧にありません"));
    EXPECT_EQ(QApplication::focusWidget(), Field(Res::IDC_RULE_DEFAULT));
    EXPECT_EQ(Cell(entries).first, 1) << "the faulty entry is shown";
    EXPECT_EQ(RuleRows(pid), (QStringList{"level|integer|0.0|10.0|5|0|"}));
    EXPECT_EQ(Dump(pid), (QStringList{"S S", " E level", " E mode", "  V a=", "  V b="}));
    const size_t said = boxes.Boxes().size();
    Enter(values, 1, 2, "b");
    EXPECT_EQ(boxes.Boxes().size(), said) << "leaving the untouched field refuses nothing";
    PressOK();
    EXPECT_EQ(dlg->result(), QDialog::Accepted) << boxes.LastText().toStdString();
}
