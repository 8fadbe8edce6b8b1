#pragma once

#include <QObject>
#include <vector>

namespace Pelmo {
class CListCtrlEx;
}

// Keeps a grid's columns within its width: when a file is shown and whenever the grid is
// resized, columns that would run past the visible width are narrowed in proportion to the
// widths they were given until they fill it exactly, none narrower than its heading needs;
// with room to spare they keep the widths they were given. Once the user has dragged a column's
// edge the widths are theirs for the rest of the run and are never fitted again.
class CColumnFit : public QObject {
    Q_OBJECT
public:
    CColumnFit(Pelmo::CListCtrlEx* grid, QObject* parent);

    // The columns as they are now are the ones to fit; fits them.
    void Start();
    // Fits the started columns to the grid's width as it is now.
    void Fit();
    bool IsByHand() const { return m_bByHand; }
    // The width to keep for the next file of column nCol, now `shown` wide: the width it was
    // given while only the fit narrowed it, so that a narrow window does not narrow the
    // columns of every later file; the shown width once the user set widths by hand.
    int KeptWidth(int nCol, int shown) const;
    // The columns are gone: nothing to fit or keep until the next Start.
    void Forget() { m_preferred.clear(); }

    // `preferred` when it fits into `available`; else the widths that fill it in proportion
    // to `preferred`, each at least its minimum; the minimums when even those do not fit.
    static std::vector<int> Fitted(const std::vector<int>& preferred,
                                   const std::vector<int>& minimum, int available);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int MinimumWidth(int nCol) const;
    int AvailableWidth() const;

    Pelmo::CListCtrlEx* m_pGrid;
    std::vector<int> m_preferred;
    bool m_bPressed = false; // a mouse button is down on the header
    bool m_bByHand = false;
    bool m_bFitting = false;
};
