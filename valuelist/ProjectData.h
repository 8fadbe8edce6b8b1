#pragma once

#include "valuelist/BaseData.h"

#include <QStringList>

class CSectionData;
class CEntryData;

// One value list: the root of a record tree, holding its sections in display order.
class CProjectData : public CBaseData {
public:
    CProjectData();
    explicit CProjectData(int nPid, const QString& name = QString());
    ~CProjectData() override;

    int GetPid() const override;

    CSectionData* FirstSection() const;
    CSectionData* LastSection() const;
    CSectionData* AppendSection(const QString& code, const QString& name,
                                CSectionData* pLastHint = nullptr);
    // Section names compare as INI files treat them: without regard to case.
    CSectionData* FindSection(const QString& code) const;
    CEntryData* FindEntry(const QString& sectionCode, const QString& entryCode) const;

    // Appends one "value\nname" item per admissible value of the entry, in list order; the
    // value equal to initialValue carries the mark "(初期値)" after its name. True when one of
    // the values equals initialValue. False with the list untouched when the entry is unknown.
    bool GetValueChoices(const QString& sectionCode, const QString& entryCode,
                         const QString& initialValue, QStringList& list) const;
    // The display name of one value of the entry; name is left alone when there is none.
    bool GetValueName(const QString& sectionCode, const QString& entryCode, const QString& value,
                      QString& name) const;

    // The first record whose code repeats an earlier sibling's: a section or entry code
    // without regard to case (Text::EqualNoCase), a value with regard to case. Sections are
    // looked at before entries, entries before values. Null when every code is unique; the
    // database's keys would refuse the tree otherwise. Linear in the size of the tree.
    const CBaseData* FindDuplicate() const;

    // Whether a file's keys that the list does not describe are reported (off: a list may
    // describe only the keys that matter).
    bool m_bReportUnknownKeys = false;
    // True when any entry has a rule or the unknown-key switch is on.
    bool HasRules() const;

    // -1 until the value list is stored for the first time.
    qint32 m_nPid = -1;
};
