#include "view/MergeMode.h"

#include "compare/CompareResult.h"
#include "compare/IniCompare.h"
#include "grid/ListCtrlEx.h"
#include "ini/IniData.h"
#include "platform/TextUtil.h"
#include "view/DetachedRecords.h"
#include "view/QuilletView.h"
#include "view/ViewSnapshot.h"

#include <QSet>
#include <algorithm>
#include <unordered_set>

namespace {

constexpr int kMarkColumn = 3;
constexpr int kOursValueColumn = 2;
constexpr int kTheirsKeyColumn = 5;
constexpr int kTheirsValueColumn = 6;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kConflictBack = 0xB0209F; // violet, apart from the difference mark's red
constexpr COLORREF kYellow = 0x00E6E6;       // ours' unsaved edit, as everywhere

COMPARE_REULT* RowAt(const Pelmo::CListCtrlEx& grid, int row) {
    if (row < 0 || row >= grid.GetItemCount())
        return nullptr;
    return reinterpret_cast<COMPARE_REULT*>(grid.GetItemData(row));
}

// Sections and keys pair ignoring case, as the merge pairs them.
QString ConflictKey(const QString& section, const QString& key) {
    return Text::FoldCase(section) + u'\n' + Text::FoldCase(key);
}

const QString* SectionName(const COMPARE_REULT& row) {
    if (row.pSection1)
        return &row.pSection1->m_name;
    return row.pSection2 ? &row.pSection2->m_name : nullptr;
}

const QString* KeyName(const COMPARE_REULT& row) {
    if (row.pEntry1)
        return &row.pEntry1->m_key;
    return row.pEntry2 ? &row.pEntry2->m_key : nullptr;
}

std::vector<std::pair<CIniEntryData*, QString>> ValuesOf(const CIniData& ini) {
    std::vector<std::pair<CIniEntryData*, QString>> values;
    for (const auto& section : ini.m_sections) {
        for (const auto& entry : section->m_entries)
            values.emplace_back(entry.get(), entry->m_value);
    }
    return values;
}

} // namespace

CMergeMode::CMergeMode(CQuilletView& view) : m_view(view) {}

const QString& CMergeMode::ConflictMark() {
    static const QString mark = QStringLiteral("！");
    return mark;
}

bool CMergeMode::IsTheirsValueColumn(int col) {
    return col == kTheirsValueColumn;
}

void CMergeMode::Start(const CMergeStart& start) {
    m_pBase = start.base;
    Pelmo::CListCtrlEx& grid = *m_view.m_pGrid;
    CIniData& ours = *m_view.m_pCompare->m_pIni1;
    // Theirs stays read-only for as long as the merge is shown, an undo of it included.
    LockTheirsValues();
    // The models' shape as loaded. The rows come later: the merge runs on the models first,
    // and only the rows it touches go into the undo step, taken before the grid shows it.
    CViewSnapshot before = m_view.CaptureChange({}, true);
    // The merge sets values in place; the undo step needs each one it changed as it was.
    const auto values = ValuesOf(ours);
    start.merge->Merge(start.canHold);
    std::unordered_set<const CIniEntryData*> changed;
    for (const auto& [entry, value] : values) {
        if (entry->m_value != value) {
            before.values.emplace_back(entry, value);
            changed.insert(entry);
        }
    }
    std::vector<int> changedRows;
    for (int row = 0; row < grid.GetItemCount(); ++row) {
        if (changed.count(RowAt(grid, row)->pEntry1))
            changedRows.push_back(row);
    }
    const std::vector<int> removedRows = RowsOfRemoved(*start.merge);
    const std::vector<int> conflictRows = RowsOfConflicts(start.merge->Conflicts());
    // Rows move as entries go and come; a conflict's row keeps its record.
    std::unordered_set<quintptr> conflictRecords;
    for (int row : conflictRows)
        conflictRecords.insert(grid.GetItemData(row));
    before.runs =
        m_view.CaptureChange(TouchedSpans(changedRows, removedRows, conflictRows), false).runs;
    grid.setUpdatesEnabled(false);
    LetGoOfRemoved(*start.merge, removedRows);
    ShowMergedRows(removedRows);
    ShowMergedRows(changedRows);
    // Rows left empty by a removal go first: an added entry would take the first empty row.
    m_view.TidyCompareRows();
    m_view.PlaceAddedCompareEntries();
    MarkConflicts(conflictRecords);
    grid.setUpdatesEnabled(true);
    m_view.RecordChange(std::move(before));
}

std::vector<std::pair<int, int>>
CMergeMode::TouchedSpans(const std::vector<int>& changedRows, const std::vector<int>& removedRows,
                         const std::vector<int>& conflictRows) const {
    // Added entries find their places in their sections' rows, or after the last row.
    std::vector<std::pair<int, int>> spans = m_view.AddedCompareEntrySpans();
    for (int row : changedRows)
        spans.emplace_back(row, 1);
    // A row that goes hands its section's name to the row below.
    for (int row : removedRows)
        spans.emplace_back(row, 2);
    for (int row : conflictRows)
        spans.emplace_back(row, 1);
    return spans;
}

std::vector<int> CMergeMode::RowsOfRemoved(CIniMerge& merge) const {
    std::unordered_set<const CObject*> gone;
    for (const auto& entry : merge.RemovedEntries())
        gone.insert(entry.get());
    for (const auto& section : merge.RemovedSections())
        gone.insert(section.get());
    std::vector<int> rows;
    if (gone.empty())
        return rows;
    const Pelmo::CListCtrlEx& grid = *m_view.m_pGrid;
    for (int row = 0; row < grid.GetItemCount(); ++row) {
        const COMPARE_REULT* result = RowAt(grid, row);
        if (gone.count(result->pSection1) || gone.count(result->pEntry1))
            rows.push_back(row);
    }
    return rows;
}

void CMergeMode::LetGoOfRemoved(CIniMerge& merge, const std::vector<int>& rows) {
    std::unordered_set<const CObject*> goneSections;
    for (const auto& section : merge.RemovedSections())
        goneSections.insert(section.get());
    for (int row : rows) {
        COMPARE_REULT* result = RowAt(*m_view.m_pGrid, row);
        result->pEntry1 = nullptr;
        if (goneSections.count(result->pSection1))
            result->pSection1 = nullptr;
    }
    // The undo history keeps them, so that an undo links the very same records back.
    for (auto& entry : merge.RemovedEntries())
        m_view.m_pDetached->Keep(std::move(entry));
    for (auto& section : merge.RemovedSections())
        m_view.m_pDetached->Keep(std::move(section));
    merge.RemovedEntries().clear();
    merge.RemovedSections().clear();
}

void CMergeMode::ShowMergedRows(const std::vector<int>& rows) {
    for (int row : rows)
        m_view.RefreshFirstSide(row);
}

void CMergeMode::LockTheirsValues() {
    // The column's flag, not one lock per cell: a cell's own lock costs a lookup on every
    // paint and every move, on each of hundreds of thousands of rows.
    m_view.m_pGrid->SetColumnReadOnly(kTheirsValueColumn, true);
}

void CMergeMode::MarkConflicts(const std::unordered_set<quintptr>& records) {
    if (records.empty())
        return;
    for (int row = 0; row < m_view.m_pGrid->GetItemCount(); ++row) {
        if (records.count(m_view.m_pGrid->GetItemData(row)))
            SetConflictMark(row);
    }
}

std::vector<int> CMergeMode::RowsOfConflicts(const std::vector<CMergeConflict>& conflicts) const {
    std::vector<int> rows;
    if (conflicts.empty())
        return rows;
    QSet<QString> keys;
    QSet<QString> sections; // conflicts about a section itself
    for (const CMergeConflict& conflict : conflicts) {
        if (conflict.key.isEmpty())
            sections.insert(Text::FoldCase(conflict.section));
        else
            keys.insert(ConflictKey(conflict.section, conflict.key));
    }
    const Pelmo::CListCtrlEx& grid = *m_view.m_pGrid;
    for (int row = 0; row < grid.GetItemCount(); ++row) {
        const COMPARE_REULT& result = *RowAt(grid, row);
        const QString* section = SectionName(result);
        const QString* key = KeyName(result);
        if (!section)
            continue;
        if (key ? keys.contains(ConflictKey(*section, *key))
                : sections.remove(Text::FoldCase(*section)))
            rows.push_back(row);
    }
    return rows;
}

void CMergeMode::SetConflictMark(int row) {
    m_view.m_pGrid->SetItemText(row, kMarkColumn, ConflictMark());
    m_view.m_pGrid->SetCellColor(row, kMarkColumn, kWhite, kConflictBack);
}

QString CMergeMode::BaseTip(int row) const {
    const COMPARE_REULT* result = RowAt(*m_view.m_pGrid, row);
    const QString* sectionName = result ? SectionName(*result) : nullptr;
    if (!m_pBase || !sectionName)
        return {};
    static const QString kNothing = QStringLiteral("基: なし");
    const CIniSectionData* section = m_pBase->FindSection(*sectionName, false);
    const QString* key = KeyName(*result);
    if (!key)
        return section ? QStringLiteral("基: [%1]").arg(section->m_name) : kNothing;
    const CIniEntryData* entry = section ? section->FindEntry(*key, false) : nullptr;
    return entry ? QStringLiteral("基: %1").arg(entry->m_value) : kNothing;
}

bool CMergeMode::IsConflictRow(int row) const {
    return m_view.m_pGrid->GetItemText(row, kMarkColumn) == ConflictMark();
}

int CMergeMode::ConflictCount() const {
    int count = 0;
    for (int row = 0; row < m_view.m_pGrid->GetItemCount(); ++row) {
        if (IsConflictRow(row))
            ++count;
    }
    return count;
}

bool CMergeMode::DoubleClick(int row, int col) {
    const COMPARE_REULT* result = RowAt(*m_view.m_pGrid, row);
    if (!result)
        return true;
    if (col < kMarkColumn)
        return true; // it would copy into theirs
    if (col != kTheirsKeyColumn || !IsConflictRow(row) || !result->pEntry1)
        return false; // what ours lacks is copied as in a comparison
    if (result->pEntry2)
        TakeTheirsValue(row);
    else
        TakeTheirsRemoval(row);
    return true;
}

void CMergeMode::TakeTheirsValue(int row) {
    Pelmo::CListCtrlEx& grid = *m_view.m_pGrid;
    const COMPARE_REULT* result = RowAt(grid, row);
    CIniEntryData* entry = result->pEntry1;
    CViewSnapshot before = m_view.CaptureEdit(row, entry);
    entry->SetValue(result->pEntry2->m_value);
    grid.SetItemText(row, kOursValueColumn, entry->m_value);
    grid.SetCellColor(row, kOursValueColumn, CLR_UNCHANGED,
                      entry->m_isNew || entry->IsChanged() ? kYellow : CLR_NOT_SET);
    m_view.SetCompareMark(row, false);
    m_view.RecordChange(std::move(before));
}

void CMergeMode::TakeTheirsRemoval(int row) {
    COMPARE_REULT* result = RowAt(*m_view.m_pGrid, row);
    CIniSectionData* section = result->pSection1;
    m_view.MakeChange(m_view.CompareSectionSpans(section, true), [this, result, row] {
        CIniEntryData* entry = result->pEntry1;
        result->pEntry1 = nullptr;
        m_view.m_pDetached->Keep(entry->m_pSection->m_pIni->RemoveEntryFromFile(entry));
        m_view.RefreshFirstSide(row);
        m_view.TidyCompareRows();
    });
}
