// "Append dbf" of a damaged source in the table editor window: the report
// of the damage is shown once, and the grid, its record count and the
// record box show every record the table then holds.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qt/qt_test_support.h"
#include "qt/table_editor_window_fixture.h"
#include "tables/qt/tz_navigator.h"

namespace veldrim::testing {
namespace {

TEST_F(TableEditorWindowTest, AppendDbfOfADamagedSourceShowsEveryRecordTheTableHolds) {
    // The parts layout: 1 + 10 + 6 + 1 + 8 bytes a record, a header of
    // 32 + 4 * 32 + 1 bytes.
    constexpr std::size_t kRecordLength = 26;
    constexpr std::size_t kHeaderLength = 161;
    struct Case {
        const char* what;
        uint32_t stated;
        std::size_t bytes;  // of records kept in the file
        int whole;
    };
    const Case cases[] = {
        {"4 stated, 2.5 held", 4, 2 * kRecordLength + kRecordLength / 2, 2},
        {"2^31 - 1 stated, 4 held", 0x7FFFFFFF, 4 * kRecordLength, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OpenParts();
        std::vector<uint8_t> b = BuildDbf(
            0x03,
            {{"NAME", 'C', 10, 0}, {"VALUE", 'N', 6, 1}, {"OK", 'L', 1, 0}, {"DAY", 'D', 8, 0}},
            {" anna         1.0T20250101", " bert         2.0F20250102",
             " carl         3.0T20250103", " dora         4.0F20250104"});
        Put32(b, 4, c.stated);
        b.resize(kHeaderLength + c.bytes);
        const std::string source = Path("damaged.dbf");
        WriteBytes(source, b);
        // The report runs a real modal box, as in the window.
        veldrim::test::ModalMessageUi boxes;
        ScopedUi scope{boxes};
        boxes.QueueText(source);
        window->miFileAppendDbf->trigger();
        const int rows = 3 + c.whole;
        const std::vector<std::string> messages = boxes.TextsOf("message");
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(boxes.closedByOk, 1) << "the message's box ran";
        EXPECT_TRUE(Contains(messages[0], "enth\x84lt " + std::to_string(c.whole) + " ganze"))
            << messages[0];
        EXPECT_EQ(DbfRead(path, "print(len(t.records))"), std::to_string(rows) + "\n");
        EXPECT_EQ(Model().rowCount(), rows);
        EXPECT_EQ(window->labelReccount->text().toStdString(), "/" + std::to_string(rows));
        EXPECT_EQ(window->editRecno->text(), "1") << "the record that was current";
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
