// A graph laid out in a plot as painting would lay it out, for polyline tests and benchmarks.
#pragma once

#include "window/SuperGrWindow.h"

namespace testutil {
// Fits the graph to the plot with the origin at the plot's centre, zooms and shifts it, and sets the
// visible data range to the plot's edges.
inline void ShowInPlot(TSuperGrWindow& window, TGraph& graph, const TRect& plot, Extended zoomX,
                       Extended zoomY, Extended shiftX = 0, Extended shiftY = 0) {
    window.PlotRect = plot;
    window.OriginX = (plot.Left + plot.Right) / 2;
    window.OriginY = (plot.Top + plot.Bottom) / 2;
    graph.Fit(plot);
    graph.SetZoomX(zoomX);
    graph.SetZoomY(zoomY);
    graph.Mapping.ShiftX = shiftX;
    graph.Mapping.ShiftY = shiftY;
    graph.Cache.VisXMin = graph.PlotLeftData();
    graph.Cache.VisXMax = graph.PlotRightData();
    graph.Cache.VisYMin = graph.PlotBottomData();
    graph.Cache.VisYMax = graph.PlotTopData();
}
} // namespace testutil
