#pragma once

#include "compare/CompareResult.h"
#include "grid/GridTypes.h"

#include <QString>
#include <vector>

namespace Pelmo {
class CListCtrlEx;
}

// One grid row as the user sees it and as the view links it: the record it carries (with the
// four pointers of a comparison row), and per cell the text, the cell's own colours and the
// lock. Put back with Insert, the row is what it was when it was captured.
class CGridRowState {
public:
    // withRecord: the row carries a comparison row, whose pointers belong to the row's state.
    static CGridRowState Capture(const Pelmo::CListCtrlEx& grid, int row, bool withRecord);
    // Inserts the row at index row, its record's pointers as they were.
    void Insert(Pelmo::CListCtrlEx& grid, int row) const;
    // Makes the row at index row this one; cheaper than deleting it and inserting this, which
    // moves every row below.
    void Overwrite(Pelmo::CListCtrlEx& grid, int row) const;

    bool operator==(const CGridRowState& other) const;

private:
    struct Cell {
        QString text;
        bool coloured = false; // the cell has colours of its own
        COLORREF textColor = CLR_NOT_SET;
        COLORREF backColor = CLR_NOT_SET;
        bool readOnly = false;
        bool operator==(const Cell& other) const = default;
    };

    quintptr m_data = 0;
    bool m_bHasRecord = false;
    COMPARE_REULT m_record;
    std::vector<Cell> m_cells;
};
