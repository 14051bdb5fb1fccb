#include "tools/CalcMath.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace calcmath {

TDoubleArray CommonArgument(Extended start, Extended end, Extended step, qsizetype maxPoints) {
    if (!std::isfinite(start) || !std::isfinite(end) || !std::isfinite(step) || !(end > start) || !(step > 0))
        return {};
    const Extended steps = std::floor((end - start) / step);
    // Counted before anything is allocated: a tiny step over a wide interval is refused here.
    if (!std::isfinite(steps) || steps + 1 > Extended(maxPoints)) return {};
    const qsizetype n = qsizetype(steps);
    const bool endAppended = end - (start + Extended(n) * step) > step / 100;
    if (n + 1 + (endAppended ? 1 : 0) > maxPoints) return {};
    TDoubleArray arg(n + 1);
    for (qsizetype i = 0; i <= n; ++i)
        arg[i] = start + Extended(i) * step;
    if (endAppended) arg.append(end);
    return arg;
}

namespace {

// Calls fn(kind, n) for every Y(n), X(n), XREL(n) of an upper-cased formula not preceded by a letter.
template <typename Fn> void ForEachReference(const QString& formula, Fn fn) {
    static const QLatin1String kinds[] = {QLatin1String("XREL("), QLatin1String("Y("), QLatin1String("X(")};
    for (qsizetype i = 0; i < formula.size(); ++i) {
        if (i > 0 && formula[i - 1].isLetter()) continue;
        for (const QLatin1String& kind : kinds) {
            if (!QStringView(formula).mid(i).startsWith(kind)) continue;
            qsizetype end = i + kind.size();
            while (end < formula.size() && formula[end].isDigit())
                ++end;
            int n = 0;
            bool ok = false;
            if (end < formula.size() && formula[end] == QLatin1Char(')') && end - i - kind.size() <= 9)
                n = QStringView(formula).mid(i + kind.size(), end - i - kind.size()).toInt(&ok);
            if (ok) fn(kind.at(0), n);
            break;
        }
    }
}

// The graph a formula names through exactly one Y(n).
std::optional<int> SingleGraphOf(const QString& formula) {
    std::optional<int> graph;
    bool several = false;
    ForEachReference(formula, [&](QChar kind, int n) {
        if (kind != QLatin1Char('Y')) return;
        if (graph && *graph != n) several = true;
        graph = n;
    });
    return several ? std::nullopt : graph;
}

} // namespace

QList<int> GraphReferences(const QString& formula) {
    QList<int> numbers;
    ForEachReference(formula, [&](QChar, int n) {
        if (!numbers.contains(n)) numbers.append(n);
    });
    return numbers;
}

std::optional<int> CurrentGraphOf(const QString& line) {
    QStringList formulas;
    if (!mathfuncs::ExpandVectorForms(line.toUpper(), formulas) || formulas.isEmpty()) return std::nullopt;
    std::optional<int> first;
    for (const QString& f : formulas) {
        const std::optional<int> g = SingleGraphOf(f);
        if (!g) return std::nullopt;
        if (!first) first = g;
    }
    return first;
}

QString GraphNodeText(int n, const QString& name) {
    return QStringLiteral("y(%1): %2").arg(n).arg(name);
}

} // namespace calcmath

// ---------------------------------------------------------------------------------------------
// The input history.

void TInputHistory::Record(const QString& formula, bool saveDuplicates) {
    if (!saveDuplicates && !FItems.isEmpty() && FItems.constLast() == formula) return;
    FItems.append(formula);
    FSelected = int(FItems.size()) - 1;
}

std::optional<QString> TInputHistory::Previous(const QString& input) {
    if (FItems.isEmpty()) return std::nullopt;
    if (FSelected < 0)
        FSelected = int(FItems.size()) - 1;
    else if (FItems[FSelected] == input) {
        if (FSelected == 0) return std::nullopt;
        --FSelected;
    }
    return FItems[FSelected];
}

std::optional<QString> TInputHistory::Next(const QString& input) {
    if (FItems.isEmpty()) return std::nullopt;
    if (FSelected < 0)
        FSelected = 0;
    else if (FItems[FSelected] == input) {
        if (FSelected + 1 == FItems.size()) return std::nullopt;
        ++FSelected;
    }
    return FItems[FSelected];
}

// ---------------------------------------------------------------------------------------------
// The calculator.

TCalcMath::TCalcMath() {
    mathfuncs::SeedRandomFromClock();
}

TCalcMath::~TCalcMath() {
    RemoveAllWindows();
}

void TCalcMath::SettingChanged() {
    if (OnSettingsChanged) OnSettingsChanged();
}

void TCalcMath::SetInterpType(int v) {
    FInterpType = v;
    SettingChanged();
}
void TCalcMath::SetExtrapType(int v) {
    FExtrapType = v;
    SettingChanged();
}
void TCalcMath::SetDefDiffType(int v) {
    FDefDiffType = v;
    SettingChanged();
}
void TCalcMath::SetIgnoreErrors(bool v) {
    FIgnoreErrors = v;
    SettingChanged();
}
void TCalcMath::SetCloseWindowAfterCalc(bool v) {
    FCloseWindowAfterCalc = v;
    SettingChanged();
}
void TCalcMath::SetStayOnTop(bool v) {
    FStayOnTop = v;
    SettingChanged();
}

void TCalcMath::AddWindow(TSuperGrWindow* window, int32_t value) {
    if (!window) return;
    for (TRegistration& r : FRegistrations)
        if (r.Window == window) {
            r.Value = value;
            Rebuild();
            return;
        }
    TWindowEvents& events = window->Events;
    TRegistration& r = FRegistrations.emplace_back(TRegistration{window, value, {}});
    r.Connections.push_back(
        events.OnGraphsListChanged.Listen([this](TComponent*, const QStringList&) { Rebuild(); }));
    r.Connections.push_back(
        events.OnChangeGraphStyle.Listen([this](TComponent*, int, int, int) { Rebuild(); }));
    r.Connections.push_back(events.OnDestroy.Listen([this](TComponent* sender) { WindowDestroyed(sender); }));
    const int firstNew = int(FGraphs.size());
    Rebuild();
    if (SelectedWindow < 0 && firstNew < FGraphs.size()) SelectGraph(firstNew);
    if (OverwriteTarget == NoTarget) Overwrite = false;
    if (OnGraphsChanged) OnGraphsChanged();
}

void TCalcMath::WindowDestroyed(TComponent* sender) {
    std::erase_if(FRegistrations, [sender](const TRegistration& r) { return r.Window == sender; });
    SelectedWindow = SelectedGraph = -1;
    Rebuild();
}

void TCalcMath::RemoveAllWindows() {
    FRegistrations.clear();
    SelectedWindow = SelectedGraph = -1;
    Overwrite = false;
    OverwriteTarget = NoTarget;
    FCurrentGraph.reset();
    Rebuild();
}

void TCalcMath::Rebuild() {
    FWindowEntries.clear();
    FGraphs.clear();
    FGraphRefs.clear();
    for (size_t w = 0; w < FRegistrations.size(); ++w) {
        TSuperGrWindow* window = FRegistrations[w].Window;
        QString title = window->Caption;
        if (title.isEmpty()) title = window->TopCaption().join(QLatin1Char(' '));
        if (title.isEmpty()) title = window->BottomCaption().join(QLatin1Char(' '));
        if (title.isEmpty()) title = QStringLiteral("SuperGrWindow%1").arg(w + 1);
        FWindowEntries.append({window, FRegistrations[w].Value, title});
        for (int i = 0; i < window->GraphCount(); ++i) {
            const TGraph* g = window->GraphByIndex(i);
            FGraphs.append({int(w), g->ID, g->Name(), g->Color()});
            FGraphRefs.append({window, g->ID});
        }
    }
    if (SelectedWindow >= FWindowEntries.size()) SelectedWindow = SelectedGraph = -1;
    if (SelectedGraph >= FGraphs.size()) SelectedGraph = -1;
    if (OverwriteTarget >= FGraphs.size()) OverwriteTarget = NoTarget;
    UpdateCurrentGraph();
    if (OnGraphsChanged) OnGraphsChanged();
}

void TCalcMath::SelectGraph(int n) {
    if (n < 0 || n >= FGraphs.size()) return;
    SelectedGraph = n;
    SelectedWindow = FGraphs[n].Window;
}

QList<TCalcMath::TTarget> TCalcMath::OverwriteTargets() const {
    QList<TTarget> targets;
    const bool severalWindows = FWindowEntries.size() > 1;
    if (FCurrentGraph)
        targets.append({CurrentGraphTarget, QStringLiteral("Текущий график - y(%1)").arg(*FCurrentGraph),
                        FGraphs[*FCurrentGraph].Color, 0});
    for (qsizetype n = 0; n < FGraphs.size(); ++n) {
        const TGraphEntry& g = FGraphs[n];
        targets.append({int(n),
                        severalWindows ? calcmath::GraphNodeText(int(n), g.Name)
                                       : QStringLiteral("%1 - y(%2)").arg(g.Name).arg(n),
                        g.Color, severalWindows ? g.Window + 1 : 0});
    }
    return targets;
}

bool TCalcMath::UpdateCurrentGraph() {
    std::optional<int> current = calcmath::CurrentGraphOf(FInput);
    if (current && *current >= FGraphs.size()) current.reset();
    if (current == FCurrentGraph) return false;
    FCurrentGraph = current;
    return true;
}

void TCalcMath::InputChanged(const QString& line) {
    FInput = line;
    if (UpdateCurrentGraph() && OnTargetsChanged) OnTargetsChanged();
}

void TCalcMath::Message(const QString& text) {
    if (OnMessage) OnMessage(text);
}

mathfuncs::TEvalSettings TCalcMath::EvalSettings() const {
    mathfuncs::TEvalSettings s;
    s.DiffType = FDefDiffType;
    s.InterpType = FInterpType;
    s.ExtrapType = FExtrapType;
    s.IgnoreErrors = FIgnoreErrors;
    s.Cancelled = Cancelled;
    return s;
}

TMFDataArr TCalcMath::GraphTable(const QString& formula, const QList<TGraphRef>& numbering) const {
    TMFDataArr table;
    for (const int n : calcmath::GraphReferences(formula)) {
        if (n >= numbering.size()) continue;
        const TGraph* g = numbering[n].Window->GraphByID(numbering[n].Id);
        if (!g) continue;
        TMFData data;
        data.Code = n;
        g->GetXY(data.X, data.Y);
        table.append(data);
    }
    return table;
}

std::optional<Extended> TCalcMath::IntervalValue(const QString& text,
                                                 const QList<TGraphRef>& numbering) const {
    QString formula = text.toUpper();
    formula.remove(QLatin1Char(' '));
    const TMFData v = mathfuncs::EvaluateExpression(formula, GraphTable(formula, numbering), EvalSettings());
    if (v.Code != 0 || !v.X.isEmpty() || v.Y.size() != 1) return std::nullopt;
    return v.Y[0];
}

bool TCalcMath::BuildCommonArgument(const QList<TGraphRef>& numbering, TDoubleArray& arg) {
    const std::optional<Extended> start = IntervalValue(ArgStart, numbering);
    const std::optional<Extended> end = IntervalValue(ArgEnd, numbering);
    const std::optional<Extended> step = IntervalValue(ArgStep, numbering);
    if (!start || !end || !step || !(*end > *start) || !(*step > 0)) {
        Message(QStringLiteral("Неверно задан интервал расчёта!"));
        return false;
    }
    arg = calcmath::CommonArgument(*start, *end, *step);
    if (arg.isEmpty()) {
        Message(QStringLiteral("Интервал расчёта содержит больше %1 точек: увеличьте шаг или сократите "
                               "интервал.")
                    .arg(calcmath::MaxCommonArgPoints));
        return false;
    }
    return true;
}

namespace {

// The windows a calculation writes to: each in one undo group from its first change, repainted when
// the calculation ends, however it ends.
class TTouchedWindows {
public:
    TTouchedWindows() = default;
    TTouchedWindows(const TTouchedWindows&) = delete;
    TTouchedWindows& operator=(const TTouchedWindows&) = delete;
    ~TTouchedWindows() {
        Groups.clear();
        for (TSuperGrWindow* w : Windows)
            w->Repaint();
    }
    void Touch(TSuperGrWindow* w) {
        if (std::find(Windows.begin(), Windows.end(), w) != Windows.end()) return;
        Windows.push_back(w);
        Groups.push_back(std::make_unique<TUndoGroupScope>(*w));
    }

private:
    std::vector<TSuperGrWindow*> Windows;
    std::vector<std::unique_ptr<TUndoGroupScope>> Groups;
};

} // namespace

TCalcOutcome TCalcMath::Calculate(const QString& line) {
    TCalcOutcome outcome;
    QStringList formulas;
    if (!mathfuncs::ExpandVectorForms(line.toUpper(), formulas)) {
        Message(mathfuncs::ErrorReport(28));
        return outcome;
    }
    // Graphs added on the way must not renumber the ones later formulas refer to.
    const QList<TGraphRef> numbering = FGraphRefs;
    mathfuncs::TEvalSettings settings = EvalSettings();
    if (UseCommonArg && !BuildCommonArgument(numbering, settings.CommonArg)) return outcome;

    TTouchedWindows touched;
    QStringList numbers;
    for (qsizetype k = 0; k < formulas.size(); ++k) {
        QString formula = formulas[k];
        formula.remove(QLatin1Char(' '));
        const std::optional<int> current = calcmath::SingleGraphOf(formula);
        const TMFData r = mathfuncs::EvaluateExpression(formula, GraphTable(formula, numbering), settings);
        if (r.Code == mathfuncs::CancelledCode) return outcome;
        if (r.Code != 0) {
            Message(mathfuncs::ErrorReport(r.Code));
            return outcome;
        }
        const bool isGraph = !r.X.isEmpty();
        // Infinities that came in with a graph's data leave the evaluation unchecked; no graph
        // takes them.
        const auto finite = [](const TDoubleArray& a) {
            return std::all_of(a.cbegin(), a.cend(), [](Extended v) { return std::isfinite(v); });
        };
        if (isGraph && (!finite(r.X) || !finite(r.Y))) {
            Message(mathfuncs::ErrorReport(mathfuncs::InfiniteResultCode));
            return outcome;
        }
        TGraph* overwritten = nullptr;
        TSuperGrWindow* window = nullptr;
        if (isGraph && Overwrite) {
            const int n = OverwriteTarget == CurrentGraphTarget ? current.value_or(-1) : OverwriteTarget;
            if (n >= 0 && n < numbering.size()) {
                window = numbering[n].Window;
                overwritten = window->GraphByID(numbering[n].Id);
            }
        }
        if (isGraph && !overwritten) {
            window = SelectedWindow >= 0 && SelectedWindow < int(FRegistrations.size())
                         ? FRegistrations[SelectedWindow].Window
                         : nullptr;
            if (!window) {
                Message(QStringLiteral("Не указано окно для вывода графика."));
                return outcome;
            }
        }
        // Recorded only now, so that a line failing at its first formula leaves no trace.
        if (k == 0) History.Record(line, SaveDuplicates);
        if (!isGraph) {
            numbers << mathfuncs::FormatNumber(r.Y.value(0));
            continue;
        }
        touched.Touch(window);
        if (overwritten) {
            overwritten->SetData(r.X, r.Y);
        } else {
            if (NewGraphName.isEmpty()) NewGraphName = line;
            window->AddGraph(NewGraphName, false, {}, r.X, r.Y);
        }
    }
    NewGraphName.clear();
    outcome.Succeeded = true;
    if (!numbers.isEmpty())
        outcome.NewInput = formulas.size() == 1
                               ? numbers[0]
                               : QLatin1Char('[') + numbers.join(QLatin1Char(' ')) + QLatin1Char(']');
    outcome.CloseWindow = FCloseWindowAfterCalc && !outcome.NewInput;
    return outcome;
}
