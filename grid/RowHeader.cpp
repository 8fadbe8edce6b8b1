#include "grid/RowHeader.h"

#include "grid/GridTypes.h"
#include "grid/HeaderCtrlEx.h"
#include "grid/ListCtrlBase.h"
#include "grid/ReadableColor.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace Pelmo {

namespace {

// Indent of left- or right-aligned texts from the button's edge.
constexpr int kTextIndent = 5;
// How close to the corner's right edge the pointer offers width sizing.
constexpr int kSizingEdge = 10;
// Margin added to the widest text by the automatic width.
constexpr int kFitMargin = 20;
// Period of the automatic scrolling while rows are dragged past the grid's edges.
constexpr int kAutoScrollMs = 50;
// Text colour of the row being edited, on the tint (on the plain face the palette's link
// colour stands in for it, which a dark palette keeps light).
constexpr COLORREF kEditedRowText = RGB(0, 0, 255);

} // namespace

CRowHeader::CRowHeader(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

CRowHeader::~CRowHeader() = default;

// ---- Labels and settings --------------------------------------------------------------

void CRowHeader::SetRowLabel(unsigned nId, const QString& text) {
    m_mapLabels.insert(nId, text);
}

void CRowHeader::RemoveRowLabel(unsigned nId) {
    m_mapLabels.remove(nId);
}

void CRowHeader::RemoveAllRowLabels() {
    m_mapLabels.clear();
}

void CRowHeader::SetUseLabels(bool bUse) {
    if (m_bUseLabels == bUse)
        return;
    m_bUseLabels = bUse;
    update();
}

void CRowHeader::SetAlign(int nAlign) {
    if (m_nAlign == nAlign)
        return;
    m_nAlign = nAlign;
    update();
}

void CRowHeader::SetRowFont(const QFont* pFont) {
    m_pFont = std::make_unique<QFont>(
        pFont ? *pFont : QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    setFont(*m_pFont);
    update();
}

// ---- Geometry -------------------------------------------------------------------------

int CRowHeader::ViewportTop() const {
    const QWidget* vp = m_pGrid->viewport();
    return mapFromGlobal(vp->mapToGlobal(QPoint(0, 0))).y();
}

int CRowHeader::ViewportBottom() const {
    const QWidget* vp = m_pGrid->viewport();
    return ViewportTop() + vp->height();
}

bool CRowHeader::IsColumnHeaderVisible() const {
    const QHeaderView* header = m_pGrid->GetHeaderCtrl();
    return header && header->isVisibleTo(m_pGrid) && header->height() >= 1;
}

// A row's button in this widget's coordinates. Its frame lines lie on the grid lines above
// and below the row, so the buttons line up with the cells.
QRect CRowHeader::RowButtonRect(int nRow) const {
    QRect row;
    if (!m_pGrid->GetItemRect(nRow, &row, LVIR_BOUNDS))
        return {};
    return QRect(0, row.top() + ViewportTop(), width(), row.height() + 1);
}

// The last pixel row of the corner: the grid line above the first row.
int CRowHeader::CornerBottom() const {
    if (!IsColumnHeaderVisible())
        return 0;
    const int nBottom = ViewportTop();
    return m_pGrid->GetItemCount() > 0 ? nBottom : nBottom - 1;
}

int CRowHeader::NextShownRow(int nRow) const {
    return m_pGrid->ShownRowAt(m_pGrid->ShownPosition(nRow) + 1);
}

int CRowHeader::HitTestRow(const QPoint& pt) const {
    if (!m_pGrid)
        return HIT_NONE;
    const int y = pt.y();
    const int nTop = ViewportTop();
    if (y < nTop)
        return HIT_CORNER;
    if (y >= ViewportBottom())
        return HIT_NONE;
    for (int nRow = m_pGrid->GetTopIndex(); nRow >= 0 && nRow < m_pGrid->GetItemCount();
         nRow = NextShownRow(nRow)) {
        const QRect button = RowButtonRect(nRow);
        if (button.isNull() || y < button.top())
            break;
        // Each row owns its top grid line and its inside; the bottom line is the next row's.
        if (y < button.bottom())
            return nRow;
    }
    return HIT_NONE;
}

// ---- Texts ----------------------------------------------------------------------------

QString CRowHeader::RowText(int nRow) const {
    if (!m_pGrid)
        return {};
    // An italic last letter leans past its advance width; a blank keeps it from being cut.
    const QString suffix = font().italic() ? QStringLiteral(" ") : QString();
    if (m_pGrid->GetEditState(nRow) == ES_APPENDROW)
        return QLatin1Char('*') + suffix;
    if (m_bUseLabels)
        return m_mapLabels.value(m_pGrid->MapIndexToId(nRow)) + suffix;
    return QString::number(nRow + 1) + suffix;
}

int CRowHeader::CalcFitWidth() const {
    int nWidth = 1;
    if (!m_pGrid)
        return nWidth;
    const QFontMetrics fm(font());
    const int nCount = m_pGrid->GetItemCount();
    for (int nRow = 0; nRow < nCount; ++nRow) {
        const int nText = fm.horizontalAdvance(RowText(nRow));
        if (nWidth < nText)
            nWidth = nText + kFitMargin;
    }
    return nWidth;
}

// ---- Painting -------------------------------------------------------------------------

void CRowHeader::paintEvent(QPaintEvent*) {
    if (!m_pGrid || m_pGrid->GetRowHeaderWidth() == -1)
        return;
    QPainter dc(this);
    dc.fillRect(rect(), ToQColor(m_pGrid->GetKeyColor(CK_BACK)));
    dc.setFont(font());
    // The rightmost pixel column stays free for the grid line drawn per row.
    QRegion face(rect());
    face -= QRegion(width() - 1, 1, 1, qMax(0, height() - 2));
    dc.setClipRegion(face);
    CHeaderCtrlEx::DrawFlatButton(&dc, rect(), palette());
    dc.setClipping(false);
    PaintCorner(&dc);
    PaintRows(&dc);
}

void CRowHeader::PaintCorner(QPainter* pDC) const {
    const int nBottom = CornerBottom();
    QRect corner(0, 0, width(), nBottom + 1);
    const QHeaderView* header = m_pGrid->GetHeaderCtrl();
    // Without columns the grid line that would continue the corner's right edge is absent.
    if (IsColumnHeaderVisible() && header && header->count() == 0)
        corner.setWidth(width() - 1);
    CHeaderCtrlEx::DrawFlatButton(pDC, corner, palette());
}

void CRowHeader::PaintRows(QPainter* pDC) const {
    const int nCount = m_pGrid->GetShownCount();
    const int nTop = m_pGrid->ShownPosition(m_pGrid->GetTopIndex());
    if (nCount <= 0 || nTop < 0)
        return;
    // Places among the shown rows.
    const int nLast = qMin(nTop + m_pGrid->GetCountPerPage() + 1, nCount - 1);
    // Rows never paint over the corner nor beside the grid's scroll bar.
    const int nAreaTop = CornerBottom();
    const int nAreaBottom = qMin(height() - 1, ViewportBottom() + 1);
    const QRect area(0, nAreaTop, width(), qMax(0, nAreaBottom - nAreaTop));

    for (int nPlace = nTop; nPlace <= nLast; ++nPlace) {
        const int nRow = m_pGrid->ShownRowAt(nPlace);
        const QRect button = RowButtonRect(nRow);
        if (button.isNull())
            continue;
        QRect clip = button.intersected(area);
        // The row above with its edit box open keeps the shared line in its own colours.
        if (nPlace > nTop && m_pGrid->GetEditState(m_pGrid->ShownRowAt(nPlace - 1)) == ES_EDITBOX)
            clip.setTop(clip.top() + 1);
        if (clip.isEmpty())
            continue;
        pDC->save();
        pDC->setClipRect(clip);
        PaintRow(pDC, nRow, button);
        pDC->restore();
    }
}

void CRowHeader::PaintRow(QPainter* pDC, int nRow, const QRect& button) const {
    CHeaderCtrlEx::DrawFlatButton(pDC, button, palette());
    const QRect inside = button.adjusted(1, 1, -1, -1);
    const QLine rightEdge(button.right(), button.top(), button.right(), button.bottom());
    const int nState = m_pGrid->GetEditState(nRow);
    bool bTinted = nState == ES_EDITBOX;
    if (bTinted) {
        pDC->fillRect(inside, ToQColor(CLR_HEADER_TINT));
        // The editor's coloured frame runs on into the row header when it touches it.
        if (EditorFrameMeetsRow(button)) {
            pDC->setPen(ToQColor(m_pGrid->GetKeyColor(CK_EDIT_FRAME)));
            pDC->drawLine(rightEdge);
        }
    } else {
        const unsigned nMask = m_pGrid->IsRowSelect() ? LVIS_SELECTED : LVIS_FOCUSED;
        bTinted = (m_pGrid->GetItemState(nRow, nMask) & nMask) != 0;
        if (bTinted)
            pDC->fillRect(inside, ToQColor(CLR_HEADER_TINT));
        pDC->setPen(ToQColor(m_pGrid->GetKeyColor(CK_GRIDLINE)));
        pDC->drawLine(rightEdge);
    }
    PaintRowText(pDC, nRow, nState, button, bTinted);
}

bool CRowHeader::EditorFrameMeetsRow(const QRect& button) const {
    const QRect editor = m_pGrid->GetEditWindowRect();
    return !editor.isEmpty() && editor.left() == mapToGlobal(QPoint(button.right(), 0)).x();
}

void CRowHeader::PaintRowText(QPainter* pDC, int nRow, int nState, const QRect& button,
                              bool bTinted) const {
    const bool bEdited = nState == ES_EDITBOX || nState == ES_CHOICELIST;
    if (bEdited)
        pDC->setPen(bTinted ? ToQColor(kEditedRowText) : palette().color(QPalette::Link));
    else
        pDC->setPen(bTinted ? ReadableTextOn(ToQColor(CLR_HEADER_TINT))
                            : palette().color(QPalette::ButtonText));

    QRect box = button;
    int nAlign = Qt::AlignHCenter;
    if (m_nAlign == ALIGN_LEFT) {
        box.setLeft(box.left() + kTextIndent);
        nAlign = Qt::AlignLeft;
    } else if (m_nAlign == ALIGN_RIGHT) {
        box.setRight(box.right() - kTextIndent);
        nAlign = Qt::AlignRight;
    }
    if (box.width() < 1)
        return;
    const QString text =
        QFontMetrics(font()).elidedText(RowText(nRow), Qt::ElideMiddle, box.width());
    pDC->drawText(box, nAlign | Qt::AlignAbsolute | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

// ---- Pointer --------------------------------------------------------------------------

void CRowHeader::UpdateHit(const QPoint& pt) {
    m_nHitRow = HitTestRow(pt);
    m_bOnSizingEdge = m_nHitRow == HIT_CORNER && m_pGrid->IsColumnSizingEnabled() &&
                      pt.x() >= width() - kSizingEdge && pt.x() <= width();
    if (m_nDragMode == 2)
        return;
    if (m_bOnSizingEdge)
        setCursor(Qt::SizeHorCursor);
    else
        unsetCursor();
}

// Hidden in the middle of a drag (the grid dropped its row header) no release will come.
void CRowHeader::hideEvent(QHideEvent* event) {
    StopDrag();
    m_bRightDown = false;
    QWidget::hideEvent(event);
}

void CRowHeader::leaveEvent(QEvent* event) {
    if (m_nDragMode != 2)
        unsetCursor();
    QWidget::leaveEvent(event);
}

void CRowHeader::mousePressEvent(QMouseEvent* event) {
    if (!m_pGrid)
        return;
    const QPoint pt = event->position().toPoint();
    UpdateHit(pt);
    if (event->button() == Qt::LeftButton)
        LeftPress(pt);
    else if (event->button() == Qt::RightButton)
        RightPress(pt);
}

void CRowHeader::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!m_pGrid)
        return;
    const QPoint pt = event->position().toPoint();
    UpdateHit(pt);
    if (event->button() == Qt::LeftButton && m_bOnSizingEdge)
        FitWidth();
    else
        mousePressEvent(event);
}

// Ends an open edit before the click acts. False when the click must be dropped.
bool CRowHeader::FinishEditBeforeClick() {
    if (!m_pGrid->IsEditing()) {
        m_pGrid->setFocus(Qt::MouseFocusReason);
        return true;
    }
    int nEditRow = -1;
    int nEditCol = -1;
    m_pGrid->GetEditCell(&nEditRow, &nEditCol);
    // The grid commits the edit when it takes the focus back; an inactive window gets no
    // focus change, so commit explicitly then.
    m_pGrid->setFocus(Qt::MouseFocusReason);
    if (m_pGrid->IsEditing())
        m_pGrid->EndEdit();
    if (m_nHitRow == HIT_NONE)
        return false;
    const int nNewRow = m_nHitRow == HIT_CORNER ? -1 : m_nHitRow;
    return m_pGrid->MayClickAfterEdit(nEditRow, nEditCol, nNewRow, -1, true);
}

void CRowHeader::LeftPress(const QPoint& pt) {
    if (!FinishEditBeforeClick())
        return;
    if (m_nHitRow == HIT_CORNER) {
        if (m_bOnSizingEdge)
            m_nDragMode = 2;
        else
            SelectAllRows();
        return;
    }
    if (m_nHitRow >= 0) {
        m_ptPointer = pt;
        StartRowDrag(m_nHitRow);
    }
}

void CRowHeader::SelectAllRows() {
    // One repaint at the end instead of one per row.
    m_pGrid->setUpdatesEnabled(false);
    setUpdatesEnabled(false);
    m_pGrid->SelectAllRows();
    m_pGrid->setUpdatesEnabled(true);
    setUpdatesEnabled(true);
    m_pGrid->viewport()->update();
    repaint();
}

void CRowHeader::StartRowDrag(int nRow) {
    m_pGrid->SelectRowFromHeader(nRow, false, false);
    m_nDragRow = nRow;
    // A drag starts afresh: a row reached by an earlier drag must not stop this one.
    m_nTimerRow = -1;
    m_nDragMode = 1;
    if (m_nTimer == 0)
        m_nTimer = startTimer(kAutoScrollMs);
}

void CRowHeader::StopDrag() {
    if (m_nDragMode == 1) {
        if (m_nTimer != 0)
            killTimer(m_nTimer);
        m_nTimer = 0;
        m_nDragRow = -1;
    }
    m_nDragMode = 0;
}

void CRowHeader::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pGrid)
        return;
    const QPoint pt = event->position().toPoint();
    m_ptPointer = pt;
    UpdateHit(pt);
    if (m_nDragMode == 1) {
        const int nRow = RowUnderPointer(pt.y());
        if (nRow != -1 && nRow != m_nDragRow) {
            m_pGrid->SelectRowFromHeader(nRow, false, true);
            repaint();
            m_nDragRow = nRow;
        }
    } else if (m_nDragMode == 2) {
        m_pGrid->SetRowHeaderWidth(qMax(1, pt.x()));
    }
}

void CRowHeader::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_pGrid)
        return;
    if (event->button() == Qt::LeftButton)
        StopDrag();
    else if (event->button() == Qt::RightButton)
        RightRelease(event->position().toPoint());
}

// The row a selection drag has reached, y in this widget's coordinates.
int CRowHeader::RowUnderPointer(int y) const {
    if (y >= ViewportBottom())
        return -1;
    const int nCount = m_pGrid->GetItemCount();
    const int nTop = m_pGrid->GetTopIndex();
    if (nCount <= 0 || nTop < 0)
        return -1;
    const QRect first = RowButtonRect(nTop);
    if (y < first.top())
        return nTop > m_pGrid->ShownRowAt(0) ? -1 : nTop;
    if (y <= first.bottom())
        return nTop;
    for (int nRow = NextShownRow(nTop); nRow >= 0; nRow = NextShownRow(nRow)) {
        const QRect button = RowButtonRect(nRow);
        if (button.top() >= ViewportBottom())
            return -1;
        if (button.top() <= y && y <= button.bottom())
            return nRow;
    }
    return m_pGrid->ShownRowAt(m_pGrid->GetShownCount() - 1);
}

void CRowHeader::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_nTimer || m_nDragMode != 1 || !m_pGrid) {
        QWidget::timerEvent(event);
        return;
    }
    AutoScrollStep();
}

// While the pointer is held below the rows, each tick runs the selection on to the row a
// page below the top row; above them, to the row above the top row. Scrolling that row
// into view moves the top row, so the selection keeps going until the pointer comes back.
void CRowHeader::AutoScrollStep() {
    // The mouse is grabbed during the drag, so the last move seen is where the pointer is.
    const int y = m_ptPointer.y();
    const int nCount = m_pGrid->GetItemCount();
    const int nTop = m_pGrid->GetTopIndex();
    if (nCount <= 0 || nTop < 0)
        return;
    // Worked out among the shown rows.
    const int nTopPlace = m_pGrid->ShownPosition(nTop);
    int nTarget = -1;
    if (y >= ViewportBottom())
        nTarget = m_pGrid->ShownRowAt(
            qMin(nTopPlace + m_pGrid->GetCountPerPage(), m_pGrid->GetShownCount() - 1));
    else if (nTopPlace > 0 && y < RowButtonRect(nTop).top())
        nTarget = m_pGrid->ShownRowAt(nTopPlace - 1);
    if (nTarget == -1)
        return;
    if (nTarget != m_nTimerRow) {
        m_pGrid->SelectRowFromHeader(nTarget, true, true);
        m_nTimerRow = nTarget;
    }
    m_pGrid->viewport()->repaint();
    repaint();
}

void CRowHeader::FitWidth() {
    m_pGrid->SetRowHeaderWidth(CalcFitWidth());
}

void CRowHeader::RightPress(const QPoint& pt) {
    // Qt grabs the mouse for the press, so the release comes back here wherever it is.
    m_nRightDownItem = HitTestRow(pt);
    m_bRightDown = true;
}

void CRowHeader::RightRelease(const QPoint& pt) {
    if (!m_bRightDown)
        return;
    m_bRightDown = false;
    if (m_nRightDownItem == HIT_NONE || HitTestRow(pt) != m_nRightDownItem)
        return;
    const int nRow = m_nRightDownItem == HIT_CORNER ? -1 : m_nRightDownItem;
    m_pGrid->SendHeaderEvent(GE_RCLICK_ROWHEADER, nRow, -1);
}

void CRowHeader::wheelEvent(QWheelEvent* event) {
    if (!m_pGrid) {
        event->ignore();
        return;
    }
    QWidget* vp = m_pGrid->viewport();
    const QPointF pos = vp->mapFromGlobal(event->globalPosition());
    QWheelEvent forwarded(pos, event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                          Qt::NoButton, Qt::NoModifier, event->phase(), event->inverted());
    QApplication::sendEvent(vp, &forwarded);
    event->accept();
}

} // namespace Pelmo
