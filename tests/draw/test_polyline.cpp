#include "DrawTestUtil.h"
#include "model/Polyline.h"
#include "tests/common/PlotView.h"
#include "tests/common/TestData.h"

#include <cfenv>
#include <random>

namespace {

using Points = QList<TPoint>;
using Pieces = QList<TPolyLinePiece>;

// The thinning serves lines wider than a pixel and patterned ones; a thin solid line keeps every
// pixel (LineWidth 1 below).
struct PolylineTest : IdentityGraphFixture {
    TGraph* Prepare(const TDoubleArray& x, const TDoubleArray& y, int lineStyle = 0) {
        TGraph* g = AddGraph(x, y);
        g->SetLineStyle(lineStyle);
        g->SetLineWidth(LineWidth);
        SetIdentity(*g, Plot);
        PreparePolyline(*g);
        return g;
    }
    static Points CachedPoints(const TGraph& g) { return g.Cache.Points.mid(0, g.Cache.PointCount); }
    static QList<int32_t> CachedNodes(const TGraph& g) {
        return g.Cache.NodeIndex.mid(0, g.Cache.PointCount);
    }
    static Pieces CachedPieces(const TGraph& g) { return g.Cache.Pieces.mid(0, g.Cache.PieceCount); }

    TRect Plot{0, 0, 400, 300};
    int32_t LineWidth = 2;
};

} // namespace

TEST(RoundPixel, HalvesGoToEvenAndSaturate) {
    EXPECT_EQ(RoundPixel(2.5L), 2);
    EXPECT_EQ(RoundPixel(3.5L), 4);
    EXPECT_EQ(RoundPixel(-2.5L), -2);
    EXPECT_EQ(RoundPixel(2.4999999999999999999L), 2);
    EXPECT_EQ(RoundPixel(1e30L), 2147483647);
    EXPECT_EQ(RoundPixel(-1e30L), -2147483647 - 1);
    EXPECT_EQ(RoundPixel(std::numeric_limits<Extended>::quiet_NaN()), 0);
    // The same result under another rounding mode.
    std::fesetround(FE_UPWARD);
    EXPECT_EQ(RoundPixel(2.5L), 2);
    EXPECT_EQ(RoundPixel(2.2L), 2);
    std::fesetround(FE_TONEAREST);
}

TEST_F(PolylineTest, TurnsKeepEveryVertex) {
    TGraph* g = Prepare(Values({10, 20, 30}), Values({10, 20, 10}));
    EXPECT_EQ(CachedPoints(*g), (Points{{10, 10}, {20, 20}, {30, 10}}));
    EXPECT_EQ(CachedNodes(*g), (QList<int32_t>{0, 1, 2}));
    EXPECT_EQ(CachedPieces(*g), (Pieces{{0, 3}}));
    EXPECT_FALSE(g->Cache.Stale(TViewCache::Polyline));
    EXPECT_GE(g->Cache.PrepareTime, 0);
}

TEST_F(PolylineTest, NodePixelsAndVisibility) {
    TGraph* g = AddGraph(Values({10, 20.5L, 21.5L, 500}), Values({10, 10, 299.5L, 10}));
    g->NodePixels()[1].Selected = 1;
    SetIdentity(*g);
    PreparePolyline(*g);
    ASSERT_EQ(g->NodePixels().size(), 4);
    EXPECT_EQ(g->NodePixels()[0], (TNodePixel{10, 10, 1, 0}));
    EXPECT_EQ(g->NodePixels()[1], (TNodePixel{20, 10, 1, 1})); // halves to even; selection kept
    EXPECT_EQ(g->NodePixels()[2], (TNodePixel{22, 300, 1, 0}));
    EXPECT_EQ(g->NodePixels()[3].OnScreen, 0);
}

TEST_F(PolylineTest, RebuiltOnlyWhenDirty) {
    TGraph* g = Prepare(Values({10, 20, 30}), Values({10, 20, 10}));
    g->Mapping.ShiftX -= 5; // a view change the window has not signalled yet
    PreparePolyline(*g);
    EXPECT_EQ(CachedPoints(*g).first(), (TPoint{10, 10}));
    g->Cache.Invalidate(TViewCache::Polyline);
    PreparePolyline(*g);
    EXPECT_EQ(CachedPoints(*g).first(), (TPoint{15, 10}));
}

TEST_F(PolylineTest, OnePixelFilterComparesWithTheLastKeptPoint) {
    TGraph* g = Prepare(Values({10, 10.5L, 11.2L, 30}), Values({10, 10.5L, 10.2L, 30}));
    EXPECT_EQ(CachedPoints(*g), (Points{{10, 10}, {11, 10}, {30, 30}}));
    EXPECT_EQ(CachedNodes(*g), (QList<int32_t>{0, 2, 3}));
}

TEST_F(PolylineTest, ThinSolidLineKeepsPointsWithinAPixel) {
    // The thick line's filter drops (11, 9), which the line from (10, 10) to (30, 10) misses.
    TGraph* thick = Prepare(Values({10, 10.6L, 30}), Values({10, 9.4L, 10}));
    EXPECT_EQ(CachedPoints(*thick), (Points{{10, 10}, {30, 10}}));
    LineWidth = 1;
    TGraph* thin = Prepare(Values({10, 10.6L, 10.7L, 30}), Values({10, 9.4L, 9.3L, 10}));
    EXPECT_EQ(CachedPoints(*thin), (Points{{10, 10}, {11, 9}, {30, 10}})); // one point per pixel
    EXPECT_EQ(CachedNodes(*thin), (QList<int32_t>{0, 1, 3}));
}

TEST_F(PolylineTest, StraightRunKeepsOnlyItsExtensions) {
    // Back and forth on one line: the points inside the covered stretch are dropped.
    TGraph* g = Prepare(Values({0, 10, 5, 7, 20, 25}), Values({100, 100, 100, 100, 100, 150}));
    EXPECT_EQ(CachedPoints(*g), (Points{{0, 100}, {10, 100}, {20, 100}, {25, 150}}));
    EXPECT_EQ(CachedNodes(*g), (QList<int32_t>{0, 1, 4, 5}));
}

TEST_F(PolylineTest, VerticalRunDrawnBetweenItsExtremes) {
    TGraph* g = Prepare(Values({100, 100, 100, 100, 100, 100, 150}), Values({50, 80, 60, 120, 70, 90, 90}));
    // The last dropped point (90) is kept before the turn so the curve leaves the run where it did.
    EXPECT_EQ(CachedPoints(*g), (Points{{100, 50}, {100, 80}, {100, 120}, {100, 90}, {150, 90}}));
    EXPECT_EQ(CachedNodes(*g), (QList<int32_t>{0, 1, 3, 5, 6}));
}

TEST_F(PolylineTest, LastEndPointIsAlwaysKept) {
    TGraph* g = Prepare(Values({10, 20, 15}), Values({10, 10, 10}));
    EXPECT_EQ(CachedPoints(*g), (Points{{10, 10}, {20, 10}, {15, 10}}));
    TGraph* h = Prepare(Values({10, 20, 20.4L}), Values({10, 10, 10.4L}));
    EXPECT_EQ(CachedPoints(*h), (Points{{10, 10}, {20, 10}})); // same pixel: not doubled
}

TEST_F(PolylineTest, SixHundredPointsMakeThreeSharingPieces) {
    Plot = {0, 0, 1000, 300};
    TDoubleArray x, y;
    for (int i = 0; i < 600; ++i) {
        x.append(i);
        y.append(100);
    }
    TGraph* g = Prepare(x, y);
    EXPECT_EQ(g->Cache.PointCount, 600);
    EXPECT_EQ(CachedPieces(*g), (Pieces{{0, 251}, {250, 251}, {500, 100}}));
    EXPECT_EQ(g->Cache.Points[250], (TPoint{250, 100}));
    EXPECT_EQ(g->Cache.NodeIndex[599], 599);
}

TEST_F(PolylineTest, ZeroLengthSegmentsNeitherBreakNorSplit) {
    TGraph* g = Prepare(Values({10, 10, 20, 20, 30, 30}), Values({10, 10, 20, 20, 10, 10}));
    EXPECT_EQ(CachedPoints(*g), (Points{{10, 10}, {20, 20}, {30, 10}}));
    EXPECT_EQ(CachedNodes(*g), (QList<int32_t>{1, 2, 4}));
    EXPECT_EQ(CachedPieces(*g), (Pieces{{0, 3}}));
}

TEST_F(PolylineTest, AllNodesEqualDrawLikeOneNode) {
    TGraph* g = Prepare(Values({50, 50, 50}), Values({60, 60, 60}));
    EXPECT_EQ(CachedPoints(*g), (Points{{50, 60}}));
    EXPECT_EQ(CachedPieces(*g), (Pieces{{0, 1}}));
    TGraph* one = Prepare(Values({70}), Values({80}));
    EXPECT_EQ(CachedPoints(*one), (Points{{70, 80}}));
    EXPECT_EQ(CachedNodes(*one), (QList<int32_t>{0}));
    TGraph* off = Prepare(Values({700}), Values({80}));
    EXPECT_EQ(off->Cache.PointCount, 0);
    EXPECT_EQ(off->Cache.PieceCount, 0);
    TGraph* empty = Prepare({}, {});
    EXPECT_EQ(empty->Cache.PointCount, 0);
    EXPECT_FALSE(empty->Cache.Stale(TViewCache::Polyline));
}

TEST_F(PolylineTest, BreakModes) {
    const TDoubleArray x = Values({10, 20, 40, 50}), y = Values({10, 20, 100, 110});
    struct Case {
        uint8_t mode;
        Extended limit;
        int pieces;
    };
    // The jump from node 1 to 2 is dx 20, |dy| 80, length 82.46; the other segments are shorter.
    for (const Case c : {Case{0, 50, 2}, Case{0, 81, 1}, Case{1, 15, 2}, Case{1, 21, 1}, Case{2, 82, 2},
                         Case{2, 83, 1}, Case{3, 5, 1}, Case{0, 0, 1}, Case{0, -5, 1}}) {
        TGraph* g = AddGraph(x, y);
        g->SetBreakMode(c.mode);
        g->SetBreakLimit(c.limit);
        SetIdentity(*g);
        PreparePolyline(*g);
        EXPECT_EQ(g->Cache.PieceCount, c.pieces) << int(c.mode) << " " << double(c.limit);
        EXPECT_EQ(CachedPoints(*g), (Points{{10, 10}, {20, 20}, {40, 100}, {50, 110}}));
        if (c.pieces == 2) {
            EXPECT_EQ(CachedPieces(*g), (Pieces{{0, 2}, {2, 2}}));
        }
    }
}

TEST_F(PolylineTest, BreakAfterDroppedPointKeepsIt) {
    TGraph* g = AddGraph(Values({10, 50, 30, 30, 40}), Values({10, 10, 10, 200, 200}));
    g->SetBreakMode(0);
    g->SetBreakLimit(100);
    SetIdentity(*g);
    PreparePolyline(*g);
    EXPECT_EQ(CachedPoints(*g), (Points{{10, 10}, {50, 10}, {30, 10}, {30, 200}, {40, 200}}));
    EXPECT_EQ(CachedPieces(*g), (Pieces{{0, 3}, {3, 2}}));
}

TEST_F(PolylineTest, SegmentCrossingTheWindowIsClippedAtBothEdges) {
    TGraph* g = Prepare(Values({-100, 500}), Values({150, 150}));
    EXPECT_EQ(CachedPoints(*g), (Points{{0, 150}, {400, 150}}));
    EXPECT_EQ(CachedNodes(*g), (QList<int32_t>{0, 1}));
    // Through two corners of the window: the crossing keeps its extent.
    TGraph* d = Prepare(Values({-100, 500}), Values({-100, 500}));
    EXPECT_EQ(CachedPoints(*d), (Points{{0, 0}, {300, 300}}));
}

TEST_F(PolylineTest, LeavingAndEnteringSegments) {
    TGraph* g = Prepare(Values({-100, 100, 500}), Values({100, 100, 100}));
    EXPECT_EQ(CachedPoints(*g), (Points{{0, 100}, {100, 100}, {400, 100}}));
    EXPECT_EQ(CachedNodes(*g), (QList<int32_t>{0, 1, 2}));
    EXPECT_EQ(g->Cache.PieceCount, 1);
    // Out through the right edge and back in: two pieces.
    TGraph* h = Prepare(Values({200, 500, 200}), Values({100, 100, 200}));
    EXPECT_EQ(CachedPoints(*h), (Points{{200, 100}, {400, 100}, {400, 133}, {200, 200}}));
    EXPECT_EQ(CachedNodes(*h), (QList<int32_t>{0, 1, 1, 2}));
    EXPECT_EQ(CachedPieces(*h), (Pieces{{0, 2}, {2, 2}}));
}

TEST_F(PolylineTest, NoiseAcrossTopAndBottomEdges) {
    // A noisy curve zoomed in: its nodes lie below, above and inside the window or are NaN along Y.
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    TGraph* g = Prepare(Values({100, 110, 120, 130, 140}), Values({-50, 350, 150, -50, nan}));
    ASSERT_EQ(g->NodePixels().size(), 5);
    EXPECT_EQ(g->NodePixels()[2], (TNodePixel{120, 150, 1, 0}));
    for (int i : {0, 1, 3, 4})
        EXPECT_EQ(g->NodePixels()[i].OnScreen, 0) << i;
    // Bottom to top is a piece of its own; in through the top and out through the bottom along one
    // straight run; the clipped halves round to even.
    EXPECT_EQ(CachedPoints(*g), (Points{{101, 0}, {109, 300}, {112, 300}, {120, 150}, {128, 0}}));
    EXPECT_EQ(CachedNodes(*g), (QList<int32_t>{0, 1, 1, 2, 3}));
    EXPECT_EQ(CachedPieces(*g), (Pieces{{0, 2}, {2, 3}}));
}

TEST_F(PolylineTest, SegmentsMissingTheWindow) {
    // Bounding box outside, and a box that meets the window while the line misses it.
    TGraph* g = Prepare(Values({500, 600, -100, 100}), Values({500, 600, 250, 450}));
    EXPECT_EQ(g->Cache.PointCount, 0);
    EXPECT_EQ(g->Cache.PieceCount, 0);
    // Only touching a corner is not a crossing.
    TGraph* t = Prepare(Values({-100, 100}), Values({100, -100}));
    EXPECT_EQ(t->Cache.PointCount, 0);
}

TEST_F(PolylineTest, NotANumberNodesLeaveGaps) {
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    TGraph* g = Prepare(Values({10, 20, nan, 40, 50}), Values({10, 20, 30, 40, 10}));
    EXPECT_EQ(CachedPoints(*g), (Points{{10, 10}, {20, 20}, {40, 40}, {50, 10}}));
    EXPECT_EQ(CachedPieces(*g), (Pieces{{0, 2}, {2, 2}}));
    EXPECT_EQ(CachedNodes(*g), (QList<int32_t>{0, 1, 2, 4}));
}

TEST_F(PolylineTest, PointsStylesKeepOnScreenNodesWithoutPieces) {
    TGraph* g = Prepare(Values({10, 10.2L, 500, 20, 20}), Values({10, 10.3L, 10, 20, 20}), 5);
    EXPECT_EQ(CachedPoints(*g), (Points{{10, 10}, {20, 20}}));
    EXPECT_EQ(CachedNodes(*g), (QList<int32_t>{0, 3}));
    EXPECT_EQ(g->Cache.PieceCount, 0);
}

TEST_F(PolylineTest, DenseCurveYieldsPointsPerPixelColumn) {
    Plot = {0, 0, 1000, 1000};
    TDoubleArray x, y;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        x.append(Extended(i) / 200); // 1000 pixel columns
        y.append(500 + 400 * std::sin(Extended(i) / 20000));
    }
    LineWidth = 1; // a column keeps its first, lowest, highest and last point
    const TGraph* thin = Prepare(x, y);
    EXPECT_LE(thin->Cache.PointCount, 4 * 1001);
    LineWidth = 2;
    TGraph* g = Prepare(x, y);
    EXPECT_LE(g->Cache.PointCount, 3000);
    EXPECT_GE(g->Cache.PointCount, 1000);
    EXPECT_EQ(g->Cache.Points[0], (TPoint{0, 500}));
    EXPECT_EQ(g->Cache.NodeIndex[g->Cache.PointCount - 1], n - 1);
    // Consecutive pieces share their end points.
    for (int p = 1; p < g->Cache.PieceCount; ++p)
        EXPECT_EQ(g->Cache.Pieces[p].First, g->Cache.Pieces[p - 1].First + g->Cache.Pieces[p - 1].Count - 1);
}

TEST_F(PolylineTest, NodePixelsEqualTheGraphsOwnMapping) {
    // A realistic mapping (fit, zoom, shift) over noisy data, edges and ties included; a large curve
    // is mapped by two threads.
    for (const int count : {5000, 400000}) {
        TDoubleArray x, y;
        uint32_t state = 7;
        auto next = [&] {
            state = state * 1664525u + 1013904223u;
            return Extended(state >> 8) / Extended(1 << 24);
        };
        for (int i = 0; i < count; ++i) {
            x.append(1e6L + i * (68.5L / count) + next() * 1e-3L);
            y.append(-3.5L + 7 * next());
        }
        x.append(std::numeric_limits<Extended>::quiet_NaN());
        y.append(0);
        TGraph* g = AddGraph(x, y);
        testutil::ShowInPlot(window, *g, {10, 20, 1210, 820}, 1.7L, 0.8L, 3.25L, -0.5L);
        // Nodes exactly on the window's edges are visible.
        g->XData[0] = g->Cache.VisXMin;
        g->YData[0] = 0;
        g->XData[1] = g->Cache.VisXMax;
        g->YData[1] = g->Cache.VisYMax;
        for (int mode : {FE_TONEAREST, FE_UPWARD}) {
            g->Cache.Invalidate(TViewCache::Polyline);
            std::fesetround(mode);
            PreparePolyline(*g);
            std::fesetround(FE_TONEAREST);
            int visible = 0;
            for (int i = 0; i < g->NodeCount(); ++i) {
                const Extended px = g->XData[i], py = g->YData[i];
                const bool on = g->Cache.VisXMin <= px && px <= g->Cache.VisXMax && g->Cache.VisYMin <= py &&
                                py <= g->Cache.VisYMax;
                ASSERT_EQ(g->NodePixels()[i].OnScreen, on ? 1 : 0) << i;
                if (!on) continue;
                ++visible;
                ASSERT_EQ(g->NodePixels()[i].X, g->DataToPixelXi(px)) << i;
                ASSERT_EQ(g->NodePixels()[i].Y, g->DataToPixelYi(py)) << i;
            }
            EXPECT_GT(visible, count / 5);
            EXPECT_LT(visible, count);
            EXPECT_EQ(g->NodePixels()[0].OnScreen, 1);
            EXPECT_EQ(g->NodePixels()[1].OnScreen, 1);
            EXPECT_EQ(g->NodePixels()[count].OnScreen, 0);
        }
        window.DeleteAllGraphs();
    }
}

TEST_F(PolylineTest, HalfPixelsRoundToEven) {
    TGraph* g = Prepare(Values({10.5L, 11.5L, 12.5L, 13.5L}), Values({20.5L, 21.5L, 22.5L, 23.5L}), 5);
    ASSERT_EQ(g->NodePixels().size(), 4);
    EXPECT_EQ(g->NodePixels()[0], (TNodePixel{10, 20, 1, 0}));
    EXPECT_EQ(g->NodePixels()[1], (TNodePixel{12, 22, 1, 0}));
    EXPECT_EQ(g->NodePixels()[2], (TNodePixel{12, 22, 1, 0}));
    EXPECT_EQ(g->NodePixels()[3], (TNodePixel{14, 24, 1, 0}));
}

TEST_F(PolylineTest, ColumnOfManyPointsKeepsFirstExtremesAndLast) {
    // A vertical run that keeps growing both ways makes six points in pixel column 100; they cover
    // 130..170, so the column keeps its first point, its extremes and its last point.
    TGraph* g =
        Prepare(Values({100, 100, 100, 100, 100, 100, 150}), Values({150, 140, 160, 130, 170, 145, 145}));
    EXPECT_EQ(CachedPoints(*g), (Points{{100, 150}, {100, 130}, {100, 170}, {100, 145}, {150, 145}}));
    EXPECT_EQ(CachedNodes(*g), (QList<int32_t>{0, 3, 4, 5, 6}));
    EXPECT_EQ(CachedPieces(*g), (Pieces{{0, 5}}));
}

TEST_F(PolylineTest, ColumnWhoseLastPointIsItsExtremeEndsThePiece) {
    // The run leaves the window downwards: the clipped end at the bottom edge is the column's last
    // point and its highest pixel row, kept once.
    TGraph* g =
        Prepare(Values({100, 100, 100, 100, 100, 100, 100}), Values({150, 140, 160, 130, 170, 145, 400}));
    EXPECT_EQ(CachedPoints(*g), (Points{{100, 150}, {100, 130}, {100, 300}}));
    EXPECT_EQ(CachedNodes(*g), (QList<int32_t>{0, 3, 6}));
    EXPECT_EQ(CachedPieces(*g), (Pieces{{0, 3}}));
}

TEST_F(PolylineTest, NoisyColumnsKeepFirstLastAndExtremeNodes) {
    // Eight pixel columns 40 pixels apart, 200 nodes each: whole-pixel noise between a first and a
    // last node at row 150, so the run thinning keeps every new extreme and the column rule decides.
    TDoubleArray x, y;
    uint32_t state = 11;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return int(state >> 24); // 0 .. 255
    };
    constexpr int kColumns = 8, kPerColumn = 200;
    for (int c = 0; c < kColumns; ++c)
        for (int j = 0; j < kPerColumn; ++j) {
            x.append(50 + 40 * c + Extended(j) / kPerColumn * 0.4L - 0.2L);
            y.append(j == 0 || j == kPerColumn - 1 ? 150 : 20 + next());
        }
    TGraph* g = Prepare(x, y);
    const Points points = CachedPoints(*g);
    const QList<int32_t> nodes = CachedNodes(*g);
    EXPECT_EQ(g->Cache.PieceCount, 1);
    for (int c = 0; c < kColumns; ++c) {
        const int column = 50 + 40 * c;
        int low = 1000, high = -1;
        for (int j = 0; j < kPerColumn; ++j) {
            const TNodePixel& p = g->NodePixels()[c * kPerColumn + j];
            ASSERT_EQ(p.X, column);
            low = std::min(low, int(p.Y));
            high = std::max(high, int(p.Y));
        }
        QList<int> rows, rowNodes;
        for (int k = 0; k < points.size(); ++k)
            if (points[k].X == column) {
                rows.append(points[k].Y);
                rowNodes.append(nodes[k]);
                EXPECT_EQ(points[k].Y, g->NodePixels()[nodes[k]].Y) << c; // each point is its node's pixel
            }
        ASSERT_EQ(rows.size(), 4) << c;
        EXPECT_EQ(rowNodes.first(), c * kPerColumn) << c;
        EXPECT_EQ(rowNodes.last(), c * kPerColumn + kPerColumn - 1) << c;
        EXPECT_EQ(rows.first(), 150);
        EXPECT_EQ(rows.last(), 150);
        EXPECT_EQ(std::min(rows[1], rows[2]), low) << c;
        EXPECT_EQ(std::max(rows[1], rows[2]), high) << c;
        EXPECT_LT(rowNodes[1], rowNodes[2]) << c; // in the curve's order
    }
}

TEST_F(PolylineTest, StretchesBeyondOneEdgeChangeNothing) {
    // Left of the window (a zero-length segment among them), in, out to the right (a repeated node
    // there), back in, out below and away to the left again.
    TGraph* g = Prepare(Values({-50, -40, -40, -30, 10, 20, 500, 600, 600, 30, 40, -20, -10}),
                        Values({100, 120, 120, 500, 100, 100, 110, 120, 120, 150, 400, 350, 100}));
    EXPECT_EQ(CachedPoints(*g),
              (Points{{0, 200}, {10, 100}, {20, 100}, {400, 108}, {400, 131}, {30, 150}, {36, 300}}));
    EXPECT_EQ(CachedNodes(*g), (QList<int32_t>{3, 4, 5, 6, 8, 9, 10}));
    EXPECT_EQ(CachedPieces(*g), (Pieces{{0, 4}, {4, 3}}));
    EXPECT_EQ(g->NodePixels()[0].OnScreen, 0);
    EXPECT_EQ(g->NodePixels()[9], (TNodePixel{30, 150, 1, 0}));
    EXPECT_EQ(g->NodePixels()[12].OnScreen, 0);
}

// Graphs prepared together, on two cores, get the polylines each gets alone.
TEST_F(PolylineTest, GraphsPreparedTogetherEqualEachAlone) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> height(-50, 350);
    std::vector<TGraph*> graphs;
    for (int k = 0; k < 3; ++k) {
        TDoubleArray x = testutil::Ramp(100'000, 0, 0.004L), y(x.size());
        for (Extended& v : y)
            v = height(random);
        graphs.push_back(AddGraph(x, y));
        SetIdentity(*graphs.back(), Plot);
    }
    PreparePolylines(graphs);
    for (TGraph* g : graphs) {
        const Points together = CachedPoints(*g);
        const Pieces pieces = CachedPieces(*g);
        g->Cache.Invalidate(TViewCache::Polyline);
        PreparePolyline(*g);
        EXPECT_EQ(CachedPoints(*g), together);
        EXPECT_EQ(CachedPieces(*g), pieces);
    }
}
