// The filter routines over 10M values: zero-phase Butterworth of order 8, median over 101 values,
// Savitzky–Golay over 21 values; the filtration dialog's application to a 10M-node graph and its
// response preview.
#include "expr/Filters.h"
#include "tools/FiltrationModel.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {
TDoubleArray Noisy(int n) {
    TDoubleArray a(n);
    Extended* p = a.data();
    for (int i = 0; i < n; ++i)
        p[i] = std::sin(Extended(i) * 1e-3L) + Extended((i * 7919LL) % 101) * 1e-2L;
    return a;
}

void BM_ZeroPhaseButterworth8(benchmark::State& state) {
    const TDoubleArray x = Noisy(int(state.range(0)));
    TDoubleArray den, num;
    filters::DesignRecursiveFilter(false, 8, den, num, 0, 0.05L);
    for (auto _ : state) {
        TDoubleArray y;
        filters::RunZeroPhaseFilter(den, num, x, y);
        benchmark::DoNotOptimize(y.constData());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ZeroPhaseButterworth8)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Median(benchmark::State& state) {
    const TDoubleArray x = Noisy(int(state.range(0)));
    for (auto _ : state) {
        TDoubleArray y;
        filters::MedianFilter(x, int(state.range(1)), y);
        benchmark::DoNotOptimize(y.constData());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Median)
    ->Args({10'000'000, 101})
    ->Args({10'000'000, 255})
    ->Args({10'000'000, 257})
    ->Args({1'000'000, 100'001})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

void BM_SavitzkyGolay(benchmark::State& state) {
    const TDoubleArray x = Noisy(int(state.range(0)));
    for (auto _ : state) {
        TDoubleArray y;
        filters::SavitzkyGolayFilter(x, 3, 21, y);
        benchmark::DoNotOptimize(y.constData());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SavitzkyGolay)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(2);
struct TSilentAsker : TFiltrationAsker {
    void ShowMessage(const QString&) override {}
};

// "Применить" with a zero-phase Butterworth filter of order 8 into the source graph: reading the nodes,
// the extension, the grid, the filter and the undo step of the replaced data.
void BM_ApplyZeroPhaseButterworth8(benchmark::State& state) {
    const int n = int(state.range(0));
    TDoubleArray x(n);
    for (int i = 0; i < n; ++i)
        x[i] = i;
    const TDoubleArray y = Noisy(n);
    TSilentAsker asker;
    TFiltrationModel model(asker);
    model.SetOrder(8);
    model.SetCutoffText(QStringLiteral("0.05"));
    model.OutputIndex = 1;
    for (auto _ : state) {
        state.PauseTiming();
        TSuperGrWindow window;
        window.AddGraph(QStringLiteral("big"), false, {}, x, y);
        model.Open(window);
        model.ComputeFilter();
        model.OutputIndex = 1;
        state.ResumeTiming();
        model.Apply();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ApplyZeroPhaseButterworth8)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(2);

// "Рассчитать фильтр": the design, the 1001-point response and the preview's two graphs.
void BM_ComputeAndPreview(benchmark::State& state) {
    TSilentAsker asker;
    TFiltrationModel model(asker);
    model.SetFilterType(ftChebyshev);
    model.SetOrder(14);
    for (auto _ : state)
        benchmark::DoNotOptimize(model.ComputeFilter());
}
BENCHMARK(BM_ComputeAndPreview)->Unit(benchmark::kMillisecond);
} // namespace
