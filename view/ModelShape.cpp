#include "view/ModelShape.h"

#include "compare/IniCompare.h"
#include "ini/IniData.h"
#include "view/DetachedRecords.h"

#include <algorithm>

namespace {

template <class T> std::vector<T*> PointersOf(const std::vector<std::unique_ptr<T>>& list) {
    std::vector<T*> pointers;
    pointers.reserve(list.size());
    for (const auto& item : list)
        pointers.push_back(item.get());
    return pointers;
}

// How many leading items the list already holds in the target's order.
template <class T>
size_t CommonStart(const std::vector<std::unique_ptr<T>>& list, const std::vector<T*>& target) {
    size_t n = 0;
    while (n < list.size() && n < target.size() && list[n].get() == target[n])
        ++n;
    return n;
}

} // namespace

CModelShape CModelShape::Capture(const std::vector<CIniData*>& files, CIniCompare* compare) {
    CModelShape shape;
    for (CIniData* file : files) {
        shape.m_sections.emplace_back(file, PointersOf(file->m_sections));
        for (const auto& section : file->m_sections)
            shape.m_entries.emplace(section.get(), PointersOf(section->m_entries));
    }
    shape.m_pCompare = compare;
    shape.m_bHasResults = compare != nullptr;
    if (compare)
        shape.m_results = PointersOf(compare->m_results);
    return shape;
}

void CModelShape::KeepDifferences(CModelShape& before, CModelShape& after) {
    // Both shapes come from the same files, listed in the same order.
    for (size_t i = before.m_sections.size(); i-- > 0;) {
        if (i < after.m_sections.size() &&
            before.m_sections[i].second == after.m_sections[i].second) {
            before.m_sections.erase(before.m_sections.begin() + std::ptrdiff_t(i));
            after.m_sections.erase(after.m_sections.begin() + std::ptrdiff_t(i));
        }
    }
    for (auto it = before.m_entries.begin(); it != before.m_entries.end();) {
        const auto other = after.m_entries.find(it->first);
        if (other != after.m_entries.end() && other->second == it->second) {
            after.m_entries.erase(other);
            it = before.m_entries.erase(it);
        } else {
            ++it;
        }
    }
    if (before.m_results == after.m_results) {
        before.m_bHasResults = false;
        after.m_bHasResults = false;
        before.m_results.clear();
        after.m_results.clear();
    }
}

void CModelShape::LeaveOutAdded() {
    for (auto& [file, sections] : m_sections)
        std::erase_if(sections, [](const CIniSectionData* section) { return section->m_isAdded; });
    std::erase_if(m_entries, [](const auto& item) { return item.first->m_isAdded; });
    for (auto& [section, entries] : m_entries)
        std::erase_if(entries, [](const CIniEntryData* entry) { return entry->m_isAdded; });
}

bool CModelShape::IsEmpty() const {
    return m_sections.empty() && m_entries.empty() && !m_bHasResults;
}

void CModelShape::Apply(CDetachedRecords& detached) const {
    // Sections first: an entry list is only relinked once its section is back in its file.
    for (const auto& [file, sections] : m_sections)
        ApplySections(file, sections, detached);
    for (const auto& [section, entries] : m_entries)
        ApplyEntries(section, entries, detached);
    if (m_bHasResults)
        ApplyResults(detached);
}

// Lists only ever change at their ends in practice (additions go last), so relinking from
// the first difference on stays short.
void CModelShape::ApplySections(CIniData* file, const Sections& target,
                                CDetachedRecords& detached) const {
    const size_t keep = CommonStart(file->m_sections, target);
    while (file->m_sections.size() > keep)
        detached.Keep(file->TakeSection(file->m_sections.back().get()));
    for (size_t i = keep; i < target.size(); ++i) {
        if (auto section = detached.Take(target[i]))
            file->AppendSection(std::move(section));
    }
}

void CModelShape::ApplyEntries(CIniSectionData* section, const Entries& target,
                               CDetachedRecords& detached) const {
    const size_t keep = CommonStart(section->m_entries, target);
    while (section->m_entries.size() > keep)
        detached.Keep(section->TakeEntry(section->m_entries.back().get()));
    for (size_t i = keep; i < target.size(); ++i) {
        if (auto entry = detached.Take(target[i]))
            section->AppendEntry(std::move(entry));
    }
}

void CModelShape::ApplyResults(CDetachedRecords& detached) const {
    auto& results = m_pCompare->m_results;
    const size_t keep = CommonStart(results, m_results);
    // The comparison keeps no index: its rows are moved in and out of the list directly.
    while (results.size() > keep) {
        detached.Keep(std::move(results.back()));
        results.pop_back();
    }
    for (size_t i = keep; i < m_results.size(); ++i) {
        if (auto result = detached.Take(m_results[i]))
            results.push_back(std::move(result));
    }
}
