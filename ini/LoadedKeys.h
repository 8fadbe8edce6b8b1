#pragma once

#include "ini/FoldedName.h"
#include "platform/TextUtil.h"

#include <QString>
#include <vector>

// The keys of one section's lines while they load: open addressing over the entries' own key
// strings with their hashes kept beside them, so that a probe compares names only when the
// hashes agree (QSet would fold and compare on every collision). Equal names under
// Text::EqualNoCase hash alike (FoldedName.h), so no duplicate is missed.
class CLoadedKeys {
public:
    explicit CLoadedKeys(size_t expected) {
        size_t capacity = 16;
        while (capacity < expected * 2)
            capacity *= 2;
        m_slots.resize(capacity);
    }

    // Adds a key that contains() did not find. `key` must stay where it is while the table
    // lives: it is the entry's own string.
    void insert(const QString* key) {
        const size_t hash = qHash(CFoldedName{*key});
        const size_t mask = m_slots.size() - 1;
        size_t i = hash & mask;
        while (m_slots[i].key != nullptr)
            i = (i + 1) & mask;
        m_slots[i] = {hash, key};
    }

    // Whether an equal key is there, without adding one.
    bool contains(const QString& lookup) const {
        const size_t hash = qHash(CFoldedName{lookup});
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = m_slots[i];
            if (slot.key == nullptr)
                return false;
            if (slot.hash == hash && Text::EqualNoCase(*slot.key, lookup))
                return true;
        }
    }

private:
    struct Slot {
        size_t hash = 0;
        const QString* key = nullptr;
    };
    std::vector<Slot> m_slots;
};
