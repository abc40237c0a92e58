#pragma once
// The plot program's command line. CAD-Code 4 writes the drawing as
// "grafmit.dxf" and hands it to the external plot program, started with a
// command line whose switches select the output language, the interface,
// scale, rotation, origin shift, text width and PostScript font:
//
//   <program> <output folder>/grafmit /C<format> [/D<interface + 1>] [/P<port + 1>]
//             [/F<folder>/grafmit] [/M<scale> | /M*] [/X<x>] [/Y<y>] [/B<width>] [/R] [/T<font>]
//
// The line is built either in the plot program form (the UI port's
// EditPlotProgram) or by a chain of the standard input dialogs.

#include <array>
#include <string>
#include <vector>

#include "foundation/drawing_form_texts.h"
#include "foundation/ui_services.h"

namespace veldrim {

// The form's start values: no program (the user names it), HPL, into a file
// of the user directory, scale 1, no shift, text width 1.
PlotProgramSettings DefaultPlotProgramSettings();
// The command line the form shows and returns.
std::string BuildPlotCommandLine(const PlotProgramSettings& settings);

// The form, always starting from its defaults; on OK commandLine := its line
// and the cancel flag is cleared, on cancel the flag is set and the line kept.
void ConfigurePlotProgram(std::string& commandLine);
// The same settings asked one by one with the standard input dialogs; on
// cancel in any step the flag is set and the line kept. Without askFileName a
// line of 61 characters or more goes into a batch file, and the line becomes
// that file's name.
void PromptCommandLine(bool askFileName, std::string& commandLine);

// Starts the plot program of a command line (its first word, '\' read as
// '/', looked up on PATH) with the other words as arguments, without a shell
// and without waiting. A word in double quotes may hold blanks; the builders
// above quote every name that holds one. A failure shows "out of memory !", "file not found"
// or "Exec error " and its number; returns whether it started.
bool StartPlotProgram(const std::string& commandLine);

}  // namespace veldrim
