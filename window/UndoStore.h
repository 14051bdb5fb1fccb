// One side (undo or redo) of the window's history: the operation list and its typed stores.
#pragma once

#include "model/ost2_Types.h"

#include <memory>
#include <vector>

class TGraph;

// A whole graph kept by the history (deleted graphs, graphs whose addition was undone).
struct TGraphUndoItem {
    int32_t GraphID = -1;
    int32_t ListIndex = -1;
    std::shared_ptr<TGraph> Graph;
};
using TGraphUndoRedo = QList<TGraphUndoItem>;

struct TUndoSide {
    TUndoRedoOpArray Ops;
    TZoomUndoRedoArray Views;
    TStringUndoRedo Strings;
    TIntegerUndoRedo Integers;
    TDoubleUndoRedo Doubles;
    TLayerUndoRedoArray Layers;
    TPolicyUndoRedoArray Permissions;
    TSnapUndoRedoArray Groups;
    TSnapPolicyUndoRedoArray SnapPolicies;
    TMarkersUndoRedo Markers;
    TSymbolUndoRedo Symbols;
    TSymMarginsUndoRedo Offsets;
    TNodesUndoRedo Nodes;
    TGraphUndoRedo Graphs;

    bool IsEmpty() const { return Ops.isEmpty(); }
    void Clear();
};
