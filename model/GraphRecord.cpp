#include "model/GraphRecord.h"

#include "model/Graph.h"
#include "model/GraphProperties.h"
#include "model/Symbol.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <type_traits>

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

// Appends count × 12 bytes in one piece; records not stored are zero.
void WriteNodePixels(QByteArray& out, const TPtIndArray& pixels, qsizetype count) {
    TByteWriter(out).Int32(int32_t(count));
    const qsizetype start = out.size();
    out.resize(start + count * kPixelSize);
    char* p = out.data() + start;
    if (pixels.size() != count) {
        std::memset(p, 0, size_t(count) * kPixelSize);
        return;
    }
    for (const TNodePixel& px : pixels) {
        const uint32_t x = uint32_t(px.X), y = uint32_t(px.Y);
        const char bytes[kPixelSize] = {
            char(x),       char(x >> 8),  char(x >> 16),     char(x >> 24),     char(y), char(y >> 8),
            char(y >> 16), char(y >> 24), char(px.OnScreen), char(px.Selected), 0,       0};
        std::memcpy(p, bytes, kPixelSize);
        p += kPixelSize;
    }
}

// One pixel per node: the count must be the node count.
bool ReadNodePixels(TByteReader& r, TPtIndArray& pixels, qsizetype nodeCount) {
    const int32_t pixelCount = r.Int32();
    if (r.Failed() || pixelCount != nodeCount || pixelCount > r.Remaining() / kPixelSize) return false;
    pixels.resize(pixelCount);
    const auto* p = reinterpret_cast<const uint8_t*>(r.Position());
    for (TNodePixel& px : pixels) {
        px.X = int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
        px.Y = int32_t(uint32_t(p[4]) | uint32_t(p[5]) << 8 | uint32_t(p[6]) << 16 | uint32_t(p[7]) << 24);
        px.OnScreen = p[8] != 0;
        px.Selected = p[9] != 0;
        p += kPixelSize;
    }
    return r.Skip(int64_t(pixelCount) * kPixelSize);
}

void WriteMarkers(TByteWriter& w, const TMarkerArray& markers) {
    w.Int32(int32_t(markers.size()));
    static constexpr char kZeros[6] = {};
    for (const TMarkerPoint& m : markers) {
        w.Ext10(m.X);
        w.Bytes(kZeros, sizeof kZeros);
        w.Ext10(m.Y);
        w.Bytes(kZeros, sizeof kZeros);
    }
}

bool ReadMarkers(TByteReader& r, TMarkerArray& markers) {
    const int32_t markerCount = r.Int32();
    if (r.Failed() || markerCount < 0 || markerCount > r.Remaining() / kMarkerSize) return false;
    markers.resize(markerCount);
    for (TMarkerPoint& m : markers) {
        m.X = r.Ext10();
        r.Skip(6);
        m.Y = r.Ext10();
        r.Skip(6);
    }
    return !r.Failed();
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

// A value in its stream form: text, Int32, a byte (Booleans 0 or 1) or Ext10.
template <typename T> void WriteValue(TByteWriter& w, const T& v) {
    if constexpr (std::is_same_v<T, QString>)
        w.Text(v);
    else if constexpr (std::is_same_v<T, Extended>)
        w.Ext10(v);
    else if constexpr (sizeof(T) == 1)
        w.Byte(uint8_t(v));
    else
        w.Int32(v);
}

template <typename T> T ReadValue(TByteReader& r) {
    if constexpr (std::is_same_v<T, QString>)
        return r.Text();
    else if constexpr (std::is_same_v<T, Extended>)
        return r.Ext10();
    else if constexpr (std::is_same_v<T, bool>)
        return r.Byte() != 0;
    else if constexpr (sizeof(T) == 1)
        return r.Byte();
    else
        return r.Int32();
}

// Declared properties that follow each other in the record.
template <typename... T>
void WriteProperties(TByteWriter& w, const TGraph& g, const TGraphProperty<T>&... p) {
    (WriteValue(w, p.Get(g)), ...);
}

// A value the graph would refuse keeps the creation default.
template <typename T> void ReadProperty(TByteReader& r, TGraph& g, const TGraphProperty<T>& p) {
    const T v = ReadValue<T>(r);
    if (p.Accepts(v)) p.Ref(g) = v;
}

template <typename... T> void ReadProperties(TByteReader& r, TGraph& g, const TGraphProperty<T>&... p) {
    (ReadProperty(r, g, p), ...);
}

bool Finite(Extended v) {
    return std::isfinite(v);
}

int32_t ValidGroup(int32_t v) {
    return v >= -1 && v < kGroupCount ? v : -1;
}
} // namespace

using P = TGraphProperties;

void TGraphRecord::Write(QByteArray& out, const TGraph& g) {
    TByteWriter w(out);
    w.Int32(g.ID);
    w.Byte(g.ReservedFlag);
    WriteProperties(w, g, P::Name, P::LegendText, P::MarkerText);
    w.Int32(g.FLayer);
    w.Int32(g.FScaleGroupX);
    w.Int32(g.FScaleGroupY);
    w.Int32(g.FPosGroupX);
    w.Int32(g.FPosGroupY);
    w.Int32(g.Reserved[0]);
    WriteProperties(w, g, P::LineWidth, P::LineStyle);
    w.Int32(g.Cache.PointCount);
    w.Int32(g.Reserved[1]);
    w.Int32(g.Cache.PieceCount);

    for (bool flag : {g.FAllowShiftX, g.FAllowShiftY, g.FAllowScaleX, g.FAllowScaleY})
        w.Byte(flag);
    WriteProperties(w, g, P::ShowNodes, P::MarkersVisible, P::Selected, P::Visible);
    for (int32_t flag :
         {g.Reserved[2], g.Reserved[3], int32_t(g.FFixedRatio), int32_t(g.Cache.Stale(TViewCache::Fit)),
          int32_t(g.Cache.Stale(TViewCache::Extents)), int32_t(g.Cache.Stale(TViewCache::Polyline))})
        w.Byte(uint8_t(flag));

    WriteProperties(w, g, P::Color, P::MarkerColor);
    const TGraphMapping& map = g.Mapping;
    const TViewCache& c = g.Cache;
    const Extended reals[24] = {g.FXMin,       g.FXMid,        g.FXMax,        g.FYMin,      g.FYMid,
                                g.FYMax,       g.FZMin,        g.FZMid,        g.FZMax,      map.TickStepX,
                                map.TickStepY, map.PixelStepX, map.PixelStepY, c.VisXMin,    c.VisXMax,
                                c.VisYMax,     c.VisYMin,      map.ZoomX,      map.ZoomY,    map.FitX,
                                map.FitY,      map.ShiftX,     map.ShiftY,     g.FBreakLimit};
    for (Extended v : reals)
        w.Ext10(v);

    WriteProperties(w, g, P::BreakMode, P::MarkerSymbol);
    for (const TGrSymRecord& d : g.FDesignations)
        WriteDesignation(w, d);
    WriteProperties(w, g, P::XDesignLayout, P::YDesignLayout, P::DateTimeArg, P::InLegend,
                    P::MarkerKeepColor);
    w.Byte(g.FLogX);
    w.Byte(g.FLogY);
    w.Int32(g.AxisSlotX);
    w.Int32(g.AxisSlotY);
    WriteProperties(w, g, P::WidthScale);

    WriteExtArray(out, g.XData);
    WriteExtArray(out, g.YData);
    WriteExtArray(out, g.ZData);
    WriteExtArray(out, g.XSource);
    WriteExtArray(out, g.YSource);

    WriteNodePixels(out, g.StoredNodePixels(), g.XData.size());
    WriteMarkers(w, g.Markers.Items);
}

bool TGraphRecord::Read(TByteReader& r, TGraph& g) {
    g.ID = r.Int32();
    g.ReservedFlag = r.Byte();
    ReadProperties(r, g, P::Name, P::LegendText, P::MarkerText);
    g.FLayer = r.Int32();
    g.FScaleGroupX = ValidGroup(r.Int32());
    g.FScaleGroupY = ValidGroup(r.Int32());
    g.FPosGroupX = ValidGroup(r.Int32());
    g.FPosGroupY = ValidGroup(r.Int32());
    g.Reserved[0] = r.Int32();
    ReadProperties(r, g, P::LineWidth, P::LineStyle);
    g.Cache.PointCount = r.Int32();
    g.Reserved[1] = r.Int32();
    g.Cache.PieceCount = r.Int32();
    if (r.Failed() || g.ID < 0) return false;

    for (bool* flag : {&g.FAllowShiftX, &g.FAllowShiftY, &g.FAllowScaleX, &g.FAllowScaleY})
        *flag = r.Byte() != 0;
    ReadProperties(r, g, P::ShowNodes, P::MarkersVisible, P::Selected, P::Visible);
    // The two reserved bytes carry the graph's third and fourth reserved values.
    g.Reserved[2] = r.Byte();
    g.Reserved[3] = r.Byte();
    g.FFixedRatio = r.Byte() != 0;
    r.Skip(3); // the writer's dirty flags: extents and polylines are recomputed before use
    g.Cache.Invalidate();

    ReadProperties(r, g, P::Color, P::MarkerColor);
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

    ReadProperties(r, g, P::BreakMode, P::MarkerSymbol);
    for (TGrSymRecord& d : g.FDesignations)
        if (!ReadDesignation(r, d)) return false;
    ReadProperties(r, g, P::XDesignLayout, P::YDesignLayout, P::DateTimeArg, P::InLegend, P::MarkerKeepColor);
    g.FLogX = r.Byte() != 0;
    g.FLogY = r.Byte() != 0;
    g.AxisSlotX = r.Int32();
    g.AxisSlotY = r.Int32();
    ReadProperties(r, g, P::WidthScale);
    if (r.Failed()) return false;

    if (!ReadExtArray(r, g.XData) || !ReadExtArray(r, g.YData) || !ReadExtArray(r, g.ZData) ||
        !ReadExtArray(r, g.XSource) || !ReadExtArray(r, g.YSource))
        return false;
    const qsizetype n = g.XData.size();
    if (g.YData.size() != n || (!g.ZData.isEmpty() && g.ZData.size() != n)) return false;
    if (g.XSource.size() != (g.FLogX ? n : 0) || g.YSource.size() != (g.FLogY ? n : 0)) return false;
    // The polyline is rebuilt at the next painting.
    g.Cache.NewNodes();

    return ReadNodePixels(r, g.FNodePixels, n) && ReadMarkers(r, g.Markers.Items);
}

void TGraphRecord::RenumberLayers(const std::vector<TGraph*>& graphs) {
    std::vector<size_t> order(graphs.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return graphs[a]->FLayer < graphs[b]->FLayer; });
    for (size_t layer = 0; layer < order.size(); ++layer)
        graphs[order[layer]]->FLayer = int32_t(layer);
}
