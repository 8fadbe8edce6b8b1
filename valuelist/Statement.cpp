#include "valuelist/Statement.h"

#include <sqlite3.h>

CStatement::CStatement(sqlite3* pDb, const char16_t* pszSql) {
    if (!pDb)
        return;
    if (sqlite3_prepare16_v2(pDb, pszSql, -1, &m_pStmt, nullptr) != SQLITE_OK) {
        // On failure SQLite leaves the handle null, but make sure nothing half-made survives.
        sqlite3_finalize(m_pStmt);
        m_pStmt = nullptr;
    }
}

CStatement::~CStatement() {
    Finalize();
}

void CStatement::Finalize() {
    if (m_pStmt) {
        sqlite3_finalize(m_pStmt);
        m_pStmt = nullptr;
    }
}

int CStatement::ParameterIndex(const char* pszName) {
    return m_pStmt ? sqlite3_bind_parameter_index(m_pStmt, pszName) : 0;
}

bool CStatement::BindInt(const char* pszName, int nValue) {
    const int nIndex = ParameterIndex(pszName);
    return nIndex > 0 && sqlite3_bind_int(m_pStmt, nIndex, nValue) == SQLITE_OK;
}

bool CStatement::BindText(const char* pszName, const QString& text) {
    // SQLite takes a leading U+FEFF or U+FFFE of UTF-16 input for a byte order mark: it drops
    // the first and byte-swaps the whole text after the second. Such a text would be stored
    // as something else, so it is refused and the operation fails instead.
    if (!text.isEmpty() && (text[0] == QChar(0xFEFF) || text[0] == QChar(0xFFFE)))
        return false;
    const int nIndex = ParameterIndex(pszName);
    // A null pointer would bind NULL; an empty name must be stored as an empty text.
    const void* pText = text.isNull() ? static_cast<const void*>(u"") : text.utf16();
    return nIndex > 0 &&
           sqlite3_bind_text16(m_pStmt, nIndex, pText, -1, SQLITE_STATIC) == SQLITE_OK;
}

int CStatement::Step() {
    return m_pStmt ? sqlite3_step(m_pStmt) : SQLITE_MISUSE;
}

bool CStatement::StepDone() {
    return Step() == SQLITE_DONE;
}

void CStatement::Reset() {
    if (m_pStmt)
        sqlite3_reset(m_pStmt);
}

bool CStatement::IsNull(int nColumn) const {
    return sqlite3_column_type(m_pStmt, nColumn) == SQLITE_NULL;
}

int CStatement::ColumnInt(int nColumn) const {
    return sqlite3_column_int(m_pStmt, nColumn);
}

QStringView CStatement::ColumnView(int nColumn) const {
    // Built from the pointer and its own length: QString::fromUtf16 would drop a leading
    // U+FEFF as a byte order mark, and a stored text must come back exactly.
    return QStringView(static_cast<const char16_t*>(sqlite3_column_text16(m_pStmt, nColumn)));
}
