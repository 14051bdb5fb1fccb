#include "model/Colors.h"

namespace {
TColor ClassicSystemColor(int index) {
    switch (index) {
    case 0: return 0xC8C8C8;  // scroll bar
    case 1: return 0x000000;  // desktop
    case 5: return 0xFFFFFF;  // window
    case 8: return 0x000000;  // window text
    case 13: return 0xD77800; // highlight
    case 14: return 0xFFFFFF; // highlight text
    case 15: return 0xF0F0F0; // button face
    case 16: return 0xA0A0A0; // button shadow
    case 18: return 0x000000; // button text
    case 23: return 0x000000; // tooltip text
    case 24: return 0xE1FFFF; // tooltip background
    case 26: return 0xCC6600; // hot-tracked item
    default: return 0x000000;
    }
}

SystemColorResolver& Resolver() {
    static SystemColorResolver resolver;
    return resolver;
}
} // namespace

void SetSystemColorResolver(SystemColorResolver resolver) { Resolver() = std::move(resolver); }

TColor ColorToRGB(TColor c) {
    if (!IsSystemColor(c)) return c;
    const int index = int(uint32_t(c) & 0xFF);
    const auto& resolver = Resolver();
    return (resolver ? resolver(index) : ClassicSystemColor(index)) & 0xFFFFFF;
}
