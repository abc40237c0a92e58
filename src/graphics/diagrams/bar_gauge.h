#pragma once
// The percentage bar gauge: a vertical bar divided into stacked segments from
// the top down, each sized by a percentage of the bar's height and labelled
// (for example the split of the input power into losses and output). Drawn
// through the CAD primitives, so it reaches the screen and every file alike.
// Percentages adding up to more than 100 run below the frame: the gauge does
// not clip.

#include <string>

#include "foundation/real.h"

namespace veldrim {

// One gauge, owned by the caller for one drawing; drawing units.
struct BarGauge {
    Real left = 0, bottom = 0, right = 0, top = 0;
    Real level = 0;  // lower edge of the last segment; starts at the top
    Real textHeight = 0;
    // Baseline of the next label written under the frame: a segment too thin
    // for its label has it there, clear of the segment lines.
    Real below = 0;
};

// Sets the fields and draws the frame and the label above the bar.
void BarGaugeInit(BarGauge& gauge, const std::string& label, Real x, Real y, Real textHeight,
                  Real width, Real height);
// The next segment below the previous one; 0.01 % or less only moves the level.
// Its label stands inside the segment, clear of both lines, where the segment
// holds it at no less than half the gauge's text height; otherwise it goes
// under the frame, one line after the other.
void BarGaugeDraw(BarGauge& gauge, const std::string& text, Real percent);
// A line of text under the frame after the labels there (the gauge's text
// height).
void BarGaugeNote(BarGauge& gauge, const std::string& text);

}  // namespace veldrim
