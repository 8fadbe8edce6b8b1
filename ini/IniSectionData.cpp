#include "ini/IniSectionData.h"

#include "ini/FoldedName.h"
#include "ini/IniData.h"
#include "platform/TextUtil.h"

#include <QStringView>
#include <algorithm>

CIniSectionData::CIniSectionData(CIniData* ini, const QString& name, bool isNew)
    : m_isNew(isNew), m_pIni(ini), m_name(name) {}

CIniSectionData::~CIniSectionData() = default;

CIniEntryData* CIniSectionData::FindEntry(const QString& text, bool fromLine) const {
    if (!fromLine)
        return m_keyIndex.Find(m_entries, text, std::uint32_t(FoldedHash(text)));
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0)
        return nullptr;
    const QStringView key = Text::TrimmedView(QStringView(text).left(equals));
    if (key.isEmpty())
        return nullptr;
    return m_keyIndex.Find(m_entries, key, std::uint32_t(FoldedHash(key)));
}

CIniEntryData* CIniSectionData::FindEntryLike(const CIniEntryData& other) const {
    return m_keyIndex.Find(m_entries, other.KeyView(), other.KeyHash());
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
    std::unique_ptr<CIniEntryData> taken = m_keyIndex.Take(m_entries, entry);
    // It may outlive this section (in an undo step) or join another one.
    if (taken)
        taken->OwnText();
    return taken;
}

void CIniSectionData::Remove() {
    if (m_pIni == nullptr)
        return;
    std::unique_ptr<CIniSectionData> self = m_pIni->TakeSection(this);
}
