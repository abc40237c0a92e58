// The usage screen of "veldrim /?" says what each switch does in this build,
// in the words of the README's "Command line" section: the same command
// lines, every switch of them explained, and the CAD switch, which this build
// does not carry out, said to end with status 5.
#include <gmock/gmock.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "app/startup.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

// The lines of the README's "Command line" section.
std::vector<std::string> ReadmeCommandLineSection() {
    std::istringstream in(testing::Slurp(VELDRIM_TEST_DIR "/../README.md"));
    std::vector<std::string> lines;
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("## "))
            inside = line == "## Command line";
        else if (inside)
            lines.push_back(line);
    }
    return lines;
}

TEST(UsageText, SaysWhatEachSwitchDoesInThisBuildAsTheReadmeDoes) {
    const std::string usage = UsageText("veldrim");
    EXPECT_EQ(usage,
              "veldrim Filename [/I] [/CADi:j] [/E] [/NOGUI] [/ARCHIV]\n"
              "veldrim /?\n"
              "veldrim [Filename] [/G] [/ARCHIV]\n"
              "  /I        write the text report of the data file\n"
              "  /E        read a data-exchange file, calculate, write it anew\n"
              "  /CADi:j   CAD item j in format i: not part of this build, ends with\n"
              "            status 5\n"
              "  /NOGUI    never open a window or dialog\n"
              "  /G        open the window on the calculated data set, as without a\n"
              "            switch; without a display it ends with status 5\n"
              "  /ARCHIV   archive mode: the data file is named by its name alone;\n"
              "            with \"Archive Flag ?\" set, Speichern and saving under a\n"
              "            new name are refused\n"
              "  /?        this screen\n");

    const std::vector<std::string> readme = ReadmeCommandLineSection();
    ASSERT_FALSE(readme.empty()) << "no \"Command line\" section in the README";
    // The command lines: the README's indented block, the usage's first lines.
    std::vector<std::string> readmeLines, usageLines;
    for (const std::string& l : readme)
        if (l.starts_with("    veldrim")) readmeLines.push_back(l.substr(4));
    std::istringstream u(usage);
    std::map<std::string, std::string> explained;  // switch -> its text on the screen
    std::string last;
    for (std::string l; std::getline(u, l);) {
        if (l.starts_with("veldrim"))
            usageLines.push_back(l);
        else if (l.starts_with("  /"))
            explained[last = l.substr(2, l.find(' ', 2) - 2)] = l;
        else
            explained[last] += l;
    }
    EXPECT_EQ(usageLines, readmeLines);
    // Every switch of the command lines is explained on the screen and in
    // the README's list.
    std::set<std::string> switches;
    static const std::regex aSwitch(R"(/[A-Za-z?][A-Za-z:]*)");
    for (const std::string& l : readmeLines)
        for (auto it = std::sregex_iterator(l.begin(), l.end(), aSwitch);
             it != std::sregex_iterator(); ++it)
            switches.insert(it->str());
    EXPECT_EQ(switches.size(), 7u);
    for (const std::string& s : switches) {
        EXPECT_TRUE(explained.contains(s)) << s << " is not explained on the usage screen";
        EXPECT_THAT(readme, ::testing::Contains(::testing::StartsWith("- `" + s + "`")))
            << s << " is not explained in the README";
    }
    // What this build does not carry out is said so on both.
    EXPECT_THAT(explained["/CADi:j"], ::testing::HasSubstr("not part of this build"));
    EXPECT_THAT(explained["/CADi:j"], ::testing::HasSubstr("status 5"));
    std::string readmeCad;
    for (const std::string& l : readme)
        if (l.starts_with("- `/CADi:j`") || (!readmeCad.empty() && l.starts_with("  ")))
            readmeCad += l;
        else if (!readmeCad.empty())
            break;
    EXPECT_THAT(readmeCad, ::testing::HasSubstr("not part of this build"));
    EXPECT_THAT(readmeCad, ::testing::HasSubstr("status 5"));
}

}  // namespace
}  // namespace veldrim
