// Shared between the parts of the expression engine; not for other folders.
#pragma once

#include "expr/MathFuncs2.h"

#include <QStringView>

#include <optional>
#include <thread>

namespace mathfuncs::detail {

// Error codes by name, so checks read as what they test.
enum ErrorCode : int32_t {
    ecEmpty = 1,
    ecBrackets = 2,
    ecNumber = 3,
    ecGraphNumber = 4,
    ecConstant = 5,
    ecArgCount = 6,
    ecFunction = 7,
    ecMath = 8,
    ecDivZero = 9,
    ecBadGraph = 10,
    ecEmptyDomain = 11,
    ecEmptyValue = 12,
    ecSqrtNegative = 13,
    ecLogNonPositive = 14,
    ecInverseDomain = 15,
    ecDiffKind = 16,
    ecScalarArgs = 17,
    ecNotScalar = 18,
    ecInfinite = InfiniteResultCode,
    ecUnsorted = 20,
    ecDistribution = 21,
    ecDistributionParams = 22,
    ecSyntax = 23,
    ecFractionalPower = 24,
    ecVariables = 25,
    ecCommonArg = 27,
    ecVector = 28,
    ecRounding = 29,
    ecRegression = 30,
};

// State of one top-level evaluation.
struct EvalContext {
    const TMFDataArr& Graphs; // prepared: Sorted set, Mask present while ignoring errors
    const TEvalSettings& Settings;
    TDoubleArray UnionArg; // filled on first need (X, XREL, INTEGR of a scalar)
    bool UnionFilled = false;
    int Depth = 0;
    bool CancelSeen = false; // once cancelled, every further step fails at once

    EvalContext(const TMFDataArr& graphs, const TEvalSettings& settings)
        : Graphs(graphs), Settings(settings) {}

    bool Ignore() const { return Settings.IgnoreErrors; }
    bool HasCommon() const { return !Settings.CommonArg.isEmpty(); }
};

inline bool IsScalar(const TMFData& v) {
    return v.X.isEmpty();
}

inline TMFData ErrorValue(int code) {
    TMFData r;
    r.Code = code;
    return r;
}

// A scalar with one value; flagged only matters while ignoring errors.
TMFData ScalarValue(Extended value, const EvalContext& ctx, bool flagged = false);

// Syntax passes.
QString PrepareFormula(const QString& formula, const TStrArray& names, const TStrArray& values);
QString RewriteOperators(const QString& formula);

// Evaluation of a piece of rewritten text.
TMFData EvaluateText(QStringView text, EvalContext& ctx);

// Reads up to nine decimal digits, nothing else.
bool ReadSmallInteger(QStringView text, int& value);

// Evaluates an argument that must be one whole number in [min, max] (flagged counts as outside):
// the error to return, or none with value set. An error of the evaluation itself passes through.
std::optional<TMFData> ReadWholeArgument(QStringView text, EvalContext& ctx, int min, int max, int errorCode,
                                         int& value);

// Fills the union argument; checkSorted asks for every table graph to be sorted (error 20).
int FillUnionArgument(EvalContext& ctx, bool checkSorted);

// Brings a graph onto newX with the settings' kinds; false when nothing could be resampled.
bool ResampleValue(const TMFData& v, const TDoubleArray& newX, const EvalContext& ctx, TDoubleArray& y,
                   TBoolArray& mask);

// The union of two or more graphs' arguments, cut to their overlap when extrapolation is "none".
int UnionForCombining(const QList<const TDoubleArray*>& xs, const EvalContext& ctx, TDoubleArray& out);

// Many-argument alignment: every argument brought onto one X (empty when all are scalars).
struct AlignedArgs {
    TDoubleArray X;
    QList<TDoubleArray> Y;  // one per argument; a scalar keeps its one value
    QList<TBoolArray> Mask; // one per argument, empty when not ignoring errors
    QList<bool> Scalar;
    uint8_t Sorted = 1;
};
int AlignArguments(const TMFDataArr& args, const EvalContext& ctx, AlignedArgs& out);

// Operators and functions by family; args is the split argument text of the call.
using ArgList = QList<QStringView>;
// Evaluates a call's two arguments in order: the error to return (the count's, or the first argument's
// that fails), or none with both values set.
std::optional<TMFData> EvaluateTwoArguments(const ArgList& args, EvalContext& ctx, TMFData& first,
                                            TMFData& second);
TMFData CallBinaryOperator(int code, const ArgList& args, EvalContext& ctx);
TMFData CallUnaryFunction(int code, const ArgList& args, EvalContext& ctx);
TMFData CallRound(const ArgList& args, EvalContext& ctx);
TMFData CallHypot(const ArgList& args, EvalContext& ctx);
TMFData CallStatistic(int code, const ArgList& args, EvalContext& ctx);
TMFData CallGraphFunction(const QString& name, const ArgList& args, EvalContext& ctx, bool& known);

// Codes of the operators and one-argument functions; 0 when the name is not one.
int BinaryOperatorCode(QStringView name);
int UnaryFunctionCode(QStringView name);
int StatisticCode(QStringView name);

// Sine and cosine of extended arguments, as accurate as the library's and faster for the
// arguments met in practice.
Extended SinExt(Extended x);
Extended CosExt(Extended x);

// Runs part(begin, end) over [0, n): a long range in two halves on two cores. The error of the first
// half wins, so the code is that of the first failing point, as in one pass.
inline constexpr qsizetype HalvesFrom = qsizetype(1) << 18;
template <class Part> int RunInHalves(qsizetype n, Part part) {
    if (n < HalvesFrom) return part(0, n);
    const qsizetype middle = n / 2;
    int second = 0;
    std::thread worker([&] { second = part(middle, n); });
    const int first = part(0, middle);
    worker.join();
    return first ? first : second;
}

// Element-wise equality (shared storage answers at once), long arrays compared in halves.
bool SameArrays(const TDoubleArray& a, const TDoubleArray& b);

// Drops flagged points of a graph and recomputes Sorted.
void CompactFlagged(TMFData& v);

} // namespace mathfuncs::detail
