// The navigator's Post and Cancel while the grid's cell editor is still open
// (typed into, not finished with Return): Post writes what the open cell
// holds, Cancel drops it with the rest of the row, and in either case the
// edited record stays current, in a sorted grid as in natural order.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "foundation/codepage.h"
#include "qt/qt_test_support.h"
#include "tables/engine/engine_base.h"
#include "tables/engine/engine_dates.h"
#include "tables/engine/work_areas.h"
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
    // How many cell editors are open.
    int OpenEditors() {
        int open = 0;
        for (QLineEdit* e : window->grid->viewport()->findChildren<QLineEdit*>())
            open += e->isVisible() ? 1 : 0;
        return open;
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
                  "Der Wert 12345.6 passt nicht in das Feld VALUE (6 Stellen, 1 Dezimale) !"}));

    ui.calls.clear();
    ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, "1234.5"));
    ClickButton(TzNavButton::nbPost);
    EXPECT_EQ(DbfRead(path, "print(t.records[1]['VALUE'])"), "1234.5\n");
    ASSERT_NO_FATAL_FAILURE(TypeOpen(2, 1, "-0.04"));
    ClickButton(TzNavButton::nbPost);
    EXPECT_EQ(DbfRead(path, "print(t.records[2]['VALUE'])"), "0.0\n");
    EXPECT_EQ(ui.TextsOf("message"), std::vector<std::string>{});
}

// The verdict on a typed text, worked by hand: the places a number takes
// with the field's decimals (rounded; a sign that rounds away is not
// stored) against the field's length, a text that is no number refused,
// a blank and the stars a cell shows taken; dates as the engine reads them
// (day first, with the century), the year 0 being one it cannot store.
TEST_F(TableOpenCellTest, TheVerdictOnATypedTextNamesTheFieldAndItsPlaces) {
    DateFormat = 4;
    SetCentury = true;
    struct Case {
        TDTField field;
        const char* typed;
        const char* refusal;  // a start of the message; "" it fits
    };
    const TDTField value{"VALUE", 'N', 6, 1}, price{"PRICE", 'N', 7, 2}, count{"COUNT", 'F', 4, 0},
        day{"DAY", 'D', 8, 0}, name{"NAME", 'C', 3, 0}, kind{"KIND", 'N', 1, 0};
    const Case cases[] = {
        {value, "12345.6",
         "Der Wert 12345.6 passt nicht in das Feld VALUE (6 Stellen, 1 Dezimale) !"},
        {value, "99999.95",
         "Der Wert 99999.95 passt nicht in das Feld VALUE (6 Stellen, 1 Dezimale) !"},
        {value, "1234.5", ""},
        {value, "1234.54", ""},
        {value, "-0.04", ""},
        {value, "******", ""},
        {value, "  ", ""},
        {value, "abc",
         "Der Wert abc ist keine Zahl für das Feld VALUE (6 Stellen, 1 Dezimale) !"_cp850.data()},
        {value, " 12x ",
         "Der Wert 12x ist keine Zahl für das Feld VALUE (6 Stellen, 1 Dezimale) !"_cp850.data()},
        {value, "1,5", ""},
        {value, "1e3", ""},
        {value, "1e",
         "Der Wert 1e ist keine Zahl für das Feld VALUE (6 Stellen, 1 Dezimale) !"_cp850.data()},
        {value, "2E+",
         "Der Wert 2E+ ist keine Zahl für das Feld VALUE (6 Stellen, 1 Dezimale) !"_cp850.data()},
        {value, "0.06", ""},
        {kind, "9.6", "Der Wert 9.6 passt nicht in das Feld KIND (1 Stelle) !"},
        {kind, "9.4", ""},
        {value, "-",
         "Der Wert - ist keine Zahl für das Feld VALUE (6 Stellen, 1 Dezimale) !"_cp850.data()},
        {price, "12345.67",
         "Der Wert 12345.67 passt nicht in das Feld PRICE (7 Stellen, 2 Dezimalen) !"},
        {price, "1234.56", ""},
        {count, "-1000", "Der Wert -1000 passt nicht in das Feld COUNT (4 Stellen) !"},
        {count, "-999", ""},
        {count, "1.2.3",
         "Der Wert 1.2.3 ist keine Zahl für das Feld COUNT (4 Stellen) !"_cp850.data()},
        {kind, "12", "Der Wert 12 passt nicht in das Feld KIND (1 Stelle) !"},
        {kind, "7", ""},
        {day, "24.12.1999", ""},
        {day, "  .  .    ", ""},
        {day, "", ""},
        {day, "99.99.9999", " Invalid date 99.99.9999"},
        {day, "31.02.2026", " Invalid date 31.02.2026"},
        {day, "abc", " Invalid date abc"},
        {day, "01.01.0000", "        Invalid date       "},
        {name, "a text longer than the field", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field.name) + " " + c.typed);
        const std::string refusal = RefusalOfTypedText(c.field, QString::fromLatin1(c.typed));
        if (*c.refusal)
            EXPECT_THAT(refusal, ::testing::StartsWith(c.refusal));
        else
            EXPECT_EQ(refusal, "");
    }
}

// An engine error while a cell is stored (here the table's work area was
// closed under the dataset), raised or, with the engine set to report by
// message box, reported: setData shows nothing. A raised error refuses the
// cell (nothing stored); a reported one is a notice of a cell stored. Either
// way the engine's text waits in the report, for the command to show.
TEST_F(TableOpenCellTest, AnEngineErrorWhileACellIsStoredIsReportedNotShown) {
    for (const bool raise : {true, false}) {
        SCOPED_TRACE(raise ? "raised" : "reported");
        OpenParts();
        SetRaiseOnError(raise);
        Select(Table().WorkArea());
        USE("");
        EXPECT_EQ(Model().setData(Model().index(0, 0), QStringLiteral("brass")), !raise);
        const std::optional<TzTableModel::CellReport> report = Model().TakeCellReport();
        ASSERT_TRUE(report.has_value());
        EXPECT_EQ(report->refused, raise);
        EXPECT_THAT(report->message, ::testing::HasSubstr("Datenbank ist nicht offen"));
        EXPECT_EQ(ui.TextsOf("message"), std::vector<std::string>{});
        SetRaiseOnError(true);
        window.reset();
        CloseDbfTable();
        ui.calls.clear();
    }
}

// Date cells ended with Return: a day the month has not and a date the
// engine cannot store are refused with one message, the text kept in the open editor and
// nothing written; a cleared cell stores the blank date.
TEST_F(TableOpenCellTest, ADateCellEndedWithReturnIsRefusedOnceOrCleared) {
    DateFormat = 4;
    SetCentury = true;
    struct Case {
        const char* keys;  // "": the cell cleared
        const char* shown;
        const char* message;
    };
    for (const Case& c : {Case{"31022026", "31.02.2026", " Invalid date 31.02.2026"},
                          Case{"01010000", "01.01.0000", "        Invalid date       "},
                          Case{"", "  .  .    ", ""}}) {
        SCOPED_TRACE(c.keys);
        OpenParts();
        const std::vector<uint8_t> before = ReadBytes(path);
        test::ModalMessageUi boxes;
        SetUi(&boxes);
        ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 3, c.keys));
        if (!*c.keys) QTest::keyClick(OpenEditor(), Qt::Key_Backspace);
        QTest::keyClick(OpenEditor(), Qt::Key_Return);
        if (*c.message) {
            (void)QTest::qWaitFor([&] { return boxes.closedByOk > 0; }, 3000);
            QApplication::processEvents();
            EXPECT_THAT(boxes.TextsOf("message"),
                        ::testing::ElementsAre(::testing::StartsWith(c.message)));
            ASSERT_NE(OpenEditor(), nullptr);
            EXPECT_EQ(OpenEditor()->displayText().toStdString(), c.shown);
            EXPECT_EQ(ReadBytes(path), before) << "the table file was written";
        } else {
            QApplication::processEvents();
            ClickButton(TzNavButton::nbPost);
            EXPECT_EQ(boxes.TextsOf("message"), std::vector<std::string>{});
            EXPECT_EQ(DbfRead(path, "print(t.records[1]['DAY'])"), "None\n");
        }
        SetUi(&ui);
        window.reset();
        CloseDbfTable();
    }
}

// A number too wide for its field, or a text that is no number, still being
// typed when a command starts, with message boxes that run their own event loop and take the focus from
// the cell's editor, as the window's do (the focus leaving commits the cell
// once more). One message; the command stops before it runs; the refused
// text stays in the open editor, the row's other typed cell stays in its
// edit and nothing is written. The program goes on: the value corrected,
// Post writes the row with both cells.
TEST_F(TableOpenCellTest, ARefusedCellStopsTheCommandWithOneMessage) {
    const std::function<void()> post = [this] { ClickButton(TzNavButton::nbPost); };
    const std::function<void()> returnKey = [this] {
        QTest::keyClick(OpenEditor(), Qt::Key_Return);
    };
    const std::function<void()> clickRow = [this] {
        QWidget* cells = window->grid->viewport();
        QTest::mouseClick(cells, Qt::LeftButton, {},
                          window->grid->visualRect(Model().index(2, 0)).center());
    };
    const std::string tooWide =
        "Der Wert 12345.6 passt nicht in das Feld VALUE (6 Stellen, 1 Dezimale) !";
    const auto noNumber = [](const std::string& typed) {
        return "Der Wert " + typed +
               std::string(" ist keine Zahl für das Feld VALUE (6 Stellen, 1 Dezimale) !"_cp850);
    };
    struct Case {
        const char* name;
        const char* typed;
        std::string message;
        std::function<void()> command;
    };
    const Case cases[] = {
        {"Post", "12345.6", tooWide, post},
        {"Next", "12345.6", tooWide, [this] { ClickButton(TzNavButton::nbNext); }},
        {"Bearbeiten > Append", "12345.6", tooWide, [this] { window->miEditAppend->trigger(); }},
        {"sort by a title", "12345.6", tooWide, [this] { RightClickTitle(0); }},
        {"Return in the cell", "12345.6", tooWide, returnKey},
        {"a click on another row", "12345.6", tooWide, clickRow},
        {"a jump by the record box", "12345.6", tooWide,
         [this] {
             QTest::mouseClick(window->editRecno, Qt::LeftButton);
             window->editRecno->selectAll();
             QTest::keyClicks(window->editRecno, "3");
         }},
        // The press moves nothing; the double-click's edit and F2 open no
        // editor beside the refused one.
        {"a double-click on another row", "12345.6", tooWide,
         [this] {
             QTest::mouseDClick(window->grid->viewport(), Qt::LeftButton, {},
                                window->grid->visualRect(Model().index(2, 0)).center());
         }},
        {"a double-click on the next cell of the row", "12345.6", tooWide,
         [this] {
             QTest::mouseDClick(window->grid->viewport(), Qt::LeftButton, {},
                                window->grid->visualRect(Model().index(1, 3)).center());
         }},
        {"a drag over the next row, then a double-click on it", "12345.6", tooWide,
         [this] {
             QWidget* cells = window->grid->viewport();
             const QPoint from = window->grid->visualRect(Model().index(2, 0)).center();
             const QPoint to = window->grid->visualRect(Model().index(2, 1)).center();
             QTest::mousePress(cells, Qt::LeftButton, {}, from);
             QTest::mouseMove(cells, to);
             QTest::mouseRelease(cells, Qt::LeftButton, {}, to);
             QTest::mouseDClick(cells, Qt::LeftButton, {}, from);
         }},
        {"F2 after a click on another row", "12345.6", tooWide,
         [&] {
             clickRow();
             QTest::keyClick(window->grid, Qt::Key_F2);
         }},
        {"Post", "abc", noNumber("abc"), post},
        {"Return in the cell", "12x", noNumber("12x"), returnKey},
        {"a click on another row", "1.2.3", noNumber("1.2.3"), clickRow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " after " + c.typed);
        OpenParts();
        const std::vector<uint8_t> before = ReadBytes(path);
        test::ModalMessageUi boxes;
        SetUi(&boxes);
        ASSERT_NO_FATAL_FAILURE(TypeAndTab(1, 0, "tin bronze"));
        ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, c.typed));
        c.command();
        (void)QTest::qWaitFor([&] { return boxes.closedByOk > 0; }, 3000);
        QApplication::processEvents();
        EXPECT_EQ(boxes.TextsOf("message"), std::vector<std::string>{c.message});
        EXPECT_EQ(boxes.closedByOk, 1) << "the box took the focus and was closed with OK";
        ASSERT_NE(OpenEditor(), nullptr) << "the refused cell's editor is open";
        EXPECT_EQ(OpenEditors(), 1) << "a second cell editor was opened";
        EXPECT_EQ(OpenEditor()->text().toStdString(), c.typed);
        EXPECT_EQ(window->focusWidget(), OpenEditor())
            << "the window gives the focus to the editor";
        EXPECT_EQ(CurrentRow(), 1);
        EXPECT_EQ(Table().RecNo(), 2);
        EXPECT_EQ(RecordBox(), "2");
        EXPECT_EQ(Table().State(), TDataSetState::dsEdit);
        EXPECT_EQ(Cell(1, 0), "tin bronze");
        EXPECT_EQ(RowRecords(), (std::vector<int>{1, 2, 3}));
        EXPECT_EQ(window->grid->PressedColumn(), -1);
        EXPECT_EQ(ReadBytes(path), before) << "the table file was written";

        ASSERT_NO_FATAL_FAILURE(TypeOpen(1, 1, "9.5"));
        ClickButton(TzNavButton::nbPost);
        EXPECT_EQ(DbfRead(path, kNameValue),
                  "[('worm', 3.0), ('tin bronze', 9.5), ('cast iron', 2.0)]\n");
        EXPECT_EQ(boxes.TextsOf("message").size(), 1u);
        SetUi(&ui);
        window.reset();
        CloseDbfTable();
    }
}

// A blank number field shows blank in the current row as in the others,
// and its cell ended as it was opened, after the row's name was typed (Tab
// through it, or Return), keeps the field blank: dbfread reads None, not 0.
TEST_F(TableOpenCellTest, ABlankNumberCellEndedUntouchedStaysBlank) {
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Return}) {
        SCOPED_TRACE(key == Qt::Key_Tab ? "Tab" : "Return");
        OpenParts({" worm         3.0T20261207", " bronze          F20250101"});
        ASSERT_NO_FATAL_FAILURE(TypeAndTab(1, 0, "tin bronze"));
        ASSERT_NE(OpenEditor(), nullptr) << "Tab opened the number cell";
        EXPECT_EQ(OpenEditor()->text().toStdString(), "");
        QTest::keyClick(OpenEditor(), key);
        QApplication::processEvents();
        EXPECT_EQ(Cell(1, 1), "");
        ClickButton(TzNavButton::nbPost);
        EXPECT_EQ(DbfRead(path, kNameValue), "[('worm', 3.0), ('tin bronze', None)]\n");
        EXPECT_EQ(ui.TextsOf("message"), std::vector<std::string>{});
        window.reset();
        CloseDbfTable();
    }
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
