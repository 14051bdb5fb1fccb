// Job runners for the headless tests of the long operations: the work runs on a thread of its own,
// as in the windows, and may be cancelled at its first count of progress.
#pragma once

#include "model/BackgroundJob.h"

#include <thread>

namespace testutil {

struct TJobRecorder {
    bool CancelAtFirstCount = false;
    int Runs = 0;
    // Progress counts the work made before it stopped.
    int64_t Counted = 0;

    TJobRun Run() {
        return [this](const QString&, const TJobWork& work) {
            ++Runs;
            TJobProgress progress;
            if (CancelAtFirstCount) progress.OnCount = [&progress] { progress.Cancel(); };
            std::thread worker([&] { work(progress); });
            worker.join();
            Counted = progress.Done();
            return true;
        };
    }
};

} // namespace testutil
