// The configuration form and the drawing: what the form changes reaches the
// colour table and the view at OK, without F5, and nothing of it at
// Abbrechen.
#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <functional>

#include "app/config_file.h"
#include "app/main_commands.h"
#include "app/qt/settings_forms.h"
#include "graphics/cad_output.h"
#include "graphics/graphics_defaults.h"
#include "graphics/qt/graphics_view.h"
#include "qt/main_window_fixture.h"

namespace veldrim {
namespace {

// Pixel values below are 0xRRGGBB as the picture holds them.
constexpr QRgb kYellow = 0xFFFF00;  // colour 14: layer 3 at start-up, and more
constexpr QRgb kBlue = 0x0000FF;    // colour 9
constexpr QRgb kWhite = 0xFFFFFF;
constexpr QRgb kStartBackground = 0x010000;  // "Hintergrundfarbe" 1: red 1

class ConfigFormRedrawTest : public test::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        configurationDirectory = dir.path();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        view = window->findChild<GraphicsView*>("VeldGraf");
        ASSERT_NE(view, nullptr);
        DrawCurrentView();
    }
    // How many pixels of the view's picture show the colour exactly.
    int Pixels(QRgb rgb) const {
        const QImage& img = view->picture();
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if ((img.pixel(x, y) & 0xFFFFFFu) == rgb) ++n;
        return n;
    }
    int AllPixels() const { return view->picture().width() * view->picture().height(); }
    // Opens the configuration form from the menu, lets `edit` work on it and
    // closes it with the button of that caption.
    void RunForm(const std::function<void(Tconfig&)>& edit, const QString& button) {
        bool seen = false;
        test::ModalDriver driver([&](QWidget* w) {
            auto* form = dynamic_cast<Tconfig*>(w);
            if (!form) return false;
            seen = true;
            edit(*form);
            for (QPushButton* b : form->findChildren<QPushButton*>())
                if (b->text() == button || b->objectName() == button) {
                    b->click();
                    return true;
                }
            ADD_FAILURE() << "no button " << button.toStdString();
            form->reject();
            return true;
        });
        window->Item("mi_optionsConfig")->trigger();
        EXPECT_TRUE(seen);
    }
    GraphicsView* view = nullptr;
};

// The user's colour 4 is in the configuration file. "Farben zurücksetzen"
// shows red in the form; Abbrechen keeps the user's colour in the table and
// the file, the next opening shows it, and its OK writes it, not red.
TEST_F(ConfigFormRedrawTest, ColourResetThenAbbrechenKeepsTheUsersColours) {
    ColorTable[4] = 0x563412;  // red 0x12, green 0x34, blue 0x56
    ASSERT_TRUE(WriteConfigFile());
    const std::string before = testing::Slurp(ConfigFilePath());

    std::uint32_t shownAfterReset = 0;
    RunForm(
        [&](Tconfig& form) {
            form.findChild<QPushButton*>("Button_resetColours")->click();
            shownAfterReset = form.Colour(4);
        },
        "Abbrechen");
    EXPECT_EQ(shownAfterReset, 255u) << "the form shows the start-up red";
    EXPECT_EQ(ColorTable[4], 0x563412u);
    EXPECT_EQ(testing::Slurp(ConfigFilePath()), before);

    Tconfig again;
    EXPECT_EQ(again.Colour(4), 0x563412u);
    again.Button_okClick();
    const std::string after = testing::Slurp(ConfigFilePath());
    // 0x563412 = 86 * 65536 + 52 * 256 + 18
    EXPECT_NE(after.find("\r\nFarbtabelle 4\r\n5649426\r\n"), std::string::npos) << after;
}

// OK draws the view anew: a changed colour, a changed layer colour and
// "Farbgrafik" switched off show in the view's picture at once.
TEST_F(ConfigFormRedrawTest, OkRedrawsWithTheNewColours) {
    ASSERT_GT(Pixels(kYellow), 0);
    int duringForm = -1;

    // Colour 14 becomes 0x123456.
    RunForm(
        [&](Tconfig& form) {
            form.SetColour(14, 0x563412);
            duringForm = Pixels(0x123456);
        },
        "Button_ok");
    EXPECT_EQ(duringForm, 0);
    EXPECT_GT(Pixels(0x123456), 0);
    EXPECT_EQ(Pixels(kYellow), 0);
    const int inColour14 = Pixels(0x123456);

    // Layer 3 in exchange colour 5, colour 9 of the window: blue.
    ASSERT_EQ(Pixels(kBlue), 0);
    RunForm([](Tconfig& form) { form.Edit_layerColour[3]->setValue(5); }, "Button_ok");
    EXPECT_EQ(CadOutputState.layerColorIndex[3], 5);
    EXPECT_GT(Pixels(kBlue), 0);
    EXPECT_LT(Pixels(0x123456), inColour14) << "layer 3 left colour 14";

    // Black on white paper.
    ASSERT_GT(Pixels(kStartBackground), AllPixels() / 2);
    RunForm([](Tconfig& form) { form.CheckBox_colour->setChecked(false); }, "Button_ok");
    EXPECT_EQ(Pixels(kStartBackground), 0);
    EXPECT_GT(Pixels(kWhite), AllPixels() / 2);
    EXPECT_EQ(Pixels(kBlue), 0);
}

}  // namespace
}  // namespace veldrim
