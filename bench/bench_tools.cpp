// Statistics and automatic markers of a 10M-node graph sampled at a steady rate.
#include "model/Graph.h"
#include "tools/StatisticsModel.h"
#include "window/SuperGrWindow.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {
void AddSampledGraph(TSuperGrWindow& window, int n) {
    TDoubleArray x(n), y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = Extended(i) * 1e-3L;
        y[i] = std::sin(double(i) * 1e-5);
    }
    window.SetClientSize(1200, 800);
    window.AddGraph(QStringLiteral("big"), false, {}, x, y);
}

void BM_StatisticsTenMillion(benchmark::State& state) {
    TSuperGrWindow window;
    AddSampledGraph(window, int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeStatistics(window, TStatScope::AllGraphs, -1).NodeTotal);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StatisticsTenMillion)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(5);

// Ten markers along the length; range(1) 1: on the drawn part (the polyline is built before), 0:
// along every node.
void BM_AutoMarkersTenMillion(benchmark::State& state) {
    TSuperGrWindow window;
    window.UndoRecording = false;
    AddSampledGraph(window, int(state.range(0)));
    const bool visibleOnly = state.range(1) != 0;
    TGraph* g = window.GraphByIndex(0);
    g->PlaceMarkers(10, true, visibleOnly, 2);
    for (auto _ : state) {
        state.PauseTiming();
        g->ClearMarkers();
        state.ResumeTiming();
        window.PlaceMarkersOnAll(10, true, visibleOnly, 2);
        benchmark::DoNotOptimize(g->Markers.Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AutoMarkersTenMillion)
    ->Args({10'000'000, 1})
    ->Args({10'000'000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
} // namespace
