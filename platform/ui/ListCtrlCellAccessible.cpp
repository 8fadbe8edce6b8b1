#include "platform/ui/ListCtrlCellAccessible.h"

#include "platform/ui/ListCtrl.h"

CListCtrlCellAccessible::CListCtrlCellAccessible(CListCtrlAccessible* table, CellKind kind,
                                                 unsigned rowId, int col)
    : m_table(table), m_kind(kind), m_rowId(rowId), m_col(col) {}

int CListCtrlCellAccessible::Row() const {
    if (m_kind == CellKind::ColumnHeader || m_kind == CellKind::Corner || !m_table->isValid())
        return -1;
    return m_table->View()->MapIdToIndex(m_rowId);
}

bool CListCtrlCellAccessible::isValid() const {
    if (!m_table->isValid())
        return false;
    const bool hasRow = m_kind == CellKind::Cell || m_kind == CellKind::RowHeader;
    const bool hasColumn = m_kind == CellKind::Cell || m_kind == CellKind::ColumnHeader;
    return (!hasRow || Row() >= 0) && (!hasColumn || m_col < m_table->columnCount());
}

QWindow* CListCtrlCellAccessible::window() const {
    return m_table->window();
}

QAccessibleInterface* CListCtrlCellAccessible::parent() const {
    return m_table;
}

QString CListCtrlCellAccessible::text(QAccessible::Text t) const {
    if (!isValid())
        return {};
    if (t == QAccessible::Description)
        return m_kind == CellKind::Cell ? m_table->CellDescription(Row(), m_col) : QString();
    if (t != QAccessible::Name)
        return {};
    if (m_kind == CellKind::Cell)
        return m_table->CellText(Row(), m_col);
    return m_table->HeaderText(Row(), m_col);
}

QRect CListCtrlCellAccessible::rect() const {
    return isValid() ? m_table->CellScreenRect(Row(), m_col) : QRect();
}

QAccessible::Role CListCtrlCellAccessible::role() const {
    switch (m_kind) {
    case CellKind::ColumnHeader:
        return QAccessible::ColumnHeader;
    case CellKind::RowHeader:
        return QAccessible::RowHeader;
    case CellKind::Corner:
        return QAccessible::Button;
    case CellKind::Cell:
        break;
    }
    return isValid() ? m_table->CellRole(Row(), m_col) : QAccessible::Cell;
}

QAccessible::State CListCtrlCellAccessible::state() const {
    QAccessible::State st;
    if (!isValid()) {
        st.invalid = true;
        return st;
    }
    if (m_kind == CellKind::Cell)
        st = m_table->CellState(Row(), m_col);
    const QRect shown(m_table->View()->mapToGlobal(QPoint(0, 0)), m_table->View()->size());
    if (!shown.intersects(rect()))
        st.offscreen = true;
    return st;
}

void* CListCtrlCellAccessible::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TableCellInterface && m_kind == CellKind::Cell)
        return static_cast<QAccessibleTableCellInterface*>(this);
    if (t == QAccessible::ActionInterface)
        return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
}

bool CListCtrlCellAccessible::isSelected() const {
    return isValid() && m_table->IsCellSelected(Row(), m_col);
}

QList<QAccessibleInterface*> CListCtrlCellAccessible::columnHeaderCells() const {
    QAccessibleInterface* header = m_table->CellInterface(CellKind::ColumnHeader, -1, m_col);
    return header ? QList<QAccessibleInterface*>{header} : QList<QAccessibleInterface*>{};
}

QList<QAccessibleInterface*> CListCtrlCellAccessible::rowHeaderCells() const {
    QAccessibleInterface* header = m_table->CellInterface(CellKind::RowHeader, Row(), -1);
    return header ? QList<QAccessibleInterface*>{header} : QList<QAccessibleInterface*>{};
}

QStringList CListCtrlCellAccessible::actionNames() const {
    return isValid() ? m_table->CellActions(Row(), m_col) : QStringList();
}

void CListCtrlCellAccessible::doAction(const QString& actionName) {
    if (actionNames().contains(actionName))
        m_table->DoCellAction(Row(), m_col, actionName);
}
