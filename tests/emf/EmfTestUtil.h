// Paints into a metafile and reads it back.
#pragma once

#include "model/EmfDevice.h"
#include "model/EmfReader.h"

#include <QPainter>

#include <functional>

namespace emftest {

inline QByteArray Record(const std::function<void(QPainter&)>& draw, QSize size = {200, 100}) {
    TEmfPaintDevice device(size);
    {
        QPainter painter(&device);
        draw(painter);
    }
    return device.Bytes();
}

// The records of the given type, in order.
inline QList<emf::TRecord> Of(const TEmfReader& reader, quint32 type) {
    return reader.RecordsOfType(type);
}

// The index (in Records()) of the first record of the type at or after from; -1 when none.
inline int IndexOf(const TEmfReader& reader, quint32 type, int from = 0) {
    const auto& records = reader.Records();
    for (int i = from; i < records.size(); ++i)
        if (records[i].Type == type) return i;
    return -1;
}

} // namespace emftest
