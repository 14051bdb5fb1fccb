// TTextFile: numeric tables in plain text files and the clipboard's text.
#pragma once

#include "files/DelimitedText.h"
#include "model/ost2_Types.h"

class TJobProgress;
class TMappedFile;

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// Which 8-bit characters separate values on a line.
class TSeparatorSet {
public:
    TSeparatorSet() = default;
    explicit TSeparatorSet(const QByteArray& characters);
    // Tab, space, ";", "|", the broken bar of cp1251 and the DOS box lines 179 and 186.
    static TSeparatorSet Default();

    bool Contains(uint8_t c) const { return table_[c]; }
    void Add(uint8_t c) { table_[c] = true; }
    void Remove(uint8_t c) { table_[c] = false; }
    QByteArray Characters() const;
    bool operator==(const TSeparatorSet&) const = default;

private:
    std::array<bool, 256> table_{};
};

// Splits one line of 8-bit text into numbers and appends them to values. "," counts as a decimal
// point unless it separates values. Returns true (the line is numeric) when every token is a number
// and there is at least one; a text line leaves values as they were.
bool ParseNumbers(const char* begin, const char* end, const TSeparatorSet& separators,
                  std::vector<Extended>& values);
bool ParseNumbers(const QString& line, const TSeparatorSet& separators, TDoubleArray& values);

// The source name that reads the clipboard's text instead of a file (compared case-insensitively),
// and the name messages give the clipboard.
QString ClipboardSource(); // "<Clipboard>"
bool IsClipboardSource(const QString& name);

class TTextFile {
public:
    using TProgressEvent = std::function<void(TTextFile* sender, int percent)>;

    bool LoadFromFile(const QString& name);
    // The clipboard reading applied to a given text (LoadFromFile(ClipboardSource()) passes the clipboard's).
    bool LoadFromClipboardText(const QString& text);
    // The file reading applied to bytes already in memory.
    bool LoadFromBytes(const QByteArray& bytes, const QString& name);

    int VariableCount() const { return static_cast<int>(variables_.size()); }
    // The matrix row by row (each row one numeric line of the file).
    bool GetVariable(int index, TDoubleArray2& out);
    // The same matrix column by column; columns of a table read from text are shared, not copied.
    bool GetColumns(int index, TDoubleArray2& out);
    bool GetHeaderLines(int index, TStrArray& out) const;
    void SetVariable(int index, const TDoubleArray2& matrix, bool transpose);
    bool SetFormat(int index, const QString& format, int width);
    bool SaveToFile(const QString& name, bool overwrite, bool backup);
    void Clear();

    const QString& FileName() const { return fileName_; }
    const QList<TStrArray>& HeaderLines() const { return headerLines_; }
    const QList<TStrArray>& ColumnFormats() const { return columnFormats_; }
    const QList<TIntArray>& ColumnWidths() const { return columnWidths_; }
    const QList<bool>& RowsAsLines() const { return rowsAsLines_; }
    void SetRowsAsLines(int index, bool value);
    // Per column of a variable read from delimited text: its name from the header row (empty when
    // there is none) and whether it holds dates and times. Empty lists for other variables.
    QStringList ColumnNames(int index) const;
    QList<bool> DateColumns(int index) const;

    // How files are split into fields: Whitespace keeps the plain-text rules; Auto takes the comma
    // for .csv, the tab for .tsv and otherwise what the first lines suggest.
    TFieldSeparator FieldSeparator = TFieldSeparator::Whitespace;
    // The reading the last load used, and whether the whitespace and a delimited reading of its
    // first lines were both consistent (the text then keeps the whitespace reading).
    TFieldSeparator UsedSeparator() const { return usedSeparator_; }
    bool SeparatorAmbiguous() const { return separatorAmbiguous_; }

    const TSeparatorSet& Separators() const { return separators_; }
    void SetSeparators(const TSeparatorSet& separators) { separators_ = separators; }
    char OutSeparator() const { return outSeparator_; }
    void SetOutSeparator(char separator) { outSeparator_ = separator; }

    int32_t ErrorCode() const { return errorCode_; }
    const QString& ErrorMessage() const { return errorMessage_; }

    TProgressEvent OnProgress;
    int32_t ProgressThreshold = 4096;
    // A reading on a worker thread: the bytes read are counted into it, and a cancel stops the
    // reading with nothing loaded and Cancelled() true.
    TJobProgress* Job = nullptr;
    bool Cancelled() const { return errorCode_ == kCancelledError; }
    // The columns (from 0) that tables read from files keep; empty keeps all. The values of the
    // others are checked but not stored, and those columns come out empty, except in a table with
    // no more rows than columns (its series may be its rows), which keeps them all.
    QList<int> KeptColumns;
    // Parsing threads for large files; 0 uses every core.
    int ThreadCount = 0;
    // Bytes parsed at a time, at most (at least 4096): a smaller source takes a sixteenth of its
    // size, so that its first and last blocks, which nothing overlaps, are short.
    qint64 BlockSize = qint64(16) << 20;

private:
    static constexpr int32_t kCancelledError = -1;
    class Builder;
    friend class Builder;

    bool CheckIndex(int index, TDoubleArray2& out);
    qsizetype RowCount(int index) const;
    qsizetype RowLength(int index, qsizetype row) const;
    Extended At(int index, qsizetype row, qsizetype column) const;
    bool ReadText(const char* data, qsizetype size, const TMappedFile* mapping);
    TFieldSeparator ChooseSeparator(const QString& name, const char* sample, qsizetype size);
    bool ReadDelimited(const char* data, qsizetype size);
    void AppendColumnsInfo(const QStringList& names = {}, const QList<bool>& dates = {});
    bool Finish(bool anyNumeric);
    bool Fail(int32_t code, const QString& message);
    bool StopWhenCancelled();
    bool StopWhenChanged();
    void SetError(int32_t code, const QString& message);
    void Progress(int percent);
    void ProgressThrough(int percent);

    QString fileName_;
    // Tables read from text are held column by column (byColumns_), matrices set by the caller row
    // by row, as given.
    QList<TDoubleArray2> variables_;
    QList<bool> byColumns_;
    QList<TStrArray> headerLines_;
    QList<TStrArray> columnFormats_;
    QList<TIntArray> columnWidths_;
    QList<bool> rowsAsLines_;
    QList<QStringList> columnNames_;
    QList<QList<bool>> dateColumns_;
    TFieldSeparator usedSeparator_ = TFieldSeparator::Whitespace;
    bool separatorAmbiguous_ = false;
    TSeparatorSet separators_ = TSeparatorSet::Default();
    char outSeparator_ = ' ';
    int32_t errorCode_ = 0;
    QString errorMessage_;
    int lastPercent_ = -1;
};
