// The graphics PDF commands turn the page with the sheet, as "Drucken" does:
// the landscape drawing sheet gives a landscape page, whatever the printer
// orientation of the configuration says.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <string>

#include "app/main_commands.h"
#include "app/qt/main_window.h"
#include "app/qt/settings_forms.h"
#include "foundation/program_state.h"
#include "qt/main_window_fixture.h"
#include "support/scripted_ui.h"

namespace veldrim {
namespace {

class PdfPageOrientation : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        SetUi(&scripted);
    }
    // The first page's size in points as pdfinfo reads it ("Page size:
    // 841.89 x 595.276 pts (A4)"); {0, 0} when it names none.
    static std::pair<double, double> PageSize(const std::string& pdf) {
        const QString info = test::OutsideOutput("pdfinfo", {QString::fromStdString(pdf)});
        const auto m = QRegularExpression(R"(Page size:\s+([0-9.]+) x ([0-9.]+) pts)").match(info);
        if (!m.hasMatch()) return {0, 0};
        return {m.captured(1).toDouble(), m.captured(2).toDouble()};
    }
    ScriptedUi scripted;
};

TEST_F(PdfPageOrientation, TheLandscapeSheetGivesALandscapePage) {
    DrawCurrentView();                     // the result view on the A4 landscape sheet
    for (const int configured : {1, 2}) {  // "Printer: Portrait=1, Landscape=2"
        printerOrientation = static_cast<std::int16_t>(configured);
        const std::string menu = dir / ("menu-" + std::to_string(configured) + ".pdf");
        scripted.QueueText(menu);
        window->Item("mi_filePrintPdf")->trigger();
        const std::string button = dir / ("setup-" + std::to_string(configured) + ".pdf");
        {
            TForm_printconf form(*window);
            scripted.QueueText(button);
            form.Button_pdfClick();
        }
        for (const std::string& pdf : {menu, button}) {
            const auto [width, height] = PageSize(pdf);
            // A4 turned: 297 mm x 210 mm.
            EXPECT_NEAR(width, 841.89, 1) << pdf;
            EXPECT_NEAR(height, 595.28, 1) << pdf;
            EXPECT_GT(width, height) << pdf;
        }
    }
}

}  // namespace
}  // namespace veldrim
