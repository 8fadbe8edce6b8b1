#pragma once

#include "dialogs/TreeGrid.h"
#include "grid/GridTypes.h"

#include <functional>
#include <utility>

class CEntryData;
class CEntryGrid;
class CValueData;

// The values of the entry current in the entries grid: "+" inserts a value before its row,
// "-" deletes it, and the value and its display name are typed side by side. Tab steps over
// the button cells and leaves the grid after the last text cell; Enter moves on, with or
// without typing, from the value to its name and from the name to the next row's value.
class CValueGrid : public CTreeGrid {
public:
    static constexpr int kInsertColumn = 0;
    static constexpr int kDeleteColumn = 1;
    static constexpr int kValueColumn = 2;
    static constexpr int kNameColumn = 3;

    // moveFocus: moves the focus out of the grid to the next (true) or previous widget.
    CValueGrid(Pelmo::CListCtrlEx* pGrid, std::function<void(bool)> moveFocus);
    ~CValueGrid() override;
    // The entries grid, which holds the entry whose values are shown.
    void SetEntries(CEntryGrid* pEntries) { m_pEntries = pEntries; }

    void Load(CEntryData* pEntry);
    // No rows, no append row.
    void Clear();
    // Told the entry whose values are shown each time it is shown anew; null when none is.
    void SetShownHandler(std::function<void(CEntryData*)> onShown) {
        m_onShown = std::move(onShown);
    }
    // Makes pValue current in column nCol (-1: the current column), its entry and section first.
    void Select(CValueData* pValue, int nCol);

private:
    int AddRow(int nRow, CValueData* pValue);
    void OnNotify(const Pelmo::GRIDNOTIFY& n);
    void OnEdited(int nRow, bool bAppend);
    void OnInsert(int nRow);
    // bByKey: pressed with Space rather than clicked.
    void OnDelete(int nRow, bool bByKey);
    // Tab: to the next (or previous) text cell, never onto a button cell. False when there is
    // none, so that the focus leaves the grid.
    bool TabToTextCell(int nRow, int nCol, bool bBack);
    // Enter in a text cell: the value goes on to its name, the name to the next row's value.
    static void MoveAfterEnter(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol);
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

    static bool ValueCheck(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol, const QString& strNew,
                           QString* pStore, void* pData);
    static bool ValueKeyMove(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol, int nKey, bool bShift,
                             void* pData);

    std::function<void(bool)> m_moveFocus;
    CEntryGrid* m_pEntries = nullptr;
    std::function<void(CEntryData*)> m_onShown;
};
