#pragma once

#include "dialogs/AddDlgBase.h"

class CIniCompare;

// The add dialog of two compared files: each row goes into both files, with value 1 for
// file 1 and value 2 for file 2. An entry that either file holds already is refused.
class CAddCompareDlg : public CAddDlgBase {
public:
    explicit CAddCompareDlg(CIniCompare* pCompare, QWidget* parent = nullptr);
};
