#pragma once

#include <QWidget>

class QPushButton;

// The command bar (dialog 313) on the left of the main window: the command buttons, each
// sending its id to the frame, and the program's version under them.
class CMenuDlgBar : public QWidget {
    Q_OBJECT
public:
    explicit CMenuDlgBar(QWidget* parent = nullptr);
    ~CMenuDlgBar() override;

    // The button of a command id (Res::ID_*), null for an id the bar does not have.
    QPushButton* Button(int commandId) const;
    // "Version 1.02": the product version the build compiles in.
    static QString VersionText();

signals:
    void Command(int commandId);
};
