#pragma once

#include "ini/IniEntryData.h"
#include "ini/KeyIndex.h"
#include "ini/TextStore.h"
#include "platform/Object.h"

#include <QString>
#include <memory>
#include <vector>

class CIniData;

// One section of an INI file with its entries in line order, then the entries added since the
// load.
class CIniSectionData : public CObject {
public:
    CIniSectionData(CIniData* ini, const QString& name, bool isNew);
    ~CIniSectionData() override;

    // The first entry whose key equals the text, ignoring case. With fromLine the text is a
    // key=value line and only its key, trimmed, is looked up; the stored keys are never trimmed.
    CIniEntryData* FindEntry(const QString& text, bool fromLine) const;
    // The first entry whose key equals the key of `other` (of any section or file), ignoring
    // case: FindEntry(other.Key(), false) without hashing the key again.
    CIniEntryData* FindEntryLike(const CIniEntryData& other) const;

    // Appends a new entry (not yet in the file). No duplicate check: callers make sure.
    CIniEntryData* AddEntry(const QString& key, const QString& value);

    // Unlinks the section from its file and destroys it with its entries; the file is not
    // touched.
    void Remove();

    // Unlinks entry from this section and hands it over, owning its text; null when it is not
    // one of ours.
    std::unique_ptr<CIniEntryData> TakeEntry(const CIniEntryData* entry);
    // Links an entry of this section in after the last one: one just made, or one TakeEntry
    // handed over and an undo brings back.
    void AppendEntry(std::unique_ptr<CIniEntryData> entry);

    bool m_isNew;
    CIniData* m_pIni;
    // The name is fixed for the section's life: the file's section index refers to it.
    QString m_name;
    bool m_isAdded = false;
    std::vector<std::unique_ptr<CIniEntryData>> m_entries;
    // The text of the entries read into this section (shared with the other sections of the
    // load); null for a section made since.
    std::shared_ptr<const CTextStore> m_pText;

    // Size of the buffer handed to GetPrivateProfileSectionW, in wide characters.
    static constexpr unsigned kLinesBufferSize = 32767;

private:
    mutable CKeyIndex m_keyIndex;
};
