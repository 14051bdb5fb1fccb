#include "gui/mainwindow/MainWindow.h"

#include "gui/addgraphs/AddGraphsDialog.h"
#include "gui/graphwindow/GraphWindowWidget.h"
#include "gui/help/HelpWindow.h"
#include "gui/jobs/JobRunner.h"
#include "gui/mainwindow/Icons.h"
#include "gui/mainwindow/MainWindowCommands.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>

using namespace mainstate;

namespace {
constexpr int64_t kSavePeriodMs = 90'000;
}

// ---------------------------------------------------------------------------------------------
// Construction.

TMainWindow::TMainWindow(QWidget* parent)
    : QMainWindow(parent), FFigure(std::make_unique<TSuperGrWindow>()),
      FFileUi(std::make_unique<TMainFileUi>(*this)),
      FDocument(std::make_unique<TFigureDocument>(*FFigure, *FFileUi)),
      FCommands(std::make_unique<TMainCommands>(*this)),
      FAutosave(std::make_unique<recovery::TAutosave>(*FFigure, recovery::StateFolder(), kSavePeriodMs)) {
    Q_INIT_RESOURCE(mainwindow);
    help::InstallHelpKeys();
    // Desktops without an icon theme still get the standard pictures where they are installed.
    if (QIcon::fallbackThemeName().isEmpty() || QIcon::fallbackThemeName() == QLatin1String("hicolor"))
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

    // 1. The graph window fills the client area.
    FFigure->ApplyDefaultLook();
    FGraphWidget = new TGraphWindowWidget(*FFigure, this);
    FGraphWidget->resize(850, 500);
    setCentralWidget(FGraphWidget);
    CreateActions();
    CreateMenus();
    CreateContextMenus();
    CreateToolBars();
    FStatus = new TStatusPanels(this, *FFigure, FIcons);
    setStatusBar(FStatus);
    FStatus->OnClick = [this](int panel, int item, Qt::MouseButton button, const QPoint& global) {
        StatusClicked(panel, item, button, global);
    };
    connect(FGraphWidget, &TGraphWindowWidget::ContextMenuWanted, this, &TMainWindow::ShowWindowMenu);
    FGraphWidget->installEventFilter(this);

    // 2. The window's events.
    WireCommandEvents();
    WireStatusEvents();
    WireAutosave();

    // 3. The plot gets 850 × 500 pixels.
    const int bars =
        menuBar()->sizeHint().height() + FMainBar->sizeHint().height() + FStatus->sizeHint().height();
    resize(850, 500 + bars);

    // 4. The status icons start with their first numbers (TStatusIcons). 5. Focus the graph window.
    FGraphWidget->setFocus();

    // 6. The window's own state.
    FCurrentGraph = -1;
    FPresetFileName = DefaultFileName();
    SetTitle(figurefile::TitleFor(FPresetFileName));
    UpdateCommandStates();
    UpdateLegendCaption();

    // 7. The stored settings.
    ReadFileSettings();

    // 8. Centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desk = screen->availableGeometry();
        move(desk.left() + (desk.width() - width()) / 2, desk.top() + (desk.height() - height()) / 2);
    }
}

TMainWindow::~TMainWindow() {
    FAutosave->EndNormally();
    qApp->removeEventFilter(this);
    FCommands.reset();
    // The graph window's events point here; nothing may call back while the widgets go.
    FFigure->Events = TWindowEvents{};
    delete FAddGraphs;
    FAddGraphs = nullptr;
    delete FGraphWidget;
    FGraphWidget = nullptr;
}

QAction* TMainWindow::Action(const QString& name) const {
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

TAddGraphsDialog& TMainWindow::AddGraphsDialog() {
    if (!FAddGraphs) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        FAddGraphs = new TAddGraphsDialog(*FFigure, this);
        QApplication::restoreOverrideCursor();
    }
    FAddGraphs->Model().AutoSelectNewGraphs = AutoSelectNewGraphs;
    return *FAddGraphs;
}

bool TMainWindow::OpenFromCommandLine(const QString& argument) {
    FCommands->FinishCaptionEditing();
    return FDocument->OpenFromCommandLine(argument);
}

bool TMainWindow::OfferRecovery() {
    FCommands->FinishCaptionEditing();
    const auto ask = [this] {
        switch (AskUser(recovery::RestoreQuestion())) {
        case TAnswer::Yes:
            return recovery::TAnswer::Restore;
        case TAnswer::No:
            return recovery::TAnswer::Discard;
        case TAnswer::Cancel:
            break;
        }
        return recovery::TAnswer::Keep;
    };
    TWindowBounds bounds;
    std::unique_ptr<recovery::TSession> restored =
        recovery::OfferRecovery(recovery::StateFolder(), *FFigure, ask, &bounds);
    if (!restored) return false;
    FAutosave->Adopt(std::move(restored));
    FFileUi->SetMainWindowBounds(bounds);
    FCurrentGraph = -1;
    UpdateCommandStates();
    UpdateStatusIcons();
    FFigure->Repaint();
    return true;
}

void TMainWindow::ShowLegendAtContextPoint() {
    FCommands->ToggleLegendAtContextPoint();
}

// ---------------------------------------------------------------------------------------------
// Events of the graph window.

namespace {
// Each handler keeps the one it replaces, so earlier listeners still hear the event.
template <typename TSlot, typename THandler> void Chain(TSlot& slot, THandler handler) {
    auto previous = slot;
    slot = [previous, handler](auto... args) {
        handler(args...);
        if (previous) previous(args...);
    };
}
} // namespace

// The events that change which commands are enabled and checked.
void TMainWindow::WireCommandEvents() {
    TWindowEvents& ev = FFigure->Events;
    connect(&TJobRunner::Instance(), &TJobRunner::BusyChanged, this, [this] { UpdateCommandStates(); });
    Chain(ev.OnAddGraph, [this](TComponent*, int) { UpdateCommandStates(); });
    Chain(ev.OnDelGraph, [this](TComponent*, int) {
        FCurrentGraph = std::min(FCurrentGraph, FFigure->GraphCount() - 1);
        UpdateCommandStates();
    });
    FFigureConnections.push_back(
        ev.OnUndoRedoOp.Listen([this](TComponent*, int, bool, bool) { UpdateCommandStates(); }));
    Chain(ev.OnToolModeChange, [this](TComponent*, TToolMode, TToolMode mode) {
        const bool edit = mode == tmEdit;
        if (mode == tmNothing) FFigure->SetEditMode(emNothing);
        if (edit) FFigure->SetZoomMode(zmNone);
        Action(QStringLiteral("GoNodeEdit"))->setChecked(edit);
        FNodeBar->setVisible(edit);
        ShowStatusText(3, ToolModeText(mode));
        UpdateCommandStates();
    });
    Chain(ev.OnZoomModeChange, [this](TComponent*, TZoomMode, TZoomMode mode) {
        const QString checked = CheckedZoomAction(mode);
        for (const char* name : {"WindowScale", "XAxisScale", "YAxisScale"})
            Action(QString::fromUtf8(name))->setChecked(checked == QLatin1String(name));
        UpdateCommandStates();
    });
    Chain(ev.OnEditModeChange, [this](TComponent*, TEditMode, TEditMode mode) {
        ShowStatusText(4, EditModeText(mode));
        const std::pair<const char*, TEditMode> modes[] = {{"SelectNodes", emSelect},
                                                           {"MoveNodes", emMove},
                                                           {"InsertNodes", emInsert},
                                                           {"DeleteNodes", emDelete}};
        for (const auto& [name, m] : modes)
            Action(QString::fromUtf8(name))->setChecked(mode == m);
    });
    Chain(ev.OnLegendChange, [this](TComponent*) { UpdateLegendCaption(); });
    // Opened once the press is handled, so the graph window is not left inside its mouse handler.
    Chain(ev.OnLegendClick, [this](TComponent*, TShiftState shift, int, int) {
        if (shift & ssRight) QTimer::singleShot(0, this, [this] { FCommands->LegendProperties(); });
    });
    Chain(ev.OnGraphClick, [this](TComponent*, int index, TShiftState shift, int x, int y) {
        FCurrentGraph = index;
        if ((shift & ssRight) && !(shift & (ssShift | ssCtrl)))
            ShowGraphMenu(index, FGraphWidget->mapToGlobal(QPoint(x, y)));
    });
    Chain(ev.OnGraphDblClick, [this](TComponent*, int index, TShiftState, int, int) {
        FCurrentGraph = index;
        if (ApplyDoubleClick(*FFigure, index, DblClickAction) == TDblClickResult::ShowProperties)
            Action(QStringLiteral("CurGraphProps"))->trigger();
    });
    Chain(ev.OnAxesSaved, [this](TComponent*, bool saved) {
        FAxesSaved = saved;
        UpdateCommandStates();
    });
}

// The events that the status bar shows, and the hints that stop while the view animates.
void TMainWindow::WireStatusEvents() {
    TWindowEvents& ev = FFigure->Events;
    FFigureConnections.push_back(ev.OnGraphsListChanged.Listen([this](TComponent*, const QStringList&) {
        if (FFigure->GraphCount() == 0) ShowStatusText(0, QString());
        FStatus->update();
    }));
    FFigureConnections.push_back(
        ev.OnChangeGraphStyle.Listen([this](TComponent*, int, int, int) { FStatus->update(); }));
    Chain(ev.OnChangeSelectedCnt, [this](TComponent*, int) { FStatus->update(); });
    Chain(ev.OnChangeGraphState, [this](TComponent*, int, int, bool) { UpdateStatusIcons(); });
    Chain(ev.OnChangeCombineAxis, [this](TComponent*, bool x, bool y) {
        FIcons.Axes = AxesIconFor(x, y);
        FStatus->update();
    });
    Chain(ev.OnNewCoords,
          [this](TComponent*, int x, int y) { ShowStatusText(0, CoordinatesText(*FFigure, x, y)); });
    Chain(ev.OnChangeEditStatus,
          [this](TComponent*) { ShowStatusText(1, ModifiedText(FFigure->Modified())); });
    // Hints are switched off while the view animates: a tooltip would stall the frames.
    Chain(ev.OnStartAnimation, [this](TComponent*) {
        if (FHintsEnabled) qApp->installEventFilter(this);
        FHintsEnabled = false;
    });
    Chain(ev.OnStopAnimation, [this](TComponent*) {
        qApp->removeEventFilter(this);
        FHintsEnabled = true;
    });
}

// Every change, and every change of the Modified flag, reaches the autosave.
void TMainWindow::WireAutosave() {
    TWindowEvents& ev = FFigure->Events;
    FFigureConnections.push_back(
        ev.OnUndoRedoOp.Listen([this](TComponent*, int, bool, bool) { FAutosave->FigureChanged(); }));
    Chain(ev.OnChangeEditStatus, [this](TComponent*) { FAutosave->FigureChanged(); });
    FAutosave->Bounds = [this] { return FFileUi->MainWindowBounds(); };
    // A release the graph window never saw must not hold the autosaves back for good.
    FAutosave->Dragging = [this] {
        return FFigure->Dragging() && QGuiApplication::mouseButtons() != Qt::NoButton;
    };
}

void TMainWindow::UpdateStatusIcons() {
    CountPermissionIcons(FIcons, *FFigure);
    UpdateAlignButtons();
    if (FStatus) FStatus->update();
}

void TMainWindow::UpdateAlignButtons() {
    const TDrawPolicy& p = FFigure->DrawPolicy;
    Action(QStringLiteral("AlignScales"))
        ->setIcon(StateIcon(AlignmentLook(true, p.SingleScaleX(), p.SingleScaleY())));
    Action(QStringLiteral("AlignPositions"))
        ->setIcon(StateIcon(AlignmentLook(false, p.SinglePosX(), p.SinglePosY())));
}

void TMainWindow::UpdateLegendCaption() {
    Action(QStringLiteral("LegendProps"))->setText(LegendActionCaption(FFigure->ShowLegend()));
}

// ---------------------------------------------------------------------------------------------
// Title, file name, status texts and the user's answers.

void TMainWindow::SetTitle(const QString& title) {
    setWindowTitle(title);
    FFigure->Caption = FileName();
}

QString TMainWindow::FileName() const {
    return FDocument->FileName().isEmpty() ? FPresetFileName : FDocument->FileName();
}

void TMainWindow::ForgetFile(const QString& presetName) {
    FDocument = std::make_unique<TFigureDocument>(*FFigure, *FFileUi);
    FPresetFileName = presetName;
}

void TMainWindow::ShowStatusText(int panel, const QString& text) {
    if (FStatus) FStatus->SetText(panel, text);
}

QString TMainWindow::PanelText(int panel) const {
    return FStatus->Text(panel);
}

bool TMainWindow::TextFieldHasFocus() const {
    QWidget* focus = QApplication::focusWidget();
    return qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) ||
           qobject_cast<QPlainTextEdit*>(focus) || qobject_cast<QAbstractSpinBox*>(focus);
}

TAnswer TMainWindow::AskUser(const QString& text, bool withCancel) {
    if (Ask) return Ask(text);
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel) buttons |= QMessageBox::Cancel;
    const auto button = QMessageBox::question(this, QStringLiteral("Внимание"), DialogText(text), buttons);
    if (button == QMessageBox::Yes) return TAnswer::Yes;
    if (button == QMessageBox::No) return TAnswer::No;
    return TAnswer::Cancel;
}

void TMainWindow::TellUser(const QString& text) {
    if (ShowMessage) return ShowMessage(text);
    QMessageBox::warning(this, QStringLiteral("Tarvelo"), DialogText(text));
}

// ---------------------------------------------------------------------------------------------
// Context menus and status-bar clicks.

void TMainWindow::ShowWindowMenu(const QPoint& globalPos) {
    FContextPoint = FGraphWidget->mapFromGlobal(globalPos);
    if (FFigure->ToolMode() == tmEdit)
        FNodeMenu->popup(globalPos);
    else
        FWindowMenu->popup(globalPos);
}

void TMainWindow::PrepareGraphMenu() {
    const TGraph* g = FFigure->GraphByIndex(FCurrentGraph);
    Action(QStringLiteral("SelectGraph"))->setChecked(g && g->Selected());
    Action(QStringLiteral("ShowGraphNodes"))->setChecked(g && g->ShowNodes());
}

void TMainWindow::ShowGraphMenu(int index, const QPoint& globalPos) {
    FCurrentGraph = index;
    PrepareGraphMenu();
    FGraphMenu->popup(globalPos);
}

void TMainWindow::StatusClicked(int panel, int item, Qt::MouseButton button, const QPoint& globalPos) {
    if (panel == 5) {
        TGraph* g = FFigure->GraphByIndex(item);
        if (!g) return;
        if (button == Qt::LeftButton)
            g->SetSelected(!g->Selected());
        else if (button == Qt::RightButton)
            ShowGraphMenu(item, globalPos);
        FStatus->update();
        return;
    }
    if (button != Qt::LeftButton) return;
    if (item == 2)
        FAxesIconMenu->popup(globalPos);
    else if (FIcons.Enabled)
        (item == 0 ? FScaleIconMenu : FMoveIconMenu)->popup(globalPos);
}

// ---------------------------------------------------------------------------------------------
// Keys and closing.

void TMainWindow::keyPressEvent(QKeyEvent* event) {
    const bool ctrlOrAlt = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    int key = event->key();
    if (key == Qt::Key_Escape) key = 27;
    const TKeyDecision decision = DecideKey(key, event->modifiers() & Qt::ShiftModifier, ctrlOrAlt,
                                            TextFieldHasFocus(), FFigure->ZoomMode(), FFigure->EditMode());
    if (decision.Action == TKeyAction::None) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    ApplyKey(*FFigure, decision);
    event->accept();
}

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip && !FHintsEnabled) return true;
    if (watched == FGraphWidget && event->type() == QEvent::KeyPress) {
        keyPressEvent(static_cast<QKeyEvent*>(event));
        return event->isAccepted();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (FPlotSized) return;
    // The bars' heights are known only now: the plot gets exactly its design size.
    FPlotSized = true;
    resize(size() + FPlotSize - FGraphWidget->size());
    if (const QScreen* screen = this->screen()) {
        const QRect desk = screen->availableGeometry();
        move(desk.left() + (desk.width() - width()) / 2, desk.top() + (desk.height() - height()) / 2);
    }
    KeepOnScreen();
}

void TMainWindow::KeepOnScreen() {
    const QRect frame = frameGeometry(), inner = geometry();
    const QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (!screen) screen = this->screen();
    if (!screen) return;
    const auto toRect = [](const QRect& r) {
        return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    };
    const TRect fitted = mainstate::FitOnScreen(toRect(frame), toRect(screen->availableGeometry()));
    const QMargins frameWidths(inner.left() - frame.left(), inner.top() - frame.top(),
                               frame.right() - inner.right(), frame.bottom() - inner.bottom());
    const QRect wanted =
        QRect(fitted.Left, fitted.Top, fitted.Width(), fitted.Height()).marginsRemoved(frameWidths);
    if (wanted != inner) setGeometry(wanted);
}

settings::TSettings TMainWindow::CurrentSettings() const {
    settings::TSettings values = settings::Capture(*FFigure);
    values.DblClickAction = DblClickAction;
    values.ExportColorScheme = ExportColorScheme;
    values.AskBeforeExit = AskBeforeExit;
    values.AutoSelectNewGraphs = AutoSelectNewGraphs;
    const QSize plot = PlotSize();
    values.PlotWidth = plot.width();
    values.PlotHeight = plot.height();
    return values;
}

void TMainWindow::ApplySettings(const settings::TSettings& values) {
    settings::Apply(values, *FFigure);
    DblClickAction = values.DblClickAction;
    ExportColorScheme = values.ExportColorScheme;
    AskBeforeExit = values.AskBeforeExit;
    AutoSelectNewGraphs = values.AutoSelectNewGraphs;
    UpdateStatusIcons();
    SetPlotSize({values.PlotWidth, values.PlotHeight});
}

QSize TMainWindow::PlotSize() const {
    return FPlotSized ? FGraphWidget->size() : FPlotSize;
}

void TMainWindow::SetPlotSize(const QSize& plot) {
    FPlotSize = plot;
    // Before the first showing the bars' heights are not known yet: showEvent sizes the window.
    if (!FPlotSized) return;
    resize(size() + plot - FGraphWidget->size());
    KeepOnScreen();
}

void TMainWindow::ReadFileSettings() {
    if (const std::optional<settings::TSettings> stored = settings::ReadUserStore(CurrentSettings()))
        ApplySettings(*stored);
}

bool TMainWindow::WriteFileSettings() {
    QString error;
    if (settings::WriteFile(settings::UserStoreFile(), CurrentSettings(), error)) return true;
    TellUser(error);
    return false;
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    const bool close = MayClose(
        FFigure->Modified(), AskBeforeExit, [this](const QString& q) { return AskUser(q); },
        [this] {
            FDocument->SaveFigure();
            return !FFigure->Modified();
        });
    if (close) {
        FAutosave->EndNormally();
        event->accept();
    } else {
        event->ignore();
    }
}
