#include "export/CommandLine.h"
#include "gui/addgraphs/AddGraphsDialog.h"
#include "gui/captions/CaptionEditor.h"
#include "gui/graphlist/GraphListWindow.h"
#include "gui/graphwindow/GraphWindowWidget.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/tableview/TableViewWindow.h"
#include "model/Graph.h"
#include "tests/common/TestData.h"

#include <QMenuBar>
#include <QScreen>

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

using mainstate::TAnswer;

namespace {
using testutil::Ramp;

struct MainWindowTest : ::testing::Test {
    TMainWindow window;
    QStringList questions;
    TAnswer answer = TAnswer::Cancel;
    QStringList messages;

    MainWindowTest() {
        window.Ask = [this](const QString& q) {
            questions.append(q);
            return answer;
        };
        window.ShowMessage = [this](const QString& m) { messages.append(m); };
    }
    void Add(const QString& name = {}) {
        window.Figure().AddGraph(name, false, {}, Ramp(11), Ramp(11, 0, 2));
    }
    QAction* A(const char* name) {
        QAction* a = window.Action(QString::fromUtf8(name));
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
};

QString Keys(QAction* a) {
    QStringList keys;
    for (const QKeySequence& k : a->shortcuts())
        keys.append(k.toString(QKeySequence::PortableText));
    return keys.join(QLatin1Char('|'));
}
} // namespace

TEST_F(MainWindowTest, StartUpState) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tarvelo - Untitled.tvq"));
    EXPECT_EQ(window.FileName(), QStringLiteral("Untitled.tvq"));
    EXPECT_FALSE(window.HasFileName());
    EXPECT_EQ(window.Figure().Caption, QStringLiteral("Untitled.tvq"));
    EXPECT_EQ(window.CurrentGraph(), -1);
    EXPECT_EQ(window.DblClickAction, 5);
    EXPECT_EQ(window.ExportColorScheme, 0);
    EXPECT_TRUE(window.AskBeforeExit);
    EXPECT_FALSE(window.AutoSelectNewGraphs);
    // Reading the stored settings counted the permissions: no graph allows anything yet.
    EXPECT_EQ(window.ScaleIcon(), 17);
    EXPECT_EQ(window.MoveIcon(), 8);
    EXPECT_EQ(window.AxesIcon(), 18);
    EXPECT_FALSE(window.StatusIconsEnabled());
    EXPECT_FALSE(window.NodeToolBar()->isVisibleTo(&window));
    // The default look is applied.
    EXPECT_EQ(window.Figure().GridSizeX(), 74);
}

TEST_F(MainWindowTest, ThePlotGetsItsDesignSize) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.GraphWidget()->size(), QSize(850, 500));
}

// A stored plot of 10000 × 10000 pixels leaves the whole window, its menu included, on the screen:
// when the stored settings are read at start-up and when a settings file is read later.
TEST(MainWindowPlacement, AHugeStoredPlotSizeIsClampedToTheScreen) {
    QTemporaryDir config;
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QString error;
    ASSERT_TRUE(settings::WriteIniFile(settings::UserStoreFile(),
                                       TIniDocument::Parse("[Common]\nPlot width=10000\nPlot height=10000\n"),
                                       error));
    {
        TMainWindow window;
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        const QRect desk = window.screen()->availableGeometry();
        const auto onScreen = [&] {
            EXPECT_TRUE(desk.contains(window.frameGeometry())) << window.frameGeometry().width();
            EXPECT_TRUE(desk.contains(window.menuBar()->mapToGlobal(QPoint(0, 0))));
        };
        onScreen();
        settings::TSettings values = window.CurrentSettings();
        values.PlotWidth = values.PlotHeight = 10000;
        window.ApplySettings(values);
        onScreen();
        values.PlotWidth = 300;
        values.PlotHeight = 200;
        window.ApplySettings(values); // a size that fits is kept exactly
        EXPECT_EQ(window.GraphWidget()->size(), QSize(300, 200));
        onScreen();
    }
    qputenv("XDG_CONFIG_HOME", savedConfig);
}

TEST_F(MainWindowTest, ActionsWithCaptionsShortcutsAndInitialStates) {
    const struct {
        const char* name;
        const char* caption;
        const char* keys;
        bool enabled;
    } table[] = {
        {"NewFigure", "Новый рисунок", "Ctrl+N", true},
        {"OpenFigure", "Открыть рисунок", "Ctrl+O", true},
        {"SaveFigure", "Сохранить рисунок", "Ctrl+S", true},
        {"SaveAs", "Сохранить как", "Ctrl+Shift+S", true},
        {"AddGraph", "Добавить график", "Ctrl+A", true},
        {"EmptyGraph", "Добавить пустой график", "", true},
        {"DelGraph", "Удалить график", "", false},
        {"CopyToClipBoard", "Скопировать в буфер обмена", "Ctrl+C", true},
        {"SavePicture", "Сохранить изображение", "", true},
        {"Undo", "Отменить", "Ctrl+Alt+Z|Alt+Backspace|Ctrl+Z", false},
        {"Redo", "Восстановить", "Ctrl+Shift+Z|Ctrl+Backspace", false},
        {"RefreshScales", "Автомасштаб", "Ctrl+R", false},
        {"WindowScale", "Оконный масштаб", "Ctrl+Alt+W", false},
        {"XAxisScale", "Растянуть по оси X", "Ctrl+Alt+X", false},
        {"YAxisScale", "Растянуть по оси Y", "Ctrl+Alt+Y", false},
        {"FitVertically", "Разместить по вертикали", "", true},
        {"FitHorizontally", "Разместить по горизонтали", "", true},
        {"SaveAxes", "Сохранить параметры осей", "", true},
        {"RestoreAxes", "Восстановить параметры осей", "", false},
        {"CancelBinding", "Отменить привязку", "", true},
        {"GoNodeEdit", "Работа с узлами", "", true},
        {"SelectNodes", "Выбрать узлы", "", true},
        {"MoveNodes", "Смещение узлов", "", true},
        {"InsertNodes", "Добавление узлов", "", true},
        {"DeleteNodes", "Удаление узлов", "", true},
        {"UnSelectNodes", "Снять выделение узлов", "", true},
        {"CutSelectedNodes", "Удалить выбранные узлы", "", true},
        {"DoNotUseCurve", "Параллельно", "", true},
        {"LinearCurve", "Линейная", "", true},
        {"Curve_1", "Кривая 1", "", true},
        {"Curve_2", "Кривая 2", "", true},
        {"Curve_3", "Кривая 3", "", true},
        {"DelMarkers", "Удалить все маркеры", "", true},
        {"LegendProps", "Показать легенду", "", true},
        {"Paste", "Paste", "Ctrl+V", true},
        {"CloseForm", "Закрыть Tarvelo", "Alt+X", true},
        {"ShowSettings", "Парметры программы", "", true},
        {"ReadFileSettings", "Загрузить настройки из файла", "", true},
        {"WriteFileSettings", "Сохранить настройки в файле", "", true},
        {"loadfromfile", "Загрузить настройки из файла", "", true},
        {"settofile", "Сохранить настройки в файле", "", true},
        {"Print", "Распечатать...", "Ctrl+Alt+P", true},
        {"GraphProperties", "Свойства графиков", "", false},
        {"CurGraphProps", "Свойства", "", true},
        {"SaveGraphs", "SaveGraphs", "", true},
        {"SaveGraph", "Сохранить график", "", true},
        {"ScaleSnap", "Масштаб и привязка", "", false},
        {"GraphBinding", "Мастер привязки графиков", "", true},
        {"Automarkers", "Расставить маркеры", "", true},
        {"Equation", "Калькулятор", "", true},
        {"Filtration", "Фильтрация", "", false},
        {"TableDataView", "Табличный просмотр", "", true},
        {"StatInfo", "i", "", true},
        {"CaptionProps", "Подписи к рисунку", "", true},
        {"UserCurve", "Задать кривую...", "", true},
    };
    for (const auto& row : table) {
        QAction* a = A(row.name);
        if (!a) continue;
        EXPECT_EQ(a->text(), QString::fromUtf8(row.caption)) << row.name;
        EXPECT_EQ(Keys(a), QString::fromUtf8(row.keys)) << row.name;
        EXPECT_EQ(a->isEnabled(), row.enabled) << row.name;
    }
    for (const char* name : {"WindowScale", "XAxisScale", "YAxisScale"}) {
        EXPECT_TRUE(A(name)->isCheckable());
        EXPECT_FALSE(A(name)->isChecked());
    }
    EXPECT_TRUE(A("DoNotUseCurve")->isChecked());
    EXPECT_FALSE(A("LinearCurve")->isChecked());
}

TEST_F(MainWindowTest, GraphDependentCommandsFollowTheGraphs) {
    Add();
    for (const char* name : {"RefreshScales", "DelGraph", "WindowScale", "XAxisScale", "YAxisScale", "Undo",
                             "Filtration", "GraphProperties", "ScaleSnap"})
        EXPECT_TRUE(A(name)->isEnabled()) << name;
    EXPECT_FALSE(A("Redo")->isEnabled());
    EXPECT_TRUE(window.StatusIconsEnabled());
    window.SetCurrentGraph(0);
    window.Figure().DeleteGraph(0);
    for (const char* name : {"RefreshScales", "DelGraph", "WindowScale", "XAxisScale", "YAxisScale",
                             "Filtration", "GraphProperties", "ScaleSnap"})
        EXPECT_FALSE(A(name)->isEnabled()) << name;
    EXPECT_TRUE(A("Undo")->isEnabled());
    EXPECT_FALSE(window.StatusIconsEnabled());
    EXPECT_EQ(window.CurrentGraph(), -1);
}

// The graph context menu's table view shows that graph; the window gives the handlers back on closing.
TEST_F(MainWindowTest, GraphTableShowsTheCurrentGraph) {
    Add(QStringLiteral("a"));
    Add(QStringLiteral("b"));
    window.SetCurrentGraph(1);
    A("GraphTable")->trigger();
    auto* table = window.findChild<TTableViewWindow*>();
    ASSERT_NE(table, nullptr);
    EXPECT_TRUE(table->isVisible());
    EXPECT_EQ(table->View().Selection().Graph(), window.Figure().GraphByIndex(1));
    EXPECT_EQ(table->View().Data.Column(1), Ramp(11, 0, 2));
}

TEST_F(MainWindowTest, CurrentGraphIsClampedAfterADelete) {
    Add();
    Add();
    Add();
    window.SetCurrentGraph(2);
    window.Figure().DeleteGraph(0);
    EXPECT_EQ(window.CurrentGraph(), 1);
}

TEST_F(MainWindowTest, UndoAndRedoActionsWork) {
    Add(QStringLiteral("one"));
    window.Figure().GraphByIndex(0)->SetName(QStringLiteral("renamed"));
    A("Undo")->trigger();
    EXPECT_EQ(window.Figure().GraphByIndex(0)->Name(), QStringLiteral("one"));
    EXPECT_TRUE(A("Redo")->isEnabled());
    A("Undo")->trigger();
    EXPECT_EQ(window.Figure().GraphCount(), 0);
    EXPECT_FALSE(A("Undo")->isEnabled());
    EXPECT_FALSE(A("RefreshScales")->isEnabled());
    A("Redo")->trigger();
    A("Redo")->trigger();
    ASSERT_EQ(window.Figure().GraphCount(), 1);
    EXPECT_EQ(window.Figure().GraphByIndex(0)->Name(), QStringLiteral("renamed"));
    EXPECT_FALSE(A("Redo")->isEnabled());
    EXPECT_TRUE(A("RefreshScales")->isEnabled());
}

TEST_F(MainWindowTest, StatusPanelsFollowTheWindow) {
    Add();
    EXPECT_EQ(window.PanelText(1), QStringLiteral("*"));
    window.Figure().SetModified(false);
    EXPECT_EQ(window.PanelText(1), QString());

    window.Figure().SetToolMode(tmEdit);
    EXPECT_EQ(window.PanelText(3), QStringLiteral("работа с узлами"));
    EXPECT_TRUE(A("GoNodeEdit")->isChecked());
    EXPECT_TRUE(window.NodeToolBar()->isVisibleTo(&window));
    window.Figure().SetEditMode(emSelect);
    EXPECT_EQ(window.PanelText(4), QStringLiteral("выбрать узлы"));
    EXPECT_TRUE(A("SelectNodes")->isChecked());
    A("MoveNodes")->trigger();
    EXPECT_EQ(window.Figure().EditMode(), emMove);
    EXPECT_FALSE(A("SelectNodes")->isChecked());
    EXPECT_EQ(window.PanelText(4), QStringLiteral("редактировать узлы"));

    A("GoNodeEdit")->trigger();
    EXPECT_EQ(window.Figure().ToolMode(), tmNothing);
    EXPECT_EQ(window.Figure().EditMode(), emNothing);
    EXPECT_EQ(window.PanelText(3), QString());
    EXPECT_EQ(window.PanelText(4), QString());
    EXPECT_FALSE(A("GoNodeEdit")->isChecked());
    EXPECT_FALSE(window.NodeToolBar()->isVisibleTo(&window));

    window.Figure().Events.OnNewCoords(&window.Figure(), 100, 100);
    EXPECT_TRUE(window.PanelText(0).startsWith(QStringLiteral(" X= ")));
    window.Figure().DeleteAllGraphs();
    EXPECT_EQ(window.PanelText(0), QString());
}

TEST_F(MainWindowTest, NodeWorkIsLeftAloneFromOtherToolModes) {
    window.Figure().SetToolMode(tmMove);
    A("GoNodeEdit")->trigger();
    EXPECT_EQ(window.Figure().ToolMode(), tmMove);
    EXPECT_FALSE(A("GoNodeEdit")->isChecked());
}

TEST_F(MainWindowTest, ZoomCommandsAndNodeCommands) {
    Add();
    A("XAxisScale")->trigger();
    EXPECT_EQ(window.Figure().ZoomMode(), zmZoomXStart);
    EXPECT_TRUE(A("XAxisScale")->isChecked());
    A("WindowScale")->trigger();
    EXPECT_EQ(window.Figure().ZoomMode(), zmZoomWndStart);
    EXPECT_FALSE(A("XAxisScale")->isChecked());
    EXPECT_TRUE(A("WindowScale")->isChecked());
    A("WindowScale")->trigger();
    EXPECT_EQ(window.Figure().ZoomMode(), zmNone);
    EXPECT_FALSE(A("WindowScale")->isChecked());

    window.Figure().SetToolMode(tmEdit);
    window.Figure().SetZoomMode(zmZoomYStart);
    EXPECT_TRUE(A("YAxisScale")->isChecked());
    EXPECT_FALSE(A("SelectNodes")->isEnabled());
    window.Figure().SetZoomMode(zmNone);
    EXPECT_TRUE(A("SelectNodes")->isEnabled());
}

TEST_F(MainWindowTest, StateIconsFollowThePermissions) {
    Add();
    Add();
    EXPECT_EQ(window.ScaleIcon(), 9);
    EXPECT_EQ(window.MoveIcon(), 0);
    window.Figure().DrawPolicy.SetAllowScale(true, false);
    EXPECT_EQ(window.ScaleIcon(), 13);
    window.Figure().DrawPolicy.SetAllowPos(false, false);
    EXPECT_EQ(window.MoveIcon(), 8);
    // Without common alignment each graph's permissions are its own.
    window.Figure().DrawPolicy.AlignScales(false, false);
    window.Figure().DrawPolicy.AlignPositions(false, false);
    window.Figure().GraphByIndex(0)->SetPermissions(true, false, true, true);
    EXPECT_EQ(window.ScaleIcon(), 12);
    EXPECT_EQ(window.MoveIcon(), 6);
    window.Figure().SetCombineAxes(false, true);
    EXPECT_EQ(window.AxesIcon(), 19);
    window.Figure().SetCombineAxes(true, false);
    EXPECT_EQ(window.AxesIcon(), 20);
}

TEST_F(MainWindowTest, StatusIconMenus) {
    Add();
    Add();
    TSuperGrWindow& f = window.Figure();
    QList<QAction*> scale = window.StatusIconMenu(0)->actions();
    ASSERT_EQ(scale.size(), 4);
    EXPECT_EQ(scale[1]->text(), QStringLiteral("Масштабирование по X"));
    scale[1]->trigger();
    EXPECT_TRUE(f.GraphByIndex(0)->AllowScaleX());
    EXPECT_FALSE(f.GraphByIndex(1)->AllowScaleY());
    EXPECT_EQ(window.ScaleIcon(), 13);
    QList<QAction*> move = window.StatusIconMenu(1)->actions();
    EXPECT_EQ(move[3]->text(), QStringLiteral("Не смещать графики"));
    move[3]->trigger();
    EXPECT_EQ(window.MoveIcon(), 8);
    move[2]->trigger();
    EXPECT_EQ(window.MoveIcon(), 5);
    QList<QAction*> axes = window.StatusIconMenu(2)->actions();
    EXPECT_EQ(axes[0]->text(), QStringLiteral("Группировать оси по Х и Y"));
    axes[3]->trigger();
    EXPECT_FALSE(f.CombineXAxis());
    EXPECT_FALSE(f.CombineYAxis());
    EXPECT_EQ(window.AxesIcon(), 21);
}

TEST_F(MainWindowTest, PermissionMenusOfTheWindowMenu) {
    Add();
    Add();
    TSuperGrWindow& f = window.Figure();
    f.DrawPolicy.AlignScales(false, false);
    f.DrawPolicy.AlignPositions(false, false);
    f.GraphByIndex(1)->SetSelected(true);
    QMenu* selected = nullptr;
    for (QAction* a : window.WindowMenu()->actions())
        if (a->text() == QStringLiteral("Разрешить выбранным графикам...")) selected = a->menu();
    ASSERT_NE(selected, nullptr);
    // "Запретить всё" for the selected graph only.
    selected->actions().last()->trigger();
    EXPECT_FALSE(f.GraphByIndex(1)->AllowShiftX());
    EXPECT_FALSE(f.GraphByIndex(1)->AllowScaleY());
    EXPECT_TRUE(f.GraphByIndex(0)->AllowShiftX());
    // "Только смещение" / "X" for the selected graph.
    QMenu* shiftOnly = selected->actions()[1]->menu();
    ASSERT_NE(shiftOnly, nullptr);
    shiftOnly->actions()[1]->trigger();
    EXPECT_TRUE(f.GraphByIndex(1)->AllowShiftX());
    EXPECT_FALSE(f.GraphByIndex(1)->AllowShiftY());
    EXPECT_FALSE(f.GraphByIndex(1)->AllowScaleX());
}

TEST_F(MainWindowTest, EscapeAndPanKeys) {
    Add();
    window.Figure().SetZoomMode(zmZoomWndStart);
    QTest::keyClick(window.GraphWidget(), Qt::Key_Escape);
    EXPECT_EQ(window.Figure().ZoomMode(), zmNone);
    window.Figure().SetZoomMode(zmZoomWndFinish);
    QTest::keyClick(window.GraphWidget(), Qt::Key_Escape);
    EXPECT_EQ(window.Figure().ZoomMode(), zmZoomWndFinish);
    window.Figure().SetZoomMode(zmNone);

    TGraph* g = window.Figure().GraphByIndex(0);
    window.Figure().PrepareForPaint(window.Figure().ClientRect());
    const Extended before = g->Mapping.ShiftX;
    QTest::keyClick(window.GraphWidget(), Qt::Key_C);
    EXPECT_LT(g->Mapping.ShiftX, before);
    const Extended afterPan = g->Mapping.ShiftX;
    QTest::keyClick(window.GraphWidget(), Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(g->Mapping.ShiftX, afterPan);
}

TEST_F(MainWindowTest, ClosingAsksOnlyWithUnsavedChanges) {
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(questions.isEmpty());
}

TEST_F(MainWindowTest, ClosingCancelledStaysOpen) {
    Add();
    answer = TAnswer::Cancel;
    EXPECT_FALSE(window.close());
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(
        questions[0],
        QStringLiteral("Имеются несохранённые данные.\rХотите сохранить их перед закрытием программы?"));
    answer = TAnswer::No;
    EXPECT_TRUE(window.close());
}

TEST_F(MainWindowTest, ClosingWithYesAndACancelledSaveDialogStaysOpen) {
    Add();
    answer = TAnswer::Yes;
    QString preset;
    window.ChooseSaveFile = [&](const QString& p) {
        preset = p;
        return QString();
    };
    EXPECT_FALSE(window.close());
    EXPECT_EQ(preset, QStringLiteral("Untitled.tvq"));
}

TEST_F(MainWindowTest, ClosingWithYesSavesThenCloses) {
    QTemporaryDir dir;
    Add();
    answer = TAnswer::Yes;
    const QString path = dir.filePath(QStringLiteral("figure.tvq"));
    window.ChooseSaveFile = [&](const QString&) { return path; };
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(window.Figure().Modified());
}

TEST_F(MainWindowTest, ClosingWithoutAskingWhenSwitchedOff) {
    Add();
    window.AskBeforeExit = false;
    EXPECT_TRUE(window.close());
    EXPECT_TRUE(questions.isEmpty());
}

TEST_F(MainWindowTest, SaveAndOpenFlows) {
    QTemporaryDir dir;
    Add(QStringLiteral("kept"));
    const QString path = dir.filePath(QStringLiteral("a.tvq"));
    window.ChooseSaveFile = [&](const QString&) { return path; };
    A("SaveFigure")->trigger();
    EXPECT_TRUE(window.HasFileName());
    EXPECT_EQ(window.FileName(), path);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tarvelo - ") + path);
    EXPECT_EQ(window.Figure().Caption, path);
    EXPECT_FALSE(window.Figure().Modified());
    EXPECT_EQ(window.PanelText(1), QString());

    // "New figure": No keeps everything.
    answer = TAnswer::No;
    A("NewFigure")->trigger();
    EXPECT_EQ(window.Figure().GraphCount(), 1);
    EXPECT_EQ(questions.last(),
              QStringLiteral("Все несохранённые данные будут потеряны! Хотите продолжить?"));
    answer = TAnswer::Yes;
    A("NewFigure")->trigger();
    EXPECT_EQ(window.Figure().GraphCount(), 0);
    EXPECT_FALSE(window.HasFileName());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tarvelo - Untitled.tvq"));
    EXPECT_FALSE(A("Undo")->isEnabled());

    window.ChooseOpenFile = [&] { return path; };
    A("OpenFigure")->trigger();
    ASSERT_EQ(window.Figure().GraphCount(), 1);
    EXPECT_EQ(window.Figure().GraphByIndex(0)->Name(), QStringLiteral("kept"));
    EXPECT_TRUE(window.HasFileName());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tarvelo - ") + path);
    EXPECT_TRUE(A("RefreshScales")->isEnabled());
}

TEST_F(MainWindowTest, AnOpenedFigureWithALegendOffersToHideIt) {
    QTemporaryDir dir;
    Add(QStringLiteral("kept"));
    window.Figure().SetShowLegend(true);
    const QString path = dir.filePath(QStringLiteral("legend.tvq"));
    window.ChooseSaveFile = [&](const QString&) { return path; };
    A("SaveFigure")->trigger();
    answer = TAnswer::Yes;
    A("NewFigure")->trigger();
    window.Figure().SetShowLegend(false);
    EXPECT_EQ(A("LegendProps")->text(), mainstate::LegendActionCaption(false));
    answer = TAnswer::No; // the new figure's change is not saved over the file
    window.ChooseOpenFile = [&] { return path; };
    A("OpenFigure")->trigger();
    ASSERT_TRUE(window.Figure().ShowLegend());
    EXPECT_EQ(A("LegendProps")->text(), QString::fromUtf8("Скрыть легенду"));
}

TEST_F(MainWindowTest, SaveAsKeepsAskingForANameLater) {
    QTemporaryDir dir;
    Add();
    const QString path = dir.filePath(QStringLiteral("b.tvq"));
    int dialogs = 0;
    window.ChooseSaveFile = [&](const QString&) {
        ++dialogs;
        return path;
    };
    A("SaveAs")->trigger();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tarvelo - ") + path);
    EXPECT_FALSE(window.HasFileName());
    A("SaveFigure")->trigger();
    EXPECT_EQ(dialogs, 2);
    EXPECT_TRUE(window.HasFileName());
}

TEST_F(MainWindowTest, OpeningABrokenFigureLeavesTheOpenOne) {
    QTemporaryDir dir;
    Add(QStringLiteral("mine"));
    window.Figure().SetModified(false);
    const QString path = dir.filePath(QStringLiteral("broken.tvq"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("TARVELO 1.0 QVF-file.") + QByteArray(300, ' '));
    file.close();
    window.ChooseOpenFile = [&] { return path; };
    A("OpenFigure")->trigger();
    ASSERT_EQ(window.Figure().GraphCount(), 1);
    EXPECT_EQ(window.Figure().GraphByIndex(0)->Name(), QStringLiteral("mine"));
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tarvelo - Untitled.tvq"));
}

TEST_F(MainWindowTest, OpeningAsksAboutUnsavedWorkFirst) {
    QTemporaryDir dir;
    Add(QStringLiteral("unsaved"));
    int openDialogs = 0;
    window.ChooseOpenFile = [&] {
        ++openDialogs;
        return QString();
    };
    answer = TAnswer::Cancel;
    A("OpenFigure")->trigger();
    EXPECT_EQ(openDialogs, 0);
    EXPECT_EQ(questions.last(), QStringLiteral("Имеются несохранённые данные.\rХотите их сохранить?"));
    // "Yes" with a cancelled save dialog stops as well: nothing unsaved is dropped.
    answer = TAnswer::Yes;
    window.ChooseSaveFile = [](const QString&) { return QString(); };
    A("OpenFigure")->trigger();
    EXPECT_EQ(openDialogs, 0);
    answer = TAnswer::No;
    A("OpenFigure")->trigger();
    EXPECT_EQ(openDialogs, 1);
    EXPECT_EQ(window.Figure().GraphCount(), 1);
}

TEST_F(MainWindowTest, SavePictureKeepsTheBitmapSetting) {
    QTemporaryDir dir;
    Add();
    TSuperGrWindow& f = window.Figure();
    f.BitmapExport = true;
    const QString png = dir.filePath(QStringLiteral("p.png"));
    window.ChoosePictureFile = [&] { return png; };
    A("SavePicture")->trigger();
    EXPECT_TRUE(QImage(png).width() > 0);
    const QString svg = dir.filePath(QStringLiteral("p.svg"));
    window.ChoosePictureFile = [&] { return svg; };
    A("SavePicture")->trigger();
    EXPECT_TRUE(QFileInfo(svg).size() > 0);
    EXPECT_TRUE(f.BitmapExport);
    EXPECT_TRUE(messages.isEmpty());
    window.ChoosePictureFile = [&] { return dir.filePath(QStringLiteral("p.xyz")); };
    A("SavePicture")->trigger();
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(MainWindowTest, SaveGraphWritesTheCurrentGraph) {
    QTemporaryDir dir;
    Add(QStringLiteral("g"));
    window.SetCurrentGraph(0);
    QString file = dir.filePath(QStringLiteral("g.txt"));
    window.ChooseGraphDataFile = [&] { return file; };
    A("SaveGraph")->trigger();
    EXPECT_GT(QFileInfo(file).size(), 0);
    file = dir.filePath(QStringLiteral("no/g.xlsx"));
    A("SaveGraph")->trigger();
    EXPECT_EQ(messages, QStringList{QStringLiteral(
                            "Ошибка при попытке сохранить данные в Excel!\nПапка не существует.")});
}

TEST_F(MainWindowTest, CommandLineOpen) {
    EXPECT_FALSE(window.OpenFromCommandLine(QStringLiteral("/no/such/file.tvq")));
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainWindowTest, DeleteAllGraphsFromTheMenuForgetsTheFile) {
    QTemporaryDir dir;
    Add();
    Add();
    const QString path = dir.filePath(QStringLiteral("c.tvq"));
    window.ChooseSaveFile = [&](const QString&) { return path; };
    A("SaveFigure")->trigger();
    ASSERT_TRUE(window.HasFileName());
    window.findChild<QAction*>(QStringLiteral("DeleteAllGraphsItem"))->trigger();
    EXPECT_EQ(window.Figure().GraphCount(), 0);
    EXPECT_FALSE(window.HasFileName());
    EXPECT_EQ(window.FileName(), path);
    EXPECT_EQ(window.PanelText(0), QString());
    // One undo brings both back.
    A("Undo")->trigger();
    EXPECT_EQ(window.Figure().GraphCount(), 2);
}

TEST_F(MainWindowTest, DeleteMenuListsTheGraphs) {
    Add(QStringLiteral("a"));
    Add(QStringLiteral("b"));
    QMenu* menu = A("DelGraph")->menu();
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    const QList<QAction*> items = menu->actions();
    ASSERT_EQ(items.size(), 5);
    EXPECT_EQ(items[0]->text(), QStringLiteral("a"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("b"));
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3]->text(), QStringLiteral("Удалить все графики"));
    EXPECT_EQ(items[4]->text(), QStringLiteral("Удалить выбранные графики"));
    items[0]->trigger();
    ASSERT_EQ(window.Figure().GraphCount(), 1);
    EXPECT_EQ(window.Figure().GraphByIndex(0)->Name(), QStringLiteral("b"));
    window.Figure().GraphByIndex(0)->SetSelected(true);
    emit menu->aboutToShow();
    menu->actions()[3]->trigger(); // "Удалить выбранные графики"
    EXPECT_EQ(window.Figure().GraphCount(), 0);
}

TEST_F(MainWindowTest, EmptyGraphAndCancelBinding) {
    A("EmptyGraph")->trigger();
    ASSERT_EQ(window.Figure().GraphCount(), 1);
    EXPECT_EQ(window.Figure().GraphByIndex(0)->Name(), QStringLiteral("Noname"));
    Add();
    window.Figure().GraphByIndex(0)->SetPosGroupX(1);
    window.Figure().GraphByIndex(1)->SetScaleGroupY(2);
    A("CancelBinding")->trigger();
    EXPECT_EQ(window.Figure().GraphByIndex(0)->PosGroupX(), -1);
    EXPECT_EQ(window.Figure().GraphByIndex(1)->ScaleGroupY(), -1);
    A("Undo")->trigger();
    EXPECT_EQ(window.Figure().GraphByIndex(0)->PosGroupX(), 1);
    EXPECT_EQ(window.Figure().GraphByIndex(1)->ScaleGroupY(), 2);
}

TEST_F(MainWindowTest, ShowAndHideTheLegendAtTheMenuPoint) {
    Add();
    TSuperGrWindow& f = window.Figure();
    f.SetLegendPosition(0);
    window.SetContextPoint(QPoint(200, 150));
    window.ShowLegendAtContextPoint();
    EXPECT_TRUE(f.ShowLegend());
    // The corner is on the point: anchor (plot left + 10, plot top + 10) plus the offsets.
    EXPECT_EQ(f.LegendOffsetX(), 200 - (f.PlotRect.Left + 10));
    EXPECT_EQ(f.LegendOffsetY(), 150 - (f.PlotRect.Top + 10));
    EXPECT_EQ(A("LegendProps")->text(), QStringLiteral("Скрыть легенду"));
    A("LegendProps")->trigger();
    EXPECT_FALSE(f.ShowLegend());
    EXPECT_EQ(A("LegendProps")->text(), QStringLiteral("Показать легенду"));
    // Showing was one step: offsets and visibility together.
    A("Undo")->trigger();
    EXPECT_TRUE(f.ShowLegend());
    A("Undo")->trigger();
    EXPECT_FALSE(f.ShowLegend());
    EXPECT_EQ(f.LegendOffsetX(), 0);
    EXPECT_EQ(f.LegendOffsetY(), 0);
}

TEST_F(MainWindowTest, LegendFromTheMenuBarKeepsItsPlace) {
    Add();
    TSuperGrWindow& f = window.Figure();
    f.SetLegendOffsetX(-5);
    window.SetContextPoint(QPoint(200, 150));
    A("LegendProps")->trigger();
    EXPECT_TRUE(f.ShowLegend());
    EXPECT_EQ(f.LegendOffsetX(), -5);
    EXPECT_EQ(f.LegendOffsetY(), 0);
}

TEST_F(MainWindowTest, WindowMenuEntryOfTheLegendFollowsTheCaption) {
    QAction* entry = nullptr;
    for (QAction* a : window.WindowMenu()->actions())
        if (a->text() == QStringLiteral("Показать легенду")) entry = a;
    ASSERT_NE(entry, nullptr);
    Add();
    entry->trigger();
    EXPECT_TRUE(window.Figure().ShowLegend());
    EXPECT_EQ(entry->text(), QStringLiteral("Скрыть легенду"));
}

TEST_F(MainWindowTest, DoubleClickOpensThePropertiesOfTheClickedGraph) {
    Add(QStringLiteral("a"));
    Add(QStringLiteral("b"));
    QString caption;
    QTimer::singleShot(0, &window, [&caption] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        caption = dialog->windowTitle();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    TSuperGrWindow& f = window.Figure();
    f.Events.OnGraphDblClick(&f, 1, ssLeft, 10, 10);
    EXPECT_EQ(caption, QString::fromUtf8(" Свойства графика b"));
}

TEST_F(MainWindowTest, DoubleClickAndGraphMenu) {
    Add();
    Add();
    window.DblClickAction = 0;
    TSuperGrWindow& f = window.Figure();
    f.Events.OnGraphDblClick(&f, 1, ssLeft, 10, 10);
    EXPECT_EQ(window.CurrentGraph(), 1);
    EXPECT_TRUE(f.GraphByIndex(1)->Selected());

    window.SetCurrentGraph(1);
    window.PrepareGraphMenu();
    QMenu* menu = window.GraphMenu();
    QAction* select = menu->actions()[0];
    EXPECT_EQ(select->text(), QStringLiteral("Выбрать график"));
    EXPECT_TRUE(select->isChecked());
    select->trigger();
    EXPECT_FALSE(f.GraphByIndex(1)->Selected());
    QAction* nodes = menu->actions()[1];
    EXPECT_FALSE(nodes->isChecked());
    nodes->trigger();
    EXPECT_TRUE(f.GraphByIndex(1)->ShowNodes());
    for (QAction* a : menu->actions())
        if (a->text() == QStringLiteral("Клонировать")) a->trigger();
    EXPECT_EQ(f.GraphCount(), 3);
    for (QAction* a : menu->actions())
        if (a->text() == QStringLiteral("Удалить")) a->trigger();
    EXPECT_EQ(f.GraphCount(), 2);
}

TEST_F(MainWindowTest, StatusBarSwatchClickTogglesSelection) {
    Add();
    Add();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QStatusBar* bar = window.StatusPanels();
    const TRect panel = window.StatusPanels()->PanelRect(5);
    const QList<TRect> swatches = mainstate::SwatchRects(panel, 2);
    ASSERT_EQ(swatches.size(), 2);
    // Layer order: graph 0 is on top and first.
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(swatches[1].Left + 3, swatches[1].Top + 3));
    EXPECT_TRUE(window.Figure().GraphByIndex(1)->Selected());
    EXPECT_FALSE(window.Figure().GraphByIndex(0)->Selected());
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(swatches[1].Left + 3, swatches[1].Top + 3));
    EXPECT_FALSE(window.Figure().GraphByIndex(1)->Selected());
    window.Figure().SetModified(false);
}

TEST_F(MainWindowTest, CopyPutsABitmapAndAnSvgOnTheClipboard) {
    Add();
    QGuiApplication::clipboard()->clear();
    A("CopyToClipBoard")->trigger();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasImage());
    const QImage image = qvariant_cast<QImage>(data->imageData());
    const TRect client = window.Figure().ClientRect();
    EXPECT_EQ(image.size(), QSize(client.Width(), client.Height()) * window.Figure().BmpExportScale);
    EXPECT_TRUE(data->data(QStringLiteral("image/svg+xml")).startsWith("<?xml"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainWindowTest, PasteIntoAFocusedLineEdit) {
    auto* edit = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), edit);
    QGuiApplication::clipboard()->setText(QStringLiteral("1.5"));
    A("Paste")->trigger();
    EXPECT_EQ(edit->text(), QStringLiteral("1.5"));
    EXPECT_EQ(window.Figure().GraphCount(), 0);
}

TEST_F(MainWindowTest, PasteOpensTheAddGraphsDialogOnTheClipboard) {
    QGuiApplication::clipboard()->setText(QStringLiteral("1 2\n3 4\n5 6\n"));
    window.AutoSelectNewGraphs = true;
    TAddGraphsDialog& dialog = window.AddGraphsDialog();
    QString shownWith;
    QTimer::singleShot(0, &dialog, [&] {
        shownWith = dialog.Model().Files().value(0).Caption;
        dialog.reject();
    });
    A("Paste")->trigger();
    EXPECT_EQ(shownWith, QStringLiteral("<Clipboard>"));
    EXPECT_TRUE(dialog.Model().AutoSelectNewGraphs);
}

TEST_F(MainWindowTest, AddGraphOpensTheDialogOnTheChosenFiles) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("d.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("1 2\n3 4\n5 6\n");
    file.close();
    window.ChooseDataFiles = [&] { return QStringList{path}; };
    TAddGraphsDialog& dialog = window.AddGraphsDialog();
    QStringList shown;
    // The files are read off the GUI thread with the event loop running: the dialog shows after that.
    QTimer whenShown;
    QObject::connect(&whenShown, &QTimer::timeout, &dialog, [&] {
        if (!dialog.isVisible()) return;
        whenShown.stop();
        for (const TFileNode& f : dialog.Model().Files())
            shown.append(f.Caption);
        dialog.reject();
    });
    whenShown.start(0);
    A("AddGraph")->trigger();
    EXPECT_EQ(shown, QStringList{path});
    // Cancelled file choice: no dialog.
    window.ChooseDataFiles = [] { return QStringList{}; };
    bool opened = false;
    QTimer::singleShot(0, &dialog, [&] {
        opened = dialog.isVisible();
        dialog.reject();
    });
    A("AddGraph")->trigger();
    EXPECT_FALSE(opened);
}

TEST_F(MainWindowTest, AboutShowsTheVersionOfTheCommandLine) {
    QCoreApplication::setApplicationVersion(QString()); // the box does not rely on the start-up
    QString text;
    QTimer::singleShot(0, &window, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            box->accept();
        }
    });
    A("About")->trigger();
    EXPECT_TRUE(text.endsWith(QStringLiteral("Версия ") + ProgramVersion())) << text.toStdString();
}

TEST_F(MainWindowTest, LegendDialogForAnEmptyLegendAndForARightClickOnIt) {
    Add();
    window.Figure().GraphByIndex(0)->SetInLegend(false);
    QStringList opened;
    const auto closeWhenOpen = [&] {
        QTimer::singleShot(0, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                opened.append(dialog->windowTitle());
                dialog->close();
            }
        });
    };
    closeWhenOpen();
    A("LegendProps")->trigger();
    EXPECT_EQ(opened, QStringList{QStringLiteral("Легенда")});
    TSuperGrWindow& figure = window.Figure();
    figure.Events.OnLegendClick(&figure, ssLeft, 5, 5);
    figure.Events.OnLegendClick(&figure, ssRight, 5, 5);
    closeWhenOpen();
    QApplication::processEvents();
    EXPECT_EQ(opened.size(), 2);
}

// The caption editor left open while another figure comes closes into the figure it was typed for,
// before that one is saved or dropped; closing it later writes nothing into the next figure.
TEST_F(MainWindowTest, AnOpenCaptionEditorClosesIntoItsOwnFigureBeforeAnotherComes) {
    QTemporaryDir dir;
    const QString other = dir.filePath(QStringLiteral("other.tvq"));
    const QString typedFor = dir.filePath(QStringLiteral("typed.tvq"));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    Add(QStringLiteral("other"));
    window.Figure().SetTopCaption({QStringLiteral("own")});
    window.ChooseSaveFile = [&](const QString&) { return other; };
    A("SaveAs")->trigger();
    const auto typeIntoTheCaptionEditor = [&]() -> TCaptionToolBar* {
        A("CaptionProps")->trigger();
        auto* bar = window.findChild<TCaptionToolBar*>();
        if (!bar) return nullptr;
        bar->Memo()->clear();
        QTest::keyClicks(bar->Memo(), QStringLiteral("typed"));
        return bar;
    };
    answer = TAnswer::Yes;

    // Opening: the typed text is unsaved work of the open figure, saved on "Yes".
    TCaptionToolBar* bar = typeIntoTheCaptionEditor();
    ASSERT_NE(bar, nullptr);
    questions.clear();
    window.ChooseSaveFile = [&](const QString&) { return typedFor; };
    window.ChooseOpenFile = [&] { return other; };
    A("OpenFigure")->trigger();
    EXPECT_EQ(questions.value(0), figurefile::UnsavedDataQuestion());
    EXPECT_FALSE(bar->isVisible());
    bar->reject();
    EXPECT_EQ(window.Figure().TopCaption(), QStringList{QStringLiteral("own")});
    EXPECT_FALSE(window.Figure().Modified());
    TSuperGrWindow saved;
    ASSERT_TRUE(figurefile::Load(saved, typedFor, nullptr));
    EXPECT_EQ(saved.TopCaption(), QStringList{QStringLiteral("typed")});

    // A new figure keeps the captions; the text went in before, so the new figure has nothing to
    // undo and nothing unsaved.
    typeIntoTheCaptionEditor();
    A("NewFigure")->trigger();
    EXPECT_FALSE(bar->isVisible());
    bar->reject();
    EXPECT_EQ(window.Figure().TopCaption(), QStringList{QStringLiteral("typed")});
    EXPECT_FALSE(window.Figure().Modified());
    EXPECT_FALSE(A("Undo")->isEnabled());
}

// The list of graphs opens where it was asked for; from the keyboard with the mouse away, at the
// plot's top right corner.
TEST_F(MainWindowTest, GraphListOpensNearThePointOfAsking) {
    Add();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QPoint inside = window.GraphWidget()->mapToGlobal(QPoint(100, 120));
    QCursor::setPos(inside);
    A("GraphProperties")->trigger();
    auto* list = window.findChild<TGraphListWindow*>();
    ASSERT_NE(list, nullptr);
    EXPECT_LT((list->pos() - inside).manhattanLength(), 40);
    list->hide();
    QCursor::setPos(window.frameGeometry().bottomRight() + QPoint(50, 50));
    A("GraphProperties")->trigger();
    const QWidget* plot = window.GraphWidget();
    EXPECT_EQ(list->pos(), plot->mapToGlobal(QPoint(plot->width() - TGraphListWindow::ListWidth, 0)));
}
