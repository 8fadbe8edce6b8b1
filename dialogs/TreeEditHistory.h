#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>

class CBaseData;
class CEntryData;
class CEntryRule;
class CProjectData;
class CSectionGrid;
class QUndoCommand;
class QWidget;

// The editing dialog's changes to its tree, kept so that Ctrl+Z takes them back and Ctrl+Y
// does them again. The grids make every change through here; after an undo or redo the grids
// are filled anew from the tree, with the record that changed current.
class CTreeEditHistory : public QObject {
public:
    // pDialog: where Ctrl+Z and Ctrl+Y are heard; pSections: the leftmost grid, through which
    // the other two are refilled. Neither is owned.
    CTreeEditHistory(QWidget* pDialog, CSectionGrid* pSections);

    void SetTexts(CBaseData* pRecord, const QString& code, const QString& name);
    void SetRule(CEntryData* pEntry, const CEntryRule& rule);
    void SetReportUnknownKeys(CProjectData* pProject, bool bOn);
    // pRecord has just been put into the tree.
    void Inserted(CBaseData* pRecord);
    // Takes pRecord out of the tree, with its subtree; it is kept for an undo.
    void Remove(CBaseData* pRecord);
    // Changes between the two are taken back and done again as one; none leave nothing to undo.
    void BeginGroup(const QString& text);
    void EndGroup();

    void Undo();
    void Redo();

private:
    void Push(QUndoCommand* pCommand);
    void Reshow(const QUndoCommand* pCommand);
    static CBaseData* ShownBy(const QUndoCommand* pCommand);

    QUndoStack m_stack;
    CSectionGrid* m_pSections;
    QString m_groupText; // the open group's, until its first change
    bool m_bInGroup = false;
    bool m_bGroupOpen = false; // the group has had a change
};
