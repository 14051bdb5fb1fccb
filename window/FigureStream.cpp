#include "window/FigureStream.h"

#include "model/ByteStream.h"
#include "model/FontMetrics.h"
#include "model/Graph.h"
#include "model/GraphRecord.h"
#include "window/SuperGrWindow.h"
#include "window/WindowProperties.h"

#include <QSet>
#include <algorithm>
#include <cmath>

namespace {
constexpr int kColorFields = 14;
constexpr int32_t kReservedNewWindow = 5;
constexpr int32_t kGroupCount = 9;
// Sizes beyond these make no sense on a figure and would only stall the drawing.
constexpr int32_t kMaxFontSize = 1000;

int32_t Scaled(int32_t value, Extended scale, bool atLeastOne) {
    const int32_t v = RoundHalfEven(value * scale);
    return atLeastOne ? std::max(v, 1) : v;
}

void WriteFont(TByteWriter& w, const TFontRec& f) {
    w.Text(f.Name);
    w.Byte(f.Charset);
    w.Int32(f.Color);
    w.Int32(f.Size);
    w.Byte(f.StyleBits);
}

TFontRec ReadFont(TByteReader& r) {
    TFontRec f;
    f.Name = r.Text();
    f.Charset = r.Byte();
    f.Color = r.Int32();
    f.Size = r.Int32();
    f.StyleBits = r.Byte() & 0x0F;
    return f;
}

// A font whose size cannot be drawn keeps the size the window has.
TFontRec CheckedFont(TFontRec f, const TFontRec& current) {
    if (f.Size == 0 || f.Size > kMaxFontSize || f.Size < -kMaxFontSize) f.Size = current.Size;
    return f;
}

QStringList SplitCaption(const QString& text) {
    if (text.isEmpty()) return {};
    return text.split(QStringLiteral("\r\n"));
}

qsizetype EstimatedSize(const TSuperGrWindow& window) {
    qsizetype size = 4096;
    for (int i = 0; i < window.GraphCount(); ++i) {
        const TGraph& g = *window.GraphByIndex(i);
        size +=
            2048 +
            (g.XData.size() + g.YData.size() + g.ZData.size() + g.XSource.size() + g.YSource.size()) * 10 +
            g.XData.size() * 12 + g.Markers.Items.size() * 32;
    }
    return size;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// The window block

void TFigureBlock::Write(TByteWriter& w) const {
    for (uint8_t b : {UsePalette, MultiXAxis, MultiYAxis, VerticalYFont, ShowTicks, ShowGrid, ShowAxisMarkers,
                      ShowAxisNotches, AnimatedMenu, AnimatedMove, AnimatedZoom, AnimatedUndo})
        w.Byte(b);
    w.Int32(int32_t(AnimationTime));
    w.Byte(AllowRepaint);
    w.Byte(ShowXAxisLabels);
    w.Byte(ShowYAxisLabels);
    w.Byte(0);
    for (int32_t v : {MarkerPickRadius, NodePickRadius, BrdrWidth, GridSizeX, GridSizeY, kReservedNewWindow,
                      YBand, XBand, int32_t(0)})
        w.Int32(v);
    for (int32_t v : ScaledMetrics)
        w.Int32(v);
    w.Ext10(InitialScaleX);
    w.Ext10(InitialScaleY);
    w.Ext10(OutputScale);
    for (const TFontRec* f : {&AxisFont, &SymbolFont, &TopCaptionFont, &BottomCaptionFont})
        WriteFont(w, *f);
    w.Text(Caption);
    for (int32_t v : Margins)
        w.Int32(v);
    w.Ext10(ZoomNormal);
    w.Ext10(ZoomSlowx1);
    for (TColor c : Colors)
        w.Int32(c);
    for (TColor c : Palette)
        w.Int32(c);
    for (uint8_t b : {ToolMode, ZoomMode, EditMode, LegendPosition, TopCaptionAlign, BottomCaptionAlign})
        w.Byte(b);
    for (int32_t v : {LegendRect.Left, LegendRect.Top, LegendRect.Right, LegendRect.Bottom})
        w.Int32(v);
    WriteFont(w, LegendFont);
    for (uint8_t b : {SymbolicMarker, BitmapExport, ScaledLineStyles, CombineXAxis, CombineYAxis,
                      LegendDragging, ShowToolLines, ShowLegend, LegendFrame, LegendBackground, LegendFixed,
                      MultiWndZoom, ResetByRightButton, ResetZoomByWheel})
        w.Byte(b);
    for (int32_t v : {EmfExportScale, BmpExportScale, SubGridDividerX, SubGridDividerY, GroupCount,
                      LegendOffsetX, LegendOffsetY, LegendWidth, LegendBorderWidth, LegendHeight,
                      LegendColumns, AxisStyle, AxisWidth, GridStyle, GridWidth, SubGridStyle, SubGridWidth})
        w.Int32(v);
    w.Ext10(AxisScale);
    w.Ext10(GridScale);
    w.Ext10(SubGridScale);
    for (uint8_t b : Single)
        w.Byte(b);
    w.Text(TopCaption);
    w.Text(BottomCaption);
}

bool TFigureBlock::Read(TByteReader& r) {
    for (uint8_t* b :
         {&UsePalette, &MultiXAxis, &MultiYAxis, &VerticalYFont, &ShowTicks, &ShowGrid, &ShowAxisMarkers,
          &ShowAxisNotches, &AnimatedMenu, &AnimatedMove, &AnimatedZoom, &AnimatedUndo})
        *b = r.Byte() != 0;
    AnimationTime = uint32_t(r.Int32());
    AllowRepaint = r.Byte() != 0;
    ShowXAxisLabels = r.Byte() != 0;
    ShowYAxisLabels = r.Byte() != 0;
    r.Byte(); // reserved
    MarkerPickRadius = r.Int32();
    NodePickRadius = r.Int32();
    BrdrWidth = r.Int32();
    GridSizeX = r.Int32();
    GridSizeY = r.Int32();
    r.Int32(); // reserved
    YBand = r.Int32();
    XBand = r.Int32();
    r.Int32(); // reserved
    for (int32_t& v : ScaledMetrics)
        v = r.Int32();
    InitialScaleX = r.Ext10();
    InitialScaleY = r.Ext10();
    OutputScale = r.Ext10();
    for (TFontRec* f : {&AxisFont, &SymbolFont, &TopCaptionFont, &BottomCaptionFont})
        *f = ReadFont(r);
    Caption = r.Text();
    for (int32_t& v : Margins)
        v = r.Int32();
    ZoomNormal = r.Ext10();
    ZoomSlowx1 = r.Ext10();
    for (TColor& c : Colors)
        c = r.Int32();
    for (TColor& c : Palette)
        c = r.Int32();
    for (uint8_t* b :
         {&ToolMode, &ZoomMode, &EditMode, &LegendPosition, &TopCaptionAlign, &BottomCaptionAlign})
        *b = r.Byte();
    for (int32_t* v : {&LegendRect.Left, &LegendRect.Top, &LegendRect.Right, &LegendRect.Bottom})
        *v = r.Int32();
    LegendFont = ReadFont(r);
    for (uint8_t* b : {&SymbolicMarker, &BitmapExport, &ScaledLineStyles, &CombineXAxis, &CombineYAxis,
                       &LegendDragging, &ShowToolLines, &ShowLegend, &LegendFrame, &LegendBackground,
                       &LegendFixed, &MultiWndZoom, &ResetByRightButton, &ResetZoomByWheel})
        *b = r.Byte() != 0;
    for (int32_t* v :
         {&EmfExportScale, &BmpExportScale, &SubGridDividerX, &SubGridDividerY, &GroupCount, &LegendOffsetX,
          &LegendOffsetY, &LegendWidth, &LegendBorderWidth, &LegendHeight, &LegendColumns, &AxisStyle,
          &AxisWidth, &GridStyle, &GridWidth, &SubGridStyle, &SubGridWidth})
        *v = r.Int32();
    AxisScale = r.Ext10();
    GridScale = r.Ext10();
    SubGridScale = r.Ext10();
    for (uint8_t& b : Single)
        b = r.Byte() != 0;
    TopCaption = r.Text();
    BottomCaption = r.Text();
    return !r.Failed();
}

TStagedFigure::TStagedFigure() = default;
TStagedFigure::~TStagedFigure() = default;

// ---------------------------------------------------------------------------------------------
// Window to block and back

TFigureBlock TFigureStream::Capture(const TSuperGrWindow& w) {
    TFigureBlock b;
    TWindowProperties::ForEach([&](const auto& p) { p.Capture(w, b); });
    b.AnimationTime = w.FAnimationTime;
    b.AllowRepaint = w.AllowRepaint;

    // The layout values as the window lays itself out at its output scale.
    const Extended scale = w.OutputScale;
    const TFontMetricsInfo axis = MeasureFont(w.FAxisFont, scale);
    const int32_t left = Scaled(w.Margins.Left(), scale, false),
                  bottom = Scaled(w.Margins.Bottom(), scale, false);
    b.YBand = (w.FVerticalYFont ? axis.DigitHeight : axis.SixDigitsWidth) + left;
    b.XBand = axis.DigitHeight + bottom;
    const int32_t metrics[9] = {Scaled(w.FBrdrWidth, scale, true),
                                Scaled(w.FGridSizeX, scale, false),
                                Scaled(w.FGridSizeY, scale, false),
                                left,
                                Scaled(w.Margins.Top(), scale, false),
                                Scaled(w.Margins.Right(), scale, false),
                                bottom,
                                Scaled(4, scale, true),
                                Scaled(1, scale, true)};
    std::copy(std::begin(metrics), std::end(metrics), std::begin(b.ScaledMetrics));

    b.OutputScale = w.OutputScale;
    b.AxisFont = w.FAxisFont;
    b.SymbolFont = w.FSymbolFont;
    b.TopCaptionFont = w.FTopCaptionFont;
    b.BottomCaptionFont = w.FBottomCaptionFont;
    b.Caption = w.Caption;
    b.Margins[0] = w.Margins.Left();
    b.Margins[1] = w.Margins.Top();
    b.Margins[2] = w.Margins.Right();
    b.Margins[3] = w.Margins.Bottom();
    b.ZoomNormal = w.ZoomSpeed.ZoomNormal();
    b.ZoomSlowx1 = w.ZoomSpeed.ZoomSlowx1();
    for (int i = 0; i < kColorFields; ++i)
        b.Colors[i] = w.Colors.Get(TColorStruct::Field(i));
    for (int i = 0; i < TGraphPalette::Size; ++i)
        b.Palette[i] = w.GraphsPalette.Get(i);
    b.ToolMode = w.FToolMode;
    b.ZoomMode = w.FZoomMode;
    b.EditMode = w.FEditMode;
    b.TopCaptionAlign = w.FTopCaptionAlign;
    b.BottomCaptionAlign = w.FBottomCaptionAlign;
    b.LegendRect = w.LegendRect;
    b.LegendFont = w.FLegendFont;
    b.LegendDragging = w.FLegendDragging;
    b.GroupCount = kGroupCount;
    b.Single[0] = w.DrawPolicy.SinglePosX();
    b.Single[1] = w.DrawPolicy.SinglePosY();
    b.Single[2] = w.DrawPolicy.SingleScaleX();
    b.Single[3] = w.DrawPolicy.SingleScaleY();
    b.TopCaption = w.FTopCaption.join(QStringLiteral("\r\n"));
    b.BottomCaption = w.FBottomCaption.join(QStringLiteral("\r\n"));
    return b;
}

void TFigureStream::ApplyBlock(TSuperGrWindow& w, const TFigureBlock& b) {
    TWindowProperties::ForEach([&](const auto& p) { p.Apply(w, b); });
    if (b.AnimationTime <= 1000) w.FAnimationTime = b.AnimationTime;
    // AllowRepaint stays the window's own: a figure saved in the middle of a batch must not leave
    // the window unable to paint. The layout values and the output scale are recomputed by the
    // next paint.
    w.SetAxisFont(CheckedFont(b.AxisFont, w.FAxisFont));
    w.SetSymbolFont(CheckedFont(b.SymbolFont, w.FSymbolFont));
    w.SetTopCaptionFont(CheckedFont(b.TopCaptionFont, w.FTopCaptionFont));
    w.SetBottomCaptionFont(CheckedFont(b.BottomCaptionFont, w.FBottomCaptionFont));
    w.Caption = b.Caption;
    w.Margins.SetLeft(b.Margins[0]);
    w.Margins.SetTop(b.Margins[1]);
    w.Margins.SetRight(b.Margins[2]);
    w.Margins.SetBottom(b.Margins[3]);
    if (std::isfinite(b.ZoomNormal)) w.ZoomSpeed.SetZoomNormal(b.ZoomNormal);
    if (std::isfinite(b.ZoomSlowx1)) w.ZoomSpeed.SetZoomSlowx1(b.ZoomSlowx1);
    for (int i = 0; i < kColorFields; ++i)
        w.Colors.Set(TColorStruct::Field(i), b.Colors[i]);
    for (int i = 0; i < TGraphPalette::Size; ++i)
        w.GraphsPalette.Set(i, b.Palette[i]);

    if (b.ToolMode <= tmEdit) {
        w.SetToolMode(TToolMode(b.ToolMode));
        w.StoredToolMode = b.ToolMode;
    }
    if (b.ZoomMode <= zmZoomYFinish) {
        w.SetZoomMode(TZoomMode(b.ZoomMode));
        w.StoredZoomMode = b.ZoomMode;
    }
    if (b.EditMode <= emMoving) {
        w.SetEditMode(TEditMode(b.EditMode));
        w.StoredEditMode = b.EditMode;
    }
    if (b.TopCaptionAlign <= taCenter) w.FTopCaptionAlign = TCaptionAlign(b.TopCaptionAlign);
    if (b.BottomCaptionAlign <= taCenter) w.FBottomCaptionAlign = TCaptionAlign(b.BottomCaptionAlign);
    w.LegendRect = b.LegendRect;
    // The legend colours are not part of the figure: the font comes back without its colour
    // replacing the window's legend text colour.
    w.FLegendFont = CheckedFont(b.LegendFont, w.FLegendFont);
    // A legend drag never goes on in a figure just opened.
    w.FLegendDragging = false;
    for (int i = 0; i < 4; ++i)
        w.DrawPolicy.SetSingleDirect(i, b.Single[i] != 0);
    w.FTopCaption = SplitCaption(b.TopCaption);
    w.FBottomCaption = SplitCaption(b.BottomCaption);
}

// ---------------------------------------------------------------------------------------------
// Whole stream

QString TFigureStream::NotAFigureMessage() {
    return QStringLiteral("Файл не является рисунком Tarvelo.");
}

QByteArray TFigureStream::Serialize(TSuperGrWindow& window) {
    Raise(window.Events.OnBeforeSaveFigure, &window);
    QByteArray out;
    out.reserve(EstimatedSize(window));
    TByteWriter w(out);
    Capture(window).Write(w);
    w.Int32(window.GraphCount());
    for (const auto& g : window.FGraphs)
        TGraphRecord::Write(out, *g);
    Raise(window.Events.OnAfterSaveFigure, &window);
    return out;
}

std::unique_ptr<TStagedFigure> TFigureStream::Parse(TSuperGrWindow& owner, const QByteArray& bytes) {
    auto staged = std::make_unique<TStagedFigure>();
    TByteReader r(bytes);
    if (!staged->Block.Read(r)) return nullptr;
    const int32_t count = r.Int32();
    // Every record takes far more than one byte, so a count beyond the bytes left is damage.
    if (r.Failed() || count < 0 || count > r.Remaining()) return nullptr;
    QSet<int32_t> ids;
    for (int32_t i = 0; i < count; ++i) {
        auto graph = std::make_unique<TGraph>(&owner);
        if (!TGraphRecord::Read(r, *graph)) return nullptr;
        if (ids.contains(graph->ID)) return nullptr; // undo steps find graphs by their ID
        ids.insert(graph->ID);
        staged->Graphs.push_back(std::move(graph));
    }

    std::vector<TGraph*> graphs;
    for (const auto& g : staged->Graphs)
        graphs.push_back(g.get());
    TGraphRecord::RenumberLayers(graphs);
    return staged;
}

void TFigureStream::Apply(TSuperGrWindow& window, TStagedFigure& staged) {
    window.ResetFigure();
    const TUndoRecordingPause quiet(window);
    Raise(window.Events.OnBeforeLoadFigure, &window);
    ApplyBlock(window, staged.Block);
    window.FGraphs = std::move(staged.Graphs);
    staged.Graphs.clear();
    window.RaiseGraphsListChanged();
    window.Relayout();
    Raise(window.Events.OnAfterLoadFigure, &window);
}

bool TFigureStream::Load(TSuperGrWindow& window, const QByteArray& bytes) {
    std::unique_ptr<TStagedFigure> staged = Parse(window, bytes);
    if (!staged) return false;
    Apply(window, *staged);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The window's stream operations

bool TSuperGrWindow::SaveToStream(QIODevice& device) {
    if (!device.isWritable()) return false;
    const QByteArray bytes = TFigureStream::Serialize(*this);
    if (device.write(bytes) != bytes.size()) return false;
    SetModified(false);
    return true;
}

bool TSuperGrWindow::LoadFromStream(QIODevice& device, QString* error) {
    const bool ok = device.isReadable() && TFigureStream::Load(*this, device.readAll());
    if (!ok && error) *error = TFigureStream::NotAFigureMessage();
    return ok;
}
