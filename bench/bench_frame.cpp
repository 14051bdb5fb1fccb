// Frame time of the graph window as the widget produces it: one view step (a move-drag pan, a wheel
// zoom about the cursor or a resize) followed by a full paint of the figure into a back buffer of
// the client size. The curves have ascending X; a frame of a 60 Hz screen is 16.7 ms. Arguments: the
// curve (0 a smooth measured signal, sine plus a little noise; 1 pure noise), the number of such
// graphs in the figure and their nodes in millions. The curves are thin solid lines unless a
// benchmark says otherwise.
#include "model/DetailIndex.h"
#include "model/Polyline.h"
#include "window/FigurePaint.h"
#include "window/SuperGrWindow.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <random>

namespace {

constexpr int kWidth = 1200, kHeight = 800;

// Time stands still unless a frame moves it, so drags see the same pace in every run.
class TBenchClock : public TWindowClock {
public:
    int64_t Now = 1000;
    int64_t NowMs() override { return Now; }
};

// Glides and animations never tick: every frame is driven by the benchmark itself.
class TIdleTimer : public TWindowTimer {
public:
    void Start(int) override {}
    void Stop() override {}
    bool IsActive() const override { return false; }
};

void MakeCurve(int kind, unsigned seed, int nodes, TDoubleArray& x, TDoubleArray& y) {
    x.resize(nodes);
    y.resize(nodes);
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> unit(-1, 1);
    Extended* px = x.data();
    Extended* py = y.data();
    // The same shape whatever the node count: the sine's period spans the same share of the curve.
    const Extended step = 1e6L / Extended(nodes);
    for (int i = 0; i < nodes; ++i) {
        px[i] = Extended(i) * step * 1e-4L;
        const Extended noise = Extended(unit(random));
        py[i] = kind == 0 ? std::sin(Extended(i) * step * 2e-5L) + noise * 2e-3L : noise;
    }
}

struct TFrameFigure {
    TSuperGrWindow Window;
    TBenchClock* Clock = nullptr;
    QImage Buffer;

    explicit TFrameFigure(const benchmark::State& state, int lineStyle = 0) {
        const int kind = int(state.range(0)), graphs = int(state.range(1));
        Nodes = int(state.range(2)) * 1'000'000;
        auto clock = std::make_unique<TBenchClock>();
        Clock = clock.get();
        Window.SetClock(std::move(clock));
        Window.SetAnimationTimer(std::make_unique<TIdleTimer>());
        Window.ApplyDefaultLook();
        Window.AnimatedZoom = false;
        Window.AnimatedMove = false;
        // A drag that starts on a curve would move that graph alone; the whole view pans here.
        Window.MouseGraphCtrl = false;
        Window.SetClientSize(kWidth, kHeight);
        for (int g = 0; g < graphs; ++g) {
            TDoubleArray x, y;
            MakeCurve(kind, 17 + unsigned(g), Nodes, x, y);
            Window.AddGraph(QStringLiteral("curve"), false, {}, x, y);
            Window.GraphByIndex(g)->SetLineStyle(lineStyle);
        }
        Window.AutoScale();
        Paint();
        // The first paint starts the level-of-detail indexes on another thread; frames are timed
        // once they are ready (BM_DetailBuild times the building).
        for (int g = 0; g < graphs; ++g)
            FinishDetailIndex(*Window.GraphByIndex(g));
        Paint();
        PrepareSeconds = CurveSeconds = 0;
    }

    // One paint of the whole client area; adds the graphs' own polyline and curve times.
    void Paint() {
        const TRect client = Window.ClientRect();
        if (Buffer.width() != client.Width() || Buffer.height() != client.Height())
            Buffer = QImage(client.Width(), client.Height(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&Buffer);
        PaintFigure(Window, painter, client);
        for (int i = 0; i < Window.GraphCount(); ++i) {
            PrepareSeconds += Window.GraphByIndex(i)->Cache.PrepareTime;
            CurveSeconds += Window.GraphByIndex(i)->Cache.DrawTime;
        }
    }

    Extended PrepareSeconds = 0, CurveSeconds = 0;
    int Nodes = 0;

    TPoint PlotCentre() const {
        return {(Window.PlotRect.Left + Window.PlotRect.Right) / 2,
                (Window.PlotRect.Top + Window.PlotRect.Bottom) / 2};
    }
};

// Per frame: the polyline rebuilds and curve passes of all graphs (ms), and the final polyline size.
void Describe(benchmark::State& state, const TFrameFigure& figure) {
    const Extended frames = std::max<Extended>(1, Extended(state.iterations()));
    state.counters["prepare_ms"] = figure.PrepareSeconds * 1000 / frames;
    state.counters["curve_ms"] = figure.CurveSeconds * 1000 / frames;
    int points = 0;
    for (int i = 0; i < figure.Window.GraphCount(); ++i)
        points += figure.Window.GraphByIndex(i)->Cache.PointCount;
    state.counters["nodes"] = Extended(figure.Nodes) * figure.Window.GraphCount();
    state.counters["polyline_points"] = points;
}

// A move drag with the left button: every frame the mouse moves 4 pixels, 30 frames one way and 30
// back, so the view stays over the curve.
void PanFrames(benchmark::State& state, int lineStyle) {
    TFrameFigure figure(state, lineStyle);
    TPoint mouse = figure.PlotCentre();
    figure.Window.MouseDown(TSuperGrWindow::TMouseButton::Left, ssLeft, mouse.X, mouse.Y);
    int frame = 0;
    for (auto _ : state) {
        mouse.X += (frame / 30) % 2 == 0 ? 4 : -4;
        ++frame;
        figure.Clock->Now += 16;
        figure.Window.MouseMove(ssLeft, mouse.X, mouse.Y);
        figure.Paint();
    }
    figure.Window.MouseUp(TSuperGrWindow::TMouseButton::Left, ssLeft, mouse.X, mouse.Y);
    Describe(state, figure);
}
void BM_PanFrame(benchmark::State& state) {
    PanFrames(state, 0);
}
// The same with a dashed line, which takes the node-by-node walk.
void BM_DashedPanFrame(benchmark::State& state) {
    PanFrames(state, 1);
}

// Wheel steps about a point right of the centre: four steps in, four out, so every view lies
// between the whole curve and a close-up.
void BM_WheelFrame(benchmark::State& state) {
    TFrameFigure figure(state);
    const TPoint centre = figure.PlotCentre();
    const int x = centre.X + 150, y = centre.Y - 50;
    int frame = 0;
    for (auto _ : state) {
        const int delta = (frame / 4) % 2 == 0 ? 120 : -120;
        ++frame;
        figure.Window.MouseWheel(delta, 0, x, y);
        figure.Paint();
    }
    Describe(state, figure);
}

// The window switches between its usual size and full HD; each frame repaints the new size.
void BM_ResizeFrame(benchmark::State& state) {
    TFrameFigure figure(state);
    bool large = false;
    for (auto _ : state) {
        large = !large;
        figure.Window.SetClientSize(large ? 1920 : kWidth, large ? 1080 : kHeight);
        figure.Paint();
    }
    Describe(state, figure);
}

// Wheel steps into the noise about a point right of the centre, as a user zooms in with the wheel
// held down, from the whole curve until about 1000 nodes are in view; then the view starts over
// from the whole curve. Each iteration is one step and its paint; max_frame_ms is the slowest.
void BM_WheelIntoNoiseFrame(benchmark::State& state) {
    TFrameFigure figure(state);
    const TPoint centre = figure.PlotCentre();
    const int x = centre.X + 150, y = centre.Y - 50;
    TGraph& graph = *figure.Window.GraphByIndex(0);
    Extended slowest = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        // The arguments run from 0 to 100.
        const Extended nodesInView = (graph.Cache.VisXMax - graph.Cache.VisXMin) * figure.Nodes / 100;
        if (nodesInView < 1000)
            figure.Window.AutoScale();
        else
            figure.Window.MouseWheel(120, 0, x, y);
        figure.Paint();
        slowest = std::max<Extended>(
            slowest,
            std::chrono::duration<Extended, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    Describe(state, figure);
    state.counters["max_frame_ms"] = slowest;
}

void FrameArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"noisy", "graphs", "mnodes"});
    b->Args({0, 1, 1})->Args({1, 1, 1})->Args({0, 3, 1})->Args({1, 3, 1});
    b->Args({0, 1, 10})->Args({1, 1, 10})->Args({0, 4, 10})->Args({1, 4, 10});
    b->Args({0, 16, 10})->Args({1, 16, 10});
    b->Unit(benchmark::kMillisecond);
}
// Whole cycles of the view changes, so every run measures the same views.
// Building the level-of-detail index of one curve (both cores); its memory beside the curve's own
// arrays (32 bytes a node).
void BM_DetailBuild(benchmark::State& state) {
    const int nodes = int(state.range(0)) * 1'000'000;
    TDoubleArray x, y;
    MakeCurve(1, 17, nodes, x, y);
    TDetailIndex index;
    for (auto _ : state)
        index.Build(x.constData(), y.constData(), nodes);
    state.counters["index_mb"] = Extended(index.MemoryBytes()) / 1e6L;
    state.counters["share_of_arrays_pct"] = Extended(index.MemoryBytes()) * 100 / (Extended(nodes) * 32);
}
BENCHMARK(BM_DetailBuild)
    ->ArgName("mnodes")
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

BENCHMARK(BM_PanFrame)->Apply(FrameArgs)->Iterations(60);
BENCHMARK(BM_DashedPanFrame)
    ->ArgNames({"noisy", "graphs", "mnodes"})
    ->Args({0, 1, 10})
    ->Args({1, 1, 10})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(60);
BENCHMARK(BM_WheelIntoNoiseFrame)
    ->ArgNames({"noisy", "graphs", "mnodes"})
    ->Args({1, 1, 10})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(60);
BENCHMARK(BM_WheelFrame)->Apply(FrameArgs)->Iterations(16);
// One curve of 100M nodes (4.4 GB with its node pixels).
void HugeArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"noisy", "graphs", "mnodes"})->Args({0, 1, 100})->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_PanFrame)->Apply(HugeArgs)->Iterations(60);
BENCHMARK(BM_WheelFrame)->Apply(HugeArgs)->Iterations(16);
BENCHMARK(BM_ResizeFrame)->Apply(FrameArgs)->Iterations(10);

} // namespace
