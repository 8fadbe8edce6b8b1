#include "compare/RowRules.h"

#include "compare/CompareResult.h"
#include "ini/IniEntryData.h"
#include "ini/IniSectionData.h"

namespace {

bool RawDiffers(const COMPARE_REULT& row, const CRowRules& rules) {
    if (row.pSection1 == nullptr || row.pSection2 == nullptr)
        return true;
    if ((row.pEntry1 == nullptr) != (row.pEntry2 == nullptr))
        return true;
    return row.pEntry1 && !rules.ValuesEqual(row.pEntry1->m_value, row.pEntry2->m_value);
}

} // namespace

bool CRowRules::ValuesEqual(const QString& a, const QString& b) const {
    return ignoreValueCase ? a.compare(b, Qt::CaseInsensitive) == 0 : a == b;
}

RowState CRowRules::StateOf(const COMPARE_REULT& row) const {
    if (!RawDiffers(row, *this))
        return RowState::Same;
    if (ignore.IsEmpty())
        return RowState::Differs;
    const CIniSectionData* section = row.pSection1 ? row.pSection1 : row.pSection2;
    const CIniEntryData* entry = row.pEntry1 ? row.pEntry1 : row.pEntry2;
    const QString key = entry ? entry->m_key : QString();
    return ignore.Matches(section ? section->m_name : QString(), key) ? RowState::Ignored
                                                                      : RowState::Differs;
}
