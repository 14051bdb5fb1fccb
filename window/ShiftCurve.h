// The node shift curve: how much less the selected nodes further from the grabbed node move.
#pragma once

#include "model/ost2_Types.h"

struct TCurvePoint {
    Extended X = 0;
    Extended Y = 0;
};

// A cubic Bézier curve from (0, 1) to (1, 0) with the two free control points A and B.
struct TShiftCurve {
    TCurvePoint A{0, 1};
    TCurvePoint B{1, 0};

    // The presets: 1 "Линейная", 2 "Кривая 1", 3 "Кривая 2", 4 "Кривая 3".
    static TShiftCurve Preset(int number);
    TCurvePoint At(Extended t) const;
    // 201 points from u = -1 to u = 1, the curve mirrored to negative distances, peak at index 100.
    void Table(TDoubleArray& u, TDoubleArray& w) const;
};

// The weight at relative distance u: 0 for u <= 0, the last weight at or beyond the last abscissa,
// otherwise linear between the two table points around u.
Extended ShiftCurveWeight(const TDoubleArray& u, const TDoubleArray& w, Extended distance);
