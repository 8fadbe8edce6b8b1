#pragma once

#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/RuleCheck.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueData.h"

#include "QStringPrinter.h"

#include <QStringList>

// An entry's rule as one line; only entries that have one get it, so trees without rules dump
// as they always did.
inline QString DumpRule(const CEntryRule& rule) {
    const auto bound = [](const std::optional<double>& b) {
        return b ? CRuleCheck::BoundText(*b) : QStringLiteral("-");
    };
    return "   R[" + CEntryRule::TypeName(rule.m_type) + "][" + bound(rule.m_min) + ".." +
           bound(rule.m_max) + "][" + (rule.m_default ? "=" + *rule.m_default : "-") + "][" +
           (rule.m_bRequired ? "required" : "") + "][" + rule.m_strDescription + "]";
}

// A value-list tree as lines of text, so two trees compare with one assertion and a failure
// shows where they part.
inline QStringList DumpTree(const CProjectData& project) {
    QStringList lines{"P[" + project.m_strName + "]"};
    if (project.m_bReportUnknownKeys)
        lines << " reportUnknownKeys";
    for (CSectionData* s = project.FirstSection(); s; s = s->NextSection()) {
        lines << " S[" + s->m_strCode + "][" + s->m_strName + "]";
        for (CEntryData* e = s->FirstEntry(); e; e = e->NextEntry()) {
            lines << "  E[" + e->m_strCode + "][" + e->m_strName + "]";
            if (!e->m_rule.IsEmpty())
                lines << DumpRule(e->m_rule);
            for (CValueData* v = e->FirstValue(); v; v = v->NextValue())
                lines << "   V[" + v->m_strCode + "][" + v->m_strName + "]";
        }
    }
    return lines;
}
