#include "ProfileCache.h"

#include "FolderLock.h"
#include "ParsedProfile.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>

CProfileCache& CProfileCache::Instance() {
    static CProfileCache cache;
    return cache;
}

QString CProfileCache::AbsolutePath(const QString& path) {
    if (path.isEmpty())
        return path;
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

bool CProfileCache::IsSettled(const CFileStamp& stamp, std::int64_t nowNs) {
    constexpr std::int64_t kSecondNs = 1'000'000'000;
    const bool wholeSeconds = stamp.mtimeNs % kSecondNs == 0;
    return nowNs - stamp.mtimeNs >= (wholeSeconds ? kCoarseTimeNs : kFineTimeNs);
}

std::vector<CProfileCache::Entry>::iterator CProfileCache::find(const QString& path) {
    return std::find_if(m_entries.begin(), m_entries.end(),
                        [&](const Entry& e) { return e.path == path; });
}

bool CProfileCache::LockFolderOf(const QString& path, std::optional<CFolderLock>& lock,
                                 CRegularFile::Status* status) {
    // The bytes are read under the lock of the folder that holds the file itself (a write
    // through a symbolic link locks the target's folder). A folder we may not open cannot be
    // locked; its files are read as they are. A lock held past the wait means a writer is
    // stuck mid-write.
    lock.emplace(QFileInfo(QFileInfo(path).canonicalFilePath()).absolutePath(),
                 CFolderLock::Mode::Shared);
    if (!lock->isHeld() && lock->error() == EWOULDBLOCK) {
        if (status)
            *status = CRegularFile::Status::Unreadable;
        lock.reset();
        return false;
    }
    return true;
}

bool CProfileCache::ReadWhole(const QString& rawPath, QByteArray& bytes,
                              CRegularFile::Status* status) {
    const QString path = AbsolutePath(rawPath);
    CFileStamp stamp;
    if (!CRegularFile::Stat(path, stamp, status))
        return false;
    std::optional<CFolderLock> folderLock;
    return LockFolderOf(path, folderLock, status) &&
           CRegularFile::Read(path, bytes, nullptr, status);
}

std::shared_ptr<const CParsedProfile> CProfileCache::get(const QString& rawPath,
                                                         CRegularFile::Status* status) {
    const QString path = AbsolutePath(rawPath);
    std::lock_guard lock(m_mutex);
    auto it = find(path);

    CFileStamp stamp;
    if (!CRegularFile::Stat(path, stamp, status)) {
        if (it != m_entries.end())
            m_entries.erase(it);
        return nullptr;
    }
    if (it != m_entries.end() && it->trusted && it->stamp == stamp) {
        std::rotate(m_entries.begin(), it, it + 1);
        return m_entries.front().parsed;
    }

    std::optional<CFolderLock> folderLock;
    if (!LockFolderOf(path, folderLock, status))
        return nullptr;

    if (it != m_entries.end() && it->stamp == stamp && !it->trusted) {
        // A young entry whose stamp still matches: only the bytes can tell.
        CFileStamp readStamp;
        if (CRegularFile::HasContent(path, it->bytes, readStamp) && readStamp == stamp) {
            if (IsSettled(stamp, CRegularFile::NowNs())) {
                it->trusted = true; // compared after its time settled: later edits show
                it->bytes = QByteArray();
            }
            std::rotate(m_entries.begin(), it, it + 1);
            return m_entries.front().parsed;
        }
    }

    QByteArray bytes;
    if (!CRegularFile::Read(path, bytes, &stamp, status)) {
        if (it != m_entries.end())
            m_entries.erase(it);
        return nullptr;
    }
    Entry entry;
    entry.path = path;
    entry.stamp = stamp;
    entry.trusted = IsSettled(stamp, CRegularFile::NowNs());
    entry.parsed = std::make_shared<const CParsedProfile>(bytes);
    ++m_parseCount;
    if (!entry.trusted)
        entry.bytes = std::move(bytes);
    if (it != m_entries.end()) {
        *it = std::move(entry);
    } else {
        if (m_entries.size() >= kMaxEntries)
            m_entries.pop_back();
        m_entries.push_back(std::move(entry));
        it = m_entries.end() - 1;
    }
    std::rotate(m_entries.begin(), it, it + 1);
    return m_entries.front().parsed;
}

void CProfileCache::drop(const QString& path) {
    const QString absolute = AbsolutePath(path);
    std::lock_guard lock(m_mutex);
    const auto it = find(absolute);
    if (it != m_entries.end())
        m_entries.erase(it);
}

void CProfileCache::clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
}

std::uint64_t CProfileCache::parseCount() const {
    std::lock_guard lock(m_mutex);
    return m_parseCount;
}
