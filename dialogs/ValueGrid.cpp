#include "dialogs/ValueGrid.h"

#include "dialogs/EntryGrid.h"
#include "dialogs/TreeEditHistory.h"
#include "grid/ListCtrlEx.h"
#include "platform/InputText.h"
#include "valuelist/EntryData.h"
#include "valuelist/ValueData.h"

#include <QKeyEvent>

#include <utility>

using Pelmo::GRIDNOTIFY;

namespace {

constexpr int kTabMoveValues = 0x211;
constexpr int kKeyTab = 9;
constexpr int kKeyEnter = 13;
const QString kMinus = QStringLiteral("-");
const QString kPlus = QStringLiteral("+");

} // namespace

CValueGrid::CValueGrid(Pelmo::CListCtrlEx* pGrid, std::function<void(bool)> moveFocus)
    : CTreeGrid(pGrid), m_moveFocus(std::move(moveFocus)) {
    m_pGrid->InsertColumn(kInsertColumn, QString(), true, LVCFMT_CENTER, 30);
    m_pGrid->SetColumnButton(kInsertColumn);
    m_pGrid->InsertColumn(kDeleteColumn, QString(), true, LVCFMT_CENTER, 30);
    m_pGrid->SetColumnButton(kDeleteColumn);
    // The headings are empty and the buttons only signs: by ear they say what they do.
    m_pGrid->SetColumnAccessibleName(kInsertColumn, QStringLiteral("挿入"));
    m_pGrid->SetColumnAccessibleName(kDeleteColumn, QStringLiteral("削除"));
    m_pGrid->InsertColumn(kValueColumn, QStringLiteral("値"), false, LVCFMT_LEFT, 175);
    m_pGrid->InsertColumn(kNameColumn, QStringLiteral("名称"), false, LVCFMT_LEFT, 225);
    m_pGrid->SetNotifyHandler([this](const GRIDNOTIFY& n) { OnNotify(n); });
    m_pGrid->SetCaretOnShow(2);
    m_pGrid->SetKeyMoves(kTabMoveValues, -1, -1, -1, -1, -1);
    m_pGrid->SetEndEditCallback(&CValueGrid::ValueCheck, this);
    m_pGrid->SetKeyMoveCallback(&CValueGrid::ValueKeyMove, this);
    // Tab without an open editor never reaches the key-move callback.
    m_pGrid->installEventFilter(this);
}

CValueGrid::~CValueGrid() {
    m_pGrid->removeEventFilter(this);
}

int CValueGrid::AddRow(int nRow, CValueData* pValue) {
    const int row =
        m_pGrid->InsertItem(LVIF_TEXT | LVIF_PARAM, nRow, kPlus, 0, 0, quintptr(pValue), false);
    if (row < 0)
        return row;
    m_pGrid->SetItemText(row, kDeleteColumn, kMinus);
    m_pGrid->SetItemText(row, kValueColumn, pValue->m_strCode);
    m_pGrid->SetItemText(row, kNameColumn, pValue->m_strName);
    m_pGrid->SetCellReadOnly(row, kInsertColumn, false);
    m_pGrid->SetCellReadOnly(row, kDeleteColumn, false);
    return row;
}

void CValueGrid::Load(CEntryData* pEntry) {
    m_pGrid->DeleteAllItems();
    m_pGrid->SetAppendRow(true);
    for (CValueData* p = pEntry->FirstValue(); p; p = p->NextValue())
        AddRow(m_pGrid->GetItemCount(), p);
    if (m_pGrid->GetItemCount() > 0)
        m_pGrid->SetCurrentCell(0, kValueColumn, true, false);
    if (m_onShown)
        m_onShown(pEntry);
}

void CValueGrid::Clear() {
    ClearRows();
    if (m_onShown)
        m_onShown(nullptr);
}

void CValueGrid::Select(CValueData* pValue, int nCol) {
    if (!m_pEntries->Select(static_cast<CEntryData*>(pValue->m_pParent), -1, false, false))
        return;
    const int row = RowOf(pValue);
    if (row < 0)
        return;
    int curCol = -1;
    const int curRow = CurrentRow(&curCol);
    int col = nCol;
    if (col == -1)
        col = curRow >= 0 ? curCol : kValueColumn;
    m_pGrid->SetCurrentCell(row, col, true, false);
    m_pGrid->setFocus(Qt::OtherFocusReason);
}

void CValueGrid::OnNotify(const GRIDNOTIFY& n) {
    switch (n.code) {
    case Pelmo::GN_APPENDROW:
        m_pGrid->SetItemText(n.nRow, kInsertColumn, kPlus);
        m_pGrid->SetItemText(n.nRow, kDeleteColumn, kMinus);
        break;
    case Pelmo::GN_CELLCHANGED:
        OnEdited(n.nRow, n.nEvent == Pelmo::GE_APPEND_EDITED);
        break;
    case Pelmo::GN_BUTTONCLICK:
        if (n.nCol == kInsertColumn)
            OnInsert(n.nRow);
        else if (n.nCol == kDeleteColumn)
            OnDelete(n.nRow, n.nEvent == Pelmo::GE_BUTTON_SPACE);
        break;
    case Pelmo::GN_COPY:
        CopyCurrentCell(-1);
        break;
    default:
        // A paste on the values grid has nothing to go into yet: it is left alone.
        break;
    }
}

void CValueGrid::OnEdited(int nRow, bool bAppend) {
    const QString value = m_pGrid->GetItemText(nRow, kValueColumn);
    const QString name = m_pGrid->GetItemText(nRow, kNameColumn);
    if (!bAppend) {
        if (auto* pValue = RecordAt<CValueData>(nRow))
            m_pHistory->SetTexts(pValue, value, name);
        return;
    }
    CEntryData* pEntry = m_pEntries->CurrentRowEntry();
    if (!pEntry)
        return;
    CValueData* pValue = pEntry->AppendValue(value, name);
    m_pHistory->Inserted(pValue);
    m_pGrid->SetItemData(nRow, quintptr(pValue));
    m_pGrid->SetCellReadOnly(nRow, kInsertColumn, false);
    m_pGrid->SetCellReadOnly(nRow, kDeleteColumn, false);
}

void CValueGrid::OnInsert(int nRow) {
    CValueData* pBefore = RecordAt<CValueData>(nRow);
    if (!pBefore)
        return;
    CBaseData* pEntry = pBefore->m_pParent;
    auto* pValue = static_cast<CValueData*>(
        pEntry->InsertChildBefore(std::make_unique<CValueData>(), pBefore));
    if (!pValue)
        return;
    m_pHistory->Inserted(pValue);
    const int row = AddRow(nRow, pValue);
    if (row < 0)
        return;
    // The new value is typed at once, without a click into it first.
    m_pGrid->SetCurrentCell(row, kValueColumn, true, false);
    m_pGrid->setFocus(Qt::OtherFocusReason);
}

void CValueGrid::OnDelete(int nRow, bool bByKey) {
    CValueData* pValue = RecordAt<CValueData>(nRow);
    if (!pValue ||
        !ConfirmDelete({}, QStringLiteral("値「%1」を削除しますか？").arg(pValue->m_strCode),
                       bByKey))
        return;
    m_pHistory->Remove(pValue);
    m_pGrid->DeleteItem(nRow);
    int col = -1;
    const int row = RowAfterDelete(nRow, &col);
    if (row < 0)
        return;
    if (IsAppendRow(row))
        m_pGrid->SetCurrentCell(row, col == -1 ? kValueColumn : col, true, false);
    else
        Select(RecordAt<CValueData>(row), col);
}

bool CValueGrid::ValueCheck(Pelmo::CListCtrlEx*, int, int, const QString& strNew, QString* pStore,
                            void*) {
    *pStore = Text::TrimInput(strNew);
    return true;
}

bool CValueGrid::ValueKeyMove(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol, int nKey, bool bShift,
                              void* pData) {
    if (nKey == kKeyTab) {
        auto* pSelf = static_cast<CValueGrid*>(pData);
        if (!pSelf->TabToTextCell(nRow, nCol, bShift))
            pSelf->m_moveFocus(!bShift);
        return false;
    }
    if (nKey != kKeyEnter)
        return true;
    MoveAfterEnter(pGrid, nRow, nCol);
    return false;
}

void CValueGrid::MoveAfterEnter(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol) {
    if (nCol < kNameColumn)
        pGrid->SetCurrentCell(nRow, nCol + 1, true, false);
    else if (nRow + 1 < pGrid->GetItemCount())
        pGrid->SetCurrentCell(nRow + 1, kValueColumn, true, false);
}

bool CValueGrid::TabToTextCell(int nRow, int nCol, bool bBack) {
    int row = nRow;
    int col = kValueColumn;
    if (!bBack) {
        if (nCol == kValueColumn)
            col = kNameColumn;
        else if (nCol == kNameColumn)
            ++row;
    } else if (nCol == kNameColumn) {
        col = kValueColumn;
    } else {
        --row;
        col = kNameColumn;
    }
    if (row < 0 || row >= m_pGrid->GetItemCount())
        return false;
    m_pGrid->SetCurrentCell(row, col, true, false);
    return true;
}

bool CValueGrid::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched != m_pGrid || pEvent->type() != QEvent::KeyPress)
        return CTreeGrid::eventFilter(pWatched, pEvent);
    const auto* pKey = static_cast<QKeyEvent*>(pEvent);
    const bool bTab = pKey->key() == Qt::Key_Tab || pKey->key() == Qt::Key_Backtab;
    const bool bEnter = (pKey->key() == Qt::Key_Return || pKey->key() == Qt::Key_Enter) &&
                        !(pKey->modifiers() & Qt::ShiftModifier);
    if ((!bTab && !bEnter) || (pKey->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) ||
        m_pGrid->IsEditing())
        return false;
    if (bEnter) {
        // Enter without typing moves as Enter after typing does, so that what is typed next
        // lands where it would have.
        int col = -1;
        const int row = CurrentRow(&col);
        if (row >= 0 && col >= kValueColumn)
            MoveAfterEnter(m_pGrid, row, col);
        return row >= 0 && col >= kValueColumn;
    }
    const bool bBack = pKey->key() == Qt::Key_Backtab || (pKey->modifiers() & Qt::ShiftModifier);
    int col = -1;
    const int row = CurrentRow(&col);
    if (row < 0 || !TabToTextCell(row, col, bBack))
        m_moveFocus(!bBack);
    return true;
}
