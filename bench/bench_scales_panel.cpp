// The scales panel following a pan of 100 graphs: the time of one frame's update of the rows, against
// the 16.7 ms of a frame at 60 frames per second (the pan itself is not counted).
#include "gui/scalespanel/ScalesPanel.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {
constexpr int Graphs = 100;

void Fill(TSuperGrWindow& window) {
    window.UndoRecording = false;
    window.AnimatedZoom = false;
    window.SetClientSize(1200, 800);
    TDoubleArray x(1000), y(1000);
    for (int g = 0; g < Graphs; ++g) {
        for (int i = 0; i < 1000; ++i) {
            x[i] = Extended(i) * 0.01L + g;
            y[i] = Extended(i % 37) * (g + 1);
        }
        window.AddGraph({}, false, {}, x, y);
    }
}

// range(0) 1: the rows rewrite what changed (RefreshPanel); 0: the rows are built anew each frame.
void BM_ScalesPanelFollowsPan(benchmark::State& state) {
    TSuperGrWindow window;
    Fill(window);
    TScalesPanel panel(window, nullptr);
    panel.FillPanel();
    panel.ShowAt(QPoint(0, 0));
    QApplication::processEvents();
    const bool refresh = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        window.PanBy(3, 2, false, 0);
        state.ResumeTiming();
        if (refresh)
            panel.RefreshPanel();
        else
            panel.FillPanel();
        QApplication::processEvents(); // the rows repaint
    }
    state.SetItemsProcessed(state.iterations() * Graphs);
}
BENCHMARK(BM_ScalesPanelFollowsPan)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
