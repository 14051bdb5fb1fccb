// Evaluation of a formula over two 10M-node graphs with equal arguments.
#include "expr/MathFuncs2.h"

#include <benchmark/benchmark.h>

namespace {

TMFDataArr TwoGraphs(int n) {
    TMFData a, b;
    a.Code = 0;
    b.Code = 1;
    a.X.resize(n);
    a.Y.resize(n);
    b.Y.resize(n);
    for (int i = 0; i < n; ++i) {
        a.X[i] = Extended(i) * 1e-3L;
        a.Y[i] = Extended(i % 1000) * 0.5L;
        b.Y[i] = Extended(i % 777) * 1e-2L;
    }
    b.X = TDoubleArray(a.X.cbegin(), a.X.cend()); // equal arguments, separate storage
    return {a, b};
}

void Evaluate(benchmark::State& state, bool ignoreErrors) {
    const int n = int(state.range(0));
    const TMFDataArr graphs = TwoGraphs(n);
    mathfuncs::TEvalSettings settings;
    settings.InterpType = 2;
    settings.ExtrapType = 1;
    settings.IgnoreErrors = ignoreErrors;
    const QString formula = QStringLiteral("Y(0)*2+SIN(Y(1))");
    for (auto _ : state) {
        const TMFData r = mathfuncs::EvaluateExpression(formula, graphs, settings);
        if (r.Code != 0 || r.Y.size() != n) state.SkipWithError("evaluation failed");
        benchmark::DoNotOptimize(r.Y.constData());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_TwoGraphFormula(benchmark::State& state) {
    Evaluate(state, false);
}
void BM_TwoGraphFormulaIgnoringErrors(benchmark::State& state) {
    Evaluate(state, true);
}

BENCHMARK(BM_TwoGraphFormula)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_TwoGraphFormulaIgnoringErrors)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
