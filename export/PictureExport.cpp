#include "export/PictureExport.h"

#include "files/SafeSave.h"

#include "model/Codecs.h"
#include "model/EmfDevice.h"
#include "model/JobProgress.h"
#include "window/FigurePaint.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QSysInfo>
#include <algorithm>
#include <cmath>
#include <png.h>

namespace {
Extended EffectiveScale(const TPictureOptions& options) {
    const Extended a = std::fabs(options.Scale);
    return a == 0 ? 1 : a;
}

TRect ScaledClient(const TSuperGrWindow& window, Extended scale) {
    const TRect c = window.ClientRect();
    return {0, 0, std::max(1, RoundHalfEven(c.Width() * scale)),
            std::max(1, RoundHalfEven(c.Height() * scale))};
}

void PaintExport(TSuperGrWindow& window, QPaintDevice& device, const TRect& target, int schemeNumber) {
    TColorStruct scheme(nullptr);
    MakeExportScheme(window, schemeNumber, scheme);
    QPainter painter(&device);
    PaintFigureOutput(window, painter, target, scheme);
}

// A figure is mostly flat colour: the "up" filter with the fastest deflate level makes a file about
// twice the size of libpng's adaptive filters at the default level, in a third of the time.
// A cancel of the job stops it between rows.
bool WritePng(const QImage& picture, QIODevice& device, const TJobProgress* progress) {
    const QImage image =
        picture.format() == QImage::Format_RGB32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool written = info != nullptr;
    // libpng reports its errors by a long jump back to here; no C++ object lives in between.
    if (written && setjmp(png_jmpbuf(png))) written = false;
    if (written) {
        const auto write = [](png_structp p, png_bytep data, size_t size) {
            auto* out = static_cast<QIODevice*>(png_get_io_ptr(p));
            if (out->write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
                png_error(p, "write failed");
        };
        png_set_write_fn(png, &device, write, nullptr);
        png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0)
            png_set_pHYs(png, info, png_uint_32(image.dotsPerMeterX()), png_uint_32(image.dotsPerMeterY()),
                         PNG_RESOLUTION_METER);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
        png_set_compression_level(png, 1);
        png_write_info(png, info);
        // Each pixel is the 32-bit value 0xffRRGGBB: its bytes in memory depend on the byte order.
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
            png_set_bgr(png);
            png_set_filler(png, 0, PNG_FILLER_AFTER);
        } else {
            png_set_filler(png, 0, PNG_FILLER_BEFORE);
        }
        for (int y = 0; y < image.height() && !JobCancelled(progress); ++y)
            png_write_row(png, image.constScanLine(y));
        if (JobCancelled(progress))
            written = false;
        else
            png_write_end(png, info);
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return written;
}

// Written in slices, so a job sees the bytes go and can stop between them.
bool WriteAtomically(const QString& fileName, const QByteArray& bytes, QString* error,
                     TJobProgress* progress) {
    if (progress) progress->SetTotal(bytes.size());
    const filesave::TJobScope scope(progress);
    int32_t code = 0;
    QString message;
    if (filesave::SaveReplacing(
            fileName, true, false, [&bytes](QIODevice& out) { return out.write(bytes) == bytes.size(); },
            code, message))
        return true;
    if (error) *error = message; // empty when cancelled
    return false;
}
} // namespace

void PaintFigureOutput(TSuperGrWindow& window, QPainter& painter, const TRect& target,
                       const TColorStruct& scheme) {
    window.StopAnimation(); // a picture shows where a running animation ends
    const bool focused = window.Focused;
    window.Focused = false;
    painter.save();
    PaintFigure(window, painter, target, &scheme);
    painter.restore();
    window.Focused = focused;
    window.OutputScale = 1;
    window.PrepareForPaint(window.ClientRect());
}

std::optional<TPictureFormat> PictureFormatFor(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("png")) return TPictureFormat::Png;
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) return TPictureFormat::Jpg;
    if (suffix == QLatin1String("bmp")) return TPictureFormat::Bmp;
    if (suffix == QLatin1String("svg")) return TPictureFormat::Svg;
    if (suffix == QLatin1String("pdf")) return TPictureFormat::Pdf;
    if (suffix == QLatin1String("emf")) return TPictureFormat::Emf;
    return std::nullopt;
}

QImage RenderBitmap(TSuperGrWindow& window, const TPictureOptions& options) {
    const TRect target = ScaledClient(window, EffectiveScale(options));
    QImage image(target.Width(), target.Height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    PaintExport(window, image, target, options.Scheme);
    return image;
}

TRenderedPicture RenderPicture(TSuperGrWindow& window, const QString& fileName, TPictureFormat format,
                               const TPictureOptions& options, const QString& title) {
    const Extended scale = EffectiveScale(options);
    const TRect target = ScaledClient(window, scale);
    const QString documentTitle = title.isEmpty() ? QFileInfo(fileName).fileName() : title;
    TRenderedPicture picture;
    picture.Format = format;
    QBuffer buffer(&picture.Bytes);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
    case TPictureFormat::Png:
    case TPictureFormat::Jpg:
    case TPictureFormat::Bmp:
        picture.Image = RenderBitmap(window, options);
        break;
    case TPictureFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(target.Width(), target.Height()));
        svg.setViewBox(QRect(0, 0, target.Width(), target.Height()));
        svg.setTitle(documentTitle);
        svg.setDescription(QStringLiteral("Tarvelo"));
        PaintExport(window, svg, target, options.Scheme);
        break;
    }
    case TPictureFormat::Pdf: {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96);
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setPageSize(
            QPageSize(QSizeF(target.Width() * 72.0 / 96, target.Height() * 72.0 / 96), QPageSize::Point));
        pdf.setTitle(documentTitle);
        pdf.setCreator(QStringLiteral("Tarvelo"));
        PaintExport(window, pdf, target, options.Scheme);
        break;
    }
    case TPictureFormat::Emf: {
        TEmfPaintDevice emf(QSize(target.Width(), target.Height()), 96);
        PaintExport(window, emf, target, options.Scheme);
        picture.Bytes = emf.Bytes();
        break;
    }
    }
    return picture;
}

bool WritePicture(const TRenderedPicture& picture, const QString& fileName, QString* error,
                  TJobProgress* progress) {
    if (picture.Image.isNull()) return WriteAtomically(fileName, picture.Bytes, error, progress);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const bool jpg = picture.Format == TPictureFormat::Jpg;
    const bool encoded = picture.Format == TPictureFormat::Png
                             ? WritePng(picture.Image, buffer, progress)
                             : picture.Image.save(&buffer, jpg ? "JPG" : "BMP", jpg ? 95 : -1);
    if (!encoded) {
        if (error)
            *error = JobCancelled(progress) ? QString() : QStringLiteral("Не удалось записать рисунок.");
        return false;
    }
    buffer.close();
    return WriteAtomically(fileName, bytes, error, progress);
}

bool ExportPicture(TSuperGrWindow& window, const QString& fileName, TPictureFormat format,
                   const TPictureOptions& options, QString* error, const QString& title) {
    return WritePicture(RenderPicture(window, fileName, format, options, title), fileName, error);
}
