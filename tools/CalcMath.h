// The calculator without widgets: its settings, the graph windows whose graphs formulas may use
// (numbered from 0 across all of them), where results go, the input history and the calculation of
// an input line. The calculator window shows this model and forwards every change to it.
#pragma once

#include "expr/MathFuncs2.h"
#include "window/SuperGrWindow.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace calcmath {

// A common argument longer than this is refused before anything is allocated.
inline constexpr qsizetype MaxCommonArgPoints = 50'000'000;

// The common argument start + i·step for i = 0..n, n the integer part of (end − start)/step, and end
// itself when the last of these lies more than step/100 below it. Empty when end ≤ start, step ≤ 0,
// a value is not finite or the argument would hold more than maxPoints points.
TDoubleArray CommonArgument(Extended start, Extended end, Extended step,
                            qsizetype maxPoints = MaxCommonArgPoints);

// The distinct numbers n of Y(n), X(n) and XREL(n) in an upper-cased formula, in order of appearance;
// a reference preceded by a letter is part of another name.
QList<int> GraphReferences(const QString& formula);

// The graph named by every formula of an input line through exactly one Y(n): that of the first; none
// when a formula names none or several, or the line cannot be expanded.
std::optional<int> CurrentGraphOf(const QString& line);

// The graph tree's text of graph n: "y(n): name".
QString GraphNodeText(int n, const QString& name);

} // namespace calcmath

// The input history: formulas in the order they were calculated, one of them selected (or none).
class TInputHistory {
public:
    const QStringList& Items() const { return FItems; }
    int Selected() const { return FSelected; }
    void Select(int index) { FSelected = index >= 0 && index < FItems.size() ? index : -1; }
    // Appends and selects the formula, unless duplicates are not kept and the last one holds it.
    void Record(const QString& formula, bool saveDuplicates);
    // Up and Down: the selected formula, or the one before (after) it when the input already holds the
    // selected one; none at the ends.
    std::optional<QString> Previous(const QString& input);
    std::optional<QString> Next(const QString& input);

private:
    QStringList FItems;
    int FSelected = -1;
};

// What a calculation left for the window.
struct TCalcOutcome {
    bool Succeeded = false;          // every formula went through
    std::optional<QString> NewInput; // the numbers the input line now shows (selected)
    bool CloseWindow = false;        // only graphs came out and the window closes after calculating
};

class TCalcMath {
public:
    TCalcMath();
    ~TCalcMath();
    TCalcMath(const TCalcMath&) = delete;
    TCalcMath& operator=(const TCalcMath&) = delete;

    // ---- Settings; every setter tells the window (OnSettingsChanged) ----
    int InterpType() const { return FInterpType; }
    int ExtrapType() const { return FExtrapType; }
    int DefDiffType() const { return FDefDiffType; }
    bool IgnoreErrors() const { return FIgnoreErrors; }
    bool CloseWindowAfterCalc() const { return FCloseWindowAfterCalc; }
    bool StayOnTop() const { return FStayOnTop; }
    void SetInterpType(int v);
    void SetExtrapType(int v);
    void SetDefDiffType(int v);
    void SetIgnoreErrors(bool v);
    void SetCloseWindowAfterCalc(bool v);
    void SetStayOnTop(bool v);
    bool SaveDuplicates = false;
    int BracketsUnderPeriod = 1000; // ms the bracket-span underline stays
    int BracketsRectPeriod = 500;   // ms the frame around a typed bracket pair stays
    float SavePeriod = 90;          // kept for the settings, not used by the calculator

    // ---- Registered windows and their graphs ----
    // Registers a window (nothing for none; a registered one only gets the new value) and listens to
    // its graph list, graph styles and destruction.
    void AddWindow(TSuperGrWindow* window, int32_t value);
    // Stops listening to every window and forgets them.
    void RemoveAllWindows();

    struct TWindowEntry {
        TSuperGrWindow* Window;
        int32_t Value;
        QString Title; // caption, top caption, bottom caption or a name by its ordinal
    };
    struct TGraphEntry {
        int Window; // index among the windows
        int32_t Id;
        QString Name;
        TColor Color;
    };
    const QList<TWindowEntry>& Windows() const { return FWindowEntries; }
    // Graph n of formulas is Graphs()[n].
    const QList<TGraphEntry>& Graphs() const { return FGraphs; }

    // The selected node of the graph tree: a window alone, or a window and one of its graph numbers.
    int SelectedWindow = -1;
    int SelectedGraph = -1;
    void SelectGraph(int n);

    // ---- Where results go ----
    // Overwrite targets: the current graph (when the input names one) and then every graph.
    static constexpr int CurrentGraphTarget = -1;
    static constexpr int NoTarget = -2;
    struct TTarget {
        int Graph; // CurrentGraphTarget or a graph number
        QString Text;
        TColor Color;
        int WindowOrdinal; // 1-based, 0 with a single window
    };
    QList<TTarget> OverwriteTargets() const;
    bool Overwrite = false;
    int OverwriteTarget = NoTarget;
    QString NewGraphName;
    std::optional<int> CurrentGraph() const { return FCurrentGraph; }
    // Re-examines the input line for its current graph.
    void InputChanged(const QString& line);

    // ---- The common argument ----
    bool UseCommonArg = false;
    QString ArgStart = QStringLiteral("0");
    QString ArgEnd = QStringLiteral("10");
    QString ArgStep = QStringLiteral("0.01");

    TInputHistory History;

    // Calculates an input line; every failure is shown through OnMessage and stops it.
    TCalcOutcome Calculate(const QString& line);

    // Asked between evaluation steps; true stops the calculation without a message.
    std::function<bool()> Cancelled;

    std::function<void()> OnGraphsChanged;   // windows or graphs changed (and so the targets)
    std::function<void()> OnTargetsChanged;  // the input's current graph changed
    std::function<void()> OnSettingsChanged; // a setting changed
    std::function<void(const QString&)> OnMessage;

private:
    struct TRegistration {
        TSuperGrWindow* Window;
        int32_t Value;
        std::vector<TEventConnection> Connections;
    };
    struct TGraphRef {
        TSuperGrWindow* Window;
        int32_t Id;
    };
    void Rebuild();
    // True when the input's current graph is another one now.
    bool UpdateCurrentGraph();
    void WindowDestroyed(TComponent* sender);
    void Message(const QString& text);
    void SettingChanged();
    mathfuncs::TEvalSettings EvalSettings() const;
    TMFDataArr GraphTable(const QString& formula, const QList<TGraphRef>& numbering) const;
    std::optional<Extended> IntervalValue(const QString& text, const QList<TGraphRef>& numbering) const;
    bool BuildCommonArgument(const QList<TGraphRef>& numbering, TDoubleArray& arg);

    int FInterpType = 2, FExtrapType = 1, FDefDiffType = 1;
    bool FIgnoreErrors = true, FCloseWindowAfterCalc = true, FStayOnTop = false;
    std::vector<TRegistration> FRegistrations;
    QList<TWindowEntry> FWindowEntries;
    QList<TGraphEntry> FGraphs;
    QList<TGraphRef> FGraphRefs;
    QString FInput;
    std::optional<int> FCurrentGraph;
};
