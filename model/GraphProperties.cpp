#include "model/GraphProperties.h"

using P = TGraphProperties;

void TGraph::SetName(const QString& v) {
    P::Name.Set(*this, v);
}
void TGraph::SetColor(TColor v) {
    P::Color.Set(*this, v);
}
void TGraph::SetMarkerSymbol(uint8_t v) {
    P::MarkerSymbol.Set(*this, v);
}
void TGraph::SetMarkerText(const QString& v) {
    P::MarkerText.Set(*this, v);
}
void TGraph::SetMarkersVisible(bool v) {
    P::MarkersVisible.Set(*this, v);
}
void TGraph::SetShowNodes(bool v) {
    P::ShowNodes.Set(*this, v);
}
void TGraph::SetVisible(bool v) {
    P::Visible.Set(*this, v);
}
void TGraph::SetLineWidth(int32_t v) {
    P::LineWidth.Set(*this, v);
}
void TGraph::SetLineStyle(int32_t v) {
    P::LineStyle.Set(*this, v);
}
void TGraph::SetWidthScale(Extended v) {
    P::WidthScale.Set(*this, v);
}
void TGraph::SetSelected(bool v) {
    P::Selected.Set(*this, v);
}
void TGraph::SetBreakMode(uint8_t v) {
    P::BreakMode.Set(*this, v);
}
void TGraph::SetBreakLimit(Extended v) {
    P::BreakLimit.Set(*this, v);
}
void TGraph::SetDateTimeArg(bool v) {
    P::DateTimeArg.Set(*this, v);
}
void TGraph::SetInLegend(bool v) {
    P::InLegend.Set(*this, v);
}
void TGraph::SetLegendText(const QString& v) {
    P::LegendText.Set(*this, v);
}
void TGraph::SetDesignationText(TDesignation d, const QString& v) {
    P::DesignationText.Set(*this, v, d);
}
void TGraph::SetDesignationSymbol(TDesignation d, const TSymbol& v) {
    P::DesignationSymbol.Set(*this, v, d);
}
void TGraph::SetDesignationShow(TDesignation d, bool v) {
    P::DesignationShow.Set(*this, v, d);
}
void TGraph::SetDesignationVertical(TDesignation d, bool v) {
    P::DesignationVertical.Set(*this, v, d);
}
void TGraph::SetDesignationIsText(TDesignation d, bool v) {
    P::DesignationIsText.Set(*this, v, d);
}
void TGraph::SetXDesignLayout(uint8_t v) {
    P::XDesignLayout.Set(*this, v);
}
void TGraph::SetYDesignLayout(uint8_t v) {
    P::YDesignLayout.Set(*this, v);
}
