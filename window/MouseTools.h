// The mouse tools of the graph window. Each gesture is a tool with its own state: the move and zoom
// drag (MoveZoomTool.h), the zoom frame (FrameZoomTool.h), node editing (NodeEditing.h) and the
// legend drag (LegendDragTool.h). The window (MouseTools.cpp) offers each press to the tools in turn
// and sends the moves and the release to the tool whose gesture is under way.
#pragma once

#include "window/SuperGrWindow.h"

#include <algorithm>

class TMouseTool {
public:
    using TMouseButton = TSuperGrWindow::TMouseButton;
    using TRubberBand = TSuperGrWindow::TRubberBand;

    explicit TMouseTool(TSuperGrWindow& window) : W(window) {}
    virtual ~TMouseTool() = default;
    TMouseTool(const TMouseTool&) = delete;
    TMouseTool& operator=(const TMouseTool&) = delete;

    // Takes the press when the tool answers it in the window's current modes.
    virtual bool Press(TMouseButton button, TShiftState shift, int x, int y) = 0;
    // A gesture of this tool is under way: it gets the moves and the release.
    virtual bool Engaged() const = 0;
    // The mouse moved from one client point to another.
    virtual void Move(TShiftState shift, TPoint to, TPoint from) = 0;
    // A button was released; a gesture ends only with the button that started it.
    virtual void Release(TMouseButton button, TShiftState shift, int x, int y) = 0;
    // The cursor number the tool asks for in the current modes, 0 when it has no say.
    virtual int Cursor() const { return 0; }
    virtual TRubberBand Band() const { return {}; }

protected:
    TSuperGrWindow& W;
};

inline bool InRect(const TRect& r, int x, int y) {
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

// The rectangle spanned by two corners in any order.
inline TRect SpannedRect(TPoint a, TPoint b) {
    return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}
