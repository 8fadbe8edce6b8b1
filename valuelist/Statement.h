#pragma once

#include <QString>
#include <QStringView>

struct sqlite3;
struct sqlite3_stmt;

// One prepared SQLite statement, finalized when it goes out of scope. Statements are prepared
// from UTF-16 text and exchange text as UTF-16, which is the database's own encoding, so no
// text is converted on the way in or out. Parameters are addressed by name (":pid", ...).
class CStatement {
public:
    // Prepares the statement; IsPrepared() tells whether that worked. A null connection
    // gives an unprepared statement.
    CStatement(sqlite3* pDb, const char16_t* pszSql);
    ~CStatement();
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    bool IsPrepared() const { return m_pStmt != nullptr; }

    // Integers travel as 64-bit values, the width SQLite stores them with.
    bool BindInt(const char* pszName, qint64 nValue);
    bool BindDouble(const char* pszName, double value);
    bool BindNull(const char* pszName);
    // The text is bound without a copy: it must stay alive and unchanged until the statement
    // has been stepped and reset (or finalized). A text that begins with U+FEFF or U+FFFE
    // cannot be stored unchanged and is refused.
    bool BindText(const char* pszName, const QString& text);

    // The raw SQLite result code: SQLITE_ROW, SQLITE_DONE or an error.
    int Step();
    bool StepDone();
    void Reset();
    void Finalize();

    bool IsNull(int nColumn) const;
    qint64 ColumnInt64(int nColumn) const;
    double ColumnDouble(int nColumn) const;
    // The column as a 32-bit number; false when the stored number does not fit, so that it
    // is never taken for another, truncated one.
    bool ColumnInt32(int nColumn, qint32& nValue) const;
    // The whole stored text, NUL characters included. Valid until the next Step, Reset or
    // Finalize.
    QStringView ColumnView(int nColumn) const;
    QString ColumnText(int nColumn) const { return ColumnView(nColumn).toString(); }

private:
    int ParameterIndex(const char* pszName);

    sqlite3_stmt* m_pStmt = nullptr;
};
