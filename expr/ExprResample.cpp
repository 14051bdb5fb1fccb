// Bringing graphs onto common arguments: tolerant comparison, union of arguments, interpolation
// and extrapolation, and the alignment of the arguments of operators and functions.
#include "expr/ExprInternal.h"

#include <algorithm>
#include <cmath>

namespace mathfuncs {

using namespace detail;

bool SameValue(Extended a, Extended b) {
    if (a == b) return true;
    return std::fabs(a - b) <= 1e-15L * std::min(std::fabs(a), std::fabs(b));
}

bool IsNonDecreasing(const TDoubleArray& x) {
    const Extended* p = x.constData();
    return !RunInHalves(x.size(), [p](qsizetype begin, qsizetype end) {
        for (qsizetype i = std::max<qsizetype>(begin, 1); i < end; ++i)
            if (!(p[i] >= p[i - 1])) return 1;
        return 0;
    });
}

namespace detail {
bool SameArrays(const TDoubleArray& a, const TDoubleArray& b) {
    if (a.size() != b.size()) return false;
    const Extended *pa = a.constData(), *pb = b.constData();
    if (pa == pb) return true;
    return !RunInHalves(a.size(), [pa, pb](qsizetype begin, qsizetype end) {
        for (qsizetype i = begin; i < end; ++i)
            if (!(pa[i] == pb[i])) return 1;
        return 0;
    });
}
} // namespace detail

TDoubleArray UnionOfArguments(const TDoubleArray2& arrays) {
    qsizetype total = 0;
    for (const TDoubleArray& a : arrays)
        total += a.size();
    TDoubleArray out;
    out.reserve(total);
    QList<qsizetype> pos(arrays.size(), 0);
    for (;;) {
        qsizetype best = -1;
        for (qsizetype k = 0; k < arrays.size(); ++k) {
            if (pos[k] >= arrays[k].size()) continue;
            if (best < 0 || arrays[k][pos[k]] < arrays[best][pos[best]]) best = k;
        }
        if (best < 0) break;
        const Extended v = arrays[best][pos[best]++];
        if (out.isEmpty() || v > out.constLast()) out.append(v);
    }
    return out;
}

namespace {

bool LessTol(Extended a, Extended b) {
    return a < b && !SameValue(a, b);
}
bool GreaterTol(Extended a, Extended b) {
    return a > b && !SameValue(a, b);
}

// The interval index of x: the first node not less than x, minus one, within [0, N-2].
qsizetype FindInterval(const Extended* X, qsizetype n, Extended x, qsizetype hint) {
    auto fits = [&](qsizetype i) { return !LessTol(X[i + 1], x) && (i == 0 || LessTol(X[i], x)); };
    if (fits(hint)) return hint;
    if (hint + 1 <= n - 2 && fits(hint + 1)) return hint + 1;
    const Extended* first = std::partition_point(X, X + n, [&](Extended v) { return LessTol(v, x); });
    return std::clamp<qsizetype>((first - X) - 1, 0, n - 2);
}

struct Interpolator {
    const Extended* X;
    const Extended* Y;
    qsizetype N;
    int Kind;

    // Nodes that contributed to the last value, for the failure flags.
    mutable qsizetype Lo = 0, Hi = 0;

    Extended Linear(qsizetype i, Extended x) const {
        Lo = i;
        Hi = i + 1;
        if (SameValue(x, X[i])) {
            Hi = i;
            return Y[i];
        }
        if (X[i + 1] == X[i]) return 0;
        const Extended f = (x - X[i + 1]) / (X[i + 1] - X[i]);
        return Y[i + 1] * (f + 1) - Y[i] * f;
    }

    bool Distinct(qsizetype a, qsizetype b, qsizetype c) const {
        return X[a] != X[b] && X[a] != X[c] && X[b] != X[c];
    }

    Extended Parabola(qsizetype a, qsizetype b, qsizetype c, Extended x) const {
        return Y[a] * ((x - X[b]) * (x - X[c])) / ((X[a] - X[b]) * (X[a] - X[c])) +
               Y[b] * ((x - X[a]) * (x - X[c])) / ((X[b] - X[a]) * (X[b] - X[c])) +
               Y[c] * ((x - X[a]) * (x - X[b])) / ((X[c] - X[a]) * (X[c] - X[b]));
    }

    // Parabola through three nodes, or the guarded linear rule when two of them share an argument.
    Extended ParabolaOrLinear(qsizetype a, qsizetype i, Extended x) const {
        if (!Distinct(a, a + 1, a + 2)) return Linear(i, x);
        Lo = a;
        Hi = a + 2;
        return Parabola(a, a + 1, a + 2, x);
    }

    Extended Slope(qsizetype j) const { return (Y[j] - Y[j + 1]) / (X[j] - X[j + 1]); }

    Extended Spline(qsizetype i, Extended x) const {
        const qsizetype lo = std::max<qsizetype>(i - 1, 0);
        const qsizetype hi = std::min<qsizetype>(i + 2, N - 1);
        for (qsizetype j = lo; j < hi; ++j)
            if (X[j] == X[j + 1]) return Linear(i, x);
        Extended s0, s1;
        if (i == 0) {
            s0 = Slope(0);
            s1 = (Slope(0) + Slope(1)) / 2;
        } else if (i == N - 2) {
            s0 = (Slope(N - 3) + Slope(N - 2)) / 2;
            s1 = Slope(N - 3);
        } else {
            s0 = (Slope(i - 1) + Slope(i)) / 2;
            s1 = (Slope(i) + Slope(i + 1)) / 2;
        }
        Lo = lo;
        Hi = hi;
        const Extended h = X[i + 1] - X[i];
        const Extended t = (x - X[i]) / h;
        const Extended t2 = t * t, t3 = t2 * t;
        return (2 * t3 - 3 * t2 + 1) * Y[i] + (t3 - 2 * t2 + t) * h * s0 + (-2 * t3 + 3 * t2) * Y[i + 1] +
               (t3 - t2) * h * s1;
    }

    Extended At(qsizetype i, Extended x) const {
        switch (Kind) {
        case 0:
        case 1: {
            qsizetype k = SameValue(X[i + 1], x) ? i + 1 : i;
            if (Kind == 1 && k < N - 1) ++k;
            Lo = Hi = k;
            return Y[k];
        }
        default:
            break;
        }
        // Kinds 2..6 return node values exactly.
        if (SameValue(x, X[i])) {
            Lo = Hi = i;
            return Y[i];
        }
        if (SameValue(x, X[i + 1])) {
            Lo = Hi = i + 1;
            return Y[i + 1];
        }
        if (N == 2 || Kind == 2 || Kind < 0 || Kind > 6) return Linear(i, x);
        switch (Kind) {
        case 3:
            // The last interval takes the last three nodes, so a graph resampled onto its own
            // arguments keeps its values.
            if (i == N - 2) return ParabolaOrLinear(N - 3, i, x);
            return ParabolaOrLinear(i == 0 ? 0 : i - 1, i, x);
        case 4:
            return ParabolaOrLinear(std::min(i, N - 3), i, x);
        case 5: {
            if (i == 0) return ParabolaOrLinear(0, i, x);
            if (i >= N - 3) return ParabolaOrLinear(N - 3, i, x);
            if (!Distinct(i - 1, i, i + 1) || !Distinct(i, i + 1, i + 2)) return Linear(i, x);
            const Extended p1 = Parabola(i - 1, i, i + 1, x);
            const Extended p2 = Parabola(i, i + 1, i + 2, x);
            Lo = i - 1;
            Hi = i + 2;
            return (p1 * (X[i + 1] - x) + p2 * (x - X[i])) / (X[i + 1] - X[i]);
        }
        default: // 6
            if (N == 3) return ParabolaOrLinear(0, i, x);
            return Spline(i, x);
        }
    }
};

} // namespace

TDoubleArray Resample(const TDoubleArray& newX, const TDoubleArray& X, const TDoubleArray& Y,
                      const TBoolArray& mask, int interpType, int extrapType, TBoolArray* newMask) {
    if (newMask) newMask->clear();
    const qsizetype count = newX.size();
    if (X.isEmpty()) {
        if (Y.size() != 1) return {};
        if (newMask && !mask.isEmpty()) newMask->fill(mask[0], count);
        return TDoubleArray(count, Y[0]);
    }
    const qsizetype n = X.size();
    if (n < 2 || Y.size() != n) return {};
    const bool flags = newMask && mask.size() == n;

    TDoubleArray out(count);
    TBoolArray outMask;
    if (flags) outMask.resize(count);
    Extended* o = out.data();
    uint8_t* om = flags ? outMask.data() : nullptr;
    const Extended* xs = X.constData();
    const Extended* ys = Y.constData();
    const uint8_t* m = flags ? mask.constData() : nullptr;
    const Interpolator ip{xs, ys, n, interpType};
    qsizetype hint = 0;

    for (qsizetype k = 0; k < count; ++k) {
        const Extended x = newX[k];
        qsizetype lo = 0, hi = -1; // nodes used; none for zero extrapolation
        Extended v;
        const bool left = LessTol(x, xs[0]);
        const bool right = !left && GreaterTol(x, xs[n - 1]);
        if (left || right) {
            switch (extrapType) {
            case 1:
                v = 0;
                break;
            case 2:
                v = left ? ys[0] : ys[n - 1];
                lo = hi = left ? 0 : n - 1;
                break;
            case 3:
                if (left) {
                    v = xs[1] == xs[0] ? ys[0] : ys[0] + (ys[1] - ys[0]) * (x - xs[0]) / (xs[1] - xs[0]);
                    lo = 0;
                    hi = 1;
                } else {
                    v = xs[n - 2] == xs[n - 1]
                            ? ys[n - 1]
                            : ys[n - 1] + (x - xs[n - 1]) * (ys[n - 2] - ys[n - 1]) / (xs[n - 2] - xs[n - 1]);
                    lo = n - 2;
                    hi = n - 1;
                }
                break;
            default:
                return {};
            }
        } else {
            hint = FindInterval(xs, n, x, hint);
            v = ip.At(hint, x);
            lo = ip.Lo;
            hi = ip.Hi;
        }
        o[k] = v;
        if (om) {
            uint8_t f = 0;
            for (qsizetype j = lo; j <= hi; ++j)
                f |= m[j];
            om[k] = f;
        }
    }
    if (flags) *newMask = outMask;
    return out;
}

namespace detail {

TMFData ScalarValue(Extended value, const EvalContext& ctx, bool flagged) {
    TMFData r;
    r.Y = {value};
    if (ctx.Ignore()) r.Mask = {static_cast<uint8_t>(flagged ? 1 : 0)};
    r.Sorted = 1;
    return r;
}

int FillUnionArgument(EvalContext& ctx, bool checkSorted) {
    if (checkSorted && !ctx.HasCommon())
        for (const TMFData& g : ctx.Graphs)
            if (!g.Sorted) return ecUnsorted;
    if (!ctx.UnionFilled) {
        if (ctx.HasCommon()) {
            ctx.UnionArg = ctx.Settings.CommonArg;
        } else {
            TDoubleArray2 all;
            for (const TMFData& g : ctx.Graphs)
                all << g.X;
            ctx.UnionArg = UnionOfArguments(all);
        }
        ctx.UnionFilled = true;
    }
    return 0;
}

bool ResampleValue(const TMFData& v, const TDoubleArray& newX, const EvalContext& ctx, TDoubleArray& y,
                   TBoolArray& mask) {
    y = Resample(newX, v.X, v.Y, v.Mask, ctx.Settings.InterpType, ctx.Settings.ExtrapType, &mask);
    if (y.size() != newX.size() || (y.isEmpty() && !newX.isEmpty())) return false;
    if (ctx.Ignore() && mask.size() != y.size()) mask = TBoolArray(y.size(), 0);
    return true;
}

int UnionForCombining(const QList<const TDoubleArray*>& xs, const EvalContext& ctx, TDoubleArray& out) {
    TDoubleArray2 all;
    for (const TDoubleArray* x : xs)
        all << *x;
    out = UnionOfArguments(all);
    if (ctx.Settings.ExtrapType != 0) return out.isEmpty() ? ecEmptyDomain : 0;
    // Without extrapolation only the overlap of all graphs can be computed.
    Extended lo = xs[0]->constFirst(), hi = xs[0]->constLast();
    for (const TDoubleArray* x : xs) {
        lo = std::max(lo, x->constFirst());
        hi = std::min(hi, x->constLast());
    }
    if (GreaterTol(lo, hi)) return ecEmptyDomain;
    qsizetype first = 0;
    while (first < out.size() && LessTol(out[first], lo))
        ++first;
    qsizetype last = first;
    while (last < out.size() && !GreaterTol(out[last], hi))
        ++last;
    out = out.mid(first, last - first);
    return out.isEmpty() ? ecEmptyDomain : 0;
}

int AlignArguments(const TMFDataArr& args, const EvalContext& ctx, AlignedArgs& out) {
    out = AlignedArgs{};
    QList<const TDoubleArray*> graphXs;
    for (const TMFData& a : args) {
        if (a.Y.isEmpty() || (!IsScalar(a) && a.X.size() != a.Y.size())) return ecMath;
        if (!IsScalar(a)) graphXs << &a.X;
    }
    bool resampledOntoUnion = false;
    if (ctx.HasCommon()) {
        if (!graphXs.isEmpty()) out.X = ctx.Settings.CommonArg;
    } else if (!graphXs.isEmpty()) {
        const TDoubleArray& firstX = *graphXs[0];
        bool identical = true;
        for (const TDoubleArray* x : graphXs)
            identical = identical && (*x == firstX);
        if (identical) {
            out.X = firstX;
        } else {
            for (const TMFData& a : args)
                if (!a.Sorted) return ecUnsorted;
            if (const int code = UnionForCombining(graphXs, ctx, out.X)) return code;
            resampledOntoUnion = true;
        }
    }
    for (const TMFData& a : args) {
        out.Scalar << IsScalar(a);
        if (IsScalar(a) || SameArrays(a.X, out.X)) {
            out.Y << a.Y;
            out.Mask << a.Mask;
            continue;
        }
        if (!a.Sorted) return ecUnsorted;
        TDoubleArray y;
        TBoolArray m;
        if (!ResampleValue(a, out.X, ctx, y, m)) return ecEmptyDomain;
        out.Y << y;
        out.Mask << m;
    }
    out.Sorted = resampledOntoUnion ? 1 : static_cast<uint8_t>(IsNonDecreasing(out.X));
    return 0;
}

void CompactFlagged(TMFData& v) {
    if (v.Mask.size() != v.Y.size()) return;
    const bool hasX = !v.X.isEmpty();
    // Nothing moves before the first flagged point.
    const uint8_t* flags = v.Mask.constData();
    qsizetype kept = std::find_if(flags, flags + v.Mask.size(), [](uint8_t f) { return f != 0; }) - flags;
    for (qsizetype i = kept; i < v.Y.size(); ++i) {
        if (v.Mask[i]) continue;
        if (kept != i) {
            v.Y[kept] = v.Y[i];
            if (hasX) v.X[kept] = v.X[i];
            v.Mask[kept] = 0;
        }
        ++kept;
    }
    if (kept == v.Y.size()) return;
    v.Y.resize(kept);
    v.Mask.resize(kept);
    if (hasX) v.X.resize(kept);
    v.Sorted = static_cast<uint8_t>(IsNonDecreasing(v.X));
}

} // namespace detail
} // namespace mathfuncs
