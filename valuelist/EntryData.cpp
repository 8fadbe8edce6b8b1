#include "valuelist/EntryData.h"

#include "valuelist/TypedChildren.h"
#include "valuelist/ValueData.h"

namespace {
using Values = CTypedChildren<CValueData>;
} // namespace

CEntryData::CEntryData() = default;

CEntryData::CEntryData(const QString& code, const QString& name) : m_strCode(code) {
    m_strName = name;
}

CEntryData::~CEntryData() = default;

CEntryData* CEntryData::NextEntry() const {
    return dynamic_cast<CEntryData*>(Next());
}

CValueData* CEntryData::FirstValue() const {
    return Values::First(*this);
}

CValueData* CEntryData::LastValue() const {
    return Values::Last(*this);
}

CValueData* CEntryData::AppendValue(const QString& code, const QString& name,
                                    CValueData* pLastHint) {
    return Values::Append(*this, code, name, pLastHint);
}

CValueData* CEntryData::FindValue(const QString& code) const {
    return Values::Find(*this, code, Values::Match::Exact);
}
