// In-place editing: opening the editor or the drop-down list on a cell, committing and
// cancelling, and the append row turning into an ordinary row.
#include "grid/ListCtrlBase.h"

#include "grid/EditEx.h"
#include "grid/HeaderCtrlEx.h"
#include "grid/ListBoxEx.h"
#include "grid/RowHeader.h"
#include "platform/ui/ListCtrlAccessible.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

namespace Pelmo {

bool CListCtrlBase::IsEditing() const {
    return (m_edit && m_edit->IsWindow()) || (m_listBox && m_listBox->IsWindow());
}

bool CListCtrlBase::GetEditCell(int* pRow, int* pCol) const {
    const bool editing = IsEditing();
    if (pRow)
        *pRow = editing ? m_nEditRow : -1;
    if (pCol)
        *pCol = editing ? m_nEditCol : -1;
    return editing;
}

bool CListCtrlBase::BeginEdit(int nItem, int nCol) {
    return BeginEdit(nItem, nCol, false);
}

bool CListCtrlBase::BeginEdit(int nItem, int nCol, bool bTyping) {
    if (nItem == -1 || nCol == -1) {
        if (!GetCurrentCell(&nItem, &nCol, true))
            return false;
    }
    if (IsCellReadOnly(nItem, nCol))
        return false;
    CHeaderData* data = GetHeaderDataByIndex(nCol);
    if (!data || data->m_nKind == KIND_CHECKBOX || data->m_nKind == KIND_BUTTON)
        return false;
    if (data->m_nKind == KIND_CHOICE && data->m_choices.empty() && !data->m_pfnFillChoices)
        return false;
    if (IsEditing()) {
        if (m_nEditRow == nItem && m_nEditCol == nCol)
            return true;
        // Cancelling may delete a pending row above this one: follow the row by its id.
        const unsigned id = MapIndexToId(nItem);
        CancelEdit();
        nItem = MapIdToIndex(id);
        if (nItem < 0)
            return false;
    }
    if (m_bRowSelect && (GetItemState(nItem, LVIS_SELECTED) & LVIS_SELECTED)) {
        m_nCurCol = nCol;
        SetItemState(nItem, LVIS_FOCUSED, LVIS_FOCUSED);
        ScrollCellIntoView(nItem, nCol);
        RedrawRow(nItem);
    } else {
        SetCurrentCell(nItem, nCol, true, false);
    }
    if (IsAppendRow(nItem) && !TakeAppendRow(nItem))
        return false;
    QRect rc;
    if (nCol == 0) {
        GetItemRect(nItem, &rc, LVIR_LABEL);
        rc.setLeft(rc.left() - 4);
    } else {
        GetSubItemRect(nItem, nCol, LVIR_BOUNDS, &rc);
    }
    COLORREF back = 0;
    COLORREF text = 0;
    GetCellColors(nItem, nCol, &back, &text, nullptr, nullptr);
    if (data->m_nKind == KIND_CHOICE)
        return OpenChoiceList(nItem, nCol, rc, data, text, back);
    return OpenEditBox(nItem, nCol, rc, data, text, back, bTyping);
}

bool CListCtrlBase::OpenChoiceList(int nItem, int nCol, QRect rc, CHeaderData* pData,
                                   COLORREF crText, COLORREF crBack) {
    const QString key = GetItemText(nItem, nCol);
    rc.setRight(rc.right() - 1);
    const QRect screen(viewport()->mapToGlobal(rc.topLeft()), rc.size());
    m_listBox->Create(this, GetGridFont());
    m_listBox->setAccessibleName(GetColumnAccessibleName(nCol)); // what a screen reader calls it
    if (pData->m_pfnFillChoices) {
        QStringList items;
        pData->m_pfnFillChoices(this, nItem, nCol, &items, pData->m_pFillData);
        pData->FillChoices(items);
    }
    m_listBox->ShowList(this, &pData->m_choices, screen, key, pData->m_nMaxRows, crText, crBack);
    m_nEditCol = nCol;
    m_nEditRow = nItem;
    m_openEditor = OpenEditor::ChoiceList;
    RedrawRow(nItem);
    m_listBox->show();
    return true;
}

bool CListCtrlBase::OpenEditBox(int nItem, int nCol, QRect rc, CHeaderData* pData, COLORREF crText,
                                COLORREF crBack, bool bTyping) {
    rc.adjust(-1, 0, 0, 1);
    m_edit->Create(viewport(), rc);
    m_edit->setFont(GetGridFont());
    m_edit->SetCell(nItem, nCol);
    m_edit->setAccessibleName(GetColumnAccessibleName(nCol)); // what a screen reader calls it
    m_edit->SetColors(crText, crBack);
    // The text sits where the cell's own text is drawn, so it does not jump on opening.
    const int textHeight = QFontMetrics(GetGridFont()).height();
    const QRect format = m_edit->GetRect();
    int top = 5;
    int bottom = 5 + textHeight;
    if (m_nRowHeight != -1) {
        top = (format.height() - textHeight) / 2;
        bottom = format.top() + format.height();
    }
    const int left = m_nTextMargin - 2;
    const int right = rc.width() - m_nTextMargin + 2;
    m_edit->SetRect(QRect(left, top, std::max(0, right - left), std::max(0, bottom - top)));
    m_nEditCol = nCol;
    m_nEditRow = nItem;
    m_openEditor = OpenEditor::EditBox;
    QString text = GetItemText(nItem, nCol);
    if (!bTyping && m_editText) {
        QString replaced;
        if (m_editText(this, nItem, nCol, text, &replaced))
            text = replaced;
    }
    m_strEditOpenText = text;
    m_edit->setText(text);
    m_edit->SetFormat(pData->m_nFormat);
    if (!bTyping) {
        m_edit->setModified(false);
        m_edit->show();
        if (!m_bComposingForEditor)
            m_edit->setFocus(Qt::OtherFocusReason);
        m_edit->update();
    }
    RedrawRowHeader();
    return true;
}

void CListCtrlBase::CloseEditors() {
    const int row = m_nEditRow;
    m_bClosingEdit = true;
    const bool editHadFocus = m_edit->IsWindow() && m_edit->hasFocus();
    const bool listWasOpen = m_listBox->IsWindow();
    if (m_edit->IsWindow())
        m_edit->DestroyWindow();
    if (listWasOpen) {
        m_listBox->DestroyWindow();
        ShowListComposition(QString());
    }
    m_bClosingEdit = false;
    m_bComposingForEditor = false;
    m_openEditor = OpenEditor::None;
    int currentRow = -1;
    int currentCol = -1;
    if (editHadFocus) {
        setFocus(Qt::OtherFocusReason);
    } else if (listWasOpen && HasGridFocus() && GetCurrentCell(&currentRow, &currentCol, false)) {
        // The list never takes the focus, so the grid gets no focus event back when it closes:
        // without this a screen reader would not say the cell the user is back on, nor its value.
        CListCtrlAccessible::NotifyCurrentCell(this, currentRow, currentCol);
    }
    if (row >= 0)
        RedrawRow(row);
}

bool CListCtrlBase::EndEdit() {
    if (!IsEditing())
        return false;
    if (m_edit->IsWindow()) {
        EndGridComposition();
        m_edit->CommitComposition();
    }
    if (m_bCancelNextEnd) {
        m_bCancelNextEnd = false;
        CancelEdit();
        return false;
    }
    QWidget* focus = QApplication::focusWidget();
    for (const QPointer<QWidget>& w : std::as_const(m_cancelWindows)) {
        if (w && w.data() == focus) {
            CancelEdit();
            return false;
        }
    }
    const int row = m_nEditRow;
    const int col = m_nEditCol;
    const QString oldText = GetItemText(row, col);
    QString newText;
    if (m_edit->IsWindow()) {
        newText = m_edit->text();
    } else if (const CKeyValue* choice = m_listBox->GetChoice(m_listBox->GetCurSel())) {
        newText = choice->m_strKey;
    }
    QString store = newText;
    if (m_endEdit) {
        store.clear();
        if (!m_endEdit(this, row, col, newText, &store)) {
            CancelEdit();
            return false;
        }
    }
    if (!m_bAppendRowMode && store == oldText) {
        CancelEdit();
        return true;
    }
    SetItemText(row, col, store);
    m_bModified = true;
    CloseEditors();
    int event = GE_EDITED;
    if (m_bAppendRowMode && MapIndexToId(row) == m_nPendingRowId &&
        m_nPendingRowId != m_nAppendRowId) {
        m_nPendingRowId = m_nAppendRowId;
        event = GE_APPEND_EDITED;
    }
    m_nEditRow = -1;
    m_nEditCol = -1;
    SendGridNotify(GN_CELLCHANGED, row, col, event);
    RedrawRowHeader();
    return true;
}

bool CListCtrlBase::CancelEdit() {
    if (!IsEditing())
        return false;
    EndGridComposition(); // what the input method still delivers goes to the editor, and away
    const int row = m_nEditRow;
    CloseEditors();
    m_nEditRow = -1;
    m_nEditCol = -1;
    if (m_bAppendRowMode && m_nPendingRowId != m_nAppendRowId &&
        MapIndexToId(row) == m_nPendingRowId) {
        // A new row that never received a value goes again, without a notification.
        const unsigned id = m_nPendingRowId;
        const bool hadFocus = GetItemState(row, LVIS_FOCUSED) & LVIS_FOCUSED;
        const bool follow = m_bFollowFocus;
        m_bFollowFocus = false;
        CListCtrl::DeleteItem(row);
        // The cell stays where it was on screen: on the append row that moved up into it.
        if (hadFocus && GetItemCount() > 0 && m_nCurCol >= 0) {
            const int next = std::min(row, GetItemCount() - 1);
            SetItemState(next, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
            SetSelectionMark(next);
        }
        m_bFollowFocus = follow;
        m_attrs.RemoveRow(id);
        if (m_pRowHeader)
            m_pRowHeader->RemoveRowLabel(id);
        if (GetItemCount() == 0) {
            m_nCurCol = -1;
            m_bRowSelect = false;
            m_nLastRow = -1;
            m_nLastCol = -1;
        }
        m_nPendingRowId = m_nAppendRowId;
        viewport()->update();
    }
    RedrawRowHeader();
    return true;
}

bool CListCtrlBase::TakeAppendRow(int nItem) {
    if (!m_bAppendRowMode || !IsAppendRow(nItem))
        return false;
    const int index = CListCtrl::InsertItem(LVIF_TEXT, GetItemCount(), QString(), 0, 0, 0);
    if (index < 0) {
        m_bAppendRowMode = false;
        return false;
    }
    const unsigned oldId = m_nAppendRowId;
    m_nPendingRowId = oldId;
    SetItemData(nItem, 0);
    m_attrs.RemoveRowCells(oldId);
    SetItemData(index, quintptr(&m_nAppendRowId));
    m_nAppendRowId = MapIndexToId(index);
    m_attrs.AddRow(m_nAppendRowId, false);
    SendGridNotify(GN_APPENDROW, index, -1, GE_NONE);
    RedrawRowHeader();
    return true;
}

void CListCtrlBase::ToggleCheckBox(int nItem, int nCol) {
    if (IsCellReadOnly(nItem, nCol))
        return;
    const bool wasEmpty = GetItemText(nItem, nCol).isEmpty();
    int event = GE_EDITED;
    if (IsAppendRow(nItem)) {
        TakeAppendRow(nItem);
        // A ticked box is a value: the row is an ordinary row at once.
        m_nPendingRowId = m_nAppendRowId;
        event = GE_APPEND_EDITED;
    }
    SetItemText(nItem, nCol, wasEmpty ? QStringLiteral("1") : QString());
    m_bModified = true;
    RedrawRow(nItem);
    SendGridNotify(GN_CELLCHANGED, nItem, nCol, event);
}

bool CListCtrlBase::HeaderPressWhileEditing(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    if (!IsEditing() || (!left && event->button() != Qt::RightButton))
        return false;
    const int editRow = m_nEditRow;
    const int editCol = m_nEditCol;
    EndEdit();
    const int col = m_pHeader->logicalIndexAt(event->position().toPoint());
    // A refusal swallows the press, so the header neither sorts nor starts a resize.
    return !MayClickAfterEdit(editRow, editCol, -1, col, left);
}

bool CListCtrlBase::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pHeader->viewport() && event->type() == QEvent::MouseButtonPress &&
        HeaderPressWhileEditing(static_cast<QMouseEvent*>(event)))
        return true;
    // Enter, Tab and Escape in the editor end the edit; everything else is the editor's.
    if (watched == m_edit.get() && event->type() == QEvent::KeyPress && m_edit->IsWindow() &&
        HandleEditorKey(static_cast<QKeyEvent*>(event)))
        return true;
    // The editor losing the focus commits it, unless the grid itself is closing it.
    if (watched == m_edit.get() && event->type() == QEvent::FocusOut && m_edit->IsWindow() &&
        !m_bClosingEdit) {
        // A click into the grid moves the focus before the grid sees the press; the press
        // itself commits (and asks the click callback), so only make sure nothing stays open
        // should the press land elsewhere, on the frame for instance.
        const auto* focus = static_cast<QFocusEvent*>(event);
        if (focus->reason() == Qt::MouseFocusReason && QApplication::focusWidget() == this) {
            QTimer::singleShot(0, this, [this] {
                if (m_edit->IsWindow() && !m_edit->hasFocus())
                    EndEdit();
            });
        } else {
            EndEdit();
        }
    }
    return CListCtrlEx::eventFilter(watched, event);
}

} // namespace Pelmo
