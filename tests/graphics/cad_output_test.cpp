#include "graphics/cad_output.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/app_state.h"
#include "foundation/codepage.h"
#include "foundation/message_boxes.h"
#include "foundation/program_state.h"
#include "foundation/ui_services.h"
#include "graphics/cad_primitives.h"
#include "graphics/display_list.h"
#include "graphics/graphics_defaults.h"

namespace veldrim {
namespace {

// A writer that records its calls; stands in for the exchange writers.
struct Recorder {
    std::vector<std::string> calls;
    std::string created;
    bool createFails = false;
    bool finishFails = false;
};
Recorder* recorder = nullptr;

std::string N(Real v) { return FormatDisplayReal(v); }

class RecordingWriter : public CadWriter {
public:
    bool Create(const std::string& path) override {
        recorder->created = path;
        return !recorder->createFails;
    }
    bool Finish() override {
        Log("finish");
        return !recorder->finishFails;
    }
    void WriteHeader(Real a, Real b, Real c, Real d) override {
        Log("header " + N(a) + " " + N(b) + " " + N(c) + " " + N(d));
    }
    void WriteTables(int set) override { Log("tables " + std::to_string(set)); }
    void BeginBlocks() override { Log("blocks"); }
    void EndSection() override { Log("endsec"); }
    void BeginEntities() override { Log("entities"); }
    void SelectLayer(int n) override { Log("layer " + std::to_string(n)); }
    void Line(Real x1, Real y1, Real x2, Real y2) override {
        Log("line " + N(x1) + " " + N(y1) + " " + N(x2) + " " + N(y2));
    }
    void Circle(Real x, Real y, Real r) override {
        Log("circle " + N(x) + " " + N(y) + " " + N(r));
    }
    void Arc(Real x, Real y, Real s, Real e, Real r, Real sweep) override {
        Log("arc " + N(x) + " " + N(y) + " " + N(s) + " " + N(e) + " " + N(r) + " " + N(sweep));
    }
    void Text(const std::string& t, Real x, Real y) override {
        Log("text " + t + " " + N(x) + " " + N(y));
    }
    void Solid(Real x1, Real y1, Real x2, Real y2, Real x3, Real y3, Real x4, Real y4) override {
        Log("solid " + N(x1) + " " + N(y1) + " " + N(x2) + " " + N(y2) + " " + N(x3) + " " +
            N(y3) + " " + N(x4) + " " + N(y4));
    }

private:
    void Log(std::string s) { recorder->calls.push_back(std::move(s)); }
};

std::unique_ptr<CadWriter> MakeRecordingWriter() { return std::make_unique<RecordingWriter>(); }

class CadOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        cadBatchFlag = false;
        ResetGraphicsDefaults();
        ResetGraphicsWindow();
        ResetCadOutputState();
        ResetCadWriterFactories();
        SetGraphicsWindow(&window);
        recorder = &rec;
        dir = std::filesystem::temp_directory_path() /
              ("veldrim_g1_cad_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        userDirectory = dir.string();
        CadOutputState.execFlag = 0;
    }
    void TearDown() override {
        ResetCadOutputState();
        ResetCadWriterFactories();
        cadBatchFlag = false;
        SetGraphicsWindow(nullptr);
        recorder = nullptr;
        std::filesystem::remove_all(dir);
    }
    // A DXF run into the recorder, begun in batch mode (no dialog).
    void BeginRecordedRun(uint16_t code = kCadDxf) {
        CadWriterFactories[code] = MakeRecordingWriter;
        cadBatchFlag = true;
        currentFileName = (dir / "test").string();
        cancelFlag = false;
        CadBeginOutput(code);
        ASSERT_FALSE(cancelFlag);
        rec.calls.clear();
    }
    std::vector<std::string> Records(const char* code) const {
        std::vector<std::string> out;
        for (const std::string& r : DisplayList)
            if (r.rfind(std::string(code) + ";", 0) == 0) out.push_back(r);
        return out;
    }
    TFveldgra window;
    ScriptedUi ui;
    ScopedUi scope{ui};
    Recorder rec;
    std::filesystem::path dir;
};

TEST_F(CadOutputTest, ScreenRunDrawsIntoTheDisplayList) {
    DisplayList.push_back("4;9;9;9;9");  // an older drawing
    CadBeginOutput(kCadScreen);
    ASSERT_FALSE(cancelFlag);
    EXPECT_TRUE(CadRunActive());
    CadBeginDrawingDefault();
    CadWriteTables(2);
    CadBeginBlocks();
    CadEndSection();
    do {
        CadBeginEntities();
        CadSetOrigin(10, 20);
        CadLine(0, 0, 5, 5);
        CadSolid(0, 0, 1, 0, 0, 1, 1, 1);  // DXF corner order
        CadEndSection();
    } while (!CadOutputComplete());
    CadEndOutput();
    EXPECT_FALSE(CadRunActive());
    EXPECT_EQ(DisplayList.front(), "11;0");  // the old drawing is gone
    EXPECT_EQ(Records("10"), (std::vector<std::string>{"10;1;1;639;479;0;0;160;120"}));
    EXPECT_EQ(Records("4"), (std::vector<std::string>{"4;10;20;15;25"}));
    // The window fills the outline: DXF corners 3 and 4 exchanged.
    EXPECT_EQ(Records("7"), (std::vector<std::string>{"7;10;20;11;20;11;21;10;21"}));
    // The identification footer.
    ASSERT_EQ(Records("6").size(), 1u);
    EXPECT_NE(Records("6")[0].find("Veldrim VELDRIM V1.0 - "), std::string::npos);
    EXPECT_EQ(CadOutputState.extrusionZ2, 1.0L);
}

TEST_F(CadOutputTest, FooterOptionOffShowsOnlyTheProgram) {
    CadOutputState.sheetOptions[kSheetFooterOption] = 1;
    CadBeginOutput(kCadScreen);
    CadBeginDrawing(0, 0, 400, 200, 0);
    const auto texts = Records("6");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "6;2;0.4;Veldrim VELDRIM V1.0");
    CadEndOutput();
}

TEST_F(CadOutputTest, NotAvailableKindsLeaveTheRunIdle) {
    const std::pair<uint16_t, const char*> cases[] = {
        {kCadIges, "IGES"}, {kCadStl, "STL"}, {kCadStep, "STEP"}};
    // Kinds without a writer in the table (DXF and TXT are taken out here).
    CadWriterFactories[kCadDxf] = nullptr;
    CadWriterFactories[kCadTxt] = nullptr;
    for (const auto& [code, kind] : cases) {
        ui.calls.clear();
        cancelFlag = false;
        CadBeginOutput(code);
        EXPECT_TRUE(cancelFlag) << kind;
        EXPECT_FALSE(CadRunActive()) << kind;
        ASSERT_EQ(ui.CallsOf("message").size(), 1u) << kind;
        EXPECT_EQ(ui.CallsOf("message")[0].text,
                  std::string(kind) + std::string("-Ausgabe ist noch nicht verfügbar"_cp850));
        EXPECT_TRUE(ui.CallsOf("save").empty()) << kind;
    }
}

TEST_F(CadOutputTest, BatchModeNamesTheFileWithoutADialog) {
    BeginRecordedRun();
    EXPECT_EQ(rec.created, (dir / "test.dxf").string());
    EXPECT_EQ(CadOutputState.outputFileName, (dir / "test.dxf").string());
    EXPECT_TRUE(ui.calls.empty() || ui.CallsOf("save").empty());
    CadEndOutput();
    EXPECT_TRUE(ui.CallsOf("open-document").empty());
}

TEST_F(CadOutputTest, BatchModeRefusesCodesThatWouldAsk) {
    cadBatchFlag = true;
    for (uint16_t code : {0, 8, 9}) {
        ui.calls.clear();
        cancelFlag = false;
        CadBeginOutput(code);
        EXPECT_TRUE(cancelFlag) << code;
        EXPECT_FALSE(CadRunActive());
        EXPECT_TRUE(ui.CallsOf("list").empty());
        ASSERT_EQ(ui.CallsOf("message").size(), 1u);
        EXPECT_EQ(ui.CallsOf("message")[0].text,
                  "CAD-Code " + std::to_string(code) +
                      std::string(" im Stapelbetrieb nicht möglich"_cp850));
    }
}

TEST_F(CadOutputTest, SavedNameGetsTheExtensionOfTheFormat) {
    CadWriterFactories[kCadTxt] = MakeRecordingWriter;
    askBeforeOverwriteFlag = false;
    const std::pair<std::string, std::string> cases[] = {
        {"part.xyz", "part.txt"},
        {"part", "part.txt"},
        {"my.dir/part", "my.dir/part.txt"},
    };
    std::filesystem::create_directories(dir / "my.dir");
    for (const auto& [typed, expected] : cases) {
        ui.QueueText((dir / typed).string());
        cancelFlag = false;
        CadBeginOutput(kCadTxt);
        EXPECT_FALSE(cancelFlag) << typed;
        EXPECT_EQ(rec.created, (dir / expected).string());
        CadEndOutput();
    }
    ASSERT_FALSE(ui.CallsOf("save").empty());
}

TEST_F(CadOutputTest, CancelledSaveDialogLeavesTheRunIdle) {
    CadWriterFactories[kCadDxf] = MakeRecordingWriter;
    ui.QueueText(std::nullopt);
    CadBeginOutput(kCadDxf);
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(CadRunActive());
    EXPECT_TRUE(CadOutputState.outputFileName.empty());
    EXPECT_TRUE(rec.created.empty());
}

TEST_F(CadOutputTest, UncreatableFileGivesTheFileErrorAndCancel) {
    CadWriterFactories[kCadDxf] = MakeRecordingWriter;
    rec.createFails = true;
    cadBatchFlag = true;
    CadBeginOutput(kCadDxf);
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(CadRunActive());
    ASSERT_EQ(ui.CallsOf("message").size(), 1u);
    EXPECT_EQ(ui.CallsOf("message")[0].text, "file write error");
}

TEST_F(CadOutputTest, FailedFinishIsReported) {
    BeginRecordedRun();
    rec.finishFails = true;
    CadEndOutput();
    EXPECT_TRUE(cancelFlag);
    ASSERT_EQ(ui.CallsOf("message").size(), 1u);
    EXPECT_EQ(ui.CallsOf("message")[0].text, std::string("Fehler beim Schließen einer Datei"_cp850));
}

TEST_F(CadOutputTest, ChoiceListCancelledChangesNothing) {
    DisplayList.push_back("4;1;1;2;2");
    ui.QueueChoice(std::nullopt);
    CadBeginOutput(kCadAsk);
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(CadRunActive());
    EXPECT_EQ(DisplayList.size(), 1u);
    ASSERT_EQ(ui.CallsOf("list").size(), 1u);
    EXPECT_EQ(ui.CallsOf("list")[0].text,
              "DXF\nIGES\nKontrollausgabe auf Bildschirm\nAusgabe auf Laserprinter/Plotter mit "
              "Grafmit\nTXT\nSTL\n");
    EXPECT_EQ(CadOutputState.runArgument, 0);
}

TEST_F(CadOutputTest, ChoiceOfTheScreen) {
    ui.QueueChoice(2);  // the third entry
    CadBeginOutput(kCadAsk);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(CadOutputState.cadCode, kCadScreen);
    EXPECT_TRUE(CadRunActive());
    CadEndOutput();
}

TEST_F(CadOutputTest, RunFrameReachesTheWriter) {
    BeginRecordedRun();
    CadBeginDrawing(0, 0, 200, 100, 0);
    CadWriteTables(2);
    CadBeginBlocks();
    CadEndSection();
    CadBeginEntities();
    CadSetOrigin(10, 20);
    CadCircle(0, 0, 5);
    CadCircleReversed(0, 0, 5);
    CadText("", 1, 1);  // empty text: nothing
    CadText(std::string("Maß"_cp850), 1, 1);
    CadEndSection();
    CadEndOutput();
    const std::vector<std::string> expected = {
        "header 0 0 200 100", "tables 2", "blocks", "endsec", "entities",
        "circle 10 20 5", "circle 10 20 5", "text " + std::string("Maß"_cp850) + " 11 21",
        "endsec", "finish"};
    EXPECT_EQ(rec.calls, expected);
}

TEST_F(CadOutputTest, ClockwiseArcReachesWritersCounterClockwise) {
    BeginRecordedRun();
    CadArc(0, 0, 90, 0, 10, -90);     // clockwise from 90 to 0 degrees
    CadArc(0, 0, 0, 90, 0, 90);       // radius 0: nothing
    CadArc2D(0, 0, 350, 10, 10);      // across 0 degrees: a 20 degree span
    CadArc2D(0, 0, 0, 360, 10);       // a full turn
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"arc 0 0 0 90 10 90", "arc 0 0 350 10 10 20",
                                                   "arc 0 0 0 360 10 360"}));
    CadEndOutput();
}

TEST_F(CadOutputTest, TextAngleIsNotCorrectedForTheScreenShape) {
    SetDeviceResolution(800, 480);
    BeginRecordedRun();
    CadSetTextStyle(2, 45, 3.5L, 0);
    EXPECT_EQ(CadOutputState.textAngle, 45);
    EXPECT_DOUBLE_EQ((double)CadOutputState.textWidthFactor, 0.7);
    CadSetTextStyle(2, 30, 4, 2);
    EXPECT_DOUBLE_EQ((double)CadOutputState.textWidthFactor, 0.5);
    CadEndOutput();
    // On screen the style record carries 0.95 of the width.
    CadBeginOutput(kCadScreen);
    CadSetTextStyle(2, 45, 4, 2);
    EXPECT_EQ(DisplayList.back(), "9;4;1.9;2;45");
    CadEndOutput();
}

TEST_F(CadOutputTest, TextStyleFitShrinksLongTexts) {
    CadBeginOutput(kCadScreen);
    // 10 characters x 2 x 0.8 / 0.7 = 22.86 > 10: factor 0.9 x 10 / 22.86.
    CadSetTextStyleFit(2, " 0123456789 ", 0, 4, 2, 10);
    EXPECT_NEAR((double)CadOutputState.textHeight, 4 * 0.9 * 10 / (10 * 2 * 0.8 / 0.7), 1E-12);
    CadSetTextStyleFit(2, "01", 0, 4, 2, 10);
    EXPECT_EQ(CadOutputState.textHeight, 4);
    CadEndOutput();
}

TEST_F(CadOutputTest, LayersOnScreenAndFolding) {
    CadBeginOutput(kCadScreen);
    DisplayList.clear();
    window.LastColour = -1;
    CadSetLayer(1);  // centre lines: dash-dot, layer colour 2 (yellow), width code 1
    EXPECT_EQ(DisplayList, (std::vector<std::string>{"11;2", "8;14"}));
    DisplayList.clear();
    CadSetLayer(4);  // solid, colour 3 (green), width 2
    EXPECT_EQ(DisplayList, (std::vector<std::string>{"11;0", "8;10", "12;2"}));
    CadSetLayer(35);
    EXPECT_EQ(CadOutputState.currentLayerNumber, 19);
    CadSetLayer(31);
    EXPECT_EQ(CadOutputState.currentLayerNumber, 31);
    CadSaveLayer();
    CadSetLayer(0);
    CadRestoreLayer();
    EXPECT_EQ(CadOutputState.currentLayerNumber, 31);
    CadEndOutput();
}

TEST_F(CadOutputTest, ScreenBlockPrimitivesGoToTheBlockFile) {
    CadWriterFactories[kCadDxf] = MakeRecordingWriter;
    CadBeginOutput(kCadScreen);
    CadBeginBlocks();
    ASSERT_TRUE(CadOpenBlockFile("EVOLV1"));
    EXPECT_EQ(rec.created, CadBlockFilePath("EVOLV1"));
    const size_t records = DisplayList.size();
    CadSetLayer(2);
    CadLine(0, 0, 1, 1);
    EXPECT_TRUE(CadCloseBlockFile());
    CadEndSection();
    EXPECT_EQ(DisplayList.size(), records);
    EXPECT_EQ(rec.calls, (std::vector<std::string>{"layer 2", "line 0 0 1 1", "finish"}));
    CadEndOutput();
}

TEST_F(CadOutputTest, ScreenRunDeletesTheBlockFiles) {
    std::ofstream(dir / "$EVOLV1.dx$") << "  0\nEOF\n";
    std::ofstream(dir / "keep.dxf") << "  0\nEOF\n";
    CadBeginOutput(kCadScreen);
    CadEndOutput();
    EXPECT_FALSE(std::filesystem::exists(dir / "$EVOLV1.dx$"));
    EXPECT_TRUE(std::filesystem::exists(dir / "keep.dxf"));
}

TEST_F(CadOutputTest, ExecStepOpensTheWrittenFileOutsideBatchRuns) {
    CadWriterFactories[kCadTxt] = MakeRecordingWriter;
    CadOutputState.execFlag = 1;
    askBeforeOverwriteFlag = false;
    ui.QueueText((dir / "part").string());
    CadBeginOutput(kCadTxt);
    CadEndOutput();
    ASSERT_EQ(ui.CallsOf("open-document").size(), 1u);
    ui.calls.clear();
    BeginRecordedRun(kCadTxt);
    CadEndOutput();
    EXPECT_TRUE(ui.CallsOf("open-document").empty());
}

TEST_F(CadOutputTest, BeginResetsTheRunAttributes) {
    CadOutputState.layerColorMode = 2;
    CadOutputState.originX = 5;
    CadOutputState.baseScale = 2;
    CadLogoMode = 3;
    CadBeginOutput(kCadScreen);
    EXPECT_EQ(CadOutputState.layerColorMode, 0);
    EXPECT_EQ(CadOutputState.originX, 0);
    EXPECT_EQ(CadOutputState.symbolScale, 2);
    EXPECT_EQ(CadLogoMode, 0);
    EXPECT_EQ(CadOutputState.runArgument, kCadScreen);
    CadSetSymbolScale(0.0001L);
    EXPECT_EQ(CadOutputState.symbolScale, 1);
    CadEndOutput();
}

}  // namespace
}  // namespace veldrim
