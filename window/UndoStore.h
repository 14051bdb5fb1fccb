// One side (undo or redo) of the window's history: the operation list and its typed stores.
#pragma once

#include "model/Font.h"
#include "model/ost2_Types.h"

#include <QStringList>

#include <memory>
#include <optional>
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

// A caption font as one history string: name, character set, colour, size and style, a line each.
inline QString FontUndoText(const TFontRec& f) {
    return QStringList{f.Name, QString::number(f.Charset), QString::number(f.Color), QString::number(f.Size),
                       QString::number(f.StyleBits)}
        .join(QLatin1Char('\n'));
}
inline std::optional<TFontRec> FontFromUndoText(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('\n'));
    if (parts.size() != 5) return std::nullopt;
    bool ok[4] = {};
    TFontRec f;
    f.Name = parts[0];
    f.Charset = uint8_t(parts[1].toUInt(&ok[0]));
    f.Color = TColor(parts[2].toInt(&ok[1]));
    f.Size = parts[3].toInt(&ok[2]);
    f.StyleBits = uint8_t(parts[4].toUInt(&ok[3]));
    if (!(ok[0] && ok[1] && ok[2] && ok[3])) return std::nullopt;
    return f;
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
