#pragma once

#include <memory>
#include <tuple>
#include <unordered_map>

class CIniEntryData;
class CIniSectionData;
struct COMPARE_REULT;

// Sections, entries and comparison rows that a change unlinked from the model (or an undo
// unlinked again) while the undo history may still link them back. Keeping the very objects
// alive means every pointer a grid row or an undo step holds stays good, and a redo brings
// back the same objects rather than look-alikes.
class CDetachedRecords {
public:
    CDetachedRecords();
    ~CDetachedRecords();
    CDetachedRecords(const CDetachedRecords&) = delete;
    CDetachedRecords& operator=(const CDetachedRecords&) = delete;

    template <class T> void Keep(std::unique_ptr<T> record) {
        if (record) {
            const T* key = record.get();
            Pool<T>().emplace(key, std::move(record));
        }
    }
    // Hands the record back; null when it is not kept here.
    template <class T> std::unique_ptr<T> Take(const T* record) {
        auto& pool = Pool<T>();
        const auto it = pool.find(record);
        if (it == pool.end())
            return nullptr;
        std::unique_ptr<T> taken = std::move(it->second);
        pool.erase(it);
        return taken;
    }
    // Destroys everything kept: nothing can link it back any more.
    void Clear();

private:
    template <class T> using PoolOf = std::unordered_map<const T*, std::unique_ptr<T>>;
    template <class T> PoolOf<T>& Pool() { return std::get<PoolOf<T>>(m_pools); }

    std::tuple<PoolOf<CIniSectionData>, PoolOf<CIniEntryData>, PoolOf<COMPARE_REULT>> m_pools;
};
