// PreparePolyline over a 10M-node sorted curve on a 1200-pixel plot. Arguments: node count, line
// style (0 a line, 5 points), noise in thousandths of the curve's amplitude (a fast wiggle: 10 is a
// few pixels that defeat the one-pixel filter, 1000 fills every pixel column from top to bottom).
#include "model/Polyline.h"
#include "tests/common/PlotView.h"
#include "window/SuperGrWindow.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

struct BigCurve {
    TSuperGrWindow window;
    TGraph* graph = nullptr;

    BigCurve(int n, Extended noise) {
        TDoubleArray x(n), y(n);
        Extended* px = x.data();
        Extended* py = y.data();
        for (int i = 0; i < n; ++i) {
            px[i] = Extended(i) * 1e-3L;
            py[i] = std::sin(Extended(i) * 1e-5L) + noise * std::sin(Extended(i) * 0.37L);
        }
        window.AddGraph(QStringLiteral("big"), false, {}, x, y);
        graph = window.GraphByIndex(0);
        // A 1200 × 800 plot showing the whole curve.
        testutil::ShowInPlot(window, *graph, {0, 0, 1200, 800}, 0.97L, 0.97L);
        graph->Mapping.PixelStepX = 1 / (graph->Mapping.FitX * graph->ZoomX());
        graph->Mapping.PixelStepY = 1 / (graph->Mapping.FitY * graph->ZoomY());
    }
};

void BM_PreparePolyline(benchmark::State& state) {
    BigCurve curve(int(state.range(0)), Extended(state.range(2)) / 1000);
    curve.graph->SetLineStyle(int(state.range(1)));
    for (auto _ : state) {
        curve.graph->Cache.Invalidate(TViewCache::Polyline);
        PreparePolyline(*curve.graph);
        benchmark::DoNotOptimize(curve.graph->Cache.PointCount);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["points"] = curve.graph->Cache.PointCount;
    state.counters["pieces"] = curve.graph->Cache.PieceCount;
    state.counters["points_per_column"] = Extended(curve.graph->Cache.PointCount) / 1200;
}
BENCHMARK(BM_PreparePolyline)
    ->Args({10'000'000, 0, 0})
    ->Args({10'000'000, 0, 10})
    ->Args({10'000'000, 0, 1000})
    ->Args({10'000'000, 5, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace
