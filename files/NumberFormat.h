// Number formats of text data file columns.
#pragma once

#include "model/ost2_Types.h"

#include <QByteArray>
#include <QString>

namespace numfmt {

// Formats `value` by a column format:
//   ""        exponent form, 15 significant digits, at least 4 exponent digits (1.50000000000000E+0000);
//   "%f<n>"   fixed point with n decimals;
//   "%e<a>.<b>" exponent form with a decimals and at least b exponent digits;
//   otherwise a picture of "0" (digit), "#" (optional digit), "." (point), "," (thousands grouping),
//   "E+"/"E-"/"e+"/"e-" (exponent), quoted literal text and up to three ";"-separated sections
//   (positive; negative; zero).
// Infinities and NaN are written as INF, -INF and NAN.
QByteArray Format(Extended value, const QString& format);

} // namespace numfmt
