#include "ImageUtil.h"
#include "model/Colors.h"
#include "model/Symbol.h"

#include <gtest/gtest.h>

namespace {
TSymbol OneLetter(const QString& text, uint8_t charset = 204) {
    TSymbol s;
    s.Aspect = 0;
    TPrimitiv p;
    p.X1 = 0;
    p.Y1 = 0;
    p.X2 = 1;
    p.Y2 = 1;
    p.FaceName = QStringLiteral("DejaVu Sans");
    p.Charset = charset;
    p.Text = text;
    s.Prims = {p};
    return s;
}

// The ink's bounding box.
QRect InkBox(TTestCanvas& c) {
    QRect box;
    const QImage& image = c.Done();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) box |= QRect(x, y, 1, 1);
    return box;
}
} // namespace

TEST(SymbolDrawing, TextFillsItsBox) {
    TTestCanvas c(200, 120);
    // The font is stretched so the four letters span the box.
    DrawSymbol(c.dc(), {20, 20, 140, 80}, OneLetter(QStringLiteral("abcd")), 0, false, tRed);
    const QRect box = InkBox(c);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_TRUE(QRect(18, 18, 124, 64).contains(box))
        << box.x() << "," << box.y() << " " << box.width() << "x" << box.height();
    EXPECT_GT(box.width(), 60);  // stretched towards the box width
    EXPECT_GT(box.height(), 30); // most of the cell height
    EXPECT_GT(c.InkCount(20, 20, 140, 80), 200);
}

TEST(SymbolDrawing, UpwardsTextStaysInItsFrame) {
    TTestCanvas c(200, 200);
    DrawSymbol(c.dc(), {50, 20, 110, 180}, OneLetter(QStringLiteral("abcd")), 90, false, tBlue);
    const QRect box = InkBox(c);
    ASSERT_FALSE(box.isEmpty());
    EXPECT_TRUE(QRect(48, 18, 64, 164).contains(box));
    EXPECT_GT(box.height(), box.width()); // the text runs upwards
}

TEST(SymbolDrawing, GreekFromTheSymbolCharsetAndRestoredTextState) {
    TTestCanvas c(200, 120);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(9);
    c.dc().SetFont(font);
    c.dc().SetTextColor(tBlue);
    TSymbol s = OneLetter(DecodeCharsetText(2, QByteArrayLiteral("W")), 2);
    EXPECT_EQ(s.Prims[0].Text, QStringLiteral("Ω"));
    DrawSymbol(c.dc(), {10, 10, 90, 90}, s, 0, true, clWindowText);
    EXPECT_EQ(c.dc().Font(), font);
    EXPECT_GT(c.InkCount(10, 10, 90, 90), 100);
    EXPECT_EQ(c.InkCount(0, 91, 200, 120), 0);
}

TEST(SymbolDrawing, EmptySymbolAndEmptyTargetsDrawNothing) {
    TTestCanvas c(100, 100);
    DrawSymbol(c.dc(), {10, 10, 90, 90}, TSymbol{}, 0, true, 0);
    DrawSymbol(c.dc(), {10, 10, 10, 90}, OneLetter(QStringLiteral("W")), 0, true, 0);
    DrawSymbol(c.dc(), {10, 10, 90, 10}, OneLetter(QStringLiteral("W")), 0, true, 0);
    EXPECT_EQ(c.InkCount(0, 0, 100, 100), 0);
}
