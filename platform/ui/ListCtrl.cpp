#include "platform/ui/ListCtrl.h"

#include "platform/ui/ListCtrlAccessible.h"
#include "platform/ui/ListRowStore.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QFocusEvent>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

constexpr unsigned kStateBits = LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK;
constexpr unsigned kUnchecked = INDEXTOSTATEIMAGEMASK(1);
constexpr unsigned kChecked = INDEXTOSTATEIMAGEMASK(2);
constexpr int kTextMargin = 4;
static_assert(CListRowStore::kFocusedBit == LVIS_FOCUSED &&
              CListRowStore::kSelectedBit == LVIS_SELECTED);

// The state image is one number in four bits: a mask naming any of them names all of them.
unsigned WholeImageMask(unsigned mask) {
    mask &= kStateBits;
    return (mask & LVIS_STATEIMAGEMASK) ? mask | LVIS_STATEIMAGEMASK : mask;
}
constexpr int kHorizontalStep = 20;

Qt::Alignment AlignmentOf(int format) {
    switch (format) {
    case LVCFMT_RIGHT:
        return Qt::AlignRight | Qt::AlignVCenter;
    case LVCFMT_CENTER:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// The header's only source of sections: one per column, with its heading and alignment.
// Widths and display order live in the QHeaderView itself.
class HeaderModel : public QAbstractTableModel {
public:
    struct Column {
        QString heading;
        int format = LVCFMT_LEFT;
    };

    explicit HeaderModel(QObject* parent) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex& = QModelIndex()) const override { return 0; }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(columns.size());
    }
    QVariant data(const QModelIndex&, int) const override { return QVariant(); }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
            return QVariant();
        if (role == Qt::DisplayRole)
            return columns[section].heading;
        if (role == Qt::TextAlignmentRole)
            return int(AlignmentOf(columns[section].format)); // int: read by every Qt 6
        return QVariant();
    }

    void Insert(int index, const Column& column) {
        beginInsertColumns(QModelIndex(), index, index);
        columns.insert(index, column);
        endInsertColumns();
    }
    void Remove(int index) {
        beginRemoveColumns(QModelIndex(), index, index);
        columns.removeAt(index);
        endRemoveColumns();
    }
    void Changed(int index) { emit headerDataChanged(Qt::Horizontal, index, index); }

    QList<Column> columns;
};

} // namespace

struct CListCtrl::Impl {
    CListRowStore rows;
    bool singleSelection = false;
    bool checkBoxes = false;

    HeaderModel* model = nullptr;
    QPointer<QHeaderView> header;
    bool dragDrop = false;

    int rowHeight = 0;     // 0: from the font
    int fontRowHeight = 1; // text height of the font + 4, kept up to date on font changes
    bool ownScroll = false;
    bool scrollRangeDirty = false;

    int RowCount() const { return rows.Count(); }
    bool ValidRow(int i) const { return rows.IsValid(i); }
    int ColumnCount() const { return int(model->columns.size()); }
    bool ValidColumn(int c) const { return c >= 0 && c < ColumnCount(); }
    // What the control reports: the store's own hidden bit is none of the caller's business.
    unsigned StateOf(int i) const { return rows.At(i).state & ~CListRowStore::kHiddenBit; }
};

CListCtrl::CListCtrl(QWidget* parent) : QAbstractScrollArea(parent), d(new Impl) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    d->fontRowHeight = std::max(1, QFontMetrics(font()).height() + 4);
    d->model = new HeaderModel(this);
    auto* header = new QHeaderView(Qt::Horizontal, this);
    SetHeaderCtrl(header);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(kHorizontalStep);
}

CListCtrl::~CListCtrl() {
    // The header outlives this part of the object (it goes with the child widgets): it must
    // not call back into it.
    if (d->header) {
        d->header->removeEventFilter(this);
        disconnect(d->header, nullptr, this, nullptr);
    }
    delete d;
}

// ---------------------------------------------------------------- header and columns

QHeaderView* CListCtrl::GetHeaderCtrl() const {
    return d->header;
}

void CListCtrl::SetHeaderCtrl(QHeaderView* header) {
    if (!header || header == d->header || header->orientation() != Qt::Horizontal)
        return;
    QList<int> widths;
    QList<int> order;
    bool hidden = false;
    QHeaderView* old = d->header;
    if (old) {
        for (int c = 0; c < d->ColumnCount(); ++c)
            widths.append(old->sectionSize(c));
        order = GetColumnOrderArray();
        hidden = old->isHidden();
        old->disconnect(this);
        old->removeEventFilter(this);
        old->hide();
        old->deleteLater();
    }
    header->setParent(this);
    header->setModel(d->model);
    header->setFocusPolicy(Qt::NoFocus);
    header->setMinimumSectionSize(0);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionsMovable(d->dragDrop);
    header->setHighlightSections(false);
    d->header = header;
    for (int c = 0; c < int(widths.size()); ++c)
        header->resizeSection(c, widths[c]);
    if (!order.isEmpty())
        SetColumnOrderArray(order);
    header->setOffset(horizontalScrollBar()->value());
    header->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this, [this] {
        UpdateScrollBarsInternal();
        viewport()->update();
    });
    connect(header, &QHeaderView::sectionMoved, this, [this] { viewport()->update(); });
    connect(header, &QHeaderView::geometriesChanged, this, [this] { LayoutHeader(); });
    header->setVisible(!hidden);
    LayoutHeader();
    viewport()->update();
}

void CListCtrl::LayoutHeader() {
    QHeaderView* header = d->header;
    if (!header)
        return;
    const int height = header->isHidden() ? 0 : header->sizeHint().height();
    setViewportMargins(0, height, 0, 0);
    const QRect vg = viewport()->geometry();
    header->setGeometry(vg.left(), vg.top() - height, vg.width(), height);
    UpdateScrollBarsInternal();
}

bool CListCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == d->header) {
        switch (event->type()) {
        case QEvent::ShowToParent:
        case QEvent::HideToParent:
        case QEvent::FontChange:
        case QEvent::StyleChange:
            LayoutHeader();
            break;
        default:
            break;
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

int CListCtrl::InsertColumn(int nCol, const QString& heading, int nFormat, int nWidth,
                            int /*nSubItem*/) {
    if (nCol < 0)
        return -1;
    nCol = std::min(nCol, d->ColumnCount());
    d->rows.InsertColumn(nCol);
    d->model->Insert(nCol, {heading, nFormat});
    // Columns set up before the rows come: every row gets room for all of them at once.
    if (d->rows.IsEmpty())
        d->rows.Widen(d->ColumnCount());
    d->header->resizeSection(nCol, std::max(0, nWidth));
    UpdateScrollBarsInternal();
    viewport()->update();
    return nCol;
}

bool CListCtrl::DeleteColumn(int nCol) {
    if (!d->ValidColumn(nCol))
        return false;
    d->rows.RemoveColumn(nCol);
    d->model->Remove(nCol);
    UpdateScrollBarsInternal();
    viewport()->update();
    return true;
}

int CListCtrl::GetColumnCount() const {
    return d->ColumnCount();
}

int CListCtrl::GetColumnWidth(int nCol) const {
    return d->ValidColumn(nCol) ? d->header->sectionSize(nCol) : 0;
}

bool CListCtrl::SetColumnWidth(int nCol, int cx) {
    if (!d->ValidColumn(nCol))
        return false;
    if (cx == LVSCW_AUTOSIZE || cx == LVSCW_AUTOSIZE_USEHEADER)
        cx = AutoColumnWidth(nCol, cx == LVSCW_AUTOSIZE_USEHEADER);
    if (cx < 0)
        return false;
    d->header->resizeSection(nCol, cx);
    return true;
}

int CListCtrl::AutoColumnWidth(int nCol, bool withHeading) const {
    const QFontMetrics fm(font());
    int widest = 0;
    for (int i = 0; i < d->RowCount(); ++i)
        widest = std::max(widest, fm.horizontalAdvance(d->rows.Text(i, nCol)));
    widest += 2 * kTextMargin;
    if (withHeading) {
        const QFontMetrics hfm(d->header->font());
        const int heading = hfm.horizontalAdvance(GetColumnHeading(nCol)) +
                            2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, d->header);
        widest = std::max(widest, heading);
    }
    return widest;
}

int CListCtrl::GetColumnFormat(int nCol) const {
    return d->ValidColumn(nCol) ? d->model->columns[nCol].format : -1;
}

bool CListCtrl::SetColumnFormat(int nCol, int nFormat) {
    if (!d->ValidColumn(nCol))
        return false;
    d->model->columns[nCol].format = nFormat;
    d->model->Changed(nCol);
    viewport()->update();
    return true;
}

QString CListCtrl::GetColumnHeading(int nCol) const {
    return d->ValidColumn(nCol) ? d->model->columns[nCol].heading : QString();
}

bool CListCtrl::SetColumnHeading(int nCol, const QString& heading) {
    if (!d->ValidColumn(nCol))
        return false;
    d->model->columns[nCol].heading = heading;
    d->model->Changed(nCol);
    return true;
}

QList<int> CListCtrl::GetColumnOrderArray() const {
    QList<int> order;
    for (int v = 0; v < d->ColumnCount(); ++v)
        order.append(d->header->logicalIndex(v));
    return order;
}

bool CListCtrl::SetColumnOrderArray(const QList<int>& order) {
    const int n = d->ColumnCount();
    if (order.size() != n)
        return false;
    std::vector<bool> seen(n, false);
    for (int c : order) {
        if (c < 0 || c >= n || seen[c])
            return false;
        seen[c] = true;
    }
    for (int v = 0; v < n; ++v) {
        const int from = d->header->visualIndex(order[v]);
        if (from != v)
            d->header->moveSection(from, v);
    }
    viewport()->update();
    return true;
}

bool CListCtrl::GetHeaderDragDrop() const {
    return d->dragDrop;
}

void CListCtrl::SetHeaderDragDrop(bool enable) {
    d->dragDrop = enable;
    d->header->setSectionsMovable(enable);
}

// ---------------------------------------------------------------- rows

int CListCtrl::GetItemCount() const {
    return d->RowCount();
}

int CListCtrl::InsertItem(unsigned nMask, int nItem, const QString& text, unsigned nState,
                          unsigned nStateMask, quintptr lParam) {
    if (nItem < 0)
        return -1;
    CListRowStore::Row row;
    if (nMask & LVIF_PARAM)
        row.data = lParam;
    if (d->checkBoxes)
        row.state = kUnchecked;
    const int index = d->rows.Insert(nItem, std::move(row));
    if (nMask & LVIF_TEXT)
        d->rows.SetText(index, 0, text);
    ScrollRangeChanged();
    if (ReachesViewport(index))
        viewport()->update();
    const unsigned id = d->rows.IdAt(index);
    CListCtrlAccessible::NotifyRowsInserted(this, index, index);
    if (nMask & LVIF_STATE) {
        const unsigned mask = WholeImageMask(nStateMask);
        ChangeState(index, mask, nState & mask);
    }
    return d->rows.Locate(index, id);
}

int CListCtrl::InsertItem(int nItem, const QString& text) {
    return InsertItem(LVIF_TEXT, nItem, text, 0, 0, 0);
}

void CListCtrl::ReserveItems(int nItems) {
    d->rows.Widen(std::max(1, d->ColumnCount()));
    d->rows.Reserve(nItems);
}

bool CListCtrl::DeleteItem(int nItem) {
    if (!d->ValidRow(nItem))
        return false;
    const unsigned id = d->rows.IdAt(nItem);
    OnDeleteItem(nItem);
    // The handler may have changed the list; delete the row it was told about.
    nItem = d->rows.Locate(nItem, id);
    if (nItem < 0)
        return false;
    const bool wasVisible = ReachesViewport(nItem);
    d->rows.Remove(nItem);
    CListCtrlAccessible::NotifyRowsRemoved(this, nItem, nItem);
    ScrollRangeChanged();
    if (wasVisible)
        viewport()->update();
    return true;
}

bool CListCtrl::DeleteAllItems() {
    // Every row is announced before any goes, so the handler sees the rows as they were.
    std::vector<unsigned> ids;
    ids.reserve(size_t(d->RowCount()));
    for (int i = 0; i < d->RowCount(); ++i)
        ids.push_back(d->rows.IdAt(i));
    for (size_t i = 0; i < ids.size(); ++i) {
        const int index = d->rows.Locate(int(i), ids[i]);
        if (index >= 0)
            OnDeleteItem(index);
    }
    d->rows.Clear();
    CListCtrlAccessible::NotifyReset(this);
    UpdateScrollBarsInternal();
    viewport()->update();
    return true;
}

QString CListCtrl::GetItemText(int nItem, int nSubItem) const {
    return d->rows.Text(nItem, nSubItem);
}

bool CListCtrl::SetItemText(int nItem, int nSubItem, const QString& text) {
    if (!d->ValidRow(nItem) || nSubItem < 0 || (nSubItem > 0 && nSubItem >= d->ColumnCount()))
        return false;
    d->rows.SetText(nItem, nSubItem, text);
    RedrawItems(nItem, nItem);
    CListCtrlAccessible::NotifyCellChanged(this, nItem, nSubItem);
    return true;
}

quintptr CListCtrl::GetItemData(int nItem) const {
    return d->ValidRow(nItem) ? d->rows.At(nItem).data : 0;
}

bool CListCtrl::SetItemData(int nItem, quintptr data) {
    if (!d->ValidRow(nItem))
        return false;
    d->rows.SetData(nItem, data);
    return true;
}

bool CListCtrl::ReachesViewport(int nItem) const {
    if (!Painting())
        return false;
    // With rows hidden, finding a row's place could mean laying the shown rows out anew on
    // every insert of a fill: repainting is cheaper.
    if (d->rows.HiddenCount() > 0)
        return true;
    return nItem <= LastVisiblePosition(ScrollTop());
}

// ---------------------------------------------------------------- hidden rows

void CListCtrl::SetRowHidden(int nItem, bool bHidden) {
    if (!d->ValidRow(nItem) || d->rows.IsHidden(nItem) == bHidden)
        return;
    d->rows.SetHidden(nItem, bHidden);
    HiddenRowsChanged();
}

bool CListCtrl::SetRowsHidden(const std::vector<bool>& hidden) {
    if (hidden.size() != size_t(d->RowCount()))
        return false;
    for (int i = 0; i < d->RowCount(); ++i)
        d->rows.SetHidden(i, hidden[size_t(i)]);
    HiddenRowsChanged();
    return true;
}

void CListCtrl::ShowAllRows() {
    if (d->rows.HiddenCount() == 0)
        return;
    d->rows.ShowAll();
    HiddenRowsChanged();
}

void CListCtrl::HiddenRowsChanged() {
    ScrollRangeChanged();
    viewport()->update();
    OnHiddenRowsChanged();
}

void CListCtrl::OnHiddenRowsChanged() {}

bool CListCtrl::IsRowHidden(int nItem) const {
    return d->rows.IsHidden(nItem);
}

int CListCtrl::GetShownCount() const {
    return d->rows.ShownCount();
}

int CListCtrl::ShownPosition(int nItem) const {
    return d->rows.ShownPosition(nItem);
}

int CListCtrl::ShownRowAt(int nPosition) const {
    return d->rows.ShownRowAt(nPosition);
}

unsigned CListCtrl::MapIndexToId(int index) const {
    return d->rows.IdAt(index);
}

int CListCtrl::MapIdToIndex(unsigned id) const {
    return d->rows.IndexOf(id);
}

// ---------------------------------------------------------------- states

unsigned CListCtrl::GetItemState(int nItem, unsigned mask) const {
    return d->ValidRow(nItem) ? d->StateOf(nItem) & mask : 0;
}

bool CListCtrl::SetItemState(int nItem, unsigned state, unsigned mask) {
    mask = WholeImageMask(mask);
    state &= mask;
    if (nItem == -1) {
        if ((state & LVIS_FOCUSED) || ((state & LVIS_SELECTED) && d->singleSelection))
            return false;
        if (mask == LVIS_SELECTED && state == 0) {
            // Clearing the selection, as every move of a grid's current cell does, touches
            // the selected rows only.
            ClearSelectionExcept(-1);
            return true;
        }
        // Selecting every row selects those that show.
        const bool selecting = (state & LVIS_SELECTED) != 0;
        for (int i = 0; i < d->RowCount(); ++i) {
            if (!(selecting && d->rows.IsHidden(i)))
                ChangeState(i, mask, state);
        }
        return true;
    }
    if (!d->ValidRow(nItem))
        return false;
    ChangeState(nItem, mask, state);
    return true;
}

void CListCtrl::ChangeState(int nItem, unsigned mask, unsigned state) {
    if (!d->ValidRow(nItem))
        return;
    const unsigned old = d->StateOf(nItem);
    const unsigned now = (old & ~mask) | (state & mask);
    if (now == old)
        return;
    const unsigned id = d->rows.IdAt(nItem);
    // Only one row holds the focus, and in single selection only one the selection: the
    // others give theirs up first, each reported on its own, as the list-view does.
    const int focused = d->rows.Focused();
    if ((now & LVIS_FOCUSED) && focused >= 0 && focused != nItem)
        ChangeState(focused, LVIS_FOCUSED, 0);
    if ((now & LVIS_SELECTED) && !(old & LVIS_SELECTED) && d->singleSelection)
        ClearSelectionExcept(nItem);
    nItem = d->rows.Locate(nItem, id);
    if (nItem < 0)
        return;
    const unsigned before = d->StateOf(nItem);
    const unsigned after = (before & ~mask) | (state & mask);
    if (after == before)
        return;
    d->rows.SetState(nItem, after);
    RedrawItems(nItem, nItem);
    if ((after & LVIS_FOCUSED) && !(before & LVIS_FOCUSED))
        CListCtrlAccessible::NotifyFocusedRow(this, nItem);
    OnItemChanged(nItem, before, after);
    emit ItemChanged(nItem, before, after);
}

void CListCtrl::ClearSelectionExcept(int keep) {
    const auto othersSelected = [&] {
        const bool keepSelected = d->ValidRow(keep) && (d->StateOf(keep) & LVIS_SELECTED);
        return d->rows.SelectedCount() - (keepSelected ? 1 : 0);
    };
    // Mostly the one other selected row is the one selected last: it goes without a walk over
    // the rows. Several go in row order, as they are reported.
    const int last = d->rows.LastSelected();
    if (othersSelected() == 1 && last >= 0 && last != keep) {
        ChangeState(last, LVIS_SELECTED, 0);
        return;
    }
    for (int i = 0; i < d->RowCount() && othersSelected() > 0; ++i) {
        if (i != keep && (d->StateOf(i) & LVIS_SELECTED))
            ChangeState(i, LVIS_SELECTED, 0);
    }
}

void CListCtrl::SelectRange(int from, int to, bool clearOthers) {
    if (from > to)
        std::swap(from, to);
    if (clearOthers) {
        for (int i = 0; i < d->RowCount() && d->rows.SelectedCount() > 0; ++i) {
            if ((i < from || i > to) && (d->StateOf(i) & LVIS_SELECTED))
                ChangeState(i, LVIS_SELECTED, 0);
        }
    }
    for (int i = std::max(from, 0); i <= to && i < d->RowCount(); ++i) {
        if (!d->rows.IsHidden(i))
            ChangeState(i, LVIS_SELECTED, LVIS_SELECTED);
    }
}

int CListCtrl::GetNextItem(int nItem, unsigned flags) const {
    if (nItem < -1 || nItem >= d->RowCount())
        return -1;
    const unsigned wanted = ((flags & LVNI_SELECTED) ? unsigned(LVIS_SELECTED) : 0u) |
                            ((flags & LVNI_FOCUSED) ? unsigned(LVIS_FOCUSED) : 0u);
    if ((wanted & LVIS_SELECTED) && d->rows.SelectedCount() == 0)
        return -1;
    const bool upwards = (flags & LVNI_ABOVE) != 0;
    if (wanted & LVIS_FOCUSED) {
        // Only one row can match: no need to walk the rows.
        const int f = d->rows.Focused();
        if (f < 0 || (d->StateOf(f) & wanted) != wanted)
            return -1;
        if (nItem == -1)
            return f;
        return (upwards ? f < nItem : f > nItem) ? f : -1;
    }
    if (upwards) {
        for (int i = (nItem == -1 ? d->RowCount() : nItem) - 1; i >= 0; --i) {
            if ((d->StateOf(i) & wanted) == wanted)
                return i;
        }
        return -1;
    }
    for (int i = nItem + 1; i < d->RowCount(); ++i) {
        if ((d->StateOf(i) & wanted) == wanted)
            return i;
    }
    return -1;
}

int CListCtrl::GetSelectedCount() const {
    return d->rows.SelectedCount();
}

int CListCtrl::GetSelectionMark() const {
    return d->rows.SelectionMark();
}

int CListCtrl::SetSelectionMark(int nItem) {
    const int previous = d->rows.SelectionMark();
    if (nItem == -1 || d->ValidRow(nItem))
        d->rows.SetSelectionMark(nItem);
    return previous;
}

bool CListCtrl::GetSingleSelection() const {
    return d->singleSelection;
}

void CListCtrl::SetSingleSelection(bool single) {
    d->singleSelection = single;
}

bool CListCtrl::GetCheckBoxes() const {
    return d->checkBoxes;
}

void CListCtrl::SetCheckBoxes(bool on) {
    if (on == d->checkBoxes)
        return;
    d->checkBoxes = on;
    d->rows.SetStateBitsOfAll(LVIS_STATEIMAGEMASK, on ? kUnchecked : 0u);
    viewport()->update();
}

bool CListCtrl::GetCheck(int nItem) const {
    return GetItemState(nItem, LVIS_STATEIMAGEMASK) == kChecked;
}

bool CListCtrl::SetCheck(int nItem, bool bCheck) {
    if (!d->checkBoxes)
        return false;
    return SetItemState(nItem, bCheck ? kChecked : kUnchecked, LVIS_STATEIMAGEMASK);
}

QRect CListCtrl::CheckBoxRect(int nItem) const {
    if (!d->checkBoxes || !d->ValidRow(nItem))
        return {};
    const QRect cell = d->ColumnCount() > 0 ? CellRect(nItem, 0) : RowRect(nItem);
    const int side =
        std::max(1, std::min(style()->pixelMetric(QStyle::PM_IndicatorWidth), cell.height() - 2));
    return QRect(cell.left() + kLabelIndent, cell.top() + (cell.height() - side) / 2, side, side);
}

// ---------------------------------------------------------------- sorting

namespace {

// Bottom-up merge sort of a permutation. Written out rather than std::stable_sort because
// the order comes from a caller's compare function, which need not be consistent: this one
// never reads outside the array whatever the function answers.
template <typename Less> void MergeSort(std::vector<int>& items, Less less) {
    const size_t n = items.size();
    std::vector<int> buffer(n);
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(lo + width, n);
            const size_t hi = std::min(lo + 2 * width, n);
            size_t a = lo, b = mid, out = lo;
            while (a < mid && b < hi)
                buffer[out++] = less(items[b], items[a]) ? items[b++] : items[a++];
            while (a < mid)
                buffer[out++] = items[a++];
            while (b < hi)
                buffer[out++] = items[b++];
        }
        items.swap(buffer);
    }
}

} // namespace

bool CListCtrl::SortItems(PFNLVCOMPARE compare, quintptr lParamSort) {
    if (!compare)
        return false;
    std::vector<int> order(size_t(d->RowCount()));
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    MergeSort(order, [&](int a, int b) {
        // Rows are read afresh on every call, so a compare function that deletes rows
        // (which it must not) leaves an unsorted list rather than a crash.
        if (!d->ValidRow(a) || !d->ValidRow(b))
            return false;
        return compare(d->rows.At(a).data, d->rows.At(b).data, lParamSort) < 0;
    });
    if (d->rows.ApplyOrder(order)) {
        viewport()->update();
        CListCtrlAccessible::NotifyReset(this);
    }
    return true;
}

bool CListCtrl::SortItemsEx(PFNLVCOMPARE compare, quintptr lParamSort) {
    if (!compare)
        return false;
    std::vector<int> order(size_t(d->RowCount()));
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    MergeSort(order,
              [&](int a, int b) { return compare(quintptr(a), quintptr(b), lParamSort) < 0; });
    if (d->rows.ApplyOrder(order)) {
        viewport()->update();
        CListCtrlAccessible::NotifyReset(this);
    }
    return true;
}

// ---------------------------------------------------------------- geometry and scrolling

int CListCtrl::GetRowHeight() const {
    return d->rowHeight > 0 ? d->rowHeight : d->fontRowHeight;
}

void CListCtrl::SetRowHeight(int pixels) {
    d->rowHeight = std::max(0, pixels);
    UpdateScrollBarsInternal();
    viewport()->update();
}

int CListCtrl::GetTopIndex() const {
    FlushScrollRange();
    return std::max(0, d->rows.ShownRowAt(ScrollTop()));
}

int CListCtrl::ScrollTop() const {
    return d->rows.ShownCount() == 0 ? 0 : verticalScrollBar()->value();
}

int CListCtrl::GetCountPerPage() const {
    return std::max(1, viewport()->height() / GetRowHeight());
}

bool CListCtrl::Painting() const {
    // What QWidget::update ignores: while it would, finding the rows it concerns is wasted.
    return viewport()->isVisible() && viewport()->updatesEnabled();
}

int CListCtrl::LastVisiblePosition(int top) const {
    const int h = GetRowHeight();
    const int visible = (viewport()->height() + h - 1) / h;
    return std::min(d->rows.ShownCount() - 1, top + std::max(visible, 1) - 1);
}

void CListCtrl::SetTopIndexInternal(int top) {
    const bool was = d->ownScroll;
    d->ownScroll = true;
    verticalScrollBar()->setValue(top);
    d->ownScroll = was;
}

bool CListCtrl::EnsureVisible(int nItem, bool bPartialOK) {
    if (!d->ValidRow(nItem) || d->rows.IsHidden(nItem))
        return false;
    FlushScrollRange();
    const int top = ScrollTop();
    const int place = d->rows.ShownPosition(nItem);
    if (place < top) {
        SetTopIndexInternal(place);
        return true;
    }
    const int perPage = GetCountPerPage();
    if (place < top + perPage)
        return true;
    if (bPartialOK && (place - top) * GetRowHeight() < viewport()->height())
        return true;
    SetTopIndexInternal(place - perPage + 1);
    return true;
}

bool CListCtrl::Scroll(int dx, int dy) {
    FlushScrollRange();
    // In 64 bits, so that any pair of ints scrolls to an end instead of overflowing.
    const qint64 h = GetRowHeight();
    const qint64 magnitude = (std::abs(qint64(dy)) + h / 2) / h;
    const qint64 rows = dy < 0 ? -magnitude : magnitude;
    const auto clamped = [](qint64 v) {
        return int(std::clamp<qint64>(v, 0, std::numeric_limits<int>::max()));
    };
    const bool was = d->ownScroll;
    d->ownScroll = true;
    verticalScrollBar()->setValue(clamped(verticalScrollBar()->value() + rows));
    horizontalScrollBar()->setValue(clamped(horizontalScrollBar()->value() + qint64(dx)));
    d->ownScroll = was;
    OnEndScroll();
    return true;
}

int CListCtrl::GetScrollX() const {
    return horizontalScrollBar()->value();
}

// Inserting and deleting rows only note that the vertical range is out of date: setting a
// scroll bar's range posts an event, which costs more than the insert itself when rows are
// added by the thousand. The range is brought up to date once the caller returns to the
// event loop, or earlier when something asks for the top row.
void CListCtrl::ScrollRangeChanged() {
    if (d->scrollRangeDirty)
        return;
    d->scrollRangeDirty = true;
    QMetaObject::invokeMethod(
        this, [this] { FlushScrollRange(); }, Qt::QueuedConnection);
}

void CListCtrl::FlushScrollRange() const {
    // The scroll bars are the view's own state, not part of what a const call promises
    // to leave alone.
    if (d->scrollRangeDirty)
        const_cast<CListCtrl*>(this)->UpdateScrollBarsInternal();
}

void CListCtrl::UpdateScrollBarsInternal() {
    d->scrollRangeDirty = false;
    const bool was = d->ownScroll;
    d->ownScroll = true;
    const int perPage = GetCountPerPage();
    QScrollBar* v = verticalScrollBar();
    v->setPageStep(perPage);
    v->setRange(0, std::max(0, d->rows.ShownCount() - perPage));
    QScrollBar* hbar = horizontalScrollBar();
    const int width = viewport()->width();
    hbar->setPageStep(std::max(1, width));
    hbar->setRange(0, std::max(0, d->header->length() - width));
    d->ownScroll = was;
}

QRect CListCtrl::RowRect(int nItem) const {
    const int h = GetRowHeight();
    FlushScrollRange();
    const int place = d->rows.ShownPosition(nItem);
    return QRect(-GetScrollX(), (place - ScrollTop()) * h, d->header->length(), h);
}

QRect CListCtrl::CellRect(int nItem, int nCol) const {
    const QRect row = RowRect(nItem);
    const int left = d->header->sectionPosition(nCol) - GetScrollX();
    return QRect(left, row.top(), d->header->sectionSize(nCol), row.height());
}

bool CListCtrl::GetItemRect(int nItem, QRect* rect, int code) const {
    if (!rect || !d->ValidRow(nItem) || d->rows.IsHidden(nItem))
        return false;
    if (code == LVIR_BOUNDS) {
        *rect = RowRect(nItem);
        return true;
    }
    if (code != LVIR_ICON && code != LVIR_LABEL)
        return false;
    QRect cell = d->ColumnCount() > 0 ? CellRect(nItem, 0) : RowRect(nItem);
    const int indent = std::min(kLabelIndent, cell.width());
    if (code == LVIR_ICON)
        cell.setWidth(indent);
    else
        cell.setLeft(cell.left() + indent);
    *rect = cell;
    return true;
}

bool CListCtrl::GetSubItemRect(int nItem, int nSubItem, int code, QRect* rect) const {
    if (!rect || !d->ValidRow(nItem) || d->rows.IsHidden(nItem))
        return false;
    if (nSubItem == 0)
        return GetItemRect(nItem, rect, code);
    if (!d->ValidColumn(nSubItem))
        return false;
    QRect cell = CellRect(nItem, nSubItem);
    if (code == LVIR_ICON)
        cell.setWidth(0);
    else if (code != LVIR_BOUNDS && code != LVIR_LABEL)
        return false;
    *rect = cell;
    return true;
}

int CListCtrl::HitTest(const QPoint& pt, unsigned* flags) const {
    return SubItemHitTest(pt, nullptr, flags);
}

int CListCtrl::SubItemHitTest(const QPoint& pt, int* pSubItem, unsigned* flags) const {
    unsigned f = 0;
    int row = -1;
    int column = -1;
    const QSize size = viewport()->size();
    if (pt.y() < 0)
        f |= LVHT_ABOVE;
    else if (pt.y() >= size.height())
        f |= LVHT_BELOW;
    if (pt.x() < 0)
        f |= LVHT_TOLEFT;
    else if (pt.x() >= size.width())
        f |= LVHT_TORIGHT;
    if (f == 0) {
        const int x = pt.x() + GetScrollX();
        FlushScrollRange();
        const int index = d->rows.ShownRowAt(ScrollTop() + pt.y() / GetRowHeight());
        for (int v = 0; v < d->ColumnCount() && column < 0; ++v) {
            const int c = d->header->logicalIndex(v);
            const int left = d->header->sectionPosition(c);
            if (x >= left && x < left + d->header->sectionSize(c))
                column = c;
        }
        if (index >= 0 && column >= 0) {
            row = index;
            f = LVHT_ONITEMLABEL;
        } else {
            column = -1;
            f = LVHT_NOWHERE;
        }
    }
    if (flags)
        *flags = f;
    if (pSubItem)
        *pSubItem = column;
    return row;
}

void CListCtrl::RedrawItems(int nFirst, int nLast) {
    if (!Painting())
        return;
    // The scroll bar's top may be ahead of a pending range update; if that update moves the
    // view, it repaints everything anyway, so there is no need to bring it forward here.
    // With rows hidden, the rows' places may have to be laid out anew after each insert, and
    // an undo that inserts many rows redraws each of them: repainting everything is cheaper.
    if (d->rows.HiddenCount() > 0) {
        viewport()->update();
        return;
    }
    const int top = ScrollTop();
    nFirst = std::max(nFirst, top);
    nLast = std::min(nLast, LastVisiblePosition(top));
    if (nFirst > nLast)
        return;
    const int h = GetRowHeight();
    // Owner drawing may spill one pixel below a row (shared grid lines): include it.
    viewport()->update(
        QRect(0, (nFirst - top) * h, viewport()->width(), (nLast - nFirst + 1) * h + 1));
}

QColor CListCtrl::GetBkColor() const {
    return viewport()->palette().color(QPalette::Base);
}

// ---------------------------------------------------------------- painting

void CListCtrl::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    const int h = GetRowHeight();
    FlushScrollRange();
    const int top = ScrollTop(); // places among the shown rows, as first and last
    const int shown = d->rows.ShownCount();
    const int first = top + std::max(0, area.top()) / h;
    const int last = std::min(shown - 1, top + std::max(0, area.bottom()) / h);
    // What the rows do not cover shows the background. It goes first: a row may paint a
    // pixel into the space below it (grid lines shared with the next row), and the last
    // row's must stay.
    const QColor background = GetBkColor();
    const int rowsBottom = std::max(0, (shown - top) * h);
    const int rowsRight = d->header->length() - GetScrollX();
    const QRect view = viewport()->rect();
    if (rowsBottom < view.height())
        painter.fillRect(QRect(0, rowsBottom, view.width(), view.height() - rowsBottom),
                         background);
    if (rowsRight < view.width())
        painter.fillRect(
            QRect(rowsRight, 0, view.width() - rowsRight, std::min(rowsBottom, view.height())),
            background);
    const bool hasFocus = this->hasFocus();
    for (int place = first; place <= last && place < shown; ++place) {
        const int i = d->rows.ShownRowAt(place);
        DRAWITEMSTRUCT dis;
        dis.itemID = i;
        const unsigned state = d->StateOf(i);
        dis.itemState = ((state & LVIS_SELECTED) ? unsigned(ODS_SELECTED) : 0u) |
                        ((hasFocus && (state & LVIS_FOCUSED)) ? unsigned(ODS_FOCUS) : 0u);
        dis.rcItem = QRect(-GetScrollX(), (place - top) * h, d->header->length(), h);
        dis.pDC = &painter;
        dis.itemData = d->rows.At(i).data;
        painter.save();
        DrawItem(&dis);
        painter.restore();
    }
}

void CListCtrl::DrawItem(DRAWITEMSTRUCT* dis) {
    QPainter* p = dis->pDC;
    const QRect& r = dis->rcItem;
    if (!p || r.isEmpty())
        return;
    const QPalette& pal = palette();
    const bool selected = dis->itemState & ODS_SELECTED;
    p->fillRect(r, pal.color(selected ? QPalette::Highlight : QPalette::Base));
    p->setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
    p->setFont(font());
    const QFontMetrics fm(font());
    const QRect box = CheckBoxRect(dis->itemID);
    if (!box.isEmpty()) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.rect = box;
        option.state |= GetCheck(dis->itemID) ? QStyle::State_On : QStyle::State_Off;
        style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, p, this);
    }
    for (int c = 0; c < d->ColumnCount(); ++c) {
        QRect cell = CellRect(dis->itemID, c).adjusted(kTextMargin, 0, -kTextMargin, 0);
        if (c == 0 && !box.isEmpty())
            cell.setLeft(box.right() + 1 + kTextMargin);
        if (cell.width() <= 0)
            continue;
        const QString text =
            fm.elidedText(GetItemText(dis->itemID, c), Qt::ElideRight, cell.width());
        p->drawText(cell, int(AlignmentOf(d->model->columns[c].format)), text);
    }
    if (dis->itemState & ODS_FOCUS) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = r;
        option.backgroundColor = pal.color(selected ? QPalette::Highlight : QPalette::Base);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, p, this);
    }
}

void CListCtrl::OnItemChanged(int, unsigned, unsigned) {}

void CListCtrl::OnDeleteItem(int) {}

void CListCtrl::OnEndScroll() {}

// ---------------------------------------------------------------- events

// Input and painting see the scroll range as it is, even when no event loop ran since the
// rows changed.
bool CListCtrl::event(QEvent* event) {
    FlushScrollRange();
    return QAbstractScrollArea::event(event);
}

bool CListCtrl::viewportEvent(QEvent* event) {
    FlushScrollRange();
    return QAbstractScrollArea::viewportEvent(event);
}

void CListCtrl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    LayoutHeader();
}

void CListCtrl::scrollContentsBy(int, int) {
    d->header->setOffset(horizontalScrollBar()->value());
    viewport()->update();
    if (!d->ownScroll)
        OnEndScroll();
}

void CListCtrl::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
    CListCtrlAccessible::NotifyFocusedRow(this, GetNextItem(-1, LVNI_FOCUSED));
}

void CListCtrl::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void CListCtrl::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        d->fontRowHeight = std::max(1, QFontMetrics(font()).height() + 4);
        UpdateScrollBarsInternal();
        viewport()->update();
    }
}

void CListCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const int row = HitTest(event->position().toPoint());
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = (mods & Qt::ControlModifier) && !d->singleSelection;
    const bool shift = (mods & Qt::ShiftModifier) && !d->singleSelection;
    if (row < 0) {
        if (!ctrl && !shift && event->button() == Qt::LeftButton)
            ClearSelectionExcept(-1);
        return;
    }
    if (event->button() == Qt::LeftButton &&
        CheckBoxRect(row).contains(event->position().toPoint())) {
        SetCheck(row, !GetCheck(row));
        ChangeState(row, LVIS_FOCUSED, LVIS_FOCUSED);
        return;
    }
    if (event->button() == Qt::RightButton) {
        // A right click keeps a selection it lands in, so a context menu acts on all of it.
        if (!(d->StateOf(row) & LVIS_SELECTED))
            SelectOnly(row);
        ChangeState(row, LVIS_FOCUSED, LVIS_FOCUSED);
        return;
    }
    if (shift) {
        const int mark = d->rows.SelectionMark();
        const int anchor = mark >= 0 ? mark : row;
        SelectRange(anchor, row, !ctrl);
        ChangeState(row, LVIS_FOCUSED, LVIS_FOCUSED);
    } else if (ctrl) {
        const unsigned selected = d->StateOf(row) & LVIS_SELECTED;
        ChangeState(row, LVIS_SELECTED | LVIS_FOCUSED, (selected ^ LVIS_SELECTED) | LVIS_FOCUSED);
        SetSelectionMark(row);
    } else {
        SelectOnly(row);
        ChangeState(row, LVIS_FOCUSED, LVIS_FOCUSED);
        SetSelectionMark(row);
    }
    EnsureVisible(row, false);
}

void CListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void CListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    // Presses select at once; the release only ends the click.
    event->setAccepted(event->button() == Qt::LeftButton || event->button() == Qt::RightButton);
}

void CListCtrl::SelectOnly(int nItem) {
    ClearSelectionExcept(nItem);
    ChangeState(nItem, LVIS_SELECTED, LVIS_SELECTED);
}

int CListCtrl::KeyTarget(int key) const {
    // Worked out among the shown rows: the keys pass over hidden ones.
    const int place = KeyPlace(key);
    return place < 0 ? -1 : d->rows.ShownRowAt(place);
}

int CListCtrl::KeyPlace(int key) const {
    const int count = d->rows.ShownCount();
    if (count == 0)
        return -1;
    const int focusedRow = d->rows.Focused();
    const int focused =
        focusedRow < 0 ? -1 : std::min(d->rows.ShownPosition(focusedRow), count - 1);
    FlushScrollRange();
    const int top = ScrollTop();
    const int perPage = GetCountPerPage();
    switch (key) {
    case Qt::Key_Up:
        return focused < 0 ? 0 : std::max(0, focused - 1);
    case Qt::Key_Down:
        return focused < 0 ? 0 : std::min(count - 1, focused + 1);
    case Qt::Key_Home:
        return 0;
    case Qt::Key_End:
        return count - 1;
    case Qt::Key_PageUp:
        // First to the top of the page, then a page further.
        if (focused > top)
            return top;
        return std::max(0, focused - perPage + 1);
    case Qt::Key_PageDown: {
        const int bottom = std::min(count - 1, top + perPage - 1);
        if (focused < bottom)
            return bottom;
        return std::min(count - 1, focused + perPage - 1);
    }
    default:
        return -1;
    }
}

void CListCtrl::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = (mods & Qt::ControlModifier) != 0;
    const bool shift = (mods & Qt::ShiftModifier) && !d->singleSelection;
    const int focused = d->rows.Focused();
    if (event->key() == Qt::Key_Space && !ctrl && d->checkBoxes && focused >= 0) {
        SetCheck(focused, !GetCheck(focused));
        return;
    }
    if (event->key() == Qt::Key_Space && ctrl && focused >= 0) {
        // ChangeState itself keeps single selection to one row.
        const int row = focused;
        ChangeState(row, LVIS_SELECTED, (d->StateOf(row) & LVIS_SELECTED) ^ LVIS_SELECTED);
        SetSelectionMark(row);
        return;
    }
    const int target = d->rows.IsEmpty() ? -1 : KeyTarget(event->key());
    if (target < 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (shift) {
        const int mark = d->rows.SelectionMark();
        const int anchor = mark >= 0 ? mark : target;
        SelectRange(anchor, target, true);
    } else if (!ctrl) {
        SelectOnly(target);
        SetSelectionMark(target);
    }
    ChangeState(target, LVIS_FOCUSED, LVIS_FOCUSED);
    EnsureVisible(target, false);
}
