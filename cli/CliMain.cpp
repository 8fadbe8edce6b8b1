#include "cli/CliMain.h"

#include "cli/CliLoad.h"
#include "cli/CompareCommand.h"
#include "cli/JsonText.h"
#include "cli/LongOption.h"
#include "cli/MergeCommand.h"
#include "cli/ValueCheck.h"
#include "cli/ValueListCommand.h"
#include "ini/IniData.h"
#include "platform/ProfileWriter.h"
#include "platform/TextCodec.h"
#include "platform/TextUtil.h"
#include "valuelist/DataBaseLocation.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RuleCheck.h"
#include "valuelist/ValueListFile.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QStringEncoder>
#include <QStringList>
#include <QTextStream>

namespace {

enum ExitCode { kSuccess = 0, kDiffers = 1, kError = 2 };

// Characters of output gathered before they are handed to the stream.
constexpr qsizetype kPieceSize = qsizetype(256) * 1024;

const char* const kUsage =
    "usage: quillet-cli <command> [options] [arguments]\n"
    "\n"
    "commands:\n"
    "  dump [--json] FILE            print the entries of an INI file\n"
    "  compare [--json] FILE1 FILE2  pair two INI files row by row\n"
    "  compare [--json] DIR1 DIR2    compare two folders of INI files file by file\n"
    "  set FILE SECTION KEY VALUE    set one value and write it\n"
    "  merge [--json] [-o OUT] [--markers] BASE OURS THEIRS\n"
    "                                merge theirs' changes into ours, key by key\n"
    "  check [--json] [--db PATH] FILE\n"
    "                                list values its value list does not allow\n"
    "  check [--json] --list LIST.qvl.json FILE...\n"
    "                                the same against a value-list file\n"
    "  valuelist list|export|import  value lists as files (.qvl.json)\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "  -v, --version  show the version and exit\n"
    "\n"
    "'quillet-cli <command> --help' describes a command.\n"
    "%1";

const char* const kDumpHelp =
    "usage: quillet-cli dump [--json] FILE\n"
    "\n"
    "Prints one line per entry, or per section without entries, in file order:\n"
    "section, key and value separated by tabs. With --json: an array of objects\n"
    "with \"section\", \"key\" and \"value\" (key and value null for a section\n"
    "without entries).\n"
    "A section too large for the section buffer is left out, with a warning on\n"
    "standard error.\n"
    "Exit status: 0 done, 2 the file is missing or could not be read.\n";

const char* const kSetHelp =
    "usage: quillet-cli set FILE SECTION KEY VALUE\n"
    "\n"
    "Sets KEY in SECTION to VALUE and writes that one key into FILE; the entry,\n"
    "and the section, are added when missing. Section, key and value are trimmed\n"
    "of white space at both ends. Every other line of the file stays as it is;\n"
    "a missing FILE is created.\n"
    "Put -- before the arguments when one of them starts with '-'.\n"
    "Exit status: 0 done, 2 error.\n";

const char* const kCheckHelp =
    "usage: quillet-cli check [--json] [--db PATH] FILE\n"
    "       quillet-cli check [--json] --list LIST.qvl.json FILE...\n"
    "\n"
    "Attaches the value list the desktop program would attach to FILE (the history\n"
    "by full path, then by bare file name) from the desktop program's database (see\n"
    "'quillet-cli --help'), or from the database PATH names, and prints one line per entry whose "
    "value is not\n"
    "one of its admissible values: section, key, value and the admissible values,\n"
    "separated by tabs. Entries the value list gives no values for are not listed.\n"
    "Where the list has rules, further lines carry a word in the fourth field:\n"
    "  SECTION KEY VALUE #type TYPE       not an integer, number or boolean\n"
    "  SECTION KEY VALUE #range MIN..MAX  outside the range (a bound may be empty)\n"
    "  SECTION KEY       #missing DEFAULT a required key the file lacks\n"
    "  SECTION KEY VALUE #unknown         a key the list does not describe\n"
    "Missing keys come last, in the list's order.\n"
    "An empty admissible value shows as \"\".\n"
    "With --json: an array of objects with \"section\", \"key\", \"value\",\n"
    "\"allowed\" (an array) and \"labels\" (the display name of each admissible value);\n"
    "those of the kinds above have \"problem\" (\"type\",\n"
    "\"range\", \"missing\" or \"unknown\") instead, with \"type\", \"min\" and \"max\"\n"
    "(null: no bound) or \"default\". The database is only read, never changed.\n"
    "With --list, checks one or more files against the value list of a value-list\n"
    "file instead, without any database; with more than one FILE, each line starts\n"
    "with the file's path and a tab, and each JSON object with \"file\".\n"
    "Exit status: 0 nothing found, 1 something found, 2 error or no value list for\n"
    "FILE.\n";

struct Command {
    QString name;
    bool json = false;
    bool help = false;
    QString database; // check --db
    QString listFile; // check --list
    CompareOptions compare;
    QStringList arguments;
    bool processEndsAfter = false; // see CliMain.h
};

// check's --db and --list, in either spelling: false for anything else, and for one without its
// value. i moves past what was taken.
bool TakeCheckOption(const QStringList& args, qsizetype& i, Command& command) {
    QString name, value;
    const bool bJoined = SplitLongOption(args[i], name, value);
    QString* target = name == u"--db"     ? &command.database
                      : name == u"--list" ? &command.listFile
                                          : nullptr;
    if (command.name != u"check" || target == nullptr || (bJoined && value.isEmpty()) ||
        (!bJoined && i + 1 == args.size()))
        return false;
    *target = bJoined ? value : args[++i];
    return true;
}

// Options are --json and --help, and those of check and compare; "--" ends them. The set command
// takes options only before its first argument, so that a value such as -1 needs no quoting.
bool ParseArguments(const QStringList& args, Command& command, QString& bad) {
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool optionsAllowed =
            !optionsEnded && (command.name != u"set" || command.arguments.isEmpty());
        if (!optionsAllowed || arg.size() < 2 || !arg.startsWith(u'-')) {
            command.arguments.append(arg);
        } else if (arg == u"--") {
            optionsEnded = true;
        } else if (arg == u"--help" || arg == u"-h") {
            command.help = true;
        } else if (arg == u"--json" && command.name != u"set") {
            command.json = true;
        } else if (!TakeCheckOption(args, i, command) &&
                   (command.name != u"compare" || !ParseCompareOption(args, i, command.compare))) {
            bad = arg;
            return false;
        }
    }
    return true;
}

// One row of the dump: an entry, or a section without entries (entry null).
struct Row {
    const CIniSectionData* section = nullptr;
    const CIniEntryData* entry = nullptr;

    QStringView Section() const { return section ? QStringView(section->m_name) : QStringView(); }
    QStringView Key() const { return entry ? entry->KeyView() : QStringView(); }
    QStringView Value() const { return entry ? entry->ValueView() : QStringView(); }
};

// Calls f(row) for each row of the dump: one per entry, or per section without entries.
template <typename F> void ForEachRow(const CIniData& ini, F&& f) {
    for (const auto& section : ini.m_sections) {
        if (section->m_entries.empty())
            f(Row{section.get(), nullptr});
        for (const auto& entry : section->m_entries)
            f(Row{section.get(), entry.get()});
    }
}

// Rows go out in large pieces: one conversion and one write per piece rather than per row.
void PrintTsvText(const CIniData& ini, QTextStream& out) {
    QString piece;
    piece.reserve(kPieceSize + 1024);
    ForEachRow(ini, [&](const Row& row) {
        piece.append(row.Section());
        piece.append(u'\t');
        piece.append(row.Key());
        piece.append(u'\t');
        piece.append(row.Value());
        piece.append(u'\n');
        if (piece.size() >= kPieceSize) {
            out << piece;
            piece.resize(0);
        }
    });
    out << piece;
}

// The same for a stream on a device that takes UTF-8 (the program's standard output): each
// field is encoded straight into one buffer, without gathering it as text first.
void PrintTsvUtf8(const CIniData& ini, QIODevice& device) {
    QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QByteArray buffer(kPieceSize * 4, Qt::Uninitialized);
    char* const begin = buffer.data();
    char* p = begin;
    const auto flush = [&] {
        device.write(begin, p - begin);
        p = begin;
    };
    const auto put = [&](QStringView s, char end) {
        // A field is at most a section buffer long: three bytes a unit fit the buffer.
        if ((p - begin) + 3 * s.size() + 1 > buffer.size())
            flush();
        p = utf8.appendToBuffer(p, s);
        *p++ = end;
    };
    ForEachRow(ini, [&](const Row& row) {
        put(row.Section(), '\t');
        put(row.Key(), '\t');
        put(row.Value(), '\n');
    });
    flush();
    // A file device keeps small writes in its own buffer; the stream's flush would not pass
    // them on when it had nothing of its own to write.
    if (auto* file = qobject_cast<QFileDevice*>(&device))
        file->flush();
}

void PrintTsv(const CIniData& ini, QTextStream& out) {
    QIODevice* const device = out.device();
    if (device == nullptr || out.encoding() != QStringConverter::Utf8) {
        PrintTsvText(ini, out);
        return;
    }
    out.flush();
    PrintTsvUtf8(ini, *device);
}

int RunDump(const Command& command, QTextStream& out, QTextStream& err) {
    auto ini = LoadIni(command.arguments[0], QString(), err);
    if (!ini)
        return kError;
    if (!command.json) {
        PrintTsv(*ini, out);
        if (command.processEndsAfter)
            static_cast<void>(ini.release()); // the process's end frees it at once
        return kSuccess;
    }
    QStringList objects;
    ForEachRow(*ini, [&](const Row& row) {
        const QString key = row.entry ? row.entry->Key() : QString();
        const QString value = row.entry ? row.entry->Value() : QString();
        objects.append(QStringLiteral("{\"section\": %1, \"key\": %2, \"value\": %3}")
                           .arg(JsonQuoteOrNull(row.section ? &row.section->m_name : nullptr),
                                JsonQuoteOrNull(row.entry ? &key : nullptr),
                                JsonQuoteOrNull(row.entry ? &value : nullptr)));
    });
    PrintJsonArray(out, objects);
    return kSuccess;
}

int RunSet(const Command& command, QTextStream& err) {
    const QString section = Text::Trim(command.arguments[1]);
    const QString key = Text::Trim(command.arguments[2]);
    const QString value = Text::Trim(command.arguments[3]);
    // The same refusals as the add dialog: an empty name cannot be written, and a key starting
    // with ";" would be written as a comment and vanish on the next read.
    if (section.isEmpty()) {
        err << "quillet-cli: " << QStringLiteral("セクションを入力してください") << '\n';
        return kError;
    }
    if (key.isEmpty()) {
        err << "quillet-cli: " << QStringLiteral("エントリを入力してください") << '\n';
        return kError;
    }
    if (key.startsWith(u';')) {
        err << "quillet-cli: " << QStringLiteral("エントリの先頭にセミコロンは使用できません")
            << '\n';
        return kError;
    }
    const auto ini = LoadIni(command.arguments[0], QString(), err, false);
    if (!ini)
        return kError;
    CIniEntryData* entry = nullptr;
    if (CIniSectionData* existing = ini->FindSection(section, false))
        entry = existing->FindEntry(key, false);
    if (entry)
        entry->SetValue(value);
    else
        entry = ini->AddEntry(section, key, value);
    ini->Save();
    // The model has no message for a failed write; a script needs one.
    if (entry->NeedsWrite()) {
        err << "quillet-cli: could not write " << ini->m_filePath << ": "
            << CProfileWriter::LastError() << '\n';
        return kError;
    }
    return kSuccess;
}

// The value list the desktop program would attach, from a database opened for reading only.
std::unique_ptr<CProjectData> LoadValueListFor(const CIniData& ini, const QString& dbPath,
                                               QTextStream& err) {
    if (!QFileInfo(dbPath).isFile()) {
        err << "quillet-cli: no value-list database: " << dbPath << '\n';
        return nullptr;
    }
    CProjectDataBase db(dbPath);
    if (!db.OpenReadOnly()) {
        err << "quillet-cli: could not open the value-list database " << dbPath << ": "
            << db.ErrorMessage() << '\n';
        return nullptr;
    }
    auto project = db.LoadProjectByFilePath(ini.m_filePath);
    if (project && !db.LoadNotice().isEmpty())
        err << "quillet-cli: " << db.LoadNotice() << '\n';
    // A database that cannot be read is not one without a list for the file.
    if (!project && !db.ErrorMessage().isEmpty())
        err << "quillet-cli: could not read the value-list database " << dbPath << ": "
            << db.ErrorMessage() << '\n';
    else if (!project)
        err << "quillet-cli: no value list for " << ini.m_filePath << " in " << dbPath << '\n';
    return project;
}

QString JsonNumberOrNull(const std::optional<double>& number) {
    return number ? CRuleCheck::BoundText(*number) : QStringLiteral("null");
}

// The members after "value" that say what is wrong. A value outside its admissible values
// keeps the object it always had; the kinds rules brought carry "problem" first.
QString ProblemJson(const ValueMismatch& m) {
    using Problem = ValueMismatch::Problem;
    if (m.problem == Problem::Value) {
        QStringList allowed;
        for (const QString& value : m.allowed)
            allowed.append(JsonQuoteOrNull(&value));
        QStringList labels;
        for (const QString& label : m.labels)
            labels.append(JsonQuoteOrNull(&label));
        return QStringLiteral("\"allowed\": [%1], \"labels\": [%2]")
            .arg(allowed.join(QStringLiteral(", ")), labels.join(QStringLiteral(", ")));
    }
    const QString json = QStringLiteral("\"problem\": \"%1\"")
                             .arg(QLatin1String(ValueMismatch::ProblemName(m.problem)));
    switch (m.problem) {
    case Problem::Type:
        return json + QStringLiteral(", \"type\": %1").arg(JsonQuote(m.type));
    case Problem::Range:
        return json + QStringLiteral(", \"min\": %1, \"max\": %2")
                          .arg(JsonNumberOrNull(m.min), JsonNumberOrNull(m.max));
    case Problem::Missing:
        return json +
               QStringLiteral(", \"default\": %1")
                   .arg(m.defaultValue ? JsonQuote(*m.defaultValue) : QStringLiteral("null"));
    default:
        return json;
    }
}

// file: the INI file's path when several are checked at once, else null.
QString CheckJson(const ValueMismatch& m, const QString* file = nullptr) {
    const bool missing = m.problem == ValueMismatch::Problem::Missing;
    return QStringLiteral("{%1\"section\": %2, \"key\": %3, \"value\": %4, %5}")
        .arg(file ? QStringLiteral("\"file\": %1, ").arg(JsonQuote(*file)) : QString(),
             JsonQuoteOrNull(&m.section), JsonQuoteOrNull(&m.key),
             missing ? QStringLiteral("null") : JsonQuoteOrNull(&m.value), ProblemJson(m));
}

// A value outside its admissible values keeps the line it always had; the other kinds carry
// a word starting with '#' in the fourth field, then what the rule asks.
QString CheckLine(const ValueMismatch& m) {
    using Problem = ValueMismatch::Problem;
    const QString head = m.section + u'\t' + m.key + u'\t' + m.value + u'\t';
    const auto bound = [](const std::optional<double>& b) {
        return b ? CRuleCheck::BoundText(*b) : QString();
    };
    switch (m.problem) {
    case Problem::Value: {
        // An empty admissible value would vanish between two tabs: it is shown as "".
        QStringList allowed = m.allowed;
        for (QString& value : allowed) {
            if (value.isEmpty())
                value = QStringLiteral("\"\"");
        }
        return head + allowed.join(u'\t');
    }
    case Problem::Type:
        return head + QStringLiteral("#type\t") + m.type;
    case Problem::Range:
        return head + QStringLiteral("#range\t") + bound(m.min) + QStringLiteral("..") +
               bound(m.max);
    case Problem::Missing:
        return head + QStringLiteral("#missing\t") + m.defaultValue.value_or(QString());
    case Problem::Unknown:
        return head + QStringLiteral("#unknown");
    }
    return head;
}

// check --list: the list comes from a file, and several INI files may be checked at once. A
// file that cannot be read is named and the others are still checked.
int RunCheckWithListFile(const Command& command, QTextStream& out, QTextStream& err) {
    QString error;
    const auto project = CValueListFile::ReadFile(command.listFile, error);
    if (!project) {
        err << "quillet-cli: " << error << '\n';
        return kError;
    }
    const bool named = command.arguments.size() > 1;
    bool failed = false;
    bool anyMismatch = false;
    QStringList objects;
    for (const QString& path : command.arguments) {
        const auto ini = LoadIni(path, QString(), err);
        if (!ini) {
            failed = true;
            continue;
        }
        for (const ValueMismatch& m : FindInadmissibleValues(*ini, *project)) {
            anyMismatch = true;
            if (command.json)
                objects.append(CheckJson(m, named ? &path : nullptr));
            else
                out << (named ? path + u'\t' : QString()) << CheckLine(m) << '\n';
        }
    }
    if (command.json)
        PrintJsonArray(out, objects);
    if (failed)
        return kError;
    return anyMismatch ? kDiffers : kSuccess;
}

int RunCheck(const Command& command, QTextStream& out, QTextStream& err) {
    if (!command.listFile.isEmpty())
        return RunCheckWithListFile(command, out, err);
    const auto ini = LoadIni(command.arguments[0], QString(), err);
    if (!ini)
        return kError;
    const QString dbPath =
        command.database.isEmpty() ? CDataBaseLocation::DefaultPath() : command.database;
    const auto project = LoadValueListFor(*ini, dbPath, err);
    if (!project)
        return kError;
    const std::vector<ValueMismatch> mismatches = FindInadmissibleValues(*ini, *project);
    if (command.json) {
        QStringList objects;
        for (const ValueMismatch& m : mismatches)
            objects.append(CheckJson(m));
        PrintJsonArray(out, objects);
    } else {
        for (const ValueMismatch& m : mismatches)
            out << CheckLine(m) << '\n';
    }
    return mismatches.empty() ? kSuccess : kDiffers;
}

int RunCommand(const Command& command, QTextStream& out, QTextStream& err) {
    if (command.name == u"dump")
        return RunDump(command, out, err);
    if (command.name == u"compare") {
        CompareOptions options = command.compare;
        options.json = command.json;
        options.arguments = command.arguments;
        options.processEndsAfter = command.processEndsAfter;
        return RunCompareCommand(options, out, err);
    }
    if (command.name == u"check")
        return RunCheck(command, out, err);
    return RunSet(command, err);
}

qsizetype ArgumentCount(const QString& name) {
    if (name == u"dump")
        return 1;
    if (name == u"compare")
        return 2;
    if (name == u"set")
        return 4;
    if (name == u"check")
        return 1;
    return -1;
}

const char* HelpOf(const QString& name) {
    if (name == u"dump")
        return kDumpHelp;
    if (name == u"compare")
        return CompareHelp();
    if (name == u"check")
        return kCheckHelp;
    return kSetHelp;
}

int Usage(QTextStream& err, const QString& complaint) {
    err << "quillet-cli: " << complaint << "\n\n"
        << QString::fromUtf8(kUsage).arg(CDataBaseLocation::Explained());
    return kError;
}

int Dispatch(const QStringList& args, QTextStream& out, QTextStream& err, bool processEndsAfter) {
    if (args.isEmpty())
        return Usage(err, QStringLiteral("no command given"));
    const QString& name = args.front();
    if (name == u"--help" || name == u"-h" || name == u"help") {
        out << QString::fromUtf8(kUsage).arg(CDataBaseLocation::Explained());
        return kSuccess;
    }
    if (name == u"--version" || name == u"-v") {
        out << "quillet-cli " QUILLET_VERSION "\n";
        return kSuccess;
    }
    if (name == u"valuelist")
        return RunValueListCommand(args.mid(1), out, err);
    if (name == u"merge")
        return RunMergeCommand(args.mid(1), out, err);
    const qsizetype expected = ArgumentCount(name);
    if (expected < 0)
        return Usage(err, QStringLiteral("unknown command '%1'").arg(name));
    Command command;
    command.name = name;
    command.processEndsAfter = processEndsAfter;
    QString bad;
    if (!ParseArguments(args.mid(1), command, bad))
        return Usage(err, QStringLiteral("unknown option '%1'").arg(bad));
    if (command.help) {
        out << QString::fromUtf8(HelpOf(name));
        return kSuccess;
    }
    if (!command.listFile.isEmpty()) {
        if (!command.database.isEmpty())
            return Usage(err, QStringLiteral("check takes --db or --list, not both"));
        if (command.arguments.isEmpty()) {
            err << "quillet-cli: check --list takes at least one FILE\n\n"
                << QString::fromUtf8(kCheckHelp);
            return kError;
        }
    } else if (command.arguments.size() != expected) {
        err << "quillet-cli: " << name << " takes " << expected << " argument"
            << (expected == 1 ? "" : "s") << "\n\n"
            << QString::fromUtf8(HelpOf(name));
        return kError;
    }
    return RunCommand(command, out, err);
}

// Bytes as a reader can see them: printable ASCII as is, the rest as \xHH.
QString Escaped(const QByteArray& bytes) {
    QString text;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F && u != '\\')
            text += QChar(u);
        else
            text +=
                QStringLiteral("\\x") + QString::number(u, 16).toUpper().rightJustified(2, u'0');
    }
    return text;
}

// An argument as text. Valid UTF-8 is taken as it is: the system's decoder would drop a
// leading U+FEFF as a byte order mark, yet a section of a UTF-16 file can start with one.
// Anything else must come back to the same bytes (\xFF in a UTF-8 system does not), or it
// would name another file, or write other text than was given.
bool ArgumentText(const QByteArray& raw, QString& arg) {
    if (CTextCodec::IsValidUtf8(raw)) {
        arg = CTextCodec(CTextCodec::Encoding::Utf8).decode(raw); // QString::fromUtf8 drops it too
        return true;
    }
    arg = QFile::decodeName(raw);
    return QFile::encodeName(arg) == raw;
}

} // namespace

int CliMain(int argc, char** argv, QTextStream& out, QTextStream& err, bool processEndsAfter) {
    // Names compare as they do in the desktop program once it is running.
    Text::SetJapaneseLocale(true);
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        QString arg;
        if (!ArgumentText(raw, arg)) {
            err << "quillet-cli: cannot use the argument \"" << Escaped(raw)
                << "\": it is not valid text in the system's encoding\n";
            err.flush();
            return kError;
        }
        args.append(arg);
    }
    const int status = Dispatch(args, out, err, processEndsAfter);
    out.flush();
    err.flush();
    return status;
}
