#include "SqliteProbe.h"

#include <sqlite3.h>

SqliteProbe::SqliteProbe(const QString& path) {
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_pDb, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close_v2(m_pDb);
        m_pDb = nullptr;
    }
}

SqliteProbe::~SqliteProbe() {
    EndRead();
    sqlite3_close_v2(m_pDb);
}

bool SqliteProbe::Exec(const QString& sql) {
    return sqlite3_exec(m_pDb, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

QStringList SqliteProbe::Column(const QString& sql) {
    QStringList rows;
    sqlite3_stmt* pStmt = nullptr;
    if (sqlite3_prepare16_v2(m_pDb, sql.utf16(), -1, &pStmt, nullptr) != SQLITE_OK)
        return {"<PREPARE FAILED>"};
    while (sqlite3_step(pStmt) == SQLITE_ROW) {
        if (sqlite3_column_type(pStmt, 0) == SQLITE_NULL) {
            rows << "<NULL>";
        } else {
            const auto* p = static_cast<const QChar*>(sqlite3_column_text16(pStmt, 0));
            rows << QString(p, sqlite3_column_bytes16(pStmt, 0) / 2);
        }
    }
    sqlite3_finalize(pStmt);
    return rows;
}

int SqliteProbe::Int(const QString& sql) {
    const QStringList rows = Column(sql);
    return rows.isEmpty() ? -999 : rows.first().toInt();
}

bool SqliteProbe::BeginRead(const QString& sql) {
    EndRead();
    if (sqlite3_prepare16_v2(m_pDb, sql.utf16(), -1, &m_pReader, nullptr) != SQLITE_OK)
        return false;
    return sqlite3_step(m_pReader) == SQLITE_ROW;
}

void SqliteProbe::EndRead() {
    if (m_pReader) {
        sqlite3_finalize(m_pReader);
        m_pReader = nullptr;
    }
}
