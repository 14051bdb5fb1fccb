// Reads the record structure of an enhanced metafile (EMF): the header, the chain of records and
// the fields of the records our writer produces (shapes, objects, text, clipping, bitmaps). Every
// field access is checked against the record's and the file's bounds, so a damaged file yields an
// error or an empty answer, never a read past the data.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

namespace emf {

// Record types, with the names of the public format documentation.
enum TRecordType : quint32 {
    EMR_HEADER = 1,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_EOF = 14,
    EMR_SETPIXELV = 15,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44,
    EMR_EXTSELECTCLIPRGN = 75,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91,
    EMR_EXTCREATEPEN = 95,
};

constexpr quint32 kSignature = 0x464D4520; // " EMF"
constexpr quint32 kHeaderSize = 108;       // with both header extensions, before the description

// Stock objects selected by index with the high bit set.
constexpr quint32 WHITE_BRUSH = 0x80000000;
constexpr quint32 NULL_BRUSH = 0x80000005;
constexpr quint32 BLACK_PEN = 0x80000007;
constexpr quint32 NULL_PEN = 0x80000008;
constexpr quint32 SYSTEM_FONT = 0x8000000D;

// Pen style bits.
constexpr quint32 PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_USERSTYLE = 7;
constexpr quint32 PS_STYLE_MASK = 0xF;
constexpr quint32 PS_ENDCAP_ROUND = 0, PS_ENDCAP_SQUARE = 0x100, PS_ENDCAP_FLAT = 0x200,
                  PS_ENDCAP_MASK = 0xF00;
constexpr quint32 PS_JOIN_ROUND = 0, PS_JOIN_BEVEL = 0x1000, PS_JOIN_MITER = 0x2000, PS_JOIN_MASK = 0xF000;
constexpr quint32 PS_COSMETIC = 0, PS_GEOMETRIC = 0x10000;

constexpr quint32 BS_SOLID = 0, BS_HATCHED = 2;
constexpr quint32 TRANSPARENT = 1, OPAQUE = 2;
constexpr quint32 ALTERNATE = 1, WINDING = 2;
constexpr quint32 RGN_COPY = 5;
constexpr quint32 TA_BASELINE = 24;

// Inclusive-exclusive or inclusive-inclusive by record, as the format defines it.
struct TRectL {
    qint32 Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRectL&) const = default;
};

struct TRecord {
    quint32 Type = 0;
    quint32 Size = 0;
    qsizetype Offset = 0; // from the start of the file
    bool operator==(const TRecord&) const = default;
};

struct THeader {
    TRectL Bounds, Frame;
    quint32 Signature = 0, Version = 0, Bytes = 0, Records = 0;
    quint16 Handles = 0;
    QString Description; // the description strings, nulls kept
    QSize Device, Millimeters, Micrometers;
};

struct TPen {
    quint32 Handle = 0, Style = 0, Width = 0, Color = 0;
    QList<quint32> StyleEntries;
};

struct TBrush {
    quint32 Handle = 0, Style = 0, Color = 0, Hatch = 0;
};

struct TFont {
    quint32 Handle = 0;
    qint32 Height = 0, Width = 0, Escapement = 0, Orientation = 0, Weight = 0;
    bool Italic = false, Underline = false, StrikeOut = false;
    quint8 CharSet = 0;
    QString FaceName;
};

struct TText {
    QPoint Reference;
    quint32 Options = 0;
    QString Text;
    QList<qint32> Dx;
};

struct TPixel {
    QPoint Point;
    quint32 Color = 0;
};

struct TBitmap {
    TRectL Dest; // left, top, width, height of the destination
    qint32 SourceWidth = 0, SourceHeight = 0;
    quint16 BitCount = 0;
    quint32 Compression = 0;
    QByteArray Bits;
};

} // namespace emf

class TEmfReader {
public:
    explicit TEmfReader(const QByteArray& bytes);

    // True when the file is a chain of well-formed records from a header to an end record.
    bool IsValid() const { return FError.isEmpty(); }
    QString Error() const { return FError; }

    const QList<emf::TRecord>& Records() const { return FRecords; }
    QList<emf::TRecord> RecordsOfType(quint32 type) const;

    // Fields by their offset from the start of the record; nothing past the record's end.
    std::optional<quint32> U32(const emf::TRecord& r, qsizetype offset) const;
    std::optional<qint32> I32(const emf::TRecord& r, qsizetype offset) const;
    std::optional<quint16> U16(const emf::TRecord& r, qsizetype offset) const;
    std::optional<qint16> I16(const emf::TRecord& r, qsizetype offset) const;

    std::optional<emf::THeader> Header() const;
    // The points of a polyline or polygon record (16- or 32-bit).
    std::optional<QList<QPoint>> Points(const emf::TRecord& r) const;
    // The point lists of a poly-polyline or poly-polygon record (16- or 32-bit).
    std::optional<QList<QList<QPoint>>> PointLists(const emf::TRecord& r) const;
    // The box of a rectangle, ellipse, rounded rectangle or clip rectangle record.
    std::optional<emf::TRectL> Box(const emf::TRecord& r) const;
    // The corner ellipse size of a rounded rectangle.
    std::optional<QSize> Corner(const emf::TRecord& r) const;
    std::optional<emf::TPen> Pen(const emf::TRecord& r) const;
    std::optional<emf::TBrush> Brush(const emf::TRecord& r) const;
    std::optional<emf::TFont> Font(const emf::TRecord& r) const;
    std::optional<emf::TText> Text(const emf::TRecord& r) const;
    std::optional<emf::TPixel> Pixel(const emf::TRecord& r) const;
    // The rectangles of a region clip record (empty for a reset to no clipping).
    std::optional<QList<QRect>> ClipRects(const emf::TRecord& r) const;
    std::optional<emf::TBitmap> Bitmap(const emf::TRecord& r) const;

private:
    std::optional<QByteArray> Slice(const emf::TRecord& r, qsizetype offset, qint64 length) const;
    std::optional<QList<QPoint>> ReadPoints(const emf::TRecord& r, qsizetype offset, qint64 count,
                                            bool wide) const;
    std::optional<QString> ReadUtf16(const emf::TRecord& r, qsizetype offset, qint64 chars) const;

    QByteArray FBytes;
    QList<emf::TRecord> FRecords;
    QString FError;
};
