#pragma once

#include <QDialog>

class CFindEdit;
class CQuilletView;
class QCheckBox;
class QKeyEvent;
class QLabel;

// The modeless find dialog: searches the view as the user types, from the cell after the
// current one, in the kinds of cell its three check boxes select. Cancel or Escape only hides
// it, so that the next Ctrl+F finds text and check boxes as they were. Ctrl+F, F3 and
// Shift+F3 pressed in it go to the main window as commands.
class CFindDlg : public QDialog {
    Q_OBJECT
public:
    // ppOwnerSlot: the owner's pointer to this dialog, cleared when the dialog is destroyed.
    CFindDlg(CQuilletView* view, CFindDlg** ppOwnerSlot, QWidget* owner);
    ~CFindDlg() override;

    // Shows the dialog again with the whole search text selected, ready to be overtyped.
    void Reactivate();

    CFindEdit* Edit() const { return m_edit; }

    // Moves the dialog above or below the current cell, within the screen, when it covers
    // the cell: what was found must be seen.
    void StepAsideFromCurrentCell();

signals:
    // A keyboard command for the main window (Res::ID_FIND, ID_FIND_NEXT, ID_FIND_PREV).
    void Command(int commandId);

public slots:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateAccelerators();
    void DoFind();
    int CheckedFlags() const;

    CFindEdit* m_edit = nullptr;
    CFindDlg** m_ppOwnerSlot;
    QLabel* m_status = nullptr;
    CQuilletView* m_pView;
    QCheckBox* m_sectionBox = nullptr;
    QCheckBox* m_entryBox = nullptr;
    QCheckBox* m_valueBox = nullptr;
};
