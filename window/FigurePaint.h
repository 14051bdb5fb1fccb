// One painting routine for the whole figure: the screen, bitmaps, SVG, PDF, metafiles and the printer
// all go through it with their own target rectangle, output scale and colour scheme.
#pragma once

#include "model/GraphDraw.h"
#include "window/SuperGrWindow.h"

#include <QPainter>

class TDrawAdapter;

// Paints the figure into the target rectangle. scheme: the colours to use (the window's own when null).
void PaintFigure(TSuperGrWindow& window, QPainter& painter, const TRect& target,
                 const TColorStruct* scheme = nullptr);

// Which picture scheme an export uses: 0 as is, 1 white background, 2 darkened, 3 black and white.
// The legend's top left corner for its position number (0..8: left, centre, right in the top, middle
// and bottom rows) before the user's offsets.
TPoint LegendAnchor(const TRect& plot, uint8_t position, int width, int height, int margin);

void MakeExportScheme(const TSuperGrWindow& window, int schemeNumber, TColorStruct& scheme);

// What the graphs' drawing takes from the window for one paint in the scheme: its current layout,
// settings and fonts at its output scale.
TGraphDrawContext GraphDrawContext(const TSuperGrWindow& window, const TColorScheme& scheme);
