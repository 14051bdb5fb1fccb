#include "model/EmfReader.h"

#include <QtEndian>

using namespace emf;

TEmfReader::TEmfReader(const QByteArray& bytes) : FBytes(bytes) {
    qsizetype offset = 0;
    bool ended = false;
    while (offset < FBytes.size()) {
        if (FBytes.size() - offset < 8) {
            FError = QStringLiteral("truncated record at byte %1").arg(offset);
            return;
        }
        const quint32 type = qFromLittleEndian<quint32>(FBytes.constData() + offset);
        const quint32 size = qFromLittleEndian<quint32>(FBytes.constData() + offset + 4);
        if (size < 8 || size % 4 != 0 || qint64(size) > qint64(FBytes.size() - offset)) {
            FError = QStringLiteral("bad size %1 of record %2 at byte %3").arg(size).arg(type).arg(offset);
            return;
        }
        if (FRecords.isEmpty() && type != EMR_HEADER) {
            FError = QStringLiteral("the first record is not a header");
            return;
        }
        FRecords.append({type, size, offset});
        offset += size;
        if (type == EMR_EOF) {
            ended = true;
            break;
        }
    }
    if (FRecords.isEmpty())
        FError = QStringLiteral("no records");
    else if (!ended)
        FError = QStringLiteral("no end record");
    else if (offset != FBytes.size())
        FError = QStringLiteral("bytes after the end record");
    else if (FRecords.first().Size < 88 || U32(FRecords.first(), 40) != kSignature)
        FError = QStringLiteral("not an enhanced metafile header");
}

QList<TRecord> TEmfReader::RecordsOfType(quint32 type) const {
    QList<TRecord> found;
    for (const TRecord& r : FRecords)
        if (r.Type == type) found.append(r);
    return found;
}

std::optional<QByteArray> TEmfReader::Slice(const TRecord& r, qsizetype offset, qint64 length) const {
    // The record was checked to lie inside the file when it was listed.
    if (offset < 0 || length < 0 || qint64(offset) + length > qint64(r.Size)) return std::nullopt;
    return FBytes.mid(r.Offset + offset, qsizetype(length));
}

std::optional<quint32> TEmfReader::U32(const TRecord& r, qsizetype offset) const {
    const auto bytes = Slice(r, offset, 4);
    if (!bytes) return std::nullopt;
    return qFromLittleEndian<quint32>(bytes->constData());
}

std::optional<qint32> TEmfReader::I32(const TRecord& r, qsizetype offset) const {
    const auto v = U32(r, offset);
    if (!v) return std::nullopt;
    return qint32(*v);
}

std::optional<quint16> TEmfReader::U16(const TRecord& r, qsizetype offset) const {
    const auto bytes = Slice(r, offset, 2);
    if (!bytes) return std::nullopt;
    return qFromLittleEndian<quint16>(bytes->constData());
}

std::optional<qint16> TEmfReader::I16(const TRecord& r, qsizetype offset) const {
    const auto v = U16(r, offset);
    if (!v) return std::nullopt;
    return qint16(*v);
}

namespace {
std::optional<TRectL> ReadRect(const TEmfReader& reader, const TRecord& r, qsizetype offset) {
    const auto left = reader.I32(r, offset), top = reader.I32(r, offset + 4),
               right = reader.I32(r, offset + 8), bottom = reader.I32(r, offset + 12);
    if (!left || !top || !right || !bottom) return std::nullopt;
    return TRectL{*left, *top, *right, *bottom};
}

bool IsWide(quint32 type) {
    return type == EMR_POLYLINE || type == EMR_POLYGON || type == EMR_POLYPOLYLINE || type == EMR_POLYPOLYGON;
}
} // namespace

std::optional<QList<QPoint>> TEmfReader::ReadPoints(const TRecord& r, qsizetype offset, qint64 count,
                                                    bool wide) const {
    const qint64 pointSize = wide ? 8 : 4;
    if (count < 0 || !Slice(r, offset, count * pointSize)) return std::nullopt;
    QList<QPoint> points;
    points.reserve(qsizetype(count));
    for (qint64 i = 0; i < count; ++i) {
        const qsizetype at = offset + qsizetype(i * pointSize);
        if (wide)
            points.append(QPoint(*I32(r, at), *I32(r, at + 4)));
        else
            points.append(QPoint(*I16(r, at), *I16(r, at + 2)));
    }
    return points;
}

std::optional<QString> TEmfReader::ReadUtf16(const TRecord& r, qsizetype offset, qint64 chars) const {
    const auto bytes = Slice(r, offset, chars * 2);
    if (!bytes) return std::nullopt;
    QString text;
    text.reserve(qsizetype(chars));
    for (qint64 i = 0; i < chars; ++i)
        text.append(QChar(qFromLittleEndian<quint16>(bytes->constData() + i * 2)));
    return text;
}

std::optional<THeader> TEmfReader::Header() const {
    if (FRecords.isEmpty() || FRecords.first().Type != EMR_HEADER) return std::nullopt;
    const TRecord& r = FRecords.first();
    THeader h;
    const auto bounds = ReadRect(*this, r, 8), frame = ReadRect(*this, r, 24);
    const auto signature = U32(r, 40), version = U32(r, 44), bytes = U32(r, 48), records = U32(r, 52);
    const auto handles = U16(r, 56);
    const auto descriptionChars = U32(r, 60), descriptionOffset = U32(r, 64);
    const auto deviceX = I32(r, 72), deviceY = I32(r, 76), mmX = I32(r, 80), mmY = I32(r, 84);
    if (!bounds || !frame || !signature || !version || !bytes || !records || !handles || !descriptionChars ||
        !descriptionOffset || !deviceX || !deviceY || !mmX || !mmY)
        return std::nullopt;
    h.Bounds = *bounds;
    h.Frame = *frame;
    h.Signature = *signature;
    h.Version = *version;
    h.Bytes = *bytes;
    h.Records = *records;
    h.Handles = *handles;
    h.Device = QSize(*deviceX, *deviceY);
    h.Millimeters = QSize(*mmX, *mmY);
    if (r.Size >= kHeaderSize) {
        const auto umX = I32(r, 100), umY = I32(r, 104);
        if (umX && umY) h.Micrometers = QSize(*umX, *umY);
    }
    if (*descriptionChars > 0) {
        const auto text = ReadUtf16(r, qsizetype(*descriptionOffset), *descriptionChars);
        if (!text) return std::nullopt;
        h.Description = *text;
    }
    return h;
}

std::optional<QList<QPoint>> TEmfReader::Points(const TRecord& r) const {
    switch (r.Type) {
    case EMR_POLYLINE:
    case EMR_POLYGON:
    case EMR_POLYLINE16:
    case EMR_POLYGON16:
        break;
    default:
        return std::nullopt;
    }
    const auto count = U32(r, 24);
    if (!count) return std::nullopt;
    return ReadPoints(r, 28, *count, IsWide(r.Type));
}

std::optional<QList<QList<QPoint>>> TEmfReader::PointLists(const TRecord& r) const {
    switch (r.Type) {
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16:
        break;
    default:
        return std::nullopt;
    }
    const auto lists = U32(r, 24), total = U32(r, 28);
    if (!lists || !total || !Slice(r, 32, qint64(*lists) * 4)) return std::nullopt;
    qsizetype at = 32 + qsizetype(*lists) * 4;
    const auto all = ReadPoints(r, at, *total, IsWide(r.Type));
    if (!all) return std::nullopt;
    QList<QList<QPoint>> result;
    qint64 used = 0;
    for (quint32 i = 0; i < *lists; ++i) {
        const quint32 count = *U32(r, 32 + qsizetype(i) * 4);
        if (used + count > *total) return std::nullopt;
        result.append(all->mid(qsizetype(used), qsizetype(count)));
        used += count;
    }
    if (used != *total) return std::nullopt;
    return result;
}

std::optional<TRectL> TEmfReader::Box(const TRecord& r) const {
    switch (r.Type) {
    case EMR_RECTANGLE:
    case EMR_ELLIPSE:
    case EMR_ROUNDRECT:
    case EMR_INTERSECTCLIPRECT:
        return ReadRect(*this, r, 8);
    default:
        return std::nullopt;
    }
}

std::optional<QSize> TEmfReader::Corner(const TRecord& r) const {
    if (r.Type != EMR_ROUNDRECT) return std::nullopt;
    const auto w = I32(r, 24), h = I32(r, 28);
    if (!w || !h) return std::nullopt;
    return QSize(*w, *h);
}

std::optional<TPen> TEmfReader::Pen(const TRecord& r) const {
    if (r.Type != EMR_EXTCREATEPEN) return std::nullopt;
    const auto handle = U32(r, 8), style = U32(r, 28), width = U32(r, 32), color = U32(r, 40),
               entries = U32(r, 48);
    if (!handle || !style || !width || !color || !entries || !Slice(r, 52, qint64(*entries) * 4))
        return std::nullopt;
    TPen pen{*handle, *style, *width, *color, {}};
    for (quint32 i = 0; i < *entries; ++i)
        pen.StyleEntries.append(*U32(r, 52 + qsizetype(i) * 4));
    return pen;
}

std::optional<TBrush> TEmfReader::Brush(const TRecord& r) const {
    if (r.Type != EMR_CREATEBRUSHINDIRECT) return std::nullopt;
    const auto handle = U32(r, 8), style = U32(r, 12), color = U32(r, 16), hatch = U32(r, 20);
    if (!handle || !style || !color || !hatch) return std::nullopt;
    return TBrush{*handle, *style, *color, *hatch};
}

std::optional<TFont> TEmfReader::Font(const TRecord& r) const {
    if (r.Type != EMR_EXTCREATEFONTINDIRECTW) return std::nullopt;
    const auto handle = U32(r, 8);
    const auto fixed = Slice(r, 12, 28); // the LogFont fields before the face name
    const auto face = ReadUtf16(r, 40, 32);
    if (!handle || !fixed || !face) return std::nullopt;
    TFont font;
    font.Handle = *handle;
    font.Height = *I32(r, 12);
    font.Width = *I32(r, 16);
    font.Escapement = *I32(r, 20);
    font.Orientation = *I32(r, 24);
    font.Weight = *I32(r, 28);
    font.Italic = fixed->at(20) != 0;
    font.Underline = fixed->at(21) != 0;
    font.StrikeOut = fixed->at(22) != 0;
    font.CharSet = quint8(fixed->at(23));
    const qsizetype end = face->indexOf(QChar(0));
    font.FaceName = end < 0 ? *face : face->left(end);
    return font;
}

std::optional<TText> TEmfReader::Text(const TRecord& r) const {
    if (r.Type != EMR_EXTTEXTOUTW) return std::nullopt;
    const auto x = I32(r, 36), y = I32(r, 40);
    const auto chars = U32(r, 44), stringOffset = U32(r, 48), options = U32(r, 52), dxOffset = U32(r, 72);
    if (!x || !y || !chars || !stringOffset || !options || !dxOffset) return std::nullopt;
    const auto text = ReadUtf16(r, qsizetype(*stringOffset), *chars);
    if (!text) return std::nullopt;
    TText result{QPoint(*x, *y), *options, *text, {}};
    if (*dxOffset != 0) {
        // ETO_PDY: a vertical advance follows every horizontal one.
        const qint64 stride = (*options & 0x2000) ? 8 : 4;
        if (!Slice(r, qsizetype(*dxOffset), qint64(*chars) * stride)) return std::nullopt;
        for (quint32 i = 0; i < *chars; ++i)
            result.Dx.append(*I32(r, qsizetype(*dxOffset + i * stride)));
    }
    return result;
}

std::optional<TPixel> TEmfReader::Pixel(const TRecord& r) const {
    if (r.Type != EMR_SETPIXELV) return std::nullopt;
    const auto x = I32(r, 8), y = I32(r, 12);
    const auto color = U32(r, 16);
    if (!x || !y || !color) return std::nullopt;
    return TPixel{QPoint(*x, *y), *color};
}

std::optional<QList<QRect>> TEmfReader::ClipRects(const TRecord& r) const {
    if (r.Type != EMR_EXTSELECTCLIPRGN) return std::nullopt;
    const auto dataSize = U32(r, 8);
    if (!dataSize) return std::nullopt;
    QList<QRect> rects;
    if (*dataSize == 0) return rects;
    const auto headerSize = U32(r, 16), count = U32(r, 24);
    if (!headerSize || !count || !Slice(r, 16 + qsizetype(*headerSize), qint64(*count) * 16))
        return std::nullopt;
    for (quint32 i = 0; i < *count; ++i) {
        const auto rect = ReadRect(*this, r, 16 + qsizetype(*headerSize) + qsizetype(i) * 16);
        rects.append(QRect(QPoint(rect->Left, rect->Top), QPoint(rect->Right - 1, rect->Bottom - 1)));
    }
    return rects;
}

std::optional<TBitmap> TEmfReader::Bitmap(const TRecord& r) const {
    if (r.Type != EMR_STRETCHDIBITS) return std::nullopt;
    const auto x = I32(r, 24), y = I32(r, 28), cx = I32(r, 40), cy = I32(r, 44), destW = I32(r, 72),
               destH = I32(r, 76);
    const auto bmiOffset = U32(r, 48), bitsOffset = U32(r, 56), bitsSize = U32(r, 60);
    if (!x || !y || !cx || !cy || !bmiOffset || !bitsOffset || !bitsSize || !destW || !destH)
        return std::nullopt;
    const auto bitCount = U16(r, qsizetype(*bmiOffset) + 14);
    const auto compression = U32(r, qsizetype(*bmiOffset) + 16);
    const auto bits = Slice(r, qsizetype(*bitsOffset), *bitsSize);
    if (!bitCount || !compression || !bits) return std::nullopt;
    return TBitmap{{*x, *y, *destW, *destH}, *cx, *cy, *bitCount, *compression, *bits};
}
