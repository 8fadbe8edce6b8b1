#pragma once

#include "view/ViewHost.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

class CFileWatch;
class CFindDlg;
class CFolderMode;
class CIniCompare;
class CIniData;
class CLongWork;
class CMenuDlgBar;
class CMergeWindow;
class CPreviewDlgBar;
class CProjectDlgBar;
class CQuilletDoc;
class CQuilletView;
class CWindowTitle;
class CWorkIndicator;
class QAction;
class QKeySequence;

// The main window: the command bar on the left, the value-list selector bar and the preview
// bar at the top, the view filling the rest. It carries out every command, takes dropped
// files and delivers the numbered messages (Res::WM_*) between the view, the document and
// the bars.
class CMainFrame : public QMainWindow, public CViewHost {
    Q_OBJECT
public:
    CMainFrame(CQuilletDoc* doc, CProjectDataBase* db, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // CViewHost. Messages that arrive before the bars exist or once the window is going are
    // dropped.
    qintptr SendMessage(unsigned message, quintptr wParam, qintptr lParam) override;
    std::map<int, int>& ColumnWidths() override;
    std::map<int, int>& CompareColumnWidths() override;
    CProjectDataBase* DataBase() override { return m_pDataBase; }

    // A command of the command bar or the keyboard (Res::ID_*); a disabled one does nothing.
    void OnCommand(int commandId);
    // The program runs without its value-list database: the management command says why.
    void SetDataBaseProblem(const QString& reason);

    // Loads one file into the document; on a reload the value list chosen in the selector
    // goes with it. False, with the document unchanged, when the load fails or is stopped.
    // The window stays live meanwhile (see CLongWork); while a load or a save runs, every
    // command, edit and drop is refused, and this returns false at once.
    bool OpenFile(const QString& path, bool reload);
    // Loads two files and shows their comparison. False, the document unchanged, on failure.
    bool OpenCompare(const QString& path1, const QString& path2);
    // Asks the running load to stop, as Escape and the 中止 button do.
    void StopLoad();
    bool IsBusy() const;

    // Dropped paths, in drop order: the first two .ini files are opened (one) or compared
    // (two); a file the load refuses is reported as by 開く; everything else is ignored.
    void DropFiles(const QStringList& paths);
    // Files named on the command line: the same as a drop, but each path that is missing or
    // not an .ini file is reported, and more than two open nothing.
    void OpenCommandLineFiles(const QStringList& paths);
    // Whether a drop takes the path: a name ending in ".ini", ignoring case, for anything there
    // but a folder.
    static bool IsIniFile(const QString& path);
    static bool HasIniName(const QString& path);

    CQuilletView* GetView() const { return m_pView; }
    CMenuDlgBar* MenuBar() const { return m_pMenuBar; }
    CPreviewDlgBar* PreviewBar() const { return m_pPreviewBar; }
    CProjectDlgBar* ProjectBar() const { return m_pProjectBar; }
    CFileWatch* FileWatch() const { return m_pFileWatch; }
    CWorkIndicator* WorkIndicator() const { return m_pIndicator; }
    CMergeWindow* MergeWindow() const { return m_pMergeWindow; }
    CFolderMode* Folders() const { return m_pFolders; }

    // Runs job as a load of the window (see CLongWork), text saying what it reads; false,
    // saying so in the status bar, when the user stopped it.
    bool RunLoad(const QString& text, int passes, const std::function<void()>& job);
    // Asks before unsaved changes would be dropped; false when the user cancels or a save
    // that the user asked for failed.
    bool ConfirmDiscard();
    // Empties the window, as at start-up; the question has already said what this drops.
    void CloseDocument();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Merge mode opens, shows and saves through the frame's own loading and saving.
    friend class CMergeWindow;

    void CreateBars();
    void CreateAccelerators();
    void CreateFileWatch();
    void CreateLongWork();
    // While work runs the window only paints, and shows the work's progress.
    void OnBusyChanged(bool busy);
    // The status bar is there while work runs or it has something to say.
    void UpdateStatusBar();
    // The shown files, as the watch and the reload know them.
    QStringList ShownPaths() const;
    void AddAccelerator(int commandId, const QKeySequence& key);
    void UpdateCommandUI();
    bool IsCommandAvailable(int commandId) const;
    void ShowError(const QString& text);
    // A word in the status bar on work that went well.
    void ShowDone(const QString& text);
    // Sections too large for the section buffer are not shown; say which, once per load.
    void WarnSkippedSections(const CIniData& ini, const QString& prefix);

    void OnOpen();
    void OnReload();
    void OnAdd();
    void OnValueLists();
    void OnFind();
    void OnFindNext();
    void OnFindPrev();

    bool AskOpenFileName(QString& path, const QString& title = QString());
    void OpenAccepted(const QStringList& paths);
    // Reads a file; null, after saying why (prefix first), when it cannot be read or the user
    // stopped the load.
    std::unique_ptr<CIniData> LoadIni(const QString& path, const QString& prefix);
    // Makes ini the document; keepValueList: the value list chosen in the selector goes with it.
    void ShowFile(std::unique_ptr<CIniData> ini, bool keepValueList);
    // Pairs the two files on the worker; null when the user stopped it.
    std::unique_ptr<CIniCompare> PairFiles(std::unique_ptr<CIniData> ini1,
                                           std::unique_ptr<CIniData> ini2);
    void ShowCompare(std::unique_ptr<CIniCompare> compare);
    // Reads the shown files again where the user is now.
    void ReloadDocument();

    // One file's save.
    struct FileSave {
        // Something went out or nothing was left: the file must be read again to be shown true.
        bool readAgain = false;
        QString failure; // the message about what was not written; empty when all was
    };
    // Saves, reads the files again keeping what was not written, brings the user back to the
    // same place and then reports what could not be written; true when everything was.
    bool SaveDocument();
    // The save itself, of whatever the document shows.
    bool SaveShown();
    void SaveSingle(QStringList& failures);
    void SaveCompare(QStringList& failures);
    FileSave SaveIni(CIniData& ini);
    // The saved file read again, with what the save could not write put back in; null when it
    // need not be read or cannot be (then the saved model stays).
    std::unique_ptr<CIniData> ReadBack(const CIniData& saved, const FileSave& save,
                                       const QString& prefix);
    // The dialog ended with OK.
    bool RunAddDialog();

    CQuilletDoc* m_pDoc;
    CProjectDataBase* m_pDataBase;
    // Made on the first Ctrl+F and kept, hidden, in between; it clears this when it goes.
    CFindDlg* m_pFindDlg = nullptr;
    CMenuDlgBar* m_pMenuBar = nullptr;
    CPreviewDlgBar* m_pPreviewBar = nullptr;
    CProjectDlgBar* m_pProjectBar = nullptr;
    CQuilletView* m_pView = nullptr;
    CFolderMode* m_pFolders = nullptr; // the folder list, in place of the view when shown
    CFileWatch* m_pFileWatch = nullptr;
    CWorkIndicator* m_pIndicator = nullptr;
    CLongWork* m_pWork = nullptr;
    CMergeWindow* m_pMergeWindow = nullptr;
    // Escape while a load runs.
    QAction* m_pStopAction = nullptr;
    // The focus before the work began, to give back after it.
    QPointer<QWidget> m_pFocusBeforeWork;
    // The window was asked to close while work ran: it closes once the work is over.
    bool m_bCloseWhenIdle = false;
    std::map<int, QAction*> m_accelerators;
    // Messages reach the bars only between their creation and the window's destruction.
    bool m_bBarsReady = false;
    // Once a file was shown the title carries the document's title after the program's.
    std::unique_ptr<CWindowTitle> m_pTitle;
};
