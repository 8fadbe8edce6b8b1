#pragma once

#include "valuelist/ProjectIndex.h"

#include <QString>
#include <vector>

class CEntryData;
class CIniData;
class CIniEntryData;
class CProjectData;

// A required key the file lacks, and what it would be added with.
struct CMissingRequired {
    QString section;
    QString key;
    QString value; // the default, or empty
};

// What the window shows of a value list's rules for the entries of the open file: which value
// breaks its rule and why, which value is the default, which key the list does not know, and
// which required keys the file lacks. Nothing here refuses anything: the file may hold any
// value. Points into the value list, which must outlive it unchanged.
class CRuleMarks {
public:
    explicit CRuleMarks(const CProjectData& project);

    // Whether any entry has a rule or the list reports unknown keys: without, the window
    // looks as it did before rules existed and no row needs looking at.
    bool HasRules() const { return m_bHasRules; }

    const CEntryData* Describe(const CIniEntryData& entry) const;
    // Why the value breaks its entry's rule ("範囲外 (0〜100)", ...); empty when it keeps it. A
    // list without a type for the entry only offers its values and marks nothing, as always.
    QString Breach(const CIniEntryData& entry) const;
    // The key is one the list does not describe, and the list asks for such keys.
    bool IsUnknown(const CIniEntryData& entry) const;
    // The tooltip of the key cell: the description, or why the key is marked.
    QString KeyTip(const CIniEntryData& entry) const;
    bool HasDefault(const CIniEntryData& entry) const;
    bool IsDefault(const CIniEntryData& entry) const;
    // The default of the entry; empty when it has none (HasDefault says which).
    QString DefaultOf(const CIniEntryData& entry) const;

    // The required keys the file lacks, in the list's order.
    std::vector<CMissingRequired> MissingRequired(const CIniData& ini) const;

private:
    const CProjectData& m_project;
    CProjectIndex m_index;
    bool m_bHasRules = false;
    // The section looked up last, by name: rows come section by section, and filling or
    // filtering hundreds of thousands of them would fold and look up the same name each time.
    mutable bool m_bLastLookedUp = false;
    mutable QString m_lastSection;
    mutable CProjectIndex::Cursor m_lastEntries;
};
