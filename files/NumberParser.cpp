#include "files/NumberParser.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <string>

namespace numparse {
namespace {

// Powers of ten that are exact in the 64-bit mantissa: 10^27 = 2^27 * 5^27 and 5^27 < 2^64.
constexpr int kMaxExactPow10 = 27;
constexpr Extended kPow10[kMaxExactPow10 + 1] = {
    1e0L,  1e1L,  1e2L,  1e3L,  1e4L,  1e5L,  1e6L,  1e7L,  1e8L,  1e9L,  1e10L, 1e11L, 1e12L, 1e13L,
    1e14L, 1e15L, 1e16L, 1e17L, 1e18L, 1e19L, 1e20L, 1e21L, 1e22L, 1e23L, 1e24L, 1e25L, 1e26L, 1e27L};
constexpr uint64_t kPow10U64[20] = {1ULL,
                                    10ULL,
                                    100ULL,
                                    1000ULL,
                                    10000ULL,
                                    100000ULL,
                                    1000000ULL,
                                    10000000ULL,
                                    100000000ULL,
                                    1000000000ULL,
                                    10000000000ULL,
                                    100000000000ULL,
                                    1000000000000ULL,
                                    10000000000000ULL,
                                    100000000000000ULL,
                                    1000000000000000ULL,
                                    10000000000000000ULL,
                                    100000000000000000ULL,
                                    1000000000000000000ULL,
                                    10000000000000000000ULL};
constexpr int kMaxFastDigits = 19;   // 10^19 - 1 < 2^64: the digits fit in one integer exactly
constexpr int kExponentCap = 100000; // far beyond the extended range; stops counter overflow

locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

inline bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

// Eight ASCII digits at once (the SWAR technique of fast_float): all bytes in '0'..'9'?
inline bool IsEightDigits(uint64_t chunk) {
    return ((chunk & 0xF0F0F0F0F0F0F0F0ULL) |
            (((chunk + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4)) == 0x3333333333333333ULL;
}

// The value of eight ASCII digits, the first byte (lowest address) most significant.
inline uint32_t ParseEightDigits(uint64_t chunk) {
    constexpr uint64_t kMask = 0x000000FF000000FFULL;
    constexpr uint64_t kMul1 = 0x000F424000000064ULL; // 100 + (1000000 << 32)
    constexpr uint64_t kMul2 = 0x0000271000000001ULL; // 1 + (10000 << 32)
    chunk -= 0x3030303030303030ULL;
    chunk = (chunk * 10) + (chunk >> 8);
    return uint32_t((((chunk & kMask) * kMul1) + (((chunk >> 16) & kMask) * kMul2)) >> 32);
}

// Appends digits to the mantissa while it has room for them, counts the rest as dropped.
inline const char* ScanSignificant(const char* p, const char* end, uint64_t& mantissa, int& kept,
                                   int& dropped) {
    while (kept + 8 <= kMaxFastDigits && end - p >= 8) {
        uint64_t chunk;
        std::memcpy(&chunk, p, 8);
        if (!IsEightDigits(chunk)) break;
        mantissa = mantissa * 100000000ULL + ParseEightDigits(chunk);
        kept += 8;
        p += 8;
    }
    for (; p != end && IsDigit(*p) && kept < kMaxFastDigits; ++p, ++kept)
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    for (; p != end && IsDigit(*p); ++p)
        dropped = std::min(dropped + 1, kExponentCap);
    return p;
}

// Correct but slow, and kept out of line so that the fast path stays small: copies the validated number with
// "." as point and lets glibc round it.
[[gnu::noinline]] Extended SlowPath(const char* begin, const char* end, char point) {
    const size_t length = static_cast<size_t>(end - begin);
    char local[128];
    std::string heap;
    char* buffer = local;
    if (length >= sizeof local) {
        heap.resize(length + 1);
        buffer = heap.data();
    }
    std::memcpy(buffer, begin, length);
    buffer[length] = '\0';
    if (point != '.')
        for (size_t i = 0; i < length; ++i)
            if (buffer[i] == point) buffer[i] = '.';
    return strtold_l(buffer, nullptr, CLocale());
}

} // namespace

Extended ReferenceStrtold(const char* text, char** endptr) {
    return strtold_l(text, endptr, CLocale());
}

namespace {

// A number as written: its significant digits (at most 19 kept in the mantissa) and the power of
// ten that scales them.
struct Decimal {
    const char* digitsBegin; // after the sign
    const char* end;         // just past the number
    uint64_t mantissa;
    int kept;    // significant digits in the mantissa
    int dropped; // significant digits beyond the 19 kept ones (only the slow path sees them)
    int decimalExponent;
    bool negative;
    char point;
};

// The syntax of ParseExtended: false when no number starts at begin.
inline bool Scan(const char* begin, const char* end, unsigned flags, Decimal& d) {
    const char* p = begin;
    d.negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        d.negative = *p == '-';
        ++p;
    }
    d.digitsBegin = p;
    d.mantissa = 0;
    d.kept = 0;
    d.dropped = 0;
    d.decimalExponent = 0;
    while (p != end && *p == '0')
        ++p; // leading zeros carry no significance
    p = ScanSignificant(p, end, d.mantissa, d.kept, d.dropped);
    bool anyDigit = p != d.digitsBegin;
    d.point = '.';
    if (p != end && (*p == '.' || (*p == ',' && (flags & kCommaIsPoint)))) {
        d.point = *p;
        const char* fraction = ++p;
        if (d.mantissa == 0) {
            while (p != end && *p == '0')
                ++p;
            const ptrdiff_t zeros = p - fraction;
            if (zeros >= kExponentCap) d.dropped = 1; // far out of range: only the slow path can say where
            d.decimalExponent -= int(std::min<ptrdiff_t>(zeros, kExponentCap));
        }
        const int keptBefore = d.kept;
        p = ScanSignificant(p, end, d.mantissa, d.kept, d.dropped);
        d.decimalExponent -= d.kept - keptBefore;
        anyDigit = anyDigit || p != fraction;
    }
    if (!anyDigit) return false;
    if (p != end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool negativeExponent = false;
        if (q != end && (*q == '+' || *q == '-')) {
            negativeExponent = *q == '-';
            ++q;
        }
        if (q != end && IsDigit(*q)) {
            int exponent = 0;
            while (q != end && IsDigit(*q)) {
                if (exponent < kExponentCap) exponent = exponent * 10 + (*q - '0');
                ++q;
            }
            if (exponent >= kExponentCap) d.dropped = 1; // saturated: leave the rounding to the slow path
            d.decimalExponent += negativeExponent ? -exponent : exponent;
            p = q;
        }
    }
    d.end = p;
    return true;
}

// The value's magnitude, correctly rounded; infinity when it overflows.
inline Extended Convert(const Decimal& d) {
    const uint64_t mantissa = d.mantissa;
    const int exponent = d.decimalExponent;
    if (mantissa == 0) return 0; // only zero digits: any exponent gives zero
    if (d.dropped == 0 && exponent >= 0 && exponent <= kMaxExactPow10)
        return static_cast<Extended>(mantissa) * kPow10[exponent]; // exact operands, one rounding
    if (d.dropped == 0 && exponent < 0 && exponent >= -kMaxExactPow10)
        return static_cast<Extended>(mantissa) / kPow10[-exponent];
    if (d.dropped == 0 && exponent > kMaxExactPow10 && exponent - kMaxExactPow10 < kMaxFastDigits &&
        mantissa <= std::numeric_limits<uint64_t>::max() / kPow10U64[exponent - kMaxExactPow10]) {
        // A short mantissa absorbs the excess exponent exactly.
        const uint64_t scaled = mantissa * kPow10U64[exponent - kMaxExactPow10];
        return static_cast<Extended>(scaled) * kPow10[kMaxExactPow10];
    }
    return SlowPath(d.digitsBegin, d.end, d.point);
}

// Below 10^4932 nothing overflows: the largest extended value is about 1.19e4932.
constexpr int kSafeDecimalDigits = 4932;

} // namespace

bool ParseExtended(const char* begin, const char* end, Extended& out, const char** stop, unsigned flags) {
    Decimal d;
    if (!Scan(begin, end, flags, d)) {
        *stop = begin;
        return false;
    }
    *stop = d.end;
    const Extended value = Convert(d);
    out = d.negative ? -value : value;
    return value != std::numeric_limits<Extended>::infinity();
}

bool IsExtended(const char* begin, const char* end, const char** stop, unsigned flags) {
    Decimal d;
    if (!Scan(begin, end, flags, d)) {
        *stop = begin;
        return false;
    }
    *stop = d.end;
    // The digits bound the magnitude; only a number near the top of the range is converted.
    if (d.mantissa == 0 || d.kept + d.dropped + d.decimalExponent <= kSafeDecimalDigits) return true;
    return Convert(d) != std::numeric_limits<Extended>::infinity();
}

} // namespace numparse
