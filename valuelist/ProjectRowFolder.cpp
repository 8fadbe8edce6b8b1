#include "valuelist/ProjectRowFolder.h"

#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueData.h"

CProjectRowFolder::CProjectRowFolder(CProjectData* pProject) : m_pProject(pProject) {}

bool CProjectRowFolder::EqualKeys(QStringView a, QStringView b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t ca = a[i].unicode();
        char16_t cb = b[i].unicode();
        if (ca >= u'A' && ca <= u'Z')
            ca += u'a' - u'A';
        if (cb >= u'A' && cb <= u'Z')
            cb += u'a' - u'A';
        if (ca != cb)
            return false;
    }
    return true;
}

void CProjectRowFolder::AddRow(const Row& row) {
    if (!m_pSection || !EqualKeys(m_pSection->m_strCode, row.sectionCode)) {
        m_pSection = m_pProject->AppendSection(row.sectionCode.toString(),
                                               row.sectionName.toString(), m_pSection);
        m_pEntry = nullptr;
        m_pValue = nullptr;
    }
    if (!row.bHasEntry)
        return;
    if (!m_pEntry || !EqualKeys(m_pEntry->m_strCode, row.entryCode)) {
        m_pEntry =
            m_pSection->AppendEntry(row.entryCode.toString(), row.entryName.toString(), m_pEntry);
        m_pValue = nullptr;
    }
    if (!row.bHasValue)
        return;
    // A value repeated on consecutive rows is one value (values compare with case).
    if (m_pValue && m_pValue->m_strCode == row.valueCode)
        return;
    m_pValue = m_pEntry->AppendValue(row.valueCode.toString(), row.valueName.toString(), m_pValue);
}
