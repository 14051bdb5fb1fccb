// Helpers shared by the expression engine tests.
#pragma once

#include "expr/MathFuncs2.h"

#include <QString>

#include <initializer_list>

namespace exprtest {

struct ErrorCase {
    const char* Formula;
    int Code;
};

inline TMFData Graph(int number, std::initializer_list<Extended> x, std::initializer_list<Extended> y) {
    TMFData g;
    g.Code = number;
    g.X = TDoubleArray(x);
    g.Y = TDoubleArray(y);
    return g;
}

inline TMFData Eval(const char* formula, const TMFDataArr& graphs = {},
                    const mathfuncs::TEvalSettings& settings = {}) {
    return mathfuncs::EvaluateExpression(QString::fromUtf8(formula), graphs, settings);
}

inline mathfuncs::TEvalSettings Settings(int interp, int extrap, bool ignore = false) {
    mathfuncs::TEvalSettings s;
    s.InterpType = interp;
    s.ExtrapType = extrap;
    s.IgnoreErrors = ignore;
    return s;
}

inline TDoubleArray Values(std::initializer_list<Extended> v) {
    return TDoubleArray(v);
}

} // namespace exprtest
