#pragma once
// Numbered help texts and help pictures.
//
// Every dialog and question can show a numbered help text and many also a help
// picture. The texts live in help text files of numbered entries of up to five
// lines; an entry may name an HP-GL picture drawn in the graphics window. The
// program-wide `currentHelpNumber` tells the help buttons of the dialog on
// screen which entry to show; every dialog sets it before it is shown.
//
// Help text file (code page 850): entries N >= 4000 are in the help directory's
// file of the program short name in lower case with ".hlp", the others in the
// general help file "veldrim.hlp". Layout of one entry:
//
//   | line       | content                                                  |
//   |------------|----------------------------------------------------------|
//   | header     | first 4 characters the entry number (a multiple of 5);   |
//   |            | the text after the first ':' names the picture           |
//   | text 1     | always taken                                             |
//   | text 2..5  | a plain line (first 4 characters no number) is taken;    |
//   |            | a line numbered N+k-1 (not a multiple of 5) selects the  |
//   |            | line after it as line k; other numbers skip both lines   |
//
// An entry ends at the next header (a line whose first 4 characters are a
// multiple of 5), after line 5, or at the end of the file.
//
// Help pictures are drawn through `helpPictureHook`, which the start-up
// installs (the graphics subsystem's HP-GL reader); without it a picture
// request gives a clear notice.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace veldrim {

// The help text the help buttons of the dialog on screen refer to; 0 at start.
extern std::uint16_t currentHelpNumber;

// Draws a help picture: clears the graphics window, sets up the 160 x 120
// header view and, unless picturePath is empty, plays the HP-GL file (a
// missing file sets the cancel flag). Null until the start-up installs it.
using HelpPictureHook = void (*)(const std::string& picturePath);
extern HelpPictureHook helpPictureHook;

void ResetHelpTexts();

// The file of a help picture: the help directory, the name and ".plt" (the
// letter case of the name as the folder has it).
std::string HelpPicturePath(const std::string& picture);

void SetHelpNumber(int n);
void SetHelpTextNumber(int n);

// Display modes of ShowHelpText.
enum : int { kHelpTextAndPicture = 0, kHelpTextOnly = 1, kHelpPictureOnly = 2 };

using HelpLines = std::array<std::string, 5>;

// What a search in the help file found.
struct HelpEntry {
    // Unreadable: a read of the file failed; lines[0] says so.
    enum class Status {
        FileMissing,
        EntryMissing,
        Found,
        Unreadable
    } status = Status::EntryMissing;
    HelpLines lines;                 // slots 1..5 (index 0..4)
    std::string picture = "NULL";    // picture name without extension
    bool endedAtNextHeader = false;  // the entry ended at the next entry's header
    std::string fileName;            // the help file searched
};

void HelpFileName(int number, std::string& name);
void NoHelpText(int number, std::string& text);
// Number of a header line (-1 when its first 4 characters are no number) and
// the picture name after its first ':' ("NULL" without ':').
void ParseHelpHeader(std::string_view line, int& number, std::string& picture);
// Searches entry `number` (0: the current help number).
HelpEntry FindHelpEntry(int number);

// Shows help text `number` (0: the current one); mode 0 text and picture,
// 1 text only, 2 picture only. `text` is not used.
void ShowHelpText(int number, const std::string& text, int mode);
void ShowHelpLines(const HelpLines& lines, const std::string& picture, const std::string& text,
                   int mode, int number);
// The entry's lines as one text (for hints and labels).
void GetHelpText(int number, std::string& text);
void HelpTextOf(int number, std::string& text);

}  // namespace veldrim
