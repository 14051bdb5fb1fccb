#include "model/Codecs.h"
#include "model/Polyline.h"
#include "model/FontMetrics.h"
#include "window/SuperGrWindow.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
constexpr int kGroupCount = 9;
} // namespace

// ---------------------------------------------------------------------------------------------
// Layout and scaling

void TSuperGrWindow::SetClientSize(int width, int height) {
    const TRect size{0, 0, std::max(width, 0), std::max(height, 0)};
    if (size == FClientRect) return;
    // The visible data window of every graph stays; the pixels per unit change instead.
    TakePendingViews();
    FClientRect = size;
    LayoutPlot(FClientRect);
    ApplyPendingViews();
    Repaint();
}

void TSuperGrWindow::WidenZeroRange(Extended& min, Extended& max) {
    if (min != max) return;
    const Extended v = min;
    const Extended d = v == 0 ? 0.01L : 0.01L * std::fabs(v);
    min = v - d;
    max = v + d;
}

namespace {
int Scaled(int value, Extended scale, bool atLeastOne) {
    const int v = RoundHalfEven(value * scale);
    return atLeastOne ? std::max(v, 1) : v;
}
} // namespace

void TSuperGrWindow::LayoutPlot(const TRect& target) {
    ComputeAxisSlots();
    const int frame = Scaled(FBrdrWidth, OutputScale, true);
    const int halfFrame = (frame + 1) / 2;
    TRect r = target;
    r.Left += Scaled(Margins.Left(), OutputScale, false) + halfFrame;
    r.Top += Scaled(Margins.Top(), OutputScale, false) + halfFrame;
    r.Right -= Scaled(Margins.Right(), OutputScale, false) + halfFrame;
    r.Bottom -= Scaled(Margins.Bottom(), OutputScale, false) + halfFrame;

    const TFontMetricsInfo axis = MeasureFont(FAxisFont, OutputScale);
    const int bottomMargin = Scaled(Margins.Bottom(), OutputScale, false);
    const int leftMargin = Scaled(Margins.Left(), OutputScale, false);
    FXBand = axis.DigitHeight + bottomMargin;
    FYBand = (FVerticalYFont ? axis.DigitHeight : axis.SixDigitsWidth) + leftMargin;
    if (FShowXAxisLabels) {
        const int xBand = axis.DigitHeight + bottomMargin;
        const int xBandDate = 2 * axis.DigitHeight + bottomMargin;
        if (!FMultiXAxis || FGraphs.empty()) {
            r.Bottom -= xBand;
        } else {
            QList<int> slotsDone;
            for (const auto& g : FGraphs) {
                const int slot = FCombineXAxis ? g->AxisSlotX : g->Layer();
                if (slotsDone.contains(slot)) continue;
                slotsDone.append(slot);
                r.Bottom -= g->DateTimeArg() ? xBandDate : xBand;
            }
        }
    }
    if (FShowYAxisLabels) {
        const int labelWidth = FVerticalYFont ? axis.DigitHeight : axis.SixDigitsWidth;
        r.Left += labelWidth;
        if (FMultiYAxis && GraphCount() > 1) {
            QList<int> slotsSeen;
            for (const auto& g : FGraphs) {
                const int slot = FCombineYAxis ? g->AxisSlotY : g->Layer();
                if (!slotsSeen.contains(slot)) slotsSeen.append(slot);
            }
            r.Left += int(slotsSeen.size() - 1) * (labelWidth + leftMargin);
        }
    }
    const TFontMetricsInfo top = MeasureFont(FTopCaptionFont, OutputScale);
    const TFontMetricsInfo bottom = MeasureFont(FBottomCaptionFont, OutputScale);
    r.Top += int(FTopCaption.size()) * top.LineHeight;
    r.Bottom -= int(FBottomCaption.size()) * bottom.LineHeight;

    PlotRect = r;
    const int sumX = r.Left + r.Right + 1, sumY = r.Top + r.Bottom + 1;
    OriginX = sumX >= 0 ? sumX / 2 : -1;
    OriginY = sumY >= 0 ? sumY / 2 : -1;
    FitAllToPlot();
}

void TSuperGrWindow::PrepareForPaint(const TRect& target) {
    LayoutPlot(target);
    ApplyPendingViews();
    // Re-imposing the groups marks every polyline stale; only the graphs whose visible window moved
    // (checked below) or that were stale before need their polylines again.
    std::vector<bool> wasDirty;
    wasDirty.reserve(FGraphs.size());
    for (const auto& g : FGraphs)
        wasDirty.push_back(g->PolyDirty);
    Rescale();
    for (size_t i = 0; i < FGraphs.size(); ++i)
        FGraphs[i]->PolyDirty = wasDirty[i];
    // Another plot or scale than at the last paint (an export, a resize): every cache is stale.
    const bool geometryChanged = !(PlotRect == FLastPaintPlot) || OutputScale != FLastPaintScale;
    FLastPaintPlot = PlotRect;
    FLastPaintScale = OutputScale;
    for (const auto& g : FGraphs) {
        const Extended left = g->PixelToDataX(PlotRect.Left), right = g->PixelToDataX(PlotRect.Right);
        const Extended top = g->PixelToDataY(PlotRect.Top), bottom = g->PixelToDataY(PlotRect.Bottom);
        const Extended xMin = std::min(left, right), xMax = std::max(left, right);
        const Extended yMin = std::min(top, bottom), yMax = std::max(top, bottom);
        if (geometryChanged || xMin != g->VisXMin || xMax != g->VisXMax || yMin != g->VisYMin ||
            yMax != g->VisYMax)
            g->PolyDirty = true;
        g->VisXMin = xMin;
        g->VisXMax = xMax;
        g->VisYMin = yMin;
        g->VisYMax = yMax;
        PreparePolyline(*g);
    }
}

void TSuperGrWindow::FitAllToPlot() {
    for (const auto& g : FGraphs)
        g->Fit(PlotRect);
}

void TSuperGrWindow::Rescale() {
    FitAllToPlot();
    const int top = TopGraphIndex();
    if (top >= 0) ZoomBy(top, false, TAxis::X, 1, 1);
    for (const auto& g : FGraphs)
        g->CacheDirty = false;
}

Extended TSuperGrWindow::ViewLeft(const TGraph& g) {
    return const_cast<TGraph&>(g).PlotLeftData();
}
Extended TSuperGrWindow::ViewBottom(const TGraph& g) {
    return const_cast<TGraph&>(g).PlotBottomData();
}
Extended TSuperGrWindow::ViewWidth(const TGraph& g) const {
    return g.PlotWidthData();
}
Extended TSuperGrWindow::ViewHeight(const TGraph& g) const {
    return g.PlotHeightData();
}

void TSuperGrWindow::FitIntoRects(const QList<int>& indexes, const QList<TRect>& rects, bool fitX,
                                  bool fitY) {
    if (indexes.size() != rects.size()) return;
    bool anyVisible = false;
    for (int index : indexes) {
        if (index < 0 || index >= GraphCount()) return;
        anyVisible |= FGraphs[size_t(index)]->Visible();
    }
    if (!anyVisible) return;

    FitAllToPlot();
    const int n = GraphCount();
    QList<Extended> newZoomX(n, InitialScaleX), newZoomY(n, InitialScaleY), newShiftX(n, 0), newShiftY(n, 0);
    const Extended plotW = PlotRect.Width(), plotH = PlotRect.Height();
    for (int k = 0; k < indexes.size(); ++k) {
        const int i = indexes[k];
        const TRect& r = rects[k];
        TGraph& g = *FGraphs[size_t(i)];
        newZoomX[i] = plotW == 0 ? InitialScaleX : std::fabs(Extended(r.Width()) / plotW) * InitialScaleX;
        newZoomY[i] = plotH == 0 ? InitialScaleY : std::fabs(Extended(r.Height()) / plotH) * InitialScaleY;
        const int centreX = (r.Left + r.Right) / 2, centreY = (r.Top + r.Bottom) / 2;
        const Extended kx = g.FitX * newZoomX[i], ky = g.FitY * newZoomY[i];
        newShiftX[i] = kx != 0 ? (OriginX - centreX) / kx : 0;
        newShiftY[i] = ky != 0 ? (centreY - OriginY) / ky : 0;
    }
    for (int i : indexes) {
        TGraph& g = *FGraphs[size_t(i)];
        if (fitX && g.EffectiveScaleGroupX() < 0) g.SetZoomX(newZoomX[i]);
        if (fitY && g.EffectiveScaleGroupY() < 0) g.SetZoomY(newZoomY[i]);
        if (fitX && g.EffectivePosGroupX() < 0 && g.ZoomX() != 0)
            g.ShiftX = newShiftX[i] * newZoomX[i] / g.ZoomX();
        if (fitY && g.EffectivePosGroupY() < 0 && g.ZoomY() != 0)
            g.ShiftY = newShiftY[i] * newZoomY[i] / g.ZoomY();
    }

    // Bound groups fit their widest member.
    auto driveGroups = [&](TAxis axis) {
        const bool alongX = axis == TAxis::X;
        for (int group = 0; group < kGroupCount; ++group) {
            QList<int> xList, yList;
            ScaleGroupClosure(axis, group, xList, yList);
            const QList<int>& members = alongX ? xList : yList;
            int driver = -1;
            Extended bestZoom = 0, bestShift = 0;
            bool touched = false;
            for (int m : members) {
                if (!indexes.contains(m)) continue;
                touched = true;
                const Extended z = alongX ? newZoomX[m] : newZoomY[m];
                if (driver < 0 || z < bestZoom) {
                    bestZoom = z;
                    bestShift = alongX ? newShiftX[m] : newShiftY[m];
                }
                driver = m;
            }
            if (!touched) continue;
            // The driving member is the visible one with the widest data range.
            int widest = -1;
            for (int m : members) {
                const TGraph& g = *FGraphs[size_t(m)];
                if (!g.Visible()) continue;
                const Extended fit = alongX ? g.FitX : g.FitY;
                if (widest < 0 ||
                    fit < (alongX ? FGraphs[size_t(widest)]->FitX : FGraphs[size_t(widest)]->FitY))
                    widest = m;
            }
            if (widest < 0) widest = driver;
            TGraph& d = *FGraphs[size_t(widest)];
            if (alongX) {
                d.SetZoomX(bestZoom);
                d.ShiftX = bestShift;
            } else {
                d.SetZoomY(bestZoom);
                d.ShiftY = bestShift;
            }
            SyncScaleGroup(axis, group, widest, false, 1);
        }
        for (int group = 0; group < kGroupCount; ++group) {
            const QList<int> members = alongX ? PosGroupMembersX(group) : PosGroupMembersY(group);
            if (std::none_of(members.begin(), members.end(), [&](int m) { return indexes.contains(m); }))
                continue;
            // As for the scales: the visible given member with the widest data range leads.
            int reference = -1;
            for (int m : members) {
                if (!indexes.contains(m) || !FGraphs[size_t(m)]->Visible()) continue;
                const Extended fit = alongX ? FGraphs[size_t(m)]->FitX : FGraphs[size_t(m)]->FitY;
                const Extended best = reference < 0 ? 0
                                      : alongX      ? FGraphs[size_t(reference)]->FitX
                                                    : FGraphs[size_t(reference)]->FitY;
                if (reference < 0 || fit < best) reference = m;
            }
            if (reference < 0) continue;
            TGraph& g = *FGraphs[size_t(reference)];
            if (alongX) {
                if (g.ZoomX() != 0) g.ShiftX = newShiftX[reference] * newZoomX[reference] / g.ZoomX();
            } else if (g.ZoomY() != 0) {
                g.ShiftY = newShiftY[reference] * newZoomY[reference] / g.ZoomY();
            }
            SyncPosGroup(axis, group, reference, false, 0);
        }
    };
    if (fitX) driveGroups(TAxis::X);
    if (fitY) driveGroups(TAxis::Y);
    for (const auto& g : FGraphs)
        g->PolyDirty = true;
}

void TSuperGrWindow::SyncScaleGroup(TAxis axis, int group, int reference, bool onlyAllowed, Extended factor) {
    QList<int> xList, yList;
    ScaleGroupClosure(axis, group, xList, yList);
    const QList<int>& members = axis == TAxis::X ? xList : yList;
    if (members.isEmpty()) return;
    if (!members.contains(reference)) reference = members.first();
    const TGraph& ref = *FGraphs[size_t(reference)];
    const Extended k = axis == TAxis::X ? ref.FitX * ref.ZoomX() : ref.FitY * ref.ZoomY();
    for (int m : xList) {
        TGraph& g = *FGraphs[size_t(m)];
        if ((!onlyAllowed || g.AllowScaleX()) && g.FitX != 0) g.SetZoomX(factor * k / g.FitX);
    }
    for (int m : yList) {
        TGraph& g = *FGraphs[size_t(m)];
        if ((!onlyAllowed || g.AllowScaleY()) && g.FitY != 0) g.SetZoomY(factor * k / g.FitY);
    }
}

void TSuperGrWindow::SyncPosGroup(TAxis axis, int group, int reference, bool onlyAllowed, Extended distance) {
    const bool alongX = axis == TAxis::X;
    const QList<int> members = alongX ? PosGroupMembersX(group) : PosGroupMembersY(group);
    if (members.isEmpty()) return;
    if (!members.contains(reference)) reference = members.first();
    TGraph& ref = *FGraphs[size_t(reference)];
    const Extended kRef = alongX ? ref.FitX * ref.ZoomX() : ref.FitY * ref.ZoomY();
    const Extended cRef = alongX ? ref.XMid() + ref.ShiftX : ref.YMid() + ref.ShiftY;
    for (int m : members) {
        TGraph& g = *FGraphs[size_t(m)];
        const Extended k = alongX ? g.FitX * g.ZoomX() : g.FitY * g.ZoomY();
        if (k == 0) continue;
        if (alongX) {
            if (!onlyAllowed || g.AllowShiftX()) g.ShiftX = (cRef * kRef - distance) / k - g.XMid();
        } else if (!onlyAllowed || g.AllowShiftY()) {
            g.ShiftY = (distance + cRef * kRef) / k - g.YMid();
        }
    }
}

void TSuperGrWindow::ZoomBy(int reference, bool onlyAllowed, TAxis firstAxis, Extended zx, Extended zy) {
    FitAllToPlot();
    for (const auto& g : FGraphs) {
        const bool freeX = g->EffectiveScaleGroupX() < 0, freeY = g->EffectiveScaleGroupY() < 0;
        if (g->FixedRatio()) {
            if (!freeX || !freeY) continue; // the group closure carries both axes
            const Extended z = std::fabs(1 - zx) >= std::fabs(1 - zy) ? zx : zy;
            if (!onlyAllowed || (g->AllowScaleX() && g->AllowScaleY())) {
                g->SetZoomX(g->ZoomX() * z);
                g->SetZoomY(g->ZoomY() * z);
            }
            continue;
        }
        // Each axis on its own: a graph bound only along X still zooms along Y.
        if (freeX && (!onlyAllowed || g->AllowScaleX())) g->SetZoomX(g->ZoomX() * zx);
        if (freeY && (!onlyAllowed || g->AllowScaleY())) g->SetZoomY(g->ZoomY() * zy);
    }
    const TAxis secondAxis = firstAxis == TAxis::X ? TAxis::Y : TAxis::X;
    for (int group = 0; group < kGroupCount; ++group) {
        SyncScaleGroup(firstAxis, group, reference, onlyAllowed, firstAxis == TAxis::X ? zx : zy);
        SyncScaleGroup(secondAxis, group, reference, onlyAllowed, secondAxis == TAxis::X ? zx : zy);
    }
    for (int group = 0; group < kGroupCount; ++group) {
        SyncPosGroup(TAxis::X, group, reference, onlyAllowed, 0);
        SyncPosGroup(TAxis::Y, group, reference, onlyAllowed, 0);
    }
    for (const auto& g : FGraphs)
        g->PolyDirty = true;
}

// ---------------------------------------------------------------------------------------------
// Axis slots

void TSuperGrWindow::ComputeAxisSlots() {
    const int n = GraphCount();
    if (!FCombineXAxis && !FCombineYAxis) {
        for (const auto& g : FGraphs)
            g->AxisSlotX = g->AxisSlotY = g->Layer();
        XAxisCount = YAxisCount = n;
        return;
    }
    QList<TGraph*> byLayer;
    for (int layer = 0; layer < n; ++layer)
        if (TGraph* g = GraphByIndex(IndexOfLayer(layer))) byLayer.append(g);
    auto assign = [&](bool alongX) -> int32_t {
        QList<TGraph*> placed;
        int32_t next = 0;
        for (TGraph* g : byLayer) {
            if (placed.contains(g)) continue;
            const int32_t scale = alongX ? g->EffectiveScaleGroupX() : g->EffectiveScaleGroupY();
            const int32_t pos = alongX ? g->EffectivePosGroupX() : g->EffectivePosGroupY();
            const int32_t slot = next++;
            (alongX ? g->AxisSlotX : g->AxisSlotY) = slot;
            placed.append(g);
            if (scale < 0 || pos < 0) continue;
            // Graphs bound in both scale and origin share one axis.
            for (TGraph* other : byLayer) {
                if (placed.contains(other)) continue;
                const bool same =
                    alongX ? other->EffectiveScaleGroupX() == scale && other->EffectivePosGroupX() == pos
                           : other->EffectiveScaleGroupY() == scale && other->EffectivePosGroupY() == pos;
                if (!same) continue;
                (alongX ? other->AxisSlotX : other->AxisSlotY) = slot;
                placed.append(other);
            }
        }
        return next;
    };
    if (FCombineXAxis) {
        XAxisCount = assign(true);
    } else {
        for (const auto& g : FGraphs)
            g->AxisSlotX = g->Layer();
        XAxisCount = n;
    }
    if (FCombineYAxis) {
        YAxisCount = assign(false);
    } else {
        for (const auto& g : FGraphs)
            g->AxisSlotY = g->Layer();
        YAxisCount = n;
    }
}

// ---------------------------------------------------------------------------------------------
// Whole-window view operations

namespace {
void RecordViews(TSuperGrWindow& w) {
    if (!w.UndoRecording || w.GraphCount() == 0) return;
    w.ClearRedoHistory();
    w.RecordOp(UndoOp::Views);
    w.UndoSide.Views.append(w.CaptureViews());
    w.FinishRecord(UndoOp::Views);
}
} // namespace

void TSuperGrWindow::AutoScale() {
    StopAnimation();
    if (FGraphs.empty()) return;
    if (AnimatedZoom) TakeAnimationStart();
    RecordViews(*this);
    {
        const TUndoRecordingPause quiet(*this);
        LayoutPlot(FClientRect);
        QList<int> all;
        QList<TRect> rects;
        for (int i = 0; i < GraphCount(); ++i) {
            all.append(i);
            rects.append(PlotRect);
        }
        FitIntoRects(all, rects, true, true);
    }
    StartViewAnimationOrRepaint(AnimatedZoom);
}

// Stacks the visible graphs in strips (along Y) or columns (along X); a position group shares one.
void TSuperGrWindow::Arrange(TAxis axis) {
    const bool anyVisible =
        std::any_of(FGraphs.begin(), FGraphs.end(), [](const auto& g) { return g->Visible(); });
    if (!anyVisible) return;
    StopAnimation();
    if (AnimatedZoom) TakeAnimationStart();
    RecordViews(*this);
    const bool alongX = axis == TAxis::X;
    const int n = GraphCount();
    QList<int> band(n, -1);
    int bands = 0;
    for (int i = 0; i < n; ++i) {
        const TGraph& g = *FGraphs[size_t(i)];
        if (!g.Visible() || band[i] >= 0) continue;
        band[i] = bands;
        const int32_t group = alongX ? g.EffectivePosGroupX() : g.EffectivePosGroupY();
        if (group >= 0)
            for (int m : alongX ? PosGroupMembersX(group) : PosGroupMembersY(group))
                if (band[m] < 0) band[m] = bands;
        ++bands;
    }
    const Extended size = alongX ? PlotRect.Width() : PlotRect.Height();
    QList<int> all;
    QList<TRect> rects;
    for (int i = 0; i < n; ++i) {
        const int a = std::max(band[i], 0); // an invisible graph uses the first band
        const int from = RoundHalfEven(a * size / bands), to = RoundHalfEven((a + 1) * size / bands);
        all.append(i);
        rects.append(alongX ? TRect{PlotRect.Left + from, PlotRect.Top, PlotRect.Left + to, PlotRect.Bottom}
                            : TRect{PlotRect.Left, PlotRect.Top + from, PlotRect.Right, PlotRect.Top + to});
    }
    {
        const TUndoRecordingPause quiet(*this);
        FitIntoRects(all, rects, alongX, !alongX);
    }
    StartViewAnimationOrRepaint(AnimatedZoom);
}

void TSuperGrWindow::ArrangeVertically() {
    Arrange(TAxis::Y);
}
void TSuperGrWindow::ArrangeHorizontally() {
    Arrange(TAxis::X);
}

void TSuperGrWindow::PanBy(Extended dx, Extended dy, bool onlyAllowed, int reference) {
    FitAllToPlot();
    for (const auto& g : FGraphs) {
        const Extended kx = g->FitX * g->ZoomX(), ky = g->FitY * g->ZoomY();
        if (g->EffectivePosGroupX() < 0 && (!onlyAllowed || g->AllowShiftX()) && kx != 0)
            g->ShiftX -= dx / kx;
        if (g->EffectivePosGroupY() < 0 && (!onlyAllowed || g->AllowShiftY()) && ky != 0)
            g->ShiftY += dy / ky;
    }
    const TGraph* ref = GraphByIndex(reference);
    auto syncAll = [&](TAxis axis, Extended distance) {
        const int32_t own = !ref               ? -1
                            : axis == TAxis::X ? ref->EffectivePosGroupX()
                                               : ref->EffectivePosGroupY();
        if (own >= 0) SyncPosGroup(axis, own, reference, onlyAllowed, distance);
        for (int group = 0; group < kGroupCount; ++group)
            if (group != own) SyncPosGroup(axis, group, reference, onlyAllowed, distance);
    };
    syncAll(TAxis::X, dx);
    syncAll(TAxis::Y, dy);
    for (const auto& g : FGraphs)
        g->PolyDirty = true;
}

void TSuperGrWindow::SaveAxes() {
    StopAnimation();
    if (OriginX < 0 || OriginY < 0 || FGraphs.empty()) return;
    FSavedAxes.clear();
    for (const auto& g : FGraphs)
        FSavedAxes.append({g->ZoomX(), g->ShiftX, g->ZoomY(), g->ShiftY});
    Raise(Events.OnAxesSaved, this, true);
}

void TSuperGrWindow::RestoreAxes() {
    StopAnimation();
    if (FGraphs.empty() || FSavedAxes.size() != GraphCount()) return;
    RecordViews(*this);
    if (AnimatedZoom) TakeAnimationStart();
    for (int i = 0; i < GraphCount(); ++i) {
        TGraph& g = *FGraphs[size_t(i)];
        const TAxesMetrics& saved = FSavedAxes[i];
        g.SetZoomX(saved.ZoomX);
        g.ShiftX = saved.ShiftX;
        g.SetZoomY(saved.ZoomY);
        g.ShiftY = saved.ShiftY;
        g.PolyDirty = true;
    }
    StartViewAnimationOrRepaint(AnimatedZoom);
}

// ---------------------------------------------------------------------------------------------
// View operations of one graph

namespace {
Extended PixelsPerUnitX(const TGraph& g) {
    return g.FitX * g.ZoomX();
}
Extended PixelsPerUnitY(const TGraph& g) {
    return g.FitY * g.ZoomY();
}
} // namespace

void TSuperGrWindow::SetViewLeft(int32_t id, Extended x) {
    TGraph* g = GraphByID(id);
    if (!g) return;
    const Extended left = ViewLeft(*g);
    // Relative to the visible width, so a pan far from zero (dates, large X) is never lost.
    if (std::fabs(x - left) < 1e-6L * std::fabs(ViewWidth(*g))) return;
    RecordViews(*this);
    FitAllToPlot();
    const Extended k = PixelsPerUnitX(*g);
    if (k == 0) return;
    QList<int> members;
    if (g->PosGroupMembersX(members)) {
        const Extended p = x * k - PlotRect.Left + OriginX;
        for (int m : members) {
            TGraph& member = *FGraphs[size_t(m)];
            const Extended km = PixelsPerUnitX(member);
            if (km != 0) member.ShiftX = p / km - member.XMid();
        }
    } else {
        g->ShiftX = x - g->XMid() - (PlotRect.Left - OriginX) / k;
    }
    Relayout();
}

void TSuperGrWindow::SetViewBottom(int32_t id, Extended y) {
    TGraph* g = GraphByID(id);
    if (!g) return;
    const Extended bottom = ViewBottom(*g);
    if (std::fabs(y - bottom) < 1e-6L * std::fabs(ViewHeight(*g))) return;
    RecordViews(*this);
    FitAllToPlot();
    const Extended k = PixelsPerUnitY(*g);
    if (k == 0) return;
    QList<int> members;
    if (g->PosGroupMembersY(members)) {
        const Extended p = y * k - OriginY + PlotRect.Bottom;
        for (int m : members) {
            TGraph& member = *FGraphs[size_t(m)];
            const Extended km = PixelsPerUnitY(member);
            if (km != 0) member.ShiftY = p / km - member.YMid();
        }
    } else {
        g->ShiftY = y - g->YMid() - (OriginY - PlotRect.Bottom) / k;
    }
    Relayout();
}

void TSuperGrWindow::SetViewWidth(int32_t id, Extended w) {
    TGraph* g = GraphByID(id);
    if (!g || !(w > 0)) return; // a negative width would mirror the axis
    const Extended current = ViewWidth(*g);
    if (current != 0 && std::fabs((w - current) / current) < 1e-6L) return;
    RecordViews(*this);
    FitAllToPlot();
    const Extended left = ViewLeft(*g);
    if (g->FitX != 0) g->SetZoomX(std::abs(PlotRect.Width()) / (w * g->FitX));
    SetViewLeft(id, left);
    if (g->FixedRatio()) {
        const Extended bottom = ViewBottom(*g);
        if (g->FitY != 0) g->SetZoomY(g->ZoomX() * g->FitX / g->FitY);
        SetViewBottom(id, bottom);
    }
    ZoomBy(IndexOfGraphID(id), false, TAxis::X, 1, 1);
    Relayout();
}

void TSuperGrWindow::SetViewHeight(int32_t id, Extended h) {
    TGraph* g = GraphByID(id);
    if (!g || !(h > 0)) return;
    const Extended current = ViewHeight(*g);
    if (current != 0 && std::fabs((h - current) / current) < 1e-6L) return;
    RecordViews(*this);
    FitAllToPlot();
    const Extended bottom = ViewBottom(*g);
    if (g->FitY != 0) g->SetZoomY(std::abs(PlotRect.Height()) / (h * g->FitY));
    SetViewBottom(id, bottom);
    if (g->FixedRatio()) {
        const Extended left = ViewLeft(*g);
        if (g->FitX != 0) g->SetZoomX(g->ZoomY() * g->FitY / g->FitX);
        SetViewLeft(id, left);
    }
    ZoomBy(IndexOfGraphID(id), false, TAxis::Y, 1, 1);
    Relayout();
}

void TSuperGrWindow::SetViewRight(int32_t id, Extended x) {
    TGraph* g = GraphByID(id);
    if (!g) return;
    const Extended width = x - ViewLeft(*g);
    if (width > 0) SetViewWidth(id, width);
}

void TSuperGrWindow::SetViewTop(int32_t id, Extended y) {
    TGraph* g = GraphByID(id);
    if (!g) return;
    const Extended height = y - ViewBottom(*g);
    if (height > 0) SetViewHeight(id, height);
}

// ---------------------------------------------------------------------------------------------
// Pending views

void TSuperGrWindow::TakePendingViews() {
    const bool anyFixed =
        std::any_of(FGraphs.begin(), FGraphs.end(), [](const auto& g) { return g->FixedRatio(); });
    if (OriginX < 0 || OriginY < 0 || FGraphs.empty() || anyFixed) return;
    FPendingViews.clear();
    for (const auto& g : FGraphs)
        FPendingViews.append({ViewLeft(*g), ViewBottom(*g), ViewWidth(*g), ViewHeight(*g)});
}

void TSuperGrWindow::ApplyPendingViews() {
    if (FPendingViews.isEmpty()) return;
    const QList<std::array<Extended, 4>> views = std::move(FPendingViews);
    FPendingViews.clear();
    if (views.size() != GraphCount()) return;
    {
        const TUndoRecordingPause quiet(*this);
        for (int i = 0; i < GraphCount(); ++i) {
            TGraph& g = *FGraphs[size_t(i)];
            if (g.FixedRatio()) continue;
            SetViewLeft(g.ID, views[i][0]);
            SetViewBottom(g.ID, views[i][1]);
            SetViewWidth(g.ID, views[i][2]);
            SetViewHeight(g.ID, views[i][3]);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Animation

void TSuperGrWindow::TakeAnimationStart() {
    FAnimation.clear();
    for (const auto& g : FGraphs) {
        TAniScaleParams a;
        a.S0 = g->ZoomX();
        a.T0 = g->ZoomY();
        a.P0 = g->ShiftX * g->ZoomX();
        a.Q0 = g->ShiftY * g->ZoomY();
        FAnimation.append(a);
    }
    FAnimationStartTaken = true;
}

bool TSuperGrWindow::Animating() const {
    return FAnimating;
}

void TSuperGrWindow::StartViewAnimationOrRepaint(bool animate) {
    const bool started = FAnimationStartTaken;
    FAnimationStartTaken = false;
    if (!animate || !started || FAnimation.size() != GraphCount()) {
        Relayout();
        return;
    }
    bool noticeable = false;
    for (int i = 0; i < GraphCount(); ++i) {
        TGraph& g = *FGraphs[size_t(i)];
        TAniScaleParams& a = FAnimation[i];
        a.S1 = g.ZoomX();
        a.T1 = g.ZoomY();
        a.P1 = g.ShiftX * g.ZoomX();
        a.Q1 = g.ShiftY * g.ZoomY();
        a.DS = a.S0 != 0 ? 1 - a.S1 / a.S0 : 0;
        a.DT = a.T0 != 0 ? 1 - a.T1 / a.T0 : 0;
        a.DP = a.P1 - a.P0;
        a.DQ = a.Q1 - a.Q0;
        Extended rangeX = g.XMax() - g.XMin(), rangeY = g.YMax() - g.YMin();
        if (rangeX == 0) rangeX = 1;
        if (rangeY == 0) rangeY = 1;
        noticeable |= std::fabs(a.DS) > 1e-15L || std::fabs(a.DT) > 1e-15L ||
                      std::fabs(a.DP / rangeX) > 1e-15L || std::fabs(a.DQ / rangeY) > 1e-15L;
    }
    if (!noticeable) {
        Relayout();
        return;
    }
    for (int i = 0; i < GraphCount(); ++i) {
        TGraph& g = *FGraphs[size_t(i)];
        const TAniScaleParams& a = FAnimation[i];
        g.SetZoomX(a.S0);
        g.SetZoomY(a.T0);
        g.ShiftX = a.S0 != 0 ? a.P0 / a.S0 : 0;
        g.ShiftY = a.T0 != 0 ? a.Q0 / a.T0 : 0;
    }
    FAnimationStartMs = FClock->NowMs();
    FLegendBeforeAnimation = FShowLegend;
    FShowLegend = false;
    FAnimating = true;
    Raise(Events.OnStartAnimation, this);
    FTimer->Start(30);
    Relayout();
}

namespace {
// Ease in, ease out: p(T/2) = 1/2, p(T) = 1.
Extended AnimationProgress(Extended t, Extended total) {
    const Extended r = t / total;
    return t < total / 2 ? 2 * r * r : 4 * r - 2 * r * r - 1;
}
} // namespace

void TSuperGrWindow::AnimationTick() {
    if (FGliding) {
        GlideTick();
        return;
    }
    if (!FAnimating) {
        FTimer->Stop();
        return;
    }
    const int64_t t = FClock->NowMs() - FAnimationStartMs;
    if (t > int64_t(FAnimationTime) || FAnimation.size() != GraphCount()) {
        FinishAnimation();
        return;
    }
    const Extended p = FAnimationTime == 0 ? 1 : AnimationProgress(Extended(t), Extended(FAnimationTime));
    for (int i = 0; i < GraphCount(); ++i) {
        TGraph& g = *FGraphs[size_t(i)];
        const TAniScaleParams& a = FAnimation[i];
        g.SetZoomX(a.S0 * (1 - p * a.DS));
        g.SetZoomY(a.T0 * (1 - p * a.DT));
        if (g.ZoomX() != 0) g.ShiftX = (a.P0 + p * a.DP) / g.ZoomX();
        if (g.ZoomY() != 0) g.ShiftY = (a.Q0 + p * a.DQ) / g.ZoomY();
    }
    Relayout();
}

void TSuperGrWindow::FinishAnimation() {
    FTimer->Stop();
    if (!FAnimating) return;
    FAnimating = false;
    if (FAnimation.size() == GraphCount()) {
        for (int i = 0; i < GraphCount(); ++i) {
            TGraph& g = *FGraphs[size_t(i)];
            const TAniScaleParams& a = FAnimation[i];
            g.SetZoomX(a.S1);
            g.SetZoomY(a.T1);
            if (a.S1 != 0) g.ShiftX = a.P1 / a.S1;
            if (a.T1 != 0) g.ShiftY = a.Q1 / a.T1;
        }
    }
    FShowLegend = FLegendBeforeAnimation;
    Raise(Events.OnStopAnimation, this);
    Relayout();
}

void TSuperGrWindow::StopAnimation() {
    FinishAnimation();
}
