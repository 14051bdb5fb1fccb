#include "files/MatlabFile.h"

#include "files/SafeSave.h"
#include "model/BackgroundJob.h"
#include "model/Codecs.h"
#include "model/JobProgress.h"
#include "model/ParallelDeflate.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

namespace matfile {

int ElementSize(uint32_t type) {
    switch (type) {
    case miINT8:
    case miUINT8:
    case miUTF8:
        return 1;
    case miINT16:
    case miUINT16:
    case miUTF16:
        return 2;
    case miINT32:
    case miUINT32:
    case miSINGLE:
    case miUTF32:
        return 4;
    case miDOUBLE:
    case miINT64:
    case miUINT64:
        return 8;
    default:
        return 0;
    }
}

QString ClassName(uint8_t classId) {
    static const char* const names[] = {
        "mxCell_Class",     "mxStuct_Class",  "mxObject_Class", "mxChar_Class",  "mxSparse_Class",
        "mxDouble_Class",   "mxSingle_Class", "mxInt8_Class",   "mxUInt8_Class", "mxInt16_Class",
        "mxUInt16_Class",   "mxInt32_Class",  "mxUInt32_Class", "mxInt64_Class", "mxUInt64_Class",
        "mxFunction_Class", "mxOpaque_Class"};
    if (classId >= 1 && classId <= 17) return QLatin1String(names[classId - 1]);
    return QStringLiteral("Unknown_Class");
}

} // namespace matfile

using namespace matfile;

namespace {

// Any inconsistency of the file's structure.
struct InvalidFile {};
// A file in a byte order or number format whose content cannot be turned into this machine's.
struct UnreadableByteOrder {};

bool IsNumericClass(uint8_t classId) {
    return classId >= mxDOUBLE && classId <= mxUINT64;
}
bool IsConvertibleClass(uint8_t classId) {
    return classId == mxCHAR || IsNumericClass(classId);
}

uint32_t ReadU32(const uint8_t* p, bool bigEndian = false) {
    if (bigEndian) return uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void WriteU32(uint8_t* p, uint32_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value >> 16);
    p[3] = uint8_t(value >> 24);
}
uint16_t ReadU16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint64_t Padded8(uint64_t size) {
    return (size + 7) & ~uint64_t(7);
}

// A byte range with bounds-checked reading of tags.
struct Span {
    const uint8_t* data;
    uint64_t size;
    bool bigEndian = false; // the order of the tags; the reading of values expects little-endian data
};

struct Tag {
    uint32_t type = 0;
    uint32_t size = 0;
    uint64_t dataPos = 0; // start of the element's data
    uint64_t next = 0;    // start of the next element, padding included (capped at the end)
};

// Reads the tag at `pos` of a small (type and size in 16 bits each, data in the tag's second word)
// or a normal element; the data must lie inside `span`.
Tag ReadTag(const Span& span, uint64_t pos) {
    if (pos > span.size || span.size - pos < 8) throw InvalidFile();
    const uint8_t* p = span.data + pos;
    const uint32_t word = ReadU32(p, span.bigEndian);
    Tag tag;
    if (word >> 16 != 0) {
        tag.type = word & 0xFFFF;
        tag.size = word >> 16;
        if (tag.size > 4) throw InvalidFile();
        tag.dataPos = pos + 4;
        tag.next = pos + 8;
        return tag;
    }
    tag.type = word;
    tag.size = ReadU32(p + 4, span.bigEndian);
    tag.dataPos = pos + 8;
    if (tag.size > span.size - tag.dataPos) throw InvalidFile();
    tag.next = std::min(tag.dataPos + Padded8(tag.size), span.size);
    return tag;
}

QByteArray Bytes(const Span& span, const Tag& tag) {
    return QByteArray(reinterpret_cast<const char*>(span.data + tag.dataPos), tag.size);
}

// The product of the dimensions times the element size, or max when it exceeds 64 bits.
uint64_t DataBytes(const TIntArray& dims, int elementSize) {
    uint64_t product = uint64_t(elementSize);
    for (int32_t d : dims) {
        if (d != 0 && product > std::numeric_limits<uint64_t>::max() / uint64_t(d))
            return std::numeric_limits<uint64_t>::max();
        product *= uint64_t(d);
    }
    return product;
}

// A numeric part (real or imaginary) whose size must match the dimensions.
void ReadPart(const Span& span, uint64_t& pos, const TIntArray& dims, uint32_t& type, QByteArray& data) {
    const Tag tag = ReadTag(span, pos);
    const int elementSize = ElementSize(tag.type);
    // A part of an unknown type is kept; converting it reports the unknown internal type.
    if (elementSize > 0 && DataBytes(dims, elementSize) != tag.size) throw InvalidFile();
    type = tag.type;
    data = Bytes(span, tag);
    pos = tag.next;
}

// The array flags that open a matrix element: its class and the flag bits.
void ReadArrayFlags(const Span& span, uint64_t& pos, TMatVar& var) {
    const Tag flags = ReadTag(span, pos);
    if (flags.type != miUINT32 || flags.size != 8) throw InvalidFile();
    var.ClassId = span.data[flags.dataPos];
    var.ArrayFlags = span.data[flags.dataPos + 1];
    pos = flags.next;
}

// Flags, dimensions and name: the head every matrix class shares.
void ReadMatrixHead(const Span& span, uint64_t& pos, TMatVar& var) {
    const Tag dims = ReadTag(span, pos);
    if (dims.type != miINT32) throw InvalidFile();
    var.Dims.clear();
    for (uint32_t i = 0; i < dims.size / 4; ++i) {
        const int32_t d = static_cast<int32_t>(ReadU32(span.data + dims.dataPos + 4 * i));
        if (d < 0) throw InvalidFile();
        var.Dims.append(d);
    }
    pos = dims.next;
    const Tag name = ReadTag(span, pos);
    if (name.type != miINT8) throw InvalidFile();
    var.Name = codec::FromCp1251(reinterpret_cast<const char*>(span.data + name.dataPos), name.size);
    pos = name.next;
}

Extended ValueAt(const uint8_t* p, uint32_t type) {
    switch (type) {
    case miINT8:
        return Extended(static_cast<int8_t>(p[0]));
    case miUINT8:
    case miUTF8:
        return Extended(p[0]);
    case miINT16:
        return Extended(static_cast<int16_t>(ReadU16(p)));
    case miUINT16:
    case miUTF16:
        return Extended(ReadU16(p));
    case miINT32:
        return Extended(static_cast<int32_t>(ReadU32(p)));
    case miUINT32:
    case miUTF32:
        return Extended(ReadU32(p));
    case miSINGLE: {
        float f;
        std::memcpy(&f, p, 4);
        return Extended(f);
    }
    case miDOUBLE: {
        double d;
        std::memcpy(&d, p, 8);
        return Extended(d);
    }
    case miINT64: {
        int64_t v;
        std::memcpy(&v, p, 8);
        return Extended(v); // exact: the extended mantissa has 64 bits
    }
    case miUINT64: {
        uint64_t v;
        std::memcpy(&v, p, 8);
        return Extended(v);
    }
    default:
        return 0;
    }
}

// What the reading of one element gives: the element itself, the numeric arrays found inside a
// structure or cell (named by their path), and a note per inner variable passed over.
struct ElementReading {
    QList<TMatVar>& vars;
    QList<TMatVar>& inner;
    QStringList& notes;
};

// Deeper nesting is passed over rather than followed, so that a hostile file cannot exhaust the stack.
constexpr int kDeepestNesting = 32;
// A sparse matrix is made dense only up to this many bytes of doubles.
constexpr uint64_t kLargestDenseSparse = uint64_t(1) << 31;

QString PassedOver(const QString& path, const QString& why) {
    return QStringLiteral("Переменная ") + path + QStringLiteral(" пропущена: ") + why + u'.';
}

// The index part of a sparse matrix: a miINT32 sub-element of non-negative values.
QList<uint32_t> ReadIndices(const Span& span, uint64_t& pos) {
    const Tag tag = ReadTag(span, pos);
    if (tag.type != miINT32) throw InvalidFile();
    QList<uint32_t> values(qsizetype(tag.size / 4));
    for (qsizetype i = 0; i < values.size(); ++i)
        values[i] = ReadU32(span.data + tag.dataPos + 4 * uint64_t(i));
    pos = tag.next;
    return values;
}

// A sparse matrix (head already read) as a dense double matrix; false when it is too large.
bool ReadSparse(const Span& span, uint64_t& pos, TMatVar& var) {
    if (var.Dims.size() != 2) throw InvalidFile();
    const QList<uint32_t> rowOf = ReadIndices(span, pos);
    const QList<uint32_t> columnStart = ReadIndices(span, pos);
    const uint64_t rows = uint64_t(var.Dims[0]), columns = uint64_t(var.Dims[1]);
    if (uint64_t(columnStart.size()) != columns + 1) throw InvalidFile();
    const Tag values = ReadTag(span, pos);
    const int width = ElementSize(values.type);
    if (width == 0) throw InvalidFile();
    const uint64_t count = values.size / uint64_t(width);
    for (qsizetype c = 0; c + 1 < columnStart.size(); ++c)
        if (columnStart[c] > columnStart[c + 1]) throw InvalidFile();
    if (columnStart.last() > count || columnStart.last() > uint64_t(rowOf.size())) throw InvalidFile();
    pos = values.next;
    var.ClassId = mxDOUBLE;
    var.RealType = miDOUBLE;
    if (var.ArrayFlags & kComplexFlag) return true; // refused as complex when converted
    if (DataBytes(var.Dims, 8) > kLargestDenseSparse) return false;
    QByteArray dense(qsizetype(rows * columns * 8), '\0');
    for (uint64_t c = 0; c < columns; ++c)
        for (uint32_t k = columnStart[qsizetype(c)]; k < columnStart[qsizetype(c) + 1]; ++k) {
            if (rowOf[k] >= rows) throw InvalidFile();
            const double value =
                double(ValueAt(span.data + values.dataPos + uint64_t(k) * uint64_t(width), values.type));
            std::memcpy(dense.data() + (c * rows + rowOf[k]) * 8, &value, 8);
        }
    var.RealData = std::move(dense);
    var.ArrayFlags &= uint8_t(~kLogicalFlag);
    return true;
}

void ReadInner(const Span& whole, uint64_t pos, const QString& path, int depth, ElementReading& reading);

// The inner matrices of a cell or structure whose head ends at `pos`.
void ReadContainer(const Span& span, uint64_t pos, const TMatVar& container, const QString& path, int depth,
                   ElementReading& reading) {
    if (depth >= kDeepestNesting) {
        reading.notes.append(PassedOver(path, QStringLiteral("слишком глубокая вложенность")));
        return;
    }
    const uint64_t count = DataBytes(container.Dims, 1);
    if (container.ClassId == mxCELL) {
        for (uint64_t k = 0; k < count; ++k) {
            const Tag tag = ReadTag(span, pos);
            ReadInner(span, pos, path + u'{' + QString::number(k + 1) + u'}', depth + 1, reading);
            pos = tag.next;
        }
        return;
    }
    const Tag lengthTag = ReadTag(span, pos);
    if (lengthTag.type != miINT32 || lengthTag.size != 4) throw InvalidFile();
    const uint32_t length = ReadU32(span.data + lengthTag.dataPos);
    pos = lengthTag.next;
    const Tag namesTag = ReadTag(span, pos);
    if (namesTag.type != miINT8 || length == 0 || namesTag.size % length != 0) throw InvalidFile();
    QStringList fields;
    for (uint32_t f = 0; f < namesTag.size / length; ++f) {
        const char* name = reinterpret_cast<const char*>(span.data + namesTag.dataPos + uint64_t(f) * length);
        fields.append(QString::fromLatin1(name, qsizetype(strnlen(name, length))));
    }
    pos = namesTag.next;
    for (uint64_t k = 0; k < count; ++k) {
        const QString element = count == 1 ? path : path + u'(' + QString::number(k + 1) + u')';
        for (const QString& field : fields) {
            const Tag tag = ReadTag(span, pos);
            ReadInner(span, pos, element + u'.' + field, depth + 1, reading);
            pos = tag.next;
        }
    }
}

// One matrix inside a cell or structure: a numeric (or sparse) array is offered under its path,
// a cell or structure is walked, anything else is passed over with a note.
void ReadInner(const Span& whole, uint64_t pos, const QString& path, int depth, ElementReading& reading) {
    const Tag tag = ReadTag(whole, pos);
    if (tag.type != miMATRIX) throw InvalidFile();
    if (tag.size == 0) return; // an empty [] in a cell or field
    const Span span{whole.data + tag.dataPos, tag.size};
    TMatVar var;
    var.ElementType = miMATRIX;
    uint64_t at = 0;
    ReadArrayFlags(span, at, var);
    const bool known = IsNumericClass(var.ClassId) || var.ClassId == mxSPARSE || var.ClassId == mxCELL ||
                       var.ClassId == mxSTRUCT;
    if (!known) {
        reading.notes.append(PassedOver(path, QStringLiteral("класс ") + ClassName(var.ClassId)));
        return;
    }
    ReadMatrixHead(span, at, var);
    var.Name = path;
    if (var.ClassId == mxCELL || var.ClassId == mxSTRUCT) {
        ReadContainer(span, at, var, path, depth, reading);
        return;
    }
    if (var.ClassId == mxSPARSE) {
        if (!ReadSparse(span, at, var)) {
            reading.notes.append(PassedOver(path, QStringLiteral("разреженная матрица слишком велика")));
            return;
        }
    } else {
        ReadPart(span, at, var.Dims, var.RealType, var.RealData);
        if (var.ArrayFlags & kComplexFlag) ReadPart(span, at, var.Dims, var.ImagType, var.ImagData);
    }
    var.Supported = true;
    reading.inner.append(std::move(var));
}

// A top-level matrix element (its tag already read), followed by the arrays found inside it.
void ReadMatrix(const Span& whole, const Tag& tag, ElementReading& reading) {
    const Span span{whole.data + tag.dataPos, tag.size};
    TMatVar var;
    var.RawType = tag.type;
    var.RawSize = tag.size;
    var.ElementType = miMATRIX;
    uint64_t pos = 0;
    ReadArrayFlags(span, pos, var);
    if (var.ClassId == mxSPARSE) {
        ReadMatrixHead(span, pos, var);
        var.Supported = ReadSparse(span, pos, var);
        if (!var.Supported) {
            var.ClassId = mxSPARSE;
            var.RealData = Bytes(whole, tag);
            reading.notes.append(PassedOver(var.Name, QStringLiteral("разреженная матрица слишком велика")));
        }
        reading.vars.append(std::move(var));
        return;
    }
    if (!IsConvertibleClass(var.ClassId)) {
        // Cells, structures and objects are kept as found; the arrays inside cells and structures
        // follow them as variables of their own.
        var.RealData = Bytes(whole, tag);
        try {
            ReadMatrixHead(span, pos, var);
        } catch (const InvalidFile&) {
            var.Dims.clear();
            var.Name.clear();
            reading.vars.append(std::move(var));
            return;
        }
        const QString name = var.Name;
        const TMatVar container = var;
        reading.vars.append(std::move(var));
        if (container.ClassId != mxCELL && container.ClassId != mxSTRUCT) return;
        const qsizetype found = reading.inner.size();
        const qsizetype noted = reading.notes.size();
        try {
            ReadContainer(span, pos, container, name, 0, reading);
        } catch (const InvalidFile&) {
            reading.inner.resize(found);
            reading.notes.resize(noted);
            reading.notes.append(PassedOver(name, QStringLiteral("содержимое повреждено")));
        }
        return;
    }
    ReadMatrixHead(span, pos, var);
    ReadPart(span, pos, var.Dims, var.RealType, var.RealData);
    if (var.ArrayFlags & kComplexFlag) ReadPart(span, pos, var.Dims, var.ImagType, var.ImagData);
    var.Supported = true;
    reading.vars.append(std::move(var));
}

// Any other top-level element: a one-dimensional numeric array without a name.
TMatVar ReadPlain(const Span& span, const Tag& tag) {
    TMatVar var;
    var.RawType = tag.type;
    var.RawSize = tag.size;
    var.ElementType = tag.type <= 0xFF ? uint8_t(tag.type) : 0;
    var.RealType = tag.type;
    var.RealData = Bytes(span, tag);
    const int elementSize = ElementSize(tag.type);
    var.Supported = elementSize > 0;
    var.Dims = {elementSize > 0 ? int32_t(tag.size / uint32_t(elementSize)) : 0};
    return var;
}

void ReadElement(const Span& span, const Tag& tag, ElementReading& reading) {
    if (tag.type == miMATRIX)
        ReadMatrix(span, tag, reading);
    else
        reading.vars.append(ReadPlain(span, tag));
}

// Reverses the bytes of each whole value of `width` bytes.
void SwapValues(uint8_t* data, uint64_t size, int width) {
    for (uint64_t i = 0; width > 1 && size - i >= uint64_t(width); i += uint64_t(width))
        std::reverse(data + i, data + i + width);
}

// Turns the elements of a big-endian file held in `bytes` into little-endian order in place: every
// tag, and every value by the width of its element's type. The sub-elements of matrices, nested
// at any depth, are walked with a stack of their ends rather than by recursion.
void ToLittleEndian(QByteArray& bytes) {
    uint8_t* data = reinterpret_cast<uint8_t*>(bytes.data());
    struct Level {
        uint64_t end;  // end of the matrix's data
        uint64_t next; // the position after the matrix in its parent
    };
    QList<Level> open;
    uint64_t pos = 0, end = uint64_t(bytes.size());
    for (;;) {
        if (pos >= end) {
            if (open.isEmpty()) return;
            pos = open.last().next;
            open.removeLast();
            end = open.isEmpty() ? uint64_t(bytes.size()) : open.last().end;
            continue;
        }
        const Tag tag = ReadTag(Span{data, end, true}, pos);
        if (tag.dataPos == pos + 4) {
            WriteU32(data + pos, tag.type | tag.size << 16);
        } else {
            WriteU32(data + pos, tag.type);
            WriteU32(data + pos + 4, tag.size);
        }
        if (tag.type == miMATRIX) {
            open.append({tag.dataPos + tag.size, tag.next});
            pos = tag.dataPos;
            end = tag.dataPos + tag.size;
            continue;
        }
        const int width = ElementSize(tag.type);
        if (width == 0) throw UnreadableByteOrder(); // values of unknown width cannot be turned
        SwapValues(data + tag.dataPos, tag.size, width);
        pos = tag.next;
    }
}

// Closes a zlib stream however its inflating ends.
struct InflateStream {
    z_stream stream{};
    ~InflateStream() { inflateEnd(&stream); }
};

// Inflates a compressed element to the end of its zlib stream, which verifies the stream's adler32
// checksum. The stream must hold one element: its tag, the data the tag declares and at most the
// padding after it. The output grows with the data actually produced and never beyond that element.
QByteArray Inflate(const uint8_t* data, uint32_t size, bool bigEndian) {
    InflateStream zlib;
    z_stream& stream = zlib.stream;
    if (inflateInit(&stream) != Z_OK) throw std::bad_alloc();
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = size;
    const uint64_t firstRoom =
        std::max<uint64_t>(4096, std::min<uint64_t>(uint64_t(size) * 4, uint64_t(1) << 24));
    QByteArray out(8, '\0');
    uint64_t produced = 0;
    bool tagRead = false;
    uint64_t declared = 8; // the inner tag and the data it declares
    uint64_t limit = 8;    // the same with the padding after the data
    Bytef beyond = 0;      // inflating into this byte means the stream holds more than the element
    int status = Z_OK;
    while (status == Z_OK) {
        if (!tagRead && produced == 8) {
            tagRead = true;
            const uint8_t* head = reinterpret_cast<const uint8_t*>(out.constData());
            if (ReadU32(head, bigEndian) >> 16 == 0) {
                declared = 8 + uint64_t(ReadU32(head + 4, bigEndian));
                limit = 8 + Padded8(declared - 8);
            }
        }
        if (produced == uint64_t(out.size()) && produced < limit)
            out.resize(qsizetype(std::min(limit, produced == 8 ? firstRoom : produced * 2)));
        const bool full = produced == limit;
        stream.next_out = full ? &beyond : reinterpret_cast<Bytef*>(out.data() + produced);
        stream.avail_out = full ? 1 : uInt(std::min<uint64_t>(uint64_t(out.size()) - produced, 1u << 30));
        const uInt before = stream.avail_out;
        status = inflate(&stream, Z_NO_FLUSH);
        if (full && stream.avail_out != before) throw InvalidFile();
        produced += before - stream.avail_out;
    }
    if (status == Z_MEM_ERROR) throw std::bad_alloc();
    // A short, damaged or wrongly summed stream never reaches its end.
    if (status != Z_STREAM_END || produced < declared) throw InvalidFile();
    out.resize(qsizetype(produced));
    return out;
}

// An element in bytes of its own (inflated, or copied to be turned into little-endian order).
void ReadHeldElement(QByteArray& element, bool bigEndian, ElementReading& reading) {
    if (bigEndian) ToLittleEndian(element);
    const Span span{reinterpret_cast<const uint8_t*>(element.constData()), uint64_t(element.size())};
    const Tag tag = ReadTag(span, 0);
    if (tag.type == miCOMPRESSED) throw InvalidFile();
    ReadElement(span, tag, reading);
}

// The subsystem data MATLAB keeps behind function handles and objects: an element of its own, at the
// offset the header gives (all zeros or blanks when there is none), which scipy calls by this name.
bool IsSubsystemData(const TMatVar& var, uint64_t pos, uint64_t subsystemOffset) {
    return var.Name == QLatin1String("__function_workspace__") ||
           (subsystemOffset != 0 && pos == subsystemOffset);
}

// Whether a matrix or compressed element whose data fits in the file begins at `pos`.
bool StartsElement(const Span& file, uint64_t pos) {
    if (file.size - pos < 8) return false;
    const uint32_t type = ReadU32(file.data + pos, file.bigEndian);
    return (type == miMATRIX || type == miCOMPRESSED) &&
           ReadU32(file.data + pos + 4, file.bigEndian) <= file.size - pos - 8;
}

void ReadLevel5(const QByteArray& bytes, bool bigEndian, QList<TMatVar>& vars, QList<TMatVar>& inner,
                QStringList& notes) {
    const Span file{reinterpret_cast<const uint8_t*>(bytes.constData()), uint64_t(bytes.size()), bigEndian};
    uint64_t subsystemOffset = 0;
    std::memcpy(&subsystemOffset, file.data + 116, 8);
    if (bigEndian) subsystemOffset = qFromBigEndian(subsystemOffset);
    if (subsystemOffset == 0x2020202020202020ull) subsystemOffset = 0;
    uint64_t pos = 128;
    while (pos < file.size) {
        const qsizetype first = vars.size();
        const uint64_t elementPos = pos;
        ElementReading reading{vars, inner, notes};
        const auto dropSubsystemData = [&] {
            if (vars.size() > first && IsSubsystemData(vars[first], elementPos, subsystemOffset))
                vars.resize(first);
        };
        if (file.size - pos < 8) {
            // Zero padding at the very end is harmless; anything else is a cut element.
            for (uint64_t i = pos; i < file.size; ++i)
                if (file.data[i] != 0) throw InvalidFile();
            break;
        }
        const Tag tag = ReadTag(file, pos);
        if (tag.type != miCOMPRESSED) {
            if (bigEndian) {
                QByteArray element = bytes.mid(qsizetype(pos), qsizetype(tag.next - pos));
                ReadHeldElement(element, true, reading);
            } else {
                ReadElement(file, tag, reading);
            }
            dropSubsystemData();
            pos = tag.next;
            continue;
        }
        if (tag.dataPos == pos + 4) throw InvalidFile(); // a compressed element cannot be small
        QByteArray inflated = Inflate(file.data + tag.dataPos, tag.size, bigEndian);
        ReadHeldElement(inflated, bigEndian, reading);
        dropSubsystemData();
        // Compressed elements are not padded by most writers; skip zero padding when a writer added it.
        pos = tag.dataPos + tag.size;
        const uint64_t aligned = std::min(Padded8(pos), file.size);
        bool zeros = true;
        for (uint64_t i = pos; i < aligned; ++i)
            zeros = zeros && file.data[i] == 0;
        // A big-endian tag begins with zero bytes too: an element that starts right here is no padding.
        if (zeros && !StartsElement(file, pos)) pos = aligned;
    }
}

// The largest level-4 type: machine format 4, precision 5, sparse.
constexpr uint32_t kLargestLevel4Type = 4052;

// A level-4 part of `bytes` values, turned into little-endian order when the file is big-endian.
QByteArray Level4Part(const uint8_t* data, uint64_t bytes, int elementSize, bool bigEndian) {
    QByteArray part(reinterpret_cast<const char*>(data), qsizetype(bytes));
    if (bigEndian) SwapValues(reinterpret_cast<uint8_t*>(part.data()), bytes, elementSize);
    return part;
}

void ReadLevel4(const QByteArray& bytes, QList<TMatVar>& vars) {
    const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const uint64_t size = uint64_t(bytes.size());
    uint64_t pos = 0;
    while (pos < size) {
        if (size - pos < 20) throw InvalidFile();
        // The header is in the byte order of its machine: read in the other order the type is out of range.
        const bool bigEndian = ReadU32(data + pos) > kLargestLevel4Type;
        const uint32_t type = ReadU32(data + pos, bigEndian);
        const int32_t rows = static_cast<int32_t>(ReadU32(data + pos + 4, bigEndian));
        const int32_t columns = static_cast<int32_t>(ReadU32(data + pos + 8, bigEndian));
        const int32_t imaginary = static_cast<int32_t>(ReadU32(data + pos + 12, bigEndian));
        const int32_t nameLength = static_cast<int32_t>(ReadU32(data + pos + 16, bigEndian));
        pos += 20;
        if (type > kLargestLevel4Type || rows < 0 || columns < 0 || nameLength < 0) throw InvalidFile();
        // The thousands digit: 0 IEEE little-endian, 1 IEEE big-endian, 2 and 3 VAX, 4 Cray.
        const uint32_t machine = type / 1000;
        if (machine > 1) throw UnreadableByteOrder();
        if ((machine == 1) != bigEndian) throw InvalidFile();
        static const uint8_t classes[] = {mxDOUBLE, mxSINGLE, 12, 10, 11, 9};
        static const uint32_t types[] = {miDOUBLE, miSINGLE, miINT32, miINT16, miUINT16, miUINT8};
        const int precision = (type / 10) % 10;
        const int kind = type % 10;
        if (precision > 5 || kind > 2) throw InvalidFile();
        TMatVar var;
        var.ElementType = miMATRIX;
        var.ClassId = kind == 0 ? classes[precision] : uint8_t(kind == 1 ? mxCHAR : mxSPARSE);
        var.RealType = types[precision];
        var.Dims = {rows, columns};
        if (uint64_t(nameLength) > size - pos) throw InvalidFile();
        // The stored length counts the terminating zero; a length of 0 is an empty name.
        const char* name = reinterpret_cast<const char*>(data + pos);
        var.Name = codec::FromCp1251(name, qsizetype(strnlen(name, size_t(nameLength))));
        pos += uint64_t(nameLength);
        const int elementSize = ElementSize(var.RealType);
        const uint64_t partBytes = DataBytes(var.Dims, elementSize);
        if (partBytes > size - pos) throw InvalidFile();
        var.RealData = Level4Part(data + pos, partBytes, elementSize, bigEndian);
        pos += partBytes;
        if (imaginary != 0) {
            if (partBytes > size - pos) throw InvalidFile();
            var.ArrayFlags = kComplexFlag;
            var.ImagType = var.RealType;
            var.ImagData = Level4Part(data + pos, partBytes, elementSize, bigEndian);
            pos += partBytes;
        }
        var.Supported = var.ClassId != mxSPARSE;
        vars.append(std::move(var));
    }
}

} // namespace

void TMatlabFile::SetError(int32_t code, const QString& message) {
    errorCode_ = code;
    errorMessage_ = message;
}

bool TMatlabFile::Parse(const QByteArray& bytes) {
    const QString invalid = QStringLiteral("Файл ") + filesave::Quoted(fileName_) +
                            QStringLiteral(" не является корректным mat-файлом.");
    try {
        if (bytes.size() < 20) {
            SetError(3, invalid);
            return false;
        }
        const bool level4 = bytes[0] == 0 || bytes[1] == 0 || bytes[2] == 0 || bytes[3] == 0;
        QList<TMatVar> vars;
        QList<TMatVar> inner;
        QStringList notes;
        if (level4) {
            ReadLevel4(bytes, vars);
        } else {
            if (bytes.size() < 128) throw InvalidFile();
            // "IM" read in the writer's order: "MI" comes from a big-endian machine.
            const bool bigEndian = bytes[126] == 'M' && bytes[127] == 'I';
            if (!bigEndian && (bytes[126] != 'I' || bytes[127] != 'M')) throw InvalidFile();
            ReadLevel5(bytes, bigEndian, vars, inner, notes);
        }
        vars_ = std::move(vars);
        inner_ = std::move(inner);
        notes_ = std::move(notes);
        return true;
    } catch (const InvalidFile&) {
        SetError(3, invalid);
    } catch (const UnreadableByteOrder&) {
        SetError(4,
                 QStringLiteral("Files with reversed order of the endian indicator is not supported now."));
    } catch (const std::bad_alloc&) {
        SetError(99, QStringLiteral("Неизвестная ошибка."));
    }
    return false;
}

bool TMatlabFile::LoadFromFile(const QString& name) {
    Clear();
    SetError(0, QString());
    fileName_ = name;
    QFile file(name);
    int32_t code = 0;
    QString message;
    if (!filesave::OpenForReading(
            file, QStringLiteral("Невозможно открыть файл ") + filesave::Quoted(name) + QStringLiteral("."),
            code, message)) {
        SetError(code, message);
        return false;
    }
    QByteArray bytes;
    try {
        if (Job) Job->SetTotal(file.size());
        // Read in slices, so a job sees the bytes come and can stop between them.
        constexpr qint64 kSlice = qint64(4) << 20;
        bytes.reserve(qsizetype(file.size()));
        while (!file.atEnd() && file.error() == QFileDevice::NoError) {
            if (JobCancelled(Job)) {
                SetError(kCancelledError, QString());
                return false;
            }
            const QByteArray slice = file.read(kSlice);
            if (slice.isEmpty()) break;
            bytes += slice;
            JobAdvance(Job, slice.size());
        }
    } catch (const std::bad_alloc&) {
        SetError(99, QStringLiteral("Неизвестная ошибка."));
        return false;
    }
    if (file.error() != QFileDevice::NoError) {
        SetError(99, QStringLiteral("Неизвестная ошибка."));
        return false;
    }
    if (!Parse(bytes)) return false;
    if (JobCancelled(Job)) {
        Clear();
        SetError(kCancelledError, QString());
        return false;
    }
    return true;
}

bool TMatlabFile::LoadFromBytes(const QByteArray& bytes, const QString& name) {
    Clear();
    SetError(0, QString());
    fileName_ = name;
    return Parse(bytes);
}

QString TMatlabFile::VariableName(int index) {
    SetError(0, QString());
    if (index < 0 || index >= VariableCount()) {
        SetError(5, QStringLiteral("Некорректный индекс переменной (") + QString::number(index) + u')');
        return QString();
    }
    return Variable(index).Name;
}

int TMatlabFile::IndexOfVariable(const QString& name) const {
    for (int i = 0; i < VariableCount(); ++i)
        if (Variable(i).Name == name) return i;
    return -1;
}

bool TMatlabFile::GetVariableNames(int index, TStrArray& out) {
    out.clear();
    const QString name = VariableName(index);
    if (errorCode_ != 0) return false;
    out.append(name);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Conversion to a real matrix

namespace {} // namespace

bool TMatlabFile::GetVariable(int index, TDoubleArray2& out) {
    return Convert(index, false, out);
}

bool TMatlabFile::GetColumns(int index, TDoubleArray2& out) {
    return Convert(index, true, out);
}

bool TMatlabFile::Convert(int index, bool byColumns, TDoubleArray2& out) {
    out.clear();
    SetError(0, QString());
    if (index < 0 || index >= VariableCount()) {
        SetError(5, QStringLiteral("Некорректный индекс переменной (") + QString::number(index) + u')');
        return false;
    }
    const TMatVar& var = Variable(index);
    if (var.ElementType != miMATRIX && ElementSize(var.RealType) == 0) {
        SetError(6, QStringLiteral("Неизвестный тип данных."));
        return false;
    }
    if (var.ElementType == miMATRIX) {
        if (!IsConvertibleClass(var.ClassId)) {
            SetError(6, QStringLiteral("Невозможно выполнить приведение типов (из ") +
                            ClassName(var.ClassId) + QStringLiteral(" в Double)."));
            return false;
        }
        if (var.ArrayFlags & kComplexFlag) {
            SetError(6, QStringLiteral("Невозможно выполнить приведение типов (из Complex в Double)."));
            return false;
        }
    }
    if (var.Dims.size() != 1 && var.Dims.size() != 2) {
        SetError(7, QStringLiteral("Размерность исходного массива (") + QString::number(var.Dims.size()) +
                        QStringLiteral(") не равна 1 или 2"));
        return false;
    }
    const int elementSize = ElementSize(var.RealType);
    const qsizetype rows = var.Dims.size() == 1 ? 1 : var.Dims[0];
    const qsizetype columns = var.Dims.size() == 1 ? var.Dims[0] : var.Dims[1];
    if (elementSize == 0 ||
        DataBytes({int32_t(rows), int32_t(columns)}, elementSize) > uint64_t(var.RealData.size())) {
        SetError(6, QStringLiteral("Невозможно выполнить приведение типов (некорректный внутренний тип)."));
        return false;
    }
    // An n x 0 or 0 x n matrix holds no values: no rows are made, whatever n claims.
    if (rows == 0 || columns == 0) return true;
    const bool single = var.RealType == miSINGLE;
    const bool floating = single || var.RealType == miDOUBLE;
    const Extended largest = single ? 3.4e38L : 1.7e308L;
    nonFinite_ = 0;
    const uint8_t* data = reinterpret_cast<const uint8_t*>(var.RealData.constData());
    const auto valueAt = [&](qsizetype r, qsizetype c) {
        Extended value = ValueAt(data + (c * rows + r) * elementSize, var.RealType);
        if (floating && !std::isfinite(value)) {
            value = NonFiniteAsMissing ? std::numeric_limits<Extended>::quiet_NaN()
                                       : (value > 0 ? largest : -largest);
            ++nonFinite_;
        }
        return value;
    };
    // The file keeps the values column by column.
    const qsizetype lines = byColumns ? columns : rows, length = byColumns ? rows : columns;
    out.resize(lines);
    for (qsizetype l = 0; l < lines; ++l) {
        TDoubleArray& line = out[l];
        line.resize(length);
        for (qsizetype k = 0; k < length; ++k)
            line[k] = byColumns ? valueAt(k, l) : valueAt(l, k);
    }
    if (nonFinite_ > 0) {
        SetError(12, QStringLiteral("Файл содержит бесконечность (Inf) или неопределенность (NaN)."));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Names and stored variables

namespace {

bool IsLatinLetter(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}
bool IsNameChar(QChar c) {
    return IsLatinLetter(c) || (c >= u'0' && c <= u'9') || c == u'_';
}

} // namespace

QString TMatlabFile::MakeMatName(const QString& text) {
    // А..Я in order; the small letters use the same table in lower case.
    static const char* const capitals[32] = {"A",  "B",  "V",  "G",   "D", "E", "ZH", "Z", "I",  "Y", "K",
                                             "L",  "M",  "N",  "O",   "P", "R", "S",  "T", "U",  "F", "KH",
                                             "TS", "CH", "SH", "SCH", "",  "Y", "",   "E", "YU", "YA"};
    QString latin;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x0410 && u <= 0x042F)
            latin += QLatin1String(capitals[u - 0x0410]);
        else if (u >= 0x0430 && u <= 0x044F)
            latin += QLatin1String(capitals[u - 0x0430]).toString().toLower();
        else if (u == 0x0401)
            latin += QLatin1String("YO");
        else if (u == 0x0451)
            latin += QLatin1String("yo");
        else
            latin += c;
    }
    qsizetype first = 0;
    while (first < latin.size() && !IsLatinLetter(latin[first]))
        ++first;
    if (first == latin.size()) return QStringLiteral("var");
    QString name = latin.mid(first);
    for (QChar& c : name)
        if (!IsNameChar(c)) c = u'_';
    return name;
}

void TMatlabFile::SetVariable(const QString& name, const TDoubleArray2& matrix, bool transpose) {
    QString clean = name;
    for (QChar& c : clean)
        if (!IsNameChar(c)) c = u'_';
    if (clean.isEmpty() || !IsLatinLetter(clean[0])) clean.prepend(u'v');

    const qsizetype rows = matrix.size();
    const qsizetype columns = rows == 0 ? 0 : matrix.first().size();
    TMatVar var;
    var.Name = clean;
    var.Supported = true;
    var.ElementType = miMATRIX;
    var.ClassId = mxDOUBLE;
    var.RealType = miDOUBLE;
    var.Dims =
        transpose ? TIntArray{int32_t(columns), int32_t(rows)} : TIntArray{int32_t(rows), int32_t(columns)};
    var.RealData.resize(rows * columns * 8);
    char* out = var.RealData.data();
    // Column-major order of the stored matrix; a short row's missing values are written as 0.
    const auto put = [&](qsizetype slot, qsizetype r, qsizetype c) {
        const double value = c < matrix[r].size() ? static_cast<double>(matrix[r][c]) : 0.0;
        std::memcpy(out + slot * 8, &value, 8);
    };
    for (qsizetype r = 0; r < rows; ++r)
        for (qsizetype c = 0; c < columns; ++c)
            put(transpose ? r * columns + c : c * rows + r, r, c);

    const int existing = IndexOfVariable(clean);
    if (existing >= 0)
        vars_[existing] = std::move(var);
    else
        vars_.append(std::move(var));
}

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

void AppendU32(QByteArray& out, uint32_t value) {
    const char bytes[4] = {char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
    out.append(bytes, 4);
}

void PadTo8(QByteArray& out, qsizetype from = 0) {
    const qsizetype length = out.size() - from;
    out.append(QByteArray(qsizetype(Padded8(uint64_t(length))) - length, '\0'));
}

void AppendSubElement(QByteArray& out, uint32_t type, const QByteArray& data) {
    AppendU32(out, type);
    AppendU32(out, uint32_t(data.size()));
    out.append(data);
    PadTo8(out);
}

constexpr qsizetype kMaxElementSize = std::numeric_limits<uint32_t>::max();

// One variable as a top-level element, without the padding after it; empty when it is too large.
QByteArray BuildElement(const TMatVar& var) {
    QByteArray element;
    if (!var.Supported) {
        if (var.RealData.size() > kMaxElementSize) return {};
        AppendU32(element, var.RawType);
        AppendU32(element, uint32_t(var.RealData.size()));
        element.append(var.RealData);
        return element;
    }
    if (var.ElementType != miMATRIX) {
        if (var.RealData.size() > kMaxElementSize) return {};
        AppendU32(element, var.RealType);
        AppendU32(element, uint32_t(var.RealData.size()));
        element.append(var.RealData);
        return element;
    }
    QByteArray body;
    AppendU32(body, miUINT32);
    AppendU32(body, 8);
    const char flags[8] = {char(var.ClassId), char(var.ArrayFlags), 0, 0, 0, 0, 0, 0};
    body.append(flags, 8);
    QByteArray dims;
    for (int32_t d : var.Dims)
        AppendU32(dims, uint32_t(d));
    AppendSubElement(body, miINT32, dims);
    AppendSubElement(body, miINT8, codec::ToCp1251(var.Name));
    AppendSubElement(body, var.RealType, var.RealData);
    if (var.ArrayFlags & kComplexFlag) AppendSubElement(body, var.ImagType, var.ImagData);
    if (body.size() > kMaxElementSize) return {};
    AppendU32(element, miMATRIX);
    AppendU32(element, uint32_t(body.size()));
    element.append(body);
    return element;
}

// Compressed on every core at zlib's default level, a megabyte per slice, and written as it comes,
// so that a cancel of the writing's job stops it within a slice; `size` gets the bytes written.
bool WriteCompressed(const QByteArray& element, QIODevice& device, qsizetype& size) {
    size = 0;
    const auto write = [&](const QByteArray& piece) {
        size += piece.size();
        return device.write(piece) == piece.size();
    };
    return paralleldeflate::CompressZlib(element, {}, write, filesave::TJobScope::Current());
}

QByteArray Header() {
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(u't'); // the time zone is not part of the system's long time
    const QString stamp = locale.toString(now.date(), QLocale::ShortFormat) + u' ' +
                          locale.toString(now.time(), timeFormat.trimmed());
    QByteArray text = QByteArrayLiteral("MATLAB 5.0 MAT-file.\r\nCreated by Ostrel 2 on: ") +
                      codec::ToCp1251(stamp) + QByteArrayLiteral(".                       \r\n\r\n");
    text = text.leftJustified(116, ' ', true);
    text.append(QByteArray(8, '\0'));
    text.append("\x00\x01IM", 4);
    return text;
}

} // namespace

bool TMatlabFile::SaveToFile(const QString& name, bool overwrite, bool backup) {
    SetError(0, QString());
    if (VariableCount() == 0) {
        SetError(10, QStringLiteral("Число переменных равно 0. Сохранение невозможно."));
        return false;
    }
    if (!overwrite && QFileInfo::exists(name)) {
        SetError(9, QStringLiteral("Файл с именем ") + filesave::Quoted(name) +
                        QStringLiteral(" уже существует."));
        return false;
    }
    // Checked before anything is written: a level-4 sparse matrix has no level-5 form here.
    for (const TMatVar& var : vars_) {
        const bool writable =
            var.Supported ? var.ElementType != miMATRIX || IsConvertibleClass(var.ClassId) : var.RawType != 0;
        if (!writable) {
            SetError(99, QStringLiteral("Попытка сохранить временно не поддерживающиеся данные."));
            return false;
        }
    }
    const auto write = [this](QIODevice& device) {
        if (device.write(Header()) != 128) return false;
        for (const TMatVar& var : vars_) {
            QByteArray element = BuildElement(var);
            if (element.isEmpty()) return false;
            if (!Compressed) {
                PadTo8(element);
                if (device.write(element) != element.size()) return false;
                continue;
            }
            // Not padded, like other writers of compressed elements; the size is filled in after.
            QByteArray tag;
            AppendU32(tag, miCOMPRESSED);
            AppendU32(tag, 0);
            const qint64 tagAt = device.pos();
            qsizetype size = 0;
            if (device.write(tag) != tag.size() || !WriteCompressed(element, device, size) ||
                size > kMaxElementSize)
                return false;
            QByteArray sizeField;
            AppendU32(sizeField, uint32_t(size));
            if (!device.seek(tagAt + 4) || device.write(sizeField) != 4 || !device.seek(tagAt + 8 + size))
                return false;
        }
        return true;
    };
    try {
        return filesave::SaveReplacing(name, overwrite, backup, write, errorCode_, errorMessage_);
    } catch (const std::bad_alloc&) {
        SetError(99, TBackgroundJob::OutOfMemoryMessage());
        return false;
    }
}
