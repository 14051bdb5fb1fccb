#include "ImageUtil.h"

#include <gtest/gtest.h>

TEST(DrawAdapter, LinesLeaveOutTheirEndPoint) {
    TTestCanvas c;
    c.dc().SetSolidPen(0);
    c.dc().Line(10, 10, 20, 10);
    c.dc().Line(30, 10, 30, 20);
    c.dc().Line(40, 10, 45, 15);
    c.dc().Line(60, 20, 50, 20);
    for (int x = 10; x < 20; ++x)
        EXPECT_EQ(c.Pixel(x, 10), kBlack) << x;
    EXPECT_TRUE(c.IsWhite(20, 10));
    EXPECT_TRUE(c.IsWhite(9, 10));
    for (int y = 10; y < 20; ++y)
        EXPECT_EQ(c.Pixel(30, y), kBlack) << y;
    EXPECT_TRUE(c.IsWhite(30, 20));
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(c.Pixel(40 + k, 10 + k), kBlack) << k;
    EXPECT_TRUE(c.IsWhite(45, 15));
    EXPECT_EQ(c.Pixel(60, 20), kBlack); // drawn leftwards: the start is drawn, the end left out
    EXPECT_TRUE(c.IsWhite(50, 20));
    EXPECT_EQ(c.InkCount(0, 0, 200, 120), 10 + 10 + 5 + 10);
}

TEST(DrawAdapter, SlopedLinesKeepTheirPathWithoutTheEnd) {
    // Drawn both ways, a sloped line covers the same pixels apart from its two ends.
    for (const QPoint d : {QPoint(13, 5), QPoint(5, 13), QPoint(-13, 5), QPoint(7, -3)}) {
        TTestCanvas forward, backward;
        forward.dc().SetSolidPen(0);
        backward.dc().SetSolidPen(0);
        forward.dc().Line(50, 50, 50 + d.x(), 50 + d.y());
        backward.dc().Line(50 + d.x(), 50 + d.y(), 50, 50);
        const int steps = std::max(std::abs(d.x()), std::abs(d.y()));
        EXPECT_EQ(forward.InkCount(0, 0, 200, 120), steps) << d.x() << "," << d.y();
        EXPECT_EQ(backward.InkCount(0, 0, 200, 120), steps);
        EXPECT_EQ(forward.Pixel(50, 50), kBlack);
        EXPECT_TRUE(forward.IsWhite(50 + d.x(), 50 + d.y()));
        EXPECT_EQ(backward.Pixel(50 + d.x(), 50 + d.y()), kBlack);
        EXPECT_TRUE(backward.IsWhite(50, 50));
    }
}

TEST(DrawAdapter, PolylineLeavesOutOnlyItsLastPoint) {
    TTestCanvas c;
    c.dc().SetSolidPen(tRed);
    const TPoint points[] = {{10, 10}, {20, 10}, {20, 20}};
    c.dc().Polyline(points, 3);
    EXPECT_EQ(c.Pixel(20, 10), kRed);
    EXPECT_EQ(c.Pixel(20, 19), kRed);
    EXPECT_TRUE(c.IsWhite(20, 20));
    EXPECT_EQ(c.InkCount(0, 0, 200, 120), 20);
}

TEST(DrawAdapter, RectangleAndEllipseLeaveOutRightAndBottom) {
    TTestCanvas c;
    c.dc().SetSolidPen(0);
    c.dc().SetBrush(tRed);
    c.dc().Rectangle(10, 10, 20, 15);
    EXPECT_EQ(c.Pixel(10, 10), kBlack);
    EXPECT_EQ(c.Pixel(19, 14), kBlack);
    EXPECT_EQ(c.Pixel(15, 12), kRed);
    EXPECT_TRUE(c.IsWhite(20, 12));
    EXPECT_TRUE(c.IsWhite(15, 15));
    EXPECT_EQ(c.InkCount(0, 0, 100, 100), 50);

    TTestCanvas e;
    e.dc().SetSolidPen(0);
    e.dc().SetBrush(tRed);
    e.dc().Ellipse(10, 10, 21, 21);
    EXPECT_EQ(e.Pixel(15, 15), kRed);
    EXPECT_EQ(e.Pixel(10, 15), kBlack);
    EXPECT_EQ(e.Pixel(20, 15), kBlack);
    EXPECT_EQ(e.Pixel(15, 20), kBlack);
    EXPECT_TRUE(e.IsWhite(21, 15));
    EXPECT_TRUE(e.IsWhite(15, 21));
    EXPECT_TRUE(e.IsWhite(10, 10));
}

TEST(DrawAdapter, SetPixelAndClip) {
    TTestCanvas c;
    c.dc().SetPixel(3, 4, tBlue);
    c.dc().Save();
    c.dc().IntersectClip({10, 10, 20, 20});
    c.dc().FillRect({0, 0, 100, 100}, tRed);
    c.dc().Restore();
    c.dc().FillRect({50, 50, 52, 51}, 0);
    EXPECT_EQ(c.Pixel(3, 4), kBlue);
    EXPECT_EQ(c.InkCount(0, 0, 200, 120), 1 + 100 + 2);
    EXPECT_EQ(c.Pixel(19, 19), kRed);
    EXPECT_TRUE(c.IsWhite(20, 20));
}

TEST(DrawAdapter, CosmeticDashStyles) {
    TTestCanvas c(200, 40);
    c.dc().SetCosmeticPen(0, TDrawAdapter::psDash);
    c.dc().Line(0, 5, 100, 5);
    c.dc().SetCosmeticPen(0, TDrawAdapter::psDot);
    c.dc().Line(0, 10, 100, 10);
    c.dc().SetCosmeticPen(0, TDrawAdapter::psDashDot);
    c.dc().Line(0, 15, 100, 15);
    c.dc().SetCosmeticPen(0, TDrawAdapter::psClear);
    c.dc().Line(0, 20, 100, 20);
    auto run = [&](int y) {
        QString s;
        for (int x = 0; x < 36; ++x)
            s += c.IsWhite(x, y) ? u'.' : u'#';
        return s;
    };
    EXPECT_EQ(run(5), QStringLiteral("##################......############"));
    EXPECT_EQ(run(10), QStringLiteral("###...###...###...###...###...###..."));
    EXPECT_EQ(run(15), QStringLiteral("#########......###......#########..."));
    EXPECT_EQ(c.InkCount(0, 18, 200, 22), 0);
}

TEST(DrawAdapter, UserPatternsCountInPixels) {
    TTestCanvas c(200, 40);
    c.dc().SetPatternPen(0, 3, {30, 10});
    c.dc().Line(10, 20, 190, 20);
    // Dashes of 30 pixels from x = 10 and 50, each with round caps of 1.5 pixels.
    EXPECT_EQ(c.Pixel(25, 20), kBlack);
    EXPECT_EQ(c.Pixel(10, 21), kBlack);
    EXPECT_TRUE(c.IsWhite(45, 20));
    EXPECT_EQ(c.Pixel(60, 20), kBlack);
    EXPECT_TRUE(c.IsWhite(85, 20));
    EXPECT_TRUE(c.IsWhite(25, 23)); // three pixels wide
}

TEST(DrawAdapter, TextCellsAndBackground) {
    TTestCanvas c(200, 100);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    c.dc().SetFont(font);
    c.dc().SetTextColor(0);
    const QSize extent = c.dc().TextExtent(QStringLiteral("WW"));
    EXPECT_GT(extent.width(), 20);
    EXPECT_GE(extent.height(), 20);
    c.dc().SetTextBackground(true, tRed);
    c.dc().TextOut(10, 10, QStringLiteral("WW"));
    EXPECT_EQ(c.Pixel(10, 10), kRed); // the cell is filled from its top-left corner
    EXPECT_EQ(c.Pixel(10 + extent.width() - 1, 10 + extent.height() - 1), kRed);
    EXPECT_TRUE(c.IsWhite(10 + extent.width(), 10));
    EXPECT_TRUE(c.IsWhite(9, 10));
    EXPECT_GT(c.InkCount(10, 10, 10 + extent.width(), 10 + extent.height()) -
                  extent.width() * extent.height() / 2,
              0);
}

TEST(DrawAdapter, UpwardTextGrowsAboveItsOrigin) {
    TTestCanvas c(100, 200);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    c.dc().SetFont(font);
    c.dc().SetTextColor(0);
    c.dc().SetTextBackground(true, tBlue);
    const QSize extent = c.dc().TextExtent(QStringLiteral("Label"));
    c.dc().TextOutUp(30, 150, QStringLiteral("Label"));
    // The cell lies right of x = 30 and above y = 150: extent.height() wide, extent.width() high.
    EXPECT_EQ(c.Pixel(30, 149), kBlue);
    EXPECT_EQ(c.Pixel(30 + extent.height() - 1, 150 - extent.width()), kBlue);
    EXPECT_TRUE(c.IsWhite(29, 140));
    EXPECT_TRUE(c.IsWhite(35, 150));
    EXPECT_TRUE(c.IsWhite(30 + extent.height(), 140));
}
