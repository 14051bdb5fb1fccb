// Any bytes as a figure file: header, length and compressed stream are checked, never a crash; a
// stream that reads goes through the writer and back unchanged.
#include "app/FigureFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    const figurefile::TReadResult read = figurefile::Parse(file);
    if (read.Status != figurefile::TReadStatus::Ok && !read.Stream.isEmpty()) std::abort();
    if (read.Status == figurefile::TReadStatus::Ok) {
        const int32_t length = int32_t(uint8_t(file[271]) | uint8_t(file[272]) << 8 |
                                       uint8_t(file[273]) << 16 | uint32_t(uint8_t(file[274])) << 24);
        // Deflate cannot shrink by more than about 1032 to 1.
        if (length <= 0 || read.Stream.size() > qsizetype(length) * 1032 + 4096) std::abort();
        // What was read is written again and reads back the same.
        const figurefile::TReadResult again =
            figurefile::Parse(figurefile::Compose(file.left(255), {}, read.Stream));
        if (again.Status != figurefile::TReadStatus::Ok || again.Stream != read.Stream) std::abort();
    }
    return 0;
}
