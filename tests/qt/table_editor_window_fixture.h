#pragma once
// The fixture of the table editor window's tests: a temporary folder as the
// user directory, the one table editor form, a small parts table opened
// and shown for editing, cells typed through the grid's editor, and the
// stored table read back by python3-dbfread.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "foundation/program_state.h"
#include "tables/datasets/table_access.h"
#include "tables/qt/table_editor_form.h"
#include "tables/table_test_util.h"

namespace veldrim::testing {

class TableEditorWindowTest : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        userDirectory = dir + "/";
        CreateTableEditorForm();
    }
    void TearDown() override {
        window.reset();
        tableEditorShowHook = nullptr;
        TableTest::TearDown();
    }
    // NAME C 10, VALUE N 6.1, OK L, DAY D: worm, bronze, cast iron, or the
    // records given.
    void OpenParts(const std::vector<std::string>& records = {" worm         3.0T20261207",
                                                              " bronze       1.5F20250101",
                                                              " cast iron    2.0T        "}) {
        path = Path("parts.dbf");
        WriteBytes(
            path,
            BuildDbf(
                0x03,
                {{"NAME", 'C', 10, 0}, {"VALUE", 'N', 6, 1}, {"OK", 'L', 1, 0}, {"DAY", 'D', 8, 0}},
                records));
        ASSERT_TRUE(OpenDbfFile(path));
        Show(2);
    }
    void Show(int mode) {
        window = std::make_unique<TableEditorWindow>(*TableEditorForm);
        window->Configure("Teile", mode);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    TTzDbf& Table() { return TableEditorForm->tzdbf; }
    TzTableModel& Model() { return *window->model; }
    std::string Cell(int row, int column) {
        return Model().index(row, column).data().toString().toStdString();
    }
    // The stored text of a field of a record, read by python3-dbfread.
    static std::string DbfRead(const std::string& file, const std::string& script) {
        int rc = 0;
        const std::string out = RunCapture(
            {"/usr/bin/python3", "-c",
             "import sys, dbfread\nt = dbfread.DBF(sys.argv[1], load=True)\n" + script, file},
            &rc);
        EXPECT_EQ(rc, 0) << out;
        return out;
    }
    // Types text into the cell through the grid's editor.
    void TypeInto(int row, int column, const QString& text) {
        TzGrid* grid = window->grid;
        const QModelIndex at = Model().index(row, column);
        grid->setCurrentIndex(at);
        grid->edit(at);
        // The open editor (a closed one waits for deletion beside it).
        QLineEdit* editor = nullptr;
        for (QLineEdit* e : grid->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible()) editor = e;
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits the editor on the next turn of the event loop.
        QApplication::processEvents();
    }
    // The record numbers of the rows, top to bottom.
    std::vector<int> RowRecords() {
        std::vector<int> records;
        for (int row = 0; row < Model().rowCount(); ++row)
            records.push_back(Model().RecNoOfRow(row));
        return records;
    }
    QPoint TitleCentre(int logicalColumn) {
        QHeaderView* h = window->grid->horizontalHeader();
        return QPoint(h->sectionViewportPosition(logicalColumn) + h->sectionSize(logicalColumn) / 2,
                      h->height() / 2);
    }

    // A right click on a column's title: the grid sorts by that column.
    void RightClickTitle(int logicalColumn) {
        QTest::mouseClick(window->grid->horizontalHeader()->viewport(), Qt::RightButton, {},
                          TitleCentre(logicalColumn));
    }

    std::string path;
    std::unique_ptr<TableEditorWindow> window;
};

}  // namespace veldrim::testing
