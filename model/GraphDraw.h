// A graph draws itself: pass 0 its axes (ticks, labels, grid, zero lines, designations), pass 1 its
// curve (polyline or points, nodes, markers, axis notches and markers).
#pragma once

#include "model/ColorScheme.h"
#include "model/DrawAdapter.h"
#include "model/Graph.h"

#include <QFont>
#include <QList>

// A pen the owner prepares for one paint: colour, width in pixels and a dash pattern in pixels
// (empty: solid).
struct TPenSpec {
    TColor Color = 0;
    int Width = 1;
    QList<int> Pattern;
    void Apply(TDrawAdapter& dc) const;
};

// Dash pattern of the line styles 1..4 in pixels: s = output scale, k = length factor, d = the added
// length of wide pens; every entry rounded and at least 3. Empty for other styles.
QList<int> DashPattern(int style, Extended s, Extended k, Extended d);

// What the owner supplies to the graphs' drawing in one paint (scaled to the output).
struct TGraphDrawContext {
    TRect Plot;
    Extended OutputScale = 1;
    int GridSizeX = 50, GridSizeY = 50; // wanted tick distances in pixels, already scaled
    int Unit = 1;                       // u: half the side of a node square
    int FrameWidth = 1;                 // f
    int TickLength = 4;                 // t
    int XBand = 0, XBandDate = 0, YBand = 0;
    // Offsets of the separate axes below the plot (X) and left of it (Y), by slot.
    QList<int> XSlotOffsets, YSlotOffsets;
    int XAxisCount = 1, YAxisCount = 1;
    QFont AxisFont;        // labels and marker texts; the vertical Y labels use it upwards
    QFont DesignationFont; // textual designations
    TPenSpec AxisPen, GridPen, SubGridPen;
    TPenSpec TickPen; // the frame's pen: brackets of separate axes draw in ActiveBorder instead
    int SubGridDividerX = 1, SubGridDividerY = 1;
    bool ShowXAxisLabels = true, ShowYAxisLabels = true, ShowTicks = false, ShowGrid = false;
    bool ShowAxisMarkers = true, ShowAxisNotches = true, VerticalYFont = false;
    bool MultiXAxis = false, MultiYAxis = false, CombineXAxis = true, CombineYAxis = true;
    TToolMode ToolMode = tmNothing;
    // The scheme is the owner's own, or the owner gives graphs their own colours (palette).
    bool GraphOwnColors = true;
    int GraphCount = 0;

    // Per-pass state, reset by BeginPass: graphs still to draw per slot, notch counters, and
    // whether a slot's axis marker is drawn.
    QList<int> XSlotRemaining, YSlotRemaining;
    QList<int> XNotches, YNotches;
    QList<bool> XMarked, YMarked;

    // Resets the per-pass state for the owner's graphs.
    void BeginPass(const TGraphOwner& owner);

    int XSlotOffset(int slot) const;
    int YSlotOffset(int slot) const;
};

// Draws one pass of one graph; `index` is the graph's position in its owner's list (for the
// per-graph colours of export schemes).
void DrawGraph(TGraph& graph, int index, TDrawAdapter& dc, const TColorScheme& scheme, int pass,
               TGraphDrawContext& ctx);

// The tick variant of the graph's X axis for the wanted distance of n pixels.
TTickVariant XTickVariant(TGraph& graph, int n);

// Lays out the designations of both axes (their Width, Height and Bounds) as the axes pass does.
void LayoutDesignations(TGraph& graph, TDrawAdapter& dc, const TGraphDrawContext& ctx);

// The colour of a graph that is not selected while nodes are edited: derived from the background.
TColor FadedColor(TColor background);

struct TMarkerGlyphStyle {
    TColor PenColor = 0;
    int PenWidth = 1;
    TColor Fill = 0;
    TColor Hollow = 0xFFFFFF;
    TColor TextColor = 0;
    QFont Font;
    Extended Scale = 1;
};

// Marker glyph 0 (the text) and 1..13 centred on (x, y); other numbers draw nothing.
void DrawMarkerGlyph(TDrawAdapter& dc, int x, int y, int glyph, const QString& text,
                     const TMarkerGlyphStyle& style);
