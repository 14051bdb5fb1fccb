// A paint device that records what a QPainter draws as an enhanced metafile (EMF), written record by
// record, so a figure exported as a metafile is the same drawing as on the screen: the painter's
// pens, brushes, fonts, clipping and transform become the device context's objects and state, and
// every shape becomes the matching classic record (polylines, polygons, rectangles, ellipses,
// rounded rectangles, pixels, Unicode text, bitmaps). Coordinates are device pixels (logical units
// of the metafile); the frame in 0.01 mm follows from the picture size and the resolution.
#pragma once

#include <QByteArray>
#include <QPaintDevice>
#include <QSize>
#include <QString>

#include <memory>

class TEmfPaintEngine;

class TEmfPaintDevice : public QPaintDevice {
public:
    // size: the picture in pixels; dotsPerInch: the resolution the frame is measured with (the
    // screen's, so a metafile of the client area has the size the window has on the screen).
    explicit TEmfPaintDevice(QSize size, qreal dotsPerInch = 96);
    ~TEmfPaintDevice() override;
    TEmfPaintDevice(const TEmfPaintDevice&) = delete;
    TEmfPaintDevice& operator=(const TEmfPaintDevice&) = delete;

    QPaintEngine* paintEngine() const override;

    // Writes dashed lines as their dashes drawn with a solid pen instead of as lines of a pen with
    // a user dash style, for players that draw user styles solid (LibreOffice 7.4 does). Off by
    // default: the pen keeps the style, and the file stays small.
    void SetDashesAsSegments(bool on);
    bool DashesAsSegments() const;

    QSize Size() const { return FSize; }
    qreal DotsPerInch() const { return FDotsPerInch; }

    // The whole metafile: header, the records drawn so far, end record.
    QByteArray Bytes() const;
    // Writes the metafile through a temporary file, so a failed save leaves an existing file whole.
    // error (may be null) receives the reason on failure.
    bool SaveTo(const QString& path, QString* error) const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize FSize;
    qreal FDotsPerInch;
    std::unique_ptr<TEmfPaintEngine> FEngine;
};
