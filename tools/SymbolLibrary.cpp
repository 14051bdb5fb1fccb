#include "tools/SymbolLibrary.h"

#include "files/SafeSave.h"
#include "model/Symbol.h"

#include <QFileInfo>

void TSymbolLibraryModel::Select(int index) {
    FSelected = index >= 0 && index < FSymbols.size() ? index : -1;
}

bool TSymbolLibraryModel::Load(const QString& fileName, QString& error) {
    QList<TSymbol> read;
    if (!LoadSymbolLibrary(fileName, read)) {
        error = QFileInfo::exists(fileName)
                    ? QStringLiteral("Невозможно прочитать библиотеку символов ") +
                          filesave::Quoted(fileName) + QLatin1Char('.')
                    : QStringLiteral("Файл ") + filesave::Quoted(fileName) + QStringLiteral(" не найден.");
        return false;
    }
    FSymbols = read;
    FSelected = FSymbols.isEmpty() ? -1 : 0;
    return true;
}

bool TSymbolLibraryModel::Save(const QString& fileName, QString& error) const {
    const QByteArray bytes = WriteSymbolLibrary(FSymbols);
    int32_t code = 0;
    return filesave::SaveReplacing(
        fileName, true, false, [&bytes](QIODevice& out) { return out.write(bytes) == bytes.size(); }, code,
        error);
}

void TSymbolLibraryModel::DeleteSelected() {
    if (FSelected < 0) return;
    FSymbols.removeAt(FSelected);
    Select(std::min(FSelected, int(FSymbols.size()) - 1));
}

void TSymbolLibraryModel::Add(const TSymbol& symbol, bool replace) {
    if (replace && FSelected >= 0) {
        FSymbols[FSelected] = symbol;
        return;
    }
    FSymbols.append(symbol);
    FSelected = int(FSymbols.size()) - 1;
}

int TSymbolLibraryModel::ColumnCount(int gridWidth, int cellWidth) {
    if (cellWidth < 1) return 1;
    return std::max(1, (gridWidth - 20) / (cellWidth + 1));
}
