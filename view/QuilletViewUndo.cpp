// Undo and redo of what the user changes in the open model until it is saved.
#include "view/QuilletView.h"

#include "compare/IniCompare.h"
#include "grid/ListCtrlEx.h"
#include "ini/IniData.h"
#include "view/DetachedRecords.h"
#include "view/ViewChangeCommand.h"
#include "view/ViewSnapshot.h"

#include <QShortcut>
#include <QUndoStack>

namespace {

// Leaves in both snapshots only the rows between the first and the last that differ.
void TrimCommonRows(CViewSnapshot& before, CViewSnapshot& after) {
    std::vector<CGridRowState>& a = before.rows;
    std::vector<CGridRowState>& b = after.rows;
    size_t tail = 0;
    while (tail < a.size() && tail < b.size() && a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
        ++tail;
    a.erase(a.end() - std::ptrdiff_t(tail), a.end());
    b.erase(b.end() - std::ptrdiff_t(tail), b.end());
    size_t head = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head])
        ++head;
    a.erase(a.begin(), a.begin() + std::ptrdiff_t(head));
    b.erase(b.begin(), b.begin() + std::ptrdiff_t(head));
    before.firstRow += int(head);
    after.firstRow += int(head);
}

bool ChangesNothing(const CViewSnapshot& before, const CViewSnapshot& after) {
    return before.rows.empty() && after.rows.empty() && before.shape.IsEmpty() &&
           after.shape.IsEmpty() && before.values == after.values;
}

} // namespace

void CQuilletView::CreateUndoKeys() {
    m_pUndoStack = new QUndoStack(this);
    m_pDetached = std::make_unique<CDetachedRecords>();
    const struct {
        QKeySequence key;
        bool undo;
    } keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Z), true},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), false},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), false},
    };
    for (const auto& k : keys) {
        auto* shortcut = new QShortcut(k.key, this);
        // The whole window: after the add dialog the focus is back on the command bar's button.
        // A cell editor claims these keys for its own text before a shortcut sees them.
        shortcut->setContext(Qt::WindowShortcut);
        const bool undo = k.undo;
        connect(shortcut, &QShortcut::activated, this, [this, undo] { undo ? Undo() : Redo(); });
    }
}

void CQuilletView::Undo() {
    // The drop-down list of a cell is open: the key is the cell's, not the history's.
    if (!m_pGrid->IsEditing())
        m_pUndoStack->undo();
}

void CQuilletView::Redo() {
    if (!m_pGrid->IsEditing())
        m_pUndoStack->redo();
}

void CQuilletView::ClearUndoHistory() {
    m_pUndoStack->clear();
    m_pDetached->Clear();
}

std::vector<CIniData*> CQuilletView::ShownFiles() const {
    if (m_pIni)
        return {m_pIni};
    if (m_pCompare)
        return {m_pCompare->m_pIni1.get(), m_pCompare->m_pIni2.get()};
    return {};
}

CViewSnapshot CQuilletView::CaptureChange(int first, int count, bool withShape) const {
    CViewSnapshot snapshot;
    snapshot.firstRow = first;
    snapshot.totalRows = m_pGrid->GetItemCount();
    snapshot.withShape = withShape;
    snapshot.rows.reserve(size_t(std::max(count, 0)));
    for (int row = first; row < first + count; ++row)
        snapshot.rows.push_back(CGridRowState::Capture(*m_pGrid, row, m_pCompare != nullptr));
    if (withShape)
        snapshot.shape = CModelShape::Capture(ShownFiles(), m_pCompare);
    if (!m_pGrid->GetCurrentCell(&snapshot.currentRow, &snapshot.currentCol, false)) {
        snapshot.currentRow = -1;
        snapshot.currentCol = -1;
    }
    return snapshot;
}

CViewSnapshot CQuilletView::CaptureEdit(int row, CIniEntryData* entry) const {
    CViewSnapshot snapshot = CaptureChange(row, 1, false);
    snapshot.values.emplace_back(entry, entry->m_value);
    return snapshot;
}

CViewSnapshot CQuilletView::CaptureAddition() const {
    // The dialog has linked its additions into the model already and left the grid alone.
    CViewSnapshot snapshot = CaptureChange(0, m_pGrid->GetItemCount(), true);
    snapshot.shape.LeaveOutAdded();
    return snapshot;
}

void CQuilletView::MakeChange(int first, int count, const std::function<void()>& change) {
    CViewSnapshot before = CaptureChange(first, count, true);
    change();
    RecordChange(std::move(before));
}

void CQuilletView::RecordChange(CViewSnapshot before) {
    const int grown = m_pGrid->GetItemCount() - before.totalRows;
    const int count = std::max(0, int(before.rows.size()) + grown);
    CViewSnapshot after = CaptureChange(before.firstRow, count, before.withShape);
    for (const auto& [entry, value] : before.values)
        after.values.emplace_back(entry, entry->m_value);
    TrimCommonRows(before, after);
    CModelShape::KeepDifferences(before.shape, after.shape);
    if (ChangesNothing(before, after))
        return;
    m_pUndoStack->push(new CViewChangeCommand(this, std::move(before), std::move(after)));
}

void CQuilletView::RestoreSnapshot(const CViewSnapshot& target, const CViewSnapshot& shown) {
    // The model first: the rows put back point into it.
    target.shape.Apply(*m_pDetached);
    for (const auto& [entry, value] : target.values)
        entry->SetValue(value);
    m_pGrid->setUpdatesEnabled(false);
    for (size_t i = 0; i < shown.rows.size(); ++i)
        m_pGrid->DeleteItem(shown.firstRow);
    for (size_t i = 0; i < target.rows.size(); ++i) {
        const int row = target.firstRow + int(i);
        target.rows[i].Insert(*m_pGrid, row);
        if (m_pIni)
            LockValueListCell(row);
    }
    m_pGrid->setUpdatesEnabled(true);
    RestoreCurrentCell(target.currentRow, target.currentCol);
}

void CQuilletView::RestoreCurrentCell(int row, int col) {
    if (row < 0 || row >= m_pGrid->GetItemCount())
        return;
    m_pGrid->SetCurrentCell(row, col, true, false);
    // Moving the cell from code reports nothing; the previews follow it as after a click.
    OnCurrentCellChanged(row, col);
}

void CQuilletView::DetachSection(CIniSectionData* section) {
    m_pDetached->Keep(section->m_pIni->TakeSection(section));
}

void CQuilletView::DetachEntry(CIniEntryData* entry) {
    m_pDetached->Keep(entry->m_pSection->TakeEntry(entry));
}

void CQuilletView::DetachResult(const COMPARE_REULT* result) {
    m_pDetached->Keep(m_pCompare->TakeResult(result));
}
