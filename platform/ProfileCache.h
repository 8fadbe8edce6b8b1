#pragma once

#include "FolderLock.h"
#include "RegularFile.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class CParsedProfile;

// Parsed INI files, so that reading a file section by section parses it once.
//
// An entry is reused while the file's stamp (path, device, inode, size, modification time
// in nanoseconds) is unchanged. Timestamps can be coarser than the edits they should tell
// apart, so an entry read while the file's modification time was still within the stamp's
// resolution is only provisional: each use rereads the file and compares the bytes (cheap
// next to parsing), until a comparison made after that window lets it be trusted. A stamp
// without a sub-second part may come from a file system that keeps whole seconds (or two),
// and gets two seconds; any other comes from the kernel's clock, which ticks every few
// milliseconds, and gets a tenth of a second. So reloading a large file right after saving
// it costs a few comparisons, not one per section for two seconds.
class CProfileCache {
public:
    static CProfileCache& Instance();

    // The file at `path` parsed, or null when no regular file can be read there; `status`
    // says why. Relative paths are taken from the current directory. The bytes are read under
    // the folder's shared lock (FolderLock.h), so a write of ours is never seen half done.
    std::shared_ptr<const CParsedProfile> get(const QString& path,
                                              CRegularFile::Status* status = nullptr);

    // The whole file at `path`, read under the folder's shared lock as get() reads it, but
    // neither parsed nor kept: for a reader that makes its own single pass over the text.
    // False when no regular file can be read there; `status` says why.
    static bool ReadWhole(const QString& path, QByteArray& bytes,
                          CRegularFile::Status* status = nullptr);

    // Forgets the file, after a write of our own.
    void drop(const QString& path);
    void clear();

    // How many times a file has been parsed, for tests and benchmarks.
    std::uint64_t parseCount() const;

    // A file at most this much younger than the moment it was read is not trusted by stamp:
    // whole-second stamps, and stamps with a sub-second part.
    static constexpr std::int64_t kCoarseTimeNs = 2'000'000'000;
    static constexpr std::int64_t kFineTimeNs = 100'000'000;

    // Whether a stamp is old enough, at nowNs, that a later change must show in it.
    static bool IsSettled(const CFileStamp& stamp, std::int64_t nowNs);

    static QString AbsolutePath(const QString& path);

private:
    struct Entry {
        QString path;
        CFileStamp stamp;
        bool trusted = false;
        QByteArray bytes; // kept only while not trusted
        std::shared_ptr<const CParsedProfile> parsed;
    };

    static constexpr size_t kMaxEntries = 8;

    std::vector<Entry>::iterator find(const QString& path);
    // Takes the shared lock of the folder that holds the file at the absolute `path` into
    // lock; false, with `status` set, when a writer holds it past the wait.
    static bool LockFolderOf(const QString& path, std::optional<CFolderLock>& lock,
                             CRegularFile::Status* status);

    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries; // most recently used first
    std::uint64_t m_parseCount = 0;
};
