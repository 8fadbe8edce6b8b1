#pragma once

// What the widget benchmarks share: the rows they fill, QTableWidget doing the same work as
// the control under test, painting one screen, and a main that runs the benchmarks inside a
// QApplication.

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QTableWidget>
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace BenchQt {

constexpr int kRows = 100000;
constexpr int kColumns = 4;
constexpr int kRowHeight = 22;
constexpr int kColumnWidth = 180;
constexpr QSize kWindow(800, 600);

// Texts are made once, so every side measures storing them, not formatting them.
inline const std::vector<QString>& Texts() {
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

// Appends the first `rows` rows through the list-view calls both controls offer.
template <typename List> void AppendRows(List& list, int rows) {
    const std::vector<QString>& texts = Texts();
    for (int r = 0; r < rows; ++r) {
        const QString* row = &texts[size_t(r) * kColumns];
        const int index = list.InsertItem(r, row[0]);
        for (int c = 1; c < kColumns; ++c)
            list.SetItemText(index, c, row[c]);
    }
}

inline std::unique_ptr<QTableWidget> MakeTable(int rows) {
    auto table = std::make_unique<QTableWidget>();
    table->resize(kWindow);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(kRowHeight);
    table->verticalHeader()->hide();
    table->setColumnCount(kColumns);
    for (int c = 0; c < kColumns; ++c)
        table->setColumnWidth(c, kColumnWidth);
    table->setRowCount(rows);
    const std::vector<QString>& texts = Texts();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < kColumns; ++c)
            table->setItem(r, c, new QTableWidgetItem(texts[size_t(r) * kColumns + c]));
    }
    return table;
}

// Times make(kRows): a widget filled with every row. Destroying it is not part of filling.
template <typename Make> void MeasureFill(benchmark::State& state, Make make) {
    Texts();
    for (auto _ : state) {
        auto widget = make(kRows);
        benchmark::DoNotOptimize(widget.get());
        state.PauseTiming();
        widget.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

inline void BM_TableWidgetFill(benchmark::State& state) {
    MeasureFill(state, MakeTable);
}

// Times painting the widget's whole window once it is shown.
template <typename Widget> void Paint(benchmark::State& state, Widget& widget) {
    widget.show();
    QCoreApplication::processEvents();
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        widget.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}

// Runs the registered benchmarks inside a QApplication, on the offscreen platform unless
// QT_QPA_PLATFORM names another; setUp runs once the application exists.
inline int RunBenchmarks(int argc, char** argv, void (*setUp)() = nullptr) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (setUp)
        setUp();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace BenchQt
