// The drawing device every painter of the figure goes through (screen, bitmap, SVG, PDF, metafile,
// printer). It keeps the classic raster rules in one place: rectangles and ellipses leave out their
// right and bottom edge, a line leaves out its end point, cosmetic pens have the five classic dash
// styles, user dash patterns are counted in pixels, wide pens have round caps and joins, text is
// placed by its top-left corner and may have an opaque background. Graphics are drawn without
// antialiasing so the picture is the same on every device.
#pragma once

#include "model/ost2_Types.h"

#include <QFont>
#include <QList>
#include <QPainter>
#include <QPoint>

class TDrawAdapter {
public:
    explicit TDrawAdapter(QPainter& painter);
    TDrawAdapter(const TDrawAdapter&) = delete;
    TDrawAdapter& operator=(const TDrawAdapter&) = delete;

    QPainter& Painter() { return FPainter; }

    // ---- State ----
    void Save();
    void Restore();
    // Limits drawing to the rectangle (right and bottom edges excluded), inside the current clip.
    void IntersectClip(const TRect& r);

    // ---- Pens and brushes ----
    enum TCosmeticStyle : int {
        psSolid = 0,
        psDash = 1,
        psDot = 2,
        psDashDot = 3,
        psDashDotDot = 4,
        psClear = 5
    };
    // A solid pen; widths below 2 are one-pixel cosmetic pens.
    void SetSolidPen(TColor color, int width = 1);
    // A one-pixel pen of a classic style (styles outside 0..4 draw nothing).
    void SetCosmeticPen(TColor color, int style);
    // A wide pen with round caps and joins whose dashes and gaps are given in pixels.
    void SetPatternPen(TColor color, int width, const QList<int>& pattern);
    void SetNullPen();
    const QPen& Pen() const { return FPen; }
    void SetBrush(TColor color);
    void SetNullBrush();

    // ---- Text ----
    void SetFont(const QFont& font);
    const QFont& Font() const { return FFont; }
    void SetTextColor(TColor color);
    // Opaque text fills its cell with the background colour before the glyphs.
    void SetTextBackground(bool opaque, TColor background = 0xFFFFFF);
    // Font, text colour and background together, to put back after a temporary change.
    struct TTextState {
        QFont Font;
        QColor Color, Background;
        bool Opaque = false;
    };
    TTextState TextState() const { return {FFont, FTextColor, FTextBackground, FOpaqueText}; }
    void SetTextState(const TTextState& state);
    bool OpaqueText() const { return FOpaqueText; }
    // Width of the text and the height of one line of the current font.
    QSize TextExtent(const QString& text) const;
    // The text with its cell's top-left corner at (x, y).
    void TextOut(int x, int y, const QString& text);
    // The text running upwards, its cell's bottom-left corner at (x, y) (escapement 900).
    void TextOutUp(int x, int y, const QString& text);

    // ---- Shapes (current pen outlines, current brush fills) ----
    void MoveTo(int x, int y);
    // A line from the current position; the end point is left out and becomes the current position.
    void LineTo(int x, int y);
    void Line(int x1, int y1, int x2, int y2) {
        MoveTo(x1, y1);
        LineTo(x2, y2);
    }
    // Consecutive lines through the points; the last point is left out.
    void Polyline(const TPoint* points, int count);
    void SetPixel(int x, int y, TColor color);
    // Covers the pixels left ≤ x < right, top ≤ y < bottom.
    void Rectangle(int left, int top, int right, int bottom);
    void FillRect(const TRect& r, TColor color);
    // The ellipse inscribed in left ≤ x < right, top ≤ y < bottom.
    void Ellipse(int left, int top, int right, int bottom);
    void Polygon(const TPoint* points, int count);

    static QColor ToQColor(TColor color);

private:
    // The pen as lines are drawn with (one-pixel lines keep both end pixels of what they are given).
    QPen LinePen() const;

    QPainter& FPainter;
    QPen FPen;
    QBrush FBrush;
    QFont FFont;
    QColor FTextColor{Qt::black};
    QColor FTextBackground{Qt::white};
    bool FOpaqueText = false;
    QPoint FPosition;
    QList<QPen> FSavedPens;
    QList<QBrush> FSavedBrushes;
};
