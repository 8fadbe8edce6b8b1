#pragma once

#include "compare/IniMerge.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

// A three-way merge of files on disk, up to the bytes of the result: loads base, ours and
// theirs as the loader loads a file, merges them (CIniMerge) and edits ours' bytes as the
// writer would write the merge's changes. Nothing is written; the caller puts the result where
// it belongs.
class CIniFileMerge {
public:
    // False with errorText when a file is missing, fails to load or holds a section too large
    // to read (it would merge as if missing); the text starts with "基:", "1:" or "2:" for
    // base, ours or theirs, as the comparison prefixes its errors.
    bool Load(const QString& base, const QString& ours, const QString& theirs, QString& errorText);

    // Merges the loaded files. With markers, each conflict is written as conflict lines.
    void Merge(bool markers);

    const QByteArray& Result() const { return m_result; }
    const QByteArray& OursBytes() const { return m_oursBytes; }
    // The merge's conflicts, and each change ours' file could not take.
    const std::vector<CMergeConflict>& Conflicts() const { return m_conflicts; }
    int TakenCount() const { return m_merge ? m_merge->TakenCount() : 0; }
    int CommentChanges() const { return m_commentChanges; }
    const QString& OursPath() const { return m_oursPath; }

    // The models, with theirs' changes made in ours' (for a window that shows them).
    CIniMerge* Models() const { return m_merge.get(); }

private:
    QByteArray m_baseBytes, m_oursBytes, m_theirsBytes, m_result;
    QString m_oursPath;
    std::unique_ptr<CIniMerge> m_merge;
    std::vector<CMergeConflict> m_conflicts;
    int m_commentChanges = 0;
};
