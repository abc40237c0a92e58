#include "foundation/message_boxes.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/codepage.h"
#include "foundation/data_file_path.h"
#include "foundation/file_calls.h"
#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/help_texts.h"
#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "foundation/text_conv.h"
#include "foundation/ui_services.h"

namespace veldrim {

namespace {

struct MessageBoxDefaults {
    bool askBeforeOverwriteFlag = true;
    std::string_view applicationTitle = "";
};
constexpr MessageBoxDefaults kDefaults{};

}  // namespace

bool askBeforeOverwriteFlag = kDefaults.askBeforeOverwriteFlag;
std::string applicationTitle{kDefaults.applicationTitle};

void ResetMessageBoxes() {
    askBeforeOverwriteFlag = kDefaults.askBeforeOverwriteFlag;
    applicationTitle = kDefaults.applicationTitle;
}

namespace {

constexpr std::size_t kMaxShownLength = 255;

// The folder part of a path without its trailing separator ("" when none).
std::string FolderPart(const std::string& path) {
    std::string folder = DirPartOf(path);
    return folder.size() > 1 ? StripTrailingBackslash(folder) : folder;
}

// The file-name part of a path.
std::string LeafPart(const std::string& path) { return path.substr(DirPartOf(path).size()); }

MessageKind PortKind(int kind) {
    switch (kind) {
        case kMessageError: return MessageKind::Error;
        case kMessageNotice: return MessageKind::Warning;
        default: return MessageKind::Information;
    }
}

}  // namespace

std::string ShownText(std::string_view s) {
    // A long text loses its middle, never its end: the end of a file message
    // holds the reason ("No space left on device") behind a long name.
    constexpr std::string_view kGap = " ... ";
    constexpr std::size_t kTail = 120;
    std::string t(s);
    if (s.size() > kMaxShownLength)
        t = std::string(s.substr(0, kMaxShownLength - kGap.size() - kTail)) + std::string(kGap) +
            std::string(s.substr(s.size() - kTail));
    if (codePageOption == 1) t = TransliterateOem(t);
    return t;
}

void MessageBoxKind(std::string_view text, int kind) {
    const char* caption = kind == kMessageError  ? "Fehler : "
                          : kind == kMessageHelp ? "Hilfe"
                                                 : "Meldung:";
    Ui().ShowMessage(caption, ShownText(text), PortKind(kind));
}

void ShowErrorBox(std::string_view text) { MessageBoxKind(text, kMessageError); }
void ShowNotice(std::string_view text) { MessageBoxKind(text, kMessageNotice); }
void ShowInfo(std::string_view text) { MessageBoxKind(text, kMessageInfo); }
void ShowStatus(std::string_view text) { IgnoreMessage(text, kMessageStatus); }
void IgnoreMessage(std::string_view, int) {}

void ShowErrorIfEnabled(std::string_view text) {
    if (errorDisplayFlag) MessageBoxKind(text, kMessageError);
}

void ShowMessageTitled(std::string_view caption, std::string_view text) {
    Ui().ShowMessage(ShownText(caption), ShownText(text), MessageKind::Information);
}

bool AskYesNoCancel(std::string_view text) {
    Answer a = Ui().Ask(ShownText(windowTitle), ShownText(text), AskButtons::YesNoCancel,
                        MessageKind::Confirmation);
    if (a == Answer::Cancel) cancelFlag = true;
    return a == Answer::Yes;
}

bool AskYesNoCancelText(std::string_view text) { return AskYesNoCancel(text); }

void ShowArchiveModeNotice() {
    ShowErrorIfEnabled("File- und User- Befehle sind im Archivierungsmodus nicht möglich."_cp850);
}

// ---- file-error texts --------------------------------------------------------

std::string WriteErrorText(int result) {
    switch (result) {
        case kIoReadError: return "Lesefehler";
        case kIoDiskFull: return "Diskette/Platte voll";
        case kIoBadNumber: return "Falsches numerisches Format";
        default: return "Fehler bei Zugriff auf Diskette/Platte";
    }
}

std::string RewriteErrorText(int result) {
    switch (result) {
        case kIoWriteProtected: return "Schreibschutz entfernen !";
        case kIoDriveNotReady: return "Programmdiskette einlegen !";
        default: return "I/O-Error " + std::to_string(result);
    }
}

void ReportFileFailure(TextFile& f, std::string_view text) {
    if (!f.failureReported) {
        f.failureReported = true;
        ShowErrorIfEnabled(text);
    }
    cancelFlag = true;
}

void WriteChecked(TextFile& f, std::string_view s) {
    if (cancelFlag) return;
    int r = f.Write(s);
    if (r == kIoOk) r = f.Flush();
    if (r != kIoOk) ReportFileFailure(f, WriteErrorText(r));
}

void CloseChecked(TextFile& f) {
    int r = f.Close();
    // A failure already reported while writing is not shown a second time.
    if (r != kIoOk)
        ReportFileFailure(f, r == kIoDiskFull
                                 ? std::string("Diskette/Platte voll")
                                 : std::string("Fehler beim Schließen einer Datei"_cp850));
}

bool OpenRead(TextFile& f, const std::string& path) {
    f.Assign(path);
    const int rc = f.Reset();
    if (rc == kIoOk) return true;
    cancelFlag = true;
    ShowErrorIfEnabled(NotOpenedForReadingText(path, f.FailureErrno(), rc));
    return false;
}

bool CloseRead(TextFile& f, const std::function<void()>& undo) {
    const int line = f.FailedLine();
    const std::string why = line > 0 ? ReadErrorText(f, line) : std::string();
    f.Close();
    if (line == 0) return true;
    if (undo) undo();
    ShowErrorIfEnabled(why);
    cancelFlag = true;
    return false;
}

std::string NotFoundText(const std::string& path) {
    return "Datei " + ShownFileName(path) + " nicht gefunden oder kein Zugriffsrecht !";
}

std::string NotWrittenText(const std::string& path) {
    return "Datei " + ShownFileName(path) + " nicht geschrieben";
}

std::string NotSavedText(const std::string& path) {
    const std::string why = NotAFileText(path);
    return why.empty() ? NotWrittenText(path) : why;
}

std::string NotWritableText(const std::string& path) {
    // A save replaces the file through its folder: the file refuses only
    // where it is write-protected itself.
    if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0)
        return "Die Datei \"" + ShownFileName(path) +
               std::string("\" ist schreibgeschützt und darf nicht überschrieben werden !"_cp850);
    const std::string folder = FolderPart(path);
    return "In den Ordner \"" + ShownFileName(folder.empty() ? std::string(".") : folder) +
           std::string("\" darf nicht geschrieben werden: kein Schreibrecht !");
}

std::string FileWriteErrorText(const TextFile& f) {
    if (f.FailureErrno() != 0) return SaveFailureText(f.Name(), f.FailureErrno());
    const std::string reason = f.FailureReason();
    return "file write error: " + ShownFileName(f.Name()) + (reason.empty() ? "" : ": " + reason);
}

std::string FileReadErrorText(const std::string& path, int err) {
    if (IsNoPlainFileError(err)) return NotOpenedForReadingText(path, err, IoResultFromErrno(err));
    return "Fehler beim Lesen von " + ShownFileName(path) + " (" + SystemReason(err) + ")";
}

std::string ReadErrorText(const TextFile& f, int line) {
    // The file on disk, whatever letter case its name was asked for in.
    std::string text = "Fehler beim Lesen von " +
                       ShownFileName(f.OpenedName().empty() ? f.Name() : f.OpenedName());
    if (line > 0) text += ", Zeile " + IntText(line);
    if (f.LineTooLong()) return text + " (Zeile zu lang)";
    if (f.ReadFailed()) return text + " (" + f.FailureReason() + ")";
    return text;
}

void RewriteChecked(TextFile& f) {
    int r = f.Rewrite();
    if (r == kIoOk) return;
    ReportFileFailure(f, r == kIoDiskFull ? "Diskette/Platte voll"
                         : r == kIoAccessDenied || r == kIoWriteProtected
                             ? NotWritableText(f.Name())
                             : FileWriteErrorText(f));
}

bool WriteWholeFile(const std::string& path, const std::function<void()>& writeLines) {
    cancelFlag = false;
    sharedTextFile.Assign(path);
    RewriteChecked(sharedTextFile);
    if (!cancelFlag) writeLines();
    if (cancelFlag) {
        // Nothing of this attempt reaches the target.
        sharedTextFile.Discard();
        return false;
    }
    CloseChecked(sharedTextFile);
    return !cancelFlag;
}

void RewriteUntilOk(TextFile& f) {
    for (int attempt = 1; attempt <= kRewriteAttempts; ++attempt) {
        int r = f.Rewrite();
        if (r == kIoOk) return;
        ShowErrorIfEnabled(RewriteErrorText(r));
    }
    cancelFlag = true;
}

void CheckFileReadable(const std::string& name) {
    TextFile probe;
    probe.Assign(name);
    if (probe.Reset() == kIoOk) {
        probe.Close();
        return;
    }
    ShowErrorIfEnabled(NotFoundText(TrimBoth(name)));
    cancelFlag = true;
}

// ---- file names and dialogs ----------------------------------------------------

namespace {

// A folder, a pipe, a socket or a device at a file's name is refused with its
// text before anything asks about it or opens it. True when refused.
bool RefusedAsNoFile(const std::string& path) {
    const std::string why = NotAFileText(path);
    if (why.empty()) return false;
    ShowErrorIfEnabled(why);
    cancelFlag = true;
    return true;
}

// The dots of a file name beyond the one before its extension are refused;
// the data set's own name counts as one word, whatever dots it holds, so
// that the set "teil.v2" may write "teil.v2.qb3" and "teil.v2.stp".
bool HasTooManyDots(std::string_view leaf) {
    const std::string setName = currentFileName + ".";
    if (!currentFileName.empty() && leaf.starts_with(setName))
        leaf.remove_prefix(currentFileName.size());
    return std::count(leaf.begin(), leaf.end(), '.') >= 2;
}

}  // namespace

bool ConfirmReplace(const std::string& path) {
    if (RefusedAsNoFile(path)) return false;
    struct stat st {};
    if (!askBeforeOverwriteFlag || ::stat(path.c_str(), &st) != 0) return true;
    SetHelpNumber(3055);
    if (AskYesNoCancel(ShownFileName(path) + " existiert bereits.   " +
                       std::string("überschreiben"_cp850) + " ?"))
        return true;
    cancelFlag = true;
    return false;
}

bool IsWorkingFile(std::string_view name) {
    // Only the folder and the data file's own extension are taken away: a
    // set named "aktuell.alt" is another set, not the working file.
    std::string_view leaf = name.substr(DirPartOf(name).size());
    const std::string ext = "." + dataFileExtension;
    if (leaf.size() > ext.size() &&
        UpperAscii(std::string(leaf.substr(leaf.size() - ext.size()))) == UpperAscii(ext))
        leaf.remove_suffix(ext.size());
    return leaf == "aktuell";
}

void CheckNewFileName(const std::string& path) {
    std::string leaf = LeafPart(path);
    if (HasTooManyDots(leaf)) {
        Ui().ShowMessage("", ShownText(ShownFileName(path) + " not allowed (too many dots)!"),
                         MessageKind::Information);
        cancelFlag = true;
        return;
    }
    // What is no plain file is refused before any question.
    if (RefusedAsNoFile(path)) return;
    struct stat st {};
    bool exists = ::stat(path.c_str(), &st) == 0;
    // A file of the working set (the file named "aktuell" before its one
    // extension) is replaced without a question; every other file is asked about.
    if (BaseNameOf(leaf) != "aktuell" && !ConfirmReplace(path)) return;
    if (cancelFlag) return;
    // The file itself is never touched: a temporary file in the same folder
    // shows whether the folder takes a new file, and an existing file must be
    // writable.
    bool ok = !leaf.empty();
    bool refused = false;  // the file or its folder may not be written
    if (ok && exists && ::access(path.c_str(), W_OK) != 0) ok = false, refused = true;
    if (ok) {
        std::string folder = FolderPart(path);
        std::string probe = EnsureTrailingBackslash(folder.empty() ? std::string(".") : folder) +
                            ".veldrim-probe-XXXXXX";
        int fd = FileCalls.mkostemp(probe.data(), O_CLOEXEC);
        if (fd < 0) {
            ok = false;
            refused = errno == EACCES || errno == EPERM || errno == EROFS;
        } else {
            FileCalls.close(fd);
            if (FileCalls.unlink(probe.c_str()) != 0) ok = false;
        }
    }
    if (!ok) {
        ShowErrorIfEnabled(refused ? NotWritableText(path)
                                   : std::string("Ungültiger Dateiname "_cp850) + "\"" +
                                         ShownFileName(path) + "\" !");
        cancelFlag = true;
    }
}

bool ArchiveModeRefusesName(const std::string& name) {
    if (!archiveModeFlag || IsWorkingFile(name)) return false;
    if (!archiveModeLockOption) {
        archiveModeFlag = false;
        return false;
    }
    ShowArchiveModeNotice();
    cancelFlag = true;
    return true;
}

void AskSaveFileName(std::string name, std::string& path) {
    if (ArchiveModeRefusesName(name)) return;
    if (name.empty()) {
        std::string filter = "*." + dataFileExtension + "|*." + dataFileExtension;
        // The file the current data set is saved to is proposed; a new set
        // proposes its folder.
        const std::string current = CurrentDataFile();
        const std::string proposed = current.empty() ? dataDirectory : DataFileTarget(current);
        auto chosen = Ui().SaveFileName("", proposed, filter);
        std::string folder;
        if (chosen && !LeafPart(*chosen).empty()) {
            folder = FolderPart(*chosen);
            name = BaseNameOf(*chosen);
            // Taken apart as every data file name is: "G.QB3" stays itself,
            // "gear", "gear.bak" and "." get the extension.
            path = DataFileTarget(*chosen);
        } else {
            cancelFlag = true;
        }
        NormalCursor();
        if (cancelFlag) return;
        CheckNewFileName(path);
        // A refused name leaves the data set where it was: the next save
        // under the current name must reach the file that was opened.
        if (cancelFlag) return;
        dataDirectory = folder;
        currentFileName = name;
        return;
    }
    if (name.find('.') == std::string::npos)
        path = EnsureTrailingBackslash(dataDirectory) + name + "." + dataFileExtension;
    else
        path = name;
    CheckNewFileName(path);
}

void BrowseDirectory(const std::string& start, std::string& dir) {
    auto chosen = Ui().FolderName("", DirAccessible(start) ? start : std::string());
    dir = chosen && !chosen->empty() ? StripTrailingBackslash(*chosen) : start;
}

void ChooseOpenFile(int mode, std::string& dir, const std::string& mask, std::string& name) {
    auto chosen = Ui().OpenFileName("", StripTrailingBackslash(dir), mask + "|" + mask);
    if (!chosen || LeafPart(*chosen).empty()) {
        name.clear();
        cancelFlag = true;
        return;
    }
    dir = FolderPart(*chosen);
    std::string leaf = LeafPart(*chosen);
    name = mode == 5 ? *chosen : BaseNameOf(leaf);
    if (mode == 4) {
        auto dot = leaf.find('.');
        if (dot != std::string::npos) dataFileExtension = leaf.substr(dot + 1);
    }
}

void ChooseFile(const std::string& defaultName, const std::string& mask, std::string& name) {
    std::string folder = StripTrailingBackslash(TrimBoth(FolderPart(defaultName)));
    auto chosen = Ui().OpenFileName("", folder, mask + "|" + mask);
    if (chosen && !chosen->empty()) {
        name = *chosen;
    } else {
        name = defaultName;
        cancelFlag = true;
    }
}

void UpdateWindowTitle(std::string& title) {
    // A set read from or saved to a file shows that file's name as it is.
    if (!currentDataFile.empty())
        title = ShownText(windowTitle) + "  -  " + ShownFileName(LeafPart(currentDataFile));
    else if (currentFileName.empty())
        title = ShownText(windowTitle + "   V " + programVersion);
    else if (currentFileName.find('.') != std::string::npos)
        title = ShownText(windowTitle) + "  -  " + ShownFileName(currentFileName);
    else
        title = ShownText(windowTitle) + "  -  " + ShownFileName(currentFileName) + "." +
                dataFileExtension;
    applicationTitle = title;
    NormalCursor();
}

void WaitCursor() { Ui().SetBusy(true); }
void NormalCursor() { Ui().SetBusy(false); }
void EndWaitCursor() { Ui().SetBusy(false); }

}  // namespace veldrim
