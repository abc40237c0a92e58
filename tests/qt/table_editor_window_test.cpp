// The table grid, the navigator and the table editor window on the offscreen
// platform: editing, posting, cancelling, deleting and restoring, sorting by
// a column title, searching, packing, the HTML export, picking a record, and
// a table of 100,000 rows.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QHeaderView>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <map>

#include "foundation/codepage.h"
#include "foundation/program_state.h"
#include "support/scripted_ui.h"
#include "tables/datasets/table_access.h"
#include "tables/engine/engine_dates.h"
#include "tables/qt/table_editor_form.h"
#include "tables/table_test_util.h"
#include "qt/table_editor_window_fixture.h"

namespace veldrim::testing {
namespace {

TEST_F(TableEditorWindowTest, EditPostAndCancelReachTheFileOnlyOnPost) {
    OpenParts();
    EXPECT_EQ(Model().rowCount(), 3);
    EXPECT_EQ(Cell(2, 0), "cast iron");
    EXPECT_EQ(Cell(0, 1), "3.0");

    TypeInto(1, 0, "tin bronze");
    EXPECT_EQ(Table().State(), TDataSetState::dsEdit);
    EXPECT_EQ(Cell(1, 0), "tin bronze") << "the pending edit shows in the grid";
    EXPECT_EQ(DbfRead(path, "print(t.records[1]['NAME'])"), "bronze\n")
        << "not on disk before Post";
    window->navigator->Click(TzNavButton::nbPost);
    EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);
    EXPECT_EQ(DbfRead(path, "print(t.records[1]['NAME'])"), "tin bronze\n");

    TypeInto(1, 1, "9.5");
    EXPECT_EQ(Cell(1, 1), "9.5");
    window->navigator->Click(TzNavButton::nbCancel);
    EXPECT_EQ(Cell(1, 1), "1.5");
    EXPECT_EQ(DbfRead(path, "print(t.records[1]['VALUE'])"), "1.5\n");

    // Moving to another row posts, as a grid does.
    TypeInto(2, 1, "2.5");
    window->grid->setCurrentIndex(Model().index(0, 1));
    EXPECT_EQ(DbfRead(path, "print(t.records[2]['VALUE'])"), "2.5\n");
}

TEST_F(TableEditorWindowTest, LogicalCellsToggleByClickAndKeyAndIgnoreTyping) {
    OpenParts();
    TzGrid* grid = window->grid;
    const QModelIndex ok = Model().index(1, 2);
    EXPECT_FALSE(ok.data(TzTableModel::BoolRole).toBool());
    grid->setCurrentIndex(ok);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(ok).center());
    EXPECT_TRUE(Model().index(1, 2).data(TzTableModel::BoolRole).toBool());
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_FALSE(Model().index(1, 2).data(TzTableModel::BoolRole).toBool());
    QTest::keyClick(grid, Qt::Key_X);
    EXPECT_FALSE(Model().index(1, 2).data(TzTableModel::BoolRole).toBool());
    EXPECT_EQ(grid->viewport()->findChild<QLineEdit*>(), nullptr)
        << "no editor opens in a logical cell";
    Model().SetDisplayValues(2, "J;N");
    EXPECT_EQ(Model().index(0, 2).data().toString(), "J");
    EXPECT_EQ(Model().index(1, 2).data().toString(), "N");
}

TEST_F(TableEditorWindowTest, DeletedRowsAreRedAndCtrlDelRestoresThem) {
    OpenParts();
    TzGrid* grid = window->grid;
    grid->setCurrentIndex(Model().index(1, 1));
    window->navigator->Click(TzNavButton::nbDelete);
    EXPECT_TRUE(Table().IsDeleted());
    EXPECT_EQ(DbfRead(path, "print(len(t.deleted))"), "1\n");
    EXPECT_TRUE(Model().index(1, 0).data(TzTableModel::DeletedRole).toBool());

    // Drawn: the deleted row's cell is red unless it is the selected one.
    grid->setCurrentIndex(Model().index(0, 1));
    grid->selectionModel()->select(Model().index(0, 1), QItemSelectionModel::ClearAndSelect);
    const QImage shot = grid->viewport()->grab().toImage();
    const QRect cell = grid->visualRect(Model().index(1, 0));
    EXPECT_EQ(shot.pixelColor(cell.right() - 3, cell.center().y()), QColor(255, 0, 0));
    const QRect live = grid->visualRect(Model().index(2, 0));
    EXPECT_NE(shot.pixelColor(live.right() - 3, live.center().y()), QColor(255, 0, 0));

    grid->setCurrentIndex(Model().index(1, 1));
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_FALSE(Table().IsDeleted());
    EXPECT_FALSE(Model().index(1, 0).data(TzTableModel::DeletedRole).toBool());
    EXPECT_EQ(DbfRead(path, "print(len(t.deleted), len(t.records))"), "0 3\n");
}

TEST_F(TableEditorWindowTest, TitleRightClickSortsByTheBoundFieldAndKeepsTheRecord) {
    OpenParts();
    TzGrid* grid = window->grid;
    grid->setCurrentIndex(Model().index(2, 0));  // cast iron, record 3
    // VALUE moved to the first place: the title still means VALUE.
    grid->horizontalHeader()->moveSection(1, 0);
    QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::RightButton, {}, TitleCentre(1));
    EXPECT_EQ(grid->PressedColumn(), 1);
    EXPECT_EQ(ChosenDbfRecord, 3);
    EXPECT_EQ(Table().RecNo(), 3) << "the remembered record stays current";
    ASSERT_EQ(Model().rowCount(), 3);
    EXPECT_EQ(Cell(0, 1), "1.5");
    EXPECT_EQ(Cell(1, 1), "2.0");
    EXPECT_EQ(Cell(2, 1), "3.0");
    EXPECT_EQ(grid->currentIndex().row(), 1) << "the grid shows the remembered record";

    // The logical column refuses with a message and keeps the order.
    QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::RightButton, {}, TitleCentre(2));
    EXPECT_EQ(ui.CallsOf("message").back().text, SortRefusedText("OK"));
    EXPECT_EQ(Cell(0, 1), "1.5");

    grid->SetDepressDisabled(true);
    EXPECT_EQ(grid->PressedColumn(), -1);
    RightClickTitle(0);
    EXPECT_EQ(grid->PressedColumn(), -1);
    EXPECT_EQ(Cell(0, 0), "bronze") << "no sort while titles cannot be pressed";
}

// Sorted by NAME, an edit of a name moves its record in the order once it is
// posted: the grid shows the new order and the navigator's moves land on
// the rows they show.
TEST_F(TableEditorWindowTest, AnEditOfTheSortColumnReordersTheRowsWhenPosted) {
    OpenParts();
    TzGrid* grid = window->grid;
    RightClickTitle(0);
    ASSERT_EQ(RowRecords(), (std::vector<int>{2, 3, 1}));  // bronze, cast iron, worm

    // Down after the edit posts it: bronze, now "zeta oil", goes last and
    // stays the current row.
    TypeInto(0, 0, "zeta oil");
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);
    EXPECT_EQ(DbfRead(path, "print(t.records[1]['NAME'])"), "zeta oil\n");
    EXPECT_EQ(RowRecords(), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(Cell(2, 0), "zeta oil");
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(Table().RecNo(), 2);

    // Each move lands on the row the grid shows for it.
    const struct {
        TzNavButton button;
        int row, record;
    } moves[] = {{TzNavButton::nbFirst, 0, 3}, {TzNavButton::nbLast, 2, 2},
                 {TzNavButton::nbPrior, 1, 1}, {TzNavButton::nbNext, 2, 2},
                 {TzNavButton::nbPrior, 1, 1}, {TzNavButton::nbPrior, 0, 3}};
    for (const auto& m : moves) {
        window->navigator->Click(m.button);
        EXPECT_EQ(grid->currentIndex().row(), m.row) << static_cast<int>(m.button);
        EXPECT_EQ(Table().RecNo(), m.record) << static_cast<int>(m.button);
    }

    // The navigator's Post: worm, now "amber", goes first and stays current;
    // Next then moves to the row below it.
    TypeInto(1, 0, "amber");
    window->navigator->Click(TzNavButton::nbPost);
    EXPECT_EQ(RowRecords(), (std::vector<int>{1, 3, 2}));
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(Table().RecNo(), 1);
    window->navigator->Click(TzNavButton::nbNext);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(Table().RecNo(), 3);
    window->navigator->Click(TzNavButton::nbLast);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(Cell(2, 0), "zeta oil");
}

// Sorted by NAME (record order 2, 3, 1), an edit that leaves the record in
// its place is posted on leaving the row, and the row moved to becomes
// current, as in natural order: Down, Up and a click each land at once.
TEST_F(TableEditorWindowTest, AfterAnEditThatKeepsTheOrderTheRowMovedToIsCurrent) {
    OpenParts();
    TzGrid* grid = window->grid;
    RightClickTitle(0);
    const std::vector<int> sorted{2, 3, 1};  // bronze, cast iron, worm
    ASSERT_EQ(RowRecords(), sorted);
    const std::string values = "print([r['VALUE'] for r in t.records])";

    // VALUE of bronze (row 0), then Down: cast iron, record 3.
    TypeInto(0, 1, "4.5");
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);
    EXPECT_EQ(DbfRead(path, values), "[3.0, 4.5, 2.0]\n");
    EXPECT_EQ(RowRecords(), sorted);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(Table().RecNo(), 3);
    EXPECT_EQ(window->editRecno->text().toStdString(), "3");

    // VALUE of cast iron, then a click on worm (row 2, record 1).
    TypeInto(1, 1, "6.5");
    const QRect worm = grid->visualRect(Model().index(2, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, worm.center());
    EXPECT_EQ(DbfRead(path, values), "[3.0, 4.5, 6.5]\n");
    EXPECT_EQ(RowRecords(), sorted);
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(Table().RecNo(), 1);
    EXPECT_EQ(window->editRecno->text().toStdString(), "1");

    // VALUE of worm, then Up: cast iron again.
    TypeInto(2, 1, "8.5");
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(DbfRead(path, values), "[8.5, 4.5, 6.5]\n");
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(Table().RecNo(), 3);
    EXPECT_EQ(window->editRecno->text().toStdString(), "3");

    // The sort column itself, renamed without leaving its place (bronze to
    // brass stays first): Down moves on too.
    TypeInto(0, 0, "brass");
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(DbfRead(path, "print(t.records[1]['NAME'])"), "brass\n");
    EXPECT_EQ(RowRecords(), sorted);
    EXPECT_EQ(grid->currentIndex().row(), 1);
    EXPECT_EQ(Table().RecNo(), 3);
    EXPECT_EQ(window->editRecno->text().toStdString(), "3");
}

// Sorted by NAME, an edit of a name posted through the navigator after its
// Edit button reorders the rows as a Post straight after typing does,
// whether Edit was pressed before the typing or after it.
TEST_F(TableEditorWindowTest, AnEditPostedAfterTheNavigatorsEditReordersTheRows) {
    OpenParts();
    TzGrid* grid = window->grid;
    RightClickTitle(0);
    ASSERT_EQ(RowRecords(), (std::vector<int>{2, 3, 1}));  // bronze, cast iron, worm

    // Typed, Edit, Post: bronze, now "zeta oil", goes last and stays current.
    TypeInto(0, 0, "zeta oil");
    window->navigator->Click(TzNavButton::nbEdit);
    EXPECT_EQ(Table().State(), TDataSetState::dsEdit);
    window->navigator->Click(TzNavButton::nbPost);
    EXPECT_EQ(DbfRead(path, "print(t.records[1]['NAME'])"), "zeta oil\n");
    EXPECT_EQ(RowRecords(), (std::vector<int>{3, 1, 2}));
    EXPECT_EQ(Cell(2, 0), "zeta oil");
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(Table().RecNo(), 2);

    // Edit, typed, Post: worm, now "amber", goes first and stays current.
    grid->setCurrentIndex(Model().index(1, 0));
    window->navigator->Click(TzNavButton::nbEdit);
    EXPECT_EQ(Table().State(), TDataSetState::dsEdit);
    TypeInto(1, 0, "amber");
    window->navigator->Click(TzNavButton::nbPost);
    EXPECT_EQ(DbfRead(path, "print(t.records[0]['NAME'])"), "amber\n");
    EXPECT_EQ(RowRecords(), (std::vector<int>{1, 3, 2}));
    EXPECT_EQ(Cell(0, 0), "amber");
    EXPECT_EQ(grid->currentIndex().row(), 0);
    EXPECT_EQ(Table().RecNo(), 1);
}

TEST_F(TableEditorWindowTest, SearchMovesTheGridAndPackLeavesAFileDbfreadReads) {
    OpenParts();
    ui.QueueText(std::string("cast"));
    window->buttonSearch->click();
    EXPECT_EQ(Table().RecNo(), 3);
    EXPECT_EQ(window->grid->currentIndex().row(), 2);
    EXPECT_EQ(window->editRecno->text(), "3");
    EXPECT_EQ(window->labelReccount->text(), "/3");

    window->grid->setCurrentIndex(Model().index(0, 0));
    window->navigator->Click(TzNavButton::nbDelete);
    ui.QueueAnswer(Answer::Yes);
    window->miEditPack->trigger();
    EXPECT_EQ(Model().rowCount(), 2);
    EXPECT_EQ(
        DbfRead(path, "print(len(t.records), len(t.deleted), [r['NAME'] for r in t.records])"),
        "2 0 ['bronze', 'cast iron']\n");
}

// "Append dbf" of a table in a folder whose name holds the words of an
// in-memory file appends that table's records from the path as chosen.
TEST_F(TableEditorWindowTest, AppendDbfFromAFolderNamedLikeAVirtualFile) {
    OpenParts();
    const std::string folder = dir + "/my virtual tables";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(path, folder + "/src.dbf");
    ui.QueueText(folder + "/src.dbf");
    window->miFileAppendDbf->trigger();
    EXPECT_EQ(Model().rowCount(), 6);
    EXPECT_EQ(DbfRead(path, "print(len(t.records), [r['NAME'] for r in t.records][3:])"),
              "6 ['worm', 'bronze', 'cast iron']\n");
}

TEST_F(TableEditorWindowTest, HtmlExportIsReadByXmllint) {
    OpenParts();
    const std::string out = Path("parts.htm");
    ui.QueueText(out);
    window->miFileExportHtml->trigger();
    int rc = 0;
    const std::string cells = RunCapture(
        {"/bin/sh", "-c",
         "xmllint --html --noout \"$1\" 2>&1; xmllint --html --xpath 'count(//td)' \"$1\"; echo; "
         "xmllint --html --xpath 'string(//tr[3]/td[1])' \"$1\"",
         "sh", out},
        &rc);
    EXPECT_EQ(cells, "16\n\nbronze    \n") << "4 fields x (1 head row + 3 records), no complaint";
}

TEST_F(TableEditorWindowTest, PickAndCloseTakesTheClickedRecordThroughTheTableAccess) {
    path = Path("lubri.dbf");
    WriteBytes(path, BuildDbf(0x03, {{"TYP", 'C', 8, 0}}, {" oil", "*grease", " wax"}));
    ASSERT_TRUE(OpenDbfFile(path));
    InstallQtTableEditor();
    bool clicked = false;
    QTimer::singleShot(50, [&] {
        auto* w = qobject_cast<TableEditorWindow*>(QApplication::activeModalWidget());
        if (!w) return;
        EXPECT_TRUE(w->PickMode());
        EXPECT_EQ(w->model->rowCount(), 2) << "mode 1 hides the deleted record";
        EXPECT_FALSE(w->miEdit->menuAction()->isVisible());
        const QRect r = w->grid->visualRect(w->model->index(1, 0));
        QTest::mouseClick(w->grid->viewport(), Qt::LeftButton, {}, r.center());
        clicked = true;
    });
    QTimer::singleShot(5000, [] {
        if (auto* w = QApplication::activeModalWidget()) w->close();
    });
    ShowTableEditor("CLOSE", 1);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(DbfExitKey, 13);
    EXPECT_EQ(ChosenDbfRecord, 3) << "wax is record 3";
    EXPECT_FALSE(cancelFlag);
    CloseDbfTable();
}

// A pick asked for record 7 of a table of three opens on the first record
// without choosing it: OK alone takes nothing (the caller's value stays);
// a row clicked and OK take that row.
TEST_F(TableEditorWindowTest, APickOpenedOnAMissingRecordTakesOnlyAChosenOne) {
    path = Path("lubri.dbf");
    WriteBytes(path, BuildDbf(0x03, {{"TYP", 'C', 8, 0}}, {" oil", " grease", " wax"}));
    InstallQtTableEditor();
    for (const bool click : {false, true}) {
        ASSERT_TRUE(OpenDbfFile(path));
        GoDbfRecord(7);
        bool acted = false;
        QTimer::singleShot(50, [&] {
            auto* w = qobject_cast<TableEditorWindow*>(QApplication::activeModalWidget());
            if (!w) return;
            EXPECT_EQ(w->grid->currentIndex().row(), 0) << "opens on the first row";
            EXPECT_FALSE(w->grid->selectionModel()->hasSelection()) << "not chosen";
            if (click) {
                const QRect r = w->grid->visualRect(w->model->index(2, 0));
                QTest::mouseClick(w->grid->viewport(), Qt::LeftButton, {}, r.center());
            }
            w->buttonOk->click();
            acted = true;
        });
        QTimer::singleShot(5000, [] {
            if (auto* w = QApplication::activeModalWidget()) w->close();
        });
        ChosenDbfRecord = 0;
        ShowTableEditor("", 1);
        EXPECT_TRUE(acted);
        EXPECT_EQ(DbfExitKey, click ? 13 : 27) << "clicked " << click;
        EXPECT_EQ(cancelFlag, !click) << "clicked " << click;
        EXPECT_EQ(ChosenDbfRecord, click ? 3 : 0) << "clicked " << click;
        CloseDbfTable();
    }
}

TEST_F(TableEditorWindowTest, AHundredThousandRowsScrollWithoutReadingEveryRecord) {
    constexpr int kRows = 100000;
    std::vector<std::string> records;
    records.reserve(kRows);
    for (int i = 1; i <= kRows; ++i) records.push_back(" row " + std::to_string(i));
    path = Path("big.dbf");
    WriteBytes(path, BuildDbf(0x03, {{"NAME", 'C', 12, 0}}, records));
    ASSERT_TRUE(OpenDbfFile(path));
    Show(4);
    EXPECT_EQ(Model().rowCount(), kRows);
    EXPECT_EQ(Model().WalkedRows(), 0) << "natural order needs no walk";
    TzGrid* grid = window->grid;
    grid->scrollTo(Model().index(kRows / 2, 0));
    QApplication::processEvents();
    grid->viewport()->grab();
    grid->scrollToBottom();
    QApplication::processEvents();
    grid->viewport()->grab();
    EXPECT_LE(Model().CachedRows(), TzTableModel::kCacheRows);
    EXPECT_GT(Model().CachedRows(), 0);
    EXPECT_EQ(Cell(kRows - 1, 0), "row 100000");
    grid->setCurrentIndex(Model().index(kRows - 1, 0));
    EXPECT_EQ(Table().RecNo(), kRows);
}

TEST_F(TableEditorWindowTest, HiddenDeletedRecordsAreWalkedOnlyAsFarAsTheViewReaches) {
    constexpr int kRows = 5000;
    std::vector<std::string> records;
    for (int i = 1; i <= kRows; ++i) records.push_back((i % 2 ? " " : "*") + std::to_string(i));
    path = Path("half.dbf");
    WriteBytes(path, BuildDbf(0x03, {{"N", 'C', 6, 0}}, records));
    ASSERT_TRUE(OpenDbfFile(path));
    Table().SetHideDeletedRecs(true);  // as pick mode 1 does
    Show(1);
    EXPECT_LT(Model().WalkedRows(), kRows / 2) << "only the first screens are walked";
    EXPECT_EQ(Cell(1, 0), "3");
    while (Model().canFetchMore({})) Model().fetchMore({});
    EXPECT_EQ(Model().rowCount(), kRows / 2);
    EXPECT_EQ(Cell(kRows / 2 - 1, 0), "4999");
}

TEST_F(TableEditorWindowTest, DateCellsAreTypedThroughTheMaskOfTheEngineFormat) {
    struct Case {
        int format;
        bool century;
        const char* mask;
        const char* qtMask;
    };
    for (const Case& c : {Case{0, true, "99/99/9999;1; ", "00/00/0000; "},
                          Case{4, true, "99/99/9999;1; ", "00.00.0000; "},
                          Case{3, false, "99/99/99;1; ", "00-00-00; "},
                          Case{1, true, "9999/99/99;1; ", "0000.00.00; "},
                          Case{1, false, "99/99/99;1; ", "00.00.00; "}}) {
        DateFormat = c.format;
        SetCentury = c.century;
        EXPECT_EQ(DateEditMask(), c.mask) << c.format << " " << c.century;
        EXPECT_EQ(QtDateInputMask().toStdString(), c.qtMask) << c.format << " " << c.century;
    }
    DateFormat = 4;
    SetCentury = true;
    OpenParts();
    EXPECT_EQ(Cell(0, 3), "07.12.2026");
    TypeInto(1, 3, "24121999");
    window->navigator->Click(TzNavButton::nbPost);
    EXPECT_EQ(DbfRead(path, "print(t.records[1]['DAY'])"), "1999-12-24\n");
}

TEST_F(TableEditorWindowTest, TitleAndCornerClicksAreReported) {
    OpenParts();
    TzGrid* grid = window->grid;
    int pressed = 0, left = 0, right = 0;
    QObject::connect(grid, &TzGrid::depressTitle, [&](int) { ++pressed; });
    QObject::connect(grid, &TzGrid::cornerLeftClick, [&] { ++left; });
    QObject::connect(grid, &TzGrid::cornerRightClick, [&] { ++right; });
    QWidget* titles = grid->horizontalHeader()->viewport();
    QTest::mouseClick(titles, Qt::RightButton, {}, TitleCentre(0));
    QTest::mouseClick(titles, Qt::RightButton, {}, TitleCentre(0));
    EXPECT_EQ(pressed, 2) << "a pressed title reports every right click";
    EXPECT_EQ(grid->PressedColumn(), 0);
    QTest::mouseClick(titles, Qt::LeftButton, {}, TitleCentre(1));
    EXPECT_EQ(pressed, 2) << "the left button sorts nothing";
    EXPECT_EQ(grid->PressedColumn(), 0);

    auto* corner = grid->findChild<QAbstractButton*>();
    ASSERT_NE(corner, nullptr);
    QTest::mouseClick(corner, Qt::LeftButton);
    QTest::mouseClick(corner, Qt::RightButton);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(right, 1);
}

TEST_F(TableEditorWindowTest, NavigatorDeleteAsksWhenToldAndCancelKeepsTheRecord) {
    OpenParts();
    window->navigator->ConfirmDelete = true;
    window->navigator->ConfirmRestore = true;
    window->grid->setCurrentIndex(Model().index(0, 0));
    ui.QueueAnswer(Answer::Cancel);
    window->navigator->Click(TzNavButton::nbDelete);
    EXPECT_FALSE(Table().IsDeleted());
    EXPECT_EQ(ui.CallsOf("ask").back().text, std::string("Datensatz löschen ?"_cp850));
    ui.QueueAnswer(Answer::Ok);
    window->navigator->Click(TzNavButton::nbDelete);
    EXPECT_TRUE(Table().IsDeleted());
    ui.QueueAnswer(Answer::Ok);
    window->navigator->Click(TzNavButton::nbDelete);
    EXPECT_EQ(ui.CallsOf("ask").back().text, "Datensatz restaurieren ?");
    EXPECT_FALSE(Table().IsDeleted());
}

TEST_F(TableEditorWindowTest, PickModesShowOnlyTheMovingButtonsAndNoEditing) {
    OpenParts();
    window->Configure("Teile", 4);
    EXPECT_FALSE(window->navigator->Button(TzNavButton::nbDelete)->isVisibleTo(window.get()));
    EXPECT_TRUE(window->navigator->Button(TzNavButton::nbLast)->isVisibleTo(window.get()));
    EXPECT_FALSE(window->miFileAppendDbf->isVisible());
    EXPECT_FALSE(Model().flags(Model().index(0, 0)) & Qt::ItemIsEditable);
    window->grid->setCurrentIndex(Model().index(0, 2));
    QTest::keyClick(window->grid, Qt::Key_Space);
    EXPECT_TRUE(Model().index(0, 2).data(TzTableModel::BoolRole).toBool())
        << "no toggling in a pick mode";
    window->Configure("Teile", 2);
    EXPECT_TRUE(window->navigator->Button(TzNavButton::nbDelete)->isVisibleTo(window.get()));
    EXPECT_TRUE(Model().flags(Model().index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(TableEditorWindowTest, DownOnTheLastRowAppendsOnlyWithAutoAppend) {
    OpenParts();
    TzGrid* grid = window->grid;
    grid->AutoAppend = false;
    grid->setCurrentIndex(Model().index(2, 0));
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(Model().rowCount(), 3);
    EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);

    grid->AutoAppend = true;
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(Model().rowCount(), 4) << "the new record shows as a fourth row";
    EXPECT_EQ(Table().State(), TDataSetState::dsInsert);
    EXPECT_EQ(grid->currentIndex().row(), 3);
    TypeInto(3, 0, "steel");
    // Going back up posts the new record.
    grid->setCurrentIndex(Model().index(0, 0));
    EXPECT_EQ(Table().State(), TDataSetState::dsBrowse);
    EXPECT_EQ(Model().rowCount(), 4);
    EXPECT_EQ(Cell(3, 0), "steel");
    EXPECT_EQ(DbfRead(path, "print(len(t.records), t.records[3]['NAME'])"), "4 steel\n");
}

// Regression: a field without a name once shifted the columns after it and
// ended the program when the window read the last column.
TEST_F(TableEditorWindowTest, AFieldWithoutANameIsShownUnderItsNumberAndNoColumnShifts) {
    path = Path("nameless.dbf");
    WriteBytes(path, BuildDbf(0x03, {{"NAME", 'C', 6, 0}, {"", 'C', 4, 0}, {"VALUE", 'N', 5, 1}},
                              {" worm  abcd  3.0", " wheel efgh  1.5"}));
    ASSERT_TRUE(OpenDbfFile(path));
    Show(2);
    ASSERT_EQ(Model().columnCount(), 3);
    EXPECT_EQ(Model().headerData(0, Qt::Horizontal).toString(), "NAME");
    EXPECT_EQ(Model().headerData(1, Qt::Horizontal).toString(), "#2");
    EXPECT_EQ(Model().headerData(2, Qt::Horizontal).toString(), "VALUE");
    // Row 0 is the dataset's record (read from its fields), row 1 is not.
    EXPECT_EQ(Cell(0, 0), "worm");
    EXPECT_EQ(Cell(0, 1), "abcd");
    EXPECT_EQ(Cell(0, 2), "3.0");
    EXPECT_EQ(Cell(1, 0), "wheel");
    EXPECT_EQ(Cell(1, 1), "efgh");
    EXPECT_EQ(Cell(1, 2), "1.5");
    window->grid->viewport()->grab();
    EXPECT_FALSE(Model().flags(Model().index(0, 1)) & Qt::ItemIsEditable);
    EXPECT_TRUE(Model().flags(Model().index(0, 2)) & Qt::ItemIsEditable);

    // Editing the field after it keeps the nameless field's bytes.
    TypeInto(1, 2, "7.5");
    window->navigator->Click(TzNavButton::nbPost);
    EXPECT_EQ(Cell(1, 2), "7.5");
    EXPECT_EQ(Cell(1, 1), "efgh");
    EXPECT_EQ(Table().Peek(2, 2), "efgh");
    EXPECT_EQ(Table().Peek(3, 2), "  7.5");
}

TEST_F(TableEditorWindowTest, TheRowColourHandlerSeesItsRowsRecordAndColoursTheIndicator) {
    OpenParts();
    TzGrid* grid = window->grid;
    grid->setCurrentIndex(Model().index(1, 1));
    int scrolls = 0;
    Table().AfterScroll = [&](TTzPrimDataset&) { ++scrolls; };
    std::map<int, std::string> seen;
    const QColor green(0, 128, 0), blue(0, 0, 255);
    Model().OnChangeColors = [&](int row, TzCellColors& c) {
        seen[row] = Table().FieldByName("NAME").AsString();
        if (Table().FieldByName("OK").AsBoolean()) {
            c.cell = green;
            c.indicator = blue;
        }
    };
    const QImage cells = grid->viewport()->grab().toImage();
    const QImage heads = grid->verticalHeader()->viewport()->grab().toImage();
    EXPECT_EQ(seen[0], "worm");
    EXPECT_EQ(seen[1], "bronze");
    EXPECT_EQ(seen[2], "cast iron");
    EXPECT_EQ(Table().RecNo(), 2) << "the dataset's record is put back";
    EXPECT_EQ(Table().FieldByName("NAME").AsString(), "bronze");
    EXPECT_EQ(scrolls, 0) << "drawing does not scroll the dataset";

    // Worm and cast iron are OK: green cells and blue indicator cells.
    auto cellAt = [&](int row) {
        const QRect r = grid->visualRect(Model().index(row, 0));
        return cells.pixelColor(r.right() - 3, r.center().y());
    };
    EXPECT_EQ(cellAt(0), green);
    EXPECT_NE(cellAt(1), green);
    EXPECT_EQ(cellAt(2), green);
    QHeaderView* v = grid->verticalHeader();
    auto headAt = [&](int row) {
        return heads.pixelColor(v->width() / 2 + 3, v->sectionViewportPosition(row) + 3);
    };
    EXPECT_EQ(headAt(0), blue);
    EXPECT_NE(headAt(1), blue);
    EXPECT_EQ(headAt(2), blue);
}

// While a row is edited, and while a new row is filled in, the row colour
// handler sees every row's own record: the edited row its edit, the others
// what they hold. The edit goes on and reaches the file on Post.
TEST_F(TableEditorWindowTest, TheRowColourHandlerSeesEachRowsRecordWhileARowIsEdited) {
    OpenParts();
    std::map<int, std::string> seen;
    Model().OnChangeColors = [&](int row, TzCellColors&) {
        seen[row] = Table().FieldByName("NAME").AsString();
    };
    const std::string names = "print([r['NAME'] for r in t.records])";
    TypeInto(1, 0, "tin bronze");
    seen.clear();
    window->grid->viewport()->grab();
    EXPECT_EQ(seen, (std::map<int, std::string>{{0, "worm"}, {1, "tin bronze"}, {2, "cast iron"}}));
    EXPECT_EQ(Table().State(), TDataSetState::dsEdit);
    window->navigator->Click(TzNavButton::nbPost);
    EXPECT_EQ(DbfRead(path, names), "['worm', 'tin bronze', 'cast iron']\n");

    window->navigator->Click(TzNavButton::nbInsert);
    TypeInto(3, 0, "steel");
    seen.clear();
    window->grid->viewport()->grab();
    EXPECT_EQ(seen, (std::map<int, std::string>{
                        {0, "worm"}, {1, "tin bronze"}, {2, "cast iron"}, {3, "steel"}}));
    EXPECT_EQ(Table().State(), TDataSetState::dsInsert);
    window->navigator->Click(TzNavButton::nbPost);
    EXPECT_EQ(DbfRead(path, names), "['worm', 'tin bronze', 'cast iron', 'steel']\n");
}

TEST_F(TableEditorWindowTest, SavedColumnsAreReadIntoTheGridsColumns) {
    const QStringList saved{
        "cvWidthStr=99",  // before any column: ignored
        "cvColumn=1",
        "cvFieldNameStr=VALUE",
        "cvWidthStr=80",
        "cvColorStr=clYellow",
        "cvFontStr=DejaVu Sans,clRed,1290",  // 10 pt, bold (0x100), underline (0x400)
        "cvAlignmentStr=TARIGHTJUSTIFY",
        "cvReadOnlyStr=true",
        "cvTitleCaptionStr=Wert",
        "cvTitleColorStr=$0000FF",  // 0x00BBGGRR: red
        "cvColumn=0",
        "cvFieldNameStr=NAME",
        "cvColorStr=16711680",  // 0xFF0000: blue
        "cvColorStr=clNoSuchColour",
        "cvTitleAlignmentStr=taCenter",
    };
    // A grid with one empty column starts afresh.
    std::vector<TzGridColumn> columns(1);
    ReadSavedColumns(saved, columns);
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[0].fieldName, "NAME");
    EXPECT_EQ(columns[0].width, -1);
    EXPECT_EQ(columns[0].color, QColor(0, 0, 255)) << "an unknown name keeps the colour";
    EXPECT_EQ(columns[0].titleAlignment, Qt::AlignHCenter);
    EXPECT_EQ(columns[0].alignment, Qt::AlignLeft);
    EXPECT_EQ(columns[1].fieldName, "VALUE");
    EXPECT_EQ(columns[1].width, 80);
    EXPECT_EQ(columns[1].color, QColor(255, 255, 0));
    ASSERT_TRUE(columns[1].font.has_value());
    EXPECT_EQ(columns[1].font->family(), "DejaVu Sans");
    EXPECT_EQ(columns[1].font->pointSize(), 10);
    EXPECT_TRUE(columns[1].font->bold());
    EXPECT_FALSE(columns[1].font->italic());
    EXPECT_TRUE(columns[1].font->underline());
    EXPECT_FALSE(columns[1].font->strikeOut());
    EXPECT_EQ(columns[1].fontColor, QColor(255, 0, 0));
    EXPECT_EQ(columns[1].alignment, Qt::AlignRight);
    EXPECT_TRUE(columns[1].readOnly);
    EXPECT_EQ(columns[1].titleCaption, "Wert");
    EXPECT_EQ(columns[1].titleColor, QColor(255, 0, 0));

    // Columns the grid already has are kept.
    std::vector<TzGridColumn> kept(1);
    kept[0].fieldName = "DAY";
    ReadSavedColumns({"cvColumn=1", "cvFieldNameStr=OK"}, kept);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].fieldName, "DAY");
    EXPECT_EQ(kept[1].fieldName, "OK");

    // On the grid: NAME and VALUE in that order, the other fields hidden.
    OpenParts();
    TzGrid* grid = window->grid;
    EXPECT_TRUE(grid->ReadStreamedProperty("fixedColumns", 1));
    EXPECT_TRUE(grid->Columns().empty());
    EXPECT_TRUE(grid->ReadStreamedProperty("savedColumns", saved));
    EXPECT_FALSE(grid->ReadStreamedProperty("colors", 1));
    QHeaderView* h = grid->horizontalHeader();
    EXPECT_EQ(h->visualIndex(0), 0);
    EXPECT_EQ(h->visualIndex(1), 1);
    EXPECT_TRUE(h->isSectionHidden(2));
    EXPECT_TRUE(h->isSectionHidden(3));
    EXPECT_EQ(grid->columnWidth(1), 80);
    EXPECT_EQ(Model().headerData(1, Qt::Horizontal).toString(), "Wert");
    EXPECT_EQ(Model().headerData(0, Qt::Horizontal).toString(), "NAME");
    EXPECT_FALSE(Model().flags(Model().index(0, 1)) & Qt::ItemIsEditable) << "read-only column";
    EXPECT_TRUE(Model().flags(Model().index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_EQ(Model().ColorsOfCell(2, 1).cell, QColor(255, 255, 0));
    EXPECT_EQ(Model().ColorsOfCell(2, 1).cellText, QColor(255, 0, 0));
    const QImage shot = grid->viewport()->grab().toImage();
    const QRect value = grid->visualRect(Model().index(2, 1));
    EXPECT_EQ(shot.pixelColor(value.left() + 2, value.top() + 2), QColor(255, 255, 0));
    // Read again (as after a sort or a pack), the layout stays.
    grid->Reload();
    EXPECT_TRUE(h->isSectionHidden(2));
    EXPECT_EQ(h->visualIndex(1), 1);
}

// A file dialog that fails the way no handler expects.
class FailingSaveDialog : public ScriptedUi {
public:
    std::optional<std::string> SaveFileName(const std::string&, const std::string&,
                                            const std::string&) override {
        throw std::length_error("basic_string::_M_create");
    }
};

TEST_F(TableEditorWindowTest, AMenuCommandThatFailsUnexpectedlyIsReportedAndTheTableStays) {
    OpenParts();
    window->grid->setCurrentIndex(Model().index(1, 0));
    FailingSaveDialog failing;
    SetUi(&failing);
    window->miFileExportHtml->trigger();
    SetUi(&ui);
    const auto shown = failing.CallsOf("message");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "basic_string::_M_create");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(Table().Active());
    EXPECT_EQ(Table().RecNo(), 2);
}

}  // namespace
}  // namespace veldrim::testing
