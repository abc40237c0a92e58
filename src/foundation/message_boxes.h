#pragma once
// Message boxes, checked file operations and file-name dialogs.
//
// The simplest ways in which the program talks to the user: message boxes of
// a few fixed kinds with German captions, questions, the checked operations on
// text files that turn an input/output result into a fixed German text and
// the program-wide cancel flag, the checks of new file names, the save and
// open dialogs of data files and the directory browser. Everything goes
// through the UI port (Ui()); nothing here raises.
//
// The module owns one flag, `askBeforeOverwriteFlag`; ResetMessageBoxes
// restores it.

#include <functional>
#include <string>
#include <string_view>

#include "foundation/text_file.h"

namespace veldrim {

// Message kinds.
enum : int {
    kMessageInfo = 0,
    kMessageHelp = 3,
    kMessageStatus = 10,
    kMessageNotice = 11,
    kMessageError = 12,
};

// While set, CheckNewFileName asks before an existing file is replaced.
// Default true.
extern bool askBeforeOverwriteFlag;
// The title of the application as UpdateWindowTitle made it last (empty at
// start); the main window shows it.
extern std::string applicationTitle;
void ResetMessageBoxes();

// The text a message box shows: at most 255 characters, spelled in plain
// ASCII when the code-page option asks for it. Stays code page 850.
std::string ShownText(std::string_view s);

void MessageBoxKind(std::string_view text, int kind);
void ShowErrorBox(std::string_view text);
void ShowNotice(std::string_view text);
void ShowInfo(std::string_view text);
// Status texts are never shown.
void ShowStatus(std::string_view text);
void IgnoreMessage(std::string_view text, int kind);
// An error box only while the error-display flag is set.
void ShowErrorIfEnabled(std::string_view text);
void ShowMessageTitled(std::string_view caption, std::string_view text);
// Yes/No/Cancel: true for Yes only; Cancel also sets the cancel flag.
bool AskYesNoCancel(std::string_view text);
bool AskYesNoCancelText(std::string_view text);
void ShowArchiveModeNotice();

// ---- file-error texts and checked file operations ----------------------

// The text of a failed write (WriteChecked) for a result code.
std::string WriteErrorText(int result);
// The text of a failed RewriteUntilOk attempt.
std::string RewriteErrorText(int result);
// Reports a failed operation of f once (the first failure of the file) and
// sets the cancel flag.
void ReportFileFailure(TextFile& f, std::string_view text);

// Why a file may not be written: the existing file is write-protected, or
// the folder of a new file refuses it.
std::string NotWritableText(const std::string& path);
// "Datei " + the file's name as shown + " nicht gefunden oder kein
// Zugriffsrecht !".
std::string NotFoundText(const std::string& path);
// "Datei " + the file's name as shown + " nicht geschrieben": a whole file
// (a workbook, a PDF, the configuration) that could not be written.
std::string NotWrittenText(const std::string& path);
// The message of a save that was not done: the text of a folder, a pipe, a
// socket or a device at the name (NotAFileText), else NotWrittenText.
std::string NotSavedText(const std::string& path);
// "file write error: " + the file's name + ": " + the system's reason.
std::string FileWriteErrorText(const TextFile& f);
// "Fehler beim Lesen von " + the name of the file f opened, as shown,
// ", Zeile " + line when line > 0, then why in brackets: "Zeile zu lang" for
// a line beyond the reader's limit, the system's reason for a read that
// failed (nothing for a line that is only damaged). Taken while f is still
// open.
std::string ReadErrorText(const TextFile& f, int line = 0);
// The same for a whole file read at once (ReadWholeRegularFile) that failed
// with errno value err: "Fehler beim Lesen von " + its name + the system's
// reason in brackets; a folder or what is no plain file at the name is named
// so (NotOpenedForReadingText).
std::string FileReadErrorText(const std::string& path, int err);

// Writes s without a line end and flushes; nothing while the cancel flag is
// set. A failure is reported and sets the cancel flag.
void WriteChecked(TextFile& f, std::string_view s);
void CloseChecked(TextFile& f);
// Opens f on path for reading. A file that cannot be opened is reported
// with what stands at the name (NotOpenedForReadingText) and sets the cancel
// flag; false then.
bool OpenRead(TextFile& f, const std::string& path);
// Closes a file that was read. When its reading stopped short of the end (a
// read that failed, a line beyond the limit), `undo` runs first, so that
// nothing read from the file is kept; then the failure is reported
// (ReadErrorText with its line) and the result is false.
bool CloseRead(TextFile& f, const std::function<void()>& undo = {});
void RewriteChecked(TextFile& f);
// Writes a whole file through the shared text file: clears the cancel flag,
// rewrites path, runs writeLines and keeps the result only when every line
// was written; otherwise the old file stays as it was and the cancel flag is
// set. True when the file was saved.
bool WriteWholeFile(const std::string& path, const std::function<void()>& writeLines);
// Tries to create the file a few times (kRewriteAttempts), reporting each
// failure; gives up with the cancel flag set.
inline constexpr int kRewriteAttempts = 3;
void RewriteUntilOk(TextFile& f);
// Opens the file for reading as a test; a failure is reported and sets the
// cancel flag.
void CheckFileReadable(const std::string& name);

// ---- file names and dialogs --------------------------------------------

// Asks before the existing file at path is replaced (while the
// ask-before-overwrite flag is set): "<path> existiert bereits. überschreiben
// ?" with help 3055. True when the file may be written: it does not exist,
// the question is off, or the answer was Yes; any other answer sets the
// cancel flag. A folder, a pipe, a socket or a device at the name is refused
// first, with its text (NotAFileText) and the cancel flag, never asked about.
// Every command that writes a file the user chose asks this.
bool ConfirmReplace(const std::string& path);
// The program's working set: a set name or data file whose name without its
// folder and the data-file extension is exactly "aktuell" ("aktuell",
// "daten/aktuell.qb3"; not "Angebot_aktuell.qb3", "aktuell-2025",
// "Projekte-aktuell/G.qb3", nor the set "aktuell.alt" read from
// "aktuell.alt.qb3"). It is saved under the archive lock.
bool IsWorkingFile(std::string_view name);
// Checks that path can be written as a new file, asking before an existing
// file other than a file of the working set ("aktuell" with one extension of
// any kind: the data file and its exports) is replaced. A name with more dots
// than the one before its extension is refused, the dots of the current set's
// name not counted ("teil.v2.stp" of the set "teil.v2"); so is, before any
// question, what is no plain file. Never touches the file itself: writability
// is probed with a temporary file in the same folder.
void CheckNewFileName(const std::string& path);
// In archive mode with the lock option ("Archive Flag ?") only the working
// file is saved: any other name shows the archive-mode notice, sets the
// cancel flag and gives true. Archive mode without the lock option ends here.
// The first step of every data-file save.
bool ArchiveModeRefusesName(const std::string& name);
// The data-file name for saving: asks for it when name is empty (proposing
// the file the current set is saved to, and taking the chosen name apart as
// DataFileTarget does), completes a name without extension with the data
// directory and extension. A name
// chosen in the dialog becomes the current file name, and its folder the data
// directory, only once the name is accepted.
void AskSaveFileName(std::string name, std::string& path);
void BrowseDirectory(const std::string& start, std::string& dir);
// mode 4 also takes the data-file extension from the chosen file; mode 5
// returns the full name, the others the name without folder and extension.
void ChooseOpenFile(int mode, std::string& dir, const std::string& mask, std::string& name);
void ChooseFile(const std::string& defaultName, const std::string& mask, std::string& name);
void UpdateWindowTitle(std::string& title);
void WaitCursor();
void NormalCursor();
void EndWaitCursor();

}  // namespace veldrim
