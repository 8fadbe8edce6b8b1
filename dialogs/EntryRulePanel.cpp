#include "dialogs/EntryRulePanel.h"

#include "dialogs/CodeGrid.h"
#include "dialogs/EntryGrid.h"
#include "dialogs/TreeEditHistory.h"
#include "dialogs/ValueGrid.h"
#include "platform/InputText.h"
#include "platform/ui/MessageBox.h"
#include "res/Resource.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/SectionData.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>

#include <utility>

namespace {

struct TypeItem {
    EValueType type;
    const char16_t* text;
};
constexpr TypeItem kTypeItems[] = {
    {EValueType::Unset, u"指定なし"}, {EValueType::Text, u"テキスト"},
    {EValueType::Integer, u"整数"},   {EValueType::Number, u"数値"},
    {EValueType::Boolean, u"真偽値"}, {EValueType::Choice, u"選択肢"},
};

template <class T> T* ControlOf(QWidget* pDialog, int nId) {
    return pDialog->findChild<T*>(QString::number(nId));
}

QString BoundField(const std::optional<double>& bound) {
    return bound ? CRuleCheck::BoundText(*bound) : QString();
}

} // namespace

CEntryRulePanel::CEntryRulePanel(QWidget* pDialog, CEntryGrid* pEntries, CTreeEditHistory* pHistory,
                                 std::function<CProjectData*()> project)
    : m_pDialog(pDialog), m_pEntries(pEntries), m_pHistory(pHistory), m_project(std::move(project)),
      m_pType(ControlOf<QComboBox>(pDialog, Res::IDC_RULE_TYPE)),
      m_pMin(ControlOf<QLineEdit>(pDialog, Res::IDC_RULE_MIN)),
      m_pMax(ControlOf<QLineEdit>(pDialog, Res::IDC_RULE_MAX)),
      m_pDefault(ControlOf<QLineEdit>(pDialog, Res::IDC_RULE_DEFAULT)),
      m_pRequired(ControlOf<QCheckBox>(pDialog, Res::IDC_RULE_REQUIRED)),
      m_pDescription(ControlOf<QLineEdit>(pDialog, Res::IDC_RULE_DESCRIPTION)),
      m_pReportUnknown(ControlOf<QCheckBox>(pDialog, Res::IDC_REPORT_UNKNOWN_KEYS)) {
    for (const TypeItem& item : kTypeItems)
        m_pType->addItem(QString::fromUtf16(item.text), int(item.type));
    connect(m_pType, &QComboBox::activated, this, &CEntryRulePanel::TakeType);
    for (QLineEdit* pField : {m_pMin, m_pMax, m_pDefault, m_pDescription}) {
        connect(pField, &QLineEdit::editingFinished, this, [this, pField] { TakeField(pField); });
        // Enter takes the field in; it is not meant to press OK.
        pField->installEventFilter(this);
    }
    connect(m_pRequired, &QCheckBox::toggled, this, &CEntryRulePanel::TakeRequired);
    connect(m_pReportUnknown, &QCheckBox::toggled, this, &CEntryRulePanel::TakeSwitch);
    m_pEntries->Values()->SetShownHandler([this](CEntryData* pEntry) { Show(pEntry); });
    // The tree is loaded after the grids are made: the switch shows it when the dialog comes up.
    m_pDialog->installEventFilter(this);
    Show(nullptr);
}

CEntryRulePanel::~CEntryRulePanel() {
    m_pEntries->Values()->SetShownHandler({});
    m_pDialog->removeEventFilter(this);
    for (QLineEdit* pField : {m_pMin, m_pMax, m_pDefault, m_pDescription})
        pField->removeEventFilter(this);
}

void CEntryRulePanel::Show(CEntryData* pEntry) {
    m_pEntry = pEntry;
    for (QWidget* pField :
         std::initializer_list<QWidget*>{m_pType, m_pDefault, m_pRequired, m_pDescription})
        pField->setEnabled(pEntry != nullptr);
    ShowRule(pEntry ? pEntry->m_rule : CEntryRule());
    const CProjectData* pProject = m_project();
    const QSignalBlocker blocker(m_pReportUnknown);
    m_pReportUnknown->setEnabled(pProject != nullptr);
    m_pReportUnknown->setChecked(pProject && pProject->m_bReportUnknownKeys);
}

void CEntryRulePanel::ShowRule(const CEntryRule& rule) {
    const QSignalBlocker blockType(m_pType);
    const QSignalBlocker blockRequired(m_pRequired);
    m_pType->setCurrentIndex(m_pType->findData(int(rule.m_type)));
    m_pMin->setText(BoundField(rule.m_min));
    m_pMax->setText(BoundField(rule.m_max));
    // A range means nothing to the other types.
    const bool hasRange = m_pEntry && CEntryRule::HasRange(rule.m_type);
    m_pMin->setEnabled(hasRange);
    m_pMax->setEnabled(hasRange);
    m_pDefault->setText(rule.m_default.value_or(QString()));
    m_pRequired->setChecked(rule.m_bRequired);
    m_pDescription->setText(rule.m_strDescription);
}

bool CEntryRulePanel::TakeField(QLineEdit* pField) {
    if (!m_pEntry)
        return true;
    CEntryRule rule = m_pEntry->m_rule;
    const QString text = Text::TrimInput(pField->text());
    if (pField == m_pMin || pField == m_pMax) {
        std::optional<double> bound;
        double value = 0;
        if (!text.isEmpty() && !CRuleCheck::ParseNumber(text, value)) {
            Refuse(QStringLiteral("範囲には数値を指定してください"), pField);
            return false;
        }
        if (!text.isEmpty())
            bound = value;
        (pField == m_pMin ? rule.m_min : rule.m_max) = bound;
    } else if (pField == m_pDefault) {
        // An empty field is no default, not an empty one.
        rule.m_default = text.isEmpty() ? std::nullopt : std::optional<QString>(text);
    } else {
        rule.m_strDescription = text;
    }
    // A field left as it was takes nothing in. Its rule may have stopped holding when a value
    // was deleted; refusing it then would hold the focus away from the grid that can mend it.
    if (rule == m_pEntry->m_rule)
        return true;
    return Store(rule, pField);
}

void CEntryRulePanel::TakeType() {
    if (!m_pEntry)
        return;
    CEntryRule rule = m_pEntry->m_rule;
    rule.m_type = EValueType(m_pType->currentData().toInt());
    if (!CEntryRule::HasRange(rule.m_type)) {
        rule.m_min.reset();
        rule.m_max.reset();
    }
    Store(rule, m_pType);
}

void CEntryRulePanel::TakeRequired(bool bOn) {
    if (!m_pEntry)
        return;
    CEntryRule rule = m_pEntry->m_rule;
    rule.m_bRequired = bOn;
    Store(rule, m_pRequired);
}

void CEntryRulePanel::TakeSwitch(bool bOn) {
    if (CProjectData* pProject = m_project())
        m_pHistory->SetReportUnknownKeys(pProject, bOn);
}

bool CEntryRulePanel::Store(const CEntryRule& rule, QWidget* pField) {
    // The check reads the rule from its entry, with the entry's values for a choice.
    const CEntryRule stored = std::exchange(m_pEntry->m_rule, rule);
    const CRuleFault fault = CRuleCheck::Validate(*m_pEntry);
    m_pEntry->m_rule = stored;
    if (fault) {
        Refuse(fault.message, pField);
        return false;
    }
    m_pHistory->SetRule(m_pEntry, rule);
    ShowRule(rule);
    return true;
}

void CEntryRulePanel::Refuse(const QString& message, QWidget* pField) {
    ShowRule(m_pEntry->m_rule);
    Ui::MessageBox(m_pDialog, message, QStringLiteral("Quillet"), Ui::MB_OK);
    pField->setFocus(Qt::OtherFocusReason);
    if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        pEdit->selectAll();
}

QWidget* CEntryRulePanel::FieldOf(CRuleFault::Field field) const {
    switch (field) {
    case CRuleFault::Field::Type:
        return m_pType;
    case CRuleFault::Field::Min:
        return m_pMin;
    case CRuleFault::Field::Max:
        return m_pMax;
    case CRuleFault::Field::Description:
        return m_pDescription;
    case CRuleFault::Field::Default:
    case CRuleFault::Field::None:
        break;
    }
    return m_pDefault;
}

bool CEntryRulePanel::Check() {
    // A field being typed in when OK is pressed by a key has not been left.
    for (QLineEdit* pField : {m_pMin, m_pMax, m_pDefault, m_pDescription}) {
        if (pField->hasFocus() && !TakeField(pField))
            return false;
    }
    const CProjectData* pProject = m_project();
    if (!pProject)
        return true;
    for (CSectionData* pSection = pProject->FirstSection(); pSection;
         pSection = pSection->NextSection()) {
        for (CEntryData* pEntry = pSection->FirstEntry(); pEntry; pEntry = pEntry->NextEntry()) {
            const CRuleFault fault = CRuleCheck::Validate(*pEntry);
            if (!fault)
                continue;
            m_pEntries->Select(pEntry, CCodeGrid::kCodeColumn, false, true);
            Ui::MessageBox(m_pDialog, fault.message, QStringLiteral("Quillet"), Ui::MB_OK);
            FieldOf(fault.field)->setFocus(Qt::OtherFocusReason);
            return false;
        }
    }
    return true;
}

bool CEntryRulePanel::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_pDialog) {
        if (pEvent->type() == QEvent::Show)
            Show(m_pEntry);
        return false;
    }
    if (pEvent->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(pEvent)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            TakeField(static_cast<QLineEdit*>(pWatched));
            return true;
        }
    }
    return QObject::eventFilter(pWatched, pEvent);
}
