// Comparison mode with only the rows that differ: the others leave the grid and come back, in
// their places, when the whole comparison is shown again.
#include "view/QuilletView.h"

#include "compare/IniCompare.h"
#include "grid/ListCtrlEx.h"
#include "ini/IniData.h"
#include "view/MergeMode.h"
#include "view/ViewPlace.h"

#include <QAction>
#include <unordered_map>

namespace {

const COMPARE_REULT* ResultAt(const Pelmo::CListCtrlEx& grid, int row) {
    return reinterpret_cast<const COMPARE_REULT*>(grid.GetItemData(row));
}

bool IsUnsaved(const CIniSectionData* section) {
    return section && section->m_isNew;
}

bool IsUnsaved(const CIniEntryData* entry) {
    return entry && (entry->m_isNew || entry->IsChanged());
}

// A row the user has touched stays in sight, whatever its mark says: a hidden row could not
// be taken back, and it would point at a section a take-back destroys.
bool HoldsUnsaved(const COMPARE_REULT& row) {
    return IsUnsaved(row.pSection1) || IsUnsaved(row.pSection2) || IsUnsaved(row.pEntry1) ||
           IsUnsaved(row.pEntry2);
}

} // namespace

void CQuilletView::CreateDifferencesAction() {
    m_pDifferencesOnly = new QAction(QStringLiteral("差分のみ表示"), this);
    m_pDifferencesOnly->setCheckable(true);
    m_pDifferencesOnly->setEnabled(false);
    m_pDifferencesOnly->setShortcut(QKeySequence(Qt::Key_F7));
    // Anywhere in the window: the bar's fields above the grid are no part of the view.
    m_pDifferencesOnly->setShortcutContext(Qt::WindowShortcut);
    m_pDifferencesOnly->setToolTip(QStringLiteral("「○」のない行を隠す (F7)"));
    addAction(m_pDifferencesOnly);
    connect(m_pDifferencesOnly, &QAction::toggled, this, [this](bool on) {
        // Undone when the view refuses, so that the button never says what the grid is not.
        if (!SetDifferencesOnly(on))
            m_pDifferencesOnly->setChecked(m_bDifferencesOnly);
    });
}

CQuilletView::CompareRows CQuilletView::CaptureCompareRows() const {
    CompareRows rows;
    const int count = m_pGrid->GetItemCount();
    // Only a row under an ignore pattern can be dim; without patterns no cell need be asked.
    const bool mayBeDim = !m_pCompare->m_rules.ignore.IsEmpty();
    rows.reserve(size_t(count));
    for (int row = 0; row < count; ++row) {
        auto* result = const_cast<COMPARE_REULT*>(ResultAt(*m_pGrid, row));
        const bool marked = IsDifferenceRow(row);
        const bool conflict = m_pMerge && m_pMerge->IsConflictRow(row);
        rows.push_back({result, marked || (mayBeDim && IsDimRow(row)), marked, false, conflict});
    }
    return rows;
}

bool CQuilletView::SetDifferencesOnly(bool on) {
    if (!m_pCompare || on == m_bDifferencesOnly)
        return false;
    CommitEdit();
    const CViewPlace place = CurrentPlace();
    CompareRows shown = CaptureCompareRows();
    m_bDifferencesOnly = on;
    if (on) {
        for (CompareRow& row : shown)
            row.hidden = !row.marked && !HoldsUnsaved(*row.result);
        m_allCompareRows = std::move(shown);
        RefillCompareRows(m_allCompareRows, false);
    } else {
        RefillCompareRows(MergeHiddenRows(shown), true);
        m_allCompareRows.clear();
    }
    // The steps of the history name rows that have moved: the values changed so far stay
    // changed, but can no longer be undone one by one.
    ClearUndoHistory();
    RestorePlace(place);
    m_pDifferencesOnly->setChecked(on);
    return true;
}

// The rows as they are now with the hidden ones put back where they were: each before the
// first row that followed it then and is still there. Rows that went meanwhile stay away;
// rows that came stay where they are among the shown ones.
CQuilletView::CompareRows CQuilletView::MergeHiddenRows(const CompareRows& shown) const {
    std::unordered_map<const COMPARE_REULT*, size_t> shownAt;
    shownAt.reserve(shown.size());
    for (size_t i = 0; i < shown.size(); ++i)
        shownAt.emplace(shown[i].result, i);
    CompareRows merged;
    merged.reserve(m_allCompareRows.size() + shown.size());
    size_t next = 0; // the first row of shown not yet merged
    for (const CompareRow& row : m_allCompareRows) {
        if (row.hidden) {
            merged.push_back(row);
            continue;
        }
        const auto found = shownAt.find(row.result);
        if (found == shownAt.end() || found->second < next)
            continue;
        merged.insert(merged.end(), shown.begin() + qsizetype(next),
                      shown.begin() + qsizetype(found->second) + 1);
        next = found->second + 1;
    }
    merged.insert(merged.end(), shown.begin() + qsizetype(next), shown.end());
    return merged;
}

void CQuilletView::RefillCompareRows(const CompareRows& rows, bool withHidden) {
    m_pGrid->setUpdatesEnabled(false);
    m_pGrid->DeleteAllItems();
    m_pGrid->ReserveItems(int(rows.size()));
    const COMPARE_REULT* previous = nullptr;
    for (const CompareRow& row : rows) {
        if (row.hidden && !withHidden)
            continue;
        AppendCompareRow(row.result, previous, row.differs);
        // The merge's marks and locks live in the cells, which a refill makes anew.
        if (m_pMerge)
            m_pMerge->RestoreRow(m_pGrid->GetItemCount() - 1, row.conflict);
        previous = row.result;
    }
    m_pGrid->setUpdatesEnabled(true);
}

void CQuilletView::ReapplyDifferencesOnly() {
    m_allCompareRows.clear();
    if (!m_bDifferencesOnly)
        return;
    m_bDifferencesOnly = false;
    SetDifferencesOnly(true);
}
