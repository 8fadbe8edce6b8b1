#include "dialogs/ProjectDlg.h"

#include "dialogs/ProjectEditDlg.h"
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
#include "valuelist/ProjectRowFolder.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/RecordIdName.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHelpEvent>
#include <QPushButton>
#include <QToolTip>

#include <algorithm>

QSize CProjectDlg::s_szLast;

namespace {

const QString kCaption = QStringLiteral("Quillet");
constexpr int kPathColumnWidth = 650;

// A failure's fixed text, and on a line of its own what the database said about it.
QString WithReason(const QString& text, const CProjectDataBase* pDataBase) {
    const QString reason = pDataBase ? pDataBase->ErrorMessage() : QString();
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
    connect(m_pProjectCombo, &QComboBox::activated, this, &CProjectDlg::OnProjectChanged);
    connect(button(Res::IDC_PROJECT_NEW), &QPushButton::clicked, this, &CProjectDlg::OnNew);
    connect(m_pEditButton, &QPushButton::clicked, this, &CProjectDlg::OnEdit);
    connect(m_pDeleteButton, &QPushButton::clicked, this, &CProjectDlg::OnDelete);
    connect(button(Res::IDC_FILE_ADD), &QPushButton::clicked, this, &CProjectDlg::OnAddFile);
    connect(m_pRemoveButton, &QPushButton::clicked, this, &CProjectDlg::OnRemoveFiles);
    connect(m_pExportButton, &QPushButton::clicked, this, &CProjectDlg::OnExport);
    connect(button(Res::IDC_PROJECT_IMPORT), &QPushButton::clicked, this, &CProjectDlg::OnImport);
    connect(button(Res::IDCANCEL), &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pFileList, &CListCtrl::ItemChanged, this, &CProjectDlg::OnItemChanged);
    m_pFileList->viewport()->installEventFilter(this);

    m_pFileList->SetCheckBoxes(true);
    m_pFileList->SetSingleSelection(false);
    m_pFileList->InsertColumn(0, QStringLiteral("INIファイルパス"), LVCFMT_LEFT, kPathColumnWidth);
    // 編集 and 削除 act on the value list the user is looking at in the main window.
    Reload(nShownPid > 0 ? nShownPid : -1);
}

CProjectDlg::~CProjectDlg() {
    m_pFileList->viewport()->removeEventFilter(this);
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
    m_pFileList->setUpdatesEnabled(false);
    m_pProjectCombo->clear();
    m_pFileList->DeleteAllItems();
    m_names.clear();
    m_history.clear();
    m_pProjectCombo->setUpdatesEnabled(true);
    m_pFileList->setUpdatesEnabled(true);
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
    m_bListEvents = false;
    for (auto& pRecord : history)
        AddRow(std::move(pRecord));
    m_bListEvents = true;
    FitPathColumn();
    m_pProjectCombo->setCurrentIndex(preselect >= 0 ? preselect : 0);
    OnProjectChanged();
}

void CProjectDlg::FitPathColumn() {
    // Never narrower than the template's column, wide enough for the longest path.
    m_pFileList->SetColumnWidth(0, CListCtrl::LVSCW_AUTOSIZE);
    m_pFileList->SetColumnWidth(0, std::max(m_pFileList->GetColumnWidth(0), kPathColumnWidth));
}

bool CProjectDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched != m_pFileList->viewport() || pEvent->type() != QEvent::ToolTip)
        return QDialog::eventFilter(pWatched, pEvent);
    // A long path is cut at the list's edge: the whole of it shows under the mouse.
    const auto* pHelp = static_cast<QHelpEvent*>(pEvent);
    const int row = m_pFileList->HitTest(pHelp->pos());
    if (row >= 0)
        QToolTip::showText(pHelp->globalPos(), m_pFileList->GetItemText(row, 0), m_pFileList);
    else
        QToolTip::hideText();
    return true;
}

int CProjectDlg::AddRow(std::unique_ptr<CRecordIdFilePath> pRecord) {
    const int row = m_pFileList->InsertItem(LVIF_TEXT | LVIF_PARAM, m_pFileList->GetItemCount(),
                                            pRecord->m_strFilePath, 0, 0, quintptr(pRecord.get()));
    if (row >= 0)
        m_history.push_back(std::move(pRecord));
    return row;
}

CRecordIdName* CProjectDlg::SelectedProject() const {
    const int index = m_pProjectCombo->currentIndex();
    if (index < 0)
        return nullptr;
    return reinterpret_cast<CRecordIdName*>(m_pProjectCombo->itemData(index).value<quintptr>());
}

CRecordIdFilePath* CProjectDlg::RowRecord(int nItem) const {
    return reinterpret_cast<CRecordIdFilePath*>(m_pFileList->GetItemData(nItem));
}

void CProjectDlg::SetChecks(int nPid) {
    m_bListEvents = false;
    for (int row = 0; row < m_pFileList->GetItemCount(); ++row) {
        const CRecordIdFilePath* pRecord = RowRecord(row);
        m_pFileList->SetCheck(row, nPid > 0 && pRecord && pRecord->m_nPid == nPid);
    }
    m_bListEvents = true;
}

void CProjectDlg::OnProjectChanged() {
    const CRecordIdName* pProject = SelectedProject();
    SetChecks(pProject ? pProject->m_nPid : 0);
    UpdateButtons();
}

void CProjectDlg::UpdateButtons() {
    const bool bProject = m_pProjectCombo->currentIndex() >= 0;
    m_pEditButton->setEnabled(bProject);
    m_pDeleteButton->setEnabled(bProject);
    m_pExportButton->setEnabled(bProject);
    m_pRemoveButton->setEnabled(m_pFileList->GetSelectedCount() > 0);
}

void CProjectDlg::ReportRegisterFailure() {
    Ui::MessageBox(this, WithReason(QStringLiteral("登録に失敗しました"), m_pDataBase), kCaption,
                   Ui::MB_OK);
    const CRecordIdName* pProject = SelectedProject();
    Reload(pProject ? pProject->m_nPid : -1);
}

// ---------------------------------------------------------------- the user's changes

void CProjectDlg::OnItemChanged(int nItem, unsigned oldState, unsigned newState) {
    if ((oldState ^ newState) & LVIS_SELECTED)
        UpdateButtons();
    if (!m_bListEvents || !((oldState ^ newState) & LVIS_STATEIMAGEMASK))
        return;
    const bool bChecked = (newState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    const bool bWasChecked = (oldState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    CRecordIdFilePath* pRecord = RowRecord(nItem);
    if (bChecked == bWasChecked || !pRecord)
        return;
    const CRecordIdName* pProject = SelectedProject();
    if (bChecked && !pProject) {
        m_bListEvents = false;
        m_pFileList->SetCheck(nItem, false);
        m_bListEvents = true;
        return;
    }
    pRecord->m_nPid = bChecked ? pProject->m_nPid : 0;
    if (!m_pDataBase->SetHistory(*pRecord))
        ReportRegisterFailure();
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
    for (const auto& pRecord : m_history) {
        if (pRecord->m_nPid == nPid)
            pRecord->m_nPid = 0;
    }
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
    if (text.isEmpty())
        return;
    // Here a path in another case is another file, but the history's key cannot tell the
    // two apart: the second one cannot be registered, and the user is told why.
    for (int row = 0; row < m_pFileList->GetItemCount(); ++row) {
        const QString listed = m_pFileList->GetItemText(row, 0);
        if (listed == text) {
            Ui::MessageBox(this, QStringLiteral("「%1」はすでに登録されています").arg(text),
                           kCaption, Ui::MB_OK);
            return;
        }
        if (CProjectRowFolder::EqualKeys(listed, text)) {
            Ui::MessageBox(
                this,
                QStringLiteral("大文字と小文字だけが違うパスが登録済みのため、登録できません\n%1")
                    .arg(listed),
                kCaption, Ui::MB_OK | Ui::MB_ICONWARNING);
            return;
        }
    }
    const CRecordIdName* pProject = SelectedProject();
    auto pRecord = std::make_unique<CRecordIdFilePath>(pProject ? pProject->m_nPid : 0, text);
    const CRecordIdFilePath record = *pRecord;
    m_bListEvents = false;
    const int row = AddRow(std::move(pRecord));
    if (row >= 0 && pProject)
        m_pFileList->SetCheck(row, true);
    m_bListEvents = true;
    if (!m_pDataBase->InsertHistory(record, false))
        ReportRegisterFailure();
}

void CProjectDlg::OnRemoveFiles() {
    QString failure;
    int row = m_pFileList->GetNextItem(-1, LVNI_SELECTED);
    while (row >= 0) {
        CRecordIdFilePath* pRecord = RowRecord(row);
        if (pRecord && m_pDataBase->DeleteHistory(*pRecord)) {
            m_pFileList->DeleteItem(row);
            FreeRecord(m_history, pRecord);
            // The following row has moved up into this index.
            row = m_pFileList->GetNextItem(row - 1, LVNI_SELECTED);
        } else {
            if (failure.isEmpty())
                failure = WithReason(QStringLiteral("削除に失敗しました"), m_pDataBase);
            row = m_pFileList->GetNextItem(row, LVNI_SELECTED);
        }
    }
    UpdateButtons();
    // Said once, after the rows that could go have gone; the rows that stay show which.
    if (!failure.isEmpty())
        Ui::MessageBox(this, failure, kCaption, Ui::MB_OK);
}

// ---------------------------------------------------------------- value-list files

void CProjectDlg::OnExport() {
    if (const CRecordIdName* pName = SelectedProject(); pName && m_pDataBase)
        CValueListFileTransfer(this, m_pDataBase).Export(pName->m_nPid);
}

void CProjectDlg::OnImport() {
    if (!m_pDataBase)
        return;
    if (const int pid = CValueListFileTransfer(this, m_pDataBase).Import(m_names); pid > 0)
        Reload(pid);
}
