#pragma once
// Starting the window: the Qt application, the UI port and the main window
// over the data set that start-up read.

namespace veldrim {

// Installs the window runner of the program (RunProgram calls it when the
// command line asks for the window and a display is there).
void InstallWindowRunner(int argc, char** argv);

// A data folder that is not there (the default "TRAIN" on a new machine)
// gives way to the user's documents folder (the home folder when there is
// none), so the first open dialog starts in a folder of the user's.
void UseDocumentsFolderWithoutDataFolder();

}  // namespace veldrim
