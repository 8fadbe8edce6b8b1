// Painting of the grid's rows, cell by cell, and the automatic column width.
#include "grid/ListCtrlBase.h"

#include "grid/HeaderCtrlEx.h"
#include "grid/ReadableColor.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace Pelmo {

namespace {

// Windows frame controls, painted flat with the palette's 3D colours so that the cells look
// the same under every widget style.
struct FrameColors {
    QColor face, light, midlight, dark, shadow, window, text;
    explicit FrameColors(const QPalette& pal)
        : face(pal.color(QPalette::Button)), light(pal.color(QPalette::Light)),
          midlight(pal.color(QPalette::Midlight)), dark(pal.color(QPalette::Dark)),
          shadow(pal.color(QPalette::Shadow)), window(pal.color(QPalette::Base)),
          text(pal.color(QPalette::ButtonText)) {}
};

// Lines along the four edges of r (inclusive pixel rectangle), top-left and bottom-right.
void DrawEdge(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
    p.setPen(topLeft);
    p.drawLine(r.left(), r.bottom(), r.left(), r.top());
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.setPen(bottomRight);
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
}

// A push button; returns the rectangle inside its edges.
QRect DrawPushButton(QPainter& p, const QRect& r, bool bPushed, const FrameColors& c) {
    if (r.width() <= 0 || r.height() <= 0)
        return r;
    p.fillRect(r, c.face);
    if (bPushed) {
        DrawEdge(p, r, c.shadow, c.light);
        DrawEdge(p, r.adjusted(1, 1, -1, -1), c.dark, c.midlight);
    } else {
        DrawEdge(p, r, c.light, c.shadow);
        DrawEdge(p, r.adjusted(1, 1, -1, -1), c.midlight, c.dark);
    }
    return r.adjusted(2, 2, -2, -2);
}

// A flat check box in a square centred in r.
void DrawFlatCheckBox(QPainter& p, const QRect& r, bool bChecked, bool bPushed, bool bInactive,
                      const FrameColors& c) {
    const int side = std::min(r.width(), r.height());
    if (side <= 0)
        return;
    const QRect box(r.left() + (r.width() - side) / 2, r.top() + (r.height() - side) / 2, side,
                    side);
    p.fillRect(box, (bPushed || bInactive) ? c.face : c.window);
    p.setPen(c.dark);
    p.setBrush(Qt::NoBrush);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    if (!bChecked)
        return;
    // The tick fills the inner square less a two-pixel border.
    const QRectF in = QRectF(box).adjusted(3, 3, -3, -3);
    QPainterPath tick;
    tick.moveTo(in.left(), in.top() + in.height() * 0.5);
    tick.lineTo(in.left() + in.width() * 0.4, in.bottom() - in.height() * 0.1);
    tick.lineTo(in.right(), in.top() + in.height() * 0.1);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(bInactive ? c.dark : c.text, std::max(1.5, side / 7.0), Qt::SolidLine,
                  Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(tick);
    p.restore();
}

// The flat drop-down button of a combo box.
void DrawFlatComboButton(QPainter& p, const QRect& r, bool bPushed, bool bInactive,
                         const FrameColors& c) {
    if (r.width() <= 0 || r.height() <= 0)
        return;
    p.fillRect(r, c.face);
    p.setPen(c.dark);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const int w = std::max(3, (r.width() - 4) / 2) | 1; // odd, so the tip is one pixel
    const int h = (w + 1) / 2;
    int x = r.left() + (r.width() - w) / 2;
    int y = r.top() + (r.height() - h) / 2;
    if (bPushed) {
        ++x;
        ++y;
    }
    const QColor arrow = bInactive ? c.dark : c.text;
    for (int i = 0; i < h; ++i)
        p.fillRect(QRect(x + i, y + i, w - 2 * i, 1), arrow);
}

int AlignmentOf(int nFormat) {
    switch (nFormat & 3) {
    case LVCFMT_RIGHT:
        return Qt::AlignRight;
    case LVCFMT_CENTER:
        return Qt::AlignHCenter;
    default:
        return Qt::AlignLeft;
    }
}

int TextWidth(const QFontMetrics& fm, const QString& text) {
    if (text.contains(QLatin1Char('\t')))
        return fm.boundingRect(QRect(), Qt::TextSingleLine | Qt::TextExpandTabs, text).width();
    return fm.horizontalAdvance(text);
}

} // namespace

COLORREF CListCtrlBase::Darken(COLORREF c, double factor) {
    return RGB(int(GetRValue(c) * factor), int(GetGValue(c) * factor), int(GetBValue(c) * factor));
}

int CListCtrlBase::GetDropButtonWidth() const {
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

QRect CListCtrlBase::GetCellRect(int nItem, int nCol) const {
    QRect rc;
    if (nCol == 0) {
        if (!GetItemRect(nItem, &rc, LVIR_LABEL))
            return QRect();
        rc.setLeft(rc.left() - 4);
    } else if (!GetSubItemRect(nItem, nCol, LVIR_BOUNDS, &rc)) {
        return QRect();
    }
    // Neighbouring cells share their border lines.
    rc.setLeft(rc.left() - 1);
    rc.setHeight(rc.height() + 1);
    return rc;
}

bool CListCtrlBase::IsOnDropButton(const QPoint& ptClient, int nItem, int nCol) const {
    const CHeaderData* data = GetHeaderDataByIndex(nCol);
    if (!data || data->m_nKind != KIND_CHOICE)
        return false;
    const QRect rc = GetCellRect(nItem, nCol).adjusted(3, 3, -3, -3);
    if (rc.isEmpty())
        return false;
    const int w = GetDropButtonWidth();
    const QRect button(rc.left() + rc.width() - w, rc.top(), w, rc.height());
    return button.contains(ptClient);
}

bool CListCtrlBase::IsOnEditedDropButton(const QPoint& ptClient) const {
    return IsEditing() && IsOnDropButton(ptClient, m_nEditRow, m_nEditCol);
}

bool CListCtrlBase::GetPushedCell(int* pItem, int* pCol) const {
    if (!m_press.bPushed)
        return false;
    if (pItem)
        *pItem = m_press.nRow;
    if (pCol)
        *pCol = m_press.nCol;
    return true;
}

void CListCtrlBase::DrawItem(DRAWITEMSTRUCT* dis) {
    if (!dis || !dis->pDC || dis->rcItem.isEmpty())
        return;
    QPainter& p = *dis->pDC;
    const int nItem = dis->itemID;
    const int viewWidth = viewport()->width();
    // The row spans its columns; what lies right of them belongs to the list-view's background.
    const int rowsRight = std::min(viewWidth, m_pHeader->length() - GetScrollX());
    const QRect rowArea = QRect(0, dis->rcItem.top(), rowsRight, dis->rcItem.height() + 1);
    p.fillRect(rowArea, ToQColor(GetKeyColor(CK_BACK)));
    p.setFont(GetGridFont());
    p.setBrush(Qt::NoBrush);

    const unsigned state = GetItemState(nItem, LVIS_SELECTED | LVIS_FOCUSED);
    const bool selected = state & LVIS_SELECTED;
    const bool focusedRow = state & LVIS_FOCUSED;
    const bool gridFocus = HasGridFocus();
    const QColor gridLine = ToQColor(GetKeyColor(CK_GRIDLINE));

    for (int c = 0; c < GetColumnCount(); ++c) {
        const QRect rc = GetCellRect(nItem, c);
        if (rc.isEmpty() || rc.left() >= viewWidth || rc.left() + rc.width() <= 0)
            continue;
        COLORREF back = 0;
        COLORREF text = 0;
        bool backFromKey = true;
        bool textFromKey = true;
        GetCellColors(nItem, c, &back, &text, &backFromKey, &textFromKey);
        if (selected && (m_bRowSelect || c == m_nCurCol)) {
            back = backFromKey
                       ? GetKeyColor(gridFocus ? CK_SELECTED_BACK : CK_SELECTED_BACK_NOFOCUS)
                       : Darken(back, 0.8);
            text = textFromKey
                       ? GetKeyColor(gridFocus ? CK_SELECTED_TEXT : CK_SELECTED_TEXT_NOFOCUS)
                       : Darken(text, 0.9);
        }
        // A client's fixed background keeps its text readable in any palette: the client's
        // own text colour, else black or white by contrast, never the palette's text colour.
        if (!backFromKey && textFromKey)
            text = FromQColor(ReadableTextOn(ToQColor(back)));
        p.fillRect(rc, ToQColor(back));
        p.setPen(gridLine);
        p.drawRect(rc.adjusted(0, 0, -1, -1));
        const QColor textColor = ToQColor(text);
        if (c == m_nCurCol && focusedRow) {
            QPen dotted(textColor, 1, Qt::DotLine);
            p.setPen(dotted);
            p.drawRect(rc.adjusted(1, 1, -2, -2));
        }
        p.setPen(textColor);

        const CHeaderData* data = GetHeaderDataByIndex(c);
        const int kind = data ? data->m_nKind : KIND_TEXT;
        const int format = data ? data->m_nFormat : LVCFMT_LEFT;
        const QString cellText = GetItemText(nItem, c);
        switch (kind) {
        case KIND_CHECKBOX:
            DrawCheckCell(p, rc, nItem, c, cellText, format, IsCellReadOnly(nItem, c));
            break;
        case KIND_BUTTON:
            DrawButtonCell(p, rc, nItem, c, cellText, IsCellReadOnly(nItem, c));
            break;
        case KIND_CHOICE:
            DrawChoiceCell(p, rc, nItem, c, DisplayText(data, nItem, c, cellText), format,
                           IsCellReadOnly(nItem, c));
            break;
        default:
            DrawCellText(p, rc.adjusted(m_nTextMargin, 0, -m_nTextMargin, 0),
                         DisplayText(data, nItem, c, cellText), format);
            break;
        }
    }
}

void CListCtrlBase::paintEvent(QPaintEvent* event) {
    CListCtrlEx::paintEvent(event);
    // The list-view fills what lies below the rows, including the last row's bottom border
    // line, which belongs to the row (cells are one pixel taller than the row): paint it again.
    const int last = LastShownRow();
    if (last < 0 || last < GetTopIndex())
        return;
    QRect row;
    if (!GetItemRect(last, &row, LVIR_BOUNDS) || row.bottom() + 1 >= viewport()->height())
        return;
    QPainter painter(viewport());
    painter.setClipRect(QRect(0, row.bottom() + 1, m_pHeader->length() - GetScrollX(), 1));
    DRAWITEMSTRUCT dis;
    dis.itemID = last;
    dis.rcItem = row;
    dis.pDC = &painter;
    dis.itemData = GetItemData(last);
    DrawItem(&dis);
}

void CListCtrlBase::DrawCellText(QPainter& p, const QRect& rc, const QString& text,
                                 int nFormat) const {
    if (rc.width() <= 0 || text.isEmpty())
        return;
    const QFontMetrics fm(p.font());
    const QString shown =
        TextWidth(fm, text) <= rc.width() ? text : fm.elidedText(text, Qt::ElideRight, rc.width());
    // Absolute: the painter takes the program's direction, which -reverse mirrors, while the
    // grid stays left to right.
    p.drawText(rc,
               AlignmentOf(nFormat) | Qt::AlignAbsolute | Qt::AlignVCenter | Qt::TextSingleLine |
                   Qt::TextExpandTabs,
               shown);
}

void CListCtrlBase::DrawCheckCell(QPainter& p, const QRect& rc, int nItem, int nCol,
                                  const QString& text, int nFormat, bool bReadOnly) const {
    QRect box = rc;
    if (box.height() > 14) {
        const int inset = (box.height() - 14) / 2;
        box.adjust(0, inset, 0, -inset);
    }
    const int side = box.height();
    switch (nFormat & 3) {
    case LVCFMT_RIGHT:
        box = QRect(rc.left() + rc.width() - m_nTextMargin - side, box.top(), side, side);
        break;
    case LVCFMT_CENTER:
        break;
    default:
        box = QRect(rc.left() + m_nTextMargin, box.top(), side, side);
        break;
    }
    const bool pushed = m_press.bPushed && m_press.nRow == nItem && m_press.nCol == nCol;
    DrawFlatCheckBox(p, box, !text.isEmpty(), pushed, !pushed && bReadOnly, FrameColors(palette()));
}

void CListCtrlBase::DrawButtonCell(QPainter& p, const QRect& rc, int nItem, int nCol,
                                   const QString& text, bool bReadOnly) const {
    const QRect outer = rc.adjusted(2, 2, -2, -2);
    const bool pushed = m_press.bPushed && m_press.nRow == nItem && m_press.nCol == nCol;
    QRect inner = DrawPushButton(p, outer, pushed, FrameColors(palette()));
    if (pushed)
        inner.translate(1, 1);
    p.setPen(bReadOnly ? ToQColor(RGB(0xC0, 0xC0, 0xC0)) : palette().color(QPalette::ButtonText));
    if (inner.width() <= 0 || text.isEmpty())
        return;
    const QFontMetrics fm(p.font());
    p.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine,
               fm.elidedText(text, Qt::ElideRight, inner.width()));
}

QString CListCtrlBase::GetCellDisplayText(int nItem, int nCol) const {
    if (nItem < 0 || nItem >= GetItemCount())
        return {};
    return DisplayText(GetHeaderDataByIndex(nCol), nItem, nCol, GetItemText(nItem, nCol));
}

QString CListCtrlBase::DisplayText(const CHeaderData* pData, int nItem, int nCol,
                                   const QString& stored) const {
    const int kind = pData ? pData->m_nKind : KIND_TEXT;
    if (kind == KIND_CHECKBOX)
        return {};
    if (kind != KIND_CHOICE) {
        QString filled;
        if (kind == KIND_TEXT && stored.isEmpty() && m_fillInText &&
            GetShownCount() < GetItemCount() &&
            m_fillInText.Ask(false, const_cast<CListCtrlBase*>(this), nItem, nCol, &filled))
            return filled;
        return stored;
    }
    // The choice-text callback takes the grid as its clients know it, which it may query.
    return pData->GetChoiceText(const_cast<CListCtrlBase*>(this), stored, nItem, nCol);
}

void CListCtrlBase::DrawChoiceCell(QPainter& p, const QRect& rc, int nItem, int nCol,
                                   const QString& shown, int nFormat, bool bReadOnly) {
    const QRect inner = rc.adjusted(3, 3, -3, -3);
    const int w = GetDropButtonWidth();
    const QPen textPen = p.pen();
    if (inner.width() > 0 && inner.height() > 0) {
        const QRect button(inner.left() + inner.width() - w, inner.top(), w, inner.height());
        const bool open =
            m_openEditor == OpenEditor::ChoiceList && m_nEditRow == nItem && m_nEditCol == nCol;
        DrawFlatComboButton(p, button.intersected(inner), open, bReadOnly, FrameColors(palette()));
    }
    p.setPen(textPen);
    const QRect textRect(rc.left() + m_nTextMargin, rc.top(), rc.width() - m_nTextMargin - (w + 6),
                         rc.height());
    DrawCellText(p, textRect, shown, nFormat);
}

void CListCtrlBase::AutoSizeColumn(int nCol) {
    const CHeaderData* data = GetHeaderDataByIndex(nCol);
    if (!data)
        return;
    const QFontMetrics fm(GetGridFont());
    const int margins = 2 * m_nTextMargin;
    int width = -1;
    switch (data->m_nKind) {
    case KIND_TEXT: {
        int widest = 0;
        for (int i = 0; i < GetItemCount(); ++i)
            widest = std::max(widest, TextWidth(fm, GetItemText(i, nCol)));
        width = std::max(widest + margins, margins + 15);
        break;
    }
    case KIND_CHECKBOX:
        width = margins + 14;
        break;
    case KIND_CHOICE: {
        int widest = 0;
        for (int i = 0; i < GetItemCount(); ++i) {
            const QString shown = DisplayText(data, i, nCol, GetItemText(i, nCol));
            widest = std::max(widest, TextWidth(fm, shown));
        }
        width = std::max(widest + margins + GetDropButtonWidth(), margins + GetDropButtonWidth());
        break;
    }
    default:
        return;
    }
    SetColumnWidth(nCol, width);
    m_pHeader->viewport()->update();
}

} // namespace Pelmo
