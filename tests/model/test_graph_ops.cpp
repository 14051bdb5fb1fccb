#include "model/Codecs.h"
#include "model/Graph.h"
#include "model/Polyline.h"
#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"
#include "window/SuperGrWindow.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
using testutil::Ramp;

struct GraphOpsFixture : WindowTest {
    void SetUp() override {
        window.AnimatedZoom = false;
        window.SetClientSize(600, 400);
    }
    // Pixel positions of every node, unrounded.
    QList<std::pair<Extended, Extended>> Pixels(TGraph* g) {
        QList<std::pair<Extended, Extended>> out;
        for (int i = 0; i < g->NodeCount(); ++i)
            out.append({g->DataToPixelX(g->XData[i]), g->DataToPixelY(g->YData[i])});
        return out;
    }
};
} // namespace

TEST_F(GraphOpsFixture, NearestNodePrefersTheLaterOnTies) {
    TGraph* g = Add(TDoubleArray{0, 1, 2}, TDoubleArray{0, 0, 0});
    int index = -1;
    const int px = g->DataToPixelXi(1), py = g->DataToPixelYi(0);
    EXPECT_EQ(g->NearestNode(px, py + 3, index), 3);
    EXPECT_EQ(index, 1);
    const int mid = (g->DataToPixelXi(0) + g->DataToPixelXi(1)) / 2;
    const int left = g->DataToPixelXi(0), right = g->DataToPixelXi(1);
    if (mid - left == right - mid) {
        g->NearestNode(mid, py, index);
        EXPECT_EQ(index, 1);
    }
    TGraph* empty = Add({}, {});
    EXPECT_EQ(empty->NearestNode(px, py, index), TGraph::NoDistance);
    EXPECT_EQ(index, -1);
}

TEST_F(GraphOpsFixture, NearestCurvePointOnASegment) {
    TGraph* g = Add(TDoubleArray{0, 10}, TDoubleArray{0, 0});
    const int y0 = g->DataToPixelYi(0);
    const int xm = g->DataToPixelXi(5);
    int x = 0, y = 0;
    EXPECT_EQ(g->NearestCurvePoint(xm, y0 - 7, x, y), 7);
    EXPECT_EQ(x, xm);
    EXPECT_EQ(y, y0);
    int first = -1, last = -1;
    g->NearestCurveNodes(xm, y0 - 7, first, last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 1);
    // Beyond the end: the last point, reported with the end mark.
    g->NearestCurveNodes(g->DataToPixelXi(10) + 50, y0, first, last);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 2147483646);
}

TEST_F(GraphOpsFixture, CurveSearchNeverCrossesABreak) {
    // Two pieces: the break between x = 1 and x = 9 is not drawn.
    TGraph* g = Add(TDoubleArray{0, 1, 9, 10}, TDoubleArray{0, 0, 0, 0});
    g->SetBreakMode(1);
    g->SetBreakLimit(5);
    int x = 0, y = 0;
    const int xm = g->DataToPixelXi(5), y0 = g->DataToPixelYi(0);
    const int d = g->NearestCurvePoint(xm, y0, x, y);
    EXPECT_GT(d, 0);
    EXPECT_TRUE(x == g->DataToPixelXi(1) || x == g->DataToPixelXi(9));
}

TEST_F(GraphOpsFixture, CurvePointInDataHandlesDuplicateNodes) {
    TGraph* g = Add(TDoubleArray{0, 2, 2, 4}, TDoubleArray{0, 2, 2, 0});
    Extended x = -1, y = -1;
    const int px = g->DataToPixelXi(2), py = g->DataToPixelYi(2);
    const Extended d = g->CurvePointInData(0, 3, px, py, x, y);
    EXPECT_FALSE(std::isnan(d));
    EXPECT_NEAR(double(x), 2, 1e-2);
    EXPECT_NEAR(double(y), 2, 1e-2);
    // Indexes are clamped and ordered.
    g->CurvePointInData(99, -5, px, py, x, y);
    EXPECT_NEAR(double(x), 2, 1e-2);
}

TEST_F(GraphOpsFixture, SelectionStepsAndRectangles) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    window.ClearUndoHistory();
    g->SelectNode(3);
    g->SelectNode(3); // unchanged: no step
    g->SelectNode(40);
    EXPECT_EQ(g->SelectedCount(), 1);
    ASSERT_EQ(window.UndoSide.Nodes.size(), 1);
    EXPECT_EQ(window.UndoSide.Nodes[0].Kind, enkSelection);
    EXPECT_EQ(window.UndoSide.Nodes[0].Pixels[0].Selected, 0);

    const TRect forward{g->DataToPixelXi(4) - 1, g->DataToPixelYi(6) - 1, g->DataToPixelXi(6) + 1,
                        g->DataToPixelYi(4) + 1};
    const TRect backward{forward.Right, forward.Bottom, forward.Left, forward.Top};
    g->SelectInRect(backward);
    EXPECT_EQ(g->SelectedCount(), 4); // 3, 4, 5, 6
    g->ClearSelection();
    g->SelectInRect(forward);
    EXPECT_EQ(g->SelectedCount(), 3);
    g->DeselectNode(5);
    EXPECT_EQ(g->SelectedCount(), 2);
}

TEST_F(GraphOpsFixture, DeletingKeepsEveryOtherNodeInPlace) {
    TGraph* g = Add(TDoubleArray{0, 1, 2, 3, 4}, TDoubleArray{0, 5, 9, 1, 2});
    const auto before = Pixels(g);
    ASSERT_TRUE(g->DeleteNode(2)); // the maximum
    const auto after = Pixels(g);
    ASSERT_EQ(after.size(), 4);
    const int kept[] = {0, 1, 3, 4};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(double(after[i].first), double(before[kept[i]].first), 1e-9);
        EXPECT_NEAR(double(after[i].second), double(before[kept[i]].second), 1e-9);
    }
    const TEditNodes& edit = window.UndoSide.Nodes.last();
    EXPECT_EQ(edit.Kind, enkDelete);
    EXPECT_EQ(edit.Indexes, TIntArray{2});
    EXPECT_EQ(edit.Y, TDoubleArray{9});
    EXPECT_FALSE(g->DeleteNode(10));
}

TEST_F(GraphOpsFixture, DeleteSelectedAndInRect) {
    TGraph* g = Add(Ramp(10), Ramp(10));
    g->SelectNode(1);
    g->SelectNode(8);
    g->DeleteSelectedNodes();
    EXPECT_EQ(g->XData, (TDoubleArray{0, 2, 3, 4, 5, 6, 7, 9}));
    const TRect r{g->DataToPixelXi(3) - 1, g->DataToPixelYi(5) - 1, g->DataToPixelXi(5) + 1,
                  g->DataToPixelYi(3) + 1};
    g->DeleteNodesInRect(r);
    EXPECT_EQ(g->XData, (TDoubleArray{0, 2, 6, 7, 9}));
}

TEST_F(GraphOpsFixture, InsertingAtBothEndsAndOnLogAxes) {
    TGraph* g = Add(TDoubleArray{1, 2, 3}, TDoubleArray{1, 2, 3});
    const auto before = Pixels(g);
    ASSERT_TRUE(g->InsertNodes(-5, TDoubleArray{0}, TDoubleArray{7}, {}, true));
    ASSERT_TRUE(g->InsertNodes(100, TDoubleArray{9}, TDoubleArray{8}, {}, false));
    EXPECT_EQ(g->XData, (TDoubleArray{0, 1, 2, 3, 9}));
    EXPECT_EQ(g->NodePixels()[0].Selected, 1);
    EXPECT_EQ(g->NodePixels()[4].Selected, 0);
    const auto after = Pixels(g);
    EXPECT_NEAR(double(after[1].first), double(before[0].first), 1e-9);
    EXPECT_NEAR(double(after[3].second), double(before[2].second), 1e-9);
    EXPECT_EQ(window.UndoSide.Nodes.last().Kind, enkInsert);

    EXPECT_FALSE(g->InsertNodes(0, TDoubleArray{1, 2}, TDoubleArray{1}, {}, false));
    EXPECT_FALSE(g->InsertNodes(0, TDoubleArray{1}, TDoubleArray{1}, TDoubleArray{1}, false)); // no Z here
    g->SetLogX(false);
    TGraph* logGraph = Add(TDoubleArray{1, 10}, TDoubleArray{1, 2});
    logGraph->SetLogX(true);
    EXPECT_FALSE(logGraph->InsertNodes(0, TDoubleArray{-1}, TDoubleArray{5}, {}, false));
    EXPECT_EQ(logGraph->NodeCount(), 2);
    ASSERT_TRUE(logGraph->InsertNodes(0, TDoubleArray{100}, TDoubleArray{5}, {}, false));
    EXPECT_EQ(logGraph->XData[1], 2);
    EXPECT_EQ(logGraph->XSource[1], 100);
}

TEST_F(GraphOpsFixture, InsertingWithoutZKeepsZInStep) {
    TDoubleArray z{5, 6};
    ASSERT_TRUE(window.AddGraph(QString(), false, z, TDoubleArray{1, 2}, TDoubleArray{3, 4}));
    TGraph* g = window.GraphByIndex(0);
    ASSERT_TRUE(g->InsertNodes(0, TDoubleArray{1.5L}, TDoubleArray{3.5L}, {}, false));
    EXPECT_EQ(g->ZData, (TDoubleArray{5, 0, 6}));
}

TEST_F(GraphOpsFixture, MarkersRecordEveryChange) {
    TGraph* g = Add(TDoubleArray{0, 10}, TDoubleArray{0, 0});
    window.ClearUndoHistory();
    EXPECT_TRUE(g->AddMarkerAtNode(1));
    EXPECT_FALSE(g->AddMarkerAtNode(2));
    EXPECT_TRUE(g->AddMarkerAtPixel(g->DataToPixelXi(5), g->DataToPixelYi(0) + 2));
    EXPECT_FALSE(g->AddMarkerAtPixel(g->DataToPixelXi(5), g->DataToPixelYi(0) + 40));
    ASSERT_EQ(g->Markers.Count(), 2);
    EXPECT_NEAR(double(g->Markers.Items[1].X), 5, 0.05);
    EXPECT_NEAR(double(g->Markers.Items[1].Y), 0, 1e-12);
    g->DeleteMarker(0);
    g->ClearMarkers();
    g->ClearMarkers(); // nothing left: no step
    EXPECT_EQ(window.UndoSide.Markers.size(), 4);
    EXPECT_EQ(window.UndoSide.Markers.last().Markers.size(), 1);
}

TEST_F(GraphOpsFixture, MarkerOnALogAxisHoldsTheLogarithm) {
    TGraph* g = Add(TDoubleArray{1, 10, 100}, TDoubleArray{1, 2, 3});
    g->SetLogX(true);
    ASSERT_TRUE(g->AddMarkerAtNode(2));
    EXPECT_EQ(g->Markers.Items[0].X, 2);
    g->SetLogX(false);
    EXPECT_NEAR(double(g->Markers.Items[0].X), 100, 1e-12);
}

TEST_F(GraphOpsFixture, PlaceMarkersByCountAndInterval) {
    // A horizontal line exactly 400 pixels long: make one data unit one pixel.
    TGraph* g = Add(TDoubleArray{0, 400}, TDoubleArray{0, 0});
    window.UndoRecording = false;
    g->SetZoomX(1 / g->Mapping.FitX);
    g->Mapping.ShiftX = 0;
    g->Cache.Invalidate(TViewCache::Polyline);
    g->PlaceMarkers(3, true, false, 0);
    ASSERT_EQ(g->Markers.Count(), 3);
    EXPECT_NEAR(double(g->Markers.Items[0].X), 100, 0.5);
    EXPECT_NEAR(double(g->Markers.Items[1].X), 200, 0.5);
    EXPECT_NEAR(double(g->Markers.Items[2].X), 300, 0.5);

    g->ClearMarkers();
    g->PlaceMarkers(150, false, false, 2); // every 150 px: at 150 and 300
    ASSERT_EQ(g->Markers.Count(), 2);
    EXPECT_NEAR(double(g->Markers.Items[1].X), 300, 0.5);

    g->ClearMarkers();
    g->PlaceMarkers(5, true, false, 1); // along Y on a horizontal line: nothing to measure
    EXPECT_EQ(g->Markers.Count(), 0);

    g->PlaceMarkers(1, true, false, 3); // at the nodes
    EXPECT_EQ(g->Markers.Count(), 2);
}

TEST_F(GraphOpsFixture, PlaceMarkersWithZeroSpacingStopsAtTheCount) {
    TGraph* g = Add(TDoubleArray{0, 4}, TDoubleArray{0, 0});
    window.UndoRecording = false;
    g->SetZoomX(1 / g->Mapping.FitX); // 4 pixels long
    g->Cache.Invalidate(TViewCache::Polyline);
    g->PlaceMarkers(5, true, false, 2);
    EXPECT_EQ(g->Markers.Count(), 5);
    for (const TMarkerPoint& m : g->Markers.Items)
        EXPECT_NEAR(double(m.X), 0, 0.5);
}

TEST_F(GraphOpsFixture, PlaceMarkersIsOneUndoStep) {
    TGraph* g = Add(Ramp(20), Ramp(20));
    window.ClearUndoHistory();
    g->PlaceMarkers(4, true, true, 2);
    EXPECT_EQ(g->Markers.Count(), 4);
    EXPECT_EQ(window.UndoSide.Ops.size(), 1);
    EXPECT_EQ(window.UndoSide.Ops[0].OpType, UndoOp::Markers);
    EXPECT_TRUE(window.UndoRecording);
}

// A large curve drawn through its level-of-detail index stores no pixel records until one is
// written; selection, deletion and their undo work either way.
TEST_F(GraphOpsFixture, PixelRecordsAreStoredOnlyOnceWritten) {
    TGraph* g = Add(Ramp(DetailMinNodes), Ramp(DetailMinNodes));
    g->NodePixels(); // as an exact walk before the index was ready leaves them
    BuildDetailIndex(*g);
    PreparePolyline(*g);
    EXPECT_TRUE(g->StoredNodePixels().isEmpty());
    g->DeleteNode(3);
    EXPECT_TRUE(g->StoredNodePixels().isEmpty());
    g->SelectNode(7);
    ASSERT_EQ(g->StoredNodePixels().size(), g->NodeCount());
    EXPECT_TRUE(g->NodeSelected(7));
    g->DeleteSelectedNodes();
    EXPECT_EQ(g->NodeCount(), DetailMinNodes - 2);
    window.Undo(); // the selected node comes back selected
    EXPECT_TRUE(g->NodeSelected(7));
    window.Undo();
    window.Undo();
    EXPECT_EQ(g->NodeCount(), DetailMinNodes);
    EXPECT_EQ(g->SelectedCount(), 0);
    EXPECT_EQ(g->StoredNodePixels().size(), g->NodeCount());
}
