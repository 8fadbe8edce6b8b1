#include "app/MainFrame.h"

#include "app/BackupOffer.h"
#include "app/CommandLine.h"
#include "app/FileWatch.h"
#include "app/FindDlg.h"
#include "app/FolderMode.h"
#include "app/FrameTexts.h"
#include "app/LongWork.h"
#include "app/MenuDlgBar.h"
#include "app/MergeWindow.h"
#include "app/PreviewDlgBar.h"
#include "app/QuilletDoc.h"
#include "app/SaveFailure.h"
#include "app/WindowTitle.h"
#include "app/WorkIndicator.h"
#include "compare/IniCompare.h"
#include "dialogs/AddCompareDlg.h"
#include "dialogs/AddDlg.h"
#include "dialogs/ProjectDlg.h"
#include "ini/IniData.h"
#include "platform/RegularFile.h"
#include "platform/TextUtil.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "res/Resource.h"
#include "valuelist/ProjectData.h"
#include "view/CompareExport.h"
#include "view/ProjectDlgBar.h"
#include "view/QuilletView.h"
#include "view/ViewPlace.h"

#include <QAction>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace {

using namespace FrameTexts;

const QString kCaption = QStringLiteral("Quillet");
const QString kIniFilter = QStringLiteral("INIファイル (*.ini)|*.ini||");
constexpr qsizetype kMaxDroppedFiles = 2;
const QString kLoadStopped = QStringLiteral("読み込みを中止しました");
constexpr int kStatusMessageMs = 10000;
// A load goes through a file's text twice: decoding it, then building the model.
constexpr int kPassesPerFile = 2;

// The model of the file at path, or null with errorText saying why.
std::unique_ptr<CIniData> ReadModel(const QString& path, QString& errorText) {
    auto ini = std::make_unique<CIniData>();
    return ini->Load(path, errorText) ? std::move(ini) : nullptr;
}

std::unique_ptr<CIniCompare> Pair(std::unique_ptr<CIniData> ini1, std::unique_ptr<CIniData> ini2) {
    return CIniCompare::Paired(std::move(ini1), std::move(ini2));
}

// Both files read and paired; null with errorText ("1:" or "2:" first) when one cannot be
// read.
std::unique_ptr<CIniCompare> ReadCompare(const QString& path1, const QString& path2,
                                         QString& errorText) {
    std::unique_ptr<CIniData> ini1 = ReadModel(path1, errorText);
    if (!ini1) {
        errorText.prepend(QStringLiteral("1:"));
        return nullptr;
    }
    std::unique_ptr<CIniData> ini2 = ReadModel(path2, errorText);
    if (!ini2) {
        errorText.prepend(QStringLiteral("2:"));
        return nullptr;
    }
    return Pair(std::move(ini1), std::move(ini2));
}

} // namespace

CMainFrame::CMainFrame(CQuilletDoc* doc, CProjectDataBase* db, QWidget* parent)
    : QMainWindow(parent), m_pDoc(doc), m_pDataBase(db),
      m_pTitle(std::make_unique<CWindowTitle>(this, doc)) {
    setWindowTitle(kCaption);
    setAcceptDrops(true);
    m_pDoc->SetFrame(this);
    CreateBars();
    CreateAccelerators();
    CreateFileWatch();
    CreateLongWork();
    m_pMergeWindow = new CMergeWindow(this);
    m_bBarsReady = true;
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    delete m_pFindDlg; // before the frame's fields go: the dialog clears m_pFindDlg
    // The last emptying of the document still reaches the view, which lets go of the rows;
    // whatever the view or the document send on the way finds no bars any more.
    m_bBarsReady = false;
    m_pDoc->DeleteContents();
    m_pDoc->RemoveView(m_pView);
    m_pDoc->SetFrame(nullptr);
}

void CMainFrame::CreateBars() {
    auto* client = new QWidget(this);
    auto* columns = new QHBoxLayout(client);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);
    auto* rows = new QVBoxLayout;
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);

    m_pMenuBar = new CMenuDlgBar(client);
    m_pMenuBar->setObjectName(QString::number(Res::IDD_MENU_BAR));
    connect(m_pMenuBar, &CMenuDlgBar::Command, this, &CMainFrame::OnCommand);
    m_pProjectBar = new CProjectDlgBar(this, client);
    m_pProjectBar->setObjectName(QString::number(Res::IDD_PROJECT_BAR));
    m_pProjectBar->ClearValueLists();
    m_pProjectBar->hide();
    m_pPreviewBar = new CPreviewDlgBar(client);
    m_pPreviewBar->setObjectName(QString::number(Res::IDD_PREVIEW_BAR));
    m_pView = new CQuilletView(this, client);
    m_pDoc->AddView(m_pView);
    connect(m_pView, &CQuilletView::ContentChanged, this, [this] { m_pTitle->Update(); });
    connect(m_pView->Export(), &CCompareExport::Exported, this,
            [this](const QString& path) { ShowDone(QStringLiteral("書き出しました: ") + path); });

    columns->addWidget(m_pMenuBar);
    columns->addLayout(rows, 1);
    rows->addWidget(m_pProjectBar);
    rows->addWidget(m_pPreviewBar);
    m_pFolders = new CFolderMode(this, m_pDoc, m_pView, client);
    rows->addWidget(m_pFolders->Pages(), 1);
    setCentralWidget(client);
}

void CMainFrame::CreateAccelerators() {
    AddAccelerator(Res::ID_FIND, QKeySequence(Qt::CTRL | Qt::Key_F));
    AddAccelerator(Res::ID_FIND_NEXT, QKeySequence(Qt::Key_F3));
    AddAccelerator(Res::ID_FIND_PREV, QKeySequence(Qt::SHIFT | Qt::Key_F3));
    AddAccelerator(Res::ID_FILE_OPEN, QKeySequence(Qt::CTRL | Qt::Key_O));
    AddAccelerator(Res::ID_FILE_SAVE, QKeySequence(Qt::CTRL | Qt::Key_S));
    AddAccelerator(Res::ID_RELOAD, QKeySequence(Qt::Key_F5));
    AddAccelerator(Res::ID_COMPARE, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    AddAccelerator(Res::ID_ADD, QKeySequence(Qt::CTRL | Qt::Key_N));
    AddAccelerator(Res::ID_VALUE_LISTS, QKeySequence(Qt::CTRL | Qt::Key_L));
}

void CMainFrame::AddAccelerator(int commandId, const QKeySequence& key) {
    auto* action = new QAction(this);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, commandId] { OnCommand(commandId); });
    addAction(action);
    m_accelerators[commandId] = action;
    if (QPushButton* button = m_pMenuBar->Button(commandId)) {
        button->setToolTip(
            QStringLiteral("%1 (%2)").arg(button->text(), key.toString(QKeySequence::NativeText)));
    }
}

void CMainFrame::CreateFileWatch() {
    CFileWatch::Hooks hooks;
    hooks.hasUnsavedChanges = [this] {
        m_pView->CommitEdit();
        return m_pDoc->HasUnsavedChanges();
    };
    // The question has already said what a reload drops.
    hooks.reload = [this] { ReloadDocument(); };
    hooks.close = [this] { CloseDocument(); };
    m_pFileWatch = new CFileWatch(this, std::move(hooks));
}

void CMainFrame::CreateLongWork() {
    m_pIndicator = new CWorkIndicator(this);
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_pIndicator, 1);
    m_pWork = new CLongWork(m_pIndicator, this);
    connect(m_pWork, &CLongWork::BusyChanged, this, &CMainFrame::OnBusyChanged);
    connect(m_pIndicator, &CWorkIndicator::StopClicked, this, &CMainFrame::StopLoad);
    connect(m_pIndicator, &CWorkIndicator::Shown, this, [this] { UpdateStatusBar(); });
    connect(statusBar(), &QStatusBar::messageChanged, this, [this] { UpdateStatusBar(); });
    // Enabled only while a load runs: otherwise Escape belongs to the grid and its editor.
    m_pStopAction = new QAction(this);
    m_pStopAction->setShortcut(QKeySequence(Qt::Key_Escape));
    m_pStopAction->setShortcutContext(Qt::WindowShortcut);
    m_pStopAction->setEnabled(false);
    connect(m_pStopAction, &QAction::triggered, this, &CMainFrame::StopLoad);
    addAction(m_pStopAction);
    UpdateStatusBar();
}

void CMainFrame::UpdateStatusBar() {
    statusBar()->setVisible(!m_pIndicator->isHidden() || !statusBar()->currentMessage().isEmpty());
}

bool CMainFrame::IsBusy() const {
    return m_pWork && m_pWork->IsBusy();
}

void CMainFrame::StopLoad() {
    m_pWork->RequestStop();
}

void CMainFrame::OnBusyChanged(bool busy) {
    // A disabled widget takes no mouse or keys: the grid, the bars and the find dialog only
    // paint until the work is over.
    if (busy) {
        m_pFocusBeforeWork = focusWidget();
        statusBar()->clearMessage(); // a word on the last work would hide this one's progress
    }
    centralWidget()->setEnabled(!busy);
    if (m_pFindDlg)
        m_pFindDlg->setEnabled(!busy);
    m_pStopAction->setEnabled(busy && m_pWork->IsLoading());
    m_pFileWatch->Hold(busy);
    UpdateCommandUI();
    if (busy)
        return;
    if (m_pFocusBeforeWork && m_pFocusBeforeWork->isVisible())
        m_pFocusBeforeWork->setFocus();
    if (m_bCloseWhenIdle) {
        m_bCloseWhenIdle = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

QStringList CMainFrame::ShownPaths() const {
    if (m_pDoc->m_pIniData)
        return {m_pDoc->m_pIniData->m_filePath};
    if (m_pDoc->m_pCompare)
        return {m_pDoc->m_pCompare->GetTitle(0), m_pDoc->m_pCompare->GetTitle(1)};
    return {};
}

void CMainFrame::UpdateCommandUI() {
    for (int id : {Res::ID_FILE_OPEN, Res::ID_COMPARE, Res::ID_RELOAD, Res::ID_FILE_SAVE,
                   Res::ID_ADD, Res::ID_VALUE_LISTS}) {
        const bool enabled = IsCommandAvailable(id);
        if (QPushButton* button = m_pMenuBar->Button(id))
            button->setEnabled(enabled);
        if (auto found = m_accelerators.find(id); found != m_accelerators.end())
            found->second->setEnabled(enabled);
    }
}

void CMainFrame::ShowDone(const QString& text) {
    statusBar()->showMessage(text, kStatusMessageMs);
}

void CMainFrame::ShowError(const QString& text) {
    Ui::MessageBox(this, text, kCaption, Ui::MB_OK | Ui::MB_ICONERROR);
}

void CMainFrame::WarnSkippedSections(const CIniData& ini, const QString& prefix) {
    if (ini.SkippedSections().empty())
        return;
    const std::vector<CIniData::SkippedSection>& skipped = ini.SkippedSections();
    QString text = prefix + QStringLiteral("次のセクションは大きすぎるため表示されません:");
    // A file of nothing but huge sections would make a box taller than the screen.
    const size_t listed = std::min(skipped.size(), size_t(CSaveFailure::kMaxListed));
    for (size_t i = 0; i < listed; ++i)
        text += u'\n' + skipped[i].name;
    if (skipped.size() > listed)
        text += QStringLiteral("\nほか %1 件").arg(skipped.size() - listed);
    Ui::MessageBox(this, text, kCaption, Ui::MB_OK | Ui::MB_ICONWARNING);
}

std::map<int, int>& CMainFrame::ColumnWidths() {
    return m_pDoc->m_mapWidth;
}

std::map<int, int>& CMainFrame::CompareColumnWidths() {
    return m_pDoc->m_mapCompareWidth;
}

qintptr CMainFrame::SendMessage(unsigned message, quintptr wParam, qintptr lParam) {
    if (!m_bBarsReady)
        return 0;
    // The senders pass a section or an entry; both derive from CObject alone.
    const auto* item = reinterpret_cast<const CObject*>(lParam);
    switch (message) {
    case Res::WM_CLEAR_PREVIEW:
        m_pPreviewBar->Clear();
        break;
    case Res::WM_SHOW_PREVIEW:
        m_pPreviewBar->ShowItem(Res::IDC_PREVIEW, item);
        break;
    case Res::WM_SHOW_COMPARE_PREVIEW:
        if (wParam == 0 || wParam == 1)
            m_pPreviewBar->ShowItem(wParam == 0 ? Res::IDC_PREVIEW1 : Res::IDC_PREVIEW2, item);
        break;
    case Res::WM_CLEAR_VALUE_LISTS:
        m_pProjectBar->ClearValueLists();
        break;
    case Res::WM_REFRESH_VALUE_LISTS:
        m_pProjectBar->ShowValueLists(int(wParam));
        break;
    case Res::WM_SELECT_VALUE_LIST:
        m_pDoc->UpdateAllViews(nullptr, Res::HINT_SELECT_VALUE_LIST, wParam);
        break;
    default:
        break;
    }
    return 0;
}

bool CMainFrame::IsCommandAvailable(int commandId) const {
    if (IsBusy())
        return false;
    // Without the database there are no value lists to manage.
    if (commandId == Res::ID_VALUE_LISTS && !m_pDataBase)
        return false;
    return m_pDoc->IsCommandEnabled(commandId);
}

void CMainFrame::SetDataBaseProblem(const QString& reason) {
    if (QPushButton* button = m_pMenuBar->Button(Res::ID_VALUE_LISTS))
        button->setToolTip(QStringLiteral("値リストのデータベースを開けないため使えません\n") +
                           reason);
}

void CMainFrame::OnCommand(int commandId) {
    if (!IsCommandAvailable(commandId))
        return;
    switch (commandId) {
    case Res::ID_FILE_OPEN:
        OnOpen();
        break;
    case Res::ID_COMPARE:
        m_pMergeWindow->OnCompareCommand();
        break;
    case Res::ID_RELOAD:
        OnReload();
        break;
    case Res::ID_FILE_SAVE:
        SaveDocument();
        break;
    case Res::ID_ADD:
        OnAdd();
        break;
    case Res::ID_VALUE_LISTS:
        OnValueLists();
        break;
    case Res::ID_FIND:
        OnFind();
        break;
    case Res::ID_FIND_NEXT:
        OnFindNext();
        break;
    case Res::ID_FIND_PREV:
        OnFindPrev();
        break;
    default:
        break;
    }
}

bool CMainFrame::OpenFile(const QString& path, bool reload) {
    if (IsBusy())
        return false;
    std::unique_ptr<CIniData> ini = LoadIni(path, QString());
    if (!ini)
        return false;
    ShowFile(std::move(ini), reload);
    return true;
}

bool CMainFrame::RunLoad(const QString& text, int passes, const std::function<void()>& job) {
    if (IsBusy())
        return false;
    if (m_pWork->RunLoad(text, passes, job))
        return true;
    // The user's own choice: no message box, the window as it was.
    statusBar()->showMessage(kLoadStopped, kStatusMessageMs);
    return false;
}

std::unique_ptr<CIniData> CMainFrame::LoadIni(const QString& path, const QString& prefix) {
    std::unique_ptr<CIniData> ini;
    QString errorText;
    m_pFileWatch->LoadStarts(path);
    if (!RunLoad(LoadingText({path}), kPassesPerFile, [&] { ini = ReadModel(path, errorText); }))
        return nullptr;
    if (CBackupOffer::AfterLoad(this, path, ini ? QString() : prefix + errorText))
        return LoadIni(path, prefix); // the damaged file holds its backup's text again
    return ini;
}

void CMainFrame::ShowFile(std::unique_ptr<CIniData> ini, bool keepValueList) {
    // A reload keeps the user's choice of value list, "none" included.
    if (keepValueList)
        ini->SetProject(std::make_unique<CProjectData>(m_pProjectBar->SelectedPid()));
    m_pDoc->OnNewDocument();
    CIniData* shown = ini.get();
    m_pDoc->m_pIniData = std::move(ini);
    m_pDoc->SetTitle(shown->m_filePath);
    m_pTitle->ShowDocument(true);
    UpdateCommandUI();
    m_pDoc->UpdateAllViews(nullptr, Res::HINT_SHOW_FILE, reinterpret_cast<quintptr>(shown));
    // The preview reads the whole file once more: the window paints meanwhile.
    m_pWork->RunHere(ShowingText({shown->m_filePath}), 1, [&] { m_pPreviewBar->SetIni(shown); });
    m_pFileWatch->Watch(ShownPaths());
    WarnSkippedSections(*shown, QString());
}

bool CMainFrame::OpenCompare(const QString& path1, const QString& path2) {
    if (IsBusy())
        return false;
    std::unique_ptr<CIniCompare> compare;
    QString errorText;
    // The pairing is one more pass, without steps of its own.
    if (!RunLoad(LoadingText({path1, path2}), 2 * kPassesPerFile + 1,
                 [&] { compare = ReadCompare(path1, path2, errorText); }))
        return false;
    if (!compare) {
        ShowError(errorText);
        return false;
    }
    ShowCompare(std::move(compare));
    return true;
}

std::unique_ptr<CIniCompare> CMainFrame::PairFiles(std::unique_ptr<CIniData> ini1,
                                                   std::unique_ptr<CIniData> ini2) {
    std::unique_ptr<CIniCompare> compare;
    const QStringList paths = {ini1->m_filePath, ini2->m_filePath};
    if (!RunLoad(LoadingText(paths), 1, [&] { compare = Pair(std::move(ini1), std::move(ini2)); }))
        return nullptr;
    return compare;
}

void CMainFrame::ShowCompare(std::unique_ptr<CIniCompare> compare) {
    m_pDoc->OnNewDocument();
    CIniCompare* shown = compare.get();
    m_pDoc->m_pCompare = std::move(compare);
    m_pDoc->SetTitle(shown->GetTitle(2));
    m_pTitle->ShowDocument(true);
    UpdateCommandUI();
    m_pDoc->UpdateAllViews(nullptr, Res::HINT_SHOW_COMPARE, reinterpret_cast<quintptr>(shown));
    m_pWork->RunHere(ShowingText({shown->GetTitle(0), shown->GetTitle(1)}), 2,
                     [&] { m_pPreviewBar->SetCompare(shown); });
    m_pFileWatch->Watch(ShownPaths());
    WarnSkippedSections(*shown->m_pIni1, QStringLiteral("1:"));
    WarnSkippedSections(*shown->m_pIni2, QStringLiteral("2:"));
}

bool CMainFrame::AskOpenFileName(QString& path, const QString& title) {
    Ui::FileOpenRequest request;
    request.parent = this;
    request.title = title;
    request.filter = kIniFilter;
    request.defaultSuffix = QStringLiteral("ini");
    const Ui::FileOpenResult result = Ui::GetOpenFileName(request);
    if (!result.accepted)
        return false;
    path = result.path;
    return true;
}

void CMainFrame::OnOpen() {
    QString path;
    if (!AskOpenFileName(path) || !ConfirmDiscard())
        return;
    if (OpenFile(path, false))
        m_pProjectBar->show();
}

void CMainFrame::OnReload() {
    if (ConfirmDiscard())
        ReloadDocument();
}

void CMainFrame::ReloadDocument() {
    const CViewPlace place = m_pView->CurrentPlace();
    // The paths are copied: the reload destroys the models that hold them.
    if (m_pDoc->m_pIniData) {
        const QString path = m_pDoc->m_pIniData->m_filePath;
        OpenFile(path, true);
    } else if (m_pDoc->m_pCompare) {
        const QString path1 = m_pDoc->m_pCompare->GetTitle(0);
        const QString path2 = m_pDoc->m_pCompare->GetTitle(1);
        OpenCompare(path1, path2);
    }
    m_pView->RestorePlace(place);
}

void CMainFrame::CloseDocument() {
    m_pDoc->OnNewDocument();
    m_pTitle->ShowDocument(false);
    UpdateCommandUI();
    m_pProjectBar->hide();
    m_pFileWatch->Watch({});
}

bool CMainFrame::SaveDocument() {
    if (IsBusy())
        return false;
    m_pView->CommitEdit();
    if (!m_pDoc->HasContent())
        return true;
    return m_pMergeWindow->IsShown() ? m_pMergeWindow->Save() : SaveShown();
}

bool CMainFrame::SaveShown() {
    const CViewPlace place = m_pView->CurrentPlace();
    QStringList failures;
    if (m_pDoc->m_pCompare)
        SaveCompare(failures);
    else
        SaveSingle(failures);
    m_pView->RestorePlace(place);
    // The save's work clears the bar as it starts: a word there now (a stopped reading) says more.
    if (failures.isEmpty() && statusBar()->currentMessage().isEmpty())
        ShowDone(QStringLiteral("保存しました: ") + ShownPaths().join(QStringLiteral(", ")));
    // The screen is true before the message says what it lacks.
    for (const QString& failure : failures)
        ShowError(failure);
    return failures.isEmpty();
}

void CMainFrame::SaveSingle(QStringList& failures) {
    const FileSave save = SaveIni(*m_pDoc->m_pIniData);
    if (!save.failure.isEmpty())
        failures.append(save.failure);
    if (std::unique_ptr<CIniData> fresh = ReadBack(*m_pDoc->m_pIniData, save, QString()))
        ShowFile(std::move(fresh), true);
}

void CMainFrame::SaveCompare(QStringList& failures) {
    CIniCompare& compare = *m_pDoc->m_pCompare;
    const FileSave save1 = SaveIni(*compare.m_pIni1);
    const FileSave save2 = SaveIni(*compare.m_pIni2);
    for (const FileSave* save : {&save1, &save2}) {
        if (!save->failure.isEmpty())
            failures.append(save->failure);
    }
    const QString path1 = compare.GetTitle(0);
    const QString path2 = compare.GetTitle(1);
    std::unique_ptr<CIniData> ini1;
    std::unique_ptr<CIniData> ini2;
    QString error1;
    QString error2;
    // Stopped: the saved models stay on screen, as for a file that could not be read again.
    if (!RunLoad(LoadingText({path1, path2}), 2 * kPassesPerFile, [&] {
            if (save1.readAgain)
                ini1 = ReadModel(path1, error1);
            if (save2.readAgain)
                ini2 = ReadModel(path2, error2);
        }))
        return;
    if (save1.readAgain && !ini1)
        ShowError(QStringLiteral("1:") + error1);
    if (save2.readAgain && !ini2)
        ShowError(QStringLiteral("2:") + error2);
    if (ini1)
        CQuilletDoc::CarryUnwritten(*compare.m_pIni1, *ini1);
    if (ini2)
        CQuilletDoc::CarryUnwritten(*compare.m_pIni2, *ini2);
    if (ini1 && ini2) {
        if (std::unique_ptr<CIniCompare> paired = PairFiles(std::move(ini1), std::move(ini2)))
            ShowCompare(std::move(paired));
        return;
    }
    if (!ini1 && !ini2)
        return;
    // A file that was not read again keeps its model, unsaved values and all. The window
    // shows that model until the new pairing replaces it, so the pairing runs here.
    if (!ini1)
        ini1 = std::move(compare.m_pIni1);
    if (!ini2)
        ini2 = std::move(compare.m_pIni2);
    ShowCompare(Pair(std::move(ini1), std::move(ini2)));
}

CMainFrame::FileSave CMainFrame::SaveIni(CIniData& ini) {
    const qsizetype pending = CQuilletDoc::UnwrittenEntries(ini).size();
    CSaveFailure failure(ini.m_filePath);
    m_pWork->RunHere(WorkText(QStringLiteral("保存中: "), {ini.m_filePath}),
                     CWorkIndicator::kEachPass,
                     [&] { ini.Save([&](const CIniEntryData& entry) { failure.Add(entry); }); });
    // What was written is the file's now, even when other entries failed: no step may take it
    // back to what the file held before.
    m_pView->ClearUndoHistory();
    m_pFileWatch->Accept(ini.m_filePath);
    const QStringList unwritten = CQuilletDoc::UnwrittenEntries(ini);
    FileSave save;
    save.readAgain = unwritten.isEmpty() || unwritten.size() < pending;
    if (!unwritten.isEmpty())
        save.failure = failure.Message(unwritten);
    return save;
}

std::unique_ptr<CIniData> CMainFrame::ReadBack(const CIniData& saved, const FileSave& save,
                                               const QString& prefix) {
    if (!save.readAgain)
        return nullptr;
    std::unique_ptr<CIniData> fresh = LoadIni(saved.m_filePath, prefix);
    if (fresh)
        CQuilletDoc::CarryUnwritten(saved, *fresh);
    return fresh;
}

bool CMainFrame::ConfirmDiscard() {
    m_pView->CommitEdit();
    if (!m_pDoc->HasUnsavedChanges())
        return true;
    const int answer =
        Ui::MessageBox(this, QStringLiteral("変更が保存されていません。保存しますか？"), kCaption,
                       Ui::MB_YESNOCANCEL | Ui::MB_ICONQUESTION);
    if (answer == Ui::IDYES)
        return SaveDocument();
    return answer == Ui::IDNO;
}

void CMainFrame::OnAdd() {
    m_pView->CommitEdit();
    if (m_pDoc->m_pIniData) {
        if (RunAddDialog())
            m_pDoc->UpdateAllViews(nullptr, Res::HINT_ADDED, 0);
    } else if (m_pDoc->m_pCompare) {
        if (RunAddDialog())
            m_pDoc->UpdateAllViews(nullptr, Res::HINT_ADDED_COMPARE, 0);
    }
}

void CMainFrame::OnValueLists() {
    // Import reads the open file; in comparison mode there is no single file to read.
    CProjectDlg dialog(m_pDataBase, m_pDoc->m_pIniData.get(), m_pProjectBar->SelectedPid(), this);
    dialog.DoModal();
    // A dialog that could not read the lists changed nothing: the file keeps what it shows.
    if (!dialog.ListsRead())
        return;
    // The view reloads its list by PID; a PID freed in the dialog may belong to a new list by
    // now, which nobody attached to this file. Such a file falls back to its history.
    if (CIniData* ini = m_pDoc->m_pIniData.get();
        ini && ini->m_pProject && dialog.WasDeleted(ini->m_pProject->GetPid()))
        ini->m_pProject.reset();
    m_pDoc->UpdateAllViews(nullptr, Res::HINT_VALUE_LISTS_CHANGED, 0);
}

bool CMainFrame::RunAddDialog() {
    if (m_pDoc->m_pIniData) {
        CAddDlg dlg(m_pDoc->m_pIniData.get(), this);
        return dlg.exec() == QDialog::Accepted;
    }
    CAddCompareDlg dlg(m_pDoc->m_pCompare.get(), this);
    return dlg.exec() == QDialog::Accepted;
}

void CMainFrame::OnFind() {
    if (!m_pDoc->HasContent())
        return;
    if (m_pFindDlg) {
        m_pFindDlg->Reactivate();
        return;
    }
    m_pFindDlg = new CFindDlg(m_pView, &m_pFindDlg, this);
    // F3 and Shift+F3 work while the dialog has the focus.
    connect(m_pFindDlg, &CFindDlg::Command, this, &CMainFrame::OnCommand);
    m_pFindDlg->show();
    m_pFindDlg->activateWindow();
}

void CMainFrame::OnFindNext() {
    if (!m_pView->GetFindText().isEmpty() &&
        m_pView->Find(m_pView->GetFindText(), m_pView->GetFindFlags(), true) && m_pFindDlg)
        m_pFindDlg->StepAsideFromCurrentCell();
}

void CMainFrame::OnFindPrev() {
    if (!m_pView->GetFindText().isEmpty() &&
        m_pView->Find(m_pView->GetFindText(), m_pView->GetFindFlags(), false) && m_pFindDlg)
        m_pFindDlg->StepAsideFromCurrentCell();
}

bool CMainFrame::HasIniName(const QString& path) {
    // A name of fewer than four characters simply does not end in ".ini".
    return path.size() >= 4 && Text::CompareNoCase(QStringView(path).right(4), u".ini") == 0;
}

bool CMainFrame::IsIniFile(const QString& path) {
    if (!HasIniName(path))
        return false;
    // Anything there but a folder: a file the load refuses (too large, unreadable, no regular
    // file) is reported by the load, as when 開く picks it.
    CFileStamp stamp;
    CRegularFile::Status status = CRegularFile::Status::Missing;
    CRegularFile::Stat(path, stamp, &status);
    return status != CRegularFile::Status::Missing && !QFileInfo(path).isDir();
}

void CMainFrame::DropFiles(const QStringList& paths) {
    if (IsBusy())
        return;
    QStringList accepted;
    for (const QString& path : paths) {
        if (IsIniFile(path))
            accepted.append(path);
        if (accepted.size() == kMaxDroppedFiles)
            break;
    }
    raise();
    activateWindow();
    OpenAccepted(accepted);
}

void CMainFrame::OpenCommandLineFiles(const QStringList& paths) {
    // Started from a file manager there is no terminal to read the usage on.
    if (paths.size() > kMaxDroppedFiles) {
        ShowError(QStringLiteral("指定できるファイルは2つまでです。\n") +
                  CCommandLine::UsageText().section(u'\n', 0, 0));
        return;
    }
    QStringList accepted;
    for (const QString& given : paths) {
        // The model wants full paths; a name given on the command line is relative to the
        // folder the program was started in.
        const QString path = QDir::toNativeSeparators(QFileInfo(given).absoluteFilePath());
        CFileStamp stamp;
        CRegularFile::Status status = CRegularFile::Status::Missing;
        CRegularFile::Stat(path, stamp, &status);
        // Something that is there but cannot be read is left to the load, which says why.
        if (status == CRegularFile::Status::Missing)
            ShowError(QStringLiteral("ファイルが見つかりません。\n") + path);
        else if (!HasIniName(path))
            ShowError(QStringLiteral("INI ファイル (*.ini) ではありません。\n") + path);
        else
            accepted.append(path);
    }
    OpenAccepted(accepted);
}

void CMainFrame::OpenAccepted(const QStringList& paths) {
    if (paths.isEmpty() || IsBusy() || !ConfirmDiscard())
        return;
    if (paths.size() == 1) {
        if (OpenFile(paths[0], false))
            m_pProjectBar->show();
    } else if (OpenCompare(paths[0], paths[1])) {
        m_pProjectBar->hide();
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (IsBusy()) {
        // A load stops at its next step, a save runs to its end; the window closes after.
        StopLoad();
        m_bCloseWhenIdle = true;
        event->ignore();
        return;
    }
    if (ConfirmDiscard())
        event->accept();
    else
        event->ignore();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !IsBusy())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    event->acceptProposedAction();
    // The drop is finished before anything opens: a message box inside the drop would keep
    // the dragging program waiting.
    QMetaObject::invokeMethod(
        this, [this, paths] { DropFiles(paths); }, Qt::QueuedConnection);
}
