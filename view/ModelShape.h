#pragma once

#include <unordered_map>
#include <vector>

class CDetachedRecords;
class CIniCompare;
class CIniData;
class CIniEntryData;
class CIniSectionData;
struct COMPARE_REULT;

// What the shown model links, in order: each file's sections, each section's entries and the
// comparison's rows. A shape taken before a change and one taken after it, reduced to the
// lists that differ, say what the change linked in and out; bringing the model back to either
// is the undo or the redo of that change.
class CModelShape {
public:
    // Everything the files hold now, and the comparison's rows when compare is given.
    static CModelShape Capture(const std::vector<CIniData*>& files, CIniCompare* compare);
    // Drops from both shapes every list that is the same in both.
    static void KeepDifferences(CModelShape& before, CModelShape& after);

    // The shape as it was before the add dialog linked in what it marked as added.
    void LeaveOutAdded();
    // Relinks every list this shape holds to hold exactly what it held. What leaves a list
    // goes into detached; what joins one comes out of detached.
    void Apply(CDetachedRecords& detached) const;
    bool IsEmpty() const;

private:
    using Sections = std::vector<CIniSectionData*>;
    using Entries = std::vector<CIniEntryData*>;
    using Results = std::vector<COMPARE_REULT*>;

    void ApplySections(CIniData* file, const Sections& target, CDetachedRecords& detached) const;
    void ApplyEntries(CIniSectionData* section, const Entries& target,
                      CDetachedRecords& detached) const;
    void ApplyResults(CDetachedRecords& detached) const;

    std::vector<std::pair<CIniData*, Sections>> m_sections;
    // Only the sections linked into a file in this shape have their entries here.
    std::unordered_map<CIniSectionData*, Entries> m_entries;
    CIniCompare* m_pCompare = nullptr;
    bool m_bHasResults = false;
    Results m_results;
};
