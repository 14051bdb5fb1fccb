// The calculator's whole road for a formula over two 10M-node graphs: the graph table read from the
// figure, evaluation with the calculator's settings (failed points dropped) and the new graph added.
#include "tools/CalcMath.h"

#include <benchmark/benchmark.h>

namespace {

void BM_CalculatorTwoGraphFormula(benchmark::State& state) {
    const int n = int(state.range(0));
    TDoubleArray x(n), a(n), b(n);
    for (int i = 0; i < n; ++i) {
        x[i] = Extended(i) * 1e-3L;
        a[i] = Extended(i % 1000) * 0.5L;
        b[i] = Extended(i % 777) * 1e-2L;
    }
    TSuperGrWindow window;
    window.AddGraph(QStringLiteral("a"), false, {}, x, a);
    window.AddGraph(QStringLiteral("b"), false, {}, TDoubleArray(x.cbegin(), x.cend()), b);
    TCalcMath calc;
    calc.AddWindow(&window, 0);
    for (auto _ : state) {
        if (!calc.Calculate(QStringLiteral("Y(0)*2+SIN(Y(1))")).Succeeded || window.GraphCount() != 3)
            state.SkipWithError("calculation failed");
        state.PauseTiming();
        window.Undo();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

BENCHMARK(BM_CalculatorTwoGraphFormula)
    ->Arg(10'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

} // namespace
