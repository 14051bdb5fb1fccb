// The data steps of filtering one graph, on plain arrays.
#include "tools/FiltrationModel.h"

#include "expr/Filters.h"
#include "tests/common/TestData.h"
#include "tests/common/WindowTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace filtration;
using testutil::Ramp;
using testutil::Values;

namespace {
using testutil::U;
} // namespace

TEST(FieldNumbers, ReadWithThePointOnly) {
    struct Case {
        const char* Text;
        bool Ok;
        long double Value;
    } cases[] = {{" 2.5 ", true, 2.5L}, {"1e3", true, 1000}, {"-4", true, -4},  {"+.5", true, 0.5L},
                 {"1,5", false, 0},     {"abc", false, 0},   {"", false, 0},    {"1e99999", false, 0},
                 {"2 3", false, 0},     {"nan", false, 0},   {"inf", false, 0}, {"0x10", false, 0}};
    for (const Case& c : cases) {
        Extended v = 7;
        EXPECT_EQ(ReadNumber(U(c.Text), v), c.Ok) << c.Text;
        EXPECT_EQ(v, c.Ok ? c.Value : 7) << c.Text;
    }
}

TEST(FieldNumbers, IntegersFitIn32Bits) {
    struct Case {
        const char* Text;
        bool Ok;
        int Value;
    } cases[] = {{"12", true, 12}, {" -3 ", true, -3},        {"1.5", false, 0},
                 {"", false, 0},   {"99999999999", false, 0}, {"2147483647", true, 2147483647}};
    for (const Case& c : cases) {
        int v = 7;
        EXPECT_EQ(ReadInteger(U(c.Text), v), c.Ok) << c.Text;
        EXPECT_EQ(v, c.Ok ? c.Value : 7) << c.Text;
    }
}

TEST(ParseCoefficients, SplitsAtBlanks) {
    TDoubleArray values;
    ASSERT_TRUE(ParseCoefficients(U("  1   0.96875 -0.78125 "), values));
    EXPECT_EQ(values, Values({1, 0.96875L, -0.78125L}));
    ASSERT_TRUE(ParseCoefficients(U(""), values));
    EXPECT_TRUE(values.isEmpty());
    values = Values({5});
    EXPECT_FALSE(ParseCoefficients(U("1 x 2"), values));
    EXPECT_FALSE(ParseCoefficients(U("1,5"), values));
    EXPECT_EQ(values, Values({5}));
}

TEST(FormatReadOut, FixedWithSixDecimals) {
    EXPECT_EQ(FormatReadOut(12.3456789L), U("12.345679"));
    EXPECT_EQ(FormatReadOut(-0.5L), U("-0.500000"));
    EXPECT_EQ(FormatReadOut(0), U("0.000000"));
}

// ---------------------------------------------------------------------------------------------
// Response

TEST(ComputeResponse, StepsOverTheUpperHalfCircle) {
    TResponse r;
    ComputeResponse(Values({1}), Values({1}), 8, r);
    ASSERT_EQ(r.Freq.size(), ResponsePoints);
    EXPECT_EQ(r.Freq[0], 0);
    // ω grows by repeated addition: compare with the same sum.
    const Extended step = std::numbers::pi_v<long double> / 1000;
    Extended w = 0;
    for (int k = 0; k < 500; ++k)
        w += step;
    EXPECT_EQ(r.Freq[500], w * 8 / std::numbers::pi_v<long double>);
    for (int k = 0; k < 1000; k += 111) {
        EXPECT_EQ(r.Amp[k], 1) << k;
        EXPECT_EQ(r.Phase[k], 0) << k;
    }
    // The thousandth step overshoots π by a rounding error: the last entry is left as it was.
    EXPECT_EQ(r.Freq[1000], 0);
}

TEST(ComputeResponse, PhaseKnowsItsQuadrant) {
    TResponse r;
    // H = −1: a ratio Im/Re would say 0°.
    ComputeResponse(Values({1}), Values({0, -1}), 1, r);
    EXPECT_NEAR(std::fabs(r.Phase[0]), 180, 1e-15L);
    EXPECT_NEAR(r.Amp[0], 1, 1e-18L);
    // A delay of one sample: H = e^{−jω}, the phase grows with ω through 90° (where Re H is 0).
    ComputeResponse(Values({1}), Values({1, 0}), 1, r);
    for (int k : {1, 250, 500, 501, 750, 999})
        EXPECT_NEAR(r.Phase[k], r.Freq[k] * 180, 1e-12L) << k;
}

TEST(ComputeResponse, KeepsEntriesItDoesNotReach) {
    TResponse r;
    r.Phase = TDoubleArray(ResponsePoints, 42);
    // A pole on the unit circle at ω = 0: H is not a number there, its phase keeps the old entry.
    ComputeResponse(Values({0}), Values({0}), 1, r);
    EXPECT_EQ(r.Phase[0], 42);
    EXPECT_EQ(r.Phase.size(), ResponsePoints);
}

TEST(ComputeResponse, DesignedFiltersHaveUnitGainInThePassBand) {
    TDoubleArray den, num;
    TResponse r;
    ASSERT_TRUE(filters::DesignRecursiveFilter(false, 4, den, num, 0, 0.1L));
    ComputeResponse(den, num, 10, r);
    EXPECT_NEAR(r.Amp[0], 1, 1e-17L);
    ASSERT_TRUE(filters::DesignRecursiveFilter(true, 4, den, num, 0, 0.1L));
    ComputeResponse(den, num, 10, r);
    EXPECT_NEAR(r.Amp[999], 1, 1e-4L); // the last shown point, just below the Nyquist frequency
}

TEST(UnwrapPhase, JumpsOfMoreThan270DegreesAreTurns) {
    EXPECT_EQ(UnwrapPhase(Values({170, 179, -179, -170, 179}), 5), Values({170, 179, 181, 190, 179}));
    EXPECT_EQ(UnwrapPhase(Values({-179, 179, 100}), 3), Values({-179, -181, -260}));
    EXPECT_EQ(UnwrapPhase(Values({1, 2, 3}), 2), Values({1, 2}));
}

// ---------------------------------------------------------------------------------------------
// Data preparation

TEST(KeptNodes, ArgumentsIncreaseStrictly) {
    TSuperGrWindow window;
    ASSERT_TRUE(window.AddGraph({}, false, {}, Values({0, 1, 0.5L, 2, 2}), Values({5, 6, 7, 8, 9})));
    TDoubleArray x, y;
    KeptNodes(*window.GraphByIndex(0), x, y);
    EXPECT_EQ(x, Values({0, 1, 2}));
    EXPECT_EQ(y, Values({5, 6, 8}));
}

TEST(RecursiveResult, UnitFilterGivesTheDataOnTheGrid) {
    const TDoubleArray x = Values({0, 1, 3, 4});
    const TDoubleArray y = Values({1, 3, 7, 9}); // y = 2x + 1
    TDoubleArray rx, ry;
    ASSERT_TRUE(RecursiveResult(x, y, Values({1}), Values({1}), 2, 0.3L, true, MaxGridPoints, rx, ry));
    ASSERT_EQ(rx.size(), 9);
    for (qsizetype k = 0; k < rx.size(); ++k) {
        EXPECT_EQ(rx[k], Extended(k) / 2) << k;
        EXPECT_EQ(ry[k], 2 * rx[k] + 1) << k;
    }
}

TEST(RecursiveResult, ReflectsTheEndsBeforeFiltering) {
    // A filter of two taps, y[n] = x[n−1]: the first value comes from the reflected node before X0.
    const TDoubleArray x = Values({0, 1, 2, 3});
    const TDoubleArray y = Values({1, 4, 2, 5});
    TDoubleArray rx, ry;
    ASSERT_TRUE(RecursiveResult(x, y, Values({1}), Values({0, 1}), 1, 0.25L, false, MaxGridPoints, rx, ry));
    EXPECT_EQ(rx, x);
    EXPECT_EQ(ry, Values({2 * 1 - 4, 1, 4, 2}));
}

TEST(RecursiveResult, RefusesAGridThatIsTooDense) {
    TDoubleArray rx = Values({9}), ry;
    EXPECT_FALSE(RecursiveResult(Ramp(5), Ramp(5), Values({1}), Values({1}), 1000, 1, true, 1000, rx, ry));
    EXPECT_FALSE(RecursiveResult(Values({0, 1, INFINITY}), Ramp(3), Values({1}), Values({1}), 1, 0.25L, true,
                                 MaxGridPoints, rx, ry));
    EXPECT_EQ(rx, Values({9}));
}

// ---------------------------------------------------------------------------------------------
// Moving average

struct AverageCase {
    const char* Name;
    long double W;
    bool Integrate;
    TDoubleArray ExpectedY;
};

TEST(MovingAverage, MeansOverTheOpenWindowWithReflectedEnds) {
    const TDoubleArray x = Ramp(6);
    TDoubleArray y(6);
    for (int k = 0; k < 6; ++k)
        y[k] = k * k;
    // Window 4: the nodes k − 1, k, k + 1 (the nodes at ±2 lie on the bounds and are outside). At the
    // ends the reflection through (0, 0) adds (−1, −1) and through (5, 25) adds (6, 34).
    const AverageCase cases[] = {
        {"sum, nodes on the bounds", 2, false, y},
        {"sum", 4, false, Values({0, 5.0L / 3, 14.0L / 3, 29.0L / 3, 50.0L / 3, 25})},
        {"integral", 4, true, Values({0, 1.5L, 4.5L, 9.5L, 16.5L, 25})},
    };
    for (const AverageCase& c : cases) {
        TDoubleArray rx, ry;
        MovingAverage(x, y, c.W, c.Integrate, false, rx, ry);
        EXPECT_EQ(rx, x) << c.Name;
        ASSERT_EQ(ry.size(), 6) << c.Name;
        for (int k = 0; k < 6; ++k)
            EXPECT_NEAR(ry[k], c.ExpectedY[k], 1e-17L * 64) << c.Name << " " << k;
    }
}

TEST(MovingAverage, BoundsEqualWithinTheCalculatorsToleranceAreOutside) {
    // Decimal steps are not exact, so X[k] ± 0.1 misses the neighbours by a rounding error only.
    TDoubleArray x(8), y(8);
    for (int k = 0; k < 8; ++k) {
        x[k] = k * 0.1L;
        y[k] = k % 2 ? 10 : 0;
    }
    TDoubleArray rx, ry;
    MovingAverage(x, y, 0.2L, false, false, rx, ry);
    EXPECT_EQ(ry, y);
}

TEST(MovingAverage, WindowNarrowerThanTheRoundingKeepsTheNodes) {
    const TDoubleArray x = Values({1000, 1001, 1002, 1003});
    const TDoubleArray y = Values({1, 2, 4, 8});
    TDoubleArray rx, ry;
    MovingAverage(x, y, 1e-20L, true, true, rx, ry);
    EXPECT_EQ(ry, y);
    EXPECT_EQ(rx, x); // the shift of 5e-21 is below the arguments' precision
}

TEST(MovingAverage, WindowOverTheWholeRangeGivesTheMean) {
    const TDoubleArray x = Values({0, 1, 3});
    const TDoubleArray y = Values({2, 4, 0});
    TDoubleArray rx, ry;
    MovingAverage(x, y, 6, false, false, rx, ry);
    EXPECT_EQ(ry, Values({2, 2, 2}));
    EXPECT_EQ(rx, x);
    MovingAverage(x, y, 6, true, true, rx, ry);
    EXPECT_EQ(ry, Values({7.0L / 3, 7.0L / 3, 7.0L / 3})); // (3 + 4) / 3
    EXPECT_EQ(rx, Values({3, 4, 6}));                      // moved by the whole range
}

TEST(MovingAverage, DirectShiftsByHalfTheWindow) {
    TDoubleArray rx, ry;
    MovingAverage(Ramp(10), Ramp(10), 2, false, true, rx, ry);
    EXPECT_EQ(rx, Ramp(10, 1));
}

// ---------------------------------------------------------------------------------------------

TEST(AtSourceNodes, InterpolatesAndExtendsTheEndIntervals) {
    const TDoubleArray rx = Values({0, 1, 2, 3}), ry = Values({0, 10, 20, 40});
    EXPECT_EQ(AtSourceNodes(rx, ry, Values({-1, 0.5L, 2, 3, 4})), Values({-10, 5, 20, 40, 60}));
    EXPECT_EQ(AtSourceNodes(Values({2}), Values({7}), Values({0, 5})), Values({7, 7}));
    EXPECT_TRUE(AtSourceNodes({}, {}, Values({0, 5})).isEmpty());
}
