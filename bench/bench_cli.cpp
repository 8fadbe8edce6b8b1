// quillet-cli dump as a whole process against a C parser doing the same job: inih's callback
// parse printing each entry with printf (inih_dump, built when libinih is installed), and the
// floor below it, a minimal hand-written line splitter that prints through one buffer. Each
// iteration runs the programs alternately on the same file, so that a busy machine slows
// them alike; the counters are medians of the runs. Times are wall time and, because the
// machine may be shared, CPU time (user + system) of each process as "cpu".
//
// Counters:
//   ratio, cpu_ratio   dump / inih_dump on 400 sections x 2,000 entries (11 MB)
//   split_ratio, cpu_split_ratio  dump / the splitter
//   doubling, cpu_doubling  dump of that file / dump of half of it (200 sections x 2,000)
//   rss_per_byte   peak resident memory of dump / file size
//   load_rss_per_byte  the same for a process that only loads the model (what the desktop
//                  program holds for the file before its grid)
//   before_*       the same for the program named by QUILLET_CLI_BEFORE, when set (an older
//                  build, to measure a change in one run)
//
// The splitter is this program itself, run as `bench_cli --split FILE`; the model-only load is
// `bench_cli --load FILE`.
#include "bench/BenchFiles.h"
#include "bench/BenchProcess.h"
#include "ini/IniData.h"
#include "platform/TextUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// About 70 KB shaped like php.ini: mostly comments, a few dozen sections, short entries.
QByteArray MakeSmallProfile() {
    QByteArray text;
    for (int s = 0; s < 40; ++s) {
        text += "[Section" + QByteArray::number(s) + "]\r\n";
        for (int e = 0; e < 25; ++e) {
            text += "; The setting below controls option " + QByteArray::number(e) +
                    " of this section.\r\n;\r\n";
            text +=
                "option." + QByteArray::number(e) + " = " + QByteArray::number(e * 37) + "\r\n\r\n";
        }
    }
    return text;
}

struct Files {
    QTemporaryDir dir;
    QString full, half, small;
    qint64 fullSize = 0, halfSize = 0, smallSize = 0;

    Files() {
        const auto make = [&](const char* name, int sections, qint64& size) {
            const QByteArray bytes = BenchFiles::MakeProfile(sections, 2000);
            const QString path = dir.filePath(name);
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                std::abort();
            size = bytes.size();
            return path;
        };
        full = make("full.ini", 400, fullSize);
        half = make("half.ini", 200, halfSize);
        const QByteArray bytes = MakeSmallProfile();
        small = dir.filePath("small.ini");
        QFile f(small);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            std::abort();
        smallSize = bytes.size();
    }
};

Files& TheFiles() {
    static Files files;
    return files;
}

using BenchProcess::Median;
using BenchProcess::Run;
using BenchProcess::Series;
constexpr auto Spawn = BenchProcess::SpawnChecked;

std::string Self() {
    return QCoreApplication::applicationFilePath().toStdString();
}

void BM_DumpWholeProcess(benchmark::State& state) {
    Files& files = TheFiles();
    const std::string full = files.full.toStdString(), half = files.half.toStdString();
    const char* before = std::getenv("QUILLET_CLI_BEFORE");
#ifdef QUILLET_INIH_DUMP_PATH
    const bool withInih = true;
#else
    const bool withInih = false;
#endif
    Series split, inih, dump, dumpHalf, load, old, oldHalf;
    for (auto _ : state) {
        split.add(Spawn({Self(), "--split", full}));
#ifdef QUILLET_INIH_DUMP_PATH
        inih.add(Spawn({QUILLET_INIH_DUMP_PATH, full}));
#endif
        const Run d = Spawn({QUILLET_CLI_PATH, "dump", full});
        dump.add(d);
        state.SetIterationTime(d.seconds);
        dumpHalf.add(Spawn({QUILLET_CLI_PATH, "dump", half}));
        load.add(Spawn({Self(), "--load", full}));
        if (before) {
            old.add(Spawn({before, "dump", full}));
            oldHalf.add(Spawn({before, "dump", half}));
        }
    }
    const double size = double(files.fullSize);
    auto& c = state.counters;
    c["dump_ms"] = dump.wall() * 1e3;
    c["dump_cpu_ms"] = dump.cpuTime() * 1e3;
    c["split_ms"] = split.wall() * 1e3;
    c["split_cpu_ms"] = split.cpuTime() * 1e3;
    c["split_ratio"] = dump.wall() / split.wall();
    c["cpu_split_ratio"] = dump.cpuTime() / split.cpuTime();
    if (withInih) {
        c["inih_ms"] = inih.wall() * 1e3;
        c["inih_cpu_ms"] = inih.cpuTime() * 1e3;
        c["ratio"] = dump.wall() / inih.wall();
        c["cpu_ratio"] = dump.cpuTime() / inih.cpuTime();
    }
    c["doubling"] = dump.wall() / dumpHalf.wall();
    c["cpu_doubling"] = dump.cpuTime() / dumpHalf.cpuTime();
    c["rss_MB"] = dump.rss() / 1024;
    c["rss_per_byte"] = dump.rss() * 1024 / size;
    c["load_rss_per_byte"] = load.rss() * 1024 / size;
    if (before) {
        c["before_dump_ms"] = old.wall() * 1e3;
        c["before_dump_cpu_ms"] = old.cpuTime() * 1e3;
        if (withInih) {
            c["before_ratio"] = old.wall() / inih.wall();
            c["before_cpu_ratio"] = old.cpuTime() / inih.cpuTime();
        }
        c["before_doubling"] = old.wall() / oldHalf.wall();
        c["before_cpu_doubling"] = old.cpuTime() / oldHalf.cpuTime();
        c["before_rss_per_byte"] = old.rss() * 1024 / size;
    }
}
BENCHMARK(BM_DumpWholeProcess)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// A small file (70 KB, like php.ini): whatever helps large files must not slow this down.
void BM_DumpSmallFile(benchmark::State& state) {
    Files& files = TheFiles();
    const std::string small = files.small.toStdString();
    const char* before = std::getenv("QUILLET_CLI_BEFORE");
    Series dump, old;
    for (auto _ : state) {
        const Run d = Spawn({QUILLET_CLI_PATH, "dump", small});
        dump.add(d);
        state.SetIterationTime(d.seconds);
        if (before)
            old.add(Spawn({before, "dump", small}));
    }
    auto& c = state.counters;
    c["KB"] = double(files.smallSize) / 1024;
    c["dump_ms"] = dump.wall() * 1e3;
    c["dump_cpu_ms"] = dump.cpuTime() * 1e3;
    if (before) {
        c["before_dump_ms"] = old.wall() * 1e3;
        c["before_dump_cpu_ms"] = old.cpuTime() * 1e3;
        c["vs_before"] = dump.wall() / old.wall();
        c["cpu_vs_before"] = dump.cpuTime() / old.cpuTime();
    }
}
BENCHMARK(BM_DumpSmallFile)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(21);

// The floor: read the file, split its lines, print each entry. Blanks around names and '='
// are trimmed, comments and blank lines skipped, as any INI parser does.
int Split(const char* path) {
    FILE* in = std::fopen(path, "rb");
    if (!in)
        return 2;
    std::string text;
    char chunk[1 << 16];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;)
        text.append(chunk, n);
    std::fclose(in);
    static char out[1 << 16];
    std::setvbuf(stdout, out, _IOFBF, sizeof out);
    const auto trim = [](const char*& b, const char*& e) {
        while (b < e && (*b == ' ' || *b == '\t'))
            ++b;
        while (e > b && (e[-1] == ' ' || e[-1] == '\t'))
            --e;
    };
    std::string section;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const char* eol = p;
        while (eol < end && *eol != '\r' && *eol != '\n')
            ++eol;
        const char *b = p, *e = eol;
        trim(b, e);
        if (b < e && *b == '[') {
            const char* close = static_cast<const char*>(std::memchr(b, ']', size_t(e - b)));
            section.assign(b + 1, close ? close : e);
        } else if (b < e && *b != ';') {
            if (const char* eq = static_cast<const char*>(std::memchr(b, '=', size_t(e - b)))) {
                const char *kb = b, *ke = eq, *vb = eq + 1, *ve = e;
                trim(kb, ke);
                trim(vb, ve);
                std::fwrite(section.data(), 1, section.size(), stdout);
                std::fputc('\t', stdout);
                std::fwrite(kb, 1, size_t(ke - kb), stdout);
                std::fputc('\t', stdout);
                std::fwrite(vb, 1, size_t(ve - vb), stdout);
                std::fputc('\n', stdout);
            }
        }
        p = eol < end && *eol == '\r' && eol + 1 < end && eol[1] == '\n' ? eol + 2 : eol + 1;
    }
    return 0;
}

int LoadOnly(const char* path) {
    Text::SetJapaneseLocale(true);
    CIniData ini;
    QString error;
    return ini.Load(QString::fromLocal8Bit(path), error) ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--split") == 0)
        return Split(argv[2]);
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--load") == 0)
        return LoadOnly(argv[2]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
