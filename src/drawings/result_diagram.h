#pragma once
// The result diagram: the view of a calculated worm gear set while no
// production drawing is drawn. On the A4 landscape sheet it shows the
// kinematic viscosity of the lubricant over the oil temperature (from its
// viscosities at 40 and 100 °C), with the wheel bulk temperature of the
// rating marked, and beside it the power balance as a bar gauge: the output
// power and the gear, no-load and bearing losses in per cent of the input.

namespace veldrim {

// True when the data set has results to show: the calculation did not end
// fatal, the lubricant has both viscosities and the rating gave an output
// power and an efficiency.
bool ResultDiagramAvailable();
// The entities of the diagram inside the current CAD output run, placed on
// the sheet 297 x 210 below its title lines; nothing without results.
void DrawResultDiagram();

}  // namespace veldrim
