#pragma once

#include <utility>
#include <vector>

class CObject;

// For each item a preview's lines show, the first line that shows it. Kept as a list sorted
// by item rather than a hash: a file of hundreds of thousands of entries is read in order and
// its items mostly lie in memory in the same order, so sorting them costs little, where
// inserting each into a hash table touched memory all over the table.
class CItemFirstLines {
public:
    // lineMap: the item of each line, in line order (null for a line without one).
    void Build(const std::vector<const CObject*>& lineMap);
    void Clear();
    // The item's first line; -1 for an item no line shows.
    int LineOf(const CObject* item) const;

private:
    std::vector<std::pair<const CObject*, int>> m_lines; // by item, one per item
};
