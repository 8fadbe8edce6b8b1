#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class CListCtrl;
class CProjectDataBase;
class CRecordIdFilePath;
class CRecordIdName;

// The management dialog's related files: every file of the history, a check mark that says
// whether it uses the value list chosen in the dialog, and beside it the name of the list it
// uses. Checking a file another list holds asks before moving it; unchecking a file checked
// here gives it back the list it had before, so that a second click never leaves a moved file
// with none. Every change goes to the database at once.
class CRelatedFileList : public QObject {
public:
    // pNames: the dialog's value lists, which name the lists in the column; onStoreFailed: a
    // change the database refused, to be said and the list shown as stored. None is owned.
    CRelatedFileList(CListCtrl* pList, CProjectDataBase* pDataBase,
                     const std::vector<std::unique_ptr<CRecordIdName>>* pNames,
                     std::function<void()> onStoreFailed);
    ~CRelatedFileList() override;

    void Clear();
    void Fill(std::vector<std::unique_ptr<CRecordIdFilePath>> history);
    // Checks the files of pProject, the list the dialog now shows; null for none.
    void ShowList(const CRecordIdName* pProject);
    // The files of a deleted value list use none now.
    void ForgetList(int nPid);
    // Registers a file (a full path or a bare name) with the list shown; one already listed is
    // given that list instead, asking first when another list holds it. Says why when it
    // cannot be registered.
    void Register(const QString& text);
    // Takes the selected files out of the history; says once which could not go.
    void RemoveSelected();

private:
    void OnItemChanged(int nItem, unsigned oldState, unsigned newState);
    // The row was checked by the user: true when its file may use the list shown.
    bool MayMove(const CRecordIdFilePath& record);
    void Store(int nRow, int nPid);
    void SetCheckQuietly(int nRow, bool bCheck);
    // -1 when the text may be added as a new row; else the row that holds it, or -2 when it
    // cannot be registered at all (after saying why).
    int RowOfText(const QString& text);
    int AddRow(std::unique_ptr<CRecordIdFilePath> pRecord);
    CRecordIdFilePath* RowRecord(int nRow) const;
    QString NameOf(int nPid) const;
    void FitColumns();
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void Say(const QString& text, unsigned nType = 0);

    CListCtrl* m_pList;
    CProjectDataBase* m_pDataBase;
    const std::vector<std::unique_ptr<CRecordIdName>>* m_pNames;
    std::function<void()> m_onStoreFailed;
    std::vector<std::unique_ptr<CRecordIdFilePath>> m_history;
    const CRecordIdName* m_pShown = nullptr;
    // The list each file had before it was checked for the list shown, by record.
    std::map<const CRecordIdFilePath*, int> m_pidBeforeCheck;
    // False while the list itself fills rows or sets check marks.
    bool m_bListEvents = true;
};
