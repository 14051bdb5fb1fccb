#include "model/Graph.h"

#include "model/Codecs.h"
#include "model/Colors.h"
#include "model/DecimalLog.h"
#include "model/GraphProperties.h"
#include "model/Notifier.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>

namespace {
// log10 of every value; false when a value cannot have one.
bool Logarithms(const TDoubleArray& values, TDoubleArray& out) {
    out.resize(values.size());
    const Extended* src = values.constData();
    Extended* dst = out.data();
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (!(src[i] > 0) || std::isinf(src[i])) return false;
        dst[i] = Log10(src[i]);
    }
    return true;
}

constexpr qsizetype kParallelExtents = qsizetype(1) << 18;

void MinMaxMid(const TDoubleArray& values, Extended& min, Extended& mid, Extended& max) {
    min = 1;
    mid = 0;
    max = -1;
    const Extended* p = values.constData();
    const qsizetype n = values.size();
    qsizetype i = 0;
    while (i < n && std::isnan(p[i]))
        ++i; // NaN has no place in the extents
    if (i == n) return;
    Extended lo = p[i], hi = p[i];
    for (++i; i < n; ++i) {
        const Extended e = p[i];
        if (e <= lo) lo = e;
        if (e >= hi) hi = e;
    }
    if (!std::isfinite(lo) || !std::isfinite(hi)) {
        // Nor has an infinity: no range could be fitted to the plot. Rare, so the fast loop above
        // does not test for it.
        const Extended* first = std::find_if(p, p + n, [](Extended e) { return std::isfinite(e); });
        if (first == p + n) return;
        lo = hi = *first;
        for (const Extended* q = first; q != p + n; ++q)
            if (std::isfinite(*q)) {
                lo = std::min(lo, *q);
                hi = std::max(hi, *q);
            }
    }
    min = lo;
    max = hi;
    // Halves first where the sum would overflow (extents near the largest value).
    mid = std::isfinite(hi + lo) ? (hi + lo) / 2 : hi / 2 + lo / 2;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Markers

bool TMarkers::Pick(int px, int py) {
    int best = -1;
    Extended bestDistance = 0;
    for (int i = 0; i < Items.size(); ++i) {
        const Extended dx = Owner->DataToPixelX(Items[i].X) - px;
        const Extended dy = Owner->DataToPixelY(Items[i].Y) - py;
        const Extended d = std::sqrt(dx * dx + dy * dy);
        if (best < 0 || d < bestDistance) { // ties keep the earlier marker
            best = i;
            bestDistance = d;
        }
    }
    if (best < 0 || bestDistance > Owner->Owner()->MarkerPickDistance()) return false;
    SelectedIndex = best;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Creation and data

TGraph::TGraph(TGraphOwner* owner) : Markers(this), FOwner(owner) {
    const TGraphDefaults defaults = owner->NewGraphDefaults();
    FColor = ColorToRGB(defaults.Color);
    FMarkerColor = FColor;
    FLayer = AxisSlotX = AxisSlotY = owner->GraphCount();
    SetZoomX(defaults.ZoomX);
    SetZoomY(defaults.ZoomY);
    FAllowShiftX = defaults.AllowShiftX;
    FAllowShiftY = defaults.AllowShiftY;
    FAllowScaleX = defaults.AllowScaleX;
    FAllowScaleY = defaults.AllowScaleY;
}

TGraph::~TGraph() = default;

bool TGraph::Recording() const {
    return FOwner->IsRecordingUndo();
}

void TGraph::Repaint() {
    FOwner->Repaint();
}

void TGraph::ChangedStyle(int vtype, int newValue) {
    FOwner->RaiseGraphStyleChange(ID, vtype, newValue);
}

void TGraph::RecordInteger(uint8_t op, int32_t oldValue) {
    if (Recording()) FOwner->RecordInteger(op, ID, oldValue);
}

void TGraph::RecordString(uint8_t op, const QString& oldValue) {
    if (Recording()) FOwner->RecordString(op, ID, oldValue);
}

void TGraph::RecordExtended(uint8_t op, Extended oldValue) {
    if (Recording()) FOwner->RecordExtended(op, ID, oldValue);
}

void TGraph::RecordSymbol(uint8_t op, const TSymbol& oldValue) {
    if (Recording()) FOwner->RecordGraphStep({op, 0, TUndoRedoSymbol{ID, oldValue}});
}

void TGraph::RaiseGraphsListChanged() {
    FOwner->RaiseGraphsListChanged();
}

void TGraph::RaiseSelectedCount() {
    FOwner->RaiseSelectedCountChange();
}

void TGraph::RecomputeExtents() {
    // A large graph's abscissas are scanned on a second core meanwhile.
    const qsizetype n = XData.size();
    std::thread alongX;
    if (n >= kParallelExtents && std::thread::hardware_concurrency() > 1) {
        try {
            alongX = std::thread([this] { MinMaxMid(XData, FXMin, FXMid, FXMax); });
        } catch (const std::system_error&) {
        }
    }
    if (!alongX.joinable()) MinMaxMid(XData, FXMin, FXMid, FXMax);
    MinMaxMid(YData, FYMin, FYMid, FYMax);
    if (alongX.joinable()) alongX.join();
    MinMaxMid(ZData, FZMin, FZMid, FZMax);
    Cache.MarkFresh(TViewCache::Extents);
}

bool TGraph::SetData(const TDoubleArray& x, const TDoubleArray& y, const TDoubleArray& z) {
    if (x.size() != y.size() || (!z.isEmpty() && z.size() != x.size())) return false;
    if (x.size() > std::numeric_limits<int32_t>::max()) return false;
    const TUndoGroupScope oneStep(*FOwner); // the markers go with the nodes

    if (Markers.Count() > 0) {
        if (Recording()) FOwner->RecordMarkers(ID, Markers.Items);
        Markers.Clear();
    }

    // Values without a logarithm make a logarithmic axis plain; the step keeps the switch, so that
    // undo brings the axis back.
    TDoubleArray logsX, logsY;
    const bool logX = FLogX && Logarithms(x, logsX);
    const bool logY = FLogY && Logarithms(y, logsY);
    if (Recording()) {
        if (FLogX && !logX) RecordLogStep(UndoOp::LogX, true);
        if (FLogY && !logY) RecordLogStep(UndoOp::LogY, true);
    }

    if (Recording() && NodeCount() > 0) {
        TEditNodes edit;
        edit.GraphID = ID;
        edit.Kind = enkReplaceAll;
        GetXY(edit.X, edit.Y);
        edit.Z = ZData;
        edit.Pixels = FNodePixels;
        FOwner->RecordGraphStep({UndoOp::Nodes, TGraphUndoStep::Views, edit});
    }

    FLogX = logX;
    FLogY = logY;
    XData = logX ? std::move(logsX) : x;
    XSource = logX ? x : TDoubleArray();
    YData = logY ? std::move(logsY) : y;
    YSource = logY ? y : TDoubleArray();
    ZData = z;

    ResetNodePixels();
    Cache.NewNodes();
    Cache.Invalidate();
    Cache.AnySelected = false;
    Cache.MarkFresh(TViewCache::Selection);
    RecomputeExtents();

    FOwner->Rescale();
    FOwner->RaiseGraphDataChange(ID);
    FOwner->Repaint();
    return true;
}

bool TGraph::GetXY(TDoubleArray& x, TDoubleArray& y) const {
    x = FLogX ? XSource : XData;
    y = FLogY ? YSource : YData;
    return x.size() == y.size();
}

bool TGraph::GetXYZ(TDoubleArray& x, TDoubleArray& y, TDoubleArray& z) const {
    const bool ok = GetXY(x, y);
    z = ZData;
    return ok && z.size() == x.size() && !x.isEmpty();
}

bool TGraph::GetNode(int index, Extended& x, Extended& y) const {
    if (index < 0 || index >= NodeCount()) return false;
    x = FLogX ? XSource[index] : XData[index];
    y = FLogY ? YSource[index] : YData[index];
    return true;
}

// ---------------------------------------------------------------------------------------------
// Mapping

int TGraph::RoundHalfEvenPixel(Extended v) {
    return RoundHalfEven(v);
}

TMappingAnchor TGraph::MappingAnchor() {
    const TPoint origin = FOwner->PlotOrigin();
    return {XMid(), YMid(), Extended(origin.X), Extended(origin.Y)};
}

Extended TGraph::PlotLeftData() {
    return PixelToDataX(FOwner->PlotArea().Left);
}
Extended TGraph::PlotRightData() {
    return PixelToDataX(FOwner->PlotArea().Right);
}
Extended TGraph::PlotTopData() {
    return PixelToDataY(FOwner->PlotArea().Top);
}
Extended TGraph::PlotBottomData() {
    return PixelToDataY(FOwner->PlotArea().Bottom);
}
Extended TGraph::PlotWidthData() const {
    return PixelLengthToDataX(std::abs(FOwner->PlotArea().Width()));
}
Extended TGraph::PlotHeightData() const {
    return PixelLengthToDataY(std::abs(FOwner->PlotArea().Height()));
}

bool TGraph::PointInPlot(int px, int py) const {
    const TRect r = FOwner->PlotArea();
    return px >= r.Left && px < r.Right && py >= r.Top && py < r.Bottom;
}

void TGraph::Fit(const TRect& rect) {
    Mapping.Fit(rect, XMin(), XMax(), YMin(), YMax());
}

void TGraph::ApplyFixedRatio() {
    if (FFixedRatio) Mapping.EqualizeScales();
}

Extended TGraph::ComputeTickStep(TTickVariant variant, int n) {
    const Extended s = Mapping.TickStep(variant, n);
    (variant == TTickVariant::DecimalY ? Mapping.TickStepY : Mapping.TickStepX) = s;
    return s;
}

// ---------------------------------------------------------------------------------------------
// Property setters beyond the declared sequence (GraphProperties.h)

// The marker colour and whether it follows the line colour change each other, in one undo step;
// undo puts each back on its own.
void TGraph::SetMarkerColor(TColor v) {
    const TUndoGroupScope oneStep(*FOwner);
    if (!TGraphProperties::MarkerColor.Store(*this, v)) return;
    if (v != FColor) TGraphProperties::MarkerKeepColor.Store(*this, false);
    TGraphProperties::MarkerColor.Announce(*this);
}

void TGraph::SetMarkerKeepColor(bool v) {
    if (v == FMarkerKeepColor) return;
    const bool repaintWas = FOwner->RepaintAllowed();
    FOwner->SetRepaintAllowed(false);
    {
        const TUndoGroupScope oneStep(*FOwner);
        TGraphProperties::MarkerKeepColor.Store(*this, v);
        if (v) TGraphProperties::MarkerColor.Store(*this, FColor);
        ChangedStyle(StyleChange::MarkerKeepColor, v);
    }
    FOwner->SetRepaintAllowed(repaintWas);
    Repaint();
}

void TGraph::SetLayer(int32_t v) {
    const int32_t old = FLayer;
    if (v == old || v < 0 || v >= FOwner->GraphCount()) return;
    const int wasTop = FOwner->TopGraphIndex();
    if (Recording()) {
        FOwner->RecordGraphStep({UndoOp::Layer, TGraphUndoStep::Layers});
    }
    // The graphs between the old and the new layer move one layer towards the old one.
    for (int i = 0; i < FOwner->GraphCount(); ++i) {
        TGraph* g = FOwner->GraphByIndex(i);
        if (g == this) continue;
        if (v < old && g->FLayer >= v && g->FLayer < old) ++g->FLayer;
        if (v > old && g->FLayer > old && g->FLayer <= v) --g->FLayer;
    }
    FLayer = v;
    ChangedStyle(StyleChange::Layer, v);
    const int curTop = FOwner->TopGraphIndex();
    if (curTop != wasTop) {
        FOwner->Rescale();
        FOwner->RaiseTopGraphChange(wasTop, curTop);
    }
    Repaint();
}

void TGraph::SetFixedRatio(bool v) {
    if (v == FFixedRatio) return;
    if (Recording()) {
        FOwner->RecordGraphStep({UndoOp::FixedRatio, TGraphUndoStep::Views | TGraphUndoStep::Permissions,
                                 TIntegerUndoRedoItem{ID, FFixedRatio}});
    }
    FFixedRatio = v;
    if (v && (FAllowScaleX || FAllowScaleY)) FAllowScaleX = FAllowScaleY = true;
    ChangedStyle(StyleChange::FixedRatio, v);
    FOwner->RaiseEqualScalesChange(ID);
    ApplyFixedRatio();
    FOwner->Rescale();
    Cache.Invalidate(TViewCache::Polyline);
    Repaint();
}

// ---------------------------------------------------------------------------------------------
// Logarithmic axes

void TGraph::SetLogX(bool v) {
    if (v == FLogX || (v && XMin() <= 0)) return;
    SwitchLog(TAxis::X, v);
}

void TGraph::SetLogY(bool v) {
    if (v == FLogY || (v && YMin() <= 0)) return;
    SwitchLog(TAxis::Y, v);
}

void TGraph::RecordLogStep(uint8_t op, bool oldFlag) {
    FOwner->RecordGraphStep({op, TGraphUndoStep::Views, TIntegerUndoRedoItem{ID, oldFlag}});
}

bool TGraph::SwitchLog(TAxis axis, bool on, bool convertMarkers) {
    const bool alongX = axis == TAxis::X;
    bool& flag = alongX ? FLogX : FLogY;
    TDoubleArray& data = alongX ? XData : YData;
    TDoubleArray& source = alongX ? XSource : YSource;
    const uint8_t op = alongX ? UndoOp::LogX : UndoOp::LogY;
    if (Recording()) {
        // 10 to the power of a logarithm is not always the value again: the markers are kept as they
        // are, in the same step.
        const TUndoGroupScope oneStep(*FOwner);
        RecordLogStep(op, flag);
        if (Markers.Count() > 0) RecordMarkersStep();
    }
    bool ok = true;
    if (on) {
        TDoubleArray logs;
        TMarkerArray markers = Markers.Items;
        ok = Logarithms(data, logs);
        if (convertMarkers) {
            for (TMarkerPoint& m : markers) {
                Extended& value = alongX ? m.X : m.Y;
                if (!(value > 0))
                    ok = false;
                else
                    value = Log10(value);
            }
        }
        if (ok) {
            source = data;
            data = std::move(logs);
            Markers.Items = markers;
            flag = true;
        } else {
            flag = false;
            source.clear();
            ShowMessage(
                alongX ? QStringLiteral("При попытке логарифмировать данные по оси X произошла ошибка!")
                       : QStringLiteral("При попытке логарифмировать данные по оси Y произошла ошибка!"));
        }
    } else {
        if (source.size() == data.size()) {
            data = source;
            if (convertMarkers) {
                for (TMarkerPoint& m : Markers.Items) {
                    Extended& value = alongX ? m.X : m.Y;
                    value = Pow10(value);
                }
            }
        }
        source.clear();
        flag = false;
    }
    Cache.Invalidate();
    FOwner->Rescale();
    ChangedStyle(alongX ? StyleChange::LogX : StyleChange::LogY, flag);
    Repaint();
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Designations

void TGraph::SetDesignationOffsets(TDesignation d, int32_t offsetX, int32_t offsetY) {
    TGrSymRecord& rec = FDesignations[d];
    if (offsetX == rec.OffsetX && offsetY == rec.OffsetY) return;
    if (Recording()) {
        const uint8_t op = uint8_t(UndoOp::DesignationOffsets + int(d));
        FOwner->RecordGraphStep({op, 0, TSymMarginsItem{ID, rec.OffsetX, rec.OffsetY}});
    }
    rec.OffsetX = offsetX;
    rec.OffsetY = offsetY;
    Repaint();
}

// ---------------------------------------------------------------------------------------------
// Permissions and binding

int32_t TGraph::EffectivePosGroupX() const {
    return FOwner->SingleGroup(TGraphOwner::GroupKind::PosX) ? 0 : FPosGroupX;
}
int32_t TGraph::EffectivePosGroupY() const {
    return FOwner->SingleGroup(TGraphOwner::GroupKind::PosY) ? 0 : FPosGroupY;
}
int32_t TGraph::EffectiveScaleGroupX() const {
    return FOwner->SingleGroup(TGraphOwner::GroupKind::ScaleX) ? 0 : FScaleGroupX;
}
int32_t TGraph::EffectiveScaleGroupY() const {
    return FOwner->SingleGroup(TGraphOwner::GroupKind::ScaleY) ? 0 : FScaleGroupY;
}

bool TGraph::PosGroupMembersX(QList<int>& members) const {
    const int32_t group = EffectivePosGroupX();
    members = group >= 0 ? FOwner->PosGroupMembersX(group) : QList<int>{};
    return group >= 0;
}

bool TGraph::PosGroupMembersY(QList<int>& members) const {
    const int32_t group = EffectivePosGroupY();
    members = group >= 0 ? FOwner->PosGroupMembersY(group) : QList<int>{};
    return group >= 0;
}

bool TGraph::ScaleGroupMembers(TAxis axis, QList<int>& xList, QList<int>& yList) const {
    const int32_t group = axis == TAxis::X ? EffectiveScaleGroupX() : EffectiveScaleGroupY();
    xList.clear();
    yList.clear();
    if (group < 0) return false;
    FOwner->ScaleGroupClosure(axis, group, xList, yList);
    return true;
}

void TGraph::SetPermissionFlagDirect(int which, bool v) {
    switch (which) {
    case 0:
        FAllowShiftX = v;
        break;
    case 1:
        FAllowShiftY = v;
        break;
    case 2:
        FAllowScaleX = v;
        break;
    case 3:
        FAllowScaleY = v;
        break;
    default:
        break;
    }
}

// which: 0 shift X, 1 shift Y, 2 scale X, 3 scale Y.
void TGraph::ApplyPermission(int which, bool v) {
    static constexpr int kStateCode[] = {StateChange::ShiftX, StateChange::ShiftY, StateChange::ScaleX,
                                         StateChange::ScaleY};
    auto set = [&](TGraph* g, int w) {
        g->SetPermissionFlagDirect(w, v);
        FOwner->RaiseGraphStateChange(g->ID, kStateCode[w], v);
    };
    QList<int> members;
    if (which < 2) {
        const bool grouped = which == 0 ? PosGroupMembersX(members) : PosGroupMembersY(members);
        if (!grouped) {
            set(this, which);
            return;
        }
        for (int index : members)
            set(FOwner->GraphByIndex(index), which);
        return;
    }
    QList<int> xList, yList;
    if (!ScaleGroupMembers(which == 2 ? TAxis::X : TAxis::Y, xList, yList)) {
        set(this, which);
        if (FFixedRatio) set(this, which == 2 ? 3 : 2);
        return;
    }
    for (int index : xList)
        set(FOwner->GraphByIndex(index), 2);
    for (int index : yList)
        set(FOwner->GraphByIndex(index), 3);
}

namespace {
bool PermissionOf(const TGraph& g, int which) {
    switch (which) {
    case 0:
        return g.AllowShiftX();
    case 1:
        return g.AllowShiftY();
    case 2:
        return g.AllowScaleX();
    default:
        return g.AllowScaleY();
    }
}
} // namespace

void TGraph::RecordPermissionsStep() {
    if (Recording()) FOwner->RecordGraphStep({UndoOp::Permissions, TGraphUndoStep::Permissions});
}

void TGraph::SetPermission(int which, bool v) {
    if (v == PermissionOf(*this, which)) return;
    RecordPermissionsStep();
    ApplyPermission(which, v);
}

void TGraph::SetAllowShiftX(bool v) {
    SetPermission(0, v);
}
void TGraph::SetAllowShiftY(bool v) {
    SetPermission(1, v);
}
void TGraph::SetAllowScaleX(bool v) {
    SetPermission(2, v);
}
void TGraph::SetAllowScaleY(bool v) {
    SetPermission(3, v);
}

void TGraph::SetPermissionsExclusive(bool shiftX, bool shiftY, bool scaleX, bool scaleY) {
    RecordPermissionsStep();
    const TUndoRecordingPause quiet(*FOwner);
    for (int i = 0; i < FOwner->GraphCount(); ++i)
        for (int w = 0; w < 4; ++w)
            FOwner->GraphByIndex(i)->SetPermissionFlagDirect(w, false);
    const bool values[4] = {shiftX, shiftY, scaleX, scaleY};
    for (int w = 0; w < 4; ++w)
        if (PermissionOf(*this, w) != values[w]) ApplyPermission(w, values[w]);
}

void TGraph::SetPermissions(bool shiftX, bool shiftY, bool scaleX, bool scaleY) {
    const bool values[4] = {shiftX, shiftY, scaleX, scaleY};
    bool changes = false;
    for (int w = 0; w < 4; ++w)
        changes |= PermissionOf(*this, w) != values[w];
    if (!changes) return;
    RecordPermissionsStep();
    for (int w = 0; w < 4; ++w)
        if (PermissionOf(*this, w) != values[w]) ApplyPermission(w, values[w]);
}

// permission: which flag a group ≥ 0 switches on (0 shift X, 1 shift Y, 2 scale X, 3 scale Y).
void TGraph::SetGroup(int32_t& field, int32_t v, int permission) {
    if (v == field) return;
    if (Recording()) {
        FOwner->RecordGraphStep(
            {UndoOp::Groups, TGraphUndoStep::Views | TGraphUndoStep::Permissions | TGraphUndoStep::Groups});
    }
    field = v;
    if (v >= 0) SetPermissionFlagDirect(permission, true);
    FOwner->Rescale();
    Repaint();
}

void TGraph::SetPosGroupX(int32_t v) {
    SetGroup(FPosGroupX, v, 0);
}
void TGraph::SetPosGroupY(int32_t v) {
    SetGroup(FPosGroupY, v, 1);
}
void TGraph::SetScaleGroupX(int32_t v) {
    SetGroup(FScaleGroupX, v, 2);
}
void TGraph::SetScaleGroupY(int32_t v) {
    SetGroup(FScaleGroupY, v, 3);
}

// ---------------------------------------------------------------------------------------------
// Copy

void TGraph::AssignFrom(const TGraph& o) {
    if (&o == this) return;
    ID = o.ID;
    FName = o.FName;
    FLegendText = o.FLegendText;
    FMarkerText = o.FMarkerText;
    FLayer = o.FLayer;
    AxisSlotX = o.AxisSlotX;
    AxisSlotY = o.AxisSlotY;
    FScaleGroupX = o.FScaleGroupX;
    FScaleGroupY = o.FScaleGroupY;
    FPosGroupX = o.FPosGroupX;
    FPosGroupY = o.FPosGroupY;
    FAllowShiftX = o.FAllowShiftX;
    FAllowShiftY = o.FAllowShiftY;
    FAllowScaleX = o.FAllowScaleX;
    FAllowScaleY = o.FAllowScaleY;

    FColor = o.FColor;
    FLineWidth = o.FLineWidth;
    FLineStyle = o.FLineStyle;
    FWidthScale = o.FWidthScale;
    FVisible = o.FVisible;
    FSelected = o.FSelected;
    FShowNodes = o.FShowNodes;
    FDateTimeArg = o.FDateTimeArg;
    FInLegend = o.FInLegend;
    FBreakMode = o.FBreakMode;
    FBreakLimit = o.FBreakLimit;
    FMarkersVisible = o.FMarkersVisible;
    FMarkerColor = o.FMarkerColor;
    FMarkerKeepColor = o.FMarkerKeepColor;
    FMarkerSymbol = o.FMarkerSymbol;

    Mapping = o.Mapping;
    FFixedRatio = o.FFixedRatio;

    FXMin = o.FXMin;
    FXMid = o.FXMid;
    FXMax = o.FXMax;
    FYMin = o.FYMin;
    FYMid = o.FYMid;
    FYMax = o.FYMax;
    FZMin = o.FZMin;
    FZMid = o.FZMid;
    FZMax = o.FZMax;

    for (int d = 0; d < 4; ++d)
        FDesignations[d] = o.FDesignations[d];
    FXDesignLayout = o.FXDesignLayout;
    FYDesignLayout = o.FYDesignLayout;

    // The arrays are copied on write, so the copy never changes with the original.
    FLogX = o.FLogX;
    FLogY = o.FLogY;
    XData = o.XData;
    YData = o.YData;
    ZData = o.ZData;
    XSource = o.XSource;
    YSource = o.YSource;
    FNodePixels = o.FNodePixels;
    Cache = o.Cache;
    Markers.Items = o.Markers.Items;
    Markers.SelectedIndex = o.Markers.SelectedIndex;

    for (int i = 0; i < 4; ++i)
        Reserved[i] = o.Reserved[i];
    ReservedFlag = o.ReservedFlag;
}
