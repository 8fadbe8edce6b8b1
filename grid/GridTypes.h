#pragma once

#include "grid/ColorConversion.h"
#include "platform/ColorRef.h"

#include <QChar>
#include <QMap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

// Records, codes and callback types shared by the grid and its companions (column header,
// row header, in-place editor, drop-down list). Kept free of widget headers so that clients
// can include it cheaply.
namespace Pelmo {

class CListCtrlEx;

// Cell kinds of a column (CHeaderData::m_nKind).
enum : int { KIND_TEXT = 0, KIND_CHECKBOX = 1, KIND_CHOICE = 2, KIND_BUTTON = 3 };

// Colour roles of the grid. A plain int so that a role can come from a number as well.
using COLOR_KEY = int;
enum : int {
    CK_BACK = 0,          // editable cells, and the fill behind the rows
    CK_READONLY_BACK = 1, // read-only cells
    CK_SELECTED_BACK = 2, // selected cells while the grid has the focus
    CK_SELECTED_BACK_NOFOCUS = 3,
    CK_GRIDLINE = 4,      // cell borders
    CK_TEXT = 5,          // text of editable cells
    CK_READONLY_TEXT = 6, // text of read-only cells
    CK_SELECTED_TEXT = 7, // text of selected cells with the focus
    CK_SELECTED_TEXT_NOFOCUS = 8,
    CK_EDIT_FRAME = 9, // frame of the in-place editor
    CK_COUNT = 10
};
// Colours by role. The grid holds the one in use; the editor reads it through a pointer.
using KeyColorMap = QMap<COLOR_KEY, COLORREF>;

// Tint of the current column's header item and of selected or edited rows in the row header.
constexpr COLORREF CLR_HEADER_TINT = RGB(211, 240, 224);

// One choice of a choice column: the key is written into the cell, the text is shown.
struct CKeyValue {
    QString m_strKey;
    QString m_strText;
};
using CKeyValueList = std::vector<std::unique_ptr<CKeyValue>>;

// Callbacks. Each is installed together with one opaque value; the grid calls it with
// itself first and that value last.
//
// Refills the choice strings of a choice column each time its list opens.
using PFNFILLCHOICES = void (*)(CListCtrlEx* pGrid, int nRow, int nCol, QStringList* pList,
                                void* pData);
// Gives the display text for a cell's key; the result is ignored.
using PFNCHOICETEXT = bool (*)(CListCtrlEx* pGrid, int nRow, int nCol, const QString& strKey,
                               QString* pText, void* pData);
// When a text cell's editor opens: true starts the editor with *pEditText instead.
using PFNEDITTEXT = bool (*)(CListCtrlEx* pGrid, int nRow, int nCol, const QString& strText,
                             QString* pEditText, void* pData);
// When an edit is committed: false cancels it, true stores *pStore.
using PFNENDEDIT = bool (*)(CListCtrlEx* pGrid, int nRow, int nCol, const QString& strNew,
                            QString* pStore, void* pData);
// After Tab (9) or Enter (13) committed an edit: false skips the key's movement.
using PFNKEYMOVE = bool (*)(CListCtrlEx* pGrid, int nRow, int nCol, int nKey, bool bShift,
                            void* pData);
// A mouse button went down while editing, after the edit was committed: false swallows it.
using PFNCLICKEDIT = bool (*)(CListCtrlEx* pGrid, int nEditRow, int nEditCol, int nRow, int nCol,
                              bool bLeft, void* pData);
// Each typed character: *pInsert is preset to ch and may be replaced; false drops it.
using PFNCHARFILTER = bool (*)(CListCtrlEx* pGrid, int nRow, int nCol, QChar ch, QChar* pInsert,
                               void* pData);
// The editor's whole text as it would read after a keystroke; false drops the keystroke.
using PFNTEXTCHECK = bool (*)(CListCtrlEx* pGrid, int nRow, int nCol, const QString& strText,
                              void* pData);

// For an empty text cell of a grid with hidden rows: true shows *pText in its place, such as
// the name of a group whose first row is hidden. Nothing stored changes.
using PFNFILLINTEXT = bool (*)(CListCtrlEx* pGrid, int nRow, int nCol, QString* pText, void* pData);

// What a screen reader says of a cell: *pName comes preset to the text the cell shows and
// *pDescription empty; either may be replaced. Nothing painted changes.
using PFNACCESSIBLETEXT = void (*)(CListCtrlEx* pGrid, int nRow, int nCol, QString* pName,
                                   QString* pDescription, void* pData);

// Per column: read-only flag, alignment, kind and choices. Owned by the column header's key
// map, deleted with its column.
struct CHeaderData {
    bool m_bReadOnly = false;
    int m_nFormat = 0; // 0 left, 1 right, 2 centre
    int m_nKind = KIND_TEXT;
    int m_nMaxRows = 5; // items the drop-down list shows without scrolling
    CKeyValueList m_choices;
    PFNFILLCHOICES m_pfnFillChoices = nullptr;
    void* m_pFillData = nullptr;
    PFNCHOICETEXT m_pfnChoiceText = nullptr;
    void* m_pTextData = nullptr;
    QChar m_chSeparator = QChar(0);
    QString m_strAccessibleName; // what a screen reader calls the column; empty: its heading

    // Display text of a cell's key: the callback's answer when there is one, else the text of
    // the first choice whose key equals the cell text exactly, else empty.
    QString GetChoiceText(CListCtrlEx* pGrid, const QString& strCell, int nRow, int nCol) const;
    // Appends a choice split at the separator: key = first field, text = second field.
    void AddChoice(const QString& strChoice);
    void ClearChoices();
    // Replaces every choice by the given strings, in order.
    void FillChoices(const QStringList& items);
};

// Per-cell or per-column colours; CLR_NOT_SET lets the next level decide.
struct CELLCOLOR {
    COLORREF crText = CLR_NOT_SET;
    COLORREF crBack = CLR_NOT_SET;
};

// Notification codes and events.
enum : unsigned {
    GN_CELLCHANGED = 1, // a cell value was changed by the user
    GN_DELETE = 2,      // Delete without an open editor
    GN_COPY = 3,        // Ctrl+C without an open editor
    GN_PASTE = 4,       // Ctrl+V with Unicode text on the clipboard (GRIDPASTENOTIFY)
    GN_CURCELLCHANGED = 5,
    GN_RCLICK = 6,
    GN_APPENDROW = 7, // a new append row was created
    GN_BUTTONCLICK = 8
};
enum : int {
    GE_NONE = 0,
    GE_EDITED = 1,
    GE_APPEND_EDITED = 2, // the append row became an ordinary row
    GE_DELETE = 3,
    GE_COPY = 4,
    GE_PASTE = 5,
    GE_CURCELL = 6,
    GE_RCLICK_CELL = 7,
    GE_RCLICK_HEADER = 8,
    GE_RCLICK_ROWHEADER = 9,
    GE_BUTTON_CLICK = 10,
    GE_BUTTON_SPACE = 11
};

// What the grid hands its parent, synchronously, whenever something in the table of codes
// happens. hwndFrom/idFrom/code form the usual notification header.
struct GRIDNOTIFY {
    QWidget* hwndFrom = nullptr;
    quintptr idFrom = 0;
    std::uint32_t code = 0;
    int nRow = 0;
    int nCol = 0;
    int nEvent = 0;
    int reserved[5] = {0, 0, 0, 0, 0};
};

// The paste notification (code GN_PASTE): the header and event fields as above, then the
// clipboard text as given. The receiver casts the GRIDNOTIFY it got when code is GN_PASTE.
struct GRIDPASTENOTIFY : GRIDNOTIFY {
    std::uint64_t nLength = 0; // UTF-16 code units of strText
    QString strText;
};

// The parent's notification handler.
using GridNotifyHandler = std::function<void(const GRIDNOTIFY&)>;

// What GetEditState reports for a row.
enum : int {
    ES_NONE = 0,       // not being edited
    ES_EDITBOX = 1,    // an edit box is open on one of its cells
    ES_CHOICELIST = 2, // a drop-down list is open on one of its cells
    ES_APPENDROW = 3   // the append row
};

// What GetCellSelectState reports for a cell.
enum : int {
    CSS_NONE = 0,
    CSS_SELECTED = 1,        // in a selected row, not the current cell
    CSS_CURRENT = 2,         // the current cell, its row not selected
    CSS_CURRENT_SELECTED = 3 // the current cell in a selected row
};

// Key-movement settings (SetKeyMoves): one number per key, a direction (Tab and Enter only;
// an arrow key has its own) and flags.
enum : int {
    KM_LEFT = 0,
    KM_RIGHT = 1,
    KM_DOWN = 2,
    KM_UP = 3,
    KM_STAY = 4,         // Enter is consumed, Tab passes on to the next control
    KM_DIRECTION = 0x07, // mask of the direction
    KM_WRAP_LINE = 0x10, // past a row's last column onto the next row, and so on
    // At the first or the last cell: stay there, go round to the other end, or refuse (Tab
    // then passes on to the next control).
    KM_AT_END_STAY = 0x000,
    KM_AT_END_WRAP = 0x100,
    KM_AT_END_REFUSE = 0x200,
    KM_AT_END = 0x300 // mask of the end behaviour
};

// Result of HitTestCell.
enum : int { GHT_CELL = 0, GHT_COLUMNHEADER = 1, GHT_ROWHEADER = 2 };
struct GRIDHITTEST {
    int nRow = -1;
    int nCol = -1;
    int nArea = GHT_CELL;
};

// A pressed check-box or button cell.
struct GRIDPRESS {
    bool bTracking = false; // mouse captured
    bool bPushed = false;   // drawn pushed
    int nCol = 0;
    int nRow = 0;
};

// Maps the Windows Japanese font families to the installed IPA fonts, so that grids asking
// for "ＭＳ ゴシック" or "MS UI Gothic" get a Japanese face with comparable metrics. Safe to
// call more than once; programs and tests call it at start-up.
void InstallJapaneseFontSubstitutes();

} // namespace Pelmo
