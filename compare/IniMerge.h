#pragma once

#include "compare/MergeConflict.h"
#include "platform/Object.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <functional>
#include <memory>
#include <vector>

class CIniData;
class CIniSectionData;
class CIniEntryData;

// A three-way merge of INI files, key by key. Sections and keys pair by name ignoring case,
// as the comparison pairs them; values compare with case. For each key:
//
//   ours and theirs agree (both unchanged, both changed alike, both removed): ours stands;
//   only ours changed it: ours stands;
//   only theirs changed it (changed, added or removed): theirs' change is taken;
//   both changed it differently (also: added with different values, removed on one side and
//   changed on the other): a conflict, and ours' value stands.
//
// A section theirs removed goes as a whole when nothing of ours is left in it afterwards; a
// section theirs added comes with its keys. Theirs' changes are made in ours' model as unsaved
// edits, so that saving it writes them into ours' file the way the writer writes keys: every
// other byte of that file stays. Comments are not merged.
class CIniMerge : public CObject {
public:
    CIniMerge(std::unique_ptr<CIniData> base, std::unique_ptr<CIniData> ours,
              std::unique_ptr<CIniData> theirs);
    // A merge of models someone else owns (a window that shows them), which must outlive it.
    CIniMerge(CIniData& base, CIniData& ours, CIniData& theirs);
    ~CIniMerge() override;

    // Whether ours' file can hold a text (its encoding); a change it cannot hold is a conflict
    // with the reason, and ours stands. Empty: every text fits.
    using CanHold = std::function<bool(QStringView)>;

    // Makes theirs' changes in ours' model and lists the conflicts. Once per object.
    void Merge(const CanHold& canHold = {});

    // How many of theirs' changes were taken: keys set, added or removed, and empty sections
    // removed.
    int TakenCount() const { return m_taken; }
    const std::vector<CMergeConflict>& Conflicts() const { return m_conflicts; }

    // How many comment lines theirs added or removed against base, section by section: the
    // changes a merge leaves out.
    static int CountCommentChanges(const QByteArray& base, const QByteArray& theirs);

    // What theirs' removals took out of ours' model, kept alive so that whoever shows the
    // model can let go of it (and an undo can link it back).
    std::vector<std::unique_ptr<CIniEntryData>>& RemovedEntries() { return m_removedEntries; }
    std::vector<std::unique_ptr<CIniSectionData>>& RemovedSections() { return m_removedSections; }

    // Null when the models belong to someone else.
    std::unique_ptr<CIniData> m_pBase;
    std::unique_ptr<CIniData> m_pOurs;
    std::unique_ptr<CIniData> m_pTheirs;

private:
    // The key as one file holds it; null where it lacks the key.
    struct Sides {
        CIniEntryData* base = nullptr;
        CIniEntryData* ours = nullptr;
        CIniEntryData* theirs = nullptr;
    };

    void MergeSection(CIniSectionData* ours);
    void MergeSectionOnlyInTheirs(CIniSectionData* theirs);
    // Decides one key; `ours` is the section ours' change goes into, made when needed.
    // False when the key is a conflict.
    bool MergeKey(const Sides& sides, const QString& sectionName, CIniSectionData* ours);
    bool Fits(const QString& sectionName, const QString& key, const QString& value,
              bool newSection) const;
    void AddConflict(const QString& sectionName, const QString& key, const Sides& sides,
                     const QString& reason);

    CIniData* m_base;
    CIniData* m_ours;
    CIniData* m_theirs;
    CanHold m_canHold;
    std::vector<std::unique_ptr<CIniEntryData>> m_removedEntries;
    std::vector<std::unique_ptr<CIniSectionData>> m_removedSections;
    std::vector<CMergeConflict> m_conflicts;
    int m_taken = 0;
};
