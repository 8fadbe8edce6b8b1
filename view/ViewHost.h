#pragma once

#include <QtGlobal>
#include <map>

class CProjectDataBase;

// What the view and the selector bar need from the window around them: the main frame's
// message dispatch (synchronous, like SendMessage), the document's column-width tables and
// the value-list database. The frame implements it; tests give a recording stand-in.
class CViewHost {
public:
    virtual ~CViewHost() = default;

    // Delivers one of the frame's numbered messages (Res::WM_*) before returning.
    virtual qintptr SendMessage(unsigned message, quintptr wParam, qintptr lParam) = 0;
    // Column widths by column index, kept for the run: single-file grid and comparison grid.
    virtual std::map<int, int>& ColumnWidths() = 0;
    virtual std::map<int, int>& CompareColumnWidths() = 0;
    // The value-list database; never null while the program runs.
    virtual CProjectDataBase* DataBase() = 0;
};
