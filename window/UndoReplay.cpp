#include "window/UndoReplay.h"

#include "model/DecimalLog.h"
#include "model/Graph.h"
#include "model/GraphRecord.h"
#include "window/SuperGrWindow.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

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

bool IsIntegerOp(uint8_t op) {
    switch (op) {
    case UndoOp::Color:
    case UndoOp::MarkerColor:
    case UndoOp::MarkerSymbol:
    case UndoOp::ShowNodes:
    case UndoOp::FixedRatio:
    case UndoOp::MarkersVisible:
    case UndoOp::Visible:
    case UndoOp::LineWidth:
    case UndoOp::LineStyle:
    case UndoOp::Selected:
    case UndoOp::BreakMode:
    case UndoOp::XDesignLayout:
    case UndoOp::YDesignLayout:
    case UndoOp::ToolMode:
    case UndoOp::LogX:
    case UndoOp::LogY:
    case UndoOp::DateTimeArg:
    case UndoOp::InLegend:
    case UndoOp::MarkerKeepColor:
        return true;
    default:
        return InRange(op, UndoOp::DesignationShow, UndoOp::DesignationIsText + 3) ||
               InRange(op, UndoOp::ShowLegend, UndoOp::LegendPosition);
    }
}

bool IsWindowOp(uint8_t op) {
    return op == UndoOp::ToolMode || InRange(op, UndoOp::ShowLegend, UndoOp::LegendPosition);
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
    const bool recording = window.UndoRecording;
    window.UndoRecording = false;
    bool broken = false;
    try {
        const uint8_t group = replay.From.Ops.last().Group;
        do {
            replay.ReplayNewest();
        } while (group != 0 && !replay.From.IsEmpty() && replay.From.Ops.last().Group == group);
    } catch (const std::exception&) {
        broken = true;
    }
    window.UndoRecording = recording;
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
    if (IsIntegerOp(op)) return ReplayInteger(op);
    if (op == UndoOp::Name || InRange(op, UndoOp::DesignationText, UndoOp::DesignationText + 3) ||
        op == UndoOp::MarkerText || op == UndoOp::LegendText)
        return ReplayString(op);
    if (op == UndoOp::BreakLimit || op == UndoOp::WidthScale) return ReplayExtended(op);
    if (op == UndoOp::DeleteGraph || op == UndoOp::AddGraph) return ReplayGraphPresence(op);

    switch (op) {
    case UndoOp::Views:
        ReplayViews();
        return true;
    case UndoOp::Layer: {
        const TIntegerUndoRedo layers = Pop(From.Layers);
        To.Layers.append(W.CaptureLayers());
        RestoreLayers(layers);
        return true;
    }
    case UndoOp::Permissions: {
        const TPolicyUndoRedo permissions = Pop(From.Permissions);
        To.Permissions.append(W.CapturePermissions());
        RestorePermissions(permissions);
        return true;
    }
    case UndoOp::Groups: {
        const TZoomUndoRedo views = Pop(From.Views);
        const TPolicyUndoRedo permissions = Pop(From.Permissions);
        const TSnapUndoRedo groups = Pop(From.Groups);
        To.Views.append(W.CaptureViews());
        To.Permissions.append(W.CapturePermissions());
        To.Groups.append(W.CaptureGroups());
        RestoreGroups(groups);
        RestorePermissions(permissions);
        RestoreViews(views);
        return true;
    }
    case UndoOp::SnapPolicy: {
        const TSnapPolicyUndoRedo flags = Pop(From.SnapPolicies);
        const TZoomUndoRedo views = Pop(From.Views);
        const TPolicyUndoRedo permissions = Pop(From.Permissions);
        To.SnapPolicies.append(W.CaptureSnapPolicy());
        To.Views.append(W.CaptureViews());
        To.Permissions.append(W.CapturePermissions());
        for (int i = 0; i < 4; ++i)
            W.DrawPolicy.SetSingleDirect(i, flags.Flags[i] != 0);
        RestorePermissions(permissions);
        RestoreViews(views);
        Raise(W.Events.OnChangeGraphState, &W.DrawPolicy, -1, -1, false);
        return true;
    }
    case UndoOp::Markers: {
        const TMarkersUndoRedoItem item = Pop(From.Markers);
        TGraph* g = W.GraphByID(item.GraphID);
        if (!g) return false;
        To.Markers.append({item.GraphID, g->Markers.Items});
        g->Markers.Items = item.Markers;
        g->Markers.SelectedIndex = -1;
        return true;
    }
    case UndoOp::Nodes:
        return ReplayNodes();
    default:
        break;
    }

    if (InRange(op, UndoOp::DesignationSymbol, UndoOp::DesignationSymbol + 3)) {
        const TUndoRedoSymbol item = Pop(From.Symbols);
        TGraph* g = W.GraphByID(item.GraphID);
        if (!g) return false;
        const TDesignation d = DesignationOf(op, UndoOp::DesignationSymbol);
        To.Symbols.append({item.GraphID, g->Designation(d).Symbol});
        g->SetDesignationSymbol(d, item.Symbol);
        return true;
    }
    if (InRange(op, UndoOp::DesignationOffsets, UndoOp::DesignationOffsets + 3)) {
        const TSymMarginsItem item = Pop(From.Offsets);
        TGraph* g = W.GraphByID(item.GraphID);
        if (!g) return false;
        const TDesignation d = DesignationOf(op, UndoOp::DesignationOffsets);
        To.Offsets.append({item.GraphID, g->Designation(d).OffsetX, g->Designation(d).OffsetY});
        g->SetDesignationOffsets(d, item.OffsetX, item.OffsetY);
        return true;
    }
    throw THistoryBroken(); // a code nothing records
}

// ---------------------------------------------------------------------------------------------
// Single values

bool TUndoReplay::ReplayInteger(uint8_t op) {
    const TIntegerUndoRedoItem item = Pop(From.Integers);
    if (IsWindowOp(op)) {
        To.Integers.append({-1, CurrentWindowInteger(op)});
        SetWindowInteger(op, item.Value);
        return true;
    }
    const bool keepsViews = op == UndoOp::FixedRatio || op == UndoOp::LogX || op == UndoOp::LogY;
    TZoomUndoRedo views;
    TPolicyUndoRedo permissions;
    if (keepsViews) views = Pop(From.Views);
    if (op == UndoOp::FixedRatio) permissions = Pop(From.Permissions);

    TGraph* g = W.GraphByID(item.GraphID);
    if (!g) return false;
    To.Integers.append({item.GraphID, CurrentInteger(*g, op)});
    if (keepsViews) To.Views.append(W.CaptureViews());
    if (op == UndoOp::FixedRatio) To.Permissions.append(W.CapturePermissions());
    SetInteger(*g, op, item.Value);
    if (op == UndoOp::FixedRatio) RestorePermissions(permissions);
    if (keepsViews) RestoreViews(views);
    return true;
}

int32_t TUndoReplay::CurrentInteger(const TGraph& g, uint8_t op) const {
    if (InRange(op, UndoOp::DesignationShow, UndoOp::DesignationShow + 3))
        return g.Designation(DesignationOf(op, UndoOp::DesignationShow)).Show;
    if (InRange(op, UndoOp::DesignationVertical, UndoOp::DesignationVertical + 3))
        return g.Designation(DesignationOf(op, UndoOp::DesignationVertical)).Vertical;
    if (InRange(op, UndoOp::DesignationIsText, UndoOp::DesignationIsText + 3))
        return g.Designation(DesignationOf(op, UndoOp::DesignationIsText)).IsText;
    switch (op) {
    case UndoOp::Color:
        return g.Color();
    case UndoOp::MarkerColor:
        return g.MarkerColor();
    case UndoOp::MarkerSymbol:
        return g.MarkerSymbol();
    case UndoOp::ShowNodes:
        return g.ShowNodes();
    case UndoOp::FixedRatio:
        return g.FixedRatio();
    case UndoOp::MarkersVisible:
        return g.MarkersVisible();
    case UndoOp::Visible:
        return g.Visible();
    case UndoOp::LineWidth:
        return g.LineWidth();
    case UndoOp::LineStyle:
        return g.LineStyle();
    case UndoOp::Selected:
        return g.Selected();
    case UndoOp::BreakMode:
        return g.BreakMode();
    case UndoOp::XDesignLayout:
        return g.XDesignLayout();
    case UndoOp::YDesignLayout:
        return g.YDesignLayout();
    case UndoOp::LogX:
        return g.LogX();
    case UndoOp::LogY:
        return g.LogY();
    case UndoOp::DateTimeArg:
        return g.DateTimeArg();
    case UndoOp::InLegend:
        return g.InLegend();
    case UndoOp::MarkerKeepColor:
        return g.MarkerKeepColor();
    default:
        throw THistoryBroken();
    }
}

void TUndoReplay::SetInteger(TGraph& g, uint8_t op, int32_t v) {
    if (InRange(op, UndoOp::DesignationShow, UndoOp::DesignationShow + 3))
        return g.SetDesignationShow(DesignationOf(op, UndoOp::DesignationShow), v != 0);
    if (InRange(op, UndoOp::DesignationVertical, UndoOp::DesignationVertical + 3))
        return g.SetDesignationVertical(DesignationOf(op, UndoOp::DesignationVertical), v != 0);
    if (InRange(op, UndoOp::DesignationIsText, UndoOp::DesignationIsText + 3))
        return g.SetDesignationIsText(DesignationOf(op, UndoOp::DesignationIsText), v != 0);
    switch (op) {
    case UndoOp::Color:
        return g.SetColor(v);
    case UndoOp::MarkerColor:
        // Directly: switching off "keeps the line colour" has a step of its own.
        if (g.FMarkerColor != v) {
            g.FMarkerColor = v;
            g.ChangedStyle(StyleChange::MarkerColor, v);
        }
        return;
    case UndoOp::MarkerSymbol:
        return g.SetMarkerSymbol(uint8_t(v));
    case UndoOp::ShowNodes:
        return g.SetShowNodes(v != 0);
    case UndoOp::FixedRatio:
        return g.SetFixedRatio(v != 0);
    case UndoOp::MarkersVisible:
        return g.SetMarkersVisible(v != 0);
    case UndoOp::Visible:
        return g.SetVisible(v != 0);
    case UndoOp::LineWidth:
        return g.SetLineWidth(v);
    case UndoOp::LineStyle:
        return g.SetLineStyle(v);
    case UndoOp::Selected:
        return g.SetSelected(v != 0);
    case UndoOp::BreakMode:
        return g.SetBreakMode(uint8_t(v));
    case UndoOp::XDesignLayout:
        return g.SetXDesignLayout(uint8_t(v));
    case UndoOp::YDesignLayout:
        return g.SetYDesignLayout(uint8_t(v));
    case UndoOp::LogX:
    case UndoOp::LogY: {
        // The markers of such a step are put back by its markers record.
        const TAxis axis = op == UndoOp::LogX ? TAxis::X : TAxis::Y;
        const bool on = v != 0;
        if (on != (axis == TAxis::X ? g.LogX() : g.LogY()) &&
            !(on && (axis == TAxis::X ? g.XMin() : g.YMin()) <= 0))
            g.SwitchLog(axis, on, false);
        return;
    }
    case UndoOp::DateTimeArg:
        return g.SetDateTimeArg(v != 0);
    case UndoOp::InLegend:
        return g.SetInLegend(v != 0);
    case UndoOp::MarkerKeepColor:
        // Directly too: the marker colour the setter would take has a step of its own.
        if (g.FMarkerKeepColor != (v != 0)) {
            g.FMarkerKeepColor = v != 0;
            g.ChangedStyle(StyleChange::MarkerKeepColor, v != 0);
        }
        return;
    default:
        throw THistoryBroken();
    }
}

int32_t TUndoReplay::CurrentWindowInteger(uint8_t op) const {
    switch (op) {
    case UndoOp::ToolMode:
        return W.ToolMode();
    case UndoOp::ShowLegend:
        return W.ShowLegend();
    case UndoOp::LegendFrame:
        return W.LegendFrame();
    case UndoOp::LegendBackground:
        return W.LegendBackground();
    case UndoOp::LegendOffsetY:
        return W.LegendOffsetY();
    case UndoOp::LegendOffsetX:
        return W.LegendOffsetX();
    case UndoOp::LegendColumns:
        return W.LegendColumns();
    case UndoOp::LegendBorderWidth:
        return W.LegendBorderWidth();
    case UndoOp::LegendPosition:
        return W.LegendPosition();
    default:
        throw THistoryBroken();
    }
}

void TUndoReplay::SetWindowInteger(uint8_t op, int32_t v) {
    switch (op) {
    case UndoOp::ToolMode: {
        // Directly: leaving node editing through the setter would change the node selection.
        if (v < tmNothing || v > tmEdit) throw THistoryBroken();
        const TToolMode old = W.FToolMode;
        W.FToolMode = TToolMode(v);
        Raise(W.Events.OnToolModeChange, &W, old, W.FToolMode);
        return;
    }
    case UndoOp::ShowLegend:
        return W.SetShowLegend(v != 0);
    case UndoOp::LegendFrame:
        return W.SetLegendFrame(v != 0);
    case UndoOp::LegendBackground:
        return W.SetLegendBackground(v != 0);
    case UndoOp::LegendOffsetY:
        return W.SetLegendOffsetY(v);
    case UndoOp::LegendOffsetX:
        return W.SetLegendOffsetX(v);
    case UndoOp::LegendColumns:
        return W.SetLegendColumns(v);
    case UndoOp::LegendBorderWidth:
        return W.SetLegendBorderWidth(v);
    case UndoOp::LegendPosition:
        return W.SetLegendPosition(uint8_t(v));
    default:
        throw THistoryBroken();
    }
}

bool TUndoReplay::ReplayString(uint8_t op) {
    const TUndoRedoString item = Pop(From.Strings);
    TGraph* g = W.GraphByID(item.GraphID);
    if (!g) return false;
    if (op == UndoOp::Name) {
        To.Strings.append({item.GraphID, g->Name()});
        g->SetName(item.Value);
    } else if (op == UndoOp::MarkerText) {
        To.Strings.append({item.GraphID, g->MarkerText()});
        g->SetMarkerText(item.Value);
    } else if (op == UndoOp::LegendText) {
        To.Strings.append({item.GraphID, g->LegendText()});
        g->SetLegendText(item.Value);
    } else {
        const TDesignation d = DesignationOf(op, UndoOp::DesignationText);
        To.Strings.append({item.GraphID, g->Designation(d).Text});
        g->SetDesignationText(d, item.Value);
    }
    return true;
}

bool TUndoReplay::ReplayExtended(uint8_t op) {
    const TDoubleUndoRedoItem item = Pop(From.Doubles);
    TGraph* g = W.GraphByID(item.GraphID);
    if (!g) return false;
    if (op == UndoOp::BreakLimit) {
        To.Doubles.append({item.GraphID, g->BreakLimit()});
        g->SetBreakLimit(item.Value);
    } else {
        To.Doubles.append({item.GraphID, g->WidthScale()});
        g->SetWidthScale(item.Value);
    }
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
    const qsizetype n = g.NodeCount();
    TZoomUndoRedo currentViews;
    if (keepsViews) currentViews = W.CaptureViews();
    const Extended pxPerUnitX = g.Mapping.FitX * g.Mapping.ZoomX,
                   pxPerUnitY = g.Mapping.FitY * g.Mapping.ZoomY;
    const Extended centreX = g.XMid() + g.Mapping.ShiftX, centreY = g.YMid() + g.Mapping.ShiftY;

    TEditNodes current;
    current.GraphID = rec.GraphID;
    current.Indexes = rec.Indexes;
    switch (rec.Kind) {
    case enkSelection:
    case enkMove: {
        // The same nodes, their values and pixels as they are now, then the kept ones put back.
        if (rec.Pixels.size() != rec.Indexes.size()) throw THistoryBroken();
        const bool values = rec.Kind == enkMove;
        if (values && (rec.X.size() != rec.Indexes.size() || rec.Y.size() != rec.Indexes.size()))
            throw THistoryBroken();
        current.Kind = rec.Kind;
        for (int32_t i : rec.Indexes) {
            const bool inside = i >= 0 && i < n;
            current.Pixels.append(inside ? g.NodePixels[i] : TNodePixel{});
            if (!values) continue;
            current.X.append(inside ? RealValue(i, g.FLogX, g.XData, g.XSource) : 0);
            current.Y.append(inside ? RealValue(i, g.FLogY, g.YData, g.YSource) : 0);
        }
        for (qsizetype k = 0; k < rec.Indexes.size(); ++k) {
            const int32_t i = rec.Indexes[k];
            if (i < 0 || i >= n) continue;
            g.NodePixels[i] = rec.Pixels[k];
            if (!values) continue;
            SetRealValue(i, rec.X[k], g.FLogX, g.XData, g.XSource);
            SetRealValue(i, rec.Y[k], g.FLogY, g.YData, g.YSource);
        }
        break;
    }
    case enkInsert: {
        // The inserted nodes go again; the other side keeps them as a deletion.
        QList<int32_t> order = rec.Indexes;
        std::sort(order.begin(), order.end());
        order.erase(std::unique(order.begin(), order.end()), order.end());
        if (!order.isEmpty() && (order.first() < 0 || order.last() >= n)) throw THistoryBroken();
        current.Kind = enkDelete;
        current.Indexes = order;
        const bool withZ = g.ZData.size() == n && n > 0;
        for (int32_t i : order) {
            current.X.append(RealValue(i, g.FLogX, g.XData, g.XSource));
            current.Y.append(RealValue(i, g.FLogY, g.YData, g.YSource));
            if (withZ) current.Z.append(g.ZData[i]);
            current.Pixels.append(g.NodePixels[i]);
        }
        for (qsizetype k = order.size() - 1; k >= 0; --k) {
            const int32_t i = order[k];
            g.XData.removeAt(i);
            g.YData.removeAt(i);
            if (g.FLogX) g.XSource.removeAt(i);
            if (g.FLogY) g.YSource.removeAt(i);
            if (withZ) g.ZData.removeAt(i);
            g.NodePixels.removeAt(i);
        }
        break;
    }
    case enkDelete: {
        // The deleted nodes come back at their old places; the other side keeps them as an insertion.
        const qsizetype count = rec.Indexes.size();
        if (rec.X.size() != count || rec.Y.size() != count) throw THistoryBroken();
        const bool withZ = rec.Z.size() == count && (n == 0 || g.ZData.size() == n);
        current.Kind = enkInsert;
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
            g.NodePixels.insert(i, k < rec.Pixels.size() ? rec.Pixels[k] : TNodePixel{});
        }
        break;
    }
    case enkReplaceAll: {
        current.Kind = enkReplaceAll;
        g.GetXY(current.X, current.Y);
        current.Z = g.ZData;
        current.Pixels = g.NodePixels;
        if (rec.X.size() != rec.Y.size() || (!rec.Z.isEmpty() && rec.Z.size() != rec.X.size()))
            throw THistoryBroken();
        AssignAxis(rec.X, g.FLogX, g.XData, g.XSource);
        AssignAxis(rec.Y, g.FLogY, g.YData, g.YSource);
        g.ZData = rec.Z;
        if (rec.Pixels.size() == rec.X.size())
            g.NodePixels = rec.Pixels;
        else
            g.NodePixels.fill(TNodePixel{}, rec.X.size());
        break;
    }
    default:
        throw THistoryBroken();
    }

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
        g.Cache.Invalidate(TViewCache::Polyline);
    }
    Raise(W.Events.OnChangeGraphData, &W, g.ID);
    return true;
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
