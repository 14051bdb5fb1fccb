// The legend drag: the left button moves a legend that is not fixed; either button on the legend
// raises OnLegendClick.
#pragma once

#include "window/MouseTools.h"

class TLegendDragTool final : public TMouseTool {
public:
    using TMouseTool::TMouseTool;

    bool Press(TMouseButton button, TShiftState shift, int x, int y) override;
    bool Engaged() const override { return W.FLegendDragging; }
    void Move(TShiftState shift, TPoint to, TPoint from) override;
    void Release(TMouseButton button, TShiftState shift, int x, int y) override;
};
