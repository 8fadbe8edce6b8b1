#pragma once

#include "ini/IniSectionData.h"
#include "ini/NameIndex.h"
#include "platform/Object.h"
#include "platform/ProfileWriter.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class CProfileAccess;
class CProjectData;
class CUndecodedValues;

// One INI file in memory: its sections in the order the file names them, then the sections
// added since the load. It never sorts; every lookup ignores case.
class CIniData : public CObject {
public:
    // The value list attached on a reload. The model sits below the value-list library and
    // cannot see CProjectData's definition, so the pointer carries the deleter chosen where
    // the type was complete (see SetProject).
    using ProjectPtr = std::unique_ptr<CProjectData, void (*)(CProjectData*)>;

    // profile: where the private-profile calls go; the platform's unless a test says otherwise.
    explicit CIniData(CProfileAccess* profile = nullptr);
    ~CIniData() override;

    // A section the load left out because its lines do not fit the section buffer.
    struct SkippedSection {
        QString name;   // as the file names it
        qsizetype size; // characters its lines need (each with a NUL); 0 when unknown
    };

    // Fills the empty model from the file at path (a full path). On failure errorText holds
    // the message to show and the caller destroys the model; on success errorText is left
    // alone. A missing file or one without sections loads as an empty model; a file that
    // exists but cannot be read, or is larger than the reader takes, fails the load. The
    // whole load reads one version of the file, even while another process saves it. A load
    // stopped through the thread's CWorkProgress fails with "読み込みを中止しました" and leaves
    // nothing cached. When a save cut off left its copy of the old text beside the file, the
    // message names it and says how to recover.
    bool Load(const QString& path, QString& errorText);

    // The sections the last successful Load left out for their size, in file order. They stay
    // in the file untouched; a program shows them so that nobody takes the model for the
    // whole file.
    const std::vector<SkippedSection>& SkippedSections() const { return m_skippedSections; }

    // The first section whose name equals name, ignoring case. name is trimmed first; with
    // stripBrackets its first and last characters are dropped too (a header line such as
    // "[name]"), which needs at least three characters.
    CIniSectionData* FindSection(const QString& name, bool stripBrackets) const;

    // Appends a new section. No duplicate check: callers make sure.
    CIniSectionData* AddSection(const QString& name);
    // Appends a new entry to the named section, making that section when there is none; both
    // carry the added mark.
    CIniEntryData* AddEntry(const QString& sectionName, const QString& key, const QString& value);

    // Writes every changed or new entry, in model order, with one write of the file. failed,
    // when given, hears of each entry whose write failed right after the failure, while the
    // writer still knows why.
    void Save(const std::function<void(const CIniEntryData&)>& failed = {});

    // What the next Save writes, in its order: every changed or new entry (in `dirty`, when
    // given, the entries in the same order), then the removals asked for since the last save
    // that the model still stands by: a key the model holds again, or of a section that goes
    // as a whole, and a section the model holds again are not removed.
    std::vector<CProfileWriter::Change>
    PendingChanges(std::vector<CIniEntryData*>* dirty = nullptr) const;

    // Take a section or an entry out of the model so that the next Save removes it from the
    // file too: the section's first block, or the entry's line (ProfileRemoval.h). Null when
    // it is not one of ours. Linking it back in (an undo) cancels the removal.
    std::unique_ptr<CIniSectionData> RemoveSectionFromFile(const CIniSectionData* section);
    std::unique_ptr<CIniEntryData> RemoveEntryFromFile(const CIniEntryData* entry);

    void CollectAddedEntries(std::vector<CIniEntryData*>& list) const;
    void ClearAddedMarks();

    // Unlinks section from this file and hands it over; null when it is not one of ours.
    std::unique_ptr<CIniSectionData> TakeSection(const CIniSectionData* section);
    // Links a section in after the last one: one just made, or one TakeSection handed over and
    // an undo brings back.
    void AppendSection(std::unique_ptr<CIniSectionData> section);

    // Takes ownership of the value list for this file. A template so that the deleter is
    // made where the caller sees the complete type.
    template <class Project> void SetProject(std::unique_ptr<Project> project) {
        m_pProject = ProjectPtr(project.release(), &DeleteProject<Project>);
    }

    CProfileAccess& ProfileAccess() const { return *m_pProfile; }

    // Whether two entries whose values are equal as text hold the same bytes in their files
    // too (CUndecodedValues.h): broken bytes of different kinds can read as one character. An
    // entry edited or added since the load has no bytes yet; its text is what will be written.
    static bool BytesAgree(const CIniEntryData& a, const CIniEntryData& b);

    std::vector<std::unique_ptr<CIniSectionData>> m_sections;
    QString m_filePath;
    ProjectPtr m_pProject{nullptr, nullptr};

    // Size of the buffer handed to GetPrivateProfileSectionNamesW, in wide characters.
    static constexpr unsigned kNamesBufferSize = 2048;

private:
    template <class Project> static void DeleteProject(CProjectData* project) {
        delete static_cast<Project*>(project);
    }

    friend class CIniLoader; // fills the model by the loader's rules

    bool LoadFile(const QString& path, QString& errorText);
    // What a failed load adds when a cut-off save left a copy of the old text beside the file.
    static QString BackupNote(const QString& backup);

    // The file's values that do not read back as their text; read when first asked for.
    const QByteArray* UndecodedBytes(const CIniEntryData& entry) const;

    CProfileAccess* m_pProfile;
    mutable std::unique_ptr<CUndecodedValues> m_undecoded; // forgotten whenever a save writes
    std::vector<CProfileWriter::Change> m_removals; // asked for since the last save, in order
    std::vector<SkippedSection> m_skippedSections;
    mutable CNameIndex<CIniSectionData, &CIniSectionData::m_name> m_nameIndex;
};
