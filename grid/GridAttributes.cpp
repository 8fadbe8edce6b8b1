#include "grid/GridAttributes.h"

#include <iterator>

namespace Pelmo {

namespace {

bool IsUnset(COLORREF c) {
    return c == CLR_NOT_SET;
}

// A cell's colour in its row's list; null when the cell has none.
template <typename Colors>
auto FindColor(Colors& colors, unsigned nKey) -> decltype(&colors.first().second) {
    for (auto& cell : colors) {
        if (cell.first == nKey)
            return &cell.second;
    }
    return nullptr;
}

void RemoveColor(CGridAttributes::CellColors& colors, unsigned nKey) {
    colors.removeIf([nKey](const auto& cell) { return cell.first == nKey; });
}

} // namespace

// ---------------------------------------------------------------- rows

quint8 CGridAttributes::RowFlag(unsigned nRowId) const {
    if (nRowId < m_nFirstRowId || nRowId - m_nFirstRowId >= m_rowFlags.size())
        return kNoRow;
    return m_rowFlags[nRowId - m_nFirstRowId];
}

void CGridAttributes::SetRowFlag(unsigned nRowId, bool bReadOnly) {
    if (nRowId == kNoRowId)
        return;
    if (m_rowFlags.empty())
        m_nFirstRowId = nRowId;
    if (nRowId < m_nFirstRowId) {
        // Not how the list-view numbers its rows, but kept right all the same.
        m_rowFlags.insert(m_rowFlags.begin(), m_nFirstRowId - nRowId, kNoRow);
        m_nFirstRowId = nRowId;
    }
    const size_t at = nRowId - m_nFirstRowId;
    if (at >= m_rowFlags.size())
        m_rowFlags.resize(at + 1, kNoRow);
    m_rowFlags[at] = bReadOnly ? kReadOnlyRow : kEditableRow;
}

void CGridAttributes::AddRow(unsigned nRowId, bool bReadOnly) {
    SetRowFlag(nRowId, bReadOnly);
}

void CGridAttributes::SetRowReadOnly(unsigned nRowId, bool bReadOnly) {
    m_mapReadOnlyCells.remove(nRowId);
    m_mapEditableCells.remove(nRowId);
    SetRowFlag(nRowId, bReadOnly);
}

void CGridAttributes::RemoveRow(unsigned nRowId) {
    if (RowFlag(nRowId) != kNoRow)
        m_rowFlags[nRowId - m_nFirstRowId] = kNoRow;
    while (!m_rowFlags.empty() && m_rowFlags.back() == kNoRow)
        m_rowFlags.pop_back();
    RemoveRowCells(nRowId);
}

void CGridAttributes::RemoveRowCells(unsigned nRowId) {
    m_mapReadOnlyCells.remove(nRowId);
    m_mapEditableCells.remove(nRowId);
    m_mapCellColor.remove(nRowId);
}

void CGridAttributes::RemoveAllRows() {
    m_rowFlags.clear();
    m_mapReadOnlyCells.clear();
    m_mapEditableCells.clear();
    m_mapCellColor.clear();
}

// ---------------------------------------------------------------- cells: read-only

bool CGridAttributes::ListContains(const KeyLists& map, unsigned nRowId, unsigned nKey) {
    const auto it = map.constFind(nRowId);
    return it != map.constEnd() && it->contains(nKey);
}

void CGridAttributes::RemoveFromList(KeyLists& map, unsigned nRowId, unsigned nKey) {
    const auto it = map.find(nRowId);
    if (it == map.end())
        return;
    it->removeAll(nKey);
    if (it->isEmpty())
        map.erase(it);
}

void CGridAttributes::RemoveKeyFromAll(KeyLists& map, unsigned nKey) {
    for (auto it = map.begin(); it != map.end();) {
        it->removeAll(nKey);
        it = it->isEmpty() ? map.erase(it) : std::next(it);
    }
}

bool CGridAttributes::IsCellReadOnly(unsigned nRowId, unsigned nKey, bool bColumnReadOnly) const {
    if (ListContains(m_mapReadOnlyCells, nRowId, nKey))
        return true;
    if (ListContains(m_mapEditableCells, nRowId, nKey))
        return false;
    return bColumnReadOnly || IsRowReadOnly(nRowId);
}

void CGridAttributes::SetCellReadOnly(unsigned nRowId, unsigned nKey, bool bReadOnly,
                                      bool bColumnReadOnly) {
    if (IsCellReadOnly(nRowId, nKey, bColumnReadOnly) == bReadOnly)
        return;
    KeyLists& undo = bReadOnly ? m_mapEditableCells : m_mapReadOnlyCells;
    KeyLists& force = bReadOnly ? m_mapReadOnlyCells : m_mapEditableCells;
    if (ListContains(undo, nRowId, nKey)) {
        RemoveFromList(undo, nRowId, nKey);
        // Falling back to the row and column flags may not give the state asked for.
        if (IsCellReadOnly(nRowId, nKey, bColumnReadOnly) != bReadOnly)
            force[nRowId].append(nKey);
    } else {
        force[nRowId].append(nKey);
    }
}

bool CGridAttributes::HasCellOverrides(unsigned nRowId) const {
    return m_mapReadOnlyCells.contains(nRowId) || m_mapEditableCells.contains(nRowId);
}

bool CGridAttributes::HasAnyCellOverrides() const {
    return !m_mapReadOnlyCells.isEmpty() || !m_mapEditableCells.isEmpty();
}

void CGridAttributes::RemoveColumnOverrides(unsigned nKey) {
    RemoveKeyFromAll(m_mapReadOnlyCells, nKey);
    RemoveKeyFromAll(m_mapEditableCells, nKey);
}

void CGridAttributes::RemoveAllCellOverrides() {
    m_mapReadOnlyCells.clear();
    m_mapEditableCells.clear();
}

// ---------------------------------------------------------------- colours

void CGridAttributes::ApplyColor(CELLCOLOR& color, COLORREF crText, COLORREF crBack) {
    if (crText != CLR_UNCHANGED)
        color.crText = crText;
    if (crBack != CLR_UNCHANGED)
        color.crBack = crBack;
}

void CGridAttributes::SetColumnColor(unsigned nKey, COLORREF crText, COLORREF crBack) {
    if (IsUnset(crText) && IsUnset(crBack))
        m_mapColumnColor.remove(nKey);
    else
        ApplyColor(m_mapColumnColor[nKey], crText, crBack);
}

bool CGridAttributes::GetColumnColor(unsigned nKey, CELLCOLOR* pColor) const {
    const auto it = m_mapColumnColor.constFind(nKey);
    if (it == m_mapColumnColor.constEnd())
        return false;
    if (pColor)
        *pColor = *it;
    return true;
}

void CGridAttributes::SetCellColor(unsigned nRowId, unsigned nKey, COLORREF crText,
                                   COLORREF crBack) {
    if (IsUnset(crText) && IsUnset(crBack)) {
        ResetCellColor(nRowId, nKey);
        return;
    }
    CellColors& colors = m_mapCellColor[nRowId];
    CELLCOLOR* color = FindColor(colors, nKey);
    if (!color)
        color = &colors.emplace_back(nKey, CELLCOLOR()).second;
    ApplyColor(*color, crText, crBack);
}

bool CGridAttributes::GetCellColor(unsigned nRowId, unsigned nKey, CELLCOLOR* pColor) const {
    const auto row = m_mapCellColor.constFind(nRowId);
    if (row == m_mapCellColor.constEnd())
        return false;
    const CELLCOLOR* color = FindColor(*row, nKey);
    if (!color)
        return false;
    if (pColor)
        *pColor = *color;
    return true;
}

void CGridAttributes::ResetCellColor(unsigned nRowId, unsigned nKey) {
    const auto it = m_mapCellColor.find(nRowId);
    if (it == m_mapCellColor.end())
        return;
    RemoveColor(*it, nKey);
    if (it->isEmpty())
        m_mapCellColor.erase(it);
}

CELLCOLOR CGridAttributes::GetOwnColor(unsigned nRowId, unsigned nKey) const {
    CELLCOLOR color;
    GetCellColor(nRowId, nKey, &color);
    const auto column = m_mapColumnColor.constFind(nKey);
    if (column != m_mapColumnColor.constEnd()) {
        if (IsUnset(color.crBack))
            color.crBack = column->crBack;
        if (IsUnset(color.crText))
            color.crText = column->crText;
    }
    return color;
}

void CGridAttributes::RemoveColumn(unsigned nKey) {
    for (auto it = m_mapCellColor.begin(); it != m_mapCellColor.end();) {
        RemoveColor(*it, nKey);
        it = it->isEmpty() ? m_mapCellColor.erase(it) : std::next(it);
    }
    RemoveColumnOverrides(nKey);
    m_mapColumnColor.remove(nKey);
}

// ---------------------------------------------------------------- one row's cell records

CGridAttributes::RowCells CGridAttributes::GetRowCells(unsigned nRowId) const {
    return {m_mapReadOnlyCells.value(nRowId), m_mapEditableCells.value(nRowId),
            m_mapCellColor.value(nRowId)};
}

void CGridAttributes::SetRowCells(unsigned nRowId, const RowCells& cells) {
    RemoveRowCells(nRowId);
    if (!cells.readOnly.isEmpty())
        m_mapReadOnlyCells.insert(nRowId, cells.readOnly);
    if (!cells.editable.isEmpty())
        m_mapEditableCells.insert(nRowId, cells.editable);
    if (!cells.colors.isEmpty())
        m_mapCellColor.insert(nRowId, cells.colors);
}

// ---------------------------------------------------------------- colours by role

void CGridAttributes::SetDefaultKeyColors(const KeyColorMap& colors) {
    m_mapDefaultColor = colors;
    m_mapColor = colors;
}

void CGridAttributes::SetKeyColor(COLOR_KEY key, COLORREF color) {
    if (color != CLR_NOT_SET) {
        m_mapColor[key] = color;
        return;
    }
    const auto it = m_mapDefaultColor.constFind(key);
    if (it != m_mapDefaultColor.constEnd())
        m_mapColor[key] = *it;
    else
        m_mapColor.remove(key);
}

} // namespace Pelmo
