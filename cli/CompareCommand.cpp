#include "cli/CompareCommand.h"

#include "cli/CliLoad.h"
#include "cli/JsonText.h"
#include "cli/LongOption.h"
#include "compare/CompareReport.h"
#include "compare/FolderCompare.h"
#include "compare/IniCompare.h"
#include "ini/IniData.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace {

enum ExitCode { kSuccess = 0, kDiffers = 1, kError = 2 };

constexpr qsizetype kPieceSize = qsizetype(256) * 1024;

const char* const kHelp =
    "usage: quillet-cli compare [options] FILE1 FILE2\n"
    "       quillet-cli compare [options] DIR1 DIR2\n"
    "\n"
    "Two files: pairs their sections and entries and prints one line per row:\n"
    "section 1, key 1, value 1, the mark \xE2\x97\x8B when the row differs, section 2,\n"
    "key 2, value 2, separated by tabs; empty where a file lacks the item.\n"
    "With --json: an array of objects with \"section1\", \"key1\", \"value1\",\n"
    "\"differs\", \"section2\", \"key2\", \"value2\" (null where a file lacks the item),\n"
    "and \"ignored\" when --ignore is given.\n"
    "\n"
    "Two folders: pairs every .ini file below them by its relative path (with case,\n"
    "then without for the rest) and prints one line per file: status (identical,\n"
    "differs, only-in-1, only-in-2, unreadable), differing rows, ignored rows, the\n"
    "path, and a detail (\"text differs\" for identical entries in different bytes,\n"
    "folder 2's path when it differs in case, or why a file cannot be read).\n"
    "With --json: an array of objects with \"status\", \"differing\", \"ignored\",\n"
    "\"path1\", \"path2\", \"textDiffers\" and \"error\". Symbolic links are followed\n"
    "only inside the folder; loops and special files are skipped and counted on\n"
    "standard error. A .quillet-ignore file in either folder adds its patterns.\n"
    "\n"
    "options:\n"
    "  --ignore PATTERN   rows whose section/key matches PATTERN do not count\n"
    "                     (glob, case-insensitive; repeatable; no / = whole section)\n"
    "  --ignore-case      values compare without regard to case\n"
    "  --report html|csv  print a report instead: HTML as one page, CSV (RFC 4180)\n"
    "  -o FILE            write the report to FILE\n"
    "\n"
    "Exit status: 0 all the same, 1 something differs, 2 error (a file or folder\n"
    "that cannot be read, or a section left out as too large for the section\n"
    "buffer).\n";

CRowRules RulesOf(const CompareOptions& options) {
    CRowRules rules;
    for (const QString& pattern : options.ignore)
        rules.ignore.Add(pattern);
    rules.ignoreValueCase = options.ignoreCase;
    return rules;
}

// The report goes to the file named, whole or not at all, or to standard output.
bool WriteReport(const CompareOptions& options, const QByteArray& bytes, QTextStream& out,
                 QTextStream& err) {
    if (options.output.isEmpty()) {
        out << QString::fromUtf8(bytes);
        return true;
    }
    QSaveFile file(options.output);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        err << "quillet-cli: could not write " << options.output << ": " << file.errorString()
            << '\n';
        return false;
    }
    return true;
}

const QString* NameOf(const CIniSectionData* section) {
    return section ? &section->m_name : nullptr;
}
QString JsonKeyOrNull(const CIniEntryData* entry) {
    return entry ? JsonQuote(entry->Key()) : QStringLiteral("null");
}
QString JsonValueOrNull(const CIniEntryData* entry) {
    return entry ? JsonQuote(entry->Value()) : QStringLiteral("null");
}

// Appends the row's line to text: the two sides' fields, tab-separated, and the mark between.
void AppendRowLine(QString& text, const COMPARE_REULT& r, RowState state) {
    const auto side = [&text](const CIniSectionData* section, const CIniEntryData* entry) {
        if (section)
            text.append(section->m_name);
        text.append(u'\t');
        if (entry)
            text.append(entry->KeyView());
        text.append(u'\t');
        if (entry)
            text.append(entry->ValueView());
    };
    side(r.pSection1, r.pEntry1);
    text.append(state == RowState::Differs ? u"\t○\t" : u"\t\t");
    side(r.pSection2, r.pEntry2);
    text.append(u'\n');
}

QString RowJson(const COMPARE_REULT& r, RowState state, bool withIgnored) {
    const auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    QString json =
        QStringLiteral("{\"section1\": %1, \"key1\": %2, \"value1\": %3, \"differs\": %4, "
                       "\"section2\": %5, \"key2\": %6, \"value2\": %7")
            .arg(JsonQuoteOrNull(NameOf(r.pSection1)), JsonKeyOrNull(r.pEntry1),
                 JsonValueOrNull(r.pEntry1), flag(state == RowState::Differs),
                 JsonQuoteOrNull(NameOf(r.pSection2)), JsonKeyOrNull(r.pEntry2),
                 JsonValueOrNull(r.pEntry2));
    if (withIgnored)
        json += QStringLiteral(", \"ignored\": %1").arg(flag(state == RowState::Ignored));
    return json + u'}';
}

// Prints the rows of two compared files, or the report asked for; the exit status.
int PrintPair(const CIniCompare& compare, const CompareOptions& options, QTextStream& out,
              QTextStream& err) {
    const CRowRules rules = RulesOf(options);
    bool anyDiffers = false;
    std::vector<const COMPARE_REULT*> rows;
    QStringList objects;
    // Lines go out in large pieces: one conversion and one write per piece rather than per row.
    QString piece;
    for (const auto& result : compare.m_results) {
        const RowState state = rules.StateOf(*result);
        anyDiffers = anyDiffers || state == RowState::Differs;
        rows.push_back(result.get());
        if (!options.report.isEmpty())
            continue;
        if (options.json) {
            objects.append(RowJson(*result, state, !rules.ignore.IsEmpty()));
            continue;
        }
        AppendRowLine(piece, *result, state);
        if (piece.size() >= kPieceSize) {
            out << piece;
            piece.resize(0);
        }
    }
    out << piece;
    if (options.report == u"html") {
        if (!WriteReport(
                options,
                CompareReport::PairHtml(compare.GetTitle(0), compare.GetTitle(1), rows, rules), out,
                err))
            return kError;
    } else if (options.report == u"csv") {
        if (!WriteReport(options, CompareReport::PairCsv(rows, rules), out, err))
            return kError;
    } else if (options.json) {
        PrintJsonArray(out, objects);
    }
    // Rows inside a section left out are not compared: equal rows prove nothing then.
    if (!compare.m_pIni1->SkippedSections().empty() || !compare.m_pIni2->SkippedSections().empty())
        return kError;
    return anyDiffers ? kDiffers : kSuccess;
}

int RunFiles(const CompareOptions& options, QTextStream& out, QTextStream& err) {
    auto ini1 = LoadIni(options.arguments[0], QStringLiteral("1:"), err);
    if (!ini1)
        return kError;
    auto ini2 = LoadIni(options.arguments[1], QStringLiteral("2:"), err);
    if (!ini2)
        return kError;
    auto compare = std::make_unique<CIniCompare>(std::move(ini1), std::move(ini2));
    compare->Compare();
    const int status = PrintPair(*compare, options, out, err);
    if (options.processEndsAfter)
        static_cast<void>(compare.release()); // the process's end frees it at once
    return status;
}

QString Detail(const CFilePairStatus& pair) {
    const QString detail = pair.Detail();
    return detail.isEmpty() && pair.textDiffers ? QStringLiteral("text differs") : detail;
}

QString PairLine(const CFilePairStatus& pair) {
    return pair.KindName() + u'\t' + QString::number(pair.differingRows) + u'\t' +
           QString::number(pair.ignoredRows) + u'\t' + pair.Path() + u'\t' + Detail(pair) + u'\n';
}

QString PairJson(const CFilePairStatus& pair) {
    const auto orNull = [](const QString& text) {
        return text.isEmpty() ? QStringLiteral("null") : JsonQuote(text);
    };
    return QStringLiteral("{\"status\": %1, \"differing\": %2, \"ignored\": %3, \"path1\": %4, "
                          "\"path2\": %5, \"textDiffers\": %6, \"error\": %7}")
        .arg(JsonQuote(pair.KindName()), QString::number(pair.differingRows),
             QString::number(pair.ignoredRows), orNull(pair.path1), orNull(pair.path2),
             pair.textDiffers ? QStringLiteral("true") : QStringLiteral("false"),
             orNull(pair.errorText));
}

void ReportSkipped(const CFolderScan& scan, QTextStream& err) {
    if (scan.specialFiles > 0)
        err << "quillet-cli: " << scan.root << ": skipped " << scan.specialFiles
            << " special file(s) (FIFO, device, socket)\n";
    if (scan.linkLoops > 0)
        err << "quillet-cli: " << scan.root << ": skipped " << scan.linkLoops
            << " symbolic link loop(s)\n";
    if (scan.linksOutside > 0)
        err << "quillet-cli: " << scan.root << ": skipped " << scan.linksOutside
            << " symbolic link(s) leading out of the folder\n";
}

int RunFolders(const CompareOptions& options, QTextStream& out, QTextStream& err) {
    CFolderCompare folders(options.arguments[0], options.arguments[1], RulesOf(options));
    if (!folders.Scan()) {
        err << "quillet-cli: " << folders.ErrorText() << '\n';
        return kError;
    }
    bool anyDiffers = false, anyError = false;
    QStringList objects;
    folders.CompareAll([&](size_t, const CFilePairStatus& pair) {
        anyDiffers = anyDiffers || pair.CountsAsDifferent();
        anyError = anyError || pair.kind == CFilePairStatus::Unreadable;
        if (!options.report.isEmpty())
            return;
        if (options.json)
            objects.append(PairJson(pair));
        else
            out << PairLine(pair);
    });
    ReportSkipped(folders.Scan1(), err);
    ReportSkipped(folders.Scan2(), err);
    bool written = true;
    if (options.report == u"html")
        written = WriteReport(options, CompareReport::FoldersHtml(folders), out, err);
    else if (options.report == u"csv")
        written = WriteReport(options, CompareReport::FoldersCsv(folders), out, err);
    else if (options.json)
        PrintJsonArray(out, objects);
    if (anyError || !written)
        return kError;
    return anyDiffers ? kDiffers : kSuccess;
}

} // namespace

bool ParseCompareOption(const QStringList& args, qsizetype& i, CompareOptions& options) {
    QString name, joined;
    const bool bJoined = SplitLongOption(args[i], name, joined);
    if (name == u"--ignore-case" && !bJoined) {
        options.ignoreCase = true;
        return true;
    }
    const bool bKnown =
        name == u"--ignore" || name == u"--report" || name == u"-o" || name == u"--output";
    const bool bHasValue = bJoined ? !joined.isEmpty() : i + 1 < args.size();
    if (!bKnown || !bHasValue)
        return false;
    const QString value = bJoined ? joined : args[++i];
    if (name == u"--ignore")
        options.ignore.append(value);
    else if (name == u"--report")
        options.report = value;
    else
        options.output = value;
    return true;
}

const char* CompareHelp() {
    return kHelp;
}

int RunCompareCommand(const CompareOptions& options, QTextStream& out, QTextStream& err) {
    if (!options.report.isEmpty() && options.report != u"html" && options.report != u"csv") {
        err << "quillet-cli: --report takes html or csv, not '" << options.report << "'\n";
        return kError;
    }
    if (!options.output.isEmpty() && options.report.isEmpty()) {
        err << "quillet-cli: -o names the file of a --report\n";
        return kError;
    }
    // A folder beside a missing name is taken for two folders, so that the message names the
    // missing one as a folder.
    const QFileInfo one(options.arguments[0]), two(options.arguments[1]);
    if ((one.isDir() && two.isFile()) || (one.isFile() && two.isDir())) {
        err << "quillet-cli: compare takes two files or two folders, not one of each\n";
        return kError;
    }
    return one.isDir() || two.isDir() ? RunFolders(options, out, err) : RunFiles(options, out, err);
}
