// The CAD output run: begin, drawing frame and end of one run, the state
// record of the run, and the screen back end.
//
// States of a run:
//   idle      between runs; CAD-Code keeps its last value. A cancelled or
//             refused begin leaves the run idle, and the drivers then call
//             nothing else.
//   begun     after CadBeginOutput without cancel: the writer of the run
//             exists and its file is open.
//   blocks    between CadBeginBlocks and CadEndSection (in-block flag set).
//   entities  between CadBeginEntities and CadEndSection.
//   ended     CadEndOutput closed the file; the run is idle again.
#include "graphics/cad_output.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <unistd.h>
#include <system_error>

#include "foundation/codepage.h"
#include "foundation/data_file_path.h"
#include "foundation/files.h"
#include "foundation/help_texts.h"
#include "foundation/input_dialogs.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/save_target.h"
#include "foundation/system_info.h"
#include "foundation/text_conv.h"
#include "foundation/ui_services.h"
#include "graphics/bodies.h"
#include "graphics/cad_primitives.h"
#include "graphics/display_list.h"
#include "graphics/graf_colors.h"
#include "graphics/graf_cursor.h"
#include "graphics/graf_object.h"
#include "graphics/plot_program.h"

namespace veldrim {

namespace {

struct CadOutputDefaults {
    uint16_t CadLogoMode = 0;
};
constexpr CadOutputDefaults kDefaults{};

}  // namespace

CadOutputRecord CadOutputState;
uint16_t CadLogoMode = kDefaults.CadLogoMode;

namespace {

std::unique_ptr<CadWriter> runWriter;    // back end of the run in progress
std::unique_ptr<CadWriter> blockWriter;  // open block file of a screen run
bool runActive = false;

const char* const kChoiceEntries[6] = {
    "DXF", "IGES", "Kontrollausgabe auf Bildschirm", "Ausgabe auf Laserprinter/Plotter mit Grafmit",
    "TXT", "STL",
};

const char* Extension(uint16_t code) {
    switch (code) {
        case kCadDxf: return "dxf";
        case kCadIges: return "igs";
        case kCadTxt: return "txt";
        case kCadStl: return "stl";
        case kCadStep: return "stp";
        default: return "";
    }
}

// The kinds whose writers are not built yet answer with this message.
std::string NotAvailableText(uint16_t code) {
    const char* kind = "";
    switch (code) {
        case kCadDxf: kind = "DXF"; break;
        case kCadIges: kind = "IGES"; break;
        case kCadPlot: kind = "Grafmit"; break;
        case kCadTxt: kind = "TXT"; break;
        case kCadStl: kind = "STL"; break;
        case kCadStep: kind = "STEP"; break;
        default: kind = "CAD"; break;
    }
    return std::string(kind) + std::string("-Ausgabe ist noch nicht verfügbar"_cp850);
}

void RefuseNotAvailable(uint16_t code) {
    ShowErrorBox(NotAvailableText(code));
    cancelFlag = true;
}

// The chosen name with the format's extension: whatever extension the user
// typed is replaced; a name without one gets it appended.
std::string WithExtension(const std::string& path, const std::string& ext) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return path.substr(0, dot) + "." + ext;
    return path + "." + ext;
}

// The output file name of codes 1, 2, 5, 6 and 7; empty with the cancel flag
// set when the user gave none or the name was refused.
std::string AskOutputFileName(uint16_t code) {
    const std::string ext = Extension(code);
    if (cadBatchFlag) return currentFileName + "." + ext;
    // The current name is the data file's name without its extension
    // already: a set named "aktuell.alt" is proposed as "aktuell.alt", not as
    // the working set "aktuell".
    const std::string proposed = ProposedSaveFolder(cadDirectory) + currentFileName;
    const std::string filter = "*." + ext + "|*." + ext + "|*.*|*.*";
    auto chosen = Ui().SaveFileName("CAD", proposed, filter);
    if (!chosen || chosen->empty()) {
        cancelFlag = true;
        CadOutputState.outputFileName.clear();
        Ui().SetBusy(false);
        return "";
    }
    // The proposal taken as it stands, in its folder or another, has no
    // extension of its own: its dots belong to the set's name, and the
    // format's extension is appended.
    std::string name =
        IsProposedSetName(*chosen) ? *chosen + "." + ext : WithExtension(*chosen, ext);
    CheckNewFileName(name);
    if (cancelFlag) return "";
    return name;
}

// The identification line at the foot of a screen drawing.
void DrawFooter(const CadLimits& l) {
    const Real w = l.xmax - l.xmin, h = l.ymax - l.ymin;
    CadSetTextStyle(2, 0, 0.006L * h, 0.0045L * w);
    CadSetLayer(30);
    std::string text = "Veldrim " + productName + " V" + programVersion;
    if (CadOutputState.sheetOptions[kSheetFooterOption] == 0) {
        // The file the set was read from or last saved to, as it is named.
        const std::string file = CurrentDataFile();
        const std::string fileText = file.empty() ? "" : ShortenWithDots(ShownFileName(file), 120);
        text = TodayText() + " " + TimeHourMinuteText() + " - " + text + " - " + fileText;
    }
    CadText(text, l.xmin + 0.005L * w, l.ymin + 0.002L * h);
}

// The block files this run created; the run's end removes exactly these, so
// that runs beside it and block files placed by the user are left alone.
std::vector<std::string> runBlockFiles;

void DeleteBlockFiles() {
    for (const std::string& path : runBlockFiles) ::unlink(path.c_str());
    runBlockFiles.clear();
}

// ---- Screen back end ------------------------------------------------------------

class ScreenCadWriter final : public CadWriter {
public:
    void WriteHeader(Real xmin, Real ymin, Real xmax, Real ymax) override {
        GrafHeader(xmin, ymin, xmax, ymax);
    }
    void BeginEntities() override {
        GrafClearViewPort();
        GrafSetLineStyle(kLineSolid);
    }
    void SelectLayer(int n) override {
        const CadOutputRecord& s = CadOutputState;
        if (n >= 0 && n < 6 && s.layerColorMode == 0) {
            // Layer 1 centre lines dash-dot, layer 2 hidden lines dashed.
            GrafSetLineStyle(n == 1 ? kLineDashDot : n == 2 ? kLineDashed : kLineSolid);
            GrafSetColor16(static_cast<uint8_t>(s.layerColorIndex[static_cast<size_t>(n)]));
        } else {
            if (s.layerColorMode == 0) GrafSetLineStyle(kLineSolid);
            if (s.layerColorMode != 2 && n >= 16 && n <= 31)
                GrafSetColor16(static_cast<uint8_t>(s.penNumbers[static_cast<size_t>(n - 16)]));
            if (s.layerColorMode == 2 && n == 0) GrafSetColor(0);
        }
        int width = 1;
        if (n >= 1 && n <= 5) {
            width = s.layerWidthCodes[static_cast<size_t>(n)];
        } else if (n >= 16 && n <= 31) {
            const int pen = s.penWidths[static_cast<size_t>(n - 16)];
            if (pen >= 2 && pen <= 50) width = pen;
        }
        GrafSetLineWidth(width);
    }
    void SetLineStyle(int style) override { GrafSetLineStyle(style); }
    void SetTextStyle(int style, Real angle, Real height, Real width) override {
        GrafSetTextStyle(style, angle, height, 0.95L * width);
    }
    void Pause(int milliseconds) override { GrafPause(milliseconds); }
    void Line(Real x1, Real y1, Real x2, Real y2) override { GrafLine(x1, y1, x2, y2); }
    void Circle(Real x, Real y, Real r) override { GrafCircle(x, y, r); }
    void Arc(Real x, Real y, Real startAngle, Real endAngle, Real r, Real sweep) override {
        GrafArc(x, y, startAngle, endAngle, r, sweep);
    }
    void Text(const std::string& text, Real x, Real y) override { GrafOutText(x, y, text); }
    // A DXF solid's corners 3 and 4 are swapped against the outline that the
    // window fills.
    void Solid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4) override {
        GrafSolid(x1, y1, x2, y2, x4, y4, x3, y3);
    }
};

}  // namespace

std::unique_ptr<CadWriter> MakeScreenCadWriter() { return std::make_unique<ScreenCadWriter>(); }

void ResetCadOutputState() {
    CadOutputState = CadOutputRecord{};
    CadLogoMode = kDefaults.CadLogoMode;
    runWriter.reset();
    blockWriter.reset();
    runActive = false;
    runBlockFiles.clear();
}

std::string CadUserDirectory() { return PrivateScratchFolder(); }

std::string CadBlockFilePath(const std::string& name) {
    return EnsureTrailingBackslash(CadUserDirectory()) + "$" + name + ".dx$";
}

bool CadOpenBlockFile(const std::string& name) {
    blockWriter.reset();
    CadWriterFactory dxf = CadWriterFactories[kCadDxf];
    if (!dxf) return false;
    std::unique_ptr<CadWriter> w = dxf();
    if (!w || CadUserDirectory().empty()) return false;
    const std::string path = CadBlockFilePath(name);
    if (!w->CreateScratch(path)) {
        // A block file left by an earlier run, or anything else planted at
        // the name: the name itself is removed (a link, not what it points
        // to) and the file made anew, exclusively again.
        if (errno != EEXIST || ::unlink(path.c_str()) != 0 || !w->CreateScratch(path)) return false;
    }
    if (std::find(runBlockFiles.begin(), runBlockFiles.end(), path) == runBlockFiles.end())
        runBlockFiles.push_back(path);
    blockWriter = std::move(w);
    return true;
}

bool CadCloseBlockFile() {
    if (!blockWriter) return false;
    bool ok = blockWriter->Finish();
    blockWriter.reset();
    return ok;
}

CadWriter* CadBlockFileWriter() { return blockWriter.get(); }

CadWriter* CadRunWriter() { return runActive ? runWriter.get() : nullptr; }

bool CadRunActive() { return runActive; }

CadWriter* CadTarget() {
    const uint16_t code = CadOutputState.cadCode;
    if (CadOutputState.inBlockFlag && (code == kCadScreen || code == kCadStl || code == kCadStep))
        return blockWriter.get();
    if (runActive) return runWriter.get();
    // Screen drawing outside a run (the CAD-Code keeps 3 between runs).
    if (code == kCadScreen) {
        static ScreenCadWriter screen;
        return &screen;
    }
    return nullptr;
}

void CadSetCode(uint16_t code) { CadOutputState.cadCode = code; }

void CadSetLogoMode(uint16_t n) { CadLogoMode = n; }

void CadChooseOutputCode() {
    if (cadBatchFlag) {
        // No dialog ever opens in a batch run.
        ShowErrorBox(std::string("CAD-Code 0 im Stapelbetrieb nicht möglich"_cp850));
        cancelFlag = true;
        return;
    }
    CadOutputRecord& s = CadOutputState;
    std::vector<std::string> items(std::begin(kChoiceEntries), std::end(kChoiceEntries));
    SetHelpNumber(2050);
    const int pre = (s.cadCode >= 1 && s.cadCode <= 6) ? s.cadCode - 1 : 0;
    auto chosen = Ui().ChooseFromList("CAD-Code", items, pre);
    if (!chosen || *chosen < 0 || *chosen >= 6) {
        cancelFlag = true;
        return;
    }
    cancelFlag = false;
    s.cadCode = static_cast<uint16_t>(*chosen + 1);
    if (s.cadCode != kCadPlot) return;

    int count = s.plotCommandCount;
    if (count < 1) count = 1;
    if (count > 5) count = 5;
    size_t index = 1;
    if (count > 1) {
        SetHelpNumber(2055);
        std::vector<std::string> lines(s.plotCommandLines.begin(),
                                       s.plotCommandLines.begin() + count);
        const int prePlot =
            (s.plotCommandIndex >= 1 && s.plotCommandIndex <= count) ? s.plotCommandIndex - 1 : 0;
        auto line = Ui().ChooseFromList("Grafmit Command Line", lines, prePlot);
        if (!line || *line < 0 || *line >= count) {
            cancelFlag = true;
            return;
        }
        index = static_cast<size_t>(*line + 1);
    }
    s.plotCommandIndex = static_cast<uint16_t>(index);
    // The plot program form builds the line from its switches.
    std::string& line = s.plotCommandLines[index - 1];
    ConfigurePlotProgram(line);
    if (cancelFlag) return;
    SetHelpNumber(2060);
    // 60 characters to type; a longer line the form built (long folder
    // names) is kept whole rather than cut inside a name.
    const std::size_t limit = std::max<std::size_t>(60, line.size());
    auto entry = Ui().EnterText("CAD-Code", "Grafmit-Kommandozeile (0=Parameter)", line,
                                static_cast<int>(limit));
    if (!entry) {
        cancelFlag = true;
        return;
    }
    std::string typed = entry->substr(0, limit);
    // "0": the line is built again by the dialog chain, without a file name.
    if (!typed.empty() && typed.front() == '0') {
        PromptCommandLine(false, typed);
        if (cancelFlag) return;
    }
    line = typed;
}

void CadBeginOutput(uint16_t code) {
    CadOutputRecord& s = CadOutputState;
    // One run at a time: an unfinished run is dropped, its file discarded.
    runWriter.reset();
    blockWriter.reset();
    runActive = false;

    s.runArgument = code;
    ++s.runNumber;
    s.entityPass = 0;
    s.originX = s.originY = 0;
    CadLogoMode = 0;
    if (cadBatchFlag && (code == kCadAsk || code > kCadStep)) {
        ShowErrorBox("CAD-Code " + std::to_string(code) +
                     std::string(" im Stapelbetrieb nicht möglich"_cp850));
        cancelFlag = true;
        return;
    }
    if (code > 0)
        s.cadCode = code;
    else
        CadChooseOutputCode();
    if (cancelFlag) return;

    const uint16_t c = s.cadCode;
    std::unique_ptr<CadWriter> writer;
    if (c == kCadScreen) {
        GrafClear();
        GrafWaitCursor();
        CadWriterFactory f = CadWriterFactories[kCadScreen];
        writer = f ? f() : MakeScreenCadWriter();
    } else if (c >= kCadDxf && c <= kCadStep) {
        CadWriterFactory f = CadWriterFactories[c];
        if (!f) {
            RefuseNotAvailable(c);
            return;
        }
        std::string name = c == kCadPlot
                               ? EnsureTrailingBackslash(CadUserDirectory()) + "grafmit.dxf"
                               : AskOutputFileName(c);
        if (cancelFlag) return;
        writer = f();
        if (!writer || !writer->Create(name)) {
            ShowErrorIfEnabled(SaveFailureText(name, errno));
            cancelFlag = true;
            s.outputFileName.clear();
            Ui().SetBusy(false);
            return;
        }
        s.outputFileName = name;
    }
    // Codes 8 and above: no file, every primitive draws nothing.
    runWriter = std::move(writer);
    runActive = true;

    CadSetLineStyle(0);
    CadSetSymbolScale(1.0L);
    s.layerColorMode = 0;
    s.inBlockFlag = 0;
    s.openSuppressedFlag = 0;
    s.sheetCounters = {0, 0};
    s.heightAsked = 0;
    if (c == kCadStep) s.polylineOutputFlag = 0;
}

void CadBeginDrawing(Real xmin, Real ymin, Real xmax, Real ymax, Real height) {
    CadOutputRecord& s = CadOutputState;
    if (height > 0 && s.cadCode == kCadStl && CadRunActive() && !s.heightAsked) {
        // The user may change the extrusion height of a plane drawing; a
        // cancelled question keeps the height and only stops the viewer.
        s.heightAsked = 1;
        SetHelpNumber(2900);
        InputLength("Höhe"_cp850, height, 0, 1000);
        if (cancelFlag) {
            cancelFlag = false;
            s.openSuppressedFlag = 1;
        }
    }
    s.limits = {xmin, xmax, ymin, ymax, xmax - xmin, ymax - ymin};
    if (CadWriter* w = CadRunWriter()) w->WriteHeader(xmin, ymin, xmax, ymax);
    const uint16_t c = s.cadCode;
    if ((c == kCadScreen || c == kCadPlot) && printWord1 != 0) {
        // Screen-print border of the printer setup.
        CadSetLayer(19);
        CadRectangle(xmin, ymin, xmax, ymax);
    }
    if (c == kCadScreen) DrawFooter(s.limits);
    if (height > 0) CadSetExtrusion(0, height);
}

void CadBeginDrawingDefault() { CadBeginDrawing(0, 0, 160, 120, 1.0L); }

void CadWriteTables(int layerSet) {
    if (CadWriter* w = CadRunWriter()) w->WriteTables(layerSet);
}

void CadBeginBlocks() {
    CadOutputState.inBlockFlag = 1;
    if (CadWriter* w = CadRunWriter()) w->BeginBlocks();
}

void CadEndSection() {
    CadOutputState.inBlockFlag = 0;
    if (CadWriter* w = CadRunWriter()) w->EndSection();
}

void CadBeginEntities() {
    if (CadOutputState.entityPass < 255) ++CadOutputState.entityPass;
    if (CadWriter* w = CadRunWriter()) w->BeginEntities();
    const uint16_t c = CadOutputState.cadCode;
    if ((c != kCadScreen && c != kCadPlot) || CadLogoMode == 2 || CadLogoMode == 3) return;
    if (!CadBlockInserter) return;
    const CadLimits& l = CadOutputState.limits;
    const Real sx = l.width / 480, sy = l.height / 360;
    std::error_code ec;
    if (std::filesystem::exists(CadBlockFilePath("LOGO_2"), ec))
        CadBlockInserter("LOGO_2", l.xmin + 0.91L * l.width, l.ymin + 0.01L * l.height, 0, sx, sy);
    if (std::filesystem::exists(CadBlockFilePath("LOGO_3"), ec))
        CadBlockInserter("LOGO_3", l.xmin + 0.91L * l.width, l.ymin + 0.96L * l.height, 0, sx, sy);
}

bool CadOutputComplete() {
    CadWriter* w = CadRunWriter();
    return w == nullptr || w->PassComplete();
}

bool CadFirstEntityPass() { return CadOutputState.entityPass <= 1; }

void CadEndOutput() {
    if (!runActive) return;
    CadOutputRecord& s = CadOutputState;
    const uint16_t c = s.cadCode;
    blockWriter.reset();
    bool written = true;
    if (runWriter) written = runWriter->Finish();
    runWriter.reset();
    runActive = false;
    s.inBlockFlag = 0;
    if (c == kCadScreen) {
        GrafClearViewPort();
        GrafNormalCursor();
        DeleteBlockFiles();
    } else if (!written) {
        ShowErrorIfEnabled("Fehler beim Schließen einer Datei"_cp850);
        cancelFlag = true;
    }
    if (c == kCadPlot && written) {
        const uint16_t i =
            s.plotCommandIndex >= 1 && s.plotCommandIndex <= 5 ? s.plotCommandIndex : 1;
        StartPlotProgram(s.plotCommandLines[i - 1]);
    }
    Ui().SetBusy(false);
    // Open the written file with its program, only when the program was
    // started with fewer than two parameters (a command-line run has the
    // data file and a switch), and never in a headless run. A file that no
    // program opens is named, to be opened by hand.
    if (!cancelFlag && !s.openSuppressedFlag && s.execFlag &&
        (c == kCadDxf || c == kCadIges || c == kCadTxt || c == kCadStl || c == kCadStep) &&
        ProgramParamCount() < 2 && !Ui().IsBatch() && !Ui().OpenDocument(s.outputFileName))
        ShowInfo(NoOpenerText(s.outputFileName));
}

}  // namespace veldrim
