// Loading and comparing large INI files. Each shape runs at full size and at half size along
// one dimension (half the sections, or half the entries per section), so the ratio shows
// whether doubling a file more than doubles the time.
//
// Shapes: 400 sections x 2,000 entries is the largest the 2048-character names buffer allows
// with short names, with each section's text (about 28,000 characters) inside the 32767-
// character section buffer.
#include "bench/BenchFiles.h"
#include "compare/IniCompare.h"
#include "ini/IniData.h"
#include "platform/TextUtil.h"

#include <QMap>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

// File 2 differs from file 1 in every tenth value and every fiftieth key, so the comparison has
// pairs, changes and entries on one side only.
// With japanese every third value is Japanese ("k0002=値0000002"), as users' files hold them.
QByteArray MakeFile(int sections, int entries, bool second, bool japanese) {
    QByteArray text;
    text.reserve(qsizetype(sections) * entries * 16);
    char line[64];
    for (int s = 0; s < sections; ++s) {
        std::snprintf(line, sizeof line, "[S%03d]\r\n", s);
        text += line;
        for (int e = 0; e < entries; ++e) {
            const bool renamed = second && e % 50 == 7;
            const int value = second && e % 10 == 3 ? e + 1 : e;
            const char* format =
                japanese && e % 3 == 2 ? "%c%04d=\xE5\x80\xA4%07d\r\n" : "%c%04d=%07d\r\n";
            std::snprintf(line, sizeof line, format, renamed ? 'n' : 'k', e, value);
            text += line;
        }
    }
    return text;
}

// Writes each shape once.
QString FilePath(int sections, int entries, bool second, bool japanese) {
    static QMap<QString, QString> made;
    const QString name = QStringLiteral("f%1_%2_%3%4.ini")
                             .arg(sections)
                             .arg(entries)
                             .arg(second ? 2 : 1)
                             .arg(japanese ? QStringLiteral("j") : QString());
    if (made.contains(name))
        return made[name];
    const QString path = Folder().filePath(name);
    BenchFiles::WriteAgedFile(path, MakeFile(sections, entries, second, japanese));
    made[name] = path;
    return path;
}

std::unique_ptr<CIniData> Load(const QString& path) {
    auto ini = std::make_unique<CIniData>();
    QString error;
    if (!ini->Load(path, error))
        return nullptr;
    return ini;
}

void BM_Load(benchmark::State& state) {
    Text::SetJapaneseLocale(true);
    const QString path =
        FilePath(int(state.range(0)), int(state.range(1)), false, state.range(2) != 0);
    size_t entries = 0;
    for (auto _ : state) {
        auto ini = Load(path);
        if (!ini) {
            state.SkipWithError("load failed");
            return;
        }
        entries = 0;
        for (const auto& s : ini->m_sections)
            entries += s->m_entries.size();
        benchmark::DoNotOptimize(entries);
    }
    state.counters["entries"] = double(entries);
}

void BM_Compare(benchmark::State& state) {
    Text::SetJapaneseLocale(true);
    const int sections = int(state.range(0)), entries = int(state.range(1));
    const bool japanese = state.range(2) != 0;
    CIniCompare compare(Load(FilePath(sections, entries, false, japanese)),
                        Load(FilePath(sections, entries, true, japanese)));
    if (!compare.m_pIni1 || !compare.m_pIni2) {
        state.SkipWithError("load failed");
        return;
    }
    for (auto _ : state) {
        compare.Compare();
        benchmark::DoNotOptimize(compare.m_results.size());
    }
    state.counters["rows"] = double(compare.m_results.size());
}

void Shapes(benchmark::internal::Benchmark* b) {
    // The third argument: every third value Japanese (1), or all ASCII as before (0).
    b->Args({400, 2000, 1})->Args({200, 2000, 1})->Args({400, 2000, 0})->Args({200, 2000, 0});
    b->Args({400, 1000, 0});
    b->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_Load)->Apply(Shapes);
BENCHMARK(BM_Compare)->Apply(Shapes);

BENCHMARK_MAIN();
