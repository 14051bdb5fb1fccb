// Searching, selecting, inserting and deleting nodes, and placing markers.
#include "model/Codecs.h"
#include "model/DecimalLog.h"
#include "model/Graph.h"
#include "model/Polyline.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <thread>
#include <vector>

namespace {
constexpr int kLastPointMark = 2147483646;

// The point of segment a-b nearest to p: the perpendicular foot when it falls within the segment,
// otherwise the segment's start. A zero-length segment answers its start point.
template <typename T>
void NearestOnSegment(T ax, T ay, T bx, T by, T px, T py, T& outX, T& outY, bool& onSegment) {
    const T dx = bx - ax, dy = by - ay;
    const T length2 = dx * dx + dy * dy;
    outX = ax;
    outY = ay;
    onSegment = false;
    if (length2 == 0) return;
    const T t = ((px - ax) * dx + (py - ay) * dy) / length2;
    if (t < 0 || t > 1) return;
    outX = ax + t * dx;
    outY = ay + t * dy;
    onSegment = true;
}

// The sum of the measures of the segments between nodes from .. to of a graph mapped to unrounded
// pixels, added in node order, zero and NaN measures passed over. This is the whole cost of placing
// markers along a long graph. A block's nodes are mapped one axis at a time, so that the mapping's
// constants stay in registers, then measured and summed with the sum in a register.
template <int Kind>
Extended SumNodeSegments(const Extended* xs, const Extended* ys, int from, int to,
                         const TGraphMapping& mapping, const TMappingAnchor& anchor) {
    constexpr int BlockSize = 256;
    Extended px[BlockSize + 1], py[BlockSize + 1];
    Extended sum = 0;
    for (int blockStart = from; blockStart < to; blockStart += BlockSize) {
        const int count = std::min(BlockSize, to - blockStart);
        if constexpr (Kind != 1)
            for (int j = 0; j <= count; ++j)
                px[j] = mapping.ToPixelX(xs[blockStart + j], anchor);
        if constexpr (Kind != 0)
            for (int j = 0; j <= count; ++j)
                py[j] = mapping.ToPixelY(ys[blockStart + j], anchor);
        for (int j = 0; j < count; ++j) {
            Extended m;
            if constexpr (Kind == 0) {
                m = std::fabs(px[j + 1] - px[j]);
            } else if constexpr (Kind == 1) {
                m = std::fabs(py[j + 1] - py[j]);
            } else {
                const Extended dx = px[j + 1] - px[j], dy = py[j + 1] - py[j];
                m = std::sqrt(dx * dx + dy * dy);
            }
            if (m > 0) sum += m;
        }
    }
    return sum;
}

struct CurveHit {
    Extended Distance = -1;
    Extended X = 0, Y = 0;
    int First = -1, Last = -1;
};

void Consider(CurveHit& best, Extended d, Extended x, Extended y, int first, int last) {
    if (best.Distance < 0 || d <= best.Distance) best = {d, x, y, first, last}; // later candidates win ties
}

int RoundedDistance(Extended d) {
    return d < 0 ? TGraph::NoDistance : RoundHalfEven(d);
}

// The point of the curve through nodes first..last (clamped) nearest to the data point (dx, dy),
// and its distance.
Extended CurvePointBetween(const TDoubleArray& xData, const TDoubleArray& yData, int first, int last,
                           Extended dx, Extended dy, Extended& x, Extended& y) {
    const int n = int(xData.size());
    x = y = 0;
    if (n == 0) return Extended(TGraph::NoDistance);
    first = std::clamp(first, 0, n - 1);
    last = std::clamp(last, 0, n - 1);
    if (first > last) std::swap(first, last);
    const Extended* xs = xData.constData();
    const Extended* ys = yData.constData();
    CurveHit best;
    for (int i = first; i < last; ++i) {
        Extended fx, fy;
        bool onSegment;
        NearestOnSegment<Extended>(xs[i], ys[i], xs[i + 1], ys[i + 1], dx, dy, fx, fy, onSegment);
        Consider(best, std::hypot(fx - dx, fy - dy), fx, fy, i, i + 1);
    }
    Consider(best, std::hypot(xs[last] - dx, ys[last] - dy), xs[last], ys[last], last, last);
    x = best.X;
    y = best.Y;
    return best.Distance;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Searching

void TGraph::EnsurePolyline() {
    if (!Cache.Stale(TViewCache::Polyline)) return;
    // The visible data window of the plot, as the painting would set it.
    const TRect r = FOwner->PlotArea();
    const Extended left = PixelToDataX(r.Left), right = PixelToDataX(r.Right);
    const Extended top = PixelToDataY(r.Top), bottom = PixelToDataY(r.Bottom);
    Cache.VisXMin = std::min(left, right);
    Cache.VisXMax = std::max(left, right);
    Cache.VisYMin = std::min(top, bottom);
    Cache.VisYMax = std::max(top, bottom);
    PreparePolyline(*this);
}

int TGraph::NearestNode(int px, int py, int& index) {
    EnsurePolyline();
    index = -1;
    int64_t best = -1;
    if (!Cache.PixelsCurrent) {
        index = NearestNodeByDetail(*this, px, py, best);
        return best < 0 ? NoDistance : RoundHalfEven(std::sqrt(Extended(best)));
    }
    const TNodePixel* pixels = FNodePixels.constData();
    for (qsizetype i = 0; i < FNodePixels.size(); ++i) {
        if (!pixels[i].OnScreen) continue;
        const int64_t dx = int64_t(pixels[i].X) - px, dy = int64_t(pixels[i].Y) - py;
        const int64_t d2 = dx * dx + dy * dy;
        if (best < 0 || d2 <= best) {
            best = d2;
            index = int(i);
        }
    }
    return best < 0 ? NoDistance : RoundHalfEven(std::sqrt(Extended(best)));
}

namespace {
// The nearest point of the drawn polyline, piece by piece: the gap between two pieces is not drawn
// and is never searched.
CurveHit SearchPolyline(const TGraph& g, int px, int py) {
    CurveHit best;
    const TViewCache& cache = g.Cache;
    const TPoint* points = cache.Points.constData();
    const int32_t* nodes = cache.NodeIndex.constData();
    const Extended x = px, y = py;
    auto consider = [&](int i, int j) {
        Extended fx, fy;
        bool onSegment;
        NearestOnSegment<Extended>(points[i].X, points[i].Y, points[j].X, points[j].Y, x, y, fx, fy,
                                   onSegment);
        const Extended d = std::hypot(fx - x, fy - y);
        Consider(best, d, fx, fy, nodes[i], onSegment ? nodes[j] : nodes[i]);
    };
    auto considerPoint = [&](int i, int last) {
        const Extended d = std::hypot(points[i].X - x, points[i].Y - y);
        Consider(best, d, points[i].X, points[i].Y, nodes[i], last);
    };
    if (cache.PieceCount == 0) {
        for (int i = 0; i < cache.PointCount; ++i)
            considerPoint(i, i + 1 < cache.PointCount ? nodes[i] : kLastPointMark);
        return best;
    }
    for (int p = 0; p < cache.PieceCount; ++p) {
        const TPolyLinePiece& piece = cache.Pieces[p];
        const int end = piece.First + piece.Count - 1;
        for (int i = piece.First; i < end; ++i)
            consider(i, i + 1);
        if (piece.Count > 0) {
            const bool lastOfAll = p == cache.PieceCount - 1;
            considerPoint(end, lastOfAll ? kLastPointMark : nodes[end]);
        }
    }
    return best;
}
} // namespace

int TGraph::NearestCurvePoint(int px, int py, int& x, int& y) {
    EnsurePolyline();
    const CurveHit hit = SearchPolyline(*this, px, py);
    x = RoundHalfEven(hit.X);
    y = RoundHalfEven(hit.Y);
    return RoundedDistance(hit.Distance);
}

int TGraph::NearestCurveNodes(int px, int py, int& first, int& last) {
    EnsurePolyline();
    const CurveHit hit = SearchPolyline(*this, px, py);
    first = hit.First;
    last = hit.Last;
    return RoundedDistance(hit.Distance);
}

Extended TGraph::CurvePointInData(int first, int last, int px, int py, Extended& x, Extended& y) {
    return CurvePointBetween(XData, YData, first, last, PixelToDataX(px), PixelToDataY(py), x, y);
}

int TGraph::SelectedCount() const {
    return int(std::count_if(FNodePixels.cbegin(), FNodePixels.cend(),
                             [](const TNodePixel& p) { return p.Selected; }));
}

// ---------------------------------------------------------------------------------------------
// Selection

void TGraph::RecordSelection(const TIntArray& indexes) {
    if (!Recording() || indexes.isEmpty()) return;
    TEditNodes edit;
    edit.GraphID = ID;
    edit.Kind = enkSelection;
    edit.Indexes = indexes;
    for (int i : indexes)
        edit.Pixels.append(NodePixel(i));
    FOwner->RecordGraphStep({UndoOp::Nodes, 0, edit});
}

void TGraph::SelectNode(int index) {
    if (index < 0 || index >= NodeCount() || NodeSelected(index)) return;
    RecordSelection({index});
    NodePixels()[index].Selected = 1;
    Cache.SelectionChanged();
    Repaint();
}

void TGraph::DeselectNode(int index) {
    if (index < 0 || index >= NodeCount() || !NodeSelected(index)) return;
    RecordSelection({index});
    FNodePixels[index].Selected = 0;
    Cache.SelectionChanged();
    Repaint();
}

void TGraph::ClearSelection() {
    TIntArray selected;
    for (int i = 0; i < FNodePixels.size(); ++i)
        if (FNodePixels[i].Selected) selected.append(i);
    RecordSelection(selected);
    for (int i : selected)
        FNodePixels[i].Selected = 0;
    Cache.SelectionChanged();
    Repaint();
}

namespace {
// Indexes of the nodes inside a pixel rectangle (corners in any order, closed data ranges).
QList<int> NodesInRect(TGraph& g, const TRect& rect) {
    const Extended x1 = g.PixelToDataX(rect.Left), x2 = g.PixelToDataX(rect.Right);
    const Extended y1 = g.PixelToDataY(rect.Top), y2 = g.PixelToDataY(rect.Bottom);
    const Extended xLow = std::min(x1, x2), xHigh = std::max(x1, x2);
    const Extended yLow = std::min(y1, y2), yHigh = std::max(y1, y2);
    QList<int> inside;
    const Extended* xs = g.XData.constData();
    const Extended* ys = g.YData.constData();
    for (int i = 0; i < g.NodeCount(); ++i)
        if (xs[i] >= xLow && xs[i] <= xHigh && ys[i] >= yLow && ys[i] <= yHigh) inside.append(i);
    return inside;
}
} // namespace

void TGraph::SelectInRect(const TRect& rect) {
    TIntArray changed;
    for (int i : NodesInRect(*this, rect))
        if (!NodeSelected(i)) changed.append(i);
    RecordSelection(changed);
    for (int i : changed)
        NodePixels()[i].Selected = 1;
    Cache.SelectionChanged();
    Repaint();
}

void TGraph::DeselectInRect(const TRect& rect) {
    TIntArray changed;
    for (int i : NodesInRect(*this, rect))
        if (NodeSelected(i)) changed.append(i);
    RecordSelection(changed);
    for (int i : changed)
        FNodePixels[i].Selected = 0;
    Cache.SelectionChanged();
    Repaint();
}

void TGraph::RefreshExtentsKeepingView() {
    const Extended px = Mapping.FitX * Mapping.ZoomX, py = Mapping.FitY * Mapping.ZoomY;
    const Extended cx = XMid() + Mapping.ShiftX, cy = YMid() + Mapping.ShiftY;
    KeepViewAfterChange(px, py, cx, cy);
    Repaint();
}

// ---------------------------------------------------------------------------------------------
// Changing nodes

void TGraph::KeepViewAfterChange(Extended pxPerUnitX, Extended pxPerUnitY, Extended centreX,
                                 Extended centreY) {
    Cache.Invalidate();
    Fit(FOwner->PlotArea());
    if (Mapping.FitX != 0) SetZoomX(pxPerUnitX / Mapping.FitX);
    if (Mapping.FitY != 0) SetZoomY(pxPerUnitY / Mapping.FitY);
    Mapping.ShiftX = centreX - XMid();
    Mapping.ShiftY = centreY - YMid();
}

bool TGraph::InsertNodes(int after, const TDoubleArray& x, const TDoubleArray& y, const TDoubleArray& z,
                         bool selectNew) {
    const qsizetype count = x.size();
    if (count == 0 || y.size() != count) return false;
    if (!z.isEmpty() && (z.size() != count || ZData.isEmpty())) return false;
    if (int64_t(NodeCount()) + count > std::numeric_limits<int32_t>::max()) return false;
    // Values for a logarithmic axis are checked before anything changes.
    TDoubleArray mappedX = x, mappedY = y;
    for (qsizetype i = 0; i < count; ++i) {
        if (FLogX) {
            if (!(x[i] > 0)) return false;
            mappedX[i] = Log10(x[i]);
        }
        if (FLogY) {
            if (!(y[i] > 0)) return false;
            mappedY[i] = Log10(y[i]);
        }
    }

    const TUndoGroupScope oneStep(*FOwner); // the markers go with the nodes
    ClearMarkers();
    const Extended px = Mapping.FitX * Mapping.ZoomX, py = Mapping.FitY * Mapping.ZoomY;
    const Extended cx = XMid() + Mapping.ShiftX, cy = YMid() + Mapping.ShiftY;
    const int at = after < 0 ? 0 : std::min(after + 1, NodeCount());
    // A graph with Z keeps Z for every node: inserted nodes without Z get 0.
    const TDoubleArray zValues = !ZData.isEmpty() && z.isEmpty() ? TDoubleArray(count, 0) : z;

    TNodePixel fresh;
    fresh.Selected = selectNew ? 1 : 0;
    // Unselected new nodes need no stored records when none are stored.
    if (selectNew || !FNodePixels.isEmpty()) NodePixels().insert(at, count, fresh);
    XData.insert(at, count, 0);
    YData.insert(at, count, 0);
    std::copy(mappedX.cbegin(), mappedX.cend(), XData.begin() + at);
    std::copy(mappedY.cbegin(), mappedY.cend(), YData.begin() + at);
    if (FLogX) {
        XSource.insert(at, count, 0);
        std::copy(x.cbegin(), x.cend(), XSource.begin() + at);
    }
    if (FLogY) {
        YSource.insert(at, count, 0);
        std::copy(y.cbegin(), y.cend(), YSource.begin() + at);
    }
    if (!ZData.isEmpty()) {
        ZData.insert(at, count, 0);
        std::copy(zValues.cbegin(), zValues.cend(), ZData.begin() + at);
    }

    if (Recording()) {
        TEditNodes edit;
        edit.GraphID = ID;
        edit.Kind = enkInsert;
        edit.X = x;
        edit.Y = y;
        edit.Z = zValues;
        for (int i = 0; i < count; ++i) {
            edit.Indexes.append(at + i);
            edit.Pixels.append(fresh);
        }
        FOwner->RecordGraphStep({UndoOp::Nodes, 0, edit});
    }
    KeepViewAfterChange(px, py, cx, cy);
    Repaint();
    FOwner->RaiseGraphDataChange(ID);
    return true;
}

// Removes the nodes at the given ascending indexes, recording them, keeping the view.
void TGraph::RemoveNodes(const QList<int>& sortedIndexes) {
    if (sortedIndexes.isEmpty()) return;
    const TUndoGroupScope oneStep(*FOwner); // the markers go with the nodes
    ClearMarkers();
    const Extended px = Mapping.FitX * Mapping.ZoomX, py = Mapping.FitY * Mapping.ZoomY;
    const Extended cx = XMid() + Mapping.ShiftX, cy = YMid() + Mapping.ShiftY;
    if (Recording()) {
        TEditNodes edit;
        edit.GraphID = ID;
        edit.Kind = enkDelete;
        for (int i : sortedIndexes) {
            Extended x, y;
            GetNode(i, x, y);
            edit.X.append(x);
            edit.Y.append(y);
            if (!ZData.isEmpty()) edit.Z.append(ZData[i]);
            edit.Pixels.append(NodePixel(i));
            edit.Indexes.append(i);
        }
        FOwner->RecordGraphStep({UndoOp::Nodes, 0, edit});
    }
    // One compacting pass over each array.
    QList<bool> removed(NodeCount(), false);
    for (int i : sortedIndexes)
        removed[i] = true;
    auto compact = [&](auto& array) {
        if (array.size() != removed.size()) return;
        qsizetype out = 0;
        for (qsizetype i = 0; i < array.size(); ++i)
            if (!removed[i]) array[out++] = array[i];
        array.resize(out);
    };
    compact(XData);
    compact(YData);
    compact(ZData);
    compact(XSource);
    compact(YSource);
    compact(FNodePixels);
    KeepViewAfterChange(px, py, cx, cy);
    Repaint();
    FOwner->RaiseGraphDataChange(ID);
}

bool TGraph::DeleteNode(int index) {
    if (index < 0 || index >= NodeCount()) return false;
    RemoveNodes({index});
    return true;
}

void TGraph::DeleteSelectedNodes() {
    QList<int> selected;
    for (int i = 0; i < FNodePixels.size(); ++i)
        if (FNodePixels[i].Selected) selected.append(i);
    RemoveNodes(selected);
}

void TGraph::DeleteNodesInRect(const TRect& rect) {
    RemoveNodes(NodesInRect(*this, rect));
}

// ---------------------------------------------------------------------------------------------
// Markers

void TGraph::RecordMarkersStep() {
    if (Recording()) FOwner->RecordMarkers(ID, Markers.Items);
}

void TGraph::ClearMarkers() {
    if (Markers.Count() == 0) return;
    RecordMarkersStep();
    Markers.Clear();
    Markers.SelectedIndex = -1;
    Repaint();
}

void TGraph::DeleteMarker(int index) {
    if (index < 0 || index >= Markers.Count()) return;
    RecordMarkersStep();
    Markers.Items.removeAt(index);
    if (Markers.SelectedIndex >= Markers.Count()) Markers.SelectedIndex = -1;
    Repaint();
}

bool TGraph::AddMarkerAtNode(int index) {
    if (index < 0 || index >= NodeCount()) return false;
    RecordMarkersStep();
    Markers.Items.append({XData[index], YData[index]});
    Repaint();
    return true;
}

bool TGraph::AddMarkerAtPixel(int px, int py) {
    int first = -1, last = -1;
    const int distance = NearestCurveNodes(px, py, first, last);
    if (distance == NoDistance || distance > FOwner->MarkerPickDistance()) return false;
    AddMarkerBetween(first, last, px, py);
    return true;
}

void TGraph::AddMarkerBetween(int first, int last, int px, int py) {
    Extended x, y;
    if (NodeCount() == 0) return;
    CurvePointInData(first, last, px, py, x, y);
    RecordMarkersStep();
    Markers.Items.append({x, y});
    Repaint();
}

TGraph::TMarkerSource TGraph::MarkerSource(bool visibleOnly) {
    TMarkerSource source;
    source.X = XData;
    source.Y = YData;
    source.Mapping = Mapping;
    source.NodeAnchor = visibleOnly ? TMappingAnchor{} : MappingAnchor();
    source.DataAnchor = MappingAnchor();
    source.VisibleOnly = visibleOnly;
    if (visibleOnly) {
        EnsurePolyline();
        source.Plot = FOwner->PlotArea();
        source.Points = Cache.Points;
        source.PointCount = Cache.PointCount;
        source.NodeIndex = Cache.NodeIndex;
        source.Pieces = Cache.Pieces;
        source.PieceCount = Cache.PieceCount;
    }
    return source;
}

int64_t TGraph::TMarkerSource::WorkSize() const {
    return 2 * int64_t(VisibleOnly ? PointCount : X.size());
}

void TGraph::PlaceMarkers(int amount, bool byCount, bool visibleOnly, int kind) {
    TMarkerArray markers;
    if (PlanMarkers(MarkerSource(visibleOnly), amount, byCount, kind, markers)) AddMarkers(markers);
}

void TGraph::AddMarkers(const TMarkerArray& markers) {
    RecordMarkersStep();
    Markers.Items.append(markers);
    Repaint();
}

namespace {
// A curve zoomed to billions of pixels would take as many markers at a small interval; the
// placement stops after this many positions.
constexpr int kMaxMarkerPositions = 1 << 20;
} // namespace

bool TGraph::PlanMarkers(const TMarkerSource& source, int amount, bool byCount, int kind,
                         TMarkerArray& markers, TJobProgress* progress) {
    markers.clear();
    if (amount <= 0 || kind < 0 || kind > 3) return false;
    struct Segment {
        Extended X1, Y1, X2, Y2, Measure;
        int FirstNode;
    };
    const bool visibleOnly = source.VisibleOnly;
    const TGraphMapping& mapping = source.Mapping;
    const TMappingAnchor& anchor = source.NodeAnchor;
    const int nodeCount = int(source.X.size());
    // Segments and nodes handled between two looks at the cancel.
    constexpr int CheckEvery = 1 << 12;
    // Hands the measured segments, in order, to `take`: of the drawn polyline, or those starting at
    // the nodes from .. to - 1. Segments are made on the fly so that a long graph needs no list of
    // them. False when cancelled.
    auto forEachSegment = [&](auto&& take, int from, int to) {
        auto offer = [&](Extended x1, Extended y1, Extended x2, Extended y2, int node) {
            const Extended dx = x2 - x1, dy = y2 - y1;
            // Pixel distances are far from overflow: the plain root is exact enough and much faster.
            const Extended m = kind == 0   ? std::fabs(dx)
                               : kind == 1 ? std::fabs(dy)
                                           : std::sqrt(dx * dx + dy * dy);
            // A segment to a node without a finite pixel has no length to place markers along.
            if (m > 0 && std::isfinite(m)) take(Segment{x1, y1, x2, y2, m, node});
        };
        if (visibleOnly) {
            const TRect& plot = source.Plot;
            const Extended left = plot.Left + 1, right = plot.Right - 1, top = plot.Top + 1,
                           bottom = plot.Bottom - 1;
            auto inside = [&](Extended x, Extended y) {
                return x >= left && x <= right && y >= top && y <= bottom;
            };
            // Cuts the segment from an inside point towards an outside one at the shrunk rectangle.
            auto cut = [&](Extended ix, Extended iy, Extended ox, Extended oy, Extended& cx, Extended& cy) {
                Extended t = 1;
                const Extended dx = ox - ix, dy = oy - iy;
                if (dx != 0) {
                    if (ox < left) t = std::min(t, (left - ix) / dx);
                    if (ox > right) t = std::min(t, (right - ix) / dx);
                }
                if (dy != 0) {
                    if (oy < top) t = std::min(t, (top - iy) / dy);
                    if (oy > bottom) t = std::min(t, (bottom - iy) / dy);
                }
                cx = RoundHalfEven(ix + t * dx);
                cy = RoundHalfEven(iy + t * dy);
            };
            const TPoint* points = source.Points.constData();
            for (int p = 0; p < source.PieceCount; ++p) {
                const TPolyLinePiece& piece = source.Pieces[p];
                for (int i = piece.First; i + 1 < piece.First + piece.Count; ++i) {
                    if ((i - piece.First) % CheckEvery == 0 && JobCancelled(progress)) return false;
                    Extended x1 = points[i].X, y1 = points[i].Y;
                    Extended x2 = points[i + 1].X, y2 = points[i + 1].Y;
                    const bool in1 = inside(x1, y1), in2 = inside(x2, y2);
                    if (!in1 && !in2) continue;
                    if (!in1) cut(x2, y2, x1, y1, x1, y1);
                    if (!in2) cut(x1, y1, x2, y2, x2, y2);
                    offer(x1, y1, x2, y2, source.NodeIndex[i]);
                }
            }
            JobAdvance(progress, source.PointCount);
        } else {
            if (from >= to) return true;
            const TDoubleArray &xs = source.X, &ys = source.Y;
            Extended x1 = mapping.ToPixelX(xs[from], anchor), y1 = mapping.ToPixelY(ys[from], anchor);
            for (int i = from; i < to; ++i) {
                const Extended x2 = mapping.ToPixelX(xs[i + 1], anchor),
                               y2 = mapping.ToPixelY(ys[i + 1], anchor);
                offer(x1, y1, x2, y2, i);
                x1 = x2;
                y1 = y2;
            }
        }
        return true;
    };
    // The node segments are measured in chunks; placing then walks only the chunks that hold a marker.
    constexpr int ChunkSize = CheckEvery;
    const int segmentCount = std::max(nodeCount - 1, 0);
    const int chunkCount = visibleOnly ? 1 : (segmentCount + ChunkSize - 1) / ChunkSize;
    auto chunkFrom = [&](int c) { return c * ChunkSize; };
    auto chunkTo = [&](int c) {
        return visibleOnly ? segmentCount : std::min((c + 1) * ChunkSize, segmentCount);
    };

    std::vector<Extended> chunkSums(size_t(std::max(chunkCount, 0)), 0);
    Extended total = 0;
    if (kind < 3) {
        if (visibleOnly) {
            if (!forEachSegment([&](const Segment& s) { chunkSums[0] += s.Measure; }, 0, segmentCount))
                return false;
        } else {
            const auto sumOf = kind == 0   ? SumNodeSegments<0>
                               : kind == 1 ? SumNodeSegments<1>
                                           : SumNodeSegments<2>;
            auto sumChunks = [&](int first, int last) {
                for (int c = first; c < last && !JobCancelled(progress); ++c) {
                    chunkSums[size_t(c)] = sumOf(source.X.constData(), source.Y.constData(), chunkFrom(c),
                                                 chunkTo(c), mapping, anchor);
                    JobAdvance(progress, chunkTo(c) - chunkFrom(c));
                }
            };
            // Chunk sums do not depend on each other: a second core takes the far half of a long graph.
            int split = chunkCount;
            std::thread farHalf;
            if (chunkCount >= 4 && std::thread::hardware_concurrency() > 1) {
                try {
                    farHalf = std::thread(sumChunks, chunkCount / 2, chunkCount);
                    split = chunkCount / 2;
                } catch (const std::system_error&) {
                    // no thread to be had: this one sums them all
                }
            }
            sumChunks(0, split);
            if (farHalf.joinable()) farHalf.join();
            if (JobCancelled(progress)) return false;
        }
        for (const Extended sum : chunkSums)
            total += sum;
        if (total == 0) return false;
    }

    auto addAtNode = [&](int index) {
        if (index >= 0 && index < nodeCount) markers.append({source.X[index], source.Y[index]});
    };
    if (kind == 3) {
        const int count = visibleOnly ? source.PointCount : nodeCount;
        for (int i = 0; i < count; ++i) {
            if (i % CheckEvery == 0) {
                if (JobCancelled(progress)) return false;
                JobAdvance(progress, 2 * std::min(CheckEvery, count - i)); // the whole work
            }
            addAtNode(visibleOnly ? source.NodeIndex[i] : i);
        }
        return true;
    }
    const Extended step = byCount ? std::floor(total / (amount + 1)) : Extended(amount);
    int added = 0, k = 1;
    bool done = false;
    // Each position p = k·step lies on the first segment whose running sum reaches it. The sums
    // are added in the order the measuring used, so the last one is the total to the bit.
    Extended chunkStart = 0;
    for (int c = 0; c < chunkCount && !done; ++c) {
        if (JobCancelled(progress)) return false;
        const Extended chunkEnd = chunkStart + chunkSums[size_t(c)];
        if (!visibleOnly) JobAdvance(progress, chunkTo(c) - chunkFrom(c));
        if (chunkEnd < step * k) { // no position on this chunk
            chunkStart = chunkEnd;
            continue;
        }
        Extended sum = 0;
        const bool walked = forEachSegment(
            [&](const Segment& s) {
                sum += s.Measure;
                const Extended runningSum = chunkStart + sum;
                while (!done) {
                    const Extended p = step * k;
                    if (!(p < total) || (byCount && added >= amount) || k > kMaxMarkerPositions) {
                        done = true;
                        break;
                    }
                    if (runningSum < p) break;
                    const Extended f = (runningSum - p) / s.Measure;
                    const int mx = RoundHalfEven(s.X2 - (s.X2 - s.X1) * f);
                    const int my = RoundHalfEven(s.Y2 - (s.Y2 - s.Y1) * f);
                    Extended x, y;
                    CurvePointBetween(source.X, source.Y, s.FirstNode - 1, s.FirstNode + 1,
                                      mapping.ToDataX(mx, source.DataAnchor),
                                      mapping.ToDataY(my, source.DataAnchor), x, y);
                    markers.append({x, y});
                    ++added;
                    if (step == 0 && k >= amount)
                        done = true; // a zero spacing never advances: amount tries at most
                    ++k;
                }
            },
            chunkFrom(c), chunkTo(c));
        if (!walked) return false;
        chunkStart = chunkEnd;
    }
    return true;
}
