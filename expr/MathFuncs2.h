// The calculator's expression engine: formulas over numbers and graphs are rewritten into nested
// calls, evaluated over whole arrays and returned as one TMFData (a number or a graph).
#pragma once

#include "model/ost2_Types.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace mathfuncs {

// Everything that stays the same while one formula is evaluated.
struct TEvalSettings {
    int DiffType =
        0; // default kind of DIFF: 0 simple, 1 central interpolated, 2 central averaged, 3 integral inversion
    int InterpType = 0;        // 0 step left, 1 step right, 2 linear, 3 parabolic left, 4 parabolic right, 5
                               // biparabolic, 6 spline
    int ExtrapType = 0;        // 0 none, 1 zero, 2 step, 3 linear
    bool IgnoreErrors = false; // failed points are flagged and dropped instead of failing the formula
    TDoubleArray CommonArg;    // when not empty, every graph is brought onto these arguments
    TStrArray VarNames;        // user variables, substituted as text before parsing
    TStrArray VarValues;
    // Asked between the steps of an evaluation; true abandons it with CancelledCode.
    std::function<bool()> Cancelled;
};

// The calculator's settings as it starts: linear interpolation, zero extrapolation, central DIFF with
// interpolation, failed points dropped.
inline TEvalSettings CalculatorDefaults() {
    TEvalSettings s;
    s.DiffType = 1;
    s.InterpType = 2;
    s.ExtrapType = 1;
    s.IgnoreErrors = true;
    return s;
}

inline constexpr int MaxErrorCode = 30;
// The code of an evaluation abandoned through TEvalSettings::Cancelled; it has no message.
inline constexpr int CancelledCode = MaxErrorCode + 1;
// A value of the result is infinite or not a number.
inline constexpr int InfiniteResultCode = 19;

// Evaluates one formula (no vector forms) over the graph table; each table entry's Code is the
// graph's number as written in Y(n). Never throws: failures come back as Code 1..30, an abandoned
// evaluation as CancelledCode.
TMFData EvaluateExpression(const QString& formula, const TMFDataArr& graphs, const TEvalSettings& settings);

// Splits one upper-cased input line with ranges (a:b, a:s:b) and lists ([v1 v2]) into formulas.
// Returns false when the line cannot be expanded (the caller reports error 28).
bool ExpandVectorForms(const QString& line, QStringList& formulas);

// Values of the graph (X, Y, Mask) at newX. A scalar (X empty, one value) gives its value
// everywhere. The result is empty when the graph has fewer than 2 points, X and Y differ in
// length, or extrapolation is "none" and some new argument lies outside the graph.
// newMask (when given) receives the failure flags when mask is not empty, else is cleared.
TDoubleArray Resample(const TDoubleArray& newX, const TDoubleArray& X, const TDoubleArray& Y,
                      const TBoolArray& mask, int interpType, int extrapType, TBoolArray* newMask = nullptr);

// a and b are equal when |a - b| <= 1e-15 * min(|a|, |b|); a comparison with 0 is exact.
bool SameValue(Extended a, Extended b);

// Merge of non-decreasing arrays into one strictly increasing array (ties go to the earlier array).
TDoubleArray UnionOfArguments(const TDoubleArray2& arrays);

// Every element is >= its predecessor.
bool IsNonDecreasing(const TDoubleArray& x);

// The message of an error code, or an empty text outside 1..30.
QString ErrorMessage(int code);
// The full text shown to the user: header, code, ":", line feed, carriage return, message.
QString ErrorReport(int code);

// Reads a number token ("2.75", ".5", "1E-3") to extended precision with '.' as the decimal
// point; false when the whole text is not one finite number.
bool ReadNumber(QStringView text, Extended& value);

// Shortest general format with at most 15 significant digits: "0.1", "1E-5", "-2.5E20".
QString FormatNumber(Extended value);

// The process-wide generator of RAND: seed' = seed * 134775813 + 1 (mod 2^32).
void SeedRandom(uint32_t seed);
void SeedRandomFromClock();
// Uniform in [0, 1).
Extended RandomUniform();

// Expands the vector forms of a line, evaluates every formula and writes the results as text:
// a number on one line, a graph as "x<TAB>y" lines, an error as its report; results of several
// formulas are separated by an empty line. The first error code met (0 if none) goes to errorCode.
QString EvaluateLineToText(const QString& line, const TMFDataArr& graphs, const TEvalSettings& settings,
                           int* errorCode = nullptr);

} // namespace mathfuncs
