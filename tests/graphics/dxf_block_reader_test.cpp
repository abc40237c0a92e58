// The DXF block reader: what it draws from block texts, its messages, and its
// behaviour on damaged input.

#include "graphics/dxf_block_reader.h"

#include <gtest/gtest.h>

#include "dxf_test_support.h"
#include "graphics/cad_primitives.h"

namespace veldrim {
namespace {

using testing_support::CadFixture;

class DxfBlockReaderTest : public CadFixture {
protected:
    void SetUp() override {
        CadFixture::SetUp();
        BeginRecordedScreenRun();
        CadBeginEntities();
        Log().clear();
    }
    void TearDown() override {
        cancelFlag = false;
        CadEndOutput();
        CadFixture::TearDown();
    }
    // Lines joined by LF (the reader takes CR LF and LF alike).
    static std::string Lf(std::initializer_list<const char*> lines) {
        std::string s;
        for (const char* l : lines) {
            s += l;
            s += '\n';
        }
        return s;
    }
    void Read(const std::string& text) {
        DxfResetInsertion();
        DxfReadText(text, "test", 0, 0, 0, 1, 1);
    }
};

TEST_F(DxfBlockReaderTest, AnEmptyBlockDrawsNothing) {
    Read(Lf({"  0", "EOF"}));
    EXPECT_TRUE(Log().empty());
    EXPECT_EQ(messageList.count, 0);
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(ShownTexts().empty());
}

TEST_F(DxfBlockReaderTest, EntitiesAndTheirDefaults) {
    const struct {
        const char* name;
        std::string text;
        std::vector<std::string> drawn;
    } cases[] = {
        {"line with missing values", Lf({"0", "LINE", "8", "3", "10", "1.5", "0", "EOF"}),
         {"LINE 1.5000 0.0000 0.0000 0.0000 L3"}},
        {"circle", Lf({"0", "CIRCLE", "10", "1", "20", "2", "40", "3", "0", "EOF"}),
         {"CIRCLE 1.0000 2.0000 3.0000 L0"}},
        {"arc of radius 0", Lf({"0", "ARC", "10", "1", "20", "2", "40", "0", "51", "90", "0", "EOF"}),
         {}},
        {"arc across 0 degrees", Lf({"0", "ARC", "40", "2", "50", "350", "51", "10", "0", "EOF"}),
         {"ARC 0.0000 0.0000 350.0000 10.0000 2.0000 sweep 20.0000 L0"}},
        {"arc turned by a negative normal",
         Lf({"0", "ARC", "40", "2", "50", "90", "51", "0", "230", "-1", "0", "EOF"}),
         {"ARC 0.0000 0.0000 0.0000 90.0000 2.0000 sweep 90.0000 L0"}},
        {"text defaults", Lf({"0", "TEXT", "1", "Zahn", "10", "1", "20", "2", "0", "EOF"}),
         {"TEXT 'Zahn' 1.0000 2.0000 h=3.5000 w=1.0000 a=0.0000 L0"}},
        {"solid", Lf({"0", "SOLID", "8", "2", "10", "0", "20", "0", "11", "1", "21", "0", "12", "0",
                      "22", "1", "13", "1", "23", "1", "0", "EOF"}),
         {"SOLID 0.0000 0.0000 1.0000 0.0000 0.0000 1.0000 1.0000 1.0000 L2"}},
        {"unknown groups are skipped",
         Lf({"0", "LINE", "999", "note", "62", "5", "11", "4", "0", "EOF"}),
         {"LINE 0.0000 0.0000 4.0000 0.0000 L0"}},
        {"closed polyline", Lf({"0", "POLYLINE", "66", "1", "70", "1", "0", "VERTEX", "10", "0",
                                "20", "0", "0", "VERTEX", "10", "1", "20", "0", "0", "VERTEX", "10",
                                "1", "20", "1", "0", "SEQEND", "0", "EOF"}),
         {"LINE 0.0000 0.0000 1.0000 0.0000 L0", "LINE 1.0000 0.0000 1.0000 1.0000 L0",
          "LINE 1.0000 1.0000 0.0000 0.0000 L0"}},
        // A clockwise segment keeps its own two points as ends: the arc from
        // (10, 0) to (20, 0) rises above the chord, its centre lies below.
        {"negative bulge", Lf({"0", "POLYLINE", "66", "1", "0", "VERTEX", "10", "10", "20", "0",
                               "42", "-0.41421356", "0", "VERTEX", "10", "20", "20", "0", "0",
                               "SEQEND", "0", "EOF"}),
         {"ARC 15.0000 -5.0000 45.0000 135.0000 7.0711 sweep 90.0000 L0"}},
        {"lightweight polyline with one bulge",
         Lf({"0", "LWPOLYLINE", "8", "9", "100", "AcDbEntity", "100", "AcDbPolyline", "90", "3",
             "70", "0", "10", "0", "20", "0", "10", "10", "20", "0", "42", "1", "10", "10", "20",
             "10", "0", "EOF"}),
         {"LINE 0.0000 0.0000 10.0000 0.0000 L0",
          "ARC 10.0000 5.0000 270.0000 90.0000 5.0000 sweep 180.0000 L0"}},
        {"closed lightweight polyline",
         Lf({"0", "lwpolyline", "100", "AcDbPolyline", "70", "1", "8", "4", "10", "0", "20", "0",
             "10", "1", "20", "0", "10", "1", "20", "1", "0", "EOF"}),
         {"LINE 0.0000 0.0000 1.0000 0.0000 L4", "LINE 1.0000 0.0000 1.0000 1.0000 L4",
          "LINE 1.0000 1.0000 0.0000 0.0000 L4"}},
    };
    for (const auto& c : cases) {
        Log().clear();
        Read(c.text);
        EXPECT_EQ(Log(), c.drawn) << c.name;
        EXPECT_FALSE(cancelFlag) << c.name;
        EXPECT_EQ(messageList.count, 0) << c.name;
    }
}

TEST_F(DxfBlockReaderTest, LayerNamesOfTheLayerTable) {
    CadOutputState.layerNames[5] = "DICK";
    const struct {
        const char* value;
        int layer;
    } cases[] = {{"DICK", 5}, {"0", 0}, {"17", 17}, {"MITTE", 0}, {"300", 0}, {"-2", 0}};
    for (const auto& c : cases) EXPECT_EQ(DxfLayerOfName(c.value), c.layer) << c.value;
}

TEST_F(DxfBlockReaderTest, CrLfAndTrailingBlankLinesAreAccepted) {
    Read("  0\r\nLINE\r\n 11\r\n2.0\r\n  0\r\nEOF\r\n\r\n\r\n");
    EXPECT_EQ(Log(), std::vector<std::string>{"LINE 0.0000 0.0000 2.0000 0.0000 L0"});
    EXPECT_FALSE(cancelFlag);
}

TEST_F(DxfBlockReaderTest, AnUnknownEntityEndsTheBlockWithAMessage) {
    Read(Lf({"0", "LINE", "11", "1", "0", "SECTION", "2", "ENTITIES", "0", "LINE", "11", "2", "0",
             "EOF"}));
    EXPECT_EQ(Log().size(), 1u);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Fehler : DXF: SECTION"});
}

TEST_F(DxfBlockReaderTest, APolylineWithoutVerticesIsReportedAndSkipped) {
    Read(Lf({"0", "POLYLINE", "66", "1", "0", "SEQEND", "0", "LINE", "11", "1", "0", "EOF"}));
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{"Error in DXF File"});
    EXPECT_EQ(Log(), std::vector<std::string>{"LINE 0.0000 0.0000 1.0000 0.0000 L0"});
    EXPECT_EQ(messageList.count, 0);
}

TEST_F(DxfBlockReaderTest, TooManyVerticesStopWithAMessage) {
    std::string text = Lf({"0", "LWPOLYLINE", "100", "AcDbPolyline"});
    for (long i = 0; i <= kDxfMaxVertices; ++i) text += "10\n1\n20\n2\n";
    text += "0\nEOF\n";
    Read(text);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{"Elements > 100000 !"});
    EXPECT_TRUE(Log().empty());
}

// Damaged files: a clear message, the cancel flag, nothing drawn after the
// fault, and the reader's state back at its entry values.
TEST_F(DxfBlockReaderTest, DamagedInputIsRefusedCleanly) {
    const struct {
        const char* name;
        std::string text;
        std::size_t drawnBefore;
    } cases[] = {
        {"code no integer", Lf({"0", "LINE", "x1", "5", "0", "EOF"}), 0},
        {"code with a fraction", Lf({"0", "LINE", "10.5", "5", "0", "EOF"}), 0},
        {"number no number", Lf({"0", "LINE", "10", "abc", "0", "EOF"}), 0},
        {"number beyond range", Lf({"0", "CIRCLE", "40", "1e400", "0", "EOF"}), 0},
        {"number too large", Lf({"0", "CIRCLE", "40", "1e12", "0", "EOF"}), 0},
        {"not a number", Lf({"0", "CIRCLE", "40", "nan", "0", "EOF"}), 0},
        {"infinity", Lf({"0", "INSERT", "41", "inf", "0", "EOF"}), 0},
        {"missing value at the end", "0\nLINE\n10\n", 0},
        {"flags no integer", Lf({"0", "POLYLINE", "70", "one", "0", "VERTEX", "0", "EOF"}), 0},
        {"fault after a good entity", Lf({"0", "LINE", "11", "1", "0", "LINE", "11", "?", "0", "EOF"}),
         1},
        {"binary bytes", std::string("0\nLINE\n\x01\xff\x00\n7\n", 14), 0},
    };
    for (const auto& c : cases) {
        Log().clear();
        ui.calls.clear();
        cancelFlag = false;
        Read(c.text);
        EXPECT_TRUE(cancelFlag) << c.name;
        EXPECT_EQ(Log().size(), c.drawnBefore) << c.name;
        ASSERT_EQ(ShownTexts().size(), 1u) << c.name;
        EXPECT_TRUE(ShownTexts()[0].starts_with("Error in DXF File test (line ")) << c.name;
        EXPECT_EQ(CadOutputState.nestingLevel, 0) << c.name;
        EXPECT_EQ(CadOutputState.insertScaleX, 1) << c.name;
    }
}

TEST_F(DxfBlockReaderTest, TheTransformOfALevelIsRestored) {
    CadOutputState.insertOffsetX = 3;
    CadOutputState.insertRotation = 45;
    DxfReadText(Lf({"0", "LINE", "11", "1", "0", "EOF"}), "test", 10, 0, 90, 2, 2);
    EXPECT_EQ(CadOutputState.insertOffsetX, 3);
    EXPECT_EQ(CadOutputState.insertRotation, 45);
    EXPECT_EQ(CadOutputState.insertScaleX, 1);
    EXPECT_EQ(CadOutputState.nestingLevel, 0);
}

}  // namespace
}  // namespace veldrim
