#pragma once

#include <QDialog>
#include <QSize>
#include <memory>

class CEntryGrid;
class CEntryRulePanel;
class CIniData;
class CProjectData;
class CProjectDataBase;
class CRecordIdName;
class CSectionGrid;
class CTreeEditHistory;
class CValueGrid;
class QLineEdit;

// Edits one value list in memory, in three grids linked from left to right (sections, the
// entries of the current section, the values of the current entry), and stores it as a whole
// on OK. Each grid is driven by an object of its own; the dialog wires them to the name, the
// import and OK. The grids never own records: every real row carries the record it shows, the
// tree owns them all, and Cancel throws the tree away with the dialog.
class CProjectEditDlg : public QDialog {
    Q_OBJECT
public:
    // pDataBase: where the value list is loaded from and saved to. pIniData: the one file
    // open in the main window, null when none is (or two are compared); import needs it.
    // pIdName: PID and name of the value list to edit, null for a new one; not owned.
    CProjectEditDlg(CProjectDataBase* pDataBase, CIniData* pIniData,
                    CRecordIdName* pIdName = nullptr, QWidget* parent = nullptr);
    ~CProjectEditDlg() override;

    // Runs modally: Ui::IDOK after a successful save, Ui::IDCANCEL otherwise, at once (after
    // saying so) when the value list could not be loaded.
    int DoModal();
    // False when the value list to edit could not be loaded; the dialog then only cancels.
    bool IsLoaded() const { return m_bLoaded; }
    // The tree being edited; after OK it carries the PID the save gave it.
    CProjectData* GetProject() const { return m_pProject.get(); }

    void done(int result) override;
    // Cancel, Escape and the close box: asks first when the list was changed.
    void reject() override;

private:
    void SetUpGrids();
    // The name and the whole tree as one text, to tell whether anything was changed.
    QString Snapshot() const;
    // Enter in the name box goes on to the sections, not to OK.
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

    void OnOK();
    bool CheckTree();
    // "保存に失敗しました", the section, entry and value that could not be stored, and why.
    QString SaveFailureText() const;
    // The name of another value list that already has this name, ignoring case; empty when none.
    QString TakenName(const QString& name) const;
    void OnImport();
    void ShowMessage(const QString& text);

    CProjectDataBase* m_pDataBase;
    CIniData* m_pIniData;
    bool m_bEditExisting;
    CRecordIdName* m_pIdName;
    std::unique_ptr<CProjectData> m_pProject;
    bool m_bLoaded = true;
    QString m_strLoadError;

    // Declared after the tree, so that they stop listening to their grids before it goes.
    std::unique_ptr<CValueGrid> m_pValues;
    std::unique_ptr<CEntryGrid> m_pEntries;
    std::unique_ptr<CSectionGrid> m_pSections;
    std::unique_ptr<CEntryRulePanel> m_pRules; // the current entry's rules, under the grids
    CTreeEditHistory* m_pHistory = nullptr;    // a child of the dialog
    QLineEdit* m_pNameEdit = nullptr;
    QSize m_szMinTrack;
    QString m_strOpened; // Snapshot() when the dialog opened

    // The size at the last closing, for the next opening in this run.
    static QSize s_szLast;
};
