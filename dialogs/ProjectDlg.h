#pragma once

#include <QDialog>
#include <QSize>
#include <memory>
#include <set>
#include <vector>

class CIniData;
class CListCtrl;
class CProjectData;
class CProjectDataBase;
class CRecordIdFilePath;
class CRecordIdName;
class CRelatedFileList;
class QComboBox;
class QLabel;
class QPushButton;

// Manages the value lists and which INI files use them: one value list at a time in a
// drop-down list, and every file of the history with a check mark that says whether it uses
// that value list. Every change goes to the database at once, so there is only a close button.
class CProjectDlg : public QDialog {
    Q_OBJECT
public:
    // pDataBase: the value-list database. pIniData: the one file open in the main window,
    // null when none is (or two are compared); the editing dialog imports from it.
    // nShownPid: the value list the open file is shown with, the one to open on; 0 for none.
    CProjectDlg(CProjectDataBase* pDataBase, CIniData* pIniData, int nShownPid = 0,
                QWidget* parent = nullptr);
    ~CProjectDlg() override;

    // Runs modally until closed; the result is always Ui::IDCANCEL, the close button's id.
    int DoModal();

    void done(int result) override;

    // Whether the lists could be read at least once; a dialog that never could changed
    // nothing.
    bool ListsRead() const { return m_bListsRead; }
    // Whether the value list of that PID was deleted here (a new list may have got its PID
    // since).
    bool WasDeleted(int nPid) const { return m_deletedPids.count(nPid) > 0; }

private:
    void Reload(int nPreselectPid);
    void FreeItems();
    void OnProjectChanged();
    void OnItemChanged(int nItem, unsigned oldState, unsigned newState);
    void OnNew();
    void OnEdit();
    void OnDelete();
    void OnAddFile();
    void OnRemoveFiles();
    // The file open in the main window, with the value list chosen here.
    void OnRegisterOpenFile();
    // The chosen value list to a value-list file, and a value-list file in as a new list.
    void OnExport();
    void OnImport();
    void UpdateButtons();
    // A history change the database refused: the list goes back to what is stored.
    void ReportRegisterFailure();

    CRecordIdName* SelectedProject() const;

    CProjectDataBase* m_pDataBase;
    CIniData* m_pIniData;
    QComboBox* m_pProjectCombo = nullptr;
    CListCtrl* m_pFileList = nullptr;
    QPushButton* m_pEditButton = nullptr;
    QPushButton* m_pDeleteButton = nullptr;
    QPushButton* m_pExportButton = nullptr;
    QPushButton* m_pRemoveButton = nullptr;
    QPushButton* m_pRegisterOpenButton = nullptr;
    QLabel* m_pStatus = nullptr; // what the last export or import did
    // Goes before the dialog's widgets do: it stops listening to the list.
    std::unique_ptr<CRelatedFileList> m_pFiles;
    // The records behind the combo items.
    std::vector<std::unique_ptr<CRecordIdName>> m_names;
    QSize m_szMinTrack;
    bool m_bListsRead = false;
    std::set<int> m_deletedPids;

    // The size at the last closing, for the next opening in this run.
    static QSize s_szLast;
};
