// The printers the print dialog offers (the system's and the PDF output, always there) and printing
// the figure onto one of them as the page layout places it.
#pragma once

#include "tools/PrintLayout.h"
#include "window/SuperGrWindow.h"

#include <QPrinter>
#include <functional>
#include <memory>
#include <vector>

struct TPrintBin {
    QPrinter::PaperSource Number = QPrinter::Auto;
    QString Name;
};

struct TPrinterInfo {
    QString Name, Type, Port, Description;
    bool IsDefault = false;
    bool IsPdf = false;
    QList<TPrintForm> Forms;
    QList<TPrintBin> Bins;
    // The printer's settings (orientation, paper, source), kept while the program runs.
    std::unique_ptr<QPrinter> Settings;
};

QString PdfPrinterName();

// The system's printers, then the PDF output.
std::vector<TPrinterInfo> ListPrinters();
// The last default printer; the PDF output when there is none.
int DefaultPrinterIndex(const std::vector<TPrinterInfo>& printers);

// The form of the printer's current paper in its list; -1 when it has none of that size.
int CurrentFormIndex(const TPrinterInfo& printer);

// A question with Yes and No; true for Yes.
using TPrintQuestion = std::function<bool(const QString& text)>;

// Prints the figure onto the printer as the layout places it, in the scheme, as one page of the
// document "Tarvelo page". The printer's settings give paper and orientation; PDF output goes to the
// printer's output file. A target outside the printable area asks `ask` first. False with the reason in
// error when the figure was not printed (error stays empty when the user declined).
bool PrintFigure(QPrinter& printer, TSuperGrWindow& window, const TPrintLayout& layout,
                 const TColorStruct& scheme, const TPrintQuestion& ask, QString* error);

// Prints through the PDF output into a temporary file beside fileName and renames it into place only
// when the whole document was written, so a failed job leaves any existing file as it was.
bool PrintFigureToPdf(QPrinter& printer, const QString& fileName, TSuperGrWindow& window,
                      const TPrintLayout& layout, const TColorStruct& scheme, const TPrintQuestion& ask,
                      QString* error);

// The printer's unprintable margins in tenths of a millimetre, for its current paper and orientation.
QMarginsF UnprintableMargins(const QPrinter& printer);
