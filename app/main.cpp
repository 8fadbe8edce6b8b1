#include "app/CommandLine.h"
#include "app/MainFrame.h"
#include "app/QuilletApp.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

// Qt aborts when it cannot reach a display; say so plainly instead.
bool HasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// An argument that does not come back to the same bytes (such as \xFF in a UTF-8 system)
// would name another file: its number is returned in `bad` (0 when all are good).
QStringList ArgumentsOf(int argc, char** argv, int& bad) {
    QStringList args;
    bad = 0;
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        args.append(QFile::decodeName(raw));
        if (bad == 0 && QFile::encodeName(args.back()) != raw)
            bad = i;
    }
    return args;
}

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// For bench/bench_window only, and so not in the help: with QUILLET_BENCH_QUIT_WHEN_PAINTED
// set, the program paints its whole window once the command line's files are shown and ends
// there, without tearing anything down, so that "open until painted" can be timed as a whole
// process.
void QuitWhenPaintedForBenchmarks(CQuilletApp& quillet) {
    if (!qEnvironmentVariableIsSet("QUILLET_BENCH_QUIT_WHEN_PAINTED"))
        return;
    QTimer::singleShot(0, quillet.MainFrame(), [&quillet] {
        quillet.MainFrame()->repaint();
        std::fflush(nullptr);
        std::_Exit(0);
    });
}

} // namespace

int main(int argc, char** argv) {
    // A file-size limit must fail the write that meets it, not end the program with the
    // user's edits: the writer then sees a short write and reports it.
    std::signal(SIGXFSZ, SIG_IGN);
    // Help, version and usage errors need no display.
    int bad = 0;
    const QStringList args = ArgumentsOf(argc, argv, bad);
    if (bad != 0) {
        std::fprintf(stderr,
                     "quillet: cannot use argument %d: it is not valid text in the system's "
                     "encoding\n",
                     bad);
        return 2;
    }
    const CCommandLine commandLine = CCommandLine::Parse(args);
    switch (commandLine.m_action) {
    case CCommandLine::Action::Help:
        Print(stdout, CCommandLine::UsageText());
        return 0;
    case CCommandLine::Action::Version:
        Print(stdout, CCommandLine::VersionText());
        return 0;
    case CCommandLine::Action::UsageError:
        Print(stderr, QStringLiteral("quillet: %1\n\n").arg(commandLine.m_complaint) +
                          CCommandLine::UsageText());
        return 2;
    case CCommandLine::Action::Run:
        if (!commandLine.m_complaint.isEmpty())
            Print(stderr, QStringLiteral("quillet: %1\n\n").arg(commandLine.m_complaint) +
                              CCommandLine::UsageText());
        break;
    }
    if (!HasDisplay()) {
        std::fprintf(stderr, "quillet: a graphical session is needed (no DISPLAY or "
                             "WAYLAND_DISPLAY is set).\n");
        return 1;
    }
    QApplication app(argc, argv);
    CQuilletApp quillet;
    if (!commandLine.m_dataBase.isEmpty())
        quillet.SetDataBasePath(commandLine.m_dataBase);
    if (commandLine.m_merge)
        quillet.SetMerge(commandLine.m_output);
    if (!quillet.InitInstance(commandLine.m_files))
        return 1;
    QuitWhenPaintedForBenchmarks(quillet);
    const int status = app.exec();
    quillet.ExitInstance();
    return status;
}
