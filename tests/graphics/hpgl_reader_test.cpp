// The HP-GL reader: segments against hp2xx, the commands' effects on the
// display list, damaged files, and the shipped help pictures.

#include "graphics/formats/hpgl_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <regex>
#include <sstream>

#include "dxf_test_support.h"
#include "foundation/files.h"
#include "foundation/help_texts.h"
#include "recording_canvas.h"

namespace veldrim {
namespace {

// A segment in plotter units, rounded to 1/100 unit for comparison.
struct Segment {
    long x1, y1, x2, y2;
    auto operator<=>(const Segment&) const = default;
};
using Segments = std::vector<Segment>;

long Hundredths(double v) { return std::lround(v * 100); }

// Both sets moved so that their lowest corner is at the origin, each segment
// from its lower end, sorted: hp2xx moves a picture to its lowest corner.
Segments Normalised(std::vector<std::array<double, 4>> raw) {
    double mx = 1e300, my = 1e300;
    for (const auto& s : raw) {
        mx = std::min({mx, s[0], s[2]});
        my = std::min({my, s[1], s[3]});
    }
    Segments out;
    for (const auto& s : raw) {
        Segment g{Hundredths(s[0] - mx), Hundredths(s[1] - my), Hundredths(s[2] - mx),
                  Hundredths(s[3] - my)};
        if (std::pair(g.x2, g.y2) < std::pair(g.x1, g.y1)) g = {g.x2, g.y2, g.x1, g.y1};
        out.push_back(g);
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Our reader's lines, in plotter units (40 per millimetre).
Segments OurSegments() {
    std::vector<std::array<double, 4>> raw;
    for (const std::string& r : DisplayList) {
        if (!r.starts_with("4;")) continue;
        std::array<double, 4> s{};
        std::stringstream in(r.substr(2));
        std::string field;
        for (double& v : s) {
            std::getline(in, field, ';');
            Real x = 0;
            ParseDisplayReal(field, x);
            v = static_cast<double>(x) * 40;
        }
        raw.push_back(s);
    }
    return Normalised(raw);
}

// hp2xx's segments: its HP-GL output 1:1 in plotter units, one command per
// ';'; a segment is each PD from the point before. Its zero-length marks of
// an empty PD are dropped.
Segments Hp2xxSegments(const std::string& output) {
    std::vector<std::array<double, 4>> raw;
    double x = 0, y = 0;
    std::stringstream in(output);
    std::string cmd;
    static const std::regex pair(R"(^(PU|PD)(-?[0-9.]+),(-?[0-9.]+)$)");
    while (std::getline(in, cmd, ';')) {
        std::smatch m;
        if (!std::regex_match(cmd, m, pair)) continue;
        const double nx = std::stod(m[2]), ny = std::stod(m[3]);
        if (m[1] == "PD" && std::hypot(nx - x, ny - y) >= 0.05) raw.push_back({x, y, nx, ny});
        x = nx, y = ny;
    }
    return Normalised(raw);
}

// Encodes a number of polyline-encoded data in 7-bit form (base 32, the
// sign in the lowest bit), the way plotters are sent it.
std::string Pe7(long v) {
    unsigned long n = static_cast<unsigned long>(std::labs(v)) * 2 + (v < 0 ? 1 : 0);
    std::string s;
    for (; n >= 32; n >>= 5) s += static_cast<char>(63 + (n & 31));
    return s + static_cast<char>(95 + n);
}
// The same in 8-bit form (base 64, ends with 191..254).
std::string Pe8(long v) {
    unsigned long n = static_cast<unsigned long>(std::labs(v)) * 2 + (v < 0 ? 1 : 0);
    std::string s;
    for (; n >= 64; n >>= 6) s += static_cast<char>(63 + (n & 63));
    return s + static_cast<char>(191 + n);
}

// Labels and circles leave the segment comparison: hp2xx strokes them.
std::string WithoutLabels(const std::string& hpgl) {
    return std::regex_replace(std::regex_replace(hpgl, std::regex("LB[^\x03]*\x03"), ""),
                              std::regex("CI[^;]*;"), "");
}

class HpglTest : public test::WindowTest<ScriptedUi> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ResetHpglReader();
        ResetHelpTexts();
    }
    void Play(const std::string& bytes) {
        DisplayList.clear();
        PlayHpgl(bytes);
    }
    std::vector<std::string> Records(const char* code) const {
        std::vector<std::string> out;
        for (const std::string& r : DisplayList)
            if (r.starts_with(std::string(code) + ";")) out.push_back(r);
        return out;
    }
    testing::TempDir temp{"veldrim_hpgl"};
    std::filesystem::path dir{temp.path()};
};

bool HaveHp2xx() { return std::filesystem::exists("/usr/bin/hp2xx"); }

std::string RunHp2xx(const std::filesystem::path& in, const std::filesystem::path& out, int& code) {
    const std::string log = out.string() + ".log";
    testing_support::RunTool(
        {"/usr/bin/hp2xx", "-q", "-t", "-m", "hpgl", "-f", out.string(), in.string()}, log, code);
    return testing::Slurp(out.string());
}

std::vector<std::filesystem::path> ShippedPictures() {
    std::vector<std::filesystem::path> out;
    for (const auto& e : std::filesystem::directory_iterator(VELDRIM_DATA_DIR))
        if (e.path().extension() == ".plt") out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(HpglTest, SegmentsMatchHp2xx) {
    if (!HaveHp2xx()) GTEST_SKIP() << "hp2xx missing";
    std::vector<std::pair<std::string, std::string>> pictures = {
        {"pen up and down",
         "IN;SP1;PU1000,2000;PD2000,2000,2000,3000;PU;PA4000,500;PD4500,900;PU;"},
        {"negative and blanks", "IN;SP2;PA-500,-300;PD -100 , -300, -100,250;PU0,0;PD700,-50;"},
        {"encoded 7-bit", "IN;SP1;PU100,100;PD200,100;PE7<=" + Pe7(4000) + Pe7(0) + Pe7(1000) +
                              Pe7(0) + Pe7(0) + Pe7(1000) + Pe7(-1000) + Pe7(-1000) + "<" +
                              Pe7(-2000) + Pe7(300) + Pe7(-150) + Pe7(-77) + ";PU;"},
        {"encoded 8-bit", "IN;SP1;PE<=" + Pe8(3000) + Pe8(3000) + Pe8(5000) + Pe8(-120) + Pe8(-7) +
                              Pe8(2222) + "=" + Pe8(100) + Pe8(200) + ";PU;"},
    };
    for (const auto& p : ShippedPictures())
        pictures.emplace_back(p.filename().string(), testing::Slurp(p.string()));
    for (const auto& [name, text] : pictures) {
        const std::string hpgl = WithoutLabels(text);
        const auto file = dir / "in.hpgl";
        testing::Spit(file.string(), hpgl);
        int code = -1;
        const Segments theirs = Hp2xxSegments(RunHp2xx(file, dir / "out.hpgl", code));
        Play(hpgl);
        ASSERT_FALSE(theirs.empty()) << name;
        EXPECT_EQ(OurSegments(), theirs) << name;
    }
}

TEST_F(HpglTest, ShippedPicturesRenderInHp2xxWithoutError) {
    if (!HaveHp2xx()) GTEST_SKIP() << "hp2xx missing";
    const auto pictures = ShippedPictures();
    // null.plt stands for every missing picture; the help texts name the rest.
    ASSERT_GE(pictures.size(), 5u);
    for (const auto& p : pictures) {
        const std::string log = (dir / "log").string();
        int code = -1;
        testing_support::RunTool(
            {"/usr/bin/hp2xx", "-m", "png", "-f", (dir / "x.png").string(), p.string()}, log, code);
        const std::string out = testing::Slurp(log);
        EXPECT_EQ(code, 0) << p;
        EXPECT_NE(out.find("HPGL command(s) ignored: 0"), std::string::npos) << p << out;
        EXPECT_NE(out.find("Unexpected event(s):  0"), std::string::npos) << p << out;
        EXPECT_EQ(out.find("rror"), std::string::npos) << p << out;
        EXPECT_GT(std::filesystem::file_size(dir / "x.png"), 500u) << p;
    }
}

TEST_F(HpglTest, CommandsDrawInMillimetres) {
    Play("PU1000,2000;PD2000,2000;");
    EXPECT_EQ(Records("4"), std::vector<std::string>{"4;25;50;50;50"});
    Play("PU;");  // only lifts the pen
    EXPECT_TRUE(DisplayList.empty());
    // "SP;" selects pen 1, drawn in colour 12; pens 8 and above keep their number.
    Play("SP2;PD40,0;SP;PD80,0;SP9;PD120,0;");
    EXPECT_EQ(Records("8"), (std::vector<std::string>{"8;14", "8;12", "8;9"}));
    // A circle about the current point.
    Play("PA400,800;CI200;");
    EXPECT_EQ(Records("3"), std::vector<std::string>{"3;10;20;5"});
}

TEST_F(HpglTest, LabelsFollowSizeDirectionAndCharacterSet) {
    Play("PA400,400;SI0.2,0.3;DI0,1;CS3;LBMa}ss U}bel\x03;CS1;LBa}\x03;");
    // Height and width are 10 x the centimetres of SI; DI 0,1 writes upward.
    EXPECT_EQ(Records("9")[0], "9;3;2;2;90");
    // The window keeps texts for display (Windows-1252): code page 850's 132
    // and 154 are shown as 'ä' and 'Ü'.
    EXPECT_EQ(Records("6"), (std::vector<std::string>{"6;10;10;M\xE4ss \xDC"
                                                      "bel",
                                                      "6;10;10;a}"}));
}

TEST_F(HpglTest, OverlongLabelIsCutAndItsRestSkipped) {
    const std::string longText(300, 'x');
    Play("LB" + longText + "\x03PU0,0;PD400,0;");
    const auto texts = Records("6");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].size() - std::string("6;-999;-999;").size(), kHpglMaxLabel);
    // The command after the label runs; nothing of the label became a command.
    EXPECT_EQ(Records("4"), std::vector<std::string>{"4;0;0;10;0"});
}

TEST_F(HpglTest, ArcEndsAtItsEndPoint) {
    // A quarter arc about (0, 0) from (400, 0); then a line from the arc's end.
    Play("PU400,0;PD;AA0,0,90;PD0,800;");
    EXPECT_EQ(Records("5"), std::vector<std::string>{"5;-10;-10;10;10;10;0;0;10"});
    const auto line = Records("4");
    ASSERT_EQ(line.size(), 1u);
    Real x1 = 1;
    ParseDisplayReal(line[0].substr(2, line[0].find(';', 2) - 2), x1);
    EXPECT_NEAR(static_cast<double>(x1), 0, 1e-12);
    EXPECT_TRUE(line[0].ends_with(";10;0;20")) << line[0];
    // A full turn is drawn from a1 to a1 + 360.
    Play("PU400,0;PD;AA0,0,360;");
    EXPECT_EQ(Records("5"), std::vector<std::string>{"5;-10;-10;10;10;10;0;10;0"});
}

// The numbers of a display record after its code.
std::vector<double> RecordNumbers(const std::string& record) {
    std::vector<double> out;
    std::stringstream in(record.substr(record.find(';') + 1));
    for (std::string field; std::getline(in, field, ';');) {
        Real x = 0;
        ParseDisplayReal(field, x);
        out.push_back(static_cast<double>(x));
    }
    return out;
}

// A negative sweep runs clockwise. The arc record always runs counter-
// clockwise (box, then start and end), so a clockwise arc is recorded from
// its end to its start; the current point moves to the end all the same.
// Radius 10 mm about the origin; the ends worked by hand.
TEST_F(HpglTest, ArcWithANegativeSweepRunsClockwise) {
    using V = std::vector<double>;
    const struct {
        const char* hpgl;
        V arc;    // box, start, end
        V after;  // the line from the arc's end to (0, 0)
    } cases[] = {
        // From (10, 0) a quarter clockwise ends at (0, -10).
        {"PU400,0;PD;AA0,0,-90;PD0,0;", {-10, -10, 10, 10, 0, -10, 10, 0}, {0, -10, 0, 0}},
        // From (0, 10) a quarter clockwise ends at (10, 0): the arc of the
        // positive quarter from (10, 0).
        {"PU0,400;PD;AA0,0,-90;PD0,0;", {-10, -10, 10, 10, 10, 0, 0, 10}, {10, 0, 0, 0}},
        // Three quarters clockwise from (10, 0) end at (0, 10).
        {"PU400,0;PD;AA0,0,-270;PD0,0;", {-10, -10, 10, 10, 0, 10, 10, 0}, {0, 10, 0, 0}},
        // With the pen up the arc only moves the current point.
        {"PU400,0;AA0,0,-90;PD0,0;", {}, {0, -10, 0, 0}},
    };
    const auto near = [](const V& got, const V& want, const std::string& what) {
        ASSERT_EQ(got.size(), want.size()) << what;
        for (std::size_t i = 0; i < want.size(); ++i)
            EXPECT_NEAR(got[i], want[i], 1e-9) << what << " number " << i;
    };
    for (const auto& c : cases) {
        Play(c.hpgl);
        const auto arcs = Records("5"), lines = Records("4");
        ASSERT_EQ(arcs.size(), c.arc.empty() ? 0u : 1u) << c.hpgl;
        if (!c.arc.empty()) near(RecordNumbers(arcs[0]), c.arc, std::string(c.hpgl) + " arc");
        ASSERT_EQ(lines.size(), 1u) << c.hpgl;
        near(RecordNumbers(lines[0]), c.after, std::string(c.hpgl) + " line");
    }
}

TEST_F(HpglTest, EveryFileStartsWithThePenUp) {
    Play("PD400,0;");
    Play("PA800,0;");
    EXPECT_TRUE(Records("4").empty());
}

TEST_F(HpglTest, DamagedFilesEndQuietly) {
    for (const std::string& bytes :
         {std::string("PD100,100"), std::string("PE7"), std::string("LBnever ends"),
          std::string("\x1b.(;PU"), std::string("PE:"), std::string("AA1"), std::string(1, '\0'),
          std::string("PE7?\xff\xfe;"), std::string("PD1e99999,4;DI;SI;")}) {
        cancelFlag = true;
        Play(bytes);
        EXPECT_FALSE(cancelFlag) << bytes;
    }
}

TEST_F(HpglTest, MissingFileShowsItsNameAndSetsCancel) {
    ReadHpglFile((dir / "no such.plt").string());
    EXPECT_TRUE(cancelFlag);
    const auto shown = ui.CallsOf("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, (dir / "nosuch.plt").string() + " nicht gefunden !");
}

TEST_F(HpglTest, MissingHelpPictureKeepsTheViewAndSaysSo) {
    InstallHpglHelpPictures();
    Play("PU0,0;PD4000,0;");
    const auto before = DisplayList;
    ASSERT_FALSE(before.empty());
    helpPictureHook((dir / "stlhoehe.plt").string());
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(DisplayList, before);
    const auto shown = ui.CallsOf("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, (dir / "stlhoehe.plt").string() + " nicht gefunden !");
}

TEST_F(HpglTest, HelpPictureIsPlayedThroughTheHook) {
    InstallHpglHelpPictures();
    helpDirectory = VELDRIM_DATA_DIR;
    ShowHelpText(1950, "", kHelpPictureOnly);
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(ui.CallsOf("message").empty());
    EXPECT_GT(Records("4").size(), 20u);
    // A missing entry draws the "null" picture.
    DisplayList.clear();
    ShowHelpText(1234, "", kHelpPictureOnly);
    EXPECT_GT(Records("4").size(), 4u);
}

// A folder, or a pipe, named like a help picture is reported as a missing
// picture is: the message, the cancel flag, the view unchanged, and no
// exception out of the reader (nor a wait on the pipe).
TEST_F(HpglTest, AFolderOrPipeNamedLikeAPictureIsReportedAsMissing) {
    std::filesystem::create_directory(dir / "stlhoehe.plt");
    ASSERT_EQ(::mkfifo((dir / "zahnrad.plt").c_str(), 0600), 0);
    InstallHpglHelpPictures();
    Play("PU0,0;PD4000,0;");
    const auto before = DisplayList;
    for (const char* name : {"stlhoehe.plt", "zahnrad.plt"}) {
        SCOPED_TRACE(name);
        const std::string path = (dir / name).string();
        for (int viaHelp = 0; viaHelp < 2; ++viaHelp) {
            ui.calls.clear();
            cancelFlag = false;
            EXPECT_NO_THROW(viaHelp ? helpPictureHook(path) : ReadHpglFile(path));
            EXPECT_TRUE(cancelFlag);
            EXPECT_EQ(DisplayList, before);
            const auto shown = ui.CallsOf("message");
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].text, path + " nicht gefunden !");
        }
    }
}

}  // namespace
}  // namespace veldrim
