#include "view/ViewChangeCommand.h"

#include "view/QuilletView.h"

CViewChangeCommand::CViewChangeCommand(CQuilletView* view, CViewSnapshot before,
                                       CViewSnapshot after)
    : m_pView(view), m_before(std::move(before)), m_after(std::move(after)) {}

void CViewChangeCommand::undo() {
    m_pView->RestoreSnapshot(m_before, m_after);
}

void CViewChangeCommand::redo() {
    if (!m_bPushed) {
        m_bPushed = true;
        return;
    }
    m_pView->RestoreSnapshot(m_after, m_before);
}
