#include "gui/mainwindow/MainWindow.h"
#include "tests/common/TestData.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTemporaryFile>
#include <QXmlStreamReader>
#include <QtEndian>
#include <gtest/gtest.h>

#include <cerrno>

namespace {
using testutil::Ramp;

struct ClipboardPictures : ::testing::Test {
    TSuperGrWindow figure;
    ClipboardPictures() {
        figure.SetClientSize(300, 200);
        figure.AddGraph(QStringLiteral("first"), false, {}, Ramp(50, 0, 1), Ramp(50, 0, 2));
        figure.AddGraph(QStringLiteral("second"), false, {}, Ramp(50, 0, 1), Ramp(50, 0, -1));
        figure.BmpExportScale = 2;
        figure.EmfExportScale = 3;
    }
};

quint32 U32At(const QByteArray& bytes, qsizetype offset) {
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}
qint32 I32At(const QByteArray& bytes, qsizetype offset) {
    return qFromLittleEndian<qint32>(bytes.constData() + offset);
}

// The record types of a metafile from its first record to the end, or empty when a record's size
// does not fit the bytes.
QList<quint32> RecordTypes(const QByteArray& emf) {
    QList<quint32> types;
    qsizetype at = 0;
    while (at + 8 <= emf.size()) {
        const quint32 type = U32At(emf, at), size = U32At(emf, at + 4);
        if (size < 8 || size % 4 != 0 || at + qsizetype(size) > emf.size()) return {};
        types.append(type);
        at += size;
    }
    return at == emf.size() ? types : QList<quint32>();
}
} // namespace

TEST_F(ClipboardPictures, MetafileBitmapAndSvgWithBitmapExportOff) {
    figure.BitmapExport = false;
    int code = -1;
    const std::unique_ptr<QMimeData> data = TMainWindow::FigurePictures(figure, 0, &code);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(code, -1); // untouched on success

    // The bitmap at the bitmap export's scale, writable as PNG.
    ASSERT_TRUE(data->hasImage());
    const QImage image = qvariant_cast<QImage>(data->imageData());
    EXPECT_EQ(image.size(), QSize(600, 400));
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    EXPECT_TRUE(image.save(&buffer, "PNG"));
    EXPECT_TRUE(png.startsWith("\x89PNG"));

    // SVG that parses, its root an svg element.
    const QByteArray svg = data->data(QStringLiteral("image/svg+xml"));
    QXmlStreamReader xml(svg);
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), QLatin1String("svg"));
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();

    // The metafile under both names: a header record first, the end record last, the header's
    // total size and record count matching, its bounds the client area at the metafile scale.
    const QByteArray emf = data->data(QStringLiteral("image/emf"));
    EXPECT_EQ(data->data(QStringLiteral("image/x-emf")), emf);
    ASSERT_GE(emf.size(), 108);
    const QList<quint32> types = RecordTypes(emf);
    ASSERT_GE(types.size(), 3);
    EXPECT_EQ(types.first(), 1u);           // EMR_HEADER
    EXPECT_EQ(types.last(), 14u);           // EMR_EOF
    EXPECT_EQ(U32At(emf, 40), 0x464D4520u); // " EMF"
    EXPECT_EQ(U32At(emf, 48), quint32(emf.size()));
    EXPECT_EQ(U32At(emf, 52), quint32(types.size()));
    EXPECT_EQ(I32At(emf, 16), 899); // right edge of 900 pixels
    EXPECT_EQ(I32At(emf, 20), 599);
}

TEST_F(ClipboardPictures, BitmapExportCopiesNoMetafile) {
    figure.BitmapExport = true;
    const std::unique_ptr<QMimeData> data = TMainWindow::FigurePictures(figure, 0, nullptr);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).size(), QSize(600, 400));
    EXPECT_FALSE(data->hasFormat(QStringLiteral("image/emf")));
    EXPECT_FALSE(data->hasFormat(QStringLiteral("image/x-emf")));
    EXPECT_TRUE(data->data(QStringLiteral("image/svg+xml")).startsWith("<?xml"));
}

TEST_F(ClipboardPictures, ExportSchemeReachesEveryPicture) {
    // Scheme 3 draws in black and white: no colour in the bitmap.
    figure.BitmapExport = false;
    const std::unique_ptr<QMimeData> data = TMainWindow::FigurePictures(figure, 3, nullptr);
    ASSERT_NE(data, nullptr);
    const QImage image = qvariant_cast<QImage>(data->imageData()).convertToFormat(QImage::Format_RGB32);
    bool grey = true;
    for (int y = 0; y < image.height() && grey; ++y)
        for (int x = 0; x < image.width() && grey; ++x) {
            const QRgb p = image.pixel(x, y);
            grey = qRed(p) == qGreen(p) && qGreen(p) == qBlue(p);
        }
    EXPECT_TRUE(grey);
    EXPECT_FALSE(data->data(QStringLiteral("image/emf")).isEmpty());
}

TEST_F(ClipboardPictures, WithoutATemporaryFolderNothingIsCopied) {
    // The metafile goes through a temporary folder; where none can be made (the folder for temporary
    // files is a file here) the copy fails with the system's error number and leaves the clipboard
    // as it was.
    figure.BitmapExport = false;
    QTemporaryFile notAFolder;
    ASSERT_TRUE(notAFolder.open());
    const QByteArray savedTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(notAFolder.fileName()));
    int code = -1;
    const std::unique_ptr<QMimeData> data = TMainWindow::FigurePictures(figure, 0, &code);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(code, ENOTDIR);

    TMainWindow window;
    QStringList messages;
    window.ShowMessage = [&](const QString& m) { messages.append(m); };
    window.Figure().AddGraph(QString(), false, {}, Ramp(10, 0, 1), Ramp(10, 0, 1));
    window.Figure().BitmapExport = false;
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    window.Action(QStringLiteral("CopyToClipBoard"))->trigger();
    if (savedTemp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", savedTemp);
    EXPECT_EQ(messages, QStringList{QStringLiteral("Системная ошибка №") + QString::number(ENOTDIR) +
                                    QStringLiteral(".")});
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    window.Figure().SetModified(false);
}
