// Decimal logarithms and powers of ten that are exact where an exact answer exists.
// The library's x87 long-double routines may be one unit in the last place off, and differently so on
// different processors; users expect LOG10(1000) to be 3 and 10, 100, ... to sit on the decade lines
// of a logarithmic axis.
#pragma once

#include "model/ost2_Types.h"

// log10(x), exactly k when x is 10^k or the nearest extended value to 10^-k (|k| within the range
// where 10^|k| is exact, up to 10^27).
Extended Log10(Extended x);

// 10^x, exact for whole x from 0 to 27 and correctly rounded for whole x from -27 to -1, so that
// Log10(Pow10(k)) == k.
Extended Pow10(Extended x);
