// The DXF block reader: what it draws, its messages, damaged input (the fuzz
// target covers the rest).

#include "graphics/formats/dxf_block_reader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "dxf_test_support.h"
#include "graphics/cad_output.h"
#include "graphics/cad_primitives.h"

using ::testing::IsEmpty;

namespace veldrim {
namespace {

using testing_support::CadFixture;
using Lines = std::vector<std::string>;

// Lines joined by LF (the reader takes CR LF and LF alike).
std::string Lf(std::initializer_list<const char*> lines) {
    std::string s;
    for (const char* l : lines) (s += l) += '\n';
    return s;
}

class DxfBlockReaderTest : public CadFixture {
protected:
    void SetUp() override {
        CadFixture::SetUp();
        BeginRecordedScreenRun();
        CadBeginEntities();
        DxfResetInsertion();
    }
    void TearDown() override {
        cancelFlag = false;
        CadEndOutput();
        CadFixture::TearDown();
    }
    void Read(const std::string& text) {
        Log().clear();
        ui.calls.clear();
        cancelFlag = false;
        DxfReadText(text, "test", 0, 0, 0, 1, 1);
    }
};

TEST_F(DxfBlockReaderTest, EntitiesAndTheirDefaults) {
    const struct {
        const char* name;
        std::string text;
        Lines drawn;
    } cases[] = {
        {"line with missing values, CR LF, blank lines after the end",
         "  0\r\nLINE\r\n  8\r\n3\r\n 10\r\n1.5\r\n  0\r\nEOF\r\n\r\n\r\n",
         {"LINE 1.5000 0.0000 0.0000 0.0000 L3"}},
        {"arc of radius 0",
         Lf({"0", "ARC", "10", "1", "20", "2", "40", "0", "51", "90", "0", "EOF"}),
         {}},
        {"arc across 0 degrees",
         Lf({"0", "ARC", "40", "2", "50", "350", "51", "10", "0", "EOF"}),
         {"ARC 0.0000 0.0000 350.0000 10.0000 2.0000 sweep 20.0000 L0"}},
        {"arc turned by a negative normal",
         Lf({"0", "ARC", "40", "2", "50", "90", "51", "0", "230", "-1", "0", "EOF"}),
         {"ARC 0.0000 0.0000 0.0000 90.0000 2.0000 sweep 90.0000 L0"}},
        {"text defaults, a layer by name",
         Lf({"0", "TEXT", "8", "DICK", "1", "Zahn", "10", "1", "20", "2", "0", "EOF"}),
         {"TEXT 'Zahn' 1.0000 2.0000 h=3.5000 w=1.0000 a=0.0000 L5"}},
        // Unknown layer names and numbers out of range mean layer 0.
        {"unknown layers",
         Lf({"0", "CIRCLE", "8", "MITTE", "40", "1", "0", "CIRCLE", "8", "300", "40", "1", "0",
             "EOF"}),
         {"CIRCLE 0.0000 0.0000 1.0000 L0", "CIRCLE 0.0000 0.0000 1.0000 L0"}},
        {"unknown groups are skipped",
         Lf({"0", "LINE", "999", "note", "62", "5", "11", "4", "0", "EOF"}),
         {"LINE 0.0000 0.0000 4.0000 0.0000 L0"}},
        {"closed polyline",
         Lf({"0",  "POLYLINE", "66", "1",      "70", "1",      "0",  "VERTEX", "10", "0",
             "20", "0",        "0",  "VERTEX", "10", "1",      "20", "0",      "0",  "VERTEX",
             "10", "1",        "20", "1",      "0",  "SEQEND", "0",  "EOF"}),
         {"LINE 0.0000 0.0000 1.0000 0.0000 L0", "LINE 1.0000 0.0000 1.0000 1.0000 L0",
          "LINE 1.0000 1.0000 0.0000 0.0000 L0"}},
        // A clockwise segment keeps its own two points as ends: the arc from
        // (10, 0) to (20, 0) rises above the chord, its centre lies below.
        {"negative bulge",
         Lf({"0",  "POLYLINE", "66", "1",           "0", "VERTEX", "10", "10",
             "20", "0",        "42", "-0.41421356", "0", "VERTEX", "10", "20",
             "20", "0",        "0",  "SEQEND",      "0", "EOF"}),
         {"ARC 15.0000 -5.0000 45.0000 135.0000 7.0711 sweep 90.0000 L0"}},
        {"lightweight polyline",
         Lf({"0",  "lwpolyline", "100", "AcDbPolyline", "8",  "4",  "90", "3",  "70",
             "0",  "10",         "0",   "20",           "0",  "10", "10", "20", "0",
             "42", "1",          "10",  "10",           "20", "10", "0",  "EOF"}),
         {"LINE 0.0000 0.0000 10.0000 0.0000 L4",
          "ARC 10.0000 5.0000 270.0000 90.0000 5.0000 sweep 180.0000 L4"}},
        // Written files put the layer with the common groups, before the marker.
        {"lightweight polyline, layer before the marker",
         Lf({"0", "LWPOLYLINE", "8", "3", "100", "AcDbEntity", "100", "AcDbPolyline", "10", "0",
             "20", "0", "10", "2", "20", "0", "0", "EOF"}),
         {"LINE 0.0000 0.0000 2.0000 0.0000 L3"}},
    };
    CadOutputState.layerNames[5] = "DICK";
    for (const auto& c : cases) {
        Read(c.text);
        EXPECT_EQ(Log(), c.drawn) << c.name;
        EXPECT_FALSE(cancelFlag) << c.name;
        EXPECT_EQ(messageList.count, 0) << c.name;
        EXPECT_THAT(ShownTexts(), IsEmpty()) << c.name;
    }
}

TEST_F(DxfBlockReaderTest, UnexpectedStructuresAreReported) {
    // An unknown entity ends the block.
    Read(Lf({"0", "LINE", "11", "1", "0", "SECTION", "2", "ENTITIES", "0", "LINE", "11", "2", "0",
             "EOF"}));
    EXPECT_EQ(Log().size(), 1u);
    EXPECT_EQ(Messages(), Lines{"Fehler : DXF: SECTION"});
    // A polyline without vertices is skipped.
    ResetMessages();
    Read(Lf({"0", "POLYLINE", "66", "1", "0", "SEQEND", "0", "LINE", "11", "1", "0", "EOF"}));
    EXPECT_EQ(ShownTexts(), Lines{"Error in DXF File"});
    EXPECT_EQ(messageList.count, 0);
    EXPECT_EQ(Log(), Lines{"LINE 0.0000 0.0000 1.0000 0.0000 L0"});
    // Too many vertices stop the block.
    std::string text = Lf({"0", "LWPOLYLINE", "100", "AcDbPolyline"});
    for (long i = 0; i <= kDxfMaxVertices; ++i) text += "10\n1\n20\n2\n";
    Read(text + "0\nEOF\n");
    EXPECT_TRUE(cancelFlag);
    EXPECT_THAT(Log(), IsEmpty());
    EXPECT_EQ(ShownTexts(), Lines{"Elements > 100000 !"});
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
        {"number too large", Lf({"0", "CIRCLE", "40", "1e12", "0", "EOF"}), 0},
        {"infinity", Lf({"0", "INSERT", "41", "inf", "0", "EOF"}), 0},
        {"missing value at the end", "0\nLINE\n10\n", 0},
        {"fault after a good entity",
         Lf({"0", "LINE", "11", "1", "0", "LINE", "11", "?", "0", "EOF"}), 1},
        {"binary bytes", std::string("0\nLINE\n\x01\xff\x00\n7\n", 14), 0},
    };
    CadOutputState.insertRotation = 45;
    for (const auto& c : cases) {
        Read(c.text);
        EXPECT_TRUE(cancelFlag) << c.name;
        EXPECT_EQ(Log().size(), c.drawnBefore) << c.name;
        ASSERT_EQ(ShownTexts().size(), 1u) << c.name;
        EXPECT_TRUE(ShownTexts()[0].starts_with("Error in DXF File test (line ")) << c.name;
        EXPECT_EQ(CadOutputState.nestingLevel, 0) << c.name;
        EXPECT_EQ(CadOutputState.insertScaleX, 1) << c.name;
        EXPECT_EQ(CadOutputState.insertRotation, 45) << c.name;
    }
}

// A folder or a pipe at a block file's name is a missing block file: the
// insertion stops with its message, and nothing waits on the pipe. A reader
// stuck on the pipe is let go after a grace time by a writer that opens and
// closes it, and the test then names the wait.
TEST_F(DxfBlockReaderTest, AFolderOrPipeAtABlockFileIsAMissingBlock) {
    std::filesystem::create_directory(CadBlockFilePath("ORDNER"));
    const std::string pipe = CadBlockFilePath("ROHR");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const char* name : {"ORDNER", "ROHR"}) {
        SCOPED_TRACE(name);
        Log().clear();
        ui.calls.clear();
        cancelFlag = false;
        std::atomic<bool> done{false}, freed{false};
        std::thread watch([&] {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!done && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            while (!done) {
                const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    freed = true;
                    ::close(fd);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
        EXPECT_NO_THROW(DxfReadFile(name, 0, 0, 0, 1, 1));
        done = true;
        watch.join();
        EXPECT_FALSE(freed) << "the reader waited on the pipe";
        EXPECT_TRUE(cancelFlag);
        EXPECT_THAT(Log(), IsEmpty());
        EXPECT_EQ(Messages(), Lines{"Invalid temp directory"});
    }
}

}  // namespace
}  // namespace veldrim
