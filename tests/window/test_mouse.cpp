#include "model/Codecs.h"
#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"
#include "window/SuperGrWindow.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
using testutil::Ramp;

using Button = TSuperGrWindow::TMouseButton;

struct MouseFixture : WindowTest {
    void SetUp() override {
        UseManualTime(1000);
        window.AnimatedZoom = false;
        window.AnimatedMove = false;
        window.SetClientSize(600, 400);
    }
    // A point inside the plot away from the curve of a ramp graph.
    TPoint Empty() const { return {window.PlotRect.Left + 40, window.PlotRect.Top + 20}; }
    void Drag(Button b, TShiftState shift, TPoint from, TPoint to, int steps = 1) {
        window.MouseDown(b, shift, from.X, from.Y);
        for (int i = 1; i <= steps; ++i) {
            clock->Now += 10;
            window.MouseMove(shift, from.X + (to.X - from.X) * i / steps,
                             from.Y + (to.Y - from.Y) * i / steps);
        }
        window.MouseUp(b, shift, to.X, to.Y);
    }
};
} // namespace

TEST_F(MouseFixture, MostlyHorizontalDragPansOnlyHorizontally) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    const Extended x0 = g->DataToPixelX(5), y0 = g->DataToPixelY(5);
    const TPoint p = Empty();
    Drag(Button::Left, ssLeft, p, {p.X + 20, p.Y + 5});
    EXPECT_NEAR(double(g->DataToPixelX(5)), double(x0 + 20), 1e-9);
    EXPECT_NEAR(double(g->DataToPixelY(5)), double(y0), 1e-9);
    EXPECT_EQ(window.ToolMode(), tmNothing); // back to the stored mode
    ASSERT_FALSE(window.UndoSide.IsEmpty());
    EXPECT_EQ(window.UndoSide.Ops.last().OpType, UndoOp::Views);
}

TEST_F(MouseFixture, ZeroMoveIsIgnored) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    const Extended x0 = g->DataToPixelX(5);
    const TPoint p = Empty();
    window.MouseDown(Button::Left, ssLeft, p.X, p.Y);
    window.MouseMove(ssLeft, p.X, p.Y);
    window.MouseUp(Button::Left, ssLeft, p.X, p.Y);
    EXPECT_EQ(g->DataToPixelX(5), x0);
}

TEST_F(MouseFixture, WheelZoomKeepsThePointUnderTheCursor) {
    window.ApplyDefaultLook();
    window.AnimatedZoom = false;
    window.SetClientSize(600, 400);
    TGraph* g = Add(Ramp(11), Ramp(11));
    const int cx = window.OriginX + 57, cy = window.OriginY - 31;
    const Extended dataX = g->PixelToDataX(cx), dataY = g->PixelToDataY(cy);
    const Extended zx = g->ZoomX(), zy = g->ZoomY();
    window.MouseWheel(120, 0, cx, cy);
    EXPECT_NEAR(double(g->ZoomX() / zx), double(static_cast<float>(1.3L)), 1e-12);
    EXPECT_NEAR(double(g->ZoomY() / zy), double(static_cast<float>(1.3L)), 1e-12);
    EXPECT_NEAR(double(g->DataToPixelX(dataX)), cx, 1e-9);
    EXPECT_NEAR(double(g->DataToPixelY(dataY)), cy, 1e-9);
    window.MouseWheel(-120, 0, cx, cy);
    EXPECT_NEAR(double(g->ZoomX()), double(zx), 1e-12);
}

TEST_F(MouseFixture, WheelLeavesAZoomStartMode) {
    Add(Ramp(11), Ramp(11));
    window.SetZoomMode(zmZoomWndStart);
    window.MouseWheel(120, 0, 100, 100);
    EXPECT_EQ(window.ZoomMode(), zmNone);
}

TEST_F(MouseFixture, ZoomFrameBackwardsNeverMirrors) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    window.MultiWndZoom = false;
    const Extended zx = g->ZoomX();
    const TRect& p = window.PlotRect;
    const int w = p.Width() / 4, h = p.Height() / 4;
    window.SetZoomMode(zmZoomWndStart);
    EXPECT_EQ(window.CursorNumber(), 4);
    // Dragged from bottom-right to top-left.
    const TPoint from{window.OriginX + w / 2, window.OriginY + h / 2},
        to{window.OriginX - w / 2, window.OriginY - h / 2};
    window.MouseDown(Button::Left, ssLeft, from.X, from.Y);
    EXPECT_EQ(window.ZoomMode(), zmZoomWndFinish);
    window.MouseMove(ssLeft, to.X, to.Y);
    EXPECT_EQ(window.RubberBand().Kind, TSuperGrWindow::TBandKind::Frame);
    window.MouseUp(Button::Left, ssLeft, to.X, to.Y);
    EXPECT_GT(g->ZoomX(), zx * 3.5L);
    EXPECT_GT(g->ZoomY(), 0);
    EXPECT_EQ(window.ZoomMode(), zmNone);
}

TEST_F(MouseFixture, XFrameZoomsOnlyAlongXAndRepeats) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    const Extended zy = g->ZoomY();
    window.SetZoomMode(zmZoomXStart);
    const TPoint from{window.OriginX - 20, window.OriginY}, to{window.OriginX + 20, window.OriginY + 30};
    window.MouseDown(Button::Left, ssLeft, from.X, from.Y);
    window.MouseUp(Button::Left, ssLeft, to.X, to.Y);
    EXPECT_EQ(g->ZoomY(), zy);
    EXPECT_EQ(window.ZoomMode(), zmZoomXStart); // MultiWndZoom
    window.MouseDown(Button::Right, ssRight, 10, 10);
    EXPECT_EQ(window.ZoomMode(), zmNone);
}

TEST_F(MouseFixture, GlideOnlyAfterARecentMove) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    window.AnimatedMove = true;
    const TPoint p = Empty();
    window.MouseDown(Button::Left, ssLeft, p.X, p.Y);
    clock->Now += 10;
    window.MouseMove(ssLeft, p.X + 30, p.Y);
    clock->Now += 40; // released 40 ms after the last move: stops at once
    window.MouseUp(Button::Left, ssLeft, p.X + 30, p.Y);
    EXPECT_FALSE(window.Gliding());

    window.MouseDown(Button::Left, ssLeft, p.X, p.Y);
    clock->Now += 10;
    window.MouseMove(ssLeft, p.X + 30, p.Y);
    clock->Now += 5;
    window.MouseUp(Button::Left, ssLeft, p.X + 30, p.Y);
    EXPECT_TRUE(window.Gliding());
    const Extended before = g->DataToPixelX(5);
    window.AnimationTick();
    EXPECT_NEAR(double(g->DataToPixelX(5) - before), 90, 1e-9); // 30 px in 10 ms: 90 px per 30 ms tick
    while (window.Gliding())
        window.AnimationTick();
    EXPECT_FALSE(timer->Active);
}

TEST_F(MouseFixture, StoppingAGlideEndsItsSingleGraphControlAndShowsTheLegend) {
    TGraph* grabbed = Add(Ramp(11), Ramp(11));
    TGraph* other = Add(Ramp(11), Ramp(11, 20));
    window.AnimatedMove = true;
    window.SetShowLegend(true);
    const TPoint p{grabbed->DataToPixelXi(5), grabbed->DataToPixelYi(5)};
    window.MouseDown(Button::Left, ssLeft, p.X, p.Y);
    clock->Now += 10;
    window.MouseMove(ssLeft, p.X + 30, p.Y);
    window.MouseUp(Button::Left, ssLeft, p.X + 30, p.Y);
    ASSERT_TRUE(window.Gliding());
    EXPECT_FALSE(window.ShowLegend());
    EXPECT_FALSE(other->AllowShiftX()); // the drag moves the grabbed graph alone
    window.StopAnimation();
    EXPECT_FALSE(window.Gliding());
    EXPECT_FALSE(timer->Active);
    EXPECT_TRUE(window.ShowLegend());
    EXPECT_TRUE(other->AllowShiftX());
    EXPECT_TRUE(grabbed->AllowShiftX());
}

TEST_F(MouseFixture, DoubleClickUndoesOnlyItsOwnViewStep) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    window.SetToolMode(tmMove);
    g->SetLineWidth(3); // an unrelated earlier step
    const qsizetype before = window.UndoSide.Ops.size();
    const TPoint p = Empty();
    window.MouseDown(Button::Left, ssLeft, p.X, p.Y);
    window.MouseUp(Button::Left, ssLeft, p.X, p.Y);
    EXPECT_EQ(window.UndoSide.Ops.size(), before + 1);
    window.DoubleClick(Button::Left, ssLeft, p.X, p.Y);
    EXPECT_EQ(window.UndoSide.Ops.size(), before);
    EXPECT_EQ(g->LineWidth(), 3);
    window.DoubleClick(Button::Left, ssLeft, p.X, p.Y); // no press of its own: nothing undone
    EXPECT_EQ(window.UndoSide.Ops.size(), before);
    EXPECT_EQ(g->LineWidth(), 3);
}

TEST_F(MouseFixture, ClicksOnAGraphRaiseEvents) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    int clicked = -1;
    window.Events.OnGraphClick = [&](TComponent*, int index, TShiftState, int, int) { clicked = index; };
    const int x = g->DataToPixelXi(5), y = g->DataToPixelYi(5);
    EXPECT_EQ(window.HitTestGraph(x, y + 2), 0);
    EXPECT_EQ(window.HitTestGraph(Empty().X, Empty().Y), -1);
    window.SetToolMode(tmEdit);
    window.SetEditMode(emSelect);
    window.ResetByRightButton = false;
    window.MouseDown(Button::Right, ssRight, x, y);
    EXPECT_EQ(clicked, 0);
    EXPECT_EQ(window.EditMode(), emSelect);
    window.ResetByRightButton = true;
    window.MouseDown(Button::Right, ssRight, x, y);
    EXPECT_EQ(window.EditMode(), emNothing);
}

TEST_F(MouseFixture, ZoomDragStepsPerMessage) {
    TGraph* g = Add(Ramp(11), Ramp(11));
    const Extended zx = g->ZoomX(), zy = g->ZoomY();
    const TPoint p = Empty();
    window.MouseDown(Button::Middle, ssMiddle, p.X, p.Y);
    EXPECT_EQ(window.ToolMode(), tmZoom);
    window.MouseMove(ssMiddle, p.X + 50, p.Y);
    EXPECT_NEAR(double(g->ZoomX() / zx), 1.1, 1e-15);
    EXPECT_EQ(g->ZoomY(), zy);
    window.MouseUp(Button::Middle, 0, p.X + 50, p.Y);
    EXPECT_EQ(window.ToolMode(), tmNothing);
}

TEST_F(MouseFixture, LeavingNodeWorkClearsSelectionsInOneStep) {
    TGraph* a = Add(Ramp(5), Ramp(5));
    TGraph* b = Add(Ramp(5), Ramp(5));
    window.SetToolMode(tmEdit);
    a->SelectNode(1);
    b->SelectNode(2);
    window.ClearUndoHistory();
    window.SetToolMode(tmNothing);
    EXPECT_EQ(a->SelectedCount() + b->SelectedCount(), 0);
    ASSERT_EQ(window.UndoSide.Ops.size(), 3);
    EXPECT_EQ(window.UndoSide.Ops[0].Group, window.UndoSide.Ops[1].Group);
    EXPECT_EQ(window.UndoSide.Ops[2].OpType, UndoOp::ToolMode);
    EXPECT_EQ(window.UndoSide.Integers.last().Value, int(tmEdit));
}

// ---------------------------------------------------------------------------------------------
// Node editing

struct NodeEditFixture : MouseFixture {
    TGraph* g = nullptr;
    void SetUp() override {
        MouseFixture::SetUp();
        g = Add(Ramp(11), TDoubleArray(11, 0));
        g->SetSelected(true);
        window.SetToolMode(tmEdit);
    }
    TPoint NodePixel(int i) { return {g->DataToPixelXi(g->XData[i]), g->DataToPixelYi(g->YData[i])}; }
};

TEST_F(NodeEditFixture, ClickSelectsTheNearestNodeWithinFourPixels) {
    window.SetEditMode(emSelect);
    const TPoint n = NodePixel(4);
    window.MouseDown(Button::Left, ssLeft, n.X + 3, n.Y);
    EXPECT_EQ(window.EditMode(), emEndSelection);
    window.MouseUp(Button::Left, ssLeft, n.X + 3, n.Y);
    EXPECT_EQ(window.EditMode(), emSelect);
    EXPECT_EQ(g->SelectedCount(), 1);
    EXPECT_EQ(g->NodePixels()[4].Selected, 1);
    window.MouseDown(Button::Left, ssLeft, n.X, n.Y - 9);
    window.MouseUp(Button::Left, ssLeft, n.X, n.Y - 9);
    EXPECT_EQ(g->SelectedCount(), 1);
    window.MouseDown(Button::Left, ssLeft | ssCtrl, n.X, n.Y);
    window.MouseUp(Button::Left, ssLeft | ssCtrl, n.X, n.Y);
    EXPECT_EQ(g->SelectedCount(), 0);
}

TEST_F(NodeEditFixture, BandInDeleteModeDeletesInside) {
    window.SetEditMode(emDelete);
    const TPoint a = NodePixel(2), b = NodePixel(5);
    window.MouseDown(Button::Left, ssLeft, a.X - 2, a.Y - 20);
    EXPECT_EQ(window.EditMode(), emEndSelection);
    window.MouseMove(ssLeft, b.X + 2, b.Y + 20);
    window.MouseUp(Button::Left, ssLeft, b.X + 2, b.Y + 20);
    EXPECT_EQ(g->XData, (TDoubleArray{0, 1, 6, 7, 8, 9, 10}));
    EXPECT_EQ(window.EditMode(), emDelete);
}

TEST_F(NodeEditFixture, BandDeletionTouchesSelectedGraphsAndUndoesAtOnce) {
    TGraph* other = Add(Ramp(11), TDoubleArray(11, 0));
    TGraph* unselected = Add(Ramp(11), TDoubleArray(11, 0));
    other->SetSelected(true);
    other->AddMarkerAtNode(3);
    window.ClearUndoHistory();
    window.SetEditMode(emDelete);
    const TPoint a = NodePixel(2), b = NodePixel(5);
    window.MouseDown(Button::Left, ssLeft, a.X - 2, a.Y - 20);
    window.MouseMove(ssLeft, b.X + 2, b.Y + 20);
    window.MouseUp(Button::Left, ssLeft, b.X + 2, b.Y + 20);
    const TDoubleArray rest{0, 1, 6, 7, 8, 9, 10};
    EXPECT_EQ(g->XData, rest);
    EXPECT_EQ(other->XData, rest);
    EXPECT_EQ(other->Markers.Count(), 0);
    EXPECT_EQ(unselected->XData, Ramp(11));

    window.Undo();
    EXPECT_EQ(g->XData, Ramp(11));
    EXPECT_EQ(other->XData, Ramp(11));
    EXPECT_EQ(other->Markers.Count(), 1);
    EXPECT_FALSE(window.HaveUndo());
}

TEST_F(NodeEditFixture, InsertOnTheNearestSegment) {
    window.SetEditMode(emInsert);
    const TPoint a = NodePixel(3), b = NodePixel(4);
    window.MouseDown(Button::Left, ssLeft, (a.X + b.X) / 2, a.Y - 10);
    window.MouseUp(Button::Left, ssLeft, (a.X + b.X) / 2, a.Y - 10);
    ASSERT_EQ(g->NodeCount(), 12);
    EXPECT_GT(g->XData[4], 3);
    EXPECT_LT(g->XData[4], 4);
    EXPECT_GT(g->YData[4], 0);
}

TEST_F(NodeEditFixture, InsertIntoAnEmptyWindowMakesNoname) {
    window.DeleteAllGraphs();
    window.SetEditMode(emInsert);
    window.MouseDown(Button::Left, ssLeft, window.OriginX, window.OriginY);
    ASSERT_EQ(window.GraphCount(), 1);
    EXPECT_EQ(window.GraphByIndex(0)->Name(), QStringLiteral("Noname"));
    EXPECT_TRUE(window.GraphByIndex(0)->Selected());
    EXPECT_TRUE(window.GraphByIndex(0)->ShowNodes());
}

TEST_F(NodeEditFixture, DraggingAnUnselectedNodeMovesItAlone) {
    window.SetEditMode(emMove);
    const TPoint n = NodePixel(5);
    window.MouseDown(Button::Left, ssLeft, n.X, n.Y);
    EXPECT_EQ(window.EditMode(), emMoving);
    window.MouseMove(ssLeft, n.X, n.Y - 30);
    window.MouseUp(Button::Left, ssLeft, n.X, n.Y - 30);
    EXPECT_EQ(window.EditMode(), emMove);
    EXPECT_EQ(g->SelectedCount(), 0);
    EXPECT_NEAR(double(g->DataToPixelY(g->YData[5])), n.Y - 30, 1e-6);
    EXPECT_EQ(g->YData[4], 0);
    EXPECT_EQ(window.UndoSide.Nodes.last().Kind, enkMove);
    EXPECT_EQ(window.UndoSide.Nodes.last().Indexes, TIntArray{5});
}

TEST_F(NodeEditFixture, LinearShiftCurveHalvesTheMiddleNodes) {
    for (int i = 3; i <= 7; ++i)
        g->SelectNode(i);
    window.LoadShiftCurvePreset(1);
    window.SetEditMode(emMove);
    const TPoint n = NodePixel(5);
    const Extended y4 = g->DataToPixelY(g->YData[4]);
    window.MouseDown(Button::Left, ssLeft, n.X, n.Y);
    window.MouseMove(ssLeft, n.X, n.Y - 40);
    window.MouseUp(Button::Left, ssLeft, n.X, n.Y - 40);
    EXPECT_NEAR(double(g->DataToPixelY(g->YData[5])), n.Y - 40, 1e-6);
    EXPECT_NEAR(double(y4 - g->DataToPixelY(g->YData[4])), 20, 1);
    EXPECT_NEAR(double(y4 - g->DataToPixelY(g->YData[6])), 20, 1);
    EXPECT_EQ(g->YData[3], 0);
    EXPECT_EQ(g->YData[7], 0);
    EXPECT_EQ(g->SelectedCount(), 5);
}

TEST_F(NodeEditFixture, ShiftMovesAlongTheLargerAxisOnly) {
    window.SetEditMode(emMove);
    const TPoint n = NodePixel(5);
    const Extended y0 = g->DataToPixelY(g->YData[5]);
    window.MouseDown(Button::Left, ssLeft | ssShift, n.X, n.Y);
    window.MouseMove(ssLeft | ssShift, n.X + 30, n.Y - 10);
    window.MouseUp(Button::Left, ssLeft | ssShift, n.X + 30, n.Y - 10);
    EXPECT_NEAR(double(g->DataToPixelY(g->YData[5])), double(y0), 1e-6);
    EXPECT_NEAR(double(g->DataToPixelX(g->XData[5])), n.X + 30, 1e-6);
}

TEST(ShiftCurve, PresetsAndTable) {
    TDoubleArray u, w;
    TShiftCurve::Preset(1).Table(u, w);
    ASSERT_EQ(u.size(), 201);
    for (int k = 0; k <= 100; ++k) {
        const Extended t = Extended(k) / 100;
        EXPECT_NEAR(double(u[100 + k]), double(3 * t * t - 2 * t * t * t), 1e-15);
        EXPECT_NEAR(double(w[100 + k]), double(1 - u[100 + k]), 1e-15);
        EXPECT_EQ(u[100 - k], -u[100 + k]);
        EXPECT_EQ(w[100 - k], w[100 + k]);
    }
    TShiftCurve::Preset(3).Table(u, w);
    EXPECT_NEAR(double(w[150]), 0.125, 1e-15); // (1 - t)^3 at t = 1/2
    EXPECT_EQ(ShiftCurveWeight(u, w, 0), 0);
    EXPECT_EQ(ShiftCurveWeight(u, w, 2), w[200]);
    EXPECT_EQ(ShiftCurveWeight(u, w, u[150]), w[150]);
}
