#pragma once

#include "platform/Object.h"

#include <QString>
#include <cstddef>

class CIniSectionData;

// One key=value line of a section. The entry keeps the value the file holds beside the value
// being edited; it needs writing when the two differ or when it is not in the file yet.
class CIniEntryData : public CObject {
public:
    // From a line as the profile layer returned it: the key is everything before the first
    // "=", the value everything after it (further "=" included). Nothing is trimmed, so the
    // entry shows exactly what the line held.
    CIniEntryData(CIniSectionData* section, const QString& line);
    // A new entry that is not in the file yet; it counts as unchanged but is still written.
    CIniEntryData(CIniSectionData* section, const QString& key, const QString& value);

    void SetValue(const QString& value) { m_value = value; }
    bool IsChanged() const { return m_value != m_savedValue; }
    bool NeedsWrite() const { return m_isNew || IsChanged(); }

    // Writes the entry into its file when it needs it; true when it wrote. A failed write
    // leaves the entry dirty and tells nobody: the reload after a save shows the file's truth.
    bool Write();
    // The text a write gives the file: an empty value is an empty string, never a null one, so
    // that the key is written.
    QString ValueToWrite() const { return m_value.isNull() ? QStringLiteral("") : m_value; }
    // Takes note that the file now holds the value being edited.
    void MarkWritten() {
        m_savedValue = m_value;
        m_isNew = false;
    }

    // Unlinks the entry from its section and destroys it; the file is not touched.
    void Remove();

    // Entries live in slabs (ObjectSlab.h): a file has hundreds of thousands of them.
    static void* operator new(std::size_t size);
    static void operator delete(void* entry, std::size_t size) noexcept;

    CIniSectionData* m_pSection;
    // The key is fixed for the entry's life: the section's key index refers to it.
    QString m_key;
    QString m_savedValue;
    QString m_value;
    bool m_isNew;
    bool m_isAdded = false;
};
