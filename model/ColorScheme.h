// The colours a figure is drawn in: the fixed fields of a scheme and the per-graph overrides.
#pragma once

#include "model/Colors.h"

class TColorScheme {
public:
    enum Field {
        Outside,
        Inside,
        ActiveBorder,
        UnActiveBorder,
        Axis,
        Grid,
        SubGrid,
        AxText,
        TopCaption,
        BottomCaption,
        Symbol,
        Points,
        SelPoints,
        GraphDefault,
        LegendBackgrnd,
        LegendBorder,
        LegendText,
        FieldCount
    };
    TColor Get(Field f) const { return FColors[f]; }

    // When non-empty they override each graph's line and marker colour while painting.
    TColors GraphColors;
    TColors MarkerColors;

protected:
    TColor FColors[FieldCount] = {clWindow, clWindow,     clWindowText, clSilver,     clSilver,     clGray,
                                  0xE0E0E0, clWindowText, clWindowText, clWindowText, clWindowText, clGreen,
                                  clRed,    clWindow,     clWindow,     clWindowText, clWindowText};
};
