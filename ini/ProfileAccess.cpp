#include "ini/ProfileAccess.h"

#include "ini/IniData.h"
#include "ini/IniSectionData.h"
#include "ini/SectionSink.h"
#include "platform/ParsedProfile.h"
#include "platform/ProfileApi.h"
#include "platform/ProfileCache.h"
#include "platform/ProfileSnapshot.h"
#include "platform/ProfileSyntax.h"
#include "platform/WorkProgress.h"

#include <QStringView>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The platform's pins, innermost last: one per BeginRead not yet ended on this thread.
std::vector<std::unique_ptr<CProfileSnapshot>>& Snapshots() {
    thread_local std::vector<std::unique_ptr<CProfileSnapshot>> snapshots;
    return snapshots;
}

// Keeps BeginRead and EndRead paired on every way out of a read.
class CReadScope {
public:
    CReadScope(CProfileAccess& profile, const QString& path, QString& errorText)
        : m_profile(profile), m_path(path), m_ok(profile.BeginRead(path, errorText)) {}
    ~CReadScope() { m_profile.EndRead(m_path); }
    CReadScope(const CReadScope&) = delete;
    CReadScope& operator=(const CReadScope&) = delete;
    bool ok() const { return m_ok; }

private:
    CProfileAccess& m_profile;
    const QString& m_path;
    bool m_ok;
};

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

bool CProfileAccess::ReadFailure(CRegularFile::Status status, const QString& path,
                                 QString& errorText) {
    switch (status) {
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

bool CProfileAccess::BeginRead(const QString& path, QString& errorText) {
    Snapshots().push_back(std::make_unique<CProfileSnapshot>(path));
    return ReadFailure(Snapshots().back()->status(), path, errorText);
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

bool CProfileAccess::ReadSections(const QString& path, CSectionSink& sink, QString& errorText) {
    const CReadScope scope(*this, path, errorText);
    if (!scope.ok())
        return false;
    constexpr unsigned kSize = CIniData::kNamesBufferSize;
    std::vector<char16_t> names(kSize, u'\0');
    const unsigned count = GetPrivateProfileSectionNamesW(names.data(), kSize, path);
    if (count == kSize - 2) {
        errorText = QStringLiteral("バッファ不足です");
        return false;
    }
    const char16_t* const end = names.data() + names.size();
    for (const char16_t* p = names.data(); p < end && *p != u'\0';) {
        const char16_t* nameEnd = std::find(p, end, u'\0');
        // Not QString::fromUtf16: it would take a leading U+FEFF or U+FFFE for a byte order
        // mark, dropping the one and byte-swapping the name after the other.
        const QString name = QStringView(p, nameEnd - p).toString();
        p = nameEnd + 1;
        CWorkProgress::Step(p - names.data(), count);
        if (!sink.BeginSection(name, errorText))
            return false;
        ReadSection(name, path, sink);
    }
    return true;
}

void CProfileAccess::ReadSection(const QString& name, const QString& path, CSectionSink& sink) {
    constexpr unsigned kSize = CIniSectionData::kLinesBufferSize;
    // One buffer for every section a thread loads, zero-filled for each as a fresh one would
    // be: allocating and freeing 64 KB per section costs more than the filling, and each such
    // free makes the allocator sweep its small free blocks.
    thread_local std::vector<char16_t> buffer(kSize);
    std::fill(buffer.begin(), buffer.end(), u'\0');
    const unsigned count = GetPrivateProfileSectionW(name, buffer.data(), kSize, path);
    if (count == kSize - 2) {
        sink.EndSection(false, SectionLength(name, path));
        return;
    }
    const char16_t* const end = buffer.data() + kSize;
    for (const char16_t* p = buffer.data(); count != 0 && p < end && *p != u'\0';) {
        // Bounded by the buffer even if a line were not terminated.
        const char16_t* lineEnd = std::find(p, end, u'\0');
        const QStringView line(p, lineEnd - p);
        const qsizetype equals = line.indexOf(u'=');
        if (equals >= 0)
            sink.AddLine(line.first(equals), line.sliced(equals + 1));
        p = lineEnd + 1;
    }
    sink.EndSection(true, count);
}
