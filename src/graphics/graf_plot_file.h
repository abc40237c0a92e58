#pragma once
// The check that a plot file can be read before a drawing replays it.

#include <string>

namespace veldrim {

// Checks that a plot file can be read; otherwise the message "<name> nicht
// gefunden !" and the cancel flag.
void GrafCheckPlotFile(const std::string& name);

}  // namespace veldrim
