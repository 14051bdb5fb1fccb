// The main window's commands as data, and its menus and tool bars built from them: one table of
// commands, then the places of the commands in the menu bar, the tool bars and the context menus.
#include "gui/jobs/JobRunner.h"
#include "gui/mainwindow/Icons.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/mainwindow/MainWindowCommands.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <functional>
#include <optional>
#include <span>

using namespace mainstate;

namespace {
using TRun = void (TMainCommands::*)();
using C = TMainCommands;
using enum TEnabledRule;

enum class TCheck {
    None,
    Checkable,
    Curve,        // one of the exclusive shift curves
    DefaultCurve, // the shift curve chosen at the start
};
using enum TCheck;

struct TCommand {
    const char* Name;
    const char* Caption;
    const char* Icon; // a theme icon's name
    const char* Keys; // the shortcuts in portable text, "; " between two
    TEnabledRule Enabled;
    TRun Run = nullptr; // none: a drop-down or a command without function
    TCheck Check = TCheck::None;
    const char* Hint = ""; // the tool tip where it is not the caption
};

const TCommand kCommands[] = {
    // Name, caption, icon, shortcuts, when enabled, what runs, check mark, hint.
    {"NewFigure", "Новый рисунок", "document-new", "Ctrl+N", Always, &C::NewFigure},
    {"OpenFigure", "Открыть рисунок", "document-open", "Ctrl+O", Always, &C::OpenFigure},
    {"SaveFigure", "Сохранить рисунок", "document-save", "Ctrl+S", Always, &C::SaveFigure},
    {"SaveAs", "Сохранить как", "document-save-as", "Ctrl+Shift+S", Always, &C::SaveAs},
    {"AddGraph", "Добавить график", "list-add", "Ctrl+A", Always, &C::AddGraphFromFiles},
    {"EmptyGraph", "Добавить пустой график", "", "", Always, &C::EmptyGraph},
    {"DelGraph", "Удалить график", "list-remove", "", WithGraphs},
    {"DeleteAllGraphsItem", "Удалить все графики", "", "", Always, &C::DeleteAllGraphs},
    {"SaveGraphs", "SaveGraphs", "document-export", "", Always, &C::SaveGraphs, None, "Сохранить графики"},
    {"SaveGraph", "Сохранить график", "document-save", "", Always, &C::SaveGraph},
    {"Print", "Распечатать...", "document-print", "Ctrl+Alt+P", Always, &C::Print},
    {"CopyToClipBoard", "Скопировать в буфер обмена", "edit-copy", "Ctrl+C", Always, &C::CopyToClipboard},
    {"SavePicture", "Сохранить изображение", "image-x-generic", "", Always, &C::SavePicture},
    {"Undo", "Отменить", "edit-undo", "Ctrl+Alt+Z; Alt+Backspace; Ctrl+Z", WithUndo, &C::Undo},
    {"Redo", "Восстановить", "edit-redo", "Ctrl+Shift+Z; Ctrl+Backspace", WithRedo, &C::Redo},
    {"RefreshScales", "Автомасштаб", "zoom-fit-best", "Ctrl+R", WithGraphs, &C::AutoScale},
    {"WindowScale", "Оконный масштаб", "zoom-window", "Ctrl+Alt+W", WithGraphs, &C::WindowZoom, Checkable},
    {"XAxisScale", "Растянуть по оси X", "zoom-x", "Ctrl+Alt+X", WithGraphs, &C::XZoom, Checkable},
    {"YAxisScale", "Растянуть по оси Y", "zoom-y", "Ctrl+Alt+Y", WithGraphs, &C::YZoom, Checkable},
    {"FitVertically", "Разместить по вертикали", "fit-vertically", "", Always, &C::FitVertically},
    {"FitHorizontally", "Разместить по горизонтали", "fit-horizontally", "", Always, &C::FitHorizontally},
    {"SaveAxes", "Сохранить параметры осей", "", "", Always, &C::SaveAxes},
    {"RestoreAxes", "Восстановить параметры осей", "", "", WithSavedAxes, &C::RestoreAxes},
    {"AlignScales", "Выровнять масштабы", "", "", Always},
    {"AlignPositions", "Выровнять смещение", "", "", Always},
    {"GraphProperties", "Свойства графиков", "document-properties", "", WithGraphs, &C::GraphProperties},
    {"CurGraphProps", "Свойства", "", "", Always, &C::CurGraphProps},
    {"ScaleSnap", "Масштаб и привязка", "scale-snap", "", WithGraphs, &C::ScaleSnap},
    {"GraphBinding", "Мастер привязки графиков", "", "", Always, &C::GraphBinding},
    {"CancelBinding", "Отменить привязку", "", "", Always, &C::CancelBinding},
    {"GoNodeEdit", "Работа с узлами", "node-edit", "", Always, &C::ToggleNodeWork, Checkable},
    {"SelectNodes", "Выбрать узлы", "nodes-select", "", NodeWork, &C::SelectNodes, Checkable},
    {"UnSelectNodes", "Снять выделение узлов", "nodes-unselect", "", NodeWork, &C::UnselectNodes},
    {"MoveNodes", "Смещение узлов", "nodes-move", "", NodeWork, &C::MoveNodes, Checkable},
    {"InsertNodes", "Добавление узлов", "nodes-insert", "", NodeWork, &C::InsertNodes, Checkable},
    {"DeleteNodes", "Удаление узлов", "nodes-delete", "", NodeWork, &C::DeleteNodes, Checkable},
    {"CutSelectedNodes", "Удалить выбранные узлы", "nodes-cut", "", NodeWork, &C::CutSelectedNodes},
    {"ShiftCurve", "Настройка смещения узлов", "shift-curve", "", Always},
    {"DoNotUseCurve", "Параллельно", "", "", Always, &C::NoShiftCurve, DefaultCurve},
    {"LinearCurve", "Линейная", "", "", Always, &C::LinearShiftCurve, Curve},
    {"Curve_1", "Кривая 1", "", "", Always, &C::ShiftCurve1, Curve},
    {"Curve_2", "Кривая 2", "", "", Always, &C::ShiftCurve2, Curve},
    {"Curve_3", "Кривая 3", "", "", Always, &C::ShiftCurve3, Curve},
    {"UserCurve", "Задать кривую...", "", "", Always, &C::UserCurve, Curve},
    {"Automarkers", "Расставить маркеры", "", "", Always, &C::PlaceMarkers},
    {"DelMarkers", "Удалить все маркеры", "", "", Always, &C::DeleteAllMarkers},
    {"Equation", "Калькулятор", "accessories-calculator", "", Always, &C::Calculator},
    {"Filtration", "Фильтрация", "filtration", "", WithGraphs, &C::Filtration},
    {"TableDataView", "Табличный просмотр", "x-office-spreadsheet", "", Always, &C::TableView},
    {"StatInfo", "i", "dialog-information", "", Always, &C::ShowStatistics},
    {"LegendProps", "", "", "", Always, &C::ToggleLegend}, // the caption follows the legend
    {"CaptionProps", "Подписи к рисунку", "", "", Always, &C::CaptionProps},
    {"ShowSettings", "Парметры программы", "preferences-system", "", Always, &C::ShowSettings},
    {"ReadFileSettings", "Загрузить настройки из файла", "", "", Always, &C::ReadFileSettings},
    {"WriteFileSettings", "Сохранить настройки в файле", "", "", Always, &C::WriteFileSettings},
    {"loadfromfile", "Загрузить настройки из файла", "", "", Always, &C::LoadSettingsFromFile},
    {"settofile", "Сохранить настройки в файле", "", "", Always, &C::SaveSettingsToFile},
    {"Paste", "Paste", "edit-paste", "Ctrl+V", Always, &C::Paste},
    {"CloseForm", "Закрыть Tarvelo", "application-exit", "Alt+X", Always, &C::Close},
    {"HelpContents", "Содержание", "help-contents", "F1", Always, &C::ShowHelp},
    {"HelpButton", "Справка", "help-contents", "", Always, &C::ShowHelp},
    {"About", "О программе...", "", "", Always, &C::ShowAbout},
    // The graph context menu's commands act on the current graph.
    {"SelectGraph", "Выбрать график", "", "", Always, &C::ToggleGraphSelection, Checkable},
    {"ShowGraphNodes", "Отображать узлы", "", "", Always, &C::ToggleGraphNodes, Checkable},
    {"GraphToTop", "На передний план", "", "", Always, &C::GraphToTop},
    {"GraphToBottom", "На задний план", "", "", Always, &C::GraphToBottom},
    {"GraphUp", "Переместить вперёд", "", "", Always, &C::GraphUp},
    {"GraphDown", "Переместить назад", "", "", Always, &C::GraphDown},
    {"GraphMarkers", "Расставить маркеры...", "", "", Always, &C::PlaceGraphMarkers},
    {"DelGraphMarkers", "Удалить все маркеры", "", "", Always, &C::DeleteGraphMarkers},
    {"GraphTable", "Табличный просмотр", "", "", Always, &C::GraphTableView},
    {"CloneGraph", "Клонировать", "", "", Always, &C::CloneGraph},
    {"DeleteGraph", "Удалить", "", "", Always, &C::DeleteGraph},
};

// One item of a menu or tool bar.
struct TPlace {
    enum class TKind { Separator, Command, SubMenu, Permissions };
    TKind Kind = TKind::Separator;
    const char* Name = nullptr;    // the command
    const char* Caption = nullptr; // a second item for the command with this caption; a sub-menu's caption
    TRun Step = nullptr;           // a second item for the command that runs this instead; for a
                                   // sub-menu, what runs before it opens
    std::span<const TPlace> Items; // the sub-menu's
    TPermissionTarget Target = TPermissionTarget::AllGraphs;

    constexpr TPlace() = default;
    constexpr TPlace(const char* name, const char* caption = nullptr, TRun step = nullptr)
        : Kind(TKind::Command), Name(name), Caption(caption), Step(step) {}
};
constexpr TPlace Separator{};
constexpr TPlace SubMenu(const char* caption, std::span<const TPlace> items, TRun beforeShow = nullptr) {
    TPlace place;
    place.Kind = TPlace::TKind::SubMenu;
    place.Caption = caption;
    place.Items = items;
    place.Step = beforeShow;
    return place;
}
// The sub-menus of the permissions (PermissionItems) for whom they apply to.
constexpr TPlace PermissionMenus(const char* caption, TPermissionTarget target) {
    TPlace place;
    place.Kind = TPlace::TKind::Permissions;
    place.Caption = caption;
    place.Target = target;
    return place;
}

// The layouts: a line for each group between separators.
// clang-format off
const TPlace kFileMenu[] = {
    "NewFigure", "OpenFigure", "SaveFigure", "SaveAs", Separator,
    "AddGraph", "EmptyGraph", "DelGraph", "DeleteAllGraphsItem", Separator,
    {"SaveGraphs", "Экспорт данных"}, "Print", Separator,
    "CloseForm",
};
const TPlace kEditMenu[] = {
    "Undo", "Redo", Separator,
    "CopyToClipBoard",
};
const TPlace kViewMenu[] = {
    "RefreshScales", "WindowScale", "XAxisScale", "YAxisScale", "FitVertically", "FitHorizontally", Separator,
    "CaptionProps", "LegendProps",
};
const TPlace kToolsMenu[] = {
    "Filtration", "Equation", "GoNodeEdit", "TableDataView", {"StatInfo", "Информация по графикам"},
    Separator,
    "Automarkers", "DelMarkers", Separator,
    "GraphBinding", "CancelBinding",
};
const TPlace kSettingsMenu[] = {"ShowSettings", "settofile", "loadfromfile"};
const TPlace kHelpMenu[] = {"HelpContents", "About"};
const struct {
    const char* Caption;
    std::span<const TPlace> Places;
} kMenuBar[] = {
    {"Файл ", kFileMenu}, {"Редактирование  ", kEditMenu}, {"Вид ", kViewMenu},
    {"Инструменты ", kToolsMenu}, {"Параметры ", kSettingsMenu}, {"Справка ", kHelpMenu},
};

const TPlace kMainBar[] = {
    "NewFigure", "OpenFigure", "SaveFigure", Separator,
    "AddGraph", "DelGraph", Separator,
    "SaveGraphs", "Print", "CopyToClipBoard", "SavePicture", Separator,
    "Undo", "Redo", "RefreshScales", "WindowScale", "XAxisScale", "YAxisScale", Separator,
    "AlignScales", "AlignPositions", "ScaleSnap", Separator,
    "Equation", "Filtration", "TableDataView", "GoNodeEdit", Separator,
    "GraphProperties", "ShowSettings", "HelpButton", "CloseForm",
};
// The node tool bar: right edge, vertical, shown only in node work.
const TPlace kNodeBar[] = {
    "SelectNodes", "UnSelectNodes", "MoveNodes", "InsertNodes", "DeleteNodes", "CutSelectedNodes",
    "ShiftCurve",
};
const TPlace kCurves[] = {"DoNotUseCurve", "LinearCurve", "Curve_1", "Curve_2", "Curve_3", "UserCurve"};

// Right click on the graph window outside the graphs.
const TPlace kWindowMenu[] = {
    "WindowScale", "XAxisScale", "YAxisScale", "RefreshScales", "FitVertically", "FitHorizontally", Separator,
    {"AddGraph", "Добавить график из файла"}, "DelGraph", "GraphBinding",
    {"LegendProps", nullptr, &C::ToggleLegendAtContextPoint}, Separator,
    "GoNodeEdit", Separator,
    PermissionMenus("Разрешить всем графикам...", TPermissionTarget::AllGraphs),
    PermissionMenus("Разрешить выбранным графикам...", TPermissionTarget::SelectedGraphs),
    "SaveAxes", "RestoreAxes", Separator,
    {"ShowSettings", "Параметры..."},
};
// Right click on a graph.
const TPlace kLayers[] = {"GraphToTop", "GraphToBottom", "GraphUp", "GraphDown"};
const TPlace kMarkers[] = {"GraphMarkers", "DelGraphMarkers"};
const TPlace kGraphMenu[] = {
    "SelectGraph", "ShowGraphNodes", SubMenu("Изменить слой", kLayers), SubMenu("Маркеры...", kMarkers),
    "GraphTable", "SaveGraph", "CloneGraph", "DeleteGraph", Separator,
    PermissionMenus("Разрешить этому графику...", TPermissionTarget::Graph),
    PermissionMenus("Разрешить только этому графику...", TPermissionTarget::OnlyGraph), Separator,
    "CurGraphProps",
};
// Right click on the graph window in node work.
const TPlace kNodeMenu[] = {
    "SelectNodes", "UnSelectNodes", "MoveNodes", "InsertNodes", "DeleteNodes", "CutSelectedNodes",
    SubMenu("Настройка смещения улзов", kCurves, &C::EndInsertOrDelete), Separator,
    "GoNodeEdit", "Undo", "Redo", "WindowScale", "XAxisScale", "YAxisScale",
};
// clang-format on

// The menus of the status icons and the alignment drop-downs: a choice along X and along Y.
struct TAxesChoice {
    const char* Caption;
    bool X, Y;
};
const TAxesChoice kScaleIconChoices[] = {{"Масштабирование по X и Y", true, true},
                                         {"Масштабирование по X", true, false},
                                         {"Масштабирование по Y", false, true},
                                         {"Не масштабировать графики", false, false}};
const TAxesChoice kMoveIconChoices[] = {{"Смещение по X и Y", true, true},
                                        {"Смещение по X", true, false},
                                        {"Смещение по Y", false, true},
                                        {"Не смещать графики", false, false}};
const TAxesChoice kAxesIconChoices[] = {{"Группировать оси по Х и Y", true, true},
                                        {"Группировать оси по Х", true, false},
                                        {"Группировать оси по Y", false, true},
                                        {"Не группировать оси", false, false}};
const TAxesChoice kAlignScaleChoices[] = {{"Не выравнивать масштабы", false, false},
                                          {"Выровнять масштабы по X", true, false},
                                          {"Выровнять масштабы по Y", false, true},
                                          {"Выровнять масштабы по X и Y", true, true}};
const TAxesChoice kAlignPositionChoices[] = {{"Не выравнивать смещение", false, false},
                                             {"Выровнять смещение по X", true, false},
                                             {"Выровнять смещение по Y", false, true},
                                             {"Выровнять смещение по X и Y", true, true}};

// A menu of axes choices; each item applies its (X, Y). With icons, each shows its alignment.
QMenu* ChoiceMenu(QWidget* parent, std::span<const TAxesChoice> choices,
                  const std::function<void(bool x, bool y)>& apply, std::optional<bool> alignScales = {}) {
    auto* menu = new QMenu(parent);
    for (const TAxesChoice& choice : choices) {
        QAction* item = menu->addAction(QString::fromUtf8(choice.Caption));
        if (alignScales) item->setIcon(StateIcon(AlignmentLook(*alignScales, choice.X, choice.Y)));
        QObject::connect(item, &QAction::triggered, parent,
                         [apply, x = choice.X, y = choice.Y] { apply(x, y); });
    }
    return menu;
}

// Fills menus and tool bars with the places of the window's commands.
class TMenuBuilder {
public:
    TMenuBuilder(TMainWindow& window, TMainCommands& commands) : W(window), C(commands) {}

    void Fill(QMenu* menu, std::span<const TPlace> places) const {
        for (const TPlace& place : places) {
            switch (place.Kind) {
            case TPlace::TKind::Separator:
                menu->addSeparator();
                break;
            case TPlace::TKind::Command:
                menu->addAction(place.Caption || place.Step ? Alias(place)
                                                            : W.Action(QString::fromUtf8(place.Name)));
                break;
            case TPlace::TKind::SubMenu: {
                QMenu* sub = menu->addMenu(QString::fromUtf8(place.Caption));
                Fill(sub, place.Items);
                if (place.Step) QObject::connect(sub, &QMenu::aboutToShow, &W, Runner(place.Step));
                break;
            }
            case TPlace::TKind::Permissions:
                AddPermissionMenus(menu, place);
                break;
            }
        }
    }

    // A command with a drop-down shows it at once.
    void Fill(QToolBar* bar, std::span<const TPlace> places) const {
        for (const TPlace& place : places) {
            if (place.Kind == TPlace::TKind::Separator) {
                bar->addSeparator();
                continue;
            }
            QAction* action = W.Action(QString::fromUtf8(place.Name));
            bar->addAction(action);
            if (auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
                button && action->menu())
                button->setPopupMode(QToolButton::InstantPopup);
        }
    }

    QMenu* Menu(std::span<const TPlace> places, TRun beforeShow = nullptr) const {
        auto* menu = new QMenu(&W);
        Fill(menu, places);
        if (beforeShow) QObject::connect(menu, &QMenu::aboutToShow, &W, Runner(beforeShow));
        return menu;
    }

    std::function<void()> Runner(TRun run) const {
        return [&commands = C, run] { (commands.*run)(); };
    }

private:
    // A second menu item for a command: its own caption (the command's own when none) and the
    // command's state; it runs the step instead of the command when there is one.
    QAction* Alias(const TPlace& place) const {
        QAction* source = W.Action(QString::fromUtf8(place.Name));
        const bool ownCaption = place.Caption != nullptr;
        auto* alias =
            new QAction(source->icon(), ownCaption ? QString::fromUtf8(place.Caption) : source->text(), &W);
        alias->setEnabled(source->isEnabled());
        alias->setToolTip(source->toolTip());
        const std::function<void()> step = place.Step ? Runner(place.Step) : std::function<void()>();
        QObject::connect(alias, &QAction::triggered, source, [source, step] {
            if (step)
                step();
            else
                source->trigger();
        });
        QObject::connect(source, &QAction::changed, alias, [alias, source, ownCaption] {
            alias->setEnabled(source->isEnabled());
            alias->setVisible(source->isVisible());
            if (!ownCaption) alias->setText(source->text());
        });
        return alias;
    }

    void AddPermissionMenus(QMenu* parent, const TPlace& place) const {
        QMenu* menu = parent->addMenu(QString::fromUtf8(place.Caption));
        QMenu* group = nullptr;
        QString groupName;
        for (const TPermissionItem& item : PermissionItems()) {
            QMenu* target = menu;
            if (!item.Group.isEmpty()) {
                if (item.Group != groupName) {
                    groupName = item.Group;
                    group = menu->addMenu(item.Group);
                }
                target = group;
            } else {
                menu->addSeparator();
            }
            QObject::connect(target->addAction(item.Caption), &QAction::triggered, &W,
                             [&window = W, whom = place.Target, flags = item.Flags] {
                                 ApplyPermissions(window.Figure(), whom, window.CurrentGraph(), flags);
                             });
        }
    }

    TMainWindow& W;
    TMainCommands& C;
};

// The tool tip of a command that has a shortcut names it.
void AddShortcutToToolTip(QAction* action) {
    if (action->toolTip() == action->text() && action->shortcut() != QKeySequence())
        action->setToolTip(action->text() + QStringLiteral(" (") +
                           action->shortcut().toString(QKeySequence::NativeText) + QLatin1Char(')'));
}
} // namespace

void TMainWindow::CreateActions() {
    auto* curves = new QActionGroup(this);
    curves->setExclusive(true);
    const TMenuBuilder builder(*this, *FCommands);
    for (const TCommand& command : kCommands) {
        auto* action = new QAction(QString::fromUtf8(command.Caption), this);
        action->setObjectName(QString::fromUtf8(command.Name));
        action->setStatusTip(QString());
        if (*command.Icon) action->setIcon(ThemedIcon(QString::fromUtf8(command.Icon)));
        if (*command.Keys)
            action->setShortcuts(QKeySequence::listFromString(QString::fromUtf8(command.Keys)));
        action->setCheckable(command.Check != TCheck::None);
        action->setChecked(command.Check == TCheck::DefaultCurve);
        if (command.Check == TCheck::Curve || command.Check == TCheck::DefaultCurve)
            curves->addAction(action);
        if (command.Run) connect(action, &QAction::triggered, this, builder.Runner(command.Run));
        if (*command.Hint) action->setToolTip(QString::fromUtf8(command.Hint));
        AddShortcutToToolTip(action);
        addAction(action);
        FCommandActions.append(action);
    }
    // The drop-downs of the commands without a function of their own.
    FDeleteMenu = new QMenu(this);
    connect(FDeleteMenu, &QMenu::aboutToShow, this, &TMainWindow::RebuildDeleteMenu);
    Action(QStringLiteral("DelGraph"))->setMenu(FDeleteMenu);
    TDrawPolicy& policy = FFigure->DrawPolicy;
    Action(QStringLiteral("AlignScales"))
        ->setMenu(ChoiceMenu(
            this, kAlignScaleChoices, [&policy](bool x, bool y) { policy.AlignScales(x, y); }, true));
    Action(QStringLiteral("AlignPositions"))
        ->setMenu(ChoiceMenu(
            this, kAlignPositionChoices, [&policy](bool x, bool y) { policy.AlignPositions(x, y); }, false));
    Action(QStringLiteral("ShiftCurve"))->setMenu(builder.Menu(kCurves, &C::EndInsertOrDelete));
}

void TMainWindow::UpdateCommandStates() {
    const TCommandState state{
        FFigure->GraphCount() > 0, FFigure->HaveUndo(), FFigure->HaveRedo(),          FAxesSaved,
        FFigure->ToolMode(),       FFigure->ZoomMode(), TJobRunner::Instance().Busy()};
    for (qsizetype i = 0; i < FCommandActions.size(); ++i)
        FCommandActions[i]->setEnabled(CommandEnabled(kCommands[i].Enabled, state));
    // An opened or new figure brings its legend without a change event.
    UpdateLegendCaption();
    FIcons.Enabled = state.Graphs;
    if (FStatus) FStatus->update();
}

void TMainWindow::CreateMenus() {
    const TMenuBuilder builder(*this, *FCommands);
    for (const auto& menu : kMenuBar)
        builder.Fill(menuBar()->addMenu(QString::fromUtf8(menu.Caption)), menu.Places);
}

void TMainWindow::CreateContextMenus() {
    const TMenuBuilder builder(*this, *FCommands);
    FWindowMenu = builder.Menu(kWindowMenu);
    FGraphMenu = builder.Menu(kGraphMenu);
    FNodeMenu = builder.Menu(kNodeMenu);
    TSuperGrWindow& w = *FFigure;
    FScaleIconMenu = ChoiceMenu(this, kScaleIconChoices, [this, &w](bool x, bool y) {
        w.DrawPolicy.SetAllowScale(x, y);
        FStatus->update();
    });
    FMoveIconMenu = ChoiceMenu(this, kMoveIconChoices, [this, &w](bool x, bool y) {
        w.DrawPolicy.SetAllowPos(x, y);
        FStatus->update();
    });
    FAxesIconMenu = ChoiceMenu(this, kAxesIconChoices, [&w](bool x, bool y) { w.SetCombineAxes(x, y); });
}

void TMainWindow::CreateToolBars() {
    const TMenuBuilder builder(*this, *FCommands);
    FMainBar = addToolBar(QStringLiteral("Главная панель"));
    FMainBar->setObjectName(QStringLiteral("MainToolBar"));
    FMainBar->setMovable(false);
    FMainBar->setIconSize(QSize(18, 18));
    builder.Fill(FMainBar, kMainBar);
    UpdateAlignButtons();

    FNodeBar = new QToolBar(QStringLiteral("Узлы"), this);
    FNodeBar->setObjectName(QStringLiteral("NodeToolBar"));
    FNodeBar->setOrientation(Qt::Vertical);
    FNodeBar->setMovable(false);
    FNodeBar->setIconSize(QSize(18, 18));
    addToolBar(Qt::RightToolBarArea, FNodeBar);
    builder.Fill(FNodeBar, kNodeBar);
    FNodeBar->hide();
}

void TMainWindow::RebuildDeleteMenu() {
    FDeleteMenu->clear();
    for (int i = 0; i < FFigure->GraphCount(); ++i) {
        const int32_t id = FFigure->GraphByIndex(i)->ID;
        connect(FDeleteMenu->addAction(FFigure->GraphByIndex(i)->Name()), &QAction::triggered, this,
                [this, id] { FFigure->DeleteGraph(FFigure->IndexOfGraphID(id)); });
    }
    FDeleteMenu->addSeparator();
    connect(FDeleteMenu->addAction(QStringLiteral("Удалить все графики")), &QAction::triggered, this,
            [this] { FFigure->DeleteAllGraphs(); });
    connect(FDeleteMenu->addAction(QStringLiteral("Удалить выбранные графики")), &QAction::triggered, this,
            [this] { FFigure->DeleteSelectedGraphs(); });
}
