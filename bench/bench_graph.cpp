// AddGraph + SetData + extents of a 10M-node graph.
#include "window/SuperGrWindow.h"

#include <benchmark/benchmark.h>

namespace {
TDoubleArray Wave(int n, Extended scale) {
    TDoubleArray a(n);
    Extended* p = a.data();
    for (int i = 0; i < n; ++i)
        p[i] = scale * Extended(i % 1000) + Extended(i) * 1e-3L;
    return a;
}

void BM_AddGraphTenMillion(benchmark::State& state) {
    const int n = int(state.range(0));
    const TDoubleArray x = Wave(n, 1), y = Wave(n, 0.5L);
    for (auto _ : state) {
        TSuperGrWindow window;
        window.AddGraph(QStringLiteral("big"), false, {}, x, y);
        TGraph* g = window.GraphByIndex(0);
        g->Cache.Invalidate(TViewCache::Extents);
        benchmark::DoNotOptimize(g->XMax() + g->YMin());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AddGraphTenMillion)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
// Node search on a 10M-node graph whose whole curve is on screen (the polyline cache is warm).
void BM_NearestNode(benchmark::State& state) {
    const int n = int(state.range(0));
    TSuperGrWindow window;
    window.SetClientSize(1200, 800);
    window.AddGraph(QStringLiteral("big"), false, {}, Wave(n, 1), Wave(n, 0.5L));
    TGraph* g = window.GraphByIndex(0);
    int index = -1;
    g->NearestNode(600, 400, index); // builds the cache once
    for (auto _ : state)
        benchmark::DoNotOptimize(g->NearestNode(600, 400, index));
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_NearestNode)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(5);

// Deleting the nodes inside a band of the plot (about a tenth of them), keeping the view.
void BM_DeleteNodesInRect(benchmark::State& state) {
    const int n = int(state.range(0));
    const TDoubleArray x = Wave(n, 1), y = Wave(n, 0.5L);
    for (auto _ : state) {
        state.PauseTiming();
        TSuperGrWindow window;
        window.SetClientSize(1200, 800);
        window.AddGraph(QStringLiteral("big"), false, {}, x, y);
        TGraph* g = window.GraphByIndex(0);
        const TRect band{g->DataToPixelXi(100), 0, g->DataToPixelXi(200), 800};
        state.ResumeTiming();
        g->DeleteNodesInRect(band);
        benchmark::DoNotOptimize(g->NodeCount());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_DeleteNodesInRect)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace
