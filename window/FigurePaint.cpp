#include "window/FigurePaint.h"

#include "model/Codecs.h"
#include "model/DrawAdapter.h"
#include "model/FontMetrics.h"
#include "model/GraphDraw.h"
#include "model/Polyline.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>

namespace {
int R(Extended v) {
    return RoundHalfEven(v);
}
int AtLeastOne(Extended v) {
    return std::max(1, R(v));
}
// The grid step in output pixels: 0 stays 0 (no grid of that kind), any other step at least 1.
int GridStep(int32_t step, Extended scale) {
    return step < 1 ? 0 : AtLeastOne(step * scale);
}

// "0.#####": at most five decimals, no trailing zeros.
QString GridLabel(Extended v) {
    QString text = QString::number(double(v), 'f', 5);
    while (text.contains(QLatin1Char('.')) &&
           (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char('.'))))
        text.chop(1);
    if (text == QStringLiteral("-0")) text = QStringLiteral("0");
    return text;
}

void DrawPlaceholder(TDrawAdapter& dc, TRect t) {
    dc.FillRect(t, clWhite);
    dc.SetSolidPen(clBlack, 1);
    dc.SetNullBrush();
    dc.Rectangle(t.Left, t.Top, t.Right, t.Bottom);
    dc.Rectangle(t.Left + 3, t.Top + 3, t.Right - 3, t.Bottom - 3);
}

// The offsets of the separate axes' bands: below the plot each X slot's band is two lines high when
// its graphs have date/time X values.
void LayOutAxisSlots(const TSuperGrWindow& w, TGraphDrawContext& c) {
    QList<bool> dateSlots(std::max(0, c.XAxisCount), false);
    for (int i = 0; i < w.GraphCount(); ++i) {
        const TGraph* g = w.GraphByIndex(i);
        if (g->AxisSlotX >= 0 && g->AxisSlotX < dateSlots.size() && g->DateTimeArg())
            dateSlots[g->AxisSlotX] = true;
    }
    int offset = 0;
    for (int slot = 0; slot < c.XAxisCount; ++slot) {
        c.XSlotOffsets.append(offset);
        offset += dateSlots[slot] ? c.XBandDate : c.XBand;
    }
    for (int slot = 0; slot < c.YAxisCount; ++slot)
        c.YSlotOffsets.append(slot * c.YBand);
}

struct TPaintScale {
    Extended S = 1;
    int Unit = 1;
    int Frame = 1;
    int GridX = 50, GridY = 50;
};

void DrawCaptions(TSuperGrWindow& w, TDrawAdapter& dc, const TRect& t, const TColorStruct& scheme, int unit) {
    auto place = [&](TCaptionAlign align, int width) {
        switch (align) {
        case taLeftJustify:
            return t.Left + 2 * unit;
        case taRightJustify:
            return t.Right - width - 2 * unit;
        default:
            return (t.Left + t.Right + 1) / 2 - (width + 1) / 2;
        }
    };
    dc.SetFont(ToQFont(w.TopCaptionFont(), w.OutputScale));
    dc.SetTextColor(ColorToRGB(scheme.Get(TColorStruct::TopCaption)));
    int y = t.Top;
    for (const QString& line : w.TopCaption()) {
        const QSize size = dc.TextExtent(line);
        dc.TextOut(place(w.TopCaptionAlign(), size.width()), y, line);
        y += size.height();
    }
    dc.SetFont(ToQFont(w.BottomCaptionFont(), w.OutputScale));
    dc.SetTextColor(ColorToRGB(scheme.Get(TColorStruct::BottomCaption)));
    y = t.Bottom;
    const QStringList& bottom = w.BottomCaption();
    for (qsizetype i = bottom.size() - 1; i >= 0; --i) {
        const QSize size = dc.TextExtent(bottom[i]);
        y -= size.height();
        dc.TextOut(place(w.BottomCaptionAlign(), size.width()), y, bottom[i]);
    }
}

// A plain pixel grid around the origin when there are no graphs.
void DrawEmptyGrid(TSuperGrWindow& w, TDrawAdapter& dc, const TColorStruct& scheme,
                   const TGraphDrawContext& ctx, const TPaintScale& ps) {
    const TRect& p = w.PlotRect;
    const int ox = w.OriginX, oy = w.OriginY;
    // A step of 0 draws no lines, ticks or labels of its kind: the loops below (from k0 - 1) run over
    // no k.
    const int gx = std::max(1, ps.GridX), gy = std::max(1, ps.GridY);
    const int half = ps.Frame / 2;
    const QFont axisFont = ToQFont(w.AxisFont(), w.OutputScale);
    dc.SetFont(axisFont);
    dc.SetTextColor(ColorToRGB(scheme.Get(TColorStruct::AxText)));
    const int kx0 = -((ox - p.Left) / gx), kx1 = ps.GridX > 0 ? (p.Right - ox) / gx : kx0 - 2;
    const int ky0 = -((oy - p.Top) / gy), ky1 = ps.GridY > 0 ? (p.Bottom - oy) / gy : ky0 - 2;
    if (w.ShowXAxisLabels())
        for (int k = kx0; k <= kx1; ++k) {
            const QString label = GridLabel(k);
            const QSize size = dc.TextExtent(label);
            dc.TextOut(ox + k * gx - size.width() / 2, p.Bottom + half, label);
        }
    if (w.ShowYAxisLabels())
        for (int k = ky0; k <= ky1; ++k) {
            const int y = oy + k * gy;
            if (y <= 20) continue;
            const QString label = GridLabel(-10 * k);
            const QSize size = dc.TextExtent(label);
            if (w.VerticalYFont())
                dc.TextOutUp(p.Left - half - size.height(), y + size.width() / 2, label);
            else
                dc.TextOut(p.Left - half - ps.Unit - size.width(), y - size.height() / 2, label);
        }
    dc.Save();
    dc.IntersectClip(
        {p.Left + (ps.Frame + 1) / 2, p.Top + (ps.Frame + 1) / 2, p.Right - half, p.Bottom - half});
    if (w.ShowGrid()) {
        ctx.SubGridPen.Apply(dc);
        for (int k = kx0 - 1; k <= kx1; ++k)
            for (int j = 1; j < w.SubGridDividerX(); ++j) {
                const int x = ox + k * gx + R(Extended(j) * gx / w.SubGridDividerX());
                dc.Line(x, p.Top, x, p.Bottom);
            }
        for (int k = ky0 - 1; k <= ky1; ++k)
            for (int j = 1; j < w.SubGridDividerY(); ++j) {
                const int y = oy + k * gy + R(Extended(j) * gy / w.SubGridDividerY());
                dc.Line(p.Left, y, p.Right, y);
            }
        ctx.GridPen.Apply(dc);
        for (int k = kx0; k <= kx1; ++k) {
            const int x = ox + k * gx;
            if (k != 0 && x > p.Left + half && x < p.Right - half) dc.Line(x, p.Top, x, p.Bottom);
        }
        for (int k = ky0; k <= ky1; ++k) {
            const int y = oy + k * gy;
            if (k != 0 && y > p.Top + half && y < p.Bottom - half) dc.Line(p.Left, y, p.Right, y);
        }
    }
    ctx.AxisPen.Apply(dc);
    dc.Line(ox, p.Top, ox, p.Bottom);
    dc.Line(p.Left, oy, p.Right, oy);
    dc.Restore();
    if (w.ShowTicks()) {
        const TColor frameColor =
            w.Focused ? scheme.Get(TColorStruct::ActiveBorder) : scheme.Get(TColorStruct::UnActiveBorder);
        dc.SetSolidPen(ColorToRGB(frameColor), ps.Frame);
        const int tick = 4 * ps.Unit;
        for (int k = kx0; k <= kx1; ++k) {
            const int x = ox + k * gx;
            dc.Line(x, p.Top, x, p.Top + tick);
            dc.Line(x, p.Bottom, x, p.Bottom - tick);
        }
        for (int k = ky0; k <= ky1; ++k) {
            const int y = oy + k * gy;
            dc.Line(p.Left, y, p.Left + tick, y);
            dc.Line(p.Right, y, p.Right - tick, y);
        }
    }
}

struct TLegendEntry {
    TGraph* Graph;
    int Index;
    QString Text;
};

// What every entry of one legend is drawn with.
struct TLegendLook {
    TSuperGrWindow& w;
    TDrawAdapter& dc;
    const TColorStruct& scheme;
    bool ownScheme;
    Extended s;
    QFont font;
    int textHeight;
    TColor faded;
    bool perGraph;
};

// One entry: the line sample with its nodes and marker centred on (x0 .. x0 + length, y), then the text.
void DrawLegendEntry(const TLegendLook& look, const TLegendEntry& e, int x0, int y) {
    TSuperGrWindow& w = look.w;
    TDrawAdapter& dc = look.dc;
    const TColorStruct& scheme = look.scheme;
    const Extended s = look.s;
    TGraph& g = *e.Graph;
    TColor line = g.Color(), marker = g.MarkerColor();
    if (look.perGraph) {
        line = scheme.GraphColors[e.Index];
        marker = e.Index < scheme.MarkerColors.size() ? scheme.MarkerColors[e.Index] : line;
    } else if (!(w.UsePalette || look.ownScheme)) {
        line = marker = scheme.Get(TColorStruct::GraphDefault);
    }
    if (w.ToolMode() == tmEdit && !g.Selected()) line = marker = look.faded;
    line = ColorToRGB(line);
    marker = ColorToRGB(marker);

    const int length = R((10 * g.LineWidth() + 30) * s);
    const int penWidth = std::max(1, g.LineWidth() < 1 ? 1 : R(g.LineWidth() * s));
    const int style = g.LineStyle();
    if (style >= 1 && style <= 4 && w.ScaledLineStyles)
        dc.SetPatternPen(line, penWidth,
                         DashPattern(style, s, g.WidthScale() * 0.25L, 2 * std::max(g.LineWidth() - 1, 0)));
    else if (style >= 1 && style <= 4)
        dc.SetCosmeticPen(line, style);
    else
        dc.SetSolidPen(line, penWidth);
    if (style <= 4) dc.Line(x0, y, x0 + length, y);
    if (g.ShowNodes() || style > 4) {
        dc.SetSolidPen(line, 1);
        dc.SetBrush(ColorToRGB(scheme.Get(TColorStruct::Inside)));
        const int u = std::max(1, R(s));
        for (int k = 0; k < 9; ++k) {
            const int nx = x0 + R(Extended(k) * length / 8);
            dc.Rectangle(nx - u, y - u, nx + u, y + u);
        }
    }
    if (g.MarkersVisible() && g.Markers.Count() > 0) {
        TMarkerGlyphStyle glyph;
        glyph.PenColor = marker;
        glyph.PenWidth = std::max(1, R(s));
        glyph.Fill = marker;
        glyph.Hollow = ColorToRGB(scheme.Get(TColorStruct::Inside));
        glyph.TextColor = marker;
        glyph.Font = ToQFont(w.AxisFont(), s);
        glyph.Scale = s;
        DrawMarkerGlyph(dc, x0 + length / 2, y, g.MarkerSymbol(), g.MarkerText(), glyph);
    }
    dc.SetFont(look.font);
    dc.SetTextColor(ColorToRGB(scheme.Get(TColorStruct::LegendText)));
    dc.TextOut(x0 + length + R(10 * s), y - look.textHeight / 2, e.Text);
}

void DrawLegend(TSuperGrWindow& w, TDrawAdapter& dc, const TColorStruct& scheme, bool ownScheme) {
    QList<TLegendEntry> entries;
    for (int layer = 0; layer < w.GraphCount(); ++layer) {
        const int index = w.IndexOfLayer(layer);
        TGraph* g = w.GraphByIndex(index);
        if (!g || !g->Visible() || !g->InLegend()) continue;
        entries.append({g, index, g->LegendText().isEmpty() ? g->Name() : g->LegendText()});
    }
    if (entries.isEmpty()) return;
    const Extended s = w.OutputScale;
    const int n = int(entries.size());
    const int columns = std::clamp(w.LegendColumns(), 1, n);
    const int baseRows = n / columns, extra = n % columns;
    const QFont font = ToQFont(w.LegendFont(), s);
    dc.SetFont(font);
    const int textHeight = dc.TextExtent(QStringLiteral("Wg")).height();
    const int entryHeight = R(2 * s) + textHeight;

    // Column widths.
    QList<int> columnStart, columnWidth;
    int first = 0, width = 0;
    for (int c = 0; c < columns; ++c) {
        const int rows = baseRows + (c < extra ? 1 : 0);
        int maxLineWidth = 0, maxText = 0;
        for (int r = 0; r < rows; ++r) {
            const TLegendEntry& e = entries[first + r];
            maxLineWidth = std::max(maxLineWidth, int(e.Graph->LineWidth()));
            maxText = std::max(maxText, dc.TextExtent(e.Text).width());
        }
        columnStart.append(width);
        columnWidth.append(R((10 * maxLineWidth + 60) * s) + maxText);
        width += columnWidth.last();
        first += rows;
    }
    const int height = entryHeight * (baseRows + (extra > 0 ? 1 : 0));

    const TPoint anchor = LegendAnchor(w.PlotRect, w.LegendPosition(), width, height, R(10 * s));
    int left = anchor.X, top = anchor.Y;
    left += R(w.LegendOffsetX() * s);
    top += R(w.LegendOffsetY() * s);
    w.LegendRect = {left, top, left + width, top + height};
    w.LegendWidth = width;
    w.LegendHeight = height;

    // The box with rounded corners.
    QPainter& painter = dc.Painter();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (w.LegendFrame())
        painter.setPen(QPen(TDrawAdapter::ToQColor(ColorToRGB(scheme.Get(TColorStruct::LegendBorder))),
                            AtLeastOne(w.LegendBorderWidth() * s)));
    else
        painter.setPen(Qt::NoPen);
    if (w.LegendBackground())
        painter.setBrush(TDrawAdapter::ToQColor(ColorToRGB(scheme.Get(TColorStruct::LegendBackgrnd))));
    else
        painter.setBrush(Qt::NoBrush);
    const int radius = R(10 * s);
    painter.drawRoundedRect(QRect(left, top, width - 1, height - 1), radius / 2.0, radius / 2.0);
    painter.restore();

    const TLegendLook look{w,
                           dc,
                           scheme,
                           ownScheme,
                           s,
                           font,
                           textHeight,
                           FadedColor(scheme.Get(TColorStruct::Inside)),
                           scheme.GraphColors.size() == w.GraphCount()};
    dc.SetTextColor(ColorToRGB(scheme.Get(TColorStruct::LegendText)));
    first = 0;
    for (int c = 0; c < columns; ++c) {
        const int rows = baseRows + (c < extra ? 1 : 0);
        for (int r = 0; r < rows; ++r) {
            DrawLegendEntry(look, entries[first + r], left + R(10 * s) + columnStart[c],
                            top + r * entryHeight + entryHeight / 2);
        }
        first += rows;
    }
}
} // namespace

TPoint LegendAnchor(const TRect& plot, uint8_t position, int width, int height, int margin) {
    int left = 0, top = 0;
    switch (position % 3) {
    case 0:
        left = plot.Left + margin;
        break;
    case 1:
        left = (plot.Left + plot.Right - width + 1) / 2;
        break;
    default:
        left = plot.Right - width - margin;
        break;
    }
    switch (std::min(position / 3, 2)) {
    case 0:
        top = plot.Top + margin;
        break;
    case 1:
        top = (plot.Top + plot.Bottom - height + 1) / 2;
        break;
    default:
        top = plot.Bottom - height - margin;
        break;
    }
    return {left, top};
}

void MakeExportScheme(const TSuperGrWindow& window, int schemeNumber, TColorStruct& scheme) {
    switch (schemeNumber) {
    case 1:
        scheme.AssignWhiteBackground(window.Colors);
        break;
    case 2:
        scheme.AssignDarkened(window.Colors, window);
        break;
    case 3:
        scheme.AssignBlackAndWhite(window.Colors, window);
        break;
    default:
        scheme.AssignAsIs(window.Colors);
        break;
    }
}

void PaintFigure(TSuperGrWindow& w, QPainter& painter, const TRect& target, const TColorStruct* givenScheme) {
    TRect t{std::min(target.Left, target.Right), std::min(target.Top, target.Bottom),
            std::max(target.Left, target.Right), std::max(target.Top, target.Bottom)};
    TDrawAdapter dc(painter);
    dc.Save();
    if (t.Width() < 30 || t.Height() < 30) {
        DrawPlaceholder(dc, t);
        dc.Restore();
        return;
    }
    const TColorStruct& scheme = givenScheme ? *givenScheme : w.Colors;
    const bool ownScheme = &scheme == &w.Colors;

    // The output scale relates the target to the control's own client area.
    const TRect client = w.ClientRect();
    Extended scale = 1;
    if (!(t.Width() == client.Width() && t.Height() == client.Height())) {
        const Extended sx = client.Width() > 0 ? Extended(t.Width()) / client.Width() : 1;
        const Extended sy = client.Height() > 0 ? Extended(t.Height()) / client.Height() : 1;
        scale = std::min(sx, sy);
    }
    w.OutputScale = scale;

    TPaintScale ps;
    ps.S = scale;
    ps.Unit = AtLeastOne(scale);
    ps.Frame = AtLeastOne(w.BrdrWidth() * scale);
    ps.GridX = GridStep(w.GridSizeX(), scale);
    ps.GridY = GridStep(w.GridSizeY(), scale);

    w.PrepareForPaint(t);

    // The strips around the plot and the plot with its frame.
    const TRect& p = w.PlotRect;
    const TColor outside = ColorToRGB(scheme.Get(TColorStruct::Outside));
    dc.FillRect({t.Left, t.Top, t.Right, p.Top}, outside);
    dc.FillRect({t.Left, p.Top, p.Left, p.Bottom}, outside);
    dc.FillRect({p.Right, p.Top, t.Right, p.Bottom}, outside);
    dc.FillRect({t.Left, p.Bottom, t.Right, t.Bottom}, outside);
    const TColor frameColor =
        w.Focused ? scheme.Get(TColorStruct::ActiveBorder) : scheme.Get(TColorStruct::UnActiveBorder);
    dc.SetSolidPen(ColorToRGB(frameColor), ps.Frame);
    dc.SetBrush(ColorToRGB(scheme.Get(TColorStruct::Inside)));
    dc.Rectangle(p.Left, p.Top, p.Right, p.Bottom);

    DrawCaptions(w, dc, t, scheme, ps.Unit);

    TGraphDrawContext ctx = GraphDrawContext(w, scheme);
    if (w.GraphCount() == 0) {
        DrawEmptyGrid(w, dc, scheme, ctx, ps);
    } else {
        // Bottom layer first, so the top graph's curve lies above the others.
        QList<int> order;
        for (int layer = w.GraphCount() - 1; layer >= 0; --layer)
            if (int index = w.IndexOfLayer(layer); index >= 0) order.append(index);
        for (int pass = 0; pass < 2; ++pass) {
            ctx.BeginPass(w);
            for (int index : order)
                DrawGraph(*w.GraphByIndex(index), index, dc, scheme, pass, ctx);
        }
    }
    if (w.ShowLegend()) DrawLegend(w, dc, scheme, ownScheme);
    dc.Restore();
}

TGraphDrawContext GraphDrawContext(const TSuperGrWindow& w, const TColorScheme& scheme) {
    TGraphDrawContext c;
    const Extended s = w.OutputScale;
    c.Plot = w.PlotRect;
    c.OutputScale = s;
    c.GridSizeX = GridStep(w.GridSizeX(), s);
    c.GridSizeY = GridStep(w.GridSizeY(), s);
    c.Unit = AtLeastOne(s);
    c.FrameWidth = AtLeastOne(w.BrdrWidth() * s);
    c.TickLength = AtLeastOne(4 * s);
    c.XBand = w.XBand();
    c.XBandDate = w.XBandDate();
    c.YBand = w.YBand();
    c.XAxisCount = w.XAxisCount;
    c.YAxisCount = w.YAxisCount;
    LayOutAxisSlots(w, c);
    c.AxisFont = ToQFont(w.AxisFont(), s);
    c.DesignationFont = ToQFont(w.SymbolFont(), s);
    auto pen = [&](TColor color, int width, int style, Extended factor) {
        const int scaled = AtLeastOne(width * s);
        return TPenSpec{color, scaled, DashPattern(style, s, factor, 2 * std::max(scaled - 1, 0))};
    };
    c.AxisPen = pen(scheme.Get(TColorScheme::Axis), w.AxisWidth(), w.AxisStyle(), w.AxisScale());
    c.GridPen = pen(scheme.Get(TColorScheme::Grid), w.GridWidth(), w.GridStyle(), w.GridScale());
    c.SubGridPen =
        pen(scheme.Get(TColorScheme::SubGrid), w.SubGridWidth(), w.SubGridStyle(), w.SubGridScale());
    c.TickPen = {
        scheme.Get(w.Focused ? TColorScheme::ActiveBorder : TColorScheme::UnActiveBorder), c.FrameWidth, {}};
    c.SubGridDividerX = w.SubGridDividerX();
    c.SubGridDividerY = w.SubGridDividerY();
    c.ShowXAxisLabels = w.ShowXAxisLabels();
    c.ShowYAxisLabels = w.ShowYAxisLabels();
    c.ShowTicks = w.ShowTicks();
    c.ShowGrid = w.ShowGrid();
    c.ShowAxisMarkers = w.ShowAxisMarkers();
    c.ShowAxisNotches = w.ShowAxisNotches();
    c.VerticalYFont = w.VerticalYFont();
    c.MultiXAxis = w.MultiXAxis();
    c.MultiYAxis = w.MultiYAxis();
    c.CombineXAxis = w.CombineXAxis();
    c.CombineYAxis = w.CombineYAxis();
    c.ToolMode = w.ToolMode();
    c.GraphOwnColors = &scheme == &w.Colors || w.UsePalette;
    c.GraphCount = w.GraphCount();
    return c;
}
