#include "app/FileWatch.h"

#include "platform/ui/MessageBox.h"

#include <QEvent>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace {
const QString kMergeAnswer = QStringLiteral("変更を取り込む");
const QString kMergeLine =
    QStringLiteral("\n\n「変更を取り込む」: ファイルの新しい内容を編集中の内容に"
                   "取り込みます。保存するまで何も書き込みません。");
} // namespace

CFileWatch::CFileWatch(QWidget* window, Hooks hooks)
    : QObject(window), m_pWindow(window), m_hooks(std::move(hooks)) {
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &CFileWatch::OnSomethingChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &CFileWatch::OnSomethingChanged);
    m_pWindow->installEventFilter(this);
}

void CFileWatch::Watch(const QStringList& paths) {
    m_files.clear();
    for (const QString& path : paths) {
        const auto loaded = std::find_if(m_loading.begin(), m_loading.end(),
                                         [&](const WatchedFile& f) { return f.path == path; });
        m_files.push_back(loaded != m_loading.end() ? *loaded : StampOf(path));
    }
    m_loading.clear();
    m_bPending = false;
    OnSomethingChanged(); // watches them; a change during the load is news already
}

void CFileWatch::SetMerge(std::function<bool()> canMerge, std::function<void()> merge) {
    m_canMerge = std::move(canMerge);
    m_merge = std::move(merge);
}

void CFileWatch::LoadStarts(const QString& path) {
    m_loading.push_back(StampOf(path));
}

void CFileWatch::Accept(const QString& path) {
    for (WatchedFile& file : m_files) {
        if (file.path == path)
            file = StampOf(path);
    }
    Rearm();
}

void CFileWatch::Hold(bool held) {
    m_bHeld = held;
    if (!held && m_bPending && m_pWindow->isActiveWindow())
        AskSoon();
}

QStringList CFileWatch::WatchedPaths() const {
    QStringList paths;
    for (const WatchedFile& file : m_files)
        paths.append(file.path);
    return paths;
}

CFileWatch::WatchedFile CFileWatch::StampOf(const QString& path) {
    WatchedFile file;
    file.path = path;
    file.exists = CRegularFile::Stat(path, file.stamp);
    return file;
}

void CFileWatch::Rearm() {
    // Starting afresh is simpler than tracking which watches the system has dropped: a file
    // replaced by rename leaves a watch on an inode that no longer has the name.
    const QStringList old = m_watcher.files() + m_watcher.directories();
    if (!old.isEmpty())
        m_watcher.removePaths(old);
    QStringList paths;
    for (const WatchedFile& file : m_files) {
        const QFileInfo info(file.path);
        if (info.exists())
            paths.append(file.path);
        if (const QString folder = info.absolutePath(); QFileInfo::exists(folder))
            paths.append(folder);
    }
    paths.removeDuplicates();
    if (!paths.isEmpty())
        m_watcher.addPaths(paths);
}

void CFileWatch::OnSomethingChanged() {
    Rearm();
    if (ChangedPaths().isEmpty())
        return;
    m_bPending = true;
    if (m_pWindow->isActiveWindow())
        AskSoon();
}

bool CFileWatch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pWindow && event->type() == QEvent::WindowActivate && m_bPending)
        AskSoon();
    return QObject::eventFilter(watched, event);
}

void CFileWatch::AskSoon() {
    // Not inside the watcher's signal or the activation: the question runs its own event loop.
    QTimer::singleShot(0, this, &CFileWatch::Ask);
}

void CFileWatch::Ask() {
    if (m_bAsking || !m_bPending || m_bHeld)
        return;
    const QStringList changed = ChangedPaths();
    m_bPending = false;
    if (changed.isEmpty())
        return; // changed back, or already read again
    m_bAsking = true;
    const QStringList removed = RemovedPaths(changed);
    // Enter must not throw unsaved edits away: with some, the default answer keeps them.
    const bool unsaved = m_hooks.hasUnsavedChanges();
    const unsigned defaultButton = unsaved ? unsigned(Ui::MB_DEFBUTTON2) : 0u;
    const bool offerMerge = unsaved && removed.isEmpty() && m_canMerge && m_canMerge();
    const int answer = Ui::MessageBox(
        m_pWindow, QuestionText(changed, removed) + (offerMerge ? kMergeLine : QString()),
        QStringLiteral("Quillet"),
        (offerMerge ? Ui::MB_YESNOTHIRD : Ui::MB_YESNO) | Ui::MB_ICONQUESTION | defaultButton,
        offerMerge ? kMergeAnswer : QString());
    // Whatever happened while the question was up is answered by it too; only a later change
    // asks again.
    TakeCurrentStateAsKnown();
    m_bAsking = false;
    if (answer == Ui::IDTHIRD && offerMerge)
        m_merge();
    if (answer != Ui::IDYES)
        return;
    if (removed.isEmpty())
        m_hooks.reload();
    else
        m_hooks.close();
}

QStringList CFileWatch::RemovedPaths(const QStringList& changed) {
    QStringList removed;
    for (const QString& path : changed) {
        if (!StampOf(path).exists)
            removed.append(path);
    }
    return removed;
}

QStringList CFileWatch::ChangedPaths() const {
    QStringList changed;
    for (const WatchedFile& file : m_files) {
        const WatchedFile now = StampOf(file.path);
        if (now.exists != file.exists || (now.exists && now.stamp != file.stamp))
            changed.append(file.path);
    }
    return changed;
}

QString CFileWatch::QuestionText(const QStringList& changed, const QStringList& removed) const {
    const QString lossLine = QStringLiteral("\n保存されていない変更は失われます。");
    const bool unsaved = m_hooks.hasUnsavedChanges();
    // A removed file cannot be read again: the question is whether to close it.
    if (!removed.isEmpty())
        return QStringLiteral("ファイルが削除されました。\n") + removed.join(u'\n') +
               (unsaved ? lossLine : QString());
    QString text =
        QStringLiteral("ファイルが他のプログラムによって変更されました。再読み込みしますか？");
    if (unsaved)
        text += lossLine;
    for (const QString& path : changed)
        text += u'\n' + path;
    return text;
}

void CFileWatch::TakeCurrentStateAsKnown() {
    for (WatchedFile& file : m_files)
        file = StampOf(file.path);
    Rearm();
}
