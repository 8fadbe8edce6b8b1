#include "dialogs/TreeEdit.h"

#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueData.h"

CTreeEdit::CTreeEdit(Kind kind, CBaseData* pRecord)
    : m_kind(kind), m_pRecord(pRecord), m_pParent(pRecord->m_pParent) {}

std::unique_ptr<CTreeEdit> CTreeEdit::Texts(CBaseData* pRecord, const QString& code,
                                            const QString& name) {
    std::unique_ptr<CTreeEdit> pEdit(new CTreeEdit(Kind::Texts, pRecord));
    pEdit->m_code[0] = CodeOf(pRecord);
    pEdit->m_name[0] = pRecord->m_strName;
    pEdit->m_code[1] = code;
    pEdit->m_name[1] = name;
    return pEdit;
}

std::unique_ptr<CTreeEdit> CTreeEdit::Rule(CEntryData* pEntry, const CEntryRule& rule) {
    std::unique_ptr<CTreeEdit> pEdit(new CTreeEdit(Kind::Rule, pEntry));
    pEdit->m_rule[0] = pEntry->m_rule;
    pEdit->m_rule[1] = rule;
    return pEdit;
}

std::unique_ptr<CTreeEdit> CTreeEdit::UnknownKeySwitch(CProjectData* pProject, bool bOn) {
    std::unique_ptr<CTreeEdit> pEdit(new CTreeEdit(Kind::Switch, pProject));
    pEdit->m_bSwitch[0] = pProject->m_bReportUnknownKeys;
    pEdit->m_bSwitch[1] = bOn;
    return pEdit;
}

std::unique_ptr<CTreeEdit> CTreeEdit::Insertion(CBaseData* pRecord) {
    return std::unique_ptr<CTreeEdit>(new CTreeEdit(Kind::Insertion, pRecord));
}

std::unique_ptr<CTreeEdit> CTreeEdit::Removal(CBaseData* pRecord) {
    return std::unique_ptr<CTreeEdit>(new CTreeEdit(Kind::Removal, pRecord));
}

void CTreeEdit::undo() {
    if (m_kind == Kind::Texts || m_kind == Kind::Rule || m_kind == Kind::Switch)
        Apply(0);
    else if (m_kind == Kind::Insertion)
        Detach();
    else
        Attach();
}

void CTreeEdit::redo() {
    if (m_kind == Kind::Texts || m_kind == Kind::Rule || m_kind == Kind::Switch)
        Apply(1);
    else if (m_kind == Kind::Insertion)
        Attach();
    else
        Detach();
}

void CTreeEdit::Apply(int nWhich) {
    if (m_kind == Kind::Texts) {
        ApplyTexts(nWhich);
    } else if (m_kind == Kind::Rule) {
        static_cast<CEntryData*>(m_pRecord)->m_rule = m_rule[nWhich];
        m_pShown = m_pRecord;
    } else {
        // The switch belongs to no row: the grids show their first rows again.
        static_cast<CProjectData*>(m_pRecord)->m_bReportUnknownKeys = m_bSwitch[nWhich];
        m_pShown = nullptr;
    }
}

void CTreeEdit::ApplyTexts(int nWhich) {
    SetCode(m_pRecord, m_code[nWhich]);
    m_pRecord->m_strName = m_name[nWhich];
    m_pShown = m_pRecord;
}

void CTreeEdit::Attach() {
    // An insertion's first redo finds its record in the tree already.
    if (m_pDetached)
        m_pParent->InsertChildBefore(std::move(m_pDetached), m_pNext);
    m_pShown = m_pRecord;
}

void CTreeEdit::Detach() {
    m_pNext = m_pRecord->Next();
    m_pShown = m_pNext ? m_pNext : m_pRecord->m_pPrev;
    if (!m_pShown && !dynamic_cast<CProjectData*>(m_pParent))
        m_pShown = m_pParent;
    m_pDetached = m_pParent->DetachChild(m_pRecord);
}

QString CTreeEdit::CodeOf(const CBaseData* pRecord) {
    if (const auto* pValue = dynamic_cast<const CValueData*>(pRecord))
        return pValue->m_strCode;
    if (const auto* pEntry = dynamic_cast<const CEntryData*>(pRecord))
        return pEntry->m_strCode;
    if (const auto* pSection = dynamic_cast<const CSectionData*>(pRecord))
        return pSection->m_strCode;
    return {};
}

void CTreeEdit::SetCode(CBaseData* pRecord, const QString& code) {
    if (auto* pValue = dynamic_cast<CValueData*>(pRecord))
        pValue->m_strCode = code;
    else if (auto* pEntry = dynamic_cast<CEntryData*>(pRecord))
        pEntry->m_strCode = code;
    else if (auto* pSection = dynamic_cast<CSectionData*>(pRecord))
        pSection->m_strCode = code;
}
