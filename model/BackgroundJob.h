// Long file work off the thread of the windows: one work at a time runs on a worker thread, counts
// its bytes into a TJobProgress that the starting thread may read and cancel, and its end is handed
// back to the starting thread through that thread's event loop. What the work produced is applied
// there, once, so the figure only ever changes on its own thread.
#pragma once

#include "model/JobProgress.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QThread;

// The work: it reads and writes files and fills its own results; it must not touch what the
// starting thread changes. It should look at Cancelled() now and then and stop early.
using TJobWork = std::function<void(TJobProgress& progress)>;

// Runs a work to its end with progress and cancel; false when it failed with an error that was
// already reported. Whether it was cancelled the caller reads from the work's own results.
using TJobRun = std::function<bool(const QString& text, const TJobWork& work)>;

// The work on the calling thread itself, for headless use and tests.
bool RunJobInline(const QString& text, const TJobWork& work);

class TBackgroundJob {
public:
    // error: empty when the work returned, else why it stopped (it threw).
    using TDone = std::function<void(const QString& error)>;

    TBackgroundJob();
    // A running work is cancelled and waited for; its done is not called.
    ~TBackgroundJob();
    TBackgroundJob(const TBackgroundJob&) = delete;
    TBackgroundJob& operator=(const TBackgroundJob&) = delete;

    // Starts the work on a worker thread; done follows on this thread once the work has returned.
    // False while another work runs.
    bool Start(TJobWork work, TDone done);
    // From Start until done was called.
    bool Running() const { return FRunning; }
    const TJobProgress& Progress() const { return *FProgress; }
    void Cancel() { FProgress->Cancel(); }

    // Blocks until a running work has returned, and calls its done now rather than through the event
    // loop.
    void Wait();

    // Starts the work and waits for it in a local event loop, so this thread keeps handling its
    // events (painting, timers, the cancel button); returns the error.
    QString RunAndWait(TJobWork work);

    static QString OutOfMemoryMessage();

private:
    void Finish();

    // Lives on the starting thread and receives the hand-over there.
    QObject FContext;
    std::unique_ptr<QThread> FThread;
    std::unique_ptr<TJobProgress> FProgress;
    bool FRunning = false;
    // The running work's done and the error it ended with; the hand-over names the work it is for.
    TDone FDone;
    QString FError;
    uint64_t FWorkNumber = 0;
};
