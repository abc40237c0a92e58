// Exchange colour numbers to the window's colour table.
#include "graphics/graf_colors.h"

#include "graphics/display_list.h"

namespace veldrim {

uint8_t ColorOfIndex16(uint8_t n) {
    if (n > 16) n = n % 16;
    switch (n) {
        case 0: return 0;
        case 1: return 12;
        case 2: return 14;
        case 3: return 10;
        case 4: return 11;
        case 5: return 9;
        case 6: return 13;
        case 7: return 15;
        case 16: return 16;
        default: return static_cast<uint8_t>(n - 7);  // 8..15 -> 1..8
    }
}

void GrafSetColor16(uint8_t n) { Window().SetColor(ColorOfIndex16(n)); }

}  // namespace veldrim
