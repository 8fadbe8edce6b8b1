#include "valuelist/Statement.h"

#include <limits>
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

bool CStatement::BindInt(const char* pszName, qint64 nValue) {
    const int nIndex = ParameterIndex(pszName);
    return nIndex > 0 && sqlite3_bind_int64(m_pStmt, nIndex, nValue) == SQLITE_OK;
}

bool CStatement::BindDouble(const char* pszName, double value) {
    const int nIndex = ParameterIndex(pszName);
    return nIndex > 0 && sqlite3_bind_double(m_pStmt, nIndex, value) == SQLITE_OK;
}

bool CStatement::BindNull(const char* pszName) {
    const int nIndex = ParameterIndex(pszName);
    return nIndex > 0 && sqlite3_bind_null(m_pStmt, nIndex) == SQLITE_OK;
}

bool CStatement::BindText(const char* pszName, const QString& text) {
    // SQLite takes a leading U+FEFF or U+FFFE of UTF-16 input for a byte order mark: it drops
    // the first and byte-swaps the whole text after the second. Such a text would be stored
    // as something else, so it is refused and the operation fails instead.
    if (!text.isEmpty() && (text[0] == QChar(0xFEFF) || text[0] == QChar(0xFFFE)))
        return false;
    // Bound by its length, so that a NUL inside the text is stored with the rest.
    if (text.size() > std::numeric_limits<int>::max() / 2)
        return false;
    const int nIndex = ParameterIndex(pszName);
    // A null pointer would bind NULL; an empty name must be stored as an empty text.
    const void* pText = text.isNull() ? static_cast<const void*>(u"") : text.utf16();
    return nIndex > 0 && sqlite3_bind_text16(m_pStmt, nIndex, pText, int(text.size() * 2),
                                             SQLITE_STATIC) == SQLITE_OK;
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

qint64 CStatement::ColumnInt64(int nColumn) const {
    return sqlite3_column_int64(m_pStmt, nColumn);
}

double CStatement::ColumnDouble(int nColumn) const {
    return sqlite3_column_double(m_pStmt, nColumn);
}

bool CStatement::ColumnInt32(int nColumn, qint32& nValue) const {
    const qint64 nStored = ColumnInt64(nColumn);
    if (nStored < std::numeric_limits<qint32>::min() ||
        nStored > std::numeric_limits<qint32>::max())
        return false;
    nValue = qint32(nStored);
    return true;
}

QStringView CStatement::ColumnView(int nColumn) const {
    // Built from the pointer and the stored length: QString::fromUtf16 would drop a leading
    // U+FEFF as a byte order mark, and a text that holds a NUL (any other program may store
    // one) must not end there. The length is asked after the text, which it describes.
    const auto* pText = static_cast<const char16_t*>(sqlite3_column_text16(m_pStmt, nColumn));
    const int nBytes = sqlite3_column_bytes16(m_pStmt, nColumn);
    return pText ? QStringView(pText, nBytes / 2) : QStringView();
}
