// The STL writer and the 3D bodies: revolved solids checked by admesh and
// numpy-stl, walls, stroke text, the binary layout and the height question.

#include "graphics/formats/stl_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "exchange_test_support.h"
#include "graphics/bodies.h"
#include "graphics/polylines_dims.h"

namespace veldrim {
namespace {

using testing_support::AdmeshCheck;
using testing_support::AdmeshValues;
using testing_support::Field;
using testing_support::NumpyStlCheck;
using testing_support::ToDouble;

constexpr double kPi = std::numbers::pi;

using StlTest = testing_support::ExchangeFixture;

uint32_t LittleEndian32(const std::string& b, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(b[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

// A half-section outline, counter-clockwise in the (x, r) plane.
void Revolve(std::initializer_list<std::array<Real, 3>> vertices) {
    CadRestartPath();
    for (const auto& v : vertices) CadRevolveVertex(v[0], v[1], v[2]);
}

struct Body {
    const char* name;
    std::function<void()> draw;
    double volume;  // by hand: pi (R^2 - r^2) L, 4/3 pi R^3
};

// A tube R 20, r 10, L 50; a shaft R 15, L 40 whose outline runs along the
// axis; a ball R 10 from a half-circle bulge.
const Body kBodies[] = {
    {"tube",
     [] {
         Revolve({{0, 10, 0}, {50, 10, 0}, {50, 20, 0}, {0, 20, 0}, {0, 10, 0}});
     },
     kPi*(20 * 20 - 10 * 10) * 50},
    {"shaft",
     [] {
         Revolve({{0, 0, 0}, {40, 0, 0}, {40, 15, 0}, {0, 15, 0}, {0, 0, 0}});
     },
     kPi * 15 * 15 * 40},
    {"ball",
     [] {
         Revolve({{-10, 0, 0}, {10, 0, std::numbers::pi_v<Real>}, {-10, 0, 0}});
     },
     4.0 / 3.0 * kPi * 1000},
};

TEST_F(StlTest, RevolvedBodiesAreClosedWithTheirVolume) {
    if (!testing_support::HaveProgram("/usr/bin/admesh")) GTEST_SKIP() << "admesh missing";
    for (const Body& body : kBodies) {
        for (int type : {0, 1}) {
            SCOPED_TRACE(std::string(body.name) + (type == 0 ? " binary" : " ASCII"));
            CadOutputState.stlFileType = type;
            CadOutputState.chordTolerance = 0.5L;
            const auto file =
                Run(kCadStl, std::string(body.name) + std::to_string(type), body.draw);
            const std::string numpy = NumpyStlCheck(file.string());
            ASSERT_NE(numpy.find("DONE"), std::string::npos) << numpy;
            EXPECT_EQ(Field(numpy, "OPENEDGES="), "0");
            EXPECT_EQ(Field(numpy, "DEGENERATE="), "0");
            EXPECT_EQ(Field(numpy, "BADNORMALS="), "0");
            EXPECT_NEAR(ToDouble(Field(numpy, "VOLUME=")), body.volume, 0.01 * body.volume);
            const long facets = std::stol(Field(numpy, "FACETS="));
            if (type == 0) {
                EXPECT_EQ(std::filesystem::file_size(file), 84u + 50u * facets);
            }

            const std::string admesh = AdmeshCheck(file.string());
            ASSERT_NE(admesh.find("Number of facets"), std::string::npos) << admesh;
            EXPECT_EQ(AdmeshValues(admesh, "Number of facets"),
                      (std::vector<double>{double(facets), double(facets)}));
            EXPECT_EQ(AdmeshValues(admesh, "Total disconnected facets"),
                      (std::vector<double>{0, 0}));
            EXPECT_EQ(AdmeshValues(admesh, "Degenerate facets"), std::vector<double>{0});
            EXPECT_EQ(AdmeshValues(admesh, "Facets reversed"), std::vector<double>{0});
            EXPECT_EQ(AdmeshValues(admesh, "Normals fixed"), std::vector<double>{0});
            const auto parts = AdmeshValues(admesh, "Number of parts");
            ASSERT_EQ(parts.size(), 2u);  // parts, then the volume on the same line
            EXPECT_EQ(parts[0], 1);
            EXPECT_NEAR(parts[1], body.volume, 0.01 * body.volume);
        }
    }
}

// A counter-clockwise outline's walls face outward: with the open top and
// bottom the signed volume of the walls of a prism standing on z = 0 is
// two thirds of the prism (the top face would add the last third).
TEST_F(StlTest, CounterClockwiseOutlineGivesOutwardWalls) {
    ui.QueueText((dir / "box").string());
    ui.QueueText("8");  // the height question
    CadBeginOutput(kCadStl);
    CadBeginDrawing(0, 0, 160, 120, 1.0L);
    CadBeginEntities();
    CadRectangle(0, 0, 10, 20);
    CadLine(3, 3, 3, 3);  // no length: no facet
    CadEndSection();
    ASSERT_TRUE(CadOutputComplete());
    CadEndOutput();
    const std::string numpy = NumpyStlCheck((dir / "box.stl").string());
    EXPECT_EQ(Field(numpy, "FACETS="), "8");
    EXPECT_EQ(Field(numpy, "BADNORMALS="), "0");
    EXPECT_NEAR(ToDouble(Field(numpy, "VOLUME=")), 2.0 / 3.0 * 200 * 8, 1e-3);
    EXPECT_NE(numpy.find("MIN=0.000000 0.000000 0.000000 MAX=10.000000 20.000000 8.000000"),
              std::string::npos)
        << numpy;
    EXPECT_EQ(ui.CallsOf("text").size(), 1u);
}

// Filled quadrilaterals (block solids and arrow heads) become the four walls
// of their outline, facing out whichever way round the corners come: no
// wall faces the inside, and the walls' signed volume is two thirds of the
// prism over the outline (8 high). Areas by hand: a block 10 x 5 is 50, its
// half along the diagonal 25; an arrow head of length 10 and half angle 10
// degrees is two triangles of 10 * 10 * sin 10 / 2, together 17.36482.
TEST_F(StlTest, SolidsGiveOutwardWallsWhicheverWayTheirCornersRun) {
    const double arrow = 100 * std::sin(10 * kPi / 180);
    const struct {
        const char* label;
        std::function<void()> draw;
        int facets;
        double area;
    } cases[] = {
        {"block, corners counter-clockwise", [] { CadSolid(0, 0, 10, 0, 0, 5, 10, 5); }, 8, 50},
        {"block, corners clockwise", [] { CadSolid(0, 0, 0, 5, 10, 0, 10, 5); }, 8, 50},
        {"triangle (third corner twice)", [] { CadSolid(0, 0, 10, 0, 0, 5, 0, 5); }, 6, 25},
        {"arrow head to the right", [] { CadArrow(50, 40, 0, 10, 10, 0); }, 8, arrow},
        {"arrow head upward", [] { CadArrow(50, 40, 90, 10, 10, 0); }, 8, arrow},
        {"arrow head to the lower left", [] { CadArrow(50, 40, 225, 10, 10, 0); }, 8, arrow},
        {"dimension arrow to the left", [] { CadDimensionArrow(20, 20, 180); }, 10, -1},
    };
    int i = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto file = Run(kCadStl, "solid" + std::to_string(i++), [&] {
            CadSetExtrusion(0, 8);
            c.draw();
        });
        const std::string numpy = NumpyStlCheck(file.string());
        ASSERT_NE(numpy.find("DONE"), std::string::npos) << numpy;
        EXPECT_EQ(Field(numpy, "FACETS="), std::to_string(c.facets));
        EXPECT_EQ(Field(numpy, "BADNORMALS="), "0");
        EXPECT_EQ(Field(numpy, "DEGENERATE="), "0");
        if (c.area < 0) continue;  // the shaft's wall faces one side only
        EXPECT_EQ(Field(numpy, "INWARD="), "0");
        EXPECT_NEAR(ToDouble(Field(numpy, "VOLUME=")), 2.0 / 3.0 * c.area * 8, 1e-3);
    }
}

// The binary layout: header text padded with blanks, the count, 50 bytes per
// facet with attribute bytes 0; the flip option turns every facet round, so
// its normal (the normal of its winding) turns too.
TEST_F(StlTest, BinaryLayoutAndOrientationFlip) {
    for (uint8_t flip : {0, 1}) {
        CadOutputState.stlDirInvers = flip;
        const auto file = Run(kCadStl, "wall" + std::to_string(flip), [] {
            CadSetExtrusion(0, 2);
            CadLine(0, 0, 4, 0);
        });
        const std::string bytes = testing::Slurp(file.string());
        ASSERT_EQ(bytes.size(), 84u + 2 * 50u);
        EXPECT_EQ(bytes.substr(0, 80), std::string("STL binary file created by Veldrim Software") +
                                           std::string(37, ' '));
        EXPECT_EQ(LittleEndian32(bytes, 80), 2u);
        for (size_t f = 0; f < 2; ++f) {
            const size_t at = 84 + 50 * f;
            EXPECT_EQ(bytes.substr(at + 48, 2), std::string(2, '\0')) << f;
            float ny;
            std::memcpy(&ny, bytes.data() + at + 4, 4);
            // The wall of a line along +x faces -y (right of its direction).
            EXPECT_EQ(ny, flip ? 1.0f : -1.0f) << f;
        }
    }
}

TEST_F(StlTest, AsciiFormHasNineSignificantDigits) {
    EXPECT_EQ(StlNumber(12.5f), "1.25000000E+01");
    EXPECT_EQ(StlNumber(-0.001f), "-1.00000005E-03");  // the float nearest 0.001
    EXPECT_EQ(StlNumber(0.0f), "0.00000000E+00");
    CadOutputState.stlFileType = 1;
    const auto file = Run(kCadStl, "ascii", [] { CadLine(0, 0, 1, 0); });
    const std::vector<std::string> lines = testing::CrLfLines(testing::Slurp(file.string()));
    ASSERT_EQ(lines.size(), 2u + 2 * 7u);
    EXPECT_EQ(lines.front(), "solid VUZIROZI");
    EXPECT_EQ(lines[1], "  facet normal 0.00000000E+00 -1.00000000E+00 0.00000000E+00");
    EXPECT_EQ(lines[3], "      vertex 0.00000000E+00 0.00000000E+00 0.00000000E+00");
    EXPECT_EQ(lines.back(), "endsolid VUZIROZI");
}

// Stroke text: one rectangle of four walls (eight facets) per stroke. "E"
// has five strokes, "H" the four of "h", a blank none; the direction option
// 0 walks the strokes the other way round.
TEST_F(StlTest, StrokeTextDrawsItsStrokes) {
    const struct {
        const char* text;
        int option;
        int facets;
        int volumeSign;
    } cases[] = {
        {"E", 1, 40, 1}, {"H", 1, 32, 1}, {" ", 1, 0, 0}, {"e-", 1, 48, 1}, {"E", 0, 40, -1}};
    int i = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " option " + std::to_string(c.option));
        const auto file = Run(kCadStl, "text" + std::to_string(i++), [&] {
            CadSetStlOption(c.option);
            CadSetTextStyle(2, 0, 10, 7);
            CadText(c.text, 0, 0);
        });
        EXPECT_EQ(std::filesystem::file_size(file), 84u + 50u * c.facets);
        if (c.facets == 0) continue;
        const std::string numpy = NumpyStlCheck(file.string());
        EXPECT_EQ(Field(numpy, "BADNORMALS="), "0");
        EXPECT_EQ(ToDouble(Field(numpy, "VOLUME=")) > 0 ? 1 : -1, c.volumeSign);
    }
}

// The height question: asked once per run with the drawing's height, a
// cancel keeps the height and only keeps the file from being opened.
TEST_F(StlTest, HeightQuestionAskedOncePerRun) {
    CadOutputState.execFlag = 1;
    ui.QueueText((dir / "h").string());
    ui.QueueText(std::nullopt);  // cancel the height
    CadBeginOutput(kCadStl);
    CadBeginDrawing(0, 0, 10, 10, 3);
    EXPECT_FALSE(cancelFlag);
    CadBeginDrawing(0, 0, 10, 10, 4);  // a second frame asks nothing
    EXPECT_EQ(CadOutputState.extrusionZ2, 4);
    CadEndOutput();
    const auto asked = ui.CallsOf("text");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].text.find("[mm]"), std::string::npos) << asked[0].text;
    EXPECT_TRUE(ui.CallsOf("open").empty());  // open suppressed
    EXPECT_EQ(CadOutputState.openSuppressedFlag, 1);
}

// On other outputs the revolve calls draw two circles per segment about the
// origin.
TEST_F(StlTest, RevolveOnDxfDrawsCircles) {
    BeginRecordedScreenRun();
    Revolve({{0, 10, 0}, {20, 10, 0}, {20, 5, 0}});
    EXPECT_EQ(Log(), (std::vector<std::string>{
                         "CIRCLE 0.0000 0.0000 10.0000 L0", "CIRCLE 0.0000 0.0000 10.0000 L0",
                         "CIRCLE 0.0000 0.0000 10.0000 L0", "CIRCLE 0.0000 0.0000 5.0000 L0"}));
    EXPECT_EQ(CadOutputState.extrusionZ1, 20);
    EXPECT_EQ(CadOutputState.extrusionZ2, 20);
    CadEndOutput();
}

// Writers that take lines only get arcs and circles as chords: an arc from
// 350 to 10 degrees of radius 10 is 20 degrees long (3.49), so chords of at
// most 0.5 make 7 of them; a reversed circle runs clockwise.
TEST_F(StlTest, ArcsAndCirclesReachLineWritersAsChords) {
    struct LinesOnlyWriter : testing_support::RecordingWriter {
        bool LinesOnly() const override { return true; }
    };
    CadWriterFactories[kCadScreen] = [] { return std::unique_ptr<CadWriter>(new LinesOnlyWriter); };
    CadBeginOutput(kCadScreen);
    CadOutputState.chordTolerance = 0.5L;
    CadArc2D(0, 0, 350, 10, 10);
    ASSERT_EQ(Log().size(), 7u);
    EXPECT_EQ(Log().front().substr(0, 22), "LINE 9.8481 -1.7365 9.");
    EXPECT_EQ(Log().back().substr(Log().back().size() - 17), " 9.8481 1.7365 L0") << Log().back();
    Log().clear();
    CadOutputState.chordTolerance = 1;
    CadCircleReversed(0, 0, 1);  // 2 pi / 1 rounds to 6 chords
    ASSERT_EQ(Log().size(), 6u);
    EXPECT_EQ(Log().front(), "LINE 1.0000 0.0000 0.5000 -0.8660 L0");
    CadEndOutput();
}

// A centred rectangle traced either way round (reversed: inward walls).
TEST_F(StlTest, CentredRectangleTracesBothWays) {
    BeginRecordedScreenRun();
    CadCentredRectangle(false, 0, 0, 10, 4);
    CadCentredRectangle(true, 0, 0, 10, 4);
    CadEndOutput();
    EXPECT_EQ(
        Log(),
        (std::vector<std::string>{
            "LINE -5.0000 -2.0000 5.0000 -2.0000 L0", "LINE 5.0000 -2.0000 5.0000 2.0000 L0",
            "LINE 5.0000 2.0000 -5.0000 2.0000 L0", "LINE -5.0000 2.0000 -5.0000 -2.0000 L0",
            "LINE -5.0000 -2.0000 -5.0000 2.0000 L0", "LINE -5.0000 2.0000 5.0000 2.0000 L0",
            "LINE 5.0000 2.0000 5.0000 -2.0000 L0", "LINE 5.0000 -2.0000 -5.0000 -2.0000 L0"}));
}

}  // namespace
}  // namespace veldrim
