// The undoable properties of a graph, each declared once: where its value lives, its undo code, the
// style change it reports and what else a change does. The setters, the undo replay and the graph
// record all work from these declarations.
#pragma once

#include "model/Graph.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <type_traits>
#include <utility>

// One property and its setter sequence: nothing for an unchanged or refused value; while undo
// recording is on, one undo step with the old value; store; the style event; repaint.
template <typename T> struct TGraphProperty {
    static constexpr int NoStyleChange = -1;

    uint8_t Op = 0;            // undo code; a designation property has Op … Op + 3, one per designation
    int Style = NoStyleChange; // VType of OnChangeGraphStyle
    T TGraph::*Member = nullptr;
    T TGrSymRecord::*DesignationMember = nullptr; // instead of Member: a value of each designation
    // The values a graph keeps: the setter refuses the others, a graph record keeps its default.
    bool (*Valid)(const T&) = nullptr;
    // Brings a new value into the form the graph keeps, before it is compared.
    T (*Normalize)(T) = nullptr;
    // What a stored change does to the graph's other state.
    void (*Effect)(TGraph&, const T& old) = nullptr;
    // Further changes and events, after the style event.
    void (*AfterEvent)(TGraph&) = nullptr;
    // Whether the change shows (index: the designation); the window always repaints without it.
    bool (*Shows)(const TGraph&, int index) = nullptr;

    int Count() const { return DesignationMember ? 4 : 1; }
    bool Covers(uint8_t op) const { return op >= Op && op < Op + Count(); }
    bool Accepts(const T& v) const { return !Valid || Valid(v); }

    const T& Get(const TGraph& g, int index = 0) const {
        return DesignationMember ? g.FDesignations[index].*DesignationMember : g.*Member;
    }
    T& Ref(TGraph& g, int index = 0) const {
        return DesignationMember ? g.FDesignations[index].*DesignationMember : g.*Member;
    }

    void Set(TGraph& g, T v, int index = 0) const {
        if (Store(g, std::move(v), index)) Announce(g, index);
    }

    // The sequence up to storing; true when the value changed.
    bool Store(TGraph& g, T v, int index = 0) const {
        if (Normalize) v = Normalize(std::move(v));
        T& field = Ref(g, index);
        if (!Accepts(v) || v == field) return false;
        const uint8_t op = uint8_t(Op + index);
        if constexpr (std::is_integral_v<T>)
            g.RecordInteger(op, int32_t(field));
        else if constexpr (std::is_same_v<T, QString>)
            g.RecordString(op, field);
        else if constexpr (std::is_same_v<T, Extended>)
            g.RecordExtended(op, field);
        else
            g.RecordSymbol(op, field);
        T old = std::exchange(field, std::move(v));
        if (Effect) Effect(g, old);
        return true;
    }

    // The rest of the sequence: the style event, further events, repaint.
    void Announce(TGraph& g, int index = 0) const {
        if constexpr (std::is_integral_v<T>)
            if (Style != NoStyleChange) g.ChangedStyle(Style, int(Get(g, index)));
        if (AfterEvent) AfterEvent(g);
        if (!Shows || Shows(g, index)) g.Repaint();
    }
};

// The declarations. Layer, FixedRatio, LogX/LogY, the permissions, the binding groups, the
// designation offsets (a pair), markers and nodes keep steps of their own (more than one value).
struct TGraphProperties {
private:
    template <typename T> using P = TGraphProperty<T>;
    template <typename T> static void RebuildPolyline(TGraph& g, const T&) { g.Cache.Invalidate(TViewCache::Polyline); }
    // The pair of a designation (data and dimension of one axis) is shown.
    static bool PairShown(const TGraph& g, int d) {
        return g.FDesignations[d < dsYData ? dsXData : dsYData].Show;
    }
    static bool ValidLayout(const uint8_t& v) { return v <= 3; }

public:
    static constexpr P<QString> Name{.Op = UndoOp::Name,
                                     .Member = &TGraph::FName,
                                     .AfterEvent = [](TGraph& g) { g.RaiseGraphsListChanged(); }};
    static constexpr P<TColor> Color{.Op = UndoOp::Color,
                                     .Style = StyleChange::Color,
                                     .Member = &TGraph::FColor,
                                     .AfterEvent = [](TGraph& g) {
                                         if (!g.FMarkerKeepColor) return; // the marker colour follows
                                         g.FMarkerColor = g.FColor;
                                         g.ChangedStyle(StyleChange::MarkerColor, g.FColor);
                                     }};
    static constexpr P<TColor> MarkerColor{.Op = UndoOp::MarkerColor,
                                           .Style = StyleChange::MarkerColor,
                                           .Member = &TGraph::FMarkerColor,
                                           .Shows = [](const TGraph& g, int) { return g.FMarkersVisible; }};
    static constexpr P<bool> MarkerKeepColor{.Op = UndoOp::MarkerKeepColor,
                                             .Style = StyleChange::MarkerKeepColor,
                                             .Member = &TGraph::FMarkerKeepColor};
    static constexpr P<uint8_t> MarkerSymbol{.Op = UndoOp::MarkerSymbol,
                                             .Style = StyleChange::MarkerSymbol,
                                             .Member = &TGraph::FMarkerSymbol,
                                             .Valid = [](const uint8_t& v) { return v <= 13; }};
    static constexpr P<QString> MarkerText{.Op = UndoOp::MarkerText, .Member = &TGraph::FMarkerText};
    static constexpr P<bool> MarkersVisible{.Op = UndoOp::MarkersVisible,
                                            .Style = StyleChange::MarkersVisible,
                                            .Member = &TGraph::FMarkersVisible};
    static constexpr P<bool> ShowNodes{
        .Op = UndoOp::ShowNodes,
        .Style = StyleChange::ShowNodes,
        .Member = &TGraph::FShowNodes,
        .Effect = &RebuildPolyline<bool>}; // node squares need every visible node's pixel
    static constexpr P<bool> Visible{
        .Op = UndoOp::Visible, .Style = StyleChange::Visible, .Member = &TGraph::FVisible};
    static constexpr P<int32_t> LineWidth{.Op = UndoOp::LineWidth,
                                          .Style = StyleChange::LineWidth,
                                          .Member = &TGraph::FLineWidth,
                                          .Valid = [](const int32_t& v) { return v >= 0 && v <= 8; }};
    // Styles from 5 on draw no connecting line: the polyline changes with them.
    static constexpr P<int32_t> LineStyle{.Op = UndoOp::LineStyle,
                                          .Style = StyleChange::LineStyle,
                                          .Member = &TGraph::FLineStyle,
                                          .Valid = [](const int32_t& v) { return v >= 0; },
                                          .Effect =
                                              [](TGraph& g, const int32_t& old) {
                                                  if (old > 4 || g.FLineStyle > 4) g.Cache.Invalidate(TViewCache::Polyline);
                                              }};
    static constexpr P<Extended> WidthScale{
        .Op = UndoOp::WidthScale,
        .Member = &TGraph::FWidthScale,
        .Valid = [](const Extended& v) { return std::isfinite(v) && v >= 0.001L; },
        .Normalize = [](Extended v) { return std::max(v, 0.001L); }};
    static constexpr P<bool> Selected{.Op = UndoOp::Selected,
                                      .Style = StyleChange::Selected,
                                      .Member = &TGraph::FSelected,
                                      .AfterEvent = [](TGraph& g) { g.RaiseSelectedCount(); }};
    static constexpr P<uint8_t> BreakMode{.Op = UndoOp::BreakMode,
                                          .Member = &TGraph::FBreakMode,
                                          .Valid = [](const uint8_t& v) { return v <= 3; },
                                          .Effect = &RebuildPolyline<uint8_t>};
    static constexpr P<Extended> BreakLimit{.Op = UndoOp::BreakLimit,
                                            .Member = &TGraph::FBreakLimit,
                                            .Valid = [](const Extended& v) { return bool(std::isfinite(v)); },
                                            .Effect = &RebuildPolyline<Extended>};
    static constexpr P<bool> DateTimeArg{
        .Op = UndoOp::DateTimeArg, .Style = StyleChange::DateTimeArg, .Member = &TGraph::FDateTimeArg};
    static constexpr P<bool> InLegend{
        .Op = UndoOp::InLegend, .Style = StyleChange::InLegend, .Member = &TGraph::FInLegend};
    static constexpr P<QString> LegendText{.Op = UndoOp::LegendText, .Member = &TGraph::FLegendText};

    static constexpr P<QString> DesignationText{
        .Op = UndoOp::DesignationText,
        .DesignationMember = &TGrSymRecord::Text,
        .Shows = [](const TGraph& g, int d) { return PairShown(g, d) && g.FDesignations[d].IsText; }};
    static constexpr P<TSymbol> DesignationSymbol{
        .Op = UndoOp::DesignationSymbol,
        .DesignationMember = &TGrSymRecord::Symbol,
        .Shows = [](const TGraph& g, int d) { return !g.FDesignations[d].IsText; }};
    static constexpr P<uint8_t> DesignationShow{.Op = UndoOp::DesignationShow,
                                                .DesignationMember = &TGrSymRecord::Show};
    static constexpr P<uint8_t> DesignationVertical{
        .Op = UndoOp::DesignationVertical, .DesignationMember = &TGrSymRecord::Vertical, .Shows = &PairShown};
    static constexpr P<uint8_t> DesignationIsText{.Op = UndoOp::DesignationIsText,
                                                  .DesignationMember = &TGrSymRecord::IsText};
    static constexpr P<uint8_t> XDesignLayout{
        .Op = UndoOp::XDesignLayout, .Member = &TGraph::FXDesignLayout, .Valid = &ValidLayout};
    static constexpr P<uint8_t> YDesignLayout{
        .Op = UndoOp::YDesignLayout, .Member = &TGraph::FYDesignLayout, .Valid = &ValidLayout};

    // clang-format off
    static constexpr auto All = std::tuple{
        &Name, &Color, &MarkerColor, &MarkerKeepColor, &MarkerSymbol, &MarkerText, &MarkersVisible,
        &ShowNodes, &Visible, &LineWidth, &LineStyle, &WidthScale, &Selected, &BreakMode, &BreakLimit,
        &DateTimeArg, &InLegend, &LegendText, &DesignationText, &DesignationSymbol, &DesignationShow,
        &DesignationVertical, &DesignationIsText, &XDesignLayout, &YDesignLayout};
    // clang-format on

    // Calls visit(property, designation index) for the property that op is a code of; false when
    // op belongs to none.
    template <typename F> static bool Visit(uint8_t op, F&& visit) {
        return std::apply(
            [&](const auto*... p) {
                return ((p->Covers(op) ? (visit(*p, op - p->Op), true) : false) || ...);
            },
            All);
    }
};
