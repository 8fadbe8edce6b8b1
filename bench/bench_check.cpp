// quillet-cli check --list as a whole process against quillet-cli dump of the same file: the
// check reads the file as dump does, and also a value list describing every one of its keys
// with a type and a range, and judges every value. Each iteration runs both alternately on the
// same files, so that a busy machine slows them alike; the counters are medians of the runs.
//
// Counters:
//   ratio, cpu_ratio   check --list / dump on 400 sections x 2,000 entries (about 11 MB), the
//                      list describing all 800,000 keys as integers in a range
//   check_ms, dump_ms  the medians themselves
//   rss_ratio          peak resident memory of check / dump
#include "bench/BenchProcess.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kSections = 400;
constexpr int kEntries = 2000;

// The shape of the other benchmarks' large file, with numbers for values so that the integer
// rule has something to judge; every value keeps the rule, so check prints nothing.
QByteArray MakeNumericProfile() {
    QByteArray text;
    text.reserve(qsizetype(kSections) * (kEntries * 13 + 8));
    char line[32];
    for (int s = 1; s <= kSections; ++s) {
        std::snprintf(line, sizeof line, "[s%03d]\r\n", s);
        text += line;
        for (int e = 1; e <= kEntries; ++e) {
            std::snprintf(line, sizeof line, "k%04d=%05d\r\n", e, (s * 7 + e) % 100000);
            text += line;
        }
    }
    return text;
}

// One line per entry: the layout does not matter to the reader, and the export's would make
// the file larger than a list file may be.
QByteArray MakeList() {
    QByteArray json = R"({"format": "quillet-value-list", "version": 2, "name": "bench",
"sections": [)";
    char entry[96];
    for (int s = 1; s <= kSections; ++s) {
        std::snprintf(entry, sizeof entry, "%s{\"name\": \"s%03d\", \"entries\": [\n",
                      s > 1 ? "]},\n" : "", s);
        json += entry;
        for (int e = 1; e <= kEntries; ++e) {
            std::snprintf(entry, sizeof entry,
                          "%s{\"name\": \"k%04d\", \"type\": \"integer\", \"min\": 0, \"max\": "
                          "99999, \"values\": []}\n",
                          e > 1 ? "," : "", e);
            json += entry;
        }
    }
    json += "]}]}\n";
    return json;
}

struct Files {
    QTemporaryDir dir;
    std::string ini, list;

    Files() {
        const auto write = [&](const char* name, const QByteArray& bytes) {
            const QString path = dir.filePath(name);
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                std::abort();
            return path.toStdString();
        };
        ini = write("full.ini", MakeNumericProfile());
        list = write("full.qvl.json", MakeList());
    }
};

void BM_CheckListAgainstDump(benchmark::State& state) {
    static Files files;
    BenchProcess::Series dump, check;
    for (auto _ : state) {
        dump.add(BenchProcess::SpawnChecked({QUILLET_CLI_PATH, "dump", files.ini}));
        const BenchProcess::Run c = BenchProcess::SpawnChecked(
            {QUILLET_CLI_PATH, "check", "--list", files.list, files.ini});
        check.add(c);
        state.SetIterationTime(c.seconds);
    }
    auto& counters = state.counters;
    counters["check_ms"] = check.wall() * 1e3;
    counters["dump_ms"] = dump.wall() * 1e3;
    counters["ratio"] = check.wall() / dump.wall();
    counters["cpu_ratio"] = check.cpuTime() / dump.cpuTime();
    counters["rss_ratio"] = check.rss() / dump.rss();
}
BENCHMARK(BM_CheckListAgainstDump)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
