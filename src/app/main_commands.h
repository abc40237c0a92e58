#pragma once
// The main window's commands without the window: what its menu items do to
// the data set, the files and the drawing. The window calls these and only
// adds the dialogs of its own forms.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace veldrim {

// The save prompt before a file command or shutdown: while the data set is
// modified, asks whether to save it. True when the command may go on (saved,
// or the user declined); false when the user cancelled or saving failed.
bool SavePrompt();

// New data set without a name: the template "null", or the program's
// defaults when there is none, then the template "init", calculated.
void NewDataSet();
// Names the data set after the data file at path: that file (its whole path)
// is the current data file, the one Speichern writes, and its name without
// the extension (BaseNameOf) the set's name.
void TakeDataFileName(const std::string& path);
// Takes a data file that was read or written as the current one
// (TakeDataFileName), its folder as the data directory and the newest recent
// file; the set counts as unchanged.
void TakeAsCurrentDataFile(const std::string& path);
// Reads a data file, makes it the current file and the newest recent file,
// and calculates. False (data set unchanged) when the file cannot be read.
// A name found on disk in other letters only is the file as the disk spells
// it, and takes the place of that name in the recent list.
bool OpenDataSet(const std::string& path);
// Asks for a data file in the data directory and opens it.
void OpenDataSetWithDialog();
// Saves into the file the set was read from or last saved to (asks for a name
// when there is none), or under a new name.
void SaveDataSet();
void SaveDataSetAs();

// Calculates the data set and makes the update after a change.
void Recalculate();
// The update after a change of the data set (a form sequence, a pick, the
// design, an open, File > Neu): the result-view step, which draws the
// default result view at help level 1 and 2. At help level 0 ("Keine Info
// nach Eingabe") the view keeps what it showed, unless the data set took the
// place of another (anotherDataSet: opened, File > Neu): the view would go on
// showing the other set's drawing, so it shows the empty sheet of this one.
void UpdateAfterChange(bool anotherDataSet = false);
// A command that leads the user through a sequence of forms (the
// pre-dimensioning, the geometry tables). Cancel anywhere in it ends the
// sequence and puts the data set back exactly as it was before: records,
// calculation messages and unit system. Completed, the data set is calculated
// and drawn again, and counts as changed when its records changed. True when
// it was completed.
bool FormSequence(const std::function<void()>& forms);
// How the last calculation ended, judged by its message list: a message
// beginning "Fatal" is a fatal stop, "Fehler" an error, any other a warning.
enum class CalculationOutcome { Clean, Warnings, Errors, Fatal };
CalculationOutcome LastCalculationOutcome();
// The status bar's mark of the message list: empty without messages,
// otherwise how many of each kind and where the list is (code page 850).
std::string CalculationStatusText();
// After a calculation the user started (a pick, a form, F9): the message
// list, when the calculation ended with warnings, errors or a fatal stop.
void AnnounceCalculationMessages();
// The geometry design from the lead angle, then the recalculation.
void DesignCommand();

// The view item ("Zeichnung neu", F5): draws the registered result view, or
// the current view while no drawing is registered, at every help level.
void DrawCurrentView();
// Registers the window's default result view as the drawer of the result
// view step, which the forms and tables of the calculation reach through
// their design hook: it draws at help level 1 and 2, nothing at 0.
void InstallDefaultResultView();
// The current view through a CAD output run of the given CAD code (1 DXF,
// 5 drawing records, 3 screen).
void WriteCurrentView(std::uint16_t code);
// The empty sheet (frame and title line naming the current data file) on the
// screen.
void WriteEmptySheetView();

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

// The text of the system information box: one labelled line per value of
// the machine summary (computer, processor, memory, disk) after the
// program's version and the operating system, and the start folder whole on
// the last line.
std::string SystemInformationText();

// The title the window shows (UpdateWindowTitle), code page 850.
std::string MainWindowTitle();

}  // namespace veldrim
