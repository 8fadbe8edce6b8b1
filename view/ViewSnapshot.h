#pragma once

#include "view/GridRowState.h"
#include "view/ModelShape.h"

#include <QString>
#include <utility>
#include <vector>

class CIniEntryData;

// One side of an undo step: what a run of grid rows, the model's lists, some entries' values
// and the current cell were before the change (or became after it). Only what the change
// touched is kept.
struct CViewSnapshot {
    int firstRow = 0;
    std::vector<CGridRowState> rows;
    CModelShape shape;
    std::vector<std::pair<CIniEntryData*, QString>> values;
    int currentRow = -1; // -1: no current cell
    int currentCol = -1;
    // While the change is being recorded: the grid's row count then, and whether the model's
    // lists were taken (a value edit links nothing in or out).
    int totalRows = 0;
    bool withShape = false;
};
