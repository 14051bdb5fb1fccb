#include "window/UndoReplay.h"

#include "model/DecimalLog.h"
#include "model/Graph.h"
#include "model/GraphProperties.h"
#include "model/GraphRecord.h"
#include "window/SuperGrWindow.h"
#include "window/WindowProperties.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <type_traits>

namespace {
// The stores ran out of step with the operation list: the history cannot be trusted any more.
struct THistoryBroken : std::runtime_error {
    THistoryBroken() : std::runtime_error("undo history out of step") {}
};

template <typename List> auto Pop(List& list) {
    if (list.isEmpty()) throw THistoryBroken();
    return list.takeLast();
}

bool InRange(uint8_t op, int first, int last) {
    return op >= first && op <= last;
}

TDesignation DesignationOf(uint8_t op, int first) {
    return TDesignation(op - first);
}

// The store of a side that keeps values of type T, and the value of one of its entries.
template <typename T> auto& StoreOf(TUndoSide& side) {
    if constexpr (std::is_integral_v<T>)
        return side.Integers;
    else if constexpr (std::is_same_v<T, QString>)
        return side.Strings;
    else if constexpr (std::is_same_v<T, Extended>)
        return side.Doubles;
    else
        return side.Symbols;
}
template <typename T> using TStored = std::conditional_t<std::is_integral_v<T>, int32_t, T>;
template <typename Item> const auto& StoredValue(const Item& item) {
    if constexpr (std::is_same_v<Item, TUndoRedoSymbol>)
        return item.Symbol;
    else
        return item.Value;
}

// Real values (before any logarithm) of one axis into its data and source arrays; a value that has
// no logarithm switches the axis to plain values, as replacing the data does.
void AssignAxis(const TDoubleArray& values, bool& logOn, TDoubleArray& data, TDoubleArray& source) {
    if (logOn) {
        TDoubleArray logs(values.size());
        bool ok = true;
        for (qsizetype i = 0; i < values.size() && ok; ++i) {
            ok = values[i] > 0 && !std::isinf(values[i]);
            if (ok) logs[i] = Log10(values[i]);
        }
        if (ok) {
            source = values;
            data = std::move(logs);
            return;
        }
        logOn = false;
    }
    data = values;
    source.clear();
}

// One real value into data and source of a node.
void SetRealValue(qsizetype i, Extended v, bool logOn, TDoubleArray& data, TDoubleArray& source) {
    if (logOn && i < source.size()) {
        source[i] = v;
        data[i] = Log10(v);
    } else {
        data[i] = v;
    }
}

Extended RealValue(qsizetype i, bool logOn, const TDoubleArray& data, const TDoubleArray& source) {
    return logOn && i < source.size() ? source[i] : data[i];
}
} // namespace

TUndoReplay::TUndoReplay(TSuperGrWindow& window, Direction direction)
    : W(window), From(direction == Direction::Undo ? window.UndoSide : window.RedoSide),
      To(direction == Direction::Undo ? window.RedoSide : window.UndoSide) {}

void TUndoReplay::Run(TSuperGrWindow& window, Direction direction) {
    TUndoReplay replay(window, direction);
    if (replay.From.IsEmpty()) return;
    window.StopAnimation();
    bool broken = false;
    try {
        const TUndoRecordingPause quiet(window);
        const uint8_t group = replay.From.Ops.last().Group;
        do {
            replay.ReplayNewest();
        } while (group != 0 && !replay.From.IsEmpty() && replay.From.Ops.last().Group == group);
    } catch (const std::exception&) {
        broken = true;
    }
    if (broken) window.ClearUndoHistory(); // reports that nothing is left to undo or redo
    if (!window.Modified()) window.SetModified(true);
    window.Relayout();
}

void TUndoReplay::ReplayNewest() {
    const TUndoRedoOp entry = From.Ops.takeLast();
    if (Replay(entry.OpType)) To.Ops.append(entry);
    W.RaiseUndoRedoOp(entry.OpType);
}

bool TUndoReplay::Replay(uint8_t op) {
    bool replayed = false;
    if (TGraphProperties::Visit(op, [&](const auto& p, int index) { replayed = ReplayProperty(p, index); }))
        return replayed;
    if (TWindowProperties::Visit(op, [&](const auto& p) { ReplayWindowProperty(p); })) return true;
    return ReplayOwnStep(op);
}

// The operations that keep more than one value.
bool TUndoReplay::ReplayOwnStep(uint8_t op) {
    switch (op) {
    case UndoOp::Views:
        ReplayViews();
        return true;
    case UndoOp::Layer:
        ReplayLayers();
        return true;
    case UndoOp::FixedRatio:
    case UndoOp::LogX:
    case UndoOp::LogY:
        return ReplayWithViews(op);
    case UndoOp::DeleteGraph:
    case UndoOp::AddGraph:
        return ReplayGraphPresence(op);
    case UndoOp::Permissions:
        ReplayPermissions();
        return true;
    case UndoOp::Groups:
        ReplayGroups();
        return true;
    case UndoOp::SnapPolicy:
        ReplaySnapPolicy();
        return true;
    case UndoOp::Markers:
        return ReplayMarkers();
    case UndoOp::Nodes:
        return ReplayNodes();
    case UndoOp::ToolMode:
        ReplayToolMode();
        return true;
    case UndoOp::TopCaption:
    case UndoOp::BottomCaption:
        ReplayCaption(op == UndoOp::TopCaption);
        return true;
    case UndoOp::TopCaptionAlign:
    case UndoOp::BottomCaptionAlign:
        ReplayCaptionAlign(op == UndoOp::TopCaptionAlign);
        return true;
    case UndoOp::TopCaptionFont:
    case UndoOp::BottomCaptionFont:
        ReplayCaptionFont(op == UndoOp::TopCaptionFont);
        return true;
    default:
        if (InRange(op, UndoOp::DesignationOffsets, UndoOp::DesignationOffsets + 3))
            return ReplayOffsets(DesignationOf(op, UndoOp::DesignationOffsets));
        throw THistoryBroken(); // a code nothing records
    }
}

// ---------------------------------------------------------------------------------------------
// Single values

template <typename T> bool TUndoReplay::ReplayProperty(const TGraphProperty<T>& property, int index) {
    const auto item = Pop(StoreOf<T>(From));
    TGraph* g = W.GraphByID(item.GraphID);
    if (!g) return false;
    StoreOf<T>(To).append({item.GraphID, TStored<T>(property.Get(*g, index))});
    property.Set(*g, T(StoredValue(item)), index);
    return true;
}

template <typename T> void TUndoReplay::ReplayWindowProperty(const TWindowProperty<T>& property) {
    const TIntegerUndoRedoItem item = Pop(From.Integers);
    To.Integers.append({-1, int32_t(property.Get(W))});
    property.Set(W, T(item.Value));
}

void TUndoReplay::ReplayToolMode() {
    const TIntegerUndoRedoItem item = Pop(From.Integers);
    // Directly: leaving node editing through the setter would change the node selection.
    if (item.Value < tmNothing || item.Value > tmEdit) throw THistoryBroken();
    To.Integers.append({-1, W.FToolMode});
    const TToolMode old = W.FToolMode;
    W.FToolMode = TToolMode(item.Value);
    Raise(W.Events.OnToolModeChange, &W, old, W.FToolMode);
}

void TUndoReplay::ReplayCaption(bool top) {
    const TUndoRedoString item = Pop(From.Strings);
    To.Strings.append({-1, CaptionUndoText(top ? W.TopCaption() : W.BottomCaption())});
    const QStringList lines = CaptionFromUndoText(item.Value);
    if (top)
        W.SetTopCaption(lines);
    else
        W.SetBottomCaption(lines);
}

void TUndoReplay::ReplayCaptionAlign(bool top) {
    const TIntegerUndoRedoItem item = Pop(From.Integers);
    if (item.Value < taLeftJustify || item.Value > taCenter) throw THistoryBroken();
    To.Integers.append({-1, top ? W.TopCaptionAlign() : W.BottomCaptionAlign()});
    if (top)
        W.SetTopCaptionAlign(TCaptionAlign(item.Value));
    else
        W.SetBottomCaptionAlign(TCaptionAlign(item.Value));
}

void TUndoReplay::ReplayCaptionFont(bool top) {
    const TUndoRedoString item = Pop(From.Strings);
    const std::optional<TFontRec> font = FontFromUndoText(item.Value);
    if (!font) throw THistoryBroken();
    To.Strings.append({-1, FontUndoText(top ? W.TopCaptionFont() : W.BottomCaptionFont())});
    if (top)
        W.SetTopCaptionFont(*font);
    else
        W.SetBottomCaptionFont(*font);
}

// A fixed ratio and the logarithmic axes keep every graph's view beside the flag; the fixed ratio
// also the permissions it may have switched on.
bool TUndoReplay::ReplayWithViews(uint8_t op) {
    const bool fixedRatio = op == UndoOp::FixedRatio;
    const TIntegerUndoRedoItem item = Pop(From.Integers);
    const TZoomUndoRedo views = Pop(From.Views);
    TPolicyUndoRedo permissions;
    if (fixedRatio) permissions = Pop(From.Permissions);

    TGraph* g = W.GraphByID(item.GraphID);
    if (!g) return false;
    const TAxis axis = op == UndoOp::LogY ? TAxis::Y : TAxis::X;
    const bool current = fixedRatio ? g->FixedRatio() : axis == TAxis::X ? g->LogX() : g->LogY();
    To.Integers.append({item.GraphID, current});
    To.Views.append(W.CaptureViews());
    const bool on = item.Value != 0;
    if (fixedRatio) {
        To.Permissions.append(W.CapturePermissions());
        g->SetFixedRatio(on);
        RestorePermissions(permissions);
    } else if (on != current && !(on && (axis == TAxis::X ? g->XMin() : g->YMin()) <= 0)) {
        g->SwitchLog(axis, on, false); // the markers of such a step are put back by its markers record
    }
    RestoreViews(views);
    return true;
}

bool TUndoReplay::ReplayOffsets(TDesignation d) {
    const TSymMarginsItem item = Pop(From.Offsets);
    TGraph* g = W.GraphByID(item.GraphID);
    if (!g) return false;
    To.Offsets.append({item.GraphID, g->Designation(d).OffsetX, g->Designation(d).OffsetY});
    g->SetDesignationOffsets(d, item.OffsetX, item.OffsetY);
    return true;
}

bool TUndoReplay::ReplayMarkers() {
    const TMarkersUndoRedoItem item = Pop(From.Markers);
    TGraph* g = W.GraphByID(item.GraphID);
    if (!g) return false;
    To.Markers.append({item.GraphID, g->Markers.Items});
    g->Markers.Items = item.Markers;
    g->Markers.SelectedIndex = -1;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Views, layers, permissions, groups

void TUndoReplay::ReplayViews() {
    const TZoomUndoRedo views = Pop(From.Views);
    To.Views.append(W.CaptureViews());
    if (W.AnimatedUndo) W.TakeAnimationStart();
    RestoreViews(views);
    // The visible data windows, through the view operations: when the plot has changed size since
    // the step was recorded, they restore what the user saw rather than the old zooms. Without such
    // a change each of them finds nothing to do.
    for (const TZoomUndoRedoItem& v : views) {
        W.SetViewLeft(v.GraphID, v.ViewLeft);
        W.SetViewWidth(v.GraphID, v.ViewWidth);
        W.SetViewBottom(v.GraphID, v.ViewBottom);
        W.SetViewHeight(v.GraphID, v.ViewHeight);
    }
    W.StartViewAnimationOrRepaint(W.AnimatedUndo);
}

void TUndoReplay::ReplayLayers() {
    const TIntegerUndoRedo layers = Pop(From.Layers);
    To.Layers.append(W.CaptureLayers());
    RestoreLayers(layers);
}

void TUndoReplay::ReplayPermissions() {
    const TPolicyUndoRedo permissions = Pop(From.Permissions);
    To.Permissions.append(W.CapturePermissions());
    RestorePermissions(permissions);
}

// The binding groups and the draw-policy flags keep every graph's view and permissions beside
// their own values.
void TUndoReplay::ReplayGroups() {
    const TSnapUndoRedo groups = Pop(From.Groups);
    const TViewsAndPermissions kept = SwapViewsAndPermissions();
    To.Groups.append(W.CaptureGroups());
    RestoreGroups(groups);
    RestoreViewsAndPermissions(kept);
}

void TUndoReplay::ReplaySnapPolicy() {
    const TSnapPolicyUndoRedo flags = Pop(From.SnapPolicies);
    const TViewsAndPermissions kept = SwapViewsAndPermissions();
    To.SnapPolicies.append(W.CaptureSnapPolicy());
    for (int i = 0; i < 4; ++i)
        W.DrawPolicy.SetSingleDirect(i, flags.Flags[i] != 0);
    RestoreViewsAndPermissions(kept);
    Raise(W.Events.OnChangeGraphState, &W.DrawPolicy, -1, -1, false);
}

TUndoReplay::TViewsAndPermissions TUndoReplay::SwapViewsAndPermissions() {
    TViewsAndPermissions kept{Pop(From.Views), Pop(From.Permissions)};
    To.Views.append(W.CaptureViews());
    To.Permissions.append(W.CapturePermissions());
    return kept;
}

void TUndoReplay::RestoreViewsAndPermissions(const TViewsAndPermissions& kept) {
    RestorePermissions(kept.Permissions);
    RestoreViews(kept.Views);
}

void TUndoReplay::RestoreViews(const TZoomUndoRedo& views) {
    for (const TZoomUndoRedoItem& v : views) {
        TGraph* g = W.GraphByID(v.GraphID);
        if (!g) continue;
        g->SetZoomX(v.ZoomX);
        g->SetZoomY(v.ZoomY);
        g->Mapping.ShiftX = v.ShiftX;
        g->Mapping.ShiftY = v.ShiftY;
        g->Fit(W.PlotRect); // pixel steps follow the zooms
        g->Cache.Invalidate(TViewCache::Polyline);
    }
}

void TUndoReplay::RestoreLayers(const TIntegerUndoRedo& layers) {
    const int wasTop = W.TopGraphIndex();
    for (const TIntegerUndoRedoItem& item : layers)
        if (TGraph* g = W.GraphByID(item.GraphID)) g->FLayer = item.Value;
    // Graphs the snapshot does not know (or a damaged one) must still leave a permutation.
    std::vector<TGraph*> graphs;
    for (const auto& g : W.FGraphs)
        graphs.push_back(g.get());
    TGraphRecord::RenumberLayers(graphs);
    for (const auto& g : W.FGraphs)
        g->ChangedStyle(StyleChange::Layer, g->FLayer);
    const int curTop = W.TopGraphIndex();
    if (curTop != wasTop) {
        W.Rescale();
        Raise(W.Events.OnChangeTopGraph, &W, wasTop, curTop);
    }
}

void TUndoReplay::RestorePermissions(const TPolicyUndoRedo& permissions) {
    static constexpr int kStateCode[] = {StateChange::ShiftX, StateChange::ShiftY, StateChange::ScaleX,
                                         StateChange::ScaleY};
    for (const TPolicyItem& item : permissions) {
        TGraph* g = W.GraphByID(item.GraphID);
        if (!g) continue;
        const bool current[4] = {g->AllowShiftX(), g->AllowShiftY(), g->AllowScaleX(), g->AllowScaleY()};
        for (int w = 0; w < 4; ++w) {
            const bool v = item.Flags[w] != 0;
            if (v == current[w]) continue;
            g->SetPermissionFlagDirect(w, v);
            Raise(W.Events.OnChangeGraphState, &W, g->ID, kStateCode[w], v);
        }
    }
}

void TUndoReplay::RestoreGroups(const TSnapUndoRedo& groups) {
    for (const TSnapItem& item : groups) {
        TGraph* g = W.GraphByID(item.GraphID);
        if (!g) continue;
        g->FPosGroupX = item.Groups[0];
        g->FPosGroupY = item.Groups[1];
        g->FScaleGroupX = item.Groups[2];
        g->FScaleGroupY = item.Groups[3];
    }
}

// ---------------------------------------------------------------------------------------------
// Added and deleted graphs

bool TUndoReplay::ReplayGraphPresence(uint8_t op) {
    // On the undo side an added graph is present (its ID is kept) and a deleted one absent (its copy
    // is kept); the redo side holds the opposite.
    const bool undoing = &From == &W.UndoSide;
    const bool removes = (op == UndoOp::AddGraph) == undoing;
    const TZoomUndoRedo views = Pop(From.Views);
    const TIntegerUndoRedo layers = Pop(From.Layers);

    if (removes) {
        const TIntegerUndoRedoItem item = Pop(From.Integers);
        const int index = W.IndexOfGraphID(item.GraphID);
        if (index < 0) return false;
        auto copy = std::make_shared<TGraph>(&W);
        copy->AssignFrom(*W.FGraphs[size_t(index)]);
        To.Graphs.append({item.GraphID, index, copy});
        To.Views.append(W.CaptureViews());
        To.Layers.append(W.CaptureLayers());
        RemoveGraph(index);
    } else {
        const TGraphUndoItem item = Pop(From.Graphs);
        if (!item.Graph || W.IndexOfGraphID(item.GraphID) >= 0) return false;
        const int index = std::clamp(item.ListIndex, 0, W.GraphCount());
        To.Integers.append({item.GraphID, index});
        To.Views.append(W.CaptureViews());
        To.Layers.append(W.CaptureLayers());
        InsertGraph(*item.Graph, index);
    }
    RestoreLayers(layers);
    RestoreViews(views);
    return true;
}

void TUndoReplay::RemoveGraph(int index) {
    const int top = W.TopGraphIndex();
    W.RemoveGraphAt(index);
    if (index <= top) Raise(W.Events.OnChangeTopGraph, &W, index == top ? -1 : top, W.TopGraphIndex());
    Raise(W.Events.OnDelGraph, &W, index);
    W.RaiseGraphsListChanged();
    W.DiscardSavedAxes();
}

void TUndoReplay::InsertGraph(const TGraph& copy, int index) {
    auto graph = std::make_unique<TGraph>(&W);
    graph->AssignFrom(copy);
    const int32_t id = graph->ID;
    W.FGraphs.insert(W.FGraphs.begin() + index, std::move(graph));
    W.RaiseGraphsListChanged();
    W.DiscardSavedAxes();
    Raise(W.Events.OnAddGraph, &W, id);
}

// ---------------------------------------------------------------------------------------------
// Nodes

bool TUndoReplay::ReplayNodes() {
    const TEditNodes rec = Pop(From.Nodes);
    // Moves and whole-data replacements keep the views of all graphs; selection changes, insertions
    // and deletions keep the picture still by themselves.
    const bool keepsViews = rec.Kind == enkMove || rec.Kind == enkReplaceAll;
    TZoomUndoRedo views;
    if (keepsViews) views = Pop(From.Views);
    TGraph* graph = W.GraphByID(rec.GraphID);
    if (!graph) return false;
    TGraph& g = *graph;
    TZoomUndoRedo currentViews;
    if (keepsViews) currentViews = W.CaptureViews();
    const Extended pxPerUnitX = g.Mapping.FitX * g.Mapping.ZoomX,
                   pxPerUnitY = g.Mapping.FitY * g.Mapping.ZoomY;
    const Extended centreX = g.XMid() + g.Mapping.ShiftX, centreY = g.YMid() + g.Mapping.ShiftY;

    TEditNodes current;
    switch (rec.Kind) {
    case enkSelection:
    case enkMove:
        current = RestoreNodes(g, rec);
        break;
    case enkInsert:
        current = RemoveInsertedNodes(g, rec);
        break;
    case enkDelete:
        current = InsertDeletedNodes(g, rec);
        break;
    case enkReplaceAll:
        current = ReplaceAllNodes(g, rec);
        break;
    default:
        throw THistoryBroken();
    }
    current.GraphID = rec.GraphID;

    To.Nodes.append(current);
    if (keepsViews) To.Views.append(currentViews);

    if (keepsViews) {
        // As after any change of the data: fresh extents, the window's scaling, then the kept views.
        g.Cache.Invalidate();
        g.RecomputeExtents();
        W.Rescale();
        RestoreViews(views);
    } else if (rec.Kind != enkSelection) {
        g.KeepViewAfterChange(pxPerUnitX, pxPerUnitY, centreX, centreY);
    } else {
        g.Cache.Invalidate(TViewCache::Polyline | TViewCache::Selection);
    }
    Raise(W.Events.OnChangeGraphData, &W, g.ID);
    return true;
}

// The same nodes, their values and pixels as they are now; then the kept ones put back.
TEditNodes TUndoReplay::RestoreNodes(TGraph& g, const TEditNodes& rec) {
    const qsizetype n = g.NodeCount();
    if (rec.Pixels.size() != rec.Indexes.size()) throw THistoryBroken();
    const bool values = rec.Kind == enkMove;
    if (values && (rec.X.size() != rec.Indexes.size() || rec.Y.size() != rec.Indexes.size()))
        throw THistoryBroken();
    TEditNodes current;
    current.Kind = rec.Kind;
    current.Indexes = rec.Indexes;
    for (int32_t i : rec.Indexes) {
        const bool inside = i >= 0 && i < n;
        current.Pixels.append(inside ? g.NodePixel(i) : TNodePixel{});
        if (!values) continue;
        current.X.append(inside ? RealValue(i, g.FLogX, g.XData, g.XSource) : 0);
        current.Y.append(inside ? RealValue(i, g.FLogY, g.YData, g.YSource) : 0);
    }
    for (qsizetype k = 0; k < rec.Indexes.size(); ++k) {
        const int32_t i = rec.Indexes[k];
        if (i < 0 || i >= n) continue;
        g.NodePixels()[i] = rec.Pixels[k];
        if (!values) continue;
        SetRealValue(i, rec.X[k], g.FLogX, g.XData, g.XSource);
        SetRealValue(i, rec.Y[k], g.FLogY, g.YData, g.YSource);
    }
    return current;
}

// The inserted nodes go again; the other side keeps them as a deletion.
TEditNodes TUndoReplay::RemoveInsertedNodes(TGraph& g, const TEditNodes& rec) {
    const qsizetype n = g.NodeCount();
    QList<int32_t> order = rec.Indexes;
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    if (!order.isEmpty() && (order.first() < 0 || order.last() >= n)) throw THistoryBroken();
    TEditNodes current;
    current.Kind = enkDelete;
    current.Indexes = order;
    const bool withZ = g.ZData.size() == n && n > 0;
    for (int32_t i : order) {
        current.X.append(RealValue(i, g.FLogX, g.XData, g.XSource));
        current.Y.append(RealValue(i, g.FLogY, g.YData, g.YSource));
        if (withZ) current.Z.append(g.ZData[i]);
        current.Pixels.append(g.NodePixel(i));
    }
    for (qsizetype k = order.size() - 1; k >= 0; --k) {
        const int32_t i = order[k];
        g.XData.removeAt(i);
        g.YData.removeAt(i);
        if (g.FLogX) g.XSource.removeAt(i);
        if (g.FLogY) g.YSource.removeAt(i);
        if (withZ) g.ZData.removeAt(i);
        if (!g.FNodePixels.isEmpty()) g.FNodePixels.removeAt(i);
    }
    return current;
}

// The deleted nodes come back at their old places; the other side keeps them as an insertion.
TEditNodes TUndoReplay::InsertDeletedNodes(TGraph& g, const TEditNodes& rec) {
    const qsizetype n = g.NodeCount();
    const qsizetype count = rec.Indexes.size();
    if (rec.X.size() != count || rec.Y.size() != count) throw THistoryBroken();
    const bool withZ = rec.Z.size() == count && (n == 0 || g.ZData.size() == n);
    TEditNodes current;
    current.Kind = enkInsert;
    current.Indexes = rec.Indexes;
    // Records that are all zero need no storing while none are stored.
    const bool storePixels = !g.StoredNodePixels().isEmpty() ||
                             std::any_of(rec.Pixels.cbegin(), rec.Pixels.cend(),
                                         [](const TNodePixel& p) { return !(p == TNodePixel{}); });
    if (storePixels) g.NodePixels();
    for (qsizetype k = 0; k < count; ++k) {
        const int32_t i = rec.Indexes[k];
        if (i < 0 || i > g.XData.size()) throw THistoryBroken();
        if (g.FLogX && !(rec.X[k] > 0)) throw THistoryBroken();
        if (g.FLogY && !(rec.Y[k] > 0)) throw THistoryBroken();
        g.XData.insert(i, g.FLogX ? Log10(rec.X[k]) : rec.X[k]);
        g.YData.insert(i, g.FLogY ? Log10(rec.Y[k]) : rec.Y[k]);
        if (g.FLogX) g.XSource.insert(i, rec.X[k]);
        if (g.FLogY) g.YSource.insert(i, rec.Y[k]);
        if (withZ) g.ZData.insert(i, rec.Z[k]);
        if (storePixels) g.FNodePixels.insert(i, k < rec.Pixels.size() ? rec.Pixels[k] : TNodePixel{});
    }
    return current;
}

TEditNodes TUndoReplay::ReplaceAllNodes(TGraph& g, const TEditNodes& rec) {
    TEditNodes current;
    current.Kind = enkReplaceAll;
    current.Indexes = rec.Indexes;
    g.GetXY(current.X, current.Y);
    current.Z = g.ZData;
    current.Pixels = g.FNodePixels;
    if (rec.X.size() != rec.Y.size() || (!rec.Z.isEmpty() && rec.Z.size() != rec.X.size()))
        throw THistoryBroken();
    AssignAxis(rec.X, g.FLogX, g.XData, g.XSource);
    AssignAxis(rec.Y, g.FLogY, g.YData, g.YSource);
    g.ZData = rec.Z;
    if (rec.Pixels.size() == rec.X.size())
        g.FNodePixels = rec.Pixels;
    else
        g.ResetNodePixels();
    return current;
}

// ---------------------------------------------------------------------------------------------
// The window's history operations

void TSuperGrWindow::Undo() {
    TUndoReplay::Run(*this, TUndoReplay::Direction::Undo);
}

void TSuperGrWindow::Redo() {
    TUndoReplay::Run(*this, TUndoReplay::Direction::Redo);
}

void TSuperGrWindow::UndoGroupIfOpen() {
    // Only the group opened last and still open: when nothing was recorded in it, the newest entry
    // belongs to an earlier, unrelated change and stays.
    if (!FUndoGrouping || UndoSide.IsEmpty() || UndoSide.Ops.last().Group != FCurrentGroup) return;
    Undo();
}
