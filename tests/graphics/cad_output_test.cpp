// The CAD output run: the choice of the output, the file dialog and batch
// mode, what reaches a writer, and the screen run's display list.

#include "graphics/cad_output.h"

#include <gtest/gtest.h>

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
#include "support/test_files.h"

namespace veldrim {
namespace {

// A writer that records its calls; stands in for the exchange writers.
struct Recorder {
    std::vector<std::string> calls;
    std::string created;
    bool finishFails = false;
};
Recorder* recorder = nullptr;

std::string N(Real v) { return FormatDisplayReal(v); }

class RecordingWriter : public CadWriter {
public:
    bool Create(const std::string& path) override { return recorder->created = path, true; }
    bool Finish() override { return Log("finish"), !recorder->finishFails; }
    void WriteHeader(Real a, Real b, Real c, Real d) override { Log("header", {a, b, c, d}); }
    void WriteTables(int set) override { Log("tables " + std::to_string(set)); }
    void BeginBlocks() override { Log("blocks"); }
    void EndSection() override { Log("endsec"); }
    void BeginEntities() override { Log("entities"); }
    void SelectLayer(int n) override { Log("layer " + std::to_string(n)); }
    void Line(Real x1, Real y1, Real x2, Real y2) override { Log("line", {x1, y1, x2, y2}); }
    void Circle(Real x, Real y, Real r) override { Log("circle", {x, y, r}); }
    void Arc(Real x, Real y, Real s, Real e, Real r, Real sweep) override { Log("arc", {x, y, s, e, r, sweep}); }
    void Text(const std::string& t, Real x, Real y) override { Log("text " + t, {x, y}); }
    void Solid(Real, Real, Real, Real, Real, Real, Real, Real) override { Log("solid"); }

private:
    static void Log(std::string s, std::initializer_list<Real> v = {}) {
        for (Real x : v) s += " " + N(x);
        recorder->calls.push_back(std::move(s));
    }
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
        userDirectory = dir.path();
        CadOutputState.execFlag = 0;
    }
    void TearDown() override {
        ResetCadOutputState();
        ResetCadWriterFactories();
        cadBatchFlag = false;
        SetGraphicsWindow(nullptr);
        recorder = nullptr;
    }
    // A run into the recorder, begun in batch mode (no dialog).
    void BeginRecordedRun(uint16_t code = kCadDxf) {
        CadWriterFactories[code] = MakeRecordingWriter;
        cadBatchFlag = true;
        currentFileName = dir / "test";
        cancelFlag = false;
        CadBeginOutput(code);
        ASSERT_FALSE(cancelFlag);
        rec.calls.clear();
    }
    std::vector<std::string> Records(const char* code) const {
        std::vector<std::string> out;
        for (const std::string& r : DisplayList)
            if (r.starts_with(std::string(code) + ";")) out.push_back(r);
        return out;
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (const auto& c : ui.CallsOf("message")) out.push_back(c.text);
        return out;
    }
    TFveldgra window;
    ScriptedUi ui;
    ScopedUi scope{ui};
    Recorder rec;
    testing::TempDir dir{"veldrim_g1_cad"};
};

TEST_F(CadOutputTest, ScreenRunDrawsIntoTheDisplayList) {
    DisplayList.push_back("4;9;9;9;9");  // an older drawing
    std::ofstream(dir / "$EVOLV1.dx$") << "  0\nEOF\n";
    std::ofstream(dir / "keep.dxf") << "  0\nEOF\n";
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
    ASSERT_EQ(Records("6").size(), 1u);
    EXPECT_NE(Records("6")[0].find("Veldrim VELDRIM V1.0 - "), std::string::npos);
    // The run deletes its block files, and only those.
    EXPECT_FALSE(std::filesystem::exists(dir / "$EVOLV1.dx$"));
    EXPECT_TRUE(std::filesystem::exists(dir / "keep.dxf"));
}

TEST_F(CadOutputTest, NotAvailableKindsLeaveTheRunIdle) {
    // Kinds without a writer in the table (DXF and TXT are taken out here).
    CadWriterFactories[kCadDxf] = nullptr;
    CadWriterFactories[kCadTxt] = nullptr;
    for (const auto& [code, kind] : {std::pair{kCadIges, "IGES"}, {kCadStl, "STL"}, {kCadStep, "STEP"}}) {
        ui.calls.clear();
        cancelFlag = false;
        CadBeginOutput(code);
        EXPECT_TRUE(cancelFlag) << kind;
        EXPECT_FALSE(CadRunActive()) << kind;
        EXPECT_EQ(Shown(), std::vector<std::string>{kind + std::string("-Ausgabe ist noch nicht verfügbar"_cp850)});
        EXPECT_TRUE(ui.CallsOf("save").empty()) << kind;
    }
}

// Batch mode names the file after the data file, opens no dialog and no
// viewer, and refuses the codes that would have to ask.
TEST_F(CadOutputTest, BatchModeOpensNoDialog) {
    CadOutputState.execFlag = 1;
    BeginRecordedRun();
    EXPECT_EQ(rec.created, dir / "test.dxf");
    EXPECT_EQ(CadOutputState.outputFileName, dir / "test.dxf");
    CadEndOutput();
    for (const auto& c : ui.calls) EXPECT_EQ(c.kind, "busy") << c.text;
    for (uint16_t code : {0, 8, 9}) {
        ui.calls.clear();
        cancelFlag = false;
        CadBeginOutput(code);
        EXPECT_TRUE(cancelFlag) << code;
        EXPECT_FALSE(CadRunActive());
        EXPECT_TRUE(ui.CallsOf("list").empty());
        EXPECT_EQ(Shown(), std::vector<std::string>{"CAD-Code " + std::to_string(code) +
                                                    std::string(" im Stapelbetrieb nicht möglich"_cp850)});
    }
}

TEST_F(CadOutputTest, SavedNameGetsTheExtensionAndIsOpenedOutsideBatchRuns) {
    CadWriterFactories[kCadTxt] = MakeRecordingWriter;
    askBeforeOverwriteFlag = false;
    CadOutputState.execFlag = 1;
    std::filesystem::create_directories(dir / "my.dir");
    for (const auto& [typed, expected] : {std::pair{"part.xyz", "part.txt"}, {"my.dir/part", "my.dir/part.txt"}}) {
        ui.calls.clear();
        ui.QueueText(dir / typed);
        cancelFlag = false;
        CadBeginOutput(kCadTxt);
        EXPECT_FALSE(cancelFlag) << typed;
        EXPECT_EQ(rec.created, dir / expected);
        CadEndOutput();
        EXPECT_EQ(ui.CallsOf("save").size(), 1u);
        EXPECT_EQ(ui.CallsOf("open-document").size(), 1u);
    }
}

TEST_F(CadOutputTest, CancelledDialogsLeaveTheRunIdle) {
    CadWriterFactories[kCadDxf] = MakeRecordingWriter;
    ui.QueueText(std::nullopt);
    CadBeginOutput(kCadDxf);
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(CadRunActive());
    EXPECT_TRUE(CadOutputState.outputFileName.empty());
    EXPECT_TRUE(rec.created.empty());

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
    // The third entry is the screen.
    ui.QueueChoice(2);
    cancelFlag = false;
    CadBeginOutput(kCadAsk);
    EXPECT_EQ(CadOutputState.cadCode, kCadScreen);
    EXPECT_TRUE(CadRunActive());
    CadEndOutput();
}

TEST_F(CadOutputTest, FailedFinishIsReported) {
    BeginRecordedRun();
    rec.finishFails = true;
    CadEndOutput();
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(Shown(), std::vector<std::string>{std::string("Fehler beim Schließen einer Datei"_cp850)});
}

TEST_F(CadOutputTest, WhatReachesTheWriter) {
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
    CadSetOrigin(0, 0);
    CadArc(0, 0, 90, 0, 10, -90);  // clockwise from 90 to 0 degrees
    CadArc(0, 0, 0, 90, 0, 90);    // radius 0: nothing
    CadArc2D(0, 0, 350, 10, 10);   // across 0 degrees: a 20 degree span
    CadArc2D(0, 0, 0, 360, 10);    // a full turn
    CadEndSection();
    CadEndOutput();
    const std::vector<std::string> expected = {
        "header 0 0 200 100", "tables 2", "blocks", "endsec", "entities", "circle 10 20 5",
        "circle 10 20 5", "text " + std::string("Maß"_cp850) + " 11 21", "arc 0 0 0 90 10 90",
        "arc 0 0 350 10 10 20", "arc 0 0 0 360 10 360", "endsec", "finish"};
    EXPECT_EQ(rec.calls, expected);
}

// Pixels count as square: a device of another shape changes no text angle
// or width, on screen or in a file.
TEST_F(CadOutputTest, TextStyleIsNotCorrectedForTheScreenShape) {
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
    // 10 characters of 2 x 0.8 / 0.7 are 22.86 wide for a room of 10: 0.9 of the fit.
    CadSetTextStyleFit(2, " 0123456789 ", 0, 4, 2, 10);
    EXPECT_NEAR((double)CadOutputState.textHeight, 1.575, 1E-12);
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
    CadSaveLayer();
    CadSetLayer(0);
    CadRestoreLayer();
    EXPECT_EQ(CadOutputState.currentLayerNumber, 31);
    CadEndOutput();
}

}  // namespace
}  // namespace veldrim
