// The whole figure as one binary stream: the window block, the graph count and every graph's
// record. Reading parses and checks the whole stream first and touches the window only when all
// of it is sound, so a damaged stream leaves the open figure, its name and its history alone.
#pragma once

#include "model/Font.h"
#include "model/ost2_Types.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

class TSuperGrWindow;
class TGraph;
class TByteWriter;
class TByteReader;

// The window block, field by field in stream order.
struct TFigureBlock {
    uint8_t UsePalette = 0, MultiXAxis = 0, MultiYAxis = 0, VerticalYFont = 0, ShowTicks = 0, ShowGrid = 0,
            ShowAxisMarkers = 0, ShowAxisNotches = 0, AnimatedMenu = 0, AnimatedMove = 0, AnimatedZoom = 0,
            AnimatedUndo = 0;
    uint32_t AnimationTime = 0;
    uint8_t AllowRepaint = 1, ShowXAxisLabels = 0, ShowYAxisLabels = 0;
    int32_t MarkerPickRadius = 0, NodePickRadius = 0, BrdrWidth = 0, GridSizeX = 0, GridSizeY = 0;
    int32_t YBand = 0, XBand = 0;
    // Of the last layout: frame width, grid sizes, margins Left, Top, Right, Bottom, tick length, unit.
    int32_t ScaledMetrics[9] = {};
    Extended InitialScaleX = 0, InitialScaleY = 0, OutputScale = 1;
    TFontRec AxisFont, SymbolFont, TopCaptionFont, BottomCaptionFont;
    QString Caption;
    int32_t Margins[4] = {}; // Left, Top, Right, Bottom
    Extended ZoomNormal = 0, ZoomSlowx1 = 0;
    TColor Colors[14] = {}; // Outside … GraphDefault
    TColor Palette[18] = {};
    uint8_t ToolMode = 0, ZoomMode = 0, EditMode = 0, LegendPosition = 0, TopCaptionAlign = 0,
            BottomCaptionAlign = 0;
    TRect LegendRect;
    TFontRec LegendFont;
    uint8_t SymbolicMarker = 0, BitmapExport = 0, ScaledLineStyles = 1, CombineXAxis = 0, CombineYAxis = 0,
            LegendDragging = 0, ShowToolLines = 1, ShowLegend = 0, LegendFrame = 0, LegendBackground = 0,
            LegendFixed = 0, MultiWndZoom = 0, ResetByRightButton = 0, ResetZoomByWheel = 0;
    int32_t EmfExportScale = 0, BmpExportScale = 0, SubGridDividerX = 0, SubGridDividerY = 0, GroupCount = 9,
            LegendOffsetX = 0, LegendOffsetY = 0, LegendWidth = 100, LegendBorderWidth = 0,
            LegendHeight = 100, LegendColumns = 0, AxisStyle = 0, AxisWidth = 0, GridStyle = 0, GridWidth = 0,
            SubGridStyle = 0, SubGridWidth = 0;
    Extended AxisScale = 0, GridScale = 0, SubGridScale = 0;
    uint8_t Single[4] = {};            // SinglePosX, SinglePosY, SingleScaleX, SingleScaleY
    QString TopCaption, BottomCaption; // lines joined with CR LF

    void Write(TByteWriter& out) const;
    // False when the block is short.
    bool Read(TByteReader& in);
};

// A figure read from a stream and checked, not yet given to the window.
struct TStagedFigure {
    TFigureBlock Block;
    std::vector<std::unique_ptr<TGraph>> Graphs;
    TStagedFigure();
    ~TStagedFigure();
};

class TFigureStream {
public:
    static constexpr int32_t Version = 1;

    // The window block and every graph record; raises OnBeforeSaveFigure and OnAfterSaveFigure.
    static QByteArray Serialize(TSuperGrWindow& window);
    // Parses and checks a whole stream; null when it is damaged. The window is only the owner the
    // new graphs are created for; nothing of it changes.
    static std::unique_ptr<TStagedFigure> Parse(TSuperGrWindow& owner, const QByteArray& bytes);
    // Resets the window (graphs and history) and puts the staged figure in, with undo recording off.
    static void Apply(TSuperGrWindow& window, TStagedFigure& staged);
    // Parse, then Apply; false (and the window untouched) when the stream is damaged.
    static bool Load(TSuperGrWindow& window, const QByteArray& bytes);

    // The message for a stream that cannot be read.
    static QString NotAFigureMessage();

    static TFigureBlock Capture(const TSuperGrWindow& window);
    // Stores the block into the window; values the setters would refuse leave the window's own.
    static void ApplyBlock(TSuperGrWindow& window, const TFigureBlock& block);
};
