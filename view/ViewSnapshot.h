#pragma once

#include "view/GridRowState.h"
#include "view/ModelShape.h"

#include <QString>
#include <QtGlobal>
#include <utility>
#include <vector>

class CIniEntryData;

// Consecutive grid rows a change touched, from firstRow on.
struct CRowRun {
    int firstRow = 0;
    std::vector<CGridRowState> rows;
    // While the change is being recorded: the record of the row just below the run, which the
    // change leaves alone and so marks where the run ends afterwards; 0 below the last row.
    quintptr endRecord = 0;
};

// One side of an undo step: what some runs of grid rows, the model's lists, some entries'
// values and the current cell were before the change (or became after it). Only what the
// change touched is kept; the runs of the two sides pair up one to one, top to bottom.
struct CViewSnapshot {
    std::vector<CRowRun> runs;
    CModelShape shape;
    std::vector<std::pair<CIniEntryData*, QString>> values;
    int currentRow = -1; // -1: no current cell
    int currentCol = -1;
    // While recording: whether the model's lists were taken (a value edit links nothing).
    bool withShape = false;
};
