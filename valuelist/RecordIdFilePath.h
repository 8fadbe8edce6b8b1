#pragma once

#include <QString>

// One row of the file history: an INI file's full path (or a bare file name, which then
// stands for every file of that name) and the PID of its value list, 0 for none.
class CRecordIdFilePath {
public:
    CRecordIdFilePath() = default;
    CRecordIdFilePath(qint32 nPid, const QString& filePath)
        : m_nPid(nPid), m_strFilePath(filePath) {}

    qint32 m_nPid = 0;
    QString m_strFilePath;
};
