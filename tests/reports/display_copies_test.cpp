// The report's copies for display (outwin.txt, $$<k>.txt, OUTDOS.TXT, the
// copy named after the data set) and its scratch names ($OUT<n>.TMP): none of
// them ever replaces the data file the run read, waits on a pipe, or is
// turned onto another file by a link put in while the report is copied.
#include <gmock/gmock.h>

#include <cstring>
#include <functional>
#include <unistd.h>

#include "calc/data_file.h"
#include "calc/worm_geometry.h"
#include "foundation/codepage.h"
#include "foundation/file_calls.h"
#include "foundation/files.h"
#include "report_test_support.h"
#include "reports/report_channel.h"
#include "reports/spreadsheet.h"
#include "support/fault_calls.h"
#include "support/fifo_watch.h"

namespace veldrim {
namespace {
using namespace testing_support;
using veldrim::testing::FaultCalls;
using veldrim::testing::FifoWatch;

// The data file the run read: plain lines without the header rule, so that
// only its identity tells it.
constexpr const char* kDataBytes = "Getriebe 1\r\n100.0000000\r\n";

class DisplayCopies : public ReportTest {
protected:
    void SetUp() override {
        ReportTest::SetUp();
        veldrim::testing::Spit(In("gear.qb3"), kDataBytes);
        dataFileReadIdentity = IdentityOf(In("gear.qb3"));
        ASSERT_TRUE(dataFileReadIdentity.has_value());
        currentFileName = "gear";
    }
    // One report through the destination, as the program's report commands
    // write it: a refusal at the rewrite abandons the report, the close hands
    // it over. `whileWriting` runs between its lines and its close.
    void Report(std::uint16_t destination, const std::function<void()>& whileWriting = {}) {
        cancelFlag = false;
        SetReportHeader("Titel", "Sub 1", "", "", "", 0);
        ReportOpen(destination, "x");
        if (cancelFlag) return;
        ReportRewrite();
        if (cancelFlag) {
            ReportAbandon();
            return;
        }
        ReportText("Bericht");
        if (whileWriting) whileWriting();
        ReportClose();
    }
    // The folder as it was set up (the data file alone), no message shown,
    // the TXT file counter at its start.
    void Clean() {
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path().filename() != "gear.qb3") fs::remove(e.path());
        ui.calls.clear();
        reportCounter = 0;
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (const auto& c : ui.CallsOf("message")) out.push_back(Cp850ToUtf8Carried(c.text));
        return out;
    }
};

// The number, as the fault mode counts them, of the first changing call of
// `run` that `pick` selects; 0 when there is none.
long CallNumber(const std::function<void()>& run,
                const std::function<bool(const FaultCalls::Call&)>& pick) {
    FaultCalls count;
    run();
    long n = 0;
    for (const FaultCalls::Call& c : FaultCalls::Log()) {
        if (c.call == "close") continue;
        ++n;
        if (pick(c)) return n;
    }
    return 0;
}

// A display copy that cannot be written is reported, never taken for a
// report handed over: its name leads to the data file read (a link to it),
// or the final sync or rename of the copy fails. The copy is refused with a
// message naming it, the cancel flag is set, and the data file keeps its
// bytes.
TEST_F(DisplayCopies, EveryDisplayCopyThatIsRefusedOrFailsIsReported) {
    enum Trouble { kLinkToDataFile, kSyncFails, kRenameFails };
    struct Case {
        std::uint16_t destination;
        const char* name;
        Trouble trouble;
    };
    for (const Case c : {Case{kReportOutDos, "outwin.txt", kLinkToDataFile},
                         Case{kReportScreen, "outwin.txt", kLinkToDataFile},
                         Case{kReportOutDos, "OUTDOS.TXT", kLinkToDataFile},
                         Case{kReportTxtFile, "$$1.txt", kLinkToDataFile},
                         Case{kReportTxtNoDialog, "gear.txt", kLinkToDataFile},
                         Case{kReportHtmlFile, "VELDRIM.htm", kLinkToDataFile},
                         Case{kReportOutDos, "outwin.txt", kSyncFails},
                         Case{kReportTxtFile, "$$1.txt", kSyncFails},
                         Case{kReportTxtNoDialog, "gear.txt", kSyncFails},
                         Case{kReportOutDos, "outwin.txt", kRenameFails},
                         Case{kReportTxtFile, "$$1.txt", kRenameFails},
                         Case{kReportTxtNoDialog, "gear.txt", kRenameFails}}) {
        SCOPED_TRACE(std::string(c.name) + " on destination " + std::to_string(c.destination) +
                     ", trouble " + std::to_string(c.trouble));
        const auto clean = [&] {
            for (const auto& e : fs::directory_iterator(dir))
                if (e.path().filename() != "gear.qb3") fs::remove(e.path());
            reportCounter = 0;
        };
        clean();
        ui.calls.clear();
        ui.batch = true;
        programShortName = "VELDRIM";
        htmlBrowserPath = "/bin/true";  // the HTML report goes to the user folder
        // The copy named after the data set stands beside it, under its short name.
        const std::string shown = c.destination == kReportTxtNoDialog ? c.name : In(c.name);
        std::string expected;
        if (c.trouble == kLinkToDataFile) {
            if (c.destination == kReportHtmlFile) ui.QueueAnswer(Answer::Yes);  // replace the file
            fs::create_symlink(In("gear.qb3"), In(c.name));
            Report(c.destination);
            EXPECT_TRUE(fs::is_symlink(In(c.name)));
            expected = "Datei " + shown +
                       " ist eine Datendatei und wird nicht \xC3\xBC"
                       "berschrieben !";
        } else {
            // The sync of the copy's temporary file, or its rename onto the copy.
            const std::string temp = "." + std::string(c.name) + ".unfinished-save.";
            const long n = CallNumber(
                [&] { Report(c.destination); },
                [&](const FaultCalls::Call& call) {
                    return c.trouble == kSyncFails
                               ? call.call == "fsync" &&
                                     fs::path(call.path).filename().string().starts_with(temp)
                               : call.call == "rename" && fs::path(call.to).filename() == c.name;
                });
            ASSERT_GT(n, 0) << "the copy was never synced or renamed";
            clean();
            ui.calls.clear();
            FaultCalls fail(FaultCalls::kFail, n, EIO);
            Report(c.destination);
            EXPECT_TRUE(FaultCalls::Fired());
            EXPECT_FALSE(fs::exists(In(c.name)));
            expected = "file write error: " + shown + ": Input/output error";
        }
        EXPECT_TRUE(cancelFlag);
        EXPECT_EQ(Slurp(In("gear.qb3")), kDataBytes);
        EXPECT_THAT(Shown(), ::testing::Contains(expected));
    }
}

// A link at a scratch name is passed over, never written through; with the
// first ten names taken so, the eleventh is the report's.
TEST_F(DisplayCopies, TheScratchNameIsNeverTakenThroughALink) {
    ui.batch = true;
    for (const auto& [links, output] : {std::pair{1, "$OUT2.TMP"}, std::pair{10, "$OUT11.TMP"}}) {
        SCOPED_TRACE(links);
        Clean();
        for (int n = 1; n <= links; ++n)
            fs::create_symlink(In("gear.qb3"), In("$OUT" + std::to_string(n) + ".TMP"));
        Report(kReportScreen);
        EXPECT_FALSE(cancelFlag);
        EXPECT_EQ(Slurp(In("gear.qb3")), kDataBytes);
        EXPECT_TRUE(fs::is_symlink(In("$OUT1.TMP")));
        EXPECT_EQ(reportOutputName, In(output));
        EXPECT_THAT(Slurp(In(output)), ::testing::HasSubstr("Bericht"));
    }
}

TEST_F(DisplayCopies, APipeAtTheDisplayCopyIsRefusedAtOnce) {
    FifoWatch watch(In("outwin.txt"));
    ASSERT_TRUE(watch.Made());
    Report(kReportOutDos);
    EXPECT_TRUE(watch.Stop()) << "the copy waited on the pipe";
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(Shown(), std::vector<std::string>{"Datei " + In("outwin.txt") +
                                                " ist keine gew\xC3\xB6hnliche Datei und wird "
                                                "nicht \xC3\xBC"
                                                "berschrieben !"});
    EXPECT_TRUE(watch.StillAPipe());
    // The report itself was written.
    EXPECT_THAT(Slurp(In("OUTDOS.TXT")), ::testing::HasSubstr("Bericht"));
}

// Puts a link to `target` at name, or a file of `bytes`, as another program
// would: made beside the name and renamed onto it. True when it stands there.
bool PutLinkAt(const std::string& name, const std::string& target) {
    const std::string temp = name + ".swap";
    return ::symlink(target.c_str(), temp.c_str()) == 0 &&
           ::rename(temp.c_str(), name.c_str()) == 0;
}
bool PutFileAt(const std::string& name, const std::string& bytes) {
    const std::string temp = name + ".swap";
    veldrim::testing::Spit(temp, bytes);
    return ::rename(temp.c_str(), name.c_str()) == 0;
}

// A second process swaps a link to the data file in at the copy's name just
// after the copy's name was checked (or claimed): the save still lands on the
// file that was checked, and the data file keeps its bytes.
struct SwapAfterCheck {
    static inline std::string copy;
    static inline std::function<bool()> put;
    static inline bool armed = false, swapped = false;
    static int Open(const char* path, int flags, mode_t mode) {
        if (std::string(path) == copy) armed = true;
        return SystemFileCalls().open(path, flags, mode);
    }
    // The check (or the claim) closes what it looked at (or made): the link
    // goes in right then.
    static int Close(int fd) {
        const int r = SystemFileCalls().close(fd);
        if (armed) {
            armed = false;
            swapped = put();
        }
        return r;
    }
};

// Runs `report` with `put` putting something at `copy` the moment the check
// closes what it looked at; true when it was put.
bool ReportWithSwappedIn(const std::function<void()>& report, const std::string& copy,
                         const std::function<bool()>& put) {
    SwapAfterCheck::copy = copy;
    SwapAfterCheck::put = put;
    SwapAfterCheck::armed = SwapAfterCheck::swapped = false;
    FileCallTable calls = SystemFileCalls();
    calls.open = SwapAfterCheck::Open;
    calls.close = SwapAfterCheck::Close;
    FileCalls = calls;
    report();
    ResetFileCalls();
    return SwapAfterCheck::swapped;
}

// The same with a link to `data`.
bool ReportWithALinkSwappedIn(const std::function<void()>& report, const std::string& copy,
                              const std::string& data) {
    return ReportWithSwappedIn(report, copy, [=] { return PutLinkAt(copy, data); });
}

TEST_F(DisplayCopies, ALinkSwappedInAfterTheCheckDoesNotReachTheDataFile) {
    veldrim::testing::Spit(In("gear.txt"), "old report\r\n");
    ui.batch = true;
    // The copy's name, beside the data set.
    EXPECT_TRUE(
        ReportWithALinkSwappedIn([&] { Report(kReportTxtNoDialog); }, "gear.txt", In("gear.qb3")))
        << "the link was never swapped in";
    EXPECT_EQ(Slurp(In("gear.qb3")), kDataBytes);
}

// The same swap at the report's own file of a fixed name in the user folder,
// after it was checked when the report began: the report still goes to the
// file that was checked, not through the link.
TEST_F(DisplayCopies, ALinkSwappedInAtTheReportsFixedNameDoesNotReachTheDataFile) {
    veldrim::testing::Spit(In("OUTDOS.TXT"), "old report\r\n");
    ui.batch = true;
    EXPECT_TRUE(
        ReportWithALinkSwappedIn([&] { Report(kReportOutDos); }, In("OUTDOS.TXT"), In("gear.qb3")))
        << "the link was never swapped in";
    EXPECT_EQ(Slurp(In("gear.qb3")), kDataBytes);
}

// Another file of the user's, neither the data file read nor a data file.
constexpr const char* kOtherBytes = "the user's own notes\r\n";

// A link to another file put at a name the report claimed, the moment the
// claim made it or while the report is written, or at every scratch name
// before the report began: the report is refused, naming the name, nothing
// reaches the other file, and the link stays.
TEST_F(DisplayCopies, ALinkAtANameTheReportClaimedIsNeverWrittenThrough) {
    struct Case {
        const char* what;
        std::function<void()> report;
        const char* swapAt;  // a link swapped in after the claim of this name
        int links;           // links put at $OUT1.TMP .. $OUT<links>.TMP beforehand
        const char* refused;
    };
    const auto workbook = [&] {
        RunCalculation();
        ui.QueueText(In("chosen.xlsx"));
        ReportToSpreadsheet(3);
    };
    const Case cases[] = {
        {"screen", [&] { Report(kReportScreen); }, "$OUT1.TMP", 0, "$OUT1.TMP"},
        {"TXT file", [&] { Report(kReportTxtFile); }, "$$$1.txt", 0, "$$$1.txt"},
        {"TXT file of /I", [&] { Report(kReportTxtNoDialog); }, "$$$1.txt", 0, "$$$1.txt"},
        {"workbook's text source", workbook, "$$$1.txt", 0, "$$$1.txt"},
        {"eleven scratch names", [&] { Report(kReportScreen); }, nullptr, 11, "$OUT11.TMP"},
        {"screen, while written",
         [&] { Report(kReportScreen, [&] { PutLinkAt(In("$OUT1.TMP"), In("other.txt")); }); },
         nullptr, 0, "$OUT1.TMP"},
    };
    ui.batch = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Clean();
        veldrim::testing::Spit(In("other.txt"), kOtherBytes);
        for (int n = 1; n <= c.links; ++n)
            fs::create_symlink(In("other.txt"), In("$OUT" + std::to_string(n) + ".TMP"));
        if (c.swapAt)
            EXPECT_TRUE(ReportWithALinkSwappedIn(c.report, In(c.swapAt), In("other.txt")))
                << "the link was never swapped in";
        else
            c.report();
        EXPECT_EQ(Slurp(In("other.txt")), kOtherBytes);
        EXPECT_TRUE(cancelFlag);
        EXPECT_TRUE(fs::is_symlink(In(c.refused)));
        EXPECT_THAT(Shown(), ::testing::Contains("Datei " + In(c.refused) +
                                                 " ist keine gew\xC3\xB6hnliche Datei und wird "
                                                 "nicht \xC3\xBC"
                                                 "berschrieben !"));
        EXPECT_FALSE(fs::exists(In("chosen.xlsx")));
    }
}

// Another program's file put at a name the report claimed, the moment the
// claim made it or while the report is written: the report is refused,
// naming the name, and the file stays at it as it was, through the close and
// the abandon of the report.
TEST_F(DisplayCopies, AFileAnotherProgramPutsAtAClaimedNameStays) {
    const struct {
        const char* what;
        std::uint16_t destination;
        const char* name;
        bool atClaim;  // else while written
    } cases[] = {
        {"screen, at the claim", kReportScreen, "$OUT1.TMP", true},
        {"screen, while written", kReportScreen, "$OUT1.TMP", false},
        {"TXT file, at the claim", kReportTxtFile, "$$$1.txt", true},
        {"TXT file, while written", kReportTxtFile, "$$$1.txt", false},
    };
    ui.batch = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Clean();
        const std::string name = In(c.name);
        const auto put = [&] { return PutFileAt(name, kOtherBytes); };
        if (c.atClaim)
            EXPECT_TRUE(ReportWithSwappedIn([&] { Report(c.destination); }, name, put));
        else
            Report(c.destination, [&] { EXPECT_TRUE(put()); });
        EXPECT_TRUE(cancelFlag);
        EXPECT_EQ(Slurp(name), kOtherBytes);
        EXPECT_THAT(Shown(), ::testing::Contains("file write error: " + name + ": File exists"));
    }
}

}  // namespace
}  // namespace veldrim
