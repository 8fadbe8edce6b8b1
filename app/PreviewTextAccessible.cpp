#include "app/PreviewTextAccessible.h"

#include "app/PreviewText.h"

#include <QScrollBar>
#include <algorithm>

namespace {

QAccessibleInterface* MakePreviewAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("CPreviewText") && object && object->isWidgetType())
        return new CPreviewTextAccessible(static_cast<CPreviewText*>(object));
    return nullptr;
}

} // namespace

CPreviewTextAccessible::CPreviewTextAccessible(CPreviewText* text)
    : QAccessibleWidget(text, QAccessible::EditableText) {}

void CPreviewTextAccessible::Install() {
    static const bool installed = (QAccessible::installFactory(&MakePreviewAccessible), true);
    Q_UNUSED(installed);
}

CPreviewText* CPreviewTextAccessible::Text() const {
    return static_cast<CPreviewText*>(widget());
}

QAccessible::State CPreviewTextAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

void* CPreviewTextAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

void CPreviewTextAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !Text()->HasSelection())
        return;
    const int anchor = Text()->OffsetOf(Text()->Anchor());
    const int caret = Text()->OffsetOf(Text()->Caret());
    *startOffset = std::min(anchor, caret);
    *endOffset = std::max(anchor, caret);
}

int CPreviewTextAccessible::selectionCount() const {
    return Text()->HasSelection() ? 1 : 0;
}

void CPreviewTextAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void CPreviewTextAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        Text()->Select(Text()->Caret(), Text()->Caret());
}

void CPreviewTextAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0)
        Text()->Select(Text()->PositionOfOffset(startOffset), Text()->PositionOfOffset(endOffset));
}

int CPreviewTextAccessible::cursorPosition() const {
    return Text()->OffsetOf(Text()->Caret());
}

void CPreviewTextAccessible::setCursorPosition(int position) {
    const CPreviewText::Position at = Text()->PositionOfOffset(position);
    Text()->Select(at, at);
}

QString CPreviewTextAccessible::text(QAccessible::Text t) const {
    return QAccessibleWidget::text(t);
}

QString CPreviewTextAccessible::text(int startOffset, int endOffset) const {
    return Text()->ShownText(startOffset, endOffset);
}

QString CPreviewTextAccessible::Line(int offset, int delta, int* startOffset,
                                     int* endOffset) const {
    const int line = Text()->PositionOfOffset(offset).line + delta;
    if (line < 0 || line >= Text()->LineCount()) {
        *startOffset = *endOffset = -1;
        return {};
    }
    *startOffset = Text()->LineOffset(line);
    *endOffset = Text()->LineOffset(line + 1);
    return Text()->ShownText(*startOffset, *endOffset);
}

QString CPreviewTextAccessible::textBeforeOffset(int offset,
                                                 QAccessible::TextBoundaryType boundaryType,
                                                 int* startOffset, int* endOffset) const {
    if (boundaryType == QAccessible::LineBoundary)
        return Line(offset, -1, startOffset, endOffset);
    return QAccessibleTextInterface::textBeforeOffset(offset, boundaryType, startOffset, endOffset);
}

QString CPreviewTextAccessible::textAfterOffset(int offset,
                                                QAccessible::TextBoundaryType boundaryType,
                                                int* startOffset, int* endOffset) const {
    if (boundaryType == QAccessible::LineBoundary)
        return Line(offset, 1, startOffset, endOffset);
    return QAccessibleTextInterface::textAfterOffset(offset, boundaryType, startOffset, endOffset);
}

QString CPreviewTextAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                             int* startOffset, int* endOffset) const {
    if (boundaryType == QAccessible::LineBoundary)
        return Line(offset, 0, startOffset, endOffset);
    return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
}

int CPreviewTextAccessible::characterCount() const {
    return Text()->ShownLength();
}

QRect CPreviewTextAccessible::characterRect(int offset) const {
    const CPreviewText::Position at = Text()->PositionOfOffset(offset);
    const QPoint left = Text()->PointOf(at);
    const QPoint right = Text()->PointOf({at.line, at.column + 1});
    const int height = Text()->fontMetrics().height();
    const QRect inViewport(left.x(), left.y() - height / 2, std::max(1, right.x() - left.x()),
                           height);
    return QRect(Text()->viewport()->mapToGlobal(inViewport.topLeft()), inViewport.size());
}

int CPreviewTextAccessible::offsetAtPoint(const QPoint& point) const {
    return Text()->OffsetOf(Text()->PositionAt(Text()->viewport()->mapFromGlobal(point)));
}

void CPreviewTextAccessible::scrollToSubstring(int startIndex, int endIndex) {
    Text()->EnsureVisible(Text()->PositionOfOffset(endIndex));
    Text()->EnsureVisible(Text()->PositionOfOffset(startIndex));
}

QString CPreviewTextAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = offset;
    return {};
}
