#pragma once

#include "platform/TextUtil.h"

#include <QString>
#include <QStringView>
#include <vector>

// The keys of one section's lines while they load: open addressing over views of the entries' keys
// with their hashes kept beside them, so that a probe compares names only when the
// hashes agree (QSet would fold and compare on every collision). The caller hashes with
// FoldedHash (FoldedName.h), under which names equal under Text::EqualNoCase hash alike, so
// no duplicate is missed; one hash of a line serves the probe and the insert.
//
// One table serves every section of a load: clear() forgets the keys without touching the
// slots, which are told apart by the round they were filled in.
class CLoadedKeys {
public:
    CLoadedKeys() : m_slots(16) {}

    // Forgets every key, for the next section.
    void clear() {
        ++m_round;
        m_count = 0;
    }

    // Adds a key that contains() did not find. The text `key` views must stay where it is
    // until clear(): it is the entry's own key.
    void insert(QStringView key, size_t hash) {
        if ((m_count + 1) * 2 > m_slots.size())
            grow();
        place({hash, key, m_round});
        ++m_count;
    }

    // Whether an equal key is there, without adding one.
    bool contains(QStringView lookup, size_t hash) const {
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = m_slots[i];
            if (slot.round != m_round)
                return false;
            if (slot.hash == hash && Text::EqualNoCase(slot.key, lookup))
                return true;
        }
    }

private:
    struct Slot {
        size_t hash = 0;
        QStringView key;
        unsigned round = 0; // filled in that round; empty in any other
    };

    void place(const Slot& slot) {
        const size_t mask = m_slots.size() - 1;
        size_t i = slot.hash & mask;
        while (m_slots[i].round == m_round)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }

    void grow() {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        for (const Slot& slot : old) {
            if (slot.round == m_round)
                place(slot);
        }
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
    unsigned m_round = 1;
};
