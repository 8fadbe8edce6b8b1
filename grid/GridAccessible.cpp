#include "grid/GridAccessible.h"

#include "grid/EditEx.h"
#include "grid/EditExAccessible.h"
#include "grid/ListCtrlBase.h"
#include "grid/RowHeader.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>

namespace Pelmo {

namespace {

const QString kSelectAll = QStringLiteral("すべて選択");

QAccessibleInterface* GridFactory(const QString& classname, QObject* object) {
    if (!object || !object->isWidgetType())
        return nullptr;
    if (classname == QLatin1String("Pelmo::CListCtrlBase"))
        return new CGridAccessible(static_cast<CListCtrlBase*>(object));
    if (classname == QLatin1String("Pelmo::CEditEx"))
        return new CEditExAccessible(static_cast<CEditEx*>(object));
    return nullptr;
}

} // namespace

CGridAccessible::CGridAccessible(CListCtrlBase* grid) : CListCtrlAccessible(grid) {}

void CGridAccessible::InstallFactory() {
    CListCtrlAccessible::InstallFactory();
    static const bool installed = [] {
        QAccessible::installFactory(GridFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

// The open editor is the table's last child, after the cells it edits.
QAccessibleInterface* CGridAccessible::OpenEditor() const {
    const CEditEx* edit = Grid()->GetEdit();
    if (!edit || !edit->IsWindow() || edit->isHidden())
        return nullptr;
    return QAccessible::queryAccessibleInterface(const_cast<CEditEx*>(edit));
}

int CGridAccessible::childCount() const {
    return CListCtrlAccessible::childCount() + (OpenEditor() ? 1 : 0);
}

QAccessibleInterface* CGridAccessible::child(int index) const {
    if (QAccessibleInterface* editor = OpenEditor();
        editor && index == CListCtrlAccessible::childCount())
        return editor;
    return CListCtrlAccessible::child(index);
}

int CGridAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (child && child == OpenEditor())
        return CListCtrlAccessible::childCount();
    return CListCtrlAccessible::indexOfChild(child);
}

QAccessibleInterface* CGridAccessible::focusChild() const {
    QAccessibleInterface* editor = OpenEditor();
    if (editor && Grid()->GetEdit()->hasFocus())
        return editor;
    return CListCtrlAccessible::focusChild();
}

CListCtrlBase* CGridAccessible::Grid() const {
    return static_cast<CListCtrlBase*>(View());
}

int CGridAccessible::KindOf(int col) const {
    const CHeaderData* data = Grid()->GetHeaderDataByIndex(col);
    return data ? data->m_nKind : KIND_TEXT;
}

bool CGridAccessible::HasRowHeader() const {
    const CRowHeader* header = Grid()->GetRowHeader();
    return header && !header->isHidden();
}

QString CGridAccessible::RowHeaderText(int row) const {
    // The row header pads italic texts with a blank, which is no part of what it says.
    return HasRowHeader() ? Grid()->GetRowHeader()->RowText(row).trimmed() : QString();
}

void CGridAccessible::CurrentCell(int* row, int* col) const {
    if (!Grid()->GetCurrentCell(row, col, false))
        *row = *col = -1;
}

QString CGridAccessible::CellText(int row, int col) const {
    QString name;
    QString description;
    Grid()->GetCellAccessibleText(row, col, &name, &description);
    return name;
}

QString CGridAccessible::CellDescription(int row, int col) const {
    QString name;
    QString description;
    Grid()->GetCellAccessibleText(row, col, &name, &description);
    return description;
}

QAccessible::Role CGridAccessible::CellRole(int, int col) const {
    return KindOf(col) == KIND_BUTTON ? QAccessible::Button : QAccessible::Cell;
}

QAccessible::State CGridAccessible::CellState(int row, int col) const {
    QAccessible::State st;
    st.selectable = true;
    st.focusable = true;
    st.selected = IsCellSelected(row, col);
    st.readOnly = Grid()->IsCellReadOnly(row, col);
    st.editable = !st.readOnly && (KindOf(col) == KIND_TEXT || KindOf(col) == KIND_CHOICE);
    int currentRow = -1;
    int currentCol = -1;
    CurrentCell(&currentRow, &currentCol);
    st.focused = Grid()->HasGridFocus() && row == currentRow && col == currentCol;
    if (KindOf(col) == KIND_CHECKBOX) {
        st.checkable = true;
        st.checked = !Grid()->GetItemText(row, col).isEmpty();
    }
    return st;
}

bool CGridAccessible::IsCellSelected(int row, int col) const {
    const int select = Grid()->GetCellSelectState(row, col);
    return select == CSS_SELECTED || select == CSS_CURRENT_SELECTED;
}

QRect CGridAccessible::CellScreenRect(int row, int col) const {
    CListCtrlBase* grid = Grid();
    if (col >= 0) {
        if (row < 0)
            return CListCtrlAccessible::CellScreenRect(row, col);
        const QRect cell = grid->GetCellRect(row, col);
        return cell.isEmpty() ? QRect() : cell.translated(grid->viewport()->mapToGlobal(QPoint()));
    }
    // A row's button spans the row header beside the row; the corner sits above them all.
    const CRowHeader* header = grid->GetRowHeader();
    if (!HasRowHeader())
        return {};
    const QPoint origin = header->mapToGlobal(QPoint());
    if (row < 0) {
        const QWidget* columns = grid->GetHeaderCtrl();
        const int height = columns && !columns->isHidden() ? columns->height() : 0;
        return QRect(origin, QSize(header->width(), height));
    }
    QRect rowRect;
    if (!grid->GetItemRect(row, &rowRect, LVIR_BOUNDS))
        return {};
    const int top = grid->viewport()->mapToGlobal(rowRect.topLeft()).y();
    return QRect(origin.x(), top, header->width(), rowRect.height());
}

QStringList CGridAccessible::CellActions(int row, int col) const {
    // A row's button selects the row, the corner every row; a right-click on a header brings
    // up its owner's menu.
    if (row < 0 && col < 0)
        return {QAccessibleActionInterface::pressAction()};
    if (col < 0)
        return {QAccessibleActionInterface::pressAction(),
                QAccessibleActionInterface::showMenuAction()};
    if (row < 0)
        return {QAccessibleActionInterface::showMenuAction()};
    if (Grid()->IsCellReadOnly(row, col))
        return {};
    switch (KindOf(col)) {
    case KIND_CHECKBOX:
        return {QAccessibleActionInterface::toggleAction()};
    case KIND_BUTTON:
        return {QAccessibleActionInterface::pressAction()};
    default:
        return {};
    }
}

void CGridAccessible::DoCellAction(int row, int col, const QString& action) {
    CListCtrlBase* grid = Grid();
    if (action == QAccessibleActionInterface::showMenuAction()) {
        grid->SendHeaderEvent(row < 0 ? GE_RCLICK_HEADER : GE_RCLICK_ROWHEADER, row, col);
        return;
    }
    if (col < 0) {
        if (row < 0)
            grid->SelectAllRows();
        else
            grid->SelectRowFromHeader(row, true, false);
        return;
    }
    if (row < 0)
        return;
    // A check box or button cell acts as when the user presses Space on it: the grid makes
    // it current, shows it pushed and tells its owner, as for the key.
    if (!grid->SetCurrentCell(row, col, true, false))
        return;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(grid, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(grid, &release);
}

QString CGridAccessible::HeaderText(int row, int col) const {
    if (row < 0 && col < 0)
        return kSelectAll;
    if (row < 0)
        return Grid()->GetColumnAccessibleName(col);
    return CListCtrlAccessible::HeaderText(row, col);
}

} // namespace Pelmo
