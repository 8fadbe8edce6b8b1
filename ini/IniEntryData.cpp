#include "ini/IniEntryData.h"

#include "ini/IniData.h"
#include "ini/IniSectionData.h"
#include "ini/ObjectSlab.h"
#include "ini/ProfileAccess.h"

namespace {

using EntrySlab = CObjectSlab<sizeof(CIniEntryData)>;

} // namespace

CIniEntryData::CIniEntryData(CIniSectionData* section, const QString& line)
    : m_pSection(section), m_isNew(false) {
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) {
        m_key = line;
    } else {
        m_key = line.left(equals);
        m_savedValue = line.mid(equals + 1);
    }
    m_value = m_savedValue;
}

CIniEntryData::CIniEntryData(CIniSectionData* section, const QString& key, const QString& value)
    : m_pSection(section), m_key(key), m_savedValue(value), m_value(value), m_isNew(true) {}

bool CIniEntryData::Write() {
    if (!NeedsWrite())
        return false;
    // An entry outside any file has nowhere to go; leave it dirty like any failed write.
    if (m_pSection == nullptr || m_pSection->m_pIni == nullptr)
        return false;
    const CIniData& ini = *m_pSection->m_pIni;
    if (!ini.ProfileAccess().WritePrivateProfileStringW(m_pSection->m_name, m_key, ValueToWrite(),
                                                        ini.m_filePath))
        return false;
    MarkWritten();
    return true;
}

void CIniEntryData::Remove() {
    if (m_pSection == nullptr)
        return;
    // Taking ownership out of the list destroys this entry when the pointer goes out of scope.
    std::unique_ptr<CIniEntryData> self = m_pSection->TakeEntry(this);
}

void* CIniEntryData::operator new(std::size_t size) {
    // A class derived from this one is larger and comes from the heap.
    return size == sizeof(CIniEntryData) ? EntrySlab::Allocate() : ::operator new(size);
}

void CIniEntryData::operator delete(void* entry, std::size_t size) noexcept {
    if (size == sizeof(CIniEntryData))
        EntrySlab::Free(entry);
    else
        ::operator delete(entry);
}
