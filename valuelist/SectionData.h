#pragma once

#include "valuelist/BaseData.h"

class CEntryData;

// One section of a value list; its children are the entries in display order.
class CSectionData : public CBaseData {
public:
    CSectionData();
    CSectionData(const QString& code, const QString& name);
    ~CSectionData() override;

    CSectionData* NextSection() const;
    CEntryData* FirstEntry() const;
    CEntryData* LastEntry() const;
    CEntryData* AppendEntry(const QString& code, const QString& name,
                            CEntryData* pLastHint = nullptr);
    // Entry keys compare as INI files treat them: without regard to case.
    CEntryData* FindEntry(const QString& code) const;

    QString m_strCode;
};
