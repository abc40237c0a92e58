#include "foundation/ui_services.h"

#include <gtest/gtest.h>

namespace veldrim {
namespace {

TEST(ScriptedUi, RepliesInOrderAndCancelsWhenEmpty) {
    ScriptedUi ui;
    ScopedUi scope(ui);
    ui.QueueAnswer(Answer::Yes);
    ui.QueueText(std::string("12.5"));
    ui.QueueChoice(3);
    EXPECT_EQ(Ui().Ask("t", "q", AskButtons::YesNoCancel, MessageKind::Confirmation), Answer::Yes);
    EXPECT_EQ(Ui().EnterText("t", "p", ""), std::optional<std::string>("12.5"));
    EXPECT_EQ(Ui().ChooseFromList("t", {"a", "b"}, 0), std::optional<int>(3));
    EXPECT_EQ(Ui().Ask("t", "q", AskButtons::YesNoCancel, MessageKind::Confirmation), Answer::Cancel);
    EXPECT_EQ(Ui().Ask("t", "q", AskButtons::YesNo, MessageKind::Confirmation), Answer::No);
    EXPECT_FALSE(Ui().EnterText("t", "p", "").has_value());
    EXPECT_EQ(ui.CallsOf("ask").size(), 3u);
    ui.QueueAnswer(Answer::Ok);  // a reply of the wrong kind is used up as cancel
    EXPECT_FALSE(ui.EnterText("t", "p", "").has_value());
    EXPECT_TRUE(ui.replies.empty());
}


TEST(BatchUi, NeverAsksAndAnswersCancel) {
    BatchUi ui;
    EXPECT_EQ(ui.Ask("t", "q", AskButtons::YesNoCancel, MessageKind::Confirmation), Answer::Cancel);
    EXPECT_FALSE(ui.OpenFileName("t", "/", "*.*").has_value());
}

TEST(SpawnProgram, ReportsMissingProgram) {
    EXPECT_FALSE(SpawnProgram("veldrim-no-such-program-xyz", {}));
    EXPECT_TRUE(SpawnProgram("true", {}));
}

}  // namespace
}  // namespace veldrim
