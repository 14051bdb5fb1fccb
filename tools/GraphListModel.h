// The list of all graphs' properties without widgets: one row per graph (held by the graph's ID),
// the row selection with its menus, and the changes a row makes, passed on to every selected row.
#pragma once

#include "tools/GraphPropertiesModel.h"
#include "window/SuperGrWindow.h"

#include <QList>
#include <array>
#include <optional>

// The check-box columns, left to right, each showing one declared property.
inline constexpr std::array<const TGraphProperty<bool>*, 4> GraphListBoxColumns = {
    &TGraphProperties::Selected, &TGraphProperties::Visible, &TGraphProperties::MarkersVisible,
    &TGraphProperties::ShowNodes};

// The row selection menu.
enum class TRowChoice { All, Clear, Invert, Odd, Even, FirstHalf, SecondHalf };
// The menu above a check-box column.
enum class TBoxChoice { All, Clear, Invert };
// Whom a row's change reaches when the row is selected: the row's graph alone, every selected
// row's graph in one undo step, or every selected row's graph one undo step each.
enum class TPassOn { RowOnly, Grouped, StepByStep };

// An entry of the marker menu: a symbol 1 … 13, or 0 with what becomes of the marker text.
struct TMarkerChoice {
    enum TText { AsIs, Name, Layer, Automatic };
    int Symbol = 0;
    TText Text = AsIs;
};

// The shade of a row colour: lighter colours a little darker, darker ones lighter.
TColor RowShade(TColor color);

class TGraphListModel {
public:
    explicit TGraphListModel(TSuperGrWindow& window) : window_(window) {}

    // One row per graph in list order, none selected, the range anchor on the first row.
    void Rebuild();
    // After the window's graph list changed: rebuilds when the graphs are no longer the rows' (the
    // rows of graphs that stay keep their selection). True when the rows changed.
    bool Follow();
    int RowCount() const { return int(ids_.size()); }
    // The row's graph; null for a row out of range or a graph deleted meanwhile.
    TGraph* Graph(int row) const;
    bool RowSelected(int row) const { return row >= 0 && row < RowCount() && selected_[row]; }
    int Anchor() const { return anchor_; }

    // A click on a row's state picture: plain selects the row alone, Ctrl toggles it, Shift selects
    // the range from the anchor.
    void ClickRow(int row, bool ctrl, bool shift);
    void ChooseRows(TRowChoice choice);

    // A row's change: with the row selected, it reaches every selected row as `passOn` says.
    template <typename T> void Set(int row, const TGraphProperty<T>& p, const T& v, TPassOn passOn) {
        const QList<TGraph*> graphs = Reached(row, passOn);
        if (graphs.isEmpty()) return;
        std::optional<TUndoGroupScope> oneStep;
        if (passOn == TPassOn::Grouped) oneStep.emplace(window_);
        for (TGraph* g : graphs)
            StoreProperty(*g, p, v);
    }
    // A check box of a row (column: index into GraphListBoxColumns).
    void SetBox(int row, int column, bool on) {
        Set(row, *GraphListBoxColumns[column], on, TPassOn::Grouped);
    }
    // The column's menu: every row's box gets its new value once, in one undo step.
    void ChooseBoxes(int column, TBoxChoice choice);
    void SetLayer(int row, int layer);
    void SetMarker(int row, TMarkerChoice choice);

    // The graphs a row's change reaches.
    QList<TGraph*> Reached(int row, TPassOn passOn) const;

    // The header pictures: every graph at once, in one undo step.
    template <typename T> void SetAll(const TGraphProperty<T>& p, const T& v) {
        const TUndoGroupScope oneStep(window_);
        for (int row = 0; row < RowCount(); ++row)
            if (TGraph* g = Graph(row)) StoreProperty(*g, p, v);
    }
    void SetAllMarkers(TMarkerChoice choice);
    // "Восстановить слои": graph i in layer i.
    void RestoreLayers();

private:
    void ApplyMarker(TGraph& g, TMarkerChoice choice);

    TSuperGrWindow& window_;
    QList<int32_t> ids_;
    QList<bool> selected_;
    int anchor_ = 0;
};
