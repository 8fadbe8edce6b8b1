#include "platform/ui/ListCtrlAccessible.h"

#include "platform/ui/ListCtrl.h"
#include "platform/ui/ListCtrlCellAccessible.h"

#include <QHeaderView>
#include <QScrollBar>

namespace {

QAccessibleInterface* ListCtrlFactory(const QString& classname, QObject* object) {
    if (classname == QLatin1String("CListCtrl") && object && object->isWidgetType())
        return new CListCtrlAccessible(static_cast<CListCtrl*>(object));
    return nullptr;
}

} // namespace

CListCtrlAccessible::CListCtrlAccessible(CListCtrl* view)
    : QAccessibleWidget(view, QAccessible::Table) {}

CListCtrlAccessible::~CListCtrlAccessible() {
    DropCells(true);
}

void CListCtrlAccessible::InstallFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(ListCtrlFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

CListCtrl* CListCtrlAccessible::View() const {
    return static_cast<CListCtrl*>(widget());
}

bool CListCtrlAccessible::HasColumnHeader() const {
    const QHeaderView* header = View()->GetHeaderCtrl();
    return header && !header->isHidden();
}

// ---------------------------------------------------------------- children

int CListCtrlAccessible::ChildIndex(CellKind kind, int row, int col) const {
    if (kind == CellKind::ColumnHeader || kind == CellKind::Corner)
        row = -1;
    if (kind == CellKind::RowHeader || kind == CellKind::Corner)
        col = -1;
    if ((row < 0 && !HasColumnHeader()) || (col < 0 && !HasRowHeader()))
        return -1;
    if (row < -1 || row >= rowCount() || col < -1 || col >= columnCount())
        return -1;
    return (row + HeaderRows()) * (columnCount() + HeaderColumns()) + col + HeaderColumns();
}

QAccessibleInterface* CListCtrlAccessible::CellInterface(CellKind kind, int row, int col) const {
    if (ChildIndex(kind, row, col) < 0)
        return nullptr;
    const bool byRow = kind == CellKind::Cell || kind == CellKind::RowHeader;
    const Key key{kind, byRow ? View()->MapIndexToId(row) : 0u,
                  kind == CellKind::RowHeader || kind == CellKind::Corner ? -1 : col};
    if (const auto it = m_cells.constFind(key); it != m_cells.constEnd()) {
        if (QAccessibleInterface* cell = QAccessible::accessibleInterface(it.value()))
            return cell;
    }
    auto* cell = new CListCtrlCellAccessible(const_cast<CListCtrlAccessible*>(this), kind,
                                             key.rowId, key.col);
    m_cells.insert(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
}

int CListCtrlAccessible::childCount() const {
    if (!isValid() || columnCount() == 0)
        return 0;
    return (rowCount() + HeaderRows()) * (columnCount() + HeaderColumns());
}

QAccessibleInterface* CListCtrlAccessible::child(int index) const {
    if (index < 0 || index >= childCount())
        return nullptr;
    const int width = columnCount() + HeaderColumns();
    const int row = index / width - HeaderRows();
    const int col = index % width - HeaderColumns();
    if (row < 0)
        return CellInterface(col < 0 ? CellKind::Corner : CellKind::ColumnHeader, row, col);
    return CellInterface(col < 0 ? CellKind::RowHeader : CellKind::Cell, row, col);
}

int CListCtrlAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto* cell = dynamic_cast<const CListCtrlCellAccessible*>(child);
    if (!cell || cell->parent() != this || !cell->isValid())
        return -1;
    return ChildIndex(cell->Kind(), cell->Row(), cell->Column());
}

QAccessibleInterface* CListCtrlAccessible::childAt(int x, int y) const {
    if (!isValid())
        return nullptr;
    int row = -1;
    int col = -1;
    const QPoint pt = View()->viewport()->mapFromGlobal(QPoint(x, y));
    if (CellAtPoint(pt, &row, &col))
        return CellInterface(CellKind::Cell, row, col);
    for (int c = 0; HasColumnHeader() && c < columnCount(); ++c) {
        if (CellScreenRect(-1, c).contains(x, y))
            return CellInterface(CellKind::ColumnHeader, -1, c);
    }
    return nullptr;
}

QAccessibleInterface* CListCtrlAccessible::focusChild() const {
    int row = -1;
    int col = -1;
    CurrentCell(&row, &col);
    if (!View()->hasFocus() || row < 0 || col < 0)
        return nullptr;
    return CellInterface(CellKind::Cell, row, col);
}

void* CListCtrlAccessible::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

void CListCtrlAccessible::DropCells(bool all) {
    for (auto it = m_cells.begin(); it != m_cells.end();) {
        const bool byRow = it.key().kind == CellKind::Cell || it.key().kind == CellKind::RowHeader;
        const bool gone = all || !isValid() || (byRow && View()->MapIdToIndex(it.key().rowId) < 0);
        if (gone) {
            QAccessible::deleteAccessibleInterface(it.value());
            it = m_cells.erase(it);
        } else {
            ++it;
        }
    }
}

void CListCtrlAccessible::modelChange(QAccessibleTableModelChangeEvent* event) {
    switch (event->modelChangeType()) {
    case QAccessibleTableModelChangeEvent::RowsRemoved:
    case QAccessibleTableModelChangeEvent::ModelReset:
        DropCells(false);
        break;
    case QAccessibleTableModelChangeEvent::ColumnsInserted:
    case QAccessibleTableModelChangeEvent::ColumnsRemoved:
        DropCells(true);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- the table

QAccessibleInterface* CListCtrlAccessible::cellAt(int row, int column) const {
    return CellInterface(CellKind::Cell, row, column);
}

int CListCtrlAccessible::columnCount() const {
    return isValid() ? View()->GetColumnCount() : 0;
}

int CListCtrlAccessible::rowCount() const {
    return isValid() ? View()->GetItemCount() : 0;
}

QString CListCtrlAccessible::columnDescription(int column) const {
    return column >= 0 && column < columnCount() ? HeaderText(-1, column) : QString();
}

QString CListCtrlAccessible::rowDescription(int row) const {
    return HasRowHeader() && row >= 0 && row < rowCount() ? HeaderText(row, -1) : QString();
}

QList<int> CListCtrlAccessible::selectedRows() const {
    QList<int> rows;
    for (int row = View()->GetNextItem(-1, LVNI_SELECTED); row >= 0;
         row = View()->GetNextItem(row, LVNI_SELECTED))
        rows.append(row);
    return rows;
}

QList<QAccessibleInterface*> CListCtrlAccessible::selectedCells() const {
    QList<QAccessibleInterface*> cells;
    for (int row : selectedRows()) {
        for (int col = 0; col < columnCount(); ++col) {
            if (IsCellSelected(row, col))
                cells.append(CellInterface(CellKind::Cell, row, col));
        }
    }
    return cells;
}

int CListCtrlAccessible::selectedCellCount() const {
    return int(selectedCells().size());
}

bool CListCtrlAccessible::isRowSelected(int row) const {
    return isValid() && View()->GetItemState(row, LVIS_SELECTED) != 0;
}

bool CListCtrlAccessible::selectRow(int row) {
    return isValid() && View()->SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
}

bool CListCtrlAccessible::unselectRow(int row) {
    return isValid() && View()->SetItemState(row, 0, LVIS_SELECTED);
}

// ---------------------------------------------------------------- what the cells say

void CListCtrlAccessible::CurrentCell(int* row, int* col) const {
    *row = View()->GetNextItem(-1, LVNI_FOCUSED);
    *col = *row >= 0 && columnCount() > 0 ? 0 : -1;
}

QString CListCtrlAccessible::CellText(int row, int col) const {
    return View()->GetItemText(row, col);
}

QAccessible::State CListCtrlAccessible::CellState(int row, int col) const {
    QAccessible::State st;
    st.selectable = true;
    st.focusable = true;
    st.readOnly = true; // a list-view's texts are not edited in place
    st.selected = IsCellSelected(row, col);
    int currentRow = -1;
    int currentCol = -1;
    CurrentCell(&currentRow, &currentCol);
    st.focused = View()->hasFocus() && row == currentRow && col == currentCol;
    if (col == 0 && View()->GetCheckBoxes()) {
        st.checkable = true;
        st.checked = View()->GetCheck(row);
    }
    return st;
}

bool CListCtrlAccessible::IsCellSelected(int row, int) const {
    return isRowSelected(row);
}

QRect CListCtrlAccessible::CellScreenRect(int row, int col) const {
    if (row < 0) {
        const QHeaderView* header = View()->GetHeaderCtrl();
        if (!header || col < 0)
            return {};
        const QPoint topLeft(header->sectionViewportPosition(col), 0);
        return QRect(header->viewport()->mapToGlobal(topLeft),
                     QSize(header->sectionSize(col), header->height()));
    }
    QRect rc;
    if (col < 0 || !View()->GetSubItemRect(row, col, col == 0 ? LVIR_LABEL : LVIR_BOUNDS, &rc))
        return {};
    // The first column's bounds are the whole row, as in a Windows list-view: its cell is its
    // icon and label parts together.
    QRect icon;
    if (col == 0 && View()->GetItemRect(row, &icon, LVIR_ICON))
        rc.setLeft(icon.left());
    return QRect(View()->viewport()->mapToGlobal(rc.topLeft()), rc.size());
}

QStringList CListCtrlAccessible::CellActions(int row, int col) const {
    if (row >= 0 && col == 0 && View()->GetCheckBoxes())
        return {QAccessibleActionInterface::toggleAction()};
    return {};
}

void CListCtrlAccessible::DoCellAction(int row, int col, const QString& action) {
    if (action == QAccessibleActionInterface::toggleAction() && row >= 0 && col == 0)
        View()->SetCheck(row, !View()->GetCheck(row));
}

QString CListCtrlAccessible::HeaderText(int row, int col) const {
    if (row < 0 && col >= 0)
        return View()->GetColumnHeading(col);
    return row >= 0 && col < 0 ? RowHeaderText(row) : QString();
}

bool CListCtrlAccessible::CellAtPoint(const QPoint& pt, int* row, int* col) const {
    *row = View()->SubItemHitTest(pt, col);
    return *row >= 0 && *col >= 0;
}

// ---------------------------------------------------------------- events

void CListCtrlAccessible::Deliver(QAccessibleEvent* event) {
    if (s_sink)
        s_sink(event);
    else
        QAccessible::updateAccessibility(event);
}

CListCtrlAccessible* CListCtrlAccessible::Of(CListCtrl* view) {
    return dynamic_cast<CListCtrlAccessible*>(QAccessible::queryAccessibleInterface(view));
}

void CListCtrlAccessible::SendCurrentCell(CListCtrl* view, int row, int col) {
    const CListCtrlAccessible* table = Of(view);
    const int index = table ? table->ChildIndex(CellKind::Cell, row, col) : -1;
    if (index < 0)
        return;
    QAccessibleEvent event(view, QAccessible::Focus);
    event.setChild(index);
    Deliver(&event);
}

void CListCtrlAccessible::SendFocusedRow(CListCtrl* view, int row) {
    const CListCtrlAccessible* table = Of(view);
    if (table && table->FollowsFocusedRow() && view->hasFocus())
        SendCurrentCell(view, row, 0);
}

void CListCtrlAccessible::SendModelChange(CListCtrl* view,
                                          QAccessibleTableModelChangeEvent::ModelChangeType type,
                                          int first, int last) {
    QAccessibleTableModelChangeEvent event(view, type);
    event.setFirstRow(first);
    event.setLastRow(last);
    Deliver(&event);
}

void CListCtrlAccessible::SendCellChanged(CListCtrl* view, int row, int col) {
    QAccessibleTableModelChangeEvent change(view, QAccessibleTableModelChangeEvent::DataChanged);
    change.setFirstRow(row);
    change.setLastRow(row);
    change.setFirstColumn(col);
    change.setLastColumn(col);
    Deliver(&change);
    CListCtrlAccessible* table = Of(view);
    QAccessibleInterface* cell = table ? table->CellInterface(CellKind::Cell, row, col) : nullptr;
    if (!cell)
        return;
    QAccessibleValueChangeEvent value(cell, cell->text(QAccessible::Name));
    Deliver(&value);
    QAccessibleEvent name(cell, QAccessible::NameChanged);
    Deliver(&name);
}
