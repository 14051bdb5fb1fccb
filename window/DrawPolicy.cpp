#include "window/DrawPolicy.h"

#include "window/SuperGrWindow.h"

namespace {
bool FlagOf(const TGraph& g, int which) {
    switch (which) {
    case 0: return g.AllowShiftX();
    case 1: return g.AllowShiftY();
    case 2: return g.AllowScaleX();
    default: return g.AllowScaleY();
    }
}

} // namespace

bool TDrawPolicy::AnyGraphAllows(int which) const {
    for (int i = 0; i < Window->GraphCount(); ++i)
        if (FlagOf(*Window->GraphByIndex(i), which)) return true;
    return false;
}

bool TDrawPolicy::AllowPosX() const { return AnyGraphAllows(ShiftX); }
bool TDrawPolicy::AllowPosY() const { return AnyGraphAllows(ShiftY); }
bool TDrawPolicy::AllowScaleX() const { return AnyGraphAllows(ScaleX); }
bool TDrawPolicy::AllowScaleY() const { return AnyGraphAllows(ScaleY); }

void TDrawPolicy::RecordPermissions() {
    if (!Window->UndoRecording || Window->GraphCount() == 0) return;
    Window->RecordOp(UndoOp::Permissions);
    Window->UndoSide.Permissions.append(Window->CapturePermissions());
    Window->FinishRecord(UndoOp::Permissions);
}

void TDrawPolicy::RecordSnap() {
    if (!Window->UndoRecording) return;
    Window->RecordOp(UndoOp::SnapPolicy);
    Window->UndoSide.SnapPolicies.append(Window->CaptureSnapPolicy());
    Window->UndoSide.Views.append(Window->CaptureViews());
    Window->UndoSide.Permissions.append(Window->CapturePermissions());
    Window->FinishRecord(UndoOp::SnapPolicy);
}

void TDrawPolicy::ApplyToGraphs(int which, bool v, bool selectedOnly) {
    const TUndoRecordingPause quiet(*Window);
    for (int i = 0; i < Window->GraphCount(); ++i) {
        TGraph* g = Window->GraphByIndex(i);
        if (selectedOnly && !g->Selected()) continue;
        switch (which) {
        case ShiftX:
            g->SetAllowShiftX(v);
            break;
        case ShiftY:
            g->SetAllowShiftY(v);
            break;
        case ScaleX:
            g->SetAllowScaleX(v);
            break;
        default:
            g->SetAllowScaleY(v);
            break;
        }
    }
}

// Scale X before Y, except when X is on and Y off: the Y pass then runs first, so a fixed-ratio
// graph's shared flag ends as X wants it.
void TDrawPolicy::ApplyScalePasses(bool x, bool y, bool selectedOnly) {
    if (x && !y) {
        ApplyToGraphs(ScaleY, y, selectedOnly);
        ApplyToGraphs(ScaleX, x, selectedOnly);
    } else {
        ApplyToGraphs(ScaleX, x, selectedOnly);
        ApplyToGraphs(ScaleY, y, selectedOnly);
    }
}

void TDrawPolicy::RaiseState(int id) { Raise(Window->Events.OnChangeGraphState, this, id, -1, false); }

void TDrawPolicy::SetAllowPosX(bool v) {
    RecordPermissions();
    ApplyToGraphs(ShiftX, v, false);
}

void TDrawPolicy::SetAllowPosY(bool v) {
    RecordPermissions();
    ApplyToGraphs(ShiftY, v, false);
}

void TDrawPolicy::SetAllowScaleX(bool v) {
    RecordPermissions();
    ApplyToGraphs(ScaleX, v, false);
}

void TDrawPolicy::SetAllowScaleY(bool v) {
    RecordPermissions();
    ApplyToGraphs(ScaleY, v, false);
}

void TDrawPolicy::SetAllowPos(bool x, bool y) {
    RecordPermissions();
    {
        const TUndoRecordingPause quiet(*Window);
        for (int i = 0; i < Window->GraphCount(); ++i) {
            TGraph* g = Window->GraphByIndex(i);
            g->SetAllowShiftX(x);
            g->SetAllowShiftY(y);
        }
    }
    RaiseState(-1);
}

void TDrawPolicy::SetAllowScale(bool x, bool y) {
    RecordPermissions();
    ApplyScalePasses(x, y, false);
    RaiseState(-1);
}

void TDrawPolicy::SetAllowAll(bool shiftX, bool shiftY, bool scaleX, bool scaleY) {
    RecordPermissions();
    {
        const TUndoRecordingPause quiet(*Window);
        for (int i = 0; i < Window->GraphCount(); ++i) {
            TGraph* g = Window->GraphByIndex(i);
            g->SetAllowShiftX(shiftX);
            g->SetAllowShiftY(shiftY);
        }
    }
    ApplyScalePasses(scaleX, scaleY, false);
    RaiseState(-1);
}

void TDrawPolicy::SetAllowSelected(bool shiftX, bool shiftY, bool scaleX, bool scaleY) {
    RecordPermissions();
    ApplyToGraphs(ShiftX, shiftX, true);
    ApplyToGraphs(ShiftY, shiftY, true);
    ApplyScalePasses(scaleX, scaleY, true);
    RaiseState(-2);
}

void TDrawPolicy::AlignPositions(bool x, bool y) {
    Window->StopAnimation();
    if (x == FSingle[0] && y == FSingle[1]) return;
    RecordSnap();
    const bool repaintWas = Window->AllowRepaint;
    Window->AllowRepaint = false;
    for (int i = 0; i < Window->GraphCount(); ++i) {
        TGraph* g = Window->GraphByIndex(i);
        if (x) g->SetPermissionFlagDirect(ShiftX, true);
        if (y) g->SetPermissionFlagDirect(ShiftY, true);
    }
    FSingle[0] = x;
    FSingle[1] = y;
    RaiseState(-1);
    {
        const TUndoRecordingPause quiet(*Window);
        Window->Rescale();
    }
    Window->AllowRepaint = repaintWas;
    Window->Repaint();
}

void TDrawPolicy::AlignScales(bool x, bool y) {
    Window->StopAnimation();
    if (x != FSingle[2] || y != FSingle[3]) {
        RecordSnap();
        const bool repaintWas = Window->AllowRepaint;
        Window->AllowRepaint = false;
        for (int i = 0; i < Window->GraphCount(); ++i) {
            TGraph* g = Window->GraphByIndex(i);
            if (x) g->SetPermissionFlagDirect(ScaleX, true);
            if (y) g->SetPermissionFlagDirect(ScaleY, true);
        }
        FSingle[2] = x;
        FSingle[3] = y;
        {
            const TUndoRecordingPause quiet(*Window);
            Window->Rescale();
        }
        Window->AllowRepaint = repaintWas;
        Window->Repaint();
    }
    RaiseState(-1);
}

void TDrawPolicy::SetSingle(int which, bool v) {
    Window->StopAnimation();
    if (FSingle[which] == v) return;
    RecordSnap();
    FSingle[which] = v;
    const TUndoRecordingPause quiet(*Window);
    Window->Rescale();
    Window->Repaint();
}
