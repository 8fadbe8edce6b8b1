#include "view/GridRowState.h"

#include "grid/ListCtrlEx.h"

namespace {

bool SameRecord(const COMPARE_REULT& a, const COMPARE_REULT& b) {
    return a.pSection1 == b.pSection1 && a.pSection2 == b.pSection2 && a.pEntry1 == b.pEntry1 &&
           a.pEntry2 == b.pEntry2;
}

} // namespace

CGridRowState CGridRowState::Capture(const Pelmo::CListCtrlEx& grid, int row, bool withRecord) {
    CGridRowState state;
    state.m_data = grid.GetItemData(row);
    if (withRecord && state.m_data) {
        state.m_bHasRecord = true;
        state.m_record = *reinterpret_cast<const COMPARE_REULT*>(state.m_data);
    }
    const int columns = grid.GetColumnCount();
    state.m_cells.resize(size_t(columns));
    for (int col = 0; col < columns; ++col) {
        Cell& cell = state.m_cells[size_t(col)];
        cell.text = grid.GetItemText(row, col);
        cell.coloured = grid.GetCellColor(row, col, &cell.textColor, &cell.backColor) &&
                        (cell.textColor != CLR_NOT_SET || cell.backColor != CLR_NOT_SET);
        if (!cell.coloured) {
            cell.textColor = CLR_NOT_SET;
            cell.backColor = CLR_NOT_SET;
        }
        cell.readOnly = grid.IsCellReadOnly(row, col);
    }
    return state;
}

void CGridRowState::Insert(Pelmo::CListCtrlEx& grid, int row) const {
    grid.InsertItem(LVIF_PARAM, row, QString(), 0, 0, m_data, false);
    Overwrite(grid, row);
}

void CGridRowState::Overwrite(Pelmo::CListCtrlEx& grid, int row) const {
    if (m_bHasRecord)
        *reinterpret_cast<COMPARE_REULT*>(m_data) = m_record;
    grid.SetItemData(row, m_data);
    for (int col = 0; col < int(m_cells.size()); ++col) {
        const Cell& cell = m_cells[size_t(col)];
        grid.SetItemText(row, col, cell.text);
        if (cell.coloured)
            grid.SetCellColor(row, col, cell.textColor, cell.backColor);
        else
            grid.ResetCellColor(row, col);
        grid.SetCellReadOnly(row, col, cell.readOnly);
    }
}

bool CGridRowState::operator==(const CGridRowState& other) const {
    return m_data == other.m_data && m_bHasRecord == other.m_bHasRecord &&
           (!m_bHasRecord || SameRecord(m_record, other.m_record)) && m_cells == other.m_cells;
}
