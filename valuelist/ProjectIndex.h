#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

class CProjectData;
class CEntryData;

// The entries of a value list by section and key, found in constant time: checking a file of
// hundreds of thousands of entries against a list of thousands would otherwise walk the list
// once per entry. Names match as FindEntry matches them (Text::EqualNoCase); where a name
// repeats, the first record wins, as there. Points into the list, which must outlive it and
// stay unchanged.
class CProjectIndex {
public:
    using Entries = QHash<QString, const CEntryData*>;

    explicit CProjectIndex(const CProjectData& project);

    // The entries of one section, keyed by folded key; null when the list lacks the section.
    const Entries* EntriesOf(QStringView section) const;
    // The entry in a section's entries (from EntriesOf); null when absent.
    static const CEntryData* Find(const Entries* entries, QStringView key);
    // The same for a key held as a string: one that folding leaves as it is (plain ASCII
    // without capitals, as most keys are) is looked up as it stands, without a folded copy.
    static const CEntryData* Find(const Entries* entries, const QString& key);
    const CEntryData* Find(QStringView section, QStringView key) const {
        return Find(EntriesOf(section), key);
    }

private:
    QHash<QString, Entries> m_sections;
};
