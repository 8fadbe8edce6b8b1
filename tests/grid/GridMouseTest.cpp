#include "tests/grid/GridInputFixture.h"

#include <QHeaderView>
#include <QWheelEvent>

using namespace Pelmo;

class GridMouseTest : public GridInputTest {
protected:
    // The middle of a choice cell's drop-down button.
    QPoint DropButton(int row, int col) const {
        const QRect inner = grid->GetCellRect(row, col).adjusted(3, 3, -3, -3);
        const int w = grid->GetDropButtonWidth();
        return QPoint(inner.left() + inner.width() - w / 2 - 1, inner.center().y());
    }
    void FillWithChoices(int rows) {
        Fill(3, rows);
        const QStringList items = {QStringLiteral("a|Alpha"), QStringLiteral("b|Beta"),
                                   QStringLiteral("c|Gamma")};
        grid->SetColumnChoiceList(1, &items, 5, QLatin1Char('|'));
        for (int r = 0; r < rows; ++r)
            grid->SetItemText(r, 1, QStringLiteral("b"));
    }
    // What the platform delivers for a double-click: press, release, double-click, release.
    void DoubleClick(const QPoint& pt) {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, pt);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, pt);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, pt);
    }
    void Wheel(QWidget* target, const QPoint& pt) {
        QWheelEvent wheel(pt, target->mapToGlobal(pt), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
    }
};

// ---------------------------------------------------------------- the current cell

TEST_F(GridMouseTest, ClickMakesTheCellCurrentAndReportsOnlyChanges) {
    Fill(3, 3);
    Click(1, 2);
    EXPECT_EQ(Current(), Cell(1, 2));
    EXPECT_TRUE(grid->hasFocus());
    ASSERT_EQ(NotesOf(GN_CURCELLCHANGED).size(), 1u);
    EXPECT_EQ(notes.back().nRow, 1);
    EXPECT_EQ(notes.back().nCol, 2);
    Click(1, 2);
    EXPECT_EQ(NotesOf(GN_CURCELLCHANGED).size(), 1u);
    Click(1, 0); // same row, other column: still a new current cell
    ASSERT_EQ(NotesOf(GN_CURCELLCHANGED).size(), 2u);
    EXPECT_EQ(notes.back().nCol, 0);

    // Below the last row nothing changes.
    ClickAt(QPoint(5, grid->GetCellRect(2, 0).bottom() + 20));
    EXPECT_EQ(Current(), Cell(1, 0));
    EXPECT_EQ(grid->GetSelectedCount(), 1);
}

TEST_F(GridMouseTest, ControlAndShiftClicksSelectWholeRows) {
    Fill(3, 6);
    Click(0, 0);
    notes.clear();
    Click(2, 1, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_TRUE(grid->IsRowSelect());
    EXPECT_EQ(grid->GetSelectedCount(), 2);
    EXPECT_EQ(Current(), Cell(2, 1));
    ASSERT_EQ(NotesOf(GN_CURCELLCHANGED).size(), 1u);
    EXPECT_EQ(notes.back().nRow, 2);
    EXPECT_EQ(notes.back().nCol, 1);
    Click(4, 2, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(grid->GetSelectedCount(), 3); // from the mark (row 2) to row 4
    EXPECT_EQ(Current(), Cell(4, 2));
    EXPECT_EQ(grid->GetCellSelectState(3, 0), 1);

    // A right-click inside the selection keeps it and moves only the current cell.
    Click(3, 0, Qt::RightButton);
    EXPECT_EQ(grid->GetSelectedCount(), 3);
    EXPECT_EQ(Current(), Cell(3, 0));
    const auto moved = NotesOf(GN_CURCELLCHANGED);
    ASSERT_FALSE(moved.empty());
    EXPECT_EQ(moved.back().nRow, 3);
    EXPECT_EQ(moved.back().nCol, 0);

    // A plain click goes back to one cell; Ctrl+click on it leaves no row, and so cell mode.
    Click(1, 1);
    EXPECT_FALSE(grid->IsRowSelect());
    EXPECT_EQ(grid->GetSelectedCount(), 1);
    Click(1, 1, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(grid->GetSelectedCount(), 0);
    EXPECT_FALSE(grid->IsRowSelect());

    grid->EnableMultiSelect(false);
    Click(0, 0);
    Click(2, 0, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_FALSE(grid->IsRowSelect());
    EXPECT_EQ(grid->GetSelectedCount(), 1);
}

TEST_F(GridMouseTest, RightClickReportsOnlyAClickInPlace) {
    Fill(3, 3);
    Click(1, 1, Qt::RightButton);
    EXPECT_EQ(Current(), Cell(1, 1));
    ASSERT_EQ(NotesOf(GN_RCLICK).size(), 1u);
    EXPECT_EQ(NotesOf(GN_RCLICK)[0].nEvent, GE_RCLICK_CELL);
    EXPECT_EQ(NotesOf(GN_RCLICK)[0].nRow, 1);
    EXPECT_EQ(NotesOf(GN_RCLICK)[0].nCol, 1);
    // The current cell was reported before the right-click.
    EXPECT_EQ(notes.front().code, GN_CURCELLCHANGED);

    // Moved more than 4 pixels while down: forgotten.
    notes.clear();
    const QPoint start = CellCenter(0, 0);
    QTest::mousePress(grid->viewport(), Qt::RightButton, Qt::NoModifier, start);
    DragTo(start + QPoint(5, 0), Qt::RightButton);
    DragTo(start, Qt::RightButton);
    QTest::mouseRelease(grid->viewport(), Qt::RightButton, Qt::NoModifier, start);
    EXPECT_TRUE(NotesOf(GN_RCLICK).empty());

    // A small wobble is still a click; released over another cell it is not.
    QTest::mousePress(grid->viewport(), Qt::RightButton, Qt::NoModifier, start);
    DragTo(start + QPoint(4, -4), Qt::RightButton);
    QTest::mouseRelease(grid->viewport(), Qt::RightButton, Qt::NoModifier, start);
    EXPECT_EQ(NotesOf(GN_RCLICK).size(), 1u);
    QTest::mousePress(grid->viewport(), Qt::RightButton, Qt::NoModifier, CellCenter(2, 0));
    QTest::mouseRelease(grid->viewport(), Qt::RightButton, Qt::NoModifier,
                        CellCenter(2, 0) + QPoint(0, grid->GetRowHeight()));
    EXPECT_EQ(NotesOf(GN_RCLICK).size(), 1u);
}

TEST_F(GridMouseTest, RightClickOnAHalfHiddenCellIsReported) {
    Fill(3, 2);
    grid->SetColumnWidth(0, grid->viewport()->width() - 20); // column 1 sticks out on the right
    const QPoint visible(grid->viewport()->width() - 10, CellCenter(1, 1).y());
    Click(0, 0);
    notes.clear();
    ClickAt(visible, Qt::RightButton);
    EXPECT_EQ(Current(), Cell(1, 1));
    ASSERT_EQ(NotesOf(GN_RCLICK).size(), 1u);
    EXPECT_EQ(NotesOf(GN_RCLICK)[0].nRow, 1);
    EXPECT_EQ(NotesOf(GN_RCLICK)[0].nCol, 1);
    EXPECT_LE(grid->GetCellRect(1, 1).right(), grid->viewport()->width()); // now in view
}

// ---------------------------------------------------------------- check boxes and buttons

TEST_F(GridMouseTest, CheckBoxClicksToggleUnlessReadOnly) {
    Fill(2, 3);
    grid->SetColumnCheckBox(0);
    grid->SetCellReadOnly(0, 0, true);
    Click(0, 0); // read-only: selected, not toggled
    EXPECT_EQ(Current(), Cell(0, 0));
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("1"));
    EXPECT_TRUE(NotesOf(GN_CELLCHANGED).empty());

    Click(1, 0);
    EXPECT_EQ(Current(), Cell(1, 0));
    EXPECT_EQ(grid->GetItemText(1, 0), QString());
    ASSERT_EQ(NotesOf(GN_CELLCHANGED).size(), 1u);
    EXPECT_EQ(NotesOf(GN_CELLCHANGED)[0].nEvent, GE_EDITED);
    EXPECT_TRUE(grid->GetModified());

    // A double-click acts twice.
    notes.clear();
    DoubleClick(CellCenter(2, 0));
    EXPECT_EQ(NotesOf(GN_CELLCHANGED).size(), 2u);
    EXPECT_EQ(grid->GetItemText(2, 0), QStringLiteral("1"));
    EXPECT_FALSE(grid->IsEditing());
}

TEST_F(GridMouseTest, HalfHiddenCheckBoxTogglesOnTheFirstClick) {
    Fill(3, 2);
    grid->SetColumnCheckBox(1);
    grid->SetColumnWidth(1, 40);
    grid->SetColumnWidth(0, grid->viewport()->width() - 20); // column 1 sticks out on the right
    const QRect cell = grid->GetCellRect(0, 1);
    ASSERT_GT(cell.right(), grid->viewport()->width());
    const QPoint visible(grid->viewport()->width() - 10, cell.center().y());
    ClickAt(visible);
    EXPECT_EQ(grid->GetItemText(0, 1), QString());
    EXPECT_EQ(NotesOf(GN_CELLCHANGED).size(), 1u);
    EXPECT_EQ(Current(), Cell(0, 1));
    EXPECT_LE(grid->GetCellRect(0, 1).right(), grid->viewport()->width()); // now in view
}

TEST_F(GridMouseTest, ButtonPressDraggedOffDoesNotFire) {
    Fill(2, 3);
    grid->SetColumnButton(1);
    const QPoint button = CellCenter(0, 1);
    QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier, button);
    EXPECT_TRUE(grid->GetPushedCell(nullptr, nullptr));
    DragTo(CellCenter(1, 1), Qt::LeftButton);
    EXPECT_FALSE(grid->GetPushedCell(nullptr, nullptr));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CellCenter(1, 1));
    EXPECT_TRUE(NotesOf(GN_BUTTONCLICK).empty());
    EXPECT_FALSE(grid->IsTrackingPress());

    // Off and back on again before the release: a click. The header counts as off.
    QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier, button);
    DragTo(QPoint(button.x(), -5), Qt::LeftButton);
    EXPECT_FALSE(grid->GetPushedCell(nullptr, nullptr));
    DragTo(button, Qt::LeftButton);
    EXPECT_TRUE(grid->GetPushedCell(nullptr, nullptr));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, button);
    ASSERT_EQ(NotesOf(GN_BUTTONCLICK).size(), 1u);
    EXPECT_EQ(NotesOf(GN_BUTTONCLICK)[0].nEvent, GE_BUTTON_CLICK);
    EXPECT_EQ(NotesOf(GN_BUTTONCLICK)[0].nRow, 0);
    EXPECT_EQ(NotesOf(GN_BUTTONCLICK)[0].nCol, 1);
    EXPECT_EQ(grid->GetItemText(0, 1), QStringLiteral("r0c1")); // a caption, not a value

    // A read-only button swallows the click: no press, no new current cell.
    Click(2, 0);
    grid->SetCellReadOnly(2, 1, true);
    notes.clear();
    Click(2, 1);
    EXPECT_TRUE(notes.empty());
    EXPECT_EQ(Current(), Cell(2, 0));
}

// ---------------------------------------------------------------- editing by mouse

TEST_F(GridMouseTest, DoubleClickOpensTheEditor) {
    Fill(2, 2);
    DoubleClick(CellCenter(1, 1));
    ASSERT_TRUE(EditOpen());
    EXPECT_EQ(grid->GetEditState(1), 1);
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("r1c1"));
    EXPECT_TRUE(grid->GetEdit()->hasFocus());
}

TEST_F(GridMouseTest, DoubleClickOnAHalfHiddenCellEditsThatCell) {
    Fill(3, 2);
    grid->SetColumnWidth(0, grid->viewport()->width() - 20); // column 1 sticks out on the right
    DoubleClick(QPoint(grid->viewport()->width() - 4, CellCenter(1, 1).y()));
    ASSERT_TRUE(EditOpen());
    EXPECT_EQ(grid->GetEditState(1), 1);
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("r1c1"));
    EXPECT_EQ(Current(), Cell(1, 1));

    // The same for a row cut off at the bottom, which scrolls up on the first press.
    Key(Qt::Key_Escape);
    for (int r = 2; r < 40; ++r)
        grid->InsertItem(r, QStringLiteral("r%1c0").arg(r));
    const int partial = grid->GetTopIndex() + grid->GetCountPerPage();
    const QRect cell = grid->GetCellRect(partial, 0);
    ASSERT_GT(cell.bottom(), grid->viewport()->height());
    DoubleClick(QPoint(cell.center().x(), grid->viewport()->height() - 2));
    ASSERT_TRUE(EditOpen());
    EXPECT_EQ(grid->GetEdit()->text(), QStringLiteral("r%1c0").arg(partial));
}

TEST_F(GridMouseTest, ClickWhileEditingCommitsThenAsksTheCallback) {
    Fill(3, 3);
    ClickEditLog log;
    log.result = false;
    grid->SetClickEditCallback(&LogClickEdit, &log);
    StartAt(0, 0);
    Key(Qt::Key_F2);
    Type(QStringLiteral("z"));
    Click(2, 1);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("zr0c0"));
    ASSERT_EQ(log.calls, 1);
    EXPECT_EQ(log.editRow, 0);
    EXPECT_EQ(log.editCol, 0);
    EXPECT_EQ(log.row, 2);
    EXPECT_EQ(log.col, 1);
    EXPECT_TRUE(log.left);
    EXPECT_EQ(Current(), Cell(0, 0)); // swallowed

    log.result = true;
    Key(Qt::Key_F2);
    Click(1, 2, Qt::RightButton);
    EXPECT_EQ(log.calls, 2);
    EXPECT_FALSE(log.left);
    EXPECT_EQ(Current(), Cell(1, 2));
    EXPECT_EQ(NotesOf(GN_RCLICK).size(), 1u);

    // On the column header the row is -1 and the column the header's.
    Key(Qt::Key_F2);
    QHeaderView* header = grid->GetHeaderCtrl();
    const QPoint onHeader(header->sectionViewportPosition(2) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, onHeader);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(log.calls, 3);
    EXPECT_EQ(log.row, -1);
    EXPECT_EQ(log.col, 2);

    // Without an open editor the callback is not asked.
    Click(0, 1);
    EXPECT_EQ(log.calls, 3);
}

// ---------------------------------------------------------------- the drop-down list

TEST_F(GridMouseTest, DropButtonOpensTheListAndClosesItAgain) {
    FillWithChoices(3);
    // A click on the cell but not on its button only selects.
    Click(0, 1);
    EXPECT_FALSE(grid->IsEditing());
    ClickAt(DropButton(0, 1));
    ASSERT_TRUE(ListOpen());
    EXPECT_EQ(grid->GetEditState(0), 2);
    EXPECT_EQ(grid->GetListBox()->GetCurSel(), 1);

    // The open cell's own button closes the list and does not open it again.
    ClickAt(DropButton(0, 1));
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 1), QStringLiteral("b"));
    EXPECT_TRUE(NotesOf(GN_CELLCHANGED).empty());

    // Another cell's button closes this list and opens that one.
    ClickAt(DropButton(0, 1));
    ASSERT_TRUE(ListOpen());
    ClickAt(DropButton(2, 1));
    EXPECT_TRUE(ListOpen());
    EXPECT_EQ(grid->GetEditState(2), 2);
    EXPECT_EQ(grid->GetEditState(0), 0);

    // A click on a plain cell closes the list and then acts on that cell.
    Click(1, 2);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(Current(), Cell(1, 2));
    EXPECT_TRUE(NotesOf(GN_CELLCHANGED).empty());
}

TEST_F(GridMouseTest, DropButtonOfAHalfHiddenCellOpensTheList) {
    FillWithChoices(2);
    for (int c = 0; c < 3; ++c)
        grid->SetColumnWidth(c, 300);
    grid->Scroll(400, 0); // the choice cell's left part is scrolled out of view
    ASSERT_LT(grid->GetCellRect(0, 1).left(), 0);
    const QPoint button = DropButton(0, 1);
    ASSERT_GT(button.x(), 0);
    ClickAt(button);
    EXPECT_TRUE(ListOpen());
    EXPECT_EQ(grid->GetEditState(0), 2);
    EXPECT_GE(grid->GetCellRect(0, 1).left(), 0); // and the cell came into view
}

TEST_F(GridMouseTest, ClickOnAnItemPicksIt) {
    FillWithChoices(2);
    ClickAt(DropButton(1, 1));
    ASSERT_TRUE(ListOpen());
    CListBoxEx* list = grid->GetListBox();
    const QRect item = list->visualItemRect(list->item(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, item.center());
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(1, 1), QStringLiteral("c"));
    ASSERT_EQ(NotesOf(GN_CELLCHANGED).size(), 1u);
    EXPECT_EQ(NotesOf(GN_CELLCHANGED)[0].nRow, 1);
    EXPECT_EQ(NotesOf(GN_CELLCHANGED)[0].nCol, 1);
}

TEST_F(GridMouseTest, TabWhileTheListIsOpenCancelsAndStillMoves) {
    FillWithChoices(2);
    ClickAt(DropButton(0, 1));
    ASSERT_TRUE(ListOpen());
    Key(Qt::Key_Down); // moves the list's selection, not the grid's
    EXPECT_EQ(grid->GetListBox()->GetCurSel(), 2);
    EXPECT_EQ(Current(), Cell(0, 1));
    Key(Qt::Key_Tab);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 1), QStringLiteral("b")); // cancelled, not picked
    EXPECT_EQ(Current(), Cell(0, 2));
    EXPECT_TRUE(NotesOf(GN_CELLCHANGED).empty());

    // Escape cancels without moving.
    ClickAt(DropButton(1, 1));
    Key(Qt::Key_Escape);
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(Current(), Cell(1, 1));
}

TEST_F(GridMouseTest, WheelOutsideTheOpenListIsSwallowed) {
    FillWithChoices(60);
    ClickAt(DropButton(0, 1));
    ASSERT_TRUE(ListOpen());
    Wheel(grid->viewport(), CellCenter(3, 0));
    EXPECT_EQ(grid->GetTopIndex(), 0);
    EXPECT_TRUE(ListOpen());
    Key(Qt::Key_Escape);
    Wheel(grid->viewport(), CellCenter(3, 0));
    EXPECT_GT(grid->GetTopIndex(), 0);
}
