#include "valuelist/DataBase.h"

#include <sqlite3.h>

CDataBase::CDataBase(const QString& path) : m_strPath(path) {}

CDataBase::~CDataBase() {
    if (m_pDb) {
        if (!m_bReadOnly)
            Execute("VACUUM");
        Close();
    }
}

bool CDataBase::CreateTables() {
    return true;
}

bool CDataBase::Open() {
    Close();
    m_bReadOnly = false;
    if (sqlite3_open16(m_strPath.utf16(), &m_pDb) == SQLITE_OK)
        return true;
    // SQLite hands out a connection even when the open fails; keep none, so that no later
    // operation (nor the VACUUM on exit) runs on a connection that never worked.
    Close();
    return false;
}

bool CDataBase::OpenReadOnly() {
    Close();
    m_bReadOnly = true;
    if (sqlite3_open_v2(m_strPath.toUtf8().constData(), &m_pDb, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK)
        return true;
    Close();
    return false;
}

void CDataBase::Close() {
    if (m_pDb) {
        sqlite3_close_v2(m_pDb);
        m_pDb = nullptr;
    }
}

bool CDataBase::Execute(const char* pszSql) {
    return m_pDb && sqlite3_exec(m_pDb, pszSql, nullptr, nullptr, nullptr) == SQLITE_OK;
}
