#pragma once

// The program's numbered resources: dialogs and bars, control ids, commands, the window
// messages the view, the document and the bars send to the main frame, and the document's
// update hints. The numbers are part of the behaviour (tests find controls by them), so
// they are spelt out rather than generated.

namespace Res {

// Dialog and bar templates.
enum : int {
    IDD_PREVIEW_BAR = 310,
    IDD_FIND = 311,
    IDD_ADD = 312,
    IDD_MENU_BAR = 313,
    IDD_ADD_COMPARE = 314,
    IDD_PROJECT = 316,
    IDD_PROJECT_EDIT = 317,
    IDD_PROJECT_BAR = 321,
};

// Standard button ids.
enum : int { IDC_STATIC = -1, IDOK = 1, IDCANCEL = 2 };

// Command bar buttons; each sends its id as a command to the frame.
enum : int {
    ID_FILE_OPEN = 1000,
    ID_FILE_SAVE = 1001,
    ID_ADD = 1003,
    ID_COMPARE = 1004,
    ID_RELOAD = 1005,
    ID_VALUE_LISTS = 1006,
    ID_COMPARE_FOLDERS = 1007,
    IDC_VERSION = 1009,
};

// Accelerator commands.
enum : int { ID_FIND = 32771, ID_FIND_NEXT = 32773, ID_FIND_PREV = 32774 };

// Preview bar edit boxes.
enum : int { IDC_PREVIEW = 1002, IDC_PREVIEW1 = 1005, IDC_PREVIEW2 = 1006 };

// Value-list selector bar.
enum : int { IDC_PROJECT_COMBO = 1022 };

// Find dialog: the search box, the kinds of cell to search, the status line.
enum : int {
    IDC_FIND_TEXT = 1011,
    IDC_FIND_SECTION = 1003,
    IDC_FIND_ENTRY = 1004,
    IDC_FIND_VALUE = 1005,
    IDC_FIND_STATUS = 1015,
};

// Value-list management dialog.
enum : int {
    IDC_PROJECT_NEW = 1003,
    IDC_PROJECT_EDIT = 1004,
    IDC_PROJECT_DELETE = 1005,
    IDC_PROJECT_LIST = 1006,
    IDC_FILE_ADD = 1007,
    IDC_FILE_REMOVE = 1008,
    IDC_FILE_LIST = 1017,
    IDC_PROJECT_EXPORT = 1024,
    IDC_PROJECT_IMPORT = 1025,
    IDC_FILE_REGISTER_OPEN = 1026,
    IDC_PROJECT_STATUS = 1027,
};

// Value-list editing dialog.
enum : int {
    IDC_SECTION_GRID = 1003,
    IDC_ENTRY_GRID = 1004,
    IDC_VALUE_GRID = 1005,
    IDC_PROJECT_NAME = 1006,
    IDC_IMPORT = 1023,
    IDC_RULE_TYPE = 1030,
    IDC_RULE_MIN = 1031,
    IDC_RULE_MAX = 1032,
    IDC_RULE_DEFAULT = 1033,
    IDC_RULE_REQUIRED = 1034,
    IDC_RULE_DESCRIPTION = 1035,
    IDC_REPORT_UNKNOWN_KEYS = 1036,
};

// The add dialogs (312 and its twin 314 for two compared files).
enum : int {
    IDC_ADD_SECTION = 1003,
    IDC_ADD_ENTRY = 1004,
    IDC_ADD_VALUE = 1005,
    IDC_ADD_COMMIT = 1006,
    IDC_ADD_VALUE1 = 1007,
    IDC_ADD_VALUE2 = 1008,
    IDC_ADD_LIST = 1010,
};

// The main view's grid.
enum : int { IDC_GRID = 1010 };

// Messages to the main frame, delivered synchronously by CMainFrame::SendMessage.
enum : unsigned {
    WM_USER = 0x0400,
    WM_CLEAR_PREVIEW = WM_USER + 1,        // 1025: no parameters
    WM_SHOW_PREVIEW = WM_USER + 2,         // 1026: lParam = CIniSectionData* / CIniEntryData*
    WM_SHOW_COMPARE_PREVIEW = WM_USER + 3, // 1027: wParam = side 0/1, lParam = section/entry
    WM_CLEAR_VALUE_LISTS = WM_USER + 4,    // 1028: no parameters
    WM_REFRESH_VALUE_LISTS = WM_USER + 5,  // 1029: wParam = PID to select, 0 for none
    WM_SELECT_VALUE_LIST = WM_USER + 6,    // 1030: wParam = PID the user chose
};

// Document update hints, sent to the view.
enum : int {
    HINT_CLEAR = 0,
    HINT_SHOW_FILE = 1,
    HINT_ADDED = 3,
    HINT_SHOW_COMPARE = 4,
    HINT_ADDED_COMPARE = 6,
    HINT_VALUE_LISTS_CHANGED = 7,
    HINT_SELECT_VALUE_LIST = 8,
    HINT_SHOW_MERGE = 9,
};

} // namespace Res
