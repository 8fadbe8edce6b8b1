#pragma once

#include <QHashFunctions>
#include <QString>
#include <QStringView>
#include <vector>

// Equal keys read by one load share one string. Files repeat their key names section after
// section (every section of a list of devices has "name", "port", ...); sharing the text
// saves an allocation and its memory per repeat. Sharing is invisible: a QString copies
// itself on the first change.
//
// While a pool lives it is the calling thread's current one (Current()), so that the
// sections of a load find it without it being passed through every call. The pool keeps at
// most kMaxKeys names, so that a file of all-different keys costs it little.
class CKeyPool {
public:
    static constexpr size_t kMaxKeys = 65536;

    CKeyPool() : m_previous(CurrentSlot()) { CurrentSlot() = this; }
    ~CKeyPool() { CurrentSlot() = m_previous; }
    CKeyPool(const CKeyPool&) = delete;
    CKeyPool& operator=(const CKeyPool&) = delete;

    static CKeyPool* Current() { return CurrentSlot(); }

    // The text as a string, shared with an earlier equal one when there was one.
    QString Intern(QStringView text) {
        if (m_slots.empty())
            m_slots.resize(1024);
        const size_t hash = qHash(text);
        const size_t mask = m_slots.size() - 1;
        size_t i = hash & mask;
        for (; m_slots[i].used; i = (i + 1) & mask) {
            if (m_slots[i].hash == hash && m_slots[i].text == text)
                return m_slots[i].text;
        }
        QString made = text.toString();
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

    static CKeyPool*& CurrentSlot() {
        thread_local CKeyPool* current = nullptr;
        return current;
    }

    std::vector<Slot> m_slots;
    size_t m_count = 0;
    CKeyPool* m_previous;
};
