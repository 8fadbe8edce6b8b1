#include "ini/IniSectionData.h"

#include "ini/IniData.h"
#include "ini/KeyPool.h"
#include "ini/LoadedKeys.h"
#include "ini/ProfileAccess.h"
#include "platform/TextUtil.h"

#include <QStringView>
#include <algorithm>

namespace {

// Trimming as Text::Trim does it, without making a copy.
QStringView TrimmedView(QStringView s) {
    qsizetype end = s.size();
    while (end > 0 && Text::IsWhiteSpace(s[end - 1]))
        --end;
    qsizetype begin = 0;
    while (begin < end && Text::IsWhiteSpace(s[begin]))
        ++begin;
    return s.sliced(begin, end - begin);
}

// A returned line is an entry line when, trimmed, it holds an "=" after at least one other
// character. Blank lines, lines without "=" and lines starting with "=" are not.
bool IsEntryLine(QStringView line) {
    return TrimmedView(line).indexOf(u'=') > 0;
}

} // namespace

CIniSectionData::CIniSectionData(CIniData* ini, const QString& name, bool isNew)
    : m_isNew(isNew), m_pIni(ini), m_name(name) {}

CIniSectionData::~CIniSectionData() = default;

bool CIniSectionData::Load(const QString& path) {
    CProfileAccess& profile = m_pIni ? m_pIni->ProfileAccess() : CProfileAccess::Platform();
    // One buffer for every section a thread loads, zero-filled for each as a fresh one would
    // be: allocating and freeing 64 KB per section costs more than the filling, and each such
    // free makes the allocator sweep its small free blocks.
    thread_local std::vector<char16_t> buffer(kLinesBufferSize);
    std::fill(buffer.begin(), buffer.end(), u'\0');
    const unsigned count =
        profile.GetPrivateProfileSectionW(m_name, buffer.data(), kLinesBufferSize, path);
    if (count == kLinesBufferSize - 2)
        return false;
    if (count == 0 || buffer[0] == u'\0')
        return true;
    ReadLines(buffer.data(), kLinesBufferSize);
    return true;
}

void CIniSectionData::ReadLines(const char16_t* buffer, unsigned size) {
    const char16_t* const end = buffer + size;
    std::vector<QStringView> lines;
    for (const char16_t* p = buffer; p < end && *p != u'\0';) {
        // Bounded by the buffer even if a line were not terminated.
        const char16_t* lineEnd = std::find(p, end, u'\0');
        lines.emplace_back(p, lineEnd - p);
        p = lineEnd + 1;
    }
    // Entries that were there before the lines (none, for a section being loaded) are found
    // through the index; the lines' own keys through a table that lives for this call only,
    // so that loading builds no index the program may never ask (it is made on the first
    // lookup).
    const bool hadEntries = !m_entries.empty();
    CLoadedKeys keys(lines.size());
    m_entries.reserve(m_entries.size() + lines.size());
    for (const QStringView line : lines) {
        if (!IsEntryLine(line))
            continue;
        // Key and value as the line has them; the key looked up trimmed. Taken as views, not
        // through QString::fromUtf16, which would read a leading U+FEFF or U+FFFE as a byte
        // order mark.
        const qsizetype equals = line.indexOf(u'=');
        CKeyPool* const pool = CKeyPool::Current();
        const QString key = pool ? pool->Intern(line.left(equals)) : line.left(equals).toString();
        const QStringView trimmedKey = TrimmedView(key);
        const QString lookup = trimmedKey.size() == key.size() ? key : trimmedKey.toString();
        // The first line with a key wins; later lines with the same key stay out of the model.
        if (keys.contains(lookup) || (hadEntries && m_keyIndex.Find(m_entries, lookup)))
            continue;
        auto entry = std::make_unique<CIniEntryData>(this, key, line.sliced(equals + 1).toString());
        entry->m_isNew = false; // read from the file
        keys.insert(&entry->m_key);
        AppendEntry(std::move(entry));
    }
}

CIniEntryData* CIniSectionData::FindEntry(const QString& text, bool fromLine) const {
    if (!fromLine)
        return m_keyIndex.Find(m_entries, text);
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0)
        return nullptr;
    const QStringView key = TrimmedView(QStringView(text).left(equals));
    if (key.isEmpty())
        return nullptr;
    return m_keyIndex.Find(m_entries, key.toString());
}

CIniEntryData* CIniSectionData::AddEntry(const QString& key, const QString& value) {
    auto entry = std::make_unique<CIniEntryData>(this, key, value);
    CIniEntryData* added = entry.get();
    AppendEntry(std::move(entry));
    return added;
}

void CIniSectionData::AppendEntry(std::unique_ptr<CIniEntryData> entry) {
    m_keyIndex.Append(m_entries, std::move(entry));
}

std::unique_ptr<CIniEntryData> CIniSectionData::TakeEntry(const CIniEntryData* entry) {
    return m_keyIndex.Take(m_entries, entry);
}

void CIniSectionData::Remove() {
    if (m_pIni == nullptr)
        return;
    std::unique_ptr<CIniSectionData> self = m_pIni->TakeSection(this);
}
