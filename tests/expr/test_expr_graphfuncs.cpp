// Functions over whole graphs.
#include "tests/expr/ExprTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace mathfuncs;
using namespace exprtest;

namespace {

const TMFDataArr Knots = {Graph(0, {0, 1, 3}, {0, 1, 5}),
                          Graph(1, {0, 1, 2}, {0, 1, 4}),
                          Graph(2, {0, 1, 2, 3, 4}, {0, 1, 4, 9, 16}),
                          Graph(3, {0, 1}, {0, 1}),
                          Graph(4, {0, 2, 1}, {5, 6, 7}),
                          Graph(5, {1, 2, 4}, {10, 20, 30})};

struct GraphCase {
    const char* Formula;
    TDoubleArray X;
    TDoubleArray Y;
};

void ExpectGraphs(const GraphCase* begin, const GraphCase* end, const TMFDataArr& graphs,
                  const TEvalSettings& settings = {}) {
    for (const GraphCase* c = begin; c != end; ++c) {
        const TMFData r = Eval(c->Formula, graphs, settings);
        ASSERT_EQ(r.Code, 0) << c->Formula;
        EXPECT_EQ(r.X, c->X) << c->Formula;
        EXPECT_EQ(r.Y, c->Y) << c->Formula;
    }
}

TEST(ExprGraphFuncs, Derivatives) {
    const GraphCase cases[] = {
        {"DIFF(Y(0),0)", Values({0.5L, 2}), Values({1, 2})},
        {"DIFF(Y(0),2)", Values({0, 1, 3}), Values({1, 1.5L, 2})},
        {"DIFF(Y(1),3,0)", Values({0, 1, 2}), Values({0, 2, 4})},
        {"DIFF(Y(1),3)", Values({0, 1, 2}), Values({0, 2, 4})},
        {"DIFF(Y(1),3,1)", Values({0, 1, 2}), Values({1, 1, 5})},
        // five nodes: the anchor range starts at node 2, so N = 5 has one
        {"DIFF(Y(2),3)", Values({0, 1, 2, 3, 4}), Values({0, 2, 4, 6, 8})},
        {"DIFF(Y(3),1)", Values({0, 1}), Values({1, 1})},
    };
    ExpectGraphs(std::begin(cases), std::end(cases), Knots);

    const TMFData central = Eval("DIFF(Y(0),1)", Knots);
    ASSERT_EQ(central.Code, 0);
    EXPECT_EQ(central.X, Values({0, 1, 3}));
    EXPECT_EQ(central.Y[0], 1);
    EXPECT_NEAR(static_cast<double>(central.Y[1]), 4.0 / 3, 1e-17);
    EXPECT_EQ(central.Y[2], 2);

    TEvalSettings kind2;
    kind2.DiffType = 2;
    EXPECT_EQ(Eval("DIFF(Y(0))", Knots, kind2).Y, Values({1, 1.5L, 2}));
}

TEST(ExprGraphFuncs, DerivativeFailures) {
    const ErrorCase cases[] = {{"DIFF(Y(0),4)", 16},          {"DIFF(Y(0),0+1)", 16},  {"DIFF(Y(0),A)", 16},
                               {"DIFF(Y(0),1,0)", 6},         {"DIFF(Y(0),0,1,2)", 6}, {"DIFF(5)", 17},
                               {"DIFF(Y(0),3,Y(0))", 18},     {"DIFF(Y(4))", 20},      {"DIFF(Y(3),3)", 8},
                               {"DIFF(MERGE(Y(0),Y(0)))", 20}};
    for (const ErrorCase& c : cases)
        EXPECT_EQ(Eval(c.Formula, Knots).Code, c.Code) << c.Formula;
}

TEST(ExprGraphFuncs, AFlaggedFirstValueFlagsWhatDependsOnIt) {
    const TMFDataArr graphs = {Graph(0, {0, 1, 2, 3}, {-1, 4, 9, 16})};
    const TEvalSettings ignore = Settings(2, 1, true);
    const TMFData d = Eval("DIFF(SQRT(Y(0)),3,0)", graphs, ignore);
    ASSERT_EQ(d.Code, 0);
    EXPECT_EQ(d.X, Values({0}));
    EXPECT_EQ(d.Y, Values({0}));
    const TMFData i = Eval("INTEGR(SQRT(Y(0)),7)", graphs, ignore);
    ASSERT_EQ(i.Code, 0);
    EXPECT_EQ(i.X, Values({0}));
    EXPECT_EQ(i.Y, Values({7}));
    // The starting point of an integral is the constant alone and stays.
    const TMFData later = Eval("INTEGR(SQRT(Y(0)-5))", graphs, ignore);
    ASSERT_EQ(later.Code, 0);
    EXPECT_EQ(later.X, Values({0}));
    // A failed point in the middle drops it and everything after it.
    const TMFData mid = Eval("DIFF(SQRT(10-Y(0)),3,0)", graphs, ignore);
    ASSERT_EQ(mid.Code, 0);
    EXPECT_EQ(mid.X, Values({0, 1, 2}));
}

TEST(ExprGraphFuncs, Integral) {
    const TMFDataArr graphs = {Graph(0, {0, 2}, {1, 3}), Graph(1, {1, 3}, {0, 0})};
    const GraphCase cases[] = {
        {"INTEGR(Y(0))", Values({0, 2}), Values({0, 4})},
        {"INTEGR(Y(0),10)", Values({0, 2}), Values({10, 14})},
        {"INTEGR(5)", Values({0, 1, 2, 3}), Values({0, 5, 10, 15})},
        {"INTEGR(2,1)", Values({0, 1, 2, 3}), Values({1, 3, 5, 7})},
    };
    ExpectGraphs(std::begin(cases), std::end(cases), graphs);
    EXPECT_EQ(Eval("INTEGR(Y(0),Y(0))", graphs).Code, 18);
    EXPECT_EQ(Eval("INTEGR(Y(0),1,2)", graphs).Code, 6);
    EXPECT_EQ(Eval("INTEGR(5)").Code, 12);
}

TEST(ExprGraphFuncs, ArgumentOperations) {
    const GraphCase cases[] = {
        {"XSTEP(Y(0))", Values({0, 1, 3}), Values({0, 1, 2})},
        {"MERGE(Y(0),Y(0))", Values({0, 0, 1, 1, 3, 3}), Values({0, 0, 1, 1, 5, 5})},
        {"MERGE(Y(5),Y(0))", Values({0, 1, 1, 2, 3, 4}), Values({0, 10, 1, 20, 5, 30})},
        {"RELX(Y(5))", Values({0, 1, 3}), Values({10, 20, 30})},
        {"XSHFT(Y(5),1)", Values({2, 3, 5}), Values({10, 20, 30})},
        {"XSCL(Y(5),2)", Values({2, 4, 8}), Values({10, 20, 30})},
        {"XSCL(Y(5),-1)", Values({-1, -2, -4}), Values({10, 20, 30})},
        {"FLIP(Y(5))", Values({4, 2, 1}), Values({30, 20, 10})},
        {"MIRROR(Y(5))", Values({4, 3, 1}), Values({10, 20, 30})},
        {"MIRROR(Y(5),0)", Values({-1, -2, -4}), Values({10, 20, 30})},
        {"INV(Y(5))", Values({10, 20, 30}), Values({1, 2, 4})},
        {"SORT(Y(4))", Values({0, 1, 2}), Values({5, 7, 6})},
        {"SELECT(Y(5),Y(5)>15)", Values({2, 4}), Values({20, 30})},
        {"SELECT(Y(5),1)", Values({1, 2, 4}), Values({10, 20, 30})},
    };
    ExpectGraphs(std::begin(cases), std::end(cases), Knots);
    EXPECT_EQ(Eval("XSCL(Y(5),-1)", Knots).Sorted, 0);
    EXPECT_EQ(Eval("XSCL(Y(5),2)", Knots).Sorted, 1);
    EXPECT_EQ(Eval("FLIP(Y(5))", Knots).Sorted, 0);
    EXPECT_EQ(Eval("MIRROR(Y(5))", Knots).Sorted, 0);
    EXPECT_EQ(Eval("SORT(Y(4))", Knots).Sorted, 1);
    EXPECT_EQ(Eval("FLIP(5)", Knots).Y, Values({5}));
    EXPECT_EQ(Eval("MIRROR(5)", Knots).Y, Values({5}));
    EXPECT_EQ(Eval("SORT(5)", Knots).Y, Values({5}));
}

TEST(ExprGraphFuncs, ArgumentOperationFailures) {
    const ErrorCase cases[] = {
        {"XSTEP(5)", 17},
        {"MERGE(Y(0),5)", 17},
        {"MERGE(Y(4),Y(0))", 20},
        {"RELX(5)", 11},
        {"XSHFT(5,1)", 11},
        {"XSCL(Y(0),Y(0))", 18},
        {"XSHFT(Y(0))", 6},
        {"INV(5)", 17},
        {"MIRROR(Y(0),Y(0))", 18},
        {"SELECT(5,1)", 17},
        {"SELECT(Y(0),0)", 12},
        {"SELECT(Y(0),Y(5))", 11},
        {"FLIP(SELECT(Y(0),0))", 8},
        {"SORT(SELECT(Y(0),0))", 8},
        {"INV(SELECT(Y(0),0))", 8},
        {"FLIP(Y(0),1)", 6},
        {"SORT()", 1},
        {"NOSUCH(Y(0))", 7},
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(Eval(c.Formula, Knots).Code, c.Code) << c.Formula;
}

TEST(ExprGraphFuncs, Lookup) {
    const TMFDataArr graphs = {Graph(0, {0, 1, 2}, {5, 0, 10}), Graph(1, {0, 10}, {0, 100}),
                               Graph(2, {0, 1, 2}, {5, 0, 11})};
    const GraphCase cases[] = {
        {"LOOKUP(Y(0),Y(1))", Values({0, 1, 2}), Values({50, 0, 100})},
        {"LOOKUP(Y(0),7)", Values({0, 1, 2}), Values({7, 7, 7})},
    };
    ExpectGraphs(std::begin(cases), std::end(cases), graphs, Settings(2, 0));
    EXPECT_EQ(Eval("LOOKUP(5,Y(1))", graphs, Settings(2, 0)).Y, Values({50}));
    // A value outside the table without extrapolation is refused whether errors are ignored or not.
    EXPECT_EQ(Eval("LOOKUP(Y(2),Y(1))", graphs, Settings(2, 0)).Code, 11);
    EXPECT_EQ(Eval("LOOKUP(Y(2),Y(1))", graphs, Settings(2, 0, true)).Code, 11);
    EXPECT_EQ(Eval("LOOKUP(Y(2),Y(1))", graphs, Settings(2, 2)).Y, Values({50, 0, 100}));
    EXPECT_EQ(Eval("LOOKUP(Y(0))", graphs).Code, 6);
}

TEST(ExprGraphFuncs, Regression) {
    const TMFDataArr graphs = {Graph(0, {0, 1, 2}, {1, 3, 5}), Graph(1, {1, 1, 1}, {1, 2, 3}),
                               Graph(2, {-1, 0, 1, 2}, {1, 0, 1, 4})};
    const GraphCase cases[] = {
        {"FIT(Y(0))", Values({0, 1, 2}), Values({1, 3, 5})},
        {"FIT(Y(0),1)", Values({0, 1, 2}), Values({1, 3, 5})},
        {"FIT(Y(0),0)", Values({0, 1, 2}), Values({3, 3, 3})},
        {"FIT(Y(2),2)", Values({-1, 0, 1, 2}), Values({1, 0, 1, 4})},
    };
    ExpectGraphs(std::begin(cases), std::end(cases), graphs);
    const ErrorCase errors[] = {{"FIT(Y(0),5)", 30},  {"FIT(Y(0),Y(0))", 18}, {"FIT(Y(0),0.5)", 30},
                                {"FIT(Y(0),-1)", 30}, {"FIT(5)", 30},         {"FIT(5,0)", 12},
                                {"FIT(Y(1))", 30},    {"FIT(Y(0),1,2)", 6},   {"FIT(Y(0),1000)", 30}};
    for (const ErrorCase& c : errors)
        EXPECT_EQ(Eval(c.Formula, graphs).Code, c.Code) << c.Formula;
    EXPECT_EQ(Eval("FIT(5,0)", graphs, Settings(2, 1, true)).Code, 12);
}

TEST(ExprGraphFuncs, RandomValues) {
    SeedRandom(1);
    const TMFData u = Eval("RAND('UNIF',0,1)");
    ASSERT_EQ(u.Code, 0);
    ASSERT_TRUE(u.X.isEmpty());
    EXPECT_EQ(u.Y[0], 134775814.0L / 4294967296.0L);

    const TMFDataArr graphs = {Graph(0, {0, 1, 2}, {0, 0, 0}), Graph(1, {5, 6}, {1, 1})};
    const TMFData g = Eval("RAND('unif',0,1,Y(0))", graphs);
    ASSERT_EQ(g.Code, 0);
    EXPECT_EQ(g.X, graphs[0].X);
    for (Extended v : g.Y)
        EXPECT_TRUE(v >= 0 && v < 1);
    EXPECT_EQ(Eval("RAND('NORM',5,0,Y(0))", graphs).Y, Values({5, 5, 5}));
    EXPECT_EQ(Eval("RAND('UNIF',2,2)", graphs).Y, Values({2}));
    const TMFData n = Eval("RAND('NORM',Y(1),1)", graphs);
    ASSERT_EQ(n.Code, 0);
    EXPECT_EQ(n.X, graphs[1].X);

    const ErrorCase errors[] = {{"RAND('GAUSS',0,1)", 21},
                                {"RAND(NORM,0,1)", 21},
                                {"RAND('NORM'X,0,1)", 21},
                                {"RAND('NORM',0)", 6},
                                {"RAND('NORM',Y(0),Y(1))", 22}};
    for (const ErrorCase& c : errors)
        EXPECT_EQ(Eval(c.Formula, graphs).Code, c.Code) << c.Formula;
}

} // namespace
