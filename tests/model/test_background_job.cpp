#include "model/BackgroundJob.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <stdexcept>

namespace {

// A work that counts until it is cancelled, and its result only when it got to the end.
struct CountingWork {
    int64_t Steps = 0;
    bool Completed = false;
    int64_t Result = 0;
    void operator()(TJobProgress& progress) {
        progress.SetTotal(Steps);
        int64_t sum = 0;
        for (int64_t i = 0; i < Steps; ++i) {
            if (progress.Cancelled()) return;
            sum += i;
            progress.Advance(1);
            QThread::usleep(50);
        }
        Completed = true;
        Result = sum;
    }
};

TEST(BackgroundJob, WorkRunsOffThisThreadAndItsEndComesBackHereOnce) {
    TBackgroundJob job;
    QThread* workThread = nullptr;
    QThread* doneThread = nullptr;
    int doneCalls = 0;
    QString error = QStringLiteral("not called");
    ASSERT_TRUE(job.Start(
        [&](TJobProgress& progress) {
            workThread = QThread::currentThread();
            progress.SetTotal(3);
            progress.Advance(3);
        },
        [&](const QString& e) {
            doneThread = QThread::currentThread();
            error = e;
            ++doneCalls;
        }));
    EXPECT_TRUE(job.Running());
    EXPECT_FALSE(job.Start([](TJobProgress&) {}, nullptr)); // one work at a time
    while (job.Running())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    EXPECT_EQ(doneCalls, 1);
    EXPECT_NE(workThread, QThread::currentThread());
    EXPECT_EQ(doneThread, QThread::currentThread());
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(job.Progress().Done(), 3);
}

TEST(BackgroundJob, CancelStopsTheWorkBeforeItsResult) {
    TBackgroundJob job;
    CountingWork work{1'000'000};
    bool done = false;
    ASSERT_TRUE(job.Start(std::ref(work), [&](const QString&) { done = true; }));
    while (job.Progress().Done() == 0)
        QThread::yieldCurrentThread();
    job.Cancel();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_FALSE(work.Completed);
    EXPECT_EQ(work.Result, 0);
    EXPECT_LT(job.Progress().Done(), work.Steps);

    // The next work starts with a progress of its own, not cancelled.
    CountingWork next{10};
    EXPECT_TRUE(job.RunAndWait(std::ref(next)).isEmpty());
    EXPECT_TRUE(next.Completed);
    EXPECT_EQ(next.Result, 45);
}

TEST(BackgroundJob, WorkThatThrowsIsReportedAsError) {
    TBackgroundJob job;
    EXPECT_EQ(job.RunAndWait([](TJobProgress&) { throw std::bad_alloc(); }),
              TBackgroundJob::OutOfMemoryMessage());
    EXPECT_EQ(job.RunAndWait([](TJobProgress&) { throw std::runtime_error("disk gone"); }),
              QStringLiteral("disk gone"));
    EXPECT_FALSE(job.Running());
}

TEST(BackgroundJob, DestroyedWhileRunningCancelsAndWaitsWithoutDone) {
    CountingWork work{1'000'000};
    bool done = false;
    {
        TBackgroundJob job;
        ASSERT_TRUE(job.Start(std::ref(work), [&](const QString&) { done = true; }));
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(done);
    EXPECT_FALSE(work.Completed);
}

} // namespace
