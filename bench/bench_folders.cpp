// quillet-cli compare of two folders as a whole process, against the yardsticks it should stay
// near: quillet-cli dump of all the same files in one process (what reading them costs), and
// diff -rq of the two folders (what a text comparison costs). Each iteration runs the three
// alternately on the same folders, so that a busy machine slows them alike; the counters are
// medians, wall time and, because the machine may be shared, CPU time (user + system).
//
// The folders: 1,000 INI files each of about 75 KB (comments, 40 sections of 25 entries), in
// ten subfolders; half the files of folder 2 have three values changed.
//
// Counters:
//   dump_ratio, cpu_dump_ratio   compare / dump of all 2,000 files in one process
//   diff_ratio, cpu_diff_ratio   compare / diff -rq
//
// The one-process dump is this program itself, run as `bench_folders --dump-all FILE...`; it
// goes through quillet-cli's own entry point for each file.
#include "bench/BenchProcess.h"
#include "cli/CliMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kFiles = 1000;

QByteArray MakeFile(int file, bool changed) {
    QByteArray text;
    for (int s = 0; s < 40; ++s) {
        text += "[Section" + QByteArray::number(s) + "]\r\n";
        for (int e = 0; e < 25; ++e) {
            text += "; The setting below controls option " + QByteArray::number(e) +
                    " of this section, as read at start-up.\r\n;\r\n";
            const bool edit = changed && e == 3 && s % 13 == 0;
            text += "option." + QByteArray::number(e) + " = " +
                    QByteArray::number(e * 37 + file + (edit ? 1 : 0)) + "\r\n\r\n";
        }
    }
    return text;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        std::abort();
}

struct Folders {
    QTemporaryDir dir;
    QString one, two;
    std::vector<std::string> files; // every file of both folders, for the one-process dump

    Folders() {
        one = dir.filePath("one");
        two = dir.filePath("two");
        for (int i = 0; i < kFiles; ++i) {
            const QString relative = QStringLiteral("sub%1/file%2.ini").arg(i % 10).arg(i);
            WriteFile(one + u'/' + relative, MakeFile(i, false));
            WriteFile(two + u'/' + relative, MakeFile(i, i % 2 == 1));
            files.push_back((one + u'/' + relative).toStdString());
            files.push_back((two + u'/' + relative).toStdString());
        }
    }
};

// A run that exits with the status expected; compare exits 1 on these folders, as diff does.
BenchProcess::Run SpawnExpecting(const std::vector<std::string>& args, int expected) {
    const BenchProcess::Run run = BenchProcess::Spawn(args);
    if (run.exitCode != expected)
        std::fprintf(stderr, "%s exited %d, not %d\n", args[0].c_str(), run.exitCode, expected);
    return run;
}

void BM_CompareFolders(benchmark::State& state) {
    static Folders folders;
    std::vector<std::string> dumpAll{QCoreApplication::applicationFilePath().toStdString(),
                                     "--dump-all"};
    dumpAll.insert(dumpAll.end(), folders.files.begin(), folders.files.end());
    const std::vector<std::string> compare{QUILLET_CLI_PATH, "compare", folders.one.toStdString(),
                                           folders.two.toStdString()};
    const std::vector<std::string> diff{"/usr/bin/diff", "-rq", folders.one.toStdString(),
                                        folders.two.toStdString()};
    BenchProcess::Series compareRuns, dumpRuns, diffRuns;
    for (auto _ : state) {
        const BenchProcess::Run c = SpawnExpecting(compare, 1);
        compareRuns.add(c);
        dumpRuns.add(SpawnExpecting(dumpAll, 0));
        diffRuns.add(SpawnExpecting(diff, 1));
        state.SetIterationTime(c.seconds);
    }
    auto& counters = state.counters;
    counters["dump_ratio"] = compareRuns.wall() / dumpRuns.wall();
    counters["cpu_dump_ratio"] = compareRuns.cpuTime() / dumpRuns.cpuTime();
    counters["diff_ratio"] = compareRuns.wall() / diffRuns.wall();
    counters["cpu_diff_ratio"] = compareRuns.cpuTime() / diffRuns.cpuTime();
    counters["compare_s"] = compareRuns.wall();
    counters["dump_all_s"] = dumpRuns.wall();
    counters["diff_s"] = diffRuns.wall();
}
BENCHMARK(BM_CompareFolders)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// quillet-cli dump of each file in turn, in this one process, its output thrown away through
// the same UTF-8 stream on a device that the real program writes to.
int DumpAll(int argc, char** argv) {
    QFile sink(QStringLiteral("/dev/null"));
    if (!sink.open(QIODevice::WriteOnly))
        return 1;
    QFile errors;
    if (!errors.open(stderr, QIODevice::WriteOnly))
        return 1;
    QTextStream out(&sink), err(&errors);
    out.setEncoding(QStringConverter::Utf8);
    for (int i = 2; i < argc; ++i) {
        char name[] = "quillet-cli", command[] = "dump";
        char* args[] = {name, command, argv[i], nullptr};
        if (CliMain(3, args, out, err) != 0)
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--dump-all") == 0)
        return DumpAll(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
