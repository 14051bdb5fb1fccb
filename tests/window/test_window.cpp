#include "tests/common/TestData.h"
#include "window/SuperGrWindow.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
using testutil::Ramp;

struct WindowFixture : ::testing::Test {
    TSuperGrWindow window;
    bool Add(const QString& name = {}, int n = 11) {
        return window.AddGraph(name, false, {}, Ramp(n), Ramp(n));
    }
};
} // namespace

TEST_F(WindowFixture, ConstructionDefaults) {
    EXPECT_EQ(window.GraphCount(), 0);
    EXPECT_EQ(window.ClientRect(), (TRect{0, 0, 300, 200}));
    EXPECT_EQ(window.AxisFont().Name, QStringLiteral("Microsoft Sans Serif"));
    EXPECT_EQ(window.AxisFont().Size, 8);
    EXPECT_EQ(window.Margins.Left(), 50);
    EXPECT_EQ(window.Margins.Bottom(), 20);
    EXPECT_EQ(window.ZoomSpeed.ZoomNormal(), 1.1L);
    EXPECT_EQ(window.InitialScaleX, 0.97L);
    EXPECT_EQ(window.AnimationTime(), 800u);
    EXPECT_EQ(window.GridStyle(), 2);
    EXPECT_EQ(window.LegendPosition(), 8);
    EXPECT_EQ(window.LegendRect, (TRect{0, 0, 100, 100}));
    EXPECT_EQ(window.Colors.Get(TColorStruct::UnActiveBorder), 0xC0C0C0);
    EXPECT_EQ(window.Colors.Get(TColorStruct::Inside), clWindow);
    EXPECT_EQ(window.GraphsPalette.Get(0), 0x00FFFF);
    EXPECT_EQ(window.GraphsPalette.Get(17), 0x000000);
    EXPECT_EQ(window.GraphsPalette.Get(18), clNoColor);
    EXPECT_EQ(window.GraphsPalette.Get(-1), clNoColor);
    EXPECT_FALSE(window.Modified());
}

TEST_F(WindowFixture, NamesAreMadeUnique) {
    ASSERT_TRUE(Add());
    ASSERT_TRUE(Add());
    ASSERT_TRUE(Add());
    EXPECT_EQ(window.GraphByIndex(0)->Name(), QStringLiteral("График"));
    EXPECT_EQ(window.GraphByIndex(1)->Name(), QStringLiteral("График (1)"));
    EXPECT_EQ(window.GraphByIndex(2)->Name(), QStringLiteral("График (2)"));
    // Blanks around a name do not make it different.
    ASSERT_TRUE(Add(QStringLiteral(" P ")));
    ASSERT_TRUE(Add(QStringLiteral("P")));
    EXPECT_EQ(window.GraphByIndex(4)->Name(), QStringLiteral("P (1)"));
}

TEST_F(WindowFixture, PaletteColoursAndWrapAround) {
    window.UsePalette = true;
    for (int i = 0; i < 18; ++i)
        ASSERT_TRUE(Add());
    for (int i = 0; i < 18; ++i)
        EXPECT_EQ(window.GraphByIndex(i)->Color(), window.GraphsPalette.Get(i));
    ASSERT_TRUE(Add());
    EXPECT_EQ(window.GraphByIndex(18)->Color(), window.GraphsPalette.Get(19 % 18));
    EXPECT_EQ(window.GraphByIndex(18)->MarkerColor(), window.GraphsPalette.Get(1));
    // A freed palette colour is taken again first.
    window.DeleteGraph(5);
    ASSERT_TRUE(Add());
    EXPECT_EQ(window.GraphByIndex(18)->Color(), window.GraphsPalette.Get(5));
}

TEST_F(WindowFixture, AddGraphAssignsLayerSymbolAndEvents) {
    QList<QString> events;
    const TEventConnection listening =
        window.Events.OnGraphsListChanged.Listen([&](TComponent*, const QStringList& names) {
            events.append(QStringLiteral("list:%1").arg(names.size()));
        });
    window.Events.OnAddGraph = [&](TComponent*, int id) { events.append(QStringLiteral("add:%1").arg(id)); };
    window.Events.OnChangeGraphState = [&](TComponent*, int id, int vtype, bool v) {
        events.append(QStringLiteral("state:%1:%2:%3").arg(id).arg(vtype).arg(int(v)));
    };
    window.Events.OnAxesSaved = [&](TComponent*, bool v) {
        events.append(QStringLiteral("axes:%1").arg(int(v)));
    };
    ASSERT_TRUE(Add());
    EXPECT_EQ(events,
              (QList<QString>{QStringLiteral("list:1"), QStringLiteral("axes:0"), QStringLiteral("add:0"),
                              QStringLiteral("state:0:0:1"), QStringLiteral("state:0:1:1"),
                              QStringLiteral("state:0:2:1"), QStringLiteral("state:0:3:1")}));
    TGraph* g = window.GraphByIndex(0);
    EXPECT_EQ(g->Layer(), 0);
    EXPECT_EQ(g->MarkerSymbol(), 1);
    EXPECT_EQ(g->Mapping.ShiftX, 0);
    EXPECT_EQ(window.UndoSide.Ops.last().OpType, UndoOp::AddGraph);
    EXPECT_TRUE(window.Modified());

    for (int i = 1; i < 14; ++i)
        ASSERT_TRUE(Add());
    EXPECT_EQ(window.GraphByIndex(12)->MarkerSymbol(), 13);
    EXPECT_EQ(window.GraphByIndex(13)->MarkerSymbol(), 0);
    EXPECT_EQ(window.GraphByIndex(13)->Layer(), 13);
}

TEST_F(WindowFixture, AddGraphWithMismatchedLengthsChangesNothing) {
    ASSERT_TRUE(Add());
    const int ops = int(window.UndoSide.Ops.size());
    EXPECT_FALSE(window.AddGraph(QString(), false, {}, Ramp(3), Ramp(4)));
    EXPECT_FALSE(window.AddGraph(QString(), false, Ramp(2), Ramp(3), Ramp(3)));
    EXPECT_EQ(window.GraphCount(), 1);
    EXPECT_EQ(window.UndoSide.Ops.size(), ops);
    EXPECT_EQ(window.NextFreeGraphID(), 1);
}

TEST_F(WindowFixture, AutoFitFillsTheInitialScale) {
    window.SetClientSize(400, 300);
    ASSERT_TRUE(window.AddGraph(QString(), false, {}, Ramp(11), Ramp(11, 1000)));
    TGraph* g = window.GraphByIndex(0);
    const Extended plotWidth = window.PlotRect.Width() - 1;
    const Extended span = g->DataToPixelX(10) - g->DataToPixelX(0);
    EXPECT_NEAR(double(span), double(plotWidth * 0.97L), 1e-9);
    // Centred on the origin.
    EXPECT_NEAR(double(g->DataToPixelX(5)), window.OriginX, 1e-9);
    EXPECT_NEAR(double(g->DataToPixelY(1005)), window.OriginY, 1e-9);
}

TEST_F(WindowFixture, TopGraphDeletion) {
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(Add());
    QList<std::pair<int, int>> tops;
    window.Events.OnChangeTopGraph = [&](TComponent*, int was, int cur) { tops.append({was, cur}); };
    int deleted = -1;
    window.Events.OnDelGraph = [&](TComponent*, int index) { deleted = index; };
    window.DeleteGraph(2); // below the top: no top change
    EXPECT_TRUE(tops.isEmpty());
    EXPECT_EQ(deleted, 2);
    window.DeleteGraph(0); // the top itself
    ASSERT_EQ(tops.size(), 1);
    EXPECT_EQ(tops[0], std::make_pair(-1, 0));
    EXPECT_EQ(window.GraphByIndex(0)->Layer(), 0);
    window.DeleteGraph(7);
    window.DeleteGraph(-1);
    EXPECT_EQ(window.GraphCount(), 1);
}

TEST_F(WindowFixture, IdsAreReused) {
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(Add());
    window.DeleteGraph(window.IndexOfGraphID(0));
    ASSERT_TRUE(Add());
    EXPECT_EQ(window.GraphByIndex(2)->ID, 0);
    EXPECT_EQ(window.IndexOfGraphID(0), 2);
    EXPECT_EQ(window.IndexOfGraphID(9), -1);
    EXPECT_EQ(window.GraphByIndex(3), nullptr);
    EXPECT_EQ(window.IndexOfLayer(5), -1);
}

TEST_F(WindowFixture, DeleteAllGraphsIsOneUndoGroup) {
    ASSERT_TRUE(Add());
    ASSERT_TRUE(Add());
    window.ClearUndoHistory();
    int listEvents = 0;
    const TEventConnection listening =
        window.Events.OnGraphsListChanged.Listen([&](TComponent*, const QStringList&) { ++listEvents; });
    window.DeleteAllGraphs();
    EXPECT_EQ(window.GraphCount(), 0);
    ASSERT_EQ(window.UndoSide.Ops.size(), 2);
    EXPECT_EQ(window.UndoSide.Ops[0].OpType, UndoOp::DeleteGraph);
    EXPECT_NE(window.UndoSide.Ops[0].Group, 0);
    EXPECT_EQ(window.UndoSide.Ops[0].Group, window.UndoSide.Ops[1].Group);
    EXPECT_EQ(window.UndoSide.Graphs.size(), 2);
    EXPECT_FALSE(window.UndoGrouping());
    EXPECT_EQ(listEvents, 3); // one per deletion and one more for the batch
}

TEST_F(WindowFixture, DeleteSelectedGraphs) {
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(Add());
    window.GraphByIndex(1)->SetSelected(true);
    window.GraphByIndex(3)->SetSelected(true);
    EXPECT_EQ(window.SelectedGraphCount(), 2);
    window.DeleteSelectedGraphs();
    EXPECT_EQ(window.GraphNames(), (QStringList{QStringLiteral("График"), QStringLiteral("График (2)")}));
}

TEST_F(WindowFixture, UndoGroupingNumbersWrapAround) {
    ASSERT_TRUE(Add());
    window.ClearUndoHistory();
    TGraph* g = window.GraphByIndex(0);
    window.SetUndoGrouping(true);
    EXPECT_EQ(window.CurrentGroup(), 1);
    g->SetLineWidth(3);
    window.SetUndoGrouping(false);
    EXPECT_EQ(window.CurrentGroup(), 0);
    window.SetUndoGrouping(true);
    EXPECT_EQ(window.CurrentGroup(), 2);
    window.SetUndoGrouping(false);

    window.UndoSide.Ops.last().Group = 255;
    window.SetUndoGrouping(true);
    EXPECT_EQ(window.CurrentGroup(), 1);
    window.SetUndoGrouping(false);
    g->SetLineWidth(4); // ungrouped
    EXPECT_EQ(window.UndoSide.Ops.last().Group, 0);
}

TEST_F(WindowFixture, RecordingClearsRedoAndReports) {
    ASSERT_TRUE(Add());
    std::tuple<int, bool, bool> last{-1, false, false};
    const TEventConnection listening =
        window.Events.OnUndoRedoOp.Listen([&](TComponent*, int op, bool u, bool r) {
            last = {op, u, r};
        });
    window.RedoSide.Ops.append({UndoOp::Color, 0});
    window.RedoSide.Integers.append({0, 5});
    window.GraphByIndex(0)->SetShowNodes(true);
    EXPECT_TRUE(window.RedoSide.IsEmpty());
    EXPECT_TRUE(window.RedoSide.Integers.isEmpty());
    EXPECT_EQ(last, std::make_tuple(int(UndoOp::ShowNodes), true, false));
    window.ClearUndoHistory();
    EXPECT_EQ(last, std::make_tuple(0, false, false));
}

TEST_F(WindowFixture, LegendSetters) {
    window.SetShowLegend(false);
    window.SetLegendColumns(1);
    EXPECT_TRUE(window.UndoSide.IsEmpty());
    int legendEvents = 0;
    window.Events.OnLegendChange = [&](TComponent*) { ++legendEvents; };
    window.SetShowLegend(true);
    window.SetLegendPosition(3);
    window.SetLegendOffsetY(-7);
    EXPECT_EQ(legendEvents, 1);
    ASSERT_EQ(window.UndoSide.Ops.size(), 3);
    EXPECT_EQ(window.UndoSide.Ops[0].OpType, 58);
    EXPECT_EQ(window.UndoSide.Ops[1].OpType, 65);
    EXPECT_EQ(window.UndoSide.Ops[2].OpType, 61);
    EXPECT_EQ(window.UndoSide.Integers[1].Value, 8);
    EXPECT_EQ(window.UndoSide.Integers[1].GraphID, -1);
}

TEST_F(WindowFixture, ModeSettersAlwaysReport) {
    int calls = 0;
    window.Events.OnToolModeChange = [&](TComponent*, TToolMode was, TToolMode now) {
        ++calls;
        EXPECT_EQ(was, tmNothing);
        EXPECT_EQ(now, tmNothing);
    };
    window.SetToolMode(tmNothing);
    EXPECT_EQ(calls, 1);
}

TEST_F(WindowFixture, ClampedSettings) {
    window.SetAnimationTime(1001);
    EXPECT_EQ(window.AnimationTime(), 800u);
    window.SetAnimationTime(1000);
    EXPECT_EQ(window.AnimationTime(), 1000u);
    window.SetGridScale(0);
    EXPECT_EQ(window.GridScale(), 0.001L);
    window.ZoomSpeed.SetZoomNormal(-1.2L);
    EXPECT_EQ(window.ZoomSpeed.ZoomNormal(), 1.2L);
}

TEST_F(WindowFixture, FontColoursFollowTheScheme) {
    window.Colors.Set(TColorStruct::AxText, 0x0000FF);
    EXPECT_EQ(window.AxisFont().Color, 0x0000FF);
    TFontRec f = window.TopCaptionFont();
    f.Color = 0x00FF00;
    window.SetTopCaptionFont(f);
    EXPECT_EQ(window.Colors.Get(TColorStruct::TopCaption), 0x00FF00);
}

TEST_F(WindowFixture, DefaultLook) {
    window.ApplyDefaultLook();
    EXPECT_EQ(window.AxisFont().Name, QStringLiteral("Arial"));
    EXPECT_EQ(window.AxisFont().Height(), 13);
    EXPECT_EQ(window.AxisFont().Charset, 204);
    EXPECT_TRUE(window.SymbolFont().IsBold());
    EXPECT_EQ(window.Caption, QStringLiteral("XXX"));
    EXPECT_TRUE(window.DrawPolicy.SinglePosX() && window.DrawPolicy.SingleScaleY());
    EXPECT_EQ(window.GraphsPalette.Get(0), 0x0080FF);
    EXPECT_EQ(window.GraphsPalette.Get(17), 0x383838);
    EXPECT_EQ(window.Margins.Right(), 4);
    EXPECT_EQ(window.ZoomSpeed.ZoomSlowx1(), 1.005L);
    EXPECT_EQ(window.GridSizeY(), 42);
    EXPECT_EQ(window.AnimationTime(), 400u);
    EXPECT_EQ(window.AxisScale(), 0.6L);
    EXPECT_EQ(window.EmfExportScale, 2);
    EXPECT_TRUE(window.MultiXAxis() && window.CombineYAxis());
    EXPECT_EQ(window.Colors.Get(TColorStruct::LegendBackgrnd), clInfoBk);
}

TEST_F(WindowFixture, ResetFigureClearsEverything) {
    ASSERT_TRUE(Add());
    ASSERT_TRUE(Add());
    window.ResetFigure();
    EXPECT_EQ(window.GraphCount(), 0);
    EXPECT_TRUE(window.UndoSide.IsEmpty());
    EXPECT_FALSE(window.Modified());
    EXPECT_TRUE(window.UndoRecording);
}

TEST_F(WindowFixture, ExportColourSchemes) {
    window.ApplyDefaultLook();
    ASSERT_TRUE(Add());
    ASSERT_TRUE(Add());
    window.GraphByIndex(1)->SetColor(0x80FF41);
    TColorStruct scheme(nullptr);
    scheme.AssignWhiteBackground(window.Colors);
    EXPECT_EQ(scheme.Get(TColorStruct::Inside), clWhite);
    EXPECT_EQ(scheme.Get(TColorStruct::SubGrid), 0xC0C0C0);
    EXPECT_EQ(scheme.Get(TColorStruct::Points), clHighlight);
    EXPECT_TRUE(scheme.GraphColors.isEmpty());
    scheme.AssignBlackAndWhite(window.Colors, window);
    EXPECT_EQ(scheme.Get(TColorStruct::Points), clBlack);
    EXPECT_EQ(scheme.GraphColors, (TColors{clBlack, clBlack}));
    scheme.AssignDarkened(window.Colors, window);
    EXPECT_EQ(scheme.GraphColors[1], 0x407F20);
    EXPECT_EQ(scheme.Get(TColorStruct::SelPoints), 0x00007F);
}

TEST(Colors, SystemColourTestIsUnsigned) {
    EXPECT_TRUE(IsSystemColor(clWindow));
    EXPECT_TRUE(IsSystemColor(clNoColor));
    EXPECT_TRUE(IsSystemColor(static_cast<TColor>(0x80000000u)));
    EXPECT_FALSE(IsSystemColor(0x00FFFFFF));
    EXPECT_FALSE(IsSystemColor(0));
    EXPECT_EQ(ColorToRGB(0x123456), 0x123456);
    EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFF);
}

TEST_F(WindowFixture, DrawPolicyPermissions) {
    EXPECT_FALSE(window.DrawPolicy.AllowPosX() || window.DrawPolicy.AllowPosY() ||
                 window.DrawPolicy.AllowScaleX() || window.DrawPolicy.AllowScaleY());
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(Add());
    window.ClearUndoHistory();
    std::tuple<int, int> reported{0, 0};
    window.Events.OnChangeGraphState = [&](TComponent* sender, int id, int vtype, bool) {
        if (sender == &window.DrawPolicy) reported = {id, vtype};
    };
    window.GraphByIndex(1)->SetSelected(true);
    window.ClearUndoHistory();
    window.DrawPolicy.SetAllowSelected(false, false, false, false);
    EXPECT_EQ(reported, std::make_tuple(-2, -1));
    EXPECT_TRUE(window.GraphByIndex(0)->AllowShiftX());
    EXPECT_FALSE(window.GraphByIndex(1)->AllowShiftX());
    EXPECT_FALSE(window.GraphByIndex(1)->AllowScaleY());
    EXPECT_TRUE(window.GraphByIndex(2)->AllowScaleY());
    ASSERT_EQ(window.UndoSide.Ops.size(), 1);
    EXPECT_EQ(window.UndoSide.Ops[0].OpType, UndoOp::Permissions);
    EXPECT_TRUE(window.DrawPolicy.AllowPosX());

    window.DrawPolicy.SetAllowPos(false, true);
    EXPECT_FALSE(window.DrawPolicy.AllowPosX());
    EXPECT_TRUE(window.DrawPolicy.AllowPosY());
    EXPECT_EQ(reported, std::make_tuple(-1, -1));
}

TEST_F(WindowFixture, AlignPositionsWithTheSamePairRecordsNothing) {
    ASSERT_TRUE(Add());
    window.ClearUndoHistory();
    window.DrawPolicy.AlignPositions(false, false);
    EXPECT_TRUE(window.UndoSide.IsEmpty());
    window.DrawPolicy.AlignPositions(true, false);
    EXPECT_TRUE(window.DrawPolicy.SinglePosX());
    ASSERT_EQ(window.UndoSide.Ops.size(), 1);
    EXPECT_EQ(window.UndoSide.Ops[0].OpType, UndoOp::SnapPolicy);
    EXPECT_EQ(window.UndoSide.SnapPolicies.size(), 1);
}

TEST_F(WindowFixture, AlignedScalesShareThePixelsPerUnit) {
    window.SetClientSize(500, 400);
    ASSERT_TRUE(window.AddGraph(QString(), false, {}, Ramp(11), Ramp(11)));
    ASSERT_TRUE(window.AddGraph(QString(), false, {}, Ramp(11, 0, 10), Ramp(11)));
    window.DrawPolicy.AlignScales(true, false);
    TGraph* a = window.GraphByIndex(0);
    TGraph* b = window.GraphByIndex(1);
    EXPECT_NEAR(double(a->DataLengthToPixelX(1)), double(b->DataLengthToPixelX(1)), 1e-9);
}

TEST_F(WindowFixture, ChainedHandlersRestoreThePrevious) {
    QList<int> calls;
    window.Events.OnAddGraph = [&](TComponent*, int) { calls.append(1); };
    const TIntEvent previous = window.Events.OnAddGraph;
    window.Events.OnAddGraph = [&, previous](TComponent* s, int v) {
        calls.append(2);
        Raise(previous, s, v);
    };
    ASSERT_TRUE(Add());
    window.Events.OnAddGraph = previous;
    ASSERT_TRUE(Add());
    EXPECT_EQ(calls, (QList<int>{2, 1, 1}));
}
