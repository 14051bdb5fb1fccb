#include "window/MoveZoomTool.h"

#include "window/ViewAnimator.h"

#include <cmath>
#include <cstdlib>

namespace {
// A glide follows only a release this soon after the last move.
constexpr int64_t kGlideAfterMoveMs = 25;

int Sign(int v) {
    return (v > 0) - (v < 0);
}

// A mostly vertical or horizontal movement snaps to that axis.
void SnapToAxis(int& dx, int& dy) {
    if (dx == 0 || std::abs(dy) > 1.7 * std::abs(dx))
        dx = 0;
    else if (dy == 0 || std::abs(dx) > 1.7 * std::abs(dy))
        dy = 0;
}
} // namespace

bool TMoveZoomTool::Press(TMouseButton button, TShiftState shift, int x, int y) {
    const bool middle = button == TMouseButton::Middle;
    if (W.EditMode() != emNothing || !(middle || button == TMouseButton::Left)) return false;
    BeginSingleGraphControl(x, y);
    W.StoredToolMode = W.ToolMode();
    if (middle) {
        W.StoredZoomMode = W.ZoomMode();
        W.FZoomMode = zmNone;
    }
    SwitchToolMode(middle || (shift & ssAlt) ? tmZoom : tmMove);
    FButton = button;
    FZoomAnchor = {x, y};
    FVX = FVY = 0;
    FLastMoveMs = W.Clock().NowMs();
    RecordViewStep();
    return true;
}

void TMoveZoomTool::Move(TShiftState shift, TPoint to, TPoint from) {
    int dx = to.X - from.X, dy = to.Y - from.Y;
    SnapToAxis(dx, dy);
    const int64_t now = W.Clock().NowMs();
    if (W.ToolMode() == tmZoom) {
        // Each message is one step, whatever its length.
        Extended step = 0.1L;
        if (shift & ssShift) {
            const TZoomSpeed& speed = W.ZoomSpeed;
            const Extended ratio =
                speed.ZoomNormal() != 0 ? speed.ZoomSlowx1() / speed.ZoomNormal() : Extended(0);
            step = ratio != 0 ? 0.01L * ratio : 0.1L;
        }
        W.ZoomAbout(FZoomAnchor.X, FZoomAnchor.Y, 1 + step * Sign(dx), 1 - step * Sign(dy), Reference());
        W.Relayout();
    } else if (W.ToolMode() == tmMove && FButton == TMouseButton::Left) {
        W.PanBy(dx, dy, true, Reference());
        const int64_t elapsed = now - FLastMoveMs;
        if (elapsed >= 1) {
            FVX = Extended(dx) / elapsed * TViewAnimator::TickMs;
            FVY = Extended(dy) / elapsed * TViewAnimator::TickMs;
        } else {
            FVX = FVY = 0;
        }
        W.Relayout();
    }
    FLastMoveMs = now;
}

void TMoveZoomTool::Release(TMouseButton button, TShiftState, int x, int y) {
    if (button != FButton) return;
    FButton = TMouseButton::None;
    const bool middle = button == TMouseButton::Middle;
    if (middle)
        EndSingleGraphControl();
    else
        Raise(W.Events.OnNewCoords, &W, x, y);
    ReportViewStep();
    SwitchToolMode(TToolMode(W.StoredToolMode));
    if (middle)
        W.FZoomMode = TZoomMode(W.StoredZoomMode);
    else if (!StartGlide())
        EndSingleGraphControl();
    W.Repaint();
}

int TMoveZoomTool::Cursor() const {
    switch (W.ToolMode()) {
    case tmMove:
        return 8;
    case tmZoom:
        return 7;
    default:
        return 0;
    }
}

void TMoveZoomTool::SwitchToolMode(TToolMode mode) {
    const TToolMode old = W.FToolMode;
    W.FToolMode = mode;
    if (old != tmEdit && mode != tmEdit && old != mode) Raise(W.Events.OnToolModeChange, &W, old, mode);
}

int TMoveZoomTool::Reference() const {
    return FControlledGraph >= 0 ? FControlledGraph : W.TopGraphIndex();
}

bool TMoveZoomTool::StartGlide() {
    const bool recentMove = W.Clock().NowMs() - FLastMoveMs < kGlideAfterMoveMs;
    if (!W.AnimatedMove || !recentMove || (std::fabs(FVX) < 1 && std::fabs(FVY) < 1)) return false;
    W.FAnimator->StartGlide(FVX, FVY, FControlledGraph, [this] { EndSingleGraphControl(); });
    return true;
}

// ---------------------------------------------------------------------------------------------
// The view step of the drag: recorded at the press, reported when the drag ends

void TMoveZoomTool::RecordViewStep() {
    FViewStepPending = false;
    if (!W.UndoRecording || W.GraphCount() == 0) return;
    // Reported when the drag ends; a double click may take it back.
    W.RedoSide.Clear();
    W.RecordOp(UndoOp::Views);
    W.UndoSide.Views.append(W.CaptureViews());
    if (!W.Modified()) W.SetModified(true);
    FViewStepPending = true;
    FClickViewStep = W.UndoSide.Ops.size();
}

void TMoveZoomTool::ReportViewStep() {
    if (!FViewStepPending) return;
    FViewStepPending = false;
    W.RaiseUndoRedoOp(UndoOp::Views);
}

void TMoveZoomTool::TakeBackClickStep() {
    const TUndoSide& undo = W.UndoSide;
    if (FClickViewStep >= 0 && undo.Ops.size() == FClickViewStep && !undo.Ops.isEmpty() &&
        undo.Ops.last().OpType == UndoOp::Views)
        W.Undo();
    FClickViewStep = -1;
}

// ---------------------------------------------------------------------------------------------
// Single-graph control

void TMoveZoomTool::BeginSingleGraphControl(int x, int y) {
    if (!W.MouseGraphCtrl) return;
    for (int layer = 0; layer < W.GraphCount(); ++layer) {
        const int index = W.IndexOfLayer(layer);
        TGraph* g = W.GraphByIndex(index);
        if (!g || !g->Visible()) continue;
        int cx = 0, cy = 0;
        const int distance = g->NearestCurvePoint(x, y, cx, cy);
        if (distance == TGraph::NoDistance || distance > W.NodePickRadius) continue;
        FSavedPermissions = W.CapturePermissions();
        const bool own[4] = {g->AllowShiftX(), g->AllowShiftY(), g->AllowScaleX(), g->AllowScaleY()};
        for (int i = 0; i < W.GraphCount(); ++i)
            for (int w = 0; w < 4; ++w)
                W.GraphByIndex(i)->SetPermissionFlagDirect(w, false);
        for (int w = 0; w < 4; ++w)
            g->SetPermissionFlagDirect(w, own[w]);
        FControlledGraph = index;
        return;
    }
}

void TMoveZoomTool::EndSingleGraphControl() {
    if (FControlledGraph < 0) return;
    for (const TPolicyItem& item : FSavedPermissions)
        if (TGraph* g = W.GraphByID(item.GraphID))
            for (int w = 0; w < 4; ++w)
                g->SetPermissionFlagDirect(w, item.Flags[w]);
    FSavedPermissions.clear();
    FControlledGraph = -1;
}
