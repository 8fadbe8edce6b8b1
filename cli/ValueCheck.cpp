#include "cli/ValueCheck.h"

#include "ini/IniData.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectIndex.h"
#include "valuelist/RuleCheck.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueData.h"

namespace {

using Problem = ValueMismatch::Problem;

void AddAllowedValues(const CEntryData& entry, ValueMismatch& mismatch) {
    for (const CValueData* value = entry.FirstValue(); value; value = value->NextValue()) {
        mismatch.allowed.append(value->m_strCode);
        mismatch.labels.append(value->m_strName);
    }
}

// The mismatch one described entry's value makes; false when the value keeps the rules.
bool Judge(const CEntryData& described, const QString& value, ValueMismatch& m) {
    switch (CRuleCheck::Check(described, value)) {
    case EValueProblem::None:
        return false;
    case EValueProblem::NotAdmissible:
        m.problem = Problem::Value;
        AddAllowedValues(described, m);
        break;
    case EValueProblem::WrongType:
        m.problem = Problem::Type;
        m.type = CEntryRule::TypeName(CRuleCheck::EffectiveType(described));
        break;
    case EValueProblem::OutOfRange:
        m.problem = Problem::Range;
        m.min = described.m_rule.m_min;
        m.max = described.m_rule.m_max;
        break;
    }
    return true;
}

void AddMissingRequired(const CIniData& ini, const CProjectData& project,
                        std::vector<ValueMismatch>& mismatches) {
    for (const CSectionData* s = project.FirstSection(); s; s = s->NextSection()) {
        for (const CEntryData* e = s->FirstEntry(); e; e = e->NextEntry()) {
            if (!e->m_rule.m_bRequired)
                continue;
            const CIniSectionData* section = ini.FindSection(s->m_strCode, false);
            if (section && section->FindEntry(e->m_strCode, false))
                continue;
            ValueMismatch m;
            m.problem = Problem::Missing;
            m.section = s->m_strCode;
            m.key = e->m_strCode;
            m.defaultValue = e->m_rule.m_default;
            mismatches.push_back(m);
        }
    }
}

} // namespace

const char* ValueMismatch::ProblemName(Problem problem) {
    switch (problem) {
    case Problem::Value:
        return "value";
    case Problem::Type:
        return "type";
    case Problem::Range:
        return "range";
    case Problem::Missing:
        return "missing";
    case Problem::Unknown:
        return "unknown";
    }
    return "";
}

std::vector<ValueMismatch> FindInadmissibleValues(const CIniData& ini,
                                                  const CProjectData& project) {
    std::vector<ValueMismatch> mismatches;
    const CProjectIndex index(project);
    const bool reportUnknown = project.m_bReportUnknownKeys;
    for (const auto& section : ini.m_sections) {
        CProjectIndex::Cursor entries(index.EntriesOf(section->m_name));
        if (!entries.Section() && !reportUnknown)
            continue;
        for (const auto& entry : section->m_entries) {
            const CEntryData* described = entries.Find(entry->KeyView());
            ValueMismatch m;
            if (described ? !Judge(*described, entry->Value(), m) : !reportUnknown)
                continue;
            if (!described)
                m.problem = Problem::Unknown;
            m.section = section->m_name;
            m.key = entry->Key();
            m.value = entry->Value();
            mismatches.push_back(std::move(m));
        }
    }
    AddMissingRequired(ini, project, mismatches);
    return mismatches;
}
