#include "valuelist/DataBase.h"

#include "valuelist/SqliteReasonText.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <sqlite3.h>

namespace {

// Closing the program must stay quick: a compaction that takes longer is given up (and
// rolled back by SQLite), the file stays as it was.
constexpr qint64 kMaxCompactMs = 500;

int StopWhenLate(void* pTimer) {
    return static_cast<QElapsedTimer*>(pTimer)->hasExpired(kMaxCompactMs) ? 1 : 0;
}

} // namespace

CDataBase::CDataBase(const QString& path) : m_strPath(path) {}

CDataBase::~CDataBase() {
    if (m_pDb) {
        if (!m_bReadOnly)
            CompactIfIdle();
        Close();
    }
}

bool CDataBase::CreateTables() {
    return true;
}

bool CDataBase::Open() {
    Close();
    m_bReadOnly = false;
    ClearError();
    const int rc = sqlite3_open16(m_strPath.utf16(), &m_pDb);
    if (rc == SQLITE_OK) {
        WaitWhenBusy();
        return true;
    }
    // SQLite hands out a connection even when the open fails; keep none, so that no later
    // operation (nor the VACUUM on exit) runs on a connection that never worked.
    KeepOpenError(rc);
    Close();
    return false;
}

bool CDataBase::OpenReadOnly() {
    Close();
    m_bReadOnly = true;
    ClearError();
    const int rc =
        sqlite3_open_v2(m_strPath.toUtf8().constData(), &m_pDb, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK) {
        WaitWhenBusy();
        return true;
    }
    KeepOpenError(rc);
    Close();
    return false;
}

void CDataBase::SetBusyTimeout(int nMilliseconds) {
    if (m_pDb)
        sqlite3_busy_timeout(m_pDb, nMilliseconds);
}

namespace {

CDataBase::BusyQuestion& Question() {
    static CDataBase::BusyQuestion question;
    return question;
}

bool OnMainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

void CDataBase::SetBusyQuestion(BusyQuestion question) {
    Question() = std::move(question);
}

void CDataBase::WaitWhenBusy() {
    if (m_pDb)
        sqlite3_busy_handler(m_pDb, &CDataBase::OnBusy, nullptr);
}

// Called by SQLite while another connection holds the lock; count is 0 at the first call of
// each wait. Nonzero waits on, 0 gives up (the statement fails with "database is locked").
int CDataBase::OnBusy(void*, int count) {
    constexpr int kSleepMs = 10;
    thread_local QElapsedTimer waited;
    if (count == 0)
        waited.start();
    const bool ask = Question() && OnMainThread();
    if (waited.elapsed() >= (ask ? kShortBusyWaitMs : kBusyTimeoutMs)) {
        if (!ask || !Question()())
            return 0;
        waited.start();
    }
    sqlite3_sleep(kSleepMs);
    return 1;
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

// SQLite keeps the code of the last call, successful steps' SQLITE_ROW and SQLITE_DONE
// included; only real errors carry a message worth showing.
static bool HasSqliteError(sqlite3* pDb) {
    const int rc = pDb ? sqlite3_errcode(pDb) : SQLITE_OK;
    return rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE;
}

QString CDataBase::ErrorMessage() const {
    if (HasSqliteError(m_pDb))
        return QString::fromUtf16(static_cast<const char16_t*>(sqlite3_errmsg16(m_pDb)));
    return m_strError;
}

void CDataBase::RememberError() {
    if (HasSqliteError(m_pDb)) {
        m_strError = ErrorMessage();
        m_nErrorCode = sqlite3_extended_errcode(m_pDb);
    }
}

void CDataBase::KeepOpenError(int rc) {
    if (m_pDb && HasSqliteError(m_pDb)) {
        RememberError();
        return;
    }
    m_strError = QString::fromUtf8(sqlite3_errstr(rc));
    m_nErrorCode = rc;
}

QString CDataBase::ErrorText() const {
    const int code = HasSqliteError(m_pDb) ? sqlite3_extended_errcode(m_pDb) : m_nErrorCode;
    return code != SQLITE_OK ? CSqliteReasonText::Japanese(code) : m_strError;
}

// VACUUM rewrites the whole file under an exclusive lock; another window starting or saving
// meanwhile would have to wait for it. So it runs only when there is space to give back and
// no other connection holds the file, it never waits for one, and it stops when it runs long.
void CDataBase::CompactIfIdle() {
    SetBusyTimeout(0);
    sqlite3_stmt* pStmt = nullptr;
    int nFreePages = 0;
    if (sqlite3_prepare_v2(m_pDb, "PRAGMA freelist_count", -1, &pStmt, nullptr) == SQLITE_OK &&
        sqlite3_step(pStmt) == SQLITE_ROW)
        nFreePages = sqlite3_column_int(pStmt, 0);
    sqlite3_finalize(pStmt);
    if (nFreePages <= 0)
        return;
    QElapsedTimer timer;
    timer.start();
    sqlite3_progress_handler(m_pDb, 1000, &StopWhenLate, &timer);
    Execute("VACUUM");
    sqlite3_progress_handler(m_pDb, 0, nullptr, nullptr);
}
