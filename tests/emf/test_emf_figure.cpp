#include "EmfTestUtil.h"

#include "model/Colors.h"
#include "window/FigurePaint.h"
#include "window/SuperGrWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace emf;
using emftest::Of;

namespace {
struct FigureFixture : ::testing::Test {
    TSuperGrWindow window;

    void SetUp() override {
        window.SetClientSize(400, 300);
        window.ApplyDefaultLook();
        window.SetTopCaption({QStringLiteral("Давление в контуре")});
        TDoubleArray x, sine, parabola;
        for (int i = 0; i <= 60; ++i) {
            x.append(Extended(i) / 6);
            sine.append(std::sin(Extended(i) / 6));
            parabola.append(Extended(i) * i / 3600);
        }
        ASSERT_TRUE(window.AddGraph(QString(), false, {}, x, sine));
        ASSERT_TRUE(window.AddGraph(QString(), false, {}, x, parabola));
        window.SetShowLegend(true);
    }

    // The figure at the export scale: the client area times the scale, as export paints it.
    QByteArray Metafile(int scale = 1) {
        TEmfPaintDevice device(QSize(400, 300) * scale);
        QPainter painter(&device);
        PaintFigure(window, painter, {0, 0, 400 * scale, 300 * scale});
        painter.end();
        return device.Bytes();
    }

    QImage Screen(int scale = 1) {
        QImage image(400 * scale, 300 * scale, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        PaintFigure(window, painter, {0, 0, 400 * scale, 300 * scale});
        return image;
    }
};

// The colour and width of the pen each drawing record is drawn with, keyed by record index.
QHash<int, TPen> PensInUse(const TEmfReader& reader) {
    QHash<quint32, TPen> created;
    QHash<int, TPen> inUse;
    std::optional<TPen> current;
    const auto& records = reader.Records();
    for (int i = 0; i < records.size(); ++i) {
        const TRecord& r = records[i];
        if (r.Type == EMR_EXTCREATEPEN) created.insert(reader.Pen(r)->Handle, *reader.Pen(r));
        if (r.Type == EMR_SELECTOBJECT) {
            const quint32 handle = *reader.U32(r, 8);
            if (created.contains(handle))
                current = created.value(handle);
            else if (handle == NULL_PEN)
                current.reset();
        }
        if ((r.Type == EMR_POLYLINE16 || r.Type == EMR_POLYPOLYLINE16) && current) inUse.insert(i, *current);
    }
    return inUse;
}

QRgb FromColorRef(quint32 c) {
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}
} // namespace

TEST_F(FigureFixture, WholeFigureIsAWellFormedMetafile) {
    const QByteArray bytes = Metafile();
    const TEmfReader reader(bytes);
    ASSERT_TRUE(reader.IsValid()) << reader.Error().toStdString();
    const auto header = reader.Header();
    EXPECT_EQ(header->Records, quint32(reader.Records().size()));
    EXPECT_EQ(header->Bytes, quint32(bytes.size()));
    EXPECT_EQ(header->Bounds, (TRectL{0, 0, 399, 299}));
    EXPECT_EQ(Of(reader, EMR_SAVEDC).size(), Of(reader, EMR_RESTOREDC).size());
    EXPECT_EQ(Of(reader, EMR_EXTCREATEPEN).size() + Of(reader, EMR_CREATEBRUSHINDIRECT).size() +
                  Of(reader, EMR_EXTCREATEFONTINDIRECTW).size(),
              Of(reader, EMR_DELETEOBJECT).size());

    // The plot rectangle is where the screen has it.
    const TRect plot = window.PlotRect;
    bool plotFound = false;
    for (const TRecord& r : Of(reader, EMR_RECTANGLE))
        plotFound |= reader.Box(r) == TRectL{plot.Left, plot.Top, plot.Right, plot.Bottom};
    EXPECT_TRUE(plotFound);

    // The caption, in Cyrillic, at the top of the picture, and axis labels beside it.
    QStringList texts;
    for (const TRecord& r : Of(reader, EMR_EXTTEXTOUTW))
        texts.append(reader.Text(r)->Text);
    EXPECT_TRUE(texts.contains(QStringLiteral("Давление в контуре")));
    EXPECT_GT(texts.size(), 5);
    // Graph curves: polylines with many points.
    int longest = 0;
    for (const TRecord& r : Of(reader, EMR_POLYLINE16))
        longest = std::max<int>(longest, int(reader.Points(r)->size()));
    EXPECT_GE(longest, 30);
}

TEST_F(FigureFixture, CurvesLieOnTheScreenPixelsOfTheirColour) {
    for (int scale : {1, 4}) {
        const QImage screen = Screen(scale);
        const TEmfReader reader(Metafile(scale));
        const quint32 first = quint32(ColorToRGB(window.GraphByIndex(0)->Color()));
        const quint32 second = quint32(ColorToRGB(window.GraphByIndex(1)->Color()));
        ASSERT_NE(first, second);
        const QHash<int, TPen> pens = PensInUse(reader);
        int checked = 0, matching = 0;
        for (auto it = pens.begin(); it != pens.end(); ++it) {
            if (it->Color != first && it->Color != second) continue;
            EXPECT_EQ(it->Width, quint32(scale)); // graph lines of width 1, scaled
            const TRecord& r = reader.Records()[it.key()];
            if (r.Type != EMR_POLYLINE16) continue;
            const QList<QPoint> points = *reader.Points(r);
            // Every vertex but the left-out end is a pixel of the curve's colour on the screen,
            // unless the other curve was drawn over it.
            for (qsizetype i = 0; i + 1 < points.size(); ++i) {
                if (!screen.rect().contains(points[i])) continue;
                ++checked;
                const QRgb pixel = screen.pixel(points[i]);
                matching += pixel == FromColorRef(first) || pixel == FromColorRef(second);
            }
        }
        ASSERT_GT(checked, 50) << scale;
        EXPECT_GE(matching * 100, checked * 95) << matching << " of " << checked << " at scale " << scale;
    }
}

TEST_F(FigureFixture, ExportScaleMultipliesFontsAndKeepsThePlotWhereTheBitmapHasIt) {
    auto fontHeights = [](const TEmfReader& reader) {
        QList<qint32> heights;
        for (const TRecord& r : Of(reader, EMR_EXTCREATEFONTINDIRECTW))
            if (!heights.contains(reader.Font(r)->Height)) heights.append(reader.Font(r)->Height);
        std::sort(heights.begin(), heights.end());
        return heights;
    };
    const QList<qint32> single = fontHeights(TEmfReader(Metafile(1)));
    const TEmfReader scaled(Metafile(4));
    QList<qint32> expected;
    for (qint32 h : single)
        expected.append(h * 4);
    ASSERT_FALSE(single.isEmpty());
    EXPECT_EQ(fontHeights(scaled), expected);

    const TRect plot = window.PlotRect; // as the scale-4 metafile paint laid it out
    Screen(4);
    EXPECT_EQ(window.PlotRect, plot);
    bool found = false;
    for (const TRecord& r : Of(scaled, EMR_RECTANGLE))
        found |= scaled.Box(r) == TRectL{plot.Left, plot.Top, plot.Right, plot.Bottom};
    EXPECT_TRUE(found);
    EXPECT_EQ(scaled.Header()->Bounds, (TRectL{0, 0, 1599, 1199}));
}

// Pixels within a small distance of the colour (players smooth their lines).
qint64 PixelsNear(const QImage& image, QRgb colour) {
    qint64 count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            count += std::abs(qRed(c) - qRed(colour)) + std::abs(qGreen(c) - qGreen(colour)) +
                         std::abs(qBlue(c) - qBlue(colour)) <
                     40;
        }
    return count;
}

TEST_F(FigureFixture, ConvertsToAPictureWithItsCurves) {
    struct TConverter {
        QString Program;
        QStringList Arguments;
        bool KeepsPictureSize; // a drawing program puts the picture on a page of its own
    };
    QList<TConverter> converters;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString emfPath = dir.filePath(QStringLiteral("figure.emf"));
    const QString pngPath = dir.filePath(QStringLiteral("figure.png"));
    if (const QString inkscape = QStandardPaths::findExecutable(QStringLiteral("inkscape"));
        !inkscape.isEmpty())
        converters.append(
            {inkscape,
             {QStringLiteral("--export-type=png"), QStringLiteral("--export-filename=") + pngPath,
              QStringLiteral("--export-background=white"), emfPath},
             true});
    if (const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice")); !office.isEmpty())
        converters.append({office,
                           {QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                            QStringLiteral("png"), QStringLiteral("--outdir"), dir.path(), emfPath},
                           false});
    if (converters.isEmpty()) GTEST_SKIP() << "neither Inkscape nor LibreOffice is installed";

    // A third graph with thick dashed lines and its nodes, a caption under the figure, scale 2.
    TDoubleArray x, y;
    for (int i = 0; i <= 20; ++i) {
        x.append(Extended(i) / 2);
        y.append(Extended(i % 5) / 5);
    }
    ASSERT_TRUE(window.AddGraph(QStringLiteral("Пила"), false, {}, x, y));
    TGraph* saw = window.GraphByIndex(2);
    saw->SetLineWidth(2);
    saw->SetLineStyle(2);
    saw->SetShowNodes(true);
    window.SetBottomCaption({QStringLiteral("Время, с")});
    const QByteArray bytes = Metafile(2);
    {
        QFile file(emfPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QList<QRgb> curveColours;
    for (int i = 0; i < window.GraphCount(); ++i)
        curveColours.append(FromColorRef(quint32(ColorToRGB(window.GraphByIndex(i)->Color()))));

    for (const TConverter& converter : converters) {
        SCOPED_TRACE(converter.Program.toStdString());
        QFile::remove(pngPath);
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(converter.Program, converter.Arguments);
        ASSERT_TRUE(process.waitForFinished(180000));
        const QImage picture = QImage(pngPath).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(picture.isNull()) << process.readAll().toStdString();
        if (converter.KeepsPictureSize) {
            EXPECT_NEAR(double(picture.width()) / picture.height(), 400.0 / 300.0, 0.02);
            EXPECT_GE(picture.width(), 700);
        }
        // Every curve is there in its colour (its legend sample alone is some 150 pixels), and so are
        // the dark axis labels and captions.
        for (QRgb colour : curveColours)
            EXPECT_GT(PixelsNear(picture, colour), 500) << std::hex << colour;
        EXPECT_GT(PixelsNear(picture, qRgb(0, 0, 0)), 500);

        // A person can look at the pictures when a folder is named for them.
        const QString keep = qEnvironmentVariable("TARVELO_KEEP_PICTURES");
        if (!keep.isEmpty()) {
            const QString name = QFileInfo(converter.Program).fileName();
            QDir().mkpath(keep);
            QFile::remove(keep + QStringLiteral("/figure-") + name + QStringLiteral(".png"));
            QFile::copy(pngPath, keep + QStringLiteral("/figure-") + name + QStringLiteral(".png"));
        }
    }
    const QString keep = qEnvironmentVariable("TARVELO_KEEP_PICTURES");
    if (!keep.isEmpty()) {
        QFile::remove(keep + QStringLiteral("/figure.emf"));
        QFile::copy(emfPath, keep + QStringLiteral("/figure.emf"));
        Screen(2).save(keep + QStringLiteral("/figure-screen.png"));
    }
}
