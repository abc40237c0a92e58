// The graphics PDF commands name a file they cannot write as the user sees it
// on disk, also with letters outside code page 850 (Ł).
#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "app/qt/main_window.h"
#include "app/qt/settings_forms.h"
#include "foundation/codepage.h"
#include "qt/main_window_fixture.h"
#include "support/scripted_ui.h"

namespace veldrim {
namespace {

class PdfFileNames : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        SetUi(&scripted);
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (const auto& c : scripted.CallsOf("message")) out.push_back(Cp850ToUtf8Carried(c.text));
        return out;
    }
    // A folder that is not there: the PDF cannot be written.
    std::string Unwritable() const { return dir / "fehlt/Größe-Ł.pdf"; }
    ScriptedUi scripted;
};

TEST_F(PdfFileNames, GraphicsAsPdfNamesTheFileItCannotWrite) {
    scripted.QueueText(Unwritable());
    window->Item("mi_filePrintPdf")->trigger();
    EXPECT_EQ(Shown(), std::vector<std::string>{"Datei " + Unwritable() + " nicht geschrieben"});
}

TEST_F(PdfFileNames, PrinterSetUpsPdfButtonNamesTheFileItCannotWrite) {
    TForm_printconf form(*window);
    scripted.QueueText(Unwritable());
    form.Button_pdfClick();
    EXPECT_EQ(Shown(), std::vector<std::string>{"Datei " + Unwritable() + " nicht geschrieben"});
}

}  // namespace
}  // namespace veldrim
