#include "cli/ValueListCommand.h"

#include "cli/JsonText.h"
#include "cli/LongOption.h"
#include "platform/InputText.h"
#include "platform/SystemPath.h"
#include "platform/TextUtil.h"
#include "valuelist/DataBaseLocation.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/RecordIdName.h"
#include "valuelist/ValueListFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <vector>

namespace {

enum ExitCode { kSuccess = 0, kError = 2 };

const char* const kValueListHelp =
    "usage: quillet-cli valuelist list [--json] [--db PATH]\n"
    "       quillet-cli valuelist export [--db PATH] (--pid N | NAME) [-o FILE]\n"
    "       quillet-cli valuelist import [--db PATH] FILE [--replace] [--name NAME]\n"
    "                                    [--attach PATH]... [--attach-name NAME]...\n"
    "\n"
    "Moves value lists between the desktop program's database (see 'quillet-cli\n"
    "--help') or the database PATH names, and value-list files (.qvl.json), which\n"
    "can be kept under version control and checked against with 'quillet-cli check\n"
    "--list'.\n"
    "'quillet-cli valuelist <command> --help' describes a command.\n";

const char* const kListHelp =
    "usage: quillet-cli valuelist list [--json] [--db PATH]\n"
    "\n"
    "Prints one line per value list, ordered by name: its PID, its name and the files\n"
    "attached to it (full paths or bare file names), separated by tabs. With --json: an\n"
    "array of objects with \"pid\", \"name\" and \"files\" (an array). The database is\n"
    "only read.\n"
    "Exit status: 0 done, 2 error.\n";

const char* const kExportHelp =
    "usage: quillet-cli valuelist export [--db PATH] (--pid N | NAME) [-o FILE]\n"
    "\n"
    "Writes the value list with PID N, or the one named NAME, as a value-list file to\n"
    "FILE, or to standard output without -o. A name that several value lists share is\n"
    "an error that lists their PIDs. The database is only read.\n"
    "Exit status: 0 done, 2 error.\n";

const char* const kImportHelp =
    "usage: quillet-cli valuelist import [--db PATH] FILE [--replace] [--name NAME]\n"
    "                                    [--attach PATH]... [--attach-name NAME]...\n"
    "\n"
    "Stores the value list of the value-list file FILE as a new value list and prints\n"
    "its PID; a value list of that name (in any letter case) already in the database is\n"
    "an error. With --replace, replaces the name and content of the value list of the\n"
    "same name instead, keeping its PID and the files attached to it; it is an error\n"
    "when no value list or several have that name. --name gives the value list the name\n"
    "NAME instead of the one in FILE, for both. --attach attaches the value list to\n"
    "the INI file PATH by its full path, --attach-name to every file named NAME, as the\n"
    "value-list management dialog does. Everything is stored in one transaction:\n"
    "when anything fails, the database is left as it was. The database, and the\n"
    "folder that holds it, are created when missing.\n"
    "Exit status: 0 done, 2 error.\n";

struct Options {
    QString command;
    bool help = false;
    bool json = false;
    bool replace = false;
    QString database = CDataBaseLocation::DefaultPath();
    QString pid;
    QString output;
    QString name;
    std::vector<QString> attachPaths;
    std::vector<QString> attachNames;
    QStringList arguments;
};

const char* HelpOf(const QString& command) {
    if (command == u"list")
        return kListHelp;
    if (command == u"export")
        return kExportHelp;
    if (command == u"import")
        return kImportHelp;
    return kValueListHelp;
}

// An option that takes a value, if this command knows it: where its value goes.
QString* ValueOption(const QString& arg, Options& options) {
    if (arg == u"--db")
        return &options.database;
    if (options.command == u"export" && arg == u"--pid")
        return &options.pid;
    if (options.command == u"export" && arg == u"-o")
        return &options.output;
    if (options.command == u"import" && arg == u"--name")
        return &options.name;
    if (options.command == u"import" && arg == u"--attach")
        return &options.attachPaths.emplace_back();
    if (options.command == u"import" && arg == u"--attach-name")
        return &options.attachNames.emplace_back();
    return nullptr;
}

bool ParseOptions(const QStringList& args, Options& options, QString& bad) {
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (optionsEnded || arg.size() < 2 || !arg.startsWith(u'-')) {
            options.arguments.append(arg);
        } else if (arg == u"--") {
            optionsEnded = true;
        } else if (arg == u"--help" || arg == u"-h") {
            options.help = true;
        } else if (arg == u"--json" && options.command == u"list") {
            options.json = true;
        } else if (arg == u"--replace" && options.command == u"import") {
            options.replace = true;
        } else if (QString name, joined; SplitLongOption(arg, name, joined)) {
            QString* value = ValueOption(name, options);
            if (value == nullptr || joined.isEmpty()) {
                bad = arg;
                return false;
            }
            *value = joined;
        } else if (QString* value = ValueOption(arg, options); value && i + 1 < args.size()) {
            *value = args[++i];
        } else {
            bad = arg;
            return false;
        }
    }
    return true;
}

int Complain(QTextStream& err, const QString& text) {
    err << "quillet-cli: " << text << '\n';
    return kError;
}

// --- reading a database ------------------------------------------------------------------------

// A database that opened but could not be read: SQLite's reason ("file is not a database")
// says whether the file is damaged, foreign or just locked.
int CannotRead(const CProjectDataBase& db, QTextStream& err) {
    QString text = QStringLiteral("could not read the value-list database %1").arg(db.GetPath());
    if (!db.ErrorMessage().isEmpty())
        text += QStringLiteral(": ") + db.ErrorMessage();
    return Complain(err, text);
}

// A database that is only looked at: a missing file is an error, never created.
bool OpenForReading(CProjectDataBase& db, QTextStream& err) {
    if (!QFileInfo(db.GetPath()).isFile()) {
        Complain(err, QStringLiteral("no value-list database: %1").arg(db.GetPath()));
        return false;
    }
    if (!db.OpenReadOnly()) {
        Complain(err, QStringLiteral("could not open the value-list database %1: %2")
                          .arg(db.GetPath(), db.ErrorMessage()));
        return false;
    }
    return true;
}

// The PID of the one value list called `name`; 0 with the complaint made when there is none
// or several.
int PidNamed(CProjectDataBase& db, const QString& name, QTextStream& err) {
    std::vector<std::unique_ptr<CRecordIdName>> names;
    if (!db.LoadProjectNames(names)) {
        CannotRead(db, err);
        return 0;
    }
    QStringList pids;
    for (const auto& p : names) {
        if (p->m_strName == name)
            pids.append(QString::number(p->m_nPid));
    }
    if (pids.isEmpty())
        Complain(err, QStringLiteral("no value list named %1 in %2").arg(name, db.GetPath()));
    else if (pids.size() > 1)
        Complain(err, QStringLiteral("several value lists are named %1: PIDs %2")
                          .arg(name, pids.join(QStringLiteral(", "))));
    return pids.size() == 1 ? pids.front().toInt() : 0;
}

// --- list ------------------------------------------------------------------------------------

int RunList(const Options& options, QTextStream& out, QTextStream& err) {
    if (!options.arguments.isEmpty())
        return Complain(err, QStringLiteral("valuelist list takes no arguments"));
    CProjectDataBase db(options.database);
    if (!OpenForReading(db, err))
        return kError;
    std::vector<std::unique_ptr<CRecordIdName>> names;
    std::vector<std::unique_ptr<CRecordIdFilePath>> history;
    if (!db.LoadProjectList(names, history))
        return CannotRead(db, err);
    QStringList objects;
    for (const auto& name : names) {
        QStringList files;
        for (const auto& row : history) {
            if (row->m_nPid == name->m_nPid)
                files.append(row->m_strFilePath);
        }
        if (options.json) {
            QStringList quoted;
            for (const QString& file : files)
                quoted.append(JsonQuote(file));
            objects.append(QStringLiteral("{\"pid\": %1, \"name\": %2, \"files\": [%3]}")
                               .arg(name->m_nPid)
                               .arg(JsonQuote(name->m_strName), quoted.join(QStringLiteral(", "))));
        } else {
            out << name->m_nPid << '\t' << name->m_strName;
            for (const QString& file : files)
                out << '\t' << file;
            out << '\n';
        }
    }
    if (options.json)
        PrintJsonArray(out, objects);
    return kSuccess;
}

// --- export ----------------------------------------------------------------------------------

int RunExport(const Options& options, QTextStream& out, QTextStream& err) {
    const bool byPid = !options.pid.isEmpty();
    if (options.arguments.size() != (byPid ? 0 : 1))
        return Complain(err, QStringLiteral("valuelist export takes either --pid N or a NAME"));
    bool numeric = false;
    const int requested = byPid ? options.pid.toInt(&numeric) : 0;
    if (byPid && (!numeric || requested < 1))
        return Complain(err, QStringLiteral("not a PID: %1").arg(options.pid));
    CProjectDataBase db(options.database);
    if (!OpenForReading(db, err))
        return kError;
    const int pid = byPid ? requested : PidNamed(db, options.arguments.front(), err);
    if (pid == 0)
        return kError;
    const auto project = db.LoadProject(pid);
    // A database that cannot be read is not one without that list.
    if (!project && !db.ErrorMessage().isEmpty())
        return CannotRead(db, err);
    if (!project)
        return Complain(
            err, QStringLiteral("no value list with PID %1 in %2").arg(pid).arg(options.database));
    QString error;
    if (!options.output.isEmpty()) {
        if (CValueListFile::WriteFile(options.output, *project, error))
            return kSuccess;
    } else {
        const QByteArray bytes = CValueListFile::ToJson(*project, error);
        if (error.isEmpty()) {
            out << QString::fromUtf8(bytes);
            return kSuccess;
        }
    }
    return Complain(err, error);
}

// --- import ----------------------------------------------------------------------------------

// The history texts the attach options give: full paths of existing files, and bare names.
bool HistoryTexts(const Options& options, std::vector<QString>& texts, QTextStream& err) {
    for (const QString& path : options.attachPaths) {
        const QFileInfo info(path);
        if (!info.isFile()) {
            Complain(err, QStringLiteral("no such file: %1").arg(path));
            return false;
        }
        // Made whole from a current folder whose name is not valid text, it would name
        // another file.
        if (const QString inexact = CSystemPath::InexactPart(info.absoluteFilePath());
            !inexact.isEmpty()) {
            Complain(err, QStringLiteral("cannot name %1 exactly: %2 is not valid text in the "
                                         "system's encoding")
                              .arg(path, inexact));
            return false;
        }
        texts.push_back(QDir::toNativeSeparators(info.absoluteFilePath()));
    }
    for (const QString& name : options.attachNames) {
        if (name.isEmpty() || CProjectDataBase::FileNameOf(name) != name) {
            Complain(err, QStringLiteral("--attach-name takes a bare file name: %1").arg(name));
            return false;
        }
        texts.push_back(name);
    }
    return true;
}

// The value list that --replace replaces, looked up without opening the database for
// writing: a refusal must leave the file as it was, byte for byte.
int PidToReplace(const Options& options, const QString& name, QTextStream& err) {
    if (!QFileInfo(options.database).isFile()) {
        Complain(err, QStringLiteral("no value list named %1 in %2").arg(name, options.database));
        return 0;
    }
    CProjectDataBase db(options.database);
    return OpenForReading(db, err) ? PidNamed(db, name, err) : 0;
}

// A new value list must not take a name another one has: export and --replace could then no
// longer tell them apart. Looked up read-only, so that a refusal leaves the file untouched.
bool IsNameFree(const Options& options, const QString& name, QTextStream& err) {
    if (!QFileInfo(options.database).isFile())
        return true;
    CProjectDataBase db(options.database);
    std::vector<std::unique_ptr<CRecordIdName>> names;
    if (!OpenForReading(db, err))
        return false;
    if (!db.LoadProjectNames(names)) {
        Complain(err, QStringLiteral("could not read the value lists of %1").arg(db.GetPath()));
        return false;
    }
    for (const auto& p : names) {
        if (Text::EqualNoCase(p->m_strName, name)) {
            Complain(err, QStringLiteral("a value list named %1 is already in %2 (PID %3): "
                                         "--replace replaces it, --name NEW imports this one "
                                         "under another name")
                              .arg(p->m_strName, db.GetPath())
                              .arg(p->m_nPid));
            return false;
        }
    }
    return true;
}

int RunImport(const Options& options, QTextStream& out, QTextStream& err) {
    if (options.arguments.size() != 1)
        return Complain(err, QStringLiteral("valuelist import takes one FILE"));
    QString error;
    auto project = CValueListFile::ReadFile(options.arguments.front(), error);
    if (!project)
        return Complain(err, error);
    if (!options.name.isNull()) {
        project->m_strName = Text::TrimInput(options.name);
        if (project->m_strName.isEmpty())
            return Complain(err, QStringLiteral("--name takes a name that is not empty"));
    }
    std::vector<QString> history;
    if (!HistoryTexts(options, history, err))
        return kError;
    if (options.replace) {
        project->m_nPid = PidToReplace(options, project->m_strName, err);
        if (project->m_nPid == 0)
            return kError;
    } else if (!IsNameFree(options, project->m_strName, err)) {
        return kError;
    }
    QString folderProblem;
    if (!CDataBaseLocation::MakeParentFolder(options.database, folderProblem))
        return Complain(err, QStringLiteral("could not open the value-list database %1: %2")
                                 .arg(options.database, folderProblem));
    CProjectDataBase db(options.database);
    if (!db.Open() || !db.CreateTables())
        return Complain(
            err, QStringLiteral("could not open the value-list database %1").arg(options.database));
    if (!db.ImportProject(*project, history))
        return Complain(err, QStringLiteral("保存に失敗しました"));
    out << project->m_nPid << '\n';
    return kSuccess;
}

} // namespace

int RunValueListCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    Options options;
    if (!args.isEmpty())
        options.command = args.front();
    if (options.command == u"--help" || options.command == u"-h") {
        out << QString::fromUtf8(kValueListHelp);
        return kSuccess;
    }
    if (options.command != u"list" && options.command != u"export" &&
        options.command != u"import") {
        err << "quillet-cli: "
            << (options.command.isEmpty()
                    ? QStringLiteral("valuelist needs a command")
                    : QStringLiteral("unknown valuelist command '%1'").arg(options.command))
            << "\n\n"
            << QString::fromUtf8(kValueListHelp);
        return kError;
    }
    QString bad;
    if (!ParseOptions(args.mid(1), options, bad)) {
        err << "quillet-cli: unknown option '" << bad << "'\n\n"
            << QString::fromUtf8(HelpOf(options.command));
        return kError;
    }
    if (options.help) {
        out << QString::fromUtf8(HelpOf(options.command));
        return kSuccess;
    }
    if (options.command == u"list")
        return RunList(options, out, err);
    if (options.command == u"export")
        return RunExport(options, out, err);
    return RunImport(options, out, err);
}
