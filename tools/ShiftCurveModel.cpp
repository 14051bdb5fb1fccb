#include "tools/ShiftCurveModel.h"

#include "window/SuperGrWindow.h"

#include <algorithm>
#include <cmath>

void TShiftCurveModel::Load(const TSuperGrWindow& window) {
    Curve = window.ShiftCurve;
}

Extended& TShiftCurveModel::Coordinate(TCoordinate c) {
    switch (c) {
    case Ax:
        return Curve.A.X;
    case Ay:
        return Curve.A.Y;
    case Bx:
        return Curve.B.X;
    case By:
        break;
    }
    return Curve.B.Y;
}

int TShiftCurveModel::Shown(TCoordinate c) const {
    const Extended values[] = {Curve.A.X, Curve.A.Y, Curve.B.X, Curve.B.Y};
    const Extended v = values[c];
    return int(std::clamp<long>(std::lround(double(v * Scale)), 0, Scale));
}

void TShiftCurveModel::SetFromBox(TCoordinate c, int shown) {
    Coordinate(c) = Extended(std::clamp(shown, 0, Scale)) / Scale;
}

void TShiftCurveModel::SetFromTrackBar(bool pointA, double x, double y) {
    TCurvePoint& p = pointA ? Curve.A : Curve.B;
    p.X = Extended(std::clamp(x, 0.0, double(Scale))) / Scale;
    p.Y = Extended(std::clamp(y, 0.0, double(Scale))) / Scale;
}

void TShiftCurveModel::Apply(TSuperGrWindow& window) const {
    window.ShiftCurve = Curve;
    Curve.Table(window.ShiftCurveU, window.ShiftCurveW);
    window.UseShiftCurve = true;
}
