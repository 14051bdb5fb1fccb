#include "gui/jobs/JobRunner.h"
#include "gui/mainwindow/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QWidget* ProgressDialog() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("JobProgressDialog") && w->isVisible()) return w;
    return nullptr;
}

// While a work runs: its dialog with "Отмена" shows, every command is off and the user's input to the
// windows is held back; "Отмена" stops the work, and afterwards all is as before.
TEST(JobRunner, HoldsTheWindowsWhileTheWorkRunsAndCancelStopsIt) {
    TMainWindow window;
    window.show();
    QLineEdit edit;
    QAction* addGraph = window.Action(QStringLiteral("AddGraph"));
    ASSERT_TRUE(addGraph->isEnabled());
    TJobRunner& runner = TJobRunner::Instance();
    runner.ShowDelayMs = 0;

    bool commandsOff = false, keyHeld = false, stopped = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        QWidget* dialog = ProgressDialog();
        if (!dialog) return;
        poll.stop();
        commandsOff = !addGraph->isEnabled() && runner.Busy();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(&edit, &key);
        keyHeld = edit.text().isEmpty();
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("Отмена")) b->click();
    });
    poll.start(0);
    const bool ran = runner.Run(&window, QStringLiteral("работа"), [&](TJobProgress& progress) {
        progress.SetTotal(100);
        while (!progress.Cancelled())
            QThread::msleep(1);
        stopped = true;
    });
    runner.ShowDelayMs = 500;
    EXPECT_TRUE(ran);
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(commandsOff);
    EXPECT_TRUE(keyHeld);
    EXPECT_FALSE(runner.Busy());
    EXPECT_TRUE(addGraph->isEnabled());
    EXPECT_EQ(ProgressDialog(), nullptr);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(&edit, &key);
    EXPECT_EQ(edit.text(), QStringLiteral("a"));
}

} // namespace
