// Saving many changed keys. Each round restores the file, loads the model, changes `keys`
// values spread over the whole file and times CIniData::Save alone; in the same run, one plain
// write of the same file (read it, write it beside itself, fsync, rename) is timed as the
// yardstick. "ratio" is the save over that write; the goal is a save that costs about one write
// whatever the number of keys.
//
// BM_SaveKeyByKey writes the same keys one WritePrivateProfileStringW at a time, as a save did
// before it gave each file one write: the figure to compare with.
#include "bench/BenchFiles.h"
#include "ini/IniData.h"
#include "ini/IniEntryData.h"
#include "platform/RegularFile.h"
#include "platform/TextUtil.h"

#include <QSaveFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Shape {
    const char* name;
    int sections, entries;
};
// About 11 MB, 1 MB and 75 KB.
constexpr Shape kShapes[] = {{"11MB", 400, 2000}, {"1MB", 100, 700}, {"75KB", 20, 270}};

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

const QByteArray& Text(int shape) {
    static QByteArray texts[3];
    if (texts[shape].isEmpty())
        texts[shape] = BenchFiles::MakeProfile(kShapes[shape].sections, kShapes[shape].entries);
    return texts[shape];
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The yardstick: one read and one atomic, synced replacement of the whole file.
double OneWrite(const QString& path) {
    const auto start = Clock::now();
    QByteArray bytes;
    if (!CRegularFile::Read(path, bytes))
        std::abort();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() ||
        ::fsync(file.handle()) != 0 || !file.commit())
        std::abort();
    return Seconds(start);
}

// A fresh copy of the file and its model with `keys` values changed, spread over the sections.
std::unique_ptr<CIniData> Prepare(int shape, int keys, const QString& path) {
    if (!BenchFiles::WriteAgedFile(path, Text(shape)))
        std::abort();
    auto ini = std::make_unique<CIniData>();
    QString error;
    if (!ini->Load(path, error))
        std::abort();
    const Shape& s = kShapes[shape];
    for (int i = 0; i < keys; ++i) {
        CIniSectionData& section = *ini->m_sections[size_t(qint64(i) * s.sections / keys)];
        section.m_entries[size_t((i * 7919) % s.entries)]->SetValue(QStringLiteral("changed"));
    }
    return ini;
}

template <typename SaveFn> void RunSave(benchmark::State& state, SaveFn save) {
    Text::SetJapaneseLocale(true);
    const int shape = int(state.range(0)), keys = int(state.range(1));
    const QString path = Folder().filePath(QStringLiteral("save.ini"));
    double saved = 0, written = 0;
    for (auto _ : state) {
        std::unique_ptr<CIniData> ini = Prepare(shape, keys, path);
        const auto start = Clock::now();
        save(*ini);
        const double s = Seconds(start);
        state.SetIterationTime(s);
        saved += s;
        written += OneWrite(path);
    }
    const double n = double(state.iterations());
    state.counters["write_ms"] = written / n * 1e3;
    state.counters["ratio"] = saved / written;
    state.SetLabel(kShapes[shape].name);
}

void BM_Save(benchmark::State& state) {
    RunSave(state, [](CIniData& ini) { ini.Save(); });
}

void BM_SaveKeyByKey(benchmark::State& state) {
    RunSave(state, [](CIniData& ini) {
        for (const auto& section : ini.m_sections)
            for (const auto& entry : section->m_entries)
                entry->Write();
    });
}

void SaveArgs(benchmark::internal::Benchmark* b) {
    for (int shape = 0; shape < 3; ++shape)
        for (int keys : {1, 10, 100, 1000})
            b->Args({shape, keys});
}

// The old way costs keys x file: the largest file only up to 100 keys, once.
void KeyByKeyArgs(benchmark::internal::Benchmark* b) {
    for (int shape = 0; shape < 3; ++shape)
        for (int keys : {1, 10, 100, 1000})
            if (shape != 0 || keys <= 100)
                b->Args({shape, keys});
}

BENCHMARK(BM_Save)->Apply(SaveArgs)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_SaveKeyByKey)
    ->Apply(KeyByKeyArgs)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
