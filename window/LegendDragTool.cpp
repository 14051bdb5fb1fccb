#include "window/LegendDragTool.h"

bool TLegendDragTool::Press(TMouseButton button, TShiftState shift, int x, int y) {
    if (!W.ShowLegend() || !InRect(W.LegendRect, x, y)) return false;
    if (button == TMouseButton::Right) {
        Raise(W.Events.OnLegendClick, &W, shift, x, y);
        return true;
    }
    if (button != TMouseButton::Left || W.LegendFixed) return false;
    Raise(W.Events.OnLegendClick, &W, shift, x, y);
    W.FLegendDragging = true;
    // One group holding the current offsets, so the whole drag undoes at once.
    const TUndoGroupScope oneStep(W);
    const int32_t ox = W.LegendOffsetX(), oy = W.LegendOffsetY();
    W.SetLegendOffsetY(oy - 1);
    W.SetLegendOffsetY(oy);
    W.SetLegendOffsetX(ox - 1);
    W.SetLegendOffsetX(ox);
    return true;
}

void TLegendDragTool::Move(TShiftState, TPoint to, TPoint from) {
    {
        const TUndoRecordingPause recorded(W); // the press recorded the offsets
        W.SetLegendOffsetX(W.LegendOffsetX() + (to.X - from.X));
        W.SetLegendOffsetY(W.LegendOffsetY() + (to.Y - from.Y));
    }
    W.Repaint();
}

void TLegendDragTool::Release(TMouseButton button, TShiftState, int, int) {
    if (button == TMouseButton::Left) W.FLegendDragging = false;
}
