// "Append dbf" of a damaged source and "Append Delimited" whose write fails
// part way in the table editor window: the report is shown once, and the
// grid, its record count and the record box show every record the table
// then holds.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "qt/qt_test_support.h"
#include "qt/table_editor_window_fixture.h"
#include "support/fault_calls.h"
#include "tables/qt/tz_navigator.h"

namespace veldrim::testing {
namespace {

TEST_F(TableEditorWindowTest, AnAppendThatFailsPartWayShowsEveryRecordTheTableHolds) {
    // The parts layout: 1 + 10 + 6 + 1 + 8 bytes a record, a header of
    // 32 + 4 * 32 + 1 bytes.
    constexpr std::size_t kRecordLength = 26;
    constexpr std::size_t kHeaderLength = 161;
    const std::vector<std::string> fourRecords = {
        " anna         1.0T20250101", " bert         2.0F20250102", " carl         3.0T20250103",
        " dora         4.0F20250104"};
    const std::string damaged = Path("damaged.dbf");
    const std::string text = Path("more.txt");
    // A damaged source: `stated` records in its header, `bytes` of records
    // kept in the file.
    const auto damagedSource = [&](uint32_t stated, std::size_t bytes) {
        return [&, stated, bytes] {
            std::vector<uint8_t> b = BuildDbf(
                0x03,
                {{"NAME", 'C', 10, 0}, {"VALUE", 'N', 6, 1}, {"OK", 'L', 1, 0}, {"DAY", 'D', 8, 0}},
                fourRecords);
            Put32(b, 4, stated);
            b.resize(kHeaderLength + bytes);
            WriteBytes(damaged, b);
            return damaged;
        };
    };
    struct Case {
        const char* what;
        std::function<std::string()> source;  // writes the file to append, gives its name
        QAction* TableEditorWindow::*menu;
        // The changing file call that fails (0: none): each appended record
        // takes two writes, so the fifth is the third record's.
        long failingCall;
        const char* message;  // a part of the one message
        int whole;            // records appended
        const char* recordBox;
    };
    const Case cases[] = {
        {"Append dbf, 4 stated, 2.5 held", damagedSource(4, 2 * kRecordLength + kRecordLength / 2),
         &TableEditorWindow::miFileAppendDbf, 0, "enth\x84lt 2 ganze", 2, "1"},
        {"Append dbf, 2^31 - 1 stated, 4 held", damagedSource(0x7FFFFFFF, 4 * kRecordLength),
         &TableEditorWindow::miFileAppendDbf, 0, "enth\x84lt 4 ganze", 4, "1"},
        {"Append Delimited, the third record's write failing",
         [&] {
             Spit(text,
                  "\"anna\",1.0,T,20250101\r\n\"bert\",2.0,F,20250102\r\n"
                  "\"carl\",3.0,T,20250103\r\n\"dora\",4.0,F,20250104\r\n");
             return text;
         },
         &TableEditorWindow::miFileAppendDelimited, 5,
         "Fehler Nr. 101 (Disketten-/Festplatten-Schreibfehler)", 2, "5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenParts();
        const std::string source = c.source();
        // The report runs a real modal box, as in the window.
        veldrim::test::ModalMessageUi boxes;
        ScopedUi scope{boxes};
        boxes.QueueText(source);
        {
            std::optional<FaultCalls> failing;
            if (c.failingCall > 0) failing.emplace(FaultCalls::kFail, c.failingCall, ENOSPC);
            (window.get()->*c.menu)->trigger();
            if (failing) {
                EXPECT_TRUE(failing->Fired()) << "the write did not fail";
            }
        }
        const int rows = 3 + c.whole;
        const std::vector<std::string> messages = boxes.TextsOf("message");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(boxes.closedByOk, 1) << "the message's box ran";
        EXPECT_TRUE(Contains(messages[0], c.message)) << messages[0];
        EXPECT_EQ(DbfRead(path, "print(len(t.records))"), std::to_string(rows) + "\n");
        EXPECT_EQ(Model().rowCount(), rows);
        EXPECT_EQ(window->labelReccount->text().toStdString(), "/" + std::to_string(rows));
        EXPECT_EQ(window->editRecno->text().toStdString(), c.recordBox);
        EXPECT_EQ(Cell(3, 0), "anna");
        EXPECT_EQ(Cell(rows - 1, 0), c.whole == 2 ? "bert" : "dora");

        window->navigator->Click(TzNavButton::nbLast);
        EXPECT_EQ(Model().rowCount(), rows);
        EXPECT_EQ(window->grid->currentIndex().row(), rows - 1);
        EXPECT_EQ(window->editRecno->text().toStdString(), std::to_string(rows));
        window.reset();
        CloseDbfTable();
    }
}

}  // namespace
}  // namespace veldrim::testing
