#include "view/ColumnFit.h"

#include "grid/ListCtrlEx.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <numeric>

namespace {

// Room beside a heading's text: the header's margins and the sort or drop-down mark a cell
// may draw at its right edge.
constexpr int kHeadingPadding = 28;
constexpr int kNarrowest = 48;

} // namespace

CColumnFit::CColumnFit(Pelmo::CListCtrlEx* grid, QObject* parent) : QObject(parent), m_pGrid(grid) {
    QHeaderView* header = m_pGrid->GetHeaderCtrl();
    header->viewport()->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this, [this] {
        if (m_bPressed && !m_bFitting)
            m_bByHand = true;
    });
    connect(header, &QHeaderView::sectionHandleDoubleClicked, this, [this] { m_bByHand = true; });
}

bool CColumnFit::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)
        m_bPressed = true;
    else if (event->type() == QEvent::MouseButtonRelease)
        m_bPressed = false;
    return false;
}

void CColumnFit::Start() {
    m_preferred.clear();
    for (int nCol = 0; nCol < m_pGrid->GetColumnCount(); ++nCol)
        m_preferred.push_back(std::max(1, m_pGrid->GetColumnWidth(nCol)));
    Fit();
}

void CColumnFit::Fit() {
    if (m_bByHand || m_preferred.empty() || int(m_preferred.size()) != m_pGrid->GetColumnCount())
        return;
    std::vector<int> minimum;
    for (int nCol = 0; nCol < int(m_preferred.size()); ++nCol)
        minimum.push_back(MinimumWidth(nCol));
    const std::vector<int> widths = Fitted(m_preferred, minimum, AvailableWidth());
    m_bFitting = true;
    for (int nCol = 0; nCol < int(widths.size()); ++nCol) {
        if (m_pGrid->GetColumnWidth(nCol) != widths[size_t(nCol)])
            m_pGrid->SetColumnWidth(nCol, widths[size_t(nCol)]);
    }
    m_bFitting = false;
}

int CColumnFit::KeptWidth(int nCol, int shown) const {
    if (m_bByHand || nCol < 0 || nCol >= int(m_preferred.size()))
        return shown;
    return m_preferred[size_t(nCol)];
}

int CColumnFit::MinimumWidth(int nCol) const {
    const QFontMetrics metrics(m_pGrid->GetHeaderFont());
    return std::max(kNarrowest,
                    metrics.horizontalAdvance(m_pGrid->GetColumnHeading(nCol)) + kHeadingPadding);
}

int CColumnFit::AvailableWidth() const {
    int width = m_pGrid->viewport()->width();
    // Room for the vertical scroll bar the rows may yet need, so that it never covers a column.
    if (!m_pGrid->verticalScrollBar()->isVisible())
        width -= m_pGrid->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return width;
}

std::vector<int> CColumnFit::Fitted(const std::vector<int>& preferred,
                                    const std::vector<int>& minimum, int available) {
    const size_t n = preferred.size();
    // Room to spare: the columns keep what they were given.
    if (std::accumulate(preferred.begin(), preferred.end(), 0LL) <= available)
        return preferred;
    std::vector<int> widths(minimum);
    std::vector<bool> atMinimum(n, false);
    // Columns that would fall below their minimum keep it; the rest share what is left in
    // proportion, until no more of them fall below.
    for (bool changed = true; changed;) {
        changed = false;
        long long shared = available;
        long long weight = 0;
        for (size_t i = 0; i < n; ++i) {
            if (atMinimum[i])
                shared -= minimum[i];
            else
                weight += preferred[i];
        }
        if (weight == 0 || shared <= 0)
            return minimum;
        for (size_t i = 0; i < n; ++i) {
            if (atMinimum[i])
                continue;
            widths[i] = int(preferred[i] * shared / weight);
            if (widths[i] < minimum[i]) {
                widths[i] = minimum[i];
                atMinimum[i] = true;
                changed = true;
            }
        }
    }
    // The pixels the rounding left go to the last column that is not at its minimum.
    const int used = std::accumulate(widths.begin(), widths.end(), 0);
    for (size_t i = n; i-- > 0;) {
        if (!atMinimum[i]) {
            widths[i] += std::max(0, available - used);
            break;
        }
    }
    return widths;
}
