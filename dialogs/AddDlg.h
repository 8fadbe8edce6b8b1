#pragma once

#include "dialogs/AddDlgBase.h"

class CIniData;

// Collects new sections and entries for the one open file; "確定" adds them to the model
// (exec() gives Accepted), anything else leaves the model as it was (Rejected). Nothing is
// written to disk here: saving writes the added entries.
class CAddDlg : public CAddDlgBase {
public:
    explicit CAddDlg(CIniData* pIni, QWidget* parent = nullptr);
};
