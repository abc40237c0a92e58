// Smaller points of the main window: the language menu ticks the language in
// use, the CAD and EDI save dialogs propose the data file's folder, and the
// report viewer's export tries the desktop opener before it gives up.
#include <gmock/gmock.h>

#include <QMenu>

#include "app/qt/main_window.h"
#include "foundation/codepage.h"
#include "foundation/program_state.h"
#include "foundation/qt/text_viewer.h"
#include "foundation/ui_services.h"
#include "qt/main_window_fixture.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

class WindowPointsTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        SetUi(&scripted);
    }
    void TearDown() override {
        SetUi(&ui);
        MainWindowFixture::TearDown();
    }
    // The names of the ticked language items.
    std::vector<std::string> Ticked() const {
        std::vector<std::string> names;
        for (MenuAction* a : window->MenuItems())
            if (a->objectName().startsWith("mi_language") && a->isChecked())
                names.push_back(a->objectName().toStdString());
        return names;
    }
    ScriptedUi scripted;
};

TEST_F(WindowPointsTest, TheLanguageMenuTicksExactlyTheLanguageInUse) {
    // At start no language was chosen: the program speaks German.
    EXPECT_EQ(Ticked(), std::vector<std::string>{"mi_language1"});
    const std::pair<const char*, int> choices[] = {{"mi_language2", 2},   {"mi_language7", 7},
                                                   {"mi_language8", 8},   {"mi_language12", 12},
                                                   {"mi_language12", 12}, {"mi_language1", 1}};
    for (const auto& [item, number] : choices) {
        window->Item(item)->trigger();
        EXPECT_EQ(Ticked(), std::vector<std::string>{item}) << item << " chosen";
        EXPECT_EQ(languageNumber, number) << item << " chosen";
    }
    // A language set before the menu opens is the one ticked when it does.
    languageNumber = 8;
    auto* menu = window->findChild<QMenu*>("mi_optionsLanguage");
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    EXPECT_EQ(Ticked(), std::vector<std::string>{"mi_language8"});
    languageNumber = 1;
    emit menu->aboutToShow();
}

TEST_F(WindowPointsTest, CadAndEdiSaveDialogsProposeTheDataFilesFolder) {
    currentFileName = "Getriebe";
    const std::string proposed = dir / "Getriebe";
    // No CAD or EDI folder set: the data file's folder, not the working one.
    for (const char* item : {"mi_cadDxf", "mi_cadStep", "mi_fileExportEdi"}) {
        scripted.calls.clear();
        window->Item(item)->trigger();  // the dialog cancelled
        const auto asked = scripted.CallsOf("save");
        ASSERT_EQ(asked.size(), 1u) << item;
        EXPECT_EQ(asked[0].text, proposed) << item;
    }
    // A folder set for them is proposed as before.
    cadDirectory = "/srv/cad";
    ediDirectory = "/srv/edi/";
    const std::pair<const char*, std::string> configured[] = {
        {"mi_cadIges", "/srv/cad/Getriebe"}, {"mi_fileExportEdi", "/srv/edi/Getriebe"}};
    for (const auto& [item, path] : configured) {
        scripted.calls.clear();
        window->Item(item)->trigger();
        const auto asked = scripted.CallsOf("save");
        ASSERT_EQ(asked.size(), 1u) << item;
        EXPECT_EQ(asked[0].text, path) << item;
    }
}

// Without a text editor set, "Export Notepad" hands the text to the desktop's
// opener, and only when no program takes it says so, naming the file.
TEST_F(WindowPointsTest, ViewerExportWithoutAnEditorTriesTheDesktopOpenerFirst) {
    const std::string file = dir / "t.txt";
    veldrim::testing::Spit(file, "Zeile\r\n");
    auto viewer = std::make_unique<TForm_showtextfile>(file, "t");
    textEditorPath.clear();
    scripted.calls.clear();
    scripted.QueueBool(true);  // a program opens it
    viewer->mi_dateiExportNotepadClick();
    ASSERT_EQ(scripted.calls.size(), 1u);
    EXPECT_EQ(scripted.calls[0].kind, "open-document");
    EXPECT_EQ(scripted.calls[0].text, file);

    scripted.calls.clear();
    scripted.QueueBool(false);  // none does
    viewer->mi_dateiExportNotepadClick();
    ASSERT_EQ(scripted.calls.size(), 2u);
    EXPECT_EQ(scripted.calls[0].kind, "open-document");
    EXPECT_EQ(scripted.calls[0].text, file);
    EXPECT_EQ(scripted.calls[1].kind, "message");
    EXPECT_EQ(Cp850ToUtf8Carried(scripted.calls[1].text),
              "Kein Programm zum \xC3\x96"
              "ffnen gefunden: " +
                  file);
}

}  // namespace
}  // namespace veldrim
