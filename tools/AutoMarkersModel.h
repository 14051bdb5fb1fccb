// The automatic-markers dialog without widgets: placement kind, amount, the visible-part choice and
// the marker style applied to every graph before placing.
#pragma once

#include "model/BackgroundJob.h"
#include "model/ost2_Types.h"

#include <QString>

class TGraph;
class TSuperGrWindow;

enum class TMarkerPlacement { AlongX = 0, AlongY = 1, AlongLength = 2, AtNodes = 3 };
enum class TMarkerStyle { Current, Symbolic, Text };
enum class TMarkerTextSource { AsIs, Name, Layer };

// Sets the marker style of every graph, in graph order, in one undo step.
void ApplyMarkerStyle(TSuperGrWindow& window, TMarkerStyle style, TMarkerTextSource source);

// Where the dialog of the given size opens for a mouse position: its top-left corner at the mouse,
// or for one graph 48 pixels to the left with its bottom 16 pixels below; always fully on the desktop.
TPoint AutoMarkersDialogPosition(TPoint mouse, int width, int height, const TRect& desktop, bool forOneGraph);

class TAutoMarkersModel {
public:
    static constexpr int DefaultCount = 10, DefaultInterval = 50;
    TMarkerPlacement Placement = TMarkerPlacement::AlongLength;
    bool ByCount = true;
    QString CountText = QString::number(DefaultCount);
    QString IntervalText = QString::number(DefaultInterval);
    bool VisibleOnly = true;
    TMarkerStyle Style = TMarkerStyle::Symbolic;
    TMarkerTextSource TextSource = TMarkerTextSource::AsIs;

    // Opening from the main command: the style follows the window's marker preference.
    void PrepareForWindow(const TSuperGrWindow& window);
    // Choosing a text source chooses the text style too.
    void ChooseTextSource(TMarkerTextSource source);
    // The count or the interval; a text that is no integer counts as the default.
    int Amount() const;
    // Sets the style of every graph and places markers on every visible graph, in one undo step.
    // Graphs of JobNodes nodes or more in all are worked out as a job through run, with its progress
    // and cancel; false, and nothing changed, when the job was cancelled or failed.
    static constexpr int64_t JobNodes = 1 << 20;
    bool ApplyToWindow(TSuperGrWindow& window, const TJobRun& run = RunJobInline) const;
    // Places markers on one graph; the style is left as it is.
    bool ApplyToGraph(TGraph& graph, const TJobRun& run = RunJobInline) const;

private:
    // The markers of each graph worked out, inline or as a job; false when cancelled or failed.
    bool Plan(const QList<TGraph*>& graphs, const TJobRun& run, QList<TMarkerArray>& markers,
              QList<bool>& placed) const;
};
