#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>
#include <mutex>
#include <vector>

// One INI file read once, ready to answer the two readers by copying: the names list and,
// per section, its returnable lines are kept already in the buffer layout (each item
// followed by a NUL). Immutable after Parse apart from the lazily built name lookup.
class CParsedProfile {
public:
    // Parses a whole file's bytes (encoding detected, BOM included).
    explicit CParsedProfile(QByteArrayView bytes);

    CParsedProfile(const CParsedProfile&) = delete;
    CParsedProfile& operator=(const CParsedProfile&) = delete;

    // Every section name but the empty one, in file order, duplicates included, each
    // followed by a NUL. An empty name would end the list early, so "[]" is not listed.
    QStringView names() const { return m_names; }

    // The lines of the first section whose name equals `name` without case, each followed
    // by a NUL; empty when there is no such section or it has no returnable line. `name`
    // must already be trimmed the way the caller's rules want.
    QStringView section(QStringView name) const;

    qsizetype sectionCount() const { return qsizetype(m_sections.size()); }

private:
    struct Section {
        QString name;
        qsizetype begin = 0; // range of its items in m_items
        qsizetype length = 0;
    };

    const QHash<QString, qsizetype>& index() const;

    std::vector<Section> m_sections;
    QString m_names;
    QString m_items; // the items of every section, back to back

    // Folded name -> first section of that name. Folding follows the process-wide case
    // switch, so there is one lookup per mode, built when first needed.
    mutable std::mutex m_indexMutex;
    mutable QHash<QString, qsizetype> m_index[2];
    mutable bool m_indexBuilt[2] = {false, false};
};
