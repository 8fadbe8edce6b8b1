#include "valuelist/SectionData.h"

#include "platform/TextUtil.h"
#include "valuelist/EntryData.h"

CSectionData::CSectionData() = default;

CSectionData::CSectionData(const QString& code, const QString& name) : m_strCode(code) {
    m_strName = name;
}

CSectionData::~CSectionData() = default;

CSectionData* CSectionData::NextSection() const {
    return dynamic_cast<CSectionData*>(Next());
}

CEntryData* CSectionData::FirstEntry() const {
    return dynamic_cast<CEntryData*>(FirstChild());
}

CEntryData* CSectionData::LastEntry() const {
    return dynamic_cast<CEntryData*>(LastChild());
}

CEntryData* CSectionData::AppendEntry(const QString& code, const QString& name,
                                      CEntryData* pLastHint) {
    return static_cast<CEntryData*>(
        AppendChild(std::make_unique<CEntryData>(code, name), pLastHint));
}

CEntryData* CSectionData::FindEntry(const QString& code) const {
    for (CBaseData* p = FirstChild(); p; p = p->Next()) {
        auto* pEntry = dynamic_cast<CEntryData*>(p);
        if (pEntry && Text::EqualNoCase(pEntry->m_strCode, code))
            return pEntry;
    }
    return nullptr;
}
