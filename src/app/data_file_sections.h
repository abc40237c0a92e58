#pragma once
// Connects the drawing documentation and the document links to the gear data
// file. The program's start-up calls it once; tests call it before they save.

namespace veldrim {

void InstallDataFileSections();

}  // namespace veldrim
