#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class CIniData;
class CListCtrl;
class QComboBox;
class QLineEdit;

namespace Ui {
struct DialogTemplate;
}

// What the add dialog of one file and its twin for two compared files share: the section
// combo, the entry edit, one value edit per target file, the list of rows waiting for "確定",
// and the checks that keep out what the target files could not store. A row goes into every
// file that has a value column, each with that column's value.
class CAddDlgBase : public QDialog {
public:
    ~CAddDlgBase() override;

protected:
    // One value edit and the pending-list column that shows it; its value goes into pIni.
    struct ValueColumn {
        int editId;
        QString heading;
        int width;
        CIniData* pIni;
    };

    CAddDlgBase(const Ui::DialogTemplate& tmpl, std::vector<ValueColumn> values, QWidget* parent);

    QComboBox* SectionCombo() const { return m_pSection; }
    // Puts the combo's items in the order a sorted combo box keeps (names compared as the
    // model compares them) and leaves its edit empty, as a freshly opened dialog shows it.
    void SortSectionCombo();

private:
    // A row waiting in the pending list: the trimmed texts as typed, one value per column.
    struct PendingRow {
        QString section;
        QString entry;
        QStringList values;
    };

    void ConnectButton(int id, const std::function<void()>& onClick);
    void OnAdd();
    void OnCommit();

    // Each shows its refusal and moves the focus, then answers false.
    bool CheckNames(const QString& section, const QString& entry);
    bool CheckStorable(const QString& section, const QString& entry, const QStringList& values);
    bool CheckNotInFiles(const QString& section, const QString& entry);
    bool Refuse(const QString& text, QWidget* focus);

    // Whether the row of that section and entry was pending already (its values are updated).
    bool UpdatePendingRow(const QString& section, const QString& entry, const QStringList& values);
    void InsertPendingRow(std::unique_ptr<PendingRow> row);
    int LastRowOfSection(const QString& section) const;
    PendingRow* RowAt(int index) const;

    std::vector<CIniData*> TargetFiles() const;

    std::vector<ValueColumn> m_values;
    QComboBox* m_pSection = nullptr;
    QLineEdit* m_pEntry = nullptr;
    std::vector<QLineEdit*> m_valueEdits;
    CListCtrl* m_pList = nullptr;
    std::vector<std::unique_ptr<PendingRow>> m_rows;
};
