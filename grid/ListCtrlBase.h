#pragma once

#include "grid/GridAttributes.h"
#include "grid/GridCallback.h"
#include "grid/ListCtrlEx.h"

#include <QHash>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <memory>

class QLabel;
class QPainter;

namespace Pelmo {

class CHeaderCtrlEx;
class CRowHeader;
class CEditEx;
class CListBoxEx;

// The grid: a list-view whose rows are painted cell by cell, with per-row, per-column and
// per-cell read-only flags and colours, column kinds (text, check box, choice, button), an
// optional append row, a column header with stable column keys, a row header beside it, and
// in-place editing. The list-view keeps the rows and texts; everything else is keyed here by
// row id (stable across sorting) and column key (stable across insertion and deletion).
//
// The companions (header, row header, editor, drop-down list) hold no key to the grid's
// state: they ask it the questions below.
class CListCtrlBase : public CListCtrlEx {
    Q_OBJECT

public:
    explicit CListCtrlBase(QWidget* parent = nullptr);
    ~CListCtrlBase() override;

    // ---- the public interface, in the order of CListCtrlEx ----
    void DrawItem(DRAWITEMSTRUCT* dis) override;
    bool Create(unsigned dwStyle, const QRect& rect, QWidget* pParent, unsigned nID) override;

    int InsertColumn(int nCol, const QString& heading, bool bReadOnly = false,
                     int nFormat = LVCFMT_LEFT, int nWidth = 80, int nSubItem = -1) override;
    void SetColumnText(int nCol) override;
    void SetColumnCheckBox(int nCol) override;
    void SetColumnButton(int nCol) override;
    void SetColumnChoiceCallback(int nCol, PFNFILLCHOICES pfnFill, PFNCHOICETEXT pfnText,
                                 int nMaxRows, QChar chSeparator, void* pData) override;
    void SetColumnChoiceList(int nCol, const QStringList* pItems, int nMaxRows,
                             QChar chSeparator) override;
    bool DeleteColumn(int nCol) override;
    void SetColumnColor(int nCol, COLORREF crText, COLORREF crBack) override;
    bool GetColumnColor(int nCol, COLORREF* pText, COLORREF* pBack) const override;
    void ResetColumnColor(int nCol) override;
    void SetColumnReadOnly(int nCol, bool bReadOnly) override;
    bool IsColumnReadOnly(int nCol) const override;

    void SetHeaderLines(int nLines) override;
    void SetHeaderHeight(int nPixels) override;
    int GetHeaderLines(int* pHeight) const override;
    void SetHeaderAlign(int nAlign) override;
    void EnableColumnSizing(bool bEnable) override;
    void EnableColumnDragDrop(bool bEnable) override;
    void SetHeaderFont(const QFont& font) override;
    void SetHeaderFont(const QString& face, int nPoint, bool bBold, bool bItalic) override;
    QFont GetHeaderFont() const override;

    int InsertItem(unsigned nMask, int nItem, const QString& text, unsigned nState,
                   unsigned nStateMask, quintptr lParam, bool bReadOnly) override;
    int InsertItem(int nItem, const QString& text, bool bReadOnly = false) override;
    bool DeleteItem(int nItem) override;
    bool DeleteAllItems() override;
    void SelectRow(int nItem, bool bSelect) override;
    void ClearRow(int nItem, bool bIncludeReadOnly) override;
    void ClearAllRows(bool bIncludeReadOnly) override;
    void SetRowReadOnly(int nItem, bool bReadOnly) override;
    bool IsRowReadOnly(int nItem) const override;
    void SetRowHeight(int nPixels) override;
    int GetRowHeight() const override;
    int GetEditState(int nItem) const override;
    bool SortItems(PFNLVCOMPARE pfnCompare, quintptr lParamSort) override;
    bool SortItemsEx(PFNLVCOMPARE pfnCompare, quintptr lParamSort) override;

    void SetRowHeaderWidth(int nWidth) override;
    int GetRowHeaderWidth() const override;
    void SetRowHeaderAlign(int nAlign) override;
    void SetRowHeaderUseLabels(bool bUse) override;
    bool SetRowLabel(int nItem, const QString& text) override;
    void RedrawRowHeader() override;

    bool SetCurrentCell(int nItem, int nCol, bool bEnsureVisible, bool bRowSelect) override;
    bool GetCurrentCell(int* pItem, int* pCol, bool bSelectedOnly) const override;
    void ResetSelection() override;
    int GetCellSelectState(int nItem, int nCol) const override;
    bool BeginEdit(int nItem, int nCol) override;
    bool EndEdit() override;
    bool CancelEdit() override;
    bool IsEditing() const override;
    void ClearCell(int nItem, int nCol, bool bIncludeReadOnly) override;
    void ResetGrid() override;

    void SetCellReadOnly(int nItem, int nCol, bool bReadOnly) override;
    bool IsCellReadOnly(int nItem, int nCol) const override;
    void SetCellColor(int nItem, int nCol, COLORREF crText, COLORREF crBack) override;
    bool GetCellColor(int nItem, int nCol, COLORREF* pText, COLORREF* pBack) const override;
    bool GetCellDisplayColor(int nItem, int nCol, COLORREF* pText, COLORREF* pBack) const override;
    void ResetCellColor(int nItem, int nCol) override;

    void SetFont(const QFont& font) override;
    void SetFont(const QString& face, int nPoint, bool bBold, bool bItalic) override;
    QFont GetFont() const override;
    void SetKeyMoves(int nTab, int nEnter, int nUp, int nDown, int nLeft, int nRight) override;
    void GetKeyMoves(int* pTab, int* pEnter, int* pUp, int* pDown, int* pLeft,
                     int* pRight) const override;
    void SetAppendRow(bool bOn) override;
    bool GetAppendRow() const override;
    bool IsRowSelect() const override;
    void EnableMultiSelect(bool bEnable) override;
    bool GetModified() const override;
    void SetModified(bool bModified) override;
    void SetCaretOnShow(int n) override;
    int GetCaretOnShow() const override;
    COLORREF GetKeyColor(COLOR_KEY key) const override;
    void SetKeyColor(COLOR_KEY key, COLORREF color) override;

    QRect GetGridRect() const override;
    void MoveGrid(const QRect& rect) override;
    void SetGridSize(int cx, int cy) override;
    void FitToParent(int nRightMargin, int nBottomMargin) override;
    bool HitTestCell(const QPoint& ptScreen, GRIDHITTEST* pHit) const override;

    void SetCancelWindow(QWidget* pWnd, bool bAdd) override;
    void RemoveAllCancelWindows() override;
    void CancelNextEndEdit() override;
    void SetEditTextCallback(PFNEDITTEXT pfn, void* pData) override;
    void SetEndEditCallback(PFNENDEDIT pfn, void* pData) override;
    void SetKeyMoveCallback(PFNKEYMOVE pfn, void* pData) override;
    void SetClickEditCallback(PFNCLICKEDIT pfn, void* pData) override;
    void SetCharFilter(PFNCHARFILTER pfn, void* pData) override;
    void SetTextCheck(PFNTEXTCHECK pfn, void* pData) override;
    void SetColumnAccessibleName(int nCol, const QString& name) override;
    void SetAccessibleTextCallback(PFNACCESSIBLETEXT pfn, void* pData) override;
    void SetFillInTextCallback(PFNFILLINTEXT pfn, void* pData) override;

    void SetNotifyHandler(GridNotifyHandler handler) override;

    // ---- used by the companions and the editing flow ----
    // Column key of a column index (0 for none) and the column's record (null for none).
    unsigned GetColumnKey(int nCol) const;
    CHeaderData* GetHeaderDataByIndex(int nCol) const;
    // What a screen reader calls a column, and says of a cell (see SetAccessibleTextCallback).
    QString GetColumnAccessibleName(int nCol) const;
    void GetCellAccessibleText(int nItem, int nCol, QString* pName, QString* pDescription) const;
    // The cell as drawn: border lines included, shared with the neighbours (viewport
    // coordinates). Empty out of range.
    QRect GetCellRect(int nItem, int nCol) const;
    // Whether a point (viewport coordinates) is on the drop-down button of a choice cell.
    bool IsOnDropButton(const QPoint& ptClient, int nItem, int nCol) const;
    // A cell's text as painted: a choice's display name, nothing for a check box, the stored
    // text otherwise. Painting and assistive technology both read it here.
    QString GetCellDisplayText(int nItem, int nCol) const;
    // Width of a drop-down button (the platform's vertical scroll-bar width).
    int GetDropButtonWidth() const;
    int GetTextMargin() const { return m_nTextMargin; }
    CHeaderCtrlEx* GetHeaderCtrlEx() const { return m_pHeader; }
    CRowHeader* GetRowHeader() const;
    CEditEx* GetEdit() const { return m_edit.get(); }
    CListBoxEx* GetListBox() const { return m_listBox.get(); }
    unsigned GetControlId() const { return m_nID; }
    // Whether the grid, its editor or its drop-down list has the keyboard focus.
    bool HasGridFocus() const;
    bool IsColumnSizingEnabled() const;
    // The editor's window rectangle in screen coordinates (empty when no editor is open).
    QRect GetEditWindowRect() const;

    // Row selection from the row header: select nItem alone, or extend from the selection
    // mark to it; optionally scroll it into view. Whole-row mode follows.
    void SelectRowFromHeader(int nItem, bool bEnsureVisible, bool bExtend);
    void SelectAllRows();

    // The paste notification with the clipboard text as given.
    void SendPasteNotify(const QString& text);
    // Right-click on a header: notification 6 with the given event (8 column, 9 row header).
    void SendHeaderEvent(int nEvent, int nRow, int nCol);

    // Scrolls a cell into view: horizontally with a 10-pixel allowance, vertically fully.
    void ScrollCellIntoView(int nItem, int nCol);
    // Sizes a column to its contents (double-click on a header divider).
    void AutoSizeColumn(int nCol);
    // Toggles a check-box cell and reports the change.
    void ToggleCheckBox(int nItem, int nCol);
    // Opens an editor; bTyping when a typed character starts the edit.
    bool BeginEdit(int nItem, int nCol, bool bTyping);

    // The read-only flags and colours by row id and column key.
    const CGridAttributes& GetAttributes() const { return m_attrs; }

    // ---- questions the companions ask ----
    // The current column, -1 for none (the column header tints it).
    int GetCurrentColumn() const { return m_nCurCol; }
    // The cell an editor is open on; false, with -1s, when none is.
    bool GetEditCell(int* pRow, int* pCol) const;
    // Whether a point (viewport coordinates) is on the drop-down button of the cell being
    // edited.
    bool IsOnEditedDropButton(const QPoint& ptClient) const;
    // Once a click elsewhere has committed the edit of (nEditRow, nEditCol): may the click
    // act on (nRow, nCol)? The client's click-edit callback decides; without one it may.
    bool MayClickAfterEdit(int nEditRow, int nEditCol, int nRow, int nCol, bool bLeft);
    // The check-box or button cell shown pushed (by the mouse or the Space key); false, with
    // the pointers untouched, when none is. And whether the mouse is following the press.
    bool GetPushedCell(int* pItem, int* pCol) const;
    bool IsTrackingPress() const { return m_press.bTracking; }

protected:
    void OnItemChanged(int nItem, unsigned oldState, unsigned newState) override;
    void OnDeleteItem(int nItem) override;
    void OnEndScroll() override;
    void OnHiddenRowsChanged() override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    // Colours a cell is drawn with when not selected; the flags tell whether each came from
    // the key colours (and so is not darkened under selection).
    void GetCellColors(int nItem, int nCol, COLORREF* pBack, COLORREF* pText, bool* pBackFromKey,
                       bool* pTextFromKey) const;
    // The font rows are drawn in: the grid font once set, else the widget's font.
    QFont GetGridFont() const;
    // Sends a notification to the parent's handler.
    void SendGridNotify(unsigned code, int nRow, int nCol, int nEvent);
    // Notification 5 when (focused row, current column) differs from the last reported pair;
    // while m_bFollowFocus is clear the pair is only recorded.
    void ReportCurrentCell();
    // Turns the append row into a pending new row and makes a new append row below it.
    bool TakeAppendRow(int nItem);
    // Repaints one row (its rectangle one pixel taller), the visible rows, or everything.
    void RedrawRow(int nItem);
    void RedrawGrid();
    // Whether a row is on screen, the one cut off at the bottom included. Read from the scroll
    // bar, not GetTopIndex: filling a grid must not bring its scroll range up to date per row.
    bool IsRowOnScreen(int nItem) const;

    bool HeaderPressWhileEditing(QMouseEvent* event);
    // Keys and mouse.
    void MoveCurrentCell(int nItem, int nCol, bool bEnsureVisible = true);
    // Rows among the shown ones: where the focus is, the first and the last; selecting the
    // shown rows between two rows.
    int FocusedPlace() const;
    int FirstShownRow() const;
    int LastShownRow() const;
    void SelectShownRows(int nFrom, int nTo);
    int MoveTarget(int nSetting, int dRow, int dCol, int* pRow, int* pCol) const;
    bool MoveByTabOrEnter(int nSetting, bool bShift, bool bTab);
    void MoveByArrow(int nKey, Qt::KeyboardModifiers mods);
    void ExtendByArrow(QKeyEvent* event);
    void MoveHomeEnd(bool bEnd, bool bCtrl, bool bShift);
    bool MoveByPage(QKeyEvent* event);
    bool HandleEditorKey(QKeyEvent* event);
    bool HandleGridKey(QKeyEvent* event);
    // The cell is the current one, editable and of the drop-down kind.
    bool IsChoiceCell(int nItem, int nCol, bool bCurrent) const;
    // A check box or button cell that a press acts on.
    bool IsPressCell(int nItem, int nCol) const;
    bool StartSpacePress(int nItem, int nCol);
    bool StartEditByTyping(const QString& text);
    // Input-method compositions typed on the grid: into the edit box the grid holds the focus
    // for, or picking from the open drop-down list.
    void PassCompositionToEditor(QInputMethodEvent* event);
    void PickByComposition(QInputMethodEvent* event);
    bool PressByCommittedSpace(QInputMethodEvent* event);
    // The composition typed into the open list, shown over its cell; hidden when empty.
    void ShowListComposition(const QString& text);
    QRect WithOpenList(const QRect& rcCell) const;
    void EndGridComposition();
    bool KeyForComposingEditor(QKeyEvent* event);
    bool StartMousePress(int nItem, int nCol);
    void ActOnPressedCell(int nItem, int nCol, int nButtonEvent);
    void CancelKeyPress();
    bool IsEditorKey() const;
    void RightPress(const QPoint& pt, int nItem, int nCol);

    // Editing: the drop-down list or the edit box over a cell; closing whichever is open.
    bool OpenChoiceList(int nItem, int nCol, QRect rc, CHeaderData* pData, COLORREF crText,
                        COLORREF crBack);
    bool OpenEditBox(int nItem, int nCol, QRect rc, CHeaderData* pData, COLORREF crText,
                     COLORREF crBack, bool bTyping);
    void CloseEditors();

    // Painting of one cell's content by kind.
    void DrawCellText(QPainter& p, const QRect& rc, const QString& text, int nFormat) const;
    void DrawCheckCell(QPainter& p, const QRect& rc, int nItem, int nCol, const QString& text,
                       int nFormat, bool bReadOnly) const;
    void DrawButtonCell(QPainter& p, const QRect& rc, int nItem, int nCol, const QString& text,
                        bool bReadOnly) const;
    void DrawChoiceCell(QPainter& p, const QRect& rc, int nItem, int nCol, const QString& shown,
                        int nFormat, bool bReadOnly);
    QString DisplayText(const CHeaderData* pData, int nItem, int nCol, const QString& stored) const;

    // Layout of grid and row header in an outer rectangle (parent coordinates).
    void LayoutGrid(const QRect& rcOuter, int nRowHeaderWidth);
    QRect GetGridRectInParent() const;
    void AttachWindow();
    void ApplyGridFont(const QFont& font);
    void ApplyHeaderHeight();
    void RestoreScroll(int nTop, int nX);
    void MeasureTextMargin();
    void UpdateRowHeight();
    void ShowRowHeader(bool bShow);

    // Record keeping.
    void SetColumnKind(int nCol, int nKind);
    void ClearCellRaw(int nItem, int nCol);
    bool IsAppendRow(int nItem) const;
    int InsertAppendRow();
    void CommitEditInColumn(int nCol);
    QList<int> SelectedRows() const;
    static COLORREF Darken(COLORREF c, double factor);

    // ---- state ----
    // The open editor; the numbers are those GetEditState reports for the edited row.
    enum class OpenEditor : int { None = 0, EditBox = ES_EDITBOX, ChoiceList = ES_CHOICELIST };
    // The key-movement settings (KM_*), as SetKeyMoves takes them.
    struct KeyMoves {
        int nTab = KM_RIGHT;
        int nEnter = KM_DOWN;
        int nUp = KM_WRAP_LINE;
        int nDown = KM_WRAP_LINE;
        int nLeft = KM_WRAP_LINE;
        int nRight = KM_WRAP_LINE;
    };

    bool m_bAppendRowMode = false;
    unsigned m_nPendingRowId = unsigned(-1);
    unsigned m_nAppendRowId = unsigned(-1);
    int m_nCurCol = -1;
    bool m_bRowSelect = false;
    bool m_bModified = false;
    int m_nRowHeight = -1;
    bool m_bFollowFocus = true;
    int m_nLastCol = -1;
    int m_nLastRow = -1;
    CHeaderCtrlEx* m_pHeader = nullptr; // owned by the list-view once installed
    std::unique_ptr<CEditEx> m_edit;
    std::unique_ptr<CListBoxEx> m_listBox;
    QPointer<QLabel> m_pListComposition; // a child of the viewport, made on first use
    int m_nEditCol = -1;
    int m_nEditRow = -1;
    OpenEditor m_openEditor = OpenEditor::None;
    // The edit box was opened by a composition that is still going on: the grid keeps the
    // focus (moving it would make the input method drop the composition) and passes the
    // composition on to the editor until it is committed or cancelled.
    bool m_bComposingForEditor = false;
    // Set while a key the grid took is on its way to the editor: one the editor does not want
    // comes back to the grid and goes no further.
    bool m_bForwardingKey = false;
    QString m_strEditOpenText; // what the edit box showed when it opened
    bool m_bClosingEdit = false;
    int m_nTextMargin = 2;
    GRIDPRESS m_press;
    QPoint m_ptRButton{-1, -1};
    int m_nRButtonCol = -1;
    int m_nRButtonRow = -1;
    QList<QPointer<QWidget>> m_cancelWindows;
    bool m_bCancelNextEnd = false;
    std::unique_ptr<QFont> m_pFont; // null: the widget's font
    bool m_bMultiSelect = true;
    bool m_bSavedSingleSel = false;
    KeyMoves m_keyMoves;
    int m_nRowHeaderWidth = -1;
    QPointer<CRowHeader> m_pRowHeader; // a sibling widget: it lives in the grid's parent

    // Per row (by row id), per column (by column key) and per cell; the colours by role.
    CGridAttributes m_attrs;

    // The client's callbacks with their opaque values.
    CGridCallback<PFNEDITTEXT> m_editText;
    CGridCallback<PFNENDEDIT> m_endEdit;
    CGridCallback<PFNKEYMOVE> m_keyMove;
    CGridCallback<PFNCLICKEDIT> m_clickEdit;
    CGridCallback<PFNACCESSIBLETEXT> m_accessibleText;
    CGridCallback<PFNFILLINTEXT> m_fillInText;

    GridNotifyHandler m_notify;
    unsigned m_nID = 0;
    bool m_bCreated = false;
    bool m_bColumnSizing = true;

    // ---- keyboard, mouse and selection ----
    // Where the last left press landed and on which cell, for the double-click that may
    // follow: the press may have scrolled that cell away from under the pointer.
    QPoint m_ptLastPress{-1, -1};
    int m_nLastPressRow = -1;
    int m_nLastPressCol = -1;
};

} // namespace Pelmo
