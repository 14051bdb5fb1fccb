// The settings of a window, each declared once: where the value lives, its undo code if the history
// keeps it and where the figure stream keeps it. The setters, the undo replay and the figure stream
// work from these declarations.
#pragma once

#include "window/FigureStream.h"
#include "window/SuperGrWindow.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <type_traits>

// The form the figure block keeps a value in: Booleans as bytes.
template <typename T> using TBlockValue = std::conditional_t<std::is_same_v<T, bool>, uint8_t, T>;

// One setting and its setter sequence: nothing for an unchanged or refused value; for a setting
// with an undo code, while recording is on, one undo step with the old value (ID −1); store; the
// effect; repaint when the change shows; the notification.
template <typename T> struct TWindowProperty {
    static constexpr uint8_t NotRecorded = 255;

    uint8_t Op = NotRecorded; // undo code
    T TSuperGrWindow::*Member = nullptr;
    TBlockValue<T> TFigureBlock::*BlockMember = nullptr;
    // The values the window keeps: the setter refuses the others, a figure keeps the window's own.
    bool (*Valid)(const T&) = nullptr;
    // Brings a new value into the form the window keeps, before it is compared.
    T (*Normalize)(T) = nullptr;
    // What a stored change does to the window's other state.
    void (*Effect)(TSuperGrWindow&) = nullptr;
    // Whether the change shows; the window always repaints without it.
    bool (*Shows)(const TSuperGrWindow&) = nullptr;
    // Raised after the repaint.
    void (*Notify)(TSuperGrWindow&) = nullptr;

    bool Accepts(const T& v) const { return !Valid || Valid(v); }
    const T& Get(const TSuperGrWindow& w) const { return w.*Member; }

    void Set(TSuperGrWindow& w, T v) const {
        if (Normalize) v = Normalize(v);
        T& field = w.*Member;
        if (!Accepts(v) || v == field) return;
        if (Op != NotRecorded && w.UndoRecording) w.RecordInteger(Op, -1, int32_t(field));
        field = v;
        if (Effect) Effect(w);
        if (!Shows || Shows(w)) w.Repaint();
        if (Notify) Notify(w);
    }

    void Capture(const TSuperGrWindow& w, TFigureBlock& block) const {
        block.*BlockMember = TBlockValue<T>(w.*Member);
    }
    // Stored directly, without the setter.
    void Apply(TSuperGrWindow& w, const TFigureBlock& block) const {
        T v = T(block.*BlockMember);
        if (Normalize) v = Normalize(v);
        if (Accepts(v)) w.*Member = v;
    }
};

// The declarations. The tool mode keeps a step of its own: its replay must not clear the node
// selections as the setter does. The fonts, captions, colours, margins, modes and the animation
// time have setters of their own; the figure stream handles them one by one.
struct TWindowProperties {
private:
    template <typename T> using P = TWindowProperty<T>;
    static bool LegendShown(const TSuperGrWindow& w) { return w.ShowLegend(); }
    // Sizes beyond these make no sense on a figure and would only stall the drawing.
    static bool PenWidth(const int32_t& v) { return v >= 0 && v <= 100; }
    static bool Divider(const int32_t& v) { return v >= 1 && v <= 100; }
    static bool ExportScale(const int32_t& v) { return v >= 1 && v <= 100; }
    static bool PenStyle(const int32_t& v) { return v >= 0; }
    static bool NotNegative(const int32_t& v) { return v >= 0; }
    static bool Finite(const Extended& v) { return bool(std::isfinite(v)); }
    static bool ZoomFactor(const Extended& v) { return std::isfinite(v) && v > 0 && v < 1e15L; }
    static Extended AtLeastThousandth(Extended v) { return std::max(v, 0.001L); }
    // Axis labels and the arrangement of the axes take room from the plot: every graph's polyline is
    // laid out again.
    static void LayOutAgain(TSuperGrWindow& w) {
        for (const auto& g : w.FGraphs)
            g->Cache.Invalidate(TViewCache::Polyline);
    }
    static void MultiAxisChanged(TSuperGrWindow& w) {
        Raise(w.Events.OnChangeMultiAxis, &w, w.FMultiXAxis, w.FMultiYAxis);
    }
    static void CombineAxisChanged(TSuperGrWindow& w) {
        Raise(w.Events.OnChangeCombineAxis, &w, w.FCombineXAxis, w.FCombineYAxis);
    }

public:
    static constexpr P<bool> ShowLegend{
        .Op = UndoOp::ShowLegend,
        .Member = &TSuperGrWindow::FShowLegend,
        .BlockMember = &TFigureBlock::ShowLegend,
        .Notify = [](TSuperGrWindow& w) { Raise(w.Events.OnLegendChange, &w); }};
    static constexpr P<bool> LegendFrame{.Op = UndoOp::LegendFrame,
                                         .Member = &TSuperGrWindow::FLegendFrame,
                                         .BlockMember = &TFigureBlock::LegendFrame,
                                         .Shows = &LegendShown};
    static constexpr P<bool> LegendBackground{.Op = UndoOp::LegendBackground,
                                              .Member = &TSuperGrWindow::FLegendBackground,
                                              .BlockMember = &TFigureBlock::LegendBackground,
                                              .Shows = &LegendShown};
    static constexpr P<int32_t> LegendOffsetX{.Op = UndoOp::LegendOffsetX,
                                              .Member = &TSuperGrWindow::FLegendOffsetX,
                                              .BlockMember = &TFigureBlock::LegendOffsetX,
                                              .Shows = &LegendShown};
    static constexpr P<int32_t> LegendOffsetY{.Op = UndoOp::LegendOffsetY,
                                              .Member = &TSuperGrWindow::FLegendOffsetY,
                                              .BlockMember = &TFigureBlock::LegendOffsetY,
                                              .Shows = &LegendShown};
    static constexpr P<int32_t> LegendColumns{.Op = UndoOp::LegendColumns,
                                              .Member = &TSuperGrWindow::FLegendColumns,
                                              .BlockMember = &TFigureBlock::LegendColumns,
                                              .Valid = [](const int32_t& v) { return v >= 1; },
                                              .Shows = &LegendShown};
    static constexpr P<int32_t> LegendBorderWidth{.Op = UndoOp::LegendBorderWidth,
                                                  .Member = &TSuperGrWindow::FLegendBorderWidth,
                                                  .BlockMember = &TFigureBlock::LegendBorderWidth,
                                                  .Valid = [](const int32_t& v) { return v >= 1 && v <= 25; },
                                                  .Shows = &LegendShown};
    static constexpr P<uint8_t> LegendPosition{.Op = UndoOp::LegendPosition,
                                               .Member = &TSuperGrWindow::FLegendPosition,
                                               .BlockMember = &TFigureBlock::LegendPosition,
                                               .Valid = [](const uint8_t& v) { return v <= 8; },
                                               .Shows = &LegendShown};

    // Settings the history does not keep.
    static constexpr P<bool> VerticalYFont{.Member = &TSuperGrWindow::FVerticalYFont,
                                           .BlockMember = &TFigureBlock::VerticalYFont};
    static constexpr P<bool> ShowTicks{.Member = &TSuperGrWindow::FShowTicks,
                                       .BlockMember = &TFigureBlock::ShowTicks};
    static constexpr P<bool> ShowGrid{.Member = &TSuperGrWindow::FShowGrid,
                                      .BlockMember = &TFigureBlock::ShowGrid};
    static constexpr P<bool> ShowAxisMarkers{.Member = &TSuperGrWindow::FShowAxisMarkers,
                                             .BlockMember = &TFigureBlock::ShowAxisMarkers};
    static constexpr P<bool> ShowAxisNotches{.Member = &TSuperGrWindow::FShowAxisNotches,
                                             .BlockMember = &TFigureBlock::ShowAxisNotches};
    static constexpr P<bool> ShowXAxisLabels{.Member = &TSuperGrWindow::FShowXAxisLabels,
                                             .BlockMember = &TFigureBlock::ShowXAxisLabels,
                                             .Effect = &LayOutAgain};
    static constexpr P<bool> ShowYAxisLabels{.Member = &TSuperGrWindow::FShowYAxisLabels,
                                             .BlockMember = &TFigureBlock::ShowYAxisLabels,
                                             .Effect = &LayOutAgain};
    static constexpr P<int32_t> BrdrWidth{
        .Member = &TSuperGrWindow::FBrdrWidth, .BlockMember = &TFigureBlock::BrdrWidth, .Valid = &PenWidth};
    static constexpr P<int32_t> GridSizeX{.Member = &TSuperGrWindow::FGridSizeX,
                                          .BlockMember = &TFigureBlock::GridSizeX,
                                          .Valid = &NotNegative};
    static constexpr P<int32_t> GridSizeY{.Member = &TSuperGrWindow::FGridSizeY,
                                          .BlockMember = &TFigureBlock::GridSizeY,
                                          .Valid = &NotNegative};
    static constexpr P<int32_t> SubGridDividerX{.Member = &TSuperGrWindow::FSubGridDividerX,
                                                .BlockMember = &TFigureBlock::SubGridDividerX,
                                                .Valid = &Divider};
    static constexpr P<int32_t> SubGridDividerY{.Member = &TSuperGrWindow::FSubGridDividerY,
                                                .BlockMember = &TFigureBlock::SubGridDividerY,
                                                .Valid = &Divider};
    static constexpr P<int32_t> AxisStyle{
        .Member = &TSuperGrWindow::FAxisStyle, .BlockMember = &TFigureBlock::AxisStyle, .Valid = &PenStyle};
    static constexpr P<int32_t> GridStyle{
        .Member = &TSuperGrWindow::FGridStyle, .BlockMember = &TFigureBlock::GridStyle, .Valid = &PenStyle};
    static constexpr P<int32_t> SubGridStyle{.Member = &TSuperGrWindow::FSubGridStyle,
                                             .BlockMember = &TFigureBlock::SubGridStyle,
                                             .Valid = &PenStyle};
    static constexpr P<int32_t> AxisWidth{
        .Member = &TSuperGrWindow::FAxisWidth, .BlockMember = &TFigureBlock::AxisWidth, .Valid = &PenWidth};
    static constexpr P<int32_t> GridWidth{
        .Member = &TSuperGrWindow::FGridWidth, .BlockMember = &TFigureBlock::GridWidth, .Valid = &PenWidth};
    static constexpr P<int32_t> SubGridWidth{.Member = &TSuperGrWindow::FSubGridWidth,
                                             .BlockMember = &TFigureBlock::SubGridWidth,
                                             .Valid = &PenWidth};
    static constexpr P<Extended> AxisScale{.Member = &TSuperGrWindow::FAxisScale,
                                           .BlockMember = &TFigureBlock::AxisScale,
                                           .Valid = &Finite,
                                           .Normalize = &AtLeastThousandth};
    static constexpr P<Extended> GridScale{.Member = &TSuperGrWindow::FGridScale,
                                           .BlockMember = &TFigureBlock::GridScale,
                                           .Valid = &Finite,
                                           .Normalize = &AtLeastThousandth};
    static constexpr P<Extended> SubGridScale{.Member = &TSuperGrWindow::FSubGridScale,
                                              .BlockMember = &TFigureBlock::SubGridScale,
                                              .Valid = &Finite,
                                              .Normalize = &AtLeastThousandth};

    static constexpr P<bool> MultiXAxis{.Member = &TSuperGrWindow::FMultiXAxis,
                                        .BlockMember = &TFigureBlock::MultiXAxis,
                                        .Effect = &LayOutAgain,
                                        .Notify = &MultiAxisChanged};
    static constexpr P<bool> MultiYAxis{.Member = &TSuperGrWindow::FMultiYAxis,
                                        .BlockMember = &TFigureBlock::MultiYAxis,
                                        .Effect = &LayOutAgain,
                                        .Notify = &MultiAxisChanged};
    static constexpr P<bool> CombineXAxis{.Member = &TSuperGrWindow::FCombineXAxis,
                                          .BlockMember = &TFigureBlock::CombineXAxis,
                                          .Effect = &LayOutAgain,
                                          .Notify = &CombineAxisChanged};
    static constexpr P<bool> CombineYAxis{.Member = &TSuperGrWindow::FCombineYAxis,
                                          .BlockMember = &TFigureBlock::CombineYAxis,
                                          .Effect = &LayOutAgain,
                                          .Notify = &CombineAxisChanged};

    // Public fields without a setter, kept in the figure as they are.
    static constexpr P<bool> UsePalette{.Member = &TSuperGrWindow::UsePalette,
                                        .BlockMember = &TFigureBlock::UsePalette};
    static constexpr P<bool> AnimatedMenu{.Member = &TSuperGrWindow::AnimatedMenu,
                                          .BlockMember = &TFigureBlock::AnimatedMenu};
    static constexpr P<bool> AnimatedMove{.Member = &TSuperGrWindow::AnimatedMove,
                                          .BlockMember = &TFigureBlock::AnimatedMove};
    static constexpr P<bool> AnimatedZoom{.Member = &TSuperGrWindow::AnimatedZoom,
                                          .BlockMember = &TFigureBlock::AnimatedZoom};
    static constexpr P<bool> AnimatedUndo{.Member = &TSuperGrWindow::AnimatedUndo,
                                          .BlockMember = &TFigureBlock::AnimatedUndo};
    static constexpr P<bool> SymbolicMarker{.Member = &TSuperGrWindow::SymbolicMarker,
                                            .BlockMember = &TFigureBlock::SymbolicMarker};
    static constexpr P<bool> BitmapExport{.Member = &TSuperGrWindow::BitmapExport,
                                          .BlockMember = &TFigureBlock::BitmapExport};
    static constexpr P<bool> ScaledLineStyles{.Member = &TSuperGrWindow::ScaledLineStyles,
                                              .BlockMember = &TFigureBlock::ScaledLineStyles};
    static constexpr P<bool> ShowToolLines{.Member = &TSuperGrWindow::ShowToolLines,
                                           .BlockMember = &TFigureBlock::ShowToolLines};
    static constexpr P<bool> LegendFixed{.Member = &TSuperGrWindow::LegendFixed,
                                         .BlockMember = &TFigureBlock::LegendFixed};
    static constexpr P<bool> MultiWndZoom{.Member = &TSuperGrWindow::MultiWndZoom,
                                          .BlockMember = &TFigureBlock::MultiWndZoom};
    static constexpr P<bool> ResetByRightButton{.Member = &TSuperGrWindow::ResetByRightButton,
                                                .BlockMember = &TFigureBlock::ResetByRightButton};
    static constexpr P<bool> ResetZoomByWheel{.Member = &TSuperGrWindow::ResetZoomByWheel,
                                              .BlockMember = &TFigureBlock::ResetZoomByWheel};
    static constexpr P<int32_t> MarkerPickRadius{.Member = &TSuperGrWindow::MarkerPickRadius,
                                                 .BlockMember = &TFigureBlock::MarkerPickRadius,
                                                 .Valid = &NotNegative};
    static constexpr P<int32_t> NodePickRadius{.Member = &TSuperGrWindow::NodePickRadius,
                                               .BlockMember = &TFigureBlock::NodePickRadius,
                                               .Valid = &NotNegative};
    static constexpr P<int32_t> EmfExportScale{.Member = &TSuperGrWindow::EmfExportScale,
                                               .BlockMember = &TFigureBlock::EmfExportScale,
                                               .Valid = &ExportScale};
    static constexpr P<int32_t> BmpExportScale{.Member = &TSuperGrWindow::BmpExportScale,
                                               .BlockMember = &TFigureBlock::BmpExportScale,
                                               .Valid = &ExportScale};
    // The legend's size until the next paint measures it again.
    static constexpr P<int32_t> LegendWidth{.Member = &TSuperGrWindow::LegendWidth,
                                            .BlockMember = &TFigureBlock::LegendWidth,
                                            .Valid = &NotNegative};
    static constexpr P<int32_t> LegendHeight{.Member = &TSuperGrWindow::LegendHeight,
                                             .BlockMember = &TFigureBlock::LegendHeight,
                                             .Valid = &NotNegative};
    static constexpr P<Extended> InitialScaleX{.Member = &TSuperGrWindow::InitialScaleX,
                                               .BlockMember = &TFigureBlock::InitialScaleX,
                                               .Valid = &ZoomFactor};
    static constexpr P<Extended> InitialScaleY{.Member = &TSuperGrWindow::InitialScaleY,
                                               .BlockMember = &TFigureBlock::InitialScaleY,
                                               .Valid = &ZoomFactor};

    // clang-format off
    static constexpr auto All = std::tuple{
        &ShowLegend, &LegendFrame, &LegendBackground, &LegendOffsetX, &LegendOffsetY, &LegendColumns,
        &LegendBorderWidth, &LegendPosition, &VerticalYFont, &ShowTicks, &ShowGrid, &ShowAxisMarkers,
        &ShowAxisNotches, &ShowXAxisLabels, &ShowYAxisLabels, &BrdrWidth, &GridSizeX, &GridSizeY,
        &SubGridDividerX, &SubGridDividerY, &AxisStyle, &GridStyle, &SubGridStyle, &AxisWidth, &GridWidth,
        &SubGridWidth, &AxisScale, &GridScale, &SubGridScale, &MultiXAxis, &MultiYAxis, &CombineXAxis,
        &CombineYAxis, &UsePalette, &AnimatedMenu, &AnimatedMove, &AnimatedZoom, &AnimatedUndo, &SymbolicMarker,
        &BitmapExport, &ScaledLineStyles, &ShowToolLines, &LegendFixed, &MultiWndZoom, &ResetByRightButton,
        &ResetZoomByWheel, &MarkerPickRadius, &NodePickRadius, &EmfExportScale, &BmpExportScale, &LegendWidth,
        &LegendHeight, &InitialScaleX, &InitialScaleY};
    // clang-format on

    // Calls visit(property) for the property with the undo code op; false when op belongs to none.
    template <typename F> static bool Visit(uint8_t op, F&& visit) {
        return std::apply(
            [&](const auto*... p) { return ((p->Op == op ? (visit(*p), true) : false) || ...); }, All);
    }
    template <typename F> static void ForEach(F&& f) {
        std::apply([&](const auto*... p) { (f(*p), ...); }, All);
    }
};
