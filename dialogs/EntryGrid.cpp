#include "dialogs/EntryGrid.h"

#include "dialogs/RedrawOff.h"
#include "dialogs/SectionGrid.h"
#include "dialogs/TreeEditHistory.h"
#include "dialogs/ValueGrid.h"
#include "grid/ListCtrlEx.h"
#include "valuelist/EntryData.h"
#include "valuelist/SectionData.h"

CEntryGrid::CEntryGrid(Pelmo::CListCtrlEx* pGrid, CValueGrid* pValues)
    : CCodeGrid(pGrid, QStringLiteral("エントリ")), m_pValues(pValues) {}

CEntryData* CEntryGrid::EntryAt(int nRow) const {
    return static_cast<CEntryData*>(RecordAt<CBaseData>(nRow));
}

CEntryData* CEntryGrid::CurrentRowEntry() const {
    return EntryAt(CurrentRow());
}

void CEntryGrid::Load(CSectionData* pSection) {
    m_pCurrent = nullptr;
    m_pGrid->DeleteAllItems();
    m_pGrid->SetAppendRow(true);
    for (CEntryData* p = pSection->FirstEntry(); p; p = p->NextEntry())
        AddRow(m_pGrid->GetItemCount(), p, p->m_strCode, p->m_strName);
    m_pGrid->SetCurrentCell(0, kCodeColumn, true, false);
    if (CEntryData* pFirst = EntryAt(0)) {
        Select(pFirst, -1, false, true);
    } else {
        // A section without entries shows no values, whichever entry was shown before.
        m_pValues->Clear();
    }
}

void CEntryGrid::Clear() {
    m_pValues->Clear();
    m_pCurrent = nullptr;
    ClearRows();
}

bool CEntryGrid::Select(CEntryData* pEntry, int nCol, bool bFocus, bool bReload) {
    if (!m_pSections->Select(static_cast<CSectionData*>(pEntry->m_pParent), -1, false, false))
        return false;
    const int row = RowOf(pEntry);
    if (row < 0)
        return false;
    int curCol = -1;
    const int curRow = CurrentRow(&curCol);
    if (curRow >= 0) {
        m_pGrid->SetCurrentCell(row, nCol == -1 ? curCol : nCol, true, false);
        if (row != curRow || bReload)
            m_pValues->Load(pEntry);
    } else {
        m_pGrid->SetCurrentCell(row, nCol == -1 ? kCodeColumn : nCol, true, false);
        m_pValues->Load(pEntry);
    }
    m_pCurrent = pEntry;
    if (bFocus)
        m_pGrid->setFocus(Qt::OtherFocusReason);
    return true;
}

CBaseData* CEntryGrid::AppendRecord(const QString& code) {
    CSectionData* pSection = m_pSections->CurrentRowSection();
    return pSection ? pSection->AppendEntry(code, QString()) : nullptr;
}

QString CEntryGrid::RefusalOf(const QString& code) const {
    // "a=b" would be read back as the key "a" with the value "b".
    return code.contains(u'=') ? QStringLiteral("INI ファイルのキーには「=」を書けません")
                               : QString();
}

void CEntryGrid::ShowRecord(CBaseData* pRecord, int nCol, bool bFocus) {
    Select(static_cast<CEntryData*>(pRecord), nCol, bFocus, true);
}

void CEntryGrid::OnRowChanged(int nRow) {
    if (IsAppendRow(nRow)) {
        if (!m_pCurrent)
            return;
        m_pCurrent = nullptr;
        m_pValues->Clear();
        return;
    }
    CEntryData* pEntry = EntryAt(nRow);
    if (pEntry && pEntry != m_pCurrent)
        Select(pEntry, -1, false, true);
}

void CEntryGrid::OnDelete(int nRow, bool bByKey) {
    CEntryData* pEntry = EntryAt(nRow);
    if (!pEntry)
        return;
    const QString holding = pEntry->FirstValue()
                                ? QStringLiteral("エントリ「%1」を、値 %2 個も含めて削除しますか？")
                                      .arg(pEntry->m_strCode)
                                      .arg(pEntry->ChildCount())
                                : QString();
    if (!ConfirmDelete(holding,
                       QStringLiteral("エントリ「%1」を削除しますか？").arg(pEntry->m_strCode),
                       bByKey))
        return;
    if (pEntry != m_pCurrent) {
        m_pHistory->Remove(pEntry);
        m_pGrid->DeleteItem(nRow);
        return;
    }
    CRedrawOff redrawOff{m_pValues->Grid()};
    m_pValues->Clear();
    m_pCurrent = nullptr;
    m_pHistory->Remove(pEntry);
    m_pGrid->DeleteItem(nRow);
    ShowRowAfterDelete(nRow);
}
