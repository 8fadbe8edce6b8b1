#pragma once

#include <QString>
#include <QStringList>

class CIniEntryData;

// What one file's save could not write and why, gathered while the save runs (the writer
// knows why only until its next write) and told afterwards in one message.
class CSaveFailure {
public:
    explicit CSaveFailure(const QString& path) : m_strPath(path) {}

    // entry was not written; the writer's last error says why.
    void Add(const CIniEntryData& entry);
    // A write was refused for a reason already in the window's words.
    void AddReason(const QString& text);
    // The message for the entries that still need writing, each reason once.
    QString Message(const QStringList& unwritten) const;

    // Entries and skipped sections listed in one message box, at most.
    static constexpr qsizetype kMaxListed = 20;

private:
    QString m_strPath;
    QStringList m_reasons;
};
