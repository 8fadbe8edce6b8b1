// The grid as a window: creation, fonts, header height, row height, the row header beside
// the grid, the outer rectangle they share, and scrolling a cell into view.
#include "grid/ListCtrlBase.h"

#include "grid/EditEx.h"
#include "grid/HeaderCtrlEx.h"
#include "grid/RowHeader.h"
#include "platform/ui/ListCtrlAccessible.h"

#include <QApplication>
#include <QFontMetrics>
#include <QRegion>
#include <QScrollBar>
#include <QStyle>

namespace Pelmo {

namespace {

constexpr unsigned WS_VISIBLE = 0x10000000;
constexpr unsigned LVS_SINGLESEL = 0x0004;

// Redrawing off while many things change, as long as the widget is shown.
class CRedrawOff {
public:
    explicit CRedrawOff(QWidget* w) : m_w(w->isVisible() ? w : nullptr) {
        if (m_w) {
            m_was = m_w->updatesEnabled();
            m_w->setUpdatesEnabled(false);
        }
    }
    ~CRedrawOff() {
        if (m_w)
            m_w->setUpdatesEnabled(m_was);
    }
    CRedrawOff(const CRedrawOff&) = delete;
    CRedrawOff& operator=(const CRedrawOff&) = delete;

private:
    QWidget* m_w;
    bool m_was = true;
};

} // namespace

// ---------------------------------------------------------------- creation

bool CListCtrlBase::Create(unsigned dwStyle, const QRect& rect, QWidget* pParent, unsigned nID) {
    if (pParent && pParent != parentWidget())
        setParent(pParent);
    setGeometry(rect);
    m_nID = nID;
    setObjectName(QString::number(nID));
    SetSingleSelection((dwStyle & LVS_SINGLESEL) != 0);
    AttachWindow();
    setVisible((dwStyle & WS_VISIBLE) != 0);
    return true;
}

void CListCtrlBase::AttachWindow() {
    QWidget* parent = parentWidget();
    if (parent) {
        SetCancelWindow(parent, true);
        SetCancelWindow(parent->window(), true);
    }
    // The header offers dragging exactly when the list-view allows reordering.
    SetHeaderDragDrop(GetHeaderDragDrop());
    SetAppendRow(false);
    if (m_pRowHeader && m_pRowHeader->parentWidget() != parent) {
        m_pRowHeader->setParent(parent);
        m_pRowHeader->hide();
    }
    if (m_pRowHeader) {
        const QFont font = GetGridFont();
        m_pRowHeader->SetRowFont(&font);
    }
    m_bCreated = true;
    UpdateRowHeight();
    MeasureTextMargin();
}

// The left edge of the editor's text in a cell: where the text of an open editor starts, so
// that a cell's text does not jump when its editor opens.
void CListCtrlBase::MeasureTextMargin() {
    CEditEx probe(nullptr);
    probe.setFont(GetGridFont());
    probe.setGeometry(0, 0, 200, 100);
    const int left = probe.GetRect().left();
    m_nTextMargin = std::max(0, left);
}

// ---------------------------------------------------------------- fonts

QFont CListCtrlBase::GetGridFont() const {
    return m_pFont ? *m_pFont : font();
}

QFont CListCtrlBase::GetFont() const {
    return GetGridFont();
}

void CListCtrlBase::UpdateRowHeight() {
    CListCtrl::SetRowHeight(GetRowHeight());
}

int CListCtrlBase::GetRowHeight() const {
    if (m_nRowHeight >= 0)
        return m_nRowHeight;
    return QFontMetrics(GetGridFont()).height() + 10;
}

void CListCtrlBase::SetRowHeight(int nPixels) {
    m_nRowHeight = nPixels < 0 ? -1 : nPixels;
    const int top = GetTopIndex();
    const int x = GetScrollX();
    {
        CRedrawOff off(this);
        UpdateRowHeight();
        RestoreScroll(top, x);
    }
    RedrawGrid();
}

void CListCtrlBase::RestoreScroll(int nTop, int nX) {
    const int h = CListCtrl::GetRowHeight();
    // By places among the shown rows, which is what the scroll bar counts.
    const int rows = ShownPosition(nTop) - ShownPosition(GetTopIndex());
    if (rows != 0)
        Scroll(0, rows * h);
    if (nX != GetScrollX())
        Scroll(nX - GetScrollX(), 0);
}

void CListCtrlBase::SetFont(const QFont& font) {
    EndEdit();
    m_pFont = std::make_unique<QFont>(font);
    ApplyGridFont(font);
}

void CListCtrlBase::SetFont(const QString& face, int nPoint, bool bBold, bool bItalic) {
    QFont font(face);
    font.setPointSize(std::max(1, nPoint));
    font.setWeight(bBold ? QFont::Bold : QFont::Normal);
    font.setItalic(bItalic);
    SetFont(font);
}

void CListCtrlBase::ApplyGridFont(const QFont& font) {
    const int top = GetTopIndex();
    const int x = GetScrollX();
    {
        CRedrawOff off(this);
        // The header keeps a font of its own: giving the grid a font must not change it.
        const QFont* headerFont = m_pHeader->GetHeaderFont();
        const QFont keep = headerFont ? *headerFont : m_pHeader->font();
        QWidget::setFont(font);
        m_pHeader->SetHeaderFont(keep);
        LayoutHeader();
        UpdateRowHeight();
        RestoreScroll(top, x);
    }
    MeasureTextMargin();
    RedrawGrid();
}

void CListCtrlBase::SetHeaderFont(const QFont& font) {
    EndEdit();
    m_pHeader->SetHeaderFont(font);
    if (m_pRowHeader)
        m_pRowHeader->SetRowFont(&font);
    if (m_pHeader->isVisible())
        RedrawGrid();
}

void CListCtrlBase::SetHeaderFont(const QString& face, int nPoint, bool bBold, bool bItalic) {
    QFont font(face);
    font.setPointSize(std::max(1, nPoint));
    font.setWeight(bBold ? QFont::Bold : QFont::Normal);
    font.setItalic(bItalic);
    SetHeaderFont(font);
}

QFont CListCtrlBase::GetHeaderFont() const {
    const QFont* own = m_pHeader->GetHeaderFont();
    return own ? *own : m_pHeader->font();
}

// ---------------------------------------------------------------- column header

void CListCtrlBase::ApplyHeaderHeight() {
    m_pHeader->Layout();
    LayoutHeader();
    m_pHeader->updateGeometry();
    Scroll(0, 0);
    m_pHeader->viewport()->update();
    RedrawGrid();
}

void CListCtrlBase::SetHeaderLines(int nLines) {
    EndEdit();
    m_pHeader->SetTextLines(std::max(0, nLines));
    m_pHeader->SetHeightPixels(-1);
    ApplyHeaderHeight();
}

void CListCtrlBase::SetHeaderHeight(int nPixels) {
    EndEdit();
    m_pHeader->SetTextLines(-1);
    m_pHeader->SetHeightPixels(std::max(0, nPixels));
    ApplyHeaderHeight();
}

int CListCtrlBase::GetHeaderLines(int* pHeight) const {
    if (pHeight)
        *pHeight = m_pHeader->GetHeightPixels();
    return m_pHeader->GetTextLines();
}

void CListCtrlBase::SetHeaderAlign(int nAlign) {
    m_pHeader->SetAlign(nAlign);
    m_pHeader->viewport()->update();
}

void CListCtrlBase::EnableColumnSizing(bool bEnable) {
    m_bColumnSizing = bEnable;
    m_pHeader->setSectionResizeMode(bEnable ? QHeaderView::Interactive : QHeaderView::Fixed);
}

bool CListCtrlBase::IsColumnSizingEnabled() const {
    return m_bColumnSizing;
}

void CListCtrlBase::EnableColumnDragDrop(bool bEnable) {
    SetHeaderDragDrop(bEnable);
}

// ---------------------------------------------------------------- row header

void CListCtrlBase::SetRowHeaderWidth(int nWidth) {
    const int width = nWidth < 0 ? -1 : std::max(3, nWidth);
    LayoutGrid(GetGridRectInParent(), width);
    m_nRowHeaderWidth = width;
    RedrawRowHeader();
}

int CListCtrlBase::GetRowHeaderWidth() const {
    return m_nRowHeaderWidth;
}

void CListCtrlBase::SetRowHeaderAlign(int nAlign) {
    if (m_pRowHeader && m_pRowHeader->GetAlign() != nAlign) {
        m_pRowHeader->SetAlign(nAlign);
        RedrawRowHeader();
    }
}

void CListCtrlBase::SetRowHeaderUseLabels(bool bUse) {
    if (m_pRowHeader && m_pRowHeader->GetUseLabels() != bUse) {
        m_pRowHeader->SetUseLabels(bUse);
        RedrawRowHeader();
    }
}

void CListCtrlBase::RedrawRowHeader() {
    if (m_pRowHeader)
        m_pRowHeader->update();
}

void CListCtrlBase::ShowRowHeader(bool bShow) {
    if (!m_pRowHeader || !m_pRowHeader->parentWidget())
        return;
    m_pRowHeader->setVisible(bShow && m_nRowHeaderWidth != -1);
}

// ---------------------------------------------------------------- outer rectangle

QRect CListCtrlBase::GetGridRectInParent() const {
    QRect rect = geometry();
    if (m_nRowHeaderWidth != -1 && m_pRowHeader && m_pRowHeader->parentWidget() == parentWidget())
        rect = rect.united(m_pRowHeader->geometry());
    return rect;
}

QRect CListCtrlBase::GetGridRect() const {
    QRect rect(mapToGlobal(QPoint(0, 0)), size());
    if (m_nRowHeaderWidth != -1 && m_pRowHeader)
        rect = rect.united(QRect(m_pRowHeader->mapToGlobal(QPoint(0, 0)), m_pRowHeader->size()));
    return rect;
}

void CListCtrlBase::LayoutGrid(const QRect& rcOuter, int nRowHeaderWidth) {
    const QRect old = GetGridRectInParent();
    {
        CRedrawOff off(this);
        if (nRowHeaderWidth == -1 || !m_pRowHeader) {
            if (m_pRowHeader)
                m_pRowHeader->hide();
            setGeometry(rcOuter);
        } else if (rcOuter.width() < nRowHeaderWidth) {
            m_pRowHeader->setGeometry(rcOuter);
            setGeometry(rcOuter.left(), rcOuter.top(), 1, rcOuter.height());
        } else {
            m_pRowHeader->setGeometry(rcOuter.left(), rcOuter.top(), nRowHeaderWidth,
                                      rcOuter.height());
            // The two overlap by one pixel, so the row header's right line is the grid's left.
            setGeometry(rcOuter.left() + nRowHeaderWidth - 1, rcOuter.top(),
                        rcOuter.width() - nRowHeaderWidth + 1, rcOuter.height());
        }
        if (nRowHeaderWidth != -1 && m_pRowHeader && m_pRowHeader->parentWidget() && !isHidden())
            m_pRowHeader->show();
    }
    if (QWidget* parent = parentWidget()) {
        const QRegion uncovered = QRegion(old).subtracted(QRegion(rcOuter));
        if (!uncovered.isEmpty())
            parent->update(uncovered);
    }
    RedrawGrid();
}

void CListCtrlBase::MoveGrid(const QRect& rect) {
    LayoutGrid(rect, m_nRowHeaderWidth);
}

void CListCtrlBase::SetGridSize(int cx, int cy) {
    QRect rect = GetGridRectInParent();
    rect.setSize(QSize(std::max(0, cx), std::max(0, cy)));
    LayoutGrid(rect, m_nRowHeaderWidth);
}

void CListCtrlBase::FitToParent(int nRightMargin, int nBottomMargin) {
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    QRect rect = GetGridRectInParent();
    const QSize client = parent->size();
    if (rect.top() >= client.height() - nBottomMargin)
        return;
    rect.setWidth(std::max(0, client.width() - nRightMargin - rect.left()));
    rect.setHeight(std::max(0, client.height() - nBottomMargin - rect.top()));
    LayoutGrid(rect, m_nRowHeaderWidth);
}

bool CListCtrlBase::HitTestCell(const QPoint& ptScreen, GRIDHITTEST* pHit) const {
    GRIDHITTEST hit;
    const QPoint inHeader = m_pHeader->mapFromGlobal(ptScreen);
    const QPoint inRowHeader = m_pRowHeader ? m_pRowHeader->mapFromGlobal(ptScreen) : QPoint();
    if (m_pHeader->isVisible() && m_pHeader->rect().contains(inHeader)) {
        hit.nRow = -1;
        hit.nCol = m_pHeader->logicalIndexAt(inHeader);
        hit.nArea = GHT_COLUMNHEADER;
    } else if (m_nRowHeaderWidth != -1 && m_pRowHeader && m_pRowHeader->isVisible() &&
               m_pRowHeader->rect().contains(inRowHeader)) {
        hit.nRow = std::max(-1, m_pRowHeader->HitTestRow(inRowHeader));
        hit.nCol = -1;
        hit.nArea = GHT_ROWHEADER;
    } else {
        int col = -1;
        const int row = SubItemHitTest(viewport()->mapFromGlobal(ptScreen), &col);
        if (row < 0 || col < 0)
            return false;
        hit.nRow = row;
        hit.nCol = col;
        hit.nArea = GHT_CELL;
    }
    if (pHit)
        *pHit = hit;
    return true;
}

// ---------------------------------------------------------------- scrolling and repainting

void CListCtrlBase::ScrollCellIntoView(int nItem, int nCol) {
    if (nItem < 0 || nItem >= GetItemCount() || nCol < 0 || nCol >= GetColumnCount())
        return;
    {
        CRedrawOff off(this);
        QRect rc;
        if (nCol == 0) {
            GetItemRect(nItem, &rc, LVIR_LABEL);
            rc.setLeft(rc.left() - 3);
        } else {
            GetSubItemRect(nItem, nCol, LVIR_BOUNDS, &rc);
        }
        rc.setLeft(rc.left() - 1);
        const int right = rc.left() + rc.width(); // exclusive
        const int clientRight = viewport()->width();
        if (right > clientRight)
            Scroll(right - clientRight + 10, 0);
        else if (rc.left() < 0)
            Scroll(rc.left() - 10, 0);
    }
    EnsureVisible(nItem, false);
    RedrawGrid();
}

void CListCtrlBase::RedrawRow(int nItem) {
    RedrawItems(nItem, nItem);
    // The row header shows the row's marks; off screen there is nothing of it to repaint.
    if (IsRowOnScreen(nItem))
        RedrawRowHeader();
}

bool CListCtrlBase::IsRowOnScreen(int nItem) const {
    if (IsRowHidden(nItem))
        return false;
    // With rows hidden, a row's place may cost laying them all out again (as after each row an
    // undo inserts): taking any shown row for one on screen only repaints the row header.
    if (GetShownCount() < GetItemCount())
        return true;
    const int top = verticalScrollBar()->value();
    return nItem >= top && nItem <= top + GetCountPerPage();
}

void CListCtrlBase::RedrawGrid() {
    viewport()->update();
    m_pHeader->viewport()->update();
    RedrawRowHeader();
}

bool CListCtrlBase::HasGridFocus() const {
    const QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return false;
    if (focus == this || focus == viewport())
        return true;
    if (m_edit && focus == m_edit.get())
        return true;
    return false;
}

QRect CListCtrlBase::GetEditWindowRect() const {
    if (!m_edit || !m_edit->IsWindow())
        return QRect();
    return QRect(m_edit->mapToGlobal(QPoint(0, 0)), m_edit->size());
}

// ---------------------------------------------------------------- window events

void CListCtrlBase::resizeEvent(QResizeEvent* event) {
    // The cell under an open editor moves with the new size: commit first.
    EndEdit();
    CListCtrlEx::resizeEvent(event);
    RedrawGrid();
}

void CListCtrlBase::showEvent(QShowEvent* event) {
    CListCtrlEx::showEvent(event);
    ShowRowHeader(true);
}

void CListCtrlBase::hideEvent(QHideEvent* event) {
    CListCtrlEx::hideEvent(event);
    ShowRowHeader(false);
}

void CListCtrlBase::changeEvent(QEvent* event) {
    CListCtrlEx::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && m_pRowHeader)
        m_pRowHeader->setEnabled(isEnabled());
}

void CListCtrlBase::focusInEvent(QFocusEvent* event) {
    CListCtrlEx::focusInEvent(event);
    RedrawGrid();
    int row = -1;
    int col = -1;
    if (GetCurrentCell(&row, &col, false))
        CListCtrlAccessible::NotifyCurrentCell(this, row, col);
}

void CListCtrlBase::focusOutEvent(QFocusEvent* event) {
    CListCtrlEx::focusOutEvent(event);
    // Focus going anywhere but to the grid's own editor cancels an open list (it never takes
    // the focus, so it is not asked about). An edit box open while the grid kept the focus
    // for its composition commits, as it would losing the focus itself.
    QWidget* next = QApplication::focusWidget();
    if (IsEditing() && !m_bClosingEdit && next != m_edit.get() && next != this) {
        if (m_edit->IsWindow())
            EndEdit();
        else
            CancelEdit();
    }
    RedrawGrid();
}

void CListCtrlBase::scrollContentsBy(int dx, int dy) {
    CListCtrlEx::scrollContentsBy(dx, dy);
    RedrawRowHeader();
}

} // namespace Pelmo
