#include "dialogs/TreeGrid.h"

#include "grid/ListCtrlEx.h"
#include "platform/ui/MessageBox.h"

#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>

namespace {
constexpr int kAppendRowState = 3; // GetEditState of the append row
}

CTreeGrid::CTreeGrid(Pelmo::CListCtrlEx* pGrid) : m_pGrid(pGrid) {}

CTreeGrid::~CTreeGrid() {
    // The grid outlives this object among the dialog's children: it must not call back.
    m_pGrid->SetNotifyHandler({});
    m_pGrid->SetEndEditCallback(nullptr, nullptr);
    m_pGrid->SetKeyMoveCallback(nullptr, nullptr);
}

bool CTreeGrid::IsAppendRow(int nRow) const {
    return m_pGrid->GetEditState(nRow) == kAppendRowState;
}

void* CTreeGrid::DataAt(int nRow) const {
    if (nRow < 0 || nRow >= m_pGrid->GetItemCount() || IsAppendRow(nRow))
        return nullptr;
    return reinterpret_cast<void*>(m_pGrid->GetItemData(nRow));
}

int CTreeGrid::RowOf(const void* pRecord) const {
    if (!pRecord)
        return -1;
    for (int row = 0; row < m_pGrid->GetItemCount(); ++row) {
        if (!IsAppendRow(row) && m_pGrid->GetItemData(row) == quintptr(pRecord))
            return row;
    }
    return -1;
}

int CTreeGrid::CurrentRow(int* pCol) const {
    int row = -1;
    int col = -1;
    if (!m_pGrid->GetCurrentCell(&row, &col, false))
        return -1;
    if (pCol)
        *pCol = col;
    return row;
}

void CTreeGrid::ClearRows() {
    m_pGrid->SetAppendRow(false);
    m_pGrid->DeleteAllItems();
}

int CTreeGrid::RowAfterDelete(int nDeleted, int* pCol) const {
    int col = -1;
    int row = CurrentRow(&col);
    if (row < 0) {
        // The current row went with the deleted one: its place is taken by the next row.
        row = std::min(nDeleted, m_pGrid->GetItemCount() - 1);
        col = -1;
    }
    *pCol = col;
    return row;
}

void CTreeGrid::CopyCurrentCell(int nOnlyColumn) const {
    int col = -1;
    const int row = CurrentRow(&col);
    if (row < 0 || (nOnlyColumn >= 0 && col != nOnlyColumn))
        return;
    const QString text = m_pGrid->GetItemText(row, col);
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

bool CTreeGrid::ConfirmDelete(const QString& holding, const QString& alone, bool bByKey) const {
    const QString question = !holding.isEmpty() ? holding : bByKey ? alone : QString();
    return question.isEmpty() ||
           Ui::MessageBox(m_pGrid->window(), question, QStringLiteral("Quillet"),
                          Ui::MB_YESNO | Ui::MB_ICONQUESTION) == Ui::IDYES;
}
