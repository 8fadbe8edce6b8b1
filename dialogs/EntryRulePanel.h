#pragma once

#include "valuelist/EntryRule.h"
#include "valuelist/RuleCheck.h"

#include <QObject>
#include <functional>

class CEntryData;
class CEntryGrid;
class CProjectData;
class CTreeEditHistory;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;

// The rules of the entry whose values the editing dialog shows (type, range, default,
// required, description) and the list's switch for keys it does not describe, on the controls
// under the grids. A field is taken into the entry when it is left or Enter is pressed in it;
// a rule that would not hold together is refused with its reason, the field shows the stored
// rule again and keeps the focus. Every change goes through the dialog's history.
class CEntryRulePanel : public QObject {
public:
    // pDialog holds the controls; pEntries tells which entry is shown; project gives the tree
    // being edited (null before it is loaded). None is owned.
    CEntryRulePanel(QWidget* pDialog, CEntryGrid* pEntries, CTreeEditHistory* pHistory,
                    std::function<CProjectData*()> project);
    ~CEntryRulePanel() override;

    // Before the list is stored: takes in the field being typed, then looks at every entry's
    // rule, since a value deleted in the grid may have been a choice's default. On a fault the
    // entry is shown with its message and the faulty field focused; false then.
    bool Check();

private:
    void Show(CEntryData* pEntry);
    void ShowRule(const CEntryRule& rule);
    // Takes the text of one line edit into the shown entry's rule; false when refused.
    bool TakeField(QLineEdit* pField);
    void TakeType();
    void TakeRequired(bool bOn);
    void TakeSwitch(bool bOn);
    // Stores the rule when it holds together; otherwise says why and puts pField right.
    bool Store(const CEntryRule& rule, QWidget* pField);
    void Refuse(const QString& message, QWidget* pField);
    QWidget* FieldOf(CRuleFault::Field field) const;
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

    QWidget* m_pDialog;
    CEntryGrid* m_pEntries;
    CTreeEditHistory* m_pHistory;
    std::function<CProjectData*()> m_project;
    CEntryData* m_pEntry = nullptr;

    QComboBox* m_pType;
    QLineEdit* m_pMin;
    QLineEdit* m_pMax;
    QLineEdit* m_pDefault;
    QCheckBox* m_pRequired;
    QLineEdit* m_pDescription;
    QCheckBox* m_pReportUnknown;
};
