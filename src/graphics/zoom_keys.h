#pragma once
// Zoom, pan and keys of the graphics window. None of this touches the display
// list: every action only changes the zoom rectangle through SetScale, and
// the next replay draws the same records at the new scale. The handlers are
// members of TFveldgra (display_list.h); this header names the key codes and
// the limits of the zoom.

#include <cstdint>

namespace veldrim {

// Virtual key codes the window understands.
enum : uint16_t {
    kVkEscape = 0x1B,
    kVkPageUp = 0x21,
    kVkPageDown = 0x22,
    kVkLeft = 0x25,
    kVkUp = 0x26,
    kVkRight = 0x27,
    kVkDown = 0x28,
    kVkAdd = 0x6B,       // numeric pad +
    kVkSubtract = 0x6D,  // numeric pad -
    kVkF5 = 0x74,
    kVkShift = 0x10,
    kVkControl = 0x11,
    kVkMenu = 0x12,   // Alt
    kVkOther = 0xFF,  // any other key: it repeats the last action
};

// Stored key actions (DOS keyboard scan codes, as LastKeyScan keeps them).
enum : uint8_t {
    kScanZoom = 0x20,  // with LastKeyChar '+' or '-'
    kScanReset = 0x3F,
    kScanUp = 0x48,
    kScanPageUp = 0x49,
    kScanLeft = 0x4B,
    kScanRight = 0x4D,
    kScanDown = 0x50,
    kScanPageDown = 0x51,
};

// Limits of the zoom rectangle: half its width or height stays within
// kMinZoomHalfSpan .. kMaxZoomHalfSpan and every corner within
// +-kMaxZoomCoordinate, so zooming or panning far never overflows. A step
// that would leave them is not taken.
inline constexpr int64_t kMinZoomHalfSpan = 1;
inline constexpr int64_t kMaxZoomHalfSpan = int64_t{1} << 23;
inline constexpr int64_t kMaxZoomCoordinate = int64_t{1} << 28;

}  // namespace veldrim
