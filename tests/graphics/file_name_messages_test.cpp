// Messages of the graphics that name a file show the name as the user gave
// it, also its letters outside ASCII and outside code page 850 (Ł).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dxf_test_support.h"
#include "foundation/codepage.h"
#include "foundation/help_texts.h"
#include "graphics/formats/hpgl_reader.h"

namespace veldrim {
namespace {

class GraphicsFileNameMessages : public testing_support::CadFixture {
protected:
    std::vector<std::string> Shown() const {
        std::vector<std::string> out;
        for (const std::string& text : ShownTexts()) out.push_back(Cp850ToUtf8Carried(text));
        return out;
    }
};

TEST_F(GraphicsFileNameMessages, CadOutputThatCannotBeWritten) {
    // A folder stands where the batch run's output goes.
    const std::string file = (dir / "Größe-Ł.dxf").string();
    std::filesystem::create_directories(file);
    cadBatchFlag = true;
    currentFileName = (dir / "Größe-Ł").string();
    CadBeginOutput(kCadDxf);
    EXPECT_TRUE(cancelFlag);
    EXPECT_EQ(Shown(), std::vector<std::string>{"Datei " + file +
                                                " ist ein Ordner und wird nicht \xC3\xBC"
                                                "berschrieben !"});
}

TEST_F(GraphicsFileNameMessages, MissingPlotFileAndHelpPicture) {
    const std::string plot = (dir / "Größe-Ł.plt").string();
    ReadHpglFile(plot);
    EXPECT_TRUE(cancelFlag);
    InstallHpglHelpPictures();
    helpPictureHook((dir / "Bild-ö-Ł.plt").string());
    EXPECT_EQ(Shown(),
              (std::vector<std::string>{plot + " nicht gefunden !",
                                        (dir / "Bild-ö-Ł.plt").string() + " nicht gefunden !"}));
}

}  // namespace
}  // namespace veldrim
