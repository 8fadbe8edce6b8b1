#include "compare/RowRules.h"

#include "compare/CompareResult.h"
#include "ini/IniData.h"
#include "ini/IniEntryData.h"
#include "ini/IniSectionData.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool RawDiffers(const COMPARE_REULT& row, const CRowRules& rules) {
    if (row.pSection1 == nullptr || row.pSection2 == nullptr)
        return true;
    if ((row.pEntry1 == nullptr) != (row.pEntry2 == nullptr))
        return true;
    return row.pEntry1 && !rules.EntriesEqual(*row.pEntry1, *row.pEntry2);
}

} // namespace

bool CRowRules::ValuesEqual(const QString& a, const QString& b) const {
    return ignoreValueCase ? a.compare(b, Qt::CaseInsensitive) == 0 : a == b;
}

bool CRowRules::EntriesEqual(const CIniEntryData& a, const CIniEntryData& b) const {
    if (a.ValueView() == b.ValueView())
        return CIniData::BytesAgree(a, b);
    return ignoreValueCase && ValuesEqual(a.Value(), b.Value());
}

bool CRowRules::IsIgnored(const COMPARE_REULT& row) const {
    if (ignore.IsEmpty())
        return false;
    const CIniSectionData* section = row.pSection1 ? row.pSection1 : row.pSection2;
    const CIniEntryData* entry = row.pEntry1 ? row.pEntry1 : row.pEntry2;
    return ignore.Matches(section ? section->m_name : QString(), entry ? entry->Key() : QString());
}

RowState CRowRules::StateOf(const COMPARE_REULT& row) const {
    if (!RawDiffers(row, *this))
        return RowState::Same;
    return IsIgnored(row) ? RowState::Ignored : RowState::Differs;
}

CRowRules CRowRules::BesideFiles(const QString& path1, const QString& path2) {
    CRowRules rules;
    const QString folder1 = QFileInfo(path1).absolutePath();
    const QString folder2 = QFileInfo(path2).absolutePath();
    QString unread; // an ignore file that cannot be read adds nothing; the files still show
    rules.ignore.ReadFile(QDir(folder1).filePath(IgnoreFileName()), unread);
    if (folder2 != folder1)
        rules.ignore.ReadFile(QDir(folder2).filePath(IgnoreFileName()), unread);
    return rules;
}
