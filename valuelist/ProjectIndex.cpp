#include "valuelist/ProjectIndex.h"

#include "platform/TextUtil.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/SectionData.h"

CProjectIndex::CProjectIndex(const CProjectData& project) {
    for (const CSectionData* s = project.FirstSection(); s; s = s->NextSection()) {
        const QString sectionKey = Text::FoldCase(s->m_strCode);
        if (m_sections.contains(sectionKey))
            continue;
        Entries& entries = m_sections[sectionKey];
        for (const CEntryData* e = s->FirstEntry(); e; e = e->NextEntry()) {
            const QString key = Text::FoldCase(e->m_strCode);
            if (entries.positions.contains(key))
                continue;
            entries.positions.insert(key, int(entries.records.size()));
            entries.records.push_back(e);
        }
    }
}

const CProjectIndex::Entries* CProjectIndex::EntriesOf(QStringView section) const {
    const auto it = m_sections.constFind(Text::FoldCase(section));
    return it == m_sections.constEnd() ? nullptr : &it.value();
}

namespace {

bool FoldsToItself(QStringView key) {
    for (const QChar c : key) {
        if (c.unicode() >= 0x80 || (c >= u'A' && c <= u'Z'))
            return false;
    }
    return true;
}

} // namespace

int CProjectIndex::Position(const Entries* entries, QStringView key) {
    if (!entries)
        return -1;
    if (!FoldsToItself(key))
        return entries->positions.value(Text::FoldCase(key), -1);
    // Only read during the lookup: the key's own memory serves, no copy is made.
    return entries->positions.value(QString::fromRawData(key.data(), key.size()), -1);
}

const CEntryData* CProjectIndex::Find(const Entries* entries, QStringView key) {
    const int at = Position(entries, key);
    return at < 0 ? nullptr : entries->records[size_t(at)];
}

const CEntryData* CProjectIndex::Cursor::Find(QStringView key) {
    if (!m_pEntries)
        return nullptr;
    const auto& records = m_pEntries->records;
    // Spelt exactly as the record's name is the same folded name, and only the entries that
    // win their name are listed: it is the one a lookup would give.
    if (m_next < records.size() && records[m_next]->m_strCode == key)
        return records[m_next++];
    const int at = Position(m_pEntries, key);
    if (at < 0)
        return nullptr;
    m_next = size_t(at) + 1;
    return records[size_t(at)];
}
