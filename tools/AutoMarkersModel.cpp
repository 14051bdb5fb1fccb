#include "tools/AutoMarkersModel.h"

#include "model/Graph.h"
#include "model/GraphOwner.h"
#include "window/SuperGrWindow.h"

#include <algorithm>

namespace {
// The numbered symbols the symbolic style hands out, one per graph; later graphs show their layer.
constexpr int SymbolCount = 12;
} // namespace

void ApplyMarkerStyle(TSuperGrWindow& window, TMarkerStyle style, TMarkerTextSource source) {
    if (style == TMarkerStyle::Current) return;
    const TUndoGroupScope oneStep(window);
    for (int i = 0; i < window.GraphCount(); ++i) {
        TGraph* g = window.GraphByIndex(i);
        if (style == TMarkerStyle::Symbolic && i < SymbolCount) {
            g->SetMarkerSymbol(uint8_t(i + 1));
            continue;
        }
        g->SetMarkerSymbol(0);
        if (style == TMarkerStyle::Symbolic || source == TMarkerTextSource::Layer)
            g->SetMarkerText(QString::number(g->Layer()));
        else if (source == TMarkerTextSource::Name)
            g->SetMarkerText(g->Name());
    }
}

TPoint AutoMarkersDialogPosition(TPoint mouse, int width, int height, const TRect& desktop,
                                 bool forOneGraph) {
    TPoint corner = forOneGraph ? TPoint{mouse.X - 48, mouse.Y + 16 - height} : mouse;
    corner.X = std::max(desktop.Left, std::min(corner.X, desktop.Right - width));
    corner.Y = std::max(desktop.Top, std::min(corner.Y, desktop.Bottom - height));
    return corner;
}

void TAutoMarkersModel::PrepareForWindow(const TSuperGrWindow& window) {
    Style = window.SymbolicMarker ? TMarkerStyle::Symbolic : TMarkerStyle::Text;
    TextSource = TMarkerTextSource::AsIs;
}

void TAutoMarkersModel::ChooseTextSource(TMarkerTextSource source) {
    TextSource = source;
    Style = TMarkerStyle::Text;
}

int TAutoMarkersModel::Amount() const {
    bool ok = false;
    const int value = (ByCount ? CountText : IntervalText).trimmed().toInt(&ok);
    return ok ? value : ByCount ? DefaultCount : DefaultInterval;
}

bool TAutoMarkersModel::Plan(const QList<TGraph*>& graphs, const TJobRun& run, QList<TMarkerArray>& markers,
                             QList<bool>& placed) const {
    QList<TGraph::TMarkerSource> sources;
    int64_t nodes = 0, work = 0;
    for (TGraph* g : graphs) {
        sources.append(g->MarkerSource(VisibleOnly));
        nodes += g->NodeCount();
        work += sources.last().WorkSize();
    }
    markers = QList<TMarkerArray>(graphs.size());
    placed = QList<bool>(graphs.size(), false);
    bool planned = false;
    const TJobWork plan = [&](TJobProgress& progress) {
        progress.SetTotal(work);
        for (qsizetype i = 0; i < sources.size(); ++i)
            placed[i] =
                TGraph::PlanMarkers(sources[i], Amount(), ByCount, int(Placement), markers[i], &progress);
        planned = !progress.Cancelled();
    };
    const QString text = QStringLiteral("Расстановка маркеров…");
    return (nodes < JobNodes ? RunJobInline(text, plan) : run(text, plan)) && planned;
}

bool TAutoMarkersModel::ApplyToWindow(TSuperGrWindow& window, const TJobRun& run) const {
    QList<TGraph*> graphs;
    for (int i = 0; i < window.GraphCount(); ++i)
        if (window.GraphByIndex(i)->Visible()) graphs.append(window.GraphByIndex(i));
    QList<TMarkerArray> markers;
    QList<bool> placed;
    if (!Plan(graphs, run, markers, placed)) return false;
    {
        const TUndoGroupScope oneStep(window);
        ApplyMarkerStyle(window, Style, TextSource);
        for (qsizetype i = 0; i < graphs.size(); ++i)
            if (placed[i]) graphs[i]->AddMarkers(markers[i]);
    }
    window.Repaint();
    return true;
}

bool TAutoMarkersModel::ApplyToGraph(TGraph& graph, const TJobRun& run) const {
    QList<TMarkerArray> markers;
    QList<bool> placed;
    if (!Plan({&graph}, run, markers, placed)) return false;
    if (placed[0]) graph.AddMarkers(markers[0]);
    return true;
}
