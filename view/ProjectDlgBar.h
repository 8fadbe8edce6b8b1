#pragma once

#include <QWidget>
#include <memory>
#include <vector>

class CRecordIdName;
class CViewHost;
class QComboBox;

// The value-list selector bar (dialog 321): a drop-down list of every value list, item 0
// standing for none. It shows the list the open file uses and lets the user switch for as
// long as the file stays open; the choice goes to the frame as message 1030.
class CProjectDlgBar : public QWidget {
    Q_OBJECT
public:
    CProjectDlgBar(CViewHost* host, QWidget* parent = nullptr);
    ~CProjectDlgBar() override;

    // Empties the combo and fills it with the empty item and the stored names (ordered by
    // name). False, with the combo left empty, when the names cannot be read.
    bool RefillValueLists();
    // Message 1029: refill, enable (when the names could be read), select the list with this
    // PID (item 0 when none has it).
    void ShowValueLists(int nPid);
    // Message 1028: no selection, disabled.
    void ClearValueLists();
    // The PID of the selected item; 0 for the empty item or no selection.
    int SelectedPid() const;

    QComboBox* Combo() const { return m_pCombo; }

private:
    void OnSelChangeValueList(int index);
    int PidAt(int index) const;

    CViewHost* m_pHost;
    QComboBox* m_pCombo = nullptr;
    // The records behind items 1 onwards, in item order.
    std::vector<std::unique_ptr<CRecordIdName>> m_records;
};
