#pragma once

#include "platform/ui/ListCtrlAccessible.h"

namespace Pelmo {

class CListCtrlBase;

// The grid as assistive technology sees it: the list-view's table, with the row header's
// buttons as row-header cells, the top-left corner as a button that selects every row, and
// cells that say what the grid paints (a choice's display name, a check box's state, a
// button's caption), whether they can be edited, and which one is current.
class CGridAccessible : public CListCtrlAccessible {
public:
    explicit CGridAccessible(CListCtrlBase* grid);

    // Installs the factories for the list-view and the grid (once per process).
    static void InstallFactory();

    // The cells, and the editor while one is open.
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* focusChild() const override;

    bool HasRowHeader() const override;
    QString RowHeaderText(int row) const override;
    void CurrentCell(int* row, int* col) const override;
    bool FollowsFocusedRow() const override { return false; }
    QString CellText(int row, int col) const override;
    QString CellDescription(int row, int col) const override;
    QAccessible::Role CellRole(int row, int col) const override;
    QAccessible::State CellState(int row, int col) const override;
    bool IsCellSelected(int row, int col) const override;
    QRect CellScreenRect(int row, int col) const override;
    QStringList CellActions(int row, int col) const override;
    void DoCellAction(int row, int col, const QString& action) override;
    QString HeaderText(int row, int col) const override;

private:
    CListCtrlBase* Grid() const;
    QAccessibleInterface* OpenEditor() const;
    int KindOf(int col) const;
};

} // namespace Pelmo
