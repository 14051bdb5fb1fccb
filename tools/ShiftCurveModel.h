// The node shift curve dialog without widgets: the control points A and B as its number boxes and
// track bars show them (each coordinate × 100, 0 … 100), and the curve put to use by the window's
// node editing.
#pragma once

#include "window/ShiftCurve.h"

class TSuperGrWindow;

class TShiftCurveModel {
public:
    enum TCoordinate { Ax, Ay, Bx, By };
    static constexpr int Scale = 100;

    TShiftCurve Curve;

    void Load(const TSuperGrWindow& window);
    // The coordinate as a box shows it, rounded into 0 … 100.
    int Shown(TCoordinate c) const;
    // A box's value; values outside 0 … 100 are brought to the nearest bound.
    void SetFromBox(TCoordinate c, int shown);
    // A track bar's values, both coordinates of its point.
    void SetFromTrackBar(bool pointA, double x, double y);
    // The window's curve becomes this one: its table is filled and node moving follows it.
    void Apply(TSuperGrWindow& window) const;

    // The preview window's look: a small plot of the curve alone, no labels, grid or ticks, and no
    // pan or zoom.
    static void ConfigurePreview(TSuperGrWindow& preview);
    // The curve's table as the preview's only graph.
    void ShowInPreview(TSuperGrWindow& preview) const;

private:
    Extended& Coordinate(TCoordinate c);
};
