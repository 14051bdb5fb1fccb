// The zoom frame: in a zoom mode the left button drags a frame (or an X or Y band) and the view
// zooms into it at the release. The zoom mode tells the tool's phase: waiting for the first corner
// (zmZoom...Start) or dragging (zmZoom...Finish).
#pragma once

#include "window/MouseTools.h"

class TFrameZoomTool final : public TMouseTool {
public:
    using TMouseTool::TMouseTool;

    // Left: the first corner. Right: leaves the zoom mode (when the window resets by that button).
    bool Press(TMouseButton button, TShiftState shift, int x, int y) override;
    bool Engaged() const override;
    void Move(TShiftState shift, TPoint to, TPoint from) override;
    void Release(TMouseButton button, TShiftState shift, int x, int y) override;
    int Cursor() const override;
    TRubberBand Band() const override;

    // A zoom mode waits for the first corner of a frame.
    bool Waiting() const;

private:
    void ZoomIntoFrame(TZoomMode mode);

    TPoint FStart, FEnd;
};
