#include "StreamTestUtil.h"

#include <QBuffer>
#include <gtest/gtest.h>

#include <limits>

using namespace streamtest;

namespace {
// Offsets of the window block of a window whose four fonts are named "Microsoft Sans Serif" and
// whose caption texts are empty.
constexpr qsizetype kAnimationTime = 12, kAllowRepaint = 16, kPickRadii = 20, kGridSizeX = 32,
                    kReserved5 = 40;
constexpr qsizetype kYBand = 44, kXBand = 48, kScaled = 56, kInitialScaleX = 92, kOutputScale = 112;
constexpr qsizetype kAxisFont = 122, kCaption = 258, kMargins = 262, kZoomNormal = 278, kColors = 298;
constexpr qsizetype kPalette = 354, kToolMode = 426, kLegendPosition = 429, kLegendRect = 432;
constexpr qsizetype kLegendFont = 448, kFlags = 482, kLegendDragging = 487, kInts = 496;
constexpr qsizetype kSubGridDividerX = 504, kGroupCount = 512, kLegendBorderWidth = 528, kLegendColumns = 536;
constexpr qsizetype kAxisScale = 564, kSingle = 594, kTopCaption = 598, kGraphCount = 606, kFreshSize = 610;

void PutExt(QByteArray& bytes, qsizetype offset, Extended v) {
    const codec::Ext10 e = codec::EncodeExtended(v);
    bytes.replace(offset, 10, reinterpret_cast<const char*>(e.data()), 10);
}

struct FigureStreamTest : ::testing::Test {
    TSuperGrWindow window;

    void AddGraphs(TSuperGrWindow& w, int count) {
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(
                w.AddGraph(QStringLiteral("g%1").arg(i), false, {}, Thirds(20 + i), Thirds(20 + i, i)));
    }

    // A figure that differs from a new window in as many stored fields as possible.
    void Customise(TSuperGrWindow& w) {
        w.ApplyDefaultLook();
        w.UsePalette = false;
        w.SetVerticalYFont(false);
        w.AnimatedMenu = false;
        w.SetAnimationTime(250);
        w.MarkerPickRadius = 7;
        w.NodePickRadius = 9;
        w.SetBrdrWidth(3);
        w.SetGridSizeX(61);
        w.InitialScaleX = 1.0L / 3;
        TFontRec odd;
        odd.Name = QStringLiteral("Несуществующий шрифт");
        odd.Charset = 204;
        odd.Size = -17;
        odd.StyleBits = TFontRec::Italic | TFontRec::StrikeOut;
        odd.Color = 0x102030;
        w.SetSymbolFont(odd);
        w.Caption = QStringLiteral("C:\\рисунки\\опыт.tvq");
        w.Margins.SetTop(13);
        w.ZoomSpeed.SetZoomNormal(1.0L / 7);
        w.Colors.Set(TColorStruct::Grid, 0x00ABCDEF);
        w.GraphsPalette.Set(5, 0x00010203);
        w.SetToolMode(tmEdit);
        w.SetZoomMode(zmZoomXStart);
        w.SetEditMode(emInsert);
        w.SetTopCaptionAlign(taLeftJustify);
        w.LegendRect = {5, 6, 70, 80};
        TFontRec legend = odd;
        legend.Name = QStringLiteral("Courier New");
        w.SetLegendFont(legend);
        w.BitmapExport = true;
        w.ScaledLineStyles = false;
        w.ShowToolLines = false;
        w.LegendWidth = 77;
        w.LegendHeight = 33;
        w.SetCombineAxes(false, true);
        w.SetShowLegend(true);
        w.SetLegendFrame(false);
        w.LegendFixed = true;
        w.ResetZoomByWheel = false;
        w.EmfExportScale = 7;
        w.SetSubGridDividerY(5);
        w.SetLegendOffsetX(-12);
        w.SetLegendColumns(2);
        w.SetLegendBorderWidth(4);
        w.SetLegendPosition(3);
        w.SetAxisStyle(4);
        w.SetSubGridWidth(2);
        w.SetGridScale(Extended(2) / 3);
        w.DrawPolicy.SetSingleDirect(1, false);
        w.SetTopCaption({QStringLiteral("Первая строка"), QStringLiteral("вторая")});
        w.SetBottomCaption({QStringLiteral("низ")});
        AddGraphs(w, 3);
        w.GraphByIndex(1)->SetLayer(0);
    }
};
} // namespace

TEST_F(FigureStreamTest, FreshWindowBlockIsByteExact) {
    const QByteArray bytes = StreamOf(window);
    ASSERT_EQ(bytes.size(), kFreshSize);
    EXPECT_EQ(Slice(bytes, 0, 12), Hex("000000000000010101010101"));
    EXPECT_EQ(Int32At(bytes, kAnimationTime), 800);
    EXPECT_EQ(Slice(bytes, kAllowRepaint, 4), Hex("01010100"));
    EXPECT_EQ(Slice(bytes, kPickRadii, 20), Hex("0400000004000000010000003200000032000000"));
    EXPECT_EQ(Int32At(bytes, kReserved5), 5);
    EXPECT_GT(Int32At(bytes, kYBand), 50); // label width + left margin
    EXPECT_GT(Int32At(bytes, kXBand), 20); // label height + bottom margin
    EXPECT_EQ(Int32At(bytes, kXBand + 4), 0);
    EXPECT_EQ(Slice(bytes, kScaled, 36), Hex("01000000320000003200000032000000"
                                             "0a0000000a000000140000000400000001000000"));
    EXPECT_TRUE(SameBits(ExtAt(bytes, kInitialScaleX), 0.97L));
    EXPECT_TRUE(SameBits(ExtAt(bytes, kOutputScale), 1.0L));
    // Font: name length and bytes, character set, colour, size, style.
    EXPECT_EQ(Slice(bytes, kAxisFont, 34),
              Hex("14000000") + QByteArrayLiteral("Microsoft Sans Serif") + Hex("01080000ff0800000000"));
    EXPECT_EQ(Int32At(bytes, kCaption), 0);
    EXPECT_EQ(Slice(bytes, kMargins, 16), Hex("320000000a0000000a00000014000000"));
    EXPECT_TRUE(SameBits(ExtAt(bytes, kZoomNormal), 1.1L));
    EXPECT_EQ(Slice(bytes, kColors, 8), Hex("050000ff050000ff")); // Outside, Inside: clWindow
    EXPECT_EQ(Int32At(bytes, kColors + 4 * 13), clWindow);        // GraphDefault
    EXPECT_EQ(Slice(bytes, kPalette, 8), Hex("ffff0000ff00ff00"));
    EXPECT_EQ(Slice(bytes, kToolMode, 6), Hex("000000080202"));
    EXPECT_EQ(Slice(bytes, kLegendRect, 16), Hex("00000000000000006400000064000000"));
    EXPECT_EQ(Int32At(bytes, kLegendFont), 20);
    EXPECT_EQ(Slice(bytes, kFlags, 14), Hex("0100010101000100010100010101"));
    // Export scales, dividers, group count, legend offsets, width, border, height, columns, then the
    // axis, grid and sub-grid styles and widths.
    const int32_t ints[17] = {5, 4, 1, 1, 9, 0, 0, 100, 1, 100, 1, 1, 0, 2, 0, 2, 0};
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(Int32At(bytes, kInts + 4 * i), ints[i]) << i;
    EXPECT_TRUE(SameBits(ExtAt(bytes, kAxisScale), 1.0L));
    EXPECT_EQ(Slice(bytes, kSingle, 4), Hex("00000000"));
    EXPECT_EQ(Slice(bytes, kTopCaption, 12), Hex("000000000000000000000000")); // captions, no graphs
}

TEST_F(FigureStreamTest, SaveAndLoadKeepEveryStoredField) {
    Customise(window);
    // A graph read back has its caches marked stale; so must the saved ones for equal bytes.
    for (int i = 0; i < window.GraphCount(); ++i)
        window.GraphByIndex(i)->Cache.Invalidate();
    const QByteArray saved = StreamOf(window);

    TSuperGrWindow other;
    other.Colors.Set(TColorStruct::LegendBackgrnd, 0x00112233);
    other.SetTopCaption({QStringLiteral("старая")});
    ASSERT_TRUE(TFigureStream::Load(other, saved));
    EXPECT_EQ(FirstDifference(StreamOf(other), saved), -1);

    EXPECT_EQ(other.GraphCount(), 3);
    EXPECT_EQ(other.TopGraphIndex(), 1);
    EXPECT_EQ(other.ToolMode(), tmEdit);
    EXPECT_EQ(other.ZoomMode(), zmZoomXStart);
    EXPECT_EQ(other.EditMode(), emInsert);
    EXPECT_EQ(other.StoredToolMode, tmEdit);
    EXPECT_EQ(other.StoredZoomMode, zmZoomXStart);
    EXPECT_EQ(other.StoredEditMode, emInsert);
    EXPECT_TRUE(other.DrawPolicy.SinglePosX());
    EXPECT_FALSE(other.DrawPolicy.SinglePosY());
    EXPECT_EQ(other.SymbolFont().Name, QStringLiteral("Несуществующий шрифт")); // as requested
    EXPECT_EQ(other.SymbolFont().Charset, 204);
    EXPECT_EQ(other.LegendFont().Name, QStringLiteral("Courier New"));
    EXPECT_EQ(other.Caption, QStringLiteral("C:\\рисунки\\опыт.tvq"));
    EXPECT_EQ(other.TopCaption(), QStringList({QStringLiteral("Первая строка"), QStringLiteral("вторая")}));
    EXPECT_TRUE(SameBits(other.InitialScaleX, 1.0L / 3));
    EXPECT_TRUE(SameBits(other.ZoomSpeed.ZoomNormal(), 1.0L / 7));
    EXPECT_FALSE(other.ScaledLineStyles);
    EXPECT_FALSE(other.ShowToolLines);
    EXPECT_EQ(other.LegendWidth, 77);
    EXPECT_EQ(other.LegendHeight, 33);
    // The legend colours are not part of the figure.
    EXPECT_EQ(other.Colors.Get(TColorStruct::LegendBackgrnd), 0x00112233);
    // Loading records nothing and leaves the figure unmodified.
    EXPECT_FALSE(other.HaveUndo());
    EXPECT_FALSE(other.Modified());
    EXPECT_TRUE(other.UndoRecording);
}

TEST_F(FigureStreamTest, EmptyCaptionsAndCaptionReadBackEmpty) {
    TSuperGrWindow other;
    other.SetTopCaption({QStringLiteral("a")});
    other.SetBottomCaption({QStringLiteral("b"), QStringLiteral("c")});
    other.Caption = QStringLiteral("old");
    ASSERT_TRUE(TFigureStream::Load(other, StreamOf(window)));
    EXPECT_TRUE(other.TopCaption().isEmpty());
    EXPECT_TRUE(other.BottomCaption().isEmpty());
    EXPECT_TRUE(other.Caption.isEmpty());
}

TEST_F(FigureStreamTest, StreamOperationsRaiseTheirEventsAndClearModified) {
    AddGraphs(window, 2);
    ASSERT_TRUE(window.Modified());
    QStringList events;
    window.Events.OnBeforeSaveFigure = [&](TComponent*) { events << QStringLiteral("before save"); };
    window.Events.OnAfterSaveFigure = [&](TComponent*) { events << QStringLiteral("after save"); };
    window.Events.OnBeforeLoadFigure = [&](TComponent*) { events << QStringLiteral("before load"); };
    window.Events.OnAfterLoadFigure = [&](TComponent*) { events << QStringLiteral("after load"); };
    const TEventConnection listening =
        window.Events.OnGraphsListChanged.Listen([&](TComponent*, const QStringList& names) {
            events << QStringLiteral("list %1").arg(names.join(QLatin1Char(',')));
        });
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(window.SaveToStream(buffer));
    EXPECT_FALSE(window.Modified());
    buffer.close();

    events.clear();
    buffer.open(QIODevice::ReadOnly);
    QString error;
    ASSERT_TRUE(window.LoadFromStream(buffer, &error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(events.mid(events.size() - 3),
              QStringList({QStringLiteral("before load"), QStringLiteral("list g0,g1"),
                           QStringLiteral("after load")}));

    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_FALSE(window.SaveToStream(readOnly));
}

TEST_F(FigureStreamTest, DamagedStreamLeavesTheFigureAlone) {
    AddGraphs(window, 2);
    window.GraphByIndex(0)->SetColor(0x0000FF);
    window.Caption = QStringLiteral("figure.tvq");
    const qsizetype history = window.UndoSide.Ops.size();
    const QByteArray before = StreamOf(window);

    TSuperGrWindow source;
    AddGraphs(source, 1);
    const QByteArray good = StreamOf(source);
    QList<QByteArray> damaged;
    for (qsizetype n : {qsizetype(0), qsizetype(1), kGraphCount, kGraphCount + 4, good.size() - 1})
        damaged << good.left(n);
    QByteArray hugeCount = good.left(kGraphCount + 4);
    PutInt32(hugeCount, kGraphCount, 0x7FFFFFFF);
    damaged << hugeCount;
    QByteArray hugeText = good;
    PutInt32(hugeText, kCaption, 0x7FFFFFFF);
    damaged << hugeText;
    QByteArray negativeCount = good;
    PutInt32(negativeCount, kGraphCount, -1);
    damaged << negativeCount;
    QByteArray twins =
        good.left(kGraphCount) + Hex("02000000") + good.mid(kGraphCount + 4) + good.mid(kGraphCount + 4);
    damaged << twins; // two graphs with one ID

    for (const QByteArray& bytes : damaged) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        QString error;
        EXPECT_FALSE(window.LoadFromStream(buffer, &error)) << bytes.size();
        EXPECT_EQ(error, QStringLiteral("Файл не является рисунком Tarvelo."));
        EXPECT_EQ(StreamOf(window), before);
        EXPECT_EQ(window.UndoSide.Ops.size(), history);
        EXPECT_TRUE(window.Modified());
        EXPECT_EQ(window.Caption, QStringLiteral("figure.tvq"));
    }
}

TEST_F(FigureStreamTest, RefusedWindowValuesKeepTheWindowsOwn) {
    QByteArray bytes = StreamOf(window);
    PutInt32(bytes, kAnimationTime, 5000);
    bytes[kAllowRepaint] = 0;
    PutInt32(bytes, kGridSizeX, -1);
    PutInt32(bytes, kGridSizeX + 4, -50);
    PutExt(bytes, kInitialScaleX, 0);
    PutExt(bytes, kZoomNormal, std::numeric_limits<Extended>::infinity());
    bytes[kToolMode] = 4;
    bytes[kToolMode + 1] = 7;
    bytes[kToolMode + 2] = static_cast<char>(200);
    bytes[kLegendPosition] = 9;
    bytes[kLegendPosition + 1] = 3;
    bytes[kLegendDragging] = 1;
    PutInt32(bytes, kSubGridDividerX, 0);
    PutInt32(bytes, kLegendBorderWidth, 0);
    PutInt32(bytes, kLegendColumns, 0);
    PutInt32(bytes, kInts, 0); // EmfExportScale
    PutExt(bytes, kAxisScale, std::numeric_limits<Extended>::quiet_NaN());
    PutExt(bytes, kAxisScale + 10, 1e-9L);      // GridScale: raised to the least scale
    PutInt32(bytes, kAxisFont + 4 + 20 + 5, 0); // a font without size

    TSuperGrWindow other;
    ASSERT_TRUE(TFigureStream::Load(other, bytes));
    EXPECT_EQ(other.AnimationTime(), 800u);
    EXPECT_TRUE(other.AllowRepaint);
    EXPECT_EQ(other.GridSizeX(), 50);
    EXPECT_EQ(other.GridSizeY(), 50);
    EXPECT_EQ(other.InitialScaleX, 0.97L);
    EXPECT_EQ(other.ZoomSpeed.ZoomNormal(), 1.1L);
    EXPECT_EQ(other.ToolMode(), tmNothing);
    EXPECT_EQ(other.ZoomMode(), zmNone);
    EXPECT_EQ(other.EditMode(), emNothing);
    EXPECT_EQ(other.LegendPosition(), 8);
    EXPECT_EQ(other.TopCaptionAlign(), taCenter);
    EXPECT_EQ(other.SubGridDividerX(), 1);
    EXPECT_EQ(other.LegendBorderWidth(), 1);
    EXPECT_EQ(other.LegendColumns(), 1);
    EXPECT_EQ(other.EmfExportScale, 5);
    EXPECT_EQ(other.AxisScale(), 1);
    EXPECT_EQ(other.GridScale(), 0.001L);
    EXPECT_EQ(other.AxisFont().Size, 8);
    // A legend drag is never under way in a figure just opened.
    EXPECT_EQ(StreamOf(other)[kLegendDragging], 0);
    EXPECT_EQ(Int32At(bytes, kGroupCount), 9);
}
