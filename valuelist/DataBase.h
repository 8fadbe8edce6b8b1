#pragma once

#include <QString>

struct sqlite3;

// One SQLite database file and its connection. The file is opened through the UTF-16 open
// call, so a file that SQLite creates stores its text as UTF-16.
class CDataBase {
public:
    explicit CDataBase(const QString& path);
    // Compacts the file (VACUUM) and closes the connection when it is open.
    virtual ~CDataBase();
    CDataBase(const CDataBase&) = delete;
    CDataBase& operator=(const CDataBase&) = delete;

    virtual bool CreateTables();

    // (Re)opens the stored path; SQLite creates the file when it is missing. On failure the
    // connection stays closed.
    bool Open();
    // Opens the stored path for reading only: a missing file is not created, nothing is ever
    // written (not even the VACUUM on exit). For tools that only look.
    bool OpenReadOnly();
    bool IsOpen() const { return m_pDb != nullptr; }
    const QString& GetPath() const { return m_strPath; }

protected:
    bool Execute(const char* pszSql);
    void Close();

    QString m_strPath;
    sqlite3* m_pDb = nullptr;
    bool m_bReadOnly = false;
};
