#include "files/NumberParser.h"

#include "files/Pow5Table.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
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

// How many of the eight bytes of a chunk, from the first (lowest address), are ASCII digits. A
// byte's test carries into the bytes after it only when it is no digit itself, so the count up to
// the first other byte is exact.
inline int LeadingDigits(uint64_t chunk) {
    const uint64_t notDigits =
        ((chunk & 0xF0F0F0F0F0F0F0F0ULL) | (((chunk + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) >> 4)) ^
        0x3333333333333333ULL;
    return notDigits == 0 ? 8 : std::countr_zero(notDigits) / 8;
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

// An exponent part ("e", an optional sign, digits) at p: where it ends (p when there is none) and
// its value, whose magnitude saturates at kExponentCap.
[[gnu::always_inline]] inline const char* ScanExponent(const char* p, const char* end, int& exponent) {
    exponent = 0;
    if (p == end || (*p != 'e' && *p != 'E')) return p;
    const char* q = p + 1;
    bool negative = false;
    if (q != end && (*q == '+' || *q == '-')) {
        negative = *q == '-';
        ++q;
    }
    if (q == end || !IsDigit(*q)) return p;
    for (; q != end && IsDigit(*q); ++q)
        if (exponent < kExponentCap) exponent = exponent * 10 + (*q - '0');
    if (negative) exponent = -exponent;
    return q;
}

// The syntax of ParseExtended: false when no number starts at begin. The parts are kept in locals
// while scanning, so that the digit loops run in registers.
[[gnu::always_inline]] inline bool Scan(const char* begin, const char* end, unsigned flags, Decimal& d) {
    const char* p = begin;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    const char* digitsBegin = p;
    uint64_t mantissa = 0;
    int kept = 0;
    int dropped = 0;
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
    if (!anyDigit) return false;
    int exponent = 0;
    p = ScanExponent(p, end, exponent);
    if (std::abs(exponent) >= kExponentCap) dropped = 1; // saturated: leave the rounding to the slow path
    decimalExponent += exponent;
    d = {digitsBegin, p, mantissa, kept, dropped, decimalExponent, negative, point};
    return true;
}

// mantissa * 10^exponent rounded to nearest, ties to even, by the method of Eisel and Lemire taken to
// the 64-bit significand, for the exponents beyond the exact powers of ten: the product of the mantissa and a
// 128-bit power of five gives the significand and far more bits beyond it than the truncation of the power
// can spoil. False when those bits lie too close to halfway to tell the rounding, or the power is beyond the
// table.
static_assert(std::size(kPow5) == kPow5MaxExponent - kPow5MinExponent + 1);

inline bool EiselLemire(uint64_t mantissa, int exponent, bool negative, Extended& out) {
    if (exponent < kPow5MinExponent || exponent > kPow5MaxExponent) return false;
    const TPow5& power = kPow5[exponent - kPow5MinExponent];
    const int shift = std::countl_zero(mantissa);
    const uint64_t normalized = mantissa << shift;
    const unsigned __int128 high = static_cast<unsigned __int128>(normalized) * power.High;
    const unsigned __int128 low = static_cast<unsigned __int128>(normalized) * power.Low;
    // The product's top 128 bits and the 64 below them; the exact product is larger by less than
    // the normalized mantissa, a unit of `below`.
    unsigned __int128 top = high + (low >> 64);
    uint64_t below = static_cast<uint64_t>(low);
    // Without branches: the rounding is a coin toss to the branch predictor.
    const unsigned lead = unsigned(top >> 127) ^ 1; // the product's top bit is clear: shift it up
    top = (top << lead) | ((below >> 63) & lead);
    below <<= lead;
    const int binaryExponent = 128 + power.Exponent + exponent - shift - int(lead);
    uint64_t significand = static_cast<uint64_t>(top >> 64);
    const uint64_t restHigh = static_cast<uint64_t>(top);
    constexpr uint64_t kHalf = uint64_t(1) << 63;
    const bool exact = exponent >= 0 && exponent <= 55; // the power of five has all its bits
    // The truncated power leaves the product short by less than 2^65 units of `below`: within that
    // distance below halfway the rounding is unknown.
    if (!exact && restHigh >= kHalf - 2 && (restHigh < kHalf || (restHigh == kHalf && below == 0)))
        return false;
    const bool up =
        (restHigh > kHalf) | ((restHigh == kHalf) & ((below != 0) | (exact & ((significand & 1) != 0))));
    significand += up;
    int carry = 0;
    if (significand == 0) { // rounded up to the next power of two
        significand = kHalf;
        carry = 1;
    }
    // The 80-bit layout: the 64-bit significand with its leading bit, then sign and biased exponent.
    // Written in place, so that no x87 load waits for these two stores.
    const uint16_t signAndExponent =
        static_cast<uint16_t>((negative ? 0x8000 : 0) | (binaryExponent + carry + 63 + 16383));
    auto* bytes = reinterpret_cast<unsigned char*>(&out);
    std::memcpy(bytes, &significand, 8);
    std::memcpy(bytes + 8, &signAndExponent, 2);
    return true;
}

// The value, correctly rounded; false when it overflows (`out` is then the infinity of its sign).
inline bool Convert(const Decimal& d, Extended& out) {
    const int exponent = d.decimalExponent;
    if (d.mantissa == 0) { // only zero digits: any exponent gives zero
        out = d.negative ? -0.0L : 0.0L;
        return true;
    }
    if (d.dropped == 0 && exponent >= -kMaxExactPow10 && exponent <= kMaxExactPow10) {
        // Exact operands and one rounding: the hardware's division pipelines better than any
        // integer method.
        const Extended magnitude = exponent >= 0 ? static_cast<Extended>(d.mantissa) * kPow10[exponent]
                                                 : static_cast<Extended>(d.mantissa) / kPow10[-exponent];
        out = d.negative ? -magnitude : magnitude;
        return true;
    }
    if (d.dropped == 0 && EiselLemire(d.mantissa, exponent, d.negative, out)) return true;
    const Extended value = SlowPath(d.digitsBegin, d.end, d.point);
    out = d.negative ? -value : value;
    return value != std::numeric_limits<Extended>::infinity();
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
    return Convert(d, out);
}

bool IsExtended(const char* begin, const char* end, const char** stop, unsigned flags) {
    // The syntax of Scan without the value: only the integer digits and the exponent are counted.
    const auto skipDigits = [end](const char* p) {
        while (end - p >= 8) {
            uint64_t chunk;
            std::memcpy(&chunk, p, 8);
            const int count = LeadingDigits(chunk);
            p += count;
            if (count < 8) return p;
        }
        while (p != end && IsDigit(*p))
            ++p;
        return p;
    };
    const char* p = begin;
    if (p != end && (*p == '+' || *p == '-')) ++p;
    const char* digits = p;
    while (p != end && *p == '0')
        ++p;
    const char* significant = p;
    p = skipDigits(p);
    const ptrdiff_t integerDigits = p - significant;
    bool anyDigit = p != digits;
    if (p != end && (*p == '.' || (*p == ',' && (flags & kCommaIsPoint)))) {
        const char* fraction = ++p;
        p = skipDigits(p);
        anyDigit = anyDigit || p != fraction;
    }
    if (!anyDigit) {
        *stop = begin;
        return false;
    }
    int exponent = 0;
    p = ScanExponent(p, end, exponent);
    *stop = p;
    // The value is below 10^(integer digits + exponent); only near the top of the range does the
    // conversion decide.
    if (integerDigits + exponent <= kSafeDecimalDigits) return true;
    Extended value;
    return ParseExtended(begin, end, value, stop, flags);
}

} // namespace numparse
