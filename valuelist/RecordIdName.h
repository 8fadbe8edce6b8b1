#pragma once

#include <QString>

// One row of the list of value-list names: the PID and the name.
class CRecordIdName {
public:
    CRecordIdName() = default;
    CRecordIdName(qint32 nPid, const QString& name) : m_nPid(nPid), m_strName(name) {}

    qint32 m_nPid = 0;
    QString m_strName;
};
