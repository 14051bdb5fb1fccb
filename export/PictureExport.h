// Pictures of a figure: bitmaps (PNG, JPEG, BMP), SVG, PDF and enhanced metafiles, all painted by the
// same routine as the screen at an output scale and with an export colour scheme.
#pragma once

#include "window/SuperGrWindow.h"

#include <QImage>
#include <QPainter>
#include <optional>

class TJobProgress;

enum class TPictureFormat { Png, Jpg, Bmp, Svg, Pdf, Emf };

// The format an output file name asks for by its extension; none for an unknown one.
std::optional<TPictureFormat> PictureFormatFor(const QString& fileName);

struct TPictureOptions {
    // Output scale: the picture is the window's client size times this (1 when 0).
    Extended Scale = 1;
    // 0 as is, 1 white background, 2 darkened colours, 3 black and white.
    int Scheme = 0;
};

// Paints the figure into the target rectangle in the scheme, as pictures and printouts do (the focus
// frame off, a running animation at its end), then lays the window out for the screen again.
void PaintFigureOutput(TSuperGrWindow& window, QPainter& painter, const TRect& target,
                       const TColorStruct& scheme);

// The figure as a bitmap of client size × scale.
QImage RenderBitmap(TSuperGrWindow& window, const TPictureOptions& options);

// A picture painted from the figure and ready to be written: a bitmap still to be encoded (PNG, JPEG,
// BMP), or the file's bytes (SVG, PDF, EMF).
struct TRenderedPicture {
    TPictureFormat Format = TPictureFormat::Png;
    QImage Image;
    QByteArray Bytes;
};
// The part of an export that needs the figure, on the figure's thread.
TRenderedPicture RenderPicture(TSuperGrWindow& window, const QString& fileName, TPictureFormat format,
                               const TPictureOptions& options, const QString& title = {});
// The part that does not, on any thread: encodes a bitmap and writes the file through a temporary
// file, counting the bytes into the job. A cancel leaves an existing file as it was: false with an
// empty error.
bool WritePicture(const TRenderedPicture& picture, const QString& fileName, QString* error,
                  TJobProgress* progress = nullptr);

// Writes the picture through a temporary file, so a failed export leaves an existing file as it was.
// title: what SVG and PDF files name as their title, the figure's file name; empty takes the
// picture's own file name.
bool ExportPicture(TSuperGrWindow& window, const QString& fileName, TPictureFormat format,
                   const TPictureOptions& options, QString* error, const QString& title = {});
