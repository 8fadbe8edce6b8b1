#include "dialogs/ProjectDlg.h"

#include "dialogs/ProjectEditDlg.h"
#include "dialogs/RelatedFileList.h"
#include "dialogs/ScreenFit.h"
#include "dialogs/ValueListFileTransfer.h"
#include "ini/IniData.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/MessageBox.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/RecordIdName.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

QSize CProjectDlg::s_szLast;

namespace {

const QString kCaption = QStringLiteral("Quillet");

// A failure's fixed text, and on a line of its own what the database said about it.
QString WithReason(const QString& text, const CProjectDataBase* pDataBase) {
    const QString reason = pDataBase ? pDataBase->ErrorText() : QString();
    return reason.isEmpty() ? text : text + u'\n' + reason;
}

// Erases the record that p points to from its owning list.
template <class Record> void FreeRecord(std::vector<std::unique_ptr<Record>>& list, Record* p) {
    list.erase(std::remove_if(list.begin(), list.end(),
                              [p](const std::unique_ptr<Record>& q) { return q.get() == p; }),
               list.end());
}

} // namespace

CProjectDlg::CProjectDlg(CProjectDataBase* pDataBase, CIniData* pIniData, int nShownPid,
                         QWidget* parent)
    : QDialog(parent), m_pDataBase(pDataBase), m_pIniData(pIniData) {
    Ui::CDialogBuilder builder(Res::ProjectDlgTemplate());
    builder.Build(this);
    m_szMinTrack = FitToScreen(this, size());
    setMinimumSize(m_szMinTrack);
    resize(m_szMinTrack);
    if (s_szLast.width() > 0 && s_szLast.height() > 0)
        resize(FitToScreen(this, s_szLast));

    auto button = [this](int id) { return findChild<QPushButton*>(QString::number(id)); };
    m_pProjectCombo = findChild<QComboBox*>(QString::number(Res::IDC_PROJECT_LIST));
    m_pFileList = findChild<CListCtrl*>(QString::number(Res::IDC_FILE_LIST));
    m_pEditButton = button(Res::IDC_PROJECT_EDIT);
    m_pDeleteButton = button(Res::IDC_PROJECT_DELETE);
    m_pRemoveButton = button(Res::IDC_FILE_REMOVE);
    m_pExportButton = button(Res::IDC_PROJECT_EXPORT);
    m_pRegisterOpenButton = button(Res::IDC_FILE_REGISTER_OPEN);
    m_pStatus = findChild<QLabel*>(QString::number(Res::IDC_PROJECT_STATUS));
    connect(m_pProjectCombo, &QComboBox::activated, this, &CProjectDlg::OnProjectChanged);
    connect(button(Res::IDC_PROJECT_NEW), &QPushButton::clicked, this, &CProjectDlg::OnNew);
    connect(m_pEditButton, &QPushButton::clicked, this, &CProjectDlg::OnEdit);
    connect(m_pDeleteButton, &QPushButton::clicked, this, &CProjectDlg::OnDelete);
    connect(button(Res::IDC_FILE_ADD), &QPushButton::clicked, this, &CProjectDlg::OnAddFile);
    connect(m_pRemoveButton, &QPushButton::clicked, this, &CProjectDlg::OnRemoveFiles);
    connect(m_pRegisterOpenButton, &QPushButton::clicked, this, &CProjectDlg::OnRegisterOpenFile);
    connect(m_pExportButton, &QPushButton::clicked, this, &CProjectDlg::OnExport);
    connect(button(Res::IDC_PROJECT_IMPORT), &QPushButton::clicked, this, &CProjectDlg::OnImport);
    connect(button(Res::IDCANCEL), &QPushButton::clicked, this, &QDialog::reject);
    m_pFiles = std::make_unique<CRelatedFileList>(m_pFileList, m_pDataBase, &m_names,
                                                  [this] { ReportRegisterFailure(); });
    connect(m_pFileList, &CListCtrl::ItemChanged, this, &CProjectDlg::OnItemChanged);
    // 編集 and 削除 act on the value list the user is looking at in the main window.
    Reload(nShownPid > 0 ? nShownPid : -1);
}

CProjectDlg::~CProjectDlg() {
    disconnect(m_pFileList, nullptr, this, nullptr);
    FreeItems();
}

int CProjectDlg::DoModal() {
    exec();
    return Ui::IDCANCEL;
}

void CProjectDlg::done(int result) {
    s_szLast = size();
    QDialog::done(result);
}

// ---------------------------------------------------------------- filling

void CProjectDlg::FreeItems() {
    m_pProjectCombo->setUpdatesEnabled(false);
    m_pProjectCombo->clear();
    m_pFiles->Clear();
    m_names.clear();
    m_pProjectCombo->setUpdatesEnabled(true);
}

void CProjectDlg::Reload(int nPreselectPid) {
    FreeItems();
    std::vector<std::unique_ptr<CRecordIdName>> names;
    std::vector<std::unique_ptr<CRecordIdFilePath>> history;
    if (!m_pDataBase || !m_pDataBase->LoadProjectList(names, history)) {
        UpdateButtons();
        Ui::MessageBox(this, WithReason(QStringLiteral("値リストを読み込めません"), m_pDataBase),
                       kCaption, Ui::MB_OK | Ui::MB_ICONWARNING);
        return;
    }
    m_bListsRead = true;
    int preselect = -1;
    for (auto& pName : names) {
        if (pName->m_nPid == nPreselectPid)
            preselect = m_pProjectCombo->count();
        m_pProjectCombo->addItem(pName->m_strName, QVariant::fromValue(quintptr(pName.get())));
        m_names.push_back(std::move(pName));
    }
    m_pFiles->Fill(std::move(history));
    m_pProjectCombo->setCurrentIndex(preselect >= 0 ? preselect : 0);
    OnProjectChanged();
}

CRecordIdName* CProjectDlg::SelectedProject() const {
    const int index = m_pProjectCombo->currentIndex();
    if (index < 0)
        return nullptr;
    return reinterpret_cast<CRecordIdName*>(m_pProjectCombo->itemData(index).value<quintptr>());
}

void CProjectDlg::OnProjectChanged() {
    m_pFiles->ShowList(SelectedProject());
    UpdateButtons();
}

void CProjectDlg::UpdateButtons() {
    const bool bProject = m_pProjectCombo->currentIndex() >= 0;
    m_pEditButton->setEnabled(bProject);
    m_pDeleteButton->setEnabled(bProject);
    m_pExportButton->setEnabled(bProject);
    m_pRemoveButton->setEnabled(m_pFileList->GetSelectedCount() > 0);
    m_pRegisterOpenButton->setEnabled(bProject && m_pIniData && !m_pIniData->m_filePath.isEmpty());
}

void CProjectDlg::ReportRegisterFailure() {
    Ui::MessageBox(this, WithReason(QStringLiteral("登録に失敗しました"), m_pDataBase), kCaption,
                   Ui::MB_OK);
    const CRecordIdName* pProject = SelectedProject();
    Reload(pProject ? pProject->m_nPid : -1);
}

// ---------------------------------------------------------------- the user's changes

void CProjectDlg::OnItemChanged(int, unsigned oldState, unsigned newState) {
    if ((oldState ^ newState) & LVIS_SELECTED)
        UpdateButtons();
}

void CProjectDlg::OnNew() {
    CProjectEditDlg dlg(m_pDataBase, m_pIniData, nullptr, this);
    if (dlg.DoModal() == Ui::IDOK)
        Reload(dlg.GetProject()->m_nPid);
}

void CProjectDlg::OnEdit() {
    CRecordIdName* pProject = SelectedProject();
    if (!pProject)
        return;
    const int nPid = pProject->m_nPid;
    CProjectEditDlg dlg(m_pDataBase, m_pIniData, pProject, this);
    if (dlg.DoModal() == Ui::IDOK)
        Reload(nPid);
}

void CProjectDlg::OnDelete() {
    CRecordIdName* pProject = SelectedProject();
    if (!pProject)
        return;
    // A value list goes with all its values and display names: ask before it is lost.
    const QString question =
        QStringLiteral("値リスト「%1」を削除しますか？").arg(pProject->m_strName);
    if (Ui::MessageBox(this, question, kCaption,
                       Ui::MB_YESNO | Ui::MB_ICONQUESTION | Ui::MB_DEFBUTTON2) != Ui::IDYES)
        return;
    const int nPid = pProject->m_nPid;
    if (!m_pDataBase->DeleteProject(nPid)) {
        Ui::MessageBox(this, WithReason(QStringLiteral("削除に失敗しました"), m_pDataBase),
                       kCaption, Ui::MB_OK);
        return;
    }
    m_deletedPids.insert(nPid);
    // The database gave the files of the deleted value list PID 0; the rows say the same.
    m_pFiles->ForgetList(nPid);
    const int index = m_pProjectCombo->currentIndex();
    m_pProjectCombo->removeItem(index);
    FreeRecord(m_names, pProject);
    m_pProjectCombo->setCurrentIndex(std::min(index, m_pProjectCombo->count() - 1));
    OnProjectChanged();
}

void CProjectDlg::OnAddFile() {
    Ui::FileOpenRequest request;
    request.parent = this;
    request.filter = QStringLiteral("INIファイル (*.ini)|*.ini||");
    request.defaultSuffix = QStringLiteral("ini");
    request.title = QStringLiteral("関連ファイルの追加");
    request.acceptText = QStringLiteral("追加");
    request.checkBoxText = QStringLiteral("ファイル名で登録");
    request.checkBoxChecked = false;
    // The file to register is most often the open one or one beside it.
    request.directory = m_pIniData && !m_pIniData->m_filePath.isEmpty()
                            ? QFileInfo(m_pIniData->m_filePath).absolutePath()
                            : QDir::currentPath();
    const Ui::FileOpenResult result = Ui::GetOpenFileName(request);
    if (!result.accepted)
        return;
    const QString text =
        result.checkBoxChecked ? CProjectDataBase::FileNameOf(result.path) : result.path;
    if (!text.isEmpty())
        m_pFiles->Register(text);
}

void CProjectDlg::OnRegisterOpenFile() {
    if (m_pIniData && !m_pIniData->m_filePath.isEmpty())
        m_pFiles->Register(
            QDir::toNativeSeparators(QFileInfo(m_pIniData->m_filePath).absoluteFilePath()));
}

void CProjectDlg::OnRemoveFiles() {
    m_pFiles->RemoveSelected();
    UpdateButtons();
}

// ---------------------------------------------------------------- value-list files

void CProjectDlg::OnExport() {
    CValueListFileTransfer transfer(this, m_pDataBase);
    if (const CRecordIdName* pName = SelectedProject(); pName && m_pDataBase)
        transfer.Export(pName->m_nPid);
    m_pStatus->setText(transfer.DoneText());
}

void CProjectDlg::OnImport() {
    CValueListFileTransfer transfer(this, m_pDataBase);
    if (const int pid = m_pDataBase ? transfer.Import(m_names) : 0; pid > 0)
        Reload(pid);
    m_pStatus->setText(transfer.DoneText());
}
