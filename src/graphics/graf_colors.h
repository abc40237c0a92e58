#pragma once
// The colour numbers of the exchange formats on the graphics window.

#include <cstdint>

namespace veldrim {

// Exchange colour number (1 red, 2 yellow, 3 green, 4 cyan, 5 blue,
// 6 magenta, 7 white, 8..15 the rest) to the window's colour index.
uint8_t ColorOfIndex16(uint8_t n);
// Sets the window's drawing colour from an exchange colour number.
void GrafSetColor16(uint8_t n);

}  // namespace veldrim
