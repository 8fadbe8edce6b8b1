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
// device) counts as "no file", so a stray path can never hang or flood a reader.
class CRegularFile {
public:
    // Stamp of the regular file at `path` (symbolic links followed). False when there is
    // none or it is not a regular file.
    static bool Stat(const QString& path, CFileStamp& stamp);

    // Reads the whole file. `stamp` receives the file's stamp taken before reading; compare
    // it with a later Stat to learn whether the bytes may be stale.
    static bool Read(const QString& path, QByteArray& bytes, CFileStamp* stamp = nullptr);

    // Whether the file holds exactly `bytes`, read in small pieces and stopped at the first
    // difference: cheaper than reading it whole when only sameness matters. `stamp` receives
    // the file's stamp taken before reading.
    static bool HasContent(const QString& path, QByteArrayView bytes, CFileStamp& stamp);

    // Wall-clock time in nanoseconds since the epoch, on the scale of CFileStamp::mtimeNs.
    static std::int64_t NowNs();
};
