#include "view/ProjectDlgBar.h"

#include "platform/ui/DialogBuilder.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdName.h"
#include "view/ViewHost.h"

#include <QComboBox>

CProjectDlgBar::CProjectDlgBar(CViewHost* host, QWidget* parent) : QWidget(parent), m_pHost(host) {
    Ui::CDialogBuilder builder(Res::ProjectBarTemplate());
    builder.Build(this);
    setFixedHeight(builder.PixelSize().height());
    m_pCombo = findChild<QComboBox*>(QString::number(Res::IDC_PROJECT_COMBO));
    m_pCombo->setCurrentIndex(-1);
    m_pCombo->setEnabled(false);
    // Only the user's own choice switches the view; refilling and selecting by code do not.
    connect(m_pCombo, &QComboBox::activated, this, &CProjectDlgBar::OnSelChangeValueList);
}

CProjectDlgBar::~CProjectDlgBar() = default;

bool CProjectDlgBar::RefillValueLists() {
    m_pCombo->clear();
    m_records.clear();
    std::vector<std::unique_ptr<CRecordIdName>> names;
    if (!m_pHost->DataBase() || !m_pHost->DataBase()->LoadProjectNames(names))
        return false;
    // The first item stands for no value list; a blank line would look like a missing one.
    m_pCombo->addItem(QStringLiteral("(なし)"));
    for (auto& record : names) {
        m_pCombo->addItem(record->m_strName);
        m_records.push_back(std::move(record));
    }
    return true;
}

void CProjectDlgBar::ShowValueLists(int nPid) {
    // Without a database (or with one that cannot be read) there is nothing to choose from.
    m_pCombo->setEnabled(RefillValueLists());
    m_pCombo->setCurrentIndex(0);
    for (int i = 1; i < m_pCombo->count(); ++i) {
        if (PidAt(i) == nPid) {
            m_pCombo->setCurrentIndex(i);
            break;
        }
    }
}

void CProjectDlgBar::ClearValueLists() {
    m_pCombo->setCurrentIndex(-1);
    m_pCombo->setEnabled(false);
}

int CProjectDlgBar::PidAt(int index) const {
    if (index < 1 || index > int(m_records.size()))
        return 0;
    return m_records[size_t(index - 1)]->m_nPid;
}

int CProjectDlgBar::SelectedPid() const {
    return PidAt(m_pCombo->currentIndex());
}

void CProjectDlgBar::OnSelChangeValueList(int index) {
    m_pHost->SendMessage(Res::WM_SELECT_VALUE_LIST, quintptr(PidAt(index)), 0);
}
