#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>
#include <vector>

// The rows of a list-view control, apart from the widget that shows them: per row an id that
// stays with it through inserts, deletes and sorts, a state word, an item data value and the
// sub-item texts; besides them the id index, the focused row, the selection mark and the
// count of selected rows. The store knows nothing of painting or notifications: the control
// decides what a change means and asks the store to record it.
//
// The texts of all rows lie in one array, the same number of them per row, so that a row
// costs no allocation of its own and emptying a large list frees nothing row by row.
class CListRowStore {
public:
    struct Row {
        unsigned id = 0;
        unsigned state = 0;
        quintptr data = 0;
    };

    // State bits the store itself follows: the one focused row and the selected rows.
    static constexpr unsigned kFocusedBit = 0x0001;
    static constexpr unsigned kSelectedBit = 0x0002;
    // Kept in the state word so that it moves with the row through inserts, deletes and
    // sorts; no state the control reports or takes ever has it.
    static constexpr unsigned kHiddenBit = 0x8000'0000u;

    int Count() const { return int(m_rows.size()); }
    bool IsEmpty() const { return m_rows.empty(); }
    bool IsValid(int index) const { return index >= 0 && index < Count(); }
    // index must be valid.
    const Row& At(int index) const { return m_rows[size_t(index)]; }

    // ---- rows ----
    // Inserts a row at index (at most Count()) and gives it a new id; the index it landed at.
    int Insert(int index, Row&& row);
    void Remove(int index);
    // Empties the store. The room stays for the next fill, which mostly follows.
    void Clear();
    // Room for rows rows in all, so that a fill of known size does not grow the store step by
    // step; room kept from a list more than twice as long goes back first.
    void Reserve(int rows);

    // ---- ids ----
    unsigned IdAt(int index) const { return IsValid(index) ? At(index).id : unsigned(-1); }
    // -1 for an id no row has.
    int IndexOf(unsigned id) const;
    // Where the row with this id is now, looking first where it was: a handler called in
    // between may have moved or deleted it, but mostly it has not, and then no lookup (and no
    // rebuild of the id index) is needed.
    int Locate(int hint, unsigned id) const;

    // ---- texts and data ----
    // Texts held per row: the widest sub-item set so far (or reserved), whether or not every
    // row uses them all. Sub-items at or beyond it read as empty.
    int TextsPerRow() const { return m_stride; }
    // Inline, as the texts are what filling and painting a list do most.
    QString Text(int index, int subItem) const {
        if (!IsValid(index) || subItem < 0 || subItem >= m_stride)
            return QString();
        return m_texts[TextSlot(index, subItem)];
    }
    // False for an invalid row or a negative sub-item. A text beyond the texts held widens
    // every row once; an empty one needs no room, as missing texts read as empty already.
    bool SetText(int index, int subItem, const QString& text) {
        if (!IsValid(index) || subItem < 0)
            return false;
        if (subItem >= m_stride) {
            if (text.isEmpty())
                return true;
            Restride(subItem + 1, m_stride, 0);
        }
        m_texts[TextSlot(index, subItem)] = text;
        return true;
    }
    void SetData(int index, quintptr data) { m_rows[size_t(index)].data = data; }
    // At least texts texts per row from now on, so that filling the columns widens no row.
    void Widen(int texts);
    // A column inserted or deleted at col shifts the texts of every row (nothing to do for a
    // column beyond the texts held).
    void InsertColumn(int col);
    void RemoveColumn(int col);

    // ---- states ----
    // Records the row's whole state word and follows the focus and selection bits in it; the
    // caller keeps the focus to one row.
    void SetState(int index, unsigned state);
    // Replaces the bits of mask in every row, without touching focus or selection bits.
    void SetStateBitsOfAll(unsigned mask, unsigned bits);
    int Focused() const { return m_focused; }
    int SelectedCount() const { return m_selectedCount; }
    // The row selected last while it stays selected, else -1: in single selection the one
    // selected row, found without a walk over the rows.
    int LastSelected() const;
    int SelectionMark() const { return m_selectionMark; }
    void SetSelectionMark(int index) { m_selectionMark = index; }

    // ---- hidden rows ----
    // A hidden row stays in the store with everything it holds; it only has no place among
    // the shown rows, which the control lays out one after the other.
    void SetHidden(int index, bool hidden);
    void ShowAll();
    bool IsHidden(int index) const { return IsValid(index) && (At(index).state & kHiddenBit); }
    int HiddenCount() const { return m_hiddenCount; }
    int ShownCount() const { return Count() - m_hiddenCount; }
    // The place of a shown row among the shown rows; for a hidden row the place of the next
    // shown one (ShownCount() when none follows). Without hidden rows both are the index.
    int ShownPosition(int index) const;
    // The row at a place among the shown rows, -1 out of range.
    int ShownRowAt(int position) const;

    // ---- order ----
    // Puts the rows in the order given as old indexes; false, nothing changed, when the order
    // does not cover every row once in size.
    bool ApplyOrder(const std::vector<int>& order);

private:
    size_t TextSlot(int index, int subItem) const {
        return size_t(index) * size_t(m_stride) + size_t(subItem);
    }
    // Lays every row's texts out again with stride texts each: the texts from sub-item from
    // on move by shift (-1 drops the text at from), those before it stay.
    void Restride(int stride, int from, int shift);
    void RebuildIdIndex() const;
    void ReindexFrom(int index);
    void NoteInserted(int index);
    void NoteRemoved(unsigned id, int index);

    std::vector<Row> m_rows;
    int m_hiddenCount = 0;
    // The shown rows' indexes in order, made when first asked for after a change.
    mutable std::vector<int> m_shown;
    mutable bool m_shownValid = false;
    const std::vector<int>& Shown() const;
    std::vector<QString> m_texts; // m_stride texts per row, row after row
    int m_stride = 0;
    unsigned m_nextId = 0;
    // id -> index. Ids grow with every insert, so while rows only get appended (and any
    // deleted) they stay in ascending id order and a binary search finds an id: no index to
    // keep. Once a row goes in between or a sort mixes them, a hash takes over; changes near
    // the end keep it current, anything else marks it stale and the next lookup rebuilds it
    // once.
    bool m_idsAscending = true;
    mutable QHash<unsigned, int> m_idToIndex;
    mutable bool m_idIndexValid = false;

    int m_focused = -1;
    int m_selectionMark = -1;
    int m_selectedCount = 0;
    static constexpr unsigned kNoId = unsigned(-1);
    unsigned m_lastSelectedId = kNoId;
};
