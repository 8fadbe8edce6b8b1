#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class CCompareBar;
class CFolderCompare;
class CFolderListView;
class CMainFrame;
class CQuilletDoc;
class CQuilletView;
struct CFilePairStatus;
class QAction;
class QPushButton;
class QStackedWidget;
class QWidget;

// Two folders compared in the window: the list of their files (CFolderListView) in place of
// the view, each pair opened in the view's comparison and the way back to the list. The pairs
// are compared on the window's worker, as a load, and the list fills as they come. Whatever
// the frame shows by any other road (開く, 比較, a drop) takes the place of the list too.
class CFolderMode : public QObject {
    Q_OBJECT
public:
    CFolderMode(CMainFrame* frame, CQuilletDoc* doc, CQuilletView* view, QWidget* parent);
    ~CFolderMode() override;

    // The stack of the view (with the bar above it) and the list, for the frame's layout.
    QWidget* Pages() const;

    // Asks for two folders and compares them.
    void ChooseFolders();
    // Compares the two folders and shows the list; a folder that cannot be read is named in a
    // message and nothing changes. False then, or when the user keeps unsaved changes.
    bool Open(const QString& folder1, const QString& folder2);
    // The command line named two folders (either one a folder): compares them. False, leaving
    // the paths to the frame, when neither is a folder.
    bool OpenCommandLine(const QStringList& paths);
    // Back to the list from a pair, asking about unsaved changes first; the pair is compared
    // again, as it may have been saved. False when there is no list or the user stays.
    bool BackToList();
    // Opens pair `index` of the list: a comparison, or the file only one folder has.
    bool OpenPair(int index);

    bool IsListShown() const;
    CFolderListView* List() const { return m_pList; }
    CCompareBar* Bar() const { return m_pBar; }
    const CFolderCompare* Comparison() const { return m_pCompare.get(); }

private:
    // Ctrl+Shift+F for the command bar's button, named in its tooltip as the others are.
    void AddFolderKey(CMainFrame* frame, QPushButton* button);
    // Scans and compares every pair on the worker, the list filling as they come; false when
    // the user stopped it or a folder cannot be read (said in a message).
    bool CompareFolders(const QString& folder1, const QString& folder2);
    void RulesChanged();
    // The rules of the shown comparison: the bar's, and the folders' for one of their pairs.
    void ApplyWindowRules();
    // Ctrl+E on the list: the folders' report as one HTML page.
    void ExportList();
    void PairCompared(size_t index, const CFilePairStatus& status);
    void UpdateSummary(bool stopped);
    void ShowList();
    void ShowView();
    void OnDocumentUpdate(int hint);
    void UpdateBackAction();
    QString PairPath(int index) const;

    CMainFrame* m_pFrame;
    CQuilletDoc* m_pDoc;
    CQuilletView* m_pView;
    QStackedWidget* m_pStack;
    QWidget* m_pViewPage;
    CCompareBar* m_pBar;
    CFolderListView* m_pList;
    QAction* m_pBackAction;
    std::unique_ptr<CFolderCompare> m_pCompare;
    std::vector<bool> m_compared; // by pair index: listed with its status
    int m_openPair = -1;          // the pair the view shows, -1 none
};
