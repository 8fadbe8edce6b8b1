#include "app/QuilletApp.h"

#include "app/FolderMode.h"
#include "app/MainFrame.h"
#include "app/MergeWindow.h"
#include "app/QuilletDoc.h"
#include "grid/GridAccessible.h"
#include "grid/GridTypes.h"
#include "platform/TextUtil.h"
#include "platform/ui/MessageBox.h"
#include "valuelist/DataBase.h"
#include "valuelist/DataBaseLocation.h"
#include "valuelist/ProjectDataBase.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

// The icon's resource lives in the app library; a static library's resources must be named once.
static void InitResources() {
    Q_INIT_RESOURCE(quillet);
}

namespace {

// Longer than any display takes to map a window; a window that is never exposed (a start
// minimised, say) must not hold the files back for good.
constexpr int kExposeWaitMs = 3000;
constexpr int kExposePollMs = 10;

// Returns once the window is on screen. Input waits meanwhile: nothing is open to act on yet.
void WaitUntilExposed(QWidget* window) {
    const QWindow* handle = window->windowHandle();
    if (handle == nullptr)
        return;
    // Most platforms expose the window with the events already queued.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (handle->isExposed())
        return;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (handle->isExposed() || clock.elapsed() >= kExposeWaitMs)
            loop.quit();
    });
    poll.start(kExposePollMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

CQuilletApp::CQuilletApp() = default;

CQuilletApp::~CQuilletApp() {
    ExitInstance();
}

bool CQuilletApp::InitInstance(const QStringList& files) {
    // Names compare the same way from the first file on, not only after the first preview.
    InitResources();
    Text::SetJapaneseLocale(true);
    Pelmo::InstallJapaneseFontSubstitutes();
    LoadQtTranslation();
    // Screen readers read the grid and the dialogs' lists cell by cell.
    Pelmo::CGridAccessible::InstallFactory();
    QCoreApplication::setOrganizationName(QStringLiteral("Pelmo System"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));
    const QString dataBaseProblem =
        OpenDataBase(m_dataBasePath.isEmpty() ? CDataBaseLocation::DefaultPath() : m_dataBasePath);
    m_pDoc = std::make_unique<CQuilletDoc>();
    m_pFrame = std::make_unique<CMainFrame>(m_pDoc.get(), m_pDataBase.get());
    m_pFrame->setWindowIcon(QIcon(QStringLiteral(":/quillet/quillet.svg")));
    m_pDoc->OnNewDocument();
    // Without a window manager "maximised" means nothing; the screen's size stands in for it.
    if (const QScreen* screen = m_pFrame->screen())
        m_pFrame->resize(screen->availableGeometry().size());
    m_pFrame->showMaximized();
    // The files named on the command line are read while the window is on screen, drawn.
    if (!files.isEmpty())
        WaitUntilExposed(m_pFrame.get());
    m_pFrame->repaint();
    AskWhenTheDataBaseIsBusy();
    if (!dataBaseProblem.isEmpty()) {
        m_pFrame->SetDataBaseProblem(dataBaseProblem);
        Ui::MessageBox(m_pFrame.get(), QStringLiteral("DB 接続失敗\n") + dataBaseProblem,
                       QStringLiteral("Quillet"), Ui::MB_OK | Ui::MB_ICONWARNING);
    }
    if (m_merge)
        m_pFrame->MergeWindow()->OpenCommandLine(files, m_mergeOutput);
    else if (!m_pFrame->Folders()->OpenCommandLine(files))
        m_pFrame->OpenCommandLineFiles(files);
    return true;
}

// Once the window is up, a wait for another program's lock on the database does not freeze it:
// after a short wait the user decides whether to wait on. The box keeps the window painted.
void CQuilletApp::AskWhenTheDataBaseIsBusy() {
    CDataBase::SetBusyQuestion([] {
        return Ui::MessageBox(
                   QApplication::activeWindow(),
                   QStringLiteral("値リストのデータベースを他のプログラムが使用中です。\n"
                                  "再試行すると、もう一度待ちます。"),
                   QStringLiteral("Quillet"),
                   Ui::MB_RETRYCANCEL | Ui::MB_ICONWARNING) == Ui::IDRETRY;
    });
}

// Qt's own buttons, file dialog and context menus speak the program's language.
void CQuilletApp::LoadQtTranslation() {
    m_pTranslator = std::make_unique<QTranslator>();
    if (m_pTranslator->load(QStringLiteral("qtbase_ja"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(m_pTranslator.get());
    else
        m_pTranslator.reset();
}

QString CQuilletApp::OpenDataBase(const QString& path) {
    const QString where = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    QString folderProblem;
    // The location's reason is quillet-cli's English; the window names the folder itself.
    if (!CDataBaseLocation::MakeParentFolder(path, folderProblem))
        return where + u'\n' +
               QStringLiteral("フォルダー %1 を作成できません")
                   .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath()));
    m_pDataBase = std::make_unique<CProjectDataBase>(path);
    // Without its tables the database is as useless as one that did not open.
    if (m_pDataBase->Open() && m_pDataBase->CreateTables())
        return QString();
    const QString problem = where + u'\n' + m_pDataBase->ErrorText();
    // The file may be somebody else's, or damaged: it is closed as it is, never compacted.
    m_pDataBase->Close();
    m_pDataBase.reset();
    return problem;
}

int CQuilletApp::ExitInstance() {
    CDataBase::SetBusyQuestion({});
    m_pFrame.reset();
    m_pDoc.reset();
    m_pDataBase.reset();
    if (m_pTranslator) {
        QCoreApplication::removeTranslator(m_pTranslator.get());
        m_pTranslator.reset();
    }
    return 0;
}
