#pragma once
// Fixed texts and tables of the drawing forms that the UI port shows: the 3D
// view dialog's preset buttons and the plot program form's choices, captions
// and hint help numbers. Core code and the window's realisation read them
// from here, so both show the same form.

#include <array>
#include <string>
#include <vector>

#include "foundation/real.h"

namespace veldrim {

// The 3D view dialog's preset buttons: caption and the x, y, z angles in
// degrees (-360 hides an axis).
struct View3DPreset {
    const char* caption;
    Real x, y, z;
};
inline constexpr std::array<View3DPreset, 10> kView3DPresets{{
    {"xy", 0, 90, -360},
    {"xz", 0, -360, 90},
    {"yz", -360, 0, 90},
    {"<", -15, 90, 210},
    {"Isometric xy", -30, 30, 90},
    {"Isometric xz", -30, 90, 30},
    {"Isometric yz", 90, -30, 30},
    {"Dimetric xy", 173, 90, 42},
    {"Dimetric xz", 173, 42, 90},
    {"Dimetric yz", 42, 173, 90},
}};

// The plot program form's choices, in order.
inline constexpr std::array<const char*, 5> kPlotFormatCodes{"HPL", "PS", "PLT", "PL2", "ART"};
inline constexpr std::array<const char*, 5> kPlotFormatCaptions{
    "HP-GL Laserjet (HPL)", "Postscript (PS)", "HP-GL Plotter (PLT)", "HP-GL/2 (PL2)",
    "Aristo (ART)"};
inline constexpr std::array<const char*, 3> kPlotInterfaceCaptions{"seriell", "parallel", "Datei"};
inline constexpr int kPlotFormatPostScript = 1;
inline constexpr int kPlotInterfaceSerial = 0, kPlotInterfaceParallel = 1, kPlotInterfaceFile = 2;
extern const std::array<const char*, 35> kPostScriptFonts;
// Help text of the plot program form's "&Hilfe" button.
inline constexpr int kPlotProgramHelp = 2055;
// The help texts the form's controls show as hints while the help level is not 0.
struct PlotFormHints {
    int outputFormat = 2090, interfaceKind = 2120, scale = 2140, port = 2120;
    int outputDirectory = 2130, psFont = 2280, rotate = 2145, shift = 2150;
    int textWidthFactor = 2160, programPath = 2080;
};
inline constexpr PlotFormHints kPlotFormHints{};
// The form's captions (code page 850), in this order.
enum PlotFormCaption : int {
    kCaptionFormat,
    kCaptionInterface,
    kCaptionScale,
    kCaptionFitScale,
    kCaptionFont,
    kCaptionRotate,
    kCaptionXShift,
    kCaptionYShift,
    kCaptionTextWidth,
    kCaptionProgramFolder,
};
const std::vector<std::string>& PlotFormCaptions();

// Help text of the diagram limits form's "&Hilfetext" button.
inline constexpr int kDiagramLimitsHelp = 1950;

}  // namespace veldrim
