// Mouse gestures of the graph window: clicks on graphs, move and zoom drags with glide, wheel zoom,
// zoom frames and the legend drag. Node editing gestures live beside, in NodeEditing.cpp.
#include "model/Codecs.h"
#include "window/SuperGrWindow.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kGroupCount = 9;
constexpr int kTimerInterval = 30;

bool InRect(const TRect& r, int x, int y) {
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

bool IsZoomStart(TZoomMode m) {
    return m == zmZoomWndStart || m == zmZoomXStart || m == zmZoomYStart;
}
bool IsZoomFinish(TZoomMode m) {
    return m == zmZoomWndFinish || m == zmZoomXFinish || m == zmZoomYFinish;
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Queries

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
    switch (FZoomMode) {
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
    if (FToolMode == tmEdit) {
        switch (FEditMode) {
        case emSelect:
        case emEndSelection:
        case emInsert:
            return 2;
        case emDelete:
            return 3;
        default:
            return 1;
        }
    }
    if (FToolMode == tmMove) return 8;
    if (FToolMode == tmZoom) return 7;
    return 1;
}

TSuperGrWindow::TRubberBand TSuperGrWindow::RubberBand() const {
    TRubberBand band;
    const bool selecting = FEditMode == emEndSelection;
    if (!IsZoomFinish(FZoomMode) && !selecting) return band;
    band.Rect = {std::min(FFrameStart.X, FFrameEnd.X), std::min(FFrameStart.Y, FFrameEnd.Y),
                 std::max(FFrameStart.X, FFrameEnd.X), std::max(FFrameStart.Y, FFrameEnd.Y)};
    if (selecting)
        band.Kind = TBandKind::Selection;
    else if (FZoomMode == zmZoomXFinish)
        band.Kind = TBandKind::XBand;
    else if (FZoomMode == zmZoomYFinish)
        band.Kind = TBandKind::YBand;
    else
        band.Kind = TBandKind::Frame;
    return band;
}

// ---------------------------------------------------------------------------------------------
// Helpers of the gestures

void TSuperGrWindow::RecordViewStepAtPress() {
    FViewStepPending = false;
    if (!UndoRecording || FGraphs.empty()) return;
    // The step is reported when the gesture ends; a double click may take it back.
    RedoSide.Clear();
    RecordOp(UndoOp::Views);
    UndoSide.Views.append(CaptureViews());
    if (!FModified) SetModified(true);
    FViewStepPending = true;
    FClickViewStep = UndoSide.Ops.size();
}

void TSuperGrWindow::BeginSingleGraphControl(int x, int y) {
    if (!MouseGraphCtrl) return;
    for (int layer = 0; layer < GraphCount(); ++layer) {
        const int index = IndexOfLayer(layer);
        if (index < 0) continue;
        TGraph& g = *FGraphs[size_t(index)];
        if (!g.Visible()) continue;
        int cx = 0, cy = 0;
        const int distance = g.NearestCurvePoint(x, y, cx, cy);
        if (distance == TGraph::NoDistance || distance > NodePickRadius) continue;
        FSavedPermissions = CapturePermissions();
        const bool own[4] = {g.AllowShiftX(), g.AllowShiftY(), g.AllowScaleX(), g.AllowScaleY()};
        for (const auto& other : FGraphs)
            for (int w = 0; w < 4; ++w)
                other->SetPermissionFlagDirect(w, false);
        for (int w = 0; w < 4; ++w)
            g.SetPermissionFlagDirect(w, own[w]);
        FSingleGraphControl = true;
        FControlledGraph = index;
        return;
    }
}

void TSuperGrWindow::EndSingleGraphControl() {
    if (!FSingleGraphControl) return;
    for (const TPolicyItem& item : FSavedPermissions)
        if (TGraph* g = GraphByID(item.GraphID))
            for (int w = 0; w < 4; ++w)
                g->SetPermissionFlagDirect(w, item.Flags[w]);
    FSavedPermissions.clear();
    FSingleGraphControl = false;
    FControlledGraph = -1;
}

bool TSuperGrWindow::MarkerPick(int x, int y) {
    for (int layer = 0; layer < GraphCount(); ++layer) {
        const int index = IndexOfLayer(layer);
        if (index < 0) continue;
        TGraph& g = *FGraphs[size_t(index)];
        if (g.Visible() && g.Markers.Pick(x, y)) {
            Repaint();
            return true;
        }
    }
    Repaint();
    return false;
}

void TSuperGrWindow::StartMoveOrZoomDrag(TShiftState shift, int x, int y, bool middle) {
    BeginSingleGraphControl(x, y);
    StoredToolMode = FToolMode;
    const TToolMode dragMode = middle || (shift & ssAlt) ? tmZoom : tmMove;
    if (middle) {
        StoredZoomMode = FZoomMode;
        FZoomMode = zmNone;
    }
    if (FToolMode == tmEdit)
        SetToolModeQuietly(dragMode);
    else {
        const TToolMode old = FToolMode;
        FToolMode = dragMode;
        Raise(Events.OnToolModeChange, this, old, dragMode);
    }
    FZoomAnchor = {x, y};
    FDragActive = true;
    FVX = FVY = 0;
    FLastMoveMs = FClock->NowMs();
    RecordViewStepAtPress();
}

// ---------------------------------------------------------------------------------------------
// Buttons

void TSuperGrWindow::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    // A press first ends a glide or an animation; if one was running, that is all it does.
    if (FGliding || FAnimating) {
        StopGlide();
        StopAnimation();
        return;
    }
    Focused = true;
    FLastPoint = {x, y};

    if (button == TMouseButton::Left && !(shift & ssMiddle)) {
        FPressedButton = TMouseButton::Left;
        if (FShowLegend && !LegendFixed && InRect(LegendRect, x, y)) {
            FPressPoint = {x, y};
            Raise(Events.OnLegendClick, this, shift, x, y);
            FLegendDragging = true;
            // One group holding the current offsets, so the whole drag undoes at once.
            const TUndoGroupScope oneStep(*this);
            const int32_t ox = FLegendOffsetX, oy = FLegendOffsetY;
            SetLegendOffsetY(oy - 1);
            SetLegendOffsetY(oy);
            SetLegendOffsetX(ox - 1);
            SetLegendOffsetX(ox);
            return;
        }
        if (InRect(PlotRect, x, y)) {
            if (IsZoomStart(FZoomMode)) {
                FFrameStart = FFrameEnd = {x, y};
                const TZoomMode finish = FZoomMode == zmZoomWndStart ? zmZoomWndFinish
                                         : FZoomMode == zmZoomXStart ? zmZoomXFinish
                                                                     : zmZoomYFinish;
                SetZoomMode(finish);
            } else if (FToolMode == tmEdit && (FEditMode == emSelect || FEditMode == emInsert ||
                                               FEditMode == emDelete || FEditMode == emMove)) {
                EditPress(shift, x, y);
            } else if ((shift & ssCtrl) && !FGraphs.empty()) {
                MarkerPick(x, y);
            } else if (FEditMode == emNothing) {
                StartMoveOrZoomDrag(shift, x, y, false);
            }
            FPressPoint = {x, y};
        }
        const int hit = HitTestGraph(x, y);
        if (hit >= 0) Raise(Events.OnGraphClick, this, hit, shift, x, y);
        return;
    }

    if (button == TMouseButton::Middle && !(shift & (ssLeft | ssRight))) {
        FPressedButton = TMouseButton::Middle;
        if (InRect(PlotRect, x, y)) {
            if ((shift & ssCtrl) && !FGraphs.empty()) {
                MarkerPick(x, y);
                return;
            }
            if (FEditMode == emNothing) StartMoveOrZoomDrag(shift, x, y, true);
        }
        FPressPoint = {x, y};
        const int hit = HitTestGraph(x, y);
        if (hit >= 0) Raise(Events.OnGraphClick, this, hit, shift, x, y);
        return;
    }

    if (button == TMouseButton::Right && !(shift & (ssLeft | ssMiddle))) {
        FPressedButton = TMouseButton::Right;
        if (FShowLegend && InRect(LegendRect, x, y)) {
            Raise(Events.OnLegendClick, this, shift, x, y);
            return;
        }
        if (IsZoomStart(FZoomMode) && ResetByRightButton) {
            SetZoomMode(zmNone);
            return;
        }
        if (ResetByRightButton && FToolMode == tmEdit && FEditMode != emNothing) {
            if (FEditMode == emMove) {
                bool anySelectedNodes = false;
                for (const auto& g : FGraphs)
                    anySelectedNodes |= g->Selected() && g->SelectedCount() > 0;
                if (anySelectedNodes)
                    UnselectNodes();
                else
                    SetEditMode(emNothing);
            } else if (FEditMode == emSelect || FEditMode == emInsert || FEditMode == emDelete) {
                SetEditMode(emNothing);
            }
            Repaint();
            return;
        }
        const int hit = HitTestGraph(x, y);
        if (hit >= 0)
            Raise(Events.OnGraphClick, this, hit, shift, x, y);
        else if (ContextMenuHandler)
            ContextMenuHandler(x, y);
    }
}

void TSuperGrWindow::MouseMove(TShiftState shift, int x, int y) {
    int dx = x - FLastPoint.X, dy = y - FLastPoint.Y;
    // A mostly vertical or horizontal move snaps to that axis; no movement changes nothing.
    if (dx == 0 && dy == 0) {
        Raise(Events.OnNewCoords, this, x, y);
        return;
    }
    if (dx == 0 || std::abs(dy) > 1.7 * std::abs(dx))
        dx = 0;
    else if (dy == 0 || std::abs(dx) > 1.7 * std::abs(dy))
        dy = 0;
    const int64_t now = FClock->NowMs();
    const bool leftHeld = FPressedButton == TMouseButton::Left;
    const bool middleHeld = FPressedButton == TMouseButton::Middle;

    if (IsZoomFinish(FZoomMode)) {
        FFrameEnd = {x, y};
        Repaint();
        Raise(Events.OnNewCoords, this, x, y);
    } else if (FEditMode == emEndSelection || FEditMode == emMoving) {
        EditMove(shift, x, y);
    } else if (FToolMode == tmZoom && (leftHeld || middleHeld)) {
        Extended step = 0.1L;
        if (shift & ssShift) {
            const Extended ratio =
                ZoomSpeed.ZoomNormal() != 0 ? ZoomSpeed.ZoomSlowx1() / ZoomSpeed.ZoomNormal() : Extended(0);
            step = ratio != 0 ? 0.01L * ratio : 0.1L;
        }
        ZoomAbout(FZoomAnchor.X, FZoomAnchor.Y, 1 + step * Sign(dx), 1 - step * Sign(dy));
        Relayout();
    } else if (FToolMode == tmMove && leftHeld) {
        PanBy(dx, dy, true, FControlledGraph >= 0 ? FControlledGraph : TopGraphIndex());
        const int64_t elapsed = now - FLastMoveMs;
        if (elapsed >= 1) {
            FVX = Extended(dx) / elapsed * kTimerInterval;
            FVY = Extended(dy) / elapsed * kTimerInterval;
        } else {
            FVX = FVY = 0;
        }
        Relayout();
    } else if (FLegendDragging) {
        const bool recording = UndoRecording;
        UndoRecording = false; // the press recorded the offsets
        SetLegendOffsetX(FLegendOffsetX + (x - FLastPoint.X));
        SetLegendOffsetY(FLegendOffsetY + (y - FLastPoint.Y));
        UndoRecording = recording;
        Repaint();
    } else {
        Raise(Events.OnNewCoords, this, x, y);
    }
    FLastPoint = {x, y};
    FLastMoveMs = now;
}

void TSuperGrWindow::FinishFrameZoom(int x, int y) {
    const TZoomMode mode = FZoomMode;
    FFrameEnd = {x, y};
    if (!FGraphs.empty()) {
        if (UndoRecording) {
            ClearRedoHistory();
            RecordOp(UndoOp::Views);
            UndoSide.Views.append(CaptureViews());
            FinishRecord(UndoOp::Views);
        }
        // Absolute sizes: a frame dragged backwards zooms the same way, never mirrored.
        const int fw = std::abs(x - FFrameStart.X), fh = std::abs(y - FFrameStart.Y);
        const Extended frameCentreX = (Extended(x) + FFrameStart.X) / 2,
                       frameCentreY = (Extended(y) + FFrameStart.Y) / 2;
        const Extended plotCentreX = (Extended(PlotRect.Left) + PlotRect.Right) / 2;
        const Extended plotCentreY = (Extended(PlotRect.Top) + PlotRect.Bottom) / 2;
        const bool alongX = mode != zmZoomYFinish, alongY = mode != zmZoomXFinish;
        const Extended dx = alongX ? plotCentreX - frameCentreX : 0;
        const Extended dy = alongY ? plotCentreY - frameCentreY : 0;
        const Extended zx = alongX && fw > 0 ? Extended(std::abs(PlotRect.Width())) / fw : 1;
        const Extended zy = alongY && fh > 0 ? Extended(std::abs(PlotRect.Height())) / fh : 1;
        if (AnimatedZoom) TakeAnimationStart();
        const bool recording = UndoRecording;
        UndoRecording = false;
        const int reference = TopGraphIndex();
        PanBy(dx, dy, true, reference);
        ZoomBy(reference, true, TAxis::X, zx, zy);
        UndoRecording = recording;
        StartViewAnimationOrRepaint(AnimatedZoom);
    }
    TZoomMode next = zmNone;
    if (MultiWndZoom)
        next = mode == zmZoomWndFinish ? zmZoomWndStart : mode == zmZoomXFinish ? zmZoomXStart : zmZoomYStart;
    SetZoomMode(next);
    Repaint();
}

void TSuperGrWindow::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::Left) {
        FPressedButton = TMouseButton::None;
        if (FLegendDragging) {
            FLegendDragging = false;
            return;
        }
        if (IsZoomFinish(FZoomMode)) {
            FinishFrameZoom(x, y);
            return;
        }
        if (FEditMode == emEndSelection || FEditMode == emMoving) {
            EditRelease(shift, x, y);
            return;
        }
        if (!FDragActive) return;
        FDragActive = false;
        Raise(Events.OnNewCoords, this, x, y);
        if (FViewStepPending) {
            FViewStepPending = false;
            RaiseUndoRedoOp(UndoOp::Views);
        }
        const TToolMode back = TToolMode(StoredToolMode);
        if (back == tmEdit)
            SetToolModeQuietly(back);
        else if (back != FToolMode) {
            const TToolMode old = FToolMode;
            FToolMode = back;
            Raise(Events.OnToolModeChange, this, old, back);
        }
        const bool recentMove = FClock->NowMs() - FLastMoveMs < 25;
        if (AnimatedMove && recentMove && (std::fabs(FVX) >= 1 || std::fabs(FVY) >= 1)) {
            FGliding = true;
            FLegendBeforeGlide = FShowLegend;
            FShowLegend = false;
            Raise(Events.OnStartAnimation, this);
            FTimer->Start(kTimerInterval);
        } else {
            EndSingleGraphControl();
        }
        Repaint();
        return;
    }
    if (button == TMouseButton::Middle) {
        FPressedButton = TMouseButton::None;
        if (!FDragActive) return;
        FDragActive = false;
        EndSingleGraphControl();
        if (FViewStepPending) {
            FViewStepPending = false;
            RaiseUndoRedoOp(UndoOp::Views);
        }
        const TToolMode back = TToolMode(StoredToolMode);
        if (back == tmEdit)
            SetToolModeQuietly(back);
        else if (back != FToolMode) {
            const TToolMode old = FToolMode;
            FToolMode = back;
            Raise(Events.OnToolModeChange, this, old, back);
        }
        FZoomMode = TZoomMode(StoredZoomMode);
        Repaint();
        return;
    }
    if (button == TMouseButton::Right) {
        FPressedButton = TMouseButton::None;
        Raise(Events.OnNewCoords, this, x, y);
    }
}

void TSuperGrWindow::CaptureLost() {
    if (FPressedButton != TMouseButton::None) MouseUp(FPressedButton, 0, FLastPoint.X, FLastPoint.Y);
}

void TSuperGrWindow::DoubleClick(TMouseButton button, TShiftState shift, int x, int y) {
    if (button != TMouseButton::Left) return;
    Focused = true;
    // Only the view step of this double click's own first press is taken back.
    if (FClickViewStep >= 0 && UndoSide.Ops.size() == FClickViewStep && !UndoSide.Ops.isEmpty() &&
        UndoSide.Ops.last().OpType == UndoOp::Views)
        Undo();
    FClickViewStep = -1;
    const int hit = HitTestGraph(x, y);
    if (hit >= 0) Raise(Events.OnGraphDblClick, this, hit, shift, x, y);
}

// ---------------------------------------------------------------------------------------------
// Wheel and zoom about a point

void TSuperGrWindow::MouseWheel(int delta, TShiftState shift, int x, int y) {
    if (IsZoomStart(FZoomMode) && ResetZoomByWheel) {
        SetZoomMode(zmNone);
        return;
    }
    if (FPressedButton == TMouseButton::Left || FPressedButton == TMouseButton::Middle || delta == 0) return;
    StopGlide();
    StopAnimation();
    FZoomAnchor = {x, y};
    Extended a = static_cast<float>((shift & ssShift) ? ZoomSpeed.ZoomSlowx1() : ZoomSpeed.ZoomNormal());
    if (a == 0) a = 1;
    if (UndoRecording && !FGraphs.empty()) {
        ClearRedoHistory();
        RecordOp(UndoOp::Views);
        UndoSide.Views.append(CaptureViews());
        FinishRecord(UndoOp::Views);
    }
    const Extended factor = delta > 0 ? a : 1 / a;
    ZoomAbout(x, y, factor, factor);
    Relayout();
}

void TSuperGrWindow::ZoomAbout(int x, int y, Extended fx, Extended fy) {
    FitAllToPlot();
    const int n = GraphCount();
    QList<Extended> oldX(n), oldY(n);
    for (int i = 0; i < n; ++i) {
        oldX[i] = FGraphs[size_t(i)]->ZoomX();
        oldY[i] = FGraphs[size_t(i)]->ZoomY();
    }
    for (const auto& g : FGraphs) {
        const bool freeX = g->EffectiveScaleGroupX() < 0, freeY = g->EffectiveScaleGroupY() < 0;
        if (g->FixedRatio()) {
            if (!freeX || !freeY || !g->AllowScaleX() || !g->AllowScaleY()) continue;
            const Extended z = std::fabs(1 - fx) >= std::fabs(1 - fy) ? fx : fy;
            g->SetZoomX(g->ZoomX() * z);
            g->SetZoomY(g->ZoomY() * z);
            continue;
        }
        if (freeX && g->AllowScaleX()) g->SetZoomX(g->ZoomX() * fx);
        if (freeY && g->AllowScaleY()) g->SetZoomY(g->ZoomY() * fy);
    }
    const int reference = FControlledGraph >= 0 ? FControlledGraph : TopGraphIndex();
    for (int group = 0; group < kGroupCount; ++group) {
        SyncScaleGroup(TAxis::X, group, reference, true, fx);
        SyncScaleGroup(TAxis::Y, group, reference, true, fy);
    }
    // The data point under the anchor stays under it. Bound graphs are corrected too and then follow
    // the reference, otherwise aligned graphs would zoom about the origin instead of the cursor.
    const Extended ax = x - OriginX, ay = y - OriginY;
    for (int i = 0; i < n; ++i) {
        TGraph& g = *FGraphs[size_t(i)];
        const Extended z1x = g.ZoomX(), z1y = g.ZoomY();
        if (oldX[i] != 0 && g.Mapping.FitX * z1x != 0)
            g.Mapping.ShiftX -= (1 - z1x / oldX[i]) * ax / (g.Mapping.FitX * z1x);
        if (oldY[i] != 0 && g.Mapping.FitY * z1y != 0)
            g.Mapping.ShiftY += (1 - z1y / oldY[i]) * ay / (g.Mapping.FitY * z1y);
    }
    for (int group = 0; group < kGroupCount; ++group) {
        SyncPosGroup(TAxis::X, group, reference, true, 0);
        SyncPosGroup(TAxis::Y, group, reference, true, 0);
    }
    for (const auto& g : FGraphs)
        g->Cache.Invalidate(TViewCache::Polyline);
}

// ---------------------------------------------------------------------------------------------
// Glide after a move drag

void TSuperGrWindow::GlideTick() {
    PanBy(RoundHalfEven(FVX), RoundHalfEven(FVY), true,
          FControlledGraph >= 0 ? FControlledGraph : TopGraphIndex());
    FVX *= 0.95L;
    FVY *= 0.95L;
    if (std::fabs(FVX) <= 1) FVX = 0;
    if (std::fabs(FVY) <= 1) FVY = 0;
    if (FVX == 0 && FVY == 0) StopGlide();
    Relayout();
}

void TSuperGrWindow::StopGlide() {
    if (!FGliding) return;
    FGliding = false;
    FTimer->Stop();
    FShowLegend = FLegendBeforeGlide;
    EndSingleGraphControl();
    Raise(Events.OnStopAnimation, this);
    Repaint();
}
