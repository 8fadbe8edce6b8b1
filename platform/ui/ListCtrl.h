#pragma once

#include <QAbstractScrollArea>
#include <QList>
#include <QRect>
#include <QString>
#include <vector>

class QHeaderView;
class QPainter;

// Item states, flags and codes with their Windows values, so that code written against the
// report-style list-view reads the same here.
enum : unsigned { LVIS_FOCUSED = 0x0001, LVIS_SELECTED = 0x0002, LVIS_STATEIMAGEMASK = 0xF000 };
// The state image of a row: with check boxes, image 1 is an unchecked box and image 2 a
// checked one.
constexpr unsigned INDEXTOSTATEIMAGEMASK(unsigned image) {
    return image << 12;
}
enum : unsigned { LVIF_TEXT = 0x0001, LVIF_PARAM = 0x0004, LVIF_STATE = 0x0008 };
enum : unsigned {
    LVNI_ALL = 0x0000,
    LVNI_FOCUSED = 0x0001,
    LVNI_SELECTED = 0x0002,
    LVNI_ABOVE = 0x0100,
    LVNI_BELOW = 0x0200
};
enum : int { LVCFMT_LEFT = 0, LVCFMT_RIGHT = 1, LVCFMT_CENTER = 2 };
enum : int { LVIR_BOUNDS = 0, LVIR_ICON = 1, LVIR_LABEL = 2 };
enum : unsigned {
    LVHT_NOWHERE = 0x0001,
    LVHT_ONITEMLABEL = 0x0004,
    LVHT_ABOVE = 0x0008,
    LVHT_BELOW = 0x0010,
    LVHT_TORIGHT = 0x0020,
    LVHT_TOLEFT = 0x0040
};
// Owner-draw item states (DRAWITEMSTRUCT::itemState).
enum : unsigned { ODS_SELECTED = 0x0001, ODS_FOCUS = 0x0010 };

// What DrawItem gets for one row. rcItem spans the whole row in viewport coordinates
// (all columns, scrolled horizontally), pDC paints into the viewport.
struct DRAWITEMSTRUCT {
    int itemID = -1;        // row index
    unsigned itemState = 0; // ODS_SELECTED / ODS_FOCUS
    QRect rcItem;
    QPainter* pDC = nullptr;
    quintptr itemData = 0;
};

// Compare function for SortItems (item data) and SortItemsEx (row indexes): <0, 0, >0.
using PFNLVCOMPARE = int (*)(quintptr lParam1, quintptr lParam2, quintptr lParamSort);

// A report-style list-view: rows with stable ids, one text per row and column, item data,
// selected/focused states and a selection mark, sorting, owner drawing of whole rows and a
// column header (a QHeaderView whose logical index is the column's sub-item index and whose
// visual index is its display order). Rows have one fixed height. It paints only the rows
// that are visible. Geometry (item rectangles, hit tests) is in viewport coordinates; the
// header sits above the viewport.
//
// The default input handling is the plain list-view's: a click focuses and selects a row
// (Ctrl toggles, Shift extends from the selection mark unless single selection is on), the
// arrow, Page and Home/End keys move the focused row. Subclasses replace what they need.
class CListCtrl : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CListCtrl(QWidget* parent = nullptr);
    ~CListCtrl() override;

    // Columns. nCol is the sub-item index; a column inserted at nCol shifts later ones, and
    // the texts of every row shift with them. InsertColumn clamps nCol to the end, refuses a
    // negative one (-1) and takes a negative width as 0; nSubItem is accepted for the
    // familiar call shape and ignored (a column's sub-item index is always its index).
    // SetColumnWidth also takes LVSCW_AUTOSIZE (widest text) and LVSCW_AUTOSIZE_USEHEADER
    // (widest text or heading). For a column out of range the getters give width 0,
    // format -1 and an empty heading; the setters refuse (false).
    static constexpr int LVSCW_AUTOSIZE = -1;
    static constexpr int LVSCW_AUTOSIZE_USEHEADER = -2;
    int InsertColumn(int nCol, const QString& heading, int nFormat = LVCFMT_LEFT, int nWidth = 80,
                     int nSubItem = -1);
    bool DeleteColumn(int nCol);
    int GetColumnCount() const;
    int GetColumnWidth(int nCol) const;
    bool SetColumnWidth(int nCol, int cx);
    int GetColumnFormat(int nCol) const;
    bool SetColumnFormat(int nCol, int nFormat);
    QString GetColumnHeading(int nCol) const;
    bool SetColumnHeading(int nCol, const QString& heading);
    QList<int> GetColumnOrderArray() const; // sub-item indexes in display order
    bool SetColumnOrderArray(const QList<int>& order);
    bool GetHeaderDragDrop() const; // user may reorder columns
    void SetHeaderDragDrop(bool enable);

    // The header. SetHeaderCtrl replaces it (the list-view takes ownership); the columns
    // already inserted move over to the new header with their widths and display order
    // (null, the present header or a vertical header are refused: nothing changes).
    // The old header is deleted later (deleteLater), so a caller still inside one of its
    // handlers is safe.
    QHeaderView* GetHeaderCtrl() const;
    void SetHeaderCtrl(QHeaderView* header);
    // Places the header again from its sizeHint (and hidden state). The list-view does this
    // itself on resizing, on showing or hiding the header and when the header reports new
    // geometry; a header whose height changed otherwise asks for it here.
    void LayoutHeader();

    // Rows.
    int GetItemCount() const;
    // Inserts at nItem (clamped to the end; negative is refused); returns the new row's index
    // or -1. nMask selects what applies: LVIF_TEXT the text (sub-item 0), LVIF_STATE
    // nState & nStateMask, LVIF_PARAM lParam. A row inserted with a state is reported to
    // OnItemChanged (old state 0), as is any row that loses focus or selection because of it.
    // Sub-item 0 always has a text; other sub-items need their column.
    int InsertItem(unsigned nMask, int nItem, const QString& text, unsigned nState,
                   unsigned nStateMask, quintptr lParam);
    int InsertItem(int nItem, const QString& text);
    // Makes room for nItems rows in all (with a text for every column), so that a fill of
    // known size does not grow the rows step by step. Changes nothing that shows.
    void ReserveItems(int nItems);
    // OnDeleteItem hears of the row first, while it is still there. A focus or selection mark
    // on the row goes with it (no OnItemChanged); those on later rows move up with their rows.
    bool DeleteItem(int nItem);
    // OnDeleteItem for every row, in index order, before any goes.
    bool DeleteAllItems();
    QString GetItemText(int nItem, int nSubItem) const;
    bool SetItemText(int nItem, int nSubItem, const QString& text);
    quintptr GetItemData(int nItem) const;
    bool SetItemData(int nItem, quintptr data);

    // Hidden rows keep their index, texts, data and state, and every call that takes a row
    // works on them as before; they only take no room. They are not painted or hit, have no
    // rectangle (GetItemRect refuses), are never scrolled to, and the keys and a Shift range
    // pass over them; the vertical scroll bar counts the shown rows. A row inserted is shown.
    // Hiding a row does not move the focus or the selection: the owner moves them first.
    void SetRowHidden(int nItem, bool bHidden);
    // One flag per row, as many as there are rows (else nothing changes): hides those set and
    // shows the others, at once.
    bool SetRowsHidden(const std::vector<bool>& hidden);
    void ShowAllRows();
    bool IsRowHidden(int nItem) const;
    int GetShownCount() const;
    // Places among the shown rows, for owners that move by rows: the place of a shown row (a
    // hidden one gives the next shown row's, GetShownCount() when none follows), and the row
    // at a place (-1 out of range). Without hidden rows both are the index itself.
    int ShownPosition(int nItem) const;
    int ShownRowAt(int nPosition) const;

    // Row ids never change while the row exists and are never reused during the control's
    // life. Unknown ids map to -1, out-of-range indexes to (unsigned)-1.
    unsigned MapIndexToId(int index) const;
    int MapIdToIndex(unsigned id) const;

    // State of one row, or of every row when nItem is -1 (SetItemState only; focusing every
    // row, or selecting every row in single selection, is refused). Only LVIS_SELECTED and
    // LVIS_FOCUSED are kept; one row at most is focused, and in single selection one at most
    // is selected. Each row whose state changes is reported to OnItemChanged at once.
    // GetNextItem searches after nItem (-1: from the start; LVNI_ABOVE: before it, upwards)
    // for a row with every state that flags names. SetSelectionMark accepts -1 or a row.
    unsigned GetItemState(int nItem, unsigned mask) const;
    bool SetItemState(int nItem, unsigned state, unsigned mask);
    int GetNextItem(int nItem, unsigned flags) const;
    int GetSelectedCount() const;
    int GetSelectionMark() const;
    int SetSelectionMark(int nItem); // returns the previous mark
    bool GetSingleSelection() const; // LVS_SINGLESEL
    void SetSingleSelection(bool single);

    // Check boxes (LVS_EX_CHECKBOXES): a box in front of each row's first column, toggled by a
    // click on it or by Space on the focused row, without touching the selection. The check is
    // the row's state image (LVIS_STATEIMAGEMASK), so its changes reach OnItemChanged and
    // ItemChanged like the other states. Switching check boxes on gives every row an unchecked
    // box silently, as do rows inserted while they are on; switching them off takes the images
    // away silently.
    bool GetCheckBoxes() const;
    void SetCheckBoxes(bool on);
    bool GetCheck(int nItem) const;
    bool SetCheck(int nItem, bool bCheck);
    // Where a row's check box is drawn and hit, in viewport coordinates; empty without boxes.
    QRect CheckBoxRect(int nItem) const;

    // Stable sorts. SortItems passes the rows' item data to compare, SortItemsEx their
    // indexes: rows do not move until the sort is over, so an index names the same row for
    // the whole sort and GetItemText(index, ...) inside compare reads that row. Ids, states,
    // data and the selection mark stay with their rows. compare must not change the list.
    bool SortItems(PFNLVCOMPARE compare, quintptr lParamSort);
    bool SortItemsEx(PFNLVCOMPARE compare, quintptr lParamSort);

    // Geometry and scrolling. Vertical scrolling is by whole rows: the vertical scroll bar's
    // value is the top index. Horizontal scrolling is by pixels. Inserting and deleting rows
    // update the vertical scroll bar's range once control returns to the event loop (or at
    // the next call below, input or paint), so that adding many rows stays cheap: read the
    // top row with GetTopIndex rather than from the scroll bar.
    int GetRowHeight() const;
    // pixels <= 0 goes back to the height taken from the font (text height + 4).
    void SetRowHeight(int pixels);
    int GetTopIndex() const;     // the top shown row; 0 when there are no rows
    int GetCountPerPage() const; // rows fully visible, at least 1
    // Scrolls vertically only, as little as needed (the row ends up at the top or bottom).
    bool EnsureVisible(int nItem, bool bPartialOK);
    // dx in pixels; dy in pixels rounded to the nearest whole row (half a row rounds away
    // from zero). Calls OnEndScroll, also when nothing moved.
    bool Scroll(int dx, int dy);
    int GetScrollX() const;
    // Rectangles, in viewport coordinates:
    //   GetItemRect LVIR_BOUNDS: the whole row (every column).
    //   GetItemRect LVIR_ICON: the first kLabelIndent pixels of column 0's cell;
    //   GetItemRect LVIR_LABEL: the rest of column 0's cell. Column 0's cell is therefore the
    //     label widened by kLabelIndent to the left, as on Windows, where the label of the
    //     first column starts a few pixels into the cell.
    //   GetSubItemRect of sub-item 0: the same three rectangles as GetItemRect.
    //   GetSubItemRect of another sub-item: LVIR_BOUNDS and LVIR_LABEL the cell,
    //     LVIR_ICON an empty (zero-width) rectangle at the cell's left edge.
    // Refused (false) for a row or column out of range, an unknown code or a null rect.
    static constexpr int kLabelIndent = 4;
    bool GetItemRect(int nItem, QRect* rect, int code) const;
    bool GetSubItemRect(int nItem, int nSubItem, int code, QRect* rect) const;
    // Point in viewport coordinates. A row counts anywhere across the columns (owner-drawn
    // rows are selected across their full width): flags LVHT_ONITEMLABEL. Outside the
    // viewport: -1 with LVHT_ABOVE / LVHT_BELOW / LVHT_TOLEFT / LVHT_TORIGHT; elsewhere
    // -1 with LVHT_NOWHERE. SubItemHitTest also gives the column (sub-item index), -1 none.
    int HitTest(const QPoint& pt, unsigned* flags = nullptr) const;
    int SubItemHitTest(const QPoint& pt, int* pSubItem, unsigned* flags = nullptr) const;
    void RedrawItems(int nFirst, int nLast);
    QColor GetBkColor() const;

signals:
    // Every state change that OnItemChanged hears, for owners that use the list as it is
    // (a dialog's list) rather than subclass it.
    void ItemChanged(int nItem, unsigned oldState, unsigned newState);

protected:
    // Paints one row; the default draws the texts plainly.
    virtual void DrawItem(DRAWITEMSTRUCT* dis);
    // Called after a row's state changed (LVN_ITEMCHANGED), and before a row goes
    // (LVN_DELETEITEM), synchronously.
    virtual void OnItemChanged(int nItem, unsigned oldState, unsigned newState);
    virtual void OnDeleteItem(int nItem);
    // Called after the view scrolled (LVN_ENDSCROLL): by Scroll, and after the user moved a
    // scroll bar or the wheel. Scrolling that the list-view does for itself (EnsureVisible,
    // keyboard focus movement, a shrinking range) does not call it.
    virtual void OnEndScroll();
    // Called after rows were hidden or shown again (the viewport is repainted already).
    virtual void OnHiddenRowsChanged();

    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click selects like any press (calls mousePressEvent).
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ChangeState(int nItem, unsigned mask, unsigned state);
    void ClearSelectionExcept(int keep);
    void SelectOnly(int nItem);
    void SelectRange(int from, int to, bool clearOthers);
    int KeyTarget(int key) const;
    int KeyPlace(int key) const;
    int AutoColumnWidth(int nCol, bool withHeading) const;
    // Whether a repaint asked for now would happen: false while hidden or while updates are
    // off (as during a fill), when there is no point in working out which rows to repaint.
    bool Painting() const;
    // Places among the shown rows: the last one the viewport reaches from top, and the top
    // one as the scroll bar holds it.
    int LastVisiblePosition(int top) const;
    int ScrollTop() const;
    // Whether inserting or deleting row nItem changes what the viewport shows.
    bool ReachesViewport(int nItem) const;
    void HiddenRowsChanged();
    void ScrollRangeChanged();
    void FlushScrollRange() const;
    QRect RowRect(int nItem) const;
    QRect CellRect(int nItem, int nCol) const;
    void SetTopIndexInternal(int top);
    void UpdateScrollBarsInternal();

    struct Impl;
    Impl* d;
};
