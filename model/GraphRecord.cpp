#include "model/GraphRecord.h"

#include "model/Graph.h"
#include "model/Symbol.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

namespace {
constexpr qsizetype kExtSize = 10;
constexpr qsizetype kPixelSize = 12;
constexpr qsizetype kMarkerSize = 32;
constexpr int kGroupCount = 9;

// Appends count × 10 bytes in one piece: the stream keeps only the ten significant bytes of each
// value, so the array cannot be copied as it lies in memory.
void WriteExtArray(QByteArray& out, const TDoubleArray& values) {
    TByteWriter(out).Int32(int32_t(values.size()));
    const qsizetype start = out.size();
    out.resize(start + values.size() * kExtSize);
    char* dst = out.data() + start;
    for (const Extended& v : values) {
        std::memcpy(dst, &v, kExtSize);
        dst += kExtSize;
    }
}

// The count is checked against the bytes left before anything is allocated.
bool ReadExtArray(TByteReader& in, TDoubleArray& values) {
    const int32_t count = in.Int32();
    if (in.Failed() || count < 0 || count > in.Remaining() / kExtSize) return false;
    values.resize(count);
    const char* src = in.Position();
    Extended* dst = values.data();
    for (int32_t i = 0; i < count; ++i) {
        Extended v = 0;
        std::memcpy(&v, src, kExtSize);
        dst[i] = v;
        src += kExtSize;
    }
    return in.Skip(int64_t(count) * kExtSize);
}

void WriteDesignation(TByteWriter& w, const TGrSymRecord& d) {
    w.Byte(d.Show);
    w.Byte(d.IsText);
    w.Byte(d.Vertical);
    w.Text(d.Text);
    w.Int32(d.OffsetX);
    w.Int32(d.OffsetY);
    w.Int32(d.Bounds.Left);
    w.Int32(d.Bounds.Top);
    w.Int32(d.Bounds.Right);
    w.Int32(d.Bounds.Bottom);
    WriteSymbol(w, d.Symbol);
}

bool ReadDesignation(TByteReader& r, TGrSymRecord& d) {
    d.Show = r.Byte() != 0;
    d.IsText = r.Byte() != 0;
    d.Vertical = r.Byte() != 0;
    d.Text = r.Text();
    d.OffsetX = r.Int32();
    d.OffsetY = r.Int32();
    d.Bounds.Left = r.Int32();
    d.Bounds.Top = r.Int32();
    d.Bounds.Right = r.Int32();
    d.Bounds.Bottom = r.Int32();
    if (r.Failed()) return false;
    return ReadSymbol(r, d.Symbol) && !r.Failed();
}

bool Finite(Extended v) {
    return std::isfinite(v);
}

int32_t ValidGroup(int32_t v) {
    return v >= -1 && v < kGroupCount ? v : -1;
}
} // namespace

void TGraphRecord::Write(QByteArray& out, const TGraph& g) {
    TByteWriter w(out);
    w.Int32(g.ID);
    w.Byte(g.ReservedFlag);
    w.Text(g.FName);
    w.Text(g.FLegendText);
    w.Text(g.FMarkerText);
    w.Int32(g.FLayer);
    w.Int32(g.FScaleGroupX);
    w.Int32(g.FScaleGroupY);
    w.Int32(g.FPosGroupX);
    w.Int32(g.FPosGroupY);
    w.Int32(g.Reserved[0]);
    w.Int32(g.FLineWidth);
    w.Int32(g.FLineStyle);
    w.Int32(g.Cache.PointCount);
    w.Int32(g.Reserved[1]);
    w.Int32(g.Cache.PieceCount);

    const uint8_t flags[14] = {g.FAllowShiftX,
                               g.FAllowShiftY,
                               g.FAllowScaleX,
                               g.FAllowScaleY,
                               g.FShowNodes,
                               g.FMarkersVisible,
                               g.FSelected,
                               g.FVisible,
                               uint8_t(g.Reserved[2]),
                               uint8_t(g.Reserved[3]),
                               g.FFixedRatio,
                               g.Cache.Stale(TViewCache::Fit),
                               g.Cache.Stale(TViewCache::Extents),
                               g.Cache.Stale(TViewCache::Polyline)};
    for (uint8_t f : flags)
        w.Byte(f);

    w.Int32(g.FColor);
    w.Int32(g.FMarkerColor);
    const TGraphMapping& map = g.Mapping;
    const TViewCache& c = g.Cache;
    const Extended reals[24] = {g.FXMin,       g.FXMid,        g.FXMax,        g.FYMin,      g.FYMid,
                                g.FYMax,       g.FZMin,        g.FZMid,        g.FZMax,      map.TickStepX,
                                map.TickStepY, map.PixelStepX, map.PixelStepY, c.VisXMin,    c.VisXMax,
                                c.VisYMax,     c.VisYMin,      map.ZoomX,      map.ZoomY,    map.FitX,
                                map.FitY,      map.ShiftX,     map.ShiftY,     g.FBreakLimit};
    for (Extended v : reals)
        w.Ext10(v);

    w.Byte(g.FBreakMode);
    w.Byte(g.FMarkerSymbol);
    for (const TGrSymRecord& d : g.FDesignations)
        WriteDesignation(w, d);
    w.Byte(g.FXDesignLayout);
    w.Byte(g.FYDesignLayout);
    w.Byte(g.FDateTimeArg);
    w.Byte(g.FInLegend);
    w.Byte(g.FMarkerKeepColor);
    w.Byte(g.FLogX);
    w.Byte(g.FLogY);
    w.Int32(g.AxisSlotX);
    w.Int32(g.AxisSlotY);
    w.Ext10(g.FWidthScale);

    WriteExtArray(out, g.XData);
    WriteExtArray(out, g.YData);
    WriteExtArray(out, g.ZData);
    WriteExtArray(out, g.XSource);
    WriteExtArray(out, g.YSource);

    w.Int32(int32_t(g.NodePixels.size()));
    const qsizetype start = out.size();
    out.resize(start + g.NodePixels.size() * kPixelSize);
    char* p = out.data() + start;
    for (const TNodePixel& px : g.NodePixels) {
        const uint32_t x = uint32_t(px.X), y = uint32_t(px.Y);
        const char bytes[kPixelSize] = {
            char(x),       char(x >> 8),  char(x >> 16),     char(x >> 24),     char(y), char(y >> 8),
            char(y >> 16), char(y >> 24), char(px.OnScreen), char(px.Selected), 0,       0};
        std::memcpy(p, bytes, kPixelSize);
        p += kPixelSize;
    }

    w.Int32(int32_t(g.Markers.Items.size()));
    static constexpr char kZeros[6] = {};
    for (const TMarkerPoint& m : g.Markers.Items) {
        w.Ext10(m.X);
        w.Bytes(kZeros, sizeof kZeros);
        w.Ext10(m.Y);
        w.Bytes(kZeros, sizeof kZeros);
    }
}

bool TGraphRecord::Read(TByteReader& r, TGraph& g) {
    g.ID = r.Int32();
    g.ReservedFlag = r.Byte();
    g.FName = r.Text();
    g.FLegendText = r.Text();
    g.FMarkerText = r.Text();
    g.FLayer = r.Int32();
    g.FScaleGroupX = ValidGroup(r.Int32());
    g.FScaleGroupY = ValidGroup(r.Int32());
    g.FPosGroupX = ValidGroup(r.Int32());
    g.FPosGroupY = ValidGroup(r.Int32());
    g.Reserved[0] = r.Int32();
    const int32_t lineWidth = r.Int32();
    if (lineWidth >= 0 && lineWidth <= 8) g.FLineWidth = lineWidth;
    const int32_t lineStyle = r.Int32();
    if (lineStyle >= 0) g.FLineStyle = lineStyle;
    g.Cache.PointCount = r.Int32();
    g.Reserved[1] = r.Int32();
    g.Cache.PieceCount = r.Int32();
    if (r.Failed() || g.ID < 0) return false;

    uint8_t flags[14];
    for (uint8_t& f : flags)
        f = r.Byte();
    g.FAllowShiftX = flags[0] != 0;
    g.FAllowShiftY = flags[1] != 0;
    g.FAllowScaleX = flags[2] != 0;
    g.FAllowScaleY = flags[3] != 0;
    g.FShowNodes = flags[4] != 0;
    g.FMarkersVisible = flags[5] != 0;
    g.FSelected = flags[6] != 0;
    g.FVisible = flags[7] != 0;
    // The two reserved bytes carry the graph's third and fourth reserved values.
    g.Reserved[2] = flags[8];
    g.Reserved[3] = flags[9];
    g.FFixedRatio = flags[10] != 0;
    // Extents and polylines are recomputed before use, whatever the writer had.
    g.Cache.Invalidate();

    g.FColor = r.Int32();
    g.FMarkerColor = r.Int32();
    Extended reals[24];
    for (Extended& v : reals)
        v = r.Ext10();
    if (r.Failed()) return false;
    g.FXMin = reals[0];
    g.FXMid = reals[1];
    g.FXMax = reals[2];
    g.FYMin = reals[3];
    g.FYMid = reals[4];
    g.FYMax = reals[5];
    g.FZMin = reals[6];
    g.FZMid = reals[7];
    g.FZMax = reals[8];
    TGraphMapping& map = g.Mapping;
    map.TickStepX = reals[9];
    map.TickStepY = reals[10];
    map.PixelStepX = reals[11];
    map.PixelStepY = reals[12];
    g.Cache.VisXMin = reals[13];
    g.Cache.VisXMax = reals[14];
    g.Cache.VisYMax = reals[15];
    g.Cache.VisYMin = reals[16];
    // A zoom the setters refuse (or one that maps nothing) keeps the creation zoom.
    auto validZoom = [](Extended z) { return Finite(z) && z > 0 && z < 1e15L; };
    if (validZoom(reals[17])) map.ZoomX = reals[17];
    if (validZoom(reals[18])) map.ZoomY = reals[18];
    map.FitX = reals[19];
    map.FitY = reals[20];
    map.ShiftX = Finite(reals[21]) ? reals[21] : 0;
    map.ShiftY = Finite(reals[22]) ? reals[22] : 0;
    g.FBreakLimit = Finite(reals[23]) ? reals[23] : 0;

    const uint8_t breakMode = r.Byte();
    if (breakMode <= 3) g.FBreakMode = breakMode;
    const uint8_t markerSymbol = r.Byte();
    if (markerSymbol <= 13) g.FMarkerSymbol = markerSymbol;
    for (TGrSymRecord& d : g.FDesignations)
        if (!ReadDesignation(r, d)) return false;
    const uint8_t xLayout = r.Byte(), yLayout = r.Byte();
    if (xLayout <= 3) g.FXDesignLayout = xLayout;
    if (yLayout <= 3) g.FYDesignLayout = yLayout;
    g.FDateTimeArg = r.Byte() != 0;
    g.FInLegend = r.Byte() != 0;
    g.FMarkerKeepColor = r.Byte() != 0;
    g.FLogX = r.Byte() != 0;
    g.FLogY = r.Byte() != 0;
    g.AxisSlotX = r.Int32();
    g.AxisSlotY = r.Int32();
    const Extended widthScale = r.Ext10();
    if (Finite(widthScale) && widthScale >= 0.001L) g.FWidthScale = widthScale;
    if (r.Failed()) return false;

    if (!ReadExtArray(r, g.XData) || !ReadExtArray(r, g.YData) || !ReadExtArray(r, g.ZData) ||
        !ReadExtArray(r, g.XSource) || !ReadExtArray(r, g.YSource))
        return false;
    const qsizetype n = g.XData.size();
    if (g.YData.size() != n || (!g.ZData.isEmpty() && g.ZData.size() != n)) return false;
    if (g.XSource.size() != (g.FLogX ? n : 0) || g.YSource.size() != (g.FLogY ? n : 0)) return false;
    // The polyline is rebuilt at the next painting.
    g.Cache.ReleasePolyline();

    const int32_t pixelCount = r.Int32();
    if (r.Failed() || pixelCount != n || pixelCount > r.Remaining() / kPixelSize) return false;
    g.NodePixels.resize(pixelCount);
    const auto* p = reinterpret_cast<const uint8_t*>(r.Position());
    for (TNodePixel& px : g.NodePixels) {
        px.X = int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
        px.Y = int32_t(uint32_t(p[4]) | uint32_t(p[5]) << 8 | uint32_t(p[6]) << 16 | uint32_t(p[7]) << 24);
        px.OnScreen = p[8] != 0;
        px.Selected = p[9] != 0;
        p += kPixelSize;
    }
    if (!r.Skip(int64_t(pixelCount) * kPixelSize)) return false;

    const int32_t markerCount = r.Int32();
    if (r.Failed() || markerCount < 0 || markerCount > r.Remaining() / kMarkerSize) return false;
    g.Markers.Items.resize(markerCount);
    for (TMarkerPoint& m : g.Markers.Items) {
        m.X = r.Ext10();
        r.Skip(6);
        m.Y = r.Ext10();
        r.Skip(6);
    }
    return !r.Failed();
}

void TGraphRecord::RenumberLayers(const std::vector<TGraph*>& graphs) {
    std::vector<size_t> order(graphs.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return graphs[a]->FLayer < graphs[b]->FLayer; });
    for (size_t layer = 0; layer < order.size(); ++layer)
        graphs[order[layer]]->FLayer = int32_t(layer);
}
