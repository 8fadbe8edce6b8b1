#include "cli/ValueCheck.h"

#include "ini/IniData.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ValueData.h"

namespace {

QStringList AllowedValues(const CEntryData& entry) {
    QStringList allowed;
    for (const CValueData* value = entry.FirstValue(); value; value = value->NextValue())
        allowed.append(value->m_strCode);
    return allowed;
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
            mismatches.push_back(
                {section->m_name, entry->m_key, entry->m_value, AllowedValues(*described)});
        }
    }
    return mismatches;
}
