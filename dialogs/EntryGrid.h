#pragma once

#include "dialogs/CodeGrid.h"

class CEntryData;
class CSectionData;
class CSectionGrid;
class CValueGrid;

// The entries of the section current in the sections grid: the entry made current shows its
// values in the values grid.
class CEntryGrid : public CCodeGrid {
public:
    CEntryGrid(Pelmo::CListCtrlEx* pGrid, CValueGrid* pValues);
    // The sections grid, which holds the section whose entries are shown.
    void SetSections(CSectionGrid* pSections) { m_pSections = pSections; }
    CValueGrid* Values() const { return m_pValues; }

    // Shows the entries of pSection, and the first one's values.
    void Load(CSectionData* pSection);
    // No rows, no append row, nothing current, no values shown.
    void Clear();
    // Makes pEntry current in column nCol (-1: the current column), its section first, with
    // its values beside it when they were not shown or bReload asks; false when no row shows it.
    bool Select(CEntryData* pEntry, int nCol, bool bFocus, bool bReload);
    // The entry whose values are shown; null when none is.
    CEntryData* Current() const { return m_pCurrent; }
    // The entry of the current row; null on the append row.
    CEntryData* CurrentRowEntry() const;

private:
    CBaseData* AppendRecord(const QString& code) override;
    QString RefusalOf(const QString& code) const override;
    void ShowRecord(CBaseData* pRecord, int nCol, bool bFocus) override;
    void OnRowChanged(int nRow) override;
    void OnDelete(int nRow, bool bByKey) override;
    CEntryData* EntryAt(int nRow) const;

    CSectionGrid* m_pSections = nullptr;
    CValueGrid* m_pValues;
    CEntryData* m_pCurrent = nullptr;
};
