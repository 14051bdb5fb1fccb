#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"

#include <gtest/gtest.h>

namespace {

struct MarkersFixture : WindowTest {
    // A line from (0, 0) to (dx, dy) drawn one data unit to one pixel.
    TGraph* PixelLine(Extended dx, Extended dy) {
        TGraph* g = Add(TDoubleArray{0, dx}, TDoubleArray{0, dy});
        g->SetZoomX(dx != 0 ? 1 / g->Mapping.FitX : 1);
        g->SetZoomY(dy != 0 ? 1 / g->Mapping.FitY : 1);
        g->Cache.Invalidate(TViewCache::Polyline);
        return g;
    }
    static QList<int> MarkerXs(const TGraph& g) {
        QList<int> xs;
        for (const TMarkerPoint& m : g.Markers.Items)
            xs.append(int(std::lround(double(m.X))));
        return xs;
    }
};

struct PlacementCase {
    const char* Name;
    Extended Dx, Dy;
    int Amount;
    bool ByCount;
    int Kind;
    QList<int> Xs;
};

const PlacementCase placementCases[] = {
    {"CountTenAlongTheLength", 110, 0, 10, true, 2, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100}},
    {"CountFiveOnFourPixelsAllAtTheStart", 4, 0, 5, true, 2, {0, 0, 0, 0, 0}},
    {"IntervalFiftyOn120Pixels", 120, 0, 50, false, 2, {50, 100}},
    {"IntervalFiftyOn100PixelsNeverAtTheEnd", 100, 0, 50, false, 2, {50}},
    {"AlongXOnAVerticalLineNothing", 0, 100, 3, true, 0, {}},
    {"AtTheNodes", 100, 0, 1, true, 3, {0, 100}},
    {"ZeroAmountNothing", 100, 0, 0, true, 2, {}},
};

class Placement : public MarkersFixture, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(Placement, MarkersAlongTheLine) {
    const PlacementCase& c = GetParam();
    TGraph* g = PixelLine(c.Dx, c.Dy);
    window.PlaceMarkersOnAll(c.Amount, c.ByCount, false, c.Kind);
    EXPECT_EQ(MarkerXs(*g), c.Xs);
}

INSTANTIATE_TEST_SUITE_P(Markers, Placement, ::testing::ValuesIn(placementCases),
                         [](const auto& param) { return std::string(param.param.Name); });

TEST_F(MarkersFixture, MarkersAlongAGraphOfManyChunks) {
    const int nodes = 300'001; // the segments are measured in chunks of 4096, on two threads
    TGraph* g = Add(testutil::Ramp(nodes, 0, 110.0L / (nodes - 1)), TDoubleArray(nodes, 0));
    g->SetZoomX(1 / g->Mapping.FitX);
    window.PlaceMarkersOnAll(10, true, false, 2);
    EXPECT_EQ(MarkerXs(*g), (QList<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
}

TEST_F(MarkersFixture, PlacementSkipsHiddenGraphsAndIsOneUndoStep) {
    TGraph* shown = PixelLine(110, 0);
    TGraph* hidden = PixelLine(110, 0);
    ASSERT_TRUE(shown->AddMarkerAtNode(0));
    hidden->SetVisible(false);
    window.ClearUndoHistory();
    window.PlaceMarkersOnAll(10, true, false, 2);
    EXPECT_EQ(shown->Markers.Count(), 11);
    EXPECT_EQ(hidden->Markers.Count(), 0);
    EXPECT_TRUE(window.UndoRecording);
    window.Undo();
    EXPECT_EQ(shown->Markers.Count(), 1);
    EXPECT_FALSE(window.HaveUndo());
}

TEST_F(MarkersFixture, DeleteAllMarkersTakesHiddenGraphsTooAndIsOneUndoStep) {
    TGraph* shown = PixelLine(110, 0);
    TGraph* hidden = PixelLine(110, 0);
    TGraph* bare = PixelLine(110, 0);
    ASSERT_TRUE(shown->AddMarkerAtNode(0));
    ASSERT_TRUE(hidden->AddMarkerAtNode(1));
    ASSERT_TRUE(hidden->AddMarkerAtNode(0));
    hidden->SetVisible(false);
    window.ClearUndoHistory();
    window.DeleteAllMarkers();
    EXPECT_EQ(shown->Markers.Count() + hidden->Markers.Count() + bare->Markers.Count(), 0);
    window.Undo();
    EXPECT_EQ(MarkerXs(*shown), QList<int>{0});
    EXPECT_EQ(MarkerXs(*hidden), (QList<int>{110, 0}));
    EXPECT_EQ(bare->Markers.Count(), 0);
    EXPECT_FALSE(window.HaveUndo());
}

} // namespace
