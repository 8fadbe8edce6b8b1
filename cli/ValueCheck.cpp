#include "cli/ValueCheck.h"

#include "ini/IniData.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ValueData.h"

namespace {

void AddAllowedValues(const CEntryData& entry, ValueMismatch& mismatch) {
    for (const CValueData* value = entry.FirstValue(); value; value = value->NextValue()) {
        mismatch.allowed.append(value->m_strCode);
        mismatch.labels.append(value->m_strName);
    }
}

} // namespace

std::vector<ValueMismatch> FindInadmissibleValues(const CIniData& ini,
                                                  const CProjectData& project) {
    std::vector<ValueMismatch> mismatches;
    for (const auto& section : ini.m_sections) {
        for (const auto& entry : section->m_entries) {
            const CEntryData* described = project.FindEntry(section->m_name, entry->m_key);
            if (!described || !described->FirstValue() || described->FindValue(entry->m_value))
                continue;
            ValueMismatch& m = mismatches.emplace_back();
            m.section = section->m_name;
            m.key = entry->m_key;
            m.value = entry->m_value;
            AddAllowedValues(*described, m);
        }
    }
    return mismatches;
}
