#include "ini/IniLoader.h"

#include "ini/FoldedName.h"
#include "ini/IniData.h"
#include "ini/IniSectionData.h"
#include "platform/TextUtil.h"

CIniLoader::CIniLoader(CIniData& ini)
    : m_ini(ini), m_pText(std::make_shared<CTextStore>()), m_keyPool(*m_pText) {}

CIniLoader::~CIniLoader() = default;

bool CIniLoader::BeginSection(const QString& name, QString& errorText) {
    // The duplicate test looks at the name exactly as listed, against the sections kept so far.
    if (m_ini.m_nameIndex.Find(m_ini.m_sections, name) != nullptr) {
        errorText = QStringLiteral("同一セクションが複数存在します[") + name + u']';
        return false;
    }
    m_section = std::make_unique<CIniSectionData>(&m_ini, name, false);
    m_section->m_pText = m_pText;
    m_keys.clear();
    return true;
}

void CIniLoader::AddLine(QStringView key, QStringView value) {
    // A line is an entry when its key holds more than white space. The key is looked up
    // trimmed, against the keys as kept: the first line with a key wins, later lines with the
    // same key stay out of the model.
    const QStringView lookup = Text::TrimmedView(key);
    if (lookup.isEmpty() || !m_section)
        return;
    const size_t lookupHash = FoldedHash(lookup);
    if (m_keys.contains(lookup, lookupHash))
        return;
    const size_t keyHash = lookup.size() == key.size() ? lookupHash : FoldedHash(key);
    std::unique_ptr<CIniEntryData> entry;
    if (key.size() <= CTextStore::kLongest && value.size() <= CTextStore::kLongest) {
        const CTextStore::Place keyAt = m_keyPool.Intern(key, keyHash);
        entry = std::make_unique<CIniEntryData>(m_section.get(), keyAt, m_pText->Add(value),
                                                std::uint32_t(keyHash));
    } else {
        // Longer than any line a section buffer holds; only a stand-in reader hands these.
        entry = std::make_unique<CIniEntryData>(m_section.get(), key.toString(), value.toString());
        entry->m_isNew = false; // read from the file
    }
    m_keys.insert(entry->KeyView(), keyHash);
    m_section->m_entries.push_back(std::move(entry));
}

void CIniLoader::EndSection(bool fits, qsizetype length) {
    if (!m_section)
        return;
    // A section too large for the read buffer is left out; the rest loads, and the model
    // remembers it so that the programs can say so.
    if (fits)
        m_ini.AppendSection(std::move(m_section));
    else
        m_ini.m_skippedSections.push_back({m_section->m_name, length});
    m_section.reset();
}

void CIniLoader::ForgetSections() {
    m_section.reset();
    m_ini.m_sections.clear();
    m_ini.m_skippedSections.clear();
}
