// The export of graphs: ten graphs of a million nodes each, brought onto one argument or each with
// its own, written as a text table, a MAT-file (plain and compressed) and a workbook.
// bench/compare_export.py writes the same data with Python's tools, for figures in the same run.
#include "export/DataExport.h"
#include "files/SaveGraphsModel.h"
#include "window/SuperGrWindow.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cmath>

namespace {
constexpr int Graphs = 10, Nodes = 1'000'000;

// shift 0 gives every graph the same argument; otherwise each graph's argument is offset.
void Fill(TSuperGrWindow& window, Extended shift) {
    window.UndoRecording = false;
    for (int g = 0; g < Graphs; ++g) {
        TDoubleArray x(Nodes), y(Nodes);
        for (int i = 0; i < Nodes; ++i) {
            x[i] = Extended(i) * 1e-3L + g * shift;
            y[i] = std::sin(double(i) * 1e-4 + g) * 1e3;
        }
        window.AddGraph(QStringLiteral("g%1").arg(g), false, {}, x, y);
    }
}

struct Export {
    TSuperGrWindow window;
    TSaveGraphsModel model;
    QList<TExportBlock> blocks;
    explicit Export(Extended shift, bool common = true) {
        Fill(window, shift);
        model.Options.CommonArgument = common;
        model.AddWindow(&window, QStringLiteral("bench"));
        model.ApplyMenu(TTreeMenuAction::CheckAll, -1);
        QString message;
        model.BuildBlocks(blocks, message);
    }
};

// Resampling of graphs with offset arguments onto their union.
void BM_CommonArgumentBlock(benchmark::State& state) {
    Export e(0.25e-3L);
    for (auto _ : state) {
        QString message;
        benchmark::DoNotOptimize(e.model.BuildBlocks(e.blocks, message));
    }
    state.SetItemsProcessed(state.iterations() * Graphs * Nodes);
}
BENCHMARK(BM_CommonArgumentBlock)->Unit(benchmark::kMillisecond)->Iterations(2);

// range(0): the format (0 text, 1 MAT, 2 workbook); range(1): a compressed MAT-file; range(2): one
// block per graph, each with its own argument, instead of one block of eleven rows.
void BM_WriteBlocks(benchmark::State& state) {
    const bool ownArguments = state.range(2) != 0;
    Export e(ownArguments ? 0.25e-3L : 0, !ownArguments);
    const auto format = TExportFormat(state.range(0));
    e.model.Options.CompressedMat = state.range(1) != 0;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out"));
    for (auto _ : state) {
        QString message;
        if (!dataexport::WriteBlocks(e.model, format, file, e.blocks, message))
            state.SkipWithError(message.toUtf8().constData());
    }
    state.SetItemsProcessed(state.iterations() * (ownArguments ? 2 * Graphs : Graphs + 1) * Nodes);
}
BENCHMARK(BM_WriteBlocks)
    ->ArgNames({"format", "compressed", "own"})
    ->Args({0, 0, 0})
    ->Args({1, 0, 0})
    ->Args({1, 1, 0})
    ->Args({2, 0, 0})
    ->Args({0, 0, 1})
    ->Args({1, 0, 1})
    ->Args({1, 1, 1})
    ->Args({2, 0, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
} // namespace
