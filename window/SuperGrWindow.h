// The figure: owns the graphs, their colour scheme, fonts, captions, legend and undo history.
// This is the model of the graph window; a thin widget paints it and forwards input.
#pragma once

#include "model/ColorScheme.h"
#include "model/Font.h"
#include "model/FontMetrics.h"
#include "model/Graph.h"
#include "model/GraphOwner.h"
#include "window/DrawPolicy.h"
#include "window/ShiftCurve.h"
#include "window/UndoStore.h"
#include "window/WindowEvents.h"

#include <QIODevice>
#include <QStringList>
#include <array>
#include <memory>
#include <vector>

class TSuperGrWindow;
class TMouseTool;
class TLegendDragTool;
class TFrameZoomTool;
class TNodeEditTool;
class TMoveZoomTool;
class TViewAnimator;

// The colour scheme of a window; a change of the window's own scheme shows at once.
class TColorStruct : public TColorScheme {
public:
    explicit TColorStruct(TSuperGrWindow* window) : Window(window) {}

    void Set(Field f, TColor c);

    // Export schemes: 1 as is, 2 white background, 3 black and white, 4 white with darkened colours.
    void AssignAsIs(const TColorStruct& source);
    void AssignWhiteBackground(const TColorStruct& source);
    void AssignBlackAndWhite(const TColorStruct& source, const TSuperGrWindow& sourceWindow);
    void AssignDarkened(const TColorStruct& source, const TSuperGrWindow& sourceWindow);
    static TColor Darken(TColor c);

    TSuperGrWindow* Window;
};

class TGraphPalette {
public:
    static constexpr int Size = 18;
    explicit TGraphPalette(TSuperGrWindow* window) : Window(window) {}
    TColor Get(int index) const { return index >= 0 && index < Size ? FColors[index] : clNoColor; }
    void Set(int index, TColor c);

    TSuperGrWindow* Window;

private:
    TColor FColors[Size] = {0x00FFFF, 0xFF00FF, 0xFFFF00, 0x0000FF, 0x00FF00, 0xFF0000,
                            0x008080, 0x800000, 0x800080, 0x008000, 0x808000, 0x000080,
                            0xFFFFFF, 0xC0C0C0, 0xA0A0A0, 0x808080, 0x505050, 0x000000};
};

class TMargins {
public:
    explicit TMargins(TSuperGrWindow* window) : Window(window) {}
    int32_t Left() const { return FLeft; }
    int32_t Top() const { return FTop; }
    int32_t Right() const { return FRight; }
    int32_t Bottom() const { return FBottom; }
    void SetLeft(int32_t v) { Change(FLeft, v); }
    void SetTop(int32_t v) { Change(FTop, v); }
    void SetRight(int32_t v) { Change(FRight, v); }
    void SetBottom(int32_t v) { Change(FBottom, v); }

    TSuperGrWindow* Window;

private:
    void Change(int32_t& field, int32_t v);
    int32_t FLeft = 50, FTop = 10, FRight = 10, FBottom = 20;
};

class TZoomSpeed {
public:
    Extended ZoomNormal() const { return FNormal; }
    Extended ZoomSlowx1() const { return FSlow; }
    void SetZoomNormal(Extended v) { FNormal = v < 0 ? -v : v; }
    void SetZoomSlowx1(Extended v) { FSlow = v < 0 ? -v : v; }

private:
    Extended FNormal = 1.1L, FSlow = 1.05L;
};

// The clock and timer behind animations, replaceable so tests can drive time by hand.
class TWindowClock {
public:
    virtual ~TWindowClock() = default;
    virtual int64_t NowMs() = 0;
};

class TWindowTimer {
public:
    virtual ~TWindowTimer() = default;
    virtual void Start(int intervalMs) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
    std::function<void()> OnTick;
};

class TSuperGrWindow : public TComponent, public TGraphOwner {
public:
    TSuperGrWindow();
    ~TSuperGrWindow() override;
    TSuperGrWindow(const TSuperGrWindow&) = delete;
    TSuperGrWindow& operator=(const TSuperGrWindow&) = delete;

    // ---- Graph list ----
    bool AddGraph(const QString& name, bool flag, const TDoubleArray& extra, const TDoubleArray& x,
                  const TDoubleArray& y);
    TGraph* DuplicateGraph(const TGraph& source);
    void DeleteGraph(int index);
    void DeleteAllGraphs();
    void DeleteSelectedGraphs();
    int GraphCount() const override { return int(FGraphs.size()); }
    TGraph* GraphByIndex(int index) const override;
    int IndexOfGraph(const TGraph* graph) const;
    int IndexOfGraphID(int32_t id) const;
    TGraph* GraphByID(int32_t id) const;
    int IndexOfLayer(int32_t layer) const;
    int TopGraphIndex() const override { return IndexOfLayer(0); }
    int32_t NextFreeGraphID() const;
    int SelectedGraphCount() const;
    int SelectedNodeCount() const;
    QStringList GraphNames() const;
    bool NameInUse(const QString& name, const TGraph* except) const;

    // Binding queries by group number (list indexes in list order).
    QList<int> PosGroupMembersX(int32_t group) const override;
    QList<int> PosGroupMembersY(int32_t group) const override;
    void ScaleGroupClosure(TAxis axis, int32_t group, QList<int>& xList, QList<int>& yList) const override;
    bool SingleGroup(GroupKind kind) const override;
    int32_t FirstFreeGroup(GroupKind kind) const;

    // ---- Modes and state ----
    TToolMode ToolMode() const { return FToolMode; }
    TZoomMode ZoomMode() const { return FZoomMode; }
    TEditMode EditMode() const { return FEditMode; }
    void SetToolMode(TToolMode mode);
    void SetZoomMode(TZoomMode mode);
    void SetEditMode(TEditMode mode);
    uint8_t StoredToolMode = 0, StoredZoomMode = 0, StoredEditMode = 0;
    bool Modified() const { return FModified; }
    void SetModified(bool value);
    void SetCombineAxes(bool x, bool y);
    void SetMultiAxes(bool x, bool y);

    // ---- Legend ----
    bool ShowLegend() const { return FShowLegend; }
    bool LegendFrame() const { return FLegendFrame; }
    bool LegendBackground() const { return FLegendBackground; }
    int32_t LegendOffsetX() const { return FLegendOffsetX; }
    int32_t LegendOffsetY() const { return FLegendOffsetY; }
    int32_t LegendColumns() const { return FLegendColumns; }
    int32_t LegendBorderWidth() const { return FLegendBorderWidth; }
    uint8_t LegendPosition() const { return FLegendPosition; }
    const TFontRec& LegendFont() const { return FLegendFont; }
    void SetShowLegend(bool v);
    void SetLegendFrame(bool v);
    void SetLegendBackground(bool v);
    void SetLegendOffsetX(int32_t v);
    void SetLegendOffsetY(int32_t v);
    void SetLegendColumns(int32_t v);
    void SetLegendBorderWidth(int32_t v);
    void SetLegendPosition(uint8_t v);
    void SetLegendFont(const TFontRec& font);
    bool LegendFixed = false;
    TRect LegendRect{0, 0, 100, 100};

    // ---- Fonts, captions and published settings ----
    const TFontRec& AxisFont() const { return FAxisFont; }
    const TFontRec& SymbolFont() const { return FSymbolFont; }
    const TFontRec& TopCaptionFont() const { return FTopCaptionFont; }
    const TFontRec& BottomCaptionFont() const { return FBottomCaptionFont; }
    void SetAxisFont(const TFontRec& f);
    void SetSymbolFont(const TFontRec& f);
    void SetTopCaptionFont(const TFontRec& f);
    void SetBottomCaptionFont(const TFontRec& f);
    // Colour changes of the scheme keep the fonts' colours in step.
    void SyncFontColor(TColorStruct::Field field, TColor c);

    const QStringList& TopCaption() const { return FTopCaption; }
    const QStringList& BottomCaption() const { return FBottomCaption; }
    void SetTopCaption(const QStringList& lines);
    void SetBottomCaption(const QStringList& lines);
    TCaptionAlign TopCaptionAlign() const { return FTopCaptionAlign; }
    TCaptionAlign BottomCaptionAlign() const { return FBottomCaptionAlign; }
    void SetTopCaptionAlign(TCaptionAlign a);
    void SetBottomCaptionAlign(TCaptionAlign a);

    bool VerticalYFont() const { return FVerticalYFont; }
    void SetVerticalYFont(bool v);
    QString Caption;
    bool UsePalette = false;
    int32_t BrdrWidth() const { return FBrdrWidth; }
    void SetBrdrWidth(int32_t v);
    Extended InitialScaleX = 0.97L, InitialScaleY = 0.97L;
    int32_t GridSizeX() const { return FGridSizeX; }
    int32_t GridSizeY() const { return FGridSizeY; }
    void SetGridSizeX(int32_t v);
    void SetGridSizeY(int32_t v);
    bool ShowXAxisLabels() const { return FShowXAxisLabels; }
    bool ShowYAxisLabels() const { return FShowYAxisLabels; }
    void SetShowXAxisLabels(bool v);
    void SetShowYAxisLabels(bool v);
    bool ShowTicks() const { return FShowTicks; }
    bool ShowGrid() const { return FShowGrid; }
    bool ShowAxisMarkers() const { return FShowAxisMarkers; }
    bool ShowAxisNotches() const { return FShowAxisNotches; }
    void SetShowTicks(bool v);
    void SetShowGrid(bool v);
    void SetShowAxisMarkers(bool v);
    void SetShowAxisNotches(bool v);
    bool AnimatedMenu = true, AnimatedMove = true, AnimatedZoom = true, AnimatedUndo = true;
    bool MultiXAxis() const { return FMultiXAxis; }
    bool MultiYAxis() const { return FMultiYAxis; }
    bool CombineXAxis() const { return FCombineXAxis; }
    bool CombineYAxis() const { return FCombineYAxis; }
    void SetMultiXAxis(bool v);
    void SetMultiYAxis(bool v);
    void SetCombineXAxis(bool v);
    void SetCombineYAxis(bool v);
    bool SymbolicMarker = true;
    bool BitmapExport = false;
    int32_t EmfExportScale = 5, BmpExportScale = 4;
    int32_t SubGridDividerX() const { return FSubGridDividerX; }
    int32_t SubGridDividerY() const { return FSubGridDividerY; }
    void SetSubGridDividerX(int32_t v);
    void SetSubGridDividerY(int32_t v);
    bool MouseGraphCtrl = true;
    Extended AxisScale() const { return FAxisScale; }
    Extended GridScale() const { return FGridScale; }
    Extended SubGridScale() const { return FSubGridScale; }
    void SetAxisScale(Extended v);
    void SetGridScale(Extended v);
    void SetSubGridScale(Extended v);
    int32_t AxisWidth() const { return FAxisWidth; }
    int32_t SubGridWidth() const { return FSubGridWidth; }
    int32_t GridStyle() const { return FGridStyle; }
    void SetAxisWidth(int32_t v);
    void SetSubGridWidth(int32_t v);
    void SetGridStyle(int32_t v);
    int32_t AxisStyle() const { return FAxisStyle; }
    int32_t GridWidth() const { return FGridWidth; }
    int32_t SubGridStyle() const { return FSubGridStyle; }
    void SetAxisStyle(int32_t v);
    void SetGridWidth(int32_t v);
    void SetSubGridStyle(int32_t v);
    bool AllowRepaint = true;
    uint32_t AnimationTime() const { return FAnimationTime; }
    void SetAnimationTime(uint32_t ms);
    bool MultiWndZoom = true, ResetByRightButton = true, ResetZoomByWheel = true;
    Extended OutputScale = 1.0L;
    int32_t MarkerPickRadius = 4;
    // Legend samples use the scaled dash patterns (else the plain pen styles).
    bool ScaledLineStyles = true;
    // Kept in the figure; no drawing depends on it.
    bool ShowToolLines = true;
    // The legend's size at the last paint.
    int32_t LegendWidth = 100, LegendHeight = 100;
    int32_t NodePickRadius = 4;

    TColorStruct Colors{this};
    TGraphPalette GraphsPalette{this};
    TMargins Margins{this};
    TZoomSpeed ZoomSpeed;
    TDrawPolicy DrawPolicy{this};

    void ApplyDefaultLook();
    void ResetFigure();
    void RefreshAll();
    void Repaint() override;
    // Marks every graph's screen geometry stale and repaints.
    void Relayout();

    // ---- Coordinates, scales and views: Coordinates.cpp (its helpers for the tools: Coordinates.h) ----
    TRect ClientRect() const { return FClientRect; }
    // The separate axes' label bands of the last layout (plain, date/time, Y).
    int XBand() const { return FXBand; }
    int XBandDate() const { return FXBandDate; }
    int YBand() const { return FYBand; }
    void SetClientSize(int width, int height);
    TRect PlotRect{0, 0, 0, 0};
    int32_t OriginX = -1, OriginY = -1;
    bool Focused = false;
    // Lays out the plot rectangle for a target rectangle (done at every paint).
    void LayoutPlot(const TRect& target);
    // Fits every graph to the plot and re-imposes the binding groups.
    void Rescale() override;
    // Lays out for a paint into the target: plot, pending views, groups, visible data windows and
    // the graphs' pixel caches.
    void PrepareForPaint(const TRect& target);
    void FitIntoRects(const QList<int>& indexes, const QList<TRect>& rects, bool fitX, bool fitY);
    void ZoomBy(int reference, bool onlyAllowed, TAxis firstAxis, Extended zx, Extended zy);
    // Zoom about a client point with the permissions of the graphs; the point's data stays under it.
    void ZoomAbout(int x, int y, Extended fx, Extended fy, int reference);
    void DiscardSavedAxes();
    bool HasSavedAxes() const { return !FSavedAxes.isEmpty(); }
    // View operations of the user and of the dialogs; each records one undo step of all views.
    void AutoScale();
    void ArrangeVertically();
    void ArrangeHorizontally();
    void PanBy(Extended dx, Extended dy, bool onlyAllowed, int reference);
    void SaveAxes();
    void RestoreAxes();
    // Set one graph's visible data window edge or size (nothing for an unknown ID).
    void SetViewLeft(int32_t id, Extended x);
    void SetViewBottom(int32_t id, Extended y);
    void SetViewRight(int32_t id, Extended x);
    void SetViewTop(int32_t id, Extended y);
    void SetViewWidth(int32_t id, Extended w);
    void SetViewHeight(int32_t id, Extended h);
    // Axis slots of separate axes and their counts.
    void ComputeAxisSlots();
    int32_t XAxisCount = 0, YAxisCount = 0;
    // Views to re-apply at the next paint (window resized, binding changed).
    void TakePendingViews();
    void ApplyPendingViews();
    // Plot edges of a graph in its data units.
    Extended ViewLeft(const TGraph& g);
    Extended ViewBottom(const TGraph& g);
    Extended ViewWidth(const TGraph& g) const;
    Extended ViewHeight(const TGraph& g) const;

    // ---- Undo recording ----
    bool UndoRecording = true;
    bool UndoGrouping() const override { return FUndoGrouping; }
    void SetUndoGrouping(bool on) override;
    uint8_t CurrentGroup() const { return FCurrentGroup; }
    bool HaveUndo() const { return !UndoSide.IsEmpty(); }
    bool HaveRedo() const { return !RedoSide.IsEmpty(); }
    // Appends an operation to the undo list; the caller then pushes the old values into the stores
    // and calls FinishRecord.
    void RecordOp(uint8_t opType);
    void FinishRecord(uint8_t opType);
    void ClearRedoHistory();
    void ClearUndoHistory();
    // Snapshots pushed by the operations that keep per-graph state.
    TZoomUndoRedo CaptureViews();
    TIntegerUndoRedo CaptureLayers() const;
    TPolicyUndoRedo CapturePermissions() const;
    TSnapUndoRedo CaptureGroups() const;
    TSnapPolicyUndoRedo CaptureSnapPolicy() const;
    // One-call recorders for single values.
    void RecordInteger(uint8_t op, int32_t id, int32_t value) override;
    void RecordString(uint8_t op, int32_t id, const QString& value) override;
    void RecordExtended(uint8_t op, int32_t id, Extended value) override;
    void RecordMarkers(int32_t id, const TMarkerArray& markers) override;
    void RecordGraphStep(const TGraphUndoStep& step) override;
    TUndoSide UndoSide;
    TUndoSide RedoSide;

    // ---- Mouse (client pixels); the widget forwards its events here. The dispatch is in
    // MouseTools.cpp, each gesture a tool of its own (MouseTools.h). ----
    enum class TMouseButton : uint8_t { None = 0, Left = 1, Middle = 2, Right = 3 };
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseMove(TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    // delta > 0: the wheel turned forward.
    void MouseWheel(int delta, TShiftState shift, int x, int y);
    void DoubleClick(TMouseButton button, TShiftState shift, int x, int y);
    // The mouse capture was lost: finish as a release of the pressed button.
    void CaptureLost();
    // The first visible graph (in layer order) under the point, or -1.
    int HitTestGraph(int x, int y);
    // The cursor number (1 .. 8) the widget shows.
    int CursorNumber() const;
    // The rubber band the widget draws while a zoom frame or a selection is dragged.
    enum class TBandKind : uint8_t { None, Frame, XBand, YBand, Selection };
    struct TRubberBand {
        TBandKind Kind = TBandKind::None;
        TRect Rect;
    };
    TRubberBand RubberBand() const;
    // Asked for the context menu when a right click hits no graph.
    std::function<void(int x, int y)> ContextMenuHandler;
    // A button is held over the window or a tool's drag is under way: the figure is in mid-gesture.
    bool Dragging() const;

    // ---- Node editing: the gestures are a mouse tool (NodeEditing.h); these actions are in
    // NodeEditing.cpp ----
    bool UseShiftCurve = false;
    TDoubleArray ShiftCurveU, ShiftCurveW;
    TShiftCurve ShiftCurve;
    // Loads a preset (1 .. 4) into the curve table and switches the curve on.
    void LoadShiftCurvePreset(int number);
    // "Параллельно": no curve.
    void ClearShiftCurve();
    void CutSelectedNodes();
    void UnselectNodes();

    // ---- Markers of all graphs, each one undo step ----
    // Empties the markers of every graph, visible or not.
    void DeleteAllMarkers();
    // Places automatic markers on every visible graph (TGraph::PlaceMarkers).
    void PlaceMarkersOnAll(int amount, bool byCount, bool visibleOnly, int kind);

    // ---- Undo and redo ----
    void Undo();
    void Redo();
    // Undoes the newest group when it is still open (a cancelled dialog).
    void UndoGroupIfOpen();

    // ---- Figure stream ----
    bool SaveToStream(QIODevice& device);
    // False with a message when the stream is damaged; the figure is then left empty.
    bool LoadFromStream(QIODevice& device, QString* error = nullptr);

    // ---- Animation clock and timer ----
    void SetClock(std::unique_ptr<TWindowClock> clock);
    void SetAnimationTimer(std::unique_ptr<TWindowTimer> timer);
    TWindowClock& Clock() { return *FClock; }
    TWindowTimer& AnimationTimer() { return *FTimer; }

    // ---- View animation and the glide after a move drag: one animator (ViewAnimator.h) on the
    // clock and timer above; these forward to it (ViewAnimator.cpp) ----
    // Take the start views, change the views, then start the animation (or just repaint).
    void TakeAnimationStart();
    void StartViewAnimationOrRepaint(bool animate);
    bool Animating() const;
    bool Gliding() const;
    // One tick of the timer.
    void AnimationTick();
    // A running animation jumps to its end view; a glide stops where it is.
    void StopAnimation();

    // ---- Events ----
    TWindowEvents Events;
    // The widget that shows the window asks to be repainted through this.
    std::function<void()> InvalidateHandler;

private:
    friend class TDrawPolicy;
    friend class TUndoReplay;
    friend class TFigureStream;
    template <typename> friend struct TWindowProperty;
    friend struct TWindowProperties;

    // ---- What the graphs need of their owner ----
    TGraphDefaults NewGraphDefaults() const override;
    TRect PlotArea() const override { return PlotRect; }
    TPoint PlotOrigin() const override { return {OriginX, OriginY}; }
    int MarkerPickDistance() const override { return MarkerPickRadius; }
    bool RepaintAllowed() const override { return AllowRepaint; }
    void SetRepaintAllowed(bool on) override { AllowRepaint = on; }
    bool IsRecordingUndo() const override { return UndoRecording; }
    void SetRecordingUndo(bool on) override { UndoRecording = on; }
    void RaiseGraphsListChanged() override;
    void RaiseGraphStyleChange(int32_t id, int vtype, int newValue) override;
    void RaiseGraphStateChange(int32_t id, int vtype, bool value) override;
    void RaiseGraphDataChange(int32_t id) override;
    void RaiseEqualScalesChange(int32_t id) override;
    void RaiseSelectedCountChange() override;
    void RaiseTopGraphChange(int wasTop, int curTop) override;

    void RemoveGraphAt(int index);
    void RaiseUndoRedoOp(int opType);
    template <typename T> void SetAndRepaint(T& field, T value);
    // A caption's lines or alignment, recorded under the history code op.
    void SetCaption(QStringList& caption, const QStringList& lines, uint8_t op);
    void SetCaptionAlign(TCaptionAlign& align, TCaptionAlign a, uint8_t op);
    void SetFont(TFontRec& font, const TFontRec& f, TColorStruct::Field colour);
    void SetCaptionFont(TFontRec& font, const TFontRec& f, TColorStruct::Field colour, uint8_t op);

    std::vector<std::unique_ptr<TGraph>> FGraphs;
    TToolMode FToolMode = tmNothing;
    TZoomMode FZoomMode = zmNone;
    TEditMode FEditMode = emNothing;
    bool FModified = false;

    bool FShowLegend = false, FLegendFrame = true, FLegendBackground = true;
    int32_t FLegendOffsetX = 0, FLegendOffsetY = 0, FLegendColumns = 1, FLegendBorderWidth = 1;
    uint8_t FLegendPosition = 8;
    TFontRec FLegendFont;

    TFontRec FAxisFont, FSymbolFont, FTopCaptionFont, FBottomCaptionFont;
    QStringList FTopCaption, FBottomCaption;
    TCaptionAlign FTopCaptionAlign = taCenter, FBottomCaptionAlign = taCenter;
    bool FVerticalYFont = false;
    int32_t FBrdrWidth = 1;
    int32_t FGridSizeX = 50, FGridSizeY = 50;
    bool FShowXAxisLabels = true, FShowYAxisLabels = true;
    bool FShowTicks = false, FShowGrid = false, FShowAxisMarkers = true, FShowAxisNotches = true;
    bool FMultiXAxis = false, FMultiYAxis = false, FCombineXAxis = true, FCombineYAxis = true;
    int32_t FSubGridDividerX = 1, FSubGridDividerY = 1;
    Extended FAxisScale = 1, FGridScale = 1, FSubGridScale = 1;
    int32_t FAxisWidth = 0, FSubGridWidth = 0, FGridStyle = 2;
    int32_t FAxisStyle = 1, FGridWidth = 0, FSubGridStyle = 2;
    uint32_t FAnimationTime = 800;

    // ---- Coordinates (Coordinates.cpp) ----
    void SyncScaleGroup(TAxis axis, int group, int reference, bool onlyAllowed, Extended factor);
    void SyncPosGroup(TAxis axis, int group, int reference, bool onlyAllowed, Extended distance);
    void SyncAllPosGroups(int reference, bool onlyAllowed);
    // Multiplies the zooms of the free graphs and carries the factors through the scale groups.
    void ScaleGraphs(int reference, bool onlyAllowed, TAxis firstAxis, Extended zx, Extended zy);
    void FitAllToPlot();
    void FitSharedRanges(TAxis axis, const QList<int>& indexes);
    void FitGroups(TAxis axis, const QList<int>& indexes, const QList<Extended>& zooms,
                   const QList<Extended>& shifts);
    void Arrange(TAxis axis);
    // One graph's visible data window along an axis: its first edge or its size.
    void SetViewStart(TAxis axis, int32_t id, Extended value);
    void SetViewSize(TAxis axis, int32_t id, Extended size);
    TRect FClientRect{0, 0, 300, 200};
    QList<TAxesMetrics> FSavedAxes;
    // Four values per graph (left, bottom, width, height in data units), applied at the next paint.
    QList<std::array<Extended, 4>> FPendingViews;
    int FXBand = 0, FXBandDate = 0, FYBand = 0; // label bands of the last layout
    TRect FLastPaintPlot;
    Extended FLastPaintScale = 0;

    // ---- Mouse tools (MouseTools.cpp) ----
    friend class TMoveZoomTool;   // switches the tool and zoom modes for its drag without events
    friend class TLegendDragTool; // FLegendDragging
    std::unique_ptr<TLegendDragTool> FLegendDrag;
    std::unique_ptr<TFrameZoomTool> FFrameZoom;
    std::unique_ptr<TNodeEditTool> FNodeEdit;
    std::unique_ptr<TMoveZoomTool> FMoveZoom;
    // The tools in the order they are asked.
    std::array<TMouseTool*, 4> Tools() const;
    TMouseButton FPressedButton = TMouseButton::None;
    TPoint FLastPoint;
    // The legend drag's state stays here: the figure keeps it.
    bool FLegendDragging = false;

    // ---- View animation and glide (ViewAnimator.cpp) ----
    friend class TViewAnimator; // hides the legend while the view moves
    std::unique_ptr<TViewAnimator> FAnimator;

    bool FUndoGrouping = false;
    uint8_t FCurrentGroup = 0;

    std::unique_ptr<TWindowClock> FClock;
    std::unique_ptr<TWindowTimer> FTimer;
};
