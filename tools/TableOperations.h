// The table's commands on the selected rows as a whole: moving, sorting, interpolating, deleting
// repeats, thinning, the clipboard exchange as tab-separated text and the search for rows by a
// condition. A run is a maximal sequence of consecutive selected rows. Every change goes through
// the table's primitives, and each command undoes as one step.
#pragma once

#include "model/BackgroundJob.h"
#include "model/ost2_Types.h"

#include <QString>

class TTableData;

namespace tableops {

// Each run that has an unselected row above it moves up by one; that row goes below the run and
// the selection follows. The current row moves along.
void MoveUp(TTableData& data);
void MoveDown(TTableData& data);
// Each run sorted by X ascending, every row keeping its Y and Z. A table of SortJobRows rows or more
// is sorted as a job through run, with its progress and cancel; false, and nothing changed, when
// the job was cancelled or failed.
inline constexpr int SortJobRows = 1 << 20;
bool SortByArgument(TTableData& data, const TJobRun& run = RunJobInline);
// Each run bounded by unselected rows on both sides gets X evenly spaced between its neighbours'.
void InterpolateArgument(TTableData& data);
// Each bounded run gets Y (and Z) on the straight line through its neighbours, at its own X.
void InterpolateValues(TTableData& data);
// Deletes each selected row equal to the selected row directly above it; the kept rows become
// the selection.
void DeleteRepeated(TTableData& data);
// Of the selected rows keeps the 1st, (N+1)-th, (2N+1)-th, ... and deletes the others; the kept
// rows become the selection. N from 1 to MaxThinning.
inline constexpr int MaxThinning = 32767;
void Thin(TTableData& data, int keepEvery);

// The selected rows, one line each, the values in the 15-digit form separated by TAB, CR LF after
// every line.
QString CopyText(const TTableData& data);
// The numbers of a pasted text, one array per line, all of one length; empty when the lines'
// counts differ or no line holds numbers only.
QList<TDoubleArray> ParsePasteText(const QString& text);
// The lines fill a new graph of two columns: two lines, or two numbers a line.
bool FitsNewGraph(const QList<TDoubleArray>& lines);
// Inserts the parsed lines before the current row (at the end on the empty last row) as rows
// (when a line holds one value per column) or column-wise (when there is one line per column);
// they become the selection. False, and nothing changed, otherwise.
bool Paste(TTableData& data, const QList<TDoubleArray>& lines);

// The outcome of a search; a found row becomes the current and only selected row.
enum class TFindOutcome { Found, NotFound, BadCondition };
// "Перейти к точке": the column (0 row number, 1 X, 2 Y), the operator ("=", ">", "<", ">=",
// "<=", "~=") and the value text; searches the rows after the current one, then from the top.
TFindOutcome GoToPoint(TTableData& data, int column, const QString& op, const QString& value);
// The extended search: a free condition over N (or №), X and Y, forward or backward, optionally
// wrapping around.
TFindOutcome FindPoint(TTableData& data, const QString& condition, bool forward, bool wrap);
// The message of an outcome (empty for Found).
QString FindMessage(TFindOutcome outcome);

} // namespace tableops
