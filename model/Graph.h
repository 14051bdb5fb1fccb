// One plotted curve y(x): its nodes, its style and its own mapping from data to pixels.
#pragma once

#include "model/GraphMapping.h"
#include "model/GraphOwner.h"
#include "model/JobProgress.h"
#include "model/ViewCache.h"
#include "model/ost2_Types.h"

#include <memory>
#include <vector>

class TGraph;

// Undo operation codes of graph and window changes.
namespace UndoOp {
enum : uint8_t {
    Views = 0,
    Name = 1,
    Color = 2,
    MarkerColor = 3,
    MarkerSymbol = 4,
    Layer = 5,
    ShowNodes = 6,
    FixedRatio = 7,
    MarkersVisible = 8,
    Visible = 9,
    LineWidth = 12,
    LineStyle = 13,
    Selected = 14,
    DeleteGraph = 15,
    AddGraph = 16,
    BreakMode = 17,
    BreakLimit = 18,
    Permissions = 19,
    Groups = 20,
    SnapPolicy = 21,
    Markers = 22,
    DesignationText = 23,     // 23..26: X data, X dimension, Y data, Y dimension
    DesignationSymbol = 27,   // 27..30
    DesignationShow = 31,     // 31..34
    DesignationVertical = 35, // 35..38
    DesignationIsText = 39,   // 39..42
    DesignationOffsets = 43,  // 43..46
    XDesignLayout = 47,
    YDesignLayout = 48,
    Nodes = 49,
    ToolMode = 50,
    LogX = 51,
    LogY = 52,
    DateTimeArg = 53,
    MarkerText = 54,
    WidthScale = 55,
    InLegend = 56,
    LegendText = 57,
    ShowLegend = 58,
    LegendFrame = 59,
    LegendBackground = 60,
    LegendOffsetY = 61,
    LegendOffsetX = 62,
    LegendColumns = 63,
    LegendBorderWidth = 64,
    LegendPosition = 65,
    MarkerKeepColor = 66,
    TopCaption = 67,
    BottomCaption = 68,
    TopCaptionAlign = 69,
    BottomCaptionAlign = 70,
    TopCaptionFont = 71,
    BottomCaptionFont = 72,
};
}

// VType codes of OnChangeGraphStyle.
namespace StyleChange {
enum : int {
    Layer = 0,
    LineWidth = 1,
    LineStyle = 2,
    Color = 3,
    DateTimeArg = 4,
    LogX = 5,
    LogY = 6,
    ShowNodes = 7,
    MarkersVisible = 8,
    Selected = 9,
    Visible = 10,
    FixedRatio = 13,
    MarkerSymbol = 14,
    MarkerColor = 15,
    InLegend = 16,
    MarkerKeepColor = 17,
};
}

// VType codes of OnChangeGraphState (permissions).
namespace StateChange {
enum : int { ScaleX = 0, ScaleY = 1, ShiftX = 2, ShiftY = 3 };
}

// The four axis designations of a graph.
enum TDesignation : int { dsXData = 0, dsXDimension = 1, dsYData = 2, dsYDimension = 3 };

// The markers of one graph.
class TMarkers {
public:
    explicit TMarkers(TGraph* owner) : Owner(owner) {}

    int Count() const { return int(Items.size()); }
    void Clear() { Items.clear(); }
    // Selects the marker nearest to the pixel when it is within the owner's pick distance.
    bool Pick(int px, int py);

    TGraph* Owner;
    TMarkerArray Items;
    int SelectedIndex = -1;
};

class TGraph {
    friend class TSuperGrWindow;
    friend class TGraphRecord;
    friend class TUndoReplay;
    template <typename> friend struct TGraphProperty;
    friend struct TGraphProperties;

public:
    // Graphs are created by their owner only (its new graphs and copies).
    explicit TGraph(TGraphOwner* owner);
    ~TGraph();
    TGraph(const TGraph&) = delete;
    TGraph& operator=(const TGraph&) = delete;

    TGraphOwner* Owner() const { return FOwner; }
    int32_t ID = 0;

    // ---- Data ----
    bool SetData(const TDoubleArray& x, const TDoubleArray& y, const TDoubleArray& z = {});
    bool GetXY(TDoubleArray& x, TDoubleArray& y) const;
    bool GetXYZ(TDoubleArray& x, TDoubleArray& y, TDoubleArray& z) const;
    bool GetNode(int index, Extended& x, Extended& y) const;
    int NodeCount() const { return int(XData.size()); }
    int YCount() const { return int(YData.size()); }
    int ZCount() const { return int(ZData.size()); }

    Extended XMin() {
        EnsureExtents();
        return FXMin;
    }
    Extended XMax() {
        EnsureExtents();
        return FXMax;
    }
    Extended XMid() {
        EnsureExtents();
        return FXMid;
    }
    Extended YMin() {
        EnsureExtents();
        return FYMin;
    }
    Extended YMax() {
        EnsureExtents();
        return FYMax;
    }
    Extended YMid() {
        EnsureExtents();
        return FYMid;
    }
    Extended ZMin() {
        EnsureExtents();
        return FZMin;
    }
    Extended ZMax() {
        EnsureExtents();
        return FZMax;
    }
    Extended ZMid() {
        EnsureExtents();
        return FZMid;
    }
    void EnsureExtents() {
        if (Cache.Stale(TViewCache::Extents)) RecomputeExtents();
    }
    void RecomputeExtents();

    // Node values as mapped to pixels (logarithms on a logarithmic axis) and the real values.
    TDoubleArray XData, YData, ZData;
    TDoubleArray XSource, YSource;

    // One pixel record per node. They are stored only once something writes one (the exact
    // polyline, a selection, a figure read): until then every record is zero, so a large graph drawn
    // through its level-of-detail index never pays 12 bytes a node for them.
    TPtIndArray& NodePixels() {
        if (FNodePixels.size() != XData.size()) FNodePixels.resize(XData.size());
        return FNodePixels;
    }
    // The stored records: empty, or one per node.
    const TPtIndArray& StoredNodePixels() const { return FNodePixels; }
    TNodePixel NodePixel(int i) const { return i < FNodePixels.size() ? FNodePixels[i] : TNodePixel{}; }
    bool NodeSelected(int i) const { return i < FNodePixels.size() && FNodePixels[i].Selected; }
    // Every record back to zero (unset, nothing selected).
    void ResetNodePixels() { FNodePixels = {}; }

    // ---- Mapping ----
    TGraphMapping Mapping;
    // The mapping's fixed points now: the middle of the extents and the owner's origin.
    TMappingAnchor MappingAnchor();
    Extended DataToPixelX(Extended x) { return Mapping.ToPixelX(x, MappingAnchor()); }
    Extended DataToPixelY(Extended y) { return Mapping.ToPixelY(y, MappingAnchor()); }
    int DataToPixelXi(Extended x) { return RoundHalfEvenPixel(DataToPixelX(x)); }
    int DataToPixelYi(Extended y) { return RoundHalfEvenPixel(DataToPixelY(y)); }
    Extended PixelToDataX(Extended px) { return Mapping.ToDataX(px, MappingAnchor()); }
    Extended PixelToDataY(Extended py) { return Mapping.ToDataY(py, MappingAnchor()); }
    Extended PixelLengthToDataX(Extended d) const { return Mapping.PixelLengthToDataX(d); }
    Extended PixelLengthToDataY(Extended d) const { return Mapping.PixelLengthToDataY(d); }
    Extended DataLengthToPixelX(Extended l) const { return Mapping.LengthToPixelX(l); }
    Extended DataLengthToPixelY(Extended l) const { return Mapping.LengthToPixelY(l); }
    // Plot edges in data units.
    Extended PlotLeftData();
    Extended PlotRightData();
    Extended PlotTopData();
    Extended PlotBottomData();
    Extended PlotWidthData() const;
    Extended PlotHeightData() const;
    bool PointInPlot(int px, int py) const;

    void Fit(const TRect& rect);
    Extended ZoomX() const { return Mapping.ZoomX; }
    Extended ZoomY() const { return Mapping.ZoomY; }
    void SetZoomX(Extended z) { Mapping.SetZoomX(z); }
    void SetZoomY(Extended z) { Mapping.SetZoomY(z); }
    void ApplyFixedRatio();

    // Pixel distance of two ticks for the wanted distance n pixels; kept as the mapping's tick step.
    Extended ComputeTickStep(TTickVariant variant, int n);

    // ---- Properties with the setter sequence (undo step, store, event, repaint): GraphProperties.h ----
    const QString& Name() const { return FName; }
    void SetName(const QString& v);
    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    TColor MarkerColor() const { return FMarkerColor; }
    void SetMarkerColor(TColor v);
    bool MarkerKeepColor() const { return FMarkerKeepColor; }
    void SetMarkerKeepColor(bool v);
    uint8_t MarkerSymbol() const { return FMarkerSymbol; }
    void SetMarkerSymbol(uint8_t v);
    const QString& MarkerText() const { return FMarkerText; }
    void SetMarkerText(const QString& v);
    bool MarkersVisible() const { return FMarkersVisible; }
    void SetMarkersVisible(bool v);
    int32_t Layer() const { return FLayer; }
    void SetLayer(int32_t v);
    bool ShowNodes() const { return FShowNodes; }
    void SetShowNodes(bool v);
    bool FixedRatio() const { return FFixedRatio; }
    void SetFixedRatio(bool v);
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    int32_t LineWidth() const { return FLineWidth; }
    void SetLineWidth(int32_t v);
    int32_t LineStyle() const { return FLineStyle; }
    void SetLineStyle(int32_t v);
    Extended WidthScale() const { return FWidthScale; }
    void SetWidthScale(Extended v);
    bool Selected() const { return FSelected; }
    void SetSelected(bool v);
    uint8_t BreakMode() const { return FBreakMode; }
    void SetBreakMode(uint8_t v);
    Extended BreakLimit() const { return FBreakLimit; }
    void SetBreakLimit(Extended v);
    bool LogX() const { return FLogX; }
    void SetLogX(bool v);
    bool LogY() const { return FLogY; }
    void SetLogY(bool v);
    bool DateTimeArg() const { return FDateTimeArg; }
    void SetDateTimeArg(bool v);
    bool InLegend() const { return FInLegend; }
    void SetInLegend(bool v);
    const QString& LegendText() const { return FLegendText; }
    void SetLegendText(const QString& v);

    // Designations.
    const TGrSymRecord& Designation(TDesignation d) const { return FDesignations[d]; }
    TGrSymRecord& DesignationRef(TDesignation d) { return FDesignations[d]; } // drawing updates sizes
    void SetDesignationText(TDesignation d, const QString& v);
    void SetDesignationSymbol(TDesignation d, const TSymbol& v);
    void SetDesignationShow(TDesignation d, bool v);
    void SetDesignationVertical(TDesignation d, bool v);
    void SetDesignationIsText(TDesignation d, bool v);
    void SetDesignationOffsets(TDesignation d, int32_t offsetX, int32_t offsetY);
    uint8_t XDesignLayout() const { return FXDesignLayout; }
    uint8_t YDesignLayout() const { return FYDesignLayout; }
    void SetXDesignLayout(uint8_t v);
    void SetYDesignLayout(uint8_t v);

    int32_t AxisSlotX = 0, AxisSlotY = 0;

    // ---- Permissions and binding ----
    bool AllowShiftX() const { return FAllowShiftX; }
    bool AllowShiftY() const { return FAllowShiftY; }
    bool AllowScaleX() const { return FAllowScaleX; }
    bool AllowScaleY() const { return FAllowScaleY; }
    void SetAllowShiftX(bool v);
    void SetAllowShiftY(bool v);
    void SetAllowScaleX(bool v);
    void SetAllowScaleY(bool v);
    // Clears every graph's flags, then applies the four values to this graph; one undo step.
    void SetPermissionsExclusive(bool shiftX, bool shiftY, bool scaleX, bool scaleY);
    // Applies the four values to this graph only; one undo step.
    void SetPermissions(bool shiftX, bool shiftY, bool scaleX, bool scaleY);
    // Sets the raw flag without undo or event (draw policy alignment, stream, creation).
    void SetPermissionFlagDirect(int which, bool v);

    int32_t PosGroupX() const { return FPosGroupX; }
    int32_t PosGroupY() const { return FPosGroupY; }
    int32_t ScaleGroupX() const { return FScaleGroupX; }
    int32_t ScaleGroupY() const { return FScaleGroupY; }
    void SetPosGroupX(int32_t v);
    void SetPosGroupY(int32_t v);
    void SetScaleGroupX(int32_t v);
    void SetScaleGroupY(int32_t v);
    // Group numbers as the binding reads them (0 for all graphs while the owner keeps them in one group).
    int32_t EffectivePosGroupX() const;
    int32_t EffectivePosGroupY() const;
    int32_t EffectiveScaleGroupX() const;
    int32_t EffectiveScaleGroupY() const;
    // List indexes of the graphs sharing this graph's position group; false when it is in none.
    bool PosGroupMembersX(QList<int>& members) const;
    bool PosGroupMembersY(QList<int>& members) const;
    // The closure of graphs tied to this one through scale groups (fixed ratio links the axes).
    bool ScaleGroupMembers(TAxis axis, QList<int>& xList, QList<int>& yList) const;

    // ---- Searching (pixel arguments are the owner's client coordinates) ----
    static constexpr int NoDistance = 2147483647;
    // The on-screen node nearest to the pixel; NoDistance and index -1 when none is on screen.
    int NearestNode(int px, int py, int& index);
    // The point of the drawn polyline nearest to the pixel (rounded pixels).
    int NearestCurvePoint(int px, int py, int& x, int& y);
    // The node indexes bounding the nearest polyline point.
    int NearestCurveNodes(int px, int py, int& first, int& last);
    // The point of the data polyline between two nodes nearest to the pixel's data position.
    Extended CurvePointInData(int first, int last, int px, int py, Extended& x, Extended& y);
    int SelectedCount() const;

    // ---- Node selection (each one undo step) ----
    void SelectNode(int index);
    void DeselectNode(int index);
    void ClearSelection();
    void SelectInRect(const TRect& rect);
    void DeselectInRect(const TRect& rect);

    // ---- Changing nodes; the remaining nodes stay where they are on the screen ----
    bool InsertNodes(int after, const TDoubleArray& x, const TDoubleArray& y, const TDoubleArray& z,
                     bool selectNew);
    bool DeleteNode(int index);
    void DeleteSelectedNodes();
    void DeleteNodesInRect(const TRect& rect);
    // After nodes were moved in place: new extents, the picture kept still.
    void RefreshExtentsKeepingView();

    // ---- Markers ----
    TMarkers Markers;
    void ClearMarkers();
    void DeleteMarker(int index);
    bool AddMarkerAtNode(int index);
    bool AddMarkerAtPixel(int px, int py);
    void AddMarkerBetween(int first, int last, int px, int py);
    // kind: 0 along X, 1 along Y, 2 along the drawn length, 3 at the nodes.
    void PlaceMarkers(int amount, bool byCount, bool visibleOnly, int kind);
    // PlaceMarkers in three steps, so that the long middle one can run as a job off this thread:
    // what placing reads (shares of the nodes, copies of the mapping and the polyline), the markers
    // worked out from that alone (false when there is nothing to place or progress was cancelled),
    // and their addition in one undo step.
    struct TMarkerSource {
        TDoubleArray X, Y;
        TGraphMapping Mapping;
        TMappingAnchor NodeAnchor, DataAnchor;
        bool VisibleOnly = false;
        TRect Plot;
        TPointArray Points;
        int32_t PointCount = 0;
        TIntArray NodeIndex;
        TPolyLineIndexes Pieces;
        int32_t PieceCount = 0;
        // The counts of progress planning makes.
        int64_t WorkSize() const;
    };
    TMarkerSource MarkerSource(bool visibleOnly);
    static bool PlanMarkers(const TMarkerSource& source, int amount, bool byCount, int kind,
                            TMarkerArray& markers, TJobProgress* progress = nullptr);
    void AddMarkers(const TMarkerArray& markers);

    // ---- Copies ----
    void AssignFrom(const TGraph& other);

    // ---- What the screen derives from the nodes and the mapping ----
    TViewCache Cache;

    // Kept by the figure stream, read by no operation.
    int32_t Reserved[4] = {10, 0, 0, 0};
    uint8_t ReservedFlag = 0;

private:
    static int RoundHalfEvenPixel(Extended v);
    void RecordSelection(const TIntArray& indexes);
    void RecordMarkersStep();
    void RemoveNodes(const QList<int>& sortedIndexes);
    void KeepViewAfterChange(Extended pxPerUnitX, Extended pxPerUnitY, Extended centreX, Extended centreY);
    void EnsurePolyline();
    bool Recording() const;
    void Repaint();
    void ChangedStyle(int vtype, int newValue);
    void RecordInteger(uint8_t op, int32_t oldValue);
    void RecordString(uint8_t op, const QString& oldValue);
    void RecordExtended(uint8_t op, Extended oldValue);
    void RecordSymbol(uint8_t op, const TSymbol& oldValue);
    void RaiseGraphsListChanged();
    void RaiseSelectedCount();
    void ApplyPermission(int which, bool v);
    void SetPermission(int which, bool v);
    // One undo step with every graph's permissions.
    void RecordPermissionsStep();
    // Markers are converted too unless the caller puts them back itself (undo and redo keep them as a
    // step of their own).
    bool SwitchLog(TAxis axis, bool on, bool convertMarkers = true);
    // The switch of a logarithmic axis with every graph's view (undo puts both back).
    void RecordLogStep(uint8_t op, bool oldFlag);
    void SetGroup(int32_t& field, int32_t v, int permission);

    TGraphOwner* FOwner;

    QString FName;
    QString FLegendText;
    QString FMarkerText;
    int32_t FLayer = 0;

    bool FLogX = false, FLogY = false;
    TPtIndArray FNodePixels;
    Extended FXMin = 1, FXMid = 0, FXMax = -1;
    Extended FYMin = 1, FYMid = 0, FYMax = -1;
    Extended FZMin = 1, FZMid = 0, FZMax = -1;

    TColor FColor = 0;
    int32_t FLineWidth = 1;
    int32_t FLineStyle = 0;
    Extended FWidthScale = 1;
    bool FVisible = true, FSelected = false, FShowNodes = false;
    bool FDateTimeArg = false, FInLegend = true;
    uint8_t FBreakMode = 3;
    Extended FBreakLimit = 0;

    bool FMarkersVisible = true;
    TColor FMarkerColor = 0;
    bool FMarkerKeepColor = true;
    uint8_t FMarkerSymbol = 0;

    TGrSymRecord FDesignations[4];
    uint8_t FXDesignLayout = 1, FYDesignLayout = 3;

    bool FFixedRatio = false;

    bool FAllowShiftX = true, FAllowShiftY = true, FAllowScaleX = true, FAllowScaleY = true;
    int32_t FScaleGroupX = -1, FScaleGroupY = -1, FPosGroupX = -1, FPosGroupY = -1;
};

using TGraphArray = std::vector<TGraph*>;
