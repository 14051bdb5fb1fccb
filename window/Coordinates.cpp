#include "window/Coordinates.h"

#include "model/Codecs.h"
#include "model/FontMetrics.h"
#include "model/GraphMapping.h"
#include "model/Polyline.h"
#include "window/SuperGrWindow.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
constexpr int kGroupCount = 9;
} // namespace

namespace {
// One axis of a graph's mapping, so that one routine serves both axes.
Extended FitAlong(const TGraph& g, TAxis axis) {
    return axis == TAxis::X ? g.Mapping.FitX : g.Mapping.FitY;
}
Extended ZoomAlong(const TGraph& g, TAxis axis) {
    return axis == TAxis::X ? g.ZoomX() : g.ZoomY();
}
void SetZoomAlong(TGraph& g, TAxis axis, Extended zoom) {
    if (axis == TAxis::X)
        g.SetZoomX(zoom);
    else
        g.SetZoomY(zoom);
}
Extended& ShiftAlong(TGraph& g, TAxis axis) {
    return axis == TAxis::X ? g.Mapping.ShiftX : g.Mapping.ShiftY;
}
Extended MidAlong(TGraph& g, TAxis axis) {
    return axis == TAxis::X ? g.XMid() : g.YMid();
}
Extended PixelsPerUnit(const TGraph& g, TAxis axis) {
    return FitAlong(g, axis) * ZoomAlong(g, axis);
}
Extended ViewStart(TSuperGrWindow& w, const TGraph& g, TAxis axis) {
    return axis == TAxis::X ? w.ViewLeft(g) : w.ViewBottom(g);
}
Extended ViewSize(const TSuperGrWindow& w, const TGraph& g, TAxis axis) {
    return axis == TAxis::X ? w.ViewWidth(g) : w.ViewHeight(g);
}
TAxis OtherAxis(TAxis axis) {
    return axis == TAxis::X ? TAxis::Y : TAxis::X;
}

// The graphs tied along an axis by scale or position groups (in one set when they share either),
// as lists of indexes; lone graphs are left out.
QList<QList<int>> BoundSets(TSuperGrWindow& w, TAxis axis) {
    const int n = w.GraphCount();
    std::vector<int> parent(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        parent[size_t(i)] = i;
    auto root = [&](int i) {
        while (parent[size_t(i)] != i)
            i = parent[size_t(i)] = parent[size_t(parent[size_t(i)])];
        return i;
    };
    auto groupsOf = [&](int i) {
        const TGraph& g = *w.GraphByIndex(i);
        return axis == TAxis::X ? std::pair{g.EffectiveScaleGroupX(), g.EffectivePosGroupX()}
                                : std::pair{g.EffectiveScaleGroupY(), g.EffectivePosGroupY()};
    };
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j) {
            const auto [scaleI, posI] = groupsOf(i);
            const auto [scaleJ, posJ] = groupsOf(j);
            if ((scaleI >= 0 && scaleI == scaleJ) || (posI >= 0 && posI == posJ))
                parent[size_t(root(i))] = root(j);
        }
    QList<QList<int>> sets(n);
    for (int i = 0; i < n; ++i)
        sets[root(i)].append(i);
    sets.removeIf([](const QList<int>& set) { return set.size() < 2; });
    return sets;
}

// Scaling a bound set's pixels about one point keeps what binds it (equal pixels per unit in a scale
// group, one pixel for the value 0 in a position group). The fit above gives a set the room of one
// of its members, so a member with a range beside it, or of another scale, can leave the plot; the
// set's whole extent then takes the room instead. Fixed ratios tie the other axis in and are left
// alone.
void FitBoundSets(TSuperGrWindow& w, TAxis axis, const QList<int>& indexes, const QList<TRect>& rects) {
    const bool alongX = axis == TAxis::X;
    const TRect& plot = w.PlotRect;
    const Extended plotSize = alongX ? plot.Width() : plot.Height();
    const Extended initial = alongX ? w.InitialScaleX : w.InitialScaleY;
    const Extended origin = alongX ? w.OriginX : w.OriginY;
    for (const QList<int>& set : BoundSets(w, axis)) {
        const TRect* room = nullptr;
        bool usable = true;
        for (int m : set) {
            usable &= !w.GraphByIndex(m)->FixedRatio();
            const qsizetype k = indexes.indexOf(m);
            if (k < 0) continue;
            if (room && !(*room == rects[k])) usable = false;
            room = &rects[k];
        }
        if (!usable || !room || plotSize == 0) continue;
        bool any = false;
        Extended low = 0, high = 0;
        for (int m : set) {
            TGraph& g = *w.GraphByIndex(m);
            if (!g.Visible()) continue;
            Extended min = alongX ? g.XMin() : g.YMin(), max = alongX ? g.XMax() : g.YMax();
            WidenZeroRange(min, max);
            const Extended a = alongX ? g.DataToPixelX(min) : g.DataToPixelY(min);
            const Extended b = alongX ? g.DataToPixelX(max) : g.DataToPixelY(max);
            low = any ? std::min({low, a, b}) : std::min(a, b);
            high = any ? std::max({high, a, b}) : std::max(a, b);
            any = true;
        }
        const Extended roomSize = alongX ? room->Width() : room->Height();
        const Extended span = (plotSize - 1) * std::fabs(roomSize / plotSize) * initial;
        const Extended centre = alongX ? (room->Left + room->Right) / 2 : (room->Top + room->Bottom) / 2;
        if (!any || !(high > low) || (low >= centre - span / 2 - 0.5L && high <= centre + span / 2 + 0.5L))
            continue;
        const Extended s = span / (high - low), mid = (low + high) / 2;
        if (!std::isfinite(s) || s <= 0) continue;
        for (int m : set) {
            TGraph& g = *w.GraphByIndex(m);
            const Extended k = PixelsPerUnit(g, axis);
            if (k == 0) continue;
            // The data value at the origin pixel moves so that pixel p goes to centre + s (p − mid).
            const Extended moved = (origin - centre) / s - (origin - mid);
            ShiftAlong(g, axis) += (alongX ? moved : -moved) / k;
            SetZoomAlong(g, axis, ZoomAlong(g, axis) * s);
        }
    }
}
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
    FXBandDate = 2 * axis.DigitHeight + bottomMargin;
    FYBand = (FVerticalYFont ? axis.DigitHeight : axis.SixDigitsWidth) + leftMargin;
    if (FShowXAxisLabels) {
        if (!FMultiXAxis || FGraphs.empty()) {
            r.Bottom -= FXBand;
        } else {
            QList<int> slotsDone;
            int dateSlots = 0;
            for (const auto& g : FGraphs) {
                const int slot = FCombineXAxis ? g->AxisSlotX : g->Layer();
                if (slotsDone.contains(slot)) continue;
                slotsDone.append(slot);
                dateSlots += g->DateTimeArg() ? 1 : 0;
            }
            // The bands never take more than half the height: first the date bands lose their
            // second line, then every band gets an equal share of that half.
            const int count = int(slotsDone.size()), half = target.Height() / 2;
            auto total = [&] { return dateSlots * FXBandDate + (count - dateSlots) * FXBand; };
            if (total() > half) FXBandDate = FXBand;
            if (total() > half) FXBandDate = FXBand = std::max(1, half / count);
            r.Bottom -= total();
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
            // As along X: beyond half the width the bands lose their margins, then share the half.
            const int extra = int(slotsSeen.size() - 1), room = target.Width() / 2 - labelWidth;
            if (labelWidth + extra * FYBand > target.Width() / 2) FYBand = labelWidth;
            if (extra * FYBand > room) FYBand = std::max(1, room / extra);
            r.Left += extra * FYBand;
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
        wasDirty.push_back(g->Cache.Stale(TViewCache::Polyline));
    Rescale();
    for (size_t i = 0; i < FGraphs.size(); ++i)
        if (!wasDirty[i]) FGraphs[i]->Cache.MarkFresh(TViewCache::Polyline);
    // Another plot or scale than at the last paint (an export, a resize): every cache is stale.
    const bool geometryChanged = !(PlotRect == FLastPaintPlot) || OutputScale != FLastPaintScale;
    FLastPaintPlot = PlotRect;
    FLastPaintScale = OutputScale;
    std::vector<TGraph*> graphs;
    graphs.reserve(FGraphs.size());
    for (const auto& g : FGraphs) {
        const Extended left = g->PixelToDataX(PlotRect.Left), right = g->PixelToDataX(PlotRect.Right);
        const Extended top = g->PixelToDataY(PlotRect.Top), bottom = g->PixelToDataY(PlotRect.Bottom);
        const Extended xMin = std::min(left, right), xMax = std::max(left, right);
        const Extended yMin = std::min(top, bottom), yMax = std::max(top, bottom);
        if (geometryChanged || xMin != g->Cache.VisXMin || xMax != g->Cache.VisXMax ||
            yMin != g->Cache.VisYMin || yMax != g->Cache.VisYMax)
            g->Cache.Invalidate(TViewCache::Polyline);
        g->Cache.VisXMin = xMin;
        g->Cache.VisXMax = xMax;
        g->Cache.VisYMin = yMin;
        g->Cache.VisYMax = yMax;
        graphs.push_back(g.get());
    }
    PreparePolylines(graphs);
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
        g->Cache.MarkFresh(TViewCache::Fit);
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
        const Extended kx = g.Mapping.FitX * newZoomX[i], ky = g.Mapping.FitY * newZoomY[i];
        newShiftX[i] = kx != 0 ? (OriginX - centreX) / kx : 0;
        newShiftY[i] = ky != 0 ? (centreY - OriginY) / ky : 0;
    }
    for (int i : indexes) {
        TGraph& g = *FGraphs[size_t(i)];
        if (fitX && g.EffectiveScaleGroupX() < 0) g.SetZoomX(newZoomX[i]);
        if (fitY && g.EffectiveScaleGroupY() < 0) g.SetZoomY(newZoomY[i]);
        if (fitX && g.EffectivePosGroupX() < 0 && g.ZoomX() != 0)
            g.Mapping.ShiftX = newShiftX[i] * newZoomX[i] / g.ZoomX();
        if (fitY && g.EffectivePosGroupY() < 0 && g.ZoomY() != 0)
            g.Mapping.ShiftY = newShiftY[i] * newZoomY[i] / g.ZoomY();
    }

    if (fitX) FitGroups(TAxis::X, indexes, newZoomX, newShiftX);
    if (fitY) FitGroups(TAxis::Y, indexes, newZoomY, newShiftY);
    if (fitX) FitBoundSets(*this, TAxis::X, indexes, rects);
    if (fitY) FitBoundSets(*this, TAxis::Y, indexes, rects);
    for (const auto& g : FGraphs)
        g->Cache.Invalidate(TViewCache::Polyline);
}

// The groups bound along the axis that hold a fitted graph fit their widest member.
void TSuperGrWindow::FitGroups(TAxis axis, const QList<int>& indexes, const QList<Extended>& zooms,
                               const QList<Extended>& shifts) {
    for (int group = 0; group < kGroupCount; ++group) {
        QList<int> xList, yList;
        ScaleGroupClosure(axis, group, xList, yList);
        const QList<int>& members = axis == TAxis::X ? xList : yList;
        int driver = -1;
        Extended bestZoom = 0, bestShift = 0;
        bool touched = false;
        for (int m : members) {
            if (!indexes.contains(m)) continue;
            touched = true;
            if (driver < 0 || zooms[m] < bestZoom) {
                bestZoom = zooms[m];
                bestShift = shifts[m];
            }
            driver = m;
        }
        if (!touched) continue;
        // The driving member is the visible one with the widest data range.
        int widest = -1;
        for (int m : members) {
            const TGraph& g = *FGraphs[size_t(m)];
            if (g.Visible() && (widest < 0 || FitAlong(g, axis) < FitAlong(*FGraphs[size_t(widest)], axis)))
                widest = m;
        }
        if (widest < 0) widest = driver;
        TGraph& d = *FGraphs[size_t(widest)];
        SetZoomAlong(d, axis, bestZoom);
        ShiftAlong(d, axis) = bestShift;
        SyncScaleGroup(axis, group, widest, false, 1);
    }
    for (int group = 0; group < kGroupCount; ++group) {
        const QList<int> members = axis == TAxis::X ? PosGroupMembersX(group) : PosGroupMembersY(group);
        // As for the scales: the visible given member with the widest data range leads.
        int reference = -1;
        for (int m : members) {
            const TGraph& g = *FGraphs[size_t(m)];
            if (!indexes.contains(m) || !g.Visible()) continue;
            if (reference < 0 || FitAlong(g, axis) < FitAlong(*FGraphs[size_t(reference)], axis))
                reference = m;
        }
        if (reference < 0) continue;
        TGraph& g = *FGraphs[size_t(reference)];
        if (ZoomAlong(g, axis) != 0)
            ShiftAlong(g, axis) = shifts[reference] * zooms[reference] / ZoomAlong(g, axis);
        SyncPosGroup(axis, group, reference, false, 0);
    }
    FitSharedRanges(axis, indexes);
}

// Graphs bound in both scale and position along an axis share one data coordinate there; fitted
// by their widest member alone, a member whose range lies beside it would stay off the plot. Such a
// group fits the union of its members' ranges into the room its widest member was given.
void TSuperGrWindow::FitSharedRanges(TAxis axis, const QList<int>& indexes) {
    const bool alongX = axis == TAxis::X;
    for (int group = 0; group < kGroupCount; ++group) {
        QList<int> xList, yList;
        ScaleGroupClosure(axis, group, xList, yList);
        QList<int> members = alongX ? xList : yList;
        // Fixed ratios tie the other axis in; such groups keep the widest-member rule.
        if (members.size() < 2 || !(alongX ? yList : xList).isEmpty()) continue;
        const TGraph& first = *FGraphs[size_t(members.first())];
        const int32_t posGroup = alongX ? first.EffectivePosGroupX() : first.EffectivePosGroupY();
        QList<int> positioned = alongX ? PosGroupMembersX(posGroup) : PosGroupMembersY(posGroup);
        std::sort(members.begin(), members.end());
        std::sort(positioned.begin(), positioned.end());
        if (posGroup < 0 || members != positioned) continue;
        if (std::none_of(members.begin(), members.end(), [&](int m) { return indexes.contains(m); }))
            continue;

        int widest = -1;
        Extended low = 0, high = 0, widestLow = 0, widestHigh = 0;
        for (int m : members) {
            TGraph& g = *FGraphs[size_t(m)];
            if (!g.Visible()) continue;
            Extended min = alongX ? g.XMin() : g.YMin(), max = alongX ? g.XMax() : g.YMax();
            WidenZeroRange(min, max);
            if (widest < 0) {
                low = min;
                high = max;
            }
            low = std::min(low, min);
            high = std::max(high, max);
            if (widest < 0 || max - min > widestHigh - widestLow) {
                widest = m;
                widestLow = min;
                widestHigh = max;
            }
        }
        if (widest < 0 || (low >= widestLow && high <= widestHigh)) continue;
        // The widest member's range fills its room now; the union takes that room instead.
        TGraph& g = *FGraphs[size_t(widest)];
        const Extended zoom = ZoomAlong(g, axis), k = PixelsPerUnit(g, axis);
        const Extended newZoom = zoom * (widestHigh - widestLow) / (high - low);
        const Extended mid = MidAlong(g, axis);
        const Extended centrePixels = (ShiftAlong(g, axis) + mid - (widestLow + widestHigh) / 2) * k;
        SetZoomAlong(g, axis, newZoom);
        const Extended newK = PixelsPerUnit(g, axis);
        if (newK == 0) continue;
        ShiftAlong(g, axis) = centrePixels / newK + (low + high) / 2 - mid;
        SyncScaleGroup(axis, group, widest, false, 1);
        SyncPosGroup(axis, posGroup, widest, false, 0);
    }
}

void TSuperGrWindow::SyncScaleGroup(TAxis axis, int group, int reference, bool onlyAllowed, Extended factor) {
    QList<int> xList, yList;
    ScaleGroupClosure(axis, group, xList, yList);
    const QList<int>& members = axis == TAxis::X ? xList : yList;
    if (members.isEmpty()) return;
    if (!members.contains(reference)) reference = members.first();
    const TGraph& ref = *FGraphs[size_t(reference)];
    const Extended k = axis == TAxis::X ? ref.Mapping.FitX * ref.ZoomX() : ref.Mapping.FitY * ref.ZoomY();
    for (int m : xList) {
        TGraph& g = *FGraphs[size_t(m)];
        if ((!onlyAllowed || g.AllowScaleX()) && g.Mapping.FitX != 0) g.SetZoomX(factor * k / g.Mapping.FitX);
    }
    for (int m : yList) {
        TGraph& g = *FGraphs[size_t(m)];
        if ((!onlyAllowed || g.AllowScaleY()) && g.Mapping.FitY != 0) g.SetZoomY(factor * k / g.Mapping.FitY);
    }
}

void TSuperGrWindow::SyncPosGroup(TAxis axis, int group, int reference, bool onlyAllowed, Extended distance) {
    const bool alongX = axis == TAxis::X;
    const QList<int> members = alongX ? PosGroupMembersX(group) : PosGroupMembersY(group);
    if (members.isEmpty()) return;
    if (!members.contains(reference)) reference = members.first();
    TGraph& ref = *FGraphs[size_t(reference)];
    const Extended kRef = alongX ? ref.Mapping.FitX * ref.ZoomX() : ref.Mapping.FitY * ref.ZoomY();
    const Extended cRef = alongX ? ref.XMid() + ref.Mapping.ShiftX : ref.YMid() + ref.Mapping.ShiftY;
    for (int m : members) {
        TGraph& g = *FGraphs[size_t(m)];
        const Extended k = alongX ? g.Mapping.FitX * g.ZoomX() : g.Mapping.FitY * g.ZoomY();
        if (k == 0) continue;
        if (alongX) {
            if (!onlyAllowed || g.AllowShiftX()) g.Mapping.ShiftX = (cRef * kRef - distance) / k - g.XMid();
        } else if (!onlyAllowed || g.AllowShiftY()) {
            g.Mapping.ShiftY = (distance + cRef * kRef) / k - g.YMid();
        }
    }
}

void TSuperGrWindow::ScaleGraphs(int reference, bool onlyAllowed, TAxis firstAxis, Extended zx, Extended zy) {
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
}

void TSuperGrWindow::SyncAllPosGroups(int reference, bool onlyAllowed) {
    for (int group = 0; group < kGroupCount; ++group) {
        SyncPosGroup(TAxis::X, group, reference, onlyAllowed, 0);
        SyncPosGroup(TAxis::Y, group, reference, onlyAllowed, 0);
    }
}

void TSuperGrWindow::ZoomBy(int reference, bool onlyAllowed, TAxis firstAxis, Extended zx, Extended zy) {
    ScaleGraphs(reference, onlyAllowed, firstAxis, zx, zy);
    SyncAllPosGroups(reference, onlyAllowed);
    for (const auto& g : FGraphs)
        g->Cache.Invalidate(TViewCache::Polyline);
}

void TSuperGrWindow::ZoomAbout(int x, int y, Extended fx, Extended fy, int reference) {
    const int n = GraphCount();
    QList<Extended> oldX(n), oldY(n);
    for (int i = 0; i < n; ++i) {
        oldX[i] = FGraphs[size_t(i)]->ZoomX();
        oldY[i] = FGraphs[size_t(i)]->ZoomY();
    }
    ScaleGraphs(reference, true, TAxis::X, fx, fy);
    // The data point under the anchor stays under it. Bound graphs are corrected too and then follow
    // the reference, otherwise aligned graphs would zoom about the origin instead of the cursor.
    const Extended ax = x - OriginX, ay = y - OriginY;
    for (int i = 0; i < n; ++i) {
        TGraph& g = *FGraphs[size_t(i)];
        const Extended z1x = g.ZoomX(), z1y = g.ZoomY();
        if (oldX[i] != 0 && g.Mapping.FitX * z1x != 0)
            g.Mapping.ShiftX -= (1 - z1x / oldX[i]) * ax / (g.Mapping.FitX * z1x);
        if (oldY[i] != 0 && g.Mapping.FitY * z1y != 0)
            g.Mapping.ShiftY += (1 - z1y / oldY[i]) * ay / (g.Mapping.FitY * z1y);
    }
    SyncAllPosGroups(reference, true);
    for (const auto& g : FGraphs)
        g->Cache.Invalidate(TViewCache::Polyline);
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

void RecordViewStep(TSuperGrWindow& w) {
    if (!w.UndoRecording || w.GraphCount() == 0) return;
    w.ClearRedoHistory();
    w.RecordOp(UndoOp::Views);
    w.UndoSide.Views.append(w.CaptureViews());
    w.FinishRecord(UndoOp::Views);
}

void TSuperGrWindow::AutoScale() {
    StopAnimation();
    if (FGraphs.empty()) return;
    if (AnimatedZoom) TakeAnimationStart();
    RecordViewStep(*this);
    {
        const TUndoRecordingPause recorded(*this);
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
    RecordViewStep(*this);
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
        const TUndoRecordingPause recorded(*this);
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
        const Extended kx = g->Mapping.FitX * g->ZoomX(), ky = g->Mapping.FitY * g->ZoomY();
        if (g->EffectivePosGroupX() < 0 && (!onlyAllowed || g->AllowShiftX()) && kx != 0)
            g->Mapping.ShiftX -= dx / kx;
        if (g->EffectivePosGroupY() < 0 && (!onlyAllowed || g->AllowShiftY()) && ky != 0)
            g->Mapping.ShiftY += dy / ky;
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
        g->Cache.Invalidate(TViewCache::Polyline);
}

void TSuperGrWindow::SaveAxes() {
    StopAnimation();
    if (OriginX < 0 || OriginY < 0 || FGraphs.empty()) return;
    FSavedAxes.clear();
    for (const auto& g : FGraphs)
        FSavedAxes.append({g->ZoomX(), g->Mapping.ShiftX, g->ZoomY(), g->Mapping.ShiftY});
    Raise(Events.OnAxesSaved, this, true);
}

void TSuperGrWindow::RestoreAxes() {
    StopAnimation();
    if (FGraphs.empty() || FSavedAxes.size() != GraphCount()) return;
    RecordViewStep(*this);
    if (AnimatedZoom) TakeAnimationStart();
    for (int i = 0; i < GraphCount(); ++i) {
        TGraph& g = *FGraphs[size_t(i)];
        const TAxesMetrics& saved = FSavedAxes[i];
        g.SetZoomX(saved.ZoomX);
        g.Mapping.ShiftX = saved.ShiftX;
        g.SetZoomY(saved.ZoomY);
        g.Mapping.ShiftY = saved.ShiftY;
        g.Cache.Invalidate(TViewCache::Polyline);
    }
    StartViewAnimationOrRepaint(AnimatedZoom);
}

// ---------------------------------------------------------------------------------------------
// View operations of one graph

void TSuperGrWindow::SetViewStart(TAxis axis, int32_t id, Extended value) {
    TGraph* g = GraphByID(id);
    if (!g || !std::isfinite(value)) return;
    // Relative to the visible size, so a pan far from zero (dates, large values) is never lost.
    if (std::fabs(value - ViewStart(*this, *g, axis)) < 1e-6L * std::fabs(ViewSize(*this, *g, axis))) return;
    RecordViewStep(*this);
    FitAllToPlot();
    const Extended k = PixelsPerUnit(*g, axis);
    if (k == 0) return;
    // The pixel where the axis starts (plot left, origin Y) and the one it is measured from.
    const bool alongX = axis == TAxis::X;
    const int edge = alongX ? PlotRect.Left : OriginY, origin = alongX ? OriginX : PlotRect.Bottom;
    QList<int> members;
    if (alongX ? g->PosGroupMembersX(members) : g->PosGroupMembersY(members)) {
        const Extended p = value * k - edge + origin;
        for (int m : members) {
            TGraph& member = *FGraphs[size_t(m)];
            const Extended km = PixelsPerUnit(member, axis);
            if (km != 0) ShiftAlong(member, axis) = p / km - MidAlong(member, axis);
        }
    } else {
        ShiftAlong(*g, axis) = value - MidAlong(*g, axis) - (edge - origin) / k;
    }
    Relayout();
}

void TSuperGrWindow::SetViewSize(TAxis axis, int32_t id, Extended size) {
    TGraph* g = GraphByID(id);
    // A negative size would mirror the axis, an infinite one collapse it to a zero zoom.
    if (!g || !(size > 0) || !std::isfinite(size)) return;
    const Extended current = ViewSize(*this, *g, axis);
    if (current != 0 && std::fabs((size - current) / current) < 1e-6L) return;
    RecordViewStep(*this);
    FitAllToPlot();
    const Extended start = ViewStart(*this, *g, axis);
    const int plotSize = std::abs(axis == TAxis::X ? PlotRect.Width() : PlotRect.Height());
    if (FitAlong(*g, axis) != 0) SetZoomAlong(*g, axis, plotSize / (size * FitAlong(*g, axis)));
    SetViewStart(axis, id, start);
    if (g->FixedRatio()) {
        const TAxis other = OtherAxis(axis);
        const Extended otherStart = ViewStart(*this, *g, other);
        if (FitAlong(*g, other) != 0)
            SetZoomAlong(*g, other, ZoomAlong(*g, axis) * FitAlong(*g, axis) / FitAlong(*g, other));
        SetViewStart(other, id, otherStart);
    }
    ZoomBy(IndexOfGraphID(id), false, axis, 1, 1);
    Relayout();
}

void TSuperGrWindow::SetViewLeft(int32_t id, Extended x) {
    SetViewStart(TAxis::X, id, x);
}

void TSuperGrWindow::SetViewBottom(int32_t id, Extended y) {
    SetViewStart(TAxis::Y, id, y);
}

void TSuperGrWindow::SetViewWidth(int32_t id, Extended w) {
    SetViewSize(TAxis::X, id, w);
}

void TSuperGrWindow::SetViewHeight(int32_t id, Extended h) {
    SetViewSize(TAxis::Y, id, h);
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
    const TUndoRecordingPause recorded(*this);
    for (int i = 0; i < GraphCount(); ++i) {
        TGraph& g = *FGraphs[size_t(i)];
        if (g.FixedRatio()) continue;
        SetViewLeft(g.ID, views[i][0]);
        SetViewBottom(g.ID, views[i][1]);
        SetViewWidth(g.ID, views[i][2]);
        SetViewHeight(g.ID, views[i][3]);
    }
}
