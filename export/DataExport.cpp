#include "export/DataExport.h"

#include "files/MatlabFile.h"
#include "files/SafeSave.h"
#include "files/TextFile.h"
#include "model/Graph.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>
#include <xlsxwriter.h>

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

// Every block row is read up to the length of row 0; a shorter row leaves its cells empty.
lxw_error WriteSheet(lxw_worksheet* sheet, const TExportBlock& block, bool vertical) {
    const qsizetype length = block.Rows[0].size();
    lxw_error error = LXW_NO_ERROR;
    // Row by row, as the constant-memory mode needs.
    if (vertical) {
        for (qsizetype k = 0; k < length && !error; ++k)
            for (qsizetype i = 0; i < block.Rows.size() && !error; ++i)
                if (k < block.Rows[i].size())
                    error = WriteCell(sheet, lxw_row_t(k), lxw_col_t(i), block.Rows[i][k]);
    } else {
        for (qsizetype i = 0; i < block.Rows.size() && !error; ++i)
            for (qsizetype k = 0; k < std::min(length, block.Rows[i].size()) && !error; ++k)
                error = WriteCell(sheet, lxw_row_t(i), lxw_col_t(k), block.Rows[i][k]);
    }
    return error;
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
    QTemporaryDir dir;
    if (!dir.isValid()) {
        message = failed;
        return false;
    }
    const QByteArray temporary = QFile::encodeName(dir.filePath(QStringLiteral("book.xlsx")));
    const QByteArray tmpdir = QFile::encodeName(dir.path());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char*>(tmpdir.constData());
    options.use_zip64 = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(temporary.constData(), &options);
    if (!book) {
        message = failed;
        return false;
    }
    bool ok = true;
    for (int j = 0; j < blocks.size() && ok; ++j) {
        if (blocks[j].Rows.isEmpty() || blocks[j].Rows[0].isEmpty()) continue;
        const QByteArray name =
            sheetNames.value(j, TSaveGraphsModel::CleanSheetName(blocks[j].Name)).toUtf8();
        lxw_worksheet* sheet = workbook_add_worksheet(book, name.constData());
        ok = sheet && WriteSheet(sheet, blocks[j], vertical) == LXW_NO_ERROR;
    }
    ok = workbook_close(book) == LXW_NO_ERROR && ok;
    if (!ok) {
        message = failed;
        return false;
    }
    int32_t code = 0;
    QString saveMessage;
    if (!filesave::SaveReplacing(
            fileName, true, false,
            [&temporary](QIODevice& device) { return CopyFile(QFile::decodeName(temporary), device); }, code,
            saveMessage)) {
        message = saveMessage.startsWith(QStringLiteral("Невозможно удалить старый файл"))
                      ? QStringLiteral("Не удалось удалить старый файл ") + filesave::Quoted(fileName) + u'!'
                      : failed;
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
    message = QStringLiteral("Ошибка при попытке сохранить данные в Excel!");
    return false;
}

} // namespace dataexport
