#include "expr/MathFuncs2.h"

#include <gtest/gtest.h>

using namespace mathfuncs;

TEST(ExprSyntax, Smoke) {
    const TMFData r = EvaluateExpression(QStringLiteral("1+2"), {}, {});
    EXPECT_EQ(r.Code, 0);
}
