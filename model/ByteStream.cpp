#include "model/ByteStream.h"

#include <cstring>

void TByteWriter::Int32(int32_t v) {
    const uint32_t u = uint32_t(v);
    const char bytes[4] = {char(u & 0xFF), char((u >> 8) & 0xFF), char((u >> 16) & 0xFF), char(u >> 24)};
    FOut.append(bytes, 4);
}

void TByteWriter::UInt16(uint16_t v) {
    const char bytes[2] = {char(v & 0xFF), char(v >> 8)};
    FOut.append(bytes, 2);
}

void TByteWriter::Ext10(Extended v) {
    const codec::Ext10 bytes = codec::EncodeExtended(v);
    FOut.append(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

void TByteWriter::Text(const QString& text) {
    const QByteArray bytes = codec::ToCp1251(text);
    Int32(int32_t(bytes.size()));
    FOut.append(bytes);
}

bool TByteReader::Take(qsizetype size) {
    if (FFailed || size < 0 || size > Remaining()) {
        FFailed = true;
        return false;
    }
    return true;
}

uint8_t TByteReader::Byte() {
    if (!Take(1)) return 0;
    return uint8_t(*FPos++);
}

int32_t TByteReader::Int32() {
    if (!Take(4)) return 0;
    const auto* p = reinterpret_cast<const uint8_t*>(FPos);
    FPos += 4;
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

uint16_t TByteReader::UInt16() {
    if (!Take(2)) return 0;
    const auto* p = reinterpret_cast<const uint8_t*>(FPos);
    FPos += 2;
    return uint16_t(p[0] | p[1] << 8);
}

Extended TByteReader::Ext10() {
    if (!Take(10)) return 0;
    const Extended v = codec::DecodeExtended(reinterpret_cast<const uint8_t*>(FPos));
    FPos += 10;
    return v;
}

QByteArray TByteReader::Bytes(int64_t size) {
    if (size < 0 || size > Remaining() || !Take(qsizetype(size))) {
        FFailed = true;
        return {};
    }
    QByteArray out(FPos, qsizetype(size));
    FPos += size;
    return out;
}

bool TByteReader::Skip(int64_t size) {
    if (size < 0 || size > Remaining() || !Take(qsizetype(size))) {
        FFailed = true;
        return false;
    }
    FPos += size;
    return true;
}

QString TByteReader::Text() {
    const int32_t size = Int32();
    if (FFailed) return {};
    if (size < 0 || size > Remaining()) {
        FFailed = true;
        return {};
    }
    const QString text = codec::FromCp1251(FPos, size);
    FPos += size;
    return text;
}
