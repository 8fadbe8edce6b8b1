#include "valuelist/SectionData.h"

#include "valuelist/EntryData.h"
#include "valuelist/TypedChildren.h"

namespace {
using Entries = CTypedChildren<CEntryData>;
} // namespace

CSectionData::CSectionData() = default;

CSectionData::CSectionData(const QString& code, const QString& name) : m_strCode(code) {
    m_strName = name;
}

CSectionData::~CSectionData() = default;

CSectionData* CSectionData::NextSection() const {
    return dynamic_cast<CSectionData*>(Next());
}

CEntryData* CSectionData::FirstEntry() const {
    return Entries::First(*this);
}

CEntryData* CSectionData::LastEntry() const {
    return Entries::Last(*this);
}

CEntryData* CSectionData::AppendEntry(const QString& code, const QString& name,
                                      CEntryData* pLastHint) {
    return Entries::Append(*this, code, name, pLastHint);
}

CEntryData* CSectionData::FindEntry(const QString& code) const {
    return Entries::Find(*this, code, Entries::Match::NoCase);
}
