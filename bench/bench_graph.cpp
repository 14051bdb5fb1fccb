// AddGraph + SetData + extents of a 10M-node graph.
#include "window/SuperGrWindow.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace {
TDoubleArray Wave(int n, Extended scale) {
    TDoubleArray a(n);
    Extended* p = a.data();
    for (int i = 0; i < n; ++i) p[i] = scale * Extended(i % 1000) + Extended(i) * 1e-3L;
    return a;
}

void BM_AddGraphTenMillion(benchmark::State& state) {
    const int n = int(state.range(0));
    const TDoubleArray x = Wave(n, 1), y = Wave(n, 0.5L);
    for (auto _ : state) {
        TSuperGrWindow window;
        window.AddGraph(QStringLiteral("big"), false, {}, x, y);
        TGraph* g = window.GraphByIndex(0);
        g->ExtentsDirty = true;
        benchmark::DoNotOptimize(g->XMax() + g->YMin());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_AddGraphTenMillion)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
