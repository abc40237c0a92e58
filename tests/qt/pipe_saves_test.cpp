// Window commands whose chosen file is a named pipe: each returns at once,
// names the file it will not overwrite, leaves the pipe where it was and the
// data set marked changed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/config_file.h"
#include "app/qt/main_window.h"
#include "app/qt/settings_forms.h"
#include "foundation/codepage.h"
#include "foundation/program_state.h"
#include "qt/main_window_fixture.h"
#include "support/fifo_watch.h"
#include "support/scripted_ui.h"

namespace veldrim {
namespace {

using testing::FifoWatch;

class PipeSaves : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        SetUi(&scripted);
        modifiedFlag = true;
    }
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (const auto& c : scripted.CallsOf("message")) out.push_back(Cp850ToUtf8Carried(c.text));
        return out;
    }
    static std::string Refusal(const std::string& path) {
        return "Datei " + path +
               " ist keine gew\xC3\xB6hnliche Datei und wird nicht \xC3\xBC"
               "berschrieben !";
    }
    ScriptedUi scripted;
};

TEST_F(PipeSaves, GraphicsAsPdfOntoAPipeIsRefusedAtOnce) {
    const std::string pdf = dir / "zeichnung.pdf";
    FifoWatch watch(pdf);
    ASSERT_TRUE(watch.Made());
    scripted.QueueText(pdf);
    scripted.QueueAnswer(Answer::Yes);  // replace the existing file
    window->Item("mi_filePrintPdf")->trigger();
    EXPECT_TRUE(watch.Stop()) << "the command waited on the pipe";
    ASSERT_FALSE(Shown().empty());
    EXPECT_EQ(Shown().back(), Refusal(pdf));
    EXPECT_TRUE(watch.StillAPipe());
    EXPECT_TRUE(modifiedFlag);
}

TEST_F(PipeSaves, ConfigurationFormOkOntoAPipeIsRefusedAtOnce) {
    configurationDirectory = dir.path();
    const std::string cfg = ConfigFilePath();
    FifoWatch watch(cfg);
    ASSERT_TRUE(watch.Made());
    Tconfig form;
    form.Button_okClick();
    EXPECT_TRUE(watch.Stop()) << "the form waited on the pipe";
    // The refusal, then the form names the file it did not save.
    EXPECT_EQ(Shown(),
              (std::vector<std::string>{Refusal(cfg), "Datei " + cfg + " nicht geschrieben"}));
    EXPECT_TRUE(watch.StillAPipe());
    EXPECT_TRUE(modifiedFlag);
}

}  // namespace
}  // namespace veldrim
