#pragma once

#include <QString>

// Where the user was in the grid, by record rather than by row: the rows are built anew when
// the files are read again, and the same record may then sit on another row.
struct CViewPlace {
    QString section; // the current row's section; empty without a current cell
    QString key;     // its entry's key; empty on a section row
    bool hasEntry = false;
    bool firstFile = true; // comparison: the side of the current column
    int row = -1;          // -1: no current cell
    int col = -1;
    int topRow = 0;
};
