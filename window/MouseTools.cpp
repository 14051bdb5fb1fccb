// The window's side of the mouse: presses go to the tools in turn, moves and releases to the tool
// whose gesture is under way; clicks on graphs, the marker pick and the wheel are handled here.
#include "window/MouseTools.h"

#include "window/Coordinates.h"
#include "window/FrameZoomTool.h"
#include "window/LegendDragTool.h"
#include "window/MoveZoomTool.h"
#include "window/NodeEditing.h"
#include "window/ViewAnimator.h"

namespace {
TMouseTool* EngagedTool(const std::array<TMouseTool*, 4>& tools) {
    for (TMouseTool* tool : tools)
        if (tool->Engaged()) return tool;
    return nullptr;
}

// In layer order, the first visible graph whose marker collection selects a marker under the point.
void PickMarker(TSuperGrWindow& window, int x, int y) {
    for (int layer = 0; layer < window.GraphCount(); ++layer) {
        TGraph* g = window.GraphByIndex(window.IndexOfLayer(layer));
        if (g && g->Visible() && g->Markers.Pick(x, y)) break;
    }
    window.Repaint();
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Queries

std::array<TMouseTool*, 4> TSuperGrWindow::Tools() const {
    return {FLegendDrag.get(), FFrameZoom.get(), FNodeEdit.get(), FMoveZoom.get()};
}

int TSuperGrWindow::HitTestGraph(int x, int y) {
    const TRect& p = PlotRect;
    for (int layer = 0; layer < GraphCount(); ++layer) {
        const int index = IndexOfLayer(layer);
        if (index < 0) continue;
        TGraph& g = *FGraphs[size_t(index)];
        if (!g.Visible()) continue;
        const int k = g.Layer();
        // The axis mark squares of the graph, then its curve.
        const TRect yMark{p.Left - k * FYBand - 8, p.Bottom - 4, p.Left - k * FYBand + 4, p.Bottom + 8};
        const TRect xMark{p.Left - 8, p.Bottom + k * FXBand - 4, p.Left + 4, p.Bottom + k * FXBand + 8};
        if (InRect(yMark, x, y) || InRect(xMark, x, y)) return index;
        int cx = 0, cy = 0;
        const int distance = g.NearestCurvePoint(x, y, cx, cy);
        if (distance != TGraph::NoDistance && distance <= NodePickRadius) return index;
    }
    return -1;
}

int TSuperGrWindow::CursorNumber() const {
    for (const TMouseTool* tool : Tools())
        if (const int number = tool->Cursor()) return number;
    return 1;
}

TSuperGrWindow::TRubberBand TSuperGrWindow::RubberBand() const {
    for (const TMouseTool* tool : Tools())
        if (const TRubberBand band = tool->Band(); band.Kind != TBandKind::None) return band;
    return {};
}

// ---------------------------------------------------------------------------------------------
// Buttons

void TSuperGrWindow::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    // A press first ends a glide or an animation; if one was running, that is all it does.
    if (FAnimator->Running()) {
        FAnimator->Stop();
        return;
    }
    Focused = true;
    FLastPoint = {x, y};
    // A press counts only while no other button is held.
    const TShiftState others = button == TMouseButton::Left     ? ssMiddle
                               : button == TMouseButton::Middle ? ssLeft | ssRight
                                                                : ssLeft | ssMiddle;
    if (button == TMouseButton::None || (shift & others)) return;
    FPressedButton = button;
    if (FLegendDrag->Press(button, shift, x, y)) return;

    if (button == TMouseButton::Right) {
        if (FFrameZoom->Press(button, shift, x, y) || FNodeEdit->Press(button, shift, x, y)) return;
        const int hit = HitTestGraph(x, y);
        if (hit >= 0)
            Raise(Events.OnGraphClick, this, hit, shift, x, y);
        else if (ContextMenuHandler)
            ContextMenuHandler(x, y);
        return;
    }
    if (InRect(PlotRect, x, y) && !FFrameZoom->Press(button, shift, x, y) &&
        !FNodeEdit->Press(button, shift, x, y)) {
        if ((shift & ssCtrl) && !FGraphs.empty()) {
            PickMarker(*this, x, y);
            if (button == TMouseButton::Middle) return;
        } else {
            FMoveZoom->Press(button, shift, x, y);
        }
    }
    const int hit = HitTestGraph(x, y);
    if (hit >= 0) Raise(Events.OnGraphClick, this, hit, shift, x, y);
}

void TSuperGrWindow::MouseMove(TShiftState shift, int x, int y) {
    const TPoint from = FLastPoint;
    TMouseTool* tool = x == from.X && y == from.Y ? nullptr : EngagedTool(Tools());
    FLastPoint = {x, y};
    if (tool)
        tool->Move(shift, FLastPoint, from);
    else
        Raise(Events.OnNewCoords, this, x, y);
}

void TSuperGrWindow::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    FPressedButton = TMouseButton::None;
    if (button == TMouseButton::Right)
        Raise(Events.OnNewCoords, this, x, y);
    else if (TMouseTool* tool = EngagedTool(Tools()))
        tool->Release(button, shift, x, y);
}

void TSuperGrWindow::CaptureLost() {
    if (FPressedButton != TMouseButton::None) MouseUp(FPressedButton, 0, FLastPoint.X, FLastPoint.Y);
}

void TSuperGrWindow::DoubleClick(TMouseButton button, TShiftState shift, int x, int y) {
    if (button != TMouseButton::Left) return;
    Focused = true;
    FMoveZoom->TakeBackClickStep();
    const int hit = HitTestGraph(x, y);
    if (hit >= 0) Raise(Events.OnGraphDblClick, this, hit, shift, x, y);
}

// ---------------------------------------------------------------------------------------------
// Wheel

void TSuperGrWindow::MouseWheel(int delta, TShiftState shift, int x, int y) {
    if (FFrameZoom->Waiting() && ResetZoomByWheel) {
        SetZoomMode(zmNone);
        return;
    }
    if (FPressedButton == TMouseButton::Left || FPressedButton == TMouseButton::Middle || delta == 0) return;
    FAnimator->Stop();
    Extended a = static_cast<float>((shift & ssShift) ? ZoomSpeed.ZoomSlowx1() : ZoomSpeed.ZoomNormal());
    if (a == 0) a = 1;
    RecordViewStep(*this);
    const Extended factor = delta > 0 ? a : 1 / a;
    ZoomAbout(x, y, factor, factor, TopGraphIndex());
    Relayout();
}
