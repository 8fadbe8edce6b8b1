#include "tests/grid/GridInputFixture.h"

#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <functional>

using namespace Pelmo;

namespace {

bool RefuseBad(CListCtrlEx*, int, int, const QString& text, QString* pStore, void*) {
    if (text.contains(QStringLiteral("bad")))
        return false;
    *pStore = text;
    return true;
}

int CompareDescending(quintptr l1, quintptr l2, quintptr) {
    return l1 < l2 ? 1 : (l1 > l2 ? -1 : 0);
}

} // namespace

class GridEditFlowTest : public GridInputTest {
protected:
    std::vector<unsigned> Codes() const {
        std::vector<unsigned> codes;
        for (const auto& n : notes) {
            if (n.code != GN_CURCELLCHANGED)
                codes.push_back(n.code);
        }
        return codes;
    }
    void Preedit(QWidget* target, const QString& text) {
        QInputMethodEvent event(text, {});
        QApplication::sendEvent(target, &event);
    }
    void Commit(QWidget* target, const QString& text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(target, &event);
    }
};

// ---------------------------------------------------------------- the append row

TEST_F(GridEditFlowTest, AppendRowBecomesAPendingRowThenAnOrdinaryRow) {
    Fill(2, 1);
    grid->SetAppendRow(true);
    StartAt(1, 0);
    Type(QStringLiteral("n"));
    ASSERT_TRUE(EditOpen());
    // Opening an editor on the append row made a new append row below it.
    EXPECT_EQ(grid->GetItemCount(), 3);
    ASSERT_EQ(NotesOf(GN_APPENDROW).size(), 1u);
    EXPECT_EQ(NotesOf(GN_APPENDROW)[0].nRow, 2);
    EXPECT_EQ(NotesOf(GN_APPENDROW)[0].nCol, -1);
    EXPECT_EQ(grid->GetEditState(1), 1);
    EXPECT_EQ(grid->GetEditState(2), 3);

    // Cancelled before it got a value: the half-made row goes, silently.
    Key(Qt::Key_Escape);
    EXPECT_EQ(grid->GetItemCount(), 2);
    EXPECT_EQ(grid->GetEditState(1), 3);
    EXPECT_EQ(Codes(), (std::vector<unsigned>{GN_APPENDROW}));

    // Committed: event 2 for the row that is now ordinary; Enter then moves onto the new
    // append row.
    notes.clear();
    Type(QStringLiteral("n"));
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemCount(), 3);
    EXPECT_EQ(grid->GetItemText(1, 0), QStringLiteral("n"));
    EXPECT_EQ(Codes(), (std::vector<unsigned>{GN_APPENDROW, GN_CELLCHANGED}));
    const auto changed = NotesOf(GN_CELLCHANGED);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0].nEvent, GE_APPEND_EDITED);
    EXPECT_EQ(changed[0].nRow, 1);
    EXPECT_EQ(changed[0].nCol, 0);
    EXPECT_EQ(grid->GetEditState(1), 0);
    EXPECT_EQ(grid->GetEditState(2), 3);
    EXPECT_EQ(Current(), Cell(2, 0));
    EXPECT_FALSE(grid->IsRowReadOnly(1));

    // In append mode even an unchanged text is stored and reported (as event 1 for a row
    // that is already ordinary).
    notes.clear();
    StartAt(1, 1);
    Key(Qt::Key_F2);
    Key(Qt::Key_Return);
    ASSERT_EQ(NotesOf(GN_CELLCHANGED).size(), 1u);
    EXPECT_EQ(NotesOf(GN_CELLCHANGED)[0].nEvent, GE_EDITED);
    EXPECT_EQ(grid->GetItemCount(), 3);
}

TEST_F(GridEditFlowTest, RefusedCommitOfAPendingRowRemovesIt) {
    Fill(1, 1);
    grid->SetEndEditCallback(&RefuseBad, nullptr);
    grid->SetAppendRow(true);
    StartAt(1, 0);
    Type(QStringLiteral("bad"));
    EXPECT_EQ(grid->GetItemCount(), 3);
    Key(Qt::Key_Return);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemCount(), 2);
    EXPECT_EQ(grid->GetEditState(1), 3);
    EXPECT_TRUE(NotesOf(GN_CELLCHANGED).empty());
    EXPECT_FALSE(grid->GetModified());

    // On an ordinary row the cell keeps its old text.
    StartAt(0, 0);
    Type(QStringLiteral("bad"));
    Key(Qt::Key_Tab);
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("r0c0"));
    EXPECT_TRUE(NotesOf(GN_CELLCHANGED).empty());
}

TEST_F(GridEditFlowTest, CancelNextEndEditTurnsExactlyOneEnterIntoACancel) {
    Fill(1, 2);
    grid->CancelNextEndEdit();
    StartAt(0, 0);
    Type(QStringLiteral("x"));
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("r0c0"));
    EXPECT_EQ(Current(), Cell(1, 0)); // the movement still follows
    Type(QStringLiteral("y"));
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(1, 0), QStringLiteral("y"));
}

TEST_F(GridEditFlowTest, ChoiceListWithNothingSelectedCommitsTheEmptyKey) {
    Fill(2, 1);
    const QStringList items = {QStringLiteral("a|Alpha"), QStringLiteral("b|Beta")};
    grid->SetColumnChoiceList(1, &items, 5, QLatin1Char('|'));
    StartAt(0, 1);
    Key(Qt::Key_F4);
    ASSERT_TRUE(ListOpen());
    EXPECT_EQ(grid->GetListBox()->GetCurSel(), -1); // "r0c1" is no key
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(0, 1), QString());
    ASSERT_EQ(NotesOf(GN_CELLCHANGED).size(), 1u);
}

// ---------------------------------------------------------------- what ends an editor

TEST_F(GridEditFlowTest, OperationsEndAnOpenEditorTheRightWay) {
    struct Case {
        const char* name;
        std::function<void(CListCtrlBase*)> op;
        bool commits;
        bool append = false;
    };
    const std::vector<Case> cases = {
        {"InsertColumn", [](CListCtrlBase* g) { g->InsertColumn(3, QStringLiteral("D")); }, true},
        {"DeleteColumn", [](CListCtrlBase* g) { g->DeleteColumn(2); }, true},
        {"SetFont", [](CListCtrlBase* g) { g->SetFont(QStringLiteral("IPAGothic"), 12, 0, 0); },
         true},
        {"SetHeaderLines", [](CListCtrlBase* g) { g->SetHeaderLines(2); }, true},
        {"SortItems", [](CListCtrlBase* g) { g->SortItems(&CompareDescending, 0); }, true},
        {"kind change", [](CListCtrlBase* g) { g->SetColumnButton(0); }, true},
        {"resize", [](CListCtrlBase* g) { g->SetGridSize(300, 200); }, true},
        {"DeleteItem", [](CListCtrlBase* g) { g->DeleteItem(1); }, false},
        {"DeleteAllItems", [](CListCtrlBase* g) { g->DeleteAllItems(); }, false},
        {"SetAppendRow", [](CListCtrlBase* g) { g->SetAppendRow(true); }, false},
        {"read-only cell", [](CListCtrlBase* g) { g->SetCellReadOnly(0, 0, true); }, false},
        {"BeginEdit elsewhere", [](CListCtrlBase* g) { g->BeginEdit(1, 1); }, false},
        {"InsertItem in append mode", [](CListCtrlBase* g) { g->InsertItem(0, QString()); }, true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        notes.clear();
        SetUp();
        Fill(3, 2);
        for (int r = 0; r < 2; ++r)
            grid->SetItemData(r, quintptr(r));
        grid->SetAppendRow(c.append);
        StartAt(0, 0);
        Type(QStringLiteral("typed"));
        ASSERT_TRUE(EditOpen());
        c.op(grid);
        EXPECT_FALSE(EditOpen() && EditCell() == Cell(0, 0));
        EXPECT_EQ(NotesOf(GN_CELLCHANGED).size(), c.commits ? 1u : 0u);
        bool found = false;
        for (int r = 0; r < grid->GetItemCount(); ++r)
            found = found || grid->GetItemText(r, 0) == QStringLiteral("typed");
        EXPECT_EQ(found, c.commits);
    }
}

TEST_F(GridEditFlowTest, FocusLeavingTheGridCancelsTheOpenList) {
    Fill(2, 1);
    const QStringList items = {QStringLiteral("a|Alpha")};
    grid->SetColumnChoiceList(1, &items, 5, QLatin1Char('|'));
    auto* other = new QLineEdit(parent.get());
    other->show();
    StartAt(0, 1);
    Key(Qt::Key_F4);
    ASSERT_TRUE(ListOpen());
    grid->GetListBox()->SetCurSel(0);
    other->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 1), QStringLiteral("r0c1"));
}

TEST_F(GridEditFlowTest, ScrollingCommitsTheEditBox) {
    Fill(2, 60);
    StartAt(0, 0);
    Type(QStringLiteral("s"));
    grid->Scroll(0, grid->GetRowHeight() * 3);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("s"));

    // A click on the scroll bar, whether it scrolls or not.
    StartAt(0, 1);
    Type(QStringLiteral("t"));
    QScrollBar* bar = grid->verticalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() / 2, 2));
    QApplication::processEvents();
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 1), QStringLiteral("t"));
}

// ---------------------------------------------------------------- input method

TEST_F(GridEditFlowTest, PendingCompositionIsCommittedWithTheEdit) {
    Fill(2, 2);
    StartAt(0, 0);
    Key(Qt::Key_F2);
    ASSERT_TRUE(EditOpen());
    Key(Qt::Key_End);
    Preedit(grid->GetEdit(), QStringLiteral("かな"));
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("r0c0")); // still composing
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("r0c0かな"));
    ASSERT_EQ(NotesOf(GN_CELLCHANGED).size(), 1u);

    // The same when a click ends the edit.
    StartAt(0, 1);
    Key(Qt::Key_F2);
    Key(Qt::Key_End);
    Preedit(grid->GetEdit(), QStringLiteral("漢"));
    Click(1, 0);
    EXPECT_EQ(grid->GetItemText(0, 1), QStringLiteral("r0c1漢"));
    EXPECT_EQ(Current(), Cell(1, 0));
}

// What the input method asks the focused widget before it opens its candidate window.
static QRect InputCursorOf(QWidget* widget) {
    QInputMethodQueryEvent query(Qt::ImCursorRectangle);
    QApplication::sendEvent(widget, &query);
    return query.value(Qt::ImCursorRectangle).toRect();
}

TEST_F(GridEditFlowTest, CompositionOnTheGridStartsAnEditReplacingTheText) {
    Fill(2, 2);
    int editTextCalls = 0;
    grid->SetEditTextCallback(
        [](CListCtrlEx*, int, int, const QString&, QString*, void* p) {
            ++*static_cast<int*>(p);
            return false;
        },
        &editTextCalls);
    StartAt(1, 1);
    Preedit(grid, QStringLiteral("に"));
    ASSERT_TRUE(EditOpen());
    EXPECT_EQ(editTextCalls, 1);
    // The editor shows the composition in place of the cell's text, but a focus change now
    // would make the input method drop it: the grid keeps the focus, and the input method
    // asking the grid where the caret is hears it from the editor.
    EXPECT_TRUE(grid->GetEdit()->HasComposition());
    EXPECT_EQ(grid->GetEdit()->text(), QString());
    EXPECT_EQ(QApplication::focusWidget(), grid);
    const QRect caret = InputCursorOf(grid->GetEdit());
    EXPECT_EQ(InputCursorOf(grid),
              QRect(grid->GetEdit()->mapTo(grid, caret.topLeft()), caret.size()));
    Preedit(FocusTarget(), QStringLiteral("にほ"));
    EXPECT_EQ(QApplication::focusWidget(), grid);
    // The commit ends the first composition: the editor has the text and now the focus.
    Commit(FocusTarget(), QStringLiteral("日本"));
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("日本"));
    EXPECT_EQ(QApplication::focusWidget(), grid->GetEdit());
    Preedit(FocusTarget(), QStringLiteral("ご"));
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(1, 1), QStringLiteral("日本ご"));

    // A text committed with no composition before it opens the editor with it, once.
    StartAt(0, 1);
    Commit(grid, QStringLiteral("語"));
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("語"));
    EXPECT_EQ(QApplication::focusWidget(), grid->GetEdit());
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(0, 1), QStringLiteral("語"));

    // On a cell that cannot be edited the composition opens nothing.
    grid->SetCellReadOnly(0, 0, true);
    StartAt(0, 0);
    Preedit(grid, QStringLiteral("に"));
    EXPECT_FALSE(grid->IsEditing());
}

// The first composition on a cell ends as it would in the open editor.
TEST_F(GridEditFlowTest, EndsOfTheFirstCompositionActAsInTheEditor) {
    QLineEdit elsewhere(parent.get());
    elsewhere.show();
    struct Row {
        const char* name;
        std::function<void()> act;
        QString cell;
        std::pair<int, int> current;
    };
    const QString composed = QStringLiteral("にほんご");
    const std::vector<Row> rows = {
        {"click on another cell", [&] { Click(1, 0); }, composed, Cell(1, 0)},
        {"Tab passed on", [&] { Key(Qt::Key_Tab); }, composed, Cell(0, 2)},
        {"Enter passed on", [&] { Key(Qt::Key_Return); }, composed, Cell(1, 1)},
        {"focus leaving the grid", [&] { elsewhere.setFocus(Qt::MouseFocusReason); }, composed,
         Cell(0, 1)},
        {"cancelled, then Escape",
         [&] {
             Preedit(grid, QString());
             // The editor starts over from the cell's text, and takes the focus.
             EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("r0c1"));
             EXPECT_EQ(grid->GetEdit()->selectedText(), QStringLiteral("r0c1"));
             EXPECT_EQ(QApplication::focusWidget(), grid->GetEdit());
             Key(Qt::Key_Escape);
         },
         QStringLiteral("r0c1"), Cell(0, 1)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        grid->DeleteAllItems();
        Fill(3, 2);
        StartAt(0, 1);
        Preedit(grid, composed);
        ASSERT_EQ(QApplication::focusWidget(), grid);
        row.act();
        EXPECT_FALSE(grid->IsEditing());
        EXPECT_EQ(grid->GetItemText(0, 1), row.cell);
        EXPECT_EQ(Current(), row.current);
    }
}

TEST_F(GridEditFlowTest, CommittedWordPicksFromTheDropDownList) {
    Fill(2, 2);
    const QStringList items = {QStringLiteral("r|赤"), QStringLiteral("g|緑"),
                               QStringLiteral("bg|青緑"), QStringLiteral("b|青")};
    grid->SetColumnChoiceList(1, &items, 5, QLatin1Char('|'));
    // A composition on the closed cell opens the list; the word committed picks the first item
    // that begins with it, and Enter stores it.
    StartAt(0, 1);
    Preedit(grid, QStringLiteral("あお"));
    ASSERT_TRUE(ListOpen());
    Commit(grid, QStringLiteral("青"));
    EXPECT_EQ(grid->GetListBox()->GetCurSel(), 2);
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(0, 1), QStringLiteral("bg"));
    // Committed at once, into a list already open; a word no item begins with leaves it be.
    StartAt(1, 1);
    Key(Qt::Key_F4);
    Commit(grid, QStringLiteral("緑"));
    Commit(grid, QStringLiteral("黄"));
    EXPECT_EQ(grid->GetListBox()->GetCurSel(), 1);
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(1, 1), QStringLiteral("g"));
}

// The list shows no text of its own: the composition typed into it shows over its cell, and
// the input method's candidates open beside the list, not over its first items.
TEST_F(GridEditFlowTest, CompositionIntoTheOpenListShowsOverItsCell) {
    Fill(2, 2);
    const QStringList items = {QStringLiteral("r|赤"), QStringLiteral("b|青")};
    grid->SetColumnChoiceList(1, &items, 5, QLatin1Char('|'));
    StartAt(0, 1);
    Key(Qt::Key_F4);
    ASSERT_TRUE(ListOpen());
    Preedit(grid, QStringLiteral("あお"));
    auto* shown = grid->viewport()->findChild<QLabel*>(QStringLiteral("ListComposition"));
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->text(), QStringLiteral("あお"));
    EXPECT_EQ(shown->geometry(), grid->GetCellRect(0, 1));
    const QRect list(grid->mapFromGlobal(grid->GetListBox()->mapToGlobal(QPoint(0, 0))),
                     grid->GetListBox()->size());
    EXPECT_TRUE(InputCursorOf(grid).contains(list));
    Commit(grid, QStringLiteral("青"));
    EXPECT_FALSE(shown->isVisible());
    EXPECT_EQ(grid->GetListBox()->GetCurSel(), 1);
    Preedit(grid, QStringLiteral("あ"));
    Key(Qt::Key_Escape);
    EXPECT_FALSE(ListOpen());
    EXPECT_FALSE(shown->isVisible()) << "the composition went with the list";
}

// Space with an input method on arrives as a committed blank, U+3000 in Japanese input: on a
// button or check box cell it presses it as the key does; elsewhere it is text.
TEST_F(GridEditFlowTest, CommittedBlankPressesAButtonOrCheckBoxCell) {
    Fill(3, 2);
    grid->SetColumnCheckBox(0);
    grid->SetColumnButton(1);
    grid->SetItemText(0, 0, QString());
    StartAt(0, 1);
    Commit(grid, QString(QChar(0x3000)));
    QApplication::processEvents();
    ASSERT_EQ(NotesOf(GN_BUTTONCLICK).size(), 1u);
    EXPECT_EQ(NotesOf(GN_BUTTONCLICK)[0].nEvent, GE_BUTTON_SPACE);
    EXPECT_FALSE(grid->IsEditing());
    StartAt(0, 0);
    Commit(grid, QStringLiteral(" "));
    QApplication::processEvents();
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("1"));
    StartAt(1, 1);
    Commit(grid, QStringLiteral("　あ"));
    QApplication::processEvents();
    EXPECT_TRUE(NotesOf(GN_BUTTONCLICK).empty()) << "a word is no press";
    StartAt(1, 2);
    Commit(grid, QString(QChar(0x3000)));
    ASSERT_TRUE(EditOpen());
    EXPECT_EQ(grid->GetEdit()->text(), QString(QChar(0x3000)));
}

TEST_F(GridEditFlowTest, InputMethodPlacesItsWindowOverTheCurrentCell) {
    Fill(3, 30);
    StartAt(20, 2);
    const QRect cell = grid->GetCellRect(20, 2);
    ASSERT_FALSE(cell.isEmpty());
    const QRect cursor = InputCursorOf(grid);
    EXPECT_EQ(cursor, QRect(grid->viewport()->mapTo(grid, cell.topLeft()), cell.size()));

    // Following the current cell, also after it moved.
    StartAt(1, 0);
    const QRect moved = InputCursorOf(grid);
    EXPECT_EQ(moved.topLeft(), grid->viewport()->mapTo(grid, grid->GetCellRect(1, 0).topLeft()));
}

// With no window manager the window loses its activation when a dialog closes, while keys
// still reach the grid: the editor opened by typing cannot take the focus then. A key the
// editor does not want comes back to the grid and must not be sent to it again.
TEST_F(GridEditFlowTest, KeysOfAnInactiveWindowReachTheEditorOnce) {
    Fill(2, 30);
    StartAt(10, 1);
    QWidget other;
    other.show();
    other.activateWindow();
    QApplication::processEvents();
    ASSERT_FALSE(parent->isActiveWindow());
    for (QChar ch : QStringLiteral("xy"))
        QTest::sendKeyEvent(QTest::Click, grid, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    ASSERT_TRUE(EditOpen());
    for (const Qt::Key key : {Qt::Key_PageUp, Qt::Key_F3, Qt::Key_PageDown})
        QTest::keyClick(grid, key);
    QTest::keyClick(grid, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("xy"));
    EXPECT_EQ(EditCell(), Cell(10, 1));
    // Back in the window, the user types on in the editor.
    parent->activateWindow();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), grid->GetEdit());
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(10, 1), QStringLiteral("xy"));
}
