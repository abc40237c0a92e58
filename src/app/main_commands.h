#pragma once
// The main window's commands without the window: what its menu items do to
// the data set, the files and the drawing. The window calls these and only
// adds the dialogs of its own forms.

#include <cstdint>
#include <string>
#include <vector>

namespace veldrim {

// The save prompt before a file command or shutdown: while the data set is
// modified, asks whether to save it. True when the command may go on (saved,
// or the user declined); false when the user cancelled or saving failed.
bool SavePrompt();

// New data set: the templates "null" and "init", calculated.
void NewDataSet();
// Reads a data file, makes it the current file and the newest recent file,
// and calculates. False (data set unchanged) when the file cannot be read.
bool OpenDataSet(const std::string& path);
// Asks for a data file in the data directory and opens it.
void OpenDataSetWithDialog();
// Saves under the current name (asks when there is none), or under a new name.
void SaveDataSet();
void SaveDataSetAs();

// Calculates the data set and draws the result view.
void Recalculate();
// The geometry design from the lead angle, then the recalculation.
void DesignCommand();

// The view drawn after a calculation: the registered result view, or the
// empty sheet (frame and title line) while no drawing is registered.
void DrawCurrentView();
// The current view through a CAD output run of the given CAD code (1 DXF,
// 5 drawing records, 3 screen).
void WriteCurrentView(std::uint16_t code);

// The result diagram on screen (view menu); without results a message says
// why the view stays empty.
void ShowResultDiagram();

// The start picture "start.plt" of the help directory, played into the
// window when the file exists (the start-up without a data file).
void PlayStartPicture();
// The names of the help pictures of the help directory (".plt" in any letter
// case) in name order; when there are none a notice says so.
std::vector<std::string> HelpPictureList();
// Draws the named help picture of the help directory in the window.
void ShowHelpPictureNamed(const std::string& name);

// The program's data folder: beside the program first ("data" next to it or
// the program's own folder), then the installed share folder, then the
// source tree's folder the build knows. Empty when none holds the help file.
std::string FindDataFolder(const std::string& programPath);
// Makes the help and message text files and the shipped tables findable:
// while the help directory holds no help file, it becomes the data folder;
// so does the table folder while it is not set and the current folder holds
// no material table.
void UseDataFolder(const std::string& folder);

// The title the window shows (UpdateWindowTitle), code page 850.
std::string MainWindowTitle();

}  // namespace veldrim
