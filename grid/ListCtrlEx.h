#pragma once

#include "grid/GridTypes.h"
#include "platform/ui/ListCtrl.h"

#include <QFont>
#include <QRect>

namespace Pelmo {

// The grid as its clients see it: every public operation, with no data and no behaviour of
// its own. CListCtrlBase is the implementation. Row and column arguments are indexes (columns
// by sub-item number, not display order); a refused call returns false, 0 or -1, or does
// nothing, and changes nothing.
//
// Fonts are QFonts where the operations of a Windows grid take a LOGFONTW; notifications go
// to the handler installed with SetNotifyHandler, which stands in for the parent window.
class CListCtrlEx : public CListCtrl {
public:
    explicit CListCtrlEx(QWidget* parent = nullptr) : CListCtrl(parent) {}
    ~CListCtrlEx() override = default;

    // 1. Paints one row.
    void DrawItem(DRAWITEMSTRUCT* dis) override = 0;
    // 2. Places the grid in its parent and sets it up (style: WS_VISIBLE, LVS_SINGLESEL).
    virtual bool Create(unsigned dwStyle, const QRect& rect, QWidget* pParent, unsigned nID) = 0;

    // Columns.
    virtual int InsertColumn(int nCol, const QString& heading, bool bReadOnly = false,
                             int nFormat = LVCFMT_LEFT, int nWidth = 80,
                             int nSubItem = -1) = 0; // 3
    virtual void SetColumnText(int nCol) = 0;        // 4
    virtual void SetColumnCheckBox(int nCol) = 0;    // 5
    virtual void SetColumnButton(int nCol) = 0;      // 6
    virtual void SetColumnChoiceCallback(int nCol, PFNFILLCHOICES pfnFill, PFNCHOICETEXT pfnText,
                                         int nMaxRows, QChar chSeparator, void* pData) = 0; // 7
    virtual void SetColumnChoiceList(int nCol, const QStringList* pItems, int nMaxRows,
                                     QChar chSeparator) = 0;                           // 8
    virtual bool DeleteColumn(int nCol) = 0;                                           // 9
    virtual void SetColumnColor(int nCol, COLORREF crText, COLORREF crBack) = 0;       // 10
    virtual bool GetColumnColor(int nCol, COLORREF* pText, COLORREF* pBack) const = 0; // 11
    virtual void ResetColumnColor(int nCol) = 0;                                       // 12
    virtual void SetColumnReadOnly(int nCol, bool bReadOnly) = 0;                      // 13
    virtual bool IsColumnReadOnly(int nCol) const = 0;                                 // 14

    // Column header.
    virtual void SetHeaderLines(int nLines) = 0;                                               // 15
    virtual void SetHeaderHeight(int nPixels) = 0;                                             // 16
    virtual int GetHeaderLines(int* pHeight) const = 0;                                        // 17
    virtual void SetHeaderAlign(int nAlign) = 0;                                               // 18
    virtual void EnableColumnSizing(bool bEnable) = 0;                                         // 19
    virtual void EnableColumnDragDrop(bool bEnable) = 0;                                       // 20
    virtual void SetHeaderFont(const QFont& font) = 0;                                         // 21
    virtual void SetHeaderFont(const QString& face, int nPoint, bool bBold, bool bItalic) = 0; // 22
    virtual QFont GetHeaderFont() const = 0;                                                   // 23

    // Rows.
    virtual int InsertItem(unsigned nMask, int nItem, const QString& text, unsigned nState,
                           unsigned nStateMask, quintptr lParam, bool bReadOnly) = 0;   // 24
    virtual int InsertItem(int nItem, const QString& text, bool bReadOnly = false) = 0; // 25
    virtual bool DeleteItem(int nItem) = 0;                                             // 26
    virtual bool DeleteAllItems() = 0;                                                  // 27
    virtual void SelectRow(int nItem, bool bSelect) = 0;                                // 28
    virtual void ClearRow(int nItem, bool bIncludeReadOnly) = 0;                        // 29
    virtual void ClearAllRows(bool bIncludeReadOnly) = 0;                               // 30
    virtual void SetRowReadOnly(int nItem, bool bReadOnly) = 0;                         // 31
    virtual bool IsRowReadOnly(int nItem) const = 0;                                    // 32
    virtual void SetRowHeight(int nPixels) = 0;                                         // 33
    virtual int GetRowHeight() const = 0;                                               // 34
    virtual int GetEditState(int nItem) const = 0;                                      // 35
    virtual bool SortItems(PFNLVCOMPARE pfnCompare, quintptr lParamSort) = 0;           // 36
    virtual bool SortItemsEx(PFNLVCOMPARE pfnCompare, quintptr lParamSort) = 0;         // 37

    // Row header.
    virtual void SetRowHeaderWidth(int nWidth) = 0;               // 38
    virtual int GetRowHeaderWidth() const = 0;                    // 39
    virtual void SetRowHeaderAlign(int nAlign) = 0;               // 40
    virtual void SetRowHeaderUseLabels(bool bUse) = 0;            // 41
    virtual bool SetRowLabel(int nItem, const QString& text) = 0; // 42
    virtual void RedrawRowHeader() = 0;                           // 43

    // Current cell, selection and editing.
    virtual bool SetCurrentCell(int nItem, int nCol, bool bEnsureVisible,
                                bool bRowSelect) = 0;                                 // 44
    virtual bool GetCurrentCell(int* pItem, int* pCol, bool bSelectedOnly) const = 0; // 45
    virtual void ResetSelection() = 0;                                                // 46
    virtual int GetCellSelectState(int nItem, int nCol) const = 0;                    // 47
    virtual bool BeginEdit(int nItem, int nCol) = 0;                                  // 48
    virtual bool EndEdit() = 0;                                                       // 49
    virtual bool CancelEdit() = 0;                                                    // 50
    virtual bool IsEditing() const = 0;                                               // 51
    virtual void ClearCell(int nItem, int nCol, bool bIncludeReadOnly) = 0;           // 52
    virtual void ResetGrid() = 0;                                                     // 53

    // Cells.
    virtual void SetCellReadOnly(int nItem, int nCol, bool bReadOnly) = 0;                // 54
    virtual bool IsCellReadOnly(int nItem, int nCol) const = 0;                           // 55
    virtual void SetCellColor(int nItem, int nCol, COLORREF crText, COLORREF crBack) = 0; // 56
    virtual bool GetCellColor(int nItem, int nCol, COLORREF* pText,
                              COLORREF* pBack) const = 0; // 57
    virtual bool GetCellDisplayColor(int nItem, int nCol, COLORREF* pText,
                                     COLORREF* pBack) const = 0; // 58
    virtual void ResetCellColor(int nItem, int nCol) = 0;        // 59

    // Fonts and settings.
    virtual void SetFont(const QFont& font) = 0;                                         // 60
    virtual void SetFont(const QString& face, int nPoint, bool bBold, bool bItalic) = 0; // 61
    virtual QFont GetFont() const = 0;                                                   // 62
    virtual void SetKeyMoves(int nTab, int nEnter, int nUp, int nDown, int nLeft,
                             int nRight) = 0; // 63
    virtual void GetKeyMoves(int* pTab, int* pEnter, int* pUp, int* pDown, int* pLeft,
                             int* pRight) const = 0;             // 64
    virtual void SetAppendRow(bool bOn) = 0;                     // 65
    virtual bool GetAppendRow() const = 0;                       // 66
    virtual bool IsRowSelect() const = 0;                        // 67
    virtual void EnableMultiSelect(bool bEnable) = 0;            // 68
    virtual bool GetModified() const = 0;                        // 69
    virtual void SetModified(bool bModified) = 0;                // 70
    virtual void SetCaretOnShow(int n) = 0;                      // 71
    virtual int GetCaretOnShow() const = 0;                      // 72
    virtual COLORREF GetKeyColor(COLOR_KEY key) const = 0;       // 73
    virtual void SetKeyColor(COLOR_KEY key, COLORREF color) = 0; // 74

    // Geometry: the outer rectangle covers grid and row header.
    virtual QRect GetGridRect() const = 0;                                         // 75 screen
    virtual void MoveGrid(const QRect& rect) = 0;                                  // 76 parent
    virtual void SetGridSize(int cx, int cy) = 0;                                  // 77
    virtual void FitToParent(int nRightMargin, int nBottomMargin) = 0;             // 78
    virtual bool HitTestCell(const QPoint& ptScreen, GRIDHITTEST* pHit) const = 0; // 79

    // Editing hooks.
    virtual void SetCancelWindow(QWidget* pWnd, bool bAdd) = 0;           // 80
    virtual void RemoveAllCancelWindows() = 0;                            // 81
    virtual void CancelNextEndEdit() = 0;                                 // 82
    virtual void SetEditTextCallback(PFNEDITTEXT pfn, void* pData) = 0;   // 83
    virtual void SetEndEditCallback(PFNENDEDIT pfn, void* pData) = 0;     // 84
    virtual void SetKeyMoveCallback(PFNKEYMOVE pfn, void* pData) = 0;     // 85
    virtual void SetClickEditCallback(PFNCLICKEDIT pfn, void* pData) = 0; // 86
    virtual void SetCharFilter(PFNCHARFILTER pfn, void* pData) = 0;       // 87
    virtual void SetTextCheck(PFNTEXTCHECK pfn, void* pData) = 0;         // 88

    // What a screen reader hears. A column's name goes to its header cell, its editor and, in
    // a button column, its buttons (empty: the heading and the captions); the callback names
    // and describes each cell.
    virtual void SetColumnAccessibleName(int nCol, const QString& name) = 0;        // 89
    virtual void SetAccessibleTextCallback(PFNACCESSIBLETEXT pfn, void* pData) = 0; // 90

    // What an empty text cell shows while rows are hidden (see PFNFILLINTEXT).
    virtual void SetFillInTextCallback(PFNFILLINTEXT pfn, void* pData) = 0; // 91

    // Where notifications go: the parent installs its handler (called synchronously).
    virtual void SetNotifyHandler(GridNotifyHandler handler) = 0;
};

} // namespace Pelmo
