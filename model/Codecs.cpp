#include "model/Codecs.h"

#include <cmath>
#include <cstring>

namespace codec {

Ext10 EncodeExtended(Extended value) {
    // On x86-64 the first 10 bytes of a long double are exactly the extended value, little-endian.
    Ext10 out{};
    std::memcpy(out.data(), &value, out.size());
    return out;
}

Extended DecodeExtended(const uint8_t* bytes) {
    Extended value = 0;
    std::memcpy(&value, bytes, 10);
    return value;
}

namespace {
// Unicode of the bytes 0x80..0xFF of Windows-1251; 0xFFFD marks the one unassigned byte (0x98).
constexpr std::array<char16_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

uint8_t UnicodeToCp1251(char16_t ch) {
    if (ch < 0x80) return static_cast<uint8_t>(ch);
    if (ch >= 0x0410 && ch <= 0x044F) return static_cast<uint8_t>(0xC0 + (ch - 0x0410)); // А..я
    for (size_t i = 0; i < kHighHalf.size(); ++i)
        if (kHighHalf[i] == ch && ch != 0xFFFD) return static_cast<uint8_t>(0x80 + i);
    return '?';
}
} // namespace

char16_t Cp1251ToUnicode(uint8_t byte) { return byte < 0x80 ? char16_t(byte) : kHighHalf[byte - 0x80]; }

QByteArray ToCp1251(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar ch : text) out.append(static_cast<char>(UnicodeToCp1251(ch.unicode())));
    return out;
}

QString FromCp1251(const char* data, qsizetype size) {
    QString out;
    out.resize(size);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < size; ++i) dst[i] = QChar(Cp1251ToUnicode(static_cast<uint8_t>(data[i])));
    return out;
}

QString FromCp1251(const QByteArray& bytes) { return FromCp1251(bytes.constData(), bytes.size()); }

} // namespace codec

int64_t RoundHalfEven64(Extended value) {
    if (std::isnan(value)) return 0;
    constexpr Extended kMax = static_cast<Extended>(std::numeric_limits<int64_t>::max());
    if (value >= kMax) return std::numeric_limits<int64_t>::max();
    if (value <= -kMax) return std::numeric_limits<int64_t>::min();
    Extended floorValue = std::floor(value);
    Extended diff = value - floorValue;
    int64_t result = static_cast<int64_t>(floorValue);
    if (diff > 0.5L || (diff == 0.5L && (result & 1) != 0)) ++result;
    return result;
}

int32_t RoundHalfEven(Extended value) {
    int64_t r = RoundHalfEven64(value);
    if (r > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (r < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}
