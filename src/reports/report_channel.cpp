// The report channel: destinations, page accounting, page headers, rows and
// the hand-over of the finished output. See report_channel.h for the
// destination table and the calling order.
//
// Page accounting on text destinations: every line written by ReportText is
// counted; when the count reaches the lines per page, the page is broken and
// a new page header written before the line. The page header itself is
// written through ReportText, so a page shorter than its header would break
// inside the header without end: EffectiveLinesPerPage raises the setting to
// the least page that holds a header, the empty line after it and one line.

#include "reports/report_channel.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <vector>

#include "calc/data_file.h"
#include "foundation/codepage.h"
#include "foundation/data_file_path.h"
#include "foundation/file_calls.h"
#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/help_texts.h"
#include "foundation/input_dialogs.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "foundation/system_info.h"
#include "foundation/text_conv.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"
#include "reports/report_tables.h"

extern char** environ;

namespace veldrim {

namespace {

struct ReportChannelDefaults {
    std::uint16_t reportDestination = kReportScreen;
    std::int32_t reportPageCounter = 0;
    std::int32_t reportLineCounter = 0;
    std::int32_t reportColumnHeadsSwitch = 0;
    bool pauseAfterEachPage = false;
    bool reportPageHeaderSwitch = true;
    std::string_view reportOutputName = "$out.tmp";
    bool htmlTableOpen = false;
    std::string_view reportSavedExtension = "";
    bool reportOutputComplete = false;
    std::uint16_t screenReportMode = 0;
    std::string_view textPrinterQueue = "";
    std::string_view textPrinterCommand = "lp";
    std::array<std::string_view, 6> reportColumnHeads = {"", "", "Zeichen", "Einheit", "1", "2"};
};
constexpr ReportChannelDefaults kDefaults{};

}  // namespace

std::uint16_t reportDestination = kDefaults.reportDestination;
std::int32_t reportPageCounter = kDefaults.reportPageCounter;
std::int32_t reportLineCounter = kDefaults.reportLineCounter;
std::int32_t reportColumnHeadsSwitch = kDefaults.reportColumnHeadsSwitch;
bool pauseAfterEachPage = kDefaults.pauseAfterEachPage;
bool reportPageHeaderSwitch = kDefaults.reportPageHeaderSwitch;
std::string reportOutputName{kDefaults.reportOutputName};
std::optional<std::string> reportNamedFile;
bool htmlTableOpen = kDefaults.htmlTableOpen;
std::string reportSavedExtension{kDefaults.reportSavedExtension};
std::string reportTitle;
std::array<std::string, 5> reportSubtitles;
std::int32_t reportSheetTotal = 0;
std::array<std::string, 6> reportColumnHeads = StringsOf(kDefaults.reportColumnHeads);
ReportColumnPositions reportColumnPositions;
bool reportOutputComplete = kDefaults.reportOutputComplete;

std::uint16_t screenReportMode = kDefaults.screenReportMode;
std::string textPrinterQueue{kDefaults.textPrinterQueue};
std::string textPrinterCommand{kDefaults.textPrinterCommand};

namespace {

// The HTML preamble (<HTML>, <head>, <BODY>) is written once per file, also
// when a report of several parts begins a header for each part.
bool htmlDocumentBegun = false;
// Printer set-up codes ("TEXT.VRP") sent ahead of a text-printer report.
std::string printerSetupCodes;

constexpr std::array<std::string_view, 7> kDestinationNames = {
    "Bildschirm", "Textdrucker", "Datei", "Windows-Drucker", "externes Textprogramm",
    "TXT Datei",  "HTML Datei"};

// The report's own files: in the window they go to the private folder (the
// user directory when one is set); a headless run keeps them in the folder
// it runs in, or the user directory, where its caller looks for them.
std::string InUserDirectory(std::string_view leaf) {
    if (Ui().IsBatch()) return EnsureTrailingBackslash(userDirectory) + std::string(leaf);
    return InPrivateFolder(std::string(leaf));
}

std::string ProgramTitle() { return windowTitle + " V" + programVersion; }

// Places text into a framed 70-column line from column col, cut so that it
// ends before the right border (column 70).
void PlaceInFrame(std::string& line, std::string_view text, int col) {
    const int room = (kReportWidth - 1) - col + 1;
    if (room <= 0) return;
    if (static_cast<int>(text.size()) > room) text = text.substr(0, static_cast<std::size_t>(room));
    OverwriteAt(text, line, col);
}

bool IsAnyRule(std::string_view s) {
    return s == kNoRuleMarker || s == ReportRuleSingle() || s == ReportRuleDouble() ||
           s == ReportBoxTop() || s == ReportBoxBottom() || s == ReportBoxMiddle();
}

// A line of HTML markup as the page header writes it through ReportText: an
// open table closed, counted, begun with "<br>". The markup is not escaped.
void HtmlMarkupLine(const std::string& markup) {
    HtmlTableClose();
    ++reportLineCounter;
    ReportWriteLine("<br>" + markup);
}

// The three file-name settings that the save dialog changes.
struct FileNameSettings {
    std::string extension = dataFileExtension;
    std::string fileName = currentFileName;
    std::string directory = dataDirectory;
    void Restore() const {
        dataFileExtension = extension;
        currentFileName = fileName;
        dataDirectory = directory;
    }
};

std::string ReportCopyRefusal(const std::string& path, const std::string& target);

// Assigns the report's output file of a name the program chose; false
// (cancel flag set) when the name leads to a data file or to no plain file.
// The name is resolved once: the file checked is the file the report is then
// written to, never one a link put at the name since leads to.
bool AssignCheckedOutput(const std::string& name) {
    const std::string target = ResolveSaveTarget(name);
    if (const std::string why = ReportCopyRefusal(name, target); !why.empty()) {
        ShowErrorIfEnabled(why);
        cancelFlag = true;
        return false;
    }
    sharedTextFile.AssignResolved(name, target);
    return true;
}

// Creates the output file empty and closes it; false (cancel flag set) when
// it cannot be created or AssignCheckedOutput refuses it.
bool CreateEmptyOutput(const std::string& name) {
    if (!AssignCheckedOutput(name)) return false;
    RewriteChecked(sharedTextFile);
    if (cancelFlag) return false;
    CloseChecked(sharedTextFile);
    return !cancelFlag;
}

// A copy of a report for the window system's programs: line by line through
// the display conversion. Lines of any length are copied whole. The copy's
// name is resolved once; the refusals are decided on that file, and the copy
// is renamed onto exactly that name, never resolved a second time.
void CopyTextFileForDisplay(const std::string& src, const std::string& dst) {
    const auto fail = [](const std::string& text) {
        ShowErrorIfEnabled(text);
        cancelFlag = true;
    };
    TextFile in;
    in.Assign(src);
    if (in.Reset() != kIoOk) return fail(NotFoundText(src));
    std::string text, line;
    while (!in.Eof()) {
        if (in.ReadLine(line) != kIoOk) return fail(ReadErrorText(in));
        text += DisplayText(line);
        text += "\r\n";
    }
    in.Close();
    const std::string target = ResolveSaveTarget(dst);
    // A link the kernel would not follow (planted by another user).
    if (target.empty()) return fail(SaveFailureText(dst, EACCES));
    if (const std::string why = ReportCopyRefusal(dst, target); !why.empty()) return fail(why);
    std::string temp;
    const int fd = BeginSaveResolved(target, temp);
    if (fd < 0) {
        const int err = errno;
        return fail(IoResultFromErrno(err) == kIoDiskFull ? WriteErrorText(kIoDiskFull)
                                                          : SaveFailureText(dst, err));
    }
    if (!WriteWhole(fd, text.data(), text.size())) {
        const int err = errno;
        FileCalls.close(fd);
        FileCalls.unlink(temp.c_str());
        return fail(SaveFailureText(dst, err));
    }
    if (const int err = CommitSaveTemp(fd, temp, target); err != 0) fail(SaveFailureText(dst, err));
}

// The file the report claimed for its output, created by this run and never
// through a link: the output is written only while its name still holds that
// file. Empty when the output is no claimed name (a chosen file, OUTDOS.TXT).
std::optional<FileIdentity> claimedOutput;

// Claims name for the report's output: creates it empty and exclusively,
// never through a link, and keeps which file was created. False (errno set)
// when the name is taken or the folder refuses it.
bool ClaimOutputFile(const std::string& name, unsigned mode) {
    const int fd = CreateExclusive(name, mode);
    if (fd < 0) return false;
    claimedOutput = IdentityOfOpenFile(fd);
    FileCalls.close(fd);
    if (claimedOutput) return true;
    errno = EIO;
    return false;
}

// Refuses the report's output at name, a name it claimed or could not claim:
// what stands there now is no plain file (a link put in, a pipe) or another
// file than the one claimed; else err is the reason. The cancel flag is set.
void RefuseClaimedName(const std::string& name, int err) {
    struct stat st {};
    const bool there = ::lstat(name.c_str(), &st) == 0;
    ShowErrorIfEnabled(there && S_ISDIR(st.st_mode)    ? FolderAtNameText(name)
                       : there && !S_ISREG(st.st_mode) ? NoPlainFileText(name)
                                                       : SaveFailureText(name, err));
    cancelFlag = true;
}

// True when the output is no claimed name, or its name still holds the file
// claimed; else the output is refused (cancel flag set, reason shown). The
// save renames onto the name itself, so a link put in after this test is
// replaced, never written through.
bool ClaimStillHeld() {
    if (!claimedOutput) return true;
    if (IdentityAtName(reportOutputName) == claimedOutput) return true;
    RefuseClaimedName(reportOutputName, EEXIST);
    return false;
}

// Assigns the shared text file to the output name the report claimed: the
// save goes onto exactly that name, never resolved again.
void AssignClaimedOutput(const std::string& name) {
    reportOutputName = name;
    sharedTextFile.AssignResolved(name, name);
}

// True when the open file fd begins as the program's data files do (the gear
// data file, the sibling program's file): with their header rule, ended by
// CR LF or LF, also after a byte-order mark an editor put in front of it and
// with blanks an editor left after it. A read that fails is no end of the
// file: false, with its errno value in `err` (0 when the head was read).
bool BeginsWithDataFileRule(int fd, int& err) {
    char buf[256];
    std::size_t got = 0;
    err = 0;
    while (got < sizeof buf) {
        const ssize_t n = FileCalls.read(fd, buf + got, sizeof buf - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (err != 0) return false;
    std::string_view head(buf, got);
    if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
    if (head.find_first_not_of('-') != kDataFileRuleLength) return false;
    head.remove_prefix(kDataFileRuleLength);
    const std::size_t end = head.find_first_not_of(" \t");
    return end != std::string_view::npos && (head[end] == '\r' || head[end] == '\n');
}

// Why a display copy of the report, or a report output of a fixed name, may
// not be written at target (the name `path` resolved once, links followed);
// empty when it may. The copy is named after the data set or stands in the
// user folder, so its name can lead to a data file: the one the data set was
// read from (by identity, through any name or link, whatever its lines hold),
// or another one, known by its header rule. What stands at the resolved name
// itself is looked at, no link followed: a link found there now (put in since
// the name was resolved) or a pipe, a socket or a device is no plain file and
// is refused before anything opens it for writing; a pipe would hold the run
// until someone reads it. A folder is left to the save, which names it. A
// file whose first lines cannot be read may be a data file, and is refused
// with the read's failure.
std::string ReportCopyRefusal(const std::string& path, const std::string& target) {
    struct stat st {};
    if (target.empty() || ::lstat(target.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return {};
    const std::string notReplaced(" und wird nicht überschrieben !"_cp850);
    const std::string dataFileText =
        "Datei " + ShownFileName(path) + " ist eine Datendatei" + notReplaced;
    if (!S_ISREG(st.st_mode)) return NoPlainFileText(path);
    const FileIdentity atName{static_cast<std::uint64_t>(st.st_dev),
                              static_cast<std::uint64_t>(st.st_ino), true};
    if (atName == dataFileReadIdentity) return dataFileText;
    const int fd = FileCalls.open(target.c_str(),
                                  O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0) return errno == ELOOP ? NoPlainFileText(path) : std::string();
    // The file opened is the one looked at, not one put in its place since.
    const std::optional<FileIdentity> opened = IdentityOfOpenFile(fd);
    std::string why;
    int readError = 0;
    if (!opened || !opened->regular || opened != atName)
        why = NoPlainFileText(path);
    else if (BeginsWithDataFileRule(fd, readError))
        why = dataFileText;
    else if (readError != 0)
        why = FileReadErrorText(path, readError);  // it may be a data file: it stays
    FileCalls.close(fd);
    return why;
}

// True when program names an existing file, or a program found on PATH.
bool ProgramAvailable(const std::string& program) {
    if (program.empty()) return false;
    if (program.find('/') != std::string::npos) return ::access(program.c_str(), F_OK) == 0;
    const std::string path = GetEnvVar("PATH");
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find(':', start);
        if (end == std::string::npos) end = path.size();
        std::string dir = path.substr(start, end - start);
        if (dir.empty()) dir = ".";
        if (::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

// Runs a program to its end; the exit status, or -1 when it did not start.
int RunAndWait(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> store;
    store.push_back(program);
    store.insert(store.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : store) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The print command's chatter ("request id is ...") stays off the
    // program's own output.
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (!WIFEXITED(status)) return 128;
    return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
}

// The text printer: the finished output, behind the printer set-up codes, as
// one raw job to the print queue.
void SendToTextPrinter() {
    if (!printerSetupCodes.empty()) {
        // Saved again onto the file the report was written to.
        std::string body;
        TextFile out;
        out.AssignResolved(reportOutputName, sharedTextFile.TargetName());
        const bool ok = ReadWholeRegularFile(reportOutputName, body) && out.Rewrite() == kIoOk &&
                        out.Write(printerSetupCodes) == kIoOk && out.Write(body) == kIoOk &&
                        out.Close() == kIoOk;
        if (!ok) {
            ShowErrorIfEnabled("file write error");
            cancelFlag = true;
            return;
        }
    }
    std::vector<std::string> args = {"-o", "raw"};
    if (!textPrinterQueue.empty()) {
        args.push_back("-d");
        args.push_back(textPrinterQueue);
    }
    // The file name is never taken for an option, whatever its first character.
    args.push_back("--");
    args.push_back(reportOutputName);
    const int status = RunAndWait(textPrinterCommand, args);
    if (status == -1) {
        ShowErrorIfEnabled(ShownFileName(textPrinterCommand) +
                           " not found: Textdrucker nicht erreichbar");
        cancelFlag = true;
    } else if (status != 0) {
        ShowErrorIfEnabled("Textdrucker: Druckauftrag an " +
                           (textPrinterQueue.empty() ? std::string("die Standard-Warteschlange")
                                                     : "\"" + textPrinterQueue + "\"") +
                           " abgelehnt (" + textPrinterCommand + " Status " + IntText(status) +
                           ")");
        cancelFlag = true;
    }
}

// The printer set-up codes of "TEXT.VRP" in the current folder, none when
// there is no such file. A set-up file that is there but cannot be read is
// reported (cancel flag set, false): the report is not printed without them.
bool ReadPrinterSetupCodes() {
    printerSetupCodes.clear();
    const std::string file = FindFileNoCase("TEXT.VRP");
    std::string codes;
    if (ReadWholeRegularFile(file, codes)) {
        printerSetupCodes = std::move(codes);
        return true;
    }
    const int err = errno;
    if (err == ENOENT) return true;
    ShowErrorIfEnabled(FileReadErrorText(file, err));
    cancelFlag = true;
    return false;
}

// The next free "$$$k.txt" of the user directory, from the TXT file counter
// on, claimed so that a run beside this one never writes the same report;
// the counter then points before k, and the close counts it up to k. A
// folder that refuses the name for another reason refuses the report (the
// cancel flag set, the reason shown); so do 10000 names taken.
std::string ClaimTxtOutputName() {
    const auto nameOf = [](std::int32_t k) { return InUserDirectory("$$$" + IntText(k) + ".txt"); };
    int err = EEXIST;
    for (std::int32_t k = reportCounter + 1; k <= reportCounter + 10000; ++k) {
        if (ClaimOutputFile(nameOf(k), 0666)) {
            reportCounter = k - 1;
            return nameOf(k);
        }
        if ((err = errno) != EEXIST) break;
    }
    RefuseClaimedName(nameOf(reportCounter + 1), err);
    return {};
}

std::string SpacerForHeader() { return std::string(kReportMargin); }

void HtmlPageHeader();

}  // namespace

// ---- state -------------------------------------------------------------------------

void ResetReportChannel() {
    reportDestination = kDefaults.reportDestination;
    reportPageCounter = kDefaults.reportPageCounter;
    reportLineCounter = kDefaults.reportLineCounter;
    reportColumnHeadsSwitch = kDefaults.reportColumnHeadsSwitch;
    pauseAfterEachPage = kDefaults.pauseAfterEachPage;
    reportPageHeaderSwitch = kDefaults.reportPageHeaderSwitch;
    reportOutputName = kDefaults.reportOutputName;
    reportNamedFile.reset();
    claimedOutput.reset();
    htmlTableOpen = kDefaults.htmlTableOpen;
    htmlDocumentBegun = false;
    reportSavedExtension = kDefaults.reportSavedExtension;
    SetReportHeader("", "", "", "", "", 0);
    reportColumnHeads = StringsOf(kDefaults.reportColumnHeads);
    reportColumnPositions = ReportColumnPositions{};
    reportOutputComplete = kDefaults.reportOutputComplete;
    screenReportMode = kDefaults.screenReportMode;
    textPrinterQueue = kDefaults.textPrinterQueue;
    textPrinterCommand = kDefaults.textPrinterCommand;
    printerSetupCodes.clear();
}

void SetReportHeader(const std::string& title, const std::string& subtitle1,
                     const std::string& subtitle2, const std::string& subtitle3,
                     const std::string& subtitle4, std::int32_t sheetTotal) {
    reportTitle = title.empty() ? windowTitle + "  V" + programVersion : title;
    reportSubtitles = {"", subtitle1, subtitle2, subtitle3, subtitle4};
    reportSheetTotal = sheetTotal;
    reportPageCounter = 0;
    reportLineCounter = 0;
}

void SetReportColumnHeads(const std::string& head1, const std::string& head2,
                          const std::string& head3, const std::string& head4,
                          const std::string& head5) {
    reportColumnHeads = {"", head1, head2, head3, head4, head5};
    ResetReportColumns();
}

void ResetReportColumns() { reportColumnPositions = ReportColumnPositions{}; }

std::uint16_t ReportDestination() { return reportDestination; }

bool IsTxtReportDestination() {
    return reportDestination == kReportTxtFile || reportDestination == kReportTxtNoDialog;
}
bool IsHtmlReportDestination() { return reportDestination == kReportHtmlFile; }
bool IsTextReportDestination() { return !IsTxtReportDestination() && !IsHtmlReportDestination(); }

// ---- open and close ------------------------------------------------------------------

std::string MakeReportTempName() {
    claimedOutput.reset();
    int err = 0;
    for (int n = 1; n <= 11; ++n) {
        const std::string name = InUserDirectory("$OUT" + IntText(n) + ".TMP");
        // Claimed, never through a link. A plain file of an earlier report
        // under the name is removed and the name claimed again; a link, a
        // data file or anything else there is passed over, and at the last
        // name refused.
        bool claimed = ClaimOutputFile(name, 0600);
        err = errno;
        if (!claimed && err == EEXIST && ReportCopyRefusal(name, name).empty()) {
            struct stat st {};
            if (::lstat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                FileCalls.unlink(name.c_str()) == 0) {
                claimed = ClaimOutputFile(name, 0600);
                err = errno;
            }
        }
        if (claimed) return reportOutputName = name;
    }
    RefuseClaimedName(reportOutputName = InUserDirectory("$OUT11.TMP"), err);
    return {};
}

void ReportOpen(std::uint16_t destination, const std::string& /*name*/) {
    for (std::size_t i = 0; i < kDestinationNames.size(); ++i)
        choiceBuffer[i + 1] = std::string(kDestinationNames[i]);
    if (destination == kReportListNames) return;

    reportOutputComplete = false;
    reportDestination = static_cast<std::uint16_t>(textDevice);
    SetHelpNumber(1050);
    if (destination == kReportAsk) {
        if (textDeviceWindow) {
            int index = reportDestination;
            ChooseFromList("Ausgabe auf ..", 7, index);
            if (cancelFlag) return;
            reportDestination = static_cast<std::uint16_t>(index);
        }
    } else {
        reportDestination = destination;
    }
    // A destination code that names no destination (a damaged setting) shows
    // the report on the screen.
    if (reportDestination < kReportScreen || reportDestination > kReportTxtNoDialog)
        reportDestination = kReportScreen;

    htmlTableOpen = false;
    htmlDocumentBegun = false;
    if (reportDestination != kReportTextPrinter) pauseAfterEachPage = false;
    const FileNameSettings saved;
    bool outputMade = false;  // assigned here to the file checked

    claimedOutput.reset();
    switch (reportDestination) {
        case kReportScreen:
        case kReportWindowsPrinter:
        case kReportTextProgram:
            if (MakeReportTempName().empty()) return;
            AssignClaimedOutput(reportOutputName);
            outputMade = true;
            break;
        case kReportTextPrinter:
            SetHelpNumber(1060);
            pauseAfterEachPage = AskYesNoCancelText("Pause nach jeder Seite ?");
            if (cancelFlag) return;
            if (!ReadPrinterSetupCodes()) return;
            if (MakeReportTempName().empty()) return;
            AssignClaimedOutput(reportOutputName);
            outputMade = true;
            break;
        case kReportTextFile: {
            SetHelpNumber(1070);
            std::string path;
            dataFileExtension = "txt";
            AskSaveFileName("", path);  // asks before an existing file is replaced
            saved.Restore();
            if (cancelFlag) return;
            reportOutputName = path;
            break;
        }
        case kReportTxtFile:
        case kReportTxtNoDialog: {
            SetHelpNumber(1070);
            std::string path;
            dataFileExtension = "txt";
            const bool claim = reportDestination == kReportTxtNoDialog || !textDeviceWindow;
            if (claim)
                path = ClaimTxtOutputName();
            else
                AskSaveFileName("", path);
            saved.Restore();
            if (cancelFlag) return;
            reportOutputName = path;
            if (claim) AssignClaimedOutput(path);
            outputMade = claim;
            break;
        }
        case kReportHtmlFile: {
            SetHelpNumber(1070);
            reportSavedExtension = saved.extension;
            std::string path;
            dataFileExtension = "htm";
            if (!htmlBrowserPath.empty()) {
                path = InUserDirectory(programShortName + ".htm");
                saved.Restore();
                CheckNewFileName(path);
                if (!cancelFlag && !AssignCheckedOutput(path)) return;
                outputMade = !cancelFlag;
            } else {
                AskSaveFileName("", path);
                saved.Restore();
            }
            if (cancelFlag) return;
            reportOutputName = path;
            break;
        }
        case kReportOutDos:
            if (!CreateEmptyOutput(reportOutputName = InUserDirectory("OUTDOS.TXT"))) return;
            outputMade = true;
            break;
        default: break;
    }
    if (!outputMade) sharedTextFile.Assign(reportOutputName);
    reportPageCounter = 0;
    reportLineCounter = 0;
}

void ReportRewrite() {
    if (cancelFlag || !ClaimStillHeld()) return;
    RewriteChecked(sharedTextFile);
}

void ReportAbandon() {
    sharedTextFile.Discard();
    htmlTableOpen = false;
    switch (reportDestination) {
        case kReportScreen:
        case kReportTextPrinter:
        case kReportWindowsPrinter:
        case kReportTextProgram:
            // Only the file claimed, never another one put at its name.
            if (!claimedOutput || IdentityAtName(reportOutputName) == claimedOutput)
                DeleteFileIfExists(reportOutputName);
            break;
        default: break;
    }
    claimedOutput.reset();
}

void ReportClose() {
    const bool formFeedDevice = reportDestination == kReportScreen ||
                                reportDestination == kReportTextPrinter ||
                                reportDestination == kReportWindowsPrinter;
    if (formFeedDevice && reportLineCounter > 0 &&
        (printoutHeaderMode == 2 || reportRuleStyle == 4))
        WriteTextPart("\f");
    if (IsHtmlReportDestination()) {
        HtmlTableClose();
        // A report without any page still is a whole HTML document.
        if (!htmlDocumentBegun) HtmlPageHeader();
        ReportWriteLine("</BODY>");
        ReportWriteLine("</HTML>");
    }
    // The save replaces the file claimed, and only while its name holds it.
    if (ClaimStillHeld()) CloseChecked(sharedTextFile);
    if (cancelFlag) {
        ReportAbandon();
        NormalCursor();
        return;
    }
    reportOutputComplete = true;
    claimedOutput.reset();  // the claim is fulfilled: the report stands at its name

    const std::string outwin = InUserDirectory("outwin.txt");
    switch (reportDestination) {
        case kReportScreen:
            CopyTextFileForDisplay(reportOutputName, outwin);
            if (Ui().IsBatch()) {
                // Headless: the file stays and its path is printed.
                Ui().ShowTextFile(reportOutputName, reportTitle);
                break;
            }
            if (screenReportMode == 1) {
                // A report that cannot be read back is said so, never an
                // empty or stale clipboard left to paste.
                std::string text;
                if (ReadWholeRegularFile(reportOutputName, text)) {
                    Ui().SetClipboardText(text);
                } else {
                    ShowErrorIfEnabled(FileReadErrorText(reportOutputName, errno));
                    cancelFlag = true;
                }
            } else {
                Ui().ShowTextFile(reportOutputName, reportTitle);
            }
            DeleteFileIfExists(reportOutputName);
            break;
        case kReportTextPrinter:
            SendToTextPrinter();
            DeleteFileIfExists(reportOutputName);
            break;
        case kReportTextFile:
        case kReportOutDos:
            CopyTextFileForDisplay(reportOutputName, outwin);
            errorDisplayFlag = true;
            break;
        case kReportWindowsPrinter:
            if (Ui().IsBatch())
                ShowErrorIfEnabled("Windows-Drucker: im Stapelbetrieb nicht verfügbar"_cp850);
            else
                Ui().PrintTextFile(reportOutputName, reportTitle);
            DeleteFileIfExists(reportOutputName);
            break;
        case kReportTextProgram: {
            CopyTextFileForDisplay(reportOutputName, outwin);
            if (cancelFlag) break;
            WaitCursor();
            bool started =
                ProgramAvailable(textEditorPath) && SpawnProgram(textEditorPath, {outwin});
            if (!started) started = Ui().OpenDocument(outwin);
            if (!started)
                ShowErrorIfEnabled(ShownFileName(textEditorPath.empty() ? std::string("xdg-open")
                                                                        : textEditorPath) +
                                   " not found");
            break;
        }
        case kReportTxtFile:
            ++reportCounter;
            CopyTextFileForDisplay(reportOutputName,
                                   InUserDirectory("$$" + IntText(reportCounter) + ".txt"));
            break;
        case kReportTxtNoDialog: {
            ++reportCounter;
            CopyTextFileForDisplay(reportOutputName, currentFileName + ".txt");
            break;
        }
        case kReportHtmlFile:
            if (htmlBrowserPath.empty()) break;
            WaitCursor();
            if (ProgramAvailable(htmlBrowserPath)) {
                Ui().OpenDocument(reportOutputName);
            } else {
                ShowErrorIfEnabled(ShownFileName(htmlBrowserPath) + " not found");
            }
            break;
        default: break;
    }
    NormalCursor();
}

// ---- lines -------------------------------------------------------------------------

void ReportWriteLine(std::string_view s) {
    if (IsHtmlReportDestination())
        WriteTextLine(ConvertForDisplay(s));
    else
        WriteTextLine(s);
}

void ReportWritePart(std::string_view s) {
    if (IsHtmlReportDestination())
        WriteTextPart(ConvertForDisplay(s));
    else
        WriteTextPart(s);
}

void ReportText(std::string_view s) {
    if (IsTxtReportDestination()) {
        if (s == kNoRuleMarker || s == ReportRuleSingle() || s == ReportRuleDouble()) return;
        ReportWriteLine(s);
        return;
    }
    if (IsHtmlReportDestination()) {
        HtmlTableClose();
        ++reportLineCounter;
        if (IsAnyRule(s)) return;
        ReportWriteLine("<br>" + HtmlEscape(s));
        return;
    }
    if (s == kNoRuleMarker) return;
    ++reportLineCounter;
    ReportLineCheck(reportColumnHeadsSwitch);
    ReportWriteLine(std::string(kReportMargin) + std::string(s));
}

void ReportTextPart(std::string_view s) {
    if (IsTxtReportDestination()) {
        ReportWritePart(s);
        return;
    }
    if (IsHtmlReportDestination()) {
        HtmlTableClose();
        ++reportLineCounter;
        ReportWritePart("<br>" + HtmlEscape(s));
        return;
    }
    ++reportLineCounter;
    ReportLineCheck(reportColumnHeadsSwitch);
    ReportWritePart(std::string(kReportMargin) + std::string(s));
}

void ReportSpacerLine() {
    if (IsTextReportDestination()) {
        ReportText("");
        return;
    }
    ReportWriteLine("");
}

// ---- rules -------------------------------------------------------------------------

namespace {
std::string RuleOf(char ascii, unsigned char box) {
    switch (reportRuleStyle) {
        case 1: return std::string(kReportWidth, ascii);
        case 2: return std::string(kReportWidth, static_cast<char>(box));
        case 3: return std::string(kReportWidth, ' ');
        default: return std::string(kNoRuleMarker);
    }
}
std::string FrameRule(unsigned char left, unsigned char right) {
    switch (reportRuleStyle) {
        case 1: return std::string(kReportWidth, '*');
        case 2: {
            std::string s(kReportWidth, static_cast<char>(0xCD));
            s.front() = static_cast<char>(left);
            s.back() = static_cast<char>(right);
            return s;
        }
        case 3: return std::string(kReportWidth, ' ');
        default: return std::string(kNoRuleMarker);
    }
}
}  // namespace

std::string ReportRuleSingle() { return RuleOf('-', 0xC4); }
std::string ReportRuleDouble() { return RuleOf('=', 0xCD); }
std::string ReportBoxTop() { return FrameRule(0xC9, 0xBB); }
std::string ReportBoxBottom() { return FrameRule(0xC8, 0xBC); }
std::string ReportBoxMiddle() { return FrameRule(0xCC, 0xB9); }

char ReportBorderChar() {
    switch (reportRuleStyle) {
        case 1: return '*';
        case 2: return static_cast<char>(0xBA);
        default: return ' ';
    }
}

std::string ReportFramedBlankLine() {
    std::string line(kReportWidth, ' ');
    line.front() = ReportBorderChar();
    line.back() = ReportBorderChar();
    return line;
}

// ---- rows --------------------------------------------------------------------------

void ReportRow(const std::string& label, const std::string& symbol, const std::string& unit,
               const std::string& value) {
    if (IsTxtReportDestination()) {
        ReportWriteLine(label + "\t" + symbol + "\t" + unit + "\t" + value);
        return;
    }
    if (IsHtmlReportDestination()) {
        if (!htmlTableOpen) HtmlTableOpen();
        ReportWriteLine("<TR><TD>" + HtmlEscape(label) + "</TD><TD>" + HtmlEscape(symbol) +
                        "</TD><TD>" + HtmlEscape(unit) + "</TD><TD><DIV ALIGN=RIGHT>" +
                        HtmlEscape(value) + "</DIV></TD></TR>");
        return;
    }
    std::string line(kReportWidth, ' ');
    OverwriteAt(label, line, 1);
    OverwriteAt(symbol, line, reportColumnPositions.symbol);
    OverwriteAt(unit, line, reportColumnPositions.unit);
    std::string v = value;
    if (v.size() > 14) v = TrimBoth(v);
    if (v.size() <= 14)
        OverwriteAt(v, line, reportColumnPositions.single);
    else
        OverwriteAt(v, line, kReportWidth - static_cast<int>(v.size()));
    ReportText(line);
    if (reportRuleStyle != 4) ReportText(ReportRuleSingle());
}

void ReportRowPair(const std::string& label, const std::string& symbol, const std::string& unit,
                   const std::string& value1, const std::string& value2) {
    if (IsTxtReportDestination()) {
        ReportWriteLine(label + "\t" + symbol + "\t" + unit + "\t" + value1 + "\t" + value2);
        return;
    }
    if (IsHtmlReportDestination()) {
        if (!htmlTableOpen) ReportColumnHeadRow();
        ReportWriteLine("<TR><TD>" + HtmlEscape(label) + "</TD><TD>" + HtmlEscape(symbol) +
                        "</TD><TD>" + HtmlEscape(unit) + "</TD><TD>" + HtmlEscape(value1) +
                        "</TD><TD>" + HtmlEscape(value2) + "</TD></TR>");
        return;
    }
    std::string line(kReportWidth + 1, ' ');
    OverwriteAt(label, line, 1);
    OverwriteAt(symbol, line, reportColumnPositions.symbol);
    OverwriteAt(unit, line, reportColumnPositions.unit);
    OverwriteAt(value1, line, reportColumnPositions.value1);
    OverwriteAt(value2, line, reportColumnPositions.value2);
    ReportText(line);
    if (reportRuleStyle != 4) ReportText(ReportRuleSingle());
}

std::string ReportNumberLine(const std::string& text, const std::string& number) {
    std::string line(64, ' ');
    OverwriteAt(text, line, 1);
    OverwriteAt("Nr.: " + number, line, 40);
    return line;
}

// ---- paging ------------------------------------------------------------------------

std::int32_t EffectiveLinesPerPage() {
    // Upper bound of a page header: the empty line of style 4, the spacing
    // lines, the top rule, three framed lines, the middle rule, four
    // subtitles, then middle rule, column heads, bottom rule and empty line.
    const std::int32_t spacing = std::clamp<std::int32_t>(headerSpaceLines, 0, 10000);
    const std::int32_t header = 1 + spacing + 1 + 3 + 1 + 4 + 4;
    // The header, the empty line after it and one line of text.
    return std::max(linesPerPage, header + 2);
}

void ReportLineCheck(std::int32_t withColumnHeads) {
    if (reportLineCounter < EffectiveLinesPerPage()) return;
    if (printoutHeaderMode == 2) {
        WriteTextLine("\f");
        reportLineCounter = 0;
        return;
    }
    ReportPageBreak();
    ReportPageHeader(0, withColumnHeads);
    ReportText("");
}

void ReportEndPage() {
    switch (reportDestination) {
        case kReportTxtFile:
        case kReportHtmlFile:
        case kReportTxtNoDialog: return;
        case kReportScreen:
        case kReportWindowsPrinter: WriteTextLine("\f"); break;
        case kReportTextPrinter: WriteTextPart("\f"); break;
        default: break;
    }
    reportLineCounter = 0;
}

void ReportPageBreak() {
    if (!IsTextReportDestination()) return;
    if (reportRuleStyle == 4 && reportLineCounter < EffectiveLinesPerPage() / 2) return;
    ReportEndPage();
}

void ReportNewPageIfNearEnd(std::int32_t withColumnHeads) {
    if (reportLineCounter <= std::max(EffectiveLinesPerPage() - 10, 10)) return;
    ReportPageBreak();
    ReportPageHeader(0, withColumnHeads);
    if (withColumnHeads == 0) ReportText("");
}

void AskNextSheet() {
    if (!pauseAfterEachPage) return;
    if (!AskYesNoCancelText("Blatt in Drucker einlegen.  Fortfahren ?")) cancelFlag = true;
}

// ---- page header -------------------------------------------------------------------

namespace {

void TxtPageHeader() {
    ReportText(ProgramTitle() + "\t" + TodayText() + "\t" + TimeHourMinuteText());
    ReportText(WithoutBlanks(FileNameText(reportNamedFile ? *reportNamedFile : reportOutputName)));
    for (int i = 1; i <= kReportHeaderLineCount; ++i) ReportText(reportHeaderLines[i]);
    ReportText(" ");
    ++reportPageCounter;
}

void HtmlPageHeader() {
    if (!htmlDocumentBegun) {
        std::string name = WithoutBlanks(FileNameText(reportOutputName));
        // "--" may not appear inside a comment.
        for (std::size_t p; (p = name.find("--")) != std::string::npos;) name.replace(p, 2, "-_");
        ReportWriteLine("<!-- " + HtmlEscape(name) + " -->");
        ReportWriteLine("<HTML>");
        ReportWriteLine(
            "<head><meta http-equiv=\"Content-Type\" content=\"text/html; "
            "charset=windows-1252\"><title>" +
            HtmlEscape(ProgramTitle()) + "</title></head>");
        ReportWriteLine("<BODY BGCOLOR=\"C0C0C0\">");
        ReportWriteLine("<hr>");
        htmlDocumentBegun = true;
    }
    HtmlMarkupLine("<h4>" + HtmlEscape(ProgramTitle()) + "</h4>");
    HtmlMarkupLine("<hr>");
    for (int i = 1; i <= 4; ++i) HtmlMarkupLine("<h5>" + HtmlEscape(reportSubtitles[i]) + "</h5>");
    HtmlMarkupLine("<hr>");
    ++reportPageCounter;
}

std::string DataFileText() {
    TrimInPlace(currentFileName);
    // The file the set was read from or last saved to, as the window's title
    // names it; a data set not yet saved has no file to name.
    const std::string file = CurrentDataFile();
    if (file.empty()) return {};
    if (archiveModeFlag) return FileNameText(currentFileName);
    const std::string full = FileNameText(file);
    // A path that does not fit between the borders is shown by its name.
    if (full.size() <= static_cast<std::size_t>(kReportWidth - 4)) return full;
    return FileNameText(file.substr(DirPartOf(file).size()));
}

}  // namespace

void ReportPageHeader(std::int32_t sheet, std::int32_t withColumnHeads) {
    const bool firstOfRun = sheet == 1 || (sheet == 0 && reportPageCounter == 0);
    if (IsTxtReportDestination()) {
        if (firstOfRun) TxtPageHeader();
        return;
    }
    if (IsHtmlReportDestination()) {
        if (firstOfRun) HtmlPageHeader();
        return;
    }

    AskNextSheet();
    if (cancelFlag) return;
    const bool laterSheet = sheet != 1 && (sheet != 0 || reportPageCounter > 0);
    // A later page begins on a fresh sheet: a header in the middle of a page
    // would restart the line count while the sheet is partly written.
    if (laterSheet && reportLineCounter > 0) ReportPageBreak();
    if (printoutHeaderMode == 2 && laterSheet) {
        ++reportLineCounter;
        ReportWriteLine(SpacerForHeader());
        return;
    }
    if (reportRuleStyle == 4 && laterSheet && reportLineCounter < EffectiveLinesPerPage() / 2)
        return;

    reportLineCounter = 0;
    reportColumnHeadsSwitch = withColumnHeads;
    ++reportPageCounter;
    const std::int32_t shownSheet = sheet == 0 ? reportPageCounter : sheet;

    if (reportRuleStyle == 4) ReportText("");
    for (std::int32_t i = 0; i < headerSpaceLines && i < 10000; ++i) ReportText("");
    ReportText(ReportBoxTop());
    if (cancelFlag) return;

    std::string line = ReportFramedBlankLine();
    int sheetColumn = 0;
    std::string sheetText;
    if (printoutHeaderMode != 2) {
        sheetText = "Bl." + IntTextPad(shownSheet, 2);
        if (reportSheetTotal != 0) {
            sheetText += "/" + IntTextPad(reportSheetTotal, 2);
            sheetColumn = 60;
        } else {
            sheetColumn = 64;
        }
    }
    std::string_view title = reportTitle;
    if (sheetColumn > 0 && static_cast<int>(title.size()) > sheetColumn - 5)
        title = title.substr(0, static_cast<std::size_t>(sheetColumn - 5));
    PlaceInFrame(line, title, 4);
    if (sheetColumn > 0) PlaceInFrame(line, sheetText, sheetColumn);
    ReportText(line);

    line = ReportFramedBlankLine();
    PlaceInFrame(line, TodayText(), 53);
    PlaceInFrame(line, TimeHourMinuteText(), 64);
    ReportText(line);

    line = ReportFramedBlankLine();
    PlaceInFrame(line, DataFileText(), 4);
    ReportText(line);

    ReportText(ReportBoxMiddle());
    for (int i = 1; i <= 4; ++i) {
        if (i == 4 && reportSubtitles[4].empty()) break;
        line = ReportFramedBlankLine();
        PlaceInFrame(line, reportSubtitles[static_cast<std::size_t>(i)], 4);
        ReportText(line);
    }
    if (withColumnHeads != 1) {
        ReportText(ReportBoxBottom());
    } else {
        ReportText(ReportBoxMiddle());
        ReportColumnHeadRow();
    }
}

std::string ReportDestinationName(int code) {
    if (code < 1 || code > static_cast<int>(kDestinationNames.size())) return {};
    return std::string(kDestinationNames[static_cast<std::size_t>(code - 1)]);
}

}  // namespace veldrim
