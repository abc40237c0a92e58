// The cells typed into one row of the table grid are one edit of its record:
// typing into a second cell keeps the edit open, Cancel (the navigator's, or
// Esc that leaves the window) takes back every cell of the row, and Post or a
// move to another row writes them together; a post that another program's
// lock refuses keeps the edit in its row.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <functional>

#include "foundation/codepage.h"
#include "qt/qt_test_support.h"
#include "qt/table_editor_window_fixture.h"

namespace veldrim::testing {
namespace {

// The parts table as stored: NAME, VALUE and OK of each record, read by
// python3-dbfread.
const std::string kRows = "print([(r['NAME'], r['VALUE'], r['OK']) for r in t.records])";

class TableRowEditTest : public TableEditorWindowTest {
protected:
    // NAME and VALUE of bronze (record 2) typed, and its OK ticked by Space.
    void EditBronze(int row) {
        TypeInto(row, 0, "tin bronze");
        TypeInto(row, 1, "9.5");
        window->grid->setCurrentIndex(Model().index(row, 2));
        QTest::keyClick(window->grid, Qt::Key_Space);
    }
    // Sorted by a click on the NAME title; the parts table as stored sorts
    // to bronze, cast iron, worm.
    void SortByName(const std::vector<int>& rows = {2, 3, 1}) {
        RightClickTitle(0);
        ASSERT_EQ(RowRecords(), rows);
    }
};

TEST_F(TableRowEditTest, TheNavigatorsCancelTakesBackEveryCellOfTheRow) {
    const std::string stored =
        "[('worm', 3.0, True), ('bronze', 1.5, False), ('cast iron', 2.0, True)]\n";
    OpenParts();
    const std::vector<uint8_t> before = ReadBytes(path);
    // Natural order (bronze on row 1), then sorted by NAME (bronze on row 0).
    for (const bool sorted : {false, true}) {
        SCOPED_TRACE(sorted ? "sorted by NAME" : "natural order");
        if (sorted) {
            ASSERT_NO_FATAL_FAILURE(SortByName());
        }
        const int row = sorted ? 0 : 1;

        EditBronze(row);
        EXPECT_EQ(Table().State(), TDataSetState::dsEdit) << "the row's edit is still open";
        EXPECT_EQ(Cell(row, 0), "tin bronze");
        EXPECT_EQ(Cell(row, 1), "9.5");
        EXPECT_EQ(DbfRead(path, kRows), stored) << "nothing written while the row is edited";

        window->navigator->Click(TzNavButton::nbCancel);
        EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);
        EXPECT_EQ(Cell(row, 0), "bronze");
        EXPECT_EQ(Cell(row, 1), "1.5");
        EXPECT_FALSE(Model().index(row, 2).data(TzTableModel::BoolRole).toBool());
        EXPECT_EQ(DbfRead(path, kRows), stored);
        EXPECT_TRUE(ReadBytes(path) == before) << "the table file was written";
    }
}

TEST_F(TableRowEditTest, EscapeLeavesTheWindowWithTheRowUnwritten) {
    OpenParts();
    const std::vector<uint8_t> before = ReadBytes(path);
    TypeInto(1, 0, "tin bronze");
    TypeInto(1, 1, "9.5");
    QTest::keyClick(window->grid, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible()) << "Esc leaves the table editor";
    EXPECT_EQ(DbfRead(path, "print([(r['NAME'], r['VALUE']) for r in t.records])"),
              "[('worm', 3.0), ('bronze', 1.5), ('cast iron', 2.0)]\n");
    EXPECT_TRUE(ReadBytes(path) == before) << "the table file was written";
}

TEST_F(TableRowEditTest, DownOrPostWritesEveryCellOfTheRowTogether) {
    // Natural order, Down from bronze: the row below (cast iron) is current.
    OpenParts();
    EditBronze(1);
    QTest::keyClick(window->grid, Qt::Key_Down);
    EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);
    EXPECT_EQ(DbfRead(path, kRows),
              "[('worm', 3.0, True), ('tin bronze', 9.5, True), ('cast iron', 2.0, True)]\n");
    EXPECT_EQ(window->grid->currentIndex().row(), 2);
    EXPECT_EQ(Table().RecNo(), 3);

    // Sorted by NAME: worm renamed "amber" and its VALUE typed, then the
    // navigator's Post: both written, amber first and current.
    ASSERT_NO_FATAL_FAILURE(SortByName({3, 2, 1}));  // cast iron, tin bronze, worm
    TypeInto(2, 0, "amber");
    TypeInto(2, 1, "7.5");
    EXPECT_EQ(DbfRead(path, "print(t.records[0]['NAME'], t.records[0]['VALUE'])"), "worm 3.0\n");
    window->navigator->Click(TzNavButton::nbPost);
    EXPECT_EQ(DbfRead(path, "print(t.records[0]['NAME'], t.records[0]['VALUE'])"), "amber 7.5\n");
    EXPECT_EQ(RowRecords(), (std::vector<int>{1, 3, 2}));
    EXPECT_EQ(window->grid->currentIndex().row(), 0);
    EXPECT_EQ(Cell(0, 1), "7.5");
}

// Another program holds the table's file lock while a row is renamed: the
// navigator's Post, a click on another row, the window's OK, a jump by the
// record box and Down on the last row (which would append a record) each
// give one message that names the lock, and write nothing. The edit stays
// in its row, which the grid keeps current and alone selected, the record
// box shows its record and the window stays open. Once the other program
// has ended, Post writes the edit.
TEST_F(TableRowEditTest, AnEditRefusedByAnotherProgramsLockIsKeptInItsRow) {
    const std::string refused = std::string(
        "Sperren fehlgeschlagen [Post]\r\nDie Tabelle ist von einem anderen Programm "
        "gesperrt. Die Änderung ist nicht gespeichert und bleibt erhalten: bitte "
        "erneut speichern, sobald das andere Programm die Tabelle freigegeben hat."_cp850);
    const auto post = [this] {
        QTest::mouseClick(window->navigator->Button(TzNavButton::nbPost), Qt::LeftButton);
    };
    const struct {
        const char* name;
        int row;  // the row renamed
        std::function<void()> command;
        const char* stored;  // the NAME and VALUE fields once Post went through
    } commands[] = {
        {"the navigator's Post", 1, post,
         "[('worm', 3.0, True), ('gesperrt', 1.5, False), ('cast iron', 2.0, True)]\n"},
        {"a click on row 3", 1,
         [this] {
             QTest::mouseClick(window->grid->viewport(), Qt::LeftButton, {},
                               window->grid->visualRect(Model().index(2, 0)).center());
         },
         "[('worm', 3.0, True), ('gesperrt', 1.5, False), ('cast iron', 2.0, True)]\n"},
        {"the window's OK", 1, [this] { QTest::mouseClick(window->buttonOk, Qt::LeftButton); },
         "[('worm', 3.0, True), ('gesperrt', 1.5, False), ('cast iron', 2.0, True)]\n"},
        {"a jump by the record box to record 3", 1,
         [this] {
             window->editRecno->setFocus();
             window->editRecno->selectAll();
             QTest::keyClicks(window->editRecno, "3");
         },
         "[('worm', 3.0, True), ('gesperrt', 1.5, False), ('cast iron', 2.0, True)]\n"},
        {"Down on the last row", 2, [this] { QTest::keyClick(window->grid, Qt::Key_Down); },
         "[('worm', 3.0, True), ('bronze', 1.5, False), ('gesperrt', 2.0, True)]\n"},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.name);
        OpenParts();
        const std::vector<uint8_t> before = ReadBytes(path);
        TypeInto(c.row, 0, "gesperrt");
        ASSERT_EQ(Table().State(), TDataSetState::dsEdit);
        Peer other = FileLockHolder(path);
        ASSERT_EQ(other.Receive(), 'y') << "the other program holds the file lock";
        test::ModalMessageUi boxes;
        SetUi(&boxes);
        c.command();
        (void)QTest::qWaitFor([&] { return boxes.closedByOk > 0; }, 3000);
        QApplication::processEvents();
        EXPECT_EQ(boxes.TextsOf("message"), std::vector<std::string>{refused});
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(Table().State(), TDataSetState::dsEdit);
        EXPECT_EQ(Table().RecNo(), c.row + 1);
        EXPECT_EQ(Cell(c.row, 0), "gesperrt");
        EXPECT_EQ(Model().rowCount(), 3);
        EXPECT_EQ(window->grid->currentIndex().row(), c.row);
        std::vector<int> selectedRows;
        for (const QModelIndex& at : window->grid->selectionModel()->selectedIndexes())
            selectedRows.push_back(at.row());
        EXPECT_EQ(selectedRows, std::vector<int>{c.row});
        EXPECT_EQ(window->editRecno->text().toStdString(), std::to_string(c.row + 1));
        EXPECT_TRUE(ReadBytes(path) == before) << "the table file was written";

        EXPECT_EQ(other.Finish(), 0);
        post();
        EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);
        EXPECT_EQ(DbfRead(path, kRows), c.stored);
        EXPECT_EQ(boxes.TextsOf("message").size(), 1u);
        SetUi(&ui);
        window.reset();
        CloseDbfTable();
    }
}

}  // namespace
}  // namespace veldrim::testing
