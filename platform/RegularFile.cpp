#include "RegularFile.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

CFileStamp StampOf(const struct stat& st) {
    CFileStamp stamp;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::int64_t>(st.st_size);
    stamp.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 +
                    static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    return stamp;
}

using Status = CRegularFile::Status;

void Report(Status* status, Status value) {
    if (status)
        *status = value;
}

// Nothing there (or no folder on the way) is a missing file; anything else that stops us is
// a file we may not read.
Status StatusOfError(int error) {
    return error == ENOENT || error == ENOTDIR ? Status::Missing : Status::Unreadable;
}

// Type and size, the checks made before a single byte is read.
Status StatusOf(const struct stat& st) {
    if (!S_ISREG(st.st_mode))
        return Status::Unreadable;
    return st.st_size > CRegularFile::kMaxSize ? Status::TooLarge : Status::Ok;
}

// Opens a regular file for reading. O_NONBLOCK: opening a FIFO would otherwise wait for a
// writer; it is refused right after by the type check.
int OpenRegular(const QString& path, struct stat& st, Status* status = nullptr,
                int* error = nullptr) {
    if (error)
        *error = 0;
    if (path.isEmpty()) {
        Report(status, Status::Missing);
        return -1;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = errno;
        Report(status, StatusOfError(errno));
        return -1;
    }
    if (::fstat(fd, &st) != 0) {
        if (error)
            *error = errno;
        Report(status, Status::Unreadable);
        ::close(fd);
        return -1;
    }
    const Status checked = StatusOf(st);
    Report(status, checked);
    if (checked != Status::Ok) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// read() until `size` bytes or the end of the file; -1 on error.
qsizetype ReadFully(int fd, char* data, qsizetype size) {
    qsizetype filled = 0;
    while (filled < size) {
        const ssize_t n = ::read(fd, data + filled, static_cast<size_t>(size - filled));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        filled += n;
    }
    return filled;
}

} // namespace

bool CRegularFile::Stat(const QString& path, CFileStamp& stamp, Status* status) {
    struct stat st;
    if (path.isEmpty()) {
        Report(status, Status::Missing);
        return false;
    }
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        Report(status, StatusOfError(errno));
        return false;
    }
    const Status checked = StatusOf(st);
    Report(status, checked);
    if (checked != Status::Ok)
        return false;
    stamp = StampOf(st);
    return true;
}

bool CRegularFile::Read(const QString& path, QByteArray& bytes, CFileStamp* stamp, Status* status,
                        int* error) {
    struct stat st;
    const int fd = OpenRegular(path, st, status, error);
    if (fd < 0)
        return false;
    if (stamp)
        *stamp = StampOf(st);
    // The size is a hint only: the file may grow while we read (or report 0, as files under
    // /proc do), so read on past it, but never beyond the limit.
    QByteArray data;
    qsizetype filled = 0;
    for (qsizetype want = st.st_size > 0 ? qsizetype(st.st_size) + 1 : 4096;;
         want = std::min<qsizetype>(want * 2, kMaxSize + 1)) {
        data.resize(want);
        const qsizetype n = ReadFully(fd, data.data() + filled, want - filled);
        if (n < 0) {
            if (error)
                *error = errno;
            Report(status, Status::Unreadable);
            ::close(fd);
            return false;
        }
        filled += n;
        if (filled > kMaxSize) {
            Report(status, Status::TooLarge);
            ::close(fd);
            return false;
        }
        if (filled < want)
            break;
    }
    ::close(fd);
    data.truncate(filled);
    bytes = std::move(data);
    return true;
}

bool CRegularFile::HasContent(const QString& path, QByteArrayView bytes, CFileStamp& stamp) {
    struct stat st;
    const int fd = OpenRegular(path, st);
    if (fd < 0)
        return false;
    stamp = StampOf(st);
    bool same = st.st_size == bytes.size();
    constexpr qsizetype kChunk = qsizetype(256) * 1024;
    static thread_local QByteArray buffer(kChunk + 1, Qt::Uninitialized);
    for (qsizetype offset = 0; same;) {
        // One byte more than expected, to notice a file that grew since the fstat.
        const qsizetype want = std::min(kChunk, bytes.size() - offset + 1);
        const qsizetype n = ReadFully(fd, buffer.data(), want);
        if (n < 0 || n > bytes.size() - offset ||
            (n > 0 && std::memcmp(buffer.constData(), bytes.data() + offset, size_t(n)) != 0)) {
            same = false;
        } else if (n < want) {
            same = offset + n == bytes.size(); // the end of the file
            break;
        }
        offset += n;
    }
    ::close(fd);
    return same;
}

std::int64_t CRegularFile::NowNs() {
    struct timespec ts;
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}
