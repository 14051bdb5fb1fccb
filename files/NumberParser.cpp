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

bool ParseExtended(const char* begin, const char* end, Extended& out, const char** stop, unsigned flags) {
    const char* p = begin;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const char* digitsBegin = p;
    uint64_t mantissa = 0;
    int kept = 0;    // significant digits in the mantissa
    int dropped = 0; // significant digits beyond the 19 kept ones (only the slow path sees them)
    int decimalExponent = 0;
    while (p != end && *p == '0')
        ++p; // leading zeros carry no significance
    p = ScanSignificant(p, end, mantissa, kept, dropped);
    bool anyDigit = p != digitsBegin;
    char point = '.';
    if (p != end && (*p == '.' || (*p == ',' && (flags & kCommaIsPoint)))) {
        point = *p;
        const char* fraction = ++p;
        if (mantissa == 0) {
            while (p != end && *p == '0')
                ++p;
            const ptrdiff_t zeros = p - fraction;
            if (zeros >= kExponentCap) dropped = 1; // far out of range: only the slow path can say where
            decimalExponent -= int(std::min<ptrdiff_t>(zeros, kExponentCap));
        }
        const int keptBefore = kept;
        p = ScanSignificant(p, end, mantissa, kept, dropped);
        decimalExponent -= kept - keptBefore;
        anyDigit = anyDigit || p != fraction;
    }
    if (!anyDigit) {
        *stop = begin;
        return false;
    }
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
            if (exponent >= kExponentCap) dropped = 1; // saturated: leave the rounding to the slow path
            decimalExponent += negativeExponent ? -exponent : exponent;
            p = q;
        }
    }
    *stop = p;

    Extended value;
    if (mantissa == 0) {
        value = 0; // only zero digits: any exponent gives zero
    } else if (dropped == 0 && decimalExponent >= 0 && decimalExponent <= kMaxExactPow10) {
        value = static_cast<Extended>(mantissa) * kPow10[decimalExponent]; // exact operands, one rounding
    } else if (dropped == 0 && decimalExponent < 0 && decimalExponent >= -kMaxExactPow10) {
        value = static_cast<Extended>(mantissa) / kPow10[-decimalExponent];
    } else if (dropped == 0 && decimalExponent > kMaxExactPow10 &&
               decimalExponent - kMaxExactPow10 < kMaxFastDigits &&
               mantissa <=
                   std::numeric_limits<uint64_t>::max() / kPow10U64[decimalExponent - kMaxExactPow10]) {
        // A short mantissa absorbs the excess exponent exactly.
        const uint64_t scaled = mantissa * kPow10U64[decimalExponent - kMaxExactPow10];
        value = static_cast<Extended>(scaled) * kPow10[kMaxExactPow10];
    } else {
        value = SlowPath(digitsBegin, p, point);
        if (value == std::numeric_limits<Extended>::infinity()) {
            out = negative ? -value : value;
            return false;
        }
    }
    out = negative ? -value : value;
    return true;
}

} // namespace numparse
