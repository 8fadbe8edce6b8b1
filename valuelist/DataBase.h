#pragma once

#include <QString>
#include <functional>

struct sqlite3;

// One SQLite database file and its connection. The file is opened through the UTF-16 open
// call, so a file that SQLite creates stores its text as UTF-16. Several programs may use the
// file at once: every statement waits a while for another connection's lock before it fails.
class CDataBase {
public:
    explicit CDataBase(const QString& path);
    // Compacts the file (VACUUM) when nobody else uses it, then closes the connection.
    virtual ~CDataBase();
    CDataBase(const CDataBase&) = delete;
    CDataBase& operator=(const CDataBase&) = delete;

    virtual bool CreateTables();

    // (Re)opens the stored path; SQLite creates the file when it is missing. On failure the
    // connection stays closed and ErrorMessage() says why.
    bool Open();
    // Opens the stored path for reading only: a missing file is not created, nothing is ever
    // written (not even the VACUUM on exit). For tools that only look.
    bool OpenReadOnly();
    // Closes the connection without compacting: for a file that must not be touched.
    void Close();
    bool IsOpen() const { return m_pDb != nullptr; }
    const QString& GetPath() const { return m_strPath; }

    // Why the last operation failed, in SQLite's words (or ours, for a file that is not a
    // database of this program); empty when nothing says more than the failure itself.
    QString ErrorMessage() const;
    // The same in the window's Japanese: SQLite's reasons by their result code, ours as they
    // are.
    QString ErrorText() const;

    // How long a statement waits for another connection's lock before it fails.
    static constexpr int kBusyTimeoutMs = 5000;
    void SetBusyTimeout(int nMilliseconds);

    // A window must not freeze for the whole wait: with a question set, a statement on the
    // application's main thread waits only kShortBusyWaitMs and then asks it; true waits that
    // long once more, false gives up. Other threads, and every thread without a question,
    // wait kBusyTimeoutMs. Null removes the question.
    using BusyQuestion = std::function<bool()>;
    static constexpr int kShortBusyWaitMs = 300;
    static void SetBusyQuestion(BusyQuestion question);

protected:
    bool Execute(const char* pszSql);
    // Keeps SQLite's message about the failure that just happened, before a rollback or
    // another statement replaces it.
    void RememberError();
    // Our own reason, in Japanese.
    void SetError(const QString& text) {
        m_strError = text;
        m_nErrorCode = 0;
    }
    void ClearError() { SetError(QString()); }

    QString m_strPath;
    sqlite3* m_pDb = nullptr;
    bool m_bReadOnly = false;

private:
    void CompactIfIdle();
    // Why an open returning rc failed, kept before the connection goes.
    void KeepOpenError(int rc);
    void WaitWhenBusy();
    static int OnBusy(void* unused, int count);

    QString m_strError;
    int m_nErrorCode = 0; // SQLite's result code behind m_strError; 0 for ours
};
