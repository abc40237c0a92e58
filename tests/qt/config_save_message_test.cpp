// The configuration form names the configuration file it cannot write, as
// the program's other file messages do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/config_file.h"
#include "app/qt/settings_forms.h"
#include "foundation/codepage.h"
#include "foundation/program_state.h"
#include "qt/main_window_fixture.h"
#include "support/scripted_ui.h"

namespace veldrim {
namespace {

class ConfigSaveMessage : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        SetUi(&scripted);
    }
    ScriptedUi scripted;
};

TEST_F(ConfigSaveMessage, AConfigurationThatCannotBeWrittenIsNamed) {
    configurationDirectory = dir / "fehlt";  // a folder that is not there
    Tconfig form;
    form.Button_okClick();
    std::vector<std::string> shown;
    for (const auto& c : scripted.CallsOf("message")) shown.push_back(Cp850ToUtf8Carried(c.text));
    // The failed write says why, then the form names the file it did not save.
    const std::string cfg = dir / "fehlt/VELDRIM.cfg";
    EXPECT_EQ(shown,
              (std::vector<std::string>{"file write error: " + cfg + ": No such file or directory",
                                        "Datei " + cfg + " nicht geschrieben"}));
}

}  // namespace
}  // namespace veldrim
