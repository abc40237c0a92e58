#pragma once
// Starting the window: the Qt application, the UI port and the main window
// over the data set that start-up read.

namespace veldrim {

// Installs the window runner of the program (RunProgram calls it when the
// command line asks for the window and a display is there).
void InstallWindowRunner(int argc, char** argv);

}  // namespace veldrim
