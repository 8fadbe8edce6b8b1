#include "ProfileApi.h"

#include "ParsedProfile.h"
#include "ProfileCache.h"
#include "ProfileSnapshot.h"
#include "ProfileSyntax.h"
#include "ProfileWriter.h"

#include <algorithm>

namespace {

// The readers' buffer contract: a list that fits with room to spare is copied with its
// closing NUL; anything else (an exact fit included) is cut to size-2 characters and closed
// by two NULs, and size-2 is returned.
unsigned CopyList(QStringView items, char16_t* buffer, unsigned size) {
    if (size < 2) {
        buffer[0] = u'\0';
        return 0;
    }
    const size_t total = size_t(items.size());
    if (total <= size_t(size) - 2) {
        std::copy_n(items.utf16(), total, buffer);
        buffer[total] = u'\0';
        return unsigned(total);
    }
    std::copy_n(items.utf16(), size - 2, buffer);
    buffer[size - 2] = u'\0';
    buffer[size - 1] = u'\0';
    return size - 2;
}

// The version a call reads: the one a snapshot pinned on this thread, else the file as it
// is now. Null when the file cannot be read.
std::shared_ptr<const CParsedProfile> VersionOf(const QString& path) {
    if (const CProfileSnapshot* pinned = CProfileSnapshot::Find(CProfileCache::AbsolutePath(path)))
        return std::shared_ptr<const CParsedProfile>(std::shared_ptr<void>(), pinned->parsed());
    return CProfileCache::Instance().get(path);
}

} // namespace

unsigned GetPrivateProfileSectionNamesW(char16_t* buffer, unsigned size, const QString& path) {
    if (!buffer || size == 0)
        return 0;
    const auto parsed = VersionOf(path);
    return CopyList(parsed ? parsed->names() : QStringView(), buffer, size);
}

unsigned GetPrivateProfileSectionW(const QString& section, char16_t* buffer, unsigned size,
                                   const QString& path) {
    if (!buffer || size == 0)
        return 0;
    const auto parsed = VersionOf(path);
    if (!parsed)
        return CopyList(QStringView(), buffer, size);
    const QStringView name = ProfileSyntax::TrimSpaces(ProfileSyntax::CutAtNul(section));
    return CopyList(parsed->section(name), buffer, size);
}

int WritePrivateProfileStringW(const QString& section, const QString& key, const QString& value,
                               const QString& path) {
    return CProfileWriter::Write(section, key, value, path) ? 1 : 0;
}
