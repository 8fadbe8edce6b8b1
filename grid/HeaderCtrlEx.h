#pragma once

#include <QHash>
#include <QHeaderView>
#include <QList>
#include <memory>
#include <unordered_map>

class QFont;
class QPainter;

namespace Pelmo {

class CListCtrlBase;
struct CHeaderData;

// The grid's column header. Besides painting every section itself (flat button face, a tint
// on the current column, aligned multi-line text) it hands out a stable key per column and
// owns the column's CHeaderData, so that the grid finds a column's data from its present
// position after columns before it were inserted or deleted.
class CHeaderCtrlEx : public QHeaderView {
    Q_OBJECT
public:
    explicit CHeaderCtrlEx(QWidget* parent = nullptr);
    ~CHeaderCtrlEx() override;

    // Ties the header to its grid and gives it a font of its own, a copy of the grid's.
    void Attach(CListCtrlBase* pGrid);

    // Column keys. Keys are positive and stay with their column; 0 means no column.
    // InsertColumnKey takes ownership of pData and returns the new key.
    int InsertColumnKey(int nIndex, CHeaderData* pData);
    void RemoveColumnKey(int nIndex);
    int GetColumnKey(int nIndex) const;
    int GetColumnIndex(int nKey) const;
    CHeaderData* GetHeaderData(int nKey) const;

    // Recomputes m_nHeight from m_nTextLines and the header font and has the list-view lay
    // the header out again. Returns the height in pixels.
    int Layout();

    void SetTextLines(int nLines) { m_nTextLines = nLines; }
    int GetTextLines() const { return m_nTextLines; }
    void SetHeightPixels(int nPixels) { m_nHeight = nPixels; }
    int GetHeightPixels() const { return m_nHeight; }

    // Sets m_nAlign and repaints.
    void SetAlign(int nAlign);
    int GetAlign() const { return m_nAlign; }
    // Replaces the header's own font.
    void SetHeaderFont(const QFont& font);
    const QFont* GetHeaderFont() const { return m_pFont.get(); }

    // Column sizing by the user; off keeps every section's width.
    void EnableSizing(bool bEnable);
    bool IsSizingEnabled() const { return m_bSizing; }

    QSize sizeHint() const override;

    // Flat push-button face: a one-pixel frame in the shadow colour around the button face.
    // Shared with the row header so that both headers look alike.
    static void DrawFlatButton(QPainter* pDC, const QRect& rect, const QPalette& palette);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int ComputeHeight() const;
    int NextFreeKey() const;
    void ShiftPositions(int nFrom, int nDelta);
    void IndexKeys();
    int TextAlignment(int logicalIndex) const;
    bool IsCurrentColumn(int logicalIndex) const;
    QColor BackgroundColor() const;
    void DrawText(QPainter* painter, const QRect& rect, int nAlign, const QString& text,
                  const QColor& color) const;

    CListCtrlBase* m_pGrid = nullptr;
    // Height in text lines of the header font (+10 pixels); 0 hides the header; negative
    // keeps m_nHeight as it is.
    int m_nTextLines = 1;
    int m_nHeight = -1; // pixels, as computed at the last layout
    // 0 = each column's own format, 1 = left, 2 = centre, 3 = right.
    int m_nAlign = 0;
    std::unique_ptr<QFont> m_pFont; // the header's own font; null until attached or set
    bool m_bSizing = true;
    bool m_bRightDown = false;
    int m_nRightDownItem = -1;
    QHash<int, int> m_mapKeyToIndex;
    // The same turned round, 0 where no column is: painting and every cell attribute ask for
    // a column's key, and a grid has a handful of columns but hundreds of thousands of cells.
    QList<int> m_keysByIndex;
    std::unordered_map<int, std::unique_ptr<CHeaderData>> m_mapKeyToData;
};

} // namespace Pelmo
