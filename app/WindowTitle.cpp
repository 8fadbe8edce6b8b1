#include "app/WindowTitle.h"

#include "app/QuilletDoc.h"

#include <QWidget>

void CWindowTitle::ShowDocument(bool bShown) {
    m_bShown = bShown;
    Update();
}

void CWindowTitle::Update() {
    QString title = QStringLiteral("Quillet");
    if (m_bShown)
        title += QStringLiteral(" - ") + m_pDoc->GetTitle();
    if (m_pDoc->HasUnsavedChanges())
        title += QStringLiteral(" *");
    m_pWindow->setWindowTitle(title);
}
