#include "grid/EditEx.h"
#include "grid/HeaderCtrlEx.h"
#include "grid/ListBoxEx.h"
#include "grid/RowHeader.h"
#include "tests/grid/GridTestFixture.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

using namespace Pelmo;

namespace {

int CompareAllBefore(quintptr, quintptr, quintptr) {
    return -1;
}

int CompareTextDescending(quintptr l1, quintptr l2, quintptr grid) {
    auto* g = reinterpret_cast<CListCtrlBase*>(grid);
    return -QString::compare(g->GetItemText(int(l1), 0), g->GetItemText(int(l2), 0));
}

int CompareDataAscending(quintptr l1, quintptr l2, quintptr) {
    return l1 < l2 ? -1 : (l1 > l2 ? 1 : 0);
}

} // namespace

// ---------------------------------------------------------------- read-only resolution

TEST_F(GridTest, ReadOnlyResolvesCellThenRowAndColumn) {
    Fill(3, 2);
    grid->InsertItem(2, QStringLiteral("locked"), true);
    EXPECT_FALSE(grid->IsCellReadOnly(0, 0));
    EXPECT_TRUE(grid->IsCellReadOnly(2, 1)); // read-only row
    EXPECT_TRUE(grid->IsCellReadOnly(-1, 0));
    EXPECT_TRUE(grid->IsCellReadOnly(0, 3));
    EXPECT_TRUE(grid->IsRowReadOnly(7));
    EXPECT_TRUE(grid->IsColumnReadOnly(-1));

    // A cell forced editable in a read-only row, and forced read-only in an editable one.
    grid->SetCellReadOnly(2, 1, false);
    EXPECT_FALSE(grid->IsCellReadOnly(2, 1));
    EXPECT_TRUE(grid->IsCellReadOnly(2, 0));
    grid->SetCellReadOnly(0, 2, true);
    EXPECT_TRUE(grid->IsCellReadOnly(0, 2));
    // Undoing an override falls back to the flags instead of stacking a second override.
    grid->SetCellReadOnly(0, 2, false);
    EXPECT_FALSE(grid->IsCellReadOnly(0, 2));
    EXPECT_FALSE(grid->GetAttributes().HasCellOverrides(grid->MapIndexToId(0)));

    // Row flags replace the row's overrides.
    grid->SetRowReadOnly(2, false);
    EXPECT_FALSE(grid->IsCellReadOnly(2, 0));
    grid->SetRowReadOnly(-1, true);
    EXPECT_TRUE(grid->IsCellReadOnly(2, 1));
    EXPECT_TRUE(grid->IsRowReadOnly(0));
}

TEST_F(GridTest, ColumnReadOnlyNeedsRowsAndClearsOverrides) {
    grid->InsertColumn(0, QStringLiteral("A"));
    grid->SetColumnReadOnly(0, true);
    EXPECT_FALSE(grid->IsColumnReadOnly(0)); // nothing changes without rows

    grid->InsertItem(0, QStringLiteral("x"));
    grid->SetCellReadOnly(0, 0, true);
    grid->SetColumnReadOnly(0, false);
    EXPECT_FALSE(grid->IsCellReadOnly(0, 0));
    grid->SetColumnReadOnly(0, true);
    EXPECT_TRUE(grid->IsColumnReadOnly(0));
    EXPECT_TRUE(grid->IsCellReadOnly(0, 0));
}

// ---------------------------------------------------------------- colours

TEST_F(GridTest, CellColourFallsBackToColumnThenKeyColours) {
    Fill(2, 2);
    grid->SetCellColor(0, 0, CLR_UNCHANGED, RGB(1, 2, 3));
    COLORREF text = 0;
    COLORREF back = 0;
    ASSERT_TRUE(grid->GetCellColor(0, 0, &text, &back));
    EXPECT_EQ(text, CLR_NOT_SET); // -1 on a new record leaves the field unset
    EXPECT_EQ(back, RGB(1, 2, 3));

    // The cell's own background takes text that reads on it, whatever the palette's text.
    ASSERT_TRUE(grid->GetCellDisplayColor(0, 0, &text, &back));
    EXPECT_EQ(text, RGB(255, 255, 255));
    grid->SetCellColor(0, 1, CLR_UNCHANGED, 0x00E6E6);
    grid->GetCellDisplayColor(0, 1, &text, &back);
    EXPECT_EQ(text, RGB(0, 0, 0));
    grid->SetColumnColor(0, RGB(9, 9, 9), RGB(7, 7, 7));
    grid->GetCellDisplayColor(0, 0, &text, &back);
    EXPECT_EQ(text, RGB(9, 9, 9));
    EXPECT_EQ(back, RGB(1, 2, 3)); // the cell wins over the column
    grid->GetCellDisplayColor(1, 0, &text, &back);
    EXPECT_EQ(back, RGB(7, 7, 7));

    // Read-only cells take keys 1 and 6 where nothing else decides.
    grid->SetCellReadOnly(1, 1, true);
    grid->GetCellDisplayColor(1, 1, &text, &back);
    EXPECT_EQ(back, grid->GetKeyColor(CK_READONLY_BACK));
    EXPECT_EQ(text, grid->GetKeyColor(CK_READONLY_TEXT));

    // Both unset removes the record.
    grid->SetCellColor(0, 0, CLR_NOT_SET, CLR_NOT_SET);
    EXPECT_FALSE(grid->GetCellColor(0, 0, nullptr, nullptr));
    grid->SetColumnColor(-1, RGB(5, 5, 5), CLR_UNCHANGED);
    EXPECT_TRUE(grid->GetColumnColor(1, &text, &back));
    EXPECT_EQ(text, RGB(5, 5, 5));
    EXPECT_EQ(back, CLR_NOT_SET);
    grid->ResetColumnColor(-1);
    EXPECT_FALSE(grid->GetColumnColor(0, nullptr, nullptr));
}

TEST_F(GridTest, KeyColoursHaveDefaultsAndRestore) {
    EXPECT_EQ(grid->GetKeyColor(CK_READONLY_BACK), RGB(0xF0, 0xF0, 0xF0));
    EXPECT_EQ(grid->GetKeyColor(CK_EDIT_FRAME), 0x467321u);
    EXPECT_EQ(grid->GetKeyColor(CK_BACK),
              FromQColor(QApplication::palette().color(QPalette::Base)));
    EXPECT_EQ(grid->GetKeyColor(42), CLR_UNCHANGED);
    grid->SetKeyColor(CK_GRIDLINE, RGB(1, 1, 1));
    EXPECT_EQ(grid->GetKeyColor(CK_GRIDLINE), RGB(1, 1, 1));
    grid->SetKeyColor(CK_GRIDLINE, CLR_NOT_SET);
    EXPECT_EQ(grid->GetKeyColor(CK_GRIDLINE), RGB(0xC0, 0xC0, 0xC0));
}

// ---------------------------------------------------------------- column kinds and choices

TEST_F(GridTest, CheckBoxColumnNormalisesTexts) {
    grid->InsertColumn(0, QStringLiteral("A"));
    grid->InsertItem(0, QStringLiteral("abc"));
    grid->InsertItem(1, QString());
    grid->InsertItem(2, QStringLiteral("0"));
    grid->SetColumnCheckBox(0);
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("1"));
    EXPECT_EQ(grid->GetItemText(1, 0), QString());
    EXPECT_EQ(grid->GetItemText(2, 0), QStringLiteral("1"));
}

TEST_F(GridTest, ChoiceListSplitsAndIsReplacedOnlyThroughAnotherKind) {
    grid->InsertColumn(0, QStringLiteral("A"));
    const QStringList items = {QStringLiteral("k1|One|ignored"), QStringLiteral("bare"),
                               QStringLiteral("k2|Two")};
    grid->SetColumnChoiceList(0, &items, 4, QLatin1Char('|'));
    CHeaderData* data = grid->GetHeaderDataByIndex(0);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->m_choices.size(), 3u);
    EXPECT_EQ(data->m_choices[0]->m_strText, QStringLiteral("One"));
    EXPECT_EQ(data->m_choices[1]->m_strKey, QStringLiteral("bare"));
    EXPECT_EQ(data->m_choices[1]->m_strText, QString());
    EXPECT_EQ(data->GetChoiceText(grid, QStringLiteral("k2"), 0, 0), QStringLiteral("Two"));
    EXPECT_EQ(data->GetChoiceText(grid, QStringLiteral("K2"), 0, 0), QString()); // exact keys
    EXPECT_EQ(data->GetChoiceText(grid, QStringLiteral("none"), 0, 0), QString());

    const QStringList other = {QStringLiteral("x|X")};
    grid->SetColumnChoiceList(0, &other, 4, QLatin1Char('|'));
    EXPECT_EQ(data->m_choices.size(), 3u); // already a choice column: unchanged
    grid->SetColumnText(0);
    EXPECT_TRUE(data->m_choices.empty());
    grid->SetColumnChoiceList(0, &other, 4, QLatin1Char('|'));
    ASSERT_EQ(data->m_choices.size(), 1u);
    EXPECT_EQ(data->m_choices[0]->m_strKey, QStringLiteral("x"));
}

TEST_F(GridTest, ChoiceCallbackGivesTheText) {
    grid->InsertColumn(0, QStringLiteral("A"));
    static int calls = 0;
    calls = 0;
    const PFNCHOICETEXT text = [](CListCtrlEx*, int nRow, int, const QString& key, QString* out,
                                  void* data) {
        ++calls;
        *out = QStringLiteral("%1@%2:%3").arg(key).arg(nRow).arg(*static_cast<int*>(data));
        return false; // ignored
    };
    int tag = 7;
    grid->SetColumnChoiceCallback(0, nullptr, text, 5, QChar(), &tag);
    CHeaderData* data = grid->GetHeaderDataByIndex(0);
    EXPECT_EQ(data->m_pFillData, &tag);
    EXPECT_EQ(data->GetChoiceText(grid, QStringLiteral("v"), 3, 0), QStringLiteral("v@3:7"));
    EXPECT_EQ(calls, 1);
}

// ---------------------------------------------------------------- columns

TEST_F(GridTest, DeletingColumnsKeepsRecordsWithTheirColumns) {
    Fill(4, 2);
    grid->SetCellColor(0, 2, RGB(1, 1, 1), RGB(2, 2, 2));
    grid->SetCellReadOnly(0, 1, true);
    grid->SetColumnColor(1, RGB(3, 3, 3), CLR_UNCHANGED);
    grid->SetCurrentCell(0, 2, false, false);

    ASSERT_TRUE(grid->DeleteColumn(1));
    EXPECT_FALSE(grid->DeleteColumn(9));
    EXPECT_EQ(grid->GetCurrentColumn(), 1); // the same column, one index lower
    EXPECT_FALSE(grid->IsCellReadOnly(0, 1));
    COLORREF back = 0;
    ASSERT_TRUE(grid->GetCellColor(0, 1, nullptr, &back));
    EXPECT_EQ(back, RGB(2, 2, 2));
    EXPECT_FALSE(grid->GetColumnColor(1, nullptr, nullptr));
    EXPECT_FALSE(grid->GetAttributes().HasAnyCellOverrides());

    // A new column reuses the freed key: it must not inherit the old column's records.
    grid->InsertColumn(3, QStringLiteral("N"));
    EXPECT_FALSE(grid->GetColumnColor(3, nullptr, nullptr));
    EXPECT_FALSE(grid->IsCellReadOnly(0, 3));
}

TEST_F(GridTest, DeletingTheLastCurrentColumnMovesToThePreviousDisplayed) {
    Fill(3, 1);
    grid->SetColumnOrderArray({2, 0, 1});
    grid->SetCurrentCell(0, 2, false, false);
    grid->DeleteColumn(2); // current, last by index, first displayed: no column before it
    EXPECT_EQ(grid->GetCurrentColumn(), -1);
    grid->SetCurrentCell(0, 1, false, false);
    grid->DeleteColumn(1);
    EXPECT_EQ(grid->GetCurrentColumn(), 0);
}

// ---------------------------------------------------------------- rows and append row

TEST_F(GridTest, AppendRowLifeCycle) {
    Fill(2, 2);
    grid->SetAppendRow(true);
    ASSERT_EQ(grid->GetItemCount(), 3);
    ASSERT_EQ(CountNotes(GN_APPENDROW), 1);
    EXPECT_EQ(notes.back().nRow, 2);
    EXPECT_EQ(notes.back().nCol, -1);
    EXPECT_EQ(notes.back().hwndFrom, grid);
    EXPECT_EQ(notes.back().idFrom, 1010u);
    EXPECT_EQ(grid->GetEditState(2), 3);
    EXPECT_FALSE(grid->IsCellReadOnly(2, 0));

    // Rows go before the append row, wherever they are asked for.
    EXPECT_EQ(grid->InsertItem(10, QStringLiteral("late")), 2);
    EXPECT_EQ(grid->GetEditState(3), 3);
    EXPECT_FALSE(grid->DeleteItem(3));
    EXPECT_EQ(grid->GetItemCount(), 4);

    // Deleting everything keeps the append row's records for the new append row.
    grid->SetCellColor(3, 1, CLR_UNCHANGED, RGB(4, 5, 6));
    grid->SetCellReadOnly(3, 0, true);
    grid->SetRowLabel(0, QStringLiteral("label"));
    ASSERT_TRUE(grid->DeleteAllItems());
    ASSERT_EQ(grid->GetItemCount(), 1);
    EXPECT_EQ(grid->GetEditState(0), 3);
    COLORREF back = 0;
    ASSERT_TRUE(grid->GetCellColor(0, 1, nullptr, &back));
    EXPECT_EQ(back, RGB(4, 5, 6));
    EXPECT_TRUE(grid->IsCellReadOnly(0, 0));
    EXPECT_FALSE(grid->IsCellReadOnly(0, 1));
    EXPECT_EQ(CountNotes(GN_APPENDROW), 2);
    EXPECT_EQ(notes.back().nRow, 0);

    grid->SetAppendRow(false);
    EXPECT_EQ(grid->GetItemCount(), 0);
    EXPECT_FALSE(grid->GetAppendRow());
}

TEST_F(GridTest, SortingKeepsTheAppendRowLastAndIdsValid) {
    Fill(1, 3);
    grid->SetAppendRow(true);
    const unsigned id0 = grid->MapIndexToId(0);
    grid->SetCellColor(0, 0, CLR_UNCHANGED, RGB(8, 8, 8));
    ASSERT_TRUE(grid->SortItems(&CompareAllBefore, 0));
    EXPECT_EQ(grid->GetEditState(3), 3);
    ASSERT_TRUE(grid->SortItemsEx(&CompareTextDescending, quintptr(grid)));
    EXPECT_EQ(grid->GetEditState(3), 3);
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("r2c0"));
    const int moved = grid->MapIdToIndex(id0);
    EXPECT_EQ(grid->GetItemText(moved, 0), QStringLiteral("r0c0"));
    COLORREF back = 0;
    ASSERT_TRUE(grid->GetCellColor(moved, 0, nullptr, &back));
    EXPECT_EQ(back, RGB(8, 8, 8));
}

TEST_F(GridTest, SortingWithoutAnAppendRowSortsRowsWhoseDataIsZero) {
    grid->InsertColumn(0, QStringLiteral("A"), false, 0, 80);
    grid->InsertItem(LVIF_TEXT | LVIF_PARAM, 0, QStringLiteral("two"), 0, 0, 2, false);
    grid->InsertItem(LVIF_TEXT | LVIF_PARAM, 1, QStringLiteral("zero"), 0, 0, 0, false);
    grid->InsertItem(LVIF_TEXT | LVIF_PARAM, 2, QStringLiteral("one"), 0, 0, 1, false);
    ASSERT_TRUE(grid->SortItems(&CompareDataAscending, 0));
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("zero"));
    EXPECT_EQ(grid->GetItemText(1, 0), QStringLiteral("one"));
    EXPECT_EQ(grid->GetItemText(2, 0), QStringLiteral("two"));
}

TEST_F(GridTest, DeletingRowsDropsTheirRecords) {
    Fill(2, 3);
    grid->SetCellColor(1, 0, RGB(1, 1, 1), RGB(1, 1, 1));
    grid->SetCellReadOnly(1, 1, true);
    const unsigned id = grid->MapIndexToId(1);
    ASSERT_TRUE(grid->DeleteItem(1));
    EXPECT_FALSE(grid->DeleteItem(5));
    EXPECT_FALSE(grid->GetAttributes().HasCellColors(id));
    EXPECT_FALSE(grid->GetAttributes().HasCellOverrides(id));
    EXPECT_FALSE(grid->GetAttributes().HasRow(id));
    EXPECT_EQ(grid->GetItemText(1, 0), QStringLiteral("r2c0"));

    grid->SetCurrentCell(0, 1, false, true);
    grid->DeleteItem(0);
    grid->DeleteItem(0);
    EXPECT_EQ(grid->GetCurrentColumn(), -1);
    EXPECT_FALSE(grid->IsRowSelect());
}

TEST_F(GridTest, ClearingRowsAndCellsSkipsReadOnlyCells) {
    Fill(3, 3);
    grid->SetCellReadOnly(0, 1, true);
    grid->SetCellColor(0, 0, RGB(1, 1, 1), RGB(2, 2, 2));
    grid->ClearRow(0, false);
    EXPECT_EQ(grid->GetItemText(0, 0), QString());
    EXPECT_EQ(grid->GetItemText(0, 1), QStringLiteral("r0c1"));
    EXPECT_FALSE(grid->GetCellColor(0, 0, nullptr, nullptr));
    grid->ClearRow(0, true);
    EXPECT_EQ(grid->GetItemText(0, 1), QString());

    // nItem -1: the selected rows; nCol -1 in cell mode: the current column only.
    grid->SetCurrentCell(1, 2, false, false);
    grid->ClearCell(-1, -1, false);
    EXPECT_EQ(grid->GetItemText(1, 2), QString());
    EXPECT_EQ(grid->GetItemText(1, 1), QStringLiteral("r1c1"));
    grid->SelectRow(2, true); // row mode: whole rows
    grid->ClearCell(2, -1, false);
    EXPECT_EQ(grid->GetItemText(2, 0), QString());
    EXPECT_EQ(grid->GetItemText(2, 2), QString());
}

TEST_F(GridTest, ResetGridMakesEverythingEditableAndEmpty) {
    Fill(2, 2);
    grid->InsertItem(2, QStringLiteral("ro"), true);
    grid->SetColumnReadOnly(1, true);
    grid->SetColumnColor(0, RGB(1, 1, 1), RGB(1, 1, 1));
    grid->ResetGrid();
    EXPECT_FALSE(grid->IsCellReadOnly(2, 1));
    EXPECT_FALSE(grid->GetColumnColor(0, nullptr, nullptr));
    EXPECT_EQ(grid->GetItemText(2, 0), QString());
}

// ---------------------------------------------------------------- selection

TEST_F(GridTest, CurrentCellAndSelectStates) {
    Fill(3, 3);
    notes.clear();
    ASSERT_TRUE(grid->SetCurrentCell(1, 2, true, false));
    EXPECT_EQ(CountNotes(GN_CURCELLCHANGED), 0); // set by the program: not reported
    EXPECT_FALSE(grid->SetCurrentCell(3, 0, false, false));
    int row = -1;
    int col = -1;
    ASSERT_TRUE(grid->GetCurrentCell(&row, &col, true));
    EXPECT_EQ(row, 1);
    EXPECT_EQ(col, 2);
    EXPECT_EQ(grid->GetCellSelectState(1, 2), 3);
    EXPECT_EQ(grid->GetCellSelectState(1, 1), 0); // cell mode: other columns are not selected
    EXPECT_EQ(grid->GetCellSelectState(0, 2), 0);

    grid->SelectRow(1, false);
    EXPECT_EQ(grid->GetCellSelectState(1, 2), 2);
    EXPECT_FALSE(grid->GetCurrentCell(&row, &col, true));
    grid->SelectRow(0, true);
    EXPECT_TRUE(grid->IsRowSelect());
    EXPECT_EQ(grid->GetCellSelectState(0, 0), 1);
    grid->SelectRow(0, false);
    EXPECT_FALSE(grid->IsRowSelect());

    // A focus change made by the list-view itself is reported once.
    grid->SetItemState(2, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    ASSERT_EQ(CountNotes(GN_CURCELLCHANGED), 1);
    EXPECT_EQ(notes.back().nRow, 2);
    EXPECT_EQ(notes.back().nCol, 2);
    EXPECT_EQ(notes.back().nEvent, GE_CURCELL);

    grid->ResetSelection();
    EXPECT_EQ(grid->GetCurrentColumn(), -1);
    EXPECT_EQ(grid->GetSelectedCount(), 0);
    EXPECT_EQ(grid->GetSelectionMark(), -1);
}

TEST_F(GridTest, DisablingMultiSelectKeepsOnlyTheFocusedRow) {
    Fill(1, 4);
    grid->SelectRow(0, true);
    grid->SelectRow(2, true);
    grid->SetItemState(2, LVIS_FOCUSED, LVIS_FOCUSED);
    grid->EnableMultiSelect(false);
    EXPECT_EQ(grid->GetSelectedCount(), 1);
    EXPECT_TRUE(grid->GetItemState(2, LVIS_SELECTED));
    EXPECT_FALSE(grid->IsRowSelect());
    EXPECT_TRUE(grid->GetSingleSelection());
    grid->EnableMultiSelect(true);
    EXPECT_FALSE(grid->GetSingleSelection());
}

TEST_F(GridTest, SettingsRoundTrip) {
    grid->SetKeyMoves(0x201, -1, 3, -1, -1, 0);
    int tab = 0, enter = 0, up = 0, down = 0, left = 0, right = 0;
    grid->GetKeyMoves(&tab, &enter, &up, &down, &left, &right);
    EXPECT_EQ(tab, 0x201);
    EXPECT_EQ(enter, 2);
    EXPECT_EQ(up, 3);
    EXPECT_EQ(down, 16);
    EXPECT_EQ(right, 0);
    grid->GetKeyMoves(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    grid->SetCaretOnShow(2);
    EXPECT_EQ(grid->GetCaretOnShow(), 2);
    grid->SetModified(true);
    EXPECT_TRUE(grid->GetModified());
}

TEST_F(GridTest, RowLabelsFollowRowsAndAreRefusedForEditedRows) {
    Fill(1, 3);
    grid->SetAppendRow(true);
    EXPECT_FALSE(grid->SetRowLabel(3, QStringLiteral("x"))); // the append row
    EXPECT_FALSE(grid->SetRowLabel(9, QStringLiteral("x")));
    ASSERT_TRUE(grid->SetRowLabel(0, QStringLiteral("first")));
    grid->SetRowHeaderUseLabels(true);
    grid->SortItemsEx(&CompareTextDescending, quintptr(grid));
    EXPECT_EQ(grid->GetRowHeader()->RowText(2), QStringLiteral("first"));
    EXPECT_EQ(grid->GetRowHeader()->RowText(0), QString());
    EXPECT_EQ(grid->GetRowHeader()->RowText(3), QStringLiteral("*"));
    ASSERT_TRUE(grid->SetRowLabel(2, QString()));
    EXPECT_EQ(grid->GetRowHeader()->RowText(2), QString());
}

// ---------------------------------------------------------------- editing

TEST_F(GridTest, EditCommitStoresAndReportsOnlyChanges) {
    Fill(2, 2);
    ASSERT_TRUE(grid->BeginEdit(0, 1));
    EXPECT_TRUE(grid->IsEditing());
    EXPECT_EQ(grid->GetEditState(0), 1);
    grid->GetEdit()->setText(QStringLiteral("r0c1"));
    notes.clear();
    EXPECT_TRUE(grid->EndEdit());
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(CountNotes(GN_CELLCHANGED), 0);
    EXPECT_FALSE(grid->GetModified());

    ASSERT_TRUE(grid->BeginEdit(1, 0));
    grid->GetEdit()->setText(QStringLiteral("new"));
    EXPECT_TRUE(grid->EndEdit());
    EXPECT_EQ(grid->GetItemText(1, 0), QStringLiteral("new"));
    ASSERT_EQ(CountNotes(GN_CELLCHANGED), 1);
    EXPECT_EQ(notes.back().nEvent, GE_EDITED);
    EXPECT_TRUE(grid->GetModified());

    // After CancelNextEndEdit exactly one commit becomes a cancel.
    grid->CancelNextEndEdit();
    grid->BeginEdit(1, 0);
    grid->GetEdit()->setText(QStringLiteral("lost"));
    EXPECT_FALSE(grid->EndEdit());
    EXPECT_EQ(grid->GetItemText(1, 0), QStringLiteral("new"));
    grid->BeginEdit(1, 0);
    grid->GetEdit()->setText(QStringLiteral("kept"));
    EXPECT_TRUE(grid->EndEdit());
    EXPECT_EQ(grid->GetItemText(1, 0), QStringLiteral("kept"));

    // Read-only cells and check-box columns do not open.
    grid->SetCellReadOnly(0, 0, true);
    EXPECT_FALSE(grid->BeginEdit(0, 0));
    grid->SetColumnCheckBox(1);
    EXPECT_FALSE(grid->BeginEdit(0, 1));
}

TEST_F(GridTest, EndEditCallbackDecidesWhatIsStored) {
    Fill(1, 1);
    const PFNENDEDIT upper = [](CListCtrlEx*, int, int, const QString& text, QString* store,
                                void*) {
        if (text == QStringLiteral("no"))
            return false;
        *store = text.toUpper();
        return true;
    };
    grid->SetEndEditCallback(upper, nullptr);
    grid->BeginEdit(0, 0);
    grid->GetEdit()->setText(QStringLiteral("abc"));
    grid->EndEdit();
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("ABC"));
    grid->BeginEdit(0, 0);
    grid->GetEdit()->setText(QStringLiteral("no"));
    EXPECT_FALSE(grid->EndEdit());
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("ABC"));
}

TEST_F(GridTest, MakingTheEditedNewRowReadOnlyLeavesTheAppendRowEditable) {
    Fill(2, 1);
    grid->SetAppendRow(true);
    ASSERT_TRUE(grid->BeginEdit(1, 0)); // row 1 becomes a new row, the append row is row 2
    ASSERT_EQ(grid->GetItemCount(), 3);
    // Cancelling the edit takes the new row away; the append row moves up into its place and
    // is not the row the call named.
    grid->SetCellReadOnly(1, 0, true);
    EXPECT_FALSE(grid->IsEditing());
    ASSERT_EQ(grid->GetItemCount(), 2);
    EXPECT_EQ(grid->GetEditState(1), 3);
    EXPECT_FALSE(grid->IsCellReadOnly(1, 0));
    EXPECT_TRUE(grid->BeginEdit(1, 0));
}

TEST_F(GridTest, EditingTheAppendRowMakesAPendingRow) {
    Fill(1, 1);
    grid->SetAppendRow(true);
    notes.clear();
    ASSERT_TRUE(grid->BeginEdit(1, 0));
    ASSERT_EQ(CountNotes(GN_APPENDROW), 1); // a new append row below the edited one
    EXPECT_EQ(notes.back().nRow, 2);
    EXPECT_EQ(grid->GetItemCount(), 3);
    EXPECT_EQ(grid->GetEditState(1), 1);

    grid->CancelEdit(); // the half-made row goes again
    EXPECT_EQ(grid->GetItemCount(), 2);
    EXPECT_EQ(grid->GetEditState(1), 3);

    grid->BeginEdit(1, 0);
    grid->GetEdit()->setText(QString()); // even unchanged text counts in append mode
    ASSERT_TRUE(grid->EndEdit());
    ASSERT_EQ(CountNotes(GN_CELLCHANGED), 1);
    EXPECT_EQ(notes.back().nEvent, GE_APPEND_EDITED);
    EXPECT_EQ(grid->GetItemCount(), 3);
    EXPECT_EQ(grid->GetEditState(1), 0);
    EXPECT_EQ(grid->GetEditState(2), 3);
}

TEST_F(GridTest, CheckBoxToggleInTheAppendRowReportsEventTwo) {
    grid->InsertColumn(0, QStringLiteral("A"));
    grid->SetColumnCheckBox(0);
    grid->SetAppendRow(true);
    notes.clear();
    grid->ToggleCheckBox(0, 0);
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("1"));
    ASSERT_EQ(CountNotes(GN_CELLCHANGED), 1);
    EXPECT_EQ(notes.back().nEvent, GE_APPEND_EDITED);
    EXPECT_EQ(grid->GetItemCount(), 2);
    EXPECT_EQ(grid->GetEditState(0), 0);
    grid->ToggleCheckBox(0, 0);
    EXPECT_EQ(grid->GetItemText(0, 0), QString());
    EXPECT_EQ(notes.back().nEvent, GE_EDITED);
}

TEST_F(GridTest, ChoiceCellOpensTheListAndCommitsItsKey) {
    grid->InsertColumn(0, QStringLiteral("A"));
    grid->InsertItem(0, QStringLiteral("b"));
    const QStringList items = {QStringLiteral("a|Alpha"), QStringLiteral("b|Beta")};
    grid->SetColumnChoiceList(0, &items, 5, QLatin1Char('|'));
    ASSERT_TRUE(grid->BeginEdit(0, 0));
    EXPECT_EQ(grid->GetEditState(0), 2);
    EXPECT_EQ(grid->GetListBox()->GetCurSel(), 1);
    grid->GetListBox()->SetCurSel(0);
    ASSERT_TRUE(grid->EndEdit());
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("a"));
    EXPECT_FALSE(grid->IsEditing());
}

TEST_F(GridTest, PasteRecordCarriesTheTextAsGiven) {
    std::uint64_t length = 0;
    QString text;
    grid->SetNotifyHandler([&](const GRIDNOTIFY& n) {
        notes.push_back(n);
        if (n.code == GN_PASTE) {
            const auto& paste = static_cast<const GRIDPASTENOTIFY&>(n);
            length = paste.nLength;
            text = paste.strText;
        }
    });
    grid->SendPasteNotify(QStringLiteral("a\tb"));
    ASSERT_EQ(CountNotes(GN_PASTE), 1);
    EXPECT_EQ(notes.back().nEvent, GE_PASTE);
    EXPECT_EQ(notes.back().nRow, 0);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(text, QStringLiteral("a\tb"));
}

TEST_F(GridTest, FocusLeavingTheEditorCommitsUnlessItGoesToACancelWindow) {
    Fill(1, 2);
    auto* other = new QLineEdit(parent.get());
    auto* cancel = new QLineEdit(parent.get());
    other->show();
    cancel->show();
    grid->SetCancelWindow(cancel, true);
    grid->SetCancelWindow(cancel, true); // no duplicates
    ASSERT_TRUE(grid->BeginEdit(0, 0));
    grid->GetEdit()->setText(QStringLiteral("typed"));
    other->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(0, 0), QStringLiteral("typed"));

    ASSERT_TRUE(grid->BeginEdit(1, 0));
    grid->GetEdit()->setText(QStringLiteral("dropped"));
    cancel->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetItemText(1, 0), QStringLiteral("r1c0"));

    grid->SetCancelWindow(cancel, false);
    ASSERT_TRUE(grid->BeginEdit(1, 0));
    grid->GetEdit()->setText(QStringLiteral("kept"));
    cancel->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(grid->GetItemText(1, 0), QStringLiteral("kept"));
}

TEST_F(GridTest, DestroyingTheGridWhileEditingIsSafe) {
    Fill(2, 2);
    const QStringList items = {QStringLiteral("a|A")};
    grid->SetColumnChoiceList(1, &items, 5, QLatin1Char('|'));
    ASSERT_TRUE(grid->BeginEdit(0, 0));
    delete grid;
    grid = new CListCtrlBase;
    grid->Create(kVisible, QRect(0, 0, 200, 100), parent.get(), 1);
    Fill(2, 1);
    grid->SetColumnChoiceList(1, &items, 5, QLatin1Char('|'));
    ASSERT_TRUE(grid->BeginEdit(0, 1));
    delete grid;
    grid = nullptr;
    QApplication::processEvents();
    SUCCEED();
}

TEST_F(GridTest, ControlShiftDownSelectsFromTheMarkToTheLastRow) {
    Fill(2, 6);
    grid->SetCurrentCell(2, 1, false, false);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(grid->IsRowSelect());
    EXPECT_EQ(grid->GetSelectedCount(), 4); // rows 2 to 5
    EXPECT_FALSE(grid->GetItemState(1, LVIS_SELECTED));
    int row = -1;
    int col = -1;
    grid->GetCurrentCell(&row, &col, true);
    EXPECT_EQ(row, 5);
    EXPECT_EQ(col, 1);
    QTest::keyClick(grid, Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(grid->GetSelectedCount(), 3); // rows 0 to 2
    EXPECT_TRUE(grid->GetItemState(0, LVIS_FOCUSED));
}

TEST_F(GridTest, KeysAndClicksOnAGridWithoutColumnsDoNothing) {
    ASSERT_EQ(grid->InsertItem(0, QStringLiteral("orphan")), 0);
    grid->setFocus();
    for (int key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_Home, Qt::Key_End, Qt::Key_PageDown,
                    Qt::Key_Tab, Qt::Key_Return, Qt::Key_F2, Qt::Key_Space, Qt::Key_A}) {
        QTest::keyClick(grid, Qt::Key(key));
        QTest::keyClick(grid, Qt::Key(key), Qt::ShiftModifier);
        QTest::keyClick(grid, Qt::Key(key), Qt::ControlModifier | Qt::ShiftModifier);
    }
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_FALSE(grid->IsEditing());
    EXPECT_EQ(grid->GetCurrentColumn(), -1);
}
