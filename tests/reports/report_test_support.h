#pragma once
// Shared fixture of the report tests: a clean program state, a temporary user
// and data folder, a fixed clock, the shipped message text file and a
// scripted UI; helpers that read written reports back.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "calc/cyl_bridge.h"
#include "calc/cyl_record.h"
#include "calc/records.h"
#include "foundation/help_texts.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/system_info.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"
#include "reports/report_channel.h"

namespace veldrim::testing_support {

namespace fs = std::filesystem;

using veldrim::testing::Slurp;

// Lines of a file split at LF, each without its CR.
inline std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

inline std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetMessages();
        ResetSharedTextFile();
        ResetMessageBoxes();
        ResetHelpTexts();
        ResetGearData();
        ResetCylGearRecord();
        ResetCylBridge();
        ResetReportChannel();
        char pattern[] = "/tmp/veldrim-report-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        userDirectory = dir;
        dataDirectory = dir;
        helpDirectory = VELDRIM_DATA_DIR;
        std::tm moment{};
        moment.tm_year = 2026 - 1900;
        moment.tm_mon = 11;
        moment.tm_mday = 6;
        moment.tm_hour = 9;
        moment.tm_min = 5;
        SetFixedNow(moment);
        oldCwd = fs::current_path();
        fs::current_path(dir);
    }
    void TearDown() override {
        fs::current_path(oldCwd);
        ResetSharedTextFile();
        ResetReportChannel();
        SetFixedNow(std::nullopt);
        fs::remove_all(dir);
    }
    std::string In(const std::string& leaf) const { return dir + "/" + leaf; }

    std::string dir;
    fs::path oldCwd;
    ScriptedUi ui;
    ScopedUi scope{ui};
};

}  // namespace veldrim::testing_support
