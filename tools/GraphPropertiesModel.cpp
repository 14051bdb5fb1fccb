#include "tools/GraphPropertiesModel.h"

#include "expr/MathFuncs2.h"
#include "files/NumberParser.h"
#include "window/SuperGrWindow.h"

#include <algorithm>
#include <cmath>

namespace {
using P = TGraphProperties;

constexpr uint8_t NoBreaks = 3;
constexpr Extended WidthScaleStep = 0.01L;

// The symbol a graph's markers get when they switch from text to a symbol.
uint8_t SymbolForLayer(int32_t layer) {
    return uint8_t(layer % 13 + 1);
}

// The whole text as one finite real (a sign and an exponent allowed, blanks around ignored).
bool ReadReal(const QString& text, Extended& value) {
    const QByteArray bytes = text.trimmed().toLatin1();
    const char* stop = nullptr;
    Extended v = 0;
    if (bytes.isEmpty() ||
        !numparse::ParseExtended(bytes.constData(), bytes.constData() + bytes.size(), v, &stop) ||
        stop != bytes.constData() + bytes.size() || !std::isfinite(v))
        return false;
    value = v;
    return true;
}
} // namespace

bool TGraphPropertiesModel::Open(int graphIndex) {
    if (window_.GraphCount() == 0) return false;
    changes_ = false;
    Choose(graphIndex >= 0 && graphIndex < window_.GraphCount() ? graphIndex : 0);
    window_.SetUndoGrouping(true);
    return true;
}

void TGraphPropertiesModel::Choose(int graphIndex) {
    if (const TGraph* g = window_.GraphByIndex(graphIndex)) {
        id_ = g->ID;
        lastIndex_ = graphIndex;
        gapChoice_ = g->BreakMode() != NoBreaks ? g->BreakMode() : 0;
    }
}

bool TGraphPropertiesModel::CanStep(int delta) const {
    const int target = GraphIndex() + delta;
    return GraphIndex() >= 0 && target >= 0 && target < window_.GraphCount();
}

TGraph* TGraphPropertiesModel::Graph() const {
    return window_.GraphByID(id_);
}

int TGraphPropertiesModel::GraphIndex() const {
    return window_.IndexOfGraphID(id_);
}

bool TGraphPropertiesModel::FollowGraphList() {
    if (Graph()) {
        lastIndex_ = GraphIndex();
        return true;
    }
    if (window_.GraphCount() == 0) return false;
    Choose(std::clamp(lastIndex_, 0, window_.GraphCount() - 1));
    return true;
}

TGraphPropertiesView TGraphPropertiesModel::Load() const {
    TGraphPropertiesView v;
    const TGraph* g = Graph();
    if (!g) return v;
    v.Caption = QStringLiteral(" Свойства графика ") + g->Name();
    v.GraphIndex = GraphIndex();
    v.LayerCount = window_.GraphCount();
    v.Layer = g->Layer();
    v.SymbolMarker = g->MarkerSymbol() != 0;
    v.SymbolEntry = int(g->MarkerSymbol()) - 1;
    v.WidthScaleText = mathfuncs::FormatNumber(g->WidthScale());
    v.BreakLimitText = mathfuncs::FormatNumber(g->BreakLimit());
    v.GapOn = g->BreakMode() != NoBreaks;
    v.GapChoice = v.GapOn ? g->BreakMode() : gapChoice_;
    v.FixedRatio = g->FixedRatio();
    v.LogX = g->LogX();
    v.LogY = g->LogY();
    v.Permissions[int(TPermission::ShiftX)] = g->AllowShiftX();
    v.Permissions[int(TPermission::ShiftY)] = g->AllowShiftY();
    v.Permissions[int(TPermission::ScaleX)] = g->AllowScaleX();
    v.Permissions[int(TPermission::ScaleY)] = g->AllowScaleY();
    v.MarkerTextEnabled = !v.SymbolMarker;
    v.SymbolListEnabled = v.SymbolMarker;
    v.GapControlsEnabled = v.GapOn;
    for (int d = 0; d < 4; ++d) {
        const TGrSymRecord& rec = g->Designation(TDesignation(d));
        v.PositionX[d] = -rec.OffsetX;
        v.PositionY[d] = -rec.OffsetY;
        const bool shown = g->Designation(d < dsYData ? dsXData : dsYData).Show != 0;
        v.AxisShown[d / 2] = shown;
        v.DesignationTextEnabled[d] = shown && rec.IsText;
        v.DesignationSymbolEnabled[d] = shown && !rec.IsText;
    }
    return v;
}

void TGraphPropertiesModel::SetLayer(int layer) {
    if (TGraph* g = Graph()) {
        g->SetLayer(layer);
        changes_ = true;
    }
}

void TGraphPropertiesModel::SetFixedRatio(bool on) {
    if (TGraph* g = Graph()) {
        g->SetFixedRatio(on);
        changes_ = true;
    }
}

void TGraphPropertiesModel::SetPermission(TPermission which, bool on) {
    TGraph* g = Graph();
    if (!g) return;
    switch (which) {
    case TPermission::ShiftX:
        g->SetAllowShiftX(on);
        break;
    case TPermission::ShiftY:
        g->SetAllowShiftY(on);
        break;
    case TPermission::ScaleX:
        g->SetAllowScaleX(on);
        break;
    case TPermission::ScaleY:
        g->SetAllowScaleY(on);
        break;
    }
    changes_ = true;
}

void TGraphPropertiesModel::SetLog(TAxis axis, bool on) {
    TGraph* g = Graph();
    if (!g) return;
    if (axis == TAxis::X)
        g->SetLogX(on);
    else
        g->SetLogY(on);
    changes_ = true;
}

void TGraphPropertiesModel::ChooseTextMarker() {
    Set(P::MarkerSymbol, uint8_t(0));
}

void TGraphPropertiesModel::ChooseSymbolMarker() {
    if (const TGraph* g = Graph(); g && g->MarkerSymbol() == 0)
        Set(P::MarkerSymbol, SymbolForLayer(g->Layer()));
}

void TGraphPropertiesModel::ChooseSymbolEntry(int entry) {
    if (entry >= 0 && entry < 13) Set(P::MarkerSymbol, uint8_t(entry + 1));
}

void TGraphPropertiesModel::InsertNameAsMarkerText() {
    if (const TGraph* g = Graph()) Set(P::MarkerText, g->Name());
}

void TGraphPropertiesModel::InsertLayerAsMarkerText() {
    if (const TGraph* g = Graph()) Set(P::MarkerText, QString::number(g->Layer()));
}

void TGraphPropertiesModel::DeleteAllMarkers() {
    if (TGraph* g = Graph()) {
        g->ClearMarkers();
        changes_ = true;
    }
}

bool TGraphPropertiesModel::SetWidthScaleText(const QString& text) {
    Extended v = 0;
    if (!ReadReal(text, v)) return false;
    Set(P::WidthScale, v);
    return true;
}

void TGraphPropertiesModel::StepWidthScale(int steps) {
    if (const TGraph* g = Graph()) Set(P::WidthScale, g->WidthScale() + steps * WidthScaleStep);
}

bool TGraphPropertiesModel::SetBreakLimitText(const QString& text) {
    Extended v = 0;
    if (!ReadReal(text, v)) return false;
    Set(P::BreakLimit, v);
    window_.RefreshAll();
    return true;
}

void TGraphPropertiesModel::SetGap(bool on, int choice) {
    gapChoice_ = std::clamp(choice, 0, 2);
    Set(P::BreakMode, on ? uint8_t(gapChoice_) : NoBreaks);
    window_.RefreshAll();
}

void TGraphPropertiesModel::SetAxisDesignations(int axis, bool show, bool dataIsText, bool dimensionIsText) {
    const TDesignation data = axis == 0 ? dsXData : dsYData;
    const TDesignation dimension = TDesignation(data + 1);
    Set(P::DesignationShow, uint8_t(show), data);
    Set(P::DesignationShow, uint8_t(show), dimension);
    SetDesignationIsText(data, dataIsText);
    SetDesignationIsText(dimension, dimensionIsText);
}

void TGraphPropertiesModel::SetDesignationIsText(TDesignation d, bool isText) {
    Set(P::DesignationIsText, uint8_t(isText), d);
}

void TGraphPropertiesModel::SetDesignationPosition(TDesignation d, bool horizontal, int position) {
    TGraph* g = Graph();
    if (!g) return;
    const TGrSymRecord& rec = g->Designation(d);
    g->SetDesignationOffsets(d, horizontal ? -position : rec.OffsetX, horizontal ? rec.OffsetY : -position);
    changes_ = true;
}

void TGraphPropertiesModel::Apply() {
    window_.SetUndoGrouping(false);
    window_.RefreshAll();
}

void TGraphPropertiesModel::Cancel() {
    // The group is undone while it is still open: only then is it known to be this visit's own.
    if (changes_) window_.UndoGroupIfOpen();
    window_.SetUndoGrouping(false);
    window_.ClearRedoHistory();
    window_.RefreshAll();
}

void TGraphPropertiesModel::Leave() {
    window_.SetUndoGrouping(false);
}
