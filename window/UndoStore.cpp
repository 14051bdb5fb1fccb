#include "window/UndoStore.h"

#include "model/Graph.h"

void TUndoSide::Clear() {
    Ops.clear();
    Views.clear();
    Strings.clear();
    Integers.clear();
    Doubles.clear();
    Layers.clear();
    Permissions.clear();
    Groups.clear();
    SnapPolicies.clear();
    Markers.clear();
    Symbols.clear();
    Offsets.clear();
    Nodes.clear();
    Graphs.clear(); // frees the kept graph copies
}
