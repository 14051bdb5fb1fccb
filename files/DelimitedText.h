// Delimited text (CSV, TSV and their semicolon cousins): one table per source, a field separator,
// quoted fields, a header row of column names, missing values, text columns and dates.
#pragma once

#include "model/ost2_Types.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// How the values of a line are separated. Whitespace is the reading of plain text tables: runs of
// blanks, tabs, ";" and "|" with a decimal comma allowed.
enum class TFieldSeparator : uint8_t { Auto, Whitespace, Comma, Semicolon, Tab };

namespace delimited {

enum class TFieldKind : uint8_t { Missing, Number, Date, Text };

// A field's content without its quotes: a number (with a decimal comma too unless the comma
// separates fields), a missing value (empty, NA, NaN, -, null, N/A, #N/A) or a date and time
// (2000-01-03, 2000-01-03 14:05:00, 2000-01-03T14:05:00Z, 03.01.2000 14:05) in days since
// 30 December 1899; anything else is text.
TFieldKind ParseField(const char* begin, const char* end, bool commaIsPoint, Extended& value);
bool ParseDateTime(const char* begin, const char* end, Extended& days);

// The separator the text's first lines suggest. A text that the plain-text rules read as one
// consistent numeric table keeps the whitespace reading; otherwise, among the delimiters whose data
// lines agree on two or more fields, the one that finds the most numbers and dates per line wins
// (then the most fields, then tab, semicolon, comma); none gives whitespace.
// bothConsistent: the whitespace reading and a delimited one would both be consistent.
TFieldSeparator Sniff(const char* data, qsizetype size, bool* bothConsistent = nullptr);
// .csv: comma, .tsv: tab, otherwise Auto. The named separator gives way to a delimiter that finds
// more numbers and dates in the first lines (the semicolon tables with decimal commas that
// spreadsheets write as .csv).
TFieldSeparator SeparatorForName(const QString& fileName, const char* data, qsizetype size);
char SeparatorChar(TFieldSeparator separator);

// The table read from delimited text: numeric and date columns only, missing values as NaN.
struct TTable {
    TDoubleArray2 Columns;
    QStringList Names;       // one per column; empty entries where the header names none
    QList<bool> DateColumns; // per column: the values are dates and times
    TStrArray HeaderLines;   // the lines before the first data row
};

// Reads the whole text with the given field separator (not Whitespace or Auto). A data row is a
// record with at least one number or date; records before the first one are header lines, the last
// of them with as many fields as the table names the columns. Returns false when no column holds
// numbers or dates. threads: parsing threads; progress: 0..100 from the first thread's part.
bool ReadTable(const char* data, qsizetype size, TFieldSeparator separator, int threads,
               const std::function<void(int)>& progress, TTable& table);

} // namespace delimited
