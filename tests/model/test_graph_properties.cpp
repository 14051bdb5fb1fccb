#include "model/GraphProperties.h"
#include "window/SuperGrWindow.h"
#include "window/WindowProperties.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <set>

namespace {
struct PropertyFixture : ::testing::Test {
    TSuperGrWindow window;
    TGraph& g;
    PropertyFixture() : g(Add()) { window.ClearUndoHistory(); }
    TGraph& Add() {
        EXPECT_TRUE(window.AddGraph({}, false, {}, {1, 2, 3}, {4, 5, 6}));
        return *window.GraphByIndex(window.GraphCount() - 1);
    }
};

// The codes with replays of their own, and the two no operation records.
const std::set<int> kOwnSteps = {UndoOp::Views,
                                 UndoOp::Layer,
                                 UndoOp::FixedRatio,
                                 UndoOp::DeleteGraph,
                                 UndoOp::AddGraph,
                                 UndoOp::Permissions,
                                 UndoOp::Groups,
                                 UndoOp::SnapPolicy,
                                 UndoOp::Markers,
                                 UndoOp::Nodes,
                                 UndoOp::ToolMode,
                                 UndoOp::LogX,
                                 UndoOp::LogY,
                                 UndoOp::DesignationOffsets,
                                 UndoOp::DesignationOffsets + 1,
                                 UndoOp::DesignationOffsets + 2,
                                 UndoOp::DesignationOffsets + 3};
const std::set<int> kUnused = {10, 11};
} // namespace

TEST(PropertyDeclarations, EveryUndoCodeHasOneReplay) {
    for (int op = 0; op <= UndoOp::MarkerKeepColor; ++op) {
        int paths = 0;
        paths += TGraphProperties::Visit(uint8_t(op), [](const auto&, int) {});
        paths += TWindowProperties::Visit(uint8_t(op), [](const auto&) {});
        paths += kOwnSteps.count(op) ? 1 : 0;
        EXPECT_EQ(paths, kUnused.count(op) ? 0 : 1) << "code " << op;
    }
    EXPECT_FALSE(TGraphProperties::Visit(UndoOp::MarkerKeepColor + 1, [](const auto&, int) {}));
}

TEST(PropertyDeclarations, DesignationCodesPassTheirIndex) {
    int index = -1;
    EXPECT_TRUE(TGraphProperties::Visit(uint8_t(UndoOp::DesignationVertical + int(dsYData)),
                                        [&](const auto&, int d) { index = d; }));
    EXPECT_EQ(index, dsYData);
}

// A value the graph would not keep leaves the graph and its history as they were.
TEST_F(PropertyFixture, RefusedValuesChangeNothing) {
    const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
    const Extended inf = std::numeric_limits<Extended>::infinity();
    const struct {
        const char* name;
        std::function<void()> set;
        std::function<bool()> unchanged;
    } cases[] = {
        {"line width 9", [&] { g.SetLineWidth(9); }, [&] { return g.LineWidth() == 1; }},
        {"line width -1", [&] { g.SetLineWidth(-1); }, [&] { return g.LineWidth() == 1; }},
        {"line style -1", [&] { g.SetLineStyle(-1); }, [&] { return g.LineStyle() == 0; }},
        {"break mode 4", [&] { g.SetBreakMode(4); }, [&] { return g.BreakMode() == 3; }},
        {"break limit inf", [&] { g.SetBreakLimit(inf); }, [&] { return g.BreakLimit() == 0; }},
        {"marker symbol 14", [&] { g.SetMarkerSymbol(14); }, [&] { return g.MarkerSymbol() == 1; }},
        {"layout 4", [&] { g.SetYDesignLayout(4); }, [&] { return g.YDesignLayout() == 3; }},
        {"width scale nan", [&] { g.SetWidthScale(nan); }, [&] { return g.WidthScale() == 1; }},
    };
    for (const auto& c : cases) {
        c.set();
        EXPECT_TRUE(c.unchanged()) << c.name;
        EXPECT_FALSE(window.HaveUndo()) << c.name;
    }
}

TEST_F(PropertyFixture, LimitsOfTheKeptValuesAreAccepted) {
    g.SetLineWidth(8);
    g.SetBreakMode(0);
    g.SetMarkerSymbol(13);
    g.SetWidthScale(0.001L);
    EXPECT_EQ(g.LineWidth(), 8);
    EXPECT_EQ(g.BreakMode(), 0);
    EXPECT_EQ(g.MarkerSymbol(), 13);
    EXPECT_EQ(g.WidthScale(), 0.001L);
    EXPECT_EQ(window.UndoSide.Ops.size(), 4);
}

TEST_F(PropertyFixture, DesignationStepsCarryTheDesignation) {
    g.SetDesignationShow(dsYDimension, true);
    g.SetDesignationText(dsXDimension, QStringLiteral("м"));
    ASSERT_EQ(window.UndoSide.Ops.size(), 2);
    EXPECT_EQ(window.UndoSide.Ops[0].OpType, UndoOp::DesignationShow + int(dsYDimension));
    EXPECT_EQ(window.UndoSide.Ops[1].OpType, UndoOp::DesignationText + int(dsXDimension));
    window.Undo();
    window.Undo();
    EXPECT_FALSE(g.Designation(dsYDimension).Show);
    EXPECT_TRUE(g.Designation(dsXDimension).Text.isEmpty());
}

TEST_F(PropertyFixture, RecordingPauseRestoresTheFormerState) {
    {
        const TUndoRecordingPause outer(window);
        {
            const TUndoRecordingPause inner(window);
            g.SetVisible(false);
        }
        EXPECT_FALSE(window.UndoRecording);
    }
    EXPECT_TRUE(window.UndoRecording);
    EXPECT_FALSE(window.HaveUndo());
    window.UndoRecording = false;
    { const TUndoRecordingPause pause(window); }
    EXPECT_FALSE(window.UndoRecording);
}

TEST_F(PropertyFixture, WindowSettingsRefuseWhatAFigureWouldNotKeep) {
    const struct {
        const char* name;
        std::function<void()> set;
        std::function<bool()> unchanged;
    } cases[] = {
        {"legend columns 0", [&] { window.SetLegendColumns(0); },
         [&] { return window.LegendColumns() == 1; }},
        {"legend border 26", [&] { window.SetLegendBorderWidth(26); },
         [&] { return window.LegendBorderWidth() == 1; }},
        {"legend position 9", [&] { window.SetLegendPosition(9); },
         [&] { return window.LegendPosition() == 8; }},
        {"grid size -1", [&] { window.SetGridSizeX(-1); }, [&] { return window.GridSizeX() == 50; }},
        {"divider 101", [&] { window.SetSubGridDividerY(101); },
         [&] { return window.SubGridDividerY() == 1; }},
        {"pen width 101", [&] { window.SetAxisWidth(101); }, [&] { return window.AxisWidth() == 0; }},
        {"pen style -1", [&] { window.SetGridStyle(-1); }, [&] { return window.GridStyle() == 2; }},
    };
    for (const auto& c : cases) {
        c.set();
        EXPECT_TRUE(c.unchanged()) << c.name;
    }
    EXPECT_FALSE(window.HaveUndo());
}

TEST_F(PropertyFixture, PlainWindowSettingsKeepNoStep) {
    int repaints = 0;
    window.InvalidateHandler = [&] { ++repaints; };
    window.SetShowTicks(true);
    window.SetShowTicks(true);
    window.SetAxisScale(2);
    EXPECT_EQ(repaints, 2);
    EXPECT_FALSE(window.HaveUndo());
}

TEST_F(PropertyFixture, AxisSwitchesReportBothAxes) {
    QList<std::pair<bool, bool>> reported;
    window.Events.OnChangeMultiAxis = [&](TComponent*, bool x, bool y) { reported.append({x, y}); };
    window.SetMultiYAxis(true);
    window.SetMultiYAxis(true);
    ASSERT_EQ(reported.size(), 1);
    EXPECT_EQ(reported[0], std::make_pair(false, true));
}
