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
#include <algorithm>

namespace {

// Leaves in both runs only the rows between the first and the last that differ.
void TrimCommonRows(CRowRun& before, CRowRun& after) {
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

// Sorted, with spans that overlap or touch joined: the row below a run must be one the change
// leaves alone.
std::vector<std::pair<int, int>> JoinedSpans(std::vector<std::pair<int, int>> spans) {
    std::sort(spans.begin(), spans.end());
    std::vector<std::pair<int, int>> joined;
    for (const auto& [first, count] : spans) {
        if (!joined.empty() && first <= joined.back().first + joined.back().second) {
            const int end = std::max(joined.back().first + joined.back().second, first + count);
            joined.back().second = end - joined.back().first;
        } else {
            joined.emplace_back(first, count);
        }
    }
    return joined;
}

bool ChangesNothing(const CViewSnapshot& before, const CViewSnapshot& after) {
    return before.runs.empty() && after.runs.empty() && before.shape.IsEmpty() &&
           after.shape.IsEmpty() && before.values == after.values;
}

} // namespace

void CQuilletView::CreateUndoKeys() {
    m_pUndoStack = new QUndoStack(this);
    // Every change the user makes goes through the history, and so does every step back.
    connect(m_pUndoStack, &QUndoStack::indexChanged, this, &CQuilletView::ContentChanged);
    // The preview tells what the current row holds that its file does not yet.
    connect(m_pUndoStack, &QUndoStack::indexChanged, this, [this] {
        int row = -1;
        int col = -1;
        if (m_pGrid->GetCurrentCell(&row, &col, false))
            OnCurrentCellChanged(row, col);
    });
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

CViewSnapshot CQuilletView::CaptureChange(RowSpans spans, bool withShape) const {
    CViewSnapshot snapshot;
    snapshot.withShape = withShape;
    for (const auto& [first, count] : JoinedSpans(std::move(spans)))
        snapshot.runs.push_back(CaptureRun(first, count));
    if (withShape)
        snapshot.shape = CModelShape::Capture(ShownFiles(), m_pCompare);
    if (!m_pGrid->GetCurrentCell(&snapshot.currentRow, &snapshot.currentCol, false)) {
        snapshot.currentRow = -1;
        snapshot.currentCol = -1;
    }
    return snapshot;
}

CRowRun CQuilletView::CaptureRun(int first, int count) const {
    CRowRun run;
    run.firstRow = first;
    const int end = std::min(first + count, m_pGrid->GetItemCount());
    run.rows.reserve(size_t(std::max(end - first, 0)));
    for (int row = first; row < end; ++row)
        run.rows.push_back(CGridRowState::Capture(*m_pGrid, row, m_pCompare != nullptr));
    run.endRecord = end < m_pGrid->GetItemCount() ? m_pGrid->GetItemData(end) : 0;
    return run;
}

CViewSnapshot CQuilletView::CaptureEdit(int row, CIniEntryData* entry) const {
    CViewSnapshot snapshot = CaptureChange({{row, 1}}, false);
    snapshot.values.emplace_back(entry, entry->m_value);
    return snapshot;
}

CViewSnapshot CQuilletView::CaptureAddition(RowSpans spans) const {
    // The dialog has linked its additions into the model already and left the grid alone.
    CViewSnapshot snapshot = CaptureChange(std::move(spans), true);
    snapshot.shape.LeaveOutAdded();
    return snapshot;
}

void CQuilletView::MakeChange(RowSpans spans, const std::function<void()>& change) {
    CViewSnapshot before = CaptureChange(std::move(spans), true);
    change();
    RecordChange(std::move(before));
}

void CQuilletView::RecordChange(CViewSnapshot before) {
    CViewSnapshot after = CaptureChange({}, before.withShape);
    // Each run now ends at the row its end record is on; the runs above have grown or shrunk.
    int shift = 0;
    for (const CRowRun& run : before.runs) {
        const int first = run.firstRow + shift;
        int end = first;
        while (end < m_pGrid->GetItemCount() &&
               (run.endRecord == 0 || m_pGrid->GetItemData(end) != run.endRecord))
            ++end;
        after.runs.push_back(CaptureRun(first, end - first));
        shift += end - first - int(run.rows.size());
    }
    for (const auto& [entry, value] : before.values)
        after.values.emplace_back(entry, entry->m_value);
    for (size_t i = before.runs.size(); i-- > 0;) {
        TrimCommonRows(before.runs[i], after.runs[i]);
        if (before.runs[i].rows.empty() && after.runs[i].rows.empty()) {
            before.runs.erase(before.runs.begin() + std::ptrdiff_t(i));
            after.runs.erase(after.runs.begin() + std::ptrdiff_t(i));
        }
    }
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
    // From the bottom up, so that each run's rows above are still where the shown side has
    // them.
    for (size_t i = shown.runs.size(); i-- > 0;)
        ReplaceRun(shown.runs[i], target.runs[i]);
    if (m_pIni) {
        for (const CRowRun& run : target.runs) {
            for (size_t i = 0; i < run.rows.size(); ++i)
                LockValueListCell(run.firstRow + int(i));
        }
    }
    m_pGrid->setUpdatesEnabled(true);
    RestoreCurrentCell(target.currentRow, target.currentCol);
}

void CQuilletView::ReplaceRun(const CRowRun& shown, const CRowRun& target) {
    // Rows are overwritten where both sides have one; only the difference in count is
    // deleted or inserted, since each of those moves every row below.
    const size_t common = std::min(shown.rows.size(), target.rows.size());
    for (size_t i = 0; i < common; ++i)
        target.rows[i].Overwrite(*m_pGrid, shown.firstRow + int(i));
    for (size_t i = common; i < shown.rows.size(); ++i)
        m_pGrid->DeleteItem(shown.firstRow + int(common));
    for (size_t i = common; i < target.rows.size(); ++i)
        target.rows[i].Insert(*m_pGrid, shown.firstRow + int(i));
}

void CQuilletView::RestoreCurrentCell(int row, int col) {
    if (row < 0 || row >= m_pGrid->GetItemCount())
        return;
    int currentRow = -1;
    int currentCol = -1;
    // After undoing an edit the cell usually is current already: it only needs to be in view.
    if (m_pGrid->GetCurrentCell(&currentRow, &currentCol, false) && currentRow == row &&
        currentCol == col)
        m_pGrid->EnsureVisible(row, false);
    else
        m_pGrid->SetCurrentCell(row, col, true, false);
    // A hidden row passes the cell on to the next row shown.
    m_pGrid->GetCurrentCell(&row, &col, false);
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
