#include "model/Graph.h"

#include "model/Codecs.h"
#include "model/Colors.h"
#include "model/DecimalLog.h"
#include "model/GraphProperties.h"
#include "model/Notifier.h"
#include "window/SuperGrWindow.h"

#include <cmath>
#include <span>
#include <system_error>
#include <thread>

namespace {
constexpr Extended kHuge = 1.7e308L;

// b raised to an integer power; for negative k the reciprocal of the positive power, so that
// 10^-3 is the nearest value to 0.001.
Extended IntPower(int k, Extended b) {
    Extended result = 1;
    Extended base = b;
    for (int n = std::abs(k); n > 0; n >>= 1) {
        if (n & 1) result *= base;
        base *= base;
    }
    return k < 0 ? 1 / result : result;
}

// The whole k with b^k <= |v| < b^(k+1). The logarithms give k up to one either way where |v| is
// close to a power of b, and differently on different processors; the powers settle it.
int Ratio(Extended b, Extended v) {
    if (v == 0) return 0;
    const Extended a = std::fabs(v);
    int k = int(std::floor(std::log(a) / std::log(b)));
    if (IntPower(k, b) > a)
        --k;
    else if (IntPower(k + 1, b) <= a)
        ++k;
    return k;
}

int Magnitude(Extended v) {
    return Ratio(10, v);
}

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
    min = lo;
    max = hi;
    mid = (hi + lo) / 2;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Markers

bool TMarkers::Pick(int px, int py) {
    TSuperGrWindow* window = Owner->Owner();
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
    if (best < 0 || bestDistance > window->MarkerPickRadius) return false;
    SelectedIndex = best;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Creation and data

TGraph::TGraph(TSuperGrWindow* owner) : Markers(this), FOwner(owner) {
    FColor = ColorToRGB(owner->Colors.Get(TColorStruct::GraphDefault));
    FMarkerColor = FColor;
    FLayer = AxisSlotX = AxisSlotY = owner->GraphCount();
    SetZoomX(owner->InitialScaleX);
    SetZoomY(owner->InitialScaleY);
    FAllowShiftX = owner->DrawPolicy.AllowPosX();
    FAllowShiftY = owner->DrawPolicy.AllowPosY();
    FAllowScaleX = owner->DrawPolicy.AllowScaleX();
    FAllowScaleY = owner->DrawPolicy.AllowScaleY();
}

TGraph::~TGraph() = default;

bool TGraph::Recording() const {
    return FOwner->UndoRecording;
}

void TGraph::Repaint() {
    FOwner->Repaint();
}

void TGraph::ChangedStyle(int vtype, int newValue) {
    Raise(FOwner->Events.OnChangeGraphStyle, FOwner, ID, vtype, newValue);
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
    if (!Recording()) return;
    FOwner->RecordOp(op);
    FOwner->UndoSide.Symbols.append({ID, oldValue});
    FOwner->FinishRecord(op);
}

void TGraph::RaiseGraphsListChanged() {
    FOwner->RaiseGraphsListChanged();
}

void TGraph::RaiseSelectedCount() {
    Raise(FOwner->Events.OnChangeSelectedCnt, FOwner, FOwner->SelectedGraphCount());
}

void TGraph::RecomputeExtents() {
    // A large graph's abscissas are scanned on a second core meanwhile.
    std::thread alongX;
    if (XData.size() >= kParallelExtents && std::thread::hardware_concurrency() > 1) {
        try {
            alongX = std::thread([this] { MinMaxMid(XData, FXMin, FXMid, FXMax); });
        } catch (const std::system_error&) {
        }
    }
    if (!alongX.joinable()) MinMaxMid(XData, FXMin, FXMid, FXMax);
    MinMaxMid(YData, FYMin, FYMid, FYMax);
    if (alongX.joinable()) alongX.join();
    MinMaxMid(ZData, FZMin, FZMid, FZMax);
    ExtentsDirty = false;
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
        edit.Pixels = NodePixels;
        FOwner->RecordOp(UndoOp::Nodes);
        FOwner->UndoSide.Nodes.append(edit);
        FOwner->UndoSide.Views.append(FOwner->CaptureViews());
        FOwner->FinishRecord(UndoOp::Nodes);
    }

    FLogX = logX;
    FLogY = logY;
    XData = logX ? std::move(logsX) : x;
    XSource = logX ? x : TDoubleArray();
    YData = logY ? std::move(logsY) : y;
    YSource = logY ? y : TDoubleArray();
    ZData = z;

    const qsizetype n = XData.size();
    // The polyline takes room as it is built: a thinned curve needs far fewer points than nodes.
    PolyPoints = TPointArray();
    PolyNodeIndex = TIntArray();
    NodePixels.fill(TNodePixel{}, n);
    PolyPointCount = 0;
    PolyPieceCount = 0;

    ExtentsDirty = true;
    RecomputeExtents();
    CacheDirty = true;
    PolyDirty = true;

    FOwner->Rescale();
    Raise(FOwner->Events.OnChangeGraphData, FOwner, ID);
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

Extended TGraph::DataToPixelX(Extended x) {
    return (x - XMid() - ShiftX) * FitX * FZoomX + FOwner->OriginX;
}

Extended TGraph::DataToPixelY(Extended y) {
    return FOwner->OriginY - (y - YMid() - ShiftY) * FitY * FZoomY;
}

Extended TGraph::PixelToDataX(Extended px) {
    const Extended k = FitX * FZoomX;
    const Extended d = px - FOwner->OriginX;
    if (k == 0) return d == 0 ? 0 : std::copysign(kHuge, d);
    return XMid() + ShiftX + d / k;
}

Extended TGraph::PixelToDataY(Extended py) {
    const Extended k = FitY * FZoomY;
    const Extended d = FOwner->OriginY - py;
    if (k == 0) return d == 0 ? 0 : std::copysign(kHuge, d);
    return YMid() + ShiftY + d / k;
}

Extended TGraph::PixelLengthToDataX(Extended d) const {
    const Extended k = FitX * FZoomX;
    if (k == 0) return d == 0 ? 0 : std::copysign(kHuge, d);
    return d / k;
}

Extended TGraph::PixelLengthToDataY(Extended d) const {
    const Extended k = FitY * FZoomY;
    if (k == 0) return d == 0 ? 0 : std::copysign(kHuge, d);
    return d / k;
}

Extended TGraph::PlotLeftData() {
    return PixelToDataX(FOwner->PlotRect.Left);
}
Extended TGraph::PlotRightData() {
    return PixelToDataX(FOwner->PlotRect.Right);
}
Extended TGraph::PlotTopData() {
    return PixelToDataY(FOwner->PlotRect.Top);
}
Extended TGraph::PlotBottomData() {
    return PixelToDataY(FOwner->PlotRect.Bottom);
}
Extended TGraph::PlotWidthData() const {
    return PixelLengthToDataX(std::abs(FOwner->PlotRect.Width()));
}
Extended TGraph::PlotHeightData() const {
    return PixelLengthToDataY(std::abs(FOwner->PlotRect.Height()));
}

bool TGraph::PointInPlot(int px, int py) const {
    const TRect& r = FOwner->PlotRect;
    return px >= r.Left && px < r.Right && py >= r.Top && py < r.Bottom;
}

void TGraph::Fit(const TRect& rect) {
    const int64_t w = std::llabs(int64_t(rect.Right) - rect.Left);
    const int64_t h = std::llabs(int64_t(rect.Bottom) - rect.Top);
    Extended xMin = XMin(), xMax = XMax(), yMin = YMin(), yMax = YMax();
    TSuperGrWindow::WidenZeroRange(xMin, xMax);
    TSuperGrWindow::WidenZeroRange(yMin, yMax);
    // Never below one pixel, so an empty rectangle cannot mirror the picture.
    FitX = Extended(std::max<int64_t>(w - 1, 1)) / std::fabs(xMax - xMin);
    FitY = Extended(std::max<int64_t>(h - 1, 1)) / std::fabs(yMax - yMin);
    const Extended kx = FitX * FZoomX, ky = FitY * FZoomY;
    if (kx != 0) PixelStepX = 1 / kx;
    if (ky != 0) PixelStepY = 1 / ky;
}

void TGraph::SetZoomX(Extended z) {
    if (z < 1e15L) FZoomX = z;
}

void TGraph::SetZoomY(Extended z) {
    if (z < 1e15L) FZoomY = z;
}

void TGraph::ApplyFixedRatio() {
    if (!FFixedRatio) return;
    if (FitX <= FitY) {
        if (FitY != 0) SetZoomY(FZoomX * FitX / FitY);
    } else if (FitX != 0) {
        SetZoomX(FZoomY * FitY / FitX);
    }
}

Extended TGraph::ComputeTickStep(TTickVariant variant, int n) {
    const bool alongY = variant == TTickVariant::DecimalY;
    const Extended u = alongY ? PixelLengthToDataY(n) : PixelLengthToDataX(n);
    auto toPixels = [&](Extended dataLength) {
        return alongY ? DataLengthToPixelY(dataLength) : DataLengthToPixelX(dataLength);
    };

    static constexpr Extended kDecimal[] = {2, 2.5L};
    static constexpr Extended kSeconds[] = {2, 1.5L, 1.6666666666666667L, 2, 1.5L, 2};
    static constexpr Extended kHours[] = {2, 1.5L, 2};
    static constexpr Extended kDays[] = {2, 3.5L, 1.4285714285714286L, 1.4L};
    static constexpr Extended kMonths[] = {2, 1.5L, 1.3333333333333333L, 1.5L};

    Extended s0 = 0;
    std::span<const Extended> ladder;
    switch (variant) {
    case TTickVariant::DecimalX:
    case TTickVariant::DecimalY:
        s0 = IntPower(Magnitude(u), 10);
        ladder = kDecimal;
        break;
    case TTickVariant::Seconds:
        s0 = IntPower(Ratio(86400, u), 86400);
        ladder = kSeconds;
        break;
    case TTickVariant::Minutes:
        s0 = IntPower(Ratio(1440, u), 1440);
        ladder = kSeconds;
        break;
    case TTickVariant::Hours:
        s0 = IntPower(Ratio(24, u), 24);
        ladder = kHours;
        break;
    case TTickVariant::Days:
        s0 = IntPower(Ratio(28, u), 28);
        ladder = kDays;
        break;
    case TTickVariant::Months:
        s0 = IntPower(Ratio(28, u), 28);
        ladder = kMonths;
        break;
    case TTickVariant::SecondFractions: {
        const Extended b = IntPower(Magnitude(u * 86400), 10);
        s0 = IntPower(Ratio(86400 / b, u), 86400 / b);
        ladder = kDecimal;
        break;
    }
    }

    Extended s = toPixels(s0);
    for (Extended factor : ladder)
        if (n - s > 2) s *= factor;
    if (n - s > 2) s *= 2;
    (alongY ? TickStepY : TickStepX) = s;
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
    const bool repaintWas = FOwner->AllowRepaint;
    FOwner->AllowRepaint = false;
    {
        const TUndoGroupScope oneStep(*FOwner);
        TGraphProperties::MarkerKeepColor.Store(*this, v);
        if (v) TGraphProperties::MarkerColor.Store(*this, FColor);
        ChangedStyle(StyleChange::MarkerKeepColor, v);
    }
    FOwner->AllowRepaint = repaintWas;
    Repaint();
}

void TGraph::SetLayer(int32_t v) {
    const int32_t old = FLayer;
    if (v == old || v < 0 || v >= FOwner->GraphCount()) return;
    const int wasTop = FOwner->TopGraphIndex();
    if (Recording()) {
        FOwner->RecordOp(UndoOp::Layer);
        FOwner->UndoSide.Layers.append(FOwner->CaptureLayers());
        FOwner->FinishRecord(UndoOp::Layer);
    }
    // The graphs between the old and the new layer move one layer towards the old one.
    for (const auto& g : FOwner->FGraphs) {
        if (g.get() == this) continue;
        if (v < old && g->FLayer >= v && g->FLayer < old) ++g->FLayer;
        if (v > old && g->FLayer > old && g->FLayer <= v) --g->FLayer;
    }
    FLayer = v;
    ChangedStyle(StyleChange::Layer, v);
    const int curTop = FOwner->TopGraphIndex();
    if (curTop != wasTop) {
        FOwner->Rescale();
        Raise(FOwner->Events.OnChangeTopGraph, FOwner, wasTop, curTop);
    }
    Repaint();
}

void TGraph::SetFixedRatio(bool v) {
    if (v == FFixedRatio) return;
    if (Recording()) {
        FOwner->RecordOp(UndoOp::FixedRatio);
        FOwner->UndoSide.Integers.append({ID, FFixedRatio});
        FOwner->UndoSide.Views.append(FOwner->CaptureViews());
        FOwner->UndoSide.Permissions.append(FOwner->CapturePermissions());
        FOwner->FinishRecord(UndoOp::FixedRatio);
    }
    FFixedRatio = v;
    if (v && (FAllowScaleX || FAllowScaleY)) FAllowScaleX = FAllowScaleY = true;
    ChangedStyle(StyleChange::FixedRatio, v);
    Raise(FOwner->Events.OnEqualScalesChange, FOwner, ID);
    ApplyFixedRatio();
    FOwner->Rescale();
    PolyDirty = true;
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
    FOwner->RecordOp(op);
    FOwner->UndoSide.Integers.append({ID, oldFlag});
    FOwner->UndoSide.Views.append(FOwner->CaptureViews());
    FOwner->FinishRecord(op);
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
    ExtentsDirty = true;
    PolyDirty = true;
    CacheDirty = true;
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
        FOwner->RecordOp(op);
        FOwner->UndoSide.Offsets.append({ID, rec.OffsetX, rec.OffsetY});
        FOwner->FinishRecord(op);
    }
    rec.OffsetX = offsetX;
    rec.OffsetY = offsetY;
    Repaint();
}

// ---------------------------------------------------------------------------------------------
// Permissions and binding

int32_t TGraph::EffectivePosGroupX() const {
    return FOwner->DrawPolicy.SinglePosX() ? 0 : FPosGroupX;
}
int32_t TGraph::EffectivePosGroupY() const {
    return FOwner->DrawPolicy.SinglePosY() ? 0 : FPosGroupY;
}
int32_t TGraph::EffectiveScaleGroupX() const {
    return FOwner->DrawPolicy.SingleScaleX() ? 0 : FScaleGroupX;
}
int32_t TGraph::EffectiveScaleGroupY() const {
    return FOwner->DrawPolicy.SingleScaleY() ? 0 : FScaleGroupY;
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
        Raise(FOwner->Events.OnChangeGraphState, FOwner, g->ID, kStateCode[w], v);
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
    if (!Recording()) return;
    FOwner->RecordOp(UndoOp::Permissions);
    FOwner->UndoSide.Permissions.append(FOwner->CapturePermissions());
    FOwner->FinishRecord(UndoOp::Permissions);
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
    for (const auto& g : FOwner->FGraphs)
        for (int w = 0; w < 4; ++w)
            g->SetPermissionFlagDirect(w, false);
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
        FOwner->RecordOp(UndoOp::Groups);
        FOwner->UndoSide.Views.append(FOwner->CaptureViews());
        FOwner->UndoSide.Permissions.append(FOwner->CapturePermissions());
        FOwner->UndoSide.Groups.append(FOwner->CaptureGroups());
        FOwner->FinishRecord(UndoOp::Groups);
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

    FitX = o.FitX;
    FitY = o.FitY;
    FZoomX = o.FZoomX;
    FZoomY = o.FZoomY;
    ShiftX = o.ShiftX;
    ShiftY = o.ShiftY;
    PixelStepX = o.PixelStepX;
    PixelStepY = o.PixelStepY;
    TickStepX = o.TickStepX;
    TickStepY = o.TickStepY;
    VisXMin = o.VisXMin;
    VisXMax = o.VisXMax;
    VisYMin = o.VisYMin;
    VisYMax = o.VisYMax;
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
    ExtentsDirty = o.ExtentsDirty;

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
    NodePixels = o.NodePixels;
    PolyPoints = o.PolyPoints;
    PolyPointCount = o.PolyPointCount;
    PolyNodeIndex = o.PolyNodeIndex;
    PolyPieces = o.PolyPieces;
    PolyPieceCount = o.PolyPieceCount;
    DrawTime = o.DrawTime;
    PolyDirty = o.PolyDirty;
    CacheDirty = o.CacheDirty;
    Markers.Items = o.Markers.Items;
    Markers.SelectedIndex = o.Markers.SelectedIndex;

    for (int i = 0; i < 4; ++i)
        Reserved[i] = o.Reserved[i];
    ReservedFlag = o.ReservedFlag;
}
