// The private-profile functions on large files.
//
// Reading: a file of 400 sections x 2,000 entries (about 11 MB) read the way the INI model
// loads it (the names, then every section with a 32,767-character buffer) against one plain
// read-and-decode of the same file, in the same run. The "ratio" counter is the first over
// the second (wall time, and CPU time of this thread as "cpu_ratio"); the goal is under 3. Once for
// a file last changed long ago, once for a file changed just now, whose cache entry is checked
// against the bytes on every call.
//
// Writing: one WritePrivateProfileStringW on a 1 MB file, on disk and in memory (/dev/shm)
// to tell the cost of the edit from that of syncing the file to disk.

#include "bench/BenchFiles.h"
#include "platform/ProfileApi.h"
#include "platform/ProfileCache.h"
#include "platform/RegularFile.h"
#include "platform/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// CPU time of this thread: the ratio stays meaningful on a machine busy with other work.
double CpuSeconds() {
    struct timespec t;
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

void SetMtime(const QString& path, bool longAgo) {
    struct timespec times[2];
    if (longAgo) {
        times[0].tv_sec = times[1].tv_sec = ::time(nullptr) - 3600;
        times[0].tv_nsec = times[1].tv_nsec = 0;
    } else {
        times[0].tv_nsec = times[1].tv_nsec = UTIME_NOW;
    }
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

struct LargeFile {
    QTemporaryDir dir;
    QString path;
    qsizetype size = 0;

    LargeFile() {
        path = dir.filePath("large.ini");
        const QByteArray bytes = BenchFiles::MakeProfile(400, 2000);
        size = bytes.size();
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            std::abort();
    }
};

LargeFile& Large() {
    static LargeFile file;
    return file;
}

// What loading the model asks of the profile layer: the names, then each section.
size_t ReadEverySection(const QString& path, std::vector<char16_t>& names,
                        std::vector<char16_t>& section) {
    const unsigned n = GetPrivateProfileSectionNamesW(names.data(), unsigned(names.size()), path);
    if (n == 0 || n == names.size() - 2)
        std::abort();
    size_t total = 0;
    for (const char16_t* name = names.data(); *name;) {
        const QString s = QString::fromUtf16(name);
        const unsigned got =
            GetPrivateProfileSectionW(s, section.data(), unsigned(section.size()), path);
        if (got == 0 || got == section.size() - 2)
            std::abort();
        total += got;
        name += s.size() + 1;
    }
    return total;
}

struct Seconds {
    double wall = 0, cpu = 0;
};

template <typename F> Seconds Measure(F&& f) {
    const auto start = Clock::now();
    const double cpu = CpuSeconds();
    f();
    return {std::chrono::duration<double>(Clock::now() - start).count(), CpuSeconds() - cpu};
}

Seconds RawReadAndDecode(const QString& path) {
    return Measure([&] {
        QByteArray bytes;
        if (!CRegularFile::Read(path, bytes))
            std::abort();
        const CTextCodec::Encoding encoding = CTextCodec::Detect(bytes);
        const QString text = CTextCodec(encoding).decode(
            QByteArrayView(bytes).sliced(CTextCodec::Bom(encoding).size()));
        benchmark::DoNotOptimize(text.size());
    });
}

void ReadSections(benchmark::State& state, bool longAgo) {
    LargeFile& file = Large();
    std::vector<char16_t> names(2048), section(32767);
    Seconds sections, raw;
    for (auto _ : state) {
        // Each round starts from nothing: the cache may not carry the parse over.
        CProfileCache::Instance().clear();
        SetMtime(file.path, longAgo);
        const Seconds s =
            Measure([&] { benchmark::DoNotOptimize(ReadEverySection(file.path, names, section)); });
        state.SetIterationTime(s.wall);
        sections.wall += s.wall;
        sections.cpu += s.cpu;
        const Seconds r = RawReadAndDecode(file.path);
        raw.wall += r.wall;
        raw.cpu += r.cpu;
    }
    const double n = double(state.iterations());
    state.counters["raw_ms"] = raw.wall / n * 1e3;
    state.counters["ratio"] = sections.wall / raw.wall;
    state.counters["cpu_ms"] = sections.cpu / n * 1e3;
    state.counters["raw_cpu_ms"] = raw.cpu / n * 1e3;
    state.counters["cpu_ratio"] = sections.cpu / raw.cpu;
    state.counters["MB"] = double(file.size) / 1e6;
}

void BM_RawReadAndDecode(benchmark::State& state) {
    LargeFile& file = Large();
    for (auto _ : state)
        state.SetIterationTime(RawReadAndDecode(file.path).wall);
    state.SetBytesProcessed(state.iterations() * file.size);
}
BENCHMARK(BM_RawReadAndDecode)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_ReadEverySection_OldFile(benchmark::State& state) {
    ReadSections(state, true);
}
BENCHMARK(BM_ReadEverySection_OldFile)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

void BM_ReadEverySection_JustChangedFile(benchmark::State& state) {
    ReadSections(state, false);
}
BENCHMARK(BM_ReadEverySection_JustChangedFile)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

void WriteOneKey(benchmark::State& state, const QString& folder) {
    QTemporaryDir dir(folder.isEmpty() ? QString() : folder + "/quillet-bench-XXXXXX");
    if (!dir.isValid()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const QString path = dir.filePath("1mb.ini");
    const QByteArray bytes = BenchFiles::MakeProfile(38, 2000); // about 1 MB
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        std::abort();
    f.close();
    int round = 0;
    for (auto _ : state) {
        // A key in the middle of the file, changed each time so that every call writes.
        if (WritePrivateProfileStringW("s019", "k1000", QString::number(++round), path) != 1)
            std::abort();
    }
    state.counters["MB"] = double(bytes.size()) / 1e6;
}

void BM_WriteOneKey_1MB_Disk(benchmark::State& state) {
    WriteOneKey(state, QString());
}
BENCHMARK(BM_WriteOneKey_1MB_Disk)->Unit(benchmark::kMillisecond);

void BM_WriteOneKey_1MB_Memory(benchmark::State& state) {
    if (!QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
        state.SkipWithError("no /dev/shm");
        return;
    }
    WriteOneKey(state, QStringLiteral("/dev/shm"));
}
BENCHMARK(BM_WriteOneKey_1MB_Memory)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
