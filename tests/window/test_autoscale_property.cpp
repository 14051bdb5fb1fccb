// Auto-scale shows every visible graph whole: random sets of graphs of unrelated ranges (tiny and
// huge spans, far offsets, dates, logarithmic axes) in every alignment and binding mode, auto-scaled
// and then painted, have every node inside the plot rectangle.
#include "tests/common/WindowTestUtil.h"
#include "window/FigurePaint.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {
class RandomGraphs {
public:
    explicit RandomGraphs(uint32_t seed) : Random(seed) {}

    void Build(TSuperGrWindow& w) {
        w.AnimatedZoom = w.AnimatedMove = w.AnimatedUndo = false;
        w.SetClientSize(300 + Pick(400), 250 + Pick(400));
        w.SetMultiAxes(Coin(), Coin());
        w.SetCombineAxes(Coin(), Coin());
        const int graphs = 1 + Pick(12);
        const bool sharedDates = Coin();
        for (int i = 0; i < graphs; ++i) {
            const int n = 2 + Pick(30);
            const bool dates = sharedDates || Pick(4) == 0;
            const Extended xStart = dates ? 30000 + Pick(15000) : Offset();
            const Extended xSpan = dates ? 1 + Pick(3000) : Span();
            const Extended yStart = Offset(), ySpan = Span();
            TDoubleArray x(n), y(n);
            for (int k = 0; k < n; ++k) {
                x[k] = xStart + xSpan * k / (n - 1);
                y[k] = yStart + ySpan * Unit();
            }
            ASSERT_TRUE(w.AddGraph(QString::number(i), false, {}, x, y));
            TGraph* g = w.GraphByIndex(w.GraphCount() - 1);
            g->SetDateTimeArg(dates);
            if (Pick(5) == 0) g->SetLogY(true);
            if (Pick(6) == 0) g->SetLogX(true);
            if (Pick(8) == 0 && graphs > 1) g->SetVisible(false);
            if (Pick(3) == 0) g->SetScaleGroupX(Pick(3));
            if (Pick(3) == 0) g->SetScaleGroupY(Pick(3));
            if (Pick(3) == 0) g->SetPosGroupX(Pick(3));
            if (Pick(3) == 0) g->SetPosGroupY(Pick(3));
        }
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(Random); }
    bool Coin() { return Pick(2) == 1; }

private:
    Extended Unit() { return std::uniform_real_distribution<double>(0, 1)(Random); }
    // 1e-6 … 1e9, evenly in the exponent.
    Extended Span() { return std::pow(10.0L, -6 + 15 * Unit()); }
    Extended Offset() {
        switch (Pick(4)) {
        case 0:
            return 0;
        case 1:
            return Span();
        case 2:
            return -Span();
        default:
            return Span() * (Unit() - 0.5L);
        }
    }
    std::mt19937 Random;
};

// Every node of every visible graph that has finite pixels lies within the plot (half a pixel of
// rounding allowed).
void ExpectAllNodesInside(TSuperGrWindow& w, const std::string& what) {
    const TRect r = w.PlotRect;
    for (int i = 0; i < w.GraphCount(); ++i) {
        TGraph* g = w.GraphByIndex(i);
        if (!g->Visible()) continue;
        Extended worst = 0;
        for (int k = 0; k < g->NodeCount(); ++k) {
            const Extended px = g->DataToPixelX(g->XData[k]), py = g->DataToPixelY(g->YData[k]);
            worst = std::max({worst, r.Left - px, px - r.Right, r.Top - py, py - r.Bottom});
        }
        EXPECT_LE(double(worst), 0.5) << what << ", graph " << i << " of " << w.GraphCount() << " plot "
                                      << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom;
    }
}
} // namespace

TEST(AutoScaleProperty, EveryVisibleGraphLiesInsideThePlot) {
    for (uint32_t seed = 1; seed <= 100; ++seed) {
        RandomGraphs random(seed);
        TSuperGrWindow w;
        UseManualTime(w);
        random.Build(w);
        if (::testing::Test::HasFatalFailure()) return;
        for (int mode = 0; mode < 16; ++mode) {
            w.DrawPolicy.AlignScales(mode & 1, mode & 2);
            w.DrawPolicy.AlignPositions(mode & 4, mode & 8);
            w.AutoScale();
            // The view as the screen paints it: the paint re-lays out and re-imposes the groups.
            QImage image(w.ClientRect().Width(), w.ClientRect().Height(), QImage::Format_ARGB32);
            QPainter painter(&image);
            PaintFigure(w, painter, w.ClientRect());
            painter.end();
            ExpectAllNodesInside(w, "seed " + std::to_string(seed) + ", mode " + std::to_string(mode));
            if (::testing::Test::HasFailure()) return;
        }
    }
}
