#pragma once

#include <QProcess>
#include <QStandardPaths>
#include <QString>

// Another program holding a database file: the sqlite3 shell, in a process of its own, takes
// a lock and keeps it for the given time before it lets go and ends.
class ChildLock {
public:
    // lockStatement: "BEGIN EXCLUSIVE" or "BEGIN; SELECT COUNT(*) FROM sqlite_master" (a read
    // lock). Started() tells whether the lock is held when the constructor returns.
    ChildLock(const QString& path, const QString& lockStatement, double seconds) {
        const QString shell = QStandardPaths::findExecutable("sqlite3");
        if (shell.isEmpty())
            return;
        m_process.start(shell, {path});
        if (!m_process.waitForStarted(5000))
            return;
        m_process.write((lockStatement + "; SELECT 'locked';\n.shell sleep " +
                         QString::number(seconds) + "\nCOMMIT;\n")
                            .toUtf8());
        m_process.closeWriteChannel();
        while (!m_bStarted && m_process.waitForReadyRead(5000))
            m_bStarted = m_process.readAllStandardOutput().contains("locked");
    }
    ~ChildLock() { m_process.waitForFinished(10000); }
    ChildLock(const ChildLock&) = delete;
    ChildLock& operator=(const ChildLock&) = delete;

    bool Started() const { return m_bStarted; }
    // Waits until the child has let go and ended.
    bool Finish() { return m_process.waitForFinished(10000); }

private:
    QProcess m_process;
    bool m_bStarted = false;
};
