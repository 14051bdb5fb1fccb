#include "EmfTestUtil.h"

#include "model/Colors.h"
#include "window/FigurePaint.h"
#include "window/SuperGrWindow.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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

    QByteArray Metafile() {
        TEmfPaintDevice device(QSize(400, 300));
        QPainter painter(&device);
        PaintFigure(window, painter, window.ClientRect());
        painter.end();
        return device.Bytes();
    }

    QImage Screen() {
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        PaintFigure(window, painter, window.ClientRect());
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
    const QImage screen = Screen();
    const TEmfReader reader(Metafile());
    const quint32 first = quint32(ColorToRGB(window.GraphByIndex(0)->Color()));
    const quint32 second = quint32(ColorToRGB(window.GraphByIndex(1)->Color()));
    ASSERT_NE(first, second);
    const QHash<int, TPen> pens = PensInUse(reader);
    int checked = 0, matching = 0;
    for (auto it = pens.begin(); it != pens.end(); ++it) {
        if (it->Color != first && it->Color != second) continue;
        const TRecord& r = reader.Records()[it.key()];
        if (r.Type != EMR_POLYLINE16) continue;
        const QList<QPoint> points = *reader.Points(r);
        // Every vertex but the left-out end is a pixel of the curve's colour on the screen, unless
        // the other curve or the legend was drawn over it.
        for (qsizetype i = 0; i + 1 < points.size(); ++i) {
            if (!screen.rect().contains(points[i])) continue;
            ++checked;
            const QRgb pixel = screen.pixel(points[i]);
            matching += pixel == FromColorRef(it->Color) ||
                        pixel == FromColorRef(it->Color == first ? second : first);
        }
    }
    ASSERT_GT(checked, 50);
    EXPECT_GE(matching * 100, checked * 95) << matching << " of " << checked;
}

TEST_F(FigureFixture, ConvertsToAPictureThatIsNotBlank) {
    QString inkscape = QStandardPaths::findExecutable(QStringLiteral("inkscape"));
    QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (inkscape.isEmpty() && office.isEmpty())
        GTEST_SKIP() << "neither Inkscape nor LibreOffice is installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString emfPath = dir.filePath(QStringLiteral("figure.emf"));
    const QString pngPath = dir.filePath(QStringLiteral("figure.png"));
    TEmfPaintDevice device(QSize(400, 300));
    {
        QPainter painter(&device);
        PaintFigure(window, painter, window.ClientRect());
    }
    QString error;
    ASSERT_TRUE(device.SaveTo(emfPath, &error)) << error.toStdString();

    QProcess converter;
    converter.setProcessChannelMode(QProcess::MergedChannels);
    if (!inkscape.isEmpty())
        converter.start(inkscape,
                        {QStringLiteral("--export-type=png"), QStringLiteral("--export-filename=") + pngPath,
                         QStringLiteral("--export-background=white"), emfPath});
    else
        converter.start(office, {QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                                 QStringLiteral("png"), QStringLiteral("--outdir"), dir.path(), emfPath});
    ASSERT_TRUE(converter.waitForFinished(180000)) << converter.readAll().toStdString();
    const QImage picture(pngPath);
    ASSERT_FALSE(picture.isNull()) << converter.readAll().toStdString();
    // The picture keeps the figure's proportions.
    EXPECT_NEAR(double(picture.width()) / picture.height(), 400.0 / 300.0, 0.02);

    // Not blank: several colours, and a good share of the picture differs from its corner.
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb corner = rgb.pixel(rgb.width() / 2, rgb.height() - 2);
    QSet<QRgb> colours;
    qint64 differing = 0;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = rgb.pixel(x, y);
            colours.insert(c);
            differing += c != corner;
        }
    EXPECT_GE(colours.size(), 4);
    EXPECT_GT(differing * 100, qint64(rgb.width()) * rgb.height());

    // A person can look at the pictures when a folder is named for them.
    const QString keep = qEnvironmentVariable("TARVELO_KEEP_PICTURES");
    if (!keep.isEmpty()) {
        QDir().mkpath(keep);
        QFile::remove(keep + QStringLiteral("/figure.emf"));
        QFile::remove(keep + QStringLiteral("/figure.png"));
        QFile::copy(emfPath, keep + QStringLiteral("/figure.emf"));
        QFile::copy(pngPath, keep + QStringLiteral("/figure.png"));
        Screen().save(keep + QStringLiteral("/figure-screen.png"));
    }
}
