// The logic of the filtration dialog without widgets: the filter types and their parameters, the
// design of a recursive filter with its amplitude and phase response in a small preview window, and
// the filtering of the target window's graphs in one undo group. The dialog shows the fields of this
// model, forwards every change to it and shows its messages.
#pragma once

#include "model/BackgroundJob.h"
#include "model/ost2_Types.h"
#include "window/SuperGrWindow.h"

#include <QString>
#include <QStringList>

#include <functional>

// The data steps of filtering one graph, on plain arrays.
namespace filtration {

// Coefficients typed as numbers separated by blanks, with the point as decimal separator. False
// when a piece is not a number.
bool ParseCoefficients(const QString& text, TDoubleArray& values);

// The response of a recursive filter at ω = 0, π/1000, … (by repeated addition while ω ≤ π), with
// z = e^{jω}: H = Σ Num[i]·z^{−(L−i)} / Σ Den[i]·z^{−(LD−i)}. Freq[k] = ω·sampleRate/π (twice the
// frequency in Hz), Amp[k] = |H|, Phase[k] = −arg H in degrees (kept at its previous value where H is
// not a number). Each array gets ResponsePoints entries; entries the steps do not reach keep theirs.
inline constexpr int ResponsePoints = 1001;
struct TResponse {
    TDoubleArray Freq, Amp, Phase;
};
void ComputeResponse(const TDoubleArray& den, const TDoubleArray& num, Extended sampleRate, TResponse& r);

// The phase of the first count entries made continuous: a jump of 270° or more between neighbours
// counts as a turn.
TDoubleArray UnwrapPhase(const TDoubleArray& phase, qsizetype count);

// The nodes of a graph whose argument increases strictly: node 0 and every later node whose X is above
// the last kept one (real values, not logarithms).
void KeptNodes(const TGraph& graph, TDoubleArray& x, TDoubleArray& y);
// The same of the nodes xs, ys.
void KeptNodes(const TDoubleArray& xs, const TDoubleArray& ys, TDoubleArray& x, TDoubleArray& y,
               TJobProgress* progress = nullptr);

// The recursive filter applied to kept nodes: reflected at both ends by extension nodes
// (round(sampleRate / 2 / cutoff), at most N − 2), interpolated linearly onto the grid of step
// 1 / sampleRate from the first extended argument, filtered, and the grid points within [X0, Xn] taken.
// False when the grid would hold more than maxGridPoints points (or its size is not a number), or
// when progress was cancelled.
bool RecursiveResult(const TDoubleArray& x, const TDoubleArray& y, const TDoubleArray& den,
                     const TDoubleArray& num, Extended sampleRate, Extended cutoff, bool zeroPhase,
                     qsizetype maxGridPoints, TDoubleArray& rx, TDoubleArray& ry,
                     TJobProgress* progress = nullptr);
inline constexpr qsizetype MaxGridPoints = 50'000'000;

// The mean over the open argument interval of width w around each node, the data reflected at both
// ends; integrate: the mean of the polyline, else of the node values. shift: the result moves by w / 2
// (or by the whole range when w / 2 covers it). A cancelled progress leaves the result unfinished.
void MovingAverage(const TDoubleArray& x, const TDoubleArray& y, Extended w, bool integrate, bool shift,
                   TDoubleArray& rx, TDoubleArray& ry, TJobProgress* progress = nullptr);

// The result interpolated linearly at the source arguments xs (extended past its ends by its first or
// last interval). A result of one point gives its value everywhere; none (or a cancelled progress)
// gives nothing.
TDoubleArray AtSourceNodes(const TDoubleArray& rx, const TDoubleArray& ry, const TDoubleArray& xs,
                           TJobProgress* progress = nullptr);

// A field's number: blanks around it allowed, the point as decimal separator; false for anything else.
bool ReadNumber(const QString& text, Extended& value);
// A field's whole number (32 bits); false for anything else.
bool ReadInteger(const QString& text, int& value);

// The read-out of a preview value: fixed, 6 decimals.
QString FormatReadOut(Extended value);

} // namespace filtration

// Messages of the model; the dialog shows them in message boxes, tests record them.
struct TFiltrationAsker {
    virtual ~TFiltrationAsker() = default;
    virtual void ShowMessage(const QString& text) = 0;
};

enum TFilterType : int { ftButterworth, ftChebyshev, ftMovingAverage, ftSavitzkyGolay, ftUserDefined };
enum TFilterScope : int { fsAllGraphs, fsSelectedGraphs, fsOneGraph };
// The parameter panel a filter type shows.
enum TFilterPanel : int { fpDesign, fpUserDefined, fpMovingAverage, fpSavitzkyGolay };

// What the controls show for one filter type.
struct TFilterTypeControls {
    TFilterPanel Panel;
    bool RippleEnabled;
    bool KeepsRippleState;   // the ripple controls keep whatever state they had
    bool RealizationEnabled; // "Реализация фильтра" and "вывести результат только в узлах ..."
    bool ComputeEnabled;     // "Рассчитать фильтр"
    bool ApplyEnabled;       // "Применить" right after choosing the type
};

// An entry of the output and graph lists: a text and the graph it carries (−1 for none).
struct TGraphItem {
    QString Text;
    int32_t GraphID = -1;
};

class TFiltrationModel {
public:
    explicit TFiltrationModel(TFiltrationAsker& asker);
    TFiltrationModel(const TFiltrationModel&) = delete;
    TFiltrationModel& operator=(const TFiltrationModel&) = delete;

    // ---- Texts ----
    static QString Caption();
    static QStringList FilterTypeItems();
    static QStringList RealizationItems();
    static QStringList AveragingItems();
    static TFilterTypeControls ControlsFor(int filterType);
    static constexpr int MinOrder = 2, MaxOrder = 14, OrderStep = 2;
    static constexpr Extended MaxRipple = 29;

    // ---- The target window (set before every opening) ----
    // Called before the dialog shows: keeps "Применить" off for the designed types until a filter is
    // computed, clears the preview and refills both graph lists.
    void Open(TSuperGrWindow& target);
    TSuperGrWindow* Target() const { return target_; }

    // ---- Fields; each setter does what a change of its control does ----
    const QString& SampleRateText() const { return sampleRateText_; }
    void SetSampleRateText(const QString& text);
    int FilterType() const { return filterType_; }
    void SetFilterType(int type);
    int Order() const { return order_; }
    void SetOrder(int order);
    const QString& CutoffText() const { return cutoffText_; }
    void SetCutoffText(const QString& text);
    const QString& RippleText() const { return rippleText_; }
    // A number above 29 becomes "29", below 0 "0"; the text kept is returned for the field.
    QString SetRippleText(const QString& text);
    bool HighPass() const { return highPass_; }
    void SetHighPass(bool on);
    const QString& NumeratorText() const { return numeratorText_; }
    void SetNumeratorText(const QString& text);
    const QString& DenominatorText() const { return denominatorText_; }
    void SetDenominatorText(const QString& text);

    // Without handlers of their own: read when applying.
    QString IntervalText = QStringLiteral("1");
    int AveragingKind = 1; // 0 "Суммирование", 1 "Интегрирование"
    QString WindowText = QStringLiteral("1");
    QString SmoothingOrderText = QStringLiteral("1");
    int Realization = 1; // 0 "Прямая", 1 "С нулевым фазовым сдвигом"
    bool OnlySourceNodes = false;
    bool CloseAfterApply = false;

    int Scope() const { return scope_; }
    // Refills the output list for the new choice.
    void SetScope(int scope);
    const QList<TGraphItem>& OutputItems() const { return outputItems_; }
    int OutputIndex = 0;
    const QList<TGraphItem>& GraphItems() const { return graphItems_; }
    int GraphIndex = -1; // the entry of GraphItems for "к графику"

    // ---- States of the controls ----
    bool ApplyEnabled() const { return applyEnabled_; }
    bool StatisticsEnabled() const { return target_ && target_->GraphCount() > 0; }

    // ---- Computing and applying ----
    // "Рассчитать фильтр": reads the design fields, designs (or parses) the filter, computes and plots
    // its response and enables "Применить". False, with a message, when a field is refused.
    bool ComputeFilter();
    // "Применить": filters the chosen graphs of the target window in one undo group. True when the
    // dialog is to close afterwards. Graphs of JobNodes nodes or more in all are filtered as a job
    // through RunJob, with its progress and cancel; a cancelled job changes nothing.
    bool Apply();
    static constexpr int64_t JobNodes = 1 << 20;
    TJobRun RunJob = RunJobInline;

    const TDoubleArray& Num() const { return num_; }
    const TDoubleArray& Den() const { return den_; }
    const filtration::TResponse& Response() const { return response_; }

    // ---- The response preview ----
    TSuperGrWindow& Preview() { return preview_; }
    // The read-out under the mouse ("f =", "A =", "φ =" values), kept up to date by the preview's
    // OnNewCoords; OnReadOut tells the dialog.
    struct TReadOut {
        // Empty until the mouse is over a computed response: no made-up figures.
        QString Frequency, Amplitude, Phase;
    };
    const TReadOut& ReadOut() const { return readOut_; }
    std::function<void()> OnReadOut;

private:
    // A design field changed: the filter is stale.
    void Invalidate();
    void ClearPreview();
    void PlotResponse();
    void FillOutputList();
    void FillGraphList();
    void ConfigurePreview();
    void UpdateReadOut(int x, int y);
    // The nodes xs, ys filtered by the current type into rx, ry; a stop ends the application with
    // its message. Runs on the job's thread: it reads only the fields.
    enum class TGraphOutcome { Done, Skipped, StopBadNumber, StopSmoothing, StopGrid, StopNonFinite };
    TGraphOutcome FilterGraph(const TDoubleArray& xs, const TDoubleArray& ys, Extended interval,
                              TDoubleArray& rx, TDoubleArray& ry, TJobProgress* progress) const;
    QString StopMessage(TGraphOutcome outcome, const TGraph& g) const;
    void Store(TGraph& g, const TDoubleArray& rx, const TDoubleArray& ry);

    TFiltrationAsker& asker_;
    TSuperGrWindow* target_ = nullptr;
    TSuperGrWindow preview_;

    QString sampleRateText_ = QStringLiteral("1");
    int filterType_ = ftButterworth;
    int order_ = 2;
    QString cutoffText_ = QStringLiteral("0.2");
    QString rippleText_ = QStringLiteral("0.01");
    bool highPass_ = false;
    QString numeratorText_ = QStringLiteral("0.03125");
    QString denominatorText_ = QStringLiteral("1 0.96875 -0.78125");
    int scope_ = fsOneGraph;
    QList<TGraphItem> outputItems_;
    QList<TGraphItem> graphItems_;
    bool applyEnabled_ = false;

    // The last computation.
    Extended sampleRate_ = 100;
    Extended cutoff_ = 1;
    TDoubleArray num_, den_;
    filtration::TResponse response_;

    TReadOut readOut_;
};
