#include "ini/IniEntryData.h"

#include "ini/FoldedName.h"
#include "ini/IniData.h"
#include "ini/IniSectionData.h"
#include "ini/ObjectSlab.h"
#include "ini/ProfileAccess.h"

namespace {

using EntrySlab = CObjectSlab<sizeof(CIniEntryData)>;

// A large file holds hundreds of thousands of entries: their size is most of its memory.
static_assert(sizeof(CIniEntryData) <= 32);

} // namespace

CIniEntryData::CIniEntryData(CIniSectionData* section, const QString& line)
    : m_pSection(section), m_isNew(false), m_owns(true), m_keyHash(0), m_pOwn(new Own) {
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0) {
        m_pOwn->key = line;
    } else {
        m_pOwn->key = line.left(equals);
        m_pOwn->saved = line.mid(equals + 1);
    }
    m_pOwn->value = m_pOwn->saved;
    m_keyHash = std::uint32_t(FoldedHash(m_pOwn->key));
}

CIniEntryData::CIniEntryData(CIniSectionData* section, const QString& key, const QString& value)
    : m_pSection(section), m_isNew(true), m_owns(true), m_keyHash(std::uint32_t(FoldedHash(key))),
      m_pOwn(new Own{key, value, value}) {}

CIniEntryData::CIniEntryData(CIniSectionData* section, CTextStore::Place key,
                             CTextStore::Place value, std::uint32_t keyHash)
    : m_pSection(section), m_isNew(false), m_owns(false), m_keyHash(keyHash), m_at{key, value} {}

CIniEntryData::~CIniEntryData() {
    if (m_owns)
        delete m_pOwn;
}

const CTextStore& CIniEntryData::Store() const {
    // An entry that does not own its text was read into its section, which holds the store.
    return *m_pSection->m_pText;
}

QString CIniEntryData::Key() const {
    return m_owns ? m_pOwn->key : Store().String(m_at.key);
}

QStringView CIniEntryData::KeyView() const {
    return m_owns ? QStringView(m_pOwn->key) : Store().View(m_at.key);
}

QString CIniEntryData::Value() const {
    return m_owns ? m_pOwn->value : Store().String(m_at.value);
}

QStringView CIniEntryData::ValueView() const {
    return m_owns ? QStringView(m_pOwn->value) : Store().View(m_at.value);
}

QString CIniEntryData::SavedValue() const {
    return m_owns ? m_pOwn->saved : Store().String(m_at.value);
}

void CIniEntryData::SetValue(const QString& value) {
    // Setting the value it holds leaves an entry in the store (a stored value is never null).
    if (!m_owns && !value.isNull() && QStringView(value) == Store().View(m_at.value))
        return;
    OwnText();
    m_pOwn->value = value;
}

QString CIniEntryData::ValueToWrite() const {
    const QString value = Value();
    return value.isNull() ? QStringLiteral("") : value;
}

void CIniEntryData::MarkWritten() {
    if (m_owns)
        m_pOwn->saved = m_pOwn->value;
    m_isNew = false;
}

void CIniEntryData::OwnText() {
    if (m_owns)
        return;
    const QString value = Store().String(m_at.value);
    Own* own = new Own{Store().String(m_at.key), value, value};
    m_pOwn = own;
    m_owns = true;
}

bool CIniEntryData::Write() {
    if (!NeedsWrite())
        return false;
    // An entry outside any file has nowhere to go; leave it dirty like any failed write.
    if (m_pSection == nullptr || m_pSection->m_pIni == nullptr)
        return false;
    const CIniData& ini = *m_pSection->m_pIni;
    if (!ini.ProfileAccess().WritePrivateProfileStringW(m_pSection->m_name, Key(), ValueToWrite(),
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
