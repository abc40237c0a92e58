// The IGES writer: files read by OpenCASCADE, the 80-column record layout,
// pointers, the global section, levels and the block table.

#include "graphics/formats/iges_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <regex>

#include "exchange_test_support.h"
#include "foundation/codepage.h"
#include "foundation/program_state.h"
#include "foundation/system_info.h"

namespace veldrim {
namespace {

using testing_support::Bbox;
using testing_support::Field;
using testing_support::OcctCheck;

using IgesTest = testing_support::ExchangeFixture;

// The records of an IGES file by section letter (columns 1..72 each).
struct IgesFile {
    std::map<char, std::vector<std::string>> sections;
    std::vector<std::string> faults;  // layout faults found while reading
};

IgesFile ReadIges(const std::filesystem::path& path) {
    IgesFile f;
    const std::string text = testing::Slurp(path.string());
    size_t at = 0, line = 0;
    while (at < text.size()) {
        ++line;
        const size_t end = text.find("\r\n", at);
        const std::string r = text.substr(at, end - at);
        at = end == std::string::npos ? text.size() : end + 2;
        if (r.size() != 80) {
            f.faults.push_back("line " + std::to_string(line) + " has " + std::to_string(r.size()) +
                               " columns");
            continue;
        }
        auto& records = f.sections[r[72]];
        records.push_back(r.substr(0, 72));
        char expected[16];
        std::snprintf(expected, sizeof expected, "%07zu", records.size());
        if (r.substr(73) != expected)
            f.faults.push_back("line " + std::to_string(line) + " numbered " + r.substr(72));
    }
    return f;
}

// Field k (1..9) of a D record, trimmed.
std::string DField(const std::string& record, int k) {
    std::string v = record.substr(static_cast<size_t>(8 * (k - 1)), 8);
    v.erase(0, v.find_first_not_of(' '));
    return v;
}

// The parameter text of the entity with DE pointer de: its P records
// joined, each without the blanks after its last delimiter (a record that
// ends inside a string is full).
std::string Parameters(const IgesFile& f, int de) {
    const auto& d = f.sections.at('D');
    const int first = std::stoi(DField(d[static_cast<size_t>(de - 1)], 2));
    const int count = std::stoi(DField(d[static_cast<size_t>(de)], 4));
    std::string out;
    for (int i = first; i < first + count; ++i) {
        const std::string& p = f.sections.at('P')[static_cast<size_t>(i - 1)];
        EXPECT_EQ(std::stoi(p.substr(64)), de) << "P record " << i;
        std::string text = p.substr(0, 64);
        const std::string trimmed = text.substr(0, text.find_last_not_of(' ') + 1);
        out +=
            !trimmed.empty() && (trimmed.back() == ',' || trimmed.back() == ';') ? trimmed : text;
    }
    return out;
}

void SampleBlocks() {
    CadBeginBlock("B");
    CadLine(0, 0, 10, 0);
    CadEndBlock();
}

// Four lines, a circle, a quarter arc of radius 20 at the origin, a solid
// (a closed wire of four edges), a note, and block B (a line of 10) turned
// 30 degrees at (120, 60): its line ends at (120 + 10 cos 30, 60 + 10 sin 30).
TEST_F(IgesTest, FileReadByOpenCascade) {
    const auto file = Run(
        kCadIges, "sample",
        [] {
            CadRectangle(0, 0, 100, 50);
            CadCircle(50, 25, 10);
            CadArc2D(0, 0, 0, 90, 20);
            CadSolid(80, 30, 90, 30, 80, 40, 90, 40);
            CadSetTextStyle(2, 0, 5, 3.5);
            CadText("Zahnrad", 10, 10);
            CadInsertBlock("B", 120, 60, 30, 1, 1);
        },
        SampleBlocks);
    EXPECT_EQ(file.filename(), "sample.igs");
    const IgesFile f = ReadIges(file);
    EXPECT_EQ(f.faults, std::vector<std::string>{});
    if (!testing_support::HaveProgram("/usr/bin/occt-draw")) GTEST_SKIP() << "occt-draw missing";
    const std::string occt = OcctCheck(file.string());
    ASSERT_NE(occt.find("DONE"), std::string::npos) << occt;
    // line 110 and subfigure 308 of the block, 4 lines, circle, arc, solid,
    // note, matrix 124 and instance 408.
    EXPECT_EQ(Field(occt, "ENTITIES="), "12");
    EXPECT_EQ(Field(occt, "FAILS="), "0") << occt;
    EXPECT_EQ(Field(occt, "WARNINGS="), "0") << occt;
    EXPECT_EQ(Field(occt, "EDGE="), "11");  // 4 + circle + arc + 4 of the solid + block line
    const std::vector<double> box = Bbox(occt);
    const std::vector<double> expected = {0, 0, 0, 120 + 10 * std::cos(M_PI / 6), 65, 0};
    ASSERT_EQ(box.size(), 6u) << occt;
    for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(box[i], expected[i], 1e-5) << i;
}

// Columns, counts and pointers: every record 80 columns numbered from 1 in
// its section, the T record counts them, D pointers are odd and point at
// entities of the right type, labels fit their 8 columns, the date is the
// 15H form of today, long names and texts stay inside their records.
TEST_F(IgesTest, RecordsPointersAndFields) {
    const std::string longName(40, 'n');
    const std::string longText = "Zahnradpaar mit Schnecke, " + std::string(90, 'x') + " Ende";
    const auto file = Run(
        kCadIges, longName,
        [&] {
            CadText(longText, 0, 0);
            CadInsertBlock("VERYLONGBLOCKNAME", 10, 20, 0, 2, 2);
            CadInsertBlock("VERYLONGBLOCKNAME", 10, 20, 30, 2, 3);
        },
        [] {
            CadBeginBlock("VERYLONGBLOCKNAME");
            CadLine(0, 0, 1, 1);
            CadCircle(0, 0, 1);
            CadEndBlock();
        });
    const IgesFile f = ReadIges(file);
    EXPECT_EQ(f.faults, std::vector<std::string>{});
    const auto& s = f.sections;
    ASSERT_EQ(s.at('T').size(), 1u);
    char counts[64];
    std::snprintf(counts, sizeof counts, "S%07zuG%07zuD%07zuP%07zu", s.at('S').size(),
                  s.at('G').size(), s.at('D').size(), s.at('P').size());
    EXPECT_EQ(s.at('T')[0].substr(0, 32), counts);

    std::string global;
    for (const auto& g : s.at('G')) global += g.substr(0, g.find_last_not_of(' ') + 1);
    // The base name shortened in the middle to fewer than 30 characters.
    const std::string shortened = "28H" + std::string(13, 'n') + "__" + std::string(13, 'n');
    EXPECT_EQ(global.find(",,4HFILE," + shortened + ",12HVELDRIM V1.0,,16,38,6,99,15," + shortened +
                          ",1.0,2,2HMM,"),
              0u)
        << global;
    int y, m, d, dow;
    GetDate(y, m, d, dow);
    char date[16];
    std::snprintf(date, sizeof date, "15H%04d%02d%02d.", y, m, d);
    EXPECT_TRUE(
        std::regex_search(global, std::regex(std::string(",") + date + R"(\d{6},1\.0D-8,)")))
        << global;

    // Entities by DE pointer: 1 line, 3 circle, 5 subfigure, 7 note, 9
    // instance, 11 matrix, 13 instance.
    const auto& dr = s.at('D');
    ASSERT_EQ(dr.size(), 14u);
    const std::vector<std::string> types = {"110", "100", "308", "212", "408", "124", "408"};
    for (size_t e = 0; e < types.size(); ++e) EXPECT_EQ(DField(dr[2 * e], 1), types[e]) << e;
    EXPECT_EQ(DField(dr[4], 9), "00000200");  // a definition
    EXPECT_EQ(DField(dr[0], 9), "00010000");  // a member
    EXPECT_EQ(DField(dr[5], 8), "VERYLONG");
    EXPECT_EQ(Parameters(f, 5), "308,0,17HVERYLONGBLOCKNAME,2,1,3;");
    EXPECT_EQ(Parameters(f, 7).substr(Parameters(f, 7).find(",0.0,") + 5), "121H" + longText + ";");
    EXPECT_EQ(Parameters(f, 9), "408,5,10.000000,20.000000,0.0,2.0000000000;");
    // Unequal scales in the matrix: 2 cos 30, -3 sin 30, 2 sin 30, 3 cos 30.
    EXPECT_EQ(Parameters(f, 11),
              "124,1.7320508076,-1.5000000000,0.0,10.000000,1.0000000000,2.5980762114,0.0,20."
              "000000,0.0,0.0,1.0,0.0;");
    EXPECT_EQ(DField(dr[12], 7), "11");
    EXPECT_EQ(Parameters(f, 13), "408,5,0.0,0.0,0.0,1.0000000000;");

    // OpenCASCADE reads the split string and every pointer without a fault,
    // and finds the scales: its own of instance 5, and the matrix 6.
    if (!testing_support::HaveProgram("/usr/bin/occt-draw")) GTEST_SKIP() << "occt-draw missing";
    const std::string occt = OcctCheck(file.string(), "5 6");
    ASSERT_NE(occt.find("DONE"), std::string::npos) << occt;
    EXPECT_EQ(Field(occt, "ENTITIES="), "7");
    EXPECT_EQ(Field(occt, "FAILS="), "0") << occt;
    EXPECT_EQ(Field(occt, "WARNINGS="), "0") << occt;
    EXPECT_NE(occt.find("Translation Data :  (10,20,0)  Scale Factors : 2\n"), std::string::npos)
        << occt;
    EXPECT_NE(occt.find("| R11, R12, R13, T1 |       1.73205, -1.5, 0, 10\n"), std::string::npos)
        << occt;
    EXPECT_NE(occt.find("| R21, R22, R23, T2 |       1, 2.59808, 0, 20\n"), std::string::npos)
        << occt;
}

// The block table belongs to its run: a block of an earlier run is unknown,
// and its instance is left out with a message instead of pointing nowhere.
TEST_F(IgesTest, InstanceOfUnknownBlockIsLeftOut) {
    Run(
        kCadIges, "first", [] { CadInsertBlock("B", 0, 0, 0, 1, 1); }, SampleBlocks);
    EXPECT_EQ(Messages(), std::vector<std::string>{});
    const auto file = Run(kCadIges, "second", [] {
        CadLine(0, 0, 1, 0);
        CadInsertBlock("B", 0, 0, 0, 1, 1);
    });
    EXPECT_EQ(Messages(), std::vector<std::string>{"Blockname B not found !"});
    const IgesFile f = ReadIges(file);
    ASSERT_EQ(f.sections.at('D').size(), 2u);
    EXPECT_EQ(DField(f.sections.at('D')[0], 1), "110");
}

// The bytes as cad_occt_check.tcl prints them: beyond ASCII as \xNN.
std::string Escaped(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", b);
        out += hex;
    }
    return out;
}

// A note keeps its umlauts and signs in the CAD text character set, each
// letter converted once: OpenCASCADE reads the very bytes back. In the
// default set 2 they are "Zähnezahl ÄÖÜ 20° mm²" in Windows-1252.
TEST_F(IgesTest, NoteTextsKeepTheirUmlauts) {
    const struct {
        int16_t characterSet;
        const char* bytes;  // the text in the file (and as OpenCASCADE reads it)
    } cases[] = {
        {1, "Z\x84hnezahl \x8E\x99\x9A 20\xF8 mm\xFD"},  // code page 850
        {2, "Z\xE4hnezahl \xC4\xD6\xDC 20\xB0 mm\xB2"},  // Windows-1252
        {3, "Zaehnezahl AeOeUe 20deg mm2"},
    };
    for (const auto& c : cases) {
        cadTextCharacterSet = c.characterSet;
        const auto file = Run(kCadIges, "note" + std::to_string(c.characterSet),
                              [] { CadText(std::string("Zähnezahl ÄÖÜ 20° mm²"_cp850), 10, 10); });
        const IgesFile f = ReadIges(file);
        EXPECT_EQ(f.faults, std::vector<std::string>{}) << c.characterSet;
        const std::string p = Parameters(f, 1);
        EXPECT_EQ(p.substr(p.find(",0.0,") + 5),
                  std::to_string(std::strlen(c.bytes)) + "H" + c.bytes + ";")
            << c.characterSet;
        if (!testing_support::HaveProgram("/usr/bin/occt-draw")) continue;
        const std::string occt = OcctCheck(file.string(), "1");
        ASSERT_NE(occt.find("DONE"), std::string::npos) << occt;
        EXPECT_EQ(Field(occt, "FAILS="), "0") << occt;
        EXPECT_NE(occt.find("Text : \"" + Escaped(c.bytes) + "\"\n"), std::string::npos)
            << c.characterSet << "\n"
            << occt;
    }
}

// Level (colour) and line font by layer and colour mode.
TEST_F(IgesTest, LayersGiveLevelAndLineFont) {
    const struct {
        int colourMode, layer;
        const char* level;
        const char* font;
    } cases[] = {{0, 0, "7", "1"},  {0, 1, "2", "4"},   {0, 2, "2", "2"}, {0, 4, "3", "1"},
                 {0, 18, "3", "1"}, {0, 10, "11", "1"}, {1, 3, "4", "1"}};
    for (const auto& c : cases) {
        const auto file = Run(
            kCadIges, "layer" + std::to_string(c.colourMode) + "_" + std::to_string(c.layer), [&] {
                CadSetColorMode(c.colourMode);
                CadSetLayer(c.layer);
                CadLine(0, 0, 1, 0);
            });
        const IgesFile f = ReadIges(file);
        const auto& d = f.sections.at('D');
        ASSERT_EQ(d.size(), 2u);
        EXPECT_EQ(DField(d[0], 5), c.level) << c.layer;
        EXPECT_EQ(DField(d[1], 3), c.level) << c.layer;
        EXPECT_EQ(DField(d[0], 4), c.font) << c.layer;
    }
}

}  // namespace
}  // namespace veldrim
