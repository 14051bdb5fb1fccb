#include "gui/print/Printers.h"

#include "export/PictureExport.h"
#include "files/SafeSave.h"

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPrinterInfo>
#include <QTemporaryFile>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Qt offers the paper sources of a printer on Windows only; elsewhere the printer's own choice.
QList<TPrintBin> BinsOf(const QPrinter& printer) {
    QList<TPrintBin> bins;
#if defined(Q_OS_WIN)
    for (QPrinter::PaperSource source : printer.supportedPaperSources())
        bins.append({source, u"Лоток "_s + QString::number(int(source))});
#else
    Q_UNUSED(printer);
#endif
    if (bins.isEmpty()) bins.append({QPrinter::Auto, u"Автоматически"_s});
    return bins;
}

TPrinterInfo PdfPrinter() {
    TPrinterInfo pdf;
    pdf.Name = PdfPrinterName();
    pdf.Type = u"PDF"_s;
    pdf.Port = u"Файл"_s;
    pdf.Description = u"Печать в файл PDF"_s;
    pdf.IsPdf = true;
    for (QPageSize::PageSizeId id : {QPageSize::A4, QPageSize::A3, QPageSize::A5, QPageSize::B5,
                                     QPageSize::Letter, QPageSize::Legal, QPageSize::Executive})
        pdf.Forms.append(PrintFormFor(QPageSize(id)));
    pdf.Settings = std::make_unique<QPrinter>(QPrinter::HighResolution);
    pdf.Settings->setOutputFormat(QPrinter::PdfFormat);
    pdf.Settings->setPageSize(QPageSize(QPageSize::A4));
    pdf.Bins = BinsOf(*pdf.Settings);
    return pdf;
}

// A PDF file that the writer finished: its header and its end-of-file mark.
bool CompletePdf(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 16) return false;
    const QByteArray head = file.read(5);
    file.seek(std::max<qint64>(0, file.size() - 64));
    return head == "%PDF-" && file.readAll().contains("%%EOF");
}

QString NotWritten(const QString& fileName, const QString& reason) {
    return filesave::WithReason(u"Не удалось записать файл "_s + filesave::Quoted(fileName) + u"."_s, reason);
}

} // namespace

QString PdfPrinterName() {
    return u"Печать в PDF"_s;
}

std::vector<TPrinterInfo> ListPrinters() {
    std::vector<TPrinterInfo> printers;
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
        TPrinterInfo printer;
        printer.Name = info.printerName();
        printer.Type = info.makeAndModel();
        printer.Port = info.location();
        printer.Description = info.description();
        printer.IsDefault = info.isDefault();
        for (const QPageSize& size : info.supportedPageSizes())
            printer.Forms.append(PrintFormFor(size));
        printer.Settings = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        printer.Bins = BinsOf(*printer.Settings);
        printers.push_back(std::move(printer));
    }
    printers.push_back(PdfPrinter());
    return printers;
}

int DefaultPrinterIndex(const std::vector<TPrinterInfo>& printers) {
    int chosen = int(printers.size()) - 1;
    for (int i = 0; i < int(printers.size()); ++i)
        if (printers[i].IsDefault) chosen = i;
    return chosen;
}

int CurrentFormIndex(const TPrinterInfo& printer) {
    const QPageSize current = printer.Settings->pageLayout().pageSize();
    for (int i = 0; i < printer.Forms.size(); ++i)
        if (printer.Forms[i].Size.isEquivalentTo(current)) return i;
    for (int i = 0; i < printer.Forms.size(); ++i)
        if (printer.Forms[i].Name == current.name()) return i;
    return -1;
}

QMarginsF UnprintableMargins(const QPrinter& printer) {
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    return layout.minimumMargins() * 10;
}

bool PrintFigure(QPrinter& printer, TSuperGrWindow& window, const TPrintLayout& layout,
                 const TColorStruct& scheme, const TPrintQuestion& ask, QString* error) {
    error->clear();
    const TRect client = window.ClientRect();
    if (QString problem = layout.PrintProblem(); !problem.isEmpty()) {
        *error = problem;
        return false;
    }
    printer.setFullPage(true);
    printer.setDocName(u"Tarvelo page"_s);
    printer.setCreator(u"Tarvelo"_s);
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const double kx = paper.width() / layout.PaperWidth(), ky = paper.height() / layout.PaperHeight();
    const double aspect = client.Height() > 0 ? double(client.Width()) / client.Height() : 0;
    const TRect target = layout.PrintTarget(kx, ky, aspect);

    QPageLayout printable = printer.pageLayout();
    printable.setMode(QPageLayout::StandardMode);
    printable.setMargins(printable.minimumMargins());
    const QRect paint = printable.paintRectPixels(printer.resolution());
    if (TPrintLayout::OutsidePrintable(target,
                                       {paint.left(), paint.top(), paint.right() + 1, paint.bottom() + 1}) &&
        !ask(printmsg::OutsidePrintable()))
        return false;

    const QString name =
        printer.outputFormat() == QPrinter::PdfFormat ? PdfPrinterName() : printer.printerName();
    QPainter painter;
    if (!painter.begin(&printer)) {
        *error = u"Не удалось начать печать на принтере "_s + filesave::Quoted(name) + u"."_s;
        return false;
    }
    PaintFigureOutput(window, painter, target, scheme);
    if (!painter.end() || printer.printerState() == QPrinter::Error ||
        printer.printerState() == QPrinter::Aborted) {
        *error = u"Печать на принтере "_s + filesave::Quoted(name) + u" не удалась."_s;
        return false;
    }
    return true;
}

bool PrintFigureToPdf(QPrinter& printer, const QString& fileName, TSuperGrWindow& window,
                      const TPrintLayout& layout, const TColorStruct& scheme, const TPrintQuestion& ask,
                      QString* error) {
    const QFileInfo info(fileName);
    QTemporaryFile temp(info.absolutePath() + u"/."_s + info.fileName() + u".XXXXXX"_s);
    if (!temp.open()) {
        *error = NotWritten(fileName, filesave::FailureReason(temp));
        return false;
    }
    temp.close();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(temp.fileName());
    if (!PrintFigure(printer, window, layout, scheme, ask, error)) return false;
    if (!CompletePdf(temp.fileName())) {
        *error = NotWritten(fileName, {});
        return false;
    }
    const QFileDevice::Permissions permissions = info.exists()
                                                     ? QFile::permissions(fileName)
                                                     : QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                           QFileDevice::ReadGroup | QFileDevice::ReadOther;
    QFile::setPermissions(temp.fileName(), permissions);
    if (std::rename(QFile::encodeName(temp.fileName()).constData(),
                    QFile::encodeName(fileName).constData()) != 0) {
        *error = NotWritten(fileName, filesave::FailureReason(errno));
        return false;
    }
    temp.setAutoRemove(false);
    return true;
}
