// The whole program run: memory that runs out ends the run with the status
// of the step it happened in, never with an abort.
#include "app/startup.h"

#include <gmock/gmock.h>
#include <sys/resource.h>

#include <charconv>
#include <csignal>
#include <filesystem>
#include <map>
#include <new>
#include <optional>
#include <sstream>
#include <vector>

#include "app/config_file.h"
#include "app_test_support.h"
#include "foundation/data_file_path.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"
#include "reports/edi_file.h"
#include "support/fault_calls.h"

namespace veldrim::testing {
namespace {

// A window whose first message finds no memory left: the allocation that
// fails is the one the message needs.
class OutOfMemoryUi : public ScriptedUi {
public:
    void ShowMessage(const std::string&, const std::string&, MessageKind) override {
        throw std::bad_alloc();
    }
};

class Startup : public AppFileTest {
protected:
    int Run(std::vector<const char*> args) {
        args.insert(args.begin(), "veldrim");
        return RunProgram(static_cast<int>(args.size()), args.data());
    }
    OutOfMemoryUi oom;
};

TEST_F(Startup, RunningOutOfMemoryWhileReadingEndsWithTheReadStatus) {
    ScopedUi scoped(oom);
    const std::string bad = dir + "/bad.qb3";
    Spit(bad, "only one line\r\n");  // its read error message needs memory
    EXPECT_EQ(Run({bad.c_str(), "/I", "/NOGUI"}), kExitUnreadable);
}

TEST_F(Startup, RunningOutOfMemoryWhileWritingEndsWithTheWriteStatus) {
    ScopedUi scoped(oom);
    const std::string edi = dir + "/gear.edi";
    Spit(edi, Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.edi"));
    // The exchange file cannot be written beyond 100 bytes: the message of
    // the failed write finds no memory.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{100, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    const int status = Run({edi.c_str(), "/E", "/NOGUI"});
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(status, kExitOutputFailed);
    EXPECT_EQ(Slurp(edi), Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.edi"))
        << "the old file stays";
}

// The value of every key line of an exchange file.
std::map<int, std::string> EdiValues(const std::string& text) {
    std::map<int, std::string> values;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.size() < 6 || line[0] == '<') continue;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string value = line.substr(6);
        value.erase(0, value.find_first_not_of(' '));
        values[std::stoi(line.substr(0, 4))] = value;
    }
    return values;
}

// /E on the shipped exchange file calculates the gear set the file
// describes: its worm of mean diameter 36 (not the one dm1/a would give), so
// the geometry comes back as the file has it (the demo set's values,
// reference/worm_reference.py). The file holds the input power with four
// decimals (3.6613 kW), so torques and forces come back to that precision.
TEST_F(Startup, ExchangeRunOfTheShippedDemoKeepsItsWorm) {
    const std::string edi = dir + "/gear.edi";
    Spit(edi, Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.edi"));
    ASSERT_EQ(Run({edi.c_str(), "/E", "/NOGUI"}), kExitOk);
    const std::map<int, std::string> values = EdiValues(Slurp(edi));
    const struct {
        int key;
        const char* value;
    } geometry[] = {
        {3070, "100.0000"}, {3072, "20.5000"},  {3170, "36.0000"},
        {3172, "164.0000"}, {3174, "44.0000"},  {3176, "172.0000"},
        {3178, "26.4000"},  {3180, "154.4000"}, {3182, "180.0000"},
    };
    for (const auto& k : geometry) {
        const auto it = values.find(k.key);
        ASSERT_NE(it, values.end()) << k.key;
        EXPECT_EQ(it->second, k.value) << "key " << k.key;
    }
    const struct {
        int key;
        double value;
    } loads[] = {
        {3080, 24.1122},   {3086, 405.0219},  {3090, 3.0},
        {3200, 1674.4606}, {3202, 6174.1142}, {3204, 6174.1142},
        {3206, 1674.4606}, {3208, 2476.3941}, {3212, 7237.2359},
    };
    for (const auto& k : loads) {
        const auto it = values.find(k.key);
        ASSERT_NE(it, values.end()) << k.key;
        double x = 0;
        std::from_chars(it->second.data(), it->second.data() + it->second.size(), x);
        EXPECT_NEAR(x, k.value, 1E-5 * k.value) << "key " << k.key << ": " << it->second;
    }
}

// /I on a data file whose name has umlauts (the bytes of its name on disk,
// UTF-8) reads it and writes the report's copy for the window system's
// programs into the current folder under the same name.
TEST_F(Startup, ReportRunOfAnUmlautFileName) {
    const std::string data = dir + "/Getriebe-Größe.qb3";
    Spit(data, Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.qb3"));
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    const int status = Run({data.c_str(), "/I", "/NOGUI"});
    std::filesystem::current_path(before);
    ASSERT_EQ(status, kExitOk);
    const std::string report = Slurp(dir + "/Getriebe-Größe.txt");
    EXPECT_NE(report.find("BASISDATEN"), std::string::npos) << report.substr(0, 400);
}

// A read of the file a batch run reads that fails (EIO) is no end of that
// file, whether it is the first read or the one after the first buffer was
// taken: the run ends with the status of the step it was in and names the
// file and the reason on its line, and nothing is written from what was
// read. The exchange file keeps its bytes (its check reads it whole before
// the reading that fails); the data file gives no report; the report gives
// no display copy, and the copy of an earlier run stays.
TEST_F(Startup, AFailedReadEndsTheRunAndNothingIsWrittenFromWhatWasRead) {
    const std::string demo = Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.qb3");
    const std::string edi = Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.edi");
    // The demo set with a material name at the line limit: the file is larger
    // than the reader's first buffer.
    std::string longSet = demo;
    const auto name = longSet.find("\r\n16MnCr5\r\n");
    ASSERT_NE(name, std::string::npos);
    longSet.replace(name + 2, 7, std::string(kValueLineLimit, 'W'));
    const struct {
        const char* what;
        const char* file;  // the file named on the command line
        const std::string& bytes;
        const char* option;
        const char* readOf;  // the file whose read fails
        long read;           // which of its reads (after the check of /E)
        int status;
    } cases[] = {
        {"exchange file, first read", "x.edi", edi, "/E", "x.edi", 1, kExitUnreadable},
        {"exchange file, second read", "x.edi", edi, "/E", "x.edi", 2, kExitUnreadable},
        {"data file, first read", "gear.qb3", demo, "/I", "gear.qb3", 1, kExitUnreadable},
        {"data file, second read", "gear.qb3", longSet, "/I", "gear.qb3", 2, kExitUnreadable},
        {"report for its copy, first read", "gear.qb3", demo, "/I", "$$$1.txt", 1,
         kExitOutputFailed},
        {"report for its copy, second read", "gear.qb3", demo, "/I", "$$$1.txt", 2,
         kExitOutputFailed},
    };
    const std::filesystem::path before = std::filesystem::current_path();
    ui.batch = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetAllProgramState();
        const std::string folder = dir + "/" + std::to_string(&c - cases);
        std::filesystem::create_directory(folder);
        std::filesystem::current_path(folder);
        const std::string file = folder + "/" + c.file;
        const std::string copy = file.substr(0, file.rfind('.')) + ".txt";
        Spit(file, c.bytes);
        Spit(copy, "the copy of an earlier run\r\n");
        long checkReads = 0;
        if (std::string(c.option) == "/E") {
            FaultCalls count;
            FaultCalls::ReadsOf(c.readOf);
            std::string why;
            ASSERT_TRUE(CheckEdiFile(file, why)) << why;
            checkReads = FaultCalls::Reads();
        }
        int status = -1;
        ::testing::internal::CaptureStderr();
        {
            FaultCalls fail(FaultCalls::kFailRead, checkReads + c.read, EIO);
            FaultCalls::ReadsOf(c.readOf);
            status = Run({file.c_str(), c.option, "/NOGUI"});
            EXPECT_TRUE(FaultCalls::Fired());
        }
        const std::string said = ::testing::internal::GetCapturedStderr();
        std::filesystem::current_path(before);
        EXPECT_EQ(status, c.status) << said;
        EXPECT_THAT(said, ::testing::HasSubstr(c.readOf));
        EXPECT_THAT(said, ::testing::HasSubstr("Input/output error"));
        EXPECT_EQ(Slurp(file), c.bytes);
        EXPECT_EQ(Slurp(copy), "the copy of an earlier run\r\n");
    }
}

// What the window found when the start-up opened it.
struct WindowStart {
    int count = 0;
    bool archive = false;
    std::string dataFile;  // the current data file
    std::string file;      // the command line's file the window takes
    std::string notice;
};
WindowStart windowStart;

int RecordWindowStart(const CommandLine& cl, const std::string& notice) {
    ++windowStart.count;
    windowStart.archive = archiveModeFlag;
    windowStart.dataFile = CurrentDataFilePath();
    windowStart.file = cl.file;
    windowStart.notice = notice;
    return kExitOk;
}

// A window could open: the display the runs below find.
class DisplayForTheWindow {
public:
    DisplayForTheWindow() {
        if (const char* platform = std::getenv("QT_QPA_PLATFORM")) before_ = platform;
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        windowRunner = &RecordWindowStart;
        windowStart = {};
    }
    ~DisplayForTheWindow() {
        windowRunner = nullptr;
        if (before_)
            ::setenv("QT_QPA_PLATFORM", before_->c_str(), 1);
        else
            ::unsetenv("QT_QPA_PLATFORM");
    }

private:
    std::optional<std::string> before_;
};

// `veldrim <file>` with a file the data file reader refuses: the window
// opens on the start-up set with the reader's message, the one Öffnen shows
// for the same file. A name given in other letters than the disk's is the
// file as the disk spells it. A configuration file that could not be read is
// told by the window as well, before the data file's message.
TEST_F(Startup, TheWindowStartSaysWhatTheReaderSaysOfTheFile) {
    std::string damaged = Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.qb3");
    const std::size_t line8 = damaged.find("100.0000000\r\n");  // a, the 8th line
    ASSERT_NE(line8, std::string::npos);
    damaged.replace(line8, 11, "abc");
    struct Case {
        const char* named;   // on the command line
        const char* onDisk;  // the file there, "" none
        std::string bytes;
        std::string notice;        // % the case's folder, @ the configuration's
        const char* file;          // the window's data file, "" none
        bool configFails = false;  // the first read of the configuration file fails
    };
    const std::string demo = Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.qb3");
    ui.batch = true;  // as the program starts: no window yet
    const Case cases[] = {
        {"fehlt.qb3", "", "", "Datei %fehlt.qb3 nicht lesbar (Fehler 2)", ""},
        {"leer.qb3", "leer.qb3", "", "Datei %leer.qb3 ist leer", ""},
        {"kaputt.qb3", "kaputt.qb3", damaged, "Fehler beim Lesen von %kaputt.qb3, Zeile 8", ""},
        {"g.qb3", "G.QB3", demo, "", "G.QB3"},
        {"gear.qb3", "gear.qb3", demo,
         "Fehler beim Lesen von @VELDRIM.cfg, Zeile 1 (Input/output error)", "gear.qb3", true},
        {"weg.qb3", "", "",
         "Fehler beim Lesen von @VELDRIM.cfg, Zeile 1 (Input/output error)\n"
         "Datei %weg.qb3 nicht lesbar (Fehler 2)",
         "", true},
    };
    Spit(ConfigFilePath(), "Zeilen pro Seite\r\n60\r\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named);
        const std::string folder = dir + "/" + c.named + ".d";
        std::filesystem::create_directory(folder);
        if (*c.onDisk) Spit(folder + "/" + c.onDisk, c.bytes);
        const std::string named = folder + "/" + c.named;
        std::string notice = c.notice;
        for (const auto& [mark, path] : {std::pair{'%', folder}, {'@', configurationDirectory}})
            if (const auto at = notice.find(mark); at != std::string::npos)
                notice.replace(at, 1, path + "/");
        int status = -1;
        {
            DisplayForTheWindow display;
            std::optional<FaultCalls> fail;
            if (c.configFails) {
                fail.emplace(FaultCalls::kFailRead, 1, EIO);
                FaultCalls::ReadsOf("VELDRIM.cfg");
            }
            status = Run({named.c_str()});
        }
        EXPECT_EQ(status, kExitOk);
        EXPECT_EQ(windowStart.count, 1);
        EXPECT_EQ(windowStart.notice, notice);
        EXPECT_EQ(windowStart.file, *c.file ? folder + "/" + c.file : "");
    }
}

// The window opens in archive mode with /ARCHIV on the command line, and
// names its data file by the name alone; without the switch with its folder.
TEST_F(Startup, WindowStartsInArchiveModeWithTheSwitch) {
    const std::string data = dir + "/gear.qb3";
    Spit(data, Slurp(std::string(VELDRIM_DATA_DIR) + "/demo.qb3"));
    WindowStart withSwitch, without;
    int archived = -1, plain = -1;
    {
        DisplayForTheWindow display;
        archived = Run({data.c_str(), "/archiv"});
        withSwitch = windowStart;
        windowStart = {};
        plain = Run({data.c_str()});
        without = windowStart;
    }

    EXPECT_EQ(archived, kExitOk);
    EXPECT_EQ(withSwitch.count, 1);
    EXPECT_TRUE(withSwitch.archive);
    EXPECT_EQ(withSwitch.dataFile, "gear");
    EXPECT_EQ(plain, kExitOk);
    EXPECT_EQ(without.count, 1);
    EXPECT_FALSE(without.archive);
    // The window puts the data file's folder in front of it.
    EXPECT_TRUE(without.dataFile.ends_with("/gear.qb3")) << without.dataFile;
}

}  // namespace
}  // namespace veldrim::testing
