// Helpers shared by the figure-stream tests.
#pragma once

#include "model/Codecs.h"
#include "window/FigureStream.h"
#include "window/SuperGrWindow.h"

#include "tests/common/TestData.h"

#include <QByteArray>
#include <algorithm>

namespace streamtest {

using testutil::Ramp;

// Thirds are not representable in binary: they show at once when a value goes through double.
inline TDoubleArray Thirds(int n, Extended offset = 1) {
    TDoubleArray a(n);
    for (int i = 0; i < n; ++i)
        a[i] = offset + Extended(i) / 3;
    return a;
}

inline QByteArray StreamOf(TSuperGrWindow& window) {
    return TFigureStream::Serialize(window);
}

// The stream as the next paint leaves the figure: the layout caches (fits, pixel steps, polyline
// flags) recomputed, everything the user set unchanged.
inline QByteArray SettledStreamOf(TSuperGrWindow& window) {
    window.LayoutPlot(window.ClientRect());
    for (int i = 0; i < window.GraphCount(); ++i)
        window.GraphByIndex(i)->Cache.Invalidate(TViewCache::Polyline);
    return TFigureStream::Serialize(window);
}

inline QByteArray Slice(const QByteArray& bytes, qsizetype offset, qsizetype size) {
    return bytes.mid(offset, size);
}

inline QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

inline int32_t Int32At(const QByteArray& bytes, qsizetype offset) {
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData() + offset);
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

inline void PutInt32(QByteArray& bytes, qsizetype offset, int32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = char((uint32_t(v) >> (8 * i)) & 0xFF);
}

inline Extended ExtAt(const QByteArray& bytes, qsizetype offset) {
    return codec::DecodeExtended(reinterpret_cast<const uint8_t*>(bytes.constData() + offset));
}

// Bitwise equality of two extended values (the ten significant bytes).
inline bool SameBits(Extended a, Extended b) {
    return codec::EncodeExtended(a) == codec::EncodeExtended(b);
}

// Offset of the first byte where two streams differ, −1 when they are equal.
inline qsizetype FirstDifference(const QByteArray& a, const QByteArray& b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i)
        if (a[i] != b[i]) return i;
    return a.size() == b.size() ? -1 : n;
}

} // namespace streamtest
