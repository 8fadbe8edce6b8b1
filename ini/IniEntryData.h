#pragma once

#include "ini/TextStore.h"
#include "platform/Object.h"

#include <QString>
#include <QStringView>
#include <cstddef>
#include <cstdint>
#include <memory>

class CIniSectionData;

// One key=value line of a section. The entry keeps the value the file holds beside the value
// being edited; it needs writing when the two differ or when it is not in the file yet.
//
// A file has hundreds of thousands of entries, so an entry read from the file holds no strings
// of its own: its key and value are places in its section's text store (TextStore.h), and the
// strings Key() and Value() hand out share that memory. The first edit, or taking the entry
// out of its section, gives it strings of its own.
class CIniEntryData : public CObject {
public:
    // From a line as the profile layer returned it: the key is everything before the first
    // "=", the value everything after it (further "=" included). Nothing is trimmed, so the
    // entry shows exactly what the line held.
    CIniEntryData(CIniSectionData* section, const QString& line);
    // A new entry that is not in the file yet; it counts as unchanged but is still written.
    CIniEntryData(CIniSectionData* section, const QString& key, const QString& value);
    // An entry read from the file whose key and value are in the section's text store;
    // keyHash is FoldedHash (FoldedName.h) of the key, which the load worked out already.
    CIniEntryData(CIniSectionData* section, CTextStore::Place key, CTextStore::Place value,
                  std::uint32_t keyHash);
    ~CIniEntryData() override;
    CIniEntryData(const CIniEntryData&) = delete;
    CIniEntryData& operator=(const CIniEntryData&) = delete;

    // The key is fixed for the entry's life: the section's key index refers to it.
    QString Key() const;
    QStringView KeyView() const;
    // FoldedHash of the key (its low 32 bits): keys equal ignoring case hash alike.
    std::uint32_t KeyHash() const { return m_keyHash; }
    // The value being edited.
    QString Value() const;
    QStringView ValueView() const;
    // The same views for a walk over many rows that holds the entry's section's store already
    // (CIniSectionData::m_pText): no call per text. A section whose entries all own their text
    // may have no store; they never read it.
    QStringView KeyViewIn(const CTextStore* sectionStore) const {
        return m_owns ? QStringView(m_pOwn->key) : sectionStore->View(m_at.key);
    }
    QStringView ValueViewIn(const CTextStore* sectionStore) const {
        return m_owns ? QStringView(m_pOwn->value) : sectionStore->View(m_at.value);
    }
    // The value the file holds (as far as this model knows).
    QString SavedValue() const;

    void SetValue(const QString& value);
    bool IsChanged() const { return m_owns && m_pOwn->value != m_pOwn->saved; }
    bool NeedsWrite() const { return m_isNew || IsChanged(); }

    // Writes the entry into its file when it needs it; true when it wrote. A failed write
    // leaves the entry dirty and tells nobody: the reload after a save shows the file's truth.
    bool Write();
    // The text a write gives the file: an empty value is an empty string, never a null one, so
    // that the key is written.
    QString ValueToWrite() const;
    // Takes note that the file now holds the value being edited.
    void MarkWritten();

    // Gives the entry strings of its own, so that it no longer needs its section's store: for
    // an entry leaving its section.
    void OwnText();

    // Unlinks the entry from its section and destroys it; the file is not touched.
    void Remove();

    // Entries live in slabs (ObjectSlab.h): a file has hundreds of thousands of them.
    static void* operator new(std::size_t size);
    static void operator delete(void* entry, std::size_t size) noexcept;

    CIniSectionData* m_pSection;
    bool m_isNew;
    bool m_isAdded = false;

private:
    struct Own {
        QString key;
        QString value;
        QString saved;
    };
    const CTextStore& Store() const;

    // Until the entry owns its text, its key and value are places in its section's store.
    bool m_owns;
    std::uint32_t m_keyHash;
    union {
        struct {
            CTextStore::Place key;
            CTextStore::Place value;
        } m_at;
        Own* m_pOwn;
    };
};
