// Rows that leave the view for a while: in a comparison those without a difference, in a file
// with a value list those that hold their defaults. They are hidden in the grid, where they
// keep their places, so the undo history, the marks and the current cell stay valid and
// bringing them back costs no more than hiding them.
#include "view/QuilletView.h"

#include "compare/IniCompare.h"
#include "grid/ListCtrlEx.h"
#include "ini/IniData.h"
#include "view/RuleMarks.h"

#include <QAction>

namespace {

// Where the section names stand: column 0 in a file's grid and for a comparison's first file,
// column 4 for its second.
constexpr int kFirstSectionColumn = 0;
constexpr int kSecondSectionColumn = 4;

const COMPARE_REULT* ResultAt(const Pelmo::CListCtrlEx& grid, int row) {
    return reinterpret_cast<const COMPARE_REULT*>(grid.GetItemData(row));
}

bool IsUnsaved(const CIniSectionData* section) {
    return section && section->m_isNew;
}

bool IsUnsaved(const CIniEntryData* entry) {
    return entry && (entry->m_isNew || entry->IsChanged());
}

// A row the user has touched stays in sight, whatever its mark says: what was changed can
// always be seen and taken back.
bool HoldsUnsaved(const COMPARE_REULT& row) {
    return IsUnsaved(row.pSection1) || IsUnsaved(row.pSection2) || IsUnsaved(row.pEntry1) ||
           IsUnsaved(row.pEntry2);
}

// The section a row shows in a section column: the section of its entry (or the section
// itself) in a single file, that side's section in a comparison.
const CIniSectionData* SectionOfRecord(const CObject* record) {
    if (const auto* entry = dynamic_cast<const CIniEntryData*>(record))
        return entry->m_pSection;
    return dynamic_cast<const CIniSectionData*>(record);
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
    m_pGrid->SetFillInTextCallback(&CQuilletView::OnFillInSectionName, this);
}

bool CQuilletView::SetDifferencesOnly(bool on) {
    if (!m_pCompare || on == m_bDifferencesOnly)
        return false;
    CommitEdit();
    m_bDifferencesOnly = on;
    if (on)
        HideDifferencelessRows();
    else
        ShowHiddenRows();
    m_pDifferencesOnly->setChecked(on);
    return true;
}

void CQuilletView::HideDifferencelessRows() {
    std::vector<bool> hidden(size_t(m_pGrid->GetItemCount()));
    for (int row = 0; row < int(hidden.size()); ++row)
        hidden[size_t(row)] = !IsDifferenceRow(row) && !HoldsUnsaved(*ResultAt(*m_pGrid, row));
    HideRows(hidden);
}

void CQuilletView::HideRows(const std::vector<bool>& hidden) {
    m_pGrid->SetRowsHidden(hidden);
    KeepCurrentCellShown();
}

void CQuilletView::ShowHiddenRows() {
    m_pGrid->ShowAllRows();
    KeepCurrentCellShown();
}

// A current cell whose row was hidden moves to the next row shown; one that shows stays in
// sight. The previews follow the cell as after a click.
void CQuilletView::KeepCurrentCellShown() {
    int row = -1;
    int col = -1;
    if (!m_pGrid->GetCurrentCell(&row, &col, false))
        return;
    if (!m_pGrid->IsRowHidden(row)) {
        m_pGrid->EnsureVisible(row, false);
        return;
    }
    if (m_pGrid->SetCurrentCell(row, col, true, false) &&
        m_pGrid->GetCurrentCell(&row, &col, false))
        OnCurrentCellChanged(row, col);
}

void CQuilletView::ReapplyDifferencesOnly() {
    if (m_bDifferencesOnly)
        HideDifferencelessRows();
}

// Only the first row of a section names it; when that row is hidden, the first row shown
// after it names the section in its place.
bool CQuilletView::OnFillInSectionName(Pelmo::CListCtrlEx* grid, int row, int col, QString* text,
                                       void* data) {
    const auto* view = static_cast<const CQuilletView*>(data);
    const CIniSectionData* section = view->SectionShownAt(row, col);
    if (!section)
        return false;
    const int above = grid->ShownRowAt(grid->ShownPosition(row) - 1);
    if (above >= 0 && view->SectionShownAt(above, col) == section)
        return false;
    *text = section->m_name;
    return true;
}

const CIniSectionData* CQuilletView::SectionShownAt(int row, int col) const {
    if (m_pCompare) {
        const COMPARE_REULT* result = ResultAt(*m_pGrid, row);
        if (!result)
            return nullptr;
        if (col == kFirstSectionColumn)
            return result->pSection1;
        return col == kSecondSectionColumn ? result->pSection2 : nullptr;
    }
    return m_pIni && col == kFirstSectionColumn ? SectionOfRecord(RecordAt(row)) : nullptr;
}
