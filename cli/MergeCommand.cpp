#include "cli/MergeCommand.h"

#include "cli/JsonText.h"
#include "compare/IniMerge.h"
#include "compare/MergeMarkers.h"
#include "ini/IniData.h"
#include "platform/ProfileWriter.h"
#include "platform/RegularFile.h"
#include "platform/TextCodec.h"

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

// One of the three files: its model and its bytes. The prefix names which file failed, as the
// comparison prefixes its errors.
struct Input {
    std::unique_ptr<CIniData> ini;
    QByteArray bytes;
};

bool Read(const QString& path, const QString& prefix, Input& input, QTextStream& err) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (!QFileInfo::exists(path)) {
        err << prefix << "no such file: " << path << '\n';
        return false;
    }
    input.ini = std::make_unique<CIniData>();
    QString errorText;
    if (!input.ini->Load(absolute, errorText)) {
        err << prefix << errorText << '\n';
        return false;
    }
    // A section left out of the model would be merged as if it were missing.
    if (!input.ini->SkippedSections().empty()) {
        err << prefix << "section [" << input.ini->SkippedSections().front().name
            << "] is larger than the section buffer: the file cannot be merged\n";
        return false;
    }
    if (!CRegularFile::Read(absolute, input.bytes)) {
        err << prefix << "cannot read " << path << '\n';
        return false;
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
    Input base, ours, theirs;
    if (!Read(options.files[0], QStringLiteral("基:"), base, err) ||
        !Read(options.files[1], QStringLiteral("1:"), ours, err) ||
        !Read(options.files[2], QStringLiteral("2:"), theirs, err))
        return kError;
    const CTextCodec codec(CTextCodec::Detect(ours.bytes));
    CIniMerge merge(std::move(base.ini), std::move(ours.ini), std::move(theirs.ini));
    merge.Merge([&codec](QStringView text) {
        QByteArray encoded;
        return codec.encode(text, encoded);
    });
    const std::vector<CProfileWriter::Change> changes = merge.m_pOurs->PendingChanges();
    std::vector<QString> reasons;
    QByteArray result = CProfileWriter::EditMany(ours.bytes, changes, reasons);
    std::vector<CMergeConflict> conflicts = merge.Conflicts();
    for (size_t i = 0; i < reasons.size(); ++i) {
        if (!reasons[i].isEmpty())
            conflicts.push_back({changes[i].section, changes[i].key, std::nullopt, std::nullopt,
                                 changes[i].value, reasons[i]});
    }
    if (options.markers)
        result = CMergeMarkers::Apply(result, conflicts);

    const QString target = options.out.isEmpty() ? options.files[1] : options.out;
    const bool inPlace = options.out.isEmpty();
    if (!inPlace || result != ours.bytes) {
        if (!CProfileWriter::WriteWhole(QFileInfo(target).absoluteFilePath(), result,
                                        inPlace ? &ours.bytes : nullptr)) {
            err << "quillet-cli: could not write " << target << ": " << CProfileWriter::LastError()
                << '\n';
            return kError;
        }
    }
    PrintConflicts(conflicts, options.json, out);
    err << "taken from theirs " << merge.TakenCount() << ", conflicts " << conflicts.size()
        << ", comment-only changes left "
        << CIniMerge::CountCommentChanges(base.bytes, theirs.bytes) << '\n';
    return conflicts.empty() ? kMerged : kConflicts;
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
