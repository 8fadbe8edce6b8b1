#pragma once

#include <QString>
#include <functional>

class QWidget;

// The one message box of the program, with the Windows type bits and answer ids, so that the
// callers read as the messages they show. Tests replace it with SetMessageBoxHook so that no
// modal box ever blocks them.
namespace Ui {

enum : unsigned {
    MB_OK = 0x0000,
    MB_OKCANCEL = 0x0001,
    MB_YESNOCANCEL = 0x0003,
    MB_YESNO = 0x0004,
    MB_RETRYCANCEL = 0x0005,
    // Yes, No and a third answer that the call names (IDTHIRD); closing the box answers No.
    MB_YESNOTHIRD = 0x0007,
    MB_ICONERROR = 0x0010,
    MB_ICONQUESTION = 0x0020,
    MB_ICONWARNING = 0x0030,
    MB_ICONINFORMATION = 0x0040,
    MB_DEFBUTTON2 = 0x0100,
    MB_DEFBUTTON3 = 0x0200,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDRETRY = 4, IDYES = 6, IDNO = 7, IDTHIRD = 8 };

struct MessageBoxCall {
    QWidget* parent = nullptr;
    QString text;
    QString caption;
    unsigned type = MB_OK;
    QString thirdButton; // the third answer's caption, for MB_YESNOTHIRD
};

using MessageBoxHook = std::function<int(const MessageBoxCall&)>;

// Shows the box modally and returns the id of the button pressed (IDCANCEL or IDNO when the
// box is closed without one, as Windows does for boxes with those buttons).
int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type);
int MessageBox(QWidget* parent, const QString& text, const QString& caption, unsigned type,
               const QString& thirdButton);
// Replaces the box; an empty hook restores the real one. Returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

} // namespace Ui
