#include "tools/GraphListModel.h"

#include <algorithm>

namespace {
using P = TGraphProperties;
// The automatic choice hands out symbols 1 … 12 by list index; later graphs show their layer.
constexpr int AutomaticSymbols = 12;
} // namespace

TColor RowShade(TColor color) {
    const int r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    const bool light = (r + g + b) / 3 > 128;
    const auto shade = [light](int c) { return light ? std::max(c - 12, 0) : std::min(c + 38, 255); };
    return TColor(shade(r) | shade(g) << 8 | shade(b) << 16);
}

void TGraphListModel::Rebuild() {
    ids_.clear();
    for (int i = 0; i < window_.GraphCount(); ++i)
        ids_.append(window_.GraphByIndex(i)->ID);
    selected_ = QList<bool>(ids_.size(), false);
    anchor_ = 0;
}

bool TGraphListModel::Follow() {
    QList<int32_t> ids;
    for (int i = 0; i < window_.GraphCount(); ++i)
        ids.append(window_.GraphByIndex(i)->ID);
    if (ids == ids_) return false;
    QList<bool> selected(ids.size(), false);
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const qsizetype old = ids_.indexOf(ids[i]);
        selected[i] = old >= 0 && selected_[old];
    }
    ids_ = ids;
    selected_ = selected;
    anchor_ = std::clamp(anchor_, 0, std::max(0, RowCount() - 1));
    return true;
}

TGraph* TGraphListModel::Graph(int row) const {
    return row >= 0 && row < RowCount() ? window_.GraphByID(ids_[row]) : nullptr;
}

void TGraphListModel::ClickRow(int row, bool ctrl, bool shift) {
    if (row < 0 || row >= RowCount()) return;
    if (ctrl) {
        selected_[row] = !selected_[row];
    } else {
        selected_.fill(false);
        const int first = shift ? std::min(anchor_, row) : row, last = shift ? std::max(anchor_, row) : row;
        for (int i = first; i <= last; ++i)
            selected_[i] = true;
    }
    anchor_ = row;
}

void TGraphListModel::ChooseRows(TRowChoice choice) {
    const int half = RowCount() / 2;
    for (int i = 0; i < RowCount(); ++i) {
        switch (choice) {
        case TRowChoice::All:
            selected_[i] = true;
            break;
        case TRowChoice::Clear:
            selected_[i] = false;
            break;
        case TRowChoice::Invert:
            selected_[i] = !selected_[i];
            break;
        case TRowChoice::Odd: // the 1st, 3rd, … rows
            selected_[i] = i % 2 == 0;
            break;
        case TRowChoice::Even:
            selected_[i] = i % 2 == 1;
            break;
        case TRowChoice::FirstHalf:
            selected_[i] = i < half;
            break;
        case TRowChoice::SecondHalf:
            selected_[i] = i >= half;
            break;
        }
    }
}

QList<TGraph*> TGraphListModel::Reached(int row, TPassOn passOn) const {
    QList<TGraph*> graphs;
    if (passOn == TPassOn::RowOnly || !RowSelected(row)) {
        if (TGraph* g = Graph(row)) graphs.append(g);
        return graphs;
    }
    for (int i = 0; i < RowCount(); ++i)
        if (TGraph* g = selected_[i] ? Graph(i) : nullptr) graphs.append(g);
    return graphs;
}

void TGraphListModel::ChooseBoxes(int column, TBoxChoice choice) {
    // Each box is set to its new value on its own: passing the value on to the selected rows while
    // walking them would change boxes that are still to come and invert them twice.
    const TGraphProperty<bool>& p = *GraphListBoxColumns[column];
    const TUndoGroupScope oneStep(window_);
    for (int row = 0; row < RowCount(); ++row) {
        if (TGraph* g = Graph(row))
            StoreProperty(*g, p, choice == TBoxChoice::Invert ? !p.Get(*g) : choice == TBoxChoice::All);
    }
}

void TGraphListModel::SetLayer(int row, int layer) {
    if (TGraph* g = Graph(row)) g->SetLayer(layer);
}

void TGraphListModel::ApplyMarker(TGraph& g, TMarkerChoice choice) {
    if (choice.Text == TMarkerChoice::Automatic) {
        const int index = window_.IndexOfGraph(&g);
        if (index < AutomaticSymbols) {
            StoreProperty(g, P::MarkerSymbol, uint8_t(index + 1));
            return;
        }
        choice.Text = TMarkerChoice::Layer;
    }
    StoreProperty(g, P::MarkerSymbol, uint8_t(std::clamp(choice.Symbol, 0, 13)));
    if (choice.Symbol != 0) return;
    if (choice.Text == TMarkerChoice::Name) StoreProperty(g, P::MarkerText, g.Name());
    if (choice.Text == TMarkerChoice::Layer) StoreProperty(g, P::MarkerText, QString::number(g.Layer()));
}

void TGraphListModel::SetMarker(int row, TMarkerChoice choice) {
    const QList<TGraph*> graphs = Reached(row, TPassOn::Grouped);
    const TUndoGroupScope oneStep(window_);
    for (TGraph* g : graphs)
        ApplyMarker(*g, choice);
}

void TGraphListModel::SetAllMarkers(TMarkerChoice choice) {
    const TUndoGroupScope oneStep(window_);
    for (int row = 0; row < RowCount(); ++row)
        if (TGraph* g = Graph(row)) ApplyMarker(*g, choice);
}

void TGraphListModel::RestoreLayers() {
    const TUndoGroupScope oneStep(window_);
    for (int i = 0; i < window_.GraphCount(); ++i)
        window_.GraphByIndex(i)->SetLayer(i);
}
