#include "foundation/codepage.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

#include "support/test_files.h"

namespace veldrim {
namespace {

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
