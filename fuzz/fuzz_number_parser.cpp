// The extended parser against strtold in the C locale on any decimal text, and its check without
// the value against both.
#include "files/NumberParser.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    Extended value = 0;
    const char* stop = nullptr;
    const bool ok = numparse::ParseExtended(text.data(), text.data() + text.size(), value, &stop);
    if (stop < text.data() || stop > text.data() + text.size()) std::abort();
    // The check without the value agrees with the parse.
    const char* checked = nullptr;
    if (numparse::IsExtended(text.data(), text.data() + text.size(), &checked) != ok || checked != stop)
        std::abort();
    if (!ok && stop == text.data()) return 0;
    // What the parser took must be what strtold takes from the same start, rounded the same way.
    const std::string taken(text.data(), stop);
    if (taken.find_first_not_of("0123456789+-.eE") != std::string::npos) std::abort();
    char* end = nullptr;
    const Extended reference = numparse::ReferenceStrtold(taken.c_str(), &end);
    if (size_t(end - taken.c_str()) != taken.size()) std::abort();
    if (ok ? std::memcmp(&value, &reference, 10) != 0 : !std::isinf(reference)) std::abort();
    return 0;
}
