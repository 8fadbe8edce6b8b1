// The desktop program as a whole process, from its start with a file on the command line until
// its window has painted that file, against quillet-cli doing the same reading: `dump` of the
// file, and `compare` of two such files against the window's comparison. The program runs on
// the offscreen platform with QUILLET_BENCH_QUIT_WHEN_PAINTED set, which makes it paint its
// whole window once the files are shown and quit (app/main.cpp). Each iteration runs the
// programs alternately, so that a busy machine slows them alike; the counters are medians.
// Times are wall time and, because the machine may be shared, CPU time (user + system).
//
// Counters (the file: 400 sections x 2,000 entries, about 11 MB):
//   window_ms, dump_ms, ratio, cpu_ratio   open in the window / dump
//   rss_MB, dump_rss_MB, rss_ratio         peak resident memory, window / dump
//   compare_*                              the same for two files, against `compare`
//   before_*                               the same for the program named by QUILLET_BEFORE,
//                                          when set (an older build, to measure a change in one
//                                          run); it must know the quit variable too.
#include "bench/BenchFiles.h"
#include "bench/BenchProcess.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Files {
    QTemporaryDir dir;
    std::string one, two, dataBase;

    Files() {
        const QByteArray bytes = BenchFiles::MakeProfile(400, 2000);
        const auto make = [&](const char* name) {
            const QString path = dir.filePath(name);
            if (!BenchFiles::WriteAgedFile(path, bytes))
                std::abort();
            return path.toStdString();
        };
        one = make("one.ini");
        two = make("two.ini");
        // The program's value lists live beside the files, not in the current folder.
        dataBase = dir.filePath("Quillet.db").toStdString();
    }
};

Files& TheFiles() {
    static Files files;
    return files;
}

using BenchProcess::Median;
using BenchProcess::Series;
constexpr auto Spawn = BenchProcess::SpawnChecked;

// The window against the command line doing the same reading; prefix names the counters.
void Report(benchmark::State& state, const std::string& prefix, const Series& window,
            const Series& cli) {
    auto& c = state.counters;
    c[prefix + "window_ms"] = window.wall() * 1e3;
    c[prefix + "window_cpu_ms"] = window.cpuTime() * 1e3;
    c[prefix + "ratio"] = window.wall() / cli.wall();
    c[prefix + "cpu_ratio"] = window.cpuTime() / cli.cpuTime();
    c[prefix + "rss_MB"] = window.rss() / 1024;
    c[prefix + "rss_ratio"] = window.rss() / cli.rss();
}

void RunWindowAgainstCli(benchmark::State& state, const std::vector<std::string>& files,
                         const std::string& cliCommand) {
    Files& f = TheFiles();
    const char* before = std::getenv("QUILLET_BEFORE");
    const auto windowArgs = [&](const std::string& program) {
        std::vector<std::string> args = {program, "--db", f.dataBase};
        args.insert(args.end(), files.begin(), files.end());
        return args;
    };
    std::vector<std::string> cliArgs = {QUILLET_CLI_PATH, cliCommand};
    cliArgs.insert(cliArgs.end(), files.begin(), files.end());
    Series window, cli, old;
    for (auto _ : state) {
        const BenchProcess::Run w = Spawn(windowArgs(QUILLET_PATH));
        window.add(w);
        state.SetIterationTime(w.seconds);
        cli.add(Spawn(cliArgs));
        if (before)
            old.add(Spawn(windowArgs(before)));
    }
    auto& c = state.counters;
    c["cli_ms"] = cli.wall() * 1e3;
    c["cli_cpu_ms"] = cli.cpuTime() * 1e3;
    c["cli_rss_MB"] = cli.rss() / 1024;
    Report(state, "", window, cli);
    if (before)
        Report(state, "before_", old, cli);
}

void BM_OpenInWindowUntilPainted(benchmark::State& state) {
    RunWindowAgainstCli(state, {TheFiles().one}, "dump");
}
BENCHMARK(BM_OpenInWindowUntilPainted)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_CompareInWindowUntilPainted(benchmark::State& state) {
    RunWindowAgainstCli(state, {TheFiles().one, TheFiles().two}, "compare");
}
BENCHMARK(BM_CompareInWindowUntilPainted)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Inherited by every program started: no display needed, and the window quits once painted.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("QUILLET_BENCH_QUIT_WHEN_PAINTED", "1", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
