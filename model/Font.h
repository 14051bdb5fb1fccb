// A font as the figure keeps it: requested face name, character set, colour, size and style.
// The face name stays as requested even where the platform draws a substitute.
#pragma once

#include "model/Colors.h"

#include <QString>

struct TFontRec {
    enum Style : uint8_t { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };

    QString Name = QStringLiteral("Microsoft Sans Serif");
    uint8_t Charset = 1; // default character set
    TColor Color = clWindowText;
    int32_t Size = 8; // points; negative: the cell height in points
    uint8_t StyleBits = 0;

    // Screen pixels per inch the sizes refer to.
    static constexpr int PixelsPerInch = 96;

    // Pixel height: positive for the cell height, as sizes convert at PixelsPerInch.
    int32_t Height() const;
    void SetHeight(int32_t pixels);
    bool IsBold() const { return StyleBits & Bold; }
    bool IsItalic() const { return StyleBits & Italic; }

    bool operator==(const TFontRec&) const = default;
};
