#pragma once

#include <QObject>

class CTreeEditHistory;

namespace Pelmo {
class CListCtrlEx;
}

// One grid of the value-list editing dialog, seen as the records of one level of the tree:
// every real row carries the record it shows; the append row and a row not yet taken into use
// carry none. The grid widget belongs to the dialog; this drives it, and stops listening to it
// when it goes.
class CTreeGrid : public QObject {
public:
    explicit CTreeGrid(Pelmo::CListCtrlEx* pGrid);
    ~CTreeGrid() override;
    CTreeGrid(const CTreeGrid&) = delete;
    CTreeGrid& operator=(const CTreeGrid&) = delete;

    Pelmo::CListCtrlEx* Grid() const { return m_pGrid; }
    // Where every change to the tree goes, so that it can be taken back; not owned.
    void SetHistory(CTreeEditHistory* pHistory) { m_pHistory = pHistory; }

    bool IsAppendRow(int nRow) const;
    // The row showing pRecord, -1 when none does.
    int RowOf(const void* pRecord) const;
    // The current row (and column), -1 when there is none.
    int CurrentRow(int* pCol = nullptr) const;
    // The record a real row shows; null for the append row, a row not yet taken into use and
    // rows out of range.
    template <class Record> Record* RecordAt(int nRow) const {
        return static_cast<Record*>(DataAt(nRow));
    }

protected:
    // No rows, and no append row either.
    void ClearRows();
    // After a row was deleted: the row now current, or the one that took the deleted row's
    // place when the current row went with it (*pCol is then -1); -1 on an empty grid.
    int RowAfterDelete(int nDeleted, int* pCol) const;
    // Whether a delete goes ahead. One that takes more than its row with it asks holding (empty
    // when the record holds nothing); one pressed from the keyboard, as a stray Space would
    // press it, asks alone.
    bool ConfirmDelete(const QString& holding, const QString& alone, bool bByKey) const;
    // Puts the current cell's text on the clipboard; nOnlyColumn >= 0 limits it to that column.
    void CopyCurrentCell(int nOnlyColumn) const;

    Pelmo::CListCtrlEx* m_pGrid;
    CTreeEditHistory* m_pHistory = nullptr;

private:
    void* DataAt(int nRow) const;
};
