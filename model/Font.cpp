#include "model/Font.h"

#include <cstdlib>

namespace {
// a × b / c rounded to the nearest integer, halves away from zero.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    const int64_t product = int64_t(a) * b;
    const int64_t half = std::llabs(c) / 2;
    const bool negative = (product < 0) != (c < 0);
    const int64_t magnitude = (std::llabs(product) + half) / std::llabs(c);
    return int32_t(negative ? -magnitude : magnitude);
}
} // namespace

int32_t TFontRec::Height() const { return -MulDiv(Size, PixelsPerInch, 72); }

void TFontRec::SetHeight(int32_t pixels) { Size = -MulDiv(pixels, 72, PixelsPerInch); }
