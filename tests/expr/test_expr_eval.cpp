// Evaluation: graph references, combining values with different arguments, resampling,
// ignoring failed points, the common argument and the error texts.
#include "tests/expr/ExprTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace mathfuncs;
using namespace exprtest;

namespace {

// y = x^2 on 0..3
const TDoubleArray SquareX = Values({0, 1, 2, 3});
const TDoubleArray SquareY = Values({0, 1, 4, 9});

struct ResampleCase {
    int Interp;
    int Extrap;
    Extended At;
    Extended Expected;
};

TEST(ExprResample, InterpolatesAndExtrapolatesByKind) {
    const ResampleCase cases[] = {
        // step with the left value; at a node its own value
        {0, 1, 1.5L, 1},
        {0, 1, 1, 1},
        {0, 1, 0, 0},
        {0, 1, 3, 9},
        // step with the right value; at a node the next one
        {1, 1, 1.5L, 4},
        {1, 1, 1, 4},
        {1, 1, 0, 1},
        {1, 1, 3, 9},
        // linear
        {2, 1, 1.5L, 2.5L},
        {2, 1, 0.5L, 0.5L},
        {2, 1, 2, 4},
        // parabolic from the left / right / biparabolic reproduce a parabola
        {3, 1, 0.5L, 0.25L},
        {3, 1, 1.5L, 2.25L},
        {3, 1, 2.5L, 6.25L},
        {4, 1, 0.5L, 0.25L},
        {4, 1, 2.5L, 6.25L},
        {5, 1, 0.5L, 0.25L},
        {5, 1, 1.5L, 2.25L},
        {5, 1, 2.5L, 6.25L},
        // spline: inner interval exact for a parabola, ends with their own slope rule
        {6, 1, 1.5L, 2.25L},
        {6, 1, 0.5L, 0.375L},
        {6, 1, 2.5L, 6.625L},
        // extrapolation: zero, step, linear
        {2, 1, -1, 0},
        {2, 1, 4, 0},
        {2, 2, -1, 0},
        {2, 2, 4, 9},
        {2, 3, -1, -1},
        {2, 3, 4, 14},
    };
    for (const ResampleCase& c : cases) {
        const TDoubleArray y = Resample({c.At}, SquareX, SquareY, {}, c.Interp, c.Extrap);
        ASSERT_EQ(y.size(), 1) << c.Interp << " " << static_cast<double>(c.At);
        EXPECT_EQ(y[0], c.Expected) << "kind " << c.Interp << "/" << c.Extrap << " at "
                                    << static_cast<double>(c.At);
    }
}

TEST(ExprResample, NoExtrapolationGivesNothingOutside) {
    EXPECT_TRUE(Resample({1, 4}, SquareX, SquareY, {}, 2, 0).isEmpty());
    EXPECT_TRUE(Resample({-0.5L}, SquareX, SquareY, {}, 2, 0).isEmpty());
    // A last node equal within tolerance is interpolated, not extrapolated.
    const TDoubleArray y = Resample({3 + 3 * 5e-16L}, SquareX, SquareY, {}, 2, 0);
    ASSERT_EQ(y.size(), 1);
    EXPECT_EQ(y[0], 9);
}

TEST(ExprResample, ScalarsShortGraphsAndMismatchedGraphs) {
    EXPECT_EQ(Resample({1, 2}, {}, {5}, {}, 2, 0), Values({5, 5}));
    EXPECT_TRUE(Resample({1}, {1}, {5}, {}, 2, 1).isEmpty());
    EXPECT_TRUE(Resample({1}, {1, 2}, {5}, {}, 2, 1).isEmpty());
}

TEST(ExprResample, AGraphResampledOntoItsOwnArgumentsKeepsItsValues) {
    const TDoubleArray x = Values({0, 1, 2.5L, 3, 7, 8});
    const TDoubleArray y = Values({3, -1, 4, 1, -5, 9});
    // Kind 1 is left out: at a node it takes the next node's value by definition.
    for (int kind : {0, 2, 3, 4, 5, 6})
        EXPECT_EQ(Resample(x, x, y, {}, kind, 0), y) << kind;
}

TEST(ExprResample, ParabolicFromTheLeftUsesTheLastThreeNodesAtTheRightEnd) {
    const TDoubleArray y = Resample({2.5L}, SquareX, Values({0, 0, 0, 1}), {}, 3, 0);
    ASSERT_EQ(y.size(), 1);
    EXPECT_EQ(y[0], 0.375L); // (x-1)(x-2)/2 through the nodes 1, 2, 3
}

TEST(ExprResample, EqualNeighbouringArgumentsFallBackToLinear) {
    const TDoubleArray x = Values({0, 1, 1, 2});
    const TDoubleArray y = Values({0, 2, 4, 6});
    for (int kind = 3; kind <= 6; ++kind) {
        const TDoubleArray r = Resample({0.5L, 1.5L}, x, y, {}, kind, 0);
        ASSERT_EQ(r.size(), 2) << kind;
        EXPECT_TRUE(std::isfinite(r[0]) && std::isfinite(r[1])) << kind;
    }
    EXPECT_EQ(Resample({0.5L}, x, y, {}, 3, 0), Values({1}));
}

TEST(ExprResample, FlagsTravelWithTheNodesUsed) {
    const TBoolArray mask{0, 0, 1, 0};
    TBoolArray flags;
    Resample({0.5L, 1.5L, 2, 3, 5}, SquareX, SquareY, mask, 2, 2, &flags);
    EXPECT_EQ(flags, (TBoolArray{0, 1, 1, 0, 0}));
    Resample({0.5L, 5}, SquareX, SquareY, mask, 0, 1, &flags);
    EXPECT_EQ(flags, (TBoolArray{0, 0}));
    Resample({1.5L}, SquareX, SquareY, mask, 0, 1, &flags);
    EXPECT_EQ(flags, (TBoolArray{0}));
    Resample({1.5L}, SquareX, SquareY, mask, 1, 1, &flags);
    EXPECT_EQ(flags, (TBoolArray{1}));
}

TEST(ExprResample, UnionOfArguments) {
    EXPECT_EQ(UnionOfArguments({Values({0, 1, 2}), Values({1, 1.5L, 3})}), Values({0, 1, 1.5L, 2, 3}));
    EXPECT_EQ(UnionOfArguments({Values({1, 1, 2}), {}}), Values({1, 2}));
    EXPECT_TRUE(UnionOfArguments({}).isEmpty());
    EXPECT_TRUE(SameValue(1, 1 + 1e-16L));
    EXPECT_FALSE(SameValue(0, 1e-300L));
    EXPECT_FALSE(SameValue(1, 1 + 1e-14L));
}

// ---- evaluation over graphs --------------------------------------------------------------------

const TMFDataArr TwoGraphs = {Graph(0, {0, 1, 2, 3, 4}, {0, 1, 2, 3, 4}), Graph(1, {1.5L, 2.5L}, {10, 20})};

TEST(ExprEval, ScalarAndGraphKeepTheGraphsArguments) {
    const TMFData r = Eval("Y(0)+1", TwoGraphs);
    ASSERT_EQ(r.Code, 0);
    EXPECT_EQ(r.X, TwoGraphs[0].X);
    EXPECT_EQ(r.Y, Values({1, 2, 3, 4, 5}));
    EXPECT_EQ(r.Sorted, 1);
    EXPECT_EQ(Eval("2-Y(0)", TwoGraphs).Y, Values({2, 1, 0, -1, -2}));
}

TEST(ExprEval, GraphsWithDifferentArgumentsCombineOnTheOverlapWithoutExtrapolation) {
    const TMFData r = Eval("Y(0)+Y(1)", TwoGraphs, Settings(2, 0));
    ASSERT_EQ(r.Code, 0);
    EXPECT_EQ(r.X, Values({1.5L, 2, 2.5L}));
    EXPECT_EQ(r.Y, Values({11.5L, 17, 22.5L}));
    EXPECT_EQ(r.Sorted, 1);
}

TEST(ExprEval, GraphsWithDifferentArgumentsCombineOnTheUnionWithExtrapolation) {
    struct Case {
        int Extrap;
        TDoubleArray Y;
    };
    const Case cases[] = {
        {1, Values({0, 1, 11.5L, 17, 22.5L, 3, 4})},
        {2, Values({10, 11, 11.5L, 17, 22.5L, 23, 24})},
        {3, Values({-5, 6, 11.5L, 17, 22.5L, 28, 39})},
    };
    for (const Case& c : cases) {
        const TMFData r = Eval("Y(0)+Y(1)", TwoGraphs, Settings(2, c.Extrap));
        ASSERT_EQ(r.Code, 0) << c.Extrap;
        EXPECT_EQ(r.X, Values({0, 1, 1.5L, 2, 2.5L, 3, 4})) << c.Extrap;
        EXPECT_EQ(r.Y, c.Y) << c.Extrap;
    }
}

TEST(ExprEval, DisjointGraphsWithoutExtrapolationHaveNoDomain) {
    const TMFDataArr graphs = {Graph(0, {0, 1}, {0, 1}), Graph(1, {2, 3}, {0, 1})};
    EXPECT_EQ(Eval("Y(0)+Y(1)", graphs).Code, 11);
    EXPECT_EQ(Eval("MAX(Y(0),Y(1))", graphs).Code, 11);
    EXPECT_EQ(Eval("Y(0)+Y(1)", graphs, Settings(2, 1)).Code, 0);
}

TEST(ExprEval, ManyArgumentFunctionsCutToTheOverlapWithoutExtrapolation) {
    const TMFData r = Eval("MAX(Y(0),Y(1),0)", TwoGraphs, Settings(2, 0));
    ASSERT_EQ(r.Code, 0);
    EXPECT_EQ(r.X, Values({1.5L, 2, 2.5L}));
    EXPECT_EQ(r.Y, Values({10, 15, 20}));
    const TMFData u = Eval("HYPOT(Y(0),Y(1))", TwoGraphs, Settings(2, 1));
    ASSERT_EQ(u.Code, 0);
    EXPECT_EQ(u.X.size(), 7);
    EXPECT_EQ(u.Y[0], 0);
    EXPECT_EQ(u.Y[1], 1);
}

const TMFDataArr Unsorted = {Graph(0, {0, 2, 1}, {5, 6, 7}), Graph(1, {0, 1}, {1, 1})};

TEST(ExprEval, UnsortedGraphsAreAcceptedAloneButNotWhereResamplingIsNeeded) {
    const TMFData alone = Eval("Y(0)", Unsorted);
    ASSERT_EQ(alone.Code, 0);
    EXPECT_EQ(alone.Sorted, 0);
    const ErrorCase cases[] = {{"Y(0)+Y(1)", 20},     {"X", 20},
                               {"XREL", 20},          {"DIFF(Y(0))", 20},
                               {"INTEGR(Y(0))", 20},  {"MAX(Y(0),Y(1))", 20},
                               {"LOOKUP(1,Y(0))", 20}};
    for (const ErrorCase& c : cases)
        EXPECT_EQ(Eval(c.Formula, Unsorted).Code, c.Code) << c.Formula;
}

TEST(ExprEval, IdenticalArgumentsKeepTheLeftOperandsSortedFlag) {
    const TMFData r = Eval("Y(0)+Y(0)", Unsorted);
    ASSERT_EQ(r.Code, 0);
    EXPECT_EQ(r.Y, Values({10, 12, 14}));
    EXPECT_EQ(r.Sorted, 0);
}

TEST(ExprEval, GraphReferences) {
    const TMFDataArr graphs = {Graph(3, {2, 3, 5}, {7, 8, 9})};
    const TMFData x = Eval("X(3)", graphs);
    EXPECT_EQ(x.X, Values({2, 3, 5}));
    EXPECT_EQ(x.Y, Values({2, 3, 5}));
    EXPECT_EQ(Eval("XREL(3)", graphs).Y, Values({0, 1, 3}));
    const TMFData u = Eval("X", graphs);
    EXPECT_EQ(u.X, Values({2, 3, 5}));
    EXPECT_EQ(u.Y, Values({2, 3, 5}));
    EXPECT_EQ(Eval("XREL", graphs).Y, Values({0, 1, 3}));
    EXPECT_EQ(Eval("SIN(2*PI*X)*0", graphs).Y.size(), 3);
    EXPECT_EQ(Eval("Y(0)", graphs).Code, 4);
    EXPECT_EQ(Eval("X(1)", graphs).Code, 4);
    EXPECT_EQ(Eval("Y(1.5)", graphs).Code, 4);
    EXPECT_EQ(Eval("Y(3,4)", graphs).Code, 6);
    EXPECT_EQ(Eval("X").Code, 11);
}

TEST(ExprEval, MalformedGraphTableEntries) {
    EXPECT_EQ(Eval("1", {Graph(0, {}, {})}).Code, 10);
    EXPECT_EQ(Eval("1", {Graph(0, {1, 2}, {1})}).Code, 10);
    EXPECT_EQ(Eval("1", {Graph(0, {}, {1, 2})}).Code, 10);
}

TEST(ExprEval, IgnoringErrorsDropsFailedPoints) {
    const TMFDataArr graphs = {Graph(0, {1, 2, 3}, {-1, 4, 9})};
    const TMFData r = Eval("SQRT(Y(0))", graphs, Settings(2, 1, true));
    ASSERT_EQ(r.Code, 0);
    EXPECT_EQ(r.X, Values({2, 3}));
    EXPECT_EQ(r.Y, Values({2, 3}));
    EXPECT_EQ(r.Mask, (TBoolArray{0, 0}));
    EXPECT_EQ(Eval("SQRT(Y(0))", graphs).Code, 13);
    // Flags travel through later operations.
    EXPECT_EQ(Eval("SQRT(Y(0))+Y(0)", graphs, Settings(2, 1, true)).Y, Values({6, 12}));
    EXPECT_EQ(Eval("SQRT(-1)", {}, Settings(2, 1, true)).Code, 12);
    EXPECT_EQ(Eval("SQRT(Y(0))*0+1/(Y(0)-4)", graphs, Settings(2, 1, true)).Y, Values({0.2L}));
    EXPECT_EQ(Eval("1/(Y(0)-4)", graphs).Code, 9);
}

TEST(ExprEval, CommonArgument) {
    TEvalSettings s = Settings(2, 1);
    for (int i = 0; i <= 10; ++i)
        s.CommonArg << i;
    const TMFData five = Eval("5", {}, s);
    ASSERT_EQ(five.Code, 0);
    EXPECT_EQ(five.X, s.CommonArg);
    EXPECT_EQ(five.Y, TDoubleArray(11, 5));

    const TMFDataArr graphs = {Graph(0, {0, 16}, {0, 32}), Graph(1, {2, 4}, {1, 1})};
    const TMFData y = Eval("Y(0)", graphs, s);
    ASSERT_EQ(y.Code, 0);
    EXPECT_EQ(y.X, s.CommonArg);
    EXPECT_EQ(y.Y[3], 6);
    EXPECT_EQ(Eval("X(7)", graphs, s).Y, s.CommonArg); // not looked up
    EXPECT_EQ(Eval("XREL(7)", graphs, s).Y[10], 10);
    EXPECT_EQ(Eval("RELX(Y(0))", graphs, s).Code, 27);
    EXPECT_EQ(Eval("FLIP(Y(0))", graphs, s).Code, 27);
    EXPECT_EQ(Eval("MIRROR(Y(0))", graphs, s).Code, 27);
    EXPECT_EQ(Eval("INV(Y(0))", graphs, s).Code, 27);
    // Graph 1 does not cover 0..10: only extrapolation may fill it.
    EXPECT_EQ(Eval("Y(1)", graphs, s).Y[0], 0);
    s.ExtrapType = 0;
    EXPECT_EQ(Eval("Y(1)", graphs, s).Code, 11);
    EXPECT_EQ(Eval("Y(0)", {Graph(0, {0}, {1})}, s).Code, 11);
    EXPECT_EQ(Eval("1", {Graph(0, {1, 0}, {1, 1})}, s).Code, 20);
    // A shorter graph under a common argument is resampled onto it.
    s.ExtrapType = 2;
    const TMFData d = Eval("DIFF(Y(0),0)+Y(0)", graphs, s);
    ASSERT_EQ(d.Code, 0);
    EXPECT_EQ(d.X, s.CommonArg);
    EXPECT_EQ(d.Y[1], 4);
}

TEST(ExprEval, ErrorTexts) {
    EXPECT_EQ(ErrorMessage(1), QStringLiteral("Пустая строка в одном из выражений."));
    EXPECT_EQ(ErrorMessage(15),
              QStringLiteral("Аргумент обратной функции назодится за областью её определения."));
    EXPECT_EQ(ErrorMessage(16), QStringLiteral("Некорректный тип дифференцирования (должно быть 0 или 1)."));
    EXPECT_EQ(ErrorMessage(23), QStringLiteral("Ошибка в математичесом выражении."));
    EXPECT_EQ(ErrorMessage(26),
              QStringLiteral("Попытка вычислить статистическую функцию от \"сбойного\" аргумента."));
    EXPECT_EQ(ErrorMessage(30), QStringLiteral("Ошибка при вычислении регрессии."));
    for (int code = 1; code <= 30; ++code)
        EXPECT_FALSE(ErrorMessage(code).isEmpty()) << code;
    EXPECT_TRUE(ErrorMessage(0).isEmpty());
    EXPECT_TRUE(ErrorMessage(31).isEmpty());
    EXPECT_EQ(ErrorReport(9), QStringLiteral("Ошибка при вычислении функции №9:\n\rДеление на ноль."));
}

TEST(ExprEval, EvaluatesALineToText) {
    const TMFDataArr graphs = {Graph(0, {0, 0.5L}, {1, 2}), Graph(1, {0}, {3})};
    int code = -1;
    EXPECT_EQ(EvaluateLineToText(QStringLiteral("y(0)*[1 10]"), graphs, {}, &code),
              QStringLiteral("0\t1\n0.5\t2\n\n0\t10\n0.5\t20\n"));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(EvaluateLineToText(QStringLiteral("1/3"), {}, {}, &code),
              QStringLiteral("0.333333333333333\n"));
    EXPECT_EQ(EvaluateLineToText(QStringLiteral("1/0"), {}, {}, &code), ErrorReport(9) + QLatin1Char('\n'));
    EXPECT_EQ(code, 9);
}

} // namespace

namespace {

TEST(ExprResample, LinearExtrapolationOverEqualEndArgumentsHoldsTheEndValue) {
    const TDoubleArray x = Values({0, 0, 1, 1});
    const TDoubleArray y = Values({1, 2, 3, 4});
    EXPECT_EQ(Resample({-1, 2}, x, y, {}, 2, 3), Values({1, 4}));
}

TEST(ExprEval, AFlaggedParameterFlagsEveryPointItActsOn) {
    const TMFDataArr graphs = {Graph(0, {0, 1}, {1, 2})};
    const TEvalSettings ignore = Settings(2, 1, true);
    const ErrorCase cases[] = {{"XSHFT(Y(0),SQRT(-1))", 12},  {"XSCL(Y(0),SQRT(-1))", 12},
                               {"MIRROR(Y(0),SQRT(-1))", 12}, {"INTEGR(Y(0),SQRT(-1))", 12},
                               {"SELECT(Y(0),SQRT(-1))", 12}, {"ROUND(Y(0),SQRT(-1))", 29},
                               {"FIT(Y(0),SQRT(-1))", 30}};
    for (const ErrorCase& c : cases)
        EXPECT_EQ(Eval(c.Formula, graphs, ignore).Code, c.Code) << c.Formula;
}

} // namespace

namespace {

// Long arrays are worked on in two halves: the result and the first failure must be those of one pass.
TEST(ExprEval, LongArraysGiveTheResultsOfOnePass) {
    const qsizetype n = 300'000;
    TMFData g;
    g.Code = 0;
    g.X.resize(n);
    g.Y.resize(n);
    for (qsizetype i = 0; i < n; ++i) {
        g.X[i] = Extended(i);
        g.Y[i] = Extended(i % 1000) - 2;
    }
    TMFData twin = g;
    twin.Code = 1;
    twin.X = TDoubleArray(g.X.cbegin(), g.X.cend()); // equal arguments, own storage
    const TMFData r = Eval("Y(0)*2+SIN(Y(1))", {g, twin}, Settings(2, 1));
    ASSERT_EQ(r.Code, 0);
    ASSERT_EQ(r.Y.size(), n);
    for (const qsizetype i : {qsizetype(0), n / 2 - 1, n / 2, n - 1})
        EXPECT_LE(testutil::UlpsApart(r.Y[i], g.Y[i] * 2 + std::sin(g.Y[i])), 2) << i;

    // The points where the value is 0 fail 1/Y(0): one in every 1000, in both halves.
    EXPECT_EQ(Eval("1/Y(0)", {g}, Settings(2, 1)).Code, 9);
    EXPECT_EQ(Eval("1/Y(0)", {g}, Settings(2, 1, true)).Y.size(), n - n / 1000);

    // One step down in the second half, then at the middle, makes the argument unsorted.
    for (const qsizetype at : {n - 10, n / 2}) {
        TMFData unsorted = g;
        unsorted.X[at] = -1;
        EXPECT_EQ(Eval("Y(0)", {unsorted}, Settings(2, 1)).Sorted, 0) << at;
    }
}

} // namespace
