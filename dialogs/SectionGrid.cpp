#include "dialogs/SectionGrid.h"

#include "dialogs/EntryGrid.h"
#include "dialogs/RedrawOff.h"
#include "dialogs/TreeEditHistory.h"
#include "dialogs/ValueGrid.h"
#include "grid/ListCtrlEx.h"
#include "valuelist/ProjectData.h"
#include "valuelist/SectionData.h"

CSectionGrid::CSectionGrid(Pelmo::CListCtrlEx* pGrid, CEntryGrid* pEntries)
    : CCodeGrid(pGrid, QStringLiteral("セクション")), m_pEntries(pEntries) {
    m_pGrid->SetAppendRow(true);
}

void CSectionGrid::Fill(CProjectData* pProject) {
    m_pProject = pProject;
    CRedrawOff redrawOff{m_pGrid};
    for (CSectionData* p = m_pProject->FirstSection(); p; p = p->NextSection())
        AddRow(m_pGrid->GetItemCount(), p, p->m_strCode, p->m_strName);
}

void CSectionGrid::Refill() {
    Empty();
    Fill(m_pProject);
}

void CSectionGrid::Empty() {
    m_pCurrent = nullptr;
    m_pEntries->Clear();
    m_pGrid->DeleteAllItems();
}

CSectionData* CSectionGrid::SectionAt(int nRow) const {
    return static_cast<CSectionData*>(RecordAt<CBaseData>(nRow));
}

CSectionData* CSectionGrid::CurrentRowSection() const {
    return SectionAt(CurrentRow());
}

bool CSectionGrid::Select(CSectionData* pSection, int nCol, bool bFocus, bool bReload) {
    const int row = RowOf(pSection);
    if (row < 0)
        return false;
    int curCol = -1;
    const int curRow = CurrentRow(&curCol);
    if (curRow >= 0) {
        m_pGrid->SetCurrentCell(row, nCol == -1 ? curCol : nCol, true, false);
        if (row != curRow || bReload)
            m_pEntries->Load(pSection);
    } else {
        m_pGrid->SetCurrentCell(row, nCol == -1 ? kCodeColumn : nCol, true, false);
        m_pEntries->Load(pSection);
    }
    m_pCurrent = pSection;
    if (bFocus)
        m_pGrid->setFocus(Qt::OtherFocusReason);
    return true;
}

CBaseData* CSectionGrid::AppendRecord(const QString& code) {
    return m_pProject->AppendSection(code, QString());
}

QString CSectionGrid::RefusalOf(const QString& code) const {
    // "[a]b]" would be read back as the section "a".
    return code.contains(u']') ? QStringLiteral("INI ファイルのセクション名には「]」を書けません")
                               : QString();
}

void CSectionGrid::ShowRecord(CBaseData* pRecord, int nCol, bool bFocus) {
    Select(static_cast<CSectionData*>(pRecord), nCol, bFocus, true);
}

void CSectionGrid::OnRowChanged(int nRow) {
    if (IsAppendRow(nRow)) {
        if (!m_pCurrent)
            return;
        m_pCurrent = nullptr;
        m_pEntries->Clear();
        return;
    }
    CSectionData* pSection = SectionAt(nRow);
    if (pSection && pSection != m_pCurrent)
        Select(pSection, -1, false, true);
}

void CSectionGrid::OnDelete(int nRow, bool bByKey) {
    CSectionData* pSection = SectionAt(nRow);
    if (!pSection)
        return;
    const QString holding =
        pSection->FirstEntry()
            ? QStringLiteral("セクション「%1」を、エントリ %2 個とその値も含めて削除しますか？")
                  .arg(pSection->m_strCode)
                  .arg(pSection->ChildCount())
            : QString();
    if (!ConfirmDelete(holding,
                       QStringLiteral("セクション「%1」を削除しますか？").arg(pSection->m_strCode),
                       bByKey))
        return;
    if (pSection != m_pCurrent) {
        m_pHistory->Remove(pSection);
        m_pGrid->DeleteItem(nRow);
        return;
    }
    CRedrawOff redrawOff{m_pGrid, m_pEntries->Grid(), m_pEntries->Values()->Grid()};
    // Nothing may point at the records about to go.
    m_pEntries->Clear();
    m_pCurrent = nullptr;
    m_pHistory->Remove(pSection);
    m_pGrid->DeleteItem(nRow);
    ShowRowAfterDelete(nRow);
}
