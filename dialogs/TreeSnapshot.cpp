#include "dialogs/TreeSnapshot.h"

#include "dialogs/TreeEdit.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"

namespace {

QString RuleText(const CEntryRule& rule) {
    const auto bound = [](const std::optional<double>& b) {
        return b ? QString::number(*b, 'g', 17) : QString();
    };
    return CEntryRule::TypeName(rule.m_type) + QChar(5) + bound(rule.m_min) + QChar(5) +
           bound(rule.m_max) + QChar(5) + (rule.m_default ? u'=' + *rule.m_default : QString()) +
           QChar(5) + (rule.m_bRequired ? u'!' : u' ') + rule.m_strDescription;
}

void AppendTree(const CBaseData* p, QString& text) {
    for (; p; p = p->Next()) {
        text += QChar(1) + CTreeEdit::CodeOf(p) + QChar(2) + p->m_strName + QChar(3);
        if (const auto* pEntry = dynamic_cast<const CEntryData*>(p))
            text += RuleText(pEntry->m_rule) + QChar(3);
        AppendTree(p->FirstChild(), text);
        text += QChar(4);
    }
}

} // namespace

QString CTreeSnapshot::Of(const CProjectData& project) {
    QString text = project.m_bReportUnknownKeys ? QStringLiteral("?") : QString();
    AppendTree(project.FirstChild(), text);
    return text;
}
