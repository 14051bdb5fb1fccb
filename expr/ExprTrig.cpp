// Sine and cosine in extended precision for whole arrays: the library's long double versions
// reduce every argument above pi/4 with a multi-word algorithm, which makes them several times
// slower than the work needs for ordinary arguments.
#include "expr/ExprInternal.h"

#include <cmath>

namespace mathfuncs::detail {

namespace {

// pi/2 in three parts; the first two have 32 significant bits, so k times them is exact for
// |k| < 2^31 and the reduction keeps about 128 bits of pi.
constexpr Extended PiHalf1 = 0xc90fdaa2p-31L;
constexpr Extended PiHalf2 = 0x85a308d3p-65L;
constexpr Extended PiHalf3 = 0x98cc51701b839a25p-132L;
constexpr Extended TwoOverPi = 0xa2f9836e4e44152ap-64L;
// Beyond this the quadrant count no longer fits the exact products.
constexpr Extended ReductionLimit = 1e9L;
// Closer than this to a multiple of pi/2 the last reduction step would cost digits.
constexpr Extended CancellationLimit = 0x1p-30L;

// Taylor series on |r| <= pi/4: the first omitted terms are below a tenth of the last bit.
Extended SinKernel(Extended r) {
    const Extended z = r * r;
    constexpr Extended s3 = -1.0L / 6, s5 = 1.0L / 120, s7 = -1.0L / 5040, s9 = 1.0L / 362880,
                       s11 = -1.0L / 39916800, s13 = 1.0L / 6227020800, s15 = -1.0L / 1307674368000,
                       s17 = 1.0L / 355687428096000, s19 = -1.0L / 121645100408832000;
    const Extended p =
        s3 + z * (s5 + z * (s7 + z * (s9 + z * (s11 + z * (s13 + z * (s15 + z * (s17 + z * s19)))))));
    return r + r * z * p;
}

Extended CosKernel(Extended r) {
    const Extended z = r * r;
    constexpr Extended c4 = 1.0L / 24, c6 = -1.0L / 720, c8 = 1.0L / 40320, c10 = -1.0L / 3628800,
                       c12 = 1.0L / 479001600, c14 = -1.0L / 87178291200, c16 = 1.0L / 20922789888000,
                       c18 = -1.0L / 6402373705728000;
    const Extended p = c4 + z * (c6 + z * (c8 + z * (c10 + z * (c12 + z * (c14 + z * (c16 + z * c18))))));
    const Extended half = z / 2;
    // 1 - z/2 first, then the small rest, so the leading terms lose nothing.
    return (1 - half) + z * z * p;
}

// Sine with the quadrant shifted by 'shift' (1 gives the cosine); false when the fast path
// cannot promise full precision.
bool ReducedSin(Extended x, int shift, Extended& result) {
    if (!(std::fabs(x) < ReductionLimit)) return false;
    // Adding and removing 1.5 * 2^63 rounds to the nearest integer without a library call.
    constexpr Extended roundingShift = 0x1.8p63L;
    const Extended kk = (x * TwoOverPi + roundingShift) - roundingShift;
    const auto k = static_cast<long long>(kk);
    const Extended r = ((x - kk * PiHalf1) - kk * PiHalf2) - kk * PiHalf3;
    if (k != 0 && std::fabs(r) < CancellationLimit) return false;
    switch ((k + shift) & 3) {
    case 0:
        result = SinKernel(r);
        break;
    case 1:
        result = CosKernel(r);
        break;
    case 2:
        result = -SinKernel(r);
        break;
    default:
        result = -CosKernel(r);
        break;
    }
    return true;
}

} // namespace

Extended SinExt(Extended x) {
    Extended r;
    return ReducedSin(x, 0, r) ? r : std::sin(x);
}

Extended CosExt(Extended x) {
    Extended r;
    return ReducedSin(x, 1, r) ? r : std::cos(x);
}

} // namespace mathfuncs::detail
