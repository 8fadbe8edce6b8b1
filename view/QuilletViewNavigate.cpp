// Jumping between the rows of a comparison that differ.
#include "view/QuilletView.h"

#include "grid/ListCtrlEx.h"
#include "view/CompareExport.h"
#include "view/MergeMode.h"

#include <QAction>
#include <QHelpEvent>
#include <QShortcut>
#include <QToolTip>

namespace {

constexpr int kMarkColumn = 3;
const QString kDifferenceMark = QStringLiteral("○");

} // namespace

void CQuilletView::CreateNavigationKeys() {
    const struct {
        QKeySequence key;
        bool forward;
    } keys[] = {
        {QKeySequence(Qt::ALT | Qt::Key_Down), true},
        {QKeySequence(Qt::Key_F8), true},
        {QKeySequence(Qt::ALT | Qt::Key_Up), false},
        {QKeySequence(Qt::SHIFT | Qt::Key_F8), false},
    };
    for (const auto& k : keys) {
        auto* shortcut = new QShortcut(k.key, this);
        shortcut->setEnabled(false);
        // The grid and its in-place editor have the focus; the keys work wherever it is inside.
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        const bool forward = k.forward;
        connect(shortcut, &QShortcut::activated, this,
                [this, forward] { GoToDifference(forward); });
        m_navigationKeys.push_back(shortcut);
    }
}

void CQuilletView::UpdateNavigationKeys() {
    for (QShortcut* shortcut : m_navigationKeys)
        shortcut->setEnabled(m_pCompare != nullptr);
    m_pExport->SetEnabled(m_pCompare != nullptr);
    m_pDifferencesOnly->setEnabled(m_pCompare != nullptr);
}

bool CQuilletView::IsDifferenceRow(int row) const {
    // A conflict differs too: "only the differences" keeps it.
    const QString mark = m_pGrid->GetItemText(row, kMarkColumn);
    return mark == kDifferenceMark || (m_pMerge && mark == CMergeMode::ConflictMark());
}

bool CQuilletView::IsNavigationStop(int row) const {
    return m_pMerge ? m_pMerge->IsConflictRow(row) : IsDifferenceRow(row);
}

bool CQuilletView::GoToDifference(bool forward) {
    if (!m_pCompare)
        return false;
    CommitEdit();
    int row = -1;
    int col = -1;
    if (!m_pGrid->GetCurrentCell(&row, &col, false)) {
        // Without a current cell the search starts outside the rows, in the first column.
        row = forward ? -1 : m_pGrid->GetItemCount();
        col = 0;
    }
    const int step = forward ? 1 : -1;
    for (int at = row + step; at >= 0 && at < m_pGrid->GetItemCount(); at += step) {
        if (!IsNavigationStop(at) || m_pGrid->IsRowHidden(at))
            continue;
        m_pGrid->SetCurrentCell(at, col, true, false);
        // Moving the cell from code reports nothing; the previews follow it as after a click.
        OnCompareCurrentCellChanged(at, col);
        return true;
    }
    return false;
}

int CQuilletView::DifferingRowCount() const {
    int count = 0;
    for (int row = 0; row < m_pGrid->GetItemCount(); ++row) {
        if (IsDifferenceRow(row))
            ++count;
    }
    return count;
}

bool CQuilletView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && !m_pCompare &&
        ShowRuleTip(*static_cast<QHelpEvent*>(event)))
        return true;
    if (event->type() != QEvent::ToolTip || !m_pCompare)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    Pelmo::GRIDHITTEST hit;
    if (!m_pGrid->HitTestCell(help->globalPos(), &hit))
        return QWidget::event(event);
    if (m_pMerge && hit.nArea == Pelmo::GHT_CELL) {
        const QString base = m_pMerge->BaseTip(hit.nRow);
        if (base.isEmpty())
            return QWidget::event(event);
        QToolTip::showText(help->globalPos(), base, this);
        return true;
    }
    if (hit.nArea != Pelmo::GHT_COLUMNHEADER || hit.nCol != kMarkColumn)
        return QWidget::event(event);
    // Counted when asked: edits, copies and take-backs change the marks all the time.
    QString tip = QStringLiteral("差のある行: %1 行").arg(DifferingRowCount());
    if (m_pMerge)
        tip.prepend(QStringLiteral("競合: %1 件\n").arg(m_pMerge->ConflictCount()));
    QToolTip::showText(help->globalPos(), tip, this);
    return true;
}
