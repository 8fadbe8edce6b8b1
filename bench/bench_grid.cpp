// The grid against QTableWidget doing the same work in the same run: filling 100,000 rows of
// 4 columns, and painting one screen after scrolling to the middle. The grid is also painted
// with 1,000 rows: the time must not grow with the row count.
#include "bench/BenchQtSupport.h"
#include "grid/ListCtrlBase.h"

#include <memory>

namespace {

using namespace BenchQt;

std::unique_ptr<Pelmo::CListCtrlBase> MakeGrid(int rows) {
    auto grid = std::make_unique<Pelmo::CListCtrlBase>();
    grid->resize(kWindow);
    grid->SetRowHeight(kRowHeight);
    for (int c = 0; c < kColumns; ++c)
        grid->InsertColumn(c, QString("Column %1").arg(c), false, LVCFMT_LEFT, kColumnWidth);
    AppendRows(*grid, rows);
    return grid;
}

void BM_GridFill(benchmark::State& state) {
    MeasureFill(state, MakeGrid);
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
    return RunBenchmarks(argc, argv, Pelmo::InstallJapaneseFontSubstitutes);
}
