#include "platform/ui/ListRowStore.h"

#include <algorithm>

namespace {

// Index bookkeeping for a row inserted at index (shift) or removed from it.
void ShiftOnInsert(int& item, int index) {
    if (item >= index)
        ++item;
}

void ShiftOnRemove(int& item, int index) {
    if (item == index)
        item = -1;
    else if (item > index)
        --item;
}

// A row inserted or removed near the end (as before an append row kept last) moves only the
// few rows after it: the hash follows them. Further up, rebuilding once on the next lookup is
// cheaper than following every row.
constexpr int kIncrementalTail = 1024;

} // namespace

// ---------------------------------------------------------------- rows

int CListRowStore::Insert(int index, Row&& row) {
    index = std::clamp(index, 0, Count());
    row.id = m_nextId++;
    const unsigned state = row.state;
    row.state = 0;          // recorded through SetState, which follows focus and selection
    if (index == Count()) { // as every fill does: nothing to move
        m_rows.push_back(row);
        m_texts.resize(m_texts.size() + size_t(m_stride));
    } else {
        m_rows.insert(m_rows.begin() + index, row);
        m_texts.insert(m_texts.begin() + std::ptrdiff_t(TextSlot(index, 0)), size_t(m_stride),
                       QString());
    }
    NoteInserted(index);
    m_shownValid = false;
    ShiftOnInsert(m_focused, index);
    ShiftOnInsert(m_selectionMark, index);
    if (state != 0)
        SetState(index, state);
    return index;
}

void CListRowStore::Remove(int index) {
    if (!IsValid(index))
        return;
    const Row& row = At(index);
    const unsigned id = row.id;
    if (row.state & kSelectedBit)
        --m_selectedCount;
    if (id == m_lastSelectedId)
        m_lastSelectedId = kNoId;
    if (row.state & kHiddenBit)
        --m_hiddenCount;
    m_shownValid = false;
    m_rows.erase(m_rows.begin() + index);
    const auto texts = m_texts.begin() + std::ptrdiff_t(TextSlot(index, 0));
    m_texts.erase(texts, texts + m_stride);
    NoteRemoved(id, index);
    ShiftOnRemove(m_focused, index);
    ShiftOnRemove(m_selectionMark, index);
}

void CListRowStore::Clear() {
    // The room stays: a list emptied is mostly filled again, often with the same file.
    m_rows.clear();
    m_texts.clear();
    m_idsAscending = true;
    m_idToIndex.clear();
    m_idIndexValid = false;
    m_focused = -1;
    m_selectionMark = -1;
    m_selectedCount = 0;
    m_lastSelectedId = kNoId;
    m_hiddenCount = 0;
    m_shownValid = false;
}

void CListRowStore::Reserve(int rows) {
    rows = std::max(rows, Count());
    // Room kept from a much longer list goes back first: a small file opened after a large
    // one should not hold the large one's memory.
    if (IsEmpty() && m_rows.capacity() > 2 * size_t(rows)) {
        std::vector<Row>().swap(m_rows);
        std::vector<QString>().swap(m_texts);
    }
    m_rows.reserve(size_t(rows));
    m_texts.reserve(size_t(rows) * size_t(m_stride));
}

// ---------------------------------------------------------------- ids

int CListRowStore::IndexOf(unsigned id) const {
    if (m_idsAscending) {
        const auto it = std::lower_bound(m_rows.begin(), m_rows.end(), id,
                                         [](const Row& row, unsigned v) { return row.id < v; });
        return it != m_rows.end() && it->id == id ? int(it - m_rows.begin()) : -1;
    }
    if (!m_idIndexValid)
        RebuildIdIndex();
    return m_idToIndex.value(id, -1);
}

int CListRowStore::Locate(int hint, unsigned id) const {
    if (IsValid(hint) && At(hint).id == id)
        return hint;
    return IndexOf(id);
}

void CListRowStore::RebuildIdIndex() const {
    m_idToIndex.clear();
    m_idToIndex.reserve(Count());
    for (int i = 0; i < Count(); ++i)
        m_idToIndex.insert(At(i).id, i);
    m_idIndexValid = true;
}

void CListRowStore::ReindexFrom(int index) {
    for (int j = index; j < Count(); ++j)
        m_idToIndex.insert(At(j).id, j);
}

void CListRowStore::NoteInserted(int index) {
    if (index != Count() - 1)
        m_idsAscending = false;
    if (m_idIndexValid && Count() - index <= kIncrementalTail)
        ReindexFrom(index);
    else
        m_idIndexValid = false;
}

void CListRowStore::NoteRemoved(unsigned id, int index) {
    if (m_idIndexValid && Count() - index <= kIncrementalTail) {
        m_idToIndex.remove(id);
        ReindexFrom(index);
    } else {
        m_idIndexValid = false;
    }
}

// ---------------------------------------------------------------- texts and data

void CListRowStore::InsertColumn(int col) {
    if (col >= 0 && col < m_stride)
        Restride(m_stride + 1, col, 1);
}

void CListRowStore::Widen(int texts) {
    if (texts > m_stride)
        Restride(texts, m_stride, 0);
}

void CListRowStore::RemoveColumn(int col) {
    if (col >= 0 && col < m_stride)
        Restride(m_stride - 1, col, -1);
}

void CListRowStore::Restride(int stride, int from, int shift) {
    if (IsEmpty()) { // nothing to move, and the room kept for the next fill stays
        m_stride = stride;
        return;
    }
    std::vector<QString> texts(size_t(Count()) * size_t(stride));
    for (int i = 0; i < Count(); ++i) {
        for (int sub = 0; sub < m_stride; ++sub) {
            if (shift < 0 && sub == from)
                continue;
            const int to = sub < from ? sub : sub + shift;
            texts[size_t(i) * size_t(stride) + size_t(to)] = std::move(m_texts[TextSlot(i, sub)]);
        }
    }
    m_texts.swap(texts);
    m_stride = stride;
}

// ---------------------------------------------------------------- states

void CListRowStore::SetState(int index, unsigned state) {
    if (!IsValid(index))
        return;
    Row& row = m_rows[size_t(index)];
    state = (state & ~kHiddenBit) | (row.state & kHiddenBit);
    const unsigned changed = row.state ^ state;
    row.state = state;
    if (changed & kSelectedBit) {
        const bool selected = (state & kSelectedBit) != 0;
        m_selectedCount += selected ? 1 : -1;
        if (selected)
            m_lastSelectedId = row.id;
        else if (row.id == m_lastSelectedId)
            m_lastSelectedId = kNoId;
    }
    if (state & kFocusedBit)
        m_focused = index;
    else if (m_focused == index)
        m_focused = -1;
}

void CListRowStore::SetStateBitsOfAll(unsigned mask, unsigned bits) {
    mask &= ~(kSelectedBit | kFocusedBit | kHiddenBit);
    for (Row& row : m_rows)
        row.state = (row.state & ~mask) | (bits & mask);
}

int CListRowStore::LastSelected() const {
    return m_lastSelectedId == kNoId ? -1 : IndexOf(m_lastSelectedId);
}

// ---------------------------------------------------------------- order

bool CListRowStore::ApplyOrder(const std::vector<int>& order) {
    if (order.size() != m_rows.size())
        return false;
    std::vector<bool> seen(order.size(), false);
    for (int from : order) {
        if (from < 0 || from >= Count() || seen[size_t(from)])
            return false;
        seen[size_t(from)] = true;
    }
    std::vector<Row> sorted;
    sorted.reserve(order.size());
    std::vector<QString> sortedTexts;
    sortedTexts.reserve(m_texts.size());
    int focused = -1;
    int mark = -1;
    for (int from : order) {
        if (from == m_focused)
            focused = int(sorted.size());
        if (from == m_selectionMark)
            mark = int(sorted.size());
        sorted.push_back(m_rows[size_t(from)]);
        const auto texts = m_texts.begin() + std::ptrdiff_t(TextSlot(from, 0));
        sortedTexts.insert(sortedTexts.end(), std::make_move_iterator(texts),
                           std::make_move_iterator(texts + m_stride));
    }
    m_rows.swap(sorted);
    m_texts.swap(sortedTexts);
    m_focused = focused;
    m_selectionMark = mark;
    m_idsAscending = std::is_sorted(m_rows.begin(), m_rows.end(),
                                    [](const Row& a, const Row& b) { return a.id < b.id; });
    m_idIndexValid = false;
    m_shownValid = false;
    return true;
}

// ---------------------------------------------------------------- hidden rows

void CListRowStore::SetHidden(int index, bool hidden) {
    if (!IsValid(index) || IsHidden(index) == hidden)
        return;
    m_rows[size_t(index)].state ^= kHiddenBit;
    m_hiddenCount += hidden ? 1 : -1;
    m_shownValid = false;
}

void CListRowStore::ShowAll() {
    if (m_hiddenCount == 0)
        return;
    for (Row& row : m_rows)
        row.state &= ~kHiddenBit;
    m_hiddenCount = 0;
    m_shownValid = false;
    std::vector<int>().swap(m_shown);
}

const std::vector<int>& CListRowStore::Shown() const {
    if (!m_shownValid) {
        m_shown.clear();
        m_shown.reserve(size_t(ShownCount()));
        for (int i = 0; i < Count(); ++i) {
            if (!(At(i).state & kHiddenBit))
                m_shown.push_back(i);
        }
        m_shownValid = true;
    }
    return m_shown;
}

int CListRowStore::ShownPosition(int index) const {
    if (m_hiddenCount == 0)
        return index;
    const std::vector<int>& shown = Shown();
    return int(std::lower_bound(shown.begin(), shown.end(), index) - shown.begin());
}

int CListRowStore::ShownRowAt(int position) const {
    if (position < 0 || position >= ShownCount())
        return -1;
    return m_hiddenCount == 0 ? position : Shown()[size_t(position)];
}
