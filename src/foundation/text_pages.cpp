#include "foundation/text_pages.h"

#include "foundation/files.h"

namespace veldrim {

namespace {
constexpr char kFormFeed = '\f';
constexpr const char* kStyleWords[] = {"bold", "italic", "underline", "strikeout"};
}  // namespace

int FontStyleToIndex(FontStyles styles) { return static_cast<int>(styles & 15u); }

FontStyles IndexToFontStyle(int index, FontStyles styles) {
    if (index < 0 || index > 15) return styles;
    return static_cast<FontStyles>(index);
}

std::string FontStyleName(int index) {
    if (index < 1 || index > 15) return {};
    std::string name;
    for (int bit = 0; bit < 4; ++bit) {
        if (!(index & (1 << bit))) continue;
        if (!name.empty()) name += ' ';
        name += kStyleWords[bit];
    }
    return name;
}

bool ReadTextFileLines(const std::string& path, std::vector<std::string>& lines) {
    // A folder, a pipe or a device at the name is no text file: it reads
    // as a missing file does.
    std::string all;
    if (!ReadWholeRegularFile(path, all)) return false;
    lines.clear();
    std::size_t start = 0;
    while (start < all.size()) {
        std::size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        std::string line = all.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return true;
}

int CountTextPages(const std::vector<std::string>& lines) {
    int pages = 1;
    for (const std::string& l : lines)
        if (!l.empty() && l.front() == kFormFeed) ++pages;
    return pages;
}

std::vector<TextPage> TextPagesInRange(const std::vector<std::string>& lines, int from, int to) {
    std::vector<TextPage> pages;
    if (from < 1) from = 1;
    if (to < from) return pages;
    int page = 1;
    auto wanted = [&] { return page >= from && page <= to; };
    if (wanted()) pages.push_back({page, {}});
    for (const std::string& l : lines) {
        if (!l.empty() && l.front() == kFormFeed) {
            ++page;
            if (page > to) break;
            if (wanted()) pages.push_back({page, {}});
            continue;
        }
        if (wanted()) pages.back().lines.push_back(l);
    }
    return pages;
}

}  // namespace veldrim
