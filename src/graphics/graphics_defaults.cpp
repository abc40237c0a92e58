// Graphics defaults: start-up values of the colour table and drawing settings.
#include "graphics/graphics_defaults.h"

#include "foundation/program_state.h"

namespace veldrim {

namespace {

constexpr std::array<uint32_t, 17> kStartColours = {
    RgbColour(0, 0, 0),        // 0 black (drawn in the background colour)
    RgbColour(0, 0, 128),      // 1 navy
    RgbColour(0, 255, 0),      // 2 lime
    RgbColour(0, 255, 255),    // 3 aqua
    RgbColour(255, 0, 0),      // 4 red
    RgbColour(128, 0, 128),    // 5 purple
    RgbColour(128, 0, 0),      // 6 maroon
    RgbColour(192, 192, 192),  // 7 silver
    RgbColour(176, 176, 176),  // 8 grey
    RgbColour(0, 0, 255),      // 9 blue
    RgbColour(0, 255, 0),      // 10 lime
    RgbColour(0, 255, 255),    // 11 aqua
    RgbColour(255, 0, 0),      // 12 red
    RgbColour(255, 0, 255),    // 13 fuchsia
    RgbColour(255, 255, 0),    // 14 yellow
    RgbColour(255, 255, 255),  // 15 white
    RgbColour(0, 0, 0),        // 16 black
};

}  // namespace

std::array<uint32_t, 17> ColorTable = kStartColours;
namespace {

struct GraphicsDefaults {
    uint32_t BackgroundColour = 1;
    std::string_view GraphicsTextFont = "Arial";
    Real GraphicsTextWidthFactor = 0.8L;
    Real GraphicsTextHeightFactor = 1.0L;
    uint16_t GraphicsTextStyleBits = 3;
    Real GraphicsCorrectionHorizontal = 1.0L;
    uint8_t WheelZoomSwitch = 0;
};
constexpr GraphicsDefaults kDefaults{};

}  // namespace

uint32_t BackgroundColour = kDefaults.BackgroundColour;
std::string GraphicsTextFont{kDefaults.GraphicsTextFont};
Real GraphicsTextWidthFactor = kDefaults.GraphicsTextWidthFactor;
Real GraphicsTextHeightFactor = kDefaults.GraphicsTextHeightFactor;
uint16_t GraphicsTextStyleBits = kDefaults.GraphicsTextStyleBits;
Real GraphicsCorrectionHorizontal = kDefaults.GraphicsCorrectionHorizontal;
uint8_t WheelZoomSwitch = kDefaults.WheelZoomSwitch;

uint32_t DrawingBackground() {
    return colourGraphics ? BackgroundColour : RgbColour(255, 255, 255);
}

const std::array<uint32_t, 17>& StartColorTable() { return kStartColours; }

void ResetColorTable() { ColorTable = kStartColours; }

void ResetGraphicsDefaults() {
    ResetColorTable();
    BackgroundColour = kDefaults.BackgroundColour;
    GraphicsTextFont = kDefaults.GraphicsTextFont;
    GraphicsTextWidthFactor = kDefaults.GraphicsTextWidthFactor;
    GraphicsTextHeightFactor = kDefaults.GraphicsTextHeightFactor;
    GraphicsTextStyleBits = kDefaults.GraphicsTextStyleBits;
    GraphicsCorrectionHorizontal = kDefaults.GraphicsCorrectionHorizontal;
    WheelZoomSwitch = kDefaults.WheelZoomSwitch;
}

}  // namespace veldrim
