#pragma once

#include <QObject>

class CQuilletView;
class QAction;
class QPoint;

// The commands of a value list's rules in the main window: "既定値に戻す" (Ctrl+D) on the
// current entry, the filter "既定値と異なるものだけ" (Ctrl+Shift+D) and "必須エントリを追加" for
// the required keys the file lacks. They live on the
// view, as keys and as the menu of a right-click on a value cell, so the frame needs no
// buttons for them.
class CRuleCommands : public QObject {
    Q_OBJECT
public:
    explicit CRuleCommands(CQuilletView* view);

    // Opens the menu at a screen position, without waiting for it.
    void ShowMenu(const QPoint& globalPos);

    QAction* ResetAction() const { return m_pReset; }
    QAction* AddMissingAction() const { return m_pAddMissing; }
    QAction* FilterAction() const { return m_pFilter; }

private:
    CQuilletView* m_pView;
    QAction* m_pReset;
    QAction* m_pAddMissing;
    QAction* m_pFilter;
};
