#include "valuelist/ProjectData.h"

#include "platform/TextUtil.h"
#include "valuelist/EntryData.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueData.h"

CProjectData::CProjectData() = default;

CProjectData::CProjectData(int nPid, const QString& name) : m_nPid(nPid) {
    m_strName = name;
}

CProjectData::~CProjectData() = default;

int CProjectData::GetPid() const {
    return m_nPid;
}

CSectionData* CProjectData::FirstSection() const {
    return dynamic_cast<CSectionData*>(FirstChild());
}

CSectionData* CProjectData::LastSection() const {
    return dynamic_cast<CSectionData*>(LastChild());
}

CSectionData* CProjectData::AppendSection(const QString& code, const QString& name,
                                          CSectionData* pLastHint) {
    return static_cast<CSectionData*>(
        AppendChild(std::make_unique<CSectionData>(code, name), pLastHint));
}

CSectionData* CProjectData::FindSection(const QString& code) const {
    for (CBaseData* p = FirstChild(); p; p = p->Next()) {
        auto* pSection = dynamic_cast<CSectionData*>(p);
        if (pSection && Text::EqualNoCase(pSection->m_strCode, code))
            return pSection;
    }
    return nullptr;
}

CEntryData* CProjectData::FindEntry(const QString& sectionCode, const QString& entryCode) const {
    const CSectionData* pSection = FindSection(sectionCode);
    return pSection ? pSection->FindEntry(entryCode) : nullptr;
}

bool CProjectData::GetValueChoices(const QString& sectionCode, const QString& entryCode,
                                   const QString& initialValue, QStringList& list) const {
    const CEntryData* pEntry = FindEntry(sectionCode, entryCode);
    if (!pEntry)
        return false;
    bool bFoundInitial = false;
    for (CBaseData* p = pEntry->FirstChild(); p; p = p->Next()) {
        auto* pValue = dynamic_cast<CValueData*>(p);
        if (!pValue)
            continue;
        // The text before the line break is what a choice writes into the cell, the text
        // after it is the label the drop-down list shows.
        QString item = pValue->m_strCode + u'\n' + pValue->m_strName;
        if (pValue->m_strCode == initialValue) {
            item += u"(初期値)";
            bFoundInitial = true;
        }
        list.append(item);
    }
    return bFoundInitial;
}

bool CProjectData::GetValueName(const QString& sectionCode, const QString& entryCode,
                                const QString& value, QString& name) const {
    const CEntryData* pEntry = FindEntry(sectionCode, entryCode);
    const CValueData* pValue = pEntry ? pEntry->FindValue(value) : nullptr;
    if (!pValue)
        return false;
    name = pValue->m_strName;
    return true;
}
