#pragma once

#include "platform/ui/ListCtrlAccessible.h"

// One child of a list-view's table: a cell, a column or row header cell, or the corner. It
// holds its row by id and asks the table for everything else each time, so it never shows
// stale data; once its row or column is gone it is no longer valid.
class CListCtrlCellAccessible : public QAccessibleInterface,
                                public QAccessibleTableCellInterface,
                                public QAccessibleActionInterface {
public:
    using CellKind = CListCtrlAccessible::CellKind;

    CListCtrlCellAccessible(CListCtrlAccessible* table, CellKind kind, unsigned rowId, int col);

    // The row index, -1 for a column header or the corner (and for a row that is gone).
    int Row() const;
    // The column index, -1 for a row header or the corner.
    int Column() const { return m_col; }
    CellKind Kind() const { return m_kind; }

    // ---- QAccessibleInterface ----
    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // ---- QAccessibleTableCellInterface (cells only) ----
    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override;
    QList<QAccessibleInterface*> rowHeaderCells() const override;
    int columnIndex() const override { return m_col; }
    int rowIndex() const override { return Row(); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return m_table; }

    // ---- QAccessibleActionInterface ----
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    CListCtrlAccessible* m_table; // owns this cell's registration; outlives it
    CellKind m_kind;
    unsigned m_rowId;
    int m_col;
};
