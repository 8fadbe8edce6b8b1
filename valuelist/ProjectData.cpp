#include "valuelist/ProjectData.h"

#include "valuelist/EntryData.h"
#include "valuelist/SectionData.h"
#include "valuelist/TypedChildren.h"
#include "valuelist/ValueData.h"

#include "platform/TextUtil.h"

#include <QSet>

namespace {
using Sections = CTypedChildren<CSectionData>;
} // namespace

CProjectData::CProjectData() = default;

CProjectData::CProjectData(int nPid, const QString& name) : m_nPid(nPid) {
    m_strName = name;
}

CProjectData::~CProjectData() = default;

int CProjectData::GetPid() const {
    return m_nPid;
}

CSectionData* CProjectData::FirstSection() const {
    return Sections::First(*this);
}

CSectionData* CProjectData::LastSection() const {
    return Sections::Last(*this);
}

CSectionData* CProjectData::AppendSection(const QString& code, const QString& name,
                                          CSectionData* pLastHint) {
    return Sections::Append(*this, code, name, pLastHint);
}

CSectionData* CProjectData::FindSection(const QString& code) const {
    return Sections::Find(*this, code, Sections::Match::NoCase);
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

namespace {

// Adds key to the set; false when it was there already.
bool AddNew(QSet<QString>& seen, const QString& key) {
    const qsizetype nBefore = seen.size();
    seen.insert(key);
    return seen.size() != nBefore;
}

} // namespace

const CBaseData* CProjectData::FindDuplicate() const {
    QSet<QString> seen;
    for (const CSectionData* s = FirstSection(); s; s = s->NextSection()) {
        if (!AddNew(seen, Text::FoldCase(s->m_strCode)))
            return s;
    }
    for (const CSectionData* s = FirstSection(); s; s = s->NextSection()) {
        seen.clear();
        for (const CEntryData* e = s->FirstEntry(); e; e = e->NextEntry()) {
            if (!AddNew(seen, Text::FoldCase(e->m_strCode)))
                return e;
        }
    }
    for (const CSectionData* s = FirstSection(); s; s = s->NextSection()) {
        for (const CEntryData* e = s->FirstEntry(); e; e = e->NextEntry()) {
            seen.clear();
            for (const CValueData* v = e->FirstValue(); v; v = v->NextValue()) {
                if (!AddNew(seen, v->m_strCode))
                    return v;
            }
        }
    }
    return nullptr;
}

bool CProjectData::HasRules() const {
    if (m_bReportUnknownKeys)
        return true;
    for (const CSectionData* s = FirstSection(); s; s = s->NextSection()) {
        for (const CEntryData* e = s->FirstEntry(); e; e = e->NextEntry()) {
            if (!e->m_rule.IsEmpty())
                return true;
        }
    }
    return false;
}
