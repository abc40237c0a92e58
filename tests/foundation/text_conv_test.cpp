#include "foundation/text_conv.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "foundation/codepage.h"
#include "foundation/program_state.h"
#include "foundation_file_fixture.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

class TextConv : public testing::StateFixture {};

TEST_F(TextConv, NoConversionEmptiesALongText) {
    const std::string longText(300, 'x');
    using Conv = std::string (*)(std::string_view);
    for (Conv conv : {&DisplayText, &OemToWin, &WinToOem, &WinToOemText, &TransliterateOem, &OemToWinTable,
                      &ConvertCadText, &UpperText})
        EXPECT_EQ(conv(longText).size(), 300u);
    EXPECT_EQ(DisplayText("Ma\xE1 20\xF8"), "Ma\xDF 20\xB0");  // to Windows-1252
    codePageOption = 1;
    EXPECT_EQ(DisplayText("Maß 20°"_cp850), "Mass 20deg");
}

// Every byte stays, or is box drawing turned into '|', '+' or '-', or is a code
// page 850 letter turned into its own Windows letter; ASCII, '|' included, stays.
TEST_F(TextConv, ScreenTableKeepsAsciiBarAndMapsOnlyBoxDrawingAndLetters) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const std::string out = OemToWinTable(all);
    ASSERT_EQ(out.size(), 256u);
    auto at = [&](int b) { return static_cast<unsigned char>(out[b]); };
    for (int b = 0; b < 256; ++b) {
        const char32_t u = kCp850ToUnicode[b];
        const bool box = u >= 0x2500 && u <= 0x257F;
        const bool asBox = box && (at(b) == '|' || at(b) == '+' || at(b) == '-');
        const bool asLetter = !box && static_cast<int>(at(b)) == UnicodeToWin1252(u);
        EXPECT_TRUE(at(b) == b || asBox || asLetter) << b << " -> " << int(at(b));
        if (b < 128) EXPECT_EQ(at(b), b);
    }
    for (int b : {179, 186, 197}) EXPECT_EQ(at(b), '|') << b;
    for (int b : {187, 201, 218}) EXPECT_EQ(at(b), '+') << b;
    EXPECT_EQ(at(205), '-');
    const std::pair<int, int> letters[] = {{181, 0xC1}, {184, 0xA9}, {209, 0xD0}, {225, 0xDF}, {253, 0xB2}};
    for (auto [oem, win] : letters) EXPECT_EQ(at(oem), win) << oem;
}

TEST_F(TextConv, OemToWinAgreesWithTheCodePageTables) {
    for (int b = 0; b < 256; ++b) {
        const std::string out = OemToWin(std::string(1, static_cast<char>(b)));
        const int w = UnicodeToWin1252(kCp850ToUnicode[b]);
        EXPECT_TRUE(out.size() == 1 && (w >= 0 ? static_cast<unsigned char>(out[0]) == w : out[0] != '\0')) << b;
    }
    EXPECT_EQ(WinToOem(OemToWin("Gr\x94\xE1" "e")), "Gr\x94\xE1" "e");
}

TEST_F(TextConv, CadTextBySet) {
    const std::string oel = "Ölstand"_cp850.data();
    const std::pair<int, std::string> cases[] = {{1, oel}, {2, "\xD6lstand"}, {3, "Oelstand"}};
    for (const auto& [set, want] : cases) {
        cadTextCharacterSet = set;
        EXPECT_EQ(ConvertCadText(oel), want) << set;
    }
    EXPECT_EQ(TransliterateOem("±µ²ÄÖÜäöüßéáúñ─═"_cp850), "+/-u2AeOeUeaeoeuessea" "un--");
}

TEST_F(TextConv, PaddingTrimmingAndShortening) {
    EXPECT_EQ(PadLeft("  12 ", 5), "   12");
    EXPECT_EQ(PadLeft("123456", 3), "123");
    EXPECT_EQ(PadRight("abcdef", 4), "abcd");
    EXPECT_EQ(RightStr("abc", -1), "");
    EXPECT_EQ(ShortenMiddle("ABCDEFGHIJKL", 12), "ABCD__IJKL");
    EXPECT_EQ(ShortenMiddle("ABCDEFGHIJK", 12), "ABCDEFGHIJK");
    EXPECT_EQ(ShortenWithDots("abcdefghijklmnopqrstuvwxyz0123", 20), "abcdefg ... wxyz0123");
    EXPECT_EQ(UpperText("ab\x81z"), "AB\x81Z");
}

TEST_F(TextConv, CountingAndOverwriting) {
    EXPECT_EQ(CountSubstr("aa", "aaaa"), 3);  // overlapping finds count
    EXPECT_EQ(CountSubstr("", "aaaa"), 0);
    EXPECT_EQ(CountSubstr("a", std::string(400, 'a')), 255);
    std::string d = "abcdef";
    OverwriteAt("XY", d, 5);
    EXPECT_EQ(d, "abcdXY");
    OverwriteAt("..", d, 6);  // would run past the end
    OverwriteAt("..", d, 0);
    EXPECT_EQ(d, "abcdXY");
}

TEST_F(TextConv, WrapToLinesBreaksBeforeTheWidth) {
    int lines = 0, maxLen = 0;
    WrapToLines("aaa bbb ccc", ' ', 8, lines, maxLen);
    EXPECT_EQ(lines, 2);
    EXPECT_EQ(maxLen, 7);
    EXPECT_EQ(lineBuffers[1] + "|" + lineBuffers[2], "aaa |bbb ccc");
    WrapToLines("abcdefghij", ' ', 4, lines, maxLen);
    EXPECT_EQ(lines, 3);
    EXPECT_EQ(lineBuffers[3], "ij");
    // More than five lines: the fifth keeps the rest, nothing beyond it is touched.
    WrapToLines(std::string(40, 'x'), ' ', 4, lines, maxLen);
    EXPECT_EQ(lines, 5);
    EXPECT_EQ(lineBuffers[5].size(), 24u);
}

TEST_F(TextConv, ParamsAndEnvironment) {
    const char* argv[] = {"veldrim", "demo.qb3", "/nogui"};
    SetProgramParams(3, argv);
    EXPECT_TRUE(HasParam("/NOGUI"));
    EXPECT_FALSE(HasParam("/I"));
    EXPECT_FALSE(HasParam("veldrim"));
    EXPECT_EQ(GetEnvVar("VELDRIM_NO_SUCH_VAR_123"), "");
}

// Runs iconv on the bytes; false when iconv refuses them.
bool Iconv(const std::string& from, const std::string& to, const std::string& in, std::string& out) {
    testing::TempDir tmp("veldrim-iconv");
    testing::Spit(tmp / "in", in);
    FILE* p = popen(("iconv -f " + from + " -t " + to + " " + (tmp / "in") + " 2>/dev/null").c_str(), "r");
    out.clear();
    std::array<char, 4096> buf;
    for (size_t n; (n = std::fread(buf.data(), 1, buf.size(), p)) > 0;) out.append(buf.data(), n);
    return pclose(p) == 0;
}

TEST(CodePage, Cp850TableMatchesIconvForAllBytes) {
    for (int b = 0; b < 256; ++b) {
        std::string in(1, static_cast<char>(b)), want;
        ASSERT_TRUE(Iconv("CP850", "UTF-8", in, want)) << b;
        EXPECT_EQ(Cp850ToUtf8(in), want) << "byte " << b;
        std::string back;
        ASSERT_TRUE(Iconv("UTF-8", "CP850", want, back));
        EXPECT_EQ(Utf8ToCp850(want), back) << "byte " << b;
    }
}

TEST(CodePage, Win1252TableMatchesIconvForAllAssignedBytes) {
    int unassigned = 0;
    for (int b = 0; b < 256; ++b) {
        std::string in(1, static_cast<char>(b)), want;
        if (!Iconv("WINDOWS-1252", "UTF-8", in, want)) {
            // Unassigned in Windows-1252: the table keeps the C1 control.
            EXPECT_EQ(kWin1252ToUnicode[b], b);
            ++unassigned;
            continue;
        }
        EXPECT_EQ(Win1252ToUtf8(in), want) << "byte " << b;
        EXPECT_EQ(Utf8ToWin1252(want), in) << "byte " << b;
    }
    EXPECT_EQ(unassigned, 5);
}

TEST(CodePage, LettersBetweenTablesLiteralsAndMalformedInput) {
    const std::string oem = "\x81\x84\x94\xE1\xF8\xFD";  // ü ä ö ß ° ²
    EXPECT_EQ(Win1252ToCp850(Cp850ToWin1252(oem)), oem);
    EXPECT_EQ(Cp850ToWin1252("\xC4", '#'), "#");  // box drawing has no Windows-1252 form
    static_assert("Maß 20°"_cp850.size() == 7);
    EXPECT_EQ("Ölstand µm ±"_cp850, "\x99lstand \xE6m \xF1");
    EXPECT_EQ(Utf8ToCp850("a\xC3"), "a?");
    EXPECT_EQ(Utf8ToCp850("\xE2\x82\xAC"), "?");  // the euro sign is not in code page 850
}

}  // namespace
}  // namespace veldrim
