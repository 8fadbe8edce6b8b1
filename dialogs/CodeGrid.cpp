#include "dialogs/CodeGrid.h"

#include "dialogs/TreeEdit.h"
#include "dialogs/TreeEditHistory.h"
#include "grid/ListCtrlEx.h"
#include "platform/InputText.h"
#include "platform/ui/MessageBox.h"
#include "valuelist/BaseData.h"

#include <QTimer>

#include <utility>

using Pelmo::GRIDNOTIFY;

namespace {

constexpr int kTabMoveCodes = 4;
constexpr int kKeyEnter = 13;
const QString kMinus = QStringLiteral("-");

// The first line of a clipboard text, trimmed: what a paste puts into one cell.
QString FirstLine(const QString& text) {
    QString line = text;
    const qsizetype cr = line.indexOf(u'\r');
    if (cr >= 0)
        line.truncate(cr);
    const qsizetype lf = line.indexOf(u'\n');
    if (lf >= 0)
        line.truncate(lf);
    return Text::TrimInput(line);
}

} // namespace

CCodeGrid::CCodeGrid(Pelmo::CListCtrlEx* pGrid, const QString& title) : CTreeGrid(pGrid) {
    m_pGrid->InsertColumn(kDeleteColumn, QString(), true, LVCFMT_CENTER, 30);
    m_pGrid->SetColumnButton(kDeleteColumn);
    m_pGrid->InsertColumn(kCodeColumn, title, false, LVCFMT_LEFT, 125);
    m_pGrid->InsertColumn(kNameColumn, QStringLiteral("名称"), false, LVCFMT_LEFT, 90);
    m_pGrid->SetNotifyHandler([this](const GRIDNOTIFY& n) { OnNotify(n); });
    m_pGrid->SetCaretOnShow(2);
    m_pGrid->SetKeyMoves(kTabMoveCodes, -1, -1, -1, -1, -1);
    m_pGrid->SetEndEditCallback(&CCodeGrid::CodeCheck, this);
    m_pGrid->SetKeyMoveCallback(&CCodeGrid::CodeKeyMove, this);
}

int CCodeGrid::AddRow(int nRow, CBaseData* pRecord, const QString& code, const QString& name) {
    const int row =
        m_pGrid->InsertItem(LVIF_TEXT | LVIF_PARAM, nRow, kMinus, 0, 0, quintptr(pRecord), false);
    if (row < 0)
        return row;
    m_pGrid->SetItemText(row, kCodeColumn, code);
    m_pGrid->SetItemText(row, kNameColumn, name);
    m_pGrid->SetCellReadOnly(row, kDeleteColumn, false);
    return row;
}

void CCodeGrid::TakeFocus() {
    if (CurrentRow() < 0 && m_pGrid->GetItemCount() > 0) {
        if (CBaseData* pFirst = RecordAt<CBaseData>(0))
            ShowRecord(pFirst, kCodeColumn, false);
        else
            m_pGrid->SetCurrentCell(0, kCodeColumn, true, false);
    }
    m_pGrid->setFocus(Qt::TabFocusReason);
}

void CCodeGrid::ShowRowAfterDelete(int nDeleted) {
    int col = -1;
    const int row = RowAfterDelete(nDeleted, &col);
    if (row < 0)
        return;
    if (IsAppendRow(row))
        m_pGrid->SetCurrentCell(row, col == -1 ? kCodeColumn : col, true, false);
    else
        ShowRecord(RecordAt<CBaseData>(row), col, true);
}

void CCodeGrid::OnNotify(const GRIDNOTIFY& n) {
    switch (n.code) {
    case Pelmo::GN_APPENDROW:
        m_pGrid->SetItemText(n.nRow, kDeleteColumn, kMinus);
        break;
    case Pelmo::GN_CURCELLCHANGED:
        OnRowChanged(n.nRow);
        break;
    case Pelmo::GN_CELLCHANGED:
        OnEdited(n.nRow, n.nEvent == Pelmo::GE_APPEND_EDITED);
        break;
    case Pelmo::GN_BUTTONCLICK:
        if (n.nCol == kDeleteColumn)
            OnDelete(n.nRow, n.nEvent == Pelmo::GE_BUTTON_SPACE);
        break;
    case Pelmo::GN_COPY:
        CopyCurrentCell(kCodeColumn);
        break;
    case Pelmo::GN_PASTE:
        OnPaste(static_cast<const Pelmo::GRIDPASTENOTIFY&>(n).strText);
        break;
    default:
        break;
    }
}

void CCodeGrid::OnEdited(int nRow, bool bAppend) {
    const QString code = m_pGrid->GetItemText(nRow, kCodeColumn);
    const QString name = m_pGrid->GetItemText(nRow, kNameColumn);
    if (!bAppend) {
        if (CBaseData* pRecord = RecordAt<CBaseData>(nRow))
            m_pHistory->SetTexts(pRecord, code, name);
        return;
    }
    CBaseData* pRecord = AppendRecord(code);
    if (!pRecord)
        return;
    m_pHistory->Inserted(pRecord);
    m_pGrid->SetItemData(nRow, quintptr(pRecord));
    m_pGrid->SetCellReadOnly(nRow, kDeleteColumn, false);
    ShowRecord(pRecord, kCodeColumn, false);
    MarkJustAppended(pRecord);
}

void CCodeGrid::OnPaste(const QString& text) {
    int col = -1;
    const int row = CurrentRow(&col);
    if (row < 0 || col != kCodeColumn)
        return;
    QString code;
    if (!AcceptCode(FirstLine(text), &code))
        return;
    if (!IsAppendRow(row)) {
        if (CBaseData* pRecord = RecordAt<CBaseData>(row)) {
            m_pHistory->SetTexts(pRecord, code, pRecord->m_strName);
            m_pGrid->SetItemText(row, kCodeColumn, code);
        }
        return;
    }
    CBaseData* pRecord = AppendRecord(code);
    if (!pRecord)
        return;
    m_pHistory->Inserted(pRecord);
    const int newRow = AddRow(row, pRecord, code, QString());
    m_pGrid->SetCurrentCell(newRow, kCodeColumn, true, false);
    ShowRecord(pRecord, kCodeColumn, false);
}

void CCodeGrid::MarkJustAppended(const void* pRecord) {
    m_pJustAppended = pRecord;
    // A commit by a click has no key to follow it: the mark must not outlive this event.
    QTimer::singleShot(0, this, [this] { m_pJustAppended = nullptr; });
}

bool CCodeGrid::AcceptCode(const QString& text, QString* pStore) {
    if (text.isEmpty())
        return false;
    const QString refusal = RefusalOf(text);
    if (refusal.isEmpty()) {
        *pStore = text;
        return true;
    }
    // Not from inside the grid's end of the edit: the box takes the focus from its editor.
    QTimer::singleShot(0, this, [this, refusal] {
        Ui::MessageBox(m_pGrid->window(), refusal, QStringLiteral("Quillet"),
                       Ui::MB_OK | Ui::MB_ICONWARNING);
    });
    return false;
}

bool CCodeGrid::CodeCheck(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol, const QString& strNew,
                          QString* pStore, void* pData) {
    auto* pSelf = static_cast<CCodeGrid*>(pData);
    const QString text = Text::TrimInput(strNew);
    if (nCol != kNameColumn)
        return pSelf->AcceptCode(text, pStore);
    // A display name alone makes no record: a record needs its code first.
    if (pGrid->GetItemText(nRow, kCodeColumn).isEmpty())
        return false;
    *pStore = text;
    return true;
}

bool CCodeGrid::CodeKeyMove(Pelmo::CListCtrlEx* pGrid, int nRow, int, int nKey, bool, void* pData) {
    auto* pSelf = static_cast<CCodeGrid*>(pData);
    const void* pAppended = std::exchange(pSelf->m_pJustAppended, nullptr);
    // Enter that made a record of the append row keeps it current, with its empty entries or
    // values beside it; moving on to the next append row would hide them.
    return !(nKey == kKeyEnter && pAppended && pGrid->GetItemData(nRow) == quintptr(pAppended));
}
