// Arrays the tests build their graphs from.
#pragma once

#include "model/ost2_Types.h"

#include <QString>

#include <initializer_list>

namespace testutil {
inline TDoubleArray Ramp(int n, Extended start = 0, Extended step = 1) {
    TDoubleArray a(n);
    for (int i = 0; i < n; ++i)
        a[i] = start + i * step;
    return a;
}

inline TDoubleArray Values(std::initializer_list<Extended> v) {
    return TDoubleArray(v);
}
// Texts in the source are UTF-8.
inline QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}
} // namespace testutil
