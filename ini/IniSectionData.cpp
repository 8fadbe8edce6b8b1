#include "ini/IniSectionData.h"

#include "ini/IniData.h"
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
    std::vector<char16_t> buffer(kLinesBufferSize, u'\0');
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
    for (const char16_t* p = buffer; p < end && *p != u'\0';) {
        // Bounded by the buffer even if a line were not terminated.
        const char16_t* lineEnd = std::find(p, end, u'\0');
        // Taken as it is: QString::fromUtf16 would read a leading U+FEFF or U+FFFE as a byte
        // order mark.
        const QString line = QStringView(p, lineEnd - p).toString();
        p = lineEnd + 1;
        if (!IsEntryLine(line))
            continue;
        // The first line with a key wins; later lines with the same key stay out of the model.
        if (FindEntry(line, true) != nullptr)
            continue;
        AppendEntry(std::make_unique<CIniEntryData>(this, line));
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
