#include "StreamTestUtil.h"

#include "model/GraphRecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace streamtest;

namespace {
// Offsets inside the record of a graph whose strings are all empty and whose symbols are empty.
constexpr qsizetype kLayer = 17, kReservedTen = 37, kLineWidth = 41, kFlags = 61, kColor = 75, kReals = 83;
constexpr qsizetype kBreakMode = 323, kXDesignation = 325, kDesignationSize = 67, kLayouts = 593;
constexpr qsizetype kWidthScale = 608, kXData = 618;
constexpr qsizetype kEmptyRecordSize = 646;

qsizetype RealOffset(int index) {
    return kReals + 10 * index;
}

QByteArray RecordOf(const TGraph& g) {
    QByteArray out;
    TGraphRecord::Write(out, g);
    return out;
}

bool ReadInto(const QByteArray& bytes, TGraph& g) {
    TByteReader r(bytes);
    return TGraphRecord::Read(r, g);
}

struct GraphRecordTest : ::testing::Test {
    TSuperGrWindow window;

    // A bare graph with three nodes and nothing else set.
    std::unique_ptr<TGraph> ThreeNodes() {
        auto g = std::make_unique<TGraph>(&window);
        g->XData = Ramp(3);
        g->YData = Ramp(3, 10);
        return g;
    }

    TSymbol TwoElementSymbol() {
        TSymbol s;
        s.Aspect = 1.0L / 3;
        s.HAlign = 2;
        s.VAlign = 0;
        TPrimitiv a;
        a.FaceName = QStringLiteral("Arial");
        a.Text = QStringLiteral("Ж");
        a.Charset = 204;
        TPrimitiv b;
        b.X1 = 0.1L;
        b.FaceName = QStringLiteral("Symbol");
        b.Text = QStringLiteral("мм");
        b.Weight = 600;
        b.Italic = 1;
        s.Prims = {a, b};
        return s;
    }
};
} // namespace

TEST_F(GraphRecordTest, EmptyGraphLayoutIsByteExact) {
    TGraph g(&window);
    const QByteArray bytes = RecordOf(g);
    ASSERT_EQ(bytes.size(), kEmptyRecordSize);
    EXPECT_EQ(Int32At(bytes, 0), 0);                // ID
    EXPECT_EQ(bytes[4], 0);                         // reserved flag
    EXPECT_EQ(Slice(bytes, 5, 4), Hex("00000000")); // an empty name is its length alone
    EXPECT_EQ(Int32At(bytes, kLayer), 0);
    EXPECT_EQ(Int32At(bytes, kLayer + 4), -1);  // ScaleGroupX
    EXPECT_EQ(Int32At(bytes, kLayer + 16), -1); // PosGroupY
    EXPECT_EQ(Int32At(bytes, kReservedTen), 10);
    EXPECT_EQ(Int32At(bytes, kLineWidth), 1);
    EXPECT_EQ(Int32At(bytes, kLineWidth + 4), 0); // LineStyle
    // Permissions (none in an empty window), ShowNodes, MarkersVisible, Selected, Visible, two
    // reserved, FixedRatio, dirty flags.
    EXPECT_EQ(Slice(bytes, kFlags, 14), Hex("0000000000010001000000010101"));
    EXPECT_EQ(Int32At(bytes, kColor), g.Color());
    EXPECT_TRUE(SameBits(ExtAt(bytes, RealOffset(17)), 0.97L)); // ZoomX
    EXPECT_TRUE(SameBits(ExtAt(bytes, RealOffset(19)), 1.0L));  // FitX
    EXPECT_EQ(bytes[kBreakMode], 3);
    EXPECT_EQ(bytes[kBreakMode + 1], 0); // MarkerSymbol

    // X designation: Show 0, IsText 1, Vertical 0, empty text, offsets and bounds 0, then the symbol
    // form: an extended 0.0, version 1, Aspect 1.0, HAlign 1, VAlign 1, no elements.
    EXPECT_EQ(Slice(bytes, kXDesignation, 31), QByteArray::fromHex("000100") + QByteArray(28, '\0'));
    EXPECT_EQ(Slice(bytes, kXDesignation + 31, 36), Hex("00000000000000000000"
                                                        "01000000"
                                                        "0000000000000080ff3f"
                                                        "01000000"
                                                        "01000000"
                                                        "00000000"));
    EXPECT_EQ(kXDesignation + 4 * kDesignationSize, kLayouts);
    EXPECT_EQ(Slice(bytes, kLayouts, 7), Hex("01030001010000")); // layouts, DateTimeArg … LogY
    EXPECT_TRUE(SameBits(ExtAt(bytes, kWidthScale), 1.0L));
    // Five empty extended arrays, no node pixels, no markers.
    EXPECT_EQ(Slice(bytes, kXData, 28), QByteArray(28, '\0'));
}

TEST_F(GraphRecordTest, ExtendedValuesKeepAllEightyBits) {
    TGraph g(&window);
    window.UndoRecording = false;
    g.SetBreakLimit(0.1L);
    g.Mapping.ShiftX = 1.0L / 3;
    const QByteArray bytes = RecordOf(g);
    EXPECT_EQ(Slice(bytes, RealOffset(23), 10), Hex("cdccccccccccccccfb3f"));
    EXPECT_EQ(Slice(bytes, RealOffset(21), 10), Hex("abaaaaaaaaaaaaaafd3f"));
    // The same third held as a double would lose its last eleven bits.
    EXPECT_NE(Slice(bytes, RealOffset(21), 10), Hex("00a8aaaaaaaaaaaafd3f"));
}

TEST_F(GraphRecordTest, RoundTripIsBitExact) {
    TDoubleArray x = Thirds(50), y = Thirds(50, -7), z = Thirds(50, 1e-300L);
    ASSERT_TRUE(window.AddGraph(QStringLiteral("Ток, мА"), false, z, x, y));
    TGraph& g = *window.GraphByIndex(0);
    g.SetLogX(true);
    g.SetLegendText(QStringLiteral("легенда"));
    g.SetMarkerText(QStringLiteral("М"));
    g.SetColor(0x123456);
    g.SetMarkerColor(0x654321);
    g.SetLineWidth(3);
    g.SetLineStyle(6);
    g.SetWidthScale(2.5L);
    g.SetBreakMode(1);
    g.SetBreakLimit(Extended(1) / 7);
    g.SetMarkerSymbol(9);
    g.SetDateTimeArg(true);
    g.SetInLegend(false);
    g.SetFixedRatio(true);
    g.SetScaleGroupY(4);
    g.SetPosGroupX(2);
    g.SetDesignationText(dsYDimension, QStringLiteral("В"));
    g.SetDesignationShow(dsXData, true);
    g.SetDesignationVertical(dsYData, true);
    g.SetDesignationIsText(dsXDimension, false);
    g.SetDesignationSymbol(dsXDimension, TwoElementSymbol());
    g.SetDesignationOffsets(dsYData, -3, 7);
    g.DesignationRef(dsXData).Bounds = {1, 2, 3, 4};
    g.SetXDesignLayout(2);
    g.SetYDesignLayout(0);
    g.Markers.Items = {{Extended(1) / 3, Extended(2) / 3}, {-1e4000L, 5}};
    g.NodePixels()[7].Selected = 1;
    g.NodePixels()[8] = {-5, 70000, 1, 1};
    g.Cache.Invalidate();

    const QByteArray bytes = RecordOf(g);
    TGraph back(&window);
    ASSERT_TRUE(ReadInto(bytes, back));
    EXPECT_EQ(RecordOf(back), bytes);

    EXPECT_EQ(back.Name(), QStringLiteral("Ток, мА"));
    EXPECT_TRUE(back.LogX());
    ASSERT_EQ(back.XSource.size(), 50);
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(SameBits(back.XSource[i], x[i]));
        EXPECT_TRUE(SameBits(back.YData[i], y[i]));
        EXPECT_TRUE(SameBits(back.ZData[i], z[i]));
        EXPECT_TRUE(SameBits(back.XData[i], g.XData[i]));
    }
    EXPECT_EQ(back.NodePixels()[7].Selected, 1);
    EXPECT_EQ(back.NodePixels()[8], (TNodePixel{-5, 70000, 1, 1}));
    EXPECT_EQ(back.Markers.Items, g.Markers.Items);
    EXPECT_EQ(back.Designation(dsXDimension).Symbol, TwoElementSymbol());
    EXPECT_EQ(back.Designation(dsYData).OffsetX, -3);
    EXPECT_EQ(back.Designation(dsXData).Bounds, (TRect{1, 2, 3, 4}));
    EXPECT_EQ(back.Designation(dsYDimension).Text, QStringLiteral("В"));
    EXPECT_EQ(back.ScaleGroupY(), 4);
    EXPECT_EQ(back.PosGroupX(), 2);
    EXPECT_TRUE(back.FixedRatio());
    EXPECT_EQ(back.MarkerColor(), 0x654321);
    EXPECT_FALSE(back.MarkerKeepColor());
    EXPECT_TRUE(SameBits(back.BreakLimit(), Extended(1) / 7));
    EXPECT_TRUE(SameBits(back.WidthScale(), 2.5L));
    EXPECT_EQ(back.LineStyle(), 6);
    EXPECT_EQ(back.XDesignLayout(), 2);
    EXPECT_EQ(back.YDesignLayout(), 0);
}

TEST_F(GraphRecordTest, DirtyFlagsReadAsTrueAndThePolylineIsBuiltAgain) {
    auto g = ThreeNodes();
    g->Cache.MarkFresh(TViewCache::All);
    QByteArray bytes = RecordOf(*g);
    EXPECT_EQ(Slice(bytes, kFlags + 11, 3), Hex("000000"));
    TGraph back(&window);
    ASSERT_TRUE(ReadInto(bytes, back));
    EXPECT_TRUE(back.Cache.Stale(TViewCache::Fit));
    EXPECT_TRUE(back.Cache.Stale(TViewCache::Extents));
    EXPECT_TRUE(back.Cache.Stale(TViewCache::Polyline));
    EXPECT_EQ(back.Cache.PointCount, 0);
    EXPECT_EQ(back.NodePixels().size(), 3);
}

TEST_F(GraphRecordTest, GraphWithoutZAndLogWritesZeroCounts) {
    auto g = ThreeNodes();
    const QByteArray bytes = RecordOf(*g);
    EXPECT_EQ(Int32At(bytes, kXData), 3);
    EXPECT_EQ(Int32At(bytes, kXData + 34), 3);     // YData
    EXPECT_EQ(Int32At(bytes, kXData + 68), 0);     // ZData
    EXPECT_EQ(Int32At(bytes, kXData + 72), 0);     // XSource
    EXPECT_EQ(Int32At(bytes, kXData + 76), 0);     // YSource
    EXPECT_EQ(Int32At(bytes, kXData + 80), 3);     // NodePixels
    EXPECT_EQ(bytes.size(), kXData + 84 + 36 + 4); // pixels of 12 bytes, then no markers
    ASSERT_TRUE(g->StoredNodePixels().isEmpty());
    g->NodePixels(); // stored zero records write the same bytes
    EXPECT_EQ(RecordOf(*g), bytes);
}

TEST_F(GraphRecordTest, EveryTruncationFails) {
    auto g = ThreeNodes();
    g->Markers.Items = {{1, 2}};
    const QByteArray bytes = RecordOf(*g);
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        TGraph back(&window);
        EXPECT_FALSE(ReadInto(bytes.left(n), back)) << n;
    }
}

TEST_F(GraphRecordTest, DamagedCountsAndLengthsFail) {
    auto g = ThreeNodes();
    const QByteArray good = RecordOf(*g);
    auto fails = [&](qsizetype offset, int32_t value) {
        QByteArray bytes = good;
        PutInt32(bytes, offset, value);
        TGraph back(&window);
        return !ReadInto(bytes, back);
    };
    EXPECT_TRUE(fails(kXData, 0x7FFFFFFF)); // far more values than bytes
    EXPECT_TRUE(fails(kXData, -1));
    EXPECT_TRUE(fails(kXData + 34, 2)); // YData shorter than XData (then misread)
    EXPECT_TRUE(fails(kXData + 80, 2)); // node pixels disagree with the node count
    EXPECT_TRUE(fails(kXData + 80, 0x7FFFFFFF));
    EXPECT_TRUE(fails(kXData + 84 + 36, 0x7FFFFFFF)); // markers
    EXPECT_TRUE(fails(0, -4));                        // negative ID
    EXPECT_TRUE(fails(5, 0x7FFFFFFF));                // name length

    // A logarithmic axis needs its real values.
    QByteArray bytes = good;
    bytes[kLayouts + 5] = 1; // LogX
    TGraph back(&window);
    EXPECT_FALSE(ReadInto(bytes, back));

    // Z of another length.
    auto z = ThreeNodes();
    z->ZData = Ramp(2);
    TGraph backZ(&window);
    EXPECT_FALSE(ReadInto(RecordOf(*z), backZ));
}

TEST_F(GraphRecordTest, RefusedValuesKeepTheDefaults) {
    auto g = ThreeNodes();
    QByteArray bytes = RecordOf(*g);
    PutInt32(bytes, kLayer + 4, 42); // ScaleGroupX out of the nine groups
    PutInt32(bytes, kLineWidth, 99);
    PutInt32(bytes, kLineWidth + 4, -2);
    bytes[kBreakMode] = 7;
    bytes[kBreakMode + 1] = 14;
    bytes[kLayouts] = 4;
    const codec::Ext10 nan = codec::EncodeExtended(std::numeric_limits<Extended>::quiet_NaN());
    bytes.replace(RealOffset(17), 10, reinterpret_cast<const char*>(nan.data()), 10); // ZoomX
    bytes.replace(RealOffset(21), 10, reinterpret_cast<const char*>(nan.data()), 10); // ShiftX
    const codec::Ext10 zero = codec::EncodeExtended(0);
    bytes.replace(kWidthScale, 10, reinterpret_cast<const char*>(zero.data()), 10);

    TGraph back(&window);
    ASSERT_TRUE(ReadInto(bytes, back));
    EXPECT_EQ(back.ScaleGroupX(), -1);
    EXPECT_EQ(back.LineWidth(), 1);
    EXPECT_EQ(back.LineStyle(), 0);
    EXPECT_EQ(back.BreakMode(), 3);
    EXPECT_EQ(back.MarkerSymbol(), 0);
    EXPECT_EQ(back.XDesignLayout(), 1);
    EXPECT_EQ(back.ZoomX(), window.InitialScaleX);
    EXPECT_EQ(back.Mapping.ShiftX, 0);
    EXPECT_EQ(back.WidthScale(), 1);
}

TEST_F(GraphRecordTest, DamagedLayersAreRenumberedInStoredOrder) {
    std::vector<std::unique_ptr<TGraph>> graphs;
    std::vector<TGraph*> raw;
    for (int layer : {5, 5, -3}) {
        auto g = ThreeNodes();
        QByteArray bytes = RecordOf(*g);
        PutInt32(bytes, kLayer, layer);
        auto back = std::make_unique<TGraph>(&window);
        ASSERT_TRUE(ReadInto(bytes, *back));
        raw.push_back(back.get());
        graphs.push_back(std::move(back));
    }
    TGraphRecord::RenumberLayers(raw);
    EXPECT_EQ(raw[0]->Layer(), 1);
    EXPECT_EQ(raw[1]->Layer(), 2);
    EXPECT_EQ(raw[2]->Layer(), 0);
}
