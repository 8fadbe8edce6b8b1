#pragma once

#include <QLineEdit>

class QInputMethodEvent;

// The find dialog's search box. It reports each change of its text with SearchTextChanged,
// except while an input method is at work: a composition that is still pending reports
// nothing, and a committed conversion reports once, on the text it leaves in the box, however
// many steps the box takes to get there.
class CFindEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CFindEdit(QWidget* parent = nullptr);

signals:
    void SearchTextChanged();

protected:
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void OnTextChanged();

    // True while an input-method event is applied to the box; its changes are held back.
    bool m_bComposing = false;
    // A pre-edit string is shown but not yet part of the text.
    bool m_bPreeditPending = false;
    // The text changed while a composition was pending (a selection it replaced), and no
    // search has seen that text yet.
    bool m_bChangedUnseen = false;
};
