#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

// What identifies one version of a file on disk: a rename replaces the inode, an edit in
// place changes the size or the modification time.
struct CFileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0; // nanoseconds since the epoch

    friend bool operator==(const CFileStamp&, const CFileStamp&) = default;
};

// Reading of regular files only. Anything else (a directory, a FIFO that would block, a
// device) is refused, so a stray path can never hang or flood a reader.
class CRegularFile {
public:
    // Why a file could or could not be read. A caller that must tell a missing file (an
    // empty model) from one it may not read (an error) looks at this.
    enum class Status {
        Ok,
        Missing,    // nothing at the path (a dangling symbolic link too)
        Unreadable, // there is something, but no regular file we may read to the end
        TooLarge,   // larger than kMaxSize
    };

    // No INI file the section buffers can hold comes near this; a larger one (a disk image,
    // a sparse file) is refused before reading, so it can neither exhaust memory nor keep
    // a reader busy for minutes.
    static constexpr std::int64_t kMaxSize = std::int64_t(256) * 1024 * 1024;

    // Stamp of the regular file at `path` (symbolic links followed). False when there is
    // none, it is not a regular file or it is larger than kMaxSize; `status` says which.
    static bool Stat(const QString& path, CFileStamp& stamp, Status* status = nullptr);

    // Reads the whole file. `stamp` receives the file's stamp taken before reading; compare
    // it with a later Stat to learn whether the bytes may be stale. `error` receives errno
    // of a failed open or read (0 for a file refused by type or size).
    static bool Read(const QString& path, QByteArray& bytes, CFileStamp* stamp = nullptr,
                     Status* status = nullptr, int* error = nullptr);

    // Whether the file holds exactly `bytes`, read in small pieces and stopped at the first
    // difference: cheaper than reading it whole when only sameness matters. `stamp` receives
    // the file's stamp taken before reading.
    static bool HasContent(const QString& path, QByteArrayView bytes, CFileStamp& stamp);

    // Wall-clock time in nanoseconds since the epoch, on the scale of CFileStamp::mtimeNs.
    static std::int64_t NowNs();
};
