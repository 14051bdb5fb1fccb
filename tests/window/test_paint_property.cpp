// Graphs built from the values that strain the arithmetic of drawing (infinities, NaN, the largest
// and the smallest numbers, equal extents, tiny and huge spans), in random views, painted with the
// window's paint routine, with their markers, statistics and the status bar's coordinates. Every run
// is a fixed number of paints: one that loops or traps fails the suite by never ending or by the
// sanitizers.
#include "app/MainWindowState.h"
#include "tests/common/WindowTestUtil.h"
#include "tools/StatisticsModel.h"
#include "window/FigurePaint.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace {
using Limits = std::numeric_limits<Extended>;

const Extended kSpecialValues[] = {Limits::infinity(),
                                   -Limits::infinity(),
                                   Limits::quiet_NaN(),
                                   Limits::max(),
                                   -Limits::max(),
                                   1.7e308L,
                                   -1.7e308L,
                                   Limits::denorm_min(),
                                   -Limits::denorm_min(),
                                   Limits::min(),
                                   0,
                                   1,
                                   -1,
                                   1e-300L,
                                   2e-300L,
                                   1e300L,
                                   -1e300L,
                                   1 + 1e-18L,
                                   45000.5L};
const Extended kZooms[] = {1e-300L, 1e-15L, 0.01L, 1, 3, 1e10L, 9.9e14L};
const Extended kShifts[] = {0, 1, -1e300L, 1e300L, Limits::max() / 2, 1e-300L};

class RandomFigure {
public:
    explicit RandomFigure(uint32_t seed) : Random(seed) {}

    void Build(TSuperGrWindow& w) {
        w.AnimatedZoom = w.AnimatedMove = w.AnimatedUndo = false;
        w.SetClientSize(200 + Pick(400), 150 + Pick(300));
        w.SetMultiAxes(Coin(), Coin());
        w.SetCombineAxes(Coin(), Coin());
        w.SetShowTicks(Coin());
        w.SetShowGrid(Coin());
        w.SetSubGridDividerX(1 + Pick(4));
        w.SetSubGridDividerY(1 + Pick(4));
        w.SetShowLegend(Coin());
        const int graphs = 1 + Pick(3);
        for (int i = 0; i < graphs; ++i) {
            const int n = Pick(8);
            TDoubleArray x(n), y(n);
            for (int k = 0; k < n; ++k) {
                x[k] = Value();
                y[k] = Value();
            }
            ASSERT_TRUE(w.AddGraph(QStringLiteral("g%1").arg(i), false, {}, x, y));
            TGraph* g = w.GraphByIndex(w.GraphCount() - 1);
            g->SetShowNodes(Coin());
            g->SetLineStyle(Pick(6));
            g->SetDateTimeArg(Pick(3) == 0);
            if (Pick(4) == 0) g->SetLogX(true);
            if (Pick(4) == 0) g->SetLogY(true);
            if (Coin()) g->PlaceMarkers(1 + Pick(20), Coin(), Coin(), Pick(4));
        }
    }

    // A random view: an auto-scale, a zoom or a pan, or zooms and shifts set outright.
    void ChangeView(TSuperGrWindow& w) {
        switch (Pick(4)) {
        case 0:
            w.AutoScale();
            break;
        case 1:
            w.ZoomBy(Pick(w.GraphCount()), false, TAxis::X, Pick(kZooms), Pick(kZooms));
            break;
        case 2:
            w.PanBy(Pick(kShifts), Pick(kShifts), false, Pick(w.GraphCount()));
            break;
        default:
            for (int i = 0; i < w.GraphCount(); ++i) {
                TGraph* g = w.GraphByIndex(i);
                g->SetZoomX(Pick(kZooms));
                g->SetZoomY(Pick(kZooms));
                g->Mapping.ShiftX = Pick(kShifts);
                g->Mapping.ShiftY = Pick(kShifts);
            }
        }
    }

private:
    std::mt19937 Random;
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(Random); }
    bool Coin() { return Pick(2) == 1; }
    template <size_t N> Extended Pick(const Extended (&values)[N]) { return values[Pick(int(N))]; }
    // A special value, or an ordinary one beside the special ones.
    Extended Value() { return Pick(4) == 0 ? Extended(Pick(100)) / 7 : Pick(kSpecialValues); }
};

// A paint, then what the main window shows of the figure: the statistics of all graphs and the
// coordinates under the mouse at the plot's corners and centre.
void PaintAndReadOut(TSuperGrWindow& w) {
    QImage image(w.ClientRect().Width(), w.ClientRect().Height(), QImage::Format_RGB32);
    QPainter painter(&image);
    PaintFigure(w, painter, w.ClientRect());
    StatisticsTexts(ComputeStatistics(w, TStatScope::AllGraphs, 0));
    const TRect& p = w.PlotRect;
    for (const TPoint& at : {TPoint{p.Left, p.Top}, TPoint{p.Right, p.Bottom}, TPoint{w.OriginX, w.OriginY}})
        mainstate::CoordinatesText(w, at.X, at.Y);
}
} // namespace

TEST(PaintProperty, SpecialValuesInRandomViewsPaint) {
    for (uint32_t seed = 1; seed <= 500; ++seed) {
        SCOPED_TRACE(seed);
        TSuperGrWindow window;
        RandomFigure figure(seed);
        figure.Build(window);
        PaintAndReadOut(window);
        for (int view = 0; view < 3; ++view) {
            figure.ChangeView(window);
            PaintAndReadOut(window);
        }
    }
}
