#include "window/NodeEditing.h"

#include "model/DecimalLog.h"
#include "model/Polyline.h"

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------------------------------------
// The window's node actions: shift curve and bulk actions

void TSuperGrWindow::LoadShiftCurvePreset(int number) {
    ShiftCurve = TShiftCurve::Preset(number);
    ShiftCurve.Table(ShiftCurveU, ShiftCurveW);
    UseShiftCurve = true;
}

void TSuperGrWindow::ClearShiftCurve() {
    UseShiftCurve = false;
    ShiftCurveU.clear();
    ShiftCurveW.clear();
}

void TSuperGrWindow::UnselectNodes() {
    const bool repaintWas = AllowRepaint;
    AllowRepaint = false;
    {
        const TUndoGroupScope oneStep(*this);
        for (const auto& g : FGraphs)
            if (FToolMode != tmEdit || g->Selected()) g->ClearSelection();
    }
    AllowRepaint = repaintWas;
    Repaint();
}

void TSuperGrWindow::CutSelectedNodes() {
    {
        const TUndoGroupScope oneStep(*this);
        for (const auto& g : FGraphs)
            if (g->Selected()) g->DeleteSelectedNodes();
    }
    Repaint();
}

// ---------------------------------------------------------------------------------------------
// The tool: presses

bool TNodeEditTool::Engaged() const {
    return W.EditMode() == emEndSelection || W.EditMode() == emMoving;
}

bool TNodeEditTool::Press(TMouseButton button, TShiftState, int x, int y) {
    if (W.ToolMode() != tmEdit) return false;
    if (button == TMouseButton::Right) {
        if (!W.ResetByRightButton || W.EditMode() == emNothing) return false;
        StepBack();
        return true;
    }
    if (button != TMouseButton::Left) return false;
    switch (W.EditMode()) {
    case emSelect:
        StartBand(x, y, emSelect);
        return true;
    case emInsert:
        Insert(x, y);
        return true;
    case emDelete:
        Delete(x, y);
        return true;
    case emMove:
        Grab(x, y);
        return true;
    default:
        return false;
    }
}

// emMove first lets go of the selected nodes, then of the mode.
void TNodeEditTool::StepBack() {
    switch (W.EditMode()) {
    case emMove: {
        bool anySelectedNodes = false;
        for (int i = 0; i < W.GraphCount(); ++i) {
            const TGraph& g = *W.GraphByIndex(i);
            anySelectedNodes |= g.Selected() && g.SelectedCount() > 0;
        }
        if (anySelectedNodes)
            W.UnselectNodes();
        else
            W.SetEditMode(emNothing);
        break;
    }
    case emSelect:
    case emInsert:
    case emDelete:
        W.SetEditMode(emNothing);
        break;
    default:
        break;
    }
    W.Repaint();
}

void TNodeEditTool::StartBand(int x, int y, TEditMode stored) {
    W.StoredEditMode = stored;
    FBandStart = FBandEnd = {x, y};
    W.SetEditMode(emEndSelection);
}

TNodeEditTool::TNearestNode TNodeEditTool::NearestSelectedNode(int x, int y) const {
    TNearestNode best;
    for (int layer = 0; layer < W.GraphCount(); ++layer) {
        const int index = W.IndexOfLayer(layer);
        TGraph* g = W.GraphByIndex(index);
        if (!g || !g->Selected()) continue;
        int nearest = -1;
        const int d = g->NearestNode(x, y, nearest);
        if (nearest >= 0 && d <= best.Distance) best = {index, nearest, d};
    }
    return best;
}

std::optional<TNodeEditTool::TNearestNode> TNodeEditTool::NodeInReach(int x, int y, TEditMode stored) {
    const TNearestNode nearest = NearestSelectedNode(x, y);
    if (nearest.Graph >= 0 && nearest.Distance <= W.NodePickRadius) return nearest;
    StartBand(x, y, stored);
    return std::nullopt;
}

void TNodeEditTool::Insert(int x, int y) {
    if (W.GraphCount() == 0) {
        W.AddGraph(QStringLiteral("Noname"), false, {}, {}, {});
        if (TGraph* g = W.GraphByIndex(0)) {
            g->SetSelected(true);
            g->SetShowNodes(true);
        }
        return;
    }
    // The selected graph whose nearest segment is closest (a later graph wins a tie).
    TGraph* best = nullptr;
    int bestFirst = -1, bestLast = -1;
    int bestDistance = TGraph::NoDistance;
    for (int layer = 0; layer < W.GraphCount(); ++layer) {
        TGraph* g = W.GraphByIndex(W.IndexOfLayer(layer));
        if (!g || !g->Selected()) continue;
        int first = -1, last = -1;
        const int d = g->NearestCurveNodes(x, y, first, last);
        if (d <= bestDistance) {
            bestDistance = d;
            best = g;
            bestFirst = first;
            bestLast = last;
        }
    }
    if (!best) return;
    Extended nx = best->PixelToDataX(x), ny = best->PixelToDataY(y);
    if (best->LogX()) nx = Pow10(nx);
    if (best->LogY()) ny = Pow10(ny);
    const int after = best->NodeCount() == 0 ? -1 : std::min(bestFirst, bestLast);
    best->InsertNodes(after, TDoubleArray{nx}, TDoubleArray{ny}, {}, false);
    W.Repaint();
}

void TNodeEditTool::Delete(int x, int y) {
    const std::optional<TNearestNode> nearest = NodeInReach(x, y, emDelete);
    if (!nearest) return;
    TGraph& g = *W.GraphByIndex(nearest->Graph);
    const int node = nearest->Node;
    if (g.SelectedCount() > 0)
        g.DeleteSelectedNodes();
    else
        g.DeleteNode(node);
    W.Repaint();
}

void TNodeEditTool::Grab(int x, int y) {
    W.StoredEditMode = emMove;
    const std::optional<TNearestNode> nearest = NodeInReach(x, y, emMove);
    if (!nearest) return;
    TGraph& g = *W.GraphByIndex(nearest->Graph);
    FDragGraph = nearest->Graph;
    FDragNode = nearest->Node;
    FTemporarySelection = g.SelectedCount() == 0;
    if (FTemporarySelection) {
        g.NodePixels()[FDragNode].Selected = 1;
        g.Cache.SelectionChanged();
    }
    TakeMovedNodes(g);
    WeighMovedNodes(g, FDragNode);
    FPressPoint = {x, y};
    W.SetEditMode(emMoving);
}

void TNodeEditTool::TakeMovedNodes(TGraph& g) {
    FMovedNodes.clear();
    TEditNodes edit;
    edit.GraphID = g.ID;
    edit.Kind = enkMove;
    for (int i = 0; i < g.NodeCount(); ++i) {
        if (!g.NodeSelected(i)) continue;
        FMovedNodes.append({i, g.XData[i], g.YData[i], 0, 1});
        Extended rx, ry;
        g.GetNode(i, rx, ry);
        edit.X.append(rx);
        edit.Y.append(ry);
        if (!g.ZData.isEmpty()) edit.Z.append(g.ZData[i]);
        edit.Pixels.append(g.NodePixel(i));
        edit.Indexes.append(i);
    }
    if (!W.UndoRecording) return;
    W.RedoSide.Clear();
    W.RecordOp(UndoOp::Nodes);
    W.UndoSide.Nodes.append(edit);
    W.UndoSide.Views.append(W.CaptureViews());
    W.FinishRecord(UndoOp::Nodes);
}

void TNodeEditTool::WeighMovedNodes(const TGraph& g, int grabbedNode) {
    // Path distances along the selected nodes, walking away from the grabbed node on each side.
    const int grabbed = int(std::find_if(FMovedNodes.begin(), FMovedNodes.end(),
                                         [&](const TMoveNode& m) { return m.Index == grabbedNode; }) -
                            FMovedNodes.begin());
    auto step = [&](const TMoveNode& a, const TMoveNode& b) {
        return std::hypot(g.DataLengthToPixelX(b.StartX - a.StartX),
                          g.DataLengthToPixelY(b.StartY - a.StartY));
    };
    Extended maxBefore = 0, maxAfter = 0;
    for (int i = grabbed - 1; i >= 0; --i) {
        FMovedNodes[i].Distance = FMovedNodes[i + 1].Distance + step(FMovedNodes[i + 1], FMovedNodes[i]);
        maxBefore = std::max(maxBefore, FMovedNodes[i].Distance);
    }
    for (int i = grabbed + 1; i < FMovedNodes.size(); ++i) {
        FMovedNodes[i].Distance = FMovedNodes[i - 1].Distance + step(FMovedNodes[i - 1], FMovedNodes[i]);
        maxAfter = std::max(maxAfter, FMovedNodes[i].Distance);
    }
    for (int i = 0; i < FMovedNodes.size(); ++i) {
        TMoveNode& m = FMovedNodes[i];
        if (i == grabbed || !W.UseShiftCurve) {
            m.Weight = 1;
            continue;
        }
        const Extended dmax = i < grabbed ? maxBefore : maxAfter;
        m.Weight = dmax > 0 ? ShiftCurveWeight(W.ShiftCurveU, W.ShiftCurveW, m.Distance / dmax) : 1;
    }
}

// ---------------------------------------------------------------------------------------------
// The tool: moves and releases

void TNodeEditTool::Move(TShiftState shift, TPoint to, TPoint) {
    if (W.EditMode() == emEndSelection) {
        FBandEnd = to;
        W.Repaint();
    } else if (W.EditMode() == emMoving) {
        DragNodes(shift, to);
    }
}

void TNodeEditTool::DragNodes(TShiftState shift, TPoint to) {
    TGraph* g = W.GraphByIndex(FDragGraph);
    if (!g) return;
    Extended lx = to.X - FPressPoint.X, ly = to.Y - FPressPoint.Y;
    if (shift & ssShift) {
        if (std::fabs(lx) >= std::fabs(ly))
            ly = 0;
        else
            lx = 0;
    }
    int first = g->NodeCount(), last = -1;
    for (const TMoveNode& m : FMovedNodes) {
        if (m.Index >= g->NodeCount()) continue;
        first = std::min(first, m.Index);
        last = std::max(last, m.Index);
        g->XData[m.Index] = m.StartX + g->PixelLengthToDataX(m.Weight * lx);
        g->YData[m.Index] = m.StartY - g->PixelLengthToDataY(m.Weight * ly);
        if (g->LogX()) g->XSource[m.Index] = Pow10(g->XData[m.Index]);
        if (g->LogY()) g->YSource[m.Index] = Pow10(g->YData[m.Index]);
    }
    UpdateDetailIndex(*g, first, last);
    g->Cache.Invalidate(TViewCache::Polyline);
    Raise(W.Events.OnChangeGraphData, &W, g->ID);
    W.Repaint();
}

void TNodeEditTool::Release(TMouseButton button, TShiftState shift, int x, int y) {
    if (button != TMouseButton::Left) return;
    if (W.EditMode() == emEndSelection)
        FinishBand(shift, x, y);
    else if (W.EditMode() == emMoving)
        FinishDrag();
}

void TNodeEditTool::FinishBand(TShiftState shift, int x, int y) {
    FBandEnd = {x, y};
    const TRect band{FBandStart.X, FBandStart.Y, x, y};
    const bool click = FBandStart == FBandEnd;
    const TUndoGroupScope oneStep(W); // every graph the band touches
    for (int i = 0; i < W.GraphCount(); ++i) {
        TGraph& g = *W.GraphByIndex(i);
        if (!g.Selected()) continue;
        if (click) {
            int nearest = -1;
            const int d = g.NearestNode(x, y, nearest);
            if (nearest < 0 || d > W.NodePickRadius) continue;
            if (shift & ssCtrl)
                g.DeselectNode(nearest);
            else
                g.SelectNode(nearest);
        } else if (W.StoredEditMode == emDelete) {
            g.DeleteNodesInRect(band);
        } else if (shift & ssCtrl) {
            g.DeselectInRect(band);
        } else {
            g.SelectInRect(band);
        }
    }
    W.SetEditMode(TEditMode(W.StoredEditMode));
    W.Repaint();
}

void TNodeEditTool::FinishDrag() {
    if (TGraph* g = W.GraphByIndex(FDragGraph)) {
        if (FTemporarySelection && FDragNode < g->NodeCount()) {
            g->NodePixels()[FDragNode].Selected = 0;
            g->Cache.SelectionChanged();
        }
        // The drag kept the level-of-detail index up to date; only the extents and the view follow.
        const bool indexFresh = !g->Cache.Stale(TViewCache::Detail);
        g->RefreshExtentsKeepingView();
        if (indexFresh) g->Cache.MarkFresh(TViewCache::Detail);
    }
    FTemporarySelection = false;
    FDragGraph = FDragNode = -1;
    FMovedNodes.clear();
    W.SetEditMode(TEditMode(W.StoredEditMode));
    W.Repaint();
}

// ---------------------------------------------------------------------------------------------
// Cursor and band

int TNodeEditTool::Cursor() const {
    if (W.ToolMode() != tmEdit) return 0;
    switch (W.EditMode()) {
    case emSelect:
    case emEndSelection:
    case emInsert:
        return 2;
    case emDelete:
        return 3;
    default:
        return 1;
    }
}

TMouseTool::TRubberBand TNodeEditTool::Band() const {
    if (W.EditMode() != emEndSelection) return {};
    return {TSuperGrWindow::TBandKind::Selection, SpannedRect(FBandStart, FBandEnd)};
}
