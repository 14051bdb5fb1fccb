// Node work with the left button: selecting by click and band, inserting on the nearest segment,
// deleting, and dragging the selected nodes along the shift curve.
#include "model/DecimalLog.h"
#include "window/SuperGrWindow.h"

#include <algorithm>
#include <cmath>

// ---------------------------------------------------------------------------------------------
// Shift curve and bulk actions

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
// Gestures

void TSuperGrWindow::StartSelectionBand(int x, int y, TEditMode stored) {
    StoredEditMode = stored;
    FFrameStart = FFrameEnd = {x, y};
    SetEditMode(emEndSelection);
}

// The node of the selected graphs nearest to the point (layer order, a later graph wins a tie).
void TSuperGrWindow::NearestSelectedNode(int x, int y, int& graph, int& node, int& distance) {
    graph = node = -1;
    distance = TGraph::NoDistance;
    for (int layer = 0; layer < GraphCount(); ++layer) {
        const int index = IndexOfLayer(layer);
        if (index < 0 || !FGraphs[size_t(index)]->Selected()) continue;
        int nearest = -1;
        const int d = FGraphs[size_t(index)]->NearestNode(x, y, nearest);
        if (nearest >= 0 && d <= distance) {
            distance = d;
            graph = index;
            node = nearest;
        }
    }
}

bool TSuperGrWindow::EditPress(TShiftState, int x, int y) {
    switch (FEditMode) {
    case emSelect:
        StartSelectionBand(x, y, emSelect);
        return true;

    case emInsert: {
        if (FGraphs.empty()) {
            AddGraph(QStringLiteral("Noname"), false, {}, {}, {});
            TGraph* g = GraphByIndex(0);
            if (!g) return false;
            g->SetSelected(true);
            g->SetShowNodes(true);
            return true;
        }
        int best = -1, bestFirst = -1, bestLast = -1;
        int bestDistance = TGraph::NoDistance;
        for (int layer = 0; layer < GraphCount(); ++layer) {
            const int index = IndexOfLayer(layer);
            if (index < 0 || !FGraphs[size_t(index)]->Selected()) continue;
            int first = -1, last = -1;
            const int d = FGraphs[size_t(index)]->NearestCurveNodes(x, y, first, last);
            if (d <= bestDistance) {
                bestDistance = d;
                best = index;
                bestFirst = first;
                bestLast = last;
            }
        }
        if (best < 0) return false;
        TGraph& g = *FGraphs[size_t(best)];
        Extended nx = g.PixelToDataX(x), ny = g.PixelToDataY(y);
        if (g.LogX()) nx = Pow10(nx);
        if (g.LogY()) ny = Pow10(ny);
        const int after = g.NodeCount() == 0 ? -1 : std::min(bestFirst, bestLast);
        g.InsertNodes(after, TDoubleArray{nx}, TDoubleArray{ny}, {}, false);
        Repaint();
        return true;
    }

    case emDelete: {
        int graph, node, distance;
        NearestSelectedNode(x, y, graph, node, distance);
        if (graph < 0 || distance > NodePickRadius) {
            StartSelectionBand(x, y, emDelete);
            return true;
        }
        TGraph& g = *FGraphs[size_t(graph)];
        if (g.SelectedCount() > 0)
            g.DeleteSelectedNodes();
        else
            g.DeleteNode(node);
        Repaint();
        return true;
    }

    case emMove: {
        StoredEditMode = emMove;
        int graph, node, distance;
        NearestSelectedNode(x, y, graph, node, distance);
        if (graph < 0 || distance > NodePickRadius) {
            StartSelectionBand(x, y, emMove);
            return true;
        }
        TGraph& g = *FGraphs[size_t(graph)];
        FDragGraph = graph;
        FDragNode = node;
        FTemporarySelection = g.SelectedCount() == 0;
        if (FTemporarySelection) g.NodePixels[node].Selected = 1;

        FMovedNodes.clear();
        TEditNodes edit;
        edit.GraphID = g.ID;
        edit.Kind = enkMove;
        for (int i = 0; i < g.NodeCount(); ++i) {
            if (!g.NodePixels[i].Selected) continue;
            FMovedNodes.append({i, g.XData[i], g.YData[i], 0, 1});
            Extended rx, ry;
            g.GetNode(i, rx, ry);
            edit.X.append(rx);
            edit.Y.append(ry);
            if (!g.ZData.isEmpty()) edit.Z.append(g.ZData[i]);
            edit.Pixels.append(g.NodePixels[i]);
            edit.Indexes.append(i);
        }
        if (UndoRecording) {
            RedoSide.Clear();
            RecordOp(UndoOp::Nodes);
            UndoSide.Nodes.append(edit);
            UndoSide.Views.append(CaptureViews());
            FinishRecord(UndoOp::Nodes);
        }

        // Path distances along the selected nodes, walking away from the grabbed node on each side.
        const int grabbed = int(std::find_if(FMovedNodes.begin(), FMovedNodes.end(),
                                             [&](const TMoveNode& m) { return m.Index == node; }) -
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
            if (i == grabbed || !UseShiftCurve) {
                m.Weight = 1;
                continue;
            }
            const Extended dmax = i < grabbed ? maxBefore : maxAfter;
            m.Weight = dmax > 0 ? ShiftCurveWeight(ShiftCurveU, ShiftCurveW, m.Distance / dmax) : 1;
        }
        FPressPoint = {x, y};
        SetEditMode(emMoving);
        return true;
    }
    default:
        return false;
    }
}

void TSuperGrWindow::EditMove(TShiftState shift, int x, int y) {
    if (FEditMode == emEndSelection) {
        FFrameEnd = {x, y};
        Repaint();
        return;
    }
    TGraph* g = GraphByIndex(FDragGraph);
    if (FEditMode != emMoving || !g) return;
    Extended lx = x - FPressPoint.X, ly = y - FPressPoint.Y;
    if (shift & ssShift) {
        if (std::fabs(lx) >= std::fabs(ly))
            ly = 0;
        else
            lx = 0;
    }
    for (const TMoveNode& m : FMovedNodes) {
        if (m.Index >= g->NodeCount()) continue;
        g->XData[m.Index] = m.StartX + g->PixelLengthToDataX(m.Weight * lx);
        g->YData[m.Index] = m.StartY - g->PixelLengthToDataY(m.Weight * ly);
        if (g->LogX()) g->XSource[m.Index] = Pow10(g->XData[m.Index]);
        if (g->LogY()) g->YSource[m.Index] = Pow10(g->YData[m.Index]);
    }
    g->Cache.Invalidate(TViewCache::Polyline);
    Raise(Events.OnChangeGraphData, this, g->ID);
    Repaint();
}

void TSuperGrWindow::EditRelease(TShiftState shift, int x, int y) {
    if (FEditMode == emEndSelection) {
        FFrameEnd = {x, y};
        const TRect band{FFrameStart.X, FFrameStart.Y, x, y};
        const bool click = FFrameStart.X == x && FFrameStart.Y == y;
        const TUndoGroupScope oneStep(*this); // every graph the band touches
        for (const auto& g : FGraphs) {
            if (!g->Selected()) continue;
            if (click) {
                int nearest = -1;
                const int d = g->NearestNode(x, y, nearest);
                if (nearest < 0 || d > NodePickRadius) continue;
                if (shift & ssCtrl)
                    g->DeselectNode(nearest);
                else
                    g->SelectNode(nearest);
            } else if (StoredEditMode == emDelete) {
                g->DeleteNodesInRect(band);
            } else if (shift & ssCtrl) {
                g->DeselectInRect(band);
            } else {
                g->SelectInRect(band);
            }
        }
        SetEditMode(TEditMode(StoredEditMode));
        Repaint();
        return;
    }
    if (FEditMode == emMoving) {
        if (TGraph* g = GraphByIndex(FDragGraph)) {
            if (FTemporarySelection && FDragNode < g->NodeCount()) g->NodePixels[FDragNode].Selected = 0;
            g->RefreshExtentsKeepingView();
        }
        FTemporarySelection = false;
        FDragGraph = FDragNode = -1;
        FMovedNodes.clear();
        SetEditMode(TEditMode(StoredEditMode));
        Repaint();
    }
}
