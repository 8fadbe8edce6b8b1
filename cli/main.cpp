#include "cli/CliMain.h"

#include <QCoreApplication>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    // A file size limit (ulimit -f) would kill the program mid-write without a word; ignored,
    // it makes the write fail, which the writer reports and recovers from like a full disk.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);
    const int status = CliMain(argc, argv, out, err, true);
    // Everything is written and flushed; freeing what is left (caches, per-thread buffers,
    // the application object) would only cost time on the way out.
    std::fflush(nullptr);
    std::_Exit(status);
}
