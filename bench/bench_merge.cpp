// quillet-cli merge of three large files as a whole process, against quillet-cli compare of two
// of them (the yardstick: reading two files and pairing them), and against itself on files of
// half the size. Each iteration runs them alternately on the same files, so that a busy machine
// slows them alike; the counters are medians, wall time and, because the machine may be shared,
// CPU time (user + system).
//
// The files: base is 400 sections x 2,000 entries (about 11 MB), every third value Japanese; ours
// and theirs each change 1% of its values, a tenth of them the same keys differently (conflicts).
// The half files are 200 sections of the same.
//
// Counters:
//   compare_ratio, cpu_compare_ratio   merge / compare of ours and theirs
//   doubling, cpu_doubling             merge of the full files / merge of the half ones
//   window_ratio, cpu_window_ratio     (BM_MergeInWindowUntilPainted) `quillet --merge` of the
//                                      full files until its window has painted them, against
//                                      quillet-cli merge of the same; the program runs on the
//                                      offscreen platform and quits once painted (app/main.cpp)
#include "bench/BenchFiles.h"
#include "bench/BenchProcess.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The base file with every hundredth value changed, starting at `offset`; every thousandth
// entry changes on both sides, to a value of this side's own.
QByteArray Edited(const QByteArray& base, int offset, const char* mark) {
    QByteArray text;
    text.reserve(base.size() + base.size() / 50);
    qsizetype entry = 0, begin = 0;
    while (begin < base.size()) {
        qsizetype end = base.indexOf('\n', begin);
        end = end < 0 ? base.size() : end + 1;
        const QByteArrayView line = QByteArrayView(base).sliced(begin, end - begin);
        if (line.startsWith('k')) {
            ++entry;
            if (entry % 100 == offset || entry % 1000 == 0) {
                const qsizetype equals = line.indexOf('=');
                text += line.first(equals + 1);
                text += mark + QByteArray::number(entry) + "\r\n";
                begin = end;
                continue;
            }
        }
        text += line;
        begin = end;
    }
    return text;
}

struct Set {
    std::string base, ours, theirs, out;
};

struct Files {
    QTemporaryDir dir;
    Set full, half;

    Files() {
        full = make("full", 400);
        half = make("half", 200);
    }

    Set make(const char* name, int sections) {
        const QByteArray base =
            BenchFiles::WithJapaneseValues(BenchFiles::MakeProfile(sections, 2000));
        const auto put = [&](const char* side, const QByteArray& bytes) {
            const QString path = dir.filePath(QStringLiteral("%1-%2.ini").arg(name, side));
            if (!BenchFiles::WriteAgedFile(path, bytes))
                std::abort();
            return path.toStdString();
        };
        Set set;
        set.base = put("base", base);
        set.ours = put("ours", Edited(base, 1, "ours"));
        set.theirs = put("theirs", Edited(base, 51, "theirs"));
        set.out = dir.filePath(QStringLiteral("%1-out.ini").arg(name)).toStdString();
        return set;
    }
};

Files& TheFiles() {
    static Files files;
    return files;
}

// merge and compare both exit 1 on these files: there are conflicts and differences.
BenchProcess::Run SpawnExpecting(const std::vector<std::string>& args, int expected) {
    const BenchProcess::Run run = BenchProcess::Spawn(args);
    if (run.exitCode != expected)
        std::fprintf(stderr, "%s %s exited %d, not %d\n", args[0].c_str(), args[1].c_str(),
                     run.exitCode, expected);
    return run;
}

std::vector<std::string> MergeOf(const Set& set) {
    return {QUILLET_CLI_PATH, "merge", "-o", set.out, set.base, set.ours, set.theirs};
}

void BM_Merge(benchmark::State& state) {
    Files& files = TheFiles();
    const std::vector<std::string> compare{QUILLET_CLI_PATH, "compare", files.full.ours,
                                           files.full.theirs};
    BenchProcess::Series mergeRuns, compareRuns, halfRuns;
    for (auto _ : state) {
        const BenchProcess::Run merge = SpawnExpecting(MergeOf(files.full), 1);
        mergeRuns.add(merge);
        compareRuns.add(SpawnExpecting(compare, 1));
        halfRuns.add(SpawnExpecting(MergeOf(files.half), 1));
        state.SetIterationTime(merge.seconds);
    }
    auto& counters = state.counters;
    counters["compare_ratio"] = mergeRuns.wall() / compareRuns.wall();
    counters["cpu_compare_ratio"] = mergeRuns.cpuTime() / compareRuns.cpuTime();
    counters["doubling"] = mergeRuns.wall() / halfRuns.wall();
    counters["cpu_doubling"] = mergeRuns.cpuTime() / halfRuns.cpuTime();
    counters["merge_s"] = mergeRuns.wall();
    counters["compare_s"] = compareRuns.wall();
}
BENCHMARK(BM_Merge)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_MergeInWindowUntilPainted(benchmark::State& state) {
    Files& files = TheFiles();
    const Set& set = files.full;
    // The window's value lists beside the files, not in the current folder; its output apart
    // from the command line's, so that neither reads what the other wrote.
    const std::string dataBase = set.out + ".db";
    const std::vector<std::string> window{QUILLET_PATH, "--db",   dataBase,
                                          "--merge",    set.base, set.ours,
                                          set.theirs,   "-o",     set.out + ".window.ini"};
    BenchProcess::Series windowRuns, cliRuns;
    for (auto _ : state) {
        const BenchProcess::Run run = SpawnExpecting(window, 0);
        windowRuns.add(run);
        cliRuns.add(SpawnExpecting(MergeOf(set), 1));
        state.SetIterationTime(run.seconds);
    }
    auto& counters = state.counters;
    counters["window_ratio"] = windowRuns.wall() / cliRuns.wall();
    counters["cpu_window_ratio"] = windowRuns.cpuTime() / cliRuns.cpuTime();
    counters["window_s"] = windowRuns.wall();
    counters["merge_s"] = cliRuns.wall();
}
BENCHMARK(BM_MergeInWindowUntilPainted)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Inherited by the window's program: no display needed, and it quits once painted.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("QUILLET_BENCH_QUIT_WHEN_PAINTED", "1", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
