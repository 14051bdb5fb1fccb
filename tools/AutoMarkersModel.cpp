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

void TAutoMarkersModel::ApplyToWindow(TSuperGrWindow& window) const {
    const TUndoGroupScope oneStep(window);
    ApplyMarkerStyle(window, Style, TextSource);
    window.PlaceMarkersOnAll(Amount(), ByCount, VisibleOnly, int(Placement));
}

void TAutoMarkersModel::ApplyToGraph(TGraph& graph) const {
    graph.PlaceMarkers(Amount(), ByCount, VisibleOnly, int(Placement));
}
