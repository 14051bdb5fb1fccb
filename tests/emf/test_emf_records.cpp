#include "EmfTestUtil.h"

#include "model/DrawAdapter.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainterPath>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace emf;
using emftest::IndexOf;
using emftest::Of;
using emftest::Record;

namespace {
QList<QPoint> Pts(std::initializer_list<QPoint> points) {
    return QList<QPoint>(points);
}

// The drawing set exactly one pixel, this one.
void ExpectOnePixel(const TEmfReader& reader, QPoint point, quint32 color) {
    const auto pixels = Of(reader, EMR_SETPIXELV);
    ASSERT_EQ(pixels.size(), 1);
    EXPECT_EQ(reader.Pixel(pixels[0])->Point, point);
    EXPECT_EQ(reader.Pixel(pixels[0])->Color, color);
}

// The one polyline of a drawing that has exactly one.
QList<QPoint> OnlyPolyline(const TEmfReader& reader) {
    const auto lines = Of(reader, EMR_POLYLINE16);
    EXPECT_EQ(lines.size(), 1);
    if (lines.size() != 1) return {};
    return reader.Points(lines.first()).value_or(QList<QPoint>());
}

// The pen selected when the record at index is drawn.
std::optional<TPen> PenAt(const TEmfReader& reader, int index) {
    const auto& records = reader.Records();
    for (int i = index; i >= 0; --i) {
        if (records[i].Type != EMR_SELECTOBJECT) continue;
        const quint32 handle = reader.U32(records[i], 8).value_or(0);
        if (handle & 0x80000000) {
            if (handle == NULL_PEN || handle == BLACK_PEN) return TPen{handle, 0, 0, 0, {}};
            continue; // a stock brush or font
        }
        for (int j = i; j >= 0; --j)
            if (records[j].Type == EMR_EXTCREATEPEN && reader.U32(records[j], 8) == handle)
                return reader.Pen(records[j]);
    }
    return std::nullopt;
}
} // namespace

TEST(EmfHeader, EmptyPictureHasConsistentHeaderAndEnd) {
    TEmfPaintDevice device(QSize(400, 300), 96);
    const QByteArray bytes = device.Bytes();
    const TEmfReader reader(bytes);
    ASSERT_TRUE(reader.IsValid()) << reader.Error().toStdString();
    const auto header = reader.Header();
    ASSERT_TRUE(header);
    EXPECT_EQ(header->Signature, kSignature);
    EXPECT_EQ(header->Version, 0x00010000u);
    EXPECT_EQ(header->Bytes, quint32(bytes.size()));
    EXPECT_EQ(header->Records, quint32(reader.Records().size()));
    EXPECT_EQ(header->Records, 2u);
    EXPECT_EQ(header->Bounds, (TRectL{0, 0, 399, 299}));
    // 400 px at 96 dpi = 105.833 mm.
    EXPECT_EQ(header->Frame, (TRectL{0, 0, 10583 - 1, 7938 - 1}));
    EXPECT_EQ(header->Description, QStringLiteral("Tarvelo") + QChar(0) + QChar(0));
    EXPECT_EQ(header->Device, QSize(960, 960));
    EXPECT_EQ(header->Millimeters, QSize(254, 254));
    EXPECT_EQ(header->Micrometers, QSize(254000, 254000));
    EXPECT_GE(header->Handles, 1);
    EXPECT_EQ(reader.Records().last().Type, EMR_EOF);
    EXPECT_EQ(reader.Records().last().Size, 20u);
}

TEST(EmfHeader, FrameFollowsResolutionAndRecordCountFollowsDrawing) {
    TEmfPaintDevice device(QSize(300, 150), 150);
    EXPECT_EQ(device.logicalDpiX(), 150);
    EXPECT_EQ(device.width(), 300);
    {
        QPainter painter(&device);
        TDrawAdapter dc(painter);
        dc.Line(0, 0, 10, 10);
    }
    const QByteArray bytes = device.Bytes();
    const TEmfReader reader(bytes);
    ASSERT_TRUE(reader.IsValid());
    const auto header = reader.Header();
    // 300 px at 150 dpi = 2 inches = 50.8 mm.
    EXPECT_EQ(header->Frame, (TRectL{0, 0, 5079, 2539}));
    EXPECT_EQ(header->Device, QSize(1500, 1500));
    EXPECT_EQ(header->Records, quint32(reader.Records().size()));
    EXPECT_EQ(header->Bytes, quint32(bytes.size()));
    // The drawing is wrapped in a saved and restored state; its objects are deleted after it.
    const auto& records = reader.Records();
    EXPECT_EQ(records[1].Type, EMR_SAVEDC);
    int last = records.size() - 2;
    while (last > 0 && records[last].Type == EMR_DELETEOBJECT)
        --last;
    EXPECT_EQ(records[last].Type, EMR_RESTOREDC);
    EXPECT_EQ(records.size() - 2 - last, 1); // the one pen
}

TEST(EmfHeader, DegenerateSizeAndResolutionFallBackToSaneValues) {
    TEmfPaintDevice device(QSize(0, -5), 0);
    EXPECT_EQ(device.Size(), QSize(1, 1));
    EXPECT_EQ(device.DotsPerInch(), 96);
    const TEmfReader reader(device.Bytes());
    ASSERT_TRUE(reader.IsValid());
    EXPECT_EQ(reader.Header()->Bounds, (TRectL{0, 0, 0, 0}));
    EXPECT_EQ(TEmfPaintDevice(QSize(960, 96), 96).widthMM(), 254);
}

TEST(EmfHeader, SeveralPaintsAddUpInOneMetafile) {
    TEmfPaintDevice device(QSize(100, 100));
    for (int i = 0; i < 2; ++i) {
        QPainter painter(&device);
        TDrawAdapter dc(painter);
        dc.SetSolidPen(TColor(0xFF << (8 * i)), 1);
        dc.Line(0, i, 10, i);
    }
    const QByteArray bytes = device.Bytes();
    const TEmfReader reader(bytes);
    ASSERT_TRUE(reader.IsValid());
    EXPECT_EQ(reader.Header()->Records, quint32(reader.Records().size()));
    EXPECT_EQ(reader.Header()->Bytes, quint32(bytes.size()));
    const auto lines = Of(reader, EMR_POLYLINE16);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(reader.Points(lines[1]), Pts({{0, 1}, {10, 1}}));
    EXPECT_EQ(PenAt(reader, reader.Records().indexOf(lines[1]))->Color, 0x00FF00u);
    EXPECT_EQ(Of(reader, EMR_SAVEDC).size(), 2);
    EXPECT_EQ(Of(reader, EMR_RESTOREDC).size(), 2);
}

TEST(EmfLines, OnePixelLinesKeepTheirEndPointsAsOnScreen) {
    struct Case {
        QPoint From, To;
    };
    // Horizontal, vertical upwards, diagonal with a fractional shortened end, and one step.
    for (const Case c : {Case{{10, 10}, {50, 10}}, Case{{20, 40}, {20, 5}}, Case{{0, 0}, {50, 25}},
                         Case{{7, 3}, {-30, 60}}, Case{{5, 5}, {6, 5}}}) {
        const TEmfReader reader(Record([&](QPainter& p) {
            TDrawAdapter dc(p);
            dc.SetSolidPen(0x0000FF, 1);
            dc.Line(c.From.x(), c.From.y(), c.To.x(), c.To.y());
        }));
        ASSERT_TRUE(reader.IsValid());
        EXPECT_EQ(OnlyPolyline(reader), Pts({c.From, c.To})) << c.To.x() << "," << c.To.y();
    }
}

TEST(EmfLines, PolylineThroughPointsAndItsPen) {
    const TEmfReader reader(Record([](QPainter& p) {
        TDrawAdapter dc(p);
        dc.SetSolidPen(0x00FF00, 1);
        const TPoint points[] = {{1, 1}, {30, 1}, {30, 40}, {60, 45}};
        dc.Polyline(points, 4);
    }));
    EXPECT_EQ(OnlyPolyline(reader), Pts({{1, 1}, {30, 1}, {30, 40}, {60, 45}}));
    const auto pen = PenAt(reader, IndexOf(reader, EMR_POLYLINE16));
    ASSERT_TRUE(pen);
    EXPECT_EQ(pen->Style, PS_COSMETIC | PS_SOLID);
    EXPECT_EQ(pen->Width, 1u);
    EXPECT_EQ(pen->Color, 0x00FF00u); // COLORREF 00BBGGRR, as the figure's colours
}

TEST(EmfLines, WidePatternPenHasUserStyleInPixelsAndRoundEnds) {
    const TEmfReader reader(Record([](QPainter& p) {
        TDrawAdapter dc(p);
        dc.SetPatternPen(0x123456, 3, {12, 6, 4, 6});
        dc.Line(10, 20, 90, 20);
    }));
    EXPECT_EQ(OnlyPolyline(reader), Pts({{10, 20}, {90, 20}})); // wide lines keep their given end
    const auto pen = PenAt(reader, IndexOf(reader, EMR_POLYLINE16));
    ASSERT_TRUE(pen);
    EXPECT_EQ(pen->Style, PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_ROUND | PS_JOIN_ROUND);
    EXPECT_EQ(pen->Width, 3u);
    EXPECT_EQ(pen->Color, 0x123456u);
    EXPECT_EQ(pen->StyleEntries, (QList<quint32>{12, 6, 4, 6}));
}

TEST(EmfLines, CosmeticStylesBecomeTheClassicStyles) {
    const quint32 expected[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT};
    for (int style = TDrawAdapter::psSolid; style <= TDrawAdapter::psDashDotDot; ++style) {
        const TEmfReader reader(Record([&](QPainter& p) {
            TDrawAdapter dc(p);
            dc.SetCosmeticPen(0, style);
            dc.Line(0, 5, 100, 5);
        }));
        const auto pen = PenAt(reader, IndexOf(reader, EMR_POLYLINE16));
        ASSERT_TRUE(pen) << style;
        EXPECT_EQ(pen->Style, PS_COSMETIC | expected[style]) << style;
        EXPECT_EQ(pen->Width, 1u);
        EXPECT_TRUE(pen->StyleEntries.isEmpty());
    }
    // Other one-pixel patterns are user styles in pixels with flat ends, so the dashes keep their
    // length; the line still leaves out its end point.
    const TEmfReader custom(Record([](QPainter& p) {
        TDrawAdapter dc(p);
        dc.SetPatternPen(0x0000FF, 1, {5, 3});
        dc.Line(0, 5, 100, 5);
    }));
    EXPECT_EQ(OnlyPolyline(custom), Pts({{0, 5}, {100, 5}}));
    const auto pen = PenAt(custom, IndexOf(custom, EMR_POLYLINE16));
    ASSERT_TRUE(pen);
    EXPECT_EQ(pen->Style, PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT | PS_JOIN_MITER);
    EXPECT_EQ(pen->Width, 1u);
    EXPECT_EQ(pen->StyleEntries, (QList<quint32>{5, 3}));
    // A clear pen draws nothing.
    const TEmfReader clear(Record([](QPainter& p) {
        TDrawAdapter dc(p);
        dc.SetCosmeticPen(0, TDrawAdapter::psClear);
        dc.Line(0, 5, 100, 5);
    }));
    EXPECT_TRUE(Of(clear, EMR_POLYLINE16).isEmpty());
}

TEST(EmfLines, DashesAsSegmentsAreSolidPiecesOfTheLine) {
    auto segments = [](const std::function<void(TDrawAdapter&)>& draw) {
        TEmfPaintDevice device(QSize(200, 100));
        device.SetDashesAsSegments(true);
        EXPECT_TRUE(device.DashesAsSegments());
        {
            QPainter painter(&device);
            TDrawAdapter dc(painter);
            draw(dc);
        }
        return device.Bytes();
    };
    using Lists = QList<QList<QPoint>>;
    // One pixel wide: dashes of 5 and gaps of 3, the last one cut by the line's end.
    const TEmfReader thin(segments([](TDrawAdapter& dc) {
        dc.SetPatternPen(0, 1, {5, 3});
        dc.Line(0, 5, 100, 5);
    }));
    const auto thinRecords = Of(thin, EMR_POLYPOLYLINE16);
    ASSERT_EQ(thinRecords.size(), 1);
    const Lists thinDashes = *thin.PointLists(thinRecords[0]);
    ASSERT_EQ(thinDashes.size(), 13);
    EXPECT_EQ(thinDashes[0], Pts({{0, 5}, {5, 5}}));
    EXPECT_EQ(thinDashes[1], Pts({{8, 5}, {13, 5}}));
    EXPECT_EQ(thinDashes[12], Pts({{96, 5}, {100, 5}}));
    const auto thinPen = PenAt(thin, thin.Records().indexOf(thinRecords[0]));
    EXPECT_EQ(thinPen->Style, PS_COSMETIC | PS_SOLID);

    // Wide: the pattern in pixels, round ends on every dash as with the styled pen.
    const TEmfReader wide(segments([](TDrawAdapter& dc) {
        dc.SetPatternPen(0xFF, 3, {12, 6});
        dc.Line(10, 20, 90, 20);
    }));
    const auto wideRecords = Of(wide, EMR_POLYPOLYLINE16);
    ASSERT_EQ(wideRecords.size(), 1);
    EXPECT_EQ(*wide.PointLists(wideRecords[0]), (Lists{{{10, 20}, {22, 20}},
                                                       {{28, 20}, {40, 20}},
                                                       {{46, 20}, {58, 20}},
                                                       {{64, 20}, {76, 20}},
                                                       {{82, 20}, {90, 20}}}));
    const auto widePen = PenAt(wide, wide.Records().indexOf(wideRecords[0]));
    EXPECT_EQ(widePen->Style, PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND);
    EXPECT_EQ(widePen->Width, 3u);

    // A corner inside a dash stays in it; one-pixel lengths count steps.
    const TEmfReader corner(segments([](TDrawAdapter& dc) {
        dc.SetPatternPen(0, 1, {10, 5});
        const TPoint points[] = {{0, 0}, {6, 0}, {6, 20}};
        dc.Polyline(points, 3);
    }));
    const auto cornerRecords = Of(corner, EMR_POLYPOLYLINE16);
    ASSERT_EQ(cornerRecords.size(), 1);
    EXPECT_EQ(*corner.PointLists(cornerRecords[0]), (Lists{{{0, 0}, {6, 0}, {6, 4}}, {{6, 9}, {6, 19}}}));

    // The classic styles stay pens.
    const TEmfReader classic(segments([](TDrawAdapter& dc) {
        dc.SetCosmeticPen(0, TDrawAdapter::psDash);
        dc.Line(0, 5, 100, 5);
    }));
    EXPECT_EQ(OnlyPolyline(classic), Pts({{0, 5}, {100, 5}}));
    EXPECT_EQ(PenAt(classic, IndexOf(classic, EMR_POLYLINE16))->Style, PS_COSMETIC | PS_DASH);

    // A line reaching far beyond the picture keeps its styled pen.
    const TEmfReader far(segments([](TDrawAdapter& dc) {
        dc.SetPatternPen(0, 2, {2, 2});
        dc.Line(0, 0, 1000000000, 0);
    }));
    EXPECT_EQ(Of(far, EMR_POLYPOLYLINE).size() + Of(far, EMR_POLYPOLYLINE16).size(), 0);
    EXPECT_EQ(PenAt(far, IndexOf(far, EMR_POLYLINE))->StyleEntries, (QList<quint32>{2, 2}));
}

TEST(EmfLines, ManyLinesInOneRecordAndTranslationApplied) {
    const TEmfReader reader(Record([](QPainter& p) {
        p.translate(100, 50);
        const QLineF lines[] = {QLineF(0, 0, 10, 0), QLineF(0, 5, 0, 20)};
        p.setPen(QPen(Qt::black, 2));
        p.drawLines(lines, 2);
    }));
    const auto records = Of(reader, EMR_POLYPOLYLINE16);
    ASSERT_EQ(records.size(), 1);
    const auto lists = reader.PointLists(records.first());
    ASSERT_TRUE(lists);
    EXPECT_EQ(*lists, (QList<QList<QPoint>>{{{100, 50}, {110, 50}}, {{100, 55}, {100, 70}}}));
}

TEST(EmfLines, CoordinatesBeyondSixteenBitsUseTheWideRecord) {
    const TEmfReader reader(Record([](QPainter& p) {
        TDrawAdapter dc(p);
        dc.SetSolidPen(0, 2);
        dc.Line(-5, 0, 40000, 0);
    }));
    EXPECT_TRUE(Of(reader, EMR_POLYLINE16).isEmpty());
    const auto wide = Of(reader, EMR_POLYLINE);
    ASSERT_EQ(wide.size(), 1);
    EXPECT_EQ(reader.Points(wide.first()), Pts({{-5, 0}, {40000, 0}}));
}

TEST(EmfShapes, RectanglesAndEllipsesKeepTheClassicBox) {
    const TEmfReader reader(Record([](QPainter& p) {
        TDrawAdapter dc(p);
        dc.SetSolidPen(0x0000FF, 1);
        dc.SetBrush(0x00FF00);
        dc.Rectangle(10, 20, 60, 50);
        dc.Ellipse(70, 10, 100, 30);
        dc.SetNullPen();
        dc.Rectangle(110, 20, 130, 40);
        dc.FillRect({5, 60, 15, 80}, 0xFF0000);
    }));
    const auto rects = Of(reader, EMR_RECTANGLE);
    ASSERT_EQ(rects.size(), 3);
    EXPECT_EQ(reader.Box(rects[0]), (TRectL{10, 20, 60, 50}));
    // Without an outline the classic rectangle fills one pixel less, as the adapter does.
    EXPECT_EQ(reader.Box(rects[1]), (TRectL{110, 20, 130, 40}));
    // A fill of [5, 15) is a box up to 16 drawn without a pen.
    EXPECT_EQ(reader.Box(rects[2]), (TRectL{5, 60, 16, 81}));
    const auto ellipses = Of(reader, EMR_ELLIPSE);
    ASSERT_EQ(ellipses.size(), 1);
    EXPECT_EQ(reader.Box(ellipses[0]), (TRectL{70, 10, 100, 30}));

    const auto brushes = Of(reader, EMR_CREATEBRUSHINDIRECT);
    ASSERT_EQ(brushes.size(), 2);
    EXPECT_EQ(reader.Brush(brushes[0])->Color, 0x00FF00u);
    EXPECT_EQ(reader.Brush(brushes[0])->Style, BS_SOLID);
    EXPECT_EQ(reader.Brush(brushes[1])->Color, 0xFF0000u);
    EXPECT_EQ(PenAt(reader, reader.Records().indexOf(rects[1]))->Handle, NULL_PEN);
}

TEST(EmfShapes, PixelsRoundedRectanglesAndPolygons) {
    const TEmfReader reader(Record([](QPainter& p) {
        TDrawAdapter dc(p);
        dc.SetPixel(3, 4, 0x00AABB);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRect(10, 10, 80, 40), 5, 5);
        dc.SetSolidPen(0, 1);
        dc.SetBrush(0x808080);
        const TPoint triangle[] = {{0, 0}, {20, 0}, {10, 15}};
        dc.Polygon(triangle, 3);
    }));
    ExpectOnePixel(reader, QPoint(3, 4), 0x00AABBu);
    const auto round = Of(reader, EMR_ROUNDRECT);
    ASSERT_EQ(round.size(), 1);
    EXPECT_EQ(reader.Box(round[0]), (TRectL{10, 10, 91, 51}));
    EXPECT_EQ(reader.Corner(round[0]), QSize(10, 10));
    const auto polygons = Of(reader, EMR_POLYGON16);
    ASSERT_EQ(polygons.size(), 1);
    EXPECT_EQ(reader.Points(polygons[0]), Pts({{0, 0}, {20, 0}, {10, 15}}));
}

TEST(EmfShapes, PointsArePixelsOrDotsOfThePenWidth) {
    const auto draw = [](QPainter& p) {
        p.setPen(QPen(QColor(0, 0, 255), 1));
        p.drawPoint(5, 6);
        p.setPen(QPen(QColor(255, 0, 0), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawPoint(20, 20);
        p.setPen(QPen(QColor(255, 0, 0), 4, Qt::SolidLine, Qt::SquareCap));
        p.drawPoint(40, 20);
    };
    const TEmfReader reader(Record(draw));
    // The square dot covers the same pixels as on the screen.
    QImage screen(60, 30, QImage::Format_RGB32);
    screen.fill(Qt::white);
    {
        QPainter p(&screen);
        draw(p);
    }
    QList<int> red;
    for (int x = 30; x < 60; ++x)
        if (screen.pixel(x, 20) == qRgb(255, 0, 0)) red.append(x);
    EXPECT_EQ(red, (QList<int>{38, 39, 40, 41}));
    ExpectOnePixel(reader, QPoint(5, 6), 0xFF0000u);
    // Five pixels 18..22 and four pixels 38..41, filled without an outline (the screen's round dot
    // of five is a pixel narrower, as its circle is centred on a pixel corner).
    const auto dots = Of(reader, EMR_ELLIPSE);
    ASSERT_EQ(dots.size(), 1);
    EXPECT_EQ(reader.Box(dots[0]), (TRectL{18, 18, 24, 24}));
    const auto squares = Of(reader, EMR_RECTANGLE);
    ASSERT_EQ(squares.size(), 1);
    EXPECT_EQ(reader.Box(squares[0]), (TRectL{38, 18, 43, 23}));
    EXPECT_EQ(PenAt(reader, reader.Records().indexOf(dots[0]))->Handle, NULL_PEN);
    EXPECT_EQ(reader.Brush(Of(reader, EMR_CREATEBRUSHINDIRECT).value(0))->Color, 0x0000FFu);
}

TEST(EmfShapes, PathsBecomePolygonsAndPolylines) {
    const TEmfReader reader(Record([](QPainter& p) {
        QPainterPath twoSquares;
        twoSquares.addRect(0, 0, 10, 10);
        twoSquares.addRect(20, 0, 10, 10);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::red);
        p.drawPath(twoSquares);
        QPainterPath open;
        open.moveTo(0, 50);
        open.lineTo(40, 50);
        open.lineTo(40, 80);
        p.setPen(QPen(Qt::blue, 3));
        p.setBrush(Qt::NoBrush);
        p.drawPath(open);
    }));
    const auto fills = Of(reader, EMR_POLYPOLYGON16);
    ASSERT_EQ(fills.size(), 1);
    const auto lists = reader.PointLists(fills[0]);
    ASSERT_TRUE(lists);
    EXPECT_EQ(*lists, (QList<QList<QPoint>>{{{0, 0}, {10, 0}, {10, 10}, {0, 10}},
                                            {{20, 0}, {30, 0}, {30, 10}, {20, 10}}}));
    const auto lines = Of(reader, EMR_POLYLINE16);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(reader.Points(lines[0]), Pts({{0, 50}, {40, 50}, {40, 80}}));
}

TEST(EmfText, UnicodeTextWithFontColourAndAdvances) {
    const QString text = QStringLiteral("Привет, мир");
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    font.setBold(true);
    int ascent = 0, width = 0;
    const TEmfReader reader(Record([&](QPainter& p) {
        TDrawAdapter dc(p);
        dc.SetFont(font);
        dc.SetTextColor(0x0000C0);
        dc.TextOut(10, 20, text);
        const QFontMetrics metrics(font, p.device());
        ascent = metrics.ascent();
        width = metrics.horizontalAdvance(text);
    }));
    const auto texts = Of(reader, EMR_EXTTEXTOUTW);
    ASSERT_EQ(texts.size(), 1);
    const auto out = reader.Text(texts[0]);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->Text, text);
    EXPECT_EQ(out->Reference, QPoint(10, 20 + ascent)); // the baseline, as the text align says
    ASSERT_EQ(out->Dx.size(), text.size());
    int sum = 0;
    for (int dx : out->Dx)
        sum += dx;
    EXPECT_NEAR(sum, width, 1);

    const auto fonts = Of(reader, EMR_EXTCREATEFONTINDIRECTW);
    ASSERT_EQ(fonts.size(), 1);
    const auto f = reader.Font(fonts[0]);
    EXPECT_EQ(f->Height, -12);
    EXPECT_EQ(f->Weight, 700);
    EXPECT_FALSE(f->Italic);
    EXPECT_EQ(f->Escapement, 0);
    EXPECT_EQ(f->FaceName, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(fonts[0].Size, 332u); // LogFontPanose

    const auto colors = Of(reader, EMR_SETTEXTCOLOR);
    ASSERT_EQ(colors.size(), 1);
    EXPECT_EQ(reader.U32(colors[0], 8), 0x0000C0u);
    const auto align = Of(reader, EMR_SETTEXTALIGN);
    ASSERT_EQ(align.size(), 1);
    EXPECT_EQ(reader.U32(align[0], 8), TA_BASELINE);
    // The text is drawn with the font selected.
    EXPECT_LT(IndexOf(reader, EMR_EXTCREATEFONTINDIRECTW), IndexOf(reader, EMR_EXTTEXTOUTW));
}

TEST(EmfText, UpwardTextHasEscapementAndRotatedReference) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    font.setItalic(true);
    int ascent = 0;
    const TEmfReader reader(Record([&](QPainter& p) {
        TDrawAdapter dc(p);
        dc.SetFont(font);
        dc.TextOutUp(30, 90, QStringLiteral("1.5"));
        ascent = QFontMetrics(font, p.device()).ascent();
    }));
    const auto out = reader.Text(Of(reader, EMR_EXTTEXTOUTW).value(0));
    ASSERT_TRUE(out);
    EXPECT_EQ(out->Reference, QPoint(30 + ascent, 90));
    const auto f = reader.Font(Of(reader, EMR_EXTCREATEFONTINDIRECTW).value(0));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Escapement, 900);
    EXPECT_EQ(f->Orientation, 900);
    EXPECT_EQ(f->Height, -20);
    EXPECT_TRUE(f->Italic);
}

TEST(EmfText, OpaqueTextFillsItsCellFirstAndFontsAreShared) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    const TEmfReader reader(Record([&](QPainter& p) {
        TDrawAdapter dc(p);
        dc.SetFont(font);
        dc.SetTextBackground(true, 0x00FFFF);
        dc.TextOut(0, 0, QStringLiteral("a"));
        dc.TextOut(0, 20, QStringLiteral("b"));
    }));
    const int fill = IndexOf(reader, EMR_RECTANGLE);
    ASSERT_GE(fill, 0);
    EXPECT_LT(fill, IndexOf(reader, EMR_EXTTEXTOUTW));
    EXPECT_EQ(Of(reader, EMR_EXTTEXTOUTW).size(), 2);
    EXPECT_EQ(Of(reader, EMR_EXTCREATEFONTINDIRECTW).size(), 1);
}

TEST(EmfText, UnderlineAndStrikeOutAreTheLinesThePainterDraws) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    font.setUnderline(true);
    font.setStrikeOut(true);
    const TEmfReader reader(Record([&](QPainter& p) {
        p.setFont(font);
        p.drawText(10, 50, QStringLiteral("abc"));
    }));
    const auto f = reader.Font(Of(reader, EMR_EXTCREATEFONTINDIRECTW).value(0));
    ASSERT_TRUE(f);
    EXPECT_FALSE(f->Underline); // drawn once, not by the font and the painter both
    EXPECT_FALSE(f->StrikeOut);
    const auto lines = Of(reader, EMR_POLYLINE16);
    ASSERT_EQ(lines.size(), 2);
    for (const TRecord& line : lines) {
        const QList<QPoint> points = *reader.Points(line);
        EXPECT_EQ(points.first().y(), points.last().y());
        EXPECT_EQ(points.first().x(), 10);
    }
}

TEST(EmfState, ClipIsSetInsideASavedStateAndDroppedByRestoring) {
    const TEmfReader reader(Record([](QPainter& p) {
        TDrawAdapter dc(p);
        dc.Save();
        dc.IntersectClip({10, 10, 50, 40});
        dc.Line(0, 20, 100, 20);
        dc.Restore();
        dc.Line(0, 30, 100, 30);
    }));
    const int clip = IndexOf(reader, EMR_INTERSECTCLIPRECT);
    ASSERT_GE(clip, 2);
    EXPECT_EQ(reader.Box(reader.Records()[clip]), (TRectL{10, 10, 50, 40}));
    EXPECT_EQ(reader.Records()[clip - 1].Type, EMR_SAVEDC);
    const int first = IndexOf(reader, EMR_POLYLINE16, clip);
    const int restore = IndexOf(reader, EMR_RESTOREDC, clip);
    const int second = IndexOf(reader, EMR_POLYLINE16, first + 1);
    EXPECT_LT(first, restore);
    EXPECT_LT(restore, second);
    EXPECT_EQ(Of(reader, EMR_SAVEDC).size(), Of(reader, EMR_RESTOREDC).size());
}

TEST(EmfState, ComplexClipIsARegion) {
    const TEmfReader reader(Record([](QPainter& p) {
        p.setClipRegion(QRegion(0, 0, 10, 10) + QRegion(20, 20, 10, 10));
        p.fillRect(0, 0, 50, 50, Qt::black);
    }));
    const auto regions = Of(reader, EMR_EXTSELECTCLIPRGN);
    ASSERT_EQ(regions.size(), 1);
    EXPECT_EQ(reader.U32(regions[0], 12), RGN_COPY);
    EXPECT_EQ(reader.ClipRects(regions[0]), (QList<QRect>{QRect(0, 0, 10, 10), QRect(20, 20, 10, 10)}));
}

TEST(EmfState, OpaqueBackgroundIsDrawnAsShapesOnATransparentDevice) {
    const TEmfReader reader(Record([](QPainter& p) {
        p.setBackgroundMode(Qt::OpaqueMode);
        p.setBackground(QColor(0, 0, 255));
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.drawLine(0, 0, 50, 0);
    }));
    const auto modes = Of(reader, EMR_SETBKMODE);
    ASSERT_EQ(modes.size(), 1);
    EXPECT_EQ(reader.U32(modes[0], 8), TRANSPARENT);
    const auto colors = Of(reader, EMR_SETBKCOLOR);
    ASSERT_EQ(colors.size(), 1);
    EXPECT_EQ(reader.U32(colors[0], 8), 0xFF0000u);
    // The gaps: a solid line of the background colour beneath the dashed one.
    const auto lines = Of(reader, EMR_POLYLINE16);
    ASSERT_EQ(lines.size(), 2);
    const auto under = PenAt(reader, reader.Records().indexOf(lines[0]));
    const auto over = PenAt(reader, reader.Records().indexOf(lines[1]));
    EXPECT_EQ(under->Color, 0xFF0000u);
    EXPECT_EQ(under->Style & PS_STYLE_MASK, PS_SOLID);
    EXPECT_EQ(over->Color, 0u);
    EXPECT_NE(over->Style & PS_STYLE_MASK, PS_SOLID);
}

TEST(EmfState, EveryObjectIsCreatedSelectedAndDeletedOnce) {
    const QByteArray bytes = Record([](QPainter& p) {
        TDrawAdapter dc(p);
        for (int i = 0; i < 5; ++i) {
            dc.SetSolidPen(TColor(i * 40), 1 + i % 3);
            dc.SetBrush(TColor(i * 1000));
            dc.Rectangle(i, i, 50 + i, 50 + i);
            dc.Save();
            dc.IntersectClip({0, 0, 20 + i, 20});
            dc.SetSolidPen(0xFF, 2);
            dc.Line(0, 0, 30, 30);
            dc.Restore();
        }
    });
    const TEmfReader reader(bytes);
    ASSERT_TRUE(reader.IsValid());
    QSet<quint32> live;
    const quint32 handles = reader.Header()->Handles;
    for (const TRecord& r : reader.Records()) {
        const quint32 handle = reader.U32(r, 8).value_or(0);
        switch (r.Type) {
        case EMR_EXTCREATEPEN:
        case EMR_CREATEBRUSHINDIRECT:
        case EMR_EXTCREATEFONTINDIRECTW:
            EXPECT_FALSE(live.contains(handle));
            EXPECT_GT(handle, 0u);
            EXPECT_LT(handle, handles);
            live.insert(handle);
            break;
        case EMR_SELECTOBJECT:
            EXPECT_TRUE((handle & 0x80000000) || live.contains(handle)) << handle;
            break;
        case EMR_DELETEOBJECT:
            EXPECT_TRUE(live.remove(handle)) << handle;
            break;
        default:
            break;
        }
    }
    EXPECT_TRUE(live.isEmpty());
}

TEST(EmfBitmap, ImageIsABottomUpBitmapStretchedToItsRectangle) {
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(0, 1, qRgb(255, 0, 0)); // bottom-left
    image.setPixel(3, 0, qRgb(0, 0, 255)); // top-right
    const TEmfReader reader(Record([&](QPainter& p) { p.drawImage(QRect(10, 20, 8, 4), image); }));
    const auto bitmaps = Of(reader, EMR_STRETCHDIBITS);
    ASSERT_EQ(bitmaps.size(), 1);
    const auto bitmap = reader.Bitmap(bitmaps[0]);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->Dest, (TRectL{10, 20, 8, 4}));
    EXPECT_EQ(bitmap->SourceWidth, 4);
    EXPECT_EQ(bitmap->SourceHeight, 2);
    EXPECT_EQ(bitmap->BitCount, 32);
    EXPECT_EQ(bitmap->Compression, 0u);
    ASSERT_EQ(bitmap->Bits.size(), 32);
    // Blue, green, red of the first row stored, which is the bottom one.
    EXPECT_EQ(quint8(bitmap->Bits[0]), 0);
    EXPECT_EQ(quint8(bitmap->Bits[2]), 255);
    EXPECT_EQ(quint8(bitmap->Bits[16 + 12]), 255);
    EXPECT_EQ(quint8(bitmap->Bits[16 + 14]), 0);
}

TEST(EmfFile, SaveWritesTheBytesAndAFailedSaveReportsWhy) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TEmfPaintDevice device(QSize(50, 50));
    {
        QPainter painter(&device);
        painter.drawLine(0, 0, 10, 10);
    }
    const QString path = dir.filePath(QStringLiteral("picture.emf"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    QString error;
    ASSERT_TRUE(device.SaveTo(path, &error)) << error.toStdString();
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), device.Bytes());

    EXPECT_FALSE(device.SaveTo(dir.filePath(QStringLiteral("missing/picture.emf")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(device.SaveTo(dir.path(), nullptr)); // a folder's name: nothing written, no crash
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}
