// Helpers at the file boundary: the 10-byte extended form, cp1251 text and banker's rounding.
#pragma once

#include "model/ost2_Types.h"

#include <QByteArray>
#include <array>
#include <cstdint>

namespace codec {

using Ext10 = std::array<uint8_t, 10>;

// The 10-byte little-endian IEEE 754 extended form (64-bit mantissa with explicit integer bit).
Ext10 EncodeExtended(Extended value);
Extended DecodeExtended(const uint8_t* bytes);
inline Extended DecodeExtended(const Ext10& bytes) { return DecodeExtended(bytes.data()); }

// Windows-1251 text. Characters cp1251 cannot hold become '?'.
QByteArray ToCp1251(const QString& text);
QString FromCp1251(const QByteArray& bytes);
QString FromCp1251(const char* data, qsizetype size);
char16_t Cp1251ToUnicode(uint8_t byte);

} // namespace codec

// Round to the nearest integer, halves to the even neighbour, independent of the FPU rounding mode.
// Values outside the int32 range saturate.
int32_t RoundHalfEven(Extended value);
int64_t RoundHalfEven64(Extended value);
