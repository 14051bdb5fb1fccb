#include "DrawTestUtil.h"
#include "ImageUtil.h"
#include "model/GraphDraw.h"
#include "model/Polyline.h"
#include "window/FigurePaint.h"

#include <QFontMetrics>

namespace {

constexpr TColor tGreen = 0x00FF00;
constexpr QRgb kGreen = 0x00FF00;

QFont TestFont() {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(12);
    return f;
}

// A 400 × 300 plot at the image's top-left; pixel x = data x + 100, pixel y = 150 − data y.
struct GraphDrawTest : IdentityGraphFixture {
    TGraph* Add(const TDoubleArray& x, const TDoubleArray& y) {
        TGraph* g = AddGraph(x, y);
        Place(*g);
        return g;
    }
    void Place(TGraph& g) {
        SetIdentity(g, {0, 0, 400, 300});
        window.OriginX = 100;
        window.OriginY = 150;
        g.Mapping.FitY = 1;
        g.Cache.VisXMin = -100;
        g.Cache.VisXMax = 300;
        g.Cache.VisYMin = -150;
        g.Cache.VisYMax = 150;
    }
    TGraphDrawContext Context() {
        TGraphDrawContext c;
        c.Plot = window.PlotRect;
        c.AxisFont = TestFont();
        c.DesignationFont = TestFont();
        c.AxisPen = {tRed, 1, {}};
        c.GridPen = {tBlue, 1, {}};
        c.SubGridPen = {tGreen, 1, {}};
        c.TickPen = {0, 1, {}};
        c.XBand = 20;
        c.XBandDate = 34;
        c.YBand = 40;
        c.GraphCount = window.GraphCount();
        c.BeginPass(window);
        return c;
    }
    void Draw(TGraph& g, int pass, TGraphDrawContext& c) {
        DrawGraph(g, window.IndexOfGraph(&g), canvas.dc(), window.Colors, pass, c);
    }
    TTestCanvas canvas{420, 340};
};

TSymbol SymbolOfAspect(Extended aspect) {
    TSymbol s;
    s.Aspect = aspect;
    TPrimitiv p;
    p.Text = QStringLiteral("x");
    p.FaceName = QStringLiteral("DejaVu Sans");
    s.Prims = {p};
    return s;
}

} // namespace

TEST(DashPatterns, ScaledAndAtLeastThree) {
    EXPECT_EQ(DashPattern(1, 1, 1, 0), (QList<int>{30, 5}));
    EXPECT_EQ(DashPattern(2, 1, 1, 2), (QList<int>{10, 7}));
    EXPECT_EQ(DashPattern(3, 2, 0.5L, 2), (QList<int>{104, 9, 10, 9}));
    EXPECT_EQ(DashPattern(4, 1, 1, 0), (QList<int>{100, 5, 6, 5, 6, 5}));
    EXPECT_EQ(DashPattern(1, 1, 0.5L, 0), (QList<int>{15, 3})); // 2.5 rounds to 2, raised to 3
    EXPECT_EQ(DashPattern(2, 1, 0.001L, 0), (QList<int>{3, 3}));
    EXPECT_TRUE(DashPattern(0, 1, 1, 0).isEmpty());
    EXPECT_TRUE(DashPattern(5, 1, 1, 0).isEmpty());
}

TEST(FadedColors, LightBackgroundsDarkenDarkOnesBrighten) {
    EXPECT_EQ(FadedColor(0xFFFFFF), 0xDFDFDF);
    EXPECT_EQ(FadedColor(clWindow), 0xDFDFDF); // system colours resolved first
    EXPECT_EQ(FadedColor(MakeColor(200, 20, 200)), MakeColor(168, 0, 168));
    EXPECT_EQ(FadedColor(MakeColor(0, 0, 200)), MakeColor(64, 64, 255));
    EXPECT_EQ(FadedColor(MakeColor(128, 128, 128)), MakeColor(192, 192, 192)); // a mean of 128 brightens
    EXPECT_EQ(FadedColor(MakeColor(10, 200, 100)), MakeColor(74, 255, 164));
}

TEST(MarkerGlyphs, BoxesAndShapes) {
    TMarkerGlyphStyle style;
    style.Fill = tRed;
    style.Hollow = tBlue;
    TTestCanvas c;
    DrawMarkerGlyph(c.dc(), 20, 20, 3, {}, style);   // filled square
    DrawMarkerGlyph(c.dc(), 40, 20, 4, {}, style);   // hollow square
    DrawMarkerGlyph(c.dc(), 60, 20, 1, {}, style);   // filled disc
    DrawMarkerGlyph(c.dc(), 80, 20, 5, {}, style);   // triangle up
    DrawMarkerGlyph(c.dc(), 100, 20, 7, {}, style);  // triangle down
    DrawMarkerGlyph(c.dc(), 120, 20, 10, {}, style); // hollow diamond
    DrawMarkerGlyph(c.dc(), 140, 20, 14, {}, style); // no such glyph
    EXPECT_EQ(c.Pixel(17, 17), kBlack);
    EXPECT_EQ(c.Pixel(22, 22), kBlack);
    EXPECT_EQ(c.Pixel(20, 20), kRed);
    EXPECT_TRUE(c.IsWhite(23, 20));
    EXPECT_TRUE(c.IsWhite(20, 23));
    EXPECT_EQ(c.Pixel(40, 20), kBlue);
    EXPECT_EQ(c.Pixel(60, 20), kRed);
    EXPECT_EQ(c.Pixel(57, 20), kBlack);
    EXPECT_TRUE(c.IsWhite(63, 20));
    // Up: apex at the box's top, base two pixels below the centre.
    EXPECT_EQ(c.Pixel(80, 17), kBlack);
    EXPECT_TRUE(c.IsWhite(80, 16));
    EXPECT_EQ(c.Pixel(80, 20), kRed);
    EXPECT_EQ(c.Pixel(80, 22), kBlack);
    EXPECT_TRUE(c.IsWhite(80, 23));
    // Down: base two pixels above the centre, apex at the box's bottom.
    EXPECT_EQ(c.Pixel(100, 18), kBlack);
    EXPECT_TRUE(c.IsWhite(100, 17));
    EXPECT_EQ(c.Pixel(100, 23), kBlack);
    EXPECT_EQ(c.Pixel(120, 17), kBlack);
    EXPECT_EQ(c.Pixel(120, 20), kBlue);
    EXPECT_EQ(c.InkCount(134, 10, 150, 30), 0);
}

TEST(MarkerGlyphs, CrossesEndOnePixelBeyondTheBox) {
    TMarkerGlyphStyle style;
    TTestCanvas c;
    DrawMarkerGlyph(c.dc(), 20, 20, 11, {}, style);
    DrawMarkerGlyph(c.dc(), 50, 20, 12, {}, style);
    DrawMarkerGlyph(c.dc(), 80, 20, 13, {}, style);
    // Diagonal: from (17, 17) through (23, 23); from (17, 23) through (23, 17).
    for (int k = 0; k <= 6; ++k) {
        EXPECT_EQ(c.Pixel(17 + k, 17 + k), kBlack) << k;
        EXPECT_EQ(c.Pixel(17 + k, 23 - k), kBlack) << k;
    }
    EXPECT_TRUE(c.IsWhite(24, 24));
    EXPECT_TRUE(c.IsWhite(24, 16));
    EXPECT_EQ(c.InkCount(10, 10, 30, 30), 13);
    // Upright: x = 50 from 17 to 23, y = 20 from 47 to 53.
    EXPECT_EQ(c.InkCount(40, 10, 60, 30), 13);
    EXPECT_EQ(c.Pixel(50, 23), kBlack);
    EXPECT_TRUE(c.IsWhite(50, 24));
    EXPECT_EQ(c.Pixel(47, 20), kBlack);
    EXPECT_TRUE(c.IsWhite(54, 20));
    EXPECT_EQ(c.InkCount(70, 10, 90, 30), 13 + 13 - 1); // the two crosses share the centre
}

TEST(MarkerGlyphs, ScaleAndText) {
    TMarkerGlyphStyle style;
    style.Scale = 2; // q = 6, c = 7
    TTestCanvas c;
    DrawMarkerGlyph(c.dc(), 30, 30, 12, {}, style);
    EXPECT_EQ(c.Pixel(30, 24), kBlack);
    EXPECT_EQ(c.Pixel(30, 36), kBlack);
    EXPECT_TRUE(c.IsWhite(30, 37));
    EXPECT_TRUE(c.IsWhite(30, 23));
    style.Font = TestFont();
    style.TextColor = tRed;
    TTestCanvas t;
    DrawMarkerGlyph(t.dc(), 100, 60, 0, QStringLiteral("12"), style);
    // The text is centred on the point: ink on both sides of it, none far away.
    EXPECT_GT(t.InkCount(90, 50, 100, 70), 0);
    EXPECT_GT(t.InkCount(100, 50, 110, 70), 0);
    EXPECT_EQ(t.InkCount(115, 40, 140, 80), 0);
}

TEST_F(GraphDrawTest, SymbolicDesignationLayouts) {
    TGraph* g = Add(Values({0, 100}), Values({0, 100}));
    g->SetDesignationShow(dsXData, true);
    g->SetDesignationIsText(dsXData, false);
    g->SetDesignationSymbol(dsXData, SymbolOfAspect(2));
    g->SetDesignationIsText(dsXDimension, false);
    g->SetDesignationSymbol(dsXDimension, SymbolOfAspect(1));
    TGraphDrawContext c = Context();
    const TRect expected[4][2] = {
        {{366, 300, 400, 317}, {349, 300, 366, 317}}, // data placed, dimension left of it
        {{349, 300, 383, 317}, {383, 300, 400, 317}}, // dimension placed, data left of it
        {{366, 317, 400, 334}, {383, 300, 400, 317}}, // dimension placed, data below
        {{366, 300, 400, 317}, {383, 317, 400, 334}}, // data placed, dimension below
    };
    for (int layout = 0; layout < 4; ++layout) {
        g->SetXDesignLayout(uint8_t(layout));
        LayoutDesignations(*g, canvas.dc(), c);
        EXPECT_EQ(g->Designation(dsXData).Bounds, expected[layout][0]) << layout;
        EXPECT_EQ(g->Designation(dsXDimension).Bounds, expected[layout][1]) << layout;
        EXPECT_EQ(g->Designation(dsXData).Width, 34);
        EXPECT_EQ(g->Designation(dsXData).Height, 17);
    }
    // Offsets of both add up, in units of u.
    g->SetXDesignLayout(0);
    g->SetDesignationOffsets(dsXData, 2, 1);
    g->SetDesignationOffsets(dsXDimension, 3, 0);
    LayoutDesignations(*g, canvas.dc(), c);
    EXPECT_EQ(g->Designation(dsXData).Bounds, (TRect{361, 301, 395, 318}));
}

TEST_F(GraphDrawTest, SingleDesignationsAndAspects) {
    TGraph* g = Add(Values({0, 100}), Values({0, 100}));
    g->SetDesignationShow(dsYData, true);
    g->SetDesignationIsText(dsYData, false);
    g->SetDesignationSymbol(dsYData, SymbolOfAspect(2));
    TGraphDrawContext c = Context();
    c.Plot = {50, 10, 350, 210};
    LayoutDesignations(*g, canvas.dc(), c);
    // Y: width = band − 3u = 37, height = round(37 / 2) = 18 (half to even), at the plot's top left.
    EXPECT_EQ(g->Designation(dsYData).Bounds, (TRect{13, 10, 50, 28}));
    g->SetDesignationVertical(dsYData, true);
    LayoutDesignations(*g, canvas.dc(), c);
    EXPECT_EQ(g->Designation(dsYData).Bounds, (TRect{13, 10, 50, 84}));
    // An aspect of 0 or below draws as a square.
    g->SetDesignationVertical(dsYData, false);
    g->SetDesignationSymbol(dsYData, SymbolOfAspect(0));
    LayoutDesignations(*g, canvas.dc(), c);
    EXPECT_EQ(g->Designation(dsYData).Bounds, (TRect{13, 10, 50, 47}));
    g->SetDesignationSymbol(dsYData, SymbolOfAspect(-2));
    LayoutDesignations(*g, canvas.dc(), c);
    EXPECT_EQ(g->Designation(dsYData).Bounds, (TRect{13, 10, 50, 47}));
    // Only the dimension has content: it stands at the anchor alone.
    g->SetDesignationSymbol(dsYData, TSymbol{});
    g->SetDesignationIsText(dsYDimension, false);
    g->SetDesignationSymbol(dsYDimension, SymbolOfAspect(1));
    LayoutDesignations(*g, canvas.dc(), c);
    EXPECT_EQ(g->Designation(dsYDimension).Bounds, (TRect{13, 10, 50, 47}));
}

TEST_F(GraphDrawTest, TextualDesignationSizesFollowTheFont) {
    TGraph* g = Add(Values({0, 100}), Values({0, 100}));
    g->SetDesignationShow(dsXData, true);
    g->SetDesignationText(dsXData, QStringLiteral("Time"));
    TGraphDrawContext c = Context();
    LayoutDesignations(*g, canvas.dc(), c);
    canvas.dc().SetFont(TestFont());
    const QSize extent = canvas.dc().TextExtent(QStringLiteral("Time"));
    const TGrSymRecord& d = g->Designation(dsXData);
    EXPECT_EQ(d.Bounds, (TRect{400 - extent.width(), 300, 400, 300 + extent.height()}));
    g->SetDesignationVertical(dsXData, true);
    LayoutDesignations(*g, canvas.dc(), c);
    EXPECT_EQ(g->Designation(dsXData).Width, extent.height());
    EXPECT_EQ(g->Designation(dsXData).Height, extent.width());
}

TEST_F(GraphDrawTest, GridZeroLinesAndLabels) {
    TGraph* g = Add(Values({-50, 250}), Values({-100, 100}));
    window.SetShowGrid(true);
    TGraphDrawContext c = Context();
    c.ShowGrid = true;
    Draw(*g, 0, c);
    // Ticks every 50 pixels from the zero pixel (100, 150); grid except at tick 0, zero lines in the axis
    // pen.
    EXPECT_EQ(canvas.Pixel(150, 20), kBlue);
    EXPECT_EQ(canvas.Pixel(50, 20), kBlue);
    EXPECT_EQ(canvas.Pixel(100, 20), kRed);
    EXPECT_EQ(canvas.Pixel(20, 150), kRed);
    EXPECT_EQ(canvas.Pixel(20, 100), kBlue);
    EXPECT_TRUE(canvas.IsWhite(120, 20));
    // The lines stay inside the plot shrunk by half the frame.
    EXPECT_TRUE(canvas.IsWhite(150, 0));
    EXPECT_TRUE(canvas.IsWhite(0, 100));
    // Labels under the plot, centred on their ticks; "-100" at x = 0 would leave the plot: skipped.
    EXPECT_GT(canvas.InkCount(140, 300, 160, 318), 0);
    EXPECT_EQ(canvas.InkCount(0, 300, 12, 318), 0);
    // Y labels left of the plot cannot fit in a plot at x = 0: none.
    EXPECT_EQ(canvas.InkCount(0, 0, 1, 300), 0);
}

TEST_F(GraphDrawTest, OnlyTheTopGraphDrawsBackgroundLines) {
    TGraph* g = Add(Values({-50, 250}), Values({-100, 100}));
    Add(Values({-50, 250}), Values({-100, 100}));
    g->SetLayer(1);
    ASSERT_EQ(g->Layer(), 1);
    TGraphDrawContext c = Context();
    c.ShowGrid = true;
    c.ShowXAxisLabels = c.ShowYAxisLabels = false;
    Draw(*g, 0, c);
    EXPECT_EQ(canvas.InkCount(0, 0, 420, 340), 0);
}

TEST_F(GraphDrawTest, LabelsKeepClearOfDesignations) {
    TGraph* g = Add(Values({-50, 250}), Values({-100, 100}));
    g->SetDesignationShow(dsXData, true);
    g->SetDesignationIsText(dsXData, false);
    g->SetDesignationSymbol(dsXData, SymbolOfAspect(6)); // 102 × 17 at the right end
    TGraphDrawContext c = Context();
    Draw(*g, 0, c);
    const TRect b = g->Designation(dsXData).Bounds;
    EXPECT_EQ(b, (TRect{298, 300, 400, 317}));
    // The label of tick 300 (pixel 300) would overlap: only the symbol's ink is there, no label left
    // of the symbol.
    EXPECT_EQ(canvas.InkCount(285, 300, 298, 318), 0);
    EXPECT_GT(canvas.InkCount(240, 300, 260, 318), 0);
}

TEST_F(GraphDrawTest, ZoomZeroSkipsTheAxis) {
    TGraph* g = Add(Values({-50, 250}), Values({-100, 100}));
    g->SetZoomX(0);
    TGraphDrawContext c = Context();
    c.ShowGrid = true;
    Draw(*g, 0, c);                                  // returns: no endless tick loop
    EXPECT_EQ(canvas.InkCount(0, 300, 400, 340), 0); // no X labels
    EXPECT_EQ(canvas.Pixel(20, 100), kBlue);         // the Y grid is still there
}

TEST_F(GraphDrawTest, DateTimeAxisInHours) {
    // 0.3 days per grid distance of 50 pixels: hour ticks, two label lines.
    TGraph* g = Add(Values({45000, 45001}), Values({-100, 100}));
    g->SetDateTimeArg(true);
    g->Mapping.FitX = 50 / 0.3L;
    g->Mapping.ShiftX = 45000.5L - g->XMid();
    window.OriginX = 200;
    EXPECT_EQ(XTickVariant(*g, 50), TTickVariant::Hours);
    TGraphDrawContext c = Context();
    c.ShowGrid = true;
    Draw(*g, 0, c);
    const Extended hours = g->PixelLengthToDataX(g->Mapping.TickStepX) * 24;
    EXPECT_NEAR(double(hours), 12.0, 1e-9); // 1, 2, 3, 6 hours are still under the grid distance
    // Midnight of 45000 at pixel 116.7: a day line in the axis pen; noon at 200: a grid line.
    EXPECT_EQ(canvas.Pixel(117, 20), kRed);
    EXPECT_EQ(canvas.Pixel(200, 20), kBlue);
    // Two lines of text under the plot.
    const int line = QFontMetrics(TestFont()).height();
    EXPECT_GT(canvas.InkCount(150, 300, 250, 300 + line), 0);
    EXPECT_GT(canvas.InkCount(150, 300 + line, 250, 300 + 2 * line), 0);
}

TEST_F(GraphDrawTest, CurveNodesAndSelection) {
    TGraph* g = Add(Values({-50, 50, 150}), Values({100, 100, 0}));
    g->SetColor(tRed);
    g->SetShowNodes(false);
    PreparePolyline(*g);
    g->NodePixels()[1].Selected = 1;
    TGraphDrawContext c = Context();
    Draw(*g, 1, c);
    EXPECT_EQ(canvas.Pixel(100, 50), kRed);
    EXPECT_EQ(canvas.Pixel(75, 50), kRed);
    // The selected node's square outlined in SelPoints (red) around (150, 50), filled with Inside.
    EXPECT_EQ(canvas.Pixel(149, 49), kRed);
    // Unselected nodes are not shown without ShowNodes.
    EXPECT_TRUE(canvas.IsWhite(49, 49));
    g->SetShowNodes(true);
    TTestCanvas again(420, 340);
    DrawGraph(*g, 0, again.dc(), window.Colors, 1, c);
    EXPECT_EQ(again.Pixel(49, 49), 0x008000u); // the Points colour
}

TEST_F(GraphDrawTest, EditModeFadesUnselectedGraphs) {
    TGraph* g = Add(Values({-50, 150}), Values({100, 100}));
    g->SetColor(tRed);
    TGraphDrawContext c = Context();
    c.ToolMode = tmEdit;
    Draw(*g, 1, c);
    EXPECT_EQ(canvas.Pixel(100, 50), 0xDFDFDFu);
    g->SetSelected(true);
    TTestCanvas again(420, 340);
    DrawGraph(*g, 0, again.dc(), window.Colors, 1, c);
    EXPECT_EQ(again.Pixel(100, 50), kRed);
}

TEST_F(GraphDrawTest, ExportSchemeColoursAndShortMarkerColours) {
    TGraph* g = Add(Values({-50, 150}), Values({100, 100}));
    g->Markers.Items.append({150, 100});
    g->SetMarkerSymbol(3);
    TColorStruct scheme(&window);
    scheme.AssignAsIs(window.Colors);
    scheme.GraphColors = {tBlue};
    scheme.MarkerColors = {}; // shorter than the graph list: the line colour is used
    TGraphDrawContext c = Context();
    DrawGraph(*g, 0, canvas.dc(), scheme, 1, c);
    EXPECT_EQ(canvas.Pixel(100, 50), kBlue);
    // The marker at (250, 50): disc cleared, square in the marker colour.
    EXPECT_EQ(canvas.Pixel(250, 50), kBlue);
    EXPECT_EQ(canvas.Pixel(247, 47), kBlue);
    EXPECT_TRUE(canvas.IsWhite(245, 50));
}

TEST_F(GraphDrawTest, DashedLineFollowsItsPattern) {
    TGraph* g = Add(Values({-100, 200}), Values({100, 100}));
    g->SetColor(tRed);
    g->SetLineStyle(1); // 30 on, 5 off
    TGraphDrawContext c = Context();
    c.Plot = {0, 0, 400, 300};
    Draw(*g, 1, c);
    // The line starts at x = 1 (clipped at half the frame) with its pattern from x = 0.
    EXPECT_EQ(canvas.Pixel(10, 50), kRed);
    EXPECT_TRUE(canvas.IsWhite(32, 50));
    EXPECT_EQ(canvas.Pixel(40, 50), kRed);
    EXPECT_TRUE(canvas.IsWhite(67, 50));
}

TEST_F(GraphDrawTest, PointsStyles) {
    TGraph* g = Add(Values({-50, 50}), Values({100, 50}));
    g->SetColor(tRed);
    g->SetLineStyle(5);
    TGraphDrawContext c = Context();
    Draw(*g, 1, c);
    EXPECT_EQ(canvas.Pixel(50, 50), kRed);
    EXPECT_EQ(canvas.InkCount(0, 0, 400, 300), 2);
    g->SetLineWidth(4); // discs of diameter 4
    TTestCanvas discs(420, 340);
    DrawGraph(*g, 0, discs.dc(), window.Colors, 1, c);
    EXPECT_EQ(discs.Pixel(50, 50), kRed);
    EXPECT_EQ(discs.Pixel(48, 50), kRed);
    EXPECT_TRUE(discs.IsWhite(52, 50));
    EXPECT_TRUE(discs.IsWhite(47, 50));
}

TEST_F(GraphDrawTest, HiddenGraphDrawsNoCurve) {
    TGraph* g = Add(Values({-50, 150}), Values({100, 100}));
    g->SetVisible(false);
    TGraphDrawContext c = Context();
    Draw(*g, 1, c);
    EXPECT_EQ(canvas.InkCount(0, 0, 420, 340), 0);
}

TEST_F(GraphDrawTest, NotchesAndAxisMarkersOfSeparateAxes) {
    TGraph* g = Add(Values({-50, 150}), Values({100, 100}));
    g->SetColor(tRed);
    g->SetMarkerSymbol(3);
    g->AxisSlotY = 1;
    TGraphDrawContext c = Context();
    c.Plot = {100, 10, 400, 250};
    c.MultiYAxis = true;
    c.YAxisCount = 2;
    c.YSlotOffsets = {0, 40};
    c.BeginPass(window);
    Draw(*g, 1, c);
    // Notch: from (L − u − yoff, B − u − 6) to (L + u − yoff, B + 2 − 6) = (59, 243)..(61, 246).
    EXPECT_EQ(canvas.Pixel(59, 243), kRed);
    EXPECT_EQ(canvas.Pixel(60, 245), kRed);
    EXPECT_TRUE(canvas.IsWhite(61, 244));
    EXPECT_EQ(c.YNotches[1], 2);
    // Axis marker glyph at (L − 6 − yoff, B + 6) = (54, 256).
    EXPECT_TRUE(c.YMarked[1]);
    EXPECT_EQ(canvas.Pixel(54, 256), kRed);
    EXPECT_EQ(canvas.Pixel(51, 253), kRed);
}

TEST_F(GraphDrawTest, SubGridAndFrameTicks) {
    TGraph* g = Add(Values({-50, 250}), Values({-100, 100}));
    TGraphDrawContext c = Context();
    c.ShowGrid = true;
    c.ShowTicks = true;
    c.SubGridDividerX = 2;
    c.ShowXAxisLabels = c.ShowYAxisLabels = false;
    Draw(*g, 0, c);
    EXPECT_EQ(canvas.Pixel(125, 40), kGreen); // half way between the ticks at 100 and 150
    EXPECT_EQ(canvas.Pixel(175, 40), kGreen);
    EXPECT_TRUE(canvas.IsWhite(20, 125)); // no sub-grid along Y with its divider 1
    // Frame ticks reach f/2 + t = 4 pixels inward from the top edge.
    EXPECT_EQ(canvas.Pixel(150, 1), kBlack);
    EXPECT_EQ(canvas.Pixel(150, 3), kBlack);
    EXPECT_EQ(canvas.Pixel(150, 4), kBlue);
    EXPECT_EQ(canvas.Pixel(398, 100), kBlack); // from the right edge inward
}

TEST(GraphDrawContext, TakenFromTheWindow) {
    TSuperGrWindow window;
    window.ApplyDefaultLook();
    window.SetMultiAxes(true, true);
    window.SetCombineAxes(false, false); // one axis per graph
    TDoubleArray x{0, 1}, y{0, 1};
    ASSERT_TRUE(window.AddGraph(QString(), false, {}, x, y));
    ASSERT_TRUE(window.AddGraph(QString(), false, {}, x, y));
    window.GraphByIndex(1)->SetDateTimeArg(true);
    window.OutputScale = 2;
    window.LayoutPlot({0, 0, 1200, 800});
    TGraphDrawContext c = GraphDrawContext(window, window.Colors);
    EXPECT_EQ(c.Plot, window.PlotRect);
    EXPECT_EQ(c.GridSizeX, 148);
    EXPECT_EQ(c.GridSizeY, 84);
    EXPECT_EQ(c.Unit, 2);
    EXPECT_EQ(c.FrameWidth, 2);
    EXPECT_EQ(c.TickLength, 8);
    EXPECT_EQ(c.AxisFont.pixelSize(), 26);
    EXPECT_EQ(c.XBandDate - c.XBand, c.XBand - 4); // one more label line; the margin is 2 × 2
    ASSERT_EQ(window.XAxisCount, 2);
    EXPECT_EQ(c.XSlotOffsets,
              (QList<int>{0, window.GraphByIndex(0)->AxisSlotX == 0 ? c.XBand : c.XBandDate}));
    EXPECT_EQ(c.YSlotOffsets, (QList<int>{0, c.YBand}));
    EXPECT_TRUE(c.MultiXAxis && c.MultiYAxis && c.VerticalYFont);
    EXPECT_TRUE(c.GraphOwnColors);
    EXPECT_EQ(c.GridPen.Pattern, DashPattern(2, 2, 0.6L, 2)); // grid style 2, width 2, scale 0.6
    EXPECT_EQ(c.GridPen.Width, 2);
    TColorStruct print(&window);
    print.AssignWhiteBackground(window.Colors);
    window.UsePalette = false;
    c = GraphDrawContext(window, print);
    EXPECT_FALSE(c.GraphOwnColors);
    EXPECT_EQ(c.GridPen.Color, 0x808080);
    c.BeginPass(window);
    EXPECT_EQ(c.XSlotRemaining, (QList<int>{1, 1}));
    EXPECT_EQ(c.XNotches, (QList<int>{1, 1}));
    EXPECT_EQ(c.YMarked, (QList<bool>{false, false}));
}

TEST_F(GraphDrawTest, YLabelsHorizontalAndUpwards) {
    for (bool upwards : {false, true}) {
        TGraph* g = Add(Values({-50, 250}), Values({-100, 100}));
        TTestCanvas image(420, 340);
        TGraphDrawContext c = Context();
        c.Plot = {60, 0, 400, 300};
        c.VerticalYFont = upwards;
        c.ShowXAxisLabels = false;
        DrawGraph(*g, 0, image.dc(), window.Colors, 0, c);
        // The label "50" of the tick at y = 100 ends just left of the plot's edge.
        QRect ink;
        for (int y = 80; y < 120; ++y)
            for (int x = 0; x < 60; ++x)
                if (!image.IsWhite(x, y)) ink |= QRect(x, y, 1, 1);
        ASSERT_FALSE(ink.isEmpty()) << upwards;
        EXPECT_LE(ink.right(), upwards ? 61 : 59);
        EXPECT_GE(ink.right(), 50);
        EXPECT_LE(ink.top(), 100);
        EXPECT_GE(ink.bottom(), 100);
        if (upwards)
            EXPECT_GT(ink.height(), ink.width());
        else
            EXPECT_GT(ink.width(), ink.height());
        window.DeleteGraph(0);
    }
}

TEST_F(GraphDrawTest, SeparateXAxisBracketAndBandTicks) {
    TGraph* g = Add(Values({-50, 250}), Values({-100, 100}));
    g->AxisSlotX = 1;
    TGraphDrawContext c = Context();
    c.Plot = {60, 0, 400, 260};
    c.MultiXAxis = true;
    c.XAxisCount = 2;
    c.XSlotOffsets = {0, 30};
    c.ShowTicks = true;
    c.ShowYAxisLabels = false;
    c.BeginPass(window);
    Draw(*g, 0, c);
    // The bracket (60, 286) – (60, 290) – (400, 290) – (400, 286) in ActiveBorder (window text: black).
    EXPECT_EQ(canvas.Pixel(60, 287), kBlack);
    EXPECT_EQ(canvas.Pixel(200, 290), kBlack);
    EXPECT_EQ(canvas.Pixel(400, 287), kBlack);
    EXPECT_TRUE(canvas.IsWhite(400, 286)); // the polyline's last point is left out
    EXPECT_TRUE(canvas.IsWhite(60, 285));
    // A band tick at x = 150 reaching f/3 + t/2 = 2 pixels up from the band's line.
    EXPECT_EQ(canvas.Pixel(150, 288), kBlack);
    EXPECT_TRUE(canvas.IsWhite(150, 287));
    // Labels below the band's line.
    EXPECT_GT(canvas.InkCount(140, 291, 160, 308), 0);
    EXPECT_EQ(c.XSlotRemaining[1], 0); // counted down after the pass
}

TEST_F(GraphDrawTest, DamagedValuesDrawWithoutOverflow) {
    TGraph* g = Add(Values({-50, 250}), Values({-100, 100}));
    g->SetDesignationShow(dsXData, true);
    g->SetDesignationIsText(dsXData, false);
    TSymbol wild = SymbolOfAspect(1e300L);
    wild.Prims[0].X1 = -1e30L;
    wild.Prims[0].X2 = 1e30L;
    g->SetDesignationSymbol(dsXData, wild);
    g->SetDesignationIsText(dsXDimension, false);
    g->SetDesignationSymbol(dsXDimension, SymbolOfAspect(1e-300L));
    g->SetDesignationOffsets(dsXData, 2147483647, -2147483647 - 1);
    g->SetDesignationOffsets(dsXDimension, 2147483647, -2147483647 - 1);
    g->Markers.Items.append({1e4000L, -1e4000L});
    g->SetMarkerSymbol(13);
    TGraphDrawContext c = Context();
    Draw(*g, 0, c);
    Draw(*g, 1, c);
    const TRect b = g->Designation(dsXData).Bounds;
    // Anchors and sizes are held within ±2^28, so every edge stays far inside the integer range.
    EXPECT_GE(b.Left, -(1 << 29));
    EXPECT_LE(b.Right, 1 << 28);
    EXPECT_LE(b.Bottom, 1 << 29);
}

namespace {
// Ink of the curve pass over a clean plot, with a solid one-pixel line.
QImage CurveInk(GraphDrawTest& t, TGraph& g, TTestCanvas& canvas) {
    TGraphDrawContext c = t.Context();
    DrawGraph(g, 0, canvas.dc(), t.window.Colors, 1, c);
    return canvas.Done();
}
// The same cached pieces drawn one polyline call each, clipped as the curve pass clips.
QImage PolylineInk(const TGraph& g, const TRect& plot, TColor color, TTestCanvas& canvas) {
    TDrawAdapter& dc = canvas.dc();
    dc.IntersectClip({plot.Left + 1, plot.Top + 1, plot.Right, plot.Bottom});
    dc.SetSolidPen(color, 1);
    for (int i = 0; i < g.Cache.PieceCount; ++i)
        dc.Polyline(g.Cache.Points.constData() + g.Cache.Pieces[i].First, g.Cache.Pieces[i].Count);
    return canvas.Done();
}
} // namespace

TEST_F(GraphDrawTest, RasterCurveCoversWhatItsPolylinesCover) {
    // Noise inside the window (tall columns side by side, filled row by row) and noise that leaves
    // it above and below (thousands of short pieces). Where a line ends, the rasteriser may set the
    // end pixel's neighbour instead, depending on whether the line is drawn alone or inside a
    // polyline; no other pixel may differ.
    for (const Extended amplitude : {250.0L, 400.0L}) {
        TDoubleArray x, y;
        uint32_t state = 3;
        auto next = [&] {
            state = state * 1664525u + 1013904223u;
            return Extended(state >> 8) / Extended(1 << 24);
        };
        for (int i = 0; i < 20000; ++i) {
            x.append(-100 + Extended(i) / 50);
            y.append(amplitude * (next() - 0.5L));
        }
        TGraph* g = Add(x, y);
        g->SetColor(0);
        g->SetShowNodes(false);
        TTestCanvas screen(420, 340), reference(420, 340);
        const QImage a = CurveInk(*this, *g, screen);
        const QImage b = PolylineInk(*g, window.PlotRect, 0, reference);
        auto inked = [](const QImage& image, int px, int py) {
            return px >= 0 && py >= 0 && px < image.width() && py < image.height() &&
                   (image.pixel(px, py) & 0xFFFFFF) != 0xFFFFFF;
        };
        auto nextToInk = [&](const QImage& image, int px, int py) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if ((dx != 0 || dy != 0) && inked(image, px + dx, py + dy)) return true;
            return false;
        };
        int ink = 0, differing = 0, astray = 0;
        for (int py = 0; py < a.height(); ++py)
            for (int px = 0; px < a.width(); ++px) {
                ink += inked(b, px, py);
                if (a.pixel(px, py) == b.pixel(px, py)) continue;
                ++differing;
                astray += !nextToInk(inked(a, px, py) ? b : a, px, py);
            }
        EXPECT_GT(ink, 40000) << double(amplitude);
        EXPECT_LT(differing, ink / 1000) << double(amplitude);
        EXPECT_EQ(astray, 0) << double(amplitude);
        if (amplitude > 300) {
            EXPECT_GT(g->Cache.PieceCount, 1000);
        }
    }
}

TEST_F(GraphDrawTest, RasterCurveFillsVerticalStretchesAndLeavesTheEndPixel) {
    TGraph* g = Add(Values({0, 1}), Values({0, 1}));
    g->SetColor(0);
    g->SetShowNodes(false);
    PreparePolyline(*g);
    // Two pieces by hand: a zigzag in column 20 between two horizontal lines, and a piece that
    // ends inside its own vertical stretch.
    g->Cache.Points = {{10, 100}, {20, 100}, {20, 60}, {20, 140}, {20, 120},
                       {30, 120}, {50, 50},  {50, 90}, {50, 70}};
    g->Cache.NodeIndex = QList<int32_t>(9, 0);
    g->Cache.PointCount = 9;
    g->Cache.Pieces = {{0, 6}, {6, 3}};
    g->Cache.PieceCount = 2;
    TGraphDrawContext c = Context();
    Draw(*g, 1, c);
    EXPECT_EQ(canvas.InkCount(20, 0, 21, 340), 81); // rows 60 .. 140
    EXPECT_EQ(canvas.InkCount(10, 100, 20, 101), 10);
    EXPECT_EQ(canvas.InkCount(21, 120, 40, 121), 9); // 21 .. 29: the end pixel (30, 120) stays free
    EXPECT_TRUE(canvas.IsWhite(30, 120));
    EXPECT_EQ(canvas.InkCount(50, 0, 51, 340), 41); // rows 50 .. 90, the end (50, 70) inside them
    EXPECT_EQ(canvas.InkCount(0, 0, 420, 340), 81 + 10 + 9 + 41);
}

TEST_F(GraphDrawTest, RasterCurveWithExtremePixelsStaysInItsPlot) {
    TGraph* g = Add(Values({0, 1}), Values({0, 1}));
    g->SetColor(0);
    g->SetShowNodes(false);
    PreparePolyline(*g);
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
    g->Cache.Points = {{5, kMin}, {5, kMax}, {5, 0}, {kMax, kMin}, {kMin, kMax}};
    g->Cache.NodeIndex = QList<int32_t>(5, 0);
    g->Cache.PointCount = 5;
    g->Cache.Pieces = {{0, 3}, {3, 2}};
    g->Cache.PieceCount = 2;
    TGraphDrawContext c = Context();
    Draw(*g, 1, c);
    // Column 5 across the plot (its frame's half width left free), nothing outside the plot.
    EXPECT_EQ(canvas.InkCount(5, 0, 6, 340), 299);
    EXPECT_EQ(canvas.InkCount(0, 300, 420, 340) + canvas.InkCount(400, 0, 420, 300), 0);
}
