#include "export/DataExport.h"

#include "files/MatlabFile.h"
#include "files/SafeSave.h"
#include "files/TextFile.h"
#include "model/Graph.h"
#include "model/JobProgress.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <xlsxwriter.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <new>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace dataexport {

std::optional<TExportFormat> FormatFor(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("txt")) return TExportFormat::Text;
    if (suffix == QLatin1String("mat")) return TExportFormat::Mat;
    if (suffix == QLatin1String("xlsx")) return TExportFormat::Workbook;
    return std::nullopt;
}

QString SheetLimitMessage(const QList<TExportBlock>& blocks, bool vertical) {
    const QString start = QStringLiteral("Данная версия Microsoft Excel не позоляет сохранять более ");
    for (const TExportBlock& block : blocks) {
        const qsizetype length = block.Rows.isEmpty() ? 0 : block.Rows[0].size();
        const qsizetype columns = vertical ? block.Rows.size() : length;
        const qsizetype rows = vertical ? length : block.Rows.size();
        if (columns > kMaxSheetColumns)
            return start + QString::number(kMaxSheetColumns) + QStringLiteral(" столбцов.");
        if (rows > kMaxSheetRows) return start + QString::number(kMaxSheetRows) + QStringLiteral(" строк.");
    }
    return {};
}

namespace {
lxw_error WriteCell(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, Extended value) {
    const double number = static_cast<double>(value);
    if (std::isfinite(number)) return worksheet_write_number(sheet, row, column, number, nullptr);
    const char* text = std::isnan(number) ? "NAN" : number > 0 ? "INF" : "-INF";
    return worksheet_write_string(sheet, row, column, text, nullptr);
}

// What the writer of the workbook shares with the thread that waits for it.
struct TWorkbookShared {
    std::atomic<int64_t> CellsWritten{0};
    int LibraryError = 0; // lxw_error
    int SystemError = 0;  // errno at the library's failure
};

// Every block row is read up to the length of row 0; a shorter row leaves its cells empty.
lxw_error WriteSheet(lxw_worksheet* sheet, const TExportBlock& block, bool vertical,
                     TWorkbookShared& shared) {
    const qsizetype length = block.Rows[0].size();
    lxw_error error = LXW_NO_ERROR;
    // Row by row, as the constant-memory mode needs.
    if (vertical) {
        for (qsizetype k = 0; k < length && !error; ++k) {
            for (qsizetype i = 0; i < block.Rows.size() && !error; ++i)
                if (k < block.Rows[i].size())
                    error = WriteCell(sheet, lxw_row_t(k), lxw_col_t(i), block.Rows[i][k]);
            shared.CellsWritten.fetch_add(block.Rows.size(), std::memory_order_relaxed);
        }
    } else {
        for (qsizetype i = 0; i < block.Rows.size() && !error; ++i) {
            const qsizetype cells = std::min(length, block.Rows[i].size());
            for (qsizetype k = 0; k < cells && !error; ++k)
                error = WriteCell(sheet, lxw_row_t(i), lxw_col_t(k), block.Rows[i][k]);
            shared.CellsWritten.fetch_add(cells, std::memory_order_relaxed);
        }
    }
    return error;
}

struct TWorkbookJob {
    QByteArray FileName, TemporaryFolder;
    QList<QByteArray> SheetNames; // one per block, empty for a block that gets no sheet
    const QList<TExportBlock>* Blocks = nullptr;
    bool Vertical = true;
};

// The whole workbook by the library; it touches no Qt object, so that it can run in a child process.
void WriteWithLibrary(const TWorkbookJob& job, TWorkbookShared& shared) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char*>(job.TemporaryFolder.constData());
    options.use_zip64 = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(job.FileName.constData(), &options);
    if (!book) {
        shared.SystemError = errno;
        shared.LibraryError = LXW_ERROR_CREATING_XLSX_FILE;
        return;
    }
    lxw_error error = LXW_NO_ERROR;
    for (qsizetype j = 0; j < job.Blocks->size() && !error; ++j) {
        if (job.SheetNames[j].isEmpty()) continue;
        lxw_worksheet* sheet = workbook_add_worksheet(book, job.SheetNames[j].constData());
        error = sheet ? WriteSheet(sheet, (*job.Blocks)[j], job.Vertical, shared)
                      : LXW_ERROR_PARAMETER_VALIDATION;
    }
    if (error) shared.SystemError = errno;
    errno = 0;
    const lxw_error closed = workbook_close(book);
    if (!error && closed) {
        error = closed;
        shared.SystemError = errno;
    }
    shared.LibraryError = error;
}

// The library cannot be stopped once it has the cells: it writes the whole sheet and packs it in
// workbook_close. So it runs in a child process, which a cancel ends at once. Its memory is a
// copy-on-write view of ours, so the blocks are not copied. Without a child (fork failed) it runs
// here and a cancel waits for it. False when cancelled.
bool RunWorkbookWriter(const TWorkbookJob& job, TWorkbookShared& result, TJobProgress* progress) {
    void* memory =
        mmap(nullptr, sizeof(TWorkbookShared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    const pid_t child = memory == MAP_FAILED ? -1 : fork();
    if (child < 0) {
        if (memory != MAP_FAILED) munmap(memory, sizeof(TWorkbookShared));
        WriteWithLibrary(job, result);
        return !JobCancelled(progress);
    }
    auto* shared = new (memory) TWorkbookShared;
    if (child == 0) {
        WriteWithLibrary(job, *shared);
        _exit(0);
    }
    int status = 0;
    bool cancelled = false;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (JobCancelled(progress)) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            cancelled = true;
            break;
        }
        if (progress) progress->SetDone(shared->CellsWritten.load(std::memory_order_relaxed));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    result.LibraryError = shared->LibraryError;
    result.SystemError = shared->SystemError;
    if (!cancelled && !(WIFEXITED(status) && WEXITSTATUS(status) == 0) && !result.LibraryError)
        result.LibraryError = LXW_ERROR_MEMORY_MALLOC_FAILED; // the child died
    shared->~TWorkbookShared();
    munmap(memory, sizeof(TWorkbookShared));
    return !cancelled;
}

bool CopyFile(const QString& from, QIODevice& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) return false;
    QByteArray chunk;
    while (!(chunk = source.read(qint64(4) << 20)).isEmpty())
        if (to.write(chunk) != chunk.size()) return false;
    return source.error() == QFileDevice::NoError;
}
} // namespace

bool WriteWorkbook(const QString& fileName, const QList<TExportBlock>& blocks, const QStringList& sheetNames,
                   bool vertical, QString& message) {
    message.clear();
    const QString failed = QStringLiteral("Не удалось записать файл ") + filesave::Quoted(fileName) + u'!';
    if (const QString limit = SheetLimitMessage(blocks, vertical); !limit.isEmpty()) {
        message = limit;
        return false;
    }
    TJobProgress* const progress = filesave::TJobScope::Current();
    errno = 0;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        message = filesave::WithReason(failed, filesave::FailureReason(errno));
        return false;
    }
    TWorkbookJob job;
    job.FileName = QFile::encodeName(dir.filePath(QStringLiteral("book.xlsx")));
    job.TemporaryFolder = QFile::encodeName(dir.path());
    job.Blocks = &blocks;
    job.Vertical = vertical;
    int64_t cells = 0;
    for (int j = 0; j < blocks.size(); ++j) {
        const bool empty = blocks[j].Rows.isEmpty() || blocks[j].Rows[0].isEmpty();
        job.SheetNames.append(
            empty ? QByteArray()
                  : sheetNames.value(j, TSaveGraphsModel::CleanSheetName(blocks[j].Name)).toUtf8());
        if (!empty) cells += blocks[j].Rows.size() * blocks[j].Rows[0].size();
    }
    if (progress) progress->SetTotal(cells);
    TWorkbookShared result;
    if (!RunWorkbookWriter(job, result, progress)) return false;
    if (result.LibraryError != LXW_NO_ERROR) {
        message = filesave::WithReason(failed, filesave::FailureReason(result.SystemError));
        return false;
    }
    const QString temporary = QFile::decodeName(job.FileName);
    if (progress) {
        progress->SetTotal(QFileInfo(temporary).size());
        progress->SetDone(0);
    }
    int32_t code = 0;
    QString saveMessage;
    if (!filesave::SaveReplacing(
            fileName, true, false, [&temporary](QIODevice& device) { return CopyFile(temporary, device); },
            code, saveMessage)) {
        if (code == filesave::kCancelledCode) return false; // no message
        // The writer's message names the file, then the reason on its own line; an Excel export
        // words the first line its own way.
        const QString first =
            saveMessage.startsWith(QStringLiteral("Невозможно удалить старый файл"))
                ? QStringLiteral("Не удалось удалить старый файл ") + filesave::Quoted(fileName) + u'!'
                : failed;
        const QString reason = saveMessage.section(u'\n', 1);
        message = reason.isEmpty() ? first : first + u'\n' + reason;
        return false;
    }
    return true;
}

bool WriteBlocks(const TSaveGraphsModel& model, TExportFormat format, const QString& fileName,
                 const QList<TExportBlock>& blocks, QString& message) {
    switch (format) {
    case TExportFormat::Text:
        return model.WriteText(fileName, blocks, message);
    case TExportFormat::Mat:
        return model.WriteMat(fileName, blocks, message);
    case TExportFormat::Workbook:
        break;
    }
    return WriteWorkbook(fileName, blocks, model.SheetNamesFor(blocks), model.Options.Vertical, message);
}

bool SaveGraphData(const TGraph& graph, const QString& fileName, QString& message) {
    TExportBlock block;
    block.Rows.resize(2);
    graph.GetXY(block.Rows[0], block.Rows[1]);
    block.Name = graph.Name();
    switch (FormatFor(fileName).value_or(TExportFormat::Mat)) {
    case TExportFormat::Text: {
        TTextFile file;
        file.SetVariable(-1, block.Rows, false);
        const bool ok = file.SaveToFile(fileName, true, false);
        message = file.ErrorMessage();
        return ok;
    }
    case TExportFormat::Mat: {
        TMatlabFile file;
        file.Compressed = true;
        file.SetVariable(TMatlabFile::MakeMatName(graph.Name()), block.Rows, true);
        const bool ok = file.SaveToFile(fileName, true, false);
        message = file.ErrorMessage();
        return ok;
    }
    case TExportFormat::Workbook:
        break;
    }
    if (WriteWorkbook(fileName, {block}, {TSaveGraphsModel::CleanSheetName(graph.Name())}, true, message))
        return true;
    // The reason, on the message's second line, stays.
    if (!message.isEmpty() || !filesave::TJobScope::Cancelled())
        message = QStringLiteral("Ошибка при попытке сохранить данные в Excel!") +
                  (message.contains(u'\n') ? u'\n' + message.section(u'\n', 1) : QString());
    return false;
}

} // namespace dataexport
