#include "view/QuilletView.h"

#include "grid/ListCtrlBase.h"
#include "res/Resource.h"
#include "view/ViewHost.h"

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
}

void CQuilletView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_pGrid)
        m_pGrid->SetGridSize(event->size().width(), event->size().height());
}

void CQuilletView::OnUpdate(QWidget*, int, quintptr) {
    // Rows, columns and the hints' handling come with the view's content.
}

void CQuilletView::CommitEdit() {
    if (m_pGrid && m_pGrid->IsEditing())
        m_pGrid->EndEdit();
}
