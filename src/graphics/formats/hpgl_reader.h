#pragma once
// The HP-GL reader: plays an HP-GL plot file (help pictures ".plt", the start
// picture) into the graphics window through the drawing interface
// (graf_object.h). It understands the subset the program's pictures use and
// skips the rest; plotter units become millimetres at 40 units per millimetre.
//
//   command  effect
//   PU PD    pen up / down, then coordinate pairs as for PA
//   PA       absolute pairs; a line from the current point while the pen is down
//   SP       pen number (";" alone selects pen 1)
//   CI       circle about the current point
//   SI DI CS character size (cm), label direction, character set
//   LB       label up to the end-of-text character (3)
//   AA       arc about a centre by a sweep angle (degrees)
//   PE       polyline-encoded data (base 64, or base 32 after '7')
//   others   skipped to the next ';'
//
// The file is untrusted: every byte is checked, over-long labels are cut, and
// a file that ends inside a command ends quietly.

#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/real.h"

namespace veldrim {

// Reader settings that carry over from one file to the next within a run.
struct HpglReaderRecord {
    Real charWidth = 5.0L;  // SI, centimetres
    Real charHeight = 5.0L;
    Real directionRun = 1.0L;  // DI
    Real directionRise = 0.0L;
    Real characterSet = 1.0L;  // CS
    uint8_t penNumber = 1;     // SP or PE
};

extern HpglReaderRecord HpglReaderState;
void ResetHpglReader();

// The longest label kept; the rest of a longer label is skipped up to its
// terminator.
inline constexpr std::size_t kHpglMaxLabel = 255;

// Plays the file. A missing file gives the graphics window's message
// "<name> nicht gefunden !" and leaves the cancel flag set; a played file
// leaves it clear.
void ReadHpglFile(const std::string& name);
// Plays HP-GL bytes already in memory (the file reader and the fuzz target).
void PlayHpgl(std::string_view bytes);

// The colour index of a pen (1..7 to the window's colours; others unchanged).
int HpglPenColor(int pen);

// Installs the help-picture hook of the help texts: the window is cleared,
// set up as the 160 x 120 header view, and the picture played. A picture
// that cannot be read is named ("<name> nicht gefunden !") with the cancel
// flag set, and the window keeps its drawing.
void InstallHpglHelpPictures();

}  // namespace veldrim
