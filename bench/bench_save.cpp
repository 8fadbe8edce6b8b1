// Saving many changed keys. Each round restores the file, loads the model, changes `keys`
// values spread over the whole file and times CIniData::Save alone; in the same run, one plain
// write of the same file (read it, write it beside itself, fsync, rename) is timed as the
// yardstick. "ratio" is the save over that write; the goal is a save that costs about one write
// whatever the number of keys.
//
// BM_SaveKeyByKey writes the same keys one WritePrivateProfileStringW at a time, as a save did
// before it gave each file one write: the figure to compare with.
//
// BM_SaveAsUsers saves the files users have: the 11 MB shape with every other value Japanese,
// in UTF-8 and in CP932 (the two encodings Japanese INI files come in), beside the ASCII one,
// each written and synced well before the save and stamped an hour back, and the changed values
// Japanese too. Its yardstick is plain C: open, read, write a new file beside it, fsync, rename;
// the save and the yardstick take turns going first.
#include "bench/BenchFiles.h"
#include "ini/IniData.h"
#include "ini/IniEntryData.h"
#include "platform/RegularFile.h"
#include "platform/TextCodec.h"
#include "platform/TextUtil.h"

#include <QSaveFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

// The files users have: ASCII, or every other value Japanese ("k0002=値00042です") in UTF-8 or
// in CP932; 400 x 2,000 entries, as large as the loader takes.
enum class UserFile { Ascii, JapaneseUtf8, JapaneseCp932 };
constexpr const char* kUserFileNames[] = {"ascii", "utf8-ja", "cp932-ja"};

QByteArray MakeUserText(UserFile file) {
    const QByteArray ascii = BenchFiles::MakeProfile(400, 2000);
    if (file == UserFile::Ascii)
        return ascii;
    QByteArray utf8;
    utf8.reserve(ascii.size() * 3 / 2);
    int line = 0;
    for (qsizetype at = 0; at < ascii.size();) {
        qsizetype end = ascii.indexOf('\n', at);
        end = end < 0 ? ascii.size() : end + 1;
        const QByteArrayView piece = QByteArrayView(ascii).sliced(at, end - at);
        const qsizetype eq = piece.indexOf("=v");
        if (++line % 2 == 0 && eq > 0) {
            utf8 += piece.first(eq);
            utf8 += "=\xE5\x80\xA4"; // =値
            utf8 += piece.sliced(eq + 2, piece.size() - eq - 4);
            utf8 += "\xE3\x81\xA7\xE3\x81\x99\r\n"; // です
        } else {
            utf8 += piece;
        }
        at = end;
    }
    if (file == UserFile::JapaneseUtf8)
        return utf8;
    QByteArray cp932;
    if (!CTextCodec(CTextCodec::Encoding::Cp932).encode(QString::fromUtf8(utf8), cp932))
        std::abort();
    return cp932;
}

const QByteArray& UserText(UserFile file) {
    static QByteArray texts[3];
    QByteArray& text = texts[int(file)];
    if (text.isEmpty())
        text = MakeUserText(file);
    return text;
}

// Writes the file, syncs it and stamps it an hour back: a file the user opened, not one just
// written, whose pages the save's own sync would otherwise have to flush.
void WriteSettledFile(const QString& path, const QByteArray& text) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, text.constData(), size_t(text.size())) != ssize_t(text.size()) ||
        ::fsync(fd) != 0 || ::close(fd) != 0)
        std::abort();
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) ||
        !file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600),
                          QFileDevice::FileModificationTime))
        std::abort();
}

// The floor in plain C: read the file, write it to a new file beside it, fsync, rename.
double OneWriteInC(const QString& path) {
    const QByteArray name = QFile::encodeName(path), temp = name + ".c-new";
    const auto start = Clock::now();
    const int in = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (in < 0 || ::fstat(in, &st) != 0)
        std::abort();
    const size_t size = size_t(st.st_size);
    char* bytes = static_cast<char*>(std::malloc(size));
    if (bytes == nullptr || ::read(in, bytes, size) != ssize_t(size) || ::close(in) != 0)
        std::abort();
    const int out = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0 || ::write(out, bytes, size) != ssize_t(size) || ::fsync(out) != 0 ||
        ::close(out) != 0 || ::rename(temp.constData(), name.constData()) != 0)
        std::abort();
    std::free(bytes);
    return Seconds(start);
}

void BM_SaveAsUsers(benchmark::State& state) {
    Text::SetJapaneseLocale(true);
    const auto file = UserFile(state.range(0));
    const int keys = int(state.range(1));
    const QString value =
        file == UserFile::Ascii ? QStringLiteral("changed") : QStringLiteral("変更した値");
    const QString path = Folder().filePath(QStringLiteral("users.ini"));
    double saved = 0, written = 0;
    int iteration = 0;
    for (auto _ : state) {
        WriteSettledFile(path, UserText(file));
        CIniData ini;
        QString error;
        if (!ini.Load(path, error) || ini.m_sections.size() != 400)
            std::abort();
        for (int i = 0; i < keys; ++i) {
            CIniSectionData& section = *ini.m_sections[size_t(qint64(i) * 400 / keys)];
            section.m_entries[size_t((i * 7919) % 2000)]->SetValue(value);
        }
        // Whichever runs second finds the memory the first gave back: they take turns.
        const bool yardstickFirst = (iteration++ % 2) != 0;
        if (yardstickFirst)
            written += OneWriteInC(path);
        const auto start = Clock::now();
        ini.Save();
        const double s = Seconds(start);
        state.SetIterationTime(s);
        saved += s;
        if (!yardstickFirst)
            written += OneWriteInC(path);
    }
    const double n = double(state.iterations());
    state.counters["write_ms"] = written / n * 1e3;
    state.counters["ratio"] = saved / written;
    state.SetLabel(kUserFileNames[int(file)]);
}

void UserArgs(benchmark::internal::Benchmark* b) {
    for (int file = 0; file < 3; ++file)
        for (int keys : {1, 10, 100, 1000})
            b->Args({file, keys});
}

BENCHMARK(BM_Save)->Apply(SaveArgs)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_SaveKeyByKey)
    ->Apply(KeyByKeyArgs)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_SaveAsUsers)
    ->Apply(UserArgs)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

} // namespace

BENCHMARK_MAIN();
