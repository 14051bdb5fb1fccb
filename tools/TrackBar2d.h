// The two-dimensional track bar without widgets: a thumb moved over a rectangle, its X growing to the
// right and its Y upwards, with the geometry that maps values to pixels and back, keyboard steps and
// page moves. A range of no width keeps the thumb at the track's start and the value at the bound.
#pragma once

#include "model/ost2_Types.h"

enum class TTrackKey { Left, Right, Up, Down, Home, End, PageUp, PageDown };

class TTrackBar2d {
public:
    double XValue() const { return FX; }
    double YValue() const { return FY; }
    // Clamped into the range; false when the stored value did not change.
    bool SetXValue(double v);
    bool SetYValue(double v);
    // Sets a range and clamps the value into it; a reversed range is taken the right way round.
    void SetXRange(double min, double max);
    void SetYRange(double min, double max);
    double XMinValue() const { return FXMin; }
    double XMaxValue() const { return FXMax; }
    double YMinValue() const { return FYMin; }
    double YMaxValue() const { return FYMax; }

    int TrackMargin = 5;
    int ThumbWidth = 16, ThumbHeight = 16;
    int XTicksCount = 10, YTicksCount = 10;
    double PageSize = 0.1, XLineSize = 0.1, YLineSize = 0.1, XPageSize = 10, YPageSize = 10;
    // The room of the range edits around the track, 0 without them.
    int EditInsetX = 0, EditInsetY = 0;

    // The track inside a client area of this size.
    TRect Track(int clientWidth, int clientHeight) const;
    // The thumb for these values (the current ones by default) inside the client area.
    TRect Thumb(int clientWidth, int clientHeight) const {
        return ThumbAt(clientWidth, clientHeight, FX, FY);
    }
    TRect ThumbAt(int clientWidth, int clientHeight, double x, double y) const;
    // The values whose thumb has its top-left corner at this pixel (unclamped).
    void ValuesAt(int clientWidth, int clientHeight, int left, int top, double& x, double& y) const;

    // A key step, by the line sizes or with Ctrl by the page sizes; true when a value changed.
    bool Step(TTrackKey key, bool ctrl);
    // A press inside the track outside the thumb: towards the values at the point by PageSize times
    // the range's diagonal, or onto them when closer; true when a value changed.
    bool PageTowards(double x, double y);

private:
    double FX = 0, FY = 0;
    double FXMin = 0, FXMax = 100, FYMin = 0, FYMax = 100;
};
