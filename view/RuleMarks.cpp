#include "view/RuleMarks.h"

#include "ini/IniData.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/RuleCheck.h"
#include "valuelist/SectionData.h"

CRuleMarks::CRuleMarks(const CProjectData& project)
    : m_project(project), m_index(project), m_bHasRules(project.HasRules()) {}

const CEntryData* CRuleMarks::Describe(const CIniEntryData& entry) const {
    const QString& section = entry.m_pSection->m_name;
    // The kept copy shares the name's buffer, which cannot go while it is kept: the same
    // buffer is the same name. Otherwise compared as stored, not folded: another spelling of
    // the name only costs a lookup.
    const bool same = m_bLastLookedUp && (section.constData() == m_lastSection.constData()
                                              ? section.size() == m_lastSection.size()
                                              : section == m_lastSection);
    if (!same) {
        m_bLastLookedUp = true;
        m_lastSection = section;
        m_lastEntries = CProjectIndex::Cursor(m_index.EntriesOf(section));
    }
    return m_lastEntries.Find(entry.KeyView());
}

QString CRuleMarks::Breach(const CIniEntryData& entry) const {
    const CEntryData* described = Describe(entry);
    if (!described || described->m_rule.m_type == EValueType::Unset)
        return {};
    return CRuleCheck::Reason(*described, CRuleCheck::Check(*described, entry.Value()));
}

bool CRuleMarks::IsUnknown(const CIniEntryData& entry) const {
    return m_project.m_bReportUnknownKeys && !Describe(entry);
}

QString CRuleMarks::KeyTip(const CIniEntryData& entry) const {
    if (IsUnknown(entry))
        return QStringLiteral("値リストにないキーです");
    const CEntryData* described = Describe(entry);
    return described ? described->m_rule.m_strDescription : QString();
}

bool CRuleMarks::HasDefault(const CIniEntryData& entry) const {
    const CEntryData* described = Describe(entry);
    return described && described->m_rule.m_default.has_value();
}

bool CRuleMarks::IsDefault(const CIniEntryData& entry) const {
    const CEntryData* described = Describe(entry);
    return described && CRuleCheck::IsDefault(*described, entry.ValueView());
}

QString CRuleMarks::DefaultOf(const CIniEntryData& entry) const {
    const CEntryData* described = Describe(entry);
    return described ? described->m_rule.m_default.value_or(QString()) : QString();
}

std::vector<CMissingRequired> CRuleMarks::MissingRequired(const CIniData& ini) const {
    std::vector<CMissingRequired> missing;
    for (const CSectionData* s = m_project.FirstSection(); s; s = s->NextSection()) {
        for (const CEntryData* e = s->FirstEntry(); e; e = e->NextEntry()) {
            if (!e->m_rule.m_bRequired)
                continue;
            const CIniSectionData* section = ini.FindSection(s->m_strCode, false);
            if (!section || !section->FindEntry(e->m_strCode, false))
                missing.push_back({s->m_strCode, e->m_strCode, e->m_rule.m_default.value_or("")});
        }
    }
    return missing;
}
