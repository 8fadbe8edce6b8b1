#pragma once

#include "dialogs/TreeGrid.h"
#include "grid/GridTypes.h"

#include <QString>

class CBaseData;

// The sections grid or the entries grid: a "-" button, a column of codes and one of display
// names, an append row that makes a record of a code typed or pasted into it, and Enter that
// keeps a record just made current. What the records are, which codes an INI file cannot hold
// and what showing one means is left to the kind.
class CCodeGrid : public CTreeGrid {
public:
    static constexpr int kDeleteColumn = 0;
    static constexpr int kCodeColumn = 1;
    static constexpr int kNameColumn = 2;

    CCodeGrid(Pelmo::CListCtrlEx* pGrid, const QString& title);
    // Takes the focus with a current cell (the first code when there is none), so that what
    // is typed next goes into it.
    void TakeFocus();

protected:
    int AddRow(int nRow, CBaseData* pRecord, const QString& code, const QString& name);
    // Shows what follows the deleted row nDeleted: a record, or the append row.
    void ShowRowAfterDelete(int nDeleted);

private:
    // A new record of code at the end of the records shown; null when there is nowhere to put it.
    virtual CBaseData* AppendRecord(const QString& code) = 0;
    // Why an INI file cannot hold code as this kind's code; empty when it can.
    virtual QString RefusalOf(const QString& code) const = 0;
    // Makes pRecord, one of this grid's, the current one, with what hangs under it beside it.
    virtual void ShowRecord(CBaseData* pRecord, int nCol, bool bFocus) = 0;
    virtual void OnRowChanged(int nRow) = 0;
    // bByKey: pressed with Space rather than clicked.
    virtual void OnDelete(int nRow, bool bByKey) = 0;

    void OnNotify(const Pelmo::GRIDNOTIFY& n);
    void OnEdited(int nRow, bool bAppend);
    void OnPaste(const QString& text);
    // The code cell's text as a code, or the reason it cannot be one (said after the edit ends).
    bool AcceptCode(const QString& text, QString* pStore);
    void MarkJustAppended(const void* pRecord);

    static bool CodeCheck(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol, const QString& strNew,
                          QString* pStore, void* pData);
    static bool CodeKeyMove(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol, int nKey, bool bShift,
                            void* pData);

    // The record that the edit being committed has just made of the append row; only for the
    // Enter that committed it, which then keeps it current.
    const void* m_pJustAppended = nullptr;
};
