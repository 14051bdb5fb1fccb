// Writing graph data into files: the export's blocks as text tables, MAT-files or workbooks (.xlsx,
// written directly), and one graph's data for the main window's "Сохранить график".
#pragma once

#include "files/SaveGraphsModel.h"

#include <QString>
#include <optional>

class TGraph;

namespace dataexport {

// What the newer workbooks hold at most on one sheet.
inline constexpr qsizetype kMaxSheetRows = 1048576, kMaxSheetColumns = 16384;

// The format a file name's extension stands for: txt, mat or xlsx (in any case).
std::optional<TExportFormat> FormatFor(const QString& fileName);

// The message for the first block that does not fit a sheet (its columns are checked first); empty
// when all fit.
QString SheetLimitMessage(const QList<TExportBlock>& blocks, bool vertical);

// One sheet per block, in order; vertical gives one column per block row. Values a double cannot
// hold as a finite number are written as text (INF, -INF, NAN). The file is replaced only when the
// workbook is complete.
bool WriteWorkbook(const QString& fileName, const QList<TExportBlock>& blocks, const QStringList& sheetNames,
                   bool vertical, QString& message);

// Writes the blocks in the given format with the model's options and names.
bool WriteBlocks(const TSaveGraphsModel& model, TExportFormat format, const QString& fileName,
                 const QList<TExportBlock>& blocks, QString& message);

// One graph's (X, Y), vertical, in the format of the file's extension (a MAT-file for any other):
// text with full precision, a MAT variable and a sheet named after the graph.
bool SaveGraphData(const TGraph& graph, const QString& fileName, QString& message);

} // namespace dataexport
