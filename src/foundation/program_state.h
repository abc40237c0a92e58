#pragma once
// Program-wide state and its start-up defaults.
//
// The program keeps its shared state in plain variables that live for the
// whole process: the identity texts and paths, the shared text buffers, the
// flags that carry cancellation and calculation failure between routines,
// and the settings that the configuration file stores. Three groups:
//
//   * global state: identity, text buffers, flags, directories, printing
//     and report settings;
//   * configuration defaults: external program paths, units and formats,
//     window scaling, recent files;
//   * text-output defaults: text window, printout font and print scales.
//
// Every variable is defined in program_state.cpp from one constexpr record of
// start-up values, which ResetProgramState() assigns again. The configuration
// reader overwrites what the configuration file holds, the product identity
// routine sets the identity texts; everything else reads and writes the
// variables directly. The app's ResetAllProgramState() resets this
// module with all the others; tests start from it.
//
// Numbered buffers keep the program's own numbering: `choiceBuffer[1]` is
// entry 1, index 0 is unused (it holds blanks too, so it is never empty).
//
// The user-interface language number, the CAD batch flag and the archive lock
// option are set by the main window and read by lower libraries (the save
// dialog, the CAD output run), so they live here too.

#include <array>
#include <cstdint>
#include <string>

namespace veldrim {

// ---- Program identity ------------------------------------------------------

extern std::string productName;  // "VELDRIM": titles, report and file headers
extern std::string
    programShortName;  // "VELDRIM": base name of help, message, configuration and session files
extern std::string windowTitle;        // "V E L D R I M    -    Software"
extern std::string dataFileExtension;  // "EXT": extension of the program's own data files
extern std::string programVersion;     // "1.0"
extern std::string currentFileName;    // "demo": current data file without directory and extension
// The file the data set was read from or last saved to, as a path ("" while
// the set has none): Speichern writes it, the title names it.
extern std::string currentDataFile;
extern std::string dataDirectory;  // "TRAIN": folder of the data files, start folder of open/save

// ---- Shared text buffers ---------------------------------------------------

inline constexpr int kChoiceBufferSize = 135;  // entries 1..135
inline constexpr int kChoiceBufferWidth = 65;  // blanks per entry at start
inline constexpr int kLineBufferCount = 5;     // entries 1..5
inline constexpr int kLineBufferWidth = 64;
inline constexpr int kReportHeaderLineCount = 3;  // entries 1..3
inline constexpr int kReportHeaderLineWidth = 65;

// Items of the list choice dialog; callers fill entries 1..n before asking.
extern std::array<std::string, kChoiceBufferSize + 1> choiceBuffer;
// Word-wrapped message lines (WrapToLines), entries 1..5.
extern std::array<std::string, kLineBufferCount + 1> lineBuffers;
// Header lines of reports, data files and exports, entries 1..3.
extern std::array<std::string, kReportHeaderLineCount + 1> reportHeaderLines;
// The current directory of the process when it started.
extern std::string startDirectory;

// ---- Flags -----------------------------------------------------------------

extern bool cancelFlag;        // false: a cancelled or failed step
extern bool fatalFlag;         // false: the calculation cannot go on
extern bool errorDisplayFlag;  // true: file-error message boxes are shown only while set
extern bool modifiedFlag;      // false: gear data changed since the last save
extern bool archiveModeFlag;   // false: with the archive lock option, file commands are refused

// ---- Directories (empty at start, set from the configuration file) ----------

extern std::string cadDirectory;       // "CAD Ordner": written CAD files
extern std::string databaseDirectory;  // "DBF Ordner": dBase tables
extern std::string ediDirectory;       // "EDI Ordner": data-exchange files
extern std::string helpDirectory;      // "PLT Ordner": help texts, message text file, help pictures
extern std::string userDirectory;  // "Ordner für temporäre Dateien": temporary and report files
// The user's own data folder: the user's copies of the files that the
// installation ships (edited message explanations). Empty until the start-up
// sets it: then nothing is written there.
extern std::string userDataDirectory;
// The folder of the tables installed with the program (set at start-up from
// the installed data folder; empty when none was found). Its tables are
// read where they are, never written, and nothing is created beside them.
extern std::string shippedTablesFolder;

// ---- Settings of the global state -------------------------------------------

extern std::int16_t helpLevel;    // 1 "Hilfegrad": 0 no result view, 1 normal, 2 help numbers shown
extern std::int16_t printerPort;  // 1 "Druckerschnittstelle"
extern std::int16_t printerPortHardcopy;     // 1 "Druckerschnittstelle Hardcopy"
extern std::int16_t printerType;             // 3 "Druckertyp"
extern std::int16_t printDensity;            // 1 "Druckdichte"
extern std::int16_t verticalPrintThickness;  // 1 "Druckdicke vertikal"
extern char hardcopyTurned90;                // 'J' "Hardcopy um 90° gedreht ?"
extern std::int32_t decimalsSetting;         // 3 "Dezimalstellen": shifts every fixed-point format
extern std::int16_t
    reportRuleStyle;  // 1 "Mode für Textausdruck 1:* 2:-": 1 ASCII, 2 box drawing, 3 blanks
extern std::int32_t linesPerPage;              // 66 "Zeilen pro Seite für Drucker"
extern bool colourGraphics;                    // true "Farbgrafik"
extern std::int32_t graphicsDriver;            // 0 "Grafik-Treiber"
extern std::int32_t graphicsMode;              // 0 "Grafik-Mode"
extern std::int16_t horizontalResolution;      // 0 "Auflösung horizontal"
extern std::int16_t verticalResolution;        // 0 "Auflösung vertikal"
extern std::int16_t windowsPrintMode;          // 1 "Windows-Druckmodus (1=mono 2=color)"
extern std::int16_t highestRecordedPenNumber;  // 16: pen changes above it are not recorded

// Working values of single routines elsewhere.
extern std::int32_t drawingDispatcherCounter;  // 1
extern char tableEditorKey1;                   // '0'
extern char tableEditorKey2;                   // '0'
extern std::int32_t tableEditorValue;          // 1
extern std::int32_t reportCounter;             // 0
extern std::int32_t keylessConfigValue;        // 0

// ---- Settings of the configuration defaults ---------------------------------

inline constexpr int kRecentFileCount = 4;
inline constexpr int kUnitSystemCount = 5;

extern std::int16_t databaseMode;    // 1 "Datenbank mode"
extern std::string tableEditorPath;  // "" (the desktop's opener) "externe Datenbank"
extern std::string textEditorPath;   // "" (the desktop's opener) "Textprogramm"
extern std::string htmlBrowserPath;  // "" "HTML Browser"
extern std::int16_t
    dateFormat;  // 3 "Date Code": 1 dd.mm.yyyy, 2 mm/dd/yyyy, 3 yyyy-mm-dd, 4 dd/mm/yyyy
extern std::int32_t headerSpaceLines;       // 0 "Header Space Lines"
extern std::int16_t textDevice;             // 1 "Text Device"
extern bool textDeviceWindow;               // false "Text Device Window ?"
extern bool smallOnlineWindow;              // false "Small Online Window ?"
extern bool enterDiagramLimits;             // false "Enter Diagram Limits ?"
extern std::string defaultDataDirectory;    // current directory at start, "Default Data Directory"
extern std::string configurationDirectory;  // current directory at start: folder of the ".cfg" file
extern std::int32_t
    dialogWindowPercentage;  // 102, then 100 by the screen probe: "Input Window Scale %"
extern std::int32_t dialogElementPercentage;  // 100: scaling of form contents
extern std::int16_t unitSystem;               // 0 "Metric Units=0,  English units=1" (0..4)
extern std::int16_t printoutHeaderMode;       // 1 "printout with header=1, header page 1 only=2"
struct HelpPicturePosition {
    std::int32_t left = 1;
    std::int32_t top = 1;
};
extern HelpPicturePosition helpPicturePosition;  // 1, 1: left and top of the help-picture form
extern std::int16_t
    decimalSeparatorOption;  // 1 "Dot=1 Komma=2": the decimal separator of number texts
extern std::array<std::string, kRecentFileCount>
    recentFilesList;  // the four last data files (session file)
extern std::int16_t
    cadTextCharacterSet;             // 2 "CAD Text Mode": 1 code page 850, 2 Windows, 3 plain ASCII
extern std::int16_t codePageOption;  // 0: 1 plain ASCII output, other values special characters
extern std::int16_t angleFormat;     // 1: 1 decimal degrees, other degrees-minutes-seconds
// Items of the unit-system choice, index 0..4, code page 850.
extern std::array<std::string, kUnitSystemCount> unitSystemNames;
extern std::int32_t formPlacementOption;  // 0: value 2 leaves forms unscaled and unplaced
extern bool hideWarningsFlag;             // false: guarded maths and hideable warnings add nothing
extern bool
    tablesFromUserDirectory;    // false "copy DBF -> TEMP": tables opened from the user directory
extern std::int32_t screenDpi;  // 96, then measured: horizontal pixels per inch

// Stored by the configuration file without key lines of their own.
extern std::int16_t config3dValue1;                    // 0, written after the 3D defaults
extern std::int16_t config3dValue2;                    // 2, written after the 3D defaults
extern std::int32_t resultGraphicChoice;               // 0
extern bool configSpareFlag;                           // false
extern bool saveMenuLanguageFlag;                      // false
extern std::int32_t drawingHeaderChoice;               // 2
extern std::string configSpareText;                    // ""
extern std::array<std::int32_t, 4> configSpareValues;  // 1, 1, 1, 1

// ---- Text-output defaults ----------------------------------------------------

extern std::int32_t textWindowLeft;             // 10 "Text window left/top/width/height"
extern std::int32_t textWindowTop;              // 40 "Text window left/top/width/height"
extern std::int32_t textWindowWidth;            // 700 "Text window left/top/width/height"
extern std::int32_t textWindowHeight;           // 440 "Text window left/top/width/height"
extern std::string printoutFont;                // "Courier New" "Text Font Printout"
extern std::int16_t printoutFontSize;           // 10 "Text Size Printout"
extern std::int16_t printoutTextStyle;          // 3 "Text Style Printout" (0..15)
extern std::int16_t printerOrientation;         // 2 "Printer: Portrait=1, Landscape=2"
extern bool graphicPrintoutDialog;              // true "Graphic Printout Dialog Box ?"
extern double graphicPrintoutScaleX;            // 1.0 print setup "Maßstab x"
extern double graphicPrintoutScaleY;            // 1.0 print setup "Maßstab y"
extern std::int32_t graphicPrintoutOriginX;     // 0 print setup "Ursprung x"
extern std::int32_t graphicPrintoutOriginY;     // 0 print setup "Ursprung y"
extern bool graphicPrintoutBorder;              // false print setup "Umrandung"
extern std::int16_t graphicPrintoutColourMode;  // 2
extern double printScaleVertical;               // 1.0 "Print Scale Vertical"
extern double screenDumpScale;                  // 1.0 "Windows Screendump Scale"
extern std::int32_t screenDumpOriginX;          // 0 "Windows Screendump Origin X"
extern std::int32_t screenDumpOriginY;          // 0 "Windows Screendump Origin Y"
extern std::int16_t printWord1;                 // 0: used by the CAD output run
extern std::int16_t printWord2;                 // 0: used by the print setup

// ---- Set by the main window, read below it -------------------------------------

// The user-interface language chosen on the language menu (1 German,
// 2 English, 3 French, 4 Italian, 5 Swedish, 6 Portuguese, 7 Romanian,
// 8 Korean, 9 Spanish, 12 Chinese); 0 at start-up.
extern std::int32_t languageNumber;
// Set by the command-line switch "/CADi:j" while its CAD output runs: the
// output file name is built from the current data file name without a dialog.
extern bool cadBatchFlag;
// The configuration option "Archive Flag ?": while it and the archive mode
// flag are both set, saving under a new name and other file commands are
// refused with a notice.
extern bool archiveModeLockOption;

// ---- Routines ------------------------------------------------------------------

// The screen probe that ends the start-up of the configuration defaults:
// screenDpi := measuredDpi when it is above 0 (96 stays otherwise), both
// dialog percentages := 100. The window edge calls it with the screen's
// horizontal pixels per inch; the core start-up values already hold its
// result for an unreadable screen.
void ScreenProbe(std::int32_t measuredDpi);
// The screen's pixels per inch alone, as the window measures them once it
// exists (after the configuration file set the dialog percentages): above 0
// it becomes screenDpi, otherwise 96 stays.
void ProbeScreenDpi(std::int32_t measuredDpi);

// Every variable above back to its start-up value (the identity texts to the
// defaults before InitProductIdentity, the directories to the process's
// current directory now).
void ResetProgramState();

}  // namespace veldrim
