#pragma once

#include <QHash>
#include <QString>
#include <QStringView>
#include <vector>

class CProjectData;
class CEntryData;

// The entries of a value list by section and key, found in constant time: checking a file of
// hundreds of thousands of entries against a list of thousands would otherwise walk the list
// once per entry. Names match as FindEntry matches them (Text::EqualNoCase); where a name
// repeats, the first record wins, as there. Points into the list, which must outlive it and
// stay unchanged.
class CProjectIndex {
public:
    // One section's entries: those that win their name, in the list's order, and where each
    // stands by folded key.
    struct Entries {
        std::vector<const CEntryData*> records;
        QHash<QString, int> positions;
    };

    explicit CProjectIndex(const CProjectData& project);

    // The entries of one section; null when the list lacks the section.
    const Entries* EntriesOf(QStringView section) const;
    // The entry in a section's entries (from EntriesOf); null when absent. A key that folding
    // leaves as it is (plain ASCII without capitals, as most keys are) is looked up as it
    // stands, without a folded copy.
    static const CEntryData* Find(const Entries* entries, QStringView key);
    const CEntryData* Find(QStringView section, QStringView key) const {
        return Find(EntriesOf(section), key);
    }

    // Finds the entries of one section for keys that mostly come in the list's own order, as
    // a file's keys do when the list was made from such a file: each key is first tried,
    // spelt as it is, against the entry after the one found last, and looked up only when
    // that is not it.
    class Cursor {
    public:
        explicit Cursor(const Entries* entries = nullptr) : m_pEntries(entries) {}
        const Entries* Section() const { return m_pEntries; }
        const CEntryData* Find(QStringView key);

    private:
        const Entries* m_pEntries;
        size_t m_next = 0;
    };

private:
    static int Position(const Entries* entries, QStringView key);

    QHash<QString, Entries> m_sections;
};
