#pragma once

#include <QString>
#include <QStringView>
#include <vector>

// Equal keys read by one load share one string. Files repeat their key names section after
// section (every section of a list of devices has "name", "port", ...); sharing the text
// saves an allocation and its memory per repeat. Sharing is invisible: a QString copies
// itself on the first change.
//
// The pool keeps at most kMaxKeys names, so that a file of all-different keys costs it little.
class CKeyPool {
public:
    static constexpr size_t kMaxKeys = 65536;

    // The text as a string, shared with an earlier equal one when there was one; `hash` is
    // any hash of the exact text. make(text) makes the string for a text not seen before.
    template <class Make> QString Intern(QStringView text, size_t hash, Make&& make) {
        if (m_slots.empty())
            m_slots.resize(1024);
        const size_t mask = m_slots.size() - 1;
        size_t i = hash & mask;
        for (; m_slots[i].used; i = (i + 1) & mask) {
            if (m_slots[i].hash == hash && m_slots[i].text == text)
                return m_slots[i].text;
        }
        QString made = make(text);
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
        QString text;
        bool used = false;
    };

    void Grow() {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (Slot& slot : old) {
            if (!slot.used)
                continue;
            size_t i = slot.hash & mask;
            while (m_slots[i].used)
                i = (i + 1) & mask;
            m_slots[i] = std::move(slot);
        }
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
};
