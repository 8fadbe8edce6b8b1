#include "view/QuilletView.h"

#include "compare/CompareResult.h"
#include "grid/ListCtrlEx.h"
#include "ini/IniEntryData.h"
#include "ini/IniSectionData.h"
#include "platform/ui/ListCtrlAccessible.h"
#include "res/Resource.h"
#include "view/FoldedMatch.h"
#include "view/ViewHost.h"

#include <algorithm>
#include <iterator>
#include <typeinfo>

namespace {

// Searchable columns: single-file mode shows section, key, value in 0..2 (3 is the value-list
// column); comparison mode shows them in 0..2 for file 1 and 4..6 for file 2, with the
// difference mark between them in 3.
constexpr int kLastSingleColumn = 2;
constexpr int kMarkColumn = 3;
constexpr int kLastCompareColumn = 6;

constexpr int kAllKinds =
    CQuilletView::FIND_SECTION | CQuilletView::FIND_ENTRY | CQuilletView::FIND_VALUE;

// A single-file row holds either an entry or a section without entries. Nearly every row holds
// an entry, and find asks for each of them on every keystroke: the exact type is compared first,
// which costs a fraction of the cast.
const CIniEntryData* RowEntry(quintptr data) {
    const CObject* record = reinterpret_cast<const CObject*>(data);
    if (record && typeid(*record) == typeid(CIniEntryData))
        return static_cast<const CIniEntryData*>(record);
    return dynamic_cast<const CIniEntryData*>(record);
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

// The texts that the row's cells stand for, viewed in the model, by column (a null view where a
// cell has none): the section column tests the section's name on every row of it, also where
// the grid leaves the cell empty. Equal keys of a file share their text, as a section's rows
// share its name.
void CQuilletView::FindRowTexts(int row, QStringView (&texts)[kFindColumns]) const {
    static_assert(kFindColumns == kLastCompareColumn + 1);
    std::fill(std::begin(texts), std::end(texts), QStringView());
    const quintptr data = m_pGrid->GetItemData(row);
    if (!data)
        return;
    const auto fill = [&texts](int first, const CIniSectionData* section,
                               const CIniEntryData* entry) {
        texts[first] = section ? QStringView(section->m_name) : QStringView();
        if (!entry)
            return;
        const CTextStore* store = entry->m_pSection->m_pText.get();
        texts[first + 1] = entry->KeyViewIn(store);
        texts[first + 2] = entry->ValueViewIn(store);
    };
    if (IsFindCompareMode()) {
        const auto* result = reinterpret_cast<const COMPARE_REULT*>(data);
        fill(0, result->pSection1, result->pEntry1);
        fill(kMarkColumn + 1, result->pSection2, result->pEntry2);
        return;
    }
    const CIniEntryData* entry = RowEntry(data);
    fill(0, entry ? entry->m_pSection : RowSection(data), entry);
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

    // The first cell looked at: from there every searchable cell is tested once, in the order
    // NextFindCell and PrevFindCell walk them, the current one last. The walk goes
    // row by row so that each row's model objects are looked up once.
    if (forward)
        NextFindCell(row, col, flags);
    else
        PrevFindCell(row, col, flags);
    const int last = IsFindCompareMode() ? kLastCompareColumn : kLastSingleColumn;
    std::vector<int> columns; // the searchable columns, left to right
    for (int c = 0; c <= last; ++c) {
        if (FindColumnKind(c) & flags)
            columns.push_back(c);
    }
    const int perRow = int(columns.size());
    const int rows = m_pGrid->GetItemCount();
    int at = int(std::find(columns.begin(), columns.end(), col) - columns.begin());
    const CFoldedMatch match(text);
    QStringView texts[kFindColumns];
    int textsRow = -1;
    // The section column shows one string on every row of a section: it is tested once per run
    // of rows, the answer kept with the text it was for.
    QStringView tested[kFindColumns];
    bool matched[kFindColumns] = {};
    for (qint64 left = qint64(rows) * perRow; left > 0; --left) {
        if (row != textsRow) {
            // Find looks at what is shown: a hidden row is passed over.
            if (m_pGrid->IsRowHidden(row))
                std::fill(std::begin(texts), std::end(texts), QStringView());
            else
                FindRowTexts(row, texts);
            textsRow = row;
        }
        col = columns[size_t(at)];
        const QStringView cell = texts[col];
        const bool none = cell.data() == nullptr;
        if (!none && (cell.data() != tested[col].data() || cell.size() != tested[col].size())) {
            tested[col] = cell;
            matched[col] = !cell.isEmpty() && match.In(cell);
        }
        if (!none && matched[col]) {
            // Moving away from an open editor keeps what was typed, as a click elsewhere does.
            CommitEdit();
            m_pGrid->SetCurrentCell(row, col, true, false);
            // Moving the cell from code reports nothing; the previews follow it as after a click.
            OnCurrentCellChanged(row, col);
            // The find dialog keeps the focus, so the grid does not announce its cell: the
            // reader is told of the found cell all the same.
            if (!m_pGrid->hasFocus())
                CListCtrlAccessible::NotifyCurrentCell(m_pGrid.get(), row, col);
            return true;
        }
        if (forward && ++at == perRow) {
            at = 0;
            row = row + 1 == rows ? 0 : row + 1;
        } else if (!forward && --at < 0) {
            at = perRow - 1;
            row = row == 0 ? rows - 1 : row - 1;
        }
    }
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
