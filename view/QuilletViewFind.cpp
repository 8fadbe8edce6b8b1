#include "view/QuilletView.h"

#include "compare/CompareResult.h"
#include "grid/ListCtrlEx.h"
#include "ini/IniEntryData.h"
#include "ini/IniSectionData.h"
#include "platform/TextUtil.h"
#include "res/Resource.h"
#include "view/ViewHost.h"

namespace {

// Searchable columns: single-file mode shows section, key, value in 0..2 (3 is the value-list
// column); comparison mode shows them in 0..2 for file 1 and 4..6 for file 2, with the
// difference mark between them in 3.
constexpr int kLastSingleColumn = 2;
constexpr int kMarkColumn = 3;
constexpr int kLastCompareColumn = 6;

constexpr int kAllKinds =
    CQuilletView::FIND_SECTION | CQuilletView::FIND_ENTRY | CQuilletView::FIND_VALUE;

// A single-file row holds either an entry or a section without entries.
const CIniEntryData* RowEntry(quintptr data) {
    return dynamic_cast<const CIniEntryData*>(reinterpret_cast<const CObject*>(data));
}
const CIniSectionData* RowSection(quintptr data) {
    if (const CIniEntryData* entry = RowEntry(data))
        return entry->m_pSection;
    return dynamic_cast<const CIniSectionData*>(reinterpret_cast<const CObject*>(data));
}

} // namespace

bool CQuilletView::IsFindCompareMode() const {
    return m_pCompare != nullptr;
}

int CQuilletView::FindColumnKind(int col) const {
    if (IsFindCompareMode()) {
        if (col == kMarkColumn || col < 0 || col > kLastCompareColumn)
            return 0;
        col %= kMarkColumn + 1;
    } else if (col < 0 || col > kLastSingleColumn) {
        return 0;
    }
    return 1 << col;
}

void CQuilletView::StepFindCellForward(int& row, int& col) const {
    const int rows = m_pGrid->GetItemCount();
    if (row < 0 || col < 0) {
        row = 0;
        col = 0;
        return;
    }
    const int last = IsFindCompareMode() ? kLastCompareColumn : kLastSingleColumn;
    ++col;
    if (IsFindCompareMode() && col == kMarkColumn)
        ++col;
    if (col > last) {
        col = 0;
        if (++row >= rows)
            row = 0;
    }
}

void CQuilletView::StepFindCellBackward(int& row, int& col) const {
    const int rows = m_pGrid->GetItemCount();
    const int last = IsFindCompareMode() ? kLastCompareColumn : kLastSingleColumn;
    if (row < 0 || col < 0) {
        // The search starts behind the last searchable cell, so the whole last row is seen first.
        row = rows - 1;
        col = last;
        return;
    }
    --col;
    if (IsFindCompareMode() && col == kMarkColumn)
        --col;
    if (col < 0) {
        col = last;
        if (--row < 0)
            row = rows - 1;
    }
}

void CQuilletView::NextFindCell(int& row, int& col, int flags) const {
    // Without a kind or a row no cell qualifies, and the walk would never end.
    if (!(flags & kAllKinds) || !m_pGrid || m_pGrid->GetItemCount() == 0)
        return;
    do {
        StepFindCellForward(row, col);
    } while (!(FindColumnKind(col) & flags));
}

void CQuilletView::PrevFindCell(int& row, int& col, int flags) const {
    if (!(flags & kAllKinds) || !m_pGrid || m_pGrid->GetItemCount() == 0)
        return;
    do {
        StepFindCellBackward(row, col);
    } while (!(FindColumnKind(col) & flags));
}

// The text that the cell's kind stands for, taken from the model: the section column tests
// the section's name on every row of it, also where the grid leaves the cell empty.
QString CQuilletView::FindCellText(int row, int col) const {
    const quintptr data = m_pGrid->GetItemData(row);
    if (!data)
        return {};
    if (IsFindCompareMode()) {
        const auto* result = reinterpret_cast<const COMPARE_REULT*>(data);
        const bool first = col <= kMarkColumn;
        const CIniSectionData* section = first ? result->pSection1 : result->pSection2;
        const CIniEntryData* entry = first ? result->pEntry1 : result->pEntry2;
        switch (FindColumnKind(col)) {
        case FIND_SECTION:
            return section ? section->m_name : QString();
        case FIND_ENTRY:
            return entry ? entry->m_key : QString();
        case FIND_VALUE:
            return entry ? entry->m_value : QString();
        default:
            return {};
        }
    }
    const CIniEntryData* entry = RowEntry(data);
    switch (FindColumnKind(col)) {
    case FIND_SECTION: {
        const CIniSectionData* section = RowSection(data);
        return section ? section->m_name : QString();
    }
    case FIND_ENTRY:
        return entry ? entry->m_key : QString();
    case FIND_VALUE:
        return entry ? entry->m_value : QString();
    default:
        return {};
    }
}

bool CQuilletView::Find(const QString& text, int flags, bool forward) {
    m_strFind = text;
    m_nFindFlags = flags;
    if (!(flags & kAllKinds) || text.isEmpty() || !m_pGrid || (!m_pIni && !m_pCompare) ||
        m_pGrid->GetItemCount() == 0)
        return false;

    int row = -1;
    int col = -1;
    m_pGrid->GetCurrentCell(&row, &col, false);
    if (row < 0 || col < 0)
        row = col = -1;

    // The first cell looked at is also where the walk stops: every searchable cell is tested
    // once, the current one last.
    if (forward)
        NextFindCell(row, col, flags);
    else
        PrevFindCell(row, col, flags);
    const int stopRow = row;
    const int stopCol = col;
    do {
        if (Text::ToUpper(FindCellText(row, col)).contains(text)) {
            // Moving away from an open editor keeps what was typed, as a click elsewhere does.
            CommitEdit();
            m_pGrid->SetCurrentCell(row, col, true, false);
            // Moving the cell from code reports nothing; the previews follow it as after a click.
            OnCurrentCellChanged(row, col);
            return true;
        }
        if (forward)
            NextFindCell(row, col, flags);
        else
            PrevFindCell(row, col, flags);
    } while (row != stopRow || col != stopCol);
    return false;
}

QRect CQuilletView::CurrentCellScreenRect() const {
    int row = -1;
    int col = -1;
    QRect cell;
    if (!m_pGrid || !m_pGrid->GetCurrentCell(&row, &col, false) ||
        !m_pGrid->GetSubItemRect(row, col, LVIR_BOUNDS, &cell))
        return QRect();
    return QRect(m_pGrid->viewport()->mapToGlobal(cell.topLeft()), cell.size());
}
