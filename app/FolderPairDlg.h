#pragma once

#include <QDialog>

class QLineEdit;

// Asks for the two folders to compare: a path typed or picked for each.
class CFolderPairDlg : public QDialog {
    Q_OBJECT
public:
    CFolderPairDlg(const QString& folder1, const QString& folder2, QWidget* parent = nullptr);
    ~CFolderPairDlg() override;

    QString Folder(int side) const;
    QLineEdit* Field(int side) const { return side == 1 ? m_pFolder1 : m_pFolder2; }

private:
    void Browse(QLineEdit* field);

    QLineEdit* m_pFolder1;
    QLineEdit* m_pFolder2;
};
