#include "app/FolderMode.h"

#include "app/CompareBar.h"
#include "app/FolderPairDlg.h"
#include "app/MainFrame.h"
#include "app/MenuDlgBar.h"
#include "app/PreviewDlgBar.h"
#include "app/QuilletDoc.h"
#include "compare/CompareReport.h"
#include "compare/FolderCompare.h"
#include "grid/ListCtrlEx.h"
#include "platform/WorkProgress.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "res/Resource.h"
#include "view/FolderListView.h"
#include "view/QuilletView.h"

#include <QAction>
#include <QBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QStackedWidget>
#include <QTreeWidget>
#include <algorithm>

namespace {

const QString kCaption = QStringLiteral("Quillet");

void ShowError(QWidget* parent, const QString& text) {
    Ui::MessageBox(parent, text, kCaption, Ui::MB_OK | Ui::MB_ICONERROR);
}

// The folder's own message when it is missing or no folder; empty when it can be walked.
QString FolderProblem(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.exists())
        return QStringLiteral("フォルダが見つかりません。\n") + folder;
    if (!info.isDir())
        return QStringLiteral("フォルダではありません。\n") + folder;
    return QString();
}

} // namespace

CFolderMode::CFolderMode(CMainFrame* frame, CQuilletDoc* doc, CQuilletView* view, QWidget* parent)
    : QObject(parent), m_pFrame(frame), m_pDoc(doc), m_pView(view),
      m_pStack(new QStackedWidget(parent)), m_pViewPage(new QWidget(m_pStack)),
      m_pBar(new CCompareBar(view->DifferencesOnlyAction(), m_pViewPage)),
      m_pList(new CFolderListView(m_pStack)), m_pBackAction(new QAction(frame)) {
    auto* page = new QVBoxLayout(m_pViewPage);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(m_pBar);
    page->addWidget(view, 1);
    m_pBar->hide();
    m_pStack->addWidget(m_pViewPage);
    m_pStack->addWidget(m_pList);
    connect(m_pBar, &CCompareBar::Back, this, &CFolderMode::BackToList);
    connect(m_pBar, &CCompareBar::RulesEdited, this, &CFolderMode::ApplyWindowRules);
    connect(m_pList, &CFolderListView::OpenPair, this, &CFolderMode::OpenPair);
    connect(m_pList, &CFolderListView::ChooseFolders, this, &CFolderMode::ChooseFolders);
    connect(m_pList, &CFolderListView::RulesChanged, this, &CFolderMode::RulesChanged);
    m_pBackAction->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    m_pBackAction->setShortcutContext(Qt::WindowShortcut);
    m_pBackAction->setEnabled(false);
    connect(m_pBackAction, &QAction::triggered, this, &CFolderMode::BackToList);
    frame->addAction(m_pBackAction);
    // Ctrl+E on the list writes the folders' report, as Ctrl+E on a pair writes the pair's.
    auto* exportKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), m_pList);
    exportKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(exportKey, &QShortcut::activated, this, &CFolderMode::ExportList);
    doc->SetUpdateListener([this](int hint) { OnDocumentUpdate(hint); });
    // The command bar's button comes here, not through the frame's commands: the window's
    // disabled client keeps it from working while work runs.
    if (QPushButton* button = frame->MenuBar()->Button(Res::ID_COMPARE_FOLDERS)) {
        connect(button, &QPushButton::clicked, this, &CFolderMode::ChooseFolders);
        AddFolderKey(frame, button);
    }
}

void CFolderMode::AddFolderKey(CMainFrame* frame, QPushButton* button) {
    const QKeySequence key(Qt::CTRL | Qt::SHIFT | Qt::Key_F);
    auto* action = new QAction(this);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    // Only what the button can do: nothing while work runs.
    connect(action, &QAction::triggered, this, [this, frame, button] {
        if (!frame->IsBusy() && button->isEnabled())
            ChooseFolders();
    });
    frame->addAction(action);
    button->setToolTip(
        QStringLiteral("%1 (%2)").arg(button->text(), key.toString(QKeySequence::NativeText)));
}

CFolderMode::~CFolderMode() {
    m_pDoc->SetUpdateListener({});
}

QWidget* CFolderMode::Pages() const {
    return m_pStack;
}

bool CFolderMode::IsListShown() const {
    return m_pStack->currentWidget() == m_pList;
}

void CFolderMode::ChooseFolders() {
    if (m_pFrame->IsBusy())
        return;
    const QString folder1 = m_pCompare ? m_pCompare->Scan1().root : QString();
    const QString folder2 = m_pCompare ? m_pCompare->Scan2().root : QString();
    CFolderPairDlg dialog(folder1, folder2, m_pFrame);
    if (dialog.exec() == QDialog::Accepted)
        Open(dialog.Folder(1), dialog.Folder(2));
}

bool CFolderMode::OpenCommandLine(const QStringList& paths) {
    if (paths.size() != 2 || (!QFileInfo(paths[0]).isDir() && !QFileInfo(paths[1]).isDir()))
        return false;
    Open(QFileInfo(paths[0]).absoluteFilePath(), QFileInfo(paths[1]).absoluteFilePath());
    return true;
}

bool CFolderMode::Open(const QString& folder1, const QString& folder2) {
    if (m_pFrame->IsBusy())
        return false;
    for (const QString& folder : {folder1, folder2}) {
        if (const QString problem = FolderProblem(folder); !problem.isEmpty()) {
            ShowError(m_pFrame, problem);
            return false;
        }
    }
    if (!m_pFrame->ConfirmDiscard())
        return false;
    m_pFrame->CloseDocument();
    return CompareFolders(QDir::toNativeSeparators(folder1), QDir::toNativeSeparators(folder2));
}

bool CFolderMode::CompareFolders(const QString& folder1, const QString& folder2) {
    CRowRules rules;
    for (const QString& pattern : m_pList->IgnorePatterns())
        rules.ignore.Add(pattern);
    rules.ignoreValueCase = m_pList->IgnoresValueCase();
    auto compare = std::make_unique<CFolderCompare>(folder1, folder2, rules);
    m_pCompare.reset();
    m_compared.clear();
    m_openPair = -1;
    m_pList->Reset(folder1, folder2);
    ShowList();
    bool scanned = false;
    CFolderCompare* walked = compare.get();
    const bool finished =
        m_pFrame->RunLoad(QStringLiteral("比較中: %1 ⇔ %2").arg(folder1, folder2), 1, [&] {
            scanned = walked->Scan();
            if (!scanned)
                return;
            const size_t count = walked->Pairs().size();
            for (size_t i = 0; i < count; ++i) {
                {
                    // The files' own passes would make the bar run back and forth: it counts
                    // files instead.
                    const CWorkProgress quiet([](qint64, qint64) {});
                    walked->ComparePair(i);
                }
                QMetaObject::invokeMethod(
                    this, [this, i, status = walked->Pairs()[i]] { PairCompared(i, status); },
                    Qt::QueuedConnection);
                CWorkProgress::Step(qint64(i + 1), qint64(count));
            }
        });
    if (finished && !scanned) {
        ShowError(m_pFrame, walked->ErrorText());
        return false;
    }
    m_pCompare = std::move(compare);
    UpdateSummary(!finished);
    m_pList->List()->setFocus();
    return finished;
}

void CFolderMode::PairCompared(size_t index, const CFilePairStatus& status) {
    if (index >= m_compared.size())
        m_compared.resize(index + 1, false);
    m_compared[index] = true;
    m_pList->SetPair(index, status);
    // The first pair listed is the current one, so that Enter opens it at once.
    if (!m_pList->List()->currentItem())
        m_pList->List()->setCurrentItem(m_pList->List()->topLevelItem(0));
}

void CFolderMode::UpdateSummary(bool stopped) {
    if (!m_pCompare)
        return;
    int counts[5] = {};
    int listed = 0;
    for (size_t i = 0; i < m_pCompare->Pairs().size(); ++i) {
        if (i < m_compared.size() && m_compared[i]) {
            ++counts[m_pCompare->Pairs()[i].kind];
            ++listed;
        }
    }
    QString text = QStringLiteral("異なる %1 ・ 1 のみ %2 ・ 2 のみ %3 ・ 読めません %4 ・ 同じ %5")
                       .arg(counts[CFilePairStatus::Differs])
                       .arg(counts[CFilePairStatus::OnlyIn1])
                       .arg(counts[CFilePairStatus::OnlyIn2])
                       .arg(counts[CFilePairStatus::Unreadable])
                       .arg(counts[CFilePairStatus::Identical]);
    const CFolderScan& scan1 = m_pCompare->Scan1();
    const CFolderScan& scan2 = m_pCompare->Scan2();
    const int special = scan1.specialFiles + scan2.specialFiles;
    const int loops = scan1.linkLoops + scan2.linkLoops + scan1.linksOutside + scan2.linksOutside;
    if (special + loops > 0)
        text +=
            QStringLiteral(" ・ 飛ばしたもの: 特殊ファイル %1、リンク %2").arg(special).arg(loops);
    if (stopped)
        text += QStringLiteral(" ・ 中止: %1 / %2 件を比較")
                    .arg(listed)
                    .arg(m_pCompare->Pairs().size());
    m_pList->SetSummary(text);
}

void CFolderMode::RulesChanged() {
    if (!m_pCompare || m_pFrame->IsBusy())
        return;
    // The patterns apply to every pair: the folders are compared again under them.
    const QString folder1 = m_pCompare->Scan1().root;
    const QString folder2 = m_pCompare->Scan2().root;
    if (!IsListShown() && !BackToList())
        return;
    CompareFolders(folder1, folder2);
}

QString CFolderMode::PairPath(int index) const {
    return m_pCompare->Pairs()[size_t(index)].Path();
}

bool CFolderMode::OpenPair(int index) {
    if (!m_pCompare || index < 0 || size_t(index) >= m_pCompare->Pairs().size() ||
        m_pFrame->IsBusy())
        return false;
    const CFilePairStatus& pair = m_pCompare->Pairs()[size_t(index)];
    if (pair.kind == CFilePairStatus::Unreadable) {
        ShowError(m_pFrame, pair.Path() + u'\n' + pair.Detail());
        return false;
    }
    bool opened = false;
    if (pair.kind == CFilePairStatus::OnlyIn1)
        opened = m_pFrame->OpenFile(m_pCompare->FullPath(1, pair.path1), false);
    else if (pair.kind == CFilePairStatus::OnlyIn2)
        opened = m_pFrame->OpenFile(m_pCompare->FullPath(2, pair.path2), false);
    else
        opened = m_pFrame->OpenCompare(m_pCompare->FullPath(1, pair.path1),
                                       m_pCompare->FullPath(2, pair.path2));
    if (!opened)
        return false;
    m_openPair = index;
    ShowView();
    ApplyWindowRules();
    m_pView->GetGrid()->setFocus();
    return true;
}

bool CFolderMode::BackToList() {
    if (!m_pCompare || IsListShown() || m_pFrame->IsBusy() || !m_pFrame->ConfirmDiscard())
        return false;
    m_pFrame->CloseDocument();
    // The pair may have been saved: its status is what the files say now.
    if (m_openPair >= 0) {
        const size_t index = size_t(m_openPair);
        PairCompared(index, m_pCompare->ComparePair(index));
        UpdateSummary(false);
        m_pList->SelectPair(index);
    }
    m_openPair = -1;
    ApplyWindowRules();
    ShowList();
    m_pList->List()->setFocus();
    return true;
}

void CFolderMode::ApplyWindowRules() {
    CRowRules rules;
    // A pair of the folders is judged as the list judged it, and by the bar's patterns too.
    if (m_pCompare && m_openPair >= 0)
        rules = m_pCompare->Rules();
    for (const QString& pattern : m_pBar->IgnorePatterns())
        rules.ignore.Add(pattern);
    rules.ignoreValueCase = rules.ignoreValueCase || m_pBar->IgnoresValueCase();
    m_pView->SetWindowRules(rules);
}

void CFolderMode::ExportList() {
    if (!m_pCompare || m_pFrame->IsBusy())
        return;
    // A pair not compared would pass for an identical one in the report.
    if (std::count(m_compared.begin(), m_compared.end(), true) < qsizetype(m_compared.size()) ||
        m_compared.size() < m_pCompare->Pairs().size()) {
        ShowError(m_pFrame, QStringLiteral("比較が中止されたため、書き出せません。"));
        return;
    }
    Ui::FileOpenRequest request;
    request.parent = m_pFrame;
    request.filter = QStringLiteral("HTMLファイル (*.html)|*.html||");
    request.defaultSuffix = QStringLiteral("html");
    request.title = QStringLiteral("HTML に書き出す");
    request.directory = m_pCompare->Scan1().root;
    request.fileName = QStringLiteral("folders.html");
    const Ui::FileOpenResult result = Ui::GetSaveFileName(request);
    if (!result.accepted)
        return;
    QByteArray html;
    // The report reads the differing pairs again for their rows: a load of its own.
    if (!m_pFrame->RunLoad(QStringLiteral("書き出し中: ") + result.path, 1,
                           [&] { html = CompareReport::FoldersHtml(*m_pCompare); }))
        return;
    QSaveFile file(result.path);
    if (!file.open(QIODevice::WriteOnly) || file.write(html) != html.size() || !file.commit())
        ShowError(
            m_pFrame,
            QStringLiteral("書き出せませんでした: %1\n%2").arg(result.path, file.errorString()));
}

void CFolderMode::ShowList() {
    m_pStack->setCurrentWidget(m_pList);
    UpdateBackAction();
}

void CFolderMode::ShowView() {
    m_pStack->setCurrentWidget(m_pViewPage);
    UpdateBackAction();
}

void CFolderMode::OnDocumentUpdate(int hint) {
    if (hint != Res::HINT_SHOW_FILE && hint != Res::HINT_SHOW_COMPARE && hint != Res::HINT_CLEAR)
        return;
    // Something shown by another road than the list is no pair of it.
    if (hint != Res::HINT_CLEAR && IsListShown()) {
        m_openPair = -1;
        ShowView();
    }
    UpdateBackAction();
}

void CFolderMode::UpdateBackAction() {
    // The previews belong to a file shown: the list has the room instead.
    m_pFrame->PreviewBar()->setVisible(!IsListShown());
    const bool back = m_pCompare && !IsListShown();
    m_pBackAction->setEnabled(back);
    const bool comparing = m_pDoc->m_pCompare != nullptr;
    m_pBar->setVisible(back || comparing);
    m_pBar->ShowState(back, m_openPair >= 0 ? PairPath(m_openPair) : QString());
}
