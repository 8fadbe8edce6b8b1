#pragma once

#include "dialogs/CodeGrid.h"

class CEntryGrid;
class CProjectData;
class CSectionData;

// The sections of the value list being edited, leftmost of the three grids: the section made
// current shows its entries in the entries grid.
class CSectionGrid : public CCodeGrid {
public:
    CSectionGrid(Pelmo::CListCtrlEx* pGrid, CEntryGrid* pEntries);

    // Shows the sections of pProject, which the grid then edits; not owned.
    void Fill(CProjectData* pProject);
    // No section rows, nothing current, the grids to the right empty; the append row stays.
    void Empty();
    // Empty, then the sections of the tree again, as they are now.
    void Refill();
    CEntryGrid* Entries() const { return m_pEntries; }
    // Makes pSection current in column nCol (-1: the current column), with its entries beside
    // it when it was not shown or bReload asks; false when no row shows it.
    bool Select(CSectionData* pSection, int nCol, bool bFocus, bool bReload);
    // The section whose entries are shown; null when none is.
    CSectionData* Current() const { return m_pCurrent; }
    // The section of the current row; null on the append row.
    CSectionData* CurrentRowSection() const;

private:
    CBaseData* AppendRecord(const QString& code) override;
    QString RefusalOf(const QString& code) const override;
    void ShowRecord(CBaseData* pRecord, int nCol, bool bFocus) override;
    void OnRowChanged(int nRow) override;
    void OnDelete(int nRow, bool bByKey) override;
    CSectionData* SectionAt(int nRow) const;

    CEntryGrid* m_pEntries;
    CProjectData* m_pProject = nullptr;
    CSectionData* m_pCurrent = nullptr;
};
