// The hardness conversion is a table of its own: it leaves the data set's
// calculation result alone, also when that calculation stopped fatal.
#include <string>
#include <vector>

#include "calc/records.h"
#include "foundation/messages.h"
#include "foundation/program_state.h"
#include "qt/main_window_fixture.h"
#include "support/scripted_ui.h"

namespace veldrim {
namespace {

using WindowHardnessTest = test::MainWindowFixture;

std::vector<std::string> MessageTexts() {
    std::vector<std::string> texts;
    for (int i = 1; i <= messageList.count; ++i)
        texts.push_back(messageList.slot[static_cast<std::size_t>(i)]);
    return texts;
}

// A set without wheel teeth stops fatal. The conversion's own passes clear
// the messages and the fatal flag; after it closes the set is fatal again,
// with its message, so nothing goes on from a result that does not exist.
TEST_F(WindowHardnessTest, ConversionKeepsAFatalSetFatal) {
    gearPair.z[2] = 0;
    RunCalculation();
    ASSERT_TRUE(fatalFlag);
    const std::vector<std::string> before = MessageTexts();
    ASSERT_EQ(before, std::vector<std::string>{"Fatal  : z2 = 0 !"});

    ScriptedUi scripted;
    ScriptedUi::OnlineReply convert;  // HV 300, a value on the scale
    convert.edits = {{2, "300"}};
    convert.row = 2;
    scripted.onlineReplies = {convert};  // then closed
    SetUi(&scripted);
    window->Item("mi_calcHardness")->trigger();
    SetUi(&ui);
    ASSERT_EQ(scripted.onlineForms.size(), 2u);
    EXPECT_TRUE(scripted.onlineForms[1].messages.empty()) << "the conversion's pass was clean";

    EXPECT_TRUE(fatalFlag);
    EXPECT_EQ(MessageTexts(), before);
}

}  // namespace
}  // namespace veldrim
