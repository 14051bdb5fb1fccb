// Any bytes as a text data file, as delimited text and as clipboard text: never a crash, and a
// consistent result, however the reading is split into blocks and threads.
#include "files/NumberFormat.h"
#include "files/TextFile.h"
#include "model/Codecs.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TTextFile file;
    file.ThreadCount = 1;
    const bool ok = file.LoadFromBytes(bytes, QStringLiteral("fuzz.txt"));
    if (ok != (file.VariableCount() > 0) || ok != (file.ErrorCode() == 0)) std::abort();
    if (!ok && file.ErrorCode() != 3) std::abort();
    for (int i = 0; i < file.VariableCount(); ++i) {
        TDoubleArray2 matrix;
        if (!file.GetVariable(i, matrix) || matrix.isEmpty()) std::abort();
        for (const TDoubleArray& row : matrix) {
            if (row.size() != matrix.first().size()) std::abort(); // one table, one width
            for (Extended value : row)
                numfmt::Format(value, QString());
        }
    }
    // Read in the smallest blocks on two threads, the same text gives the same variables.
    TTextFile blocks;
    blocks.BlockSize = 4096;
    blocks.ThreadCount = 2;
    if (blocks.LoadFromBytes(bytes, QStringLiteral("fuzz.txt")) != ok) std::abort();
    if (blocks.VariableCount() != file.VariableCount() || blocks.HeaderLines() != file.HeaderLines())
        std::abort();
    for (int i = 0; i < file.VariableCount(); ++i) {
        TDoubleArray2 one, other;
        file.GetVariable(i, one);
        blocks.GetVariable(i, other);
        if (one != other) std::abort();
    }
    // Keeping two columns gives the same variables, those columns and, in a table of more rows than
    // columns, nothing of the others.
    TTextFile kept;
    kept.BlockSize = 4096;
    kept.ThreadCount = 2;
    kept.KeptColumns = {2, 0};
    if (kept.LoadFromBytes(bytes, QStringLiteral("fuzz.txt")) != ok) std::abort();
    if (kept.VariableCount() != file.VariableCount() || kept.HeaderLines() != file.HeaderLines())
        std::abort();
    for (int i = 0; i < file.VariableCount(); ++i) {
        TDoubleArray2 all, some;
        file.GetColumns(i, all);
        kept.GetColumns(i, some);
        if (some.size() != all.size()) std::abort();
        for (qsizetype c = 0; c < all.size(); ++c) {
            const bool stored = all.first().size() <= all.size() || c == 0 || c == 2;
            if (some[c] != (stored ? all[c] : TDoubleArray())) std::abort();
        }
    }
    TTextFile clipboard;
    clipboard.LoadFromClipboardText(codec::FromCp1251(bytes));
    // As delimited text: one table of equal columns, a name and a date flag for each, or no data.
    for (TFieldSeparator separator :
         {TFieldSeparator::Auto, TFieldSeparator::Comma, TFieldSeparator::Semicolon}) {
        TTextFile table;
        table.FieldSeparator = separator;
        const bool read = table.LoadFromBytes(bytes, QStringLiteral("fuzz.csv"));
        if (!read && table.ErrorCode() != 3 && table.ErrorCode() != 99) std::abort();
        if (!read || table.UsedSeparator() == TFieldSeparator::Whitespace) continue;
        TDoubleArray2 columns;
        if (!table.GetColumns(0, columns) || columns.isEmpty()) std::abort();
        for (const TDoubleArray& column : columns)
            if (column.size() != columns.first().size()) std::abort();
        if (table.ColumnNames(0).size() != columns.size() || table.DateColumns(0).size() != columns.size())
            std::abort();
    }
    return 0;
}
