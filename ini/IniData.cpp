#include "ini/IniData.h"

#include "ini/FoldedName.h"
#include "ini/IniLoader.h"
#include "ini/ProfileAccess.h"
#include "ini/UndecodedValues.h"
#include "platform/FileReplacer.h"
#include "platform/SystemPath.h"
#include "platform/TextUtil.h"
#include "platform/WorkProgress.h"

#include <QSet>
#include <QStringView>
#include <algorithm>

CIniData::CIniData(CProfileAccess* profile)
    : m_pProfile(profile ? profile : &CProfileAccess::Platform()) {}

CIniData::~CIniData() = default;

bool CIniData::Load(const QString& path, QString& errorText) {
    try {
        if (LoadFile(path, errorText))
            return true;
        // A save cut off may be why the file does not read: the copy beside it is the way back.
        if (const QString backup = CFileReplacer::InterruptedBackup(path); !backup.isEmpty())
            errorText += BackupNote(backup);
        return false;
    } catch (const CWorkProgress::Stopped&) {
        // Everything the read held has unwound; no half model stays behind either.
        m_sections.clear();
        m_skippedSections.clear();
        errorText = QStringLiteral("読み込みを中止しました");
        return false;
    }
}

QString CIniData::BackupNote(const QString& backup) {
    return QStringLiteral("\n\n中断された保存のバックアップがファイルの横にあります: ") + backup +
           QStringLiteral("\nファイルが壊れている場合は、両方を見比べてからバックアップをファイルに"
                          "上書きコピーし、バックアップを削除してください。");
}

bool CIniData::LoadFile(const QString& path, QString& errorText) {
    // Such a path would read another file, or a missing one as an empty model.
    if (const QString inexact = CSystemPath::InexactPart(path); !inexact.isEmpty()) {
        errorText = CSystemPath::RefusalText(inexact);
        return false;
    }
    CIniLoader loader(*this);
    if (!m_pProfile->ReadSections(path, loader, errorText))
        return false;
    m_filePath = path;
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

std::vector<CProfileWriter::Change>
CIniData::PendingChanges(std::vector<CIniEntryData*>* dirty) const {
    using Kind = CProfileWriter::Change::Kind;
    std::vector<CProfileWriter::Change> changes;
    for (const auto& section : m_sections) {
        for (const auto& entry : section->m_entries) {
            if (!entry->NeedsWrite())
                continue;
            if (dirty)
                dirty->push_back(entry.get());
            changes.push_back({section->m_name, entry->Key(), entry->ValueToWrite()});
        }
    }
    // Each section and each key is removed once; a key goes with its section when that goes.
    QSet<CFoldedName> sectionsGone, written;
    for (const CProfileWriter::Change& removal : m_removals) {
        if (removal.kind == Kind::RemoveSection && FindSection(removal.section, false) == nullptr)
            sectionsGone.insert(CFoldedName{removal.section});
    }
    for (const CProfileWriter::Change& removal : m_removals) {
        const CFoldedName section{removal.section};
        if (removal.kind == Kind::RemoveSection) {
            const CFoldedName name{u'[' + removal.section};
            if (sectionsGone.contains(section) && !written.contains(name)) {
                written.insert(name);
                changes.push_back(removal);
            }
            continue;
        }
        const CFoldedName name{removal.section + u'\n' + removal.key};
        const CIniSectionData* held = FindSection(removal.section, false);
        if (sectionsGone.contains(section) || written.contains(name) ||
            (held && held->FindEntry(removal.key, false)))
            continue;
        written.insert(name);
        changes.push_back(removal);
    }
    return changes;
}

void CIniData::Save(const std::function<void(const CIniEntryData&)>& failed) {
    std::vector<CIniEntryData*> dirty;
    const std::vector<CProfileWriter::Change> changes = PendingChanges(&dirty);
    if (changes.empty()) {
        m_removals.clear();
        return;
    }
    m_undecoded.reset();
    const std::vector<bool> written =
        m_pProfile->WritePrivateProfileStrings(changes, m_filePath, [&](size_t i) {
            if (failed && i < dirty.size())
                failed(*dirty[i]);
        });
    for (size_t i = 0; i < dirty.size(); ++i) {
        if (!written[i])
            continue;
        dirty[i]->MarkWritten();
        dirty[i]->m_pSection->m_isNew = false;
    }
    // A removal that failed is asked for again at the next save.
    std::vector<CProfileWriter::Change> left;
    for (size_t i = dirty.size(); i < changes.size(); ++i) {
        if (!written[i])
            left.push_back(changes[i]);
    }
    m_removals = std::move(left);
}

std::unique_ptr<CIniSectionData> CIniData::RemoveSectionFromFile(const CIniSectionData* section) {
    std::unique_ptr<CIniSectionData> taken = TakeSection(section);
    if (taken)
        m_removals.push_back(
            {taken->m_name, QString(), QString(), CProfileWriter::Change::Kind::RemoveSection});
    return taken;
}

std::unique_ptr<CIniEntryData> CIniData::RemoveEntryFromFile(const CIniEntryData* entry) {
    if (entry == nullptr || entry->m_pSection == nullptr || entry->m_pSection->m_pIni != this)
        return nullptr;
    CIniSectionData* section = entry->m_pSection;
    std::unique_ptr<CIniEntryData> taken = section->TakeEntry(entry);
    // An entry not in the file yet leaves nothing there to remove.
    if (taken && !taken->m_isNew)
        m_removals.push_back(
            {section->m_name, taken->Key(), QString(), CProfileWriter::Change::Kind::RemoveKey});
    return taken;
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

const QByteArray* CIniData::UndecodedBytes(const CIniEntryData& entry) const {
    const CIniSectionData* section = entry.m_pSection;
    if (entry.m_isNew || entry.IsChanged() || !section || section->m_isNew || m_filePath.isEmpty())
        return nullptr;
    if (!m_undecoded)
        m_undecoded = std::make_unique<CUndecodedValues>(CUndecodedValues::Read(m_filePath));
    return m_undecoded->Find(section->m_name, entry.Key());
}

bool CIniData::BytesAgree(const CIniEntryData& a, const CIniEntryData& b) {
    if (!CUndecodedValues::MayHideBytes(a.ValueView()) || !a.m_pSection || !b.m_pSection ||
        !a.m_pSection->m_pIni || !b.m_pSection->m_pIni)
        return true;
    const QByteArray* bytesA = a.m_pSection->m_pIni->UndecodedBytes(a);
    const QByteArray* bytesB = b.m_pSection->m_pIni->UndecodedBytes(b);
    if (!bytesA || !bytesB)
        return bytesA == bytesB; // both read back as their text, or only one of them does
    return *bytesA == *bytesB;
}
