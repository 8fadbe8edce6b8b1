#include "app/CommandLine.h"

namespace {

constexpr qsizetype kMaxFiles = 2;

bool IsOption(const QString& arg) {
    return arg.size() >= 2 && arg.startsWith(u'-');
}

CCommandLine UsageError(const QString& complaint) {
    CCommandLine result;
    result.m_action = CCommandLine::Action::UsageError;
    result.m_complaint = complaint;
    return result;
}

} // namespace

CCommandLine CCommandLine::Parse(const QStringList& args) {
    CCommandLine result;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (optionsEnded || !IsOption(arg)) {
            result.m_files.append(arg);
        } else if (arg == u"--") {
            optionsEnded = true;
        } else if (arg == u"--help" || arg == u"-h") {
            result.m_action = Action::Help;
        } else if (arg == u"--version" || arg == u"-v") {
            if (result.m_action != Action::Help)
                result.m_action = Action::Version;
        } else if (arg == u"--db") {
            // An empty path would quietly mean the default database.
            if (i + 1 == args.size() || args[i + 1].isEmpty())
                return UsageError(QStringLiteral("--db needs the path of a database"));
            result.m_dataBase = args[++i];
        } else {
            return UsageError(QStringLiteral("unknown option '%1'").arg(arg));
        }
    }
    // Still a run: started from a file manager, the window is the only place to say so.
    if (result.m_action == Action::Run && result.m_files.size() > kMaxFiles)
        result.m_complaint = QStringLiteral("at most two files can be given");
    return result;
}

QString CCommandLine::UsageText() {
    return QStringLiteral("usage: quillet [--db PATH] [FILE [FILE2]]\n"
                          "\n"
                          "Opens the INI file FILE, or compares FILE with FILE2 side by side.\n"
                          "\n"
                          "  --db PATH      keep the value lists in the database PATH instead of\n"
                          "                 Quillet.db in the current folder\n"
                          "  -h, --help     show this help and exit\n"
                          "  -v, --version  show the version and exit\n");
}

QString CCommandLine::VersionText() {
    return QStringLiteral("quillet " QUILLET_VERSION "\n");
}
