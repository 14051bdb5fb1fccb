#include "model/FontMetrics.h"

#include "model/Codecs.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <cstdlib>

QFont ToQFont(const TFontRec& font, Extended outputScale) {
    QFont f(font.Name);
    // A negative size is a cell height, as the classic font records count it; pixels keep the layout
    // independent of the screen resolution.
    const int pixels = std::max(1, RoundHalfEven(std::abs(font.Height()) * outputScale));
    f.setPixelSize(pixels);
    f.setBold(font.IsBold());
    f.setItalic(font.IsItalic());
    f.setUnderline(font.StyleBits & TFontRec::Underline);
    f.setStrikeOut(font.StyleBits & TFontRec::StrikeOut);
    return f;
}

TFontMetricsInfo MeasureFont(const TFontRec& font, Extended outputScale) {
    TFontMetricsInfo info;
    if (!QGuiApplication::instance()) {
        // No font system (a bare library user): estimate from the pixel size.
        const int pixels = std::max(1, RoundHalfEven(std::abs(font.Height()) * outputScale));
        info.DigitHeight = info.LineHeight = pixels;
        info.SixDigitsWidth = 6 * pixels * 6 / 10;
        return info;
    }
    const QFontMetrics metrics(ToQFont(font, outputScale));
    info.DigitHeight = metrics.height(); // a text height is the whole cell, as for any text
    info.SixDigitsWidth = metrics.horizontalAdvance(QStringLiteral("888888"));
    info.LineHeight = metrics.height();
    return info;
}

TFontRec FromQFont(const QFont& font, const TFontRec& was) {
    TFontRec rec = was;
    rec.Name = font.family();
    if (font.pointSize() > 0)
        rec.Size = font.pointSize();
    else if (font.pixelSize() > 0)
        rec.SetHeight(font.pixelSize());
    rec.StyleBits = (font.bold() ? TFontRec::Bold : 0) | (font.italic() ? TFontRec::Italic : 0) |
                    (font.underline() ? TFontRec::Underline : 0) |
                    (font.strikeOut() ? TFontRec::StrikeOut : 0);
    return rec;
}
