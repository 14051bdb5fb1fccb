// The undoable settings of a window, each declared once: where the value lives, its undo code and
// where the figure stream keeps it. The setters, the undo replay and the figure stream work from
// these declarations.
#pragma once

#include "window/FigureStream.h"
#include "window/SuperGrWindow.h"

#include <tuple>
#include <type_traits>

// The form the figure block keeps a value in: Booleans as bytes.
template <typename T> using TBlockValue = std::conditional_t<std::is_same_v<T, bool>, uint8_t, T>;

// One setting and its setter sequence: nothing for an unchanged or refused value; while undo
// recording is on, one undo step with the old value (ID −1); store; repaint when the change shows;
// the notification.
template <typename T> struct TWindowProperty {
    uint8_t Op = 0;
    T TSuperGrWindow::*Member = nullptr;
    TBlockValue<T> TFigureBlock::*BlockMember = nullptr;
    // The values the window keeps: the setter refuses the others, a figure keeps the window's own.
    bool (*Valid)(const T&) = nullptr;
    // Whether the change shows; the window always repaints without it.
    bool (*Shows)(const TSuperGrWindow&) = nullptr;
    // Raised after the repaint.
    void (*Notify)(TSuperGrWindow&) = nullptr;

    bool Accepts(const T& v) const { return !Valid || Valid(v); }
    const T& Get(const TSuperGrWindow& w) const { return w.*Member; }

    void Set(TSuperGrWindow& w, T v) const {
        T& field = w.*Member;
        if (!Accepts(v) || v == field) return;
        if (w.UndoRecording) w.RecordInteger(Op, -1, int32_t(field));
        field = v;
        if (!Shows || Shows(w)) w.Repaint();
        if (Notify) Notify(w);
    }

    void Capture(const TSuperGrWindow& w, TFigureBlock& block) const {
        block.*BlockMember = TBlockValue<T>(w.*Member);
    }
    // Stored directly, without the setter.
    void Apply(TSuperGrWindow& w, const TFigureBlock& block) const {
        const T v = T(block.*BlockMember);
        if (Accepts(v)) w.*Member = v;
    }
};

// The declarations. The tool mode keeps a step of its own: its replay must not clear the node
// selections as the setter does.
struct TWindowProperties {
private:
    template <typename T> using P = TWindowProperty<T>;
    static bool LegendShown(const TSuperGrWindow& w) { return w.ShowLegend(); }

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
                                                  .Valid = [](const int32_t& v) { return v >= 1 && v <= 8; },
                                                  .Shows = &LegendShown};
    static constexpr P<uint8_t> LegendPosition{.Op = UndoOp::LegendPosition,
                                               .Member = &TSuperGrWindow::FLegendPosition,
                                               .BlockMember = &TFigureBlock::LegendPosition,
                                               .Valid = [](const uint8_t& v) { return v <= 8; },
                                               .Shows = &LegendShown};

    static constexpr auto All =
        std::tuple{&ShowLegend,    &LegendFrame,   &LegendBackground,  &LegendOffsetX,
                   &LegendOffsetY, &LegendColumns, &LegendBorderWidth, &LegendPosition};

    // Calls visit(property) for the property with the undo code op; false when op belongs to none.
    template <typename F> static bool Visit(uint8_t op, F&& visit) {
        return std::apply(
            [&](const auto*... p) { return ((p->Op == op ? (visit(*p), true) : false) || ...); }, All);
    }
    template <typename F> static void ForEach(F&& f) {
        std::apply([&](const auto*... p) { (f(*p), ...); }, All);
    }
};
