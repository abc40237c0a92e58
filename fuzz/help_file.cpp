// Fuzz target: the readers of help text files and message text files, and
// the value-line readers of the shared text file, on arbitrary bytes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "foundation/help_texts.h"
#include "foundation/message_display.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"
#include "fuzz_support.h"
#include "support/scripted_ui.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace veldrim;
    using fuzzing::ScratchFolder;
    static ScriptedUi ui;
    SetUi(&ui);
    ui.calls.clear();
    ui.replies.clear();

    helpDirectory = ScratchFolder();
    programShortName = "VELDRIM";
    helpLevel = 2;
    const std::string helpFile = ScratchFolder() + "/veldrim.hlp";
    const std::string messageFile = ScratchFolder() + "/VELDRIM.err";
    fuzzing::WriteInput(helpFile, data, size);
    fuzzing::WriteInput(messageFile, data, size);

    // Help entries: a few fixed numbers and one taken from the input.
    int fromInput = size >= 2 ? (data[0] | (data[1] << 8)) : 0;
    for (int n : {5, 1000, 4010, 4500, fromInput}) {
        HelpEntry e = FindHelpEntry(n);
        std::string text;
        GetHelpText(n, text);
        ShowHelpText(n, "", kHelpTextOnly);
        (void)e;
    }

    // Message records: the first line of the input as the message.
    std::string first(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 40));
    first = first.substr(0, first.find('\n'));
    (void)FindMessageHelp(messageFile, first);
    (void)FindMessageHelp(messageFile, "Fatal  : z2 = 0 !");

    // Every value-line reader over the same bytes.
    sharedTextFile.Assign(helpFile);
    if (sharedTextFile.Reset() == kIoOk) {
        std::string s, a, b, c, d;
        std::int32_t i = 0;
        std::uint16_t w = 0;
        Real x = 0;
        double y = 0;
        bool flag = false;
        char ch = 0;
        for (int round = 0; round < 4; ++round) {
            ReadTextLine(s);
            ReadIntLine(i);
            ReadWordLine(w);
            ReadExtendedLine(x);
            ReadDoubleLine(y);
            ReadBoolLine(flag);
            ReadBoolLineDefaultTrue(flag);
            ReadCharLine(ch);
            ReadBarFields(a, b, c, d);
        }
    }
    ResetSharedTextFile();
    cancelFlag = false;
    SetUi(nullptr);
    return 0;
}
