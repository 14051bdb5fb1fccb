// The text side of the language: preparation of a formula, operator rewriting into nested
// calls, number reading and writing, vector forms and the error texts.
#include "expr/ExprInternal.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace mathfuncs {

using namespace detail;

namespace {

bool IsOneOf(QChar c, const char* set) {
    const char16_t u = c.unicode();
    for (const char* p = set; *p; ++p)
        if (u == static_cast<unsigned char>(*p)) return true;
    return false;
}

// Characters that end an operand when met at parenthesis depth 0.
constexpr const char* OperandStops = "&*+,-/<=>^|~";
// Characters after which a sign is unary.
constexpr const char* UnaryPrecursors = "&(*,/<=>^|~";

bool PrecededByE(const QString& s, qsizetype i) {
    return i > 0 && s[i - 1] == QLatin1Char('E');
}

bool StopsOperand(const QString& s, qsizetype i) {
    return IsOneOf(s[i], OperandStops) && !PrecededByE(s, i);
}

// Walks from index i in steps of +1 or -1 over balanced parentheses; stops at the first unmatched
// closing one (an opening one when walking left) or where stop(i) holds outside parentheses.
template <typename Stop> qsizetype ScanBalanced(const QString& s, qsizetype i, int step, Stop stop) {
    const QChar open = QLatin1Char(step > 0 ? '(' : ')'), close = QLatin1Char(step > 0 ? ')' : '(');
    for (int depth = 0; i >= 0 && i < s.size(); i += step) {
        if (s[i] == open) {
            ++depth;
        } else if (s[i] == close) {
            if (depth == 0) break;
            --depth;
        } else if (depth == 0 && stop(i)) {
            break;
        }
    }
    return i;
}

// End (exclusive) of the operand that starts at from.
qsizetype ScanRight(const QString& s, qsizetype from) {
    return ScanBalanced(s, from, 1, [&](qsizetype i) { return StopsOperand(s, i); });
}

// Start of the operand that ends just before the index to.
qsizetype ScanLeft(const QString& s, qsizetype to) {
    return ScanBalanced(s, to - 1, -1, [&](qsizetype i) { return StopsOperand(s, i); }) + 1;
}

// Unary signs: the sign and its operand become (0-operand) or (0+operand).
void RewriteUnary(QString& s, QChar sign) {
    for (;;) {
        qsizetype at = -1;
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (s[i] == sign && (i == 0 || IsOneOf(s[i - 1], UnaryPrecursors))) {
                at = i;
                break;
            }
        }
        if (at < 0) return;
        // Unlike a binary operand, this one runs over * / ^ so that -2^2 is -(2^2).
        const qsizetype end = ScanBalanced(
            s, at + 1, 1, [&](qsizetype i) { return IsOneOf(s[i], "&+,-<=>|~") && !PrecededByE(s, i); });
        const QString operand = s.mid(at + 1, end - at - 1);
        s.replace(at, end - at, QStringLiteral("(0") + sign + operand + QLatin1Char(')'));
    }
}

struct FoundOperator {
    qsizetype Pos = -1;
    int Length = 1;
    const char* Name = nullptr;
    bool Prefix = false; // '~' takes no left operand
};

FoundOperator FindOperator(const QString& s, int cls) {
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        const char16_t next = i + 1 < s.size() ? s[i + 1].unicode() : 0;
        switch (cls) {
        case 1:
            if (c == '^') return {i, 1, "POWER"};
            break;
        case 2:
            if (c == '*') return {i, 1, "MUL"};
            if (c == '/') return {i, 1, "DIV"};
            break;
        case 3:
            if ((c == '+' || c == '-') && !PrecededByE(s, i)) return {i, 1, c == '+' ? "ADD" : "SUB"};
            break;
        case 4:
            if (c == '=' && next == '=') return {i, 2, "EQUAL"};
            if ((c == '~' && next == '=') || (c == '<' && next == '>')) return {i, 2, "NOTEQUAL"};
            if (c == '>' && next == '=') return {i, 2, "GREQUAL"};
            if (c == '<' && next == '=') return {i, 2, "LOEQUAL"};
            if (c == '<') return {i, 1, "LOWER"};
            if (c == '=') return {i, 1, "EQUAL"};
            if (c == '>') return {i, 1, "GREATER"};
            break;
        default:
            if (c == '&' && next == '&') return {i, 2, "AND"};
            if (c == '|' && next == '|') return {i, 2, "OR"};
            if (c == '&') return {i, 1, "AND"};
            if (c == '|') return {i, 1, "OR"};
            if (c == '~') return {i, 1, "NOT", true};
            break;
        }
    }
    return {};
}

} // namespace

namespace detail {

QString PrepareFormula(const QString& formula, const TStrArray& names, const TStrArray& values) {
    QString s = formula;
    s.remove(QLatin1Char(' '));
    s = s.toUpper();
    if (names.isEmpty()) return s;

    QStringList upperNames;
    for (const QString& n : names)
        upperNames << n.toUpper();
    constexpr const char* runStarts = "&(*+,-/<=>^|~";
    constexpr const char* runEnds = "&)*+,-/<=>^|~";
    QString out;
    qsizetype i = 0;
    while (i < s.size()) {
        // A ')' right after an operator would start an empty run; it is plain text.
        const bool start =
            (i == 0 || IsOneOf(s[i - 1], runStarts)) && !IsOneOf(s[i], runStarts) && !IsOneOf(s[i], runEnds);
        if (!start) {
            out += s[i++];
            continue;
        }
        qsizetype end = i;
        while (end < s.size() && !IsOneOf(s[end], runEnds))
            ++end;
        const QString run = s.mid(i, end - i);
        const qsizetype index = upperNames.indexOf(run);
        out += index >= 0 ? values[index] : run;
        i = end;
    }
    return out;
}

QString RewriteOperators(const QString& formula) {
    QString s = formula;
    RewriteUnary(s, QLatin1Char('-'));
    RewriteUnary(s, QLatin1Char('+'));
    for (;;) {
        FoundOperator op;
        for (int cls = 1; cls <= 5 && op.Pos < 0; ++cls)
            op = FindOperator(s, cls);
        if (op.Pos < 0) return s;
        const bool prefix = op.Prefix;
        const qsizetype leftStart = prefix ? op.Pos : ScanLeft(s, op.Pos);
        const qsizetype rightEnd = ScanRight(s, op.Pos + op.Length);
        QString call = QLatin1String(op.Name) + QLatin1Char('(');
        if (!prefix) call += s.mid(leftStart, op.Pos - leftStart) + QLatin1Char(',');
        call += s.mid(op.Pos + op.Length, rightEnd - op.Pos - op.Length) + QLatin1Char(')');
        s.replace(leftStart, rightEnd - leftStart, call);
    }
}

} // namespace detail

bool ReadNumber(QStringView text, Extended& value) {
    if (text.isEmpty()) return false;
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool sign = (c == '+' || c == '-') && i > 0 && text[i - 1] == QLatin1Char('E');
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'E' || sign)) return false;
        bytes.append(static_cast<char>(c));
    }
    // The C locale keeps '.' as the decimal point whatever the user's locale says.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    char* end = nullptr;
    const Extended v = strtold_l(bytes.constData(), &end, cLocale);
    if (end != bytes.constData() + bytes.size() || !std::isfinite(v)) return false;
    value = v;
    return true;
}

QString FormatNumber(Extended value) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0) return QStringLiteral("0");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14Le", value);
    // buf: [-]d.ddddddddddddddde[+-]xx
    const QByteArray text(buf);
    const qsizetype e = text.indexOf('e');
    const bool negative = text.startsWith('-');
    QByteArray digits = text.mid(negative ? 1 : 0, e - (negative ? 1 : 0));
    digits.remove(1, 1); // the point
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);
    const int exponent = text.mid(e + 1).toInt();

    QByteArray out;
    if (negative) out += '-';
    if (exponent >= 15 || exponent < -4) {
        out += digits.left(1);
        if (digits.size() > 1) out += '.' + digits.mid(1);
        out += 'E' + QByteArray::number(exponent);
    } else if (exponent < 0) {
        out += "0." + QByteArray(-exponent - 1, '0') + digits;
    } else if (digits.size() <= exponent + 1) {
        out += digits + QByteArray(exponent + 1 - digits.size(), '0');
    } else {
        out += digits.left(exponent + 1) + '.' + digits.mid(exponent + 1);
    }
    return QString::fromLatin1(out);
}

namespace {

// One piece of a line being expanded: plain text, or the values of one vector form.
struct LinePiece {
    QString Text;
    QStringList Values;
    bool IsVector = false;
};

// Formulas longer than this many values are a typing slip, not a request.
constexpr qsizetype MaxVectorValues = 100000;

bool EvaluateEndPoint(const QString& text, Extended& value) {
    const TMFData r = EvaluateExpression(text, {}, TEvalSettings{});
    if (r.Code != 0 || !r.X.isEmpty() || r.Y.size() != 1) return false;
    value = r.Y[0];
    return true;
}

bool IsOperatorChar(QChar c) {
    return IsOneOf(c, "+-*/^=<>&|~");
}

// End (exclusive) of the middle or last part of a range, starting after a ':'.
qsizetype RangePartEnd(const QString& s, qsizetype from) {
    return ScanBalanced(s, from, 1, [&](qsizetype i) { return IsOneOf(s[i], ",[:"); });
}

// Drops trailing spaces and operator characters of [from, end); returns the new end.
qsizetype TrimPartEnd(const QString& s, qsizetype from, qsizetype end) {
    while (end > from && (s[end - 1] == QLatin1Char(' ') || IsOperatorChar(s[end - 1])))
        --end;
    return end;
}

// Expands the first range of text into before / values / after; false on any failure.
bool ExpandRange(const QString& s, qsizetype colon, LinePiece& before, LinePiece& range, LinePiece& after) {
    // Left end: back to ',' or ']' or an unmatched '(' at depth 0.
    qsizetype start = ScanBalanced(s, colon - 1, -1, [&](qsizetype i) { return IsOneOf(s[i], ",]"); }) + 1;
    // Leading spaces and operators stay outside, except a unary minus, which belongs to a.
    while (start < colon && (s[start] == QLatin1Char(' ') || IsOperatorChar(s[start]))) {
        if (s[start] == QLatin1Char('-')) {
            qsizetype p = start - 1;
            while (p >= 0 && s[p] == QLatin1Char(' '))
                --p;
            if (p < 0 || IsOneOf(s[p], "&(*,/<=>^|~[")) break;
        }
        ++start;
    }
    const QString aText = s.mid(start, colon - start);

    qsizetype secondEnd = RangePartEnd(s, colon + 1);
    QString sText, bText;
    qsizetype rangeEnd;
    const bool hasStep = secondEnd < s.size() && s[secondEnd] == QLatin1Char(':');
    if (hasStep) {
        sText = s.mid(colon + 1, TrimPartEnd(s, colon + 1, secondEnd) - colon - 1);
        const qsizetype thirdEnd = RangePartEnd(s, secondEnd + 1);
        rangeEnd = TrimPartEnd(s, secondEnd + 1, thirdEnd);
        bText = s.mid(secondEnd + 1, rangeEnd - secondEnd - 1);
    } else {
        rangeEnd = TrimPartEnd(s, colon + 1, secondEnd);
        bText = s.mid(colon + 1, rangeEnd - colon - 1);
    }

    Extended a = 0, step = 1, b = 0;
    if (!EvaluateEndPoint(aText, a) || !EvaluateEndPoint(bText, b)) return false;
    if (hasStep && !EvaluateEndPoint(sText, step)) return false;
    if (step == 0) return false;
    const Extended span = b - a;
    if ((step > 0) != (span >= 0)) return false;
    // a + k*s rather than a running sum, and b counts when it is reached within a small part
    // of the step, so that -1:0.1:0 ends at 0 exactly.
    const Extended quotient = span / step;
    if (!std::isfinite(quotient) || quotient >= MaxVectorValues) return false;
    const qsizetype lastIndex = static_cast<qsizetype>(std::floor(quotient + 1e-9L));
    if (lastIndex + 1 > MaxVectorValues) return false;
    for (qsizetype k = 0; k <= lastIndex; ++k) {
        Extended v = a + static_cast<Extended>(k) * step;
        if (std::fabs(v - b) <= 1e-9L * std::fabs(step)) v = b;
        range.Values << FormatNumber(v);
    }
    before.Text = s.left(start);
    range.IsVector = true;
    after.Text = s.mid(rangeEnd);
    return true;
}

bool ExpandList(const QString& s, LinePiece& before, LinePiece& list, LinePiece& after) {
    const qsizetype open = s.indexOf(QLatin1Char('['));
    const qsizetype close = s.indexOf(QLatin1Char(']'));
    if (open < 0 || close < 0 || close < open) return false;
    list.Values = s.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (list.Values.isEmpty()) return false;
    list.IsVector = true;
    before.Text = s.left(open);
    after.Text = s.mid(close + 1);
    return true;
}

} // namespace

bool ExpandVectorForms(const QString& line, QStringList& formulas) {
    formulas.clear();
    QList<LinePiece> pieces{LinePiece{line, {}, false}};
    // Ranges first, then lists, each found in the text pieces not yet expanded.
    for (int pass = 0; pass < 2; ++pass) {
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            if (pieces[i].IsVector) continue;
            const QString text = pieces[i].Text;
            LinePiece before, vector, after;
            if (pass == 0) {
                const qsizetype colon = text.indexOf(QLatin1Char(':'));
                if (colon < 0) continue;
                if (!ExpandRange(text, colon, before, vector, after)) return false;
            } else {
                if (!text.contains(QLatin1Char('[')) && !text.contains(QLatin1Char(']'))) continue;
                if (!ExpandList(text, before, vector, after)) return false;
            }
            pieces[i] = before;
            pieces.insert(i + 1, vector);
            pieces.insert(i + 2, after);
        }
    }
    qsizetype count = -1;
    for (const LinePiece& p : pieces) {
        if (!p.IsVector) continue;
        if (count >= 0 && p.Values.size() != count) return false;
        count = p.Values.size();
    }
    if (count < 0) count = 1;
    for (qsizetype k = 0; k < count; ++k) {
        QString f;
        for (const LinePiece& p : pieces)
            f += p.IsVector ? p.Values[k] : p.Text;
        formulas << f;
    }
    return true;
}

QString ErrorMessage(int code) {
    static const char* const messages[MaxErrorCode] = {
        "Пустая строка в одном из выражений.",
        "Несоответствие количества открывающихся и закрывающихся скобок.",
        "Некорректный формат числа.",
        "Некорректный номер графика.",
        "Неизвестный идентификатор константы.",
        "Число аргументов одной из функций не соответствует требуемому.",
        "Неизвестный идентификатор функции.",
        "Математическая ошибка.",
        "Деление на ноль.",
        "Некорректные данные в одном из графиков.",
        "Область определения результата является пустым множеством.",
        "Значение результата является пустым множеством.",
        "Попытка вычислить корень из отрицательного числа.",
        "Попытка вычислить логарифм из неположительного числа.",
        "Аргумент обратной функции назодится за областью её определения.",
        "Некорректный тип дифференцирования (должно быть 0 или 1).",
        "Попытка выполнить связанную со временем операцию над скаляром.",
        "Аргумент, который должен быть скаляром, таковым не является.",
        "Одно из значений результата бесконечно или неопределено.",
        "Аргумент одного из графиков не является упорядоченным.",
        "Некорректный тип случайного распределения.",
        "Некорректные параметры случайного распределения.",
        "Ошибка в математичесом выражении.",
        "Попытка возвести отрицательное число в дробную степень.",
        "Несоответствия числа используемых пользовательских переменных числу декларированных.",
        "Попытка вычислить статистическую функцию от \"сбойного\" аргумента.",
        "Попытка выполнить операцию над аргументом при общем аргументе.",
        "Ошибка при разборе векторного выражения.",
        "Ошибка при выполнении операции округления.",
        "Ошибка при вычислении регрессии.",
    };
    if (code < 1 || code > MaxErrorCode) return {};
    return QString::fromUtf8(messages[code - 1]);
}

QString ErrorReport(int code) {
    return QStringLiteral("Ошибка при вычислении функции №") + QString::number(code) + QLatin1Char(':') +
           QLatin1Char('\n') + QLatin1Char('\r') + ErrorMessage(code);
}

QString EvaluateLineToText(const QString& line, const TMFDataArr& graphs, const TEvalSettings& settings,
                           int* errorCode) {
    if (errorCode) *errorCode = 0;
    QStringList formulas;
    if (!ExpandVectorForms(line.toUpper(), formulas)) {
        if (errorCode) *errorCode = ecVector;
        return ErrorReport(ecVector) + QLatin1Char('\n');
    }
    QString out;
    for (qsizetype k = 0; k < formulas.size(); ++k) {
        if (k > 0) out += QLatin1Char('\n');
        const TMFData r = EvaluateExpression(formulas[k], graphs, settings);
        if (r.Code != 0) {
            if (errorCode && *errorCode == 0) *errorCode = r.Code;
            out += ErrorReport(r.Code) + QLatin1Char('\n');
        } else if (r.X.isEmpty()) {
            out += FormatNumber(r.Y.value(0)) + QLatin1Char('\n');
        } else {
            for (qsizetype i = 0; i < r.X.size(); ++i)
                out +=
                    FormatNumber(r.X[i]) + QLatin1Char('\t') + FormatNumber(r.Y.value(i)) + QLatin1Char('\n');
        }
    }
    return out;
}

} // namespace mathfuncs
