// The table editor's "Append Delimited" of a text saved as UTF-8: the grid
// and the file hold its letters in the table's code page, and a letter the
// code page lacks is reported once after the import; a pipe in the text's
// place is refused at once.

#include <gtest/gtest.h>

#include <QAction>

#include "qt/qt_test_support.h"
#include "qt/table_editor_window_fixture.h"
#include "support/fifo_watch.h"
#include "support/scripted_ui.h"

namespace veldrim::testing {
namespace {

TEST_F(TableEditorWindowTest, AppendDelimitedStoresAUtf8TextInTheTablesCodePage) {
    OpenParts();
    const std::string text = Path("oils.txt");
    Spit(text, "\"Mineral\xC3\xB6l\",4.5,T,20260101\r\n\"Preis \xE2\x82\xAC\",1.0,F,\r\n");
    ui.QueueText(text);
    window->miFileAppendDelimited->trigger();
    ASSERT_EQ(Model().rowCount(), 5);
    EXPECT_EQ(Cell(3, 0), "Mineral\xC3\xB6l");
    EXPECT_EQ(Cell(4, 0), "Preis ?");
    // The parts table as stored, code page 850: "ö" is 0x94.
    const std::string bytes = Slurp(path);
    const std::size_t header = 32 + 32 * 4 + 1, record = 1 + 10 + 6 + 1 + 8;
    EXPECT_EQ(bytes.substr(header + 3 * record + 1, 10), "Mineral\x94l ");
    EXPECT_EQ(bytes.substr(header + 4 * record + 1, 10), "Preis ?   ");
    const std::vector<std::string> messages = ui.TextsOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(Contains(messages[0], ": 1 Zeichen, das die Codeseite der Tabelle nicht"))
        << messages[0];
}

// "Append Delimited" of a named pipe returns at once with one message that
// names it; the grid and the table stay as they were.
TEST_F(TableEditorWindowTest, AppendDelimitedOfAPipeIsRefusedAtOnce) {
    OpenParts();
    const std::string table = Slurp(path);
    FifoWatch pipe(Path("oils.txt"));
    ASSERT_TRUE(pipe.Made());
    // The refusal runs a real modal box, as in the window.
    veldrim::test::ModalMessageUi boxes;
    ScopedUi scope{boxes};
    boxes.QueueText(Path("oils.txt"));
    window->miFileAppendDelimited->trigger();
    EXPECT_TRUE(pipe.Stop()) << "the import waited on the pipe";
    EXPECT_EQ(Model().rowCount(), 3);
    EXPECT_EQ(Slurp(path), table);
    const std::vector<std::string> messages = boxes.TextsOf("message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(boxes.closedByOk, 1) << "the message's box ran";
    EXPECT_TRUE(Contains(messages[0], "Datei " + Path("oils.txt") + " ist keine gew"))
        << messages[0];
}

}  // namespace
}  // namespace veldrim::testing
