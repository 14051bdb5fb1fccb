#include "export/DataExport.h"

#include "export/WorkbookWriter.h"

#include "files/MatlabFile.h"
#include "files/SafeSave.h"
#include "files/TextFile.h"
#include "model/BackgroundJob.h"
#include "model/Graph.h"
#include "model/JobProgress.h"

#include <QFileInfo>

#include <new>

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

bool WriteWorkbook(const QString& fileName, const QList<TExportBlock>& blocks, const QStringList& sheetNames,
                   bool vertical, QString& message) {
    message.clear();
    if (const QString limit = SheetLimitMessage(blocks, vertical); !limit.isEmpty()) {
        message = limit;
        return false;
    }
    QList<workbook::TSheet> sheets;
    int64_t cells = 0;
    for (int j = 0; j < blocks.size(); ++j) {
        if (blocks[j].Rows.isEmpty() || blocks[j].Rows[0].isEmpty()) continue;
        sheets.append({sheetNames.value(j, TSaveGraphsModel::CleanSheetName(blocks[j].Name)), &blocks[j]});
        cells += blocks[j].Rows.size() * blocks[j].Rows[0].size();
    }
    TJobProgress* const progress = filesave::TJobScope::Current();
    if (progress) {
        progress->SetTotal(cells);
        progress->SetDone(0);
    }
    int32_t code = 0;
    QString saveMessage;
    try {
        if (filesave::SaveReplacing(
                fileName, true, false,
                [&](QIODevice& device) { return workbook::Write(device, sheets, vertical, progress); }, code,
                saveMessage))
            return true;
    } catch (const std::bad_alloc&) {
        message = TBackgroundJob::OutOfMemoryMessage();
        return false;
    }
    if (code == filesave::kCancelledCode) return false; // no message
    // The writer's message names the file, then the reason on its own line; an Excel export words
    // the first line its own way.
    const QString first =
        saveMessage.startsWith(QStringLiteral("Невозможно удалить старый файл"))
            ? QStringLiteral("Не удалось удалить старый файл ") + filesave::Quoted(fileName) + u'!'
            : QStringLiteral("Не удалось записать файл ") + filesave::Quoted(fileName) + u'!';
    const QString reason = saveMessage.section(u'\n', 1);
    message = reason.isEmpty() ? first : first + u'\n' + reason;
    return false;
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
