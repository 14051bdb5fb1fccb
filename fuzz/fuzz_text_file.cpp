// Any bytes as a text data file and as clipboard text: never a crash, and a consistent result.
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
    TTextFile clipboard;
    clipboard.LoadFromClipboardText(codec::FromCp1251(bytes));
    return 0;
}
