#include "cli/MergeCommand.h"

#include "cli/JsonText.h"
#include "compare/IniFileMerge.h"
#include "platform/ProfileWriter.h"

#include <QFileInfo>
#include <QTextStream>

namespace {

enum ExitCode { kMerged = 0, kConflicts = 1, kError = 2 };

const char* const kMergeHelp =
    "usage: quillet-cli merge [--json] [-o OUT] [--markers] BASE OURS THEIRS\n"
    "\n"
    "Merges the changes THEIRS made to BASE into OURS, key by key: a key only\n"
    "THEIRS changed, added or removed takes THEIRS' change; a key only OURS changed,\n"
    "or both changed alike, stays; a key both changed differently (or one removed\n"
    "and the other changed) is a conflict and keeps OURS' value. Sections and keys\n"
    "pair by name ignoring case; values compare with case. Comments of THEIRS are\n"
    "not merged. The result is OURS with THEIRS' changes written into it as 'set'\n"
    "writes keys: every other byte of OURS stays.\n"
    "\n"
    "  -o OUT     write the result to OUT instead of OURS (OURS stays as it is)\n"
    "  --markers  write each conflict as conflict lines (<<<<<<< ours, =======,\n"
    "             >>>>>>> theirs) with both sides' lines, for a text editor\n"
    "  --json     print the conflicts as a JSON array\n"
    "\n"
    "Prints one line per conflict: section, key, base, ours, theirs and the reason,\n"
    "separated by tabs (with --json: objects with \"section\", \"key\", \"base\",\n"
    "\"ours\", \"theirs\", \"reason\", null where a file lacks the key), and a summary\n"
    "on standard error. As a git merge driver:\n"
    "  git config merge.ini.driver 'quillet-cli merge %O %A %B'\n"
    "  echo '*.ini merge=ini' >> .gitattributes\n"
    "Exit status: 0 merged without conflict, 1 conflicts (the result is written,\n"
    "with OURS' values in them), 2 error (nothing written).\n";

struct Options {
    bool json = false, markers = false, help = false;
    QString out;
    QStringList files;
};

bool Parse(const QStringList& args, Options& options, QString& bad) {
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (optionsEnded || arg.size() < 2 || !arg.startsWith(u'-'))
            options.files.append(arg);
        else if (arg == u"--")
            optionsEnded = true;
        else if (arg == u"--help" || arg == u"-h")
            options.help = true;
        else if (arg == u"--json")
            options.json = true;
        else if (arg == u"--markers")
            options.markers = true;
        else if (arg == u"-o" && i + 1 < args.size())
            options.out = args[++i];
        else {
            bad = arg;
            return false;
        }
    }
    return true;
}

QString Quoted(const std::optional<QString>& value) {
    return value ? JsonQuote(*value) : QStringLiteral("null");
}

void PrintConflicts(const std::vector<CMergeConflict>& conflicts, bool json, QTextStream& out) {
    if (!json) {
        for (const CMergeConflict& c : conflicts)
            out << c.section << '\t' << c.key << '\t' << c.base.value_or(QString()) << '\t'
                << c.ours.value_or(QString()) << '\t' << c.theirs.value_or(QString()) << '\t'
                << c.reason << '\n';
        return;
    }
    QStringList objects;
    for (const CMergeConflict& c : conflicts)
        objects.append(QStringLiteral("{\"section\": %1, \"key\": %2, \"base\": %3, \"ours\": %4, "
                                      "\"theirs\": %5, \"reason\": %6}")
                           .arg(JsonQuote(c.section), JsonQuote(c.key), Quoted(c.base),
                                Quoted(c.ours), Quoted(c.theirs), JsonQuote(c.reason)));
    PrintJsonArray(out, objects);
}

int Merge(const Options& options, QTextStream& out, QTextStream& err) {
    CIniFileMerge merge;
    QString errorText;
    if (!merge.Load(options.files[0], options.files[1], options.files[2], errorText)) {
        err << errorText << '\n';
        return kError;
    }
    merge.Merge(options.markers);
    const QString target = options.out.isEmpty() ? merge.OursPath() : options.out;
    const bool inPlace = options.out.isEmpty();
    // Ours in place is written only when something changed, and only over the bytes merged.
    if (!inPlace || merge.Result() != merge.OursBytes()) {
        if (!CProfileWriter::WriteWhole(QFileInfo(target).absoluteFilePath(), merge.Result(),
                                        inPlace ? &merge.OursBytes() : nullptr)) {
            err << "quillet-cli: could not write " << target << ": " << CProfileWriter::LastError()
                << '\n';
            return kError;
        }
    }
    PrintConflicts(merge.Conflicts(), options.json, out);
    err << "taken from theirs " << merge.TakenCount() << ", conflicts " << merge.Conflicts().size()
        << ", comment-only changes left " << merge.CommentChanges() << '\n';
    return merge.Conflicts().empty() ? kMerged : kConflicts;
}

} // namespace

int RunMergeCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    Options options;
    QString bad;
    if (!Parse(args, options, bad)) {
        err << "quillet-cli: unknown option '" << bad << "'\n\n" << QString::fromUtf8(kMergeHelp);
        return kError;
    }
    if (options.help) {
        out << QString::fromUtf8(kMergeHelp);
        return kMerged;
    }
    if (options.files.size() != 3) {
        err << "quillet-cli: merge takes 3 arguments\n\n" << QString::fromUtf8(kMergeHelp);
        return kError;
    }
    return Merge(options, out, err);
}
