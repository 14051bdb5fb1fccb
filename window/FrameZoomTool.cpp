#include "window/FrameZoomTool.h"

#include "window/Coordinates.h"

#include <cstdlib>

namespace {
TZoomMode FinishOf(TZoomMode start) {
    return start == zmZoomWndStart ? zmZoomWndFinish : start == zmZoomXStart ? zmZoomXFinish : zmZoomYFinish;
}
TZoomMode StartOf(TZoomMode finish) {
    return finish == zmZoomWndFinish ? zmZoomWndStart : finish == zmZoomXFinish ? zmZoomXStart : zmZoomYStart;
}
} // namespace

bool TFrameZoomTool::Waiting() const {
    const TZoomMode m = W.ZoomMode();
    return m == zmZoomWndStart || m == zmZoomXStart || m == zmZoomYStart;
}

bool TFrameZoomTool::Engaged() const {
    const TZoomMode m = W.ZoomMode();
    return m == zmZoomWndFinish || m == zmZoomXFinish || m == zmZoomYFinish;
}

bool TFrameZoomTool::Press(TMouseButton button, TShiftState, int x, int y) {
    if (!Waiting()) return false;
    if (button == TMouseButton::Right) {
        if (!W.ResetByRightButton) return false;
        W.SetZoomMode(zmNone);
        return true;
    }
    if (button != TMouseButton::Left) return false;
    FStart = FEnd = {x, y};
    W.SetZoomMode(FinishOf(W.ZoomMode()));
    return true;
}

void TFrameZoomTool::Move(TShiftState, TPoint to, TPoint) {
    FEnd = to;
    W.Repaint();
    Raise(W.Events.OnNewCoords, &W, to.X, to.Y);
}

void TFrameZoomTool::Release(TMouseButton button, TShiftState, int x, int y) {
    if (button != TMouseButton::Left) return;
    const TZoomMode mode = W.ZoomMode();
    FEnd = {x, y};
    if (W.GraphCount() > 0) ZoomIntoFrame(mode);
    // With MultiWndZoom the next frame can follow at once.
    W.SetZoomMode(W.MultiWndZoom ? StartOf(mode) : zmNone);
    W.Repaint();
}

void TFrameZoomTool::ZoomIntoFrame(TZoomMode mode) {
    RecordViewStep(W);
    // Absolute sizes: a frame dragged backwards zooms the same way, never mirrored.
    const TRect& plot = W.PlotRect;
    const int fw = std::abs(FEnd.X - FStart.X), fh = std::abs(FEnd.Y - FStart.Y);
    const Extended frameCentreX = (Extended(FEnd.X) + FStart.X) / 2,
                   frameCentreY = (Extended(FEnd.Y) + FStart.Y) / 2;
    const Extended plotCentreX = (Extended(plot.Left) + plot.Right) / 2;
    const Extended plotCentreY = (Extended(plot.Top) + plot.Bottom) / 2;
    const bool alongX = mode != zmZoomYFinish, alongY = mode != zmZoomXFinish;
    const Extended dx = alongX ? plotCentreX - frameCentreX : 0;
    const Extended dy = alongY ? plotCentreY - frameCentreY : 0;
    const Extended zx = alongX && fw > 0 ? Extended(std::abs(plot.Width())) / fw : 1;
    const Extended zy = alongY && fh > 0 ? Extended(std::abs(plot.Height())) / fh : 1;
    if (W.AnimatedZoom) W.TakeAnimationStart();
    {
        const TUndoRecordingPause recorded(W);
        const int reference = W.TopGraphIndex();
        W.PanBy(dx, dy, true, reference);
        W.ZoomBy(reference, true, TAxis::X, zx, zy);
    }
    W.StartViewAnimationOrRepaint(W.AnimatedZoom);
}

int TFrameZoomTool::Cursor() const {
    switch (W.ZoomMode()) {
    case zmZoomWndStart:
    case zmZoomWndFinish:
        return 4;
    case zmZoomXStart:
    case zmZoomXFinish:
        return 5;
    case zmZoomYStart:
    case zmZoomYFinish:
        return 6;
    case zmNone:
        break;
    }
    return 0;
}

TMouseTool::TRubberBand TFrameZoomTool::Band() const {
    if (!Engaged()) return {};
    const TZoomMode mode = W.ZoomMode();
    const TSuperGrWindow::TBandKind kind = mode == zmZoomXFinish   ? TSuperGrWindow::TBandKind::XBand
                                           : mode == zmZoomYFinish ? TSuperGrWindow::TBandKind::YBand
                                                                   : TSuperGrWindow::TBandKind::Frame;
    return {kind, SpannedRect(FStart, FEnd)};
}
