#include "tests/grid/GridInputFixture.h"

#include <QClipboard>
#include <QLineEdit>
#include <QScrollBar>

using namespace Pelmo;

namespace {

struct KeyMoveLog {
    int calls = 0;
    int row = -1;
    int col = -1;
    int key = 0;
    bool shift = false;
    bool result = true;
};

bool LogKeyMove(CListCtrlEx*, int nRow, int nCol, int nKey, bool bShift, void* pData) {
    auto* log = static_cast<KeyMoveLog*>(pData);
    ++log->calls;
    log->row = nRow;
    log->col = nCol;
    log->key = nKey;
    log->shift = bShift;
    return log->result;
}

bool ReplaceEditText(CListCtrlEx*, int, int, const QString&, QString* pEdit, void* pCalls) {
    ++*static_cast<int*>(pCalls);
    *pEdit = QStringLiteral("from callback");
    return true;
}

bool RefuseDigits(CListCtrlEx*, int, int, QChar ch, QChar* pInsert, void*) {
    if (ch.isDigit())
        return false;
    *pInsert = ch.toUpper();
    return true;
}

} // namespace

// ---------------------------------------------------------------- movement

TEST_F(GridInputTest, ArrowsWrapLinesButStopAtTheEdges) {
    Fill(3, 3);
    StartAt(0, 2);
    Key(Qt::Key_Right); // past the last column: first column of the next row
    EXPECT_EQ(Current(), Cell(1, 0));
    ASSERT_EQ(NotesOf(GN_CURCELLCHANGED).size(), 1u);
    EXPECT_EQ(notes.back().nRow, 1);
    EXPECT_EQ(notes.back().nCol, 0);
    EXPECT_EQ(notes.back().nEvent, GE_CURCELL);

    Key(Qt::Key_Left); // before the first column: last column of the previous row
    EXPECT_EQ(Current(), Cell(0, 2));

    StartAt(2, 2);
    Key(Qt::Key_Right); // the last cell: the edge rule comes before the line wrap
    EXPECT_EQ(Current(), Cell(2, 2));
    EXPECT_TRUE(NotesOf(GN_CURCELLCHANGED).empty());
    StartAt(0, 0);
    Key(Qt::Key_Left);
    EXPECT_EQ(Current(), Cell(0, 0));

    // Down past the last row continues at the top of the next column.
    StartAt(2, 0);
    Key(Qt::Key_Down);
    EXPECT_EQ(Current(), Cell(0, 1));
    Key(Qt::Key_Up); // and back
    EXPECT_EQ(Current(), Cell(2, 0));
    EXPECT_TRUE(grid->GetItemState(2, LVIS_SELECTED) & LVIS_SELECTED);
    EXPECT_FALSE(grid->IsRowSelect());
}

TEST_F(GridInputTest, EdgeWrapGoesAroundAndPlainSettingsClamp) {
    Fill(3, 3);
    grid->SetKeyMoves(-1, -1, 0, 0, 0x110, 0x110);
    StartAt(2, 2);
    Key(Qt::Key_Right);
    EXPECT_EQ(Current(), Cell(0, 0));
    Key(Qt::Key_Left);
    EXPECT_EQ(Current(), Cell(2, 2));
    // Without line wrap a step off the side stays in its row or column.
    StartAt(1, 1);
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);
    EXPECT_EQ(Current(), Cell(0, 1));
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(Current(), Cell(2, 1));
}

TEST_F(GridInputTest, MovementFollowsTheDisplayOrder) {
    Fill(3, 2);
    grid->SetColumnOrderArray({2, 0, 1});
    StartAt(0, 2); // the first column on screen
    Key(Qt::Key_Right);
    EXPECT_EQ(Current(), Cell(0, 0));
    Key(Qt::Key_Right);
    EXPECT_EQ(Current(), Cell(0, 1));
    Key(Qt::Key_Right); // the last column on screen wraps to the first on screen
    EXPECT_EQ(Current(), Cell(1, 2));
    Key(Qt::Key_End);
    EXPECT_EQ(Current(), Cell(1, 1));
    Key(Qt::Key_Home);
    EXPECT_EQ(Current(), Cell(1, 2));
    Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(Current(), Cell(1, 2));
    Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(Current(), Cell(1, 1));
}

TEST_F(GridInputTest, TabStaysAtTheRowEndAndCanLeaveTheGrid) {
    Fill(3, 2);
    auto* next = new QLineEdit(parent.get());
    next->show();
    QWidget::setTabOrder(grid, next);
    StartAt(0, 2);
    Key(Qt::Key_Tab); // setting 1 has no line wrap
    EXPECT_EQ(Current(), Cell(0, 2));
    EXPECT_TRUE(grid->hasFocus());
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(Current(), Cell(0, 1));

    StartAt(1, 2);
    Key(Qt::Key_Tab); // the last cell with setting 1: stays, focus stays
    EXPECT_EQ(Current(), Cell(1, 2));
    EXPECT_TRUE(grid->hasFocus());

    grid->SetKeyMoves(0x201, -1, -1, -1, -1, -1);
    Key(Qt::Key_Tab);
    EXPECT_TRUE(next->hasFocus());
    EXPECT_EQ(Current(), Cell(1, 2));

    // Away from the last cell 0x201 moves like 1.
    StartAt(0, 0);
    Key(Qt::Key_Tab);
    EXPECT_EQ(Current(), Cell(0, 1));
    EXPECT_TRUE(grid->hasFocus());
}

TEST_F(GridInputTest, TabOnAnEmptyGridMovesTheFocusOn) {
    Fill(2, 0);
    auto* next = new QLineEdit(parent.get());
    next->show();
    QWidget::setTabOrder(grid, next);
    FocusGrid();
    Key(Qt::Key_Tab);
    EXPECT_TRUE(next->hasFocus());
    EXPECT_TRUE(notes.empty());
}

TEST_F(GridInputTest, EnterMovesDownAndShiftEnterUp) {
    Fill(2, 3);
    StartAt(0, 1);
    Key(Qt::Key_Return);
    EXPECT_EQ(Current(), Cell(1, 1));
    Key(Qt::Key_Enter, Qt::ShiftModifier);
    EXPECT_EQ(Current(), Cell(0, 1));
    StartAt(2, 1);
    Key(Qt::Key_Return); // the last row: stays
    EXPECT_EQ(Current(), Cell(2, 1));
    EXPECT_TRUE(NotesOf(GN_CURCELLCHANGED).empty());
}

TEST_F(GridInputTest, HomeEndPageAndControlJumps) {
    Fill(3, 40);
    StartAt(5, 1);
    Key(Qt::Key_Home);
    EXPECT_EQ(Current(), Cell(5, 0));
    Key(Qt::Key_End);
    EXPECT_EQ(Current(), Cell(5, 2));
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Current(), Cell(39, 2));
    Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Current(), Cell(0, 0));
    Key(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(Current(), Cell(39, 0));
    Key(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(Current(), Cell(0, 0));

    // Page Down goes to the last fully visible row first, then a page further.
    const int perPage = grid->GetCountPerPage();
    ASSERT_GT(perPage, 2);
    StartAt(0, 1);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Current(), Cell(perPage - 1, 1));
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Current(), Cell(2 * perPage - 2, 1));
    EXPECT_GE(grid->GetTopIndex() + perPage - 1, 2 * perPage - 2);
    // Page Up goes to the top visible row first.
    const int top = grid->GetTopIndex();
    Key(Qt::Key_PageUp);
    EXPECT_EQ(Current(), Cell(top, 1));
    Key(Qt::Key_End, Qt::ControlModifier);
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Current(), Cell(39, 2));
    EXPECT_EQ(NotesOf(GN_CURCELLCHANGED).size(), 4u); // the last Page Down did not move
}

// Hidden rows take no room: every way of moving, hitting and selecting passes over them, and
// a cell put on one lands on the next row shown.
TEST_F(GridInputTest, HiddenRowsArePassedOver) {
    Fill(3, 40);
    std::vector<bool> hidden(40);
    for (size_t row = 1; row < hidden.size(); row += 2)
        hidden[row] = true; // the odd rows
    ASSERT_TRUE(grid->SetRowsHidden(hidden));
    const int perPage = grid->GetCountPerPage();
    ASSERT_GT(perPage, 2);
    EXPECT_EQ(grid->GetTopIndex(), 0); // brings the scroll range up to date
    EXPECT_EQ(grid->verticalScrollBar()->maximum(), 20 - perPage);
    StartAt(0, 1);
    Key(Qt::Key_Down);
    EXPECT_EQ(Current(), Cell(2, 1));
    Key(Qt::Key_Up);
    EXPECT_EQ(Current(), Cell(0, 1));
    Key(Qt::Key_PageDown);
    EXPECT_EQ(Current(), Cell(2 * (perPage - 1), 1));
    Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Current(), Cell(38, 2));
    EXPECT_EQ(grid->GetTopIndex(), 2 * (20 - perPage));

    Key(Qt::Key_Home, Qt::ControlModifier);
    QRect first;
    ASSERT_TRUE(grid->GetItemRect(2, &first, LVIR_BOUNDS));
    EXPECT_EQ(grid->HitTest(first.center() + QPoint(0, first.height())), 4);
    QRect none;
    EXPECT_FALSE(grid->GetItemRect(3, &none, LVIR_BOUNDS));
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(grid->GetSelectedCount(), 2); // rows 0 and 2
    EXPECT_FALSE(grid->GetItemState(1, LVIS_SELECTED) & LVIS_SELECTED);
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid->GetSelectedCount(), 20);

    ASSERT_TRUE(grid->SetCurrentCell(5, 0, true, false));
    EXPECT_EQ(Current(), Cell(6, 0));
    grid->ShowAllRows();
    Key(Qt::Key_Down);
    EXPECT_EQ(Current(), Cell(7, 0));
}

TEST_F(GridInputTest, ShiftSelectsWholeRows) {
    Fill(3, 6);
    StartAt(1, 1);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_TRUE(grid->IsRowSelect());
    EXPECT_EQ(grid->GetSelectedCount(), 3);
    EXPECT_EQ(Current(), Cell(3, 1));
    ASSERT_FALSE(NotesOf(GN_CURCELLCHANGED).empty());
    EXPECT_EQ(notes.back().nRow, 3);

    // Shift+End keeps the rows, moves the current column to the last one.
    Key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(Current(), Cell(3, 2));
    EXPECT_EQ(grid->GetSelectedCount(), 3);
    // Ctrl+Shift+End selects from the focused row to the last row only.
    Key(Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(Current(), Cell(5, 2));
    EXPECT_EQ(grid->GetSelectedCount(), 3); // rows 3, 4 and 5
    EXPECT_FALSE(grid->GetItemState(1, LVIS_SELECTED) & LVIS_SELECTED);
    EXPECT_TRUE(grid->GetItemState(3, LVIS_SELECTED) & LVIS_SELECTED);

    // A plain movement goes back to a single cell.
    Key(Qt::Key_Up);
    EXPECT_FALSE(grid->IsRowSelect());
    EXPECT_EQ(grid->GetSelectedCount(), 1);
    EXPECT_EQ(Current(), Cell(4, 2));

    // Shift+Right past the row's end adds the next row.
    StartAt(2, 2);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_TRUE(grid->IsRowSelect());
    EXPECT_EQ(Current(), Cell(3, 0));
    EXPECT_EQ(grid->GetSelectedCount(), 2);

    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid->GetSelectedCount(), 6);
    EXPECT_TRUE(grid->IsRowSelect());
}

TEST_F(GridInputTest, ShiftLeftAndRightGiveBackRowsOnTheWayToTheMark) {
    Fill(2, 6);
    // Extending downwards and coming back.
    StartAt(2, 1);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(Current(), Cell(3, 1));
    EXPECT_EQ(grid->GetSelectedCount(), 2);
    Key(Qt::Key_Left, Qt::ShiftModifier);
    Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(Current(), Cell(2, 1));
    EXPECT_EQ(grid->GetSelectedCount(), 1);
    EXPECT_TRUE(grid->GetItemState(2, LVIS_SELECTED) & LVIS_SELECTED);
    // Extending upwards over two rows keeps them all, and coming back gives them up.
    for (int i = 0; i < 4; ++i)
        Key(Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(Current(), Cell(0, 1));
    EXPECT_EQ(grid->GetSelectedCount(), 3);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(Current(), Cell(1, 0));
    EXPECT_EQ(grid->GetSelectedCount(), 2);
    EXPECT_FALSE(grid->GetItemState(0, LVIS_SELECTED) & LVIS_SELECTED);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(Current(), Cell(2, 0));
    EXPECT_EQ(grid->GetSelectedCount(), 1);
    EXPECT_TRUE(grid->GetItemState(2, LVIS_SELECTED) & LVIS_SELECTED);
}

TEST_F(GridInputTest, EnterAndTabMoveInsideASelectionOfRows) {
    Fill(2, 6);
    StartAt(3, 0);
    Key(Qt::Key_Up, Qt::ShiftModifier);
    Key(Qt::Key_Up, Qt::ShiftModifier);
    ASSERT_EQ(grid->GetSelectedCount(), 3);
    Key(Qt::Key_Return);
    EXPECT_EQ(Current(), Cell(2, 0));
    Key(Qt::Key_Tab);
    EXPECT_EQ(Current(), Cell(2, 1));
    // Editing inside the selection keeps it too.
    Type(QStringLiteral("e"));
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(2, 1), QStringLiteral("e"));
    EXPECT_EQ(Current(), Cell(3, 1));
    EXPECT_TRUE(grid->IsRowSelect());
    EXPECT_EQ(grid->GetSelectedCount(), 3);
    // Leaving it gives a single cell again.
    Key(Qt::Key_Return);
    EXPECT_EQ(Current(), Cell(4, 1));
    EXPECT_FALSE(grid->IsRowSelect());
    EXPECT_EQ(grid->GetSelectedCount(), 1);
}

TEST_F(GridInputTest, WithoutMultiSelectShiftOnlyMoves) {
    Fill(2, 4);
    grid->EnableMultiSelect(false);
    StartAt(0, 0);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_FALSE(grid->IsRowSelect());
    EXPECT_EQ(grid->GetSelectedCount(), 1);
    EXPECT_EQ(Current(), Cell(1, 0));
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid->GetSelectedCount(), 1);
}

TEST_F(GridInputTest, KeysOnAnEmptyGridDoNothing) {
    Fill(2, 0);
    FocusGrid();
    for (int key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Home, Qt::Key_End, Qt::Key_PageDown,
                    Qt::Key_Return, Qt::Key_F2, Qt::Key_Backspace, Qt::Key_Space})
        Key(key);
    Type(QStringLiteral("a"));
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemCount(), 0);
    EXPECT_TRUE(NotesOf(GN_CURCELLCHANGED).empty());
}

// ---------------------------------------------------------------- notifications

TEST_F(GridInputTest, DeleteCopyAndPasteBecomeNotificationsOutsideTheEditor) {
    Fill(2, 2);
    QString pasted;
    std::uint64_t length = 0;
    grid->SetNotifyHandler([&](const GRIDNOTIFY& n) {
        notes.push_back(n);
        if (n.code == GN_PASTE) {
            pasted = static_cast<const GRIDPASTENOTIFY&>(n).strText;
            length = static_cast<const GRIDPASTENOTIFY&>(n).nLength;
        }
    });
    QApplication::clipboard()->setText(QStringLiteral("x\ty\nz"));
    StartAt(1, 1);
    Key(Qt::Key_Delete);
    Key(Qt::Key_C, Qt::ControlModifier);
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0].code, GN_DELETE);
    EXPECT_EQ(notes[0].nEvent, GE_DELETE);
    EXPECT_EQ(notes[1].code, GN_COPY);
    EXPECT_EQ(notes[1].nEvent, GE_COPY);
    EXPECT_EQ(notes[2].code, GN_PASTE);
    EXPECT_EQ(notes[2].nEvent, GE_PASTE);
    EXPECT_EQ(notes[2].nRow, 0);
    EXPECT_EQ(pasted, QStringLiteral("x\ty\nz"));
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(grid->GetItemText(1, 1), QStringLiteral("r1c1")); // the parent does the work

    // In the editor the same keys edit the text.
    QApplication::clipboard()->setText(QStringLiteral("P"));
    notes.clear();
    Key(Qt::Key_F2);
    ASSERT_TRUE(EditOpen());
    Key(Qt::Key_End);
    Key(Qt::Key_V, Qt::ControlModifier);
    Key(Qt::Key_Home);
    Key(Qt::Key_Delete);
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("1c1P"));
    EXPECT_TRUE(notes.empty());

    // No text on the clipboard: Ctrl+V is still taken, but nothing is reported.
    Key(Qt::Key_Escape);
    QApplication::clipboard()->clear();
    Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(NotesOf(GN_PASTE).empty());
}

// ---------------------------------------------------------------- starting an edit

TEST_F(GridInputTest, KeysThatOpenTheEditor) {
    Fill(2, 2);
    int editTextCalls = 0;
    grid->SetEditTextCallback(&ReplaceEditText, &editTextCalls);

    StartAt(0, 1);
    Key(Qt::Key_F2);
    ASSERT_TRUE(EditOpen());
    EXPECT_TRUE(grid->GetEdit()->hasFocus());
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("from callback"));
    EXPECT_EQ(editTextCalls, 1);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_EQ(grid->GetItemText(0, 1), QStringLiteral("r0c1"));

    // Backspace opens it empty.
    Key(Qt::Key_Backspace);
    ASSERT_TRUE(EditOpen());
    EXPECT_EQ(grid->GetEdit()->text(), QString());
    Key(Qt::Key_Escape);

    // A typed character opens it with that character, caret after it, and the edit-text
    // callback is not asked.
    editTextCalls = 0;
    Type(QStringLiteral("漢"));
    ASSERT_TRUE(EditOpen());
    EXPECT_EQ(editTextCalls, 0);
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("漢"));
    EXPECT_EQ(grid->GetEdit()->cursorPosition(), 1);
    EXPECT_TRUE(grid->GetEdit()->isModified());
    Type(QStringLiteral("字"));
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(0, 1), QStringLiteral("漢字"));
    EXPECT_EQ(Current(), Cell(1, 1)); // Enter committed, then moved down
    ASSERT_EQ(NotesOf(GN_CELLCHANGED).size(), 1u);
    EXPECT_EQ(NotesOf(GN_CELLCHANGED)[0].nRow, 0);
    EXPECT_EQ(NotesOf(GN_CELLCHANGED)[0].nCol, 1);
}

TEST_F(GridInputTest, TypingGoesThroughTheCharacterFilter) {
    Fill(1, 1);
    grid->SetCharFilter(&RefuseDigits, nullptr);
    StartAt(0, 0);
    Type(QStringLiteral("7"));
    EXPECT_FALSE(grid->IsEditing());
    Type(QStringLiteral("a"));
    ASSERT_TRUE(EditOpen());
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("A")); // the filter's replacement
    Type(QStringLiteral("b9c"));
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("ABC"));
}

TEST_F(GridInputTest, TypingKeepsCharactersOutsideTheBasicPlaneWhole) {
    Fill(1, 1);
    StartAt(0, 0);
    const QString rare = QString::fromUcs4(U"\U0002000B"); // one character, two code units
    QTest::sendKeyEvent(QTest::Click, grid, Qt::Key_unknown, rare, Qt::NoModifier);
    ASSERT_TRUE(EditOpen());
    EXPECT_EQ(grid->GetEdit()->text(), rare);
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(0, 0), rare);
}

TEST_F(GridInputTest, AltLetterIsNoTyping) {
    Fill(1, 1);
    StartAt(0, 0);
    QTest::keyClick(grid, Qt::Key_A, Qt::AltModifier);
    QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(grid->IsEditing());
}

TEST_F(GridInputTest, RefusedStartsLeaveEverythingAsItWas) {
    Fill(3, 2);
    grid->SetCellReadOnly(0, 0, true);
    grid->SetColumnButton(2);
    StartAt(0, 0);
    Key(Qt::Key_F2);
    Key(Qt::Key_Backspace);
    Type(QStringLiteral("x"));
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("r0c0"));
    EXPECT_EQ(Current(), Cell(0, 0));
    // F4 on a text cell does nothing, and is still taken.
    StartAt(0, 1);
    Key(Qt::Key_F4);
    EXPECT_FALSE(grid->IsEditing());
    StartAt(1, 2);
    Key(Qt::Key_F2);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_TRUE(notes.empty());
}

TEST_F(GridInputTest, F4OpensTheChoiceList) {
    Fill(2, 1);
    const QStringList items = {QStringLiteral("a|Alpha"), QStringLiteral("b|Beta")};
    grid->SetColumnChoiceList(1, &items, 5, QLatin1Char('|'));
    StartAt(0, 1);
    Key(Qt::Key_F4);
    ASSERT_TRUE(ListOpen());
    EXPECT_EQ(grid->GetEditState(0), 2);
    EXPECT_TRUE(grid->hasFocus()); // the list never takes the focus
    Key(Qt::Key_Down);
    Key(Qt::Key_Return);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 1), QStringLiteral("a"));
    EXPECT_EQ(Current(), Cell(0, 1)); // Enter went to the list, not to the grid
}

// Alt+Down opens the list as in a combo box instead of moving down, and closes it again with
// the item the user went to; so do F4 and Alt+Up.
TEST_F(GridInputTest, AltDownOpensAndClosesTheChoiceListWithoutMoving) {
    Fill(2, 2);
    const QStringList items = {QStringLiteral("a|Alpha"), QStringLiteral("b|Beta")};
    grid->SetColumnChoiceList(1, &items, 5, QLatin1Char('|'));
    StartAt(0, 1);
    Key(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(ListOpen());
    EXPECT_EQ(Current(), Cell(0, 1));
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 1), QStringLiteral("b"));
    EXPECT_EQ(Current(), Cell(0, 1));
    // On a text cell Alt+Down still moves.
    StartAt(0, 0);
    Key(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Current(), Cell(1, 0));
}

// Typed characters open the list and go to the first item whose name or value begins with
// what was typed in quick succession.
TEST_F(GridInputTest, TypingOnAChoiceCellJumpsToTheFirstMatch) {
    Fill(2, 1);
    const QStringList items = {QStringLiteral("1|Slow"), QStringLiteral("2|Fast"),
                               QStringLiteral("3|Faster"), QStringLiteral("10|Ten")};
    grid->SetColumnChoiceList(1, &items, 5, QLatin1Char('|'));
    const struct {
        const char* name;
        QString typed;
        QString picked;
    } cases[] = {
        {"a display name, case aside", "f", "2"},
        {"more of the name", "faste", "3"},
        {"a value", "10", "10"},
        {"no match for the word: the last character alone", "fs", "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StartAt(0, 1);
        Type(c.typed);
        ASSERT_TRUE(ListOpen());
        Key(Qt::Key_Return);
        EXPECT_EQ(grid->GetItemText(0, 1), c.picked);
    }
}

// ---------------------------------------------------------------- ending an edit by key

TEST_F(GridInputTest, EnterAndTabCommitThenAskTheKeyMoveCallback) {
    Fill(3, 3);
    KeyMoveLog log;
    grid->SetKeyMoveCallback(&LogKeyMove, &log);
    StartAt(0, 0);
    Key(Qt::Key_F2);
    Type(QStringLiteral("x"));
    Key(Qt::Key_Tab);
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("xr0c0")); // caret at the start
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.key, 9);
    EXPECT_FALSE(log.shift);
    EXPECT_EQ(Current(), Cell(0, 1));

    log.result = false; // the callback keeps the cursor where it is
    Key(Qt::Key_F2);
    Key(Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(log.calls, 2);
    EXPECT_EQ(log.key, 13);
    EXPECT_TRUE(log.shift);
    EXPECT_EQ(log.row, 0);
    EXPECT_EQ(log.col, 1);
    EXPECT_EQ(Current(), Cell(0, 1));
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_TRUE(grid->hasFocus());

    // Without an open editor the callback is not asked.
    Key(Qt::Key_Return);
    EXPECT_EQ(log.calls, 2);
    EXPECT_EQ(Current(), Cell(1, 1));
}

TEST_F(GridInputTest, TabFromTheEditorCanLeaveTheGrid) {
    Fill(2, 2);
    auto* next = new QLineEdit(parent.get());
    next->show();
    QWidget::setTabOrder(grid, next);
    grid->SetKeyMoves(0x201, -1, -1, -1, -1, -1);
    StartAt(1, 1);
    Type(QStringLiteral("x"));
    ASSERT_TRUE(EditOpen());
    Key(Qt::Key_Tab);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(1, 1), QStringLiteral("x"));
    EXPECT_TRUE(next->hasFocus());
    // Before the last cell it moves within the grid and the focus stays.
    StartAt(1, 0);
    Type(QStringLiteral("y"));
    Key(Qt::Key_Tab);
    EXPECT_EQ(Current(), Cell(1, 1));
    EXPECT_TRUE(grid->hasFocus());
}

TEST_F(GridInputTest, EscapeCancelsAndTheCellKeepsItsText) {
    Fill(1, 1);
    StartAt(0, 0);
    Type(QStringLiteral("new"));
    Key(Qt::Key_Escape);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("r0c0"));
    EXPECT_TRUE(NotesOf(GN_CELLCHANGED).empty());
    EXPECT_FALSE(grid->GetModified());
}

TEST_F(GridInputTest, KeysTheEditorLeavesAloneDoNotReachTheGrid) {
    Fill(2, 30);
    StartAt(1, 1);
    Key(Qt::Key_F2);
    ASSERT_TRUE(EditOpen());
    for (int key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_F2,
                    Qt::Key_F4, Qt::Key_Insert})
        Key(key);
    Key(Qt::Key_Down, Qt::ControlModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_TRUE(EditOpen());
    EXPECT_EQ(grid->GetEditState(1), 1);
    EXPECT_EQ(Current(), Cell(1, 1));
    EXPECT_EQ(grid->GetSelectedCount(), 1);
    EXPECT_TRUE(notes.empty());
}

// ---------------------------------------------------------------- check boxes and buttons

TEST_F(GridInputTest, SpaceTogglesCheckBoxesAndPressesButtons) {
    Fill(3, 2);
    grid->SetColumnCheckBox(0);
    grid->SetColumnButton(1);
    grid->SetItemText(0, 0, QString());
    StartAt(0, 0);
    QTest::keyPress(grid, Qt::Key_Space);
    EXPECT_TRUE(grid->GetPushedCell(nullptr, nullptr)); // shown pushed until the key comes up
    EXPECT_EQ(grid->GetItemText(0, 0), QString());
    QTest::keyRelease(grid, Qt::Key_Space);
    EXPECT_FALSE(grid->GetPushedCell(nullptr, nullptr));
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("1"));
    ASSERT_EQ(NotesOf(GN_CELLCHANGED).size(), 1u);
    EXPECT_EQ(notes.back().nEvent, GE_EDITED);
    EXPECT_TRUE(grid->GetModified());

    StartAt(1, 1);
    Key(Qt::Key_Space);
    ASSERT_EQ(NotesOf(GN_BUTTONCLICK).size(), 1u);
    EXPECT_EQ(notes.back().nEvent, GE_BUTTON_SPACE);
    EXPECT_EQ(notes.back().nRow, 1);
    EXPECT_EQ(notes.back().nCol, 1);

    // Read-only cells do not react; Space on a text cell types a blank.
    grid->SetCellReadOnly(1, 0, true);
    StartAt(1, 0);
    Key(Qt::Key_Space);
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(grid->GetItemText(1, 0), QStringLiteral("1"));
    StartAt(1, 2);
    Key(Qt::Key_Space);
    ASSERT_TRUE(EditOpen());
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral(" "));
}

TEST_F(GridInputTest, SpacePressEndsWithoutActionOnEscapeOrFocusLoss) {
    Fill(2, 2);
    grid->SetColumnCheckBox(0);
    grid->SetColumnButton(1);
    auto* other = new QLineEdit(parent.get());
    other->show();
    StartAt(0, 0);
    QTest::keyPress(grid, Qt::Key_Space);
    ASSERT_TRUE(grid->GetPushedCell(nullptr, nullptr));
    Key(Qt::Key_Escape);
    EXPECT_FALSE(grid->GetPushedCell(nullptr, nullptr));
    QTest::keyRelease(grid, Qt::Key_Space);
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("1"));

    StartAt(0, 1);
    QTest::keyPress(grid, Qt::Key_Space);
    ASSERT_TRUE(grid->GetPushedCell(nullptr, nullptr));
    other->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(grid->GetPushedCell(nullptr, nullptr)); // not left drawn pushed
    QTest::keyRelease(other, Qt::Key_Space);
    FocusGrid();
    QTest::keyRelease(grid, Qt::Key_Space);
    EXPECT_TRUE(notes.empty());
}

TEST_F(GridInputTest, SpaceOnTheAppendRowCheckBoxMakesItARow) {
    grid->InsertColumn(0, QStringLiteral("A"));
    grid->SetColumnCheckBox(0);
    grid->SetAppendRow(true);
    StartAt(0, 0);
    Key(Qt::Key_Space);
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("1"));
    EXPECT_EQ(grid->GetItemCount(), 2);
    ASSERT_EQ(NotesOf(GN_APPENDROW).size(), 1u);
    EXPECT_EQ(NotesOf(GN_APPENDROW)[0].nRow, 1);
    ASSERT_EQ(NotesOf(GN_CELLCHANGED).size(), 1u);
    EXPECT_EQ(NotesOf(GN_CELLCHANGED)[0].nEvent, GE_APPEND_EDITED);
    EXPECT_EQ(grid->GetEditState(0), 0);
}
