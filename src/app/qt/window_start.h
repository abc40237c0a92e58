#pragma once
// Starting the window: the Qt application, the UI port and the main window
// over the data set that start-up read.

#include <string>

#include "app/startup.h"

namespace veldrim {

class Thh;

// Installs the window runner of the program (RunProgram calls it when the
// command line asks for the window and a display is there).
void InstallWindowRunner(int argc, char** argv);

// The window's start on the data set that start-up read: the data file named
// on the command line becomes the current data file as one opened in the
// window does (its folder the data folder, the newest recent file); without
// one the set has no name and no file, and saving asks for a name.
void TakeStartDataFile(const CommandLine& cl);

// The main window shown at the start, once the application and the UI port
// are there: over the data set that start-up read (TakeStartDataFile), and
// with the notice of the start in a message box when there is one (why the
// data file of the command line was not read).
void ShowStartedWindow(Thh& window, const CommandLine& cl, const std::string& notice);

// A data folder that is not there (the default "TRAIN" on a new machine)
// gives way to the user's documents folder (the home folder when there is
// none), so the first open dialog starts in a folder of the user's.
void UseDocumentsFolderWithoutDataFolder();

}  // namespace veldrim
