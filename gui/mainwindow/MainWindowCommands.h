// What the main window's commands do: the action table (MainWindowActions.cpp) runs these, and the
// figure file's flows ask their questions and choose their files through TMainFileUi.
#pragma once

#include "app/FigureFile.h"

#include <QStringList>

#include <memory>

class TAutoMarkersDialog;
class TBindingWizardDialog;
class TScalesPanel;
class TCaptionToolBar;
class TGraphListWindow;
class TGraphPropertiesDialog;
class TLegendDialog;
class TSaveGraphsDialog;
class TCalculatorWindow;
class TMainWindow;
class TSettingsDialog;
class TShiftCurveDialog;
class TStatisticsDialog;
class TSuperPrintDialog;
class TTableViewWindow;

class TMainCommands {
public:
    explicit TMainCommands(TMainWindow& window);
    // The table window goes first: it gives the graph window its handlers back.
    ~TMainCommands();
    TMainCommands(const TMainCommands&) = delete;
    TMainCommands& operator=(const TMainCommands&) = delete;

    // The figure and its graphs.
    void NewFigure();
    void OpenFigure();
    void SaveFigure();
    void SaveAs();
    void AddGraphFromFiles();
    void EmptyGraph();
    void DeleteAllGraphs();
    void CopyToClipboard();
    void SavePicture();
    void Print();
    void Paste();
    // The export of the figure's graphs, and of the current graph alone.
    void SaveGraphs();
    void SaveGraph();
    void Close();
    // The add-graphs dialog on these sources (nothing for none).
    void OpenDataFiles(const QStringList& files);

    // Undo, the view and the axes.
    void Undo();
    void Redo();
    void AutoScale();
    void WindowZoom();
    void XZoom();
    void YZoom();
    void FitVertically();
    void FitHorizontally();
    void SaveAxes();
    void RestoreAxes();
    void CancelBinding();
    // The binding wizard, modal.
    void GraphBinding();
    // The scales and binding panel at the graph window's top-right corner.
    void ScaleSnap();
    void DeleteAllMarkers();
    // The markers dialog at the mouse, for every visible graph.
    void PlaceMarkers();
    // The graph information dialog, showing what its last update left.
    void ShowStatistics();
    void ToggleLegend();
    // The legend shown from the window context menu lands with its corner on the menu's point.
    void ToggleLegendAtContextPoint();
    // The caption editor over the graph window, on the caption edited last.
    void CaptionProps();
    TCaptionToolBar* CaptionToolBar() const { return FCaptions; }
    // Closes an open caption editor into the figure it edits; runs before another figure replaces it.
    void FinishCaptionEditing();
    // The legend dialog, modally.
    void LegendProperties();
    void ShowAbout();
    void ShowHelp();

    // Data tools.
    void Filtration();
    void TableView();
    // The table of the graph context menu's graph.
    void GraphTableView();

    // Settings: the dialog, the per-user store and a settings file the user picks.
    void ShowSettings();
    void ReadFileSettings();
    void WriteFileSettings();
    void LoadSettingsFromFile();
    void SaveSettingsToFile();

    // The calculator for the figure; made on first use and kept.
    void Calculator();
    TCalculatorWindow* CalculatorWindow() const { return FCalculator.get(); }

    // Node work.
    void ToggleNodeWork();
    void SelectNodes();
    void MoveNodes();
    void InsertNodes();
    void DeleteNodes();
    void UnselectNodes();
    void CutSelectedNodes();
    void EndInsertOrDelete();
    void NoShiftCurve();
    void LinearShiftCurve();
    void ShiftCurve1();
    void ShiftCurve2();
    void ShiftCurve3();
    // The curve dialog, modally; the curve it shows is the one in use.
    void UserCurve();

    // The graph context menu: the current graph.
    void ToggleGraphSelection();
    void ToggleGraphNodes();
    void GraphToTop();
    void GraphToBottom();
    void GraphUp();
    void GraphDown();
    void PlaceGraphMarkers();
    void DeleteGraphMarkers();
    void CloneGraph();
    void DeleteGraph();
    // The properties dialog of the current graph.
    void CurGraphProps();
    // The list of all graphs' properties at the graph window's top-right corner.
    void GraphProperties();

private:
    // A zoom command: its zoom mode while its check mark is set.
    void Zoom(const char* action);
    // The dialogs are made on first use and kept (the main window owns them).
    TAutoMarkersDialog& AutoMarkersDialog();
    // Refilled from the figure at every opening.
    TStatisticsDialog& StatisticsDialog();
    // A settings file from the file dialog (or the window's chooser); empty when cancelled.
    QString ChooseSettingsFile(bool save);
    TGraphPropertiesDialog& PropertiesDialog();
    TGraphListWindow& GraphList();
    TSaveGraphsDialog& SaveGraphsDialog();
    TTableViewWindow& TableWindow();
    // After showing the legend: the legend dialog when it lists none of the visible graphs.
    void AskForLegendGraphs();
    TMainWindow& W;
    TSettingsDialog* FSettings = nullptr;
    TAutoMarkersDialog* FAutoMarkers = nullptr;
    TStatisticsDialog* FStatistics = nullptr;
    TSuperPrintDialog* FPrint = nullptr;
    TGraphPropertiesDialog* FProperties = nullptr;
    TGraphListWindow* FGraphList = nullptr;
    TBindingWizardDialog* FBindingWizard = nullptr;
    TScalesPanel* FScalesPanel = nullptr;
    TSaveGraphsDialog* FSaveGraphs = nullptr;
    TTableViewWindow* FTable = nullptr;
    TLegendDialog* FLegend = nullptr;
    TCaptionToolBar* FCaptions = nullptr;
    TShiftCurveDialog* FShiftCurve = nullptr;
    // A top-level window of its own (own taskbar entry), so not a child of the main window.
    std::unique_ptr<TCalculatorWindow> FCalculator;
};

// The figure file's questions, file dialogs and window placement in the main window.
class TMainFileUi : public TFigureFileUi {
public:
    explicit TMainFileUi(TMainWindow& window) : W(window) {}
    TAnswer Ask(const QString& text) override;
    void ShowMessage(const QString& text) override;
    QString ChooseOpenFile() override;
    QString ChooseSaveFile(const QString& preset) override;
    void OpenAsDataFiles(const QStringList& files) override;
    TWindowBounds MainWindowBounds() override;
    void SetMainWindowBounds(const TWindowBounds& bounds) override;
    void SetTitle(const QString& title) override;
    void FigureOpened() override;
    bool RunJob(const QString& text, const TJobWork& work) override;

private:
    TMainWindow& W;
};
