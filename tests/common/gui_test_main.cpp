#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // A screen of a common desktop's size: the main window keeps itself within its screen, and the
    // offscreen platform's own 800 × 600 is smaller than the plot's design size.
    QTemporaryDir platform;
    const QString screens = platform.filePath(QStringLiteral("screens.json"));
    QFile screenFile(screens);
    if (!screenFile.open(QIODevice::WriteOnly) ||
        screenFile.write(
            R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": 1920, "height": 1080}]})") < 0)
        return 1;
    screenFile.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.toLocal8Bit());
    // The main window reads and writes the program's settings: in a folder of this run, never in the
    // user's own.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    // Recovery files of autosaves too.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
