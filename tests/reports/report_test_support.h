#pragma once
// The report tests' fixture (clean state, temporary folder, fixed clock, shipped
// message texts, scripted UI) and helpers that write reports and read them back.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "calc/cylindrical/cyl_bridge.h"
#include "calc/cylindrical/cyl_record.h"
#include "calc/records.h"
#include "foundation/help_texts.h"
#include "foundation/message_boxes.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "foundation/system_info.h"
#include "foundation/text_file.h"
#include "foundation/ui_services.h"
#include "reports/report_channel.h"
#include "support/scripted_ui.h"
#include "support/outside_programs.h"
#include "support/test_files.h"

namespace veldrim::testing_support {

namespace fs = std::filesystem;
using veldrim::testing::CrLfLines;
using veldrim::testing::Slurp;

inline std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) c == '\t' ? fields.emplace_back() : fields.back() += c;
    return fields;
}

inline bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

inline std::size_t CountOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t p = 0; (p = text.find(part, p)) != std::string::npos; p += part.size()) ++n;
    return n;
}

inline std::vector<std::string> MessageTexts() {
    return {messageList.slot.begin() + 1, messageList.slot.begin() + 1 + messageList.count};
}

inline std::string Trim(const std::string& s) {
    const auto a = s.find_first_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// One row of a TXT report: label TAB symbol TAB unit TAB value [TAB value].
struct Row {
    std::string label, symbol, unit, v1, v2;
    bool operator==(const Row&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Row& r) {
    return os << r.label << "|" << r.symbol << "|" << r.unit << "|" << r.v1 << "|" << r.v2;
}

// The rows of a TXT report from the title `from` (if given) to the text `to`.
inline std::vector<Row> TxtRows(const std::string& text, const std::string& from = "",
                                const std::string& to = "") {
    const auto a = from.empty() ? 0 : text.find(from + "\r\n");
    if (a == std::string::npos) return {};
    const auto b = to.empty() ? std::string::npos : text.find(to, a);
    std::vector<Row> rows;
    for (const std::string& line : CrLfLines(text.substr(a, b == std::string::npos ? b : b - a))) {
        const auto f = SplitTabs(line);
        if (f.size() == 4 || f.size() == 5)
            rows.push_back({f[0], f[1], f[2], Trim(f[3]), f.size() == 5 ? Trim(f[4]) : ""});
    }
    return rows;
}

inline Row FindRow(const std::vector<Row>& rows, const std::string& symbol) {
    for (const Row& r : rows)
        if (r.symbol == symbol) return r;
    ADD_FAILURE() << "no row " << symbol;
    return {};
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetAllProgramState();
        ASSERT_FALSE(dir.empty());
        userDirectory = dataDirectory = dir;
        helpDirectory = VELDRIM_DATA_DIR;
        std::tm moment{};
        moment.tm_year = 2026 - 1900, moment.tm_mon = 11, moment.tm_mday = 6, moment.tm_hour = 9,
        moment.tm_min = 5;
        SetFixedNow(moment);
        fs::current_path(dir);
    }
    void TearDown() override {
        fs::current_path(oldCwd);
        ResetAllProgramState();
    }
    std::string In(const std::string& leaf) const { return dir + "/" + leaf; }

    // Opens the channel on a destination and rewrites (HTML gets a file name).
    void Open(std::uint16_t destination) {
        SetReportHeader("Titel", "Sub 1", "Sub 2", "Sub 3", "", 0);
        if (destination == kReportHtmlFile) ui.QueueText(In("open.htm"));
        ReportOpen(destination, "x");
        ASSERT_FALSE(cancelFlag);
        ReportRewrite();
        ASSERT_FALSE(cancelFlag) << "rewrite";
    }
    // Closes the file without handing it over and returns its text.
    std::string Written() {
        CloseChecked(sharedTextFile);
        return Slurp(reportOutputName);
    }
    // Writes one whole report through the default destination; the file's bytes.
    std::string Produce(std::uint16_t destination, const std::function<void()>& print) {
        cancelFlag = false;
        textDevice = static_cast<std::int16_t>(destination);
        if (destination == kReportHtmlFile || destination == kReportTextFile)
            ui.QueueText(In("report-" + std::to_string(++serial) +
                            (destination == kReportHtmlFile ? ".htm" : ".txt")));
        print();
        EXPECT_FALSE(cancelFlag);
        return Slurp(reportOutputName);
    }
    bool AnyMessageContains(const std::string& part) const {
        return std::ranges::any_of(ui.CallsOf("message"),
                                   [&](const auto& c) { return Contains(c.text, part); });
    }

    veldrim::testing::TempDir tmp{"veldrim-report"};
    const std::string dir = tmp.path();
    const fs::path oldCwd = fs::current_path();
    int serial = 0;
    ScriptedUi ui;
    ScopedUi scope{ui};
};

}  // namespace veldrim::testing_support
