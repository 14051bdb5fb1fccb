#include "window/FigurePaint.h"
#include "export/PictureExport.h"
#include "tests/common/TestFiles.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
struct ExportFixture : ::testing::Test {
    TSuperGrWindow window;
    QTemporaryDir dir;
    void SetUp() override {
        window.AnimatedZoom = false;
        window.ApplyDefaultLook();
        window.SetClientSize(320, 240);
        TDoubleArray x, y;
        for (int i = 0; i <= 100; ++i) {
            x.append(i);
            y.append((i % 20) * 0.5L);
        }
        ASSERT_TRUE(window.AddGraph(QStringLiteral("Пила"), false, {}, x, y));
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

int CountColour(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
    return n;
}
} // namespace

TEST(PictureFormat, ChosenByExtension) {
    EXPECT_EQ(PictureFormatFor(QStringLiteral("a.PNG")), TPictureFormat::Png);
    EXPECT_EQ(PictureFormatFor(QStringLiteral("a.jpeg")), TPictureFormat::Jpg);
    EXPECT_EQ(PictureFormatFor(QStringLiteral("dir.x/a.svg")), TPictureFormat::Svg);
    EXPECT_EQ(PictureFormatFor(QStringLiteral("a.emf")), TPictureFormat::Emf);
    EXPECT_FALSE(PictureFormatFor(QStringLiteral("a.txt")).has_value());
}

TEST_F(ExportFixture, BitmapAtAScaleHasTheScaledSizeAndLayout) {
    const QImage one = RenderBitmap(window, {1, 0});
    const QImage four = RenderBitmap(window, {4, 0});
    EXPECT_EQ(one.size(), QSize(320, 240));
    EXPECT_EQ(four.size(), QSize(1280, 960));
    // The graph's orange line is there at both scales; four times the size has many more pixels of it.
    const QRgb orange = qRgb(0xFF, 0x80, 0x00);
    const int small = CountColour(one, orange), large = CountColour(four, orange);
    EXPECT_GT(small, 50);
    EXPECT_GT(large, 8 * small);
    // The screen layout is back after the export.
    EXPECT_EQ(window.OutputScale, 1.0L);
}

TEST_F(ExportFixture, BlackAndWhiteSchemeHasNoColour) {
    const QImage image = RenderBitmap(window, {1, 3});
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            ASSERT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p)) << x << "," << y;
        }
}

TEST_F(ExportFixture, SmallTargetDrawsTheDoubleFrame) {
    QImage image(20, 200, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter painter(&image);
    PaintFigure(window, painter, {0, 0, 20, 200});
    painter.end();
    EXPECT_EQ(image.pixel(0, 0) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(image.pixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(image.pixel(3, 3) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(image.pixel(10, 100) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(CountColour(image, qRgb(255, 0, 0)), 0);
}

TEST_F(ExportFixture, FilesOfEveryFormat) {
    QString error;
    ASSERT_TRUE(ExportPicture(window, Path("a.png"), TPictureFormat::Png, {2, 1}, &error)) << error.toStdString();
    EXPECT_EQ(QImage(Path("a.png")), RenderBitmap(window, {2, 1}).convertToFormat(QImage::Format_RGB32));
    ASSERT_TRUE(ExportPicture(window, Path("a.jpg"), TPictureFormat::Jpg, {1, 0}, &error));
    EXPECT_EQ(QImage(Path("a.jpg")).size(), QSize(320, 240));
    ASSERT_TRUE(ExportPicture(window, Path("a.bmp"), TPictureFormat::Bmp, {1, 0}, &error));
    ASSERT_TRUE(ExportPicture(window, Path("a.svg"), TPictureFormat::Svg, {1, 0}, &error));
    QFile svg(Path("a.svg"));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QByteArray svgText = svg.readAll();
    EXPECT_TRUE(svgText.contains("<svg"));
    EXPECT_TRUE(svgText.contains("polyline") || svgText.contains("path"));
    EXPECT_TRUE(svgText.contains("<title>a.svg</title>")); // not the window's placeholder caption
    ASSERT_TRUE(ExportPicture(window, Path("b.svg"), TPictureFormat::Svg, {1, 0}, &error,
                              QStringLiteral("figure.tvq")));
    EXPECT_TRUE(testutil::ReadAll(Path("b.svg")).contains("<title>figure.tvq</title>"));
    ASSERT_TRUE(ExportPicture(window, Path("a.pdf"), TPictureFormat::Pdf, {1, 0}, &error));
    QFile pdf(Path("a.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    ASSERT_TRUE(ExportPicture(window, Path("a.emf"), TPictureFormat::Emf, {2, 0}, &error)) << error.toStdString();
    QFile emf(Path("a.emf"));
    ASSERT_TRUE(emf.open(QIODevice::ReadOnly));
    const QByteArray head = emf.read(44);
    ASSERT_EQ(head.size(), 44);
    EXPECT_EQ(uint8_t(head[0]), 1); // EMR_HEADER
    EXPECT_EQ(head.mid(40, 4), QByteArray(" EMF"));
}

TEST_F(ExportFixture, FailedExportLeavesTheOldFile) {
    QString error;
    EXPECT_FALSE(ExportPicture(window, dir.filePath(QStringLiteral("missing/dir/a.png")), TPictureFormat::Png, {1, 0},
                               &error));
    EXPECT_FALSE(error.isEmpty());
}
