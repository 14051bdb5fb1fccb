// Lists whose values are left unset, for results whose every value is written next: the pages are
// then first touched by the loops that fill them (often on two cores), not by a clearing pass.
#pragma once

#include <QList>

#include <type_traits>

template <typename T> QList<T> UnsetList(qsizetype n) {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    if (n <= 0) return {};
    QArrayDataPointer<T> d(QTypedArrayData<T>::allocate(n), n);
    Q_CHECK_PTR(d.data()); // out of memory fails as QList's own allocations do
    return QList<T>(std::move(d));
}
