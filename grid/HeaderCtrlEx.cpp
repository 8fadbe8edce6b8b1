#include "grid/HeaderCtrlEx.h"

#include "grid/GridTypes.h"
#include "grid/ListCtrlBase.h"
#include "grid/ReadableColor.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>

namespace Pelmo {

namespace {

// Space kept between the text and the section's edges.
constexpr int kTextIndentLeft = 5;
constexpr int kTextIndentRight = 6;
// Added to the text lines' height so that the text does not touch the frame.
constexpr int kHeightPadding = 10;

} // namespace

CHeaderCtrlEx::CHeaderCtrlEx(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    // Clickable so that a press is reported (the grid ends an edit on it); the look of a
    // pressed section is ours and does not change.
    setSectionsClickable(true);
    setHighlightSections(false);
}

CHeaderCtrlEx::~CHeaderCtrlEx() = default;

void CHeaderCtrlEx::Attach(CListCtrlBase* pGrid) {
    m_pGrid = pGrid;
    if (!m_pFont) {
        const QWidget* source = pGrid ? static_cast<const QWidget*>(pGrid) : parentWidget();
        SetHeaderFont(source ? source->font() : font());
    }
}

// ---- Column keys ----------------------------------------------------------------------

int CHeaderCtrlEx::NextFreeKey() const {
    int nKey = 1;
    while (m_mapKeyToIndex.contains(nKey))
        ++nKey;
    return nKey;
}

void CHeaderCtrlEx::ShiftPositions(int nFrom, int nDelta) {
    for (auto it = m_mapKeyToIndex.begin(); it != m_mapKeyToIndex.end(); ++it) {
        if (it.value() >= nFrom)
            it.value() += nDelta;
    }
}

int CHeaderCtrlEx::InsertColumnKey(int nIndex, CHeaderData* pData) {
    const int nKey = NextFreeKey();
    if (GetColumnKey(nIndex) != 0)
        ShiftPositions(nIndex, +1);
    m_mapKeyToIndex.insert(nKey, nIndex);
    m_mapKeyToData[nKey].reset(pData);
    IndexKeys();
    return nKey;
}

void CHeaderCtrlEx::RemoveColumnKey(int nIndex) {
    const int nKey = GetColumnKey(nIndex);
    if (nKey == 0)
        return;
    m_mapKeyToIndex.remove(nKey);
    m_mapKeyToData.erase(nKey);
    ShiftPositions(nIndex + 1, -1);
    IndexKeys();
}

void CHeaderCtrlEx::IndexKeys() {
    m_keysByIndex.clear();
    for (auto it = m_mapKeyToIndex.cbegin(); it != m_mapKeyToIndex.cend(); ++it) {
        if (it.value() < 0)
            continue;
        if (it.value() >= m_keysByIndex.size())
            m_keysByIndex.resize(it.value() + 1, 0);
        m_keysByIndex[it.value()] = it.key();
    }
}

int CHeaderCtrlEx::GetColumnKey(int nIndex) const {
    return nIndex >= 0 && nIndex < m_keysByIndex.size() ? m_keysByIndex[nIndex] : 0;
}

int CHeaderCtrlEx::GetColumnIndex(int nKey) const {
    return m_mapKeyToIndex.value(nKey, -1);
}

CHeaderData* CHeaderCtrlEx::GetHeaderData(int nKey) const {
    const auto it = m_mapKeyToData.find(nKey);
    return it == m_mapKeyToData.end() ? nullptr : it->second.get();
}

// ---- Height, font, alignment ----------------------------------------------------------

int CHeaderCtrlEx::ComputeHeight() const {
    if (m_nTextLines < 0)
        return qMax(m_nHeight, 0);
    if (m_nTextLines == 0)
        return 0;
    return m_nTextLines * QFontMetrics(font()).height() + kHeightPadding;
}

int CHeaderCtrlEx::Layout() {
    m_nHeight = ComputeHeight();
    // The list-view places its header from sizeHint() whenever this is emitted.
    emit geometriesChanged();
    return m_nHeight;
}

QSize CHeaderCtrlEx::sizeHint() const {
    // The width is whatever the sections need; only the height is ours.
    QSize size = QHeaderView::sizeHint();
    size.setHeight(ComputeHeight());
    return size;
}

void CHeaderCtrlEx::SetAlign(int nAlign) {
    m_nAlign = nAlign;
    viewport()->update();
}

void CHeaderCtrlEx::SetHeaderFont(const QFont& newFont) {
    m_pFont = std::make_unique<QFont>(newFont);
    setFont(*m_pFont);
    viewport()->update();
}

void CHeaderCtrlEx::EnableSizing(bool bEnable) {
    m_bSizing = bEnable;
    setSectionResizeMode(bEnable ? QHeaderView::Interactive : QHeaderView::Fixed);
}

// ---- Painting -------------------------------------------------------------------------

void CHeaderCtrlEx::DrawFlatButton(QPainter* pDC, const QRect& rect, const QPalette& palette) {
    if (rect.width() < 1 || rect.height() < 1)
        return;
    pDC->fillRect(rect, palette.color(QPalette::Button));
    pDC->setPen(palette.color(QPalette::Dark));
    pDC->setBrush(Qt::NoBrush);
    pDC->drawRect(rect.adjusted(0, 0, -1, -1));
}

QColor CHeaderCtrlEx::BackgroundColor() const {
    if (m_pGrid)
        return ToQColor(m_pGrid->GetKeyColor(CK_BACK));
    return palette().color(QPalette::Base);
}

bool CHeaderCtrlEx::IsCurrentColumn(int logicalIndex) const {
    return m_pGrid && m_pGrid->GetCurrentColumn() == logicalIndex;
}

int CHeaderCtrlEx::TextAlignment(int logicalIndex) const {
    switch (m_nAlign) {
    case 1:
        return Qt::AlignLeft;
    case 2:
        return Qt::AlignHCenter;
    case 3:
        return Qt::AlignRight;
    default:
        break;
    }
    const CHeaderData* pData = GetHeaderData(GetColumnKey(logicalIndex));
    const int nFormat = pData ? pData->m_nFormat : 0;
    if (nFormat & 1)
        return Qt::AlignRight;
    if (nFormat & 2)
        return Qt::AlignHCenter;
    return Qt::AlignLeft;
}

void CHeaderCtrlEx::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (rect.width() < 1 || rect.height() < 1)
        return;
    painter->setFont(font());
    QString text;
    if (model())
        text = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();

    // The face reaches one pixel further left, up and down, so that neighbouring sections
    // share their frame lines as the grid's cells do.
    const QRect face = rect.adjusted(-1, -1, 0, 1);
    painter->fillRect(face, BackgroundColor());
    DrawFlatButton(painter, face, palette());
    const bool bTinted = IsCurrentColumn(logicalIndex);
    if (bTinted)
        painter->fillRect(face.adjusted(1, 1, -1, -1), ToQColor(CLR_HEADER_TINT));

    const int nAlign = TextAlignment(logicalIndex);
    // An italic last letter leans past its advance width; a blank keeps it from being cut
    // off at the right edge.
    if (nAlign == Qt::AlignRight && font().italic())
        text += QLatin1Char(' ');
    DrawText(painter, rect, nAlign, text,
             bTinted ? ReadableTextOn(ToQColor(CLR_HEADER_TINT))
                     : palette().color(QPalette::ButtonText));
}

void CHeaderCtrlEx::DrawText(QPainter* painter, const QRect& rect, int nAlign, const QString& text,
                             const QColor& color) const {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = text.split(lineBreak);
    const QFontMetrics fm(font());
    const int nLineHeight = fm.height();
    const int nTextHeight = int(lines.size()) * nLineHeight;

    // Centre the block of lines vertically; a block taller than the section keeps its
    // middle in view.
    QRect box = rect.adjusted(kTextIndentLeft, 0, -kTextIndentRight, 0);
    box.setTop(box.top() + (rect.height() - nTextHeight) / 2);
    if (box.width() < 1)
        return;

    painter->save();
    painter->setClipRect(box.intersected(rect), Qt::IntersectClip);
    painter->setPen(color);
    int y = box.top();
    for (const QString& line : lines) {
        const QString shown = fm.elidedText(line, Qt::ElideRight, box.width());
        painter->drawText(QRect(box.left(), y, box.width(), nLineHeight),
                          nAlign | Qt::AlignAbsolute | Qt::AlignTop | Qt::TextSingleLine, shown);
        y += nLineHeight;
    }
    painter->restore();
}

// ---- Right-click on a column ----------------------------------------------------------

void CHeaderCtrlEx::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        // Qt grabs the mouse for the press, so the release comes back here wherever it is.
        m_nRightDownItem = logicalIndexAt(event->position().toPoint());
        m_bRightDown = true;
    }
    QHeaderView::mousePressEvent(event);
}

void CHeaderCtrlEx::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && m_bRightDown) {
        m_bRightDown = false;
        const int nItem = logicalIndexAt(event->position().toPoint());
        if (m_nRightDownItem != -1 && nItem == m_nRightDownItem && m_pGrid)
            m_pGrid->SendHeaderEvent(GE_RCLICK_HEADER, -1, m_nRightDownItem);
    }
    QHeaderView::mouseReleaseEvent(event);
}

} // namespace Pelmo
