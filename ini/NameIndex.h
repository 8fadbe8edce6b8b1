#pragma once

#include "ini/FoldedName.h"
#include "platform/TextUtil.h"

#include <QHash>
#include <algorithm>
#include <memory>
#include <vector>

// Case-insensitive lookup beside an ordered owning list, so that finding a section or key
// costs a hash probe instead of a walk over the list. It answers exactly what a walk would:
// the first element in list order whose name compares equal under Text::CompareNoCase.
//
// The index is rebuilt lazily when it cannot vouch for itself: before its first use, after the
// locale mode changed (names that were apart may now be equal) and when the list's length
// no longer matches what it indexed (the list was changed without telling it).
template <class T, QString T::*Name> class CNameIndex {
public:
    using List = std::vector<std::unique_ptr<T>>;

    T* Find(const List& list, const QString& name) {
        Refresh(list);
        const auto it = m_slots.constFind(CFoldedName{name});
        return it == m_slots.cend() ? nullptr : it->first;
    }

    // Appends item to list and indexes it; returns the appended item.
    T* Append(List& list, std::unique_ptr<T> item) {
        T* appended = item.get();
        list.push_back(std::move(item));
        Added(list, appended);
        return appended;
    }

    // Unlinks item from list and hands it over; null when it is not in the list.
    std::unique_ptr<T> Take(List& list, const T* item) {
        const auto it = std::find_if(list.begin(), list.end(),
                                     [item](const auto& p) { return p.get() == item; });
        if (it == list.end())
            return nullptr;
        std::unique_ptr<T> taken = std::move(*it);
        list.erase(it);
        Removed(list, taken.get());
        return taken;
    }

    // Call right after appending item to list.
    void Added(const List& list, T* item) {
        if (!IsCurrent(list.size() - 1)) {
            m_built = false;
            return;
        }
        Slot& slot = m_slots[CFoldedName{item->*Name}];
        if (slot.count++ == 0)
            slot.first = item;
        m_indexed = list.size();
    }

    // Call right after unlinking item from list (item itself must still be alive).
    void Removed(const List& list, const T* item) {
        if (!IsCurrent(list.size() + 1)) {
            m_built = false;
            return;
        }
        m_indexed = list.size();
        const auto it = m_slots.find(CFoldedName{item->*Name});
        if (it == m_slots.end())
            return;
        if (--it->count == 0) {
            m_slots.erase(it);
            return;
        }
        if (it->first == item)
            it->first = FirstMatch(list, item->*Name);
    }

private:
    struct Slot {
        T* first = nullptr;
        int count = 0;
    };

    bool IsCurrent(size_t expectedSize) const {
        return m_built && m_japanese == Text::IsJapaneseLocale() && m_indexed == expectedSize;
    }

    void Refresh(const List& list) {
        if (IsCurrent(list.size()))
            return;
        m_slots.clear();
        m_slots.reserve(qsizetype(list.size()));
        for (const auto& item : list) {
            Slot& slot = m_slots[CFoldedName{item.get()->*Name}];
            if (slot.count++ == 0)
                slot.first = item.get();
        }
        m_built = true;
        m_japanese = Text::IsJapaneseLocale();
        m_indexed = list.size();
    }

    static T* FirstMatch(const List& list, const QString& name) {
        for (const auto& item : list) {
            if (Text::EqualNoCase(item.get()->*Name, name))
                return item.get();
        }
        return nullptr;
    }

    QHash<CFoldedName, Slot> m_slots;
    size_t m_indexed = 0;
    bool m_built = false;
    bool m_japanese = false;
};
