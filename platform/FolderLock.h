#pragma once

#include <QString>

// An advisory lock (flock) on a folder. Every write of ours holds it exclusively for the
// whole read, edit and replace of one file in that folder, and readers hold it shared while
// they read a file's bytes, so that two processes never lose each other's updates and a
// reader never sees a file that is being written in place.
//
// The folder, not the file: a write replaces the file by a rename, and a lock on the old
// file would not stop a writer that opens the new one; a companion lock file would be one
// more file to leave behind. Locking the folder creates nothing and survives every rename.
//
// The wait is bounded: a lock that cannot be had within the timeout is given up, so a stuck
// process makes writes fail instead of hanging every other one.
class CFolderLock {
public:
    enum class Mode { Shared, Exclusive };

    static constexpr int kDefaultTimeoutMs = 5000;

    CFolderLock(const QString& folder, Mode mode, int timeoutMs = kDefaultTimeoutMs);
    ~CFolderLock();

    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    bool isHeld() const { return m_held; }
    // Why the lock is not held: errno of opening the folder, or EWOULDBLOCK when the wait
    // ran out.
    int error() const { return m_error; }

private:
    int m_fd = -1;
    bool m_held = false;
    int m_error = 0;
};
