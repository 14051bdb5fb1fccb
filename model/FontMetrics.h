// Text measures the layout needs, taken from the platform's fonts so the screen and every export
// lay out alike.
#pragma once

#include "model/Font.h"

#include <QFont>

struct TFontMetricsInfo {
    int DigitHeight = 0;    // height of "8"
    int SixDigitsWidth = 0; // width of "888888"
    int LineHeight = 0;     // one line of text
};

// The font drawn for a font record at an output scale (pixel sizes grow with the scale).
QFont ToQFont(const TFontRec& font, Extended outputScale = 1);
// A font chosen in a font chooser as a record: name, point size and style from the font; the
// character set and colour stay those of the record it was chosen for.
TFontRec FromQFont(const QFont& font, const TFontRec& was);
TFontMetricsInfo MeasureFont(const TFontRec& font, Extended outputScale = 1);
