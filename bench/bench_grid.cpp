// The grid against QTableWidget doing the same work in the same run: filling 100,000 rows of
// 4 columns, and painting one screen after scrolling to the middle. The grid is also painted
// with 1,000 rows: the time must not grow with the row count.
#include "grid/ListCtrlBase.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QTableWidget>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kColumns = 4;
constexpr int kRowHeight = 22;
const QSize kWindow(800, 600);

const std::vector<QString>& Texts() {
    static const std::vector<QString> texts = [] {
        std::vector<QString> t;
        t.reserve(size_t(kRows) * kColumns);
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < kColumns; ++c)
                t.push_back(QString("row %1 column %2").arg(r).arg(c));
        }
        return t;
    }();
    return texts;
}

std::unique_ptr<Pelmo::CListCtrlBase> MakeGrid(int rows) {
    auto grid = std::make_unique<Pelmo::CListCtrlBase>();
    grid->resize(kWindow);
    grid->SetRowHeight(kRowHeight);
    for (int c = 0; c < kColumns; ++c)
        grid->InsertColumn(c, QString("Column %1").arg(c), false, LVCFMT_LEFT, 180);
    const std::vector<QString>& texts = Texts();
    for (int r = 0; r < rows; ++r) {
        const QString* row = &texts[size_t(r) * kColumns];
        const int index = grid->InsertItem(r, row[0]);
        for (int c = 1; c < kColumns; ++c)
            grid->SetItemText(index, c, row[c]);
    }
    return grid;
}

std::unique_ptr<QTableWidget> MakeTable(int rows) {
    auto table = std::make_unique<QTableWidget>();
    table->resize(kWindow);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(kRowHeight);
    table->verticalHeader()->hide();
    table->setColumnCount(kColumns);
    for (int c = 0; c < kColumns; ++c)
        table->setColumnWidth(c, 180);
    table->setRowCount(rows);
    const std::vector<QString>& texts = Texts();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < kColumns; ++c)
            table->setItem(r, c, new QTableWidgetItem(texts[size_t(r) * kColumns + c]));
    }
    return table;
}

void BM_GridFill(benchmark::State& state) {
    Texts();
    for (auto _ : state) {
        auto grid = MakeGrid(kRows);
        benchmark::DoNotOptimize(grid->GetItemCount());
        state.PauseTiming(); // destruction is not part of filling
        grid.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_TableWidgetFill(benchmark::State& state) {
    Texts();
    for (auto _ : state) {
        auto table = MakeTable(kRows);
        benchmark::DoNotOptimize(table->rowCount());
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

template <typename Widget> void Paint(benchmark::State& state, Widget& widget) {
    widget.show();
    QCoreApplication::processEvents();
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        widget.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}

void BM_GridPaintMiddle(benchmark::State& state) {
    auto grid = MakeGrid(int(state.range(0)));
    grid->SetCurrentCell(grid->GetItemCount() / 2, 1, true, false);
    Paint(state, *grid);
}

void BM_TableWidgetPaintMiddle(benchmark::State& state) {
    auto table = MakeTable(int(state.range(0)));
    table->scrollToItem(table->item(table->rowCount() / 2, 0));
    table->setCurrentCell(table->rowCount() / 2, 1);
    Paint(state, *table);
}

} // namespace

BENCHMARK(BM_GridFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableWidgetFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GridPaintMiddle)->Arg(kRows)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TableWidgetPaintMiddle)->Arg(kRows)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Pelmo::InstallJapaneseFontSubstitutes();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
