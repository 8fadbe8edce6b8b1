#pragma once

#include <QAccessibleWidget>

namespace Pelmo {

class CEditEx;

// The grid's in-place editor as assistive technology sees it: an editable text whose parent
// is the grid's table, not the viewport it is placed in (a filler the table does not list), so
// that a reader finds it among the cells it edits. Qt's own line-edit interface cannot be
// given another parent; this one reads and edits the text through the line edit itself.
class CEditExAccessible : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface {
public:
    explicit CEditExAccessible(CEditEx* edit);

    // ---- QAccessibleInterface ----
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override;

    // ---- QAccessibleTextInterface ----
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    // ---- QAccessibleEditableTextInterface ----
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    CEditEx* Edit() const;
};

} // namespace Pelmo
