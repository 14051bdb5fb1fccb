#include "tools/LegendModel.h"

#include "model/Graph.h"
#include "window/SuperGrWindow.h"

#include <algorithm>
#include <cmath>

namespace legend {

void ChoosePosition(TSuperGrWindow& window, int position) {
    if (position < 0 || position > 8) return;
    TUndoGroupScope group(window);
    window.SetLegendOffsetX(0);
    window.SetLegendOffsetY(0);
    window.SetLegendPosition(uint8_t(position));
}

int ShownOffset(const TSuperGrWindow& window, bool vertical) {
    return vertical ? -window.LegendOffsetY() : window.LegendOffsetX();
}

bool ApplyOffsetText(TSuperGrWindow& window, bool vertical, const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < -MaxOffset || value > MaxOffset) return false;
    if (vertical)
        window.SetLegendOffsetY(-value);
    else
        window.SetLegendOffsetX(value);
    return true;
}

bool ListsNoVisibleGraph(const TSuperGrWindow& window) {
    if (window.GraphCount() == 0) return false;
    for (int i = 0; i < window.GraphCount(); ++i) {
        const TGraph* graph = window.GraphByIndex(i);
        if (graph->Visible() && graph->InLegend()) return false;
    }
    return true;
}

int MaxColumns(const TSuperGrWindow& window) {
    return std::max(1, window.GraphCount());
}

bool SetColumns(TSuperGrWindow& window, int columns) {
    if (columns < 1 || columns > MaxColumns(window)) return false;
    window.SetLegendColumns(columns);
    return true;
}

void ApplyFont(TSuperGrWindow& window, const TFontRec& font, TColor color) {
    window.SetLegendFont(font);
    if (color != window.Colors.Get(TColorScheme::LegendText))
        window.Colors.Set(TColorScheme::LegendText, color);
}

bool Selected(TSelection selection, int index, int count, bool inLegendNow) {
    switch (selection) {
    case TSelection::All:
        return true;
    case TSelection::None:
        return false;
    case TSelection::Invert:
        return !inLegendNow;
    case TSelection::Odd:
        return index % 2 == 0; // the 1st, 3rd, … graphs
    case TSelection::Even:
        return index % 2 == 1;
    case TSelection::FirstHalf:
        return index < count / 2;
    case TSelection::SecondHalf:
        return index >= count / 2;
    }
    return inLegendNow;
}

void Select(TSuperGrWindow& window, TSelection selection) {
    const int count = window.GraphCount();
    {
        TUndoGroupScope group(window);
        const bool repaintWas = window.AllowRepaint;
        window.AllowRepaint = false;
        for (int i = 0; i < count; ++i) {
            TGraph* graph = window.GraphByIndex(i);
            graph->SetInLegend(Selected(selection, i, count, graph->InLegend()));
        }
        window.AllowRepaint = repaintWas;
    }
    window.Repaint();
}

TColumnWidths ColumnWidths(int tableWidth, int tableHeight, int rowHeight, int rows, int scrollBarWidth) {
    TColumnWidths widths{};
    widths.Check = 2 * rowHeight;
    int rest = tableWidth - widths.Check - 8;
    const bool fit = (rowHeight + 1) * rows + 2 < tableHeight;
    if (!fit) rest -= scrollBarWidth;
    rest = std::max(rest, 0);
    widths.Name = int(std::lround(0.4 * rest));
    widths.Text = int(std::lround(widths.Name * 0.6 / 0.4));
    return widths;
}

} // namespace legend
