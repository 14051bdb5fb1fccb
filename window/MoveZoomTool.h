// The move and zoom drag: the left button pans (with Alt it zooms), the middle button zooms about
// the press point. A drag that starts on a graph's curve acts on that graph alone (single-graph
// control), and a pan released while the mouse still moves glides on.
#pragma once

#include "window/MouseTools.h"

class TMoveZoomTool final : public TMouseTool {
public:
    using TMouseTool::TMouseTool;

    bool Press(TMouseButton button, TShiftState shift, int x, int y) override;
    bool Engaged() const override { return FButton != TMouseButton::None; }
    void Move(TShiftState shift, TPoint to, TPoint from) override;
    void Release(TMouseButton button, TShiftState shift, int x, int y) override;
    int Cursor() const override;

    // A double click takes back the view step that its own first press recorded, and nothing else.
    void TakeBackClickStep();

private:
    void BeginSingleGraphControl(int x, int y);
    void EndSingleGraphControl();
    // The graph that leads the binding groups: the controlled one, else the top graph.
    int Reference() const;
    // The drag's tool mode comes and goes without an event in node work.
    void SwitchToolMode(TToolMode mode);
    void RecordViewStep();
    void ReportViewStep();
    bool StartGlide();

    TMouseButton FButton = TMouseButton::None; // the button of the drag under way
    TPoint FZoomAnchor;
    // Glide velocity in pixels per timer tick, from the last move and its time.
    Extended FVX = 0, FVY = 0;
    int64_t FLastMoveMs = 0;
    bool FViewStepPending = false; // the press recorded a view step, reported at the release
    qsizetype FClickViewStep = -1; // the undo size right after a press recorded its view step
    // Single-graph control: the permissions of all graphs while one graph is controlled.
    int FControlledGraph = -1;
    TPolicyUndoRedo FSavedPermissions;
};
