// A window with one graph whose mapping is set by hand: pixel = data along X, pixel = data along Y
// (the Y axis flipped by a negative fit), so expected pixels read like the data.
#pragma once

#include "model/Graph.h"
#include "window/SuperGrWindow.h"

#include <gtest/gtest.h>

struct IdentityGraphFixture : ::testing::Test {
    TSuperGrWindow window;

    TGraph* AddGraph(const TDoubleArray& x, const TDoubleArray& y) {
        EXPECT_TRUE(window.AddGraph(QString(), false, {}, x, y));
        TGraph* g = window.GraphByIndex(window.GraphCount() - 1);
        SetIdentity(*g);
        return g;
    }

    // Pixel = data on both axes; the visible data window is the plot rectangle 0..400 × 0..300.
    void SetIdentity(TGraph& g, TRect plot = {0, 0, 400, 300}) {
        window.PlotRect = plot;
        window.OriginX = 0;
        window.OriginY = 0;
        g.Mapping.FitX = 1;
        g.Mapping.FitY = -1;
        g.SetZoomX(1);
        g.SetZoomY(1);
        g.Mapping.ShiftX = -g.XMid();
        g.Mapping.ShiftY = -g.YMid();
        g.Mapping.PixelStepX = 1;
        g.Mapping.PixelStepY = 1;
        g.Cache.VisXMin = plot.Left;
        g.Cache.VisXMax = plot.Right;
        g.Cache.VisYMin = plot.Top;
        g.Cache.VisYMax = plot.Bottom;
        g.Cache.Invalidate(TViewCache::Polyline);
    }
};

inline TDoubleArray Values(std::initializer_list<Extended> v) {
    return TDoubleArray(v);
}
