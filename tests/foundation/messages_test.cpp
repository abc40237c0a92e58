#include "foundation/messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/program_state.h"

namespace veldrim {
namespace {

class MessageListTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ResetMessages();
    }
    void TearDown() override {
        ResetProgramState();
        ResetMessages();
    }

    static std::vector<std::string> List() {
        std::vector<std::string> out;
        for (int i = 1; i <= messageList.count; ++i) out.push_back(messageList.slot[i]);
        return out;
    }
    static void Fill(int n) {
        for (int i = 1; i <= n; ++i) AddMessage("Warnung: number " + std::to_string(i));
    }
};

TEST_F(MessageListTest, StartsEmpty) {
    EXPECT_EQ(messageList.count, 0);
    for (const auto& s : messageList.slot) EXPECT_TRUE(s.empty());
}

// Each case adds its texts to an empty list and expects the resulting list.
TEST_F(MessageListTest, KeepsDistinctTextsInFirstAddedOrder) {
    struct Case {
        const char* name;
        std::vector<std::string> added;
        std::vector<std::string> expected;
    } cases[] = {
        {"duplicate dropped", {"Fehler : a", "Fehler : a"}, {"Fehler : a"}},
        {"order of first adding", {"Fehler : b", "Warnung: a", "Fehler : b"}, {"Fehler : b", "Warnung: a"}},
        {"case differs", {"Fehler : a", "Fehler : A"}, {"Fehler : a", "Fehler : A"}},
        {"trailing blank differs", {"Fehler : a", "Fehler : a "}, {"Fehler : a", "Fehler : a "}},
        {"empty text is a message too", {"", ""}, {""}},
        {"no prefix needed", {"h (sqrt)", "Error: ArcSin 2"}, {"h (sqrt)", "Error: ArcSin 2"}},
    };
    for (const auto& c : cases) {
        ResetMessages();
        for (const auto& t : c.added) AddMessage(t);
        EXPECT_EQ(List(), c.expected) << c.name;
    }
}

TEST_F(MessageListTest, FullListDropsFurtherTextsSilently) {
    Fill(12);
    const auto before = List();
    AddMessage("Fehler : the thirteenth");
    AddMessage("Warnung: number 5");  // equal to an entry: ignored as well
    EXPECT_EQ(messageList.count, 12);
    EXPECT_EQ(List(), before);
}

TEST_F(MessageListTest, FullListStillTakesAFatalMessageInTheLastSlot) {
    Fill(12);
    AddMessage("Fatal  : centre distance too small");
    EXPECT_EQ(messageList.count, 12);
    EXPECT_EQ(messageList.slot[11], "Warnung: number 11");
    EXPECT_EQ(messageList.slot[12], "Fatal  : centre distance too small");
    // A second fatal message does not push the first one out again.
    AddMessage("Fatal  : second stop");
    EXPECT_EQ(messageList.slot[12], "Fatal  : centre distance too small");
    // Nor does the same one twice change anything.
    AddMessage("Fatal  : centre distance too small");
    EXPECT_EQ(messageList.count, 12);
}

TEST_F(MessageListTest, AddingNeverTouchesTheFlags) {
    AddMessage("Fatal  : stop");
    EXPECT_FALSE(fatalFlag);
    EXPECT_FALSE(cancelFlag);
}

TEST_F(MessageListTest, ClearEmptiesListAndBothFlagsButNotHideWarnings) {
    AddMessage("Fehler : a");
    AddMessage("Warnung: b");
    fatalFlag = true;
    cancelFlag = true;
    hideWarningsFlag = true;
    ClearMessages();
    EXPECT_EQ(messageList.count, 0);
    EXPECT_FALSE(fatalFlag);
    EXPECT_FALSE(cancelFlag);
    EXPECT_TRUE(hideWarningsFlag);
    // The slots keep their texts until overwritten, but they are no longer
    // part of the list: the same text is added again, as slot 1.
    EXPECT_EQ(messageList.slot[2], "Warnung: b");
    AddMessage("Warnung: b");
    EXPECT_EQ(List(), std::vector<std::string>{"Warnung: b"});
}

TEST_F(MessageListTest, ClearAfterAFullListMakesRoomAgain) {
    Fill(12);
    ClearMessages();
    Fill(12);
    EXPECT_EQ(messageList.count, 12);
    EXPECT_EQ(messageList.slot[12], "Warnung: number 12");
}

}  // namespace
}  // namespace veldrim
