// Functions that work on whole graphs: derivatives, integral, argument operations, merging,
// random graphs, regression, look-up, reversal, mirroring, inversion, sorting and selection.
#include "expr/ExprInternal.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace mathfuncs {

namespace {
uint32_t RandomSeed = 0;
} // namespace

void SeedRandom(uint32_t seed) {
    RandomSeed = seed;
}

void SeedRandomFromClock() {
    SeedRandom(static_cast<uint32_t>(QDateTime::currentMSecsSinceEpoch()));
}

Extended RandomUniform() {
    RandomSeed = RandomSeed * 134775813u + 1u;
    return static_cast<Extended>(RandomSeed) / 4294967296.0L;
}

namespace detail {

namespace {

// Higher regression orders are numerically meaningless and would allocate an (m+1)^2 system.
constexpr int MaxFitOrder = 100;

bool Flag(const TBoolArray& mask, qsizetype i) {
    return i < mask.size() && mask[i];
}

bool AnyFlag(const TBoolArray& mask) {
    return std::any_of(mask.cbegin(), mask.cend(), [](uint8_t f) { return f != 0; });
}

// A scalar argument's one value; code 18 for a graph, 8 for no value.
int ScalarArgument(const TMFData& v, Extended& value, bool& flagged) {
    if (!IsScalar(v)) return ecNotScalar;
    if (v.Y.size() != 1) return ecMath;
    value = v.Y[0];
    flagged = Flag(v.Mask, 0);
    return 0;
}

TMFData Graph(TDoubleArray x, TDoubleArray y, TBoolArray mask, const EvalContext& ctx) {
    TMFData r;
    r.Sorted = static_cast<uint8_t>(IsNonDecreasing(x));
    r.X = std::move(x);
    r.Y = std::move(y);
    if (ctx.Ignore()) r.Mask = mask.size() == r.Y.size() ? std::move(mask) : TBoolArray(r.Y.size(), 0);
    return r;
}

// ---- DIFF ------------------------------------------------------------------------------------

struct Slopes {
    TDoubleArray Mid, Value;
    TBoolArray Flags; // always sized; all false when errors are not ignored
};

int SegmentSlopes(const TDoubleArray& x, const TDoubleArray& y, const TBoolArray& mask, bool ignore,
                  Slopes& s) {
    const qsizetype n = x.size();
    s.Mid.resize(n - 1);
    s.Value.resize(n - 1);
    s.Flags = TBoolArray(n - 1, 0);
    for (qsizetype i = 0; i + 1 < n; ++i) {
        s.Mid[i] = (x[i] + x[i + 1]) / 2;
        const bool bad = !(x[i + 1] > x[i]);
        if (bad && !ignore) return ecUnsorted;
        if (bad || Flag(mask, i) || Flag(mask, i + 1)) {
            s.Value[i] = 0;
            s.Flags[i] = 1;
        } else {
            s.Value[i] = (y[i + 1] - y[i]) / (x[i + 1] - x[i]);
        }
    }
    return 0;
}

// Kind 1: the slope function linearly interpolated at the inner nodes, the end slopes at the ends.
void CentralInterpolated(const TDoubleArray& x, const Slopes& s, TDoubleArray& d, TBoolArray& flags) {
    const qsizetype n = x.size();
    if (n > 2) {
        d = Resample(x, s.Mid, s.Value, s.Flags, 2, 2, &flags);
    } else {
        d = TDoubleArray(n, 0);
        flags = TBoolArray(n, 0);
    }
    d[0] = s.Value[0];
    flags[0] = s.Flags[0];
    d[n - 1] = s.Value[n - 2];
    flags[n - 1] = s.Flags[n - 2];
}

// The initial derivative that anchors the integral inversion where the curve is straightest.
int InitialDerivative(const TDoubleArray& x, const Slopes& s, Extended& d0) {
    const qsizetype n = x.size();
    if (n < 3) return ecMath; // no inner node to anchor at
    TDoubleArray d1, d2;
    TBoolArray unusedFlags;
    CentralInterpolated(x, s, d1, unusedFlags);
    Slopes s1;
    if (const int code = SegmentSlopes(x, d1, {}, false, s1)) return code;
    CentralInterpolated(x, s1, d2, unusedFlags);

    // e(k) = (-1)^k D1[k] + 2 * sum_{j<k} (-1)^j s[j]
    TDoubleArray e(n);
    Extended alternating = 0;
    for (qsizetype k = 0; k < n; ++k) {
        e[k] = (k % 2 ? -d1[k] : d1[k]) + 2 * alternating;
        if (k + 1 < n) alternating += k % 2 ? -s.Value[k] : s.Value[k];
    }
    if (n < 5) {
        Extended sum = 0;
        for (qsizetype k = 1; k <= n - 2; ++k)
            sum += e[k];
        d0 = sum / (n - 2);
        return 0;
    }
    qsizetype best = 2;
    for (qsizetype k = 3; k <= n - 3 && d1[best] != 0; ++k)
        if (std::fabs(d2[k]) < std::fabs(d2[best])) best = k;
    if (d2[best] == 0) {
        d0 = e[best];
        return 0;
    }
    Extended sum = 0, weights = 0;
    for (qsizetype k = 2; k <= n - 3; ++k) {
        // A straight node skipped by the early stop anchors by itself rather than weighing infinitely.
        if (d2[k] == 0) {
            d0 = e[k];
            return 0;
        }
        const Extended w = 1 / std::sqrt(std::fabs(d2[k]));
        sum += w * e[k];
        weights += w;
    }
    d0 = sum / weights;
    return 0;
}

TMFData Diff(const ArgList& args, EvalContext& ctx) {
    if (args.isEmpty() || args.size() > 3) return ErrorValue(ecArgCount);
    const TMFData f = EvaluateText(args[0], ctx);
    if (f.Code != 0) return f;
    int kind = ctx.Settings.DiffType;
    if (args.size() == 2 && !ReadSmallInteger(args[1], kind)) return ErrorValue(ecDiffKind);
    if (args.size() == 3 && (!ReadSmallInteger(args[1], kind) || kind != 3)) return ErrorValue(ecArgCount);
    if (kind < 0 || kind > 3) return ErrorValue(ecDiffKind);
    Extended initial = 0;
    bool initialGiven = false, initialFlagged = false;
    if (args.size() == 3) {
        const TMFData c = EvaluateText(args[2], ctx);
        if (c.Code != 0) return c;
        if (const int code = ScalarArgument(c, initial, initialFlagged)) return ErrorValue(code);
        initialGiven = true;
    }
    if (IsScalar(f) || f.X.size() < 2) return ErrorValue(ecScalarArgs);
    if (!f.Sorted) return ErrorValue(ecUnsorted);

    const bool ignore = ctx.Ignore();
    const qsizetype n = f.X.size();
    Slopes s;
    if (const int code = SegmentSlopes(f.X, f.Y, f.Mask, ignore, s)) return ErrorValue(code);

    if (kind == 0) return Graph(s.Mid, s.Value, s.Flags, ctx);
    if (kind == 1) {
        TDoubleArray d;
        TBoolArray flags;
        CentralInterpolated(f.X, s, d, flags);
        return Graph(f.X, d, flags, ctx);
    }
    if (kind == 2) {
        TDoubleArray d(n);
        TBoolArray flags(n, 0);
        d[0] = s.Value[0];
        flags[0] = s.Flags[0];
        for (qsizetype i = 1; i + 1 < n; ++i) {
            d[i] = (s.Value[i - 1] + s.Value[i]) / 2;
            flags[i] = s.Flags[i - 1] | s.Flags[i];
        }
        d[n - 1] = s.Value[n - 2];
        flags[n - 1] = s.Flags[n - 2];
        return Graph(f.X, d, flags, ctx);
    }

    // Kind 3: derivatives whose trapezoidal integral reproduces f.
    if (!initialGiven) {
        if (const int code = InitialDerivative(f.X, s, initial)) return ErrorValue(code);
        initialFlagged = ignore && AnyFlag(f.Mask);
    }
    TDoubleArray d(n);
    TBoolArray flags(n, 0);
    // Every derivative depends on the first one, so a flagged start flags them all.
    bool chainFlagged = ignore && initialFlagged;
    d[0] = chainFlagged ? 0 : initial;
    flags[0] = chainFlagged;
    for (qsizetype i = 1; i < n; ++i) {
        const bool step = f.X[i] == f.X[i - 1];
        if (step && !ignore) return ErrorValue(ecUnsorted);
        chainFlagged = chainFlagged || step || Flag(f.Mask, i) || Flag(f.Mask, i - 1);
        if (chainFlagged) {
            d[i] = 0;
            flags[i] = 1;
        } else {
            d[i] = 2 * (f.Y[i] - f.Y[i - 1]) / (f.X[i] - f.X[i - 1]) - d[i - 1];
        }
    }
    return Graph(f.X, d, flags, ctx);
}

// ---- INTEGR, XSTEP, MERGE, RELX, XSHFT, XSCL -------------------------------------------------

TMFData Integr(const ArgList& args, EvalContext& ctx) {
    if (args.isEmpty() || args.size() > 2) return ErrorValue(ecArgCount);
    const TMFData f = EvaluateText(args[0], ctx);
    if (f.Code != 0) return f;
    Extended c = 0;
    bool cFlagged = false;
    if (args.size() == 2) {
        const TMFData cv = EvaluateText(args[1], ctx);
        if (cv.Code != 0) return cv;
        if (const int code = ScalarArgument(cv, c, cFlagged)) return ErrorValue(code);
    }
    if (!f.Sorted) return ErrorValue(ecUnsorted);
    const bool ignore = ctx.Ignore();
    if (IsScalar(f)) {
        if (f.Y.isEmpty()) return f;
        if (const int code = FillUnionArgument(ctx, false)) return ErrorValue(code);
        const TDoubleArray& u = ctx.UnionArg;
        const bool flagged = ignore && (cFlagged || Flag(f.Mask, 0));
        TDoubleArray y(u.size());
        for (qsizetype i = 0; i < u.size(); ++i)
            y[i] = flagged ? 0 : c + f.Y[0] * (u[i] - u[0]);
        return Graph(u, y, TBoolArray(u.size(), flagged ? 1 : 0), ctx);
    }
    const qsizetype n = f.X.size();
    TDoubleArray y(n);
    TBoolArray flags(n, 0);
    // The first value enters every later trapezoid, so its flag (or the constant's) travels on.
    bool chain = ignore && (cFlagged || Flag(f.Mask, 0));
    y[0] = c;
    flags[0] = ignore && cFlagged;
    Extended sum = c;
    for (qsizetype i = 1; i < n; ++i) {
        chain = chain || Flag(f.Mask, i);
        sum += (f.X[i] - f.X[i - 1]) * (f.Y[i - 1] + f.Y[i]) * 0.5L;
        y[i] = chain ? 0 : sum;
        flags[i] = chain;
    }
    TMFData r = Graph(f.X, y, flags, ctx);
    r.Sorted = f.Sorted;
    return r;
}

TMFData XStep(const ArgList& args, EvalContext& ctx) {
    if (args.size() != 1) return ErrorValue(ecArgCount);
    TMFData f = EvaluateText(args[0], ctx);
    if (f.Code != 0) return f;
    if (IsScalar(f)) return ErrorValue(ecScalarArgs);
    TDoubleArray y(f.X.size());
    y[0] = 0;
    for (qsizetype i = 1; i < f.X.size(); ++i)
        y[i] = f.X[i] - f.X[i - 1];
    f.Y = y;
    return f;
}

TMFData Merge(const ArgList& args, EvalContext& ctx) {
    TMFDataArr parts;
    for (QStringView a : args) {
        TMFData v = EvaluateText(a, ctx);
        if (v.Code != 0) return v;
        parts << v;
    }
    qsizetype total = 0;
    for (const TMFData& p : parts) {
        if (!p.Sorted) return ErrorValue(ecUnsorted);
        if (IsScalar(p)) return ErrorValue(ecScalarArgs);
        total += p.X.size();
    }
    TDoubleArray x, y;
    TBoolArray mask;
    x.reserve(total);
    y.reserve(total);
    QList<qsizetype> pos(parts.size(), 0);
    for (qsizetype taken = 0; taken < total; ++taken) {
        qsizetype best = -1;
        for (qsizetype k = 0; k < parts.size(); ++k) {
            if (pos[k] >= parts[k].X.size()) continue;
            if (best < 0 || parts[k].X[pos[k]] < parts[best].X[pos[best]]) best = k;
        }
        const qsizetype i = pos[best]++;
        x << parts[best].X[i];
        y << parts[best].Y[i];
        mask << static_cast<uint8_t>(Flag(parts[best].Mask, i));
    }
    return Graph(x, y, mask, ctx);
}

TMFData RelX(const ArgList& args, EvalContext& ctx) {
    if (args.size() != 1) return ErrorValue(ecArgCount);
    if (ctx.HasCommon()) return ErrorValue(ecCommonArg);
    TMFData f = EvaluateText(args[0], ctx);
    if (f.Code != 0) return f;
    if (IsScalar(f)) return ErrorValue(ecEmptyDomain);
    const Extended first = f.X[0];
    for (Extended& v : f.X)
        v -= first;
    return f;
}

TMFData ShiftOrScale(bool scale, const ArgList& args, EvalContext& ctx) {
    if (args.size() != 2) return ErrorValue(ecArgCount);
    const TMFData k = EvaluateText(args[1], ctx);
    if (k.Code != 0) return k;
    Extended factor = 0;
    bool kFlagged = false;
    if (const int code = ScalarArgument(k, factor, kFlagged)) return ErrorValue(code);
    TMFData f = EvaluateText(args[0], ctx);
    if (f.Code != 0) return f;
    if (IsScalar(f)) return ErrorValue(ecEmptyDomain);
    for (Extended& v : f.X)
        v = scale ? factor * v : factor + v;
    // A negative or zero factor changes the order of the arguments.
    if (scale) f.Sorted = static_cast<uint8_t>(IsNonDecreasing(f.X));
    if (ctx.Ignore() && kFlagged) {
        f.Mask.fill(1);
        f.Y.fill(0);
    }
    return f;
}

// ---- RAND ------------------------------------------------------------------------------------

Extended StandardNormal() {
    // Polar method of Marsaglia.
    Extended u, v, s;
    do {
        u = 2 * RandomUniform() - 1;
        v = 2 * RandomUniform() - 1;
        s = u * u + v * v;
    } while (s >= 1 || s == 0);
    return u * std::sqrt(-2 * std::log(s) / s);
}

TMFData Rand(const ArgList& args, EvalContext& ctx) {
    if (args.size() != 3 && args.size() != 4) return ErrorValue(ecArgCount);
    const QStringView quoted = args[0];
    const qsizetype close = quoted.indexOf(QLatin1Char('\''), 1);
    if (!quoted.startsWith(QLatin1Char('\'')) || close < 0 || !quoted.mid(close + 1).trimmed().isEmpty())
        return ErrorValue(ecDistribution);
    const QString kind = quoted.mid(1, close - 1).toString().toUpper();
    const bool normal = kind == QLatin1String("NORM");
    if (!normal && kind != QLatin1String("UNIF")) return ErrorValue(ecDistribution);

    TMFDataArr p;
    for (qsizetype i = 1; i < args.size(); ++i) {
        TMFData v = EvaluateText(args[i], ctx);
        if (v.Code != 0) return v;
        if (!v.Sorted) return ErrorValue(ecUnsorted);
        p << v;
    }
    TDoubleArray x;
    if (ctx.HasCommon()) {
        x = ctx.Settings.CommonArg;
    } else if (p.size() == 3 && !IsScalar(p[2])) {
        x = p[2].X;
    } else {
        x = UnionOfArguments({p[0].X, p[1].X});
    }
    const bool scalar = x.isEmpty();
    TDoubleArray a, b;
    TBoolArray am, bm;
    if (scalar) {
        a = p[0].Y;
        b = p[1].Y;
        am = p[0].Mask;
        bm = p[1].Mask;
    } else {
        a = Resample(x, p[0].X, p[0].Y, p[0].Mask, ctx.Settings.InterpType, ctx.Settings.ExtrapType, &am);
        b = Resample(x, p[1].X, p[1].Y, p[1].Mask, ctx.Settings.InterpType, ctx.Settings.ExtrapType, &bm);
    }
    const qsizetype n = scalar ? 1 : x.size();
    if (a.size() != n || b.size() != n) return ErrorValue(ecDistributionParams);
    TDoubleArray y(n);
    TBoolArray flags(n, 0);
    for (qsizetype i = 0; i < n; ++i) {
        flags[i] = Flag(am, i) || Flag(bm, i);
        y[i] = normal ? a[i] + b[i] * StandardNormal() : a[i] + (b[i] - a[i]) * RandomUniform();
        if (flags[i]) y[i] = 0;
    }
    if (scalar) return ScalarValue(y[0], ctx, flags[0]);
    return Graph(x, y, flags, ctx);
}

// ---- FIT -------------------------------------------------------------------------------------

// Solves A c = t in place by Gaussian elimination with partial pivoting.
bool SolveNormalEquations(QList<TDoubleArray>& a, TDoubleArray& t, TDoubleArray& c) {
    const qsizetype n = t.size();
    for (qsizetype col = 0; col < n; ++col) {
        qsizetype pivot = col;
        for (qsizetype r = col + 1; r < n; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        std::swap(a[col], a[pivot]);
        std::swap(t[col], t[pivot]);
        if (a[col][col] == 0) continue;
        for (qsizetype r = col + 1; r < n; ++r) {
            const Extended q = a[r][col] / a[col][col];
            if (q == 0) continue;
            for (qsizetype j = col; j < n; ++j)
                a[r][j] -= q * a[col][j];
            t[r] -= q * t[col];
        }
    }
    c = TDoubleArray(n, 0);
    for (qsizetype i = n - 1; i >= 0; --i) {
        Extended rhs = t[i];
        for (qsizetype j = i + 1; j < n; ++j)
            rhs -= a[i][j] * c[j];
        if (a[i][i] == 0) {
            if (rhs != 0) return false;
            c[i] = 1;
        } else {
            c[i] = rhs / a[i][i];
        }
        if (!std::isfinite(c[i])) return false;
    }
    return true;
}

TMFData Fit(const ArgList& args, EvalContext& ctx) {
    if (args.isEmpty() || args.size() > 2) return ErrorValue(ecArgCount);
    TMFData f = EvaluateText(args[0], ctx);
    if (f.Code != 0) return f;
    int order = 1;
    if (args.size() == 2) {
        if (auto error = ReadWholeArgument(args[1], ctx, 0, MaxFitOrder, ecRegression, order)) return *error;
    }
    if (f.Y.isEmpty()) return ErrorValue(ecMath);
    if (f.Y.size() < order + 1) return ErrorValue(ecRegression);
    if (ctx.Ignore() && AnyFlag(f.Mask)) {
        f.Y.fill(0);
        f.Mask.fill(1);
        return f;
    }
    if (IsScalar(f)) { // a number has no points to fit: only order 0 gets here, with nothing
        f.Y.clear();
        f.Mask.clear();
        return f;
    }
    // Fewer distinct arguments than coefficients leave the polynomial undetermined.
    TDoubleArray distinct = f.X;
    std::sort(distinct.begin(), distinct.end());
    if (std::unique(distinct.begin(), distinct.end()) - distinct.begin() < order + 1)
        return ErrorValue(ecRegression);

    const qsizetype size = order + 1;
    TDoubleArray powerSums(2 * order + 1, 0), t(size, 0);
    for (qsizetype i = 0; i < f.X.size(); ++i) {
        Extended p = 1;
        for (qsizetype k = 0; k <= 2 * order; ++k) {
            powerSums[k] += p;
            if (k <= order) t[k] += f.Y[i] * p;
            p *= f.X[i];
        }
    }
    QList<TDoubleArray> a(size, TDoubleArray(size));
    for (qsizetype i = 0; i < size; ++i)
        for (qsizetype j = 0; j < size; ++j)
            a[i][j] = powerSums[i + j];
    TDoubleArray c;
    if (!SolveNormalEquations(a, t, c)) return ErrorValue(ecRegression);
    for (qsizetype i = 0; i < f.X.size(); ++i) {
        Extended v = 0;
        for (qsizetype k = order; k >= 0; --k)
            v = v * f.X[i] + c[k];
        f.Y[i] = v;
    }
    return f;
}

// ---- LOOKUP, FLIP, MIRROR, INV, SORT, SELECT -------------------------------------------------

TMFData Lookup(const ArgList& args, EvalContext& ctx) {
    TMFData f, table;
    if (auto error = EvaluateTwoArguments(args, ctx, f, table)) return *error;
    if (!table.Sorted) return ErrorValue(ecUnsorted);
    const bool ignore = ctx.Ignore();
    const qsizetype n = f.Y.size();
    TDoubleArray y;
    TBoolArray looked;
    if (IsScalar(table)) {
        if (table.Y.size() != 1) return ErrorValue(ecMath);
        y = TDoubleArray(n, table.Y[0]);
        looked = TBoolArray(n, Flag(table.Mask, 0));
    } else {
        y = Resample(f.Y, table.X, table.Y, table.Mask, ctx.Settings.InterpType, ctx.Settings.ExtrapType,
                     &looked);
        // A value outside the table without extrapolation has nothing to look up.
        if (y.size() != n) return ErrorValue(ecEmptyDomain);
    }
    if (ignore) {
        if (f.Mask.size() != n) f.Mask = TBoolArray(n, 0);
        for (qsizetype i = 0; i < n; ++i) {
            const bool flagged = Flag(f.Mask, i) || Flag(looked, i);
            f.Mask[i] = flagged;
            if (flagged) y[i] = 0;
        }
    }
    f.Y = y;
    return f;
}

TMFData Flip(const ArgList& args, EvalContext& ctx) {
    if (args.size() != 1) return ErrorValue(ecArgCount);
    if (ctx.HasCommon()) return ErrorValue(ecCommonArg);
    TMFData f = EvaluateText(args[0], ctx);
    if (f.Code != 0) return f;
    if (f.Y.isEmpty()) return ErrorValue(ecMath);
    if (IsScalar(f)) return f;
    std::reverse(f.X.begin(), f.X.end());
    std::reverse(f.Y.begin(), f.Y.end());
    std::reverse(f.Mask.begin(), f.Mask.end());
    f.Sorted = static_cast<uint8_t>(IsNonDecreasing(f.X));
    return f;
}

TMFData Mirror(const ArgList& args, EvalContext& ctx) {
    if (args.isEmpty() || args.size() > 2) return ErrorValue(ecArgCount);
    if (ctx.HasCommon()) return ErrorValue(ecCommonArg);
    TMFData f = EvaluateText(args[0], ctx);
    if (f.Code != 0) return f;
    TMFData c;
    if (args.size() == 2) {
        c = EvaluateText(args[1], ctx);
        if (c.Code != 0) return c;
    }
    if (f.Y.isEmpty()) return ErrorValue(ecMath);
    if (IsScalar(f)) return f;
    Extended sum = 0;
    bool cFlagged = false;
    if (args.size() == 2) {
        Extended centre = 0;
        if (const int code = ScalarArgument(c, centre, cFlagged)) return ErrorValue(code);
        sum = 2 * centre;
    } else {
        const auto [lo, hi] = std::minmax_element(f.X.cbegin(), f.X.cend());
        sum = *lo + *hi;
    }
    for (Extended& v : f.X)
        v = sum - v;
    f.Sorted = static_cast<uint8_t>(IsNonDecreasing(f.X));
    if (ctx.Ignore() && cFlagged) {
        f.Mask.fill(1);
        f.Y.fill(0);
    }
    return f;
}

TMFData Inv(const ArgList& args, EvalContext& ctx) {
    if (args.size() != 1) return ErrorValue(ecArgCount);
    if (ctx.HasCommon()) return ErrorValue(ecCommonArg);
    TMFData f = EvaluateText(args[0], ctx);
    if (f.Code != 0) return f;
    if (f.Y.isEmpty()) return ErrorValue(ecMath);
    if (IsScalar(f)) return ErrorValue(ecScalarArgs);
    std::swap(f.X, f.Y);
    f.Sorted = static_cast<uint8_t>(IsNonDecreasing(f.X));
    return f;
}

// Quicksort with the middle element as pivot and Hoare partitioning, moving values and flags
// with their arguments; the smaller side recurses so the stack stays shallow.
void SortPoints(Extended* x, Extended* y, uint8_t* m, qsizetype lo, qsizetype hi) {
    while (lo < hi) {
        qsizetype i = lo, j = hi;
        const Extended pivot = x[lo + (hi - lo) / 2];
        do {
            while (x[i] < pivot)
                ++i;
            while (x[j] > pivot)
                --j;
            if (i <= j) {
                std::swap(x[i], x[j]);
                std::swap(y[i], y[j]);
                if (m) std::swap(m[i], m[j]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - lo < hi - i) {
            if (lo < j) SortPoints(x, y, m, lo, j);
            lo = i;
        } else {
            if (i < hi) SortPoints(x, y, m, i, hi);
            hi = j;
        }
    }
}

TMFData Sort(const ArgList& args, EvalContext& ctx) {
    if (args.size() != 1) return ErrorValue(ecArgCount);
    TMFData f = EvaluateText(args[0], ctx);
    if (f.Code != 0) return f;
    if (f.Y.isEmpty()) return ErrorValue(ecMath);
    f.Sorted = 1;
    if (IsScalar(f)) return f;
    if (f.X.size() != f.Y.size() || (!f.Mask.isEmpty() && f.Mask.size() != f.Y.size()))
        return ErrorValue(ecMath);
    SortPoints(f.X.data(), f.Y.data(), f.Mask.isEmpty() ? nullptr : f.Mask.data(), 0, f.X.size() - 1);
    return f;
}

TMFData Select(const ArgList& args, EvalContext& ctx) {
    TMFData f, cond;
    if (auto error = EvaluateTwoArguments(args, ctx, f, cond)) return *error;
    if (f.Y.isEmpty()) return ErrorValue(ecMath);
    if (IsScalar(f)) return ErrorValue(ecScalarArgs);
    if (cond.Y.isEmpty()) return ErrorValue(ecMath);
    if (IsScalar(cond)) {
        if (cond.Y.size() != 1) return ErrorValue(ecMath);
        if (cond.Y[0] != 0 && !Flag(cond.Mask, 0)) return f;
        TMFData empty;
        empty.Sorted = 1;
        return empty;
    }
    if (!SameArrays(cond.X, f.X)) return ErrorValue(ecEmptyDomain);
    TDoubleArray x, y;
    TBoolArray mask;
    for (qsizetype i = 0; i < f.X.size(); ++i) {
        if (cond.Y[i] == 0 || Flag(cond.Mask, i)) continue;
        x << f.X[i];
        y << f.Y[i];
        mask << static_cast<uint8_t>(Flag(f.Mask, i));
    }
    return Graph(x, y, mask, ctx);
}

} // namespace

TMFData CallGraphFunction(const QString& name, const ArgList& args, EvalContext& ctx, bool& known) {
    known = true;
    if (name == QLatin1String("DIFF")) return Diff(args, ctx);
    if (name == QLatin1String("INTEGR")) return Integr(args, ctx);
    if (name == QLatin1String("XSTEP")) return XStep(args, ctx);
    if (name == QLatin1String("MERGE")) return Merge(args, ctx);
    if (name == QLatin1String("RELX")) return RelX(args, ctx);
    if (name == QLatin1String("XSHFT")) return ShiftOrScale(false, args, ctx);
    if (name == QLatin1String("XSCL")) return ShiftOrScale(true, args, ctx);
    if (name == QLatin1String("RAND")) return Rand(args, ctx);
    if (name == QLatin1String("FIT")) return Fit(args, ctx);
    if (name == QLatin1String("LOOKUP")) return Lookup(args, ctx);
    if (name == QLatin1String("FLIP")) return Flip(args, ctx);
    if (name == QLatin1String("MIRROR")) return Mirror(args, ctx);
    if (name == QLatin1String("INV")) return Inv(args, ctx);
    if (name == QLatin1String("SORT")) return Sort(args, ctx);
    if (name == QLatin1String("SELECT")) return Select(args, ctx);
    known = false;
    return {};
}

} // namespace detail
} // namespace mathfuncs
