#include "ini/ProfileAccess.h"

#include "platform/ParsedProfile.h"
#include "platform/ProfileApi.h"
#include "platform/ProfileCache.h"
#include "platform/ProfileSnapshot.h"
#include "platform/ProfileSyntax.h"

#include <memory>
#include <vector>

namespace {

// The platform's pins, innermost last: one per BeginRead not yet ended on this thread.
std::vector<std::unique_ptr<CProfileSnapshot>>& Snapshots() {
    thread_local std::vector<std::unique_ptr<CProfileSnapshot>> snapshots;
    return snapshots;
}

} // namespace

unsigned CProfileAccess::GetPrivateProfileSectionNamesW(char16_t* buffer, unsigned size,
                                                        const QString& path) {
    return ::GetPrivateProfileSectionNamesW(buffer, size, path);
}

unsigned CProfileAccess::GetPrivateProfileSectionW(const QString& section, char16_t* buffer,
                                                   unsigned size, const QString& path) {
    return ::GetPrivateProfileSectionW(section, buffer, size, path);
}

int CProfileAccess::WritePrivateProfileStringW(const QString& section, const QString& key,
                                               const QString& value, const QString& path) {
    return ::WritePrivateProfileStringW(section, key, value, path);
}

std::vector<bool>
CProfileAccess::WritePrivateProfileStrings(const std::vector<CProfileWriter::Change>& changes,
                                           const QString& path,
                                           const std::function<void(size_t)>& failed) {
    const std::vector<QString> reasons = CProfileWriter::WriteMany(changes, path, failed);
    std::vector<bool> written(reasons.size());
    for (size_t i = 0; i < reasons.size(); ++i)
        written[i] = reasons[i].isEmpty();
    return written;
}

bool CProfileAccess::BeginRead(const QString& path, QString& errorText) {
    Snapshots().push_back(std::make_unique<CProfileSnapshot>(path));
    switch (Snapshots().back()->status()) {
    case CRegularFile::Status::Ok:
    case CRegularFile::Status::Missing:
        return true;
    case CRegularFile::Status::TooLarge:
        errorText = QStringLiteral("ファイルが大きすぎます: ") + path;
        return false;
    case CRegularFile::Status::Unreadable:
        break;
    }
    errorText = QStringLiteral("ファイルを読み込めません: ") + path;
    return false;
}

void CProfileAccess::EndRead(const QString& path) {
    if (Snapshots().empty())
        return;
    Snapshots().pop_back();
    // The model now holds its own copy of every string; the parsed file (about twice the
    // file's size) would only sit in the cache until the next load parses it again anyway.
    if (CProfileSnapshot::Find(CProfileCache::AbsolutePath(path)) == nullptr)
        CProfileCache::Instance().drop(path);
}

qsizetype CProfileAccess::SectionLength(const QString& section, const QString& path) {
    const CProfileSnapshot* pinned = CProfileSnapshot::Find(CProfileCache::AbsolutePath(path));
    if (pinned == nullptr || pinned->parsed() == nullptr)
        return 0;
    return pinned->parsed()
        ->section(ProfileSyntax::TrimSpaces(ProfileSyntax::CutAtNul(section)))
        .size();
}

CProfileAccess& CProfileAccess::Platform() {
    static CProfileAccess platform;
    return platform;
}
