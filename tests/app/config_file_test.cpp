#include "app/config_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/app_state.h"
#include "app/startup.h"
#include "foundation/codepage.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"
#include "graphics/cad_output.h"
#include "graphics/diagrams/wireframe_3d.h"
#include "graphics/display_list.h"
#include "graphics/graphics_defaults.h"
#include "app_test_support.h"
#include "support/fault_calls.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;

class ConfigFile : public testing::AppFileTest {
protected:
    void SetUp() override {
        AppFileTest::SetUp();
        configurationDirectory = dir;
    }
};

TEST_F(ConfigFile, WrittenAndReadBack) {
    decimalsSetting = 5;
    linesPerPage = 20;
    unitSystem = 3;
    decimalSeparatorOption = 2;
    userDirectory = "/tmp/ü"_cp850.data();
    hardcopyTurned90 = 'N';
    colourGraphics = false;
    printScaleVertical = 1.25;
    ZoomFactor = 1.5L;
    CadOutputState.cadDecimals = 8;
    CadOutputState.layerWidthCodes[5] = 7;
    archiveModeLockOption = true;
    ASSERT_TRUE(WriteConfigFile());
    EXPECT_EQ(decimalSeparatorOption, 2);  // restored after writing

    const std::string text = testing::Slurp(ConfigFilePath());
    EXPECT_NE(text.find("Dezimalstellen\r\n5\r\n"), std::string::npos);
    EXPECT_NE(text.find("Print Scale Vertical\r\n1.2500000"),
              std::string::npos);  // point, not comma
    EXPECT_NE(text.find("Dot=1 Komma=2\r\n2\r\n"), std::string::npos);
    EXPECT_NE(text.find(std::string("Auflösung horizontal"_cp850)), std::string::npos);

    ResetProgramState();
    configurationDirectory = dir;
    CadOutputState = CadOutputRecord{};
    ZoomFactor = 1.2L;
    ASSERT_TRUE(ReadConfigFile());
    EXPECT_EQ(decimalsSetting, 5);
    EXPECT_EQ(linesPerPage, 20);
    EXPECT_EQ(unitSystem, 3);
    EXPECT_EQ(decimalSeparatorOption, 2);
    EXPECT_EQ(userDirectory, "/tmp/\x81");
    EXPECT_EQ(hardcopyTurned90, 'N');
    EXPECT_FALSE(colourGraphics);
    EXPECT_DOUBLE_EQ(printScaleVertical, 1.25);
    EXPECT_EQ(ZoomFactor, 1.5L);
    EXPECT_EQ(CadOutputState.cadDecimals, 8);
    EXPECT_EQ(CadOutputState.layerWidthCodes[5], 7);
    EXPECT_TRUE(archiveModeLockOption);
    archiveModeLockOption = false;
}

// One configuration key: a value other than its start-up value, and whether
// that value is in force.
struct Key {
    std::string label;
    std::function<void()> set;
    std::function<bool()> holds;
};

template <class T, class V>
Key K(std::string label, T& setting, V value) {
    const T v = static_cast<T>(value);
    return {std::move(label), [&setting, v] { setting = v; },
            [&setting, v] { return setting == v; }};
}

// Every key the configuration file keeps, in the file's order, each with a
// value unlike its start-up value.
std::vector<Key> AllKeys() {
    CadOutputRecord& cad = CadOutputState;
    std::vector<Key> k = {
        K("Hilfegrad", helpLevel, 2),
        K("Druckerschnittstelle", printerPort, 2),
        K("Druckerschnittstelle Hardcopy", printerPortHardcopy, 3),
        K("Druckertyp", printerType, 5),
        K("Druckdichte", printDensity, 2),
        K("Druckdicke vertikal", verticalPrintThickness, 3),
        K("Hardcopy um 90\xf8 gedreht ?", hardcopyTurned90, 'N'),
        K("Dezimalstellen", decimalsSetting, 5),
        K("Mode f\x81r Textausdruck 1:* 2:-", reportRuleStyle, 2),
        K("Zeilen pro Seite f\x81r Drucker", linesPerPage, 72),
        K("Farbgrafik", colourGraphics, false),
        K("Grafik-Treiber", graphicsDriver, 9),
        K("Grafik-Mode", graphicsMode, 4),
        K("Aufl\x94sung horizontal", horizontalResolution, 1023),
        K("Aufl\x94sung vertikal", verticalResolution, 767),
        K("Windows-Druckmodus (1=mono 2=color)", windowsPrintMode, 2),
        K("CAD Ordner", cadDirectory, std::string("/cad/out")),
        K("DBF Ordner", databaseDirectory, std::string("/tabellen")),
        K("EDI Ordner", ediDirectory, std::string("/edi")),
        K("PLT Ordner", helpDirectory, std::string("/hilfe")),
        K("Ordner f\x81r tempor\x84re Dateien", userDirectory, std::string("/tmp/\x81")),
        K("Datenbank mode", databaseMode, 2),
        K("externe Datenbank", tableEditorPath, std::string("/usr/bin/tabelle")),
        K("Textprogramm", textEditorPath, std::string("/usr/bin/mousepad")),
        K("HTML Browser", htmlBrowserPath, std::string("/usr/bin/firefox")),
        K("Date Code", dateFormat, 1),
        K("Header Space Lines", headerSpaceLines, 4),
        K("Text Device", textDevice, 6),
        K("Text Device Window ?", textDeviceWindow, true),
        K("Small Online Window ?", smallOnlineWindow, true),
        K("Enter Diagram Limits ?", enterDiagramLimits, true),
        K("Default Data Directory", defaultDataDirectory, std::string("/daten")),
        K("Input Window Scale %", dialogWindowPercentage, 150),
        K("Metric Units=0,  English units=1", unitSystem, 3),
        K("printout with header=1, header page 1 only=2", printoutHeaderMode, 2),
        K("Dot=1 Komma=2", decimalSeparatorOption, 2),
        K("CAD Text Mode", cadTextCharacterSet, 3),
        K("Archive Flag ?", archiveModeLockOption, true),
        K("copy DBF -> TEMP", tablesFromUserDirectory, true),
        {"Text window left/top/width/height",
         [] {
             textWindowLeft = 12, textWindowTop = 34, textWindowWidth = 567, textWindowHeight = 890;
         },
         [] {
             return textWindowLeft == 12 && textWindowTop == 34 && textWindowWidth == 567 &&
                    textWindowHeight == 890;
         }},
        K("Text Font Printout", printoutFont, std::string("DejaVu Sans Mono")),
        K("Text Size Printout", printoutFontSize, 12),
        K("Text Style Printout", printoutTextStyle, 5),
        K("Printer: Portrait=1, Landscape=2", printerOrientation, 1),
        K("Graphic Printout Dialog Box ?", graphicPrintoutDialog, false),
        K("Print Scale Vertical", printScaleVertical, 1.25),
        K("Windows Screendump Scale", screenDumpScale, 0.5),
        K("Windows Screendump Origin X", screenDumpOriginX, -15),
        K("Windows Screendump Origin Y", screenDumpOriginY, 25),
        K("Zoomfaktor", ZoomFactor, 1.5L),
        K("Pan-Faktor", PanFactor, 0.25L),
        K("Hintergrundfarbe", BackgroundColour, RgbColour(255, 255, 255)),
        K("Textstil Grafik", GraphicsTextFont, std::string("DejaVu Sans")),
        K("Textbreitenfaktor Grafik", GraphicsTextWidthFactor, 0.75L),
        K("Text Height Factor", GraphicsTextHeightFactor, 1.5L),
        K("Text Style Graphics", GraphicsTextStyleBits, 8),
        K("GrafikKorrekturFaktor horizontal", GraphicsCorrectionHorizontal, 1.125L),
    };
    for (int i = 0; i < 16; ++i)
        k.push_back(K("Farbtabelle " + std::to_string(i), ColorTable[static_cast<std::size_t>(i)],
                      RgbColour(10 + i, 20, 30)));
    k.push_back(K("Textstil CAD", cad.cadTextStyleName, std::string("ISOCP")));
    k.push_back(K("Textbreitenfaktor CAD", cad.baseWidthFactor, 0.875L));
    k.push_back(K("Textwinkel", cad.configuredObliquingAngle, 15.0L));
    for (int i = 1; i <= 5; ++i) {
        k.push_back(K("Layer " + std::to_string(i), cad.layerNames[static_cast<std::size_t>(i)],
                      "Ebene " + std::to_string(i)));
        k.push_back(K("Farbe " + std::to_string(i),
                      cad.layerColorIndex[static_cast<std::size_t>(i)], 7 + i));
    }
    for (int i = 1; i <= 16; ++i) {
        const auto e = static_cast<std::size_t>(i - 1);
        k.push_back(K("Pen " + std::to_string(i), cad.penNumbers[e], 17 - i));
        k.push_back(K("Pen width " + std::to_string(i), cad.penWidths[e], 2 + i));
    }
    k.push_back(K("Layer Color Mode", cad.layerColorMode, 2));
    k.push_back(K("Layer Monochrom", cad.layerMonochrom, 1));
    k.push_back(K("Decimals DXF,TXT", cad.cadDecimals, 9));
    k.push_back(K("Scale Factor", cad.baseScale, 2.5L));
    k.push_back(K("Drawing Footer ?", cad.sheetOptions[kSheetFooterOption], 1));
    k.push_back(K("Exec CAD App ?", cad.execFlag, 0));
    k.push_back(K("Polyline Arc -> Lines ?", cad.arcsAsLinesFlag, 0));
    k.push_back(K("Resolution Arc -> Lines", cad.chordTolerance, 0.025L));
    k.push_back(K("STL Type (0=Binary 1=ASCII)", cad.stlFileType, 1));
    k.push_back(K("STL Dir invers", cad.stlDirInvers, 1));
    for (int i = 0; i <= 5; ++i)
        k.push_back(K("Line thickness Layer " + std::to_string(i),
                      cad.layerWidthCodes[static_cast<std::size_t>(i)], 10 + i));
    k.push_back(K("Edit 3D x,y,z ?", View3DState.edit3DView, 0));
    k.push_back(K("Draw w/o coordinate system ?", View3DState.withoutCoordinateSystem, 0));
    k.push_back(K("3D projected in CAD files ?", View3DState.fileOutput3D, 0));
    k.push_back(K("Zoom mit dem Mausrad", WheelZoomSwitch, 1));
    return k;
}

// Each key alone: set, write, reset all state, read, and the value is back.
TEST_F(ConfigFile, EveryKeyRoundTrips) {
    for (const Key& key : AllKeys()) {
        ResetAllProgramState();
        configurationDirectory = dir;
        ASSERT_FALSE(key.holds()) << key.label << ": the test value is the start-up value";
        key.set();
        ASSERT_TRUE(WriteConfigFile()) << key.label;
        ResetAllProgramState();
        configurationDirectory = dir;
        ASSERT_TRUE(ReadConfigFile()) << key.label;
        EXPECT_TRUE(key.holds()) << key.label << " is not kept by the configuration file";
    }
}

TEST_F(ConfigFile, LabelsInTheFilesOrder) {
    std::vector<std::string> expected;
    for (const Key& key : AllKeys()) expected.push_back(key.label);
    EXPECT_EQ(ConfigLabels(), expected);
}

// The text window is one line of bar fields, the 3D output switch is kept
// inverted, and the wheel-zoom switch is the last line.
TEST_F(ConfigFile, LinesOfTheirOwnForm) {
    View3DState.fileOutput3D = 0;
    WheelZoomSwitch = 1;
    ASSERT_TRUE(WriteConfigFile());
    const std::string text = testing::Slurp(ConfigFilePath());
    EXPECT_NE(text.find("\r\nText window left/top/width/height\r\n10|40|700|440|\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\r\n3D projected in CAD files ?\r\n1\r\n"), std::string::npos);
    // The footer is on at start-up (its option byte 0): the file says 1.
    EXPECT_NE(text.find("\r\nDrawing Footer ?\r\n1\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nArchive Flag ?\r\nFALSE\r\ncopy DBF -> TEMP\r\nFALSE\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\r\nPen 16\r\n16\r\nPen width 16\r\n1\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nFarbtabelle 1\r\n8388608\r\n"), std::string::npos)  // navy
        << "blue 128 is 128 * 65536";
    EXPECT_NE(text.find("\r\nLayer 4\r\n4\r\nFarbe 4\r\n3\r\n"), std::string::npos);
    const std::string tail = "\r\nZoom mit dem Mausrad\r\n1\r\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

// A file written before the text window took one line and before the colour
// table, the layers, the 3D output and the wheel zoom were kept.
TEST_F(ConfigFile, FileOfTheFormerLayoutReads) {
    std::ofstream(ConfigFilePath(), std::ios::binary)
        << "Dezimalstellen\r\n4\r\n"
           "Text window left\r\n5\r\nText window top\r\n6\r\n"
           "Text window width\r\n600\r\nText window height\r\n300\r\n"
           "Zoomfaktor\r\n1.5000000\r\n"
           "Line thickness Layer 5\r\n7\r\n";
    ASSERT_TRUE(ReadConfigFile());
    EXPECT_EQ(decimalsSetting, 4);
    EXPECT_EQ(textWindowLeft, 5);
    EXPECT_EQ(textWindowTop, 6);
    EXPECT_EQ(textWindowWidth, 600);
    EXPECT_EQ(textWindowHeight, 300);
    EXPECT_EQ(ZoomFactor, 1.5L);
    EXPECT_EQ(CadOutputState.layerWidthCodes[5], 7);
    // Start-up values: navy and silver, layer "4" in colour 3, 3D output on,
    // no wheel zoom.
    EXPECT_EQ(ColorTable[1], RgbColour(0, 0, 128));
    EXPECT_EQ(ColorTable[7], RgbColour(192, 192, 192));
    EXPECT_EQ(CadOutputState.layerNames[4], "4");
    EXPECT_EQ(CadOutputState.layerColorIndex[4], 3);
    EXPECT_EQ(View3DState.fileOutput3D, 1);
    EXPECT_EQ(WheelZoomSwitch, 0);
    // Nor were the tables in the user directory, the pens and the CAD
    // options: their start-up values hold.
    EXPECT_FALSE(tablesFromUserDirectory);
    EXPECT_EQ(CadOutputState.penNumbers[15], 16);
    EXPECT_EQ(CadOutputState.chordTolerance, 0.1L);
    EXPECT_EQ(CadOutputState.sheetOptions[kSheetFooterOption], 0) << "footer on";
    EXPECT_EQ(CadOutputState.arcsAsLinesFlag, 1);
    EXPECT_FALSE(cancelFlag);
}

// A short bar line fills the fields it has; the others keep their values.
TEST_F(ConfigFile, ShortBarLine) {
    std::ofstream(ConfigFilePath(), std::ios::binary)
        << "Text window left/top/width/height\r\n1|x|\r\n3D projected in CAD files ?\r\n";
    ASSERT_TRUE(ReadConfigFile());
    EXPECT_EQ(textWindowLeft, 1);
    EXPECT_EQ(textWindowTop, 40);
    EXPECT_EQ(textWindowWidth, 700);
    EXPECT_EQ(textWindowHeight, 440);
    EXPECT_EQ(View3DState.fileOutput3D, 1);
    EXPECT_FALSE(cancelFlag);
}

TEST_F(ConfigFile, UnknownAndMissingLabelsAndBadValues) {
    std::ofstream(ConfigFilePath(), std::ios::binary)
        << "Label from a newer version\r\n42\r\n"
           "Zeilen pro Seite f\x81r Drucker\n30\n"
           "Dezimalstellen\r\nviele\r\n"
           "Decimals DXF,TXT\r\n99\r\n"
           "Hilfegrad\r\n";  // a label without its value line at the end
    ASSERT_TRUE(ReadConfigFile());
    EXPECT_EQ(linesPerPage, 30);
    EXPECT_EQ(decimalsSetting, 3);             // "viele" keeps the start-up value
    EXPECT_EQ(CadOutputState.cadDecimals, 6);  // outside 1..32
    EXPECT_EQ(helpLevel, 1);
    EXPECT_EQ(unitSystem, 0);  // missing label: start-up value
}

TEST_F(ConfigFile, MissingFileKeepsDefaults) {
    EXPECT_FALSE(ReadConfigFile());
    EXPECT_EQ(decimalsSetting, 3);
    EXPECT_EQ(linesPerPage, 66);
}

// A read of the configuration or the session file that fails, the first one
// or the one that would find the end, gives no setting and no folder: each
// keeps the value it had, and the message names the file and the reason.
TEST_F(ConfigFile, AFailedReadTakesNothingFromTheFile) {
    linesPerPage = 20;
    ASSERT_TRUE(WriteConfigFile());
    dataDirectory = "/data/gears";
    ASSERT_TRUE(WriteSessionFile());
    const struct {
        const char* what;
        std::string leaf;
        long read;
        std::function<bool()> readFile;
    } cases[] = {
        {"configuration, first read", programShortName + ".cfg", 1, ReadConfigFile},
        {"configuration, read at the end", programShortName + ".cfg", 2, ReadConfigFile},
        {"session, first read", programShortName + ".cff", 1, ReadSessionFile},
        {"session, read at the end", programShortName + ".cff", 2, ReadSessionFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        linesPerPage = 66;
        dataDirectory.clear();
        ui.calls.clear();
        testing::FaultCalls fail(testing::FaultCalls::kFailRead, c.read, EIO);
        testing::FaultCalls::ReadsOf(c.leaf);
        EXPECT_FALSE(c.readFile());
        EXPECT_TRUE(testing::FaultCalls::Fired());
        EXPECT_EQ(linesPerPage, 66);
        EXPECT_EQ(dataDirectory, "");
        ASSERT_EQ(ui.CallsOf("message").size(), 1u);
        EXPECT_THAT(ui.CallsOf("message")[0].text, ::testing::HasSubstr(dir + "/" + c.leaf));
        EXPECT_THAT(ui.CallsOf("message")[0].text, ::testing::HasSubstr("(Input/output error)"));
    }
}

TEST_F(ConfigFile, LabelsAreUnique) {
    auto labels = ConfigLabels();
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(std::adjacent_find(labels.begin(), labels.end()), labels.end());
}

TEST_F(ConfigFile, SessionFileKeepsFolderAndRecentFiles) {
    dataDirectory = "/data/gears";
    AddRecentFile("/a.qb3");
    AddRecentFile("/b.qb3");
    AddRecentFile("/a.qb3");  // moves to the top, no duplicate
    for (int i = 0; i < 5; ++i) AddRecentFile("/c" + std::to_string(i) + ".qb3");
    AddRecentFile("/a.qb3");
    ASSERT_TRUE(WriteSessionFile());
    const auto list = recentFilesList;
    dataDirectory.clear();
    recentFilesList = {};
    ASSERT_TRUE(ReadSessionFile());
    EXPECT_EQ(dataDirectory, "/data/gears");
    EXPECT_EQ(recentFilesList, list);
    EXPECT_EQ(recentFilesList[0], "/a.qb3");
    EXPECT_EQ(recentFilesList[1], "/c4.qb3");
}

TEST(CommandLine, SwitchesIgnoreCaseAndPathsWin) {
    auto cl = ParseCommandLine({"demo.qb3", "/i", "/NoGui"});
    EXPECT_EQ(cl.file, "demo.qb3");
    EXPECT_TRUE(cl.report);
    EXPECT_TRUE(cl.noGui);
    cl = ParseCommandLine({"/cad1:3", "x.qb3"});
    EXPECT_EQ(cl.cadFormat, 1);
    EXPECT_EQ(cl.cadItem, 3);
    cl = ParseCommandLine({"/tmp", "/E"});  // an existing path is the file
    EXPECT_EQ(cl.file, "/tmp");
    EXPECT_TRUE(cl.exchange);
    cl = ParseCommandLine({"/?"});
    EXPECT_TRUE(cl.usage);
    cl = ParseCommandLine({"/no/such/file.qb3", "/I"});
    EXPECT_EQ(cl.file, "/no/such/file.qb3");
    cl = ParseCommandLine({"a.qb3", "/X", "/CAD:1"});
    ASSERT_EQ(cl.unknown.size(), 2u);
    EXPECT_EQ(UsageText("veldrim").substr(0, 56),
              "veldrim Filename [/I] [/CADi:j] [/E] [/NOGUI] [/ARCHIV]\n");
}

}  // namespace
}  // namespace veldrim
