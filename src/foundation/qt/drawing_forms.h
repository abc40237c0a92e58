#pragma once
// The forms of the drawing code: the diagram limits form, the 3D view dialog
// and the plot program form. Each edits the texts it is given and returns
// true on OK.

#include <array>
#include <string>

#include "foundation/ui_services.h"

namespace veldrim {

bool RunDiagramLimitsForm(const std::string& caption, const std::string& xLabel,
                          const std::string& yLabel, std::array<std::string, 4>& limits,
                          const std::array<std::string, 4>& calculated);
bool Run3DViewForm(const std::string& caption, std::array<std::string, 3>& angles,
                   bool& withoutCoordinateSystem);
bool RunPlotProgramForm(PlotProgramSettings& settings,
                        std::string (*commandLineOf)(const PlotProgramSettings&));

}  // namespace veldrim
