#pragma once

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>

class CListCtrl;
class QHeaderView;

// What assistive technology sees of a list-view: a table whose children are its cells,
// preceded by a row of column-header cells (when the header shows) and, in each row, by a
// row-header cell (when the view has a row header), as Qt's own item views present theirs.
// Cells are made when first asked for and kept until the view or their row goes; each is
// keyed by its row's id, so that it names the same row after sorting, insertion and deletion.
//
// What a cell says (text, role, state, actions) comes from the virtual functions below, so
// that a view painting its cells differently (the grid) tells it by overriding them. Every
// Notify function does nothing while no assistive technology listens.
class CListCtrlAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    // Kinds of children; a corner cell exists where both headers show.
    enum class CellKind { Cell, ColumnHeader, RowHeader, Corner };

    explicit CListCtrlAccessible(CListCtrl* view);
    ~CListCtrlAccessible() override;

    // Installs the factory that gives every CListCtrl this interface (once per process).
    static void InstallFactory();

    // Whether events are worth sending: an assistive technology listens, or a sink takes
    // them. Tests install a sink: Qt hands events to an update handler only while a platform
    // bridge is active, and the offscreen platform has none.
    using EventSink = void (*)(QAccessibleEvent* event);
    static bool IsListening() { return s_sink || QAccessible::isActive(); }
    static void SetEventSink(EventSink sink) { s_sink = sink; }

    // Events of the view. The current cell: a focus event for it (the caller sends it only
    // while the view has the focus). Rows, cell texts and resets: table-model changes, and a
    // value and a name change for the cell whose text changed.
    static void NotifyCurrentCell(CListCtrl* view, int row, int col) {
        if (IsListening())
            SendCurrentCell(view, row, col);
    }
    // The list-view's focused row moved: the current cell of views that follow rows.
    static void NotifyFocusedRow(CListCtrl* view, int row) {
        if (IsListening())
            SendFocusedRow(view, row);
    }
    static void NotifyRowsInserted(CListCtrl* view, int first, int last) {
        if (IsListening())
            SendModelChange(view, QAccessibleTableModelChangeEvent::RowsInserted, first, last);
    }
    static void NotifyRowsRemoved(CListCtrl* view, int first, int last) {
        if (IsListening())
            SendModelChange(view, QAccessibleTableModelChangeEvent::RowsRemoved, first, last);
    }
    static void NotifyReset(CListCtrl* view) {
        if (IsListening())
            SendModelChange(view, QAccessibleTableModelChangeEvent::ModelReset, -1, -1);
    }
    static void NotifyCellChanged(CListCtrl* view, int row, int col) {
        if (IsListening())
            SendCellChanged(view, row, col);
    }

    // ---- QAccessibleInterface ----
    QAccessible::Role role() const override { return QAccessible::Table; }
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* focusChild() const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // ---- QAccessibleTableInterface ----
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override;
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override;

    // ---- what the cells ask; the grid overrides them ----
    CListCtrl* View() const;
    virtual bool HasRowHeader() const { return false; }
    virtual QString RowHeaderText(int) const { return {}; }
    // The current cell, (-1, -1) for none.
    virtual void CurrentCell(int* row, int* col) const;
    // Whether the current cell follows the list-view's focused row (false: the view reports
    // its current cell itself).
    virtual bool FollowsFocusedRow() const { return true; }
    virtual QString CellText(int row, int col) const;
    // What a cell says beyond its text (a mark the view paints, say); empty for nothing.
    virtual QString CellDescription(int, int) const { return {}; }
    virtual QAccessible::Role CellRole(int, int) const { return QAccessible::Cell; }
    virtual QAccessible::State CellState(int row, int col) const;
    virtual bool IsCellSelected(int row, int col) const;
    // The cell in screen coordinates, header cells included (row -1: a column header;
    // column -1: a row header).
    virtual QRect CellScreenRect(int row, int col) const;
    // Actions on cells, header cells included (row -1: a column header; column -1: a row
    // header; both: the corner).
    virtual QStringList CellActions(int row, int col) const;
    virtual void DoCellAction(int row, int col, const QString& action);
    // The text of a header cell.
    virtual QString HeaderText(int row, int col) const;
    // The cell at a point in viewport coordinates: false when none.
    virtual bool CellAtPoint(const QPoint& pt, int* row, int* col) const;

    // The child for a cell, made and registered on first use; null out of range.
    QAccessibleInterface* CellInterface(CellKind kind, int row, int col) const;
    // The child index of a cell of each kind, -1 when it is not shown.
    int ChildIndex(CellKind kind, int row, int col) const;

protected:
    bool HasColumnHeader() const;

private:
    static void SendCurrentCell(CListCtrl* view, int row, int col);
    static void SendFocusedRow(CListCtrl* view, int row);
    static void SendModelChange(CListCtrl* view,
                                QAccessibleTableModelChangeEvent::ModelChangeType type, int first,
                                int last);
    static void SendCellChanged(CListCtrl* view, int row, int col);
    static CListCtrlAccessible* Of(CListCtrl* view);

    int HeaderColumns() const { return HasRowHeader() ? 1 : 0; }
    int HeaderRows() const { return HasColumnHeader() ? 1 : 0; }
    // Forgets the cells of rows that no longer exist, or every cell.
    void DropCells(bool all);

    struct Key {
        CellKind kind;
        unsigned rowId;
        int col;
        bool operator==(const Key&) const = default;
    };
    friend size_t qHash(const Key& key, size_t seed) {
        return qHashMulti(seed, int(key.kind), key.rowId, key.col);
    }
    mutable QHash<Key, QAccessible::Id> m_cells;
    static void Deliver(QAccessibleEvent* event);
    static inline EventSink s_sink = nullptr;
};
