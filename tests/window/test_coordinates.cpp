#include "model/Codecs.h"
#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"
#include "window/SuperGrWindow.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
using testutil::Ramp;

struct CoordinatesFixture : WindowTest {
    void SetUp() override {
        UseManualTime();
        window.AnimatedZoom = false;
    }
    Extended PixelSpanX(TGraph* g, Extended a, Extended b) { return g->DataToPixelX(b) - g->DataToPixelX(a); }
};
} // namespace

TEST_F(CoordinatesFixture, PlotRectangleOfAFreshWindow) {
    // 300 × 200 without the default look: margins 50, 10, 10, 20, frame 1, axis labels on.
    window.SetShowXAxisLabels(false);
    window.SetShowYAxisLabels(false);
    window.LayoutPlot(window.ClientRect());
    EXPECT_EQ(window.PlotRect, (TRect{51, 11, 289, 179}));
    EXPECT_EQ(window.OriginX, 170);
    EXPECT_EQ(window.OriginY, 95);

    TGraph* g = Add(TDoubleArray{0, 10}, TDoubleArray{0, 4});
    EXPECT_EQ(g->Mapping.FitX, 237.0L / 10);
    EXPECT_EQ(g->Mapping.FitY, 167.0L / 4);
    EXPECT_EQ(g->ZoomX(), 0.97L);
}

TEST_F(CoordinatesFixture, AxisLabelsTakeTheirBands) {
    window.LayoutPlot(window.ClientRect());
    const TRect withLabels = window.PlotRect;
    window.SetShowXAxisLabels(false);
    window.SetShowYAxisLabels(false);
    window.LayoutPlot(window.ClientRect());
    EXPECT_LT(withLabels.Bottom, window.PlotRect.Bottom);
    EXPECT_GT(withLabels.Left, window.PlotRect.Left);
    EXPECT_EQ(withLabels.Top, window.PlotRect.Top);
    // Caption lines push the top edge down.
    window.SetTopCaption({QStringLiteral("Первая"), QStringLiteral("Вторая")});
    window.LayoutPlot(window.ClientRect());
    EXPECT_GT(window.PlotRect.Top, 11 + 10);
}

TEST_F(CoordinatesFixture, AutoScaleFitsEveryGraphToTheInitialScale) {
    window.SetClientSize(600, 400);
    TGraph* a = Add(Ramp(11), Ramp(11));
    TGraph* b = Add(Ramp(11, 1000), Ramp(11, -5, 2));
    a->Mapping.ShiftX = 3;
    b->SetZoomY(5);
    window.AutoScale();
    const Extended width = window.PlotRect.Width() - 1;
    EXPECT_NEAR(double(PixelSpanX(a, 0, 10)), double(width * 0.97L), 1e-9);
    EXPECT_NEAR(double(PixelSpanX(b, 1000, 1010)), double(width * 0.97L), 1e-9);
    EXPECT_NEAR(double(a->DataToPixelX(5)), window.OriginX, 1e-9);
    // Target rectangles are centred with plain halving, the origin rounds up.
    EXPECT_NEAR(double(b->DataToPixelY(5)), (window.PlotRect.Top + window.PlotRect.Bottom) / 2, 1e-9);
    ASSERT_FALSE(window.UndoSide.IsEmpty());
    EXPECT_EQ(window.UndoSide.Ops.last().OpType, UndoOp::Views);
}

TEST_F(CoordinatesFixture, SinglePointIsWidenedByOnePercent) {
    TGraph* g = Add(TDoubleArray{200, 200}, TDoubleArray{0, 0});
    window.AutoScale();
    const Extended width = window.PlotRect.Width() - 1;
    EXPECT_NEAR(double(PixelSpanX(g, 198, 202)), double(width * 0.97L), 1e-9);
    const Extended height = window.PlotRect.Height() - 1;
    EXPECT_NEAR(double(g->DataToPixelY(-0.01L) - g->DataToPixelY(0.01L)), double(height * 0.97L), 1e-9);
}

TEST_F(CoordinatesFixture, BoundGraphsShareAnAxisOnlyWhenCombined) {
    window.SetMultiAxes(true, true);
    TGraph* a = Add(Ramp(11), Ramp(11));
    TGraph* b = Add(Ramp(11, 1000), Ramp(11));
    window.UndoRecording = false;
    a->SetScaleGroupX(1);
    b->SetScaleGroupX(1);
    a->SetPosGroupX(1);
    b->SetPosGroupX(1);
    window.ComputeAxisSlots();
    EXPECT_EQ(window.XAxisCount, 1);
    EXPECT_EQ(a->AxisSlotX, b->AxisSlotX);
    EXPECT_EQ(window.YAxisCount, 2);
    // Bound graphs have the same pixels per unit.
    EXPECT_NEAR(double(a->DataLengthToPixelX(1)), double(b->DataLengthToPixelX(1)), 1e-9);
    window.SetCombineAxes(false, true);
    window.ComputeAxisSlots();
    EXPECT_EQ(window.XAxisCount, 2);
    EXPECT_NE(a->AxisSlotX, b->AxisSlotX);
}

TEST_F(CoordinatesFixture, ArrangeVerticallyStacksStrips) {
    window.SetClientSize(400, 400);
    TGraph* a = Add(Ramp(11), Ramp(11));
    TGraph* b = Add(Ramp(11), Ramp(11));
    window.ArrangeVertically();
    const TRect& r = window.PlotRect;
    const Extended h = r.Height();
    const int mid = r.Top + RoundHalfEven(h / 2);
    // Graph a fills the upper strip, graph b the lower one, each at the initial scale.
    const Extended stripA = mid - r.Top, stripB = r.Top + RoundHalfEven(h) - mid;
    EXPECT_NEAR(double(a->DataToPixelY(0) - a->DataToPixelY(10)), double(stripA / h * (h - 1) * 0.97L), 1e-6);
    EXPECT_NEAR(double(b->DataToPixelY(0) - b->DataToPixelY(10)), double(stripB / h * (h - 1) * 0.97L), 1e-6);
    EXPECT_NEAR(double(a->DataToPixelY(5)), (r.Top + mid) / 2, 1e-6);
    EXPECT_NEAR(double(b->DataToPixelY(5)), (mid + r.Top + RoundHalfEven(h)) / 2, 1e-6);
}

TEST_F(CoordinatesFixture, ZoomByActsPerAxis) {
    TGraph* a = Add(Ramp(11), Ramp(11));
    TGraph* b = Add(Ramp(11), Ramp(11));
    window.UndoRecording = false;
    b->SetScaleGroupX(1);
    const Extended ay = a->ZoomY(), by = b->ZoomY(), bx = b->ZoomX();
    window.ZoomBy(0, false, TAxis::X, 1, 2);
    EXPECT_EQ(a->ZoomY(), ay * 2);
    EXPECT_EQ(b->ZoomY(), by * 2); // bound only along X: still zooms along Y
    EXPECT_NEAR(double(b->ZoomX()), double(bx), 1e-15);
}

TEST_F(CoordinatesFixture, PanByShiftsBothAxesSymmetrically) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    const Extended x0 = g->DataToPixelX(3), y0 = g->DataToPixelY(3);
    window.PanBy(10, 20, true, 0);
    EXPECT_NEAR(double(g->DataToPixelX(3)), double(x0 + 10), 1e-9);
    EXPECT_NEAR(double(g->DataToPixelY(3)), double(y0 + 20), 1e-9);
    g->SetAllowShiftY(false);
    window.PanBy(0, 20, true, 0);
    EXPECT_NEAR(double(g->DataToPixelY(3)), double(y0 + 20), 1e-9);
}

TEST_F(CoordinatesFixture, SetViewFarFromZeroIsApplied) {
    TGraph* g = Add(Ramp(11, 45000, 0.001L), Ramp(11));
    const Extended left = window.ViewLeft(*g);
    const Extended width = window.ViewWidth(*g);
    window.SetViewLeft(g->ID, left + width / 100); // a 1 % pan at X ≈ 45000
    EXPECT_NEAR(double(window.ViewLeft(*g)), double(left + width / 100), double(width) * 1e-9);
    window.SetViewWidth(g->ID, width * 2);
    EXPECT_NEAR(double(window.ViewWidth(*g)), double(width * 2), double(width) * 1e-9);
    EXPECT_NEAR(double(window.ViewLeft(*g)), double(left + width / 100), double(width) * 1e-9);

    const Extended before = window.ViewWidth(*g);
    window.SetViewWidth(g->ID, -before);
    window.SetViewWidth(g->ID, 0);
    window.SetViewHeight(g->ID, -1);
    EXPECT_EQ(window.ViewWidth(*g), before);
    window.SetViewLeft(12345, 0); // unknown graph
}

TEST_F(CoordinatesFixture, SetViewRightAndTop) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    window.SetViewLeft(g->ID, 2);
    window.SetViewRight(g->ID, 6);
    EXPECT_NEAR(double(window.ViewWidth(*g)), 4, 1e-9);
    window.SetViewBottom(g->ID, -1);
    window.SetViewTop(g->ID, 3);
    EXPECT_NEAR(double(window.ViewBottom(*g)), -1, 1e-9);
    EXPECT_NEAR(double(window.ViewHeight(*g)), 4, 1e-9);
    const Extended width = window.ViewWidth(*g);
    window.SetViewRight(g->ID, 1); // left of the left edge: nothing
    EXPECT_EQ(window.ViewWidth(*g), width);
}

TEST_F(CoordinatesFixture, ResizingKeepsTheVisibleData) {
    window.SetClientSize(500, 400);
    TGraph* g = Add(Ramp(11), Ramp(11));
    const Extended left = window.ViewLeft(*g), bottom = window.ViewBottom(*g);
    const Extended width = window.ViewWidth(*g), height = window.ViewHeight(*g);
    window.SetClientSize(800, 300);
    EXPECT_NEAR(double(window.ViewLeft(*g)), double(left), 1e-9);
    EXPECT_NEAR(double(window.ViewBottom(*g)), double(bottom), 1e-9);
    EXPECT_NEAR(double(window.ViewWidth(*g)), double(width), 1e-9);
    EXPECT_NEAR(double(window.ViewHeight(*g)), double(height), 1e-9);
}

TEST_F(CoordinatesFixture, SavedAxesAreDiscardedByNewGraphs) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    window.SaveAxes();
    EXPECT_TRUE(window.HasSavedAxes());
    g->SetZoomX(5);
    window.RestoreAxes();
    EXPECT_EQ(g->ZoomX(), 0.97L);
    window.SaveAxes();
    Add(Ramp(3), Ramp(3));
    EXPECT_FALSE(window.HasSavedAxes());
    g->SetZoomX(5);
    window.RestoreAxes();
    EXPECT_EQ(g->ZoomX(), 5);
}

TEST_F(CoordinatesFixture, AnimationEasesInAndOut) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    window.AnimatedZoom = true;
    window.SetAnimationTime(400);
    int started = 0, stopped = 0;
    window.Events.OnStartAnimation = [&](TComponent*) { ++started; };
    window.Events.OnStopAnimation = [&](TComponent*) { ++stopped; };
    g->SetZoomX(2);
    window.AutoScale(); // back to 0.97
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(timer->Active);
    EXPECT_EQ(timer->Interval, 30);
    EXPECT_EQ(g->ZoomX(), 2); // still at the start view
    clock->Now = 200;
    window.AnimationTick();
    EXPECT_NEAR(double(g->ZoomX()), double(2 - (2 - 0.97L) / 2), 1e-12); // half the change at T/2
    clock->Now = 100;
    window.AnimationTick();
    EXPECT_NEAR(double(g->ZoomX()), double(2 - (2 - 0.97L) / 8), 1e-12); // p = 2 (1/4)^2
    clock->Now = 401;
    window.AnimationTick();
    EXPECT_EQ(g->ZoomX(), 0.97L);
    EXPECT_FALSE(timer->Active);
    EXPECT_EQ(stopped, 1);
}

TEST_F(CoordinatesFixture, StoppingAnAnimationAppliesItsEnd) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    window.AnimatedZoom = true;
    window.SetShowLegend(true);
    g->SetZoomY(3);
    window.AutoScale();
    EXPECT_FALSE(window.ShowLegend()); // hidden while animating
    window.StopAnimation();
    EXPECT_EQ(g->ZoomY(), 0.97L);
    EXPECT_TRUE(window.ShowLegend());
}

TEST_F(CoordinatesFixture, RepaintingAnUnchangedViewKeepsThePolylines) {
    window.SetClientSize(400, 300);
    TGraph* first = Add(Ramp(11), Ramp(11));
    TGraph* second = Add(Ramp(11), Ramp(11, 5));
    window.PrepareForPaint(window.ClientRect());
    ASSERT_FALSE(first->Cache.Stale(TViewCache::Polyline));
    ASSERT_GT(first->Cache.PointCount, 0);
    // A mark in the cache shows whether the next paint rebuilds it.
    const TPoint mark{-12345, -12345};
    first->Cache.Points[0] = second->Cache.Points[0] = mark;
    window.PrepareForPaint(window.ClientRect());
    EXPECT_EQ(first->Cache.Points[0], mark);
    EXPECT_EQ(second->Cache.Points[0], mark);

    window.PanBy(5, 0, true, 0);
    window.PrepareForPaint(window.ClientRect());
    EXPECT_NE(first->Cache.Points[0], mark);
    EXPECT_NE(second->Cache.Points[0], mark);
}

// In the default look every graph shares scale and position: auto-scale shows all their data.
TEST_F(CoordinatesFixture, AlignedGraphsFitTheUnionOfTheirRanges) {
    const QList<QList<std::pair<Extended, Extended>>> cases = {
        {{1, 5}, {-5, -1}},
        {{0, 1},
         {3, 40},
         {-7, -6},
         {100, 100},
         {2, 3},
         {-50, 10},
         {5, 6},
         {1e3, 1.2e3},
         {-1, 1},
         {7, 8},
         {9, 9.5},
         {-3, 0},
         {20, 21},
         {0.1, 0.2},
         {60, 70},
         {-20, -19},
         {300, 310}},
    };
    window.ApplyDefaultLook();
    window.AnimatedZoom = false;
    window.SetClientSize(600, 400);
    for (const auto& ranges : cases) {
        window.DeleteAllGraphs();
        Extended low = ranges[0].first, high = ranges[0].second;
        for (int i = 0; i < ranges.size(); ++i) {
            const auto [min, max] = ranges[i];
            Add(Ramp(3, min, (max - min) / 2), Ramp(3, -max - 10 * i, (max - min) / 2));
            low = std::min(low, min);
            high = std::max(high, max);
        }
        window.AutoScale();
        for (int i = 0; i < window.GraphCount(); ++i) {
            TGraph* g = window.GraphByIndex(i);
            const TRect& plot = window.PlotRect;
            for (Extended x : {ranges[i].first, ranges[i].second}) {
                EXPECT_GE(g->DataToPixelX(x), plot.Left) << i;
                EXPECT_LE(g->DataToPixelX(x), plot.Right) << i;
            }
            for (Extended y : {-ranges[i].first - 10 * i, -ranges[i].second - 10 * i}) {
                EXPECT_GE(g->DataToPixelY(y), plot.Top) << i;
                EXPECT_LE(g->DataToPixelY(y), plot.Bottom) << i;
            }
        }
        // The union fills the plot as one graph's range would.
        TGraph* first = window.GraphByIndex(0);
        EXPECT_NEAR(double(PixelSpanX(first, low, high)),
                    double((window.PlotRect.Width() - 1) * window.InitialScaleX), 1e-6);
    }
}

// Bound by scale alone, a group still fits its widest member; the others keep their own place.
TEST_F(CoordinatesFixture, ScaleOnlyGroupsFitTheirWidestMember) {
    window.SetClientSize(600, 400);
    TGraph* a = Add(Ramp(11), Ramp(11));
    TGraph* b = Add(Ramp(3, 1000), Ramp(3));
    window.UndoRecording = false;
    a->SetScaleGroupX(1);
    b->SetScaleGroupX(1);
    window.AutoScale();
    const Extended width = window.PlotRect.Width() - 1;
    EXPECT_NEAR(double(PixelSpanX(a, 0, 10)), double(width * 0.97L), 1e-9);
    EXPECT_NEAR(double(PixelSpanX(b, 1000, 1010)), double(width * 0.97L), 1e-9);
}

TEST_F(CoordinatesFixture, SeparateAxisBandsTakeAtMostHalfTheWindow) {
    window.SetClientSize(500, 500);
    window.SetMultiAxes(true, true);
    for (int i = 0; i < 10; ++i)
        Add(Ramp(11, 40000 + 100 * i), Ramp(11, i))->SetDateTimeArg(true);
    window.LayoutPlot(window.ClientRect());
    EXPECT_GE(window.PlotRect.Height(), 500 / 2 - 40); // the margins and captions stay beside the bands
    EXPECT_GE(window.PlotRect.Width(), 500 / 2 - 70);
    // Ten bands that fit keep their two lines.
    window.SetClientSize(500, 2000);
    window.LayoutPlot(window.ClientRect());
    EXPECT_GT(window.XBandDate(), window.XBand());
}
