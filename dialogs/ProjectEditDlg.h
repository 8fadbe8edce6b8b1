#pragma once

#include "grid/GridTypes.h"

#include <QDialog>
#include <QSize>
#include <memory>

class CIniData;
class CProjectData;
class CProjectDataBase;
class CRecordIdName;
class CSectionData;
class CEntryData;
class CValueData;
class QLineEdit;
class QPushButton;

namespace Pelmo {
class CListCtrlEx;
}

// Edits one value list in memory, in three grids linked from left to right (sections, the
// entries of the current section, the values of the current entry), and stores it as a whole
// on OK. The grids never own records: every real row carries the record it shows, the tree
// owns them all, and Cancel throws the tree away with the dialog.
class CProjectEditDlg : public QDialog {
    Q_OBJECT
public:
    // pDataBase: where the value list is loaded from and saved to. pIniData: the one file
    // open in the main window, null when none is (or two are compared); import needs it.
    // pIdName: PID and name of the value list to edit, null for a new one; not owned.
    CProjectEditDlg(CProjectDataBase* pDataBase, CIniData* pIniData,
                    CRecordIdName* pIdName = nullptr, QWidget* parent = nullptr);
    ~CProjectEditDlg() override;

    // Runs modally: Ui::IDOK after a successful save, Ui::IDCANCEL otherwise, at once when
    // the value list could not be loaded.
    int DoModal();
    // False when the value list to edit could not be loaded; the dialog then only cancels.
    bool IsLoaded() const { return m_bLoaded; }
    // The tree being edited; after OK it carries the PID the save gave it.
    CProjectData* GetProject() const { return m_pProject.get(); }

    void done(int result) override;

private:
    QWidget* MakeGrid(int nId, QWidget* host);
    void SetUpGrids();
    void FillSectionGrid();

    // Moving through the tree; each refills the grids to its right.
    bool SelectSection(CSectionData* pSection, int nCol, bool bFocus, bool bReload);
    bool SelectEntry(CEntryData* pEntry, int nCol, bool bFocus, bool bReload);
    void SelectValue(CValueData* pValue, int nCol);
    void LoadEntries(CSectionData* pSection);
    void LoadValues(CEntryData* pEntry);
    void ClearValueGrid();
    void ClearEntryGrid();

    int AddSectionRow(int nRow, CSectionData* pSection);
    int AddEntryRow(int nRow, CEntryData* pEntry);
    int AddValueRow(int nRow, CValueData* pValue);

    // Notifications, by grid.
    void OnSectionNotify(const Pelmo::GRIDNOTIFY& n);
    void OnEntryNotify(const Pelmo::GRIDNOTIFY& n);
    void OnValueNotify(const Pelmo::GRIDNOTIFY& n);
    void OnAppendRow(Pelmo::CListCtrlEx* pGrid, int nRow);
    void OnSectionRowChanged(int nRow);
    void OnEntryRowChanged(int nRow);
    void OnSectionEdited(int nRow, bool bAppend);
    void OnEntryEdited(int nRow, bool bAppend);
    void OnValueEdited(int nRow, bool bAppend);
    void OnSectionDelete(int nRow);
    void OnEntryDelete(int nRow);
    void OnValueInsert(int nRow);
    void OnValueDelete(int nRow);
    void OnCopy(Pelmo::CListCtrlEx* pGrid, bool bCodeColumnOnly);
    void OnSectionPaste(const QString& text);
    void OnEntryPaste(const QString& text);

    CSectionData* CurrentSectionRow() const;
    CEntryData* CurrentEntryRow() const;
    // After a row was deleted: the row now current, or the one that took the deleted row's
    // place when the current row went with it; -1 on an empty grid.
    static int RowAfterDelete(Pelmo::CListCtrlEx* pGrid, int nDeleted, int* pCol);

    void OnOK();
    bool CheckTree();
    // Another value list already has this name, ignoring case.
    bool IsNameTaken(const QString& name) const;
    void OnImport();
    // Adds the open file's sections and entries that the value list lacks; keeps the rest.
    void MergeIniData();
    void ShowMessage(const QString& text);

    static bool CodeCheck(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol, const QString& strNew,
                          QString* pStore, void* pData);
    static bool ValueCheck(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol, const QString& strNew,
                           QString* pStore, void* pData);
    static bool ValueKeyMove(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol, int nKey, bool bShift,
                             void* pData);
    static bool CodeKeyMove(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol, int nKey, bool bShift,
                            void* pData);
    // Tab on the values grid: to the next (or previous) text cell, never onto a button cell.
    // False when there is none, so that the focus leaves the grid.
    bool TabToTextCell(int nRow, int nCol, bool bBack);
    void MarkJustAppended(const void* pRecord);
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

    CProjectDataBase* m_pDataBase;
    CIniData* m_pIniData;
    bool m_bEditExisting;
    CRecordIdName* m_pIdName;
    std::unique_ptr<CProjectData> m_pProject;
    bool m_bLoaded = true;

    Pelmo::CListCtrlEx* m_pSectionGrid = nullptr;
    Pelmo::CListCtrlEx* m_pEntryGrid = nullptr;
    Pelmo::CListCtrlEx* m_pValueGrid = nullptr;
    QLineEdit* m_pNameEdit = nullptr;
    QSize m_szMinTrack;

    CSectionData* m_pCurSection = nullptr;
    CEntryData* m_pCurEntry = nullptr;
    // The section or entry that the edit being committed has just made of an append row;
    // only for the Enter that committed it, which then keeps it current.
    const void* m_pJustAppended = nullptr;

    // The size at the last closing, for the next opening in this run.
    static QSize s_szLast;
};
