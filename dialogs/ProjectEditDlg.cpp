#include "dialogs/ProjectEditDlg.h"

#include "dialogs/EntryGrid.h"
#include "dialogs/EntryRulePanel.h"
#include "dialogs/IniKeysMerge.h"
#include "dialogs/RedrawOff.h"
#include "dialogs/ScreenFit.h"
#include "dialogs/SectionGrid.h"
#include "dialogs/TreeEdit.h"
#include "dialogs/TreeEditHistory.h"
#include "dialogs/TreeSnapshot.h"
#include "dialogs/ValueGrid.h"
#include "grid/ListCtrlBase.h"
#include "ini/IniData.h"
#include "platform/InputText.h"
#include "platform/TextUtil.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/MessageBox.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdName.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueData.h"
#include "valuelist/ValueListFile.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <utility>

QSize CProjectEditDlg::s_szLast;

namespace {

constexpr unsigned kGridStyle = 0x50010000; // WS_CHILD | WS_VISIBLE | WS_TABSTOP

QWidget* MakeGrid(int nId, QWidget* host) {
    auto* pGrid = new Pelmo::CListCtrlBase();
    pGrid->Create(kGridStyle, QRect(), host, unsigned(nId));
    return pGrid;
}

} // namespace

CProjectEditDlg::CProjectEditDlg(CProjectDataBase* pDataBase, CIniData* pIniData,
                                 CRecordIdName* pIdName, QWidget* parent)
    : QDialog(parent), m_pDataBase(pDataBase), m_pIniData(pIniData),
      m_bEditExisting(pIdName != nullptr), m_pIdName(pIdName) {
    Ui::CDialogBuilder builder(Res::ProjectEditDlgTemplate());
    builder.Build(this,
                  [](const Ui::ControlTemplate& c, QWidget* host) { return MakeGrid(c.id, host); });
    m_szMinTrack = FitToScreen(this, size());
    setMinimumSize(m_szMinTrack);
    resize(m_szMinTrack);
    if (s_szLast.width() > 0 && s_szLast.height() > 0)
        resize(FitToScreen(this, s_szLast));

    m_pNameEdit = findChild<QLineEdit*>(QString::number(Res::IDC_PROJECT_NAME));
    auto* pImport = findChild<QPushButton*>(QString::number(Res::IDC_IMPORT));
    pImport->setEnabled(m_pIniData != nullptr);
    connect(pImport, &QPushButton::clicked, this, &CProjectEditDlg::OnImport);
    connect(findChild<QPushButton*>(QString::number(Res::IDOK)), &QPushButton::clicked, this,
            &CProjectEditDlg::OnOK);
    connect(findChild<QPushButton*>(QString::number(Res::IDCANCEL)), &QPushButton::clicked, this,
            &QDialog::reject);

    SetUpGrids();
    if (m_bEditExisting) {
        m_pNameEdit->setText(m_pIdName->m_strName);
        m_pProject = m_pDataBase ? m_pDataBase->LoadProject(m_pIdName->m_nPid) : nullptr;
        m_bLoaded = m_pProject != nullptr;
        if (!m_bLoaded) {
            m_strLoadError = m_pDataBase ? m_pDataBase->ErrorText() : QString();
            return;
        }
    } else {
        m_pProject = std::make_unique<CProjectData>();
    }
    m_pSections->Fill(m_pProject.get());
    m_strOpened = Snapshot();
    m_pNameEdit->installEventFilter(this);
}

CProjectEditDlg::~CProjectEditDlg() {
    m_pNameEdit->removeEventFilter(this);
}

int CProjectEditDlg::DoModal() {
    if (!m_bLoaded) {
        QString text = QStringLiteral("値リストを読み込めません");
        if (!m_strLoadError.isEmpty())
            text += u'\n' + m_strLoadError;
        ShowMessage(text);
        return Ui::IDCANCEL;
    }
    return exec() == QDialog::Accepted ? Ui::IDOK : Ui::IDCANCEL;
}

void CProjectEditDlg::done(int result) {
    s_szLast = size();
    QDialog::done(result);
}

void CProjectEditDlg::reject() {
    if (m_bLoaded && Snapshot() != m_strOpened &&
        Ui::MessageBox(this, QStringLiteral("変更を破棄しますか？"), QStringLiteral("Quillet"),
                       Ui::MB_YESNO | Ui::MB_ICONQUESTION | Ui::MB_DEFBUTTON2) != Ui::IDYES)
        return;
    QDialog::reject();
}

QString CProjectEditDlg::Snapshot() const {
    QString text = m_pNameEdit->text();
    if (m_pProject)
        text += CTreeSnapshot::Of(*m_pProject);
    return text;
}

bool CProjectEditDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched == m_pNameEdit && pEvent->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(pEvent)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_pSections->TakeFocus();
            return true;
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

void CProjectEditDlg::ShowMessage(const QString& text) {
    Ui::MessageBox(this, text, QStringLiteral("Quillet"), Ui::MB_OK);
}

// ---------------------------------------------------------------- grids

void CProjectEditDlg::SetUpGrids() {
    const auto grid = [this](int nId) {
        return findChild<Pelmo::CListCtrlBase*>(QString::number(nId));
    };
    m_pValues = std::make_unique<CValueGrid>(grid(Res::IDC_VALUE_GRID),
                                             [this](bool bNext) { focusNextPrevChild(bNext); });
    m_pEntries = std::make_unique<CEntryGrid>(grid(Res::IDC_ENTRY_GRID), m_pValues.get());
    m_pSections = std::make_unique<CSectionGrid>(grid(Res::IDC_SECTION_GRID), m_pEntries.get());
    m_pValues->SetEntries(m_pEntries.get());
    m_pEntries->SetSections(m_pSections.get());
    m_pHistory = new CTreeEditHistory(this, m_pSections.get());
    m_pRules = std::make_unique<CEntryRulePanel>(this, m_pEntries.get(), m_pHistory,
                                                 [this] { return m_pProject.get(); });
    for (CTreeGrid* pGrid :
         std::initializer_list<CTreeGrid*>{m_pSections.get(), m_pEntries.get(), m_pValues.get()})
        pGrid->SetHistory(m_pHistory);
}

// ---------------------------------------------------------------- OK and import

bool CProjectEditDlg::CheckTree() {
    // The tree is the dialog's own; the search only hands its records back as const.
    auto* pDuplicate = const_cast<CBaseData*>(m_pProject->FindDuplicate());
    if (auto* pSection = dynamic_cast<CSectionData*>(pDuplicate)) {
        m_pSections->Select(pSection, CCodeGrid::kCodeColumn, true, false);
        ShowMessage(QStringLiteral("セクションが重複しています: ") +
                    CValueListFile::Where(*pSection));
    } else if (auto* pEntry = dynamic_cast<CEntryData*>(pDuplicate)) {
        m_pEntries->Select(pEntry, CCodeGrid::kCodeColumn, true, false);
        ShowMessage(QStringLiteral("エントリが重複しています: ") + CValueListFile::Where(*pEntry));
    } else if (auto* pValue = dynamic_cast<CValueData*>(pDuplicate)) {
        m_pValues->Select(pValue, CValueGrid::kValueColumn);
        ShowMessage(QStringLiteral("値が重複しています: ") + CValueListFile::Where(*pValue));
    }
    return pDuplicate == nullptr;
}

QString CProjectEditDlg::SaveFailureText() const {
    QString text = QStringLiteral("保存に失敗しました");
    const CBaseData* pRecord = m_pDataBase ? m_pDataBase->FailedRecord() : nullptr;
    QStringList where;
    for (const CBaseData* p = pRecord; p && p->m_pParent; p = p->m_pParent) {
        if (const auto* pValue = dynamic_cast<const CValueData*>(p))
            where.prepend(QStringLiteral("値: %1").arg(pValue->m_strCode));
        else if (const auto* pEntry = dynamic_cast<const CEntryData*>(p))
            where.prepend(QStringLiteral("エントリ: %1").arg(pEntry->m_strCode));
        else if (const auto* pSection = dynamic_cast<const CSectionData*>(p))
            where.prepend(QStringLiteral("セクション: %1").arg(pSection->m_strCode));
    }
    if (!where.isEmpty())
        text += u'\n' + where.join(u'\n');
    if (m_pDataBase && !m_pDataBase->ErrorText().isEmpty())
        text += u'\n' + m_pDataBase->ErrorText();
    return text;
}

void CProjectEditDlg::OnOK() {
    // An edit still open in a grid is part of what the user means to save.
    for (Pelmo::CListCtrlEx* pGrid : {m_pSections->Grid(), m_pEntries->Grid(), m_pValues->Grid()}) {
        if (pGrid->IsEditing())
            pGrid->EndEdit();
    }
    if (!m_pRules->Check() || !CheckTree())
        return;
    const QString name = Text::TrimInput(m_pNameEdit->text());
    if (name.isEmpty()) {
        ShowMessage(QStringLiteral("値リスト名を入力してください"));
        m_pNameEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (const QString taken = TakenName(name); !taken.isEmpty()) {
        ShowMessage(QStringLiteral("同じ名前の値リスト「%1」があります").arg(taken));
        m_pNameEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_pProject->m_strName = name;
    if (!m_pDataBase || !m_pDataBase->SaveProject(m_pProject.get())) {
        ShowMessage(SaveFailureText());
        return;
    }
    accept();
}

QString CProjectEditDlg::TakenName(const QString& name) const {
    // A name left as it was saves as before, even where a database from elsewhere holds two.
    if (m_bEditExisting && name == m_pIdName->m_strName)
        return {};
    std::vector<std::unique_ptr<CRecordIdName>> names;
    if (!m_pDataBase || !m_pDataBase->LoadProjectNames(names))
        return {};
    const auto taken =
        std::find_if(names.begin(), names.end(), [&](const std::unique_ptr<CRecordIdName>& p) {
            return p->m_nPid != m_pProject->m_nPid && Text::EqualNoCase(p->m_strName, name);
        });
    return taken == names.end() ? QString() : (*taken)->m_strName;
}

void CProjectEditDlg::OnImport() {
    if (!m_pIniData)
        return;
    if (m_pProject->FirstSection() &&
        Ui::MessageBox(this,
                       QStringLiteral("現在の値リストに、開いているファイルのセクションとエントリを"
                                      "追加します。よろしいですか？"),
                       QStringLiteral("値リスト"), Ui::MB_YESNO | Ui::MB_ICONQUESTION) != Ui::IDYES)
        return;
    // The merge deletes no record, so what was shown can be shown again afterwards.
    CSectionData* pShownSection = m_pSections->Current();
    CEntryData* pShownEntry = m_pEntries->Current();
    {
        CRedrawOff redrawOff{m_pSections->Grid(), m_pEntries->Grid(), m_pValues->Grid()};
        m_pSections->Empty();
        CIniKeysMerge::Merge(m_pProject.get(), *m_pIniData, m_pHistory);
    }
    m_pSections->Fill(m_pProject.get());
    if (pShownEntry)
        m_pEntries->Select(pShownEntry, -1, false, true);
    else if (pShownSection)
        m_pSections->Select(pShownSection, -1, false, true);
}
