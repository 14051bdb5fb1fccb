// How a graph maps its data to pixels: a plain value with pure conversions.
#pragma once

#include "model/ost2_Types.h"

enum class TAxis { X, Y };

// Tick-step variants of an axis.
enum class TTickVariant { DecimalX, DecimalY, Seconds, Minutes, Hours, Days, Months, SecondFractions };

// The fixed points of a mapping at one moment: the middle of the graph's data extents, and the
// owner's origin pixel onto which that middle (shifted) is drawn.
struct TMappingAnchor {
    Extended MidX = 0, MidY = 0;
    Extended OriginX = 0, OriginY = 0;
};

// Each axis scales by fit × zoom pixels per data unit: the fit makes the data extents fill the plot,
// the zoom is the view's own. The data point mid + shift lands on the origin. Pixel rows grow
// downwards, data upwards.
struct TGraphMapping {
    Extended FitX = 1, FitY = 1;
    Extended ZoomX = 1, ZoomY = 1;
    Extended ShiftX = 0, ShiftY = 0;
    // Data units per pixel at the last fit.
    Extended PixelStepX = 1, PixelStepY = 1;
    // Pixel distance of two ticks at the last drawing of the axes.
    Extended TickStepX = 0, TickStepY = 0;

    Extended ToPixelX(Extended x, const TMappingAnchor& a) const {
        return (x - a.MidX - ShiftX) * FitX * ZoomX + a.OriginX;
    }
    Extended ToPixelY(Extended y, const TMappingAnchor& a) const {
        return a.OriginY - (y - a.MidY - ShiftY) * FitY * ZoomY;
    }
    // A mapping of scale 0 sends every other pixel to the largest finite data value of its side.
    Extended ToDataX(Extended px, const TMappingAnchor& a) const;
    Extended ToDataY(Extended py, const TMappingAnchor& a) const;
    Extended LengthToPixelX(Extended l) const { return l * FitX * ZoomX; }
    Extended LengthToPixelY(Extended l) const { return l * FitY * ZoomY; }
    Extended PixelLengthToDataX(Extended d) const;
    Extended PixelLengthToDataY(Extended d) const;

    // Fits the data ranges into the rectangle (a zero range widened first) and derives the pixel
    // steps; the zooms stay.
    void Fit(const TRect& rect, Extended xMin, Extended xMax, Extended yMin, Extended yMax);
    // Zooms of 1e15 and more are refused: the pixels would no longer be integers.
    void SetZoomX(Extended z) {
        if (z < 1e15L) ZoomX = z;
    }
    void SetZoomY(Extended z) {
        if (z < 1e15L) ZoomY = z;
    }
    // Equal pixels per data unit on both axes: the axis with the larger fit takes the other's scale.
    void EqualizeScales();
    // The pixel distance of two ticks for the wanted distance of n pixels.
    Extended TickStep(TTickVariant variant, int n) const;
};

// A zero data range (min = max) widened by 1 % of the value on either side (0.01 around zero).
void WidenZeroRange(Extended& min, Extended& max);
