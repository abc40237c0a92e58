#pragma once
// Graphics defaults: the colour table and the settings with which the
// graphics window draws (background, text font and factors, wheel zoom).
// They take their start-up values when the program starts; the configuration
// file and its form overwrite them, and the form can reset the colour table.
//
// Colours are 32-bit values red + 256 green + 65536 blue, the form the
// configuration file stores. Index 0 of the colour table is drawn in the
// background colour; 1 to 16 are drawing colours.

#include <array>
#include <cstdint>
#include <string>

#include "foundation/real.h"

namespace veldrim {

constexpr uint32_t RgbColour(uint32_t red, uint32_t green, uint32_t blue) {
    return red + 256u * green + 65536u * blue;
}

// The 17 colours by index 0..16. Entries 0..15 are kept in the configuration file.
extern std::array<uint32_t, 17> ColorTable;

extern uint32_t BackgroundColour;          // "Hintergrundfarbe"; 1 (nearly black, not 0)
extern std::string GraphicsTextFont;       // "Textstil Grafik"; "Arial"
extern Real GraphicsTextWidthFactor;       // "Textbreitenfaktor Grafik"; 0.8
extern Real GraphicsTextHeightFactor;      // "Text Height Factor"; 1.0
extern uint16_t GraphicsTextStyleBits;     // "Text Style Graphics"; 3 (bold, italic)
extern Real GraphicsCorrectionHorizontal;  // "GrafikKorrekturFaktor horizontal"; 1.0
extern uint8_t WheelZoomSwitch;            // wheel zooms while set; 0

// The colour the drawing is painted on: the background colour, or white
// paper while the colour mode ("Farbgrafik") is off, where every line is
// drawn black.
uint32_t DrawingBackground();

// The 17 start-up colours by index 0..16 (navy, lime, aqua, red, ...).
const std::array<uint32_t, 17>& StartColorTable();
// Sets all 17 colours to their start-up values.
void ResetColorTable();
// Every setting of this module to its start-up value.
void ResetGraphicsDefaults();

}  // namespace veldrim
