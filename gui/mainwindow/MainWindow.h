// The program's main window around one graph window: the commands as named actions, menus, tool
// bars, context menus, the status bar with its panels, the keys and the closing question.
#pragma once

#include "app/FigureFile.h"
#include "app/MainWindowState.h"
#include "window/SuperGrWindow.h"

#include <QMainWindow>
#include <QStatusBar>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QMimeData;
class QPlainTextEdit;
class QToolBar;
class QToolButton;
class TAddGraphsDialog;
class TGraphWindowWidget;
class TMainWindow;

// The status bar: seven panels, texts in 0 .. 4, colour swatches of the graphs in 5 and the three
// state icons in 6, all painted here.
class TStatusPanels : public QStatusBar {
public:
    explicit TStatusPanels(TMainWindow& owner);
    void SetText(int panel, const QString& text);
    QString Text(int panel) const { return FTexts[panel]; }
    TRect PanelRect(int panel) const;
    // panel, item (graph index or icon number), button, global point.
    std::function<void(int, int, Qt::MouseButton, const QPoint&)> OnClick;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void PaintSwatches(class QPainter& painter, const TRect& panel);
    void PaintIcons(QPainter& painter, const TRect& panel);
    TMainWindow& FOwner;
    QString FTexts[5];
};

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

    QString FileName() const;
    bool HasFileName() const { return FDocument->HasFileName(); }
    int CurrentGraph() const { return FCurrentGraph; }
    void SetCurrentGraph(int index) { FCurrentGraph = index; }

    // Settings of the main window (the settings dialog and file set them).
    int DblClickAction = 5;
    int ExportColorScheme = 0;
    bool AskBeforeExit = true;
    bool AutoSelectNewGraphs = false;

    int ScaleIcon() const { return FScaleIcon; }
    int MoveIcon() const { return FMoveIcon; }
    int AxesIcon() const { return FAxesIcon; }
    bool StatusIconsEnabled() const { return FIconsEnabled; }
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

    // The add-graphs dialog, created on first use and kept.
    TAddGraphsDialog& AddGraphsDialog();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class TFileUi;
    friend class TFileUi;

    QAction* MakeAction(const QString& name, const QString& caption, const QString& icon = {});
    void MarkUnavailable(const QString& name, const QString& why);
    // A second menu entry for a command: its own caption (the command's own when empty), the
    // command's state, and an optional step before the command runs.
    QAction* Alias(QAction* source, const QString& caption, std::function<void()> before = {});
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateContextMenus();
    void AddPermissionMenus(QMenu* parent, const QString& caption,
                            const std::function<void(mainstate::TPermissionSet)>& apply);
    void RebuildDeleteMenu();
    void WireEvents();

    void UpdateGraphActions();
    void UpdateStatusIcons();
    void UpdateAlignButtons();
    void SetTitle(const QString& title);
    void ShowStatusText(int panel, const QString& text);
    bool TextFieldHasFocus() const;
    // A question with Yes, No and Cancel (only Yes and No without cancel).
    mainstate::TAnswer AskUser(const QString& text, bool withCancel = true);
    void TellUser(const QString& text);

    // Commands.
    void NewFigure();
    void AddGraphFromFiles();
    void OpenDataFiles(const QStringList& files);
    void EmptyGraph();
    void DeleteAllGraphsCommand();
    void CopyToClipboard();
    void SavePicture();
    void ZoomCommand(QAction* action, bool checked);
    void ToggleNodeWork();
    void ToggleLegend(bool atContextPoint);
    void CancelBinding();
    void DeleteAllMarkers();
    void Paste();
    void ShowAbout();
    void ShowWindowMenu(const QPoint& globalPos);
    void ShowGraphMenu(int index, const QPoint& globalPos);
    void StatusClicked(int panel, int item, Qt::MouseButton button, const QPoint& globalPos);

    std::unique_ptr<TSuperGrWindow> FFigure;
    std::unique_ptr<TFileUi> FFileUi;
    std::unique_ptr<TFigureDocument> FDocument;
    TGraphWindowWidget* FGraphWidget = nullptr;
    QPlainTextEdit* FCaptionMemo = nullptr;
    TAddGraphsDialog* FAddGraphs = nullptr;
    TStatusPanels* FStatus = nullptr;
    QToolBar* FMainBar = nullptr;
    QToolBar* FNodeBar = nullptr;
    QToolButton* FScaleAlignButton = nullptr;
    QToolButton* FPosAlignButton = nullptr;
    QMenu* FDeleteMenu = nullptr;
    QMenu* FWindowMenu = nullptr;
    QMenu* FGraphMenu = nullptr;
    QMenu* FNodeMenu = nullptr;
    QMenu* FShiftCurveMenu = nullptr;
    QAction* FGraphSelectItem = nullptr;
    QAction* FGraphNodesItem = nullptr;
    QMenu* FScaleIconMenu = nullptr;
    QMenu* FMoveIconMenu = nullptr;
    QMenu* FAxesIconMenu = nullptr;

    QString FPresetFileName;
    int FCurrentGraph = -1;
    int FScaleIcon = 10, FMoveIcon = 1, FAxesIcon = 18;
    bool FIconsEnabled = false;
    bool FHintsEnabled = true;
    bool FPlotSized = false;
    QPoint FContextPoint;
    QStringList FUnavailable;
};
