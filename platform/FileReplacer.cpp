#include "FileReplacer.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

using Result = CFileReplacer::Result;

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes all of `bytes` at `offset`; false with errno set on the first failure. A short
// write (a full disk, a file size limit) shows as the failure of the next call.
bool WriteAt(int fd, const QByteArray& bytes, off_t offset) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n =
            ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return true;
}

// The names of the file's user extended attributes, each ended by a NUL; empty when it has
// none or the file system keeps none.
QByteArray UserAttributeNames(const QByteArray& path) {
    for (;;) {
        const ssize_t size = ::listxattr(path.constData(), nullptr, 0);
        if (size <= 0)
            return {};
        QByteArray names(size, '\0');
        const ssize_t got = ::listxattr(path.constData(), names.data(), size_t(size));
        if (got < 0 && errno == ERANGE)
            continue; // grew in between
        if (got < 0)
            return {};
        names.truncate(got);
        QByteArray user;
        for (const QByteArray& name : names.split('\0')) {
            if (name.startsWith("user."))
                user.append(name).append('\0');
        }
        return user;
    }
}

// Copies the user extended attributes of `from` to the open file `to`. System attributes
// (ACLs, security labels) follow the owner and mode or the folder and are not ours to copy.
bool CopyUserAttributes(const QByteArray& from, int to) {
    const QByteArray names = UserAttributeNames(from);
    for (const QByteArray& name : names.split('\0')) {
        if (name.isEmpty())
            continue;
        const ssize_t size = ::getxattr(from.constData(), name.constData(), nullptr, 0);
        if (size < 0)
            return false;
        QByteArray value(size, '\0');
        const ssize_t got =
            ::getxattr(from.constData(), name.constData(), value.data(), size_t(size));
        if (got < 0 || ::fsetxattr(to, name.constData(), value.constData(), size_t(got), 0) != 0)
            return false;
    }
    return true;
}

// Gives the new file the old one's owner, group and mode. The owner first: a change of owner
// clears setuid and setgid, which the mode then sets again. Whether it all took is checked on
// the file itself, because the system drops what the writer may not give without a word
// (setgid for a group the writer is not in).
bool MatchOwnerAndMode(int fd, const struct stat& old) {
    const int chowned = ::fchown(fd, old.st_uid, old.st_gid);
    Q_UNUSED(chowned); // judged below, with everything else
    if (::fchmod(fd, old.st_mode & 07777) != 0)
        return false;
    struct stat now;
    return ::fstat(fd, &now) == 0 && now.st_uid == old.st_uid && now.st_gid == old.st_gid &&
           (now.st_mode & 07777) == (old.st_mode & 07777);
}

enum class Outcome { Done, Failed, Changed, NeedsInPlace };

// A new file renamed over the old one.
Outcome ReplaceByRename(const QString& target, const QByteArray& bytes, const struct stat* old,
                        const std::function<bool()>& stillCurrent, QString& reason) {
    QSaveFile file(target);
    // Never fall back to writing the file in place: a failure must leave the old file whole.
    file.setDirectWriteFallback(false);
    // Unbuffered: Qt's buffered flush takes a short write (a full disk, a file size limit)
    // for success and commits the truncated file; written directly, it shows in the count.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reason = file.errorString();
        return Outcome::Failed;
    }
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            reason = file.errorString();
            file.cancelWriting();
            return Outcome::Failed;
        }
        done += n;
    }
    // After the text: a write by anyone but root clears setuid and setgid again.
    if (old && !(MatchOwnerAndMode(file.handle(), *old) &&
                 CopyUserAttributes(QFile::encodeName(target), file.handle()))) {
        file.cancelWriting();
        return Outcome::NeedsInPlace; // the destructor removes the temporary file
    }
    // Some file systems report a full disk only when the data goes out; commit() ignores a
    // failed sync, so sync first.
    if (::fsync(file.handle()) != 0) {
        reason = SystemError(errno);
        file.cancelWriting();
        return Outcome::Failed;
    }
    if (!stillCurrent()) {
        file.cancelWriting();
        return Outcome::Changed;
    }
    if (!file.commit()) {
        reason = file.errorString();
        return Outcome::Failed;
    }
    return Outcome::Done;
}

// Puts the old bytes back after a failed write in place.
bool Restore(int fd, const QByteArray& oldBytes) {
    return WriteAt(fd, oldBytes, 0) && ::ftruncate(fd, off_t(oldBytes.size())) == 0 &&
           ::fsync(fd) == 0;
}

Outcome WriteInPlace(const QString& target, const QByteArray& bytes, const QByteArray& oldBytes,
                     mode_t oldMode, const std::function<bool()>& stillCurrent, QString& reason) {
    const QFileInfo info(target);
    QTemporaryFile backup(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                          QStringLiteral(".quillet-backup-XXXXXX"));
    if (!backup.open()) {
        reason = backup.errorString();
        return Outcome::Failed;
    }
    if (!WriteAt(backup.handle(), oldBytes, 0) || ::fsync(backup.handle()) != 0) {
        reason = SystemError(errno);
        return Outcome::Failed; // the old file is untouched; the copy goes with `backup`
    }
    const int fd = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        reason = SystemError(errno);
        return Outcome::Failed;
    }
    const auto fail = [&](int error) {
        reason = SystemError(error);
        ::close(fd);
        return Outcome::Failed;
    };
    if (!stillCurrent()) {
        ::close(fd);
        return Outcome::Changed;
    }
    // Room first: when it cannot be had, not one old byte has been overwritten yet.
    if (bytes.size() > oldBytes.size()) {
        const int error = ::posix_fallocate(fd, 0, off_t(bytes.size()));
        if (error != 0) {
            const int cut = ::ftruncate(fd, off_t(oldBytes.size()));
            Q_UNUSED(cut); // fallocate keeps the old bytes; this only drops a partial growth
            return fail(error);
        }
    }
    if (!WriteAt(fd, bytes, 0) || ::ftruncate(fd, off_t(bytes.size())) != 0 || ::fsync(fd) != 0) {
        const int error = errno;
        if (!Restore(fd, oldBytes)) {
            backup.setAutoRemove(false);
            reason = SystemError(error) + QStringLiteral("; the old text is kept in ") +
                     backup.fileName();
            ::close(fd);
            return Outcome::Failed;
        }
        return fail(error);
    }
    // The system clears setuid and setgid when anyone but root writes a file; its owner may
    // set them again.
    struct stat now;
    if (::fstat(fd, &now) == 0 && (now.st_mode & 07777) != (oldMode & 07777)) {
        const int restored = ::fchmod(fd, oldMode & 07777);
        Q_UNUSED(restored); // a writer who does not own the file cannot; the text is saved
    }
    if (::close(fd) != 0) {
        reason = SystemError(errno);
        return Outcome::Failed;
    }
    return Outcome::Done;
}

} // namespace

CFileReplacer::Result CFileReplacer::Replace(const QString& target, const QByteArray& bytes,
                                             const struct stat* old, const QByteArray& oldBytes,
                                             const std::function<bool()>& stillCurrent,
                                             QString& reason) {
    Outcome outcome = Outcome::NeedsInPlace;
    // Another name of the file would keep the old text after a rename.
    if (!old || old->st_nlink <= 1)
        outcome = ReplaceByRename(target, bytes, old, stillCurrent, reason);
    if (outcome == Outcome::NeedsInPlace)
        outcome = WriteInPlace(target, bytes, oldBytes, old->st_mode, stillCurrent, reason);
    switch (outcome) {
    case Outcome::Done:
        return Result::Done;
    case Outcome::Changed:
        return Result::Changed;
    default:
        return Result::Failed;
    }
}
