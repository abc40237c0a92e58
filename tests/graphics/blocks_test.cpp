// Blocks: block files of screen runs, their replay, nesting and failures.

#include "graphics/blocks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <utility>

#include "dxf_test_support.h"
#include "graphics/cad_primitives.h"
#include "graphics/formats/dxf_block_reader.h"

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

namespace veldrim {
namespace {

using testing_support::CadFixture;

class BlocksTest : public CadFixture {
protected:
    // The blocks section of a run with these definitions, then its entities.
    void Define(std::initializer_list<std::pair<const char*, void (*)()>> blocks) {
        CadBeginBlocks();
        for (const auto& [name, content] : blocks) {
            CadBeginBlock(name);
            content();
            CadEndBlock();
        }
        CadEndSection();
        CadBeginEntities();
        EXPECT_TRUE(Log().empty()) << "a block definition draws nothing";
    }
};

// Entities of every kind on several layers.
void DrawContent() {
    CadSetLayer(1);
    CadLine(0, 0, 10, 0);
    CadSetLayer(2);
    CadCircle(5, 5, 2);
    CadSetLayer(3);
    CadArc(0, 0, 90, 0, 5, -90);  // clockwise
    CadArc2D(0, 0, 10, 350, 3);
    CadArc2D(1, 1, 0, 360, 2);
    CadSetLayer(4);
    CadSetTextStyle(2, 30, 2.5L, 1.8L);
    CadText("Zahn 1", 1, 2);
    CadSetLayer(5);
    CadSolid(0, 0, 1, 0, 0, 1, 1, 1);
    CadSetLayer(19);
    CadLine(-1, -2, 3, 4);
}

TEST_F(BlocksTest, ABlockReplaysAsTheSamePrimitives) {
    CadOutputState.baseWidthFactor = 1.3L;
    BeginRecordedScreenRun();
    DrawContent();
    const std::vector<std::string> direct = std::exchange(Log(), {});
    ASSERT_EQ(direct.size(), 8u);
    Define({{"EVOLV1", DrawContent}});
    const std::filesystem::path file = dir / "$EVOLV1.dx$";
    const std::string text = ReadFile(file);  // no header in a block file
    EXPECT_THAT(text, EndsWith("  0\r\nEOF\r\n"));
    EXPECT_THAT(text, Not(HasSubstr("SECTION")));
    CadInsertBlock("EVOLV1", 0, 0, 0, 1, 1);
    EXPECT_EQ(Log(), direct);
    EXPECT_EQ(messageList.count, 0);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(CadOutputState.nestingLevel, 0);
    CadEndOutput();
    EXPECT_FALSE(std::filesystem::exists(file)) << "block files end with the screen run";
}

void InnerContent() {
    CadSetLayer(1);
    CadLine(0, 0, 1, 0);
    CadSetTextStyle(2, 0, 2, 1.4L);
    CadText("T", 1, 0);
    CadArc2D(0, 0, 0, 90, 1);
}

void OuterContent() {
    CadSetLayer(0);
    CadLine(0, 0, 0, 5);
    CadInsertBlock("INNER", 10, 0, 90, 2, 1);
}

TEST_F(BlocksTest, ANestedInsertRotatedBy90DegreesIsPlacedThroughBothLevels) {
    BeginRecordedScreenRun();
    Define({{"INNER", InnerContent}, {"OUTER", OuterContent}});
    // The nested insert is an INSERT entity of the outer block file.
    EXPECT_NE(ReadFile(dir / "$OUTER.dx$").find("  0\r\nINSERT\r\n  8\r\n0\r\n  2\r\nINNER\r\n"),
              std::string::npos);
    CadInsertBlock("OUTER", 100, 50, 0, 1, 1);
    // The inner point (1, 0), scaled (2, 1), turned 90 degrees and placed at
    // (10, 0) of the outer block, lands at (10, 2) there.
    EXPECT_EQ(Log(), (std::vector<std::string>{
                         "LINE 100.0000 50.0000 100.0000 55.0000 L0",
                         "LINE 110.0000 50.0000 110.0000 52.0000 L1",
                         "TEXT 'T' 110.0000 52.0000 h=2.0000 w=1.4000 a=90.0000 L1",
                         "ARC 110.0000 50.0000 90.0000 180.0000 2.0000 sweep 90.0000 L1"}));
    // Rotations add up through the levels, texts included; the outer level's
    // layer and transform come back after the nested insert.
    Log().clear();
    CadInsertBlock("OUTER", 0, 0, 30, 1, 1);
    EXPECT_EQ(Log().at(2), "TEXT 'T' 7.6603 6.7321 h=2.0000 w=1.4000 a=120.0000 L1");
    EXPECT_EQ(CadOutputState.currentLayerNumber, 0);
    EXPECT_EQ(CadOutputState.insertRotation, 0);
    EXPECT_EQ(CadOutputState.insertScaleX, 1);
    CadEndOutput();
}

void SelfInsert() {
    CadLine(0, 0, 1, 1);
    CadInsertBlock("LOOP", 1, 0, 0, 1, 1);
}

TEST_F(BlocksTest, ABlockInsertingItselfStopsAtTheNestingLimit) {
    BeginRecordedScreenRun();
    Define({{"LOOP", SelfInsert}});
    CadInsertBlock("LOOP", 0, 0, 0, 1, 1);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{"error blockno.5"});
    EXPECT_EQ(Log().size(), 4u) << "the four allowed levels drew their line";
    EXPECT_EQ(CadOutputState.nestingLevel, 0);
    EXPECT_EQ(CadOutputState.insertOffsetX, 0);
    cancelFlag = false;
    CadEndOutput();
}

TEST_F(BlocksTest, MissingOrUncreatableBlockFilesAreReported) {
    BeginRecordedScreenRun();
    CadBeginEntities();
    // A name that would leave the user directory is never opened.
    for (const char* name : {"NOWHERE", "../x"}) {
        ResetMessages();
        cancelFlag = false;
        CadInsertBlock(name, 0, 0, 0, 1, 1);
        EXPECT_TRUE(cancelFlag) << name;
        EXPECT_EQ(Messages(), std::vector<std::string>{"Invalid temp directory"}) << name;
    }
    userDirectory = (dir / "gone").string();
    cancelFlag = false;
    CadBeginBlocks();
    CadBeginBlock("EVOLV1");
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(ShownTexts(), std::vector<std::string>{"file write error: " + userDirectory +
                                                     "/$EVOLV1.dx$: No such file or directory"});
    CadLine(0, 0, 1, 1);
    CadEndBlock();
    EXPECT_FALSE(cancelFlag) << "the drawing goes on";
    CadEndSection();
    EXPECT_TRUE(Log().empty());
    CadEndOutput();
}

// A step that fails inside a definition must not leave the exchange file
// with a BLOCK that never ends, nor a screen run with half a block.
TEST_F(BlocksTest, AStepFailingInsideADefinitionStillEndsIt) {
    const auto file = BeginDxfRun("failing.dxf");
    CadBeginBlocks();
    CadBeginBlock("B");
    cancelFlag = true;
    CadEndBlock();
    EXPECT_FALSE(cancelFlag);
    CadEndOutput();
    EXPECT_NE(ReadFile(file).find(
                  "  2\r\nB\r\n 70\r\n0\r\n 10\r\n0.0\r\n 20\r\n0.0\r\n  0\r\nENDBLK\r\n"),
              std::string::npos);

    BeginRecordedScreenRun();
    CadBeginBlocks();
    CadBeginBlock("HALF");
    CadLine(0, 0, 1, 1);
    cancelFlag = true;
    CadEndBlock();
    EXPECT_FALSE(cancelFlag);
    EXPECT_FALSE(std::filesystem::exists(dir / "$HALF.dx$"));
    CadEndOutput();
}

// A link planted at a block file's name (to make the run overwrite the file
// it points to) is never followed: the file it points to keeps its bytes,
// and the run writes and then removes a block file of its own.
TEST_F(BlocksTest, APlantedLinkAtABlockFileNameIsNotFollowed) {
    const std::filesystem::path victim = dir / "victim.txt";
    testing::Spit(victim.string(), "precious");
    std::filesystem::create_symlink(victim, dir / "$EVOLV1.dx$");
    BeginRecordedScreenRun();
    Define({{"EVOLV1", DrawContent}});
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(ReadFile(victim), "precious");
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "$EVOLV1.dx$"));
    EXPECT_TRUE(ReadFile(dir / "$EVOLV1.dx$").ends_with("EOF\r\n"));
    CadEndOutput();
    EXPECT_FALSE(std::filesystem::exists(dir / "$EVOLV1.dx$"));
    EXPECT_EQ(ReadFile(victim), "precious");
}

}  // namespace
}  // namespace veldrim
