#include "files/SafeSave.h"

#include "model/JobProgress.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

// Passes the writes on to the file, counting them into the job; once the job is cancelled, every
// write fails.
class TCountingDevice : public QIODevice {
public:
    TCountingDevice(QIODevice& target, TJobProgress* job) : FTarget(target), FJob(job) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (JobCancelled(FJob)) return -1;
        const qint64 written = FTarget.write(data, size);
        if (written > 0) JobAdvance(FJob, written);
        return written;
    }

private:
    QIODevice& FTarget;
    TJobProgress* FJob;
};

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
    if (!file.open(QIODevice::WriteOnly))
        return Fail(code, message, 2,
                    QStringLiteral("Невозможно создать файл ") + Quoted(name) + QStringLiteral("."));
    TJobProgress* const job = currentJob;
    bool written = false;
    if (job) {
        TCountingDevice counting(file, job);
        written = writeContent(counting);
    } else {
        written = writeContent(file);
    }
    if (JobCancelled(job)) {
        file.cancelWriting();
        return Fail(code, message, kCancelledCode, QString());
    }
    if (!written || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return Fail(code, message, 99, QStringLiteral("Неизвестная ошибка. Возможно, диск переполнен."));
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
        if (!movedTo.isEmpty()) QFile::rename(movedTo, name); // put the old file back
        if (exists && movedTo.isEmpty())
            return Fail(code, message, 2,
                        QStringLiteral("Невозможно удалить старый файл ") + Quoted(name) +
                            QStringLiteral("."));
        return Fail(code, message, 2,
                    QStringLiteral("Невозможно создать файл ") + Quoted(name) + QStringLiteral("."));
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
