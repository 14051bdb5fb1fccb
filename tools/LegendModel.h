// The legend dialog without widgets: the position, offset, column and font rules, the graph table's
// column widths and the selection buttons. Every change goes through the window's or the graph's
// setters, so each is one undo step (or one group where several values change together).
#pragma once

#include "model/Font.h"

#include <QString>

class TSuperGrWindow;

namespace legend {

inline constexpr int MaxOffset = 5000;
inline constexpr int MinBorderWidth = 1, MaxBorderWidth = 8;

enum class TSelection { All, None, Invert, Odd, Even, FirstHalf, SecondHalf };

// A position from the 3 × 3 block (0 … 8 row by row from the top left): both offsets become 0 and
// the position is set, in one undo step.
void ChoosePosition(TSuperGrWindow& window, int position);

// The offset as its box shows it: the vertical box shows −LegendOffsetY, so that a larger number
// moves the legend up.
int ShownOffset(const TSuperGrWindow& window, bool vertical);
// Stores the offset a box's text asks for; false, storing nothing, while the text is no integer in
// −MaxOffset … MaxOffset (a lone "-", an empty box, a partial number).
bool ApplyOffsetText(TSuperGrWindow& window, bool vertical, const QString& text);

// Whether graphs exist and none of the visible ones is listed in the legend.
bool ListsNoVisibleGraph(const TSuperGrWindow& window);

// The highest column count: one column per graph, and at least one.
int MaxColumns(const TSuperGrWindow& window);
// Stores the column count; false, storing nothing, outside 1 … MaxColumns.
bool SetColumns(TSuperGrWindow& window, int columns);

// The font chosen in the font chooser; its colour becomes the legend's text colour when it differs.
void ApplyFont(TSuperGrWindow& window, const TFontRec& font, TColor color);

// Sets InLegend of every graph by the rule of a selection button, in one undo step, repainting once.
void Select(TSuperGrWindow& window, TSelection selection);
// Whether a selection rule lists the graph with this list index among count graphs.
bool Selected(TSelection selection, int index, int count, bool inLegendNow);

// The graph table's column widths for its client size, row height, row count (with the header row)
// and the width of a vertical scroll bar, shown when the rows do not fit.
struct TColumnWidths {
    int Check, Name, Text;
};
TColumnWidths ColumnWidths(int tableWidth, int tableHeight, int rowHeight, int rows, int scrollBarWidth);

} // namespace legend
