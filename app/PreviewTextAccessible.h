#pragma once

#include <QAccessibleWidget>

class CPreviewText;

// What screen readers see of the preview: the read-only, multi-line text box it stands for,
// with its text as shown, its caret and its selection. Offsets count the text as shown, lines
// joined by "\n".
class CPreviewTextAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit CPreviewTextAccessible(CPreviewText* text);

    // Makes Qt answer with this interface for every preview; once is enough.
    static void Install();

    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(QAccessible::Text t) const override;
    QString text(int startOffset, int endOffset) const override;
    // By line these read one line, not the whole text as Qt's own answers would.
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    CPreviewText* Text() const;
    // The line of offset moved by delta lines, with its offsets; empty past either end.
    QString Line(int offset, int delta, int* startOffset, int* endOffset) const;
};
