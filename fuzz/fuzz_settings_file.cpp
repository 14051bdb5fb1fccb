// Any bytes as a settings file: read without harm, and what is read is written and read back the same.
#include "app/Settings.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    const settings::TSettings read = settings::FromIni(TIniDocument::Parse(file), 850, 500);
    const QByteArray written = settings::ToIni(read).ToBytes();
    const settings::TSettings again = settings::FromIni(TIniDocument::Parse(written), 1, 1);
    if (settings::ToIni(again).ToBytes() != written) std::abort();
    return 0;
}
