#include "platform/ui/MessageBox.h"

#include <QMessageBox>
#include <QPushButton>
#include <utility>

namespace Ui {

namespace {

MessageBoxHook& Hook() {
    static MessageBoxHook hook;
    return hook;
}

QMessageBox::Icon IconOf(unsigned type) {
    switch (type & 0x00F0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

struct ButtonSet {
    QList<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton escape;
};

ButtonSet ButtonsOf(unsigned type) {
    switch (type & 0x000F) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, QMessageBox::Cancel}, QMessageBox::Cancel};
    case MB_YESNOCANCEL:
        return {{QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}, QMessageBox::Cancel};
    case MB_YESNO:
    case MB_YESNOTHIRD:
        return {{QMessageBox::Yes, QMessageBox::No}, QMessageBox::No};
    case MB_RETRYCANCEL:
        return {{QMessageBox::Retry, QMessageBox::Cancel}, QMessageBox::Cancel};
    default:
        return {{QMessageBox::Ok}, QMessageBox::Ok};
    }
}

int IdOf(QMessageBox::StandardButton button) {
    switch (button) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    case QMessageBox::Retry:
        return IDRETRY;
    default:
        return IDOK;
    }
}

int ShowRealBox(const MessageBoxCall& call) {
    QMessageBox box(IconOf(call.type), call.caption, call.text, QMessageBox::NoButton, call.parent);
    const ButtonSet set = ButtonsOf(call.type);
    for (QMessageBox::StandardButton b : set.buttons)
        box.addButton(b);
    QPushButton* third = nullptr;
    if ((call.type & 0x000F) == MB_YESNOTHIRD)
        third = box.addButton(call.thirdButton, QMessageBox::ActionRole);
    const int defaultIndex = (call.type & MB_DEFBUTTON3) ? 2 : (call.type & MB_DEFBUTTON2) ? 1 : 0;
    if (defaultIndex < set.buttons.size())
        box.setDefaultButton(set.buttons[defaultIndex]);
    box.setEscapeButton(set.escape);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (!clicked)
        return IdOf(set.escape);
    if (third && clicked == third)
        return IDTHIRD;
    return IdOf(box.standardButton(clicked));
}

} // namespace

int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type) {
    return MessageBox(parent, text, caption, type, QString());
}

int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type,
               const QString& thirdButton) {
    const MessageBoxCall call{parent, text, caption, type, thirdButton};
    if (Hook())
        return Hook()(call);
    return ShowRealBox(call);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
    return std::exchange(Hook(), std::move(hook));
}

} // namespace Ui
