#include "ini/IniData.h"

#include "ini/KeyPool.h"
#include "ini/ProfileAccess.h"
#include "platform/TextUtil.h"
#include "platform/WorkProgress.h"

#include <QStringView>
#include <algorithm>

CIniData::CIniData(CProfileAccess* profile)
    : m_pProfile(profile ? profile : &CProfileAccess::Platform()) {}

CIniData::~CIniData() = default;

namespace {

// Keeps BeginRead and EndRead paired on every way out of a load.
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

bool CIniData::Load(const QString& path, QString& errorText) {
    try {
        return LoadFile(path, errorText);
    } catch (const CWorkProgress::Stopped&) {
        // Everything the load held has unwound; the caller throws this model away.
        errorText = QStringLiteral("読み込みを中止しました");
        return false;
    }
}

bool CIniData::LoadFile(const QString& path, QString& errorText) {
    const CReadScope scope(*m_pProfile, path, errorText);
    if (!scope.ok())
        return false;
    CKeyPool keys; // the sections' equal keys share their text
    std::vector<char16_t> names(kNamesBufferSize, u'\0');
    const unsigned count =
        m_pProfile->GetPrivateProfileSectionNamesW(names.data(), kNamesBufferSize, path);
    if (count == kNamesBufferSize - 2) {
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
        if (!LoadSection(name, path, errorText))
            return false;
    }
    m_filePath = path;
    return true;
}

bool CIniData::LoadSection(const QString& name, const QString& path, QString& errorText) {
    // The duplicate test looks at the name exactly as listed, against the sections kept so far.
    if (m_nameIndex.Find(m_sections, name) != nullptr) {
        errorText = QStringLiteral("同一セクションが複数存在します[") + name + u']';
        return false;
    }
    auto section = std::make_unique<CIniSectionData>(this, name, false);
    // A section too large for the read buffer is left out; the rest loads, and the model
    // remembers it so that the programs can say so.
    if (section->Load(path))
        AppendSection(std::move(section));
    else
        m_skippedSections.push_back({name, m_pProfile->SectionLength(name, path)});
    return true;
}

CIniSectionData* CIniData::FindSection(const QString& name, bool stripBrackets) const {
    QString text = Text::Trim(name);
    if (stripBrackets) {
        if (text.size() < 3)
            return nullptr;
        text = Text::Trim(QStringView(text).sliced(1, text.size() - 2));
    }
    return m_nameIndex.Find(m_sections, text);
}

CIniSectionData* CIniData::AddSection(const QString& name) {
    auto section = std::make_unique<CIniSectionData>(this, name, true);
    CIniSectionData* added = section.get();
    AppendSection(std::move(section));
    return added;
}

CIniEntryData* CIniData::AddEntry(const QString& sectionName, const QString& key,
                                  const QString& value) {
    CIniSectionData* section = FindSection(sectionName, false);
    if (section == nullptr) {
        section = AddSection(sectionName);
        section->m_isAdded = true;
    }
    CIniEntryData* entry = section->AddEntry(key, value);
    entry->m_isAdded = true;
    return entry;
}

void CIniData::Save(const std::function<void(const CIniEntryData&)>& failed) {
    std::vector<CIniEntryData*> dirty;
    std::vector<CProfileWriter::Change> changes;
    for (const auto& section : m_sections) {
        for (const auto& entry : section->m_entries) {
            if (!entry->NeedsWrite())
                continue;
            dirty.push_back(entry.get());
            changes.push_back({section->m_name, entry->m_key, entry->ValueToWrite()});
        }
    }
    if (dirty.empty())
        return;
    const std::vector<bool> written =
        m_pProfile->WritePrivateProfileStrings(changes, m_filePath, [&](size_t i) {
            if (failed)
                failed(*dirty[i]);
        });
    for (size_t i = 0; i < dirty.size(); ++i) {
        if (!written[i])
            continue;
        dirty[i]->MarkWritten();
        dirty[i]->m_pSection->m_isNew = false;
    }
}

void CIniData::CollectAddedEntries(std::vector<CIniEntryData*>& list) const {
    for (const auto& section : m_sections) {
        for (const auto& entry : section->m_entries) {
            if (entry->m_isAdded)
                list.push_back(entry.get());
        }
    }
}

void CIniData::ClearAddedMarks() {
    for (const auto& section : m_sections) {
        section->m_isAdded = false;
        for (const auto& entry : section->m_entries)
            entry->m_isAdded = false;
    }
}

std::unique_ptr<CIniSectionData> CIniData::TakeSection(const CIniSectionData* section) {
    return m_nameIndex.Take(m_sections, section);
}

void CIniData::AppendSection(std::unique_ptr<CIniSectionData> section) {
    m_nameIndex.Append(m_sections, std::move(section));
}
