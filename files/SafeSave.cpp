#include "files/SafeSave.h"

#include "model/JobProgress.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace filesave {

QString Quoted(const QString& text) {
    return u'"' + text + u'"';
}

namespace {

bool Fail(int32_t& code, QString& message, int32_t newCode, const QString& newMessage) {
    code = newCode;
    message = newMessage;
    return false;
}

thread_local TJobProgress* currentJob = nullptr;

// The failure a test injects: 0 for none.
std::atomic<int> injectedError{0};
std::atomic<bool> injectedAtOpen{false};

// Passes the writes on to the file in slices of at most a megabyte, counting them into the job;
// once the job is cancelled, every write fails. Seeking goes through to the file.
class TGuardedDevice : public QIODevice {
public:
    TGuardedDevice(QIODevice& target, TJobProgress* job) : FTarget(target), FJob(job) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    // The system error of an injected failure, 0 when the file itself failed or nothing did.
    int InjectedError() const { return FInjectedError; }
    // Writers of archives go back to fill in sizes.
    bool seek(qint64 position) override { return FTarget.seek(position) && QIODevice::seek(position); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        constexpr qint64 kSlice = qint64(1) << 20;
        for (qint64 at = 0; at < size;) {
            if (JobCancelled(FJob)) return -1;
            if (const int error = injectedError.load(); error != 0 && !injectedAtOpen.load()) {
                FInjectedError = error;
                return -1;
            }
            const qint64 slice = std::min(kSlice, size - at);
            if (FTarget.write(data + at, slice) != slice) return -1;
            JobAdvance(FJob, slice);
            at += slice;
        }
        return size;
    }

private:
    QIODevice& FTarget;
    TJobProgress* FJob;
    int FInjectedError = 0;
};

QString Named(const QString& start, const QString& name, const QString& reason) {
    return WithReason(start + Quoted(name) + u'.', reason);
}

} // namespace

TJobScope::TJobScope(TJobProgress* job) : FOuter(currentJob) {
    currentJob = job;
}
TJobScope::~TJobScope() {
    currentJob = FOuter;
}
TJobProgress* TJobScope::Current() {
    return currentJob;
}
bool TJobScope::Cancelled() {
    return JobCancelled(currentJob);
}

TInjectedWriteFailure::TInjectedWriteFailure(int systemError, bool atOpen) {
    injectedAtOpen = atOpen;
    injectedError = systemError;
}
TInjectedWriteFailure::~TInjectedWriteFailure() {
    injectedError = 0;
}

QString FailureReason(int systemError) {
    switch (systemError) {
    case 0:
        return {};
    case ENOSPC:
        return QStringLiteral("нет места на диске");
    case EDQUOT:
        return QStringLiteral("превышена дисковая квота");
    case EACCES:
    case EPERM:
        return QStringLiteral("нет прав на запись");
    case EROFS:
        return QStringLiteral("файловая система только для чтения");
    case ENOTDIR:
        return QStringLiteral("путь не является папкой");
    case ENOENT:
        return QStringLiteral("папка не существует");
    case EISDIR:
        return QStringLiteral("это имя папки, а не файла");
    case EFBIG:
        return QStringLiteral("файл слишком велик для этой файловой системы");
    case ENAMETOOLONG:
        return QStringLiteral("слишком длинное имя файла");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("открыто слишком много файлов");
    case EIO:
        return QStringLiteral("ошибка ввода-вывода");
    default:
        return QStringLiteral("ошибка системы (") + QString::fromLocal8Bit(std::strerror(systemError)) + u')';
    }
}

QString FailureReason(const QFileDevice& file) {
    if (file.error() == QFileDevice::NoError) return {};
    // A file device keeps only the system's text of its error, never its number: the number is found
    // again by that text.
    const QString text = file.errorString();
    for (const int error : {ENOSPC, EDQUOT, EACCES, EPERM, EROFS, ENOTDIR, ENOENT, EISDIR, EFBIG,
                            ENAMETOOLONG, EMFILE, ENFILE, EIO})
        if (text == qt_error_string(error) || text == QString::fromLocal8Bit(std::strerror(error)))
            return FailureReason(error);
    return text.isEmpty() ? QString() : QStringLiteral("ошибка системы (") + text + u')';
}

QString WithReason(const QString& text, const QString& reason) {
    return reason.isEmpty() ? text : text + u'\n' + reason.front().toUpper() + reason.mid(1) + u'.';
}

QString NotWrittenMessage(const QString& name, const QString& reason) {
    return Named(QStringLiteral("Невозможно записать файл "), name, reason);
}

QString BackupName(const QString& name) {
    const qsizetype slash = name.lastIndexOf(u'/');
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot > slash ? name.left(dot) : name) + QLatin1String(".bak");
}

bool SaveReplacing(const QString& name, bool overwrite, bool backup,
                   const std::function<bool(QIODevice&)>& writeContent, int32_t& code, QString& message) {
    code = 0;
    message.clear();
    const bool exists = QFileInfo::exists(name);
    if (exists && !overwrite)
        return Fail(code, message, 9,
                    QStringLiteral("Файл с именем ") + Quoted(name) + QStringLiteral(" уже существует."));

    QSaveFile file(name);
    if (const int error = injectedError.load(); error != 0 && injectedAtOpen.load())
        return Fail(code, message, 2,
                    Named(QStringLiteral("Невозможно создать файл "), name, FailureReason(error)));
    // Unbuffered: a failing write fails at once, with its reason, rather than at the commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Fail(code, message, 2,
                    Named(QStringLiteral("Невозможно создать файл "), name, FailureReason(file)));
    TJobProgress* const job = currentJob;
    TGuardedDevice guarded(file, job);
    const bool written = writeContent(guarded);
    if (JobCancelled(job)) {
        file.cancelWriting();
        return Fail(code, message, kCancelledCode, QString());
    }
    if (!written || file.error() != QFileDevice::NoError) {
        const QString reason =
            guarded.InjectedError() != 0 ? FailureReason(guarded.InjectedError()) : FailureReason(file);
        file.cancelWriting();
        return Fail(code, message, 99, NotWrittenMessage(name, reason));
    }

    QString movedTo;
    const QString backupName = BackupName(name);
    // A file that already carries the ".bak" name is simply replaced.
    if (exists && backup && QFileInfo(backupName) != QFileInfo(name)) {
        if (QFileInfo::exists(backupName) && !QFile::remove(backupName)) {
            file.cancelWriting();
            return Fail(code, message, 2,
                        QStringLiteral("Невозможно удалить bak-файл: ") + Quoted(backupName) +
                            QStringLiteral("."));
        }
        if (!QFile::rename(name, backupName)) {
            file.cancelWriting();
            return Fail(code, message, 2,
                        QStringLiteral("Невозможно переименовать старый файл ") + Quoted(name) +
                            QStringLiteral(" в ") + Quoted(backupName) + QStringLiteral("."));
        }
        movedTo = backupName;
    }
    if (!file.commit()) {
        const QString reason = FailureReason(file);
        if (!movedTo.isEmpty()) QFile::rename(movedTo, name); // put the old file back
        if (exists && movedTo.isEmpty())
            return Fail(code, message, 2,
                        Named(QStringLiteral("Невозможно удалить старый файл "), name, reason));
        return Fail(code, message, 2, Named(QStringLiteral("Невозможно создать файл "), name, reason));
    }
    return true;
}

bool OpenForReading(QFile& file, const QString& deniedMessage, int32_t& code, QString& message) {
    const QFileInfo info(file.fileName());
    if (!info.exists())
        return Fail(code, message, 1,
                    QStringLiteral("Файл ") + Quoted(file.fileName()) + QStringLiteral(" не найден."));
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) return Fail(code, message, 2, deniedMessage);
    return true;
}

} // namespace filesave
