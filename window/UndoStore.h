// One side (undo or redo) of the window's history: the operation list and its typed stores.
#pragma once

#include "model/ost2_Types.h"

#include <QStringList>

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

// A caption's lines as one history string: empty for no lines, else each line after a line break,
// so that a caption of one empty line comes back as it was.
inline QString CaptionUndoText(const QStringList& lines) {
    return lines.isEmpty() ? QString() : QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}
inline QStringList CaptionFromUndoText(const QString& text) {
    return text.isEmpty() ? QStringList() : text.mid(1).split(QLatin1Char('\n'));
}

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
