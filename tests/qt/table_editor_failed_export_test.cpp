// The table editor window after an export that failed on a full disk: the
// row shown current is the engine's current record, so Bearbeiten > Append
// copies that row, as it does after an export that succeeded.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>

#include "support/fault_calls.h"
#include "tables/qt/table_editor_form.h"
#include "qt/table_editor_window_fixture.h"

namespace veldrim::testing {
namespace {

class TableEditorFailedExportTest : public TableEditorWindowTest {
protected:
    // A click into the NAME cell of `row`.
    void ClickRow(int row) {
        TzGrid* grid = window->grid;
        const QRect cell = grid->visualRect(Model().index(row, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QApplication::processEvents();
    }
    // "Save As Delimited" onto `target`; the disk fills up from the first
    // byte written when `fullDisk`.
    void SaveAsDelimited(const std::string& target, bool fullDisk) {
        ui.QueueText(target);
        FaultCalls calls(fullDisk ? FaultCalls::kFullDisk : FaultCalls::kCount, 1);
        window->miFileSaveAsDelimited->trigger();
    }
    // The records as python3-dbfread reads them, one line each.
    std::string Records() {
        return DbfRead(path, "for r in t.records: print(r['NAME'], r['VALUE'], r['OK'], r['DAY'])");
    }
};

TEST_F(TableEditorFailedExportTest, AppendAfterAFailedExportCopiesTheRowShownCurrent) {
    OpenParts();
    ClickRow(1);
    ASSERT_EQ(window->grid->currentIndex().row(), 1);
    ASSERT_EQ(Table().RecNo(), 2);

    SaveAsDelimited(Path("parts.txt"), true);
    const auto shown = ui.TextsOf("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("Fehler Nr. 101"), std::string::npos) << shown[0];
    EXPECT_EQ(window->grid->currentIndex().row(), 1) << "the row shown current";

    window->miEditAppend->trigger();
    EXPECT_EQ(Model().rowCount(), 4);
    EXPECT_EQ(Records(),
              "worm 3.0 True 2026-12-07\n"
              "bronze 1.5 False 2025-01-01\n"
              "cast iron 2.0 True None\n"
              "bronze 1.5 False 2025-01-01\n");
}

// The same steps with an export that succeeds: the copy of the row shown
// current, as before.
TEST_F(TableEditorFailedExportTest, AppendAfterASuccessfulExportCopiesTheRowShownCurrent) {
    OpenParts();
    ClickRow(2);
    SaveAsDelimited(Path("parts.txt"), false);
    EXPECT_TRUE(ui.TextsOf("message").empty());
    EXPECT_EQ(window->grid->currentIndex().row(), 2);
    window->miEditAppend->trigger();
    EXPECT_EQ(Records(),
              "worm 3.0 True 2026-12-07\n"
              "bronze 1.5 False 2025-01-01\n"
              "cast iron 2.0 True None\n"
              "cast iron 2.0 True None\n");
}

}  // namespace
}  // namespace veldrim::testing
