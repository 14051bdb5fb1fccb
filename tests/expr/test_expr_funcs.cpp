// Operators and pointwise functions: values, domain failures, ROUND, HYPOT and statistics.
#include "expr/ExprInternal.h"
#include "tests/expr/ExprTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

using namespace mathfuncs;
using namespace exprtest;

namespace {

const Extended Pi = std::numbers::pi_v<long double>;

// Library values compare within MaxUlps: glibc's long-double routines are not correctly rounded and
// their last bit differs between processor makers, while the expected values here are folded exactly.
constexpr int kLibraryUlps = 2;

struct ValueCase {
    const char* Formula;
    Extended Value;
    int MaxUlps = 0;
};

void ExpectScalars(const ValueCase* begin, const ValueCase* end, const TMFDataArr& graphs = {}) {
    for (const ValueCase* c = begin; c != end; ++c) {
        const TMFData r = Eval(c->Formula, graphs);
        ASSERT_EQ(r.Code, 0) << c->Formula;
        ASSERT_TRUE(r.X.isEmpty()) << c->Formula;
        ASSERT_EQ(r.Y.size(), 1) << c->Formula;
        if (c->MaxUlps == 0)
            EXPECT_EQ(r.Y[0], c->Value) << c->Formula;
        else
            EXPECT_LE(testutil::UlpsApart(r.Y[0], c->Value), c->MaxUlps) << c->Formula << " = " << r.Y[0];
    }
}

TEST(ExprFuncs, BinaryOperators) {
    const ValueCase cases[] = {
        {"ADD(1,2)", 3},
        {"SUB(1,2)", -1},
        {"MUL(3,4)", 12},
        {"DIV(1,4)", 0.25L},
        {"POWER(2,10)", 1024},
        {"(-2)^-2", 0.25L},
        {"0^0", 1},
        {"1^1E30", 1},
        {"(-1)^1E30", 1},
        {"(-1)^3", -1},
        {"4^0.5", 2, kLibraryUlps},
        {"ATAN2(0,-1)", Pi, kLibraryUlps},
        {"EQUAL(1,1+1E-16)", 1},
        {"NOTEQUAL(1,1+1E-16)", 0},
        {"NOTEQUAL(1,2)", 1},
        {"GREQUAL(1,1+1E-16)", 1},
        {"GREQUAL(2,1)", 1},
        {"GREQUAL(1,2)", 0},
        {"LOEQUAL(1+1E-16,1)", 1},
        {"LOEQUAL(2,1)", 0},
        {"GREATER(1+1E-16,1)", 0},
        {"GREATER(2,1)", 1},
        {"LOWER(1,1+1E-16)", 0},
        {"LOWER(1,2)", 1},
        {"AND(2,-1)", 1},
        {"AND(2,0)", 0},
        {"OR(0,0)", 0},
        {"OR(0,3)", 1},
        {"XOR(2,0)", 1},
        {"XOR(0,0)", 0},
        {"XOR(1,1)", 0},
    };
    ExpectScalars(std::begin(cases), std::end(cases));
}

TEST(ExprFuncs, BinaryOperatorFailures) {
    const ErrorCase cases[] = {{"1/0", 9},    {"DIV(1,0)", 9}, {"(-8)^(1/3)", 24},   {"(-8)^0.5", 24},
                               {"2^1E18", 8}, {"0^-2", 8},     {"1E4000*1E4000", 8}, {"ADD(1,2,3)", 6},
                               {"XOR(1)", 6}, {"ATAN2(1)", 6}};
    for (const ErrorCase& c : cases)
        EXPECT_EQ(Eval(c.Formula).Code, c.Code) << c.Formula;
    EXPECT_EQ(Eval("(-8)^3").Y[0], -512);
}

TEST(ExprFuncs, OneArgumentFunctions) {
    const ValueCase cases[] = {
        {"SIGN(-3)", -1},
        {"SIGN(0)", 0},
        {"SIGN(2)", 1},
        {"ABS(-2.5)", 2.5L},
        {"SIN(0)", 0},
        {"COS(0)", 1},
        {"TAN(0)", 0},
        {"ASIN(1)", std::asin(1.0L), kLibraryUlps},
        {"ACOS(1)", 0},
        {"ATAN(1)", std::atan(1.0L), kLibraryUlps},
        {"SINH(0)", 0},
        {"COSH(0)", 1},
        {"TANH(0)", 0},
        {"ASINH(0)", 0},
        {"ACOSH(1)", 0},
        {"ATANH(0)", 0},
        {"COT(1)", 1 / std::tan(1.0L), kLibraryUlps},
        {"SEC(0)", 1},
        {"CSC(PI/2)", 1},
        {"SEC(PI)", -1},
        {"COTH(1)", 1 / std::tanh(1.0L), kLibraryUlps},
        {"SECH(0)", 1},
        {"CSCH(1)", 1 / std::sinh(1.0L), kLibraryUlps},
        {"ACOT(0)", Pi / 2, kLibraryUlps},
        {"ACOT(2)", std::atan(0.5L), kLibraryUlps},
        {"ASEC(1)", 0},
        {"ACSC(1)", std::asin(1.0L), kLibraryUlps},
        {"ACOTH(2)", std::atanh(0.5L), kLibraryUlps},
        {"ASECH(1)", 0},
        {"ACSCH(1)", std::asinh(1.0L), kLibraryUlps},
        {"SQRT(16)", 4},
        {"SQR(-3)", 9},
        {"EXP(0)", 1},
        {"LN(1)", 0},
        {"LOG10(1000)", 3},
        {"LOG10(1E27)", 27},
        {"LOG10(0.001)", -3},
        {"LOG10(1E-27)", -27},
        {"ZEROS(5)", 0},
        {"ONES(5)", 1},
        {"NOT(0.5)", 0},
        {"NOT(0)", 1},
        {"FLOOR(-2.5)", -3},
        {"CEIL(-2.5)", -2},
        {"FIX(-2.5)", -2},
        {"FIX(2.7)", 2},
        {"FLOOR(1E18)", 1E18L},
        {"SINC(0)", 1},
        {"SINC(0.5)", 2 / Pi, kLibraryUlps},
    };
    ExpectScalars(std::begin(cases), std::end(cases));
}

TEST(ExprFuncs, OneArgumentDomainFailures) {
    const ErrorCase cases[] = {
        {"ASIN(1.0000001)", 15}, {"ACOS(-2)", 15},  {"ACOSH(0.5)", 15}, {"ATANH(1)", 15},
        {"ATANH(-1)", 15},       {"COT(0)", 8},     {"CSC(0)", 8},      {"COTH(0)", 9},
        {"CSCH(0)", 9},          {"ASEC(0.5)", 8},  {"ACSC(-0.5)", 8},  {"ACOTH(1)", 15},
        {"ACOTH(0.5)", 15},      {"ASECH(0)", 15},  {"ASECH(2)", 15},   {"ACSCH(0)", 9},
        {"SQRT(-1)", 13},        {"LN(0)", 14},     {"LOG10(-1)", 14},  {"FLOOR(1E19)", 29},
        {"CEIL(-1E19)", 29},     {"FIX(1E30)", 29}, {"EXP(1E5)", 19},   {"SINH(1E5)", 19},
        {"SIN(1,2)", 6},         {"ABS()", 1},
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(Eval(c.Formula).Code, c.Code) << c.Formula;
}

TEST(ExprFuncs, OneArgumentFunctionsKeepTheGraphsArguments) {
    const TMFDataArr graphs = {Graph(0, {3, 1, 2}, {-1, 0, 4})};
    const TMFData r = Eval("ONES(Y(0))", graphs);
    EXPECT_EQ(r.X, Values({3, 1, 2}));
    EXPECT_EQ(r.Y, Values({1, 1, 1}));
    EXPECT_EQ(r.Sorted, 0);
    EXPECT_EQ(Eval("ABS(Y(0))", graphs).Y, Values({1, 0, 4}));
}

TEST(ExprFuncs, Round) {
    const ValueCase cases[] = {
        {"ROUND(2.5)", 2},
        {"ROUND(3.5)", 4},
        {"ROUND(-2.5)", -2},
        {"ROUND(2.4999)", 2},
        {"ROUND(1234.5678,-2)", static_cast<Extended>(1234.57)},
        {"ROUND(1234,2)", 1200},
        {"ROUND(1250,2)", 1200},
        {"ROUND(1350,2)", 1400},
        {"ROUND(5,-37)", 5},
    };
    ExpectScalars(std::begin(cases), std::end(cases));
    const TMFDataArr graphs = {Graph(0, {0, 1}, {1.25L, 2.5L}), Graph(1, {0, 1}, {1, 1})};
    const TMFData r = Eval("ROUND(Y(0),-1)", graphs);
    EXPECT_EQ(r.Y, Values({static_cast<Extended>(1.2), static_cast<Extended>(2.5)}));
    EXPECT_EQ(r.X, graphs[0].X);
    const ErrorCase errors[] = {{"ROUND(Y(0),38)", 29}, {"ROUND(Y(0),Y(1))", 18}, {"ROUND(1,0.5)", 29},
                                {"ROUND(1E400)", 29},   {"ROUND(1,2,3)", 6},      {"ROUND(1,-38)", 29}};
    for (const ErrorCase& c : errors)
        EXPECT_EQ(Eval(c.Formula, graphs).Code, c.Code) << c.Formula;
}

TEST(ExprFuncs, HypotAndStatisticsOfNumbers) {
    const ValueCase cases[] = {
        {"HYPOT(3,4)", 5},
        {"HYPOT(-2)", 2},
        {"HYPOT(2,3,6)", 7},
        {"MIN(3,1,2)", 1},
        {"MAX(3,1,2)", 3},
        {"MEAN(1,2,3,4)", 2.5L},
        {"SUM(1,2,3)", 6},
        {"SUM(5)", 5},
        {"STD(5)", 0},
        {"STD(1.1,1.1,1.1)", 0},
        {"MED(4,1,3,2)", 2.5L},
        {"MED(3,1,2)", 2},
        {"STD(1,2,3,4)", std::sqrt(5.0L / 3)},
    };
    ExpectScalars(std::begin(cases), std::end(cases));
    EXPECT_EQ(Eval("HYPOT()").Code, 1);
    EXPECT_EQ(Eval("MEAN()").Code, 1);
}

TEST(ExprFuncs, StatisticsOverOneGraph) {
    const TMFDataArr graphs = {Graph(0, {0, 1, 2, 3}, {4, 1, 3, 2}), Graph(1, {0, 1, 2}, {3, 1, 2}),
                               Graph(2, {0, 1, 2}, {-1, 4, 9})};
    const ValueCase cases[] = {
        {"MEAN(Y(0))", 2.5L},
        {"SUM(Y(0))", 10},
        {"MIN(Y(0))", 1},
        {"MAX(Y(0))", 4},
        {"MED(Y(0))", 2.5L},
        {"MED(Y(1))", 2},
        {"STD(Y(0))", std::sqrt(5.0L / 3)},
    };
    ExpectScalars(std::begin(cases), std::end(cases), graphs);
    EXPECT_EQ(Eval("MEAN(SELECT(Y(0),0))", graphs).Code, 8);
    // A failed point in the argument of a statistic leaves nothing to report.
    EXPECT_EQ(Eval("MEAN(SQRT(Y(2)))", graphs, Settings(2, 1, true)).Code, 12);
    EXPECT_EQ(Eval("MEAN(SQRT(Y(2)))", graphs).Code, 13);
}

TEST(ExprFuncs, StatisticsPointByPoint) {
    const TMFDataArr graphs = {Graph(0, {0, 1, 2}, {1, 5, 3}), Graph(1, {0, 1, 2}, {4, 2, 3})};
    const TMFData mx = Eval("MAX(Y(0),Y(1),0)", graphs);
    ASSERT_EQ(mx.Code, 0);
    EXPECT_EQ(mx.X, graphs[0].X);
    EXPECT_EQ(mx.Y, Values({4, 5, 3}));
    EXPECT_EQ(Eval("MIN(Y(0),Y(1))", graphs).Y, Values({1, 2, 3}));
    EXPECT_EQ(Eval("MEAN(Y(0),Y(1))", graphs).Y, Values({2.5L, 3.5L, 3}));
    EXPECT_EQ(Eval("SUM(Y(0),Y(1),1)", graphs).Y, Values({6, 8, 7}));
    EXPECT_EQ(Eval("MED(Y(0),Y(1),10)", graphs).Y, Values({4, 5, 3}));
    EXPECT_EQ(Eval("HYPOT(Y(0)*0+3,4)", graphs).Y, Values({5, 5, 5}));
    // A failed point of any argument fails that point only.
    const TMFData flagged = Eval("MAX(SQRT(Y(0)-2),Y(1))", graphs, Settings(2, 1, true));
    ASSERT_EQ(flagged.Code, 0);
    EXPECT_EQ(flagged.X, Values({1, 2}));
    EXPECT_EQ(flagged.Y, Values({2, 3}));
}

} // namespace

namespace {

// The fast sine and cosine agree with the library to the last bits over a wide range.
TEST(ExprFuncs, SineAndCosineMatchTheLibrary) {
    Extended worst = 0;
    for (int i = -20000; i <= 20000; ++i) {
        for (Extended scale : {1e-3L, 0.37L, 51.3L}) {
            const Extended x = i * scale;
            for (bool sine : {true, false}) {
                const Extended mine = sine ? detail::SinExt(x) : detail::CosExt(x);
                const Extended lib = sine ? std::sin(x) : std::cos(x);
                const Extended err = std::fabs(mine - lib) / std::max(std::fabs(lib), 1e-300L);
                worst = std::max(worst, err);
            }
        }
    }
    EXPECT_LT(worst, 3e-19L); // about 3 units in the last place
    EXPECT_EQ(detail::SinExt(0), 0);
    EXPECT_EQ(detail::CosExt(0), 1);
    const Extended pi = std::numbers::pi_v<long double>;
    // Near a zero and far out the library takes over; its run-time value, not one the compiler folds.
    volatile Extended nearZero = pi, farOut = 1e12L;
    const Extended libraryNearZero = std::sin(Extended(nearZero)), libraryFarOut = std::sin(Extended(farOut));
    EXPECT_EQ(detail::SinExt(pi), libraryNearZero);
    EXPECT_EQ(detail::SinExt(1e12L), libraryFarOut);
    EXPECT_TRUE(std::isnan(detail::SinExt(std::numeric_limits<Extended>::infinity())));
}

} // namespace
