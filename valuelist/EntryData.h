#pragma once

#include "valuelist/BaseData.h"
#include "valuelist/EntryRule.h"

class CValueData;

// One entry key of a section; its children are the admissible values in display order.
class CEntryData : public CBaseData {
public:
    CEntryData();
    CEntryData(const QString& code, const QString& name);
    ~CEntryData() override;

    CEntryData* NextEntry() const;
    CValueData* FirstValue() const;
    CValueData* LastValue() const;
    CValueData* AppendValue(const QString& code, const QString& name,
                            CValueData* pLastHint = nullptr);
    // Values compare with regard to case: "on" and "ON" are two different values.
    CValueData* FindValue(const QString& code) const;

    QString m_strCode;
    CEntryRule m_rule;
};
