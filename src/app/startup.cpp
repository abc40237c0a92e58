#include "app/startup.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "app/config_file.h"
#include "app/data_file_sections.h"
#include "app/main_commands.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/data_file.h"
#include "calc/design.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "drawings/result_view.h"
#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/message_display.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "foundation/text_conv.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"
#include "graphics/display_list.h"
#include "graphics/formats/hpgl_reader.h"
#include "reports/calc_report.h"
#include "reports/edi_file.h"
#include "reports/sibling_file.h"
#include "reports/table_print.h"
#include "tables/datasets/dataset_unit.h"
#include "tables/datasets/table_access.h"

namespace veldrim {

namespace {

bool IsSwitch(const std::string& a) { return !a.empty() && a[0] == '/'; }

// "/data/gear.qb3" is a path, "/X" a switch.
bool LooksLikePath(const std::string& a) {
    return a.find('/', 1) != std::string::npos || a.find('.') != std::string::npos;
}

// Headless runs hold the messages of the run until it ends: a failed run
// says why on exactly one line, a successful one shows its warnings then.
class HeadlessUi final : public BatchUi {
public:
    struct Held {
        std::string title, text;
        MessageKind kind;
    };
    void ShowMessage(const std::string& title, const std::string& text, MessageKind kind) override {
        shown.push_back(text);
        held.push_back({title, text, kind});
    }
    Answer Ask(const std::string& title, const std::string& text, AskButtons buttons,
               MessageKind kind) override {
        ShowMessage(title, text, kind);
        if (presetAnswer) return *presetAnswer;
        return buttons == AskButtons::YesNo ? Answer::No : Answer::Cancel;
    }
    // The first error the run showed, empty when none.
    std::string FirstError() const {
        for (const Held& h : held)
            if (h.kind == MessageKind::Error) return h.text;
        return {};
    }
    // Every error the run showed, one a line.
    std::string Errors() const {
        std::string text;
        for (const Held& h : held)
            if (h.kind == MessageKind::Error) text += (text.empty() ? "" : "\n") + h.text;
        return text;
    }
    void Flush() {
        for (const Held& h : held) BatchUi::ShowMessage(h.title, h.text, h.kind);
        held.clear();
    }
    std::vector<Held> held;
};

HeadlessUi* headless = nullptr;

// The errors the start-up held while there was no window (a configuration,
// session or template file that could not be read), one a line, for the
// window to show when it opens: from then on they are the window's, no
// longer printed when the program ends.
std::string ErrorsForTheWindow() {
    if (!headless) return {};
    const std::string text = headless->Errors();
    std::erase_if(headless->held,
                  [](const HeadlessUi::Held& h) { return h.kind == MessageKind::Error; });
    return text;
}

// The one line of a failed run: the reason, and the first error message that
// the run showed (the file layer's own text) behind it.
void Fail(const std::string& reason) {
    std::string line = "veldrim: " + Cp850ToUtf8Carried(reason);
    if (headless) {
        if (const std::string shown = headless->FirstError(); !shown.empty())
            line += ": " + Cp850ToUtf8Carried(shown);
        headless->held.clear();
    }
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    line += "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

// The calculation messages of a stopped run, joined on the failure line.
std::string CalculationMessagesText() {
    std::string text;
    for (int i = 1; i <= messageList.count; ++i) {
        if (!text.empty()) text += "; ";
        text += messageList.slot[i];
    }
    return text;
}

// Why a file named on the command line cannot be read as a data file; empty
// when it can.
std::string WhyNotReadable(const std::string& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return errno == ENOENT ? std::string("not found")
                               : "cannot be opened: " + SystemReason(errno);
    if (S_ISDIR(st.st_mode)) return "is a folder, not a file";
    if (!S_ISREG(st.st_mode)) return "is a device or other special file, not a data file";
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return "cannot be opened: " + SystemReason(errno);
    ::close(fd);
    if (st.st_size == 0) return "is empty";
    return {};
}

// Reads the data file named on the command line; it becomes the current data
// file, and its name without the extension the set's name. A file that
// cannot be read gives the failure line with its reason, and `said` the
// errors held so far, the last of them what the data file reader said of it:
// the message Öffnen shows in the window for the same file (empty where the
// messages are not held, but shown).
bool ReadCommandLineFile(const std::string& file, std::string* said = nullptr) {
    // The reader looks at what stands at the name before it opens anything:
    // a folder, a pipe or a device is refused unopened, and named.
    if (ReadDataFile(file)) {
        TakeDataFileName(file);
        return true;
    }
    if (said && headless) *said = headless->Errors();
    if (const std::string why = WhyNotReadable(file); !why.empty()) {
        // The reason alone, without the reader's message.
        if (headless) headless->held.clear();
        Fail("data file " + ShownFileName(file) + " " + why);
        return false;
    }
    Fail("data file " + ShownFileName(file) + " cannot be read (line " +
         std::to_string(DataFileFailedLine()) + ")");
    return false;
}

bool CalculateOrFail() {
    RunCalculation();
    if (!fatalFlag) return true;
    Fail("the calculation ended fatal: " + CalculationMessagesText());
    return false;
}

// Set when a run begins to write its output: memory that runs out from then
// on fails the output, before it the reading.
bool writingOutput = false;
// The file named on the command line, for the out-of-memory line.
std::string runFile;

int RunExchange(const CommandLine& cl) {
    // The file is read and then replaced: anything that is not a
    // data-exchange file is refused before a byte of it is touched.
    if (const std::string why = WhyNotReadable(cl.file); !why.empty()) {
        Fail("data-exchange file " + ShownFileName(cl.file) + " " + why);
        return kExitUnreadable;
    }
    if (std::string why; !CheckEdiFile(cl.file, why)) {
        Fail("data-exchange file " + ShownFileName(cl.file) + " " + why + "; it is left as it was");
        return kExitUnreadable;
    }
    if (!ReadEdiFile(cl.file)) {
        Fail("data-exchange file " + ShownFileName(cl.file) + " cannot be read");
        return kExitUnreadable;
    }
    if (!CalculateOrFail()) return kExitFatal;
    writingOutput = true;
    WriteEdiFile(cl.file);
    if (cancelFlag) {
        Fail("data-exchange file " + ShownFileName(cl.file) + " cannot be written");
        return kExitOutputFailed;
    }
    std::printf("%s\n", cl.file.c_str());
    return kExitOk;
}

int RunReport(const CommandLine& cl) {
    if (!ReadCommandLineFile(cl.file)) return kExitUnreadable;
    if (!CalculateOrFail()) return kExitFatal;
    writingOutput = true;
    const std::string path = WriteBatchTextReport();
    if (path.empty()) {
        Fail("the text report of " + ShownFileName(cl.file) + " cannot be written");
        return kExitOutputFailed;
    }
    std::printf("%s\n", path.c_str());
    return kExitOk;
}

int RunCad(const CommandLine& cl) {
    if (!ReadCommandLineFile(cl.file)) return kExitUnreadable;
    if (!CalculateOrFail()) return kExitFatal;
    Fail("CAD item " + std::to_string(cl.cadItem) + " in format " + std::to_string(cl.cadFormat) +
         " is not part of this build");
    return kExitNotAvailable;
}

}  // namespace

WindowRunner windowRunner = nullptr;

bool DisplayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!GetEnvVar(name).empty()) return true;
    return false;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    for (const std::string& a : args) {
        std::error_code ec;
        if (!IsSwitch(a) || (cl.file.empty() && std::filesystem::exists(a, ec))) {
            if (cl.file.empty())
                cl.file = a;
            else
                cl.unknown.push_back(a);
            continue;
        }
        const std::string u = UpperAscii(a);
        if (u == "/I")
            cl.report = true;
        else if (u == "/E")
            cl.exchange = true;
        else if (u == "/NOGUI")
            cl.noGui = true;
        else if (u == "/?")
            cl.usage = true;
        else if (u == "/G")
            cl.graphic = true;
        else if (u == "/ARCHIV")
            cl.archive = true;
        else if (u.size() == 8 && u.compare(0, 4, "/CAD") == 0 && u[5] == ':' && u[4] >= '0' &&
                 u[4] <= '9' && u[6] >= '0' && u[6] <= '9' && u[7] >= '0' && u[7] <= '9') {
            cl.cadFormat = u[4] - '0';
            cl.cadItem = (u[6] - '0') * 10 + (u[7] - '0');
        } else if (u.size() == 7 && u.compare(0, 4, "/CAD") == 0 && u[5] == ':' && u[4] >= '0' &&
                   u[4] <= '9' && u[6] >= '0' && u[6] <= '9') {
            cl.cadFormat = u[4] - '0';
            cl.cadItem = u[6] - '0';
        } else if (cl.file.empty() && LooksLikePath(a)) {
            cl.file = a;  // a path that does not exist (yet): the run says so
        } else {
            cl.unknown.push_back(a);
        }
    }
    return cl;
}

std::string UsageText(const std::string& programName) {
    return programName + " Filename [/I] [/CADi:j] [/E] [/NOGUI] [/ARCHIV]\n" + programName +
           " /?\n" + programName +
           " [Filename] [/G] [/ARCHIV]\n"
           "  /I        write the text report of the data file\n"
           "  /E        read a data-exchange file, calculate, write it anew\n"
           "  /CADi:j   CAD item j in format i: not part of this build, ends with\n"
           "            status 5\n"
           "  /NOGUI    never open a window or dialog\n"
           "  /G        open the window on the calculated data set, as without a\n"
           "            switch; without a display it ends with status 5\n"
           "  /ARCHIV   archive mode: the data file is named by its name alone;\n"
           "            with \"Archive Flag ?\" set, Speichern and saving under a\n"
           "            new name are refused\n"
           "  /?        this screen\n";
}

void TakeCommandLineState(const CommandLine& cl) { archiveModeFlag = cl.archive; }

void InitProductIdentity() {
    productName = "VELDRIM";
    programShortName = "VELDRIM";
    windowTitle = "V E L D R I M    -    Software";
    programVersion = "1.0";
    dataFileExtension = "qb3";
}

std::string TemplatePath(const std::string& base) {
    // The data folder, the start folder, then the program's data folder
    // (where the templates are installed).
    for (const std::string& folder : {dataDirectory, startDirectory, helpDirectory}) {
        const std::string path =
            FindFileNoCase(EnsureTrailingBackslash(folder) + base + "." + dataFileExtension);
        if (FileExists(path)) return path;
    }
    return {};
}

void LoadStartupTemplates() {
    for (const char* base : {"null", "init"}) {
        const std::string path = TemplatePath(base);
        if (!path.empty()) ReadDataFile(path);
    }
    cancelFlag = false;
    RunCalculation();
}

namespace {

int RunProgramGuarded(int argc, const char* const* argv) {
    SetProgramParams(argc, argv);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    std::string name = argc > 0 && argv[0] ? argv[0] : "veldrim";
    if (const auto slash = name.find_last_of('/'); slash != std::string::npos)
        name = name.substr(slash + 1);

    CommandLine cl = ParseCommandLine(args);
    // The file named is the file as the disk spells it: "g.qb3" given for
    // G.QB3 is read, named and saved as G.QB3, never written beside it.
    cl.file = FindFileNoCase(cl.file);
    runFile = cl.file;
    if (cl.usage) {
        std::fputs(UsageText(name).c_str(), stdout);
        return kExitOk;
    }
    if (!cl.unknown.empty()) {
        Fail("unknown switch " + ShownFileName(cl.unknown.front()) + " (" + ShownFileName(name) +
             " /? shows the usage)");
        return kExitUsage;
    }

    // Module start in the order the data set expects: the equivalent gear's
    // values first, then the worm set's defaults over them.
    InitCylGearModule();
    ResetGearData();
    InitQub1Defaults();
    InitProductIdentity();
    InstallDataFileSections();
    designResultView = ShowResultView;
    InstallHpglHelpPictures();
    userDataDirectory = UserDataFolderOfDesktop();
    ReadConfigFile();
    ReadSessionFile();
    TakeCommandLineState(cl);
    UseDataFolder(FindDataFolder(argc > 0 && argv[0] ? argv[0] : ""));
    // The table engine with the date format of the configuration; the
    // hidden table editor of the table access; the tables copied to the
    // user directory when "copy DBF -> TEMP" is set.
    StartTableEngine();
    CreateTableEditorForm();
    InstallTableEditorPrint();
    if (tablesFromUserDirectory) CopyTablesToUserDirectory();
    SetDeviceResolution(horizontalResolution, verticalResolution);

    const bool batch = cl.report || cl.exchange || cl.cadFormat >= 0;
    if (batch && cl.file.empty()) {
        Fail("a data file name is needed (" + ShownFileName(name) + " /? shows the usage)");
        return kExitUsage;
    }
    if (cl.exchange) return RunExchange(cl);
    if (cl.report) return RunReport(cl);
    if (cl.cadFormat >= 0) return RunCad(cl);

    // No batch switch: the window on the calculated data set (/G, a data
    // file alone, or nothing at all).
    const bool window = !cl.noGui && windowRunner;
    if (window && !DisplayAvailable()) {
        Fail(
            "there is no display to open the window on; without one only the batch "
            "switches run: /I or /E (" +
            ShownFileName(name) + " /? shows the usage)");
        return kExitNotAvailable;
    }
    std::string said;
    if (cl.file.empty()) {
        LoadStartupTemplates();
    } else if (ReadCommandLineFile(cl.file, &said)) {
        RunCalculation();
    } else if (window) {
        // The window still opens, on the start-up data set, and says why.
        CommandLine started = cl;
        started.file.clear();
        LoadStartupTemplates();
        const std::string more = ErrorsForTheWindow();
        return windowRunner(started, said + (said.empty() || more.empty() ? "" : "\n") + more);
    } else {
        return kExitUnreadable;
    }
    if (window) return windowRunner(cl, ErrorsForTheWindow());
    if (!cl.noGui) {
        ShowCalculationMessages();
        Fail("the window is not part of this program; use /I or /E (" + ShownFileName(name) +
             " /? shows the usage)");
    }
    return fatalFlag ? kExitFatal : kExitOk;
}

}  // namespace

int RunProgram(int argc, const char* const* argv) {
    HeadlessUi ui;
    UiServices* const before = &Ui();
    const bool ownUi = before->IsBatch();
    if (ownUi) {
        SetUi(&ui);
        headless = &ui;
    }
    writingOutput = false;
    runFile.clear();
    int status = kExitOk;
    try {
        status = RunProgramGuarded(argc, argv);
    } catch (const std::bad_alloc&) {
        // A file too large for the memory: the run ends with its reason, as
        // any other failed read or write.
        sharedTextFile.Discard();
        status = writingOutput ? kExitOutputFailed : kExitUnreadable;
        Fail(std::string("out of memory while ") +
             (writingOutput ? "writing the output of " : "reading ") + ShownFileName(runFile));
    }
    // Every table closed, its header and end mark written.
    ShutdownTableEngine();
    if (ownUi) {
        ui.Flush();
        headless = nullptr;
        SetUi(before);
    }
    return status;
}

}  // namespace veldrim
