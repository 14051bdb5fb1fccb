#include "StreamTestUtil.h"
#include "model/DecimalLog.h"
#include "tests/common/WindowTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace streamtest;

namespace {
struct UndoTest : ::testing::Test {
    TSuperGrWindow window;

    void SetUp() override {
        window.AnimatedUndo = false;
        window.AnimatedZoom = false;
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(
                window.AddGraph(QStringLiteral("g%1").arg(i), false, {}, Thirds(10 + i), Thirds(10 + i, i)));
        window.ClearUndoHistory();
    }

    TGraph& G(int index) { return *window.GraphByIndex(index); }

    // The change must take `steps` undo steps; undoing them restores the figure's bytes exactly and
    // redoing them brings the changed figure back exactly.
    void ExpectUndoRedo(const std::function<void()>& change, int steps = 1) {
        const QByteArray before = SettledStreamOf(window);
        const qsizetype history = window.UndoSide.Ops.size();
        change();
        const QByteArray after = SettledStreamOf(window);
        ASSERT_NE(after, before);
        ASSERT_EQ(window.UndoSide.Ops.size(), history + steps);
        for (int i = 0; i < steps; ++i)
            window.Undo();
        EXPECT_EQ(FirstDifference(SettledStreamOf(window), before), -1);
        EXPECT_EQ(window.RedoSide.Ops.size(), steps);
        for (int i = 0; i < steps; ++i)
            window.Redo();
        EXPECT_EQ(FirstDifference(SettledStreamOf(window), after), -1);
        EXPECT_EQ(window.UndoSide.Ops.size(), history + steps);
        EXPECT_FALSE(window.HaveRedo());
    }

    // Every store of both sides is empty: the stores stayed in step with the operation lists.
    void ExpectStoresEmpty(const TUndoSide& side) {
        EXPECT_TRUE(side.Ops.isEmpty());
        EXPECT_TRUE(side.Views.isEmpty());
        EXPECT_TRUE(side.Strings.isEmpty());
        EXPECT_TRUE(side.Integers.isEmpty());
        EXPECT_TRUE(side.Doubles.isEmpty());
        EXPECT_TRUE(side.Layers.isEmpty());
        EXPECT_TRUE(side.Permissions.isEmpty());
        EXPECT_TRUE(side.Groups.isEmpty());
        EXPECT_TRUE(side.SnapPolicies.isEmpty());
        EXPECT_TRUE(side.Markers.isEmpty());
        EXPECT_TRUE(side.Symbols.isEmpty());
        EXPECT_TRUE(side.Offsets.isEmpty());
        EXPECT_TRUE(side.Nodes.isEmpty());
        EXPECT_TRUE(side.Graphs.isEmpty());
    }

    void UndoAllAndCheckStores() {
        while (window.HaveUndo())
            window.Undo();
        ExpectStoresEmpty(window.UndoSide);
    }
};
} // namespace

TEST_F(UndoTest, StringProperties) {
    ExpectUndoRedo([&] { G(1).SetName(QStringLiteral("новое имя")); });
    ExpectUndoRedo([&] { G(1).SetLegendText(QStringLiteral("в легенде")); });
    ExpectUndoRedo([&] { G(2).SetMarkerText(QStringLiteral("М")); });
    for (int d = 0; d < 4; ++d)
        ExpectUndoRedo([&] { G(0).SetDesignationText(TDesignation(d), QStringLiteral("t")); });
    EXPECT_EQ(G(1).Name(), QStringLiteral("новое имя"));
    window.Undo(); // the last designation text
    EXPECT_TRUE(G(0).Designation(dsYDimension).Text.isEmpty());
}

TEST_F(UndoTest, IntegerProperties) {
    ExpectUndoRedo([&] { G(0).SetColor(0x00112233); });
    ExpectUndoRedo([&] { G(0).SetMarkerSymbol(11); });
    ExpectUndoRedo([&] { G(0).SetShowNodes(true); });
    ExpectUndoRedo([&] { G(0).SetMarkersVisible(false); });
    ExpectUndoRedo([&] { G(1).SetVisible(false); });
    ExpectUndoRedo([&] { G(1).SetLineWidth(5); });
    ExpectUndoRedo([&] { G(1).SetLineStyle(7); });
    ExpectUndoRedo([&] { G(2).SetSelected(true); });
    ExpectUndoRedo([&] { G(2).SetBreakMode(0); });
    for (int d = 0; d < 4; ++d) {
        ExpectUndoRedo([&] { G(2).SetDesignationShow(TDesignation(d), true); });
        ExpectUndoRedo([&] { G(2).SetDesignationVertical(TDesignation(d), true); });
        ExpectUndoRedo([&] { G(2).SetDesignationIsText(TDesignation(d), false); });
    }
    ExpectUndoRedo([&] { G(0).SetXDesignLayout(0); });
    ExpectUndoRedo([&] { G(0).SetYDesignLayout(2); });
    ExpectUndoRedo([&] { G(0).SetDateTimeArg(true); });
    ExpectUndoRedo([&] { G(0).SetInLegend(false); });
    ExpectUndoRedo([&] { G(0).SetMarkerKeepColor(false); });
    UndoAllAndCheckStores();
}

TEST_F(UndoTest, MarkerColourValueComesBack) {
    const TColor old = G(0).MarkerColor();
    G(0).SetMarkerColor(0x00ABCDEF);
    window.Undo();
    EXPECT_EQ(G(0).MarkerColor(), old);
    window.Redo();
    EXPECT_EQ(G(0).MarkerColor(), 0x00ABCDEF);
}

TEST_F(UndoTest, ChangesThatTouchTwoPropertiesUndoInOneStep) {
    // Each change: one Undo brings the figure's bytes back, one Redo the changed figure.
    const auto expectOneStep = [&](const std::function<void()>& change) {
        const QByteArray before = SettledStreamOf(window);
        change();
        const QByteArray after = SettledStreamOf(window);
        ASSERT_NE(after, before);
        window.Undo();
        EXPECT_EQ(FirstDifference(SettledStreamOf(window), before), -1);
        window.Redo();
        EXPECT_EQ(FirstDifference(SettledStreamOf(window), after), -1);
    };
    expectOneStep([&] { G(0).SetMarkerColor(0x00ABCDEF); }); // switches keeping the line colour off
    EXPECT_FALSE(G(0).MarkerKeepColor());
    expectOneStep([&] { G(0).SetMarkerKeepColor(true); }); // takes the line colour again
    EXPECT_EQ(G(0).MarkerColor(), G(0).Color());
    // Data without logarithms make the axis plain; undo gives back the logarithmic axis.
    G(2).SetLogY(true);
    expectOneStep([&] { G(2).SetData(Thirds(4), Thirds(4, -1)); });
    EXPECT_FALSE(G(2).LogY());
    window.Undo();
    EXPECT_TRUE(G(2).LogY());
    window.Redo();

    // Node edits clear the markers; one undo brings the markers back with the nodes.
    const auto markersComeBack = [&](const std::function<void()>& change) {
        G(1).AddMarkerAtNode(1);
        G(1).AddMarkerAtNode(3);
        window.ClearUndoHistory();
        const TMarkerArray markers = G(1).Markers.Items;
        TDoubleArray x, y, changedX, changedY;
        G(1).GetXY(x, y);
        change();
        EXPECT_EQ(G(1).Markers.Count(), 0);
        G(1).GetXY(changedX, changedY);
        window.Undo();
        EXPECT_FALSE(window.HaveUndo());
        EXPECT_EQ(G(1).Markers.Items, markers);
        TDoubleArray backX, backY;
        G(1).GetXY(backX, backY);
        EXPECT_EQ(backX, x);
        EXPECT_EQ(backY, y);
        window.Redo();
        EXPECT_EQ(G(1).Markers.Count(), 0);
        G(1).GetXY(backX, backY);
        EXPECT_EQ(backX, changedX);
        EXPECT_EQ(backY, changedY);
    };
    markersComeBack([&] { G(1).DeleteNode(2); });
    markersComeBack([&] { G(1).InsertNodes(2, {1.5L}, {2.5L}, {}, true); });
    markersComeBack([&] { G(1).SetData(Thirds(4), Thirds(4, 1)); });
}

TEST_F(UndoTest, MarkerKeepColourReplayRaisesItsStyleEvent) {
    G(0).SetMarkerKeepColor(false);
    int vtype = -1, value = -1;
    const TEventConnection listening = window.Events.OnChangeGraphStyle.Listen(
        [&](TComponent*, int, int t, int v) { vtype = t, value = v; });
    window.Undo();
    EXPECT_EQ(vtype, 17);
    EXPECT_EQ(value, 1);
}

TEST_F(UndoTest, ExtendedSymbolAndOffsetProperties) {
    ExpectUndoRedo([&] { G(1).SetBreakLimit(1.0L / 3); });
    ExpectUndoRedo([&] { G(1).SetWidthScale(7.0L / 3); });
    TSymbol s;
    s.Aspect = 2;
    TPrimitiv p;
    p.Text = QStringLiteral("Ф");
    p.FaceName = QStringLiteral("Arial");
    s.Prims = {p};
    for (int d = 0; d < 4; ++d) {
        ExpectUndoRedo([&] { G(1).SetDesignationSymbol(TDesignation(d), s); });
        ExpectUndoRedo([&] { G(1).SetDesignationOffsets(TDesignation(d), d + 1, -d); });
    }
    UndoAllAndCheckStores();
}

TEST_F(UndoTest, LayerFixedRatioAndLogarithms) {
    ExpectUndoRedo([&] { G(2).SetLayer(0); });
    EXPECT_EQ(window.TopGraphIndex(), 2);
    ExpectUndoRedo([&] { G(0).SetFixedRatio(true); });
    ExpectUndoRedo([&] { G(1).SetLogX(true); });
    ExpectUndoRedo([&] { G(1).SetLogY(true); });
    UndoAllAndCheckStores();
    EXPECT_EQ(window.TopGraphIndex(), 0);
    EXPECT_FALSE(G(1).LogX());
}

TEST_F(UndoTest, PermissionsGroupsAndAlignment) {
    ExpectUndoRedo([&] { G(0).SetAllowShiftX(false); });
    ExpectUndoRedo([&] { window.DrawPolicy.SetAllowAll(false, true, false, true); });
    ExpectUndoRedo([&] { G(0).SetPosGroupX(1); });
    ExpectUndoRedo([&] { G(1).SetScaleGroupY(1); });
    ExpectUndoRedo([&] { window.DrawPolicy.SetSinglePosY(true); });
    ExpectUndoRedo([&] { window.DrawPolicy.AlignScales(true, false); });
    UndoAllAndCheckStores();
    EXPECT_FALSE(window.DrawPolicy.SingleScaleX());
    EXPECT_EQ(G(0).PosGroupX(), -1);
}

TEST_F(UndoTest, DeletedGraphComesBackWhereItWas) {
    G(1).SetColor(0x00445566);
    G(1).Markers.Items = {{1, 2}};
    const int32_t id = G(1).ID;
    const int32_t layer = G(1).Layer();
    ExpectUndoRedo([&] { window.DeleteGraph(1); });
    window.Undo();
    ASSERT_EQ(window.GraphCount(), 3);
    EXPECT_EQ(G(1).ID, id);
    EXPECT_EQ(G(1).Name(), QStringLiteral("g1"));
    EXPECT_EQ(G(1).Layer(), layer);
    EXPECT_EQ(G(1).Color(), 0x00445566);
    EXPECT_EQ(G(1).Markers.Items, (TMarkerArray{{1, 2}}));
    EXPECT_EQ(G(1).XData, Thirds(11));
}

TEST_F(UndoTest, AddedAndDuplicatedGraphsGoAndComeBackWithTheirIDs) {
    ExpectUndoRedo(
        [&] { ASSERT_TRUE(window.AddGraph(QStringLiteral("new"), false, {}, Thirds(4), Thirds(4))); });
    const int32_t id = G(3).ID;
    window.Undo();
    EXPECT_EQ(window.GraphCount(), 3);
    window.Redo();
    EXPECT_EQ(G(3).ID, id);
    EXPECT_EQ(G(3).Name(), QStringLiteral("new"));
    ExpectUndoRedo([&] { window.DuplicateGraph(G(0)); });
    UndoAllAndCheckStores();
    EXPECT_EQ(window.GraphCount(), 3);
}

TEST_F(UndoTest, DeleteAllGraphsIsOneStep) {
    ExpectUndoRedo([&] { window.DeleteAllGraphs(); }, 3);
    window.Undo(); // the three deletions are one group
    window.Redo();
    EXPECT_EQ(window.GraphCount(), 0);
    window.Undo();
    EXPECT_EQ(window.GraphCount(), 3);
    EXPECT_EQ(window.GraphNames(),
              QStringList({QStringLiteral("g0"), QStringLiteral("g1"), QStringLiteral("g2")}));
    UndoAllAndCheckStores();
}

TEST_F(UndoTest, WholeDataAndMarkers) {
    G(0).Markers.Items = {{0.5L, 0.25L}};
    ExpectUndoRedo([&] { ASSERT_TRUE(G(0).SetData(Thirds(5, 100), Thirds(5, -100), Thirds(5))); }, 2);
    G(1).SetLogX(true);
    ExpectUndoRedo([&] { ASSERT_TRUE(G(1).SetData(Thirds(7, 2), Thirds(7))); });
    UndoAllAndCheckStores();
    EXPECT_EQ(G(0).XData, Thirds(10));
    EXPECT_EQ(G(0).Markers.Items, (TMarkerArray{{0.5L, 0.25L}}));
}

namespace {
// Records a node move as the mouse does: the record, then the views of all graphs.
void RecordNodes(TSuperGrWindow& window, const TEditNodes& edit) {
    window.RecordOp(UndoOp::Nodes);
    window.UndoSide.Nodes.append(edit);
    window.UndoSide.Views.append(window.CaptureViews());
    window.FinishRecord(UndoOp::Nodes);
}

// What the node operations do after changing the arrays.
void NodesChanged(TSuperGrWindow& window, TGraph& g) {
    g.Cache.Points.resize(g.NodeCount());
    g.Cache.NodeIndex.resize(g.NodeCount());
    g.Cache.Invalidate();
    g.RecomputeExtents();
    window.Rescale();
}
} // namespace

TEST_F(UndoTest, NodeSelectionAndMove) {
    TGraph& g = G(2);
    g.SetLogY(true);
    window.ClearUndoHistory();
    ExpectUndoRedo([&] { g.SelectNode(3); });
    ExpectUndoRedo([&] {
        TEditNodes edit{g.ID, {g.XData[5]}, {g.YSource[5]}, {}, {g.NodePixels()[5]}, {5}, enkMove};
        RecordNodes(window, edit);
        g.XData[5] = 100;
        g.YSource[5] = 1000;
        g.YData[5] = Log10(1000);
        NodesChanged(window, g);
    });
    UndoAllAndCheckStores();
    EXPECT_EQ(g.SelectedCount(), 0);
}

TEST_F(UndoTest, DeletedAndInsertedNodesKeepThePicture) {
    TGraph& g = G(2);
    g.SetLogY(true);
    g.NodePixels()[6].Selected = 1;
    window.ClearUndoHistory();
    const TDoubleArray x = g.XData, y = g.YSource;
    const Extended zoomX = g.ZoomX(), zoomY = g.ZoomY();
    const Extended firstPixel = g.DataToPixelX(g.XData[0]);
    auto expectOriginal = [&] {
        EXPECT_EQ(g.XData, x);
        EXPECT_EQ(g.YSource, y);
        EXPECT_EQ(g.NodePixels()[6].Selected, 1);
        EXPECT_NEAR(double(g.ZoomX() / zoomX), 1.0, 1e-15);
        EXPECT_NEAR(double(g.ZoomY() / zoomY), 1.0, 1e-15);
        EXPECT_NEAR(double(g.DataToPixelX(g.XData[0]) - firstPixel), 0.0, 1e-9);
    };

    ASSERT_TRUE(g.DeleteNode(0)); // the minimum: the extents change
    g.NodePixels()[5].Selected = 1;
    g.DeleteSelectedNodes();
    EXPECT_EQ(g.NodeCount(), 10);
    window.Undo();
    window.Undo();
    expectOriginal();
    window.Redo();
    window.Redo();
    EXPECT_EQ(g.NodeCount(), 10);
    EXPECT_EQ(g.XData.first(), x[1]);
    window.Undo();
    window.Undo();
    expectOriginal();

    ASSERT_TRUE(g.InsertNodes(-1, {-5, -4}, {2, 3}, {}, false));
    ASSERT_TRUE(g.InsertNodes(100, {50}, {4}, {}, true));
    EXPECT_EQ(g.NodeCount(), 15);
    window.Undo();
    window.Undo();
    expectOriginal();
    window.Redo();
    window.Redo();
    EXPECT_EQ(g.NodeCount(), 15);
    EXPECT_EQ(g.XData.first(), -5);
    EXPECT_EQ(g.YSource.last(), 4);
    UndoAllAndCheckStores();
    expectOriginal();
}

TEST_F(UndoTest, ToolModeAndLegendSettings) {
    ExpectUndoRedo([&] {
        window.RecordInteger(UndoOp::ToolMode, -1, window.ToolMode());
        window.UndoRecording = false;
        window.SetToolMode(tmEdit);
        window.UndoRecording = true;
    });
    ExpectUndoRedo([&] { window.SetShowLegend(true); });
    ExpectUndoRedo([&] { window.SetLegendFrame(false); });
    ExpectUndoRedo([&] { window.SetLegendBackground(false); });
    ExpectUndoRedo([&] { window.SetLegendOffsetY(-4); });
    ExpectUndoRedo([&] { window.SetLegendOffsetX(9); });
    ExpectUndoRedo([&] { window.SetLegendColumns(3); });
    ExpectUndoRedo([&] { window.SetLegendBorderWidth(6); });
    ExpectUndoRedo([&] { window.SetLegendPosition(2); });
    UndoAllAndCheckStores();
    EXPECT_EQ(window.ToolMode(), tmNothing);
    EXPECT_FALSE(window.ShowLegend());
}

TEST_F(UndoTest, ViewsOfAllGraphs) {
    window.UndoRecording = false;
    G(0).SetZoomX(2.5L);
    G(1).Mapping.ShiftY = 1.0L / 3;
    window.UndoRecording = true;
    ExpectUndoRedo([&] { window.AutoScale(); });
    window.Undo();
    EXPECT_EQ(G(0).ZoomX(), 2.5L);
    EXPECT_EQ(G(1).Mapping.ShiftY, 1.0L / 3);
}

TEST_F(UndoTest, EventsAndModified) {
    G(0).SetColor(1);
    G(0).SetColor(2);
    window.SetModified(false);
    QList<QList<int>> events;
    const TEventConnection listening =
        window.Events.OnUndoRedoOp.Listen([&](TComponent*, int op, bool haveUndo, bool haveRedo) {
            events.append({op, haveUndo, haveRedo});
        });
    window.Undo();
    EXPECT_EQ(events, (QList<QList<int>>{{UndoOp::Color, 1, 1}}));
    EXPECT_TRUE(window.Modified());
    window.Undo();
    window.Undo(); // nothing left: nothing happens
    EXPECT_EQ(events.size(), 2);
    EXPECT_EQ(events.last(), (QList<int>{UndoOp::Color, 0, 1}));
    window.Redo();
    G(0).SetColor(3); // a new change empties the redo side
    EXPECT_FALSE(window.HaveRedo());
}

TEST_F(UndoTest, GroupsUndoAndRedoAsAWhole) {
    window.SetUndoGrouping(true);
    G(0).SetColor(1);
    G(1).SetColor(2);
    G(2).SetColor(3);
    window.SetUndoGrouping(false);
    G(0).SetLineWidth(4);
    window.Undo();
    EXPECT_EQ(G(0).LineWidth(), 1);
    EXPECT_EQ(G(2).Color(), 3);
    window.Undo();
    EXPECT_NE(G(0).Color(), 1);
    EXPECT_NE(G(2).Color(), 3);
    EXPECT_FALSE(window.HaveUndo());
    window.Redo();
    EXPECT_EQ(G(0).Color(), 1);
    EXPECT_EQ(G(2).Color(), 3);
    EXPECT_EQ(window.RedoSide.Ops.size(), 1);
}

TEST_F(UndoTest, GroupNumbersWrapAfter255) {
    for (int n = 1; n <= 255; ++n) {
        window.SetUndoGrouping(true);
        EXPECT_EQ(window.CurrentGroup(), n);
        G(0).SetColor(n);
        window.SetUndoGrouping(false);
    }
    window.SetUndoGrouping(true);
    EXPECT_EQ(window.CurrentGroup(), 1);
    G(1).SetColor(7);
    G(1).SetLineWidth(7);
    window.SetUndoGrouping(false);
    window.Undo(); // only the group of two, not the neighbouring group 255
    EXPECT_EQ(G(0).Color(), 255);
    EXPECT_EQ(window.UndoSide.Ops.size(), 255);
}

TEST_F(UndoTest, UndoGroupIfOpenUndoesOnlyItsOwnGroup) {
    window.SetUndoGrouping(true);
    G(0).SetColor(1);
    window.SetUndoGrouping(false);

    // A dialog opens its group and changes nothing: the earlier group stays.
    window.SetUndoGrouping(true);
    window.UndoGroupIfOpen();
    EXPECT_EQ(G(0).Color(), 1);
    G(1).SetColor(5);
    G(1).SetLineWidth(5);
    window.UndoGroupIfOpen();
    window.SetUndoGrouping(false);
    EXPECT_EQ(G(1).LineWidth(), 1);
    EXPECT_NE(G(1).Color(), 5);
    EXPECT_EQ(G(0).Color(), 1);

    // With no group open nothing is undone.
    window.UndoGroupIfOpen();
    EXPECT_EQ(G(0).Color(), 1);
}

TEST_F(UndoTest, EntriesOfDeletedGraphsAreSkippedWithTheirValues) {
    G(1).SetColor(9);
    G(1).SetName(QStringLiteral("x"));
    G(1).Markers.Items = {{1, 1}};
    ASSERT_TRUE(G(1).SetData(Thirds(3), Thirds(3)));
    G(0).SetColor(8);
    window.UndoRecording = false;
    window.DeleteGraph(1);
    window.UndoRecording = true;
    window.Undo(); // G(0)'s colour
    window.Undo(); // the rest belongs to the graph that is gone
    while (window.HaveUndo())
        window.Undo();
    ExpectStoresEmpty(window.UndoSide);
    EXPECT_EQ(window.RedoSide.Ops.size(), 1);
    EXPECT_EQ(window.RedoSide.Integers.size(), 1);
}

TEST_F(UndoTest, ABrokenHistoryIsCleared) {
    G(0).SetColor(1);
    window.RecordOp(10); // no operation records code 10
    bool haveUndo = true, haveRedo = true;
    const TEventConnection listening = window.Events.OnUndoRedoOp.Listen(
        [&](TComponent*, int, bool u, bool r) { haveUndo = u, haveRedo = r; });
    window.Undo();
    EXPECT_FALSE(window.HaveUndo());
    EXPECT_FALSE(window.HaveRedo());
    EXPECT_FALSE(haveUndo);
    EXPECT_FALSE(haveRedo);
    ExpectStoresEmpty(window.UndoSide);
}

TEST_F(UndoTest, ViewUndoAnimatesToTheKeptView) {
    const ManualTime time = UseManualTime(window);
    ManualClock& now = *time.Clock;
    ManualTimer& ticks = *time.Timer;
    window.UndoRecording = false;
    G(0).SetZoomX(3);
    G(0).Mapping.ShiftX = 2;
    window.UndoRecording = true;
    window.AutoScale();
    const Extended fitted = G(0).ZoomX();

    window.AnimatedUndo = true;
    int started = 0, stopped = 0;
    window.Events.OnStartAnimation = [&](TComponent*) { ++started; };
    window.Events.OnStopAnimation = [&](TComponent*) { ++stopped; };
    window.Undo();
    EXPECT_TRUE(window.Animating());
    EXPECT_TRUE(ticks.Active);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(G(0).ZoomX(), fitted); // the animation starts from the view before the undo
    now.Now = window.AnimationTime() + 1;
    window.AnimationTick();
    EXPECT_FALSE(window.Animating());
    EXPECT_EQ(stopped, 1);
    EXPECT_NEAR(double(G(0).ZoomX()), 3.0, 1e-15);
    EXPECT_NEAR(double(G(0).Mapping.ShiftX), 2.0, 1e-15);

    // A second undo while one animates first puts the running one at its end.
    window.Redo();
    EXPECT_TRUE(window.Animating());
    window.Undo();
    now.Now += window.AnimationTime() + 1;
    window.AnimationTick();
    EXPECT_NEAR(double(G(0).ZoomX()), 3.0, 1e-15);
}

TEST_F(UndoTest, LogarithmicAxesGiveMarkersBackExactly) {
    G(1).AddMarkerAtNode(1);
    G(1).AddMarkerAtNode(7);
    const TMarkerArray markers = G(1).Markers.Items;
    window.ClearUndoHistory();
    G(1).SetLogY(true);
    const TMarkerArray logs = G(1).Markers.Items;
    G(1).SetLogY(false);
    G(1).SetLogY(true);
    for (int i = 0; i < 3; ++i)
        window.Undo();
    EXPECT_FALSE(G(1).LogY());
    EXPECT_EQ(G(1).Markers.Items, markers);
    window.Redo();
    EXPECT_TRUE(G(1).LogY());
    EXPECT_EQ(G(1).Markers.Items, logs);
}
