// Comparison mode of the view: two files side by side, one grid row per comparison row.
#include "view/QuilletView.h"

#include "view/ColumnFit.h"

#include "compare/IniCompare.h"
#include "grid/ListCtrlEx.h"
#include "ini/IniData.h"
#include "platform/TextUtil.h"
#include "res/Resource.h"
#include "view/MergeMode.h"
#include "view/ViewHost.h"
#include "view/ViewSnapshot.h"

#include <vector>

namespace {

constexpr COLORREF kYellow = 0x00E6E6; // changed or added
constexpr COLORREF kRed = 0x243EDC;    // behind the difference mark
constexpr COLORREF kGreen = 0xCEEFC6;  // the side lacks the section or the entry
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kDim = 0x999999; // the text of a row whose difference an ignore rule takes away
constexpr int kMarkColumn = 3;
constexpr int kColumnCount = 7;
constexpr int kRowHeaderWidth = 50;
// What a screen reader says where the grid shows a side's cell empty and green, and what the
// yellow and the difference mark mean.
const QString kMissingText = QStringLiteral("なし");
const QString kChangedText = QStringLiteral("変更あり");
const QString kDiffersText = QStringLiteral("差あり");

// One file's half of a row: its three columns and its two pointers in the record.
struct CompareSide {
    int sectionColumn;
    int keyColumn;
    int valueColumn;
    CIniSectionData* COMPARE_REULT::*section;
    CIniEntryData* COMPARE_REULT::*entry;
};
constexpr CompareSide kFirstSide{0, 1, 2, &COMPARE_REULT::pSection1, &COMPARE_REULT::pEntry1};
constexpr CompareSide kSecondSide{4, 5, 6, &COMPARE_REULT::pSection2, &COMPARE_REULT::pEntry2};

const CompareSide& SideOf(bool first) {
    return first ? kFirstSide : kSecondSide;
}

struct ColumnSpec {
    const char16_t* heading;
    bool readOnly;
    int format;
};
constexpr ColumnSpec kColumns[kColumnCount] = {
    {u"セクション", true, LVCFMT_LEFT}, {u"エントリ", true, LVCFMT_LEFT},
    {u"値", false, LVCFMT_LEFT},        {u"差", true, LVCFMT_CENTER},
    {u"セクション", true, LVCFMT_LEFT}, {u"エントリ", true, LVCFMT_LEFT},
    {u"値", false, LVCFMT_LEFT}};

COMPARE_REULT* RowAt(const Pelmo::CListCtrlEx& grid, int row) {
    if (row < 0 || row >= grid.GetItemCount())
        return nullptr;
    return reinterpret_cast<COMPARE_REULT*>(grid.GetItemData(row));
}

// A side lacks the section, exactly one side has the entry, or the values differ (case
// matters unless the rules say otherwise).
bool RowDiffers(const COMPARE_REULT& row, const CRowRules& rules) {
    if (!row.pSection1 || !row.pSection2)
        return true;
    if (!row.pEntry1 != !row.pEntry2)
        return true;
    return row.pEntry1 && !rules.EntriesEqual(*row.pEntry1, *row.pEntry2);
}

void SetBack(Pelmo::CListCtrlEx& grid, int row, int col, COLORREF back) {
    grid.SetCellColor(row, col, CLR_UNCHANGED, back); // a dim text stays dim
}

void SetDifferenceMark(Pelmo::CListCtrlEx& grid, int row, bool differs) {
    if (differs) {
        grid.SetItemText(row, kMarkColumn, QStringLiteral("○"));
        grid.SetCellColor(row, kMarkColumn, kWhite, kRed);
    } else {
        grid.SetItemText(row, kMarkColumn, QString());
        grid.SetCellColor(row, kMarkColumn, CLR_NOT_SET, CLR_NOT_SET);
    }
}

// A row that differs only where an ignore rule says it does not matter: dim text, no mark.
void ShowIgnored(Pelmo::CListCtrlEx& grid, int row, bool ignored) {
    for (int col = 0; col < kColumnCount; ++col) {
        if (col != kMarkColumn)
            grid.SetCellColor(row, col, ignored ? kDim : CLR_NOT_SET, CLR_UNCHANGED);
    }
}

// Whether the files themselves differ on the row, whatever the models hold unsaved.
bool FilesDiffer(const COMPARE_REULT& row, const CRowRules& rules) {
    const auto inFile = [](const auto* record) { return record && !record->m_isNew; };
    if (!row.pEntry1 && !row.pEntry2)
        return inFile(row.pSection1) != inFile(row.pSection2);
    if (inFile(row.pEntry1) != inFile(row.pEntry2))
        return true;
    return inFile(row.pEntry1) &&
           !rules.ValuesEqual(row.pEntry1->SavedValue(), row.pEntry2->SavedValue());
}

// Empties a side's cells that stand for nothing now, greens them and locks the value cell.
void ShowMissingCells(Pelmo::CListCtrlEx& grid, int row, const CompareSide& side, bool sectionToo) {
    if (sectionToo) {
        grid.SetItemText(row, side.sectionColumn, QString());
        SetBack(grid, row, side.sectionColumn, kGreen);
    }
    for (int col : {side.keyColumn, side.valueColumn}) {
        grid.SetItemText(row, col, QString());
        SetBack(grid, row, col, kGreen);
    }
    grid.SetCellReadOnly(row, side.valueColumn, true);
}

// Key and value of an entry that a copy or an add put on this side: yellow and editable.
void ShowNewEntryCells(Pelmo::CListCtrlEx& grid, int row, const CompareSide& side,
                       const CIniEntryData& entry) {
    grid.SetItemText(row, side.keyColumn, entry.Key());
    grid.SetItemText(row, side.valueColumn, entry.Value());
    SetBack(grid, row, side.keyColumn, kYellow);
    SetBack(grid, row, side.valueColumn, kYellow);
    grid.SetCellReadOnly(row, side.valueColumn, false);
}

// A side's cells as the files were loaded. After a save that left values unwritten the models
// still hold them: they stay yellow.
void ShowLoadedSide(Pelmo::CListCtrlEx& grid, int row, const COMPARE_REULT& result,
                    const CompareSide& side, const CIniSectionData* previousSection) {
    const CIniSectionData* section = result.*side.section;
    const CIniEntryData* entry = result.*side.entry;
    if (section && section != previousSection)
        grid.SetItemText(row, side.sectionColumn, section->m_name);
    if (section && section->m_isNew)
        SetBack(grid, row, side.sectionColumn, kYellow);
    if (entry && entry->m_isNew) {
        ShowNewEntryCells(grid, row, side, *entry);
    } else if (entry) {
        grid.SetItemText(row, side.keyColumn, entry->Key());
        grid.SetItemText(row, side.valueColumn, entry->Value());
        if (entry->IsChanged())
            SetBack(grid, row, side.valueColumn, kYellow);
    } else {
        ShowMissingCells(grid, row, side, !section);
    }
}

// The first contiguous run of rows whose section on that side is section.
bool FindSideRun(const Pelmo::CListCtrlEx& grid, const CompareSide& side,
                 const CIniSectionData* section, int* first, int* last) {
    const int count = grid.GetItemCount();
    for (int row = 0; row < count; ++row) {
        if (RowAt(grid, row)->*side.section != section)
            continue;
        int end = row;
        while (end + 1 < count && RowAt(grid, end + 1)->*side.section == section)
            ++end;
        *first = row;
        *last = end;
        return true;
    }
    return false;
}

int FindSideEntryRow(const Pelmo::CListCtrlEx& grid, const CompareSide& side,
                     const CIniEntryData* entry) {
    for (int row = 0; row < grid.GetItemCount(); ++row) {
        if (RowAt(grid, row)->*side.entry == entry)
            return row;
    }
    return -1;
}

// A row without entries still means something when it stands for sections that are empty
// wherever they exist.
bool RowStandsForSomething(const COMPARE_REULT& row) {
    if (row.pEntry1 || row.pEntry2)
        return true;
    if (row.pSection1)
        return row.pSection1->m_entries.empty() &&
               (!row.pSection2 || row.pSection2->m_entries.empty());
    return row.pSection2 && row.pSection2->m_entries.empty();
}

} // namespace

void CQuilletView::ShowCompare(CIniCompare* compare) {
    if (!compare)
        return;
    ClearUndoHistory();
    m_pCompare = compare;
    m_pMerge.reset();
    m_fileRules = compare->m_rules;
    JoinWindowRules();
    InsertCompareColumns();
    m_pGrid->SetAccessibleTextCallback(&CQuilletView::OnCompareAccessibleText, this);
    m_pGrid->SetColumnColor(kMarkColumn, kBlack, kWhite);
    m_pGrid->SetRowHeaderWidth(kRowHeaderWidth);
    FillCompareRows();
    ReapplyDifferencesOnly();
    m_pColumnFit->Start();
    m_pHost->SendMessage(Res::WM_CLEAR_VALUE_LISTS, 0, 0);
}

void CQuilletView::InsertCompareColumns() {
    const std::map<int, int>& widths = m_pHost->CompareColumnWidths();
    int width = 0; // a column the table does not name takes the previous column's width
    for (int col = 0; col < kColumnCount; ++col) {
        const auto it = widths.find(col);
        if (it != widths.end())
            width = it->second;
        const ColumnSpec& spec = kColumns[col];
        const QString heading = QString::fromUtf16(spec.heading);
        m_pGrid->InsertColumn(col, heading, spec.readOnly, spec.format, width, -1);
        // Both sides show the same headings; by ear the side must be said.
        if (col != kMarkColumn)
            m_pGrid->SetColumnAccessibleName(
                col, QStringLiteral("ファイル%1 %2").arg(col < kMarkColumn ? 1 : 2).arg(heading));
    }
}

void CQuilletView::OnCompareAccessibleText(Pelmo::CListCtrlEx* grid, int row, int col,
                                           QString* name, QString* description, void* data) {
    const auto* view = static_cast<const CQuilletView*>(data);
    const COMPARE_REULT* result = view->m_pCompare ? RowAt(*grid, row) : nullptr;
    if (!result)
        return;
    QStringList notes;
    COLORREF text = CLR_NOT_SET;
    COLORREF back = CLR_NOT_SET;
    if (col != kMarkColumn) {
        const CompareSide& side = SideOf(col < kMarkColumn);
        const CompareSide& other = SideOf(col > kMarkColumn);
        // A section without entries has empty entry cells on both sides: nothing is missing.
        const bool missing = col == side.sectionColumn
                                 ? !(result->*side.section)
                                 : !(result->*side.entry) && result->*other.entry;
        if (missing)
            *name = kMissingText;
        if (grid->GetCellColor(row, col, &text, &back) && back == kYellow)
            notes.append(kChangedText);
    }
    if (!grid->GetItemText(row, kMarkColumn).isEmpty())
        notes.append(kDiffersText);
    *description = notes.join(QStringLiteral("、"));
}

void CQuilletView::SetCompareMark(int row, bool differs) {
    const COMPARE_REULT* result = RowAt(*m_pGrid, row);
    const bool matches = result && m_pCompare && m_pCompare->m_rules.IsIgnored(*result);
    SetDifferenceMark(*m_pGrid, row, differs && !matches);
    // Only a row under a rule can be dim, or have been.
    if (matches)
        ShowIgnored(*m_pGrid, row, differs);
}

void CQuilletView::FillCompareRows() {
    m_pGrid->setUpdatesEnabled(false);
    m_pGrid->ReserveItems(m_pGrid->GetItemCount() + int(m_pCompare->m_results.size()));
    const COMPARE_REULT* previous = nullptr;
    for (const auto& result : m_pCompare->m_results) {
        AppendCompareRow(result.get(), previous, CompareRowDiffers(*result));
        previous = result.get();
    }
    m_pGrid->setUpdatesEnabled(true);
}

void CQuilletView::AppendCompareRow(COMPARE_REULT* result, const COMPARE_REULT* previous,
                                    bool differs) {
    const int row = m_pGrid->GetItemCount();
    m_pGrid->InsertItem(LVIF_PARAM, row, QString(), 0, 0, reinterpret_cast<quintptr>(result),
                        false);
    ShowLoadedSide(*m_pGrid, row, *result, kFirstSide, previous ? previous->pSection1 : nullptr);
    ShowLoadedSide(*m_pGrid, row, *result, kSecondSide, previous ? previous->pSection2 : nullptr);
    // A new row has no mark: only the rows that differ need one.
    if (differs)
        SetCompareMark(row, true);
}

bool CQuilletView::CompareRowDiffers(const COMPARE_REULT& result) const {
    return RowDiffers(result, m_pCompare->m_rules) || FilesDiffer(result, m_pCompare->m_rules);
}

void CQuilletView::SetWindowRules(const CRowRules& rules) {
    m_windowRules = rules;
    if (!m_pCompare)
        return;
    CommitEdit();
    // The hidden rows would come back with the marks of the old rules.
    const bool differencesOnly = m_bDifferencesOnly;
    SetDifferencesOnly(false);
    JoinWindowRules();
    for (int row = 0; row < m_pGrid->GetItemCount(); ++row) {
        // A conflict stays one until it is resolved, whatever the rules say.
        if (m_pMerge && m_pMerge->IsConflictRow(row))
            continue;
        const COMPARE_REULT* result = RowAt(*m_pGrid, row);
        // As an edit marks a row: by the values the models hold now.
        const bool differs = RowDiffers(*result, m_pCompare->m_rules);
        const bool ignored = m_pCompare->m_rules.IsIgnored(*result);
        SetDifferenceMark(*m_pGrid, row, differs && !ignored);
        if (ignored || IsDimRow(row))
            ShowIgnored(*m_pGrid, row, differs && ignored);
    }
    m_pGrid->update();
    if (differencesOnly)
        SetDifferencesOnly(true);
}

void CQuilletView::JoinWindowRules() {
    m_pCompare->m_rules = m_fileRules;
    m_pCompare->m_rules.ignore.Add(m_windowRules.ignore);
    m_pCompare->m_rules.ignoreValueCase |= m_windowRules.ignoreValueCase;
}

bool CQuilletView::IsDimRow(int row) const {
    COLORREF text = CLR_NOT_SET;
    COLORREF back = CLR_NOT_SET;
    return m_pGrid->GetCellColor(row, kFirstSide.keyColumn, &text, &back) && text == kDim;
}

bool CQuilletView::OnCompareEndEdit(Pelmo::CListCtrlEx* grid, int row, int col, const QString& text,
                                    QString* store, void* data) {
    auto* view = static_cast<CQuilletView*>(data);
    COMPARE_REULT* result = RowAt(*grid, row);
    if (!view || !view->m_pCompare || !result)
        return false;
    const bool first = col == kFirstSide.valueColumn;
    if (!first && col != kSecondSide.valueColumn)
        return false;
    if (view->m_pMerge && CMergeMode::IsTheirsValueColumn(col))
        return false;
    CIniEntryData* edited = result->*SideOf(first).entry;
    // A side without an entry has nothing to take the value; its cell is locked, but a value
    // must never be lost into a cell that would not be saved.
    if (!edited)
        return false;
    *store = text;
    CViewSnapshot before = view->CaptureEdit(row, edited);
    edited->SetValue(text);
    // The grid stores the edited cell's text only once this returns; the undo step needs it now.
    grid->SetItemText(row, col, text);
    // A side without the entry differs whatever the value; the mark also takes the place of a
    // merge's conflict mark, which the typed value resolves.
    const CIniEntryData* other = result->*SideOf(!first).entry;
    view->SetCompareMark(row, !other || !view->m_pCompare->m_rules.EntriesEqual(*other, *edited));
    const bool marked = edited->m_isNew || edited->IsChanged();
    SetBack(*grid, row, col, marked ? kYellow : CLR_NOT_SET);
    view->RecordChange(std::move(before));
    return true;
}

void CQuilletView::OnCompareCurrentCellChanged(int row, int col) {
    const COMPARE_REULT* result = RowAt(*m_pGrid, row);
    if (!result)
        return;
    const CObject* first = result->pSection1;
    const CObject* second = result->pSection2;
    if (col != kFirstSide.sectionColumn && col != kSecondSide.sectionColumn) {
        if (result->pEntry1)
            first = result->pEntry1;
        if (result->pEntry2)
            second = result->pEntry2;
    }
    m_pHost->SendMessage(Res::WM_SHOW_COMPARE_PREVIEW, 0, reinterpret_cast<qintptr>(first));
    m_pHost->SendMessage(Res::WM_SHOW_COMPARE_PREVIEW, 1, reinterpret_cast<qintptr>(second));
}

void CQuilletView::OnCompareDblClk(int row, int col) {
    const COMPARE_REULT* result = RowAt(*m_pGrid, row);
    if (!result || (m_pMerge && m_pMerge->DoubleClick(row, col)))
        return;
    std::function<void()> copy;
    if (col == kFirstSide.sectionColumn)
        copy = [this, result] { CopySection(result->pSection1, true); };
    else if (col == kSecondSide.sectionColumn)
        copy = [this, result] { CopySection(result->pSection2, false); };
    else if (col == kFirstSide.keyColumn)
        copy = [this, result] { CopyEntry(result->pEntry1, true); };
    else if (col == kSecondSide.keyColumn)
        copy = [this, result] { CopyEntry(result->pEntry2, false); };
    const CompareSide& from = SideOf(col < kMarkColumn);
    int first = 0;
    int last = 0;
    // A copy touches only the source section's run, the one it looks for itself.
    if (copy && result->*from.section &&
        FindSideRun(*m_pGrid, from, result->*from.section, &first, &last))
        MakeChange({{first, last - first + 1}}, copy);
}

void CQuilletView::OnCompareRightClick(int row, int col) {
    const COMPARE_REULT* result = RowAt(*m_pGrid, row);
    if (!result || col == kFirstSide.valueColumn || col == kSecondSide.valueColumn)
        return;
    std::function<void()> takeBack;
    const bool first = col < kMarkColumn;
    const CIniSectionData* section = result->*SideOf(first).section;
    if (col == kFirstSide.sectionColumn && result->pSection1 && result->pSection1->m_isNew)
        takeBack = [this, s = result->pSection1] { RemoveNewCompareSection(s, true); };
    else if (col == kSecondSide.sectionColumn && result->pSection2 && result->pSection2->m_isNew)
        takeBack = [this, s = result->pSection2] { RemoveNewCompareSection(s, false); };
    else if (col == kFirstSide.keyColumn && result->pEntry1 && result->pEntry1->m_isNew)
        takeBack = [this, e = result->pEntry1] { RemoveNewCompareEntry(e, true); };
    else if (col == kSecondSide.keyColumn && result->pEntry2 && result->pEntry2->m_isNew)
        takeBack = [this, e = result->pEntry2] { RemoveNewCompareEntry(e, false); };
    // Both take-backs, and the tidying after them, touch only rows of the section.
    if (takeBack) {
        MakeChange(CompareSectionSpans(section, first), [this, &takeBack] {
            takeBack();
            TidyCompareRows();
        });
    }
}

void CQuilletView::CopySection(CIniSectionData* section, bool toSecond) {
    if (!section || section->m_entries.empty() || m_pGrid->GetItemCount() == 0)
        return;
    const CompareSide& from = SideOf(toSecond);
    const CompareSide& to = SideOf(!toSecond);
    int first = 0;
    int last = 0;
    if (!FindSideRun(*m_pGrid, from, section, &first, &last))
        return;
    CIniSectionData* target = EnsureTargetSection(first, last, toSecond, section->m_name);
    for (int row = first; row <= last; ++row) {
        const COMPARE_REULT* result = RowAt(*m_pGrid, row);
        if (row > first)
            m_pGrid->SetItemText(row, to.sectionColumn, QString());
        if (target->m_isNew)
            SetBack(*m_pGrid, row, to.sectionColumn, kYellow);
        if (!(result->*to.entry) && result->*from.entry)
            CopyEntryIntoRow(row, *(result->*from.entry), target, toSecond);
    }
}

void CQuilletView::CopyEntry(CIniEntryData* entry, bool toSecond) {
    if (!entry)
        return;
    const CompareSide& from = SideOf(toSecond);
    const CompareSide& to = SideOf(!toSecond);
    CIniSectionData* section = entry->m_pSection;
    int first = 0;
    int last = 0;
    if (!FindSideRun(*m_pGrid, from, section, &first, &last))
        return;
    int row = first;
    while (row <= last && RowAt(*m_pGrid, row)->*from.entry != entry)
        ++row;
    if (row > last || RowAt(*m_pGrid, row)->*to.entry)
        return;
    CIniSectionData* target = EnsureTargetSection(first, last, toSecond, section->m_name);
    CopyEntryIntoRow(row, *entry, target, toSecond);
}

// The other file's section for a run of rows, made (new, yellow) when that file lacks it.
CIniSectionData* CQuilletView::EnsureTargetSection(int first, int last, bool toSecond,
                                                   const QString& name) {
    const CompareSide& to = SideOf(!toSecond);
    if (CIniSectionData* existing = RowAt(*m_pGrid, first)->*to.section)
        return existing;
    CIniData& file = toSecond ? *m_pCompare->m_pIni2 : *m_pCompare->m_pIni1;
    // A file never gets a second section of one name: its writer would only reach the first.
    CIniSectionData* target = file.FindSection(name, false);
    if (!target)
        target = file.AddSection(name);
    m_pGrid->SetItemText(first, to.sectionColumn, name);
    for (int row = first; row <= last; ++row) {
        RowAt(*m_pGrid, row)->*to.section = target;
        SetBack(*m_pGrid, row, to.sectionColumn, target->m_isNew ? kYellow : CLR_NOT_SET);
    }
    return target;
}

void CQuilletView::CopyEntryIntoRow(int row, const CIniEntryData& source, CIniSectionData* target,
                                    bool toSecond) {
    const CompareSide& to = SideOf(!toSecond);
    CIniEntryData* copy = target->AddEntry(source.Key(), source.Value());
    // The row names the section its entry lives in, so taking the section back finds it.
    COMPARE_REULT* result = RowAt(*m_pGrid, row);
    result->*to.section = target;
    result->*to.entry = copy;
    ShowNewEntryCells(*m_pGrid, row, to, *copy);
    SetCompareMark(row, false);
}

void CQuilletView::RemoveNewCompareSection(CIniSectionData* section, bool fromFirst) {
    if (!section)
        return;
    const CompareSide& side = SideOf(fromFirst);
    // Every row that points into the section lets go of it before it is destroyed.
    for (int row = 0; row < m_pGrid->GetItemCount(); ++row) {
        COMPARE_REULT* result = RowAt(*m_pGrid, row);
        if (result->*side.section != section)
            continue;
        ShowMissingCells(*m_pGrid, row, side, true);
        SetCompareMark(row, true);
        result->*side.section = nullptr;
        result->*side.entry = nullptr;
    }
    DetachSection(section);
}

void CQuilletView::RemoveNewCompareEntry(CIniEntryData* entry, bool fromFirst) {
    if (!entry)
        return;
    const CompareSide& side = SideOf(fromFirst);
    const CompareSide& other = SideOf(!fromFirst);
    const int row = FindSideEntryRow(*m_pGrid, side, entry);
    if (row < 0)
        return;
    COMPARE_REULT* result = RowAt(*m_pGrid, row);
    ShowMissingCells(*m_pGrid, row, side, false);
    SetCompareMark(row, result->*other.entry || !(result->*other.section));
    CIniSectionData* section = entry->m_pSection;
    result->*side.entry = nullptr;
    DetachEntry(entry);
    if (section->m_isNew && section->m_entries.empty())
        RemoveNewCompareSection(section, fromFirst);
}

void CQuilletView::TidyCompareRows() {
    for (int row = 0; row < m_pGrid->GetItemCount();) {
        const COMPARE_REULT* result = RowAt(*m_pGrid, row);
        if (RowStandsForSomething(*result)) {
            ++row;
            continue;
        }
        MoveSectionNamesDown(row);
        // The row goes before its record, so the grid never holds a dangling pointer.
        m_pGrid->DeleteItem(row);
        DetachResult(result);
    }
}

// A run's first row that goes hands the section names it showed to the row below.
void CQuilletView::MoveSectionNamesDown(int row) {
    const COMPARE_REULT* result = RowAt(*m_pGrid, row);
    const COMPARE_REULT* next = RowAt(*m_pGrid, row + 1);
    if (!next)
        return;
    for (const CompareSide* side : {&kFirstSide, &kSecondSide}) {
        const QString name = m_pGrid->GetItemText(row, side->sectionColumn);
        if (!name.isEmpty() && result->*side->section &&
            next->*side->section == result->*side->section)
            m_pGrid->SetItemText(row + 1, side->sectionColumn, name);
    }
}

void CQuilletView::RefreshFirstSide(int row) {
    const COMPARE_REULT* result = RowAt(*m_pGrid, row);
    const COMPARE_REULT* previous = RowAt(*m_pGrid, row - 1);
    ShowLoadedSide(*m_pGrid, row, *result, kFirstSide, previous ? previous->pSection1 : nullptr);
    SetCompareMark(row, RowDiffers(*result, m_pCompare->m_rules));
}

void CQuilletView::ShowMerge(const CMergeStart* start) {
    if (!m_pCompare || !start || !start->merge)
        return;
    m_pMerge = std::make_unique<CMergeMode>(*this);
    m_pMerge->Start(*start);
}

bool CQuilletView::FindCompareSectionRows(const QString& name, int* first, int* last) const {
    for (int row = 0; row < m_pGrid->GetItemCount(); ++row) {
        const COMPARE_REULT* result = RowAt(*m_pGrid, row);
        const CompareSide& side = result->pSection1 ? kFirstSide : kSecondSide;
        const CIniSectionData* section = result->*side.section;
        if (section && Text::EqualNoCase(section->m_name, name))
            return FindSideRun(*m_pGrid, side, section, first, last);
    }
    return false;
}

void CQuilletView::ShowAddedCompareEntries() {
    if (!m_pCompare)
        return;
    // The additions find their places among every row of their sections.
    SetDifferencesOnly(false);
    CViewSnapshot before = CaptureAddition(AddedCompareEntrySpans());
    PlaceAddedCompareEntries();
    RecordChange(std::move(before));
}

std::vector<std::pair<int, int>> CQuilletView::AddedCompareEntrySpans() const {
    std::vector<std::pair<int, int>> spans;
    for (const CIniData* file : {m_pCompare->m_pIni1.get(), m_pCompare->m_pIni2.get()}) {
        std::vector<CIniEntryData*> added;
        file->CollectAddedEntries(added);
        for (const CIniEntryData* entry : added) {
            int first = 0;
            int last = 0;
            if (FindCompareSectionRows(entry->m_pSection->m_name, &first, &last))
                spans.emplace_back(first, last - first + 1);
            else
                spans.emplace_back(m_pGrid->GetItemCount(), 0);
        }
    }
    return spans;
}

std::vector<std::pair<int, int>> CQuilletView::CompareSectionSpans(const CIniSectionData* section,
                                                                   bool first) const {
    std::vector<std::pair<int, int>> spans;
    const CompareSide& side = SideOf(first);
    for (int row = 0; row < m_pGrid->GetItemCount(); ++row) {
        if (RowAt(*m_pGrid, row)->*side.section != section)
            continue;
        if (!spans.empty() && spans.back().first + spans.back().second == row)
            ++spans.back().second;
        else
            spans.emplace_back(row, 1);
    }
    return spans;
}

void CQuilletView::PlaceAddedCompareEntries() {
    m_pGrid->setUpdatesEnabled(false);
    for (bool first : {true, false}) {
        std::vector<CIniEntryData*> added;
        (first ? m_pCompare->m_pIni1 : m_pCompare->m_pIni2)->CollectAddedEntries(added);
        for (CIniEntryData* entry : added)
            PlaceAddedCompareEntry(entry, first);
    }
    m_pCompare->m_pIni1->ClearAddedMarks();
    m_pCompare->m_pIni2->ClearAddedMarks();
    m_pGrid->setUpdatesEnabled(true);
}

void CQuilletView::PlaceAddedCompareEntry(CIniEntryData* entry, bool first) {
    int runFirst = 0;
    int runLast = 0;
    if (!FindCompareSectionRows(entry->m_pSection->m_name, &runFirst, &runLast)) {
        InsertAddedEntryRow(entry, first, m_pGrid->GetItemCount(), nullptr, true);
        return;
    }
    if (TakeAddedEntryIntoRun(entry, first, runFirst, runLast))
        return;
    CIniSectionData* otherSection = RowAt(*m_pGrid, runFirst)->*SideOf(!first).section;
    InsertAddedEntryRow(entry, first, runLast + 1, otherSection, false);
}

// Gives the run the entry's section and puts the entry on the row that waits for it: one
// without an entry on this side whose other side is empty or has the same key.
bool CQuilletView::TakeAddedEntryIntoRun(CIniEntryData* entry, bool first, int runFirst,
                                         int runLast) {
    const CompareSide& side = SideOf(first);
    const CompareSide& other = SideOf(!first);
    bool taken = false;
    for (int row = runFirst; row <= runLast; ++row) {
        COMPARE_REULT* result = RowAt(*m_pGrid, row);
        if (!(result->*side.section)) {
            result->*side.section = entry->m_pSection;
            SetBack(*m_pGrid, row, side.sectionColumn, kYellow);
            if (row == runFirst)
                m_pGrid->SetItemText(row, side.sectionColumn, entry->m_pSection->m_name);
        }
        if (taken || result->*side.entry)
            continue;
        const CIniEntryData* partner = result->*other.entry;
        if (partner && !Text::EqualNoCase(partner->Key(), entry->Key()))
            continue;
        result->*side.entry = entry;
        ShowNewEntryCells(*m_pGrid, row, side, *entry);
        SetCompareMark(row, !partner || !m_pCompare->m_rules.EntriesEqual(*partner, *entry));
        taken = true;
    }
    return taken;
}

// A row of its own for an added entry. The other side has no entry here: its cells are green
// and its value cell stays locked, as on every row where a side lacks the entry.
void CQuilletView::InsertAddedEntryRow(CIniEntryData* entry, bool first, int at,
                                       CIniSectionData* otherSection, bool showSectionName) {
    const CompareSide& side = SideOf(first);
    const CompareSide& other = SideOf(!first);
    auto record = std::make_unique<COMPARE_REULT>();
    record.get()->*side.section = entry->m_pSection;
    record.get()->*side.entry = entry;
    record.get()->*other.section = otherSection;
    COMPARE_REULT* result = record.get();
    m_pCompare->AddResult(std::move(record));
    const int row = m_pGrid->InsertItem(LVIF_PARAM, at, QString(), 0, 0,
                                        reinterpret_cast<quintptr>(result), false);
    if (showSectionName)
        m_pGrid->SetItemText(row, side.sectionColumn, entry->m_pSection->m_name);
    if (entry->m_pSection->m_isNew)
        SetBack(*m_pGrid, row, side.sectionColumn, kYellow);
    ShowNewEntryCells(*m_pGrid, row, side, *entry);
    ShowMissingCells(*m_pGrid, row, other, !otherSection);
    if (otherSection && otherSection->m_isNew)
        SetBack(*m_pGrid, row, other.sectionColumn, kYellow);
    SetCompareMark(row, true);
}
