// The text of the language: rewriting into calls, numbers, names, vector forms, syntax errors.
#include "expr/ExprInternal.h"
#include "tests/expr/ExprTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <iterator>
#include <numbers>
#include <vector>

using namespace mathfuncs;
using namespace exprtest;

namespace {

struct RewriteCase {
    const char* Input;
    const char* Rewritten;
};

TEST(ExprSyntax, RewritesOperatorsIntoNestedCalls) {
    const RewriteCase cases[] = {
        {"A+B*C", "ADD(A,MUL(B,C))"},
        {"2^3^2", "POWER(POWER(2,3),2)"},
        {"-2^2", "(SUB(0,POWER(2,2)))"},
        {"-2*3", "(SUB(0,MUL(2,3)))"},
        {"2^-1", "POWER(2,(SUB(0,1)))"},
        {"2--1", "SUB(SUB(2,),1)"},
        {"+3", "(ADD(0,3))"},
        {"1E-3*2", "MUL(1E-3,2)"},
        {"A|B&C", "AND(OR(A,B),C)"},
        {"~0", "NOT(0)"},
        {"A<=B", "LOEQUAL(A,B)"},
        {"A>=B", "GREQUAL(A,B)"},
        {"A<>B", "NOTEQUAL(A,B)"},
        {"A~=B", "NOTEQUAL(A,B)"},
        {"A==B", "EQUAL(A,B)"},
        {"A=B", "EQUAL(A,B)"},
        {"A<B", "LOWER(A,B)"},
        {"A>B", "GREATER(A,B)"},
        {"A&&B||C", "OR(AND(A,B),C)"},
        {"1+2<3&4", "AND(LOWER(ADD(1,2),3),4)"},
        {"F(1,2)*(3-4)", "MUL(F(1,2),(SUB(3,4)))"},
        {"8/2/2", "DIV(DIV(8,2),2)"},
        {"1-2-3", "SUB(SUB(1,2),3)"},
        {"SIN(-X)", "SIN((SUB(0,X)))"},
    };
    for (const RewriteCase& c : cases)
        EXPECT_EQ(detail::RewriteOperators(QString::fromLatin1(c.Input)), QString::fromLatin1(c.Rewritten))
            << c.Input;
}

struct ScalarCase {
    const char* Formula;
    Extended Value;
};

TEST(ExprSyntax, EvaluatesScalarFormulas) {
    const Extended pi = std::numbers::pi_v<long double>;
    const ScalarCase cases[] = {
        {"1+2*3", 7},    {"(1+2)*3", 9},     {"-2^2", -4},       {"2^-1", 0.5L},
        {"2^3^2", 64},   {"1E-3*2", 0.002L}, {"2E+4", 20000},    {".5", 0.5L},
        {"2.75", 2.75L}, {"1 2", 12},        {"((1))", 1},       {"PI", pi},
        {"pi", pi},      {"sin(pi/2)", 1},   {"ADD(1,2)", 3},    {"-(-3)", 3},
        {"10/4", 2.5L},  {"7-2*3", 1},       {"0.1+0.2=0.3", 1}, {"1E-300=0", 0},
        {"1<2", 1},      {"2<=2", 1},        {"1|0&0", 0},       {"~0", 1},
        {"~1", 0},       {"XOR(2,0)", 1},    {"XOR(2,3)", 0},    {"ATAN2(1,0)", pi / 2},
        {"2*-3", -6},    {"(-8)^3", -512},
    };
    for (const ScalarCase& c : cases) {
        const TMFData r = Eval(c.Formula);
        EXPECT_EQ(r.Code, 0) << c.Formula;
        EXPECT_TRUE(r.X.isEmpty()) << c.Formula;
        ASSERT_EQ(r.Y.size(), 1) << c.Formula;
        EXPECT_EQ(r.Y[0], c.Value) << c.Formula;
    }
}

TEST(ExprSyntax, ReportsSyntaxErrorCodes) {
    const ErrorCase cases[] = {
        {"", 1},       {"SIN()", 1},     {"2--1", 1}, {"ADD(1,)", 1},     {"(1", 2},     {"1)", 2},
        {"(1)(2", 2},  {"1.2.3", 3},     {"2E", 3},   {"1A", 3},          {"1E5000", 3}, {"Y(0)", 4},
        {"Y(A)", 4},   {"Y", 5},         {"FOO", 5},  {"SIN(1,2)", 6},    {"ADD(1)", 6}, {"PI(1)", 7},
        {"FOO(1)", 7}, {"F(1)G(2)", 23}, {"1/0", 9},  {"(-8)^(1/3)", 24}, {"2^1E18", 8}, {"0^-1", 8},
        {"+-3", 1},    {"3-+1", 1},
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(Eval(c.Formula).Code, c.Code) << c.Formula;
}

TEST(ExprSyntax, DeepNestingIsRefusedWithoutOverflowingTheStack) {
    QString formula;
    for (int i = 0; i < 5000; ++i)
        formula += QStringLiteral("SIN(");
    formula += QLatin1Char('1');
    for (int i = 0; i < 5000; ++i)
        formula += QLatin1Char(')');
    EXPECT_EQ(EvaluateExpression(formula, {}, {}).Code, 23);
}

TEST(ExprSyntax, ReadsNumbersToExtendedPrecision) {
    Extended v = 0;
    ASSERT_TRUE(ReadNumber(u"0.1", v));
    EXPECT_EQ(v, 0.1L);
    EXPECT_NE(v, static_cast<Extended>(0.1)); // never through double
    ASSERT_TRUE(ReadNumber(u"1.5E-3", v));
    EXPECT_EQ(v, 1.5E-3L);
    ASSERT_TRUE(ReadNumber(u"1E4000", v));
    EXPECT_EQ(v, 1E4000L);
    EXPECT_FALSE(ReadNumber(u"1E+", v));
    EXPECT_FALSE(ReadNumber(u"+1", v));
    EXPECT_FALSE(ReadNumber(u".", v));
    EXPECT_FALSE(ReadNumber(u"1,5", v));
}

TEST(ExprSyntax, WritesNumbersWithFifteenDigits) {
    const std::pair<Extended, const char*> cases[] = {
        {0, "0"},
        {0.1L, "0.1"},
        {1E-5L, "1E-5"},
        {0.0001L, "0.0001"},
        {-2.5E-7L, "-2.5E-7"},
        {1E15L, "1E15"},
        {123456789012345.0L, "123456789012345"},
        {1234.57L, "1234.57"},
        {100, "100"},
        {-3, "-3"},
        {1.0L / 3, "0.333333333333333"},
        {2.0L / 3, "0.666666666666667"},
        {1.5E20L, "1.5E20"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FormatNumber(value), QLatin1String(text)) << text;
}

TEST(ExprSyntax, SubstitutesUserVariablesByRuns) {
    const TStrArray names{QStringLiteral("k"), QStringLiteral("№")};
    const TStrArray values{QStringLiteral("5"), QStringLiteral("7")};
    EXPECT_EQ(detail::PrepareFormula(QStringLiteral("k*2"), names, values), QStringLiteral("5*2"));
    EXPECT_EQ(detail::PrepareFormula(QStringLiteral("F(2*k)"), names, values), QStringLiteral("F(2*5)"));
    // '(' does not end a run: F(K forms one run that matches nothing.
    EXPECT_EQ(detail::PrepareFormula(QStringLiteral("F(k)"), names, values), QStringLiteral("F(K)"));
    EXPECT_EQ(detail::PrepareFormula(QStringLiteral("№ + 1"), names, values), QStringLiteral("7+1"));
    EXPECT_EQ(detail::PrepareFormula(QStringLiteral("KK+K"), names, values), QStringLiteral("KK+5"));
    EXPECT_EQ(detail::PrepareFormula(QStringLiteral("F()+(k)"), names, values), QStringLiteral("F()+(5)"));
    EXPECT_EQ(detail::PrepareFormula(QStringLiteral("-)k"), names, values), QStringLiteral("-)K"));

    TEvalSettings s;
    s.VarNames = names;
    s.VarValues = values;
    const TMFData r = Eval("№*k", {}, s);
    ASSERT_EQ(r.Code, 0);
    EXPECT_EQ(r.Y[0], 35);
    s.VarValues.removeLast();
    EXPECT_EQ(Eval("1", {}, s).Code, 25);
}

struct VectorCase {
    const char* Line;
    std::vector<const char*> Formulas;
};

TEST(ExprSyntax, ExpandsRangesAndLists) {
    const VectorCase cases[] = {
        {"Y(0:2)", {"Y(0)", "Y(1)", "Y(2)"}},
        {"Y(0:2)*[1 10 100]", {"Y(0)*1", "Y(1)*10", "Y(2)*100"}},
        {"Y(1:3)+[10 20 30]", {"Y(1)+10", "Y(2)+20", "Y(3)+30"}},
        {"2*1:3", {"2", "3"}},
        {"1:1", {"1"}},
        {"0:0.5:1", {"0", "0.5", "1"}},
        {"0:0.5 :1", {"0", "0.5", "1"}},
        {"3:-1:1", {"3", "2", "1"}},
        {"Y(-1:1)", {"Y(-1)", "Y(0)", "Y(1)"}},
        {"-1:0.1:0", {"-1", "-0.9", "-0.8", "-0.7", "-0.6", "-0.5", "-0.4", "-0.3", "-0.2", "-0.1", "0"}},
        {"0:0.1:0.3", {"0", "0.1", "0.2", "0.3"}},
        {"0:1E-5:1E-5", {"0", "1E-5"}},
        {"F(0:1,[2  3])", {"F(0,2)", "F(1,3)"}},
        {"SIN(X)", {"SIN(X)"}},
        {"[A B]", {"A", "B"}},
    };
    for (const VectorCase& c : cases) {
        QStringList out;
        ASSERT_TRUE(ExpandVectorForms(QString::fromLatin1(c.Line), out)) << c.Line;
        QStringList expected;
        for (const char* f : c.Formulas)
            expected << QString::fromLatin1(f);
        EXPECT_EQ(out, expected) << c.Line;
    }
}

TEST(ExprSyntax, RejectsLinesThatCannotBeExpanded) {
    const char* cases[] = {"Y(1:3)+[10 20]", "[]",  "] [",      "1:-1:1", "1:0:3",   "0:-1",
                           "Y(0):3",         "A:3", "0:1E-9:1", "[1 2",   "1:1E400", "0::1"};
    for (const char* line : cases) {
        QStringList out;
        EXPECT_FALSE(ExpandVectorForms(QString::fromLatin1(line), out)) << line;
    }
    int code = 0;
    EvaluateLineToText(QStringLiteral("[]"), {}, {}, &code);
    EXPECT_EQ(code, 28);
}

TEST(ExprSyntax, RangeValuesAreComputedNotAccumulated) {
    QStringList out;
    ASSERT_TRUE(ExpandVectorForms(QStringLiteral("0:0.1:100"), out));
    ASSERT_EQ(out.size(), 1001);
    EXPECT_EQ(out[1000], QStringLiteral("100"));
    EXPECT_EQ(out[999], QStringLiteral("99.9"));
}

} // namespace

namespace {

// Random texts over the language's own characters: every one must come back with a code in
// range and a well-formed value, without crashing or hanging.
TEST(ExprSyntax, RandomTextsGiveWellFormedResults) {
    const QString alphabet = QStringLiteral("0123456789.E+-*/^=<>&|~(),:[] XYPIRELSNDFMAOUTCHQ'");
    const TMFDataArr graphs = {Graph(0, {0, 1, 2}, {1, -2, 3}), Graph(1, {0.5L, 3}, {4, 5})};
    TEvalSettings ignoring = Settings(3, 0, true);
    ignoring.VarNames = {QStringLiteral("K")};
    ignoring.VarValues = {QStringLiteral("2")};
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int round = 0; round < 5000; ++round) {
        QString text;
        const int length = 1 + next() % 24;
        for (int i = 0; i < length; ++i)
            text += alphabet[next() % alphabet.size()];
        for (const TEvalSettings& s : {TEvalSettings{}, ignoring}) {
            const TMFData r = EvaluateExpression(text, graphs, s);
            ASSERT_TRUE(r.Code >= 0 && r.Code <= MaxErrorCode) << qPrintable(text);
            if (r.Code == 0) {
                ASSERT_FALSE(r.Y.isEmpty()) << qPrintable(text);
                ASSERT_TRUE(r.X.isEmpty() ? r.Y.size() == 1 : r.X.size() == r.Y.size()) << qPrintable(text);
            }
        }
        QStringList formulas;
        ExpandVectorForms(text, formulas);
    }
}

} // namespace

namespace {

// Random nested calls of every function with random argument counts, under every setting.
TEST(ExprSyntax, RandomCallsGiveWellFormedResults) {
    const char* const names[] = {"SIN",  "SQRT", "LN",     "ABS",    "ROUND",  "HYPOT", "MEAN", "STD",
                                 "MED",  "MAX",  "DIFF",   "INTEGR", "XSTEP",  "MERGE", "RELX", "XSHFT",
                                 "XSCL", "FIT",  "LOOKUP", "FLIP",   "MIRROR", "INV",   "SORT", "SELECT",
                                 "ADD",  "DIV",  "POWER",  "LOWER",  "ZEROS",  "FLOOR", "RAND"};
    const char* const leaves[] = {"Y(0)", "Y(1)", "Y(2)", "X",   "XREL",   "X(1)",   "0",     "1",
                                  "-1",   "2.5",  "3",    "0.5", "'NORM'", "'UNIF'", "1E300", "Y(0)>0"};
    const TMFDataArr graphs = {Graph(0, {0, 1, 2, 3}, {1, -2, 3, 0}), Graph(1, {0.5L, 3, 4}, {4, 5, -1}),
                               Graph(2, {2, 1, 1}, {0, 7, 7})};
    uint32_t seed = 777;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    std::function<QString(int)> make = [&](int depth) -> QString {
        if (depth == 0 || next() % 4 == 0) return QLatin1String(leaves[next() % std::size(leaves)]);
        QString call = QLatin1String(names[next() % std::size(names)]) + QLatin1Char('(');
        const int count = 1 + next() % 4;
        for (int i = 0; i < count; ++i)
            call += (i ? QStringLiteral(",") : QString()) + make(depth - 1);
        return call + QLatin1Char(')');
    };
    TDoubleArray common;
    for (int i = 0; i <= 8; ++i)
        common << i * 0.5L;
    for (int round = 0; round < 5000; ++round) {
        const QString formula = make(3);
        TEvalSettings s;
        s.InterpType = next() % 7;
        s.ExtrapType = next() % 4;
        s.DiffType = next() % 4;
        s.IgnoreErrors = next() % 2;
        if (next() % 3 == 0) s.CommonArg = common;
        const TMFData r = EvaluateExpression(formula, graphs, s);
        ASSERT_TRUE(r.Code >= 0 && r.Code <= MaxErrorCode) << qPrintable(formula);
        if (r.Code != 0) continue;
        ASSERT_FALSE(r.Y.isEmpty()) << qPrintable(formula);
        ASSERT_TRUE(r.X.isEmpty() ? r.Y.size() == 1 : r.X.size() == r.Y.size()) << qPrintable(formula);
        ASSERT_EQ(r.Mask.size(), s.IgnoreErrors ? r.Y.size() : 0) << qPrintable(formula);
        ASSERT_TRUE(s.CommonArg.isEmpty() || !r.X.isEmpty()) << qPrintable(formula);
    }
}

} // namespace
