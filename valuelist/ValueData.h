#pragma once

#include "valuelist/BaseData.h"

// One admissible value of an entry: the text written into the INI file (case matters) and,
// in m_strName, the name shown for it.
class CValueData : public CBaseData {
public:
    CValueData();
    CValueData(const QString& code, const QString& name);
    ~CValueData() override;

    CValueData* NextValue() const;

    QString m_strCode;
};
