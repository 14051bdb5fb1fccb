// Autosave and recovery: after changes the figure is written in the background to a recovery file of
// this run, and a start that finds the recovery file of a run that did not end normally offers to
// restore it.
//
// Each run that autosaves owns a session in the state folder: "<id>.lock", held with an exclusive
// flock() for the life of the process, and "<id>.tvq", a figure file. The kernel drops the lock when
// the process ends in any way, so a lock that can be taken belongs to a run that is gone, whatever
// its process number became since. Taking it also claims the session: two running instances never
// take the same recovery file.
#pragma once

#include "app/FigureFile.h"
#include "model/BackgroundJob.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QTimer;
class TSuperGrWindow;

namespace recovery {

// $XDG_STATE_HOME/Ostrel/Tarvelo, ~/.local/state/Ostrel/Tarvelo without it.
QString StateFolder();
// "Восстановить несохранённый рисунок?"
QString RestoreQuestion();

// One run's claim on its recovery files.
class TSession {
public:
    // A new session of this run; null when the folder cannot hold one.
    static std::unique_ptr<TSession> Create(const QString& folder);
    // The session of a run that is gone; null while its owner runs or another run holds it.
    static std::unique_ptr<TSession> Claim(const QString& folder, const QString& id);
    ~TSession(); // gives up the claim and leaves the files
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    const QString& Id() const { return FId; }
    QString RecoveryFile() const;
    // The recovery file, its temporaries and the lock: what a normal end leaves behind is nothing.
    void RemoveFiles();

private:
    TSession(QString folder, QString id, int lockFd)
        : FFolder(std::move(folder)), FId(std::move(id)), FLock(lockFd) {}
    QString LockFile() const;

    QString FFolder, FId;
    int FLock = -1;
};

// The sessions of runs that are gone and left a recovery file, newest first, each claimed by this
// run. Sessions that left no recovery file are cleared away.
std::vector<std::unique_ptr<TSession>> ClaimOrphans(const QString& folder);

enum class TAnswer { Restore, Discard, Keep };
// Offers the recovery files of runs that are gone, newest first. "Restore" puts the figure into the
// window exactly as it was autosaved (modified, without history; the window's file name is the
// caller's) and ends the offers; "Discard" removes the file and goes on; "Keep" keeps it and the rest
// for a later start. A file whose figure cannot be read is removed without a question. Returns the
// restored session, which the run then keeps as its own (TAutosave::Adopt); null when none was
// restored. bounds receives the restored file's window placement.
std::unique_ptr<TSession> OfferRecovery(const QString& folder, TSuperGrWindow& window,
                                        const std::function<TAnswer()>& ask, TWindowBounds* bounds = nullptr);

// The autosave of one figure. The figure is serialised on the calling (GUI) thread, which only copies
// its arrays into one buffer; compressing and writing, the slow part, run on a worker thread. The
// serialised bytes are a snapshot, so the figure stays free to change while the worker runs.
class TAutosave : public QObject {
public:
    // Times are the window's clock (milliseconds).
    TAutosave(TSuperGrWindow& window, QString folder, int64_t periodMs);
    ~TAutosave() override; // waits for a write under way; the files stay (see EndNormally)

    void SetPeriod(int64_t ms);
    int64_t Period() const { return FPeriod; }
    // The main window's placement for the file.
    std::function<TWindowBounds()> Bounds;
    // Whether the user drags now; without it, the window's own mouse state says.
    std::function<bool()> Dragging;

    // To be called after every change of the figure and of its Modified flag. A modified figure is
    // autosaved once a period has passed since the last autosave (or the start); an unmodified one
    // has no recovery file.
    void FigureChanged();
    // Starts the autosave when it is due and no drag, view animation or earlier write is under way;
    // true when a write started. The timer calls it; so may anyone.
    bool Poll();
    // A restored session becomes this run's: its recovery file holds the figure as it is now.
    void Adopt(std::unique_ptr<TSession> session);
    // The run ends normally: the recovery file and the session go.
    void EndNormally();
    // Blocks until a write under way has finished and reported.
    void WaitForWriter() {
        if (FWriter) FWriter->Wait();
    }
    bool Writing() const { return FWriter && FWriter->Running(); }
    // This run's recovery file; empty before the first autosave.
    QString RecoveryFile() const { return FSession ? FSession->RecoveryFile() : QString(); }

    // On the calling thread: a snapshot was taken (the figure stream), or a recovery file was written
    // completely and renamed into place (its bytes). A write that fails is tried again a period later.
    std::function<void(const QByteArray& stream)> OnSnapshot;
    std::function<void(const QByteArray& file)> OnWritten;

private:
    struct TOutcome {
        uint64_t Generation = 0;
        bool Ok = false;
        QByteArray File;
    };
    void Arm();
    void Discard();
    void Collect();
    TOutcome WriteFile(uint64_t generation, const QByteArray& stream, const TWindowBounds& bounds,
                       const QByteArray& header, const QString& fileName);
    int64_t Now() const;

    TSuperGrWindow& FWindow;
    QString FFolder;
    int64_t FPeriod;
    int64_t FLastSnapshot = 0;
    bool FPending = false; // changes since the last snapshot
    QTimer* FTimer;
    std::unique_ptr<TSession> FSession;
    // A save or a new figure discards the recovery file while a write may be renaming it into place:
    // the writer and the discard meet here, and the newer generation wins.
    std::mutex FFileMutex;
    uint64_t FGeneration = 0;
    std::optional<TOutcome> FOutcome; // the writer's, read once it has ended
    // Last, so that it ends (and waits for a write under way) before what the write uses goes.
    std::unique_ptr<TBackgroundJob> FWriter;
};

} // namespace recovery
