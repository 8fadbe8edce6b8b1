// The user's place in the grid, kept across a rebuild of the rows.
#include "view/QuilletView.h"

#include "compare/IniCompare.h"
#include "grid/ListCtrlEx.h"
#include "ini/IniData.h"
#include "view/ViewPlace.h"

#include <algorithm>

namespace {

constexpr int kFirstFileColumns = 3; // comparison: columns 0-2 show file 1, 3 the mark

const COMPARE_REULT* CompareRowAt(const Pelmo::CListCtrlEx& grid, int row) {
    return reinterpret_cast<const COMPARE_REULT*>(grid.GetItemData(row));
}

// The record a comparison row shows on one side: its entry, else its section.
const CObject* SideRecord(const COMPARE_REULT& result, bool first) {
    const CIniEntryData* entry = first ? result.pEntry1 : result.pEntry2;
    if (entry)
        return entry;
    return first ? result.pSection1 : result.pSection2;
}

} // namespace

CViewPlace CQuilletView::CurrentPlace() const {
    CViewPlace place;
    place.topRow = m_pGrid->GetTopIndex();
    if (!m_pGrid->GetCurrentCell(&place.row, &place.col, false) || !RecordAt(place.row)) {
        place.row = -1;
        return place;
    }
    const CObject* record = RecordAt(place.row);
    if (m_pCompare) {
        const auto& result = *CompareRowAt(*m_pGrid, place.row);
        // The mark column and a side without a record fall back to the side that has one.
        place.firstFile = place.col < kFirstFileColumns;
        if (place.col == kFirstFileColumns || !SideRecord(result, place.firstFile))
            place.firstFile = SideRecord(result, true) != nullptr;
        record = SideRecord(result, place.firstFile);
    }
    if (const auto* entry = dynamic_cast<const CIniEntryData*>(record)) {
        place.hasEntry = true;
        place.key = entry->Key();
        place.section = entry->m_pSection->m_name;
    } else if (const auto* section = dynamic_cast<const CIniSectionData*>(record)) {
        place.section = section->m_name;
    }
    return place;
}

void CQuilletView::RestorePlace(const CViewPlace& place) {
    const int count = m_pGrid->GetItemCount();
    if (place.row < 0 || count == 0)
        return;
    int row = m_pCompare ? FindComparePlaceRow(place) : FindPlaceRow(place);
    if (row < 0)
        row = std::min(place.row, count - 1);
    ScrollToTop(place.topRow);
    RestoreCurrentCell(row, place.col);
}

int CQuilletView::FindPlaceRow(const CViewPlace& place) const {
    const CIniSectionData* section = m_pIni ? m_pIni->FindSection(place.section, false) : nullptr;
    if (!section)
        return -1;
    const CObject* record = section;
    if (place.hasEntry)
        record = section->FindEntry(place.key, false);
    if (!record)
        return -1;
    const int count = m_pGrid->GetItemCount();
    for (int row = 0; row < count; ++row) {
        if (RecordAt(row) == record)
            return row;
    }
    // The section row gave way to entries: the section's first row.
    int first = -1;
    int last = -1;
    return FindSectionRows(section, first, last) ? first : -1;
}

int CQuilletView::FindComparePlaceRow(const CViewPlace& place) const {
    const CIniData& file = place.firstFile ? *m_pCompare->m_pIni1 : *m_pCompare->m_pIni2;
    const CIniSectionData* section = file.FindSection(place.section, false);
    if (!section)
        return -1;
    const CIniEntryData* entry = place.hasEntry ? section->FindEntry(place.key, false) : nullptr;
    if (place.hasEntry && !entry)
        return -1;
    int sectionRow = -1;
    for (int row = 0; row < m_pGrid->GetItemCount(); ++row) {
        const COMPARE_REULT& result = *CompareRowAt(*m_pGrid, row);
        const CIniSectionData* shown = place.firstFile ? result.pSection1 : result.pSection2;
        const CIniEntryData* shownEntry = place.firstFile ? result.pEntry1 : result.pEntry2;
        if (entry && shownEntry == entry)
            return row;
        if (shown == section && sectionRow < 0)
            sectionRow = row;
        if (!entry && sectionRow >= 0)
            return sectionRow;
    }
    return sectionRow;
}

void CQuilletView::ScrollToTop(int topRow) {
    const int shift = topRow - m_pGrid->GetTopIndex();
    if (shift != 0)
        m_pGrid->Scroll(0, shift * m_pGrid->GetRowHeight());
}
