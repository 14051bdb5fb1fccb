// TMatlabFile: variables of MAT-files (levels 4 and 5 read in either byte order, level 5 written).
#pragma once

#include "model/ost2_Types.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

// One variable as stored in the file, or a numeric array inside a structure or cell, named by its
// path ("data.signal", "c{2}", "s(3).x").
struct TMatVar {
    QString Name;
    bool Supported = false; // a numeric or character matrix, or a plain numeric element
    uint32_t RawType = 0;   // the element's tag as found (0 when the variable did not come from a tag)
    uint32_t RawSize = 0;
    uint8_t ElementType = 14; // 14 for matrices, otherwise the type of a plain top-level element
    uint8_t ArrayFlags = 0;   // 0x08 complex, 0x04 global, 0x02 logical
    uint8_t ClassId = 0;
    uint32_t RealType = 0;
    uint32_t ImagType = 0;
    TIntArray Dims;
    // Little-endian whatever the file's order; unsupported elements keep their whole data here, to be
    // written back as found.
    QByteArray RealData;
    QByteArray ImagData;
};

namespace matfile {
// Element types and classes used by the reader and the writer.
enum : uint32_t {
    miINT8 = 1,
    miUINT8 = 2,
    miINT16 = 3,
    miUINT16 = 4,
    miINT32 = 5,
    miUINT32 = 6,
    miSINGLE = 7,
    miDOUBLE = 9,
    miINT64 = 12,
    miUINT64 = 13,
    miMATRIX = 14,
    miCOMPRESSED = 15,
    miUTF8 = 16,
    miUTF16 = 17,
    miUTF32 = 18,
};
enum : uint8_t {
    mxCELL = 1,
    mxSTRUCT = 2,
    mxCHAR = 4,
    mxSPARSE = 5,
    mxDOUBLE = 6,
    mxSINGLE = 7,
    mxUINT32 = 13,
    mxUINT64 = 15,
};
enum : uint8_t { kComplexFlag = 0x08, kGlobalFlag = 0x04, kLogicalFlag = 0x02 };

// Bytes per value of an element type; 0 for a type that is not supported.
int ElementSize(uint32_t type);
// "mxDouble_Class" and the like, for messages.
QString ClassName(uint8_t classId);
} // namespace matfile

class TJobProgress;

class TMatlabFile {
public:
    bool LoadFromFile(const QString& name);
    // The reading applied to the bytes of a file already in memory.
    bool LoadFromBytes(const QByteArray& bytes, const QString& name);

    // The elements of the file, then the arrays found inside its structures and cells.
    int VariableCount() const { return static_cast<int>(vars_.size() + inner_.size()); }
    const TMatVar& Variable(int index) const {
        return index < vars_.size() ? vars_[index] : inner_[index - vars_.size()];
    }
    QString VariableName(int index);
    int IndexOfVariable(const QString& name) const;
    bool GetVariableNames(int index, TStrArray& out);
    bool GetVariable(int index, TDoubleArray2& out);
    // The same matrix column by column, as the file keeps it.
    bool GetColumns(int index, TDoubleArray2& out);
    void SetVariable(const QString& name, const TDoubleArray2& matrix, bool transpose);
    bool SaveToFile(const QString& name, bool overwrite, bool backup);
    // A valid variable name for any text: Cyrillic transliterated, the rest made of [A-Za-z0-9_].
    static QString MakeMatName(const QString& text);
    void Clear() {
        vars_.clear();
        inner_.clear();
        notes_.clear();
    }
    // The variables inside structures and cells that the reading passed over, one line each.
    const QStringList& Notes() const { return notes_; }

    const QString& FileName() const { return fileName_; }
    const QList<TMatVar>& Vars() const { return vars_; }
    int32_t ErrorCode() const { return errorCode_; }
    const QString& ErrorMessage() const { return errorMessage_; }
    bool Compressed = false;
    // Without anyone to ask, infinities and NaN are read as NaN (a missing value) rather than replaced
    // by the largest numbers; the conversion still reports error 12.
    bool NonFiniteAsMissing = false;
    // How many infinities and NaN the last conversion met.
    qsizetype NonFiniteCount() const { return nonFinite_; }
    // A reading on a worker thread: the bytes read are counted into it, and a cancel stops the
    // reading with nothing loaded and Cancelled() true.
    TJobProgress* Job = nullptr;
    bool Cancelled() const { return errorCode_ == kCancelledError; }

private:
    static constexpr int32_t kCancelledError = -1;
    bool Convert(int index, bool byColumns, TDoubleArray2& out);
    void SetError(int32_t code, const QString& message);
    bool Parse(const QByteArray& bytes);

    QString fileName_;
    QList<TMatVar> vars_;  // the file's own elements, written back as they came
    QList<TMatVar> inner_; // the numeric arrays inside structures and cells, named by their path
    QStringList notes_;
    int32_t errorCode_ = 0;
    qsizetype nonFinite_ = 0;
    QString errorMessage_;
};
