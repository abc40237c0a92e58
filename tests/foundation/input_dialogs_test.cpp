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
    void Replies(std::initializer_list<const char*> texts) {
        for (const char* t : texts) ui.QueueText(std::string(t));
    }
};

const std::string kInvalid = "Ungültige Eingabe "_cp850.data();
const std::string kRange = "Gültiger Wertebereich: "_cp850.data();

TEST_F(InputDialogsTest, ListChoice) {
    for (int i = 1; i <= 8; ++i) choiceBuffer[i] = "Eintrag " + std::to_string(i);
    struct Case { int count, indexBefore; std::optional<int> reply; int indexAfter; bool cancelled; } cases[] = {
        {7, 3, 4, 5, false}, {8, 0, 0, 1, false}, {8, 9, 7, 8, false},
        {8, 3, std::nullopt, 3, true}, {8, 3, 8, 3, true},  // cancel; a reply outside the list
        {0, 3, 0, 3, true},
    };
    for (const auto& c : cases) {
        cancelFlag = !c.cancelled;
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
    EXPECT_EQ(ui.CallsOf("list")[0].text, "Eintrag 1\nEintrag 2\n");
}

TEST_F(InputDialogsTest, YesNoAndCancel) {
    struct Case { std::optional<Answer> answer; char before, after; bool cancelled; } cases[] = {
        {Answer::Yes, 'N', 'J', false}, {Answer::No, 'J', 'N', false},
        {Answer::Cancel, 'J', 'J', true}, {std::nullopt, 'N', 'N', true}};
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

TEST_F(InputDialogsTest, TextEntryCutsToTheLengthAndKeepsTheTextOnCancel) {
    std::string text = "alt";
    Replies({"Zahnrad-Getriebe"});
    InputTextDialog("Name", 8, text);
    EXPECT_EQ(text, "Zahnrad-");
    EXPECT_FALSE(cancelFlag);
    InputText("Name", 8, text);
    EXPECT_EQ(text, "Zahnrad-");
    EXPECT_TRUE(cancelFlag);
}

TEST_F(InputDialogsTest, NumberEntryRetriesUntilValidAndKeepsTheValueOnCancel) {
    Real x = 5;
    Replies({"abc", "500", "12,5"});
    InputRealInRange("Modul", x, 0.1L, 100);
    EXPECT_EQ(x, 12.5L);
    EXPECT_FALSE(cancelFlag);
    EXPECT_EQ(Shown(), (std::vector<std::string>{kInvalid + "\"abc\" !", kRange + "0.1 .. 100 !"}));
    EXPECT_EQ(ui.CallsOf("text").size(), 3u);

    // An unchanged text keeps the value exactly.
    x = 1.0L / 3;
    ui.QueueText(FormatNum(x));
    InputRealInRange("q", x, 0, 1);
    EXPECT_EQ(x, 1.0L / 3);

    x = 7;
    Replies({"x"});
    InputRealInRange("a", x, 0, 10);  // invalid, then cancel
    EXPECT_EQ(x, 7);
    EXPECT_TRUE(cancelFlag);
}

TEST_F(InputDialogsTest, IntegerEntryWithSwappedLimits) {
    std::int32_t n = 3;
    Replies({"11", "2.5", "10"});
    InputLongInRange("z", n, 10, 1);
    EXPECT_EQ(n, 10);
    EXPECT_EQ(Shown(), (std::vector<std::string>{kRange + "1 .. 10 !", kInvalid + "\"2.5\" !"}));
    std::uint16_t w = 4;
    Replies({"70000"});
    InputWordInRange("w", w, 0, 65535);  // refused, then cancel
    EXPECT_EQ(w, 4);
    EXPECT_TRUE(cancelFlag);
}

TEST_F(InputDialogsTest, LengthInInches) {
    unitSystem = 1;
    Real a = 50.8L;
    Replies({"3"});
    InputLength("Achsabstand a ", a, 0.01L, 100000);
    EXPECT_NEAR(static_cast<double>(a), 76.2, 1E-12);
    EXPECT_EQ(ui.calls.back().text, "Achsabstand a  [inch]");
    // Left unchanged or cancelled, the millimetres stay exactly.
    Real b = 40.123456789L;
    ui.QueueText(FormatNum(MmToInch(b)));
    InputLength("b", b, 0, 1000);
    EXPECT_EQ(b, 40.123456789L);
    InputLength("b", b, 0, 1000);
    EXPECT_EQ(b, 40.123456789L);
    EXPECT_TRUE(cancelFlag);
}

TEST_F(InputDialogsTest, InfoScreen) {
    choiceBuffer[1] = "Zeile 1";
    choiceBuffer[22] = "Zeile 22";
    choiceBuffer[23] = "nicht gezeigt";
    ShowInfoScreen();
    ASSERT_EQ(ui.calls.size(), 1u);
    EXPECT_EQ(ui.calls[0].text, "Zeile 1" + std::string(20, '\n') + "\nZeile 22");
}

}  // namespace
}  // namespace veldrim
