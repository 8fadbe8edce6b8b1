#pragma once

#include <QStringView>
#include <cstdint>
#include <memory>
#include <vector>

class CIniEntryData;

// Case-insensitive lookup of a section's keys beside its ordered list of entries: the first
// entry in list order whose key equals a name under Text::EqualNoCase, as a walk would find it.
//
// Each entry carries the folded hash of its key, worked out once by the load, so building the
// index hashes nothing: it is open addressing over the entries' positions in the list, each
// slot keeping the hash beside the position so that a probe looks at an entry only when the
// hashes agree. The hash folds what either locale mode folds, so the index serves both modes.
//
// Linear probing keeps equal keys in list order along their probe sequence as long as slots are
// only ever filled: an entry appended lands after every equal one before it. A removal
// therefore drops the index, which is rebuilt from the list when next asked, as it is when the
// list's length no longer matches what it indexed (the list was changed without telling it).
class CKeyIndex {
public:
    using List = std::vector<std::unique_ptr<CIniEntryData>>;

    CIniEntryData* Find(const List& list, QStringView key, std::uint32_t hash);

    // Appends entry to list and indexes it; returns the appended entry.
    CIniEntryData* Append(List& list, std::unique_ptr<CIniEntryData> entry);
    // Unlinks entry from list and hands it over; null when it is not in the list.
    std::unique_ptr<CIniEntryData> Take(List& list, const CIniEntryData* entry);

private:
    struct Slot {
        std::uint32_t position = 0; // in the list, plus one; 0 for an empty slot
        std::uint32_t hash = 0;
    };

    void Refresh(const List& list);
    void Place(std::uint32_t position, std::uint32_t hash);

    std::vector<Slot> m_slots;
    size_t m_indexed = 0;
    bool m_built = false;
};
