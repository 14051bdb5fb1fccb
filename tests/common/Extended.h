// Extended values in test failures and comparisons. Included into every test source by the build, so
// that GoogleTest prints every extended value with all of its digits and a failure shows the difference.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <ostream>

namespace testing::internal {
template <> class UniversalPrinter<long double> {
public:
    static void Print(const long double& value, std::ostream* os) {
        char text[48];
        std::snprintf(text, sizeof text, "%.21Lg", value);
        *os << text;
    }
};
} // namespace testing::internal

namespace testutil {
// How many units in the last place of the expected value the two values are apart.
inline long double UlpsApart(long double actual, long double expected) {
    if (actual == expected) return 0;
    if (expected == 0 || !std::isfinite(expected)) return INFINITY;
    const long double ulp = std::ldexp(1.0L, std::ilogb(expected) - 63);
    return std::fabs(actual - expected) / ulp;
}
} // namespace testutil
