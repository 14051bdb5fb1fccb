// The table view on a 10M-node graph: opening it in the window (the grid over the graph's arrays,
// scrolled to the end) and sorting all rows by the argument.
#include "gui/tableview/TableViewWindow.h"
#include "model/Graph.h"
#include "tools/TableOperations.h"
#include "window/SuperGrWindow.h"

#include <QApplication>
#include <QTableView>
#include <benchmark/benchmark.h>

#include <cmath>

namespace {
void AddGraph(TSuperGrWindow& window, int n, bool shuffled) {
    TDoubleArray x(n), y(n);
    uint32_t seed = 12345;
    for (int i = 0; i < n; ++i) {
        seed = seed * 134775813u + 1;
        x[i] = shuffled ? Extended(seed) : Extended(i) * 1e-3L;
        y[i] = std::sin(double(i) * 1e-5);
    }
    window.UndoRecording = false;
    window.AddGraph(QStringLiteral("big"), false, {}, x, y);
}

// Shows the window on the graph and scrolls to its last row.
void BM_TableOpenTenMillion(benchmark::State& state) {
    TSuperGrWindow figure;
    AddGraph(figure, int(state.range(0)), false);
    for (auto _ : state) {
        TTableViewWindow table;
        table.AddWindow(figure);
        table.ShowTable();
        table.Grid()->scrollToBottom();
        QApplication::processEvents();
        benchmark::DoNotOptimize(table.Model().index(int(state.range(0)) - 1, 1).data());
        state.PauseTiming();
        table.hide();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TableOpenTenMillion)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// All rows selected and sorted: argument values in random order.
void BM_TableSortTenMillion(benchmark::State& state) {
    TSuperGrWindow figure;
    AddGraph(figure, int(state.range(0)), true);
    TTableData data;
    for (auto _ : state) {
        state.PauseTiming();
        data.Load(figure.GraphByIndex(0));
        data.SelectAll();
        state.ResumeTiming();
        tableops::SortByArgument(data);
        benchmark::DoNotOptimize(data.Value(0, 0));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TableSortTenMillion)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
