// Text printing by pages and the font-style numbers of the configuration.
#include "foundation/text_pages.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace veldrim {
namespace {

TEST(FontStyles, IndexNameAndSetAgree) {
    const std::tuple<FontStyles, int, const char*> cases[] = {
        {0, 0, ""},
        {fsBold, 1, "bold"},
        {fsItalic, 2, "italic"},
        {fsBold | fsUnderline, 5, "bold underline"},
        {fsItalic | fsStrikeOut, 10, "italic strikeout"},
        {fsBold | fsItalic | fsUnderline | fsStrikeOut, 15, "bold italic underline strikeout"},
    };
    for (const auto& [styles, index, name] : cases) {
        EXPECT_EQ(FontStyleToIndex(styles), index) << name;
        EXPECT_EQ(IndexToFontStyle(index, fsItalic), styles) << index;
        EXPECT_EQ(FontStyleName(index), name) << index;
    }
    EXPECT_EQ(IndexToFontStyle(16, fsBold | fsItalic), fsBold | fsItalic);
    EXPECT_EQ(IndexToFontStyle(-1, fsUnderline), fsUnderline);
    EXPECT_EQ(FontStyleName(16), "");
}

// Every page is offered: a text without a form feed is one page, and the
// page after the final form feed counts too.
TEST(TextPages, EveryPageIsOffered) {
    const std::pair<std::vector<std::string>, int> cases[] = {
        {{}, 1},
        {{"a", "b"}, 1},
        {{"a", "\f", "b"}, 2},
        {{"a", "\fSeite 2", "b", "\f"}, 3},
    };
    for (const auto& [lines, pages] : cases)
        EXPECT_EQ(CountTextPages(lines), pages) << lines.size();
}

TEST(TextPages, RangeHoldsTheLinesOfItsPagesWithoutFormFeedLines) {
    const std::vector<std::string> lines{"p1 a", "p1 b", "\f", "p2 a", "\f", "p3 a", "p3 b"};
    const auto pages = TextPagesInRange(lines, 2, 3);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].number, 2);
    EXPECT_EQ(pages[0].lines, (std::vector<std::string>{"p2 a"}));
    EXPECT_EQ(pages[1].number, 3);
    EXPECT_EQ(pages[1].lines, (std::vector<std::string>{"p3 a", "p3 b"}));
    EXPECT_TRUE(TextPagesInRange(lines, 3, 2).empty());
    EXPECT_EQ(TextPagesInRange(lines, 0, 1).size(), 1u);
}

TEST(TextPages, PagesBeyond255ArePrinted) {
    std::vector<std::string> lines;
    for (int page = 1; page <= 300; ++page) {
        if (page > 1) lines.push_back("\f");
        lines.push_back("Seite " + std::to_string(page));
    }
    EXPECT_EQ(CountTextPages(lines), 300);
    const auto pages = TextPagesInRange(lines, 256, 300);
    ASSERT_EQ(pages.size(), 45u);
    EXPECT_EQ(pages.front().lines, (std::vector<std::string>{"Seite 256"}));
    EXPECT_EQ(pages.back().number, 300);
    EXPECT_EQ(pages.back().lines, (std::vector<std::string>{"Seite 300"}));
}

TEST(TextPages, LinesAreReadWithEitherLineEnd) {
    veldrim::testing::TempDir dir;
    veldrim::testing::Spit(dir / "t.txt", "eins\r\nzwei\ndrei");
    std::vector<std::string> lines;
    ASSERT_TRUE(ReadTextFileLines(dir / "t.txt", lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"eins", "zwei", "drei"}));
    EXPECT_FALSE(ReadTextFileLines(dir / "none.txt", lines));
}

}  // namespace
}  // namespace veldrim
