#include "model/BackgroundJob.h"

#include <QEventLoop>
#include <QThread>

#include <exception>
#include <new>

bool RunJobInline(const QString&, const TJobWork& work) {
    TJobProgress progress;
    work(progress);
    return true;
}

TBackgroundJob::TBackgroundJob() : FProgress(std::make_unique<TJobProgress>()) {}

TBackgroundJob::~TBackgroundJob() {
    if (!FThread) return;
    FProgress->Cancel();
    FThread->wait();
    // The hand-over still queued for FContext goes with it.
}

QString TBackgroundJob::OutOfMemoryMessage() {
    return QStringLiteral("Недостаточно памяти.");
}

bool TBackgroundJob::Start(TJobWork work, TDone done) {
    if (FRunning) return false;
    FRunning = true;
    // Each work gets a fresh progress: a cancel of the last one must not stop this one.
    FProgress = std::make_unique<TJobProgress>();
    TJobProgress* progress = FProgress.get();
    FDone = std::move(done);
    FError.clear();
    const uint64_t number = ++FWorkNumber;
    FThread.reset(QThread::create([this, progress, number, work = std::move(work)] {
        try {
            work(*progress);
        } catch (const std::bad_alloc&) {
            FError = OutOfMemoryMessage();
        } catch (const std::exception& e) {
            FError = QString::fromLocal8Bit(e.what());
        }
        QMetaObject::invokeMethod(
            &FContext,
            [this, number] {
                if (FRunning && number == FWorkNumber) Finish();
            },
            Qt::QueuedConnection);
    }));
    FThread->start();
    return true;
}

void TBackgroundJob::Wait() {
    if (FRunning) Finish();
}

void TBackgroundJob::Finish() {
    FThread->wait();
    FThread.reset();
    FRunning = false;
    const TDone done = std::move(FDone);
    FDone = nullptr;
    if (done) done(FError);
}

QString TBackgroundJob::RunAndWait(TJobWork work) {
    QEventLoop loop;
    QString error;
    if (!Start(std::move(work), [&](const QString& e) {
            error = e;
            loop.quit();
        }))
        return QStringLiteral("Другая операция с файлом ещё не закончена.");
    loop.exec();
    return error;
}
