#pragma once
// Start-up of the program and its command line:
//   veldrim Filename [/I] [/CADi:j] [/E] [/NOGUI]     also /?, /G and /ARCHIV
// "/I" writes the text report of the data file, "/E" reads a data-exchange
// file, calculates and writes it anew, "/CADi:j" writes CAD item j in format
// i. "/ARCHIV" starts the run in archive mode, batch or window. A headless run
// ends with status 0 on success and a one-line reason on standard error
// otherwise.

#include <string>
#include <vector>

namespace veldrim {

// Exit status of a headless run.
enum ExitStatus : int {
    kExitOk = 0,
    kExitUsage = 1,         // unknown switch or missing file name
    kExitUnreadable = 2,    // the data file cannot be read
    kExitFatal = 3,         // the calculation ended fatal
    kExitOutputFailed = 4,  // an output could not be written
    kExitNotAvailable = 5,  // the requested output is not part of this build
};

struct CommandLine {
    std::string file;                  // the data file (or data-exchange file with /E)
    bool report = false;               // /I
    bool exchange = false;             // /E
    bool noGui = false;                // /NOGUI
    bool usage = false;                // /?
    bool graphic = false;              // /G
    bool archive = false;              // /ARCHIV
    int cadFormat = -1;                // /CADi:j -> i (0..9)
    int cadItem = -1;                  //           -> j
    std::vector<std::string> unknown;  // switches not recognised
};

// Switches are recognised ignoring case; an argument that names an existing
// path is the file even when it begins with '/'.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage screen ("/?"): the command lines the program takes, each switch
// with what it does in this build.
std::string UsageText(const std::string& programName);

// The program state the command line sets for the whole run, batch or window:
// the archive mode flag ("/ARCHIV"). In archive mode the data file is named by
// its name alone (the report header, the drawing sheet); with the
// configuration option "Archive Flag ?" saving under a new name is refused,
// without it the first such command ends archive mode.
void TakeCommandLineState(const CommandLine& cl);

// Product identity of the worm gear program: names, title, version and the
// data-file extension "qb3".
void InitProductIdentity();

// The template data file of the base name ("null", "init") in the data
// folder, the start folder or the program's data folder; empty when none.
std::string TemplatePath(const std::string& base);
// Reads the templates "null" and "init" when they exist and calculates: the
// calculated default set the user starts from.
void LoadStartupTemplates();

// The window, installed by the program before RunProgram when it is built
// with one: it opens the main window on the data set that start-up read,
// shows the notice (when not empty) and returns the exit status when the
// window closes.
using WindowRunner = int (*)(const CommandLine& cl, const std::string& notice);
extern WindowRunner windowRunner;
// True when a window can be shown: a display (X11 or Wayland) or a Qt
// platform is named in the environment.
bool DisplayAvailable();

// The whole program run; returns the process's exit status.
int RunProgram(int argc, const char* const* argv);

}  // namespace veldrim
