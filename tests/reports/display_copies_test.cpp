// The report's copies for display (outwin.txt, $$<k>.txt, OUTDOS.TXT, the
// copy named after the data set) and its scratch names ($OUT<n>.TMP): none of
// them ever replaces the data file the run read, waits on a pipe, or is
// turned onto another file by a link put in while the report is copied.
#include <gmock/gmock.h>

#include <cstring>
#include <functional>
#include <unistd.h>

#include "calc/data_file.h"
#include "foundation/codepage.h"
#include "foundation/file_calls.h"
#include "foundation/files.h"
#include "report_test_support.h"
#include "reports/report_channel.h"
#include "support/fifo_watch.h"

namespace veldrim {
namespace {
using namespace testing_support;
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
    // One report through the destination, as far as the channel lets it go.
    void Report(std::uint16_t destination) {
        cancelFlag = false;
        SetReportHeader("Titel", "Sub 1", "", "", "", 0);
        ReportOpen(destination, "x");
        if (cancelFlag) return;
        ReportRewrite();
        ReportText("Bericht");
        if (!cancelFlag) ReportClose();
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (const auto& c : ui.CallsOf("message")) out.push_back(Cp850ToUtf8Carried(c.text));
        return out;
    }
};

// Each display copy's name leads to the data file read (a link to it): the
// copy is refused with a message naming it and the data file keeps its bytes.
TEST_F(DisplayCopies, EveryDisplayCopyRefusesTheDataFileRead) {
    struct Case {
        std::uint16_t destination;
        const char* name;
    };
    for (const Case c :
         {Case{kReportOutDos, "outwin.txt"}, Case{kReportScreen, "outwin.txt"},
          Case{kReportOutDos, "OUTDOS.TXT"}, Case{kReportTxtFile, "$$1.txt"},
          Case{kReportTxtNoDialog, "gear.txt"}, Case{kReportHtmlFile, "VELDRIM.htm"}}) {
        SCOPED_TRACE(std::string(c.name) + " on destination " + std::to_string(c.destination));
        ui.calls.clear();
        ui.batch = true;
        reportCounter = 0;
        programShortName = "VELDRIM";
        htmlBrowserPath = "/bin/true";  // the HTML report goes to the user folder
        if (c.destination == kReportHtmlFile) ui.QueueAnswer(Answer::Yes);  // replace the file
        fs::remove(In(c.name));  // an earlier report's file of that name
        fs::create_symlink(In("gear.qb3"), In(c.name));
        Report(c.destination);
        EXPECT_TRUE(cancelFlag);
        EXPECT_EQ(Slurp(In("gear.qb3")), kDataBytes);
        EXPECT_TRUE(fs::is_symlink(In(c.name)));
        // The copy named after the data set stands beside it, under its short name.
        const std::string shown = c.destination == kReportTxtNoDialog ? c.name : In(c.name);
        EXPECT_THAT(Shown(), ::testing::Contains("Datei " + shown +
                                                 " ist eine Datendatei und wird nicht \xC3\xBC"
                                                 "berschrieben !"));
        fs::remove(In(c.name));
    }
}

// A link at a scratch name is passed over, never written through.
TEST_F(DisplayCopies, TheScratchNameIsNeverTakenThroughALink) {
    ui.batch = true;
    fs::create_symlink(In("gear.qb3"), In("$OUT1.TMP"));
    Report(kReportScreen);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(Slurp(In("gear.qb3")), kDataBytes);
    EXPECT_TRUE(fs::is_symlink(In("$OUT1.TMP")));
    EXPECT_EQ(reportOutputName, In("$OUT2.TMP"));
    EXPECT_THAT(Slurp(In("$OUT2.TMP")), ::testing::HasSubstr("Bericht"));
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

// A second process swaps a link to the data file in at the copy's name just
// after the copy's name was checked: the save still lands on the file that
// was checked, and the data file keeps its bytes.
struct SwapAfterCheck {
    static inline std::string copy, data;
    static inline bool armed = false, swapped = false;
    static int Open(const char* path, int flags, mode_t mode) {
        if ((flags & O_ACCMODE) == O_RDONLY && std::string(path) == copy) armed = true;
        return SystemFileCalls().open(path, flags, mode);
    }
    // The check closes what it looked at: the link goes in right then.
    static int Close(int fd) {
        const int r = SystemFileCalls().close(fd);
        if (armed) {
            armed = false;
            const std::string temp = copy + ".swap";
            if (::symlink(data.c_str(), temp.c_str()) == 0 &&
                ::rename(temp.c_str(), copy.c_str()) == 0)
                swapped = true;
        }
        return r;
    }
};

// Runs `report` with a link to the data file read swapped in at `copy` the
// moment the check closes what it looked at; true when the swap happened.
bool ReportWithALinkSwappedIn(const std::function<void()>& report, const std::string& copy,
                              const std::string& data) {
    SwapAfterCheck::copy = copy;
    SwapAfterCheck::data = data;
    SwapAfterCheck::armed = SwapAfterCheck::swapped = false;
    FileCallTable calls = SystemFileCalls();
    calls.open = SwapAfterCheck::Open;
    calls.close = SwapAfterCheck::Close;
    FileCalls = calls;
    report();
    ResetFileCalls();
    return SwapAfterCheck::swapped;
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

}  // namespace
}  // namespace veldrim
