#include "foundation/input_dialogs.h"

#include <gtest/gtest.h>

#include "foundation/codepage.h"
#include "foundation/formatting.h"
#include "foundation/guarded_math.h"
#include "foundation_file_fixture.h"

namespace veldrim {
namespace {

using testing::FileFixture;

class InputDialogsTest : public FileFixture {
protected:
    std::vector<std::string> Errors() const {
        std::vector<std::string> out;
        for (const auto& c : ui.CallsOf("message")) out.push_back(c.text);
        return out;
    }
    std::vector<std::string> ShownTexts() const {
        std::vector<std::string> out;
        for (const auto& c : ui.calls)
            if (c.kind == "text") out.push_back(c.text);
        return out;
    }
};

TEST_F(InputDialogsTest, ListChoice) {
    for (int i = 1; i <= 8; ++i) choiceBuffer[i] = "Eintrag " + std::to_string(i);
    struct Case {
        int count;
        int indexBefore;
        std::optional<int> reply;
        int indexAfter;
        bool cancelled;
    } cases[] = {
        {7, 3, 4, 5, false},  {8, 0, 0, 1, false},    {8, 9, 7, 8, false},
        {8, 3, std::nullopt, 3, true}, {8, 3, 8, 3, true},  // a reply outside the list
        {0, 3, 0, 3, true},
    };
    for (const auto& c : cases) {
        cancelFlag = !c.cancelled;
        ui.calls.clear();
        ui.replies.clear();
        ui.QueueChoice(c.reply);
        int index = c.indexBefore;
        ChooseFromList("Wahl", c.count, index);
        EXPECT_EQ(index, c.indexAfter) << c.count << " " << c.indexBefore;
        EXPECT_EQ(cancelFlag, c.cancelled);
    }
    ui.calls.clear();
    int index = 0;
    ui.QueueChoice(1);
    ChooseFromList("Wahl", 2, index);
    ASSERT_EQ(ui.CallsOf("list").size(), 1u);
    EXPECT_EQ(ui.CallsOf("list")[0].title, "Wahl");
    EXPECT_EQ(ui.CallsOf("list")[0].text, "Eintrag 1\nEintrag 2\n");
}

TEST_F(InputDialogsTest, YesNo) {
    struct Case {
        std::optional<Answer> answer;
        char before;
        char after;
        bool cancelled;
    } cases[] = {{Answer::Yes, 'N', 'J', false},
                 {Answer::No, 'J', 'N', false},
                 {Answer::Cancel, 'J', 'J', true},
                 {std::nullopt, 'N', 'N', true}};
    for (const auto& c : cases) {
        ui.replies.clear();
        if (c.answer) ui.QueueAnswer(*c.answer);
        char answer = c.before;
        AskYesNoChar("Weiter ?", answer);
        EXPECT_EQ(answer, c.after);
        EXPECT_EQ(cancelFlag, c.cancelled);
    }
    bool flag = true;
    ui.QueueAnswer(Answer::No);
    AskYesNo("Frage", flag);
    EXPECT_FALSE(flag);
    AskYesNo("Frage", flag);  // cancelled: unchanged
    EXPECT_FALSE(flag);
    EXPECT_TRUE(cancelFlag);
}

TEST_F(InputDialogsTest, TextEntry) {
    std::string text = "alt";
    ui.QueueText(std::string("Zahnrad-Getriebe"));
    InputTextDialog("Name", 8, text);
    EXPECT_EQ(text, "Zahnrad-");
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(ui.calls.back().text, "Name");
    InputText("Name", 8, text);
    EXPECT_EQ(text, "Zahnrad-");
    EXPECT_TRUE(cancelFlag);
}

TEST_F(InputDialogsTest, NumberEntryRetriesUntilValid) {
    Real x = 5;
    ui.QueueText(std::string("abc"));
    ui.QueueText(std::string("500"));
    ui.QueueText(std::string("12,5"));
    InputRealInRange("Modul", x, 0.1L, 100);
    EXPECT_EQ(x, 12.5L);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(Errors(), (std::vector<std::string>{
                            std::string("Ungültige Eingabe "_cp850) + "\"abc\" !",
                            std::string("Gültiger Wertebereich: "_cp850) + "0.1 .. 100 !"}));
    // After the invalid text the dialog shows x again; after the value out of
    // range it shows that value.
    EXPECT_EQ(ShownTexts().size(), 3u);
}

TEST_F(InputDialogsTest, UnchangedTextKeepsTheValueExactly) {
    Real x = 1.0L / 3;
    ui.QueueText(FormatNum(x));
    InputRealInRange("q", x, 0, 1);
    EXPECT_EQ(x, 1.0L / 3);
    double d = 2.0 / 3;
    ui.QueueText(FormatNum(d));
    InputDoubleInRange("q", d, 0, 1);
    EXPECT_EQ(d, 2.0 / 3);
}

TEST_F(InputDialogsTest, NumberEntryCancelKeepsTheValue) {
    Real x = 7;
    ui.QueueText(std::string("x"));
    InputRealInRange("a", x, 0, 10);  // invalid, then cancel
    EXPECT_EQ(x, 7);
    EXPECT_TRUE(cancelFlag);
}

TEST_F(InputDialogsTest, IntegerEntryWithSwappedLimits) {
    std::int32_t n = 3;
    ui.QueueText(std::string("11"));
    ui.QueueText(std::string("2.5"));
    ui.QueueText(std::string("10"));
    InputLongInRange("z", n, 10, 1);
    EXPECT_EQ(n, 10);
    EXPECT_EQ(Errors(), (std::vector<std::string>{
                            std::string("Gültiger Wertebereich: "_cp850) + "1 .. 10 !",
                            std::string("Ungültige Eingabe "_cp850) + "\"2.5\" !"}));
    std::uint16_t w = 4;
    ui.QueueText(std::string("70000"));
    InputWordInRange("w", w, 0, 65535);  // refused, then cancel
    EXPECT_EQ(w, 4);
    EXPECT_TRUE(cancelFlag);
    std::int32_t m = 1;
    ui.QueueText(std::string("-4"));
    InputIntInRange("m", m, -5, 5);
    EXPECT_EQ(m, -4);
}

TEST_F(InputDialogsTest, LengthInInches) {
    unitSystem = 1;
    Real a = 50.8L;
    ui.QueueText(std::string("3"));
    InputLength("Achsabstand a ", a, 0.01L, 100000);
    EXPECT_NEAR(static_cast<double>(a), 76.2, 1E-12);
    EXPECT_EQ(ui.calls.back().text, "Achsabstand a  [inch]");

    // Left unchanged, the millimetres stay exactly.
    Real b = 40.123456789L;
    ui.QueueText(FormatNum(MmToInch(b)));
    InputLength("b", b, 0, 1000);
    EXPECT_EQ(b, 40.123456789L);

    // Cancelled: the millimetres stay.
    InputLength("b", b, 0, 1000);
    EXPECT_EQ(b, 40.123456789L);
    EXPECT_TRUE(cancelFlag);

    unitSystem = 0;
    ui.QueueText(std::string("80"));
    InputLength("a", b, 0, 1000);
    EXPECT_EQ(b, 80);
    EXPECT_EQ(ui.calls.back().text, "a [mm]");
}

TEST_F(InputDialogsTest, InfoScreen) {
    choiceBuffer[1] = "Zeile 1";
    choiceBuffer[22] = "Zeile 22";
    choiceBuffer[23] = "nicht gezeigt";
    ShowInfoScreen();
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].title, "VELDRIM");
    EXPECT_EQ(ui.calls[0].text, "Zeile 1" + std::string(20, '\n') + "\nZeile 22");
}

}  // namespace
}  // namespace veldrim
