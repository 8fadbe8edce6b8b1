#include "app/FindEdit.h"

#include <QInputMethodEvent>

CFindEdit::CFindEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, &CFindEdit::OnTextChanged);
}

void CFindEdit::OnTextChanged() {
    if (m_bComposing || m_bPreeditPending) {
        m_bChangedUnseen = true;
        return;
    }
    emit SearchTextChanged();
}

void CFindEdit::inputMethodEvent(QInputMethodEvent* event) {
    const bool commits = !event->commitString().isEmpty() || event->replacementLength() > 0;
    m_bComposing = true;
    QLineEdit::inputMethodEvent(event);
    m_bComposing = false;
    m_bPreeditPending = !event->preeditString().isEmpty();
    // A commit searches for what it left in the box; a composition that ends without one
    // (the user cancelled it) searches only when it changed the text on its way.
    if (commits || (!m_bPreeditPending && m_bChangedUnseen)) {
        m_bChangedUnseen = false;
        emit SearchTextChanged();
    }
}
