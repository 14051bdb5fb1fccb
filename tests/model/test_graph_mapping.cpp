#include "model/GraphMapping.h"
#include "model/ViewCache.h"

#include <gtest/gtest.h>

#include <limits>

namespace {
// 3 pixels per data unit on both axes; the data point 5 (mid 4 plus shift 1) lands on (100, 50).
TGraphMapping ThreePixelsPerUnit() {
    TGraphMapping m;
    m.FitX = m.FitY = 2;
    m.ZoomX = m.ZoomY = 1.5L;
    m.ShiftX = m.ShiftY = 1;
    return m;
}
const TMappingAnchor kAnchor{4, 4, 100, 50};
} // namespace

TEST(GraphMapping, DataAndPixelsBothWays) {
    const TGraphMapping m = ThreePixelsPerUnit();
    struct Case {
        Extended Data, PixelX, PixelY;
    };
    for (const Case& c : {Case{5, 100, 50}, Case{10, 115, 35}, Case{-1, 82, 68}, Case{5.5L, 101.5L, 48.5L}}) {
        EXPECT_EQ(m.ToPixelX(c.Data, kAnchor), c.PixelX) << double(c.Data);
        EXPECT_EQ(m.ToPixelY(c.Data, kAnchor), c.PixelY) << double(c.Data);
        EXPECT_EQ(m.ToDataX(c.PixelX, kAnchor), c.Data);
        EXPECT_EQ(m.ToDataY(c.PixelY, kAnchor), c.Data);
    }
    EXPECT_EQ(m.LengthToPixelX(2), 6);
    EXPECT_EQ(m.PixelLengthToDataY(-6), -2);
}

TEST(GraphMapping, ScaleZeroSendsPixelsToTheEdgesOfTheRange) {
    TGraphMapping m = ThreePixelsPerUnit();
    m.ZoomX = m.FitY = 0;
    EXPECT_GT(m.ToDataX(101, kAnchor), 1e308L);
    EXPECT_LT(m.ToDataX(99, kAnchor), -1e308L);
    EXPECT_EQ(m.ToDataX(100, kAnchor), 0);
    EXPECT_GT(m.ToDataY(49, kAnchor), 1e308L); // up the screen: larger data
    EXPECT_LT(m.PixelLengthToDataY(-1), -1e308L);
    EXPECT_EQ(m.PixelLengthToDataX(0), 0);
}

TEST(GraphMapping, FitDerivesThePixelStepsAndKeepsTheZooms) {
    TGraphMapping m;
    m.ZoomX = 0.5L;
    m.ZoomY = 4;
    m.Fit({0, 0, 11, 21}, 0, 5, -5, 5);
    EXPECT_EQ(m.FitX, 2);
    EXPECT_EQ(m.FitY, 2);
    EXPECT_EQ(m.ZoomX, 0.5L);
    EXPECT_EQ(m.PixelStepX, 1);
    EXPECT_EQ(m.PixelStepY, 0.125L);
    // An empty rectangle counts as one pixel and never mirrors the picture.
    m.Fit({3, 3, 3, 3}, 0, 5, 5, 0);
    EXPECT_EQ(m.FitX, Extended(1) / 5);
    EXPECT_EQ(m.FitY, Extended(1) / 5);
}

TEST(GraphMapping, ZeroRangesWidenByOnePercent) {
    struct Case {
        Extended Min, Max, WantMin, WantMax;
    };
    const Extended two = 2, hundredth = 0.01L;
    for (const Case& c :
         {Case{0, 0, -hundredth, hundredth}, Case{two, two, two - hundredth * two, two + hundredth * two},
          Case{1, 3, 1, 3}, Case{3, 1, 3, 1}}) {
        Extended min = c.Min, max = c.Max;
        WidenZeroRange(min, max);
        EXPECT_EQ(min, c.WantMin);
        EXPECT_EQ(max, c.WantMax);
    }
}

TEST(GraphMapping, RangesNearTheLargestValueFitTheirPixels) {
    constexpr Extended largest = std::numeric_limits<Extended>::max();
    TGraphMapping m;
    // The whole range overflows; the fit is taken in halves.
    m.Fit({0, 0, 101, 101}, -largest, largest, 0, largest);
    // 100 pixels over twice the largest value, and over the largest value.
    EXPECT_NEAR(double(m.FitX * (largest / 2)), 25, 1e-9);
    EXPECT_NEAR(double(m.FitY * largest), 100, 1e-9);
    // A single point at the largest value widens without overflowing.
    Extended min = largest, max = largest;
    WidenZeroRange(min, max);
    EXPECT_EQ(max, largest);
    EXPECT_LT(min, largest);
    // A range of a few denormals has the largest finite scale.
    m.Fit({0, 0, 101, 101}, 0, std::numeric_limits<Extended>::denorm_min(), 0, 1);
    EXPECT_EQ(m.FitX, largest);
}

// Without a finite scale, or with one far beyond any tick, the step is 0 (no ticks); it always returns.
TEST(GraphMapping, TickStepsOfScalesWithoutTicks) {
    constexpr Extended inf = std::numeric_limits<Extended>::infinity();
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    for (const Extended fit : {nan, inf, Extended(0)})
        for (const TTickVariant variant :
             {TTickVariant::DecimalX, TTickVariant::DecimalY, TTickVariant::Seconds, TTickVariant::Months,
              TTickVariant::SecondFractions}) {
            TGraphMapping m;
            m.FitX = m.FitY = fit;
            EXPECT_EQ(m.TickStep(variant, 40), 0) << double(fit) << ' ' << int(variant);
        }
}

TEST(GraphMapping, TickStepsOfExtremeScalesStayDecimal) {
    // 40 pixels over 1e300 and over 1e-300 data units: steps of 1, 2 or 5 times a power of ten.
    for (const Extended perUnit : {40e-300L, 40e300L, 40e-4000L, 40e4000L}) {
        TGraphMapping m;
        m.FitX = perUnit;
        const Extended step = m.TickStep(TTickVariant::DecimalX, 40);
        EXPECT_GT(step, 2) << double(perUnit);
        EXPECT_LE(step, 80) << double(perUnit);
    }
}

TEST(GraphMapping, EqualScalesFollowTheAxisWithTheSmallerFit) {
    TGraphMapping m;
    m.FitX = 2;
    m.FitY = 4;
    m.ZoomX = 3;
    m.EqualizeScales();
    EXPECT_EQ(m.ZoomY, 1.5L);
    EXPECT_EQ(m.FitX * m.ZoomX, m.FitY * m.ZoomY);
    m.FitX = 8;
    m.EqualizeScales();
    EXPECT_EQ(m.ZoomX, 0.75L);
    m.SetZoomX(1e15L); // refused
    EXPECT_EQ(m.ZoomX, 0.75L);
}

TEST(ViewCache, InvalidatedPartsStayStaleUntilRebuilt) {
    TViewCache cache;
    for (auto part : {TViewCache::Extents, TViewCache::Fit, TViewCache::Polyline})
        EXPECT_TRUE(cache.Stale(part));
    cache.MarkFresh(TViewCache::All);
    cache.Invalidate(TViewCache::Polyline);
    EXPECT_TRUE(cache.Stale(TViewCache::Polyline));
    EXPECT_FALSE(cache.Stale(TViewCache::Extents) || cache.Stale(TViewCache::Fit));
    cache.MarkFresh(TViewCache::Polyline);
    EXPECT_FALSE(cache.Stale(TViewCache::Polyline));

    cache.Points = {{1, 2}, {3, 4}};
    cache.NodeIndex = {0, 1};
    cache.PointCount = 2;
    cache.Pieces = {{0, 2}};
    cache.PieceCount = 1;
    cache.ReleasePolyline();
    EXPECT_TRUE(cache.Points.isEmpty() && cache.NodeIndex.isEmpty());
    EXPECT_EQ(cache.PointCount, 0);
    EXPECT_EQ(cache.PieceCount, 0);
}
