#pragma once

#include "ini/TextStore.h"

#include <QStringView>
#include <vector>

// Equal keys read by one load share one place in the load's text store. Files repeat their key
// names section after section (every section of a list of devices has "name", "port", ...);
// sharing the text saves its memory per repeat. Sharing is invisible: an entry's key never
// changes, and an edited entry's strings are its own.
//
// The pool keeps at most kMaxKeys names, so that a file of all-different keys costs it little.
class CKeyPool {
public:
    static constexpr size_t kMaxKeys = 65536;

    explicit CKeyPool(CTextStore& store) : m_store(store) {}

    // Where the text is in the store, added there unless an equal one was; `hash` is any hash
    // of the exact text.
    CTextStore::Place Intern(QStringView text, size_t hash) {
        if (m_slots.empty())
            m_slots.resize(1024);
        const size_t mask = m_slots.size() - 1;
        size_t i = hash & mask;
        for (; m_slots[i].used; i = (i + 1) & mask) {
            if (m_slots[i].hash == hash && m_store.View(m_slots[i].place) == text)
                return m_slots[i].place;
        }
        const CTextStore::Place made = m_store.Add(text);
        if (m_count >= kMaxKeys)
            return made;
        m_slots[i] = {hash, made, true};
        if (++m_count * 2 > m_slots.size())
            Grow();
        return made;
    }

private:
    struct Slot {
        size_t hash = 0;
        CTextStore::Place place = 0;
        bool used = false;
    };

    void Grow() {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (const Slot& slot : old) {
            if (!slot.used)
                continue;
            size_t i = slot.hash & mask;
            while (m_slots[i].used)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }

    CTextStore& m_store;
    std::vector<Slot> m_slots;
    size_t m_count = 0;
};
