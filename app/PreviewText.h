#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <vector>

class QPainter;
class QTextLayout;

// A read-only view of a long text that costs what is on screen: it keeps the text once with
// the start of every line and lays out only the lines it paints, so a file of a million lines
// opens as fast as its text can be copied. Lines never wrap; a line longer than
// kMaxLineLength shows its first kCutLength characters and "...", and everything the view
// gives out (line text, selection, copy) is the text as shown. The vertical scroll bar counts
// lines, the horizontal one pixels.
class CPreviewText : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kMaxLineLength = 1024;
    static constexpr int kCutLength = kMaxLineLength - 3;

    // A place in the text as shown: a line and a character in it.
    struct Position {
        int line = 0;
        int column = 0;
        auto operator<=>(const Position&) const = default;
    };

    explicit CPreviewText(QWidget* parent = nullptr);
    ~CPreviewText() override;

    // Shows text, whose lines each end with "\n" (a missing last one is assumed). The caret
    // goes to the start and the view to the top left.
    void SetText(QString text);
    // The same for a caller that has found the lines already: lineStarts holds the start of
    // every line of text, then its end, and every line ends with "\n".
    void SetText(QString text, std::vector<quint32> lineStarts);
    void Clear() { SetText({}); }

    int LineCount() const { return int(m_lineStarts.size()) - 1; }
    // One line as shown; empty past the last line.
    QString LineText(int line) const;
    // Every line as shown, each followed by "\n".
    QString toPlainText() const;

    // Selects the whole line and scrolls so that it stands linesAbove lines below the top (or
    // as near as the text allows), the left edge in view.
    void ShowLine(int line, int linesAbove);
    // The caret to the start of the text with nothing selected; the view does not move.
    void MoveCaretToStart();
    // A note drawn after a line's text, apart from it (what the grid holds there and the file
    // does not yet), and the view's accessible description; line -1 or an empty note: none.
    void SetLineNote(int line, const QString& note);
    const QString& LineNote() const { return m_note; }
    // Selects from anchor to caret (both clamped to the text) and scrolls the caret into view.
    void Select(Position anchor, Position caret);
    void SelectAll();
    bool HasSelection() const { return m_anchor != m_caret; }
    // The selected text as shown, its lines joined by "\n".
    QString SelectedText() const;
    void Copy() const;

    Position Caret() const { return m_caret; }
    Position Anchor() const { return m_anchor; }
    // Where a place in the text is drawn, in the viewport's coordinates (which take the mouse).
    QPoint PointOf(Position position) const;
    // The place drawn nearest a point of the viewport.
    Position PositionAt(QPoint viewportPoint) const;
    // Scrolls as little as needed to bring a place into view.
    void EnsureVisible(Position position);

    // The text as shown counted in characters, lines joined and ended by "\n" as toPlainText
    // gives it: how a screen reader addresses it. The first call on a text with cut lines
    // counts them all once.
    int ShownLength() const { return LineOffset(LineCount()); }
    // Where a line starts; LineCount() gives the end of the text.
    int LineOffset(int line) const;
    int OffsetOf(Position position) const;
    Position PositionOfOffset(int offset) const;
    QString ShownText(int begin, int end) const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QStringView StoredLine(int line) const;
    int LineLength(int line) const;
    int LineHeight() const;
    // Whole lines that fit in the viewport; at least one.
    int VisibleLines() const;
    void LayOut(QTextLayout& layout) const;
    int XOf(Position position) const;
    Position Clamped(Position position) const;
    const std::vector<quint32>& ShownStarts() const;
    Position KeyTarget(const QKeyEvent& event) const;
    void MoveCaret(Position to, bool extend);
    void CaretMoved();
    void AnnounceCaret();
    void UpdateScrollBars();
    void MeasureWidestLine();
    void OfferSelection() const;
    void DrawNote(QPainter& painter, QPointF lineEnd) const;

    QString m_text;
    // The start of every line in m_text, then its end: a line runs up to the "\n" before the
    // next start. The reader's size limit keeps every offset within 32 bits.
    std::vector<quint32> m_lineStarts{0};
    // The start of every line as shown, then its end, when a line is cut (else m_lineStarts
    // serves); made on first use.
    mutable std::vector<quint32> m_shownStarts;
    bool m_hasCutLines = false;
    int m_widestLine = 0; // pixels, as shown
    Position m_anchor;
    Position m_caret;
    bool m_dragging = false;
    int m_noteLine = -1;
    QString m_note;
};
