#include "gui/print/PrintDialog.h"
#include "gui/print/PrintMarginsDialog.h"
#include "tests/common/TestData.h"
#include "tests/common/TestFiles.h"

#include "window/FigurePaint.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
using testutil::Ramp;

// What a one-page PDF shows: its media box, the bounding box of the points of its paths (in PDF
// points, through the page's first transformation) and how many straight path segments it has.
struct PdfPage {
    QRectF MediaBox;
    QRectF PathBounds;
    int Segments = 0;
    bool HasImages = false;
};

PdfPage ReadPdfPage(const QByteArray& pdf) {
    PdfPage page;
    static const QRegularExpression media(u"/MediaBox \\[([\\d.]+) ([\\d.]+) ([\\d.]+) ([\\d.]+)\\]"_s);
    const QRegularExpressionMatch box = media.match(QString::fromLatin1(pdf));
    if (box.hasMatch())
        page.MediaBox = QRectF(QPointF(box.captured(1).toDouble(), box.captured(2).toDouble()),
                               QPointF(box.captured(3).toDouble(), box.captured(4).toDouble()));
    page.HasImages = pdf.contains("/Subtype /Image");
    // The page's content is the first stream.
    const qsizetype start = pdf.indexOf("stream\n") + 7;
    const QByteArray packed = pdf.mid(start, pdf.indexOf("endstream", start) - start);
    QByteArray content(1 << 22, '\0');
    uLongf size = content.size();
    if (uncompress(reinterpret_cast<Bytef*>(content.data()), &size,
                   reinterpret_cast<const Bytef*>(packed.constData()), packed.size()) != Z_OK)
        return page;
    content.truncate(qsizetype(size));
    QTransform toPage;
    bool transformed = false;
    QList<double> operands;
    QPolygonF points;
    for (const QByteArray& token : content.simplified().split(' ')) {
        bool number = false;
        const double value = token.toDouble(&number);
        if (number) {
            operands.append(value);
            continue;
        }
        const QList<double>& o = operands;
        if (token == "cm" && !transformed && o.size() == 6) {
            toPage = QTransform(o[0], o[1], o[2], o[3], o[4], o[5]);
            transformed = true;
        } else if ((token == "m" || token == "l") && o.size() == 2) {
            points.append(QPointF(o[0], o[1]));
            page.Segments += token == "l";
        } else if (token == "re" && o.size() == 4) {
            points.append(QPointF(o[0], o[1]));
            points.append(QPointF(o[0] + o[2], o[1] + o[3]));
        }
        operands.clear();
    }
    page.PathBounds = toPage.map(points).boundingRect();
    return page;
}

struct Printing : ::testing::Test {
    TSuperGrWindow figure;
    QTemporaryDir dir;
    TPrintLayout layout;
    TColorStruct scheme{nullptr};
    QPrinter printer{QPrinter::HighResolution};
    Printing() {
        figure.SetClientSize(400, 200);
        figure.AddGraph(u"ramp"_s, false, {}, Ramp(200, 0, 0.05), Ramp(200, 0, 0.1));
        MakeExportScheme(figure, 0, scheme);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    bool Print(const QString& fileName, QString* error) {
        return PrintFigureToPdf(
            printer, fileName, figure, layout, scheme, [](const QString&) { return true; }, error);
    }
};

struct PageCase {
    bool Landscape;
    int Preset;
};

TEST_F(Printing, PdfHasThePaperAndTheFigureInItsArea) {
    for (const PageCase& c : {PageCase{false, 0}, PageCase{true, 1}}) {
        SCOPED_TRACE(c.Preset);
        printer.setPageOrientation(c.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
        layout.SetPaper(2100, 2970, c.Landscape);
        layout.ChoosePreset(c.Preset);
        QString error;
        ASSERT_TRUE(Print(Path("a.pdf"), &error)) << error.toStdString();
        const PdfPage page = ReadPdfPage(testutil::ReadAll(Path("a.pdf")));

        const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Point);
        EXPECT_NEAR(page.MediaBox.width(), c.Landscape ? a4.height() : a4.width(), 1);
        EXPECT_NEAR(page.MediaBox.height(), c.Landscape ? a4.width() : a4.height(), 1);
        // The target in points, measured from the bottom as PDF does.
        const double pointsPerTenth = 72 / 254.0;
        const double k = printer.paperRect(QPrinter::DevicePixel).width() / layout.PaperWidth();
        const TRect t = layout.PrintTarget(k, k, 2.0);
        const double toPoints = pointsPerTenth / k, height = page.MediaBox.height();
        EXPECT_NEAR(page.PathBounds.left(), t.Left * toPoints, 1);
        EXPECT_NEAR(page.PathBounds.right(), t.Right * toPoints, 1);
        EXPECT_NEAR(page.PathBounds.top(), height - t.Bottom * toPoints, 1);
        EXPECT_NEAR(page.PathBounds.bottom(), height - t.Top * toPoints, 1);
        EXPECT_NEAR(double(t.Width()) / t.Height(), c.Preset == 0 ? 2.0 : 2720.0 / 2000, 0.01);
        EXPECT_GE(page.Segments, 199); // the curve is a path through its nodes
        EXPECT_FALSE(page.HasImages);
    }
}

TEST_F(Printing, FailedJobLeavesTheFileAsItWas) {
    layout.SetPaper(2100, 2970, false);
    testutil::WriteAll(Path("old.pdf"), "old");
    layout.SetAreaText(TAreaField::Width, u"0"_s);
    QString error;
    EXPECT_FALSE(Print(Path("old.pdf"), &error));
    EXPECT_EQ(error, printmsg::AreaEmpty());
    EXPECT_FALSE(Print(Path("missing/a.pdf"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"old.pdf"_s});
    EXPECT_EQ(testutil::ReadAll(Path("old.pdf")), "old");

    layout.SetPaper(0, 0, false);
    EXPECT_FALSE(Print(Path("old.pdf"), &error));
    EXPECT_EQ(error, printmsg::PaperSizeZero());
}

struct PrintDialog : ::testing::Test {
    TSuperGrWindow figure;
    TPrintPreviewForm form;
    QTemporaryDir dir;
    QStringList questions, messages;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    QString pdfName;
    PrintDialog() {
        figure.SetClientSize(400, 200);
        figure.AddGraph(u"ramp"_s, false, {}, Ramp(50, 0, 1), Ramp(50, 0, 2));
        form.Ask = [this](const QString& caption, const QString& text, QMessageBox::StandardButtons) {
            questions << caption + u": "_s + text;
            return answer;
        };
        form.ShowMessage = [this](const QString& text) { messages << text; };
        pdfName = dir.filePath(u"page.pdf"_s);
        form.ChoosePdfFile = [this] { return pdfName; };
        form.OpenFor(figure);
    }
    QString Box(TAreaField field) const { return form.AreaBox(field)->text(); }
    void Type(TAreaField field, const QString& text) {
        form.AreaBox(field)->selectAll();
        QTest::keyClicks(form.AreaBox(field), text);
    }
};

TEST_F(PrintDialog, OpensOnTheDefaultPrinterOrThePdfOutput) {
    const std::vector<TPrinterInfo>& printers = form.Printers();
    ASSERT_TRUE(printers.back().IsPdf);
    EXPECT_EQ(printers.back().Name, PdfPrinterName());
    if (std::none_of(printers.begin(), printers.end(), [](const TPrinterInfo& p) { return p.IsDefault; })) {
        EXPECT_EQ(form.PrinterList()->currentText(), PdfPrinterName());
        EXPECT_EQ(form.PaperList()->currentText(), QPageSize(QPageSize::A4).name());
        EXPECT_EQ(Box(TAreaField::Left), u"20"_s);
        EXPECT_EQ(Box(TAreaField::Height), u"287"_s);
    }
    EXPECT_TRUE(form.PrintButton()->isEnabled());
    EXPECT_TRUE(form.Layout().PaperUsable());
}

TEST_F(PrintDialog, BoxesPresetsUnitsAndOrientation) {
    form.PrinterList()->setCurrentIndex(form.PrinterList()->count() - 1);
    Type(TAreaField::Width, u"100"_s);
    EXPECT_EQ(form.Layout().Area().Width, 1000);
    EXPECT_EQ(form.PresetList()->currentRow(), -1);
    EXPECT_TRUE(form.SavePresetButton()->isEnabled());

    form.PresetList()->setCurrentRow(3);
    EXPECT_EQ(Box(TAreaField::Height), u"143.5"_s);
    EXPECT_FALSE(form.KeepProportionsBox()->isChecked());
    form.UnitList()->setCurrentIndex(int(TPrintUnit::Inches));
    EXPECT_EQ(Box(TAreaField::Left), u"0.7874"_s);
    form.LandscapeButton()->click();
    EXPECT_EQ(Box(TAreaField::Width), FormatLength(2970 - 250, TPrintUnit::Inches));
    EXPECT_EQ(form.PresetList()->currentRow(), 3);
}

TEST_F(PrintDialog, SavedPresetIsReplacedAfterTheQuestionAndDeleted) {
    form.AskName = [](const QString&) { return std::optional<QString>(u"Моё"_s); };
    Type(TAreaField::Top, u"10"_s);
    form.SavePresetButton()->click();
    ASSERT_EQ(form.PresetList()->count(), TPrintLayout::kBuiltInPresets + 1);
    EXPECT_EQ(form.PresetList()->currentRow(), TPrintLayout::kBuiltInPresets);
    EXPECT_TRUE(form.DeletePresetButton()->isEnabled());

    Type(TAreaField::Top, u"20"_s);
    form.SavePresetButton()->click();
    EXPECT_EQ(questions, QStringList{u"Внимание: "_s + printmsg::ReplaceEntry(u"Моё"_s)});
    EXPECT_EQ(form.PresetList()->count(), TPrintLayout::kBuiltInPresets + 1);
    EXPECT_EQ(form.Layout().Presets().back().Y0 * (2970 - 100) + 50, 200);

    form.DeletePresetButton()->click();
    EXPECT_EQ(questions.last(), u"Предупреждение: "_s + printmsg::DeletePreset(u"Моё"_s));
    EXPECT_EQ(form.PresetList()->count(), TPrintLayout::kBuiltInPresets);
}

TEST_F(PrintDialog, DraggingOnThePreviewMovesTheArea) {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    TPrintPreview* preview = form.Preview();
    const TRect area = preview->Geometry().DragRect;
    const QPoint inside((area.Left + area.Right) / 2, (area.Top + area.Bottom) / 2);
    const QString left = Box(TAreaField::Left), width = Box(TAreaField::Width);
    QTest::mousePress(preview, Qt::LeftButton, {}, inside);
    QTest::mouseMove(preview, inside + QPoint(15, 0));
    QTest::mouseRelease(preview, Qt::LeftButton, {}, inside + QPoint(15, 0));
    EXPECT_NE(Box(TAreaField::Left), left);
    EXPECT_EQ(Box(TAreaField::Width), width);
    EXPECT_EQ(preview->Geometry().DragRect.Left, area.Left + 15);
    EXPECT_EQ(form.PresetList()->currentRow(), -1);
}

TEST_F(PrintDialog, PrintsIntoTheChosenPdfOrTellsWhyNot) {
    form.PrinterList()->setCurrentIndex(form.PrinterList()->count() - 1);
    EXPECT_TRUE(form.Print());
    EXPECT_TRUE(testutil::ReadAll(pdfName).startsWith("%PDF-"));

    Type(TAreaField::Height, u"0"_s);
    EXPECT_FALSE(form.Print());
    EXPECT_EQ(messages, QStringList{printmsg::AreaEmpty()});
}

TEST(PrintMargins, UnreadableBoxDisablesOkAndMarginOutsideThePrintableAreaAsks) {
    TPrintLayout layout;
    layout.Unit = TPrintUnit::Centimetres;
    TNameRequestForm names;
    TPrintMarginsForm form(layout, names);
    QStringList questions;
    QMessageBox::StandardButton answer = QMessageBox::No;
    form.Ask = [&](const QString&, const QString& text, QMessageBox::StandardButtons) {
        questions << text;
        return answer;
    };
    QTimer::singleShot(0, &form, [&] {
        EXPECT_EQ(form.Box(0)->text(), u"2"_s);
        form.Box(0)->setText(u"x"_s);
        EXPECT_FALSE(form.OkButton()->isEnabled());
        EXPECT_FALSE(form.SaveButton()->isEnabled());
        form.Box(0)->setText(u"0.3"_s);
        form.OkButton()->click(); // 3 mm where the printer cannot print the first 5
        EXPECT_TRUE(form.isVisible());
        answer = QMessageBox::Yes;
        form.OkButton()->click();
    });
    const std::optional<TPaperMargins> margins = form.Execute(QMarginsF(50, 50, 50, 50));
    ASSERT_TRUE(margins);
    EXPECT_NEAR(margins->Left, 30, 1e-9);
    EXPECT_EQ(margins->Top, 50);
    EXPECT_EQ(questions, QStringList(2, printmsg::MarginsOutsidePrintable()));
}

TEST(NameRequest, OkOnlyWithAName) {
    TNameRequestForm form;
    QTimer::singleShot(0, &form, [&] {
        EXPECT_FALSE(form.OkButton()->isEnabled());
        form.NameBox()->setText(u"Поля А4"_s);
        form.OkButton()->click();
    });
    EXPECT_EQ(form.Ask(u"Введите имя для данной комбинации полей:"_s), u"Поля А4"_s);
}

TEST(Printers, DefaultIsTheLastDefaultPrinterElseThePdfOutput) {
    std::vector<TPrinterInfo> printers(3);
    printers.back().IsPdf = true;
    EXPECT_EQ(DefaultPrinterIndex(printers), 2);
    printers[0].IsDefault = printers[1].IsDefault = true;
    EXPECT_EQ(DefaultPrinterIndex(printers), 1);
}

TEST(SuperPrintDialog, RefusesAMissingWindowOrAnEmptyClientArea) {
    TSuperPrintDialog dialog(nullptr);
    EXPECT_FALSE(dialog.Execute(nullptr));
    TSuperGrWindow figure;
    figure.SetClientSize(300, 0);
    EXPECT_FALSE(dialog.Execute(&figure));
}

} // namespace
