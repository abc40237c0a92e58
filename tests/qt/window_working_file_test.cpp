// The working file "aktuell" is the one file the program replaces without a
// question. A file that only carries the word in its name or its folder
// ("Angebot_aktuell.qb3", "Projekte-aktuell/") is asked about like any other
// before Save As or an export replaces it.
#include <filesystem>
#include <string>

#include "app/main_commands.h"
#include "calc/data_file.h"
#include "calc/records.h"
#include "foundation/program_state.h"
#include "qt/main_window_fixture.h"
#include "qt/qt_test_support.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace veldrim {
namespace {

namespace fs = std::filesystem;
using testing::Slurp;
using testing::Spit;

class WindowWorkingFileTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        fs::create_directories(dir / "daten");
        fs::create_directories(dir / "Projekte-aktuell");
        opened = dir / "daten/G.qb3";
        fs::copy_file(fs::path(VELDRIM_DATA_DIR) / "demo.qb3", opened);
        ASSERT_TRUE(OpenDataSet(opened));
    }
    std::string opened;
};

// Save As, Export EDI and the DXF view onto an existing file whose name or
// folder holds "aktuell": the program's question, and "Nein" leaves the file
// as it was. The working file aktuell.* is replaced at once.
TEST_F(WindowWorkingFileTest, OnlyTheWorkingFileIsReplacedWithoutAQuestion) {
    const std::pair<const char*, const char*> commands[] = {
        {"mi_fileSaveAs", "qb3"}, {"mi_fileExportEdi", "edi"}, {"mi_cadDxf", "dxf"}};
    const std::string old = "die Datei des Kunden\r\n";
    for (const auto& [item, ext] : commands) {
        SCOPED_TRACE(item);
        for (const std::string& path : {dir / ("daten/Angebot_aktuell." + std::string(ext)),
                                        dir / ("Projekte-aktuell/Angebot." + std::string(ext)),
                                        dir / ("daten/aktuell-2025." + std::string(ext))}) {
            SCOPED_TRACE(path);
            Spit(path, old);
            const std::string nameBefore = currentFileName;
            ScriptedUi scripted;
            scripted.QueueText(path);
            scripted.QueueAnswer(Answer::No);
            SetUi(&scripted);
            window->Item(item)->trigger();
            SetUi(&ui);
            const auto asked = scripted.CallsOf("ask");
            EXPECT_EQ(asked.size(), 1u);
            if (!asked.empty()) {
                EXPECT_EQ(asked[0].text, path +
                                             " existiert bereits.   \x81"
                                             "berschreiben ?");
            }
            EXPECT_EQ(Slurp(path), old);
            EXPECT_EQ(currentFileName, nameBefore);
        }
        const std::string working = dir / ("daten/aktuell." + std::string(ext));
        Spit(working, old);
        ScriptedUi scripted;
        scripted.QueueText(working);
        SetUi(&scripted);
        window->Item(item)->trigger();
        SetUi(&ui);
        EXPECT_TRUE(scripted.CallsOf("ask").empty());
        EXPECT_NE(Slurp(working), old) << "the working file is replaced";
    }
    // Save As wrote the data set into the working file.
    EXPECT_EQ(currentFileName, "aktuell");
    ScriptedUi reading;  // a file that cannot be read says so here, not in a window
    SetUi(&reading);
    wormGear.a = 0;
    const bool read = ReadDataFile(dir / "daten/aktuell.qb3");
    SetUi(&ui);
    ASSERT_TRUE(read);
    EXPECT_EQ(wormGear.a, 100) << "the demo set's centre distance";
}

}  // namespace
}  // namespace veldrim
