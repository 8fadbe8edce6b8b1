// Keyboard and mouse: the current cell and its movement, opening editors, check boxes and
// buttons, and the notifications the parent acts on (delete, copy, paste, right-click).
#include "grid/ListCtrlBase.h"

#include "grid/EditEx.h"
#include "grid/ListBoxEx.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTimer>
#include <algorithm>

namespace Pelmo {

namespace {

// Text a keystroke types: printable characters only, so that control keys, Escape and the
// like never start an edit. Decoded whole, so a surrogate pair counts as its character.
bool IsTypedText(const QString& text) {
    if (text.isEmpty())
        return false;
    const QList<uint> chars = text.toUcs4();
    return std::all_of(chars.begin(), chars.end(), [](uint ch) { return QChar::isPrint(ch); });
}

} // namespace

// ---------------------------------------------------------------- current cell

int CListCtrlBase::FocusedPlace() const {
    const int place = ShownPosition(std::max(0, GetNextItem(-1, LVNI_FOCUSED)));
    return std::clamp(place, 0, std::max(0, GetShownCount() - 1));
}

int CListCtrlBase::FirstShownRow() const {
    return ShownRowAt(0);
}

int CListCtrlBase::LastShownRow() const {
    return ShownRowAt(GetShownCount() - 1);
}

void CListCtrlBase::SelectShownRows(int nFrom, int nTo) {
    for (int i = std::min(nFrom, nTo); i <= std::max(nFrom, nTo); ++i) {
        if (!IsRowHidden(i))
            SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
    }
}

void CListCtrlBase::MoveCurrentCell(int nItem, int nCol, bool bEnsureVisible) {
    // SetCurrentCell records the pair without reporting it; a move the user made is
    // reported when it changed the pair.
    const int lastRow = m_nLastRow;
    const int lastCol = m_nLastCol;
    if (!SetCurrentCell(nItem, nCol, bEnsureVisible, false))
        return;
    if (nItem != lastRow || nCol != lastCol)
        SendGridNotify(GN_CURCELLCHANGED, nItem, nCol, GE_CURCELL);
}

// Rows are counted among the shown ones: a move passes over hidden rows.
int CListCtrlBase::MoveTarget(int nSetting, int dRow, int dCol, int* pRow, int* pCol) const {
    const int rows = GetShownCount();
    const QList<int> order = GetColumnOrderArray();
    const int last = int(order.size()) - 1;
    if (rows == 0 || last < 0)
        return -1;
    int row = FocusedPlace();
    int pos = std::max(0, int(order.indexOf(m_nCurCol)));
    row += dRow;
    pos += dCol;
    const bool beforeStart = (row == 0 && pos < 0) || (row < 0 && pos == 0);
    const bool pastEnd = (row >= rows && pos == last) || (row == rows - 1 && pos > last);
    if (beforeStart || pastEnd) {
        switch (nSetting & KM_AT_END) {
        case KM_AT_END_WRAP:
            row = beforeStart ? rows - 1 : 0;
            pos = beforeStart ? last : 0;
            break;
        case KM_AT_END_REFUSE:
            return -1;
        default:
            row = beforeStart ? 0 : rows - 1;
            pos = beforeStart ? 0 : last;
            break;
        }
    }
    if (nSetting & KM_WRAP_LINE) {
        if (pos < 0) {
            pos = last;
            --row;
        } else if (pos > last) {
            pos = 0;
            ++row;
        } else if (row < 0) {
            row = rows - 1;
            --pos;
        } else if (row >= rows) {
            row = 0;
            ++pos;
        }
    }
    *pRow = ShownRowAt(std::clamp(row, 0, rows - 1));
    *pCol = order.value(std::clamp(pos, 0, last), 0);
    return 0;
}

bool CListCtrlBase::MoveByTabOrEnter(int nSetting, bool bShift, bool bTab) {
    int dRow = 0;
    int dCol = 0;
    const int sign = bShift ? -1 : 1;
    switch (nSetting & KM_DIRECTION) {
    case KM_LEFT:
        dCol = -sign;
        break;
    case KM_RIGHT:
        dCol = sign;
        break;
    case KM_DOWN:
        dRow = sign;
        break;
    case KM_UP:
        dRow = -sign;
        break;
    case KM_STAY:
        return !bTab; // Tab passes on; Enter stays put but is consumed
    default:
        return true;
    }
    if (GetItemCount() == 0 || GetNextItem(-1, LVNI_FOCUSED) < 0 || m_nCurCol < 0)
        return !bTab;
    int row = 0;
    int col = 0;
    if (MoveTarget(nSetting, dRow, dCol, &row, &col) < 0)
        return false;
    if (m_bRowSelect && (GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED)) {
        // Within a row selection only the focus and the current column move.
        m_nCurCol = col;
        SetItemState(row, LVIS_FOCUSED, LVIS_FOCUSED);
        ScrollCellIntoView(row, col);
        ReportCurrentCell();
        RedrawGrid();
    } else {
        MoveCurrentCell(row, col);
    }
    return true;
}

void CListCtrlBase::MoveByArrow(int nKey, Qt::KeyboardModifiers mods) {
    const int rows = GetShownCount();
    const QList<int> order = GetColumnOrderArray();
    if (rows == 0 || order.isEmpty())
        return;
    const int focused = std::max(0, GetNextItem(-1, LVNI_FOCUSED));
    const int col = m_nCurCol >= 0 ? m_nCurCol : order.value(0, 0);
    if (mods & Qt::ControlModifier) {
        if (nKey == Qt::Key_Right || nKey == Qt::Key_Left)
            MoveCurrentCell(focused, nKey == Qt::Key_Right ? order.last() : order.first());
        else
            MoveCurrentCell(nKey == Qt::Key_Down ? LastShownRow() : FirstShownRow(), col);
        return;
    }
    int setting = m_keyMoves.nRight;
    int dRow = 0;
    int dCol = 0;
    switch (nKey) {
    case Qt::Key_Left:
        setting = m_keyMoves.nLeft;
        dCol = -1;
        break;
    case Qt::Key_Right:
        dCol = 1;
        break;
    case Qt::Key_Up:
        setting = m_keyMoves.nUp;
        dRow = -1;
        break;
    default:
        setting = m_keyMoves.nDown;
        dRow = 1;
        break;
    }
    if (m_nCurCol < 0)
        m_nCurCol = col;
    int row = 0;
    int target = 0;
    if (MoveTarget(setting, dRow, dCol, &row, &target) == 0)
        MoveCurrentCell(row, target);
}

void CListCtrlBase::MoveHomeEnd(bool bEnd, bool bCtrl, bool bShift) {
    const int rows = GetShownCount();
    const QList<int> order = GetColumnOrderArray();
    if (rows == 0 || order.isEmpty())
        return;
    const int focused = std::max(0, GetNextItem(-1, LVNI_FOCUSED));
    const int col = bEnd ? order.last() : order.first();
    if (!(bShift && m_bMultiSelect)) {
        int row = focused;
        if (bCtrl)
            row = bEnd ? LastShownRow() : FirstShownRow();
        MoveCurrentCell(row, col);
        return;
    }
    m_bRowSelect = true;
    m_nCurCol = col;
    int target = focused;
    if (bCtrl) {
        target = bEnd ? LastShownRow() : FirstShownRow();
        SetItemState(-1, 0, LVIS_SELECTED);
        SelectShownRows(focused, target);
        SetItemState(target, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
        SetItemState(focused, LVIS_SELECTED, LVIS_SELECTED);
    }
    ScrollCellIntoView(target, col);
    ReportCurrentCell();
    RedrawGrid();
}

bool CListCtrlBase::MoveByPage(QKeyEvent* event) {
    const int rows = GetShownCount();
    const QList<int> order = GetColumnOrderArray();
    if (rows == 0 || order.isEmpty())
        return false;
    const bool down = event->key() == Qt::Key_PageDown;
    // Places among the shown rows.
    const int focused = FocusedPlace();
    const int top = ShownPosition(GetTopIndex());
    const int perPage = GetCountPerPage();
    int place = 0;
    if (down) {
        const int lastVisible = top + perPage - 1;
        place = std::min(rows - 1, focused < lastVisible ? lastVisible : focused + perPage - 1);
    } else {
        place = focused > top ? top : std::max(0, focused - perPage + 1);
    }
    const int target = ShownRowAt(place);
    const int col = m_nCurCol >= 0 ? m_nCurCol : order.first();
    if ((event->modifiers() & Qt::ShiftModifier) && m_bMultiSelect) {
        // The list-view extends the selection; the grid only keeps the cell in view.
        m_bRowSelect = true;
        m_nCurCol = col;
        ScrollCellIntoView(target, col);
        CListCtrlEx::keyPressEvent(event);
        return true;
    }
    MoveCurrentCell(target, col);
    return true;
}

void CListCtrlBase::ExtendByArrow(QKeyEvent* event) {
    const int rows = GetShownCount();
    if (rows == 0 || GetColumnCount() == 0)
        return;
    const int key = event->key();
    m_bRowSelect = true;
    if (m_nCurCol < 0)
        m_nCurCol = GetColumnOrderArray().value(0, 0);
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && (event->modifiers() & Qt::ControlModifier)) {
        // From the selection mark to the first or last row.
        const int focused = std::max(0, GetNextItem(-1, LVNI_FOCUSED));
        const int mark = GetSelectionMark() >= 0 ? GetSelectionMark() : focused;
        const int target = key == Qt::Key_Down ? LastShownRow() : FirstShownRow();
        SetItemState(-1, 0, LVIS_SELECTED);
        SelectShownRows(mark, target);
        SetItemState(target, LVIS_FOCUSED, LVIS_FOCUSED);
        ScrollCellIntoView(target, m_nCurCol);
        ReportCurrentCell();
        RedrawGrid();
        return;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        // Extending by rows is the list-view's own work, from the selection mark.
        const int next =
            ShownRowAt(std::clamp(FocusedPlace() + (key == Qt::Key_Down ? 1 : -1), 0, rows - 1));
        ScrollCellIntoView(next, m_nCurCol);
        CListCtrlEx::keyPressEvent(event);
        RedrawGrid();
        return;
    }
    const int setting = key == Qt::Key_Left ? m_keyMoves.nLeft : m_keyMoves.nRight;
    int row = 0;
    int col = 0;
    if (MoveTarget(setting, 0, key == Qt::Key_Left ? -1 : 1, &row, &col) < 0)
        return;
    // A step back towards the selection mark gives up the row the focus leaves; a step away
    // from it keeps that row, whichever side of the mark the selection grows on.
    const int previous = GetNextItem(-1, LVNI_FOCUSED);
    const int mark = GetSelectionMark();
    if (previous >= 0 && mark >= 0 &&
        ((previous < mark && row > previous) || (previous > mark && row < previous)))
        SetItemState(previous, 0, LVIS_SELECTED);
    m_nCurCol = col;
    SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ScrollCellIntoView(row, col);
    ReportCurrentCell();
    RedrawGrid();
}

// ---------------------------------------------------------------- keys

bool CListCtrlBase::HandleEditorKey(QKeyEvent* event) {
    const int key = event->key();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (key) {
    case Qt::Key_Escape:
        CancelEdit();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
        const bool tab = key == Qt::Key_Tab || key == Qt::Key_Backtab;
        const int row = m_nEditRow;
        const int col = m_nEditCol;
        EndEdit();
        if (!m_keyMove.Ask(true, this, row, col, tab ? 9 : 13, shift || key == Qt::Key_Backtab))
            return true;
        const bool back = shift || key == Qt::Key_Backtab;
        // A Tab the movement does not take leaves the grid, as it would without the editor.
        if (!MoveByTabOrEnter(tab ? m_keyMoves.nTab : m_keyMoves.nEnter, back, tab) && tab)
            focusNextPrevChild(!back);
        return true;
    }
    default:
        return false;
    }
}

bool CListCtrlBase::HandleGridKey(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool shift = mods & Qt::ShiftModifier;
    int row = -1;
    int col = -1;
    const bool current = GetCurrentCell(&row, &col, true);
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return MoveByTabOrEnter(m_keyMoves.nTab, shift || key == Qt::Key_Backtab, true);
    case Qt::Key_Return:
    case Qt::Key_Enter:
        MoveByTabOrEnter(m_keyMoves.nEnter, shift, false);
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        // Alt with Up or Down opens a drop-down, as it does in a combo box.
        if ((mods & Qt::AltModifier) && (key == Qt::Key_Up || key == Qt::Key_Down) &&
            IsChoiceCell(row, col, current)) {
            BeginEdit(row, col);
            return true;
        }
        if (shift && m_bMultiSelect)
            ExtendByArrow(event);
        else
            MoveByArrow(key, mods);
        return true;
    case Qt::Key_Home:
    case Qt::Key_End:
        MoveHomeEnd(key == Qt::Key_End, ctrl, shift);
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return MoveByPage(event);
    case Qt::Key_F2:
        BeginEdit(-1, -1);
        return true;
    case Qt::Key_F4:
        if (IsChoiceCell(row, col, current))
            BeginEdit(row, col);
        return true;
    case Qt::Key_Backspace:
        if (BeginEdit(-1, -1) && m_edit->IsWindow())
            m_edit->clear();
        return true;
    case Qt::Key_Delete:
        SendGridNotify(GN_DELETE, 0, 0, GE_DELETE);
        return true;
    case Qt::Key_Space:
        if (!ctrl && current && StartSpacePress(row, col))
            return true;
        break;
    default:
        break;
    }
    if (ctrl && key == Qt::Key_C) {
        SendGridNotify(GN_COPY, 0, 0, GE_COPY);
        return true;
    }
    if (ctrl && key == Qt::Key_V) {
        const QMimeData* data = QApplication::clipboard()->mimeData();
        if (data && data->hasText())
            SendPasteNotify(data->text());
        return true;
    }
    if (ctrl && key == Qt::Key_A) {
        SelectAllRows();
        return true;
    }
    // Alt with a letter is a mnemonic and Ctrl a command, neither is text for the cell.
    if (!(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
        IsTypedText(event->text()))
        return StartEditByTyping(event->text());
    return false;
}

bool CListCtrlBase::IsChoiceCell(int nItem, int nCol, bool bCurrent) const {
    if (!bCurrent || IsCellReadOnly(nItem, nCol))
        return false;
    const CHeaderData* data = GetHeaderDataByIndex(nCol);
    return data && data->m_nKind == KIND_CHOICE;
}

bool CListCtrlBase::IsPressCell(int nItem, int nCol) const {
    const CHeaderData* data = GetHeaderDataByIndex(nCol);
    return data && (data->m_nKind == KIND_CHECKBOX || data->m_nKind == KIND_BUTTON) &&
           !IsCellReadOnly(nItem, nCol);
}

bool CListCtrlBase::StartSpacePress(int nItem, int nCol) {
    if (!IsPressCell(nItem, nCol))
        return false;
    m_press.bTracking = false;
    m_press.bPushed = true;
    m_press.nRow = nItem;
    m_press.nCol = nCol;
    RedrawRow(nItem);
    return true;
}

bool CListCtrlBase::StartEditByTyping(const QString& text) {
    int row = -1;
    int col = -1;
    if (!GetCurrentCell(&row, &col, true))
        return false;
    // Typing on a drop-down cell opens its list at the first choice that begins so.
    if (IsChoiceCell(row, col, true)) {
        if (BeginEdit(row, col) && m_listBox->IsWindow())
            m_listBox->TypeAhead(text);
        return true;
    }
    const CHeaderData* data = GetHeaderDataByIndex(col);
    if (!data || data->m_nKind != KIND_TEXT)
        return false;
    // One keystroke can carry two code units (a character outside the basic plane); each
    // goes through the filter, as it would in the editor.
    QString accepted;
    for (QChar ch : text) {
        QChar insert = ch;
        if (m_edit->FilterChar(ch, &insert, row, col))
            accepted += insert;
    }
    if (accepted.isEmpty())
        return true; // refused: the keystroke vanishes
    if (!BeginEdit(row, col, true))
        return false;
    m_edit->setText(accepted);
    m_edit->show();
    m_edit->setFocus(Qt::OtherFocusReason);
    m_edit->setCursorPosition(int(accepted.size()));
    m_edit->setModified(true);
    return true;
}

void CListCtrlBase::CancelKeyPress() {
    if (!m_press.bPushed || m_press.bTracking)
        return;
    m_press.bPushed = false;
    RedrawRow(m_press.nRow);
}

bool CListCtrlBase::IsEditorKey() const {
    // A key the editor did not want travels on to its parents, the grid among them; an edit
    // box keeps every key to itself, so the grid must not act on it.
    return m_edit->IsWindow() && QApplication::focusWidget() == m_edit.get();
}

void CListCtrlBase::keyPressEvent(QKeyEvent* event) {
    if (IsEditorKey() || KeyForComposingEditor(event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && m_press.bPushed && !m_press.bTracking) {
        // Escape gives up a Space press; the Space coming up then does nothing.
        CancelKeyPress();
        event->accept();
        return;
    }
    if (HandleGridKey(event)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        event->ignore(); // the dialog moves the focus on
        return;
    }
    CListCtrlEx::keyPressEvent(event);
}

void CListCtrlBase::keyReleaseEvent(QKeyEvent* event) {
    if (IsEditorKey()) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && m_press.bPushed &&
        !m_press.bTracking) {
        const int row = m_press.nRow;
        const int col = m_press.nCol;
        m_press.bPushed = false;
        RedrawRow(row);
        int curRow = -1;
        int curCol = -1;
        if (GetCurrentCell(&curRow, &curCol, true) && curRow == row && curCol == col)
            ActOnPressedCell(row, col, GE_BUTTON_SPACE);
        return;
    }
    CListCtrlEx::keyReleaseEvent(event);
}

bool CListCtrlBase::event(QEvent* event) {
    // The Space key coming up goes elsewhere once the focus has left: no cell stays pushed.
    if (event->type() == QEvent::FocusOut)
        CancelKeyPress();
    // Tab must reach keyPressEvent instead of moving the focus straight away.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            if (key->isAccepted())
                return true;
            // Not ours: the focus moves on. Accepted afterwards, or the window would take the
            // same Tab once more and move the focus a second time.
            const bool moved = CListCtrlEx::event(event);
            key->accept();
            return moved;
        }
    }
    return CListCtrlEx::event(event);
}

void CListCtrlBase::inputMethodEvent(QInputMethodEvent* event) {
    // An input method hands a composition still pending to the widget the focus leaves; once
    // the focus has gone beyond the grid and its editor, the edit it belonged to has ended.
    if (!HasGridFocus()) {
        event->ignore();
        return;
    }
    if (m_edit->IsWindow()) {
        PassCompositionToEditor(event);
        return;
    }
    if (m_listBox->IsWindow()) {
        PickByComposition(event);
        return;
    }
    if (PressByCommittedSpace(event))
        return;
    const bool preedit = !event->preeditString().isEmpty();
    if (!preedit && event->commitString().isEmpty()) {
        CListCtrlEx::inputMethodEvent(event);
        return;
    }
    // A composition opens the editor without giving it the focus: the input method would
    // drop the composition on the focus change. A text committed at once has nothing to lose.
    m_bComposingForEditor = preedit;
    if (!BeginEdit(-1, -1)) {
        m_bComposingForEditor = false;
        CListCtrlEx::inputMethodEvent(event);
        return;
    }
    if (m_listBox->IsWindow()) {
        m_bComposingForEditor = false;
        PickByComposition(event);
        return;
    }
    // The composition replaces what the cell held.
    m_edit->selectAll();
    PassCompositionToEditor(event);
}

void CListCtrlBase::PassCompositionToEditor(QInputMethodEvent* event) {
    QApplication::sendEvent(m_edit.get(), event);
    if (m_bComposingForEditor && event->preeditString().isEmpty()) {
        // The first composition is over: the editor can take the focus now. Cancelled, it
        // starts over from the text it opened with, as the cell held it.
        m_bComposingForEditor = false;
        if (event->commitString().isEmpty()) {
            m_edit->setText(m_strEditOpenText);
            m_edit->selectAll();
        }
        if (hasFocus())
            m_edit->setFocus(Qt::OtherFocusReason);
    }
    updateMicroFocus();
    event->accept();
}

// An input method that is on takes the Space key for itself and commits a blank (U+3000 in
// Japanese input); on a button or check box cell that is the press the key means.
bool CListCtrlBase::PressByCommittedSpace(QInputMethodEvent* event) {
    const QString commit = event->commitString();
    if (!event->preeditString().isEmpty() || commit.size() != 1 || !commit.front().isSpace())
        return false;
    int row = -1;
    int col = -1;
    if (!GetCurrentCell(&row, &col, true) || !IsPressCell(row, col))
        return false;
    event->accept();
    // Not from inside the input method's delivery: the press may ask a question in a box of
    // its own, which takes the focus from under the input method.
    QTimer::singleShot(0, this, [this, row, col] {
        int curRow = -1;
        int curCol = -1;
        if (GetCurrentCell(&curRow, &curCol, true) && curRow == row && curCol == col)
            ActOnPressedCell(row, col, GE_BUTTON_SPACE);
    });
    return true;
}

void CListCtrlBase::PickByComposition(QInputMethodEvent* event) {
    // The composition shows over the cell, where the list was opened from; the committed word
    // picks the first item it begins.
    ShowListComposition(event->preeditString());
    if (!event->commitString().isEmpty())
        m_listBox->SelectFirstStartingWith(event->commitString());
    event->accept();
}

void CListCtrlBase::ShowListComposition(const QString& text) {
    if (text.isEmpty()) {
        if (m_pListComposition)
            m_pListComposition->hide();
        return;
    }
    if (!m_pListComposition) {
        m_pListComposition = new QLabel(viewport());
        m_pListComposition->setObjectName(QStringLiteral("ListComposition"));
        m_pListComposition->setAutoFillBackground(true);
        m_pListComposition->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    QFont font = GetGridFont();
    font.setUnderline(true); // as an input method shows text not yet committed
    m_pListComposition->setFont(font);
    m_pListComposition->setText(text);
    m_pListComposition->setIndent(m_nTextMargin);
    m_pListComposition->setGeometry(GetCellRect(m_nEditRow, m_nEditCol));
    m_pListComposition->show();
    m_pListComposition->raise();
}

// Before the edit it composes for ends: the input method told to finish may hand over the
// composition itself (it arrives through inputMethodEvent, into the editor). Only while the
// grid has the focus: otherwise the text would land in whichever widget has it now; the
// editor then inserts the composition as it showed it.
void CListCtrlBase::EndGridComposition() {
    if (!m_bComposingForEditor)
        return;
    m_bComposingForEditor = false;
    if (hasFocus())
        QGuiApplication::inputMethod()->reset();
}

// A key the input method passed on during the first composition reaches the grid, which
// still has the focus; it is the editor's, as it would be once the editor has the focus.
bool CListCtrlBase::KeyForComposingEditor(QKeyEvent* event) {
    if (!m_edit->IsWindow() || m_edit->hasFocus())
        return false;
    // In a window that is not active the editor cannot take the focus: the key it ignores
    // comes back here and is dropped, as the editor with the focus would drop it.
    if (m_bForwardingKey)
        return true;
    if (!HandleEditorKey(event)) {
        EndGridComposition();
        m_edit->setFocus(Qt::OtherFocusReason);
        const QScopedValueRollback forwarding(m_bForwardingKey, true);
        QApplication::sendEvent(m_edit.get(), event);
    }
    return true;
}

// A composition typed on the grid starts before the editor exists: the input method places
// its candidate window from this rectangle, so it opens over the current cell, where the
// editor will be, and not at the grid's corner. Once the editor is open while the grid keeps
// the focus, the editor answers: the composition and its caret are there.
QVariant CListCtrlBase::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (m_edit && m_edit->IsWindow() && !m_edit->hasFocus()) {
        const QVariant answer = m_edit->inputMethodQuery(query);
        if (answer.typeId() == QMetaType::QRect) {
            const QRect r = answer.toRect();
            return QRect(m_edit->mapTo(this, r.topLeft()), r.size());
        }
        if (answer.typeId() == QMetaType::QRectF) {
            const QRectF r = answer.toRectF();
            return QRectF(QPointF(m_edit->mapTo(this, QPoint(0, 0))) + r.topLeft(), r.size());
        }
        return answer;
    }
    if (query == Qt::ImCursorRectangle || query == Qt::ImAnchorRectangle) {
        int nItem = -1, nCol = -1;
        if (GetCurrentCell(&nItem, &nCol, false)) {
            const QRect cell = GetCellRect(nItem, nCol);
            if (!cell.isEmpty())
                return WithOpenList(QRect(viewport()->mapTo(this, cell.topLeft()), cell.size()));
        }
    }
    return CListCtrlEx::inputMethodQuery(query);
}

// The input method opens its candidates beside the rectangle it is given: with the open list
// in it they go below or above the list instead of over its first items.
QRect CListCtrlBase::WithOpenList(const QRect& rcCell) const {
    if (!m_listBox->IsWindow() || !m_listBox->isVisible())
        return rcCell;
    const QRect list(mapFromGlobal(m_listBox->mapToGlobal(QPoint(0, 0))), m_listBox->size());
    return rcCell.united(list);
}

// ---------------------------------------------------------------- mouse

void CListCtrlBase::ActOnPressedCell(int nItem, int nCol, int nButtonEvent) {
    const CHeaderData* data = GetHeaderDataByIndex(nCol);
    if (!data)
        return;
    if (data->m_nKind == KIND_CHECKBOX)
        ToggleCheckBox(nItem, nCol);
    else if (data->m_nKind == KIND_BUTTON)
        SendGridNotify(GN_BUTTONCLICK, nItem, nCol, nButtonEvent);
}

bool CListCtrlBase::StartMousePress(int nItem, int nCol) {
    const CHeaderData* data = GetHeaderDataByIndex(nCol);
    if (!data || (data->m_nKind != KIND_CHECKBOX && data->m_nKind != KIND_BUTTON))
        return false;
    if (IsCellReadOnly(nItem, nCol)) {
        if (data->m_nKind == KIND_BUTTON)
            return true; // swallowed
        MoveCurrentCell(nItem, nCol);
        setFocus(Qt::MouseFocusReason);
        return true;
    }
    m_press.bTracking = true;
    m_press.bPushed = true;
    m_press.nRow = nItem;
    m_press.nCol = nCol;
    // The box scrolls into view only when the button comes up: moved now, it could slide
    // from under the pointer and the release would miss it.
    if (data->m_nKind == KIND_CHECKBOX)
        MoveCurrentCell(nItem, nCol, false);
    setFocus(Qt::MouseFocusReason);
    RedrawRow(nItem);
    return true;
}

void CListCtrlBase::mousePressEvent(QMouseEvent* event) {
    const bool left = event->button() == Qt::LeftButton;
    const bool right = event->button() == Qt::RightButton;
    if (!left && !right) {
        CListCtrlEx::mousePressEvent(event);
        return;
    }
    const QPoint pt = event->position().toPoint();
    if (left)
        m_nLastPressRow = -1; // set again below when the press lands on a cell
    int col = -1;
    int row = SubItemHitTest(pt, &col);
    if (IsEditing()) {
        const int editRow = m_nEditRow;
        const int editCol = m_nEditCol;
        EndEdit();
        row = SubItemHitTest(pt, &col); // the edit may have added or removed rows
        if (row < 0)
            return;
        if (!MayClickAfterEdit(editRow, editCol, row, col, left))
            return;
    }
    if (row < 0 || col < 0)
        return;
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool extend = mods & (Qt::ControlModifier | Qt::ShiftModifier);
    if (left) {
        m_ptLastPress = pt;
        m_nLastPressRow = row;
        m_nLastPressCol = col;
    }
    if (left && !extend && StartMousePress(row, col))
        return;
    if (right) {
        RightPress(pt, row, col);
        return;
    }
    if (extend && m_bMultiSelect) {
        m_bRowSelect = true;
        m_nCurCol = col;
        CListCtrlEx::mousePressEvent(event);
        if (GetSelectedCount() == 0)
            m_bRowSelect = false;
        ScrollCellIntoView(row, col);
        ReportCurrentCell();
        return;
    }
    // Whether the button was hit is decided before the cell scrolls into view and moves away
    // from under the pointer.
    const bool onButton = IsOnDropButton(pt, row, col);
    MoveCurrentCell(row, col);
    setFocus(Qt::MouseFocusReason);
    if (onButton)
        BeginEdit(row, col);
}

void CListCtrlBase::RightPress(const QPoint& pt, int nItem, int nCol) {
    // The cell scrolls into view when the button comes up: moved now, it could slide from
    // under the pointer and the release would not find it there.
    m_ptRButton = pt;
    m_nRButtonRow = nItem;
    m_nRButtonCol = nCol;
    const int state = GetCellSelectState(nItem, nCol);
    if (!m_bRowSelect) {
        if (state == CSS_CURRENT) {
            SetItemState(nItem, LVIS_SELECTED, LVIS_SELECTED);
            RedrawRow(nItem);
        } else if (state != CSS_CURRENT_SELECTED) {
            MoveCurrentCell(nItem, nCol, false);
        }
    } else if (state == CSS_SELECTED) {
        m_nCurCol = nCol;
        SetItemState(nItem, LVIS_FOCUSED, LVIS_FOCUSED);
        ReportCurrentCell();
        RedrawGrid();
    } else if (state == CSS_CURRENT) {
        SetItemState(-1, 0, LVIS_SELECTED);
        SetItemState(nItem, LVIS_SELECTED, LVIS_SELECTED);
        RedrawGrid();
    } else if (state == CSS_NONE) {
        MoveCurrentCell(nItem, nCol, false);
    }
    setFocus(Qt::MouseFocusReason);
}

void CListCtrlBase::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pt = event->position().toPoint();
    if (m_press.bTracking) {
        int col = -1;
        const int row = SubItemHitTest(pt, &col);
        const bool over = row == m_press.nRow && col == m_press.nCol;
        if (over != m_press.bPushed) {
            m_press.bPushed = over;
            RedrawRow(m_press.nRow);
        }
        return;
    }
    if (m_ptRButton.x() != -1 &&
        (std::abs(pt.x() - m_ptRButton.x()) > 4 || std::abs(pt.y() - m_ptRButton.y()) > 4))
        m_ptRButton = QPoint(-1, -1);
    CListCtrlEx::mouseMoveEvent(event);
}

void CListCtrlBase::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pt = event->position().toPoint();
    int col = -1;
    const int row = SubItemHitTest(pt, &col);
    if (event->button() == Qt::LeftButton && m_press.bTracking) {
        const int pressRow = m_press.nRow;
        const int pressCol = m_press.nCol;
        m_press.bTracking = false;
        m_press.bPushed = false;
        RedrawRow(pressRow);
        if (row == pressRow && col == pressCol)
            ActOnPressedCell(row, col, GE_BUTTON_CLICK);
        if (GetCellSelectState(pressRow, pressCol) == CSS_CURRENT_SELECTED)
            ScrollCellIntoView(pressRow, pressCol);
        return;
    }
    if (event->button() == Qt::RightButton && m_ptRButton.x() != -1) {
        m_ptRButton = QPoint(-1, -1);
        const bool inPlace = row >= 0 && row == m_nRButtonRow && col == m_nRButtonCol;
        if (GetCellSelectState(m_nRButtonRow, m_nRButtonCol) == CSS_CURRENT_SELECTED)
            ScrollCellIntoView(m_nRButtonRow, m_nRButtonCol);
        if (inPlace)
            SendGridNotify(GN_RCLICK, row, col, GE_RCLICK_CELL);
        return;
    }
    CListCtrlEx::mouseReleaseEvent(event);
}

void CListCtrlBase::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pt = event->position().toPoint();
    int col = -1;
    int row = SubItemHitTest(pt, &col);
    // The first press may have scrolled its cell into view, away from under the pointer: the
    // double-click belongs to the cell that was pressed.
    if ((pt - m_ptLastPress).manhattanLength() <= QApplication::startDragDistance() &&
        m_nLastPressRow >= 0 && m_nLastPressRow < GetItemCount() && m_nLastPressCol >= 0 &&
        m_nLastPressCol < GetColumnCount()) {
        row = m_nLastPressRow;
        col = m_nLastPressCol;
    }
    if (row < 0 || col < 0)
        return;
    // A double-click on a check box or button acts a second time.
    if (StartMousePress(row, col))
        return;
    BeginEdit(row, col);
}

} // namespace Pelmo
