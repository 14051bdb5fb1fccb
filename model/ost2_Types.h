// Value types shared by the graph model, the graph window, the calculator,
// the file readers and the dialogs.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <limits>

// Every data value is held in 80-bit extended precision; it must never pass through double.
static_assert(std::numeric_limits<long double>::digits == 64,
              "Tarvelo needs long double to be the 80-bit x87 extended type (64-bit mantissa)");

using Extended = long double;

// Arrays are implicitly shared (reference counted, copied on write); empty and absent are the same.
// QList compares arithmetic elements bytewise, which would include the six padding bytes of each
// extended value; this array compares the values themselves.
class TDoubleArray : public QList<Extended> {
public:
    using QList<Extended>::QList;
    TDoubleArray() = default;
    TDoubleArray(const QList<Extended>& other) : QList<Extended>(other) {}
    TDoubleArray(QList<Extended>&& other) : QList<Extended>(std::move(other)) {}

    friend bool operator==(const TDoubleArray& a, const TDoubleArray& b) {
        return a.size() == b.size() && std::equal(a.cbegin(), a.cend(), b.cbegin());
    }
    friend bool operator!=(const TDoubleArray& a, const TDoubleArray& b) { return !(a == b); }
};
using TDoubleArray2 = QList<TDoubleArray>;
using TIntArray = QList<int32_t>;
using TIntArray2 = QList<TIntArray>;
using TStrArray = QStringList;
using TStrArray2 = QList<TStrArray>;
using TBoolArray = QList<uint8_t>;
using TBoolArray2 = QList<TBoolArray>;

// 0x00BBGGRR for an explicit colour; a value above 0x00FFFFFF refers to a system colour.
using TColor = int32_t;
using TColors = QList<TColor>;

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    bool operator==(const TRect&) const = default;
    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
};

using TPointArray = QList<TPoint>;
using TRectArray = QList<TRect>;

struct TNodePixel {
    int32_t X = 0;
    int32_t Y = 0;
    uint8_t OnScreen = 0;
    uint8_t Selected = 0;
    bool operator==(const TNodePixel&) const = default;
};
using TPtIndArray = QList<TNodePixel>;

inline constexpr int MaxPolyPiecePoints = 251;

struct TPolyLinePiece {
    int32_t First = 0;
    uint8_t Count = 0; // at most MaxPolyPiecePoints
    bool operator==(const TPolyLinePiece&) const = default;
};
using TPolyLineIndexes = QList<TPolyLinePiece>;

struct TMarkerPoint {
    Extended X = 0;
    Extended Y = 0;
    bool operator==(const TMarkerPoint&) const = default;
};
using TMarkerArray = QList<TMarkerPoint>;

// One text element of a composite symbol; the box is given in fractions of the symbol's frame.
struct TPrimitiv {
    Extended X1 = 0.25L;
    Extended Y1 = 0.25L;
    Extended X2 = 0.75L;
    Extended Y2 = 0.75L;
    int32_t Weight = 400;
    int32_t Italic = 0;
    QString FaceName;
    uint8_t Charset = 1;
    QString Text;
    bool operator==(const TPrimitiv&) const = default;
};

struct TSymbol {
    QList<TPrimitiv> Prims;
    Extended Aspect = 1.0L; // width / height of the frame; 0: no proportion of its own
    int32_t HAlign = 1;     // 0 left, 1 centre, 2 right
    int32_t VAlign = 1;     // 0 top, 1 centre, 2 bottom
    bool operator==(const TSymbol&) const = default;
};

// One axis designation of a graph (name of the quantity or its unit along an axis).
struct TGrSymRecord {
    uint8_t Show = 0;
    uint8_t IsText = 1;
    QString Text;
    int32_t Width = 0;
    int32_t Height = 0;
    TSymbol Symbol;
    int32_t OffsetX = 0;
    int32_t OffsetY = 0;
    uint8_t Vertical = 0;
    TRect Bounds;
    bool operator==(const TGrSymRecord&) const = default;
};

// Node editing and undo records.
enum TEditNodesKind : int32_t {
    enkSelection = 0,
    enkMove = 1,
    enkInsert = 2,
    enkDelete = 3,
    enkReplaceAll = 4,
};

struct TEditNodes {
    int32_t GraphID = -1;
    TDoubleArray X, Y, Z; // real values, before any logarithm
    TPtIndArray Pixels;
    TIntArray Indexes;
    int32_t Kind = enkSelection;
};
using TNodesUndoRedo = QList<TEditNodes>;

// A node being moved by the mouse: its index, start position, path distance from the grabbed node
// (pixels) and its weight along the shift curve.
struct TMoveNode {
    int32_t Index = 0;
    Extended StartX = 0;
    Extended StartY = 0;
    Extended Distance = 0;
    Extended Weight = 1;
};
using TMoveNodes = QList<TMoveNode>;

struct TUndoRedoString {
    int32_t GraphID = -1;
    QString Value;
};
using TStringUndoRedo = QList<TUndoRedoString>;

struct TIntegerUndoRedoItem {
    int32_t GraphID = -1;
    int32_t Value = 0;
};
using TIntegerUndoRedo = QList<TIntegerUndoRedoItem>;

struct TDoubleUndoRedoItem {
    int32_t GraphID = -1;
    Extended Value = 0;
};
using TDoubleUndoRedo = QList<TDoubleUndoRedoItem>;

struct TUndoRedoSymbol {
    int32_t GraphID = -1;
    TSymbol Symbol;
};
using TSymbolUndoRedo = QList<TUndoRedoSymbol>;

struct TSymMarginsItem {
    int32_t GraphID = -1;
    int32_t OffsetX = 0;
    int32_t OffsetY = 0;
};
using TSymMarginsUndoRedo = QList<TSymMarginsItem>;

// The visible data window of one graph, kept for undo of view changes.
struct TZoomUndoRedoItem {
    int32_t GraphID = -1;
    Extended ZoomX = 1, ZoomY = 1, ShiftX = 0, ShiftY = 0;
    Extended ViewLeft = 0;
    Extended ViewWidth = 0;
    Extended ViewBottom = 0;
    Extended ViewHeight = 0;
};
using TZoomUndoRedo = QList<TZoomUndoRedoItem>;
using TZoomUndoRedoArray = QList<TZoomUndoRedo>;

// Per graph: shift X, shift Y, scale X, scale Y allowed.
struct TPolicyItem {
    int32_t GraphID = -1;
    uint8_t Flags[4] = {0, 0, 0, 0};
};
using TPolicyUndoRedo = QList<TPolicyItem>;
using TPolicyUndoRedoArray = QList<TPolicyUndoRedo>;

// SinglePosX, SinglePosY, SingleScaleX, SingleScaleY.
struct TSnapPolicyUndoRedo {
    uint8_t Flags[4] = {0, 0, 0, 0};
};
using TSnapPolicyUndoRedoArray = QList<TSnapPolicyUndoRedo>;

// Per graph: X-position, Y-position, X-scale, Y-scale group.
struct TSnapItem {
    int32_t GraphID = -1;
    int32_t Groups[4] = {-1, -1, -1, -1};
};
using TSnapUndoRedo = QList<TSnapItem>;
using TSnapUndoRedoArray = QList<TSnapUndoRedo>;

using TLayerUndoRedoArray = QList<TIntegerUndoRedo>;

struct TMarkersUndoRedoItem {
    int32_t GraphID = -1;
    TMarkerArray Markers;
};
using TMarkersUndoRedo = QList<TMarkersUndoRedoItem>;

// One entry of the operation list: operation code and undo group (0 = not grouped).
struct TUndoRedoOp {
    uint8_t OpType = 0;
    uint8_t Group = 0;
};
using TUndoRedoOpArray = QList<TUndoRedoOp>;

// Saved view of one graph (the window's saved axes).
struct TAxesMetrics {
    Extended ZoomX = 1, ShiftX = 0, ZoomY = 1, ShiftY = 0;
};

// Start and end of one graph's view in a zoom or move animation: zooms and pixel shifts
// (shift × zoom), so that the picture moves evenly.
struct TAniScaleParams {
    Extended S0 = 1, T0 = 1, P0 = 0, Q0 = 0; // start ZoomX, ZoomY, ShiftX × ZoomX, ShiftY × ZoomY
    Extended S1 = 1, T1 = 1, P1 = 0, Q1 = 0; // the same at the end
    Extended DS = 0, DT = 0, DP = 0, DQ = 0;  // 1 − end/start zooms, end − start pixel shifts
};

// Calculator value: error code, arguments, values, failure mask, sortedness.
struct TMFData {
    int32_t Code = 0;
    TDoubleArray X;
    TDoubleArray Y;
    TBoolArray Mask;
    uint8_t Sorted = 0;
};
using TMFDataArr = QList<TMFData>;

// The data behind one entry of the add-graphs dialog's file tree.
struct TNodeData {
    TDoubleArray2 Data;
    TStrArray Names;
};

enum TToolMode : uint8_t { tmNothing, tmMove, tmZoom, tmEdit };
enum TZoomMode : uint8_t {
    zmNone,
    zmZoomWndStart,
    zmZoomXStart,
    zmZoomYStart,
    zmZoomWndFinish,
    zmZoomXFinish,
    zmZoomYFinish
};
enum TEditMode : uint8_t { emNothing, emSelect, emEndSelection, emDelete, emInsert, emMove, emMoving };
enum TDigitAlign : uint8_t { daLeft, daRight, daDot };

// Captions and texts aligned like a label.
enum TCaptionAlign : uint8_t { taLeftJustify, taRightJustify, taCenter };
