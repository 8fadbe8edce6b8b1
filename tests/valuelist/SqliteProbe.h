#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;
struct sqlite3_stmt;

// A second, independent connection to a database file: it checks what really is on disk
// and takes the locks that another program would hold.
class SqliteProbe {
public:
    explicit SqliteProbe(const QString& path);
    ~SqliteProbe();
    SqliteProbe(const SqliteProbe&) = delete;
    SqliteProbe& operator=(const SqliteProbe&) = delete;

    bool IsOpen() const { return m_pDb != nullptr; }
    bool Exec(const QString& sql);
    // First column of every row, as text ("<NULL>" for NULL).
    QStringList Column(const QString& sql);
    int Int(const QString& sql);

    // Starts a query and keeps it stepped on its first row, holding a read lock until
    // EndRead().
    bool BeginRead(const QString& sql);
    void EndRead();

private:
    sqlite3* m_pDb = nullptr;
    sqlite3_stmt* m_pReader = nullptr;
};
