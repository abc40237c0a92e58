// Fuzz target: the printer set-up file ("TEXT.VRP") of the text printer. Its
// bytes go, unchanged, ahead of a short report to the print command (here a
// command that takes the job and does nothing); no content may break the run.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "support/scripted_ui.h"
#include "reports/report_channel.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrim;
    static ScriptedUi ui;
    static bool started = [] {
        // The set-up file is looked for in the current folder.
        return ::chdir(fuzzing::ScratchFolder().c_str()) == 0;
    }();
    if (!started) return 0;
    SetUi(&ui);
    ui.calls.clear();
    ui.replies.clear();
    ui.replies.push_back(Answer::No);  // no pause after each page
    ResetReportChannel();
    userDirectory = fuzzing::ScratchFolder();
    textPrinterCommand = "true";
    cancelFlag = false;
    if (!fuzzing::WriteInput("TEXT.VRP", data, size)) return 0;

    ReportOpen(kReportTextPrinter, "");
    if (!cancelFlag) {
        ReportRewrite();
        ReportText("Zeile 1");
        ReportClose();
    }
    cancelFlag = false;
    SetUi(nullptr);
    return 0;
}
