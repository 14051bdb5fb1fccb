#include "model/DecimalLog.h"

#include <array>
#include <cmath>

namespace {
// 10^27 = 2^27 * 5^27 and 5^27 < 2^64: the largest power of ten an extended value holds exactly.
constexpr int kExactPowers = 28;

constexpr std::array<Extended, kExactPowers> MakePowers() {
    std::array<Extended, kExactPowers> powers{};
    Extended p = 1;
    for (int k = 0; k < kExactPowers; ++k, p *= 10)
        powers[k] = p;
    return powers;
}
constexpr std::array<Extended, kExactPowers> kPowers = MakePowers();

// The exponent k when x is 10^k or the rounded 10^-k, else kExactPowers.
int ExactExponent(Extended x, Extended approx) {
    const Extended k = std::nearbyint(approx);
    if (std::fabs(approx - k) > 1e-12L || std::fabs(k) >= kExactPowers) return kExactPowers;
    const int n = int(k);
    return (n >= 0 ? x == kPowers[n] : x == 1 / kPowers[-n]) ? n : kExactPowers;
}
} // namespace

Extended Log10(Extended x) {
    const Extended approx = std::log10(x);
    if (!std::isfinite(approx)) return approx;
    const int k = ExactExponent(x, approx);
    return k == kExactPowers ? approx : Extended(k);
}

Extended Pow10(Extended x) {
    if (x == std::trunc(x) && std::fabs(x) < kExactPowers) {
        const int k = int(x);
        return k >= 0 ? kPowers[k] : 1 / kPowers[-k];
    }
    return std::pow(10.0L, x);
}
