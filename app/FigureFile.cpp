#include "app/FigureFile.h"

#include "files/SafeSave.h"

#include "model/ByteStream.h"
#include "model/Codecs.h"
#include "model/JobProgress.h"
#include "model/ParallelDeflate.h"
#include "window/FigureStream.h"
#include "window/SuperGrWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSysInfo>

#include <libdeflate.h>
#include <pwd.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <limits>
#include <new>
#include <utility>
#include <vector>

namespace figurefile {

namespace {
constexpr qsizetype kBoundsOffset = HeaderSize;
constexpr qsizetype kLengthOffset = HeaderSize + 16;
// Deflate cannot shrink data by more than about 1032 to 1: more output than that from n compressed
// bytes is not a figure but a decompression bomb.
constexpr qsizetype kMaxInflateRatio = 1032;
// Reading and inflating go in steps of this size, between which the progress moves and a cancel is
// seen.
constexpr qsizetype kIoStep = qsizetype(4) << 20;

// The zlib stream of the figure stream in pieces: the two-byte head, the slices and the checksum.
struct TCompressed {
    std::vector<QByteArray> Pieces;
    qsizetype Size() const {
        qsizetype size = 0;
        for (const QByteArray& piece : Pieces)
            size += piece.size();
        return size;
    }
};

// Compresses on every core at the fastest level, storing what does not shrink; the progress counts
// the stream bytes compressed. False when zlib fails, memory runs out or the job is cancelled.
bool Deflate(const QByteArray& input, TCompressed& output, TJobProgress* progress) {
    paralleldeflate::TOptions options;
    options.Level = 1;
    options.StorePoorSlices = true;
    output.Pieces.clear();
    const auto keep = [&output](const QByteArray& piece) {
        output.Pieces.push_back(piece);
        return true;
    };
    return paralleldeflate::CompressZlib(input, options, keep, progress);
}

enum class TInflated { Ok, Damaged, Cancelled };

// The zlib stream's two-byte head: deflate, a window zlib can hold and no preset dictionary.
bool ZlibHead(const char* data, qsizetype size) {
    if (size < 2) return false;
    const auto method = uint8_t(data[0]), flags = uint8_t(data[1]);
    return (method & 0x0F) == Z_DEFLATED && (method >> 4) <= MAX_WBITS - 8 &&
           (method << 8 | flags) % 31 == 0 && !(flags & 0x20);
}

uint32_t BigEndian32(const char* p) {
    const auto* u = reinterpret_cast<const uint8_t*>(p);
    return uint32_t(u[0]) << 24 | uint32_t(u[1]) << 16 | uint32_t(u[2]) << 8 | uint32_t(u[3]);
}

// Inflates a zlib stream. zlib inflates the deflate data between head and checksum, and the checksum
// is computed apart at several times zlib's speed. The progress counts the compressed bytes taken.
TInflated Inflate(const char* data, qsizetype size, QByteArray& output, TJobProgress* progress) {
    if (!ZlibHead(data, size)) return TInflated::Damaged;
    data += 2;
    size -= 2;
    z_stream zs{};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) return TInflated::Damaged;
    const qsizetype cap = size * kMaxInflateRatio + 4096;
    qsizetype produced = 0;
    output.resize(std::min(cap, size * 4 + 4096));
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    qsizetype inLeft = size;
    TInflated result = TInflated::Damaged;
    while (true) {
        if (JobCancelled(progress)) {
            result = TInflated::Cancelled;
            break;
        }
        if (produced == output.size()) {
            if (output.size() >= cap) break;
            output.resize(std::min(cap, output.size() * 2));
        }
        const qsizetype inSlice = std::min(inLeft, kIoStep);
        const qsizetype outSlice = std::min(output.size() - produced, kIoStep * 64);
        zs.avail_in = uInt(inSlice);
        zs.next_out = reinterpret_cast<Bytef*>(output.data() + produced);
        zs.avail_out = uInt(outSlice);
        const int status = inflate(&zs, Z_NO_FLUSH);
        inLeft -= inSlice - zs.avail_in;
        produced += outSlice - zs.avail_out;
        JobAdvance(progress, inSlice - zs.avail_in);
        if (status == Z_STREAM_END) {
            const bool checked =
                inLeft >= 4 && BigEndian32(data + (size - inLeft)) ==
                                   libdeflate_adler32(1, output.constData(), size_t(produced));
            if (checked) result = TInflated::Ok;
            break;
        }
        if (status != Z_OK && status != Z_BUF_ERROR) break;
        // No progress possible: the input ended before the stream did.
        if (status == Z_BUF_ERROR && inLeft == 0 && zs.avail_out > 0) break;
    }
    inflateEnd(&zs);
    output.resize(result == TInflated::Ok ? produced : 0);
    return result;
}

int32_t Int32At(const QByteArray& bytes, qsizetype offset) {
    TByteReader r(bytes.constData() + offset, 4);
    return r.Int32();
}

TReadResult Damaged() {
    TReadResult r;
    r.Status = TReadStatus::Damaged;
    r.Message = NotAFigureMessage();
    return r;
}
} // namespace

QString Signature() {
    return QStringLiteral("TARVELO 1.0 QVF-file.");
}
QByteArray Trailer() {
    return QByteArrayLiteral("v01.");
}
QString FileFilter() {
    return QStringLiteral("Tarvelo figure files (*.tvq);;All files (*.*)");
}
QString DefaultSuffix() {
    return QStringLiteral("tvq");
}
QString NotAFigureMessage() {
    return QStringLiteral("Файл не является рисунком Tarvelo.");
}
QString OpenAsDataQuestion() {
    return QStringLiteral(
        "Файл не является рисунком Tarvelo.\rХотите попытаться открыть его как файл с данными?");
}
QString UnsavedDataQuestion() {
    return QStringLiteral("Имеются несохранённые данные.\rХотите их сохранить?");
}
QString TitleFor(const QString& fileName) {
    return QStringLiteral("Tarvelo - ") + fileName;
}

QByteArray HeaderText(const QDateTime& now, const QString& computer, const QString& user) {
    const QLocale locale = QLocale::system();
    QString text = Signature() + QStringLiteral("\r\nCreated by Tarvelo v1.0 on: ") +
                   locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                   locale.toString(now.time(), QLocale::LongFormat) + QStringLiteral("\r\n");
    if (!computer.isEmpty()) text += QStringLiteral("Comp: ") + computer + QStringLiteral("\r\n");
    if (!user.isEmpty()) text += QStringLiteral("User: ") + user + QStringLiteral("\r\n");
    QByteArray bytes = codec::ToCp1251(text).left(HeaderSize);
    return bytes.leftJustified(HeaderSize, ' ');
}

QString UserName() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("LOGNAME");
    // Services and cron jobs run without either variable; the account database still knows the name.
    if (user.isEmpty())
        if (const passwd* account = getpwuid(geteuid())) user = QString::fromLocal8Bit(account->pw_name);
    return user;
}

QByteArray CurrentHeader() {
    return HeaderText(QDateTime::currentDateTime(), QSysInfo::machineHostName(), UserName());
}

namespace {
QByteArray Head(const QByteArray& header, const TWindowBounds& bounds, qsizetype compressedSize) {
    QByteArray head = header.left(HeaderSize).leftJustified(HeaderSize, ' ');
    TByteWriter w(head);
    w.Int32(bounds.Left);
    w.Int32(bounds.Top);
    w.Int32(bounds.Width);
    w.Int32(bounds.Height);
    w.Int32(int32_t(compressedSize));
    return head;
}

// The length field holds 31 bits; a figure beyond it cannot be stored in this format.
bool Compress(const QByteArray& stream, TCompressed& compressed, QString* error, TJobProgress* progress) {
    if (Deflate(stream, compressed, progress) && compressed.Size() <= std::numeric_limits<int32_t>::max())
        return true;
    if (error && !JobCancelled(progress)) *error = QStringLiteral("Рисунок слишком велик для записи в файл.");
    return false;
}

// Takes a whole file apart; the progress counts the compressed bytes inflated.
TReadResult ParseWith(const QByteArray& file, TJobProgress* progress) {
    TReadResult result;
    if (!file.startsWith(codec::ToCp1251(Signature()))) {
        result.Status = TReadStatus::NotAFigure;
        return result;
    }
    if (file.size() < DataOffset) return Damaged();
    const int32_t length = Int32At(file, kLengthOffset);
    if (length <= 0 || length > file.size() - DataOffset) return Damaged();
    try {
        switch (Inflate(file.constData() + DataOffset, length, result.Stream, progress)) {
        case TInflated::Ok:
            break;
        case TInflated::Damaged:
            return Damaged();
        case TInflated::Cancelled:
            return {TReadStatus::Cancelled, {}, {}, {}};
        }
    } catch (const std::bad_alloc&) {
        return Damaged();
    }
    result.Bounds = {Int32At(file, kBoundsOffset), Int32At(file, kBoundsOffset + 4),
                     Int32At(file, kBoundsOffset + 8), Int32At(file, kBoundsOffset + 12)};
    result.Status = TReadStatus::Ok;
    return result;
}
} // namespace

QByteArray Compose(const QByteArray& header, const TWindowBounds& bounds, const QByteArray& stream,
                   QString* error) {
    TCompressed compressed;
    if (!Compress(stream, compressed, error, nullptr)) return {};
    QByteArray file = Head(header, bounds, compressed.Size());
    file.reserve(DataOffset + compressed.Size() + Trailer().size());
    for (const QByteArray& piece : compressed.Pieces)
        file.append(piece);
    file.append(Trailer());
    return file;
}

TReadResult Parse(const QByteArray& file) {
    return ParseWith(file, nullptr);
}

// The progress: the stream's bytes compressed, then the file's bytes written.
bool Write(TSuperGrWindow& window, const TWindowBounds& bounds, const QString& fileName, QString* error,
           TJobProgress* progress) {
    const QByteArray stream = TFigureStream::Serialize(window);
    if (progress) progress->SetTotal(2 * stream.size());
    TCompressed compressed;
    if (!Compress(stream, compressed, error, progress)) return false;
    compressed.Pieces.insert(compressed.Pieces.begin(), Head(CurrentHeader(), bounds, compressed.Size()));
    compressed.Pieces.push_back(Trailer());
    if (progress) progress->SetTotal(stream.size() + compressed.Size());

    const filesave::TJobScope scope(progress);
    int32_t code = 0;
    QString message;
    const bool written = filesave::SaveReplacing(
        fileName, true, false,
        [&compressed](QIODevice& out) {
            for (const QByteArray& piece : compressed.Pieces)
                if (out.write(piece) != piece.size()) return false;
            return true;
        },
        code, message);
    if (!written) {
        if (error) *error = message; // empty when cancelled
        return false;
    }
    window.SetModified(false);
    return true;
}

// The progress: the file's bytes read, then its compressed bytes inflated.
TReadResult Read(const QString& fileName, TJobProgress* progress) {
    TReadResult result;
    QFile in(fileName);
    if (!in.open(QIODevice::ReadOnly)) {
        result.Message = in.errorString();
        return result;
    }
    const qsizetype size = in.size();
    if (progress) progress->SetTotal(2 * size);
    // A file that is not a figure is not read further than its header.
    QByteArray file = in.read(HeaderSize);
    if (!file.startsWith(codec::ToCp1251(Signature()))) {
        result.Status = in.error() == QFileDevice::NoError ? TReadStatus::NotAFigure : TReadStatus::FileError;
        result.Message = in.errorString();
        return result;
    }
    try {
        qsizetype done = file.size();
        file.resize(std::max(size, done));
        while (done < file.size()) {
            if (JobCancelled(progress)) return {TReadStatus::Cancelled, {}, {}, {}};
            const qint64 got = in.read(file.data() + done, std::min(kIoStep, file.size() - done));
            if (got <= 0) break;
            done += got;
            if (progress) progress->SetDone(done);
        }
        file.resize(done);
    } catch (const std::bad_alloc&) {
        return Damaged();
    }
    if (in.error() != QFileDevice::NoError) {
        result.Message = in.errorString();
        return result;
    }
    if (progress) progress->SetDone(size);
    result = ParseWith(file, progress);
    if (progress && result.Status != TReadStatus::Cancelled) progress->SetDone(2 * size);
    return result;
}

bool Load(TSuperGrWindow& window, const QString& fileName, QString* error, TWindowBounds* bounds) {
    const TReadResult read = Read(fileName);
    QString message = read.Message;
    bool ok = false;
    if (read.Status == TReadStatus::NotAFigure) {
        message = NotAFigureMessage();
    } else if (read.Status == TReadStatus::Ok) {
        ok = TFigureStream::Load(window, read.Stream);
        if (!ok) message = NotAFigureMessage();
        if (ok && bounds) *bounds = read.Bounds;
    }
    if (!ok && error) *error = message;
    return ok;
}

} // namespace figurefile

// ---------------------------------------------------------------------------------------------
// The main window's flows

QString TFigureDocument::OpeningText() {
    return QStringLiteral("Открытие рисунка…");
}

QString TFigureDocument::SavingText() {
    return QStringLiteral("Сохранение рисунка…");
}

bool TFigureDocument::ReadFigureFile(const QString& fileName, const QStringList& dataFiles) {
    return ReadFigureFile(fileName, dataFiles, true);
}

bool TFigureDocument::ReadFigureFile(const QString& fileName, const QStringList& dataFiles,
                                     bool askAboutData) {
    // The file is read and its figure checked whole off the GUI thread; the open one is given up
    // only when that succeeded and the user did not cancel.
    figurefile::TReadResult read;
    std::unique_ptr<TStagedFigure> staged;
    const bool ran = FUi.RunJob(OpeningText(), [&](TJobProgress& progress) {
        read = figurefile::Read(fileName, &progress);
        if (read.Status == figurefile::TReadStatus::Ok) {
            staged = TFigureStream::Parse(FWindow, read.Stream);
            read.Stream = {};
        }
        if (progress.Cancelled()) read.Status = figurefile::TReadStatus::Cancelled;
    });
    if (!ran) return false;
    switch (read.Status) {
    case figurefile::TReadStatus::NotAFigure:
        if (!askAboutData || FUi.Ask(figurefile::OpenAsDataQuestion()) == TFigureFileUi::TAnswer::Yes) {
            FUi.OpenAsDataFiles(dataFiles);
            FWindow.RefreshAll();
        }
        return false;
    case figurefile::TReadStatus::FileError:
    case figurefile::TReadStatus::Damaged:
        FUi.ShowMessage(read.Message);
        return false;
    case figurefile::TReadStatus::Cancelled:
        return false;
    case figurefile::TReadStatus::Ok:
        break;
    }
    if (!staged) {
        FUi.ShowMessage(figurefile::NotAFigureMessage());
        return false;
    }
    FUi.SetMainWindowBounds(read.Bounds);
    TFigureStream::Apply(FWindow, *staged);
    AfterLoad(fileName);
    return true;
}

void TFigureDocument::AfterLoad(const QString& fileName) {
    const TUndoRecordingPause quiet(FWindow);
    FHasFileName = true;
    FFileName = fileName;
    FUi.SetTitle(figurefile::TitleFor(fileName));
    // Every graph gets each permission that at least one loaded graph had.
    TDrawPolicy& policy = FWindow.DrawPolicy;
    policy.AlignScales(policy.SingleScaleX(), policy.SingleScaleY());
    policy.AlignPositions(policy.SinglePosX(), policy.SinglePosY());
    policy.SetAllowPos(policy.AllowPosX(), policy.AllowPosY());
    policy.SetAllowScale(policy.AllowScaleX(), policy.AllowScaleY());
    FWindow.SetCombineAxes(FWindow.CombineXAxis(), FWindow.CombineYAxis());
    FUi.FigureOpened();
}

namespace {
// The events the writing raises while it serialises the figure and clears its Modified flag. They
// are held back while the writing runs off the GUI thread and raised here: the listeners are
// windows.
class TSaveEventsOnThisThread {
public:
    explicit TSaveEventsOnThisThread(TSuperGrWindow& window)
        : FWindow(window), FBefore(std::exchange(window.Events.OnBeforeSaveFigure, nullptr)),
          FAfter(std::exchange(window.Events.OnAfterSaveFigure, nullptr)),
          FEditStatus(std::exchange(window.Events.OnChangeEditStatus, nullptr)) {
        if (FBefore) FBefore(&window);
    }
    ~TSaveEventsOnThisThread() {
        FWindow.Events.OnBeforeSaveFigure = std::move(FBefore);
        FWindow.Events.OnAfterSaveFigure = std::move(FAfter);
        FWindow.Events.OnChangeEditStatus = std::move(FEditStatus);
    }
    // After the writing: the events it would have raised.
    void Raise(bool written) {
        if (FAfter) FAfter(&FWindow);
        if (written && FEditStatus) FEditStatus(&FWindow);
    }

private:
    TSuperGrWindow& FWindow;
    TNotifyEvent FBefore, FAfter, FEditStatus;
};
} // namespace

bool TFigureDocument::WriteFigureFile(const QString& fileName) {
    QString error;
    bool written = false;
    const TWindowBounds bounds = FUi.MainWindowBounds();
    // A running animation would move the scales the writing reads: the figure is saved where it ends.
    FWindow.StopAnimation();
    {
        TSaveEventsOnThisThread events(FWindow);
        if (!FUi.RunJob(SavingText(), [&](TJobProgress& progress) {
                written = figurefile::Write(FWindow, bounds, fileName, &error, &progress);
            }))
            return false;
        events.Raise(written);
    }
    if (written) return true;
    // A cancelled writing has no error and leaves the old file as it was.
    if (!error.isEmpty()) FUi.ShowMessage(error);
    return false;
}

bool TFigureDocument::OpenFigure() {
    if (FWindow.Modified()) {
        // Unsaved work is never dropped silently: a cancelled or failed save stops the opening.
        switch (FUi.Ask(figurefile::UnsavedDataQuestion())) {
        case TFigureFileUi::TAnswer::Yes:
            if (!SaveFigure()) return false;
            break;
        case TFigureFileUi::TAnswer::No:
            break;
        case TFigureFileUi::TAnswer::Cancel:
            return false;
        }
    }
    const QString fileName = FUi.ChooseOpenFile();
    if (fileName.isEmpty()) return false;
    if (!ReadFigureFile(fileName, {fileName})) return false;
    FWindow.Repaint();
    return true;
}

bool TFigureDocument::SaveFigure() {
    if (FHasFileName) return WriteFigureFile(FFileName);
    const QString fileName = FUi.ChooseSaveFile(FFileName);
    if (fileName.isEmpty() || !WriteFigureFile(fileName)) return false;
    FFileName = fileName;
    FUi.SetTitle(figurefile::TitleFor(fileName));
    FHasFileName = true;
    return true;
}

bool TFigureDocument::SaveAs() {
    const QString fileName = FUi.ChooseSaveFile(FFileName);
    if (fileName.isEmpty() || !WriteFigureFile(fileName)) return false;
    FFileName = fileName;
    FUi.SetTitle(figurefile::TitleFor(fileName));
    return true;
}

bool TFigureDocument::OpenFromCommandLine(const QString& argument) {
    if (!QFileInfo(argument).isFile()) return false;
    // A data file named on the command line was named to be plotted: it goes to the add-graphs
    // dialog without the question whether it should.
    return ReadFigureFile(argument, {argument}, false);
}
