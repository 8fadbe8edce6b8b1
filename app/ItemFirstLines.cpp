#include "app/ItemFirstLines.h"

#include <algorithm>
#include <functional>

namespace {

bool ByItem(const std::pair<const CObject*, int>& a, const std::pair<const CObject*, int>& b) {
    return std::less<const CObject*>()(a.first, b.first);
}

} // namespace

void CItemFirstLines::Build(const std::vector<const CObject*>& lineMap) {
    m_lines.clear();
    m_lines.reserve(lineMap.size());
    for (size_t line = 0; line < lineMap.size(); ++line) {
        if (lineMap[line])
            m_lines.emplace_back(lineMap[line], int(line));
    }
    // Stable, so that among the lines of one item the first stays first; mostly the items
    // come sorted already, and then nothing moves.
    if (!std::is_sorted(m_lines.begin(), m_lines.end(), ByItem))
        std::stable_sort(m_lines.begin(), m_lines.end(), ByItem);
    const auto sameItem = [](const auto& a, const auto& b) { return a.first == b.first; };
    m_lines.erase(std::unique(m_lines.begin(), m_lines.end(), sameItem), m_lines.end());
    m_lines.shrink_to_fit();
}

void CItemFirstLines::Clear() {
    std::vector<std::pair<const CObject*, int>>().swap(m_lines);
}

int CItemFirstLines::LineOf(const CObject* item) const {
    const auto it =
        std::lower_bound(m_lines.begin(), m_lines.end(), std::make_pair(item, 0), ByItem);
    return it != m_lines.end() && it->first == item ? it->second : -1;
}
