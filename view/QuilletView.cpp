#include "view/QuilletView.h"

#include "grid/ListCtrlBase.h"
#include "res/Resource.h"
#include "view/ViewHost.h"

#include <QMouseEvent>
#include <QResizeEvent>

namespace {
constexpr unsigned kGridStyle = 0x50010000; // WS_CHILD | WS_VISIBLE | WS_TABSTOP
}

CQuilletView::CQuilletView(CViewHost* host, QWidget* parent) : QWidget(parent), m_pHost(host) {
    OnCreate();
}

CQuilletView::~CQuilletView() = default;

void CQuilletView::OnCreate() {
    m_pGrid = std::make_unique<Pelmo::CListCtrlBase>();
    m_pGrid->Create(kGridStyle, QRect(), this, Res::IDC_GRID);
    m_pGrid->SetFont(QStringLiteral("ＭＳ ゴシック"), 11, false, false);
    m_pGrid->SetHeaderFont(QStringLiteral("ＭＳ ゴシック"), 11, false, false);
    m_pGrid->SetCaretOnShow(2);
    m_pGrid->SetEndEditCallback(&CQuilletView::OnEndEdit, this);
    m_pGrid->SetNotifyHandler([this](const Pelmo::GRIDNOTIFY& note) { OnGridNotify(note); });
    // The grid reports no double-click of its own; the view watches for it on the cells.
    m_pGrid->viewport()->installEventFilter(this);
}

void CQuilletView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_pGrid)
        m_pGrid->SetGridSize(event->size().width(), event->size().height());
}

void CQuilletView::OnUpdate(QWidget*, int hint, quintptr object) {
    switch (hint) {
    case Res::HINT_CLEAR:
        ClearView();
        break;
    case Res::HINT_SHOW_COMPARE:
        ShowCompare(reinterpret_cast<CIniCompare*>(object));
        break;
    case Res::HINT_ADDED_COMPARE:
        ShowAddedCompareEntries();
        break;
    default:
        break;
    }
}

void CQuilletView::ClearView() {
    m_pGrid->DeleteAllItems();
    // Each width goes under the index its column had, so the next layout gets it back.
    std::map<int, int>* widths = m_pCompare ? &m_pHost->CompareColumnWidths() : nullptr;
    for (int col = 0, count = m_pGrid->GetColumnCount(); col < count; ++col) {
        if (widths)
            (*widths)[col] = m_pGrid->GetColumnWidth(0);
        m_pGrid->DeleteColumn(0);
    }
    m_pCompare = nullptr;
    m_pHost->SendMessage(Res::WM_CLEAR_VALUE_LISTS, 0, 0);
}

void CQuilletView::OnGridNotify(const Pelmo::GRIDNOTIFY& note) {
    if (!m_pCompare)
        return;
    if (note.code == Pelmo::GN_CURCELLCHANGED)
        OnCompareCurrentCellChanged(note.nRow, note.nCol);
    else if (note.code == Pelmo::GN_RCLICK)
        OnCompareRightClick(note.nRow, note.nCol);
}

void CQuilletView::OnGridDblClk(int row, int col) {
    if (m_pCompare)
        OnCompareDblClk(row, col);
}

bool CQuilletView::OnEndEdit(Pelmo::CListCtrlEx* grid, int row, int col, const QString& text,
                             QString* store, void* data) {
    auto* view = static_cast<CQuilletView*>(data);
    if (view->m_pCompare)
        return OnCompareEndEdit(grid, row, col, text, store, data);
    return false;
}

bool CQuilletView::eventFilter(QObject* watched, QEvent* event) {
    if (m_pGrid && watched == m_pGrid->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        Pelmo::GRIDHITTEST hit;
        if (mouse->button() == Qt::LeftButton &&
            m_pGrid->HitTestCell(mouse->globalPosition().toPoint(), &hit) &&
            hit.nArea == Pelmo::GHT_CELL)
            OnGridDblClk(hit.nRow, hit.nCol);
    }
    return QWidget::eventFilter(watched, event);
}

void CQuilletView::CommitEdit() {
    if (m_pGrid && m_pGrid->IsEditing())
        m_pGrid->EndEdit();
}
