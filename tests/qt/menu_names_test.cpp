// Menu items built from names show the name as it is: an "&" of a file or
// table name is a letter, not the item's shortcut mark.

#include <QAction>

#include "qt/main_window_fixture.h"
#include "qt/table_editor_window_fixture.h"

namespace veldrim {
namespace {

class MenuNamesTest : public test::MainWindowFixture {};

// What a menu shows of an item: the caption with "&&" as "&" and without
// the shortcut marks (Qt's own reading of a caption).
std::string Shown(const QAction& item) { return item.iconText().toStdString(); }

TEST_F(MenuNamesTest, ARecentFileWithAnAmpersandIsListedUnderItsName) {
    const std::string name = dir / "Neuer Satz öß€ & 'x'.qb3";
    recentFilesList[0] = name;
    recentFilesList[1] = dir / "A&&B &.qb3";
    window->UpdateRecentFiles();
    EXPECT_EQ(Shown(*window->Item("mi_fileRecent1")), "1 " + name);
    EXPECT_EQ(Shown(*window->Item("mi_fileRecent2")), "2 " + dir / "A&&B &.qb3");
}

}  // namespace

namespace testing {
namespace {

// The editor's help item carries the table's name.
TEST_F(TableEditorWindowTest, TheHelpItemShowsATableNameWithAnAmpersand) {
    OpenParts();
    SetDbfTitles("", "Teile & Preise");
    Show(2);
    EXPECT_EQ(window->miHelpDbf->iconText().toStdString(), "Teile & Preise");
}

}  // namespace
}  // namespace testing
}  // namespace veldrim
