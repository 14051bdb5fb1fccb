#include "app/Settings.h"
#include "gui/graphwindow/GraphWindowWidget.h"
#include "gui/mainwindow/MainWindow.h"
#include "gui/settings/SettingsDialog.h"
#include "tests/common/TestFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using mainstate::TAnswer;

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// Each test starts without a stored settings file and leaves none behind.
struct SettingsTest : ::testing::Test {
    SettingsTest() { QFile::remove(settings::UserStoreFile()); }
    ~SettingsTest() override { QFile::remove(settings::UserStoreFile()); }
    static void Store(const settings::TSettings& values) {
        QString error;
        ASSERT_TRUE(settings::WriteFile(settings::UserStoreFile(), values, error));
    }
};

struct DialogTest : SettingsTest {
    TMainWindow window;
    TSettingsDialog dialog{window.Figure(),
                           {window.DblClickAction, window.ExportColorScheme, window.AskBeforeExit,
                            window.AutoSelectNewGraphs, [this] { return window.PlotSize(); },
                            [this](const QSize& size) { window.SetPlotSize(size); },
                            [this] { window.WriteFileSettings(); }}};
    // The spin box that shows this value first.
    QSpinBox* SpinShowing(int value) {
        for (QSpinBox* spin : dialog.findChildren<QSpinBox*>())
            if (spin->value() == value) return spin;
        return nullptr;
    }
};

} // namespace

TEST_F(SettingsTest, TheFirstStartStoresTheDefaultLook) {
    TMainWindow window;
    const QByteArray stored = testutil::ReadAll(settings::UserStoreFile());
    EXPECT_TRUE(stored.contains("\r\nGridSizeX=74\r\n"));
    EXPECT_TRUE(stored.contains("\r\nPlot width=850\r\nPlot height=500\r\n"));
}

TEST_F(SettingsTest, TheStartReadsTheStoredSettingsAndNewFigureReadsThemAgain) {
    settings::TSettings values;
    values.GridSizeX = 33;
    values.AskBeforeExit = false;
    values.DblClickAction = 2;
    values.PlotWidth = 700;
    values.PlotHeight = 400;
    Store(values);
    TMainWindow window;
    EXPECT_EQ(window.Figure().GridSizeX(), 33);
    EXPECT_FALSE(window.AskBeforeExit);
    EXPECT_EQ(window.DblClickAction, 2);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.GraphWidget()->size(), QSize(700, 400));

    window.Figure().SetGridSizeX(50);
    window.Ask = [](const QString&) { return TAnswer::Yes; };
    window.Action(S("NewFigure"))->trigger();
    EXPECT_EQ(window.Figure().GridSizeX(), 33);
    EXPECT_FALSE(window.Figure().HaveUndo());
}

TEST_F(SettingsTest, ASettingsFileIsWrittenAndReadBack) {
    TMainWindow window;
    QTemporaryDir dir;
    const QString name = dir.filePath(S("my.ini"));
    window.ChooseSettingsFile = [&](bool) { return name; };
    QStringList messages;
    window.ShowMessage = [&](const QString& m) { messages.append(m); };
    window.ExportColorScheme = 3;
    window.Action(S("settofile"))->trigger();
    window.ExportColorScheme = 0;
    window.Figure().SetGridSizeY(7);
    window.Action(S("loadfromfile"))->trigger();
    EXPECT_EQ(window.ExportColorScheme, 3);
    EXPECT_EQ(window.Figure().GridSizeY(), 42);

    // A file that cannot be read says so and changes nothing.
    window.ChooseSettingsFile = [&](bool) { return dir.filePath(S("missing.ini")); };
    window.ExportColorScheme = 1;
    window.Action(S("loadfromfile"))->trigger();
    EXPECT_EQ(window.ExportColorScheme, 1);
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(DialogTest, OpeningChangesNothingAndEveryChangeIsLive) {
    const settings::TSettings before = window.CurrentSettings();
    dialog.Refill();
    EXPECT_EQ(window.CurrentSettings(), before);
    EXPECT_FALSE(window.Figure().HaveUndo());

    QSpinBox* animation = SpinShowing(400);
    ASSERT_NE(animation, nullptr);
    animation->stepUp();
    EXPECT_EQ(window.Figure().AnimationTime(), 450u);
    const QList<QCheckBox*> boxes = dialog.findChildren<QCheckBox*>();
    const auto ask = std::find_if(boxes.begin(), boxes.end(), [](QCheckBox* b) {
        return b->text() == S("Подтверждать закрытие при несохранённых данных");
    });
    ASSERT_NE(ask, boxes.end());
    (*ask)->click();
    EXPECT_FALSE(window.AskBeforeExit);
    EXPECT_FALSE(dialog.FontNames().isEmpty());
}

TEST_F(DialogTest, CloseStoresOnlyWhenAskedTo) {
    QFile::remove(settings::UserStoreFile());
    window.Figure().SetGridSizeX(90);
    dialog.CloseAndMaybeRemember();
    EXPECT_FALSE(QFile::exists(settings::UserStoreFile()));
    dialog.RememberBox()->setChecked(true);
    dialog.CloseAndMaybeRemember();
    EXPECT_FALSE(dialog.RememberBox()->isChecked());
    EXPECT_TRUE(testutil::ReadAll(settings::UserStoreFile()).contains("\r\nGridSizeX=90\r\n"));
}

// The pages are laid out to stay near the design size of 585 × 505; this platform's fonts are wider.
TEST_F(DialogTest, KeepsNearItsDesignSize) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_LE(dialog.width(), 660);
    EXPECT_LE(dialog.height(), 540);
}
