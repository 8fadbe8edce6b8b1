// The list-view control against QTableWidget doing the same work in the same run: filling
// 100,000 rows of 4 columns, and painting one screen after scrolling to the middle. A third
// pair paints the list-view with 1,000 and with 100,000 rows: the time must not grow with
// the row count, because only the visible rows are painted.
#include "platform/ui/ListCtrl.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QTableWidget>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int kRows = 100000;
constexpr int kColumns = 4;
constexpr int kRowHeight = 22;
const QSize kWindow(800, 600);

// Texts are made once, so both sides measure storing them, not formatting them.
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

std::unique_ptr<CListCtrl> MakeList(int rows) {
    auto list = std::make_unique<CListCtrl>();
    list->resize(kWindow);
    list->SetRowHeight(kRowHeight);
    for (int c = 0; c < kColumns; ++c)
        list->InsertColumn(c, QString("Column %1").arg(c), LVCFMT_LEFT, 180);
    const std::vector<QString>& texts = Texts();
    for (int r = 0; r < rows; ++r) {
        const QString* row = &texts[size_t(r) * kColumns];
        const int index = list->InsertItem(r, row[0]);
        for (int c = 1; c < kColumns; ++c)
            list->SetItemText(index, c, row[c]);
    }
    return list;
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

void BM_ListCtrlFill(benchmark::State& state) {
    Texts();
    for (auto _ : state) {
        auto list = MakeList(kRows);
        benchmark::DoNotOptimize(list->GetItemCount());
        state.PauseTiming(); // destruction is not part of filling
        list.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
