#include "foundation/codepage.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>

namespace veldrim {
namespace {

// Runs iconv on the bytes; nullopt-like empty result with ok=false on failure.
bool Iconv(const std::string& from, const std::string& to, const std::string& in, std::string& out) {
    char path[] = "/tmp/veldrim-iconv-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return false;
    FILE* f = fdopen(fd, "wb");
    std::fwrite(in.data(), 1, in.size(), f);
    std::fclose(f);
    std::string cmd = "iconv -f " + from + " -t " + to + " " + path + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    out.clear();
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
    int rc = pclose(p);
    std::remove(path);
    return rc == 0;
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

TEST(CodePage, Cp850AndWin1252AgreeOnSharedLetters) {
    std::string oem = "\x81\x84\x94\xE1\xF8\xFD";  // ü ä ö ß ° ²
    EXPECT_EQ(Cp850ToWin1252(oem), "\xFC\xE4\xF6\xDF\xB0\xB2");
    EXPECT_EQ(Win1252ToCp850("\xFC\xE4\xF6\xDF\xB0\xB2"), oem);
    // Box drawing has no Windows-1252 form.
    EXPECT_EQ(Cp850ToWin1252("\xC4", '#'), "#");
}

TEST(CodePage, LiteralIsEncodedAtCompileTime) {
    constexpr std::string_view s = "Maß 20°"_cp850;
    static_assert(s.size() == 7);
    EXPECT_EQ(s, "Ma\xE1 20\xF8");
    EXPECT_EQ("Ölstand µm ±"_cp850, "\x99lstand \xE6m \xF1");
    EXPECT_EQ(""_cp850, "");
}

TEST(CodePage, MalformedUtf8BecomesReplacement) {
    EXPECT_EQ(Utf8ToCp850("a\xC3"), "a?");
    EXPECT_EQ(Utf8ToCp850("\xE2\x82\xAC"), "?");  // the euro sign is not in code page 850
    EXPECT_EQ(Utf8ToWin1252("\xE2\x82\xAC"), "\x80");
}

}  // namespace
}  // namespace veldrim
