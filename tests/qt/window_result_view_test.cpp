// What the window shows after a change of the data set, by help level: the
// result view at help level 1, nothing new at help level 0 ("Keine Info nach
// Eingabe"), where an opened or new data set shows its empty sheet instead of
// the other set's drawing; "Zeichnung neu" draws at every level. And F5, the
// item's key, as a key of the graphics window.
#include <QApplication>
#include <QTest>
#include <filesystem>

#include "app/main_commands.h"
#include "calc/design.h"
#include "calc/records.h"
#include "foundation/program_state.h"
#include "graphics/display_list.h"
#include "graphics/formats/hpgl_reader.h"
#include "qt/main_window_fixture.h"
#include "qt/qt_test_support.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;

class WindowResultViewTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        for (const char* f : {"demo.qb3", "lubri.dbf"})
            fs::copy_file(fs::path(VELDRIM_DATA_DIR) / f, fs::path(dir.path()) / f);
        fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", fs::path(dir.path()) / "gear.qb3");
        databaseDirectory = dir.path();
        ASSERT_TRUE(OpenDataSet(dir / "demo.qb3"));
        InstallHpglHelpPictures();
        SetUi(&scripted);
    }
    void TearDown() override {
        SetUi(&ui);
        MainWindowFixture::TearDown();
    }
    // The view shows something other than the result view: a help picture.
    void ShowHelpPicture() {
        ShowHelpPictureNamed("diagramm");
        ASSERT_TRUE(Holds("Diagramm: Achsen, Teilung und Kurve"));
    }
    static bool Holds(const std::string& text) {
        for (const std::string& record : DisplayList)
            if (record.find(text) != std::string::npos) return true;
        return false;
    }
    // The texts of the text records ("6;x;y;text").
    static std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const std::string& record : DisplayList)
            if (record.starts_with("6;")) {
                const std::size_t y = record.find(';', 2);
                texts.push_back(record.substr(record.find(';', y + 1) + 1));
            }
        return texts;
    }
    static std::size_t Lines() {
        std::size_t n = 0;
        for (const std::string& record : DisplayList) n += record.starts_with("4;");
        return n;
    }
    ScriptedUi scripted;
};

// The after-change paths of the window.
struct Path {
    const char* name;
    std::function<void(Thh&, ScriptedUi&)> run;
    const char* sheetName;  // the data file an empty sheet names; null: not another set
};

std::vector<Path> Paths(const std::string& folder) {
    return {
        {"form sequence completed", [](Thh&, ScriptedUi&) { FormSequence([] {}); }, nullptr},
        {"form sequence cancelled",
         [](Thh&, ScriptedUi&) { FormSequence([] { cancelFlag = true; }); }, nullptr},
        {"pass of a table", [](Thh&, ScriptedUi&) { ShowDesignResultView(); }, nullptr},
        {"lubricant pick",
         [](Thh& w, ScriptedUi& ui) {
             ui.QueueChoice(1);
             w.Item("mi_databaseLubricant")->trigger();
         },
         nullptr},
        {"design from the lead angle",
         [](Thh& w, ScriptedUi&) { w.Item("mi_calcDesign")->trigger(); }, nullptr},
        {"recalculation", [](Thh& w, ScriptedUi&) { w.Item("mi_calcRun")->trigger(); }, nullptr},
        {"open",
         [folder](Thh& w, ScriptedUi& ui) {
             ui.QueueText(folder + "/gear.qb3");
             w.Item("mi_fileOpen")->trigger();
         },
         "gear.qb3"},
        {"File > Neu", [](Thh& w, ScriptedUi&) { w.Item("mi_fileNew")->trigger(); }, "-"},
    };
}

TEST_F(WindowResultViewTest, AtHelpLevelZeroAChangeDrawsNothingButAnotherSetsEmptySheet) {
    helpLevel = 0;
    for (const Path& p : Paths(dir.path())) {
        SCOPED_TRACE(p.name);
        ASSERT_TRUE(OpenDataSet(dir / "demo.qb3"));
        modifiedFlag = false;
        ShowHelpPicture();
        const std::vector<std::string> before = DisplayList;
        p.run(*window, scripted);
        if (!p.sheetName) {
            EXPECT_EQ(DisplayList, before) << "the view keeps what it showed";
            continue;
        }
        // The empty sheet: two frames of four lines, the product's name and
        // the data file's name (after the sheet's footer line).
        const std::vector<std::string> texts = Texts();
        ASSERT_GE(texts.size(), 2u);
        EXPECT_LE(texts.size(), 3u);
        EXPECT_EQ(std::vector<std::string>(texts.end() - 2, texts.end()),
                  (std::vector<std::string>{"VELDRIM", p.sheetName}));
        EXPECT_EQ(Lines(), 8u);
        EXPECT_FALSE(Holds("Leistungsbilanz")) << "no result diagram";
    }
}

TEST_F(WindowResultViewTest, AtHelpLevelOneAChangeDrawsTheResultView) {
    helpLevel = 1;
    for (const Path& p : Paths(dir.path())) {
        SCOPED_TRACE(p.name);
        ASSERT_TRUE(OpenDataSet(dir / "demo.qb3"));
        modifiedFlag = false;
        ShowHelpPicture();
        p.run(*window, scripted);
        // The demo set and the File > Neu set both have results: the sheet
        // carries the power balance of the result diagram.
        EXPECT_FALSE(Holds("Diagramm: Achsen, Teilung und Kurve")) << "the help picture stays";
        EXPECT_TRUE(Holds("Leistungsbilanz"));
        const std::vector<std::string> drawn = DisplayList;
        window->Item("mi_viewzeichnung")->trigger();
        EXPECT_EQ(DisplayList, drawn) << "the view \"Zeichnung neu\" draws";
    }
}

// The view items draw at help level 0 as well.
TEST_F(WindowResultViewTest, AtHelpLevelZeroTheViewItemsStillDraw) {
    helpLevel = 0;
    for (const char* item : {"mi_viewzeichnung", "mi_viewDiagram"}) {
        SCOPED_TRACE(item);
        ShowHelpPicture();
        window->Item(item)->trigger();
        EXPECT_TRUE(Holds("Leistungsbilanz"));
    }
    ShowHelpPicture();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QApplication::setActiveWindow(window.get());
    QTest::keyClick(window->graphics(), Qt::Key_F5);
    EXPECT_TRUE(Holds("Leistungsbilanz")) << "F5";
}

// Zoom in, F5, then a key outside the window's keys: that key repeats the
// last key action, which F5 made the reset, so the view stays the reset view.
TEST_F(WindowResultViewTest, F5IsTheLastKeyActionThatTheNextKeyRepeats) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QApplication::setActiveWindow(window.get());
    GraphicsView* view = window->graphics();
    view->setFocus();
    DrawCurrentView();
    window->ResetZoom();
    const ZoomRectangle reset = ZoomRect;

    QTest::keyClick(view, Qt::Key_Plus);
    ASSERT_LT(ZoomRect.x2 - ZoomRect.x1, reset.x2 - reset.x1) << "+ zooms in";
    QTest::keyClick(view, Qt::Key_F5);
    EXPECT_EQ(LastKeyScan, 0x3F) << "the reset is the last key action";
    EXPECT_EQ(LastKeyChar, 0);
    QTest::keyClick(view, Qt::Key_A);
    EXPECT_EQ(ZoomRect.x1, reset.x1);
    EXPECT_EQ(ZoomRect.y1, reset.y1);
    EXPECT_EQ(ZoomRect.x2, reset.x2);
    EXPECT_EQ(ZoomRect.y2, reset.y2);
}

}  // namespace
}  // namespace veldrim
