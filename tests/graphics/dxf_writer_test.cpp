// The exchange writers: DXF goldens and whole files read by ezdxf; the
// drawing-record text writer's numbers, arcs and a whole run.

#include "graphics/formats/dxf_writer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <random>
#include <clocale>
#include <limits>
#include <sstream>
#include <tuple>

#include "dxf_test_support.h"
#include "foundation/codepage.h"
#include "graphics/blocks.h"
#include "graphics/cad_primitives.h"
#include "graphics/polylines_dims.h"

using ::testing::AnyOf;
using ::testing::IsEmpty;

namespace veldrim {
namespace {

using testing_support::CadFixture;

constexpr Real kPi = 3.141592653589793238462643383279502884L;

// Group lines written as "code|value|code|value", each ended by CR LF.
std::string G(std::string_view text) {
    std::string s;
    for (char c : text) s += c == '|' ? std::string("\r\n") : std::string(1, c);
    return s + "\r\n";
}

class DxfWriterTest : public CadFixture {};

// Exchange numbers take the CAD decimals only, never the display's decimals
// setting nor the locale; DXF and drawing-record numbers alike.
TEST_F(DxfWriterTest, NumberFormatNFollowsOnlyTheCadDecimals) {
    const struct {
        int decimals;
        Real value;
        const char* text;
    } cases[] = {
        {6, 12.5L, "12.500000"},
        {6, -1E-9L, "0.000000"},
        {0, 1.5L, "1.500000"},
        {33, 1.5L, "1.500000"},
        {1, 0.25L, "0.2"},
        {20, 0.1L, "0.10000000000000000000"},  // beyond a double: the 80-bit value
        {6, std::numeric_limits<Real>::quiet_NaN(), "0.000000"},
        {6, std::numeric_limits<Real>::infinity(), "0.000000"},
    };
    for (int displayDecimals : {3, 0, 9}) {
        decimalsSetting = displayDecimals;
        for (const auto& c : cases) {
            CadOutputState.cadDecimals = c.decimals;
            DxfWriter w;
            w.DxfWriteNumber(c.value);
            EXPECT_EQ(w.stream.MemoryText(), std::string(c.text) + "\r\n")
                << "decimals " << c.decimals << ", display " << displayDecimals;
        }
        CadOutputState.cadDecimals = 3;
        EXPECT_EQ(TxtNumberText(-12.3456L), "-12.346") << displayDecimals;
    }
    // Nor the C locale.
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.utf8") == nullptr) GTEST_SKIP() << "no German locale";
    DxfWriter w;
    w.DxfWriteFixed(0.25L);
    const std::string text = TxtNumberText(1.5L);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(w.stream.MemoryText() + text, "0.25000000\r\n1.500");
}

// The fixed-point text of exchange numbers is the library's fixed conversion
// of the value as a double (exact binary value, ties to even), for every
// count of decimals and across the magnitudes a drawing holds: random
// mantissas, exact binary fractions (ties at every decimal) and decimal
// fractions, both signs; negative zero written as zero.
TEST_F(DxfWriterTest, FixedPointTextIsTheExactDecimalOfTheDouble) {
    std::mt19937_64 random(27);
    int checked = 0;
    for (int i = 0; i < 300000; ++i) {
        const int decimals = static_cast<int>(random() % 16);
        double x = 0;
        switch (i % 3) {
            case 0:
                x = std::ldexp(static_cast<double>(random() >> 11),
                               static_cast<int>(random() % 80) - 70);
                break;
            case 1:
                x = static_cast<double>(static_cast<long long>(random() % 2000001) - 1000000) /
                    8.0 / static_cast<double>(1 << (random() % 10));
                break;
            default: x = (static_cast<double>(random() % 100000000) - 5E7) * 0.001;
        }
        if (random() & 1) x = -x;
        if (!(std::fabs(x) < std::pow(10.0, 15 - decimals))) continue;
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
        std::string expected(buf, r.ptr);
        if (expected[0] == '-' && expected.find_first_not_of("0.", 1) == std::string::npos)
            expected.erase(0, 1);
        ASSERT_EQ(FixedPointText(static_cast<Real>(x), decimals), expected)
            << "decimals " << decimals;
        ++checked;
    }
    EXPECT_GT(checked, 200000);
    const struct {
        double value;
        int decimals;
        const char* text;
    } ties[] = {
        {0.125, 2, "0.12"},
        {0.375, 2, "0.38"},
        {2.5, 0, "2"},
        {-0.0, 3, "0.000"},
        {-0.0004, 3, "0.000"},
        {1E-300, 6, "0.000000"},
        {999999999999999.0, 0, "999999999999999"},
    };
    for (const auto& t : ties)
        EXPECT_EQ(FixedPointText(static_cast<Real>(t.value), t.decimals), t.text) << t.value;
}

// One golden text per entity kind, with 3 decimals for coordinates: angles,
// scales, bulges and width factors keep their fixed precision.
TEST_F(DxfWriterTest, EntityGoldens) {
    CadOutputState.cadDecimals = 3;
    CadOutputState.layerNames[1] = "MITTE";
    CadOutputState.cadCode = kCadDxf;
    DxfSelectLayer(1);
    std::tie(CadOutputState.textHeight, CadOutputState.textWidthFactor, CadOutputState.textAngle) =
        std::tuple(3.5L, 0.7L, 38.66L);
    CadOutputState.textObliquingAngle = 0;
    const std::string arc =
        G("  0|ARC|  8|MITTE| 10|1.000| 20|2.000| 40|4.000| 50|30.00000000| 51|120.00000000");
    const struct {
        const char* name;
        void (*write)(DxfWriter&);
        std::string golden;
    } cases[] = {
        {"arc", [](DxfWriter& w) { w.DxfWriteArc(1, 2, 30, 120, 4, 0); }, arc},
        // A clockwise arc: the same points counter-clockwise, no group 230.
        {"clockwise arc", [](DxfWriter& w) { w.DxfWriteArc(1, 2, 120, 30, 4, -1); }, arc},
        {"text", [](DxfWriter& w) { w.DxfWriteText("M 20", 5, 6); },
         G("  0|TEXT|  8|MITTE| 10|5.000| 20|6.000| 40|3.500|  1|M 20|  7|STANDARD| 41|0.70000000| "
           "50|38.66000000"
           "| 51|0.00000000")},
        {"solid", [](DxfWriter& w) { w.DxfWriteSolid(0, 0, 1, 0, 0, 1, 1, 1); },
         G("  0|SOLID|  8|MITTE| 10|0.000| 20|0.000| 11|1.000| 21|0.000| 12|0.000| 22|1.000| "
           "13|1.000| 23|1.000")},
        {"insert", [](DxfWriter& w) { w.DxfWriteInsert("LOGO_2", 10, 20, 90, 2, 0.5L); },
         G("  0|INSERT|  8|MITTE|  2|LOGO_2| 10|10.000| 20|20.000| 41|2.00000000| 42|0.50000000| "
           "50|90.00000000")},
    };
    for (const auto& c : cases) {
        DxfWriter w;
        c.write(w);
        EXPECT_EQ(w.stream.MemoryText(), c.golden) << c.name;
    }
}

TEST_F(DxfWriterTest, TextsTakeTheCadCharacterSetExceptInScreenBlockFiles) {
    const std::string oil(std::string("Ölstand"_cp850));
    cadTextCharacterSet = 3;  // plain ASCII
    for (auto [code, expected] :
         {std::pair{kCadDxf, std::string("Oelstand")}, std::pair{kCadScreen, oil}}) {
        CadOutputState.cadCode = code;
        DxfWriter w;
        w.DxfWriteText(oil, 0, 0);
        EXPECT_NE(w.stream.MemoryText().find("\r\n" + expected + "\r\n"), std::string::npos)
            << code;
    }
    // A line break in a text cannot split the group.
    DxfWriter w;
    w.DxfWriteText("A\r\nB", 0, 0);
    EXPECT_NE(w.stream.MemoryText().find("\r\nA  B\r\n  7\r\nSTANDARD"), std::string::npos);
}

// A folder holds the plot file's name: the file-error message, the cancel
// flag, no run left open.
TEST_F(DxfWriterTest, AFileThatCannotBeCreatedIsReported) {
    std::filesystem::create_directories(dir / "grafmit.dxf");
    CadBeginOutput(kCadPlot);
    EXPECT_TRUE(cancelFlag);
    EXPECT_FALSE(CadRunActive());
    EXPECT_THAT(CadOutputState.outputFileName, IsEmpty());
    EXPECT_EQ(ShownTexts(),
              std::vector<std::string>{"Datei " + (dir / "grafmit.dxf").string() +
                                       " ist ein Ordner und wird nicht \x81" + "berschrieben !"});
}

TEST_F(DxfWriterTest, RecordNumbersFollowDecimalsAndSeparator) {
    const struct {
        int decimals, separator;
        Real value;
        const char* text;
    } cases[] = {{3, 2, -3.5L, "-3,500"},
                 {3, 1, -0.0001L, "0.000"},
                 {1, 1, 2.25L, "2.2"},
                 {40, 1, 2, "2.000000"}};
    for (const auto& c : cases) {
        CadOutputState.cadDecimals = c.decimals;
        decimalSeparatorOption = static_cast<int16_t>(c.separator);
        EXPECT_EQ(TxtNumberText(c.value), c.text) << c.decimals;
    }
    CadOutputState.cadDecimals = 1;
    decimalSeparatorOption = 2;
    TxtWriter w;
    w.TxtWriteLine(1, 2, 3.5L, 0);
    w.TxtMoveTo3D(1, 2, 3);
    w.TxtLineTo3D(4, 5, 6);
    EXPECT_EQ(w.stream.MemoryText(),
              "LINE\t1,0\t2,0\t3,5\t0,0\r\n3D_LINE\t1,0\t2,0\t3,0\t4,0\t5,0\t6,0\r\n");
}

TEST_F(DxfWriterTest, RecordFullCirclesAndArcs) {
    CadOutputState.cadDecimals = 1;
    const struct {
        Real start, end, sweep;
        const char* line;
    } cases[] = {
        {0, 360, 360, "CIRCLE\t1.0\t2.0\t3.0"},
        {45, 45, 0, "CIRCLE\t1.0\t2.0\t3.0"},
        {0.000001L, 359.999995L, 360, "CIRCLE\t1.0\t2.0\t3.0"},
        {0, 359.9L, 359.9L, "ARC\t1.0\t2.0\t3.0\t0.0\t359.9"},
        {30, 120, 90, "ARC\t1.0\t2.0\t3.0\t30.0\t120.0"},
        // A clockwise arc from 120 down to 30 is the same arc counter-clockwise.
        {120, 30, -90, "ARC\t1.0\t2.0\t3.0\t30.0\t120.0"},
    };
    for (const auto& c : cases) {
        TxtWriter w;
        w.TxtWriteArc(1, 2, c.start, c.end, 3, c.sweep);
        EXPECT_EQ(w.stream.MemoryText(), std::string(c.line) + "\r\n") << c.start << " " << c.end;
    }
}

TEST_F(DxfWriterTest, AWholeRecordRun) {
    CadOutputState.cadDecimals = 2;
    cadTextCharacterSet = 3;
    CadOutputState.execFlag = 1;  // the written file is opened afterwards
    std::filesystem::create_directories(dir / "my.dir");
    ui.QueueText((dir / "my.dir" / "drawing.xyz").string());  // the extension is replaced
    CadBeginOutput(kCadTxt);
    ASSERT_FALSE(cancelFlag);
    CadBeginDrawing(0, 0, 160, 120, 0);
    CadWriteTables(2);
    CadBeginBlocks();
    CadBeginBlock("B1");
    CadSetLayer(3);
    CadLine(0, 0, 1, 0);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    CadCircle(5, 5, 2);
    CadArc(0, 0, 90, 0, 4, -90);
    CadSetTextStyle(2, 0, 3.5L, 2.5L);
    CadText(std::string("Maß\t1"_cp850), 1, 2);
    CadSolid(0, 0, 1, 0, 0, 1, 1, 1);
    CadInsertBlock("B1", 10, 20, 90, 1, 2);
    CadEndSection();
    CadEndOutput();
    ASSERT_FALSE(cancelFlag);
    EXPECT_EQ(CadOutputState.currentLayerName, "3");
    EXPECT_EQ(ui.CallsOf("open-document").size(), 1u);
    EXPECT_EQ(ReadFile(dir / "my.dir" / "drawing.txt"),
              "MINMAX\t0.00\t0.00\t160.00\t120.00\r\nSECTION BLOCKS\r\nBLOCK\tB1\r\n"
              "LINE\t0.00\t0.00\t1.00\t0.00\r\nEND OF BLOCK\r\nSECTION ENTITIES\r\n"
              "CIRCLE\t5.00\t5.00\t2.00\r\nARC\t0.00\t0.00\t4.00\t0.00\t90.00\r\nTEXT\t1.00\t2."
              "00\tMass 1\r\n"
              "SOLID\t0.00\t0.00\t1.00\t0.00\t0.00\t1.00\t1.00\t1.00\r\nINSERT\tB1\t10.00\t20."
              "00\t90.00\t1.00\t2.00\r\n"
              "EOF\r\n");
}

class DxfFileTest : public CadFixture {
protected:
    void SetUp() override {
        CadFixture::SetUp();
        if (!testing_support::HaveEzdxfChecker()) GTEST_SKIP() << "python3-ezdxf missing";
        CadOutputState.layerNames = {"0", "MITTE", "VERDECKT", "MASS", "DUENN", "DICK"};
    }
    // The checker's lines for a written file, whose audit must be clean.
    std::vector<std::string> Check(const std::filesystem::path& file) {
        int code = -1;
        std::vector<std::string> lines = testing_support::EzdxfCheckLines(file, code);
        const std::string out = testing::Slurp(file.string() + ".out");
        EXPECT_EQ(code, 0) << out;
        EXPECT_TRUE(Has(lines, "AUDIT errors=0 fixes=0")) << out;
        return lines;
    }
    static bool Has(const std::vector<std::string>& lines, const std::string& l) {
        return std::ranges::count(lines, l) > 0;
    }
    static long Count(const std::vector<std::string>& lines, const std::string& prefix) {
        return std::ranges::count_if(lines,
                                     [&](const std::string& l) { return l.starts_with(prefix); });
    }
};

TEST_F(DxfFileTest, ADrawingReadsBackAsDrawn) {
    const std::filesystem::path file = BeginDxfRun("drawing.dxf");
    CadBeginDrawing(0, 0, 200, 150, 0);
    CadWriteTables(2);
    CadBeginBlocks();
    CadBeginBlock("INNER");
    CadSetLayer(1);
    CadLine(0, 0, 1, 0);
    CadEndBlock();
    CadBeginBlock("OUTER");
    CadSetLayer(0);
    CadLine(0, 0, 0, 5);
    CadInsertBlock("INNER", 10, 0, 90, 2, 1);
    CadEndBlock();
    CadEndSection();
    CadBeginEntities();
    CadSetLayer(0);
    CadLine(1, 2, 3, 4);
    CadSetLayer(3);
    CadCircle(50, 50, 10);
    CadSetLayer(4);
    // Clockwise quarter from 90 to 0 degrees: its midpoint lies at 45 degrees.
    CadArc(100, 100, 90, 0, 20, -90);
    // The middle segment turns clockwise: that arc rises above its chord
    // from (10, 0) to (20, 0).
    CadSetLayer(2);
    CadBeginPolyline(0);
    CadPolylineVertex(0, 0, 0);
    CadPolylineVertex(10, 0, -kPi / 2);
    CadPolylineVertex(20, 0, 0);
    CadEndPolyline();
    CadSetLayer(5);
    CadSetTextStyle(2, 30, 5, 3.5L);
    CadText(std::string("Maß 20°"_cp850), 10, 140);
    CadSetLayer(17);
    CadSolid(0, 0, 10, 0, 0, 10, 10, 10);
    CadSetLayer(0);
    CadInsertBlock("OUTER", 100, 50, 0, 1, 1);
    // A reference takes the position as given; the offset form adds the origin.
    CadSetOrigin(10, 20);
    CadInsertBlock("INNER", 1, 2, 0, 1, 1);
    CadInsertBlockOffset("INNER", 1, 2, 0, 1, 1);
    CadEndSection();
    CadEndOutput();
    ASSERT_FALSE(cancelFlag);

    const auto lines = Check(file);
    for (const char* expected : {
             "LINE 1.0000 2.0000 3.0000 4.0000 0",
             "CIRCLE 50.0000 50.0000 10.0000 MASS",
             "ARC 100.0000 100.0000 20.0000 0.0000 90.0000 mid 114.1421 114.1421 normalz 1.0000 "
             "DUENN",
             "POLYLINE 3 closed=0 VERDECKT",
             "  VERTEX 10.0000 0.0000 bulge=-0.4142",
             "  ARCSEG mid 15.0000 2.0711 r=7.0711",
             "TEXT 'Maß 20°' 10.0000 140.0000 h=5.0000 w=0.7000 a=30.0000 style=STANDARD DICK",
             "SOLID 0.0000 0.0000 10.0000 0.0000 0.0000 10.0000 10.0000 10.0000 17",
             "INSERT OUTER 100.0000 50.0000 sx=1.0000 sy=1.0000 a=0.0000 0",
             "  LINE 100.0000 50.0000 100.0000 55.0000 0",
             "  INSERT INNER 110.0000 50.0000 sx=2.0000 sy=1.0000 a=90.0000 0",
             "    LINE 110.0000 50.0000 110.0000 52.0000 MITTE",
             "INSERT INNER 1.0000 2.0000 sx=1.0000 sy=1.0000 a=0.0000 0",
             "INSERT INNER 11.0000 22.0000 sx=1.0000 sy=1.0000 a=0.0000 0",
             "BLOCK INNER 1",
             "BLOCK OUTER 2",
         })
        EXPECT_TRUE(Has(lines, expected)) << expected << "\n" << ::testing::PrintToString(lines);
    // One entity of each kind in the model space.
    for (const char* kind : {"LINE ", "CIRCLE ", "ARC ", "POLYLINE ", "TEXT ", "SOLID ", "INSERT "})
        EXPECT_EQ(Count(lines, kind), kind[0] == 'I' ? 3 : 1) << kind;
    EXPECT_FALSE(std::filesystem::exists(dir / "$INNER.dx$")) << "exchange files keep their blocks";
}

TEST_F(DxfFileTest, EveryLayerSetReadsBack) {
    CadOutputState.layerColorIndex = {9, 2, 3, 4, 5, 6};
    CadOutputState.penNumbers[0] = 12;
    const struct {
        int layerSet, layers, drawOn;
        std::vector<std::string> some;
        int monochrome = 0;
    } cases[] = {
        {0, 6, 5, {"LAYER MITTE 1 DASHDOT", "LAYER DICK 1 CONTINUOUS"}, 1},
        {0,
         6,
         5,
         {"LAYER 0 1 CONTINUOUS", "LAYER MITTE 2 DASHDOT", "LAYER VERDECKT 3 DASHED",
          "LAYER DICK 6 CONTINUOUS"}},
        {1, 16, 15, {"LAYER 0 1 CONTINUOUS", "LAYER 1 2 CONTINUOUS", "LAYER 15 16 CONTINUOUS"}},
        {2,
         22,
         31,
         {"LAYER DICK 6 CONTINUOUS", "LAYER 16 12 CONTINUOUS", "LAYER 17 2 CONTINUOUS",
          "LAYER 31 16 CONTINUOUS"}},
    };
    for (const auto& c : cases) {
        CadOutputState.layerMonochrom = c.monochrome;
        const auto file = BeginDxfRun(("set" + std::to_string(c.layerSet) + ".dxf").c_str());
        CadBeginDrawingDefault();
        CadWriteTables(c.layerSet);
        CadBeginBlocks();
        CadEndSection();
        CadBeginEntities();
        CadSetLayer(c.drawOn);
        CadLine(0, 0, 1, 1);
        CadEndSection();
        CadEndOutput();
        const auto lines = Check(file);  // "LAYER name colour linetype"
        for (const auto& l : c.some) EXPECT_TRUE(Has(lines, l)) << c.layerSet << ": " << l;
        // ezdxf adds the standard layer "Defpoints" of its own when missing.
        const long layers = Count(lines, "LAYER ");
        EXPECT_THAT(layers, AnyOf(c.layers, c.layers + 1)) << c.layerSet;
    }
}

// The header declares the code page the texts are written in, and ezdxf,
// reading by that declaration, gets the texts back as drawn.
TEST_F(DxfFileTest, TextsReadBackInTheDeclaredCodePage) {
    const struct {
        int16_t characterSet;
        const char* codePage;
        const char* text;  // as ezdxf reads it
    } cases[] = {
        {1, "ANSI_850", "Zähnezahl ÄÖÜ 20° mm²"},
        {2, "ANSI_1252", "Zähnezahl ÄÖÜ 20° mm²"},
        {3, "ANSI_1252", "Zaehnezahl AeOeUe 20deg mm2"},
    };
    for (const auto& c : cases) {
        cadTextCharacterSet = c.characterSet;
        const auto file = BeginDxfRun(("set" + std::to_string(c.characterSet) + ".dxf").c_str());
        CadBeginDrawingDefault();
        CadWriteTables(0);
        CadBeginBlocks();
        CadEndSection();
        CadBeginEntities();
        CadSetTextStyle(2, 0, 5, 3.5L);
        CadText(std::string("Zähnezahl ÄÖÜ 20° mm²"_cp850), 10, 20);
        CadEndSection();
        CadEndOutput();
        ASSERT_FALSE(cancelFlag) << c.characterSet;
        const auto lines = Check(file);
        EXPECT_TRUE(Has(lines, std::string("CODEPAGE ") + c.codePage))
            << c.characterSet << "\n"
            << ::testing::PrintToString(lines);
        const std::string text = std::string("TEXT '") + c.text + "' 10.0000 20.0000";
        EXPECT_EQ(
            std::ranges::count_if(lines, [&](const std::string& l) { return l.starts_with(text); }),
            1)
            << c.characterSet << "\n"
            << ::testing::PrintToString(lines);
    }
}

// A DXF save that does not end keeps the old file, and leaves no temporary
// file; a finished one replaces the file a link points to, keeping the link.
TEST_F(DxfWriterTest, ADxfSaveReplacesItsFileOnlyWhenFinished) {
    testing::Spit((dir / "gear.dxf").string(), "old drawing");
    BeginDxfRun("gear.dxf");
    CadBeginDrawingDefault();
    CadBeginEntities();
    CadLine(0, 0, 1, 1);
    ResetCadOutputState();  // the run is dropped before its end
    EXPECT_EQ(ReadFile(dir / "gear.dxf"), "old drawing");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);

    std::filesystem::create_directory(dir / "real");
    std::filesystem::rename(dir / "gear.dxf", dir / "real" / "gear.dxf");
    std::filesystem::create_symlink("real/gear.dxf", dir / "gear.dxf");
    BeginDxfRun("gear.dxf");
    CadBeginDrawingDefault();
    CadBeginEntities();
    CadLine(0, 0, 1, 1);
    CadEndSection();
    CadEndOutput();
    ASSERT_FALSE(cancelFlag);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "gear.dxf"));
    EXPECT_TRUE(ReadFile(dir / "real" / "gear.dxf").ends_with("EOF\r\n"));
}

}  // namespace
}  // namespace veldrim
