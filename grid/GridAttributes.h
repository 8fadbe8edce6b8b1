#pragma once

#include "grid/GridTypes.h"

#include <QHash>
#include <QList>
#include <utility>
#include <vector>

namespace Pelmo {

// What the grid records about its rows and cells besides their texts: per-row read-only
// flags, per-cell read-only and editable overrides, per-column and per-cell colours, and the
// colours by role. Rows are keyed by the list-view's row id (stable across sorting), columns
// by the header's column key (stable across insertion and deletion); the grid translates
// indexes to keys before it asks. No widget is involved, so the rules of precedence can be
// checked on their own.
class CGridAttributes {
public:
    // ---- rows ----
    // A row the grid knows of, with its flag. Rows never added count as read-only, which
    // keeps a cell the grid has lost track of from being edited.
    void AddRow(unsigned nRowId, bool bReadOnly);
    bool HasRow(unsigned nRowId) const { return RowFlag(nRowId) != kNoRow; }
    bool IsRowReadOnly(unsigned nRowId) const { return RowFlag(nRowId) != kEditableRow; }
    // The row flag replaces every cell override of the row.
    void SetRowReadOnly(unsigned nRowId, bool bReadOnly);
    // Everything recorded for one row, or for every row (the column colours stay).
    void RemoveRow(unsigned nRowId);
    void RemoveAllRows();
    // The row's cell overrides and colours; its flag stays.
    void RemoveRowCells(unsigned nRowId);

    // ---- cells: read-only ----
    // A cell override wins over the row and column flags: read-only first, then editable.
    bool IsCellReadOnly(unsigned nRowId, unsigned nKey, bool bColumnReadOnly) const;
    // Records the state asked for with as few overrides as it takes: undoing an override
    // falls back to the flags, and only when they disagree is the opposite override added.
    void SetCellReadOnly(unsigned nRowId, unsigned nKey, bool bReadOnly, bool bColumnReadOnly);
    bool HasCellOverrides(unsigned nRowId) const;
    bool HasAnyCellOverrides() const;
    // A column's overrides go when its flag is set: the column flag applies to every cell.
    void RemoveColumnOverrides(unsigned nKey);
    void RemoveAllCellOverrides();

    // ---- colours ----
    // CLR_UNCHANGED leaves a part as it is; both parts CLR_NOT_SET removes the record.
    void SetColumnColor(unsigned nKey, COLORREF crText, COLORREF crBack);
    bool GetColumnColor(unsigned nKey, CELLCOLOR* pColor) const;
    void ResetColumnColor(unsigned nKey) { m_mapColumnColor.remove(nKey); }
    void ResetAllColumnColors() { m_mapColumnColor.clear(); }
    // As for columns; both parts CLR_NOT_SET removes the cell's record.
    void SetCellColor(unsigned nRowId, unsigned nKey, COLORREF crText, COLORREF crBack);
    bool GetCellColor(unsigned nRowId, unsigned nKey, CELLCOLOR* pColor) const;
    void ResetCellColor(unsigned nRowId, unsigned nKey);
    void ResetRowColors(unsigned nRowId) { m_mapCellColor.remove(nRowId); }
    bool HasCellColors(unsigned nRowId) const { return m_mapCellColor.contains(nRowId); }
    // The cell's own colour part by part, else the column's; CLR_NOT_SET where neither has one.
    CELLCOLOR GetOwnColor(unsigned nRowId, unsigned nKey) const;

    // A deleted column takes its overrides, its cell colours and its column colour along, so
    // that a new column given the same key starts clean.
    void RemoveColumn(unsigned nKey);

    // One row's cell colours by column key. A row has a few coloured cells at most, and a
    // comparison of large files colours hundreds of thousands of rows: a short list, searched
    // in order, takes one allocation where a hash per row takes several.
    using CellColors = QList<std::pair<unsigned, CELLCOLOR>>;

    // ---- one row's cell records, carried over to another row ----
    struct RowCells {
        QList<unsigned> readOnly;
        QList<unsigned> editable;
        CellColors colors;
    };
    RowCells GetRowCells(unsigned nRowId) const;
    void SetRowCells(unsigned nRowId, const RowCells& cells);

    // ---- colours by role ----
    // The defaults also become the colours in use.
    void SetDefaultKeyColors(const KeyColorMap& colors);
    // CLR_UNCHANGED for a role that has no colour.
    COLORREF GetKeyColor(COLOR_KEY key) const { return m_mapColor.value(key, CLR_UNCHANGED); }
    // CLR_NOT_SET restores the role's default (or removes a role without one).
    void SetKeyColor(COLOR_KEY key, COLORREF color);
    const KeyColorMap* GetKeyColors() const { return &m_mapColor; }

private:
    using KeyLists = QHash<unsigned, QList<unsigned>>;
    static bool ListContains(const KeyLists& map, unsigned nRowId, unsigned nKey);
    static void RemoveFromList(KeyLists& map, unsigned nRowId, unsigned nKey);
    static void RemoveKeyFromAll(KeyLists& map, unsigned nKey);
    static void ApplyColor(CELLCOLOR& color, COLORREF crText, COLORREF crBack);

    // The row flags by row id. The list-view hands out ids in rising order and never reuses
    // one, so a byte per id from the first id still held is smaller and much faster to fill
    // than a hash: a large file puts hundreds of thousands of rows in at once.
    enum : quint8 { kNoRow = 0, kEditableRow = 1, kReadOnlyRow = 2 };
    static constexpr unsigned kNoRowId = unsigned(-1); // what the list-view maps a bad index to
    quint8 RowFlag(unsigned nRowId) const;
    void SetRowFlag(unsigned nRowId, bool bReadOnly);
    std::vector<quint8> m_rowFlags;
    unsigned m_nFirstRowId = 0;
    KeyLists m_mapReadOnlyCells;
    KeyLists m_mapEditableCells;
    QHash<unsigned, CELLCOLOR> m_mapColumnColor;
    QHash<unsigned, CellColors> m_mapCellColor;
    KeyColorMap m_mapDefaultColor;
    KeyColorMap m_mapColor;
};

} // namespace Pelmo
