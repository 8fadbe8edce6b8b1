#include "grid/ListCtrlBase.h"

#include "grid/EditEx.h"
#include "grid/HeaderCtrlEx.h"
#include "grid/ListBoxEx.h"
#include "grid/ReadableColor.h"
#include "grid/RowHeader.h"
#include "platform/ui/ListCtrlAccessible.h"

#include <QApplication>
#include <QPalette>
#include <QScrollBar>
#include <algorithm>

namespace Pelmo {

// ---------------------------------------------------------------- construction

CListCtrlBase::CListCtrlBase(QWidget* parent) : CListCtrlEx(parent) {
    const QPalette pal = QApplication::palette();
    m_attrs.SetDefaultKeyColors({
        {CK_BACK, FromQColor(pal.color(QPalette::Base))},
        {CK_READONLY_BACK, FromQColor(BaseTowardsText(pal, 15))},
        {CK_SELECTED_BACK, FromQColor(pal.color(QPalette::Highlight))},
        {CK_SELECTED_BACK_NOFOCUS, FromQColor(BaseTowardsText(pal, 38))},
        {CK_GRIDLINE, FromQColor(BaseTowardsText(pal, 63))},
        {CK_TEXT, FromQColor(pal.color(QPalette::Text))},
        {CK_READONLY_TEXT, FromQColor(pal.color(QPalette::Text))},
        {CK_SELECTED_TEXT, FromQColor(pal.color(QPalette::HighlightedText))},
        {CK_SELECTED_TEXT_NOFOCUS, FromQColor(pal.color(QPalette::Text))},
        {CK_EDIT_FRAME, 0x467321},
    });

    m_pHeader = new CHeaderCtrlEx(this);
    SetHeaderCtrl(m_pHeader);
    m_pHeader->Attach(this);
    connect(m_pHeader, &QHeaderView::sectionHandleDoubleClicked, this,
            [this](int logicalIndex) { AutoSizeColumn(logicalIndex); });
    // Resizing or moving a column moves every cell: the row header's edit marks and the
    // editor follow on the next paint.
    m_pHeader->viewport()->installEventFilter(this);

    m_pRowHeader = new CRowHeader(parent);
    m_pRowHeader->Attach(this);
    m_pRowHeader->hide();

    m_edit = std::make_unique<CEditEx>(nullptr);
    m_edit->SetOwner(this);
    m_edit->SetColorMap(m_attrs.GetKeyColors());
    m_edit->hide();
    m_edit->installEventFilter(this);
    m_listBox = std::make_unique<CListBoxEx>(nullptr);

    setFocusPolicy(Qt::StrongFocus);
    // A composition typed on the grid opens the editor and goes on into it.
    setAttribute(Qt::WA_InputMethodEnabled, true);
    UpdateRowHeight();
    // The cells are drawn by hand from the left, so the grid stays left to right even in a
    // mirrored window (-reverse): a mirrored header would stand over the wrong columns. Set
    // last, as the change reaches the event filter, which needs the header and editor.
    setLayoutDirection(Qt::LeftToRight);
    m_pRowHeader->setLayoutDirection(Qt::LeftToRight);
    if (parent)
        AttachWindow();
}

CListCtrlBase::~CListCtrlBase() {
    // Nothing may commit while the editor goes: its focus loss would reach a grid that is
    // half destroyed.
    m_bClosingEdit = true;
    m_edit->removeEventFilter(this);
    if (m_listBox->IsWindow())
        m_listBox->DestroyWindow();
    m_edit.reset();
    m_listBox.reset();
    if (m_pRowHeader)
        delete m_pRowHeader.data();
}

CRowHeader* CListCtrlBase::GetRowHeader() const {
    return m_pRowHeader;
}

void CListCtrlBase::SetNotifyHandler(GridNotifyHandler handler) {
    m_notify = std::move(handler);
}

void CListCtrlBase::SendGridNotify(unsigned code, int nRow, int nCol, int nEvent) {
    if (!m_notify)
        return;
    GRIDNOTIFY n;
    n.hwndFrom = this;
    n.idFrom = m_nID;
    n.code = code;
    n.nRow = nRow;
    n.nCol = nCol;
    n.nEvent = nEvent;
    m_notify(n);
}

void CListCtrlBase::SendPasteNotify(const QString& text) {
    if (!m_notify)
        return;
    GRIDPASTENOTIFY n;
    n.hwndFrom = this;
    n.idFrom = m_nID;
    n.code = GN_PASTE;
    n.nEvent = GE_PASTE;
    n.nLength = std::uint64_t(text.size());
    n.strText = text;
    m_notify(n);
}

void CListCtrlBase::SendHeaderEvent(int nEvent, int nRow, int nCol) {
    SendGridNotify(GN_RCLICK, nRow, nCol, nEvent);
}

void CListCtrlBase::ReportCurrentCell() {
    const int row = GetNextItem(-1, LVNI_FOCUSED);
    if (row == m_nLastRow && m_nCurCol == m_nLastCol)
        return;
    m_nLastRow = row;
    m_nLastCol = m_nCurCol;
    if (HasGridFocus())
        CListCtrlAccessible::NotifyCurrentCell(this, row, m_nCurCol);
    if (m_bFollowFocus)
        SendGridNotify(GN_CURCELLCHANGED, row, m_nCurCol, GE_CURCELL);
}

// ---------------------------------------------------------------- column keys and records

unsigned CListCtrlBase::GetColumnKey(int nCol) const {
    if (nCol < 0 || nCol >= GetColumnCount())
        return 0;
    return unsigned(m_pHeader->GetColumnKey(nCol));
}

CHeaderData* CListCtrlBase::GetHeaderDataByIndex(int nCol) const {
    const unsigned key = GetColumnKey(nCol);
    return key ? m_pHeader->GetHeaderData(int(key)) : nullptr;
}

bool CListCtrlBase::IsAppendRow(int nItem) const {
    return m_bAppendRowMode && nItem >= 0 && MapIndexToId(nItem) == m_nAppendRowId;
}

QList<int> CListCtrlBase::SelectedRows() const {
    QList<int> rows;
    for (int i = GetNextItem(-1, LVNI_SELECTED); i >= 0; i = GetNextItem(i, LVNI_SELECTED))
        rows.append(i);
    return rows;
}

// ---------------------------------------------------------------- columns

int CListCtrlBase::InsertColumn(int nCol, const QString& heading, bool bReadOnly, int nFormat,
                                int nWidth, int nSubItem) {
    EndEdit();
    const unsigned curKey = GetColumnKey(m_nCurCol);
    const int index = CListCtrl::InsertColumn(nCol, heading, nFormat, nWidth, nSubItem);
    if (index < 0)
        return -1;
    auto* data = new CHeaderData;
    data->m_bReadOnly = bReadOnly;
    data->m_nFormat = nFormat;
    m_pHeader->InsertColumnKey(index, data);
    if (curKey)
        m_nCurCol = m_pHeader->GetColumnIndex(int(curKey));
    m_pHeader->viewport()->update();
    RedrawGrid();
    return index;
}

void CListCtrlBase::CommitEditInColumn(int nCol) {
    if (IsEditing() && m_nEditCol == nCol)
        EndEdit();
}

void CListCtrlBase::SetColumnKind(int nCol, int nKind) {
    CHeaderData* data = GetHeaderDataByIndex(nCol);
    if (!data || data->m_nKind == nKind)
        return;
    CommitEditInColumn(nCol);
    if (data->m_nKind == KIND_CHOICE && (nKind == KIND_TEXT || nKind == KIND_BUTTON))
        data->ClearChoices();
    data->m_nKind = nKind;
    if (nKind == KIND_CHECKBOX) {
        for (int i = 0; i < GetItemCount(); ++i) {
            if (!GetItemText(i, nCol).isEmpty())
                SetItemText(i, nCol, QStringLiteral("1"));
        }
    }
    viewport()->update();
}

void CListCtrlBase::SetColumnText(int nCol) {
    SetColumnKind(nCol, KIND_TEXT);
}

void CListCtrlBase::SetColumnCheckBox(int nCol) {
    SetColumnKind(nCol, KIND_CHECKBOX);
}

void CListCtrlBase::SetColumnButton(int nCol) {
    SetColumnKind(nCol, KIND_BUTTON);
}

void CListCtrlBase::SetColumnChoiceCallback(int nCol, PFNFILLCHOICES pfnFill, PFNCHOICETEXT pfnText,
                                            int nMaxRows, QChar chSeparator, void* pData) {
    CHeaderData* data = GetHeaderDataByIndex(nCol);
    if (!data || data->m_nKind == KIND_CHOICE)
        return;
    CommitEditInColumn(nCol);
    data->m_nKind = KIND_CHOICE;
    data->ClearChoices();
    data->m_pfnFillChoices = pfnFill;
    data->m_pfnChoiceText = pfnText;
    data->m_pFillData = pData;
    data->m_pTextData = pData;
    data->m_nMaxRows = nMaxRows;
    data->m_chSeparator = chSeparator;
    viewport()->update();
}

void CListCtrlBase::SetColumnChoiceList(int nCol, const QStringList* pItems, int nMaxRows,
                                        QChar chSeparator) {
    CHeaderData* data = GetHeaderDataByIndex(nCol);
    if (!data || data->m_nKind == KIND_CHOICE)
        return;
    CommitEditInColumn(nCol);
    data->m_nKind = KIND_CHOICE;
    data->m_pfnFillChoices = nullptr;
    data->m_pfnChoiceText = nullptr;
    data->m_pFillData = nullptr;
    data->m_pTextData = nullptr;
    // The separator splits the strings, so it is in place before they are added.
    data->m_chSeparator = chSeparator;
    data->FillChoices(pItems ? *pItems : QStringList());
    data->m_nMaxRows = nMaxRows;
    viewport()->update();
}

bool CListCtrlBase::DeleteColumn(int nCol) {
    const int count = GetColumnCount();
    if (nCol < 0 || nCol >= count)
        return false;
    EndEdit();
    if (nCol == m_nCurCol && nCol == count - 1) {
        const QList<int> order = GetColumnOrderArray();
        const int pos = int(order.indexOf(nCol));
        m_nCurCol = pos > 0 ? order[pos - 1] : -1;
    }
    const unsigned curKey = GetColumnKey(m_nCurCol);
    const unsigned key = GetColumnKey(nCol);
    if (!CListCtrl::DeleteColumn(nCol))
        return false;
    m_nLastCol = m_nCurCol;
    m_pHeader->RemoveColumnKey(nCol);
    m_nCurCol = curKey ? m_pHeader->GetColumnIndex(int(curKey)) : -1;
    m_attrs.RemoveColumn(key);
    m_pHeader->viewport()->update();
    RedrawGrid();
    return true;
}

void CListCtrlBase::SetColumnColor(int nCol, COLORREF crText, COLORREF crBack) {
    if (nCol == -1) {
        for (int c = 0; c < GetColumnCount(); ++c)
            SetColumnColor(c, crText, crBack);
        return;
    }
    const unsigned key = GetColumnKey(nCol);
    if (!key)
        return;
    m_attrs.SetColumnColor(key, crText, crBack);
    viewport()->update();
}

bool CListCtrlBase::GetColumnColor(int nCol, COLORREF* pText, COLORREF* pBack) const {
    CELLCOLOR color;
    if (!m_attrs.GetColumnColor(GetColumnKey(nCol), &color))
        return false;
    if (pText)
        *pText = color.crText;
    if (pBack)
        *pBack = color.crBack;
    return true;
}

void CListCtrlBase::ResetColumnColor(int nCol) {
    if (nCol == -1)
        m_attrs.ResetAllColumnColors();
    else
        m_attrs.ResetColumnColor(GetColumnKey(nCol));
    viewport()->update();
}

void CListCtrlBase::SetColumnReadOnly(int nCol, bool bReadOnly) {
    // Without rows there is nothing the flag could apply to yet; the call is dropped.
    if (GetItemCount() == 0)
        return;
    const int count = GetColumnCount();
    if (nCol < -1 || nCol >= count)
        return;
    const int first = nCol == -1 ? 0 : nCol;
    const int last = nCol == -1 ? count - 1 : nCol;
    for (int c = first; c <= last; ++c) {
        CHeaderData* data = GetHeaderDataByIndex(c);
        if (data)
            data->m_bReadOnly = bReadOnly;
        m_attrs.RemoveColumnOverrides(GetColumnKey(c));
    }
    if (m_pHeader->isVisible())
        RedrawGrid();
}

bool CListCtrlBase::IsColumnReadOnly(int nCol) const {
    const CHeaderData* data = GetHeaderDataByIndex(nCol);
    return data ? data->m_bReadOnly : true;
}

// ---------------------------------------------------------------- rows

int CListCtrlBase::InsertItem(unsigned nMask, int nItem, const QString& text, unsigned nState,
                              unsigned nStateMask, quintptr lParam, bool bReadOnly) {
    const unsigned allowed = LVIF_TEXT | LVIF_STATE | LVIF_PARAM;
    if (!(nMask & allowed))
        return -1;
    m_bFollowFocus = false;
    if (m_bAppendRowMode) {
        EndEdit();
        const int append = MapIdToIndex(m_nAppendRowId);
        if (append >= 0 && (nItem < 0 || nItem > append))
            nItem = append;
    }
    if ((nMask & LVIF_STATE) && (nState & nStateMask & LVIS_SELECTED) && m_bMultiSelect)
        m_bRowSelect = true;
    const int index =
        CListCtrl::InsertItem(nMask & allowed, nItem, text, nState, nStateMask, lParam);
    if (index >= 0)
        m_attrs.AddRow(MapIndexToId(index), bReadOnly);
    m_nLastRow = GetNextItem(-1, LVNI_FOCUSED);
    m_bFollowFocus = true;
    // A row that lands below the last one on screen changes nothing the row header shows:
    // filling a large file leaves it alone after the first screen.
    if (index >= 0 && m_pRowHeader &&
        (GetShownCount() < GetItemCount() ||
         index <= verticalScrollBar()->value() + GetCountPerPage()))
        m_pRowHeader->update();
    return index;
}

int CListCtrlBase::InsertItem(int nItem, const QString& text, bool bReadOnly) {
    return InsertItem(LVIF_TEXT, nItem, text, 0, 0, 0, bReadOnly);
}

bool CListCtrlBase::DeleteItem(int nItem) {
    if (nItem < 0 || nItem >= GetItemCount())
        return false;
    CancelEdit();
    if (IsAppendRow(nItem))
        return false;
    // CancelEdit may have removed a pending row before this one.
    if (nItem >= GetItemCount())
        return false;
    const unsigned id = MapIndexToId(nItem);
    m_bFollowFocus = false;
    const bool ok = CListCtrl::DeleteItem(nItem);
    m_bFollowFocus = true;
    if (!ok)
        return false;
    m_nLastRow = GetNextItem(-1, LVNI_FOCUSED);
    if (m_pRowHeader)
        m_pRowHeader->RemoveRowLabel(id);
    m_attrs.RemoveRow(id);
    // A pending new row that goes is no longer pending.
    if (id == m_nPendingRowId)
        m_nPendingRowId = m_nAppendRowId;
    if (GetItemCount() == 0) {
        m_nCurCol = -1;
        m_bRowSelect = false;
        m_nLastCol = -1;
        m_nLastRow = -1;
    }
    RedrawRowHeader();
    return true;
}

int CListCtrlBase::InsertAppendRow() {
    const int index = CListCtrl::InsertItem(LVIF_TEXT | LVIF_PARAM, GetItemCount(), QString(), 0, 0,
                                            quintptr(&m_nAppendRowId));
    if (index < 0)
        return -1;
    const unsigned id = MapIndexToId(index);
    m_nAppendRowId = id;
    m_nPendingRowId = id;
    m_attrs.AddRow(id, false);
    return index;
}

bool CListCtrlBase::DeleteAllItems() {
    m_nLastCol = -1;
    m_nLastRow = -1;
    CancelEdit();
    // The append row's overrides and colours survive: they belong to the next append row.
    CGridAttributes::RowCells appendCells;
    if (m_bAppendRowMode)
        appendCells = m_attrs.GetRowCells(m_nAppendRowId);
    m_bFollowFocus = false;
    const bool ok = CListCtrl::DeleteAllItems();
    m_bFollowFocus = true;
    if (!ok)
        return false;
    if (m_pRowHeader)
        m_pRowHeader->RemoveAllRowLabels();
    m_attrs.RemoveAllRows();
    m_nCurCol = -1;
    m_bRowSelect = false;
    if (m_bAppendRowMode) {
        const int index = InsertAppendRow();
        if (index < 0) {
            m_bAppendRowMode = false;
        } else {
            m_attrs.SetRowCells(m_nAppendRowId, appendCells);
            SendGridNotify(GN_APPENDROW, index, -1, GE_NONE);
        }
    }
    RedrawGrid();
    return true;
}

void CListCtrlBase::SelectRow(int nItem, bool bSelect) {
    const int count = GetItemCount();
    if (count == 0 || nItem >= count || nItem < -1)
        return;
    if (nItem == -1) {
        m_bRowSelect = bSelect;
        SetItemState(-1, bSelect ? unsigned(LVIS_SELECTED) : 0u, LVIS_SELECTED);
    } else if (bSelect) {
        if (!m_bRowSelect)
            SetItemState(-1, 0, LVIS_SELECTED);
        m_bRowSelect = true;
        SetItemState(nItem, LVIS_SELECTED, LVIS_SELECTED);
    } else {
        SetItemState(nItem, 0, LVIS_SELECTED);
        if (GetSelectedCount() == 0)
            m_bRowSelect = false;
    }
    RedrawGrid();
}

void CListCtrlBase::ClearCellRaw(int nItem, int nCol) {
    SetItemText(nItem, nCol, QString());
    m_attrs.ResetCellColor(MapIndexToId(nItem), GetColumnKey(nCol));
}

void CListCtrlBase::ClearRow(int nItem, bool bIncludeReadOnly) {
    const int count = GetItemCount();
    if (count == 0 || nItem < -1 || nItem >= count)
        return;
    const QList<int> rows = nItem == -1 ? SelectedRows() : QList<int>{nItem};
    for (int row : rows) {
        for (int c = 0; c < GetColumnCount(); ++c) {
            if (bIncludeReadOnly || !IsCellReadOnly(row, c))
                ClearCellRaw(row, c);
        }
    }
    viewport()->update();
}

void CListCtrlBase::ClearAllRows(bool bIncludeReadOnly) {
    for (int i = 0; i < GetItemCount(); ++i)
        ClearRow(i, bIncludeReadOnly);
}

void CListCtrlBase::SetRowReadOnly(int nItem, bool bReadOnly) {
    const int count = GetItemCount();
    if (nItem < -1 || nItem >= count)
        return;
    const int first = nItem == -1 ? 0 : nItem;
    const int last = nItem == -1 ? count - 1 : nItem;
    for (int i = first; i <= last; ++i) {
        const unsigned id = MapIndexToId(i);
        if (m_bAppendRowMode && (id == m_nAppendRowId || id == m_nPendingRowId))
            continue;
        m_attrs.SetRowReadOnly(id, bReadOnly);
    }
    if (m_pHeader->isVisible())
        RedrawGrid();
}

bool CListCtrlBase::IsRowReadOnly(int nItem) const {
    if (nItem < 0 || nItem >= GetItemCount())
        return true;
    return m_attrs.IsRowReadOnly(MapIndexToId(nItem));
}

int CListCtrlBase::GetEditState(int nItem) const {
    if (nItem < 0 || nItem >= GetItemCount())
        return ES_NONE;
    const unsigned id = MapIndexToId(nItem);
    if (m_bAppendRowMode) {
        if (id == m_nAppendRowId)
            return ES_APPENDROW;
        if (id != m_nPendingRowId)
            return ES_NONE;
    }
    if (!IsEditing() || m_nEditRow != nItem)
        return ES_NONE;
    return int(m_openEditor);
}

namespace {

// What the sort wrappers need while the list-view sorts: the client's function and value,
// and how to know the append row, which always sorts last. It travels as the list-view's
// own sort parameter.
struct SortContext {
    PFNLVCOMPARE pfnCompare = nullptr;
    quintptr lParamSort = 0;
    quintptr lAppendParam = 0; // the append row's data; 0 without append mode
    const CListCtrlBase* pGrid = nullptr;
};

const SortContext& ContextOf(quintptr lContext) {
    // The list-view's sort parameter is an integer; here it carries the context's address.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    return *reinterpret_cast<const SortContext*>(lContext);
}

// Without append mode there is no append row: rows whose data is 0 are ordinary rows.
int CompareByData(quintptr l1, quintptr l2, quintptr lContext) {
    const SortContext& ctx = ContextOf(lContext);
    if (ctx.lAppendParam) {
        if (l1 == ctx.lAppendParam)
            return l2 == ctx.lAppendParam ? 0 : 1;
        if (l2 == ctx.lAppendParam)
            return -1;
    }
    return ctx.pfnCompare(l1, l2, ctx.lParamSort);
}

int CompareByIndex(quintptr l1, quintptr l2, quintptr lContext) {
    const SortContext& ctx = ContextOf(lContext);
    const bool append1 = ctx.pGrid->GetEditState(int(l1)) == ES_APPENDROW;
    const bool append2 = ctx.pGrid->GetEditState(int(l2)) == ES_APPENDROW;
    if (append1 || append2)
        return int(append1) - int(append2);
    return ctx.pfnCompare(l1, l2, ctx.lParamSort);
}

} // namespace

bool CListCtrlBase::SortItems(PFNLVCOMPARE pfnCompare, quintptr lParamSort) {
    if (!pfnCompare)
        return false;
    EndEdit();
    SortContext ctx;
    ctx.pfnCompare = pfnCompare;
    ctx.lParamSort = lParamSort;
    ctx.lAppendParam = m_bAppendRowMode ? quintptr(&m_nAppendRowId) : 0;
    const bool ok = CListCtrl::SortItems(&CompareByData, quintptr(&ctx));
    RedrawGrid();
    return ok;
}

bool CListCtrlBase::SortItemsEx(PFNLVCOMPARE pfnCompare, quintptr lParamSort) {
    if (!pfnCompare)
        return false;
    EndEdit();
    SortContext ctx;
    ctx.pfnCompare = pfnCompare;
    ctx.lParamSort = lParamSort;
    ctx.pGrid = this;
    const bool ok = CListCtrl::SortItemsEx(&CompareByIndex, quintptr(&ctx));
    RedrawGrid();
    return ok;
}

bool CListCtrlBase::SetRowLabel(int nItem, const QString& text) {
    if (nItem < 0 || nItem >= GetItemCount() || GetEditState(nItem) != ES_NONE || !m_pRowHeader)
        return false;
    const unsigned id = MapIndexToId(nItem);
    if (text.isEmpty())
        m_pRowHeader->RemoveRowLabel(id);
    else
        m_pRowHeader->SetRowLabel(id, text);
    RedrawRowHeader();
    return true;
}

// ---------------------------------------------------------------- selection

bool CListCtrlBase::SetCurrentCell(int nItem, int nCol, bool bEnsureVisible, bool bRowSelect) {
    if (nItem < 0 || nItem >= GetItemCount() || nCol < 0 || nCol >= GetColumnCount())
        return false;
    // A hidden row cannot be current: the shown row after it (or the last one) takes its place.
    if (IsRowHidden(nItem))
        nItem = ShownRowAt(std::min(ShownPosition(nItem), GetShownCount() - 1));
    if (nItem < 0)
        return false;
    const bool follow = m_bFollowFocus;
    m_bFollowFocus = false;
    m_bRowSelect = bRowSelect;
    m_nCurCol = nCol;
    SetItemState(-1, 0, LVIS_SELECTED);
    const int focused = GetNextItem(-1, LVNI_FOCUSED);
    if (focused >= 0 && focused != nItem)
        SetItemState(focused, 0, LVIS_FOCUSED);
    SetItemState(nItem, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetSelectionMark(nItem);
    ReportCurrentCell(); // records the pair only: following is off
    if (bEnsureVisible)
        ScrollCellIntoView(nItem, nCol);
    else
        RedrawGrid();
    m_bFollowFocus = follow;
    return true;
}

bool CListCtrlBase::GetCurrentCell(int* pItem, int* pCol, bool bSelectedOnly) const {
    int row = GetNextItem(-1, LVNI_FOCUSED);
    if (row >= 0 && bSelectedOnly && !(GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED))
        row = -1;
    if (pItem)
        *pItem = row;
    if (pCol)
        *pCol = m_nCurCol;
    return row != -1 && m_nCurCol != -1;
}

void CListCtrlBase::ResetSelection() {
    m_nCurCol = -1;
    m_bRowSelect = false;
    SetItemState(-1, 0, LVIS_SELECTED);
    SetSelectionMark(-1);
    if (GetItemCount() > 0) {
        const QList<int> order = GetColumnOrderArray();
        const int first = std::max(0, FirstShownRow());
        if (!order.isEmpty())
            ScrollCellIntoView(first, order.first());
        else
            EnsureVisible(first, false);
    } else {
        Scroll(-GetScrollX(), 0);
    }
    RedrawGrid();
}

int CListCtrlBase::GetCellSelectState(int nItem, int nCol) const {
    if (nItem < 0 || nItem >= GetItemCount() || nCol < 0 || nCol >= GetColumnCount())
        return CSS_NONE;
    if (!m_bRowSelect && nCol != m_nCurCol)
        return CSS_NONE;
    const unsigned state = GetItemState(nItem, LVIS_SELECTED | LVIS_FOCUSED);
    const bool selected = state & LVIS_SELECTED;
    const bool current = (state & LVIS_FOCUSED) && nCol == m_nCurCol;
    if (current)
        return selected ? CSS_CURRENT_SELECTED : CSS_CURRENT;
    return selected ? CSS_SELECTED : CSS_NONE;
}

void CListCtrlBase::SelectRowFromHeader(int nItem, bool bEnsureVisible, bool bExtend) {
    const int count = GetItemCount();
    if (nItem < 0 || nItem >= count)
        return;
    if (!m_bMultiSelect)
        bExtend = false;
    // Focus changes are held back while the rows are set up; the report at the end compares
    // against what the parent last saw, so a click that moves the focus is reported once.
    const int lastRow = m_nLastRow, lastCol = m_nLastCol;
    const bool follow = m_bFollowFocus;
    m_bFollowFocus = false;
    if (m_nCurCol < 0 && GetColumnCount() > 0)
        m_nCurCol = GetColumnOrderArray().value(0, 0);
    m_bRowSelect = m_bMultiSelect;
    int mark = GetSelectionMark();
    if (!bExtend || mark < 0 || mark >= count) {
        SetItemState(-1, 0, LVIS_SELECTED);
        SetSelectionMark(nItem);
        mark = nItem;
    } else {
        SetItemState(-1, 0, LVIS_SELECTED);
    }
    SelectShownRows(mark, nItem);
    SetItemState(nItem, LVIS_FOCUSED, LVIS_FOCUSED);
    m_bFollowFocus = follow;
    m_nLastRow = lastRow;
    m_nLastCol = lastCol;
    ReportCurrentCell();
    if (bEnsureVisible)
        EnsureVisible(nItem, false);
    RedrawGrid();
}

void CListCtrlBase::SelectAllRows() {
    if (GetItemCount() == 0 || !m_bMultiSelect)
        return;
    if (m_nCurCol < 0 && GetColumnCount() > 0)
        m_nCurCol = GetColumnOrderArray().value(0, 0);
    m_bRowSelect = true;
    SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
    if (GetNextItem(-1, LVNI_FOCUSED) < 0)
        SetItemState(std::max(0, FirstShownRow()), LVIS_FOCUSED, LVIS_FOCUSED);
    RedrawGrid();
}

void CListCtrlBase::ClearCell(int nItem, int nCol, bool bIncludeReadOnly) {
    const int count = GetItemCount();
    if (nItem < -1 || nItem >= count || nCol < -1 || nCol >= GetColumnCount())
        return;
    const QList<int> rows = nItem == -1 ? SelectedRows() : QList<int>{nItem};
    for (int row : rows) {
        QList<int> cols;
        if (nCol >= 0) {
            cols.append(nCol);
        } else if (m_bRowSelect) {
            for (int c = 0; c < GetColumnCount(); ++c)
                cols.append(c);
        } else if (m_nCurCol >= 0 && (GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED)) {
            cols.append(m_nCurCol);
        }
        for (int c : cols) {
            if (bIncludeReadOnly || !IsCellReadOnly(row, c))
                ClearCellRaw(row, c);
        }
    }
    viewport()->update();
}

void CListCtrlBase::ResetGrid() {
    SetColumnReadOnly(-1, false);
    SetRowReadOnly(-1, false);
    m_attrs.RemoveAllCellOverrides();
    m_attrs.ResetAllColumnColors();
    for (int i = 0; i < GetItemCount(); ++i)
        ClearRow(i, true);
    RedrawGrid();
}

// ---------------------------------------------------------------- cells

bool CListCtrlBase::IsCellReadOnly(int nItem, int nCol) const {
    if (nItem < 0 || nItem >= GetItemCount() || nCol < 0 || nCol >= GetColumnCount())
        return true;
    return m_attrs.IsCellReadOnly(MapIndexToId(nItem), GetColumnKey(nCol), IsColumnReadOnly(nCol));
}

void CListCtrlBase::SetCellReadOnly(int nItem, int nCol, bool bReadOnly) {
    if (nItem < 0 || nItem >= GetItemCount() || nCol < 0 || nCol >= GetColumnCount())
        return;
    if (IsCellReadOnly(nItem, nCol) == bReadOnly)
        return;
    const unsigned id = MapIndexToId(nItem);
    if (bReadOnly && IsEditing()) {
        // Cancelling may take away a new row that never received a value, this one or one
        // above it: follow the row by its id, and stop when it went.
        CancelEdit();
        nItem = MapIdToIndex(id);
        if (nItem < 0)
            return;
    }
    m_attrs.SetCellReadOnly(id, GetColumnKey(nCol), bReadOnly, IsColumnReadOnly(nCol));
    RedrawRow(nItem);
}

void CListCtrlBase::SetCellColor(int nItem, int nCol, COLORREF crText, COLORREF crBack) {
    if (nItem < 0 || nItem >= GetItemCount() || nCol < -1 || nCol >= GetColumnCount())
        return;
    if (nCol == -1) {
        for (int c = 0; c < GetColumnCount(); ++c)
            SetCellColor(nItem, c, crText, crBack);
        return;
    }
    m_attrs.SetCellColor(MapIndexToId(nItem), GetColumnKey(nCol), crText, crBack);
    RedrawRow(nItem);
}

bool CListCtrlBase::GetCellColor(int nItem, int nCol, COLORREF* pText, COLORREF* pBack) const {
    if (nItem < 0 || nItem >= GetItemCount() || nCol < 0 || nCol >= GetColumnCount())
        return false;
    CELLCOLOR color;
    if (!m_attrs.GetCellColor(MapIndexToId(nItem), GetColumnKey(nCol), &color))
        return false;
    if (pText)
        *pText = color.crText;
    if (pBack)
        *pBack = color.crBack;
    return true;
}

bool CListCtrlBase::GetCellDisplayColor(int nItem, int nCol, COLORREF* pText,
                                        COLORREF* pBack) const {
    if (nItem < 0 || nItem >= GetItemCount() || nCol < 0 || nCol >= GetColumnCount())
        return false;
    COLORREF back = CLR_NOT_SET;
    COLORREF text = CLR_NOT_SET;
    GetCellColors(nItem, nCol, &back, &text, nullptr, nullptr);
    if (pText)
        *pText = text;
    if (pBack)
        *pBack = back;
    return true;
}

void CListCtrlBase::ResetCellColor(int nItem, int nCol) {
    if (nItem < 0 || nItem >= GetItemCount() || nCol < -1 || nCol >= GetColumnCount())
        return;
    const unsigned id = MapIndexToId(nItem);
    if (nCol == -1)
        m_attrs.ResetRowColors(id);
    else
        m_attrs.ResetCellColor(id, GetColumnKey(nCol));
    RedrawRow(nItem);
}

void CListCtrlBase::GetCellColors(int nItem, int nCol, COLORREF* pBack, COLORREF* pText,
                                  bool* pBackFromKey, bool* pTextFromKey) const {
    const CELLCOLOR own = m_attrs.GetOwnColor(MapIndexToId(nItem), GetColumnKey(nCol));
    COLORREF back = own.crBack;
    COLORREF text = own.crText;
    const bool backFromKey = back == CLR_NOT_SET;
    const bool textFromKey = text == CLR_NOT_SET;
    if (backFromKey || textFromKey) {
        const bool readOnly = IsCellReadOnly(nItem, nCol);
        if (backFromKey)
            back = GetKeyColor(readOnly ? CK_READONLY_BACK : CK_BACK);
        // On a background of the client's own the palette's text colour may not read (white
        // on yellow in a dark palette): black or white by contrast instead.
        if (textFromKey)
            text = backFromKey ? GetKeyColor(readOnly ? CK_READONLY_TEXT : CK_TEXT)
                               : FromQColor(ReadableTextOn(ToQColor(back)));
    }
    if (pBack)
        *pBack = back;
    if (pText)
        *pText = text;
    if (pBackFromKey)
        *pBackFromKey = backFromKey;
    if (pTextFromKey)
        *pTextFromKey = textFromKey;
}

// ---------------------------------------------------------------- settings

void CListCtrlBase::SetKeyMoves(int nTab, int nEnter, int nUp, int nDown, int nLeft, int nRight) {
    const auto set = [](int& target, int value) {
        if (value != -1)
            target = value;
    };
    set(m_keyMoves.nTab, nTab);
    set(m_keyMoves.nEnter, nEnter);
    set(m_keyMoves.nUp, nUp);
    set(m_keyMoves.nDown, nDown);
    set(m_keyMoves.nLeft, nLeft);
    set(m_keyMoves.nRight, nRight);
}

void CListCtrlBase::GetKeyMoves(int* pTab, int* pEnter, int* pUp, int* pDown, int* pLeft,
                                int* pRight) const {
    const auto get = [](int* target, int value) {
        if (target)
            *target = value;
    };
    get(pTab, m_keyMoves.nTab);
    get(pEnter, m_keyMoves.nEnter);
    get(pUp, m_keyMoves.nUp);
    get(pDown, m_keyMoves.nDown);
    get(pLeft, m_keyMoves.nLeft);
    get(pRight, m_keyMoves.nRight);
}

void CListCtrlBase::SetAppendRow(bool bOn) {
    if (bOn == m_bAppendRowMode)
        return;
    CancelEdit();
    m_bAppendRowMode = bOn;
    if (!bOn) {
        const int index = MapIdToIndex(m_nAppendRowId);
        if (index >= 0)
            DeleteItem(index);
        m_nAppendRowId = unsigned(-1);
        m_nPendingRowId = unsigned(-1);
    } else {
        const int index = InsertAppendRow();
        if (index < 0)
            m_bAppendRowMode = false;
        else
            SendGridNotify(GN_APPENDROW, index, -1, GE_NONE);
    }
    RedrawRowHeader();
}

bool CListCtrlBase::GetAppendRow() const {
    return m_bAppendRowMode;
}

bool CListCtrlBase::IsRowSelect() const {
    return m_bRowSelect;
}

void CListCtrlBase::EnableMultiSelect(bool bEnable) {
    if (bEnable == m_bMultiSelect)
        return;
    m_bMultiSelect = bEnable;
    if (!bEnable) {
        m_bSavedSingleSel = GetSingleSelection();
        if (m_bRowSelect) {
            const int focused = GetNextItem(-1, LVNI_FOCUSED);
            SetItemState(-1, 0, LVIS_SELECTED);
            if (focused >= 0)
                SetItemState(focused, LVIS_SELECTED, LVIS_SELECTED);
            m_bRowSelect = false;
        }
        SetSingleSelection(true);
    } else if (!m_bSavedSingleSel) {
        SetSingleSelection(false);
    }
    RedrawGrid();
}

bool CListCtrlBase::GetModified() const {
    return m_bModified;
}

void CListCtrlBase::SetModified(bool bModified) {
    m_bModified = bModified;
}

void CListCtrlBase::SetCaretOnShow(int n) {
    m_edit->SetCaretOnShow(n);
}

int CListCtrlBase::GetCaretOnShow() const {
    return m_edit->GetCaretOnShow();
}

COLORREF CListCtrlBase::GetKeyColor(COLOR_KEY key) const {
    return m_attrs.GetKeyColor(key);
}

void CListCtrlBase::SetKeyColor(COLOR_KEY key, COLORREF color) {
    m_attrs.SetKeyColor(key, color);
    RedrawGrid();
}

// ---------------------------------------------------------------- editing hooks

void CListCtrlBase::SetCancelWindow(QWidget* pWnd, bool bAdd) {
    if (!pWnd)
        return;
    const auto same = [pWnd](const QPointer<QWidget>& w) { return w.data() == pWnd; };
    const bool present = std::any_of(m_cancelWindows.begin(), m_cancelWindows.end(), same);
    if (bAdd && !present)
        m_cancelWindows.append(pWnd);
    else if (!bAdd)
        m_cancelWindows.removeIf(same);
}

void CListCtrlBase::RemoveAllCancelWindows() {
    m_cancelWindows.clear();
}

void CListCtrlBase::CancelNextEndEdit() {
    m_bCancelNextEnd = true;
}

void CListCtrlBase::SetEditTextCallback(PFNEDITTEXT pfn, void* pData) {
    m_editText.Set(pfn, pData);
}

void CListCtrlBase::SetEndEditCallback(PFNENDEDIT pfn, void* pData) {
    m_endEdit.Set(pfn, pData);
}

void CListCtrlBase::SetKeyMoveCallback(PFNKEYMOVE pfn, void* pData) {
    m_keyMove.Set(pfn, pData);
}

void CListCtrlBase::SetClickEditCallback(PFNCLICKEDIT pfn, void* pData) {
    m_clickEdit.Set(pfn, pData);
}

void CListCtrlBase::SetCharFilter(PFNCHARFILTER pfn, void* pData) {
    m_edit->SetCharFilter(pfn, pData);
}

void CListCtrlBase::SetTextCheck(PFNTEXTCHECK pfn, void* pData) {
    m_edit->SetTextCheck(pfn, pData);
}

void CListCtrlBase::SetColumnAccessibleName(int nCol, const QString& name) {
    if (CHeaderData* data = GetHeaderDataByIndex(nCol))
        data->m_strAccessibleName = name;
}

void CListCtrlBase::SetAccessibleTextCallback(PFNACCESSIBLETEXT pfn, void* pData) {
    m_accessibleText.Set(pfn, pData);
}

void CListCtrlBase::SetFillInTextCallback(PFNFILLINTEXT pfn, void* pData) {
    m_fillInText.Set(pfn, pData);
    viewport()->update();
}

QString CListCtrlBase::GetColumnAccessibleName(int nCol) const {
    const CHeaderData* data = GetHeaderDataByIndex(nCol);
    return data && !data->m_strAccessibleName.isEmpty() ? data->m_strAccessibleName
                                                        : GetColumnHeading(nCol);
}

void CListCtrlBase::GetCellAccessibleText(int nItem, int nCol, QString* pName,
                                          QString* pDescription) const {
    const CHeaderData* data = GetHeaderDataByIndex(nCol);
    *pName = GetCellDisplayText(nItem, nCol);
    // A button says what it does: its column's name, when the caption is only a sign. A
    // cell without a caption shows no button and stays empty.
    if (data && data->m_nKind == KIND_BUTTON && !data->m_strAccessibleName.isEmpty() &&
        !pName->isEmpty())
        *pName = data->m_strAccessibleName;
    pDescription->clear();
    if (m_accessibleText)
        m_accessibleText(const_cast<CListCtrlBase*>(this), nItem, nCol, pName, pDescription);
}

bool CListCtrlBase::MayClickAfterEdit(int nEditRow, int nEditCol, int nRow, int nCol, bool bLeft) {
    return m_clickEdit.Ask(true, this, nEditRow, nEditCol, nRow, nCol, bLeft);
}

// ---------------------------------------------------------------- list-view reports

void CListCtrlBase::OnItemChanged(int nItem, unsigned oldState, unsigned newState) {
    Q_UNUSED(nItem);
    // Only the focus coming to a row reports: a selection change on the focused row comes in
    // the middle of a move (SetCurrentCell clears the selection before it moves the focus), and
    // reporting there would announce a cell the move only passes, the old row in the new column.
    if ((newState & LVIS_FOCUSED) && !(oldState & LVIS_FOCUSED))
        ReportCurrentCell();
    if (m_pRowHeader)
        m_pRowHeader->update();
}

void CListCtrlBase::OnDeleteItem(int nItem) {
    Q_UNUSED(nItem);
    if (GetItemCount() <= 1)
        m_nCurCol = -1;
}

void CListCtrlBase::OnHiddenRowsChanged() {
    // The row header lays its buttons out by the shown rows too.
    RedrawRowHeader();
}

void CListCtrlBase::OnEndScroll() {
    if (IsEditing() && m_openEditor == OpenEditor::EditBox)
        EndEdit();
    else
        RedrawRowHeader();
}

} // namespace Pelmo
