// The forms whose logic lives in core code, driven as a user would: the
// window hands each action to the handler and shows the state again.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "qt/qt_test_support.h"

namespace veldrim {
namespace {

using test::Child;
using test::ModalDriver;
using test::QtFixture;

TEST_F(QtFixture, OnlineFormLeftWithTheUpKeyKeepsTheEditAndTheRow) {
    OnlineForm form;
    form.caption = "Geometrie";
    form.inputCount = 2;
    form.outputCount = 1;
    form.inputNames = {"mx", "z2"};
    form.inputTexts = {"4", "40"};
    form.highlight = {0, 3};
    form.outputNames = {"a"};
    form.outputTexts = {"100.0"};
    form.messages = {"Warnung: Zahnbreite !  (2)"};
    form.row = 2;
    ModalDriver driver([](QWidget* w) {
        auto* edit = Child<QLineEdit>(w, "Edit_input2");
        if (!edit || !edit->hasFocus()) return false;
        edit->setText("41");
        QTest::keyClick(edit, Qt::Key_Up);
        return true;
    });
    EXPECT_TRUE(ui.ShowOnlineForm(form));
    EXPECT_EQ(driver.seenName, "TForm_online");
    EXPECT_EQ(form.inputTexts[1], "41");
    EXPECT_EQ(form.inputTexts[0], "4");
    EXPECT_EQ(form.lastKey, 38);
    EXPECT_EQ(form.row, 2);
}

TEST_F(QtFixture, OnlineFormClosedKeepsTheEditsAndAnswersCancel) {
    OnlineForm form;
    form.inputCount = 1;
    form.inputTexts = {"1.5"};
    ModalDriver driver([](QWidget* w) {
        auto* edit = Child<QLineEdit>(w, "Edit_input1");
        auto* close = Child<QPushButton>(w, "Button_close");
        if (!edit || !close) return false;
        // The button keeps the last confirmed pass: it closes, it does not undo.
        EXPECT_EQ(close->text(), QString::fromUtf8("Schließen"));
        edit->setText("2,5");
        close->click();
        return true;
    });
    EXPECT_FALSE(ui.ShowOnlineForm(form));
    EXPECT_EQ(form.inputTexts[0], "2,5");
    EXPECT_EQ(form.lastKey, 0);
}

// Results look like results, not like inputs: no edit box. A click on one
// takes the focus and the selection from the input, so what is typed next
// changes no input; the row returned stays the input the user was in.
TEST_F(QtFixture, OnlineFormResultsAreTextAndAClickOnOneProtectsTheInputs) {
    OnlineForm form;
    form.inputCount = 2;
    form.outputCount = 1;
    form.inputNames = {"al.0", "a"};
    form.inputTexts = {"20", "100.000"};
    form.outputNames = {"df1"};
    form.outputTexts = {"27.6000"};
    form.row = 1;
    bool resultIsEditable = true;
    ModalDriver driver([&](QWidget* w) {
        auto* input = Child<QLineEdit>(w, "Edit_input1");
        auto* result = Child<QLabel>(w, "Label_output1");
        if (!input || !input->hasFocus() || !result) return false;
        resultIsEditable = Child<QLineEdit>(w, "Edit_output1") != nullptr;
        EXPECT_EQ(result->text(), "27.6000");
        EXPECT_EQ(input->selectedText(), "20") << "the first input starts selected";
        QTest::mouseClick(result, Qt::LeftButton);
        EXPECT_FALSE(input->hasSelectedText());
        QTest::keyClicks(QApplication::focusWidget(), "120");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        return true;
    });
    EXPECT_TRUE(ui.ShowOnlineForm(form));
    EXPECT_TRUE(driver.acted());
    EXPECT_FALSE(resultIsEditable);
    EXPECT_EQ(form.inputTexts[0], "20");
    EXPECT_EQ(form.inputTexts[1], "100.000");
    EXPECT_EQ(form.row, 1);
}

// A handler that derives the power from what is typed into the speed.
class PowerFromSpeed : public OperatingDataFormHandler {
public:
    void EditChanged(OperatingDataFormState& s, int edit) override {
        edits.push_back(edit);
        s.text[kEditP1] = s.text[kEditN1] + "0";
    }
    void ChoiceChanged(OperatingDataFormState& s) override { choices.push_back(s.derived); }
    void DefaultClicked(OperatingDataFormState& s, int edit) override {
        s.text[static_cast<std::size_t>(edit)] = "1.25";
    }
    bool OkClicked(OperatingDataFormState& s) override { return !s.text[kEditN1].empty(); }
    void CalcClicked(OperatingDataFormState&) override {}
    void UnitsClicked(OperatingDataFormState&) override {}
    void HelpClicked() override {}
    void KAHelpClicked() override {}
    std::vector<int> edits, choices;
};

TEST_F(QtFixture, OperatingDataFormHandsTypingAndButtonsToTheHandler) {
    OperatingDataFormState s;
    s.caption = "Betriebsdaten";
    s.derivedItems = {"n", "T", "P"};
    s.sideItems = {"Schnecke", "Rad"};
    s.defaultButton = "<";
    s.okButton = "OK";
    s.enabled.fill(true);
    s.visible.fill(true);
    PowerFromSpeed handler;
    ModalDriver driver([](QWidget* w) {
        auto* n1 = Child<QLineEdit>(w, "Edit_3");
        auto* p1 = Child<QLineEdit>(w, "Edit_5");
        auto* ka = Child<QPushButton>(w, "Button_default1");
        auto* ok = Child<QPushButton>(w, "Button_ok");
        if (!n1 || !p1 || !ka || !ok) return false;
        QTest::keyClicks(n1, "14");
        if (p1->text() != "140") return false;  // shown again after each key
        ka->click();
        ok->click();
        return true;
    });
    EXPECT_TRUE(ui.ShowOperatingDataForm(s, handler));
    EXPECT_TRUE(driver.acted());
    EXPECT_EQ(handler.edits, (std::vector<int>{kEditN1, kEditN1}));
    EXPECT_EQ(s.text[kEditN1], "14");
    EXPECT_EQ(s.text[kEditP1], "140");
    EXPECT_EQ(s.text[kEditKA], "1.25");
}

class HardnessToHb : public MaterialFormHandler {
public:
    void HardnessClicked(MaterialFormState& s, int gear) override {
        seenName = s.gears[static_cast<std::size_t>(gear)].name;
        s.gears[static_cast<std::size_t>(gear)].values[5] = "590";
    }
    std::string seenName;
};

TEST_F(QtFixture, MaterialFormStoresEditsAndShowsTheHardnessResult) {
    MaterialFormState s;
    s.gearCaptions = {"Schnecke", "Rad"};
    s.kindItems = {"Stahl", "Bronze"};
    s.heatTreatmentItems = {"keine", "einsatzgeh."};
    s.gears[0].name = "16MnCr5";
    s.gears[1].name = "CuSn12";
    s.gears[1].kind = 1;
    HardnessToHb handler;
    ModalDriver driver([](QWidget* w) {
        auto* name = Child<QLineEdit>(w, "Edit_name1");
        auto* heat = Child<QComboBox>(w, "ComboBox_heat1");
        auto* hardness = Child<QPushButton>(w, "Button_hardness1");
        auto* ok = Child<QPushButton>(w, "Button_ok");
        if (!name || !heat || !hardness || !ok) return false;
        name->setText("20MnCr5");
        heat->setCurrentIndex(1);
        hardness->click();
        if (Child<QLineEdit>(w, "Edit_value1_6")->text() != "590") return false;
        ok->click();
        return true;
    });
    EXPECT_TRUE(ui.ShowMaterialForm(s, handler));
    EXPECT_EQ(handler.seenName, "20MnCr5");
    EXPECT_EQ(s.gears[0].name, "20MnCr5");
    EXPECT_EQ(s.gears[0].heatTreatment, 1);
    EXPECT_EQ(s.gears[0].values[5], "590");
    EXPECT_EQ(s.gears[1].kind, 1);
}

}  // namespace
}  // namespace veldrim
