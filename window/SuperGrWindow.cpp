#include "window/SuperGrWindow.h"

#include "model/Codecs.h"
#include "model/FontMetrics.h"
#include "window/FrameZoomTool.h"
#include "window/LegendDragTool.h"
#include "window/MoveZoomTool.h"
#include "window/NodeEditing.h"
#include "window/ViewAnimator.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {
class TSteadyClock : public TWindowClock {
public:
    TSteadyClock() { FTimer.start(); }
    int64_t NowMs() override { return FTimer.elapsed(); }

private:
    QElapsedTimer FTimer;
};

class TQtTimer : public TWindowTimer {
public:
    TQtTimer() {
        FTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            if (OnTick) OnTick();
        });
    }
    void Start(int intervalMs) override { FTimer.start(intervalMs); }
    void Stop() override { FTimer.stop(); }
    bool IsActive() const override { return FTimer.isActive(); }

private:
    QTimer FTimer;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Property objects

void TColorStruct::Set(Field f, TColor c) {
    FColors[f] = c;
    if (!Window) return;
    Window->SyncFontColor(f, c);
    const bool legendColour = f == LegendBackgrnd || f == LegendBorder || f == LegendText;
    if (!legendColour || Window->ShowLegend()) Window->Repaint();
}

void TColorStruct::AssignAsIs(const TColorStruct& source) {
    std::copy(std::begin(source.FColors), std::end(source.FColors), std::begin(FColors));
    GraphColors = source.GraphColors;
    MarkerColors = source.MarkerColors;
}

void TColorStruct::AssignWhiteBackground(const TColorStruct& source) {
    AssignAsIs(source);
    FColors[Inside] = FColors[Outside] = clWhite;
    for (Field f : {ActiveBorder, UnActiveBorder, Axis, AxText, TopCaption, BottomCaption, Symbol})
        FColors[f] = clBlack;
    FColors[Grid] = 0x808080;
    FColors[SubGrid] = 0xC0C0C0;
    FColors[LegendBackgrnd] = clWhite;
    FColors[LegendBorder] = FColors[LegendText] = clBlack;
    GraphColors.clear();
    MarkerColors.clear();
}

void TColorStruct::AssignBlackAndWhite(const TColorStruct& source, const TSuperGrWindow& sourceWindow) {
    AssignWhiteBackground(source);
    for (Field f : {Grid, SubGrid, Points, SelPoints})
        FColors[f] = clBlack;
    GraphColors.fill(clBlack, sourceWindow.GraphCount());
    MarkerColors.fill(clBlack, sourceWindow.GraphCount());
}

TColor TColorStruct::Darken(TColor c) {
    const TColor rgb = ColorToRGB(c);
    return MakeColor(RedOf(rgb) / 2, GreenOf(rgb) / 2, BlueOf(rgb) / 2);
}

void TColorStruct::AssignDarkened(const TColorStruct& source, const TSuperGrWindow& sourceWindow) {
    AssignWhiteBackground(source);
    FColors[Points] = Darken(FColors[Points]);
    FColors[SelPoints] = Darken(FColors[SelPoints]);
    for (int i = 0; i < sourceWindow.GraphCount(); ++i) {
        const TGraph* g = sourceWindow.GraphByIndex(i);
        GraphColors.append(Darken(g->Color()));
        MarkerColors.append(Darken(g->MarkerColor()));
    }
}

void TGraphPalette::Set(int index, TColor c) {
    if (index < 0 || index >= Size) return;
    FColors[index] = c;
    if (Window) Window->Repaint();
}

void TMargins::Change(int32_t& field, int32_t v) {
    if (field == v) return;
    field = v;
    if (Window) Window->Relayout();
}

// ---------------------------------------------------------------------------------------------
// Construction

TSuperGrWindow::TSuperGrWindow()
    : FLegendDrag(std::make_unique<TLegendDragTool>(*this)),
      FFrameZoom(std::make_unique<TFrameZoomTool>(*this)), FNodeEdit(std::make_unique<TNodeEditTool>(*this)),
      FMoveZoom(std::make_unique<TMoveZoomTool>(*this)), FAnimator(std::make_unique<TViewAnimator>(*this)),
      FClock(std::make_unique<TSteadyClock>()), FTimer(std::make_unique<TQtTimer>()) {
    FTimer->OnTick = [this] { AnimationTick(); };
    // The policy starts with every permission on; there are no graphs yet to carry them.
    DrawPolicy.SetAllowAll(true, true, true, true);
    SetModified(false);
    LayoutPlot(FClientRect);
    Raise(Events.OnCreate, this);
}

TSuperGrWindow::~TSuperGrWindow() {
    AllowRepaint = false;
    FTimer->Stop();
    FTimer->OnTick = nullptr;
    Events.OnUndoRedoOp.Clear();
    Events.OnChangeGraphState = nullptr;
    Events.OnDelGraph = nullptr;
    Raise(Events.OnDestroy, this);
    UndoSide.Clear();
    RedoSide.Clear();
    FGraphs.clear();
}

void TSuperGrWindow::SetClock(std::unique_ptr<TWindowClock> clock) {
    FClock = std::move(clock);
}

void TSuperGrWindow::SetAnimationTimer(std::unique_ptr<TWindowTimer> timer) {
    FTimer->Stop();
    FTimer = std::move(timer);
    FTimer->OnTick = [this] { AnimationTick(); };
}

void TSuperGrWindow::Repaint() {
    if (AllowRepaint && InvalidateHandler) InvalidateHandler();
}

void TSuperGrWindow::Relayout() {
    for (const auto& g : FGraphs)
        g->Cache.Invalidate(TViewCache::Polyline);
    Repaint();
}

void TSuperGrWindow::RefreshAll() {
    Relayout();
}

// ---------------------------------------------------------------------------------------------
// Graph list

TGraph* TSuperGrWindow::GraphByIndex(int index) const {
    return index >= 0 && index < GraphCount() ? FGraphs[size_t(index)].get() : nullptr;
}

bool TSuperGrWindow::Dragging() const {
    const auto tools = Tools();
    return FPressedButton != TMouseButton::None ||
           std::any_of(tools.begin(), tools.end(), [](const TMouseTool* tool) { return tool->Engaged(); });
}

int TSuperGrWindow::IndexOfGraph(const TGraph* graph) const {
    for (int i = 0; i < GraphCount(); ++i)
        if (FGraphs[size_t(i)].get() == graph) return i;
    return -1;
}

int TSuperGrWindow::IndexOfGraphID(int32_t id) const {
    for (int i = 0; i < GraphCount(); ++i)
        if (FGraphs[size_t(i)]->ID == id) return i;
    return -1;
}

TGraph* TSuperGrWindow::GraphByID(int32_t id) const {
    return GraphByIndex(IndexOfGraphID(id));
}

int TSuperGrWindow::IndexOfLayer(int32_t layer) const {
    for (int i = 0; i < GraphCount(); ++i)
        if (FGraphs[size_t(i)]->Layer() == layer) return i;
    return -1;
}

int32_t TSuperGrWindow::NextFreeGraphID() const {
    for (int32_t id = 0;; ++id)
        if (IndexOfGraphID(id) < 0) return id;
}

int TSuperGrWindow::SelectedGraphCount() const {
    return int(std::count_if(FGraphs.begin(), FGraphs.end(), [](const auto& g) { return g->Selected(); }));
}

int TSuperGrWindow::SelectedNodeCount() const {
    int count = 0;
    for (const auto& g : FGraphs) {
        if (!g->Selected()) continue;
        for (const TNodePixel& p : g->StoredNodePixels())
            count += p.Selected ? 1 : 0;
    }
    return count;
}

QStringList TSuperGrWindow::GraphNames() const {
    QStringList names;
    for (const auto& g : FGraphs)
        names.append(g->Name());
    return names;
}

bool TSuperGrWindow::NameInUse(const QString& name, const TGraph* except) const {
    const QString wanted = name.trimmed();
    return std::any_of(FGraphs.begin(), FGraphs.end(),
                       [&](const auto& g) { return g.get() != except && g->Name().trimmed() == wanted; });
}

// ---------------------------------------------------------------------------------------------
// What the graphs need of their owner

TGraphDefaults TSuperGrWindow::NewGraphDefaults() const {
    return {Colors.Get(TColorStruct::GraphDefault),
            InitialScaleX,
            InitialScaleY,
            DrawPolicy.AllowPosX(),
            DrawPolicy.AllowPosY(),
            DrawPolicy.AllowScaleX(),
            DrawPolicy.AllowScaleY()};
}

void TSuperGrWindow::RaiseGraphsListChanged() {
    Raise(Events.OnGraphsListChanged, this, GraphNames());
}

void TSuperGrWindow::RaiseGraphStyleChange(int32_t id, int vtype, int newValue) {
    Raise(Events.OnChangeGraphStyle, this, id, vtype, newValue);
}

void TSuperGrWindow::RaiseGraphStateChange(int32_t id, int vtype, bool value) {
    Raise(Events.OnChangeGraphState, this, id, vtype, value);
}

void TSuperGrWindow::RaiseGraphDataChange(int32_t id) {
    Raise(Events.OnChangeGraphData, this, id);
}

void TSuperGrWindow::RaiseEqualScalesChange(int32_t id) {
    Raise(Events.OnEqualScalesChange, this, id);
}

void TSuperGrWindow::RaiseSelectedCountChange() {
    Raise(Events.OnChangeSelectedCnt, this, SelectedGraphCount());
}

void TSuperGrWindow::RaiseTopGraphChange(int wasTop, int curTop) {
    Raise(Events.OnChangeTopGraph, this, wasTop, curTop);
}

void TSuperGrWindow::DiscardSavedAxes() {
    FSavedAxes.clear();
    Raise(Events.OnAxesSaved, this, false);
}

bool TSuperGrWindow::AddGraph(const QString& name, bool flag, const TDoubleArray& extra,
                              const TDoubleArray& x, const TDoubleArray& y) {
    if (x.size() != y.size() || (!extra.isEmpty() && extra.size() != x.size())) return false;

    TZoomUndoRedo views;
    TIntegerUndoRedo layers;
    if (UndoRecording) {
        views = CaptureViews();
        layers = CaptureLayers();
    }

    auto graph = std::make_unique<TGraph>(this);
    TGraph* g = graph.get();
    g->ReservedFlag = flag;
    g->ID = NextFreeGraphID();
    g->FMarkerText = QString::number(g->ID);
    FGraphs.push_back(std::move(graph));

    QString base = name.isEmpty() ? QStringLiteral("График") : name;
    QString unique = base;
    for (int n = 1; NameInUse(unique, g); ++n)
        unique = base + QStringLiteral(" (%1)").arg(n);
    g->FName = unique;

    // The new graph's data must not record a step of its own.
    const bool ok = [&] {
        const TUndoRecordingPause quiet(*this);
        return g->SetData(x, y, extra);
    }();
    if (!ok) {
        FGraphs.pop_back();
        return false;
    }

    const bool repaintWas = AllowRepaint;
    AllowRepaint = false;
    const int index = GraphCount() - 1;
    if (UsePalette) {
        int entry = -1;
        for (int p = 0; p < TGraphPalette::Size && entry < 0; ++p) {
            const TColor c = GraphsPalette.Get(p);
            const bool used = std::any_of(FGraphs.begin(), FGraphs.end() - 1,
                                          [&](const auto& other) { return other->Color() == c; });
            if (!used) entry = p;
        }
        if (entry < 0) entry = GraphCount() % TGraphPalette::Size;
        g->FColor = GraphsPalette.Get(entry);
    } else {
        g->FColor = Colors.Get(TColorStruct::GraphDefault);
    }
    g->FMarkerColor = g->FColor;
    if (GraphCount() == 1) g->FAllowShiftX = g->FAllowShiftY = g->FAllowScaleX = g->FAllowScaleY = true;
    g->FLayer = index;
    if (SymbolicMarker && index < 13) g->FMarkerSymbol = uint8_t(index + 1);

    RaiseGraphsListChanged();
    DiscardSavedAxes();
    FitIntoRects({index}, {PlotRect}, true, true);
    g->Mapping.ShiftX = 0;
    g->Mapping.ShiftY = 0;
    // A new graph joins its binding groups at once.
    ZoomBy(index, false, TAxis::X, 1, 1);
    AllowRepaint = repaintWas;

    if (UndoRecording) {
        RecordOp(UndoOp::AddGraph);
        UndoSide.Integers.append({g->ID, index});
        UndoSide.Views.append(views);
        UndoSide.Layers.append(layers);
        FinishRecord(UndoOp::AddGraph);
    }
    Raise(Events.OnAddGraph, this, g->ID);
    Raise(Events.OnChangeGraphState, this, g->ID, int(StateChange::ScaleX), g->AllowScaleX());
    Raise(Events.OnChangeGraphState, this, g->ID, int(StateChange::ScaleY), g->AllowScaleY());
    Raise(Events.OnChangeGraphState, this, g->ID, int(StateChange::ShiftX), g->AllowShiftX());
    Raise(Events.OnChangeGraphState, this, g->ID, int(StateChange::ShiftY), g->AllowShiftY());
    Repaint();
    return true;
}

TGraph* TSuperGrWindow::DuplicateGraph(const TGraph& source) {
    auto graph = std::make_unique<TGraph>(this);
    TGraph* g = graph.get();
    g->AssignFrom(source);
    g->ID = NextFreeGraphID();
    g->FMarkerText = QString::number(g->ID);
    FGraphs.push_back(std::move(graph));
    const int index = GraphCount() - 1;
    g->FLayer = index;
    if (UndoRecording) {
        RecordOp(UndoOp::AddGraph);
        UndoSide.Integers.append({g->ID, index});
        UndoSide.Views.append(CaptureViews());
        UndoSide.Layers.append(CaptureLayers());
        FinishRecord(UndoOp::AddGraph);
    }
    DiscardSavedAxes();
    RaiseGraphsListChanged();
    Repaint();
    return g;
}

void TSuperGrWindow::RemoveGraphAt(int index) {
    const int32_t removedLayer = FGraphs[size_t(index)]->Layer();
    for (const auto& g : FGraphs)
        if (g->FLayer > removedLayer) --g->FLayer;
    FGraphs.erase(FGraphs.begin() + index);
}

void TSuperGrWindow::DeleteGraph(int index) {
    if (index < 0 || index >= GraphCount()) return;
    if (UndoRecording) {
        auto copy = std::make_shared<TGraph>(this);
        copy->AssignFrom(*FGraphs[size_t(index)]);
        RecordOp(UndoOp::DeleteGraph);
        UndoSide.Graphs.append({copy->ID, index, copy});
        UndoSide.Views.append(CaptureViews());
        UndoSide.Layers.append(CaptureLayers());
        FinishRecord(UndoOp::DeleteGraph);
    }
    const int top = TopGraphIndex();
    RemoveGraphAt(index);
    if (index <= top) {
        const int wasTop = index == top ? -1 : top;
        Raise(Events.OnChangeTopGraph, this, wasTop, TopGraphIndex());
    }
    Raise(Events.OnDelGraph, this, index);
    RaiseGraphsListChanged();
    DiscardSavedAxes();
    Relayout();
}

void TSuperGrWindow::DeleteAllGraphs() {
    const int count = GraphCount();
    const bool repaintWas = AllowRepaint;
    AllowRepaint = false;
    {
        const TUndoGroupScope oneStep(*this);
        for (int i = count - 1; i >= 0; --i)
            DeleteGraph(i);
    }
    AllowRepaint = repaintWas;
    if (count >= 2) RaiseGraphsListChanged();
    Repaint();
}

void TSuperGrWindow::DeleteSelectedGraphs() {
    const int selected = SelectedGraphCount();
    const bool repaintWas = AllowRepaint;
    AllowRepaint = false;
    {
        const TUndoGroupScope oneStep(*this);
        for (int i = GraphCount() - 1; i >= 0; --i)
            if (FGraphs[size_t(i)]->Selected()) DeleteGraph(i);
    }
    AllowRepaint = repaintWas;
    if (selected >= 2) RaiseGraphsListChanged();
    Repaint();
}

void TSuperGrWindow::DeleteAllMarkers() {
    {
        const TUndoGroupScope oneStep(*this);
        for (const auto& g : FGraphs)
            g->ClearMarkers();
    }
    Repaint();
}

void TSuperGrWindow::PlaceMarkersOnAll(int amount, bool byCount, bool visibleOnly, int kind) {
    {
        const TUndoGroupScope oneStep(*this);
        for (const auto& g : FGraphs)
            if (g->Visible()) g->PlaceMarkers(amount, byCount, visibleOnly, kind);
    }
    Repaint();
}

// ---------------------------------------------------------------------------------------------
// Binding queries

QList<int> TSuperGrWindow::PosGroupMembersX(int32_t group) const {
    QList<int> members;
    for (int i = 0; i < GraphCount(); ++i)
        if (group >= 0 && FGraphs[size_t(i)]->EffectivePosGroupX() == group) members.append(i);
    return members;
}

QList<int> TSuperGrWindow::PosGroupMembersY(int32_t group) const {
    QList<int> members;
    for (int i = 0; i < GraphCount(); ++i)
        if (group >= 0 && FGraphs[size_t(i)]->EffectivePosGroupY() == group) members.append(i);
    return members;
}

void TSuperGrWindow::ScaleGroupClosure(TAxis axis, int32_t group, QList<int>& xList,
                                       QList<int>& yList) const {
    xList.clear();
    yList.clear();
    if (group < 0) return;
    QList<int32_t> xGroups, yGroups;
    (axis == TAxis::X ? xGroups : yGroups).append(group);
    bool added = true;
    while (added) {
        added = false;
        for (int i = 0; i < GraphCount(); ++i) {
            const TGraph& g = *FGraphs[size_t(i)];
            const bool inX = xGroups.contains(g.EffectiveScaleGroupX()) && g.EffectiveScaleGroupX() >= 0;
            const bool inY = yGroups.contains(g.EffectiveScaleGroupY()) && g.EffectiveScaleGroupY() >= 0;
            // A graph with a fixed ratio ties its two axes: reaching one brings in the other.
            const bool takeX = inX || (inY && g.FixedRatio());
            const bool takeY = inY || (inX && g.FixedRatio());
            if (takeX && !xList.contains(i)) {
                xList.append(i);
                added = true;
                if (g.EffectiveScaleGroupX() >= 0 && !xGroups.contains(g.EffectiveScaleGroupX()))
                    xGroups.append(g.EffectiveScaleGroupX());
            }
            if (takeY && !yList.contains(i)) {
                yList.append(i);
                added = true;
                if (g.EffectiveScaleGroupY() >= 0 && !yGroups.contains(g.EffectiveScaleGroupY()))
                    yGroups.append(g.EffectiveScaleGroupY());
            }
        }
    }
}

bool TSuperGrWindow::SingleGroup(GroupKind kind) const {
    switch (kind) {
    case GroupKind::PosX:
        return DrawPolicy.SinglePosX();
    case GroupKind::PosY:
        return DrawPolicy.SinglePosY();
    case GroupKind::ScaleX:
        return DrawPolicy.SingleScaleX();
    case GroupKind::ScaleY:
        return DrawPolicy.SingleScaleY();
    }
    return false;
}

int32_t TSuperGrWindow::FirstFreeGroup(GroupKind kind) const {
    for (int32_t g = 1; g <= 8; ++g) {
        const bool used = std::any_of(FGraphs.begin(), FGraphs.end(), [&](const auto& graph) {
            switch (kind) {
            case GroupKind::PosX:
                return graph->PosGroupX() == g;
            case GroupKind::PosY:
                return graph->PosGroupY() == g;
            case GroupKind::ScaleX:
                return graph->ScaleGroupX() == g;
            case GroupKind::ScaleY:
                return graph->ScaleGroupY() == g;
            }
            return false;
        });
        if (!used) return g;
    }
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Modes, legend and settings

void TSuperGrWindow::SetToolMode(TToolMode mode) {
    const TToolMode old = FToolMode;
    if (mode != old && (old == tmEdit || mode == tmEdit)) {
        if (old == tmEdit) {
            // Leaving node work clears every node selection in one step.
            const bool repaintWas = AllowRepaint;
            AllowRepaint = false;
            {
                const TUndoGroupScope oneStep(*this);
                for (const auto& g : FGraphs)
                    g->ClearSelection();
            }
            AllowRepaint = repaintWas;
        }
        if (UndoRecording) RecordInteger(UndoOp::ToolMode, -1, old);
    }
    FToolMode = mode;
    Repaint();
    Raise(Events.OnToolModeChange, this, old, mode);
}

void TSuperGrWindow::SetZoomMode(TZoomMode mode) {
    const TZoomMode old = FZoomMode;
    FZoomMode = mode;
    Raise(Events.OnZoomModeChange, this, old, mode);
}

void TSuperGrWindow::SetEditMode(TEditMode mode) {
    const TEditMode old = FEditMode;
    FEditMode = mode;
    Raise(Events.OnEditModeChange, this, old, mode);
}

void TSuperGrWindow::SetModified(bool value) {
    FModified = value;
    Raise(Events.OnChangeEditStatus, this);
}

void TSuperGrWindow::SetCombineAxes(bool x, bool y) {
    if (x != FCombineXAxis || y != FCombineYAxis) {
        FCombineXAxis = x;
        FCombineYAxis = y;
        Relayout();
    }
    Raise(Events.OnChangeCombineAxis, this, x, y);
}

void TSuperGrWindow::SetMultiAxes(bool x, bool y) {
    if (x != FMultiXAxis || y != FMultiYAxis) {
        FMultiXAxis = x;
        FMultiYAxis = y;
        Relayout();
    }
    Raise(Events.OnChangeMultiAxis, this, x, y);
}

template <typename T> void TSuperGrWindow::SetAndRepaint(T& field, T value) {
    if (field == value) return;
    field = value;
    Repaint();
}

void TSuperGrWindow::SetLegendFont(const TFontRec& font) {
    FLegendFont = font;
    Colors.Set(TColorStruct::LegendText, font.Color);
    if (FShowLegend) Repaint();
}

void TSuperGrWindow::SyncFontColor(TColorStruct::Field field, TColor c) {
    switch (field) {
    case TColorStruct::AxText:
        FAxisFont.Color = c;
        break;
    case TColorStruct::TopCaption:
        FTopCaptionFont.Color = c;
        break;
    case TColorStruct::BottomCaption:
        FBottomCaptionFont.Color = c;
        break;
    case TColorStruct::Symbol:
        FSymbolFont.Color = c;
        break;
    case TColorStruct::LegendText:
        FLegendFont.Color = c;
        break;
    default:
        break;
    }
}

// The colour of a font is the scheme's colour of its text.
void TSuperGrWindow::SetFont(TFontRec& font, const TFontRec& f, TColorStruct::Field colour) {
    font = f;
    Colors.Set(colour, f.Color);
}
void TSuperGrWindow::SetAxisFont(const TFontRec& f) {
    SetFont(FAxisFont, f, TColorStruct::AxText);
}
void TSuperGrWindow::SetSymbolFont(const TFontRec& f) {
    SetFont(FSymbolFont, f, TColorStruct::Symbol);
}
// The caption fonts are undo steps, as the captions' texts and alignments are.
void TSuperGrWindow::SetCaptionFont(TFontRec& font, const TFontRec& f, TColorStruct::Field colour,
                                    uint8_t op) {
    if (f == font) return;
    if (UndoRecording) RecordString(op, -1, FontUndoText(font));
    SetFont(font, f, colour);
    Relayout();
}
void TSuperGrWindow::SetTopCaptionFont(const TFontRec& f) {
    SetCaptionFont(FTopCaptionFont, f, TColorStruct::TopCaption, UndoOp::TopCaptionFont);
}
void TSuperGrWindow::SetBottomCaptionFont(const TFontRec& f) {
    SetCaptionFont(FBottomCaptionFont, f, TColorStruct::BottomCaption, UndoOp::BottomCaptionFont);
}

void TSuperGrWindow::SetCaption(QStringList& caption, const QStringList& lines, uint8_t op) {
    if (lines == caption) return;
    if (UndoRecording) RecordString(op, -1, CaptionUndoText(caption));
    caption = lines;
    Relayout();
}
void TSuperGrWindow::SetTopCaption(const QStringList& lines) {
    SetCaption(FTopCaption, lines, UndoOp::TopCaption);
}
void TSuperGrWindow::SetBottomCaption(const QStringList& lines) {
    SetCaption(FBottomCaption, lines, UndoOp::BottomCaption);
}

void TSuperGrWindow::SetCaptionAlign(TCaptionAlign& align, TCaptionAlign a, uint8_t op) {
    if (a == align || a > taCenter) return;
    if (UndoRecording) RecordInteger(op, -1, align);
    SetAndRepaint(align, a);
}
void TSuperGrWindow::SetTopCaptionAlign(TCaptionAlign a) {
    SetCaptionAlign(FTopCaptionAlign, a, UndoOp::TopCaptionAlign);
}
void TSuperGrWindow::SetBottomCaptionAlign(TCaptionAlign a) {
    SetCaptionAlign(FBottomCaptionAlign, a, UndoOp::BottomCaptionAlign);
}

void TSuperGrWindow::SetAnimationTime(uint32_t ms) {
    if (ms <= 1000) FAnimationTime = ms;
}

void TSuperGrWindow::ApplyDefaultLook() {
    const TUndoRecordingPause quiet(*this); // the standard look is no step of the user's
    auto font = [](int height, bool bold) {
        TFontRec f;
        f.Name = QStringLiteral("Arial");
        f.SetHeight(height);
        f.StyleBits = bold ? TFontRec::Bold : 0;
        f.Charset = 204;
        f.Color = clWindowText;
        return f;
    };
    SetAxisFont(font(13, false));
    SetSymbolFont(font(16, true));
    SetTopCaptionFont(font(16, true));
    SetBottomCaptionFont(font(14, false));
    SetVerticalYFont(true);
    Caption = QStringLiteral("XXX");
    DrawPolicy.SetAllowAll(true, true, true, true);
    for (int i = 0; i < 4; ++i)
        DrawPolicy.SetSingleDirect(i, true);
    SetTopCaptionAlign(taCenter);
    SetBottomCaptionAlign(taCenter);

    const std::pair<TColorStruct::Field, TColor> colours[] = {
        {TColorStruct::Outside, clBtnFace},       {TColorStruct::Inside, clWindow},
        {TColorStruct::ActiveBorder, clHotLight}, {TColorStruct::UnActiveBorder, clHotLight},
        {TColorStruct::Axis, clWindowText},       {TColorStruct::Grid, clBtnShadow},
        {TColorStruct::SubGrid, clScrollBar},     {TColorStruct::AxText, clWindowText},
        {TColorStruct::TopCaption, clWindowText}, {TColorStruct::BottomCaption, clWindowText},
        {TColorStruct::Symbol, clWindowText},     {TColorStruct::Points, clHighlight},
        {TColorStruct::SelPoints, clRed},         {TColorStruct::GraphDefault, clWindowText},
        {TColorStruct::LegendBackgrnd, clInfoBk}, {TColorStruct::LegendBorder, clBackground},
        {TColorStruct::LegendText, clWindowText},
    };
    for (const auto& [field, colour] : colours)
        Colors.Set(field, colour);

    const TColor palette[TGraphPalette::Size] = {0x0080FF, 0xFF00FF, 0xFFFF00, 0x0000FF, 0x00FF00, 0xFF0000,
                                                 0x008080, 0x800000, 0x800080, 0x008000, 0x808000, 0x000080,
                                                 0xFF0080, 0xC0C0C0, 0xA0A0A0, 0x808080, 0x505050, 0x383838};
    for (int i = 0; i < TGraphPalette::Size; ++i)
        GraphsPalette.Set(i, palette[i]);
    UsePalette = true;
    SetBrdrWidth(1);
    InitialScaleX = InitialScaleY = 0.95L;
    Margins.SetLeft(2);
    Margins.SetRight(4);
    Margins.SetTop(1);
    Margins.SetBottom(2);
    ZoomSpeed.SetZoomNormal(1.3L);
    ZoomSpeed.SetZoomSlowx1(1.005L);
    SetGridSizeX(74);
    SetGridSizeY(42);
    SetShowXAxisLabels(true);
    SetShowYAxisLabels(true);
    SetShowTicks(true);
    SetShowGrid(true);
    SetShowAxisMarkers(true);
    SetShowAxisNotches(true);
    AnimatedMenu = AnimatedMove = AnimatedZoom = AnimatedUndo = true;
    SetAnimationTime(400);
    SetMultiAxes(true, true);
    SetCombineAxes(true, true);
    SymbolicMarker = true;
    BitmapExport = false;
    EmfExportScale = BmpExportScale = 2;
    SetSubGridDividerX(2);
    SetSubGridDividerY(2);
    MouseGraphCtrl = true;
    SetAxisWidth(1);
    SetAxisStyle(1);
    SetAxisScale(0.6L);
    SetGridWidth(1);
    SetGridStyle(2);
    SetGridScale(0.6L);
    SetSubGridWidth(1);
    SetSubGridStyle(2);
    SetSubGridScale(0.5L);
    MultiWndZoom = ResetByRightButton = ResetZoomByWheel = true;
}

void TSuperGrWindow::ResetFigure() {
    StopAnimation();
    const TUndoRecordingPause quiet(*this);
    DeleteAllGraphs();
    ClearUndoHistory();
    SetModified(false);
}

// ---------------------------------------------------------------------------------------------
// Undo recording

void TSuperGrWindow::SetUndoGrouping(bool on) {
    if (on == FUndoGrouping) return;
    FUndoGrouping = on;
    if (!on) {
        FCurrentGroup = 0;
        return;
    }
    const uint8_t last = UndoSide.IsEmpty() ? 0 : UndoSide.Ops.last().Group;
    FCurrentGroup = !UndoSide.IsEmpty() && last != 255 ? uint8_t(last + 1) : 1;
}

void TSuperGrWindow::RecordOp(uint8_t opType) {
    UndoSide.Ops.append({opType, FUndoGrouping ? FCurrentGroup : uint8_t(0)});
}

void TSuperGrWindow::FinishRecord(uint8_t opType) {
    RedoSide.Clear();
    if (!FModified) SetModified(true);
    RaiseUndoRedoOp(opType);
}

void TSuperGrWindow::RaiseUndoRedoOp(int opType) {
    Raise(Events.OnUndoRedoOp, this, opType, HaveUndo(), HaveRedo());
}

void TSuperGrWindow::ClearRedoHistory() {
    RedoSide.Clear();
    RaiseUndoRedoOp(0);
}

void TSuperGrWindow::ClearUndoHistory() {
    UndoSide.Clear();
    RedoSide.Clear();
    RaiseUndoRedoOp(0);
}

void TSuperGrWindow::RecordInteger(uint8_t op, int32_t id, int32_t value) {
    RecordOp(op);
    UndoSide.Integers.append({id, value});
    FinishRecord(op);
}

void TSuperGrWindow::RecordString(uint8_t op, int32_t id, const QString& value) {
    RecordOp(op);
    UndoSide.Strings.append({id, value});
    FinishRecord(op);
}

void TSuperGrWindow::RecordExtended(uint8_t op, int32_t id, Extended value) {
    RecordOp(op);
    UndoSide.Doubles.append({id, value});
    FinishRecord(op);
}

void TSuperGrWindow::RecordMarkers(int32_t id, const TMarkerArray& markers) {
    RecordOp(UndoOp::Markers);
    UndoSide.Markers.append({id, markers});
    FinishRecord(UndoOp::Markers);
}

void TSuperGrWindow::RecordGraphStep(const TGraphUndoStep& step) {
    RecordOp(step.Op);
    if (const auto* integer = std::get_if<TIntegerUndoRedoItem>(&step.Old))
        UndoSide.Integers.append(*integer);
    if (const auto* nodes = std::get_if<TEditNodes>(&step.Old)) UndoSide.Nodes.append(*nodes);
    if (const auto* symbol = std::get_if<TUndoRedoSymbol>(&step.Old)) UndoSide.Symbols.append(*symbol);
    if (const auto* offsets = std::get_if<TSymMarginsItem>(&step.Old)) UndoSide.Offsets.append(*offsets);
    if (step.Snapshots & TGraphUndoStep::Views) UndoSide.Views.append(CaptureViews());
    if (step.Snapshots & TGraphUndoStep::Layers) UndoSide.Layers.append(CaptureLayers());
    if (step.Snapshots & TGraphUndoStep::Permissions) UndoSide.Permissions.append(CapturePermissions());
    if (step.Snapshots & TGraphUndoStep::Groups) UndoSide.Groups.append(CaptureGroups());
    FinishRecord(step.Op);
}

TZoomUndoRedo TSuperGrWindow::CaptureViews() {
    TZoomUndoRedo views;
    views.reserve(GraphCount());
    for (const auto& g : FGraphs) {
        TZoomUndoRedoItem v;
        v.GraphID = g->ID;
        v.ZoomX = g->ZoomX();
        v.ZoomY = g->ZoomY();
        v.ShiftX = g->Mapping.ShiftX;
        v.ShiftY = g->Mapping.ShiftY;
        v.ViewLeft = ViewLeft(*g);
        v.ViewWidth = ViewWidth(*g);
        v.ViewBottom = ViewBottom(*g);
        v.ViewHeight = ViewHeight(*g);
        views.append(v);
    }
    return views;
}

TIntegerUndoRedo TSuperGrWindow::CaptureLayers() const {
    TIntegerUndoRedo layers;
    for (const auto& g : FGraphs)
        layers.append({g->ID, g->Layer()});
    return layers;
}

TPolicyUndoRedo TSuperGrWindow::CapturePermissions() const {
    TPolicyUndoRedo flags;
    for (const auto& g : FGraphs)
        flags.append(TPolicyItem{g->ID,
                                 {uint8_t(g->AllowShiftX()), uint8_t(g->AllowShiftY()),
                                  uint8_t(g->AllowScaleX()), uint8_t(g->AllowScaleY())}});
    return flags;
}

TSnapUndoRedo TSuperGrWindow::CaptureGroups() const {
    TSnapUndoRedo groups;
    for (const auto& g : FGraphs)
        groups.append(TSnapItem{g->ID, {g->PosGroupX(), g->PosGroupY(), g->ScaleGroupX(), g->ScaleGroupY()}});
    return groups;
}

TSnapPolicyUndoRedo TSuperGrWindow::CaptureSnapPolicy() const {
    return {{uint8_t(DrawPolicy.SinglePosX()), uint8_t(DrawPolicy.SinglePosY()),
             uint8_t(DrawPolicy.SingleScaleX()), uint8_t(DrawPolicy.SingleScaleY())}};
}
