// The drawing forms driven as a user would: the diagram limits, the 3D view
// presets and the plot program form's live command line.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "qt/qt_test_support.h"

namespace veldrim {
namespace {

using test::Child;
using test::ModalDriver;
using test::QtFixture;

QPushButton* ButtonCaptioned(QWidget* w, const QString& caption) {
    for (auto* b : w->findChildren<QPushButton*>())
        if (b->text() == caption) return b;
    return nullptr;
}

TEST_F(QtFixture, DiagramLimitsCalculateFillsTheEdits) {
    std::array<std::string, 4> limits{"0", "0", "1", "1"};
    ModalDriver driver([](QWidget* w) {
        auto* calc = Child<QPushButton>(w, "Button_calc");
        auto* xmax = Child<QLineEdit>(w, "Edit_xmax");
        auto* ok = Child<QPushButton>(w, "Button_ok");
        if (!calc || !xmax || !ok) return false;
        calc->click();
        xmax->setText("50");
        ok->click();
        return true;
    });
    EXPECT_TRUE(ui.EnterDiagramLimits("Kennlinie", "n", "T", limits, {"0", "0", "1000", "1.2"}));
    EXPECT_EQ(driver.seenName, "TEinDiagramLimits");
    EXPECT_EQ(limits, (std::array<std::string, 4>{"0", "0", "50", "1.2"}));
}

TEST_F(QtFixture, View3DPresetSetsTheAngles) {
    std::array<std::string, 3> angles{"-15", "90", "210"};
    bool without = true;
    ModalDriver driver([](QWidget* w) {
        auto* xy = ButtonCaptioned(w, "xy");
        auto* box = Child<QCheckBox>(w, "CheckBox_neindrawcoordsystem3d");
        auto* ok = Child<QPushButton>(w, "Button_ok");
        if (!xy || !box || !ok) return false;
        xy->click();
        box->setChecked(false);
        ok->click();
        return true;
    });
    EXPECT_TRUE(ui.Edit3DView("VELDRIM", angles, without));
    EXPECT_EQ(driver.seenName, "TForm_cadutil8");
    EXPECT_EQ(std::stod(angles[1]), 90);
    EXPECT_EQ(std::stod(angles[2]), -360);
    EXPECT_FALSE(without);
}

std::string PortLine(const PlotProgramSettings& s) {
    return "if" + std::to_string(s.interfaceKind) + " com" + s.comPort;
}

TEST_F(QtFixture, PlotProgramFormShowsTheLineOfEveryChange) {
    PlotProgramSettings s;
    s.comPort = s.lptPort = "1";
    s.scale = "1";
    std::string shown;
    ModalDriver driver([&shown](QWidget* w) {
        const auto serial = w->findChildren<QRadioButton*>();
        auto* com = Child<QLineEdit>(w, "Edit_com");
        auto* line = Child<QLabel>(w, "Label_commandline");
        auto* ok = Child<QPushButton>(w, "Button_ok");
        if (serial.empty() || !com || !line || !ok) return false;
        for (auto* r : serial)
            if (r->text() == "seriell") r->click();
        com->setText("2");
        shown = line->text().toStdString();
        ok->click();
        return true;
    });
    EXPECT_TRUE(ui.EditPlotProgram(s, &PortLine));
    EXPECT_EQ(driver.seenName, "TForm_confgrafmit");
    EXPECT_EQ(shown, "if0 com2");
    EXPECT_EQ(s.interfaceKind, 0);
    EXPECT_EQ(s.comPort, "2");
}

}  // namespace
}  // namespace veldrim
