#include "model/GraphMapping.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <span>

namespace {
constexpr Extended kHuge = 1.7e308L;

// d pixels over k pixels per unit; for k = 0 the largest finite value of d's side.
Extended PixelsToData(Extended d, Extended k) {
    if (k == 0) return d == 0 ? 0 : std::copysign(kHuge, d);
    return d / k;
}

// b raised to an integer power; for negative k the reciprocal of the positive power, so that
// 10^-3 is the nearest value to 0.001.
Extended IntPower(int k, Extended b) {
    Extended result = 1;
    Extended base = b;
    // The magnitude as unsigned: the loop ends after at most 32 halvings whatever k is.
    for (unsigned n = k < 0 ? 0u - unsigned(k) : unsigned(k); n > 0; n >>= 1) {
        if (n & 1) result *= base;
        base *= base;
    }
    return k < 0 ? 1 / result : result;
}

// The whole k with b^k <= |v| < b^(k+1). The logarithms give k up to one either way where |v| is
// close to a power of b, and differently on different processors; the powers settle it. A v or b
// without such a k (infinite, not a number, a base of 0 or 1) gives 0.
int Ratio(Extended b, Extended v) {
    const Extended a = std::fabs(v);
    if (a == 0 || !std::isfinite(a) || !(b > 0) || b == 1 || !std::isfinite(b)) return 0;
    // The clamp keeps the conversion to int defined however close to 1 the base is.
    constexpr Extended kLimit = 1e6L;
    int k = int(std::clamp(std::floor(std::log(a) / std::log(b)), -kLimit, kLimit));
    if (IntPower(k, b) > a)
        --k;
    else if (IntPower(k + 1, b) <= a)
        ++k;
    return k;
}

// pixels over the range from min to max; a range beyond the largest value is taken in halves, and
// a range of a few denormals gives the largest scale rather than an infinite one.
Extended PixelsPerRange(Extended pixels, Extended min, Extended max) {
    const Extended range = std::fabs(max - min);
    const Extended k = std::isinf(range) ? pixels / 2 / std::fabs(max / 2 - min / 2) : pixels / range;
    return std::min(k, std::numeric_limits<Extended>::max());
}

int Magnitude(Extended v) {
    return Ratio(10, v);
}
} // namespace

Extended TGraphMapping::ToDataX(Extended px, const TMappingAnchor& a) const {
    const Extended k = FitX * ZoomX;
    const Extended d = px - a.OriginX;
    if (k == 0) return PixelsToData(d, k);
    return a.MidX + ShiftX + d / k;
}

Extended TGraphMapping::ToDataY(Extended py, const TMappingAnchor& a) const {
    const Extended k = FitY * ZoomY;
    const Extended d = a.OriginY - py;
    if (k == 0) return PixelsToData(d, k);
    return a.MidY + ShiftY + d / k;
}

Extended TGraphMapping::PixelLengthToDataX(Extended d) const {
    return PixelsToData(d, FitX * ZoomX);
}

Extended TGraphMapping::PixelLengthToDataY(Extended d) const {
    return PixelsToData(d, FitY * ZoomY);
}

void TGraphMapping::Fit(const TRect& rect, Extended xMin, Extended xMax, Extended yMin, Extended yMax) {
    const int64_t w = std::llabs(int64_t(rect.Right) - rect.Left);
    const int64_t h = std::llabs(int64_t(rect.Bottom) - rect.Top);
    WidenZeroRange(xMin, xMax);
    WidenZeroRange(yMin, yMax);
    // Never below one pixel, so an empty rectangle cannot mirror the picture.
    FitX = PixelsPerRange(Extended(std::max<int64_t>(w - 1, 1)), xMin, xMax);
    FitY = PixelsPerRange(Extended(std::max<int64_t>(h - 1, 1)), yMin, yMax);
    const Extended kx = FitX * ZoomX, ky = FitY * ZoomY;
    if (kx != 0) PixelStepX = 1 / kx;
    if (ky != 0) PixelStepY = 1 / ky;
}

void TGraphMapping::EqualizeScales() {
    if (FitX <= FitY) {
        if (FitY != 0) SetZoomY(ZoomX * FitX / FitY);
    } else if (FitX != 0) {
        SetZoomX(ZoomY * FitY / FitX);
    }
}

Extended TGraphMapping::TickStep(TTickVariant variant, int n) const {
    const bool alongY = variant == TTickVariant::DecimalY;
    const Extended u = alongY ? PixelLengthToDataY(n) : PixelLengthToDataX(n);

    static constexpr Extended kDecimal[] = {2, 2.5L};
    static constexpr Extended kSeconds[] = {2, 1.5L, 1.6666666666666667L, 2, 1.5L, 2};
    static constexpr Extended kHours[] = {2, 1.5L, 2};
    static constexpr Extended kDays[] = {2, 3.5L, 1.4285714285714286L, 1.4L};
    static constexpr Extended kMonths[] = {2, 1.5L, 1.3333333333333333L, 1.5L};

    // The variant's power of its unit just below u, then up the ladder while the step is more than
    // 2 pixels short of n.
    Extended s0 = 0;
    std::span<const Extended> ladder;
    switch (variant) {
    case TTickVariant::DecimalX:
    case TTickVariant::DecimalY:
        s0 = IntPower(Magnitude(u), 10);
        ladder = kDecimal;
        break;
    case TTickVariant::Seconds:
        s0 = IntPower(Ratio(86400, u), 86400);
        ladder = kSeconds;
        break;
    case TTickVariant::Minutes:
        s0 = IntPower(Ratio(1440, u), 1440);
        ladder = kSeconds;
        break;
    case TTickVariant::Hours:
        s0 = IntPower(Ratio(24, u), 24);
        ladder = kHours;
        break;
    case TTickVariant::Days:
        s0 = IntPower(Ratio(28, u), 28);
        ladder = kDays;
        break;
    case TTickVariant::Months:
        s0 = IntPower(Ratio(28, u), 28);
        ladder = kMonths;
        break;
    case TTickVariant::SecondFractions: {
        const Extended b = IntPower(Magnitude(u * 86400), 10);
        s0 = IntPower(Ratio(86400 / b, u), 86400 / b);
        ladder = kDecimal;
        break;
    }
    }

    Extended s = alongY ? LengthToPixelY(s0) : LengthToPixelX(s0);
    for (Extended factor : ladder)
        if (n - s > 2) s *= factor;
    if (n - s > 2) s *= 2;
    // A scale that is not a number or infinite (data without a finite range) has no ticks.
    return std::isfinite(s) ? s : 0;
}

void WidenZeroRange(Extended& min, Extended& max) {
    if (min != max) return;
    const Extended v = min;
    const Extended d = v == 0 ? 0.01L : 0.01L * std::fabs(v);
    // Near the largest value the widened ends stay finite.
    constexpr Extended kLargest = std::numeric_limits<Extended>::max();
    min = std::max(v - d, -kLargest);
    max = std::min(v + d, kLargest);
}
