#pragma once

#include "view/ViewSnapshot.h"

#include <QUndoCommand>

class CQuilletView;

// One change the user made to the open model, as the view recorded it: undo brings back the
// state before it, redo the state after it. The change itself has already happened when the
// step is pushed, so the first redo, which the stack makes on the push, does nothing.
class CViewChangeCommand : public QUndoCommand {
public:
    CViewChangeCommand(CQuilletView* view, CViewSnapshot before, CViewSnapshot after);

    void undo() override;
    void redo() override;

private:
    CQuilletView* m_pView;
    CViewSnapshot m_before;
    CViewSnapshot m_after;
    bool m_bPushed = false;
};
