#pragma once
// Start and end of the table engine in the running program. The start runs
// the record layer's units in their order and then binds the engine's date
// format to the program's short date format; the end closes every table.

#include <string>

namespace veldrim {

// The program's short date format by the date-code setting: 1 "dd.MM.yyyy",
// 2 "MM/dd/yyyy", 3 "yyyy-MM-dd", 4 "dd/MM/yyyy".
std::string PlatformShortDateFormat();

// The engine started with the program's date format (also after the
// configuration file changed the date code).
void StartTableEngine();
// Every table of the facade and of the work areas closed.
void ShutdownTableEngine();

}  // namespace veldrim
