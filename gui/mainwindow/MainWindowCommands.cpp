#include "gui/mainwindow/MainWindowCommands.h"

#include "export/CommandLine.h"
#include "export/DataExport.h"
#include "export/PictureExport.h"
#include "files/TextFile.h"
#include "gui/addgraphs/AddGraphsDialog.h"
#include "gui/automarkers/AutoMarkersDialog.h"
#include "gui/bindingwizard/BindingWizardDialog.h"
#include "gui/calculator/CalculatorWindow.h"
#include "gui/captions/CaptionEditor.h"
#include "gui/filtration/FiltrationDialog.h"
#include "gui/graphlist/GraphListWindow.h"
#include "gui/graphproperties/GraphPropertiesDialog.h"
#include "gui/graphwindow/GraphWindowWidget.h"
#include "gui/help/HelpWindow.h"
#include "gui/jobs/JobRunner.h"
#include "gui/legend/LegendDialog.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/print/PrintDialog.h"
#include "gui/savegraphs/SaveGraphsDialog.h"
#include "gui/scalespanel/ScalesPanel.h"
#include "gui/settings/SettingsDialog.h"
#include "gui/shiftcurve/ShiftCurveDialog.h"
#include "gui/statistics/StatisticsDialog.h"
#include "gui/tableview/TableViewWindow.h"
#include "tools/LegendModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <cerrno>

using namespace mainstate;

TMainCommands::TMainCommands(TMainWindow& window) : W(window) {}

// ---------------------------------------------------------------------------------------------
// The figure and its graphs.

void TMainCommands::NewFigure() {
    FinishCaptionEditing();
    if (W.AskUser(NewFigureQuestion(), false) != TAnswer::Yes) return;
    W.ForgetFile(DefaultFileName());
    W.SetTitle(figurefile::TitleFor(W.FPresetFileName));
    W.Figure().ResetFigure();
    W.FCurrentGraph = -1;
    W.ReadFileSettings();
    W.UpdateCommandStates();
}

void TMainCommands::OpenFigure() {
    FinishCaptionEditing();
    W.Document().OpenFigure();
}

void TMainCommands::SaveFigure() {
    W.Document().SaveFigure();
}

void TMainCommands::SaveAs() {
    W.Document().SaveAs();
}

void TMainCommands::AddGraphFromFiles() {
    OpenDataFiles(W.ChooseDataFiles ? W.ChooseDataFiles() : TAddGraphsDialog::AskDataFiles(&W));
}

void TMainCommands::OpenDataFiles(const QStringList& files) {
    if (files.isEmpty()) return;
    W.GraphWidget()->setFocus();
    W.AddGraphsDialog().ExecFor(files);
    W.Figure().RefreshAll();
}

void TMainCommands::EmptyGraph() {
    W.Figure().AddGraph(QStringLiteral("Noname"), false, {}, {}, {});
    W.Figure().Repaint();
}

void TMainCommands::DeleteAllGraphs() {
    W.Figure().DeleteAllGraphs();
    W.ShowStatusText(0, QString());
    // The figure keeps its name but the next save asks for a file again.
    W.ForgetFile(W.FileName());
}

namespace {
// A picture written by the export into a temporary folder, read back; empty when it cannot be made.
QByteArray ExportedPicture(TSuperGrWindow& figure, const QTemporaryDir& dir, const QString& name,
                           TPictureFormat format, const TPictureOptions& options) {
    const QString path = dir.filePath(name);
    QString error;
    if (!ExportPicture(figure, path, format, options, &error)) return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

std::unique_ptr<QMimeData> TMainWindow::FigurePictures(TSuperGrWindow& figure, int scheme, int* errorCode) {
    errno = 0;
    auto fail = [errorCode]() -> std::unique_ptr<QMimeData> {
        if (errorCode) *errorCode = errno; // the failed file operation's reason
        return nullptr;
    };
    // Every program takes the bitmap; it has the bitmap export's scale. The vector pictures have the
    // metafile export's scale.
    TPictureOptions bitmap;
    bitmap.Scale = figure.BmpExportScale;
    bitmap.Scheme = scheme;
    const QImage image = RenderBitmap(figure, bitmap);
    if (image.isNull()) return fail();
    auto data = std::make_unique<QMimeData>();
    data->setImageData(image);

    TPictureOptions vector = bitmap;
    vector.Scale = figure.EmfExportScale;
    QTemporaryDir dir;
    // With bitmap export off the copy is the enhanced metafile, under the names the programs of
    // this platform look for.
    if (!figure.BitmapExport) {
        const QByteArray emf = dir.isValid() ? ExportedPicture(figure, dir, QStringLiteral("figure.emf"),
                                                               TPictureFormat::Emf, vector)
                                             : QByteArray();
        if (emf.isEmpty()) return fail();
        data->setData(QStringLiteral("image/emf"), emf);
        data->setData(QStringLiteral("image/x-emf"), emf);
    }
    // SVG beside them for the programs that take it; the copy does not depend on it.
    if (dir.isValid()) {
        const QByteArray svg =
            ExportedPicture(figure, dir, QStringLiteral("figure.svg"), TPictureFormat::Svg, vector);
        if (!svg.isEmpty()) data->setData(QStringLiteral("image/svg+xml"), svg);
    }
    return data;
}

void TMainCommands::CopyToClipboard() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    int code = 0;
    std::unique_ptr<QMimeData> pictures =
        clipboard ? TMainWindow::FigurePictures(W.Figure(), W.ExportColorScheme, &code) : nullptr;
    if (!pictures) {
        W.TellUser(QStringLiteral("Системная ошибка №") + QString::number(code) + QStringLiteral("."));
        return;
    }
    clipboard->setMimeData(pictures.release());
}

namespace {
QString AskPictureFile(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters({QStringLiteral("All (*.png *.jpg *.bmp *.svg *.pdf *.emf)"),
                           QStringLiteral("PNG Image File (*.png)"),
                           QStringLiteral("JPEG Image File (*.jpg)"), QStringLiteral("Bitmaps (*.bmp)"),
                           QStringLiteral("SVG Drawing (*.svg)"), QStringLiteral("PDF Document (*.pdf)"),
                           QStringLiteral("Enhanced Metafiles (*.emf)")});
    dialog.setDefaultSuffix(QStringLiteral("jpg"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}
} // namespace

void TMainCommands::SavePicture() {
    const QString fileName = W.ChoosePictureFile ? W.ChoosePictureFile() : AskPictureFile(&W);
    if (fileName.isEmpty()) return;
    const std::optional<TPictureFormat> format = PictureFormatFor(fileName);
    if (!format) {
        W.TellUser(QStringLiteral("Неизвестный формат изображения: ") + QFileInfo(fileName).suffix());
        return;
    }
    // The export scale follows the kind of picture; the user's bitmap-export setting stays as it is.
    const bool bitmap =
        *format == TPictureFormat::Png || *format == TPictureFormat::Jpg || *format == TPictureFormat::Bmp;
    TSuperGrWindow& figure = W.Figure();
    TPictureOptions options;
    options.Scale = bitmap ? figure.BmpExportScale : figure.EmfExportScale;
    options.Scheme = W.ExportColorScheme;
    const QString title = W.HasFileName() ? QFileInfo(W.FileName()).fileName() : QString();
    // The painting needs the figure and stays here; the encoding and writing go off the GUI thread.
    const TRenderedPicture picture = RenderPicture(figure, fileName, *format, options, title);
    bool written = false;
    QString error;
    if (!TJobRunner::Instance().Run(
            &W, QStringLiteral("Сохранение изображения…"),
            [&](TJobProgress& progress) { written = WritePicture(picture, fileName, &error, &progress); }))
        return;
    if (!written && !error.isEmpty()) W.TellUser(error); // a cancel keeps the old file and says nothing
}

void TMainCommands::Print() {
    if (!FPrint) FPrint = new TSuperPrintDialog(&W);
    FPrint->Execute(&W.Figure());
}

void TMainCommands::Paste() {
    if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
        edit->paste();
        return;
    }
    OpenDataFiles({ClipboardSource()});
}

TSaveGraphsDialog& TMainCommands::SaveGraphsDialog() {
    if (!FSaveGraphs) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        FSaveGraphs = new TSaveGraphsDialog(&W);
        QApplication::restoreOverrideCursor();
    }
    return *FSaveGraphs;
}

void TMainCommands::SaveGraphs() {
    TSaveGraphsDialog& dialog = SaveGraphsDialog();
    dialog.Prepare(W.Figure(), QFileInfo(W.FileName()).completeBaseName());
    dialog.Execute();
}

void TMainCommands::SaveGraph() {
    const TGraph* graph = W.Figure().GraphByIndex(W.CurrentGraph());
    if (!graph) return;
    QString fileName;
    if (W.ChooseGraphDataFile) {
        fileName = W.ChooseGraphDataFile();
    } else {
        QFileDialog dialog(&W);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(
            QStringLiteral("Mat files (*.mat);;Txt files (*.txt);;Excel files (*.xlsx);;All files (*)"));
        dialog.setDefaultSuffix(QStringLiteral("mat"));
        // A name without extension takes the chosen kind's.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
            dialog.setDefaultSuffix(filter.contains(QLatin1String("*.txt"))    ? QStringLiteral("txt")
                                    : filter.contains(QLatin1String("*.xlsx")) ? QStringLiteral("xlsx")
                                                                               : QStringLiteral("mat"));
        });
        if (dialog.exec() == QDialog::Accepted) fileName = dialog.selectedFiles().value(0);
    }
    if (fileName.isEmpty()) return;
    QString message;
    if (!TJobRunner::Instance().Write(
            &W, QStringLiteral("Сохранение данных…"),
            [&](QString& error) { return dataexport::SaveGraphData(*graph, fileName, error); }, message) &&
        !message.isEmpty())
        W.TellUser(message);
}

void TMainCommands::Close() {
    W.close();
}

// ---------------------------------------------------------------------------------------------
// Undo, the view and the axes.

void TMainCommands::Undo() {
    W.Figure().Undo();
}

void TMainCommands::Redo() {
    W.Figure().Redo();
}

void TMainCommands::AutoScale() {
    W.Figure().AutoScale();
}

void TMainCommands::Zoom(const char* action) {
    const QString name = QString::fromUtf8(action);
    W.Figure().SetZoomMode(W.Action(name)->isChecked() ? ZoomModeForAction(name) : zmNone);
}

void TMainCommands::WindowZoom() {
    Zoom("WindowScale");
}

void TMainCommands::XZoom() {
    Zoom("XAxisScale");
}

void TMainCommands::YZoom() {
    Zoom("YAxisScale");
}

void TMainCommands::FitVertically() {
    W.Figure().ArrangeVertically();
}

void TMainCommands::FitHorizontally() {
    W.Figure().ArrangeHorizontally();
}

void TMainCommands::SaveAxes() {
    W.Figure().SaveAxes();
}

void TMainCommands::RestoreAxes() {
    W.Figure().RestoreAxes();
}

void TMainCommands::CancelBinding() {
    mainstate::CancelBinding(W.Figure());
}

void TMainCommands::DeleteAllMarkers() {
    W.Figure().DeleteAllMarkers();
}

TAutoMarkersDialog& TMainCommands::AutoMarkersDialog() {
    if (!FAutoMarkers) FAutoMarkers = new TAutoMarkersDialog(&W);
    return *FAutoMarkers;
}

void TMainCommands::PlaceMarkers() {
    AutoMarkersDialog().ExecForWindow(W.Figure(), QCursor::pos());
}

TStatisticsDialog& TMainCommands::StatisticsDialog() {
    if (!FStatistics) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        FStatistics = new TStatisticsDialog(W.Figure(), &W);
        QApplication::restoreOverrideCursor();
    }
    FStatistics->Refill();
    return *FStatistics;
}

void TMainCommands::ShowStatistics() {
    StatisticsDialog().exec();
}

TGraphPropertiesDialog& TMainCommands::PropertiesDialog() {
    if (FProperties) return *FProperties;
    FProperties = new TGraphPropertiesDialog(W.Figure(), &W);
    FProperties->ShowStatistics = [this](int graphIndex) {
        TStatisticsDialog& dialog = StatisticsDialog();
        dialog.Choose(TStatScope::OneGraph, graphIndex);
        dialog.Update();
        dialog.exec();
    };
    FProperties->PlaceMarkers = [this](TGraph& graph, const QPoint& mouse) {
        AutoMarkersDialog().ExecForGraph(graph, mouse);
    };
    FProperties->BindGraphs = [this] { GraphBinding(); };
    return *FProperties;
}

void TMainCommands::CurGraphProps() {
    if (W.Figure().GraphCount() == 0) return;
    PropertiesDialog().ExecFor(W.CurrentGraph());
}

TGraphListWindow& TMainCommands::GraphList() {
    if (FGraphList) return *FGraphList;
    FGraphList = new TGraphListWindow(W.Figure(), &W);
    FGraphList->EditGraph = [this](int graphIndex) {
        // The list stays, shining through the dialog.
        FGraphList->AutoHide = false;
        FGraphList->SetShiningThrough(true);
        PropertiesDialog().ExecFor(graphIndex);
        FGraphList->SetShiningThrough(false);
        FGraphList->AutoHide = true;
        FGraphList->RefreshRows();
    };
    return *FGraphList;
}

void TMainCommands::GraphBinding() {
    if (!FBindingWizard) FBindingWizard = new TBindingWizardDialog(W.Figure(), &W);
    FBindingWizard->Open();
    FBindingWizard->exec();
}

void TMainCommands::ScaleSnap() {
    QWidget* plot = W.GraphWidget();
    if (!FScalesPanel) FScalesPanel = new TScalesPanel(W.Figure(), plot, &W);
    FScalesPanel->FillPanel();
    FScalesPanel->ShowAt(plot->mapToGlobal(QPoint(plot->width() - FScalesPanel->width(), 0)));
}

// The list opens near the point where it was asked for, with the mouse over its first row; asked for
// from the keyboard with the mouse elsewhere, at the plot's top right corner.
void TMainCommands::GraphProperties() {
    TGraphListWindow& list = GraphList();
    const QWidget* plot = W.GraphWidget();
    const QPoint mouse = QCursor::pos();
    if (W.frameGeometry().contains(mouse))
        list.ShowAt(mouse - QPoint(16, 8));
    else
        list.ShowAt(plot->mapToGlobal(QPoint(plot->width() - TGraphListWindow::ListWidth, 0)));
}

void TMainCommands::Filtration() {
    // "i" in the filtration dialog shows the statistics of the graphs the filter is applied to.
    ShowFiltrationDialog(W.Figure(), &W, [this](TSuperGrWindow&, int scope, int graphIndex, QWidget*) {
        TStatisticsDialog& dialog = StatisticsDialog();
        const TStatScope statScope = scope == fsAllGraphs        ? TStatScope::AllGraphs
                                     : scope == fsSelectedGraphs ? TStatScope::SelectedGraphs
                                                                 : TStatScope::OneGraph;
        dialog.Choose(statScope, graphIndex);
        dialog.Update();
        dialog.exec();
    });
}

void TMainCommands::ShowSettings() {
    if (!FSettings) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        TSettingsDialog::THost host{W.DblClickAction,
                                    W.ExportColorScheme,
                                    W.AskBeforeExit,
                                    W.AutoSelectNewGraphs,
                                    [this] { return W.PlotSize(); },
                                    [this](const QSize& size) { W.SetPlotSize(size); },
                                    [this] { W.WriteFileSettings(); }};
        FSettings = new TSettingsDialog(W.Figure(), host, &W);
        QApplication::restoreOverrideCursor();
    }
    FSettings->Refill();
    FSettings->exec();
    W.GraphWidget()->setFocus();
}

void TMainCommands::ReadFileSettings() {
    W.ReadFileSettings();
}

void TMainCommands::WriteFileSettings() {
    W.WriteFileSettings();
}

QString TMainCommands::ChooseSettingsFile(bool save) {
    if (W.ChooseSettingsFile) return W.ChooseSettingsFile(save);
    QFileDialog dialog(&W);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!save) dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({QStringLiteral("INI files (*.ini)"), QStringLiteral("All files (*)")});
    dialog.setDefaultSuffix(QStringLiteral("ini"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void TMainCommands::LoadSettingsFromFile() {
    const QString name = ChooseSettingsFile(false);
    if (name.isEmpty()) return;
    TIniDocument ini;
    QString error;
    if (!settings::ReadFile(name, ini, error)) {
        W.TellUser(error);
        return;
    }
    const QSize plot = W.PlotSize();
    W.ApplySettings(settings::FromIni(ini, plot.width(), plot.height()));
}

void TMainCommands::SaveSettingsToFile() {
    const QString name = ChooseSettingsFile(true);
    QString error;
    if (!name.isEmpty() && !settings::WriteFile(name, W.CurrentSettings(), error)) W.TellUser(error);
}

TMainCommands::~TMainCommands() {
    delete FTable;
}

TTableViewWindow& TMainCommands::TableWindow() {
    if (!FTable) {
        FTable = new TTableViewWindow(&W);
        FTable->SetDigitAlign(daRight);
        FTable->AddWindow(W.Figure());
    }
    return *FTable;
}

void TMainCommands::TableView() {
    TableWindow().ShowTable();
}

void TMainCommands::GraphTableView() {
    TTableViewWindow& table = TableWindow();
    table.ShowTable();
    table.SelectGraph(W.Figure().GraphByIndex(W.CurrentGraph()));
}

void TMainCommands::Calculator() {
    if (!FCalculator) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        FCalculator = std::make_unique<TCalculatorWindow>();
        QApplication::restoreOverrideCursor();
    }
    TCalcMath& calc = FCalculator->Calc();
    calc.SavePeriod = W.SavePeriod();
    calc.RemoveAllWindows();
    calc.AddWindow(&W.Figure(), 0);
    FCalculator->ShowCalculator();
    W.Figure().Repaint();
}

void TMainCommands::ToggleLegend() {
    mainstate::ToggleLegend(W.Figure(), std::nullopt);
    AskForLegendGraphs();
}

void TMainCommands::ToggleLegendAtContextPoint() {
    mainstate::ToggleLegend(W.Figure(), TPoint{W.FContextPoint.x(), W.FContextPoint.y()});
    AskForLegendGraphs();
}

void TMainCommands::AskForLegendGraphs() {
    if (W.Figure().ShowLegend() && legend::ListsNoVisibleGraph(W.Figure())) LegendProperties();
}

void TMainCommands::CaptionProps() {
    if (!FCaptions) FCaptions = new TCaptionToolBar(W.Figure(), W.FGraphWidget, &W);
    FCaptions->Open();
}

void TMainCommands::FinishCaptionEditing() {
    if (FCaptions) FCaptions->Finish();
}

void TMainCommands::LegendProperties() {
    if (!FLegend) FLegend = new TLegendDialog(&W);
    FLegend->ExecForWindow(W.Figure());
}

void TMainCommands::ShowHelp() {
    THelpWindow::Instance().ShowContents();
}

void TMainCommands::ShowAbout() {
    QMessageBox::about(
        &W, QStringLiteral("О программе"),
        QStringLiteral("<b>Tarvelo</b><br>Просмотр и редактирование двумерных графиков.<br>Версия ") +
            ProgramVersion());
}

// ---------------------------------------------------------------------------------------------
// Node work.

void TMainCommands::ToggleNodeWork() {
    TSuperGrWindow& figure = W.Figure();
    if (figure.ToolMode() == tmNothing)
        figure.SetToolMode(tmEdit);
    else if (figure.ToolMode() == tmEdit)
        figure.SetToolMode(tmNothing);
    W.Action(QStringLiteral("GoNodeEdit"))->setChecked(figure.ToolMode() == tmEdit);
}

void TMainCommands::SelectNodes() {
    W.Figure().SetEditMode(emSelect);
}

void TMainCommands::MoveNodes() {
    W.Figure().SetEditMode(emMove);
}

void TMainCommands::InsertNodes() {
    W.Figure().SetEditMode(emInsert);
}

void TMainCommands::DeleteNodes() {
    W.Figure().SetEditMode(emDelete);
}

void TMainCommands::UnselectNodes() {
    W.Figure().UnselectNodes();
}

void TMainCommands::CutSelectedNodes() {
    W.Figure().CutSelectedNodes();
}

void TMainCommands::EndInsertOrDelete() {
    mainstate::EndInsertOrDelete(W.Figure());
}

void TMainCommands::NoShiftCurve() {
    W.Figure().ClearShiftCurve();
}

void TMainCommands::LinearShiftCurve() {
    W.Figure().LoadShiftCurvePreset(1);
}

void TMainCommands::ShiftCurve1() {
    W.Figure().LoadShiftCurvePreset(2);
}

void TMainCommands::ShiftCurve2() {
    W.Figure().LoadShiftCurvePreset(3);
}

void TMainCommands::ShiftCurve3() {
    W.Figure().LoadShiftCurvePreset(4);
}

void TMainCommands::UserCurve() {
    if (!FShiftCurve) {
        FShiftCurve = new TShiftCurveDialog(&W);
        FShiftCurve->OnUserChange = [this] { W.Action(QStringLiteral("UserCurve"))->setChecked(true); };
    }
    W.Action(QStringLiteral("UserCurve"))->setChecked(true);
    FShiftCurve->ExecForWindow(W.Figure());
}

// ---------------------------------------------------------------------------------------------
// The graph context menu.

void TMainCommands::ToggleGraphSelection() {
    if (TGraph* g = W.Figure().GraphByIndex(W.CurrentGraph())) g->SetSelected(!g->Selected());
}

void TMainCommands::ToggleGraphNodes() {
    if (TGraph* g = W.Figure().GraphByIndex(W.CurrentGraph())) g->SetShowNodes(!g->ShowNodes());
}

void TMainCommands::GraphToTop() {
    MoveLayer(W.Figure(), W.CurrentGraph(), TLayerMove::ToTop);
}

void TMainCommands::GraphToBottom() {
    MoveLayer(W.Figure(), W.CurrentGraph(), TLayerMove::ToBottom);
}

void TMainCommands::GraphUp() {
    MoveLayer(W.Figure(), W.CurrentGraph(), TLayerMove::Up);
}

void TMainCommands::GraphDown() {
    MoveLayer(W.Figure(), W.CurrentGraph(), TLayerMove::Down);
}

void TMainCommands::PlaceGraphMarkers() {
    if (TGraph* g = W.Figure().GraphByIndex(W.CurrentGraph()))
        AutoMarkersDialog().ExecForGraph(*g, QCursor::pos());
}

void TMainCommands::DeleteGraphMarkers() {
    if (TGraph* g = W.Figure().GraphByIndex(W.CurrentGraph())) g->ClearMarkers();
}

void TMainCommands::CloneGraph() {
    if (TGraph* g = W.Figure().GraphByIndex(W.CurrentGraph())) W.Figure().DuplicateGraph(*g);
}

void TMainCommands::DeleteGraph() {
    W.Figure().DeleteGraph(W.CurrentGraph());
}

// ---------------------------------------------------------------------------------------------
// The figure file's questions and dialogs.

TFigureFileUi::TAnswer TMainFileUi::Ask(const QString& text) {
    switch (W.AskUser(text)) {
    case mainstate::TAnswer::Yes:
        return TAnswer::Yes;
    case mainstate::TAnswer::No:
        return TAnswer::No;
    case mainstate::TAnswer::Cancel:
        break;
    }
    return TAnswer::Cancel;
}

void TMainFileUi::ShowMessage(const QString& text) {
    W.TellUser(text);
}

namespace {
// "Tarvelo figure files (*.tvq)|*.tvq|All files (*.*)|*.*" in Qt's notation.
QString FigureFilter() {
    return QStringLiteral("Tarvelo figure files (*.tvq);;All files (*)");
}
} // namespace

QString TMainFileUi::ChooseOpenFile() {
    if (W.ChooseOpenFile) return W.ChooseOpenFile();
    return QFileDialog::getOpenFileName(&W, QString(), QString(), FigureFilter());
}

QString TMainFileUi::ChooseSaveFile(const QString& preset) {
    const QString name = preset.isEmpty() ? W.FPresetFileName : preset;
    if (W.ChooseSaveFile) return W.ChooseSaveFile(name);
    QFileDialog dialog(&W);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(FigureFilter());
    dialog.setDefaultSuffix(figurefile::DefaultSuffix());
    dialog.selectFile(name);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

void TMainFileUi::OpenAsDataFiles(const QStringList& files) {
    W.FCommands->OpenDataFiles(files);
}

TWindowBounds TMainFileUi::MainWindowBounds() {
    const QRect g = W.geometry();
    return {g.left(), g.top(), g.width(), g.height()};
}

void TMainFileUi::SetMainWindowBounds(const TWindowBounds& b) {
    if (b.Width <= 0 || b.Height <= 0) return;
    W.setGeometry(b.Left, b.Top, b.Width, b.Height);
    // Keep the window reachable: a file written on a larger desktop must not hide it.
    W.KeepOnScreen();
    // The file's placement wins over the design size of the first show.
    W.FPlotSized = true;
}

void TMainFileUi::SetTitle(const QString& title) {
    W.SetTitle(title);
    W.FPresetFileName = W.Document().FileName();
}

void TMainFileUi::FigureOpened() {
    W.UpdateCommandStates();
}

bool TMainFileUi::RunJob(const QString& text, const TJobWork& work) {
    return TJobRunner::Instance().Run(&W, text, work);
}
