// Operators and pointwise mathematical functions: the per-value kernels and the loops that apply
// them over whole arrays, ROUND, HYPOT and the statistical functions.
#include "expr/ExprInternal.h"
#include "model/DecimalLog.h"
#include "model/UnsetList.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mathfuncs::detail {

namespace {

constexpr Extended Pi = std::numbers::pi_v<long double>;
// Values this large have no fraction and do not fit a 64-bit integer part.
constexpr Extended TwoPow63 = 9223372036854775808.0L;

// ---- two-argument operators ------------------------------------------------------------------

// l^r: integral exponents by square-and-multiply (so negative bases work and huge exponents
// cost a few dozen steps), others through powl.
Extended Power(Extended l, Extended r, int& err) {
    if (r == std::trunc(r)) {
        const Extended e = std::fabs(r);
        Extended result = 1;
        if (e < 18446744073709551616.0L) {
            auto k = static_cast<unsigned long long>(e);
            Extended base = l;
            while (k) {
                if (k & 1) result *= base;
                k >>= 1;
                if (k) base *= base;
            }
        } else {
            result = std::pow(l, e);
        }
        if (r < 0) {
            if (result == 0) {
                err = ecMath;
                return 0;
            }
            result = 1 / result;
        }
        return result;
    }
    if (l < 0) {
        err = ecFractionalPower;
        return 0;
    }
    return std::pow(l, r);
}

// Strides are 1 for a graph and 0 for a scalar; as template arguments they cost nothing per point.
template <int LS, int RS, class Kernel>
int RunBinaryStrided(Kernel kernel, const Extended* l, const Extended* r, const uint8_t* lm,
                     const uint8_t* rm, Extended* out, uint8_t* om, qsizetype n) {
    // An operation on finite numbers that yields no finite number failed (overflow, 0^-1 ...).
    auto checked = [&](Extended a, Extended b, int& err) {
        const Extended v = kernel(a, b, err);
        if (!err && !std::isfinite(v) && std::isfinite(a) && std::isfinite(b)) err = ecMath;
        return v;
    };
    if (!om) {
        for (qsizetype i = 0; i < n; ++i) {
            int err = 0;
            out[i] = checked(l[i * LS], r[i * RS], err);
            if (err) return err;
        }
        return 0;
    }
    for (qsizetype i = 0; i < n; ++i) {
        if (lm[i * LS] | rm[i * RS]) {
            out[i] = 0;
            om[i] = 1;
            continue;
        }
        int err = 0;
        const Extended v = checked(l[i * LS], r[i * RS], err);
        out[i] = err ? 0 : v;
        om[i] = err ? 1 : 0;
    }
    return 0;
}

template <class Kernel>
int RunBinary(Kernel kernel, const Extended* l, qsizetype ls, const Extended* r, qsizetype rs,
              const uint8_t* lm, const uint8_t* rm, Extended* out, uint8_t* om, qsizetype n) {
    return RunInHalves(n, [&](qsizetype b, qsizetype e) {
        const Extended* lb = l + b * ls;
        const Extended* rb = r + b * rs;
        const uint8_t* lmb = lm ? lm + b * ls : nullptr;
        const uint8_t* rmb = rm ? rm + b * rs : nullptr;
        uint8_t* omb = om ? om + b : nullptr;
        if (ls && rs) return RunBinaryStrided<1, 1>(kernel, lb, rb, lmb, rmb, out + b, omb, e - b);
        if (ls) return RunBinaryStrided<1, 0>(kernel, lb, rb, lmb, rmb, out + b, omb, e - b);
        if (rs) return RunBinaryStrided<0, 1>(kernel, lb, rb, lmb, rmb, out + b, omb, e - b);
        return RunBinaryStrided<0, 0>(kernel, lb, rb, lmb, rmb, out + b, omb, e - b);
    });
}

int ApplyBinary(int code, const Extended* l, qsizetype ls, const Extended* r, qsizetype rs, const uint8_t* lm,
                const uint8_t* rm, Extended* out, uint8_t* om, qsizetype n) {
    auto run = [&](auto kernel) { return RunBinary(kernel, l, ls, r, rs, lm, rm, out, om, n); };
    auto truth = [](bool b) { return b ? Extended(1) : Extended(0); };
    switch (code) {
    case 1:
        return run([](Extended a, Extended b, int&) { return a + b; });
    case 2:
        return run([](Extended a, Extended b, int&) { return a - b; });
    case 3:
        return run([](Extended a, Extended b, int&) { return a * b; });
    case 4:
        return run([](Extended a, Extended b, int& err) {
            if (b == 0) {
                err = ecDivZero;
                return Extended(0);
            }
            return a / b;
        });
    case 5:
        return run(Power);
    case 6:
        return run([](Extended a, Extended b, int&) { return std::atan2(a, b); });
    case 7:
        return run([&](Extended a, Extended b, int&) { return truth(SameValue(a, b)); });
    case 8:
        return run([&](Extended a, Extended b, int&) { return truth(!SameValue(a, b)); });
    case 9:
        return run([&](Extended a, Extended b, int&) { return truth(a > b || SameValue(a, b)); });
    case 10:
        return run([&](Extended a, Extended b, int&) { return truth(a < b || SameValue(a, b)); });
    case 11:
        return run([&](Extended a, Extended b, int&) { return truth(a > b && !SameValue(a, b)); });
    case 12:
        return run([&](Extended a, Extended b, int&) { return truth(a < b && !SameValue(a, b)); });
    case 13:
        return run([&](Extended a, Extended b, int&) { return truth(a != 0 && b != 0); });
    case 14:
        return run([&](Extended a, Extended b, int&) { return truth(a != 0 || b != 0); });
    default:
        return run([&](Extended a, Extended b, int&) { return truth((a != 0) != (b != 0)); });
    }
}

// Two values brought onto common arguments (cases 1-4 of combining).
struct BinaryOperands {
    TDoubleArray X;
    TDoubleArray L, R;
    TBoolArray LM, RM;
    qsizetype LStride = 1, RStride = 1;
    uint8_t Sorted = 1;
};

int BringTogether(TMFData& l, TMFData& r, const EvalContext& ctx, BinaryOperands& op) {
    const bool ls = IsScalar(l), rs = IsScalar(r);
    // Moved, not copied: an operand that is an intermediate result can then take the result.
    op.L = std::move(l.Y);
    op.R = std::move(r.Y);
    op.LM = std::move(l.Mask);
    op.RM = std::move(r.Mask);
    op.LStride = ls ? 0 : 1;
    op.RStride = rs ? 0 : 1;
    if (ls && rs) return 0;
    if (ls || rs) {
        const TMFData& g = ls ? r : l;
        op.X = g.X;
        op.Sorted = g.Sorted;
        return 0;
    }
    if (SameArrays(l.X, r.X) || (ctx.HasCommon() && l.X.size() == r.X.size())) {
        op.X = l.X;
        op.Sorted = l.Sorted;
        return 0;
    }
    if (!l.Sorted || !r.Sorted) return ecUnsorted;
    if (ctx.HasCommon()) {
        op.X = ctx.Settings.CommonArg;
    } else if (const int code = UnionForCombining({&l.X, &r.X}, ctx, op.X)) {
        return code;
    }
    l.Y = op.L;
    l.Mask = op.LM;
    r.Y = op.R;
    r.Mask = op.RM;
    if (!SameArrays(l.X, op.X) && !ResampleValue(l, op.X, ctx, op.L, op.LM)) return ecEmptyDomain;
    if (!SameArrays(r.X, op.X) && !ResampleValue(r, op.X, ctx, op.R, op.RM)) return ecEmptyDomain;
    op.Sorted = 1;
    return 0;
}

TMFData Combine(int code, TMFData l, TMFData r, const EvalContext& ctx) {
    BinaryOperands op;
    if (const int err = BringTogether(l, r, ctx, op)) return ErrorValue(err);
    // A scalar without a value (a regression of order 0 over a number) empties the result.
    const qsizetype n = (op.LStride == 0 && op.L.isEmpty()) || (op.RStride == 0 && op.R.isEmpty())
                            ? 0
                            : (op.X.isEmpty() ? std::min<qsizetype>(op.L.size(), 1) : op.X.size());
    TMFData out;
    out.X = n > 0 ? op.X : TDoubleArray();
    out.Sorted = op.Sorted;
    const bool ignore = ctx.Ignore() && op.LM.size() == op.L.size() && op.RM.size() == op.R.size();
    if (ignore) out.Mask.resize(n);
    if (n == 0) return out;
    const Extended* lp = op.L.constData();
    const Extended* rp = op.R.constData();
    // Write over an operand that nobody else holds instead of allocating: each point is read
    // before it is written.
    if (op.LStride == 1 && op.L.isDetached())
        out.Y = std::move(op.L);
    else if (op.RStride == 1 && op.R.isDetached())
        out.Y = std::move(op.R);
    else
        out.Y = UnsetList<Extended>(n);
    const int err = ApplyBinary(code, lp, op.LStride, rp, op.RStride, ignore ? op.LM.constData() : nullptr,
                                ignore ? op.RM.constData() : nullptr, out.Y.data(),
                                ignore ? out.Mask.data() : nullptr, n);
    if (err) return ErrorValue(err);
    return out;
}

// ---- one-argument functions ------------------------------------------------------------------

Extended Fail(int& err, int code) {
    err = code;
    return 0;
}

Extended Integral(int code, Extended x, int& err) {
    if (!(std::fabs(x) < TwoPow63)) return Fail(err, ecRounding);
    if (code == 36) return std::floor(x);
    if (code == 37) return std::ceil(x);
    return std::trunc(x);
}

Extended UnaryKernel(int code, Extended x, int& err) {
    switch (code) {
    case 1:
        return x > 0 ? 1 : (x < 0 ? -1 : 0);
    case 2:
        return std::fabs(x);
    case 3:
        return SinExt(x);
    case 4:
        return CosExt(x);
    case 5:
        return std::tan(x);
    case 6:
        return std::fabs(x) > 1 ? Fail(err, ecInverseDomain) : std::asin(x);
    case 7:
        return std::fabs(x) > 1 ? Fail(err, ecInverseDomain) : std::acos(x);
    case 8:
        return std::atan(x);
    case 9:
        return std::sinh(x);
    case 10:
        return std::cosh(x);
    case 11:
        return std::tanh(x);
    case 12:
        return std::asinh(x);
    case 13:
        return x < 1 ? Fail(err, ecInverseDomain) : std::acosh(x);
    case 14:
        return std::fabs(x) >= 1 ? Fail(err, ecInverseDomain) : std::atanh(x);
    case 15: {
        const Extended t = std::tan(x);
        return t == 0 ? Fail(err, ecMath) : 1 / t;
    }
    case 16:
        return 1 / CosExt(x);
    case 17:
        return x == 0 ? Fail(err, ecMath) : 1 / SinExt(x);
    case 18:
        return x == 0 ? Fail(err, ecDivZero) : 1 / std::tanh(x);
    case 19:
        return 1 / std::cosh(x);
    case 20:
        return x == 0 ? Fail(err, ecDivZero) : 1 / std::sinh(x);
    case 21:
        return x == 0 ? Pi / 2 : std::atan(1 / x);
    case 22:
        return std::fabs(x) < 1 ? Fail(err, ecMath) : std::acos(1 / x);
    case 23:
        return std::fabs(x) < 1 ? Fail(err, ecMath) : std::asin(1 / x);
    case 24:
        return std::fabs(x) <= 1 ? Fail(err, ecInverseDomain) : std::atanh(1 / x);
    case 25:
        return (x <= 0 || x > 1) ? Fail(err, ecInverseDomain) : std::acosh(1 / x);
    case 26:
        return x == 0 ? Fail(err, ecDivZero) : std::asinh(1 / x);
    case 27:
        return x < 0 ? Fail(err, ecSqrtNegative) : std::sqrt(x);
    case 28:
        return x * x;
    case 29:
        return std::exp(x);
    case 30:
        return x <= 0 ? Fail(err, ecLogNonPositive) : std::log(x);
    case 31:
        return x <= 0 ? Fail(err, ecLogNonPositive) : Log10(x);
    case 32:
        return 0;
    case 33:
        return 1;
    case 34:
        return x == 0 ? 1 : 0;
    case 36:
    case 37:
    case 38:
        return Integral(code, x, err);
    default: // 39
        return x == 0 ? 1 : SinExt(Pi * x) / (Pi * x);
    }
}

template <class Kernel>
int RunUnaryPart(Kernel kernel, const Extended* x, const uint8_t* m, Extended* out, uint8_t* om,
                 qsizetype n) {
    if (!om) {
        for (qsizetype i = 0; i < n; ++i) {
            int err = 0;
            const Extended v = kernel(x[i], err);
            if (!err && !std::isfinite(v)) err = ecInfinite;
            if (err) return err;
            out[i] = v;
        }
        return 0;
    }
    for (qsizetype i = 0; i < n; ++i) {
        if (m[i]) {
            out[i] = 0;
            om[i] = 1;
            continue;
        }
        int err = 0;
        const Extended v = kernel(x[i], err);
        if (!err && !std::isfinite(v)) err = ecInfinite;
        out[i] = err ? 0 : v;
        om[i] = err ? 1 : 0;
    }
    return 0;
}

template <class Kernel>
int RunUnary(Kernel kernel, const Extended* x, const uint8_t* m, Extended* out, uint8_t* om, qsizetype n) {
    return RunInHalves(n, [&](qsizetype b, qsizetype e) {
        return RunUnaryPart(kernel, x + b, m ? m + b : nullptr, out + b, om ? om + b : nullptr, e - b);
    });
}

// The hot functions get loops of their own so that the compiler sees the kernel.
int ApplyUnary(int code, const Extended* x, const uint8_t* m, Extended* out, uint8_t* om, qsizetype n) {
    auto run = [&](auto kernel) { return RunUnary(kernel, x, m, out, om, n); };
    switch (code) {
    case 3:
        return run([](Extended v, int&) { return SinExt(v); });
    case 4:
        return run([](Extended v, int&) { return CosExt(v); });
    case 28:
        return run([](Extended v, int&) { return v * v; });
    case 29:
        return run([](Extended v, int&) { return std::exp(v); });
    default:
        return run([code](Extended v, int& err) { return UnaryKernel(code, v, err); });
    }
}

bool FlaggedAnywhere(const TMFData& v) {
    return std::any_of(v.Mask.cbegin(), v.Mask.cend(), [](uint8_t f) { return f != 0; });
}

// ---- statistics ------------------------------------------------------------------------------

Extended Statistic(int code, Extended* v, qsizetype n) {
    switch (code) {
    case 1:
    case 6: {
        Extended sum = 0;
        for (qsizetype i = 0; i < n; ++i)
            sum += v[i];
        return code == 1 ? sum / n : sum;
    }
    case 2: {
        if (n == 1) return 0;
        Extended sum = 0, squares = 0;
        for (qsizetype i = 0; i < n; ++i) {
            sum += v[i];
            squares += v[i] * v[i];
        }
        // Rounding can leave a tiny negative number for equal values; the deviation is then 0.
        const Extended spread = std::max<Extended>(squares - sum * sum / n, 0);
        return std::sqrt(spread / (n - 1));
    }
    case 3:
        return *std::min_element(v, v + n);
    case 4:
        return *std::max_element(v, v + n);
    default: {
        std::sort(v, v + n);
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    }
}

TMFData EvaluateAll(const ArgList& args, EvalContext& ctx, TMFDataArr& values) {
    for (QStringView a : args) {
        TMFData v = EvaluateText(a, ctx);
        if (v.Code != 0) return v;
        values << v;
    }
    return {};
}

// Runs a pointwise function of many aligned arguments.
template <class PointFunction>
TMFData PointwiseOverArguments(const TMFDataArr& values, const EvalContext& ctx, PointFunction f) {
    AlignedArgs a;
    if (const int code = AlignArguments(values, ctx, a)) return ErrorValue(code);
    const qsizetype k = values.size();
    const qsizetype n = a.X.isEmpty() ? 1 : a.X.size();
    TMFData out;
    out.X = a.X;
    out.Sorted = a.Sorted;
    out.Y.resize(n);
    const bool ignore = ctx.Ignore();
    if (ignore) out.Mask.resize(n);
    QList<Extended> buffer(k);
    for (qsizetype i = 0; i < n; ++i) {
        bool flagged = false;
        for (qsizetype j = 0; j < k; ++j) {
            const qsizetype at = a.Scalar[j] ? 0 : i;
            buffer[j] = a.Y[j][at];
            if (ignore && a.Mask[j].size() > at && a.Mask[j][at]) flagged = true;
        }
        Extended v = flagged ? 0 : f(buffer.data(), k);
        if (!flagged && !std::isfinite(v)) {
            if (!ignore) return ErrorValue(ecInfinite);
            flagged = true;
            v = 0;
        }
        out.Y[i] = v;
        if (ignore) out.Mask[i] = flagged ? 1 : 0;
    }
    return out;
}

} // namespace

int BinaryOperatorCode(QStringView name) {
    static const char* const names[] = {"ADD",     "SUB",   "MUL",      "DIV",     "POWER",
                                        "ATAN2",   "EQUAL", "NOTEQUAL", "GREQUAL", "LOEQUAL",
                                        "GREATER", "LOWER", "AND",      "OR",      "XOR"};
    for (int i = 0; i < 15; ++i)
        if (name == QLatin1String(names[i])) return i + 1;
    return 0;
}

int UnaryFunctionCode(QStringView name) {
    // Index + 1 is the code; code 35 (rounding to a power of ten) has no name of its own.
    static const char* const names[] = {"SIGN",  "ABS",   "SIN",  "COS",   "TAN",   "ASIN",  "ACOS",  "ATAN",
                                        "SINH",  "COSH",  "TANH", "ASINH", "ACOSH", "ATANH", "COT",   "SEC",
                                        "CSC",   "COTH",  "SECH", "CSCH",  "ACOT",  "ASEC",  "ACSC",  "ACOTH",
                                        "ASECH", "ACSCH", "SQRT", "SQR",   "EXP",   "LN",    "LOG10", "ZEROS",
                                        "ONES",  "NOT",   "",     "FLOOR", "CEIL",  "FIX",   "SINC"};
    for (int i = 0; i < 39; ++i)
        if (names[i][0] && name == QLatin1String(names[i])) return i + 1;
    return 0;
}

int StatisticCode(QStringView name) {
    static const char* const names[] = {"MEAN", "STD", "MIN", "MAX", "MED", "SUM"};
    for (int i = 0; i < 6; ++i)
        if (name == QLatin1String(names[i])) return i + 1;
    return 0;
}

TMFData CallBinaryOperator(int code, const ArgList& args, EvalContext& ctx) {
    TMFData l, r;
    if (auto error = EvaluateTwoArguments(args, ctx, l, r)) return *error;
    return Combine(code, std::move(l), std::move(r), ctx);
}

TMFData CallUnaryFunction(int code, const ArgList& args, EvalContext& ctx) {
    if (args.size() != 1) return ErrorValue(ecArgCount);
    TMFData f = EvaluateText(args[0], ctx);
    if (f.Code != 0) return f;
    const qsizetype n = f.Y.size();
    const bool ignore = ctx.Ignore() && f.Mask.size() == n;
    // An intermediate result is overwritten in place; a table graph's values are left alone.
    TDoubleArray y = f.Y.isDetached() ? std::move(f.Y) : UnsetList<Extended>(n);
    const Extended* x = f.Y.isEmpty() ? y.constData() : f.Y.constData();
    TBoolArray mask = f.Mask.isDetached() ? std::move(f.Mask) : TBoolArray(ignore ? n : 0);
    const uint8_t* m = f.Mask.isEmpty() ? mask.constData() : f.Mask.constData();
    const int err = ApplyUnary(code, x, ignore ? m : nullptr, y.data(), ignore ? mask.data() : nullptr, n);
    if (err) return ErrorValue(err);
    f.Y = std::move(y);
    f.Mask = ignore ? std::move(mask) : TBoolArray();
    return f;
}

TMFData CallRound(const ArgList& args, EvalContext& ctx) {
    if (args.size() != 1 && args.size() != 2) return ErrorValue(ecArgCount);
    TMFData f = EvaluateText(args[0], ctx);
    if (f.Code != 0) return f;
    int order = 0;
    if (args.size() == 2) {
        if (auto error = ReadWholeArgument(args[1], ctx, -37, 37, ecRounding, order)) return *error;
    }
    // Rounding works in double: the order's power of ten is exact there up to 1E22.
    const double scale = std::pow(10.0, std::abs(order));
    const bool ignore = ctx.Ignore() && f.Mask.size() == f.Y.size();
    Extended* y = f.Y.data();
    for (qsizetype i = 0; i < f.Y.size(); ++i) {
        if (ignore && f.Mask[i]) continue;
        const double d = static_cast<double>(y[i]);
        int err = 0;
        double r = 0;
        if (!std::isfinite(d)) {
            err = ecRounding;
        } else if (order > 0) {
            r = std::nearbyint(d / scale) * scale;
        } else {
            // Beyond 2^52 a double has no fraction left to round at this order.
            r = std::fabs(d) * scale >= 4503599627370496.0 ? d : std::nearbyint(d * scale) / scale;
        }
        if (!err && !std::isfinite(r)) err = ecInfinite;
        if (err) {
            if (!ignore) return ErrorValue(err);
            f.Mask[i] = 1;
            r = 0;
        }
        y[i] = r;
    }
    return f;
}

TMFData CallHypot(const ArgList& args, EvalContext& ctx) {
    TMFDataArr values;
    if (TMFData failed = EvaluateAll(args, ctx, values); failed.Code != 0) return failed;
    return PointwiseOverArguments(values, ctx, [](const Extended* v, qsizetype k) {
        Extended sum = 0;
        for (qsizetype j = 0; j < k; ++j)
            sum += v[j] * v[j];
        return std::sqrt(sum);
    });
}

TMFData CallStatistic(int code, const ArgList& args, EvalContext& ctx) {
    TMFDataArr values;
    if (TMFData failed = EvaluateAll(args, ctx, values); failed.Code != 0) return failed;
    if (values.size() >= 2)
        return PointwiseOverArguments(values, ctx,
                                      [code](Extended* v, qsizetype k) { return Statistic(code, v, k); });
    const TMFData& f = values[0];
    if (f.Y.isEmpty()) return ErrorValue(ecMath);
    if (ctx.Ignore() && FlaggedAnywhere(f)) return ScalarValue(0, ctx, true);
    TDoubleArray copy = f.Y;
    const Extended s = Statistic(code, copy.data(), copy.size());
    if (!std::isfinite(s)) return ErrorValue(ecInfinite);
    return ScalarValue(s, ctx);
}

} // namespace mathfuncs::detail
