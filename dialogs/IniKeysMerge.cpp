#include "dialogs/IniKeysMerge.h"

#include "dialogs/TreeEditHistory.h"
#include "ini/IniData.h"
#include "platform/TextUtil.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/SectionData.h"

#include <QHash>

namespace {

// The sections of a value list, or the entries of a section, by case-folded code (the first
// of a code when a list holds two), so that each of a large file's items is found at once.
template <class Record> QHash<QString, Record*> ByCode(const CBaseData* pParent) {
    QHash<QString, Record*> byCode;
    for (CBaseData* p = pParent->FirstChild(); p; p = p->Next()) {
        auto* pRecord = dynamic_cast<Record*>(p);
        if (!pRecord)
            continue;
        const QString key = Text::FoldCase(pRecord->m_strCode);
        if (!byCode.contains(key))
            byCode.insert(key, pRecord);
    }
    return byCode;
}

// A section or entry of the open file in the value list: the one found, or a new one put right
// after the record of the file's item before it (first when there is none), so that what the
// file adds shows in the file's order and nothing the user made moves.
template <class Record>
Record* FindOrInsert(CBaseData* pParent, QHash<QString, Record*>& byCode, Record* pAfter,
                     const QString& code, CTreeEditHistory* pHistory) {
    const QString key = Text::FoldCase(code);
    if (Record* pFound = byCode.value(key))
        return pFound;
    CBaseData* pBefore = pAfter ? pAfter->Next() : pParent->FirstChild();
    auto* pRecord = static_cast<Record*>(
        pParent->InsertChildBefore(std::make_unique<Record>(code, QString()), pBefore));
    pHistory->Inserted(pRecord);
    byCode.insert(key, pRecord);
    return pRecord;
}

} // namespace

void CIniKeysMerge::Merge(CProjectData* pProject, const CIniData& ini, CTreeEditHistory* pHistory) {
    pHistory->BeginGroup(QStringLiteral("取り込み"));
    QHash<QString, CSectionData*> sections = ByCode<CSectionData>(pProject);
    CSectionData* pLastSection = nullptr;
    for (const auto& pIniSection : ini.m_sections) {
        pLastSection =
            FindOrInsert(pProject, sections, pLastSection, pIniSection->m_name, pHistory);
        QHash<QString, CEntryData*> entries = ByCode<CEntryData>(pLastSection);
        CEntryData* pLastEntry = nullptr;
        for (const auto& pIniEntry : pIniSection->m_entries)
            pLastEntry =
                FindOrInsert(pLastSection, entries, pLastEntry, pIniEntry->Key(), pHistory);
    }
    pHistory->EndGroup();
}
