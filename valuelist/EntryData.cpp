#include "valuelist/EntryData.h"

#include "valuelist/ValueData.h"

CEntryData::CEntryData() = default;

CEntryData::CEntryData(const QString& code, const QString& name) : m_strCode(code) {
    m_strName = name;
}

CEntryData::~CEntryData() = default;

CEntryData* CEntryData::NextEntry() const {
    return dynamic_cast<CEntryData*>(Next());
}

CValueData* CEntryData::FirstValue() const {
    return dynamic_cast<CValueData*>(FirstChild());
}

CValueData* CEntryData::LastValue() const {
    return dynamic_cast<CValueData*>(LastChild());
}

CValueData* CEntryData::AppendValue(const QString& code, const QString& name,
                                    CValueData* pLastHint) {
    return static_cast<CValueData*>(
        AppendChild(std::make_unique<CValueData>(code, name), pLastHint));
}

CValueData* CEntryData::FindValue(const QString& code) const {
    for (CBaseData* p = FirstChild(); p; p = p->Next()) {
        auto* pValue = dynamic_cast<CValueData*>(p);
        if (pValue && pValue->m_strCode == code)
            return pValue;
    }
    return nullptr;
}
