// The plot program's command line: the form's builder, the dialog chain and
// the start of the program.
#include "graphics/plot_program.h"

#include <cerrno>

#include "foundation/codepage.h"
#include "foundation/files.h"
#include "foundation/formatting.h"
#include "foundation/help_texts.h"
#include "foundation/input_dialogs.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/text_conv.h"
#include "foundation/text_file.h"
#include "graphics/cad_output.h"

namespace veldrim {

namespace {

// The switches after the output file: the same rules for the form and the
// dialog chain. Number texts are compared as numbers and written as given.
struct PlotSwitches {
    int format = 0;
    int interfaceKind = kPlotInterfaceParallel;
    Real port = 1;  // COM or LPT number
    std::string portText;
    std::string fileTarget;  // file interface: where the plot goes
    std::string scale, xShift, yShift, textWidth;
    bool rotate = false;
    std::string font;
};

// A word of the command line: a name holding a blank or a double quote is
// put in double quotes, each quote in it doubled, so that the start takes it
// as one word (a plot program or a user folder may hold blanks).
std::string CommandWord(const std::string& word) {
    if (word.find_first_of(" \"") == std::string::npos) return word;
    std::string out = "\"";
    for (char c : word) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

// The words of a command line: blanks outside double quotes part them, the
// quotes themselves are dropped, and a doubled quote inside quotes stands for
// one.
std::vector<std::string> CommandWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool inWord = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ' && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c != '"')
            word += c;
        else if (quoted && i + 1 < line.size() && line[i + 1] == '"')
            word += line[++i];
        else
            quoted = !quoted;
    }
    if (inWord) words.push_back(word);
    return words;
}

std::string SwitchesText(const PlotSwitches& w) {
    std::string s = std::string(" /C") + kPlotFormatCodes[static_cast<std::size_t>(w.format)];
    if (w.interfaceKind != kPlotInterfaceParallel) s += " /D" + std::to_string(w.interfaceKind + 1);
    if (w.interfaceKind == kPlotInterfaceFile) {
        // not a text: the plot program gets the name as its bytes
        if (!w.fileTarget.empty()) s += " /F" + CommandWord(w.fileTarget);
    } else if (w.port != 1) {
        s += " /P" + FormatNum(w.port + 1);
    }
    const Real scale = TextToFloat(w.scale);
    if (scale == 0)
        s += " /M*";
    else if (scale != 1)
        s += " /M" + w.scale;
    if (TextToFloat(w.xShift) != 0) s += " /X" + w.xShift;
    if (TextToFloat(w.yShift) != 0) s += " /Y" + w.yShift;
    if (TextToFloat(w.textWidth) != 1) s += " /B" + w.textWidth;
    if (w.rotate) s += " /R";
    if (w.format == kPlotFormatPostScript) s += " /T" + w.font;
    return s;
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// Fills the choice buffer with the texts and asks; false on cancel.
bool Choose(const std::string& prompt, std::initializer_list<const char*> items, int& index) {
    int k = 1;
    for (const char* item : items) choiceBuffer[static_cast<std::size_t>(k++)] = item;
    ChooseFromList(prompt, k - 1, index);
    return !cancelFlag;
}

}  // namespace

PlotProgramSettings DefaultPlotProgramSettings() {
    PlotProgramSettings s;
    // No plot program is known on this system, and there are no printer
    // ports to name: the user names the program, and the plot goes to a file.
    s.programPath.clear();
    s.outputFormat = 0;
    s.interfaceKind = kPlotInterfaceFile;
    s.comPort = s.lptPort = "1";
    s.outputDirectory = CadUserDirectory();
    s.scale = "1";
    s.xShift = s.yShift = "0";
    s.textWidthFactor = "1";
    return s;
}

std::string BuildPlotCommandLine(const PlotProgramSettings& in) {
    PlotSwitches w;
    w.format = Clamp(in.outputFormat, 0, 4);
    w.interfaceKind = Clamp(in.interfaceKind, 0, 2);
    w.portText = w.interfaceKind == kPlotInterfaceSerial ? in.comPort : in.lptPort;
    w.port = TextToFloat(w.portText);
    const std::string plotFile = EnsureTrailingBackslash(in.outputDirectory) + "grafmit";
    if (!TrimBoth(in.outputDirectory).empty()) w.fileTarget = plotFile;
    w.scale = in.fitScale ? "0" : in.scale;
    w.xShift = in.xShift, w.yShift = in.yShift, w.textWidth = in.textWidthFactor;
    w.rotate = in.rotate;
    w.font = in.psFont;
    const std::string program = TrimBoth(in.programPath);
    // not a text: a command line, the names as their bytes
    return (program.empty() ? std::string() : CommandWord(program) + " ") + CommandWord(plotFile) +
           SwitchesText(w);
}

void ConfigurePlotProgram(std::string& commandLine) {
    PlotProgramSettings settings = DefaultPlotProgramSettings();
    SetHelpNumber(kPlotProgramHelp);
    if (!Ui().EditPlotProgram(settings, &BuildPlotCommandLine)) {
        cancelFlag = true;
        return;
    }
    commandLine = BuildPlotCommandLine(settings);
    cancelFlag = false;
}

void PromptCommandLine(bool askFileName, std::string& commandLine) {
    cancelFlag = false;
    int program = 2;
    if (!Choose("GRAFMIT/WGRAFMIT", {"WGRAFMIT.EXE (Windows)", "GRAFMIT.EXE (MS-DOS)"}, program))
        return;
    const std::string programFile = program == 1 ? "wgrafmit.exe" : "grafmit.exe";
    std::string folder;  // the user names where the program lies
    InputText("Programmverzeichnis von " + ShownFileName(programFile), 40, folder);
    if (cancelFlag) return;
    CheckFileReadable(EnsureTrailingBackslash(folder) + programFile);
    if (cancelFlag) return;
    PlotSwitches w;
    int format = 1;
    if (!Choose("Ausgabeformat",
                {"HP-GL Laserjet (HPL)", "Postscript  (PS)", "HP-GL (PLT)", "HP-GL/2  (PL2)",
                 "Aristo  (ART)"},
                format))
        return;
    w.format = format - 1;
    std::string file = EnsureTrailingBackslash(CadUserDirectory()) + "grafmit.dxf";
    if (askFileName) {
        file = "*.dxf";
        InputText("Dateiname oder Wildcard", 60, file);
        if (cancelFlag) return;
    }
    int kind = kPlotInterfaceFile + 1;
    if (!Choose("Ausgabeschnittstelle", {"seriell", "parallel", "Datei"}, kind)) return;
    w.interfaceKind = kind - 1;
    if (w.interfaceKind == kPlotInterfaceFile) {
        InputText("Name der Ausgabedatei", 60, w.fileTarget);
    } else {
        int32_t port = 1;
        InputIntInRange(w.interfaceKind == kPlotInterfaceSerial ? "COM-Port" : "LPT-Port", port, 1,
                        w.interfaceKind == kPlotInterfaceSerial ? 4 : 3);
        w.port = port;
    }
    if (cancelFlag) return;
    Real scale = 1, x = 0, y = 0, width = 1;
    InputRealInRange("Maßstab (0=anpassen)"_cp850, scale, 0, 1E6L);
    if (cancelFlag) return;
    AskYesNo("Plot um 90 Grad drehen ?", w.rotate);
    if (cancelFlag) return;
    InputRealInRange("Nullpunktverschiebung in x-Richtung", x, -1E6L, 1E6L);
    if (cancelFlag) return;
    InputRealInRange("Nullpunktverschiebung in y-Richtung", y, -1E6L, 1E6L);
    if (cancelFlag) return;
    InputRealInRange("Textbreitenfaktor", width, 0, 100);
    if (cancelFlag) return;
    // The numbers go on the line with the digits typed: rounded to the
    // display's decimals, a scale of 0.4 would read "0" (fit to the sheet)
    // and a shift of 0.4 mm none.
    w.scale = FormatGeneral(scale), w.xShift = FormatGeneral(x), w.yShift = FormatGeneral(y);
    w.textWidth = FormatGeneral(width);
    if (w.format == kPlotFormatPostScript) {
        int font = 1;
        for (std::size_t i = 0; i < kPostScriptFonts.size(); ++i)
            choiceBuffer[i + 1] = kPostScriptFonts[i];
        ChooseFromList("Postscript-Zeichensatz", static_cast<int>(kPostScriptFonts.size()), font);
        if (cancelFlag) return;
        w.font = kPostScriptFonts[static_cast<std::size_t>(Clamp(font, 1, 35) - 1)];
    }
    // not a text: a command line, the names as their bytes
    std::string line =
        CommandWord(EnsureTrailingBackslash(folder) + (program == 1 ? "WGRAFMIT" : "GRAFMIT")) +
        " " + CommandWord(file) + SwitchesText(w);
    if (!askFileName && line.size() >= 61) {
        // Too long for the program's command line: a batch file carries it.
        ShowNotice("Kommandozeile zu lang, Es wird eine Batch-Datei erzeugt.");
        std::string name;
        InputText("Name der Batch-Datei (ohne .bat)", 20, name);
        if (cancelFlag) return;
        name = name.substr(0, name.find('.'));
        const std::string path = EnsureTrailingBackslash(CadUserDirectory()) + name + ".BAT";
        TextFile batch;
        batch.Assign(path);
        const bool ok = !name.empty() && batch.Rewrite() == 0 && batch.WriteLine(line) == 0 &&
                        batch.Close() == 0;
        if (!ok) {
            batch.Discard();
            ShowErrorBox("Datei " + ShownFileName(name) + ".BAT " + "kann nicht angelegt werden");
            cancelFlag = true;
            return;
        }
        line = CommandWord(path);
    }
    commandLine = line;
}

bool StartPlotProgram(const std::string& commandLine) {
    const std::vector<std::string> words = CommandWords(commandLine);
    std::string program = words.empty() ? std::string() : words.front();
    for (char& c : program)
        if (c == '\\') c = '/';
    const std::vector<std::string> args(words.size() > 1 ? words.begin() + 1 : words.end(),
                                        words.end());
    const int err = SpawnProgramError(program, args);
    if (err == 0) return true;
    if (err == ENOMEM)
        ShowErrorIfEnabled("out of memory !");
    else if (err == ENOENT || err == ENOTDIR)
        ShowErrorIfEnabled("file not found");
    else
        ShowErrorIfEnabled("Exec error " + std::to_string(err));
    return false;
}

}  // namespace veldrim
