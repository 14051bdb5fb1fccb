// Any bytes as a MAT-file: never a crash, every variable converts or fails with a known code.
#include "files/MatlabFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMatlabFile file;
    const bool ok = file.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)),
                                       QStringLiteral("fuzz.mat"));
    if (!ok && (file.VariableCount() != 0 || (file.ErrorCode() != 3 && file.ErrorCode() != 4))) std::abort();
    for (int i = 0; i < file.VariableCount(); ++i) {
        TDoubleArray2 matrix;
        file.GetVariable(i, matrix);
        const int code = file.ErrorCode();
        if (code != 0 && code != 6 && code != 7 && code != 12) std::abort();
        file.VariableName(i);
    }
    return 0;
}
