// The drawing-record text writer: number texts, the full-circle rule, and a
// whole run written to a file.

#include "graphics/record_writer.h"

#include <gtest/gtest.h>

#include "dxf_test_support.h"
#include "foundation/codepage.h"
#include "graphics/blocks.h"
#include "graphics/cad_primitives.h"

namespace veldrim {
namespace {

using testing_support::CadFixture;

class RecordWriterTest : public CadFixture {};

TEST_F(RecordWriterTest, NumbersFollowDecimalsAndSeparator) {
    const struct {
        int decimals, separator;
        Real value;
        const char* text;
    } cases[] = {{3, 2, -3.5L, "-3,500"}, {3, 1, -0.0001L, "0.000"}, {1, 1, 2.25L, "2.2"}, {40, 1, 2, "2.000000"}};
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
    EXPECT_EQ(w.stream.MemoryText(), "LINE\t1,0\t2,0\t3,5\t0,0\r\n3D_LINE\t1,0\t2,0\t3,0\t4,0\t5,0\t6,0\r\n");
}

TEST_F(RecordWriterTest, FullCirclesAndArcs) {
    CadOutputState.cadDecimals = 1;
    const struct {
        Real start, end, sweep;
        const char* line;
    } cases[] = {
        {0, 360, 360, "CIRCLE\t1.0\t2.0\t3.0"}, {45, 45, 0, "CIRCLE\t1.0\t2.0\t3.0"},
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

TEST_F(RecordWriterTest, AWholeRun) {
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
              "CIRCLE\t5.00\t5.00\t2.00\r\nARC\t0.00\t0.00\t4.00\t0.00\t90.00\r\nTEXT\t1.00\t2.00\tMass 1\r\n"
              "SOLID\t0.00\t0.00\t1.00\t0.00\t0.00\t1.00\t1.00\t1.00\r\nINSERT\tB1\t10.00\t20.00\t90.00\t1.00\t2.00\r\n"
              "EOF\r\n");
}

}  // namespace
}  // namespace veldrim
