#include "app/startup.h"

#include <cstdio>
#include <filesystem>

#include "app/config_file.h"
#include "app/data_file_sections.h"
#include "calc/cyl_record.h"
#include "calc/data_file.h"
#include "calc/records.h"
#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/message_display.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "foundation/ui_services.h"
#include "graphics/display_list.h"
#include "reports/calc_report.h"
#include "reports/edi_file.h"

namespace veldrim {

namespace {

bool IsSwitch(const std::string& a) { return !a.empty() && a[0] == '/'; }

// "/data/gear.qb3" is a path, "/X" a switch.
bool LooksLikePath(const std::string& a) {
    return a.find('/', 1) != std::string::npos || a.find('.') != std::string::npos;
}

void Fail(const std::string& reason) {
    const std::string line = "veldrim: " + Cp850ToUtf8(reason) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

// The calculation messages of a stopped run, on one line each.
void ReportMessagesToStderr() {
    for (int i = 1; i <= messageList.count; ++i) {
        const std::string line = "  " + Cp850ToUtf8(messageList.slot[i]) + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
}

std::string TemplatePath(const std::string& base) {
    for (const std::string& folder : {dataDirectory, startDirectory}) {
        const std::string path =
            FindFileNoCase(EnsureTrailingBackslash(folder) + base + "." + dataFileExtension);
        if (FileExists(path)) return path;
    }
    return {};
}

// Reads the data file named on the command line; the base name becomes the
// current file name.
bool ReadCommandLineFile(const std::string& file) {
    if (!FileExists(file)) {
        Fail("data file " + file + " not found");
        return false;
    }
    if (!ReadDataFile(file)) {
        Fail("data file " + file + " cannot be read (line " +
             std::to_string(DataFileFailedLine()) + ")");
        return false;
    }
    currentFileName = BaseNameOf(file);
    return true;
}

bool CalculateOrFail() {
    RunCalculation();
    if (!fatalFlag) return true;
    Fail("the calculation ended fatal:");
    ReportMessagesToStderr();
    return false;
}

int RunExchange(const CommandLine& cl) {
    if (!FileExists(cl.file)) {
        Fail("data-exchange file " + cl.file + " not found");
        return kExitUnreadable;
    }
    if (!ReadEdiFile(cl.file)) {
        Fail("data-exchange file " + cl.file + " cannot be read");
        return kExitUnreadable;
    }
    if (!CalculateOrFail()) return kExitFatal;
    WriteEdiFile(cl.file);
    if (cancelFlag) {
        Fail("data-exchange file " + cl.file + " cannot be written");
        return kExitOutputFailed;
    }
    std::printf("%s\n", cl.file.c_str());
    return kExitOk;
}

int RunReport(const CommandLine& cl) {
    if (!ReadCommandLineFile(cl.file)) return kExitUnreadable;
    if (!CalculateOrFail()) return kExitFatal;
    const std::string path = WriteBatchTextReport();
    if (path.empty()) {
        Fail("the text report of " + cl.file + " cannot be written");
        return kExitOutputFailed;
    }
    std::printf("%s\n", path.c_str());
    return kExitOk;
}

int RunCad(const CommandLine& cl) {
    if (!ReadCommandLineFile(cl.file)) return kExitUnreadable;
    if (!CalculateOrFail()) return kExitFatal;
    Fail("CAD item " + std::to_string(cl.cadItem) + " in format " +
         std::to_string(cl.cadFormat) + " is not part of this build");
    return kExitNotAvailable;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    for (const std::string& a : args) {
        std::error_code ec;
        if (!IsSwitch(a) || (cl.file.empty() && std::filesystem::exists(a, ec))) {
            if (cl.file.empty()) cl.file = a;
            else cl.unknown.push_back(a);
            continue;
        }
        const std::string u = UpperAscii(a);
        if (u == "/I") cl.report = true;
        else if (u == "/E") cl.exchange = true;
        else if (u == "/NOGUI") cl.noGui = true;
        else if (u == "/?") cl.usage = true;
        else if (u == "/G") cl.graphic = true;
        else if (u.size() == 8 && u.compare(0, 4, "/CAD") == 0 && u[5] == ':' &&
                 u[4] >= '0' && u[4] <= '9' && u[6] >= '0' && u[6] <= '9' && u[7] >= '0' &&
                 u[7] <= '9') {
            cl.cadFormat = u[4] - '0';
            cl.cadItem = (u[6] - '0') * 10 + (u[7] - '0');
        } else if (u.size() == 7 && u.compare(0, 4, "/CAD") == 0 && u[5] == ':' &&
                   u[4] >= '0' && u[4] <= '9' && u[6] >= '0' && u[6] <= '9') {
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
    return programName + " Filename [/I] [/CADi:j] [/E] [/NOGUI]\n"
           "  /I        write the text report of the data file\n"
           "  /E        read a data-exchange file, calculate, write it anew\n"
           "  /CADi:j   write CAD item j in format i (1 DXF, 2 IGES, 5 TXT)\n"
           "  /NOGUI    never open a window or dialog\n"
           "  /?        this screen\n";
}

void InitProductIdentity() {
    productName = "VELDRIM";
    programShortName = "VELDRIM";
    windowTitle = "V E L D R I M    -    Software";
    programVersion = "1.0";
    dataFileExtension = "qb3";
}

void LoadStartupTemplates() {
    for (const char* base : {"null", "init"}) {
        const std::string path = TemplatePath(base);
        if (!path.empty()) ReadDataFile(path);
    }
    cancelFlag = false;
    RunCalculation();
}

int RunProgram(int argc, const char* const* argv) {
    SetProgramParams(argc, argv);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    std::string name = argc > 0 && argv[0] ? argv[0] : "veldrim";
    if (const auto slash = name.find_last_of('/'); slash != std::string::npos)
        name = name.substr(slash + 1);

    const CommandLine cl = ParseCommandLine(args);
    if (cl.usage) {
        std::fputs(UsageText(name).c_str(), stdout);
        return kExitOk;
    }
    if (!cl.unknown.empty()) {
        Fail("unknown switch " + cl.unknown.front());
        std::fputs(UsageText(name).c_str(), stderr);
        return kExitUsage;
    }

    // Module start in the order the data set expects: the equivalent gear's
    // values first, then the worm set's defaults over them.
    InitCylGearModule();
    ResetGearData();
    InitProductIdentity();
    InstallDataFileSections();
    ReadConfigFile();
    ReadSessionFile();
    SetDeviceResolution(horizontalResolution, verticalResolution);

    const bool batch = cl.report || cl.exchange || cl.cadFormat >= 0;
    if (batch && cl.file.empty()) {
        Fail("a data file name is needed");
        std::fputs(UsageText(name).c_str(), stderr);
        return kExitUsage;
    }
    if (cl.exchange) return RunExchange(cl);
    if (cl.report) return RunReport(cl);
    if (cl.cadFormat >= 0) return RunCad(cl);

    // No batch switch: the calculated data set the window would show.
    if (cl.file.empty()) {
        LoadStartupTemplates();
    } else {
        if (!ReadCommandLineFile(cl.file)) return kExitUnreadable;
        RunCalculation();
    }
    if (!cl.noGui) ShowCalculationMessages();
    Fail("the window is not part of this build; use /I, /E or /CADi:j");
    std::fputs(UsageText(name).c_str(), stderr);
    return fatalFlag ? kExitFatal : kExitOk;
}

}  // namespace veldrim
