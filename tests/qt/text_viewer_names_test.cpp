// The text viewer's messages name a file as the user sees it on disk, also
// with letters outside code page 850 (Ł).
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/codepage.h"
#include "foundation/qt/text_viewer.h"
#include "qt/qt_test_support.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

class TextViewerNames : public ::testing::Test {
protected:
    void SetUp() override { ResetAllProgramState(); }
    void TearDown() override { ResetAllProgramState(); }
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (const auto& c : ui.CallsOf("message")) out.push_back(Cp850ToUtf8Carried(c.text));
        return out;
    }
    testing::TempDir dir{"veldrim-viewer"};
    ScriptedUi ui;
    ScopedUi scope{ui};
};

TEST_F(TextViewerNames, AMissingFileIsNamedInBothNotFoundMessages) {
    const std::string missing = dir / "Größe-Ł.txt";
    {
        TForm_showtextfile viewer(missing, "");
        EXPECT_NE(viewer.windowTitle().toStdString().find(missing), std::string::npos)
            << viewer.windowTitle().toStdString();
    }
    EXPECT_FALSE(PrintTextFileWithDialog(missing, "t"));
    EXPECT_EQ(Shown(),
              (std::vector<std::string>{missing + " not found !", missing + " not found !"}));
}

TEST_F(TextViewerNames, APdfThatCannotBeWrittenIsNamed) {
    const std::string text = dir / "t.txt";
    testing::Spit(text, "Zeile\r\n");
    const std::string pdf = dir / "Größe-Ł.pdf";
    std::filesystem::create_directories(pdf);  // a folder stands where the file goes
    TForm_showtextfile viewer(text, "t");
    ui.QueueText(pdf);
    viewer.mi_dateiPdfClick();
    EXPECT_EQ(Shown(), std::vector<std::string>{"Datei " + pdf +
                                                " ist ein Ordner und wird nicht \xC3\xBC"
                                                "berschrieben !"});
}

// A text that is no report is proposed as a PDF under its own name: a dot
// of its folder is no extension.
TEST_F(TextViewerNames, APdfIsProposedBesideTheTextUnderItsWholeName) {
    std::filesystem::create_directories(dir / "v1.2");
    const std::string text = dir / "v1.2/liesmich";
    currentFileName.clear();  // no data set: the text is no report of one
    testing::Spit(text, "Zeile\r\n");
    TForm_showtextfile viewer(text, "t");
    ui.QueueText(std::nullopt);
    viewer.mi_dateiPdfClick();
    const auto saves = ui.CallsOf("save");
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_EQ(saves[0].text, text + ".pdf");
}

}  // namespace
}  // namespace veldrim
