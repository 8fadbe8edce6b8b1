#pragma once

#include <QAbstractScrollArea>
#include <QList>
#include <QRect>
#include <QString>

class QHeaderView;
class QPainter;

// Item states, flags and codes with their Windows values, so that code written against the
// report-style list-view reads the same here.
enum : unsigned { LVIS_FOCUSED = 0x0001, LVIS_SELECTED = 0x0002 };
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

    // Columns. nCol is the sub-item index; a column inserted at nCol shifts later ones.
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
    // already inserted move over to the new header.
    QHeaderView* GetHeaderCtrl() const;
    void SetHeaderCtrl(QHeaderView* header);

    // Rows.
    int GetItemCount() const;
    // Inserts at nItem (clamped to the end); returns the new row's index or -1.
    int InsertItem(unsigned nMask, int nItem, const QString& text, unsigned nState,
                   unsigned nStateMask, quintptr lParam);
    int InsertItem(int nItem, const QString& text);
    bool DeleteItem(int nItem);
    bool DeleteAllItems();
    QString GetItemText(int nItem, int nSubItem) const;
    bool SetItemText(int nItem, int nSubItem, const QString& text);
    quintptr GetItemData(int nItem) const;
    bool SetItemData(int nItem, quintptr data);

    // Row ids never change while the row exists and are never reused during the control's
    // life. Unknown ids map to -1, out-of-range indexes to (unsigned)-1.
    unsigned MapIndexToId(int index) const;
    int MapIdToIndex(unsigned id) const;

    // State of one row, or of every row when nItem is -1 (SetItemState only).
    unsigned GetItemState(int nItem, unsigned mask) const;
    bool SetItemState(int nItem, unsigned state, unsigned mask);
    int GetNextItem(int nItem, unsigned flags) const;
    int GetSelectedCount() const;
    int GetSelectionMark() const;
    int SetSelectionMark(int nItem); // returns the previous mark
    bool GetSingleSelection() const; // LVS_SINGLESEL
    void SetSingleSelection(bool single);

    bool SortItems(PFNLVCOMPARE compare, quintptr lParamSort);
    bool SortItemsEx(PFNLVCOMPARE compare, quintptr lParamSort);

    // Geometry and scrolling.
    int GetRowHeight() const;
    void SetRowHeight(int pixels);
    int GetTopIndex() const;
    int GetCountPerPage() const; // rows fully visible
    bool EnsureVisible(int nItem, bool bPartialOK);
    bool Scroll(int dx, int dy); // pixels; vertical scrolling moves by whole rows
    int GetScrollX() const;
    bool GetItemRect(int nItem, QRect* rect, int code) const;
    bool GetSubItemRect(int nItem, int nSubItem, int code, QRect* rect) const;
    int HitTest(const QPoint& pt, unsigned* flags = nullptr) const;
    int SubItemHitTest(const QPoint& pt, int* pSubItem, unsigned* flags = nullptr) const;
    void RedrawItems(int nFirst, int nLast);
    QColor GetBkColor() const;

protected:
    // Paints one row; the default draws the texts plainly.
    virtual void DrawItem(DRAWITEMSTRUCT* dis);
    // Called after a row's state changed (LVN_ITEMCHANGED), and before a row goes
    // (LVN_DELETEITEM), synchronously.
    virtual void OnItemChanged(int nItem, unsigned oldState, unsigned newState);
    virtual void OnDeleteItem(int nItem);
    // Called after the view scrolled (LVN_ENDSCROLL).
    virtual void OnEndScroll();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Impl;
    Impl* d;
};
