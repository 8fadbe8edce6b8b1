#pragma once

#include "valuelist/DataBase.h"

#include <QStringList>
#include <memory>
#include <vector>

class CBaseData;
class CProjectData;
class CRecordIdName;
class CRecordIdFilePath;
class CStatement;

// The value-list database: value lists (PROJECT, SECTION, ENTRY, VALUE) and the file history
// (HISTORY). Every operation reports failure by its result (and ErrorMessage()) and shows
// nothing; a failed change is rolled back, so the stored data stays as it was. Another
// program's lock is waited for (kBusyTimeoutMs) before an operation gives up.
class CProjectDataBase : public CDataBase {
public:
    explicit CProjectDataBase(const QString& path);
    ~CProjectDataBase() override;

    // Creates the tables that are missing. Fails, creating nothing, when the file is no
    // database or holds a table of one of our names with other columns.
    bool CreateTables() override;

    // The value list the history gives for an INI file, registered by its full path or by its
    // bare file name; null when there is none or the database cannot be read.
    std::unique_ptr<CProjectData> LoadProjectByFilePath(const QString& filePath);
    // The value list with that PID and its whole tree; null when there is none or the
    // database cannot be read.
    std::unique_ptr<CProjectData> LoadProject(int nPid);
    // After a load that worked: what the user should hear about it (rules of a newer version
    // that were left out); empty when nothing.
    const QString& LoadNotice() const { return m_strLoadNotice; }
    // Replaces the stored content of the value list by the tree. A record whose PID is -1 gets
    // the smallest free PID; if the save fails it is -1 again.
    bool SaveProject(CProjectData* pProject);
    // After a failed save: the section, entry or value that could not be stored, null when
    // the failure lay elsewhere. Points into the tree that was saved.
    const CBaseData* FailedRecord() const { return m_pFailedRecord; }
    // Deletes a value list; history rows that used it are kept with PID 0.
    bool DeleteProject(int nPid);

    // Append to the lists; on failure the lists are left as they were.
    bool LoadProjectNames(std::vector<std::unique_ptr<CRecordIdName>>& names);
    bool LoadProjectList(std::vector<std::unique_ptr<CRecordIdName>>& names,
                         std::vector<std::unique_ptr<CRecordIdFilePath>>& history);

    // Paths compare with case (another case is another file), but the table's key does not:
    // a path that differs from a stored one only in case cannot be added.
    // Adds a history row; fails when the path (without regard to case) is already there.
    // With bInTransaction the caller's transaction is used and neither committed nor rolled
    // back here.
    bool InsertHistory(const CRecordIdFilePath& record, bool bInTransaction);
    // Sets the value list of a history path, adding the row when it is missing.
    bool SetHistory(const CRecordIdFilePath& record);
    // Removes the history row of the record's path.
    bool DeleteHistory(const CRecordIdFilePath& record);

    // The last component of a path, after the last "\" or "/" and after a leading drive
    // designator ("C:"); empty when the path ends in a separator.
    static QString FileNameOf(const QString& path);

    // Stores a value list read from elsewhere and points the history rows of `files` (full
    // paths or bare file names) at it, all in one transaction: when any step fails nothing
    // has changed. A record whose PID is -1 becomes a new value list and gets its PID; one
    // with a stored PID replaces that list's name and content, keeping its history rows.
    bool ImportProject(CProjectData& project, const std::vector<QString>& files);

private:
    bool Begin();
    // Commits; when the commit fails (another connection still reads), rolls back and fails.
    bool Commit();
    void Rollback();
    // Runs work() in a transaction of its own: commits when it succeeds, rolls back when it
    // fails; the result is whether the change was committed.
    template <typename Work> bool InTransaction(Work work);

    bool ReadColumns(const char16_t* pszTable, QStringList& columns);
    std::unique_ptr<CProjectData> LoadProjectRow(CStatement& query);
    bool LoadContent(CProjectData& project);
    bool AllocatePid(int& nPid);
    bool WriteProjectRow(const CProjectData& project);
    bool DeleteContent(int nPid);
    bool InsertSections(const CProjectData& project);
    bool InsertEntries(const CProjectData& project);
    bool InsertValues(const CProjectData& project);
    bool WriteRules(const CProjectData& project);
    bool RunWithPid(const char16_t* pszSql, int nPid);
    bool WriteWholeProject(CProjectData& project);
    bool PointHistoryAt(const CRecordIdFilePath& record);
    // Passes bStored on; remembers the record of the first failure.
    bool Noted(const CBaseData& record, bool bStored);

    const CBaseData* m_pFailedRecord = nullptr;
    QString m_strLoadNotice;
};
