// Replacing a data file without ever losing the old one before the new one is complete.
#pragma once

#include <QFile>
#include <QFileDevice>
#include <QIODevice>
#include <QString>

#include <cstdint>
#include <functional>

class TJobProgress;

namespace filesave {

// The name in double quotes, as the messages show file names.
QString Quoted(const QString& text);

// Opens a data file for reading. A missing file gives code 1 and "Файл "name" не найден.", one that
// cannot be read code 2 and deniedMessage.
bool OpenForReading(QFile& file, const QString& deniedMessage, int32_t& code, QString& message);

// The name of the backup copy: the file's extension replaced by ".bak".
QString BackupName(const QString& name);

// Why a file could not be written, in words for the user ("нет места на диске"), from the system's
// error number; empty for 0.
QString FailureReason(int systemError);
// The same for a file device whose last operation failed; empty when it did not.
QString FailureReason(const QFileDevice& file);
// The message text, then on a line of its own the reason as a sentence (nothing when it is empty).
QString WithReason(const QString& text, const QString& reason);
// "Невозможно записать файл "name"." with the reason.
QString NotWrittenMessage(const QString& name, const QString& reason);

// Writes `name` through `writeContent` into a temporary file in the same folder, then, when the
// file exists, moves the old one to its ".bak" name (`backup`) and renames the new one in place.
// `writeContent` returns false on a write failure; its device may seek within what it wrote. Reports the
// outcome through code and message (0 and empty on success) and returns code == 0; a failure names the file
// and its reason, keeps the old file and leaves no temporary one.
bool SaveReplacing(const QString& name, bool overwrite, bool backup,
                   const std::function<bool(QIODevice&)>& writeContent, int32_t& code, QString& message);

// The code of a writing its job cancelled: no message, and the old file as it was.
inline constexpr int32_t kCancelledCode = -1;

// While it lives, the writings of SaveReplacing on this thread belong to the job: they count the
// bytes written into it, and a cancel makes the next write (of at most a megabyte) fail and the
// saving end with kCancelledCode. The writers above need not know of jobs; those that spend long
// before they write look at Cancelled() themselves.
class TJobScope {
public:
    explicit TJobScope(TJobProgress* job);
    ~TJobScope();
    TJobScope(const TJobScope&) = delete;
    TJobScope& operator=(const TJobScope&) = delete;
    static TJobProgress* Current();

    // Whether the job of this thread's writings is cancelled.
    static bool Cancelled();

private:
    TJobProgress* FOuter;
};

// For tests of the failure paths, which a real disk seldom offers: while it lives, every
// SaveReplacing on any thread fails with the system error `systemError`, at the creation of the
// temporary file (`atOpen`) or at its first write.
class TInjectedWriteFailure {
public:
    TInjectedWriteFailure(int systemError, bool atOpen);
    ~TInjectedWriteFailure();
    TInjectedWriteFailure(const TInjectedWriteFailure&) = delete;
    TInjectedWriteFailure& operator=(const TInjectedWriteFailure&) = delete;
};

} // namespace filesave
