// The list-view control against QTableWidget doing the same work in the same run: filling
// 100,000 rows of 4 columns, and painting one screen after scrolling to the middle. A third
// pair paints the list-view with 1,000 and with 100,000 rows: the time must not grow with
// the row count, because only the visible rows are painted.
#include "bench/BenchQtSupport.h"
#include "platform/ui/ListCtrl.h"

#include <memory>

namespace {

using namespace BenchQt;

std::unique_ptr<CListCtrl> MakeList(int rows) {
    auto list = std::make_unique<CListCtrl>();
    list->resize(kWindow);
    list->SetRowHeight(kRowHeight);
    for (int c = 0; c < kColumns; ++c)
        list->InsertColumn(c, QString("Column %1").arg(c), LVCFMT_LEFT, kColumnWidth);
    AppendRows(*list, rows);
    return list;
}

void BM_ListCtrlFill(benchmark::State& state) {
    MeasureFill(state, MakeList);
}

// The grid's append mode: every row goes in just before a row kept last, and the grid looks
// the new row up by id. Must stay linear, like appending.
void BM_ListCtrlFillBeforeLastRow(benchmark::State& state) {
    const std::vector<QString>& texts = Texts();
    for (auto _ : state) {
        auto list = MakeList(0);
        list->InsertItem(0, QString());
        for (int r = 0; r < kRows; ++r) {
            const QString* row = &texts[size_t(r) * kColumns];
            const int index = list->InsertItem(list->GetItemCount() - 1, row[0]);
            for (int c = 1; c < kColumns; ++c)
                list->SetItemText(index, c, row[c]);
            benchmark::DoNotOptimize(list->MapIdToIndex(list->MapIndexToId(index)));
        }
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_ListCtrlPaintMiddle(benchmark::State& state) {
    auto list = MakeList(int(state.range(0)));
    list->EnsureVisible(list->GetItemCount() / 2, false);
    Paint(state, *list);
}

void BM_TableWidgetPaintMiddle(benchmark::State& state) {
    auto table = MakeTable(int(state.range(0)));
    table->scrollToItem(table->item(table->rowCount() / 2, 0));
    Paint(state, *table);
}

} // namespace

BENCHMARK(BM_ListCtrlFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListCtrlFillBeforeLastRow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TableWidgetFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListCtrlPaintMiddle)->Arg(kRows)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TableWidgetPaintMiddle)->Arg(kRows)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv);
}
