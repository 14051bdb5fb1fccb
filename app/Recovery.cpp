#include "app/Recovery.h"

#include "window/FigureStream.h"
#include "window/SuperGrWindow.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace recovery {

namespace {
const QString kFigureSuffix = QStringLiteral(".tvq");
const QString kLockSuffix = QStringLiteral(".lock");
// A drag, a view animation or the previous write is asked again after this long (a shorter period
// asks sooner).
constexpr int64_t kRetryMs = 250;

// Opened without inheritance: a child process must not keep the lock alive after a crash of ours.
int OpenLock(const QString& fileName, int extraFlags) {
    return ::open(QFile::encodeName(fileName).constData(), O_RDWR | O_CREAT | O_CLOEXEC | extraFlags, 0600);
}

bool StillLinked(int fd, const QString& fileName) {
    struct stat held = {};
    struct stat named = {};
    return ::fstat(fd, &held) == 0 && ::stat(QFile::encodeName(fileName).constData(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}
} // namespace

QString StateFolder() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/Ostrel/Tarvelo");
}

QString RestoreQuestion() {
    return QStringLiteral("Восстановить несохранённый рисунок?");
}

// ---------------------------------------------------------------------------------------------
// Sessions

std::unique_ptr<TSession> TSession::Create(const QString& folder) {
    // The figures are the user's data: the folder is the user's alone.
    if (!QDir().mkpath(folder) ||
        !QFile::setPermissions(folder,
                               QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        return nullptr;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString id = QStringLiteral("figure-%1-%2")
                               .arg(::getpid())
                               .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        const QString lockFile = folder + QLatin1Char('/') + id + kLockSuffix;
        const int fd = OpenLock(lockFile, O_EXCL);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return nullptr;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && StillLinked(fd, lockFile))
            return std::unique_ptr<TSession>(new TSession(folder, id, fd));
        // Another start took the new file for the lock of a run that is gone, before it was locked.
        ::close(fd);
    }
    return nullptr;
}

std::unique_ptr<TSession> TSession::Claim(const QString& folder, const QString& id) {
    const QString lockFile = folder + QLatin1Char('/') + id + kLockSuffix;
    const int fd = OpenLock(lockFile, 0);
    if (fd < 0) return nullptr;
    // The lock file may have been removed by its owner between the open and the lock: a lock on a
    // file without a name guards nothing.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !StillLinked(fd, lockFile)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<TSession>(new TSession(folder, id, fd));
}

TSession::~TSession() {
    if (FLock >= 0) ::close(FLock);
}

QString TSession::RecoveryFile() const {
    return FFolder + QLatin1Char('/') + FId + kFigureSuffix;
}

QString TSession::LockFile() const {
    return FFolder + QLatin1Char('/') + FId + kLockSuffix;
}

void TSession::RemoveFiles() {
    QFile::remove(RecoveryFile());
    // Temporaries of a write that was cut short.
    const QDir folder(FFolder);
    for (const QString& name :
         folder.entryList({FId + kFigureSuffix + QStringLiteral(".*")}, QDir::Files | QDir::Hidden))
        QFile::remove(folder.filePath(name));
    // The lock goes last: while it exists, nobody else takes these files.
    QFile::remove(LockFile());
    if (FLock >= 0) ::close(FLock);
    FLock = -1;
}

std::vector<std::unique_ptr<TSession>> ClaimOrphans(const QString& folder) {
    std::vector<std::unique_ptr<TSession>> orphans;
    const QDir dir(folder);
    const QStringList figures = dir.entryList({QStringLiteral("*") + kFigureSuffix}, QDir::Files, QDir::Time);
    for (const QString& name : figures) {
        std::unique_ptr<TSession> session = TSession::Claim(folder, name.chopped(kFigureSuffix.size()));
        if (!session) continue;
        if (QFileInfo::exists(session->RecoveryFile()))
            orphans.push_back(std::move(session));
        else
            session->RemoveFiles(); // its owner ended normally just now
    }
    // Runs that are gone before their first recovery file was complete.
    for (const QString& name : dir.entryList({QStringLiteral("*") + kLockSuffix}, QDir::Files)) {
        const QString id = name.chopped(kLockSuffix.size());
        if (dir.exists(id + kFigureSuffix)) continue;
        if (std::unique_ptr<TSession> session = TSession::Claim(folder, id)) session->RemoveFiles();
    }
    return orphans;
}

std::unique_ptr<TSession> OfferRecovery(const QString& folder, TSuperGrWindow& window,
                                        const std::function<TAnswer()>& ask, TWindowBounds* bounds) {
    for (std::unique_ptr<TSession>& session : ClaimOrphans(folder)) {
        const figurefile::TReadResult read = figurefile::Read(session->RecoveryFile());
        std::unique_ptr<TStagedFigure> staged =
            read.Status == figurefile::TReadStatus::Ok ? TFigureStream::Parse(window, read.Stream) : nullptr;
        if (!staged) {
            session->RemoveFiles();
            continue;
        }
        switch (ask()) {
        case TAnswer::Restore:
            TFigureStream::Apply(window, *staged);
            window.SetModified(true);
            if (bounds) *bounds = read.Bounds;
            return std::move(session);
        case TAnswer::Discard:
            session->RemoveFiles();
            break;
        case TAnswer::Keep:
            return nullptr;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Autosave

TAutosave::TAutosave(TSuperGrWindow& window, QString folder, int64_t periodMs)
    : FWindow(window), FFolder(std::move(folder)), FPeriod(periodMs), FLastSnapshot(Now()),
      FTimer(new QTimer(this)) {
    FTimer->setSingleShot(true);
    connect(FTimer, &QTimer::timeout, this, [this] {
        if (FPending && !Poll()) Arm();
    });
}

TAutosave::~TAutosave() {
    FWriter.reset(); // waits for a write under way
}

int64_t TAutosave::Now() const {
    return FWindow.Clock().NowMs();
}

void TAutosave::SetPeriod(int64_t ms) {
    FPeriod = ms;
    FTimer->stop();
    Arm();
}

void TAutosave::FigureChanged() {
    if (!FWindow.Modified()) {
        FPending = false;
        FTimer->stop();
        Discard();
        return;
    }
    FPending = true;
    Arm();
}

void TAutosave::Arm() {
    if (!FPending || FTimer->isActive()) return;
    const int64_t wait = FLastSnapshot + FPeriod - Now();
    // Before it is due, the timer waits for that; after, the drag, animation or write that kept the
    // autosave back is asked again a little later.
    FTimer->start(
        int(wait > 0 ? std::min<int64_t>(wait, INT32_MAX) : std::clamp<int64_t>(FPeriod, 1, kRetryMs)));
}

bool TAutosave::Poll() {
    const bool dragging = Dragging ? Dragging() : FWindow.Dragging();
    if (!FPending || Now() < FLastSnapshot + FPeriod || Writing() || dragging || FWindow.Animating() ||
        FWindow.Gliding())
        return false;
    if (!FSession) {
        FSession = TSession::Create(FFolder);
        if (!FSession) {
            FLastSnapshot = Now(); // tried again after a period
            return false;
        }
    }
    const QByteArray stream = TFigureStream::Serialize(FWindow);
    FLastSnapshot = Now();
    FPending = false;
    if (OnSnapshot) OnSnapshot(stream);
    const TWindowBounds bounds = Bounds ? Bounds() : TWindowBounds{};
    const QByteArray header = figurefile::CurrentHeader();
    if (!FWriter) FWriter = std::make_unique<TBackgroundJob>();
    FWriter->Start([this, generation = FGeneration, stream, bounds, header, file = FSession->RecoveryFile()](
                       TJobProgress&) { FOutcome = WriteFile(generation, stream, bounds, header, file); },
                   [this](const QString&) { Collect(); });
    return true;
}

// On the worker thread.
TAutosave::TOutcome TAutosave::WriteFile(uint64_t generation, const QByteArray& stream,
                                         const TWindowBounds& bounds, const QByteArray& header,
                                         const QString& fileName) {
    TOutcome outcome;
    outcome.Generation = generation;
    const QByteArray file = figurefile::Compose(header, bounds, stream);
    if (file.isEmpty()) return outcome;
    const auto current = [&] {
        const std::lock_guard<std::mutex> lock(FFileMutex);
        return generation == FGeneration;
    };
    QSaveFile out(fileName);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) return outcome;
    if (!current()) return outcome; // discarded meanwhile: the temporary goes with `out`
    if (!out.commit()) return outcome;
    // Discarded while the file was being renamed into place: it goes again.
    if (!current()) {
        QFile::remove(fileName);
        return outcome;
    }
    outcome.Ok = true;
    outcome.File = file;
    return outcome;
}

void TAutosave::Collect() {
    std::optional<TOutcome> outcome;
    outcome.swap(FOutcome);
    // A write that threw (out of memory) left no outcome: the changes are still unsaved.
    if (!outcome) outcome = TOutcome{FGeneration, false, {}};
    if (outcome->Generation != FGeneration) return;
    if (!outcome->Ok)
        FPending = true; // the changes are still unsaved: tried again after a period
    else if (OnWritten)
        OnWritten(outcome->File);
    Arm();
}

void TAutosave::Discard() {
    if (!FSession) return;
    {
        const std::lock_guard<std::mutex> lock(FFileMutex);
        ++FGeneration;
    }
    QFile::remove(FSession->RecoveryFile());
}

void TAutosave::Adopt(std::unique_ptr<TSession> session) {
    if (FSession) EndNormally();
    FSession = std::move(session);
    // The adopted file holds the figure as it is now.
    FLastSnapshot = Now();
    FPending = false;
    FTimer->stop();
}

void TAutosave::EndNormally() {
    FTimer->stop();
    FPending = false;
    Discard();
    FWriter.reset(); // waits for a write under way, whose outcome is of no use any more
    FOutcome.reset();
    if (FSession) FSession->RemoveFiles();
    FSession.reset();
}

} // namespace recovery
