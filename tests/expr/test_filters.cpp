#include "expr/Filters.h"

#include "FilterFixtures.h"
#include "tests/common/TestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace filters;
using testutil::Values;

namespace {

// The references come from scipy in double precision: their own rounding is about 1e-16 of the
// largest value of an array, and well-conditioned cases stay within a few hundred of those. 1e-12 of
// the largest value leaves that room and still shows any difference of method, which is far larger.
constexpr long double kScipyTolerance = 1e-12L;

template <typename Expected>
void ExpectCloseToScipy(const TDoubleArray& actual, const std::vector<Expected>& expected) {
    ASSERT_EQ(actual.size(), qsizetype(expected.size()));
    long double scale = 0;
    for (Expected e : expected)
        scale = std::max(scale, std::fabs((long double)e));
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_LE(std::fabs(actual[qsizetype(i)] - expected[i]), kScipyTolerance * scale) << "at " << i;
}

TDoubleArray Signal() {
    return TDoubleArray(filterfixtures::Signal.begin(), filterfixtures::Signal.end());
}

TDoubleArray Alternating(const TDoubleArray& v) {
    TDoubleArray out = v;
    for (qsizetype i = 1; i < out.size(); i += 2)
        out[i] = -out[i];
    return out;
}

long double Sum(const TDoubleArray& v) {
    long double s = 0;
    for (long double e : v)
        s += e;
    return s;
}

// The recursion as written: y[n] = Σ Num[i]·x[n−i] − Σ(i ≥ 1) Den[i]·y[n−i] from a zero state, in
// increasing i, the feed-forward sum first.
TDoubleArray RecursionAsWritten(const TDoubleArray& den, const TDoubleArray& num, const TDoubleArray& x) {
    TDoubleArray y(x.size());
    for (qsizetype n = 0; n < x.size(); ++n) {
        long double sum = 0;
        for (qsizetype i = 0; i < num.size() && i <= n; ++i)
            sum += num[i] * x[n - i];
        for (qsizetype i = 1; i < den.size() && i <= n; ++i)
            sum -= den[i] * y[n - i];
        y[n] = sum;
    }
    return y;
}

TDoubleArray Reversed(TDoubleArray v) {
    std::reverse(v.begin(), v.end());
    return v;
}

// The median of each window by sorting it, with the same reflection at the ends.
TDoubleArray MedianBySorting(const TDoubleArray& y, int window) {
    const qsizetype n = y.size();
    const int r = window / 2;
    TDoubleArray out(n);
    std::vector<long double> w;
    for (qsizetype i = 0; i < n; ++i) {
        w.clear();
        for (qsizetype k = i - r; k <= i + r; ++k)
            w.push_back(k < 0 ? 2 * y[0] - y[-k] : k >= n ? 2 * y[n - 1] - y[2 * (n - 1) - k] : y[k]);
        std::sort(w.begin(), w.end());
        out[i] = w[size_t(r)];
    }
    return out;
}

// Integers with many repeats, so that ties are frequent.
TDoubleArray Bumpy(int n) {
    TDoubleArray y(n);
    for (int i = 0; i < n; ++i)
        y[i] = (i * 7919) % 23 - (i % 5) * 3;
    return y;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Design

TEST(DesignRecursiveFilter, MatchesScipy) {
    for (const auto& d : filterfixtures::Designs) {
        SCOPED_TRACE(::testing::Message() << (d.HighPass ? "high-pass" : "low-pass") << " order " << d.Order
                                          << " ripple " << d.Ripple << " cutoff " << d.RelCutoff);
        TDoubleArray den, num;
        ASSERT_TRUE(DesignRecursiveFilter(d.HighPass, d.Order, den, num, d.Ripple, d.RelCutoff));
        ExpectCloseToScipy(num, d.Num);
        ExpectCloseToScipy(den, d.Den);
    }
}

TEST(DesignRecursiveFilter, HasUnitGainInThePassBand) {
    struct Case {
        bool HighPass;
        int Order;
        long double Ripple;
    };
    for (const Case& c : {Case{false, 2, 0}, Case{false, 7, 0}, Case{true, 12, 0}, Case{false, 6, 20},
                          Case{true, 3, 5}, Case{true, 20, 1}}) {
        SCOPED_TRACE(::testing::Message() << c.HighPass << " " << c.Order << " " << c.Ripple);
        TDoubleArray den, num;
        ASSERT_TRUE(DesignRecursiveFilter(c.HighPass, c.Order, den, num, c.Ripple, 0.21L));
        ASSERT_EQ(num.size(), c.Order + 1);
        ASSERT_EQ(den.size(), c.Order + 1);
        EXPECT_EQ(den[0], 1);
        if (c.HighPass) {
            num = Alternating(num);
            den = Alternating(den);
        }
        // Within the rounding of sums over coefficients that alternate in sign.
        long double scale = 0;
        for (long double v : num + den)
            scale += std::fabs(v);
        EXPECT_NEAR(Sum(num), Sum(den), 1e-17L * scale);
    }
}

TEST(DesignRecursiveFilter, OddOrderUsesItsPolePairsOnly) {
    TDoubleArray den, num;
    ASSERT_TRUE(DesignRecursiveFilter(false, 5, den, num, 0, 0.1L));
    ASSERT_EQ(num.size(), 6);
    EXPECT_EQ(num[5], 0);
    EXPECT_EQ(den[5], 0);
    EXPECT_NE(num[4], 0);
}

TEST(DesignRecursiveFilter, OrderBelowTwoIsTwo) {
    TDoubleArray den2, num2;
    ASSERT_TRUE(DesignRecursiveFilter(true, 2, den2, num2, 3, 0.3L));
    for (int order : {1, 0, -4}) {
        TDoubleArray den, num;
        ASSERT_TRUE(DesignRecursiveFilter(true, order, den, num, 3, 0.3L)) << order;
        EXPECT_EQ(num, num2) << order;
        EXPECT_EQ(den, den2) << order;
    }
}

TEST(DesignRecursiveFilter, RefusesWhatItCannotDesign) {
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    struct Case {
        int Order;
        long double Ripple;
        long double RelCutoff;
    } cases[] = {
        {MaxDesignOrder + 1, 0, 0.1L}, // beyond the work arrays
        {4, 0, 0},                     // cutoff at zero
        {4, 0, -0.1L},
        {4, 0, 0.5L}, // cutoff at the Nyquist frequency
        {4, 0, 0.7L},
        {4, 0, nan},
        {4, -1, 0.1L},  // negative ripple
        {4, nan, 0.1L}, // ripple not a number
        {4, 29.5L, 0.1L},
        {4, 100, 0.1L},
        {4, 1e-30L, 0.1L}, // a ripple that rounds away
    };
    for (const Case& c : cases) {
        TDoubleArray den = Values({7}), num = Values({8});
        EXPECT_FALSE(DesignRecursiveFilter(false, c.Order, den, num, c.Ripple, c.RelCutoff))
            << c.Order << " " << c.Ripple << " " << c.RelCutoff;
        EXPECT_EQ(den, Values({7}));
        EXPECT_EQ(num, Values({8}));
    }
    TDoubleArray den, num;
    EXPECT_TRUE(DesignRecursiveFilter(false, MaxDesignOrder, den, num, 29, 0.1L));
}

// ---------------------------------------------------------------------------------------------
// Running

TEST(RunRecursiveFilter, UnitFilterReturnsItsInput) {
    const TDoubleArray x = Signal();
    TDoubleArray y;
    RunRecursiveFilter(Values({1}), Values({1}), x, y);
    EXPECT_EQ(y, x);
}

TEST(RunRecursiveFilter, MatchesScipyLfilter) {
    TDoubleArray y;
    RunRecursiveFilter(Values({1, -0.96875L, 0.78125L}), Values({0.03125L}), Signal(), y);
    ExpectCloseToScipy(y, filterfixtures::UserFilterOutput);
}

TEST(RunRecursiveFilter, RoundsExactlyAsWrittenForAnyMagnitude) {
    TDoubleArray den, num;
    ASSERT_TRUE(DesignRecursiveFilter(false, 6, den, num, 2, 0.13L));
    TDoubleArray huge = Signal(), tiny = Signal(), nan = Signal();
    huge[30] = 1e400L; // beyond the range of double
    tiny[30] = 1e-4000L;
    nan[30] = std::numeric_limits<long double>::quiet_NaN();
    // An unstable filter whose output leaves the range of double half way.
    const TDoubleArray growing = Values({1, -1e7L});
    struct Case {
        TDoubleArray Den, Num, X;
    };
    for (const Case& c :
         {Case{den, num, Signal()}, Case{den, num, huge}, Case{den, num, tiny}, Case{den, num, nan},
          Case{growing, Values({1}), Signal()}, Case{Values({1, 1e-4000L}), num, Signal()}}) {
        const TDoubleArray expected = RecursionAsWritten(c.Den, c.Num, c.X);
        TDoubleArray y;
        RunRecursiveFilter(c.Den, c.Num, c.X, y);
        ASSERT_EQ(y.size(), expected.size());
        for (qsizetype i = 0; i < y.size(); ++i)
            ASSERT_TRUE(y[i] == expected[i] || (std::isnan(y[i]) && std::isnan(expected[i]))) << i;
        RunZeroPhaseFilter(c.Den, c.Num, c.X, y);
        const TDoubleArray twice = Reversed(RecursionAsWritten(c.Den, c.Num, Reversed(expected)));
        for (qsizetype i = 0; i < y.size(); ++i)
            ASSERT_TRUE(y[i] == twice[i] || (std::isnan(y[i]) && std::isnan(twice[i]))) << i;
    }
}

TEST(RunRecursiveFilter, IgnoresDenZeroAndMayWorkInPlace) {
    TDoubleArray expected;
    RunRecursiveFilter(Values({1, 0.5L}), Values({1, 2}), Values({1, 0, 0, 3}), expected);
    EXPECT_EQ(expected, Values({1, 1.5L, -0.75L, 3.375L}));
    TDoubleArray y = Values({1, 0, 0, 3});
    RunRecursiveFilter(Values({9, 0.5L}), Values({1, 2}), y, y);
    EXPECT_EQ(y, expected);
}

TEST(RunRecursiveFilter, EmptyInputsGiveEmptyOrZeroOutput) {
    TDoubleArray y = Values({5});
    RunRecursiveFilter(Values({1}), Values({1}), {}, y);
    EXPECT_TRUE(y.isEmpty());
    RunZeroPhaseFilter(Values({1}), Values({1}), {}, y);
    EXPECT_TRUE(y.isEmpty());
    RunRecursiveFilter({}, {}, Values({1, 2}), y);
    EXPECT_EQ(y, Values({0, 0}));
}

TEST(RunZeroPhaseFilter, IsTheForwardRunRepeatedOverTheReversal) {
    const auto& d = filterfixtures::Designs[1];
    TDoubleArray den, num;
    ASSERT_TRUE(DesignRecursiveFilter(d.HighPass, d.Order, den, num, d.Ripple, d.RelCutoff));
    TDoubleArray y;
    RunZeroPhaseFilter(den, num, Signal(), y);
    ExpectCloseToScipy(y, filterfixtures::ZeroPhaseOutput);

    TDoubleArray forward, reversed, expected;
    RunRecursiveFilter(den, num, Signal(), forward);
    std::reverse(forward.begin(), forward.end());
    RunRecursiveFilter(den, num, forward, expected);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(y, expected);
}

TEST(RunZeroPhaseFilter, KeepsASymmetricPulseInPlace) {
    TDoubleArray den, num;
    ASSERT_TRUE(DesignRecursiveFilter(false, 6, den, num, 0, 0.05L));
    TDoubleArray x(201, 0);
    for (int k = -5; k <= 5; ++k)
        x[120 + k] = 6 - std::abs(k);
    TDoubleArray y;
    RunZeroPhaseFilter(den, num, x, y);
    EXPECT_EQ(std::max_element(y.begin(), y.end()) - y.begin(), 120);
}

// ---------------------------------------------------------------------------------------------
// Smoothing

TEST(SmoothingMatrix, MatchesScipySavgolCoeffs) {
    for (const auto& s : filterfixtures::Smoothings) {
        SCOPED_TRACE(::testing::Message() << "window " << s.Window << " order " << s.Order);
        TDoubleArray2 m;
        ASSERT_TRUE(SmoothingMatrix(s.Order, s.Window, m));
        ASSERT_EQ(m.size(), s.Window);
        for (int r = 0; r < s.Window; ++r)
            ExpectCloseToScipy(m[r], s.Matrix[size_t(r)]);
    }
}

TEST(SmoothingMatrix, HighestOrderInterpolates) {
    for (int window : {1, 3, 9, 21}) {
        TDoubleArray2 m;
        ASSERT_TRUE(SmoothingMatrix(window - 1, window, m));
        for (int r = 0; r < window; ++r)
            for (int s = 0; s < window; ++s)
                EXPECT_NEAR(m[r][s], r == s ? 1 : 0, 1e-15L) << window << " " << r << " " << s;
    }
}

TEST(SmoothingMatrix, RefusesBadShapes) {
    struct Case {
        int Order, Window;
    };
    for (const Case& c : {Case{1, 4}, Case{0, 0}, Case{0, -3}, Case{5, 5}, Case{6, 5}, Case{-1, 5}}) {
        TDoubleArray2 m{Values({1})};
        EXPECT_FALSE(SmoothingMatrix(c.Order, c.Window, m)) << c.Order << " " << c.Window;
        EXPECT_EQ(m, TDoubleArray2{Values({1})});
    }
}

TEST(SavitzkyGolayFilter, MatchesScipyInterpMode) {
    for (const auto& s : filterfixtures::Smoothings) {
        SCOPED_TRACE(::testing::Message() << "window " << s.Window << " order " << s.Order);
        TDoubleArray out;
        ASSERT_TRUE(SavitzkyGolayFilter(Signal(), s.Order, s.Window, out));
        ExpectCloseToScipy(out, s.Output);
    }
}

TEST(SavitzkyGolayFilter, ReproducesAQuadraticToTheEnds) {
    TDoubleArray y(12);
    for (int i = 0; i < 12; ++i)
        y[i] = 0.5L * i * i - 3 * i + 2;
    TDoubleArray out;
    ASSERT_TRUE(SavitzkyGolayFilter(y, 2, 5, out));
    ASSERT_EQ(out.size(), y.size());
    for (int i = 0; i < 12; ++i)
        EXPECT_NEAR(out[i], y[i], 1e-16L * 64) << i;
}

TEST(SavitzkyGolayFilter, OrderZeroIsTheMedianFilter) {
    const TDoubleArray y = Values({1, 9, 2, 3, 4});
    TDoubleArray out;
    ASSERT_TRUE(SavitzkyGolayFilter(y, 0, 1, out));
    EXPECT_EQ(out, y);
    ASSERT_TRUE(SavitzkyGolayFilter(y, 0, 3, out));
    EXPECT_EQ(out, Values({1, 2, 3, 3, 4}));
}

TEST(SavitzkyGolayFilter, WindowAsLongAsTheData) {
    const TDoubleArray y = Values({3, 1, 4, 1, 5});
    TDoubleArray out, expected(5);
    ASSERT_TRUE(SavitzkyGolayFilter(y, 1, 5, out));
    // The straight line through all five values.
    for (int i = 0; i < 5; ++i)
        expected[i] = 2.8L + 0.4L * (i - 2);
    for (int i = 0; i < 5; ++i)
        EXPECT_NEAR(out[i], expected[i], 1e-17L * 16) << i;
}

TEST(SavitzkyGolayFilter, LongWindowsGiveTheCentreOfEachFit) {
    // Windows beyond the direct sums are convolved by blocks through the FFT.
    const int window = 301, half = window / 2;
    const TDoubleArray y = Bumpy(3000);
    TDoubleArray2 m;
    ASSERT_TRUE(SmoothingMatrix(3, window, m));
    TDoubleArray out;
    ASSERT_TRUE(SavitzkyGolayFilter(y, 3, window, out));
    for (int i = half; i < y.size() - half; i += 37) {
        long double centre = 0;
        for (int k = 0; k < window; ++k)
            centre += m[half][k] * y[i - half + k];
        EXPECT_NEAR(out[i], centre, 1e-15L * 32) << i;
    }
}

TEST(SavitzkyGolayFilter, RefusesBadParametersAndKeepsTheOutput) {
    const TDoubleArray y = Values({1, 2, 3, 4, 5});
    struct Case {
        int Order, Window;
    };
    for (const Case& c :
         {Case{1, 1}, Case{2, 4}, Case{2, 7}, Case{3, 3}, Case{-1, 3}, Case{0, 2}, Case{0, 7}, Case{0, -1}}) {
        TDoubleArray out = Values({42});
        EXPECT_FALSE(SavitzkyGolayFilter(y, c.Order, c.Window, out)) << c.Order << " " << c.Window;
        EXPECT_EQ(out, Values({42}));
    }
}

// ---------------------------------------------------------------------------------------------
// Median

TEST(MedianFilter, ReflectsThroughTheEndValues) {
    TDoubleArray out;
    ASSERT_TRUE(MedianFilter(Values({1, 9, 2, 3, 4}), 3, out));
    EXPECT_EQ(out, Values({1, 2, 3, 3, 4}));
}

TEST(MedianFilter, MatchesScipyMedfiltOverTheReflectedSignal) {
    for (const auto& m : filterfixtures::Medians) {
        TDoubleArray out;
        ASSERT_TRUE(MedianFilter(Signal(), m.Window, out)) << m.Window;
        EXPECT_EQ(out, TDoubleArray(m.Output.begin(), m.Output.end())) << m.Window;
    }
}

TEST(MedianFilter, EqualsSortingEveryWindow) {
    // Both the short-window and the long-window ways, with many equal values.
    const TDoubleArray y = Bumpy(1200);
    for (int window : {1, 5, 255, 257, 301, 1199}) {
        TDoubleArray out;
        ASSERT_TRUE(MedianFilter(y, window, out)) << window;
        EXPECT_EQ(out, MedianBySorting(y, window)) << window;
    }
}

TEST(MedianFilter, PutsValuesThatAreNotNumbersAboveAll) {
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    for (int window : {3, 257}) {
        TDoubleArray y(600, 1);
        for (int i = 0; i < 600; ++i)
            y[i] = i % 3 == 0 ? nan : i;
        TDoubleArray out;
        ASSERT_TRUE(MedianFilter(y, window, out)) << window;
        // A third of each window is not a number, so the median is a number: the larger of the rest.
        for (int i = 300; i < 310; ++i)
            EXPECT_FALSE(std::isnan(out[i])) << window << " " << i;
    }
}

TEST(MedianFilter, RefusesBadWindowsAndKeepsTheOutput) {
    for (int window : {0, -1, 2, 4, 7}) {
        TDoubleArray out = Values({42});
        EXPECT_FALSE(MedianFilter(Values({1, 2, 3, 4, 5}), window, out)) << window;
        EXPECT_EQ(out, Values({42}));
    }
    TDoubleArray out;
    EXPECT_FALSE(MedianFilter({}, 1, out));
}

// A cancelled job's filter stops and leaves the output as it was, on the split and on the plain
// extended path (a value below the double range takes the latter).
TEST(RunRecursiveFilter, CancelledProgressLeavesTheOutput) {
    TDoubleArray den, num;
    ASSERT_TRUE(DesignRecursiveFilter(false, 4, den, num, 0, 0.1L));
    TJobProgress progress;
    progress.Cancel();
    for (const Extended first : {Extended(1), Extended(1e-4000L)}) {
        TDoubleArray x(1000, 2);
        x[0] = first;
        TDoubleArray y = Values({5});
        RunRecursiveFilter(den, num, x, y, &progress);
        EXPECT_EQ(y, Values({5}));
        RunZeroPhaseFilter(den, num, x, y, &progress);
        EXPECT_EQ(y, Values({5}));
        RunZeroPhaseFilter(den, num, x, y);
        EXPECT_EQ(y.size(), x.size());
    }
}
