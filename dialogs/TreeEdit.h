#pragma once

#include "valuelist/EntryRule.h"

#include <QString>
#include <QUndoCommand>

#include <memory>

class CBaseData;
class CEntryData;
class CProjectData;

// One change to the value-list tree that the editing dialog can take back: a record's code and
// display name set, an entry's rules or the list's unknown-key switch set, a record put into
// the tree, or one taken out of it with its subtree. A
// record taken out is kept here, so that every pointer to it stays good until it is put back.
class CTreeEdit : public QUndoCommand {
public:
    // Sets pRecord's code and display name; redo() does it.
    static std::unique_ptr<CTreeEdit> Texts(CBaseData* pRecord, const QString& code,
                                            const QString& name);
    // Gives pEntry these rules; redo() does it.
    static std::unique_ptr<CTreeEdit> Rule(CEntryData* pEntry, const CEntryRule& rule);
    // Turns the list's report of keys it does not describe on or off; redo() does it.
    static std::unique_ptr<CTreeEdit> UnknownKeySwitch(CProjectData* pProject, bool bOn);
    // pRecord is already in the tree; redo() puts it back after an undo.
    static std::unique_ptr<CTreeEdit> Insertion(CBaseData* pRecord);
    // pRecord is still in the tree; redo() takes it out.
    static std::unique_ptr<CTreeEdit> Removal(CBaseData* pRecord);

    void undo() override;
    void redo() override;
    // The record to show after the last undo() or redo(): the one changed or put back, or where
    // one taken out was (its next or previous sibling, else its parent); null for none.
    CBaseData* Shown() const { return m_pShown; }

    // The code of a section, entry or value; empty for any other record.
    static QString CodeOf(const CBaseData* pRecord);
    static void SetCode(CBaseData* pRecord, const QString& code);

private:
    enum class Kind { Texts, Rule, Switch, Insertion, Removal };
    CTreeEdit(Kind kind, CBaseData* pRecord);
    void Attach();
    void Detach();
    void ApplyTexts(int nWhich);
    void Apply(int nWhich);

    Kind m_kind;
    CBaseData* m_pRecord;
    CBaseData* m_pParent;
    CBaseData* m_pNext = nullptr;           // where a record taken out goes back
    std::unique_ptr<CBaseData> m_pDetached; // the record while it is out of the tree
    QString m_code[2];                      // before, after
    QString m_name[2];
    CEntryRule m_rule[2];
    bool m_bSwitch[2] = {false, false};
    CBaseData* m_pShown = nullptr;
};
