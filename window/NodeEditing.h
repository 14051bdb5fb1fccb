// Node work with the left button (tool mode tmEdit): selecting by click and band, inserting on the
// nearest segment, deleting, and dragging the selected nodes along the shift curve. The edit mode
// tells the tool's phase; emEndSelection and emMoving are the band and the node drag under way.
// The window's node actions (shift curve presets, cut, unselect) are in NodeEditing.cpp as well.
#pragma once

#include "window/MouseTools.h"

#include <optional>

class TNodeEditTool final : public TMouseTool {
public:
    using TMouseTool::TMouseTool;

    // Left: the gesture of the edit mode. Right: steps back out of the edit mode (when the window
    // resets by that button).
    bool Press(TMouseButton button, TShiftState shift, int x, int y) override;
    bool Engaged() const override;
    void Move(TShiftState shift, TPoint to, TPoint from) override;
    void Release(TMouseButton button, TShiftState shift, int x, int y) override;
    int Cursor() const override;
    TRubberBand Band() const override;

private:
    struct TNearestNode {
        int Graph = -1, Node = -1, Distance = TGraph::NoDistance;
    };
    // The node of the selected graphs nearest to the point (layer order, a later graph wins a tie).
    TNearestNode NearestSelectedNode(int x, int y) const;
    // The nearest node when it is within the pick radius; otherwise a band starts instead.
    std::optional<TNearestNode> NodeInReach(int x, int y, TEditMode stored);
    void StepBack();
    void StartBand(int x, int y, TEditMode stored);
    void Insert(int x, int y);
    void Delete(int x, int y);
    void Grab(int x, int y);
    // Takes the selected nodes of the grabbed graph and records them as one undo step.
    void TakeMovedNodes(TGraph& g);
    // Path distances from the grabbed node and, with the shift curve, the weights.
    void WeighMovedNodes(const TGraph& g, int grabbedNode);
    void DragNodes(TShiftState shift, TPoint to);
    void FinishBand(TShiftState shift, int x, int y);
    void FinishDrag();

    TPoint FBandStart, FBandEnd;
    TPoint FPressPoint;
    int FDragGraph = -1;
    int FDragNode = -1;
    bool FTemporarySelection = false; // the grabbed node is selected only for this drag
    TMoveNodes FMovedNodes;
};
