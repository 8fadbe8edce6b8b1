// What the value list's rules show in single-file mode: marks and tooltips on the cells, the
// reset to the default, and the required keys the file lacks.
#include "view/QuilletView.h"

#include "grid/ListCtrlEx.h"
#include "ini/IniData.h"
#include "platform/ui/MessageBox.h"
#include "valuelist/ProjectData.h"
#include "view/RuleCommands.h"
#include "view/RuleMarks.h"
#include "view/ViewSnapshot.h"

#include <QHelpEvent>
#include <QToolTip>

namespace {

constexpr int kKeyColumn = 1;
constexpr int kValueColumn = 2;
constexpr int kValueListColumn = 3;
// Text colours, so that the yellow of a changed cell still shows beneath them.
constexpr COLORREF kBreachText = RGB(200, 0, 0);
constexpr COLORREF kUnknownKeyText = RGB(176, 96, 0);
// How many missing keys the message on opening names before it only counts the rest.
constexpr size_t kMissingNamed = 10;

} // namespace

void CQuilletView::RefreshRuleMarks() {
    CProjectData* project = Project();
    m_pRuleMarks = project ? std::make_unique<CRuleMarks>(*project) : nullptr;
}

bool CQuilletView::ShowsRules() const {
    return m_pRuleMarks && m_pRuleMarks->HasRules();
}

void CQuilletView::SetRuleMark(int nRow, int nCol, bool bOn, COLORREF crMark) {
    COLORREF crText = CLR_NOT_SET;
    COLORREF crBack = CLR_NOT_SET;
    const bool bShown = m_pGrid->GetCellColor(nRow, nCol, &crText, &crBack) && crText == crMark;
    // Only a change touches the cell: rows of a list without rules keep no colour records.
    if (bOn != bShown)
        m_pGrid->SetCellColor(nRow, nCol, bOn ? crMark : CLR_NOT_SET, CLR_UNCHANGED);
}

void CQuilletView::ApplyRuleMarks(int nRow, const CIniEntryData& entry) {
    const bool bRules = ShowsRules();
    SetRuleMark(nRow, kValueColumn, bRules && !m_pRuleMarks->Breach(entry).isEmpty(), kBreachText);
    SetRuleMark(nRow, kKeyColumn, bRules && m_pRuleMarks->IsUnknown(entry), kUnknownKeyText);
}

void CQuilletView::ApplyAllRuleMarks() {
    const int nCount = m_pGrid->GetItemCount();
    for (int nRow = 0; nRow < nCount; ++nRow) {
        if (const CIniEntryData* entry = EntryAt(nRow))
            ApplyRuleMarks(nRow, *entry);
    }
}

QString CQuilletView::RuleTip(int nRow, int nCol) const {
    const CIniEntryData* entry = EntryAt(nRow);
    if (!ShowsRules() || !entry)
        return {};
    if (nCol == kKeyColumn)
        return m_pRuleMarks->KeyTip(*entry);
    if (nCol == kValueColumn)
        return m_pRuleMarks->Breach(*entry);
    if (nCol == kValueListColumn && m_pRuleMarks->HasDefault(*entry))
        return QStringLiteral("既定値: %1").arg(m_pRuleMarks->DefaultOf(*entry));
    return {};
}

bool CQuilletView::ShowRuleTip(const QHelpEvent& help) {
    Pelmo::GRIDHITTEST hit;
    if (!m_pIni || !m_pGrid->HitTestCell(help.globalPos(), &hit) || hit.nArea != Pelmo::GHT_CELL)
        return false;
    const QString tip = RuleTip(hit.nRow, hit.nCol);
    if (tip.isEmpty()) {
        QToolTip::hideText();
        return false;
    }
    QToolTip::showText(help.globalPos(), tip, this);
    return true;
}

QString CQuilletView::DefaultMark(const CIniEntryData& entry) const {
    return ShowsRules() && m_pRuleMarks->IsDefault(entry) ? QStringLiteral("(既定値)") : QString();
}

CIniEntryData* CQuilletView::ResettableEntry(int* pRow) const {
    int nRow = -1;
    int nCol = -1;
    if (!m_pIni || !ShowsRules() || !m_pGrid->GetCurrentCell(&nRow, &nCol, false))
        return nullptr;
    CIniEntryData* entry = EntryAt(nRow);
    if (!entry || !m_pRuleMarks->HasDefault(*entry) || m_pRuleMarks->IsDefault(*entry))
        return nullptr;
    if (pRow)
        *pRow = nRow;
    return entry;
}

bool CQuilletView::CanResetToDefault() const {
    return ResettableEntry(nullptr) != nullptr;
}

bool CQuilletView::ResetToDefault() {
    int nRow = -1;
    CIniEntryData* entry = m_pGrid->IsEditing() ? nullptr : ResettableEntry(&nRow);
    if (!entry)
        return false;
    // The same road as a typed value: yellow, one undo step, written on save.
    CViewSnapshot before = CaptureEdit(nRow, entry);
    SetFileValue(nRow, kValueColumn, entry, m_pRuleMarks->DefaultOf(*entry));
    RecordChange(std::move(before));
    m_pGrid->viewport()->update();
    return true;
}

void CQuilletView::ShowRuleMenu(int nRow, int nCol) {
    QRect cell;
    if (!ShowsRules() || !m_pGrid->GetSubItemRect(nRow, nCol, LVIR_BOUNDS, &cell))
        return;
    m_pRuleCommands->ShowMenu(m_pGrid->viewport()->mapToGlobal(cell.center()));
}

std::vector<CMissingRequired> CQuilletView::MissingRequired() const {
    if (!m_pIni || !ShowsRules())
        return {};
    return m_pRuleMarks->MissingRequired(*m_pIni);
}

bool CQuilletView::HasMissingRequired() const {
    return !MissingRequired().empty();
}

bool CQuilletView::AddMissingRequired() {
    const std::vector<CMissingRequired> missing = MissingRequired();
    if (missing.empty())
        return false;
    // Added as the add dialog adds: new entries (and sections), yellow, one undo step.
    for (const CMissingRequired& m : missing)
        m_pIni->AddEntry(m.section, m.key, m.value);
    ShowAddedEntries();
    return true;
}

void CQuilletView::OfferMissingRequired() {
    const std::vector<CMissingRequired> missing = MissingRequired();
    if (missing.empty())
        return;
    QStringList lines;
    for (size_t i = 0; i < missing.size() && i < kMissingNamed; ++i)
        lines << QStringLiteral("[%1] %2").arg(missing[i].section, missing[i].key);
    if (missing.size() > kMissingNamed)
        lines << QStringLiteral("ほか %1 件").arg(missing.size() - kMissingNamed);
    const QString text =
        QStringLiteral("必須のエントリがファイルにありません:\n%1\n\n既定値で追加し"
                       "ますか? (保存するまでファイルは変わりません)")
            .arg(lines.join(u'\n'));
    if (Ui::MessageBox(this, text, QStringLiteral("Quillet"), Ui::MB_YESNO | Ui::MB_ICONQUESTION) ==
        Ui::IDYES)
        AddMissingRequired();
}

bool CQuilletView::SetDefaultFilter(bool bOn) {
    if (!m_pIni || bOn == m_bDefaultFilter || (bOn && !ShowsRules()))
        return false;
    CommitEdit();
    m_bDefaultFilter = bOn;
    if (bOn)
        HideDefaultRows();
    else
        ShowHiddenRows();
    return true;
}

void CQuilletView::HideDefaultRows() {
    std::vector<bool> hidden(size_t(m_pGrid->GetItemCount()));
    for (int row = 0; row < int(hidden.size()); ++row) {
        const auto* entry = dynamic_cast<const CIniEntryData*>(RecordAt(row));
        hidden[size_t(row)] = entry && m_pRuleMarks->IsDefault(*entry);
    }
    HideRows(hidden);
}
