#include "app/PreviewText.h"

#include "app/PreviewTextAccessible.h"
#include "platform/ui/AccessibleEvents.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace {

// Room between the frame and the text, as a plain text edit leaves it.
constexpr int kMargin = 4;
// Wide enough for any line: lines never wrap.
constexpr qreal kUnboundedWidth = 1e6;

// What a double click selects: a run of characters of one kind around the one clicked.
int CharacterKind(QChar c) {
    if (c.isLetterOrNumber() || c == u'_')
        return 0;
    return c.isSpace() ? 1 : 2;
}

} // namespace

CPreviewText::CPreviewText(QWidget* parent) : QAbstractScrollArea(parent) {
    CPreviewTextAccessible::Install();
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
}

CPreviewText::~CPreviewText() = default;

void CPreviewText::SetText(QString text) {
    if (!text.isEmpty() && !text.endsWith(u'\n'))
        text += u'\n';
    std::vector<quint32> lineStarts{0};
    const QStringView all(text);
    for (qsizetype at = all.indexOf(u'\n'); at >= 0; at = all.indexOf(u'\n', at + 1))
        lineStarts.push_back(quint32(at + 1));
    SetText(std::move(text), std::move(lineStarts));
}

void CPreviewText::SetText(QString text, std::vector<quint32> lineStarts) {
    m_text = std::move(text);
    m_lineStarts = std::move(lineStarts);
    m_anchor = m_caret = {};
    m_shownStarts = {};
    SetLineNote(-1, {});
    MeasureWidestLine();
    UpdateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

QStringView CPreviewText::StoredLine(int line) const {
    if (line < 0 || line >= LineCount())
        return {};
    const quint32 begin = m_lineStarts[size_t(line)];
    return QStringView(m_text).sliced(begin, m_lineStarts[size_t(line) + 1] - 1 - begin);
}

int CPreviewText::LineLength(int line) const {
    return int(std::min<qsizetype>(StoredLine(line).size(), kMaxLineLength));
}

QString CPreviewText::LineText(int line) const {
    const QStringView stored = StoredLine(line);
    if (stored.size() <= kMaxLineLength)
        return stored.toString();
    return stored.first(kCutLength).toString() + QStringLiteral("...");
}

QString CPreviewText::toPlainText() const {
    QString text;
    text.reserve(m_text.size());
    for (int line = 0; line < LineCount(); ++line) {
        text += LineText(line);
        text += u'\n';
    }
    return text;
}

int CPreviewText::LineHeight() const {
    return std::max(1, fontMetrics().height());
}

int CPreviewText::VisibleLines() const {
    return std::max(1, (viewport()->height() - kMargin) / LineHeight());
}

void CPreviewText::LayOut(QTextLayout& layout) const {
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid())
        line.setLineWidth(kUnboundedWidth);
    layout.endLayout();
}

// Sums character advances rather than laying out every line: a few table look-ups per
// character. Tabs go to the layout's default stops.
void CPreviewText::MeasureWidestLine() {
    m_widestLine = 0;
    m_hasCutLines = false;
    if (LineCount() == 0)
        return;
    const QFontMetricsF metrics(font());
    // The first stop, as the layout places it (it scales its default to the screen).
    QTextLayout tab(QStringLiteral("\t"), font(), viewport());
    LayOut(tab);
    const qreal tabStop = std::max<qreal>(1, tab.lineAt(0).cursorToX(1));
    std::vector<float> advances(0x10000, -1.0f);
    const qreal dots = metrics.horizontalAdvance(QStringLiteral("..."));
    qreal widest = 0;
    for (int line = 0; line < LineCount(); ++line) {
        const QStringView stored = StoredLine(line);
        const bool cut = stored.size() > kMaxLineLength;
        m_hasCutLines = m_hasCutLines || cut;
        qreal x = 0;
        for (QChar c : cut ? stored.first(kCutLength) : stored) {
            if (c == u'\t') {
                x = (std::floor(x / tabStop) + 1) * tabStop;
                continue;
            }
            float& advance = advances[c.unicode()];
            if (advance < 0)
                advance = float(metrics.horizontalAdvance(c));
            x += advance;
        }
        widest = std::max(widest, cut ? x + dots : x);
    }
    m_widestLine = int(std::ceil(widest));
}

void CPreviewText::UpdateScrollBars() {
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, LineCount() - VisibleLines()));
    vertical->setPageStep(VisibleLines());
    QScrollBar* horizontal = horizontalScrollBar();
    const int width = viewport()->width();
    horizontal->setRange(0, std::max(0, m_widestLine + 2 * kMargin - width));
    horizontal->setPageStep(width);
    horizontal->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
}

void CPreviewText::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void CPreviewText::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        MeasureWidestLine();
        UpdateScrollBars();
    }
}

void CPreviewText::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const int height = LineHeight();
    const QPointF origin(kMargin - horizontalScrollBar()->value(), kMargin);
    const Position start = std::min(m_anchor, m_caret);
    const Position end = std::max(m_anchor, m_caret);
    const qreal newlineWidth = fontMetrics().horizontalAdvance(u' ');
    int y = 0;
    for (int line = verticalScrollBar()->value();
         line < LineCount() && origin.y() + y < viewport()->height(); ++line, y += height) {
        QTextLayout layout(LineText(line), font(), viewport());
        LayOut(layout);
        const QPointF at = origin + QPointF(0, y);
        QList<QTextLayout::FormatRange> selections;
        if (HasSelection() && start.line <= line && line <= end.line) {
            const int from = line == start.line ? start.column : 0;
            const int to = line == end.line ? end.column : LineLength(line);
            QTextLayout::FormatRange range{from, to - from, {}};
            range.format.setBackground(palette().brush(QPalette::Highlight));
            range.format.setForeground(palette().brush(QPalette::HighlightedText));
            selections.append(range);
            // A selection that goes on past the line's end marks its line break too.
            if (line < end.line) {
                const qreal x = at.x() + layout.lineAt(0).naturalTextWidth();
                painter.fillRect(QRectF(x, at.y(), newlineWidth, height),
                                 palette().brush(QPalette::Highlight));
            }
        }
        layout.draw(&painter, at, selections);
        if (line == m_noteLine)
            DrawNote(painter, at + QPointF(layout.lineAt(0).naturalTextWidth(), 0));
        if (hasFocus() && line == m_caret.line)
            layout.drawCursor(&painter, at, m_caret.column);
    }
}

CPreviewText::Position CPreviewText::Clamped(Position position) const {
    if (LineCount() == 0)
        return {};
    position.line = std::clamp(position.line, 0, LineCount() - 1);
    position.column = std::clamp(position.column, 0, LineLength(position.line));
    return position;
}

int CPreviewText::XOf(Position position) const {
    QTextLayout layout(LineText(position.line), font(), viewport());
    LayOut(layout);
    return kMargin + int(layout.lineAt(0).cursorToX(position.column));
}

QPoint CPreviewText::PointOf(Position position) const {
    const int line = position.line - verticalScrollBar()->value();
    return {XOf(position) - horizontalScrollBar()->value(),
            kMargin + line * LineHeight() + LineHeight() / 2};
}

CPreviewText::Position CPreviewText::PositionAt(QPoint point) const {
    if (LineCount() == 0)
        return {};
    const int offset = point.y() - kMargin;
    const int row = offset < 0 ? -1 : offset / LineHeight();
    const int line = std::clamp(verticalScrollBar()->value() + row, 0, LineCount() - 1);
    QTextLayout layout(LineText(line), font(), viewport());
    LayOut(layout);
    const qreal x = point.x() - kMargin + horizontalScrollBar()->value();
    return Clamped({line, layout.lineAt(0).xToCursor(x)});
}

void CPreviewText::EnsureVisible(Position position) {
    position = Clamped(position);
    QScrollBar* vertical = verticalScrollBar();
    if (position.line < vertical->value())
        vertical->setValue(position.line);
    else if (position.line >= vertical->value() + VisibleLines())
        vertical->setValue(position.line - VisibleLines() + 1);
    QScrollBar* horizontal = horizontalScrollBar();
    const int x = XOf(position);
    const int width = viewport()->width();
    if (x - kMargin < horizontal->value())
        horizontal->setValue(x - kMargin);
    else if (x + kMargin > horizontal->value() + width)
        horizontal->setValue(x + kMargin - width);
}

void CPreviewText::MoveCaret(Position to, bool extend) {
    m_caret = Clamped(to);
    if (!extend)
        m_anchor = m_caret;
    EnsureVisible(m_caret);
    CaretMoved();
}

// Repaints, and tells a listening screen reader where the caret and the selection are now:
// only while the preview has the focus. The line it highlights follows every move in the grid,
// and a reader told of it would speak that line after each cell as the user's own selection.
void CPreviewText::CaretMoved() {
    viewport()->update();
    if (hasFocus())
        AnnounceCaret();
}

void CPreviewText::AnnounceCaret() {
    if (!CAccessibleEvents::IsListening())
        return;
    QAccessibleTextCursorEvent moved(this, OffsetOf(m_caret));
    CAccessibleEvents::Deliver(&moved);
    // minmax of two temporaries hands back references to them; the list form returns values.
    const auto [start, end] = std::minmax({OffsetOf(m_anchor), OffsetOf(m_caret)});
    QAccessibleTextSelectionEvent selected(this, start, end);
    selected.setCursorPosition(OffsetOf(m_caret));
    CAccessibleEvents::Deliver(&selected);
}

void CPreviewText::ShowLine(int line, int linesAbove) {
    if (line < 0 || line >= LineCount()) {
        MoveCaretToStart();
        return;
    }
    m_anchor = {line, 0};
    m_caret = {line, LineLength(line)};
    QScrollBar* vertical = verticalScrollBar();
    vertical->setValue(line - linesAbove);
    // Too few lines in view to stand the line that low: it goes to the bottom line.
    if (line >= vertical->value() + VisibleLines())
        vertical->setValue(line - VisibleLines() + 1);
    horizontalScrollBar()->setValue(0);
    CaretMoved();
}

void CPreviewText::SetLineNote(int line, const QString& note) {
    const int noteLine = note.isEmpty() ? -1 : line;
    if (noteLine == m_noteLine && (noteLine < 0 || note == m_note))
        return;
    m_noteLine = noteLine;
    m_note = noteLine < 0 ? QString() : note;
    setAccessibleDescription(m_note);
    viewport()->update();
}

// Two spaces after the line's end, in the colour of text that is not the file's.
void CPreviewText::DrawNote(QPainter& painter, QPointF lineEnd) const {
    painter.save();
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const QFontMetrics metrics = fontMetrics();
    painter.drawText(lineEnd + QPointF(2 * metrics.horizontalAdvance(u' '), metrics.ascent()),
                     m_note);
    painter.restore();
}

void CPreviewText::MoveCaretToStart() {
    m_anchor = m_caret = {};
    CaretMoved();
}

void CPreviewText::Select(Position anchor, Position caret) {
    m_anchor = Clamped(anchor);
    MoveCaret(caret, true);
}

void CPreviewText::SelectAll() {
    if (LineCount() > 0)
        Select({0, 0}, {LineCount() - 1, LineLength(LineCount() - 1)});
}

const std::vector<quint32>& CPreviewText::ShownStarts() const {
    if (!m_hasCutLines)
        return m_lineStarts;
    if (m_shownStarts.empty()) {
        m_shownStarts.reserve(m_lineStarts.size());
        m_shownStarts.push_back(0);
        for (int line = 0; line < LineCount(); ++line)
            m_shownStarts.push_back(m_shownStarts.back() + quint32(LineLength(line)) + 1);
    }
    return m_shownStarts;
}

int CPreviewText::LineOffset(int line) const {
    return int(ShownStarts()[size_t(std::clamp(line, 0, LineCount()))]);
}

int CPreviewText::OffsetOf(Position position) const {
    position = Clamped(position);
    return LineOffset(position.line) + position.column;
}

CPreviewText::Position CPreviewText::PositionOfOffset(int offset) const {
    const std::vector<quint32>& starts = ShownStarts();
    const auto after = std::upper_bound(starts.begin(), starts.end(), quint32(std::max(0, offset)));
    const int line = int(after - starts.begin()) - 1;
    if (line >= LineCount()) // the end of the text
        return Clamped({LineCount() - 1, kMaxLineLength});
    return Clamped({line, offset - int(starts[size_t(line)])});
}

QString CPreviewText::ShownText(int begin, int end) const {
    QString text;
    for (int line = PositionOfOffset(begin).line; line < LineCount() && LineOffset(line) < end;
         ++line) {
        const QString shown = LineText(line) + u'\n';
        const int from = std::clamp(begin - LineOffset(line), 0, int(shown.size()));
        const int to = std::clamp(end - LineOffset(line), from, int(shown.size()));
        text += QStringView(shown).sliced(from, to - from);
    }
    return text;
}

QString CPreviewText::SelectedText() const {
    const Position start = std::min(m_anchor, m_caret);
    const Position end = std::max(m_anchor, m_caret);
    QString text;
    for (int line = start.line; line <= end.line && HasSelection(); ++line) {
        const QString shown = LineText(line);
        const int from = line == start.line ? start.column : 0;
        const int to = line == end.line ? end.column : int(shown.size());
        text += QStringView(shown).sliced(from, to - from);
        if (line < end.line)
            text += u'\n';
    }
    return text;
}

void CPreviewText::Copy() const {
    if (HasSelection())
        QGuiApplication::clipboard()->setText(SelectedText());
}

// X11 offers the last mouse selection for a middle click, as every text box does there.
void CPreviewText::OfferSelection() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (HasSelection() && clipboard->supportsSelection())
        clipboard->setText(SelectedText(), QClipboard::Selection);
}

CPreviewText::Position CPreviewText::KeyTarget(const QKeyEvent& event) const {
    const bool control = event.modifiers() & Qt::ControlModifier;
    const int last = LineCount() - 1;
    Position to = m_caret;
    switch (event.key()) {
    case Qt::Key_Left:
        if (to.column > 0)
            --to.column;
        else if (to.line > 0)
            to = {to.line - 1, LineLength(to.line - 1)};
        return to;
    case Qt::Key_Right:
        if (to.column < LineLength(to.line))
            ++to.column;
        else if (to.line < last)
            to = {to.line + 1, 0};
        return to;
    case Qt::Key_Up:
        return {to.line - 1, to.column};
    case Qt::Key_Down:
        return {to.line + 1, to.column};
    case Qt::Key_PageUp:
        return {to.line - VisibleLines(), to.column};
    case Qt::Key_PageDown:
        return {to.line + VisibleLines(), to.column};
    case Qt::Key_Home:
        return control ? Position{0, 0} : Position{to.line, 0};
    case Qt::Key_End:
        return control ? Position{last, LineLength(last)} : Position{to.line, LineLength(to.line)};
    default:
        return {-1, -1};
    }
}

// Copy and select-all stay the view's own while it has the focus, whatever the window binds.
bool CPreviewText::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void CPreviewText::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        Copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return;
    }
    const Position to = KeyTarget(*event);
    if (to.line < 0 && to.column < 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    MoveCaret(to, event->modifiers() & Qt::ShiftModifier);
}

void CPreviewText::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    MoveCaret(PositionAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void CPreviewText::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging)
        return;
    const QPoint point = event->position().toPoint();
    // Dragging past the top or bottom scrolls that way a line per move, the caret on the
    // line that came into view.
    QScrollBar* vertical = verticalScrollBar();
    if (point.y() < 0)
        vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
    else if (point.y() > viewport()->height())
        vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    Position to = PositionAt(point);
    to.line = std::clamp(to.line, vertical->value(), vertical->value() + VisibleLines() - 1);
    MoveCaret(to, true);
}

void CPreviewText::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        OfferSelection();
    }
}

void CPreviewText::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || LineCount() == 0)
        return;
    const Position at = PositionAt(event->position().toPoint());
    const QString shown = LineText(at.line);
    if (shown.isEmpty())
        return;
    const int clicked = std::min(at.column, int(shown.size()) - 1);
    const int kind = CharacterKind(shown[clicked]);
    int begin = clicked;
    while (begin > 0 && CharacterKind(shown[begin - 1]) == kind)
        --begin;
    int end = clicked + 1;
    while (end < shown.size() && CharacterKind(shown[end]) == kind)
        ++end;
    Select({at.line, begin}, {at.line, end});
    OfferSelection();
}

void CPreviewText::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy = menu.addAction(QStringLiteral("コピー"), this, [this] { Copy(); });
    copy->setEnabled(HasSelection());
    QAction* all = menu.addAction(QStringLiteral("すべて選択"), this, [this] { SelectAll(); });
    all->setEnabled(LineCount() > 0);
    menu.exec(event->globalPos());
}

void CPreviewText::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
    AnnounceCaret(); // what it highlighted meanwhile is the selection the reader now meets
}

void CPreviewText::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}
