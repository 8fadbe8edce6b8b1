#pragma once

#include "platform/RegularFile.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <functional>
#include <vector>

class QWidget;

// Watches the files the main window shows. When another program changes, replaces or removes
// one, the window asks once, the next time it is active, whether to read the files again, or,
// for a removed one, whether to close them.
// Each file is known by its stamp: whatever this program writes itself is handed in as known,
// so its own saves never look like news.
class CFileWatch : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        // Whether reading again would drop changes the user has not saved.
        std::function<bool()> hasUnsavedChanges;
        // Reads the shown files again, as the reload command does.
        std::function<void()> reload;
        // Closes the shown files: one of them is gone.
        std::function<void()> close;
    };

    // With unsaved edits the question offers a third answer, "変更を取り込む", when canMerge
    // says yes; merge then takes the file's new state into the edits.
    void SetMerge(std::function<bool()> canMerge, std::function<void()> merge);

    CFileWatch(QWidget* window, Hooks hooks);

    // The files shown from now on, in their current state; earlier ones are forgotten. A file
    // announced by LoadStarts is compared with its state at that time instead: a change or
    // removal while it loaded is asked about as any later one.
    void Watch(const QStringList& paths);
    // The window starts loading path: its state now is what the model will show.
    void LoadStarts(const QString& path);
    // This program has just written path: its new state is known, not news.
    void Accept(const QString& path);
    // While held (the window loads or saves) nothing is asked: a change seen meanwhile is
    // asked about after the release, if it is still news then.
    void Hold(bool held);

    QStringList WatchedPaths() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct WatchedFile {
        QString path;
        bool exists = false;
        CFileStamp stamp;
    };

    static WatchedFile StampOf(const QString& path);
    // Watches each shown file and its folder; a replaced file is a new inode to watch again,
    // a removed one comes back through its folder.
    void Rearm();
    void OnSomethingChanged();
    void AskSoon();
    void Ask();
    QStringList ChangedPaths() const;
    static QStringList RemovedPaths(const QStringList& changed);
    QString QuestionText(const QStringList& changed, const QStringList& removed) const;
    void TakeCurrentStateAsKnown();

    QWidget* m_pWindow;
    Hooks m_hooks;
    std::function<bool()> m_canMerge;
    std::function<void()> m_merge;
    QFileSystemWatcher m_watcher;
    std::vector<WatchedFile> m_files;
    std::vector<WatchedFile> m_loading; // as LoadStarts found them, until the next Watch
    // A change waits for the window to be active; the question is never asked twice at once.
    bool m_bPending = false;
    bool m_bAsking = false;
    bool m_bHeld = false;
};
