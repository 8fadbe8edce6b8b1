#pragma once

#include <QStringView>

class CProjectData;
class CSectionData;
class CEntryData;
class CValueData;

// Turns the rows of the joined section/entry/value query into a record tree. The rows come
// ordered by section code, entry code and value position, so a row only has to be compared
// with the section, entry and value that the previous rows left current.
class CProjectRowFolder {
public:
    struct Row {
        QStringView sectionCode;
        QStringView sectionName;
        bool bHasEntry = false; // false: the section has no entries (NULL entry columns)
        QStringView entryCode;
        QStringView entryName;
        bool bHasValue = false; // false: the entry has no values (NULL value columns)
        QStringView valueCode;
        QStringView valueName;
    };

    explicit CProjectRowFolder(CProjectData* pProject);

    void AddRow(const Row& row);

    // Section and entry codes are told apart as the database's keys tell them apart: by
    // SQLite's NOCASE rule, which folds the ASCII letters only. Two codes the database keeps
    // as separate rows (say fullwidth "Ａ" and "ａ") must stay two records, or the next save
    // would merge them.
    static bool EqualKeys(QStringView a, QStringView b);

private:
    CProjectData* m_pProject;
    CSectionData* m_pSection = nullptr;
    CEntryData* m_pEntry = nullptr;
    CValueData* m_pValue = nullptr;
};
