#include "model/DecimalLog.h"
#include "model/Graph.h"
#include "model/Notifier.h"
#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"
#include "window/SuperGrWindow.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
using testutil::Ramp;
using testutil::Values;

struct GraphFixture : WindowTest {
    TGraph* AddRamp(int n = 11) { return Add(Ramp(n), Ramp(n)); }
    QList<uint8_t> OpCodes() const {
        QList<uint8_t> codes;
        for (const auto& op : window.UndoSide.Ops)
            codes.append(op.OpType);
        return codes;
    }
};
} // namespace

TEST_F(GraphFixture, CreationDefaults) {
    TGraph* g = AddRamp();
    EXPECT_EQ(g->LineWidth(), 1);
    EXPECT_EQ(g->LineStyle(), 0);
    EXPECT_EQ(g->WidthScale(), 1.0L);
    EXPECT_EQ(g->BreakMode(), 3);
    EXPECT_EQ(g->BreakLimit(), 0);
    EXPECT_TRUE(g->Visible());
    EXPECT_TRUE(g->MarkersVisible());
    EXPECT_TRUE(g->InLegend());
    EXPECT_TRUE(g->MarkerKeepColor());
    EXPECT_FALSE(g->ShowNodes() || g->DateTimeArg() || g->FixedRatio() || g->LogX() || g->LogY());
    EXPECT_EQ(g->XDesignLayout(), 1);
    EXPECT_EQ(g->YDesignLayout(), 3);
    EXPECT_EQ(g->PosGroupX(), -1);
    EXPECT_EQ(g->ScaleGroupY(), -1);
    EXPECT_EQ(g->MarkerText(), QStringLiteral("0"));
    EXPECT_EQ(g->Reserved[0], 10);
    const TGrSymRecord& d = g->Designation(dsYDimension);
    EXPECT_FALSE(d.Show);
    EXPECT_TRUE(d.IsText);
    EXPECT_EQ(d.Symbol.Aspect, 1.0L);
    EXPECT_EQ(d.Symbol.HAlign, 1);
    EXPECT_EQ(d.Symbol.VAlign, 1);
    // The first graph may always be moved and scaled.
    EXPECT_TRUE(g->AllowShiftX() && g->AllowShiftY() && g->AllowScaleX() && g->AllowScaleY());
}

TEST_F(GraphFixture, EmptyGraphExtents) {
    TGraph* g = Add({}, {});
    EXPECT_EQ(g->NodeCount(), 0);
    EXPECT_EQ(g->XMin(), 1);
    EXPECT_EQ(g->XMax(), -1);
    EXPECT_EQ(g->XMid(), 0);
    EXPECT_EQ(g->YMin(), 1);
    EXPECT_EQ(g->ZMax(), -1);
}

TEST_F(GraphFixture, ExtentsReachBeyondTheDoubleRange) {
    TGraph* g = Add(Values({1e400L, 2e400L}), Values({-3e400L, -1e400L}));
    EXPECT_EQ(g->XMin(), 1e400L);
    EXPECT_EQ(g->XMax(), 2e400L);
    EXPECT_EQ(g->YMin(), -3e400L);
    EXPECT_EQ(g->YMax(), -1e400L);
    EXPECT_EQ(g->YMid(), -2e400L);
}

TEST_F(GraphFixture, ExtentsIgnoreNaN) {
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    TGraph* g = Add(Values({nan, 2, 5}), Values({1, nan, 3}));
    EXPECT_EQ(g->XMin(), 2);
    EXPECT_EQ(g->XMax(), 5);
    EXPECT_EQ(g->YMin(), 1);
    EXPECT_EQ(g->YMax(), 3);
}

TEST_F(GraphFixture, ExtentsIgnoreInfinities) {
    constexpr Extended inf = std::numeric_limits<Extended>::infinity();
    constexpr Extended largest = std::numeric_limits<Extended>::max();
    TGraph* g = Add(Values({inf, 2, -inf, 5}), Values({-inf, -inf, inf, inf}));
    EXPECT_EQ(g->XMin(), 2);
    EXPECT_EQ(g->XMax(), 5);
    EXPECT_EQ(g->XMid(), 3.5L);
    // No finite value: the extents of no values.
    EXPECT_EQ(g->YMin(), 1);
    EXPECT_EQ(g->YMax(), -1);
    // The middle of extents near the largest value does not overflow.
    g = Add(Values({largest, largest / 2}), Values({-largest, -largest}));
    EXPECT_EQ(g->XMid(), largest / 2 + largest / 4);
    EXPECT_EQ(g->YMid(), -largest);
}

TEST_F(GraphFixture, ExtentsOfALargeGraph) {
    // Large enough for the abscissas to be scanned on a thread of their own.
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    TDoubleArray x = Ramp(300000), y(300000, 0);
    x[0] = nan;
    x[123456] = -1.0L / 3;
    y[299999] = 7.0L / 3;
    y[5] = nan;
    TGraph* g = Add(x, y);
    EXPECT_EQ(g->XMin(), -1.0L / 3);
    EXPECT_EQ(g->XMax(), 299999);
    EXPECT_EQ(g->XMid(), (299999 - 1.0L / 3) / 2);
    EXPECT_EQ(g->YMin(), 0);
    EXPECT_EQ(g->YMax(), 7.0L / 3);
}

TEST_F(GraphFixture, DataAccess) {
    TGraph* g = Add(Values({1, 2, 3}), Values({4, 5, 6}));
    TDoubleArray x, y, z;
    EXPECT_FALSE(g->GetXYZ(x, y, z)); // no Z
    EXPECT_TRUE(g->GetXY(x, y));
    EXPECT_EQ(x, Values({1, 2, 3}));
    Extended nx = 0, ny = 0;
    EXPECT_TRUE(g->GetNode(2, nx, ny));
    EXPECT_EQ(nx, 3);
    EXPECT_EQ(ny, 6);
    EXPECT_FALSE(g->GetNode(3, nx, ny));
    EXPECT_FALSE(g->GetNode(-1, nx, ny));

    EXPECT_FALSE(g->SetData(Values({1, 2}), Values({1})));
    EXPECT_FALSE(g->SetData(Values({1, 2}), Values({1, 2}), Values({1})));
    EXPECT_EQ(g->NodeCount(), 3);
    EXPECT_TRUE(g->SetData(Values({1, 2}), Values({3, 4}), Values({5, 6})));
    EXPECT_TRUE(g->GetXYZ(x, y, z));
    EXPECT_EQ(z, Values({5, 6}));
    EXPECT_EQ(g->NodePixels().size(), 2);
}

TEST_F(GraphFixture, SetDataRecordsReplacementAndClearsMarkers) {
    TGraph* g = Add(Values({1, 2, 3}), Values({4, 5, 6}));
    g->Markers.Items.append({2, 5});
    window.ClearUndoHistory();
    int dataEvents = 0;
    const TEventConnection listening =
        window.Events.OnChangeGraphData.Listen([&](TComponent*, int id) { dataEvents += id == g->ID; });
    ASSERT_TRUE(g->SetData(Values({7}), Values({8})));
    EXPECT_EQ(g->Markers.Count(), 0);
    EXPECT_EQ(OpCodes(), (QList<uint8_t>{UndoOp::Markers, UndoOp::Nodes}));
    ASSERT_EQ(window.UndoSide.Nodes.size(), 1);
    const TEditNodes& edit = window.UndoSide.Nodes.first();
    EXPECT_EQ(edit.Kind, enkReplaceAll);
    EXPECT_EQ(edit.X, Values({1, 2, 3}));
    EXPECT_EQ(edit.Y, Values({4, 5, 6}));
    EXPECT_EQ(window.UndoSide.Views.size(), 1);
    EXPECT_EQ(dataEvents, 1);
}

TEST_F(GraphFixture, LogarithmicAxes) {
    TGraph* g = Add(Values({1, 10, 100}), Values({0, 1, 2}));
    g->Markers.Items.append({10, 1});
    g->SetLogX(true);
    ASSERT_TRUE(g->LogX());
    EXPECT_EQ(g->XData, Values({0, 1, 2}));
    EXPECT_EQ(g->XSource, Values({1, 10, 100}));
    EXPECT_EQ(g->Markers.Items[0].X, 1);
    TDoubleArray x, y;
    g->GetXY(x, y);
    EXPECT_EQ(x, Values({1, 10, 100})); // real values
    g->SetLogX(false);
    EXPECT_EQ(g->XData, Values({1, 10, 100}));
    EXPECT_TRUE(g->XSource.isEmpty());
    EXPECT_EQ(g->Markers.Items[0].X, 10);

    // Zero and negative values: refused silently, the minimum is tested first.
    g->SetLogY(true);
    EXPECT_FALSE(g->LogY());
    EXPECT_EQ(g->YData, Values({0, 1, 2}));
}

// Powers of ten sit exactly on the decade lines of a logarithmic axis, whatever the processor's
// library gives for log10; other values keep the library's logarithm.
TEST_F(GraphFixture, PowersOfTenMapExactlyOntoDecades) {
    TDoubleArray powers, decades;
    for (int k = -27; k <= 27; ++k) {
        powers.append(Pow10(k));
        decades.append(k);
        EXPECT_EQ(Log10(Pow10(k)), k) << k;
    }
    TGraph* g = Add(powers, powers);
    g->SetLogY(true);
    EXPECT_EQ(g->YData, decades);
    volatile Extended notAPower = 2000, pastTheExactPowers = 1e28L;
    // The library's own run-time value, the same call Log10 makes.
    const Extended library2000 = std::log10(Extended(notAPower)),
                   library1e28 = std::log10(Extended(pastTheExactPowers));
    EXPECT_EQ(Log10(2000), library2000);
    EXPECT_EQ(Log10(1e28L), library1e28);
}

TEST_F(GraphFixture, FailedLogarithmRestoresAndTellsTheUser) {
    QString message;
    SetMessageHandler([&](const QString& text) { message = text; });
    const Extended inf = std::numeric_limits<Extended>::infinity();
    TGraph* g = Add(Values({1, 2, 3}), Values({1, 2, inf}));
    g->SetLogY(true);
    EXPECT_FALSE(g->LogY());
    EXPECT_EQ(g->YData, Values({1, 2, inf}));
    EXPECT_TRUE(g->YSource.isEmpty());
    EXPECT_EQ(message, QStringLiteral("При попытке логарифмировать данные по оси Y произошла ошибка!"));
    SetMessageHandler({});
}

TEST_F(GraphFixture, SetDataOnLogAxisWithNonPositiveValuesFallsBackSilently) {
    TGraph* g = Add(Values({1, 10}), Values({1, 2}));
    g->SetLogX(true);
    ASSERT_TRUE(g->SetData(Values({-1, 10}), Values({1, 2})));
    EXPECT_FALSE(g->LogX());
    EXPECT_EQ(g->XData, Values({-1, 10}));
    ASSERT_TRUE(g->SetData(Values({1, 2}), Values({1, 2})));
    EXPECT_FALSE(g->LogX());
}

TEST_F(GraphFixture, PixelMappingAndZeroScales) {
    TGraph* g = AddRamp();
    const Extended x = 3.25L;
    EXPECT_NEAR(double(g->PixelToDataX(g->DataToPixelX(x))), 3.25, 1e-12);
    EXPECT_NEAR(double(g->PixelToDataY(g->DataToPixelY(x))), 3.25, 1e-12);

    g->Mapping.FitX = 0;
    g->Mapping.FitY = 0;
    EXPECT_EQ(g->PixelToDataX(window.OriginX + 5), 1.7e308L);
    EXPECT_EQ(g->PixelToDataX(window.OriginX - 5), -1.7e308L);
    EXPECT_EQ(g->PixelToDataX(window.OriginX), 0);
    // Y grows upwards: a pixel above the origin is a positive direction, whatever the data centre.
    EXPECT_EQ(g->PixelToDataY(window.OriginY - 5), 1.7e308L);
    EXPECT_EQ(g->PixelToDataY(window.OriginY + 5), -1.7e308L);
    EXPECT_EQ(g->PixelToDataY(window.OriginY), 0);
    EXPECT_EQ(g->PixelLengthToDataX(3), 1.7e308L);
}

TEST_F(GraphFixture, FitNeverMirrors) {
    TGraph* g = Add(Values({0, 10}), Values({0, 20}));
    g->Fit({0, 0, 101, 51});
    EXPECT_EQ(g->Mapping.FitX, 10.0L);
    EXPECT_EQ(g->Mapping.FitY, 2.5L);
    g->Fit({5, 5, 5, 5});
    EXPECT_EQ(g->Mapping.FitX, 0.1L);
    EXPECT_EQ(g->Mapping.FitY, 0.05L);
    g->Fit({0, 0, 1, 1});
    EXPECT_EQ(g->Mapping.FitX, 0.1L);
    // Reversed rectangles have the same size.
    g->Fit({101, 51, 0, 0});
    EXPECT_EQ(g->Mapping.FitX, 10.0L);
}

TEST_F(GraphFixture, FitWidensAZeroRange) {
    TGraph* g = Add(Values({5, 5}), Values({0, 0}));
    g->Fit({0, 0, 11, 11});
    EXPECT_NEAR(double(g->Mapping.FitX), 100.0, 1e-9); // 5 ± 1 %
    EXPECT_NEAR(double(g->Mapping.FitY), 500.0, 1e-9); // 0 ± 0.01
}

TEST_F(GraphFixture, ZoomSettersIgnoreHugeValues) {
    TGraph* g = AddRamp();
    g->SetZoomX(2);
    g->SetZoomX(1e15L);
    EXPECT_EQ(g->ZoomX(), 2);
    g->SetZoomY(1e16L);
    EXPECT_NE(g->ZoomY(), 1e16L);
}

TEST_F(GraphFixture, FixedRatioEqualsPixelLengths) {
    TGraph* g = Add(Values({0, 10}), Values({0, 100}));
    g->SetFixedRatio(true);
    EXPECT_NEAR(double(g->DataLengthToPixelX(1)), double(g->DataLengthToPixelY(1)), 1e-12);
}

TEST_F(GraphFixture, ColourAndMarkerColour) {
    TGraph* g = AddRamp();
    window.ClearUndoHistory();
    QList<std::pair<int, int>> styleEvents;
    const TEventConnection listening =
        window.Events.OnChangeGraphStyle.Listen([&](TComponent*, int, int vtype, int value) {
            styleEvents.append({vtype, value});
        });
    g->SetColor(0x123456);
    EXPECT_EQ(g->MarkerColor(), 0x123456);
    EXPECT_EQ(OpCodes(), QList<uint8_t>{UndoOp::Color}); // one step for both colours
    EXPECT_EQ(styleEvents, (QList<std::pair<int, int>>{{3, 0x123456}, {15, 0x123456}}));

    // A marker colour of its own ends keeping the line colour: both in one group.
    g->SetMarkerColor(0x654321);
    EXPECT_FALSE(g->MarkerKeepColor());
    EXPECT_EQ(OpCodes(), (QList<uint8_t>{UndoOp::Color, UndoOp::MarkerColor, UndoOp::MarkerKeepColor}));
    const auto& ops = window.UndoSide.Ops;
    EXPECT_NE(ops[1].Group, 0);
    EXPECT_EQ(ops[1].Group, ops[2].Group);
    g->SetColor(0x111111);
    EXPECT_EQ(g->MarkerColor(), 0x654321);

    g->SetMarkerKeepColor(true);
    EXPECT_EQ(g->MarkerColor(), 0x111111);
    EXPECT_EQ(ops[ops.size() - 2].OpType, UndoOp::MarkerKeepColor);
    EXPECT_EQ(ops.last().OpType, UndoOp::MarkerColor);
    EXPECT_EQ(ops.last().Group, ops[ops.size() - 2].Group);
}

TEST_F(GraphFixture, SettersRecordOldValuesOnlyOnChange) {
    TGraph* g = AddRamp();
    window.ClearUndoHistory();
    g->SetLineWidth(1);
    g->SetVisible(true);
    g->SetName(g->Name());
    EXPECT_TRUE(window.UndoSide.IsEmpty());

    g->SetLineWidth(4);
    g->SetWidthScale(0);
    g->SetName(QStringLiteral("Давление"));
    g->SetDesignationText(dsXDimension, QStringLiteral("с"));
    g->SetBreakLimit(2.5L);
    EXPECT_EQ(OpCodes(), (QList<uint8_t>{12, 55, 1, 24, 18}));
    EXPECT_EQ(g->WidthScale(), 0.001L);
    EXPECT_EQ(window.UndoSide.Integers.last().Value, 1);
    EXPECT_EQ(window.UndoSide.Integers.last().GraphID, g->ID);
    EXPECT_EQ(window.UndoSide.Doubles[0].Value, 1.0L);
    EXPECT_EQ(window.UndoSide.Doubles[1].Value, 0.0L);
    EXPECT_EQ(window.UndoSide.Strings[0].Value, QStringLiteral("График"));

    // Recording off: nothing is kept.
    window.UndoRecording = false;
    g->SetLineStyle(6);
    EXPECT_EQ(window.UndoSide.Ops.size(), 5);
    EXPECT_TRUE(g->Cache.Stale(TViewCache::Polyline));
}

TEST_F(GraphFixture, LayerMovesTheGraphsBetween) {
    for (int i = 0; i < 5; ++i)
        AddRamp();
    TGraph* moved = window.GraphByIndex(4);
    ASSERT_EQ(moved->Layer(), 4);
    moved->SetLayer(1);
    EXPECT_EQ(moved->Layer(), 1);
    EXPECT_EQ(window.GraphByIndex(0)->Layer(), 0);
    EXPECT_EQ(window.GraphByIndex(1)->Layer(), 2);
    EXPECT_EQ(window.GraphByIndex(2)->Layer(), 3);
    EXPECT_EQ(window.GraphByIndex(3)->Layer(), 4);
    EXPECT_EQ(window.UndoSide.Layers.last().size(), 5);

    std::pair<int, int> top{-9, -9};
    window.Events.OnChangeTopGraph = [&](TComponent*, int was, int cur) { top = {was, cur}; };
    moved->SetLayer(0);
    EXPECT_EQ(top, std::make_pair(0, 4));
    // Outside 0 .. count - 1: ignored.
    moved->SetLayer(5);
    moved->SetLayer(-1);
    EXPECT_EQ(moved->Layer(), 0);
}

TEST_F(GraphFixture, SinglePositionMakesOneGroup) {
    TGraph* a = AddRamp();
    TGraph* b = AddRamp();
    TGraph* c = AddRamp();
    window.DrawPolicy.SetSingleDirect(0, true); // SinglePosX
    EXPECT_EQ(a->EffectivePosGroupX(), 0);
    EXPECT_EQ(c->EffectivePosGroupX(), 0);
    EXPECT_EQ(c->EffectivePosGroupY(), -1);
    QList<int> members;
    EXPECT_TRUE(b->PosGroupMembersX(members));
    EXPECT_EQ(members, (QList<int>{0, 1, 2}));

    a->SetAllowShiftX(false);
    EXPECT_FALSE(b->AllowShiftX());
    EXPECT_FALSE(c->AllowShiftX());
    a->SetAllowShiftX(true);
    EXPECT_TRUE(b->AllowShiftX() && c->AllowShiftX());
    // Y is not aligned: only the graph itself changes.
    a->SetAllowShiftY(false);
    EXPECT_FALSE(a->AllowShiftY());
    EXPECT_TRUE(b->AllowShiftY());
}

TEST_F(GraphFixture, ScaleClosureFollowsFixedRatio) {
    TGraph* a = AddRamp();
    TGraph* b = AddRamp();
    TGraph* c = AddRamp();
    AddRamp();
    window.UndoRecording = false;
    a->SetScaleGroupX(1);
    b->SetScaleGroupX(1);
    b->SetScaleGroupY(2);
    c->SetScaleGroupY(2);
    b->SetFixedRatio(true);
    QList<int> xs, ys;
    ASSERT_TRUE(a->ScaleGroupMembers(TAxis::X, xs, ys));
    std::sort(xs.begin(), xs.end());
    std::sort(ys.begin(), ys.end());
    EXPECT_EQ(xs, (QList<int>{0, 1}));
    EXPECT_EQ(ys, (QList<int>{1, 2}));
    QList<int> none1, none2;
    EXPECT_FALSE(window.GraphByIndex(3)->ScaleGroupMembers(TAxis::X, none1, none2));

    EXPECT_EQ(window.FirstFreeGroup(TSuperGrWindow::GroupKind::ScaleX), 2);
    EXPECT_EQ(window.FirstFreeGroup(TSuperGrWindow::GroupKind::PosX), 1);
    // A group switches its permission on.
    c->SetAllowScaleY(false);
    EXPECT_FALSE(c->AllowScaleY());
}

TEST_F(GraphFixture, FirstFreeGroupWhenAllEightAreUsed) {
    window.UndoRecording = false;
    for (int g = 1; g <= 8; ++g)
        AddRamp()->SetPosGroupY(g);
    EXPECT_EQ(window.FirstFreeGroup(TSuperGrWindow::GroupKind::PosY), -1);
}

TEST_F(GraphFixture, AssignFromCopiesEverything) {
    TGraph* a = Add(Values({1, 2, 3}), Values({3, 4, 5}), QStringLiteral("A"));
    a->SetColor(0x00AA00);
    a->SetLineStyle(2);
    a->SetDateTimeArg(true);
    a->SetDesignationText(dsYData, QStringLiteral("P"));
    a->Markers.Items.append({2, 4});
    TGraph* copy = window.DuplicateGraph(*a);
    EXPECT_NE(copy->ID, a->ID);
    EXPECT_EQ(copy->Name(), QStringLiteral("A"));
    EXPECT_EQ(copy->Color(), 0x00AA00);
    EXPECT_EQ(copy->LineStyle(), 2);
    EXPECT_TRUE(copy->DateTimeArg());
    EXPECT_EQ(copy->Designation(dsYData).Text, QStringLiteral("P"));
    EXPECT_EQ(copy->XData, a->XData);
    EXPECT_EQ(copy->Markers.Count(), 1);
    EXPECT_EQ(copy->Layer(), 1);
    // The copy is independent of the original.
    a->XData[0] = 100;
    EXPECT_EQ(copy->XData[0], 1);
}

TEST_F(GraphFixture, DecimalTickSteps) {
    TGraph* g = AddRamp();
    g->Mapping.FitX = 1;
    g->SetZoomX(1);
    EXPECT_EQ(g->ComputeTickStep(TTickVariant::DecimalX, 50), 50.0L); // 10, 20, 50
    EXPECT_EQ(g->Mapping.TickStepX, 50.0L);
    EXPECT_EQ(g->ComputeTickStep(TTickVariant::DecimalX, 74), 100.0L); // 10, 20, 50, then doubled
    g->Mapping.FitY = 4;
    g->SetZoomY(1);
    // 42 px are 10.5 units: start at 10 units = 40 px, no room for more.
    EXPECT_EQ(g->ComputeTickStep(TTickVariant::DecimalY, 42), 40.0L);
    EXPECT_EQ(g->Mapping.TickStepY, 40.0L);
}

TEST_F(GraphFixture, CalendarTickSteps) {
    TGraph* g = AddRamp();
    g->SetZoomX(1);
    g->Mapping.FitX = 86400;                                                         // one pixel per second
    EXPECT_NEAR(double(g->ComputeTickStep(TTickVariant::Seconds, 50)), 60.0, 1e-9);  // 1,2,3,5,10,15,30,60
    g->Mapping.FitX = 1440;                                                          // one pixel per minute
    EXPECT_NEAR(double(g->ComputeTickStep(TTickVariant::Minutes, 20)), 30.0, 1e-9);  // 1,2,3,5,10,15,30
    g->Mapping.FitX = 24;                                                            // one pixel per hour
    EXPECT_NEAR(double(g->ComputeTickStep(TTickVariant::Hours, 10)), 12.0, 1e-9);    // 1,2,3,6,12
    g->Mapping.FitX = 1;                                                             // one pixel per day
    EXPECT_NEAR(double(g->ComputeTickStep(TTickVariant::Days, 13)), 14.0, 1e-9);     // 1,2,7,10,14
    EXPECT_NEAR(double(g->ComputeTickStep(TTickVariant::Months, 100)), 112.0, 1e-9); // 28,56,84,112
    g->Mapping.FitX = 86400.0L * 1000; // one pixel per millisecond
    EXPECT_NEAR(double(g->ComputeTickStep(TTickVariant::SecondFractions, 50)), 50.0, 1e-6);
}

TEST_F(GraphFixture, MarkerPickUsesTheRadius) {
    TGraph* g = AddRamp();
    g->Markers.Items = {{2, 2}, {5, 5}};
    const int px = g->DataToPixelXi(5), py = g->DataToPixelYi(5);
    EXPECT_TRUE(g->Markers.Pick(px + 3, py));
    EXPECT_EQ(g->Markers.SelectedIndex, 1);
    g->Markers.SelectedIndex = -1;
    EXPECT_FALSE(g->Markers.Pick(px + 3, py + 3)); // 4.24 px away
    EXPECT_EQ(g->Markers.SelectedIndex, -1);
}
