// The CAD output run: choice, dialogs, batch mode, writers, screen records.

#include "graphics/blocks.h"
#include "graphics/cad_output.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "dxf_test_support.h"
#include "foundation/codepage.h"
#include "foundation/text_conv.h"
#include "graphics/cad_primitives.h"
#include "graphics/recording_canvas.h"
#include "support/fault_calls.h"

using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace veldrim {
namespace {

using Lines = std::vector<std::string>;

using CadOutputTest = testing_support::CadFixture;
using testing::FaultCalls;

// The display list's records of one kind.
Lines Records(const char* code) {
    Lines out;
    for (const std::string& r : DisplayList)
        if (r.starts_with(std::string(code) + ";")) out.push_back(r);
    return out;
}

TEST_F(CadOutputTest, ScreenRunDrawsIntoTheDisplayList) {
    DisplayList.push_back("4;9;9;9;9");               // an older drawing
    testing::Spit(dir / "$OTHER.dx$", "  0\nEOF\n");  // a block file of another run
    testing::Spit(dir / "keep.dxf", "  0\nEOF\n");
    CadBeginOutput(kCadScreen);
    ASSERT_FALSE(cancelFlag);
    ASSERT_TRUE(CadRunActive());
    CadBeginDrawingDefault();
    CadWriteTables(2);
    CadBeginBlocks();
    CadBeginBlock("EVOLV1");
    CadLine(0, 0, 1, 1);
    CadEndBlock();
    ASSERT_TRUE(std::filesystem::exists(dir / "$EVOLV1.dx$"));
    CadEndSection();
    do {
        CadBeginEntities();
        CadSetOrigin(10, 20);
        CadSetLayer(35);  // beyond the highest layer: the last one
        CadLine(0, 0, 5, 5);
        CadSolid(0, 0, 1, 0, 0, 1, 1, 1);  // DXF corner order
        CadEndSection();
    } while (!CadOutputComplete());
    CadEndOutput();
    EXPECT_FALSE(CadRunActive());
    EXPECT_EQ(CadOutputState.currentLayerNumber, 19);
    EXPECT_EQ(DisplayList.front(), "11;0");  // the old drawing is gone
    EXPECT_EQ(Records("10"), Lines{"10;1;1;639;479;0;0;160;120"});
    EXPECT_EQ(Records("4"), Lines{"4;10;20;15;25"});
    // The window fills the outline: DXF corners 3 and 4 exchanged.
    EXPECT_EQ(Records("7"), Lines{"7;10;20;11;20;11;21;10;21"});
    EXPECT_EQ(Records("6").size(), 1u);
    EXPECT_THAT(Records("6")[0], HasSubstr("Veldrim VELDRIM V1.0 - "));
    // The run deletes its own block files, and only those.
    EXPECT_FALSE(std::filesystem::exists(dir / "$EVOLV1.dx$"));
    EXPECT_TRUE(std::filesystem::exists(dir / "$OTHER.dx$"));
    EXPECT_TRUE(std::filesystem::exists(dir / "keep.dxf"));

    // The footer ends with the file the set was read from, as it is named:
    // a data file in other letters, a file of another kind that would be
    // saved under another name; nothing for a set without a file.
    dataFileExtension = "qb3";
    const std::pair<std::string, const char*> sets[] = {
        {"", ""}, {(dir / "G.QB3").string(), "G"}, {(dir / "gear.bak").string(), "gear"}};
    for (const auto& [file, name] : sets) {
        SCOPED_TRACE(file);
        currentDataFile = file;
        currentFileName = name;
        CadBeginOutput(kCadScreen);
        CadBeginDrawingDefault();
        CadBeginEntities();
        CadEndSection();
        CadEndOutput();
        ASSERT_EQ(Records("6").size(), 1u);
        EXPECT_THAT(Records("6")[0], ::testing::EndsWith("Veldrim VELDRIM V1.0 - " + file));
    }
}

TEST_F(CadOutputTest, NotAvailableKindsLeaveTheRunIdle) {
    for (const auto& [code, kind] :
         {std::pair{kCadIges, "IGES"}, {kCadStl, "STL"}, {kCadStep, "STEP"}}) {
        CadWriterFactories[code] = nullptr;  // a build without the writer
        ui.calls.clear();
        cancelFlag = false;
        CadBeginOutput(code);
        EXPECT_TRUE(cancelFlag) << kind;
        EXPECT_FALSE(CadRunActive()) << kind;
        EXPECT_THAT(ui.CallsOf("save"), IsEmpty()) << kind;
        EXPECT_EQ(ShownTexts(),
                  Lines{kind + std::string("-Ausgabe ist noch nicht verfügbar"_cp850)});
    }
}

// Batch mode names the file after the data file, opens no dialog and no
// viewer, and refuses the codes that would have to ask.
TEST_F(CadOutputTest, BatchModeOpensNoDialog) {
    CadOutputState.execFlag = 1;
    cadBatchFlag = true;
    const char* const commandLine[] = {"veldrim", "test", "/CAD1:0"};
    SetProgramParams(3, commandLine);
    currentFileName = (dir / "test").string();
    CadBeginOutput(kCadDxf);
    EXPECT_EQ(CadOutputState.outputFileName, dir / "test.dxf");
    CadEndOutput();
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(std::filesystem::exists(dir / "test.dxf"));
    for (const auto& c : ui.calls) EXPECT_EQ(c.kind, "busy") << c.text;
    for (uint16_t code : {0, 8, 9}) {
        ui.calls.clear();
        CadBeginOutput(code);
        EXPECT_TRUE(cancelFlag) << code;
        EXPECT_FALSE(CadRunActive()) << code;
        EXPECT_THAT(ui.CallsOf("list"), IsEmpty()) << code;
        EXPECT_EQ(ShownTexts(), Lines{"CAD-Code " + std::to_string(code) +
                                      std::string(" im Stapelbetrieb nicht möglich"_cp850)});
        cancelFlag = false;
    }
    SetProgramParams(0, nullptr);
}

// The written file is opened with its program only when the program was
// started with fewer than two parameters.
TEST_F(CadOutputTest, WrittenFileOpensOnlyWithFewerThanTwoParameters) {
    CadOutputState.execFlag = 1;
    const char* const commandLine[] = {"veldrim", "gear.qb3", "/G"};
    for (int argc : {1, 2, 3}) {
        SetProgramParams(argc, commandLine);
        ui.calls.clear();
        const std::string path = (dir / ("view" + std::to_string(argc) + ".dxf")).string();
        ui.QueueText(path);
        CadBeginOutput(kCadDxf);
        ASSERT_FALSE(cancelFlag) << argc;
        CadBeginDrawingDefault();
        CadBeginEntities();
        CadLine(0, 0, 10, 10);
        CadEndSection();
        CadEndOutput();
        ASSERT_FALSE(cancelFlag) << argc;
        const auto opened = ui.CallsOf("open-document");
        if (argc - 1 < 2) {
            ASSERT_EQ(opened.size(), 1u) << argc - 1 << " parameters";
            EXPECT_EQ(opened[0].text, path);
        } else {
            EXPECT_THAT(opened, IsEmpty()) << argc - 1 << " parameters";
        }
    }
    SetProgramParams(0, nullptr);
}

// The current name has no extension left to cut: a set named "aktuell.alt"
// is proposed under its own name, not as the working set "aktuell".
TEST_F(CadOutputTest, ASetNamedWithADotIsProposedUnderItsWholeName) {
    currentFileName = "aktuell.alt";
    ui.QueueText(std::nullopt);
    CadBeginOutput(kCadDxf);
    EXPECT_TRUE(cancelFlag);
    const auto saves = ui.CallsOf("save");
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_THAT(saves[0].text, ::testing::EndsWith("/aktuell.alt"));
}

// The proposal taken as it stands writes the drawing under the set's whole
// name: the set's dots are its own, not too many, and the format's extension
// is appended, so the working set's drawing ("aktuell.dxf", replaced without
// a question) is never reached from "aktuell.alt", also when the user puts
// the proposed name into another folder. Taken again, the file now there is
// asked about: "Nein" leaves it.
TEST_F(CadOutputTest, TheProposalTakenAsItStandsKeepsTheSetsWholeName) {
    struct Case {
        const char* set;
        uint16_t code;
        const char* folder;  // where the proposed name is put: "" where proposed
        const char* written;
        const char* begins;  // the first bytes of the format
    };
    const Case cases[] = {
        {"teil.v2", kCadStep, "", "teil.v2.stp", "ISO-10303-21;"},
        {"teil.v2", kCadDxf, "", "teil.v2.dxf", "  0\r\nSECTION"},
        {"aktuell.alt", kCadStep, "", "aktuell.alt.stp", "ISO-10303-21;"},
        {"aktuell.alt", kCadDxf, "", "aktuell.alt.dxf", "  0\r\nSECTION"},
        {"teil.v2", kCadStep, "anderer", "anderer/teil.v2.stp", "ISO-10303-21;"},
        {"aktuell.alt", kCadDxf, "anderer", "anderer/aktuell.alt.dxf", "  0\r\nSECTION"},
    };
    const std::string working = "Zeichnung des Arbeitsstands\n";
    std::filesystem::create_directory(dir / "anderer");
    for (const char* file : {"aktuell.dxf", "aktuell.stp", "anderer/aktuell.dxf"})
        testing::Spit(dir / file, working);
    askBeforeOverwriteFlag = true;
    CadOutputState.execFlag = 0;  // no viewer is started on written files
    const auto run = [](uint16_t code) {
        cancelFlag = false;
        CadBeginOutput(code);
        if (!CadRunActive()) return;
        CadBeginDrawingDefault();
        CadBeginBlocks();
        CadEndSection();
        do {
            CadBeginEntities();
            CadLine(0, 0, 10, 10);
            CadEndSection();
        } while (!CadOutputComplete());
        CadEndOutput();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        currentFileName = c.set;
        const std::filesystem::path written = dir / c.written;
        ui.calls.clear();
        ui.QueueText((dir / c.folder / c.set).string());
        run(c.code);
        EXPECT_FALSE(cancelFlag);
        EXPECT_THAT(ui.TextsOf("message"), IsEmpty());
        EXPECT_THAT(ui.CallsOf("ask"), IsEmpty());
        EXPECT_EQ(CadOutputState.outputFileName, written.string());
        EXPECT_THAT(testing::Slurp(written), ::testing::StartsWith(c.begins));

        testing::Spit(written, "die erste Zeichnung\n");
        ui.calls.clear();
        ui.QueueText((dir / c.folder / c.set).string());
        ui.QueueAnswer(Answer::No);
        run(c.code);
        EXPECT_TRUE(cancelFlag);
        EXPECT_EQ(ui.CallsOf("ask").size(), 1u);
        EXPECT_EQ(testing::Slurp(written), "die erste Zeichnung\n");
    }
    for (const char* file : {"aktuell.dxf", "aktuell.stp", "anderer/aktuell.dxf"})
        EXPECT_EQ(testing::Slurp(dir / file), working) << file;
}

// "Exec CAD App ?" on, and no program opens the written file (a DXF, an STL
// named with the L with stroke, which code page 850 lacks): the message names
// the file as it is; opened, nothing is said.
TEST_F(CadOutputTest, AWrittenFileNoProgramOpensIsNamed) {
    CadOutputState.execFlag = 1;
    SetProgramParams(0, nullptr);
    struct Case {
        uint16_t code;
        std::string path;
        bool opens;
    } cases[] = {{kCadDxf, (dir / "ansicht.dxf").string(), false},
                 {kCadStl,
                  (dir / "k\xC5\x81"
                         "otz.stl")
                      .string(),
                  false},
                 {kCadDxf, (dir / "offen.dxf").string(), true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ui.calls.clear();
        ui.QueueText(c.path);
        if (c.code == kCadStl) ui.QueueText("5");  // the extrusion height
        CadBeginOutput(c.code);
        ASSERT_FALSE(cancelFlag);
        CadBeginDrawingDefault();
        CadBeginEntities();
        CadLine(0, 0, 10, 10);
        CadEndSection();
        ui.QueueBool(c.opens);
        CadEndOutput();
        EXPECT_TRUE(std::filesystem::exists(c.path));
        ASSERT_EQ(ui.CallsOf("open-document").size(), 1u);
        if (c.opens) {
            EXPECT_THAT(ShownTexts(), IsEmpty());
            continue;
        }
        ASSERT_EQ(ShownTexts().size(), 1u);
        EXPECT_EQ(Cp850ToUtf8Carried(ShownTexts()[0]),
                  "Kein Programm zum \xC3\x96"
                  "ffnen gefunden: " +
                      c.path);
    }
}

// The plot file goes to a full disk: the end of the run reports it.
TEST_F(CadOutputTest, FailedFinishIsReported) {
    {
        FaultCalls full(FaultCalls::kFullDisk, 1);
        CadBeginOutput(kCadPlot);
        ASSERT_FALSE(cancelFlag);
        for (int i = 0; i < 10000; ++i) CadLine(i, 0, i, 1);
        CadEndOutput();
    }
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(std::filesystem::exists(dir / "grafmit.dxf"));
    EXPECT_EQ(ShownTexts(), Lines{std::string("Fehler beim Schließen einer Datei"_cp850)});
}

TEST_F(CadOutputTest, WhatReachesTheWriter) {
    BeginRecordedScreenRun();
    CadSetOrigin(10, 20);
    CadCircle(0, 0, 5);
    CadCircleReversed(0, 0, 5);
    CadText("", 1, 1);  // empty text: nothing
    CadText(std::string("Maß"_cp850), 1, 1);
    CadSetOrigin(0, 0);
    CadArc(0, 0, 0, 90, 0, 90);   // radius 0: nothing
    CadArc2D(0, 0, 350, 10, 10);  // across 0 degrees: a 20 degree span
    CadArc2D(0, 0, 0, 360, 10);   // a full turn
    CadEndOutput();
    EXPECT_EQ(Log(), (Lines{"CIRCLE 10.0000 20.0000 5.0000 L0", "CIRCLE 10.0000 20.0000 5.0000 L0",
                            "TEXT '" + std::string("Maß"_cp850) +
                                "' 11.0000 21.0000 h=5.0000 w=1.0000 a=0.0000 L0",
                            "ARC 0.0000 0.0000 350.0000 10.0000 10.0000 sweep 20.0000 L0",
                            "ARC 0.0000 0.0000 0.0000 0.0000 10.0000 sweep 360.0000 L0"}));
}

// Pixels count as square: a device of another shape changes no text angle
// or width, on screen or in a file.
TEST_F(CadOutputTest, TextStyleIsNotCorrectedForTheScreenShape) {
    SetDeviceResolution(800, 480);
    BeginDxfRun("text.dxf");
    CadSetTextStyle(2, 45, 3.5L, 0);
    EXPECT_EQ(CadOutputState.textAngle, 45);
    EXPECT_NEAR(CadOutputState.textWidthFactor, 0.7L, 1E-15L);
    CadSetTextStyle(2, 30, 4, 2);
    EXPECT_EQ(CadOutputState.textWidthFactor, 0.5L);
    CadEndOutput();
    // On screen the style record carries 0.95 of the width.
    CadBeginOutput(kCadScreen);
    CadSetTextStyle(2, 45, 4, 2);
    EXPECT_EQ(DisplayList.back(), "9;4;1.9;2;45");
    CadEndOutput();
}

}  // namespace
}  // namespace veldrim

namespace veldrim {
namespace {

// The scripted window services, counting the replay's event runs.
struct PumpCountingUi : ScriptedUi {
    void ProcessEvents() override { ++pumps; }
    int pumps = 0;
};

// While a screen run is open its drawing is not whole: a replay then lets no
// event in (a command let in would draw inside the run or print half a
// drawing). Before the run and after its end the replay's event run is back.
TEST_F(CadOutputTest, AReplayInsideAnOpenRunLetsNoEventIn) {
    PumpCountingUi counting;
    ScopedUi scope{counting};
    test::RecordingCanvas canvas;
    window.line(0, 0, 10, 10);
    window.ReplayTo(canvas);
    EXPECT_EQ(counting.pumps, 1) << "no run open";
    CadBeginOutput(kCadScreen);
    ASSERT_TRUE(CadRunActive());
    CadBeginDrawingDefault();
    CadBeginEntities();
    CadLine(0, 0, 5, 5);
    window.ReplayTo(canvas);
    EXPECT_EQ(counting.pumps, 1) << "the run is open";
    CadEndSection();
    CadEndOutput();
    window.ReplayTo(canvas);
    EXPECT_EQ(counting.pumps, 2) << "the run has ended";
}

}  // namespace
}  // namespace veldrim
