#include "view/RuleCommands.h"

#include "view/QuilletView.h"

#include <QAction>
#include <QMenu>

CRuleCommands::CRuleCommands(CQuilletView* view)
    : QObject(view), m_pView(view), m_pReset(new QAction(QStringLiteral("既定値に戻す"), view)),
      m_pAddMissing(new QAction(QStringLiteral("必須エントリを追加"), view)),
      m_pFilter(new QAction(QStringLiteral("既定値と異なるものだけ"), view)) {
    m_pReset->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    // The key works wherever the focus is in the view, the grid's own children included.
    m_pReset->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    view->addAction(m_pReset);
    connect(m_pReset, &QAction::triggered, view, [view] { view->ResetToDefault(); });
    connect(m_pAddMissing, &QAction::triggered, view, [view] { view->AddMissingRequired(); });
    m_pFilter->setCheckable(true);
    m_pFilter->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    m_pFilter->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    view->addAction(m_pFilter);
    // The check mark always says what the view does, also when the view refused the change.
    connect(m_pFilter, &QAction::triggered, view, [this, view](bool on) {
        view->SetDefaultFilter(on);
        m_pFilter->setChecked(view->IsDefaultFilterOn());
    });
}

void CRuleCommands::ShowMenu(const QPoint& globalPos) {
    auto* menu = new QMenu(m_pView);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    m_pReset->setEnabled(m_pView->CanResetToDefault());
    m_pAddMissing->setEnabled(m_pView->HasMissingRequired());
    m_pFilter->setChecked(m_pView->IsDefaultFilterOn());
    menu->addAction(m_pReset);
    menu->addAction(m_pFilter);
    menu->addAction(m_pAddMissing);
    menu->popup(globalPos);
}
