#pragma once
// Text printing by pages and the font-style numbers of the configuration.
//
// A text file for printing is cut into pages at lines that begin with the
// form-feed character (12): such a line ends the page before it and is not
// printed itself. Every page is offered, the last one after the final form
// feed too, so a text without a form feed is one page. Page numbers have no
// upper limit.

#include <string>
#include <vector>

namespace veldrim {

// Font styles as the configuration stores them: the sum of the bits.
enum FontStyleBit : unsigned {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};
using FontStyles = unsigned;

int FontStyleToIndex(FontStyles styles);
// The style set of index 0..15; any other index returns `styles` unchanged.
FontStyles IndexToFontStyle(int index, FontStyles styles);
// "bold", "italic underline", ...; index 0 and indices outside 1..15 give "".
std::string FontStyleName(int index);

struct TextPage {
    int number = 1;                  // 1-based
    std::vector<std::string> lines;  // without their line ends, form-feed lines left out
};

// Reads the lines of a text file (CR LF or LF); false when it cannot be read
// or is no plain file (a folder, a pipe, a device).
bool ReadTextFileLines(const std::string& path, std::vector<std::string>& lines);
// The number of pages: one more than the lines that begin with a form feed.
int CountTextPages(const std::vector<std::string>& lines);
// The pages from..to (1-based, inclusive) with their lines.
std::vector<TextPage> TextPagesInRange(const std::vector<std::string>& lines, int from, int to);

}  // namespace veldrim
