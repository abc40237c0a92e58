#include "foundation/messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/program_state.h"
#include "foundation_file_fixture.h"

namespace veldrim {
namespace {

class MessageListTest : public testing::StateFixture {
protected:
    static void Fill(int n) {
        for (int i = 1; i <= n; ++i) AddMessage("Warnung: number " + std::to_string(i));
    }
};

// Each case adds its texts to an empty list and expects the resulting list.
TEST_F(MessageListTest, KeepsDistinctTextsInFirstAddedOrder) {
    struct Case { const char* name; std::vector<std::string> added; std::vector<std::string> expected; } cases[] = {
        {"order of first adding", {"Fehler : b", "Warnung: a", "Fehler : b"}, {"Fehler : b", "Warnung: a"}},
        {"case differs", {"Fehler : a", "Fehler : A"}, {"Fehler : a", "Fehler : A"}},
        {"trailing blank differs", {"Fehler : a", "Fehler : a "}, {"Fehler : a", "Fehler : a "}},
        {"empty text is a message too", {"", ""}, {""}},
    };
    for (const auto& c : cases) {
        ResetMessages();
        for (const auto& t : c.added) AddMessage(t);
        EXPECT_EQ(testing::MessageListTexts(), c.expected) << c.name;
    }
}

TEST_F(MessageListTest, FullListDropsFurtherTextsButTakesOneFatalMessageInTheLastSlot) {
    Fill(12);
    const auto before = testing::MessageListTexts();
    AddMessage("Fehler : the thirteenth");
    AddMessage("Warnung: number 5");  // equal to an entry: ignored as well
    EXPECT_EQ(testing::MessageListTexts(), before);
    AddMessage("Fatal  : centre distance too small");
    EXPECT_EQ(messageList.count, 12);
    EXPECT_EQ(messageList.slot[11], "Warnung: number 11");
    EXPECT_EQ(messageList.slot[12], "Fatal  : centre distance too small");
    // A second fatal message does not push the first one out again.
    AddMessage("Fatal  : second stop");
    EXPECT_EQ(messageList.slot[12], "Fatal  : centre distance too small");
    EXPECT_EQ(messageList.count, 12);
    // Adding never touches the flags.
    EXPECT_FALSE(fatalFlag);
    EXPECT_FALSE(cancelFlag);
}

TEST_F(MessageListTest, ClearEmptiesListAndBothFlagsButNotHideWarnings) {
    Fill(12);
    fatalFlag = cancelFlag = hideWarningsFlag = true;
    ClearMessages();
    EXPECT_EQ(messageList.count, 0);
    EXPECT_FALSE(fatalFlag);
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(hideWarningsFlag);
    // The old slots are no longer part of the list: the same text is added again.
    AddMessage("Warnung: number 2");
    EXPECT_EQ(testing::MessageListTexts(), std::vector<std::string>{"Warnung: number 2"});
    Fill(12);
    EXPECT_EQ(messageList.count, 12);
    EXPECT_EQ(messageList.slot[12], "Warnung: number 12");
}

}  // namespace
}  // namespace veldrim
