#include "view/DetachedRecords.h"

#include "compare/CompareResult.h"
#include "ini/IniSectionData.h"

CDetachedRecords::CDetachedRecords() = default;

CDetachedRecords::~CDetachedRecords() = default;

void CDetachedRecords::Clear() {
    std::get<PoolOf<COMPARE_REULT>>(m_pools).clear();
    std::get<PoolOf<CIniEntryData>>(m_pools).clear();
    std::get<PoolOf<CIniSectionData>>(m_pools).clear();
}
