// The plot program's command line: the form's builder, the form and the
// dialog chain through the UI port, the start of the program.

#include "graphics/plot_program.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "dxf_test_support.h"
#include "foundation/codepage.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"

namespace veldrim {
namespace {

using Lines = std::vector<std::string>;

class PlotProgramTest : public testing_support::CadFixture {
protected:
    // The answers of the dialog chain: WGRAFMIT.EXE in `folder`, PostScript
    // (Courier) or HPL, the proposed wildcard when asked, COM 2, fitted,
    // rotated, no shift, width 1.
    void QueueChain(const std::string& folder, bool postScript, bool askFile) {
        ui.QueueChoice(0);                   // WGRAFMIT.EXE (Windows)
        ui.QueueText(folder);                // its folder
        ui.QueueChoice(postScript ? 1 : 0);  // PostScript or HPL
        if (askFile) ui.QueueText("*.dxf");  // the proposed wildcard
        ui.QueueChoice(0);                   // serial
        ui.QueueText("2");                   // COM 2
        for (const char* v : {"0", "", "0", "0", "1"}) {
            if (*v == '\0')
                ui.QueueAnswer(Answer::Yes);  // rotate
            else
                ui.QueueText(v);  // scale 0 (fit), shifts, width
        }
        if (postScript) ui.QueueChoice(12);  // Courier
    }
};

// A plot program that writes the arguments it got, one a line, into its own
// name + ".args" once it has them all.
void WriteArgumentWriter(const std::filesystem::path& program) {
    std::filesystem::create_directories(program.parent_path());
    testing::Spit(program.string(),
                  "#!/bin/sh\n"
                  "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.part\"\n"
                  "mv \"$0.part\" \"$0.args\"\n");
    ::chmod(program.c_str(), 0755);
}

// The arguments the program of WriteArgumentWriter got (it runs on its own:
// wait up to 5 s for them).
Lines ArgumentsOf(const std::filesystem::path& program) {
    const std::string file = program.string() + ".args";
    for (int i = 0; i < 500 && !std::filesystem::exists(file); ++i) ::usleep(10000);
    Lines out;
    std::istringstream in(testing::Slurp(file));
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST_F(PlotProgramTest, CommandLineFollowsTheSwitches) {
    // A named program on the parallel port: the switches add to this line.
    const std::string head = "wgrafmit " + dir.string() + "/grafmit";
    auto with = [](auto change) {
        PlotProgramSettings s = DefaultPlotProgramSettings();
        s.programPath = "wgrafmit";
        s.interfaceKind = 1;
        change(s);
        return BuildPlotCommandLine(s);
    };
    struct Case {
        const char* what;
        std::string line;
        std::string expected;
    } cases[] = {
        {"defaults", with([](auto&) {}), head + " /CHPL"},
        {"serial on COM 2", with([](auto& s) { s.interfaceKind = 0, s.comPort = "2"; }),
         head + " /CHPL /D1 /P3"},
        {"LPT 2", with([](auto& s) { s.lptPort = "2"; }), head + " /CHPL /P3"},
        {"file", with([](auto& s) { s.interfaceKind = 2; }),
         head + " /CHPL /D3 /F" + dir.string() + "/grafmit"},
        {"scale 0", with([](auto& s) { s.scale = "0"; }), head + " /CHPL /M*"},
        {"fitted", with([](auto& s) { s.scale = "2", s.fitScale = true; }), head + " /CHPL /M*"},
        {"scale 1.0", with([](auto& s) { s.scale = "1.0"; }), head + " /CHPL"},
        {"scale 2,5", with([](auto& s) { s.scale = "2,5"; }), head + " /CHPL /M2,5"},
        {"shift, width, rotation", with([](auto& s) {
             s.xShift = "10", s.yShift = "-5", s.textWidthFactor = "0.8", s.rotate = true;
         }),
         head + " /CHPL /X10 /Y-5 /B0.8 /R"},
        {"PostScript", with([](auto& s) { s.outputFormat = 1, s.psFont = "Courier"; }),
         head + " /CPS /TCourier"},
        {"font without PostScript", with([](auto& s) { s.outputFormat = 3, s.psFont = "Courier"; }),
         head + " /CPL2"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.line, c.expected) << c.what;
    EXPECT_EQ(kPostScriptFonts.size(), 35u);
    EXPECT_EQ(std::string(kPostScriptFonts[34]), "other fonts");
}

// The defaults name no Windows program or port: no program until the user
// names one, and the plot goes to the file "grafmit" of the user directory
// (interface 3, the file switch).
TEST_F(PlotProgramTest, FormStartsFromItsDefaults) {
    std::string line = "earlier line";
    ConfigurePlotProgram(line);  // cancelled
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(line, "earlier line");
    const std::string file = dir.string() + "/grafmit";
    ASSERT_EQ(ui.CallsOf("plot-program").size(), 1u);
    EXPECT_EQ(ui.CallsOf("plot-program")[0].text, file + " /CHPL /D3 /F" + file);
    PlotProgramSettings typed = DefaultPlotProgramSettings();
    typed.programPath = "/usr/local/bin/plotter";
    typed.rotate = true;
    ui.plotProgramReplies.push_back(typed);
    ConfigurePlotProgram(line);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(line, "/usr/local/bin/plotter " + file + " /CHPL /D3 /F" + file + " /R");
}

TEST_F(PlotProgramTest, DefaultsNameNoWindowsPathsOrPorts) {
    const PlotProgramSettings s = DefaultPlotProgramSettings();
    EXPECT_EQ(s.programPath, "");
    EXPECT_EQ(s.interfaceKind, 2) << "a file, not a COM or LPT port";
    EXPECT_EQ(CadOutputRecord{}.plotCommandLines[0], "");
    for (const std::string& text :
         {s.programPath, s.outputDirectory, BuildPlotCommandLine(s),
          CadOutputRecord{}.plotCommandLines[4], textEditorPath, tableEditorPath}) {
        EXPECT_EQ(LowerAscii(text).find("c:\\"), std::string::npos) << text;
        EXPECT_EQ(LowerAscii(text).find(".exe"), std::string::npos) << text;
    }
}

TEST_F(PlotProgramTest, DialogChainBuildsTheLineOrABatchFile) {
    const std::filesystem::path programs = dir / "grafmit";
    std::filesystem::create_directories(programs);
    testing::Spit((programs / "wgrafmit.exe").string(), "x");
    QueueChain(programs.string(), false, true);
    std::string line = "old";
    PromptCommandLine(true, line);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(line, programs.string() + "/WGRAFMIT *.dxf /CHPL /D1 /P3 /M* /R");
    EXPECT_EQ(ui.CallsOf("list")[1].title, "Ausgabeformat");
    // Longer than 60 characters without a file question: into a batch file.
    const std::string file = dir.string() + "/grafmit.dxf";
    QueueChain(programs.string(), true, false);
    ui.QueueText("plot.cmd");  // anything from the '.' on is dropped
    PromptCommandLine(false, line);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(line, dir.string() + "/plot.BAT");
    EXPECT_EQ(testing::Slurp(line),
              programs.string() + "/WGRAFMIT " + file + " /CPS /D1 /P3 /M* /R /TCourier\r\n");
    EXPECT_EQ(ShownTexts(), Lines{"Kommandozeile zu lang, Es wird eine Batch-Datei erzeugt."});
    // A cancelled step keeps the line.
    ui.QueueChoice(0);
    ui.QueueText(std::nullopt);
    PromptCommandLine(false, line);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(line, dir.string() + "/plot.BAT");
}

// The numbers typed in the dialog chain reach the line as typed, whatever
// the decimals setting: at 2 decimals and fewer the display shows a scale of
// 0.4 as "0", which would ask the program to fit the plot to the sheet.
TEST_F(PlotProgramTest, DialogChainKeepsTheTypedNumbersAtEveryDecimalsSetting) {
    const std::filesystem::path programs = dir / "grafmit";
    std::filesystem::create_directories(programs);
    testing::Spit((programs / "wgrafmit.exe").string(), "x");
    for (const int decimals : {0, 1, 2, 3, 5}) {
        SCOPED_TRACE(decimals);
        decimalsSetting = decimals;
        ui.QueueChoice(0);                // WGRAFMIT.EXE (Windows)
        ui.QueueText(programs.string());  // its folder
        ui.QueueChoice(0);                // HPL
        ui.QueueText("*.dxf");            // the proposed wildcard
        ui.QueueChoice(1);                // parallel
        ui.QueueText("1");                // LPT 1
        ui.QueueText("0.4");              // scale
        ui.QueueAnswer(Answer::No);       // not rotated
        ui.QueueText("12.3456");          // x shift
        ui.QueueText("-0.25");            // y shift
        ui.QueueText("0.85");             // text width
        std::string line;
        PromptCommandLine(true, line);
        EXPECT_FALSE(cancelFlag);
        EXPECT_EQ(line, programs.string() + "/WGRAFMIT *.dxf /CHPL /M0.4 /X12.3456 /Y-0.25 /B0.85");
    }
}

TEST_F(PlotProgramTest, StartReportsWhyTheProgramDidNotStart) {
    const std::filesystem::path notExecutable = dir / "plotter";
    testing::Spit(notExecutable.string(), "#!/bin/sh\n");
    ::chmod(notExecutable.c_str(), 0644);
    struct Case {
        std::string line;
        bool started;
        Lines shown;
    } cases[] = {
        {"/bin/true " + dir.string() + "/grafmit /CHPL", true, {}},
        {"c:\\grafmit\\wgrafmit grafmit.dxf /M1.0", false, {"file not found"}},
        {notExecutable.string() + " x", false, {"Exec error 13"}},  // EACCES
    };
    for (const Case& c : cases) {
        ui.calls.clear();
        EXPECT_EQ(StartPlotProgram(c.line), c.started) << c.line;
        EXPECT_EQ(ShownTexts(), c.shown) << c.line;
    }
}

TEST_F(PlotProgramTest, PlotRunTakesTheFormsLineAndStartsIt) {
    ui.QueueChoice(3);  // "Ausgabe auf Laserprinter/Plotter mit Grafmit"
    PlotProgramSettings typed = DefaultPlotProgramSettings();
    typed.programPath = "/bin/true";
    ui.plotProgramReplies.push_back(typed);
    ui.QueueText("/bin/true " + dir.string() + "/grafmit /CHPL");  // accepted as shown
    CadBeginOutput(kCadAsk);
    ASSERT_FALSE(cancelFlag);
    EXPECT_EQ(CadOutputState.plotCommandLines[0], "/bin/true " + dir.string() + "/grafmit /CHPL");
    EXPECT_EQ(ui.CallsOf("text")[0].text, "Grafmit-Kommandozeile (0=Parameter)");
    CadLine(0, 0, 1, 1);
    CadEndOutput();
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(ShownTexts().empty());
    EXPECT_TRUE(std::filesystem::exists(dir / "grafmit.dxf"));
    // A cancelled form cancels the run.
    ui.QueueChoice(3);
    CadBeginOutput(kCadAsk);
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(CadRunActive());
}

// A plot program and a user folder whose names hold blanks or quotes: the
// form's line quotes them, is kept whole however long, and the plot run
// starts the program with the plot file and the file target whole.
TEST_F(PlotProgramTest, NamesWithBlanksReachThePlotProgramWhole) {
    const std::pair<const char*, const char*> folders[] = {
        {"Plot Programme/mein plot", "Meine Zeichnungen"},
        {"Plot \"neu\"/plot", "Zeichnungen \"alt\" 2"},
        {"Plot\"neu\"/plot", "Zeichnungen\"alt\""},  // a quote but no blank
    };
    for (const auto& [programName, userName] : folders) {
        const std::filesystem::path program = dir / programName;
        const std::filesystem::path user = dir / userName;
        WriteArgumentWriter(program);
        std::filesystem::create_directories(user);
        userDirectory = user.string();
        PlotProgramSettings typed = DefaultPlotProgramSettings();
        typed.programPath = program.string();
        const std::string line = BuildPlotCommandLine(typed);
        ui.QueueChoice(3);  // "Ausgabe auf Laserprinter/Plotter mit Grafmit"
        ui.plotProgramReplies.push_back(typed);
        ui.QueueText(line);  // accepted as shown
        CadBeginOutput(kCadAsk);
        ASSERT_FALSE(cancelFlag) << line;
        EXPECT_EQ(CadOutputState.plotCommandLines[0], line);
        CadLine(0, 0, 1, 1);
        CadEndOutput();
        EXPECT_EQ(ShownTexts(), Lines{}) << line;
        EXPECT_TRUE(std::filesystem::exists(user / "grafmit.dxf")) << line;
        const std::string plotFile = (user / "grafmit").string();
        EXPECT_EQ(ArgumentsOf(program), (Lines{plotFile, "/CHPL", "/D3", "/F" + plotFile})) << line;
    }
}

// The dialog chain's program in a folder with a blank is one word.
TEST_F(PlotProgramTest, DialogChainQuotesAProgramFolderWithABlank) {
    const std::filesystem::path programs = dir / "Plot Programme";
    std::filesystem::create_directories(programs);
    testing::Spit((programs / "wgrafmit.exe").string(), "x");
    QueueChain(programs.string(), false, true);
    std::string line;
    PromptCommandLine(true, line);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(line, "\"" + programs.string() + "/WGRAFMIT\" *.dxf /CHPL /D1 /P3 /M* /R");
}

// A typed line whose words are parted by two blanks or more, with blanks
// before and after, gives the program its words and no empty ones.
TEST_F(PlotProgramTest, TypedLineWithSeveralBlanksGivesNoEmptyArguments) {
    const std::filesystem::path program = dir / "plotter";
    WriteArgumentWriter(program);
    ui.QueueChoice(3);  // "Ausgabe auf Laserprinter/Plotter mit Grafmit"
    ui.plotProgramReplies.push_back(DefaultPlotProgramSettings());
    ui.QueueText(" " + program.string() + "  grafmit   /CHPL  /R  ");  // typed over the line
    CadBeginOutput(kCadAsk);
    ASSERT_FALSE(cancelFlag);
    CadLine(0, 0, 1, 1);
    CadEndOutput();
    EXPECT_EQ(ShownTexts(), Lines{});
    EXPECT_EQ(ArgumentsOf(program), (Lines{"grafmit", "/CHPL", "/R"}));
}

// A line too long for the program goes into a batch file of the user
// folder; with a blank in that folder's name the batch file is one word, and
// so is the plot file inside it.
TEST_F(PlotProgramTest, BatchFileInAUserFolderWithABlankIsOneWord) {
    const std::filesystem::path programs = dir / "grafmit";
    std::filesystem::create_directories(programs);
    testing::Spit((programs / "wgrafmit.exe").string(), "x");
    const std::filesystem::path user = dir / "Meine Zeichnungen";
    std::filesystem::create_directories(user);
    userDirectory = user.string();
    QueueChain(programs.string(), false, false);
    ui.QueueText("plot");
    std::string line;
    PromptCommandLine(false, line);
    ASSERT_FALSE(cancelFlag);
    const std::filesystem::path batch = user / "plot.BAT";
    EXPECT_EQ(line, "\"" + batch.string() + "\"");
    EXPECT_EQ(testing::Slurp(batch.string()), programs.string() + "/WGRAFMIT \"" + user.string() +
                                                  "/grafmit.dxf\" /CHPL /D1 /P3 /M* /R\r\n");
    // Started, the line names the batch file whole (here a program that
    // writes its arguments: it gets none).
    WriteArgumentWriter(batch);
    EXPECT_TRUE(StartPlotProgram(line));
    EXPECT_EQ(ShownTexts(), (Lines{"Kommandozeile zu lang, Es wird eine Batch-Datei erzeugt."}));
    EXPECT_EQ(ArgumentsOf(batch), Lines{});
    EXPECT_TRUE(std::filesystem::exists(batch.string() + ".args"));
}

}  // namespace
}  // namespace veldrim
