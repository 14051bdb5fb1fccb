#include "window/WindowProperties.h"

using P = TWindowProperties;

void TSuperGrWindow::SetShowLegend(bool v) {
    P::ShowLegend.Set(*this, v);
}
void TSuperGrWindow::SetLegendFrame(bool v) {
    P::LegendFrame.Set(*this, v);
}
void TSuperGrWindow::SetLegendBackground(bool v) {
    P::LegendBackground.Set(*this, v);
}
void TSuperGrWindow::SetLegendOffsetX(int32_t v) {
    P::LegendOffsetX.Set(*this, v);
}
void TSuperGrWindow::SetLegendOffsetY(int32_t v) {
    P::LegendOffsetY.Set(*this, v);
}
void TSuperGrWindow::SetLegendColumns(int32_t v) {
    P::LegendColumns.Set(*this, v);
}
void TSuperGrWindow::SetLegendBorderWidth(int32_t v) {
    P::LegendBorderWidth.Set(*this, v);
}
void TSuperGrWindow::SetLegendPosition(uint8_t v) {
    P::LegendPosition.Set(*this, v);
}
