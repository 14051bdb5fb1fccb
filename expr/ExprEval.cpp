// Top-level evaluation of a formula and the recursive reading of its rewritten call text.
#include "expr/ExprInternal.h"

#include <cmath>
#include <numbers>

namespace mathfuncs {

using namespace detail;

namespace {

// Deeper nesting than this is a runaway formula; refusing it keeps the stack safe.
constexpr int MaxNestingDepth = 2000;

constexpr Extended Pi = std::numbers::pi_v<long double>;

const TMFData* FindGraph(const EvalContext& ctx, int32_t n) {
    for (const TMFData& g : ctx.Graphs)
        if (g.Code == n) return &g;
    return nullptr;
}

TDoubleArray FromFirst(const TDoubleArray& x) {
    TDoubleArray y(x.size());
    if (x.isEmpty()) return y;
    const Extended first = x[0];
    const Extended* src = x.constData();
    Extended* dst = y.data();
    for (qsizetype i = 0; i < x.size(); ++i)
        dst[i] = src[i] - first;
    return y;
}

TBoolArray NoFlags(const EvalContext& ctx, qsizetype n) {
    return ctx.Ignore() ? TBoolArray(n, 0) : TBoolArray();
}

// X or XREL without parentheses: the union argument as a graph.
TMFData UnionAsGraph(EvalContext& ctx, bool relative) {
    if (const int code = FillUnionArgument(ctx, true)) return ErrorValue(code);
    if (ctx.UnionArg.isEmpty()) return ErrorValue(ecEmptyDomain);
    TMFData r;
    r.X = ctx.UnionArg;
    r.Y = relative ? FromFirst(ctx.UnionArg) : ctx.UnionArg;
    r.Mask = NoFlags(ctx, r.X.size());
    r.Sorted = 1;
    return r;
}

// Y(n), X(n), XREL(n).
TMFData GraphReference(QChar kind, bool relative, const ArgList& args, EvalContext& ctx) {
    if (args.size() != 1) return ErrorValue(ecArgCount);
    const bool values = kind == QLatin1Char('Y');
    const TDoubleArray& common = ctx.Settings.CommonArg;
    if (!values && ctx.HasCommon()) {
        TMFData r;
        r.X = common;
        r.Y = relative ? FromFirst(common) : common;
        r.Mask = NoFlags(ctx, common.size());
        r.Sorted = static_cast<uint8_t>(IsNonDecreasing(common));
        return r;
    }
    int n = 0;
    if (!ReadSmallInteger(args[0], n)) return ErrorValue(ecGraphNumber);
    const TMFData* g = FindGraph(ctx, n);
    if (!g) return ErrorValue(ecGraphNumber);
    if (!values) {
        TMFData r;
        r.X = g->X;
        r.Y = relative ? FromFirst(g->X) : g->X;
        r.Mask = g->Mask;
        r.Sorted = g->Sorted;
        return r;
    }
    if (!ctx.HasCommon()) {
        TMFData r = *g;
        r.Code = 0;
        return r;
    }
    if (g->X.size() < 2) return ErrorValue(ecEmptyDomain);
    if (ctx.Settings.ExtrapType == 0 &&
        ((g->X.constFirst() > common.constFirst() && !SameValue(g->X.constFirst(), common.constFirst())) ||
         (g->X.constLast() < common.constLast() && !SameValue(g->X.constLast(), common.constLast()))))
        return ErrorValue(ecEmptyDomain);
    if (!g->Sorted) return ErrorValue(ecUnsorted);
    TMFData r;
    r.X = common;
    TBoolArray ignoredFlags;
    r.Y = Resample(common, g->X, g->Y, {}, ctx.Settings.InterpType, ctx.Settings.ExtrapType, &ignoredFlags);
    if (r.Y.size() != common.size()) return ErrorValue(ecEmptyDomain);
    r.Mask = NoFlags(ctx, common.size());
    r.Sorted = 1;
    return r;
}

// Splits the argument text of a call at the commas of depth 0; false when it closes more
// parentheses than it opens.
bool SplitArguments(QStringView text, ArgList& args) {
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('(')) {
            ++depth;
        } else if (c == QLatin1Char(')')) {
            if (--depth < 0) return false;
        } else if (c == QLatin1Char(',') && depth == 0) {
            args << text.mid(start, i - start);
            start = i + 1;
        }
    }
    args << text.mid(start);
    return true;
}

struct DepthGuard {
    int& Depth;
    explicit DepthGuard(int& d) : Depth(d) { ++Depth; }
    ~DepthGuard() { --Depth; }
};

} // namespace

namespace detail {

bool ReadSmallInteger(QStringView text, int& value) {
    if (text.isEmpty() || text.size() > 9) return false;
    int v = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
        v = v * 10 + (c.unicode() - '0');
    }
    value = v;
    return true;
}

std::optional<TMFData> ReadWholeArgument(QStringView text, EvalContext& ctx, int min, int max, int errorCode,
                                         int& value) {
    const TMFData v = EvaluateText(text, ctx);
    if (v.Code != 0) return v;
    if (!IsScalar(v)) return ErrorValue(ecNotScalar);
    if (v.Y.size() != 1 || v.Y[0] != std::trunc(v.Y[0]) || v.Y[0] < min || v.Y[0] > max ||
        (ctx.Ignore() && v.Mask.value(0)))
        return ErrorValue(errorCode);
    value = static_cast<int>(v.Y[0]);
    return std::nullopt;
}

std::optional<TMFData> EvaluateTwoArguments(const ArgList& args, EvalContext& ctx, TMFData& first,
                                            TMFData& second) {
    if (args.size() != 2) return ErrorValue(ecArgCount);
    first = EvaluateText(args[0], ctx);
    if (first.Code != 0) return first;
    second = EvaluateText(args[1], ctx);
    if (second.Code != 0) return second;
    return std::nullopt;
}

TMFData EvaluateText(QStringView text, EvalContext& ctx) {
    const DepthGuard guard(ctx.Depth);
    if (ctx.Depth > MaxNestingDepth) return ErrorValue(ecSyntax);
    if (ctx.CancelSeen || (ctx.Settings.Cancelled && ctx.Settings.Cancelled())) {
        ctx.CancelSeen = true;
        return ErrorValue(CancelledCode);
    }

    QStringView s = text;
    while (s.startsWith(QLatin1Char('('))) {
        if (!s.endsWith(QLatin1Char(')'))) return ErrorValue(ecBrackets);
        s = s.mid(1, s.size() - 2);
    }
    if (s.isEmpty()) return ErrorValue(ecEmpty);

    const QChar first = s[0];
    if (first.isDigit() || first == QLatin1Char('.')) {
        Extended v = 0;
        if (!ReadNumber(s, v)) return ErrorValue(ecNumber);
        return ScalarValue(v, ctx);
    }
    if (s == QLatin1String("PI")) return ScalarValue(Pi, ctx);
    if (s == QLatin1String("X")) return UnionAsGraph(ctx, false);
    if (s == QLatin1String("XREL")) return UnionAsGraph(ctx, true);

    const qsizetype open = s.indexOf(QLatin1Char('('));
    if (open < 0) return ErrorValue(ecConstant);
    if (!s.endsWith(QLatin1Char(')'))) return ErrorValue(ecBrackets);
    const QStringView name = s.left(open);
    ArgList args;
    if (!SplitArguments(s.mid(open + 1, s.size() - open - 2), args)) return ErrorValue(ecSyntax);

    if (name == QLatin1String("Y") || name == QLatin1String("X"))
        return GraphReference(name[0], false, args, ctx);
    if (name == QLatin1String("XREL")) return GraphReference(QLatin1Char('X'), true, args, ctx);
    if (const int code = BinaryOperatorCode(name)) return CallBinaryOperator(code, args, ctx);
    if (const int code = UnaryFunctionCode(name)) return CallUnaryFunction(code, args, ctx);
    if (name == QLatin1String("ROUND")) return CallRound(args, ctx);
    if (name == QLatin1String("HYPOT")) return CallHypot(args, ctx);
    if (const int code = StatisticCode(name)) return CallStatistic(code, args, ctx);
    bool known = false;
    TMFData r = CallGraphFunction(name.toString(), args, ctx, known);
    if (!known) return ErrorValue(ecFunction);
    return r;
}

} // namespace detail

TMFData EvaluateExpression(const QString& formula, const TMFDataArr& graphs, const TEvalSettings& settings) {
    if (settings.VarNames.size() != settings.VarValues.size()) return ErrorValue(ecVariables);
    const QString prepared = PrepareFormula(formula, settings.VarNames, settings.VarValues);
    if (prepared.count(QLatin1Char('(')) != prepared.count(QLatin1Char(')'))) return ErrorValue(ecBrackets);

    TMFDataArr table = graphs;
    for (TMFData& g : table) {
        g.Sorted = static_cast<uint8_t>(IsNonDecreasing(g.X));
        g.Mask = settings.IgnoreErrors ? TBoolArray(g.Y.size(), 0) : TBoolArray();
        if (!settings.CommonArg.isEmpty() && !g.Sorted) return ErrorValue(ecUnsorted);
        if (g.Y.isEmpty() || (!g.X.isEmpty() && g.X.size() != g.Y.size()) ||
            (g.X.isEmpty() && g.Y.size() != 1))
            return ErrorValue(ecBadGraph);
    }

    EvalContext ctx{table, settings};
    TMFData r = EvaluateText(RewriteOperators(prepared), ctx);
    // A function that turns its argument's failure into its own code must not hide the cancel.
    if (ctx.CancelSeen) return ErrorValue(CancelledCode);
    if (r.Code != 0) return ErrorValue(r.Code);
    // A value without points is the empty kind, not a scalar: it ends as error 12 below.
    if (settings.IgnoreErrors && !r.Y.isEmpty()) {
        if (IsScalar(r)) {
            if (r.Y.size() != 1) return ErrorValue(ecMath);
            if (r.Mask.value(0)) return ErrorValue(ecEmptyValue);
        } else {
            CompactFlagged(r);
        }
    }
    if (r.Y.isEmpty()) return ErrorValue(ecEmptyValue);
    if (!settings.CommonArg.isEmpty() && IsScalar(r)) {
        const Extended v = r.Y[0];
        r.X = settings.CommonArg;
        r.Y = TDoubleArray(r.X.size(), v);
        r.Mask = settings.IgnoreErrors ? TBoolArray(r.X.size(), 0) : TBoolArray();
        r.Sorted = 1;
    }
    return r;
}

} // namespace mathfuncs
