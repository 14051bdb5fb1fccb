// Decimal text to 80-bit extended, correctly rounded and independent of the C locale.
#pragma once

#include "model/ost2_Types.h"

namespace numparse {

enum ParseFlags : unsigned {
    kPointOnly = 0,
    kCommaIsPoint = 1, // "," is taken as the decimal point as well as "."
};

// Parses [+|-] digits [point [digits]] | point digits, then an optional exponent
// (e|E)[+|-]digits, starting exactly at `begin` (no blanks are skipped). "inf", "nan" and hex
// forms are not numbers. On success `out` holds the value rounded to nearest (ties to even) and
// `*stop` points just past the number. Returns false when no number starts at `begin` (`*stop` is
// then `begin`) and when the value overflows the extended range (`out` is then ±infinity and
// `*stop` is past the number); values below the smallest subnormal become ±0.
bool ParseExtended(const char* begin, const char* end, Extended& out, const char** stop,
                   unsigned flags = kPointOnly);

// Whether ParseExtended would take a number at `begin`, and where it would stop, without the cost
// of converting it.
bool IsExtended(const char* begin, const char* end, const char** stop, unsigned flags = kPointOnly);

// The reference conversion (strtold in the "C" locale) of a null-terminated string; exposed for
// the randomized comparison in the tests and the parser benchmark.
Extended ReferenceStrtold(const char* text, char** endptr);

} // namespace numparse
