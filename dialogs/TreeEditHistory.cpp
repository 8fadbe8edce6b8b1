#include "dialogs/TreeEditHistory.h"

#include "dialogs/CodeGrid.h"
#include "dialogs/EntryGrid.h"
#include "dialogs/RedrawOff.h"
#include "dialogs/SectionGrid.h"
#include "dialogs/TreeEdit.h"
#include "dialogs/ValueGrid.h"
#include "grid/ListCtrlEx.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueData.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

CTreeEditHistory::CTreeEditHistory(QWidget* pDialog, CSectionGrid* pSections)
    : QObject(pDialog), m_pSections(pSections) {
    // A cell's editor and the name box take Ctrl+Z for their own text first.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), pDialog), &QShortcut::activated, this,
            &CTreeEditHistory::Undo);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y), pDialog), &QShortcut::activated, this,
            &CTreeEditHistory::Redo);
}

void CTreeEditHistory::BeginGroup(const QString& text) {
    m_groupText = text;
    m_bInGroup = true;
}

void CTreeEditHistory::EndGroup() {
    if (m_bGroupOpen)
        m_stack.endMacro();
    m_bInGroup = false;
    m_bGroupOpen = false;
}

void CTreeEditHistory::Push(QUndoCommand* pCommand) {
    if (m_bInGroup && !m_bGroupOpen) {
        m_stack.beginMacro(m_groupText);
        m_bGroupOpen = true;
    }
    m_stack.push(pCommand);
}

void CTreeEditHistory::SetTexts(CBaseData* pRecord, const QString& code, const QString& name) {
    if (CTreeEdit::CodeOf(pRecord) != code || pRecord->m_strName != name)
        Push(CTreeEdit::Texts(pRecord, code, name).release());
}

void CTreeEditHistory::SetRule(CEntryData* pEntry, const CEntryRule& rule) {
    if (!(pEntry->m_rule == rule))
        Push(CTreeEdit::Rule(pEntry, rule).release());
}

void CTreeEditHistory::SetReportUnknownKeys(CProjectData* pProject, bool bOn) {
    if (pProject->m_bReportUnknownKeys != bOn)
        Push(CTreeEdit::UnknownKeySwitch(pProject, bOn).release());
}

void CTreeEditHistory::Inserted(CBaseData* pRecord) {
    Push(CTreeEdit::Insertion(pRecord).release());
}

void CTreeEditHistory::Remove(CBaseData* pRecord) {
    Push(CTreeEdit::Removal(pRecord).release());
}

void CTreeEditHistory::Undo() {
    if (!m_stack.canUndo())
        return;
    const QUndoCommand* pCommand = m_stack.command(m_stack.index() - 1);
    m_stack.undo();
    Reshow(pCommand);
}

void CTreeEditHistory::Redo() {
    if (!m_stack.canRedo())
        return;
    const QUndoCommand* pCommand = m_stack.command(m_stack.index());
    m_stack.redo();
    Reshow(pCommand);
}

CBaseData* CTreeEditHistory::ShownBy(const QUndoCommand* pCommand) {
    if (const auto* pEdit = dynamic_cast<const CTreeEdit*>(pCommand))
        return pEdit->Shown();
    // A group shows where its first change was.
    return pCommand->childCount() > 0 ? ShownBy(pCommand->child(0)) : nullptr;
}

void CTreeEditHistory::Reshow(const QUndoCommand* pCommand) {
    CEntryGrid* pEntries = m_pSections->Entries();
    CValueGrid* pValues = pEntries->Values();
    CBaseData* pShown = ShownBy(pCommand);
    CRedrawOff redrawOff{m_pSections->Grid(), pEntries->Grid(), pValues->Grid()};
    // Rows may show records the change took out of the tree: none may stay.
    m_pSections->Refill();
    if (auto* pValue = dynamic_cast<CValueData*>(pShown))
        pValues->Select(pValue, CValueGrid::kValueColumn);
    else if (auto* pEntry = dynamic_cast<CEntryData*>(pShown))
        pEntries->Select(pEntry, CCodeGrid::kCodeColumn, true, true);
    else if (auto* pSection = dynamic_cast<CSectionData*>(pShown))
        m_pSections->Select(pSection, CCodeGrid::kCodeColumn, true, true);
}
