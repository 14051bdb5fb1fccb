// Building MAT-file bytes by hand for the reader's tests.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace matbytes {

inline void U32(QByteArray& out, uint32_t value) {
    const char bytes[4] = {char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
    out.append(bytes, 4);
}

inline void Pad8(QByteArray& out) {
    while (out.size() % 8 != 0)
        out.append('\0');
}

inline QByteArray Doubles(std::initializer_list<double> values) {
    QByteArray out;
    for (double v : values)
        out.append(reinterpret_cast<const char*>(&v), 8);
    return out;
}

// A normal sub-element: tag, data, zero padding to 8 bytes.
inline QByteArray Element(uint32_t type, const QByteArray& data) {
    QByteArray out;
    U32(out, type);
    U32(out, uint32_t(data.size()));
    out.append(data);
    Pad8(out);
    return out;
}

// A small element: type and size in 16 bits each, up to 4 data bytes in the tag.
inline QByteArray SmallElement(uint16_t type, const QByteArray& data) {
    QByteArray out;
    U32(out, uint32_t(type) | uint32_t(data.size()) << 16);
    out.append(data);
    Pad8(out);
    return out;
}

inline QByteArray Dims(std::initializer_list<int32_t> dims) {
    QByteArray data;
    for (int32_t d : dims)
        U32(data, uint32_t(d));
    return Element(5, data);
}

inline QByteArray Flags(uint8_t classId, uint8_t flags = 0) {
    QByteArray data(8, '\0');
    data[0] = char(classId);
    data[1] = char(flags);
    return Element(6, data);
}

// A matrix element around the given sub-elements.
inline QByteArray Matrix(const QByteArray& content) {
    return Element(14, content);
}

inline QByteArray Header(const char* text = "MATLAB 5.0 MAT-file, test") {
    QByteArray out(text);
    out = out.leftJustified(116, ' ', true);
    out.append(QByteArray(8, '\0'));
    out.append("\x00\x01IM", 4);
    return out;
}

inline QByteArray Level4(int32_t type, int32_t rows, int32_t columns, int32_t imaginary,
                         const QByteArray& name, const QByteArray& data) {
    QByteArray out;
    for (int32_t v : {type, rows, columns, imaginary, int32_t(name.size())})
        U32(out, uint32_t(v));
    out.append(name);
    out.append(data);
    return out;
}

} // namespace matbytes
