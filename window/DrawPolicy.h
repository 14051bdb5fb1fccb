// The window's switchboard for moving and scaling graphs together.
#pragma once

#include "window/WindowEvents.h"

class TSuperGrWindow;

class TDrawPolicy : public TComponent {
public:
    explicit TDrawPolicy(TSuperGrWindow* window) : Window(window) {}

    // True when at least one graph has the permission; false for an empty window.
    bool AllowPosX() const;
    bool AllowPosY() const;
    bool AllowScaleX() const;
    bool AllowScaleY() const;
    void SetAllowPosX(bool v);
    void SetAllowPosY(bool v);
    void SetAllowScaleX(bool v);
    void SetAllowScaleY(bool v);

    void SetAllowPos(bool x, bool y);
    void SetAllowScale(bool x, bool y);
    void SetAllowAll(bool shiftX, bool shiftY, bool scaleX, bool scaleY);
    void SetAllowSelected(bool shiftX, bool shiftY, bool scaleX, bool scaleY);
    void AlignPositions(bool x, bool y);
    void AlignScales(bool x, bool y);

    bool SinglePosX() const { return FSingle[0]; }
    bool SinglePosY() const { return FSingle[1]; }
    bool SingleScaleX() const { return FSingle[2]; }
    bool SingleScaleY() const { return FSingle[3]; }
    void SetSinglePosX(bool v) { SetSingle(0, v); }
    void SetSinglePosY(bool v) { SetSingle(1, v); }
    void SetSingleScaleX(bool v) { SetSingle(2, v); }
    void SetSingleScaleY(bool v) { SetSingle(3, v); }
    // Raw access for the figure stream, the settings and undo replay.
    void SetSingleDirect(int which, bool v) { FSingle[which] = v; }

    TSuperGrWindow* Window;

private:
    enum Which { ShiftX = 0, ShiftY = 1, ScaleX = 2, ScaleY = 3 };
    bool AnyGraphAllows(int which) const;
    // Records one permissions step (all graphs) when the window records undo.
    void RecordPermissions();
    void RecordSnap();
    void ApplyToGraphs(int which, bool v, bool selectedOnly);
    void ApplyScalePasses(bool x, bool y, bool selectedOnly);
    void RaiseState(int id);
    void SetSingle(int which, bool v);

    bool FSingle[4] = {false, false, false, false};
};
