#include "app/CommandLine.h"

#include "valuelist/DataBaseLocation.h"

#include <iterator>

namespace {

constexpr qsizetype kMaxFiles = 2;

// Qt's own options, which QApplication takes out of the command line itself (qt6options(7)):
// they are let through here, with their value, so that "-style Fusion" is no file name.
struct QtOption {
    const char* name;
    bool bTakesValue;
};
constexpr QtOption kQtOptions[] = {
    {"-style", true},           {"-stylesheet", true},
    {"-platform", true},        {"-platformpluginpath", true},
    {"-platformtheme", true},   {"-plugin", true},
    {"-qwindowgeometry", true}, {"-qwindowicon", true},
    {"-qwindowtitle", true},    {"-session", true},
    {"-display", true},         {"-geometry", true},
    {"-qmljsdebugger", true},   {"-dialogs", true},
    {"-fontengine", true},      {"-reverse", false},
    {"-widgetcount", false},    {"-nograb", false},
    {"-dograb", false},         {"-sync", false},
};

// The Qt option arg is, or null; "-style=Fusion" carries its value inside.
const QtOption* QtOptionOf(const QString& arg, bool& bValueInside) {
    for (const QtOption& option : kQtOptions) {
        const QLatin1StringView name(option.name);
        bValueInside = option.bTakesValue && arg.startsWith(name + u'=');
        if (arg == name || bValueInside)
            return &option;
    }
    return nullptr;
}

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
        } else if (arg == u"--db" || arg.startsWith(u"--db=")) {
            const bool bJoined = arg.size() > 4;
            const QString path = bJoined ? arg.mid(5) : i + 1 < args.size() ? args[++i] : QString();
            // An empty path would quietly mean the default database.
            if (path.isEmpty())
                return UsageError(QStringLiteral("--db needs the path of a database"));
            result.m_dataBase = path;
        } else if (arg == u"--merge") {
            result.m_merge = true;
        } else if (arg == u"-o" || arg == u"--output" || arg.startsWith(u"--output=")) {
            const bool bJoined = arg.startsWith(u"--output=");
            const QString path = bJoined ? arg.mid(9) : i + 1 < args.size() ? args[++i] : QString();
            if (path.isEmpty())
                return UsageError(QStringLiteral("%1 needs the path of a file").arg(arg));
            result.m_output = path;
        } else if (bool bValueInside = false; const QtOption* qt = QtOptionOf(arg, bValueInside)) {
            if (qt->bTakesValue && !bValueInside && ++i == args.size())
                return UsageError(QStringLiteral("%1 needs a value").arg(arg));
        } else {
            return UsageError(QStringLiteral("unknown option '%1'").arg(arg));
        }
    }
    if (result.m_action == Action::Run && !result.m_output.isEmpty() && !result.m_merge)
        return UsageError(QStringLiteral("-o is for --merge only"));
    // A merge needs all three: git mergetool names them, a person may forget one.
    if (result.m_action == Action::Run && result.m_merge && result.m_files.size() != 3)
        return UsageError(QStringLiteral("--merge needs three files: BASE OURS THEIRS"));
    if (result.m_merge)
        return result;
    // Still a run: started from a file manager, the window is the only place to say so.
    if (result.m_action == Action::Run && result.m_files.size() > kMaxFiles)
        result.m_complaint = QStringLiteral("at most two files can be given");
    return result;
}

QString CCommandLine::UsageText() {
    return QStringLiteral("usage: quillet [--db PATH] [QT-OPTION...] [FILE [FILE2] | DIR1 DIR2]\n"
                          "       quillet [--db PATH] --merge BASE OURS THEIRS [-o OUT]\n"
                          "\n"
                          "Opens the INI file FILE, or compares FILE with FILE2 side by side, or\n"
                          "lists the INI files of the folders DIR1 and DIR2 as they compare.\n"
                          "With --merge, shows OURS with the changes THEIRS made since BASE\n"
                          "taken in, and their conflicts; saving writes OURS, or OUT.\n"
                          "\n"
                          "  --merge        merge three files (also for git mergetool)\n"
                          "  -o OUT, --output OUT, --output=OUT\n"
                          "                 with --merge: save the result to OUT\n"
                          "  --db PATH, --db=PATH\n"
                          "                 keep the value lists in the database PATH (its\n"
                          "                 folder is made when missing)\n"
                          "  -h, --help     show this help and exit\n"
                          "  -v, --version  show the version and exit\n"
                          "\n"
                          "Qt's own options, such as -style NAME and -reverse, are accepted too.\n"
                          "%1")
        .arg(CDataBaseLocation::Explained());
}

QString CCommandLine::VersionText() {
    return QStringLiteral("quillet " QUILLET_VERSION "\n");
}
