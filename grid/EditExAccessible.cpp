#include "grid/EditExAccessible.h"

#include "grid/EditEx.h"
#include "grid/ListCtrlBase.h"

#include <QFontMetrics>
#include <algorithm>

namespace Pelmo {

CEditExAccessible::CEditExAccessible(CEditEx* edit)
    : QAccessibleWidget(edit, QAccessible::EditableText) {}

CEditEx* CEditExAccessible::Edit() const {
    return static_cast<CEditEx*>(widget());
}

QAccessibleInterface* CEditExAccessible::parent() const {
    for (QWidget* w = Edit()->parentWidget(); w; w = w->parentWidget()) {
        if (auto* grid = qobject_cast<CListCtrlBase*>(w))
            return QAccessible::queryAccessibleInterface(grid);
    }
    return QAccessibleWidget::parent();
}

QString CEditExAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value)
        return Edit()->text();
    return QAccessibleWidget::text(t);
}

QAccessible::State CEditExAccessible::state() const {
    QAccessible::State st = QAccessibleWidget::state();
    st.editable = !Edit()->isReadOnly();
    st.readOnly = Edit()->isReadOnly();
    st.selectableText = true;
    return st;
}

void* CEditExAccessible::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (t == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

void CEditExAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex != 0 || !Edit()->hasSelectedText())
        return;
    *startOffset = Edit()->selectionStart();
    *endOffset = Edit()->selectionEnd();
}

int CEditExAccessible::selectionCount() const {
    return Edit()->hasSelectedText() ? 1 : 0;
}

void CEditExAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void CEditExAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        Edit()->deselect();
}

void CEditExAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0)
        Edit()->setSelection(startOffset, endOffset - startOffset);
}

int CEditExAccessible::cursorPosition() const {
    return Edit()->cursorPosition();
}

void CEditExAccessible::setCursorPosition(int position) {
    Edit()->setCursorPosition(position);
}

QString CEditExAccessible::text(int startOffset, int endOffset) const {
    if (startOffset > endOffset)
        return {};
    return Edit()->text().mid(startOffset, endOffset - startOffset);
}

int CEditExAccessible::characterCount() const {
    return int(Edit()->text().size());
}

QRect CEditExAccessible::characterRect(int offset) const {
    const QString text = Edit()->text();
    if (offset < 0 || offset >= text.size())
        return {};
    // Measured from the caret, whose place follows the editor's scrolling.
    const QFontMetrics metrics(Edit()->font());
    const QRect caret = Edit()->CaretRect();
    const int origin =
        caret.center().x() - metrics.horizontalAdvance(text.left(Edit()->cursorPosition()));
    const QRect rect(origin + metrics.horizontalAdvance(text.left(offset)), caret.top(),
                     metrics.horizontalAdvance(text.at(offset)), caret.height());
    return QRect(Edit()->mapToGlobal(rect.topLeft()), rect.size());
}

int CEditExAccessible::offsetAtPoint(const QPoint& point) const {
    return Edit()->cursorPositionAt(Edit()->mapFromGlobal(point));
}

void CEditExAccessible::scrollToSubstring(int startIndex, int endIndex) {
    Q_UNUSED(startIndex);
    Edit()->setCursorPosition(endIndex);
}

QString CEditExAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}

void CEditExAccessible::deleteText(int startOffset, int endOffset) {
    replaceText(startOffset, endOffset, QString());
}

void CEditExAccessible::insertText(int offset, const QString& text) {
    replaceText(offset, offset, text);
}

void CEditExAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    const int size = characterCount();
    const int start = std::clamp(startOffset, 0, size);
    const int end = std::clamp(endOffset, start, size);
    Edit()->setText(Edit()->text().replace(start, end - start, text));
    Edit()->setCursorPosition(start + int(text.size()));
}

} // namespace Pelmo
