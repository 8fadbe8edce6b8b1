#include "ini/KeyIndex.h"

#include "ini/IniEntryData.h"
#include "platform/TextUtil.h"

#include <algorithm>
#include <bit>

CIniEntryData* CKeyIndex::Find(const List& list, QStringView key, std::uint32_t hash) {
    Refresh(list);
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = m_slots[i];
        if (slot.position == 0)
            return nullptr;
        if (slot.hash != hash)
            continue;
        CIniEntryData* entry = list[slot.position - 1].get();
        if (Text::EqualNoCase(entry->KeyView(), key))
            return entry;
    }
}

CIniEntryData* CKeyIndex::Append(List& list, std::unique_ptr<CIniEntryData> entry) {
    CIniEntryData* appended = entry.get();
    list.push_back(std::move(entry));
    // Room for one more at most half full; otherwise the next Find rebuilds a larger table.
    if (m_built && m_indexed + 1 == list.size() && list.size() * 2 <= m_slots.size()) {
        Place(std::uint32_t(list.size()), appended->KeyHash());
        m_indexed = list.size();
    } else {
        m_built = false;
    }
    return appended;
}

std::unique_ptr<CIniEntryData> CKeyIndex::Take(List& list, const CIniEntryData* entry) {
    const auto it =
        std::find_if(list.begin(), list.end(), [entry](const auto& p) { return p.get() == entry; });
    if (it == list.end())
        return nullptr;
    std::unique_ptr<CIniEntryData> taken = std::move(*it);
    list.erase(it);
    m_built = false;
    return taken;
}

void CKeyIndex::Refresh(const List& list) {
    if (m_built && m_indexed == list.size())
        return;
    m_slots.assign(std::bit_ceil(std::max<size_t>(list.size() * 2, 8)), Slot{});
    for (size_t i = 0; i < list.size(); ++i)
        Place(std::uint32_t(i + 1), list[i]->KeyHash());
    m_indexed = list.size();
    m_built = true;
}

void CKeyIndex::Place(std::uint32_t position, std::uint32_t hash) {
    const size_t mask = m_slots.size() - 1;
    size_t i = hash & mask;
    while (m_slots[i].position != 0)
        i = (i + 1) & mask;
    m_slots[i] = {position, hash};
}
