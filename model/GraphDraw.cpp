#include "model/GraphDraw.h"

#include "model/Codecs.h"
#include "model/DateFormat.h"
#include "model/DecimalLog.h"
#include "model/Polyline.h"
#include "model/Symbol.h"

#include <QElapsedTimer>
#include <QPaintEngine>
#include <bit>
#include <cmath>
#include <vector>

namespace {

int Round(Extended v) {
    return RoundHalfEven(v);
}

// Coordinates built from stored offsets and sizes stay far inside the integer range, so values from
// a damaged figure cannot overflow the arithmetic of the drawing.
constexpr int64_t kCoordLimit = 1 << 28;
int Coord(int64_t v) {
    return int(std::clamp<int64_t>(v, -kCoordLimit, kCoordLimit));
}
int ScaledAtLeastOne(Extended v, Extended s) {
    return std::max(1, Round(v * s));
}

bool Intersects(const TRect& a, const TRect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

bool HasContent(const TGrSymRecord& d) {
    return d.IsText ? !d.Text.isEmpty() : !d.Symbol.Prims.isEmpty();
}

// The X pair is switched by the X data designation's flag, the Y pair by the Y data designation's.
bool PairShown(const TGraph& g, bool alongX) {
    return g.Designation(alongX ? dsXData : dsYData).Show;
}
bool Drawn(const TGraph& g, TDesignation d) {
    return PairShown(g, d == dsXData || d == dsXDimension) && HasContent(g.Designation(d));
}
// Labels keep clear of a drawn designation whose own flag is on.
bool Avoided(const TGraph& g, TDesignation d) {
    return Drawn(g, d) && g.Designation(d).Show;
}

// A tick range that can be walked: a finite, positive step and a bounded count.
struct TTicks {
    bool Valid = false;
    Extended Origin = 0; // pixel of data value 0
    Extended Step = 0;
    int64_t First = 0, Last = -1;
    Extended Pixel(int64_t k) const { return Origin + Extended(k) * Step; }
};

constexpr int64_t kMaxTicks = 100000;

TTicks MakeTicks(Extended origin, Extended step, int low, int high) {
    TTicks t;
    if (!std::isfinite(step) || !(step > 0) || !std::isfinite(origin)) return t; // zoom 0: no axis
    const Extended first = std::trunc((low - origin) / step) - 1;
    const Extended last = std::trunc((high - origin) / step) + 1;
    if (!std::isfinite(first) || !std::isfinite(last) || last - first > kMaxTicks || std::fabs(first) > 9e18L)
        return t;
    t.Valid = true;
    t.Origin = origin;
    t.Step = step;
    t.First = int64_t(first);
    t.Last = int64_t(last);
    return t;
}

// Whole days within one second.
bool NearWholeDay(Extended days) {
    return std::fabs(days - std::round(days)) <= 1.0L / 86400;
}

QSize Extent(TDrawAdapter& dc, const QFont& font, const QString& text) {
    dc.SetFont(font);
    return dc.TextExtent(text);
}

void DrawDesignation(TDrawAdapter& dc, const TGrSymRecord& d, const QFont& font, TColor color) {
    if (d.IsText) {
        dc.SetFont(font);
        dc.SetTextColor(color);
        if (d.Vertical)
            dc.TextOutUp(d.Bounds.Left, d.Bounds.Bottom, d.Text);
        else
            dc.TextOut(d.Bounds.Left, d.Bounds.Top, d.Text);
    } else {
        DrawSymbol(dc, d.Bounds, d.Symbol, d.Vertical ? 90 : 0, true, color);
    }
}

class TAxesPainter {
public:
    TAxesPainter(TGraph& g, TDrawAdapter& dc, const TColorScheme& scheme, TGraphDrawContext& ctx)
        : G(g), Dc(dc), Scheme(scheme), Ctx(ctx), P(ctx.Plot) {}

    void Draw() {
        ComputeTicks();
        LayoutDesignations(G, Dc, Ctx);
        const bool drawX = DrawsAxis(true), drawY = DrawsAxis(false);
        if (Ctx.ShowXAxisLabels && drawX) DrawXAxis();
        if (Ctx.ShowYAxisLabels && drawY) DrawYAxis();
        if (G.Layer() == 0) DrawBackgroundLines();
        if (drawX) DrawPair(true);
        if (drawY) DrawPair(false);
        CountDown(Ctx, G);
    }

    static void CountDown(TGraphDrawContext& ctx, const TGraph& g) {
        if (ctx.CombineXAxis && g.AxisSlotX >= 0 && g.AxisSlotX < ctx.XSlotRemaining.size())
            --ctx.XSlotRemaining[g.AxisSlotX];
        if (ctx.CombineYAxis && g.AxisSlotY >= 0 && g.AxisSlotY < ctx.YSlotRemaining.size())
            --ctx.YSlotRemaining[g.AxisSlotY];
    }

private:
    // Without separate axes only the graph of slot 0 labels the axis; with combined axes only the
    // last graph drawn in its slot.
    bool DrawsAxis(bool alongX) const {
        const int slot = alongX ? G.AxisSlotX : G.AxisSlotY;
        const bool multi = alongX ? Ctx.MultiXAxis : Ctx.MultiYAxis;
        if (!multi && slot != 0) return false;
        const bool combine = alongX ? Ctx.CombineXAxis : Ctx.CombineYAxis;
        const QList<int>& remaining = alongX ? Ctx.XSlotRemaining : Ctx.YSlotRemaining;
        if (combine && slot >= 0 && slot < remaining.size()) return remaining[slot] == 1;
        return true;
    }

    int XOffset() const { return Ctx.MultiXAxis ? Ctx.XSlotOffset(G.AxisSlotX) : 0; }
    int YOffset() const { return Ctx.MultiYAxis ? Ctx.YSlotOffset(G.AxisSlotY) : 0; }

    void ComputeTicks() {
        // A grid step below one pixel: no grid lines, ticks or labels along that axis.
        const int nx = Ctx.GridSizeX, ny = Ctx.GridSizeY;
        if (nx >= 1) {
            const Extended stepX = G.ComputeTickStep(XTickVariant(G, nx), nx);
            X = MakeTicks(G.DataToPixelX(0), stepX, P.Left, P.Right);
            // Data values per tick step, so tick k is exactly k steps from 0.
            DataStepX = G.PixelLengthToDataX(stepX);
        }
        if (ny >= 1) {
            const Extended stepY = G.ComputeTickStep(TTickVariant::DecimalY, ny);
            Y = MakeTicks(G.DataToPixelY(0), stepY, P.Top, P.Bottom);
            DataStepY = G.PixelLengthToDataY(stepY);
        }
    }

    Extended XValue(int64_t k) const { return Extended(k) * DataStepX; }
    // Going up the screen, the data grows.
    Extended YValue(int64_t k) const { return -Extended(k) * DataStepY; }

    bool ClearOfDesignations(const TRect& r, bool alongX) const {
        const TDesignation data = alongX ? dsXData : dsYData, dim = alongX ? dsXDimension : dsYDimension;
        if (Avoided(G, data) && Intersects(r, G.Designation(data).Bounds)) return false;
        if (Avoided(G, dim) && Intersects(r, G.Designation(dim).Bounds)) return false;
        return true;
    }

    void DrawXAxis() {
        const int f = Ctx.FrameWidth, t = Ctx.TickLength, xoff = XOffset();
        const bool ownBand = Ctx.MultiXAxis && G.AxisSlotX >= 1;
        if (ownBand) {
            Dc.SetSolidPen(Scheme.Get(TColorScheme::ActiveBorder), 1);
            const int inner = P.Bottom + xoff - t - f / 2;
            const TPoint bracket[] = {
                {P.Left, inner}, {P.Left, P.Bottom + xoff}, {P.Right, P.Bottom + xoff}, {P.Right, inner}};
            Dc.Polyline(bracket, 4);
        }
        if (!X.Valid) return;
        Dc.SetFont(Ctx.AxisFont);
        Dc.SetTextColor(Scheme.Get(TColorScheme::AxText));
        Dc.SetTextBackground(false);
        const bool dates = G.DateTimeArg();
        const bool fractions = dates && DataStepX < 1.0L / 86400;
        const int top = P.Bottom + f / 2 + xoff;
        for (int64_t k = X.First; k <= X.Last; ++k) {
            const int x = Round(X.Pixel(k));
            if (x < P.Left || x >= P.Right) continue;
            Extended value = XValue(k);
            if (G.LogX()) value = Pow10(value);
            if (ownBand && Ctx.ShowTicks) {
                Dc.SetSolidPen(Scheme.Get(TColorScheme::ActiveBorder), 1);
                Dc.Line(x, P.Bottom + xoff - (f / 3 + t / 2), x, P.Bottom + xoff);
            }
            if (dates) {
                const QString time = FormatTimeLabel(value, fractions), date = FormatDateLabel(value);
                const QSize tw = Dc.TextExtent(time), dw = Dc.TextExtent(date);
                const TRect timeRect{x - tw.width() / 2, top, x - tw.width() / 2 + tw.width(),
                                     top + tw.height()};
                const TRect dateRect{x - dw.width() / 2, top + tw.height(), x - dw.width() / 2 + dw.width(),
                                     top + tw.height() + dw.height()};
                if (!LabelFits(timeRect) || !LabelFits(dateRect)) continue;
                Dc.TextOut(timeRect.Left, timeRect.Top, time);
                Dc.TextOut(dateRect.Left, dateRect.Top, date);
            } else {
                const QString text = FormatAxisNumber(value);
                const QSize size = Dc.TextExtent(text);
                const TRect r{x - size.width() / 2, top, x - size.width() / 2 + size.width(),
                              top + size.height()};
                if (!LabelFits(r)) continue;
                Dc.TextOut(r.Left, r.Top, text);
            }
        }
    }

    bool LabelFits(const TRect& r) const {
        return r.Left >= P.Left && r.Right <= P.Right && ClearOfDesignations(r, true);
    }

    void DrawYAxis() {
        const int f = Ctx.FrameWidth, t = Ctx.TickLength, yoff = YOffset();
        const bool ownBand = Ctx.MultiYAxis && G.AxisSlotY >= 1;
        const int L = P.Left, T = P.Top, B = P.Bottom;
        if (ownBand) {
            Dc.SetSolidPen(Scheme.Get(TColorScheme::ActiveBorder), 1);
            const int inner = L - yoff + t + f / 2;
            const TPoint bracket[] = {{inner, T}, {L - yoff, T}, {L - yoff, B}, {inner, B}};
            Dc.Polyline(bracket, 4);
        }
        if (!Y.Valid) return;
        Dc.SetFont(Ctx.AxisFont);
        Dc.SetTextColor(Scheme.Get(TColorScheme::AxText));
        Dc.SetTextBackground(false);
        const int s = Round(Ctx.OutputScale);
        for (int64_t k = Y.First; k <= Y.Last; ++k) {
            const int y = Round(Y.Pixel(k));
            if (y < T || y >= B) continue; // the point (L + 1, y) must lie in the plot
            Extended value = YValue(k);
            if (G.LogY()) value = Pow10(value);
            const QString text = FormatAxisNumber(value);
            const QSize size = Dc.TextExtent(text);
            const int w = size.width(), h = size.height();
            TRect cell;
            if (Ctx.VerticalYFont)
                cell = {L + 2 - f / 2 - h - yoff, y - w / 2, L + 2 - f / 2 - yoff, y + w / 2};
            else
                cell = {L - s - f / 2 - w - yoff, y - h / 2, L - s - f / 2 - yoff, y + h / 2};
            if (cell.Top < T || cell.Bottom > B || !ClearOfDesignations(cell, false)) continue;
            if (Ctx.VerticalYFont)
                Dc.TextOutUp(cell.Left, cell.Bottom, text);
            else
                Dc.TextOut(cell.Left, cell.Top, text);
            if (ownBand && Ctx.ShowTicks) {
                Dc.SetSolidPen(Scheme.Get(TColorScheme::ActiveBorder), 1);
                Dc.Line(L - yoff + t / 2 + f / 3, y, L - yoff, y);
            }
        }
    }

    void DrawBackgroundLines() {
        const int f = Ctx.FrameWidth;
        const TRect clip{P.Left + (f + 1) / 2, P.Top + (f + 1) / 2, P.Right - f / 2, P.Bottom - f / 2};
        Dc.Save();
        Dc.IntersectClip(clip);
        const bool dates = G.DateTimeArg();
        if (Ctx.ShowGrid) {
            Ctx.SubGridPen.Apply(Dc);
            if (Ctx.SubGridDividerX >= 2 && X.Valid) SubGrid(X, Ctx.SubGridDividerX, true);
            if (Ctx.SubGridDividerY >= 2 && Y.Valid) SubGrid(Y, Ctx.SubGridDividerY, false);
            Ctx.GridPen.Apply(Dc);
            if (X.Valid)
                for (int64_t k = X.First; k <= X.Last; ++k)
                    if (k != 0 && !(dates && NearWholeDay(XValue(k)))) VerticalLine(Round(X.Pixel(k)));
            if (Y.Valid)
                for (int64_t k = Y.First; k <= Y.Last; ++k)
                    if (k != 0) HorizontalLine(Round(Y.Pixel(k)));
        }
        Ctx.AxisPen.Apply(Dc);
        if (dates && X.Valid)
            for (int64_t k = X.First; k <= X.Last; ++k)
                if (k != 0 && NearWholeDay(XValue(k))) VerticalLine(Round(X.Pixel(k)));
        const Extended zeroX = G.DataToPixelX(0), zeroY = G.DataToPixelY(0);
        if (zeroX > P.Left && zeroX < P.Right) VerticalLine(Round(zeroX));
        if (zeroY > P.Top && zeroY < P.Bottom) HorizontalLine(Round(zeroY));
        if (Ctx.ShowTicks) {
            Ctx.TickPen.Apply(Dc);
            const int length = f / 2 + Ctx.TickLength;
            if (X.Valid)
                for (int64_t k = X.First; k <= X.Last; ++k) {
                    const int x = Round(X.Pixel(k));
                    Dc.Line(x, P.Top, x, P.Top + length);
                    Dc.Line(x, P.Bottom, x, P.Bottom - length);
                }
            if (Y.Valid)
                for (int64_t k = Y.First; k <= Y.Last; ++k) {
                    const int y = Round(Y.Pixel(k));
                    Dc.Line(P.Left, y, P.Left + length, y);
                    Dc.Line(P.Right, y, P.Right - length, y);
                }
        }
        Dc.Restore();
    }

    void SubGrid(const TTicks& ticks, int divider, bool vertical) {
        const Extended zero = vertical ? G.DataToPixelX(0) : G.DataToPixelY(0);
        const int zeroPixel = Round(zero);
        for (int64_t k = ticks.First; k < ticks.Last; ++k)
            for (int j = 1; j < divider; ++j) {
                const int p = Round(ticks.Pixel(k) + ticks.Step * j / divider);
                if (p == zeroPixel) continue;
                vertical ? VerticalLine(p) : HorizontalLine(p);
            }
    }

    void VerticalLine(int x) { Dc.Line(x, P.Top, x, P.Bottom); }
    void HorizontalLine(int y) { Dc.Line(P.Left, y, P.Right, y); }

    void DrawPair(bool alongX) {
        if (!PairShown(G, alongX)) return;
        const TColor color = Scheme.Get(TColorScheme::Symbol);
        const TDesignation pair[2] = {alongX ? dsXData : dsYData, alongX ? dsXDimension : dsYDimension};
        for (TDesignation d : pair)
            if (Drawn(G, d)) DrawDesignation(Dc, G.Designation(d), Ctx.DesignationFont, color);
    }

    TGraph& G;
    TDrawAdapter& Dc;
    const TColorScheme& Scheme;
    TGraphDrawContext& Ctx;
    const TRect P;
    TTicks X, Y;
    Extended DataStepX = 0, DataStepY = 0;
};

// The colours of the curve pass.
struct TCurveColors {
    TColor Line, Marker;
};

TCurveColors CurveColors(const TGraph& g, int index, const TColorScheme& scheme,
                         const TGraphDrawContext& ctx) {
    TCurveColors c;
    if (!scheme.GraphColors.isEmpty() && scheme.GraphColors.size() == ctx.GraphCount && index >= 0 &&
        index < scheme.GraphColors.size()) {
        c.Line = scheme.GraphColors[index];
        // The marker array is checked on its own: an export scheme may carry fewer marker colours.
        c.Marker = index < scheme.MarkerColors.size() ? scheme.MarkerColors[index] : c.Line;
    } else if (ctx.GraphOwnColors) {
        c.Line = g.Color();
        c.Marker = g.MarkerColor();
    } else {
        c.Line = c.Marker = scheme.Get(TColorScheme::GraphDefault);
    }
    if (ctx.ToolMode == tmEdit && !g.Selected())
        c.Line = c.Marker = FadedColor(scheme.Get(TColorScheme::Inside));
    return c;
}

// The first node from `i` on whose square is drawn: on screen, and selected or all nodes shown. A
// loop of its own, as most of a large curve's nodes draw nothing.
qsizetype NextShownNode(const TNodePixel* nodes, qsizetype count, qsizetype i, bool all) {
    if (all) {
        while (i < count && !nodes[i].OnScreen)
            ++i;
    } else {
        while (i < count && !(nodes[i].OnScreen && nodes[i].Selected))
            ++i;
    }
    return i;
}

// One-pixel-wide pixel columns of a curve, filled. A fill of a tall, narrow rectangle costs about
// as much per row as a whole row does, so when the columns stand side by side (a noisy curve) the
// covered pixels are filled row by row as runs of neighbouring pixels: the same pixels in far fewer
// and cheaper fills.
struct TPixelSpan {
    int X = 0, Low = 0, High = -1;
};

void FillPixelSpans(QPainter& painter, const QBrush& fill, const QList<TPixelSpan>& spans) {
    auto byColumns = [&] {
        for (const TPixelSpan& s : spans)
            painter.fillRect(QRect(s.X, s.Low, 1, s.High - s.Low + 1), fill);
    };
    if (spans.size() < 64) return byColumns();
    int64_t area = 0;
    int left = spans[0].X, right = left, top = spans[0].Low, bottom = spans[0].High;
    for (const TPixelSpan& s : spans) {
        area += int64_t(s.High) - s.Low + 1;
        left = std::min(left, s.X);
        right = std::max(right, s.X);
        top = std::min(top, s.Low);
        bottom = std::max(bottom, s.High);
    }
    const int64_t width = int64_t(right) - left + 1, height = int64_t(bottom) - top + 1;
    if (width * height > (int64_t(1) << 25)) return byColumns(); // a mask of at most 4 MB
    // One bit per pixel of the spans' bounding box, row by row.
    const int64_t words = (width + 63) / 64;
    std::vector<uint64_t> mask(size_t(words * height));
    for (const TPixelSpan& s : spans) {
        const int64_t column = s.X - left;
        uint64_t* word = mask.data() + (s.Low - top) * words + column / 64;
        const uint64_t bit = uint64_t(1) << (column % 64);
        for (int y = s.Low; y <= s.High; ++y, word += words)
            *word |= bit;
    }
    // The runs of set bits of every row: [start, end) in mask columns.
    struct TRun {
        int Row, Start, End;
    };
    std::vector<TRun> runs;
    for (int64_t row = 0; row < height; ++row) {
        const uint64_t* r = mask.data() + row * words;
        int64_t start = -1;
        for (int64_t i = 0; i < words; ++i) {
            const uint64_t w = r[i];
            int b = 0;
            while (b < 64) {
                // Looking for the next set bit, or for the next clear one that ends the run; the bits
                // past the box's width are clear, so every run ends inside the row.
                const uint64_t rest = (start < 0 ? w : ~w) >> b;
                if (rest == 0) break;
                b += std::countr_zero(rest);
                if (start < 0) {
                    start = i * 64 + b;
                } else {
                    runs.push_back({int(row), int(start), int(i * 64 + b)});
                    start = -1;
                }
            }
        }
    }
    // Row runs pay when they are much fewer than the pixels the columns have.
    if (int64_t(runs.size()) * 32 > area) return byColumns();
    for (const TRun& run : runs)
        painter.fillRect(QRect(left + run.Start, top + run.Row, run.End - run.Start, 1), fill);
}

// One-pixel solid lines on a raster device, for the screen and bitmaps. The vertical stretches of
// the pieces (what a dense curve keeps in one pixel column) are the pixel spans between their
// extremes; spans that follow each other in one column are merged before they are filled, so a
// noisy curve that leaves and enters the window at every few nodes fills each column about once
// instead of drawing every piece over it. The other lines go in one line call. The end pixel of
// every piece stays free as with a polyline; the colour is opaque, so the order does not matter.
void DrawPiecesOnRaster(TDrawAdapter& dc, const TPoint* points, const TPolyLinePiece* pieces, int pieceCount,
                        int pointCount) {
    QPainter& painter = dc.Painter();
    QPen pen = dc.Pen();
    pen.setCapStyle(Qt::SquareCap); // a one-pixel line covers both end pixels
    const QBrush fill(pen.color());
    QList<TPixelSpan> spans;
    TPixelSpan span;
    auto flush = [&] {
        if (span.High >= span.Low) spans.append(span);
        span = {};
    };
    auto addSpan = [&](int x, int low, int high) {
        // Spans far beyond any device are cut there, so their sizes stay integers.
        x = Coord(x);
        low = Coord(low);
        high = Coord(high);
        if (span.High >= span.Low && x == span.X && low <= span.High + 1 && high >= span.Low - 1) {
            span.Low = std::min(span.Low, low);
            span.High = std::max(span.High, high);
            return;
        }
        flush();
        span = {x, low, high};
    };
    QList<QLineF> lines;
    for (int i = 0; i < pieceCount; ++i) {
        const TPolyLinePiece& piece = pieces[i];
        if (piece.First < 0 || piece.First + piece.Count > pointCount || piece.Count < 2) continue;
        const TPoint* p = points + piece.First;
        const int last = piece.Count - 1;
        int k = 0;
        while (k < last - 1) {
            if (p[k].X != p[k + 1].X) {
                lines.append(QLineF(p[k].X, p[k].Y, p[k + 1].X, p[k + 1].Y));
                ++k;
                continue;
            }
            // A vertical stretch, up to the point before the piece's last segment.
            int low = std::min(p[k].Y, p[k + 1].Y), high = std::max(p[k].Y, p[k + 1].Y);
            int j = k + 1;
            while (j < last - 1 && p[j + 1].X == p[k].X) {
                ++j;
                low = std::min(low, p[j].Y);
                high = std::max(high, p[j].Y);
            }
            addSpan(p[k].X, low, high);
            k = j;
        }
        // The last segment stops one pixel short of the end along its longer axis.
        const TPoint from = p[last - 1], to = p[last];
        const int64_t dx = int64_t(to.X) - from.X, dy = int64_t(to.Y) - from.Y;
        const int64_t steps = std::max(std::abs(dx), std::abs(dy));
        if (dx == 0 && dy != 0) {
            const int end = to.Y - (dy > 0 ? 1 : -1);
            addSpan(to.X, std::min(from.Y, end), std::max(from.Y, end));
        } else {
            const QPointF end = steps == 0 ? QPointF(to.X, to.Y)
                                           : QPointF(to.X - qreal(dx) / steps, to.Y - qreal(dy) / steps);
            lines.append(QLineF(QPointF(from.X, from.Y), end));
        }
    }
    flush();
    FillPixelSpans(painter, fill, spans);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawLines(lines.constData(), int(lines.size()));
}

// The graph's notch on its separate axes and, for the first graph of a slot, its marker glyph there.
void DrawAxisTokens(TGraph& g, TDrawAdapter& dc, const TColorScheme& scheme, TGraphDrawContext& ctx,
                    TColor line, const TMarkerGlyphStyle& glyph) {
    const Extended s = ctx.OutputScale;
    const int u = ctx.Unit;
    const TRect& P = ctx.Plot;
    const int style = g.LineStyle();
    const int n2 = ScaledAtLeastOne(2, s), n6 = ScaledAtLeastOne(6, s);
    const int xSlot = g.AxisSlotX, ySlot = g.AxisSlotY;
    const int xoff = ctx.XSlotOffset(xSlot), yoff = ctx.YSlotOffset(ySlot);
    // Notches: a small column up the Y axis and a row along the X axis, one per graph of the slot.
    if (ctx.ShowAxisNotches) {
        dc.SetCosmeticPen(line, style == 6 ? 0 : style);
        dc.SetBrush(line);
        if (ctx.MultiYAxis && ctx.YAxisCount >= 2 && ySlot >= 0 && ySlot < ctx.YNotches.size()) {
            const int d = Round(6 * s * ctx.YNotches[ySlot]++);
            dc.Rectangle(P.Left - u - yoff, P.Bottom - u - d, P.Left + u - yoff, P.Bottom + n2 - d);
        }
        if (ctx.MultiXAxis && ctx.XAxisCount >= 2 && xSlot >= 0 && xSlot < ctx.XNotches.size()) {
            const int d = Round(6 * s * ctx.XNotches[xSlot]++);
            dc.Rectangle(P.Left - n2 + d, P.Bottom - u + xoff, P.Left + u + d, P.Bottom + u + xoff);
        }
    }
    // The first graph drawn in a slot marks its axis with its marker glyph.
    if (ctx.ShowAxisMarkers && g.MarkersVisible()) {
        TMarkerGlyphStyle axisGlyph = glyph;
        axisGlyph.Hollow = scheme.Get(TColorScheme::Outside);
        if (ctx.MultiYAxis && ctx.YAxisCount >= 2 && ySlot >= 0 && ySlot < ctx.YMarked.size() &&
            !ctx.YMarked[ySlot]) {
            ctx.YMarked[ySlot] = true;
            DrawMarkerGlyph(dc, P.Left - n6 - yoff, P.Bottom + n6, g.MarkerSymbol(), g.MarkerText(),
                            axisGlyph);
        }
        if (ctx.MultiXAxis && ctx.XAxisCount >= 2 && xSlot >= 0 && xSlot < ctx.XMarked.size() &&
            !ctx.XMarked[xSlot]) {
            ctx.XMarked[xSlot] = true;
            DrawMarkerGlyph(dc, P.Left - n6, P.Bottom + n6 + xoff, g.MarkerSymbol(), g.MarkerText(),
                            axisGlyph);
        }
    }
}

// Nodes: squares filled with the background; selected ones always shown.
void DrawNodeSquares(TGraph& g, TDrawAdapter& dc, const TColorScheme& scheme, const TGraphDrawContext& ctx,
                     TColor line) {
    const int u = ctx.Unit;
    const bool faded = ctx.ToolMode == tmEdit && !g.Selected();
    dc.SetBrush(scheme.Get(TColorScheme::Inside));
    const bool showNodes = g.ShowNodes();
    // Nothing to draw: not even the node pixels are read (a large curve may not have them).
    if (!showNodes && !AnyNodeSelected(g)) return;
    const TNodePixel* const nodes = g.StoredNodePixels().constData();
    const qsizetype nodeCount = g.StoredNodePixels().size();
    // A square drawn again right where the same square was just drawn changes nothing; dense curves
    // have runs of nodes on one pixel.
    const TNodePixel* previous = nullptr;
    for (qsizetype i = NextShownNode(nodes, nodeCount, 0, showNodes); i < nodeCount;
         i = NextShownNode(nodes, nodeCount, i + 1, showNodes)) {
        const TNodePixel& p = nodes[i];
        if (previous && previous->X == p.X && previous->Y == p.Y && previous->Selected == p.Selected)
            continue;
        previous = &p;
        if (faded)
            dc.SetSolidPen(line, 1);
        else
            dc.SetSolidPen(scheme.Get(p.Selected ? TColorScheme::SelPoints : TColorScheme::Points), 1);
        dc.Rectangle(p.X - u, p.Y - u, p.X + u, p.Y + u);
    }
}

void DrawCurve(TGraph& g, int index, TDrawAdapter& dc, const TColorScheme& scheme, TGraphDrawContext& ctx) {
    QElapsedTimer timer;
    timer.start();
    const TCurveColors colors = CurveColors(g, index, scheme, ctx);
    const Extended s = ctx.OutputScale;
    const int u = ctx.Unit;
    const TRect& P = ctx.Plot;
    const int style = g.LineStyle();

    // Line pen.
    TPenSpec linePen{colors.Line, 1, {}};
    if (style <= 4) {
        linePen.Width = g.LineWidth() < 1 ? 1 : std::max(1, Round(g.LineWidth() * s));
        if (style >= 1)
            linePen.Pattern = DashPattern(style, s, g.WidthScale(), std::max(g.LineWidth() - 1, 0) * 2);
    }
    const int r = ScaledAtLeastOne(5, s);
    TMarkerGlyphStyle glyph;
    glyph.PenColor = colors.Marker;
    glyph.PenWidth = u;
    glyph.Fill = colors.Marker;
    glyph.TextColor = colors.Marker;
    glyph.Font = ctx.AxisFont;
    glyph.Scale = s;

    DrawAxisTokens(g, dc, scheme, ctx, colors.Line, glyph);

    dc.Save();
    const int f = ctx.FrameWidth;
    dc.IntersectClip({P.Left + (f + 1) / 2, P.Top + (f + 1) / 2, P.Right - f / 2, P.Bottom - f / 2});
    const TViewCache& cache = g.Cache;
    const TPoint* points = cache.Points.constData();
    const int pointCount = std::min<int>(cache.PointCount, int(cache.Points.size()));
    if (style <= 4) {
        linePen.Apply(dc);
        dc.SetBrush(colors.Line);
        const int pieceCount = std::min<int>(cache.PieceCount, int(cache.Pieces.size()));
        const QPaintEngine* engine = dc.Painter().paintEngine();
        if (engine && engine->type() == QPaintEngine::Raster && linePen.Pattern.isEmpty() &&
            linePen.Width <= 1) {
            DrawPiecesOnRaster(dc, points, cache.Pieces.constData(), pieceCount, pointCount);
        } else {
            for (int i = 0; i < pieceCount; ++i) {
                const TPolyLinePiece& piece = cache.Pieces[i];
                if (piece.First < 0 || piece.First + piece.Count > pointCount) continue;
                dc.Polyline(points + piece.First, piece.Count);
            }
        }
    } else {
        const int d = Round(g.LineWidth() * s);
        dc.SetSolidPen(colors.Line, 1);
        dc.SetBrush(colors.Line);
        for (int i = 0; i < pointCount; ++i) {
            const int x = points[i].X, y = points[i].Y;
            if (d < 2) {
                dc.SetPixel(x, y, colors.Line);
            } else if (d == 2) {
                dc.Rectangle(x, y, x + 2, y + 2);
            } else {
                const int h = d / 2, e = d % 2;
                dc.Ellipse(x - h, y - h, x + h + e, y + h + e);
            }
        }
    }

    DrawNodeSquares(g, dc, scheme, ctx, colors.Line);

    if (g.MarkersVisible() && g.Markers.Count() > 0) {
        QList<QPoint> at;
        for (const TMarkerPoint& m : g.Markers.Items)
            at.append(QPoint(Coord(g.DataToPixelXi(m.X)), Coord(g.DataToPixelYi(m.Y))));
        const TColor inside = scheme.Get(TColorScheme::Inside);
        dc.SetSolidPen(inside, 1);
        dc.SetBrush(inside);
        for (const QPoint& p : at)
            dc.Ellipse(p.x() - r, p.y() - r, p.x() + r, p.y() + r);
        dc.SetTextBackground(true, inside);
        glyph.Hollow = inside;
        for (const QPoint& p : at)
            DrawMarkerGlyph(dc, p.x(), p.y(), g.MarkerSymbol(), g.MarkerText(), glyph);
        dc.SetTextBackground(false);
    }
    TAxesPainter::CountDown(ctx, g);
    dc.Restore();
    g.Cache.DrawTime = Extended(timer.nsecsElapsed()) / 1e9L;
}

} // namespace

void TPenSpec::Apply(TDrawAdapter& dc) const {
    if (Pattern.isEmpty())
        dc.SetSolidPen(Color, Width);
    else if (Width <= 1)
        dc.SetPatternPen(Color, 1, Pattern);
    else
        dc.SetPatternPen(Color, Width, Pattern);
}

QList<int> DashPattern(int style, Extended s, Extended k, Extended d) {
    static const QList<int> kBases[] = {{30, 5}, {8, 5}, {100, 5, 6, 5}, {100, 5, 6, 5, 6, 5}};
    if (style < 1 || style > 4) return {};
    QList<int> pattern;
    for (int base : kBases[style - 1])
        pattern.append(std::max(3, Round(s * (base * k + d))));
    return pattern;
}

int TGraphDrawContext::XSlotOffset(int slot) const {
    return slot >= 0 && slot < XSlotOffsets.size() ? XSlotOffsets[slot] : 0;
}

int TGraphDrawContext::YSlotOffset(int slot) const {
    return slot >= 0 && slot < YSlotOffsets.size() ? YSlotOffsets[slot] : 0;
}

void TGraphDrawContext::BeginPass(const TGraphOwner& owner) {
    XSlotRemaining = QList<int>(std::max(0, XAxisCount), 0);
    YSlotRemaining = QList<int>(std::max(0, YAxisCount), 0);
    for (int i = 0; i < owner.GraphCount(); ++i) {
        const TGraph* g = owner.GraphByIndex(i);
        if (g->AxisSlotX >= 0 && g->AxisSlotX < XSlotRemaining.size()) ++XSlotRemaining[g->AxisSlotX];
        if (g->AxisSlotY >= 0 && g->AxisSlotY < YSlotRemaining.size()) ++YSlotRemaining[g->AxisSlotY];
    }
    XNotches = QList<int>(XSlotRemaining.size(), 1);
    YNotches = QList<int>(YSlotRemaining.size(), 1);
    XMarked = QList<bool>(XSlotRemaining.size(), false);
    YMarked = QList<bool>(YSlotRemaining.size(), false);
}

TTickVariant XTickVariant(TGraph& g, int n) {
    if (!g.DateTimeArg()) return TTickVariant::DecimalX;
    const Extended u = g.PixelLengthToDataX(n);
    if (u > 28) return TTickVariant::Months;
    if (u > 0.5L) return TTickVariant::Days;
    if (u > 1.0L / 24) return TTickVariant::Hours;
    if (u > 1.0L / 1440) return TTickVariant::Minutes;
    if (u > 1.0L / 86400) return TTickVariant::Seconds;
    return TTickVariant::SecondFractions;
}

void LayoutDesignations(TGraph& g, TDrawAdapter& dc, const TGraphDrawContext& ctx) {
    const int u = ctx.Unit;
    const TRect& P = ctx.Plot;
    auto aspectOf = [](const TGrSymRecord& d) { return d.Symbol.Aspect > 0 ? d.Symbol.Aspect : 1.0L; };
    auto size = [&](TDesignation which, bool alongX) {
        TGrSymRecord& d = g.DesignationRef(which);
        if (d.IsText) {
            const QSize extent = Extent(dc, ctx.DesignationFont, d.Text);
            d.Width = d.Vertical ? extent.height() : extent.width();
            d.Height = d.Vertical ? extent.width() : extent.height();
        } else if (alongX) {
            const int band = g.DateTimeArg() ? ctx.XBandDate : ctx.XBand;
            d.Height = std::max(0, band - 3 * u);
            d.Width = Coord(Round(d.Vertical ? d.Height / aspectOf(d) : d.Height * aspectOf(d)));
        } else {
            d.Width = std::max(0, ctx.YBand - 3 * u);
            d.Height = Coord(Round(d.Vertical ? d.Width * aspectOf(d) : d.Width / aspectOf(d)));
        }
    };
    // Places the pair with its anchor (right edge, top edge); a single designation stands there.
    auto place = [&](TDesignation data, TDesignation dim, int layout, int anchorRight, int anchorTop) {
        TGrSymRecord& a = g.DesignationRef(data);
        TGrSymRecord& b = g.DesignationRef(dim);
        const bool hasA = HasContent(a), hasB = HasContent(b);
        auto at = [](TGrSymRecord& d, int right, int top) {
            d.Width = Coord(d.Width);
            d.Height = Coord(d.Height);
            d.Bounds = {right - d.Width, top, right, top + d.Height};
        };
        if (hasA != hasB) {
            TGrSymRecord& only = hasA ? a : b;
            at(only, anchorRight, anchorTop);
            return;
        }
        if (!hasA) return;
        // The layouts: 0 data placed, dimension left of it; 1 dimension placed, data left of it;
        // 2 dimension placed, data below it; 3 data placed, dimension below it.
        TGrSymRecord& placed = (layout == 0 || layout == 3) ? a : b;
        TGrSymRecord& other = (layout == 0 || layout == 3) ? b : a;
        at(placed, anchorRight, anchorTop);
        if (layout == 0 || layout == 1)
            at(other, placed.Bounds.Left, anchorTop);
        else
            at(other, anchorRight, placed.Bounds.Bottom);
    };
    auto offsets = [&](TDesignation data, TDesignation dim, int64_t& ox, int64_t& oy) {
        const TGrSymRecord& a = g.Designation(data);
        const TGrSymRecord& b = g.Designation(dim);
        const bool hasA = HasContent(a), hasB = HasContent(b);
        ox = int64_t(hasA ? a.OffsetX : 0) + (hasB ? b.OffsetX : 0);
        oy = int64_t(hasA ? a.OffsetY : 0) + (hasB ? b.OffsetY : 0);
    };
    if (PairShown(g, true)) {
        size(dsXData, true);
        size(dsXDimension, true);
        int64_t ox, oy;
        offsets(dsXData, dsXDimension, ox, oy);
        const int xoff = ctx.MultiXAxis ? ctx.XSlotOffset(g.AxisSlotX) : 0;
        place(dsXData, dsXDimension, g.XDesignLayout(), Coord(P.Right - ox * u),
              Coord(P.Bottom + oy * u + xoff));
    }
    if (PairShown(g, false)) {
        size(dsYData, false);
        size(dsYDimension, false);
        int64_t ox, oy;
        offsets(dsYData, dsYDimension, ox, oy);
        const int yoff = ctx.MultiYAxis ? ctx.YSlotOffset(g.AxisSlotY) : 0;
        place(dsYData, dsYDimension, g.YDesignLayout(), Coord(P.Left - ox * u - yoff), Coord(P.Top + oy * u));
    }
}

TColor FadedColor(TColor background) {
    const TColor rgb = ColorToRGB(background);
    int r = RedOf(rgb), gr = GreenOf(rgb), b = BlueOf(rgb);
    if ((r + gr + b) / 3 > 128) {
        r = std::max(0, r - 32);
        gr = std::max(0, gr - 32);
        b = std::max(0, b - 32);
    } else {
        r = r >= 192 ? 255 : r + 64;
        gr = gr >= 192 ? 255 : gr + 64;
        b = b >= 192 ? 255 : b + 64;
    }
    return MakeColor(r, gr, b);
}

void DrawGraph(TGraph& graph, int index, TDrawAdapter& dc, const TColorScheme& scheme, int pass,
               TGraphDrawContext& ctx) {
    if (pass == 0) {
        TAxesPainter(graph, dc, scheme, ctx).Draw();
    } else if (graph.Visible()) {
        PreparePolyline(graph);
        DrawCurve(graph, index, dc, scheme, ctx);
    }
}

void DrawMarkerGlyph(TDrawAdapter& dc, int x, int y, int glyph, const QString& text,
                     const TMarkerGlyphStyle& style) {
    const Extended s = style.Scale;
    const int q = ScaledAtLeastOne(3, s), t = ScaledAtLeastOne(2, s), c = std::max(0, Round(3 * s)) + 1;
    const int left = x - q, top = y - q, right = x + q, bottom = y + q;
    dc.SetSolidPen(style.PenColor, style.PenWidth);
    const bool filled = glyph % 2 == 1;
    if (glyph >= 1 && glyph <= 10) {
        if (filled)
            dc.SetBrush(style.Fill);
        else
            dc.SetBrush(style.Hollow);
    }
    switch (glyph) {
    case 0: {
        dc.SetFont(style.Font);
        dc.SetTextColor(style.TextColor);
        const QSize size = dc.TextExtent(text);
        dc.TextOut(x - size.width() / 2, y - size.height() / 2, text);
        break;
    }
    case 1:
    case 2:
        dc.Ellipse(left, top, right, bottom);
        break;
    case 3:
    case 4:
        dc.Rectangle(left, top, right, bottom);
        break;
    case 5:
    case 6: {
        const TPoint up[] = {{x, top}, {right, y + t}, {left, y + t}};
        dc.Polygon(up, 3);
        break;
    }
    case 7:
    case 8: {
        const TPoint down[] = {{left, y - t}, {right, y - t}, {x, bottom}};
        dc.Polygon(down, 3);
        break;
    }
    case 9:
    case 10: {
        const TPoint diamond[] = {{x, top}, {right, y}, {x, bottom}, {left, y}};
        dc.Polygon(diamond, 4);
        break;
    }
    case 11:
    case 12:
    case 13:
        if (glyph != 12) {
            dc.Line(left, top, x + c, y + c);
            dc.Line(left, bottom, x + c, y - c);
        }
        if (glyph != 11) {
            dc.Line(x, top, x, y + c);
            dc.Line(left, y, x + c, y);
        }
        break;
    default:
        break;
    }
}
