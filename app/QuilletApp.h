#pragma once

#include <QStringList>
#include <memory>

class CMainFrame;
class CProjectDataBase;
class CQuilletDoc;
class QTranslator;

// The application object: prepares the platform, opens the value-list database for the whole
// run, makes the document and the main window and closes the database at exit. The Qt
// application object itself exists before it (main makes it).
class CQuilletApp {
public:
    CQuilletApp();
    ~CQuilletApp();
    CQuilletApp(const CQuilletApp&) = delete;
    CQuilletApp& operator=(const CQuilletApp&) = delete;

    // The value-list database to open instead of the usual one (--db); its folder is made when
    // missing.
    void SetDataBasePath(const QString& path) { m_dataBasePath = path; }
    // --merge: the command line's three files are merged, the result saved to output (empty:
    // to the second file, ours).
    void SetMerge(const QString& output) {
        m_merge = true;
        m_mergeOutput = output;
    }

    // Start-up; false when the program must end (the reason has been shown). files: the
    // command line's files, opened once the window is up. A database that cannot be used is
    // reported, and the program runs on without value lists.
    bool InitInstance(const QStringList& files = {});
    // Destroys the window and the document, then compacts and closes the database.
    int ExitInstance();

    CMainFrame* MainFrame() const { return m_pFrame.get(); }
    CQuilletDoc* Document() const { return m_pDoc.get(); }
    // Null when the database could not be opened or used.
    CProjectDataBase* DataBase() const { return m_pDataBase.get(); }

private:
    void LoadQtTranslation();
    static void AskWhenTheDataBaseIsBusy();
    // Opens the value-list database at path for the run. When it cannot be used: none is kept,
    // and the result names the file and says why; empty on success.
    QString OpenDataBase(const QString& path);

    QString m_dataBasePath; // empty: CDataBaseLocation's choice
    bool m_merge = false;
    QString m_mergeOutput;
    std::unique_ptr<QTranslator> m_pTranslator;
    std::unique_ptr<CProjectDataBase> m_pDataBase;
    std::unique_ptr<CQuilletDoc> m_pDoc;
    std::unique_ptr<CMainFrame> m_pFrame;
};
