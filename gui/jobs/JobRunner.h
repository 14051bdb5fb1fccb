// Runs file work off the GUI thread and waits for it: the windows keep repainting while the user's
// input is held back (no command can change what the work reads), and after half a second a small
// dialog shows the bytes done with the button "Отмена".
#pragma once

#include "model/BackgroundJob.h"

#include <QObject>

class QWidget;

class TJobRunner : public QObject {
    Q_OBJECT
public:
    static TJobRunner& Instance();

    // Runs the work and returns at its end. text: what the dialog says is going on. False when the
    // work failed; its error was shown in a message box over parent.
    bool Run(QWidget* parent, const QString& text, const TJobWork& work);
    // A TJobRun for the widget-free flows.
    static TJobRun For(QWidget* parent);

    bool Busy() const { return FDepth > 0; }
    // How long a work runs before its progress dialog shows.
    int ShowDelayMs = 500;

    // A file written by `write` off the GUI thread, its bytes counted and cancellable through
    // filesave::TJobScope. False when it failed (with the message) or was cancelled (message empty).
    bool Write(QWidget* parent, const QString& text, const std::function<bool(QString& message)>& write,
               QString& message);

signals:
    void BusyChanged(bool busy);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int FDepth = 0;
    QWidget* FDialog = nullptr; // the progress dialog of the innermost work, which takes input
};
