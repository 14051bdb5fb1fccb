#include "tools/CalculatorModel.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// Undo and redo.

void TInputUndo::Changed(const TInputState& now) {
    if (now.Text == FCurrent.Text) {
        FCurrent = now;
        return;
    }
    FUndo.append(FCurrent);
    FCurrent = now;
    FRedo.clear();
}

void TInputUndo::TrackCaret(int caret, int selLength) {
    FCurrent.Caret = caret;
    FCurrent.SelLength = selLength;
}

TInputState TInputUndo::Undo() {
    if (FUndo.isEmpty()) return FCurrent;
    if (FRedo.isEmpty() || FRedo.constLast() != FCurrent) FRedo.append(FCurrent);
    FCurrent = FUndo.takeLast();
    return FCurrent;
}

TInputState TInputUndo::Redo() {
    if (FRedo.isEmpty()) return FCurrent;
    if (FUndo.isEmpty() || FUndo.constLast() != FCurrent) FUndo.append(FCurrent);
    FCurrent = FRedo.takeLast();
    return FCurrent;
}

namespace calcinput {

TInputState TypeText(const TInputState& s, const QString& text) {
    TInputState r = s;
    r.Text.replace(s.Caret, s.SelLength, text);
    r.Caret = s.Caret + int(text.size());
    r.SelLength = 0;
    return r;
}

TInputState TypeFunction(const TInputState& s, const QString& name) {
    if (s.SelLength == 0) {
        TInputState r = TypeText(s, name + QStringLiteral("()"));
        r.Caret -= 1;
        return r;
    }
    return TypeText(s, name + QLatin1Char('(') + s.Text.mid(s.Caret, s.SelLength) + QLatin1Char(')'));
}

namespace {

// The call whose argument list holds the caret: its upper-cased name, its open bracket and the
// caret's argument index.
struct TEnclosingCall {
    QString Name;
    int Open = -1;
    int Argument = 0;
};

std::optional<TEnclosingCall> EnclosingCall(const QString& text, int caret) {
    int depth = 0, commas = 0;
    for (int i = std::min(caret, int(text.size())) - 1; i >= 0; --i) {
        const QChar c = text[i];
        if (c == QLatin1Char(')')) {
            ++depth;
        } else if (c == QLatin1Char(',') && depth == 0) {
            ++commas;
        } else if (c == QLatin1Char('(')) {
            if (depth-- > 0) continue;
            int start = i;
            while (start > 0 && text[start - 1].isLetterOrNumber())
                --start;
            return TEnclosingCall{text.mid(start, i - start).toUpper(), i, commas};
        }
    }
    return std::nullopt;
}

// The text of a call's first argument.
QString FirstArgument(const QString& text, int open) {
    int depth = 0, i = open + 1;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('('))
            ++depth;
        else if (c == QLatin1Char(')') && depth-- == 0)
            break;
        else if (c == QLatin1Char(',') && depth == 0)
            break;
    }
    return text.mid(open + 1, i - open - 1).trimmed().toUpper();
}

QStringList HintParts(const TEnclosingCall& call, const QString& text) {
    const auto L = [](const char* s) { return QString::fromUtf8(s); };
    const QString& n = call.Name;
    if (n == QLatin1String("RAND")) {
        const QString distribution = FirstArgument(text, call.Open);
        QStringList parts{L("Распределение, ")};
        if (distribution == QLatin1String("'NORM'"))
            parts << L("Мат. ожидание, ") << L("СКО, ");
        else if (distribution == QLatin1String("'UNIF'"))
            parts << L("Минимум, ") << L("Максимум, ");
        else
            parts << L("Параметр 1, ") << L("Параметр 2, ");
        return parts << L("[Интервал времени]");
    }
    if (n == QLatin1String("DIFF"))
        return {L("Дифференцируемая функция, "), L("[Тип производной], "), L("[Начальное значение]")};
    if (n == QLatin1String("ROUND")) return {L("Округляемая функция, "), L("[Порядок округления]")};
    if (n == QLatin1String("FIT"))
        return {L("Функция для построения регрессии, "), L("[Порядок аппроксимирующего полинома]")};
    if (n == QLatin1String("SELECT")) return {L("Исходная функция, "), L("Условие выборки")};
    if (n == QLatin1String("INTEGR")) return {L("Интегрируемая функция, "), L("[Начальное значение]")};
    if (n == QLatin1String("MIRROR")) return {L("Отражаемая функция, "), L("[Точка отражения]")};
    if (n == QLatin1String("XSHFT")) return {L("Функция, "), L("Сдвиг по времени")};
    if (n == QLatin1String("XSCL")) return {L("Функция, "), L("Масштаб времени")};
    if (n == QLatin1String("Y") || n == QLatin1String("X") || n == QLatin1String("XREL"))
        return {L("Номер графика")};
    return {};
}

struct TDistribution {
    const char* Name;
    const char* Meaning;
};
const TDistribution kDistributions[] = {{"'norm'", " - нормальное распределение"},
                                        {"'unif'", " - равномерное распределение"}};

const char* const kDiffKinds[] = {"0 - простая разность", "1 - центральная (интерполяция)",
                                  "2 - центральная (среднее)", "3 - обращение интеграла"};

} // namespace

std::optional<TArgumentHint> ArgumentHint(const QString& text, int caret) {
    const std::optional<TEnclosingCall> call = EnclosingCall(text, caret);
    if (!call) return std::nullopt;
    const QStringList parts = HintParts(*call, text);
    if (call->Argument >= parts.size()) return std::nullopt;
    return TArgumentHint{parts, call->Argument};
}

QStringList DistributionRows(const QString& typed) {
    QStringList rows;
    for (const TDistribution& d : kDistributions)
        if (QLatin1String(d.Name).startsWith(typed, Qt::CaseInsensitive))
            rows << QLatin1String(d.Name) + QString::fromUtf8(d.Meaning);
    return rows;
}

TCompletion CompletionAfterTyping(const QString& text, int caret) {
    if (caret <= 0 || caret > text.size()) return {};
    const QChar typed = text[caret - 1];
    if (typed != QLatin1Char('(') && typed != QLatin1Char(',')) return {};
    const std::optional<TEnclosingCall> call = EnclosingCall(text, caret);
    if (!call) return {};
    if (typed == QLatin1Char('(') && call->Name == QLatin1String("RAND"))
        return {TCompletionKind::Distribution, caret, DistributionRows({})};
    if (typed == QLatin1Char(',') && call->Name == QLatin1String("DIFF") && call->Argument == 1) {
        QStringList rows;
        for (const char* row : kDiffKinds)
            rows << QString::fromUtf8(row);
        return {TCompletionKind::DiffKind, caret, rows};
    }
    return {};
}

TInputState ApplyCompletion(const TInputState& s, const TCompletion& c, int row) {
    if (row < 0 || row >= c.Rows.size() || c.Start > s.Caret) return s;
    TInputState r = s;
    if (c.Kind == TCompletionKind::Distribution) {
        const QString name = c.Rows[row].section(QLatin1Char(' '), 0, 0);
        r.Text.replace(c.Start, s.Caret - c.Start, name);
        r.Caret = c.Start + int(name.size());
        for (const QChar follow : {QLatin1Char(','), QLatin1Char(' ')}) {
            if (r.Caret >= r.Text.size() || r.Text[r.Caret] != follow) r.Text.insert(r.Caret, follow);
            ++r.Caret;
        }
    } else {
        int end = c.Start;
        while (end < r.Text.size() && r.Text[end].isDigit())
            ++end;
        r.Text.replace(c.Start, end - c.Start, c.Rows[row].left(1));
        r.Caret = c.Start + 1;
    }
    r.SelLength = 0;
    return r;
}

int MatchingBracket(const QString& text, int pos) {
    if (pos < 0 || pos >= text.size()) return -1;
    static const QString opens = QStringLiteral("(["), closes = QStringLiteral(")]");
    const QChar c = text[pos];
    qsizetype kind = opens.indexOf(c);
    const bool forward = kind >= 0;
    if (!forward) kind = closes.indexOf(c);
    if (kind < 0) return -1;
    const QChar same = c, other = forward ? closes[kind] : opens[kind];
    int depth = 0;
    for (int i = pos; forward ? i < text.size() : i >= 0; i += forward ? 1 : -1) {
        if (text[i] == same)
            ++depth;
        else if (text[i] == other && --depth == 0)
            return i;
    }
    return -1;
}

} // namespace calcinput

// ---------------------------------------------------------------------------------------------
// Bracket marks.

namespace {
bool IsBracket(const QString& text, int pos) {
    return pos >= 0 && pos < text.size() && QStringLiteral("()[]").contains(text[pos]);
}
} // namespace

TBracketMarks::TBracketMarks(std::unique_ptr<TWindowTimer> timer) : FTimer(std::move(timer)) {
    FTimer->OnTick = [this] { Clear(); };
}

void TBracketMarks::Show(TMark mark, int period) {
    FMark = mark;
    FTimer->Stop();
    FTimer->Start(period);
    if (OnChange) OnChange();
}

void TBracketMarks::Clear() {
    FTimer->Stop();
    if (FMark.Kind == TKind::None) return;
    FMark = {};
    if (OnChange) OnChange();
}

void TBracketMarks::Typed(const QString& text, int pos) {
    if (!IsBracket(text, pos)) return;
    const int match = calcinput::MatchingBracket(text, pos);
    if (match < 0) return;
    Show({TKind::Frame, std::min(pos, match), std::max(pos, match)}, FramePeriod);
}

void TBracketMarks::CaretMoved(const QString& text, int caret, bool right) {
    const int passed = right ? caret - 1 : caret;
    const int beside = right ? caret : caret - 1;
    const int pos = IsBracket(text, passed) ? passed : IsBracket(text, beside) ? beside : -1;
    if (pos < 0) return;
    const int match = calcinput::MatchingBracket(text, pos);
    if (match < 0)
        Show({TKind::Underline, pos, -1}, UnderlinePeriod);
    else
        Show({TKind::Underline, std::min(pos, match), std::max(pos, match)}, UnderlinePeriod);
}
