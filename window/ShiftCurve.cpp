#include "window/ShiftCurve.h"

TShiftCurve TShiftCurve::Preset(int number) {
    switch (number) {
    case 2: return {{0.1L, 1}, {0.5L, 1}};
    case 3: return {{0, 0}, {1, 0}};
    case 4: return {{0.3333L, 1}, {0.3333L, 0}};
    default: return {{0, 1}, {1, 0}};
    }
}

TCurvePoint TShiftCurve::At(Extended t) const {
    const Extended s = 1 - t;
    const Extended b0 = s * s * s, b1 = 3 * t * s * s, b2 = 3 * t * t * s, b3 = t * t * t;
    // P0 = (0, 1), P3 = (1, 0).
    return {b1 * A.X + b2 * B.X + b3, b0 + b1 * A.Y + b2 * B.Y};
}

void TShiftCurve::Table(TDoubleArray& u, TDoubleArray& w) const {
    u.fill(0, 201);
    w.fill(0, 201);
    for (int k = 0; k <= 100; ++k) {
        const TCurvePoint p = At(Extended(k) / 100);
        u[100 + k] = p.X;
        w[100 + k] = p.Y;
        if (k >= 1) {
            u[100 - k] = -p.X;
            w[100 - k] = p.Y;
        }
    }
}

Extended ShiftCurveWeight(const TDoubleArray& u, const TDoubleArray& w, Extended distance) {
    const qsizetype n = std::min(u.size(), w.size());
    if (distance <= 0 || n == 0) return 0;
    if (distance >= u[n - 1]) return w[n - 1];
    for (qsizetype i = 1; i < n; ++i) {
        if (u[i] < distance) continue;
        const Extended span = u[i] - u[i - 1];
        if (span <= 0) return w[i];
        return w[i - 1] + (w[i] - w[i - 1]) * (distance - u[i - 1]) / span;
    }
    return w[n - 1];
}
