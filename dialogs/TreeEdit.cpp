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

std::unique_ptr<CTreeEdit> CTreeEdit::Insertion(CBaseData* pRecord) {
    return std::unique_ptr<CTreeEdit>(new CTreeEdit(Kind::Insertion, pRecord));
}

std::unique_ptr<CTreeEdit> CTreeEdit::Removal(CBaseData* pRecord) {
    return std::unique_ptr<CTreeEdit>(new CTreeEdit(Kind::Removal, pRecord));
}

void CTreeEdit::undo() {
    if (m_kind == Kind::Texts)
        ApplyTexts(0);
    else if (m_kind == Kind::Insertion)
        Detach();
    else
        Attach();
}

void CTreeEdit::redo() {
    if (m_kind == Kind::Texts)
        ApplyTexts(1);
    else if (m_kind == Kind::Insertion)
        Attach();
    else
        Detach();
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
