#pragma once

#include <QHash>
#include <QString>
#include <QWidget>
#include <memory>

class QFont;
class QPainter;

namespace Pelmo {

class CListCtrlBase;

// The strip of row buttons at the grid's left. It has no scrolling of its own: every paint
// reads the grid's row positions, so it follows the grid as long as the grid repaints it
// when it scrolls. It shows row numbers or labels, marks the edited, selected and append
// rows, selects rows by clicking or dragging, selects all rows from the top-left corner,
// and changes its own width by dragging or double-clicking the corner's right edge.
class CRowHeader : public QWidget {
    Q_OBJECT
public:
    // Hit-test results besides a row index.
    enum : int { HIT_NONE = -1, HIT_CORNER = -2 };
    // Alignment of the texts.
    enum : int { ALIGN_LEFT = 0, ALIGN_CENTER = 1, ALIGN_RIGHT = 2 };

    explicit CRowHeader(QWidget* parent = nullptr);
    ~CRowHeader() override;

    void Attach(CListCtrlBase* pGrid) { m_pGrid = pGrid; }

    // Labels are keyed by the list-view's item id, so they follow their rows through
    // insertions, deletions and sorting.
    void SetRowLabel(unsigned nId, const QString& text);
    void RemoveRowLabel(unsigned nId);
    void RemoveAllRowLabels();
    QString GetRowLabel(unsigned nId) const { return m_mapLabels.value(nId); }

    // Set m_bUseLabels or m_nAlign, repainting when the value changes.
    void SetUseLabels(bool bUse);
    bool GetUseLabels() const { return m_bUseLabels; }
    void SetAlign(int nAlign);
    int GetAlign() const { return m_nAlign; }

    // A copy of the given font, or of the system font when null, becomes the row header's.
    void SetRowFont(const QFont* pFont);

    // The row at a point in this widget's coordinates, HIT_NONE, or HIT_CORNER.
    // The shown row after nRow, -1 at the end: hidden rows have no button.
    int NextShownRow(int nRow) const;
    int HitTestRow(const QPoint& pt) const;
    // The text a row's button shows.
    QString RowText(int nRow) const;
    // The width that fits every row's text, as a double-click on the sizing edge sets it.
    int CalcFitWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Where the grid's rows sit in this widget: the y of the viewport's top, and the
    // viewport's bottom.
    int ViewportTop() const;
    int ViewportBottom() const;
    QRect RowButtonRect(int nRow) const;
    int CornerBottom() const;
    bool IsColumnHeaderVisible() const;
    void UpdateHit(const QPoint& pt);

    void PaintCorner(QPainter* pDC) const;
    void PaintRows(QPainter* pDC) const;
    void PaintRow(QPainter* pDC, int nRow, const QRect& button) const;
    void PaintRowText(QPainter* pDC, int nRow, int nState, const QRect& button, bool bTinted) const;
    bool EditorFrameMeetsRow(const QRect& button) const;

    void LeftPress(const QPoint& pt);
    bool FinishEditBeforeClick();
    void SelectAllRows();
    void StartRowDrag(int nRow);
    void StopDrag();
    int RowUnderPointer(int y) const;
    void AutoScrollStep();
    void RightPress(const QPoint& pt);
    void RightRelease(const QPoint& pt);
    void FitWidth();

    CListCtrlBase* m_pGrid = nullptr;
    std::unique_ptr<QFont> m_pFont; // the row header's own font; null until set
    bool m_bUseLabels = false;      // labels instead of row numbers
    int m_nAlign = ALIGN_CENTER;
    int m_nDragMode = 0; // 0 none, 1 selecting rows, 2 changing the width
    QHash<unsigned, QString> m_mapLabels;
    bool m_bOnSizingEdge = false;
    int m_nHitRow = HIT_NONE;
    int m_nDragRow = -1;
    QPoint m_ptPointer; // last pointer position seen while dragging
    int m_nTimerRow = -1;
    int m_nTimer = 0;
    bool m_bRightDown = false;
    int m_nRightDownItem = -1;
};

} // namespace Pelmo
