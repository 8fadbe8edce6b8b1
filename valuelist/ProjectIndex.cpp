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
            if (!entries.contains(key))
                entries.insert(key, e);
        }
    }
}

const CProjectIndex::Entries* CProjectIndex::EntriesOf(QStringView section) const {
    const auto it = m_sections.constFind(Text::FoldCase(section));
    return it == m_sections.constEnd() ? nullptr : &it.value();
}

const CEntryData* CProjectIndex::Find(const Entries* entries, QStringView key) {
    return entries ? entries->value(Text::FoldCase(key), nullptr) : nullptr;
}

namespace {

bool FoldsToItself(const QString& key) {
    for (const QChar c : key) {
        if (c.unicode() >= 0x80 || (c >= u'A' && c <= u'Z'))
            return false;
    }
    return true;
}

} // namespace

const CEntryData* CProjectIndex::Find(const Entries* entries, const QString& key) {
    if (!entries)
        return nullptr;
    return FoldsToItself(key) ? entries->value(key, nullptr) : Find(entries, QStringView(key));
}
