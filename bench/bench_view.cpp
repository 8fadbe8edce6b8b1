// Opening the largest file the loader takes (400 sections x 2,000 entries, about 11 MB) in the
// main view, and in the whole main window, until it has painted, against loading the same file
// alone, in the same run: the view should cost no more than the load; and closing it in the view
// again, which should cost far less. Then one move of the current cell on that file, and the undo
// and redo of a value edit, neither of which may depend on the row count (the same on a
// 1,000-row file beside it). For the view alone a host stands in for the frame; it records the
// preview message only.
#include "app/FolderMode.h"
#include "app/MainFrame.h"
#include "app/PreviewDlgBar.h"
#include "app/QuilletDoc.h"
#include "bench/BenchFiles.h"
#include "bench/BenchProcess.h"
#include "bench/BenchQtSupport.h"
#include "compare/IniCompare.h"
#include "grid/ListCtrlEx.h"
#include "ini/IniData.h"
#include "platform/TextUtil.h"
#include "res/Resource.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/SectionData.h"
#include "view/FolderListView.h"
#include "view/QuilletView.h"
#include "view/ViewHost.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMap>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <malloc.h>
#include <sys/resource.h>
#include <tuple>
#include <unistd.h>

namespace {

class CBenchHost : public CViewHost {
public:
    qintptr SendMessage(unsigned message, quintptr, qintptr lParam) override {
        if (message == Res::WM_SHOW_PREVIEW)
            m_nLastPreview = lParam;
        return 0;
    }
    std::map<int, int>& ColumnWidths() override { return m_widths; }
    std::map<int, int>& CompareColumnWidths() override { return m_compareWidths; }
    CProjectDataBase* DataBase() override { return m_pDataBase; }

    qintptr m_nLastPreview = 0;
    CProjectDataBase* m_pDataBase = nullptr;
    std::map<int, int> m_widths{{0, 200}, {1, 200}, {2, 250}, {3, 250}};
    std::map<int, int> m_compareWidths;
};

QTemporaryDir& Folder() {
    static QTemporaryDir dir;
    return dir;
}

// Written once per shape.
QString FilePath(int sections, int entries) {
    static QMap<QString, QString> made;
    const QString name = QStringLiteral("v%1_%2.ini").arg(sections).arg(entries);
    if (!made.contains(name)) {
        made[name] = Folder().filePath(name);
        BenchFiles::WriteAgedFile(made[name], BenchFiles::MakeProfile(sections, entries));
    }
    return made[name];
}

std::unique_ptr<CIniData> Load(const QString& path) {
    auto ini = std::make_unique<CIniData>();
    QString error;
    return ini->Load(path, error) ? std::move(ini) : nullptr;
}

// This thread's CPU time: what a busy machine does not add to.
double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void BM_LoadAlone(benchmark::State& state) {
    const QString path = FilePath(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        auto ini = Load(path);
        if (!ini) {
            state.SkipWithError("load failed");
            return;
        }
        benchmark::DoNotOptimize(ini.get());
        state.PauseTiming();
        ini.reset();
        state.ResumeTiming();
    }
}

// Load, show in the view, paint it once: what the user waits for after picking the file.
void BM_OpenInView(benchmark::State& state) {
    const QString path = FilePath(int(state.range(0)), int(state.range(1)));
    CBenchHost host;
    CQuilletView view(&host);
    view.resize(BenchQt::kWindow);
    view.show();
    QCoreApplication::processEvents();
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    int rows = 0;
    for (auto _ : state) {
        auto ini = Load(path);
        if (!ini) {
            state.SkipWithError("load failed");
            return;
        }
        view.OnUpdate(nullptr, Res::HINT_SHOW_FILE, reinterpret_cast<quintptr>(ini.get()));
        QCoreApplication::processEvents();
        view.render(&image);
        benchmark::DoNotOptimize(image.bits());
        state.PauseTiming();
        rows = view.GetGrid()->GetItemCount();
        view.OnUpdate(nullptr, Res::HINT_CLEAR, 0);
        ini.reset();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
    state.counters["peak_MB"] = PeakMegabytes();
}

// Closing the shown file in the view: what the grid costs to empty, the file's model still
// alive (it goes afterwards, untimed), as when the user closes or opens another file.
void BM_CloseInView(benchmark::State& state) {
    const QString path = FilePath(int(state.range(0)), int(state.range(1)));
    CBenchHost host;
    CQuilletView view(&host);
    view.resize(BenchQt::kWindow);
    view.show();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        auto ini = Load(path);
        if (!ini) {
            state.SkipWithError("load failed");
            return;
        }
        view.OnUpdate(nullptr, Res::HINT_SHOW_FILE, reinterpret_cast<quintptr>(ini.get()));
        QCoreApplication::processEvents();
        state.ResumeTiming();
        view.OnUpdate(nullptr, Res::HINT_CLEAR, 0);
        QCoreApplication::processEvents();
        state.PauseTiming();
        ini.reset();
        state.ResumeTiming();
    }
}

// The real main window, shown and empty, with a database of its own.
struct CEmptyWindow {
    explicit CEmptyWindow(const QString& dbName) : db(Folder().filePath(dbName)) {
        ready = db.Open() && db.CreateTables();
        doc.OnNewDocument();
        frame.resize(1600, 1000);
        frame.show();
        QCoreApplication::processEvents();
    }
    // Paints the whole window once, as the screen would.
    void Paint() {
        QCoreApplication::processEvents();
        frame.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }

    CProjectDataBase db;
    CQuilletDoc doc;
    CMainFrame frame{&doc, &db};
    bool ready = false;
    QImage image{QSize(1600, 1000), QImage::Format_ARGB32_Premultiplied};
};

// The same through the real main window: the frame loads, the view fills the grid, the
// preview bar reads the file as text, and the whole window paints once.
void BM_OpenInWindow(benchmark::State& state) {
    const QString path = FilePath(int(state.range(0)), int(state.range(1)));
    CEmptyWindow window(QStringLiteral("Quillet.db"));
    if (!window.ready) {
        state.SkipWithError("no database");
        return;
    }
    for (auto _ : state) {
        if (!window.frame.OpenFile(path, false)) {
            state.SkipWithError("open failed");
            return;
        }
        window.Paint();
        state.PauseTiming();
        window.doc.OnNewDocument();
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = PeakMegabytes();
}

// The view alone showing a generated file, its value cell of the middle row current.
struct CShownFile {
    explicit CShownFile(const benchmark::State& state)
        : CShownFile(FilePath(int(state.range(0)), int(state.range(1)))) {}
    explicit CShownFile(const QString& path) : ini(Load(path)) {
        view.resize(BenchQt::kWindow);
        view.show();
        view.OnUpdate(nullptr, Res::HINT_SHOW_FILE, reinterpret_cast<quintptr>(ini.get()));
        grid = view.GetGrid();
        middle = grid->GetItemCount() / 2;
        grid->SetCurrentCell(middle, 2, true, false);
    }
    ~CShownFile() { view.OnUpdate(nullptr, Res::HINT_CLEAR, 0); }

    CBenchHost host;
    CQuilletView view{&host};
    std::unique_ptr<CIniData> ini;
    Pelmo::CListCtrlEx* grid = nullptr;
    int middle = 0;
};

// One Down key in the value column of the middle row, and the repaint that follows.
void BM_MoveCurrentCell(benchmark::State& state) {
    CShownFile shown(state);
    CQuilletView& view = shown.view;
    Pelmo::CListCtrlEx* grid = shown.grid;
    grid->setFocus();
    QCoreApplication::processEvents();
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    bool down = true;
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, down ? Qt::Key_Down : Qt::Key_Up, Qt::NoModifier);
        QCoreApplication::sendEvent(grid, &press);
        view.render(&image);
        benchmark::DoNotOptimize(image.bits());
        down = !down;
    }
    if (shown.host.m_nLastPreview == 0)
        state.SkipWithError("the move sent no preview message");
}

// A value edit of the middle row undone and redone: each puts back that one row, which must not
// depend on the row count either. (The edit itself is the grid's and is left out.)
void BM_UndoRedoEdit(benchmark::State& state) {
    CShownFile shown(state);
    CQuilletView& view = shown.view;
    Pelmo::CListCtrlEx* grid = shown.grid;
    const int middle = shown.middle;
    QCoreApplication::processEvents();
    grid->BeginEdit(middle, 2);
    QLineEdit* editor = nullptr;
    for (QLineEdit* candidate : grid->findChildren<QLineEdit*>()) {
        if (candidate->isVisible())
            editor = candidate;
    }
    if (!editor) {
        state.SkipWithError("no cell editor opened");
        return;
    }
    editor->setText(QStringLiteral("edited"));
    grid->EndEdit();
    for (auto _ : state) {
        view.Undo();
        view.Redo();
    }
    if (grid->GetItemText(middle, 2) != QStringLiteral("edited"))
        state.SkipWithError("undo and redo did not bring the edit back");
}

// A find that matches nothing walks every searchable cell: what one keystroke in the find box
// costs on the largest file, against the same on a 1,000-row file. The first search of a shown
// file is left out of the timing.
void BM_FindWithoutMatch(benchmark::State& state) {
    Text::SetJapaneseLocale(true);
    CShownFile shown(state);
    const int kinds =
        CQuilletView::FIND_SECTION | CQuilletView::FIND_ENTRY | CQuilletView::FIND_VALUE;
    const QString text = QStringLiteral("NO SUCH TEXT");
    if (shown.view.Find(text, kinds, true)) {
        state.SkipWithError("the text was found");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(shown.view.Find(text, kinds, true));
    state.counters["rows"] = shown.grid->GetItemCount();
}

// Every third value in Japanese, as users' files hold them: "k0003=値00042".
QString JapaneseFilePath(int sections, int entries) {
    static QMap<QString, QString> made;
    const QString name = QStringLiteral("j%1_%2.ini").arg(sections).arg(entries);
    if (!made.contains(name)) {
        made[name] = Folder().filePath(name);
        BenchFiles::WriteAgedFile(
            made[name], BenchFiles::WithJapaneseValues(BenchFiles::MakeProfile(sections, entries)));
    }
    return made[name];
}

// The process's resident memory now, not its peak; what the heap holds free is given back first,
// so that a view put away before does not hide what the next one takes.
double ResidentMegabytes() {
    malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(getpagesize()) / (1024.0 * 1024.0) : 0;
}

// What the user meets: Ctrl+F on a file just shown, then "z" and "zq" typed, neither found
// (the find box upper-cases what is typed), on a file with Japanese values. Each round shows
// the file in a new view, untimed, so the first search is always the view's first. Counters,
// medians in milliseconds:
//   first_ms    the first keystroke ("z"), and first_cpu_ms this thread's CPU time for it
//   later_ms    the second one ("zq") and "z" again, and later_cpu_ms
//   open_MB     the process's resident memory with the file shown, before any search
//   kept_MB     what the searches left resident beyond that, and kept_pct of open_MB
void BM_FindKeystrokes(benchmark::State& state) {
    Text::SetJapaneseLocale(true);
    const QString path = JapaneseFilePath(int(state.range(0)), int(state.range(1)));
    const int kinds =
        CQuilletView::FIND_SECTION | CQuilletView::FIND_ENTRY | CQuilletView::FIND_VALUE;
    std::vector<double> first, later, firstCpu, laterCpu, open, kept;
    const auto timed = [&](CQuilletView& view, const QString& text, bool isFirst) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuSeconds();
        const bool found = view.Find(text, kinds, true);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        (isFirst ? firstCpu : laterCpu).push_back((ThreadCpuSeconds() - cpuStart) * 1e3);
        return found ? -1.0 : took.count();
    };
    for (auto _ : state) {
        auto shown = std::make_unique<CShownFile>(path);
        QCoreApplication::processEvents();
        open.push_back(ResidentMegabytes());
        const double times[] = {timed(shown->view, QStringLiteral("Z"), true),
                                timed(shown->view, QStringLiteral("ZQ"), false),
                                timed(shown->view, QStringLiteral("Z"), false)};
        kept.push_back(ResidentMegabytes() - open.back());
        if (*std::min_element(std::begin(times), std::end(times)) < 0) {
            state.SkipWithError("the text was found");
            return;
        }
        first.push_back(times[0]);
        later.insert(later.end(), {times[1], times[2]});
        state.SetIterationTime((times[0] + times[1] + times[2]) / 1e3);
        shown.reset();
    }
    auto& c = state.counters;
    c["first_ms"] = BenchProcess::Median(first);
    c["later_ms"] = BenchProcess::Median(later);
    c["first_cpu_ms"] = BenchProcess::Median(firstCpu);
    c["later_cpu_ms"] = BenchProcess::Median(laterCpu);
    c["open_MB"] = BenchProcess::Median(open);
    c["kept_MB"] = BenchProcess::Median(kept);
    c["kept_pct"] = 100.0 * c["kept_MB"] / c["open_MB"];
}

// Key movement as the user makes it: Down, Page Down, Ctrl+End and back with Ctrl+Home, each
// key followed by a paint, on the largest file against a 75 KB one (5 sections x 1,000 entries,
// 5,000 rows) in the same run. The two files take turns, so that a busy machine slows both
// alike; the counters are medians of the turns, in microseconds for the four keys:
//   large_us, small_us, ratio          wall time
//   large_cpu_us, small_cpu_us, cpu_ratio   this thread's CPU time
// BM_MoveInWindow goes through the whole main window (the grid, its row header, the preview bar)
// and paints the window; BM_MoveInView goes through the view alone and paints the view.
struct CMoveTimes {
    std::vector<double> wall, cpu;
};

void MoveAround(QWidget* grid, QWidget* painted, QImage& image, CMoveTimes& times) {
    static const std::pair<int, Qt::KeyboardModifiers> kKeys[] = {
        {Qt::Key_Down, Qt::NoModifier},
        {Qt::Key_PageDown, Qt::NoModifier},
        {Qt::Key_End, Qt::ControlModifier},
        {Qt::Key_Home, Qt::ControlModifier}};
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuSeconds();
    for (const auto& [key, mods] : kKeys) {
        QKeyEvent press(QEvent::KeyPress, key, mods);
        QCoreApplication::sendEvent(grid, &press);
        QCoreApplication::processEvents();
        painted->render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
    times.wall.push_back(wall.count() * 1e6);
    times.cpu.push_back((ThreadCpuSeconds() - cpuStart) * 1e6);
}

// One side of the comparison: something showing a file, its grid and the widget painted.
struct CMoveSide {
    Pelmo::CListCtrlEx* grid = nullptr;
    QWidget* painted = nullptr;
    QImage image;
    CMoveTimes times;

    void Ready() {
        grid->SetCurrentCell(0, 2, true, false);
        grid->setFocus();
        QCoreApplication::processEvents();
        image = QImage(painted->size(), QImage::Format_ARGB32_Premultiplied);
    }
};

void MeasureMoves(benchmark::State& state, CMoveSide& large, CMoveSide& small) {
    large.Ready();
    small.Ready();
    for (auto _ : state) {
        MoveAround(large.grid, large.painted, large.image, large.times);
        MoveAround(small.grid, small.painted, small.image, small.times);
    }
    auto& c = state.counters;
    c["large_us"] = BenchProcess::Median(large.times.wall);
    c["small_us"] = BenchProcess::Median(small.times.wall);
    c["ratio"] = c["large_us"] / c["small_us"];
    c["large_cpu_us"] = BenchProcess::Median(large.times.cpu);
    c["small_cpu_us"] = BenchProcess::Median(small.times.cpu);
    c["cpu_ratio"] = c["large_cpu_us"] / c["small_cpu_us"];
}

// The main window with a file open in it, as the user has it.
struct CWindowShowing : CEmptyWindow {
    CWindowShowing(const QString& path, const QString& dbName) : CEmptyWindow(dbName) {
        opened = ready && frame.OpenFile(path, false);
        QCoreApplication::processEvents();
        side.grid = frame.GetView()->GetGrid();
        side.painted = &frame;
    }

    bool opened = false;
    CMoveSide side;
};

void BM_MoveInWindow(benchmark::State& state) {
    CWindowShowing large(FilePath(400, 2000), QStringLiteral("large.db"));
    CWindowShowing small(FilePath(5, 1000), QStringLiteral("small.db"));
    if (!large.opened || !small.opened) {
        state.SkipWithError("open failed");
        return;
    }
    MeasureMoves(state, large.side, small.side);
}

void BM_MoveInView(benchmark::State& state) {
    CBenchHost largeHost;
    CBenchHost smallHost;
    CQuilletView largeView(&largeHost);
    CQuilletView smallView(&smallHost);
    const auto largeIni = Load(FilePath(400, 2000));
    const auto smallIni = Load(FilePath(5, 1000));
    if (!largeIni || !smallIni) {
        state.SkipWithError("load failed");
        return;
    }
    CMoveSide large;
    CMoveSide small;
    for (auto [view, ini, side] : {std::tuple(&largeView, largeIni.get(), &large),
                                   std::tuple(&smallView, smallIni.get(), &small)}) {
        view->resize(BenchQt::kWindow);
        view->show();
        view->OnUpdate(nullptr, Res::HINT_SHOW_FILE, reinterpret_cast<quintptr>(ini));
        side->grid = view->GetGrid();
        side->painted = view;
    }
    MeasureMoves(state, large, small);
    largeView.OnUpdate(nullptr, Res::HINT_CLEAR, 0);
    smallView.OnUpdate(nullptr, Res::HINT_CLEAR, 0);
}

// Two files of the largest size compared in the window, until it has painted, against
// `quillet-cli compare` of the same two files as a whole process, in the same run; the counters
// are medians. The second file differs as a real one would: every 50th value is another, and
// every 20th section has another name, so that both sides lack some rows.
//   window_ms, window_cpu_ms   the window (this thread's CPU time)
//   cli_ms, cli_cpu_ms         the command (the process's user + system time)
//   ratio, cpu_ratio           window / command
// BM_CompareInWindow goes through the whole main window (the preview bar's two panes too);
// BM_CompareInView loads, compares and shows the two files in the view alone.
QByteArray MakeChangedProfile(int sections, int entries) {
    QByteArray text;
    text.reserve(qsizetype(sections) * (entries * 14 + 8));
    char line[32];
    for (int s = 1; s <= sections; ++s) {
        std::snprintf(line, sizeof line, "[%c%03d]\r\n", s % 20 == 0 ? 't' : 's', s);
        text += line;
        for (int e = 1; e <= entries; ++e) {
            std::snprintf(line, sizeof line, "k%04d=%c%05d\r\n", e, e % 50 == 0 ? 'w' : 'v',
                          (s * 7 + e) % 100000);
            text += line;
        }
    }
    return text;
}

QString ChangedFilePath() {
    static const QString path = [] {
        const QString made = Folder().filePath(QStringLiteral("changed.ini"));
        BenchFiles::WriteAgedFile(made, MakeChangedProfile(400, 2000));
        return made;
    }();
    return path;
}

// clear puts away what the last round showed, outside the timing: the command has nothing
// to put away either.
template <typename Clear, typename Show>
void MeasureCompare(benchmark::State& state, Clear clear, Show show) {
    const QString first = FilePath(400, 2000);
    const QString second = ChangedFilePath();
    std::vector<double> windowWall, windowCpu, cliWall, cliCpu;
    for (auto _ : state) {
        const BenchProcess::Run cli = BenchProcess::Spawn(
            {QUILLET_CLI_PATH, "compare", first.toStdString(), second.toStdString()});
        if (cli.exitCode != 1) {
            state.SkipWithError("quillet-cli compare did not report differences");
            return;
        }
        cliWall.push_back(cli.seconds * 1e3);
        cliCpu.push_back(cli.cpu * 1e3);
        clear();
        const auto wallStart = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuSeconds();
        if (!show(first, second)) {
            state.SkipWithError("the comparison was not shown");
            return;
        }
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
        windowWall.push_back(wall.count() * 1e3);
        windowCpu.push_back((ThreadCpuSeconds() - cpuStart) * 1e3);
    }
    auto& c = state.counters;
    c["window_ms"] = BenchProcess::Median(windowWall);
    c["window_cpu_ms"] = BenchProcess::Median(windowCpu);
    c["cli_ms"] = BenchProcess::Median(cliWall);
    c["cli_cpu_ms"] = BenchProcess::Median(cliCpu);
    c["ratio"] = c["window_ms"] / c["cli_ms"];
    c["cpu_ratio"] = c["window_cpu_ms"] / c["cli_cpu_ms"];
    c["peak_MB"] = PeakMegabytes();
}

void BM_CompareInWindow(benchmark::State& state) {
    CEmptyWindow window(QStringLiteral("compare.db"));
    if (!window.ready) {
        state.SkipWithError("no database");
        return;
    }
    const auto clear = [&] {
        window.doc.OnNewDocument();
        QCoreApplication::processEvents();
    };
    MeasureCompare(state, clear, [&](const QString& first, const QString& second) {
        if (!window.frame.OpenCompare(first, second))
            return false;
        window.Paint();
        return true;
    });
    window.doc.OnNewDocument();
}

void BM_CompareInView(benchmark::State& state) {
    CBenchHost host;
    CQuilletView view(&host);
    view.resize(BenchQt::kWindow);
    view.show();
    QCoreApplication::processEvents();
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    std::unique_ptr<CIniCompare> shown;
    const auto clear = [&] {
        view.OnUpdate(nullptr, Res::HINT_CLEAR, 0);
        shown.reset();
    };
    MeasureCompare(state, clear, [&](const QString& first, const QString& second) {
        auto ini1 = Load(first);
        auto ini2 = ini1 ? Load(second) : nullptr;
        if (!ini2)
            return false;
        shown = std::make_unique<CIniCompare>(std::move(ini1), std::move(ini2));
        shown->Compare();
        view.OnUpdate(nullptr, Res::HINT_SHOW_COMPARE, reinterpret_cast<quintptr>(shown.get()));
        QCoreApplication::processEvents();
        view.render(&image);
        benchmark::DoNotOptimize(image.bits());
        return true;
    });
    view.OnUpdate(nullptr, Res::HINT_CLEAR, 0);
}

// Turns a filter of the view on and off again, each until the view has painted; the counters
// are medians in milliseconds (goal: each at most 100) and the rows shown with it on.
template <typename Toggle>
void TimeFilterToggle(benchmark::State& state, CQuilletView& view, Toggle toggle) {
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    view.GetGrid()->SetCurrentCell(1000, 2, true, false);
    QCoreApplication::processEvents();
    const auto timed = [&](bool on) {
        const auto start = std::chrono::steady_clock::now();
        toggle(on);
        QCoreApplication::processEvents();
        view.render(&image);
        benchmark::DoNotOptimize(image.bits());
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    std::vector<double> onTimes, offTimes;
    int shownRows = 0;
    for (auto _ : state) {
        onTimes.push_back(timed(true));
        shownRows = view.GetGrid()->GetShownCount();
        offTimes.push_back(timed(false));
    }
    state.counters["on_ms"] = BenchProcess::Median(onTimes);
    state.counters["off_ms"] = BenchProcess::Median(offTimes);
    state.counters["rows_shown"] = shownRows;
    state.counters["rows_all"] = view.GetGrid()->GetItemCount();
}

// "差分のみ表示" on the 800,000-row comparison above.
void BM_DifferencesOnlyToggle(benchmark::State& state) {
    CBenchHost host;
    CQuilletView view(&host);
    view.resize(BenchQt::kWindow);
    view.show();
    QCoreApplication::processEvents();
    auto ini1 = Load(FilePath(400, 2000));
    auto ini2 = ini1 ? Load(ChangedFilePath()) : nullptr;
    if (!ini2) {
        state.SkipWithError("the files were not read");
        return;
    }
    auto shown = std::make_unique<CIniCompare>(std::move(ini1), std::move(ini2));
    shown->Compare();
    view.OnUpdate(nullptr, Res::HINT_SHOW_COMPARE, reinterpret_cast<quintptr>(shown.get()));
    TimeFilterToggle(state, view, [&](bool on) { view.SetDifferencesOnly(on); });
    view.OnUpdate(nullptr, Res::HINT_CLEAR, 0);
}

// "既定値と異なるものだけ" on the 800,000-row file, with a value list giving every entry a
// default: the file's own value for every other key (those rows go), another for the rest.
void BM_DefaultFilterToggle(benchmark::State& state) {
    const QString path = FilePath(400, 2000);
    CProjectDataBase db(Folder().filePath(QStringLiteral("defaults.db")));
    CProjectData project(-1, QStringLiteral("既定値"));
    for (int s = 1; s <= 400; ++s) {
        CSectionData* section =
            project.AppendSection(QStringLiteral("s%1").arg(s, 3, 10, QLatin1Char('0')), QString());
        for (int e = 1; e <= 2000; ++e) {
            CEntryData* entry = section->AppendEntry(
                QStringLiteral("k%1").arg(e, 4, 10, QLatin1Char('0')), QString());
            entry->m_rule.m_default =
                e % 2 ? QStringLiteral("既定")
                      : QStringLiteral("v%1").arg((s * 7 + e) % 100000, 5, 10, QLatin1Char('0'));
        }
    }
    if (!db.Open() || !db.CreateTables() || !db.SaveProject(&project) ||
        !db.SetHistory(CRecordIdFilePath(project.m_nPid, path))) {
        const std::string why = "the value list was not stored: " + db.ErrorMessage().toStdString();
        state.SkipWithError(why.c_str());
        return;
    }
    CBenchHost host;
    host.m_pDataBase = &db;
    CQuilletView view(&host);
    view.resize(BenchQt::kWindow);
    view.show();
    QCoreApplication::processEvents();
    auto ini = Load(path);
    if (!ini) {
        state.SkipWithError("the file was not read");
        return;
    }
    view.OnUpdate(nullptr, Res::HINT_SHOW_FILE, reinterpret_cast<quintptr>(ini.get()));
    TimeFilterToggle(state, view, [&](bool on) { view.SetDefaultFilter(on); });
    view.OnUpdate(nullptr, Res::HINT_CLEAR, 0);
}

// Two folders of 1,000 INI files of about 75 KB each (half of folder 2's with three values
// changed) listed in the window, against `quillet-cli compare DIR1 DIR2` as a whole process,
// in the same run; medians. Goals: the first row within 0.5 s, the whole list within 2x the
// command.
//   first_row_ms   from the start until the list has its first row
//   window_ms      until the whole list is there and painted
//   cli_ms, ratio  the command, and window / command
QByteArray MakeFolderFile(int file, bool changed) {
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

void BM_FolderListInWindow(benchmark::State& state) {
    const QString one = Folder().filePath(QStringLiteral("folders/one"));
    const QString two = Folder().filePath(QStringLiteral("folders/two"));
    for (int i = 0; i < 1000; ++i) {
        const QString relative = QStringLiteral("/sub%1/file%2.ini").arg(i % 10).arg(i);
        QDir().mkpath(one + QStringLiteral("/sub%1").arg(i % 10));
        QDir().mkpath(two + QStringLiteral("/sub%1").arg(i % 10));
        BenchFiles::WriteAgedFile(one + relative, MakeFolderFile(i, false));
        BenchFiles::WriteAgedFile(two + relative, MakeFolderFile(i, i % 2 == 1));
    }
    CEmptyWindow window(QStringLiteral("folders.db"));
    if (!window.ready) {
        state.SkipWithError("no database");
        return;
    }
    QTreeWidget* list = window.frame.Folders()->List()->List();
    std::chrono::steady_clock::time_point start, firstRow;
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list, [&] {
        if (firstRow < start)
            firstRow = std::chrono::steady_clock::now();
    });
    std::vector<double> first, whole, cliWall;
    for (auto _ : state) {
        const BenchProcess::Run cli = BenchProcess::Spawn(
            {QUILLET_CLI_PATH, "compare", one.toStdString(), two.toStdString()});
        cliWall.push_back(cli.seconds * 1e3);
        start = std::chrono::steady_clock::now();
        window.frame.Folders()->Open(one, two);
        window.Paint();
        const auto end = std::chrono::steady_clock::now();
        whole.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        first.push_back(std::chrono::duration<double, std::milli>(firstRow - start).count());
        if (list->topLevelItemCount() != 1000) {
            state.SkipWithError("the list does not have every file");
            return;
        }
    }
    auto& c = state.counters;
    c["first_row_ms"] = BenchProcess::Median(first);
    c["window_ms"] = BenchProcess::Median(whole);
    c["cli_ms"] = BenchProcess::Median(cliWall);
    c["ratio"] = c["window_ms"] / c["cli_ms"];
}

// One move of the grid's current row as the preview bar sees it: the bar highlights the next
// entry's line and paints. It must not depend on the file's length (the same on a 1,000-line
// file beside the largest).
void BM_PreviewShowItem(benchmark::State& state) {
    auto ini = Load(FilePath(int(state.range(0)), int(state.range(1))));
    if (!ini) {
        state.SkipWithError("load failed");
        return;
    }
    CPreviewDlgBar bar;
    bar.resize(1600, bar.height());
    bar.SetIni(ini.get());
    bar.show();
    QCoreApplication::processEvents();
    const auto& entries = ini->m_sections[ini->m_sections.size() / 2]->m_entries;
    const size_t middle = entries.size() / 2;
    QImage image(bar.size(), QImage::Format_ARGB32_Premultiplied);
    bool down = true;
    for (auto _ : state) {
        bar.ShowItem(Res::IDC_PREVIEW, entries[down ? middle + 1 : middle].get());
        bar.render(&image);
        benchmark::DoNotOptimize(image.bits());
        down = !down;
    }
    state.counters["lines"] = double(bar.GetLineMap(Res::IDC_PREVIEW).size());
}

} // namespace

BENCHMARK(BM_LoadAlone)->Args({400, 2000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenInView)->Args({400, 2000})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CloseInView)->Args({400, 2000})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenInWindow)->Args({400, 2000})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MoveCurrentCell)->Args({400, 2000})->Args({1, 1000})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindWithoutMatch)->Args({400, 2000})->Args({1, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindKeystrokes)
    ->Args({400, 2000})
    ->Args({1, 1000})
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);
BENCHMARK(BM_UndoRedoEdit)->Args({400, 2000})->Args({1, 1000})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MoveInWindow)->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(BM_MoveInView)->Unit(benchmark::kMillisecond)->Iterations(100);
BENCHMARK(BM_CompareInWindow)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CompareInView)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DifferencesOnlyToggle)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DefaultFilterToggle)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FolderListInWindow)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PreviewShowItem)->Args({400, 2000})->Args({1, 1000})->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    Text::SetJapaneseLocale(true);
    return BenchQt::RunBenchmarks(argc, argv, Pelmo::InstallJapaneseFontSubstitutes);
}
