// The memo column of the table grid shows each row's memo cell as the memo
// field shows itself: "(MEMO)" for a record with a memo, "(memo)" for one
// without; never the block number stored in the record, whichever row is
// current and however often the grid is painted.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "qt/table_editor_window_fixture.h"

namespace veldrim::testing {
namespace {

class TableMemoCellsTest : public TableEditorWindowTest {
protected:
    // A dBase III+ table NAME C 10, NOTE M 10: worm with its note in block
    // 1, bronze in block 2, cast iron without a note; its memo file beside.
    void OpenNotes() {
        path = Path("notes.dbf");
        WriteBytes(path, BuildDbf(0x83, {{"NAME", 'C', 10, 0}, {"NOTE", 'M', 10, 0}},
                                  {" worm               1", " bronze             2",
                                   " cast iron          "}));
        std::string dbt(3 * 512, '\0');
        dbt[0] = 3;  // the next free block
        const std::string notes[] = {"hardened, ground", "centrifugally cast"};
        for (int b = 1; b <= 2; ++b) {
            const std::string text = notes[b - 1] + "\x1A\x1A";
            dbt.replace(static_cast<std::size_t>(b) * 512, text.size(), text);
        }
        Spit(Path("notes.dbt"), dbt);
        ASSERT_TRUE(OpenDbfFile(path));
        Show(2);
    }
    // The memo column's text on each row, top to bottom.
    std::vector<std::string> NoteColumn() {
        std::vector<std::string> texts;
        for (int row = 0; row < Model().rowCount(); ++row) texts.push_back(Cell(row, 1));
        return texts;
    }
};

TEST_F(TableMemoCellsTest, EveryRowShowsItsMemoCellWhicheverRowIsCurrent) {
    ASSERT_NO_FATAL_FAILURE(OpenNotes());
    const std::vector<std::string> shown = {"(MEMO)", "(MEMO)", "(memo)"};
    ASSERT_EQ(Model().rowCount(), 3);
    EXPECT_EQ(NoteColumn(), shown);
    for (int current = 0; current < 3; ++current) {
        SCOPED_TRACE(current);
        window->grid->setCurrentIndex(Model().index(current, 0));
        EXPECT_EQ(Table().RecNo(), current + 1);
        window->grid->viewport()->repaint();
        QApplication::processEvents();
        EXPECT_EQ(NoteColumn(), shown);
    }
    // Read again from the file, as after a sort or an import.
    window->grid->Reload();
    window->grid->viewport()->repaint();
    EXPECT_EQ(NoteColumn(), shown);
}

}  // namespace
}  // namespace veldrim::testing
