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
void TSuperGrWindow::SetVerticalYFont(bool v) {
    P::VerticalYFont.Set(*this, v);
}
void TSuperGrWindow::SetShowTicks(bool v) {
    P::ShowTicks.Set(*this, v);
}
void TSuperGrWindow::SetShowGrid(bool v) {
    P::ShowGrid.Set(*this, v);
}
void TSuperGrWindow::SetShowAxisMarkers(bool v) {
    P::ShowAxisMarkers.Set(*this, v);
}
void TSuperGrWindow::SetShowAxisNotches(bool v) {
    P::ShowAxisNotches.Set(*this, v);
}
void TSuperGrWindow::SetShowXAxisLabels(bool v) {
    P::ShowXAxisLabels.Set(*this, v);
}
void TSuperGrWindow::SetShowYAxisLabels(bool v) {
    P::ShowYAxisLabels.Set(*this, v);
}
void TSuperGrWindow::SetBrdrWidth(int32_t v) {
    P::BrdrWidth.Set(*this, v);
}
void TSuperGrWindow::SetGridSizeX(int32_t v) {
    P::GridSizeX.Set(*this, v);
}
void TSuperGrWindow::SetGridSizeY(int32_t v) {
    P::GridSizeY.Set(*this, v);
}
void TSuperGrWindow::SetSubGridDividerX(int32_t v) {
    P::SubGridDividerX.Set(*this, v);
}
void TSuperGrWindow::SetSubGridDividerY(int32_t v) {
    P::SubGridDividerY.Set(*this, v);
}
void TSuperGrWindow::SetAxisStyle(int32_t v) {
    P::AxisStyle.Set(*this, v);
}
void TSuperGrWindow::SetGridStyle(int32_t v) {
    P::GridStyle.Set(*this, v);
}
void TSuperGrWindow::SetSubGridStyle(int32_t v) {
    P::SubGridStyle.Set(*this, v);
}
void TSuperGrWindow::SetAxisWidth(int32_t v) {
    P::AxisWidth.Set(*this, v);
}
void TSuperGrWindow::SetGridWidth(int32_t v) {
    P::GridWidth.Set(*this, v);
}
void TSuperGrWindow::SetSubGridWidth(int32_t v) {
    P::SubGridWidth.Set(*this, v);
}
void TSuperGrWindow::SetAxisScale(Extended v) {
    P::AxisScale.Set(*this, v);
}
void TSuperGrWindow::SetGridScale(Extended v) {
    P::GridScale.Set(*this, v);
}
void TSuperGrWindow::SetSubGridScale(Extended v) {
    P::SubGridScale.Set(*this, v);
}
void TSuperGrWindow::SetMultiXAxis(bool v) {
    P::MultiXAxis.Set(*this, v);
}
void TSuperGrWindow::SetMultiYAxis(bool v) {
    P::MultiYAxis.Set(*this, v);
}
void TSuperGrWindow::SetCombineXAxis(bool v) {
    P::CombineXAxis.Set(*this, v);
}
void TSuperGrWindow::SetCombineYAxis(bool v) {
    P::CombineYAxis.Set(*this, v);
}
