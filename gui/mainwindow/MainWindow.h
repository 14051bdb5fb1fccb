// The program's main window around one graph window: the commands as named actions, menus, tool
// bars, context menus, the status bar with its panels, the keys and the closing question. The
// commands, menus and tool bars are built from the action table in MainWindowActions.cpp, the
// commands' work is in MainWindowCommands.cpp.
#pragma once

#include "app/FigureFile.h"
#include "app/MainWindowState.h"
#include "app/Recovery.h"
#include "app/Settings.h"
#include "gui/mainwindow/StatusPanels.h"
#include "window/SuperGrWindow.h"

#include <QMainWindow>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QMimeData;
class QToolBar;
class TAddGraphsDialog;
class TGraphWindowWidget;
class TMainCommands;
class TMainFileUi;

class TMainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainWindow(QWidget* parent = nullptr);
    ~TMainWindow() override;

    TSuperGrWindow& Figure() { return *FFigure; }
    TFigureDocument& Document() { return *FDocument; }
    TGraphWindowWidget* GraphWidget() const { return FGraphWidget; }
    // An action by its command name ("NewFigure", "Undo", ...); null for an unknown name.
    QAction* Action(const QString& name) const;
    // The pictures the copy command puts on the clipboard: the bitmap, SVG and, with bitmap export
    // off, the enhanced metafile. Null when a picture cannot be made; errorCode then receives the
    // system's error number (0 when there is none).
    static std::unique_ptr<QMimeData> FigurePictures(TSuperGrWindow& figure, int scheme, int* errorCode);

    // The start-up open of a file named on the command line (ignored when it is not a file).
    bool OpenFromCommandLine(const QString& argument);
    // At start-up: offers the figures that runs which did not end normally left unsaved. True when
    // one was restored; it is then modified and has no file name.
    bool OfferRecovery();

    QString FileName() const;
    bool HasFileName() const { return FDocument->HasFileName(); }
    int CurrentGraph() const { return FCurrentGraph; }
    void SetCurrentGraph(int index) { FCurrentGraph = index; }

    // Settings of the main window (the settings dialog and file set them).
    int DblClickAction = 5;
    int ExportColorScheme = 0;
    bool AskBeforeExit = true;
    bool AutoSelectNewGraphs = false;
    // Seconds between autosaves of a modified figure (at most one per period).
    float SavePeriod() const { return float(FAutosave->Period()) / 1000; }
    void SetSavePeriod(float seconds) { FAutosave->SetPeriod(int64_t(seconds * 1000)); }
    recovery::TAutosave& Autosave() { return *FAutosave; }

    // The settings as they are now: the graph window's, the switches above and the plot size.
    settings::TSettings CurrentSettings() const;
    // Applies settings read from a store, the plot size last.
    void ApplySettings(const settings::TSettings& values);
    // The graph window's size; resizes the main window so that the graph window gets that size.
    QSize PlotSize() const;
    void SetPlotSize(const QSize& size);
    // The per-user store: read (a first start stores the current look first) and write. A failed
    // write says so and changes nothing.
    void ReadFileSettings();
    bool WriteFileSettings();

    int ScaleIcon() const { return FIcons.Scale; }
    int MoveIcon() const { return FIcons.Move; }
    int AxesIcon() const { return FIcons.Axes; }
    bool StatusIconsEnabled() const { return FIcons.Enabled; }
    // The text of a status-bar panel (0 .. 4).
    QString PanelText(int panel) const;
    TStatusPanels* StatusPanels() const { return FStatus; }
    QToolBar* NodeToolBar() const { return FNodeBar; }
    QMenu* WindowMenu() const { return FWindowMenu; }
    QMenu* GraphMenu() const { return FGraphMenu; }
    QMenu* NodeMenu() const { return FNodeMenu; }
    // The menus of the three status icons (0 scaling, 1 offset, 2 axes grouping).
    QMenu* StatusIconMenu(int icon) const {
        return icon == 0 ? FScaleIconMenu : icon == 1 ? FMoveIconMenu : FAxesIconMenu;
    }
    // The graph context menu's items refer to CurrentGraph; checks follow its state.
    void PrepareGraphMenu();
    // Client point of the graph window where the window context menu was opened.
    void SetContextPoint(const QPoint& clientPoint) { FContextPoint = clientPoint; }
    // "Show legend" from the window context menu: the legend's corner lands on the menu point.
    void ShowLegendAtContextPoint();

    // The user's answers and choices; tests replace them. By default message boxes and file dialogs.
    std::function<mainstate::TAnswer(const QString& text)> Ask;
    std::function<void(const QString& text)> ShowMessage;
    std::function<QString()> ChooseOpenFile;
    std::function<QString(const QString& preset)> ChooseSaveFile;
    std::function<QStringList()> ChooseDataFiles;
    std::function<QString()> ChoosePictureFile;
    // A settings file to read (save false) or to write (save true); empty when cancelled.
    std::function<QString(bool save)> ChooseSettingsFile;
    std::function<QString()> ChooseGraphDataFile;

    // The add-graphs dialog, created on first use and kept.
    TAddGraphsDialog& AddGraphsDialog();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TMainCommands;
    friend class TMainFileUi;
    // Shrinks and moves the window, its frame included, into the available area of its screen.
    void KeepOnScreen();

    // From the action table (MainWindowActions.cpp).
    void CreateActions();
    void CreateMenus();
    void CreateContextMenus();
    void CreateToolBars();
    void RebuildDeleteMenu();
    void UpdateCommandStates();

    // The graph window's events and what they change here.
    void WireCommandEvents();
    void WireStatusEvents();
    void WireAutosave();
    void UpdateStatusIcons();
    void UpdateAlignButtons();
    void UpdateLegendCaption();
    void SetTitle(const QString& title);
    // A new document without a file: the next save asks for one, offering this name.
    void ForgetFile(const QString& presetName);
    void ShowStatusText(int panel, const QString& text);
    bool TextFieldHasFocus() const;
    // A question with Yes, No and Cancel (only Yes and No without cancel).
    mainstate::TAnswer AskUser(const QString& text, bool withCancel = true);
    void TellUser(const QString& text);
    void ShowWindowMenu(const QPoint& globalPos);
    void ShowGraphMenu(int index, const QPoint& globalPos);
    void StatusClicked(int panel, int item, Qt::MouseButton button, const QPoint& globalPos);

    std::unique_ptr<TSuperGrWindow> FFigure;
    // What this window hears of the figure's events that have many listeners.
    std::vector<TEventConnection> FFigureConnections;
    std::unique_ptr<TMainFileUi> FFileUi;
    std::unique_ptr<TFigureDocument> FDocument;
    std::unique_ptr<TMainCommands> FCommands;
    std::unique_ptr<recovery::TAutosave> FAutosave;
    // The actions of the table's commands, in the table's order.
    QList<QAction*> FCommandActions;
    TGraphWindowWidget* FGraphWidget = nullptr;
    TAddGraphsDialog* FAddGraphs = nullptr;
    TStatusPanels* FStatus = nullptr;
    QToolBar* FMainBar = nullptr;
    QToolBar* FNodeBar = nullptr;
    QMenu* FDeleteMenu = nullptr;
    QMenu* FWindowMenu = nullptr;
    QMenu* FGraphMenu = nullptr;
    QMenu* FNodeMenu = nullptr;
    QMenu* FScaleIconMenu = nullptr;
    QMenu* FMoveIconMenu = nullptr;
    QMenu* FAxesIconMenu = nullptr;

    QString FPresetFileName;
    int FCurrentGraph = -1;
    mainstate::TStatusIcons FIcons;
    bool FAxesSaved = false;
    bool FHintsEnabled = true;
    bool FPlotSized = false;
    // The graph window's size until the window is first shown.
    QSize FPlotSize{850, 500};
    QPoint FContextPoint;
};
