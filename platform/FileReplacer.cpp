#include "FileReplacer.h"

#include "FolderLock.h"
#include "RegularFile.h"
#include "WorkProgress.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/uio.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

using Result = CFileReplacer::Result;

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// A large file goes out in pieces, each reported, so that a window can show the write's
// progress. Replace runs to its end (CWorkProgress::RunToEnd): the report never throws here.
constexpr qsizetype kWritePiece = qsizetype(4) * 1024 * 1024;

using Pieces = CFileReplacer::Pieces;

qsizetype TotalSize(const Pieces& pieces) {
    qsizetype total = 0;
    for (const QByteArrayView piece : pieces)
        total += piece.size();
    return total;
}

// Writes all of `pieces`, one after another, at `offset`; false with errno set on the first
// failure. A short write (a full disk, a file size limit) shows as the failure of the next call.
bool WriteAt(int fd, const Pieces& pieces, off_t offset) {
    constexpr int kVectors = 64;
    const qsizetype total = TotalSize(pieces);
    size_t piece = 0;
    qsizetype within = 0; // bytes of pieces[piece] already written
    for (qsizetype done = 0; done < total;) {
        CWorkProgress::Step(done, total);
        iovec vectors[kVectors];
        int count = 0;
        qsizetype size = 0;
        for (size_t p = piece, skip = size_t(within);
             p < pieces.size() && count < kVectors && size < kWritePiece; ++p, skip = 0) {
            const qsizetype take = std::min(pieces[p].size() - qsizetype(skip), kWritePiece - size);
            if (take > 0)
                vectors[count++] = {const_cast<char*>(pieces[p].data()) + skip, size_t(take)};
            size += take;
        }
        const ssize_t n = ::pwritev(fd, vectors, count, offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        done += n;
        for (qsizetype left = n; left > 0;) { // past what was written
            const qsizetype rest = pieces[piece].size() - within;
            if (left < rest) {
                within += left;
                break;
            }
            left -= rest;
            ++piece;
            within = 0;
        }
    }
    return true;
}

bool WriteAt(int fd, const QByteArray& bytes, off_t offset) {
    return WriteAt(fd, Pieces{QByteArrayView(bytes)}, offset);
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

std::function<void()>& StepHook() {
    static std::function<void()> hook;
    return hook;
}

// Marks the point right before a step of a write changes something on disk.
void Step() {
    if (StepHook())
        StepHook()();
}

// The copy of the old text lives beside the file under one of two names: ".NAME.quillet-partial-"
// while it is written, ".NAME.quillet-backup-" once it is complete and synced. A copy found
// under the backup name can therefore be trusted to hold the whole old file.
QString SidePrefix(const QString& target, QLatin1String kind) {
    const QFileInfo info(target);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() +
           QStringLiteral(".quillet-") + kind + QLatin1Char('-');
}

const QLatin1String kPartial("partial");
const QLatin1String kBackup("backup");
constexpr int kSuffixLength = 6; // mkostemp's XXXXXX

// The files beside `target` named with the prefix for `kind` and a generated suffix.
QStringList FilesBeside(const QString& target, QLatin1String kind) {
    const QString prefix = SidePrefix(target, kind);
    const QFileInfo info(prefix);
    const QString namePrefix = info.fileName();
    QStringList found;
    QDirIterator it(info.absolutePath(), QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (name.size() == namePrefix.size() + kSuffixLength && name.startsWith(namePrefix))
            found.append(it.filePath());
    }
    found.sort();
    return found;
}

// Syncs the folder of `path`, so that a name made or removed there survives a power loss.
bool SyncFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Some file systems cannot sync a folder at all; they have nothing to lose by it either.
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
    ::close(fd);
    return synced;
}

const QLatin1String kNew("new");

// Creates a new file beside `target` named with the prefix for `kind` and a random suffix,
// as mkostemp would, but with `mode` (less the umask) rather than 0600. Returns its name;
// `fd` is -1 with errno set on failure.
QByteArray CreateBeside(const QString& target, QLatin1String kind, mode_t mode, int& fd) {
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const QByteArray prefix = QFile::encodeName(SidePrefix(target, kind));
    for (int tries = 0; tries < 100; ++tries) {
        QByteArray name = prefix;
        for (int i = 0; i < kSuffixLength; ++i)
            name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)];
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return name;
    }
    return {};
}

// A new file renamed over the old one. It is written as ".NAME.quillet-new-XXXXXX", so that
// one left by a process killed before the rename is recognised and removed by the next write.
Outcome ReplaceByRename(const QString& target, const Pieces& bytes, const struct stat* old,
                        const std::function<bool()>& stillCurrent, QString& reason) {
    // A new file gets the usual mode less the umask; one replacing a file gets its mode below.
    int fd = -1;
    const QByteArray temp = CreateBeside(target, kNew, old ? 0600 : 0666, fd);
    if (fd < 0) {
        reason = SystemError(errno);
        return Outcome::Failed;
    }
    const auto abandon = [&](Outcome outcome) {
        ::close(fd);
        ::unlink(temp.constData());
        return outcome;
    };
    Step();
    if (!WriteAt(fd, bytes, 0)) {
        reason = SystemError(errno);
        return abandon(Outcome::Failed);
    }
    // After the text: a write by anyone but root clears setuid and setgid again.
    if (old && !(MatchOwnerAndMode(fd, *old) && CopyUserAttributes(QFile::encodeName(target), fd)))
        return abandon(Outcome::NeedsInPlace);
    Step();
    // Some file systems report a full disk only when the data goes out.
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        reason = SystemError(errno);
        fd = -1;
        ::unlink(temp.constData());
        return Outcome::Failed;
    }
    fd = -1;
    if (!stillCurrent()) {
        ::unlink(temp.constData());
        return Outcome::Changed;
    }
    Step();
    if (::rename(temp.constData(), QFile::encodeName(target).constData()) != 0) {
        reason = SystemError(errno);
        ::unlink(temp.constData());
        return Outcome::Failed;
    }
    Step();
    SyncFolder(target); // the new text is in place either way; this makes the name last
    return Outcome::Done;
}

// Puts the old bytes back after a failed write in place.
bool Restore(int fd, const QByteArray& oldBytes) {
    return WriteAt(fd, oldBytes, 0) && ::ftruncate(fd, off_t(oldBytes.size())) == 0 &&
           ::fsync(fd) == 0;
}

// Removes the copy of the old text once it is no longer needed.
bool RemoveCopy(const QString& copy) {
    Step();
    if (::unlink(QFile::encodeName(copy).constData()) != 0)
        return false;
    Step();
    return SyncFolder(copy);
}

// Writes the old bytes to a new file beside the target, syncs it, then gives it the backup
// name and syncs the folder. Only then may the target be touched. Returns the copy's path,
// empty with `reason` set on failure (nothing is left behind then).
QString MakeBackup(const QString& target, const QByteArray& oldBytes, QString& reason) {
    QByteArray partial = QFile::encodeName(SidePrefix(target, kPartial)) + "XXXXXX";
    const int fd = ::mkostemp(partial.data(), O_CLOEXEC);
    if (fd < 0) {
        reason = SystemError(errno);
        return {};
    }
    const QString backup =
        SidePrefix(target, kBackup) + QFile::decodeName(partial.right(kSuffixLength));
    const QByteArray backupName = QFile::encodeName(backup);
    Step();
    bool written = WriteAt(fd, oldBytes, 0);
    if (written) {
        Step();
        written = ::fsync(fd) == 0;
    }
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written) {
        Step();
        // Never over another copy: that one may be all that is left of an earlier save.
        written = ::renameat2(AT_FDCWD, partial.constData(), AT_FDCWD, backupName.constData(),
                              RENAME_NOREPLACE) == 0;
        if (!written && (errno == EINVAL || errno == ENOSYS)) // a file system without it
            written = ::link(partial.constData(), backupName.constData()) == 0 &&
                      ::unlink(partial.constData()) == 0;
        error = errno;
    }
    if (!written) {
        ::unlink(partial.constData());
        reason = SystemError(error);
        return {};
    }
    Step();
    if (!SyncFolder(backup)) {
        reason = SystemError(errno);
        ::unlink(backupName.constData());
        return {};
    }
    return backup;
}

// Writes the new bytes over the old ones in the open file. On failure puts the old bytes back;
// false with `reason` set, and `keepCopy` set when even that failed.
bool OverwriteInPlace(int fd, const Pieces& bytes, const QByteArray& oldBytes, QString& reason,
                      bool& keepCopy) {
    const qsizetype size = TotalSize(bytes);
    // Room first: when it cannot be had, not one old byte has been overwritten yet.
    if (size > oldBytes.size()) {
        Step();
        const int error = ::posix_fallocate(fd, 0, off_t(size));
        if (error != 0) {
            const int cut = ::ftruncate(fd, off_t(oldBytes.size()));
            Q_UNUSED(cut); // fallocate keeps the old bytes; this only drops a partial growth
            reason = SystemError(error);
            return false;
        }
    }
    Step();
    bool done = WriteAt(fd, bytes, 0);
    if (done) {
        Step();
        done = ::ftruncate(fd, off_t(size)) == 0;
    }
    if (done) {
        Step();
        done = ::fsync(fd) == 0;
    }
    if (done)
        return true;
    reason = SystemError(errno);
    keepCopy = !Restore(fd, oldBytes);
    return false;
}

Outcome WriteInPlace(const QString& target, const Pieces& bytes, const QByteArray& oldBytes,
                     mode_t oldMode, const std::function<bool()>& stillCurrent, QString& reason) {
    const QString backup = MakeBackup(target, oldBytes, reason);
    if (backup.isEmpty())
        return Outcome::Failed; // the old file is untouched
    const int fd = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        // Deleted since it was read: the caller starts over and creates it, as for any write
        // to a missing file.
        const Outcome outcome = errno == ENOENT ? Outcome::Changed : Outcome::Failed;
        reason = SystemError(errno);
        RemoveCopy(backup);
        return outcome;
    }
    if (!stillCurrent()) {
        ::close(fd);
        RemoveCopy(backup);
        return Outcome::Changed;
    }
    bool keepCopy = false;
    if (!OverwriteInPlace(fd, bytes, oldBytes, reason, keepCopy)) {
        ::close(fd);
        if (keepCopy)
            reason += QStringLiteral("; the old text is kept in ") + backup;
        else
            RemoveCopy(backup);
        return Outcome::Failed;
    }
    // The system clears setuid and setgid when anyone but root writes a file; its owner may
    // set them again.
    struct stat now;
    if (::fstat(fd, &now) == 0 && (now.st_mode & 07777) != (oldMode & 07777)) {
        const int restored = ::fchmod(fd, oldMode & 07777);
        Q_UNUSED(restored); // a writer who does not own the file cannot; the text is saved
    }
    if (::close(fd) != 0) {
        // The new text was synced, yet the system reports an error: keep the copy.
        reason = SystemError(errno) + QStringLiteral("; the old text is kept in ") + backup;
        return Outcome::Failed;
    }
    // The new text is complete and synced: the copy has done its work. Should its removal
    // fail, the next write names it, which is better than losing sight of it.
    RemoveCopy(backup);
    return Outcome::Done;
}

} // namespace

CFileReplacer::Result CFileReplacer::Replace(const QString& target, const QByteArray& bytes,
                                             const struct stat* old, const QByteArray& oldBytes,
                                             const std::function<bool()>& stillCurrent,
                                             QString& reason) {
    return Replace(target, Pieces{QByteArrayView(bytes)}, old, oldBytes, stillCurrent, reason);
}

CFileReplacer::Result CFileReplacer::Replace(const QString& target, const Pieces& bytes,
                                             const struct stat* old, const QByteArray& oldBytes,
                                             const std::function<bool()>& stillCurrent,
                                             QString& reason) {
    // Once the file is touched there is no way back: the steps below report, never stop.
    const CWorkProgress runToEnd{CWorkProgress::RunToEnd()};
    // A copy beside the file means a save was cut off: the file may be damaged and the copy
    // may be all that is left of its old text. Nothing is written until the user has looked.
    if (const QString copy = InterruptedBackup(target); !copy.isEmpty()) {
        reason = QStringLiteral("a backup of an interrupted save is beside the file: ") + copy +
                 QStringLiteral("; compare the two, copy the backup over the file if the file is "
                                "damaged, then delete the backup");
        return Result::Failed;
    }
    // A copy cut off while it was written is worth nothing: the file was not touched yet;
    // nor is a new text whose rename never came. Writers of one folder take turns, so no
    // other write of ours is making one now.
    for (const QLatin1String kind : {kPartial, kNew}) {
        for (const QString& left : FilesBeside(target, kind))
            QFile::remove(left);
    }
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

QString CFileReplacer::InterruptedBackup(const QString& target) {
    const QStringList copies = FilesBeside(target, kBackup);
    if (!copies.isEmpty())
        return copies.first();
    // The copy is named after the name the save went through; another name of the same file
    // (a hard link beside it) is the same damaged file, known by its device and inode.
    struct stat file;
    if (::stat(QFile::encodeName(target).constData(), &file) != 0 || file.st_nlink <= 1)
        return {};
    const QFileInfo info(target);
    const QString infix = QStringLiteral(".quillet-") + kBackup + u'-';
    QDirIterator it(info.absolutePath(), QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        const qsizetype at = name.size() - kSuffixLength - infix.size();
        if (at < 2 || !name.startsWith(u'.') || name.mid(at, infix.size()) != infix)
            continue;
        struct stat other;
        const QString original = info.absolutePath() + u'/' + name.mid(1, at - 1);
        if (::stat(QFile::encodeName(original).constData(), &other) == 0 &&
            other.st_dev == file.st_dev && other.st_ino == file.st_ino)
            return it.filePath();
    }
    return {};
}

namespace {

// Writes `bytes` to a new file of its own at `path` and syncs it; false with errno set.
bool WriteNewFile(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool written = WriteAt(fd, bytes, 0) && ::fsync(fd) == 0;
    const int error = errno;
    written = ::close(fd) == 0 && written;
    if (!written) {
        ::unlink(path.constData());
        errno = error;
    }
    return written;
}

// A name for the damaged text beside `target` that no file has yet.
QString DamagedName(const QString& target) {
    const QString stem = target + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = stem;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + u'-' + QString::number(n);
    return name;
}

} // namespace

bool CFileReplacer::RestoreBackup(const QString& target, const QString& backup,
                                  QString& damagedCopy, QString& reason) {
    const CFolderLock lock(QFileInfo(target).absolutePath(), CFolderLock::Mode::Exclusive);
    if (!lock.isHeld()) {
        reason = SystemError(lock.error());
        return false;
    }
    QByteArray old;
    QByteArray damaged;
    int error = 0;
    if (!CRegularFile::Read(backup, old, nullptr, nullptr, &error)) {
        reason = SystemError(error != 0 ? error : EINVAL);
        return false;
    }
    const bool exists = QFileInfo::exists(target);
    if (exists && !CRegularFile::Read(target, damaged, nullptr, nullptr, &error)) {
        reason = SystemError(error != 0 ? error : EINVAL);
        return false;
    }
    if (exists) {
        damagedCopy = DamagedName(target);
        if (!WriteNewFile(QFile::encodeName(damagedCopy), damaged)) {
            reason = SystemError(errno);
            damagedCopy.clear();
            return false;
        }
    }
    const int fd =
        ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = SystemError(errno);
        return false;
    }
    bool written =
        WriteAt(fd, old, 0) && ::ftruncate(fd, off_t(old.size())) == 0 && ::fsync(fd) == 0;
    error = errno;
    written = ::close(fd) == 0 && written;
    if (!written) {
        reason = SystemError(error); // the copy stays: it is still the whole old text
        return false;
    }
    RemoveCopy(backup);
    return true;
}

void CFileReplacer::SetStepHook(std::function<void()> hook) {
    StepHook() = std::move(hook);
}
