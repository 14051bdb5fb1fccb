// Workbooks in the Office Open XML format (.xlsx): one sheet per block, numbers in their shortest
// form that reads back as the same double, the sheets deflated on every core into a ZIP archive.
#pragma once

#include "files/SaveGraphsModel.h"

#include <QIODevice>
#include <QList>
#include <QString>

class TJobProgress;

namespace workbook {

struct TSheet {
    QString Name;
    const TExportBlock* Block = nullptr; // with at least one value in row 0
};

// Writes the whole workbook into the device, which must allow seeking back. Vertical gives one
// column per block row; every block row is read up to the length of row 0. Values a double cannot
// hold as a finite number are written as text (INF, -INF, NAN). Without sheets the workbook gets
// one empty sheet, as a workbook needs one. The job advances by the cells made and the bytes
// written and is looked at every few thousand cells. False when writing fails or the job is
// cancelled.
bool Write(QIODevice& device, const QList<TSheet>& sheets, bool vertical, TJobProgress* job);

} // namespace workbook
