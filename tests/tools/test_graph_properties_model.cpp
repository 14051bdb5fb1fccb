#include "tools/GraphPropertiesModel.h"

#include "tests/common/TestData.h"
#include "tests/stream/StreamTestUtil.h"

#include <gtest/gtest.h>

#include <functional>

using namespace streamtest;
using testutil::U;
using P = TGraphProperties;

namespace {
struct GraphPropertiesModelTest : ::testing::Test {
    TSuperGrWindow window;
    TGraphPropertiesModel model{window};

    void SetUp() override {
        window.AnimatedUndo = window.AnimatedZoom = false;
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(window.AddGraph(QStringLiteral("g%1").arg(i), false, {}, Thirds(10 + i),
                                        Thirds(10 + i, 1 + i)));
        window.ClearUndoHistory();
    }
    TGraph& G(int index) { return *window.GraphByIndex(index); }
};

struct Edit {
    const char* Name;
    std::function<void(TGraphPropertiesModel&, TSuperGrWindow&)> Prepare;
    std::function<void(TGraphPropertiesModel&)> Change;
};

const Edit kEdits[] = {
    {"name", {}, [](auto& m) { m.Set(P::Name, U("имя")); }},
    {"colour", {}, [](auto& m) { m.Set(P::Color, TColor(0x123456)); }},
    {"marker colour", {}, [](auto& m) { m.Set(P::MarkerColor, TColor(0x00FF00)); }},
    {"keep colour", {}, [](auto& m) { m.Set(P::MarkerKeepColor, false); }},
    {"symbol marker", [](auto&, auto& w) { w.GraphByIndex(0)->SetMarkerSymbol(0); },
     [](auto& m) { m.ChooseSymbolMarker(); }},
    {"symbol entry", {}, [](auto& m) { m.ChooseSymbolEntry(6); }},
    {"text marker", [](auto&, auto& w) { w.GraphByIndex(0)->SetMarkerSymbol(3); },
     [](auto& m) { m.ChooseTextMarker(); }},
    {"marker text", {}, [](auto& m) { m.Set(P::MarkerText, U("м")); }},
    {"marker text = name", {}, [](auto& m) { m.InsertNameAsMarkerText(); }},
    {"marker text = layer", [](auto&, auto& w) { w.GraphByIndex(0)->SetMarkerText(U("x")); },
     [](auto& m) { m.InsertLayerAsMarkerText(); }},
    {"markers visible", {}, [](auto& m) { m.Set(P::MarkersVisible, false); }},
    {"delete markers", [](auto&, auto& w) { w.GraphByIndex(0)->AddMarkerAtNode(2); },
     [](auto& m) { m.DeleteAllMarkers(); }},
    {"layer", {}, [](auto& m) { m.SetLayer(2); }},
    {"line width", {}, [](auto& m) { m.Set(P::LineWidth, 5); }},
    {"line style", {}, [](auto& m) { m.Set(P::LineStyle, 5); }},
    {"visible", {}, [](auto& m) { m.Set(P::Visible, false); }},
    {"selected", {}, [](auto& m) { m.Set(P::Selected, true); }},
    {"show nodes", {}, [](auto& m) { m.Set(P::ShowNodes, true); }},
    {"width scale text", {}, [](auto& m) { EXPECT_TRUE(m.SetWidthScaleText(QStringLiteral("2.5"))); }},
    {"width scale steps", {}, [](auto& m) { m.StepWidthScale(3); }},
    {"gap on", {}, [](auto& m) { m.SetGap(true, 1); }},
    {"break limit", {}, [](auto& m) { EXPECT_TRUE(m.SetBreakLimitText(QStringLiteral("-1e-3"))); }},
    {"fixed ratio", {}, [](auto& m) { m.SetFixedRatio(true); }},
    {"shift x", {}, [](auto& m) { m.SetPermission(TPermission::ShiftX, false); }},
    {"shift y", {}, [](auto& m) { m.SetPermission(TPermission::ShiftY, false); }},
    {"scale x", {}, [](auto& m) { m.SetPermission(TPermission::ScaleX, false); }},
    {"scale y", {}, [](auto& m) { m.SetPermission(TPermission::ScaleY, false); }},
    {"log x", {}, [](auto& m) { m.SetLog(TAxis::X, true); }},
    {"log y", {}, [](auto& m) { m.SetLog(TAxis::Y, true); }},
    {"date time", {}, [](auto& m) { m.Set(P::DateTimeArg, true); }},
    {"x designations", {}, [](auto& m) { m.SetAxisDesignations(0, true, true, false); }},
    {"y designations", {}, [](auto& m) { m.SetAxisDesignations(1, true, false, true); }},
    {"designation text", {}, [](auto& m) { m.Set(P::DesignationText, U("ось"), dsYDimension); }},
    {"designation vertical", {}, [](auto& m) { m.Set(P::DesignationVertical, uint8_t(1), dsXData); }},
    {"horizontal position", {}, [](auto& m) { m.SetDesignationPosition(dsXData, true, 10); }},
    {"vertical position", {}, [](auto& m) { m.SetDesignationPosition(dsYDimension, false, -7); }},
    {"two graphs",
     {},
     [](auto& m) {
         m.Set(P::Color, TColor(0xFF));
         m.Step(2);
         m.Set(P::LineWidth, 4);
     }},
};

// Every control's change: one undo step takes the figure back byte for byte, one redo forward.
TEST_F(GraphPropertiesModelTest, EveryEditIsOneUndoStepByteExact) {
    for (const Edit& edit : kEdits) {
        SCOPED_TRACE(edit.Name);
        if (edit.Prepare) edit.Prepare(model, window);
        window.ClearUndoHistory();
        const QByteArray before = SettledStreamOf(window);
        ASSERT_TRUE(model.Open(0));
        edit.Change(model);
        model.Apply();
        const QByteArray after = SettledStreamOf(window);
        ASSERT_NE(after, before);
        window.Undo();
        EXPECT_EQ(FirstDifference(SettledStreamOf(window), before), -1);
        EXPECT_FALSE(window.HaveUndo());
        window.Redo();
        EXPECT_EQ(FirstDifference(SettledStreamOf(window), after), -1);
        window.Undo();
    }
}

TEST_F(GraphPropertiesModelTest, CancelUndoesEveryGraphOfTheVisitAndLeavesNothingToRedo) {
    const QByteArray before = SettledStreamOf(window);
    model.Open(0);
    model.Set(P::Color, TColor(0xFF));
    model.Set(P::Name, U("новое"));
    model.Choose(1);
    model.Set(P::LineWidth, 7);
    model.Cancel();
    EXPECT_EQ(FirstDifference(SettledStreamOf(window), before), -1);
    EXPECT_FALSE(window.HaveUndo());
    EXPECT_FALSE(window.HaveRedo());
}

TEST_F(GraphPropertiesModelTest, CancelWithoutChangesKeepsAnEarlierGroupButClearsRedo) {
    {
        const TUndoGroupScope earlier(window);
        G(0).SetColor(1);
        G(1).SetColor(2);
    }
    G(2).SetColor(3);
    window.Undo();
    model.Open(0);
    model.Cancel();
    EXPECT_EQ(window.UndoSide.Ops.size(), 2);
    EXPECT_FALSE(window.HaveRedo());
}

TEST_F(GraphPropertiesModelTest, LoadStoresNothingAndShowsTheGraph) {
    G(1).SetBreakMode(2);
    G(1).SetMarkerSymbol(0);
    G(1).SetDesignationOffsets(dsXData, 4, -5);
    G(1).SetDesignationShow(dsXData, true);
    G(1).SetDesignationIsText(dsXDimension, false);
    const QByteArray stream = StreamOf(window);
    const qsizetype steps = window.UndoSide.Ops.size();
    model.Open(1);
    const TGraphPropertiesView v = model.Load();
    EXPECT_EQ(StreamOf(window), stream);
    EXPECT_EQ(window.UndoSide.Ops.size(), steps);
    EXPECT_EQ(v.Caption, U(" Свойства графика g1"));
    EXPECT_EQ(v.GraphIndex, 1);
    EXPECT_EQ(v.LayerCount, 3);
    EXPECT_TRUE(v.GapOn && v.GapControlsEnabled);
    EXPECT_EQ(v.GapChoice, 2);
    EXPECT_EQ(v.PositionX[dsXData], -4);
    EXPECT_EQ(v.PositionY[dsXData], 5);
    EXPECT_TRUE(v.AxisShown[0]);
    EXPECT_FALSE(v.AxisShown[1]);
    EXPECT_TRUE(v.DesignationTextEnabled[dsXData]);
    EXPECT_TRUE(v.DesignationSymbolEnabled[dsXDimension]);
    EXPECT_FALSE(v.DesignationTextEnabled[dsYData]);
    EXPECT_FALSE(v.SymbolMarker);
    EXPECT_EQ(v.SymbolEntry, -1);
}

TEST_F(GraphPropertiesModelTest, TextMarkerBecomesTheSymbolOfItsLayer) {
    for (int i = 3; i < 15; ++i)
        window.AddGraph({}, false, {}, Thirds(4), Thirds(4));
    TGraph& g = *window.GraphByIndex(window.IndexOfLayer(14));
    g.SetMarkerSymbol(0);
    model.Open(window.IndexOfGraph(&g));
    model.ChooseSymbolMarker();
    EXPECT_EQ(g.MarkerSymbol(), 2);
    model.ChooseSymbolMarker();
    EXPECT_EQ(g.MarkerSymbol(), 2);
}

TEST_F(GraphPropertiesModelTest, UnreadableOrOutOfRangeValuesStoreNothing) {
    model.Open(0);
    G(0).SetBreakLimit(0.5L);
    const QByteArray stream = StreamOf(window);
    for (const char* text : {"", "abc", "1,5", "1e99999", "nan"}) {
        EXPECT_FALSE(model.SetBreakLimitText(QString::fromLatin1(text))) << text;
        EXPECT_FALSE(model.SetWidthScaleText(QString::fromLatin1(text))) << text;
    }
    model.ChooseSymbolEntry(13);
    model.ChooseSymbolEntry(-1);
    model.SetLayer(3);
    model.SetDesignationPosition(dsXData, true, 0);
    EXPECT_EQ(FirstDifference(StreamOf(window), stream), -1);
    model.StepWidthScale(-1000);
    EXPECT_EQ(G(0).WidthScale(), 0.001L);
}

TEST_F(GraphPropertiesModelTest, GapBoxKeepsTheShownChoice) {
    model.Open(0);
    model.SetGap(true, 1);
    EXPECT_EQ(G(0).BreakMode(), 1);
    model.SetGap(false, 1);
    EXPECT_EQ(G(0).BreakMode(), 3);
    EXPECT_EQ(model.Load().GapChoice, 1);
    model.SetGap(true, 1);
    EXPECT_EQ(G(0).BreakMode(), 1);
}

TEST_F(GraphPropertiesModelTest, HorizontalPositionLeavesTheVerticalOffset) {
    G(0).SetDesignationOffsets(dsXData, 2, 3);
    model.Open(0);
    model.SetDesignationPosition(dsXData, true, 10);
    EXPECT_EQ(G(0).Designation(dsXData).OffsetX, -10);
    EXPECT_EQ(G(0).Designation(dsXData).OffsetY, 3);
}

TEST_F(GraphPropertiesModelTest, DeletedGraphGivesWayToTheGraphAtItsIndex) {
    model.Open(1);
    const int32_t next = G(2).ID;
    window.DeleteGraph(1);
    EXPECT_EQ(model.Graph(), nullptr);
    const QByteArray stream = StreamOf(window);
    model.Set(P::Color, TColor(7));
    model.SetLayer(0);
    model.DeleteAllMarkers();
    EXPECT_EQ(StreamOf(window), stream);
    EXPECT_EQ(model.Load().GraphIndex, -1);
    ASSERT_TRUE(model.FollowGraphList());
    EXPECT_EQ(model.Graph()->ID, next);
    window.DeleteAllGraphs();
    EXPECT_FALSE(model.FollowGraphList());
    model.Cancel();
}

TEST_F(GraphPropertiesModelTest, StepperStaysInTheList) {
    model.Open(7);
    EXPECT_EQ(model.GraphIndex(), 0);
    EXPECT_FALSE(model.CanStep(-1));
    model.Step(-1);
    EXPECT_EQ(model.GraphIndex(), 0);
    model.Step(2);
    EXPECT_EQ(model.GraphIndex(), 2);
    EXPECT_FALSE(model.CanStep(1));
    window.DeleteAllGraphs();
    EXPECT_FALSE(model.Open(0));
}
} // namespace
