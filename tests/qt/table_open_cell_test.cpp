// The navigator's Post and Cancel while the grid's cell editor is still open
// (typed into, not finished with Return): Post writes what the open cell
// holds, Cancel drops it with the rest of the row, and in either case the
// edited record stays current, in a sorted grid as in natural order.

#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "qt/table_editor_window_fixture.h"

namespace veldrim::testing {
namespace {

class TableOpenCellTest : public TableEditorWindowTest {
protected:
    // The grid's open cell editor, or nullptr.
    QLineEdit* OpenEditor() {
        for (QLineEdit* e : window->grid->viewport()->findChildren<QLineEdit*>())
            if (e->isVisible()) return e;
        return nullptr;
    }
    // Opens the cell and types text into it; the editor stays open.
    void TypeOpen(int row, int column, const QString& text) {
        const QModelIndex at = Model().index(row, column);
        window->grid->setCurrentIndex(at);
        // Tab from the cell before opened this one already.
        if (!OpenEditor()) window->grid->edit(at);
        QLineEdit* editor = OpenEditor();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
    }
    // Types into the cell and leaves it with Tab: the next cell is open.
    void TypeAndTab(int row, int column, const QString& text) {
        ASSERT_NO_FATAL_FAILURE(TypeOpen(row, column, text));
        QTest::keyClick(OpenEditor(), Qt::Key_Tab);
        QApplication::processEvents();
    }
    // A click on a navigator button, as the user gives it.
    void ClickButton(TzNavButton b) {
        QTest::mouseClick(window->navigator->Button(b), Qt::LeftButton);
        QApplication::processEvents();
    }
    int CurrentRow() { return window->grid->currentIndex().row(); }
    std::string RecordBox() { return window->editRecno->text().toStdString(); }
    // Sorted by a right click on the NAME title: bronze, cast iron, worm.
    void SortByName() {
        RightClickTitle(0);
        ASSERT_EQ(RowRecords(), (std::vector<int>{2, 3, 1}));
    }
};

const std::string kNameValue = "print([(r['NAME'], r['VALUE']) for r in t.records])";

TEST_F(TableOpenCellTest, PostWritesTheCellStillBeingTyped) {
    OpenParts();
    // Two cells: the first left with Tab, the second still open.
    ASSERT_NO_FATAL_FAILURE(TypeAndTab(1, 0, "tin bronze"));
    ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, "9.5"));
    ClickButton(TzNavButton::nbPost);
    EXPECT_EQ(DbfRead(path, kNameValue),
              "[('worm', 3.0), ('tin bronze', 9.5), ('cast iron', 2.0)]\n");
    EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);
    EXPECT_EQ(OpenEditor(), nullptr) << "the cell's editor is closed after Post";
    EXPECT_EQ(Cell(1, 1), "9.5");

    // Only one cell typed, still open.
    ASSERT_NO_FATAL_FAILURE(TypeOpen(2, 1, "4.5"));
    ClickButton(TzNavButton::nbPost);
    EXPECT_EQ(DbfRead(path, "print(t.records[2]['VALUE'])"), "4.5\n");
    EXPECT_EQ(Cell(2, 1), "4.5");
}

// VALUE is N 6.1: "12345.6" (7 places) is wider than the field, which would
// store "******" and lose both the typed and the old value. The user is told,
// and the record keeps 1.5; "1234.5" (6 places) and "-0.04" (stored as
// "0.0") fit.
TEST_F(TableOpenCellTest, ANumberWiderThanItsFieldIsRefusedWithAMessage) {
    OpenParts();
    ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, "12345.6"));
    ClickButton(TzNavButton::nbPost);
    EXPECT_EQ(DbfRead(path, "print(t.records[1]['VALUE'])"), "1.5\n");
    EXPECT_EQ(Cell(1, 1), "1.5");
    EXPECT_EQ(ui.TextsOf("message"),
              (std::vector<std::string>{
                  "Der Wert 12345.6 passt nicht in das Feld VALUE (6 Stellen, 1 Dezimalen) !"}));

    ui.calls.clear();
    ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, "1234.5"));
    ClickButton(TzNavButton::nbPost);
    EXPECT_EQ(DbfRead(path, "print(t.records[1]['VALUE'])"), "1234.5\n");
    ASSERT_NO_FATAL_FAILURE(TypeOpen(2, 1, "-0.04"));
    ClickButton(TzNavButton::nbPost);
    EXPECT_EQ(DbfRead(path, "print(t.records[2]['VALUE'])"), "0.0\n");
    EXPECT_EQ(ui.TextsOf("message"), std::vector<std::string>{});
}

TEST_F(TableOpenCellTest, CancelDropsTheCellStillBeingTyped) {
    OpenParts();
    const std::vector<uint8_t> before = ReadBytes(path);
    ASSERT_NO_FATAL_FAILURE(TypeAndTab(1, 0, "tin bronze"));
    ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, "9.5"));
    ClickButton(TzNavButton::nbCancel);
    EXPECT_EQ(OpenEditor(), nullptr) << "the cell's editor is closed after Cancel";
    EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);
    EXPECT_EQ(Cell(1, 0), "bronze");
    EXPECT_EQ(Cell(1, 1), "1.5");
    // Leaving the grid afterwards must not bring the typed text back.
    window->buttonSearch->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);
    EXPECT_TRUE(ReadBytes(path) == before) << "the table file was written";
}

TEST_F(TableOpenCellTest, CancelOrPostInASortedGridKeepsTheEditedRecordCurrent) {
    // Sorted by NAME, cast iron (record 3) is on row 1; a cell of it typed
    // and left with Tab, so the VALUE cell is open.
    for (const TzNavButton button : {TzNavButton::nbCancel, TzNavButton::nbPost}) {
        SCOPED_TRACE(button == TzNavButton::nbCancel ? "Cancel" : "Post");
        OpenParts();
        ASSERT_NO_FATAL_FAILURE(SortByName());
        ASSERT_NO_FATAL_FAILURE(TypeAndTab(1, 0, "cast steel"));
        ASSERT_NE(OpenEditor(), nullptr);
        ClickButton(button);
        EXPECT_EQ(Table().RecNo(), 3);
        EXPECT_EQ(Model().RecNoOfRow(CurrentRow()), 3);
        EXPECT_EQ(CurrentRow(), 1);
        EXPECT_EQ(RecordBox(), "3");
        EXPECT_EQ(DbfRead(path, "print(t.records[2]['NAME'])"),
                  button == TzNavButton::nbPost ? "cast steel\n" : "cast iron\n");
        window.reset();
        CloseDbfTable();
    }
}

TEST_F(TableOpenCellTest, CancelOrPostOfAnEditThatMovesItsRecordFollowsTheRecord) {
    // Sorted by NAME, worm (record 1, row 2) renamed "amber": Post moves it
    // to the first row, Cancel leaves it on the last; it is current either way.
    for (const TzNavButton button : {TzNavButton::nbCancel, TzNavButton::nbPost}) {
        SCOPED_TRACE(button == TzNavButton::nbCancel ? "Cancel" : "Post");
        OpenParts();
        ASSERT_NO_FATAL_FAILURE(SortByName());
        ASSERT_NO_FATAL_FAILURE(TypeOpen(2, 0, "amber"));
        ClickButton(button);
        const bool posted = button == TzNavButton::nbPost;
        EXPECT_EQ(RowRecords(), posted ? std::vector<int>({1, 2, 3}) : std::vector<int>({2, 3, 1}));
        EXPECT_EQ(Table().RecNo(), 1);
        EXPECT_EQ(CurrentRow(), posted ? 0 : 2);
        EXPECT_EQ(RecordBox(), "1");
        window.reset();
        CloseDbfTable();
    }
}

TEST_F(TableOpenCellTest, ExitAndCancelOfTheWindowTakeOrDropTheCellStillBeingTyped) {
    // The File menu's Exit accepts the record as OK does: the open cell is
    // posted with the row.
    OpenParts();
    ASSERT_NO_FATAL_FAILURE(TypeAndTab(1, 0, "tin bronze"));
    ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, "9.5"));
    window->miFileExit->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(DbfRead(path, kNameValue),
              "[('worm', 3.0), ('tin bronze', 9.5), ('cast iron', 2.0)]\n");
    window.reset();
    CloseDbfTable();

    // The window's Cancel drops the row's edit, the open cell with it.
    OpenParts();
    const std::vector<uint8_t> before = ReadBytes(path);
    ASSERT_NO_FATAL_FAILURE(TypeAndTab(1, 0, "tin bronze"));
    ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, "9.5"));
    QTest::mouseClick(window->buttonCancel, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(ReadBytes(path) == before) << "the table file was written";
}

TEST_F(TableOpenCellTest, ASortByAnotherTitleTakesTheCellStillBeingTyped) {
    // Sorted by NAME, cast iron's VALUE typed and left open, then a right
    // click on the VALUE title: the sort posts the row with the typed value
    // and cast iron (record 3) stays current, now on the last row.
    OpenParts();
    ASSERT_NO_FATAL_FAILURE(SortByName());
    ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, "9.5"));
    RightClickTitle(1);
    EXPECT_EQ(DbfRead(path, "print(t.records[2]['VALUE'])"), "9.5\n");
    EXPECT_EQ(RowRecords(), (std::vector<int>{2, 1, 3}));
    EXPECT_EQ(Table().RecNo(), 3);
    EXPECT_EQ(CurrentRow(), 2);
    EXPECT_EQ(RecordBox(), "3");
}

TEST_F(TableOpenCellTest, MenuCommandsTakeTheCellStillBeingTyped) {
    // A menu item leaves the cell editor open (the menu takes no focus from
    // it): Append and Weitersuchen post the row with what the cell holds.
    // Append then adds a copy of the posted record.
    OpenParts();
    ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, "9.5"));
    window->miEditAppend->trigger();
    QApplication::processEvents();
    EXPECT_EQ(DbfRead(path, kNameValue),
              "[('worm', 3.0), ('bronze', 9.5), ('cast iron', 2.0), ('bronze', 9.5)]\n");
    EXPECT_EQ(OpenEditor(), nullptr) << "the cell's editor is closed after Append";
    window.reset();
    CloseDbfTable();

    // Weitersuchen from the edited row finds cast iron (record 3), which is
    // current afterwards; the edited bronze keeps its typed value.
    OpenParts();
    window->commands.searchText = "cast";
    ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, "7.5"));
    window->miViewSearchNext->trigger();
    QApplication::processEvents();
    EXPECT_EQ(DbfRead(path, "print(t.records[1]['VALUE'])"), "7.5\n");
    EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);
    EXPECT_EQ(Table().RecNo(), 3);
    EXPECT_EQ(CurrentRow(), 2);
    EXPECT_EQ(RecordBox(), "3");
}

TEST_F(TableOpenCellTest, CommandsOfTheTableKeepTheRowsPendingEdit) {
    // A row edited (its cell left with Tab, not yet posted), then a command
    // that walks or adds to the table: the edit reaches the edited record,
    // not the appended copy, and is not dropped by the records read.
    const std::string other = Path("other.dbf");
    WriteBytes(other,
               BuildDbf(0x03, {{"NAME", 'C', 10, 0}, {"VALUE", 'N', 6, 1}}, {" steel        8.0"}));
    const std::string text = Path("more.txt");
    WriteBytes(text,
               std::vector<uint8_t>{'"', 'z', 'i', 'n', 'c', '"', ',', '4', '.', '0', '\r', '\n'});
    const std::vector<std::pair<const char*, std::function<bool(TableEditorCommands&)>>> commands{
        {"Append", [](TableEditorCommands& c) { return c.AppendCopy(); }},
        {"Append dbf", [&](TableEditorCommands& c) { return c.AppendDbfFrom(other); }},
        {"Append Delimited", [&](TableEditorCommands& c) { return c.AppendDelimitedFrom(text); }},
        {"Save As Delimited",
         [&](TableEditorCommands& c) { return c.SaveDelimitedTo(Path("out.txt")); }},
        {"Export HTML", [&](TableEditorCommands& c) { return c.WriteHtml(Path("out.htm")); }},
    };
    for (const auto& [name, command] : commands) {
        SCOPED_TRACE(name);
        OpenParts();
        ASSERT_NO_FATAL_FAILURE(TypeAndTab(1, 1, "9.5"));
        ASSERT_EQ(Table().State(), TDataSetState::dsEdit);
        EXPECT_TRUE(command(window->commands));
        if (std::string(name) == "Export HTML") {
            const std::vector<uint8_t> page = ReadBytes(Path("out.htm"));
            const std::string html(page.begin(), page.end());
            EXPECT_NE(html.find("9.5</TD>"), std::string::npos) << html;
        }
        ClickButton(TzNavButton::nbPost);
        EXPECT_EQ(DbfRead(path, "print(t.records[1]['VALUE'])"), "9.5\n");
        window.reset();
        CloseDbfTable();
    }
}

TEST_F(TableOpenCellTest, EveryNavigatorMoveTakesTheCellStillBeingTyped) {
    // The moving buttons, Insert, Edit and Refresh leave or keep the row
    // with the typed cell in its edit; a Post afterwards finds it there.
    const std::pair<const char*, TzNavButton> buttons[] = {
        {"First", TzNavButton::nbFirst},     {"Prior", TzNavButton::nbPrior},
        {"Next", TzNavButton::nbNext},       {"Last", TzNavButton::nbLast},
        {"Insert", TzNavButton::nbInsert},   {"Edit", TzNavButton::nbEdit},
        {"Refresh", TzNavButton::nbRefresh},
    };
    for (const auto& [name, button] : buttons) {
        SCOPED_TRACE(name);
        OpenParts();
        ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, "9.5"));
        ClickButton(button);
        EXPECT_EQ(OpenEditor(), nullptr);
        ClickButton(TzNavButton::nbPost);
        EXPECT_EQ(DbfRead(path, "print(t.records[1]['VALUE'])"), "9.5\n");
        window.reset();
        CloseDbfTable();
    }
}

TEST_F(TableOpenCellTest, AJumpByTheRecordBoxPostsTheRowWithTheCellStillBeingTyped) {
    // The click into the record box takes the open cell into the row; the
    // number typed there leaves the row, which posts it.
    OpenParts();
    ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, "9.5"));
    QTest::mouseClick(window->editRecno, Qt::LeftButton);
    QApplication::processEvents();
    window->editRecno->selectAll();
    QTest::keyClicks(window->editRecno, "3");
    QApplication::processEvents();
    EXPECT_EQ(DbfRead(path, "print(t.records[1]['VALUE'])"), "9.5\n");
    EXPECT_EQ(Table().RecNo(), 3);
    EXPECT_EQ(CurrentRow(), 2);
}

TEST_F(TableOpenCellTest, RowsReadAgainWithACellOpenKeepTheRecordCurrent) {
    // The grid's rows read again while an editor is open (a command that
    // changed the rows): the editor goes, the dataset's record stays current.
    OpenParts();
    ASSERT_NO_FATAL_FAILURE(SortByName());
    const QModelIndex at = Model().index(1, 1);
    window->grid->setCurrentIndex(at);
    window->grid->edit(at);
    ASSERT_NE(OpenEditor(), nullptr);
    window->grid->Reload();
    QApplication::processEvents();
    EXPECT_EQ(Table().RecNo(), 3);
    EXPECT_EQ(CurrentRow(), 1);
}

}  // namespace
}  // namespace veldrim::testing
