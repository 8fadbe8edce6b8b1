#pragma once

#include <cstddef>

class CIniSectionData;
class CIniEntryData;

// One row of a comparison: the sections and entries of the two files that the row pairs.
// A pointer is null where that file lacks the section or the entry. None of them owns.
struct COMPARE_REULT {
    CIniSectionData* pSection1 = nullptr;
    CIniSectionData* pSection2 = nullptr;
    CIniEntryData* pEntry1 = nullptr;
    CIniEntryData* pEntry2 = nullptr;

    // Rows live in slabs (ObjectSlab.h): two large files have one for each of their entries.
    static void* operator new(std::size_t size);
    static void operator delete(void* row, std::size_t size) noexcept;
};
